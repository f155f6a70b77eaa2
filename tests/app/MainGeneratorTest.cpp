// The generator page and the compare page of the main window: what their
// controls set, the chain each button leaves, each waveform as the analysis
// hears it, and the output measured against the input on the loopback pair.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "MainWindowFixture.h"
#include "engine/MMFXGen.h"
#include "platform/kernel/Locale.h"
#include "platform/vcl/IniFiles.h"

namespace {

using app::FrmMain;
using mainwindow::MainWindowTest;

class GeneratorPageTest : public MainWindowTest {
 protected:
  void TearDown() override {
    plat::SetLocaleSeparators(std::nullopt);
    MainWindowTest::TearDown();
  }
};

// Both level spins drive the one generator, and each moves the other, so the
// two pages never show different levels.
TEST_F(GeneratorPageTest, LevelSpinsSetTheGeneratorAndKeepEachOtherInStep) {
  Start();
  app::TFrmMain* w = FrmMain;
  EXPECT_EQ(w->MMGenerator1->Amplitude(), 8122) << "start-up applies the page's level";
  EXPECT_EQ(w->labDB->Caption(), w->labDB2->Caption());
  struct Case {
    int value;
    const char* text;
  };
  const Case cases[] = {{0, "-Inf"},     {1, "-84.29"},   {100, "-44.29"}, {4096, "-12.04"},
                        {8192, "-6.02"}, {8212, "-6.00"}, {16384, "0.00"}, {20000, "0.00"}};
  for (const char decimal : {'.', ','}) {
    plat::SetLocaleSeparators(plat::LocaleSeparators{decimal, decimal == '.' ? ',' : ';'});
    for (controls::TMMSpinButton* spin : {w->spLevel, w->MMSpinButton7}) {
      controls::TMMSpinButton* other = spin == w->spLevel ? w->MMSpinButton7 : w->spLevel;
      for (const Case& c : cases) {
        SCOPED_TRACE(spin->Name() + " := " + std::to_string(c.value) + " with '" + decimal + "'");
        w->Lab_l->SetCaption("-3.0");
        w->lab_ppm_r->SetCaption("-3.0");
        spin->SetValue(c.value);
        std::string text = c.text;
        std::replace(text.begin(), text.end(), '.', decimal);
        EXPECT_EQ(w->labDB->Caption(), text);
        EXPECT_EQ(w->labDB2->Caption(), text);
        EXPECT_EQ(other->Value(), spin->Value());
        EXPECT_EQ(w->MMGenerator1->Amplitude(), spin->Value());
        if (c.value <= 16384) {
          // A new level resets the peak read-outs.
          EXPECT_EQ(w->Lab_l->Caption(), "-inf");
          EXPECT_EQ(w->lab_ppm_r->Caption(), "-inf");
        }
      }
    }
  }
  EXPECT_TRUE(errors_.empty()) << errors_.front();
}

// A project keeps both level spins; one whose two values differ still leaves
// both pages and the generator at one level.
TEST_F(GeneratorPageTest, ProjectWithTwoDifferentLevelsLoadsAsOne) {
  Start();
  app::TFrmMain* w = FrmMain;
  const std::string file = temp_.File("levels.prj");
  w->SaveSettingsFile(file);
  vcl::TMemIniFile project(file);
  project.WriteInteger("TMMSpinButton", "SpinBnt" + std::to_string(w->MMSpinButton7->ComponentIndex()), 4000);
  project.WriteInteger("TMMSpinButton", "SpinBnt" + std::to_string(w->spLevel->ComponentIndex()), 9000);
  project.UpdateFile();
  w->LoadSettingsFile(file);
  EXPECT_EQ(w->MMSpinButton7->Value(), w->spLevel->Value());
  EXPECT_EQ(w->MMGenerator1->Amplitude(), w->spLevel->Value());
  EXPECT_EQ(w->labDB->Caption(), w->labDB2->Caption());
  EXPECT_TRUE(errors_.empty()) << errors_.front();
}

TEST_F(GeneratorPageTest, WaveformTriggerFrequencyAndIncrementChoices) {
  Start();
  app::TFrmMain* w = FrmMain;
  struct Wave {
    int value;
    engine::TMMWaveForm form;
    const char* text;
  };
  // Out of range, the spin stops at its last entry.
  const Wave waves[] = {{1, engine::wfSquare, "SQUARE"},
                        {2, engine::wfTriangle, "TRIANGLE"},
                        {3, engine::wfSawtoothPos, "SAWTOOTH NEG"},
                        {4, engine::wfSawtoothNeg, "SAWTOOTH POS"},
                        {5, engine::wfNoise, "WHITE NOISE"},
                        {0, engine::wfSine, "SINE"},
                        {7, engine::wfNoise, "WHITE NOISE"}};
  for (const Wave& c : waves) {
    SCOPED_TRACE(c.value);
    w->MMSpinButton5->SetValue(c.value);
    EXPECT_EQ(w->MMGenerator1->WaveForm(), c.form);
    EXPECT_EQ(w->LEDWave1->Caption(), c.text);
  }

  struct Trigger {
    int value;
    displays::TMMTriggerMode mode;
    const char* text;
  };
  const Trigger triggers[] = {{0, displays::tmNone, "NONE"},
                              {2, displays::tmDownFlank, "DOWN FLANK"},
                              {1, displays::tmUpFlank, "UP FLANK"}};
  for (const Trigger& c : triggers) {
    SCOPED_TRACE(c.value);
    w->MMSpinButton6->SetValue(c.value);
    EXPECT_EQ(w->conect2->TriggerMode(), c.mode);
    EXPECT_EQ(w->MMLED1->Caption(), c.text);
  }

  const struct {
    int value;
    double frequency;
  } frequencies[] = {{440, 440.0}, {0, 1.0}, {30000, 22050.0}};
  for (const auto& c : frequencies) {
    w->SpinFreq1->SetValue(c.value);
    EXPECT_EQ(w->MMGenerator1->Frequency(), c.frequency) << c.value;
  }

  const int increments[] = {1, 10, 100, 1000};
  for (int i : {3, 0, 1, 2}) {
    w->RadioGroup2->SetItemIndex(i);
    EXPECT_EQ(w->SpinFreq1->Increment(), increments[i]);
    EXPECT_EQ(w->spLevel->Increment(), increments[i]);
    EXPECT_EQ(w->MMSpinButton7->Increment(), 100) << "the compare page keeps its own step";
  }
  EXPECT_TRUE(errors_.empty()) << errors_.front();
}

// Each button leaves the chain in its configuration; "Stop Compare" gives the
// main meters back to the input instead of leaving the right one on the output.
TEST_F(GeneratorPageTest, ButtonsRewireTheChain) {
  Start();
  app::TFrmMain* w = FrmMain;
  auto output_started = [w] { return (w->MMWaveOut1->State() & engine::TMMWaveOut::kStarted) != 0; };

  w->Button1Click(w);
  EXPECT_EQ(w->MMWaveOut1->Input(), w->MMGenerator1);
  EXPECT_EQ(w->MMConnector1->Input(), w->MMWaveOut1);
  EXPECT_FALSE(w->MMWaveIn1->DeviceOpened());
  EXPECT_TRUE(output_started());

  w->Button2Click(w);
  EXPECT_EQ(w->MMWaveOut1->State(), 0u);
  EXPECT_EQ(w->MMConnector1->Input(), w->MMWaveIn1);
  EXPECT_FALSE(w->MMWaveIn1->DeviceOpened());

  w->btn_scompClick(w);
  EXPECT_EQ(w->rg_octave->ItemIndex(), 4);
  EXPECT_EQ(w->MMConnector3->Input(), w->MMGenerator1);
  EXPECT_EQ(w->MMWaveOut1->Input(), w->MMConnector3);
  EXPECT_EQ(w->MMConnector1->Input(), w->MMWaveIn1);
  EXPECT_EQ(w->MMConnector1->Level1(), w->MMLevel1);
  EXPECT_EQ(w->MMConnector1->Level2(), w->mmLevel7);
  EXPECT_EQ(w->MMConnector3->Level1(), w->MMLevel2);
  EXPECT_EQ(w->MMConnector3->Level2(), w->mmLevel8);
  EXPECT_TRUE(w->MMConnector3->Enabled());
  EXPECT_TRUE(w->CheckBox8->Enabled());
  EXPECT_TRUE(w->MMWaveIn1->DeviceStarted());
  EXPECT_TRUE(output_started());
  EXPECT_EQ(w->mmLevel7->MeterScale(), 4);
  EXPECT_EQ(w->mmLevel8->MeterScale(), 4);

  w->Timer1->SetEnabled(true);
  w->btn_pn->SetEnabled(false);
  w->Button21Click(w);
  EXPECT_FALSE(w->Timer1->Enabled());
  EXPECT_EQ(w->MMWaveOut1->State(), 0u);
  EXPECT_FALSE(w->MMWaveIn1->DeviceOpened());
  EXPECT_FALSE(w->MMConnector3->Enabled());
  EXPECT_EQ(w->mmLevel8->LastLevel(), 0);
  EXPECT_EQ(w->MMWaveIn1->Mode(), engine::mStereo);
  EXPECT_EQ(w->conect2->Level1(), w->MMLevel3);
  EXPECT_EQ(w->conect2->Level2(), w->MMLevel4);
  EXPECT_EQ(w->MMConnector1->Level1(), w->MMLevel1);
  EXPECT_EQ(w->MMConnector1->Level2(), w->MMLevel2);
  EXPECT_EQ(w->MMConnector3->Level1(), nullptr);
  EXPECT_EQ(w->MMConnector3->Level2(), nullptr);
  EXPECT_EQ(w->MMWaveOut1->Input(), w->waveplayer) << "the output goes back to the player source";
  EXPECT_EQ(w->MMWaveOut1->Output(), w->MMConnector1);
  EXPECT_EQ(w->MMGenerator1->SampleRate(), w->MMWaveIn1->SampleRate());
  // "Stop Compare" gives the test-signal buttons back.
  EXPECT_TRUE(w->btn_pn->Enabled());

  // The hidden check box decides whether the spectrum also shows the output.
  w->CheckBox8->SetChecked(false);
  EXPECT_EQ(w->MMConnector3->Spectrum1(), nullptr);
  EXPECT_EQ(w->CheckBox8->Caption(), "Analyzer shows only input");
  w->CheckBox8->SetChecked(true);
  EXPECT_EQ(w->MMConnector3->Spectrum1(), w->MMSpectrum1);
  EXPECT_EQ(w->CheckBox8->Caption(), "Analyzer output && input");
  EXPECT_TRUE(errors_.empty()) << errors_.front();
}

// The read-outs follow the meters once every 250 passes of the compare
// connector; the count starts at 50 with the window and goes on across runs.
TEST_F(GeneratorPageTest, CompareReadOutsChangeOnceEvery250Passes) {
  Start();
  app::TFrmMain* w = FrmMain;
  auto pass = [w](int n) {
    for (int i = 0; i < n; ++i) w->MMConnector3Trigger(w->MMConnector3);
  };
  pass(200);
  EXPECT_EQ(w->LabIn->Caption(), "-99,00");
  pass(1);
  EXPECT_EQ(w->LabIn->Caption(), "-Inf");
  EXPECT_EQ(w->LabOut->Caption(), "-Inf");
  w->LabIn->SetCaption("");
  pass(249);
  EXPECT_EQ(w->LabIn->Caption(), "");
  pass(1);
  EXPECT_EQ(w->LabIn->Caption(), "-Inf");
}

class GeneratorChainTest : public GeneratorPageTest {
 protected:
  // Plays on for ms.
  void Run(int ms) { PumpUntil({}, ms); }

  // The largest bin near each multiple of the fundamental's bin, for the
  // first `count` multiples, relative to the fundamental's.
  static std::vector<double> Harmonics(const std::vector<int32_t>& bins, double fundamental, int count) {
    std::vector<double> peaks;
    for (int h = 1; h <= count; ++h) {
      const auto centre = static_cast<int>(std::lround(fundamental * h));
      int32_t best = 0;
      for (int k = centre - 4; k <= centre + 4; ++k) best = std::max(best, bins.at(static_cast<size_t>(k)));
      peaks.push_back(best);
    }
    for (int h = count - 1; h >= 0; --h) peaks[static_cast<size_t>(h)] /= peaks[0];
    return peaks;
  }
};

// Each waveform at 1000 Hz from "Start", as the detector under the played
// buffers analyses it: the fundamental in the bin of 1000 Hz, and the
// overtones that tell the waveforms apart.
TEST_F(GeneratorChainTest, EachWaveformReachesTheAnalysisWithItsOvertones) {
  Start();
  app::TFrmMain* w = FrmMain;
  w->SpinFreq1->SetValue(1000);
  w->spLevel->SetValue(8192);
  w->Button1Click(w);
  engine::TMMPeakDetect* detector = w->MMPeakDetect2;
  ASSERT_EQ(detector->FFTLength(), 32768);
  const double fundamental = 1000.0 / detector->BinWidth();
  ASSERT_NEAR(fundamental, 743.04, 0.01);

  struct Case {
    int value;
    // Levels of the second and third harmonic against the fundamental.
    double second, third;
  };
  const Case cases[] = {
      {0, 0.0, 0.0},          // sine
      {1, 0.0, 1.0 / 3},      // square: odd harmonics at 1/n
      {2, 0.0, 1.0 / 9},      // triangle: odd harmonics at 1/n²
      {3, 1.0 / 2, 1.0 / 3},  // saws: every harmonic at 1/n
      {4, 1.0 / 2, 1.0 / 3},
  };
  std::vector<int32_t> bins(static_cast<size_t>(detector->BinCount()));
  for (const Case& c : cases) {
    SCOPED_TRACE(w->LEDWave1->Caption());
    w->MMSpinButton5->SetValue(c.value);
    Run(400);
    ASSERT_EQ(detector->CopyPeakValues(bins), detector->BinCount());
    const auto loudest = std::max_element(bins.begin(), bins.end()) - bins.begin();
    EXPECT_NEAR(static_cast<double>(loudest), fundamental, 1.0);
    const std::vector<double> h = Harmonics(bins, fundamental, 3);
    EXPECT_NEAR(h[1], c.second, 0.02);
    EXPECT_NEAR(h[2], c.third, 0.02);
  }

  // Noise: no line stands out; the loudest bin is a small multiple of the mean.
  w->MMSpinButton5->SetValue(5);
  Run(400);
  ASSERT_EQ(detector->CopyPeakValues(bins), detector->BinCount());
  double mean = 0;
  for (int32_t v : bins) mean += v;
  mean /= static_cast<double>(bins.size());
  EXPECT_GT(mean, 0.0);
  EXPECT_LT(*std::max_element(bins.begin(), bins.end()), 8 * mean);

  w->Button2Click(w);
  EXPECT_TRUE(errors_.empty()) << errors_.front();
}

// Compare mode on the loopback pair: the generator's square wave (every block
// holds both of its peaks) read back on the input, in dB of full scale.
TEST_F(GeneratorChainTest, CompareReadsTheOutputAgainstTheInput) {
  Start();
  app::TFrmMain* w = FrmMain;
  w->MMSpinButton5->SetValue(1);
  w->btn_scompClick(w);
  ASSERT_TRUE(w->MMWaveIn1->DeviceStarted());
  enum Leds { kOut, kLit, kEither };
  struct Case {
    int amplitude;
    const char* in;
    const char* out;
    // Full scale on both sides lights both overload LEDs; after it, the
    // last full-scale buffers may still light them.
    Leds leds;
  };
  const Case cases[] = {{8192, "-6,02", "-6,02", kOut},
                        {4096, "-12,04", "-12,04", kOut},
                        {16384, "-0,00", "-0,00", kLit},
                        {0, "-Inf", "-Inf", kEither}};
  plat::SetLocaleSeparators(plat::LocaleSeparators{',', ';'});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.amplitude);
    w->MMSpinButton7->SetValue(c.amplitude);
    // What was queued before the change has played and been heard by then.
    Run(1000);
    w->LabIn->SetCaption("");
    w->LabOut->SetCaption("");
    ASSERT_TRUE(PumpUntil([w] { return !w->LabIn->Caption().empty(); }, 10000)) << "no read-out";
    EXPECT_EQ(w->LabIn->Caption(), c.in);
    EXPECT_EQ(w->LabOut->Caption(), c.out);
    if (c.leds != kEither) {
      EXPECT_EQ(w->LEDLeft->Enabled(), c.leds == kLit);
      EXPECT_EQ(w->LEDRight->Enabled(), c.leds == kLit);
    }
  }
  w->Button21Click(w);
  EXPECT_TRUE(errors_.empty()) << errors_.front();
}

}  // namespace
