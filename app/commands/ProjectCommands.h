// KVProjectCommands: the commands with which the user makes new projects and files, opens
// projects, and brings existing files into the open project. Each ends with the project
// model taking the file and the host opening it.
#pragma once

#include <windows.h>

#include <string>

#include "project/ProjectItem.h"

class KVCommandHost;

class KVProjectCommands {
public:
  explicit KVProjectCommands(KVCommandHost& host);

  void newProject();
  void newSourceFile();
  void newDialogWindow();
  void newExternalLibrary();
  void openProjectCommand();
  void openSourceFile();
  void openDialogWindow();
  void openExternalLibrary();
  void openBitmap();
  // n counts from 1.
  void openRecent(int n);

  // Where the file dialogs come from; tests replace it.
  using FilePicker = std::string (*)(HWND owner, const std::string& filterName, const std::string& pattern,
                                     const std::string& startFolder);
  FilePicker pickFile;

private:
  // The name typed into the one-line prompt, or false when it was not confirmed.
  bool askName(const char* caption, std::string& name);
  // True when the name may be used; otherwise the user is told why.
  bool acceptName(const std::string& name, const char* caption);
  bool makeProjectFolders(const std::string& folder);
  void newFileFromName(const char* caption, const std::string& fileName, const std::string& content,
                       ProjectItemType kind);
  void openOrAdd(const char* filterName, const char* pattern, ProjectItemType kind);
  int message(const std::string& text, const char* caption, UINT type);

  KVCommandHost& host;
};
