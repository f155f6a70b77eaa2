// The player page on the virtual devices: files opened with their read-outs,
// the transport, loops played on the loopback output, recordings from the
// loopback input opened in the player, and the page locked while a scan or a
// test signal drives the player.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "MainWindowFixture.h"
#include "app/PeakRecords.h"
#include "app/Settings.h"
#include "support/ClockPusher.h"
#include "tests/files/MpegFixtures.h"
#include "tests/files/WaveFixtures.h"

namespace {

using app::FrmMain;
using mainwindow::MainWindowTest;

class PlayerPageTest : public MainWindowTest {
 protected:
  // While a file plays, every message round runs the connectors' passes.
  PlayerPageTest() { pump_round_ = 2; }
  // The player, the recorder and the page's timers follow the manual clock:
  // what a wait reads (positions, lengths recorded, where a loop wrapped) is
  // in clock time, however slowly the machine serves the devices.
  void SetUp() override {
    MainWindowTest::SetUp();
    UseManualClockMovedByPasses();
  }
  void TearDown() override {
    // Closing the devices may wait on the clock.
    testsupport::ClockPusher pusher;
    MainWindowTest::TearDown();
  }

  // A 44.1 kHz 16-bit stereo tone of `ms` milliseconds.
  std::string ToneFile(const std::string& name, int ms) {
    const std::string path = temp_.File(name);
    const plat::WAVEFORMATEX f = filestest::Pcm(16, 2, 44100);
    filestest::WriteWave(path, f, filestest::Tone(f, ms * 441 / 10));
    return path;
  }

  void Open(const std::string& path) {
    file_answers_.push_back(path);
    FrmMain->btn_ejectClick(FrmMain);
  }

  bool OutputStarted() const { return (FrmMain->MMWaveOut1->State() & engine::TMMWaveOut::kStarted) != 0; }
  bool OutputPaused() const { return (FrmMain->MMWaveOut1->State() & engine::TMMWaveOut::kPaused) != 0; }
};

TEST_F(PlayerPageTest, OpenedFilesShowTheirFormatAndSetTheLoopLimits) {
  Start();
  app::TFrmMain* w = FrmMain;
  // Cancelled with no file: the loop ends follow the empty player.
  w->edte1->SetValue(7);
  w->btn_ejectClick(w);
  EXPECT_EQ(w->edte1->MaxValue(), 0);
  EXPECT_EQ(w->edte1->Value(), 0);
  EXPECT_FALSE(w->TrackBar->Enabled());

  const std::string wave = ToneFile("tone.wav", 10500);
  Open(wave);
  EXPECT_EQ(w->MMWaveOut1->Input(), w->waveplayer) << "opening a file routes the player";
  EXPECT_TRUE(w->TrackBar->Enabled());
  EXPECT_EQ(w->TrackBar->MaxValue(), 10500);
  EXPECT_EQ(w->TrackBar->Position(), 0);
  EXPECT_EQ(w->labLeft->Caption(), "0:10.500");
  EXPECT_EQ(w->MMLEDPanel6->Value(), 44100);
  EXPECT_EQ(w->MMLEDPanel7->Value(), 16);
  EXPECT_EQ(w->MMLEDMode2->Mode(), controls::mStereo);
  EXPECT_EQ(w->MMLEDPanel1->Value(), (44 + 1852200) / 1024);
  EXPECT_EQ(w->LabFile->Caption(), "tone.wav");
  EXPECT_EQ(w->mpkbit->Value(), 0);
  EXPECT_EQ(w->lblLayer2->Caption(), "");
  EXPECT_EQ(w->edte1->MaxValue(), 10);
  EXPECT_EQ(w->edte1->Value(), 10);
  EXPECT_EQ(w->edte2->MaxValue(), 10);
  EXPECT_EQ(w->edte3->MaxValue(), 10);
  EXPECT_EQ(app::ReadString("InitDir", "unset"), vcl::ExtractFileDir(wave));

  filestest::Mp3Spec spec;
  spec.kbps = 160;
  spec.seconds = 2.0;
  const std::string mp3 = temp_.File("tone.mp3");
  filestest::WriteBytes(mp3, filestest::EncodeMp3(spec));
  Open(mp3);
  EXPECT_EQ(w->LabFile->Caption(), "tone.mp3");
  EXPECT_EQ(w->mpkbit->Value(), 160);
  EXPECT_EQ(w->lblLayer2->Caption(), "III");
  EXPECT_TRUE(w->lblLayer2->Visible());
  EXPECT_EQ(w->MMLEDPanel7->Value(), 16) << "the panel holds the sample rate within its range";
  EXPECT_EQ(w->MMLEDMode2->Mode(), controls::mStereo);
  EXPECT_EQ(w->edte1->MaxValue(), 2);

  // A file no class takes leaves the player empty and says so.
  const std::string junk = temp_.File("junk.wav");
  filestest::WriteBytes(junk, std::vector<uint8_t>(300, 0x5A));
  Open(junk);
  EXPECT_TRUE(w->waveplayer->IsEmpty());
  EXPECT_FALSE(w->TrackBar->Enabled());
  EXPECT_EQ(w->edte1->MaxValue(), 0);
  EXPECT_EQ(errors_.size(), 1u);
}

TEST_F(PlayerPageTest, TransportPlaysPausesSeeksAndStops) {
  Start();
  app::TFrmMain* w = FrmMain;
  // The menu shows the page with a clear spectrum.
  w->MMSpectrum1->SetDisplayValue(40, 5000);
  w->WavePlayer1Click(w);
  EXPECT_TRUE(w->PanPlayer->Visible());
  EXPECT_EQ(w->MMSpectrum1->DisplayValue(40), 0);
  w->btn_playClick(w);
  ASSERT_EQ(messages_, std::vector<std::string>{"Please select a Wave / Mp3 File !"});
  Open(ToneFile("tone.wav", 10500));

  // After the generator page the output is fed from the generator: Play routes again.
  w->MMWaveOut1->SetInput(w->MMGenerator1);
  w->btn_playClick(w);
  EXPECT_EQ(w->MMWaveOut1->Input(), w->waveplayer);
  EXPECT_TRUE(OutputStarted());
  EXPECT_TRUE(w->WaveTimer->Enabled());
  EXPECT_TRUE(w->btn_play->Down());
  ASSERT_TRUE(PumpUntil([&] { return w->TrackBar->Position() > 0; }));

  w->btn_pauseClick(w);
  EXPECT_TRUE(w->PlayerPaused());
  EXPECT_TRUE(OutputPaused());
  EXPECT_TRUE(w->btn_pause->Down());
  w->btn_playClick(w);
  EXPECT_FALSE(OutputPaused()) << "Play after Pause resumes";
  EXPECT_TRUE(w->PlayerPaused()) << "until Stop, Play keeps resuming";
  EXPECT_FALSE(w->btn_pause->Down());

  w->btn_stopClick(w);
  EXPECT_FALSE(OutputStarted());
  EXPECT_FALSE(w->PlayerPaused());
  EXPECT_FALSE(w->WaveTimer->Enabled());
  EXPECT_FALSE(w->btn_play->Down());
  EXPECT_EQ(w->waveplayer->GetPosition(), w->TrackBar->Position());

  struct Seek {
    const char* what;
    int from;
    void (app::TFrmMain::*button)(vcl::TObject*);
    int to;
  };
  const Seek seeks[] = {
      {"rewind near the start stops at the start", 500, &app::TFrmMain::btn_backwardClick, 0},
      {"rewind", 5000, &app::TFrmMain::btn_backwardClick, 3950},
      {"forward", 5000, &app::TFrmMain::btn_forwardClick, 6050},
      {"forward near the end stops at the end", 10000, &app::TFrmMain::btn_forwardClick, 10500}};
  for (const Seek& s : seeks) {
    SCOPED_TRACE(s.what);
    w->waveplayer->SetPosition(s.from);
    (w->*s.button)(w);
    EXPECT_EQ(w->waveplayer->GetPosition(), s.to);
    EXPECT_EQ(w->TrackBar->Position(), s.to);
  }
  // The slider moves the stopped player and shows the times.
  w->TrackBar->SetPosition(2500);
  EXPECT_EQ(w->waveplayer->GetPosition(), 2500);
  EXPECT_EQ(w->Label10->Caption(), "0:02.500");
  EXPECT_EQ(w->labLeft->Caption(), "0:08.000");

  // Played from where the slider put the stopped player, not from where the
  // output was opened.
  w->TrackBar->SetPosition(6000);
  w->btn_playClick(w);
  EXPECT_GE(w->waveplayer->GetPosition(), 6000);
  w->btn_stopClick(w);

  // Play at the file's end plays it from its start.
  w->TrackBar->SetPosition(10500);
  w->btn_playClick(w);
  ASSERT_TRUE(OutputStarted());
  EXPECT_LT(w->waveplayer->GetPosition(), 1000);

  int closes = 0;
  w->OnPlayerOutputClose = [&](vcl::TObject*) { ++closes; };
  w->MMWaveOut1->Close();
  EXPECT_FALSE(w->MMLevel5->Enabled());
  EXPECT_FALSE(w->MMLevel6->Enabled());
  EXPECT_EQ(closes, 1);
  EXPECT_EQ(messages_.size(), 1u);
  EXPECT_TRUE(errors_.empty()) << errors_.front();
}

TEST_F(PlayerPageTest, LoopsWrapAtTheirEndAndRefuseAStartNotBeforeTheEnd) {
  Start();
  app::TFrmMain* w = FrmMain;
  w->bntloopClick(w->bntloop1);
  EXPECT_EQ(messages_, std::vector<std::string>{"Please select a Wave / Mp3 File !"});
  Open(ToneFile("tone.wav", 3000));
  messages_.clear();

  // The window's own restart: the records page clears its memo and starts a
  // band recording that names the loop.
  int restarts = 0;
  const vcl::TNotifyEvent record_restart = w->OnLoopRecordRestart;
  ASSERT_TRUE(record_restart);
  w->OnLoopRecordRestart = [&](vcl::TObject* sender) {
    ++restarts;
    record_restart(sender);
  };
  auto band_recording_restarted = [w] {
    const std::string memo = w->Memo1->Lines()->Text();
    const bool restarted =
        w->RecordState().record_bands && w->Timer1->Enabled() &&
        memo.find("left from before") == std::string::npos &&
        memo.find(app::SyncLoopLine(1, w->edts1->Text(), w->edte1->Text())) != std::string::npos;
    w->Button3Click(w);  // the recording stops; the loop goes on
    w->Memo1->Lines()->Add("left from before");
    return restarted;
  };
  w->Memo1->Lines()->Add("left from before");
  w->CheckBox9->SetChecked(true);
  w->edts1->SetValue(1);
  w->edte1->SetValue(2);
  w->bntloopClick(w->bntloop1);
  EXPECT_TRUE(w->LoopActive(1));
  EXPECT_TRUE(w->bntloop1->Down());
  EXPECT_FALSE(w->bntloop2->Down());
  EXPECT_TRUE(OutputStarted());
  EXPECT_EQ(restarts, 1) << "a synced loop restarts the peak record as it starts";
  EXPECT_TRUE(band_recording_restarted());
  // Each wrap pauses the output past the end (what is queued runs ahead of
  // what is heard) and resumes it at the start.
  std::vector<int> paused_at, resumed_at;
  const vcl::TNotifyEvent on_pause = w->MMWaveOut1->OnPause;
  const vcl::TNotifyEvent on_restart = w->MMWaveOut1->OnRestart;
  w->MMWaveOut1->OnPause = [&](vcl::TObject* sender) {
    paused_at.push_back(w->waveplayer->GetPosition());
    on_pause(sender);
  };
  w->MMWaveOut1->OnRestart = [&](vcl::TObject* sender) {
    resumed_at.push_back(w->waveplayer->GetPosition());
    on_restart(sender);
  };
  ASSERT_TRUE(PumpUntil([&] { return resumed_at.size() >= 2; }, 8000)) << "the loop never wrapped twice";
  for (int p : paused_at) {
    EXPECT_GE(p, 2000);
    EXPECT_LT(p, 2000 + 200 + 600) << "the wrap comes within a tick and the queue";
  }
  for (int p : resumed_at) EXPECT_EQ(p, 1000);
  w->MMWaveOut1->OnPause = on_pause;
  w->MMWaveOut1->OnRestart = on_restart;
  EXPECT_EQ(restarts, 2);
  EXPECT_TRUE(band_recording_restarted()) << "at the first wrap";
  EXPECT_FALSE(w->CheckBox9->Checked()) << "the sync box is for the first wrap only";
  EXPECT_TRUE(w->LoopActive(1));

  // A loop that ends at the file's end: when the output runs dry before a
  // tick has passed the end, the next tick starts the loop again.
  w->btn_stopClick(w);
  ASSERT_FALSE(PumpUntil([] { return false; }, 300));
  w->edtS2->SetValue(2);
  w->edte2->SetValue(3);
  w->bntloopClick(w->bntloop2);
  EXPECT_FALSE(w->LoopActive(1));
  EXPECT_TRUE(w->LoopActive(2));
  w->WaveTimer->SetEnabled(false);
  ASSERT_TRUE(PumpUntil([&] { return !OutputStarted(); }, 8000)) << "the file never ended";
  EXPECT_TRUE(w->LoopActive(2));
  w->WaveTimer->SetEnabled(true);
  ASSERT_TRUE(PumpUntil([&] { return OutputStarted(); })) << "the loop died at the file's end";
  EXPECT_LT(w->waveplayer->GetPosition(), 3000);

  // An end moved to the start while the loop plays pauses it at the next tick.
  w->edte2->SetValue(2);
  ASSERT_TRUE(PumpUntil([&] { return !w->WaveTimer->Enabled(); }));
  EXPECT_TRUE(OutputPaused());
  EXPECT_EQ(messages_, std::vector<std::string>{"Starting time must be lower than the Ending time2!"});

  // An emptied box reads as 0 s.
  w->edte3->SetText("");
  messages_.clear();
  w->bntloopClick(w->bntloop3);
  EXPECT_EQ(messages_, std::vector<std::string>{"Starting time must be lower than the Ending time!"});

  struct Refused {
    int start, end;
  };
  // Starts beyond any file: the seconds are taken to milliseconds without overflow.
  const Refused refused[] = {{2, 1}, {2, 2}, {3000000, 3000001}, {100000000, 100000000}};
  for (const Refused& r : refused) {
    SCOPED_TRACE(std::to_string(r.start) + " to " + std::to_string(r.end));
    messages_.clear();
    w->edts3->SetValue(r.start);
    w->edte3->SetMaxValue(100000000);
    w->edte3->SetValue(r.end);
    w->bntloopClick(w->bntloop3);
    EXPECT_EQ(messages_, std::vector<std::string>{"Starting time must be lower than the Ending time!"});
    EXPECT_FALSE(w->LoopActive(3));
    EXPECT_FALSE(OutputStarted());
    EXPECT_FALSE(w->WaveTimer->Enabled());
  }
  EXPECT_TRUE(errors_.empty()) << errors_.front();
}

TEST_F(PlayerPageTest, RecordingFromTheLoopbackInputOpensInThePlayer) {
  Start();
  app::TFrmMain* w = FrmMain;
  auto recorder_file = [w] { return w->wavRecorder->Wave()->FileName(); };
  // The first click asks for the file; cancelled, the dialog's empty folder is kept.
  w->bntRecClick(w);
  EXPECT_EQ(file_dialogs_.size(), 1u);
  EXPECT_EQ(recorder_file(), "");
  EXPECT_EQ(app::ReadString("Rec InitDir", "unset"), "");
  // A name another measurement left in the recorder is never recorded over.
  const std::string measurement = temp_.File("Mic_pink noise.wav");
  w->wavRecorder->Wave()->SetFileName(measurement);
  const std::string rec = temp_.File("rec.wav");
  file_answers_.push_back(rec);
  w->bntRecClick(w);
  EXPECT_EQ(file_dialogs_.size(), 2u);
  EXPECT_EQ(recorder_file(), rec);
  EXPECT_FALSE(std::filesystem::exists(measurement));

  // The player's tone on the loopback output is what the loopback input records.
  Open(ToneFile("tone.wav", 10000));
  w->btn_playClick(w);
  ASSERT_TRUE(OutputStarted());
  w->bntRecClick(w);
  ASSERT_TRUE(w->Recording());
  EXPECT_TRUE(w->bntRec->Down());
  EXPECT_EQ(w->labRec->Caption(), "rec.wav");
  EXPECT_EQ(w->MMConnector1->Input(), w->wavRecorder) << "the displays show what is recorded";
  EXPECT_FALSE(w->MMWaveIn1->DeviceOpened());
  for (controls::TMMBitmapButton* b : {w->btn_play, w->btn_eject, w->bntloop1, w->btn_forward})
    EXPECT_FALSE(b->Enabled()) << b->Name();
  EXPECT_TRUE(w->btn_stop->Enabled());
  ASSERT_TRUE(PumpUntil([&] { return w->wavRecorder->Position() >= 1000; }));

  w->btn_stopClick(w);
  EXPECT_FALSE(w->Recording());
  EXPECT_EQ(w->waveplayer->FileName(), rec);
  EXPECT_EQ(w->LabFile->Caption(), "rec.wav");
  EXPECT_EQ(w->labRec->Caption(), "");
  EXPECT_EQ(recorder_file(), "");
  EXPECT_FALSE(w->bntRec->Down());
  EXPECT_FALSE(w->MMWaveIn1->DeviceOpened()) << "the input stays closed after recording";
  EXPECT_EQ(w->MMWaveOut1->Input(), w->waveplayer);
  EXPECT_EQ(w->MMConnector1->Input(), w->MMWaveOut1);
  EXPECT_TRUE(w->btn_play->Enabled());
  EXPECT_EQ(w->MMLEDPanel7->Value(), 0) << "a wave file has no bit rate";
  const int first_length = w->waveplayer->DataEnd();
  EXPECT_GE(first_length, 800) << "about the second recorded";
  EXPECT_EQ(w->TrackBar->MaxValue(), first_length);
  plat::WAVEFORMATEX format{};
  const filestest::Bytes data = filestest::ReadWaveData(rec, &format);
  EXPECT_EQ(format.nSamplesPerSec, 44100u);
  EXPECT_EQ(format.nChannels, 2);
  EXPECT_GE(data.size(), 150000u);
  EXPECT_TRUE(std::any_of(data.begin(), data.end(), [](uint8_t b) { return b != 0; })) << "silence recorded";

  // Recording again onto the file the player holds: the player lets go of it
  // and opens the new recording, not the old one.
  file_answers_.push_back(rec);
  w->bntRecClick(w);
  w->bntRecClick(w);
  ASSERT_TRUE(w->Recording());
  EXPECT_TRUE(w->waveplayer->IsEmpty());
  ASSERT_TRUE(PumpUntil([&] { return w->wavRecorder->Position() >= 300; }));
  w->btn_stopClick(w);
  EXPECT_EQ(w->waveplayer->FileName(), rec);
  EXPECT_LT(w->waveplayer->DataEnd(), first_length);
  EXPECT_TRUE(errors_.empty()) << errors_.front();
}

TEST_F(PlayerPageTest, LockedPageIgnoresItsButtonsUntilReleased) {
  Start();
  app::TFrmMain* w = FrmMain;
  Open(ToneFile("tone.wav", 2000));
  controls::TMMBitmapButton* const transport[] = {w->btn_backward, w->btn_play,  w->btn_pause,
                                                  w->btn_forward,  w->btn_eject, w->bntRec,
                                                  w->bntloop1,     w->bntloop2,  w->bntloop3};
  struct Case {
    bool locked, keep_stop;
  };
  for (const Case& c : {Case{true, false}, Case{true, true}, Case{false, false}}) {
    SCOPED_TRACE(std::to_string(c.locked) + std::to_string(c.keep_stop));
    w->SetPlayerLocked(c.locked, c.keep_stop);
    for (controls::TMMBitmapButton* b : transport) EXPECT_EQ(b->Enabled(), !c.locked) << b->Name();
    EXPECT_EQ(w->btn_stop->Enabled(), !c.locked || c.keep_stop);
    EXPECT_EQ(w->TrackBar->Enabled(), !c.locked);
  }
  w->SetPlayerLocked(true);
  const size_t dialogs = file_dialogs_.size();
  w->btn_playClick(w);
  w->bntloopClick(w->bntloop1);
  w->btn_ejectClick(w);
  w->bntRecClick(w);
  EXPECT_FALSE(OutputStarted());
  EXPECT_EQ(file_dialogs_.size(), dialogs);
  w->SetPlayerLocked(false);
  w->btn_playClick(w);
  EXPECT_TRUE(OutputStarted());
  EXPECT_TRUE(messages_.empty()) << messages_.front();
  EXPECT_TRUE(errors_.empty()) << errors_.front();
}

}  // namespace
