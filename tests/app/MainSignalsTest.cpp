// Test signals on the virtual devices: the test file played on the loopback
// output while the recorder records the loopback input, the recording
// scanned into the test's slot when the output stops (at the file's end or
// by "Stop"), the page's buttons off meanwhile and back afterwards, and a
// start that fails leaving nothing behind.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <numeric>
#include <string>
#include <vector>

#include "MainWindowFixture.h"
#include "ValueFiles.h"
#include "app/Projects.h"
#include "app/Scans.h"
#include "platform/kernel/Clock.h"
#include "tests/files/MpegFixtures.h"
#include "tests/files/WaveFixtures.h"

namespace {

using app::FrmMain;
using mainwindow::MainWindowTest;
using mainwindow::ReadValues;

// Power per octave band from a slot's values (magnitudes, one per bin of
// `bin_hz`), in dB; the band reaches half an octave either side of its centre.
std::vector<double> OctaveBandLevels(const std::vector<int32_t>& values, double bin_hz,
                                     const std::vector<double>& centres) {
  std::vector<double> levels;
  for (double centre : centres) {
    double sum = 0.0;
    for (size_t k = 1; k < values.size(); ++k) {
      const double f = static_cast<double>(k) * bin_hz;
      if (f >= centre / std::sqrt(2.0) && f < centre * std::sqrt(2.0))
        sum += static_cast<double>(values[k]) * static_cast<double>(values[k]);
    }
    levels.push_back(sum > 0 ? 10.0 * std::log10(sum) : -1000.0);
  }
  return levels;
}

class TestSignalTest : public MainWindowTest {
 protected:
  TestSignalTest() { pump_round_ = 2; }

  bool Finished() {
    return PumpUntil([] { return !FrmMain->TestSignalActive() && !FrmMain->ScanRunning(); }, 90000);
  }

  // The controls a running test keeps from the user.
  static std::vector<vcl::TControl*> HeldControls() {
    app::TFrmMain* w = FrmMain;
    std::vector<vcl::TControl*> held = {w->btn_pn,   w->btn_wn,   w->btn_swwep, w->btn_scomp,
                                        w->Button21, w->btn_play, w->btn_eject, w->bntRec};
    for (vcl::TButton* b : w->LoadFileButtons()) held.push_back(b);
    return held;
  }

  static void ExpectHeld(bool held) {
    for (vcl::TControl* c : HeldControls()) EXPECT_EQ(c->Enabled(), !held) << c->Name();
    EXPECT_TRUE(FrmMain->btn_stop->Enabled()) << "Stop ends a test";
  }

  static std::string Recording(const char* name) { return app::TFrmMain::TestRecordingFolder() + name; }
};

TEST_F(TestSignalTest, PinkNoiseFromTheLoopbackIsScannedFlatPerOctaveIntoSlotFour) {
  Start();
  app::TFrmMain* w = FrmMain;
  w->btn_pn->Click();
  ASSERT_TRUE(w->TestSignalActive());
  EXPECT_EQ(w->TestSignalKind(), 1);
  EXPECT_EQ(w->waveplayer->FileName(), w->TestSignalFolder() + "pink noise.wav");
  EXPECT_EQ(w->wavRecorder->Wave()->FileName(), Recording("Mic_pink noise.wav"));
  EXPECT_EQ(w->MMConnector1->Input(), w->wavRecorder) << "the recording in the first connector";
  EXPECT_EQ(w->MMWaveOut1->Output(), w->conect2) << "what is played in the second";
  EXPECT_EQ(w->conect2->Spectrum1(), w->MMSpectrum1);
  EXPECT_EQ(w->sp_peaks->Value(), 1);
  EXPECT_TRUE(w->ckbLeavePeak->Checked());
  EXPECT_EQ(w->rg_octave->ItemIndex(), 4);
  EXPECT_EQ(w->rg_File->ItemIndex(), 3);
  EXPECT_EQ(w->ScanSlot(), 4);
  ExpectHeld(true);

  ASSERT_TRUE(Finished());
  EXPECT_TRUE(errors_.empty()) << errors_.front();
  const std::string folder = app::PeakDataFolder();
  const std::vector<int32_t> average = ReadValues(app::ScanAverageFile(folder, 4));
  ASSERT_EQ(average.size(), 1024u);
  EXPECT_EQ(ReadValues(app::ScanHighestFile(folder, 4)).size(), 1024u);
  EXPECT_EQ(w->waveplayer->FileName(), Recording("Mic_pink noise.wav")) << "the recording was scanned";
  EXPECT_EQ(w->rg_File->ItemIndex(), 3);
  EXPECT_EQ(w->wavRecorder->Wave()->FileName(), "") << "the recording is never recorded over";
  EXPECT_EQ(w->conect2->Spectrum1(), nullptr);
  ExpectHeld(false);

  // Equal power per octave: every band from 63 Hz to 8 kHz within 3 dB of their mean.
  const std::vector<double> centres = {63, 125, 250, 500, 1000, 2000, 4000, 8000};
  const std::vector<double> levels = OctaveBandLevels(average, 44100.0 / 2048, centres);
  const double mean = std::accumulate(levels.begin(), levels.end(), 0.0) / static_cast<double>(levels.size());
  for (size_t i = 0; i < levels.size(); ++i) EXPECT_NEAR(levels[i], mean, 3.0) << centres[i] << " Hz";
  Stop();
}

TEST_F(TestSignalTest, StopEndsATestAndAStartThatFailsLeavesNothingBehind) {
  Start();
  app::TFrmMain* w = FrmMain;
  w->LEQcalculator1Click(w);
  ASSERT_TRUE(w->LeqActive());

  // White noise stopped by hand after about a second: the partial recording is scanned.
  w->btn_wn->Click();
  ASSERT_TRUE(w->TestSignalActive());
  ExpectHeld(true);
  const int64_t start = plat::ClockNowMicroseconds();
  PumpUntil([&] { return plat::ClockNowMicroseconds() - start >= 1'000'000; }, 5000);
  w->btn_stop->Click();
  EXPECT_FALSE(w->TestSignalActive());
  ASSERT_TRUE(Finished());
  EXPECT_TRUE(errors_.empty()) << errors_.front();
  plat::WAVEFORMATEX format{};
  const filestest::Bytes data = filestest::ReadWaveData(Recording("Mic_white noise.wav"), &format);
  const double seconds = static_cast<double>(data.size()) / 176400;
  EXPECT_GT(seconds, 0.5);
  EXPECT_LT(seconds, 5.0) << "the recording ends with the test";
  EXPECT_EQ(ReadValues(app::ScanAverageFile(app::PeakDataFolder(), 5)).size(), 1024u);
  EXPECT_EQ(w->Gauge_avg->Progress(), 100);
  EXPECT_EQ(w->wavRecorder->Wave()->FileName(), "");
  EXPECT_FALSE(w->LeqActive()) << "the test's end ends the Leq measurement";
  ExpectHeld(false);

  // A missing test file, or one that holds no audio: refused with the file's
  // name, and the page is as it was.
  std::filesystem::create_directories(temp_.File("tones"));
  filestest::WriteBytes(temp_.File("tones/sweep.mp3"), {});
  struct Case {
    const char* what;
    std::string folder;
  };
  const Case cases[] = {{"missing", temp_.File("none/")}, {"empty", temp_.File("tones/")}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    w->SetTestSignalFolder(c.folder);
    EXPECT_THROW(w->btn_swwepClick(w), vcl::Exception);
    EXPECT_FALSE(w->TestSignalActive());
    EXPECT_FALSE(w->ScanRunning());
    EXPECT_FALSE(w->Recording());
    EXPECT_EQ(w->wavRecorder->Wave()->FileName(), "");
    EXPECT_FALSE(std::filesystem::exists(app::ScanAverageFile(app::PeakDataFolder(), 6)));
    ExpectHeld(false);
  }
  Stop();
}

}  // namespace
