#pragma once
// The utility library's part of the program's start-up: version flags and
// paths, its colour names, and its components known by name.
#include "platform/kernel/UnitTable.h"

namespace utility {

void RegisterUtilityUnits(plat::UnitTable& table);

}  // namespace utility
