#pragma once
// "INFO_PICTURE": the picture of the program information window, a dark
// screen with a third-octave spectrum of bars and its peak line, drawn at
// build time as a 24-bit BMP.
#include <cstdint>
#include <vector>

namespace resgen {

constexpr int kInfoPictureWidth = 290;
constexpr int kInfoPictureHeight = 250;

std::vector<uint8_t> DrawInfoPicture();

}  // namespace resgen
