// The spectrum: FFT values, amplitude tables and column heights of full-scale
// and quieter sines on both axes, GetPeak, the frequency maps, averaging and
// decay, the writers' limits, peak hold on the manual clock, the six kinds
// in 8- and 24-bit DIBs, the peak label, the read-out and its end, and value
// files.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <numbers>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "displays/DibCanvasTestSupport.h"
#include "displays/DisplayUnits.h"
#include "displays/MMSpectrum.h"
#include "displays/ScreenTestSupport.h"
#include "engine/MMPCMSup.h"
#include "engine/MMTimer.h"
#include "platform/kernel/Clock.h"
#include "platform/user/Cursor.h"
#include "platform/user/MessageBox.h"
#include "platform/vcl/FormReader.h"
#include "platform/vcl/FormWriter.h"

using namespace displays;
using vcl::TColor;

namespace {

// A spectrum whose passes can run without a window.
class TTestSpectrum : public TMMSpectrum {
 public:
  using TMMSpectrum::DrawSpectrum;
  using TMMSpectrum::TMMSpectrum;
};

// 16-bit mono frames of a sine of `amplitude` centred on bin k of n.
std::vector<int16_t> Sine(int n, double k, double amplitude) {
  std::vector<int16_t> s(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i)
    s[static_cast<size_t>(i)] =
        static_cast<int16_t>(std::lround(amplitude * std::sin(2 * std::numbers::pi * k * i / n)));
  return s;
}

// The acceptance setup: 11025 Hz, FFT 128, rectangular window, 16-bit mono.
void SetUpSine(TTestSpectrum& s) {
  s.SetFFTLength(128);
  s.SetWindow(engine::fwRectangular);
  s.SetBitLength(engine::b16Bit);
  s.SetMode(engine::mMono);
  s.SetSampleRate(11025);
}

// Feeds one block and runs the pass that computes the heights.
void Feed(TTestSpectrum& s, const std::vector<int16_t>& block) {
  s.RefreshPCMData(block.data());
  s.DrawSpectrum(false);
}

int32_t HeightAtBin(TTestSpectrum& s, int32_t bin) {
  for (const auto& r : s.ColumnRecords())
    if (s.FirstBin(r.First) == bin) return r.Height;
  return -1;
}

int32_t HighestBin(TTestSpectrum& s) {
  TMMSpectrumPeak peak;
  s.GetPeak(peak);
  return peak.Bin;
}

// ---- analysis -------------------------------------------------------------------------

TEST(MMSpectrumTest, FullScaleAndQuieterSinesGiveTheirValuesAndHeights) {
  struct Case {
    double amplitude;
    int im;
    int32_t log_value;
    int32_t log_height;
    int32_t linear_m;
    int32_t linear_height;
  };
  const Case cases[] = {
      {32767, -32765, 163276, 87, 524240, 86},
      {16384, -16382, 146892, 78, 262112, 43},
      {3277, -3275, 108839, 57, 52400, 8},
      {328, -326, 54304, 28, 5216, 0},
  };
  TTestSpectrum s(nullptr);
  SetUpSine(s);
  ASSERT_EQ(s.DrawWidth(), 192);
  ASSERT_EQ(s.DrawHeight(), 87);
  int overflows = 0;
  s.OnGainOverflow = [&](vcl::TObject*) { ++overflows; };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.amplitude);
    const auto block = Sine(128, 10, c.amplitude);
    s.SetLogAmp(true);
    EXPECT_EQ(s.AmpShift(), 23);
    EXPECT_EQ(s.AmpFactor(0), 4470);
    EXPECT_EQ(s.LogOffset(10), 82481);
    overflows = 0;
    Feed(s, block);
    const auto bin = s.FFTBin(10);
    EXPECT_NEAR(bin[0], 0, 1);
    EXPECT_NEAR(bin[1], c.im, 1);
    EXPECT_NEAR(s.DisplayValue(10), c.log_value, 2);
    EXPECT_EQ(HeightAtBin(s, 10), c.log_height);
    EXPECT_EQ(overflows, c.log_height == 87 ? 1 : 0);
    s.SetLogAmp(false);
    EXPECT_EQ(s.AmpShift(), 25);
    EXPECT_EQ(s.AmpFactor(30), 5568);
    Feed(s, block);
    EXPECT_NEAR(s.DisplayValue(10), c.linear_m, 32);
    // The full-scale bin needs the 64-bit product: 524240 * 5568 > 2^31.
    EXPECT_EQ(HeightAtBin(s, 10), c.linear_height);
  }
}

TEST(MMSpectrumTest, HammingWindowLowersTheLogValueByItsCoherentGain) {
  TTestSpectrum s(nullptr);
  SetUpSine(s);
  s.SetLogAmp(true);
  Feed(s, Sine(128, 10, 32767));
  const int32_t rectangular = s.DisplayValue(10);
  s.SetWindow(engine::fwHamming);
  Feed(s, Sine(128, 10, 32767));
  EXPECT_NEAR(rectangular - s.DisplayValue(10), 14560, 100);
}

TEST(MMSpectrumTest, TiltedLoudHighToneSaturatesInsteadOfWrapping) {
  TTestSpectrum s(nullptr);
  SetUpSine(s);
  s.SetGain(sg12db);
  // Near the top of the band the second difference quadruples the sine.
  Feed(s, Sine(128, 60, 32767));
  const auto bin = s.FFTBin(60);
  EXPECT_EQ(std::max(std::abs(bin[0]), std::abs(bin[1])), 32767);
  EXPECT_EQ(HighestBin(s), 60);
  s.SetLogAmp(true);
  Feed(s, Sine(128, 60, 32767));
  EXPECT_EQ(HighestBin(s), 60);
  EXPECT_GT(s.DisplayValue(60), 0);
}

TEST(MMSpectrumTest, GetPeakOfASineAndOfSilence) {
  TTestSpectrum s(nullptr);
  SetUpSine(s);
  TMMSpectrumPeak peak;
  Feed(s, Sine(128, 10, 32767));
  s.GetPeak(peak);
  EXPECT_EQ(peak.Bin, 10);
  EXPECT_NEAR(peak.Frequency, 904.39, 0.01);
  EXPECT_NEAR(peak.Level, -0.0008, 0.0003);
  EXPECT_NEAR(peak.Amplitude, 32765.0 / 32768, 0.0001);
  EXPECT_EQ(peak.Height, 86);
  s.SetLogFreq(true);
  s.SetLogAmp(true);
  Feed(s, Sine(128, 10, 32767));
  s.GetPeak(peak);
  EXPECT_EQ(peak.Bin, 10);
  EXPECT_NEAR(peak.Frequency, 861.33, 0.01);
  EXPECT_EQ(peak.Height, 87);
  // Bins 0 and 1 of the log axis read a quarter bin up.
  Feed(s, Sine(128, 1, 32767));
  s.GetPeak(peak);
  EXPECT_EQ(peak.Bin, 1);
  EXPECT_NEAR(peak.Frequency, 107.67, 0.01);

  Feed(s, std::vector<int16_t>(128, 0));
  s.GetPeak(peak);
  EXPECT_EQ(peak.Frequency, 0);
  EXPECT_EQ(peak.Amplitude, 0);
  EXPECT_EQ(peak.Level, -100.0f);
  EXPECT_EQ(peak.Height, 0);
  EXPECT_EQ(peak.Bin, 0);
  for (int k = 0; k < 64; ++k) EXPECT_EQ(s.DisplayValue(k), 0);
}

TEST(MMSpectrumTest, FrequencyMapsOfTheLinearAndLogAxes) {
  TTestSpectrum s(nullptr);
  SetUpSine(s);
  // Linear: three columns per bin, only the first of each shows it.
  for (int i = 0; i < 192; ++i) {
    EXPECT_EQ(s.FirstBin(i), i % 3 == 0 ? i / 3 : -1) << i;
    EXPECT_EQ(s.EndBin(i), 0) << i;
  }
  EXPECT_EQ(s.ColumnRecords().size(), 0u);  // before a pass
  s.DrawSpectrum(false);
  EXPECT_EQ(s.ColumnRecords().size(), 64u);
  s.SetLogFreq(true);
  EXPECT_EQ(s.FirstBin(0), 0);
  for (int i = 1; i < 8; ++i) EXPECT_EQ(s.FirstBin(i), -1) << i;
  std::set<int32_t> bins;
  int32_t last = -1;
  for (int i = 0; i < 192; ++i)
    if (s.FirstBin(i) != -1) {
      EXPECT_GT(s.FirstBin(i), last) << i;
      last = s.FirstBin(i);
      bins.insert(last);
    }
  EXPECT_EQ(bins.size(), 60u);
  EXPECT_EQ(last, 62);
  // The last columns each show a bin of their own, 53 ... 62.
  const int32_t tail[] = {53, 54, 55, 56, 58, 59, 60, 62};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(s.FirstBin(184 + i), tail[i]) << 184 + i;
}

TEST(MMSpectrumTest, HandlerGivenBinsAreClampedBeforeUse) {
  TTestSpectrum s(nullptr);
  SetUpSine(s);
  s.OnGetXScale = [](vcl::TObject*, int32_t* first, int32_t* end) {
    for (int i = 0; i < 192; ++i) {
      first[i] = i % 2 ? 100000 : -50;
      end[i] = i % 3 ? -9 : 1 << 30;
    }
    first[0] = 5;
  };
  s.SetLogFreq(true);  // rebuilds the map through the handler
  EXPECT_EQ(s.FirstBin(0), 5);
  EXPECT_EQ(s.FirstBin(1), 63);
  EXPECT_EQ(s.FirstBin(2), -1);
  EXPECT_EQ(s.EndBin(2), 0);
  // Column 0 covers bins 5 ... 63 (its end clamped to 64), so it holds the tone.
  Feed(s, Sine(128, 63, 20000));
  EXPECT_EQ(HighestBin(s), 5);
  EXPECT_GT(HeightAtBin(s, 5), 40);
}

TEST(MMSpectrumTest, WritersClampOrIgnoreOutOfRangeValues) {
  TTestSpectrum s(nullptr);
  int resets = 0;
  s.OnNeedData = [&](vcl::TObject*) { ++resets; };
  const std::pair<int32_t, int32_t> lengths[] = {{100, 64}, {5000, 4096}, {7, 8}, {4096, 4096}};
  for (auto [in, out] : lengths) {
    s.SetFFTLength(in);
    EXPECT_EQ(s.FFTLength(), out) << in;
  }
  s.SetFFTLength(128);
  EXPECT_EQ(s.BytesPerRefresh(), 128);
  s.SetFrequencyScale(3);
  EXPECT_EQ(s.FrequencyScale(), 2);
  s.SetFrequencyScale(40);
  EXPECT_EQ(s.FrequencyScale(), 16);
  s.SetRefFreq(0);
  EXPECT_EQ(s.RefFreq(), 1);
  s.SetVerticalScale(1000);
  EXPECT_EQ(s.VerticalScale(), 500);
  s.SetSampleRate(8000);
  resets = 0;
  s.SetSampleRate(4000);  // compared before the clamp: still resets
  EXPECT_EQ(s.SampleRate(), 8000);
  EXPECT_EQ(resets, 1);
  s.SetSpace(6);
  s.SetSpotSpace(11);
  s.SetNumPeaks(6);
  s.SetPoint1(0);
  s.SetSpotHeight(s.DrawHeight() / 3 + 1);
  EXPECT_EQ(s.Space(), 1);
  EXPECT_EQ(s.SpotSpace(), 1);
  EXPECT_EQ(s.NumPeaks(), 1);
  EXPECT_EQ(s.Point1(), 50);
  EXPECT_EQ(s.SpotHeight(), 1);
  const plat::WAVEFORMATEX bad{};
  EXPECT_THROW(s.SetWaveFormat(&bad), EMMSpectrumError);
  plat::WAVEFORMATEX format{};
  engine::BuildPCMFormat(format, 16, 2, 22050);
  s.SetWaveFormat(&format);
  EXPECT_EQ(s.SampleRate(), 22050);
  EXPECT_EQ(s.BytesPerRefresh(), 2 * 2 * 128);
}

TEST(MMSpectrumTest, DecayFactorsAndUniformLengths) {
  const float factors[] = {0.01f,    0.1f,     0.31623f, 0.56234f, 0.74989f, 0.86596f, 0.93057f, 0.96466f,
                           0.98217f, 0.99105f, 0.99551f, 0.99775f, 0.99888f, 0.99944f, 0.99972f, 0.99986f};
  {
    TTestSpectrum s(nullptr);
    s.SetDecay(1);  // a new spectrum keeps 0.0001 until Decay changes
    EXPECT_FLOAT_EQ(s.DecayFactor(), 0.0001f);
    EXPECT_EQ(s.UniformLength(), 1);
  }
  TTestSpectrum s(nullptr);
  for (int d = 16; d >= 1; --d) {
    s.SetDecay(d);
    EXPECT_NEAR(s.DecayFactor(), factors[d - 1], 0.00001) << d;
    EXPECT_EQ(s.UniformLength(), std::max(1, (d - 1) * 2)) << d;
  }
}

TEST(MMSpectrumTest, AveragingModesOverABlockAndTwoSilentOnes) {
  TTestSpectrum probe(nullptr);
  SetUpSine(probe);
  Feed(probe, Sine(128, 10, 16384));
  const int32_t m = probe.DisplayValue(10);
  const float f = 0.1f;  // Decay 2
  const float e1 = (1 - f) * m;
  struct Case {
    TMMDecayMode mode;
    std::vector<int32_t> values;
  };
  const Case cases[] = {
      {dmStepUp, {m, static_cast<int32_t>(m * f), static_cast<int32_t>(m * f * f)}},
      {dmExponential,
       {static_cast<int32_t>(std::floor(e1)), static_cast<int32_t>(std::floor(e1 * f)),
        static_cast<int32_t>(std::floor(e1 * f * f))}},
      {dmUniform, {m, m / 2, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    TTestSpectrum s(nullptr);
    SetUpSine(s);
    s.SetDecayMode(c.mode);
    s.SetDecay(2);
    Feed(s, Sine(128, 10, 16384));
    EXPECT_NEAR(s.DisplayValue(10), c.values[0], 1);
    Feed(s, std::vector<int16_t>(128, 0));
    EXPECT_NEAR(s.DisplayValue(10), c.values[1], 1);
    Feed(s, std::vector<int16_t>(128, 0));
    EXPECT_NEAR(s.DisplayValue(10), c.values[2], 1);
    // Averaged log heights come from value * 2.1 and stay within reach.
    s.SetLogAmp(true);
    Feed(s, Sine(128, 10, 32767));
    EXPECT_GE(HeightAtBin(s, 10), 80);
  }
}

TEST(MMSpectrumTest, EightBitStereoAtFullScaleOverflowsOncePerFrame) {
  TTestSpectrum s(nullptr);
  s.SetMode(engine::mStereo);
  s.SetBitLength(engine::b8Bit);
  int overflows = 0;
  s.OnPcmOverflow = [&](vcl::TObject*) { ++overflows; };
  std::vector<uint8_t> block(static_cast<size_t>(s.BytesPerRefresh()), 255);
  s.RefreshPCMData(block.data());
  EXPECT_EQ(overflows, 128);
  // A disabled spectrum ignores refreshes.
  s.SetEnabled(false);
  s.RefreshPCMData(block.data());
  EXPECT_EQ(overflows, 128);
}

TEST(MMSpectrumTest, ResetFromANeedDataHandlerDoesNotRecurseButReachesOtherSpectra) {
  TTestSpectrum a(nullptr);
  TTestSpectrum b(nullptr);
  int a_calls = 0;
  int b_calls = 0;
  b.OnNeedData = [&](vcl::TObject*) {
    ++b_calls;
    b.SetDisplayValue(3, 77);
  };
  a.OnNeedData = [&](vcl::TObject*) {
    ++a_calls;
    a.SetLogAmp(!a.LogAmp());  // its own second reset is skipped
    b.SetLogAmp(!b.LogAmp());  // another spectrum's runs
  };
  a.SetFFTLength(256);
  EXPECT_EQ(a_calls, 1);
  EXPECT_EQ(b_calls, 1);
  EXPECT_EQ(b.DisplayValue(3), 77);
}

TEST(MMSpectrumTest, DescriptionKeepsThePublishedSettings) {
  RegisterDisplayClasses();
  EXPECT_EQ(vcl::GetClass("TMMSpectrum"), TMMSpectrum::StaticClass());
  TMMSpectrum s(nullptr);
  s.SetName("Spectrum1");
  s.SetKind(skLines);
  s.SetFFTLength(1024);
  s.SetLogFreq(true);
  s.SetGain(sg9db);
  s.SetVerticalScale(7);
  s.SetDrawAmpScale(true);
  s.SetBar2Color(vcl::clLime);
  const std::string text = vcl::WriteFormText(&s);
  TMMSpectrum read(nullptr);
  vcl::ReadFormText(&read, text);
  EXPECT_EQ(read.Kind(), skLines);
  EXPECT_EQ(read.FFTLength(), 1024);
  EXPECT_TRUE(read.LogFreq());
  EXPECT_EQ(read.Gain(), sg9db);
  EXPECT_EQ(read.VerticalScale(), 7);
  EXPECT_TRUE(read.DrawAmpScale());
  EXPECT_EQ(read.Bar2Color(), vcl::clLime);
  EXPECT_EQ(read.DrawWidth(), 194 - 2 - 64);
  EXPECT_EQ(text.find("SampleRate"), std::string::npos) << text;
}

// ---- peak hold on the manual clock --------------------------------------------------------

class MMSpectrumPeakTest : public ::testing::Test {
 protected:
  void TearDown() override { EXPECT_EQ(engine::TimerClientCount(), 0); }
  static void Ticks(int count) {
    for (int i = 0; i < count; ++i) plat::clock::AdvanceMs(engine::kMMTimerPeriod);
  }
  static int32_t PeakAtBin(TTestSpectrum& s, int32_t bin) {
    for (const auto& r : s.ColumnRecords())
      if (s.FirstBin(r.First) == bin) return r.Peak;
    return -1;
  }
  plat::ScopedManualClock clock_;
};

TEST_F(MMSpectrumPeakTest, HeldPeaksStayThenDropOrFall) {
  struct Case {
    const char* name;
    int32_t peak_speed;
    bool fall;
    std::vector<std::pair<int, int32_t>> ticks_peak;  // after this many ticks in all, the held spots
  };
  const Case cases[] = {
      {"held 41 ticks, then cleared", 0, false, {{40, 44}, {41, 0}}},
      {"then one spot every 2 ticks", 2, true, {{40, 44}, {41, 43}, {42, 43}, {43, 42}, {45, 41}}},
      {"stays without PeaksFall", 2, false, {{41, 44}, {60, 44}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto s = std::make_unique<TTestSpectrum>(nullptr);
    SetUpSine(*s);
    s->SetPeakSpeed(c.peak_speed);
    s->SetPeaksFall(c.fall);
    Feed(*s, Sine(128, 10, 32767));  // 86 px: 44 of 44 spots
    Feed(*s, std::vector<int16_t>(128, 0));
    ASSERT_EQ(PeakAtBin(*s, 10), 44);
    int done = 0;
    for (auto [ticks, peak] : c.ticks_peak) {
      Ticks(ticks - done);
      done = ticks;
      EXPECT_EQ(PeakAtBin(*s, 10), peak) << "after " << ticks << " ticks";
    }
  }
}

TEST_F(MMSpectrumPeakTest, PeakTimerRunsExactlyWhileEnabledWithPeaks) {
  TTestSpectrum s(nullptr);
  SetUpSine(s);
  s.SetPeakDelay(0);
  auto hold = [&] {
    Feed(s, Sine(128, 10, 32767));
    Feed(s, std::vector<int16_t>(128, 0));
  };
  // NumPeaks 0, disabled, NumPeaks 1, enabled: the timer runs again.
  s.SetNumPeaks(0);
  s.SetEnabled(false);
  s.SetNumPeaks(1);
  s.SetEnabled(true);
  hold();
  ASSERT_EQ(PeakAtBin(s, 10), 44);
  Ticks(1);
  EXPECT_EQ(PeakAtBin(s, 10), 0);
  // Peaks do not fall while the timer is off.
  hold();
  s.SetEnabled(false);
  Ticks(5);
  EXPECT_EQ(PeakAtBin(s, 10), 44);
}

// ---- the kinds in small DIBs -----------------------------------------------------------------

// Bar1..3, Inactive1..3.
const TColor kColors[] = {vcl::clLime, vcl::clYellow, vcl::clRed, vcl::clGreen, vcl::clOlive, vcl::clMaroon};

class MMSpectrumKindTest : public ::testing::TestWithParam<int> {};

// A 16 x 12 drawing: W 16 columns of four bins each, zones at 6 and 8 px.
// Column 2 reaches the top, column 7 is 4 px high.
void SetUpSmall(TTestSpectrum& s, int bits) {
  s.SetBounds(0, 0, 18, 14);
  s.SetBitsPerPixel(bits);
  s.SetPoint2(70);
  s.SetBar1Color(kColors[0]);
  s.SetBar2Color(kColors[1]);
  s.SetBar3Color(kColors[2]);
  s.SetInactive1Color(kColors[3]);
  s.SetInactive2Color(kColors[4]);
  s.SetInactive3Color(kColors[5]);
  ASSERT_EQ(s.DrawWidth(), 16);
  ASSERT_EQ(s.DrawHeight(), 12);
  auto value_for = [&](int h) {
    return static_cast<int32_t>(((static_cast<int64_t>(h) << s.AmpShift()) + s.AmpFactor(2) - 1) /
                                s.AmpFactor(2));
  };
  s.SetDisplayValue(8, value_for(12));
  s.SetDisplayValue(29, value_for(4));
}

TEST_P(MMSpectrumKindTest, KindsDrawTheirZonesAtNamedSpots) {
  const int bits = GetParam();
  struct Spot {
    int x, y;
    int color;  // 0..5 kColors, -1 black
  };
  struct Case {
    const char* name;
    TMMSpectrumKind kind;
    bool enabled;
    std::vector<Spot> spots;
  };
  const bool eight = bits == 8;
  const Case cases[] = {
      // Spots 2 px apart from row 11 up; 1-3 lower, 4 middle, 5-6 upper zone.
      {"bars",
       skBars,
       true,
       {{2, 11, 0}, {2, 5, 1}, {2, 1, 2}, {2, 10, -1}, {7, 9, 0}, {7, 7, 3}, {5, 1, 5}}},
      {"bars keep their zones disabled", skBars, false, {{2, 11, 0}, {2, 1, 2}}},
      {"peaks: the top spot only", skPeaks, true, {{2, 1, 2}, {2, 11, 3}, {7, 9, 0}, {7, 11, 3}}},
      {"dots: a dash in the row's zone", skDots, true, {{2, 0, 2}, {7, 7, 0}, {7, 6, -1}}},
      {"dots disabled", skDots, false, {{2, 0, 3}, {7, 7, 3}}},
      // Clamped to 11 px: upper zone at the ends, lower in the middle.
      {"centred lines", skVLines, true, {{2, 0, 2}, {2, 1, 1}, {2, 5, 0}, {2, 10, 1}, {2, 11, 2}, {7, 5, 0}}},
      {"centred lines disabled", skVLines, false, {{2, 0, 3}, {2, 5, 3}}},
      {"lines", skLines, true, {{2, 0, eight ? 2 : 0}, {0, 11, 0}}},
      {"lines disabled", skLines, false, {{2, 0, eight ? 2 : 3}}},
      {"scroll: the top third", skScroll, true, {{0, 4, 0}, {2, 0, eight ? 2 : 0}, {0, 11, -1}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TTestSpectrum s(nullptr);
    SetUpSmall(s, bits);
    s.SetKind(c.kind);
    SetUpSmall(s, bits);  // the kind's geometry resets the values
    s.SetEnabled(c.enabled);
    s.DrawSpectrum(true);
    TMMDIBCanvas& dib = *s.DIBCanvas();
    for (const Spot& p : c.spots) {
      const TColor want = p.color < 0 ? vcl::clBlack : kColors[p.color];
      EXPECT_EQ(dibcvtest::RawPixel(dib, dib.PixelBits(), p.x, p.y),
                static_cast<uint32_t>(dib.ColorToDIB(want)))
          << "at " << p.x << "," << p.y;
    }
  }
}

TEST_P(MMSpectrumKindTest, ScrollMovesThePictureDownTwoRows) {
  TTestSpectrum s(nullptr);
  s.SetKind(skScroll);
  SetUpSmall(s, GetParam());
  s.DrawSpectrum(true);
  TMMDIBCanvas& dib = *s.DIBCanvas();
  const uint32_t line = dibcvtest::RawPixel(dib, dib.PixelBits(), 0, 4);
  s.SetDisplayValue(0, 0);
  s.DrawSpectrum(false);
  EXPECT_EQ(dibcvtest::RawPixel(dib, dib.PixelBits(), 0, 6), line);
}

TEST_P(MMSpectrumKindTest, HeldPeakMarkerAndOneSpotPerPixel) {
  TTestSpectrum s(nullptr);
  SetUpSmall(s, GetParam());
  s.SetNumPeaks(3);
  s.SetSpotSpace(0);
  SetUpSmall(s, GetParam());
  ASSERT_EQ(s.NumSpots(), 12);
  TMMDIBCanvas& dib = *s.DIBCanvas();
  s.DrawSpectrum(true);
  // Held at 4 spots (column 7); with the column empty the marker is spots 4, 3, 2.
  s.SetDisplayValue(29, 0);
  s.DrawSpectrum(true);
  auto at = [&](int y) { return dibcvtest::RawPixel(dib, dib.PixelBits(), 7, y); };
  const auto lit = static_cast<uint32_t>(dib.ColorToDIB(kColors[0]));
  EXPECT_EQ(at(8), lit);
  EXPECT_EQ(at(9), lit);
  EXPECT_EQ(at(10), lit);
  EXPECT_EQ(at(11), static_cast<uint32_t>(dib.ColorToDIB(kColors[3])));
}

INSTANTIATE_TEST_SUITE_P(Depths, MMSpectrumKindTest, ::testing::Values(8, 24),
                         [](const ::testing::TestParamInfo<int>& info) {
                           return std::to_string(info.param) + "Bit";
                         });

TEST(MMSpectrumTest, SpotsLitRoundHalvesToEven) {
  TTestSpectrum s(nullptr);
  s.SetSpotSpace(0);
  ASSERT_EQ(s.NumSpots(), s.DrawHeight());
  std::vector<int32_t> lit;
  s.OnDrawBar = [&](vcl::TObject*, TMMDIBCanvas*, const vcl::TRect&, int32_t n, int32_t) {
    lit.push_back(n);
  };
  for (int h : {10, 11}) {
    s.SetDisplayValue(0,
                      static_cast<int32_t>(((static_cast<int64_t>(h) << s.AmpShift()) + s.AmpFactor(0) - 1) /
                                           s.AmpFactor(0)));
    lit.clear();
    s.DrawSpectrum(true);
    ASSERT_FALSE(lit.empty());
    EXPECT_EQ(lit[0], h == 10 ? 10 : 12);
  }
}

TEST(MMSpectrumTest, MainWindowGeometry) {
  TTestSpectrum s(nullptr);
  s.SetDrawAmpScale(true);
  s.SetDrawFreqScale(true);
  s.SetBounds(0, 0, 805, 328);
  s.SetSpotSpace(0);
  s.SetPoint1(85);
  s.SetPoint2(86);
  EXPECT_EQ(s.DrawWidth(), 739);
  EXPECT_EQ(s.DrawHeight(), 286);
  EXPECT_EQ(s.NumSpots(), 286);
  EXPECT_EQ(s.Zone1(), 243);
  EXPECT_EQ(s.Zone2(), 246);
  // The minimum size with the amplitude scales.
  s.SetBounds(0, 0, 10, 10);
  EXPECT_EQ(s.Width(), 2 + 69);
  EXPECT_EQ(s.Height(), 2 + 45);
}

// ---- peak label and read-out text ---------------------------------------------------------------

TEST(MMSpectrumTest, PeakLabelAddsTheOffsetAtEveryFrequency) {
  struct Case {
    int32_t sample_rate;
    bool log_freq;
    int32_t bin;
    float offset;
    int32_t height;
    const char* label;
  };
  const Case cases[] = {
      {12800, false, 1, 0, 40, "150.0 Hz"},  {12800, false, 1, 5, 40, "155.0 Hz"},
      {12800, true, 10, 0, 40, "1000.0 Hz"}, {51200, false, 2, 0, 40, "1000.0 Hz"},
      {12800, false, 1, 0, 5, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    TTestSpectrum s(nullptr);
    s.SetSampleRate(c.sample_rate);
    s.SetLogFreq(c.log_freq);
    s.SetDisplayPeak(true);
    s.SetPeakFreqOffset(c.offset);
    int32_t column = 0;
    while (s.FirstBin(column) != c.bin) ++column;
    const int32_t f = s.AmpFactor(column);
    s.SetDisplayValue(c.bin,
                      static_cast<int32_t>(((static_cast<int64_t>(c.height) << s.AmpShift()) + f - 1) / f));
    s.DrawSpectrum(true);
    EXPECT_EQ(s.PeakLabel(), c.label);
  }
}

TEST(MMSpectrumTest, ReadoutTextAtAPoint) {
  TTestSpectrum s(nullptr);
  s.SetSampleRate(8000);
  s.SetBounds(0, 0, 203, 89);  // W 201: 20 Hz per column
  const int bottom = 1 + s.DrawHeight() - 1;
  EXPECT_EQ(s.ReadoutText({51, 1}), "1.000 KHz 1.00 V");
  s.SetVerticalScale(5);
  EXPECT_EQ(s.ReadoutText({51, 1}), "1.000 KHz 0.050 V");
  s.SetLogAmp(true);
  EXPECT_EQ(s.ReadoutText({51, bottom}), "1.000 KHz -60.00 dB");
  s.SetKind(skScroll);
  EXPECT_EQ(s.ReadoutText({51, bottom}), "1.000 KHz");
  EXPECT_EQ(s.ReadoutText({0, 5}), "");
}

// ---- on screen: the read-out, value files ------------------------------------------------------

class MMSpectrumScreenTest : public displaytest::ScreenTest {
 protected:
  void SetUp() override {
    ScreenTest::SetUp();
    plat::SetDialogScript([this](const plat::DialogRequest& r) -> std::optional<plat::DialogAnswer> {
      boxes_.push_back(r.title + ": " + r.text);
      return plat::DialogAnswer{};
    });
    dir_ = std::filesystem::temp_directory_path() /
           ("spectrum-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override {
    plat::SetDialogScript(nullptr);
    ScreenTest::TearDown();
    std::filesystem::remove_all(dir_);
    EXPECT_EQ(engine::TimerClientCount(), 0);
  }

  TMMSpectrum* ShowSpectrum() {
    auto* s = new TMMSpectrum(NewForm());
    s->SetParent(form_);
    s->SetBounds(10, 10, 150, 89);
    ShowForm();
    return s;
  }

  void Press(TMMSpectrum* s, int x, int y) {
    s->Perform(plat::WM_LBUTTONDOWN, plat::MK_LBUTTON, plat::MAKELPARAM(x, y));
  }

  static plat::RECT Clip() {
    plat::RECT r{};
    plat::GetClipCursor(&r);
    return r;
  }

  std::string Path(const std::string& name) const { return (dir_ / name).string(); }

  static std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }

  static void Write(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
  }

  std::vector<std::string> boxes_;
  std::filesystem::path dir_;
};

TEST_F(MMSpectrumScreenTest, ReadoutConfinesTheCursorAndEndsOnReleaseCancelDisableAndHide) {
  ASSERT_NE(Screen(), nullptr);
  TMMSpectrum* s = ShowSpectrum();
  const plat::RECT free_clip = Clip();
  struct Case {
    const char* name;
    std::function<void()> end;
  };
  const Case cases[] = {
      {"release", [&] { s->Perform(plat::WM_LBUTTONUP, 0, plat::MAKELPARAM(20, 20)); }},
      {"cancel mode", [&] { s->Perform(vcl::CM_CANCELMODE); }},
      {"disable", [&] { s->SetEnabled(false); }},
      {"hide", [&] { s->SetVisible(false); }},
      {"reset", [&] { s->ResetData(); }},
  };
  // The hint is off while the box shows and follows the parent again after.
  form_->SetShowHint(true);
  ASSERT_TRUE(s->ShowHint());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    s->SetEnabled(true);
    s->SetVisible(true);
    Pump();
    Press(s, 20, 20);
    ASSERT_TRUE(s->ReadoutActive());
    EXPECT_FALSE(s->ShowHint());
    const plat::RECT clip = Clip();
    // The drawing inside the one-pixel bevel, on the screen.
    const vcl::TPoint origin = s->ClientToScreen({1, 1});
    EXPECT_EQ(clip.left, origin.x);
    EXPECT_EQ(clip.top, origin.y);
    EXPECT_EQ(clip.right - clip.left, s->DrawWidth());
    // Refreshes wait while the box is shown.
    const std::vector<uint8_t> loud(static_cast<size_t>(s->BytesPerRefresh()), 255);
    s->RefreshPCMData(loud.data());
    EXPECT_EQ(s->DisplayValue(0), 0);
    c.end();
    EXPECT_FALSE(s->ReadoutActive());
    EXPECT_TRUE(s->ShowHint());
    EXPECT_TRUE(s->ParentShowHint());
    const plat::RECT after = Clip();
    EXPECT_EQ(after.left, free_clip.left);
    EXPECT_EQ(after.right, free_clip.right);
    EXPECT_EQ(after.bottom, free_clip.bottom);
  }
  s->SetEnabled(true);
  s->SetVisible(true);
  const std::vector<uint8_t> loud(static_cast<size_t>(s->BytesPerRefresh()), 255);
  s->RefreshPCMData(loud.data());
  EXPECT_GT(s->DisplayValue(0), 0);
}

// A press through the window system, then capture taken elsewhere or
// released behind the spectrum's back (a modal box, a disabled window).
TEST_F(MMSpectrumScreenTest, ReadoutEndsWhenItsWindowLosesCapture) {
  ASSERT_NE(Screen(), nullptr);
  TMMSpectrum* s = ShowSpectrum();
  auto* other = new vcl::TForm(vcl::Application);
  other->SetBounds(400, 400, 50, 50);
  other->Show();
  Pump();
  const plat::RECT free_clip = Clip();
  const std::function<void()> losses[] = {[] { plat::ReleaseCapture(); },
                                          [&] { plat::SetCapture(other->Handle()); }};
  for (const auto& lose : losses) {
    Screen()->InjectMouseMove(plat::POINT{130, 130});
    Screen()->InjectMouseButton(plat::backend::MouseButton::Left, true);
    Pump();
    ASSERT_TRUE(s->ReadoutActive());
    ASSERT_NE(Clip().right, free_clip.right);
    lose();
    Pump();
    EXPECT_FALSE(s->ReadoutActive());
    EXPECT_EQ(Clip().right, free_clip.right);
    EXPECT_EQ(Clip().bottom, free_clip.bottom);
    plat::ReleaseCapture();
    Screen()->InjectMouseButton(plat::backend::MouseButton::Left, false);
    Pump();
  }
  // Refreshes resume.
  const std::vector<uint8_t> loud(static_cast<size_t>(s->BytesPerRefresh()), 255);
  s->RefreshPCMData(loud.data());
  EXPECT_GT(s->DisplayValue(0), 0);
}

TEST_F(MMSpectrumScreenTest, ReadoutBoxIsRemovedExactly) {
  ASSERT_NE(Screen(), nullptr);
  TMMSpectrum* s = ShowSpectrum();
  s->SetBitsPerPixel(24);
  s->SetSampleRate(44100);  // wide texts: "22.050 KHz 1.00 V"
  Pump();
  TMMDIBCanvas& dib = *s->DIBCanvas();
  const std::string before = dibcvtest::PixelMap(dib);
  Press(s, 140, 5);
  EXPECT_NE(dibcvtest::PixelMap(dib), before);
  s->Perform(plat::WM_MOUSEMOVE, plat::MK_LBUTTON, plat::MAKELPARAM(30, 30));
  s->Perform(plat::WM_MOUSEMOVE, plat::MK_LBUTTON, plat::MAKELPARAM(140, 60));
  s->Perform(plat::WM_LBUTTONUP, 0, plat::MAKELPARAM(140, 60));
  EXPECT_EQ(dibcvtest::PixelMap(dib), before);
}

TEST_F(MMSpectrumScreenTest, ScalesBesideAndBelowTheDrawing) {
  ASSERT_NE(Screen(), nullptr);
  auto* s = new TMMSpectrum(NewForm());
  s->SetParent(form_);
  s->SetDrawAmpScale(true);
  s->SetDrawFreqScale(true);
  s->SetScaleLineColor(vcl::clRed);
  s->SetBounds(0, 0, 200, 100);
  ShowForm();
  // The drawing: 32 px of scale, then the bevel, on each side; 40 px below.
  EXPECT_EQ(s->DrawRect().left, 33);
  EXPECT_EQ(s->DrawRect().bottom, 59);
  // The left scale's line runs down at x 28, the right one's at x 171; the
  // frequency scale's along the row 3 px below the bevel.
  EXPECT_EQ(At(28, 30), displaytest::Rgb(vcl::clRed));
  EXPECT_EQ(At(171, 30), displaytest::Rgb(vcl::clRed));
  EXPECT_EQ(At(60, 63), displaytest::Rgb(vcl::clRed));
  // Between the scales and the bevel, the parent's colour.
  EXPECT_EQ(At(30, 30), displaytest::Rgb(vcl::clWhite));
}

// A delivering thread refreshes while the main thread paints, resizes,
// changes the axis and the timer ticks; the ThreadSanitizer build checks
// the locking.
TEST_F(MMSpectrumScreenTest, RefreshesFromAWorkerWhilePaintingResizingAndTicking) {
  ASSERT_NE(Screen(), nullptr);
  plat::ScopedManualClock clock;
  TMMSpectrum* s = ShowSpectrum();
  s->SetDisplayPeak(true);
  s->SetBitLength(engine::b16Bit);
  std::atomic<bool> done{false};
  std::thread delivery([&] {
    std::vector<int16_t> block(static_cast<size_t>(TMMSpectrum::kMaxFFTLength));
    for (int i = 0; i < 200; ++i) {
      for (size_t k = 0; k < block.size(); ++k)
        block[k] = static_cast<int16_t>(20000 * std::sin(0.01 * (i % 50 + 1) * static_cast<double>(k)));
      s->RefreshPCMData(block.data());
    }
    done = true;
  });
  for (int round = 0; !done; ++round) {
    s->Invalidate();
    plat::UpdateWindow(form_->Handle());
    Pump();
    plat::clock::AdvanceMs(engine::kMMTimerPeriod);
    if (round % 7 == 0) s->SetBounds(10, 10, 120 + round % 60, 89);
    if (round % 11 == 0) s->SetLogFreq(!s->LogFreq());
  }
  delivery.join();
  EXPECT_EQ(s->Canvas()->LockCount(), 0);
  TMMSpectrumPeak peak;
  s->GetPeak(peak);
  EXPECT_LE(peak.Column, s->DrawWidth());
}

// Data pumped through far faster than it plays: every refresh computes its
// values, and within a frame interval only the first one draws.
TEST_F(MMSpectrumScreenTest, AFrameIntervalDrawsFastRefreshesOnceAFrame) {
  ASSERT_NE(Screen(), nullptr);
  plat::ScopedManualClock clock;
  TMMSpectrum* s = ShowSpectrum();
  s->SetDisplayPeak(true);
  s->SetBitLength(engine::b16Bit);
  s->SetMode(engine::mMono);
  const int n = s->FFTLength();
  const std::vector<int16_t> loud = Sine(n, 8, 20000);
  const std::vector<int16_t> mid = Sine(n, 8, 10000);
  const std::vector<int16_t> quiet = Sine(n, 8, 2000);
  int drawn = 0;  // the peak label comes with every picture
  s->Canvas()->SetRecorder([&](const vcl::TCanvasCall& call) { drawn += call.kind == vcl::ccText; });
  auto bin8 = [&] {
    std::vector<int32_t> values(static_cast<size_t>(n / 2));
    s->CopyDisplayValues(values);
    return values[8];
  };
  struct Step {
    int32_t interval;  // ms, set before the step when not -1
    int advance_ms;
    const std::vector<int16_t>* block;
    int drawn;
  };
  const Step steps[] = {
      {20, 0, &loud, 1}, {-1, 0, &quiet, 1}, {-1, 19, &loud, 1},
      {-1, 1, &mid, 2},  {0, 0, &loud, 3},   {-1, 0, &mid, 4},
  };
  int32_t previous = -1;
  for (const Step& step : steps) {
    if (step.interval >= 0) s->SetFrameInterval(step.interval);
    plat::clock::AdvanceMs(step.advance_ms);
    s->RefreshPCMData(step.block->data());
    EXPECT_EQ(drawn, step.drawn);
    EXPECT_NE(bin8(), previous) << "the values follow every refresh";
    previous = bin8();
  }
  s->Canvas()->SetRecorder(nullptr);
}

// The label stands above the highest column, moved left where it would
// run past the drawing; GetPeak then reports the moved column.
TEST_F(MMSpectrumScreenTest, PeakLabelSitsOnTheHighestColumn) {
  ASSERT_NE(Screen(), nullptr);
  TMMSpectrum* s = ShowSpectrum();
  s->SetSampleRate(12800);  // 100 Hz per bin at FFT 128
  s->SetDisplayPeak(true);
  const int32_t h = s->DrawHeight();
  for (int32_t bin : {1, 63}) {
    SCOPED_TRACE(bin);
    int32_t column = 0;
    while (s->FirstBin(column) != bin) ++column;
    for (int32_t k = 0; k < 64; ++k) s->SetDisplayValue(k, 0);
    const int32_t f = s->AmpFactor(column);
    s->SetDisplayValue(bin, static_cast<int32_t>(((int64_t{40} << s->AmpShift()) + f - 1) / f));
    std::vector<vcl::TCanvasCall> texts;
    s->Canvas()->SetRecorder([&](const vcl::TCanvasCall& call) {
      if (call.kind == vcl::ccText) texts.push_back(call);
    });
    s->Invalidate();
    plat::UpdateWindow(form_->Handle());
    Pump();
    s->Canvas()->SetRecorder(nullptr);
    ASSERT_EQ(texts.size(), 1u);
    const vcl::TCanvasCall& label = texts[0];
    EXPECT_EQ(label.text, bin == 1 ? "150.0 Hz" : "6350.0 Hz");
    EXPECT_EQ(label.color, vcl::clWhite);
    const int text_w = label.rect.right - label.rect.left;
    const int text_h = label.rect.bottom - label.rect.top;
    // Above the column's top: its baseline is 1 pixel, the bevel 1.
    EXPECT_EQ(label.rect.top, 1 + std::max(h - 40 - 1 - text_h, 0));
    TMMSpectrumPeak peak;
    s->GetPeak(peak);
    if (bin == 1) {
      EXPECT_EQ(label.rect.left, 1 + column);
      EXPECT_EQ(peak.Column, column);
    } else {
      EXPECT_EQ(peak.Column, s->DrawWidth() - text_w - 1);
      EXPECT_EQ(label.rect.left, 1 + peak.Column);
    }
  }
}

TEST_F(MMSpectrumScreenTest, ValueFilesRoundTripAndPartialLoads) {
  TMMSpectrum s(nullptr);
  // After a reset: FFTLength div 2 lines of "0".
  ASSERT_TRUE(s.SaveToFile(Path("zero.sav")));
  std::string zeros;
  for (int i = 0; i < 64; ++i) zeros += "0\r\n";
  EXPECT_EQ(Read(Path("zero.sav")), zeros);

  for (int k = 0; k < 64; ++k) s.SetDisplayValue(k, k * 1000 - 7);
  ASSERT_TRUE(s.SaveToFile(Path("values.sav")));
  TMMSpectrum t(nullptr);
  t.LoadFromFile(Path("values.sav"));
  for (int k = 0; k < 64; ++k) EXPECT_EQ(t.DisplayValue(k), k * 1000 - 7);

  // 1024 lines into 4096: values 1024 and on keep theirs.
  std::string lines;
  for (int i = 0; i < 2048; ++i) lines += std::to_string(i + 1) + "\r\n";
  Write(Path("2048.sav"), lines);
  Write(Path("1024.sav"), lines.substr(0, lines.find("1025\r\n")));
  t.SetFFTLength(4096);
  t.SetDisplayValue(1024, -5);
  t.LoadFromFile(Path("1024.sav"));
  EXPECT_EQ(t.DisplayValue(1023), 1024);
  EXPECT_EQ(t.DisplayValue(1024), -5);
  // 2048 lines into 256: 128 read.
  t.SetFFTLength(256);
  t.LoadFromFile(Path("2048.sav"));
  EXPECT_EQ(t.DisplayValue(127), 128);
  EXPECT_EQ(t.DisplayValue(128), 0);
  // A missing file changes nothing, silently.
  t.LoadFromFile(Path("missing.sav"));
  EXPECT_EQ(t.DisplayValue(127), 128);
  EXPECT_TRUE(boxes_.empty());
}

TEST_F(MMSpectrumScreenTest, BadLinesAndFailedSavesAreReported) {
  TMMSpectrum s(nullptr);
  for (int k = 0; k < 64; ++k) s.SetDisplayValue(k, 9);
  Write(Path("bad.sav"), "1\r\n2\r\n3\r\n4\r\nx\r\n6\r\n");
  s.LoadFromFile(Path("bad.sav"));
  EXPECT_EQ(boxes_, std::vector<std::string>{"code: sp 5039"});
  EXPECT_EQ(s.DisplayValue(3), 4);
  EXPECT_EQ(s.DisplayValue(4), 9);
  // The file was closed: it can go.
  EXPECT_TRUE(std::filesystem::remove(Path("bad.sav")));

  boxes_.clear();
  EXPECT_FALSE(s.SaveToFile(Path("no/such/folder/x.sav")));
  EXPECT_EQ(boxes_, std::vector<std::string>{"code: sp 484"});
  EXPECT_FALSE(std::filesystem::exists(Path("no")));
}

TEST_F(MMSpectrumScreenTest, ValueFilesAreReadOnlyFromRegularFilesAndOnlyAsFarAsTheLinesInUse) {
  TMMSpectrum s(nullptr);
  for (int k = 0; k < 64; ++k) s.SetDisplayValue(k, 9);
  // A pipe without a writer and an endless device: nothing read, nothing waited for.
  ASSERT_EQ(mkfifo(Path("pipe.sav").c_str(), 0600), 0);
  s.LoadFromFile(Path("pipe.sav"));
  s.LoadFromFile("/dev/zero");
  EXPECT_EQ(s.DisplayValue(0), 9);
  // The lines in use, then far more than they could take: the tail is never read.
  std::string text;
  for (int i = 0; i < 64; ++i) text += std::to_string(i) + "\r\n";
  text += std::string(8 << 20, 'x');
  Write(Path("long.sav"), text);
  s.LoadFromFile(Path("long.sav"));
  EXPECT_EQ(s.DisplayValue(63), 63);
  EXPECT_TRUE(boxes_.empty());
}

TEST_F(MMSpectrumScreenTest, LoadedHugeValuesDrawWithinTheDib) {
  ASSERT_NE(Screen(), nullptr);
  TMMSpectrum* s = ShowSpectrum();
  Write(Path("huge.sav"), "2147483647\r\n-2147483648\r\n2000000000\r\n");
  for (TMMSpectrumKind kind : {skBars, skLines, skDots, skVLines, skPeaks, skScroll}) {
    for (bool log_amp : {false, true}) {
      s->SetKind(kind);
      s->SetLogAmp(log_amp);
      s->SetDecayMode(log_amp ? dmExponential : dmNone);
      s->LoadFromFile(Path("huge.sav"));
      s->Invalidate();
      plat::UpdateWindow(form_->Handle());
      Pump();
    }
  }
  TMMSpectrumPeak peak;
  s->GetPeak(peak);
  EXPECT_GE(peak.Height, s->DrawHeight());
}

}  // namespace
