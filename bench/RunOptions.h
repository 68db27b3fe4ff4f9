// The options the benchmarks share: how many runs to take the median of, and whether to keep
// the project they wrote for a look afterwards.
#pragma once

namespace kvbench {

struct RunOptions {
  int runs;
  bool keep = false;
};

// Reads "--runs N" and "--keep" into options; anything else prints usage and gives false.
bool ParseRunOptions(int argc, char** argv, const char* usage, RunOptions& options);

}  // namespace kvbench
