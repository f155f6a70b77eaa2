#pragma once
// The program's units on a screen of the test's choosing, with a registry
// file per test and the errors the application would show collected: what
// the main window's tests and the tool windows' tests set up alike.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/Units.h"
#include "platform/backend/HeadlessBackend.h"
#include "platform/kernel/UnitTable.h"
#include "platform/mm/WaveDevices.h"
#include "platform/registry/Registry.h"
#include "platform/user/Input.h"
#include "platform/user/MessageBox.h"
#include "platform/user/Messages.h"
#include "platform/vcl/Application.h"
#include "resources/ProgramResources.h"
#include "support/TempDir.h"

namespace mainwindow {

// A bounded round: the running connectors post their next idle step as they handle one.
inline void Pump(int messages = 500) {
  plat::user::PumpBackendEvents(0);
  plat::MSG msg;
  for (int i = 0; i < messages && plat::PeekMessageA(&msg, nullptr, 0, 0, plat::PM_REMOVE); ++i)
    plat::DispatchMessageA(&msg);
}

class ProgramUnitsTest : public ::testing::Test {
 protected:
  // The screen the windows show on; the smoke test puts the real one in.
  virtual std::unique_ptr<plat::backend::Backend> MakeBackend() {
    return std::make_unique<plat::backend::HeadlessBackend>();
  }

  void SetUp() override {
    cwd_ = std::filesystem::current_path();
    plat::backend::Install(MakeBackend());
    plat::RegistrySetStorePath(temp_.File("registry.reg"));
    ASSERT_TRUE(plat::wavedev::RebuildDeviceTable());
    RegisterProgramResources();
    app::RegisterAllUnits();
    plat::Units().Initialize();
    vcl::Application->OnException = [this](vcl::TObject*, const vcl::Exception& e) {
      errors_.push_back(e.Message());
    };
  }

  // After the test's windows are gone.
  void TearDown() override {
    Pump();
    plat::SetDialogScript({});
    plat::Units().Finalize();
    plat::backend::Install(nullptr);
    // Loading the default project makes the projects folder current; it goes with the test.
    std::filesystem::current_path(cwd_);
  }

  testsupport::TempDir temp_;
  std::vector<std::string> errors_;

 private:
  std::filesystem::path cwd_;
};

}  // namespace mainwindow
