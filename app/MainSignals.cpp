// Test signals of the average page: pink noise, white noise or a sweep from
// the "Tones" folder beside the program played through the wave output while
// the recorder records the input into the user's "Tones" folder; the spectrum
// shows both. The output's stop (the file's end, or "Stop" on the player
// page) ends the recording and scans it into result slot 4, 5 or 6.
//
// While a test runs its buttons, the compare buttons, the load buttons, the
// pair menu and the player page (all but its "Stop") are off; the scan that
// follows keeps them off until it ends. Every way out of a test, a failure
// included, gives them back.
#include <exception>
#include <filesystem>
#include <string>
#include <system_error>

#include "app/LeqWindow.h"
#include "app/MainForm.h"
#include "app/Projects.h"
#include "platform/kernel/Files.h"
#include "platform/vcl/Application.h"
#include "platform/vcl/Classes.h"
#include "platform/vcl/TypInfo.h"

namespace app {

namespace {

struct TestSignal {
  int slot;
  const char* played;
  const char* recording;
};

// By kind 1..3.
constexpr TestSignal kTestSignals[] = {
    {4, "pink noise.wav", "Mic_pink noise.wav"},
    {5, "white noise.wav", "Mic_white noise.wav"},
    {6, "sweep.mp3", "Mic_sweep.wav"},
};

// rg_octave's "FFT> 2048 Bars".
constexpr int kTestSignalMode = 4;

const TestSignal& SignalOfKind(int kind) { return kTestSignals[kind >= 1 && kind <= 3 ? kind - 1 : 0]; }

bool IsFile(const std::string& name) {
  std::error_code ec;
  return std::filesystem::is_regular_file(name, ec);
}

}  // namespace

std::string TFrmMain::TestSignalFolder() const {
  return test_signal_folder_.empty() ? plat::GetProgramFolder() + "Tones/" : test_signal_folder_;
}

void TFrmMain::SetTestSignalFolder(const std::string& folder) { test_signal_folder_ = folder; }

std::string TFrmMain::TestRecordingFolder() { return UserDataFolder() + "Tones/"; }

void TFrmMain::btn_pnClick(vcl::TObject*) { RunTestSignal(1); }
void TFrmMain::btn_wnClick(vcl::TObject*) { RunTestSignal(2); }
void TFrmMain::btn_swwepClick(vcl::TObject*) { RunTestSignal(3); }

void TFrmMain::RunTestSignal(int kind) {
  if (test_signal_active_ || scan_running_) return;
  const TestSignal& signal = SignalOfKind(kind);
  // Without its file nothing would play and the recording would be empty:
  // said at once, and nothing changes.
  const std::string played = TestSignalFolder() + signal.played;
  if (!IsFile(played)) throw vcl::EFOpenError("Cannot open file \"" + played + "\"");
  MMWaveIn1->Close();
  MMWaveOut1->Close();
  vcl::SetOrdProp(MMSpectrum1, "UseBackGroundDIB", 0);
  ResetCompareView();
  sp_peaks->SetValue(1);
  SelectScanSlot(signal.slot);
  ckbLeavePeak->SetChecked(true);
  // Every test keeps the compare buttons off: a compare started meanwhile
  // would take the first connector from the recording the scan is to read.
  SetScanControls(false);
  SetPlayerLocked(true, true);
  test_signal_active_ = true;
  try {
    rg_File->SetItemIndex(signal.slot - 1);
    rg_octave->SetItemIndex(kTestSignalMode);
    StartTestSignal(signal.played, signal.recording);
  } catch (...) {
    AbandonTestSignal();
    throw;
  }
  // The output's stop reaches the window through its message queue, so the
  // kind is in place before any finish runs.
  test_signal_kind_ = static_cast<uint8_t>(kind);
}

void TFrmMain::StartTestSignal(const std::string& play_name, const std::string& record_name) {
  MMWaveIn1->Close();
  MMWaveOut1->Close();
  ApplySpectrumOutfit();
  RoutePlayer();
  const std::string played = TestSignalFolder() + play_name;
  waveplayer->SetFileName(played);
  if (waveplayer->IsEmpty()) throw vcl::EFOpenError("Cannot open file \"" + played + "\"");
  MMSpectrum1->SetKind(displays::skLines);
  // The recording through the first connector, the played signal through the
  // second: the spectrum shows both.
  MMConnector1->SetInput(wavRecorder);
  MMConnector1->SetLevel1(MMLevel1);
  MMConnector1->SetLevel2(mmLevel7);
  MMConnector1->SetSpectrum1(MMSpectrum1);
  MMConnector1->SetOutput(conect2);
  conect2->SetLevel1(MMLevel2);
  conect2->SetLevel2(mmLevel8);
  MMSpectrum1->SetEnabled(true);
  MMWaveOut1->SetInput(waveplayer);
  MMWaveOut1->SetOutput(conect2);
  conect2->SetSpectrum1(MMSpectrum1);
  conect2->SetOutput(MMPeakDetect1);
  std::error_code ignored;
  std::filesystem::create_directories(TestRecordingFolder(), ignored);
  wavRecorder->Wave()->SetFileName(TestRecordingFolder() + record_name);
  wavRecorder->Record();
  MMWaveOut1->Start();
}

void TFrmMain::FinishTestSignal() {
  if (!test_signal_active_) return;
  // Cleared first: whatever fails below, no later stop of the output
  // finishes this test again.
  test_signal_active_ = false;
  const std::string recording = TestRecordingFolder() + SignalOfKind(test_signal_kind_).recording;
  // The name goes with the test, so the recorder never records over it.
  std::exception_ptr failure = StopRecorder();
  // Only the test feeds the spectrum from the second connector.
  conect2->SetSpectrum1(nullptr);
  if (!failure) {
    try {
      StartFileScan(recording);
    } catch (...) {
      failure = std::current_exception();
    }
  }
  // The scan gives the buttons back when it ends; without one they come back now.
  if (!scan_running_) SetScanControls(true);
  if (LeqActive() && fSetting) fSetting->btn_stop_leqClick(this);
  // The output's close may be what stopped it, and a close swallows what its
  // stop raises: the error is reported here.
  if (failure) {
    try {
      std::rethrow_exception(failure);
    } catch (...) {
      vcl::Application->HandleException(this);
    }
  }
}

void TFrmMain::AbandonTestSignal() {
  test_signal_active_ = false;
  // The start's own error is the one the user hears.
  StopRecorder();
  conect2->SetSpectrum1(nullptr);
  MMWaveOut1->Close();
  SetScanControls(true);
}

}  // namespace app
