#include "InfoPicture.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "BmpWriter.h"

namespace resgen {

std::vector<uint8_t> DrawInfoPicture() {
  constexpr int w = kInfoPictureWidth, h = kInfoPictureHeight;
  std::vector<Rgb> pixels(static_cast<size_t>(w * h));
  auto set = [&](int x, int y, Rgb c) {
    if (x >= 0 && y >= 0 && x < w && y < h) pixels[static_cast<size_t>(y * w + x)] = c;
  };
  // A screen darkening downwards, with a faint grid every 25 pixels.
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const auto shade = static_cast<uint8_t>(60 - 45 * y / h);
      Rgb c{0, static_cast<uint8_t>(shade / 3), shade};
      if (x % 25 == 12 || y % 25 == 12) c = Rgb{30, 50, 80};
      set(x, y, c);
    }
  // Thirty bars of a spectrum that rises to the low middle and falls away,
  // green at the bottom through yellow to red at the top.
  constexpr int bars = 30, floor = h - 12, top = 18;
  const int step = (w - 20) / bars;
  int previous_peak = -1;
  for (int b = 0; b < bars; ++b) {
    const double t = static_cast<double>(b) / (bars - 1);
    const double level =
        0.35 + 0.55 * std::exp(-std::pow((t - 0.3) / 0.25, 2)) + 0.08 * std::sin(t * 9 * std::numbers::pi);
    const int height = static_cast<int>(std::lround(std::clamp(level, 0.05, 1.0) * (floor - top)));
    const int left = 10 + b * step;
    for (int y = floor - height; y < floor; ++y) {
      if ((floor - y) % 4 == 0) continue;  // segments, as a meter shows them
      const double up = static_cast<double>(floor - y) / (floor - top);
      const Rgb c = up < 0.6   ? Rgb{static_cast<uint8_t>(up / 0.6 * 255), 255, 0}
                    : up < 0.8 ? Rgb{255, static_cast<uint8_t>(255 - (up - 0.6) / 0.2 * 155), 0}
                               : Rgb{255, 60, 0};
      for (int x = left; x < left + step - 2; ++x) set(x, y, c);
    }
    // The held peak a little above each bar, joined into a line.
    const int peak = floor - height - 6;
    for (int x = left; x < left + step - 2; ++x) set(x, peak, Rgb{255, 255, 255});
    if (previous_peak >= 0)
      for (int y = std::min(previous_peak, peak); y <= std::max(previous_peak, peak); ++y)
        set(left - 2, y, Rgb{200, 200, 255});
    previous_peak = peak;
  }
  // The floor line.
  for (int x = 6; x < w - 6; ++x) set(x, floor + 2, Rgb{192, 192, 192});
  return WriteBmp24(w, h, pixels);
}

}  // namespace resgen
