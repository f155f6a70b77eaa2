#pragma once
// A pixel surface: the memory a device context draws into. Bitmaps own theirs;
// the window system hands its 32-bit backing surfaces to CreateDCForSurface.
#include <cstdint>
#include <vector>

#include "platform/gdi/Gdi.h"

namespace plat {

struct Surface {
  int width = 0;
  int height = 0;
  int bits_per_pixel = 32;  // 1, 4, 8, 16, 24 or 32
  int stride = 0;           // bytes from one stored row to the next, positive
  bool top_down = true;     // false: row 0 is the last one in memory
  uint8_t* bits = nullptr;  // first byte of memory, not owned
  // Colour table for 1, 4 and 8 bits, always 1 << bits_per_pixel entries.
  std::vector<RGBQUAD> colors;
  // Channel masks for 16 and 32 bits (red, green, blue).
  uint32_t masks[3] = {0x00FF0000u, 0x0000FF00u, 0x000000FFu};
  // Classic monochrome bitmaps convert colour by the background/text rules.
  bool monochrome = false;

  uint8_t* Row(int y) const { return bits + static_cast<ptrdiff_t>(top_down ? y : height - 1 - y) * stride; }
  bool Indexed() const { return bits_per_pixel <= 8; }
  uint32_t PixelMask() const { return bits_per_pixel >= 32 ? 0xFFFFFFFFu : (1u << bits_per_pixel) - 1; }

  uint32_t Get(int x, int y) const;
  void Put(int x, int y, uint32_t value);
  // Reads or writes `count` pixel values starting at (x, y) on one row.
  void GetRow(int x, int y, int count, uint32_t* out) const;
  void PutRow(int x, int y, int count, const uint32_t* values);

  // Colour of a pixel value, and the value that shows a colour best
  // (nearest colour-table entry for indexed surfaces).
  COLORREF ToColor(uint32_t value) const;
  uint32_t FromColor(COLORREF rgb) const;
};

// Bytes of one DWORD-aligned row.
constexpr int DibStride(int width, int bits_per_pixel) {
  return static_cast<int>(((static_cast<int64_t>(width) * bits_per_pixel + 31) / 32) * 4);
}

// Nearest entry of a colour table by squared RGB distance; the first wins ties.
uint32_t NearestIndex(const RGBQUAD* colors, size_t count, COLORREF rgb);
uint32_t NearestIndex(const PALETTEENTRY* entries, size_t count, COLORREF rgb);

// The default colour tables: black and white; the 16 standard colours; and the
// 256-entry table with the 20 static colours at both ends and a colour cube.
std::vector<RGBQUAD> DefaultColorTable(int bits_per_pixel);
// The 20 static colours of the system palette: entries 0..9 and 246..255.
const PALETTEENTRY* StaticColors();

inline RGBQUAD QuadFromColor(COLORREF c) { return RGBQUAD{GetBValue(c), GetGValue(c), GetRValue(c), 0}; }
inline COLORREF ColorFromQuad(const RGBQUAD& q) { return RGB(q.rgbRed, q.rgbGreen, q.rgbBlue); }

}  // namespace plat
