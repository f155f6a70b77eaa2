#pragma once
// The graphics object table: every pen, brush, bitmap, palette, region and font
// lives behind a handle that is never reused. All graphics state is guarded by
// one recursive lock; code inside the layer takes it with GdiLock before it
// looks anything up, and keeps it while it uses what it found.
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

#include "platform/gdi/Gdi.h"
#include "platform/gdi/Region.h"
#include "platform/gdi/Surface.h"

namespace plat {

std::recursive_mutex& GdiMutex();
class GdiLock {
 public:
  GdiLock() : lock_(GdiMutex()) {}

 private:
  std::unique_lock<std::recursive_mutex> lock_;
};

// Base of every object kind. Other units (fonts) derive their own kinds and
// register them with RegisterGdiObject.
class GdiObject {
 public:
  virtual ~GdiObject() = default;
  virtual DWORD Type() const = 0;  // OBJ_PEN, OBJ_BRUSH, ...
  // GetObject for this kind: copies up to `size` bytes, returns the bytes
  // written, or the size needed when out is null; 0 on failure.
  virtual int Describe(int size, void* out) const = 0;
  bool stock = false;
};

HGDIOBJ RegisterGdiObject(std::shared_ptr<GdiObject> object);
// The object behind a handle, or null; the caller holds GdiLock.
GdiObject* LookupGdiObject(HGDIOBJ handle);
template <class T>
T* LookupAs(HGDIOBJ handle, DWORD type) {
  GdiObject* o = LookupGdiObject(handle);
  return o != nullptr && o->Type() == type ? static_cast<T*>(o) : nullptr;
}
// Puts an object behind a stock handle; the text unit fills in the stock fonts
// this way (they start as placeholders that select like fonts but draw nothing).
void SetStockObjectImpl(int index, std::shared_ptr<GdiObject> object);
// Stock index of a handle, or -1.
int StockIndexOf(HGDIOBJ handle);

class PenObject : public GdiObject {
 public:
  DWORD Type() const override { return OBJ_PEN; }
  int Describe(int size, void* out) const override;
  LOGPEN pen;
  int Style() const { return static_cast<int>(pen.lopnStyle & PS_STYLE_MASK); }
  int Width() const { return pen.lopnWidth.x < 1 ? 1 : pen.lopnWidth.x; }
};

class BrushObject : public GdiObject {
 public:
  DWORD Type() const override { return OBJ_BRUSH; }
  int Describe(int size, void* out) const override;
  LOGBRUSH brush;
  // Pattern brushes keep their own copy of the pattern as colours; a
  // monochrome pattern keeps bits (true = 1) and takes the DC's colours.
  int pattern_width = 0;
  int pattern_height = 0;
  bool pattern_mono = false;
  std::vector<COLORREF> pattern_colors;
  std::vector<bool> pattern_bits;
};

class PaletteObject : public GdiObject {
 public:
  DWORD Type() const override { return OBJ_PAL; }
  int Describe(int size, void* out) const override;
  // Nearest entry of a colour, remembered for the last few colours asked:
  // displays ask for the same handful of colours many times a pass.
  UINT Nearest(COLORREF rgb) const;
  // Every writer of `entries` calls this after changing them.
  void EntriesChanged() { remembered_ = next_ = 0; }
  std::vector<PALETTEENTRY> entries;

 private:
  static constexpr size_t kRemembered = 8;
  mutable std::pair<COLORREF, UINT> recent_[kRemembered];
  mutable size_t remembered_ = 0;  // entries of recent_ in use
  mutable size_t next_ = 0;        // the one replaced next
};

class RegionObject : public GdiObject {
 public:
  DWORD Type() const override { return OBJ_REGION; }
  int Describe(int, void*) const override { return 0; }
  Region region;
};

class BitmapObject : public GdiObject {
 public:
  DWORD Type() const override { return OBJ_BITMAP; }
  int Describe(int size, void* out) const override;
  Surface surface;
  std::unique_ptr<uint8_t[]> storage;  // stays at one address for the bitmap's life
  bool dib_section = false;
  BITMAPINFOHEADER dib_header;  // DIB sections: the header they were made from
  HDC selected_in = nullptr;    // bitmaps are selected into one DC at most
};

// Font placeholder until the text unit installs its own stock fonts.
class StubFontObject : public GdiObject {
 public:
  DWORD Type() const override { return OBJ_FONT; }
  int Describe(int, void*) const override { return 0; }
};

// Makes a bitmap object with zeroed, DWORD-aligned storage. Returns null for
// sizes that would overflow or are not positive.
std::shared_ptr<BitmapObject> MakeBitmapObject(int width, int height, int bits_per_pixel, bool top_down);

}  // namespace plat
