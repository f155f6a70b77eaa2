#include "files/FileUnits.h"

#include "files/MMEnvelp.h"
#include "files/MMObjLst.h"
#include "platform/vcl/Classes.h"

namespace files {

void RegisterFileClasses() {}

void RegisterFileUnits(plat::UnitTable& table) {
  table.Register("MMObjLst", plat::rankFiles + 10, RegisterEnvelopeItems, ClearItemClasses);
  table.Register("MMFileComponents", plat::rankFiles + 30, RegisterFileClasses);
}

}  // namespace files
