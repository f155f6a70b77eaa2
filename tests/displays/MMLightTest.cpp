// The light organ: its band map, band levels, sphere shading and geometry as
// tables, the lights a tone sets through the whole refresh, the writers'
// limits, the sphere zone limit, the image in its 8-bit DIB, the description,
// and a refresh from a delivering thread while the screen paints.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <limits>
#include <string>
#include <thread>
#include <vector>

#include "displays/DibCanvasTestSupport.h"
#include "displays/DisplayUnits.h"
#include "displays/MMLight.h"
#include "displays/ScreenTestSupport.h"
#include "engine/MMPCMSup.h"
#include "platform/vcl/FormReader.h"
#include "platform/vcl/FormWriter.h"

using namespace displays;
using displaytest::Rgb;

namespace {

plat::WAVEFORMATEX Format(int bits, int channels, int rate) {
  plat::WAVEFORMATEX format{};
  engine::BuildPCMFormat(format, bits, channels, rate);
  return format;
}

// 16-bit mono, rectangular window, at rate / fft_length.
void UseMono16(TMMLight& light, int rate, int fft_length) {
  const plat::WAVEFORMATEX format = Format(16, 1, rate);
  light.SetWaveFormat(&format);
  light.SetFFTLength(fft_length);
  light.SetWindow(engine::fwRectangular);
}

// A block of n 16-bit samples: a cosine of `amplitude` centred on `bin`.
std::vector<int16_t> Tone(int n, int bin, double amplitude) {
  std::vector<int16_t> block(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i)
    block[static_cast<size_t>(i)] =
        static_cast<int16_t>(std::lround(amplitude * std::cos(2 * M_PI * bin * i / n)));
  return block;
}

// The colour the DIB's table gives a pixel.
uint32_t DibColor(TMMLight& light, int x, int y) {
  TMMDIBCanvas& dib = *light.DIBCanvas();
  const uint32_t index = dibcvtest::RawPixel(dib, dib.PixelBits(), x, y);
  plat::RGBQUAD q{};
  EXPECT_EQ(plat::GetDIBColorTable(dib.Handle(), index, 1, &q), 1u);
  return static_cast<uint32_t>(q.rgbRed) << 16 | q.rgbGreen << 8 | q.rgbBlue;
}

// ---- routines ------------------------------------------------------------------

TEST(MMLightTest, BandMapOfRatesAndLengths) {
  struct Case {
    int rate;
    int length;
    std::array<int32_t, 3> first;
    std::array<int32_t, 3> end;
  };
  const Case cases[] = {
      {11025, 128, {0, 4, 13}, {4, 13, 63}},
      {44100, 2048, {0, 16, 53}, {16, 53, 1023}},
      // Every edge on bin 0: only the bass has bins of its own.
      {44100, 8, {0, -1, -1}, {0, 0, 0}},
      // The middle band falls into the bass's bin; the treble keeps 1..2.
      {8000, 8, {0, -1, 1}, {0, 0, 3}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.rate) + "/" + std::to_string(c.length));
    const TMMLightBands bands = LightBandMap(c.rate, c.length);
    EXPECT_EQ(bands.first, c.first);
    EXPECT_EQ(bands.end, c.end);
    TMMLight light(nullptr);
    light.SetSampleRate(c.rate);
    light.SetFFTLength(c.length);
    EXPECT_EQ(light.Bands().first, c.first);
    EXPECT_EQ(light.Bands().end, c.end);
  }
}

TEST(MMLightTest, BandLevelCountsEachBinOnce) {
  // Bins 4..12 hold 1..9; bin 4 must not count twice.
  std::vector<int32_t> m(64, 0);
  for (int i = 4; i <= 12; ++i) m[static_cast<size_t>(i)] = i - 3;
  m[20] = 7;
  struct Case {
    int32_t first;
    int32_t end;
    TMMLightPeakMode mode;
    int32_t level;
  };
  const Case cases[] = {
      {4, 13, pmPeak, 9},    {4, 13, pmAverage, 5},  // 45 / 9
      {4, 13, pmRMS, 5},                             // sqrt(285 / 9) = 5.63
      {20, 0, pmRMS, 7},                             // a single bin is its own level in every mode
      {20, 0, pmAverage, 7}, {20, 0, pmPeak, 7},    {-1, 0, pmPeak, 0},  // no bins of its own: dark
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.first) + ".." + std::to_string(c.end) + " mode " + std::to_string(c.mode));
    EXPECT_EQ(LightBandLevel(m.data(), c.first, c.end, c.mode), c.level);
  }
}

TEST(MMLightTest, SphereShadesFromRimToCentre) {
  struct Case {
    int32_t z;
    int32_t br;
    double horz;
    double vert;
    int32_t shade;
  };
  const Case cases[] = {
      {0, 255, 1, 1, 42},
      {1, 255, 1, 1, 63},
      {2, 255, 1, 1, 76},
      {10, 255, 1, 1, 144},
      {30, 255, 1, 1, 221},
      {59, 255, 1, 1, 255},
      {59, 128, 1, 1, 128},
      {0, 128, 1, 1, 21},
      {30, 255, 0, 1, 0},
      {30, 255, 1, 0, 0},
      // A huge vertical factor does not overflow: the exact radius's shade.
      {0, 255, 1, 1e30, 46},
      // A tiny horizontal factor pulls every ring to the centre's shade.
      {0, 255, 1e-6, 1, 255},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("z " + std::to_string(c.z) + " br " + std::to_string(c.br));
    EXPECT_EQ(LightShade(c.z, c.br, 60, c.horz, c.vert), c.shade);
  }
}

TEST(MMLightTest, GeometryOfRowColumnAndTriangle) {
  struct Case {
    const char* name;
    int32_t width;
    int32_t height;
    TMMLightArrange arrange;
    int32_t dist;
    int32_t s;
    vcl::TRect area;
    std::array<vcl::TPoint, 3> centre;
  };
  const Case cases[] = {
      {"row", 192, 88, laLine, 10, 27, vcl::Rect(0, 12, 192, 76), {{{32, 44}, {96, 44}, {160, 44}}}},
      {"column", 60, 200, laLine, 10, 25, vcl::Rect(0, 10, 60, 190), {{{30, 40}, {30, 100}, {30, 160}}}},
      {"triangle", 100, 100, laTriangle, 10, 20, vcl::Rect(0, 3, 100, 96), {{{25, 28}, {50, 71}, {75, 28}}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const TMMLightGeometry g = LightGeometry(c.width, c.height, c.arrange, c.dist);
    EXPECT_EQ(g.s, c.s);
    EXPECT_EQ(g.d, c.dist / 2);
    EXPECT_EQ(g.area.left, c.area.left);
    EXPECT_EQ(g.area.top, c.area.top);
    EXPECT_EQ(g.area.right, c.area.right);
    EXPECT_EQ(g.area.bottom, c.area.bottom);
    for (int b = 0; b < 3; ++b) {
      EXPECT_EQ(g.centre[static_cast<size_t>(b)].x, c.centre[static_cast<size_t>(b)].x) << b;
      EXPECT_EQ(g.centre[static_cast<size_t>(b)].y, c.centre[static_cast<size_t>(b)].y) << b;
    }
  }
  // Four times the largest distance must not wrap into a small positive size.
  for (TMMLightArrange arrange : {laLine, laTriangle})
    EXPECT_LE(LightGeometry(192, 88, arrange, std::numeric_limits<int32_t>::max()).s, 0);
}

// ---- refreshes -------------------------------------------------------------------

TEST(MMLightTest, ToneLightsItsBandsLight) {
  struct Case {
    const char* name;
    int bin;
    double amplitude;
    int light;
  };
  // 11025 Hz, 128 points: bass 0..3, middle 4..12, treble 13..62.
  const Case cases[] = {
      {"full-scale bass", 2, 32767, 0}, {"bass at 1000", 3, 1000, 0},
      {"middle at 1000", 8, 1000, 1},   {"middle at 2000", 12, 2000, 1},
      {"treble at 1000", 30, 1000, 2},  {"treble at 1000, bin 13", 13, 1000, 2},
      {"treble at 1200", 62, 1200, 2},  {"treble at 1280 is full", 30, 1280, 2},
  };
  // The middle counts twice and the treble four times at the default gains.
  const double weight[3] = {0.05, 0.1, 0.2};
  TMMLight light(nullptr);
  UseMono16(light, 11025, 128);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<int16_t> block = Tone(128, c.bin, c.amplitude);
    light.RefreshPCMData(block.data());
    const int32_t level = light.LightLevel(c.light);
    EXPECT_NEAR(level, c.amplitude, 2.0);
    for (int b = 0; b < 3; ++b) {
      const int32_t expected =
          b == c.light ? std::min(255, static_cast<int32_t>(weight[b] * level + 1e-6)) : 0;
      EXPECT_EQ(light.LightBrightness(b), expected) << b;
    }
  }
  EXPECT_EQ(light.LightBrightness(2), 255);
  // The treble light's disc shows full yellow, the others black.
  const std::vector<int16_t> block = Tone(128, 30, 32767);
  light.RefreshPCMData(block.data());
  EXPECT_EQ(DibColor(light, 160, 44), 0xFFFF00u);
  EXPECT_EQ(DibColor(light, 32, 44), 0x000000u);
  EXPECT_EQ(DibColor(light, 96, 44), 0x000000u);
  EXPECT_EQ(DibColor(light, 0, 0), 0x000000u);
}

TEST(MMLightTest, MergedBandsStayDarkInsteadOfShowingAnotherBand) {
  TMMLight light(nullptr);
  // 8000 Hz, 8 points: the middle band has no bins; the treble is bins 1..2.
  UseMono16(light, 8000, 8);
  const std::vector<int16_t> treble = Tone(8, 1, 8000);
  light.RefreshPCMData(treble.data());
  EXPECT_EQ(light.LightLevel(1), 0);
  EXPECT_NEAR(light.LightLevel(2), 8000, 2);
  // 44100 Hz: only the bass follows; the others never keep an old level.
  light.SetSampleRate(44100);
  const std::vector<int16_t> dc(8, 4000);
  for (int pass = 0; pass < 2; ++pass) {
    light.RefreshPCMData(pass == 0 ? treble.data() : dc.data());
    EXPECT_EQ(light.LightLevel(1), 0);
    EXPECT_EQ(light.LightLevel(2), 0);
  }
  EXPECT_EQ(light.LightLevel(0), 7998);  // DC counts twice after the halving
}

TEST(MMLightTest, SamplesOfEachWidthAndChannelAndTheirOverflow) {
  struct Case {
    const char* name;
    int bits;
    int channels;
    engine::TMMChannel channel;
    std::vector<int> frame;  // every frame
    int overflows;
    int32_t dc;  // magnitude of bin 0, rectangular window
  };
  const Case cases[] = {
      {"8-bit mono top", 8, 1, engine::chBoth, {255}, 8, 32767},
      {"8-bit stereo both top", 8, 2, engine::chBoth, {255, 255}, 8, 32767},
      {"8-bit stereo right", 8, 2, engine::chRight, {128, 192}, 0, 32766},
      {"16-bit stereo average", 16, 2, engine::chBoth, {32766, 32767}, 8, 32767},
      {"16-bit stereo average below", 16, 2, engine::chBoth, {32765, 32766}, 0, 32767},
      {"16-bit left", 16, 2, engine::chLeft, {-1000, 30000}, 0, 1998},
      {"16-bit mono top", 16, 1, engine::chBoth, {32767}, 8, 32767},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TMMLight light(nullptr);
    int overflows = 0;
    light.OnPcmOverflow = [&](vcl::TObject*) { ++overflows; };
    const plat::WAVEFORMATEX format = Format(c.bits, c.channels, 8000);
    light.SetWaveFormat(&format);
    light.SetFFTLength(8);
    light.SetWindow(engine::fwRectangular);
    light.SetChannel(c.channel);
    ASSERT_EQ(light.BytesPerRefresh(), c.bits / 8 * c.channels * 8);
    std::vector<uint8_t> block;
    for (int i = 0; i < 8; ++i) {
      for (int v : c.frame) {
        if (c.bits == 8) {
          block.push_back(static_cast<uint8_t>(v));
        } else {
          block.push_back(static_cast<uint8_t>(v & 0xFF));
          block.push_back(static_cast<uint8_t>((v >> 8) & 0xFF));
        }
      }
    }
    light.RefreshPCMData(block.data());
    EXPECT_EQ(overflows, c.overflows);
    // A near-full DC term is twice full scale after the scaling: it must
    // saturate, not keep its low 16 bits.
    EXPECT_EQ(light.Magnitudes()[0], c.dc);
  }
}

TEST(MMLightTest, DecayModesAndFactors) {
  TMMLight light(nullptr);
  EXPECT_FLOAT_EQ(light.DecayFactor(), 0.0001f);
  light.SetDecay(1);  // unchanged: the creation factor stays
  EXPECT_FLOAT_EQ(light.DecayFactor(), 0.0001f);
  const double factors[16] = {0.01,    0.1,     0.31623, 0.56234, 0.74989, 0.86596, 0.93057, 0.96466,
                              0.98217, 0.99105, 0.99551, 0.99775, 0.99888, 0.99944, 0.99972, 0.99986};
  for (int decay = 16; decay >= 1; --decay) {
    light.SetDecay(decay);
    EXPECT_NEAR(light.DecayFactor(), factors[decay - 1], 0.000005) << decay;
    EXPECT_EQ(light.RingLength(), std::max(1, (decay - 1) * 2)) << decay;
  }
  light.SetDecay(40);
  EXPECT_EQ(light.Decay(), 16);

  // 8 points at 8000 Hz: bin 1 is the treble band's first bin.
  UseMono16(light, 8000, 8);
  const std::vector<int16_t> loud = Tone(8, 1, 16000);
  const std::vector<int16_t> quiet(8, 0);
  auto bin1 = [&](const std::vector<int16_t>& block) {
    light.RefreshPCMData(block.data());
    return light.Magnitudes()[1];
  };
  struct Case {
    TMMDecayMode mode;
    int32_t decay;
    std::vector<int32_t> after_quiet;  // bin 1 after one loud block, then quiet ones
  };
  const Case cases[] = {
      {dmNone, 2, {0, 0}},
      {dmStepUp, 2, {1600, 160}},             // falls by 0.1 a block
      {dmExponential, 2, {1440, 144}},        // 0.9 x 16000 at once, then x 0.1
      {dmUniform, 3, {8000, 5333, 4000, 0}},  // mean of the last four
      {dmUniform, 1, {0}},                    // a ring of one passes through
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("mode " + std::to_string(c.mode) + " decay " + std::to_string(c.decay));
    light.SetDecayMode(dmNone);
    light.SetDecay(c.decay);
    light.SetDecayMode(c.mode);
    const int32_t first = bin1(loud);
    EXPECT_NEAR(first, c.mode == dmExponential ? 14400 : 16000, 3);
    std::vector<int32_t> seen;
    for (size_t i = 0; i < c.after_quiet.size(); ++i) seen.push_back(bin1(quiet));
    for (size_t i = 0; i < seen.size(); ++i) EXPECT_NEAR(seen[i], c.after_quiet[i], 2) << i;
  }
  // PeakMode changes while running keep the decay history.
  light.SetDecayMode(dmNone);
  light.SetDecay(2);
  light.SetDecayMode(dmStepUp);
  bin1(loud);
  light.SetPeakMode(pmAverage);
  EXPECT_NEAR(bin1(quiet), 1600, 1);
}

// ---- writers, zones and the image ---------------------------------------------------

TEST(MMLightTest, WritersClampTheirValues) {
  TMMLight light(nullptr);
  struct Case {
    const char* name;
    std::function<void()> write;
    std::function<int64_t()> read;
    int64_t expected;
  };
  const Case cases[] = {
      {"FFTLength 3000", [&] { light.SetFFTLength(3000); }, [&] { return light.FFTLength(); }, 2048},
      {"FFTLength 5", [&] { light.SetFFTLength(5); }, [&] { return light.FFTLength(); }, 8},
      {"FFTLength 8192", [&] { light.SetFFTLength(8192); }, [&] { return light.FFTLength(); }, 4096},
      {"SampleRate 200000", [&] { light.SetSampleRate(200000); }, [&] { return light.SampleRate(); }, 100000},
      {"SampleRate 4000", [&] { light.SetSampleRate(4000); }, [&] { return light.SampleRate(); }, 8000},
      {"AmplitudeScale 2000", [&] { light.SetAmplitudeScale(2000); }, [&] { return light.AmplitudeScale(); },
       1000},
      {"GainTreble -5", [&] { light.SetGainTreble(-5); }, [&] { return light.GainTreble(); }, 0},
      {"GainMiddle 37", [&] { light.SetGainMiddle(37); }, [&] { return light.GainMiddle(); }, 37},
      {"TriangleDist 0", [&] { light.SetTriangleDist(0); }, [&] { return light.TriangleDist(); }, 2},
      {"ZoneCount 0", [&] { light.SetZoneCount(0); }, [&] { return light.ZoneCount(); }, 1},
      {"SphereHorz -1", [&] { light.SetSphereHorz(-1); }, [&] { return light.SphereHorz(); }, 0},
      {"SphereVert NaN", [&] { light.SetSphereVert(NAN); }, [&] { return light.SphereVert(); }, 0},
      {"SphereVert 1e30", [&] { light.SetSphereVert(1e30f); }, [&] { return light.SphereVert(); }, 10000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    c.write();
    EXPECT_EQ(c.read(), c.expected);
  }
  // A 16-bit stereo format at 44100 Hz.
  light.SetFFTLength(128);
  const plat::WAVEFORMATEX format = Format(16, 2, 44100);
  light.SetWaveFormat(&format);
  EXPECT_EQ(light.SampleRate(), 44100);
  EXPECT_EQ(light.BytesPerRefresh(), 512);
  plat::WAVEFORMATEX bad = format;
  bad.wBitsPerSample = 12;
  EXPECT_THROW(light.SetWaveFormat(&bad), EMMLightError);
  EXPECT_EQ(light.BytesPerRefresh(), 512);
  // Palette animation changes nothing in a 24-bit DIB.
  EXPECT_THROW(light.SetBitsPerPixel(24), EMMLightError);
  EXPECT_EQ(light.BitsPerPixel(), 8);
}

TEST(MMLightTest, SphereZoneCountStaysWithinTheAnimatedBlock) {
  TMMLight light(nullptr);
  light.SetKind(lkSphere);
  light.SetZoneCount(78);
  EXPECT_EQ(light.DIBCanvas()->AnimatedColorCount(), 234);
  EXPECT_THROW(light.SetZoneCount(79), EMMLightError);
  EXPECT_EQ(light.ZoneCount(), 78);
  // The control can still be laid out and refreshed.
  light.SetBounds(0, 0, 300, 120);
  EXPECT_EQ(light.DIBCanvas()->AnimatedColorCount(), 234);

  // Circles keep any count; switching to spheres brings it into range.
  light.SetKind(lkCircle);
  light.SetZoneCount(500);
  EXPECT_EQ(light.DIBCanvas()->AnimatedColorCount(), 3);
  light.SetKind(lkSphere);
  EXPECT_EQ(light.ZoneCount(), 78);
  EXPECT_EQ(light.DIBCanvas()->AnimatedColorCount(), 234);

  // Lit spheres: the rim is darker than the centre.
  light.SetZoneCount(60);
  UseMono16(light, 11025, 128);
  const std::vector<int16_t> block = Tone(128, 2, 32767);
  light.RefreshPCMData(block.data());
  const vcl::TRect image = light.ImageRect();
  const TMMLightGeometry g = LightGeometry(image.right - image.left, image.bottom - image.top, laLine, 10);
  const vcl::TPoint bass = g.centre[0];
  EXPECT_EQ(DibColor(light, bass.x, bass.y), 0xFF0000u);
  const uint32_t rim = DibColor(light, bass.x - g.s + 1, bass.y);
  EXPECT_EQ(rim & 0xFFFF, 0u);
  EXPECT_GT(rim >> 16, 0u);
  EXPECT_LT(rim >> 16, 128u);
}

TEST(MMLightTest, TooLargeATriangleDistLeavesTheBackgroundInColor) {
  TMMLight light(nullptr);
  light.SetArrange(laTriangle);
  light.SetTriangleDist(std::numeric_limits<int32_t>::max());
  // A new Color redraws the image's background.
  light.SetColor(vcl::clNavy);
  TMMDIBCanvas& dib = *light.DIBCanvas();
  const uint32_t background = dibcvtest::RawPixel(dib, dib.PixelBits(), 0, 0);
  EXPECT_EQ(DibColor(light, 0, 0), Rgb(vcl::clNavy));
  for (int y = 0; y < dib.Height(); ++y)
    for (int x = 0; x < dib.Width(); ++x)
      ASSERT_EQ(dibcvtest::RawPixel(dib, dib.PixelBits(), x, y), background) << x << "," << y;
}

TEST(MMLightTest, DescriptionKeepsThePublishedSettings) {
  RegisterDisplayClasses();
  EXPECT_EQ(vcl::GetClass("TMMLight"), TMMLight::StaticClass());
  TMMLight light(nullptr);
  light.SetName("Light1");
  light.SetKind(lkSphere);
  light.SetZoneCount(20);
  light.SetArrange(laTriangle);
  light.SetSphereHorz(0);
  light.SetGainBass(250);
  light.SetFFTLength(512);
  light.SetPeakMode(pmRMS);
  const std::string text = vcl::WriteFormText(&light);
  EXPECT_NE(text.find("AmplitudeScale = 100"), std::string::npos) << text;
  TMMLight read(nullptr);
  vcl::ReadFormText(&read, text);
  EXPECT_EQ(read.Kind(), lkSphere);
  EXPECT_EQ(read.ZoneCount(), 20);
  EXPECT_EQ(read.Arrange(), laTriangle);
  EXPECT_EQ(read.SphereHorz(), 0.0f);
  EXPECT_EQ(read.SphereVert(), 1.0f);
  EXPECT_EQ(read.GainBass(), 250);
  EXPECT_EQ(read.FFTLength(), 512);
  EXPECT_EQ(read.PeakMode(), pmRMS);
  EXPECT_EQ(read.DIBCanvas()->AnimatedColorCount(), 60);

  // A stored sphere of too many rings loads, brought into range.
  std::string wide = text;
  wide.replace(wide.find("ZoneCount = 20"), 14, "ZoneCount = 79");
  TMMLight loaded(nullptr);
  vcl::ReadFormText(&loaded, wide);
  EXPECT_EQ(loaded.ZoneCount(), 78);
  EXPECT_EQ(loaded.DIBCanvas()->AnimatedColorCount(), 234);
}

// ---- on screen ------------------------------------------------------------------------

class MMLightScreenTest : public displaytest::ScreenTest {
 protected:
  // A light organ at (10, 10) on a white form, 16-bit mono at 11025 Hz.
  TMMLight* ShowLight() {
    auto* light = new TMMLight(NewForm());
    light->SetParent(form_);
    light->SetLeft(2);
    light->SetTop(10);
    UseMono16(*light, 11025, 128);
    ShowForm();
    return light;
  }
};

TEST_F(MMLightScreenTest, RefreshesChangeOnlyTheLightsOnScreen) {
  ASSERT_NE(Screen(), nullptr);
  TMMLight* light = ShowLight();
  // Inside the one-pixel bevel the image starts at (3, 11).
  auto at = [&](vcl::TPoint p) { return At(3 + p.x, 11 + p.y); };
  const vcl::TPoint bass{32, 44}, middle{96, 44}, treble{160, 44};
  EXPECT_EQ(at(bass), 0u);
  EXPECT_EQ(at(treble), 0u);
  const std::vector<int16_t> block = Tone(128, 30, 32767);
  light->RefreshPCMData(block.data());
  EXPECT_EQ(at(treble), 0xFFFF00u);
  EXPECT_EQ(at(middle), 0u);
  EXPECT_EQ(at({0, 0}), 0u);
  // A paint shows the same lights.
  light->Invalidate();
  plat::UpdateWindow(form_->Handle());
  Pump();
  EXPECT_EQ(at(treble), 0xFFFF00u);
  light->ResetData();
  Pump();
  EXPECT_EQ(at(treble), 0u);
}

// A delivering thread refreshes while the main thread resizes and paints;
// the ThreadSanitizer build checks the locking.
TEST_F(MMLightScreenTest, RefreshFromAWorkerWhileResizingAndPainting) {
  ASSERT_NE(Screen(), nullptr);
  TMMLight* light = ShowLight();
  std::atomic<bool> done{false};
  std::thread delivery([&] {
    for (int i = 0; i < 200; ++i) {
      const std::vector<int16_t> block = Tone(128, 1 + i % 60, 100.0 * (i % 300));
      light->RefreshPCMData(block.data());
    }
    done = true;
  });
  for (int i = 0; !done; ++i) {
    light->SetBounds(2, 10, 150 + i % 40, 60 + i % 30);
    light->SetKind(i % 2 ? lkSphere : lkCircle);
    plat::UpdateWindow(form_->Handle());
    Pump();
  }
  delivery.join();
  EXPECT_EQ(light->Canvas()->LockCount(), 0);
}

}  // namespace
