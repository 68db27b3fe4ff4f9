// `kvcli build PROJECT.kvproj [--target win64|win32|macos] [--ide PATH]`: builds a project
// without the IDE's window, with the same project and build code, for people who build their
// applications in CI. One line per step on standard output; a failure names the step and
// the file on standard error and gives a non-zero exit status.
#pragma once

#include <string>
#include <vector>

namespace kvcli {

// defaultIde: the IDE executable whose runtime pack is used when --ide is not given.
int RunBuildCommand(const std::vector<std::string>& arguments, const std::string& defaultIde);

}  // namespace kvcli
