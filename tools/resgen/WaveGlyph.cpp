#include "WaveGlyph.h"

#include <cmath>
#include <numbers>

#include "BmpWriter.h"

namespace resgen {

namespace {

enum Ink : uint8_t { kBlack = 0, kGreen = 2, kSilver = 7, kGrey = 8, kLime = 10, kWhite = 15 };

constexpr Rgb kPalette[16] = {{0, 0, 0},       {128, 0, 0},   {0, 128, 0},   {128, 128, 0},
                              {0, 0, 128},     {128, 0, 128}, {0, 128, 128}, {192, 192, 192},
                              {128, 128, 128}, {255, 0, 0},   {0, 255, 0},   {255, 255, 0},
                              {0, 0, 255},     {255, 0, 255}, {0, 255, 255}, {255, 255, 255}};

}  // namespace

std::vector<uint8_t> DrawWaveGlyph() {
  constexpr int n = kWaveGlyphSize;
  std::vector<uint8_t> pixels(static_cast<size_t>(n * n), kSilver);
  auto set = [&](int x, int y, uint8_t ink) {
    if (x >= 0 && y >= 0 && x < n && y < n) pixels[static_cast<size_t>(y * n + x)] = ink;
  };
  // The sheet: white with a dark rim and a folded top-right corner.
  constexpr int left = 4, right = 27, top = 2, bottom = 29, fold = 6;
  for (int y = top; y <= bottom; ++y)
    for (int x = left; x <= right; ++x) {
      if (x > right - fold && y < top + fold && (x - (right - fold)) > (y - top)) continue;
      const bool rim = x == left || x == right || y == top || y == bottom;
      set(x, y, rim ? kGrey : kWhite);
    }
  for (int i = 0; i <= fold; ++i) {
    set(right - fold + i, top + i, kGrey);
    set(right - fold, top + i, kGrey);
    set(right - fold + i, top + fold, kGrey);
  }
  // A dark screen with a green decaying sine across it.
  constexpr int screen_top = 11, screen_bottom = 24;
  for (int y = screen_top; y <= screen_bottom; ++y)
    for (int x = left + 2; x <= right - 2; ++x) set(x, y, kBlack);
  const double middle = (screen_top + screen_bottom) / 2.0;
  for (int x = left + 3; x <= right - 3; ++x) {
    const double t = static_cast<double>(x - left - 3) / (right - left - 6);
    const double v = std::sin(t * 4 * std::numbers::pi) * (1.0 - 0.6 * t) * 5.5;
    set(x, static_cast<int>(std::lround(middle)), kGreen);
    set(x, static_cast<int>(std::lround(middle - v)), kLime);
  }
  return WriteBmp4(n, n, kPalette, pixels);
}

}  // namespace resgen
