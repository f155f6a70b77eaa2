#pragma once
// The colour button's drop-down arrow "BM_CLRBTNDOWN", drawn at build time as
// a 4-bit BMP of 5 x 5 pixels: a black triangle pointing down, 5, 3 and 1
// pixels wide on rows 2 to 4, on silver, the glyph's transparent colour.
#include <cstdint>
#include <vector>

namespace resgen {

std::vector<uint8_t> DrawColorButtonArrow();

}  // namespace resgen
