#include "platform/VersionInfo.h"

#include <cstdio>
#include <memory>
#include <string>

#include "common/ByteIO.h"
#include "platform/Platform.h"
#include "platform/VersionResource.h"

namespace kvplatform {

namespace {

struct FileCloser {
  void operator()(FILE* file) const { std::fclose(file); }
};

}  // namespace

bool ReadFileVersionInfo(const std::string& path, FileVersionInfo& info) {
  std::unique_ptr<FILE, FileCloser> file(OpenFile(path, "rb"));
  if (!file) return false;
  std::uint64_t length = 0;
  std::string image;
  if (!kvbytes::FileLength(file.get(), length) || !kvbytes::ReadAt(file.get(), length, 0, length, image)) return false;
  std::string_view block;
  return FindVersionResource(image, block) && ParseVersionBlock(block, info);
}

}  // namespace kvplatform
