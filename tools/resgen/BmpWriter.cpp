#include "BmpWriter.h"

#include <cstddef>

namespace resgen {

std::vector<uint8_t> WriteBmp24(int width, int height, const std::vector<Rgb>& pixels) {
  const uint32_t stride = (static_cast<uint32_t>(width) * 3 + 3) & ~3u;
  const uint32_t bits = stride * static_cast<uint32_t>(height);
  std::vector<uint8_t> out;
  out.reserve(54 + bits);
  auto u16 = [&](uint32_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
  };
  auto u32 = [&](uint32_t v) {
    u16(v & 0xFFFF);
    u16(v >> 16);
  };
  out.push_back('B');
  out.push_back('M');
  u32(54 + bits);
  u32(0);
  u32(54);
  u32(40);
  u32(static_cast<uint32_t>(width));
  u32(static_cast<uint32_t>(height));
  u16(1);
  u16(24);
  u32(0);
  u32(bits);
  u32(2835);
  u32(2835);
  u32(0);
  u32(0);
  for (int y = height - 1; y >= 0; --y) {
    for (int x = 0; x < width; ++x) {
      const Rgb& p = pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
      out.push_back(p.b);
      out.push_back(p.g);
      out.push_back(p.r);
    }
    for (uint32_t pad = static_cast<uint32_t>(width) * 3; pad < stride; ++pad) out.push_back(0);
  }
  return out;
}

}  // namespace resgen
