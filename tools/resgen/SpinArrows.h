#pragma once
// The spin button's arrow strips, drawn at build time as 4-bit BMP files on
// silver (the glyph's transparent colour): three cells side by side, normal,
// disabled and pressed. Vertical strips are 57 x 13 (cells of 19 x 13, arrows
// up and down), horizontal ones 39 x 19 (cells of 13 x 19, arrows right for
// up and left for down).
#include <cstdint>
#include <vector>

namespace resgen {

enum class SpinArrow { kUpVertical, kDownVertical, kUpHorizontal, kDownHorizontal };

std::vector<uint8_t> DrawSpinArrows(SpinArrow arrow);

template <SpinArrow Arrow>
std::vector<uint8_t> DrawSpinArrowsN() {
  return DrawSpinArrows(Arrow);
}

}  // namespace resgen
