// The main window headless: its description, start-up, routing and close, on
// the virtual devices with a registry file per test.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "app/InfoForm.h"
#include "app/MainForm.h"
#include "app/MainWindowFixture.h"
#include "app/Settings.h"
#include "engine/MMPlgDSP.h"
#include "platform/kernel/Modules.h"
#include "platform/registry/Registry.h"
#include "platform/vcl/TypInfo.h"

namespace {

using app::FrmMain;

using mainwindow::MainWindowTest;
using mainwindow::Pump;

TEST_F(MainWindowTest, DescriptionHoldsTheControlKindsInTheOrderProjectFilesKeyBy) {
  Start();
  // Project files key spin and check box values by component index: which kind
  // comes first and how many of each the window owns must not drift.
  std::map<std::string, int> counts;
  std::vector<std::string> first_seen;
  for (int i = 0; i < FrmMain->ComponentCount(); ++i) {
    const std::string kind = FrmMain->Components(i)->ClassName();
    if (kind != "TCheckBox" && kind != "TMMSpinButton" && kind != "TMMLEDSpin") continue;
    if (counts[kind]++ == 0) first_seen.push_back(kind);
  }
  EXPECT_EQ(first_seen, (std::vector<std::string>{"TCheckBox", "TMMSpinButton", "TMMLEDSpin"}));
  EXPECT_EQ(counts["TCheckBox"], 10);
  EXPECT_EQ(counts["TMMSpinButton"], 8);
  EXPECT_EQ(counts["TMMLEDSpin"], 20);

  struct Key {
    const char* item;
    const char* short_cut;
  };
  const Key keys[] = {
      {"LoadPrject1", "Ctrl+L"}, {"Exit1", "Ctrl+X"},         {"LineIn1", "Ctrl+R"},
      {"Frequ1", "Ctrl+G"},      {"StoreFreeed1", "Ctrl+F1"}, {"LoadBackground41", "Ctrl+F12"},
      {"File141", "Shift+F3"},   {"About1", "Ctrl+A"},        {"Dots1", ""}};
  for (const Key& k : keys) {
    auto* item = dynamic_cast<vcl::TMenuItem*>(FrmMain->FindComponent(k.item));
    ASSERT_NE(item, nullptr) << k.item;
    EXPECT_EQ(vcl::ShortCutToText(item->ShortCut()), k.short_cut) << k.item;
  }
}

TEST_F(MainWindowTest, FirstStartEndsInTwelfthOctaveModeWithTheInputRunning) {
  Start();
  EXPECT_EQ(FrmMain->rg_octave->ItemIndex(), 2);
  EXPECT_TRUE(FrmMain->MMWaveIn1->DeviceStarted());
  EXPECT_EQ(FrmMain->MMConnector1->Input(), FrmMain->MMWaveIn1);
  ASSERT_NE(app::FrmInfo, nullptr);
  EXPECT_FALSE(app::FrmInfo->Visible()) << "the start-up window is still open";
  EXPECT_TRUE(errors_.empty()) << errors_.front();
  EXPECT_TRUE(messages_.empty()) << messages_.front();
}

// Stored values are checked before use: what the device table or the mode
// list does not have keeps the current setting, and a vanished device says so.
TEST_F(MainWindowTest, StartUpValidatesStoredValues) {
  struct Case {
    const char* what;
    std::vector<std::pair<const char*, int>> stored;
    int octave;
    engine::TMMDeviceId input;
    engine::TMMCBMode mode;
    const char* message;  // a part of the one message expected, or null for none
  };
  const Case cases[] = {
      {"empty registry", {}, 2, engine::MapperId, engine::cmWindow, nullptr},
      {"stored mode", {{"Set Oct", 0}}, 0, engine::MapperId, engine::cmWindow, nullptr},
      {"mode beyond the list", {{"Set Oct", 9}}, 2, engine::MapperId, engine::cmWindow, nullptr},
      {"input that is gone", {{"DeviceID in", 57}}, 2, engine::MapperId, engine::cmWindow, "input device 57"},
      {"present input", {{"DeviceID in", 0}}, 2, 0, engine::cmWindow, nullptr},
      {"unknown delivery", {{"CBMode in", 7}}, 2, engine::MapperId, engine::cmWindow, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    for (const auto& [name, value] : c.stored) app::WriteInteger(name, value);
    messages_.clear();
    Start();
    EXPECT_EQ(FrmMain->rg_octave->ItemIndex(), c.octave);
    EXPECT_EQ(FrmMain->MMWaveIn1->DeviceID(), c.input);
    EXPECT_EQ(FrmMain->MMWaveIn1->CallBackMode(), c.mode);
    EXPECT_TRUE(FrmMain->MMWaveIn1->DeviceStarted());
    if (c.message) {
      ASSERT_EQ(messages_.size(), 1u);
      EXPECT_NE(messages_[0].find(c.message), std::string::npos) << messages_[0];
    } else {
      EXPECT_TRUE(messages_.empty()) << messages_.front();
    }
    EXPECT_TRUE(errors_.empty()) << errors_.front();
    Stop();
    plat::RegDeleteKeyA(plat::HKEY_CURRENT_USER, app::kSettingsKey);
    MarkFirstRunDone();
  }
}

// Start-up never depends on the plug-in: one that cannot be loaded gives its
// message once, the analysis runs, start-up ends and the plug-in button is off.
TEST_F(MainWindowTest, StartUpCompletesWithoutThePlugIn) {
  // A module under the plug-in's name without its entry points, then the real one back.
  const char* entries[] = {engine::MMDSPOwnEntry, engine::MMDSPOwnAltEntry, engine::MMDSPStandardEntry};
  plat::ModuleExports real;
  plat::HMODULE module = plat::LoadLibraryA("dsp_vst.dll");
  ASSERT_NE(module, nullptr);
  for (const char* name : entries)
    if (plat::FARPROC proc = plat::GetProcAddress(module, name)) real.emplace_back(name, proc);
  plat::RegisterBuiltinModule("dsp_vst.dll", {});
  struct Restore {
    plat::ModuleExports& real;
    ~Restore() { plat::RegisterBuiltinModule("dsp_vst.dll", real); }
  } restore{real};

  Start();
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_NE(messages_[0].find("dsp_vst.dll is not in the program directory"), std::string::npos);
  EXPECT_TRUE(FrmMain->MMWaveIn1->DeviceStarted());
  EXPECT_FALSE(FrmMain->btn_run->Enabled());
  EXPECT_FALSE(app::FrmInfo->Visible());
}

// The routing list: each action leaves the chain in its configuration with
// the devices it starts, and nothing else running.
TEST_F(MainWindowTest, RoutingSwitchesTheChain) {
  Start();
  app::TFrmMain* w = FrmMain;
  struct Case {
    const char* what;
    std::function<void()> act;
    engine::TMMDSPComponent* connector1_input;
    displays::TMMLevel* connector1_level2;
    bool input_running;
    bool output_running;
    bool clears_view;  // background picture and peaks gone
  };
  const Case cases[] = {
      {"compare", [w] { w->RouteCompare(); }, w->MMWaveIn1, w->mmLevel7, true, true, false},
      {"Run", [w] { w->Button25Click(w); }, w->MMWaveIn1, w->MMLevel2, true, false, false},
      {"Generator", [w] { w->Frequ1Click(w); }, w->MMWaveOut1, w->MMLevel2, false, false, true},
      {"player", [w] { w->RoutePlayer(); }, w->MMWaveOut1, w->MMLevel2, false, false, false},
      {"Real time", [w] { w->LineIn1Click(w); }, w->MMWaveIn1, w->MMLevel2, true, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    vcl::TBitmap picture;
    picture.SetWidth(8);
    picture.SetHeight(8);
    vcl::SetObjectProp(w->MMSpectrum1, "BackGroundDIB", &picture);
    w->MMSpectrum1->SetNumPeaks(3);
    c.act();
    Pump();
    if (c.clears_view) {
      EXPECT_TRUE(dynamic_cast<vcl::TBitmap*>(vcl::GetObjectProp(w->MMSpectrum1, "BackGroundDIB"))->Empty());
      EXPECT_EQ(w->MMSpectrum1->NumPeaks(), 0);
    }
    EXPECT_EQ(w->MMConnector1->Input(), c.connector1_input);
    EXPECT_EQ(w->MMConnector1->Level2(), c.connector1_level2);
    // The player page's meters stay on the second connector whatever the route.
    EXPECT_EQ(w->conect2->Level1(), w->MMLevel3);
    EXPECT_EQ(w->conect2->Level2(), w->MMLevel4);
    EXPECT_EQ(w->MMWaveIn1->DeviceStarted(), c.input_running);
    EXPECT_EQ((w->MMWaveOut1->State() & engine::TMMWaveOut::kStarted) != 0, c.output_running);
  }
  EXPECT_EQ(w->MMWaveOut1->Input(), w->waveplayer) << "the player route feeds the output from the file";

  w->MMConnector1->SetRefreshOnStop(false);
  w->MMConnector1->SetAutoTrigger(false);
  w->btn_restartClick(w);
  EXPECT_TRUE(w->MMConnector1->RefreshOnStop());
  EXPECT_TRUE(w->MMConnector1->AutoTrigger());
  EXPECT_TRUE(errors_.empty()) << errors_.front();
}

}  // namespace
