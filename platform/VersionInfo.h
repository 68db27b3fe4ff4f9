// Reading the version resource of an existing executable file (VERSION.dll on Windows, the
// project's own reader of PE resources elsewhere).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace kvplatform {

// The fixed info's version halves and the strings of the file's first translation; a
// string the resource does not hold stays empty (nullopt). Strings are UTF-8.
struct FileVersionInfo {
  std::uint32_t fileVersionMS = 0;
  std::uint32_t fileVersionLS = 0;
  std::uint32_t productVersionMS = 0;
  std::uint32_t productVersionLS = 0;
  std::optional<std::string> companyName;
  std::optional<std::string> fileDescription;
  std::optional<std::string> legalCopyright;
  std::optional<std::string> originalFilename;
  std::optional<std::string> productName;
};

// False when the file cannot be read, holds no version resource, or the resource lacks the
// fixed info or the translation table.
bool ReadFileVersionInfo(const std::string& path, FileVersionInfo& info);

}  // namespace kvplatform
