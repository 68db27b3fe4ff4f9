#include "app/framework/Window.h"

#include "common/DpiRule.h"
#include "common/Text.h"

namespace {

// NONCLIENTMETRICSW with iPaddedBorderWidth, the size every supported system fills.
constexpr UINT kMetricsSize = 504;
static_assert(sizeof(NONCLIENTMETRICSW) == kMetricsSize, "NONCLIENTMETRICSW without iPaddedBorderWidth");

NONCLIENTMETRICSW ReadMetrics() {
  NONCLIENTMETRICSW metrics = {};
  metrics.cbSize = kMetricsSize;
  if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, kMetricsSize, &metrics, 0)) {
    metrics = {};
    metrics.cbSize = kMetricsSize;
  }
  return metrics;
}

// The object a message is for: taken from the creation parameters on WM_NCCREATE and stored
// with the window, read back for every later message. Null before WM_NCCREATE.
KVWindow* AttachedWindow(HWND hwnd, UINT message, LPARAM lParam) {
  if (message != WM_NCCREATE) return reinterpret_cast<KVWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  const auto* creation = reinterpret_cast<const CREATESTRUCTW*>(lParam);
  auto* self = creation ? static_cast<KVWindow*>(creation->lpCreateParams) : nullptr;
  if (self) {
    self->window = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  return self;
}

}  // namespace

KVWindow::KVWindow()
    : instance(GetModuleHandleW(nullptr)),
      background(reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1))),
      metrics(ReadMetrics()),
      dpi(static_cast<int>(GetDpiForSystem())),
      ownedFont(CreateFontIndirectW(&metrics.lfMessageFont)) {
  font = ownedFont.get();
}

KVWindow::~KVWindow() {
  if (window && IsWindow(window) &&
      GetWindowLongPtrW(window, GWLP_USERDATA) == reinterpret_cast<LONG_PTR>(this)) {
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
  }
}

int KVWindow::scale(int value) const { return kvtext::ScaleForDpi(value, dpi); }

bool KVWindow::registerClass(int iconId, int menuId) {
  if (className.empty()) return false;
  const kvtext::WideString name = kvtext::Utf8ToWide(className);
  const HICON icon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(iconId), IMAGE_ICON,
                                                   GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON),
                                                   LR_DEFAULTCOLOR));
  WNDCLASSEXW windowClass = {};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
  windowClass.lpfnWndProc = StaticWindowProc;
  windowClass.hInstance = instance;
  windowClass.hIcon = icon;
  windowClass.hIconSm = icon;
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = background;
  windowClass.lpszMenuName = MAKEINTRESOURCEW(menuId);
  windowClass.lpszClassName = name.c_str();
  if (RegisterClassExW(&windowClass)) return true;  // the class keeps the icon for the process
  const bool exists = GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
  if (icon) DestroyIcon(icon);
  return exists;
}

HWND KVWindow::create(const std::string& title, int iconId, int menuId) {
  if (!registerClass(iconId, menuId)) return nullptr;
  return CreateWindowExW(0, kvtext::Utf8ToWide(className).c_str(), kvtext::Utf8ToWide(title).c_str(),
                         WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr,
                         nullptr, instance, this);
}

LRESULT KVWindow::windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

LRESULT CALLBACK KVWindow::StaticWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  KVWindow* self = AttachedWindow(hwnd, message, lParam);
  // Messages before WM_NCCREATE (WM_GETMINMAXINFO among them) find no object yet.
  if (!self) return DefWindowProcW(hwnd, message, wParam, lParam);
  try {
    return self->windowProc(hwnd, message, wParam, lParam);
  } catch (...) {
    // Unwinding through the platform's frames is undefined; the message gets default handling.
    return DefWindowProcW(hwnd, message, wParam, lParam);
  }
}
