#include "platform/gdi/Surface.h"

#include <bit>
#include <cstring>

namespace plat {

namespace {

uint16_t Load16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t Load32(const uint8_t* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}

// Channel conversion for masked 16- and 32-bit formats.
uint32_t Extract(uint32_t value, uint32_t mask) {
  if (mask == 0) return 0;
  int shift = std::countr_zero(mask);
  uint32_t max = mask >> shift;
  return ((value & mask) >> shift) * 255u / max;
}
uint32_t Insert(uint32_t channel, uint32_t mask) {
  if (mask == 0) return 0;
  int shift = std::countr_zero(mask);
  uint32_t max = mask >> shift;
  return ((channel * max + 127u) / 255u) << shift;
}

bool StandardMasks(const Surface& s) {
  return s.masks[0] == 0x00FF0000u && s.masks[1] == 0x0000FF00u && s.masks[2] == 0x000000FFu;
}

const PALETTEENTRY kStatic[20] = {
    {0, 0, 0, 0},       {128, 0, 0, 0},     {0, 128, 0, 0},     {128, 128, 0, 0},   {0, 0, 128, 0},
    {128, 0, 128, 0},   {0, 128, 128, 0},   {192, 192, 192, 0}, {192, 220, 192, 0}, {166, 202, 240, 0},
    {255, 251, 240, 0}, {160, 160, 164, 0}, {128, 128, 128, 0}, {255, 0, 0, 0},     {0, 255, 0, 0},
    {255, 255, 0, 0},   {0, 0, 255, 0},     {255, 0, 255, 0},   {0, 255, 255, 0},   {255, 255, 255, 0},
};

const COLORREF kStandard16[16] = {
    RGB(0, 0, 0),       RGB(128, 0, 0),   RGB(0, 128, 0),   RGB(128, 128, 0),
    RGB(0, 0, 128),     RGB(128, 0, 128), RGB(0, 128, 128), RGB(192, 192, 192),
    RGB(128, 128, 128), RGB(255, 0, 0),   RGB(0, 255, 0),   RGB(255, 255, 0),
    RGB(0, 0, 255),     RGB(255, 0, 255), RGB(0, 255, 255), RGB(255, 255, 255),
};

}  // namespace

const PALETTEENTRY* StaticColors() { return kStatic; }

std::vector<RGBQUAD> DefaultColorTable(int bits_per_pixel) {
  std::vector<RGBQUAD> table;
  if (bits_per_pixel == 1) {
    table = {RGBQUAD{0, 0, 0, 0}, RGBQUAD{255, 255, 255, 0}};
  } else if (bits_per_pixel == 4) {
    for (COLORREF c : kStandard16) table.push_back(QuadFromColor(c));
  } else if (bits_per_pixel == 8) {
    table.resize(256);
    for (int i = 0; i < 10; ++i) {
      table[i] = RGBQUAD{kStatic[i].peBlue, kStatic[i].peGreen, kStatic[i].peRed, 0};
      table[246 + i] = RGBQUAD{kStatic[10 + i].peBlue, kStatic[10 + i].peGreen, kStatic[10 + i].peRed, 0};
    }
    // A 6x6x6 colour cube, then a grey ramp, between the static colours.
    int n = 10;
    for (int r = 0; r < 6; ++r)
      for (int g = 0; g < 6; ++g)
        for (int b = 0; b < 6; ++b)
          table[n++] =
              RGBQUAD{static_cast<BYTE>(b * 51), static_cast<BYTE>(g * 51), static_cast<BYTE>(r * 51), 0};
    for (int i = 0; n < 246; ++i, ++n) {
      BYTE v = static_cast<BYTE>(8 + i * 12);
      table[n] = RGBQUAD{v, v, v, 0};
    }
  }
  return table;
}

uint32_t NearestIndex(const RGBQUAD* colors, size_t count, COLORREF rgb) {
  int r = GetRValue(rgb), g = GetGValue(rgb), b = GetBValue(rgb);
  uint32_t best = 0;
  int best_d = 1 << 30;
  for (size_t i = 0; i < count; ++i) {
    int dr = colors[i].rgbRed - r, dg = colors[i].rgbGreen - g, db = colors[i].rgbBlue - b;
    int d = dr * dr + dg * dg + db * db;
    if (d < best_d) {
      best_d = d;
      best = static_cast<uint32_t>(i);
      if (d == 0) break;
    }
  }
  return best;
}

uint32_t NearestIndex(const PALETTEENTRY* entries, size_t count, COLORREF rgb) {
  int r = GetRValue(rgb), g = GetGValue(rgb), b = GetBValue(rgb);
  uint32_t best = 0;
  int best_d = 1 << 30;
  for (size_t i = 0; i < count; ++i) {
    int dr = entries[i].peRed - r, dg = entries[i].peGreen - g, db = entries[i].peBlue - b;
    int d = dr * dr + dg * dg + db * db;
    if (d < best_d) {
      best_d = d;
      best = static_cast<uint32_t>(i);
      if (d == 0) break;
    }
  }
  return best;
}

uint32_t Surface::Get(int x, int y) const {
  const uint8_t* row = Row(y);
  switch (bits_per_pixel) {
    case 1:
      return (row[x >> 3] >> (7 - (x & 7))) & 1u;
    case 4:
      return (x & 1) ? (row[x >> 1] & 0x0Fu) : (row[x >> 1] >> 4);
    case 8:
      return row[x];
    case 16:
      return Load16(row + 2 * x);
    case 24: {
      const uint8_t* p = row + 3 * x;
      return p[0] | (p[1] << 8) | (static_cast<uint32_t>(p[2]) << 16);
    }
    default:
      return Load32(row + 4 * x);
  }
}

void Surface::Put(int x, int y, uint32_t v) {
  uint8_t* row = Row(y);
  switch (bits_per_pixel) {
    case 1: {
      uint8_t bit = static_cast<uint8_t>(0x80 >> (x & 7));
      if (v & 1)
        row[x >> 3] |= bit;
      else
        row[x >> 3] &= static_cast<uint8_t>(~bit);
      break;
    }
    case 4: {
      uint8_t& b = row[x >> 1];
      b = (x & 1) ? static_cast<uint8_t>((b & 0xF0) | (v & 0x0F))
                  : static_cast<uint8_t>((b & 0x0F) | ((v & 0x0F) << 4));
      break;
    }
    case 8:
      row[x] = static_cast<uint8_t>(v);
      break;
    case 16:
      row[2 * x] = static_cast<uint8_t>(v);
      row[2 * x + 1] = static_cast<uint8_t>(v >> 8);
      break;
    case 24: {
      uint8_t* p = row + 3 * x;
      p[0] = static_cast<uint8_t>(v);
      p[1] = static_cast<uint8_t>(v >> 8);
      p[2] = static_cast<uint8_t>(v >> 16);
      break;
    }
    default:
      std::memcpy(row + 4 * x, &v, 4);
      break;
  }
}

void Surface::GetRow(int x, int y, int count, uint32_t* out) const {
  const uint8_t* row = Row(y);
  switch (bits_per_pixel) {
    case 8:
      for (int i = 0; i < count; ++i) out[i] = row[x + i];
      return;
    case 24:
      for (int i = 0; i < count; ++i) {
        const uint8_t* p = row + 3 * (x + i);
        out[i] = p[0] | (p[1] << 8) | (static_cast<uint32_t>(p[2]) << 16);
      }
      return;
    case 32:
      std::memcpy(out, row + 4 * x, static_cast<size_t>(count) * 4);
      return;
    default:
      for (int i = 0; i < count; ++i) out[i] = Get(x + i, y);
  }
}

void Surface::PutRow(int x, int y, int count, const uint32_t* values) {
  uint8_t* row = Row(y);
  switch (bits_per_pixel) {
    case 8:
      for (int i = 0; i < count; ++i) row[x + i] = static_cast<uint8_t>(values[i]);
      return;
    case 24:
      for (int i = 0; i < count; ++i) {
        uint8_t* p = row + 3 * (x + i);
        p[0] = static_cast<uint8_t>(values[i]);
        p[1] = static_cast<uint8_t>(values[i] >> 8);
        p[2] = static_cast<uint8_t>(values[i] >> 16);
      }
      return;
    case 32:
      std::memcpy(row + 4 * x, values, static_cast<size_t>(count) * 4);
      return;
    default:
      for (int i = 0; i < count; ++i) Put(x + i, y, values[i]);
  }
}

COLORREF Surface::ToColor(uint32_t v) const {
  if (Indexed()) {
    v &= PixelMask();
    return v < colors.size() ? ColorFromQuad(colors[v]) : RGB(0, 0, 0);
  }
  if (bits_per_pixel == 24 || (bits_per_pixel == 32 && StandardMasks(*this)))
    return RGB(static_cast<BYTE>(v >> 16), static_cast<BYTE>(v >> 8), static_cast<BYTE>(v));
  return RGB(static_cast<BYTE>(Extract(v, masks[0])), static_cast<BYTE>(Extract(v, masks[1])),
             static_cast<BYTE>(Extract(v, masks[2])));
}

uint32_t Surface::FromColor(COLORREF c) const {
  if (Indexed()) return NearestIndex(colors.data(), colors.size(), c);
  uint32_t r = GetRValue(c), g = GetGValue(c), b = GetBValue(c);
  if (bits_per_pixel == 24 || (bits_per_pixel == 32 && StandardMasks(*this))) return (r << 16) | (g << 8) | b;
  return Insert(r, masks[0]) | Insert(g, masks[1]) | Insert(b, masks[2]);
}

}  // namespace plat
