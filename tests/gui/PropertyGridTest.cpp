// The property grid on records of its own, without a designer: rows laid out at the system's
// DPI, the text and choice editors, the commit rules, Tab across groups, Multiline greying
// two rows, refused text with its reason, and the font row with the font dialog.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "app/commands/ProjectTemplates.h"
#include "app/frame/FrameWindow.h"
#include "common/Text.h"
#include "designer/LogFont.h"
#include "designer/PropertyGrid.h"
#include "designer/WinFile.h"
#include "designer/WindowEditor.h"
#include "platform/Platform.h"
#include "resources/ResourceIds.h"
#include "tests/common/TempFolder.h"
#include "tests/gui/Pump.h"

namespace {

using kvtest::Pump;

void Key(HWND target, WPARAM key, bool shift = false) {
  BYTE state[256] = {};
  GetKeyboardState(state);
  state[VK_SHIFT] = shift ? 0x80 : 0;
  SetKeyboardState(state);
  SendMessageW(target, WM_KEYDOWN, key, 0);
  state[VK_SHIFT] = 0;
  SetKeyboardState(state);
  Pump();
}

std::string Text(HWND control) {
  wchar_t text[512] = {};
  GetWindowTextW(control, text, 512);
  return kvtext::WideToUtf8(text);
}

void Type(HWND edit, const std::string& text) {
  SetWindowTextW(edit, kvtext::Utf8ToWide(text).c_str());
  Pump();
}

KVControlRecord Control(const std::string& kind, std::int32_t style) {
  KVControlRecord record;
  record.kind = kind;
  record.style = style;
  record.id = 100;
  record.name = kind + "100";
  record.x = 10;
  record.y = 20;
  record.width = 75;
  record.height = 25;
  record.caption = "Button";
  return record;
}

// The font dialog, answered once it is up: OK with the face it shows, or Cancel.
std::function<void(HWND)>& FontAnswer() {
  static std::function<void(HWND)> answer;
  return answer;
}

// size: the point size typed into the dialog's size box first; 0 leaves it as it is.
void AnswerFontDialog(int button, int size = 0) {
  FontAnswer() = [button, size](HWND dialog) {
    if (size > 0) {
      // The size box (cmb3): its entry chosen as a click in its list does.
      const HWND sizes = GetDlgItem(dialog, 0x472);
      const LRESULT index = SendMessageW(sizes, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                         reinterpret_cast<LPARAM>(std::to_wstring(size).c_str()));
      SendMessageW(sizes, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
      SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(0x472, CBN_SELCHANGE), reinterpret_cast<LPARAM>(sizes));
    }
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
  };
  SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR timer, DWORD) {
    const HWND dialog = FindWindowW(L"#32770", L"Font");
    if (!dialog || !IsWindowVisible(dialog)) return;
    KillTimer(nullptr, timer);
    FontAnswer()(dialog);
  });
}

class PropertyGridTest : public ::testing::Test {
protected:
  void SetUp() override {
    owner = CreateWindowExW(0, L"Static", L"owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 800, 600, nullptr, nullptr,
                            GetModuleHandleW(nullptr), nullptr);
    ASSERT_TRUE(grid.createFloating(owner));
    other = CreateWindowExW(0, L"Edit", L"", WS_CHILD | WS_VISIBLE, 0, 0, 50, 20, owner, nullptr,
                            GetModuleHandleW(nullptr), nullptr);
  }
  void TearDown() override {
    if (grid.window) DestroyWindow(grid.window);
    DestroyWindow(owner);
    Pump();
  }
  int scale(int value) const { return MulDiv(value, grid.dpi, 96); }
  void select(const std::string& group, const std::string& label) {
    ASSERT_TRUE(grid.selectRow(group, label)) << label;
    Pump();
  }
  // Chooses an entry of the open choice row as the keyboard does: F4, the entry, Enter.
  void choose(const std::string& value) {
    Key(grid.choiceButton(), VK_F4);
    ASSERT_TRUE(IsWindowVisible(grid.choiceList()));
    const LRESULT index =
        SendMessageW(grid.choiceList(), LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                     reinterpret_cast<LPARAM>(kvtext::Utf8ToWide(value).c_str()));
    ASSERT_NE(LB_ERR, index) << value;
    SendMessageW(grid.choiceList(), LB_SETCURSEL, static_cast<WPARAM>(index), 0);
    Key(grid.choiceList(), VK_RETURN);
  }
  std::string value(const std::string& group, const std::string& label) const {
    const KVPropertyRow* row = grid.findRow(group, label);
    return row ? row->value : "(no row)";
  }
  static RECT Rect(HWND parent, HWND control) {
    RECT rect = {};
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
  }

  HWND owner = nullptr;
  HWND other = nullptr;
  KVPropertyGrid grid;
};

TEST_F(PropertyGridTest, GroupsAndRowsAreLaidOutAtTheSystemDpi) {
  if (const char* expected = std::getenv("KV_EXPECTED_DPI")) {
    EXPECT_EQ(std::atoi(expected), grid.dpi);
  }
  KVControlRecord button = Control("button", 0x54014000);
  grid.show(&button);
  Pump();
  ASSERT_TRUE(grid.visible);
  EXPECT_TRUE(IsWindowVisible(grid.window));
  EXPECT_EQ(scale(18), grid.rowHeight);
  EXPECT_EQ(scale(150), grid.nameColumnWidth);
  wchar_t title[32] = {};
  GetWindowTextW(grid.window, title, 32);
  EXPECT_STREQ(L"Properties", title);

  const auto& groups = grid.groupList();
  ASSERT_EQ(2u, groups.size());
  EXPECT_EQ("Appearance", groups[0]->name);
  EXPECT_EQ(9u, groups[0]->rows.size());
  EXPECT_EQ("Programming", groups[1]->name);
  const int rowHeight = grid.rowHeight;
  const int panel = (rowHeight + 1) * 9 - 1;
  EXPECT_EQ(1, Rect(grid.window, groups[0]->header).top);
  EXPECT_EQ(1 + rowHeight + 2, Rect(grid.window, groups[0]->panel).top);
  EXPECT_EQ(scale(15), Rect(grid.window, groups[0]->panel).left);
  EXPECT_EQ(panel, Rect(grid.window, groups[0]->panel).bottom - Rect(grid.window, groups[0]->panel).top);
  EXPECT_EQ(1 + rowHeight + 2 + panel + 1, Rect(grid.window, groups[1]->header).top);

  // The text box lies over the value cell of its row.
  select("Appearance", "Y");
  const RECT box = Rect(grid.window, grid.editBox());
  const RECT panelRect = Rect(grid.window, groups[0]->panel);
  EXPECT_EQ(panelRect.left + grid.nameColumnWidth + 2, box.left);
  EXPECT_GE(box.top, panelRect.top + 2 * (rowHeight + 1));
  EXPECT_LE(box.bottom, panelRect.top + 3 * (rowHeight + 1) - 1) << "the box stays inside its row";
  EXPECT_EQ("20", Text(grid.editBox()));

  // The mouse: a click on a row selects it; on a choice row's button it drops the list.
  const auto click = [](HWND target, UINT message, int x, int y) {
    SendMessageW(target, message, message == WM_LBUTTONUP ? 0 : MK_LBUTTON, MAKELPARAM(x, y));
    Pump();
  };
  click(groups[0]->panel, WM_LBUTTONDOWN, 20, 5 * (rowHeight + 1) + rowHeight / 2);
  EXPECT_EQ("Appearance/Border", grid.selectedLabel());
  ASSERT_TRUE(IsWindowVisible(grid.choiceButton()));
  click(grid.choiceButton(), WM_LBUTTONDOWN, 5, 5);
  ASSERT_TRUE(IsWindowVisible(grid.choiceList()));
  SendMessageW(grid.choiceList(), LB_SETCURSEL, 0, 0);  // "True"
  click(grid.choiceList(), WM_LBUTTONUP, 5, 5);
  EXPECT_FALSE(IsWindowVisible(grid.choiceList()));
  EXPECT_EQ(0x00800000, button.style & 0x00800000);

  // Collapsing a group (a click on its box) pulls the next one up by its panel.
  click(groups[0]->header, WM_LBUTTONDOWN, scale(6), scale(9));
  EXPECT_FALSE(groups[0]->expanded);
  EXPECT_FALSE(IsWindowVisible(groups[0]->panel));
  EXPECT_EQ(1 + rowHeight + 2, Rect(grid.window, groups[1]->header).top);
  click(groups[0]->header, WM_LBUTTONDBLCLK, scale(30), scale(9));  // or a double click on its name
  EXPECT_TRUE(groups[0]->expanded);
}

TEST_F(PropertyGridTest, EnterFocusLossAndEscapeFollowTheCommitRules) {
  KVControlRecord button = Control("button", 0x54014000);
  grid.show(&button);
  select("Appearance", "Caption");
  ASSERT_TRUE(IsWindowVisible(grid.editBox()));
  EXPECT_EQ(grid.editBox(), GetFocus());
  EXPECT_EQ("Button", Text(grid.editBox()));

  Type(grid.editBox(), "&Save");
  EXPECT_EQ("Button", button.caption) << "nothing is written while typing";
  Key(grid.editBox(), VK_RETURN);
  EXPECT_EQ("&Save", button.caption);
  EXPECT_EQ("&Save", value("Appearance", "Caption"));

  // Escape puts the shown value back; the focus loss after it commits nothing new.
  Type(grid.editBox(), "Discarded");
  Key(grid.editBox(), VK_ESCAPE);
  EXPECT_EQ("&Save", Text(grid.editBox()));
  // A second Escape gives the keyboard back to the window behind the grid.
  SetActiveWindow(grid.window);
  Key(grid.editBox(), VK_ESCAPE);
  EXPECT_EQ(owner, GetActiveWindow());
  SetFocus(other);
  Pump();
  EXPECT_EQ("&Save", button.caption);

  // Losing the focus commits.
  select("Appearance", "Width");
  Type(grid.editBox(), "12abc");
  SetFocus(other);
  Pump();
  EXPECT_EQ(12, button.width);
  EXPECT_EQ("12", value("Appearance", "Width"));
  select("Appearance", "Height");
  Type(grid.editBox(), "tall");
  select("Programming", "Name");  // moving to another row commits too
  EXPECT_EQ(0, button.height);
  Type(grid.editBox(), "saveButton");
  Key(grid.editBox(), VK_TAB);
  EXPECT_EQ("saveButton", button.name);
  EXPECT_EQ("Programming/onClick", grid.selectedLabel());
}

TEST_F(PropertyGridTest, TabCrossesGroupsOpeningThemAndStopsAtTheEnds) {
  KVControlRecord edit = Control("edit", 0x54010080);
  grid.show(&edit);
  KVPropertyGrid::Group* behavior = grid.findGroup("Behavior");
  ASSERT_NE(nullptr, behavior);
  grid.toggleGroup(*behavior);
  ASSERT_FALSE(behavior->expanded);

  select("Appearance", "Font");
  EXPECT_EQ(grid.choiceButton(), GetFocus());
  Key(grid.choiceButton(), VK_TAB);
  EXPECT_TRUE(behavior->expanded);
  EXPECT_EQ("Behavior/Multiline", grid.selectedLabel());
  Key(grid.choiceButton(), VK_TAB, true);
  EXPECT_EQ("Appearance/Font", grid.selectedLabel());

  select("Programming", "Name");
  Key(grid.editBox(), VK_TAB);
  EXPECT_EQ("Programming/Name", grid.selectedLabel());
  select("Appearance", "X");
  Key(grid.editBox(), VK_TAB, true);
  EXPECT_EQ("Appearance/X", grid.selectedLabel());

  // Selecting another record of the same kind keeps the groups as they are.
  grid.toggleGroup(*behavior);
  KVControlRecord second = Control("edit", 0x54010000);
  second.x = 99;
  grid.show(&second);
  EXPECT_EQ(behavior, grid.findGroup("Behavior"));
  EXPECT_FALSE(behavior->expanded);
  EXPECT_EQ("99", value("Appearance", "X"));
}

TEST_F(PropertyGridTest, MultilineGreysPasswordAndAutoHScroll) {
  KVControlRecord edit = Control("edit", 0x540100A0);
  grid.show(&edit);
  EXPECT_EQ("True", value("Behavior", "Password"));
  select("Behavior", "Multiline");
  choose("True");
  EXPECT_EQ(0x1044, edit.style & 0x1044);
  EXPECT_EQ(0xA0, edit.style & 0xA0);
  EXPECT_EQ("True", value("Behavior", "Multiline"));
  for (const char* label : {"Password", "Auto HScroll"}) {
    EXPECT_EQ("False", value("Behavior", label)) << label;
    EXPECT_FALSE(grid.findRow("Behavior", label)->enabled) << label;
  }
  // A grey row opens no editor, and Tab goes on from it.
  select("Behavior", "Password");
  EXPECT_FALSE(IsWindowVisible(grid.editBox()));
  EXPECT_FALSE(IsWindowVisible(grid.choiceButton()));
  Key(GetFocus(), VK_TAB);
  EXPECT_EQ("Programming/Name", grid.selectedLabel());

  select("Behavior", "Multiline");
  choose("False");
  EXPECT_EQ(0, edit.style & 0x1044);
  EXPECT_TRUE(grid.findRow("Behavior", "Password")->enabled);
  EXPECT_EQ("True", value("Behavior", "Password"));

  // Escape closes the list without choosing.
  select("Behavior", "Multiline");
  Key(grid.choiceButton(), VK_F4);
  SendMessageW(grid.choiceList(), LB_SETCURSEL, 0, 0);
  Key(grid.choiceList(), VK_ESCAPE);
  EXPECT_FALSE(IsWindowVisible(grid.choiceList()));
  EXPECT_EQ(0, edit.style & 0x1044);
}

TEST_F(PropertyGridTest, TextTheFileCannotHoldIsRefusedWhileTypingWithTheReason) {
  KVControlRecord button = Control("button", 0x54014000);
  grid.show(&button);
  select("Appearance", "Caption");
  Type(grid.editBox(), "Say");
  EXPECT_EQ("", grid.refusal());
  Type(grid.editBox(), "Say \"hi\"");
  EXPECT_EQ("Say", Text(grid.editBox())) << "the refused text is taken back";
  EXPECT_NE(std::string::npos, grid.refusal().find("double quote"));
  Type(grid.editBox(), "Say hi");
  EXPECT_EQ("", grid.refusal());
  Key(grid.editBox(), VK_RETURN);
  EXPECT_EQ("Say hi", button.caption);

  // Too long for the control's line.
  Type(grid.editBox(), std::string(5000, 'x'));
  EXPECT_EQ("Say hi", Text(grid.editBox()));
  EXPECT_NE(std::string::npos, grid.refusal().find("4,095"));

  // An emptied name can be retyped, but not committed.
  select("Programming", "Name");
  Type(grid.editBox(), "");
  EXPECT_EQ("", grid.refusal());
  Key(grid.editBox(), VK_RETURN);
  EXPECT_EQ("button100", button.name);
  EXPECT_EQ("button100", Text(grid.editBox()));
  EXPECT_NE(std::string::npos, grid.refusal().find("name"));

  // The window's caption is a whole header line: a double quote is fine there.
  KVControlRecord window;
  window.kind = "Window";
  window.style = 0x10CA0000;
  grid.show(&window);
  select("Appearance", "Caption");
  Type(grid.editBox(), "Say \"hi\"");
  Key(grid.editBox(), VK_RETURN);
  EXPECT_EQ("Say \"hi\"", window.caption);
}

TEST_F(PropertyGridTest, TheFontRowStoresTheChosenFontOrKeepsItOnCancel) {
  KVControlRecord text = Control("text", 0x54000200);
  grid.show(&text);
  select("Appearance", "Font");
  AnswerFontDialog(IDCANCEL);
  choose("Choose Font...");
  EXPECT_EQ("Default", text.fontLabel);
  EXPECT_EQ("", text.fontData);
  EXPECT_EQ("Default", value("Appearance", "Font"));
  EXPECT_TRUE(IsWindowEnabled(owner)) << "the owner is enabled again";

  AnswerFontDialog(IDOK);
  choose("Choose Font...");
  ASSERT_NE("Default", text.fontLabel);
  KVLogFont font;
  ASSERT_TRUE(KVLogFont::Parse(text.fontData, font)) << text.fontData;
  EXPECT_EQ(font.faceName + " (", text.fontLabel.substr(0, font.faceName.size() + 2));
  EXPECT_EQ(')', text.fontLabel.back());
  EXPECT_EQ(text.fontLabel, value("Appearance", "Font"));
  std::string line;
  EXPECT_TRUE(KVWinFile::FormatControlLine(text, line));

  // Reopening the dialog starts from the stored font, and Cancel keeps it.
  const std::string chosen = text.fontData;
  AnswerFontDialog(IDCANCEL);
  choose("Choose Font...");
  EXPECT_EQ(chosen, text.fontData);

  choose("Default");
  EXPECT_EQ("Default", text.fontLabel);
  EXPECT_EQ("", text.fontData);
}

// The grid with the window designer behind it: committed values reach the designed window.
class PropertyGridInDesignerTest : public ::testing::Test {
protected:
  void SetUp() override {
    const std::string sep(1, kvplatform::kPathSeparator);
    const std::string folder = root / "Demo" + sep;
    for (const char* sub : {"", "Source Files", "Dialog Windows", "External Libraries", "Resources"}) {
      kvplatform::CreateFolder(folder + sub);
    }
    kvplatform::CreateFolder(root / "Documents");
    kvtest::TempFolder::Write(folder + "Dialog Windows" + sep + "Main.win",
                              kvcommands::MainWindowTemplate() +
                                  "combo 1411448835 0 0 400 20 20 100 20 \"pick\" \"\" \"\" \"Default\" \"\"\r\n");
    const std::string project = folder + "Demo.kvproj";
    kvtest::TempFolder::Write(project,
                              "<Project><Name>Demo</Name><ExeName>Demo.exe</ExeName><Engine>1</Engine><Icon/>"
                              "<SourceFiles/><WindowFiles><Name>Main.win</Name></WindowFiles></Project>");
    frame = std::make_unique<KVFrameWindow>(root.Path() + "Documents");
    ASSERT_NE(frame->create("KelVox Studio", IDI_KELVOX_STUDIO, IDR_MAIN_MENU), nullptr);
    ShowWindow(frame->window, SW_SHOW);
    ASSERT_TRUE(frame->openProject(project));
    for (const auto& record : frame->documents()) {
      if (record->item->fileName == "Main.win") frame->openDocument(record.get(), -1, -1);
    }
    Pump();
    for (const auto& record : frame->documents()) {
      if (auto* designer = dynamic_cast<KVWindowEditor*>(record->editor.get())) editor = designer;
    }
    ASSERT_NE(nullptr, editor);
  }
  void TearDown() override {
    if (editor) editor->modified = 0;
    if (frame && IsWindow(frame->window)) DestroyWindow(frame->window);
    frame.reset();
    Pump();
  }
  KVControlRecord& named(const std::string& name) {
    for (KVControlRecord& control : editor->model.controls) {
      if (control.name == name) return control;
    }
    throw std::runtime_error("no control " + name);
  }
  // Properties from the selection's menu: the grid shows it and takes the keyboard.
  KVPropertyGrid& properties(KVControlRecord& record) {
    editor->select(&record);
    editor->runCommand(KVWindowEditor::kProperties, {1, 1});
    Pump();
    return editor->propertyGrid();
  }

  kvtest::TempFolder root;
  std::unique_ptr<KVFrameWindow> frame;
  KVWindowEditor* editor = nullptr;
};

TEST_F(PropertyGridInDesignerTest, CommittedValuesReachTheDesignedWindow) {
  KVControlRecord& ok = named("okButton");
  KVPropertyGrid& grid = properties(ok);
  ASSERT_TRUE(grid.visible);
  EXPECT_EQ(editor, grid.currentDesigner);
  EXPECT_EQ("Appearance/Caption", grid.selectedLabel()) << "Properties starts on the first row";
  EXPECT_EQ(grid.editBox(), GetFocus());
  Type(grid.editBox(), "&Go");
  Key(grid.editBox(), VK_RETURN);
  EXPECT_EQ("&Go", ok.caption);
  EXPECT_EQ("&Go", Text(static_cast<HWND>(ok.platformWindow)));
  EXPECT_TRUE(editor->modified);

  ASSERT_TRUE(grid.selectRow("Appearance", "X"));
  Type(grid.editBox(), "30");
  Key(grid.editBox(), VK_TAB);
  RECT at = {};
  GetWindowRect(static_cast<HWND>(ok.platformWindow), &at);
  MapWindowPoints(nullptr, editor->designWindowHandle(), reinterpret_cast<POINT*>(&at), 2);
  EXPECT_EQ(30, at.left);

  // The window's caption is the designed window's title.
  KVPropertyGrid& windowGrid = properties(editor->model.window);
  ASSERT_NE(nullptr, windowGrid.findRow("Programming", "onInit"));
  ASSERT_TRUE(windowGrid.selectRow("Appearance", "Caption"));
  Type(windowGrid.editBox(), "Order Entry");
  Key(windowGrid.editBox(), VK_RETURN);
  EXPECT_EQ("Order Entry", Text(editor->designWindowHandle()));
}

TEST_F(PropertyGridInDesignerTest, AComboBoxsGreyHeightFollowsItsFont) {
  KVControlRecord& combo = named("pick");
  KVPropertyGrid& grid = properties(combo);
  const KVPropertyRow* height = grid.findRow("Appearance", "Height");
  ASSERT_NE(nullptr, height);
  EXPECT_FALSE(height->enabled);
  const int before = combo.height;
  EXPECT_EQ(std::to_string(before), height->value);

  ASSERT_TRUE(grid.selectRow("Appearance", "Font"));
  AnswerFontDialog(IDOK, 36);
  Key(grid.choiceButton(), VK_F4);
  SendMessageW(grid.choiceList(), LB_SETCURSEL, 1, 0);
  Key(grid.choiceList(), VK_RETURN);
  KVControlRecord& after = named("pick");  // the combo box is made again; its record stays
  EXPECT_EQ("(36)", after.fontLabel.substr(after.fontLabel.size() - 4));
  EXPECT_GT(after.height, before);
  EXPECT_EQ(std::to_string(after.height), grid.findRow("Appearance", "Height")->value);
  RECT client = {};
  GetClientRect(static_cast<HWND>(after.platformWindow), &client);
  EXPECT_EQ(after.height, client.bottom);
}

}  // namespace
