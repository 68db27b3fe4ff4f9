// A fresh folder for one test, removed with its contents afterwards. Its name holds
// non-ASCII letters so that every test also exercises UTF-8 paths.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/Platform.h"

namespace kvtest {

class TempFolder {
public:
  TempFolder() {
    const std::filesystem::path base = std::filesystem::temp_directory_path();
    const std::string prefix =
        "kv-t\xC3\xA9st-" + std::to_string(kvplatform::CurrentProcessId()) + "-";
    for (int n = 0;; ++n) {
      const std::filesystem::path candidate = base / std::filesystem::u8path(prefix + std::to_string(n));
      if (std::filesystem::create_directory(candidate)) {
        path = candidate.u8string() + kvplatform::kPathSeparator;
        return;
      }
    }
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(std::filesystem::u8path(path), ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  // The folder, ending with the separator.
  const std::string& Path() const { return path; }
  std::string operator/(const std::string& name) const { return path + name; }

  static void Write(const std::string& file, const std::string& bytes) {
    std::ofstream out(std::filesystem::u8path(file), std::ios::binary);
    out << bytes;
  }
  static std::string Read(const std::string& file) {
    std::ifstream in(std::filesystem::u8path(file), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  static bool Exists(const std::string& file) {
    return std::filesystem::exists(std::filesystem::u8path(file));
  }

private:
  std::string path;
};

}  // namespace kvtest
