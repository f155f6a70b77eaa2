#include "app/Units.h"

#include "engine/EngineUnits.h"
#include "platform/kernel/UnitTable.h"
#include "platform/mm/MMUnits.h"
#include "platform/vcl/Jpeg.h"

namespace app {

void RegisterAllUnits() {
  plat::UnitTable& table = plat::Units();
  plat::RegisterMultimediaUnits(table);
  vcl::RegisterJpegUnit(table);
  engine::RegisterEngineUnits(table);
}

}  // namespace app
