#include "AppIcon.h"

#include <cstddef>

#include "BmpWriter.h"

namespace resgen {

namespace {

void Put16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(std::vector<uint8_t>& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

// A pixel of the picture; clear ones get alpha 0 and a set mask bit.
struct Pixel {
  Rgb rgb;
  bool opaque;
};

std::vector<Pixel> Picture(int side) {
  std::vector<Pixel> pixels(static_cast<size_t>(side) * side, Pixel{{0, 0, 0}, false});
  const int corner = side / 8;
  for (int y = 0; y < side; ++y)
    for (int x = 0; x < side; ++x) {
      // The panel with its corners cut.
      const int cx = x < corner ? corner - x : x >= side - corner ? x - (side - corner - 1) : 0;
      const int cy = y < corner ? corner - y : y >= side - corner ? y - (side - corner - 1) : 0;
      if (cx + cy > corner) continue;
      pixels[static_cast<size_t>(y) * side + x] = Pixel{{24, 32, 48}, true};
    }
  // Seven bars rising to the right; each colour band by height, as a level meter shows it.
  const int bars = 7;
  const int margin = side / 8;
  const int pitch = (side - 2 * margin) / bars;
  for (int b = 0; b < bars; ++b) {
    const int height = (side - 2 * margin) * (b + 2) / (bars + 1);
    const int left = margin + b * pitch;
    const int width = pitch > 2 ? pitch - 1 : 1;
    for (int y = side - margin - height; y < side - margin; ++y) {
      const int from_bottom = side - margin - y;
      const Rgb colour = from_bottom > (side * 5) / 8   ? Rgb{230, 40, 30}
                         : from_bottom > (side * 3) / 8 ? Rgb{240, 210, 40}
                                                        : Rgb{40, 210, 80};
      for (int x = left; x < left + width; ++x)
        pixels[static_cast<size_t>(y) * side + x] = Pixel{colour, true};
    }
  }
  return pixels;
}

// One icon image: header with doubled height, BGRA rows bottom-up, AND mask.
std::vector<uint8_t> Image(int side) {
  const std::vector<Pixel> pixels = Picture(side);
  std::vector<uint8_t> out;
  Put32(out, 40);
  Put32(out, static_cast<uint32_t>(side));
  Put32(out, static_cast<uint32_t>(side * 2));
  Put16(out, 1);
  Put16(out, 32);
  for (int i = 0; i < 6; ++i) Put32(out, 0);
  for (int y = side - 1; y >= 0; --y)
    for (int x = 0; x < side; ++x) {
      const Pixel& p = pixels[static_cast<size_t>(y) * side + x];
      out.push_back(p.rgb.b);
      out.push_back(p.rgb.g);
      out.push_back(p.rgb.r);
      out.push_back(p.opaque ? 255 : 0);
    }
  const size_t stride = (static_cast<size_t>(side) + 31) / 32 * 4;
  for (int y = side - 1; y >= 0; --y) {
    std::vector<uint8_t> row(stride, 0);
    for (int x = 0; x < side; ++x)
      if (!pixels[static_cast<size_t>(y) * side + x].opaque)
        row[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
    out.insert(out.end(), row.begin(), row.end());
  }
  return out;
}

}  // namespace

std::vector<uint8_t> DrawAppIcon() {
  const int sides[] = {16, 32};
  std::vector<std::vector<uint8_t>> images;
  for (int side : sides) images.push_back(Image(side));
  std::vector<uint8_t> file;
  Put16(file, 0);
  Put16(file, 1);
  Put16(file, 2);
  uint32_t offset = 6 + 16 * 2;
  for (size_t i = 0; i < images.size(); ++i) {
    file.push_back(static_cast<uint8_t>(sides[i]));
    file.push_back(static_cast<uint8_t>(sides[i]));
    file.push_back(0);
    file.push_back(0);
    Put16(file, 1);
    Put16(file, 32);
    Put32(file, static_cast<uint32_t>(images[i].size()));
    Put32(file, offset);
    offset += static_cast<uint32_t>(images[i].size());
  }
  for (const auto& image : images) file.insert(file.end(), image.begin(), image.end());
  return file;
}

}  // namespace resgen
