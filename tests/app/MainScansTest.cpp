// File scans on the headless main window: generated wave files scanned into
// result slots through the player source, the trigger and the first
// connector; the slot's average and highest values in the tone's column, a
// full-scale tone over every stored row, a file without audio, a scan given
// up for the next "Load File", and the views of one slot and of a pair.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <functional>
#include <numbers>
#include <string>
#include <vector>

#include "app/MainForm.h"
#include "app/MainWindowFixture.h"
#include "app/Projects.h"
#include "app/Scans.h"
#include "app/Settings.h"
#include "app/SpecBack.h"
#include "app/ValueFiles.h"
#include "engine/MMPCMSup.h"
#include "engine/MMWaveIO.h"
#include "platform/vcl/TypInfo.h"

namespace {

using app::FrmMain;
using mainwindow::MainWindowTest;
using mainwindow::ReadValues;

constexpr int kRate = 44100;

// Amplitude (1.0 = full scale) of the sample at t seconds.
using Signal = std::function<double(double t)>;

Signal Tone(double hz, double amplitude) {
  return [=](double t) { return amplitude * std::sin(2 * std::numbers::pi * hz * t); };
}

size_t Loudest(const std::vector<int32_t>& values) {
  return static_cast<size_t>(std::max_element(values.begin(), values.end()) - values.begin());
}

class ScansTest : public MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    pump_round_ = 20;
  }

  // 16-bit stereo of `seconds`, written a second at a time.
  std::string WriteWave(const std::string& name, double seconds, const Signal& signal) {
    plat::WAVEFORMATEX format;
    engine::BuildPCMFormat(format, 16, 2, kRate);
    const std::string path = temp_.File(name);
    engine::TWaveIORec* rec = nullptr;
    EXPECT_EQ(engine::WaveCreateInfo(rec, &format), engine::WIOERR_NOERROR);
    EXPECT_EQ(engine::WaveCreateFile(rec, path.c_str()), engine::WIOERR_NOERROR);
    const auto frames = static_cast<int64_t>(seconds * kRate);
    std::vector<int16_t> block;
    for (int64_t first = 0; first < frames; first += kRate) {
      block.clear();
      for (int64_t i = first; i < std::min(frames, first + kRate); ++i) {
        const auto v = static_cast<int16_t>(std::lround(signal(static_cast<double>(i) / kRate) * 32767));
        block.push_back(v);
        block.push_back(v);
      }
      const auto bytes = static_cast<int32_t>(block.size() * sizeof(int16_t));
      EXPECT_EQ(engine::WaveWrite(rec, block.data(), bytes), bytes);
    }
    EXPECT_EQ(engine::WaveCloseFile(rec), engine::WIOERR_NOERROR);
    engine::WaveFreeInfo(rec);
    return path;
  }

  // "Load File k" choosing `file`, then the scan's end.
  bool Scan(int slot, const std::string& file) {
    file_answers_.push_back(file);
    LoadFileButton(slot)->Click();
    return PumpUntil([] { return !FrmMain->ScanRunning(); }, 60000);
  }
  vcl::TButton* LoadFileButton(int slot) const { return FrmMain->LoadFileButtons().at(slot - 1); }

  std::string Folder() const { return app::PeakDataFolder(); }
};

TEST_F(ScansTest, AScanKeepsTheAverageAndTheHighestValuesOfItsFileInTheSlot) {
  Start();
  struct Case {
    const char* what;
    int mode;  // rg_octave
    int slot;
    double seconds;
    double amplitude;
    size_t column;      // of the 1 kHz tone
    int least_percent;  // of the column's highest value its average reaches
  };
  const Case cases[] = {
      // 21.533 Hz a bin: 1 kHz falls in bin 46.
      {"FFT bars, -6 dBFS", 4, 1, 5, 0.5, 46, 50},
      // A steady full-scale tone over all 2047 stored rows and beyond: the
      // average stays near the highest value.
      {"1/3-octave bands, full scale, past the stored rows", 0, 2, 100, 1.0, 0, 50},
      // 10.767 Hz a bin: 1 kHz in bin 93; a refresh needs twice the
      // description's buffer.
      {"FFT 4096 bars", 5, 3, 5, 0.5, 93, 50},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FrmMain->rg_octave->SetItemIndex(c.mode);
    const std::string file = WriteWave("tone.wav", c.seconds, Tone(1000, c.amplitude));
    ASSERT_TRUE(Scan(c.slot, file));
    const std::vector<int32_t> average = ReadValues(app::ScanAverageFile(Folder(), c.slot));
    const std::vector<int32_t> highest = ReadValues(app::ScanHighestFile(Folder(), c.slot));
    ASSERT_EQ(average.size(), static_cast<size_t>(FrmMain->MMSpectrum1->FFTLength() / 2));
    ASSERT_EQ(highest.size(), average.size());
    const size_t column = c.column ? c.column : Loudest(highest);
    if (c.column) {
      EXPECT_NEAR(static_cast<double>(Loudest(average)), static_cast<double>(column), 1);
      EXPECT_NEAR(static_cast<double>(Loudest(highest)), static_cast<double>(column), 1);
    } else {
      EXPECT_EQ(Loudest(average), column);
    }
    EXPECT_GE(int64_t{average[column]} * 100, int64_t{highest[column]} * c.least_percent)
        << "highest " << highest[column] << " in column " << column;
    for (size_t i = 0; i < average.size(); ++i) ASSERT_GE(highest[i], average[i]) << "column " << i;
    // The result is shown: the slot chosen, its highest values behind its average.
    EXPECT_EQ(FrmMain->rg_File->ItemIndex(), c.slot - 1);
    EXPECT_EQ(FrmMain->LoadDialog1->FileName(), app::ScanHighestFile(Folder(), c.slot));
    EXPECT_EQ(FrmMain->Gauge_avg->Progress(), 100);
    EXPECT_TRUE(LoadFileButton(c.slot)->Enabled());
    EXPECT_TRUE(FrmMain->btn_scomp->Enabled());
  }
  EXPECT_TRUE(errors_.empty()) << errors_.front();
  Stop();
}

// The average keeps the first 2047 rows (95.1 s of 8192-byte buffers); the
// highest values follow the whole file. A row is taken only after its buffer
// has gone down the chain, so a tone that starts later cannot reach the
// average; ten seconds of it give the passes ample buffers to catch.
TEST_F(ScansTest, ATonePastTheStoredRowsReachesTheHighestValuesOnly) {
  Start();
  FrmMain->rg_octave->SetItemIndex(4);
  const Signal base = Tone(1000, 0.25);
  const Signal late = Tone(2000, 0.5);
  const std::string file =
      WriteWave("late.wav", 110, [&](double t) { return base(t) + (t >= 97 ? late(t) : 0.0); });
  ASSERT_TRUE(Scan(1, file));
  const std::vector<int32_t> average = ReadValues(app::ScanAverageFile(Folder(), 1));
  const std::vector<int32_t> highest = ReadValues(app::ScanHighestFile(Folder(), 1));
  ASSERT_EQ(average.size(), 1024u);
  ASSERT_EQ(highest.size(), 1024u);
  // 21.533 Hz a bin: 1 kHz in bin 46, 2 kHz in bin 93.
  EXPECT_NEAR(static_cast<double>(Loudest(highest)), 93, 1);
  EXPECT_NEAR(static_cast<double>(Loudest(average)), 46, 1);
  EXPECT_LT(int64_t{average[93]} * 10, int64_t{average[46]}) << "the late tone stays out of the average";
  Stop();
}

// A row is the analysis of its own buffer, however the main thread is paced:
// the same file scanned twice gives the same result, in the FFT bars and in
// the bands.
TEST_F(ScansTest, TheSameFileGivesTheSameResultEveryTime) {
  Start();
  // A tone that comes and goes, so rows taken from other buffers would differ.
  const Signal tone = Tone(1000, 0.5);
  const std::string file =
      WriteWave("bursts.wav", 4, [&](double t) { return std::fmod(t, 0.12) < 0.07 ? tone(t) : 0.0; });
  for (int mode : {4, 0}) {
    SCOPED_TRACE(mode);
    FrmMain->rg_octave->SetItemIndex(mode);
    ASSERT_TRUE(Scan(1, file));
    ASSERT_TRUE(Scan(2, file));
    const std::vector<int32_t> average = ReadValues(app::ScanAverageFile(Folder(), 1));
    ASSERT_FALSE(average.empty());
    EXPECT_GT(average[Loudest(average)], 0);
    EXPECT_EQ(ReadValues(app::ScanAverageFile(Folder(), 2)), average);
    EXPECT_EQ(ReadValues(app::ScanHighestFile(Folder(), 2)), ReadValues(app::ScanHighestFile(Folder(), 1)));
  }
  EXPECT_TRUE(errors_.empty()) << errors_.front();
  Stop();
}

TEST_F(ScansTest, AFileWithoutAudioAndAScanGivenUpLeaveTheirSlotsAlone) {
  Start();
  FrmMain->rg_octave->SetItemIndex(4);
  ASSERT_TRUE(app::PreparePeakDataFolder());
  const std::vector<int32_t> old_result(1024, 77);
  ASSERT_TRUE(app::WriteValueFile(app::ScanAverageFile(Folder(), 2), old_result));

  // No audio at all: the source takes no such file, so there is nothing to
  // scan; the old result and the view stay.
  const std::string empty = WriteWave("empty.wav", 0, Tone(1000, 0.5));
  FrmMain->rg_File->SetItemIndex(5);
  file_answers_.push_back(empty);
  LoadFileButton(2)->Click();
  EXPECT_EQ(messages_, std::vector<std::string>{"Please select a Mp3/Wav File !"});
  EXPECT_FALSE(FrmMain->ScanRunning());
  EXPECT_EQ(ReadValues(app::ScanAverageFile(Folder(), 2)), old_result);
  EXPECT_FALSE(std::filesystem::exists(app::ScanHighestFile(Folder(), 2)));
  EXPECT_EQ(FrmMain->rg_File->ItemIndex(), 5);
  EXPECT_TRUE(LoadFileButton(2)->Enabled());
  // One frame, 0 ms of playing time: one row, and no progress to divide out.
  ASSERT_TRUE(Scan(2, WriteWave("frame.wav", 1.0 / kRate, Tone(1000, 0.5))));
  EXPECT_EQ(ReadValues(app::ScanHighestFile(Folder(), 2)).size(), 1024u);
  EXPECT_EQ(FrmMain->Gauge_avg->Progress(), 0);
  EXPECT_TRUE(errors_.empty());

  // A long scan, then "Load File 4" while it runs: the first is dropped, the
  // second covers its whole file.
  const std::string long_file = WriteWave("long.wav", 60, Tone(1000, 0.5));
  const std::string short_file = WriteWave("short.wav", 3, Tone(2000, 0.5));
  file_answers_.push_back(long_file);
  LoadFileButton(3)->Click();
  ASSERT_TRUE(FrmMain->ScanRunning());
  EXPECT_FALSE(LoadFileButton(3)->Enabled()) << "the load buttons wait for the scan";
  const auto routing_enabled = [] {
    return std::vector<bool>{FrmMain->LineIn1->Enabled(), FrmMain->WavePlayer1->Enabled(),
                             FrmMain->Frequ1->Enabled(), FrmMain->Button25->Enabled()};
  };
  EXPECT_EQ(routing_enabled(), std::vector<bool>(4, false)) << "no routing away from a running scan";
  ASSERT_TRUE(Scan(4, short_file));
  EXPECT_EQ(routing_enabled(), std::vector<bool>(4, true));
  EXPECT_FALSE(std::filesystem::exists(app::ScanAverageFile(Folder(), 3)));
  const std::vector<int32_t> highest = ReadValues(app::ScanHighestFile(Folder(), 4));
  ASSERT_EQ(highest.size(), 1024u);
  EXPECT_NEAR(static_cast<double>(Loudest(highest)), 93, 1) << "2 kHz";
  EXPECT_EQ(FrmMain->ScanSlot(), 4);

  // Cancelled with no file chosen before: said, and the slot is selected all the same.
  FrmMain->waveplayer->CloseFile();
  messages_.clear();
  file_answers_.clear();
  LoadFileButton(5)->Click();
  EXPECT_EQ(messages_, std::vector<std::string>{"Please select a Mp3/Wav File !"});
  EXPECT_EQ(FrmMain->ScanSlot(), 5);
  Stop();
}

TEST_F(ScansTest, TheProgramEndsWhileAScanRuns) {
  Start();
  file_answers_.push_back(WriteWave("long.wav", 60, Tone(1000, 0.5)));
  LoadFileButton(1)->Click();
  ASSERT_TRUE(FrmMain->ScanRunning());
  // The window goes with its trigger pumping; nothing it frees is written afterwards.
  Stop();
  EXPECT_TRUE(errors_.empty()) << errors_.front();
}

TEST_F(ScansTest, TheViewsShowOneSlotOrAPairInTheSlotsColours) {
  Start();
  FrmMain->rg_octave->SetItemIndex(4);
  ASSERT_TRUE(app::PreparePeakDataFolder());
  const int32_t columns = FrmMain->MMSpectrum1->FFTLength() / 2;
  for (int slot = 1; slot <= app::kScanSlotCount; ++slot) {
    ASSERT_TRUE(app::WriteValueFile(app::ScanAverageFile(Folder(), slot), std::vector<int32_t>(1024, slot)));
    ASSERT_TRUE(
        app::WriteValueFile(app::ScanHighestFile(Folder(), slot), std::vector<int32_t>(1024, 10 * slot)));
  }
  auto shown = [&] {
    std::vector<int32_t> values(static_cast<size_t>(columns));
    FrmMain->MMSpectrum1->CopyDisplayValues(values);
    return values;
  };
  struct Case {
    const char* what;
    std::function<void()> choose;
    int32_t values;          // every column of the spectrum
    std::string background;  // the file drawn behind it
    vcl::TColor colour;      // of the values
  };
  const Case cases[] = {
      {"slot 3", [] { FrmMain->rg_File->SetItemIndex(2); }, 3, app::ScanHighestFile(Folder(), 3),
       FrmMain->cb_F3->Value()},
      {"averages of 2 and 5",
       [] {
         FrmMain->rg_Show->SetItemIndex(0);
         FrmMain->rg_comp->SetItemIndex(1);
       },
       5, app::ScanAverageFile(Folder(), 2), FrmMain->cb_F5->Value()},
      {"highest of 3 and 6 from the menu", [] { FrmMain->File141->Click(); }, 60,
       app::ScanHighestFile(Folder(), 3), FrmMain->cb_F6->Value()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    if (c.values == 60) FrmMain->rg_Show->SetItemIndex(1);
    c.choose();
    EXPECT_EQ(shown(), std::vector<int32_t>(static_cast<size_t>(columns), c.values));
    EXPECT_EQ(FrmMain->LoadDialog1->FileName(), c.background);
    EXPECT_EQ(FrmMain->MMSpectrum1->Bar1Color(), c.colour);
  }
  EXPECT_EQ(FrmMain->rg_octave->ItemIndex(), 4);
  FrmMain->cb_F4->SetValue(0x123456);
  EXPECT_EQ(app::ReadInteger("cb_f4", 0), 0x123456);
  Stop();
}

}  // namespace
