// Fractional-octave bands: the table's centres and gap-free edges, refused
// ranges, the weighting curves and their quantisation, the per-pass band
// computation with its fall-back, and tones analysed by a real peak detector.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "app/Bands.h"
#include "engine/MMPCMSup.h"
#include "engine/MMPeak.h"

namespace {

using app::kThirdOctaveLabels;
using app::TBandAnalyser;
using app::TBandTable;
using app::TWeighting;

constexpr float kBinWidth = 44100.0f / 16384.0f;  // MMPeakDetect1's bins at 44.1 kHz
constexpr int32_t kBins = 8192;

TBandTable Table(int32_t count, int32_t low = 20, int32_t high = 24000) {
  TBandTable t;
  EXPECT_TRUE(app::BuildBandTable(t, count, low, high));
  return t;
}

TEST(BandTable, CentresFollowTheFormulaAndEdgesLeaveNoGaps) {
  const struct {
    int32_t count, extra, band, centre;
  } cases[] = {{32, 30167, 17, 976}, {64, 26858, 35, 1027}, {128, 25377, 70, 995}, {256, 24676, 141, 1008}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.count);
    const TBandTable t = Table(c.count);
    EXPECT_EQ(t.Count, c.count);
    EXPECT_EQ(t.Centres[0], 20);
    EXPECT_EQ(t.Centres[c.count - 1], 24000);
    EXPECT_EQ(t.Centres[c.count], c.extra);
    EXPECT_EQ(t.Centres[c.band], c.centre);
    for (int32_t i = 0; i <= c.count; ++i) {
      // The untruncated centre lies inside.
      EXPECT_LE(t.Lower[i], t.Centres[i] + 1) << i;
      EXPECT_GE(t.Upper[i], t.Centres[i]) << i;
      if (i < c.count) {
        EXPECT_EQ(t.Upper[i], t.Lower[i + 1]) << i;
      }
    }
  }
}

TEST(BandTable, ScaleLabelsComeFromTheCentresOnlyAtTheFinestBands) {
  const TBandTable fine = Table(256);
  const std::array<int32_t, app::kFreqLabelCount> labels = app::BandScaleLabels(fine);
  EXPECT_EQ(labels[0], fine.Centres[0]);
  EXPECT_EQ(labels[1], fine.Centres[10]);
  EXPECT_EQ(labels[2], fine.Centres[18]);
  EXPECT_EQ(labels[31], fine.Centres[250]);
  EXPECT_EQ(labels[32], 24000 + 1);
  for (int32_t count : {0, 32, 128}) {
    TBandTable t;
    if (count > 0) t = Table(count);
    EXPECT_EQ(app::BandScaleLabels(t), kThirdOctaveLabels) << count;
  }
}

TEST(BandTable, RangesWithoutBandsPerOctaveAreRefusedAndTheTableKept) {
  const struct {
    int32_t count, low, high;
  } cases[] = {{256, 500, 500}, {256, 0, 24000},  {256, 20, 0},   {256, -20, 24000},
               {1, 20, 24000},  {257, 20, 24000}, {0, 20, 24000}, {256, 20, 2000000000}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.count << " bands, " << c.low << ".." << c.high);
    TBandTable t = Table(32);
    const TBandTable before = t;
    EXPECT_FALSE(app::BuildBandTable(t, c.count, c.low, c.high));
    EXPECT_EQ(t.Count, before.Count);
    EXPECT_EQ(t.Centres, before.Centres);
    EXPECT_EQ(t.Lower, before.Lower);
    EXPECT_EQ(t.Upper, before.Upper);
  }
}

TEST(Weighting, CurvesAndTheirQuantisationOntoBars) {
  // The band pass passes the gain minus 50 dB; 31 steps cover 60 dB.
  const struct {
    TWeighting w;
    double f;
    double gain;        // dB, to 0.01
    int32_t of_100000;  // LevelToBarHeight(100000, gain - 50)
  } cases[] = {
      {TWeighting::A, 50, -30.28, 2829},  // k = 15: about 31 dB lower
      {TWeighting::A, 976, -0.08, 100000}, {TWeighting::A, 1000, 0.0, 100000},
      {TWeighting::B, 1000, 0.0, 100000},  // with a +1.17 offset it drew 1.94 dB high
      {TWeighting::C, 1000, 0.0, 100000},  {TWeighting::C, 20, -6.22, 51248},
      {TWeighting::B, 100, -5.64, 51248},  {TWeighting::Off, 50, 0.0, 100000},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << static_cast<int>(c.w) << " at " << c.f << " Hz");
    const double g = app::WeightingGain(c.w, c.f);
    EXPECT_NEAR(g, c.gain, 0.01);
    EXPECT_EQ(app::LevelToBarHeight(100000, g - 50), c.of_100000);
  }
  EXPECT_NEAR(app::LevelToBarHeight(1000000, app::WeightingGain(TWeighting::A, 50) - 50) / 1e6, 0.02829,
              1e-5);
  // No frequency at all has no level: an empty bar, not an undefined one.
  for (TWeighting w : {TWeighting::A, TWeighting::B, TWeighting::C})
    EXPECT_EQ(app::LevelToBarHeight(1000000, app::WeightingGain(w, 0) - 50), 0);
  EXPECT_EQ(app::LevelToBarHeight(1000000, std::nan("")), 0);
}

// One pass over maxima that are zero but for the given bins.
struct PassRun {
  explicit PassRun(int32_t count, int32_t low = 20, int32_t high = 24000) {
    EXPECT_TRUE(a.SetBands(count, low, high));
  }
  int32_t Run(std::vector<std::pair<int32_t, int32_t>> lit, TWeighting w = TWeighting::Off, bool zoom = false,
              int32_t decay = 7) {
    std::fill(bins.begin(), bins.end(), 0);
    for (auto [k, v] : lit) bins[static_cast<size_t>(k)] = v;
    return a.Pass(bins, kBinWidth, w, zoom, decay, display);
  }
  TBandAnalyser a;
  std::vector<int32_t> bins = std::vector<int32_t>(kBins);
  std::vector<int32_t> display = std::vector<int32_t>(app::kBandSlots, -1);
};

TEST(BandPass, EveryBinLightsABandThatHoldsIt) {
  for (int32_t count : {32, 128}) {
    PassRun p(count);
    const auto& t = p.a.Table();
    const int32_t first = static_cast<int32_t>(t.Lower[0] / kBinWidth);
    const int32_t last = static_cast<int32_t>(t.Upper[count] / kBinWidth);
    for (int32_t k = first; k <= std::min(last, kBins - 1); ++k) {
      p.a.ClearHeld();
      const int32_t m = p.Run({{k, 1000}});
      ASSERT_GT(p.a.Acc(m), 0) << count << " bands, bin " << k;
      ASSERT_GE(k * kBinWidth, t.Lower[m] - kBinWidth) << count << " bands, bin " << k;
      ASSERT_LE(k * kBinWidth, t.Upper[m]) << count << " bands, bin " << k;
    }
  }
}

TEST(BandPass, TheLargestRawBinIsWeightedOnce) {
  PassRun p(32);
  const auto& t = p.a.Table();
  const int32_t lo = static_cast<int32_t>(t.Lower[4] / kBinWidth) + 1;  // band 4, centre 49 Hz
  const int32_t expected =
      app::LevelToBarHeight(1000 * 120, app::WeightingGain(TWeighting::A, t.Centres[4]) - 50);
  // The order of the bins must not matter: weighting each bin that beat an
  // already weighted maximum kept the smaller bin's value.
  for (auto lit : {std::vector<std::pair<int32_t, int32_t>>{{lo, 1000}, {lo + 1, 100}},
                   std::vector<std::pair<int32_t, int32_t>>{{lo, 100}, {lo + 1, 1000}}}) {
    p.a.ClearHeld();
    p.Run(lit, TWeighting::A);
    EXPECT_EQ(p.a.Acc(4), expected);
  }
  p.a.ClearHeld();
  p.Run({{lo, 1000}}, TWeighting::Off, true);
  EXPECT_EQ(p.a.Acc(4), 1000 * 450);  // zoomed bands are scaled further
}

TEST(BandPass, HeldBandsFallByTheDecayDivisor) {
  const struct { int32_t decay, divisor; } cases[] = {{1, 60}, {4, 90}, {7, 120}, {16, 210}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.decay);
    EXPECT_EQ(app::FallBackDivisor(c.decay), c.divisor);
    PassRun p(32);
    const int32_t bin = 371;  // 1 kHz, band 17
    EXPECT_EQ(p.Run({{bin, 6000}}, TWeighting::Off, false, c.decay), 17);
    const int32_t v = 6000 * 120;
    EXPECT_EQ(p.display[17], v);
    EXPECT_EQ(p.Run({}, TWeighting::Off, false, c.decay), 17);  // falling, still shown
    EXPECT_EQ(p.display[17], v);
    const int32_t once = v - v / c.divisor;
    EXPECT_EQ(p.a.Held(17), once);
    p.Run({}, TWeighting::Off, false, c.decay);
    EXPECT_EQ(p.display[17], once);
    p.Run({{bin, 6000}}, TWeighting::Off, false, c.decay);  // a rise shows at once
    EXPECT_EQ(p.display[17], v);
  }
}

TEST(BandPass, PeakBandAndTheFrequencyItsLabelShows) {
  const struct {
    int32_t count;
    int32_t bin;
    int32_t band;
    float label;
  } cases[] = {{32, 371, 17, 1000},
               {64, 371, 35, 1000},
               {128, 371, 70, 1000},
               {256, 371, 141, 1008},
               {32, 4, 0, 0}};  // the lowest band: the label keeps its last value
  for (const auto& c : cases) {
    SCOPED_TRACE(c.count);
    PassRun p(c.count);
    const int32_t m = p.Run({{c.bin, 5000}});
    EXPECT_EQ(m, c.band);
    if (m > 0) {
      EXPECT_EQ(app::BandPeakFrequency(p.a.Table(), kThirdOctaveLabels, m), c.label);
    }
  }
  PassRun p(32);
  EXPECT_EQ(p.Run({}), 0);  // silence
  // Equal maxima: the first band wins.
  EXPECT_EQ(p.Run({{371, 5000}, {1000, 5000}}), 17);
}

TEST(BandPass, WithoutBinWidthOrBandsNothingIsWritten) {
  PassRun p(32);
  EXPECT_EQ(p.a.Pass(p.bins, 0.0f, TWeighting::Off, false, 7, p.display), -1);
  EXPECT_EQ(p.display[0], -1);
  EXPECT_TRUE(p.a.SetBands(0, 0, 0));
  EXPECT_EQ(p.a.Pass(p.bins, kBinWidth, TWeighting::Off, false, 7, p.display), -1);
  EXPECT_EQ(p.display[0], -1);
}

TEST(BandPass, ARefusedZoomKeepsTableAndHeldBands) {
  PassRun p(256, 900, 1100);
  p.Run({{371, 5000}});
  const TBandTable before = p.a.Table();
  const int32_t m = p.Run({{371, 5000}});
  const int32_t held = p.a.Held(m);
  EXPECT_GT(held, 0);
  EXPECT_FALSE(p.a.SetBands(256, 1000, 1000));
  EXPECT_EQ(p.a.Table().Centres, before.Centres);
  EXPECT_EQ(p.a.Held(m), held);
  EXPECT_TRUE(p.a.SetBands(256, 500, 1500));  // a new table starts from zero
  for (int32_t i = 0; i <= 256; ++i) ASSERT_EQ(p.a.Held(i), 0);
  // A falling range: falling centres, every band empty.
  ASSERT_TRUE(p.a.SetBands(256, 1500, 500));
  EXPECT_GT(p.a.Table().Centres[0], p.a.Table().Centres[255]);
  EXPECT_EQ(p.Run({{371, 5000}, {400, 5000}}), 0);
  for (int32_t i = 0; i <= 256; ++i) ASSERT_EQ(p.display[i], 0);
}

// A full-scale sine through the 16384-point detector the main window uses.
class DetectedTone : public ::testing::Test {
 protected:
  void Analyse(double frequency) {
    plat::WAVEFORMATEX format{};
    engine::BuildPCMFormat(format, 16, 2, 44100);
    detector_.SetFFTLength(16384);
    detector_.SetFormat(&format);
    detector_.Opened();
    std::vector<int16_t> samples(16384 * 2);
    for (size_t i = 0; i < 16384; ++i)
      samples[2 * i] = samples[2 * i + 1] =
          static_cast<int16_t>(std::lround(32767 * std::sin(2 * std::numbers::pi * frequency * i / 44100)));
    plat::WAVEHDR hdr;
    hdr.lpData = reinterpret_cast<char*>(samples.data());
    hdr.dwBufferLength = hdr.dwBytesRecorded = static_cast<plat::DWORD>(samples.size() * 2);
    detector_.BufferReady(&hdr);
    bins_.resize(kBins);
    ASSERT_EQ(detector_.CopyPeakValues(bins_), kBins);
  }
  int32_t Pass(TBandAnalyser& a, TWeighting w = TWeighting::Off) {
    return a.Pass(bins_, detector_.BinWidth(), w, false, 7, display_);
  }
  void SetUp() override { ASSERT_TRUE(third_.SetBands(32, 20, 24000)); }
  engine::TMMPeakDetect detector_{nullptr};
  TBandAnalyser third_;
  std::vector<int32_t> bins_;
  std::vector<int32_t> display_ = std::vector<int32_t>(app::kBandSlots);
};

TEST_F(DetectedTone, OneKilohertzLightsItsBandWithNeighboursFortyDecibelsLower) {
  Analyse(1000);
  for (auto [count, band] : {std::pair{32, 17}, std::pair{128, 70}}) {
    SCOPED_TRACE(count);
    TBandAnalyser a;
    ASSERT_TRUE(a.SetBands(count, 20, 24000));
    EXPECT_EQ(Pass(a), band);
    EXPECT_GT(a.Acc(band), 0);
    EXPECT_LE(a.Acc(band - 1) * 100, a.Acc(band));
    EXPECT_LE(a.Acc(band + 1) * 100, a.Acc(band));
  }
}

TEST_F(DetectedTone, ToneBetweenTheOldBandsLightsABand) {
  // 1100 Hz fell between the 1/3-octave bands of 1000 and 1250 Hz.
  Analyse(1100);
  EXPECT_EQ(Pass(third_), 18);
  EXPECT_GT(third_.Acc(18), 32767 * 120 / 4);
}

TEST_F(DetectedTone, WeightingAAtFiftyHertzLowersTheBandByItsStep) {
  Analyse(50);
  EXPECT_EQ(Pass(third_), 4);
  const int32_t off = third_.Acc(4);
  third_.ClearHeld();
  Pass(third_, TWeighting::A);
  const double drop = 20 * std::log10(static_cast<double>(third_.Acc(4)) / off);
  const double step = 60.0 / 31;
  EXPECT_NEAR(drop, -16 * step, 0.01);  // A(49 Hz) = -30.6 dB: k = 15, 16 steps below unity
}

}  // namespace
