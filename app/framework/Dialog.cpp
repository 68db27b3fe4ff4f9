#include "app/framework/Dialog.h"

#include "app/framework/DialogTemplate.h"
#include "common/Text.h"
#include "common/WindowMath.h"

namespace {

// The object a dialog message is for: lParam of WM_INITDIALOG, stored with the window and
// read back for every later message. Null for the messages before WM_INITDIALOG.
KVDialog* AttachedDialog(HWND hwnd, UINT message, LPARAM lParam) {
  if (message != WM_INITDIALOG) return reinterpret_cast<KVDialog*>(GetWindowLongPtrW(hwnd, DWLP_USER));
  auto* self = reinterpret_cast<KVDialog*>(lParam);
  if (self) {
    self->window = hwnd;
    SetWindowLongPtrW(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
    MoveWindow(hwnd, self->initialX, self->initialY, self->initialWidth, self->initialHeight, TRUE);
  }
  return self;
}

}  // namespace

KVDialog::KVDialog() : heap(GetProcessHeap()) {}

KVDialog::~KVDialog() {
  if (window && IsWindow(window) && GetWindowLongPtrW(window, DWLP_USER) == reinterpret_cast<LONG_PTR>(this)) {
    SetWindowLongPtrW(window, DWLP_USER, 0);
  }
}

INT_PTR KVDialog::dialogProc(HWND, UINT, WPARAM, LPARAM) { return 0; }

void KVDialog::messageHook(HWND, UINT, WPARAM, LPARAM) {}

bool KVDialog::createModeless(DWORD extendedStyle, DWORD style, int x, int y, int width, int height,
                              HWND parentWindow) {
  const DialogTemplate built(heap, style | extraStyle, extendedStyle | extraExStyle);
  if (!built.get()) return false;
  initialX = x;
  initialY = y;
  initialWidth = width;
  initialHeight = height;
  parent = parentWindow;
  dialogTemplate = built.get();
  const HWND created = CreateDialogIndirectParamW(nullptr, dialogTemplate, parentWindow, StaticDialogProc,
                                                  reinterpret_cast<LPARAM>(this));
  dialogTemplate = nullptr;
  return created != nullptr;
}

INT_PTR KVDialog::runModal(DWORD style, int clientWidth, int clientHeight, HWND parentWindow) {
  const DWORD fullStyle = style | extraStyle;
  const DWORD fullExStyle = WS_EX_DLGMODALFRAME | extraExStyle;
  const DialogTemplate built(heap, fullStyle, fullExStyle);
  if (!built.get()) return 0;
  parent = parentWindow;
  RECT outer = {0, 0, scale(clientWidth), scale(clientHeight)};
  AdjustWindowRectExForDpi(&outer, fullStyle, FALSE, fullExStyle, static_cast<UINT>(dpi));
  initialX = 0;
  initialY = 0;
  initialWidth = outer.right - outer.left;
  initialHeight = outer.bottom - outer.top;
  dialogTemplate = built.get();
  const INT_PTR result = DialogBoxIndirectParamW(nullptr, dialogTemplate, parentWindow, StaticDialogProc,
                                                 reinterpret_cast<LPARAM>(this));
  dialogTemplate = nullptr;
  return result;
}

HWND KVDialog::createChild(DWORD extendedStyle, const wchar_t* windowClass, const wchar_t* text, DWORD style, int x,
                           int y, int width, int height, HWND parentWindow, int controlId) {
  return CreateWindowExW(extendedStyle, windowClass, text, style, scale(x), scale(y), scale(width), scale(height),
                         parentWindow, reinterpret_cast<HMENU>(static_cast<INT_PTR>(controlId)), instance, nullptr);
}

void KVDialog::centerOnParent() {
  if (!window) return;
  const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
  const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
  RECT own = {};
  GetWindowRect(window, &own);
  RECT over = {0, 0, screenWidth, screenHeight};
  if (parent && !GetWindowRect(parent, &over)) over = {0, 0, screenWidth, screenHeight};
  const int width = own.right - own.left;
  const int height = own.bottom - own.top;
  const kvwindow::Point at = kvwindow::CenterOver(width, height, over.left, over.top, over.right - over.left,
                                                  over.bottom - over.top, screenWidth, screenHeight);
  MoveWindow(window, at.x, at.y, width, height, FALSE);
}

std::string KVDialog::getWindowText(HWND control) const {
  if (!control) return {};
  const int length = GetWindowTextLengthW(control);
  if (length <= 0) return {};
  kvtext::WideString text(static_cast<std::size_t>(length) + 1, L'\0');
  const int copied = GetWindowTextW(control, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
  return kvtext::WideToUtf8(text);
}

INT_PTR CALLBACK KVDialog::StaticDialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  KVDialog* self = AttachedDialog(hwnd, message, lParam);
  if (!self) return 0;
  try {
    self->messageHook(hwnd, message, wParam, lParam);
    return self->dialogProc(hwnd, message, wParam, lParam);
  } catch (...) {
    // Unwinding through the platform's frames is undefined; the dialog manager handles it.
    return 0;
  }
}
