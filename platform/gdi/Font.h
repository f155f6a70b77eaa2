#pragma once
// Fonts as graphics objects: CreateFontA, CreateFontIndirectA, GetObject of a
// font (a LOGFONTA) and the stock fonts. The face behind a handle is realised
// on first use, so creating a font never fails for want of installed fonts.
#include <memory>

#include "platform/gdi/FontEngine.h"
#include "platform/gdi/FontTypes.h"
#include "platform/gdi/GdiObjects.h"

namespace plat {

class FontObject : public GdiObject {
 public:
  explicit FontObject(const LOGFONTA& lf) : logfont(lf) {}
  DWORD Type() const override { return OBJ_FONT; }
  int Describe(int size, void* out) const override;
  // The realised font, or null when no installed font can serve it.
  std::shared_ptr<const fonts::Font> Realized() const;

  const LOGFONTA logfont;

 private:
  mutable std::shared_ptr<const fonts::Font> realized_;
  mutable bool tried_ = false;
};

HFONT CreateFontA(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                  DWORD underline, DWORD strike_out, DWORD char_set, DWORD out_precision,
                  DWORD clip_precision, DWORD quality, DWORD pitch_and_family, const char* face_name);
HFONT CreateFontIndirectA(const LOGFONTA* lf);

// Puts the real stock fonts behind their handles (SYSTEM_FONT, DEFAULT_GUI_FONT,
// ANSI_VAR_FONT, ...). Safe to call any number of times from any thread; the
// text functions call it themselves.
void InstallStockFonts();

// The description of a stock font.
LOGFONTA StockFontDescription(int index);

// The font a DC draws with: the selected font, or the system font when the
// handle is not a font. Null when no installed font serves it. Hold GdiLock.
std::shared_ptr<const fonts::Font> SelectedFont(HFONT handle);

}  // namespace plat
