#include "platform/VersionInfo.h"

#include <cstdio>
#include <memory>
#include <string>

#include "common/ByteIO.h"
#include "pe/VersionResource.h"
#include "platform/Platform.h"
#include "platform/VersionResource.h"

namespace kvplatform {

namespace {


}  // namespace

bool ReadFileVersionInfo(const std::string& path, FileVersionInfo& info) {
  kvplatform::UniqueFile file(OpenFile(path, "rb"));
  if (!file) return false;
  std::uint64_t length = 0;
  std::string image;
  if (!kvplatform::FileLength(file.get(), length) || !kvplatform::ReadAt(file.get(), length, 0, length, image)) return false;
  std::string_view block;
  return kvpe::FindVersionResource(image, block) && ParseVersionBlock(block, info);
}

}  // namespace kvplatform
