#include "project/ProjectItem.h"

#include "common/PathName.h"
#include "platform/Platform.h"

namespace {

bool IsSeparator(char c) {
  return c == '/' || c == '\\';
}

}  // namespace

bool IsKnownBuildTarget(std::int32_t code) {
  return code >= static_cast<std::int32_t>(BuildTarget::Windows64) &&
         code <= static_cast<std::int32_t>(BuildTarget::Windows32);
}

namespace {

struct TargetNames {
  BuildTarget target;
  const char* display;
  const char* commandLine;
};

constexpr TargetNames kTargetNames[] = {
    {BuildTarget::Windows64, "Windows 64", "win64"},
    {BuildTarget::MacOS, "macOS", "macos"},
    {BuildTarget::Windows32, "Windows 32", "win32"},
};

const TargetNames* NamesOf(std::int32_t code) {
  for (const TargetNames& names : kTargetNames) {
    if (static_cast<std::int32_t>(names.target) == code) return &names;
  }
  return nullptr;
}

}  // namespace

std::string TargetDisplayName(std::int32_t code) {
  const TargetNames* names = NamesOf(code);
  return names ? names->display : "";
}

std::string TargetCommandLineName(std::int32_t code) {
  const TargetNames* names = NamesOf(code);
  return names ? names->commandLine : "";
}

std::int32_t TargetFromCommandLineName(const std::string& name) {
  for (const TargetNames& names : kTargetNames) {
    if (name == names.commandLine) return static_cast<std::int32_t>(names.target);
  }
  return 0;
}

std::string FileStem(const std::string& fileName) {
  const size_t dot = fileName.rfind('.');
  return dot == std::string::npos ? fileName : fileName.substr(0, dot);
}

bool IsSafeFileName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." &&
         name.find_first_of("/\\") == std::string::npos;
}

bool IsSafeOutputFileName(const std::string& name) {
  if (!IsSafeFileName(name) || name.find(':') != std::string::npos) return false;
  // Windows takes "con.txt" and "CON " for the device too: the stem before the first dot,
  // without trailing spaces, is what counts.
  std::string stem = name.substr(0, name.find('.'));
  while (!stem.empty() && stem.back() == ' ') stem.pop_back();
  for (char& c : stem) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
  if (stem == "CON" || stem == "PRN" || stem == "AUX" || stem == "NUL") return false;
  return !(stem.size() == 4 && (stem.compare(0, 3, "COM") == 0 || stem.compare(0, 3, "LPT") == 0) && stem[3] >= '1' &&
           stem[3] <= '9');
}

std::string ProjectItem::DisplayNameFor(ProjectItemType type, const std::string& fileName) {
  switch (type) {
    case ProjectItemType::DialogWindow:
      return FileStem(fileName);
    case ProjectItemType::ExternalLibrary:
      return FileStem(fileName) + ".dll";
    case ProjectItemType::VersionInfo:
      return "Version Info";
    case ProjectItemType::Icon:
      return "Icon";
    case ProjectItemType::SourceFile:
    case ProjectItemType::Bitmap:
      break;
  }
  return fileName;
}

ProjectItem ProjectItem::FromPath(const std::string& path, ProjectItemType type) {
  std::string directory = kvpath::FolderOf(path);
  if (!directory.empty()) {
    // The folder ends with one separator, the platform's, however the path was written.
    size_t end = directory.size();
    while (end > 0 && IsSeparator(directory[end - 1])) --end;
    directory.resize(end);
    directory += kvplatform::kPathSeparator;
  }
  return InFolder(std::move(directory), kvpath::FileNameOf(path), type);
}

ProjectItem ProjectItem::InFolder(std::string directory, std::string fileName, ProjectItemType type) {
  ProjectItem item;
  item.type = type;
  item.displayName = DisplayNameFor(type, fileName);
  item.fileName = std::move(fileName);
  item.directory = std::move(directory);
  return item;
}
