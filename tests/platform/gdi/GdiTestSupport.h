#pragma once
// Small DIB canvases for pixel-exact drawing tests. Pixels print as letters of
// a fixed legend, so expected pictures are written as text.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Gdi.h"

namespace gditest {

using namespace plat;

// Legend: the colour of each letter. Index i of an 8-bit test canvas has the
// colour of letter i, so maps read the same at 8 and 24 bits.
struct Legend {
  char letter;
  COLORREF color;
};
inline const std::vector<Legend>& Letters() {
  static const std::vector<Legend> legend = {
      {'.', RGB(0, 0, 0)},       {'W', RGB(255, 255, 255)}, {'R', RGB(255, 0, 0)},   {'G', RGB(0, 255, 0)},
      {'B', RGB(0, 0, 255)},     {'Y', RGB(255, 255, 0)},   {'C', RGB(0, 255, 255)}, {'M', RGB(255, 0, 255)},
      {'g', RGB(128, 128, 128)}, {'s', RGB(192, 192, 192)}, {'r', RGB(128, 0, 0)},   {'b', RGB(0, 0, 128)},
  };
  return legend;
}

inline COLORREF ColorOf(char c) {
  for (const auto& l : Letters())
    if (l.letter == c) return l.color;
  ADD_FAILURE() << "no colour for '" << c << "'";
  return 0;
}

inline char LetterOf(COLORREF c) {
  for (const auto& l : Letters())
    if (l.color == c) return l.letter;
  return '?';
}

// A DIB section selected into its own memory DC.
class Canvas {
 public:
  Canvas(int width, int height, int bpp, bool top_down = false) : width_(width), height_(height), bpp_(bpp) {
    std::vector<uint8_t> info(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD));
    auto* h = reinterpret_cast<BITMAPINFOHEADER*>(info.data());
    *h = BITMAPINFOHEADER{};
    h->biWidth = width;
    h->biHeight = top_down ? -height : height;
    h->biBitCount = static_cast<WORD>(bpp);
    h->biCompression = BI_RGB;
    auto* table = reinterpret_cast<RGBQUAD*>(info.data() + sizeof(BITMAPINFOHEADER));
    // Letters first; their inverses at the mirrored indices, so that inverting
    // an index (which is what raster operations do at 8 bits) inverts the colour.
    int letters = static_cast<int>(Letters().size());
    for (int i = 0; i < 256; ++i) {
      COLORREF c = RGB(static_cast<BYTE>(i), static_cast<BYTE>(i), 1);
      if (i < letters) c = Letters()[i].color;
      if (255 - i < letters) c = ~Letters()[255 - i].color & 0x00FFFFFFu;
      table[i] = RGBQUAD{GetBValue(c), GetGValue(c), GetRValue(c), 0};
    }
    if (bpp <= 8) h->biClrUsed = 1u << bpp;
    dc_ = CreateCompatibleDC(nullptr);
    void* bits = nullptr;
    bitmap_ =
        CreateDIBSection(dc_, reinterpret_cast<BITMAPINFO*>(info.data()), DIB_RGB_COLORS, &bits, nullptr, 0);
    bits_ = static_cast<uint8_t*>(bits);
    old_ = SelectObject(dc_, bitmap_);
  }
  ~Canvas() {
    SelectObject(dc_, old_);
    DeleteDC(dc_);
    DeleteObject(bitmap_);
  }
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  HDC dc() const { return dc_; }
  HBITMAP bitmap() const { return bitmap_; }
  uint8_t* bits() const { return bits_; }

  // Fills the canvas from a picture, one letter per pixel, rows separated by '\n'.
  void Paint(const std::string& picture) {
    int x = 0, y = 0;
    for (char c : picture) {
      if (c == '\n') {
        ++y;
        x = 0;
        continue;
      }
      SetPixelV(dc_, x++, y, ColorOf(c));
    }
  }
  void Clear(char c) {
    for (int y = 0; y < height_; ++y)
      for (int x = 0; x < width_; ++x) SetPixelV(dc_, x, y, ColorOf(c));
  }
  // The picture, read back through the bitmap's own pixels (not GetPixel, which clips).
  std::string Map() const {
    GdiLock lock;
    auto* bm = LookupAs<BitmapObject>(bitmap_, OBJ_BITMAP);
    std::string out;
    for (int y = 0; y < height_; ++y) {
      if (y) out += '\n';
      for (int x = 0; x < width_; ++x) out += LetterOf(bm->surface.ToColor(bm->surface.Get(x, y)));
    }
    return out;
  }

 private:
  int width_, height_, bpp_;
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ old_ = nullptr;
  uint8_t* bits_ = nullptr;
};

// Joins picture rows written one per argument line in a test.
inline std::string Pic(std::initializer_list<const char*> rows) {
  std::string out;
  for (const char* r : rows) {
    if (!out.empty()) out += '\n';
    out += r;
  }
  return out;
}

// Selects an object for the life of the scope and deletes it afterwards.
class Selected {
 public:
  Selected(HDC dc, HGDIOBJ obj) : dc_(dc), obj_(obj), old_(SelectObject(dc, obj)) {}
  ~Selected() {
    SelectObject(dc_, old_);
    DeleteObject(obj_);
  }
  Selected(const Selected&) = delete;
  Selected& operator=(const Selected&) = delete;

 private:
  HDC dc_;
  HGDIOBJ obj_;
  HGDIOBJ old_;
};

}  // namespace gditest
