#pragma once
// Shared pieces of the backend tests: a sink that records, window handles
// made from numbers, and a PNG reader that goes through libpng on its own.
#include <png.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "platform/backend/Backend.h"

namespace backendtest {

using plat::backend::Event;
using plat::backend::EventType;

struct RecordingSink : plat::backend::EventSink {
  void OnEvent(const Event& event) override {
    events.push_back(event);
    if (on_event) on_event(event);
  }
  std::vector<Event> Of(EventType type) const {
    std::vector<Event> found;
    for (const Event& e : events)
      if (e.type == type) found.push_back(e);
    return found;
  }
  std::vector<Event> events;
  std::function<void(const Event&)> on_event;
};

inline plat::HWND Hwnd(intptr_t n) { return reinterpret_cast<plat::HWND>(n); }

inline plat::backend::WindowParams Params(plat::LONG left, plat::LONG top, plat::LONG right,
                                          plat::LONG bottom, bool visible = true) {
  plat::backend::WindowParams p;
  p.rect = plat::RECT{left, top, right, bottom};
  p.visible = visible;
  return p;
}

inline void Fill(plat::Surface& s, uint32_t value, const plat::RECT& r) {
  for (int y = r.top; y < r.bottom; ++y)
    for (int x = r.left; x < r.right; ++x) s.Put(x, y, value);
}
inline void Fill(plat::Surface& s, uint32_t value) { Fill(s, value, plat::RECT{0, 0, s.width, s.height}); }

inline std::vector<std::array<plat::LONG, 4>> Rects(const std::vector<plat::RECT>& rects) {
  std::vector<std::array<plat::LONG, 4>> out;
  for (const plat::RECT& r : rects) out.push_back({r.left, r.top, r.right, r.bottom});
  return out;
}

// An image read back from a PNG file: 0x00RRGGBB pixels, or width 0 when unreadable.
struct PngImage {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;
  uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

inline PngImage ReadPng(const std::string& path) {
  PngImage image;
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&png, path.c_str())) return image;
  png.format = PNG_FORMAT_RGB;
  std::vector<uint8_t> rgb(PNG_IMAGE_SIZE(png));
  if (!png_image_finish_read(&png, nullptr, rgb.data(), 0, nullptr)) {
    png_image_free(&png);
    return image;
  }
  image.width = static_cast<int>(png.width);
  image.height = static_cast<int>(png.height);
  image.pixels.resize(static_cast<size_t>(image.width) * image.height);
  for (size_t i = 0; i < image.pixels.size(); ++i)
    image.pixels[i] = (uint32_t{rgb[i * 3]} << 16) | (uint32_t{rgb[i * 3 + 1]} << 8) | rgb[i * 3 + 2];
  return image;
}

}  // namespace backendtest
