#pragma once
// "MAINICON": the program's icon as an .ico file with a 16 x 16 and a
// 32 x 32 image, 32-bit with alpha and a matching mask: a dark rounded
// panel with rising spectrum bars in green, yellow and red.
#include <cstdint>
#include <vector>

namespace resgen {

std::vector<uint8_t> DrawAppIcon();

}  // namespace resgen
