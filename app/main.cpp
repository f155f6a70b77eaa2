#include <cstdio>
#include <exception>

#include "app/Units.h"
#include "platform/kernel/UnitTable.h"
#include "resources/ProgramResources.h"

int main() {
  try {
    RegisterProgramResources();
    app::RegisterAllUnits();
    plat::Units().Initialize();
    std::fprintf(stderr, "quellix: the analyser window is not built yet; units started and stopped cleanly.\n");
    plat::Units().Finalize();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "quellix: start-up failed: %s\n", e.what());
    return 1;
  }
  return 0;
}
