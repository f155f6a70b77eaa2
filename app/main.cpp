#include <cstdio>
#include <exception>

#include "app/Units.h"
#include "engine/MMUtils.h"
#include "platform/kernel/UnitTable.h"
#include "platform/vcl/Application.h"
#include "resources/ProgramResources.h"

int main() {
  try {
    RegisterProgramResources();
    app::RegisterAllUnits();
    plat::Units().Initialize();
    // Waits of the engine keep the user interface alive through the application.
    engine::SetDelayMessagePump([] { vcl::Application->ProcessMessages(); });
    std::fprintf(stderr,
                 "quellix: the analyser window is not built yet; units started and stopped cleanly.\n");
    engine::SetDelayMessagePump({});
    plat::Units().Finalize();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "quellix: start-up failed: %s\n", e.what());
    return 1;
  }
  return 0;
}
