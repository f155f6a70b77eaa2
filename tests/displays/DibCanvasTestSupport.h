#pragma once
// Tiny DIB canvases for pixel-exact tests. Pixels are read straight from the
// DIB's bits with the bottom-up layout, independent of the primitives, and
// printed one character per pixel, top row first: ink k is the palette index
// k at 8 bits and the grey k,k,k at 24 bits, shown as '.' for 0, '#' for 1,
// 'o' for 2, 'x' for 3 and '?' for anything else.
#include <cstdint>
#include <string>

#include "displays/MMDIBCv.h"

namespace dibcvtest {

struct Ink {
  int bits;
  int32_t operator()(int k) const { return bits == 8 ? k : k * 0x010101; }
  // The value whose inverse is ink k, for the operations that XOR with the
  // inverted colour.
  int32_t Not(int k) const { return ~(*this)(k)&0xFFFFFF; }
};

inline int Stride(const displays::TMMDIBCanvas& canvas) {
  return (canvas.Width() * canvas.BitsPerPixel() / 8 + 3) & ~3;
}

inline const uint8_t* Row(const displays::TMMDIBCanvas& canvas, const uint8_t* bits, int y) {
  return bits + static_cast<ptrdiff_t>(canvas.Height() - 1 - y) * Stride(canvas);
}

inline uint32_t RawPixel(const displays::TMMDIBCanvas& canvas, const uint8_t* bits, int x, int y) {
  const uint8_t* row = Row(canvas, bits, y);
  if (canvas.BitsPerPixel() == 8) return row[x];
  const uint8_t* p = row + 3 * x;
  return p[0] << 16 | p[1] << 8 | p[2];  // blue, green, red in memory
}

inline char InkChar(const displays::TMMDIBCanvas& canvas, uint32_t value) {
  int k = -1;
  if (canvas.BitsPerPixel() == 8)
    k = static_cast<int>(value);
  else if ((value & 0xFF) == ((value >> 8) & 0xFF) && (value & 0xFF) == (value >> 16))
    k = static_cast<int>(value & 0xFF);
  switch (k) {
    case 0:
      return '.';
    case 1:
      return '#';
    case 2:
      return 'o';
    case 3:
      return 'x';
    default:
      return '?';
  }
}

inline std::string PixelMap(const displays::TMMDIBCanvas& canvas, const uint8_t* bits) {
  std::string out;
  for (int y = 0; y < canvas.Height(); ++y) {
    for (int x = 0; x < canvas.Width(); ++x) out += InkChar(canvas, RawPixel(canvas, bits, x, y));
    out += '\n';
  }
  return out;
}

inline std::string PixelMap(const displays::TMMDIBCanvas& canvas) {
  return PixelMap(canvas, canvas.PixelBits());
}

// A canvas of the given size and depth; its DIB is built and black.
inline void Prepare(displays::TMMDIBCanvas& canvas, int width, int height, int bits) {
  canvas.SetBitsPerPixel(bits);
  canvas.SetBounds(0, 0, width, height);
  canvas.CheckDIB();
}

}  // namespace dibcvtest
