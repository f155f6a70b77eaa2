#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "engine/MMPCMSup.h"

namespace {

plat::WAVEFORMATEX Pcm(int bits, int channels, int rate = 44100) {
  plat::WAVEFORMATEX f{};
  engine::BuildPCMFormat(f, bits, channels, rate);
  return f;
}

std::vector<uint8_t> Bytes16(const std::vector<int16_t>& samples) {
  std::vector<uint8_t> out(samples.size() * 2);
  std::memcpy(out.data(), samples.data(), out.size());
  return out;
}

std::vector<int16_t> Samples16(const std::vector<uint8_t>& bytes) {
  std::vector<int16_t> out(bytes.size() / 2);
  std::memcpy(out.data(), bytes.data(), out.size() * 2);
  return out;
}

TEST(MMPCMSupFormat, BuildsAndValidatesPCMFormats) {
  const plat::WAVEFORMATEX f = Pcm(16, 2);
  EXPECT_EQ(f.wFormatTag, plat::WAVE_FORMAT_PCM);
  EXPECT_EQ(f.nBlockAlign, 4);
  EXPECT_EQ(f.nAvgBytesPerSec, 176400u);
  EXPECT_EQ(f.cbSize, 0);

  const struct {
    int bits, channels, rate;
    bool valid;
  } cases[] = {{16, 2, 4000, true},   {16, 2, 100000, true}, {16, 2, 3999, false}, {16, 2, 100001, false},
               {8, 4, 44100, true},   {8, 1, 44100, true},   {8, 3, 44100, false}, {8, 0, 44100, false},
               {24, 2, 44100, false}, {16, 6, 44100, false}, {0, 2, 44100, false}};
  for (const auto& c : cases) {
    const plat::WAVEFORMATEX g = Pcm(c.bits, c.channels, c.rate);
    EXPECT_EQ(engine::IsValidPCMFormat(&g), c.valid) << c.bits << "/" << c.channels << "/" << c.rate;
  }
  plat::WAVEFORMATEX adpcm = Pcm(16, 2);
  adpcm.wFormatTag = plat::WAVE_FORMAT_ADPCM;
  EXPECT_FALSE(engine::IsValidPCMFormat(&adpcm));
  EXPECT_FALSE(engine::IsValidPCMFormat(nullptr));
}

TEST(MMPCMSupConvert, ConvertsBetween8And16Bits) {
  const std::vector<uint8_t> src = Bytes16({-1, -256, 255, 256, -32768, 32767, -257});
  std::vector<uint8_t> eight(7, 0xEE);
  EXPECT_EQ(engine::ConvertPCMBits(8, eight.data(), 16, src.data(), static_cast<int32_t>(src.size())), 7);
  EXPECT_EQ(eight, (std::vector<uint8_t>{128, 127, 128, 129, 0, 255, 127}));

  const std::vector<uint8_t> bytes{0, 255, 128, 129};
  std::vector<uint8_t> sixteen(8);
  EXPECT_EQ(engine::ConvertPCMBits(16, sixteen.data(), 8, bytes.data(), 4), 8);
  EXPECT_EQ(Samples16(sixteen), (std::vector<int16_t>{-32768, 32512, 0, 256}));

  std::vector<uint8_t> copy(4);
  EXPECT_EQ(engine::ConvertPCMBits(8, copy.data(), 8, bytes.data(), 4), 4);
  EXPECT_EQ(copy, bytes);
}

TEST(MMPCMSupConvert, OddInputIsRefusedOrTruncatedToWholeSamples) {
  std::vector<uint8_t> out(8, 0xEE);
  const std::vector<uint8_t> src{1, 2, 3, 4, 5};
  EXPECT_EQ(engine::ConvertPCMBits(8, out.data(), 16, src.data(), 5), 2);  // the odd byte is not a sample
  EXPECT_EQ(out[2], 0xEE);
  // Widths other than 8 and 16 are not converted (a 4-bit source would have
  // no whole bytes per sample).
  EXPECT_EQ(engine::ConvertPCMBits(16, out.data(), 4, src.data(), 5), 0);
  EXPECT_EQ(engine::ConvertPCMBits(8, out.data(), 24, src.data(), 5), 0);
  EXPECT_EQ(engine::ConvertPCMBits(16, out.data(), 8, src.data(), -1), 0);
  EXPECT_EQ(engine::ConvertPCMBits(16, nullptr, 8, src.data(), 5), 0);
}

TEST(MMPCMSupGain, UnityGainTouchesNothing) {
  const plat::WAVEFORMATEX f = Pcm(16, 2);
  std::vector<uint8_t> buf = Bytes16({32767, -32768, 20000, -1});
  const auto before = buf;
  EXPECT_FALSE(engine::ApplyPCMGain(&f, buf.data(), 8, 16384, 16384));
  EXPECT_EQ(buf, before);
  // Mono uses only the left gain.
  const plat::WAVEFORMATEX mono = Pcm(16, 1);
  EXPECT_FALSE(engine::ApplyPCMGain(&mono, buf.data(), 8, 16384, 0));
  EXPECT_EQ(buf, before);
  plat::WAVEFORMATEX adpcm = f;
  adpcm.wFormatTag = plat::WAVE_FORMAT_ADPCM;
  EXPECT_FALSE(engine::ApplyPCMGain(&adpcm, buf.data(), 8, 0, 0));
  EXPECT_FALSE(engine::ApplyPCMGain(nullptr, buf.data(), 8, 0, 0));
  EXPECT_EQ(buf, before);
}

TEST(MMPCMSupGain, ScalesPerChannelAndReportsClipping) {
  const plat::WAVEFORMATEX f16 = Pcm(16, 1);
  std::vector<uint8_t> buf = Bytes16({20000, -20000, 100, -3});
  EXPECT_TRUE(engine::ApplyPCMGain(&f16, buf.data(), 8, 32768, 16384));
  EXPECT_EQ(Samples16(buf), (std::vector<int16_t>{32767, -32768, 200, -6}));

  buf = Bytes16({100, -3});
  EXPECT_FALSE(engine::ApplyPCMGain(&f16, buf.data(), 4, 8192, 8192));
  EXPECT_EQ(Samples16(buf), (std::vector<int16_t>{50, -2}));  // arithmetic shift rounds down

  // A gain far above unity clips rather than wrapping the product.
  buf = Bytes16({30000, -30000});
  EXPECT_TRUE(engine::ApplyPCMGain(&f16, buf.data(), 4, 1 << 20, 0));
  EXPECT_EQ(Samples16(buf), (std::vector<int16_t>{32767, -32768}));

  const plat::WAVEFORMATEX f8 = Pcm(8, 2);
  std::vector<uint8_t> b8{255, 255, 0, 0, 200, 60, 7};  // trailing byte: partial frame
  EXPECT_FALSE(engine::ApplyPCMGain(&f8, b8.data(), 7, 16384, 0));
  EXPECT_EQ(b8, (std::vector<uint8_t>{255, 128, 0, 128, 200, 128, 7}));

  std::vector<uint8_t> loud{255, 0, 200};
  const plat::WAVEFORMATEX m8 = Pcm(8, 1);
  EXPECT_TRUE(engine::ApplyPCMGain(&m8, loud.data(), 3, 32768, 0));
  EXPECT_EQ(loud, (std::vector<uint8_t>{255, 0, 255}));
}

TEST(MMPCMSupClip, ClampsToTheSampleRanges) {
  EXPECT_EQ(engine::ClipToByteRange(200), 127);
  EXPECT_EQ(engine::ClipToByteRange(-200), -128);
  EXPECT_EQ(engine::ClipToByteRange(-5), -5);
  EXPECT_EQ(engine::ClipToWordRange(40000), 32767);
  EXPECT_EQ(engine::ClipToWordRange(-40000), -32768);
  EXPECT_EQ(engine::ClipToWordRange(-32768), -32768);
  EXPECT_EQ(engine::ClipToWordRange(12345), 12345);
}

TEST(MMPCMSupPeak, FindsTheFirstSampleFarthestFromSilence) {
  int16_t l = 1, r = 1;
  const plat::WAVEFORMATEX m16 = Pcm(16, 1);
  auto buf = Bytes16({100, -300, 300});
  engine::FindPeakSamples(&m16, buf.data(), 6, l, r);
  EXPECT_EQ(l, -300);
  EXPECT_EQ(r, -300);

  const plat::WAVEFORMATEX s8 = Pcm(8, 2);
  const std::vector<uint8_t> silence(10, 128);
  engine::FindPeakSamples(&s8, silence.data(), 10, l, r);
  EXPECT_EQ(l, 128);
  EXPECT_EQ(r, 128);

  const std::vector<uint8_t> b8{128, 128, 20, 140, 236, 100, 0};  // 0 is a partial frame
  engine::FindPeakSamples(&s8, b8.data(), 7, l, r);
  EXPECT_EQ(l, 20);  // |20-128| = |236-128|: the first wins
  EXPECT_EQ(r, 100);

  const plat::WAVEFORMATEX s16 = Pcm(16, 2);
  buf = Bytes16({5, -7, -32768, 3, 1000, 32767});
  engine::FindPeakSamples(&s16, buf.data(), 12, l, r);
  EXPECT_EQ(l, -32768);
  EXPECT_EQ(r, 32767);
  engine::FindPeakSamples(&s16, buf.data(), 3, l, r);  // shorter than a frame
  EXPECT_EQ(l, 0);
  EXPECT_EQ(r, 0);
}

struct MinMaxResult {
  int16_t lf, ls, rf, rs;
  bool operator==(const MinMaxResult&) const = default;
};

void PrintTo(const MinMaxResult& m, std::ostream* os) {
  *os << "(" << m.lf << ", " << m.ls << " | " << m.rf << ", " << m.rs << ")";
}

MinMaxResult MinMax(const plat::WAVEFORMATEX& f, const std::vector<uint8_t>& buf, int32_t bytes) {
  MinMaxResult m{1, 1, 1, 1};
  engine::FindMinMaxOrdered(&f, buf.data(), bytes, m.lf, m.ls, m.rf, m.rs);
  return m;
}

TEST(MMPCMSupMinMax, KeepsTheOrderOfTheExtremes) {
  const plat::WAVEFORMATEX m16 = Pcm(16, 1);
  EXPECT_EQ(MinMax(m16, Bytes16({0, 500, -200}), 6), (MinMaxResult{500, -200, 500, -200}));
  EXPECT_EQ(MinMax(m16, Bytes16({0, -200, 500}), 6), (MinMaxResult{-200, 500, -200, 500}));
  EXPECT_EQ(MinMax(m16, Bytes16({7}), 2), (MinMaxResult{7, 7, 7, 7}));  // one frame: minimum first
  EXPECT_EQ(MinMax(m16, Bytes16({7}), 1), (MinMaxResult{0, 0, 0, 0}));  // shorter than a frame
  // A block at negative full scale reports only values it holds.
  EXPECT_EQ(MinMax(m16, Bytes16({-32768, -32768}), 4), (MinMaxResult{-32768, -32768, -32768, -32768}));
  EXPECT_EQ(MinMax(m16, Bytes16({32767, 32767}), 4), (MinMaxResult{32767, 32767, 32767, 32767}));

  const plat::WAVEFORMATEX s16 = Pcm(16, 2);
  EXPECT_EQ(MinMax(s16, Bytes16({10, 0, -10, 5, 30, -5}), 12), (MinMaxResult{-10, 30, 5, -5}));

  const plat::WAVEFORMATEX s8 = Pcm(8, 2);
  EXPECT_EQ(MinMax(s8, {200, 10, 50, 250, 0}, 5), (MinMaxResult{200, 50, 10, 250}));
  EXPECT_EQ(MinMax(s8, {0, 255}, 2), (MinMaxResult{0, 0, 255, 255}));
  EXPECT_EQ(MinMax(s8, {0}, 1), (MinMaxResult{128, 128, 128, 128}));
}

int32_t Crossing(const plat::WAVEFORMATEX& f, const std::vector<uint8_t>& buf, int32_t slope, int32_t level,
                 int32_t channel = 0) {
  return engine::FindLevelCrossing(&f, buf.data(), static_cast<int32_t>(buf.size()), channel, slope, level);
}

TEST(MMPCMSupCrossing, SixteenBitMono) {
  const plat::WAVEFORMATEX f = Pcm(16, 1);
  const auto rising = Bytes16({0, 1000, 5000, 9000});
  EXPECT_EQ(Crossing(f, rising, 1, 10), 4);  // T = 3270
  EXPECT_EQ(Crossing(f, rising, 2, 10), -1);
  EXPECT_EQ(Crossing(f, rising, 0, 10), -1);
  EXPECT_EQ(Crossing(f, Bytes16({0, 3270, 0}), 1, 10), 2);  // reaching the level counts
  EXPECT_EQ(Crossing(f, Bytes16({0, 3269, 0}), 1, 10), -1);
  const auto falling = Bytes16({0, -1000, -5000, -9000});
  EXPECT_EQ(Crossing(f, falling, 2, 10), 4);              // T = -3270
  EXPECT_EQ(Crossing(f, Bytes16({0, 5000}), 1, 10), -1);  // fewer than three samples
}

TEST(MMPCMSupCrossing, EightBitMonoAndStereo) {
  const plat::WAVEFORMATEX m = Pcm(8, 1);
  // T = 12 * 127 / 100 + 128 = 143 rising, -12 * 127 / 100 + 128 = 113 falling.
  EXPECT_EQ(Crossing(m, {128, 142, 143, 200}, 1, 12), 2);
  EXPECT_EQ(Crossing(m, {128, 114, 113, 0}, 2, 12), 2);
  EXPECT_EQ(Crossing(m, {128, 200}, 1, 12), -1);

  const plat::WAVEFORMATEX s = Pcm(8, 2);
  // Left crosses between frames 1 and 2, right between frames 0 and 1: right is found first.
  const std::vector<uint8_t> both{128, 128, 128, 200, 200, 200, 200, 200};
  EXPECT_EQ(Crossing(s, both, 1, 12), 3);
  EXPECT_EQ(Crossing(s, both, 1, 12, 1), 4);  // left only
  EXPECT_EQ(Crossing(s, both, 1, 12, 2), 3);  // right only
  EXPECT_EQ(Crossing(s, {128, 128, 200, 128, 200, 128, 200, 128}, 1, 12), 2);
}

TEST(MMPCMSupCrossing, SixteenBitStereoReportsWholeFrames) {
  const plat::WAVEFORMATEX f = Pcm(16, 2);
  // Left crosses only between frames 1 and 2; the right channel is loud throughout.
  const auto buf = Bytes16({0, 9000, 0, -9000, 9000, 9000, 9000, -9000});
  EXPECT_EQ(Crossing(f, buf, 1, 10), 8);
  EXPECT_EQ(Crossing(f, buf, 2, 10), -1);
  EXPECT_EQ(Crossing(f, buf, 2, 10, 2), 4);                     // right channel: falls between frames 0 and 1
  EXPECT_EQ(Crossing(f, Bytes16({0, 0, 9000, 0}), 1, 10), -1);  // two frames only
  EXPECT_EQ(engine::FindLevelCrossing(nullptr, buf.data(), 16, 0, 1, 10), -1);
}

}  // namespace
