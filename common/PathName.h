// The two halves of a path. Paths reach the code with either separator (a project written on
// Windows and read elsewhere, a path typed by the user), so both '/' and '\' split here.
#pragma once

#include <string>
#include <string_view>

namespace kvpath {

// The part after the last separator; the whole path when it has none.
std::string FileNameOf(std::string_view path);

// The part up to and including the last separator; empty when the path has none.
std::string FolderOf(std::string_view path);

}  // namespace kvpath
