#include "engine/EngineUnits.h"

#include "engine/MMUtils.h"

namespace engine {

void RegisterEngineUnits(plat::UnitTable& table) {
  // MMUtils first: every other engine unit reads its flags and routine table.
  table.Register("MMUtils", plat::rankEngine + 0, MMUtilsInitialize, MMUtilsFinalize);
}

}  // namespace engine
