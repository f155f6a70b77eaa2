#pragma once
// The display units' part of the program's start-up: their classes become
// known by name, so form descriptions can hold them.
#include "platform/kernel/UnitTable.h"

namespace displays {

void RegisterDisplayClasses();
void RegisterDisplayUnits(plat::UnitTable& table);

}  // namespace displays
