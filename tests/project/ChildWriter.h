// The child side of the killed-writer test: this test program started again with these
// arguments saves a large file over and over, and reports once the first save is done.
#pragma once

#include <cstddef>
#include <string>

namespace kvtest {

inline constexpr char kSaveRepeatedlyArgument[] = "--save-repeatedly";
inline constexpr std::size_t kChildWriteSize = 8 * 1024 * 1024;

// Returns only when a save fails or after a minute, should nobody kill the process.
int SaveRepeatedly(const std::string& path, const std::string& readyFile);

}  // namespace kvtest
