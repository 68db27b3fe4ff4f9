#include "app/framework/Dialog.h"

#include "app/framework/DialogTemplate.h"
#include "common/Text.h"
#include "common/WindowMath.h"

KVDialog::KVDialog() : heap(GetProcessHeap()) {}

INT_PTR KVDialog::dialogProc(HWND, UINT, WPARAM, LPARAM) { return 0; }

void KVDialog::messageHook(HWND, UINT, WPARAM, LPARAM) {}

bool KVDialog::createModeless(DWORD extendedStyle, DWORD style, int x, int y, int width, int height,
                              HWND parentWindow) {
  const DialogTemplate dialog(style | extraStyle, extendedStyle | extraExStyle);
  if (!dialog.get()) return false;
  initialX = x;
  initialY = y;
  initialWidth = width;
  initialHeight = height;
  parent = parentWindow;
  CreateDialogIndirectParamW(nullptr, dialog.get(), parentWindow, StaticDialogProc, reinterpret_cast<LPARAM>(this));
  return window != nullptr;
}

INT_PTR KVDialog::runModal(DWORD style, int clientWidth, int clientHeight, HWND parentWindow) {
  const DWORD fullStyle = style | extraStyle;
  const DWORD fullExStyle = WS_EX_DLGMODALFRAME | extraExStyle;
  const DialogTemplate dialog(fullStyle, fullExStyle);
  if (!dialog.get()) return 0;
  parent = parentWindow;
  RECT outer = {0, 0, scale(clientWidth), scale(clientHeight)};
  AdjustWindowRectExForDpi(&outer, fullStyle, FALSE, fullExStyle, static_cast<UINT>(dpi));
  initialX = 0;
  initialY = 0;
  initialWidth = outer.right - outer.left;
  initialHeight = outer.bottom - outer.top;
  return DialogBoxIndirectParamW(nullptr, dialog.get(), parentWindow, StaticDialogProc, reinterpret_cast<LPARAM>(this));
}

HWND KVDialog::createChild(DWORD extendedStyle, const wchar_t* windowClass, const wchar_t* text, DWORD style, int x,
                           int y, int width, int height, HWND parentWindow, int controlId) {
  return CreateWindowExW(extendedStyle, windowClass, text, style, scale(x), scale(y), scale(width), scale(height),
                         parentWindow, reinterpret_cast<HMENU>(static_cast<INT_PTR>(controlId)), instance, nullptr);
}

void KVDialog::centerOnParent() {
  RECT own = {}, owner = {};
  GetWindowRect(window, &own);
  GetWindowRect(parent, &owner);
  const int width = own.right - own.left;
  const int height = own.bottom - own.top;
  const kvwindow::Point at = kvwindow::CenterOver(width, height, owner.left, owner.top, owner.right - owner.left,
                                                  owner.bottom - owner.top, GetSystemMetrics(SM_CXSCREEN),
                                                  GetSystemMetrics(SM_CYSCREEN));
  MoveWindow(window, at.x, at.y, width, height, FALSE);
}

std::string KVDialog::getWindowText(HWND control) const {
  if (!control) return {};
  const int length = GetWindowTextLengthW(control);
  kvtext::WideString text(static_cast<std::size_t>(length) + 1, L'\0');
  const int copied = GetWindowTextW(control, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
  return kvtext::WideToUtf8(text);
}

INT_PTR CALLBACK KVDialog::StaticDialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  KVDialog* self = nullptr;
  if (message == WM_INITDIALOG) {
    self = reinterpret_cast<KVDialog*>(lParam);
    if (self) {
      self->window = hwnd;
      SetWindowLongPtrW(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
      MoveWindow(hwnd, self->initialX, self->initialY, self->initialWidth, self->initialHeight, TRUE);
    }
  } else {
    self = reinterpret_cast<KVDialog*>(GetWindowLongPtrW(hwnd, DWLP_USER));
  }
  if (!self) return 0;
  try {
    self->messageHook(hwnd, message, wParam, lParam);
    return self->dialogProc(hwnd, message, wParam, lParam);
  } catch (...) {
    return 0;
  }
}
