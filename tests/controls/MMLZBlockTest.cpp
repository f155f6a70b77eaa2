// The block codec of stored bitmap lists: exact blocks for known inputs (the
// format is fixed), round trips across the piece size, and damaged blocks
// refused without reading or writing past them.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "controls/MMLZBlock.h"

namespace controls {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }

Bytes Repeat(const std::string& s, int times) {
  std::string all;
  for (int i = 0; i < times; ++i) all += s;
  return Text(all);
}

Bytes Compress(const Bytes& in) { return LZCompressBlock(in.data(), in.size()); }

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

struct ExactCase {
  const char* name;
  Bytes input;
  Bytes block;
};

TEST(MMLZBlockTest, KnownInputsCodeToExactBlocks) {
  Bytes distinct15;
  for (uint8_t i = 0; i < 15; ++i) distinct15.push_back(static_cast<uint8_t>('A' + i));
  const Bytes z20(20, 'z');
  // Eight longest runs, a literal, a copy of 7 at distance 1, then "abcde"
  // twice past position 32768: the second cannot copy the first, because
  // table positions from 32768 on read back negative.
  Bytes high = Concat({Bytes(32768, 0), Text("abcdeabcdexyz")});
  Bytes high_block = {0x40, 0xFF, 0x40};
  for (int i = 0; i < 8; ++i) high_block.insert(high_block.end(), {0x00, 0x0F, 0xEF, 0x00});
  high_block.insert(high_block.end(), {0x00, 0x00, 0x14});
  for (char c : std::string("abcdea")) high_block.push_back(static_cast<uint8_t>(c));
  high_block.insert(high_block.end(), {0x00, 0x00});
  for (char c : std::string("bcdexyz")) high_block.push_back(static_cast<uint8_t>(c));

  const ExactCase cases[] = {
      {"too short to gain: stored", Text("abc"), {0x80, 0x61, 0x62, 0x63}},
      {"one run of twenty", Bytes(20, 0x61), {0x40, 0x80, 0x00, 0x00, 0x00, 0x04, 0x61}},
      {"three literals and a copy of 15 at distance 3",
       Repeat("abc", 6),
       {0x40, 0x10, 0x00, 0x61, 0x62, 0x63, 0x00, 0x3C}},
      {"empty input", {}, {0x80}},
      {"exactly 16 items end the block with no further control word", Concat({distinct15, z20}),
       Concat({{0x40, 0x00, 0x01}, distinct15, {0x00, 0x00, 0x04, 'z'}})},
      {"a 17th item opens a second control word", Concat({distinct15, z20, Text("q")}),
       Concat({{0x40, 0x00, 0x01}, distinct15, {0x00, 0x00, 0x04, 'z', 0x00, 0x00, 'q'}})},
      {"positions from 32768 never serve as a source", high, high_block},
  };
  for (const ExactCase& c : cases) {
    SCOPED_TRACE(c.name);
    const Bytes block = Compress(c.input);
    EXPECT_EQ(block, c.block);
    Bytes back;
    ASSERT_TRUE(LZDecompressBlock(block.data(), block.size(), back));
    EXPECT_EQ(back, c.input);
  }
}

TEST(MMLZBlockTest, RandomConstantAndPatternedBlocksRoundTripAcrossThePieceSize) {
  std::mt19937 rng(15);
  auto random_bytes = [&](size_t n) {
    Bytes b(n);
    for (uint8_t& v : b) v = static_cast<uint8_t>(rng());
    return b;
  };
  // Text-like data: words from a small vocabulary, so copies of every length
  // and distance occur, some across the 4096-byte window.
  auto patterned = [&](size_t n) {
    static const char* const kWords[] = {"peak ", "level ", "spectrum ", "a", "bb", "scope ", "\x01\x02\x03"};
    std::string s;
    while (s.size() < n) s += kWords[rng() % 7];
    s.resize(n);
    return Text(s);
  };
  const size_t sizes[] = {1,    2,    3,    4,     15,    16,    17,    18,    19,          4095,
                          4096, 4097, 8200, 32767, 32768, 32769, 32779, 32780, kLZChunkSize};
  for (size_t n : sizes) {
    struct Kind {
      const char* name;
      Bytes data;
    } kinds[] = {{"random", random_bytes(n)}, {"constant", Bytes(n, 0x5A)}, {"patterned", patterned(n)}};
    for (const Kind& k : kinds) {
      SCOPED_TRACE(std::string(k.name) + " " + std::to_string(n));
      const Bytes block = Compress(k.data);
      ASSERT_LE(block.size(), n + 1);
      Bytes back;
      ASSERT_TRUE(LZDecompressBlock(block.data(), block.size(), back));
      ASSERT_EQ(back, k.data);
      if (std::string(k.name) == "random") {
        // Incompressible: stored, one byte longer than the input.
        EXPECT_EQ(block[0], 0x80);
        EXPECT_EQ(block.size(), n + 1);
      }
      if (std::string(k.name) == "constant" && n >= 16) {
        EXPECT_LT(block.size(), 8 + 4 * (n / 4095 + 1));
      }
    }
  }
  // The longest block there is: a stored full piece.
  EXPECT_EQ(Compress(random_bytes(kLZChunkSize)).size(), kLZMaxBlockSize);
}

struct BadBlock {
  const char* name;
  Bytes block;
};

TEST(MMLZBlockTest, DamagedBlocksAreRefusedAndLeaveTheOutputAsItWas) {
  Bytes stored_too_long(kLZMaxBlockSize + 1, 0x11);
  stored_too_long[0] = 0x80;
  Bytes runs_too_long = {0x40, 0xC0, 0x00, 0x00, 0x7F, 0xF0, 0x61, 0x00, 0x00, 0x20, 0x62};
  // Sixteen literals use up the control word; the next one is cut in half.
  Bytes control_cut = Concat({{0x40, 0x00, 0x00}, Bytes(16, 'x'), {0x00}});
  Bytes control_then_nothing = Concat({{0x40, 0x00, 0x00}, Bytes(16, 'x'), {0x00, 0x00}});
  const BadBlock cases[] = {
      {"copy before the start", {0x40, 0x80, 0x00, 0x00, 0x31}},
      {"copy one byte further back than written", {0x40, 0x40, 0x00, 'a', 0x00, 0x20}},
      {"run longer than a piece", {0x40, 0x80, 0x00, 0x00, 0xFF, 0xFF, 0x61}},
      {"runs adding up to more than a piece", runs_too_long},
      {"stored block longer than a piece", stored_too_long},
      {"run token cut at the end", {0x40, 0x80, 0x00, 0x00, 0x00, 0x04}},
      {"copy token cut at the end", {0x40, 0x80, 0x00, 0x00}},
      {"control word cut at the end", control_cut},
      {"control word with no item after it", control_then_nothing},
  };
  for (const BadBlock& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes out = Text("kept");
    EXPECT_FALSE(LZDecompressBlock(c.block.data(), c.block.size(), out));
    EXPECT_EQ(out, Text("kept"));
  }
  // The limit is the caller's: a bound of 20 refuses the 21st byte.
  const Bytes twenty_one(21, 'r');
  const Bytes block = Compress(twenty_one);
  Bytes out;
  EXPECT_FALSE(LZDecompressBlock(block.data(), block.size(), out, 20));
  EXPECT_TRUE(LZDecompressBlock(block.data(), block.size(), out, 21));
  // Blocks too short to hold an item give nothing, as written.
  for (const Bytes& tiny : {Bytes{}, Bytes{0x80}, Bytes{0x40, 0x00, 0x00}}) {
    Bytes none;
    EXPECT_TRUE(LZDecompressBlock(tiny.data(), tiny.size(), none));
    EXPECT_TRUE(none.empty());
  }
}

}  // namespace
}  // namespace controls
