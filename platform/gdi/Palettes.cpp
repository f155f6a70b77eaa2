// Logical palettes and the system palette of 8-bit displays. The screen is
// normally 32-bit, where palettes only describe colours; a window surface of
// 8 bits takes its colour table from the system palette when a palette is
// realised or animated on it.
#include <algorithm>
#include <map>
#include <utility>

#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/HandleValues.h"

namespace plat {

namespace {

struct SystemPalette {
  PALETTEENTRY entries[256];
  // Logical palette -> system slot of each entry, from the last realisation.
  std::map<uintptr_t, std::vector<int>> slots;

  SystemPalette() {
    for (int i = 0; i < 10; ++i) {
      entries[i] = StaticColors()[i];
      entries[246 + i] = StaticColors()[10 + i];
    }
  }
};

SystemPalette& System() {
  static SystemPalette* p = new SystemPalette;
  return *p;
}

// 8-bit window surfaces show the system palette.
void PublishSystemPalette() {
  const SystemPalette& sys = System();
  for (DeviceContext* dc : AllDCs()) {
    if (dc->GetKind() != DeviceContext::Kind::Surface) continue;
    Surface* s = dc->GetSurface();
    if (s == nullptr || s->bits_per_pixel != 8) continue;
    s->colors.resize(256);
    for (int i = 0; i < 256; ++i)
      s->colors[i] = RGBQUAD{sys.entries[i].peBlue, sys.entries[i].peGreen, sys.entries[i].peRed, 0};
  }
}

}  // namespace

HPALETTE CreatePalette(const LOGPALETTE* lp) {
  if (lp == nullptr || lp->palVersion != 0x300 || lp->palNumEntries == 0) return nullptr;
  auto pal = std::make_shared<PaletteObject>();
  pal->entries.assign(lp->palPalEntry, lp->palPalEntry + lp->palNumEntries);
  return static_cast<HPALETTE>(RegisterGdiObject(pal));
}

HPALETTE CreateHalftonePalette(HDC) {
  auto pal = std::make_shared<PaletteObject>();
  for (const RGBQUAD& q : DefaultColorTable(8))
    pal->entries.push_back(PALETTEENTRY{q.rgbRed, q.rgbGreen, q.rgbBlue, 0});
  return static_cast<HPALETTE>(RegisterGdiObject(pal));
}

HPALETTE SelectPalette(HDC hdc, HPALETTE palette, BOOL) {
  GdiLock lock;
  DeviceContext* dc = LookupDC(hdc);
  if (dc == nullptr || LookupAs<PaletteObject>(palette, OBJ_PAL) == nullptr) return nullptr;
  return std::exchange(dc->State().palette, palette);
}

UINT RealizePalette(HDC hdc) {
  GdiLock lock;
  DeviceContext* dc = LookupDC(hdc);
  if (dc == nullptr) return GDI_ERROR;
  auto* pal = LookupAs<PaletteObject>(dc->State().palette, OBJ_PAL);
  if (pal == nullptr) return GDI_ERROR;
  if (dc->DeviceBits() != 8 || pal->stock) return 0;
  // Foreground realisation: the palette's entries take the free slots 10..245 in order.
  SystemPalette& sys = System();
  std::vector<int>& slots = sys.slots[HandleValue(dc->State().palette)];
  slots.assign(pal->entries.size(), -1);
  UINT mapped = 0;
  for (size_t i = 0; i < pal->entries.size(); ++i) {
    int slot = 10 + static_cast<int>(i);
    if (slot > 245) {
      const PALETTEENTRY& e = pal->entries[i];
      slots[i] = static_cast<int>(NearestIndex(sys.entries, 256, RGB(e.peRed, e.peGreen, e.peBlue)));
      continue;
    }
    sys.entries[slot] = pal->entries[i];
    sys.entries[slot].peFlags = 0;
    slots[i] = slot;
    ++mapped;
  }
  PublishSystemPalette();
  return mapped;
}

UINT GetNearestPaletteIndex(HPALETTE palette, COLORREF color) {
  GdiLock lock;
  auto* pal = LookupAs<PaletteObject>(palette, OBJ_PAL);
  if (pal == nullptr || pal->entries.empty()) return CLR_INVALID;
  return pal->Nearest(color & 0x00FFFFFFu);
}

COLORREF GetNearestColor(HDC hdc, COLORREF color) {
  GdiLock lock;
  DeviceContext* dc = LookupDC(hdc);
  Surface* s = dc != nullptr ? dc->GetSurface() : nullptr;
  if (s == nullptr) return CLR_INVALID;
  return s->ToColor(dc->PixelValue(color));
}

UINT GetPaletteEntries(HPALETTE palette, UINT start, UINT count, PALETTEENTRY* entries) {
  GdiLock lock;
  auto* pal = LookupAs<PaletteObject>(palette, OBJ_PAL);
  if (pal == nullptr) return 0;
  UINT size = static_cast<UINT>(pal->entries.size());
  if (entries == nullptr) return size;
  if (start >= size) return 0;
  UINT n = std::min(count, size - start);
  std::copy_n(pal->entries.begin() + start, n, entries);
  return n;
}

UINT SetPaletteEntries(HPALETTE palette, UINT start, UINT count, const PALETTEENTRY* entries) {
  GdiLock lock;
  auto* pal = LookupAs<PaletteObject>(palette, OBJ_PAL);
  if (pal == nullptr || entries == nullptr || pal->stock) return 0;
  UINT size = static_cast<UINT>(pal->entries.size());
  if (start >= size) return 0;
  UINT n = std::min(count, size - start);
  std::copy_n(entries, n, pal->entries.begin() + start);
  pal->EntriesChanged();
  return n;
}

BOOL ResizePalette(HPALETTE palette, UINT count) {
  GdiLock lock;
  auto* pal = LookupAs<PaletteObject>(palette, OBJ_PAL);
  if (pal == nullptr || pal->stock || count == 0 || count > 1024) return FALSE;
  pal->entries.resize(count);
  pal->EntriesChanged();
  return TRUE;
}

BOOL AnimatePalette(HPALETTE palette, UINT start, UINT count, const PALETTEENTRY* entries) {
  GdiLock lock;
  auto* pal = LookupAs<PaletteObject>(palette, OBJ_PAL);
  if (pal == nullptr || entries == nullptr || pal->stock) return FALSE;
  UINT size = static_cast<UINT>(pal->entries.size());
  if (start >= size) return FALSE;
  UINT n = std::min(count, size - start);
  SystemPalette& sys = System();
  auto realized = sys.slots.find(HandleValue(palette));
  bool changed_screen = false;
  // Only entries reserved for animation change; pixels keep their indices.
  for (UINT i = 0; i < n; ++i) {
    PALETTEENTRY& e = pal->entries[start + i];
    if (!(e.peFlags & PC_RESERVED)) continue;
    e = entries[i];
    if (realized != sys.slots.end() && start + i < realized->second.size()) {
      int slot = realized->second[start + i];
      if (slot >= 10 && slot <= 245) {
        sys.entries[slot] = PALETTEENTRY{e.peRed, e.peGreen, e.peBlue, 0};
        changed_screen = true;
      }
    }
  }
  pal->EntriesChanged();
  if (changed_screen) PublishSystemPalette();
  return TRUE;
}

UINT GetSystemPaletteEntries(HDC hdc, UINT start, UINT count, PALETTEENTRY* entries) {
  GdiLock lock;
  if (hdc != nullptr && LookupDC(hdc) == nullptr) return 0;
  if (entries == nullptr) return 256;
  if (start >= 256) return 0;
  UINT n = std::min<UINT>(count, 256 - start);
  std::copy_n(System().entries + start, n, entries);
  return n;
}

UINT GetSystemPaletteUse(HDC) { return SYSPAL_STATIC; }

}  // namespace plat
