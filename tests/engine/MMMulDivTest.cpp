#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <stdexcept>

#include "engine/MMMulDiv.h"

namespace {

constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
constexpr int32_t kMin = std::numeric_limits<int32_t>::min();

struct MulDivCase {
  int32_t a, b, c;
  int32_t truncated;
  int32_t rounded;
};

TEST(MMMulDiv, TruncatesAndRoundsHalvesAwayFromZeroForEverySign) {
  const MulDivCase cases[] = {
      {7, 1, 2, 3, 4},
      {-7, 1, 2, -3, -4},
      {7, 1, -2, -3, -4},
      {-7, 1, -2, 3, 4},
      {5, 1, 3, 1, 2},
      {-5, 1, 3, -1, -2},
      {1, 1, 3, 0, 0},
      {-1, 1, 3, 0, 0},
      {0, 5, 7, 0, 0},
      // The product needs 64 bits, the quotient does not.
      {kMax, kMax, kMax, kMax, kMax},
      {kMin, 2, 4, kMin / 2, kMin / 2},
      {100000, 176400, 44100, 400000, 400000},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(engine::MulDiv32(c.a, c.b, c.c), c.truncated) << c.a << "*" << c.b << "/" << c.c;
    EXPECT_EQ(engine::MulDivRound(c.a, c.b, c.c), c.rounded) << c.a << "*" << c.b << "/" << c.c;
  }
}

TEST(MMMulDiv, RaisesOnZeroDivisorAndOnOverflow) {
  EXPECT_THROW(engine::MulDiv32(1, 1, 0), std::domain_error);
  EXPECT_THROW(engine::MulDivRound(1, 1, 0), std::domain_error);
  EXPECT_THROW(engine::MulDivRoundU(1, 1, 0), std::domain_error);
  EXPECT_THROW(engine::MulDiv64(1, 1, 0), std::domain_error);

  EXPECT_THROW(engine::MulDiv32(kMax, 2, 1), std::overflow_error);
  EXPECT_THROW(engine::MulDiv32(kMin, -1, 1), std::overflow_error);
  EXPECT_THROW(engine::MulDivRound(kMax, kMax, 1), std::overflow_error);
  EXPECT_THROW(engine::MulDivRoundU(0xFFFFFFFFu, 2, 1), std::overflow_error);
  EXPECT_THROW(engine::MulDiv64(std::numeric_limits<int64_t>::max(), 4, 2), std::overflow_error);
}

TEST(MMMulDiv, RoundingStepAtTheTopOfTheRangeIsChecked) {
  // 16843009 * 255 = 2 * kMax + 1: the truncated quotient is kMax and fits,
  // the rounded one does not and must not wrap to kMin.
  EXPECT_EQ(engine::MulDiv32(16843009, 255, 2), kMax);
  EXPECT_THROW(engine::MulDivRound(16843009, 255, 2), std::overflow_error);
  EXPECT_EQ(engine::MulDivRound(-16843009, 255, 2), kMin);  // -kMax - 0.5 still fits
}

TEST(MMMulDiv, UnsignedRoundsHalvesUp) {
  EXPECT_EQ(engine::MulDivRoundU(7, 1, 2), 4u);
  EXPECT_EQ(engine::MulDivRoundU(5, 1, 3), 2u);
  EXPECT_EQ(engine::MulDivRoundU(4, 1, 3), 1u);
  EXPECT_EQ(engine::MulDivRoundU(0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu), 0xFFFFFFFFu);
}

TEST(MMMulDiv, SarLongShiftsArithmeticallyByCountAnd31) {
  EXPECT_EQ(engine::SarLong(-8, 1), -4);
  EXPECT_EQ(engine::SarLong(-1, 31), -1);
  EXPECT_EQ(engine::SarLong(-7, 1), -4);  // toward minus infinity
  EXPECT_EQ(engine::SarLong(256, 32), 256);
  EXPECT_EQ(engine::SarLong(256, 33), 128);
}

TEST(MMMulDiv, MulDiv64TruncatesTowardZeroBeyond32Bits) {
  EXPECT_EQ(engine::MulDiv64(7, 1, 2), 3);
  EXPECT_EQ(engine::MulDiv64(-7, 1, 2), -3);
  // Ten hours of 44.1 kHz stereo 16-bit in bytes, past the 32-bit range.
  EXPECT_EQ(engine::MulDiv64(int64_t{44100} * 36000 * 100, 176400, 44100), int64_t{44100} * 36000 * 400);
}

}  // namespace
