#include "engine/MMDIB.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "engine/MMUtils.h"
#include "platform/gdi/DibAccess.h"

namespace engine {

namespace {

// The largest image the layer draws; also keeps every size sum far from overflow.
constexpr uint64_t kMaxImageBytes = uint64_t{1} << 30;

// The header fields every routine needs, read without assuming alignment.
struct Header {
  uint32_t size = 0;
  bool core = false;
  int32_t width = 0;
  int32_t height = 0;
  int32_t bits = 0;
  uint32_t compression = plat::BI_RGB;
  uint32_t size_image = 0;
  uint32_t clr_used = 0;
};

template <class T>
T At(const uint8_t* p, size_t offset) {
  T v;
  std::memcpy(&v, p + offset, sizeof v);
  return v;
}

// False when the header size is not one whose fields can be read: 12 (core)
// or 40..124 (the 40-byte layout, possibly extended). Which sizes can carry
// colour masks is the drawing layer's rule, checked in Validate.
bool ReadHeader(const void* dib, Header& h) {
  if (dib == nullptr) return false;
  const auto* p = static_cast<const uint8_t*>(dib);
  h.size = At<uint32_t>(p, 0);
  if (h.size == sizeof(plat::BITMAPCOREHEADER)) {
    h.core = true;
    h.width = At<uint16_t>(p, 4);
    h.height = At<uint16_t>(p, 6);
    h.bits = At<uint16_t>(p, 10);
    return true;
  }
  if (!plat::DibHeaderSizeValid(h.size, plat::BI_RGB)) return false;
  h.width = At<int32_t>(p, 4);
  h.height = At<int32_t>(p, 8);
  h.bits = At<uint16_t>(p, 14);
  h.compression = At<uint32_t>(p, 16);
  h.size_image = At<uint32_t>(p, 20);
  h.clr_used = At<uint32_t>(p, 32);
  return true;
}

uint32_t NumColors(const Header& h) {
  if (h.clr_used != 0) return h.clr_used;
  return h.bits >= 1 && h.bits <= 8 ? 1u << h.bits : 0;
}

// Offsets within a DIB whose header is valid.
struct Layout {
  size_t table = 0;      // colour masks or colour table
  size_t colors_at = 0;  // colour table, past any colour masks
  size_t pixels = 0;     // first pixel row
  size_t image = 0;      // pixel bytes the block holds
  size_t colors = 0;
  size_t entry = 4;
};

bool Validate(const Header& h, Layout* out) {
  const bool core_bits = h.bits == 1 || h.bits == 4 || h.bits == 8 || h.bits == 24;
  const bool bits_ok = core_bits || (!h.core && (h.bits == 16 || h.bits == 32));
  if (!bits_ok) return false;
  size_t masks = 0;
  if (h.compression == plat::BI_BITFIELDS) {
    if ((h.bits != 16 && h.bits != 32) || !plat::DibHeaderSizeValid(h.size, h.compression)) return false;
    masks = plat::DibMaskBytesAfterHeader(h.size, h.compression);
  } else if (h.compression != plat::BI_RGB) {
    return false;  // run-length images are not drawn by the layer
  }
  const uint32_t max_colors = h.bits <= 8 ? 1u << h.bits : 256;
  if (h.clr_used > max_colors) return false;
  if (h.width <= 0 || h.height == 0 || h.height == INT32_MIN) return false;
  const uint64_t row = ((static_cast<uint64_t>(h.width) * static_cast<uint64_t>(h.bits) + 31) / 32) * 4;
  const uint64_t image = row * static_cast<uint64_t>(std::llabs(h.height));
  if (image > kMaxImageBytes) return false;
  // A stated image size smaller than the rows would cut the last rows off.
  if (h.size_image != 0 && h.size_image < image) return false;
  if (out != nullptr) {
    out->entry = h.core ? sizeof(plat::RGBTRIPLE) : sizeof(plat::RGBQUAD);
    out->colors = NumColors(h);
    out->table = h.size;
    out->colors_at = h.size + masks;
    out->pixels = out->colors_at + out->colors * out->entry;
    out->image = h.size_image != 0 ? h.size_image : static_cast<size_t>(image);
  }
  return true;
}

bool ValidLayout(const void* dib, Header& h, Layout& l) { return ReadHeader(dib, h) && Validate(h, &l); }

// The 16 standard colours in table order.
constexpr plat::RGBQUAD kStandardColors[16] = {
    {0, 0, 0, 0},       {0, 0, 128, 0},   {0, 128, 0, 0},   {0, 128, 128, 0},
    {128, 0, 0, 0},     {128, 0, 128, 0}, {128, 128, 0, 0}, {192, 192, 192, 0},
    {128, 128, 128, 0}, {0, 0, 255, 0},   {0, 255, 0, 0},   {0, 255, 255, 0},
    {255, 0, 0, 0},     {255, 0, 255, 0}, {255, 255, 0, 0}, {255, 255, 255, 0},
};

// The static colours of a 256-colour system palette, used without a palette display.
constexpr plat::PALETTEENTRY kStaticLow[10] = {
    {0, 0, 0, 0},     {128, 0, 0, 0},   {0, 128, 0, 0},     {128, 128, 0, 0},   {0, 0, 128, 0},
    {128, 0, 128, 0}, {0, 128, 128, 0}, {192, 192, 192, 0}, {192, 220, 192, 0}, {166, 202, 240, 0},
};
constexpr plat::PALETTEENTRY kStaticHigh[10] = {
    {255, 251, 240, 0}, {160, 160, 164, 0}, {128, 128, 128, 0}, {255, 0, 0, 0},   {0, 255, 0, 0},
    {255, 255, 0, 0},   {0, 0, 255, 0},     {255, 0, 255, 0},   {0, 255, 255, 0}, {255, 255, 255, 0},
};

// The DC that stands for the display: the caller's, or one made for the screen.
class ReferenceDC {
 public:
  explicit ReferenceDC(plat::HDC given) : dc_(given), own_(given == nullptr) {
    if (own_) dc_ = plat::CreateCompatibleDC(nullptr);
  }
  ~ReferenceDC() {
    if (own_ && dc_ != nullptr) plat::DeleteDC(dc_);
  }
  ReferenceDC(const ReferenceDC&) = delete;
  ReferenceDC& operator=(const ReferenceDC&) = delete;
  plat::HDC get() const { return dc_; }

 private:
  plat::HDC dc_;
  bool own_;
};

plat::LOGPALETTE* AllocLogPalette(size_t entries) {
  const size_t bytes =
      offsetof(plat::LOGPALETTE, palPalEntry) + std::max<size_t>(entries, 1) * sizeof(plat::PALETTEENTRY);
  auto* palette = static_cast<plat::LOGPALETTE*>(GlobalAllocZeroed(bytes));
  palette->palVersion = 0x300;
  palette->palNumEntries = static_cast<plat::WORD>(entries);
  return palette;
}

plat::HPALETTE PaletteFor(const uint8_t* base, const Header& h, const Layout& l, plat::HDC reference) {
  if (l.colors > 0) {
    TGlobalPtr<plat::LOGPALETTE> palette(AllocLogPalette(l.colors));
    plat::PALETTEENTRY* entries = palette->palPalEntry;
    ReferenceDC dc(reference);
    const int system_size = plat::GetDeviceCaps(dc.get(), plat::SIZEPALETTE);
    if (l.colors == 16 && system_size >= 16) {
      // The system palette's static colours keep a 16-colour picture exact.
      plat::GetSystemPaletteEntries(dc.get(), 0, 8, entries);
      plat::GetSystemPaletteEntries(dc.get(), static_cast<plat::UINT>(system_size - 8), 8, entries + 8);
      for (int i = 0; i < 16; ++i) entries[i].peFlags = 0;
    } else {
      const uint8_t* table = base + l.colors_at;
      for (size_t i = 0; i < l.colors; ++i) {
        const uint8_t* e = table + i * l.entry;
        entries[i] = plat::PALETTEENTRY{e[2], e[1], e[0], 0};
      }
    }
    return plat::CreatePalette(palette.get());
  }
  if (h.bits == 24) {
    TGlobalPtr<plat::LOGPALETTE> palette(AllocLogPalette(256));
    for (int i = 0; i < 256; ++i)
      palette->palPalEntry[i] = plat::PALETTEENTRY{static_cast<plat::BYTE>(32 * (i % 8)),
                                                   static_cast<plat::BYTE>(32 * ((i / 8) % 8)),
                                                   static_cast<plat::BYTE>(64 * (i / 64)), 0};
    return plat::CreatePalette(palette.get());
  }
  return nullptr;
}

bool DrawStretched(const uint8_t* base, const Header& h, const Layout& l, plat::HDC dc,
                   const plat::RECT& rect) {
  plat::HPALETTE palette = PaletteFor(base, h, l, nullptr);
  plat::HPALETTE old = nullptr;
  if (palette != nullptr) {
    old = plat::SelectPalette(dc, palette, plat::FALSE);
    plat::RealizePalette(dc);
  }
  plat::SetStretchBltMode(dc, plat::COLORONCOLOR);
  const int done = plat::StretchDIBits(dc, rect.left, rect.top, rect.right - rect.left,
                                       rect.bottom - rect.top, 0, 0, h.width, std::abs(h.height),
                                       base + l.pixels, reinterpret_cast<const plat::BITMAPINFO*>(base),
                                       plat::DIB_RGB_COLORS, plat::SRCCOPY);
  if (palette != nullptr) {
    plat::SelectPalette(dc, old, plat::FALSE);
    plat::DeleteObject(palette);
  }
  return done != 0 && static_cast<plat::DWORD>(done) != plat::GDI_ERROR;
}

}  // namespace

bool IsWin3DIB(const void* dib) {
  return dib != nullptr &&
         At<uint32_t>(static_cast<const uint8_t*>(dib), 0) == sizeof(plat::BITMAPINFOHEADER);
}

int32_t DIBRowBytes(int32_t bits) {
  if (bits <= 0) return 0;
  return static_cast<int32_t>(((static_cast<int64_t>(bits) + 31) & ~int64_t{31}) / 8);
}

int32_t DIBWidth(const void* dib) {
  Header h;
  return ReadHeader(dib, h) ? h.width : 0;
}

int32_t DIBHeight(const void* dib) {
  Header h;
  return ReadHeader(dib, h) ? h.height : 0;
}

int32_t DIBBitCount(const void* dib) {
  Header h;
  return ReadHeader(dib, h) ? h.bits : 0;
}

uint32_t DIBNumColors(const void* dib) {
  Header h;
  return ReadHeader(dib, h) ? NumColors(h) : 0;
}

size_t DIBSize(const void* dib) {
  Header h;
  Layout l;
  return ValidLayout(dib, h, l) ? l.pixels + l.image : 0;
}

const plat::RGBQUAD* DIBColorTable(const void* dib) {
  Header h;
  Layout l;
  if (!ValidLayout(dib, h, l)) return nullptr;
  return reinterpret_cast<const plat::RGBQUAD*>(static_cast<const uint8_t*>(dib) + l.table);
}

plat::RGBQUAD* DIBColorTable(void* dib) {
  return const_cast<plat::RGBQUAD*>(DIBColorTable(static_cast<const void*>(dib)));
}

const uint8_t* DIBBits(const void* dib) {
  Header h;
  Layout l;
  if (!ValidLayout(dib, h, l)) return nullptr;
  return static_cast<const uint8_t*>(dib) + l.pixels;
}

uint8_t* DIBBits(void* dib) { return const_cast<uint8_t*>(DIBBits(static_cast<const void*>(dib))); }

bool DIBHeaderValid(const void* dib) {
  Header h;
  return ReadHeader(dib, h) && Validate(h, nullptr);
}

bool DIBCheck(const void* dib, size_t size) {
  if (dib == nullptr || size < sizeof(uint32_t)) return false;
  const uint32_t header_size = At<uint32_t>(static_cast<const uint8_t*>(dib), 0);
  if (size < header_size) return false;
  Header h;
  Layout l;
  return ValidLayout(dib, h, l) && l.pixels <= size && l.image <= size - l.pixels;
}

plat::BITMAPINFO* CreateDIBHeader(int32_t bits, int32_t direction, int32_t width, int32_t height,
                                  bool with_bits) {
  width = std::max(width, 1);
  height = std::max(height, 1);
  // Only bit counts a DIB can have: the ones up to 8 round up to 1, 4 or 8.
  if (bits <= 1)
    bits = 1;
  else if (bits <= 4)
    bits = 4;
  else if (bits <= 8)
    bits = 8;
  else
    bits = 24;
  uint64_t image = 0;
  if (with_bits) {
    const uint64_t row = ((static_cast<uint64_t>(width) * static_cast<uint64_t>(bits) + 31) / 32) * 4;
    image = row * static_cast<uint64_t>(height);
    if (image > kMaxImageBytes) RaiseOutOfMemory();
  }
  constexpr size_t kTableBytes = 256 * sizeof(plat::RGBQUAD);
  auto* block =
      static_cast<uint8_t*>(GlobalAllocZeroed(sizeof(plat::BITMAPINFOHEADER) + kTableBytes + image));
  auto* info = reinterpret_cast<plat::BITMAPINFO*>(block);
  plat::BITMAPINFOHEADER& h = info->bmiHeader;
  h.biSize = sizeof(plat::BITMAPINFOHEADER);
  h.biWidth = width;
  h.biHeight = direction < 0 ? -height : height;
  h.biPlanes = 1;
  h.biBitCount = static_cast<plat::WORD>(bits);
  h.biCompression = plat::BI_RGB;
  h.biSizeImage = static_cast<plat::DWORD>(image);
  h.biClrUsed = bits == 4 ? 16 : bits == 8 ? 256 : 0;
  auto* table = reinterpret_cast<plat::RGBQUAD*>(block + sizeof(plat::BITMAPINFOHEADER));
  for (plat::DWORD i = 0; i < h.biClrUsed; ++i) table[i] = kStandardColors[i % 16];
  return info;
}

plat::LOGPALETTE* CreateSystemLogPalette(plat::HDC reference) {
  plat::LOGPALETTE* palette = AllocLogPalette(256);
  plat::PALETTEENTRY* entries = palette->palPalEntry;
  ReferenceDC dc(reference);
  const bool palette_display = (plat::GetDeviceCaps(dc.get(), plat::RASTERCAPS) & plat::RC_PALETTE) != 0 &&
                               plat::GetDeviceCaps(dc.get(), plat::SIZEPALETTE) <= 256;
  if (palette_display && plat::GetSystemPaletteEntries(dc.get(), 0, 10, entries) == 10 &&
      plat::GetSystemPaletteEntries(dc.get(), 246, 10, entries + 246) == 10) {
    for (int i : {0, 246})
      for (int k = 0; k < 10; ++k) entries[i + k].peFlags = 0;
    return palette;
  }
  std::copy(std::begin(kStaticLow), std::end(kStaticLow), entries);
  std::copy(std::begin(kStaticHigh), std::end(kStaticHigh), entries + 246);
  return palette;
}

plat::HPALETTE CreateDIBPalette(const void* dib, plat::HDC reference) {
  Header h;
  Layout l;
  if (!ValidLayout(dib, h, l)) return nullptr;
  return PaletteFor(static_cast<const uint8_t*>(dib), h, l, reference);
}

plat::HPALETTE CreateDIBPalette(const void* dib, size_t size, plat::HDC reference) {
  if (!DIBCheck(dib, size)) return nullptr;
  return CreateDIBPalette(dib, reference);
}

bool StretchDrawDIB(const void* dib, plat::HDC dc, const plat::RECT& rect) {
  Header h;
  Layout l;
  if (!ValidLayout(dib, h, l)) return false;
  return DrawStretched(static_cast<const uint8_t*>(dib), h, l, dc, rect);
}

bool StretchDrawDIB(const void* dib, size_t size, plat::HDC dc, const plat::RECT& rect) {
  if (!DIBCheck(dib, size)) return false;
  return StretchDrawDIB(dib, dc, rect);
}

}  // namespace engine
