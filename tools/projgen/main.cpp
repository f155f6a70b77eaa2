// Writes the default project the program ships: the main window and its
// dialogs as their descriptions make them, saved by the program's own project
// writer. Runs headless with a registry store and data folder of its own, so
// nothing of the user's is read or written.
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <memory>
#include <string>

#include "app/AppForms.h"
#include "app/MainForm.h"
#include "app/Units.h"
#include "files/MMMPEG.h"
#include "platform/backend/HeadlessBackend.h"
#include "platform/kernel/UnitTable.h"
#include "platform/registry/Registry.h"
#include "resources/ProgramResources.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: projgen <project file>\n");
    return 2;
  }
  namespace fs = std::filesystem;
  const fs::path out = fs::absolute(argv[1]);
  std::string scratch = (fs::temp_directory_path() / "quellix-projgen-XXXXXX").string();
  if (!mkdtemp(scratch.data())) {
    std::perror("projgen: scratch folder");
    return 1;
  }
  int result = 0;
  try {
    setenv("QUELLIX_AUDIO", "virtual", 1);
    setenv("XDG_DATA_HOME", scratch.c_str(), 1);
    plat::backend::Install(std::make_unique<plat::backend::HeadlessBackend>());
    plat::RegistrySetStorePath(scratch + "/registry.reg");
    RegisterProgramResources();
    app::RegisterAllUnits();
    plat::Units().Initialize();
    files::SetMpegDecoderModule(QUELLIX_BIN_DIR "/mmmpeg32.so");
    app::CreateForms();
    fs::create_directories(out.parent_path());
    fs::remove(out);
    app::FrmMain->SaveSettingsFile(out.string());
    plat::Units().Finalize();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "projgen: %s\n", e.what());
    result = 1;
  }
  std::error_code ignored;
  fs::remove_all(scratch, ignored);
  return result;
}
