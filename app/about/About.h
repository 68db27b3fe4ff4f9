// KVAbout: Help > About. Shows the version number and the legal notice of the IDE's own
// version resource, with OK and a Credits button that opens the components' licence texts.
#pragma once

#include "app/framework/Framework.h"

class KVAbout : public KVDialog {
public:
  static constexpr int kCreditsId = 101;
  static constexpr int kVersionId = 102;
  static constexpr int kCopyrightId = 103;
  static constexpr DWORD kStyle = WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU;

  // Runs the box modal over owner.
  static void Show(HWND owner);

  INT_PTR dialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;

  // The executable whose version resource is shown: the running one unless a test says
  // otherwise.
  std::string executablePath;

private:
  void onInitDialog();
  void showCredits();
};
