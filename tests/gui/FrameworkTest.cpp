// The window framework under the real platform: object attachment, the one-line prompt and
// the scroll dialog's bars.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "app/framework/Framework.h"
#include "common/Text.h"

namespace {

class RecordingWindow : public KVWindow {
public:
  RecordingWindow() { className = "KVRecordingWindow"; }
  LRESULT windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override {
    seen.push_back(message);
    return KVWindow::windowProc(hwnd, message, wParam, lParam);
  }
  std::vector<UINT> seen;
};

TEST(Framework, WindowObjectIsAttachedFromNonClientCreationOn) {
  RecordingWindow object;
  const HWND hwnd = object.create("Recording", 0, 0);
  ASSERT_NE(hwnd, nullptr);
  EXPECT_EQ(object.window, hwnd);
  // WM_GETMINMAXINFO comes before WM_NCCREATE and reaches the default procedure only.
  ASSERT_FALSE(object.seen.empty());
  EXPECT_EQ(object.seen.front(), static_cast<UINT>(WM_NCCREATE));
  EXPECT_EQ(reinterpret_cast<RecordingWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA)), &object);
  EXPECT_EQ(object.dpi, static_cast<int>(GetDpiForSystem()));
  DestroyWindow(hwnd);
}

// Runs the prompt and, once it is up, types into it and presses a button.
class ScriptedPrompt : public DlgSingleEdit {
public:
  static constexpr UINT kScript = WM_APP + 1;

  ScriptedPrompt(std::wstring typed, int button) : typed(std::move(typed)), button(button) {}

  INT_PTR dialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_INITDIALOG) PostMessageW(hwnd, kScript, 0, 0);
    if (message == kScript) {
      focusOnEdit = GetFocus() == editWindow;
      GetWindowRect(editWindow, &editRect);
      MapWindowPoints(HWND_DESKTOP, hwnd, reinterpret_cast<POINT*>(&editRect), 2);
      defaultButton = LOWORD(SendMessageW(hwnd, DM_GETDEFID, 0, 0));
      SetWindowTextW(editWindow, typed.c_str());
      PostMessageW(hwnd, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
      return TRUE;
    }
    return DlgSingleEdit::dialogProc(hwnd, message, wParam, lParam);
  }

  std::wstring typed;
  int button;
  bool focusOnEdit = false;
  RECT editRect = {};
  int defaultButton = 0;
};

TEST(Framework, PromptReturnsTheTextExactlyAsTyped) {
  ScriptedPrompt prompt(L"  My App \x00e9  ", IDOK);
  EXPECT_EQ(prompt.run("Project Name", nullptr), 1);
  EXPECT_EQ(prompt.text, "  My App \xC3\xA9  ");
  EXPECT_TRUE(prompt.focusOnEdit);
  EXPECT_EQ(prompt.defaultButton, IDOK);
}

TEST(Framework, CancelledPromptLeavesTheTextEmpty) {
  ScriptedPrompt prompt(L"ignored", IDCANCEL);
  EXPECT_EQ(prompt.run("Source File Name", nullptr), 2);
  EXPECT_EQ(prompt.text, "");
}

// The prompt's layout follows the DPI rule; the test also runs in a prefix set to 144 DPI.
TEST(FrameworkDpi, PromptControlsAreScaledByTheSystemDpi) {
  ScriptedPrompt prompt(L"", IDOK);
  ASSERT_EQ(prompt.run("Dialog Window Name", nullptr), 1);
  const int dpi = static_cast<int>(GetDpiForSystem());
  EXPECT_EQ(prompt.dpi, dpi);
  if (const char* expected = std::getenv("KV_EXPECTED_DPI")) {
    EXPECT_EQ(dpi, std::atoi(expected));
  }
  EXPECT_EQ(prompt.editRect.left, MulDiv(10, dpi, 96));
  EXPECT_EQ(prompt.editRect.top, MulDiv(10, dpi, 96));
  EXPECT_EQ(prompt.editRect.right - prompt.editRect.left, MulDiv(280, dpi, 96));
  EXPECT_EQ(prompt.editRect.bottom - prompt.editRect.top, MulDiv(20, dpi, 96));
  if (dpi == 144) {
    EXPECT_EQ(prompt.editRect.left, 15);
    EXPECT_EQ(prompt.editRect.right - prompt.editRect.left, 420);
    EXPECT_EQ(prompt.editRect.bottom - prompt.editRect.top, 30);
  }
}

class ScrollingPane : public KVScrollDialog {
public:
  bool open(int contentW, int contentH) {
    contentWidth = contentW;
    contentHeight = contentH;
    // A borderless pane, so that the window and client sizes agree before bars appear.
    return createModeless(0, WS_POPUP | WS_VISIBLE, 50, 50, 300, 200, nullptr);
  }
  ~ScrollingPane() override {
    if (window) DestroyWindow(window);
  }
  bool barShown(LONG_PTR bit) const { return (GetWindowLongPtrW(window, GWL_STYLE) & bit) != 0; }
  int position(int bar) const { return GetScrollPos(window, bar); }
};

TEST(Framework, ScrollBarsAppearOnlyForContentThatDoesNotFit) {
  ScrollingPane fits;
  ASSERT_TRUE(fits.open(300, 200));
  fits.updateScrollBars();
  EXPECT_FALSE(fits.barShown(WS_HSCROLL));
  EXPECT_FALSE(fits.barShown(WS_VSCROLL));

  ScrollingPane wider;
  ASSERT_TRUE(wider.open(301, 200 - wider.horizontalBarHeight / 2));
  wider.updateScrollBars();
  EXPECT_TRUE(wider.barShown(WS_HSCROLL));
  EXPECT_TRUE(wider.barShown(WS_VSCROLL));  // the horizontal bar took the room the content needed

  ScrollingPane lower;
  ASSERT_TRUE(lower.open(301, 100));
  lower.updateScrollBars();
  EXPECT_TRUE(lower.barShown(WS_HSCROLL));
  EXPECT_FALSE(lower.barShown(WS_VSCROLL));
}

TEST(Framework, ScrollRequestsMoveTheContentWithinItsRange) {
  ScrollingPane pane;
  ASSERT_TRUE(pane.open(300, 1000));
  pane.updateScrollBars();
  SendMessageW(pane.window, WM_VSCROLL, SB_LINEDOWN, 0);
  EXPECT_EQ(pane.position(SB_VERT), 20);
  SendMessageW(pane.window, WM_VSCROLL, SB_THUMBTRACK, 0);
  EXPECT_EQ(pane.position(SB_VERT), 20);  // dragging moves nothing until the thumb is released

  SetScrollPos(pane.window, SB_VERT, 5, TRUE);
  SendMessageW(pane.window, WM_VSCROLL, SB_LINEUP, 0);
  EXPECT_EQ(pane.position(SB_VERT), 0);  // not -15

  SendMessageW(pane.window, WM_VSCROLL, SB_BOTTOM, 0);
  SCROLLINFO info = {};
  info.cbSize = sizeof(info);
  info.fMask = SIF_ALL;
  GetScrollInfo(pane.window, SB_VERT, &info);
  EXPECT_EQ(info.nPos, info.nMax - static_cast<int>(info.nPage) + 1);

  // Growing the window until everything fits takes the bar away and scrolls back to the top.
  SetWindowPos(pane.window, nullptr, 0, 0, 340, 1100, SWP_NOMOVE | SWP_NOZORDER);
  EXPECT_FALSE(pane.barShown(WS_VSCROLL));
  EXPECT_EQ(pane.position(SB_VERT), 0);
}

}  // namespace
