// Whole-file reading over OpenFile, the same on every platform.
#include <cstdio>

#include "platform/Platform.h"

namespace kvplatform {

bool ReadFileBytes(const std::string& path, std::string& bytes) {
  const UniqueFile file(OpenFile(path, "rb"));
  if (!file) return false;
  bytes.clear();
  char buffer[64 * 1024];
  std::size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) bytes.append(buffer, got);
  return std::ferror(file.get()) == 0;
}

}  // namespace kvplatform
