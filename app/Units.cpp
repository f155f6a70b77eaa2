#include "app/Units.h"

#include "platform/kernel/UnitTable.h"

namespace app {

void RegisterAllUnits() {
  // Each layer adds its units here as they are built, bottom up.
}

}  // namespace app
