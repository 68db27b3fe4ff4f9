// KVProjectCommands: the commands with which the user makes new projects and files, opens
// projects, and brings existing files into the open project. Each ends with the project
// model taking the file and the frame opening it.
#pragma once

#include <windows.h>

#include <string>

class KVFrameWindow;

class KVProjectCommands {
public:
  explicit KVProjectCommands(KVFrameWindow& frame);

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
  using FilePicker = std::string (*)(HWND owner, const std::string& filterName, const std::string& pattern);
  FilePicker pickFile;

private:
  // The name typed into the one-line prompt, or false when it was not confirmed.
  bool askName(const char* caption, std::string& name);
  void newFileFromName(const char* caption, const std::string& folder, const std::string& fileName,
                       const std::string& content, int kind);
  void openOrAdd(const char* filterName, const char* pattern, int kind);
  int message(const char* text, const char* caption, UINT type);

  KVFrameWindow& frame;
};
