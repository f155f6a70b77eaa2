#include "skin/SkinUnits.h"

#include "skin/ImgUtil.h"
#include "skin/SkinDraw.h"

namespace skin {

void RegisterSkinUnits(plat::UnitTable& table) {
  table.Register("ImgUtil", plat::rankSkin + 10, nullptr, ClearGradientCache);
  // The composing bitmap is made on first use.
  table.Register("SkinDraw", plat::rankSkin + 20, nullptr, FreeSkinWorkBitmap);
}

}  // namespace skin
