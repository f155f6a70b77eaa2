#include "platform/gdi/GdiObjects.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>

#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/DibAccess.h"
#include "platform/gdi/HandleValues.h"

namespace plat {

namespace {

struct ObjectTable {
  std::unordered_map<uintptr_t, std::shared_ptr<GdiObject>> objects;
  uintptr_t stock[STOCK_LAST + 1] = {};
};

std::shared_ptr<PenObject> MakePen(UINT style, int width, COLORREF color) {
  auto pen = std::make_shared<PenObject>();
  pen->pen.lopnStyle = style;
  pen->pen.lopnWidth = POINT{width < 0 ? 0 : width, 0};
  pen->pen.lopnColor = color;
  return pen;
}

std::shared_ptr<BrushObject> MakeSolidBrush(COLORREF color) {
  auto brush = std::make_shared<BrushObject>();
  brush->brush = LOGBRUSH{BS_SOLID, color, 0};
  return brush;
}

ObjectTable& Table() {
  // Made on first use under the lock and never destroyed, so objects may still
  // be released by other units' shut-down code.
  static ObjectTable* table = [] {
    auto* t = new ObjectTable;
    auto add = [t](int index, std::shared_ptr<GdiObject> o) {
      o->stock = true;
      uintptr_t h = NextHandleValue();
      t->objects[h] = std::move(o);
      t->stock[index] = h;
    };
    add(WHITE_BRUSH, MakeSolidBrush(RGB(255, 255, 255)));
    add(LTGRAY_BRUSH, MakeSolidBrush(RGB(192, 192, 192)));
    add(GRAY_BRUSH, MakeSolidBrush(RGB(128, 128, 128)));
    add(DKGRAY_BRUSH, MakeSolidBrush(RGB(64, 64, 64)));
    add(BLACK_BRUSH, MakeSolidBrush(RGB(0, 0, 0)));
    auto null_brush = std::make_shared<BrushObject>();
    null_brush->brush = LOGBRUSH{BS_NULL, 0, 0};
    add(NULL_BRUSH, null_brush);
    add(WHITE_PEN, MakePen(PS_SOLID, 0, RGB(255, 255, 255)));
    add(BLACK_PEN, MakePen(PS_SOLID, 0, RGB(0, 0, 0)));
    add(NULL_PEN, MakePen(PS_NULL, 0, 0));
    for (int f : {OEM_FIXED_FONT, ANSI_FIXED_FONT, ANSI_VAR_FONT, SYSTEM_FONT, DEVICE_DEFAULT_FONT,
                  SYSTEM_FIXED_FONT, DEFAULT_GUI_FONT})
      add(f, std::make_shared<StubFontObject>());
    auto palette = std::make_shared<PaletteObject>();
    for (int i = 0; i < 20; ++i) palette->entries.push_back(StaticColors()[i]);
    add(DEFAULT_PALETTE, palette);
    // The DC brush and pen take their colour from the DC when used.
    add(DC_BRUSH, MakeSolidBrush(RGB(255, 255, 255)));
    add(DC_PEN, MakePen(PS_SOLID, 0, 0));
    return t;
  }();
  return *table;
}

bool SelectedAnywhere(HGDIOBJ handle) {
  auto uses = [handle](const DCState& s) {
    return s.bitmap == handle || s.pen == handle || s.brush == handle || s.font == handle ||
           s.palette == handle;
  };
  for (DeviceContext* dc : AllDCs()) {
    if (uses(dc->State())) return true;
    for (const DCState& s : dc->Saved())
      if (uses(s)) return true;
  }
  return false;
}

// 8x8 hatch cells; true marks the hatch line.
bool HatchBit(int hatch, int x, int y) {
  switch (hatch) {
    case HS_HORIZONTAL:
      return y == 7;
    case HS_VERTICAL:
      return x == 7;
    case HS_FDIAGONAL:
      return x == y;
    case HS_BDIAGONAL:
      return x + y == 7;
    case HS_CROSS:
      return x == 7 || y == 7;
    case HS_DIAGCROSS:
      return x == y || x + y == 7;
    default:
      return false;
  }
}

template <class T>
int CopyOut(const T& value, int size, void* out) {
  if (out == nullptr) return static_cast<int>(sizeof(T));
  int n = std::min<int>(size, sizeof(T));
  if (n <= 0) return 0;
  std::memcpy(out, &value, static_cast<size_t>(n));
  return n;
}

}  // namespace

std::recursive_mutex& GdiMutex() {
  static std::recursive_mutex* m = new std::recursive_mutex;
  return *m;
}

uintptr_t NextHandleValue() {
  // Handles are multiples of 16 from 0x10000 up: never reused, never mistaken
  // for the small system colour numbers callers pass as brushes.
  static uintptr_t next = 0x10000;
  GdiLock lock;
  next += 16;
  return next;
}

HGDIOBJ RegisterGdiObject(std::shared_ptr<GdiObject> object) {
  if (!object) return nullptr;
  GdiLock lock;
  uintptr_t h = NextHandleValue();
  Table().objects[h] = std::move(object);
  return HandleFrom<HGDIOBJ>(h);
}

GdiObject* LookupGdiObject(HGDIOBJ handle) {
  GdiLock lock;
  auto& objects = Table().objects;
  auto it = objects.find(HandleValue(handle));
  return it == objects.end() ? nullptr : it->second.get();
}

void SetStockObjectImpl(int index, std::shared_ptr<GdiObject> object) {
  if (index < 0 || index > STOCK_LAST || !object) return;
  GdiLock lock;
  ObjectTable& t = Table();
  if (t.stock[index] == 0) return;
  object->stock = true;
  t.objects[t.stock[index]] = std::move(object);
}

int StockIndexOf(HGDIOBJ handle) {
  GdiLock lock;
  ObjectTable& t = Table();
  for (int i = 0; i <= STOCK_LAST; ++i)
    if (t.stock[i] != 0 && t.stock[i] == HandleValue(handle)) return i;
  return -1;
}

HGDIOBJ GetStockObject(int index) {
  if (index < 0 || index > STOCK_LAST) return nullptr;
  GdiLock lock;
  return HandleFrom<HGDIOBJ>(Table().stock[index]);
}

BOOL DeleteObject(HGDIOBJ handle) {
  GdiLock lock;
  auto& objects = Table().objects;
  auto it = objects.find(HandleValue(handle));
  if (it == objects.end()) return FALSE;
  if (it->second->stock) return TRUE;
  // A selected object stays alive; callers deselect it first.
  if (it->second->Type() == OBJ_BITMAP &&
      static_cast<BitmapObject*>(it->second.get())->selected_in != nullptr)
    return FALSE;
  if (SelectedAnywhere(handle)) return FALSE;
  objects.erase(it);
  return TRUE;
}

int GetObject(HGDIOBJ handle, int size, void* out) {
  GdiLock lock;
  GdiObject* o = LookupGdiObject(handle);
  return o == nullptr ? 0 : o->Describe(size, out);
}

int PenObject::Describe(int size, void* out) const { return CopyOut(pen, size, out); }
int BrushObject::Describe(int size, void* out) const { return CopyOut(brush, size, out); }
int PaletteObject::Describe(int size, void* out) const {
  return CopyOut(static_cast<WORD>(entries.size()), size, out);
}

UINT PaletteObject::Nearest(COLORREF rgb) const {
  for (size_t i = 0; i < remembered_; ++i)
    if (recent_[i].first == rgb) return recent_[i].second;
  const UINT index = NearestIndex(entries.data(), entries.size(), rgb);
  recent_[next_] = {rgb, index};
  next_ = (next_ + 1) % kRemembered;
  remembered_ = std::min(remembered_ + 1, kRemembered);
  return index;
}

int BitmapObject::Describe(int size, void* out) const {
  BITMAP bm;
  bm.bmType = 0;
  bm.bmWidth = surface.width;
  bm.bmHeight = surface.height;
  bm.bmPlanes = 1;
  bm.bmBitsPixel = static_cast<WORD>(surface.bits_per_pixel);
  if (dib_section) {
    bm.bmWidthBytes = surface.stride;
    bm.bmBits = surface.bits;
    if (out == nullptr || size >= static_cast<int>(sizeof(DIBSECTION))) {
      DIBSECTION ds;
      ds.dsBm = bm;
      ds.dsBmih = dib_header;
      ds.dsBmih.biSizeImage = static_cast<DWORD>(surface.stride) * static_cast<DWORD>(surface.height);
      if (surface.bits_per_pixel == 16 || surface.bits_per_pixel == 32)
        for (int i = 0; i < 3; ++i) ds.dsBitfields[i] = surface.masks[i];
      return out == nullptr ? static_cast<int>(sizeof(DIBSECTION)) : CopyOut(ds, size, out);
    }
  } else {
    // Device-dependent bitmaps report WORD-aligned rows and no bits pointer.
    bm.bmWidthBytes = ((surface.width * surface.bits_per_pixel + 15) / 16) * 2;
  }
  return CopyOut(bm, size, out);
}

std::shared_ptr<BitmapObject> MakeBitmapObject(int width, int height, int bpp, bool top_down) {
  if (width <= 0 || height <= 0) return nullptr;
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) return nullptr;
  int64_t stride = (static_cast<int64_t>(width) * bpp + 31) / 32 * 4;
  int64_t bytes = stride * height;
  if (stride > (1 << 28) || bytes > (int64_t{1} << 30)) return nullptr;
  auto bm = std::make_shared<BitmapObject>();
  bm->storage.reset(new (std::nothrow) uint8_t[static_cast<size_t>(bytes)]());
  if (!bm->storage) return nullptr;
  Surface& s = bm->surface;
  s.width = width;
  s.height = height;
  s.bits_per_pixel = bpp;
  s.stride = static_cast<int>(stride);
  s.top_down = top_down;
  s.bits = bm->storage.get();
  if (bpp <= 8) s.colors = DefaultColorTable(bpp);
  if (bpp == 16) {
    s.masks[0] = 0x7C00;
    s.masks[1] = 0x03E0;
    s.masks[2] = 0x001F;
  }
  return bm;
}

// ---- pens and brushes --------------------------------------------------------

HPEN CreatePen(int style, int width, COLORREF color) {
  if ((style & PS_STYLE_MASK) > PS_INSIDEFRAME) return nullptr;
  return static_cast<HPEN>(RegisterGdiObject(MakePen(static_cast<UINT>(style), width, color)));
}

HPEN CreatePenIndirect(const LOGPEN* pen) {
  if (pen == nullptr) return nullptr;
  return CreatePen(static_cast<int>(pen->lopnStyle), pen->lopnWidth.x, pen->lopnColor);
}

HBRUSH CreateSolidBrush(COLORREF color) {
  return static_cast<HBRUSH>(RegisterGdiObject(MakeSolidBrush(color)));
}

HBRUSH CreateHatchBrush(int hatch, COLORREF color) {
  if (hatch < HS_HORIZONTAL || hatch > HS_DIAGCROSS) return nullptr;
  auto brush = std::make_shared<BrushObject>();
  brush->brush = LOGBRUSH{BS_HATCHED, color, static_cast<ULONG_PTR>(hatch)};
  brush->pattern_width = brush->pattern_height = 8;
  brush->pattern_mono = true;
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) brush->pattern_bits.push_back(HatchBit(hatch, x, y));
  return static_cast<HBRUSH>(RegisterGdiObject(brush));
}

HBRUSH CreatePatternBrush(HBITMAP bitmap) {
  GdiLock lock;
  auto* bm = LookupAs<BitmapObject>(bitmap, OBJ_BITMAP);
  if (bm == nullptr) return nullptr;
  const Surface& s = bm->surface;
  auto brush = std::make_shared<BrushObject>();
  brush->brush = LOGBRUSH{BS_PATTERN, 0, 0};
  brush->pattern_width = s.width;
  brush->pattern_height = s.height;
  brush->pattern_mono = s.monochrome;
  for (int y = 0; y < s.height; ++y)
    for (int x = 0; x < s.width; ++x) {
      uint32_t v = s.Get(x, y);
      if (s.monochrome)
        brush->pattern_bits.push_back(v != 0);
      else
        brush->pattern_colors.push_back(s.ToColor(v));
    }
  return static_cast<HBRUSH>(RegisterGdiObject(brush));
}

HBRUSH CreateDIBPatternBrushPt(const void* packed_dib, UINT usage) {
  GdiLock lock;
  auto* info = static_cast<const BITMAPINFO*>(packed_dib);
  size_t header_bytes = packed_dib == nullptr ? 0 : DibHeaderBytes(info, usage);
  Surface view;
  if (header_bytes == 0 ||
      !DibSurface(info, static_cast<const uint8_t*>(packed_dib) + header_bytes, usage, nullptr, &view))
    return nullptr;
  auto brush = std::make_shared<BrushObject>();
  brush->brush = LOGBRUSH{BS_DIBPATTERNPT, usage, 0};
  brush->pattern_width = view.width;
  brush->pattern_height = view.height;
  for (int y = 0; y < view.height; ++y)
    for (int x = 0; x < view.width; ++x) brush->pattern_colors.push_back(view.ToColor(view.Get(x, y)));
  return static_cast<HBRUSH>(RegisterGdiObject(brush));
}

HBRUSH CreateBrushIndirect(const LOGBRUSH* lb) {
  if (lb == nullptr) return nullptr;
  switch (lb->lbStyle) {
    case BS_SOLID:
      return CreateSolidBrush(lb->lbColor);
    case BS_NULL: {
      auto brush = std::make_shared<BrushObject>();
      brush->brush = LOGBRUSH{BS_NULL, 0, 0};
      return static_cast<HBRUSH>(RegisterGdiObject(brush));
    }
    case BS_HATCHED:
      return CreateHatchBrush(static_cast<int>(lb->lbHatch), lb->lbColor);
    case BS_PATTERN:
      return CreatePatternBrush(HandleFrom<HBITMAP>(lb->lbHatch));
    case BS_DIBPATTERNPT:
      return CreateDIBPatternBrushPt(reinterpret_cast<const void*>(lb->lbHatch), lb->lbColor);
    default:
      return nullptr;
  }
}

}  // namespace plat
