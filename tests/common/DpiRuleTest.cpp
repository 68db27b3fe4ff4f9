#include "common/DpiRule.h"

#include <climits>

#include <gtest/gtest.h>

static_assert(kvtext::ScaleForDpi(16, 144) == 24, "usable in constant expressions");

TEST(DpiRule, ScalesRoundedAwayFromZeroLikeMulDiv) {
  struct Case {
    int value;
    int dpi;
    int expected;
  };
  const Case cases[] = {
      {10, 96, 10},  {10, 144, 15},  {1, 144, 2},   {-1, 144, -2}, {3, 120, 4},
      {-3, 120, -4}, {1, 120, 1},    {0, 192, 0},   {100, 192, 200},
      // The product exceeds 32 bits but the result fits.
      {INT_MAX, 96, INT_MAX}, {2000000000, 48, 1000000000},
      // Results that do not fit give -1, as MulDiv does.
      {INT_MAX, 192, -1}, {INT_MIN, 96, -1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(kvtext::ScaleForDpi(c.value, c.dpi), c.expected) << c.value << " at " << c.dpi;
  }
}
