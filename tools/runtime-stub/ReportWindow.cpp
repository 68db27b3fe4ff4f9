#include "tools/runtime-stub/ReportWindow.h"

#include "tools/runtime-stub/RuntimeStubIds.h"

namespace kvstub {

namespace {

constexpr wchar_t kClassName[] = L"KelVoxRuntimeReport";
constexpr wchar_t kTitle[] = L"KelVox Runtime";
constexpr int kWidth = 560;  // at 96 DPI
constexpr int kHeight = 360;

int SystemDpi() {
  HDC screen = GetDC(nullptr);
  const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
  if (screen) ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : 96;
}

}  // namespace

KVReportWindow::KVReportWindow(HINSTANCE instance, std::wstring text) : instance(instance), text(std::move(text)) {}

KVReportWindow::~KVReportWindow() {
  if (window) DestroyWindow(window);
  if (font) DeleteObject(font);
}

bool KVReportWindow::Run() {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_RUNTIME));
  windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  windowClass.lpszClassName = kClassName;
  if (!RegisterClassExW(&windowClass)) return false;

  const int dpi = SystemDpi();
  window = CreateWindowExW(0, kClassName, kTitle, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                           MulDiv(kWidth, dpi, 96), MulDiv(kHeight, dpi, 96), nullptr, nullptr, instance, this);
  if (!window) return false;
  ShowWindow(window, SW_SHOWNORMAL);

  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return true;
}

LRESULT CALLBACK KVReportWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<KVReportWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    self->window = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  // Messages before WM_NCCREATE find no object.
  auto* self = reinterpret_cast<KVReportWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  return self ? self->HandleMessage(message, wParam, lParam) : DefWindowProcW(window, message, wParam, lParam);
}

LRESULT KVReportWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      OnCreate();
      return 0;
    case WM_SIZE:
      OnSize(LOWORD(lParam), HIWORD(lParam));
      return 0;
    case WM_SETFOCUS:
      if (textBox) SetFocus(textBox);
      return 0;
    case WM_NCDESTROY: {
      HWND closing = window;
      SetWindowLongPtrW(closing, GWLP_USERDATA, 0);
      window = nullptr;
      PostQuitMessage(0);
      return DefWindowProcW(closing, message, wParam, lParam);
    }
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

void KVReportWindow::OnCreate() {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
    font = CreateFontIndirectW(&metrics.lfMessageFont);
  }
  textBox = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", text.c_str(),
                            WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE | ES_READONLY |
                                ES_AUTOVSCROLL | ES_AUTOHSCROLL,
                            0, 0, 0, 0, window, nullptr, instance, nullptr);
  if (textBox && font) SendMessageW(textBox, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
}

void KVReportWindow::OnSize(int width, int height) {
  if (textBox) MoveWindow(textBox, 0, 0, width, height, TRUE);
}

}  // namespace kvstub
