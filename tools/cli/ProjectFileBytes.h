// A file's bytes kept aside and written back later, so that a command-line build leaves the
// project file exactly as it found it.
#pragma once

#include <cstdio>
#include <optional>
#include <string>

#include "common/ByteIO.h"
#include "platform/Platform.h"

namespace kvcli {

class ProjectFileBytes {
public:
  explicit ProjectFileBytes(std::string path) : path(std::move(path)) {
    const kvplatform::UniqueFile file(kvplatform::OpenFile(this->path, "rb"));
    std::uint64_t length = 0;
    std::string read;
    if (file && kvbytes::FileLength(file.get(), length) && kvbytes::ReadAt(file.get(), length, 0, length, read))
      bytes = std::move(read);
  }

  // Writes the kept bytes back when the file has changed since; false when that fails.
  bool Restore() const {
    if (!bytes) return true;
    ProjectFileBytes now(path);
    if (now.bytes == bytes) return true;
    const kvplatform::UniqueFile file(kvplatform::OpenFile(path, "wb"));
    return file && std::fwrite(bytes->data(), 1, bytes->size(), file.get()) == bytes->size();
  }

private:
  std::string path;
  std::optional<std::string> bytes;
};

}  // namespace kvcli
