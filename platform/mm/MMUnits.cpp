#include "platform/mm/MMUnits.h"

#include "platform/mm/Acm.h"

namespace plat {

void RegisterMultimediaUnits(UnitTable& table) {
  table.Register("MSACM32", rankPlatform + 50, RegisterAcmModule);
}

}  // namespace plat
