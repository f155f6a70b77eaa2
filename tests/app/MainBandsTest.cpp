// The main window's display modes on the virtual loopback pair: a generator
// plays into the loopback output, the window's input hears it, and each
// refresh pass of the first connector builds the spectrum's bands from the
// first peak detector's maxima.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/MainWindowFixture.h"
#include "engine/MMFXGen.h"
#include "engine/MMWavOut.h"

namespace {

using app::TFrmMain;

class MainBandsTest : public mainwindow::LoopbackToneTest {
 protected:
  static plat::backend::HeadlessBackend* Screen() {
    return dynamic_cast<plat::backend::HeadlessBackend*>(&plat::backend::Current());
  }

  // Starts the window and counts its band passes.
  void StartWindow() {
    Start();
    w_ = app::FrmMain;
    auto pass = w_->MMConnector1->OnTrigger;
    ASSERT_TRUE(pass);
    w_->MMConnector1->OnTrigger = [this, pass](vcl::TObject* sender) {
      pass(sender);
      ++passes_;
      if (on_pass_) on_pass_();
    };
  }

  void Play(double hz) {
    generator_.SetFrequency(static_cast<float>(hz));
    if (!(tone_.State() & engine::TMMWaveOut::kStarted)) tone_.Start();
  }

  // The band of the largest value the last pass computed; the first of equal ones.
  int32_t LoudestBand() const {
    int32_t m = 0;
    for (int32_t i = 1; i <= w_->Bands().Count(); ++i)
      if (w_->Bands().Acc(i) > w_->Bands().Acc(m)) m = i;
    return m;
  }

  // Serves the window until `count` passes have run.
  bool Passes(int count) {
    const int64_t until = passes_ + count;
    return Await([&] { return passes_ >= until; }, 10000);
  }

  // Input buffers enough to fill the band detector's long transform, and one
  // more: after as many delivered since the tone changed, the transform holds
  // the tone alone, no buffer from before it, whose onset would spread over
  // the neighbours.
  int TransformBuffers() const {
    const int32_t frames = w_->MMWaveIn1->BufferSize() / 4;  // 16-bit stereo
    return static_cast<int>((w_->MMPeakDetect1->FFTLength() + frames - 1) / frames) + 1;
  }

  // Serves the window until `band` was the loudest after each of that many
  // input buffers running, all delivered after the call. Passes between
  // buffers read the same analysis again and do not count, however soon they
  // follow each other.
  bool Hears(int32_t band) {
    const int needed = TransformBuffers();
    int run = 0;
    int64_t analysed = w_->MMWaveIn1->BytesRecorded();
    on_pass_ = [&] {
      const int64_t recorded = w_->MMWaveIn1->BytesRecorded();
      if (recorded == analysed) return;
      analysed = recorded;
      run = LoudestBand() == band ? run + 1 : 0;
    };
    const bool heard = Await([&] { return run >= needed; }, 15000);
    on_pass_ = nullptr;
    return heard;
  }

  // Applies a display mode, also the one in force: the held bands start over.
  void Mode(int index) {
    if (w_->rg_octave->ItemIndex() == index)
      w_->rg_octaveClick(w_->rg_octave);
    else
      w_->rg_octave->SetItemIndex(index);
  }

  int32_t Shown(int32_t band) const { return w_->MMSpectrum1->DisplayValue(band); }

  TFrmMain* w_ = nullptr;
  int64_t passes_ = 0;
  std::function<void()> on_pass_;
};

TEST_F(MainBandsTest, ToneLightsItsBandWithNeighboursFortyDecibelsLowerAndNamesItInThePeakLabel) {
  StartWindow();
  const struct {
    const char* what;
    int mode;
    double hz;
    int32_t band;
    float label;
    bool neighbours_40db_lower;
  } cases[] = {
      {"1 kHz, 1/3 octave", 0, 1000, 17, 1000, true},
      {"1 kHz, 1/12 octave", 2, 1000, 70, 1000, true},
      {"1 kHz, 1/24 octave", 3, 1000, 141, 1008, false},  // the band's own centre
      {"1100 Hz between the third-octave centres", 0, 1100, 18, 1250, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Play(c.hz);
    Mode(c.mode);
    ASSERT_TRUE(Hears(c.band)) << "loudest band " << LoudestBand();
    Mode(c.mode);
    ASSERT_TRUE(Passes(2));
    const int32_t n = w_->Bands().Count();
    const int32_t v = Shown(c.band);
    EXPECT_GT(v, 32767 * 120 / 20);
    for (int32_t i = 0; i <= n; ++i)
      if (i != c.band) {
        ASSERT_LT(Shown(i), v) << "band " << i;
      }
    if (c.neighbours_40db_lower) {
      EXPECT_LE(Shown(c.band - 1) * 100, v);
      EXPECT_LE(Shown(c.band + 1) * 100, v);
    }
    EXPECT_TRUE(w_->MMSpectrum1->ExternPeakFreq());
    EXPECT_EQ(w_->MMSpectrum1->ExternPeakValue(), c.label);
    const std::string label = vcl::Format("%0.1f Hz", {static_cast<double>(c.label)});
    EXPECT_TRUE(Await([&] { return w_->MMSpectrum1->PeakLabel() == label; })) << w_->MMSpectrum1->PeakLabel();
  }
  EXPECT_TRUE(errors_.empty()) << errors_.front();
}

TEST_F(MainBandsTest, WhileTheLowestBandIsLoudestTheLabelKeepsItsFrequency) {
  StartWindow();
  Play(1000);
  Mode(0);
  ASSERT_TRUE(Hears(17));
  ASSERT_EQ(w_->MMSpectrum1->ExternPeakValue(), 1000.0f);
  Play(20);
  ASSERT_TRUE(Hears(0));
  Mode(0);
  ASSERT_TRUE(Passes(2));
  EXPECT_EQ(w_->MMSpectrum1->ExternPeakValue(), 1000.0f);
}

TEST_F(MainBandsTest, WeightingALowersAFiftyHertzBandByItsQuantisedStep) {
  StartWindow();
  Play(50);
  Mode(0);
  ASSERT_TRUE(Hears(4));
  const double off = w_->Bands().Acc(4);
  w_->rg_filter->SetItemIndex(1);  // read by every pass
  ASSERT_TRUE(Passes(2));
  const double weighted = w_->Bands().Acc(4);
  // A(49 Hz) = -30.6 dB, drawn in steps of 60/31 dB: 16 steps down.
  EXPECT_NEAR(20 * std::log10(weighted / off), -16 * 60.0 / 31, 0.25);
}

// A held band loses 1/((spin_DecayA + 5) * 10) of its value each pass once
// the tone is gone; the band modes start with spin_DecayA 4.
TEST_F(MainBandsTest, HeldBandsFallByTheDecayDivisor) {
  StartWindow();
  const struct {
    int decay;  // 0: as the mode sets it
    int32_t divisor;
  } cases[] = {{0, 90}, {1, 60}, {16, 210}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.divisor);
    generator_.SetAmplitude(engine::kMaxVolume);
    Play(1000);
    Mode(0);
    ASSERT_EQ(w_->spin_DecayA->Value(), 4);
    if (c.decay) w_->spin_DecayA->SetValue(c.decay);
    EXPECT_EQ(w_->MMSpectrum1->Decay(), w_->spin_DecayA->Value());
    ASSERT_TRUE(Hears(17));
    generator_.SetAmplitude(0);
    struct Seen {
      int32_t acc, shown, held;
    };
    std::vector<Seen> seen;
    on_pass_ = [&] { seen.push_back({w_->Bands().Acc(17), Shown(17), w_->Bands().Held(17)}); };
    ASSERT_TRUE(Await(
        [&] {
          int silent = 0;
          for (const Seen& s : seen) silent += s.acc == 0;
          return silent >= 3;
        },
        15000));
    on_pass_ = nullptr;
    int checked = 0;
    for (size_t i = 1; i < seen.size(); ++i) {
      if (seen[i].acc != 0) continue;
      EXPECT_EQ(seen[i].shown, seen[i - 1].held) << "pass " << i;
      EXPECT_EQ(seen[i].held, seen[i].shown - seen[i].shown / c.divisor) << "pass " << i;
      ++checked;
    }
    EXPECT_GE(checked, 2);
  }
}

TEST_F(MainBandsTest, ModeSwitchesSetTheSpectrumAndClearTheHeldBands) {
  StartWindow();
  Play(1000);
  const struct {
    int mode;
    int32_t bands;
    int32_t fft_length;
    bool filter, log_freq, labels, zoom_edits;
    int decay;
    const char* resolution;  // MMLabel53, or null where the mode leaves it
  } cases[] = {
      {0, 32, 64, true, false, true, false, 4, nullptr},
      {1, 64, 128, true, false, true, false, 4, nullptr},
      {4, 0, 2048, false, true, false, false, 7, "Frequ resolution > 21.53"},
      {3, 256, 512, true, false, true, false, 4, nullptr},
      {5, 0, 4096, false, true, false, false, 7, "Frequ resolution > 10.77"},
      {6, 256, 512, true, false, true, true, 4, "Frequ resolution > 2.69"},
      {2, 128, 256, true, false, true, false, 4, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.mode);
    // Something held to clear, where the mode before had bands.
    if (w_->Bands().Count() > 0) {
      ASSERT_TRUE(Await([&] { return w_->Bands().Held(LoudestBand()) > 0; }, 10000));
    }
    Mode(c.mode);
    for (int32_t i = 0; i < app::kBandSlots; ++i) ASSERT_EQ(w_->Bands().Held(i), 0) << "band " << i;
    displays::TMMSpectrum* s = w_->MMSpectrum1;
    EXPECT_EQ(w_->Bands().Count(), c.bands);
    EXPECT_EQ(s->FFTLength(), c.fft_length);
    EXPECT_EQ(w_->rg_filter->Enabled(), c.filter);
    EXPECT_EQ(s->LogFreq(), c.log_freq);
    EXPECT_EQ(s->CustomFreqLabels(), c.labels);
    EXPECT_EQ(w_->rg_zoom->Enabled(), c.zoom_edits);
    EXPECT_EQ(w_->ne_end4->Enabled(), c.zoom_edits);
    EXPECT_EQ(w_->spin_DecayA->Value(), c.decay);
    EXPECT_EQ(s->Decay(), c.decay);
    EXPECT_TRUE(s->ExternPeakFreq());
    if (c.resolution) {
      EXPECT_EQ(w_->MMLabel53->Caption(), c.resolution);
    }
    if (c.bands == 0) {
      EXPECT_TRUE(s->Enabled()) << "the FFT modes analyse in the spectrum";
      EXPECT_EQ(s->PeakFreqOffset(), c.fft_length == 2048 ? 9.5f : -1.3f);  // at 44100 Hz
    } else if (!c.zoom_edits) {
      for (int j = 0; j < app::kFreqLabelCount; ++j)
        ASSERT_EQ(s->FreqLabel(j), app::kThirdOctaveLabels[static_cast<size_t>(j)]) << j;
    }
    ASSERT_TRUE(Passes(2));
    if (c.bands > 0) {
      EXPECT_FALSE(s->Enabled()) << "the band modes keep the values they are given";
    }
  }
  EXPECT_TRUE(errors_.empty()) << errors_.front();
}

TEST_F(MainBandsTest, ZoomRangesAndTheRangesRefused) {
  StartWindow();
  Play(1000);
  w_->rg_zoom->SetItemIndex(2);  // 900 .. 1100 Hz
  ASSERT_EQ(w_->rg_octave->ItemIndex(), 6);
  const app::TBandTable& t = w_->Bands().Table();
  ASSERT_EQ(t.Count, 256);
  EXPECT_EQ(t.Centres[0], 900);
  displays::TMMSpectrum* s = w_->MMSpectrum1;
  EXPECT_EQ(s->FreqLabel(0), 900);
  EXPECT_EQ(s->FreqLabel(1), t.Centres[10]);
  EXPECT_EQ(s->FreqLabel(32), t.Centres[255] + 1);
  ASSERT_TRUE(AwaitInputBuffers(TransformBuffers()));
  ASSERT_TRUE(Passes(2));
  const int32_t m = LoudestBand();
  EXPECT_NEAR(t.Centres[m], 1000, 3);
  EXPECT_EQ(s->ExternPeakValue(), static_cast<float>(t.Centres[m]));

  // A range without bands per octave is refused: the controls go back to the
  // mode in force, whose table and held bands stay.
  const app::TBandTable before = t;
  const int32_t held = w_->Bands().Held(m);
  ASSERT_GT(held, 0);
  w_->ne_start1->SetValue(1000);
  w_->ne_end1->SetValue(1000);
  w_->ne_start2->SetText("5OO");
  const struct {
    const char* what;
    std::function<void()> choose;
    int octave, zoom;
  } refused[] = {
      {"equal ends", [&] { w_->rg_zoom->SetItemIndex(0); }, 6, 2},
      {"no number", [&] { w_->rg_zoom->SetItemIndex(1); }, 6, 2},
  };
  for (const auto& r : refused) {
    SCOPED_TRACE(r.what);
    const size_t beeps = Screen()->Beeps().size();
    r.choose();
    EXPECT_EQ(Screen()->Beeps().size(), beeps + 1);
    EXPECT_EQ(w_->rg_octave->ItemIndex(), r.octave);
    EXPECT_EQ(w_->rg_zoom->ItemIndex(), r.zoom);
    EXPECT_EQ(t.Centres, before.Centres);
    EXPECT_EQ(w_->Bands().Held(m), held);
  }
  // From a band mode the choice of zoom goes back to that mode.
  w_->rg_octave->SetItemIndex(1);
  w_->rg_zoom->SetEnabled(true);
  w_->rg_zoom->SetItemIndex(0);
  EXPECT_EQ(w_->rg_octave->ItemIndex(), 1);
  EXPECT_EQ(w_->Bands().Count(), 64);
  EXPECT_TRUE(errors_.empty()) << errors_.front();
}

TEST_F(MainBandsTest, FlatMusicCurveAndPeakHold) {
  StartWindow();
  w_->rg_octave->SetItemIndex(3);
  w_->cb_flat->SetChecked(true);
  EXPECT_EQ(w_->rg_octave->ItemIndex(), 4);
  EXPECT_EQ(w_->MMSpectrum1->Gain(), displays::sg3db);
  EXPECT_EQ(w_->Bands().Count(), 0);
  w_->cb_flat->SetChecked(false);
  EXPECT_EQ(w_->rg_octave->ItemIndex(), 3);
  EXPECT_EQ(w_->MMSpectrum1->Gain(), displays::sgNone);
  EXPECT_EQ(w_->Bands().Count(), 256);

  EXPECT_TRUE(w_->MMSpectrum1->PeaksFall());
  w_->ckbLeavePeak->SetChecked(true);
  EXPECT_FALSE(w_->MMSpectrum1->PeaksFall());
  w_->ckbLeavePeak->SetChecked(false);
  EXPECT_TRUE(w_->MMSpectrum1->PeaksFall());
}

uint32_t Rgb(vcl::TColor c) {
  const auto v = static_cast<uint32_t>(vcl::ColorToRGB(c));
  return ((v & 0xFF) << 16) | (v & 0xFF00) | ((v >> 16) & 0xFF);
}

// Drawn headless and probed on the screen: the tone's band stands taller than
// its neighbours, and the level meters are lit.
TEST_F(MainBandsTest, TheWindowDrawsTheTonesBandTallerThanItsNeighboursAndLightsTheMeters) {
  StartWindow();
  Play(1000);
  Mode(0);
  ASSERT_TRUE(Hears(17));
  Mode(0);
  ASSERT_TRUE(Passes(2));
  ASSERT_TRUE(Await([&] { return !w_->MMSpectrum1->PeakLabel().empty(); }));
  mainwindow::Pump();
  const auto shot = Screen()->ScreenSnapshot();

  // Pixels of a control's column (x of its client area, from y0 to y1) in any of the colours.
  auto count = [&](vcl::TControl* control, int x, int y0, int y1, std::vector<vcl::TColor> colours) {
    int n = 0;
    for (int y = y0; y < y1; ++y) {
      const vcl::TPoint p = control->ClientToScreen(vcl::TPoint{x, y});
      const uint32_t pixel = shot->Pixel(p.x, p.y);
      for (vcl::TColor c : colours) n += pixel == Rgb(c);
    }
    return n;
  };

  displays::TMMSpectrum* s = w_->MMSpectrum1;
  ASSERT_TRUE(s->Visible());
  const vcl::TRect r = s->DrawRect();
  // The middle column of each band's bar.
  auto middle = [&](int32_t band) {
    int first = -1, end = s->DrawWidth();
    for (int x = 0; x < s->DrawWidth(); ++x) {
      const int32_t bin = s->FirstBin(x);
      if (bin == band && first < 0) first = x;
      if (first >= 0 && bin != -1 && bin != band) {
        end = x;
        break;
      }
    }
    return first < 0 ? -1 : (first + end) / 2;
  };
  const std::vector<vcl::TColor> bars{s->Bar1Color(), s->Bar2Color(), s->Bar3Color()};
  auto height = [&](int32_t band) {
    const int x = middle(band);
    return x < 0 ? -1 : count(s, r.left + x, r.top, r.bottom, bars);
  };
  const int tone = height(17);
  EXPECT_GT(tone, (r.bottom - r.top) / 4);
  EXPECT_GT(tone, height(16));
  EXPECT_GT(tone, height(18));

  for (displays::TMMLevel* meter : {w_->MMLevel1, w_->MMLevel2}) {
    SCOPED_TRACE(meter->Name());
    ASSERT_TRUE(meter->Visible());
    EXPECT_GT(count(meter, meter->Width() / 2, 0, meter->Height(),
                    {meter->Bar1Color(), meter->Bar2Color(), meter->Bar3Color()}),
              meter->Height() / 4);
  }
}

// Without a format the detector has no bins to map frequencies onto: the
// pass leaves the spectrum's values and raises nothing.
TEST_F(MainBandsTest, APeakDetectorWithoutAFormatSkipsTheBandStep) {
  StartWindow();
  w_->MMWaveIn1->Close();
  w_->MMPeakDetect1->SetFormat(nullptr);
  ASSERT_EQ(w_->MMPeakDetect1->BinWidth(), 0.0f);
  for (int32_t i = 0; i <= w_->Bands().Count(); ++i) w_->MMSpectrum1->SetDisplayValue(i, 777);
  w_->MMConnector1Trigger(w_->MMConnector1);
  for (int32_t i = 0; i <= w_->Bands().Count(); ++i) ASSERT_EQ(w_->MMSpectrum1->DisplayValue(i), 777) << i;
  EXPECT_TRUE(errors_.empty()) << errors_.front();
  EXPECT_TRUE(messages_.empty()) << messages_.front();
}

}  // namespace
