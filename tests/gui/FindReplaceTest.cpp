// Find and replace on the real source editor in the frame: the editor's searches and
// replacements on the component's text, and the panel over the editor driven by the
// messages its buttons and the dialog manager send.
#include <gtest/gtest.h>

#include <Scintilla.h>

#include <memory>
#include <stdexcept>
#include <string>

#include "app/frame/FrameWindow.h"
#include "common/Text.h"
#include "editing/SourceEditor.h"
#include "resources/ResourceIds.h"
#include "search/FindReplacePanel.h"
#include "tests/gui/FrameProject.h"
#include "tests/gui/Pump.h"

namespace {

using kvtest::Pump;

class FindReplaceTest : public kvtest::FrameProjectTest {
protected:
  void SetUp() override {
    FrameProjectTest::SetUp();
    write("Source Files", "main.js", "");
    write("Source Files", "other.js", "");
    write("External Libraries", "net.ext", "C:\\libs\\net.dll\r\nint ping(int n);\r\n");
    ASSERT_NO_FATAL_FAILURE(openProject("<SourceFiles><Name>main.js</Name><Name>other.js</Name></SourceFiles>"
                                        "<WindowFiles/><LibraryFiles><Name>net.ext</Name></LibraryFiles>"));
  }
  void TearDown() override {
    panel.reset();
    FrameProjectTest::TearDown();
  }

  DocumentRecord* projectDocument(const std::string& name) {
    if (DocumentRecord* found = record(name)) return found;
    throw std::runtime_error(name + " is not in the project");
  }
  // The document open and active with this text, nothing selected, no undo history.
  KVSourceEditor& open(const std::string& name, const std::string& text = "") {
    DocumentRecord* document = projectDocument(name);
    frame->openDocument(document, -1, -1);
    auto* editor = dynamic_cast<KVSourceEditor*>(document->editor.get());
    if (!editor) throw std::runtime_error(name + " did not open in the source editor");
    editor->call(SCI_SETTEXT, 0, reinterpret_cast<sptr_t>(text.c_str()));
    editor->call(SCI_EMPTYUNDOBUFFER);
    editor->call(SCI_SETSAVEPOINT);
    editor->modified = 0;
    editor->call(SCI_SETSEL, 0, 0);
    return *editor;
  }
  static std::string Text(const KVSourceEditor& editor) {
    const auto length = static_cast<std::size_t>(editor.call(SCI_GETLENGTH));
    std::string text(length + 1, '\0');
    editor.call(SCI_GETTEXT, length + 1, reinterpret_cast<sptr_t>(text.data()));
    text.resize(length);
    return text;
  }
  struct Selection {
    sptr_t start;
    sptr_t end;
    bool operator==(const Selection& other) const { return start == other.start && end == other.end; }
  };
  static Selection Selected(const KVSourceEditor& editor) {
    return {editor.call(SCI_GETSELECTIONSTART), editor.call(SCI_GETSELECTIONEND)};
  }

  // The panel shown over the document's editor, as the frame does on Ctrl+F.
  KVFindReplace& showPanel(const std::string& name) {
    if (!panel) panel = std::make_unique<KVFindReplace>();
    if (!panel->showFor(projectDocument(name))) throw std::runtime_error("the panel did not show");
    return *panel;
  }
  HWND control(int id) const { return GetDlgItem(panel->window, id); }
  void setField(int id, const std::string& text) const {
    SetWindowTextW(control(id), kvtext::Utf8ToWide(text).c_str());
  }
  std::string field(int id) const { return panel->getWindowText(control(id)); }
  void click(int id) const {
    SendMessageW(panel->window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(control(id)));
  }

  std::unique_ptr<KVFindReplace> panel;
};

TEST_F(FindReplaceTest, FindNextAndPreviousSelectTheNearestMatchAndStopAtTheEnds) {
  KVSourceEditor& editor = open("main.js", "var a;\r\nVAR b;\r\nvar c;\r\n");
  editor.findNext("var", false);
  EXPECT_EQ(Selected(editor), (Selection{0, 3}));
  editor.findNext("var", false);
  EXPECT_EQ(Selected(editor), (Selection{8, 11}));
  editor.findNext("var", false);
  EXPECT_EQ(Selected(editor), (Selection{16, 19}));
  editor.findNext("var", false);  // the last one: no wrap-around, the selection stays
  EXPECT_EQ(Selected(editor), (Selection{16, 19}));

  editor.findPrevious("var", true);  // match case passes over "VAR"
  EXPECT_EQ(Selected(editor), (Selection{0, 3}));
  editor.findPrevious("var", true);  // the first one
  EXPECT_EQ(Selected(editor), (Selection{0, 3}));
  editor.findNext("VAR", true);
  EXPECT_EQ(Selected(editor), (Selection{8, 11}));
  editor.findNext("missing", false);
  EXPECT_EQ(Selected(editor), (Selection{8, 11}));
  editor.findNext("", false);
  EXPECT_EQ(Selected(editor), (Selection{8, 11}));
}

TEST_F(FindReplaceTest, FindNextBringsTheMatchIntoView) {
  std::string text;
  for (int i = 0; i < 300; ++i) text += "line\r\n";
  text += "target\r\n";
  KVSourceEditor& editor = open("main.js", text);
  editor.findNext("target", true);
  EXPECT_EQ(Selected(editor), (Selection{1800, 1806}));
  const sptr_t first = editor.call(SCI_GETFIRSTVISIBLELINE);
  const sptr_t shown = editor.call(SCI_LINESONSCREEN);
  EXPECT_LE(first, 300);
  EXPECT_GT(first + shown, 300);
}

TEST_F(FindReplaceTest, ReplaceAllReplacesEveryOccurrenceOnce) {
  struct Case {
    const char* text;
    const char* searched;
    const char* replacement;
    bool matchCase;
    const char* expected;
  };
  const Case cases[] = {
      {"a b a\r\nba", "a", "aa", true, "aa b aa\r\nbaa"},         // the replacement contains the text
      {"ababab ab", "ab", "x", true, "xxx x"},                     // adjacent occurrences, shorter
      {"Name name NAME", "Name", "id", false, "id id id"},         // case ignored
      {"Name name NAME", "Name", "id", true, "id name NAME"},      // case kept
      {"one two", "three", "four", true, "one two"},               // nothing found
      {"a.b.c", ".", "", true, "abc"},                             // removing
      {"x", "", "y", true, "x"},                                   // nothing to search for
  };
  for (const Case& c : cases) {
    KVSourceEditor& editor = open("main.js", c.text);
    editor.replaceAll(c.searched, c.replacement, c.matchCase);
    EXPECT_EQ(Text(editor), c.expected) << c.text << " / " << c.searched;
  }
}

TEST_F(FindReplaceTest, ReplaceAllIsOneUndoStepAndSelectsTheLastMatch) {
  KVSourceEditor& editor = open("main.js", "k = k + k;\r\n");
  editor.call(SCI_SETSEL, 2, 3);
  editor.replaceAll("k", "key", true);
  EXPECT_EQ(Text(editor), "key = key + key;\r\n");
  EXPECT_EQ(Selected(editor), (Selection{12, 13}));  // the last match, as long as the text was
  editor.undo();
  EXPECT_EQ(Text(editor), "k = k + k;\r\n");
  EXPECT_EQ(editor.call(SCI_CANUNDO), 0);

  editor.call(SCI_SETSEL, 4, 5);
  editor.replaceAll("missing", "x", true);
  EXPECT_EQ(Selected(editor), (Selection{4, 5}));  // nothing found: the selection as it was
}

TEST_F(FindReplaceTest, ReplaceSelectsFirstThenReplacesAndMovesOn) {
  KVSourceEditor& editor = open("main.js", "a-a-a");
  editor.replace("a", "aa", true);  // nothing selected: only the next one is selected
  EXPECT_EQ(Text(editor), "a-a-a");
  EXPECT_EQ(Selected(editor), (Selection{0, 1}));
  editor.replace("a", "aa", true);  // replaced; the next is found after the inserted text
  EXPECT_EQ(Text(editor), "aa-a-a");
  EXPECT_EQ(Selected(editor), (Selection{3, 4}));
  editor.replace("a", "aa", true);
  editor.replace("a", "aa", true);
  EXPECT_EQ(Text(editor), "aa-aa-aa");
  editor.replace("a", "aa", true);  // nothing left to replace or find
  EXPECT_EQ(Text(editor), "aa-aa-aa");
}

TEST_F(FindReplaceTest, PanelSitsInTheEditorsTopRightCornerWithTheSelectionToFind) {
  KVSourceEditor& editor = open("main.js", "let total = 0;\r\n");
  editor.call(SCI_SETSEL, 4, 9);
  KVFindReplace& shown = showPanel("main.js");
  ASSERT_EQ(shown.scale(290), 290);  // these tests are written for 96 DPI
  EXPECT_TRUE(shown.visible);
  EXPECT_TRUE(IsWindowVisible(shown.window));
  EXPECT_EQ(GetParent(shown.window), editor.editorWindow);
  RECT client;
  GetClientRect(editor.editorWindow, &client);
  RECT placed;
  GetWindowRect(shown.window, &placed);
  MapWindowPoints(nullptr, editor.editorWindow, reinterpret_cast<POINT*>(&placed), 2);
  EXPECT_EQ(placed.left, client.right - 290);
  EXPECT_EQ(placed.top, 0);
  EXPECT_EQ(placed.right - placed.left, 290);
  EXPECT_EQ(placed.bottom - placed.top, 83);
  EXPECT_EQ(field(KVFindReplace::kFindField), "total");
  EXPECT_EQ(GetFocus(), control(KVFindReplace::kFindField));
  EXPECT_EQ(shown.getWindowText(shown.window), "Find and Replace");
  EXPECT_EQ(LOWORD(SendMessageW(shown.window, DM_GETDEFID, 0, 0)), KVFindReplace::kFindNext);
}

TEST_F(FindReplaceTest, PanelShowsOnlyForJavaScriptSources) {
  open("main.js");
  panel = std::make_unique<KVFindReplace>();
  frame->openDocument(projectDocument("net.dll"), -1, -1);
  EXPECT_FALSE(panel->showFor(projectDocument("net.dll")));
  EXPECT_FALSE(panel->showFor(projectDocument("other.js")));  // not open
  EXPECT_FALSE(panel->showFor(nullptr));
  EXPECT_FALSE(panel->visible);
}

TEST_F(FindReplaceTest, ButtonsRunTheEditorsOperationsWithTheFields) {
  KVSourceEditor& editor = open("main.js", "Item item ITEM item");
  showPanel("main.js");
  setField(KVFindReplace::kFindField, "item");
  setField(KVFindReplace::kReplaceField, "row");
  click(KVFindReplace::kFindNext);
  EXPECT_EQ(Selected(editor), (Selection{0, 4}));  // "Match case" off
  SendMessageW(control(KVFindReplace::kMatchCase), BM_SETCHECK, BST_CHECKED, 0);
  click(KVFindReplace::kFindNext);
  EXPECT_EQ(Selected(editor), (Selection{5, 9}));
  click(KVFindReplace::kFindPrevious);  // "Item" does not match with case
  EXPECT_EQ(Selected(editor), (Selection{5, 9}));
  click(KVFindReplace::kReplace);
  EXPECT_EQ(Text(editor), "Item row ITEM item");
  EXPECT_EQ(Selected(editor), (Selection{14, 18}));
  SendMessageW(control(KVFindReplace::kMatchCase), BM_SETCHECK, BST_UNCHECKED, 0);
  click(KVFindReplace::kReplaceAll);
  EXPECT_EQ(Text(editor), "row row row row");
  click(KVFindReplace::kClose);
  EXPECT_FALSE(panel->visible);
  EXPECT_FALSE(IsWindowVisible(panel->window));
}

TEST_F(FindReplaceTest, EnterFindsNextAndEscapeHidesThePanel) {
  KVSourceEditor& editor = open("main.js", "ab ab");
  showPanel("main.js");
  setField(KVFindReplace::kFindField, "ab");
  // The dialog manager turns Enter into the default button and Escape into IDCANCEL.
  MSG enter = {control(KVFindReplace::kFindField), WM_KEYDOWN, VK_RETURN, 0x001C0001, 0, {}};
  EXPECT_TRUE(IsDialogMessageW(panel->window, &enter));
  Pump();
  EXPECT_EQ(Selected(editor), (Selection{0, 2}));
  MSG escape = {control(KVFindReplace::kFindField), WM_KEYDOWN, VK_ESCAPE, 0x00010001, 0, {}};
  EXPECT_TRUE(IsDialogMessageW(panel->window, &escape));
  Pump();
  EXPECT_FALSE(panel->visible);
  EXPECT_EQ(GetFocus(), editor.editorWindow);

  SendMessageW(panel->window, WM_SYSCOMMAND, SC_CLOSE, 0);  // also when already hidden
  EXPECT_FALSE(panel->visible);
}

TEST_F(FindReplaceTest, F3FindsWithTheHiddenPanelsTextAndTheTextsOutliveTheEditor) {
  KVSourceEditor& editor = open("main.js", "go go go");
  showPanel("main.js");
  setField(KVFindReplace::kFindField, "go");
  setField(KVFindReplace::kReplaceField, "run");
  panel->hide();
  panel->findNext(projectDocument("main.js"));
  panel->findNext(projectDocument("main.js"));
  EXPECT_EQ(Selected(editor), (Selection{3, 5}));
  panel->findPrevious(projectDocument("main.js"));
  EXPECT_EQ(Selected(editor), (Selection{0, 2}));

  // Closing the document takes the editor's window, and the panel in it, away.
  editor.call(SCI_SETSAVEPOINT);
  editor.modified = 0;
  ASSERT_TRUE(frame->closeDocument(projectDocument("main.js")));
  Pump();
  EXPECT_EQ(panel->window, nullptr);
  EXPECT_FALSE(panel->visible);
  panel->findNext(projectDocument("main.js"));  // not open: nothing

  KVSourceEditor& other = open("other.js", "run go");
  showPanel("other.js");
  EXPECT_EQ(field(KVFindReplace::kFindField), "go");
  EXPECT_EQ(field(KVFindReplace::kReplaceField), "run");
  EXPECT_EQ(GetParent(panel->window), other.editorWindow);
  click(KVFindReplace::kFindNext);
  EXPECT_EQ(Selected(other), (Selection{4, 6}));
}

TEST_F(FindReplaceTest, RepositionFollowsTheEditorsWidth) {
  KVSourceEditor& editor = open("main.js");
  showPanel("main.js");
  RECT client;
  GetClientRect(editor.editorWindow, &client);
  RECT outer;
  GetWindowRect(editor.editorWindow, &outer);
  SetWindowPos(editor.editorWindow, nullptr, 0, 0, outer.right - outer.left - 100, outer.bottom - outer.top,
               SWP_NOMOVE | SWP_NOZORDER);
  panel->reposition();
  RECT placed;
  GetWindowRect(panel->window, &placed);
  MapWindowPoints(nullptr, editor.editorWindow, reinterpret_cast<POINT*>(&placed), 2);
  EXPECT_EQ(placed.left, client.right - 100 - 290);
}

}  // namespace
