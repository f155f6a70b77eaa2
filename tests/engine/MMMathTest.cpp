#include <gtest/gtest.h>

#include <cmath>

#include "engine/MMMath.h"

namespace {

TEST(MMMath, FloorRoundsTowardMinusInfinity) {
  const struct {
    long double x;
    int32_t expected;
  } cases[] = {{-2.5L, -3},
               {-3.0L, -3},
               {2.7L, 2},
               {0.0L, 0},
               {-0.1L, -1},
               {2147483647.5L, 2147483647},
               {-2147483648.0L, -2147483647 - 1}};
  for (const auto& c : cases) EXPECT_EQ(engine::FloatFloor(c.x), c.expected) << static_cast<double>(c.x);
}

TEST(MMMath, FloorOfValuesBeyondAnyIntegerIsDefined) {
  EXPECT_EQ(engine::FloatFloor(NAN), 0);
  EXPECT_EQ(engine::FloatFloor(1e30L), 0);
  EXPECT_EQ(engine::FloatFloor(-INFINITY), 0);
}

TEST(MMMath, ModTakesTheSignOfX) {
  EXPECT_EQ(engine::FloatMod(-7, 3), -1);
  EXPECT_EQ(engine::FloatMod(7, -3), 1);
  EXPECT_NEAR(static_cast<double>(engine::FloatMod(5.5L, 2)), 1.5, 1e-15);
}

TEST(MMMath, ClampTestsTheLowerBoundFirst) {
  EXPECT_EQ(engine::FloatClamp(5, 0, 10), 5);
  EXPECT_EQ(engine::FloatClamp(-1, 0, 10), 0);
  EXPECT_EQ(engine::FloatClamp(11, 0, 10), 10);
  EXPECT_EQ(engine::FloatClamp(5, 10, 0), 10);
  EXPECT_EQ(engine::FloatClamp(20, 10, 0), 0);
  EXPECT_EQ(engine::FloatMax(1, 2), 2);
  EXPECT_EQ(engine::FloatMax(2, 1), 2);
}

TEST(MMMath, LogarithmsAndPowerAgreeWithTheLibrary) {
  const long double xs[] = {1e-9L, 0.5L, 1, 2, 10, 32768, 1e12L};
  for (long double x : xs) {
    const double d = static_cast<double>(x);
    EXPECT_NEAR(static_cast<double>(engine::FloatLn(x)), std::log(d), 1e-12) << d;
    EXPECT_NEAR(static_cast<double>(engine::FloatLog2(x)), std::log2(d), 1e-12) << d;
    EXPECT_NEAR(static_cast<double>(engine::FloatLog10(x)), std::log10(d), 1e-12) << d;
  }
  EXPECT_EQ(engine::FloatLog10(1), 0);
  // Decibels back to factors: 10^(dB/20), with exponents on both sides of 0.
  const long double exps[] = {-6.0206L / 20, -3, -0.5L, 0, 0.25L, 1, 2.7L, 12};
  for (long double e : exps) {
    const double expected = std::pow(10.0, static_cast<double>(e));
    EXPECT_NEAR(static_cast<double>(engine::FloatPower(10, e)) / expected, 1.0, 1e-14)
        << static_cast<double>(e);
  }
  EXPECT_EQ(engine::FloatPower(2, 10), 1024);
  EXPECT_EQ(engine::FloatPower(10, 0), 1);
  EXPECT_EQ(engine::FloatPower(10, 1e9L), INFINITY);
  EXPECT_EQ(engine::FloatPower(10, -1e9L), 0);
}

}  // namespace
