#include "app/about/AboutLicense.h"

#include "app/about/Credits.h"
#include "common/Text.h"

std::wstring KVAboutLicense::CreditsText() {
  const std::string_view utf8(reinterpret_cast<const char*>(kCreditsText), kCreditsTextSize);
  const kvtext::WideString wide = kvtext::Utf8ToWide(utf8);
  return std::wstring(wide.begin(), wide.end());
}

INT_PTR KVAboutLicense::dialogProc(HWND, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      onInitDialog();
      return 0;
    case kShowTopMessage:
      showTop();
      return 1;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
        EndDialog(window, LOWORD(wParam));
        return 1;
      }
      return 0;
    default:
      return 0;
  }
}

void KVAboutLicense::onInitDialog() {
  SetWindowTextW(window, L"KelVox Studio Credits");
  constexpr DWORD kTextStyle =
      WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP | ES_MULTILINE | ES_AUTOVSCROLL | ES_READONLY;
  const HWND text = createChild(0, L"Edit", L"", kTextStyle, 10, 10, 620, 347, window, kTextId);
  // The border is added afterwards so that the control draws it as a frame change.
  SetWindowLongPtrW(text, GWL_STYLE, kTextStyle | WS_BORDER);
  RECT place = {};
  GetWindowRect(text, &place);
  MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&place), 2);
  SetWindowPos(text, nullptr, place.left, place.top, place.right - place.left, place.bottom - place.top,
               SWP_FRAMECHANGED | SWP_NOACTIVATE | SWP_NOZORDER);
  SendMessageW(text, WM_SETFONT, reinterpret_cast<WPARAM>(textFont), FALSE);
  SetWindowTextW(text, CreditsText().c_str());
  const HWND ok = createChild(0, L"Button", L"OK", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 556, 366, 75,
                              25, window, IDOK);
  SendMessageW(ok, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  centerOnParent();
  PostMessageW(window, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(ok), TRUE);
  // Activating the box focuses the text first, which selects all of it and scrolls to its end.
  PostMessageW(window, kShowTopMessage, 0, 0);
}

void KVAboutLicense::showTop() {
  const HWND text = GetDlgItem(window, kTextId);
  SendMessageW(text, EM_SETSEL, 0, 0);
  SendMessageW(text, WM_VSCROLL, SB_TOP, 0);
}
