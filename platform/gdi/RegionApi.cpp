// Region objects and the clip region of device contexts.
#include <algorithm>
#include <cstring>

#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Raster.h"

namespace plat {

namespace {

HRGN NewRegion(Region r) {
  auto obj = std::make_shared<RegionObject>();
  obj->region = std::move(r);
  return static_cast<HRGN>(RegisterGdiObject(obj));
}

Region* Rgn(HRGN h) {
  auto* o = LookupAs<RegionObject>(h, OBJ_REGION);
  return o == nullptr ? nullptr : &o->region;
}

// The caller's clip, or the whole device when there is none.
Region CurrentClip(const DeviceContext& dc) {
  if (dc.State().has_clip) return dc.State().clip;
  Region whole = dc.EffectiveClip();
  POINT o = dc.SurfaceOrigin();
  whole.Offset(-o.x, -o.y);
  return whole;
}

int ClipKind(const DeviceContext& dc) {
  Region visible = dc.EffectiveClip();
  return visible.Kind();
}

RECT DeviceRect(const DeviceContext& dc, int l, int t, int r, int b) {
  POINT a = dc.ToDevice(POINT{l, t}), c = dc.ToDevice(POINT{r, b});
  return RECT{std::min(a.x, c.x), std::min(a.y, c.y), std::max(a.x, c.x), std::max(a.y, c.y)};
}

}  // namespace

HRGN CreateRectRgn(int l, int t, int r, int b) {
  return NewRegion(Region(RECT{std::min(l, r), std::min(t, b), std::max(l, r), std::max(t, b)}));
}

HRGN CreateRectRgnIndirect(const RECT* r) {
  return r == nullptr ? nullptr : CreateRectRgn(r->left, r->top, r->right, r->bottom);
}

HRGN CreateEllipticRgn(int l, int t, int r, int b) { return NewRegion(Region::Ellipse(l, t, r, b)); }

HRGN CreateEllipticRgnIndirect(const RECT* r) {
  return r == nullptr ? nullptr : CreateEllipticRgn(r->left, r->top, r->right, r->bottom);
}

HRGN CreateRoundRectRgn(int l, int t, int r, int b, int ew, int eh) {
  return NewRegion(Region::RoundRect(l, t, r, b, ew, eh));
}

HRGN CreatePolygonRgn(const POINT* points, int count, int fill_mode) {
  if (points == nullptr || count < 2) return nullptr;
  return NewRegion(Region::FromPolygons(points, &count, 1, fill_mode));
}

HRGN CreatePolyPolygonRgn(const POINT* points, const int* counts, int polygons, int fill_mode) {
  if (points == nullptr || counts == nullptr || polygons <= 0) return nullptr;
  for (int i = 0; i < polygons; ++i)
    if (counts[i] < 2) return nullptr;
  return NewRegion(Region::FromPolygons(points, counts, polygons, fill_mode));
}

HRGN ExtCreateRegion(const void* xform, DWORD size, const RGNDATA* data) {
  // Transforms are not supported; callers pass none.
  if (xform != nullptr || data == nullptr || size < sizeof(RGNDATAHEADER)) return nullptr;
  RGNDATAHEADER h;
  std::memcpy(static_cast<void*>(&h), data, sizeof h);
  if (h.iType != RDH_RECTANGLES || h.dwSize < sizeof(RGNDATAHEADER)) return nullptr;
  if (h.nCount > (size - h.dwSize) / sizeof(RECT)) return nullptr;
  const uint8_t* p = reinterpret_cast<const uint8_t*>(data) + h.dwSize;
  std::vector<std::pair<int, Region::Span>> rows;
  Region r;
  // Rectangles may overlap and come in any order: add them band by band.
  for (DWORD i = 0; i < h.nCount; ++i) {
    RECT rc;
    std::memcpy(&rc, p + i * sizeof(RECT), sizeof rc);
    if (rc.left >= rc.right || rc.top >= rc.bottom) continue;
    r = r.Union(Region(rc));
  }
  return NewRegion(std::move(r));
}

DWORD GetRegionData(HRGN region, DWORD size, RGNDATA* data) {
  GdiLock lock;
  Region* r = Rgn(region);
  if (r == nullptr) return 0;
  std::vector<RECT> rects = r->Rects();
  DWORD needed = static_cast<DWORD>(sizeof(RGNDATAHEADER) + rects.size() * sizeof(RECT));
  if (data == nullptr) return needed;
  if (size < needed) return 0;
  RGNDATAHEADER h;
  h.dwSize = sizeof(RGNDATAHEADER);
  h.iType = RDH_RECTANGLES;
  h.nCount = static_cast<DWORD>(rects.size());
  h.nRgnSize = static_cast<DWORD>(rects.size() * sizeof(RECT));
  h.rcBound = r->Box();
  std::memcpy(static_cast<void*>(data), &h, sizeof h);
  if (!rects.empty()) std::memcpy(reinterpret_cast<uint8_t*>(data) + sizeof h, rects.data(), h.nRgnSize);
  return needed;
}

int CombineRgn(HRGN dest, HRGN src1, HRGN src2, int mode) {
  GdiLock lock;
  Region* d = Rgn(dest);
  Region* a = Rgn(src1);
  if (d == nullptr || a == nullptr || mode < RGN_AND || mode > RGN_COPY) return ERROR;
  if (mode == RGN_COPY) {
    *d = *a;
  } else {
    Region* b = Rgn(src2);
    if (b == nullptr) return ERROR;
    *d = Region::Combine(*a, *b, mode);
  }
  return d->Kind();
}

int OffsetRgn(HRGN region, int dx, int dy) {
  GdiLock lock;
  Region* r = Rgn(region);
  if (r == nullptr) return ERROR;
  r->Offset(dx, dy);
  return r->Kind();
}

BOOL SetRectRgn(HRGN region, int l, int t, int r, int b) {
  GdiLock lock;
  Region* rg = Rgn(region);
  if (rg == nullptr) return FALSE;
  *rg = Region(RECT{std::min(l, r), std::min(t, b), std::max(l, r), std::max(t, b)});
  return TRUE;
}

BOOL PtInRegion(HRGN region, int x, int y) {
  GdiLock lock;
  Region* r = Rgn(region);
  return r != nullptr && r->Contains(x, y);
}

BOOL RectInRegion(HRGN region, const RECT* rect) {
  GdiLock lock;
  Region* r = Rgn(region);
  if (r == nullptr || rect == nullptr) return FALSE;
  RECT n{std::min(rect->left, rect->right), std::min(rect->top, rect->bottom),
         std::max(rect->left, rect->right), std::max(rect->top, rect->bottom)};
  return r->Intersects(n);
}

int GetRgnBox(HRGN region, RECT* box) {
  GdiLock lock;
  Region* r = Rgn(region);
  if (r == nullptr || box == nullptr) return ERROR;
  *box = r->Box();
  return r->Kind();
}

BOOL EqualRgn(HRGN a, HRGN b) {
  GdiLock lock;
  Region* ra = Rgn(a);
  Region* rb = Rgn(b);
  if (ra == nullptr || rb == nullptr) return ERROR;
  return *ra == *rb;
}

BOOL FillRgn(HDC hdc, HRGN region, HBRUSH brush) {
  GdiLock lock;
  DeviceContext* dc = LookupDC(hdc);
  Region* r = Rgn(region);
  if (dc == nullptr || r == nullptr) return FALSE;
  Region area = *r;
  POINT o = dc->ToSurface(POINT{0, 0});
  area.Offset(o.x, o.y);
  PatArea(*dc, area, RealizeBrush(*dc, brush), 0xF0);
  return TRUE;
}

BOOL PaintRgn(HDC hdc, HRGN region) {
  GdiLock lock;
  DeviceContext* dc = LookupDC(hdc);
  return dc != nullptr && FillRgn(hdc, region, dc->State().brush);
}

BOOL FrameRgn(HDC hdc, HRGN region, HBRUSH brush, int width, int height) {
  GdiLock lock;
  DeviceContext* dc = LookupDC(hdc);
  Region* r = Rgn(region);
  if (dc == nullptr || r == nullptr || width < 1 || height < 1) return FALSE;
  // The frame is the region less its erosion by width x height.
  Region inner = *r;
  for (int dx = -width; dx <= width; ++dx) {
    Region s = *r;
    s.Offset(dx, 0);
    inner = inner.Intersect(s);
  }
  for (int dy = -height; dy <= height; ++dy) {
    Region s = *r;
    s.Offset(0, dy);
    inner = inner.Intersect(s);
  }
  Region frame = r->Subtract(inner);
  POINT o = dc->ToSurface(POINT{0, 0});
  frame.Offset(o.x, o.y);
  PatArea(*dc, frame, RealizeBrush(*dc, brush), 0xF0);
  return TRUE;
}

BOOL InvertRgn(HDC hdc, HRGN region) {
  GdiLock lock;
  DeviceContext* dc = LookupDC(hdc);
  Region* r = Rgn(region);
  if (dc == nullptr || r == nullptr) return FALSE;
  Region area = *r;
  POINT o = dc->ToSurface(POINT{0, 0});
  area.Offset(o.x, o.y);
  PatArea(*dc, area, RealBrush{}, 0x55);
  return TRUE;
}

HRGN CreateRegionFromMask(HBITMAP bitmap, COLORREF transparent) {
  GdiLock lock;
  auto* bm = LookupAs<BitmapObject>(bitmap, OBJ_BITMAP);
  if (bm == nullptr) return nullptr;
  const Surface& s = bm->surface;
  std::vector<std::pair<int, Region::Span>> rows;
  COLORREF key = transparent & 0x00FFFFFFu;
  for (int y = 0; y < s.height; ++y) {
    int x = 0;
    while (x < s.width) {
      while (x < s.width && s.ToColor(s.Get(x, y)) == key) ++x;
      int start = x;
      while (x < s.width && s.ToColor(s.Get(x, y)) != key) ++x;
      if (start < x) rows.push_back({y, {start, x}});
    }
  }
  return NewRegion(Region::FromRows(std::move(rows)));
}

// ---- clipping ------------------------------------------------------------------

int ExtSelectClipRgn(HDC hdc, HRGN region, int mode) {
  GdiLock lock;
  DeviceContext* dc = LookupDC(hdc);
  if (dc == nullptr) return ERROR;
  DCState& s = dc->State();
  if (region == nullptr) {
    if (mode != RGN_COPY) return ERROR;
    s.has_clip = false;
    s.clip = Region();
    return ClipKind(*dc);
  }
  Region* r = Rgn(region);
  if (r == nullptr) return ERROR;
  if (mode == RGN_COPY) {
    s.clip = *r;
  } else {
    if (mode < RGN_AND || mode > RGN_DIFF) return ERROR;
    s.clip = Region::Combine(CurrentClip(*dc), *r, mode);
  }
  s.has_clip = true;
  return ClipKind(*dc);
}

int SelectClipRgn(HDC hdc, HRGN region) { return ExtSelectClipRgn(hdc, region, RGN_COPY); }

int IntersectClipRect(HDC hdc, int l, int t, int r, int b) {
  GdiLock lock;
  DeviceContext* dc = LookupDC(hdc);
  if (dc == nullptr) return ERROR;
  DCState& s = dc->State();
  s.clip = CurrentClip(*dc).Intersect(DeviceRect(*dc, l, t, r, b));
  s.has_clip = true;
  return ClipKind(*dc);
}

int ExcludeClipRect(HDC hdc, int l, int t, int r, int b) {
  GdiLock lock;
  DeviceContext* dc = LookupDC(hdc);
  if (dc == nullptr) return ERROR;
  DCState& s = dc->State();
  s.clip = CurrentClip(*dc).Subtract(Region(DeviceRect(*dc, l, t, r, b)));
  s.has_clip = true;
  return ClipKind(*dc);
}

int OffsetClipRgn(HDC hdc, int dx, int dy) {
  GdiLock lock;
  DeviceContext* dc = LookupDC(hdc);
  if (dc == nullptr) return ERROR;
  if (dc->State().has_clip) dc->State().clip.Offset(dx, dy);
  return ClipKind(*dc);
}

int GetClipBox(HDC hdc, RECT* rect) {
  GdiLock lock;
  DeviceContext* dc = LookupDC(hdc);
  if (dc == nullptr || rect == nullptr) return ERROR;
  Region visible = dc->EffectiveClip();
  RECT box = visible.Box();
  POINT o = dc->SurfaceOrigin();
  POINT a = dc->DeviceToLogical(POINT{box.left - o.x, box.top - o.y});
  POINT b = dc->DeviceToLogical(POINT{box.right - o.x, box.bottom - o.y});
  *rect = visible.Empty() ? RECT{} : RECT{a.x, a.y, b.x, b.y};
  return visible.Kind();
}

int GetClipRgn(HDC hdc, HRGN region) {
  GdiLock lock;
  DeviceContext* dc = LookupDC(hdc);
  Region* r = Rgn(region);
  if (dc == nullptr || r == nullptr) return -1;
  if (!dc->State().has_clip) return 0;
  *r = dc->State().clip;
  return 1;
}

BOOL RectVisible(HDC hdc, const RECT* rect) {
  GdiLock lock;
  DeviceContext* dc = LookupDC(hdc);
  if (dc == nullptr || rect == nullptr) return FALSE;
  return dc->EffectiveClip().Intersects(dc->ToSurface(*rect));
}

BOOL PtVisible(HDC hdc, int x, int y) {
  GdiLock lock;
  DeviceContext* dc = LookupDC(hdc);
  if (dc == nullptr) return FALSE;
  POINT p = dc->ToSurface(POINT{x, y});
  return dc->EffectiveClip().Contains(p.x, p.y);
}

}  // namespace plat
