#pragma once
// The 32-bit backing surface of one top-level window and the memory behind it.
#include <cstdint>
#include <vector>

#include "platform/gdi/Surface.h"
#include "platform/kernel/Types.h"

namespace plat::backend {

class BackingSurface {
 public:
  BackingSurface(int width, int height);
  BackingSurface(const BackingSurface&) = delete;
  BackingSurface& operator=(const BackingSurface&) = delete;

  // Same object for the window's life, so device contexts may keep the pointer.
  Surface* surface() { return &surface_; }
  const Surface& view() const { return surface_; }
  int width() const { return surface_.width; }
  int height() const { return surface_.height; }

  // Keeps the pixels that still fit at their place; new area is black.
  void Resize(int width, int height);
  uint32_t Pixel(int x, int y) const;

 private:
  Surface surface_;
  std::vector<uint32_t> pixels_;
};

// A rectangle cut to 0..width, 0..height; empty rectangles come back empty.
RECT ClipRect(const RECT& r, int width, int height);
bool IsEmpty(const RECT& r);

}  // namespace plat::backend
