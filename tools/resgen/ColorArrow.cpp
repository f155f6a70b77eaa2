#include "ColorArrow.h"

#include <cstddef>

#include "BmpWriter.h"

namespace resgen {

std::vector<uint8_t> DrawColorButtonArrow() {
  constexpr int kSize = 5;
  constexpr uint8_t kBlack = 0, kSilver = 1;
  constexpr Rgb kInks[16] = {{0, 0, 0}, {192, 192, 192}};
  std::vector<uint8_t> pixels(kSize * kSize, kSilver);
  for (int row = 0; row < 3; ++row)
    for (int x = row; x < kSize - row; ++x) pixels[static_cast<size_t>((2 + row) * kSize + x)] = kBlack;
  return WriteBmp4(kSize, kSize, kInks, pixels);
}

}  // namespace resgen
