// A file's bytes kept aside and written back later, so that a command-line build leaves the
// project file exactly as it found it.
#pragma once

#include <optional>
#include <string>
#include <utility>

#include "project/FileUtil.h"

namespace kvcli {

class ProjectFileBytes {
public:
  explicit ProjectFileBytes(std::string path) : path(std::move(path)) {
    std::string read;
    if (ReadFileBytes(this->path, read)) bytes = std::move(read);
  }

  // Writes the kept bytes back when the file has changed since; false when that fails.
  bool Restore() const {
    if (!bytes) return true;
    ProjectFileBytes now(path);
    if (now.bytes == bytes) return true;
    return WriteFileBytes(path, *bytes, "wb");
  }

private:
  std::string path;
  std::optional<std::string> bytes;
};

}  // namespace kvcli
