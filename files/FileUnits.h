#pragma once
// The file units' part of the program's start-up: the list-item and audio
// file registries are filled and the file components become known by name.
#include "platform/kernel/UnitTable.h"

namespace files {

void RegisterFileClasses();
void RegisterFileUnits(plat::UnitTable& table);

}  // namespace files
