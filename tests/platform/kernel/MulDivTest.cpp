#include <gtest/gtest.h>

#include <climits>

#include "platform/kernel/MulDiv.h"

namespace {

TEST(MulDiv, RoundsHalvesAwayFromZeroWithA64BitProductAndAnswersMinusOneOnFailure) {
  const struct {
    int number, numerator, denominator, expected;
  } cases[] = {
      {7, 1, 2, 4},  // 3.5 and its three signed mirrors
      {-7, 1, 2, -4},
      {7, 1, -2, -4},
      {-7, -1, -2, -4},
      {5, 1, 4, 1},  // 1.25
      {-5, 1, 4, -1},
      {2, 1, 3, 1},  // 0.667
      {1, 1, 3, 0},
      {5, 2, 4, 3},  // 2.5 rounds away from zero, not to even
      {0, 5, -3, 0},
      {32767, 3, 7, 14043},                  // 14042.57
      {INT_MAX, INT_MAX, INT_MAX, INT_MAX},  // the product needs 62 bits
      {INT_MIN, INT_MAX, INT_MAX, INT_MIN},
      {65536, 65536, 2, -1},        // 2^31: one past the range
      {-65536, 65536, 2, INT_MIN},  // -2^31 still fits
      {INT_MIN, -1, 1, -1},         // 2^31
      {1, 1, 0, -1},                // zero divisor
      {0, 0, 0, -1},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(plat::MulDiv(c.number, c.numerator, c.denominator), c.expected)
        << c.number << " * " << c.numerator << " / " << c.denominator;
  }
}

}  // namespace
