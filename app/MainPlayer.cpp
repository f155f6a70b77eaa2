// The player page: wave and MPEG files played through the wave output while
// the displays follow what is heard, three loops watched by the 200 ms timer,
// the recorder writing the input into a wave file that is then opened in the
// player, and the output device's events.
//
// Positions are the player source's milliseconds; loop times are whole
// seconds from the edits, taken to milliseconds in 64 bits and kept within
// the file, so no edit value can overflow or reach before the start.
#include <algorithm>
#include <cstdint>
#include <exception>
#include <filesystem>
#include <string>
#include <system_error>
#include <utility>

#include "app/MainForm.h"
#include "app/Settings.h"
#include "engine/MMUtils.h"
#include "platform/vcl/Application.h"
#include "platform/vcl/Dialogs.h"
#include "platform/vcl/SysUtils.h"

namespace app {

namespace {

constexpr const char* kNoFile = "Please select a Wave / Mp3 File !";
constexpr const char* kStartNotBelowEnd = "Starting time must be lower than the Ending time!";
constexpr const char* kLayers[] = {"I", "II", "III"};

// True when both names lead to one file (either may not exist yet).
bool SameFile(const std::string& a, const std::string& b) {
  if (a.empty() || b.empty()) return false;
  std::error_code ec;
  const auto ca = std::filesystem::weakly_canonical(a, ec);
  if (ec) return a == b;
  const auto cb = std::filesystem::weakly_canonical(b, ec);
  if (ec) return a == b;
  return ca == cb;
}

int32_t ClampMs(int64_t ms, int32_t end) { return static_cast<int32_t>(std::clamp<int64_t>(ms, 0, end)); }

// Seconds of a loop edit; text that is no number (an emptied box) counts as 0
// rather than raising on every tick of the timer.
int64_t EditSeconds(const controls::TMMNumberEdit* edit) {
  try {
    return edit->Value();
  } catch (const vcl::EConvertError&) {
    return 0;
  }
}

}  // namespace

// ---- state -------------------------------------------------------------------------------

bool TFrmMain::Recording() const {
  return (wavRecorder->DeviceState() & files::TMMWaveRecorder::kStarted) != 0;
}

int TFrmMain::PlayingTime() const { return waveplayer->DataEnd(); }

int64_t TFrmMain::LoopStartMs(int loop) const {
  controls::TMMNumberEdit* const starts[] = {edts1, edtS2, edts3};
  return std::clamp<int64_t>(EditSeconds(starts[loop - 1]) * 1000, 0, PlayingTime());
}

int64_t TFrmMain::LoopEndMs(int loop) const {
  controls::TMMNumberEdit* const ends[] = {edte1, edte2, edte3};
  return std::clamp<int64_t>(EditSeconds(ends[loop - 1]) * 1000, 0, PlayingTime());
}

void TFrmMain::UpdatePlayerControls() {
  const bool free = !player_locked_;
  const bool transport = free && !Recording();
  for (controls::TMMBitmapButton* b :
       {btn_backward, btn_play, btn_pause, btn_forward, btn_eject, bntloop1, bntloop2, bntloop3})
    b->SetEnabled(transport);
  bntRec->SetEnabled(free);
  btn_stop->SetEnabled(free || keep_stop_);
  TrackBar->SetEnabled(free && !waveplayer->IsEmpty());
}

void TFrmMain::SetPlayerLocked(bool locked, bool keep_stop) {
  player_locked_ = locked;
  keep_stop_ = locked && keep_stop;
  UpdatePlayerControls();
}

void TFrmMain::EnsurePlayerRoute() {
  if (MMWaveOut1->Input() != waveplayer) RoutePlayer();
}

// ---- opening a file ----------------------------------------------------------------------

void TFrmMain::ShowPlayerFile() {
  TrackBar->SetEnabled(!waveplayer->IsEmpty() && !player_locked_);
  TrackBar->SetMaxValue(PlayingTime());
  labLeft->SetCaption(engine::TimeToTextMS(PlayingTime()));
  MMLEDPanel6->SetValue(waveplayer->GetSampleRate());
  MMLEDMode2->SetMode(controls::mStereo);
  MMLEDPanel1->SetValue(static_cast<int>(engine::GetFileSizeByName(waveplayer->FileName()) / 1024));
  LabFile->SetCaption(vcl::ExtractFileName(waveplayer->FileName()));
}

void TFrmMain::btn_ejectClick(vcl::TObject*) {
  if (player_locked_) return;
  RoutePlayer();
  OpenMp3->SetInitialDir(ReadString("InitDir", OpenMp3->InitialDir()));
  if (OpenMp3->Execute()) {
    const std::string name = OpenMp3->FileName();
    OpenMp3->SetInitialDir(vcl::ExtractFileDir(name));
    WriteString("InitDir", OpenMp3->InitialDir());
    bool opened = true;
    try {
      waveplayer->SetFileName(name);
    } catch (const vcl::Exception&) {
      // The player stays empty; the loop limits below still follow it.
      opened = false;
      vcl::Application->HandleException(this);
    }
    if (opened) {
      ShowPlayerFile();
      MMLEDPanel7->SetValue(16);
      mpkbit->SetValue(0);
      lblLayer2->SetCaption("");
      if (!waveplayer->IsEmpty() && files::IsMpegFile(waveplayer->FileName())) {
        mp3file->SetFileName(waveplayer->FileName());
        const files::TSampleMode mode = mp3file->Mode();
        MMLEDMode2->SetMode(mode == files::smStereo || mode == files::smJointStereo ? controls::mStereo
                                                                                    : controls::mMono);
        MMLEDPanel7->SetValue(mp3file->SampleRateProp());
        mpkbit->SetValue(mp3file->BitRateProp());
        lblLayer->SetVisible(true);
        lblLayer2->SetVisible(true);
        if (const int layer = mp3file->Layer(); layer >= 1 && layer <= 3)
          lblLayer2->SetCaption(kLayers[layer - 1]);
      }
      TrackBar->SetPosition(0);
    }
    TrackBar->SetEnabled(!waveplayer->IsEmpty() && !player_locked_);
  }
  const int seconds = PlayingTime() / 1000;
  edte1->SetMaxValue(seconds);
  edte1->SetValue(seconds);
  edte2->SetMaxValue(seconds);
  edte3->SetMaxValue(seconds);
}

// ---- transport ---------------------------------------------------------------------------

void TFrmMain::btn_playClick(vcl::TObject*) {
  if (player_locked_) return;
  if (waveplayer->IsEmpty()) {
    vcl::ShowMessage(kNoFile);
    return;
  }
  if (player_paused_) {
    MMWaveOut1->Restart();
    return;
  }
  // After the generator or a scan the output is fed from elsewhere.
  EnsurePlayerRoute();
  // A file played to its end starts again from its beginning.
  if (waveplayer->GetPosition() >= PlayingTime()) waveplayer->SetPosition(0);
  MMWaveOut1->Start();
  WaveTimer->SetEnabled(true);
  player_paused_ = false;
  if (OnPlayerStart) OnPlayerStart(this);
}

void TFrmMain::btn_pauseClick(vcl::TObject*) {
  if (player_locked_) return;
  MMWaveOut1->Pause();
  player_paused_ = true;
}

void TFrmMain::btn_backwardClick(vcl::TObject*) {
  if (player_locked_) return;
  waveplayer->SetPosition(std::max(waveplayer->GetPosition() - PlayingTime() / 10, 0));
  TrackBar->SetPosition(waveplayer->GetPosition());
}

void TFrmMain::btn_forwardClick(vcl::TObject*) {
  if (player_locked_) return;
  waveplayer->SetPosition(ClampMs(int64_t{waveplayer->GetPosition()} + PlayingTime() / 10, PlayingTime()));
  TrackBar->SetPosition(waveplayer->GetPosition());
}

void TFrmMain::btn_stopClick(vcl::TObject*) {
  if (player_locked_ && !keep_stop_) return;
  // Whatever fails while the recording is finished, the page comes back usable.
  std::exception_ptr failure;
  // A test signal's recording is ended by the output's stop below, which scans it.
  if (Recording() && !test_signal_active_) {
    try {
      FinishRecording();
    } catch (...) {
      failure = std::current_exception();
    }
  }
  // A loop ends here, so the output's stop below does not start it again.
  loop_active_ = {};
  try {
    waveplayer->SetPosition(TrackBar->Position());
    MMWaveOut1->Stop();
  } catch (...) {
    if (!failure) failure = std::current_exception();
  }
  WaveTimer->SetEnabled(false);
  player_paused_ = false;
  for (controls::TMMBitmapButton* b : {bntloop1, bntloop2, bntloop3, btn_play, btn_pause}) b->SetDown(false);
  UpdatePlayerControls();
  if (failure) std::rethrow_exception(failure);
}

// ---- recording ---------------------------------------------------------------------------

std::exception_ptr TFrmMain::StopRecorder() {
  std::exception_ptr failure;
  try {
    wavRecorder->Stop();
  } catch (...) {
    failure = std::current_exception();
  }
  // The name is let go of whatever happened: the next click asks for a file.
  wavRecorder->Wave()->SetFileName("");
  return failure;
}

void TFrmMain::FinishRecording() {
  const std::string recorded = wavRecorder->Wave()->FileName();
  std::exception_ptr failure = StopRecorder();
  chosen_record_file_.clear();
  MMWaveOut1->SetInput(waveplayer);
  MMConnector1->SetInput(MMWaveOut1);
  labRec->SetCaption("");
  mpkbit->SetValue(0);
  bntRec->SetDown(false);
  lblLayer2->SetCaption("");
  if (failure) std::rethrow_exception(failure);
  waveplayer->SetFileName(recorded);
  ShowPlayerFile();
  MMLEDPanel7->SetValue(waveplayer->GetBitRate());
}

void TFrmMain::bntRecClick(vcl::TObject*) {
  if (player_locked_) return;
  // Only a file chosen here is recorded into: a name another measurement
  // left in the recorder is never written over.
  const std::string name = wavRecorder->Wave()->FileName();
  if (!name.empty() && name == chosen_record_file_) {
    if (Recording()) return;
    // The player lets go of a file that is about to be recorded again, so it
    // opens the new recording afterwards rather than keeping the old one.
    if (SameFile(name, waveplayer->FileName())) {
      MMWaveOut1->Close();
      waveplayer->CloseFile();
      TrackBar->SetEnabled(false);
    }
    MMWaveIn1->Close();
    WaveTimer->SetEnabled(true);
    labRec->SetCaption(vcl::ExtractFileName(recWavDlg->FileName()));
    wavRecorder->SetOutput(MMConnector1);
    bntRec->SetDown(true);
    try {
      wavRecorder->Record();
    } catch (...) {
      bntRec->SetDown(false);
      UpdatePlayerControls();
      throw;
    }
    UpdatePlayerControls();
    return;
  }
  recWavDlg->SetInitialDir(ReadString("Rec InitDir", recWavDlg->InitialDir()));
  if (recWavDlg->Execute()) {
    chosen_record_file_ = recWavDlg->FileName();
    wavRecorder->Wave()->SetFileName(chosen_record_file_);
  }
  recWavDlg->SetInitialDir(vcl::ExtractFileDir(recWavDlg->FileName()));
  WriteString("Rec InitDir", recWavDlg->InitialDir());
}

// ---- slider ------------------------------------------------------------------------------

void TFrmMain::TrackBarTrack(vcl::TObject*) { slider_tracking_ = true; }

void TFrmMain::TrackBarTrackEnd(vcl::TObject*) {
  waveplayer->SetPosition(TrackBar->Position());
  slider_tracking_ = false;
}

void TFrmMain::TrackBarChange(vcl::TObject*) {
  const int position = TrackBar->Position();
  Label10->SetCaption(engine::TimeToTextMS(position));
  labLeft->SetCaption(engine::TimeToTextMS(std::max(PlayingTime() - position, 0)));
  // While nothing plays, the slider places the player.
  const uint32_t state = MMWaveOut1->State();
  if (!(state & engine::TMMWaveOut::kStarted) || (state & engine::TMMWaveOut::kPaused))
    waveplayer->SetPosition(position);
}

// ---- loops -------------------------------------------------------------------------------

void TFrmMain::StartLoop(int loop) {
  waveplayer->SetPosition(static_cast<int32_t>(LoopStartMs(loop)));
  TrackBar->SetPosition(waveplayer->GetPosition());
}

void TFrmMain::bntloopClick(vcl::TObject* sender) {
  if (player_locked_ || Recording()) return;
  controls::TMMBitmapButton* const buttons[] = {bntloop1, bntloop2, bntloop3};
  vcl::TCheckBox* const syncs[] = {CheckBox9, CheckBox10, CheckBox11};
  const int loop = sender == bntloop2 ? 2 : sender == bntloop3 ? 3 : 1;
  WaveTimer->SetEnabled(false);
  loop_active_ = {};
  MMWaveOut1->Stop();
  if (waveplayer->IsEmpty()) {
    vcl::ShowMessage(kNoFile);
    return;
  }
  if (LoopStartMs(loop) >= LoopEndMs(loop)) {
    vcl::ShowMessage(kStartNotBelowEnd);
    return;
  }
  EnsurePlayerRoute();
  StartLoop(loop);
  loop_active_[loop - 1] = true;
  for (int k = 1; k <= 3; ++k) buttons[k - 1]->SetDown(k == loop);
  if (syncs[loop - 1]->Checked() && OnLoopRecordRestart) OnLoopRecordRestart(syncs[loop - 1]);
  MMWaveOut1->Start();
  WaveTimer->SetEnabled(true);
}

void TFrmMain::WaveTimerTimer(vcl::TObject*) {
  if (std::exchange(loop_ran_dry_, false) && MMWaveOut1->State() == engine::TMMWaveOut::kOpened) {
    for (int loop = 1; loop <= 3; ++loop) {
      if (!loop_active_[loop - 1] || LoopStartMs(loop) >= LoopEndMs(loop)) continue;
      StartLoop(loop);
      MMWaveOut1->Start();
      return;
    }
  }
  if (!slider_tracking_) TrackBar->SetPosition(waveplayer->GetPosition());
  if (Recording()) Label10->SetCaption(engine::TimeToTextMS(wavRecorder->Position()));
  vcl::TCheckBox* const syncs[] = {CheckBox9, CheckBox10, CheckBox11};
  for (int loop = 1; loop <= 3; ++loop) {
    if (!loop_active_[loop - 1] || waveplayer->GetPosition() < LoopEndMs(loop)) continue;
    MMWaveOut1->Pause();
    if (LoopStartMs(loop) < LoopEndMs(loop)) {
      if (syncs[loop - 1]->Checked()) {
        if (OnLoopRecordRestart) OnLoopRecordRestart(syncs[loop - 1]);
        syncs[loop - 1]->SetChecked(false);
      }
      StartLoop(loop);
      MMWaveOut1->Restart();
      if (loop == 3) return;
      continue;
    }
    WaveTimer->SetEnabled(false);
    vcl::ShowMessage("Starting time must be lower than the Ending time" + std::to_string(loop) + "!");
    return;
  }
}

// ---- device events -----------------------------------------------------------------------

void TFrmMain::MMWaveOut1Start(vcl::TObject*) { btn_play->SetDown(true); }

void TFrmMain::MMWaveOut1Pause(vcl::TObject*) {
  btn_play->SetDown(true);
  btn_pause->SetDown(true);
}

void TFrmMain::MMWaveOut1Restart(vcl::TObject*) { btn_pause->SetDown(false); }

void TFrmMain::MMWaveOut1Stop(vcl::TObject*) {
  btn_play->SetDown(false);
  if (OnPlayerOutputStop) OnPlayerOutputStop(this);
  MMLevel5->ShowLevel(0);
  MMLevel6->ShowLevel(0);
  // A loop whose end is the file's end may see the output run dry before a
  // tick passes that end; the next tick starts the loop again. A stop asked
  // for by anything else comes before the file's end.
  loop_ran_dry_ = !player_locked_ && MMWaveOut1->Input() == waveplayer && !waveplayer->IsEmpty() &&
                  waveplayer->GetPosition() + 1 >= PlayingTime() &&
                  std::find(loop_active_.begin(), loop_active_.end(), true) != loop_active_.end();
}

void TFrmMain::MMWaveOut1Close(vcl::TObject*) {
  loop_ran_dry_ = false;
  MMLevel5->SetEnabled(false);
  MMLevel6->SetEnabled(false);
  if (OnPlayerOutputClose) OnPlayerOutputClose(this);
}

void TFrmMain::MMWaveIn1Close(vcl::TObject*) {
  MMLevel5->SetEnabled(false);
  MMLevel6->SetEnabled(false);
}

}  // namespace app
