#pragma once
// The control units' part of the program's start-up: their classes become
// known by name, so form descriptions can hold them.
#include "platform/kernel/UnitTable.h"

namespace controls {

void RegisterControlClasses();
void RegisterControlUnits(plat::UnitTable& table);

}  // namespace controls
