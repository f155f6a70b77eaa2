#pragma once
// The drawn bitmaps' file format: uncompressed BMP, bottom-up, 24-bit or
// 4-bit with a colour table.
#include <cstdint>
#include <vector>

namespace resgen {

struct Rgb {
  uint8_t r, g, b;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};

// `pixels` row by row from the top, width * height of them.
std::vector<uint8_t> WriteBmp24(int width, int height, const std::vector<Rgb>& pixels);
// `indices` into the 16-entry `palette`, row by row from the top.
std::vector<uint8_t> WriteBmp4(int width, int height, const Rgb (&palette)[16],
                               const std::vector<uint8_t>& indices);

}  // namespace resgen
