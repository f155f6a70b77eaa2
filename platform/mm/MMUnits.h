#pragma once
// Start-up of the multimedia services: the layer's own modules are made
// known before any unit loads them by name.
#include "platform/kernel/UnitTable.h"

namespace plat {
void RegisterMultimediaUnits(UnitTable& table);
}
