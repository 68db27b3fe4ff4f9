#include "common/PathName.h"

namespace kvpath {

namespace {

std::size_t AfterLastSeparator(std::string_view path) {
  const std::size_t last = path.find_last_of("/\\");
  return last == std::string_view::npos ? 0 : last + 1;
}

}  // namespace

std::string FileNameOf(std::string_view path) { return std::string(path.substr(AfterLastSeparator(path))); }

std::string FolderOf(std::string_view path) { return std::string(path.substr(0, AfterLastSeparator(path))); }

}  // namespace kvpath
