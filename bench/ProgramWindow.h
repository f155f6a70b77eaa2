// What the benchmarks of the main window share: the program's units and its
// windows on a memory screen, with a registry and a data folder of their own
// holding the program's default project, as the program starts them up to
// its message loop; torn down in reverse.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <system_error>
#include <utility>

#include "app/AppForms.h"
#include "app/MainForm.h"
#include "app/Settings.h"
#include "app/Units.h"
#include "files/MMMPEG.h"
#include "platform/backend/HeadlessBackend.h"
#include "platform/kernel/UnitTable.h"
#include "platform/mm/WaveDevices.h"
#include "platform/registry/Registry.h"
#include "platform/user/MessageBox.h"
#include "resources/ProgramResources.h"

namespace bench {

class TProgramWindow {
 public:
  // `pump` serves the windows on the way and after the close.
  TProgramWindow(std::unique_ptr<plat::backend::HeadlessBackend> screen, std::function<void()> pump)
      : pump_(std::move(pump)) {
    char folder[] = "/tmp/quellix-bench-XXXXXX";
    if (mkdtemp(folder)) folder_ = folder;
    setenv("QUELLIX_AUDIO", "virtual", 1);
    setenv("XDG_DATA_HOME", (folder_ + "/data").c_str(), 1);
    // The program finds its default project (the spectrum's colours among it) beside itself.
    const std::filesystem::path projects = folder_ + "/data/quellix/Analyzer Projects";
    std::error_code error;
    std::filesystem::create_directories(projects, error);
    std::filesystem::copy_file(std::filesystem::path(QUELLIX_BIN_DIR) / "Analyzer Projects" / "Default.prj",
                               projects / "Default.prj", error);
    // The window's MPEG file binds its decoder while the description is read.
    files::SetMpegDecoderModule(QUELLIX_BIN_DIR "/mmmpeg32.so");
    plat::backend::Install(std::move(screen));
    plat::RegistrySetStorePath(folder_ + "/registry.reg");
    // Started as after the first start, whose device dialogs wait for the user.
    app::WriteBool("soundIn", true);
    app::WriteBool("soundOut", true);
    plat::wavedev::RebuildDeviceTable();
    RegisterProgramResources();
    app::RegisterAllUnits();
    plat::Units().Initialize();
    // Message boxes (the plug-in is not beside this program) are answered at once.
    plat::SetDialogScript(
        [](const plat::DialogRequest&) -> std::optional<plat::DialogAnswer> { return plat::DialogAnswer{}; });
    app::ShowStartupWindow();
    app::CreateForms();
    app::FrmMain->Show();
  }
  ~TProgramWindow() {
    if (app::FrmMain) app::FrmMain->Close();
    pump_();
    plat::SetDialogScript({});
    plat::Units().Finalize();
    plat::backend::Install(nullptr);
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }
  TProgramWindow(const TProgramWindow&) = delete;
  TProgramWindow& operator=(const TProgramWindow&) = delete;

 private:
  std::function<void()> pump_;
  std::string folder_;
};

}  // namespace bench
