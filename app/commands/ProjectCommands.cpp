#include "app/commands/ProjectCommands.h"

#include "app/commands/FilePicker.h"
#include "app/commands/ProjectTemplates.h"
#include "app/frame/FrameWindow.h"
#include "build/RuntimePack.h"
#include "common/Text.h"
#include "platform/Platform.h"
#include "project/FileUtil.h"

namespace {

const std::string kSeparator(1, kvplatform::kPathSeparator);

}  // namespace

KVProjectCommands::KVProjectCommands(KVFrameWindow& owner) : pickFile(PickFile), frame(owner) {}

int KVProjectCommands::message(const char* text, const char* caption, UINT type) {
  return MessageBoxW(frame.window, kvtext::Utf8ToWide(text).c_str(), kvtext::Utf8ToWide(caption).c_str(), type);
}

bool KVProjectCommands::askName(const char* caption, std::string& name) {
  DlgSingleEdit prompt;
  if (prompt.run(caption, frame.window) != IDOK) return false;
  name = prompt.text;
  return true;
}

void KVProjectCommands::newProject() {
  if (!frame.closeProject()) return;
  std::string typed;
  if (!askName("Project Name", typed)) return;
  const std::string name = kvcommands::ProjectNameFromInput(typed);
  if (name.empty()) return;

  const std::string folder = frame.settings.projectsFolder + name + kSeparator;
  if (!CreateDirectoryW(kvtext::Utf8ToWide(folder).c_str(), nullptr)) {
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
      message("The project folder already exists. Please try a different name.", "New Project", MB_ICONINFORMATION);
    } else {
      message("Unable to create the project folder. Please try again.", "New Project", MB_ICONERROR);
    }
    return;
  }
  for (const char* sub : {"Source Files", "Dialog Windows", "External Libraries", "Resources"}) {
    if (!CreateDirectoryW(kvtext::Utf8ToWide(folder + sub + kSeparator).c_str(), nullptr)) {
      message("Unable to create project sub folder. Please try again.", "New Project", MB_ICONERROR);
      return;
    }
  }
  kvbuild::CopyDefaultIcon(frame.project->IdeExecutablePath(), folder + "Resources" + kSeparator + name + ".ico");

  const std::string projectFile = folder + name + ".kvproj";
  KVXML file;
  if (!file.Load(kvcommands::NewProjectFileText(name)) || !file.Save(projectFile)) return;
  WriteTextFile(folder + "Source Files" + kSeparator + "main.js", kvcommands::MainScriptTemplate());
  WriteTextFile(folder + "Dialog Windows" + kSeparator + "mainWin.win", kvcommands::MainWindowTemplate());

  frame.openProject(projectFile);
  if (!frame.documents.empty()) frame.openDocument(frame.documents.front().get(), -1, -1);
}

void KVProjectCommands::newFileFromName(const char* caption, const std::string& folder, const std::string& fileName,
                                        const std::string& content, int kind) {
  const std::string path = frame.project->Folder() + folder + kSeparator + fileName;
  if (kvplatform::CanRead(path)) {
    message("Already exists.", caption, MB_OK);
    return;
  }
  if (!WriteTextFile(path, content)) return;
  if (ProjectItem* item = frame.project->AddFile(path, static_cast<ProjectItemType>(kind))) frame.addDocument(item);
}

void KVProjectCommands::newSourceFile() {
  if (!frame.projectOpen()) return;
  std::string typed;
  if (!askName("Source File Name", typed)) return;
  newFileFromName("New Source File", "Source Files", kvcommands::SourceFileNameFromInput(typed), "", 0);
}

void KVProjectCommands::newDialogWindow() {
  if (!frame.projectOpen()) return;
  std::string typed;
  if (!askName("Dialog Window Name", typed)) return;
  newFileFromName("New Dialog Window", "Dialog Windows", kvcommands::DialogWindowFileNameFromInput(typed),
                  kvcommands::NewDialogWindowTemplate(typed), 1);
}

void KVProjectCommands::newExternalLibrary() {
  if (!frame.projectOpen()) return;
  const std::string library = pickFile(frame.window, "Library Files", "*.dll");
  if (library.empty()) return;
  const std::string path =
      frame.project->Folder() + "External Libraries" + kSeparator + kvcommands::LibraryBaseName(library) + ".ext";
  if (kvplatform::CanRead(path)) return;
  if (!WriteTextFile(path, library + "\r\n")) return;
  if (ProjectItem* item = frame.project->AddFile(path, ProjectItemType::ExternalLibrary)) frame.addDocument(item);
}

void KVProjectCommands::openProjectCommand() {
  const std::string path = pickFile(frame.window, "KelVox Project File", "*.kvproj");
  if (!path.empty() && frame.closeProject()) frame.openProject(path);
}

void KVProjectCommands::openOrAdd(const char* filterName, const char* pattern, int kind) {
  if (!frame.projectOpen()) return;
  const std::string path = pickFile(frame.window, filterName, pattern);
  if (path.empty()) return;
  if (DocumentRecord* record = frame.findDocument(path, kind)) {
    frame.openDocument(record, -1, -1);
  } else if (ProjectItem* item = frame.project->AddFile(path, static_cast<ProjectItemType>(kind))) {
    frame.addDocument(item);
  }
}

void KVProjectCommands::openSourceFile() { openOrAdd("Source File", "*.js", 0); }
void KVProjectCommands::openDialogWindow() { openOrAdd("Dialog Window", "*.win", 1); }
void KVProjectCommands::openExternalLibrary() { openOrAdd("External Library", "*.ext", 2); }
void KVProjectCommands::openBitmap() { openOrAdd("Bitmap", "*.bmp", 5); }

void KVProjectCommands::openRecent(int n) {
  if (n < 1 || n > frame.settings.recentCount()) return;
  const std::string path = frame.settings.recentProjects[n - 1];
  if (kvplatform::CanRead(path) && frame.closeProject()) frame.openProject(path);
}
