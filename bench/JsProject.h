// A deterministic JavaScript project for benchmarks: source files of varied sizes that read
// like application code written against the runtime (functions, classes, handlers, tables of
// data, comments and strings), so that they compress as real sources do.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kvbench {

struct JsProjectShape {
  int files = 200;
  std::uint64_t totalBytes = 20000000;
  std::uint64_t seed = 0x4B56424E;
};

// Writes the files into folder + "Source Files" + separator (which must exist) and returns
// their names in project order. The same shape always gives the same bytes.
std::vector<std::string> WriteJsSources(const std::string& folder, const JsProjectShape& shape);

// One file's contents, exactly size bytes.
std::string GenerateJsFile(std::uint64_t seed, std::uint64_t size);

}  // namespace kvbench
