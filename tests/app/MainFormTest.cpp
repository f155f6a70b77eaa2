// The main window headless: its description, start-up, routing and close, on
// the virtual devices with a registry file per test.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/AppForms.h"
#include "app/InfoForm.h"
#include "app/MainForm.h"
#include "app/Settings.h"
#include "app/Units.h"
#include "engine/MMPlgDSP.h"
#include "platform/backend/HeadlessBackend.h"
#include "platform/kernel/Modules.h"
#include "platform/kernel/UnitTable.h"
#include "platform/mm/WaveDevices.h"
#include "platform/registry/Registry.h"
#include "platform/user/Input.h"
#include "platform/user/MessageBox.h"
#include "platform/user/Messages.h"
#include "platform/vcl/Application.h"
#include "resources/ProgramResources.h"
#include "support/PumpUntil.h"
#include "support/TempDir.h"

namespace {

using app::FrmMain;

// A bounded round: the running connectors post their next idle step as they handle one.
void Pump() {
  plat::user::PumpBackendEvents(0);
  plat::MSG msg;
  for (int i = 0; i < 500 && plat::PeekMessageA(&msg, nullptr, 0, 0, plat::PM_REMOVE); ++i)
    plat::DispatchMessageA(&msg);
}

bool PumpUntil(const std::function<bool()>& done, int limit_ms = 5000) {
  return testsupport::PumpUntil(done, testsupport::Pumping{Pump, 0, limit_ms});
}

class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    plat::backend::Install(std::make_unique<plat::backend::HeadlessBackend>());
    plat::RegistrySetStorePath(temp_.File("registry.reg"));
    ASSERT_TRUE(plat::wavedev::RebuildDeviceTable());
    RegisterProgramResources();
    app::RegisterAllUnits();
    plat::Units().Initialize();
    vcl::Application->OnException = [this](vcl::TObject*, const vcl::Exception& e) {
      errors_.push_back(e.Message());
    };
    plat::SetDialogScript([this](const plat::DialogRequest& request) -> std::optional<plat::DialogAnswer> {
      if (request.kind == plat::DialogKind::MessageBox) messages_.push_back(request.text);
      return plat::DialogAnswer{};
    });
  }
  void TearDown() override {
    if (FrmMain) FrmMain->Close();
    Pump();
    plat::SetDialogScript({});
    plat::Units().Finalize();
    plat::backend::Install(nullptr);
  }

  // The main block up to the message loop, then the loop until start-up has ended.
  void Start() {
    app::ShowStartupWindow();
    app::CreateForms();
    ASSERT_NE(FrmMain, nullptr);
    FrmMain->Show();
    ASSERT_TRUE(PumpUntil([] { return FrmMain->StartupDone(); }))
        << "the start-up timer never ended start-up";
  }

  testsupport::ScopedEnv audio_{"QUELLIX_AUDIO", "virtual"};
  testsupport::TempDir temp_;
  std::vector<std::string> errors_;
  std::vector<std::string> messages_;
};

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

}  // namespace
