#pragma once
// The glyph strips of the main window's player buttons, drawn at build time
// as 24-bit BMP files of 132 x 36: three 44 x 36 cells side by side, up,
// disabled and pressed, as the bitmap button cuts them. One strip each for
// record, play, stop, pause, rewind, forward, eject and loop.
#include <cstdint>
#include <vector>

namespace resgen {

enum class PlayerGlyph { kRecord, kPlay, kStop, kPause, kRewind, kForward, kEject, kLoop };

constexpr int kGlyphCellWidth = 44;
constexpr int kGlyphCellHeight = 36;
constexpr int kGlyphCells = 3;

std::vector<uint8_t> DrawPlayerGlyphs(PlayerGlyph glyph);

template <PlayerGlyph Glyph>
std::vector<uint8_t> DrawPlayerGlyphsN() {
  return DrawPlayerGlyphs(Glyph);
}

}  // namespace resgen
