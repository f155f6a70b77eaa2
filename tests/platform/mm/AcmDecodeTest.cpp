// Decoding to 16-bit PCM, checked against references the tests compute.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "AcmTestFormats.h"

namespace {

using namespace acmtest;

// G.711 from its segment formulas: mu-law stores the complement, a 3-bit
// segment and a 4-bit step; magnitude = ((33 + 2 step) << segment) - 33 in
// 14-bit units.
int MuLawReference(int code) {
  int u = ~code & 0xFF;
  int segment = (u >> 4) & 7, step = u & 0x0F;
  int magnitude = ((33 + 2 * step) << segment) - 33;
  return (u & 0x80 ? -magnitude : magnitude) * 4;
}

// A-law inverts the even bits; segment 0 is linear, in 13-bit units.
int ALawReference(int code) {
  int a = code ^ 0x55;
  int segment = (a >> 4) & 7, step = a & 0x0F;
  int magnitude = segment == 0 ? 2 * step + 1 : (2 * step + 33) << (segment - 1);
  return (a & 0x80 ? magnitude : -magnitude) * 8;
}

TEST(AcmDecode, CompandedCodesMatchTheirFormulas) {
  std::vector<BYTE> all(256);
  for (int i = 0; i < 256; ++i) all[i] = static_cast<BYTE>(i);
  struct Case {
    WORD tag;
    int (*reference)(int);
  } cases[] = {{WAVE_FORMAT_MULAW, MuLawReference}, {WAVE_FORMAT_ALAW, ALawReference}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.tag);
    auto out = AsInt16(RunStream(Law(c.tag, 8000, 1), Pcm(8000, 1, 16), all, 100));
    ASSERT_EQ(out.size(), 256u);
    for (int i = 0; i < 256; ++i) EXPECT_EQ(out[i], c.reference(i)) << "code " << i;
  }
}

TEST(AcmDecode, ImaAdpcmMonoBlockFollowsStepAndIndexTables) {
  // Header: predictor 0, step index 0; then nibbles 7, 7, F, 0, 8, 0, 0, 0,
  // low nibble first. Worked by hand through the step and index tables.
  std::vector<BYTE> block = {0x00, 0x00, 0x00, 0x00, 0x77, 0x0F, 0x08, 0x00};
  auto out = AsInt16(RunStream(Ima(8000, 1, 8), Pcm(8000, 1, 16), block, 8));
  EXPECT_EQ(out, (std::vector<int16_t>{0, 11, 41, -22, -13, -21, -14, -8, -2}));
}

TEST(AcmDecode, ImaAdpcmStereoBlockKeepsHeadersAndGroupsPerChannel) {
  // Left: predictor 100, index 0, nibbles 0, 7, then zeros.
  // Right: predictor -100, index 10, nibbles 8, then zeros.
  std::vector<BYTE> block = {100, 0, 0, 0, 0x9C, 0xFF, 10, 0, 0x70, 0, 0, 0, 0x08, 0, 0, 0};
  auto out = AsInt16(RunStream(Ima(8000, 2, 16), Pcm(8000, 2, 16), block, 16));
  ASSERT_EQ(out.size(), 18u);
  std::vector<int16_t> left, right;
  for (size_t i = 0; i < out.size(); i += 2) {
    left.push_back(out[i]);
    right.push_back(out[i + 1]);
  }
  EXPECT_EQ(left, (std::vector<int16_t>{100, 100, 111, 113, 114, 115, 116, 117, 118}));
  EXPECT_EQ(right, (std::vector<int16_t>{-100, -102, -100, -98, -97, -96, -95, -94, -93}));
}

TEST(AcmDecode, ImaAdpcmCorruptStepIndexIsClampedNotRead) {
  std::vector<BYTE> block = {0x00, 0x10, 200, 0x00, 0x11, 0x11, 0x11, 0x11};
  auto out = AsInt16(RunStream(Ima(8000, 1, 8), Pcm(8000, 1, 16), block, 8));
  ASSERT_EQ(out.size(), 9u);
  EXPECT_EQ(out[0], 0x1000);
  // Index 88 (step 32767): nibble 1 adds 32767/8 + 32767/4.
  EXPECT_EQ(out[1], 0x1000 + 4095 + 8191);
}

TEST(AcmDecode, FloatIsClippedAndScaled) {
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  std::vector<double> values = {0.0, 0.5, -0.5, 0.25, 1.0, -1.0, 1.5, -3.0, inf, -inf, nan};
  std::vector<int16_t> expected = {0, 16384, -16384, 8192, 32767, -32768, 32767, -32768, 32767, -32768, 0};
  std::vector<float> singles(values.begin(), values.end());
  EXPECT_EQ(AsInt16(RunStream(Float(44100, 1, 32), Pcm(44100, 1, 16), Bytes(singles), 12)), expected);
  EXPECT_EQ(AsInt16(RunStream(Float(44100, 1, 64), Pcm(44100, 1, 16), Bytes(values), 24)), expected);
  // Extensible with the float subtype reads the same samples.
  EXPECT_EQ(AsInt16(RunStream(Extensible(3, 44100, 1, 32, 32), Pcm(44100, 1, 16), Bytes(singles), 40)),
            expected);
}

TEST(AcmDecode, ExtensiblePcmTakesTheContainerWidth) {
  // 24-bit samples in a stereo extensible record: the top 16 bits survive.
  std::vector<BYTE> input = {0x00, 0x34, 0x12, 0xFF, 0xFF, 0xFF, 0x00, 0x01, 0x80, 0x7F, 0xFF, 0x7F};
  auto out = AsInt16(RunStream(Extensible(1, 48000, 2, 24, 24), Pcm(48000, 2, 16), input, 6));
  // 0xFFFFFF is -1/2^23 and rounds to 0; 0x7FFF7F rounds to full scale.
  EXPECT_EQ(out, (std::vector<int16_t>{0x1234, 0, -32767, 32767}));
}

struct PcmCase {
  const char* name;
  Format src, dst;
  std::vector<BYTE> input;
  std::vector<BYTE> expected;
};

TEST(AcmDecode, PcmBitsAndChannels) {
  auto le = [](std::vector<int16_t> v) { return Bytes(v); };
  PcmCase cases[] = {
      {"8 to 16", Pcm(8000, 1, 8), Pcm(8000, 1, 16), {0x00, 0x80, 0xFF, 0x81}, le({-32768, 0, 32512, 256})},
      {"16 to 8 rounds",
       Pcm(8000, 1, 16),
       Pcm(8000, 1, 8),
       le({-32768, 0, 32767, 383, 384, -129}),
       {0x00, 0x80, 0xFF, 0x81, 0x82, 0x7F}},
      {"mono to stereo", Pcm(8000, 1, 16), Pcm(8000, 2, 16), le({1000, -7}), le({1000, 1000, -7, -7})},
      {"stereo to mono averages", Pcm(8000, 2, 16), Pcm(8000, 1, 16), le({1000, 3000, -32768, -32768, 1, 2}),
       le({2000, -32768, 2})},
      {"stereo to quad", Pcm(8000, 2, 16), Pcm(8000, 4, 16), le({1, 2}), le({1, 2, 1, 2})},
      {"quad to stereo", Pcm(8000, 4, 16), Pcm(8000, 2, 16), le({100, 200, 300, 400}), le({200, 300})},
      {"quad to mono", Pcm(8000, 4, 8), Pcm(8000, 1, 16), {0x80, 0x90, 0xA0, 0xB0}, le({0x1800})},
  };
  for (const PcmCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(RunStream(c.src, c.dst, c.input, 64), c.expected);
  }
}

}  // namespace
