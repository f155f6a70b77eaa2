#include "BmpWriter.h"

#include <cstddef>

namespace resgen {

namespace {

// The file and info headers; `colors` table entries follow them.
std::vector<uint8_t> Headers(int width, int height, int bits_per_pixel, int colors, uint32_t bits) {
  std::vector<uint8_t> out;
  const uint32_t offset = 54 + 4 * static_cast<uint32_t>(colors);
  out.reserve(offset + bits);
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
  u32(offset + bits);
  u32(0);
  u32(offset);
  u32(40);
  u32(static_cast<uint32_t>(width));
  u32(static_cast<uint32_t>(height));
  u16(1);
  u16(static_cast<uint32_t>(bits_per_pixel));
  u32(0);
  u32(bits);
  u32(2835);
  u32(2835);
  u32(static_cast<uint32_t>(colors));
  u32(static_cast<uint32_t>(colors));
  return out;
}

}  // namespace

std::vector<uint8_t> WriteBmp24(int width, int height, const std::vector<Rgb>& pixels) {
  const uint32_t stride = (static_cast<uint32_t>(width) * 3 + 3) & ~3u;
  const uint32_t bits = stride * static_cast<uint32_t>(height);
  std::vector<uint8_t> out = Headers(width, height, 24, 0, bits);
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

std::vector<uint8_t> WriteBmp4(int width, int height, const Rgb (&palette)[16],
                               const std::vector<uint8_t>& indices) {
  const uint32_t stride = (static_cast<uint32_t>(width) * 4 + 31) / 32 * 4;
  const uint32_t bits = stride * static_cast<uint32_t>(height);
  std::vector<uint8_t> out = Headers(width, height, 4, 16, bits);
  for (const Rgb& c : palette) {
    out.push_back(c.b);
    out.push_back(c.g);
    out.push_back(c.r);
    out.push_back(0);
  }
  for (int y = height - 1; y >= 0; --y) {
    std::vector<uint8_t> row(stride, 0);
    for (int x = 0; x < width; ++x) {
      const uint8_t index =
          indices[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)] & 0x0F;
      row[static_cast<size_t>(x / 2)] |= static_cast<uint8_t>(x % 2 == 0 ? index << 4 : index);
    }
    out.insert(out.end(), row.begin(), row.end());
  }
  return out;
}

}  // namespace resgen
