#include "platform/gdi/DibAccess.h"

#include <cstdlib>
#include <cstring>

#include "platform/gdi/DeviceContext.h"

namespace plat {

namespace {

struct HeaderFacts {
  int width = 0;
  int height = 0;  // signed as stored
  int bpp = 0;
  DWORD compression = BI_RGB;
  size_t header_size = 0;
  size_t mask_bytes = 0;  // bit-field masks after the header
  size_t colors = 0;      // colour table entries present
  size_t entry_size = 4;
  bool core = false;
};

bool ReadFacts(const BITMAPINFO* info, UINT usage, HeaderFacts* f) {
  if (info == nullptr || (usage != DIB_RGB_COLORS && usage != DIB_PAL_COLORS)) return false;
  DWORD size;
  std::memcpy(&size, info, 4);
  if (size == 12) {
    BITMAPCOREHEADER core;
    std::memcpy(static_cast<void*>(&core), info, sizeof core);
    f->core = true;
    f->width = core.bcWidth;
    f->height = core.bcHeight;
    f->bpp = core.bcBitCount;
    f->header_size = 12;
    f->entry_size = usage == DIB_PAL_COLORS ? 2 : 3;
    f->colors = f->bpp <= 8 ? size_t{1} << f->bpp : 0;
  } else if (DibHeaderSizeValid(size, BI_RGB)) {
    const BITMAPINFOHEADER& h = info->bmiHeader;
    f->width = h.biWidth;
    f->height = h.biHeight;
    f->bpp = h.biBitCount;
    f->compression = h.biCompression;
    f->header_size = size;
    f->entry_size = usage == DIB_PAL_COLORS ? 2 : 4;
    if (f->compression == BI_BITFIELDS) {
      if ((f->bpp != 16 && f->bpp != 32) || !DibHeaderSizeValid(size, f->compression)) return false;
      f->mask_bytes = DibMaskBytesAfterHeader(size, f->compression);
    } else if (f->compression != BI_RGB) {
      return false;  // compressed images are refused
    }
    size_t max_colors = f->bpp <= 8 ? size_t{1} << f->bpp : 256;
    if (h.biClrUsed > max_colors) return false;
    f->colors = h.biClrUsed != 0 ? h.biClrUsed : (f->bpp <= 8 ? size_t{1} << f->bpp : 0);
  } else {
    return false;
  }
  if (f->bpp != 1 && f->bpp != 4 && f->bpp != 8 && f->bpp != 16 && f->bpp != 24 && f->bpp != 32) return false;
  // The core header has no 16- or 32-bit form; the engine and the BMP reader refuse it too.
  if (f->core && (f->bpp == 16 || f->bpp == 32)) return false;
  if (f->width <= 0 || f->height == 0 || f->height == INT32_MIN) return false;
  int64_t stride = DibStride(f->width, f->bpp);
  if (stride * std::abs(static_cast<int64_t>(f->height)) > (int64_t{1} << 30)) return false;
  return true;
}

}  // namespace

size_t DibHeaderBytes(const BITMAPINFO* info, UINT usage) {
  HeaderFacts f;
  if (!ReadFacts(info, usage, &f)) return 0;
  return f.header_size + f.mask_bytes + f.colors * f.entry_size;
}

bool DibSurface(const BITMAPINFO* info, const void* bits, UINT usage, DeviceContext* dc, Surface* out) {
  HeaderFacts f;
  if (!ReadFacts(info, usage, &f)) return false;
  Surface s;
  s.width = f.width;
  s.height = std::abs(f.height);
  s.top_down = f.height < 0;
  s.bits_per_pixel = f.bpp;
  s.stride = DibStride(f.width, f.bpp);
  s.bits = static_cast<uint8_t*>(const_cast<void*>(bits));
  const uint8_t* base = reinterpret_cast<const uint8_t*>(info);
  const uint8_t* table = base + f.header_size + f.mask_bytes;
  if (f.bpp <= 8) {
    s.colors.assign(size_t{1} << f.bpp, RGBQUAD{});
    const PaletteObject* palette = nullptr;
    if (usage == DIB_PAL_COLORS) {
      HPALETTE h =
          dc != nullptr ? dc->State().palette : static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE));
      palette = LookupAs<PaletteObject>(h, OBJ_PAL);
    }
    for (size_t i = 0; i < f.colors && i < s.colors.size(); ++i) {
      const uint8_t* e = table + i * f.entry_size;
      if (usage == DIB_PAL_COLORS) {
        WORD index = static_cast<WORD>(e[0] | (e[1] << 8));
        if (palette != nullptr && index < palette->entries.size()) {
          const PALETTEENTRY& pe = palette->entries[index];
          s.colors[i] = RGBQUAD{pe.peBlue, pe.peGreen, pe.peRed, 0};
        }
      } else {
        s.colors[i] = RGBQUAD{e[0], e[1], e[2], 0};
      }
    }
  } else if (f.bpp == 16 || f.bpp == 32) {
    if (f.compression == BI_BITFIELDS) {
      std::memcpy(s.masks, base + kDibMaskOffset, kDibMaskBytes);
    } else if (f.bpp == 16) {
      s.masks[0] = 0x7C00;
      s.masks[1] = 0x03E0;
      s.masks[2] = 0x001F;
    }
  }
  *out = std::move(s);
  return true;
}

}  // namespace plat
