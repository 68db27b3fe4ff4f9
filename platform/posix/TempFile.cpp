#include "platform/TempFile.h"

#include <cstdlib>

#include <unistd.h>

#include "platform/Platform.h"

namespace kvplatform {

std::string CreateTempFile(const std::string& prefix) {
  if (prefix.find('\0') != std::string::npos || prefix.find('/') != std::string::npos) return {};
  const char* folder = std::getenv("TMPDIR");
  std::string path = folder != nullptr && *folder != '\0' ? folder : "/tmp";
  if (path.back() != '/') path += '/';
  path += prefix + "XXXXXX";
  const int fd = mkstemp(&path[0]);
  if (fd < 0) return {};
  close(fd);
  return path;
}

TempFileRemover::~TempFileRemover() {
  if (!path.empty()) DeleteFileAt(path);
}

}  // namespace kvplatform
