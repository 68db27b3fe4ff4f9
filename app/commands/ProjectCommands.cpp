#include "app/commands/ProjectCommands.h"

#include "app/commands/CommandHost.h"
#include "app/commands/FilePicker.h"
#include "app/commands/ProjectTemplates.h"
#include "app/framework/SingleEdit.h"
#include "app/settings/Settings.h"
#include "build/RuntimePack.h"
#include "common/Text.h"
#include "platform/Platform.h"
#include "project/FileUtil.h"
#include "project/Project.h"

namespace {

const std::string kSeparator(1, kvplatform::kPathSeparator);

}  // namespace

KVProjectCommands::KVProjectCommands(KVCommandHost& commandHost) : pickFile(PickFile), host(commandHost) {}

int KVProjectCommands::message(const std::string& text, const char* caption, UINT type) {
  return MessageBoxW(host.commandOwner(), kvtext::Utf8ToWide(text).c_str(), kvtext::Utf8ToWide(caption).c_str(), type);
}

bool KVProjectCommands::askName(const char* caption, std::string& name) {
  DlgSingleEdit prompt;
  if (prompt.run(caption, host.commandOwner()) != IDOK) return false;
  name = prompt.text;
  return true;
}

bool KVProjectCommands::acceptName(const std::string& name, const char* caption) {
  const std::string refusal = kvcommands::NewNameRefusal(name);
  if (refusal.empty()) return true;
  message(refusal, caption, MB_OK | MB_ICONINFORMATION);
  return false;
}

// Everything that can be refused is checked before the open project closes: a name that is
// refused or taken leaves the user where they were.
void KVProjectCommands::newProject() {
  std::string typed;
  if (!askName("Project Name", typed)) return;
  const std::string name = kvcommands::ProjectNameFromInput(typed);
  if (name.empty() || !acceptName(name, "New Project")) return;

  const std::string folder = host.settings().projectsFolder + name + kSeparator;
  if (kvplatform::PathExists(folder)) {
    message("The project folder already exists. Please try a different name.", "New Project", MB_ICONINFORMATION);
    return;
  }
  if (!host.closeProject()) return;
  if (!makeProjectFolders(folder)) return;
  kvbuild::CopyDefaultIcon(host.project().IdeExecutablePath(), folder + "Resources" + kSeparator + name + ".ico");

  const std::string projectFile = folder + name + ".kvproj";
  KVXML file;
  if (!file.Load(kvcommands::NewProjectFileText(name)) || !file.Save(projectFile)) {
    message("Unable to write the project file " + projectFile + ".", "New Project", MB_ICONERROR);
    return;
  }
  WriteTextFile(folder + "Source Files" + kSeparator + "main.js", kvcommands::MainScriptTemplate());
  WriteTextFile(folder + "Dialog Windows" + kSeparator + "mainWin.win", kvcommands::MainWindowTemplate());

  if (host.openProject(projectFile)) {
    if (DocumentRecord* first = host.firstDocument()) host.openDocument(first, -1, -1);
  }
}

bool KVProjectCommands::makeProjectFolders(const std::string& folder) {
  if (!CreateDirectoryW(kvtext::Utf8ToWide(folder).c_str(), nullptr)) {
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
      message("The project folder already exists. Please try a different name.", "New Project", MB_ICONINFORMATION);
    } else {
      message("Unable to create the project folder. Please try again.", "New Project", MB_ICONERROR);
    }
    return false;
  }
  for (const char* sub : {"Source Files", "Dialog Windows", "External Libraries", "Resources"}) {
    if (!CreateDirectoryW(kvtext::Utf8ToWide(folder + sub + kSeparator).c_str(), nullptr)) {
      message("Unable to create project sub folder. Please try again.", "New Project", MB_ICONERROR);
      return false;
    }
  }
  return true;
}

void KVProjectCommands::newFileFromName(const char* caption, const std::string& fileName, const std::string& content,
                                        ProjectItemType kind) {
  const std::string path = host.project().Folder() + KVProject::SubFolder(kind) + fileName;
  if (kvplatform::CanRead(path)) {
    message("The file " + path + " already exists. Please try a different name.", caption, MB_OK | MB_ICONINFORMATION);
    return;
  }
  if (!WriteTextFile(path, content)) {
    message("Unable to create the file " + path + ".", caption, MB_OK | MB_ICONERROR);
    return;
  }
  if (ProjectItem* item = host.project().AddFile(path, kind)) host.addDocument(item);
}

void KVProjectCommands::newSourceFile() {
  if (!host.projectOpen()) return;
  std::string typed;
  if (!askName("Source File Name", typed) || !acceptName(typed, "New Source File")) return;
  newFileFromName("New Source File", kvcommands::SourceFileNameFromInput(typed), "", ProjectItemType::SourceFile);
}

void KVProjectCommands::newDialogWindow() {
  if (!host.projectOpen()) return;
  std::string typed;
  if (!askName("Dialog Window Name", typed) || !acceptName(typed, "New Dialog Window")) return;
  newFileFromName("New Dialog Window", kvcommands::DialogWindowFileNameFromInput(typed),
                  kvcommands::NewDialogWindowTemplate(typed), ProjectItemType::DialogWindow);
}

void KVProjectCommands::newExternalLibrary() {
  if (!host.projectOpen()) return;
  const std::string library = pickFile(host.commandOwner(), "Library Files", "*.dll", {});
  if (library.empty()) return;
  const std::string path = host.project().Folder() + KVProject::SubFolder(ProjectItemType::ExternalLibrary) +
                           kvcommands::LibraryBaseName(library) + ".ext";
  if (kvplatform::CanRead(path)) return;
  if (!WriteTextFile(path, library + "\r\n")) return;
  if (ProjectItem* item = host.project().AddFile(path, ProjectItemType::ExternalLibrary)) host.addDocument(item);
}

void KVProjectCommands::openProjectCommand() {
  const std::string path =
      pickFile(host.commandOwner(), "KelVox Project File", "*.kvproj", host.settings().projectsFolder);
  if (!path.empty()) host.openProject(path);
}

void KVProjectCommands::openOrAdd(const char* filterName, const char* pattern, ProjectItemType kind) {
  if (!host.projectOpen()) return;
  const std::string start = host.project().Folder() + KVProject::SubFolder(kind);
  const std::string path = pickFile(host.commandOwner(), filterName, pattern, start);
  if (path.empty()) return;
  if (DocumentRecord* record = host.findDocument(path, kind)) {
    host.openDocument(record, -1, -1);
  } else if (ProjectItem* item = host.project().AddFile(path, kind)) {
    host.addDocument(item);
  } else {
    message("Unable to add " + path + " to the project.", filterName, MB_OK | MB_ICONERROR);
  }
}

void KVProjectCommands::openSourceFile() { openOrAdd("Source File", "*.js", ProjectItemType::SourceFile); }
void KVProjectCommands::openDialogWindow() { openOrAdd("Dialog Window", "*.win", ProjectItemType::DialogWindow); }
void KVProjectCommands::openExternalLibrary() {
  openOrAdd("External Library", "*.ext", ProjectItemType::ExternalLibrary);
}
void KVProjectCommands::openBitmap() { openOrAdd("Bitmap", "*.bmp", ProjectItemType::Bitmap); }

void KVProjectCommands::openRecent(int n) {
  const auto& recent = host.settings().recentProjects;
  if (n < 1 || n > static_cast<int>(recent.size())) return;
  const std::string path = recent[n - 1];
  if (kvplatform::CanRead(path)) host.openProject(path);
}
