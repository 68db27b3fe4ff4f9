// A project folder with its four sub-folders in a temporary folder, and the project file
// "Demo.kvproj" written from the children of its Project element.
#pragma once

#include <string>

#include "platform/Platform.h"
#include "project/Project.h"
#include "tests/common/TempFolder.h"

namespace kvtest {

inline constexpr char kSep = kvplatform::kPathSeparator;

class ProjectFolder : public TempFolder {
public:
  ProjectFolder() {
    for (const char* sub : {"Source Files", "Dialog Windows", "External Libraries", "Resources"}) {
      kvplatform::CreateFolder(*this / sub);
    }
  }

  std::string ProjectFile() const { return *this / "Demo.kvproj"; }

  // Path of a file in the sub-folder for the type.
  std::string FileOf(ProjectItemType type, const std::string& name) const {
    return Path() + KVProject::SubFolder(type) + name;
  }
  void AddFileOf(ProjectItemType type, const std::string& name) const {
    Write(FileOf(type, name), "contents of " + name);
  }

  void WriteProject(const std::string& children) const {
    Write(ProjectFile(), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Project>" + children +
                             "</Project>\n");
  }
};

}  // namespace kvtest
