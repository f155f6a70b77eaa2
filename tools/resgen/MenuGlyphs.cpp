#include "MenuGlyphs.h"

#include <cstddef>

#include "BmpWriter.h"

namespace resgen {

namespace {

constexpr int kSide = 16;
constexpr Rgb kInk{0, 0, 0};
constexpr Rgb kPaper{255, 255, 255};

// A window outline with a two-pixel title edge, in glyph coordinates.
void Window(std::vector<Rgb>& pixels, int glyph, int left, int top, int right, int bottom) {
  auto put = [&](int x, int y) { pixels[static_cast<size_t>(y) * kSide * 4 + glyph * kSide + x] = kInk; };
  for (int x = left; x <= right; ++x) {
    put(x, top);
    put(x, top + 1);
    put(x, bottom);
  }
  for (int y = top; y <= bottom; ++y) {
    put(left, y);
    put(right, y);
  }
}

}  // namespace

std::vector<uint8_t> DrawMenuGlyphs() {
  std::vector<Rgb> pixels(static_cast<size_t>(kSide) * kSide * 4, kPaper);
  auto put = [&](int glyph, int x, int y) {
    pixels[static_cast<size_t>(y) * kSide * 4 + glyph * kSide + x] = kInk;
  };
  // Restore: two overlapping windows.
  Window(pixels, 0, 6, 3, 12, 8);
  Window(pixels, 0, 3, 6, 9, 12);
  // Maximize: one large window.
  Window(pixels, 1, 3, 3, 12, 12);
  // Minimize: a bar at the bottom.
  for (int x = 4; x <= 10; ++x) {
    put(2, x, 11);
    put(2, x, 12);
  }
  // Close: a cross two pixels thick.
  for (int i = 0; i < 8; ++i) {
    put(3, 4 + i, 4 + i);
    put(3, 5 + i, 4 + i);
    put(3, 11 - i, 4 + i);
    put(3, 12 - i, 4 + i);
  }
  return WriteBmp24(kSide * 4, kSide, pixels);
}

}  // namespace resgen
