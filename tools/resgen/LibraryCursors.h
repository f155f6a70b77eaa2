#pragma once
// The audio library's cursors 2001..2031, drawn at build time as .cur files:
// one 32 x 32 image, 1 bit with a black and white colour table and its AND
// mask, the hot spot in the directory entry. Each shape is black with a white
// rim one pixel wide, so it shows on any background.
#include <cstdint>
#include <vector>

namespace resgen {

constexpr int kLibraryCursorFirst = 2001;
constexpr int kLibraryCursorLast = 2031;

// The .cur file of cursor `number` (2001..2031); empty for any other number.
std::vector<uint8_t> DrawLibraryCursor(int number);

template <int Number>
std::vector<uint8_t> DrawLibraryCursorN() {
  return DrawLibraryCursor(Number);
}

}  // namespace resgen
