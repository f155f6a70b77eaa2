// The main window's level meters: the levels settings dialog, the meter
// ballistics and their scale pictures, the RMS meters, the peak read-outs and
// the overload LEDs, headless on the virtual devices.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "MainWindowFixture.h"
#include "app/LevelScales.h"
#include "app/MainForm.h"
#include "app/OutfitL.h"
#include "app/Settings.h"
#include "controls/MMColBtn.h"
#include "controls/MMLEDSpin.h"
#include "engine/MMFXGen.h"
#include "engine/MMPCMSup.h"
#include "engine/MMWavOut.h"
#include "platform/kernel/Clock.h"
#include "platform/user/Geometry.h"
#include "platform/user/Paint.h"
#include "platform/vcl/ExtTimer.h"
#include "platform/vcl/GraphicsBitmap.h"
#include "platform/vcl/ImageCtrls.h"
#include "support/ClockPusher.h"

namespace {

using app::fOutfitL;
using app::FrmMain;
using displays::TMMLevel;
using mainwindow::Pump;

constexpr int kFrames = 50;  // a level meter's refresh

// One refresh of 16-bit stereo frames: both channels carry `sample(n)`.
std::vector<int16_t> Block(const std::function<int16_t(int)>& sample) {
  std::vector<int16_t> block(2 * kFrames);
  for (int n = 0; n < kFrames; ++n) block[2 * n] = block[2 * n + 1] = sample(n);
  return block;
}

// A sine at a quarter of the sample rate: 0, A, 0, -A, so every refresh holds its peak exactly.
std::vector<int16_t> QuarterRateSine(int amplitude) {
  return Block([amplitude](int n) {
    static constexpr int kShape[] = {0, 1, 0, -1};
    return static_cast<int16_t>(kShape[n % 4] * amplitude);
  });
}

void Feed(TMMLevel* level, const std::vector<int16_t>& block, int times = 1) {
  for (int i = 0; i < times; ++i) level->RefreshPCMData(block.data());
}

class LevelsTest : public mainwindow::MainWindowTest {
 protected:
  // Started, with the input closed so that only the test feeds the meters.
  // On the manual clock the clock runs on its own until then: the running
  // connectors sleep between their steps.
  void StartQuiet(bool manual_clock = false) {
    {
      std::optional<testsupport::ClockPusher> pusher;
      if (manual_clock) pusher.emplace();
      Start();
      ASSERT_NE(fOutfitL, nullptr);
      FrmMain->MMWaveIn1->Close();
    }
    // The input's close turns the RMS meters off; here the tests feed them.
    FrmMain->MMLevel5->SetEnabled(true);
    FrmMain->MMLevel6->SetEnabled(true);
    Pump();
    plat::WAVEFORMATEX format{};
    engine::BuildPCMFormat(format, 16, 2, 44100);
    for (TMMLevel* level : FrmMain->AllLevelMeters()) {
      level->SetWaveFormat(&format);
      level->SetSamples(kFrames);
    }
  }
};

// ---- the dialog ---------------------------------------------------------------------------------

TEST_F(LevelsTest, DialogControlsWriteTheMainWindowsMeters) {
  Start();
  app::TfOutfitL& d = *fOutfitL;
  app::TFrmMain& m = *FrmMain;
  EXPECT_EQ(d.Caption(), "Levels settings");
  EXPECT_EQ(d.FormStyle(), vcl::fsStayOnTop);
  struct Spin {
    controls::TMMLEDSpin* spin;
    int min, max, value;
  };
  // Start-up applied DIN 45406, whose overload points default to 85 and 57.
  for (const Spin& s : {Spin{d.ol_top, 1, 100, 85}, Spin{d.ol_button, 1, 100, 57}, Spin{d.sp_peaks, 0, 5, 1},
                        Spin{d.MMLEDSpin5, 0, 2, 0}, Spin{d.MMLEDSpin4, 5, 16, 9}}) {
    SCOPED_TRACE(s.spin->Name());
    EXPECT_EQ(s.spin->MinValue(), s.min);
    EXPECT_EQ(s.spin->MaxValue(), s.max);
    EXPECT_EQ(s.spin->Value(), s.value);
  }
  EXPECT_EQ(d.rg_Meter->Items()->Count(), 8);
  EXPECT_EQ(d.rg_integral->Items()->Count(), 6);
  EXPECT_EQ(d.rg_referenz->Items()->Count(), 3);
  const vcl::TColor colors[] = {vcl::clRed,   vcl::clYellow, vcl::clYellow,
                                vcl::clWhite, vcl::clWhite,  vcl::clWhite};
  const int buttons[] = {1, 2, 3, 12, 13, 14};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(d.MMColorButton[buttons[i]]->Value(), colors[i]) << buttons[i];
  // Start-up applied the dialog's decay: 9 on the level pair, 11 on the RMS pair.
  EXPECT_EQ(m.MMLevel1->Decay(), 9);
  EXPECT_EQ(m.MMLevel5->Decay(), 11);

  struct Case {
    const char* name;
    std::function<void()> change;
    std::function<bool()> holds;
  };
  const Case cases[] = {
      {"OL Level Top: Point2 of four meters and the scale", [&] { d.ol_top->SetValue(70); },
       [&] {
         return m.MMLevel1->Point2() == 70 && m.MMLevel2->Point2() == 70 && m.MMLevel5->Point2() == 70 &&
                m.MMLevel6->Point2() == 70 && m.MMLevelScale1->Point2() == 70 && m.MMLevel3->Point2() != 70;
       }},
      {"OL Level Button: Point1 of four meters", [&] { d.ol_button->SetValue(40); },
       [&] { return m.MMLevel1->Point1() == 40 && m.MMLevel6->Point1() == 40; }},
      {"peaks", [&] { d.sp_peaks->SetValue(3); },
       [&] {
         return m.MMLevel1->NumPeaks() == 3 && m.MMLevel2->NumPeaks() == 3 && m.MMLevel5->NumPeaks() != 3;
       }},
      {"spot space", [&] { d.MMLEDSpin5->SetValue(2); },
       [&] { return m.MMLevel1->SpotSpace() == 2 && m.MMLevel2->SpotSpace() == 2; }},
      {"decay: level pair, RMS pair two more", [&] { d.MMLEDSpin4->SetValue(14); },
       [&] { return m.MMLevel2->Decay() == 14 && m.MMLevel6->Decay() == 16; }},
      {"top colour is the third zone", [&] { d.MMColorButton[1]->SetValue(vcl::clLime); },
       [&] { return m.MMLevel1->Bar3Color() == vcl::clLime && m.MMLevel2->Bar3Color() == vcl::clLime; }},
      {"middle colour", [&] { d.MMColorButton[2]->SetValue(vcl::clBlue); },
       [&] { return m.MMLevel2->Bar2Color() == vcl::clBlue; }},
      {"bottom colour is the first zone", [&] { d.MMColorButton[3]->SetValue(vcl::clNavy); },
       [&] { return m.MMLevel1->Bar1Color() == vcl::clNavy; }},
      {"RMS top", [&] { d.MMColorButton[12]->SetValue(vcl::clAqua); },
       [&] { return m.MMLevel5->Bar3Color() == vcl::clAqua && m.MMLevel6->Bar3Color() == vcl::clAqua; }},
      {"RMS middle", [&] { d.MMColorButton[13]->SetValue(vcl::clAqua); },
       [&] { return m.MMLevel6->Bar2Color() == vcl::clAqua; }},
      {"RMS bottom", [&] { d.MMColorButton[14]->SetValue(vcl::clAqua); },
       [&] { return m.MMLevel5->Bar1Color() == vcl::clAqua; }},
      {"integration 5 ms averages five levels", [&] { d.rg_integral->SetItemIndex(1); },
       [&] { return m.MMPeakDetect2->Integration() && m.MMPeakDetect2->IntegrationCount() == 5; }},
      {"integration 300 ms", [&] { d.rg_integral->SetItemIndex(5); },
       [&] { return m.MMPeakDetect2->Integration() && m.MMPeakDetect2->IntegrationCount() == 299; }},
      {"integration none", [&] { d.rg_integral->SetItemIndex(0); },
       [&] { return !m.MMPeakDetect2->Integration(); }},
      {"reference -18 dBFS", [&] { d.rg_referenz->SetItemIndex(1); },
       [&] {
         return m.MMLevel1->ReferenceMinus18() && m.MMLevel2->ReferenceMinus18() &&
                m.MMPeakDetect2->ReferenceMinus18() && !m.MMPeakDetect2->ReferenceMinus20();
       }},
      {"reference -20 dBFS", [&] { d.rg_referenz->SetItemIndex(2); },
       [&] {
         return !m.MMLevel1->ReferenceMinus18() && !m.MMPeakDetect2->ReferenceMinus18() &&
                m.MMPeakDetect2->ReferenceMinus20();
       }},
      {"main level decay on the four level meters", [&] { m.MMLEDSpin2->SetValue(11); },
       [&] { return m.MMLevel1->Decay() == 11 && m.MMLevel4->Decay() == 11 && m.MMLevel5->Decay() != 11; }},
      {"main peak speed", [&] { m.MMLEDSpin19->SetValue(33); },
       [&] {
         return m.MMSpectrum1->PeakSpeed() == 33 && m.MMLevel1->PeakSpeed() == 33 &&
                m.MMLevel6->PeakSpeed() == 33 && m.MMLevel3->PeakSpeed() != 33;
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_FALSE(c.holds());
    c.change();
    EXPECT_TRUE(c.holds());
  }

  // Shown from the menu, its first tick turns the spins' panels black.
  for (controls::TMMLEDSpin* spin : {d.ol_top, d.ol_button, d.sp_peaks, d.MMLEDSpin4, d.MMLEDSpin5})
    spin->SetPanelColor(vcl::clNavy);
  m.LevelSettings1Click(&m);
  EXPECT_TRUE(d.Visible());
  ASSERT_TRUE(PumpUntil([&] { return d.ol_top->PanelColor() == vcl::clBlack; }));
  EXPECT_FALSE(d.Timer1->Enabled());
  for (controls::TMMLEDSpin* spin : {d.ol_button, d.sp_peaks, d.MMLEDSpin4, d.MMLEDSpin5})
    EXPECT_EQ(spin->PanelColor(), vcl::clBlack) << spin->Name();
  d.Button1Click(d.Button1);
  Pump();
  EXPECT_FALSE(d.Visible());
  EXPECT_TRUE(errors_.empty()) << errors_.front();
}

// ---- ballistics ----------------------------------------------------------------------------------

TEST_F(LevelsTest, BallisticsSetTheMetersTheirOverloadPointsAndTheScale) {
  Start();
  app::TfOutfitL& d = *fOutfitL;
  app::TFrmMain& m = *FrmMain;
  struct Case {
    int index;
    int sensitivy;    // of the eight meters
    int level_pair;   // MMLevel1/2
    int rms_pair;     // MMLevel5/6
    int top, button;  // overload points; -1: unchanged
    bool picture;     // the scale picture, else the scale component
  };
  const Case cases[] = {
      {0, -50, -50, -50, 90, 57, true}, {1, -72, -72, -72, 85, 57, true},  {2, -40, -40, -40, 84, 57, true},
      {3, -50, -50, -50, -1, -1, true}, {4, -72, -72, -72, -1, -1, false}, {5, -70, -72, -72, -1, -1, true},
      {6, -70, -65, -65, -1, -1, true}, {7, -70, -70, -70, -1, -1, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.index);
    // Points the user set for another scale; a scale with points of its own
    // reads them (here, with none stored, their defaults).
    d.rg_Meter->SetItemIndex(c.index == 0 ? 1 : 0);
    d.ol_top->SetValue(77);
    d.ol_button->SetValue(44);
    m.Lab_l->SetCaption("-3.00");
    plat::RegDeleteKeyA(plat::HKEY_CURRENT_USER, app::kSettingsKey);
    d.rg_Meter->SetItemIndex(c.index);
    for (TMMLevel* level : {m.MMLevel3, m.MMLevel4, m.mmLevel7, m.mmLevel8}) {
      EXPECT_EQ(level->Sensitivy(), c.sensitivy) << level->Name();
      EXPECT_EQ(level->MeterScale(), c.index) << level->Name();
    }
    EXPECT_EQ(m.MMLevel1->Sensitivy(), c.level_pair);
    EXPECT_EQ(m.MMLevel2->Sensitivy(), c.level_pair);
    EXPECT_EQ(m.MMLevel5->Sensitivy(), c.rms_pair);
    EXPECT_EQ(m.MMLevel6->MeterScale(), c.index);
    EXPECT_EQ(m.MMPeakDetect2->MeterScale(), c.index);
    EXPECT_EQ(d.ol_top->Value(), c.top < 0 ? 77 : c.top);
    EXPECT_EQ(d.ol_button->Value(), c.button < 0 ? 44 : c.button);
    EXPECT_EQ(m.MMLevel1->Point2(), d.ol_top->Value());
    EXPECT_EQ(m.ima_nordic1->Visible(), c.picture);
    EXPECT_EQ(m.MMLevelScale1->Visible(), !c.picture);
    EXPECT_EQ(m.Lab_l->Caption(), "-inf") << "the read-outs are reset";
    EXPECT_EQ(app::ReadInteger("Ballistic", -1), c.index) << "the user's choice is stored";
  }
  EXPECT_EQ(m.MMLevelScale1->Sensitivy(), -72);

  // BBC sets -40; laying the meters out for a page sets -50.
  d.rg_Meter->SetItemIndex(2);
  m.LayoutLevelMeters();
  EXPECT_EQ(m.MMLevel1->Sensitivy(), -50);
  EXPECT_EQ(m.mmLevel8->Sensitivy(), -50);
  // Scales past EBU are left as they are by a layout.
  d.rg_Meter->SetItemIndex(6);
  m.LayoutLevelMeters();
  EXPECT_EQ(m.MMLevel1->Sensitivy(), -65);
  EXPECT_TRUE(errors_.empty()) << errors_.front();
}

// A choice made in the dialog or an overload point set by the user stays
// through a resize (which applies the stored ballistics again) and a restart.
TEST_F(LevelsTest, ChosenBallisticsAndOverloadPointsSurviveResizeAndRestart) {
  app::WriteInteger("Ballistic", 6);
  Start();
  app::TfOutfitL* d = fOutfitL;
  EXPECT_EQ(d->rg_Meter->ItemIndex(), 6) << "start-up applies the stored choice";
  EXPECT_EQ(FrmMain->MMLevel1->Sensitivy(), -65);
  EXPECT_EQ(app::ReadInteger("Ballistic", -1), 6) << "start-up's own reset stores nothing";

  d->rg_Meter->SetItemIndex(2);
  d->ol_top->SetValue(70);
  d->ol_button->SetValue(30);
  FrmMain->SetWidth(FrmMain->Width() - 40);
  FrmMain->FormResize(FrmMain);
  EXPECT_EQ(d->rg_Meter->ItemIndex(), 2);
  EXPECT_EQ(d->ol_top->Value(), 70);
  EXPECT_EQ(d->ol_button->Value(), 30);
  EXPECT_EQ(FrmMain->MMLevel1->Point1(), 30);

  // A stored value outside the list keeps the current choice.
  app::WriteInteger("Ballistic", 99);
  d->ApplyStoredBallistics();
  EXPECT_EQ(d->rg_Meter->ItemIndex(), 2);
  app::WriteInteger("Ballistic", 2);

  Stop();
  Start();
  EXPECT_EQ(fOutfitL->rg_Meter->ItemIndex(), 2);
  EXPECT_EQ(fOutfitL->ol_top->Value(), 70);
  EXPECT_EQ(FrmMain->MMLevel2->Point1(), 30);
  EXPECT_TRUE(errors_.empty()) << errors_.front();
}

// ---- scale pictures --------------------------------------------------------------------------------

TEST_F(LevelsTest, ScalePicturesK14AndDbfs) {
  // What the K-14 painter writes, by a recorder on a bitmap of its own.
  vcl::TBitmap bitmap;
  bitmap.SetSize(40, 396);
  std::vector<vcl::TCanvasCall> calls;
  bitmap.Canvas()->SetRecorder([&](const vcl::TCanvasCall& call) { calls.push_back(call); });
  app::DrawScaleK14(bitmap.Canvas(), 40, 396, vcl::clWhite);
  std::vector<std::string> texts;
  for (const vcl::TCanvasCall& call : calls)
    if (call.kind == vcl::ccText) texts.push_back(call.text);
  ASSERT_GE(texts.size(), 3u);
  EXPECT_EQ(texts[0], " 14 ");
  EXPECT_EQ(texts[1], " 8 ") << "the first tick below the top has no label";
  EXPECT_EQ(std::count(texts.begin(), texts.end(), " 12 "), 0);
  EXPECT_EQ(texts.back(), "--- 12 ---");

  Start();
  app::TFrmMain& m = *FrmMain;
  fOutfitL->rg_Meter->SetItemIndex(6);
  vcl::TBitmap* picture = m.ima_nordic1->Picture()->Bitmap();
  const int h = m.pan_Level->Height() - 4;
  ASSERT_EQ(picture->Height(), h);
  const int w = picture->Width();
  const int s = h / 18;
  auto at = [&](int x, int y) { return vcl::ColorToRGB(picture->Canvas()->Pixels(x, y)); };
  const auto white = vcl::ColorToRGB(vcl::clWhite);
  const auto black = vcl::ColorToRGB(vcl::clBlack);
  struct Row {
    const char* what;
    int y;
    unsigned color;
  };
  // Probed at the right edge, clear of the labels; the even ticks from 12 on
  // carry a dashed mark across the line.
  for (const Row& r : {Row{"tick 1 draws nothing", 4 + s, black}, Row{"tick 2", 4 + 2 * s, white},
                       Row{"between ticks", 4 + 2 * s + s / 2, black}, Row{"tick 15", 4 + 15 * s, white}}) {
    SCOPED_TRACE(r.what);
    EXPECT_EQ(at(w - 1, r.y), r.color);
  }

  // On the screen: the picture stands at its place in the level panel.
  m.Show();
  Pump();
  auto* screen = dynamic_cast<plat::backend::HeadlessBackend*>(&plat::backend::Current());
  ASSERT_NE(screen, nullptr);
  plat::UpdateWindow(m.Handle());
  Pump();
  const vcl::TPoint on_screen = m.ima_nordic1->ClientToScreen({w - 2, 4 + 2 * s});
  plat::RECT frame{};
  ASSERT_TRUE(plat::GetWindowRect(m.Handle(), &frame));
  EXPECT_EQ(screen->PresentedPixel(m.Handle(), on_screen.x - frame.left, on_screen.y - frame.top) & 0xFFFFFF,
            0xFFFFFFu);

  // dBFS shows the scale component in place of the picture; the overload points stay.
  const int top = fOutfitL->ol_top->Value();
  fOutfitL->rg_Meter->SetItemIndex(4);
  EXPECT_FALSE(m.ima_nordic1->Visible());
  EXPECT_TRUE(m.MMLevelScale1->Visible());
  EXPECT_EQ(m.MMLevelScale1->Sensitivy(), -72);
  EXPECT_EQ(fOutfitL->ol_top->Value(), top);
}

// ---- RMS -------------------------------------------------------------------------------------------

TEST_F(LevelsTest, RmsMetersShowTheRootMeanSquareOfTheLevelHistory) {
  StartQuiet();
  app::TFrmMain& m = *FrmMain;
  fOutfitL->rg_Meter->SetItemIndex(4);  // dBFS: the history holds the peaks as they came
  struct Case {
    const char* what;
    std::vector<int16_t> block;
    int32_t rms;
  };
  const Case cases[] = {
      {"full-scale sine", QuarterRateSine(32767), 32767},
      {"-20 dBFS sine", QuarterRateSine(3277), 3277},
      {"-3 dBFS sine, beyond 32-bit sums", QuarterRateSine(23170), 23170},
      {"the most negative sample", Block([](int) { return int16_t{-32768}; }), 32768},
      {"silence reads 1", QuarterRateSine(0), 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Feed(m.MMLevel1, c.block, 73);
    Feed(m.MMLevel2, c.block, 73);
    m.conect2Trigger(m.conect2);
    EXPECT_EQ(m.MMLevel5->LastLevel(), c.rms);
    EXPECT_EQ(m.MMLevel6->LastLevel(), c.rms);
  }

  // Swapped, the connector feeds the RMS meters' places and the outer meters show the RMS.
  m.ChangeLevelMeterwithRMSMeter1->Click();
  EXPECT_TRUE(m.RmsSwap());
  EXPECT_EQ(m.MMConnector1->Level1(), m.MMLevel5);
  EXPECT_EQ(m.MMConnector1->Level2(), m.MMLevel6);
  Feed(m.MMLevel5, QuarterRateSine(3277), 73);
  m.conect2Trigger(m.conect2);
  EXPECT_EQ(m.MMLevel1->LastLevel(), 3277);
  m.ChangeLevelMeterwithRMSMeter1->Click();
  EXPECT_EQ(m.MMConnector1->Level1(), m.MMLevel1);
  EXPECT_EQ(m.MMConnector1->Level2(), m.MMLevel2);

  // Unmarked, the pass turns the RMS meters off; marked again, the item turns them on.
  m.DisplayRMSLevelMeter1->Click();
  m.conect2Trigger(m.conect2);
  EXPECT_FALSE(m.MMLevel5->Enabled());
  m.DisplayRMSLevelMeter1->Click();
  EXPECT_TRUE(m.MMLevel6->Enabled());
}

// Each ballistics' response to a -6 dBFS tone burst: at once the level of the
// meter's curve, then falling by the decay factor (Decay 9: 0.0001^(1/512))
// refresh by refresh once the burst ends.
TEST_F(LevelsTest, EachBallisticsRespondsToAToneBurst) {
  StartQuiet();
  app::TFrmMain& m = *FrmMain;
  TMMLevel* meter = m.MMLevel1;
  struct Case {
    const char* name;
    int index;
    int32_t level;  // the curve at a peak of 16384
    int sensitivy;
  };
  // The curves' values at 16384, figured from their formulas.
  const Case cases[] = {
      {"Nordic N9", 0, 18504, -50}, {"DIN 45406", 1, 7461, -72}, {"BBC", 2, 15422, -40},
      {"EBU", 3, 5890, -50},        {"dBFS", 4, 16384, -72},     {"K-20", 5, 17658, -72},
      {"K-14", 6, 15406, -65},      {"K-12", 7, 18023, -70},
  };
  const double factor = std::pow(0.0001, 1.0 / 512);
  const int n = meter->NumSpots();
  auto spots = [n](int32_t level, int sensitivy) {
    const double db = 20 * std::log10(std::max(level / 32767.0, 0.000001));
    return std::max(static_cast<int>(std::nearbyint((db - sensitivy) * n / -sensitivy)), 0);
  };
  const auto burst = QuarterRateSine(16384);
  const auto silence = QuarterRateSine(0);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fOutfitL->rg_Meter->SetItemIndex(c.index);
    ASSERT_EQ(meter->Sensitivy(), c.sensitivy);
    meter->ResetData();
    Feed(meter, burst);
    EXPECT_EQ(meter->LevelHistory()[0], c.level);
    EXPECT_EQ(meter->LitSpots(), spots(c.level, c.sensitivy)) << "the rise takes one refresh";
    Feed(meter, burst, 9);
    EXPECT_EQ(meter->LitSpots(), spots(c.level, c.sensitivy));
    for (int k = 1; k <= 200; ++k) {
      Feed(meter, silence);
      const auto shown = static_cast<int32_t>(c.level * std::pow(factor, k));
      if (k == 1 || k == 50 || k == 200) {
        SCOPED_TRACE(k);
        EXPECT_NEAR(meter->LitSpots(), spots(shown, c.sensitivy), 1);
      }
    }
    EXPECT_LT(meter->LitSpots(), spots(c.level, c.sensitivy));
  }
}

// ---- overload and peak read-outs on the manual clock ---------------------------------------------

class LevelsClockTest : public LevelsTest {
 protected:
  static void Advance(int ms) {
    for (int t = 0; t < ms; t += 10) {
      plat::clock::AdvanceMs(10);
      Pump();
    }
  }
  // The clock moves only when the test moves it, or a pusher runs.
  void SetUp() override {
    LevelsTest::SetUp();
    UseManualClock(0);
  }
  void TearDown() override {
    testsupport::ClockPusher pusher;
    LevelsTest::TearDown();
  }
};

TEST_F(LevelsClockTest, OverloadLedGoesOutTwoSecondsAfterTheOverloadThatLitIt) {
  StartQuiet(true);
  app::TFrmMain& m = *FrmMain;
  // The timer runs from start and puts the LEDs out once.
  Advance(2100);
  EXPECT_FALSE(m.TimerOver->Enabled());
  const auto full = QuarterRateSine(32767);
  Feed(m.MMLevel1, full);
  EXPECT_TRUE(m.LEDLeft->Enabled());
  EXPECT_FALSE(m.LEDRight->Enabled());
  EXPECT_TRUE(m.TimerOver->Enabled());
  Advance(1900);
  Feed(m.MMLevel1, full);
  Feed(m.MMLevel2, full);
  EXPECT_TRUE(m.LEDRight->Enabled());
  Advance(150);
  EXPECT_FALSE(m.LEDLeft->Enabled()) << "a later overload does not extend the 2 s";
  EXPECT_FALSE(m.LEDRight->Enabled());
  EXPECT_EQ(m.lab_ppm_l->Caption(), "-inf");
  EXPECT_EQ(m.HeldLeft(), -99);
  // A click on a read-out resets them as well.
  Feed(m.MMLevel2, full);
  m.Lab_r->Click();
  EXPECT_FALSE(m.LEDRight->Enabled());
  EXPECT_EQ(m.Lab_r->Caption(), "-inf");
}

// A square wave from the generator on the loopback output, which the main
// window's input hears: every block holds +A and -A, so peaks are exact.
struct LoopbackTone {
  engine::TMMGenerator generator{nullptr};
  engine::TMMWaveOut out{nullptr};
  explicit LoopbackTone(int amplitude) {
    generator.SetSampleRate(44100);
    generator.SetBitLength(engine::b16Bit);
    generator.SetMode(engine::mStereo);
    generator.SetWaveForm(engine::wfSquare);
    generator.SetAmplitude(amplitude);
    out.SetInput(&generator);
    out.SetDeviceID(static_cast<engine::TMMDeviceId>(plat::wavedev::FindWaveOutDevice("Loopback Output")));
    out.SetNumBuffers(10);
    out.Start();
  }
};

// Each ballistics on the loopback path: a -6 dBFS burst reaches the left
// meter as its curve's level, and when the burst ends the meter falls back
// by its decay rather than dropping at once.
TEST_F(LevelsClockTest, EachBallisticsFollowsABurstOnTheLoopbackPath) {
  testsupport::ClockPusher pusher;
  Start();
  TMMLevel* meter = FrmMain->MMLevel1;
  LoopbackTone tone(0);
  struct Case {
    int index;
    int32_t level;  // the curve at a peak of 16383
  };
  const Case cases[] = {{0, 18503}, {1, 7460},  {2, 15421}, {3, 5889},
                        {4, 16383}, {5, 17656}, {6, 15405}, {7, 18022}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.index);
    fOutfitL->rg_Meter->SetItemIndex(c.index);
    tone.generator.SetAmplitude(8192);
    ASSERT_TRUE(PumpUntil([&] { return meter->LevelHistory()[0] == c.level; })) << meter->LevelHistory()[0];
    const int lit = meter->LitSpots();
    EXPECT_GT(lit, meter->NumSpots() / 2);
    tone.generator.SetAmplitude(0);
    // Silence: 0 on every curve but DIN's, which starts at 4. How far the
    // bar has fallen by the time the silence is seen depends on how many
    // passes the real clock allowed; the decay itself is pinned on the
    // manual clock above, so here the bar only has to fall, never rise.
    ASSERT_TRUE(PumpUntil([&] { return meter->LevelHistory()[0] <= 4; }, 30000));
    EXPECT_LE(meter->LitSpots(), lit);
    // The fall runs on the main thread's passes: a loaded machine allows
    // fewer of them a second, so this wait is bounded generously.
    ASSERT_TRUE(PumpUntil([&] { return meter->LitSpots() == 0; }, 30000)) << meter->LitSpots();
  }
  EXPECT_TRUE(errors_.empty()) << errors_.front();
}

// The generator plays into the loopback output; the main window hears it on
// its input and reads the peak detector's levels once per pass.
TEST_F(LevelsClockTest, PeakReadoutsHoldTheHighestLevelUntilReset) {
  testsupport::ClockPusher pusher;
  Start();
  app::TFrmMain& m = *FrmMain;
  fOutfitL->rg_Meter->SetItemIndex(4);
  LoopbackTone tone(8192);
  engine::TMMGenerator& generator = tone.generator;
  ASSERT_TRUE(PumpUntil([&] { return m.Lab_l->Caption() == "-6.02"; })) << m.Lab_l->Caption();
  EXPECT_EQ(m.Lab_r->Caption(), "-6.02");
  EXPECT_EQ(m.HeldLeft(), 16383);

  // A lower level leaves the held one; a reset takes the next pass's.
  generator.SetAmplitude(4096);
  PumpUntil({}, 300);
  EXPECT_EQ(m.Lab_l->Caption(), "-6.02");
  m.Lab_l->Click();
  ASSERT_TRUE(PumpUntil([&] { return m.Lab_l->Caption() == "-12.04"; })) << m.Lab_l->Caption();

  // DIN reads its reference offset: 5 dB at 0 dBFS.
  fOutfitL->rg_Meter->SetItemIndex(1);
  ASSERT_TRUE(PumpUntil([&] { return m.Lab_l->Caption() != "-inf"; }));
  EXPECT_EQ(m.Lab_l->Caption(), "-7.04");
  tone.out.Close();
  EXPECT_TRUE(errors_.empty()) << errors_.front();
}

}  // namespace
