#pragma once
// The drawn bitmaps' file format: uncompressed 24-bit BMP, bottom-up.
#include <cstdint>
#include <vector>

namespace resgen {

struct Rgb {
  uint8_t r, g, b;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};

// `pixels` row by row from the top, width * height of them.
std::vector<uint8_t> WriteBmp24(int width, int height, const std::vector<Rgb>& pixels);

}  // namespace resgen
