// The read-outs above the spectrum on the headless main window: the stereo
// correlation meter with its settings dialog, the peak frequency, the note
// and the big peak window. Sound comes from the virtual file input playing
// wave files the tests write. The clock is the real one: the connectors' idle
// step sleeps on it, so a manual clock would stand still under them.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <functional>
#include <numbers>
#include <optional>
#include <string>
#include <vector>

#include "app/Corre.h"
#include "app/MainForm.h"
#include "app/MainWindowFixture.h"
#include "app/PeakForm.h"
#include "app/Settings.h"
#include "controls/MMColBtn.h"
#include "engine/MMPCMSup.h"
#include "engine/MMUtils.h"
#include "engine/MMWaveIO.h"
#include "platform/mm/WaveDevices.h"
#include "platform/mm/WaveFileInput.h"
#include "platform/registry/Registry.h"

namespace {

using app::FrmMain;

using Channel = std::function<double(double seconds)>;

Channel Sine(double hz, double amplitude = 0.5) {
  return [=](double t) { return amplitude * std::sin(2 * std::numbers::pi * hz * t); };
}
// Full scale: the scopes clip it at their edges.
Channel Square(double hz) {
  return [=](double t) { return std::sin(2 * std::numbers::pi * hz * t) >= 0 ? 1.0 : -1.0; };
}
Channel Inverted(Channel c) {
  return [c](double t) { return -c(t); };
}
double Silence(double) { return 0.0; }

using Box = std::array<int, 4>;
Box BoxOf(const vcl::TRect& r) { return {r.left, r.top, r.right, r.bottom}; }

class ReadoutsTest : public mainwindow::MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    pump_round_ = 20;
  }
  void TearDown() override {
    MainWindowTest::TearDown();
    plat::wavedev::SetFileInputPath("");
  }
  void Run(int ms) { PumpUntil({}, ms); }

  // One second of 16-bit stereo, so a tone of whole hertz loops without a seam.
  std::string WriteWave(const std::string& name, int rate, const Channel& left, const Channel& right) {
    std::vector<int16_t> samples;
    for (int i = 0; i < rate; ++i) {
      const double t = static_cast<double>(i) / rate;
      samples.push_back(static_cast<int16_t>(std::lround(left(t) * 32767)));
      samples.push_back(static_cast<int16_t>(std::lround(right(t) * 32767)));
    }
    plat::WAVEFORMATEX format;
    engine::BuildPCMFormat(format, 16, 2, rate);
    const std::string path = temp_.File(name);
    engine::TWaveIORec* rec = nullptr;
    EXPECT_EQ(engine::WaveCreateInfo(rec, &format), engine::WIOERR_NOERROR);
    EXPECT_EQ(engine::WaveCreateFile(rec, path.c_str()), engine::WIOERR_NOERROR);
    const auto bytes = static_cast<int32_t>(samples.size() * sizeof(int16_t));
    EXPECT_EQ(engine::WaveWrite(rec, samples.data(), bytes), bytes);
    EXPECT_EQ(engine::WaveCloseFile(rec), engine::WIOERR_NOERROR);
    engine::WaveFreeInfo(rec);
    return path;
  }

  // Real-time analysis of a file heard through the file input.
  void Listen(const std::string& path, int rate = 44100) {
    FrmMain->MMWaveIn1->Close();
    plat::wavedev::SetFileInputPath(path);
    FrmMain->MMWaveIn1->SetDeviceID(
        static_cast<engine::TMMDeviceId>(plat::wavedev::FindWaveInDevice("File Input")));
    FrmMain->MMWaveIn1->SetSampleRate(rate);
    FrmMain->LineIn1Click(FrmMain);
    ASSERT_TRUE(FrmMain->MMWaveIn1->DeviceStarted());
  }

  // The correlation speeds: 0 FAST, 1 MIDDEL, 2 SLOW.
  static void Speed(int index) { app::fCorre->rg_correlation->SetItemIndex(index); }

  static vcl::TColor ImagePixel(int x, int y) { return FrmMain->Image4->Canvas()->Pixels(x, y); }
};

// ---- correlation ----

// The marker of the current correlation sits at 150 + r * 142, moved 4 away
// from the middle, in the colour of its side.
TEST_F(ReadoutsTest, ChannelRelationGivesTheMarkerPositionAndColour) {
  Start();
  Speed(0);
  const app::TCorrelationColors colors = FrmMain->CorrelationColors();
  struct Case {
    const char* what;
    Channel left, right;
    int x;
    vcl::TColor color;
  };
  const Channel tone = Sine(1000);
  const Case cases[] = {
      {"identical", tone, tone, 296, colors.above},
      {"inverted", tone, Inverted(tone), 4, colors.below},
      {"one silent", tone, Silence, 150, colors.zero},
      {"inverted, clipped", Square(1000), Inverted(Square(1000)), 4, colors.below},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Listen(WriteWave("relation.wav", 44100, c.left, c.right));
    // The average reaches the new relation once the history has turned over.
    EXPECT_TRUE(PumpUntil([&] { return ImagePixel(c.x, 12) == c.color; }));
    for (int other : {4, 150, 296}) {
      if (other == c.x) continue;
      EXPECT_NE(ImagePixel(other, 12), c.color) << "a marker at " << other;
    }
  }
  EXPECT_TRUE(FrmMain->Image4->Visible());
  EXPECT_TRUE(errors_.empty()) << errors_.front();
}

// A stored averaging length past the history is brought into it, and a new
// length restarts the average instead of dividing by the old count.
TEST_F(ReadoutsTest, AveragingLengthStaysWithinTheHistory) {
  Start();
  struct Case {
    int stored;
    int used;
  };
  for (const Case& c : {Case{1000, 490}, Case{0, 1}, Case{-5, 1}, Case{199, 199}, Case{490, 490}}) {
    FrmMain->SetCorrelationAverage(c.stored);
    EXPECT_EQ(FrmMain->CorrelationAverage(), c.used) << c.stored;
  }
  Speed(1);
  const Channel tone = Sine(1000);
  Listen(WriteWave("same.wav", 44100, tone, tone));
  EXPECT_TRUE(PumpUntil([] { return FrmMain->Correlation().index == 161; }, 10000));
  // As a project load does: a shorter length while the history is full.
  FrmMain->SetCorrelationAverage(50);
  EXPECT_EQ(FrmMain->Correlation().index, 1);
  EXPECT_TRUE(PumpUntil([] { return FrmMain->Correlation().index == 51; }));
  Run(200);
  EXPECT_EQ(ImagePixel(296, 12), FrmMain->CorrelationColors().above);
  EXPECT_TRUE(errors_.empty()) << errors_.front();
}

// After a reset the extremes start at 0, so each moves only on its own side;
// the percentages count the timer's ticks with a non-negative average.
TEST_F(ReadoutsTest, ExtremesAndShareOfTimeAccumulateUntilReset) {
  Start();
  app::TFrmMain* w = FrmMain;
  Speed(0);
  w->lab_cor_pClick(w->lab_cor_p);
  EXPECT_EQ(w->lab_cor_p->Caption(), "0%");
  EXPECT_EQ(w->Lab_Min->Caption(), "0.00");
  const Channel tone = Sine(1000);
  Listen(WriteWave("inverted.wav", 44100, tone, Inverted(tone)));
  ASSERT_TRUE(PumpUntil([w] { return w->Correlation().index == w->CorrelationAverage() + 1; }));
  Run(100);
  w->lab_cor_pClick(w->Lab_Max);
  Run(1300);
  EXPECT_EQ(w->lab_cor_p->Caption(), "0%");
  EXPECT_EQ(w->lab_cor_p2->Caption(), "100%");
  EXPECT_EQ(w->Lab_Min->Caption(), "  -1.00");
  EXPECT_EQ(w->Lab_Max->Caption(), "0.00");

  Listen(WriteWave("same.wav", 44100, tone, tone));
  ASSERT_TRUE(PumpUntil([w] { return w->Lab_Max->Caption() == "   1.00"; }));
  EXPECT_EQ(w->Lab_Min->Caption(), "  -1.00");
  Run(1300);
  EXPECT_NE(w->lab_cor_p->Caption(), "0%");

  // Unmarked, the meter is hidden and stands still.
  w->DisplayCorrelationMeter1->SetChecked(false);
  Run(100);
  EXPECT_FALSE(w->Image4->Visible());
  const int index = w->Correlation().index;
  const double sum = w->Correlation().sum;
  Run(300);
  EXPECT_EQ(w->Correlation().index, index);
  EXPECT_EQ(w->Correlation().sum, sum);
  EXPECT_TRUE(errors_.empty()) << errors_.front();
}

TEST_F(ReadoutsTest, SettingsDialogSetsSpeedAndColours) {
  app::WriteInteger("c_bar_p", vcl::clBlue);
  app::WriteInteger("c_line", vcl::clFuchsia);
  Start();
  app::TfCorre* d = app::fCorre;
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->Caption(), "Correlation Meter Settings");
  EXPECT_EQ(d->rg_correlation->ItemIndex(), 2);
  EXPECT_EQ(d->MMColorButton5->Value(), 8454143);
  EXPECT_EQ(d->MMColorButton6->Value(), vcl::clRed);
  // Start-up took the stored colours, the others from the dialog.
  EXPECT_EQ(FrmMain->CorrelationColors().above, vcl::clBlue);
  EXPECT_EQ(FrmMain->CorrelationColors().zero, 8454143);
  EXPECT_EQ(FrmMain->CorrelationAverage(), 490);
  // The scale under the bars is drawn in the line colour.
  EXPECT_EQ(ImagePixel(150, FrmMain->Image4->Height() - 15), vcl::clFuchsia);

  FrmMain->CorrelationSettings1Click(FrmMain);
  EXPECT_TRUE(d->Visible());
  EXPECT_EQ(d->MMColorButton4->Value(), vcl::clBlue) << "the dialog shows the stored colours";
  EXPECT_EQ(d->color_1->Value(), vcl::clFuchsia);
  d->color_1->SetValue(vcl::clAqua);
  EXPECT_EQ(FrmMain->CorrelationColors().line, vcl::clAqua);
  EXPECT_EQ(ImagePixel(150, FrmMain->Image4->Height() - 15), vcl::clAqua);
  d->MMColorButton6->SetValue(vcl::clMaroon);
  EXPECT_EQ(FrmMain->CorrelationColors().below, vcl::clMaroon);

  struct Speed {
    int index, average, history;
  };
  for (const Speed& s : {Speed{0, 50, 50}, Speed{1, 160, 100}, Speed{2, 490, 490}}) {
    Run(100);
    d->rg_correlation->SetItemIndex(s.index);
    EXPECT_EQ(FrmMain->CorrelationAverage(), s.average);
    EXPECT_EQ(FrmMain->CorrelationHistoryLength(), s.history);
    EXPECT_EQ(FrmMain->Correlation().index, 1) << "a new speed restarts the average";
  }
  d->btn_okayClick(d->btn_okay);
  EXPECT_FALSE(d->Visible());
  EXPECT_TRUE(errors_.empty()) << errors_.front();
}

// The averaging length and the colours go with the registry part of a
// project; a length the history cannot hold is brought into it.
TEST_F(ReadoutsTest, ProjectKeepsAverageAndColours) {
  Start();
  EXPECT_EQ(FrmMain->CorrelationAverage(), 490) << "the speed is applied again after the default project";
  const app::TCorrelationColors colors{vcl::clAqua, vcl::clBlue, vcl::clGray, vcl::clMaroon};
  FrmMain->SetCorrelationColors(colors);
  const std::string project = temp_.File("meter.prj");
  FrmMain->SaveSettingsFile(project);
  FrmMain->SetCorrelationColors({});
  struct Case {
    std::optional<int> stored;
    int average;
  };
  for (const Case& c : {Case{std::nullopt, 199}, Case{1000, 490}, Case{-3, 1}, Case{160, 160}}) {
    if (c.stored) {
      app::WriteInteger("average_c", *c.stored);
    } else {
      plat::HKEY key = nullptr;
      ASSERT_EQ(plat::RegCreateKeyA(plat::HKEY_CURRENT_USER, app::kSettingsKey, &key), 0);
      plat::RegDeleteValueA(key, "average_c");
      plat::RegCloseKey(key);
    }
    FrmMain->LoadSettingsFile(project);
    EXPECT_EQ(FrmMain->CorrelationAverage(), c.average);
  }
  const app::TCorrelationColors loaded = FrmMain->CorrelationColors();
  EXPECT_EQ(loaded.line, colors.line);
  EXPECT_EQ(loaded.above, colors.above);
  EXPECT_EQ(loaded.zero, colors.zero);
  EXPECT_EQ(loaded.below, colors.below);
  EXPECT_TRUE(errors_.empty()) << errors_.front();
}

// ---- peak frequency and note ----

// Once a second the strongest bin of the long transform, corrected for the
// bin grid of the input's rate.
TEST_F(ReadoutsTest, PeakReadOutAtBothRates) {
  Start();
  app::TFrmMain* w = FrmMain;
  struct Case {
    int rate;
    double hz;
    const char* text;
  };
  for (const Case& c : {Case{44100, 1000, "1000.000"}, Case{48000, 1000, "1000.000"},
                        Case{44100, 440, " 440.137"}, Case{48000, 2000, "1999.024"}}) {
    SCOPED_TRACE(c.text);
    Listen(WriteWave("tone.wav", c.rate, Sine(c.hz), Sine(c.hz)), c.rate);
    EXPECT_TRUE(PumpUntil([&] { return w->lab_frq->Caption() == c.text; }));
    EXPECT_EQ(app::fPeak->Label1->Caption(), c.text);
  }
  // In the FFT modes the spectrum's peak label takes it too.
  w->rg_octave->SetItemIndex(4);
  Listen(WriteWave("tone.wav", 44100, Sine(1000), Sine(1000)));
  EXPECT_TRUE(PumpUntil([w] { return std::abs(w->MMSpectrum1->ExternPeakValue() - 1000.0f) < 1e-3f; }));
  // Silence leaves the read-out as it was.
  Listen(WriteWave("silence.wav", 44100, Silence, Silence));
  Run(2500);
  EXPECT_EQ(w->lab_frq->Caption(), "1000.000");
  EXPECT_EQ(w->Peak().peak_bin2, 0);
  EXPECT_TRUE(errors_.empty()) << errors_.front();
}

// The note of the first detector's peak, within 1 Hz of a note's frequency.
TEST_F(ReadoutsTest, NoteOfThePeak) {
  Start();
  app::TFrmMain* w = FrmMain;
  struct Case {
    double hz;
    int peak_freq;
    const char* note;
  };
  for (const Case& c :
       {Case{441, 441, "A4"}, Case{440, 438, ""}, Case{1000, 1001, ""}, Case{262, 261, "C4"}}) {
    SCOPED_TRACE(c.hz);
    Listen(WriteWave("tone.wav", 44100, Sine(c.hz), Sine(c.hz)));
    EXPECT_TRUE(PumpUntil([&] { return w->Peak().peak_freq == c.peak_freq; }));
    EXPECT_EQ(w->lab_note->Caption(), c.note);
  }
  // Passes count twice while the note is shown: the label follows every 95th pass.
  w->MMWaveIn1->Close();
  std::vector<int> updates;
  for (int pass = 0; pass < 300; ++pass) {
    w->lab_note->SetCaption("?");
    w->conect2Trigger(w->conect2);
    if (w->lab_note->Caption() != "?") updates.push_back(pass);
  }
  ASSERT_EQ(updates.size(), 3u);
  EXPECT_EQ(updates[1] - updates[0], 95);
  EXPECT_EQ(updates[2] - updates[1], 95);

  w->DisplayNote1->Click();
  EXPECT_FALSE(w->DisplayNote1->Checked());
  EXPECT_FALSE(w->lab_note->Visible());
  EXPECT_FALSE(w->Label6->Visible());
  for (int pass = 0; pass < 300; ++pass) w->conect2Trigger(w->conect2);
  EXPECT_EQ(w->lab_note->Caption(), "?") << "an unmarked note is not updated";
  w->DisplayNote1->Click();
  EXPECT_TRUE(w->lab_note->Visible());
  EXPECT_TRUE(errors_.empty()) << errors_.front();
}

TEST(NoteOfFrequency, NotesOfTheOctavesWithinOneHertz) {
  struct Case {
    int hz;
    const char* note;
  };
  for (const Case& c :
       {Case{440, "A4"}, Case{439, "A4"}, Case{441, "A4"}, Case{442, ""}, Case{32, "C1"}, Case{7902, "B8"},
        Case{7903, "B8"}, Case{7904, ""}, Case{30, ""}, Case{0, ""}, Case{-440, ""}, Case{1046, "C6"}})
    EXPECT_EQ(app::NoteOfFrequency(c.hz), c.note) << c.hz;
}

// ---- the big peak window ----

TEST_F(ReadoutsTest, PeakWindowKeepsItsBoundsWithinItsLimits) {
  Start();
  app::TfPeak* p = app::fPeak;
  ASSERT_NE(p, nullptr);
  // Nothing stored: the smallest size in the corner.
  EXPECT_EQ(BoxOf(p->BoundsRect()), (Box{0, 0, 450, 199}));
  EXPECT_EQ(p->Label1->Font()->Size(), 65);
  EXPECT_FALSE(p->Visible());

  struct Case {
    int x, y, w, h;
    Box bounds;
    int font;
  };
  const Case cases[] = {
      {100, 50, 600, 220, {100, 50, 700, 270}, 83},
      {10, 20, 5000, 10, {10, 20, 705, 219}, 95},
      {0, 0, 531, 200, {0, 0, 531, 200}, 75},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.w);
    p->Hide();
    for (const auto& [name, value] :
         {std::pair{"peak.x", c.x}, {"peak.y", c.y}, {"peak.w", c.w}, {"peak.h", c.h}})
      engine::RegWriteVariant(plat::HKEY_CURRENT_USER, app::kPeakWindowKey, name,
                              plat::Variant(int32_t{value}));
    FrmMain->lab_frqClick(FrmMain->lab_frq);
    EXPECT_TRUE(p->Visible());
    EXPECT_EQ(BoxOf(p->BoundsRect()), c.bounds);
    EXPECT_EQ(p->Label1->Font()->Size(), c.font);
  }
  // A second after it is shown the window turns black.
  p->SetColor(vcl::clGray);
  FrmMain->Show1Click(FrmMain->Show1);
  EXPECT_TRUE(p->Timer1->Enabled());
  Run(1000);
  EXPECT_EQ(p->Color(), vcl::clBlack);
  EXPECT_FALSE(p->Timer1->Enabled());

  p->SetBounds(30, 40, 500, 210);
  delete p;
  EXPECT_EQ(app::fPeak, nullptr);
  for (const auto& [name, value] :
       {std::pair{"peak.x", 30}, {"peak.y", 40}, {"peak.w", 500}, {"peak.h", 210}})
    EXPECT_EQ(
        engine::RegReadVariant(plat::HKEY_CURRENT_USER, app::kPeakWindowKey, name, plat::Variant(int32_t{-1}))
            .AsInteger(),
        value)
        << name;
  EXPECT_TRUE(errors_.empty()) << errors_.front();
}

}  // namespace
