// The spectrogram: palettes at their worked entries, the frequency map with
// its top row, bin values, columns with emboss, the writers' limits, the
// format it accepts, column placement with wrap and scroll on the headless
// screen, the selection (clamps, mouse, scale strip) and the read-out, and
// how both end when the control loses the mouse.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <numbers>
#include <string>
#include <thread>
#include <vector>

#include "displays/DibCanvasTestSupport.h"
#include "displays/DisplayUnits.h"
#include "displays/MMSpectrogram.h"
#include "displays/ScreenTestSupport.h"
#include "engine/MMPCMSup.h"
#include "platform/user/Cursor.h"
#include "platform/user/Input.h"
#include "platform/vcl/FormReader.h"
#include "platform/vcl/FormWriter.h"

using namespace displays;

namespace {

plat::WAVEFORMATEX Format(int bits, int channels, int rate) {
  plat::WAVEFORMATEX format{};
  engine::BuildPCMFormat(format, bits, channels, rate);
  return format;
}

// 16-bit mono samples of a sine of `hz` at `rate`, amplitude `amp`.
std::vector<int16_t> Sine(double hz, int rate, int count, double amp = 16000) {
  std::vector<int16_t> s(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i)
    s[static_cast<size_t>(i)] =
        static_cast<int16_t>(std::lround(amp * std::sin(2 * std::numbers::pi * hz * i / rate)));
  return s;
}

// ---- routines -----------------------------------------------------------------

TEST(MMSpectrogramTest, PalettesGiveTheirWorkedEntries) {
  struct Case {
    TMMSpectrogramPalette palette;
    TMMSpectrogramRGB e10, e100, e245;
  };
  const Case cases[] = {
      {spHSV, {0, 0, 255}, {0, 255, 122}, {255, 4, 0}},
      {spThreshold, {0, 0, 0}, {0, 255, 122}, {255, 4, 0}},
      {spBlackWhite, {0, 0, 0}, {97, 97, 97}, {254, 254, 254}},
      {spWhiteBlack, {255, 255, 255}, {158, 158, 158}, {1, 1, 1}},
      {spBone, {0, 0, 0}, {86, 87, 115}, {244, 254, 254}},
      {spCopper, {0, 0, 0}, {119, 75, 48}, {255, 198, 127}},
      {spCool, {0, 255, 255}, {97, 158, 255}, {254, 1, 255}},
      {spHot, {0, 0, 0}, {255, 4, 0}, {255, 255, 250}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.palette));
    EXPECT_EQ(SpectrogramPaletteColor(c.palette, 10), c.e10);
    EXPECT_EQ(SpectrogramPaletteColor(c.palette, 100), c.e100);
    EXPECT_EQ(SpectrogramPaletteColor(c.palette, 245), c.e245);
  }
  // Level 150 (entry 149): 0.78 * 150 lies just below 117 in extended precision.
  EXPECT_EQ(SpectrogramPaletteColor(spCopper, 149).g, 116);
}

TEST(MMSpectrogramTest, FrequencyMapSpreadsBinsOverRowsAndTheTopRowShowsItsOwn) {
  // 64 bins over 100 rows: rows repeating the row below show -1, no ranges.
  std::vector<int32_t> first(100), end(100);
  BuildSpectrogramFrequencyMap(128, 11025, 1, 0, 100, first.data(), end.data());
  int32_t last = -1;
  for (int y = 0; y < 100; ++y) {
    SCOPED_TRACE(y);
    EXPECT_EQ(end[static_cast<size_t>(y)], 0);
    const int32_t bin = static_cast<int32_t>(std::floor(0.01 + y * 64.0 / 100));
    EXPECT_EQ(first[static_cast<size_t>(y)], bin == last ? -1 : bin);
    last = bin;
  }
  // 512 bins over 64 rows: eight bins a row, the top row included.
  first.assign(64, 0);
  end.assign(64, 0);
  BuildSpectrogramFrequencyMap(1024, 44100, 1, 0, 64, first.data(), end.data());
  for (int y = 0; y < 64; ++y) {
    EXPECT_EQ(first[static_cast<size_t>(y)], 8 * y);
    EXPECT_EQ(end[static_cast<size_t>(y)], 8 * y + 8);
  }
}

TEST(MMSpectrogramTest, BinValuesLinearAndLogarithmic) {
  struct Case {
    int32_t re, im;
    bool log_amp;
    int32_t sensitivy;
    int32_t value;
  };
  const Case cases[] = {
      {32765, 0, false, -90, 32775},
      {33, 0, false, -90, 43},
      {0, 0, false, -90, 10},
      {32765, 0, true, -90, 425},
      {3277, 0, true, -90, 333},
      {33, 0, true, -90, 149},
      {3, 0, true, -90, 53},
      {0, 0, true, -90, 10},
      {33, 0, false, -9, 43 - 81},
      {3277, 0, true, -9, 333 - 162},
      {3, 4, false, -90, 15},
      // Both parts at the 16-bit extreme: the loudest bin, not a wrapped sum.
      {-32768, -32768, false, -90, 46350},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.re << "," << c.im << (c.log_amp ? " log " : " lin ") << c.sensitivy);
    EXPECT_EQ(SpectrogramBinValue(c.re, c.im, c.log_amp, 1.0f, c.sensitivy), c.value);
  }
  EXPECT_EQ(SpectrogramBinValue(33, 0, false, 2.0f, -90), 76);
}

// A column of an image 64 rows high over 512 bins (eight a row).
struct Column {
  std::vector<int32_t> first = std::vector<int32_t>(64), end = std::vector<int32_t>(64);
  std::vector<int32_t> values = std::vector<int32_t>(512, 10);
  std::vector<int16_t> history = std::vector<int16_t>(2048);
  std::vector<uint8_t> pixels = std::vector<uint8_t>(64);
  Column() { BuildSpectrogramFrequencyMap(1024, 44100, 1, 0, 64, first.data(), end.data()); }
  void Compose(bool embossed) {
    ComposeSpectrogramColumn(values.data(), first.data(), end.data(), 64, embossed, history.data(),
                             pixels.data());
  }
  // Row 0 is the bottom; the column's entry 0 the top.
  int Row(int y) const { return pixels[static_cast<size_t>(63 - y)]; }
};

TEST(MMSpectrogramTest, ColumnsShowEachRowsLoudestBinAndTheTopRowItsOwn) {
  Column c;
  c.values[8 * 5 + 3] = 90;  // row 5
  c.values[509] = 200;       // the top row's own bin
  c.values[3] = 400;         // clamped to the palette
  c.values[60] = -7;         // row 7, clamped up
  c.Compose(false);
  EXPECT_EQ(c.Row(5), 90);
  EXPECT_EQ(c.Row(63), 200);
  EXPECT_EQ(c.Row(62), 10);
  EXPECT_EQ(c.Row(0), 245);
  EXPECT_EQ(c.Row(7), 10);
}

TEST(MMSpectrogramTest, EmbossComparesWithTheGroupBelowInThePreviousColumn) {
  Column c;
  for (int y = 0; y < 64; ++y) c.values[static_cast<size_t>(8 * y)] = 40 + y;
  c.Compose(true);
  // The history starts zeroed: 0 - value + 118.
  EXPECT_EQ(c.Row(0), 118 - 40);
  c.Compose(true);
  // The bottom group compares with 10, every other one with the row below.
  EXPECT_EQ(c.Row(0), 128 - 40);
  for (int y = 1; y < 64; ++y) EXPECT_EQ(c.Row(y), (40 + y - 1) - (40 + y) + 118) << y;
  // A loud linear value is kept clamped, so the next column sees 245, not a
  // wrapped 16-bit value.
  c.values[0] = 70000;
  c.Compose(true);
  c.values[0] = 40;
  c.Compose(true);
  EXPECT_EQ(c.Row(1), 245 - 41 + 118 > 245 ? 245 : 245 - 41 + 118);
  EXPECT_EQ(c.history[1], 40);
}

TEST(MMSpectrogramTest, FrequencyDivisionsAndScaleLabels) {
  EXPECT_EQ(SpectrogramFreqDivisions(44100, 1, 88), 5);
  EXPECT_EQ(SpectrogramFreqDivisions(44100, 1, 400), 22);
  EXPECT_EQ(SpectrogramFreqDivisions(8000, 1, 4), 1);
  EXPECT_EQ(SpectrogramScaleLabels(44100, 1, 0, 5),
            (std::vector<std::string>{"0", "4", "9", "13", "18", "22"}));
  EXPECT_EQ(SpectrogramScaleLabels(44100, 2, 1000, 2), (std::vector<std::string>{"1.00", "6.01", "11.02"}));
}

// ---- properties and the display protocol ------------------------------------------

TEST(MMSpectrogramTest, WritersClampAndRound) {
  TMMSpectrogram s(nullptr);
  EXPECT_EQ(s.FFTLength(), 128);
  const std::pair<int32_t, int32_t> lengths[] = {{3000, 2048}, {5, 8}, {8192, 4096}, {1000, 512}};
  for (auto [in, out] : lengths) {
    s.SetFFTLength(in);
    EXPECT_EQ(s.FFTLength(), out) << in;
  }
  s.SetSampleRate(200000);
  EXPECT_EQ(s.SampleRate(), 100000);
  s.SetFrequencyScale(0);
  EXPECT_EQ(s.FrequencyScale(), 1);
  s.SetSensitivy(0);
  EXPECT_EQ(s.Sensitivy(), -9);
  s.SetAmplitudeScale(2000);
  EXPECT_EQ(s.AmplitudeScale(), 1000);
  s.SetBarWidth(-3);
  EXPECT_EQ(s.BarWidth(), 0);
}

TEST(MMSpectrogramTest, FrequencyBaseIsLimitedSoTheAxisNeverInverts) {
  TMMSpectrogram s(nullptr);
  s.SetSampleRate(11025);
  s.SetFrequencyBase(10000);
  EXPECT_FLOAT_EQ(s.FrequencyBaseValue(), 4512.5f);
  EXPECT_EQ(s.FrequencyBase(), 4512);
  // At scale 4 the image tops at 5512.5 Hz of 44100: the base stays below.
  s.SetSampleRate(44100);
  s.SetFrequencyScale(4);
  s.SetFFTLength(1024);
  s.SetFrequencyBase(9000);
  EXPECT_LT(s.FrequencyBaseValue(), 44100 / 8.0f);
  const std::vector<int32_t> first = s.RowFirstBin();
  int32_t last = -1;
  for (int32_t b : first) {
    if (b < 0) continue;
    EXPECT_GT(b, last);
    last = b;
  }
  const vcl::TRect r = s.ImageRect();
  EXPECT_GT(s.FrequencyAt(vcl::TPoint{r.left, r.top}), s.FrequencyAt(vcl::TPoint{r.left, r.bottom - 1}));
}

TEST(MMSpectrogramTest, TakesValidFormatsOnly) {
  TMMSpectrogram s(nullptr);
  plat::WAVEFORMATEX f = Format(16, 2, 44100);
  s.SetWaveFormat(&f);
  EXPECT_EQ(s.BitLength(), engine::b16Bit);
  EXPECT_EQ(s.Mode(), engine::mStereo);
  EXPECT_EQ(s.SampleRate(), 44100);
  EXPECT_EQ(s.BytesPerRefresh(), 512);
  plat::WAVEFORMATEX bad = Format(16, 2, 22050);
  bad.wBitsPerSample = 12;
  EXPECT_THROW(s.SetWaveFormat(&bad), EMMSpectrogramError);
  EXPECT_EQ(s.SampleRate(), 44100);
  EXPECT_EQ(s.BytesPerRefresh(), 512);
}

TEST(MMSpectrogramTest, DescriptionKeepsThePublishedSettingsAndBuildsThePaletteOnLoad) {
  RegisterDisplayClasses();
  EXPECT_EQ(vcl::GetClass("TMMSpectrogram"), TMMSpectrogram::StaticClass());
  TMMSpectrogram s(nullptr);
  s.SetName("Spectrogram1");
  s.SetPaletteTyp(spBone);
  s.SetFFTLength(1024);
  s.SetSampleRate(44100);
  s.SetFrequencyScale(2);
  s.SetFrequencyBase(700);
  s.SetDrawScale(true);
  s.SetEmbossed(true);
  s.SetGain(sgr12db);
  s.SetBarColor(vcl::clLime);
  const std::string text = vcl::WriteFormText(&s);
  TMMSpectrogram read(nullptr);
  vcl::ReadFormText(&read, text);
  EXPECT_EQ(read.PaletteTyp(), spBone);
  EXPECT_EQ(read.FFTLength(), 1024);
  EXPECT_EQ(read.FrequencyScale(), 2);
  EXPECT_EQ(read.FrequencyBase(), 700);
  EXPECT_TRUE(read.DrawScale());
  EXPECT_TRUE(read.Embossed());
  EXPECT_EQ(read.Gain(), sgr12db);
  EXPECT_EQ(read.BarColor(), vcl::clLime);
  EXPECT_EQ(read.Cursor(), vcl::crCross);
  EXPECT_EQ(text.find("Sensitivy"), std::string::npos) << text;
  // Loaded built the map and the palette of the stored settings.
  EXPECT_EQ(read.RowFirstBin(), s.RowFirstBin());
  plat::PALETTEENTRY entry{};
  ASSERT_EQ(plat::GetPaletteEntries(read.DIBCanvas()->Palette(), 100, 1, &entry), 1u);
  EXPECT_EQ((TMMSpectrogramRGB{entry.peRed, entry.peGreen, entry.peBlue}), (TMMSpectrogramRGB{86, 87, 115}));
}

// ---- on the headless screen ----------------------------------------------------

class MMSpectrogramScreenTest : public displaytest::ScreenTest {
 protected:
  // Records the screen scrolls instead of doing them.
  class TRecordingSpectrogram : public TMMSpectrogram {
   public:
    using TMMSpectrogram::TMMSpectrogram;
    std::vector<plat::RECT> scrolls;

   protected:
    void ScrollScreen(const plat::RECT& rect) override {
      scrolls.push_back(rect);
      TMMSpectrogram::ScrollScreen(rect);
    }
  };

  // At (10, 10) with a 100 x 50 image inside the one-pixel bevel, 16-bit
  // mono at 11025 Hz, FFT 128, shown.
  TRecordingSpectrogram* Show(int width = 102, int height = 52) {
    auto* s = new TRecordingSpectrogram(NewForm());
    s->SetParent(form_);
    s->SetBounds(10, 10, width, height);
    plat::WAVEFORMATEX f = Format(16, 1, 11025);
    s->SetWaveFormat(&f);
    ShowForm();
    return s;
  }

  void Refresh(TMMSpectrogram* s, int times = 1) {
    const std::vector<int16_t> block = Sine(2000, 11025, 4096);
    for (int i = 0; i < times; ++i) s->RefreshPCMData(block.data());
  }

  // The palette index of DIB pixel (x, y) of the image.
  static int Dib(TMMSpectrogram* s, int x, int y) {
    return static_cast<int>(dibcvtest::RawPixel(*s->DIBCanvas(), s->DIBCanvas()->PixelBits(), x, y));
  }

  void Mouse(TMMSpectrogram* s, plat::UINT msg, int x, int y) {
    s->Perform(msg, 0, plat::MAKELPARAM(static_cast<plat::WORD>(x), static_cast<plat::WORD>(y)));
  }
};

TEST_F(MMSpectrogramScreenTest, ASineLightsItsBinAndOverflowsAreCounted) {
  TRecordingSpectrogram* s = Show();
  s->SetLogAmp(true);
  // Bin 16 of 128 points at 11025 Hz.
  const std::vector<int16_t> tone = Sine(16 * 11025.0 / 128, 11025, 128);
  s->RefreshPCMData(tone.data());
  const std::vector<int32_t> bins = s->BinValues();
  EXPECT_EQ(std::max_element(bins.begin(), bins.end()) - bins.begin(), 16);
  int overflows = 0;
  s->OnPcmOverflow = [&](vcl::TObject*) { ++overflows; };
  const std::vector<int16_t> full(128, 32767);
  s->RefreshPCMData(full.data());
  EXPECT_EQ(overflows, 128);
  // A first difference of a constant block is zero in every channel mode.
  s->SetGain(sgr6db);
  plat::WAVEFORMATEX stereo = Format(16, 2, 11025);
  s->SetWaveFormat(&stereo);
  for (engine::TMMChannel ch : {engine::chBoth, engine::chLeft, engine::chRight}) {
    s->SetChannel(ch);
    const std::vector<int16_t> constant(256, 20000);
    s->RefreshPCMData(constant.data());
    for (int32_t v : s->BinValues()) ASSERT_EQ(v, 10) << ch;
  }
}

TEST_F(MMSpectrogramScreenTest, ColumnsFollowTheBarAndWrap) {
  TRecordingSpectrogram* s = Show();
  ASSERT_EQ(s->ImageWidth(), 100);
  ASSERT_EQ(s->ImageHeight(), 50);
  // The paint's full pass started over at -5 and advanced once.
  EXPECT_EQ(s->ScrollColumn(), -4);
  EXPECT_EQ(s->BarPosition(), 1);
  Refresh(s, 4);
  EXPECT_EQ(s->ScrollColumn(), 0);
  const int bin_row = static_cast<int>(std::floor(2000.0 / 11025 * 128 * 50 / 64));
  EXPECT_EQ(Dib(s, 0, 49 - bin_row), 10);
  Refresh(s);
  EXPECT_GT(Dib(s, 0, 49 - bin_row), 10);
  Refresh(s, 94);
  EXPECT_EQ(s->ScrollColumn(), 95);
  EXPECT_EQ(s->BarPosition(), 0);
  EXPECT_TRUE(s->scrolls.empty());
}

TEST_F(MMSpectrogramScreenTest, ScrollModeDrawsAtTheRightAndScrollsTheScreen) {
  struct Case {
    int bar_width;
    bool scale;
  };
  for (Case c : {Case{5, false}, Case{0, false}, Case{5, true}}) {
    SCOPED_TRACE(testing::Message() << c.bar_width << (c.scale ? " scale" : ""));
    TRecordingSpectrogram* s = Show(c.scale ? 166 : 102);
    s->SetScroll(true);
    s->SetBarWidth(c.bar_width);
    s->SetDrawScale(c.scale);
    plat::UpdateWindow(form_->Handle());
    Pump();
    ASSERT_EQ(s->ImageWidth(), 100);
    Refresh(s, 99);
    EXPECT_TRUE(s->scrolls.empty());
    Refresh(s, 2);
    EXPECT_EQ(s->ScrollColumn(), 100 - c.bar_width);
    ASSERT_EQ(s->scrolls.size(), 2u);
    const int left = 10 + 1 + (c.scale ? 32 : 0);
    EXPECT_EQ(s->scrolls[0].left, left);
    EXPECT_EQ(s->scrolls[0].top, 11);
    EXPECT_EQ(s->scrolls[0].right, left + 100 - std::max(c.bar_width - 1, 0));
    EXPECT_EQ(s->scrolls[0].bottom, 61);
    delete s;
  }
}

TEST_F(MMSpectrogramScreenTest, ScrollWithoutAccelerateMovesTheDibImage) {
  TRecordingSpectrogram* s = Show();
  s->SetScroll(true);
  s->SetAccelerate(false);
  plat::UpdateWindow(form_->Handle());
  Pump();
  const int bin_row = static_cast<int>(std::floor(2000.0 / 11025 * 128 * 50 / 64));
  Refresh(s, 100);
  const int lit = Dib(s, 90, 49 - bin_row);
  EXPECT_GT(lit, 10);
  // An empty block: the next column is dark and the image moves left.
  const std::vector<int16_t> silence(128, 0);
  s->RefreshPCMData(silence.data());
  EXPECT_EQ(Dib(s, 94, 49 - bin_row), 10);
  EXPECT_EQ(Dib(s, 93, 49 - bin_row), lit);
  EXPECT_TRUE(s->scrolls.empty());
}

TEST_F(MMSpectrogramScreenTest, ResetClearsTheEmbossHistory) {
  TRecordingSpectrogram* s = Show();
  s->SetEmbossed(true);
  // With a one-column bar the first refresh after a restart draws column 0.
  s->SetBarWidth(1);
  plat::UpdateWindow(form_->Handle());
  Pump();
  Refresh(s, 10);
  s->ResetData();
  // Like the first column ever, it compares with a zeroed history rather
  // than with the 10 the last column left for the bottom group.
  Refresh(s);
  const int32_t bottom = s->BinValues()[0];
  EXPECT_EQ(Dib(s, 0, 49), std::clamp(118 - bottom, 10, 245));
  EXPECT_NE(std::clamp(118 - bottom, 10, 245), std::clamp(128 - bottom, 10, 245));
}

TEST_F(MMSpectrogramScreenTest, AFullPassStartsTheOthersOverAtTheirNextRefresh) {
  TRecordingSpectrogram* first = Show();
  auto* second = new TMMSpectrogram(form_);
  second->SetParent(form_);
  second->SetBounds(10, 64, 102, 52);
  plat::WAVEFORMATEX f = Format(16, 1, 11025);
  second->SetWaveFormat(&f);
  plat::UpdateWindow(form_->Handle());
  Pump();
  Refresh(first, 10);
  Refresh(second, 10);
  ASSERT_EQ(second->ScrollColumn(), 6);
  const int bin_row = static_cast<int>(std::floor(2000.0 / 11025 * 128 * 50 / 64));
  ASSERT_GT(Dib(second, 3, 49 - bin_row), 10);
  // Only the first repaints; the second starts over at its next refresh,
  // without sending the first back to the start.
  first->Refresh();
  EXPECT_EQ(first->ScrollColumn(), -4);
  Refresh(second);
  EXPECT_EQ(second->ScrollColumn(), -4);
  EXPECT_EQ(Dib(second, 3, 49 - bin_row), 10);
  Refresh(first, 2);
  EXPECT_EQ(first->ScrollColumn(), -2);
}

TEST_F(MMSpectrogramScreenTest, TheSelectionIsShownButNeverLeftInTheImage) {
  TRecordingSpectrogram* s = Show();
  s->SetAccelerate(false);
  s->SetSelection(10, 20, true);
  Pump();
  Refresh(s, 3);
  // Column 15 was never drawn by a refresh: the image still holds the
  // background there, and the screen shows it inverted under the selection.
  EXPECT_EQ(Dib(s, 15, 10), 10);
  EXPECT_NE(At(10 + 1 + 15, 10 + 1 + 10), At(10 + 1 + 50, 10 + 1 + 10));
  Refresh(s);
  EXPECT_EQ(Dib(s, 15, 10), 10);
}

TEST_F(MMSpectrogramScreenTest, SetSelectionClamps) {
  TRecordingSpectrogram* s = Show();
  struct Case {
    int32_t start, finish, sel_start, sel_end;
  };
  const Case cases[] = {{10, 5, 5, 10}, {7, 7, -1, -1}, {-5, 109, -1, 100}, {30, 31, 30, 31}};
  for (const Case& c : cases) {
    s->SetSelection(c.start, c.finish, false);
    EXPECT_EQ(s->SelStart(), c.sel_start) << c.start;
    EXPECT_EQ(s->SelEnd(), c.sel_end) << c.start;
  }
}

TEST_F(MMSpectrogramScreenTest, RightButtonSelects) {
  TRecordingSpectrogram* s = Show();
  s->SetUseSelection(true);
  std::vector<std::string> events;
  s->OnSelecting = [&](vcl::TObject*, int32_t a, int32_t b) {
    events.push_back("sel " + std::to_string(a) + " " + std::to_string(b));
  };
  s->OnSelectEnd = [&](vcl::TObject*, int32_t a, int32_t b) {
    events.push_back("end " + std::to_string(a) + " " + std::to_string(b));
  };
  // A click without a drag: no selection is left.
  Mouse(s, plat::WM_RBUTTONDOWN, 1 + 40, 20);
  Mouse(s, plat::WM_RBUTTONUP, 1 + 40, 20);
  EXPECT_EQ(events, (std::vector<std::string>{"sel -1 -1", "sel 40 41", "sel -1 -1", "end -1 -1"}));
  EXPECT_FALSE(s->SelectDragging());
  // Moving 10..20 from its middle far to the right stops at the edge.
  s->SetSelection(10, 20, false);
  Mouse(s, plat::WM_RBUTTONDOWN, 1 + 15, 20);
  Mouse(s, plat::WM_MOUSEMOVE, 500, 20);
  Mouse(s, plat::WM_RBUTTONUP, 500, 20);
  EXPECT_EQ(s->SelStart(), 89);
  EXPECT_EQ(s->SelEnd(), 99);
  // Locked: the right button does nothing.
  s->SetLocked(true);
  events.clear();
  Mouse(s, plat::WM_RBUTTONDOWN, 1 + 50, 20);
  EXPECT_FALSE(s->SelectDragging());
  EXPECT_TRUE(events.empty());
}

TEST_F(MMSpectrogramScreenTest, SelectionStartsUnderTheCursorBesideAScale) {
  TRecordingSpectrogram* s = Show(166);
  s->SetDrawScale(true);
  s->SetUseSelection(true);
  ASSERT_EQ(s->ImageRect().left, 33);
  Mouse(s, plat::WM_RBUTTONDOWN, 33 + 42, 20);
  Mouse(s, plat::WM_MOUSEMOVE, 33 + 50, 20);
  Mouse(s, plat::WM_RBUTTONUP, 33 + 50, 20);
  EXPECT_EQ(s->SelStart(), 42);
  EXPECT_EQ(s->SelEnd(), 50);
}

TEST_F(MMSpectrogramScreenTest, ReadoutShowsABoxAndTakesItAwayExactly) {
  TRecordingSpectrogram* s = Show();
  Refresh(s, 20);
  s->SetShowHint(true);
  // The image on screen starts at (11, 11) of the form.
  std::vector<uint32_t> shown;
  for (int y = 11; y < 61; ++y)
    for (int x = 11; x < 111; ++x) shown.push_back(At(x, y));
  Mouse(s, plat::WM_LBUTTONDOWN, 1 + 30, 1 + 10);
  EXPECT_TRUE(s->ReadoutActive());
  EXPECT_FALSE(s->ShowHint());
  ASSERT_TRUE(Screen()->CursorClip().has_value());
  const plat::RECT clip = *Screen()->CursorClip();
  EXPECT_EQ(clip.right - clip.left, 100);
  EXPECT_EQ(clip.bottom - clip.top, 50);
  // The box hangs 15 pixels below the cursor: white inside its frame.
  EXPECT_EQ(At(11 + 31, 11 + 25 + 3), 0xFFFFFFu);
  // Refreshes leave the image alone while the button is held.
  const int column = s->ScrollColumn();
  Refresh(s, 3);
  EXPECT_EQ(s->ScrollColumn(), column);
  // Near the right edge the box ends at the image's edge; near the bottom it
  // jumps 40 pixels up. The first box is gone.
  Mouse(s, plat::WM_MOUSEMOVE, 1 + 99, 1 + 45);
  EXPECT_EQ(At(11 + 98, 11 + 20 + 3), 0xFFFFFFu);
  EXPECT_EQ(At(11 + 99, 11 + 20 + 3), 0u);
  EXPECT_NE(At(11 + 31, 11 + 25 + 3), 0xFFFFFFu);
  Mouse(s, plat::WM_LBUTTONUP, 1 + 99, 1 + 45);
  EXPECT_FALSE(s->ReadoutActive());
  EXPECT_TRUE(s->ShowHint());
  EXPECT_FALSE(Screen()->CursorClip().has_value());
  // What the user saw before is back, pixel for pixel.
  size_t i = 0;
  int differ = 0;
  for (int y = 11; y < 61; ++y)
    for (int x = 11; x < 111; ++x) differ += At(x, y) != shown[i++];
  EXPECT_EQ(differ, 0);
}

TEST_F(MMSpectrogramScreenTest, ACancelledMouseEndsReadoutAndDrag) {
  TRecordingSpectrogram* s = Show();
  auto* other = new vcl::TPanel(form_);
  other->SetParent(form_);
  other->SetBounds(150, 80, 20, 20);
  Pump();
  // A read-out, then a press on another control takes the mouse away.
  Mouse(s, plat::WM_LBUTTONDOWN, 1 + 30, 1 + 10);
  ASSERT_TRUE(s->ReadoutActive());
  other->Perform(plat::WM_LBUTTONDOWN, 0, plat::MAKELPARAM(5, 5));
  other->Perform(plat::WM_LBUTTONUP, 0, plat::MAKELPARAM(5, 5));
  EXPECT_FALSE(s->ReadoutActive());
  EXPECT_FALSE(Screen()->CursorClip().has_value());
  const int column = s->ScrollColumn();
  Refresh(s);
  EXPECT_EQ(s->ScrollColumn(), column + 1);
  // A selection drag ends the same way, and a new one can start.
  s->SetUseSelection(true);
  int ends = 0;
  s->OnSelectEnd = [&](vcl::TObject*, int32_t, int32_t) { ++ends; };
  Mouse(s, plat::WM_RBUTTONDOWN, 1 + 20, 20);
  Mouse(s, plat::WM_MOUSEMOVE, 1 + 30, 20);
  ASSERT_TRUE(s->SelectDragging());
  other->Perform(plat::WM_LBUTTONDOWN, 0, plat::MAKELPARAM(5, 5));
  other->Perform(plat::WM_LBUTTONUP, 0, plat::MAKELPARAM(5, 5));
  EXPECT_FALSE(s->SelectDragging());
  EXPECT_EQ(ends, 1);
  EXPECT_EQ(s->SelStart(), 20);
  EXPECT_EQ(s->SelEnd(), 30);
  Mouse(s, plat::WM_RBUTTONDOWN, 1 + 60, 20);
  EXPECT_TRUE(s->SelectDragging());
  Mouse(s, plat::WM_RBUTTONUP, 1 + 60, 20);
}

TEST_F(MMSpectrogramScreenTest, ALostCaptureEndsReadoutAndDrag) {
  TRecordingSpectrogram* s = Show();
  vcl::TForm* first = form_;
  vcl::TForm* other = NewForm();
  other->SetBounds(400, 100, 50, 50);
  ShowForm();
  // Capture taken by another window.
  Mouse(s, plat::WM_LBUTTONDOWN, 1 + 30, 1 + 10);
  ASSERT_TRUE(s->ReadoutActive());
  ASSERT_TRUE(Screen()->CursorClip().has_value());
  plat::SetCapture(other->Handle());
  Pump();
  EXPECT_FALSE(s->ReadoutActive());
  EXPECT_FALSE(Screen()->CursorClip().has_value());
  plat::ReleaseCapture();
  // Capture released behind the control's back, in a drag.
  s->SetUseSelection(true);
  int ends = 0;
  s->OnSelectEnd = [&](vcl::TObject*, int32_t, int32_t) { ++ends; };
  Mouse(s, plat::WM_RBUTTONDOWN, 1 + 20, 20);
  ASSERT_TRUE(s->SelectDragging());
  ASSERT_EQ(plat::GetCapture(), first->Handle());
  plat::ReleaseCapture();
  Pump();
  EXPECT_FALSE(s->SelectDragging());
  EXPECT_EQ(ends, 1);
  // The next press starts a new one.
  Mouse(s, plat::WM_RBUTTONDOWN, 1 + 60, 20);
  EXPECT_TRUE(s->SelectDragging());
}

TEST_F(MMSpectrogramScreenTest, RefreshesFromAWorkerWhileTheMainThreadPaintsAndRebuilds) {
  TRecordingSpectrogram* s = Show();
  s->SetScroll(true);
  std::atomic<bool> done{false};
  std::thread delivery([&] {
    const std::vector<int16_t> block = Sine(3000, 11025, 4096);
    for (int i = 0; i < 300; ++i) s->RefreshPCMData(block.data());
    done = true;
  });
  for (int round = 0; !done; ++round) {
    s->SetFFTLength(round % 2 ? 256 : 64);
    s->SetFrequencyBase(round % 3 * 500);
    s->SetEmbossed(round % 4 == 0);
    s->SetAccelerate(round % 5 != 0);
    if (round % 7 == 0) s->SetBounds(10, 10, 102 + round % 20, 52);
    s->Invalidate();
    plat::UpdateWindow(form_->Handle());
    Pump();
  }
  delivery.join();
  EXPECT_EQ(s->Canvas()->LockCount(), 0);
  EXPECT_LE(s->ScrollColumn(), s->ImageWidth());
}

}  // namespace
