#include "bench/RunOptions.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace kvbench {

bool ParseRunOptions(int argc, char** argv, const char* usage, RunOptions& options) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc) {
      options.runs = std::max(1, std::atoi(argv[++i]));
    } else if (std::strcmp(argv[i], "--keep") == 0) {
      options.keep = true;
    } else {
      std::fprintf(stderr, "usage: %s\n", usage);
      return false;
    }
  }
  return true;
}

}  // namespace kvbench
