// KVAboutLicense: the credits box, a read-only, scrollable text with the licence texts of the
// open-source components the IDE carries.
#pragma once

#include <string>

#include "app/framework/Framework.h"

class KVAboutLicense : public KVDialog {
public:
  static constexpr int kTextId = 102;
  // Posted to itself: the text is shown from its top once the box is active.
  static constexpr UINT kShowTopMessage = WM_APP + 1;

  explicit KVAboutLicense(HFONT textFont) : textFont(textFont) {}

  INT_PTR dialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;

  // The credits as UTF-16 with CR LF line ends, as the box shows them.
  static std::wstring CreditsText();

private:
  void onInitDialog();
  void showTop();

  HFONT textFont;
};
