// The oscilloscope: its data conversions, bytes per refresh, layout, levels
// and rows, PointValues, the drawing of the kinds and the Scroll mode in the
// DIB, the writers' limits, the stored form, and on the headless screen the
// selection and read-out with the mouse, ended also by a lost capture.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "displays/DibCanvasTestSupport.h"
#include "displays/DisplayUnits.h"
#include "displays/MMOscope.h"
#include "displays/ScreenTestSupport.h"
#include "engine/MMPCMSup.h"
#include "platform/user/Cursor.h"
#include "platform/vcl/FormReader.h"
#include "platform/vcl/FormWriter.h"

using namespace displays;
using engine::TMMBits;
using engine::TMMChannel;
using engine::TMMMode;

namespace {

// A scope whose drawing pass can run without a window.
class TTestScope : public TMMOscope {
 public:
  using TMMOscope::DrawTrace;
  using TMMOscope::TMMOscope;

  // Refreshes from 16-bit mono points, one per trace point, and draws the pass.
  void Show(const std::vector<int16_t>& points) {
    std::vector<int16_t> data(std::max(static_cast<size_t>(BytesPerRefresh()) / 2, points.size()) + 8, 0);
    std::copy(points.begin(), points.end(), data.begin());
    RefreshPCMData(data.data());
    DrawTrace(false);
  }
  uint32_t Pixel(int x, int y) const {
    return dibcvtest::RawPixel(*DIBCanvas(), DIBCanvas()->PixelBits(), x, y);
  }
  uint32_t Ink(vcl::TColor c) const { return static_cast<uint32_t>(DIBCanvas()->ColorToDIB(c)); }
};

plat::WAVEFORMATEX Format(int bits, int channels, int rate = 44100) {
  plat::WAVEFORMATEX format{};
  engine::BuildPCMFormat(format, bits, channels, rate);
  return format;
}

std::tuple<int, int, int, int> Tuple(const vcl::TRect& r) { return {r.left, r.top, r.right, r.bottom}; }

// A 16-bit mono scope of the given size with the default bevel, 24 bits deep.
void Shape(TTestScope& scope, int width, int height) {
  const auto format = Format(16, 1);
  scope.SetWaveFormat(&format);
  scope.SetBitsPerPixel(24);
  scope.SetBounds(0, 0, width, height);
}

// ---- the data path ---------------------------------------------------------

TEST(MMOscopeDataTest, ConversionsOfChannelsWidthsAndZoom) {
  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
    TMMBits bits;
    TMMMode mode;
    TMMChannel channel;
    int32_t zoom;
    std::vector<int16_t> points;
  };
  auto pcm16 = [](std::vector<int16_t> v) {
    std::vector<uint8_t> b(v.size() * 2);
    std::memcpy(b.data(), v.data(), b.size());
    return b;
  };
  const Case cases[] = {
      {"16-bit stereo mix",
       pcm16({1001, -2000, -3, 0}),
       engine::b16Bit,
       engine::mStereo,
       engine::chBoth,
       1,
       {-499, -1}},
      {"16-bit left",
       pcm16({1001, -2000, -3, 0}),
       engine::b16Bit,
       engine::mStereo,
       engine::chLeft,
       1,
       {1001, -3}},
      {"16-bit right",
       pcm16({1001, -2000, -3, 0}),
       engine::b16Bit,
       engine::mStereo,
       engine::chRight,
       1,
       {-2000, 0}},
      {"16-bit mono ignores the channel",
       pcm16({7, -7}),
       engine::b16Bit,
       engine::mMono,
       engine::chRight,
       1,
       {7, -7}},
      {"8-bit mono", {0, 128, 255}, engine::b8Bit, engine::mMono, engine::chBoth, 1, {-32768, 0, 32512}},
      {"8-bit stereo mix halves the stored bytes",
       {0, 255, 129, 130},
       engine::b8Bit,
       engine::mStereo,
       engine::chBoth,
       1,
       {-256, 256}},
      {"four channels read as two",
       pcm16({10, 20, 30, 40}),
       engine::b16Bit,
       static_cast<TMMMode>(3),
       engine::chRight,
       1,
       {20, 40}},
      {"zoom 3 skips frames",
       pcm16({0, 1, 2, 3, 4, 5, 6, 7, 8, 9}),
       engine::b16Bit,
       engine::mMono,
       engine::chBoth,
       3,
       {0, 3, 6, 9}},
      {"zoom -2 repeats frames",
       pcm16({0, 1, 2}),
       engine::b16Bit,
       engine::mMono,
       engine::chBoth,
       -2,
       {0, 0, 0, 1, 1, 1, 2}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<int16_t> points(c.points.size());
    OscopeConvert(c.bytes.data(), points.data(), static_cast<int32_t>(points.size()), c.bits, c.mode,
                  c.channel, c.zoom);
    EXPECT_EQ(points, c.points);
  }
}

TEST(MMOscopeDataTest, LowPassUsesTheUnfilteredPreviousValue) {
  const std::pair<std::vector<int16_t>, std::vector<int16_t>> cases[] = {
      {{1000, 1000, 1000}, {750, 1000, 1000}},
      {{-1, 0}, {0, 0}},
      {{32767, -32768, 32767}, {24575, -16384, 16383}},
  };
  for (auto [in, out] : cases) {
    OscopeLowPass(in.data(), static_cast<int32_t>(in.size()));
    EXPECT_EQ(in, out);
  }
}

TEST(MMOscopeDataTest, BytesPerRefreshCoverWhatTheTraceReads) {
  EXPECT_EQ(OscopeBytesPerRefresh(4, 495, 1, false, 256), 1980);
  EXPECT_EQ(OscopeBytesPerRefresh(4, 495, 3, false, 256), 5940);
  EXPECT_EQ(OscopeBytesPerRefresh(4, 495, -2, false, 256), 664);
  EXPECT_EQ(OscopeBytesPerRefresh(4, 495, 1, true, 256), 1024);
  // Every frame size, point count and zoom: the frames the points read fit.
  for (int32_t frame : {1, 2, 4})
    for (int32_t count = 4; count <= 2000; ++count)
      for (int32_t z = 1; z <= 9; ++z)
        for (int32_t zoom : {z, -z}) {
          const int32_t last = zoom > 0 ? (count - 1) * zoom : (count - 1) / (-zoom + 1);
          ASSERT_LE(frame * (last + 1), OscopeBytesPerRefresh(frame, count, zoom, false, 1))
              << frame << " " << count << " " << zoom;
        }
  // And the conversion itself stays inside a buffer of exactly that size.
  for (int32_t count : {4, 5, 7, 33, 197})
    for (int32_t zoom : {1, 2, 9, -1, -2, -9}) {
      std::vector<uint8_t> data(static_cast<size_t>(OscopeBytesPerRefresh(4, count, zoom, false, 1)));
      std::vector<int16_t> points(static_cast<size_t>(count));
      OscopeConvert(data.data(), points.data(), count, engine::b16Bit, engine::mStereo, engine::chBoth, zoom);
    }
}

TEST(MMOscopeDataTest, LayoutOfTheAnalyserScopeAndAmpDivisions) {
  TTestScope scope(nullptr);
  const auto format = Format(16, 2);
  scope.SetWaveFormat(&format);
  scope.SetDrawAmpScale(true);
  scope.SetDrawTimeScale(true);
  scope.SetBounds(8, 12, 561, 197);
  EXPECT_EQ(scope.PointCount(), 495);
  EXPECT_EQ(scope.TraceHeight(), 155);
  EXPECT_EQ(Tuple(scope.TraceRect()), Tuple(vcl::Rect(33, 1, 528, 156)));
  EXPECT_EQ(scope.BytesPerRefresh(), 1980);
  // One refresh is 1980 bytes, 11.22 ms, not 11 whole ones; outside the trace 0.
  EXPECT_NEAR(scope.TimeAt({33 + 494, 50}), 11.2245, 1e-3);
  EXPECT_NEAR(scope.TimeAt({33, 50}), 11.2245 / 495, 1e-4);
  EXPECT_EQ(scope.TimeAt({32, 50}), 0);
  EXPECT_EQ(scope.AmplitudeAt({528, 50}), 0);
  scope.SetZoom(3);
  EXPECT_EQ(scope.BytesPerRefresh(), 5940);
  scope.SetZoom(-2);
  EXPECT_EQ(scope.BytesPerRefresh(), 664);
  scope.SetFFTLength(256);
  scope.SetScroll(true);
  EXPECT_EQ(scope.BytesPerRefresh(), 1024);
  // The scales' minimum size.
  scope.SetBounds(0, 0, 10, 10);
  EXPECT_EQ(scope.Width(), 2 + 66);
  EXPECT_EQ(scope.Height(), 2 + 42);

  const std::pair<int, int> divisions[] = {{198, 10}, {155, 10}, {70, 6}, {30, 2}};
  scope.SetDrawAmpScale(false);
  scope.SetDrawTimeScale(false);
  for (auto [height, expected] : divisions) {
    scope.SetBounds(0, 0, 100, height + 2);
    EXPECT_EQ(scope.AmpDivisions(), expected) << height;
  }
}

TEST(MMOscopeDataTest, LevelsRowsAndOverflowEvents) {
  struct Case {
    TMMOscopeKind kind;
    int32_t gain;
    int32_t value;
    int32_t level;
    int32_t row;
    int pcm_overflows;
    int gain_overflows;
  };
  const Case cases[] = {
      {okConLines, 0, 0, 98, 99, 0, 0},      {okConLines, 0, 32767, 197, 0, 1, 0},
      {okConLines, 0, -32768, 0, 197, 0, 0}, {okConLines, 8, 20000, 219, -22, 0, 1},
      {okConLines, -8, 20000, 98, 99, 0, 0}, {okConLines, -8, -32768, 98, 99, 0, 0},
      {okSpikes, 0, 20000, 120, 77, 0, 0},   {okSpikes, 0, -20000, 120, 77, 0, 0},
      {okSpikes, 0, 0, 0, 197, 0, 0},        {okSpikes, 0, -32768, 198, -1, 1, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.kind << " gain " << c.gain << " value " << c.value);
    TTestScope scope(nullptr);
    Shape(scope, 200, 200);
    ASSERT_EQ(scope.TraceHeight(), 198);
    scope.SetKind(c.kind);
    scope.SetGain(c.gain);
    EXPECT_EQ(scope.LevelOf(c.value), c.level);
    EXPECT_EQ(scope.RowOf(c.value), c.row);
    int pcm = 0, gain = 0;
    scope.OnPcmOverflow = [&](vcl::TObject*) { ++pcm; };
    scope.OnGainOverflow = [&](vcl::TObject*) { ++gain; };
    scope.SetSteps(9);
    scope.Show(std::vector<int16_t>(198, static_cast<int16_t>(c.value)));
    // Every point the pass tests: 0, 9, ..., 189 (okConLines leaves out the first).
    const int tested = c.kind == okConLines ? 21 : 22;
    EXPECT_EQ(pcm, c.pcm_overflows * tested);
    EXPECT_EQ(gain, c.gain_overflows * tested);
  }
}

// ---- PointValues -----------------------------------------------------------

TEST(MMOscopePointValuesTest, ValuesOfAKnownTraceInControlCoordinates) {
  TTestScope scope(nullptr);
  Shape(scope, 200, 200);
  scope.SetKind(okConLines);
  ASSERT_EQ(scope.PointCount(), 198);
  ASSERT_EQ(Tuple(scope.TraceRect()), Tuple(vcl::Rect(1, 1, 199, 199)));
  struct Case {
    int16_t sample;
    double value;
  };
  const Case cases[] = {{0, 0.0}, {32767, 1.0}, {-32768, -1.0}, {16384, 0.5051}, {-16384, -0.5051}};
  std::vector<int16_t> points(198, 0);
  for (size_t k = 0; k < std::size(cases); ++k) points[10 + k] = cases[k].sample;
  points[0] = 16384;  // point 0 gives no value
  int news = 0, fulls = 0;
  scope.OnArrayNew = [&](vcl::TObject*) { ++news; };
  scope.OnArrayFull = [&](vcl::TObject*) { ++fulls; };
  scope.Show(points);
  for (size_t k = 0; k < std::size(cases); ++k)
    EXPECT_NEAR(scope.PointValue(static_cast<int32_t>(10 + k)), cases[k].value, 1e-4) << cases[k].sample;
  EXPECT_EQ(news, 1);
  EXPECT_EQ(fulls, 197);
  EXPECT_EQ(scope.PointValue(0), 0.0);
  EXPECT_EQ(scope.PointValue(198), 0.0);
  EXPECT_EQ(scope.PointValue(199), 0.0);

  // Clipped points hold the edge they were clipped to, never 0.
  scope.SetGain(8);
  scope.Show(std::vector<int16_t>(198, 30000));
  EXPECT_NEAR(scope.PointValue(50), 1.0, 1e-6);
  scope.Show(std::vector<int16_t>(198, -30000));
  EXPECT_NEAR(scope.PointValue(50), -1.0, 1e-6);

  // With an effect or in Scroll mode nothing is stored.
  const auto before = scope.PointValues();
  news = fulls = 0;
  scope.SetEffect(efPeak);
  scope.Show(std::vector<int16_t>(198, 1000));
  scope.SetEffect(efNone);
  scope.SetScroll(true);
  scope.Show(std::vector<int16_t>(198, 1000));
  EXPECT_EQ(scope.PointValues(), before);
  EXPECT_EQ(news + fulls, 0);
}

// ---- drawing in the DIB ----------------------------------------------------

TEST(MMOscopeDrawTest, KindsEffectsAndTheDisabledLine) {
  // okConLines with no point after the first: one level segment in InactiveColor.
  {
    TTestScope scope(nullptr);
    Shape(scope, 6, 12);
    scope.SetKind(okConLines);
    scope.SetSteps(9);
    scope.Show({0, 30000, 30000, 30000});
    const int row = scope.RowOf(0);
    for (int x = 0; x < 4; ++x) EXPECT_EQ(scope.Pixel(x, row), scope.Ink(vcl::clTeal)) << x;
    for (int x = 0; x < 4; ++x) EXPECT_EQ(scope.Pixel(x, scope.RowOf(30000)), scope.Ink(vcl::clBlack)) << x;
  }
  // Steps 3: segments to 3, 6, 9 and a level one from the last point onward.
  {
    TTestScope scope(nullptr);
    Shape(scope, 13, 22);  // 11 points, 20 rows
    scope.SetKind(okConLines);
    scope.SetSteps(3);
    std::vector<int16_t> v(11, 0);
    v[9] = 20000;
    scope.Show(v);
    const int high = scope.RowOf(20000);
    EXPECT_EQ(scope.Pixel(9, high), scope.Ink(vcl::clAqua));
    EXPECT_EQ(scope.Pixel(10, high), scope.Ink(vcl::clAqua));
    EXPECT_EQ(scope.Pixel(4, scope.RowOf(0)), scope.Ink(vcl::clAqua));
  }
  // efPeak bars on a 99-row trace: caps only on tips above row 33 or below row 66.
  {
    TTestScope scope(nullptr);
    Shape(scope, 12, 101);
    scope.SetKind(okVertLines);
    scope.SetEffect(efPeak);
    ASSERT_EQ(scope.EffectLow(), 33);
    ASSERT_EQ(scope.EffectHigh(), 66);
    scope.Show({30000, 5000, -30000, 0, 0, 0, 0, 0, 0, 0});
    const uint32_t effect = scope.Ink(vcl::clRed), fg = scope.Ink(vcl::clAqua);
    const int top = scope.RowOf(30000), mid = scope.RowOf(5000), low = scope.RowOf(-30000);
    ASSERT_LT(top, 33);
    ASSERT_GE(mid, 33);
    ASSERT_GT(low, 66);
    EXPECT_EQ(scope.Pixel(0, top), effect);
    EXPECT_EQ(scope.Pixel(0, top + 4), effect);
    EXPECT_EQ(scope.Pixel(0, top + 6), fg);
    EXPECT_EQ(scope.Pixel(1, mid), fg);
    EXPECT_EQ(scope.Pixel(2, low - 4), effect);
    EXPECT_EQ(scope.Pixel(2, low - 6), fg);
  }
  // Disabled: only the DisabledColor line from column 5 to PointCount - 5.
  {
    TTestScope scope(nullptr);
    Shape(scope, 22, 12);  // 20 points, 10 rows
    scope.SetKind(okConLines);
    scope.SetEnabled(false);
    scope.Show(std::vector<int16_t>(20, 30000));
    std::string row;
    for (int x = 0; x < 20; ++x) row += scope.Pixel(x, 5) == scope.Ink(vcl::clGray) ? '#' : '.';
    EXPECT_EQ(row, ".....##########.....");
    for (int y = 0; y < 10; ++y) {
      if (y == 5) continue;
      for (int x = 0; x < 20; ++x) ASSERT_EQ(scope.Pixel(x, y), scope.Ink(vcl::clBlack)) << x << "," << y;
    }
  }
}

TEST(MMOscopeDrawTest, ScrollModeAddsAColumnBehindTheBarThenScrolls) {
  TTestScope scope(nullptr);
  Shape(scope, 102, 22);  // 100 points, 20 rows
  scope.SetKind(okDots);
  scope.SetAccelerate(false);
  scope.SetFFTLength(4);
  scope.SetScroll(true);
  const uint32_t bar = scope.Ink(vcl::clGray), dot = scope.Ink(vcl::clAqua);
  // The first refresh draws column -5 (clipped away) and the bar at column 0.
  scope.Show({0, 0, 0, 0});
  EXPECT_EQ(scope.ScrollColumn(), -4);
  EXPECT_EQ(scope.BarPosition(), 1);
  EXPECT_EQ(scope.Pixel(0, 1), bar);
  EXPECT_EQ(scope.Pixel(0, 0), scope.Ink(vcl::clWhite));  // the top tick
  for (int i = 1; i < 100; ++i) scope.Show({0, 0, 0, 0});
  EXPECT_EQ(scope.BarPosition(), 100);
  EXPECT_EQ(scope.ScrollColumn(), 95);
  // Now each refresh draws at column 95 and the picture moves one left.
  scope.Show({20000, 20000, 20000, 20000});
  const int row = scope.RowOf(20000);
  EXPECT_EQ(scope.Pixel(94, row), dot);
  scope.Show({0, 0, 0, 0});
  EXPECT_EQ(scope.Pixel(93, row), dot);
  EXPECT_EQ(scope.Pixel(94, row), scope.Ink(vcl::clBlack));
  EXPECT_EQ(scope.ScrollColumn(), 95);
}

TEST(MMOscopeDrawTest, ScrollingScopesKeepTheirOwnLastPointAndMarkEachOther) {
  TTestScope a(nullptr), b(nullptr);
  for (TTestScope* s : {&a, &b}) {
    Shape(*s, 102, 42);
    s->SetKind(okConLines);
    s->SetAccelerate(false);
    s->SetFFTLength(4);
    s->SetScroll(true);
  }
  a.DrawTrace(true);
  EXPECT_TRUE(b.FullRepaint());
  EXPECT_FALSE(a.FullRepaint());
  for (int i = 0; i < 10; ++i) a.Show({32767, 32767, 32767, 32767});
  // b's first columns start from its own centre, not from a's top row.
  b.Show({0, 0, 0, 0});
  EXPECT_FALSE(b.FullRepaint());
  for (int x = 0; x < 5; ++x)
    for (int y = 0; y < b.RowOf(0) - 1; ++y) ASSERT_NE(b.Pixel(x, y), b.Ink(vcl::clAqua)) << x << "," << y;
}

// ---- writers and the stored form --------------------------------------------

TEST(MMOscopeWritersTest, LimitsAndFormat) {
  TTestScope scope(nullptr);
  scope.SetFFTLength(1000);
  EXPECT_EQ(scope.FFTLength(), 512);
  scope.SetFFTLength(5000);
  EXPECT_EQ(scope.FFTLength(), 4096);
  scope.SetFFTLength(0);
  EXPECT_EQ(scope.FFTLength(), 1);
  scope.SetSteps(20);
  EXPECT_EQ(scope.Steps(), 9);
  scope.SetSteps(0);
  EXPECT_EQ(scope.Steps(), 1);
  scope.SetZoom(0);
  EXPECT_EQ(scope.Zoom(), 1);
  scope.SetZoom(12);
  EXPECT_EQ(scope.Zoom(), 9);
  scope.SetGain(33);
  scope.SetGain(-9);
  EXPECT_EQ(scope.Gain(), 0);
  scope.SetSampleRate(96000);
  EXPECT_EQ(scope.SampleRate(), 88200);
  scope.SetBarWidth(-3);
  EXPECT_EQ(scope.BarWidth(), 1);
  scope.SetBounds(0, 0, 200, 101);
  scope.SetEffect(efPeak);
  scope.SetEffect(efNone);
  EXPECT_EQ(scope.EffectLow(), 33);

  auto bad = Format(16, 2);
  bad.wBitsPerSample = 12;
  EXPECT_THROW(scope.SetWaveFormat(&bad), EMMOscopeError);
  EXPECT_EQ(scope.BitLength(), engine::b8Bit);
  scope.SetZoom(1);
  const auto four = Format(16, 4);
  scope.SetWaveFormat(&four);
  EXPECT_EQ(scope.Mode(), 3);
  EXPECT_EQ(scope.BytesPerRefresh(), 8 * scope.PointCount());
}

TEST(MMOscopeWritersTest, DescriptionKeepsThePublishedSettings) {
  RegisterDisplayClasses();
  EXPECT_EQ(vcl::GetClass("TMMOscope"), TMMOscope::StaticClass());
  TMMOscope scope(nullptr);
  scope.SetName("Oscope1");
  scope.SetKind(okConLines);
  scope.SetForegroundColor(vcl::clYellow);
  scope.SetDrawAmpScale(true);
  scope.SetFFTLength(256);
  scope.SetZoom(-3);
  const std::string text = vcl::WriteFormText(&scope);
  EXPECT_NE(text.find("Kind = okConLines"), std::string::npos) << text;
  EXPECT_EQ(text.find("Enabled"), std::string::npos) << text;
  TMMOscope copy(nullptr);
  vcl::ReadFormText(&copy, text);
  EXPECT_EQ(copy.Kind(), okConLines);
  EXPECT_EQ(copy.ForegroundColor(), vcl::clYellow);
  EXPECT_TRUE(copy.DrawAmpScale());
  EXPECT_EQ(copy.FFTLength(), 256);
  EXPECT_EQ(copy.Zoom(), -3);
}

// ---- the mouse on the headless screen ---------------------------------------

class MMOscopeScreenTest : public displaytest::ScreenTest {
 protected:
  // A 100-point scope at (10, 10) of a shown form.
  TTestScope* ShowScope(bool amp_scale = false) {
    auto* scope = new TTestScope(NewForm());
    scope->SetParent(form_);
    const auto format = Format(16, 1);
    scope->SetWaveFormat(&format);
    scope->SetDrawAmpScale(amp_scale);
    scope->SetBounds(10, 10, amp_scale ? 166 : 102, 52);
    scope->SetBitsPerPixel(24);
    scope->SetKind(okConLines);
    form_->SetBounds(100, 100, 200, 120);
    ShowForm();
    return scope;
  }
  static plat::LPARAM Pos(int x, int y) { return plat::MAKELPARAM(x, y); }
};

TEST_F(MMOscopeScreenTest, AcceleratedScrollMovesTheScreenLeftOfTheBar) {
  ASSERT_NE(Screen(), nullptr);
  TTestScope* scope = ShowScope();
  scope->SetKind(okDots);
  scope->SetFFTLength(4);
  scope->SetScroll(true);
  ASSERT_TRUE(scope->Accelerate());
  scope->Repaint();
  const vcl::TRect trace = scope->TraceRect();
  const int row = scope->RowOf(20000);
  const uint32_t dot = displaytest::Rgb(vcl::clAqua);
  auto screen = [&](int column) {
    Pump();
    return At(10 + trace.left + column, 10 + trace.top + row);
  };
  for (int i = 0; i < 100; ++i) scope->RefreshPCMData(std::vector<int16_t>(8, 0).data());
  ASSERT_EQ(scope->BarPosition(), 100);
  // The new column goes to the screen at 95, then moves one left a refresh;
  // the bar's columns right of the scrolled area stay.
  scope->RefreshPCMData(std::vector<int16_t>(8, 20000).data());
  EXPECT_EQ(screen(94), dot);
  scope->RefreshPCMData(std::vector<int16_t>(8, 0).data());
  EXPECT_EQ(screen(93), dot);
  EXPECT_NE(screen(94), dot);
  for (int x = 96; x < 100; ++x) EXPECT_NE(screen(x), dot) << x;
}

TEST_F(MMOscopeScreenTest, PaintPutsTheScalesAroundTheTrace) {
  ASSERT_NE(Screen(), nullptr);
  auto* scope = new TTestScope(NewForm());
  scope->SetParent(form_);
  scope->SetDrawAmpScale(true);
  scope->SetDrawTimeScale(true);
  scope->SetBounds(0, 0, 561, 197);
  form_->SetBounds(100, 100, 570, 200);
  ShowForm();
  const vcl::TRect trace = scope->TraceRect();
  ASSERT_EQ(trace.left, 33);
  ASSERT_EQ(trace.bottom, 156);
  const uint32_t white = displaytest::Rgb(vcl::clWhite), black = displaytest::Rgb(vcl::clBlack);
  // The trace's background; the strip between the scale and the bevel in the
  // parent's colour; the left scale's axis; the time scale's base line.
  EXPECT_EQ(At(trace.left + 10, 20), black);
  EXPECT_EQ(At(30, 50), white);
  EXPECT_EQ(At(28, 60), black);
  EXPECT_EQ(At(trace.left + 10, trace.bottom + 4), black);
  EXPECT_EQ(At(trace.left + 10, trace.bottom + 2), white);
  // The right scale mirrors the left one.
  EXPECT_EQ(At(561 - 29, 60), black);
}

TEST_F(MMOscopeScreenTest, SetSelectionClampsOrdersAndDropsEmptySelections) {
  TTestScope* scope = ShowScope();
  struct Case {
    int32_t start, finish, sel_start, sel_end;
  };
  const Case cases[] = {{10, 5, 5, 10}, {7, 7, -1, -1}, {-5, 100 + 9, -1, 100}, {3, 4, 3, 4}};
  for (const Case& c : cases) {
    scope->SetSelection(c.start, c.finish, false);
    EXPECT_EQ(scope->SelStart(), c.sel_start) << c.start << " " << c.finish;
    EXPECT_EQ(scope->SelEnd(), c.sel_end) << c.start << " " << c.finish;
  }
}

TEST_F(MMOscopeScreenTest, RightButtonSelectsAndDragsTheSelection) {
  for (bool amp_scale : {false, true}) {
    SCOPED_TRACE(amp_scale ? "with amplitude scale" : "plain");
    TTestScope* scope = ShowScope(amp_scale);
    scope->SetUseSelection(true);
    const int l = scope->TraceRect().left;
    std::vector<std::string> log;
    scope->OnSelecting = [&](vcl::TObject*, int32_t a, int32_t b) {
      log.push_back("sel " + std::to_string(a) + "," + std::to_string(b));
    };
    scope->OnSelectEnd = [&](vcl::TObject*, int32_t a, int32_t b) {
      log.push_back("end " + std::to_string(a) + "," + std::to_string(b));
    };
    // A click: the selection starts under the cursor and is dropped again.
    scope->Perform(plat::WM_RBUTTONDOWN, plat::MK_RBUTTON, Pos(l + 40, 20));
    EXPECT_TRUE(scope->SelectDragging());
    scope->Perform(plat::WM_RBUTTONUP, 0, Pos(l + 40, 20));
    EXPECT_EQ(log, (std::vector<std::string>{"sel -1,-1", "sel 40,41", "sel -1,-1", "end -1,-1"}));
    EXPECT_FALSE(scope->SelectDragging());
    // Dragging 10..20 from its middle far right stops at the trace's end.
    scope->SetSelection(10, 20, false);
    scope->Perform(plat::WM_RBUTTONDOWN, plat::MK_RBUTTON, Pos(l + 15, 20));
    scope->Perform(plat::WM_MOUSEMOVE, plat::MK_RBUTTON, Pos(l + 400, 20));
    scope->Perform(plat::WM_RBUTTONUP, 0, Pos(l + 400, 20));
    EXPECT_EQ(scope->SelStart(), 89);
    EXPECT_EQ(scope->SelEnd(), 99);
    // Locked: the right button does nothing.
    log.clear();
    scope->SetLocked(true);
    scope->Perform(plat::WM_RBUTTONDOWN, plat::MK_RBUTTON, Pos(l + 5, 20));
    EXPECT_FALSE(scope->SelectDragging());
    EXPECT_TRUE(log.empty());
    delete scope;
  }
}

TEST_F(MMOscopeScreenTest, LostCaptureEndsASelectionDrag) {
  TTestScope* scope = ShowScope();
  scope->SetUseSelection(true);
  std::vector<std::string> ends;
  scope->OnSelectEnd = [&](vcl::TObject*, int32_t a, int32_t b) {
    ends.push_back(std::to_string(a) + "," + std::to_string(b));
  };
  const int l = scope->TraceRect().left;
  scope->Perform(plat::WM_RBUTTONDOWN, plat::MK_RBUTTON, Pos(l + 10, 20));
  scope->Perform(plat::WM_MOUSEMOVE, plat::MK_RBUTTON, Pos(l + 30, 20));
  ASSERT_TRUE(scope->SelectDragging());
  ASSERT_EQ(vcl::GetCaptureControl(), scope);
  // Another window takes the mouse; the release never comes.
  plat::ReleaseCapture();
  EXPECT_FALSE(scope->SelectDragging());
  EXPECT_EQ(ends, std::vector<std::string>{"10,30"});
  // The next press starts a new drag.
  scope->Perform(plat::WM_RBUTTONDOWN, plat::MK_RBUTTON, Pos(l + 50, 20));
  EXPECT_TRUE(scope->SelectDragging());
  scope->Perform(plat::WM_RBUTTONUP, 0, Pos(l + 50, 20));
}

TEST_F(MMOscopeScreenTest, ReadoutBoxFollowsTheCursorAndEndsOnReleaseOrLostCapture) {
  ASSERT_NE(Screen(), nullptr);
  TTestScope* scope = ShowScope();
  scope->SetShowHint(true);
  std::vector<int16_t> flat(100, 0);
  scope->Show(flat);
  const vcl::TRect trace = scope->TraceRect();
  const uint32_t white = 0xFFFFFF;
  auto box_at = [&](int x, int y) { return scope->Pixel(x, y) == white; };

  for (bool lose_capture : {false, true}) {
    SCOPED_TRACE(lose_capture ? "capture lost" : "released");
    // Screen position of the press: the form is at (100, 100), the scope at (10, 10).
    Screen()->InjectMouseMove(plat::POINT{110 + trace.left + 20, 110 + trace.top + 5});
    Screen()->InjectMouseButton(plat::backend::MouseButton::Left, true);
    Pump();
    ASSERT_TRUE(scope->ReadoutActive());
    EXPECT_FALSE(scope->ShowHint());
    plat::RECT clip{};
    plat::GetClipCursor(&clip);
    EXPECT_EQ(clip.left, 110 + trace.left);
    EXPECT_EQ(clip.right, 110 + trace.right);
    // The box hangs 15 pixels below the cursor, from the cursor's column
    // (its edge is black, its inside white).
    EXPECT_TRUE(box_at(21, 21));
    EXPECT_FALSE(box_at(19, 21));
    // Near the right edge the box ends at the trace's right edge; near the
    // bottom it jumps 40 pixels up.
    scope->Perform(plat::WM_MOUSEMOVE, plat::MK_LBUTTON, Pos(trace.left + 97, trace.top + 40));
    EXPECT_TRUE(box_at(98, 40 + 15 - 40 + 1));
    EXPECT_FALSE(box_at(21, 21));
    if (lose_capture) {
      plat::ReleaseCapture();
    } else {
      Screen()->InjectMouseMove(plat::POINT{300, 300});
      Screen()->InjectMouseButton(plat::backend::MouseButton::Left, false);
      Pump();
    }
    EXPECT_FALSE(scope->ReadoutActive());
    EXPECT_TRUE(scope->ShowHint());
    EXPECT_EQ(vcl::GetCaptureControl(), nullptr);
    plat::GetClipCursor(&clip);
    EXPECT_LT(clip.left, 110);
    EXPECT_GT(clip.right, 400);
    // The box is gone from the trace.
    for (int x = 0; x < 100; ++x) ASSERT_FALSE(box_at(x, 16) || box_at(x, 21)) << x;
  }
}

TEST_F(MMOscopeScreenTest, ReadoutNeverPastesPixelsOfAnOlderFrame) {
  TTestScope* scope = ShowScope();
  const vcl::TRect trace = scope->TraceRect();
  const int old_row = scope->RowOf(0), new_row = scope->RowOf(20000);
  scope->Show(std::vector<int16_t>(100, 0));
  // The box (rows 17 on) lies over the old trace.
  scope->Perform(plat::WM_LBUTTONDOWN, plat::MK_LBUTTON, Pos(trace.left + 10, trace.top + 2));
  ASSERT_TRUE(scope->ReadoutActive());
  ASSERT_EQ(scope->Pixel(20, old_row), 0xFFFFFFu);
  // A refresh draws a new frame with the trace elsewhere; then the box moves.
  scope->Show(std::vector<int16_t>(100, 20000));
  scope->Perform(plat::WM_MOUSEMOVE, plat::MK_LBUTTON, Pos(trace.left + 70, trace.top + 2));
  // (The new box, pushed left by the trace's edge, starts further right.)
  for (int x = 10; x < 20; ++x) {
    EXPECT_EQ(scope->Pixel(x, old_row), scope->Ink(vcl::clBlack)) << x;
    EXPECT_EQ(scope->Pixel(x, new_row), scope->Ink(vcl::clAqua)) << x;
  }
  // ResetData ends the read-out as a release would.
  scope->ResetData();
  EXPECT_FALSE(scope->ReadoutActive());
  EXPECT_EQ(vcl::GetCaptureControl(), nullptr);
  plat::RECT clip{};
  plat::GetClipCursor(&clip);
  EXPECT_LT(clip.left, 110);
}

}  // namespace
