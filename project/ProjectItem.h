// One file of a project, and the codes shared by the whole program for kinds of project
// files and for build targets.
#pragma once

#include <cstdint>
#include <string>

// Stored as numbers in the project file and in the document tabs.
enum class ProjectItemType : std::int32_t {
  SourceFile = 0,       // ".js" in "Source Files"
  DialogWindow = 1,     // ".win" in "Dialog Windows"
  ExternalLibrary = 2,  // ".ext" in "External Libraries"
  VersionInfo = 3,      // "version.xml" in "Resources"
  Icon = 4,             // ".ico" in "Resources"
  Bitmap = 5,           // ".bmp" in "Resources"
};

// The project file's Engine element. Other values may come from edited files; they are kept
// as they are.
enum class BuildTarget : std::int32_t {
  Windows64 = 1,
  MacOS = 2,
  Windows32 = 3,
};

bool IsKnownBuildTarget(std::int32_t code);

// How a target is named: to the user ("Windows 64") and on the command line ("win64"). Empty
// for codes that name no target.
std::string TargetDisplayName(std::int32_t code);
std::string TargetCommandLineName(std::int32_t code);
// The target a command-line name stands for; 0 for an unknown name.
std::int32_t TargetFromCommandLineName(const std::string& name);

// Sources and library declarations: the kinds edited as text, with a caret.
inline bool IsTextKind(ProjectItemType type) {
  return type == ProjectItemType::SourceFile || type == ProjectItemType::ExternalLibrary;
}

struct ProjectItem {
  ProjectItemType type = ProjectItemType::SourceFile;
  std::string displayName;  // shown in the tree and tabs, derived from fileName by type
  std::string fileName;     // last path component, with extension
  std::string directory;    // ends with the path separator

  // Splits a full path at its last '/' or '\'.
  static ProjectItem FromPath(const std::string& path, ProjectItemType type);
  // The file fileName in directory, which already ends with the platform's separator.
  static ProjectItem InFolder(std::string directory, std::string fileName, ProjectItemType type);
  static std::string DisplayNameFor(ProjectItemType type, const std::string& fileName);

  std::string Path() const { return directory + fileName; }
};

// The file name without its last extension.
std::string FileStem(const std::string& fileName);

// A name a project file may list: one path component that cannot leave its folder.
bool IsSafeFileName(const std::string& name);

// A name a build may give a file it writes, on every target system: a safe file name without
// ":" (a stream on NTFS) that is not a Windows device name (CON, PRN, AUX, NUL, COM1-9,
// LPT1-9, in any case, with or without an extension), which would write to the device.
bool IsSafeOutputFileName(const std::string& name);
