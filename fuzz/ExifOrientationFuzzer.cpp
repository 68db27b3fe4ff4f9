// Feeds arbitrary bytes to the JPEG EXIF orientation reader: it returns 0 or a value from 1 to
// 8 and never reads outside the input. The same bytes, taken as a small picture, are turned
// by the orientation the first byte names: every source pixel lands in the target exactly once.
// Run: kv_fuzz_exif -max_total_time=60 <work folder> fuzz/corpus/exif
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <vector>

#include "resedit/Orientation.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

void CheckTurn(const std::uint8_t* data, std::size_t size) {
  if (size < 3) return;
  const kvimage::Orientation turn = kvimage::OrientationFor(data[0]);
  const std::uint32_t width = 1 + data[1] % 7;
  const std::uint32_t height = 1 + data[2] % 7;
  const std::uint32_t stride = width * 4 + data[1] % 3 * 4;
  // Each source pixel carries its own number, so the target must hold every number once.
  std::vector<std::uint8_t> source(static_cast<std::size_t>(stride) * height, 0xFF);
  for (std::uint32_t r = 0; r < height; ++r) {
    for (std::uint32_t c = 0; c < width; ++c) {
      const std::uint32_t n = r * width + c;
      std::memcpy(&source[r * stride + c * 4], &n, 4);
    }
  }
  std::vector<std::uint8_t> target(static_cast<std::size_t>(width) * height * 4);
  kvimage::OrientPixels(source.data(), width, height, stride, turn, target.data());
  std::vector<bool> seen(static_cast<std::size_t>(width) * height, false);
  for (std::size_t i = 0; i < seen.size(); ++i) {
    std::uint32_t n = 0;
    std::memcpy(&n, &target[i * 4], 4);
    Require(n < seen.size() && !seen[n]);
    seen[n] = true;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const int value = kvimage::ReadJpegOrientation(std::string_view(reinterpret_cast<const char*>(data), size));
  Require(value >= 0 && value <= 8);
  CheckTurn(data, size);
  return 0;
}
