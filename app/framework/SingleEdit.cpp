#include "app/framework/SingleEdit.h"

#include "common/Text.h"

INT_PTR DlgSingleEdit::run(const std::string& prompt, HWND parentWindow) {
  caption = prompt;
  text.clear();
  editWindow = nullptr;
  return runModal(WS_VISIBLE | WS_CAPTION | WS_SYSMENU, 300, 73, parentWindow);
}

INT_PTR DlgSingleEdit::dialogProc(HWND, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      onInitDialog();
      return 0;  // the focus is already in the edit control
    case WM_COMMAND:
      return onCommand(LOWORD(wParam));
    default:
      return 0;
  }
}

void DlgSingleEdit::onInitDialog() {
  SetWindowTextW(window, kvtext::Utf8ToWide(caption).c_str());
  centerOnParent();
  constexpr DWORD kControl = WS_CHILD | WS_VISIBLE | WS_TABSTOP;
  // No ES_AUTOHSCROLL: typing stops when the text fills the box.
  editWindow = createChild(0, L"Edit", L"", kControl | WS_BORDER, 10, 10, 280, 20, window, kEditId);
  const HWND ok = createChild(0, L"Button", L"OK", kControl, 138, 39, 75, 25, window, IDOK);
  const HWND cancel = createChild(0, L"Button", L"Cancel", kControl, 216, 39, 75, 25, window, IDCANCEL);
  for (const HWND control : {editWindow, ok, cancel}) {
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  }
  SendMessageW(window, DM_SETDEFID, IDOK, 0);
  SendMessageW(window, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(editWindow), TRUE);
}

INT_PTR DlgSingleEdit::onCommand(int id) {
  switch (id) {
    case IDOK:
      text = getWindowText(editWindow);
      EndDialog(window, 1);
      return 1;
    case IDCANCEL:
      EndDialog(window, 2);
      return 1;
    default:
      return 0;
  }
}
