#include "app/frame/BuildLog.h"
#include "app/frame/FrameRules.h"

#include <gtest/gtest.h>

#include <map>

#include "resources/ResourceIds.h"

using namespace kvframe;

namespace {

constexpr std::optional<ProjectItemType> kNoDocument;

std::map<int, bool> StatesOf(bool open, int target, std::optional<ProjectItemType> kind) {
  std::map<int, bool> states;
  for (const CommandState& s : CommandStates(open, target, kind)) states[s.id] = s.enabled;
  return states;
}

std::optional<ProjectItemType> Kind(int code) { return static_cast<ProjectItemType>(code); }

}  // namespace

TEST(FrameCommandStates, WithoutProjectEverythingButProjectCommandsIsDisabled) {
  const auto states = StatesOf(false, 1, kNoDocument);
  for (const auto& [id, enabled] : states) EXPECT_FALSE(enabled) << id;
  for (int untouched : {IDM_NEW_PROJECT, IDM_OPEN_PROJECT, IDM_EXIT, IDM_ABOUT, IDM_RECENT_FIRST})
    EXPECT_EQ(states.count(untouched), 0u) << untouched;
  EXPECT_EQ(states.size(), 18u);
}

TEST(FrameCommandStates, EditCommandsFollowTheActiveDocument) {
  struct Row { std::optional<ProjectItemType> kind; bool undo, redo, clipboard, find; };
  const Row rows[] = {
      {kNoDocument, false, false, false, false}, {Kind(4), false, false, false, false},
      {Kind(5), false, false, false, false},     {Kind(0), true, true, true, true},
      {Kind(2), true, true, true, false},        {Kind(1), false, false, true, false},
      {Kind(3), true, false, true, false},
  };
  for (const Row& row : rows) {
    auto s = StatesOf(true, 1, row.kind);
    EXPECT_EQ(s[IDM_UNDO], row.undo) << static_cast<int>(row.kind.value_or(ProjectItemType{-1}));
    EXPECT_EQ(s[IDM_REDO], row.redo) << static_cast<int>(row.kind.value_or(ProjectItemType{-1}));
    for (int id : {IDM_CUT, IDM_COPY, IDM_PASTE, IDM_DELETE}) EXPECT_EQ(s[id], row.clipboard) << static_cast<int>(row.kind.value_or(ProjectItemType{-1}));
    EXPECT_EQ(s[IDM_FIND_REPLACE], row.find) << static_cast<int>(row.kind.value_or(ProjectItemType{-1}));
    for (int id : {IDM_NEW_SOURCE_FILE, IDM_SAVE, IDM_SAVE_ALL, IDM_BUILD, IDC_TARGET_SELECTOR, IDM_FIND_IN_FILES})
      EXPECT_TRUE(s[id]) << id;
  }
}

TEST(FrameCommandStates, MacOSTargetDisablesRunOnly) {
  EXPECT_FALSE(StatesOf(true, 2, Kind(0))[IDM_RUN]);
  EXPECT_TRUE(StatesOf(true, 2, Kind(0))[IDM_BUILD]);
  for (int target : {1, 3, 0, 7}) EXPECT_TRUE(StatesOf(true, target, Kind(0))[IDM_RUN]) << target;
}

TEST(FrameTexts, TargetNamesAndRecentEntries) {
  struct Row { int code; const char* display; const char* commandLine; };
  for (const Row& row : {Row{1, "Windows 64", "win64"}, Row{2, "macOS", "macos"}, Row{3, "Windows 32", "win32"},
                         Row{0, "", ""}, Row{4, "", ""}}) {
    EXPECT_EQ(TargetDisplayName(row.code), row.display) << row.code;
    EXPECT_EQ(TargetCommandLineName(row.code), row.commandLine) << row.code;
    if (row.code != 0 && *row.commandLine) {
      EXPECT_EQ(TargetFromCommandLineName(row.commandLine), row.code);
    }
  }
  EXPECT_EQ(TargetFromCommandLineName("Win64"), 0);
  EXPECT_EQ(RecentProjectMenuText(1, "C:\\P\\My App.kvproj"), "&1 My App (C:\\P\\My App.kvproj)");
  EXPECT_EQ(RecentProjectMenuText(10, "C:\\a.b\\x.y.kvproj"), "&10 x.y (C:\\a.b\\x.y.kvproj)");
  EXPECT_EQ(RecentProjectMenuText(2, "/home/u/noext"), "&2 noext (/home/u/noext)");
}

TEST(FrameTexts, RunNeedsABuiltFileOfTheProjectFolder) {
  EXPECT_EQ(RunRefusal("Demo.exe", true), "");
  EXPECT_EQ(RunRefusal("Demo.exe", false), "Demo.exe has not been built yet. Build the project first (F7).");
  for (const char* unsafe : {"..\\evil.exe", "../evil.exe", "sub\\Demo.exe", "", ".."}) {
    EXPECT_NE(RunRefusal(unsafe, true).find("is not a file name in the project folder"), std::string::npos) << unsafe;
  }
}

TEST(FrameLayoutRules, PanesTileTheClientArea) {
  LayoutInput in;
  in.clientWidth = 1000; in.clientHeight = 700; in.statusHeight = 22; in.toolbarHeight = 30;
  in.treeWidth = 200; in.tabHeight = 24; in.outputVisible = true; in.outputHeight = 150;
  in.outputHeaderHeight = 25;
  const FrameLayout l = ComputeLayout(in);
  EXPECT_EQ(l.area, 648);
  EXPECT_EQ(l.tree, (Rect{0, 30, 200, 648}));
  EXPECT_EQ(l.treeView, (Rect{0, 0, 195, 648}));
  EXPECT_EQ(l.tabs, (Rect{200, 30, 800, 24}));
  EXPECT_EQ(l.editors, (Rect{200, 54, 800, 474}));
  EXPECT_EQ(l.output, (Rect{200, 528, 800, 150}));
  EXPECT_EQ(l.outputList, (Rect{0, 25, 800, 125}));
  EXPECT_EQ(l.editors.y + l.editors.height, l.output.y);
  EXPECT_EQ(l.treeMaximumWidth, 950);

  in.outputVisible = false;
  const FrameLayout hidden = ComputeLayout(in);
  EXPECT_EQ(hidden.editors.height, 648 - 24);
  EXPECT_EQ(hidden.output.height, 0);
}

TEST(FrameLayoutRules, ShrinkingFrameShrinksTheOutputPane) {
  LayoutInput in;
  in.clientWidth = 600; in.clientHeight = 280; in.statusHeight = 20; in.toolbarHeight = 30;
  in.treeWidth = 150; in.tabHeight = 22; in.outputVisible = true; in.outputHeight = 200;
  // area 230: 230 - 200 < 30 + 50, so the output pane gets area - 50.
  const FrameLayout l = ComputeLayout(in);
  EXPECT_EQ(l.outputHeight, 180);
  EXPECT_EQ(l.output, (Rect{150, 80, 450, 180}));
  EXPECT_EQ(l.editors.height, 230 - 22 - 180);
  in.outputHeight = 150;  // 230 - 150 = 80: room enough
  EXPECT_EQ(ComputeLayout(in).outputHeight, 150);
  in.outputVisible = false;  // a hidden pane takes no room, so nothing needs shrinking
  in.outputHeight = 200;
  EXPECT_EQ(ComputeLayout(in).outputHeight, 200);
  EXPECT_EQ(ComputeLayout(in).editors.height, 230 - 22);
}

TEST(BuildLogText, EveryStepIsALineAndTheFirstFailureIsNamed) {
  using kvbuild::BuildStep;
  using kvbuild::StepOutcome;
  BuildLog log;
  log.OnStep({BuildStep::VersionInfo, StepOutcome::Done, "C:\\P\\Resources\\version.xml", "1.0.0.1"});
  log.OnStep({BuildStep::Bitmaps, StepOutcome::Skipped, "C:\\P\\P.exe", ""});
  EXPECT_FALSE(log.failed());
  EXPECT_EQ(log.failureText(), "");
  log.OnStep({BuildStep::Runtime, StepOutcome::Failed, "C:\\P\\P.exe", "cannot be written (disk full)"});
  log.OnStep({BuildStep::Payload, StepOutcome::Failed, "C:\\P\\P.exe.bin", "later"});
  EXPECT_TRUE(log.failed());
  EXPECT_EQ(log.failureText(), "Build failed at runtime: C:\\P\\P.exe: cannot be written (disk full)");
  EXPECT_EQ(log.lines(),
            "version info: C:\\P\\Resources\\version.xml: 1.0.0.1\r\n"
            "bitmaps: skipped C:\\P\\P.exe\r\n"
            "runtime: FAILED C:\\P\\P.exe: cannot be written (disk full)\r\n"
            "payload: FAILED C:\\P\\P.exe.bin: later\r\n");
}
