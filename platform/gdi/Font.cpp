#include "platform/gdi/Font.h"

#include <algorithm>
#include <cstring>

namespace plat {

namespace {

LOGFONTA Describe(LONG height, LONG weight, BYTE pitch_and_family, const char* face) {
  LOGFONTA lf;
  lf.lfHeight = height;
  lf.lfWeight = weight;
  lf.lfCharSet = ANSI_CHARSET;
  lf.lfPitchAndFamily = pitch_and_family;
  std::strncpy(lf.lfFaceName, face, LF_FACESIZE - 1);
  return lf;
}

}  // namespace

int FontObject::Describe(int size, void* out) const {
  if (out == nullptr) return static_cast<int>(sizeof(LOGFONTA));
  int n = std::min<int>(size, sizeof(LOGFONTA));
  if (n <= 0) return 0;
  std::memcpy(out, &logfont, static_cast<size_t>(n));
  return n;
}

std::shared_ptr<const fonts::Font> FontObject::Realized() const {
  GdiLock lock;
  if (!tried_) {
    realized_ = fonts::FontEngine::Default().Realize(logfont);
    tried_ = true;
  }
  return realized_;
}

HFONT CreateFontIndirectA(const LOGFONTA* lf) {
  if (lf == nullptr) return nullptr;
  LOGFONTA copy = *lf;
  copy.lfFaceName[LF_FACESIZE - 1] = '\0';
  return static_cast<HFONT>(RegisterGdiObject(std::make_shared<FontObject>(copy)));
}

HFONT CreateFontA(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                  DWORD underline, DWORD strike_out, DWORD char_set, DWORD out_precision,
                  DWORD clip_precision, DWORD quality, DWORD pitch_and_family, const char* face_name) {
  LOGFONTA lf;
  lf.lfHeight = height;
  lf.lfWidth = width;
  lf.lfEscapement = escapement;
  lf.lfOrientation = orientation;
  lf.lfWeight = weight;
  lf.lfItalic = static_cast<BYTE>(italic);
  lf.lfUnderline = static_cast<BYTE>(underline);
  lf.lfStrikeOut = static_cast<BYTE>(strike_out);
  lf.lfCharSet = static_cast<BYTE>(char_set);
  lf.lfOutPrecision = static_cast<BYTE>(out_precision);
  lf.lfClipPrecision = static_cast<BYTE>(clip_precision);
  lf.lfQuality = static_cast<BYTE>(quality);
  lf.lfPitchAndFamily = static_cast<BYTE>(pitch_and_family);
  if (face_name != nullptr) std::strncpy(lf.lfFaceName, face_name, LF_FACESIZE - 1);
  return CreateFontIndirectA(&lf);
}

LOGFONTA StockFontDescription(int index) {
  switch (index) {
    case SYSTEM_FONT:
    case DEVICE_DEFAULT_FONT:
      return Describe(16, FW_BOLD, VARIABLE_PITCH | FF_SWISS, "System");
    case OEM_FIXED_FONT:
    case ANSI_FIXED_FONT:
    case SYSTEM_FIXED_FONT:
      return Describe(-13, FW_NORMAL, FIXED_PITCH | FF_MODERN, "Courier New");
    case ANSI_VAR_FONT:
    case DEFAULT_GUI_FONT:
    default:
      // MS Sans Serif at 8 points on a 96 dpi screen.
      return Describe(-11, FW_NORMAL, VARIABLE_PITCH | FF_SWISS, "MS Sans Serif");
  }
}

void InstallStockFonts() {
  // Under the graphics lock rather than a once-flag: callers may already hold it.
  GdiLock lock;
  static bool installed = false;
  if (installed) return;
  installed = true;
  for (int index : {OEM_FIXED_FONT, ANSI_FIXED_FONT, ANSI_VAR_FONT, SYSTEM_FONT, DEVICE_DEFAULT_FONT,
                    SYSTEM_FIXED_FONT, DEFAULT_GUI_FONT})
    SetStockObjectImpl(index, std::make_shared<FontObject>(StockFontDescription(index)));
}

std::shared_ptr<const fonts::Font> SelectedFont(HFONT handle) {
  InstallStockFonts();
  if (auto* font = LookupAs<FontObject>(handle, OBJ_FONT)) return font->Realized();
  auto* system = LookupAs<FontObject>(GetStockObject(SYSTEM_FONT), OBJ_FONT);
  return system ? system->Realized() : nullptr;
}

}  // namespace plat
