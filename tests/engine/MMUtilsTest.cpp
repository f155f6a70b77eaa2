#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <numeric>
#include <optional>
#include <vector>

#include "engine/MMUtils.h"
#include "platform/kernel/Locale.h"

namespace {

TEST(MMUtilsTable, RoutinesWorkBeforeAndAfterStartUp) {
  // Callers may run before the unit's start-up, so the table is never empty.
  EXPECT_EQ(engine::IntMax(1, 2), 2);
  engine::IntMax = nullptr;
  engine::InitHelperPointers();
  ASSERT_NE(engine::IntMax, nullptr);
  EXPECT_EQ(engine::IntMax(1, 2), 2);
}

TEST(MMUtilsTable, SwapAndIncrement) {
  plat::WORD w1 = 1, w2 = 0xFFFF;
  engine::SwapWord(w1, w2);
  EXPECT_EQ(w1, 0xFFFF);
  EXPECT_EQ(w2, 1);
  plat::DWORD d1 = 1, d2 = 0xFFFFFFFF;
  engine::SwapLong(d1, d2);
  EXPECT_EQ(d1, 0xFFFFFFFFu);
  EXPECT_EQ(d2, 1u);
  int32_t i1 = -5, i2 = 7;
  engine::SwapInt(i1, i2);
  EXPECT_EQ(i1, 7);
  EXPECT_EQ(i2, -5);
  engine::IncBy(i1, -10);
  EXPECT_EQ(i1, -3);
}

struct RangeCase {
  int32_t x, a, b;
  int32_t clamp, clamp_either;
  bool in_range, in_range_either;
};

TEST(MMUtilsTable, ClampAndRangeTestsWithBoundsInEitherOrder) {
  const RangeCase cases[] = {
      // x, a, b: IntClamp(x, a, b), IntClampEither, IntInRange, IntInRangeEither
      {5, 0, 10, 5, 5, true, true},      {-3, 0, 10, 0, 0, false, false},
      {12, 0, 10, 10, 10, false, false}, {0, 0, 10, 0, 0, true, true},
      {10, 0, 10, 10, 10, true, true},   {5, 10, 0, 10, 5, false, true},  // lower bound wins in IntClamp
      {-3, 10, 0, 10, 0, false, false},  {12, 10, 0, 0, 10, false, false},
      {7, 7, 7, 7, 7, true, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.x << " in " << c.a << ".." << c.b);
    EXPECT_EQ(engine::IntClamp(c.x, c.a, c.b), c.clamp);
    EXPECT_EQ(engine::IntClampEither(c.x, c.a, c.b), c.clamp_either);
    EXPECT_EQ(engine::IntInRange(c.x, c.a, c.b), c.in_range);
    EXPECT_EQ(engine::IntInRangeEither(c.x, c.a, c.b), c.in_range_either);
  }
  EXPECT_EQ(engine::IntMin(3, -3), -3);
  EXPECT_EQ(engine::IntMin(-3, 3), -3);
  EXPECT_EQ(engine::IntMax(-3, 3), 3);
}

// Guard bytes on both sides show writes outside the block.
struct Block {
  std::array<uint8_t, 32> bytes{};
  Block() { bytes.fill(0xEE); }
  uint8_t* at(int i) { return bytes.data() + 8 + i; }
  int Count(uint8_t v) const { return static_cast<int>(std::count(bytes.begin(), bytes.end(), v)); }
};

TEST(MMUtilsMemory, FillBytesWritesExactlyCountBytes) {
  for (int count : {0, 1, 3, 4, 7, 8, 13}) {
    Block b;
    engine::FillBytes(b.at(1), count, 0x5A);  // odd start: not word-aligned
    EXPECT_EQ(b.Count(0x5A), count) << count;
    for (int i = 0; i < count; ++i) EXPECT_EQ(*b.at(1 + i), 0x5A);
  }
  Block b;
  engine::FillBytes(b.at(0), -4, 0);
  engine::FillBytes(nullptr, 16, 0);
  EXPECT_EQ(b.Count(0xEE), 32);
}

TEST(MMUtilsMemory, FillPatternWritesWordsThenTheLowByte) {
  Block b;
  engine::FillPattern(b.at(1), 7, 0x44332211);
  const uint8_t expected[] = {0x11, 0x22, 0x33, 0x44, 0x11, 0x11, 0x11};
  EXPECT_EQ(std::memcmp(b.at(1), expected, 7), 0);
  EXPECT_EQ(b.Count(0xEE), 32 - 7);
  engine::FillPattern(b.at(0), -1, 0);
  engine::FillPattern(nullptr, 8, 0);  // refused, not written through
  EXPECT_EQ(b.Count(0xEE), 32 - 7);
}

TEST(MMUtilsMemory, MoveBytesMatchesACopyThroughATemporary) {
  const struct {
    int from, to, count;
  } cases[] = {{0, 3, 10}, {3, 0, 10}, {1, 2, 17}, {2, 1, 17}, {0, 4, 12}, {5, 5, 9}, {0, 9, 3}};
  for (const auto& c : cases) {
    std::vector<uint8_t> buf(40), ref(40);
    std::iota(buf.begin(), buf.end(), uint8_t{1});
    ref = buf;
    const std::vector<uint8_t> temp(ref.begin() + c.from, ref.begin() + c.from + c.count);
    std::copy(temp.begin(), temp.end(), ref.begin() + c.to);
    engine::MoveBytes(buf.data() + c.from, buf.data() + c.to, c.count);
    EXPECT_EQ(buf, ref) << c.from << " -> " << c.to << " x" << c.count;
  }
  std::vector<uint8_t> buf{1, 2, 3};
  engine::MoveBytes(buf.data(), buf.data() + 1, -2);
  engine::MoveBytes(buf.data(), buf.data() + 1, 0);
  EXPECT_EQ(buf, (std::vector<uint8_t>{1, 2, 3}));
}

TEST(MMUtilsMemory, BytesEqualComparesTheFirstCountBytes) {
  const uint8_t a[] = {1, 2, 3, 4, 5, 6, 7};
  const uint8_t b[] = {1, 2, 3, 4, 5, 6, 8};
  EXPECT_TRUE(engine::BytesEqual(a, b, 6));
  EXPECT_FALSE(engine::BytesEqual(a, b, 7));  // differs in the byte tail
  const uint8_t c[] = {1, 2, 9, 4, 5, 6, 7};
  EXPECT_FALSE(engine::BytesEqual(a, c, 7));  // differs in the first word
  EXPECT_TRUE(engine::BytesEqual(nullptr, nullptr, 0));
}

TEST(MMUtilsText, TimeToTextPicksTheFormatBySize) {
  const struct {
    bool with_ms;
    int64_t time;
    const char* expected;
  } cases[] = {
      {true, 3723004, "1:02:03.004"},
      {true, 90061001, "1:01:01:01.001"},
      {true, 0, "0:00.000"},
      {true, 3599999, "59:59.999"},
      {true, 3600000, "1:00:00.000"},
      {true, 86399999, "23:59:59.999"},
      {true, 86400000, "1:00:00:00.000"},
      {false, 59999, "0:59"},
      {false, 125000, "2:05"},
      {false, 3723004, "1:02:03"},
      {false, 90061001, "1:01:01:01"},
      // Days, hours and minutes beyond 32 bits of milliseconds.
      {false, int64_t{100} * 86400000 + 1000, "100:00:00:01"},
  };
  for (const auto& c : cases) EXPECT_EQ(engine::TimeToText(c.with_ms, c.time), c.expected) << c.time;
  EXPECT_EQ(engine::TimeToTextMS(3723004), "1:02:03.004");
}

class MMUtilsLevel : public testing::Test {
 protected:
  void TearDown() override { plat::SetLocaleSeparators(std::nullopt); }
  void UseDecimal(char decimal) { plat::SetLocaleSeparators(plat::LocaleSeparators{decimal, ';'}); }
};

TEST_F(MMUtilsLevel, DecibelsAgainstFullScale) {
  UseDecimal('.');
  const struct {
    int32_t value, ref;
    float offset;
    const char* text;
    const char* text_int;
  } cases[] = {
      {0, 32768, 0, "-Inf", "-Inf"},
      {16384, 32768, 0, "-6.02", "-6"},
      {-32768, 32768, 0, "0.00", " 0"},
      {32768, 32768, 3.5f, "3.50", " 0"},  // the integer form ignores the offset
      {1, 0, 0, "0.00", " 0"},             // ref 0 counts as 1
      {10, -5, 0, "20.00", "20"},
      {-2147483647 - 1, 1, 0, "186.64", "187"},
      {1, 32768, 0, "-90.31", "-90"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(engine::LevelToDBText(c.value, c.ref, c.offset), c.text) << c.value << "/" << c.ref;
    EXPECT_EQ(engine::LevelToDBTextInt(c.value, c.ref, c.offset), c.text_int) << c.value << "/" << c.ref;
  }
}

TEST_F(MMUtilsLevel, UsesTheUsersDecimalSeparator) {
  UseDecimal(',');
  EXPECT_EQ(engine::LevelToDBText(16384, 32768, 0), "-6,02");
  EXPECT_EQ(engine::LevelToDBText(0, 32768, 0), "-Inf");
}

TEST(MMUtilsGlobal, BlocksAreZeroedAndFreedToNil) {
  void* p = engine::GlobalAllocZeroed(64);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(std::count(static_cast<uint8_t*>(p), static_cast<uint8_t*>(p) + 64, 0), 64);
  std::memset(p, 0xAB, 64);
  engine::GlobalRenew(p, 16);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(std::count(static_cast<uint8_t*>(p), static_cast<uint8_t*>(p) + 16, 0), 16);
  engine::GlobalFreeAndNil(p);
  EXPECT_EQ(p, nullptr);
  engine::GlobalFreeAndNil(p);  // nil stays nil
}

}  // namespace
