#include "platform/gdi/DeviceContext.h"

#include <algorithm>
#include <map>
#include <utility>

#include "platform/gdi/HandleValues.h"
#include "platform/gdi/Raster.h"

namespace plat {

namespace {

struct DCTable {
  std::map<uintptr_t, std::unique_ptr<DeviceContext>> dcs;
  SIZE screen{1280, 1024};
  HBITMAP default_bitmap = nullptr;
};

DCTable& Dcs() {
  static DCTable* t = new DCTable;
  return *t;
}

// Every memory DC starts with this shared 1x1 monochrome bitmap selected.
HBITMAP DefaultBitmap() {
  DCTable& t = Dcs();
  if (t.default_bitmap == nullptr) {
    auto bm = MakeBitmapObject(1, 1, 1, false);
    bm->surface.monochrome = true;
    bm->stock = true;
    t.default_bitmap = static_cast<HBITMAP>(RegisterGdiObject(bm));
  }
  return t.default_bitmap;
}

void InitState(DCState& s) {
  s.pen = static_cast<HPEN>(GetStockObject(BLACK_PEN));
  s.brush = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  s.font = static_cast<HFONT>(GetStockObject(SYSTEM_FONT));
  s.palette = static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE));
}

HDC AddDC(std::unique_ptr<DeviceContext> dc) {
  HDC h = dc->Handle();
  Dcs().dcs[HandleValue(h)] = std::move(dc);
  return h;
}

void SetBitmapOwner(HBITMAP bitmap, HDC owner) {
  if (bitmap == nullptr || bitmap == Dcs().default_bitmap) return;
  if (auto* bm = LookupAs<BitmapObject>(bitmap, OBJ_BITMAP)) bm->selected_in = owner;
}

// Runs f on the DC's state when the handle is valid; else returns `fail`.
template <class R, class F>
R WithDC(HDC hdc, R fail, F f) {
  GdiLock lock;
  DeviceContext* dc = LookupDC(hdc);
  return dc == nullptr ? fail : f(*dc, dc->State());
}

}  // namespace

DeviceContext* LookupDC(HDC hdc) {
  GdiLock lock;
  auto& dcs = Dcs().dcs;
  auto it = dcs.find(HandleValue(hdc));
  return it == dcs.end() ? nullptr : it->second.get();
}

std::vector<DeviceContext*> AllDCs() {
  GdiLock lock;
  std::vector<DeviceContext*> out;
  for (auto& [h, dc] : Dcs().dcs) out.push_back(dc.get());
  return out;
}

void SetScreenSize(int width, int height) {
  GdiLock lock;
  Dcs().screen = SIZE{width, height};
}

SIZE GetScreenSize() {
  GdiLock lock;
  return Dcs().screen;
}

// ---- DeviceContext -----------------------------------------------------------

Surface* DeviceContext::GetSurface() const {
  if (kind_ == Kind::Surface) return external_;
  auto* bm = LookupAs<BitmapObject>(state_.bitmap, OBJ_BITMAP);
  return bm == nullptr ? nullptr : &bm->surface;
}

int DeviceContext::DeviceBits() const {
  if (kind_ == Kind::Surface && external_ != nullptr) return external_->bits_per_pixel;
  return device_bits_;
}

POINT DeviceContext::ToDevice(POINT p) const {
  return POINT{p.x - state_.window_org.x + state_.viewport_org.x,
               p.y - state_.window_org.y + state_.viewport_org.y};
}

POINT DeviceContext::ToSurface(POINT p) const {
  POINT d = ToDevice(p);
  return POINT{d.x + origin_.x, d.y + origin_.y};
}

RECT DeviceContext::ToSurface(const RECT& r) const {
  POINT a = ToSurface(POINT{r.left, r.top});
  POINT b = ToSurface(POINT{r.right, r.bottom});
  return RECT{std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
}

POINT DeviceContext::DeviceToLogical(POINT d) const {
  return POINT{d.x + state_.window_org.x - state_.viewport_org.x,
               d.y + state_.window_org.y - state_.viewport_org.y};
}

void DeviceContext::SetVisibleRegion(const Region* visible) {
  has_visible_ = visible != nullptr;
  visible_ = visible != nullptr ? *visible : Region();
}

const Region& DeviceContext::EffectiveClip() const {
  Surface* s = GetSurface();
  ClipMemo& m = clip_memo_;
  const int width = s != nullptr ? s->width : 0;
  const int height = s != nullptr ? s->height : 0;
  if (m.valid && m.surface == s && m.width == width && m.height == height && m.origin.x == origin_.x &&
      m.origin.y == origin_.y && m.has_visible == has_visible_ && (!has_visible_ || m.visible == visible_) &&
      m.has_clip == state_.has_clip && (!state_.has_clip || m.clip == state_.clip))
    return m.result;
  m.valid = true;
  m.surface = s;
  m.width = width;
  m.height = height;
  m.origin = origin_;
  m.has_visible = has_visible_;
  m.visible = has_visible_ ? visible_ : Region();
  m.has_clip = state_.has_clip;
  m.clip = state_.has_clip ? state_.clip : Region();
  if (s == nullptr) {
    m.result = Region();
    return m.result;
  }
  Region clip(RECT{0, 0, s->width, s->height});
  if (has_visible_) {
    Region v = visible_;
    v.Offset(origin_.x, origin_.y);
    clip = clip.Intersect(v);
  }
  if (state_.has_clip) {
    Region c = state_.clip;
    c.Offset(origin_.x, origin_.y);
    clip = clip.Intersect(c);
  }
  m.result = std::move(clip);
  return m.result;
}

void DeviceContext::AddBoundsPart(const RECT& r) {
  auto area = [](const RECT& a) { return int64_t{a.right - a.left} * (a.bottom - a.top); };
  auto join = [](const RECT& a, const RECT& b) {
    return RECT{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                std::max(a.bottom, b.bottom)};
  };
  for (size_t i = 0; i < part_count_; ++i) {
    const RECT& p = parts_[i];
    if (r.left >= p.left && r.top >= p.top && r.right <= p.right && r.bottom <= p.bottom) return;
  }
  if (part_count_ < kBoundsParts) {
    parts_[part_count_++] = r;
    return;
  }
  // All parts in use: the new one joins the part it enlarges least.
  size_t best = 0;
  int64_t best_growth = INT64_MAX;
  for (size_t i = 0; i < part_count_; ++i) {
    const int64_t growth = area(join(parts_[i], r)) - area(parts_[i]);
    if (growth < best_growth) {
      best_growth = growth;
      best = i;
    }
  }
  parts_[best] = join(parts_[best], r);
}

COLORREF DeviceContext::ResolveColor(COLORREF color) const {
  if ((color & 0xFF000000u) == 0x01000000u) {
    auto* pal = LookupAs<PaletteObject>(state_.palette, OBJ_PAL);
    UINT i = color & 0xFFFF;
    if (pal != nullptr && i < pal->entries.size()) {
      const PALETTEENTRY& e = pal->entries[i];
      return RGB(e.peRed, e.peGreen, e.peBlue);
    }
    return RGB(0, 0, 0);
  }
  if ((color & 0xFFFF0000u) == 0x10FF0000u) {
    Surface* s = GetSurface();
    UINT i = color & 0xFFFF;
    if (s != nullptr && s->Indexed() && i < s->colors.size()) return ColorFromQuad(s->colors[i]);
    return RGB(0, 0, 0);
  }
  return color & 0x00FFFFFFu;
}

uint32_t DeviceContext::PixelValue(COLORREF color) const {
  Surface* s = GetSurface();
  if (s == nullptr) return 0;
  if ((color & 0xFFFF0000u) == 0x10FF0000u && s->Indexed()) return (color & 0xFFFF) & s->PixelMask();
  return s->FromColor(ResolveColor(color));
}

void DeviceContext::BlendCoverage(int sx, int sy, int width, int height, const uint8_t* coverage, int stride,
                                  COLORREF color) {
  Surface* s = GetSurface();
  if (s == nullptr || coverage == nullptr) return;
  COLORREF rgb = ResolveColor(color);
  uint32_t solid = PixelValue(color);
  Touch(RECT{sx, sy, sx + width, sy + height});
  ForEachClippedSpan(EffectiveClip(), RECT{sx, sy, sx + width, sy + height}, [&](int y, int x0, int x1) {
    const uint8_t* src = coverage + static_cast<ptrdiff_t>(y - sy) * stride;
    for (int x = x0; x < x1; ++x) {
      int a = src[x - sx];
      if (a == 0) continue;
      if (a == 255 || s->Indexed()) {
        if (a >= 128) s->Put(x, y, solid);
        continue;
      }
      COLORREF d = s->ToColor(s->Get(x, y));
      auto mix = [a](int fg, int bg) { return static_cast<BYTE>((fg * a + bg * (255 - a) + 127) / 255); };
      s->Put(x, y,
             s->FromColor(RGB(mix(GetRValue(rgb), GetRValue(d)), mix(GetGValue(rgb), GetGValue(d)),
                              mix(GetBValue(rgb), GetBValue(d)))));
    }
  });
}

void DeviceContext::BlendMono(int sx, int sy, int width, int height, const uint8_t* bits, int stride,
                              COLORREF color) {
  Surface* s = GetSurface();
  if (s == nullptr || bits == nullptr) return;
  uint32_t solid = PixelValue(color);
  Touch(RECT{sx, sy, sx + width, sy + height});
  ForEachClippedSpan(EffectiveClip(), RECT{sx, sy, sx + width, sy + height}, [&](int y, int x0, int x1) {
    const uint8_t* src = bits + static_cast<ptrdiff_t>(y - sy) * stride;
    for (int x = x0; x < x1; ++x) {
      int i = x - sx;
      if (src[i >> 3] & (0x80 >> (i & 7))) s->Put(x, y, solid);
    }
  });
}

void DeviceContext::FillSurfaceRect(const RECT& r, COLORREF color) {
  Surface* s = GetSurface();
  if (s == nullptr) return;
  uint32_t v = PixelValue(color);
  Touch(r);
  ForEachClippedSpan(EffectiveClip(), r, [&](int y, int x0, int x1) {
    for (int x = x0; x < x1; ++x) s->Put(x, y, v);
  });
}

// ---- creation ------------------------------------------------------------------

HDC CreateCompatibleDC(HDC hdc) {
  GdiLock lock;
  int device_bits = 32;
  if (hdc != nullptr) {
    DeviceContext* parent = LookupDC(hdc);
    if (parent == nullptr) return nullptr;
    device_bits = parent->DeviceBits();
  }
  auto dc = std::make_unique<DeviceContext>(DeviceContext::Kind::Memory, HandleFrom<HDC>(NextHandleValue()));
  InitState(dc->State());
  dc->State().bitmap = DefaultBitmap();
  dc->SetDeviceBits(device_bits);
  return AddDC(std::move(dc));
}

HDC CreateDCForSurface(Surface* surface, POINT origin, const Region* visible) {
  if (surface == nullptr) return nullptr;
  GdiLock lock;
  auto dc = std::make_unique<DeviceContext>(DeviceContext::Kind::Surface, HandleFrom<HDC>(NextHandleValue()));
  InitState(dc->State());
  dc->AttachSurface(surface, origin);
  dc->SetVisibleRegion(visible);
  return AddDC(std::move(dc));
}

void SetDCVisibleRegion(HDC hdc, const Region* visible) {
  GdiLock lock;
  if (DeviceContext* dc = LookupDC(hdc)) dc->SetVisibleRegion(visible);
}

BOOL DeleteDC(HDC hdc) {
  GdiLock lock;
  auto& dcs = Dcs().dcs;
  auto it = dcs.find(HandleValue(hdc));
  if (it == dcs.end()) return FALSE;
  SetBitmapOwner(it->second->State().bitmap, nullptr);
  for (const DCState& s : it->second->Saved()) SetBitmapOwner(s.bitmap, nullptr);
  dcs.erase(it);
  return TRUE;
}

DWORD GetObjectType(HDC hdc) {
  GdiLock lock;
  DeviceContext* dc = LookupDC(hdc);
  if (dc == nullptr) return 0;
  return dc->GetKind() == DeviceContext::Kind::Memory ? OBJ_MEMDC : OBJ_DC;
}

DWORD GetObjectType(HGDIOBJ obj) {
  GdiLock lock;
  GdiObject* o = LookupGdiObject(obj);
  return o == nullptr ? 0 : o->Type();
}

HGDIOBJ SelectObject(HDC hdc, HGDIOBJ obj) {
  GdiLock lock;
  DeviceContext* dc = LookupDC(hdc);
  GdiObject* o = LookupGdiObject(obj);
  if (dc == nullptr || o == nullptr) return nullptr;
  DCState& s = dc->State();
  switch (o->Type()) {
    case OBJ_PEN: {
      HGDIOBJ old = s.pen;
      s.pen = static_cast<HPEN>(obj);
      return old;
    }
    case OBJ_BRUSH: {
      HGDIOBJ old = s.brush;
      s.brush = static_cast<HBRUSH>(obj);
      return old;
    }
    case OBJ_FONT: {
      HGDIOBJ old = s.font;
      s.font = static_cast<HFONT>(obj);
      return old;
    }
    case OBJ_BITMAP: {
      if (dc->GetKind() != DeviceContext::Kind::Memory) return nullptr;
      auto* bm = static_cast<BitmapObject*>(o);
      if (bm->selected_in != nullptr && bm->selected_in != hdc) return nullptr;
      HGDIOBJ old = s.bitmap;
      SetBitmapOwner(s.bitmap, nullptr);
      s.bitmap = static_cast<HBITMAP>(obj);
      SetBitmapOwner(s.bitmap, hdc);
      // A new bitmap starts with the whole surface visible.
      return old;
    }
    case OBJ_REGION: {
      int kind = SelectClipRgn(hdc, static_cast<HRGN>(obj));
      return reinterpret_cast<HGDIOBJ>(static_cast<intptr_t>(kind));
    }
    default:
      return nullptr;  // palettes go through SelectPalette
  }
}

HGDIOBJ GetCurrentObject(HDC hdc, UINT type) {
  return WithDC(hdc, HGDIOBJ{nullptr}, [type](DeviceContext&, DCState& s) -> HGDIOBJ {
    switch (type) {
      case OBJ_PEN:
        return s.pen;
      case OBJ_BRUSH:
        return s.brush;
      case OBJ_FONT:
        return s.font;
      case OBJ_PAL:
        return s.palette;
      case OBJ_BITMAP:
        return s.bitmap;
      default:
        return nullptr;
    }
  });
}

int SaveDC(HDC hdc) {
  return WithDC(hdc, 0, [](DeviceContext& dc, DCState& s) {
    dc.Saved().push_back(s);
    return static_cast<int>(dc.Saved().size());
  });
}

BOOL RestoreDC(HDC hdc, int saved) {
  return WithDC(hdc, FALSE, [hdc, saved](DeviceContext& dc, DCState& s) {
    int levels = static_cast<int>(dc.Saved().size());
    int target = saved < 0 ? levels + 1 + saved : saved;
    if (saved == 0 || target < 1 || target > levels) return FALSE;
    SetBitmapOwner(s.bitmap, nullptr);
    s = dc.Saved()[static_cast<size_t>(target - 1)];
    dc.Saved().resize(static_cast<size_t>(target - 1));
    SetBitmapOwner(s.bitmap, hdc);
    return TRUE;
  });
}

// ---- attributes ----------------------------------------------------------------

namespace {

BOOL SetPoint(HDC hdc, POINT DCState::*member, int x, int y, POINT* old, bool relative) {
  return WithDC(hdc, FALSE, [=](DeviceContext&, DCState& s) {
    if (old != nullptr) *old = s.*member;
    if (relative)
      s.*member = POINT{(s.*member).x + x, (s.*member).y + y};
    else
      s.*member = POINT{x, y};
    return TRUE;
  });
}

BOOL GetPoint(HDC hdc, POINT DCState::*member, POINT* out) {
  return WithDC(hdc, FALSE, [=](DeviceContext&, DCState& s) {
    if (out != nullptr) *out = s.*member;
    return TRUE;
  });
}

template <class T>
T Exchange(HDC hdc, T DCState::*member, T value, T fail) {
  return WithDC(hdc, fail, [=](DeviceContext&, DCState& s) { return std::exchange(s.*member, value); });
}

template <class T>
T Read(HDC hdc, T DCState::*member, T fail) {
  return WithDC(hdc, fail, [=](DeviceContext&, DCState& s) { return s.*member; });
}

}  // namespace

BOOL SetViewportOrgEx(HDC hdc, int x, int y, POINT* old) {
  return SetPoint(hdc, &DCState::viewport_org, x, y, old, false);
}
BOOL GetViewportOrgEx(HDC hdc, POINT* org) { return GetPoint(hdc, &DCState::viewport_org, org); }
BOOL OffsetViewportOrgEx(HDC hdc, int dx, int dy, POINT* old) {
  return SetPoint(hdc, &DCState::viewport_org, dx, dy, old, true);
}
BOOL SetWindowOrgEx(HDC hdc, int x, int y, POINT* old) {
  return SetPoint(hdc, &DCState::window_org, x, y, old, false);
}
BOOL GetWindowOrgEx(HDC hdc, POINT* org) { return GetPoint(hdc, &DCState::window_org, org); }
BOOL OffsetWindowOrgEx(HDC hdc, int dx, int dy, POINT* old) {
  return SetPoint(hdc, &DCState::window_org, dx, dy, old, true);
}
BOOL SetBrushOrgEx(HDC hdc, int x, int y, POINT* old) {
  return SetPoint(hdc, &DCState::brush_org, x, y, old, false);
}
BOOL GetBrushOrgEx(HDC hdc, POINT* org) { return GetPoint(hdc, &DCState::brush_org, org); }

BOOL LPtoDP(HDC hdc, POINT* points, int count) {
  return WithDC(hdc, FALSE, [=](DeviceContext& dc, DCState&) {
    for (int i = 0; i < count; ++i) points[i] = dc.ToDevice(points[i]);
    return TRUE;
  });
}

BOOL DPtoLP(HDC hdc, POINT* points, int count) {
  return WithDC(hdc, FALSE, [=](DeviceContext& dc, DCState&) {
    for (int i = 0; i < count; ++i) points[i] = dc.DeviceToLogical(points[i]);
    return TRUE;
  });
}

int SetMapMode(HDC hdc, int mode) {
  // Only the text mapping mode exists: one logical unit is one pixel.
  if (mode != MM_TEXT) return 0;
  return Exchange(hdc, &DCState::map_mode, mode, 0);
}
int GetMapMode(HDC hdc) { return Read(hdc, &DCState::map_mode, 0); }

COLORREF SetBkColor(HDC hdc, COLORREF c) { return Exchange(hdc, &DCState::bk_color, c, CLR_INVALID); }
COLORREF GetBkColor(HDC hdc) { return Read(hdc, &DCState::bk_color, CLR_INVALID); }
COLORREF SetTextColor(HDC hdc, COLORREF c) { return Exchange(hdc, &DCState::text_color, c, CLR_INVALID); }
COLORREF GetTextColor(HDC hdc) { return Read(hdc, &DCState::text_color, CLR_INVALID); }

int SetBkMode(HDC hdc, int mode) {
  if (mode != OPAQUE && mode != TRANSPARENT) return 0;
  return Exchange(hdc, &DCState::bk_mode, mode, 0);
}
int GetBkMode(HDC hdc) { return Read(hdc, &DCState::bk_mode, 0); }

int SetROP2(HDC hdc, int rop2) {
  if (rop2 < R2_BLACK || rop2 > R2_WHITE) return 0;
  return Exchange(hdc, &DCState::rop2, rop2, 0);
}
int GetROP2(HDC hdc) { return Read(hdc, &DCState::rop2, 0); }

int SetStretchBltMode(HDC hdc, int mode) {
  if (mode < BLACKONWHITE || mode > HALFTONE) return 0;
  return Exchange(hdc, &DCState::stretch_mode, mode, 0);
}
int GetStretchBltMode(HDC hdc) { return Read(hdc, &DCState::stretch_mode, 0); }

UINT SetTextAlign(HDC hdc, UINT align) { return Exchange(hdc, &DCState::text_align, align, GDI_ERROR); }
UINT GetTextAlign(HDC hdc) { return Read(hdc, &DCState::text_align, GDI_ERROR); }

int SetPolyFillMode(HDC hdc, int mode) {
  if (mode != ALTERNATE && mode != WINDING) return 0;
  return Exchange(hdc, &DCState::poly_fill_mode, mode, 0);
}
int GetPolyFillMode(HDC hdc) { return Read(hdc, &DCState::poly_fill_mode, 0); }

int SetArcDirection(HDC hdc, int dir) {
  if (dir != AD_COUNTERCLOCKWISE && dir != AD_CLOCKWISE) return 0;
  return Exchange(hdc, &DCState::arc_direction, dir, 0);
}
int GetArcDirection(HDC hdc) { return Read(hdc, &DCState::arc_direction, 0); }

BOOL GdiFlush() { return TRUE; }  // drawing is never batched

UINT SetBoundsRect(HDC hdc, const RECT* rect, UINT flags) {
  GdiLock lock;
  DeviceContext* dc = LookupDC(hdc);
  if (dc == nullptr) return 0;
  const RECT before = dc->Bounds();
  const UINT state = (dc->BoundsEnabled() ? DCB_ENABLE : DCB_DISABLE) |
                     (before.left < before.right && before.top < before.bottom ? DCB_SET : DCB_RESET);
  if (flags & DCB_RESET) dc->ResetBounds();
  if ((flags & DCB_ACCUMULATE) && rect != nullptr) {
    // Added whether or not accumulation is on, as the caller asked for it.
    const bool enabled = dc->BoundsEnabled();
    dc->EnableBounds(true);
    dc->Touch(dc->ToSurface(*rect));
    dc->EnableBounds(enabled);
  }
  if (flags & DCB_ENABLE) dc->EnableBounds(true);
  if (flags & DCB_DISABLE) dc->EnableBounds(false);
  return state;
}

UINT GetBoundsRect(HDC hdc, RECT* rect, UINT flags) {
  GdiLock lock;
  DeviceContext* dc = LookupDC(hdc);
  if (dc == nullptr || rect == nullptr) return 0;
  const RECT box = dc->Bounds();
  const bool empty = box.left >= box.right || box.top >= box.bottom;
  const POINT o = dc->SurfaceOrigin();
  const POINT a = dc->DeviceToLogical(POINT{box.left - o.x, box.top - o.y});
  const POINT b = dc->DeviceToLogical(POINT{box.right - o.x, box.bottom - o.y});
  *rect = empty ? RECT{} : RECT{a.x, a.y, b.x, b.y};
  if (flags & DCB_RESET) dc->ResetBounds();
  return empty ? DCB_RESET : DCB_SET;
}

int GetDeviceCaps(HDC hdc, int index) {
  GdiLock lock;
  DeviceContext* dc = LookupDC(hdc);
  if (dc == nullptr) return 0;
  int bits = dc->DeviceBits();
  SIZE screen = Dcs().screen;
  switch (index) {
    case DRIVERVERSION:
      return 0x4000;
    case TECHNOLOGY:
      return DT_RASDISPLAY;
    case HORZRES:
      return screen.cx;
    case VERTRES:
      return screen.cy;
    case HORZSIZE:
      return static_cast<int>(screen.cx * 254 / 960);
    case VERTSIZE:
      return static_cast<int>(screen.cy * 254 / 960);
    case BITSPIXEL:
      return bits;
    case PLANES:
      return 1;
    case NUMBRUSHES:
    case NUMPENS:
      return -1;
    case NUMFONTS:
      return 0;
    case NUMCOLORS:
      return bits == 8 ? 20 : bits < 8 ? 1 << bits : -1;
    case RASTERCAPS:
      return RC_BITBLT | RC_BITMAP64 | RC_DI_BITMAP | RC_DIBTODEV | RC_STRETCHBLT | RC_STRETCHDIB |
             (bits == 8 ? RC_PALETTE : 0);
    case LOGPIXELSX:
    case LOGPIXELSY:
      return 96;
    case SIZEPALETTE:
      return bits == 8 ? 256 : 0;
    case NUMRESERVED:
      return bits == 8 ? 20 : 0;
    case COLORRES:
      return bits == 8 ? 18 : 24;
    default:
      return 0;
  }
}

}  // namespace plat
