#include "platform/gdi/Raster.h"

#include <cstring>

#include "platform/gdi/Colors.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/HandleValues.h"

namespace plat {

uint32_t Rop3(uint8_t index, uint32_t p, uint32_t s, uint32_t d) {
  switch (index) {
    case 0x00:
      return 0;
    case 0xFF:
      return 0xFFFFFFFFu;
    case 0xCC:
      return s;
    case 0xF0:
      return p;
    case 0xAA:
      return d;
    case 0x55:
      return ~d;
    case 0x33:
      return ~s;
    case 0x66:
      return s ^ d;
    case 0x88:
      return s & d;
    case 0xEE:
      return s | d;
    case 0x5A:
      return p ^ d;
    case 0x44:
      return s & ~d;
    case 0x11:
      return ~(s | d);
    case 0xC0:
      return p & s;
    case 0xBB:
      return ~s | d;
    case 0xFB:
      return p | ~s | d;
    case 0xB8:
      return (p & ~s) | (s & d);  // the classic "pattern where source is 0"
    case 0xE2:
      return (d & ~s) | (p & s);
    default:
      break;
  }
  // Any other code: the OR of the minterms whose bit is set in the index.
  uint32_t r = 0;
  for (int m = 0; m < 8; ++m) {
    if (!((index >> m) & 1)) continue;
    uint32_t term = ((m & 4) ? p : ~p) & ((m & 2) ? s : ~s) & ((m & 1) ? d : ~d);
    r |= term;
  }
  return r;
}

uint32_t Rop2(int rop2, uint32_t p, uint32_t d) {
  switch (rop2) {
    case R2_COPYPEN:
      return p;
    case R2_XORPEN:
      return p ^ d;
    case R2_NOT:
      return ~d;
    case R2_NOP:
      return d;
    default:
      break;
  }
  // Table t = rop2 - 1; bit (p << 1 | d) of t is the result.
  int t = rop2 - 1;
  uint32_t r = 0;
  for (int m = 0; m < 4; ++m) {
    if (!((t >> m) & 1)) continue;
    r |= ((m & 2) ? p : ~p) & ((m & 1) ? d : ~d);
  }
  return r;
}

RealBrush SolidBrush(uint32_t value) {
  RealBrush b;
  b.null = false;
  b.solid = true;
  b.solid_value = value;
  return b;
}

RealBrush RealizeBrush(const DeviceContext& dc, HBRUSH handle) {
  uintptr_t raw = HandleValue(handle);
  if (raw > 0 && raw <= static_cast<uintptr_t>(COLOR_MAX) + 1)
    return SolidBrush(dc.PixelValue(GetSysColor(static_cast<int>(raw) - 1)));
  auto* brush = LookupAs<BrushObject>(handle, OBJ_BRUSH);
  if (brush == nullptr) return RealBrush{};
  const DCState& s = dc.State();
  switch (brush->brush.lbStyle) {
    case BS_SOLID: {
      COLORREF c = StockIndexOf(handle) == DC_BRUSH ? s.dc_brush_color : brush->brush.lbColor;
      return SolidBrush(dc.PixelValue(c));
    }
    case BS_HATCHED:
    case BS_PATTERN:
    case BS_DIBPATTERN:
    case BS_DIBPATTERNPT: {
      RealBrush b;
      b.null = false;
      b.width = brush->pattern_width;
      b.height = brush->pattern_height;
      if (b.width <= 0 || b.height <= 0) return RealBrush{};
      POINT org = dc.SurfaceOrigin();
      b.origin = POINT{s.brush_org.x + org.x, s.brush_org.y + org.y};
      size_t n = static_cast<size_t>(b.width) * b.height;
      b.values.resize(n);
      if (brush->brush.lbStyle == BS_HATCHED) {
        // Hatch lines in the brush colour over the background colour, or over
        // whatever is there in transparent mode.
        uint32_t fg = dc.PixelValue(brush->brush.lbColor), bg = dc.PixelValue(s.bk_color);
        if (s.bk_mode == TRANSPARENT) b.skip.resize(n);
        for (size_t i = 0; i < n; ++i) {
          b.values[i] = brush->pattern_bits[i] ? fg : bg;
          if (!b.skip.empty()) b.skip[i] = brush->pattern_bits[i] ? 0 : 1;
        }
      } else if (brush->pattern_mono) {
        // Monochrome patterns: 0 bits in the text colour, 1 bits in the background colour.
        uint32_t fg = dc.PixelValue(s.text_color), bg = dc.PixelValue(s.bk_color);
        for (size_t i = 0; i < n; ++i) b.values[i] = brush->pattern_bits[i] ? bg : fg;
      } else {
        for (size_t i = 0; i < n; ++i) b.values[i] = dc.PixelValue(brush->pattern_colors[i]);
      }
      return b;
    }
    default:
      return RealBrush{};
  }
}

namespace {

// Pixels x0..x1-1 of row y set to one value, a row at a time where the
// depth allows.
void PutRun(Surface& s, int y, int x0, int x1, uint32_t value) {
  switch (s.bits_per_pixel) {
    case 32: {
      uint8_t* p = s.Row(y) + 4 * static_cast<size_t>(x0);
      for (int x = x0; x < x1; ++x, p += 4) std::memcpy(p, &value, 4);
      return;
    }
    case 8:
      std::memset(s.Row(y) + x0, static_cast<int>(value & 0xFF), static_cast<size_t>(x1 - x0));
      return;
    default:
      for (int x = x0; x < x1; ++x) s.Put(x, y, value);
  }
}

// Calls f(y, x0, x1) for every span of `area` inside the DC's clip; a
// rectangle is walked without building the intersection.
template <class F>
void ForEachSpanInClip(const DeviceContext& dc, const Region& area, F&& f) {
  if (area.Kind() == SIMPLEREGION) {
    ForEachClippedSpan(dc.EffectiveClip(), area.Box(), f);
    return;
  }
  Region clipped = dc.EffectiveClip().Intersect(area);
  for (const auto& band : clipped.Bands())
    for (int y = band.top; y < band.bottom; ++y)
      for (const auto& span : band.spans) f(y, span.left, span.right);
}

}  // namespace

void FillArea(DeviceContext& dc, const Region& area, const RealBrush& brush, int rop2) {
  Surface* s = dc.GetSurface();
  if (s == nullptr || brush.null || area.Empty()) return;
  dc.Touch(area.Box());
  uint32_t mask = s->PixelMask();
  if (rop2 == R2_COPYPEN && brush.solid && brush.skip.empty()) {
    ForEachSpanInClip(dc, area, [&](int y, int x0, int x1) { PutRun(*s, y, x0, x1, brush.solid_value); });
    return;
  }
  ForEachSpanInClip(dc, area, [&](int y, int x0, int x1) {
    for (int x = x0; x < x1; ++x) {
      if (brush.Skips(x, y)) continue;
      uint32_t p = brush.At(x, y);
      if (rop2 == R2_COPYPEN)
        s->Put(x, y, p);
      else
        s->Put(x, y, Rop2(rop2, p, s->Get(x, y)) & mask);
    }
  });
}

void PatArea(DeviceContext& dc, const Region& area, const RealBrush& brush, uint8_t rop3) {
  Surface* s = dc.GetSurface();
  if (s == nullptr || area.Empty()) return;
  bool uses_pattern = Rop3UsesPattern(rop3);
  if (uses_pattern && brush.null) return;
  dc.Touch(area.Box());
  uint32_t mask = s->PixelMask();
  // The pattern alone, or a constant (BLACKNESS, WHITENESS): one value a run.
  const bool reads_destination = ((rop3 >> 1) & 0x55) != (rop3 & 0x55);
  if (!reads_destination && !Rop3UsesSource(rop3) && (!uses_pattern || (brush.solid && brush.skip.empty()))) {
    const uint32_t value = Rop3(rop3, uses_pattern ? brush.solid_value : 0, 0, 0) & mask;
    ForEachSpanInClip(dc, area, [&](int y, int x0, int x1) { PutRun(*s, y, x0, x1, value); });
    return;
  }
  ForEachSpanInClip(dc, area, [&](int y, int x0, int x1) {
    for (int x = x0; x < x1; ++x) {
      if (uses_pattern && brush.Skips(x, y)) continue;
      uint32_t p = uses_pattern ? brush.At(x, y) : 0;
      s->Put(x, y, Rop3(rop3, p, 0, s->Get(x, y)) & mask);
    }
  });
}

}  // namespace plat
