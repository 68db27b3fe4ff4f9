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
#include "tests/gui/Pump.h"

namespace {

using kvtest::Pump;
using kvtest::TempFolder;
const std::string kSep(1, kvplatform::kPathSeparator);

// Answers the next dialog titled `title`: types `text` into its edit control, if any, and
// presses `button`. What the dialog said is kept in `seen`.
struct DialogAnswer {
  DialogAnswer(std::wstring title, std::wstring text, int button = IDOK)
      : title(std::move(title)), text(std::move(text)), button(button) {}
  std::wstring title;
  std::wstring text;
  int button;
  std::string seen;
  bool answered = false;
};
std::deque<DialogAnswer*> pending;

// Answers the dialogs in the order given, each once it is up.
void AnswerInOrder(std::initializer_list<DialogAnswer*> answers) {
  pending.assign(answers);
  SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR timer, DWORD) {
    if (pending.empty()) {
      KillTimer(nullptr, timer);
      return;
    }
    DialogAnswer& answer = *pending.front();
    const HWND box = FindWindowW(L"#32770", answer.title.c_str());
    if (!box || !IsWindowVisible(box)) return;
    pending.pop_front();
    if (const HWND edit = GetDlgItem(box, DlgSingleEdit::kEditId)) SetWindowTextW(edit, answer.text.c_str());
    wchar_t said[256] = {};
    GetDlgItemTextW(box, 0xFFFF, said, 256);  // a message box's text
    answer.seen = kvtext::WideToUtf8(said);
    answer.answered = true;
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(answer.button, BN_CLICKED), 0);
  });
}

std::string chosenPath;
std::string ChosenFile(HWND, const std::string&, const std::string&) { return chosenPath; }

class ProjectCommandsTest : public ::testing::Test {
protected:
  void SetUp() override {
    kvplatform::CreateFolder(root / "Documents");
    frame = std::make_unique<KVFrameWindow>(root / "Documents");
    ASSERT_NE(frame->create("KelVox Studio", IDI_KELVOX_STUDIO, IDR_MAIN_MENU), nullptr);
    frame->commands->pickFile = ChosenFile;
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
    frame->commands->newProject();
    EXPECT_TRUE(prompt.answered);
  }
  std::string projectFolder(const std::string& name) const { return frame->settings.projectsFolder + name + kSep; }

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
  EXPECT_EQ(frame->project->Name(), "Demo");
  EXPECT_EQ(frame->project->ExeName(), "Demo.exe");
  EXPECT_EQ(frame->project->ProjectFilePath(), folder + "Demo.kvproj");
  EXPECT_TRUE(TempFolder::Exists(folder + "Resources" + kSep + "version.xml"));
  // This test program carries no runtime pack, so there is no default icon to copy.
  EXPECT_FALSE(TempFolder::Exists(folder + "Resources" + kSep + "Demo.ico"));

  DialogAnswer prompt{L"Project Name", L"Demo"};
  DialogAnswer exists{L"New Project", L"", IDOK};
  AnswerInOrder({&prompt, &exists});
  frame->commands->newProject();
  EXPECT_EQ(exists.seen, "The project folder already exists. Please try a different name.");
  EXPECT_FALSE(frame->projectOpen());  // the previous project was closed first
}

TEST_F(ProjectCommandsTest, BlankOrCancelledNamesDoNothing) {
  newProject(L"   ");
  DialogAnswer cancelled{L"Project Name", L"Ignored", IDCANCEL};
  AnswerInOrder({&cancelled});
  frame->commands->newProject();
  EXPECT_FALSE(TempFolder::Exists(projectFolder("Ignored")));
  EXPECT_FALSE(frame->projectOpen());
}

TEST_F(ProjectCommandsTest, NewFilesAreWrittenAddedAndNotMadeTwice) {
  newProject(L"Files");
  const std::string folder = projectFolder("Files");
  DialogAnswer source{L"Source File Name", L"util"};
  AnswerInOrder({&source});
  frame->commands->newSourceFile();
  EXPECT_TRUE(TempFolder::Exists(folder + "Source Files" + kSep + "util.js"));
  EXPECT_NE(frame->findDocument(folder + "Source Files" + kSep + "util.js", 0), nullptr);

  DialogAnswer window{L"Dialog Window Name", L"Login"};
  AnswerInOrder({&window});
  frame->commands->newDialogWindow();
  EXPECT_EQ(TempFolder::Read(folder + "Dialog Windows" + kSep + "Login.win"), kvcommands::NewDialogWindowTemplate("Login"));
  EXPECT_NE(frame->findDocument(folder + "Dialog Windows" + kSep + "Login.win", 1), nullptr);

  frame->project->Save("", "");
  const std::string saved = TempFolder::Read(folder + "Files.kvproj");
  EXPECT_NE(saved.find("<SourceFiles><Name>main.js</Name><Name>util.js</Name></SourceFiles>"), std::string::npos);
  EXPECT_NE(saved.find("<WindowFiles><Name>mainWin.win</Name><Name>Login.win</Name></WindowFiles>"), std::string::npos);
}

TEST_F(ProjectCommandsTest, ExistingSourceFileNameIsRefusedWithAMessage) {
  newProject(L"Twice");
  const std::size_t before = frame->documents.size();
  DialogAnswer source{L"Source File Name", L"MAIN.JS"};
  DialogAnswer exists{L"New Source File", L"", IDOK};
  AnswerInOrder({&source, &exists});
  frame->commands->newSourceFile();
  EXPECT_EQ(exists.seen, "Already exists.");
  EXPECT_EQ(frame->documents.size(), before);
}

TEST_F(ProjectCommandsTest, OpeningFilesAddsCopiesOrFindsTheOpenOne) {
  newProject(L"Open");
  const std::string folder = projectFolder("Open");
  const std::size_t before = frame->documents.size();

  chosenPath = folder + "Source Files" + kSep + "main.js";  // already in the project
  frame->commands->openSourceFile();
  EXPECT_EQ(frame->documents.size(), before);

  kvplatform::CreateFolder(root / "elsewhere");
  chosenPath = root / "elsewhere" + kSep + "main.js";
  TempFolder::Write(chosenPath, "other();\r\n");
  frame->commands->openSourceFile();
  ASSERT_EQ(frame->documents.size(), before + 1);
  EXPECT_EQ(frame->documents.back()->item->fileName, "main2.js");
  EXPECT_EQ(TempFolder::Read(folder + "Source Files" + kSep + "main2.js"), "other();\r\n");

  chosenPath = "C:\\libs\\sqlite3.dll";
  frame->commands->newExternalLibrary();
  EXPECT_EQ(TempFolder::Read(folder + "External Libraries" + kSep + "sqlite3.ext"), "C:\\libs\\sqlite3.dll\r\n");
  ASSERT_EQ(frame->documents.size(), before + 2);
  EXPECT_EQ(frame->documents.back()->item->displayName, "sqlite3.dll");
  frame->commands->newExternalLibrary();
  EXPECT_EQ(frame->documents.size(), before + 2);

  chosenPath.clear();  // cancelled
  frame->commands->openDialogWindow();
  EXPECT_EQ(frame->documents.size(), before + 2);
}

TEST_F(ProjectCommandsTest, RecentProjectsOpenOnlyWhileTheirFileExists) {
  newProject(L"First");
  newProject(L"Second");
  ASSERT_EQ(frame->settings.recentCount(), 2);
  EXPECT_EQ(frame->project->Name(), "Second");
  SendMessageW(frame->window, WM_COMMAND, IDM_RECENT_FIRST + 1, 0);
  EXPECT_EQ(frame->project->Name(), "First");

  kvplatform::DeleteFileAt(projectFolder("Second") + "Second.kvproj");
  SendMessageW(frame->window, WM_COMMAND, IDM_RECENT_FIRST + 1, 0);
  ASSERT_TRUE(frame->projectOpen());
  EXPECT_EQ(frame->project->Name(), "First");
}

}  // namespace
