// Staging files in the system's temporary folder.
#pragma once

#include <string>
#include <utility>

namespace kvplatform {

// Creates a new, empty, uniquely named file in the temporary folder, its name starting with
// prefix (at most three characters are used on Windows); the UTF-8 path, empty on failure.
std::string CreateTempFile(const std::string& prefix);

// Deletes the file it names when it goes out of scope.
class TempFileRemover {
public:
  explicit TempFileRemover(std::string path) : path(std::move(path)) {}
  ~TempFileRemover();
  TempFileRemover(const TempFileRemover&) = delete;
  TempFileRemover& operator=(const TempFileRemover&) = delete;

private:
  std::string path;
};

}  // namespace kvplatform
