#pragma once
// The audio engine's entries in the program's unit table.
#include "platform/kernel/UnitTable.h"

namespace engine {

void RegisterEngineUnits(plat::UnitTable& table);

}  // namespace engine
