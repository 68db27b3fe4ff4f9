#include "platform/TempFile.h"

#include <windows.h>

#include "common/Text.h"
#include "platform/Platform.h"

namespace kvplatform {

std::string CreateTempFile(const std::string& prefix) {
  if (prefix.find('\0') != std::string::npos) return {};
  wchar_t folder[261];
  const DWORD length = GetTempPathW(261, folder);
  if (length == 0 || length >= 261) return {};
  // Unique number 0: the system picks the name and creates the file.
  wchar_t name[MAX_PATH];
  const kvtext::WideString widePrefix = kvtext::Utf8ToWide(prefix);
  if (GetTempFileNameW(folder, widePrefix.c_str(), 0, name) == 0) return {};
  return kvtext::WideToUtf8(name);
}

TempFileRemover::~TempFileRemover() {
  if (!path.empty()) DeleteFileAt(path);
}

}  // namespace kvplatform
