// The level meter: block peaks, the broadcast transfer curves, decay, the dB
// and linear spot scales, Value, peak hold on the shared timer's manual
// clock, the writers' limits, the format it accepts, and the bar's pixels in
// 8- and 24-bit DIBs and on screen, also with a delivering thread.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "displays/DibCanvasTestSupport.h"
#include "displays/DisplayUnits.h"
#include "displays/MMLevel.h"
#include "displays/ScreenTestSupport.h"
#include "engine/MMObj.h"
#include "engine/MMPCMSup.h"
#include "engine/MMTimer.h"
#include "platform/kernel/Clock.h"
#include "platform/vcl/FormReader.h"
#include "platform/vcl/FormWriter.h"

using namespace displays;
using displaytest::Rgb;
using engine::TMMBits;
using engine::TMMChannel;
using vcl::TColor;

namespace {

// A meter whose bar can be drawn without a window.
class TBarMeter : public TMMLevel {
 public:
  using TMMLevel::DrawBar;
  using TMMLevel::TMMLevel;
};

// The level that lights exactly n of num_spots spots on the dB scale.
int32_t LevelFor(int n, int num_spots, int sensitivy = -35) {
  const double db = sensitivy + n * -static_cast<double>(sensitivy) / num_spots;
  return static_cast<int32_t>(std::lround(32767 * std::pow(10.0, db / 20)));
}

plat::WAVEFORMATEX Format(int bits, int channels, int rate = 44100) {
  plat::WAVEFORMATEX format{};
  engine::BuildPCMFormat(format, bits, channels, rate);
  return format;
}

// 35 spots inside the default one-pixel bevel, no peak hold.
void MakeThirtyFiveSpots(TMMCustomLevel& meter) {
  meter.SetBounds(0, 0, 72, 17);
  ASSERT_EQ(meter.NumSpots(), 35);
}

// ---- spots, Value, peaks, curves and decay -----------------------------------

TEST(MMLevelTest, LevelsLightTheSpotsOfTheDbAndLinearScales) {
  struct Case {
    int32_t level;
    int32_t db_spots;
    int32_t linear_spots;
  };
  const Case cases[] = {
      {32767, 35, 35}, {23197, 32, 25}, {16384, 29, 17}, {10362, 25, 11}, {5827, 20, 6}, {4372, 18, 4},
      {3277, 15, 3},   {1843, 10, 1},   {1036, 5, 0},    {583, 0, 0},     {0, 0, 0},     {-16384, 29, 17},
  };
  TMMLevel meter(nullptr);
  MakeThirtyFiveSpots(meter);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.level);
    for (bool log_amp : {true, false}) {
      meter.SetLogAmp(log_amp);
      meter.ResetData();
      meter.ShowLevel(c.level);
      EXPECT_EQ(meter.LitSpots(), log_amp ? c.db_spots : c.linear_spots) << (log_amp ? "dB" : "linear");
      EXPECT_EQ(meter.LastLevel(), std::abs(c.level));
    }
  }
}

TEST(MMLevelTest, ValueReadsTheLitSpotsBackAsPercent) {
  TMMLevel meter(nullptr);
  MakeThirtyFiveSpots(meter);
  struct Case {
    const char* name;
    std::function<void(TMMLevel&)> show;
    int32_t spots;
    int32_t value;
  };
  const Case cases[] = {
      {"full scale", [](TMMLevel& m) { m.ShowLevel(32767); }, 35, 100},
      {"-17.5 dB", [](TMMLevel& m) { m.ShowLevel(4372); }, 18, 14},
      {"one spot", [](TMMLevel& m) { m.ShowLevel(654); }, 1, 2},
      {"nothing lit", [](TMMLevel& m) { m.ShowLevel(0); }, 0, 0},
      {"Value 50", [](TMMLevel& m) { m.SetValue(50); }, 29, 50},
      {"Value above 100 is full scale", [](TMMLevel& m) { m.SetValue(150); }, 35, 100},
      {"linear Value 100",
       [](TMMLevel& m) {
         m.SetLogAmp(false);
         m.SetValue(100);
       },
       35, 100},
      {"linear Value 40",
       [](TMMLevel& m) {
         m.SetLogAmp(false);
         m.SetValue(40);
       },
       14, 40},
      // Gain -8 leaves no factor; the read must not divide by it.
      {"gain -8 after lighting",
       [](TMMLevel& m) {
         m.ShowLevel(32767);
         m.SetGain(-8);
       },
       35, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    meter.SetLogAmp(true);
    meter.SetGain(0);
    meter.ResetData();
    c.show(meter);
    EXPECT_EQ(meter.LitSpots(), c.spots);
    EXPECT_EQ(meter.Value(), c.value);
  }
}

TEST(MMLevelTest, BlockPeakFollowsWidthChannelsAndOffsets) {
  struct Case {
    const char* name;
    int bits;
    int channels;
    TMMChannel channel;
    std::vector<int16_t> samples;  // 8-bit ones as their byte values
    std::function<void(TMMLevel&)> setup;
    int32_t peak;
    bool pcm_overflow;
  };
  const auto none = [](TMMLevel&) {};
  const Case cases[] = {
      {"16-bit stereo, both", 16, 2, engine::chBoth, {1000, -3000}, none, 1000, false},
      {"16-bit stereo, left", 16, 2, engine::chLeft, {1000, -3000}, none, 1000, false},
      {"16-bit stereo, right", 16, 2, engine::chRight, {1000, -3000}, none, 3000, false},
      {"16-bit mono, largest of the block", 16, 1, engine::chBoth, {5, -7, 3}, none, 7, false},
      {"16-bit full negative", 16, 1, engine::chBoth, {-32768}, none, 32768, true},
      {"8-bit mono 0", 8, 1, engine::chBoth, {0}, none, 32768, true},
      {"8-bit mono 255", 8, 1, engine::chBoth, {255}, none, 32512, false},
      {"8-bit stereo, both", 8, 2, engine::chBoth, {0, 255}, none, 256, false},
      {"DC offset subtracted, last write counts",
       16,
       1,
       engine::chBoth,
       {10},
       [](TMMLevel& m) {
         m.SetDCOffsetL(-5);
         m.SetDCOffsetL(5);
       },
       5,
       false},
      {"right offset on the right channel",
       16,
       2,
       engine::chRight,
       {0, 100},
       [](TMMLevel& m) { m.SetDCOffsetR(-20); },
       120,
       false},
      // Four channels are valid PCM: whole frames are stepped over.
      {"16-bit four channels, first two",
       16,
       4,
       engine::chBoth,
       {100, 200, 30000, 30000, 300, 500, 9, 9},
       none,
       400,
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TMMLevel meter(nullptr);
    meter.SetMeterScale(4);  // no curve
    const plat::WAVEFORMATEX format = Format(c.bits, c.channels);
    meter.SetWaveFormat(&format);
    meter.SetChannel(c.channel);
    const int frames = static_cast<int>(c.samples.size()) / c.channels;
    meter.SetSamples(frames);
    EXPECT_EQ(meter.BytesPerRefresh(), frames * format.nBlockAlign);
    c.setup(meter);
    int overflows = 0;
    meter.OnPcmOverflow = [&](vcl::TObject* sender) {
      EXPECT_EQ(sender, &meter);
      ++overflows;
    };
    std::vector<uint8_t> data;
    for (int16_t s : c.samples) {
      if (c.bits == 8) {
        data.push_back(static_cast<uint8_t>(s));
      } else {
        data.push_back(static_cast<uint8_t>(s & 0xFF));
        data.push_back(static_cast<uint8_t>((s >> 8) & 0xFF));
      }
    }
    ASSERT_EQ(static_cast<int>(data.size()), meter.BytesPerRefresh());
    meter.RefreshPCMData(data.data());
    EXPECT_EQ(meter.LastLevel(), c.peak);
    EXPECT_EQ(meter.LevelHistory()[0], c.peak);
    EXPECT_EQ(overflows, c.pcm_overflow ? 1 : 0);
  }
}

TEST(MMLevelTest, TransferCurvesOfTheMeterScales) {
  const int32_t inputs[] = {100, 1000, 10000, 32767};
  struct Case {
    int32_t scale;
    int32_t results[4];
  };
  const Case cases[] = {
      {0, {194, 1416, 11848, 32758}}, {1, {13, 95, 2530, 32758}},     {2, {118, 230, 6073, 59185}},
      {3, {3, 101, 2877, 16105}},     {4, {100, 1000, 10000, 32767}}, {5, {141, 1122, 10855, 34961}},
      {6, {149, 1037, 9568, 30067}},  {7, {186, 1148, 11084, 35663}}, {8, {100, 1000, 10000, 32767}},
  };
  TMMLevel meter(nullptr);
  MakeThirtyFiveSpots(meter);
  const plat::WAVEFORMATEX format = Format(16, 1);
  meter.SetWaveFormat(&format);
  meter.SetSamples(1);
  int gain_overflows = 0;
  meter.OnGainOverflow = [&](vcl::TObject*) { ++gain_overflows; };
  for (const Case& c : cases) {
    for (int i = 0; i < 4; ++i) {
      SCOPED_TRACE(testing::Message() << "scale " << c.scale << ", input " << inputs[i]);
      meter.SetMeterScale(c.scale);
      gain_overflows = 0;
      const auto sample = static_cast<int16_t>(inputs[i]);
      meter.RefreshPCMData(&sample);
      EXPECT_EQ(meter.LastLevel(), c.results[i]);
      EXPECT_EQ(meter.LevelHistory()[0], std::min(c.results[i], 32768));
      // Half a dB above full scale rounds to a 36th spot: clipped, and said so.
      EXPECT_EQ(gain_overflows, c.results[i] > 34713 ? 1 : 0);
    }
  }
  // History: newest first, the older ones moved up.
  EXPECT_EQ(meter.LevelHistory()[1], 10000);

  // Reference scaling comes before the curve.
  meter.SetMeterScale(0);
  meter.SetReferenceMinus18(true);
  const int16_t full = 32767;
  meter.RefreshPCMData(&full);
  EXPECT_EQ(meter.LastLevel(), 49002);
  EXPECT_EQ(meter.LevelHistory()[0], 32768);
  EXPECT_NEAR(LevelReferenceScale(1, 1000, false, true), 1000 * 0.707 * 2.8352, 1e-9);
  EXPECT_EQ(LevelReferenceScale(4, 1000, true, true), 1000);
}

TEST(MMLevelTest, IntegrationAveragesTheLastCountValues) {
  struct Case {
    const char* name;
    int32_t count;
    std::vector<int16_t> inputs;
    std::vector<int32_t> shown;
  };
  const Case cases[] = {
      {"count 2", 2, {100, 300, 500, 500}, {100, 200, 400, 500}},
      // Counts outside 1..300 are used clamped: no division by zero, no
      // write past the history.
      {"count 0 acts as 1", 0, {100, 300}, {100, 300}},
      {"count 1000 acts as 300", 1000, std::vector<int16_t>(400, 600), std::vector<int32_t>(400, 600)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TMMLevel meter(nullptr);
    const plat::WAVEFORMATEX format = Format(16, 1);
    meter.SetWaveFormat(&format);
    meter.SetSamples(1);
    meter.SetMeterScale(4);
    meter.SetIntegration(true);
    meter.SetIntegrationCount(c.count);
    std::vector<int32_t> shown;
    for (int16_t in : c.inputs) {
      meter.RefreshPCMData(&in);
      shown.push_back(meter.LastLevel());
    }
    EXPECT_EQ(shown, c.shown);
    // The application's RMS history follows the direct path only.
    EXPECT_EQ(meter.LevelHistory()[0], 0);
  }
  // The averaging variant of a curve.
  EXPECT_EQ(std::trunc(LevelTransferCurve(2, 1000, true)), 1803);
}

TEST(MMLevelTest, DecayModesAndTheDecayWriter) {
  struct Case {
    const char* name;
    TMMDecayMode mode;
    std::vector<int32_t> decays;  // written in order
    std::vector<int32_t> inputs;
    std::vector<int32_t> shown;
  };
  const Case cases[] = {
      {"none", dmNone, {}, {10000, 0}, {10000, 0}},
      {"exponential, factor 0.01", dmExponential, {3, 1}, {10000, 0}, {9900, 99}},
      {"step-up, factor 0.01", dmStepUp, {3, 1}, {10000, 0, 20000}, {10000, 100, 20000}},
      {"uniform over 4", dmUniform, {3}, {400, 0, 0, 0, 0}, {400, 200, 133, 100, 0}},
      {"exponential of a new meter, factor 0.0001", dmExponential, {1, 0}, {10000, 0}, {9999, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TMMLevelDecay decay;
    decay.SetMode(c.mode);
    for (int32_t d : c.decays) decay.SetDecay(d);
    std::vector<int32_t> shown;
    for (int32_t in : c.inputs) shown.push_back(decay.Apply(in));
    EXPECT_EQ(shown, c.shown);
  }

  struct WriterCase {
    std::vector<int32_t> writes;
    int32_t decay;
    double factor;
    int32_t uniform_length;
  };
  const WriterCase writers[] = {
      {{1}, 1, 0.0001, 1},  {{0}, 1, 0.0001, 1},  {{3, 0}, 1, 0.01, 1},    {{2}, 2, 0.1, 2},
      {{7}, 7, 0.9306, 12}, {{9}, 9, 0.9822, 16}, {{17}, 16, 0.99986, 30},
  };
  for (const WriterCase& w : writers) {
    SCOPED_TRACE(w.writes.back());
    TMMLevelDecay decay;
    for (int32_t d : w.writes) decay.SetDecay(d);
    EXPECT_EQ(decay.Decay(), w.decay);
    EXPECT_NEAR(decay.Factor(), w.factor, 5e-5);
    EXPECT_EQ(decay.UniformLength(), w.uniform_length);
  }

  // On the meter: a held level falls by the factor at each level shown.
  TMMLevel meter(nullptr);
  MakeThirtyFiveSpots(meter);
  meter.SetDecayMode(dmStepUp);
  meter.SetDecay(2);
  meter.ShowLevel(32767);
  meter.ShowLevel(0);
  EXPECT_EQ(meter.LitSpots(), 15);  // 3276: -20 dB
  EXPECT_EQ(meter.Decay(), 2);
  EXPECT_EQ(meter.DecayMode(), dmStepUp);
}

// ---- writers and format ------------------------------------------------------------

TEST(MMLevelTest, WritersClampOrIgnoreOutOfRangeValues) {
  struct Case {
    const char* name;
    std::function<void(TMMLevel&)> write;
    std::function<int32_t(const TMMLevel&)> read;
    int32_t expected;
  };
  const Case cases[] = {
      {"Gain 8", [](TMMLevel& m) { m.SetGain(8); }, [](const TMMLevel& m) { return m.Gain(); }, 8},
      {"Gain 33 ignored", [](TMMLevel& m) { m.SetGain(33); }, [](const TMMLevel& m) { return m.Gain(); }, 0},
      {"Gain -9 ignored", [](TMMLevel& m) { m.SetGain(-9); }, [](const TMMLevel& m) { return m.Gain(); }, 0},
      {"Sensitivy -100", [](TMMLevel& m) { m.SetSensitivy(-100); },
       [](const TMMLevel& m) { return m.Sensitivy(); }, -90},
      {"Sensitivy 0", [](TMMLevel& m) { m.SetSensitivy(0); }, [](const TMMLevel& m) { return m.Sensitivy(); },
       -9},
      {"SpotSpace 11", [](TMMLevel& m) { m.SetSpotSpace(11); },
       [](const TMMLevel& m) { return m.SpotSpace(); }, 10},
      {"SpotWidth beyond a third of the bar", [](TMMLevel& m) { m.SetSpotWidth(100); },
       [](const TMMLevel& m) { return m.SpotWidth(); }, 66},
      {"SpotWidth 0", [](TMMLevel& m) { m.SetSpotWidth(0); }, [](const TMMLevel& m) { return m.SpotWidth(); },
       1},
      {"Point1 0", [](TMMLevel& m) { m.SetPoint1(0); }, [](const TMMLevel& m) { return m.Point1(); }, 1},
      {"Point2 101", [](TMMLevel& m) { m.SetPoint2(101); }, [](const TMMLevel& m) { return m.Point2(); },
       100},
      {"NumPeaks 6", [](TMMLevel& m) { m.SetNumPeaks(6); }, [](const TMMLevel& m) { return m.NumPeaks(); },
       5},
      {"PeakDelay 51", [](TMMLevel& m) { m.SetPeakDelay(51); },
       [](const TMMLevel& m) { return m.PeakDelay(); }, 50},
      {"PeakSpeed -1", [](TMMLevel& m) { m.SetPeakSpeed(-1); },
       [](const TMMLevel& m) { return m.PeakSpeed(); }, 0},
      {"Samples 0", [](TMMLevel& m) { m.SetSamples(0); }, [](const TMMLevel& m) { return m.Samples(); }, 1},
      {"Decay 17", [](TMMLevel& m) { m.SetDecay(17); }, [](const TMMLevel& m) { return m.Decay(); }, 16},
      {"DCOffsetL -5 then 5",
       [](TMMLevel& m) {
         m.SetDCOffsetL(-5);
         m.SetDCOffsetL(5);
       },
       [](const TMMLevel& m) { return m.DCOffsetL(); }, 5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TMMLevel meter(nullptr);
    c.write(meter);
    EXPECT_EQ(c.read(meter), c.expected);
  }
  // Gain 8 doubles the level: half scale fills the bar.
  TMMLevel meter(nullptr);
  MakeThirtyFiveSpots(meter);
  meter.SetGain(8);
  meter.ShowLevel(16384);
  EXPECT_EQ(meter.LitSpots(), 35);
}

TEST(MMLevelTest, FormatSetsWidthAndChannelsButNotTheRate) {
  TMMLevel meter(nullptr);
  EXPECT_EQ(meter.BytesPerRefresh(), 50);
  const plat::WAVEFORMATEX stereo = Format(16, 2, 22050);
  meter.SetWaveFormat(&stereo);
  EXPECT_EQ(meter.BitLength(), engine::b16Bit);
  EXPECT_EQ(meter.Mode(), engine::mStereo);
  EXPECT_EQ(meter.BytesPerRefresh(), 200);
  EXPECT_EQ(meter.SampleRate(), 44100);

  plat::WAVEFORMATEX bad[4] = {Format(16, 2), Format(16, 2), Format(16, 2), Format(16, 2)};
  bad[0].wFormatTag = 3;
  bad[1].wBitsPerSample = 12;
  bad[2].nChannels = 3;
  bad[3].nSamplesPerSec = 1000;
  const plat::WAVEFORMATEX mono8 = Format(8, 1);
  meter.SetWaveFormat(&mono8);
  const plat::WAVEFORMATEX* formats[] = {&bad[0], &bad[1], &bad[2], &bad[3], nullptr};
  for (const plat::WAVEFORMATEX* format : formats) {
    try {
      meter.SetWaveFormat(format);
      ADD_FAILURE() << "accepted";
    } catch (const EMMLevelError& e) {
      EXPECT_EQ(std::string(e.what()), engine::LoadLibraryMessage(62));
    }
    EXPECT_EQ(meter.BitLength(), engine::b8Bit);
    EXPECT_EQ(meter.Mode(), engine::mMono);
    EXPECT_EQ(meter.BytesPerRefresh(), 50);
  }
}

TEST(MMLevelTest, DescriptionKeepsThePublishedSettings) {
  RegisterDisplayClasses();
  EXPECT_EQ(vcl::GetClass("TMMLevel"), TMMLevel::StaticClass());
  TMMLevel meter(nullptr);
  meter.SetName("Level1");
  meter.SetKind(lkVertical);
  meter.SetPoint2(90);
  meter.SetDecayMode(dmUniform);
  meter.SetBar3Color(vcl::clLime);
  meter.SetGain(-8);
  meter.SetDCOffsetR(3);
  const std::string text = vcl::WriteFormText(&meter);
  TMMLevel read(nullptr);
  vcl::ReadFormText(&read, text);
  EXPECT_EQ(read.Kind(), lkVertical);
  EXPECT_EQ(read.Width(), 17);
  EXPECT_EQ(read.Height(), 200);
  EXPECT_EQ(read.Point2(), 90);
  EXPECT_EQ(read.DecayMode(), dmUniform);
  EXPECT_EQ(read.Bar3Color(), vcl::clLime);
  EXPECT_EQ(read.Gain(), -8);
  EXPECT_EQ(read.DCOffsetR(), 3);
  EXPECT_EQ(read.Color(), vcl::clBlack);
  EXPECT_EQ(text.find("Sensitivy"), std::string::npos) << text;
}

// ---- bar pixels ------------------------------------------------------------------------

// Bar1..3 are '1'..'3', Inactive1..3 'a'..'c', the control's Color '.'.
const TColor kColors[] = {vcl::clLime, vcl::clYellow, vcl::clRed, vcl::clGreen, vcl::clOlive, vcl::clMaroon};

void Paint(TMMLevel& meter) {
  meter.SetColor(vcl::clBlack);
  meter.SetBar1Color(kColors[0]);
  meter.SetBar2Color(kColors[1]);
  meter.SetBar3Color(kColors[2]);
  meter.SetInactive1Color(kColors[3]);
  meter.SetInactive2Color(kColors[4]);
  meter.SetInactive3Color(kColors[5]);
}

char ColorChar(TMMDIBCanvas& dib, uint32_t pixel) {
  const char chars[] = "123abc";
  for (int i = 0; i < 6; ++i)
    if (pixel == static_cast<uint32_t>(dib.ColorToDIB(kColors[i]))) return chars[i];
  return pixel == static_cast<uint32_t>(dib.ColorToDIB(vcl::clBlack)) ? '.' : '?';
}

// The bar along its length, first row or column; every line across must match.
std::string BarPixels(TBarMeter& meter) {
  TMMDIBCanvas& dib = *meter.DIBCanvas();
  const bool horizontal = meter.Kind() == lkHorizontal;
  const int length = horizontal ? dib.Width() : dib.Height();
  const int across = horizontal ? dib.Height() : dib.Width();
  std::string lines[2];
  for (int a : {0, across - 1}) {
    std::string& line = lines[a == 0 ? 0 : 1];
    for (int i = 0; i < length; ++i) {
      const int x = horizontal ? i : a;
      const int y = horizontal ? a : i;
      line += ColorChar(dib, dibcvtest::RawPixel(dib, dib.PixelBits(), x, y));
    }
  }
  EXPECT_EQ(lines[0], lines[1]);
  return lines[0];
}

// offset gaps, then each spot's character `width` times with `space` gaps
// between, then gaps to `length`.
std::string Row(int length, int offset, int width, int space, const std::string& spots) {
  std::string row(static_cast<size_t>(offset), '.');
  for (size_t k = 0; k < spots.size(); ++k) {
    if (k > 0) row += std::string(static_cast<size_t>(space), '.');
    row += std::string(static_cast<size_t>(width), spots[k]);
  }
  row.resize(static_cast<size_t>(length), '.');
  return row;
}

std::string Reversed(std::string s) { return {s.rbegin(), s.rend()}; }

class MMLevelBarTest : public ::testing::TestWithParam<int> {};

TEST_P(MMLevelBarTest, SpotsZonesAndPeaksInTheDib) {
  struct Case {
    const char* name;
    std::function<void(TBarMeter&)> setup;
    int lit;
    int peak;  // shown first when above lit
    int num_spots;
    std::string pixels;
  };
  const auto normal = [](TBarMeter& m) {
    m.SetSpotWidth(3);
    m.SetSpotSpace(2);
  };
  const Case cases[] = {
      {"25 spots, no margin",
       [](TBarMeter& m) {
         m.SetSpotWidth(3);
         m.SetSpotSpace(1);
       },
       25, 0, 25, Row(100, 0, 3, 1, "1111111111112222222223333")},
      {"20 spots from x = 1, three zones", normal, 20, 0, 20, Row(100, 1, 3, 2, "11111111112222222333")},
      {"touching spots, lit with peaks",
       [](TBarMeter& m) {
         m.SetSpotWidth(4);
         m.SetSpotSpace(0);
         m.SetNumPeaks(3);
       },
       14, 23, 25, Row(100, 0, 4, 0, "11111111111122bbbbbb233cc")},
      {"touching spots, reversed",
       [](TBarMeter& m) {
         m.SetSpotWidth(4);
         m.SetSpotSpace(0);
         m.SetDirection(dirReversed);
       },
       14, 0, 25, Reversed(Row(100, 0, 4, 0, "11111111111122bbbbbbbcccc"))},
      {"unlit", normal, 0, 0, 20, Row(100, 1, 3, 2, "aaaaaaaaaabbbbbbbccc")},
      {"three peak spots below the peak",
       [&](TBarMeter& m) {
         normal(m);
         m.SetNumPeaks(3);
       },
       5, 12, 20, Row(100, 1, 3, 2, "11111aaaa122bbbbbccc")},
      {"peak at the level", normal, 5, 5, 20, Row(100, 1, 3, 2, "11111aaaaabbbbbbbccc")},
      {"reversed",
       [&](TBarMeter& m) {
         normal(m);
         m.SetDirection(dirReversed);
       },
       5, 12, 20, Reversed(Row(100, 1, 3, 2, "11111aaaaab2bbbbbccc"))},
      {"symmetric block and peak",
       [&](TBarMeter& m) {
         normal(m);
         m.SetDirection(dirSymetric);
         m.SetNumPeaks(2);
       },
       5, 12, 20, Reversed(Row(100, 1, 3, 2, "aa11111aaabb22bbbccc"))},
      {"disabled shows the unlit bar",
       [&](TBarMeter& m) {
         normal(m);
         m.SetEnabled(false);
       },
       5, 12, 20, Row(100, 1, 3, 2, "aaaaaaaaaabbbbbbbccc")},
      {"points 10 and 20",
       [&](TBarMeter& m) {
         normal(m);
         m.SetPoint1(10);
         m.SetPoint2(20);
       },
       20, 0, 20, Row(100, 1, 3, 2, "11223333333333333333")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TBarMeter meter(nullptr);
    meter.SetBounds(0, 0, 102, 4);  // a 100 x 2 bar inside the bevel
    meter.SetBitsPerPixel(GetParam());
    Paint(meter);
    c.setup(meter);
    ASSERT_EQ(meter.NumSpots(), c.num_spots);
    const int factor = meter.Direction() == dirSymetric ? 2 : 1;
    if (c.peak > c.lit) meter.ShowLevel(LevelFor(c.peak * factor, c.num_spots));
    meter.ShowLevel(LevelFor(c.lit * factor, c.num_spots));
    meter.DrawBar();
    EXPECT_EQ(BarPixels(meter), c.pixels);
  }
}

TEST_P(MMLevelBarTest, VerticalBarsGrowUpward) {
  TBarMeter meter(nullptr);
  meter.SetBounds(0, 0, 4, 22);
  meter.SetKind(lkVertical);
  ASSERT_EQ(meter.Width(), 4);
  meter.SetBitsPerPixel(GetParam());
  Paint(meter);
  ASSERT_EQ(meter.NumSpots(), 10);  // spots 1 px, gaps 1 px, in 20 px
  meter.ShowLevel(LevelFor(6, 10));
  meter.DrawBar();
  EXPECT_EQ(BarPixels(meter), Reversed(Row(20, 0, 1, 1, "111112bbcc")));
  meter.SetDirection(dirReversed);
  meter.DrawBar();
  EXPECT_EQ(BarPixels(meter), Row(20, 0, 1, 1, "111112bbcc"));
}

TEST_P(MMLevelBarTest, DrawBarEventReplacesTheDrawingAndLeavesTheTemplate) {
  TBarMeter meter(nullptr);
  meter.SetBounds(0, 0, 102, 4);
  meter.SetBitsPerPixel(GetParam());
  Paint(meter);
  meter.SetSpotWidth(3);
  meter.SetSpotSpace(2);
  meter.ShowLevel(LevelFor(12, 20));
  meter.ShowLevel(LevelFor(5, 20));
  struct Call {
    vcl::TRect rect;
    int32_t n;
    int32_t peak;
  };
  std::vector<Call> calls;
  std::vector<std::string> order;
  meter.OnPaint = [&](vcl::TObject*) { order.push_back("OnPaint"); };
  meter.OnDrawBar = [&](vcl::TObject* sender, TMMDIBCanvas* dib, const vcl::TRect& rect, int32_t n,
                        int32_t peak) {
    EXPECT_EQ(sender, &meter);
    EXPECT_TRUE(dib->Drawing());
    order.push_back("OnDrawBar");
    calls.push_back({rect, n, peak});
    dib->DIB_SetTColor(kColors[2]);
    TMMDIBCanvas::DIB_Clear();
  };
  // The template is not redrawn while the event draws.
  meter.SetInactive1Color(kColors[1]);
  meter.DrawBar();
  EXPECT_EQ(order, (std::vector<std::string>{"OnPaint", "OnDrawBar"}));
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].rect.right, 100);
  EXPECT_EQ(calls[0].rect.bottom, 2);
  EXPECT_EQ(calls[0].rect.left + calls[0].rect.top, 0);
  EXPECT_EQ(calls[0].n, 5);
  EXPECT_EQ(calls[0].peak, 12);
  EXPECT_EQ(BarPixels(meter), std::string(100, '3'));
  // Without the event the template is brought up to date first.
  meter.OnDrawBar = nullptr;
  meter.DrawBar();
  EXPECT_EQ(BarPixels(meter), Row(100, 1, 3, 2, "1111122222b2bbbbbccc"));
}

TEST_P(MMLevelBarTest, BarShorterThanASpotStillHasOne) {
  TBarMeter meter(nullptr);
  meter.SetBounds(0, 0, 102, 4);
  meter.SetBitsPerPixel(GetParam());
  meter.SetSpotWidth(5);
  meter.SetBounds(0, 0, 5, 4);
  EXPECT_EQ(meter.NumSpots(), 1);
  meter.ShowLevel(32767);
  EXPECT_EQ(meter.LitSpots(), 1);
  meter.DrawBar();  // the spot is clipped to the 3-pixel bar
}

INSTANTIATE_TEST_SUITE_P(Depths, MMLevelBarTest, ::testing::Values(8, 24),
                         [](const ::testing::TestParamInfo<int>& info) {
                           return std::to_string(info.param) + "Bit";
                         });

// ---- on screen, with the shared timer on the manual clock ------------------------------

class MMLevelScreenTest : public displaytest::ScreenTest {
 protected:
  void TearDown() override {
    ScreenTest::TearDown();
    // Every meter took its timer client with it.
    EXPECT_EQ(engine::TimerClientCount(), 0);
  }

  // A 35-spot meter at (10, 10) on a white form, painted, counting its drawings.
  TMMLevel* ShowMeter() {
    auto* meter = new TMMLevel(NewForm());
    meter->SetParent(form_);
    meter->SetBounds(10, 10, 72, 17);
    meter->SetBitsPerPixel(24);
    meter->OnPaint = [this](vcl::TObject*) { ++drawings_; };
    ShowForm();
    return meter;
  }

  static void Ticks(int count) {
    for (int i = 0; i < count; ++i) plat::clock::AdvanceMs(engine::kMMTimerPeriod);
  }

  plat::ScopedManualClock clock_;
  int drawings_ = 0;
};

TEST_F(MMLevelScreenTest, PaintAndShowLevelPutTheBarInsideTheBevel) {
  ASSERT_NE(Screen(), nullptr);
  TMMLevel* meter = ShowMeter();
  EXPECT_GE(drawings_, 1);
  // Spot k covers x = 2k - 2 of the bar, which starts at (11, 11).
  EXPECT_EQ(At(11, 12), Rgb(vcl::clTeal));
  EXPECT_EQ(At(12, 12), Rgb(vcl::clBlack));
  EXPECT_EQ(At(11 + 2 * 34, 25), Rgb(vcl::clMaroon));
  meter->ShowLevel(32767);
  EXPECT_EQ(At(11, 12), Rgb(vcl::clAqua));
  EXPECT_EQ(At(11 + 2 * 34, 25), Rgb(vcl::clRed));
  // The next paint shows the same level.
  meter->Invalidate();
  plat::UpdateWindow(form_->Handle());
  Pump();
  EXPECT_EQ(At(11 + 2 * 34, 25), Rgb(vcl::clRed));
}

TEST_F(MMLevelScreenTest, HeldPeaksFallOnTheTimer) {
  struct Case {
    const char* name;
    int32_t peak_delay;
    int32_t peak_speed;
    std::vector<std::pair<int, int32_t>> ticks_peak;  // after this many ticks in all, PeakSpot
  };
  const Case cases[] = {
      {"held 41 ticks, then cleared", 20, 0, {{40, 35}, {41, 0}}},
      {"then one spot every 2 ticks", 20, 2, {{40, 35}, {41, 34}, {42, 34}, {43, 33}, {45, 32}}},
      {"no delay", 0, 0, {{1, 0}}},
  };
  ASSERT_NE(Screen(), nullptr);
  TMMLevel* meter = ShowMeter();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    meter->ResetData();
    meter->SetPeakDelay(c.peak_delay);
    meter->SetPeakSpeed(c.peak_speed);
    meter->ShowLevel(32767);
    meter->ShowLevel(LevelFor(10, 35));
    ASSERT_EQ(meter->PeakSpot(), 35);
    int done = 0;
    for (auto [ticks, peak] : c.ticks_peak) {
      Ticks(ticks - done);
      done = ticks;
      EXPECT_EQ(meter->PeakSpot(), peak) << "after " << ticks << " ticks";
    }
    // The timer only marks the change; the next level draws it.
    const int before = drawings_;
    meter->ShowLevel(LevelFor(10, 35));
    EXPECT_EQ(drawings_, before + 1);
    EXPECT_EQ(meter->LitSpots(), 10);
  }
}

TEST_F(MMLevelScreenTest, PeakTimerRunsExactlyWhileEnabledWithPeaks) {
  ASSERT_NE(Screen(), nullptr);
  TMMLevel* meter = ShowMeter();
  meter->SetPeakDelay(0);

  meter->SetNumPeaks(0);
  meter->ShowLevel(32767);
  EXPECT_EQ(meter->PeakSpot(), 0);  // nothing captured

  // A peak held when NumPeaks goes to 0 stays while the timer is off.
  meter->SetNumPeaks(1);
  meter->ResetData();
  meter->ShowLevel(32767);
  meter->SetNumPeaks(0);
  Ticks(100);
  EXPECT_EQ(meter->PeakSpot(), 35);
  meter->SetNumPeaks(1);
  Ticks(1);
  EXPECT_EQ(meter->PeakSpot(), 0);

  // Disabled, no peaks, peaks, enabled: the timer runs again.
  meter->SetEnabled(false);
  meter->SetNumPeaks(0);
  meter->SetNumPeaks(1);
  meter->SetEnabled(true);
  meter->ShowLevel(32767);
  EXPECT_EQ(meter->PeakSpot(), 35);
  Ticks(1);
  EXPECT_EQ(meter->PeakSpot(), 0);
}

// A delivering thread shows levels while the main thread paints and the
// peak timer ticks; the ThreadSanitizer build checks the locking.
TEST_F(MMLevelScreenTest, ShowLevelFromAWorkerWhilePaintingAndTicking) {
  ASSERT_NE(Screen(), nullptr);
  TMMLevel* meter = ShowMeter();
  meter->SetPeakDelay(1);
  meter->SetPeakSpeed(1);
  const plat::WAVEFORMATEX format = Format(16, 2);
  meter->SetWaveFormat(&format);
  std::atomic<bool> done{false};
  std::thread delivery([&] {
    std::vector<int16_t> block(static_cast<size_t>(meter->BytesPerRefresh() / 2));
    for (int i = 0; i < 300; ++i) {
      block[0] = static_cast<int16_t>((i * 997) % 32768);
      meter->RefreshPCMData(block.data());
      meter->ShowLevel((i * 331) % 32768);
    }
    done = true;
  });
  while (!done) {
    meter->Invalidate();
    plat::UpdateWindow(form_->Handle());
    Pump();
    Ticks(1);
  }
  delivery.join();
  EXPECT_LE(meter->LitSpots(), 35);
  EXPECT_EQ(meter->Canvas()->LockCount(), 0);
}

}  // namespace
