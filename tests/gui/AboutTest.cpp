// Help > About: the version and legal notice of the running executable, the credits with the
// licence texts of the shipped components, and both boxes closed by Escape.
#include <gtest/gtest.h>

#include <string>

#include "app/about/About.h"
#include "app/about/AboutLicense.h"
#include "build/Version.h"
#include "common/Text.h"
#include "platform/Platform.h"
#include "tests/common/TempFolder.h"
#include "tests/gui/Pump.h"

namespace {

struct Seen {
  std::wstring version;
  std::wstring copyright;
  std::wstring credits;
  LONG_PTR creditsStyle = 0;
  LRESULT firstVisibleLine = -1;
  bool creditsClosed = false;
};

Seen& Observed() {
  static Seen seen;
  return seen;
}

std::wstring TextOf(HWND control) {
  const int length = GetWindowTextLengthW(control);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  GetWindowTextW(control, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(length));
  return text;
}

// Reads the About box, opens the credits, reads them and closes both with Escape, each step
// once its box is up.
void DriveAboutBoxes() {
  Observed() = {};
  SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR timer, DWORD) {
    Seen& seen = Observed();
    if (const HWND credits = FindWindowW(L"#32770", L"KelVox Studio Credits"); credits && IsWindowVisible(credits)) {
      const HWND text = GetDlgItem(credits, KVAboutLicense::kTextId);
      seen.credits = TextOf(text);
      seen.creditsStyle = GetWindowLongPtrW(text, GWL_STYLE);
      seen.firstVisibleLine = SendMessageW(text, EM_GETFIRSTVISIBLELINE, 0, 0);
      seen.creditsClosed = true;
      PostMessageW(credits, WM_COMMAND, IDCANCEL, 0);
      return;
    }
    const HWND about = FindWindowW(L"#32770", L"About KelVox Studio");
    if (!about || !IsWindowVisible(about)) return;
    if (!seen.creditsClosed) {
      seen.version = TextOf(GetDlgItem(about, KVAbout::kVersionId));
      seen.copyright = TextOf(GetDlgItem(about, KVAbout::kCopyrightId));
      PostMessageW(about, WM_COMMAND, MAKEWPARAM(KVAbout::kCreditsId, BN_CLICKED), 0);
      return;
    }
    KillTimer(nullptr, timer);
    PostMessageW(about, WM_COMMAND, IDCANCEL, 0);
  });
}

TEST(About, ShowsTheVersionOfTheRunningExecutableAndTheCredits) {
  KVVersion own;
  ASSERT_TRUE(own.ReadFromFile(kvplatform::ExecutablePath())) << "the test program carries the IDE's resources";
  DriveAboutBoxes();
  KVAbout::Show(nullptr);
  const Seen& seen = Observed();
  EXPECT_EQ(kvtext::WideToUtf8(seen.version), KVVersion::FormatVersion(own.fileVersion));
  EXPECT_EQ(kvtext::WideToUtf8(seen.copyright), own.GetLegalCopyright());
  EXPECT_NE(seen.version, L"Version");
  EXPECT_FALSE(own.GetLegalCopyright().empty());

  ASSERT_TRUE(seen.creditsClosed);
  EXPECT_TRUE(seen.creditsStyle & ES_READONLY);
  EXPECT_TRUE(seen.creditsStyle & WS_VSCROLL);
  EXPECT_EQ(seen.firstVisibleLine, 0) << "the credits open at the top";
  const std::wstring rule(80, L'-');
  EXPECT_EQ(seen.credits.rfind(L"Scintilla\r\n" + rule + L"\r\n", 0), 0u);
  // Every shipped component, in order, each under its heading and rule.
  std::size_t at = 0;
  for (const wchar_t* heading : {L"Scintilla", L"Lexilla", L"libxml", L"liblzma", L"MinGW-w64 runtime"}) {
    const std::size_t found = seen.credits.find(std::wstring(heading) + L"\r\n" + rule + L"\r\n", at);
    ASSERT_NE(found, std::wstring::npos) << kvtext::WideToUtf8(heading);
    // Sections are parted by two empty lines.
    EXPECT_TRUE(found == 0 || (found >= 6 && seen.credits.compare(found - 6, 6, L"\r\n\r\n\r\n") == 0));
    at = found + 1;
  }
  // The published texts, not a summary.
  EXPECT_NE(seen.credits.find(L"Neil Hodgson"), std::wstring::npos);
  EXPECT_NE(seen.credits.find(L"Daniel Veillard"), std::wstring::npos);
  EXPECT_NE(seen.credits.find(L"liblzma is in the public domain."), std::wstring::npos);
  EXPECT_EQ(seen.credits.find(L"\n\n"), std::wstring::npos) << "lines end with CR LF";
}

TEST(About, AnExecutableWithoutVersionInformationShowsThePlainLabels) {
  kvtest::TempFolder folder;
  const std::string plain = folder / "plain.exe";
  kvtest::TempFolder::Write(plain, "MZ not really a program");
  DriveAboutBoxes();
  KVAbout about;
  about.executablePath = plain;
  about.runModal(KVAbout::kStyle, 285, 98, nullptr);
  EXPECT_EQ(Observed().version, L"Version");
  EXPECT_EQ(Observed().copyright, L"Copyright");
}

}  // namespace
