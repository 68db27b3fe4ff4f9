// A stand-in for KelVoxStudio.exe whose runtime pack holds a runtime of a chosen size, for
// measuring the extraction with a runtime as large as the shipped ones may become.
#pragma once

#include <cstdint>
#include <string>

namespace kvbench {

// size bytes that compress with XZ about as an executable does: machine-code-like
// instruction runs, string tables, pointer tables, zero padding and incompressible blocks.
// The same seed and size always give the same bytes.
std::string GenerateRuntime(std::uint64_t seed, std::uint64_t size);

// One XZ stream at preset 6 with a CRC64 check, as the pack holds its runtimes; empty on
// failure.
std::string XzPreset6(const std::string& data);

// A minimal PE32+ image whose last section, "kvrsrc", is a pack with a small icon entry and
// the one XZ stream as the runtime of every target.
std::string StandInIde(const std::string& xzRuntime);

}  // namespace kvbench
