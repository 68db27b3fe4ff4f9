// The frame window built in-process and driven by messages: layout, command states, the
// target selector, the recent projects and the settings it keeps.
#include "app/frame/FrameToolbar.h"
#include "app/frame/FrameWindow.h"

#include <gtest/gtest.h>
#include <Scintilla.h>

#include <memory>
#include <string>

#include "common/Text.h"
#include "editing/OutputPane.h"
#include "editing/TabControl.h"
#include "project/ProjectTree.h"
#include "resources/ResourceIds.h"
#include "tests/common/TempFolder.h"
#include "tests/gui/DialogAnswer.h"
#include "tests/gui/Pump.h"

namespace {

using kvtest::AnswerInOrder;
using kvtest::DialogAnswer;
using kvtest::Pump;
using kvtest::TempFolder;

std::string MakeProject(const TempFolder& root, const std::string& name, const std::string& tabs = "") {
  const std::string folder = root / name + kvplatform::kPathSeparator;
  kvplatform::CreateFolder(folder);
  kvplatform::CreateFolder(folder + "Source Files");
  kvplatform::CreateFolder(folder + "Resources");
  TempFolder::Write(folder + "Source Files" + kvplatform::kPathSeparator + "main.js", "let a = 1;\r\n");
  const std::string file = folder + name + ".kvproj";
  TempFolder::Write(file, "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Project><Name>" + name + "</Name><ExeName>" +
                              name + ".exe</ExeName><Engine>1</Engine><Icon>" + name +
                              ".ico</Icon><SourceFiles><Name>main.js</Name></SourceFiles><WindowFiles/>"
                              "<LibraryFiles/><Tabs>" + tabs + "</Tabs></Project>");
  return file;
}

class FrameTest : public ::testing::Test {
protected:
  void SetUp() override { open(); }
  void TearDown() override {
    if (frame && IsWindow(frame->window)) DestroyWindow(frame->window);
    frame.reset();
    Pump();
  }

  void open() {
    frame = std::make_unique<KVFrameWindow>(documentsFolder());
    ASSERT_NE(frame->create("KelVox Studio", IDI_KELVOX_STUDIO, IDR_MAIN_MENU), nullptr);
    ShowWindow(frame->window, SW_SHOW);
    Pump();
  }
  // Closes as the close box does and waits for the window to go.
  void closeFrame() {
    SendMessageW(frame->window, WM_SYSCOMMAND, SC_CLOSE, 0);
    Pump();
  }

  bool menuEnabled(int id) const {
    return !(GetMenuState(GetMenu(frame->window), id, MF_BYCOMMAND) & (MF_GRAYED | MF_DISABLED));
  }
  bool toolbarEnabled(int id) const {
    return (SendMessageW(frame->toolbar(), TB_GETSTATE, id, 0) & TBSTATE_ENABLED) != 0;
  }
  std::string targetButtonText() const {
    wchar_t text[64] = {};
    TBBUTTONINFOW info = {};
    info.cbSize = sizeof(info);
    info.dwMask = TBIF_TEXT;
    info.pszText = text;
    info.cchText = 64;
    SendMessageW(frame->toolbar(), TB_GETBUTTONINFOW, IDC_TARGET_SELECTOR, reinterpret_cast<LPARAM>(&info));
    return kvtext::WideToUtf8(text);
  }
  HMENU recentMenu() const { return GetSubMenu(GetSubMenu(GetMenu(frame->window), 0), 5); }
  std::string menuText(HMENU menu, int position) const {
    wchar_t text[512] = {};
    GetMenuStringW(menu, position, text, 512, MF_BYPOSITION);
    return kvtext::WideToUtf8(text);
  }
  std::string documentsFolder() const { return documents.Path().substr(0, documents.Path().size() - 1); }
  std::string configPath() const {
    const char sep = kvplatform::kPathSeparator;
    return documentsFolder() + sep + "KelVox Studio" + sep + "config.xml";
  }
  static RECT childRect(HWND child) {
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(HWND_DESKTOP, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
    return r;
  }

  TempFolder documents;
  TempFolder projects;
  std::unique_ptr<KVFrameWindow> frame;
};

TEST_F(FrameTest, FirstStartWritesDefaultSettingsAndPlacesTheWindowThere) {
  EXPECT_EQ(TempFolder::Read(configPath()), KVSettings::kDefaultText);
  EXPECT_TRUE(TempFolder::Exists(frame->settings().projectsFolder));
  RECT r;
  GetWindowRect(frame->window, &r);
  EXPECT_EQ(r.left, 100);
  EXPECT_EQ(r.top, 100);
  EXPECT_EQ(r.right - r.left, 800);
  EXPECT_EQ(r.bottom - r.top, 600);
  EXPECT_EQ(menuText(GetSubMenu(GetMenu(frame->window), 0), 5), "&Recent Projects");
  EXPECT_EQ(GetMenuItemCount(recentMenu()), 0);
}

TEST_F(FrameTest, PanesTileTheClientAreaAfterResizing) {
  SetWindowPos(frame->window, nullptr, 0, 0, 1000, 700, SWP_NOMOVE | SWP_NOZORDER);
  Pump();
  RECT client, status, tree, treeView;
  GetClientRect(frame->window, &client);
  GetWindowRect(frame->statusBar(), &status);
  const int area = client.bottom - (status.bottom - status.top) - frame->toolbarHeight();
  tree = childRect(frame->projectTree().window);
  EXPECT_EQ(tree.left, 0);
  EXPECT_EQ(tree.top, frame->toolbarHeight());
  EXPECT_EQ(tree.right, 200);  // the width the default settings give
  EXPECT_EQ(tree.bottom - tree.top, area);
  treeView = childRect(frame->projectTree().treeView());
  EXPECT_EQ(treeView.right - treeView.left, 195);
  const RECT tabs = childRect(frame->tabs().window);
  EXPECT_EQ(tabs.left, 200);
  EXPECT_EQ(tabs.right, client.right);
  EXPECT_EQ(tabs.bottom - tabs.top, frame->tabHeight());
  EXPECT_EQ(frame->settings().readNumber("//Settings/ProjectTreeWidth"), 200);

  int parts[3] = {};
  ASSERT_EQ(SendMessageW(frame->statusBar(), SB_GETPARTS, 3, reinterpret_cast<LPARAM>(parts)), 3);
  RECT statusClient;
  GetClientRect(frame->statusBar(), &statusClient);
  EXPECT_EQ(parts[0], statusClient.right - 250);
  EXPECT_EQ(parts[1], statusClient.right - 150);
  EXPECT_EQ(parts[2], statusClient.right - 50);
}

TEST_F(FrameTest, ShownOutputPaneSitsBelowTheEditorsAndIsRemembered) {
  frame->output().show();
  Pump();
  RECT client, status;
  GetClientRect(frame->window, &client);
  GetWindowRect(frame->statusBar(), &status);
  const RECT output = childRect(frame->output().window);
  EXPECT_EQ(output.bottom - output.top, 200);
  EXPECT_EQ(output.bottom, client.bottom - (status.bottom - status.top));
  EXPECT_EQ(frame->settings().readNumber("//Settings/OutputHeight"), 200);
  closeFrame();
  EXPECT_NE(TempFolder::Read(configPath()).find("<OutputVisible>1</OutputVisible>"), std::string::npos);
}

TEST_F(FrameTest, CommandStatesFollowTheProjectAndTheTarget) {
  const int projectCommands[] = {IDM_NEW_SOURCE_FILE, IDM_NEW_DIALOG_WINDOW, IDM_OPEN_SOURCE_FILE,
                                 IDM_OPEN_DIALOG_WINDOW, IDM_SAVE, IDM_SAVE_ALL, IDM_BUILD, IDM_RUN,
                                 IDM_FIND_IN_FILES, IDM_OPEN_FILE_LOCATION};
  for (int id : projectCommands) EXPECT_FALSE(menuEnabled(id)) << id;
  for (int id : {IDM_NEW_SOURCE_FILE, IDM_SAVE, IDM_UNDO, IDM_CUT, IDM_BUILD, IDM_RUN, IDC_TARGET_SELECTOR})
    EXPECT_FALSE(toolbarEnabled(id)) << id;
  EXPECT_TRUE(menuEnabled(IDM_NEW_PROJECT));
  EXPECT_TRUE(menuEnabled(IDM_OPEN_PROJECT));

  frame->openProject(MakeProject(projects, "Alpha"));
  ASSERT_TRUE(frame->projectOpen());
  for (int id : projectCommands) EXPECT_TRUE(menuEnabled(id)) << id;
  for (int id : {IDM_UNDO, IDM_REDO, IDM_CUT, IDM_FIND_REPLACE}) EXPECT_FALSE(menuEnabled(id)) << id;
  for (int id : {IDM_UNDO, IDM_REDO, IDM_CUT}) EXPECT_FALSE(toolbarEnabled(id)) << id;  // no active document
  EXPECT_TRUE(toolbarEnabled(IDC_TARGET_SELECTOR));
  EXPECT_EQ(targetButtonText(), "Windows 64");

  frame->selectTarget(BuildTarget::MacOS);
  EXPECT_EQ(frame->project().Target(), 2);
  EXPECT_EQ(targetButtonText(), "macOS");
  EXPECT_FALSE(menuEnabled(IDM_RUN));
  EXPECT_FALSE(toolbarEnabled(IDM_RUN));
  EXPECT_TRUE(toolbarEnabled(IDM_BUILD));
  frame->selectTarget(BuildTarget::Windows32);
  EXPECT_EQ(targetButtonText(), "Windows 32");
  EXPECT_TRUE(menuEnabled(IDM_RUN));
  EXPECT_TRUE(toolbarEnabled(IDM_RUN));

  // The chosen target is saved with the project (the build itself fails: no runtime pack here).
  DialogAnswer failed{L"KelVox Studio"};
  AnswerInOrder({&failed});
  SendMessageW(frame->window, WM_COMMAND, IDM_BUILD, 0);
  EXPECT_EQ(frame->project().Document().GetString("//Project/Engine"), "3");
  ASSERT_TRUE(frame->closeProject());
  EXPECT_FALSE(menuEnabled(IDM_SAVE));
  EXPECT_FALSE(toolbarEnabled(IDC_TARGET_SELECTOR));
}

// Picks an entry of the next popup menu with the keyboard once the menu is up.
void ChooseMenuEntryLater(int downPresses) {
  static int presses;
  presses = downPresses;
  SetTimer(nullptr, 0, 100, [](HWND, UINT, UINT_PTR timer, DWORD) {
    const HWND menu = FindWindowW(L"#32768", nullptr);
    if (!menu) return;
    KillTimer(nullptr, timer);
    for (int i = 0; i < presses; ++i) PostMessageW(menu, WM_KEYDOWN, VK_DOWN, 0);
    PostMessageW(menu, WM_KEYDOWN, presses ? VK_RETURN : VK_ESCAPE, 0);
  });
}

LRESULT DropDownTarget(HWND frameWindow, HWND toolbar) {
  NMTOOLBARW notice = {};
  notice.hdr.hwndFrom = toolbar;
  notice.hdr.idFrom = KVFrameToolbar::kToolbarId;
  notice.hdr.code = TBN_DROPDOWN;
  notice.iItem = IDC_TARGET_SELECTOR;
  return SendMessageW(frameWindow, WM_NOTIFY, notice.hdr.idFrom, reinterpret_cast<LPARAM>(&notice));
}

TEST_F(FrameTest, TargetSelectorMenuSetsTheEngine) {
  frame->openProject(MakeProject(projects, "Target"));
  ASSERT_TRUE(frame->projectOpen());
  ChooseMenuEntryLater(3);  // "Windows 32", "Windows 64", "macOS"
  EXPECT_EQ(DropDownTarget(frame->window, frame->toolbar()), 0);
  EXPECT_EQ(frame->project().Target(), 2);
  EXPECT_EQ(targetButtonText(), "macOS");
  EXPECT_FALSE(toolbarEnabled(IDM_RUN));

  ChooseMenuEntryLater(0);  // dismissed: nothing changes
  DropDownTarget(frame->window, frame->toolbar());
  EXPECT_EQ(frame->project().Target(), 2);

  ChooseMenuEntryLater(1);
  DropDownTarget(frame->window, frame->toolbar());
  EXPECT_EQ(frame->project().Target(), 3);
  EXPECT_EQ(targetButtonText(), "Windows 32");
  EXPECT_TRUE(toolbarEnabled(IDM_RUN));
}

TEST_F(FrameTest, EveryCommandIsHandledWithAndWithoutAProject) {
  const int ids[] = {IDM_BUILD, IDM_SAVE, IDM_SAVE_ALL, IDM_UNDO, IDM_REDO, IDM_CUT, IDM_COPY, IDM_PASTE,
                     IDM_DELETE, IDM_PREVIOUS_TAB, IDM_NEXT_TAB, IDM_CLOSE_DOCUMENT, IDM_FIND_NEXT,
                     IDM_FIND_PREVIOUS, IDM_RECENT_FIRST, IDM_RECENT_LAST};
  for (int pass = 0; pass < 2; ++pass) {
    // With a project, the two builds fail (this program carries no runtime pack) and say so.
    DialogAnswer buildFailed{L"KelVox Studio"}, againFailed{L"KelVox Studio"};
    if (pass == 1) AnswerInOrder({&buildFailed, &againFailed});
    for (int id : ids) {
      EXPECT_EQ(SendMessageW(frame->window, WM_COMMAND, MAKEWPARAM(id, 0), 0), 0) << id;
      EXPECT_EQ(SendMessageW(frame->window, WM_COMMAND, MAKEWPARAM(id, 1), 0), 0) << id;
    }
    frame->openProject(MakeProject(projects, "Routed" + std::to_string(pass)));
  }
  EXPECT_TRUE(IsWindow(frame->window));
}

TEST_F(FrameTest, OpenedProjectsLeadTheRecentListWhichKeepsTen) {
  std::string last;
  for (int i = 0; i < 11; ++i) {
    last = MakeProject(projects, "P" + std::to_string(i));
    frame->openProject(last);
    ASSERT_TRUE(frame->projectOpen()) << i;
    ASSERT_TRUE(frame->closeProject());
  }
  ASSERT_EQ(GetMenuItemCount(recentMenu()), 10);
  EXPECT_EQ(menuText(recentMenu(), 0), "&1 P10 (" + last + ")");
  EXPECT_EQ(GetMenuItemID(recentMenu(), 0), static_cast<UINT>(IDM_RECENT_FIRST));
  EXPECT_EQ(menuText(recentMenu(), 9).rfind("&10 P1 (", 0), 0u);

  // Choosing a recent entry opens that project.
  SendMessageW(frame->window, WM_COMMAND, IDM_RECENT_FIRST + 3, 0);
  ASSERT_TRUE(frame->projectOpen());
  EXPECT_EQ(frame->project().Name(), "P7");
  EXPECT_EQ(menuText(recentMenu(), 0).rfind("&1 P7 (", 0), 0u);
}

TEST_F(FrameTest, OpeningAProjectFillsTheTreeAndTitle) {
  const std::string file = MakeProject(projects, "Tree");
  frame->openProject(file);
  ASSERT_TRUE(frame->projectOpen());
  wchar_t title[128] = {};
  GetWindowTextW(frame->window, title, 128);
  EXPECT_EQ(kvtext::WideToUtf8(title), "KelVox Studio - Tree");
  ASSERT_EQ(frame->documents().size(), 3u);  // main.js, version information, icon
  for (const auto& record : frame->documents()) EXPECT_NE(record->treeNode, nullptr) << record->item->displayName;
  EXPECT_EQ(LayoutFragment(frame->projectTree().layout()),
            "<Layout><SourceFiles><Item><Name>main.js</Name></Item></SourceFiles></Layout>");
  EXPECT_EQ(frame->settings().document.GetString("//Settings/LastProject"), file);

  // The same project cannot be opened by a second frame while this one holds it.
  KVFrameWindow second(documentsFolder());
  ASSERT_NE(second.create("KelVox Studio", IDI_KELVOX_STUDIO, IDR_MAIN_MENU), nullptr);
  DialogAnswer refused{L"KelVox Studio"};
  AnswerInOrder({&refused});
  EXPECT_FALSE(second.openProject(file));
  EXPECT_FALSE(second.projectOpen());
  EXPECT_EQ(refused.seen, "The project " + file + " is already open in this KelVox Studio.");
  DestroyWindow(second.window);
  Pump();

  ASSERT_TRUE(frame->closeProject());
  EXPECT_TRUE(frame->documents().empty());
  const std::string saved = TempFolder::Read(file);
  EXPECT_EQ(saved.find("<pid>"), std::string::npos);
  EXPECT_NE(saved.find("<Layout><SourceFiles><Item><Name>main.js</Name></Item></SourceFiles></Layout>"),
            std::string::npos);
}

TEST_F(FrameTest, ClosingSavesTheWindowAndTheNextStartReopensTheLastProject) {
  const std::string file = MakeProject(projects, "Again");
  frame->openProject(file);
  SetWindowPos(frame->window, nullptr, 140, 120, 900, 640, SWP_NOZORDER);
  Pump();
  closeFrame();
  EXPECT_FALSE(IsWindow(frame->window));

  KVSettings saved;
  saved.load(documentsFolder());
  EXPECT_EQ(saved.readNumber("//Settings/Position/Left"), 140);
  EXPECT_EQ(saved.readNumber("//Settings/Position/Top"), 120);
  EXPECT_EQ(saved.readNumber("//Settings/Position/Width"), 900);
  EXPECT_EQ(saved.readNumber("//Settings/Position/Height"), 640);
  EXPECT_EQ(saved.document.GetString("//Settings/LastProject"), file);
  ASSERT_EQ(saved.recentCount(), 1);
  EXPECT_EQ(saved.document.GetString("//Settings/OutputVisible"), "0");

  frame.reset();
  open();
  EXPECT_TRUE(frame->projectOpen());
  EXPECT_EQ(frame->project().Name(), "Again");
  RECT r;
  GetWindowRect(frame->window, &r);
  EXPECT_EQ(r.left, 140);
  EXPECT_EQ(r.right - r.left, 900);
}

TEST_F(FrameTest, NarrowTreeAndTinyOutputSettingsAreRaisedToTheirFloors) {
  frame->settings().writeNumber("//Settings/ProjectTreeWidth", 90);
  frame->settings().writeNumberOrAppend("//Settings/OutputHeight", "OutputHeight", 30);
  frame->settings().writeNumberOrAppend("//Settings/OutputVisible", "OutputVisible", 1);
  frame->settings().save();
  DestroyWindow(frame->window);
  frame.reset();
  open();
  Pump();
  EXPECT_EQ(childRect(frame->projectTree().window).right, 150);
  EXPECT_TRUE(frame->output().visible);
  EXPECT_EQ(frame->output().height, 50);
}

TEST_F(FrameTest, ClosedMinimisedOrMaximisedTheFrameKeepsItsNormalRectangle) {
  SetWindowPos(frame->window, nullptr, 140, 120, 900, 640, SWP_NOZORDER);
  frame->output().show();
  Pump();
  const int outputHeight = frame->output().height;
  ShowWindow(frame->window, SW_MINIMIZE);
  Pump();
  // A minimised frame changes no pane.
  EXPECT_EQ(frame->output().height, outputHeight);
  closeFrame();
  KVSettings saved;
  saved.load(documentsFolder());
  EXPECT_EQ(saved.readNumber("//Settings/Position/Left"), 140);
  EXPECT_EQ(saved.readNumber("//Settings/Position/Top"), 120);
  EXPECT_EQ(saved.readNumber("//Settings/Position/Width"), 900);
  EXPECT_EQ(saved.readNumber("//Settings/Position/Height"), 640);
  EXPECT_EQ(saved.readNumber("//Settings/OutputHeight"), outputHeight);
  EXPECT_EQ(saved.readNumber("//Settings/Maximized"), 0);

  frame.reset();
  open();
  ShowWindow(frame->window, SW_MAXIMIZE);
  Pump();
  closeFrame();
  saved.load(documentsFolder());
  EXPECT_EQ(saved.readNumber("//Settings/Position/Width"), 900);
  EXPECT_EQ(saved.readNumber("//Settings/Maximized"), 1);

  frame = std::make_unique<KVFrameWindow>(documentsFolder());
  ASSERT_NE(frame->create("KelVox Studio", IDI_KELVOX_STUDIO, IDR_MAIN_MENU), nullptr);
  frame->showFirstTime(SW_SHOWNORMAL);
  Pump();
  EXPECT_TRUE(IsZoomed(frame->window));
  ShowWindow(frame->window, SW_RESTORE);
  RECT r;
  GetWindowRect(frame->window, &r);
  EXPECT_EQ(r.left, 140);
  EXPECT_EQ(r.right - r.left, 900);
}

TEST_F(FrameTest, AProjectThatCannotOpenLeavesTheOpenOneAndSaysWhy) {
  const std::string kept = MakeProject(projects, "Kept");
  ASSERT_TRUE(frame->openProject(kept));
  const std::string notXml = projects / "broken.kvproj";
  TempFolder::Write(notXml, "this is not a project");
  const std::string empty = projects / "empty.kvproj";
  TempFolder::Write(empty, "");
  for (const std::string& path : {notXml, empty}) {
    DialogAnswer refused{L"KelVox Studio"};
    AnswerInOrder({&refused});
    EXPECT_FALSE(frame->openProject(path));
    EXPECT_EQ(refused.seen, "The project " + path + " is not a KelVox Studio project file.");
    ASSERT_TRUE(frame->projectOpen());
    EXPECT_EQ(frame->project().Name(), "Kept");
  }
  // Opening the open project again reopens it.
  EXPECT_TRUE(frame->openProject(kept));
  EXPECT_EQ(frame->project().Name(), "Kept");
}

TEST_F(FrameTest, RunStartsOnlyABuiltFileOfTheProjectFolder) {
  const std::string file = MakeProject(projects, "Runner");
  ASSERT_TRUE(frame->openProject(file));
  DialogAnswer notBuilt{L"KelVox Studio"};
  AnswerInOrder({&notBuilt});
  SendMessageW(frame->window, WM_COMMAND, MAKEWPARAM(IDM_RUN, 1), 0);
  EXPECT_EQ(notBuilt.seen, "Runner.exe has not been built yet. Build the project first (F7).");
  ASSERT_TRUE(frame->closeProject());

  // A project file naming a program elsewhere is refused, even when that program exists.
  std::string text = TempFolder::Read(file);
  const std::string exe = "<ExeName>Runner.exe</ExeName>";
  text.replace(text.find(exe), exe.size(), "<ExeName>..\\outside.exe</ExeName>");
  TempFolder::Write(file, text);
  TempFolder::Write(projects / "outside.exe", "MZ");
  ASSERT_TRUE(frame->openProject(file));
  DialogAnswer outside{L"KelVox Studio"};
  AnswerInOrder({&outside});
  SendMessageW(frame->window, WM_COMMAND, MAKEWPARAM(IDM_RUN, 1), 0);
  EXPECT_EQ(outside.seen, "The project's executable name \"..\\outside.exe\" is not a file name in the project folder.");
}

TEST_F(FrameTest, TheRecentMenuShowsTenAndIsGreyedWhenEmpty) {
  EXPECT_TRUE(GetMenuState(GetSubMenu(GetMenu(frame->window), 0), 5, MF_BYPOSITION) & MF_GRAYED);
  for (int i = 0; i < 12; ++i) frame->settings().recentProjects.push_back(projects / ("R" + std::to_string(i)));
  frame->updateCommandStates();
  EXPECT_EQ(GetMenuItemCount(recentMenu()), 10);
  EXPECT_FALSE(GetMenuState(GetSubMenu(GetMenu(frame->window), 0), 5, MF_BYPOSITION) & MF_GRAYED);
  // The ids after the tenth belong to other commands: they never open a recent project.
  const std::string other = MakeProject(projects, "Other");
  frame->settings().recentProjects[10] = other;
  SendMessageW(frame->window, WM_COMMAND, IDM_RECENT_FIRST + 10, 0);
  EXPECT_FALSE(frame->projectOpen());
}

TEST_F(FrameTest, TheTargetSelectorKeepsItsWidthAndBuildStaysInPlace) {
  ASSERT_TRUE(frame->openProject(MakeProject(projects, "Width")));
  RECT build64 = {}, build32 = {};
  const auto buildRect = [&](RECT& r) {
    const int index = static_cast<int>(SendMessageW(frame->toolbar(), TB_COMMANDTOINDEX, IDM_BUILD, 0));
    SendMessageW(frame->toolbar(), TB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&r));
  };
  buildRect(build64);
  frame->selectTarget(BuildTarget::MacOS);
  buildRect(build32);
  EXPECT_EQ(build64.left, build32.left);
  frame->selectTarget(BuildTarget::Windows32);
  buildRect(build32);
  EXPECT_EQ(build64.left, build32.left);
}

TEST_F(FrameTest, AFailedBuildSaysSoAndWritesItsStepsToTheOutputPane) {
  ASSERT_TRUE(frame->openProject(MakeProject(projects, "Failing")));
  DialogAnswer failed{L"KelVox Studio"};
  AnswerInOrder({&failed});
  SendMessageW(frame->window, WM_COMMAND, MAKEWPARAM(IDM_BUILD, 1), 0);
  ASSERT_TRUE(failed.answered);
  // This test program carries no runtime pack: the runtime step fails, naming the file.
  EXPECT_EQ(failed.seen.rfind("Build failed at runtime: ", 0), 0u) << failed.seen;
  EXPECT_TRUE(frame->output().visible);
  const HWND text = frame->output().listControl();
  const int length = static_cast<int>(SendMessageW(text, SCI_GETLENGTH, 0, 0));
  std::string lines(static_cast<std::size_t>(length) + 1, '\0');
  SendMessageW(text, SCI_GETTEXT, lines.size(), reinterpret_cast<LPARAM>(lines.data()));
  EXPECT_NE(lines.find("runtime: FAILED "), std::string::npos) << lines;
}

}  // namespace
