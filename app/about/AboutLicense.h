// KVAboutLicense: the credits box, a read-only, scrollable text with the licence texts of the
// open-source components the IDE carries.
#pragma once

#include <string>

#include "app/framework/Framework.h"

class KVAboutLicense : public KVDialog {
public:
  static constexpr int kTextId = 102;

  explicit KVAboutLicense(HFONT textFont) : textFont(textFont) {}

  INT_PTR dialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;

  // The credits as UTF-16 with CR LF line ends, as the box shows them.
  static std::wstring CreditsText();

private:
  void onInitDialog();

  HFONT textFont;
};
