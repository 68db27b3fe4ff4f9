// Layout numbers are given for 96 DPI and scaled to the system DPI with MulDiv semantics:
// rounded half away from zero, computed in 64 bits, -1 when the result does not fit.
#pragma once

#include <cstdint>

namespace kvtext {

constexpr int ScaleForDpi(int value, int dpi) {
  constexpr std::int64_t kBaseDpi = 96;
  const std::int64_t product = static_cast<std::int64_t>(value) * dpi;
  const std::int64_t half = product < 0 ? -kBaseDpi / 2 : kBaseDpi / 2;
  const std::int64_t result = (product + half) / kBaseDpi;
  if (result > 2147483647 || result < -2147483647) return -1;
  return static_cast<int>(result);
}

}  // namespace kvtext
