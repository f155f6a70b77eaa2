#include "Generators.h"

#include "AppIcon.h"
#include "ColorArrow.h"
#include "DotFonts.h"
#include "InfoPicture.h"
#include "LedStrips.h"
#include "LibraryCursors.h"
#include "MenuGlyphs.h"
#include "PlayerGlyphs.h"
#include "SkinTracks.h"
#include "SpinArrows.h"
#include "WaveGlyph.h"

namespace resgen {

std::span<const Generator> Generators() {
  // One line per drawn resource, e.g. {"BITMAP", "LCD_06X07", DrawDigitStrip06x07}.
  // A drawn resource may not share its type and name with a file.
  static const std::vector<Generator> table = {
      {"CURSOR", "2001", DrawLibraryCursorN<2001>},
      {"CURSOR", "2002", DrawLibraryCursorN<2002>},
      {"CURSOR", "2003", DrawLibraryCursorN<2003>},
      {"CURSOR", "2004", DrawLibraryCursorN<2004>},
      {"CURSOR", "2005", DrawLibraryCursorN<2005>},
      {"CURSOR", "2006", DrawLibraryCursorN<2006>},
      {"CURSOR", "2007", DrawLibraryCursorN<2007>},
      {"CURSOR", "2008", DrawLibraryCursorN<2008>},
      {"CURSOR", "2009", DrawLibraryCursorN<2009>},
      {"CURSOR", "2010", DrawLibraryCursorN<2010>},
      {"CURSOR", "2011", DrawLibraryCursorN<2011>},
      {"CURSOR", "2012", DrawLibraryCursorN<2012>},
      {"CURSOR", "2013", DrawLibraryCursorN<2013>},
      {"CURSOR", "2014", DrawLibraryCursorN<2014>},
      {"CURSOR", "2015", DrawLibraryCursorN<2015>},
      {"CURSOR", "2016", DrawLibraryCursorN<2016>},
      {"CURSOR", "2017", DrawLibraryCursorN<2017>},
      {"CURSOR", "2018", DrawLibraryCursorN<2018>},
      {"CURSOR", "2019", DrawLibraryCursorN<2019>},
      {"CURSOR", "2020", DrawLibraryCursorN<2020>},
      {"CURSOR", "2021", DrawLibraryCursorN<2021>},
      {"CURSOR", "2022", DrawLibraryCursorN<2022>},
      {"CURSOR", "2023", DrawLibraryCursorN<2023>},
      {"CURSOR", "2024", DrawLibraryCursorN<2024>},
      {"CURSOR", "2025", DrawLibraryCursorN<2025>},
      {"CURSOR", "2026", DrawLibraryCursorN<2026>},
      {"CURSOR", "2027", DrawLibraryCursorN<2027>},
      {"CURSOR", "2028", DrawLibraryCursorN<2028>},
      {"CURSOR", "2029", DrawLibraryCursorN<2029>},
      {"CURSOR", "2030", DrawLibraryCursorN<2030>},
      {"CURSOR", "2031", DrawLibraryCursorN<2031>},
      {"BITMAP", "BMP_WAVE", DrawWaveGlyph},
      {"BITMAP", "INFO_PICTURE", DrawInfoPicture},
      {"BITMAP", "PLAYER_RECORD", DrawPlayerGlyphsN<PlayerGlyph::kRecord>},
      {"BITMAP", "PLAYER_PLAY", DrawPlayerGlyphsN<PlayerGlyph::kPlay>},
      {"BITMAP", "PLAYER_STOP", DrawPlayerGlyphsN<PlayerGlyph::kStop>},
      {"BITMAP", "PLAYER_PAUSE", DrawPlayerGlyphsN<PlayerGlyph::kPause>},
      {"BITMAP", "PLAYER_REWIND", DrawPlayerGlyphsN<PlayerGlyph::kRewind>},
      {"BITMAP", "PLAYER_FORWARD", DrawPlayerGlyphsN<PlayerGlyph::kForward>},
      {"BITMAP", "PLAYER_EJECT", DrawPlayerGlyphsN<PlayerGlyph::kEject>},
      {"BITMAP", "PLAYER_LOOP", DrawPlayerGlyphsN<PlayerGlyph::kLoop>},
      {"BITMAP", "MMSPINUPV", DrawSpinArrowsN<SpinArrow::kUpVertical>},
      {"BITMAP", "MMSPINDOWNV", DrawSpinArrowsN<SpinArrow::kDownVertical>},
      {"BITMAP", "MMSPINUPH", DrawSpinArrowsN<SpinArrow::kUpHorizontal>},
      {"BITMAP", "MMSPINDOWNH", DrawSpinArrowsN<SpinArrow::kDownHorizontal>},
      {"BITMAP", "LCD_06X07", DrawDigitStripN<6, 7>},
      {"BITMAP", "LCD_07X11", DrawDigitStripN<7, 11>},
      {"BITMAP", "LCD_08X13", DrawDigitStripN<8, 13>},
      {"BITMAP", "LCD_11X19", DrawDigitStripN<11, 19>},
      {"BITMAP", "LCD_13X20", DrawDigitStripN<13, 20>},
      {"BITMAP", "LCD_13X21", DrawDigitStripN<13, 21>},
      {"BITMAP", "LCD_15X24", DrawDigitStripN<15, 24>},
      {"BITMAP", "LCD_15X25", DrawDigitStripN<15, 25>},
      {"BITMAP", "LCD_17X29", DrawDigitStripN<17, 29>},
      {"BITMAP", "LCD_18X25", DrawDigitStripN<18, 25>},
      {"BITMAP", "LCD_19X33", DrawDigitStripN<19, 33>},
      {"BITMAP", "LCD_21X37", DrawDigitStripN<21, 37>},
      {"BITMAP", "LCD_23X41", DrawDigitStripN<23, 41>},
      {"BITMAP", "LCDS_06X07", DrawSignStripN<6, 7>},
      {"BITMAP", "LCDS_07X11", DrawSignStripN<7, 11>},
      {"BITMAP", "LCDS_08X13", DrawSignStripN<8, 13>},
      {"BITMAP", "LCDS_11X19", DrawSignStripN<11, 19>},
      {"BITMAP", "LCDS_13X20", DrawSignStripN<13, 20>},
      {"BITMAP", "LCDS_13X21", DrawSignStripN<13, 21>},
      {"BITMAP", "LCDS_15X24", DrawSignStripN<15, 24>},
      {"BITMAP", "LCDS_15X25", DrawSignStripN<15, 25>},
      {"BITMAP", "LCDS_17X29", DrawSignStripN<17, 29>},
      {"BITMAP", "LCDS_18X25", DrawSignStripN<18, 25>},
      {"BITMAP", "LCDS_19X33", DrawSignStripN<19, 33>},
      {"BITMAP", "LCDS_21X37", DrawSignStripN<21, 37>},
      {"BITMAP", "LCDS_23X41", DrawSignStripN<23, 41>},
      {"BITMAP", "LCD_MODE", DrawModeStrip},
      {"BITMAP", "FONT_11X13", DrawDotFontN<DotFont::k11x13>},
      {"BITMAP", "FONT_11X13_BOLD", DrawDotFontN<DotFont::k11x13Bold>},
      {"BITMAP", "FONT_16X20", DrawDotFontN<DotFont::k16x20>},
      {"BITMAP", "BM_CLRBTNDOWN", DrawColorButtonArrow},
      {"BITMAP", "TRACK", DrawSkinTrack},
      {"BITMAP", "TRACKVERT", DrawSkinTrackVert},
      {"BITMAP", "ZIZEVOVAVUR", DrawMenuGlyphs},
      {"ICON", "MAINICON", DrawAppIcon},
  };
  return table;
}

}  // namespace resgen
