// The window framework under the real platform, driven in-process by messages: attaching
// objects to windows, dialog creation, the one-line prompt and the scroll dialog.
#include "app/framework/Framework.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <iterator>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "app/framework/DialogTemplate.h"
#include "tests/gui/Pump.h"

namespace {

using kvtest::Pump;

constexpr UINT kScript = WM_APP + 1;
constexpr UINT kThrow = WM_APP + 2;
constexpr UINT_PTR kGiveUpTimer = 77;
constexpr INT_PTR kGaveUp = -2;

// A rectangle as position and size, which is how the layout numbers are written.
struct Box {
  int x, y, width, height;
  bool operator==(const Box& o) const { return x == o.x && y == o.y && width == o.width && height == o.height; }
};

std::ostream& operator<<(std::ostream& out, const Box& b) {
  return out << "(" << b.x << ", " << b.y << ") " << b.width << " x " << b.height;
}

Box At(int x, int y, int width, int height) { return {x, y, width, height}; }
Box BoxOf(const RECT& r) { return At(r.left, r.top, r.right - r.left, r.bottom - r.top); }

// A child's rectangle in its parent's client coordinates.
Box ChildRect(HWND child) {
  RECT rect = {};
  GetWindowRect(child, &rect);
  MapWindowPoints(HWND_DESKTOP, GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
  return BoxOf(rect);
}

std::wstring ClassOf(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return name;
}

std::wstring TextOf(HWND window) {
  wchar_t text[256] = {};
  GetWindowTextW(window, text, 256);
  return text;
}

// Types text into a control as the keyboard would, through the dialog's message loop.
void Type(HWND control, const std::wstring& text) {
  for (const wchar_t c : text) PostMessageW(control, WM_CHAR, c, 1);
}

void Press(HWND control, UINT key) {
  PostMessageW(control, WM_KEYDOWN, key, 1);
  PostMessageW(control, WM_KEYUP, key, 0xC0000001);
}

// Records the style each child window was asked for, before its class adjusts it (the edit
// control, for one, takes WS_BORDER away and draws the border itself).
class CreationRecorder {
public:
  CreationRecorder() {
    styles().clear();
    hook = SetWindowsHookExW(WH_CBT, Record, nullptr, GetCurrentThreadId());
  }
  ~CreationRecorder() { UnhookWindowsHookEx(hook); }
  CreationRecorder(const CreationRecorder&) = delete;
  CreationRecorder& operator=(const CreationRecorder&) = delete;

  LONG_PTR styleOf(int id) const {
    for (const auto& [childId, style] : styles()) {
      if (childId == id) return style;
    }
    return -1;
  }

private:
  static std::vector<std::pair<int, LONG_PTR>>& styles() {
    static std::vector<std::pair<int, LONG_PTR>> recorded;
    return recorded;
  }
  static LRESULT CALLBACK Record(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND) {
      const CREATESTRUCTW* creation = reinterpret_cast<const CBT_CREATEWNDW*>(lParam)->lpcs;
      if (creation->style & WS_CHILD) {
        styles().emplace_back(static_cast<int>(reinterpret_cast<INT_PTR>(creation->hMenu)), creation->style);
      }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
  }

  HHOOK hook;
};

// ---------------------------------------------------------------------------------------
// Attaching objects to windows

class RecordingWindow : public KVWindow {
public:
  RecordingWindow() { className = "KVTestRecordingWindow"; }
  LRESULT windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override {
    seen.push_back(message);
    if (message == kThrow) throw std::runtime_error("handler failed");
    return KVWindow::windowProc(hwnd, message, wParam, lParam);
  }
  std::vector<UINT> seen;
};

TEST(FrameworkAttach, WindowObjectIsAttachedFromNonClientCreationOn) {
  RecordingWindow object;
  const HWND hwnd = object.create("Recording", 0, 0);
  ASSERT_NE(hwnd, nullptr);
  EXPECT_EQ(object.window, hwnd);
  EXPECT_EQ(GetWindowLongPtrW(hwnd, GWLP_USERDATA), reinterpret_cast<LONG_PTR>(&object));
  // WM_GETMINMAXINFO comes before WM_NCCREATE and reaches only the default procedure.
  ASSERT_FALSE(object.seen.empty());
  EXPECT_EQ(object.seen.front(), static_cast<UINT>(WM_NCCREATE));
  EXPECT_EQ(TextOf(hwnd), L"Recording");
  EXPECT_EQ(object.dpi, static_cast<int>(GetDpiForSystem()));
  DestroyWindow(hwnd);
}

TEST(FrameworkAttach, WindowOfTheClassWithoutObjectGetsDefaultHandling) {
  RecordingWindow owner;
  ASSERT_TRUE(owner.registerClass(0, 0));
  ASSERT_TRUE(owner.registerClass(0, 0));  // a second registration finds the class
  const HWND hwnd = CreateWindowExW(0, L"KVTestRecordingWindow", L"plain", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100,
                                    nullptr, nullptr, owner.instance, nullptr);
  ASSERT_NE(hwnd, nullptr);
  EXPECT_EQ(GetWindowLongPtrW(hwnd, GWLP_USERDATA), 0);
  SetWindowTextW(hwnd, L"still works");
  EXPECT_EQ(TextOf(hwnd), L"still works");
  MINMAXINFO limits = {};
  SendMessageW(hwnd, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
  EXPECT_TRUE(owner.seen.empty());
  DestroyWindow(hwnd);
}

TEST(FrameworkAttach, ObjectWithoutClassNameCreatesNoWindow) {
  KVWindow nameless;
  EXPECT_FALSE(nameless.registerClass(0, 0));
  EXPECT_EQ(nameless.create("nameless", 0, 0), nullptr);
  EXPECT_EQ(nameless.window, nullptr);
}

TEST(FrameworkAttach, DialogMessagesWithoutObjectAreLeftToTheDialogManager) {
  const DialogTemplate made(GetProcessHeap(), WS_POPUP, 0);
  ASSERT_NE(made.get(), nullptr);
  const HWND hwnd = CreateDialogIndirectParamW(nullptr, made.get(), nullptr, KVDialog::StaticDialogProc, 0);
  ASSERT_NE(hwnd, nullptr);
  EXPECT_EQ(GetWindowLongPtrW(hwnd, DWLP_USER), 0);
  EXPECT_EQ(KVDialog::StaticDialogProc(hwnd, WM_COMMAND, IDOK, 0), 0);
  EXPECT_EQ(KVDialog::StaticDialogProc(hwnd, WM_SIZE, 0, 0), 0);
  DestroyWindow(hwnd);
}

class ThrowingDialog : public KVDialog {
public:
  INT_PTR dialogProc(HWND, UINT message, WPARAM, LPARAM) override {
    if (message == kThrow) throw std::runtime_error("handler failed");
    return message == WM_APP ? 5 : 0;
  }
  void messageHook(HWND, UINT message, WPARAM wParam, LPARAM) override {
    if (message == WM_APP && wParam == 1) throw std::logic_error("hook failed");
  }
};

TEST(FrameworkAttach, ExceptionsStopAtTheWindowProcedures) {
  RecordingWindow window;
  ASSERT_NE(window.create("throwing", 0, 0), nullptr);
  EXPECT_EQ(SendMessageW(window.window, kThrow, 0, 0), 0);
  EXPECT_TRUE(IsWindow(window.window));
  DestroyWindow(window.window);

  ThrowingDialog dialog;
  ASSERT_TRUE(dialog.createModeless(0, WS_POPUP, 0, 0, 100, 100, nullptr));
  EXPECT_EQ(KVDialog::StaticDialogProc(dialog.window, WM_APP, 0, 0), 5);
  EXPECT_EQ(KVDialog::StaticDialogProc(dialog.window, kThrow, 0, 0), 0);
  EXPECT_EQ(KVDialog::StaticDialogProc(dialog.window, WM_APP, 1, 0), 0);
  EXPECT_TRUE(IsWindow(dialog.window));
  DestroyWindow(dialog.window);
}

TEST(FrameworkAttach, ObjectDeletedBeforeItsWindowLeavesNoDanglingPointer) {
  auto window = std::make_unique<RecordingWindow>();
  const HWND plain = window->create("outlived", 0, 0);
  ASSERT_NE(plain, nullptr);
  window.reset();
  EXPECT_EQ(GetWindowLongPtrW(plain, GWLP_USERDATA), 0);
  SetWindowTextW(plain, L"after");  // reaches the default procedure only
  EXPECT_EQ(TextOf(plain), L"after");
  DestroyWindow(plain);

  auto dialog = std::make_unique<ThrowingDialog>();
  ASSERT_TRUE(dialog->createModeless(0, WS_POPUP, 0, 0, 100, 100, nullptr));
  const HWND box = dialog->window;
  dialog.reset();
  EXPECT_EQ(GetWindowLongPtrW(box, DWLP_USER), 0);
  EXPECT_EQ(SendMessageW(box, WM_APP, 0, 0), 0);
  DestroyWindow(box);
}

// ---------------------------------------------------------------------------------------
// Creating dialogs

class InitRecordingDialog : public KVDialog {
public:
  INT_PTR dialogProc(HWND hwnd, UINT message, WPARAM, LPARAM) override {
    if (message == WM_INITDIALOG) {
      windowAtInit = window;
      GetWindowRect(hwnd, &rectAtInit);
      if (dialogTemplate) templateAtInit = *dialogTemplate;
    }
    return 0;
  }
  HWND windowAtInit = nullptr;
  RECT rectAtInit = {};
  DLGTEMPLATE templateAtInit = {};
};

TEST(FrameworkDialog, ModelessDialogTakesItsStylesAndRectangleAsGiven) {
  InitRecordingDialog dialog;
  dialog.extraStyle = WS_CLIPCHILDREN;
  dialog.extraExStyle = WS_EX_CONTROLPARENT;
  dialog.dpi = 144;  // the rectangle is in device pixels and is not scaled
  ASSERT_TRUE(dialog.createModeless(WS_EX_TOOLWINDOW, WS_POPUP | WS_VISIBLE, 40, 30, 200, 100, nullptr));
  EXPECT_EQ(dialog.windowAtInit, dialog.window);
  EXPECT_EQ(BoxOf(dialog.rectAtInit), At(40, 30, 200, 100));
  EXPECT_EQ(dialog.templateAtInit.style, static_cast<DWORD>(WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN));
  EXPECT_EQ(dialog.templateAtInit.dwExtendedStyle, static_cast<DWORD>(WS_EX_TOOLWINDOW | WS_EX_CONTROLPARENT));
  EXPECT_EQ(dialog.dialogTemplate, nullptr);  // freed once the window exists

  const LONG_PTR style = GetWindowLongPtrW(dialog.window, GWL_STYLE);
  const LONG_PTR exStyle = GetWindowLongPtrW(dialog.window, GWL_EXSTYLE);
  EXPECT_EQ(style & (WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN), WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN);
  EXPECT_EQ(exStyle & (WS_EX_TOOLWINDOW | WS_EX_CONTROLPARENT), WS_EX_TOOLWINDOW | WS_EX_CONTROLPARENT);
  DestroyWindow(dialog.window);
}

TEST(FrameworkDialog, TemplateIsTwentyFourBytesFromTheGivenHeap) {
  const DialogTemplate made(GetProcessHeap(), WS_POPUP | WS_CAPTION, WS_EX_DLGMODALFRAME);
  ASSERT_NE(made.get(), nullptr);
  EXPECT_EQ(HeapSize(GetProcessHeap(), 0, made.get()), DialogTemplate::kSize);
  const DLGTEMPLATE& header = *made.get();
  EXPECT_EQ(header.style, static_cast<DWORD>(WS_POPUP | WS_CAPTION));
  EXPECT_EQ(header.dwExtendedStyle, static_cast<DWORD>(WS_EX_DLGMODALFRAME));
  EXPECT_EQ(header.cdit, 0);
  // Menu, class and title: zero words.
  const auto* words = reinterpret_cast<const WORD*>(reinterpret_cast<const BYTE*>(made.get()) + sizeof(DLGTEMPLATE));
  EXPECT_EQ(words[0] | words[1] | words[2], 0);

  const DialogTemplate without(nullptr, WS_POPUP, 0);
  EXPECT_EQ(without.get(), nullptr);
}

TEST(FrameworkDialog, CreationFailsWithoutATemplate) {
  InitRecordingDialog dialog;
  dialog.heap = nullptr;
  EXPECT_FALSE(dialog.createModeless(0, WS_POPUP, 0, 0, 100, 100, nullptr));
  EXPECT_EQ(dialog.runModal(WS_POPUP | WS_CAPTION, 100, 100, nullptr), 0);
  EXPECT_EQ(dialog.window, nullptr);
}

// A modal dialog that records itself once it is up and then ends with a fixed value.
class MeasuredModal : public KVDialog {
public:
  INT_PTR dialogProc(HWND hwnd, UINT message, WPARAM, LPARAM) override {
    if (message == WM_INITDIALOG) PostMessageW(hwnd, kScript, 0, 0);
    if (message != kScript) return 0;
    GetClientRect(hwnd, &client);
    exStyle = GetWindowLongPtrW(hwnd, GWL_EXSTYLE);
    EndDialog(hwnd, 7);
    return 1;
  }
  RECT client = {};
  LONG_PTR exStyle = 0;
};

TEST(FrameworkDialog, ModalDialogHasTheClientSizeAskedForAndReturnsItsEndValue) {
  MeasuredModal dialog;
  if (dialog.dpi != 96) GTEST_SKIP() << "AdjustWindowRectExForDpi matches the frame Wine draws only at 96 DPI";
  EXPECT_EQ(dialog.runModal(WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE, 300, 73, nullptr), 7);
  EXPECT_EQ(BoxOf(dialog.client), At(0, 0, 300, 73));
  EXPECT_NE(dialog.exStyle & WS_EX_DLGMODALFRAME, 0);
}

// ---------------------------------------------------------------------------------------
// The one-line prompt

// Runs the prompt; once it is up, records what it shows and plays the script.
class ScriptedPrompt : public DlgSingleEdit {
public:
  using Script = std::function<void(ScriptedPrompt&)>;
  explicit ScriptedPrompt(Script script = nullptr) : script(std::move(script)) {}

  INT_PTR dialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_INITDIALOG) {
      SetTimer(hwnd, kGiveUpTimer, 5000, nullptr);  // a script that ends nothing fails, not hangs
      PostMessageW(hwnd, kScript, 0, 0);
    } else if (message == WM_TIMER && wParam == kGiveUpTimer) {
      EndDialog(hwnd, kGaveUp);
      return 1;
    } else if (message == kScript) {
      record();
      if (script) {
        script(*this);
      } else {
        PostMessageW(hwnd, WM_COMMAND, IDOK, 0);
      }
      return 1;
    }
    return DlgSingleEdit::dialogProc(hwnd, message, wParam, lParam);
  }

  HWND control(int id) const { return GetDlgItem(window, id); }

  struct Control {
    int id;
    std::wstring className, text;
    Box rect;
    HFONT font;
  };

  Script script;
  bool focusOnEdit = false;
  int defaultButton = 0;
  std::wstring title;
  RECT frame = {};
  std::vector<Control> controls;

private:
  void record() {
    focusOnEdit = GetFocus() == editWindow;
    defaultButton = LOWORD(SendMessageW(window, DM_GETDEFID, 0, 0));
    title = TextOf(window);
    GetWindowRect(window, &frame);
    controls.clear();
    for (const int id : {kEditId, IDOK, IDCANCEL}) {
      const HWND child = control(id);
      controls.push_back({id, ClassOf(child), TextOf(child), ChildRect(child),
                          reinterpret_cast<HFONT>(SendMessageW(child, WM_GETFONT, 0, 0))});
    }
  }
};

struct ExpectedControl {
  int id;
  const wchar_t* className;
  const wchar_t* text;
  LONG_PTR style;
  Box at96, at144;
};

const ExpectedControl kPromptControls[] = {
    {DlgSingleEdit::kEditId, L"Edit", L"", 0x50810000, At(10, 10, 280, 20), At(15, 15, 420, 30)},
    {IDOK, L"Button", L"OK", 0x50010000, At(138, 39, 75, 25), At(207, 59, 113, 38)},
    {IDCANCEL, L"Button", L"Cancel", 0x50010000, At(216, 39, 75, 25), At(324, 59, 113, 38)},
};

TEST(FrameworkPrompt, ShowsItsCaptionAndControlsWithTheFocusInTheEditBox) {
  const CreationRecorder requested;
  ScriptedPrompt prompt;
  ASSERT_EQ(prompt.run("Project Name", nullptr), 1);
  EXPECT_EQ(prompt.title, L"Project Name");
  EXPECT_TRUE(prompt.focusOnEdit);
  EXPECT_EQ(prompt.defaultButton, IDOK);
  ASSERT_EQ(prompt.controls.size(), std::size(kPromptControls));
  for (std::size_t i = 0; i < prompt.controls.size(); ++i) {
    const auto& seen = prompt.controls[i];
    const ExpectedControl& expected = kPromptControls[i];
    EXPECT_EQ(seen.className, expected.className) << expected.id;
    EXPECT_EQ(seen.text, expected.text) << expected.id;
    EXPECT_EQ(requested.styleOf(expected.id), expected.style) << expected.id;
    EXPECT_EQ(seen.font, prompt.font) << expected.id;
    if (prompt.dpi == 96) {
      EXPECT_EQ(seen.rect, expected.at96) << expected.id;
    }
  }
}

TEST(FrameworkPrompt, ControlsFollowTheDpiRule) {
  ScriptedPrompt prompt;
  prompt.dpi = 144;  // as if the system had been at 144 DPI when the object was built
  ASSERT_EQ(prompt.run("Project Name", nullptr), 1);
  ASSERT_EQ(prompt.controls.size(), std::size(kPromptControls));
  for (std::size_t i = 0; i < prompt.controls.size(); ++i) {
    EXPECT_EQ(prompt.controls[i].rect, kPromptControls[i].at144) << kPromptControls[i].id;
  }
}

TEST(FrameworkPrompt, EndsAsTheUserEndsIt) {
  const std::wstring typed = L"  My App \x00e9  ";
  const std::string typedUtf8 = "  My App \xC3\xA9  ";
  struct Row {
    const char* how;
    std::function<void(ScriptedPrompt&)> end;
    INT_PTR result;
    std::string text;
  };
  const Row rows[] = {
      {"Enter", [](ScriptedPrompt& p) { Press(p.editWindow, VK_RETURN); }, 1, typedUtf8},
      {"OK button", [](ScriptedPrompt& p) { PostMessageW(p.control(IDOK), BM_CLICK, 0, 0); }, 1, typedUtf8},
      {"Escape", [](ScriptedPrompt& p) { Press(p.editWindow, VK_ESCAPE); }, 2, ""},
      {"Cancel button", [](ScriptedPrompt& p) { PostMessageW(p.control(IDCANCEL), BM_CLICK, 0, 0); }, 2, ""},
      {"close box", [](ScriptedPrompt& p) { PostMessageW(p.window, WM_SYSCOMMAND, SC_CLOSE, 0); }, 2, ""},
  };
  for (const Row& row : rows) {
    ScriptedPrompt prompt([&](ScriptedPrompt& p) {
      Type(p.editWindow, typed);
      row.end(p);
    });
    prompt.text = "from an earlier run";
    EXPECT_EQ(prompt.run("Source File Name", nullptr), row.result) << row.how;
    EXPECT_EQ(prompt.text, row.text) << row.how;
  }
}

// A parent window at a known place for the prompt to centre over.
class ParentWindow : public KVWindow {
public:
  ParentWindow() { className = "KVTestParentWindow"; }
};

TEST(FrameworkPrompt, IsCentredOverItsParent) {
  ParentWindow parent;
  ASSERT_NE(parent.create("parent", 0, 0), nullptr);
  SetWindowPos(parent.window, nullptr, 100, 120, 700, 500, SWP_NOZORDER | SWP_SHOWWINDOW);
  ScriptedPrompt prompt;
  ASSERT_EQ(prompt.run("Dialog Window Name", parent.window), 1);
  EXPECT_EQ(prompt.parent, parent.window);
  const int width = prompt.frame.right - prompt.frame.left;
  const int height = prompt.frame.bottom - prompt.frame.top;
  EXPECT_EQ(prompt.frame.left, 100 + (700 - width) / 2);
  EXPECT_EQ(prompt.frame.top, 120 + (500 - height) / 2);
  DestroyWindow(parent.window);

  ScriptedPrompt alone;  // without a parent it is centred on the screen
  ASSERT_EQ(alone.run("Project Name", nullptr), 1);
  EXPECT_EQ(alone.frame.left, (GetSystemMetrics(SM_CXSCREEN) - (alone.frame.right - alone.frame.left)) / 2);
  EXPECT_EQ(alone.frame.top, (GetSystemMetrics(SM_CYSCREEN) - (alone.frame.bottom - alone.frame.top)) / 2);
}

// Run once more by the test list with the system set to 144 DPI (KV_EXPECTED_DPI).
TEST(FrameworkDpi, ObjectsTakeTheSystemDpiAndScaleByIt) {
  const int dpi = static_cast<int>(GetDpiForSystem());
  if (const char* expected = std::getenv("KV_EXPECTED_DPI")) {
    ASSERT_EQ(dpi, std::atoi(expected));
  }
  ScriptedPrompt prompt;
  EXPECT_EQ(prompt.dpi, dpi);
  ASSERT_EQ(prompt.run("Project Name", nullptr), 1);
  ASSERT_FALSE(prompt.controls.empty());
  EXPECT_EQ(prompt.controls[0].rect, At(MulDiv(10, dpi, 96), MulDiv(10, dpi, 96), MulDiv(280, dpi, 96),
                                          MulDiv(20, dpi, 96)));
  if (dpi == 144) {
    EXPECT_EQ(prompt.controls[0].rect, kPromptControls[0].at144);
  }
}

// ---------------------------------------------------------------------------------------
// The scroll dialog

// A borderless pane, so that window and client sizes agree before bars appear, with a
// marker child at (0, 100) that shows where the content has moved.
class ScrollingPane : public KVScrollDialog {
public:
  static constexpr int kWidth = 300;
  static constexpr int kHeight = 200;
  static constexpr int kMarkerY = 100;

  ~ScrollingPane() override {
    if (window) DestroyWindow(window);
  }
  bool open(int contentW, int contentH) {
    contentWidth = contentW;
    contentHeight = contentH;
    return createModeless(0, WS_POPUP | WS_VISIBLE, 50, 50, kWidth, kHeight, nullptr);
  }
  INT_PTR dialogProc(HWND hwnd, UINT message, WPARAM, LPARAM) override {
    if (message == WM_INITDIALOG) {
      marker = CreateWindowExW(0, L"Static", L"", WS_CHILD | WS_VISIBLE, 0, kMarkerY, 10, 10, hwnd, nullptr,
                               instance, nullptr);
    }
    return 0;
  }
  bool barShown(LONG_PTR bit) const { return (GetWindowLongPtrW(window, GWL_STYLE) & bit) != 0; }
  int position(int bar) const { return GetScrollPos(window, bar); }
  POINT markerAt() const {
    const Box b = ChildRect(marker);
    return {b.x, b.y};
  }

  HWND marker = nullptr;
};

TEST(FrameworkScroll, BarsAppearOnlyForContentThatDoesNotFit) {
  struct Row { const char* what; int contentW; int contentH; bool horizontal; bool vertical; };
  const int halfBar = GetSystemMetrics(SM_CYHSCROLL) / 2;
  const Row rows[] = {
      {"fits exactly", 300, 200, false, false},
      {"one pixel wider, low enough", 301, 100, true, false},
      {"one pixel wider, too tall once the bar is in", 301, 200 - halfBar, true, true},
      {"one pixel taller", 250, 201, false, true},
      {"larger both ways", 600, 600, true, true},
  };
  for (const Row& row : rows) {
    ScrollingPane pane;
    ASSERT_TRUE(pane.open(row.contentW, row.contentH)) << row.what;
    EXPECT_EQ(pane.barShown(WS_HSCROLL), row.horizontal) << row.what;
    EXPECT_EQ(pane.barShown(WS_VSCROLL), row.vertical) << row.what;
    EXPECT_EQ(pane.position(SB_HORZ), 0) << row.what;
    EXPECT_EQ(pane.position(SB_VERT), 0) << row.what;
  }
}

TEST(FrameworkScroll, ContentThatComesToFitScrollsBackAndLosesItsBars) {
  ScrollingPane pane;
  ASSERT_TRUE(pane.open(1000, 1000));
  SendMessageW(pane.window, WM_HSCROLL, SB_RIGHT, 0);
  SendMessageW(pane.window, WM_VSCROLL, SB_BOTTOM, 0);
  ASSERT_GT(pane.position(SB_HORZ), 0);
  ASSERT_GT(pane.position(SB_VERT), 0);

  pane.contentWidth = 300;
  pane.contentHeight = 200;
  pane.updateScrollBars();
  EXPECT_FALSE(pane.barShown(WS_HSCROLL));
  EXPECT_FALSE(pane.barShown(WS_VSCROLL));
  EXPECT_EQ(pane.position(SB_HORZ), 0);
  EXPECT_EQ(pane.position(SB_VERT), 0);
  EXPECT_EQ(pane.markerAt().x, 0);
  EXPECT_EQ(pane.markerAt().y, ScrollingPane::kMarkerY);
}

TEST(FrameworkScroll, GrowingTheWindowUntilTheContentFitsTakesTheBarsAway) {
  ScrollingPane pane;
  ASSERT_TRUE(pane.open(300, 1000));
  SendMessageW(pane.window, WM_VSCROLL, SB_PAGEDOWN, 0);
  ASSERT_GT(pane.position(SB_VERT), 0);
  SetWindowPos(pane.window, nullptr, 0, 0, 300, 1000, SWP_NOMOVE | SWP_NOZORDER);
  EXPECT_FALSE(pane.barShown(WS_VSCROLL));
  EXPECT_EQ(pane.position(SB_VERT), 0);
  EXPECT_EQ(pane.markerAt().y, ScrollingPane::kMarkerY);
}

TEST(FrameworkScroll, RequestsMoveTheContentWithinItsRange) {
  ScrollingPane pane;
  ASSERT_TRUE(pane.open(1000, 1000));
  ASSERT_TRUE(pane.barShown(WS_HSCROLL) && pane.barShown(WS_VSCROLL));
  RECT client = {};
  GetClientRect(pane.window, &client);
  const int pageW = client.right;
  const int pageH = client.bottom;

  struct Row { const char* what; UINT message; WPARAM request; int expected; };
  const Row rows[] = {
      {"line down", WM_VSCROLL, SB_LINEDOWN, 20},
      {"thumb dragged", WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, 500), 20},
      {"page down", WM_VSCROLL, SB_PAGEDOWN, 20 + pageH},
      {"bottom: the last page", WM_VSCROLL, SB_BOTTOM, 1000 - pageH},
      {"line down at the bottom", WM_VSCROLL, SB_LINEDOWN, 1000 - pageH},
      {"page up", WM_VSCROLL, SB_PAGEUP, 1000 - 2 * pageH},
      {"top", WM_VSCROLL, SB_TOP, 0},
      {"line up at the top", WM_VSCROLL, SB_LINEUP, 0},
      {"line right", WM_HSCROLL, SB_LINERIGHT, 20},
      {"right: the last page", WM_HSCROLL, SB_RIGHT, 1000 - pageW},
      {"page left", WM_HSCROLL, SB_PAGELEFT, 1000 - 2 * pageW},
      {"left", WM_HSCROLL, SB_LEFT, 0},
  };
  for (const Row& row : rows) {
    const int bar = row.message == WM_VSCROLL ? SB_VERT : SB_HORZ;
    const POINT before = pane.markerAt();
    const int from = pane.position(bar);
    SendMessageW(pane.window, row.message, row.request, 0);
    EXPECT_EQ(pane.position(bar), row.expected) << row.what;
    const POINT after = pane.markerAt();
    const int moved = bar == SB_VERT ? after.y - before.y : after.x - before.x;
    EXPECT_EQ(moved, from - row.expected) << row.what << ": the content moves with the position";
  }

  SetScrollPos(pane.window, SB_VERT, 5, TRUE);
  const POINT before = pane.markerAt();
  SendMessageW(pane.window, WM_VSCROLL, SB_LINEUP, 0);
  EXPECT_EQ(pane.position(SB_VERT), 0) << "not -15";
  EXPECT_EQ(pane.markerAt().y - before.y, 5);

  // A child control's scroll notification leaves the dialog where it is.
  SendMessageW(pane.window, WM_VSCROLL, SB_LINEDOWN, reinterpret_cast<LPARAM>(pane.marker));
  SendMessageW(pane.window, WM_HSCROLL, SB_LINERIGHT, reinterpret_cast<LPARAM>(pane.marker));
  EXPECT_EQ(pane.position(SB_VERT), 0);
  EXPECT_EQ(pane.position(SB_HORZ), 0);
}

// The thumb dragged with the mouse: the content stays while it moves and follows when the
// button is released.
TEST(FrameworkScroll, ContentMovesWhenTheThumbIsReleased) {
  struct Recorder : ScrollingPane {
    void messageHook(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override {
      if (message == WM_VSCROLL && LOWORD(wParam) == SB_THUMBTRACK) positionsWhileDragged.push_back(position(SB_VERT));
      if (message == WM_VSCROLL && LOWORD(wParam) == SB_THUMBPOSITION) released = true;
      ScrollingPane::messageHook(hwnd, message, wParam, lParam);
    }
    std::vector<int> positionsWhileDragged;
    bool released = false;
  } pane;
  ASSERT_TRUE(pane.open(300, 1000));
  ASSERT_TRUE(pane.barShown(WS_VSCROLL));
  RECT client = {};
  GetClientRect(pane.window, &client);
  const int barX = client.right + GetSystemMetrics(SM_CXVSCROLL) / 2;
  const int arrow = GetSystemMetrics(SM_CYVSCROLL);
  // Grab the thumb at the top of the track and drag it to the middle.
  PostMessageW(pane.window, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(barX, client.bottom / 2));
  PostMessageW(pane.window, WM_LBUTTONUP, 0, MAKELPARAM(barX, client.bottom / 2));
  POINT grab = {barX, arrow + 2};
  ClientToScreen(pane.window, &grab);
  SendMessageW(pane.window, WM_NCLBUTTONDOWN, HTVSCROLL, MAKELPARAM(grab.x, grab.y));
  Pump();

  EXPECT_FALSE(pane.positionsWhileDragged.empty());
  EXPECT_TRUE(pane.released);
  for (const int p : pane.positionsWhileDragged) EXPECT_EQ(p, 0);
  EXPECT_GT(pane.position(SB_VERT), 0);
  EXPECT_EQ(ScrollingPane::kMarkerY - pane.markerAt().y, pane.position(SB_VERT));
}

// ---------------------------------------------------------------------------------------
// Editors that are scroll dialogs

class ScrollEditor : public KVEditorBase, public KVScrollDialog {
public:
  bool create(DocumentRecord* record, HWND parentWindow, int x, int y, int width, int height) override {
    return createEditorWindow(*this, record, parentWindow, x, y, width, height);
  }
  INT_PTR dialogProc(HWND hwnd, UINT message, WPARAM, LPARAM) override {
    if (message == WM_INITDIALOG) editorWindow = hwnd;
    return 0;
  }
  // One implementation for both bases' slots.
  void cut() override { ++calls; }
  void deleteSelection() override { calls += 10; }
  int calls = 0;
};

TEST(FrameworkEditor, ScrollDialogEditorIsABorderedChildAtItsRectangle) {
  ParentWindow frame;
  ASSERT_NE(frame.create("frame", 0, 0), nullptr);
  auto* record = reinterpret_cast<DocumentRecord*>(&frame);  // only stored, never read
  ScrollEditor editor;
  KVEditorBase& asEditor = editor;
  ASSERT_TRUE(asEditor.create(record, frame.window, 5, 6, 200, 150));
  EXPECT_EQ(editor.document, record);
  EXPECT_EQ(editor.editorWindow, editor.window);
  EXPECT_EQ(GetParent(editor.window), frame.window);
  EXPECT_EQ(ChildRect(editor.window), At(5, 6, 200, 150));
  const LONG_PTR style = GetWindowLongPtrW(editor.window, GWL_STYLE);
  EXPECT_EQ(style & (WS_CHILD | WS_VISIBLE | WS_BORDER), WS_CHILD | WS_VISIBLE | WS_BORDER);

  KVDialog& asDialog = editor;
  asEditor.cut();
  asDialog.cut();
  asEditor.deleteSelection();
  asDialog.deleteSelection();
  EXPECT_EQ(editor.calls, 22);
  DestroyWindow(frame.window);
}

}  // namespace
