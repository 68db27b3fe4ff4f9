// The child side of the cross-process lock test: this test program started again with
// these arguments opens a project, reports that it holds it, and waits to be killed.
#pragma once

#include <string>

namespace kvtest {

inline constexpr char kHoldProjectArgument[] = "--hold-project";

// Returns only when opening fails or after a minute, should nobody kill the process.
int HoldProject(const std::string& projectFile, const std::string& readyFile);

}  // namespace kvtest
