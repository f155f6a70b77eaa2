#include "utility/UtilityUnits.h"

#include "utility/qelClasses.h"
#include "utility/qelComponents.h"
#include "utility/qelGraphics.h"
#include "utility/qelInstance.h"
#include "utility/qelLabels.h"
#include "utility/qelSysUtils.h"

namespace utility {

void RegisterUtilityUnits(plat::UnitTable& table) {
  table.Register("qelSysUtils", plat::rankUtility + 10, [] {
    DetectVersion();
    InitProgramPaths();
  });
  table.Register("qelGraphics", plat::rankUtility + 20, RegisterColorNames);
  table.Register("qelLabels", plat::rankUtility + 25, RegisterLabelClasses);
  // What the unit shares outlives it, as components on forms that close
  // later may still reach it; only the instance this copy holds is given up,
  // and the monitors' threads are stopped.
  table.Register("qelComponents", plat::rankUtility + 30, InitComponentsUnit, [] {
    ReleaseInstance();
    StopMonitorThreads();
  });
}

}  // namespace utility
