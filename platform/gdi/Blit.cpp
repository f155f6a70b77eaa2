// Block transfers: BitBlt, StretchBlt, MaskBlt, PatBlt and the DIB-to-device
// copies, with the classic colour/monochrome conversions.
#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <span>
#include <vector>

#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/DibAccess.h"
#include "platform/gdi/Raster.h"

namespace plat {

namespace {

// Source pixel value -> destination pixel value.
class Converter {
 public:
  Converter(const Surface& src, bool from_dc, uint32_t src_bk_value, const DeviceContext& dst_dc,
            Surface& dst)
      : src_(src), dst_(dst) {
    // lut_ may point into own_lut_.
    if (from_dc && src.monochrome && !dst.monochrome) {
      // Monochrome to colour: 0 takes the destination's text colour, 1 its background.
      kind_ = Kind::Lut;
      own_lut_ = {dst_dc.PixelValue(dst_dc.State().text_color), dst_dc.PixelValue(dst_dc.State().bk_color)};
      lut_ = own_lut_;
    } else if (from_dc && dst.monochrome && !src.monochrome) {
      // Colour to monochrome: the source's background colour becomes 1 (white).
      kind_ = Kind::ToMono;
      src_bk_ = src_bk_value;
    } else if (src.monochrome && dst.monochrome) {
      kind_ = Kind::Identity;
    } else if (src.Indexed()) {
      if (dst.Indexed() && dst.bits_per_pixel == src.bits_per_pixel && SameTable(src.colors, dst.colors)) {
        kind_ = Kind::Identity;
      } else {
        kind_ = Kind::Lut;
        lut_ = TableLut(src, dst);
      }
    } else if (src.bits_per_pixel == dst.bits_per_pixel &&
               std::equal(std::begin(src.masks), std::end(src.masks), std::begin(dst.masks))) {
      kind_ = Kind::Identity;
    } else {
      kind_ = Kind::Direct;
    }
  }

  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  // Copies `n` pixels of source row `sy` from column `sx` to destination
  // row `y` from column `x`, a row at a time instead of pixel by pixel.
  void CopyRow(int sx, int sy, int n, int x, int y) {
    if (kind_ == Kind::Identity && src_.bits_per_pixel % 8 == 0) {
      const size_t bytes = static_cast<size_t>(src_.bits_per_pixel / 8);
      std::memcpy(dst_.Row(y) + bytes * static_cast<size_t>(x),
                  src_.Row(sy) + bytes * static_cast<size_t>(sx), bytes * static_cast<size_t>(n));
      return;
    }
    if (kind_ == Kind::Lut && src_.bits_per_pixel == 8 && dst_.bits_per_pixel == 32 && lut_.size() >= 256) {
      // A palette picture onto the 32-bit screen: one table look-up a pixel.
      const uint8_t* from = src_.Row(sy) + sx;
      uint8_t* to = dst_.Row(y) + 4 * static_cast<size_t>(x);
      const uint32_t* lut = lut_.data();
      for (int i = 0; i < n; ++i) std::memcpy(to + 4 * static_cast<size_t>(i), &lut[from[i]], 4);
      return;
    }
    thread_local std::vector<uint32_t> row;
    if (row.size() < static_cast<size_t>(n)) row.resize(static_cast<size_t>(n));
    src_.GetRow(sx, sy, n, row.data());
    if (kind_ != Kind::Identity)
      for (int i = 0; i < n; ++i) row[static_cast<size_t>(i)] = (*this)(row[static_cast<size_t>(i)]);
    dst_.PutRow(x, y, n, row.data());
  }

  uint32_t operator()(uint32_t v) {
    switch (kind_) {
      case Kind::Identity:
        return v;
      case Kind::Lut:
        return v < lut_.size() ? lut_[v] : 0;
      case Kind::ToMono:
        return v == src_bk_ ? 1u : 0u;
      case Kind::Direct:
      default: {
        if (have_last_ && v == last_in_) return last_out_;
        have_last_ = true;
        last_in_ = v;
        last_out_ = dst_.FromColor(src_.ToColor(v));
        return last_out_;
      }
    }
  }

 private:
  // The destination's value of each entry of an indexed source's table. A
  // display copies from the same table onto the same screen pass after pass,
  // so this thread's last table is kept and checked instead of made anew.
  static std::span<const uint32_t> TableLut(const Surface& src, const Surface& dst) {
    struct Kept {
      std::vector<RGBQUAD> from;
      int bits_per_pixel = 0;
      uint32_t masks[3] = {};
      bool monochrome = false;
      std::vector<RGBQUAD> to;
      std::vector<uint32_t> lut;
    };
    thread_local Kept kept;
    auto same = [](const std::vector<RGBQUAD>& a, const std::vector<RGBQUAD>& b) {
      return a.size() == b.size() &&
             (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(RGBQUAD)) == 0);
    };
    const bool hit = kept.bits_per_pixel == dst.bits_per_pixel && kept.monochrome == dst.monochrome &&
                     std::equal(std::begin(dst.masks), std::end(dst.masks), std::begin(kept.masks)) &&
                     same(kept.from, src.colors) && (!dst.Indexed() || same(kept.to, dst.colors));
    if (!hit) {
      kept.from = src.colors;
      kept.bits_per_pixel = dst.bits_per_pixel;
      std::copy(std::begin(dst.masks), std::end(dst.masks), std::begin(kept.masks));
      kept.monochrome = dst.monochrome;
      kept.to = dst.Indexed() ? dst.colors : std::vector<RGBQUAD>{};
      kept.lut.clear();
      for (const RGBQUAD& q : src.colors) kept.lut.push_back(dst.FromColor(ColorFromQuad(q)));
    }
    return kept.lut;
  }
  static bool SameTable(const std::vector<RGBQUAD>& a, const std::vector<RGBQUAD>& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
      if (ColorFromQuad(a[i]) != ColorFromQuad(b[i])) return false;
    return true;
  }
  enum class Kind { Identity, Lut, ToMono, Direct };
  const Surface& src_;
  Surface& dst_;
  Kind kind_ = Kind::Identity;
  std::span<const uint32_t> lut_;
  std::array<uint32_t, 2> own_lut_{};
  uint32_t src_bk_ = 0;
  bool have_last_ = false;
  uint32_t last_in_ = 0, last_out_ = 0;
};

struct Transfer {
  RECT dest;              // surface coordinates, in order
  std::vector<int> xmap;  // source column per destination column, -1: none
  std::vector<int> ymap;  // source row per destination row, -1: none
  const Surface* source = nullptr;
  bool from_dc = false;
  uint32_t source_bk = 0;
  uint8_t fore = 0xCC;
  uint8_t back = 0xCC;
  const Surface* mask = nullptr;  // 1 bits: fore, 0 bits: back
  POINT mask_org;
};

// Source coordinates for a destination run of n pixels taken from m source
// pixels starting at `start`; nearest sample, mirrored when asked.
std::vector<int> Map(int n, int start, int m, bool mirror, int limit) {
  std::vector<int> out(static_cast<size_t>(n));
  if (m == n && !mirror) {
    // Unstretched: the nearest sample of column i is column i itself.
    for (int i = 0; i < n; ++i)
      out[static_cast<size_t>(i)] = start + i >= 0 && start + i < limit ? start + i : -1;
    return out;
  }
  for (int i = 0; i < n; ++i) {
    int j = static_cast<int>((int64_t{2} * i + 1) * m / (int64_t{2} * n));
    int v = start + (mirror ? m - 1 - j : j);
    out[static_cast<size_t>(i)] = v >= 0 && v < limit ? v : -1;
  }
  return out;
}

// True when the columns map one to one onto consecutive source columns, all
// inside the source.
bool UnitStep(const std::vector<int>& xmap) {
  if (xmap.empty() || xmap[0] < 0) return false;
  for (size_t i = 1; i < xmap.size(); ++i)
    if (xmap[i] != xmap[0] + static_cast<int>(i)) return false;
  return true;
}

BOOL Run(DeviceContext& dc, Transfer& t) {
  Surface* dst = dc.GetSurface();
  if (dst == nullptr) return FALSE;
  bool uses_source = Rop3UsesSource(t.fore) || Rop3UsesSource(t.back);
  bool uses_pattern = Rop3UsesPattern(t.fore) || Rop3UsesPattern(t.back);
  if (uses_source && t.source == nullptr) return FALSE;
  RealBrush brush = uses_pattern ? RealizeBrush(dc, dc.State().brush) : RealBrush{};
  if (uses_pattern && brush.null) brush = SolidBrush(0);

  // Copies within one surface read from a snapshot, so overlapping moves
  // never see pixels they have already written.
  const Surface* source = t.source;
  Surface snapshot_view;
  std::vector<uint8_t> snapshot;
  if (uses_source && t.source->bits == dst->bits) {
    snapshot_view = *t.source;
    snapshot.assign(t.source->bits,
                    t.source->bits + static_cast<size_t>(t.source->stride) * t.source->height);
    snapshot_view.bits = snapshot.data();
    source = &snapshot_view;
  }
  std::optional<Converter> convert;
  if (uses_source) convert.emplace(*source, t.from_dc, t.source_bk, dc, *dst);
  uint32_t mask = dst->PixelMask();
  bool plain_copy = t.fore == 0xCC && t.back == 0xCC;
  bool row_copy = plain_copy && uses_source && UnitStep(t.xmap);
  dc.Touch(t.dest);

  ForEachClippedSpan(dc.EffectiveClip(), t.dest, [&](int y, int x0, int x1) {
    int row = y - t.dest.top;
    int sy = uses_source ? t.ymap[static_cast<size_t>(row)] : 0;
    if (uses_source && sy < 0) return;
    if (row_copy) {
      convert->CopyRow(t.xmap[static_cast<size_t>(x0 - t.dest.left)], sy, x1 - x0, x0, y);
      return;
    }
    for (int x = x0; x < x1; ++x) {
      int col = x - t.dest.left;
      uint32_t s = 0;
      if (uses_source) {
        int sx = t.xmap[static_cast<size_t>(col)];
        if (sx < 0) continue;
        s = (*convert)(source->Get(sx, sy));
        if (plain_copy) {
          dst->Put(x, y, s);
          continue;
        }
      }
      uint8_t rop = t.fore;
      if (t.mask != nullptr && t.mask->Get(t.mask_org.x + col, t.mask_org.y + row) == 0) rop = t.back;
      if (Rop3UsesPattern(rop) && brush.Skips(x, y)) continue;
      uint32_t p = Rop3UsesPattern(rop) ? brush.At(x, y) : 0;
      uint32_t d = dst->Get(x, y);
      dst->Put(x, y, Rop3(rop, p, s, d) & mask);
    }
  });
  return TRUE;
}

// Sets up the destination rectangle and source mapping of a DC-to-DC transfer.
bool Prepare(DeviceContext& dst, int x, int y, int w, int h, DeviceContext* src, int xs, int ys, int sw,
             int sh, Transfer* t) {
  if (w == 0 || h == 0) return false;
  t->dest = dst.ToSurface(RECT{x, y, x + w, y + h});
  int n = t->dest.right - t->dest.left, m_rows = t->dest.bottom - t->dest.top;
  if (src == nullptr) return true;
  Surface* s = src->GetSurface();
  if (s == nullptr) return false;
  if (sw == 0 || sh == 0) return false;
  RECT sr = src->ToSurface(RECT{xs, ys, xs + sw, ys + sh});
  t->xmap = Map(n, sr.left, sr.right - sr.left, (w < 0) != (sw < 0), s->width);
  t->ymap = Map(m_rows, sr.top, sr.bottom - sr.top, (h < 0) != (sh < 0), s->height);
  t->source = s;
  t->from_dc = true;
  // Only a copy onto a monochrome surface asks for the source's background value.
  const Surface* d = dst.GetSurface();
  if (d != nullptr && d->monochrome && !s->monochrome) t->source_bk = src->PixelValue(src->State().bk_color);
  return true;
}

uint8_t RopIndex(DWORD rop) { return static_cast<uint8_t>((rop >> 16) & 0xFF); }

}  // namespace

BOOL BitBlt(HDC hdc, int x, int y, int w, int h, HDC hsrc, int xs, int ys, DWORD rop) {
  return StretchBlt(hdc, x, y, w, h, hsrc, xs, ys, w, h, rop);
}

BOOL StretchBlt(HDC hdc, int x, int y, int w, int h, HDC hsrc, int xs, int ys, int sw, int sh, DWORD rop) {
  GdiLock lock;
  DeviceContext* dst = LookupDC(hdc);
  if (dst == nullptr) return FALSE;
  Transfer t;
  t.fore = t.back = RopIndex(rop);
  DeviceContext* src = nullptr;
  if (Rop3UsesSource(t.fore)) {
    src = LookupDC(hsrc);
    if (src == nullptr) return FALSE;
  }
  if (!Prepare(*dst, x, y, w, h, src, xs, ys, sw, sh, &t)) return w == 0 || h == 0 ? TRUE : FALSE;
  return Run(*dst, t);
}

BOOL MaskBlt(HDC hdc, int x, int y, int w, int h, HDC hsrc, int xs, int ys, HBITMAP hmask, int xm, int ym,
             DWORD rop4) {
  GdiLock lock;
  if (hmask == nullptr) return BitBlt(hdc, x, y, w, h, hsrc, xs, ys, rop4 & 0x00FFFFFFu);
  DeviceContext* dst = LookupDC(hdc);
  auto* mask = LookupAs<BitmapObject>(hmask, OBJ_BITMAP);
  if (dst == nullptr || mask == nullptr || mask->surface.bits_per_pixel != 1) return FALSE;
  if (w <= 0 || h <= 0) return TRUE;
  if (xm < 0 || ym < 0 || xm + w > mask->surface.width || ym + h > mask->surface.height) return FALSE;
  Transfer t;
  t.fore = RopIndex(rop4);
  t.back = static_cast<uint8_t>((rop4 >> 24) & 0xFF);
  DeviceContext* src = nullptr;
  if (Rop3UsesSource(t.fore) || Rop3UsesSource(t.back)) {
    src = LookupDC(hsrc);
    if (src == nullptr) return FALSE;
  }
  if (!Prepare(*dst, x, y, w, h, src, xs, ys, w, h, &t)) return FALSE;
  t.mask = &mask->surface;
  t.mask_org = POINT{xm, ym};
  return Run(*dst, t);
}

BOOL PatBlt(HDC hdc, int x, int y, int w, int h, DWORD rop) {
  GdiLock lock;
  DeviceContext* dc = LookupDC(hdc);
  uint8_t index = RopIndex(rop);
  if (dc == nullptr || Rop3UsesSource(index)) return FALSE;
  if (w == 0 || h == 0) return TRUE;
  RealBrush brush = RealizeBrush(*dc, dc->State().brush);
  if (brush.null) brush = SolidBrush(0);
  PatArea(*dc, Region(dc->ToSurface(RECT{x, y, x + w, y + h})), brush, index);
  return TRUE;
}

namespace {

// DIB source: rows are addressed from the top of the image here.
int DibTransfer(DeviceContext& dc, RECT dest, const Surface& dib, RECT src, bool mirror_x, bool mirror_y,
                DWORD rop) {
  Transfer t;
  t.fore = t.back = RopIndex(rop);
  t.dest = dest;
  int n = dest.right - dest.left, m = dest.bottom - dest.top;
  if (n <= 0 || m <= 0) return 0;
  t.xmap = Map(n, src.left, src.right - src.left, mirror_x, dib.width);
  t.ymap = Map(m, src.top, src.bottom - src.top, mirror_y, dib.height);
  t.source = &dib;
  t.from_dc = false;
  return Run(dc, t) ? 1 : 0;
}

}  // namespace

int SetDIBitsToDevice(HDC hdc, int xd, int yd, DWORD w, DWORD h, int xs, int ys, UINT start_scan,
                      UINT scan_lines, const void* bits, const BITMAPINFO* info, UINT usage) {
  GdiLock lock;
  DeviceContext* dc = LookupDC(hdc);
  Surface dib;
  if (dc == nullptr || bits == nullptr || !DibSurface(info, bits, usage, dc, &dib)) return 0;
  if (w == 0 || h == 0 || w > 0x7FFFFFFF || h > 0x7FFFFFFF) return 0;
  // The bits hold scan lines start_scan .. start_scan + scan_lines - 1, counted
  // from the bottom of a bottom-up image; the source y is measured from there too.
  int total = dib.height;
  int lines = static_cast<int>(std::min<UINT>(scan_lines, static_cast<UINT>(total)));
  if (lines <= 0) return 0;
  Surface band = dib;
  band.height = lines;
  int iw = static_cast<int>(w), ih = static_cast<int>(h);
  RECT dest = dc->ToSurface(RECT{xd, yd, xd + iw, yd + ih});
  Transfer t;
  t.fore = t.back = RopIndex(SRCCOPY);
  t.dest = dest;
  t.xmap = Map(iw, xs, iw, false, band.width);
  t.ymap.resize(static_cast<size_t>(ih));
  for (int j = 0; j < ih; ++j) {
    int row;  // row index into `band`, from its top
    if (dib.top_down) {
      row = ys + j - static_cast<int>(start_scan);
    } else {
      int scan = ys + ih - 1 - j;  // from the bottom of the whole image
      row = lines - 1 - (scan - static_cast<int>(start_scan));
    }
    t.ymap[static_cast<size_t>(j)] = row >= 0 && row < lines ? row : -1;
  }
  t.source = &band;
  return Run(*dc, t) ? lines : 0;
}

int StretchDIBits(HDC hdc, int xd, int yd, int wd, int hd, int xs, int ys, int ws, int hs, const void* bits,
                  const BITMAPINFO* info, UINT usage, DWORD rop) {
  GdiLock lock;
  DeviceContext* dc = LookupDC(hdc);
  Surface dib;
  if (dc == nullptr || !DibSurface(info, bits, usage, dc, &dib)) return 0;
  if (bits == nullptr && Rop3UsesSource(RopIndex(rop))) return 0;
  if (wd == 0 || hd == 0 || ws == 0 || hs == 0) return 0;
  RECT dest = dc->ToSurface(RECT{xd, yd, xd + wd, yd + hd});
  // Source rectangles of bottom-up images are measured from the bottom-left corner.
  int sl = std::min(xs, xs + ws), st = std::min(ys, ys + hs);
  int aw = std::abs(ws), ah = std::abs(hs);
  int top = dib.top_down ? st : dib.height - st - ah;
  RECT src{sl, top, sl + aw, top + ah};
  if (!Rop3UsesSource(RopIndex(rop))) {
    RealBrush brush = RealizeBrush(*dc, dc->State().brush);
    if (brush.null) brush = SolidBrush(0);
    PatArea(*dc, Region(dest), brush, RopIndex(rop));
    return dib.height;
  }
  return DibTransfer(*dc, dest, dib, src, (wd < 0) != (ws < 0), (hd < 0) != (hs < 0), rop) ? dib.height : 0;
}

}  // namespace plat
