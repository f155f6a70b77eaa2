#pragma once
// Raster machinery shared by the drawing units: clipped span walks, the binary
// and ternary raster operations, and brushes made ready for one surface.
#include <cstdint>
#include <vector>

#include "platform/gdi/Gdi.h"
#include "platform/gdi/Region.h"
#include "platform/gdi/Surface.h"

namespace plat {

class DeviceContext;

// Calls f(y, x0, x1) for every part of `clip` that lies in `rect`, top down.
template <class F>
void ForEachClippedSpan(const Region& clip, const RECT& rect, F&& f) {
  if (rect.left >= rect.right || rect.top >= rect.bottom) return;
  for (const auto& band : clip.Bands()) {
    if (band.bottom <= rect.top) continue;
    if (band.top >= rect.bottom) break;
    int y0 = band.top > rect.top ? band.top : rect.top;
    int y1 = band.bottom < rect.bottom ? band.bottom : rect.bottom;
    for (int y = y0; y < y1; ++y)
      for (const auto& s : band.spans) {
        int x0 = s.left > rect.left ? s.left : rect.left;
        int x1 = s.right < rect.right ? s.right : rect.right;
        if (x0 < x1) f(y, x0, x1);
      }
  }
}

// Ternary operation by its index (bits 16..23 of the raster operation code):
// bit (p << 2 | s << 1 | d) of the index is the result for those inputs.
uint32_t Rop3(uint8_t index, uint32_t p, uint32_t s, uint32_t d);
// Binary operation of pens and brush interiors (R2_BLACK .. R2_WHITE).
uint32_t Rop2(int rop2, uint32_t p, uint32_t d);
inline bool Rop3UsesSource(uint8_t i) { return ((i >> 2) & 0x33) != (i & 0x33); }
inline bool Rop3UsesPattern(uint8_t i) { return ((i >> 4) & 0x0F) != (i & 0x0F); }

// A brush as pixel values of one surface, tiled from the brush origin.
struct RealBrush {
  bool null = true;
  bool solid = false;
  uint32_t solid_value = 0;
  int width = 0;
  int height = 0;
  std::vector<uint32_t> values;
  std::vector<uint8_t> skip;  // hatch background under TRANSPARENT: left alone
  POINT origin;               // surface point where the pattern's (0, 0) lies

  uint32_t At(int x, int y) const {
    if (solid) return solid_value;
    return values[Index(x, y)];
  }
  bool Skips(int x, int y) const { return !skip.empty() && skip[Index(x, y)] != 0; }

 private:
  size_t Index(int x, int y) const {
    int px = (x - origin.x) % width, py = (y - origin.y) % height;
    if (px < 0) px += width;
    if (py < 0) py += height;
    return static_cast<size_t>(py) * width + px;
  }
};

// The brush handle may be a system colour index + 1 (FillRect's convention).
RealBrush RealizeBrush(const DeviceContext& dc, HBRUSH brush);
RealBrush SolidBrush(uint32_t value);

// Fills the parts of `area` (surface coordinates) inside the DC's clip.
void FillArea(DeviceContext& dc, const Region& area, const RealBrush& brush, int rop2);
void PatArea(DeviceContext& dc, const Region& area, const RealBrush& brush, uint8_t rop3);

}  // namespace plat
