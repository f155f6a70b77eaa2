#include "LedStrips.h"

#include <cstddef>

#include "BmpWriter.h"
#include "LedGeometry.h"

namespace resgen {

namespace {

constexpr Rgb kLit{255, 255, 255};
constexpr Rgb kUnlit{192, 192, 192};
constexpr Rgb kBack{0, 0, 0};

// Lit segments of the digits 0..9, bit 0 = segment a ... bit 6 = segment g.
constexpr uint8_t kDigitSegments[10] = {0x3F, 0x06, 0x5B, 0x4F, 0x66, 0x6D, 0x7D, 0x07, 0x7F, 0x6F};

class Strip {
 public:
  Strip(int cell_width, int cell_height, int cells)
      : cell_width_(cell_width),
        width_(cell_width * cells),
        height_(cell_height),
        pixels_(static_cast<size_t>(width_) * static_cast<size_t>(height_), kBack) {}

  void Box(int cell, const LedBox& box, Rgb color) {
    for (int y = box.y1; y < box.y2; ++y)
      for (int x = box.x1; x < box.x2; ++x)
        pixels_[static_cast<size_t>(y) * static_cast<size_t>(width_) +
                static_cast<size_t>(cell * cell_width_ + x)] = color;
  }
  std::vector<uint8_t> Bmp() const { return WriteBmp24(width_, height_, pixels_); }

 private:
  int cell_width_, width_, height_;
  std::vector<Rgb> pixels_;
};

}  // namespace

std::vector<uint8_t> DrawDigitStrip(int cell_width, int cell_height) {
  Strip strip(cell_width, cell_height, 11);
  const auto segments = LedSegments(cell_width, cell_height);
  for (int cell = 0; cell < 11; ++cell) {
    const uint8_t lit = cell == 0 ? 0 : kDigitSegments[cell - 1];
    for (int s = 0; s < 7; ++s) strip.Box(cell, segments[s], (lit >> s) & 1 ? kLit : kUnlit);
  }
  return strip.Bmp();
}

std::vector<uint8_t> DrawSignStrip(int cell_width, int cell_height) {
  Strip strip(cell_width, cell_height, 4);
  const LedMarks m = LedSignMarks(cell_width, cell_height);
  for (int cell = 0; cell < 4; ++cell) {
    strip.Box(cell, m.period, cell == 1 ? kLit : kUnlit);
    strip.Box(cell, m.colon_top, cell == 2 ? kLit : kUnlit);
    strip.Box(cell, m.colon_bottom, cell == 2 ? kLit : kUnlit);
    strip.Box(cell, m.minus, cell == 3 ? kLit : kUnlit);
  }
  return strip.Bmp();
}

std::vector<uint8_t> DrawModeStrip() {
  // Three lamps side by side: mono lights the middle one, stereo the outer
  // two, multichannel all three.
  Strip strip(kLedModeCellWidth, kLedModeCellHeight, 4);
  const LedBox left{2, 2, 9, 9}, middle{10, 2, 17, 9}, right{18, 2, 25, 9};
  constexpr bool kLitLamps[4][3] = {
      {false, false, false}, {false, true, false}, {true, false, true}, {true, true, true}};
  for (int cell = 0; cell < 4; ++cell) {
    strip.Box(cell, left, kLitLamps[cell][0] ? kLit : kUnlit);
    strip.Box(cell, middle, kLitLamps[cell][1] ? kLit : kUnlit);
    strip.Box(cell, right, kLitLamps[cell][2] ? kLit : kUnlit);
  }
  return strip.Bmp();
}

}  // namespace resgen
