#pragma once
// "ZIZEVOVAVUR": the system-menu glyphs a skin draws its window menu with,
// 64 x 16, 24-bit: four 16 x 16 glyphs side by side (0 restore, 1 maximize,
// 2 minimize, 3 close), black on white, white being the mask colour.
#include <cstdint>
#include <vector>

namespace resgen {

std::vector<uint8_t> DrawMenuGlyphs();

}  // namespace resgen
