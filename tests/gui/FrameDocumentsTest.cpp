// Documents in the frame: opening, activating, tabs, the status bar, edit commands and the
// save questions. Sources open in the real source editor; a stand-in editor counts the
// frame's calls where a test needs to see them.
#include <gtest/gtest.h>

#include <Scintilla.h>

#include <memory>
#include <string>

#include "app/frame/FrameWindow.h"
#include "common/Text.h"
#include "editing/OutputPane.h"
#include "editing/TabControl.h"
#include "project/ProjectTree.h"
#include "resources/ResourceIds.h"
#include "tests/common/TempFolder.h"
#include "tests/gui/DialogAnswer.h"
#include "tests/gui/Pump.h"

namespace {

using kvtest::Pump;
using kvtest::TempFolder;

struct EditorLog {
  int saves = 0;
  int undos = 0;
  int pastes = 0;
  bool saveSucceeds = true;
};

class ScintillaEditor : public KVEditorBase {
public:
  explicit ScintillaEditor(EditorLog& log) : log(log) {}
  bool create(DocumentRecord* record, HWND parent, int x, int y, int width, int height) override {
    document = record;
    editorWindow = CreateWindowExW(0, L"Scintilla", L"", WS_CHILD | WS_CLIPCHILDREN, x, y, width, height, parent,
                                   nullptr, GetModuleHandleW(nullptr), nullptr);
    SendMessageW(editorWindow, SCI_SETTEXT, 0, reinterpret_cast<LPARAM>("first line\nsecond line\n"));
    SendMessageW(editorWindow, SCI_SETSAVEPOINT, 0, 0);
    return editorWindow != nullptr;
  }
  bool save() override {
    ++log.saves;
    if (log.saveSucceeds) modified = 0;
    return log.saveSucceeds;
  }
  void undo() override { ++log.undos; }
  void paste() override { ++log.pastes; }

private:
  EditorLog& log;
};

// Presses a button of the next message box or task dialog titled "KelVox Studio".
void AnswerNextQuestion(int button) {
  static int answer;
  answer = button;
  SetTimer(nullptr, 0, 100, [](HWND, UINT, UINT_PTR timer, DWORD) {
    const HWND box = FindWindowW(L"#32770", L"KelVox Studio");
    if (!box) return;
    KillTimer(nullptr, timer);
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED), 0);
  });
}

class FrameDocumentsTest : public ::testing::Test {
protected:
  void SetUp() override {
    const std::string sep(1, kvplatform::kPathSeparator);
    folder = root / "Docs" + sep;
    kvplatform::CreateFolder(folder);
    kvplatform::CreateFolder(root / "Documents");
    kvplatform::CreateFolder(folder + "Source Files");
    kvplatform::CreateFolder(folder + "Resources");
    for (const char* name : {"a.js", "b.js", "c.js"}) TempFolder::Write(folder + "Source Files" + sep + name, "x\r\n");
    projectFile = folder + "Docs.kvproj";
    TempFolder::Write(projectFile,
                      "<Project><Name>Docs</Name><ExeName>Docs.exe</ExeName><Engine>1</Engine><Icon/>"
                      "<SourceFiles><Name>a.js</Name><Name>b.js</Name><Name>c.js</Name></SourceFiles></Project>");
    openFrame();
  }
  void TearDown() override {
    if (frame && IsWindow(frame->window)) DestroyWindow(frame->window);
    frame.reset();
    Pump();
  }

  void openFrame() {
    frame = std::make_unique<KVFrameWindow>(root.Path() + "Documents");
    frame->setEditorFactory([this](ProjectItemType kind) -> std::unique_ptr<KVEditorBase> {
      if (IsTextKind(kind) && !standInForSources) return frame->makeStandardEditor(kind);
      return std::make_unique<ScintillaEditor>(log);
    });
    ASSERT_NE(frame->create("KelVox Studio", IDI_KELVOX_STUDIO, IDR_MAIN_MENU), nullptr);
    ShowWindow(frame->window, SW_SHOW);
    frame->openProject(projectFile);
    ASSERT_TRUE(frame->projectOpen());
    Pump();
  }

  DocumentRecord* record(const std::string& name) {
    for (const auto& r : frame->documents()) {
      if (r->item->displayName == name) return r.get();
    }
    return nullptr;
  }
  std::string statusText(int part) const {
    wchar_t text[64] = {};
    SendMessageW(frame->statusBar(), SB_GETTEXTW, part, reinterpret_cast<LPARAM>(text));
    return kvtext::WideToUtf8(text);
  }
  bool menuEnabled(int id) const {
    return !(GetMenuState(GetMenu(frame->window), id, MF_BYCOMMAND) & (MF_GRAYED | MF_DISABLED));
  }
  std::string activeName() const {
    return frame->activeDocument() ? frame->activeDocument()->item->displayName : std::string();
  }

  TempFolder root;
  std::string folder;
  std::string projectFile;
  EditorLog log;
  // Sources open in the stand-in editor too, for tests that count saves and edit commands.
  bool standInForSources = false;
  std::unique_ptr<KVFrameWindow> frame;
};

TEST_F(FrameDocumentsTest, OpenedDocumentsGetTabsAndTheLastOneIsActive) {
  frame->openDocument(record("a.js"), -1, -1);
  frame->openDocument(record("b.js"), -1, -1);
  ASSERT_EQ(frame->tabs().tabList().size(), 2u);
  EXPECT_EQ(activeName(), "b.js");
  EXPECT_TRUE(IsWindowVisible(record("b.js")->editor->editorWindow));
  EXPECT_FALSE(IsWindowVisible(record("a.js")->editor->editorWindow));
  EXPECT_TRUE(IsWindowVisible(frame->tabs().window));
  EXPECT_EQ(frame->tabs().selectedRecord(), record("b.js"));
  EXPECT_EQ(frame->tabs().tabList()[0].id, 100);

  const kvframe::Rect area = frame->editorArea();
  RECT editor;
  GetWindowRect(record("b.js")->editor->editorWindow, &editor);
  MapWindowPoints(HWND_DESKTOP, frame->window, reinterpret_cast<POINT*>(&editor), 2);
  EXPECT_EQ(editor.left, area.x);
  EXPECT_EQ(editor.top, area.y);
  EXPECT_EQ(editor.right - editor.left, area.width);

  // A record the frame does not hold (a notice that outlived its document) is ignored.
  ProjectItem strangerItem = ProjectItem::FromPath(folder + "Source Files" + kvplatform::kPathSeparator + "x.js",
                                                   ProjectItemType::SourceFile);
  DocumentRecord stranger(&strangerItem);
  frame->openDocument(&stranger, -1, -1);
  PostMessageW(frame->window, KVEditorBase::kModifiedNotice, 0, reinterpret_cast<LPARAM>(&stranger));
  Pump();
  EXPECT_EQ(stranger.editor, nullptr);
  EXPECT_EQ(frame->tabs().tabList().size(), 2u);
  EXPECT_EQ(activeName(), "b.js");
}

TEST_F(FrameDocumentsTest, OnlyTextDocumentsShowACaretPosition) {
  frame->openDocument(record("Version Info"), -1, -1);
  frame->openDocument(record("Version Info"), -1, -1);  // again, while active
  NMHDR update = {record("Version Info")->editor->editorWindow, 0, SCN_UPDATEUI};
  SendMessageW(frame->window, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&update));
  EXPECT_EQ(statusText(1), "");
  EXPECT_EQ(statusText(2), "");
  frame->openDocument(record("a.js"), -1, -1);
  frame->openDocument(record("a.js"), -1, -1);
  EXPECT_EQ(statusText(1), "Line 1");
}

TEST_F(FrameDocumentsTest, StatusBarShowsTheCaretOfTheActiveSource) {
  TempFolder::Write(folder + "Source Files" + kvplatform::kPathSeparator + "a.js", "first line\r\nsecond line\r\n");
  frame->openDocument(record("a.js"), -1, -1);
  EXPECT_EQ(statusText(1), "Line 1");
  EXPECT_EQ(statusText(2), "Col 1");
  const HWND editor = record("a.js")->editor->editorWindow;
  SendMessageW(editor, SCI_GOTOPOS, 14, 0);  // "second line": its third character
  NMHDR update = {editor, 0, SCN_UPDATEUI};
  SendMessageW(frame->window, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&update));
  EXPECT_EQ(statusText(1), "Line 2");
  EXPECT_EQ(statusText(2), "Col 3");
  ASSERT_TRUE(frame->closeDocument(record("a.js")));
  EXPECT_EQ(statusText(1), "");
}

TEST_F(FrameDocumentsTest, EditCommandsReachTheActiveEditorAndFollowItsKind) {
  standInForSources = true;
  EXPECT_FALSE(menuEnabled(IDM_UNDO));
  SendMessageW(frame->window, WM_COMMAND, IDM_UNDO, 0);  // nothing active: nothing happens
  frame->openDocument(record("a.js"), -1, -1);
  EXPECT_TRUE(menuEnabled(IDM_UNDO));
  EXPECT_TRUE(menuEnabled(IDM_FIND_REPLACE));
  SendMessageW(frame->window, WM_COMMAND, MAKEWPARAM(IDM_UNDO, 1), 0);
  SendMessageW(frame->window, WM_COMMAND, IDM_PASTE, 0);
  EXPECT_EQ(log.undos, 1);
  EXPECT_EQ(log.pastes, 1);

  frame->openDocument(record("Version Info"), -1, -1);
  EXPECT_TRUE(menuEnabled(IDM_UNDO));
  EXPECT_FALSE(menuEnabled(IDM_REDO));
  EXPECT_FALSE(menuEnabled(IDM_FIND_REPLACE));
}

TEST_F(FrameDocumentsTest, TabCyclingWrapsAroundAndNeedsTwoTabs) {
  frame->openDocument(record("a.js"), -1, -1);
  SendMessageW(frame->window, WM_COMMAND, MAKEWPARAM(IDM_NEXT_TAB, 1), 0);
  EXPECT_EQ(activeName(), "a.js");
  frame->openDocument(record("b.js"), -1, -1);
  frame->openDocument(record("c.js"), -1, -1);
  SendMessageW(frame->window, WM_COMMAND, MAKEWPARAM(IDM_NEXT_TAB, 1), 0);
  EXPECT_EQ(activeName(), "a.js");
  SendMessageW(frame->window, WM_COMMAND, MAKEWPARAM(IDM_PREVIOUS_TAB, 1), 0);
  EXPECT_EQ(activeName(), "c.js");
  SendMessageW(frame->window, WM_COMMAND, MAKEWPARAM(IDM_PREVIOUS_TAB, 1), 0);
  EXPECT_EQ(activeName(), "b.js");
}

TEST_F(FrameDocumentsTest, ClosingTheActiveTabOpensItsNeighbour) {
  frame->openDocument(record("a.js"), -1, -1);
  frame->openDocument(record("b.js"), -1, -1);
  SendMessageW(frame->window, WM_COMMAND, MAKEWPARAM(IDM_CLOSE_DOCUMENT, 1), 0);
  EXPECT_EQ(record("b.js")->editor, nullptr);
  EXPECT_EQ(activeName(), "a.js");
  SendMessageW(frame->window, WM_COMMAND, MAKEWPARAM(IDM_CLOSE_DOCUMENT, 1), 0);
  EXPECT_EQ(frame->activeDocument(), nullptr);
  EXPECT_FALSE(IsWindowVisible(frame->tabs().window));
  EXPECT_FALSE(menuEnabled(IDM_UNDO));
}

TEST_F(FrameDocumentsTest, SavePointNoticesSetAndClearTheModifiedFlag) {
  frame->openDocument(record("a.js"), -1, -1);
  const HWND editor = record("a.js")->editor->editorWindow;
  NMHDR elsewhere = {frame->output().listControl(), 0, SCN_SAVEPOINTLEFT};
  SendMessageW(frame->window, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&elsewhere));
  EXPECT_EQ(record("a.js")->editor->modified, 0);  // the output pane's text is no document
  NMHDR left = {editor, 0, SCN_SAVEPOINTLEFT};
  SendMessageW(frame->window, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&left));
  EXPECT_EQ(record("a.js")->editor->modified, 1);
  NMHDR reached = {editor, 0, SCN_SAVEPOINTREACHED};
  SendMessageW(frame->window, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&reached));
  EXPECT_EQ(record("a.js")->editor->modified, 0);
}

TEST_F(FrameDocumentsTest, ClosingAModifiedDocumentAsksAndCancelKeepsIt) {
  standInForSources = true;
  frame->openDocument(record("a.js"), -1, -1);
  record("a.js")->editor->modified = 1;
  AnswerNextQuestion(IDCANCEL);
  EXPECT_FALSE(frame->closeDocument(record("a.js")));
  EXPECT_NE(record("a.js")->editor, nullptr);
  AnswerNextQuestion(IDNO);
  EXPECT_TRUE(frame->closeDocument(record("a.js")));
  EXPECT_EQ(log.saves, 0);
}

TEST_F(FrameDocumentsTest, ClosingTheProjectAsksOnceAndAFailingSaveKeepsItOpen) {
  standInForSources = true;
  frame->openDocument(record("a.js"), -1, -1);
  frame->openDocument(record("b.js"), -1, -1);
  record("a.js")->editor->modified = 1;
  record("b.js")->editor->modified = 1;

  log.saveSucceeds = false;
  kvtest::DialogAnswer question(L"KelVox Studio", L"", IDYES);
  kvtest::DialogAnswer failure(L"KelVox Studio", L"", IDOK);
  kvtest::AnswerInOrder({&question, &failure});
  EXPECT_FALSE(frame->closeProject());
  EXPECT_TRUE(frame->projectOpen());
  EXPECT_EQ(log.saves, 1);  // Save All stops at the first failure
  EXPECT_NE(failure.seen.find("a.js could not be saved."), std::string::npos) << failure.seen;

  log.saveSucceeds = true;
  AnswerNextQuestion(IDYES);
  EXPECT_TRUE(frame->closeProject());
  EXPECT_FALSE(frame->projectOpen());
  EXPECT_EQ(log.saves, 3);
}

TEST_F(FrameDocumentsTest, OpenTabsAreSavedAndRestoredWithTheProject) {
  frame->openDocument(record("c.js"), -1, -1);
  frame->openDocument(record("a.js"), -1, -1);
  frame->openDocument(record("b.js"), -1, -1);
  frame->openDocument(record("a.js"), -1, -1);
  ASSERT_TRUE(frame->closeProject());
  const std::string saved = TempFolder::Read(projectFile);
  EXPECT_NE(saved.find("<Tabs><Name type=\"0\" line=\"0\" position=\"0\">c.js</Name>"
                       "<Name type=\"0\" line=\"0\" position=\"0\">a.js</Name>"
                       "<Name type=\"0\" line=\"0\" position=\"0\">b.js</Name>"
                       "<Selected type=\"0\">a.js</Selected></Tabs>"),
            std::string::npos)
      << saved;

  // c.js is gone by the next start: the other tabs still open.
  ASSERT_TRUE(kvplatform::DeleteFileAt(folder + "Source Files" + kvplatform::kPathSeparator + "c.js"));
  frame->openProject(projectFile);
  ASSERT_TRUE(frame->projectOpen());
  ASSERT_EQ(frame->tabs().tabList().size(), 2u);
  EXPECT_EQ(frame->tabs().recordOf(frame->tabs().tabList()[0].id)->item->displayName, "a.js");
  EXPECT_EQ(activeName(), "a.js");
}

}  // namespace

// Ctrl+F attaches the find panel to the active source; it hides when another document becomes
// active or its own closes, and F3 searches with its text whether it is shown or not.
TEST_F(FrameDocumentsTest, TheFindPanelFollowsTheActiveSource) {
  const auto command = [&](int id) { SendMessageW(frame->window, WM_COMMAND, MAKEWPARAM(id, 1), 0); };
  const auto selectionEnd = [&](const char* name) {
    return SendMessageW(record(name)->editor->editorWindow, SCI_GETSELECTIONEND, 0, 0);
  };
  frame->openDocument(record("a.js"), -1, -1);
  command(IDM_FIND_NEXT);  // no panel yet, so no text to search for
  EXPECT_EQ(frame->findPanelWindow(), nullptr);
  EXPECT_EQ(selectionEnd("a.js"), 0);

  command(IDM_FIND_REPLACE);
  const HWND panel = frame->findPanelWindow();
  ASSERT_NE(panel, nullptr);
  EXPECT_EQ(GetParent(panel), record("a.js")->editor->editorWindow);
  EXPECT_EQ(GetFocus(), GetDlgItem(panel, 101));
  SetDlgItemTextW(panel, 101, L"X");
  command(IDM_FIND_NEXT);
  EXPECT_EQ(selectionEnd("a.js"), 1);

  frame->openDocument(record("b.js"), -1, -1);
  EXPECT_EQ(frame->findPanelWindow(), nullptr);
  command(IDM_FIND_REPLACE);
  ASSERT_NE(frame->findPanelWindow(), nullptr);
  EXPECT_EQ(GetParent(frame->findPanelWindow()), record("b.js")->editor->editorWindow);
  ASSERT_TRUE(frame->closeDocument(record("b.js")));
  EXPECT_EQ(frame->findPanelWindow(), nullptr);

  ASSERT_EQ(activeName(), "a.js");
  SendMessageW(record("a.js")->editor->editorWindow, SCI_SETSEL, 0, 0);
  command(IDM_FIND_NEXT);
  EXPECT_EQ(selectionEnd("a.js"), 1);
  command(IDM_FIND_PREVIOUS);  // nothing before the match: the selection stays
  EXPECT_EQ(selectionEnd("a.js"), 1);
}
