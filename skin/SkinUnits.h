#pragma once
// The skin units' part of the program's start-up and shut-down: their
// unit-level state (the gradient cache, the shared composing bitmap) is
// freed at shut-down, while the drawing layer still exists.
#include "platform/kernel/UnitTable.h"

namespace skin {

void RegisterSkinUnits(plat::UnitTable& table);

}  // namespace skin
