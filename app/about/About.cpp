#include "app/about/About.h"

#include "app/about/AboutLicense.h"
#include "build/Version.h"
#include "common/Text.h"
#include "platform/Platform.h"

void KVAbout::Show(HWND owner) {
  KVAbout about;
  about.runModal(kStyle, 285, 98, owner);
}

INT_PTR KVAbout::dialogProc(HWND, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      onInitDialog();
      return 0;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDOK:
        case IDCANCEL:
          EndDialog(window, LOWORD(wParam));
          return 1;
        case kCreditsId:
          showCredits();
          return 1;
        default:
          return 0;
      }
    default:
      return 0;
  }
}

void KVAbout::onInitDialog() {
  SetWindowTextW(window, L"About KelVox Studio");
  const HWND version = createChild(0, L"Static", L"Version", WS_CHILD | WS_VISIBLE | SS_CENTER | SS_NOPREFIX, 15, 15,
                                   255, 15, window, kVersionId);
  const HWND copyright = createChild(0, L"Static", L"Copyright", WS_CHILD | WS_VISIBLE | SS_CENTER | SS_NOPREFIX, 15,
                                     35, 255, 15, window, kCopyrightId);
  const HWND credits = createChild(0, L"Button", L"&Credits", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 123, 64, 75, 25,
                                   window, kCreditsId);
  const HWND ok = createChild(0, L"Button", L"OK", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 201, 64, 75,
                              25, window, IDOK);
  for (const HWND control : {version, copyright, credits, ok}) {
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  }
  KVVersion own;
  if (own.ReadFromFile(executablePath.empty() ? kvplatform::ExecutablePath() : executablePath)) {
    SetWindowTextW(version, kvtext::Utf8ToWide(KVVersion::FormatVersion(own.fileVersion)).c_str());
    SetWindowTextW(copyright, kvtext::Utf8ToWide(own.GetLegalCopyright()).c_str());
  }
  centerOnParent();
  PostMessageW(window, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(ok), TRUE);
}

void KVAbout::showCredits() {
  const kvwin::Font textFont(CreateFontW(-scale(12), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, 0, 0, 0, 0, 0,
                                         L"Courier New"));
  KVAboutLicense credits(textFont.get());
  credits.runModal(kStyle, 640, 400, window);
}
