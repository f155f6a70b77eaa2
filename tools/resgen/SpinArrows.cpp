#include "SpinArrows.h"

#include <cstdlib>

#include "BmpWriter.h"

namespace resgen {

namespace {

// Indices into the standard 16-colour table written with the bitmap.
enum Ink : uint8_t { kGreen = 2, kSilver = 7, kGrey = 8, kLime = 10, kWhite = 15 };

constexpr Rgb kPalette[16] = {{0, 0, 0},       {128, 0, 0},   {0, 128, 0},   {128, 128, 0},
                              {0, 0, 128},     {128, 0, 128}, {0, 128, 128}, {192, 192, 192},
                              {128, 128, 128}, {255, 0, 0},   {0, 255, 0},   {255, 255, 0},
                              {0, 0, 255},     {255, 0, 255}, {0, 255, 255}, {255, 255, 255}};

class Strip {
 public:
  Strip(int cell_width, int cell_height)
      : cw_(cell_width), ch_(cell_height), pixels_(static_cast<size_t>(3 * cw_ * ch_), kSilver) {}

  int CellWidth() const { return cw_; }
  int CellHeight() const { return ch_; }
  void Set(int cell, int x, int y, uint8_t ink) {
    if (x < 0 || y < 0 || x >= cw_ || y >= ch_) return;
    pixels_[static_cast<size_t>(y * 3 * cw_ + cell * cw_ + x)] = ink;
  }

  // A face with rounded corners: the four corner pixels stay silver, so the
  // bottom-left pixel names the transparent colour.
  void Face(int cell, uint8_t top_left, uint8_t bottom_right) {
    for (int x = 1; x < cw_ - 1; ++x) {
      Set(cell, x, 0, top_left);
      Set(cell, x, ch_ - 1, bottom_right);
    }
    for (int y = 1; y < ch_ - 1; ++y) {
      Set(cell, 0, y, top_left);
      Set(cell, cw_ - 1, y, bottom_right);
    }
  }

  std::vector<uint8_t> Bmp() const { return WriteBmp4(3 * cw_, ch_, kPalette, pixels_); }

 private:
  int cw_, ch_;
  std::vector<uint8_t> pixels_;  // one colour index per pixel, rows top first
};

// The arrow: a triangle five pixels deep with a nine-pixel base, centred in
// the cell. `along` is the axis it points along (0 = x, 1 = y), `sign` +1
// pointing right or down, -1 left or up. Calls plot(x, y, edge) per pixel.
template <class Plot>
void Arrow(const Strip& strip, int along, int sign, Plot plot) {
  const int cx = strip.CellWidth() / 2, cy = strip.CellHeight() / 2;
  for (int depth = 0; depth < 5; ++depth) {
    // depth 0 is the base, 4 the tip.
    const int half = 4 - depth;
    const int offset = sign * (depth - 2);
    for (int across = -half; across <= half; ++across) {
      const bool edge = depth == 0 || std::abs(across) == half;
      if (along == 0)
        plot(cx + offset, cy + across, edge);
      else
        plot(cx + across, cy + offset, edge);
    }
  }
}

}  // namespace

std::vector<uint8_t> DrawSpinArrows(SpinArrow arrow) {
  const bool vertical = arrow == SpinArrow::kUpVertical || arrow == SpinArrow::kDownVertical;
  Strip strip(vertical ? 19 : 13, vertical ? 13 : 19);
  const int along = vertical ? 1 : 0;
  // Up points up when vertical (toward smaller y) and right when horizontal.
  int sign = 0;
  switch (arrow) {
    case SpinArrow::kUpVertical:
    case SpinArrow::kDownHorizontal:
      sign = -1;
      break;
    case SpinArrow::kDownVertical:
    case SpinArrow::kUpHorizontal:
      sign = 1;
      break;
  }
  // Normal: raised face, dark green arrow.
  strip.Face(0, kWhite, kGrey);
  Arrow(strip, along, sign, [&](int x, int y, bool) { strip.Set(0, x, y, kGreen); });
  // Disabled: raised face, the arrow's outline in grey over a white shadow.
  strip.Face(1, kWhite, kGrey);
  Arrow(strip, along, sign, [&](int x, int y, bool edge) {
    if (edge) strip.Set(1, x + 1, y + 1, kWhite);
  });
  Arrow(strip, along, sign, [&](int x, int y, bool edge) {
    if (edge) strip.Set(1, x, y, kGrey);
  });
  // Pressed: sunken face, bright green arrow one pixel down and right.
  strip.Face(2, kGrey, kWhite);
  Arrow(strip, along, sign, [&](int x, int y, bool) { strip.Set(2, x + 1, y + 1, kLime); });
  return strip.Bmp();
}

}  // namespace resgen
