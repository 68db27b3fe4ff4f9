// The scratch folder of a fuzzer that works on files: one per process, on a memory file
// system where there is one (every write a fuzzer makes would otherwise go to a disk), and
// removed when the process exits.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include "platform/Platform.h"

namespace kvfuzz {

inline const char*& ScratchName() {
  static const char* name = "";
  return name;
}

inline std::filesystem::path ScratchPath() {
  std::error_code error;
  const std::filesystem::path shm = "/dev/shm";
  const std::filesystem::path base =
      std::filesystem::is_directory(shm, error) ? shm : std::filesystem::temp_directory_path();
  return base / ("kv-fuzz-" + std::string(ScratchName()) + "-" + std::to_string(kvplatform::CurrentProcessId()));
}

inline void RemoveScratchFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(ScratchPath(), ignored);
}

// name (a literal) tells this fuzzer's folder from the others'; the first call makes it.
inline const std::filesystem::path& ScratchFolder(const char* name) {
  static const std::filesystem::path folder = [name] {
    ScratchName() = name;
    std::filesystem::create_directories(ScratchPath());
    std::atexit(RemoveScratchFolder);
    return ScratchPath();
  }();
  return folder;
}

}  // namespace kvfuzz
