#include "platform/backend/BackingSurface.h"

#include <algorithm>
#include <cstring>

namespace plat::backend {

BackingSurface::BackingSurface(int width, int height) {
  surface_.bits_per_pixel = 32;
  surface_.top_down = true;
  Resize(width, height);
}

void BackingSurface::Resize(int width, int height) {
  width = std::max(width, 1);
  height = std::max(height, 1);
  if (width == surface_.width && height == surface_.height) return;
  std::vector<uint32_t> pixels(static_cast<size_t>(width) * static_cast<size_t>(height), 0u);
  const int keep_w = std::min(width, surface_.width);
  const int keep_h = std::min(height, surface_.height);
  for (int y = 0; y < keep_h; ++y)
    std::memcpy(&pixels[static_cast<size_t>(y) * width], &pixels_[static_cast<size_t>(y) * surface_.width],
                static_cast<size_t>(keep_w) * 4);
  pixels_ = std::move(pixels);
  surface_.width = width;
  surface_.height = height;
  surface_.stride = width * 4;
  surface_.bits = reinterpret_cast<uint8_t*>(pixels_.data());
}

uint32_t BackingSurface::Pixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= surface_.width || y >= surface_.height) return 0;
  return pixels_[static_cast<size_t>(y) * surface_.width + x];
}

RECT ClipRect(const RECT& r, int width, int height) {
  RECT c{std::max<LONG>(r.left, 0), std::max<LONG>(r.top, 0), std::min<LONG>(r.right, width),
         std::min<LONG>(r.bottom, height)};
  if (IsEmpty(c)) return RECT{};
  return c;
}

bool IsEmpty(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }

}  // namespace plat::backend
