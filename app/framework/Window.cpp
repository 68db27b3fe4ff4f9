#include "app/framework/Window.h"

#include "common/Text.h"

namespace {

// The size of NONCLIENTMETRICSW that every supported system fills, padded border included.
constexpr UINT kMetricsSize = 504;

}  // namespace

KVWindow::KVWindow()
    : instance(GetModuleHandleW(nullptr)), background(reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1)) {
  metrics.cbSize = kMetricsSize;
  if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, kMetricsSize, &metrics, 0)) {
    metrics = {};
    metrics.cbSize = kMetricsSize;
  }
  font = CreateFontIndirectW(&metrics.lfMessageFont);
  dpi = static_cast<int>(GetDpiForSystem());
}

KVWindow::~KVWindow() {
  if (font) DeleteObject(font);
}

bool KVWindow::registerClass(int iconId, int menuId) {
  const kvtext::WideString name = kvtext::Utf8ToWide(className);
  const int iconWidth = GetSystemMetrics(SM_CXSMICON);
  const int iconHeight = GetSystemMetrics(SM_CYSMICON);
  WNDCLASSEXW windowClass = {};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
  windowClass.lpfnWndProc = StaticWindowProc;
  windowClass.hInstance = instance;
  windowClass.hIcon = static_cast<HICON>(
      LoadImageW(instance, MAKEINTRESOURCEW(iconId), IMAGE_ICON, iconWidth, iconHeight, LR_DEFAULTCOLOR));
  windowClass.hIconSm = windowClass.hIcon;
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = background;
  windowClass.lpszMenuName = MAKEINTRESOURCEW(menuId);
  windowClass.lpszClassName = name.c_str();
  return RegisterClassExW(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

HWND KVWindow::create(const std::string& title, int iconId, int menuId) {
  if (!registerClass(iconId, menuId)) return nullptr;
  return CreateWindowExW(0, kvtext::Utf8ToWide(className).c_str(), kvtext::Utf8ToWide(title).c_str(),
                         WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                         nullptr, nullptr, instance, this);
}

LRESULT KVWindow::windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

LRESULT CALLBACK KVWindow::StaticWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  KVWindow* self = nullptr;
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    self = static_cast<KVWindow*>(create->lpCreateParams);
    if (self) {
      self->window = hwnd;
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
  } else {
    self = reinterpret_cast<KVWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  }
  // Messages before WM_NCCREATE (WM_GETMINMAXINFO among them) find no object yet.
  if (!self) return DefWindowProcW(hwnd, message, wParam, lParam);
  try {
    return self->windowProc(hwnd, message, wParam, lParam);
  } catch (...) {
    return DefWindowProcW(hwnd, message, wParam, lParam);
  }
}
