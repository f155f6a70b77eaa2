#include "engine/EngineUnits.h"

#include "engine/MMACM.h"
#include "engine/MMComponents.h"
#include "engine/MMFFT.h"
#include "engine/MMObj.h"
#include "engine/MMTimer.h"
#include "engine/MMUtils.h"
#include "engine/MMVisual.h"

namespace engine {

void RegisterEngineUnits(plat::UnitTable& table) {
  // MMUtils first: every other engine unit reads its flags and routine table.
  table.Register("MMUtils", plat::rankEngine + 0, MMUtilsInitialize, MMUtilsFinalize);
  table.Register("MMObj", plat::rankEngine + 5, MMObjInitialize);
  table.Register("MMTimer", plat::rankEngine + 6, {}, MMTimerFinalize);
  table.Register("MMVisual", plat::rankEngine + 7, MMVisualInitialize);
  table.Register("MMFFT", plat::rankEngine + 10, InitFFTKernels);
  table.Register("MMACM", plat::rankEngine + 20, MMACMInitialize, MMACMFinalize);
  table.Register("MMComponents", plat::rankEngine + 30, RegisterComponentClasses);
}

}  // namespace engine
