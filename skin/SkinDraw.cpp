#include "skin/SkinDraw.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

#include "platform/gdi/Colors.h"
#include "platform/kernel/ScopeGuard.h"
#include "platform/user/Paint.h"
#include "platform/user/WindowMessages.h"
#include "platform/vcl/Controls.h"
#include "platform/vcl/GraphicsBitmap.h"

namespace skin {

namespace {

using vcl::TBitmap;
using vcl::TRect;

int Width(const TRect& r) { return r.right - r.left; }
int Height(const TRect& r) { return r.bottom - r.top; }
bool IsEmpty(const TRect& r) { return Width(r) <= 0 || Height(r) <= 0; }

// Where frame `frame` of an element lies.
struct Frame {
  int x0 = 0, y0 = 0, fw = 0, fh = 0;
};

std::optional<Frame> FrameOf(TBitmap* element, bool stacked, int frames, int frame) {
  if (element == nullptr || element->Empty()) return std::nullopt;
  frames = std::max(frames, 1);
  frame = std::clamp(frame, 1, frames);
  Frame f;
  if (stacked) {
    f.fw = element->Width();
    f.fh = element->Height() / frames;
    f.y0 = (frame - 1) * f.fh;
  } else {
    f.fw = element->Width() / frames;
    f.fh = element->Height();
    f.x0 = (frame - 1) * f.fw;
  }
  if (f.fw <= 0 || f.fh <= 0) return std::nullopt;
  return f;
}

// Margins that fit a frame of fw x fh: none negative, and a pair that leaves
// no middle is dropped so the whole frame scales instead.
TRect FitMargins(const TRect& m, int fw, int fh) {
  TRect r{std::max(m.left, 0), std::max(m.top, 0), std::max(m.right, 0), std::max(m.bottom, 0)};
  if (static_cast<int64_t>(r.left) + r.right >= fw) r.left = r.right = 0;
  if (static_cast<int64_t>(r.top) + r.bottom >= fh) r.top = r.bottom = 0;
  return r;
}

plat::HDC DcOf(TBitmap& bitmap) { return bitmap.Canvas()->Handle(); }

// A fresh 24-bit bitmap whose DC stretches by dropping lines.
std::unique_ptr<TBitmap> NewWork(int w, int h) {
  auto bitmap = std::make_unique<TBitmap>();
  bitmap->SetPixelFormat(vcl::pf24bit);
  bitmap->SetSize(w, h);
  plat::SetStretchBltMode(DcOf(*bitmap), plat::COLORONCOLOR);
  return bitmap;
}

// Stretches a source part onto a destination part; either being empty
// copies nothing.
void Part(plat::HDC dest, int dx, int dy, int dw, int dh, plat::HDC src, int sx, int sy, int sw, int sh) {
  if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0) return;
  plat::StretchBlt(dest, dx, dy, dw, dh, src, sx, sy, sw, sh, plat::SRCCOPY);
}

// Draws a composed bitmap at (x, y), with the key colour or opaque.
void Put(plat::HDC dc, int x, int y, TBitmap& image, bool transparent) {
  if (transparent) {
    SkinDrawTransparent(dc, vcl::Bounds(x, y, image.Width(), image.Height()), &image, kSkinKeyColour);
  } else {
    plat::BitBlt(dc, x, y, image.Width(), image.Height(), DcOf(image), 0, 0, plat::SRCCOPY);
  }
}

// Sets the stretch mode of a DC the caller owns for one call.
class StretchMode {
 public:
  explicit StretchMode(plat::HDC dc) : dc_(dc), old_(plat::SetStretchBltMode(dc, plat::COLORONCOLOR)) {}
  ~StretchMode() {
    if (old_ != 0) plat::SetStretchBltMode(dc_, old_);
  }
  StretchMode(const StretchMode&) = delete;
  StretchMode& operator=(const StretchMode&) = delete;

 private:
  plat::HDC dc_;
  int old_;
};

std::unique_ptr<TBitmap> work_bitmap;
// Controls whose parent is painting behind them right now.
std::vector<vcl::TControl*> painting_behind;

}  // namespace

std::unique_ptr<TBitmap> SkinRenderImage(const TRect& target, TBitmap* element, const TRect& margins,
                                         bool stacked, bool tile, int frames, int frame) {
  std::optional<Frame> f = FrameOf(element, stacked, frames, frame);
  if (IsEmpty(target) || !f) return nullptr;
  const int w = Width(target), h = Height(target), fw = f->fw, fh = f->fh;
  TRect m = FitMargins(margins, fw, fh);
  if (w < m.left + m.right) m.left = m.right = 0;
  if (h < m.top + m.bottom) m.top = m.bottom = 0;
  const int l = m.left, t = m.top, r = m.right, b = m.bottom;
  const int cw = w - l - r, ch = h - t - b, scw = fw - l - r, sch = fh - t - b;

  auto result = NewWork(w, h);
  plat::HDC d = DcOf(*result);
  plat::HDC s = DcOf(*element);
  auto part = [&](int dx, int dy, int dw, int dh, int sx, int sy, int sw, int sh) {
    Part(d, dx, dy, dw, dh, s, f->x0 + sx, f->y0 + sy, sw, sh);
  };
  part(0, 0, l, t, 0, 0, l, t);           // top-left
  part(0, h - b, l, b, 0, fh - b, l, b);  // bottom-left
  part(w - r, 0, r, t, fw - r, 0, r, t);  // top-right
  part(0, t, l, ch, 0, t, l, sch);        // left
  part(l, 0, cw, t, l, 0, scw, t);        // top
  if (tile) {
    SkinTilePart(result->Canvas(), vcl::Bounds(l, t, cw, ch), element,
                 vcl::Bounds(f->x0 + l, f->y0 + t, scw, sch));
  } else {
    part(l, t, cw, ch, l, t, scw, sch);
  }
  // Drawn after the centre, so they cover tiles that ran past it.
  part(w - r, h - b, r, b, fw - r, fh - b, r, b);  // bottom-right
  part(w - r, t, r, ch, fw - r, t, r, sch);        // right
  part(l, h - b, cw, b, l, fh - b, scw, b);        // bottom
  return result;
}

void SkinDrawElement(plat::HDC dc, const TRect& rect, TBitmap* element, bool stacked, bool tile,
                     bool transparent, int frames, int frame, const TRect& margins) {
  std::unique_ptr<TBitmap> image = SkinRenderImage(rect, element, margins, stacked, tile, frames, frame);
  if (image) Put(dc, rect.left, rect.top, *image, transparent);
}

void SkinDrawBand(vcl::TCanvas* canvas, const TRect& rect, TBitmap* element, bool stacked, bool transparent,
                  int frames, int frame, const TRect& margins) {
  std::optional<Frame> f = FrameOf(element, stacked, frames, frame);
  if (canvas == nullptr || IsEmpty(rect) || !f) return;
  const int w = Width(rect), h = Height(rect);
  const int l = std::max(margins.left, 0), r = std::max(margins.right, 0);
  auto work = NewWork(w, h);
  plat::HDC d = DcOf(*work);
  plat::HDC s = DcOf(*element);
  const int64_t middle = static_cast<int64_t>(f->fw) - l - r;
  if (middle <= 0) {
    // No column between the caps to repeat: stepping by it would never end.
    Part(d, 0, 0, w, h, s, f->x0, f->y0, f->fw, f->fh);
  } else {
    const int m = static_cast<int>(middle);
    Part(d, 0, 0, l, h, s, f->x0, f->y0, l, f->fh);
    for (int64_t x = l; x < static_cast<int64_t>(w) - r; x += m)
      Part(d, static_cast<int>(x), 0, m, h, s, f->x0 + l, f->y0, m, f->fh);
    Part(d, w - r, 0, r, h, s, f->x0 + f->fw - r, f->y0, r, f->fh);
  }
  Put(canvas->Handle(), rect.left, rect.top, *work, transparent);
}

void SkinStretchBand(plat::HDC dc, const TRect& rect, TBitmap* element, bool stacked, int frames, int frame,
                     const TRect& margins) {
  std::optional<Frame> f = FrameOf(element, stacked, frames, frame);
  if (IsEmpty(rect) || !f) return;
  StretchMode mode(dc);
  const int w = Width(rect), h = Height(rect);
  const int l = std::max(margins.left, 0), r = std::max(margins.right, 0);
  plat::HDC s = DcOf(*element);
  const int64_t middle = static_cast<int64_t>(f->fw) - l - r;
  if (w < f->fw || middle <= 0) {
    Part(dc, rect.left, rect.top, w, h, s, f->x0, f->y0, f->fw, f->fh);
    return;
  }
  Part(dc, rect.left, rect.top, l, h, s, f->x0, f->y0, l, f->fh);
  Part(dc, rect.left + l, rect.top, w - l - r, h, s, f->x0 + l, f->y0, static_cast<int>(middle), f->fh);
  Part(dc, rect.right - r, rect.top, r, h, s, f->x0 + f->fw - r, f->y0, r, f->fh);
}

void SkinDrawFrame(plat::HDC dc, const TRect& rect, TBitmap* element, bool transparent, int frames,
                   int frame) {
  std::optional<Frame> f = FrameOf(element, false, frames, frame);
  if (IsEmpty(rect) || !f) return;
  auto work = NewWork(Width(rect), Height(rect));
  Part(DcOf(*work), 0, 0, Width(rect), Height(rect), DcOf(*element), f->x0, f->y0, f->fw, f->fh);
  Put(dc, rect.left, rect.top, *work, transparent);
}

void SkinDrawCentredFrame(plat::HDC dc, const TRect& rect, TBitmap* element, bool transparent, int frames,
                          int frame) {
  std::optional<Frame> f = FrameOf(element, false, frames, frame);
  if (IsEmpty(rect) || !f) return;
  auto work = NewWork(f->fw, f->fh);
  plat::BitBlt(DcOf(*work), 0, 0, f->fw, f->fh, DcOf(*element), f->x0, f->y0, plat::SRCCOPY);
  Put(dc, rect.left + (Width(rect) - f->fw) / 2, rect.top + (Height(rect) - f->fh) / 2, *work, transparent);
}

void SkinTilePart(vcl::TCanvas* canvas, const TRect& target, TBitmap* bitmap, const TRect& source) {
  const int w = Width(source), h = Height(source);
  if (canvas == nullptr || bitmap == nullptr || bitmap->Empty() || w <= 0 || h <= 0 || IsEmpty(target))
    return;
  // Through a copy, so tiling a bitmap onto its own canvas reads unchanged pixels.
  auto tile = NewWork(w, h);
  plat::BitBlt(DcOf(*tile), 0, 0, w, h, DcOf(*bitmap), source.left, source.top, plat::SRCCOPY);
  plat::HDC d = canvas->Handle();
  plat::HDC s = DcOf(*tile);
  for (int64_t y = target.top; y < target.bottom; y += h)
    for (int64_t x = target.left; x < target.right; x += w)
      plat::BitBlt(d, static_cast<int>(x), static_cast<int>(y), w, h, s, 0, 0, plat::SRCCOPY);
}

void SkinDrawTransparent(plat::HDC dc, const TRect& rect, TBitmap* bitmap, vcl::TColor key) {
  if (bitmap == nullptr || bitmap->Empty()) return;
  // A mask smaller than the area makes the masked copy draw nothing at all.
  const int w = std::min(Width(rect), bitmap->Width());
  const int h = std::min(Height(rect), bitmap->Height());
  if (w <= 0 || h <= 0) return;
  plat::HDC s = DcOf(*bitmap);
  plat::HBITMAP mask = plat::CreateBitmap(w, h, 1, 1, nullptr);
  plat::HDC mask_dc = plat::CreateCompatibleDC(nullptr);
  plat::HGDIOBJ old = plat::SelectObject(mask_dc, mask);
  // Colour to monochrome: pixels of the source's background colour become 1.
  plat::COLORREF old_bk = plat::SetBkColor(s, plat::ColorToRGB(key));
  plat::BitBlt(mask_dc, 0, 0, w, h, s, 0, 0, plat::SRCCOPY);
  plat::SetBkColor(s, old_bk);
  plat::SelectObject(mask_dc, old);
  plat::DeleteDC(mask_dc);
  // Where the mask is set the destination stays; elsewhere the source is copied.
  plat::MaskBlt(dc, rect.left, rect.top, w, h, s, 0, 0, mask, 0, 0,
                plat::MAKEROP4(0x00AA0029, plat::SRCCOPY));
  plat::DeleteObject(mask);
}

plat::HRGN SkinRegionFromMask(TBitmap* bitmap, int dx, int dy, int blue_tolerance, int green_tolerance,
                              int red_tolerance, vcl::TColor key) {
  if (bitmap == nullptr || bitmap->Empty()) return nullptr;
  // The caller's bitmap keeps its format; the pixels are read from a copy.
  TBitmap pixels;
  pixels.Assign(bitmap);
  pixels.SetPixelFormat(vcl::pf32bit);
  const plat::COLORREF k = plat::ColorToRGB(key);
  struct Range {
    int lo, hi;
    bool Holds(int v) const { return v >= lo && v <= hi; }
  };
  auto range = [](int key_value, int tolerance) {
    return Range{key_value, std::min(255, key_value + tolerance)};
  };
  const Range rb = range(plat::GetBValue(k), blue_tolerance), rg = range(plat::GetGValue(k), green_tolerance),
              rr = range(plat::GetRValue(k), red_tolerance);

  plat::HRGN result = plat::CreateRectRgn(0, 0, 0, 0);
  // Rectangles go to the region in batches, so a large mask never makes one
  // huge region request.
  constexpr size_t kBatch = 2000;
  std::vector<plat::RECT> batch;
  batch.reserve(kBatch);
  auto flush = [&] {
    if (batch.empty()) return;
    std::vector<char> data(sizeof(plat::RGNDATAHEADER) + batch.size() * sizeof(plat::RECT));
    plat::RGNDATAHEADER header;
    header.nCount = static_cast<plat::DWORD>(batch.size());
    header.rcBound = batch.front();
    for (const plat::RECT& r : batch) {
      header.rcBound.left = std::min(header.rcBound.left, r.left);
      header.rcBound.top = std::min(header.rcBound.top, r.top);
      header.rcBound.right = std::max(header.rcBound.right, r.right);
      header.rcBound.bottom = std::max(header.rcBound.bottom, r.bottom);
    }
    std::memcpy(data.data(), &header, sizeof header);
    std::memcpy(data.data() + sizeof header, batch.data(), batch.size() * sizeof(plat::RECT));
    plat::HRGN part = plat::ExtCreateRegion(nullptr, static_cast<plat::DWORD>(data.size()),
                                            reinterpret_cast<const plat::RGNDATA*>(data.data()));
    if (part != nullptr) {
      plat::CombineRgn(result, result, part, plat::RGN_OR);
      plat::DeleteObject(part);
    }
    batch.clear();
  };
  const int width = pixels.Width();
  for (int y = 0; y < pixels.Height(); ++y) {
    const auto* row = static_cast<const uint8_t*>(pixels.ScanLine(y));
    auto opaque = [&](int x) {
      const uint8_t* p = row + 4 * static_cast<size_t>(x);
      return !(rb.Holds(p[0]) && rg.Holds(p[1]) && rr.Holds(p[2]));
    };
    for (int x = 0; x < width;) {
      if (!opaque(x)) {
        ++x;
        continue;
      }
      int x1 = x;
      while (x < width && opaque(x)) ++x;
      batch.push_back(plat::RECT{x1 + dx, y + dy, x + dx, y + dy + 1});
      if (batch.size() == kBatch) flush();
    }
  }
  flush();
  return result;
}

void SkinPaintParentBackground(vcl::TControl* control, plat::HDC dc) {
  if (control == nullptr || control->Parent() == nullptr) return;
  // A windowless control is painted again by its parent's paint; when that
  // paint asks for the background once more, the answer is already on its way.
  if (std::find(painting_behind.begin(), painting_behind.end(), control) != painting_behind.end()) return;
  painting_behind.push_back(control);
  int saved = plat::SaveDC(dc);
  plat::ScopeExit restore([&] {
    plat::RestoreDC(dc, saved);
    painting_behind.erase(std::find(painting_behind.begin(), painting_behind.end(), control));
  });
  TRect r = control->ClientRect();
  const int left = control->Left(), top = control->Top();
  plat::OffsetViewportOrgEx(dc, -left, -top, nullptr);
  plat::IntersectClipRect(dc, r.left + left, r.top + top, r.right + left, r.bottom + top);
  vcl::TWinControl* parent = control->Parent();
  parent->Perform(plat::WM_ERASEBKGND, reinterpret_cast<plat::WPARAM>(dc), 0);
  parent->Perform(plat::WM_PAINT, reinterpret_cast<plat::WPARAM>(dc), 0);
}

TBitmap* SkinWorkBitmap(int width, int height) {
  if (!work_bitmap) {
    work_bitmap = std::make_unique<TBitmap>();
    work_bitmap->SetPixelFormat(vcl::pf24bit);
  }
  work_bitmap->SetSize(width, height);
  // A new size brings a new DC.
  if (!work_bitmap->Empty()) plat::SetStretchBltMode(DcOf(*work_bitmap), plat::COLORONCOLOR);
  return work_bitmap.get();
}

void FreeSkinWorkBitmap() { work_bitmap.reset(); }

}  // namespace skin
