// The project commands in the frame, with the name prompt and the message boxes answered
// the way a user would, and the file dialog replaced by a chosen path.
#include <gtest/gtest.h>

#include <deque>
#include <memory>
#include <string>

#include "app/commands/ProjectCommands.h"
#include "app/commands/ProjectTemplates.h"
#include "app/frame/FrameWindow.h"
#include "common/Text.h"
#include "resources/ResourceIds.h"
#include "tests/common/TempFolder.h"
#include "tests/gui/DialogAnswer.h"
#include "tests/gui/Pump.h"

namespace {

using kvtest::AnswerInOrder;
using kvtest::DialogAnswer;
using kvtest::Pump;
using kvtest::TempFolder;
const std::string kSep(1, kvplatform::kPathSeparator);

std::string chosenPath;
std::string startedIn;
std::string ChosenFile(HWND, const std::string&, const std::string&, const std::string& startFolder) {
  startedIn = startFolder;
  return chosenPath;
}

class ProjectCommandsTest : public ::testing::Test {
protected:
  void SetUp() override {
    kvplatform::CreateFolder(root / "Documents");
    frame = std::make_unique<KVFrameWindow>(root / "Documents");
    ASSERT_NE(frame->create("KelVox Studio", IDI_KELVOX_STUDIO, IDR_MAIN_MENU), nullptr);
    frame->commands().pickFile = ChosenFile;
    chosenPath.clear();
  }
  void TearDown() override {
    if (frame && IsWindow(frame->window)) DestroyWindow(frame->window);
    frame.reset();
    Pump();
  }

  void newProject(const wchar_t* typed) {
    DialogAnswer prompt{L"Project Name", typed};
    AnswerInOrder({&prompt});
    frame->commands().newProject();
    EXPECT_TRUE(prompt.answered);
  }
  std::string projectFolder(const std::string& name) const { return frame->settings().projectsFolder + name + kSep; }

  TempFolder root;
  std::unique_ptr<KVFrameWindow> frame;
};

TEST_F(ProjectCommandsTest, NewProjectMakesTheFoldersFilesAndOpensIt) {
  newProject(L"  Demo.EXE ");
  const std::string folder = projectFolder("Demo");
  for (const char* sub : {"Source Files", "Dialog Windows", "External Libraries", "Resources"})
    EXPECT_TRUE(TempFolder::Exists(folder + sub)) << sub;
  EXPECT_EQ(TempFolder::Read(folder + "Source Files" + kSep + "main.js"), kvcommands::MainScriptTemplate());
  EXPECT_EQ(TempFolder::Read(folder + "Dialog Windows" + kSep + "mainWin.win"), kvcommands::MainWindowTemplate());
  ASSERT_TRUE(frame->projectOpen());
  EXPECT_EQ(frame->project().Name(), "Demo");
  EXPECT_EQ(frame->project().ExeName(), "Demo.exe");
  EXPECT_EQ(frame->project().ProjectFilePath(), folder + "Demo.kvproj");
  EXPECT_TRUE(TempFolder::Exists(folder + "Resources" + kSep + "version.xml"));
  // This test program carries no runtime pack, so there is no default icon to copy.
  EXPECT_FALSE(TempFolder::Exists(folder + "Resources" + kSep + "Demo.ico"));

  DialogAnswer prompt{L"Project Name", L"Demo"};
  DialogAnswer exists{L"New Project", L"", IDOK};
  AnswerInOrder({&prompt, &exists});
  frame->commands().newProject();
  EXPECT_EQ(exists.seen, "The project folder already exists. Please try a different name.");
  // Nothing was made, so nothing was closed.
  ASSERT_TRUE(frame->projectOpen());
  EXPECT_EQ(frame->project().Name(), "Demo");
}

TEST_F(ProjectCommandsTest, BlankOrCancelledNamesLeaveTheOpenProjectAlone) {
  newProject(L"Kept");
  newProject(L"   ");
  DialogAnswer cancelled{L"Project Name", L"Ignored", IDCANCEL};
  AnswerInOrder({&cancelled});
  frame->commands().newProject();
  EXPECT_FALSE(TempFolder::Exists(projectFolder("Ignored")));
  ASSERT_TRUE(frame->projectOpen());
  EXPECT_EQ(frame->project().Name(), "Kept");
}

TEST_F(ProjectCommandsTest, NamesThatLeaveTheirFolderAreRefusedWithAMessage) {
  newProject(L"Safe");
  const std::string folder = projectFolder("Safe");
  const std::size_t before = frame->documents().size();
  struct Row {
    const wchar_t* prompt;
    const wchar_t* typed;
    const wchar_t* caption;
    void (KVProjectCommands::*command)();
  };
  const Row rows[] = {
      {L"Source File Name", L"..\\escape", L"New Source File", &KVProjectCommands::newSourceFile},
      {L"Source File Name", L"sub/escape", L"New Source File", &KVProjectCommands::newSourceFile},
      {L"Dialog Window Name", L"..", L"New Dialog Window", &KVProjectCommands::newDialogWindow},
      {L"Project Name", L"..", L"New Project", &KVProjectCommands::newProject},
      {L"Project Name", L"a\\b", L"New Project", &KVProjectCommands::newProject},
  };
  for (const Row& row : rows) {
    DialogAnswer prompt{row.prompt, row.typed};
    DialogAnswer refused{row.caption};
    AnswerInOrder({&prompt, &refused});
    (frame->commands().*row.command)();
    EXPECT_TRUE(refused.answered) << kvtext::WideToUtf8(row.typed);
    EXPECT_NE(refused.seen.find("cannot be used"), std::string::npos) << refused.seen;
  }
  EXPECT_FALSE(TempFolder::Exists(folder + "escape.js"));
  EXPECT_FALSE(TempFolder::Exists(folder + "Source Files" + kSep + "sub"));
  EXPECT_FALSE(TempFolder::Exists(projectFolder("a")));
  EXPECT_EQ(frame->documents().size(), before);
  ASSERT_TRUE(frame->projectOpen());
  EXPECT_EQ(frame->project().Name(), "Safe");
}

TEST_F(ProjectCommandsTest, NewFilesAreWrittenAddedAndNotMadeTwice) {
  newProject(L"Files");
  const std::string folder = projectFolder("Files");
  DialogAnswer source{L"Source File Name", L"util"};
  AnswerInOrder({&source});
  frame->commands().newSourceFile();
  EXPECT_TRUE(TempFolder::Exists(folder + "Source Files" + kSep + "util.js"));
  EXPECT_NE(frame->findDocument(folder + "Source Files" + kSep + "util.js", ProjectItemType::SourceFile), nullptr);

  DialogAnswer window{L"Dialog Window Name", L"Login"};
  AnswerInOrder({&window});
  frame->commands().newDialogWindow();
  EXPECT_EQ(TempFolder::Read(folder + "Dialog Windows" + kSep + "Login.win"), kvcommands::NewDialogWindowTemplate("Login"));
  EXPECT_NE(frame->findDocument(folder + "Dialog Windows" + kSep + "Login.win", ProjectItemType::DialogWindow), nullptr);

  frame->project().Save("", "");
  const std::string saved = TempFolder::Read(folder + "Files.kvproj");
  EXPECT_NE(saved.find("<SourceFiles><Name>main.js</Name><Name>util.js</Name></SourceFiles>"), std::string::npos);
  EXPECT_NE(saved.find("<WindowFiles><Name>mainWin.win</Name><Name>Login.win</Name></WindowFiles>"), std::string::npos);
}

TEST_F(ProjectCommandsTest, ExistingSourceFileNameIsRefusedWithAMessage) {
  newProject(L"Twice");
  const std::size_t before = frame->documents().size();
  DialogAnswer source{L"Source File Name", L"MAIN.JS"};
  DialogAnswer exists{L"New Source File", L"", IDOK};
  AnswerInOrder({&source, &exists});
  frame->commands().newSourceFile();
  EXPECT_EQ(exists.seen, "The file " + projectFolder("Twice") + "Source Files" + kSep +
                            "MAIN.JS already exists. Please try a different name.");
  EXPECT_EQ(frame->documents().size(), before);
}

TEST_F(ProjectCommandsTest, OpeningFilesAddsCopiesOrFindsTheOpenOne) {
  newProject(L"Open");
  const std::string folder = projectFolder("Open");
  const std::size_t before = frame->documents().size();

  chosenPath = folder + "Source Files" + kSep + "main.js";  // already in the project
  frame->commands().openSourceFile();
  EXPECT_EQ(frame->documents().size(), before);
  EXPECT_EQ(startedIn, folder + "Source Files" + kSep);

  kvplatform::CreateFolder(root / "elsewhere");
  chosenPath = root / "elsewhere" + kSep + "main.js";
  TempFolder::Write(chosenPath, "other();\r\n");
  frame->commands().openSourceFile();
  ASSERT_EQ(frame->documents().size(), before + 1);
  EXPECT_EQ(frame->documents().back()->item->fileName, "main2.js");
  EXPECT_EQ(TempFolder::Read(folder + "Source Files" + kSep + "main2.js"), "other();\r\n");

  chosenPath = "C:\\libs\\sqlite3.dll";
  frame->commands().newExternalLibrary();
  EXPECT_EQ(TempFolder::Read(folder + "External Libraries" + kSep + "sqlite3.ext"), "C:\\libs\\sqlite3.dll\r\n");
  ASSERT_EQ(frame->documents().size(), before + 2);
  EXPECT_EQ(frame->documents().back()->item->displayName, "sqlite3.dll");
  frame->commands().newExternalLibrary();
  EXPECT_EQ(frame->documents().size(), before + 2);

  chosenPath.clear();  // cancelled
  frame->commands().openDialogWindow();
  EXPECT_EQ(frame->documents().size(), before + 2);
}

TEST_F(ProjectCommandsTest, RecentProjectsOpenOnlyWhileTheirFileExists) {
  newProject(L"First");
  newProject(L"Second");
  ASSERT_EQ(frame->settings().recentCount(), 2);
  EXPECT_EQ(frame->project().Name(), "Second");
  SendMessageW(frame->window, WM_COMMAND, IDM_RECENT_FIRST + 1, 0);
  EXPECT_EQ(frame->project().Name(), "First");

  kvplatform::DeleteFileAt(projectFolder("Second") + "Second.kvproj");
  SendMessageW(frame->window, WM_COMMAND, IDM_RECENT_FIRST + 1, 0);
  ASSERT_TRUE(frame->projectOpen());
  EXPECT_EQ(frame->project().Name(), "First");
}

}  // namespace
