#include "project/ProjectItem.h"

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

std::string FileStem(const std::string& fileName) {
  const size_t dot = fileName.rfind('.');
  return dot == std::string::npos ? fileName : fileName.substr(0, dot);
}

bool IsSafeFileName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." &&
         name.find_first_of("/\\") == std::string::npos;
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
  ProjectItem item;
  item.type = type;
  size_t split = path.size();
  while (split > 0 && !IsSeparator(path[split - 1])) --split;
  item.fileName = path.substr(split);
  if (split > 0) {
    size_t parentEnd = split;
    while (parentEnd > 0 && IsSeparator(path[parentEnd - 1])) --parentEnd;
    item.directory = path.substr(0, parentEnd) + kvplatform::kPathSeparator;
  }
  item.displayName = DisplayNameFor(type, item.fileName);
  return item;
}
