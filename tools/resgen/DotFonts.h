#pragma once
// The dot-matrix fonts of the LED label, drawn at build time in the LED
// strips' three colours: a 5 x 7 grid of dots per character, lit dots white,
// unlit dots silver (192, 192, 192), background black. Two rows of 63 cells,
// the second 2 pixels below the first: codes 32..94, then 95..157. Besides
// ASCII the second row holds the program's own cells: 135 a umlaut, 137 u
// umlaut, 140 o umlaut, 149 sharp s, 150 plus-minus; the other codes above
// 126 are all unlit.
//   FONT_11X13, FONT_11X13_BOLD: 693 x 28 (cells 11 x 13, 1-pixel dots, pitch 2;
//                                the bold face lights two pixels per dot);
//   FONT_16X20:                  1008 x 42 (cells 16 x 20, 2 x 2 dots, pitch 3).
#include <cstdint>
#include <vector>

namespace resgen {

enum class DotFont { k11x13, k11x13Bold, k16x20 };

std::vector<uint8_t> DrawDotFont(DotFont font);

template <DotFont Font>
std::vector<uint8_t> DrawDotFontN() {
  return DrawDotFont(Font);
}

}  // namespace resgen
