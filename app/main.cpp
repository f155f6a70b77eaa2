#include <cstdio>
#include <exception>
#include <string>

#include "app/AppForms.h"
#include "app/CommandLine.h"
#include "app/Units.h"
#include "engine/MMUtils.h"
#include "platform/backend/Backend.h"
#include "platform/kernel/UnitTable.h"
#include "platform/vcl/Application.h"
#include "platform/vcl/Forms.h"
#include "resources/ProgramResources.h"

namespace {

// The start-up window, the windows in their order and the message loop; 1 when
// there is no screen to show them on or start-up fails.
int RunAnalyser() {
  std::string why;
  if (!plat::backend::Current().Ready(&why)) {
    // Without a screen there is nothing to analyse on: say so rather than wait unseen.
    std::fprintf(stderr, "quellix: cannot open the analyser window: %s\n", why.c_str());
    return 1;
  }
  try {
    app::ShowStartupWindow();
    vcl::Application->SetTitle("Sonavex pro 4.6");
    app::CreateForms();
    vcl::ApplicationRun();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "quellix: %s\n", e.what());
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const app::CommandLine command = app::ParseCommandLine(argc, argv);
  if (command.action == app::CommandAction::ShowHelp) {
    std::fputs(app::UsageText().c_str(), stdout);
    return 0;
  }
  if (command.action == app::CommandAction::Fail) {
    std::fprintf(stderr, "quellix: %s\nTry 'quellix --help' for the options.\n", command.error.c_str());
    return 2;
  }
  int result = 0;
  try {
    RegisterProgramResources();
    app::RegisterAllUnits();
    plat::Units().Initialize();
    // Waits of the engine keep the user interface alive through the application.
    engine::SetDelayMessagePump([] { vcl::Application->ProcessMessages(); });
    result = RunAnalyser();
    engine::SetDelayMessagePump({});
    plat::Units().Finalize();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "quellix: start-up failed: %s\n", e.what());
    return 1;
  }
  return result;
}
