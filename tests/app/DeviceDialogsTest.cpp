// The device dialogs and the channel-pair commands on the virtual devices:
// inputs "Loopback", "File Input" and "Faulty Input" behind the mapper.
#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "app/DeviceDialogs.h"
#include "app/MainForm.h"
#include "app/MainWindowFixture.h"
#include "app/Settings.h"
#include "engine/MMWavIn.h"
#include "platform/mm/WaveFaulty.h"
#include "platform/user/Focus.h"
#include "platform/user/Input.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/StdCtrls.h"

namespace {

using app::FrmMain;
using engine::InvalidId;
using engine::MapperId;
using mainwindow::Pump;

TEST(StoredDevice, IsFoundAgainByItsName) {
  const std::vector<std::string> names = {"Loopback", "USB Mic", "Faulty Input"};
  struct Case {
    const char* what;
    int id;
    const char* name;
    engine::TMMDeviceId expected;
  };
  const Case cases[] = {
      {"mapper", MapperId, "", MapperId},       {"mapper whatever its name", MapperId, "Gone", MapperId},
      {"id alone, in the list", 2, "", 2},      {"id alone, past the list", 3, "", InvalidId},
      {"negative id alone", -2, "", InvalidId}, {"id and name agree", 1, "USB Mic", 1},
      {"device moved up", 2, "USB Mic", 1},     {"device moved past the old list", 7, "Faulty Input", 2},
      {"device gone", 1, "Headset", InvalidId},
  };
  for (const Case& c : cases) EXPECT_EQ(app::FindStoredDevice(c.id, c.name, names), c.expected) << c.what;
  EXPECT_EQ(app::FindStoredDevice(0, "", {}), InvalidId);
}

class DeviceDialogsTest : public mainwindow::MainWindowTest {
 protected:
  struct Answer {
    std::function<vcl::TForm*()> form;  // looked up while the modal loops run
    std::function<void()> act;
  };
  // Runs the answers in turn, each once its form shows; the modal loops'
  // idle time drives them.
  void AnswerInTurn(std::deque<Answer> answers) {
    idles_ = 0;
    answers_ = std::move(answers);
    vcl::Application->OnIdle = [this](vcl::TObject*, bool& done) {
      done = false;
      if (answers_.empty()) return;
      vcl::TForm* form = answers_.front().form();
      if (form && form->Visible()) {
        std::function<void()> act = std::move(answers_.front().act);
        answers_.pop_front();
        idles_ = 0;
        act();
      } else if (++idles_ > 2000 && form) {
        form->SetModalResult(vcl::mrAbort);  // the dialog never came
      }
    };
  }
  void AnswerWhenShown(vcl::TForm* form, std::function<void()> answer) {
    AnswerInTurn({{[form] { return form; }, std::move(answer)}});
  }

  static void NumPad(uint16_t vk) {
    auto& screen = static_cast<plat::backend::HeadlessBackend&>(plat::backend::Current());
    screen.InjectKey(vk, true);
    screen.InjectKey(vk, false);
    plat::user::PumpBackendEvents(0);
    plat::MSG msg;
    while (plat::PeekMessageA(&msg, nullptr, plat::WM_KEYDOWN, plat::WM_SYSDEADCHAR, plat::PM_REMOVE))
      plat::DispatchMessageA(&msg);
  }

  static vcl::TButton* RequireOk(vcl::TForm* form) {
    return app::RequireComponent<vcl::TButton>(form, "btnOk");
  }

  int idles_ = 0;
  std::deque<Answer> answers_;
};

// The first start asks for the input device, then for the output device,
// and analyses what the chosen input hears; later starts ask nothing.
TEST_F(DeviceDialogsTest, FirstStartAsksForTheDevicesAndKeepsTheChoice) {
  plat::RegDeleteKeyA(plat::HKEY_CURRENT_USER, app::kSettingsKey);
  const auto loopback_in =
      static_cast<engine::TMMDeviceId>(plat::wavedev::FindWaveInDevice("Loopback Input"));
  const auto loopback_out =
      static_cast<engine::TMMDeviceId>(plat::wavedev::FindWaveOutDevice("Loopback Output"));
  std::vector<std::string> asked;
  auto choose = [&](const char* what, app::TDeviceChoice* dialog, engine::TMMDeviceId id) {
    asked.push_back(what);
    dialog->PlayCombo->SetItemIndex(id + 1);
    dialog->radioThread->SetChecked(true);
    dialog->btnOk->Click();
  };
  AnswerInTurn({{[] { return app::fDrvIn; }, [&] { choose("input", app::fDrvIn, loopback_in); }},
                {[] { return app::fDrvOut; }, [&] { choose("output", app::fDrvOut, loopback_out); }}});
  Start();
  EXPECT_EQ(asked, (std::vector<std::string>{"input", "output"}));
  app::TFrmMain* w = FrmMain;
  EXPECT_EQ(w->MMWaveIn1->DeviceID(), loopback_in);
  EXPECT_EQ(w->MMWaveIn1->CallBackMode(), engine::cmThread);
  EXPECT_TRUE(w->MMWaveIn1->DeviceStarted());
  EXPECT_EQ(w->MMConnector1->Input(), w->MMWaveIn1);
  EXPECT_EQ(w->wavRecorder->DeviceID(), loopback_in);
  EXPECT_EQ(w->MMWaveOut1->DeviceID(), loopback_out);
  EXPECT_EQ(w->MMWaveOut1->CallBackMode(), engine::cmThread);
  EXPECT_TRUE(w->SoundIn());
  EXPECT_TRUE(w->SoundOut());
  EXPECT_TRUE(app::ReadBool("soundIn", false));
  EXPECT_TRUE(app::ReadBool("soundOut", false));
  EXPECT_EQ(app::ReadString("DeviceName in", ""), "Loopback Input");
  EXPECT_EQ(app::ReadString("DeviceName rec", ""), "Loopback Input");
  EXPECT_EQ(app::ReadString("DeviceName out", ""), "Loopback Output");
  EXPECT_EQ(app::ReadInteger("CBMode in", -9), engine::cmThread);
  EXPECT_EQ(app::ReadInteger("CBMode out", -9), engine::cmThread);

  Stop();
  AnswerInTurn(
      {{[] { return app::fDrvIn; }, [&] { choose("input again", app::fDrvIn, engine::MapperId); }},
       {[] { return app::fDrvOut; }, [&] { choose("output again", app::fDrvOut, engine::MapperId); }}});
  Start();
  vcl::Application->OnIdle = nullptr;
  EXPECT_EQ(asked.size(), 2u) << asked.back();
  EXPECT_EQ(FrmMain->MMWaveIn1->DeviceID(), loopback_in);
  EXPECT_EQ(FrmMain->MMWaveOut1->DeviceID(), loopback_out);
  EXPECT_TRUE(messages_.empty()) << messages_.front();
  EXPECT_TRUE(errors_.empty()) << errors_.front();
}

TEST_F(DeviceDialogsTest, ChosenDevicesAndModesAreStoredAndComeBack) {
  Start();
  app::TFrmMain* w = FrmMain;
  ASSERT_NE(app::fDrvIn, nullptr);
  app::TfDrvIn* in = app::fDrvIn;
  std::vector<std::string> shown;
  bool interrupt_enabled = true;
  AnswerWhenShown(in, [&] {
    for (int i = 0; i < in->PlayCombo->Items()->Count(); ++i)
      shown.push_back(in->PlayCombo->Items()->Strings(i));
    EXPECT_EQ(in->PlayCombo->ItemIndex(), 0);  // the mapper
    EXPECT_TRUE(in->radioWindow->Checked());
    interrupt_enabled = in->radioInterrupt->Enabled();
    in->PlayCombo->SetItemIndex(3);
    in->radioThread->SetChecked(true);
    in->rg_sample->SetItemIndex(0);
    in->btnOk->Click();
  });
  w->InputDevice1Click(w);
  ASSERT_EQ(shown.size(), 4u);
  EXPECT_EQ(shown[3], "Faulty Input");
  EXPECT_FALSE(interrupt_enabled);
  EXPECT_EQ(w->MMWaveIn1->DeviceID(), 2);
  EXPECT_EQ(w->wavRecorder->DeviceID(), 2);
  EXPECT_EQ(w->MMWaveIn1->CallBackMode(), engine::cmThread);
  EXPECT_EQ(w->MMWaveIn1->SampleRate(), 44100);
  EXPECT_TRUE(w->MMWaveIn1->DeviceStarted());
  EXPECT_EQ(app::ReadInteger("Samplerate", -9), 0);
  EXPECT_EQ(app::ReadInteger("DeviceID in", -9), 2);
  EXPECT_EQ(app::ReadString("DeviceName in", ""), "Faulty Input");
  EXPECT_EQ(app::ReadInteger("CBMode in", -9), engine::cmThread);
  EXPECT_EQ(app::ReadInteger("DeviceID rec", -9), 2);

  // Cancel changes nothing but still stores what the devices have.
  app::WriteInteger("DeviceID in", 0);
  AnswerWhenShown(in, [&] {
    in->PlayCombo->SetItemIndex(1);
    in->btnCancel->Click();
  });
  w->InputDevice1Click(w);
  EXPECT_EQ(w->MMWaveIn1->DeviceID(), 2);
  EXPECT_EQ(app::ReadInteger("DeviceID in", -9), 2);

  // The output dialog leaves both devices closed.
  ASSERT_NE(app::fDrvOut, nullptr);
  app::TfDrvOut* out = app::fDrvOut;
  AnswerWhenShown(out, [&] {
    out->PlayCombo->SetItemIndex(1);
    out->btnOk->Click();
  });
  w->OutputDevice1Click(w);
  vcl::Application->OnIdle = nullptr;
  EXPECT_EQ(w->MMWaveOut1->DeviceID(), 0);
  EXPECT_EQ(app::ReadInteger("DeviceID out", -9), 0);
  EXPECT_EQ(app::ReadString("DeviceName out", ""), engine::GetWaveOutDeviceName(0));
  EXPECT_FALSE(w->MMWaveIn1->DeviceOpened());
  EXPECT_EQ(w->MMWaveOut1->State(), 0u);

  // The next start takes them again.
  Stop();
  Start();
  EXPECT_EQ(FrmMain->MMWaveIn1->DeviceID(), 2);
  EXPECT_EQ(FrmMain->MMWaveIn1->CallBackMode(), engine::cmThread);
  EXPECT_EQ(FrmMain->MMWaveIn1->SampleRate(), 44100);
  EXPECT_EQ(FrmMain->MMWaveOut1->DeviceID(), 0);
  EXPECT_EQ(app::fDrvIn->rg_sample->ItemIndex(), 0);
  EXPECT_TRUE(messages_.empty()) << messages_.front();
  EXPECT_TRUE(errors_.empty()) << errors_.front();
}

TEST_F(DeviceDialogsTest, StoredDeviceIsFoundByNameOrFallsBackToTheMapper) {
  struct Case {
    const char* what;
    int id;
    std::string name;
    engine::TMMDeviceId expected;
    bool message;
  };
  const Case cases[] = {
      {"moved", 0, engine::GetWaveInDeviceName(2), 2, false},
      {"gone", 1, "Headset that was unplugged", MapperId, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    app::WriteInteger("DeviceID in", c.id);
    app::WriteString("DeviceName in", c.name);
    messages_.clear();
    Start();
    EXPECT_EQ(FrmMain->MMWaveIn1->DeviceID(), c.expected);
    EXPECT_TRUE(FrmMain->MMWaveIn1->DeviceStarted());
    if (c.message) {
      ASSERT_EQ(messages_.size(), 1u);
      EXPECT_NE(messages_[0].find(c.name), std::string::npos) << messages_[0];
    } else {
      EXPECT_TRUE(messages_.empty()) << messages_.front();
    }
    Stop();
  }

  // A project load finds them the same way, the recorder's too, and names a
  // gone device once.
  Start();
  const std::string project = temp_.File("devices.prj");
  FrmMain->SaveSettingsFile(project);
  const std::string moved = engine::GetWaveInDeviceName(2);
  for (const char* key : {"DeviceID in", "RecID in"}) app::WriteInteger(key, 0);
  for (const char* key : {"DeviceName in", "RecName in"}) app::WriteString(key, moved);
  app::WriteInteger("DeviceID out", 0);
  app::WriteString("DeviceName out", "Speaker that was unplugged");
  FrmMain->MMWaveOut1->Close();
  FrmMain->MMWaveOut1->SetDeviceID(0);
  messages_.clear();
  FrmMain->LoadSettingsFile(project);
  FrmMain->LoadSettingsFile(project);
  EXPECT_EQ(FrmMain->MMWaveIn1->DeviceID(), 2);
  EXPECT_EQ(FrmMain->wavRecorder->DeviceID(), 2);
  EXPECT_EQ(FrmMain->MMWaveOut1->DeviceID(), MapperId);
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_NE(messages_[0].find("Speaker that was unplugged"), std::string::npos) << messages_[0];
  FrmMain->SaveSettingsFile(project);
  EXPECT_EQ(app::ReadString("RecName in", ""), moved);
  Stop();
}

TEST_F(DeviceDialogsTest, PairsAreSetUpAndNumberPadKeysSwitchTheInput) {
  app::WriteInteger("multi_2", 2);
  app::WriteInteger("multi_3", 7);  // a device that is gone
  Start();
  app::TFrmMain* w = FrmMain;
  ASSERT_NE(app::fmulti, nullptr);
  app::Tfmulti* multi = app::fmulti;
  w->S1Click(w);
  ASSERT_TRUE(multi->Visible());
  EXPECT_EQ(multi->cb[0]->ItemIndex(), 1);  // missing: the first device
  EXPECT_EQ(multi->cb[1]->ItemIndex(), 3);
  EXPECT_EQ(multi->cb[2]->ItemIndex(), 0);  // gone: the mapper
  const int faulty = static_cast<int>(plat::wavedev::FindWaveInDevice("Faulty Input"));
  const int loopback = static_cast<int>(plat::wavedev::FindWaveInDevice("Loopback Input"));
  multi->cb[0]->SetItemIndex(0);
  multi->cb[3]->SetItemIndex(loopback + 1);
  RequireOk(multi)->Click();
  EXPECT_FALSE(multi->Visible());
  EXPECT_EQ(app::ReadInteger("multi_1", -9), MapperId);
  EXPECT_EQ(app::ReadInteger("multi_2", -9), faulty);
  EXPECT_EQ(app::ReadInteger("multi_3", -9), MapperId);
  EXPECT_EQ(app::ReadString("multi_4 name", ""), "Loopback Input");

  plat::SetFocus(w->Handle());
  Pump();
  struct Case {
    uint16_t key;
    engine::TMMDeviceId device;
  };
  for (const Case& c :
       {Case{plat::VK_NUMPAD2, faulty}, Case{plat::VK_NUMPAD1, MapperId}, Case{plat::VK_NUMPAD4, loopback}}) {
    SCOPED_TRACE(c.key);
    NumPad(c.key);
    EXPECT_EQ(w->MMWaveIn1->DeviceID(), c.device);
    EXPECT_TRUE(w->MMWaveIn1->DeviceStarted());
  }

  // A pair whose device fails to start says so and leaves the input closed.
  plat::wavedev::FaultyConfig config;
  config.fail[plat::wave::Call::kOpen] = plat::MMSYSERR_ERROR;
  plat::wavedev::SetFaultyInput(config);
  messages_.clear();
  NumPad(plat::VK_NUMPAD2);
  plat::wavedev::ResetFaulty();
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0], "Can't start the sound driver!");
  EXPECT_FALSE(w->MMWaveIn1->DeviceOpened());
  EXPECT_TRUE(errors_.empty()) << errors_.front();
}

}  // namespace
