#include "skin/SkinUnits.h"

#include "skin/ImgUtil.h"
#include "skin/SkinData.h"
#include "skin/SkinDraw.h"
#include "skin/WinSkinDlg.h"

namespace skin {

void RegisterSkinUnits(plat::UnitTable& table) {
  table.Register("ImgUtil", plat::rankSkin + 10, nullptr, ClearGradientCache);
  // The composing bitmap is made on first use.
  table.Register("SkinDraw", plat::rankSkin + 20, nullptr, FreeSkinWorkBitmap);
  // The optional entry points are bound while the window layer exists; the
  // manager lets go of its windows and its hook before the layer goes.
  table.Register("WinSkinData", plat::rankSkin + 30, InitSkinDataUnit, UnbindSkinEntryPoints);
  table.Register("WinSkinDlg", plat::rankSkin + 40, nullptr, FreeSkinManager);
}

}  // namespace skin
