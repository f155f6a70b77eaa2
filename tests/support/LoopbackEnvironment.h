#pragma once
// What the tests that run devices on the virtual loopback pair set up: the
// virtual device table, the program's resources (library messages), the
// application with its errors collected, and a current system profile, on
// which the device thread is offered. Header only: the programs that include
// it link the engine.
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "engine/MMUtils.h"
#include "platform/kernel/Resources.h"
#include "platform/kernel/SystemInfo.h"
#include "platform/mm/WaveDevices.h"
#include "platform/vcl/Application.h"
#include "resources/ProgramResources.h"

namespace testsupport {

class LoopbackEnvironment {
 public:
  // Call from SetUp; a failure there ends the test.
  void SetUp() {
    setenv("QUELLIX_AUDIO", "virtual", 1);
    ASSERT_TRUE(plat::wavedev::RebuildDeviceTable());
    plat::RegisterResourceTable(nullptr, ProgramResourceTable());
    vcl::InitApplication();
    vcl::Application->OnException = [this](vcl::TObject*, const vcl::Exception& e) {
      errors_.push_back(e.Message());
    };
    UseModernSystem();
  }
  void TearDown() {
    vcl::Application->OnException = nullptr;
    vcl::DoneApplication();
    plat::UnregisterResourceTable(nullptr, ProgramResourceTable());
    if (held_) engine::MMUtilsFinalize();
    plat::SetVersionProfile(std::nullopt);
  }

  // What the application's exception handler was given.
  const std::vector<std::string>& Errors() const { return errors_; }

 private:
  // The unit reads the system flags at its first start-up only and other
  // tests of the program may hold it, so drop holds until the profile shows.
  void UseModernSystem() {
    plat::OSVERSIONINFOA v;
    v.dwOSVersionInfoSize = sizeof v;
    v.dwPlatformId = plat::VER_PLATFORM_WIN32_NT;
    v.dwMajorVersion = 10;
    plat::SetVersionProfile(v);
    for (int i = 0; i < 32; ++i) {
      engine::MMUtilsInitialize();
      if (engine::IsWinXPOrLater() == engine::OSIsXPOrLater() && engine::IsWin95() == engine::OSIsWin95()) {
        held_ = true;
        return;
      }
      engine::MMUtilsFinalize();
      engine::MMUtilsFinalize();
    }
    FAIL() << "the unit's flags do not follow the profile";
  }

  std::vector<std::string> errors_;
  bool held_ = false;
};

}  // namespace testsupport
