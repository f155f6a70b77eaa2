#include "PlayerGlyphs.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <numbers>

#include "BmpWriter.h"

namespace resgen {

namespace {

constexpr int kWidth = kGlyphCellWidth * kGlyphCells;
constexpr int kHeight = kGlyphCellHeight;

// Dark face with a light symbol; the record symbol is red.
constexpr Rgb kFace{48, 52, 60};
constexpr Rgb kPressedFace{38, 41, 48};
constexpr Rgb kLight{118, 124, 136};
constexpr Rgb kShadow{16, 18, 22};
constexpr Rgb kInk{208, 216, 226};
constexpr Rgb kPressedInk{244, 248, 255};
constexpr Rgb kRecordInk{214, 44, 40};
constexpr Rgb kPressedRecordInk{255, 76, 64};
constexpr Rgb kDisabledInk{92, 97, 106};
constexpr Rgb kDisabledRim{70, 75, 84};

class Canvas {
 public:
  Canvas() { pixels_.fill(kFace); }

  void Fill(int x1, int y1, int x2, int y2, Rgb c) {
    for (int y = std::max(y1, 0); y < std::min(y2, kHeight); ++y)
      for (int x = std::max(x1, 0); x < std::min(x2, kWidth); ++x) At(x, y) = c;
  }
  // A bevel one pixel wide around [x1, x2) x [y1, y2).
  void Bevel(int x1, int y1, int x2, int y2, Rgb top_left, Rgb bottom_right) {
    Fill(x1, y1, x2, y1 + 1, top_left);
    Fill(x1, y1, x1 + 1, y2, top_left);
    Fill(x1, y2 - 1, x2, y2, bottom_right);
    Fill(x2 - 1, y1, x2, y2, bottom_right);
  }
  // Blends `ink` by how much of each pixel `inside` covers (4 x 4 samples),
  // the shape's (0, 0) at (ox, oy).
  void Shape(double ox, double oy, const std::function<bool(double, double)>& inside, Rgb ink) {
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x) {
        int hits = 0;
        for (int sy = 0; sy < 4; ++sy)
          for (int sx = 0; sx < 4; ++sx) hits += inside(x + (sx + 0.5) / 4 - ox, y + (sy + 0.5) / 4 - oy);
        if (hits == 0) continue;
        Rgb& p = At(x, y);
        auto mix = [hits](uint8_t from, uint8_t to) {
          return static_cast<uint8_t>((from * (16 - hits) + to * hits + 8) / 16);
        };
        p = {mix(p.r, ink.r), mix(p.g, ink.g), mix(p.b, ink.b)};
      }
  }

  std::vector<uint8_t> Bmp() const { return WriteBmp24(kWidth, kHeight, {pixels_.begin(), pixels_.end()}); }

 private:
  Rgb& At(int x, int y) { return pixels_[static_cast<size_t>(y * kWidth + x)]; }
  std::array<Rgb, static_cast<size_t>(kWidth) * kHeight> pixels_;
};

using Inside = std::function<bool(double, double)>;

// Points relative to the cell's centre.
bool InTriangle(double x, double y, double ax, double ay, double bx, double by, double cx, double cy) {
  auto side = [&](double px, double py, double qx, double qy) {
    return (qx - px) * (y - py) - (qy - py) * (x - px);
  };
  const double d1 = side(ax, ay, bx, by), d2 = side(bx, by, cx, cy), d3 = side(cx, cy, ax, ay);
  return (d1 >= 0 && d2 >= 0 && d3 >= 0) || (d1 <= 0 && d2 <= 0 && d3 <= 0);
}

bool InBox(double x, double y, double x1, double y1, double x2, double y2) {
  return x >= x1 && x < x2 && y >= y1 && y < y2;
}

Inside Symbol(PlayerGlyph glyph) {
  switch (glyph) {
    case PlayerGlyph::kRecord:
      return [](double x, double y) { return std::hypot(x, y) <= 7.5; };
    case PlayerGlyph::kPlay:
      return [](double x, double y) { return InTriangle(x, y, -5, -8, -5, 8, 8, 0); };
    case PlayerGlyph::kStop:
      return [](double x, double y) { return InBox(x, y, -7, -7, 7, 7); };
    case PlayerGlyph::kPause:
      return [](double x, double y) { return InBox(x, y, -7, -8, -2, 8) || InBox(x, y, 2, -8, 7, 8); };
    case PlayerGlyph::kRewind:
      return [](double x, double y) {
        return InTriangle(x, y, 0, -7, 0, 7, -9, 0) || InTriangle(x, y, 9, -7, 9, 7, 0, 0);
      };
    case PlayerGlyph::kForward:
      return [](double x, double y) {
        return InTriangle(x, y, 0, -7, 0, 7, 9, 0) || InTriangle(x, y, -9, -7, -9, 7, 0, 0);
      };
    case PlayerGlyph::kEject:
      return
          [](double x, double y) { return InTriangle(x, y, -8, 2, 8, 2, 0, -8) || InBox(x, y, -8, 5, 8, 8); };
    case PlayerGlyph::kLoop:
      // Three quarters of a ring, open at the top right, with an arrowhead.
      return [](double x, double y) {
        const double r = std::hypot(x, y);
        const double angle = std::atan2(y, x);  // 0 to the right, positive downward
        const bool ring = r >= 5 && r <= 8 && !(angle < 0 && angle > -std::numbers::pi / 2);
        return ring || InTriangle(x, y, 2, -11, 2, -2, 8, -6.5);
      };
  }
  return [](double, double) { return false; };
}

}  // namespace

std::vector<uint8_t> DrawPlayerGlyphs(PlayerGlyph glyph) {
  Canvas canvas;
  const Inside symbol = Symbol(glyph);
  const bool record = glyph == PlayerGlyph::kRecord;
  const double cx = kGlyphCellWidth / 2.0, cy = kGlyphCellHeight / 2.0;
  // Cell 0, up: a raised face.
  canvas.Bevel(0, 0, kGlyphCellWidth, kHeight, kLight, kShadow);
  canvas.Shape(cx, cy, symbol, record ? kRecordInk : kInk);
  // Cell 1, disabled: a flat face and a sunken, dim symbol.
  const int x1 = kGlyphCellWidth;
  canvas.Bevel(x1, 0, x1 + kGlyphCellWidth, kHeight, kDisabledRim, kDisabledRim);
  canvas.Shape(x1 + cx + 1, cy + 1, symbol, kLight);
  canvas.Shape(x1 + cx, cy, symbol, kDisabledInk);
  // Cell 2, pressed: a sunken, darker face and the symbol one pixel down and right.
  const int x2 = 2 * kGlyphCellWidth;
  canvas.Fill(x2, 0, x2 + kGlyphCellWidth, kHeight, kPressedFace);
  canvas.Bevel(x2, 0, x2 + kGlyphCellWidth, kHeight, kShadow, kLight);
  canvas.Shape(x2 + cx + 1, cy + 1, symbol, record ? kPressedRecordInk : kPressedInk);
  return canvas.Bmp();
}

}  // namespace resgen
