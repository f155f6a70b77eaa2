#pragma once
// The main window headless as the main block starts it: virtual devices, a
// registry file and a data folder per test, message boxes recorded and
// answered, file dialogs answered from a list, errors the application would
// show collected.
#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ProgramFixture.h"
#include "app/AppForms.h"
#include "app/Corre.h"
#include "app/DeviceDialogs.h"
#include "app/FileToolForms.h"
#include "app/InfoForm.h"
#include "app/LeqWindow.h"
#include "app/MainForm.h"
#include "app/OutfitL.h"
#include "app/PeakForm.h"
#include "app/ReportInfo.h"
#include "app/SavBin.h"
#include "app/Settings.h"
#include "app/SetupPrint.h"
#include "app/SpecBack.h"
#include "app/SpectrumOutfit.h"
#include "app/Units.h"
#include "app/VstForm.h"
#include "engine/MMFXGen.h"
#include "engine/MMWavOut.h"
#include "platform/backend/HeadlessBackend.h"
#include "platform/kernel/Clock.h"
#include "platform/kernel/ClockSleepAdvance.h"
#include "platform/kernel/UnitTable.h"
#include "platform/mm/WaveDevices.h"
#include "platform/registry/Registry.h"
#include "platform/user/Input.h"
#include "platform/user/MessageBox.h"
#include "platform/user/Messages.h"
#include "platform/vcl/Application.h"
#include "platform/vcl/ExtTimer.h"
#include "resources/ProgramResources.h"
#include "support/ClockPusher.h"
#include "support/PumpUntil.h"
#include "support/TempDir.h"

namespace mainwindow {

// Runs `open`, which shows `form` modally, and `while_shown` once the form
// shows, from a timer of the modal loop (the running connectors leave the
// loop no idle time); `while_shown` is to close it. A form that never shows,
// or stays after `while_shown`, is ended after 10 s. False when the form never showed.
inline bool WhileModal(vcl::TCustomForm* form, const std::function<void()>& open,
                       const std::function<void()>& while_shown) {
  bool shown = false;
  int ticks = 0;
  vcl::TTimer timer(nullptr);
  timer.SetInterval(10);
  timer.OnTimer = [&](vcl::TObject*) {
    if (!shown && form->Visible()) {
      shown = true;
      ticks = 0;
      while_shown();
    } else if (++ticks > 1000) {
      form->SetModalResult(vcl::mrAbort);
    }
  };
  timer.SetEnabled(true);
  open();
  timer.SetEnabled(false);
  return shown;
}

// A window of the application and the script that opens it as the user
// does.
struct ProgramWindow {
  const char* name;
  std::function<vcl::TCustomForm*()> form;
  std::function<void()> open;
};

// Every window of the application once the main window has started. A window
// added to the program gets its row here.
inline std::vector<ProgramWindow> ProgramWindows() {
  using app::FrmMain;
  return {
      {"FrmInfo", [] { return app::FrmInfo; }, [] { FrmMain->About1->Click(); }},
      {"fDrvOut", [] { return app::fDrvOut; }, [] { FrmMain->OutputDevice1->Click(); }},
      {"FrmSavBin", [] { return app::FrmSavBin; }, [] { FrmMain->AnalyzerEditor1->Click(); }},
      {"fOutfitSpec", [] { return app::fOutfitSpec; }, [] { FrmMain->Spectrum1->Click(); }},
      {"fDrvIn", [] { return app::fDrvIn; }, [] { FrmMain->InputDevice1->Click(); }},
      {"fNormalize", [] { return app::fNormalize; }, [] { FrmMain->Normalizewavefiles1->Click(); }},
      {"fConvert", [] { return app::fConvert; }, [] { FrmMain->ConvertMp3toWav1->Click(); }},
      {"fSplit", [] { return app::fSplit; }, [] { FrmMain->SplittStereointo2monofiles1->Click(); }},
      {"fSwap", [] { return app::fSwap; }, [] { FrmMain->Swapleftwithrigthchannel1->Click(); }},
      {"fEncode", [] { return app::fEncode; }, [] { FrmMain->ConvertWavtoMp31->Click(); }},
      {"fCorre", [] { return app::fCorre; }, [] { FrmMain->CorrelationSettings1->Click(); }},
      {"fOutfitL", [] { return app::fOutfitL; }, [] { FrmMain->LevelSettings1->Click(); }},
      {"fSetting", [] { return app::fSetting; }, [] { FrmMain->LEQcalculator1->Click(); }},
      {"fReport", [] { return app::fReport; }, [] { app::fSetting->btn_report->Click(); }},
      {"fVst", [] { return app::fVst; }, [] { FrmMain->btn_run->Click(); }},
      {"fPeak", [] { return app::fPeak; }, [] { FrmMain->Show1->Click(); }},
      {"Form1", [] { return app::Form1; }, [] { FrmMain->H1->Click(); }},
      {"fmulti", [] { return app::fmulti; }, [] { FrmMain->SelectAudioDriver1->Click(); }},
      {"fSetupPrint", [] { return app::fSetupPrint; }, [] { FrmMain->PrinterDiablog1->Click(); }},
  };
}

class MainWindowTest : public ProgramUnitsTest {
 protected:
  void SetUp() override {
    ProgramUnitsTest::SetUp();
    if (HasFatalFailure()) return;
    MarkFirstRunDone();
    plat::SetDialogScript([this](const plat::DialogRequest& request) -> std::optional<plat::DialogAnswer> {
      if (request.kind == plat::DialogKind::MessageBox) {
        messages_.push_back(request.text);
        return plat::DialogAnswer{};
      }
      // Each answer is given once: a dialog that refuses it asks again and is cancelled.
      file_dialogs_.push_back(request);
      if (file_answers_.empty()) return std::nullopt;
      plat::DialogAnswer answer;
      answer.file_name = file_answers_.front();
      file_answers_.pop_front();
      return answer;
    });
  }

  void TearDown() override {
    if (app::FrmMain) app::FrmMain->Close();
    ProgramUnitsTest::TearDown();
  }

  // A first start asks for the devices in modal dialogs; tests that do not
  // answer them start as a later start does.
  static void MarkFirstRunDone() {
    app::WriteBool("soundIn", true);
    app::WriteBool("soundOut", true);
  }

  // Time from here on is the manual clock's, moved by PumpUntil in steps of step_ms.
  void UseManualClock(int step_ms = 10) {
    clock_.emplace();
    clock_step_ms_ = step_ms;
  }

  // The manual clock as above, also moved by the connectors' idle step: it
  // sleeps a millisecond on the test's thread between passes, and that sleep
  // advances the clock. Devices, passes and timers then keep step with what
  // the test's thread gets done, however slowly the machine runs it.
  void UseManualClockMovedByPasses(int step_ms = 10) {
    UseManualClock(step_ms);
    plat::clock::AdvanceBySleepsOfThisThread();
  }

  bool PumpUntil(const std::function<bool()>& done, int limit_ms = 5000) {
    const int round = pump_round_;
    return testsupport::PumpUntil(done,
                                  testsupport::Pumping{[round] { Pump(round); }, clock_step_ms_, limit_ms});
  }

  // The main block up to the message loop, then the loop until start-up has ended.
  void Start() {
    app::ShowStartupWindow();
    app::CreateForms();
    ASSERT_NE(app::FrmMain, nullptr);
    app::FrmMain->Show();
    ASSERT_TRUE(PumpUntil([] { return app::FrmMain->StartupDone(); }))
        << "the start-up timer never ended start-up";
  }

  // Shows `form` through `open`, runs `look` once it shows, then closes it as
  // its close button does, from a timer, so a modal window is closed from
  // inside its own loop. False when it did not show or did not go.
  bool OpenAndClose(vcl::TCustomForm* form, const std::function<void()>& open,
                    const std::function<void()>& look = {}) {
    bool closed = false;
    const bool shown = WhileModal(form, open, [&] {
      if (look) look();
      form->Close();
      closed = true;
    });
    if (!shown) {
      // A window shown without a loop of its own: close it the same way.
      if (!form->Visible()) return false;
      if (look) look();
      form->Close();
      closed = true;
    }
    return closed && PumpUntil([form] { return !form->Visible(); });
  }

  // The program ends: the main window closes and the windows go.
  void Stop() {
    app::FrmMain->Close();
    Pump();
    delete app::FrmMain;
    delete app::fOutfitSpec;
    app::fOutfitSpec = nullptr;
    delete app::fOutfitL;
    delete app::FrmInfo;
    delete app::fCorre;
    delete app::fPeak;
    delete app::FrmSavBin;
    delete app::fSpecBack;
    delete app::fDrvIn;
    delete app::fDrvOut;
    delete app::fmulti;
    delete app::fSetting;
    delete app::fReport;
    delete app::fNormalize;
    delete app::fConvert;
    delete app::fSplit;
    delete app::fSwap;
    delete app::fEncode;
    delete app::fVst;
    delete app::Form1;
    delete app::fSetupPrint;
  }

  testsupport::ScopedEnv audio_{"QUELLIX_AUDIO", "virtual"};
  testsupport::ScopedEnv data_{"XDG_DATA_HOME", temp_.File("data")};
  std::vector<std::string> messages_;
  std::vector<plat::DialogRequest> file_dialogs_;
  std::deque<std::string> file_answers_;
  // Messages one round of PumpUntil handles. While the connectors run one is
  // always waiting, so shorter rounds look at `done` more often.
  int pump_round_ = 500;

 private:
  std::optional<plat::ScopedManualClock> clock_;
  int clock_step_ms_ = 0;
};

// The main window with a full-scale sine from a generator ready on the
// loopback output, which the window's input hears. The clock moves only as
// the test serves the window: the window's two input buffers always come back
// before the device needs them and the tone's queue never runs dry, so no gap
// or click reaches what the window analyses however slowly the machine runs.
class LoopbackToneTest : public MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    UseManualClockMovedByPasses();
    // A few passes per clock step besides the devices' messages.
    pump_round_ = 5;
    generator_.SetSampleRate(44100);
    generator_.SetBitLength(engine::b16Bit);
    generator_.SetMode(engine::mStereo);
    generator_.SetWaveForm(engine::wfSine);
    generator_.SetAmplitude(engine::kMaxVolume);
    const auto id = plat::wavedev::FindWaveOutDevice("Loopback Output");
    ASSERT_GE(id, 0);
    tone_.SetInput(&generator_);
    tone_.SetDeviceID(static_cast<engine::TMMDeviceId>(id));
    tone_.SetBufferSize(44100 * 4 / 20);
    tone_.SetNumBuffers(4);
  }
  void TearDown() override {
    // Closing the devices may wait on the clock.
    testsupport::ClockPusher pusher;
    tone_.Close();
    MainWindowTest::TearDown();
  }

  // Serves the window until `done` holds, `limit_ms` of clock time at most.
  bool Await(const std::function<bool()>& done, int limit_ms = 15000) { return PumpUntil(done, limit_ms); }

  // Serves the window until its input has delivered `count` more buffers:
  // the last of them was recorded wholly after the call.
  bool AwaitInputBuffers(int count) {
    const int64_t until =
        app::FrmMain->MMWaveIn1->BytesRecorded() + int64_t{count} * app::FrmMain->MMWaveIn1->BufferSize();
    return Await([&] { return app::FrmMain->MMWaveIn1->BytesRecorded() >= until; });
  }

  engine::TMMGenerator generator_{nullptr};
  engine::TMMWaveOut tone_{nullptr};
};

}  // namespace mainwindow
