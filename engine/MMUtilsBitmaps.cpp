#include "engine/MMUtilsBitmaps.h"

#include <algorithm>
#include <cstring>

#include "engine/MMUtils.h"
#include "platform/gdi/Colors.h"
#include "platform/gdi/Text.h"

namespace engine {

namespace {

plat::COLORREF Rgb(vcl::TColor color) { return plat::ColorToRGB(color); }

// A memory DC with one bitmap selected for the life of the scope.
class MemoryDC {
 public:
  explicit MemoryDC(plat::HBITMAP bitmap, plat::HDC like = nullptr) : dc_(plat::CreateCompatibleDC(like)) {
    if (dc_ != nullptr && bitmap != nullptr) old_ = plat::SelectObject(dc_, bitmap);
  }
  ~MemoryDC() {
    if (dc_ == nullptr) return;
    if (old_ != nullptr) plat::SelectObject(dc_, old_);
    plat::DeleteDC(dc_);
  }
  MemoryDC(const MemoryDC&) = delete;
  MemoryDC& operator=(const MemoryDC&) = delete;
  plat::HDC get() const { return dc_; }
  // False when the bitmap could not be selected (not a bitmap, or in use elsewhere).
  bool ok() const { return dc_ != nullptr && old_ != nullptr; }

 private:
  plat::HDC dc_;
  plat::HGDIOBJ old_ = nullptr;
};

// A GDI object deleted when the scope ends.
template <class H>
class Owned {
 public:
  explicit Owned(H h) : h_(h) {}
  ~Owned() {
    if (h_ != nullptr) plat::DeleteObject(h_);
  }
  Owned(const Owned&) = delete;
  Owned& operator=(const Owned&) = delete;
  H get() const { return h_; }

 private:
  H h_;
};

class UnitLock {
 public:
  UnitLock() { plat::EnterCriticalSection(MMUtilsLock()); }
  ~UnitLock() { plat::LeaveCriticalSection(MMUtilsLock()); }
  UnitLock(const UnitLock&) = delete;
  UnitLock& operator=(const UnitLock&) = delete;
};

plat::HBITMAP MonoBitmap(int width, int height) { return plat::CreateBitmap(width, height, 1, 1, nullptr); }

}  // namespace

void GetBitmapSize(plat::HBITMAP bitmap, int32_t& width, int32_t& height) {
  plat::BITMAP bm;
  if (bitmap == nullptr || plat::GetObject(bitmap, sizeof bm, &bm) == 0) bm = plat::BITMAP{};
  width = bm.bmWidth;
  height = bm.bmHeight;
}

vcl::TColor GetBitmapPixel(plat::HBITMAP bitmap, plat::POINT p) {
  int32_t width = 0, height = 0;
  GetBitmapSize(bitmap, width, height);
  p.x = IntClamp(p.x, 0, width - 1);
  p.y = IntClamp(p.y, 0, height - 1);
  MemoryDC dc(bitmap);
  return static_cast<vcl::TColor>(plat::GetPixel(dc.get(), p.x, p.y));
}

vcl::TColor GetTransparentColor(plat::HBITMAP bitmap) {
  int32_t width = 0, height = 0;
  GetBitmapSize(bitmap, width, height);
  return GetBitmapPixel(bitmap, plat::POINT{0, height - 1});
}

plat::HBITMAP CreateColorMask(plat::HBITMAP bitmap, vcl::TColor color) {
  int32_t width = 0, height = 0;
  GetBitmapSize(bitmap, width, height);
  plat::HBITMAP mask = MonoBitmap(width, height);
  if (mask == nullptr) return nullptr;
  MemoryDC source(bitmap);
  MemoryDC target(mask);
  // Colour to monochrome: pixels of the source's background colour become white.
  plat::SetBkColor(source.get(), Rgb(color));
  plat::BitBlt(target.get(), 0, 0, width, height, source.get(), 0, 0, plat::SRCCOPY);
  return mask;
}

void DrawColorMask(plat::HBITMAP bitmap, plat::HBITMAP mask, vcl::TColor color, plat::DWORD rop) {
  int32_t width = 0, height = 0, mask_width = 0, mask_height = 0;
  GetBitmapSize(bitmap, width, height);
  GetBitmapSize(mask, mask_width, mask_height);
  MemoryDC target(bitmap);
  MemoryDC source(mask);
  // Monochrome to colour: white takes the target's background colour, black its text colour.
  plat::SetBkColor(target.get(), Rgb(color));
  plat::SetTextColor(target.get(), plat::RGB(0, 0, 0));
  plat::StretchBlt(target.get(), 0, 0, width, height, source.get(), 0, 0, mask_width, mask_height, rop);
}

void ColorizeLEDBitmap(plat::HBITMAP bitmap, bool draw_inactive, vcl::TColor led, vcl::TColor inactive,
                       vcl::TColor back) {
  // All masks come from the original picture, before any colour changes.
  Owned white(CreateColorMask(bitmap, vcl::clWhite));
  Owned black(CreateColorMask(bitmap, vcl::clBlack));
  Owned silver(CreateColorMask(bitmap, vcl::clSilver));
  DrawColorMask(bitmap, white.get(), led, plat::SRCCOPY);
  // The copy left every other pixel black, so XOR puts the colour in exactly.
  DrawColorMask(bitmap, black.get(), back, plat::SRCINVERT);
  DrawColorMask(bitmap, silver.get(), draw_inactive ? inactive : back, plat::SRCINVERT);
}

void DrawTransparentBitmapRect(plat::HDC dc, plat::HBITMAP bitmap, int x, int y, const plat::RECT& src,
                               vcl::TColor transparent) {
  const int width = src.right - src.left;
  const int height = src.bottom - src.top;
  if (width <= 0 || height <= 0) return;
  UnitLock lock;
  MemoryDC temp(bitmap, dc);
  if (!temp.ok()) return;
  plat::SetMapMode(temp.get(), plat::GetMapMode(dc));

  Owned back_bitmap(MonoBitmap(width, height));
  Owned object_bitmap(MonoBitmap(width, height));
  Owned mem_bitmap(plat::CreateCompatibleBitmap(dc, width, height));
  Owned save_bitmap(plat::CreateCompatibleBitmap(dc, width, height));
  MemoryDC back(back_bitmap.get(), dc);
  MemoryDC object(object_bitmap.get(), dc);
  MemoryDC mem(mem_bitmap.get(), dc);
  MemoryDC save(save_bitmap.get(), dc);
  if (!back.ok() || !object.ok() || !mem.ok() || !save.ok()) return;

  // The source is masked in place below, so keep its pixels to restore them.
  plat::BitBlt(save.get(), 0, 0, width, height, temp.get(), src.left, src.top, plat::SRCCOPY);

  // Object mask: white where the bitmap is transparent; its inverse beside it.
  const plat::COLORREF old_back = plat::SetBkColor(temp.get(), Rgb(transparent));
  plat::BitBlt(object.get(), 0, 0, width, height, temp.get(), src.left, src.top, plat::SRCCOPY);
  plat::SetBkColor(temp.get(), old_back);
  plat::BitBlt(back.get(), 0, 0, width, height, object.get(), 0, 0, plat::NOTSRCCOPY);

  // Destination kept where transparent, black elsewhere.
  plat::BitBlt(mem.get(), 0, 0, width, height, dc, x, y, plat::SRCCOPY);
  plat::BitBlt(mem.get(), 0, 0, width, height, object.get(), 0, 0, plat::SRCAND);
  // Source black where transparent, then both combined.
  plat::BitBlt(temp.get(), src.left, src.top, width, height, back.get(), 0, 0, plat::SRCAND);
  plat::BitBlt(mem.get(), 0, 0, width, height, temp.get(), src.left, src.top, plat::SRCPAINT);
  plat::BitBlt(dc, x, y, width, height, mem.get(), 0, 0, plat::SRCCOPY);

  plat::BitBlt(temp.get(), src.left, src.top, width, height, save.get(), 0, 0, plat::SRCCOPY);
}

void DrawTransparentBitmap(plat::HDC dc, plat::HBITMAP bitmap, int x, int y, vcl::TColor transparent) {
  int32_t width = 0, height = 0;
  GetBitmapSize(bitmap, width, height);
  DrawTransparentBitmapRect(dc, bitmap, x, y, plat::RECT{0, 0, width, height}, transparent);
}

void TileBitmap(plat::HDC dc, plat::HBITMAP bitmap, const plat::RECT& rect, plat::DWORD rop) {
  int32_t width = 0, height = 0;
  GetBitmapSize(bitmap, width, height);
  // An empty bitmap would never advance across the rectangle.
  if (width <= 0 || height <= 0) return;
  UnitLock lock;
  MemoryDC source(bitmap, dc);
  if (!source.ok()) return;
  for (int top = rect.top; top < rect.bottom; top += height) {
    const int h = std::min(height, rect.bottom - top);
    for (int left = rect.left; left < rect.right; left += width)
      plat::BitBlt(dc, left, top, std::min(width, rect.right - left), h, source.get(), 0, 0, rop);
  }
}

void DrawRotatedText(plat::HDC dc, int x, int y, const std::string& text, const std::string& font_name,
                     int height, int orientation) {
  plat::LOGFONTA lf{};
  // These systems take a positive height as the cell height; 1 - height asks
  // for the character height, which keeps the scales' text the size it was.
  lf.lfHeight = OSIsWin2000() || OSIsXPOrLater() ? 1 - height : height;
  lf.lfWeight = plat::FW_NORMAL;
  lf.lfEscapement = orientation == 2 ? 900 : 3600;
  lf.lfCharSet = plat::DEFAULT_CHARSET;
  lf.lfOutPrecision = plat::OUT_TT_PRECIS;
  lf.lfClipPrecision = plat::CLIP_LH_ANGLES;
  lf.lfQuality = plat::PROOF_QUALITY;
  lf.lfPitchAndFamily = 4;
  const size_t n = std::min(font_name.size(), sizeof lf.lfFaceName - 1);
  std::memcpy(lf.lfFaceName, font_name.data(), n);
  lf.lfFaceName[n] = '\0';

  Owned font(plat::CreateFontIndirectA(&lf));
  const plat::HGDIOBJ old = plat::SelectObject(dc, font.get());
  const int count = static_cast<int>(text.size());
  plat::SIZE extent{};
  plat::GetTextExtentPoint32A(dc, text.c_str(), count, &extent);
  switch (orientation) {
    case 0:
      plat::TextOutA(dc, x, y - extent.cy / 2, text.c_str(), count);
      break;
    case 1:
      plat::TextOutA(dc, x - extent.cx, y - extent.cy / 2, text.c_str(), count);
      break;
    case 2:
      plat::TextOutA(dc, x - extent.cy / 2, y + extent.cx, text.c_str(), count);
      break;
    default:
      plat::TextOutA(dc, x, y, text.c_str(), count);
      break;
  }
  plat::SelectObject(dc, old);
}

}  // namespace engine
