#pragma once
// Small DIB sections for pixel-exact tests of the engine's bitmap routines.
// 8-bit ones use the library's colour table (the 16 standard colours repeated),
// where black is index 0 and every index AND 15 is the same colour: the table
// the masking raster operations rely on. Pixels print as the letters of the
// graphics tests' legend.
#include <gtest/gtest.h>

#include <string>

#include "engine/MMDIB.h"
#include "engine/MMUtils.h"
#include "platform/gdi/GdiTestSupport.h"

namespace dibtest {

using gditest::ColorOf;
using gditest::LetterOf;
using gditest::Pic;

// A DIB section that is selected into its DC only while the test draws on it
// (Hold), so the routines under test can select it themselves.
class TestBitmap {
 public:
  TestBitmap(int width, int height, int bits) : width_(width), height_(height) {
    engine::TGlobalPtr<plat::BITMAPINFO> info(engine::CreateDIBHeader(bits, 1, width, height, false));
    void* pixels = nullptr;
    bitmap_ = plat::CreateDIBSection(nullptr, info.get(), plat::DIB_RGB_COLORS, &pixels, nullptr, 0);
    dc_ = plat::CreateCompatibleDC(nullptr);
  }
  ~TestBitmap() {
    Release();
    plat::DeleteDC(dc_);
    plat::DeleteObject(bitmap_);
  }
  TestBitmap(const TestBitmap&) = delete;
  TestBitmap& operator=(const TestBitmap&) = delete;

  plat::HBITMAP bitmap() const { return bitmap_; }
  // Selects the bitmap into the test's DC until Release.
  plat::HDC Hold() {
    if (old_ == nullptr) old_ = plat::SelectObject(dc_, bitmap_);
    return dc_;
  }
  void Release() {
    if (old_ != nullptr) plat::SelectObject(dc_, old_);
    old_ = nullptr;
  }

  void Paint(const std::string& picture) {
    Use([&](plat::HDC dc) {
      int x = 0, y = 0;
      for (char c : picture) {
        if (c == '\n') {
          ++y, x = 0;
          continue;
        }
        plat::SetPixelV(dc, x++, y, ColorOf(c));
      }
    });
  }
  void Clear(char c) { Paint(std::string(static_cast<size_t>(width_), c) + RepeatRows(c)); }
  std::string Map() {
    std::string out;
    Use([&](plat::HDC dc) {
      for (int y = 0; y < height_; ++y) {
        if (y) out += '\n';
        for (int x = 0; x < width_; ++x) out += LetterOf(plat::GetPixel(dc, x, y));
      }
    });
    return out;
  }

 private:
  template <class F>
  void Use(F f) {
    const bool held = old_ != nullptr;
    f(Hold());
    if (!held) Release();
  }
  std::string RepeatRows(char c) const {
    std::string rest;
    for (int y = 1; y < height_; ++y) rest += '\n' + std::string(static_cast<size_t>(width_), c);
    return rest;
  }

  int width_, height_;
  plat::HBITMAP bitmap_ = nullptr;
  plat::HDC dc_ = nullptr;
  plat::HGDIOBJ old_ = nullptr;
};

// The picture of a monochrome bitmap: 'W' for white pixels, '.' for black.
inline std::string MonoMap(plat::HBITMAP mask, int width, int height) {
  plat::HDC dc = plat::CreateCompatibleDC(nullptr);
  plat::HGDIOBJ old = plat::SelectObject(dc, mask);
  std::string out;
  for (int y = 0; y < height; ++y) {
    if (y) out += '\n';
    for (int x = 0; x < width; ++x) out += LetterOf(plat::GetPixel(dc, x, y));
  }
  plat::SelectObject(dc, old);
  plat::DeleteDC(dc);
  return out;
}

}  // namespace dibtest
