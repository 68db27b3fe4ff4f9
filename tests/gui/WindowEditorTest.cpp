// The window designer in the frame: .win files opened on the design surface, controls added,
// moved, resized, deleted, copied and pasted, the menu bar, the tab order, and what is saved.
// Mouse and keys are sent to the surface as the system sends them.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/commands/ProjectTemplates.h"
#include "app/frame/FrameWindow.h"
#include "common/Text.h"
#include "designer/PropertyGrid.h"
#include "designer/WindowEditor.h"
#include "platform/Platform.h"
#include "resources/ResourceIds.h"
#include "tests/common/TempFolder.h"
#include "tests/gui/DialogAnswer.h"
#include "tests/gui/FrameProject.h"
#include "tests/gui/Pump.h"

namespace {

using kvtest::Pump;
using kvtest::TempFolder;

const std::string kSep(1, kvplatform::kPathSeparator);

std::string ControlLine(const std::string& kind, int id, int x, int y, const std::string& name) {
  const char* style = kind == "combo" ? "1411448835" : "1409368064";
  return kind + " " + style + " 0 0 " + std::to_string(id) + " " + std::to_string(x) + " " + std::to_string(y) +
         " 75 25 \"" + name + "\" \"" + name + "\" \"\" \"Default\" \"\"\r\n";
}

class WindowEditorTest : public kvtest::FrameProjectTest {
protected:
  void SetUp() override {
    FrameProjectTest::SetUp();
    write("Source Files", "main.js", "var a = 1;\r\n");
    writeWin("Main.win", kvcommands::MainWindowTemplate());
    writeWin("Empty.win", kvcommands::NewDialogWindowTemplate("Empty"));
    writeWin("Order.win", kvcommands::NewDialogWindowTemplate("Order"));
    writeWin("Bad.win", "1\r\n281673728\r\nBad\r\n400 300\r\n\r\n\r\n\r\nDefault\r\n\r\n");
    ASSERT_NO_FATAL_FAILURE(openProject("<SourceFiles><Name>main.js</Name></SourceFiles>"
                                        "<WindowFiles><Name>Main.win</Name><Name>Empty.win</Name><Name>Order.win</Name>"
                                        "<Name>Bad.win</Name></WindowFiles>"));
  }

  void writeWin(const std::string& name, const std::string& text) { write("Dialog Windows", name, text); }
  std::string readWin(const std::string& name) {
    std::string bytes;
    kvplatform::ReadFileBytes(folder + "Dialog Windows" + kSep + name, bytes);
    return bytes;
  }
  KVWindowEditor& open(const std::string& name) {
    DocumentRecord* document = record(name);
    if (document) frame->openDocument(document, -1, -1);
    Pump();
    auto* editor = document ? dynamic_cast<KVWindowEditor*>(document->editor.get()) : nullptr;
    if (!editor) throw std::runtime_error(name + " did not open in the window designer");
    return *editor;
  }

  // A point of a window in the surface's client coordinates: its centre, or its rectangle's
  // corner plus an offset.
  static POINT Centre(const KVWindowEditor& editor, HWND control) {
    RECT rect = {};
    GetWindowRect(control, &rect);
    POINT point = {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
    ScreenToClient(editor.editorWindow, &point);
    return point;
  }
  static RECT SurfaceRect(const KVWindowEditor& editor, HWND control) {
    RECT rect = {};
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, editor.editorWindow, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
  }
  static void Mouse(const KVWindowEditor& editor, UINT message, POINT point) {
    SendMessageW(editor.editorWindow, message, message == WM_LBUTTONDOWN ? MK_LBUTTON : 0,
                 MAKELPARAM(point.x, point.y));
  }
  static void Drag(const KVWindowEditor& editor, POINT from, POINT to) {
    Mouse(editor, WM_LBUTTONDOWN, from);
    Mouse(editor, WM_MOUSEMOVE, {(from.x + to.x) / 2, (from.y + to.y) / 2});
    Mouse(editor, WM_MOUSEMOVE, to);
    Mouse(editor, WM_LBUTTONUP, to);
  }
  // An arrow key, with Shift held as the keyboard state says.
  static void Key(const KVWindowEditor& editor, WPARAM key, bool shift = false) {
    BYTE state[256] = {};
    GetKeyboardState(state);
    state[VK_SHIFT] = shift ? 0x80 : 0;
    SetKeyboardState(state);
    SendMessageW(editor.editorWindow, WM_KEYDOWN, key, 0);
    state[VK_SHIFT] = 0;
    SetKeyboardState(state);
  }
  static KVControlRecord& Named(KVWindowEditor& editor, const std::string& name) {
    for (KVControlRecord& control : editor.model.controls) {
      if (control.name == name) return control;
    }
    throw std::runtime_error("no control named " + name);
  }
  static std::vector<std::string> Names(const KVWindowEditor& editor) {
    std::vector<std::string> names;
    for (const KVControlRecord& control : editor.model.controls) names.push_back(control.name);
    return names;
  }
  std::string Status(int part) const {
    wchar_t text[128] = {};
    SendMessageW(frame->statusBar(), SB_GETTEXTW, part, reinterpret_cast<LPARAM>(text));
    return kvtext::WideToUtf8(text);
  }
  static HWND Handle(const KVControlRecord& control) { return static_cast<HWND>(control.platformWindow); }
  // Adds a control as the context menu does at a point of designWindow.
  static void Add(KVWindowEditor& editor, int command, POINT at = {20, 20}) { editor.runCommand(command, at); }

};

TEST_F(WindowEditorTest, OpensTheWindowFromRealControlsAndSavesItUnchanged) {
  KVWindowEditor& editor = open("Main.win");
  const HWND design = editor.designWindowHandle();
  ASSERT_TRUE(design);
  RECT client = {};
  GetClientRect(design, &client);
  EXPECT_EQ(client.right, 400);
  EXPECT_EQ(client.bottom, 300);
  EXPECT_EQ(GetWindowLongPtrW(design, GWL_STYLE) & (WS_CHILD | WS_DISABLED), WS_CHILD | WS_DISABLED);
  ASSERT_EQ(editor.model.controls.size(), 2u);
  const KVControlRecord& ok = editor.model.controls[0];
  wchar_t className[32] = {};
  GetClassNameW(Handle(ok), className, 32);
  EXPECT_STREQ(className, L"Button");
  RECT rect = {};
  GetWindowRect(Handle(ok), &rect);
  MapWindowPoints(nullptr, design, reinterpret_cast<POINT*>(&rect), 2);
  EXPECT_EQ(rect.left, 235);
  EXPECT_EQ(rect.top, 265);
  EXPECT_EQ(rect.right - rect.left, 75);
  EXPECT_EQ(GetDlgCtrlID(Handle(ok)), 300);
  EXPECT_EQ(editor.modified, 0);
  ASSERT_TRUE(editor.save());
  EXPECT_EQ(readWin("Main.win"), kvcommands::MainWindowTemplate());
}

TEST_F(WindowEditorTest, PopUpAndTopLevelStylesStayOnTheSurfaceAndInTheFile) {
  // A pop-up window, and a control whose style lacks WS_CHILD.
  const std::string text =
      "1\r\n-1865940992 0\r\nPopup\r\n200 100\r\n\r\n\r\n\r\nDefault\r\n\r\n"
      "text 268435456 0 0 100 5 5 50 20 \"label\" \"Hi\" \"\" \"Default\" \"\"\r\n";
  writeWin("Order.win", text);
  KVWindowEditor& editor = open("Order.win");
  const HWND design = editor.designWindowHandle();
  EXPECT_EQ(GetParent(design), editor.editorWindow);
  EXPECT_EQ(GetWindowLongPtrW(design, GWL_STYLE) & (WS_POPUP | WS_CHILD), WS_CHILD);
  const HWND label = Handle(Named(editor, "label"));
  EXPECT_EQ(GetParent(label), design);
  EXPECT_TRUE(GetWindowLongPtrW(label, GWL_STYLE) & WS_CHILD);
  ASSERT_TRUE(editor.save());
  EXPECT_EQ(readWin("Order.win"), text);
}

TEST_F(WindowEditorTest, AMalformedFileOpensNothingAndSaysWhere) {
  kvtest::DialogAnswer failure(L"KelVox Studio", L"", IDOK);
  kvtest::AnswerInOrder({&failure});
  frame->openDocument(record("Bad.win"), -1, -1);
  Pump();
  EXPECT_TRUE(failure.answered);
  EXPECT_NE(failure.seen.find("Line 2: expected the window style"), std::string::npos) << failure.seen;
  EXPECT_FALSE(record("Bad.win")->editor);
  EXPECT_EQ(readWin("Bad.win"), "1\r\n281673728\r\nBad\r\n400 300\r\n\r\n\r\n\r\nDefault\r\n\r\n");
}

TEST_F(WindowEditorTest, AFailedSaveSaysWhyAndKeepsTheDocumentModified) {
  KVWindowEditor& editor = open("Empty.win");
  Add(editor, KVWindowEditor::kAddButton);
  // A folder where the file was: no file can take its place.
  const std::wstring path = kvtext::Utf8ToWide(folder + "Dialog Windows" + kSep + "Empty.win");
  ASSERT_TRUE(DeleteFileW(path.c_str()));
  ASSERT_TRUE(CreateDirectoryW(path.c_str(), nullptr));
  kvtest::DialogAnswer failure(L"KelVox Studio", L"", IDOK);
  kvtest::AnswerInOrder({&failure});
  EXPECT_FALSE(frame->saveDocument(record("Empty.win")));
  Pump();
  RemoveDirectoryW(path.c_str());
  EXPECT_TRUE(failure.answered);
  EXPECT_NE(failure.seen.find("could not be saved: "), std::string::npos) << failure.seen;
  EXPECT_EQ(editor.modified, 1);
  // Text the file cannot hold is refused with the field that holds it; the file stays.
  Named(editor, "button100").caption = "say \"hi\"";
  EXPECT_FALSE(editor.save());
  EXPECT_NE(editor.failure().find("caption"), std::string::npos) << editor.failure();
  EXPECT_EQ(editor.modified, 1);
}

TEST_F(WindowEditorTest, AddedControlsTakeTheLowestFreeIdAndItsName) {
  KVWindowEditor& editor = open("Empty.win");
  // The template's buttons hold 300 and 301.
  Add(editor, KVWindowEditor::kAddButton, {30, 40});
  Add(editor, KVWindowEditor::kAddButton, {30, 80});
  EXPECT_EQ(Named(editor, "button100").id, 100);
  EXPECT_EQ(Named(editor, "button101").id, 101);
  EXPECT_EQ(Named(editor, "button100").x, 30);
  EXPECT_EQ(Named(editor, "button100").y, 40);
  EXPECT_EQ(editor.modified, 1);
  editor.select(&Named(editor, "button100"));
  editor.deleteSelection();
  EXPECT_EQ(editor.selection(), &editor.model.window);
  Add(editor, KVWindowEditor::kAddCheckBox, {30, 120});
  const KVControlRecord& check = Named(editor, "check100");
  EXPECT_EQ(check.id, 100);
  EXPECT_EQ(check.style, 0x54010003);
  EXPECT_EQ(check.width, 70);
  EXPECT_EQ(check.height, 20);
  EXPECT_EQ(check.caption, "Checkbox");
  ASSERT_TRUE(editor.save());
  EXPECT_EQ(editor.modified, 0);
  const std::string saved = readWin("Empty.win");
  EXPECT_NE(saved.find("button 1409368064 0 0 101 30 80 75 25 \"button101\" \"Button\" \"\" \"Default\" \"\"\r\n"
                       "check 1409351683 0 0 100 30 120 70 20 \"check100\" \"Checkbox\" \"\" \"Default\" \"\"\r\n"),
            std::string::npos)
      << saved;
}

TEST_F(WindowEditorTest, ComboBoxesTakeTheHeightOfTheirFontAndResizeOnlySideways) {
  KVWindowEditor& editor = open("Empty.win");
  Add(editor, KVWindowEditor::kAddComboBox, {20, 20});
  KVControlRecord& combo = Named(editor, "combo100");
  RECT client = {};
  GetClientRect(Handle(combo), &client);
  EXPECT_EQ(combo.height, client.bottom);
  EXPECT_GT(combo.height, 0);
  const int height = combo.height;
  editor.select(&combo);
  Key(editor, VK_DOWN, true);
  Key(editor, VK_UP, true);
  Key(editor, VK_RIGHT, true);
  EXPECT_EQ(combo.height, height);
  EXPECT_EQ(combo.width, 71);
  // The top handle of a combo box is no handle: a press there selects the window.
  const RECT rect = SurfaceRect(editor, Handle(combo));
  Mouse(editor, WM_LBUTTONDOWN, {(rect.left + rect.right) / 2, rect.top - 4});
  Mouse(editor, WM_LBUTTONUP, {(rect.left + rect.right) / 2, rect.top - 4});
  EXPECT_EQ(editor.selection(), &editor.model.window);
  // Its right handle resizes it.
  editor.select(&combo);
  Drag(editor, {rect.right + 3, (rect.top + rect.bottom) / 2 - 1}, {rect.right + 23, (rect.top + rect.bottom) / 2 - 1});
  EXPECT_EQ(combo.width, 91);
  EXPECT_EQ(combo.height, height);

  // A larger window font reaches the combo box, whose font is "Default", and its height.
  editor.model.window.fontLabel = "Arial (20)";
  editor.model.window.fontData = "-27 0 0 0 400 0 0 0 0 0 0 0 0 Arial";
  editor.applyRecord(&editor.model.window);
  EXPECT_NE(editor.windowFont(), nullptr);
  EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(Handle(combo), WM_GETFONT, 0, 0)), editor.windowFont());
  GetClientRect(Handle(combo), &client);
  EXPECT_GT(combo.height, height);
  EXPECT_EQ(combo.height, client.bottom);
  const int largeHeight = combo.height;
  // Its own font data, applied as the property grid does, makes it again with that font.
  combo.fontLabel = "Arial (9)";
  combo.fontData = "-12 0 0 0 400 0 0 0 0 0 0 0 0 Arial";
  editor.applyRecord(&combo);
  EXPECT_LT(combo.height, largeHeight);
  EXPECT_EQ(GetParent(Handle(combo)), editor.designWindowHandle());
}

TEST_F(WindowEditorTest, DraggingMovesAndResizesWithThePointerConfinedToTheWindow) {
  KVWindowEditor& editor = open("Main.win");
  KVControlRecord& ok = Named(editor, "okButton");
  const POINT from = Centre(editor, Handle(ok));
  Mouse(editor, WM_LBUTTONDOWN, from);
  EXPECT_EQ(editor.selection(), &ok);
  RECT clip = {};
  GetClipCursor(&clip);
  RECT area = {};
  GetClientRect(editor.designWindowHandle(), &area);
  MapWindowPoints(editor.designWindowHandle(), nullptr, reinterpret_cast<POINT*>(&area), 2);
  RECT control = {};
  GetWindowRect(Handle(ok), &control);
  POINT pointer = from;
  ClientToScreen(editor.editorWindow, &pointer);
  // The whole control stays inside the client area: as far left as its left edge can go...
  EXPECT_EQ(clip.left, pointer.x - (control.left - area.left));
  EXPECT_EQ(clip.top, pointer.y - (control.top - area.top));
  EXPECT_EQ(clip.right, pointer.x + (area.right - control.right) + 1);
  EXPECT_EQ(clip.bottom, pointer.y + (area.bottom - control.bottom) + 1);
  Mouse(editor, WM_MOUSEMOVE, {from.x - 100, from.y - 50});
  Mouse(editor, WM_LBUTTONUP, {from.x - 100, from.y - 50});
  GetClipCursor(&clip);
  EXPECT_LE(clip.left, 0) << "the pointer is free again";
  EXPECT_EQ(ok.x, 135);
  EXPECT_EQ(ok.y, 215);
  EXPECT_EQ(editor.modified, 1);

  // A resize from the bottom-right corner: the pointer stops 12 pixels from the left and top.
  const RECT rect = SurfaceRect(editor, Handle(ok));
  const POINT corner = {rect.right + 3, rect.bottom + 3};
  Mouse(editor, WM_LBUTTONDOWN, corner);
  GetClipCursor(&clip);
  GetWindowRect(Handle(ok), &control);
  EXPECT_EQ(clip.left, control.left + 12);
  EXPECT_EQ(clip.top, control.top + 12);
  Mouse(editor, WM_MOUSEMOVE, {corner.x + 10, corner.y + 5});
  Mouse(editor, WM_LBUTTONUP, {corner.x + 10, corner.y + 5});
  EXPECT_EQ(ok.width, 85);
  EXPECT_EQ(ok.height, 30);
  EXPECT_EQ(ok.x, 135);

  // The window itself grows from its bottom-right corner and its client size follows.
  editor.select(&editor.model.window);
  const RECT outer = SurfaceRect(editor, editor.designWindowHandle());
  Drag(editor, {outer.right + 3, outer.bottom + 3}, {outer.right + 23, outer.bottom + 13});
  EXPECT_EQ(editor.model.window.width, 420);
  EXPECT_EQ(editor.model.window.height, 310);
}

TEST_F(WindowEditorTest, TheGridAndTheStatusBarFollowTheSelection) {
  KVWindowEditor& editor = open("Main.win");
  KVPropertyGrid& grid = editor.propertyGrid();
  EXPECT_EQ(grid.currentDesigner, &editor);
  KVControlRecord& ok = Named(editor, "okButton");
  KVControlRecord& cancel = Named(editor, "cancelButton");
  Mouse(editor, WM_LBUTTONDOWN, Centre(editor, Handle(ok)));
  Mouse(editor, WM_LBUTTONUP, Centre(editor, Handle(ok)));
  EXPECT_EQ(Status(1), "235,265");
  EXPECT_EQ(Status(2), "75,25");
  EXPECT_FALSE(grid.visible);
  Mouse(editor, WM_LBUTTONDBLCLK, Centre(editor, Handle(ok)));
  EXPECT_TRUE(grid.visible);
  EXPECT_EQ(grid.shownRecord, &ok);
  Mouse(editor, WM_LBUTTONDOWN, Centre(editor, Handle(cancel)));
  Mouse(editor, WM_LBUTTONUP, Centre(editor, Handle(cancel)));
  EXPECT_EQ(grid.shownRecord, &cancel);
  // A control added while the grid shows one moves the records; the grid follows.
  Add(editor, KVWindowEditor::kAddStaticText, {5, 5});
  EXPECT_EQ(grid.shownRecord, editor.selection());
  EXPECT_EQ(editor.selection()->name, "cancelButton");
  editor.deleteSelection();
  EXPECT_EQ(grid.shownRecord, &editor.model.window);
  EXPECT_EQ(Status(1), "0,0");
  EXPECT_EQ(Status(2), "400,300");
  // Another document in front hides the grid.
  ASSERT_TRUE(record("main.js"));
  frame->openDocument(record("main.js"), -1, -1);
  EXPECT_TRUE(record("main.js")->editor);
  EXPECT_FALSE(grid.visible);
  Pump();
  EXPECT_FALSE(grid.visible);
}

TEST_F(WindowEditorTest, AHiddenDesignerLeavesTheStatusBarToTheDocumentInFront) {
  open("Main.win");
  EXPECT_EQ(Status(1), "0,0");
  frame->openDocument(record("main.js"), -1, -1);
  Pump();
  EXPECT_EQ(Status(1), "Line 1");
  // A new frame size lays out every editor, the hidden designer among them.
  RECT outer = {};
  GetWindowRect(frame->window, &outer);
  SetWindowPos(frame->window, nullptr, 0, 0, outer.right - outer.left + 40, outer.bottom - outer.top - 30,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  Pump();
  EXPECT_EQ(Status(1), "Line 1");
  EXPECT_EQ(Status(2), "Col 1");
  // Back in front, the designer reports its selection again.
  open("Main.win");
  EXPECT_EQ(Status(1), "0,0");
  EXPECT_EQ(Status(2), "400,300");
}

TEST_F(WindowEditorTest, ArrowKeysMoveAndResizeControlsAndOnlyResizeTheWindow) {
  KVWindowEditor& editor = open("Main.win");
  KVControlRecord& ok = Named(editor, "okButton");
  editor.select(&ok);
  Key(editor, VK_LEFT);
  Key(editor, VK_UP);
  Key(editor, VK_UP);
  EXPECT_EQ(ok.x, 234);
  EXPECT_EQ(ok.y, 263);
  Key(editor, VK_RIGHT, true);
  Key(editor, VK_UP, true);
  EXPECT_EQ(ok.width, 76);
  EXPECT_EQ(ok.height, 24);
  RECT rect = {};
  GetWindowRect(Handle(ok), &rect);
  MapWindowPoints(nullptr, editor.designWindowHandle(), reinterpret_cast<POINT*>(&rect), 2);
  EXPECT_EQ(rect.left, 234);
  EXPECT_EQ(rect.top, 263);
  EXPECT_EQ(rect.bottom - rect.top, 24);
  EXPECT_EQ(editor.modified, 1);

  // Tab walks the selection through the controls in tab order and back to the window.
  Key(editor, VK_TAB);
  EXPECT_EQ(editor.selection(), &Named(editor, "cancelButton"));
  Key(editor, VK_TAB);
  EXPECT_EQ(editor.selection(), &editor.model.window);
  Key(editor, VK_TAB, true);
  EXPECT_EQ(editor.selection(), &Named(editor, "cancelButton"));

  editor.select(&editor.model.window);
  Key(editor, VK_RIGHT);
  EXPECT_EQ(editor.model.window.width, 400);
  Key(editor, VK_RIGHT, true);
  Key(editor, VK_UP, true);
  EXPECT_EQ(editor.model.window.width, 401);
  EXPECT_EQ(editor.model.window.height, 299);
  RECT client = {};
  GetClientRect(editor.designWindowHandle(), &client);
  EXPECT_EQ(client.right, 401);
  EXPECT_EQ(client.bottom, 299);
}

TEST_F(WindowEditorTest, TheMenuBarShiftsTheControlsButNotTheirStoredPlace) {
  KVWindowEditor& editor = open("Empty.win");
  const int bar = GetSystemMetrics(SM_CYMENU);
  Add(editor, KVWindowEditor::kAddMenu);
  ASSERT_TRUE(editor.menuPreviewHandle());
  EXPECT_EQ(editor.menuOffsetPixels(), bar);
  EXPECT_TRUE(editor.model.hasMenu);
  // Command 100 is free in the template.
  ASSERT_EQ(editor.model.menuRoot.children.size(), 1u);
  EXPECT_EQ(editor.model.menuRoot.children[0].children[0].id, 100);
  wchar_t text[64] = {};
  GetWindowTextW(editor.menuPreviewHandle(), text, 64);
  EXPECT_STREQ(text, L"  &File  ");
  RECT client = {};
  GetClientRect(editor.designWindowHandle(), &client);
  EXPECT_EQ(client.bottom, 300 + bar);

  // A control added at y = 100 in the window is stored below the bar.
  Add(editor, KVWindowEditor::kAddEdit, {10, 100});
  KVControlRecord& edit = Named(editor, "edit101");
  EXPECT_EQ(edit.y, 100 - bar);
  const KVControlRecord& okButton = Named(editor, "okButton");
  RECT rect = {};
  GetWindowRect(Handle(okButton), &rect);
  MapWindowPoints(nullptr, editor.designWindowHandle(), reinterpret_cast<POINT*>(&rect), 2);
  EXPECT_EQ(rect.top, 265 + bar);

  editor.runCommand(KVWindowEditor::kDeleteMenu, {5, 5});
  EXPECT_FALSE(editor.menuPreviewHandle());
  EXPECT_FALSE(editor.model.hasMenu);
  EXPECT_EQ(editor.menuOffsetPixels(), 0);
  GetWindowRect(Handle(edit), &rect);
  MapWindowPoints(nullptr, editor.designWindowHandle(), reinterpret_cast<POINT*>(&rect), 2);
  EXPECT_EQ(rect.top, 100 - bar);
  GetClientRect(editor.designWindowHandle(), &client);
  EXPECT_EQ(client.bottom, 300);
  // The dropped command keeps its id until the editor closes.
  Add(editor, KVWindowEditor::kAddMenu);
  EXPECT_EQ(editor.model.menuRoot.children[0].children[0].id, 102);
  ASSERT_TRUE(editor.save());
  EXPECT_NE(readWin("Empty.win")
                .find("menu\r\nsubmenu \"&File\"\r\ncommand 102 \"E&xit\" \"onFileExit\" 0 0 0 1 \r\n"
                      "endsubmenu\r\nendmenu\r\n"),
            std::string::npos);
}

TEST_F(WindowEditorTest, TabOrderFollowsTheClicks) {
  writeWin("Order.win", std::string("1\r\n281673728 0\r\nOrder\r\n400 300\r\n\r\n\r\n\r\nDefault\r\n\r\n") +
                            ControlLine("button", 100, 10, 10, "A") + ControlLine("button", 101, 10, 50, "B") +
                            ControlLine("button", 102, 10, 90, "C"));
  KVWindowEditor& editor = open("Order.win");
  editor.runCommand(KVWindowEditor::kSetTabOrder, {0, 0});
  ASSERT_TRUE(editor.inTabOrderMode());
  for (const char* name : {"C", "A", "B"}) Mouse(editor, WM_LBUTTONDOWN, Centre(editor, Handle(Named(editor, name))));
  EXPECT_EQ(Names(editor), (std::vector<std::string>{"C", "A", "B"}));
  Mouse(editor, WM_LBUTTONDOWN, Centre(editor, Handle(Named(editor, "A"))));
  EXPECT_EQ(Names(editor), (std::vector<std::string>{"C", "A", "B"}));
  EXPECT_EQ(editor.modified, 1);
  // A click on the window ends the mode and selects the window.
  Mouse(editor, WM_LBUTTONDOWN, {200, 200});
  EXPECT_FALSE(editor.inTabOrderMode());
  ASSERT_TRUE(editor.save());
  const std::string saved = readWin("Order.win");
  const std::size_t c = saved.find("\"C\"");
  const std::size_t a = saved.find("\"A\"");
  const std::size_t b = saved.find("\"B\"");
  EXPECT_LT(c, a);
  EXPECT_LT(a, b);
}

TEST_F(WindowEditorTest, CopyAndPasteIntoAnotherWindowRenewIdsAndNames) {
  KVWindowEditor& first = open("Main.win");
  first.select(&Named(first, "okButton"));
  first.copy();
  // Pasted into the same window: a new id, and a new name, the old one being taken.
  first.paste();
  ASSERT_EQ(first.model.controls.size(), 3u);
  const KVControlRecord& copy = first.model.controls.back();
  EXPECT_EQ(copy.id, 100);
  EXPECT_EQ(copy.name, "button100");
  EXPECT_EQ(copy.x, 235);
  EXPECT_EQ(copy.caption, "OK");
  EXPECT_EQ(first.selection(), &copy);
  EXPECT_TRUE(Handle(copy));
  EXPECT_EQ(first.modified, 1);

  // Into another window, where the id and the name are free: both kept.
  KVWindowEditor& other = open("Order.win");
  other.select(&Named(other, "okButton"));
  other.deleteSelection();
  EXPECT_EQ(other.modified, 1);
  other.paste();
  const KVControlRecord& pasted = other.model.controls.back();
  EXPECT_EQ(pasted.name, "okButton");
  EXPECT_EQ(pasted.id, 300);
  EXPECT_EQ(GetParent(Handle(pasted)), other.designWindowHandle());

  // Cut takes it away and leaves it on the clipboard.
  first.select(&Named(first, "cancelButton"));
  first.cut();
  EXPECT_EQ(Names(first), (std::vector<std::string>{"okButton", "button100"}));
  first.paste();
  EXPECT_EQ(first.model.controls.back().name, "cancelButton");
  EXPECT_EQ(first.model.controls.back().id, 301);
}

TEST_F(WindowEditorTest, APasteThatNeedsMoreIdsThanAreLeftAddsNothing) {
  KVWindowEditor& editor = open("Empty.win");
  // Ids 300 and 301 belong to the buttons; every other id from 100 is taken but one.
  for (std::int32_t id = 100; id < KVIdTable::kSize; ++id) {
    if (id != 300 && id != 301 && id != 5000) editor.model.idInUse.Allocate(id);
  }
  const std::string two = ControlLine("button", 300, 1, 1, "x") + ControlLine("button", 301, 1, 30, "y");
  EXPECT_FALSE(editor.pasteText(two));
  EXPECT_EQ(editor.model.controls.size(), 2u);
  EXPECT_FALSE(editor.model.idInUse.InUse(5000));
  int children = 0;
  for (HWND child = GetWindow(editor.designWindowHandle(), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    ++children;
  }
  EXPECT_EQ(children, 2);
  EXPECT_EQ(editor.modified, 0);
  // One fits.
  EXPECT_TRUE(editor.pasteText(ControlLine("button", 300, 1, 1, "x")));
  EXPECT_EQ(editor.model.controls.back().id, 5000);
}

TEST_F(WindowEditorTest, EveryKindOfChangeMarksTheDocumentModified) {
  KVWindowEditor& editor = open("Order.win");
  DocumentRecord* document = record("Order.win");
  const auto expectMarkedThenSave = [&](const char* change) {
    EXPECT_EQ(editor.modified, 1) << change;
    ASSERT_TRUE(editor.save()) << change;
    EXPECT_EQ(editor.modified, 0) << change;
  };
  ASSERT_EQ(document->editor.get(), static_cast<KVEditorBase*>(&editor));
  Add(editor, KVWindowEditor::kAddListView);
  expectMarkedThenSave("add");
  KVControlRecord& list = Named(editor, "listview100");
  editor.select(&list);
  Key(editor, VK_DOWN);
  expectMarkedThenSave("key move");
  Drag(editor, Centre(editor, Handle(list)), {Centre(editor, Handle(list)).x + 5, Centre(editor, Handle(list)).y});
  expectMarkedThenSave("drag");
  list.caption = "x";
  editor.applyRecord(&list);
  expectMarkedThenSave("property");
  editor.copy();
  editor.paste();
  expectMarkedThenSave("paste");
  editor.deleteSelection();
  expectMarkedThenSave("delete");
  Add(editor, KVWindowEditor::kAddMenu);
  expectMarkedThenSave("add menu");
  editor.runCommand(KVWindowEditor::kDeleteMenu, {5, 5});
  expectMarkedThenSave("delete menu");
  // Selecting, and a tab order left as it was, change nothing.
  editor.select(&Named(editor, "okButton"));
  editor.runCommand(KVWindowEditor::kSetTabOrder, {0, 0});
  Mouse(editor, WM_RBUTTONDOWN, {1, 1});
  Mouse(editor, WM_RBUTTONUP, {1, 1});
  EXPECT_FALSE(editor.inTabOrderMode());
  EXPECT_EQ(editor.modified, 0);
}

}  // namespace
