// Bitmaps and DIB sections, and the copies between bitmaps and DIB memory.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/DibAccess.h"
#include "platform/gdi/HandleValues.h"

namespace plat {

namespace {

// Converts pixel values between two surfaces by colour, with a table for
// indexed sources and a straight copy when the formats agree.
class PixelMapper {
 public:
  PixelMapper(const Surface& src, const Surface& dst) : src_(src), dst_(dst) {
    bool same = src.bits_per_pixel == dst.bits_per_pixel &&
                std::equal(std::begin(src.masks), std::end(src.masks), std::begin(dst.masks));
    if (same && src.Indexed()) {
      for (size_t i = 0; i < src.colors.size() && same; ++i)
        same = i < dst.colors.size() && ColorFromQuad(src.colors[i]) == ColorFromQuad(dst.colors[i]);
    }
    identity_ = same;
    if (!identity_ && src.Indexed())
      for (const RGBQUAD& q : src.colors) lut_.push_back(dst.FromColor(ColorFromQuad(q)));
  }
  uint32_t operator()(uint32_t v) const {
    if (identity_) return v;
    if (!lut_.empty()) return v < lut_.size() ? lut_[v] : 0;
    return dst_.FromColor(src_.ToColor(v));
  }

 private:
  const Surface& src_;
  const Surface& dst_;
  bool identity_ = false;
  std::vector<uint32_t> lut_;
};

HBITMAP Register(std::shared_ptr<BitmapObject> bm) {
  if (!bm) return nullptr;
  return static_cast<HBITMAP>(RegisterGdiObject(std::move(bm)));
}

std::shared_ptr<BitmapObject> MonoBitmap(int width, int height) {
  auto bm = MakeBitmapObject(width, height, 1, true);
  if (bm) bm->surface.monochrome = true;
  return bm;
}

// Row of a DIB by its scan-line number (0 = bottom for bottom-up images).
int ImageRowOfScan(const Surface& dib, int scan) { return dib.top_down ? scan : dib.height - 1 - scan; }

}  // namespace

HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bpp, const void* bits) {
  if (planes != 1) return nullptr;
  if (width == 0 || height == 0) return Register(MonoBitmap(1, 1));
  auto bm =
      bpp == 1 ? MonoBitmap(width, height) : MakeBitmapObject(width, height, static_cast<int>(bpp), true);
  if (!bm) return nullptr;
  if (bits != nullptr) {
    // Rows of device-dependent bitmaps come WORD-aligned.
    size_t in_stride = static_cast<size_t>((width * static_cast<int64_t>(bpp) + 15) / 16 * 2);
    for (int y = 0; y < height; ++y)
      std::memcpy(bm->surface.Row(y), static_cast<const uint8_t*>(bits) + in_stride * y,
                  std::min(in_stride, static_cast<size_t>(bm->surface.stride)));
  }
  return Register(bm);
}

HBITMAP CreateCompatibleBitmap(HDC hdc, int width, int height) {
  GdiLock lock;
  DeviceContext* dc = LookupDC(hdc);
  if (dc == nullptr) return nullptr;
  if (width <= 0 || height <= 0) return Register(MonoBitmap(1, 1));
  // A memory DC makes bitmaps like the one selected into it (monochrome while
  // it still holds its default bitmap); other DCs like their device.
  const Surface* like = dc->GetSurface();
  int bpp = like != nullptr ? like->bits_per_pixel : dc->DeviceBits();
  if (like != nullptr && like->monochrome) return Register(MonoBitmap(width, height));
  auto bm = MakeBitmapObject(width, height, bpp, true);
  if (!bm) return nullptr;
  if (like != nullptr) {
    if (like->Indexed()) bm->surface.colors = like->colors;
    std::copy(std::begin(like->masks), std::end(like->masks), std::begin(bm->surface.masks));
  }
  return Register(bm);
}

HBITMAP CreateDIBSection(HDC hdc, const BITMAPINFO* info, UINT usage, void** bits, HANDLE, DWORD) {
  GdiLock lock;
  if (bits != nullptr) *bits = nullptr;
  Surface layout;
  if (!DibSurface(info, nullptr, usage, LookupDC(hdc), &layout)) return nullptr;
  auto bm = MakeBitmapObject(layout.width, layout.height, layout.bits_per_pixel, layout.top_down);
  if (!bm) return nullptr;
  bm->surface.colors = layout.colors;
  std::copy(std::begin(layout.masks), std::end(layout.masks), std::begin(bm->surface.masks));
  bm->dib_section = true;
  BITMAPINFOHEADER& h = bm->dib_header;
  if (info->bmiHeader.biSize >= 40) {
    h = info->bmiHeader;
    h.biSize = 40;
  } else {
    h.biWidth = layout.width;
    h.biHeight = layout.height;
    h.biBitCount = static_cast<WORD>(layout.bits_per_pixel);
  }
  h.biSizeImage = static_cast<DWORD>(bm->surface.stride) * static_cast<DWORD>(layout.height);
  if (bits != nullptr) *bits = bm->surface.bits;
  return Register(bm);
}

HBITMAP CreateDIBitmap(HDC hdc, const BITMAPINFOHEADER* header, DWORD init, const void* bits,
                       const BITMAPINFO* info, UINT usage) {
  GdiLock lock;
  if (header == nullptr) return nullptr;
  int height = std::abs(header->biHeight);
  HBITMAP bm = CreateCompatibleBitmap(hdc, header->biWidth, height);
  if (bm != nullptr && (init & CBM_INIT) && bits != nullptr && info != nullptr)
    SetDIBits(hdc, bm, 0, static_cast<UINT>(height), bits, info, usage);
  return bm;
}

LONG GetBitmapBits(HBITMAP bitmap, LONG size, void* out) {
  GdiLock lock;
  auto* bm = LookupAs<BitmapObject>(bitmap, OBJ_BITMAP);
  if (bm == nullptr || out == nullptr || size <= 0) return 0;
  const Surface& s = bm->surface;
  size_t row = static_cast<size_t>((s.width * static_cast<int64_t>(s.bits_per_pixel) + 15) / 16 * 2);
  size_t done = 0;
  for (int y = 0; y < s.height && done + row <= static_cast<size_t>(size); ++y, done += row)
    std::memcpy(static_cast<uint8_t*>(out) + done, s.Row(y), row);
  return static_cast<LONG>(done);
}

LONG SetBitmapBits(HBITMAP bitmap, DWORD size, const void* in) {
  GdiLock lock;
  auto* bm = LookupAs<BitmapObject>(bitmap, OBJ_BITMAP);
  if (bm == nullptr || in == nullptr) return 0;
  Surface& s = bm->surface;
  size_t row = static_cast<size_t>((s.width * static_cast<int64_t>(s.bits_per_pixel) + 15) / 16 * 2);
  size_t done = 0;
  for (int y = 0; y < s.height && done + row <= size; ++y, done += row)
    std::memcpy(s.Row(y), static_cast<const uint8_t*>(in) + done, row);
  return static_cast<LONG>(done);
}

int SetDIBits(HDC hdc, HBITMAP bitmap, UINT start, UINT lines, const void* bits, const BITMAPINFO* info,
              UINT usage) {
  GdiLock lock;
  auto* bm = LookupAs<BitmapObject>(bitmap, OBJ_BITMAP);
  Surface dib;
  if (bm == nullptr || bits == nullptr || !DibSurface(info, bits, usage, LookupDC(hdc), &dib)) return 0;
  int count = static_cast<int>(std::min<UINT>(lines, static_cast<UINT>(dib.height)));
  if (start >= static_cast<UINT>(dib.height) || count <= 0) return 0;
  count = std::min(count, dib.height - static_cast<int>(start));
  // The bits hold `count` scan lines from `start` on.
  Surface band = dib;
  band.height = count;
  Surface& dst = bm->surface;
  PixelMapper map(band, dst);
  int width = std::min(dst.width, band.width);
  for (int i = 0; i < count; ++i) {
    int scan = static_cast<int>(start) + i;
    int band_row = dib.top_down ? i : count - 1 - i;
    int y = ImageRowOfScan(dib, scan);
    if (y < 0 || y >= dst.height) continue;
    for (int x = 0; x < width; ++x) dst.Put(x, y, map(band.Get(x, band_row)));
  }
  return count;
}

int GetDIBits(HDC hdc, HBITMAP bitmap, UINT start, UINT lines, void* bits, BITMAPINFO* info, UINT usage) {
  GdiLock lock;
  auto* bm = LookupAs<BitmapObject>(bitmap, OBJ_BITMAP);
  if (bm == nullptr || info == nullptr || info->bmiHeader.biSize < 40) return 0;
  const Surface& src = bm->surface;
  BITMAPINFOHEADER& h = info->bmiHeader;
  if (h.biBitCount == 0) {
    // Only the header is asked for: describe the bitmap itself.
    h.biWidth = src.width;
    h.biHeight = src.height;
    h.biPlanes = 1;
    h.biBitCount = static_cast<WORD>(src.bits_per_pixel);
    h.biCompression = src.bits_per_pixel == 16 ? BI_BITFIELDS : BI_RGB;
    h.biSizeImage =
        static_cast<DWORD>(DibStride(src.width, src.bits_per_pixel)) * static_cast<DWORD>(src.height);
    h.biClrUsed = 0;
    h.biClrImportant = 0;
    if (h.biCompression == BI_BITFIELDS) std::memcpy(reinterpret_cast<uint8_t*>(info) + 40, src.masks, 12);
    return src.height;
  }
  int bpp = h.biBitCount;
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) return 0;
  if (h.biCompression != BI_RGB && !(h.biCompression == BI_BITFIELDS && (bpp == 16 || bpp == 32))) return 0;
  bool top_down = h.biHeight < 0;
  h.biWidth = src.width;
  h.biHeight = top_down ? -src.height : src.height;
  h.biPlanes = 1;
  h.biSizeImage = static_cast<DWORD>(DibStride(src.width, bpp)) * static_cast<DWORD>(src.height);
  uint8_t* table = reinterpret_cast<uint8_t*>(info) + h.biSize;
  if (bpp <= 8) {
    h.biClrUsed = 0;
    // The bitmap's own table when depths agree, else the default table.
    std::vector<RGBQUAD> colors =
        src.bits_per_pixel == bpp && !src.colors.empty() ? src.colors : DefaultColorTable(bpp);
    if (usage == DIB_RGB_COLORS) std::memcpy(table, colors.data(), colors.size() * sizeof(RGBQUAD));
  } else if (h.biCompression == BI_BITFIELDS && h.biSize == 40) {
    uint32_t masks[3] = {bpp == 16 ? 0x7C00u : 0xFF0000u, bpp == 16 ? 0x03E0u : 0xFF00u,
                         bpp == 16 ? 0x001Fu : 0xFFu};
    uint32_t existing[3];
    std::memcpy(existing, table, 12);
    if (existing[0] == 0 && existing[1] == 0 && existing[2] == 0) std::memcpy(table, masks, 12);
  }
  if (bits == nullptr) return src.height;
  Surface dib;
  if (!DibSurface(info, bits, usage, LookupDC(hdc), &dib)) return 0;
  int count = static_cast<int>(std::min<UINT>(lines, static_cast<UINT>(src.height)));
  if (start >= static_cast<UINT>(src.height) || count <= 0) return 0;
  count = std::min(count, src.height - static_cast<int>(start));
  Surface band = dib;
  band.height = count;
  PixelMapper map(src, band);
  for (int i = 0; i < count; ++i) {
    int scan = static_cast<int>(start) + i;
    int band_row = top_down ? i : count - 1 - i;
    int y = top_down ? scan : src.height - 1 - scan;
    uint8_t* row = band.Row(band_row);
    std::memset(row, 0, static_cast<size_t>(band.stride));  // padding reads back as zeros
    for (int x = 0; x < src.width; ++x) band.Put(x, band_row, map(src.Get(x, y)));
  }
  return count;
}

UINT GetDIBColorTable(HDC hdc, UINT start, UINT count, RGBQUAD* colors) {
  GdiLock lock;
  DeviceContext* dc = LookupDC(hdc);
  if (dc == nullptr || colors == nullptr) return 0;
  auto* bm = LookupAs<BitmapObject>(dc->State().bitmap, OBJ_BITMAP);
  if (bm == nullptr || !bm->dib_section || !bm->surface.Indexed()) return 0;
  const auto& table = bm->surface.colors;
  if (start >= table.size()) return 0;
  UINT n = std::min<UINT>(count, static_cast<UINT>(table.size()) - start);
  std::copy_n(table.begin() + start, n, colors);
  return n;
}

UINT SetDIBColorTable(HDC hdc, UINT start, UINT count, const RGBQUAD* colors) {
  GdiLock lock;
  DeviceContext* dc = LookupDC(hdc);
  if (dc == nullptr || colors == nullptr) return 0;
  auto* bm = LookupAs<BitmapObject>(dc->State().bitmap, OBJ_BITMAP);
  if (bm == nullptr || !bm->dib_section || !bm->surface.Indexed()) return 0;
  auto& table = bm->surface.colors;
  if (start >= table.size()) return 0;
  UINT n = std::min<UINT>(count, static_cast<UINT>(table.size()) - start);
  std::copy_n(colors, n, table.begin() + start);
  return n;
}

}  // namespace plat
