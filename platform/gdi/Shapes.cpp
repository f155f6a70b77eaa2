// Lines, shapes and rectangle helpers. Every shape is turned into exact pixel
// regions (outline and interior) that are filled once each, so XOR modes never
// touch a pixel twice.
#include <algorithm>
#include <cmath>
#include <numbers>

#include "platform/gdi/Colors.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Raster.h"

namespace plat {

namespace {

using Rows = std::vector<std::pair<int, Region::Span>>;

struct Pen {
  bool null = true;
  int style = PS_SOLID;
  int width = 1;
  uint32_t value = 0;
};

Pen CurrentPen(const DeviceContext& dc) {
  Pen p;
  auto* obj = LookupAs<PenObject>(dc.State().pen, OBJ_PEN);
  if (obj == nullptr || obj->Style() == PS_NULL) return p;
  p.null = false;
  p.style = obj->Style();
  p.width = obj->Width();
  COLORREF c = StockIndexOf(dc.State().pen) == DC_PEN ? dc.State().dc_pen_color : obj->pen.lopnColor;
  p.value = dc.PixelValue(c);
  return p;
}

// On/off run lengths of the styled pens, in pixels.
std::vector<int> DashPattern(int style) {
  switch (style) {
    case PS_DASH:
      return {18, 6};
    case PS_DOT:
      return {3, 3};
    case PS_DASHDOT:
      return {9, 6, 3, 6};
    case PS_DASHDOTDOT:
      return {9, 3, 3, 3, 3, 3};
    default:
      return {};
  }
}

// Pixels of a line from a to b without b: the major axis steps every pixel,
// the minor axis when the error term reaches zero.
template <class F>
void Bresenham(POINT a, POINT b, F&& plot) {
  int dx = b.x - a.x, dy = b.y - a.y;
  int adx = std::abs(dx), ady = std::abs(dy);
  bool x_major = adx >= ady;
  int major = x_major ? adx : ady, minor = x_major ? ady : adx;
  int sx = dx < 0 ? -1 : 1, sy = dy < 0 ? -1 : 1;
  int e = 2 * minor - major;
  int x = a.x, y = a.y;
  for (int i = 0; i < major; ++i) {
    plot(x, y);
    if (x_major)
      x += sx;
    else
      y += sy;
    if (e >= 0) {
      if (x_major)
        y += sy;
      else
        x += sx;
      e += 2 * minor - 2 * major;
    } else {
      e += 2 * minor;
    }
  }
}

// Row spans of a disc of diameter w centred on a pixel.
const Rows& DiscRows(int w) {
  static thread_local int cached = -1;
  static thread_local Rows rows;
  if (cached != w) {
    cached = w;
    rows.clear();
    int h = w / 2;
    Region disc = Region::Ellipse(-h, -h, w - h, w - h);
    disc.ForEachSpan([&](int y, int l, int r) { rows.push_back({y, {l, r}}); });
  }
  return rows;
}

struct Stroke {
  Region on;
  Region off;  // gaps of styled pens
};

// The pixels a pen puts on a path (surface coordinates).
Stroke StrokePath(const std::vector<POINT>& pts, const Pen& pen) {
  Stroke out;
  Rows on, off;
  if (pen.width > 1) {
    // Wide pens: a disc at every pixel of the path, ends included.
    const Rows& disc = DiscRows(pen.width);
    auto stamp = [&](int x, int y) {
      for (const auto& [dy, span] : disc) on.push_back({y + dy, {x + span.left, x + span.right}});
    };
    for (size_t i = 0; i + 1 < pts.size(); ++i) Bresenham(pts[i], pts[i + 1], stamp);
    if (!pts.empty()) stamp(pts.back().x, pts.back().y);
  } else {
    std::vector<int> dash = DashPattern(pen.style);
    size_t run = 0;
    int left = dash.empty() ? 0 : dash[0];
    auto plot = [&](int x, int y) {
      bool draw = dash.empty() || run % 2 == 0;
      (draw ? on : off).push_back({y, {x, x + 1}});
      if (!dash.empty() && --left == 0) {
        run = (run + 1) % dash.size();
        left = dash[run];
      }
    };
    for (size_t i = 0; i + 1 < pts.size(); ++i) Bresenham(pts[i], pts[i + 1], plot);
  }
  out.on = Region::FromRows(std::move(on));
  out.off = Region::FromRows(std::move(off));
  return out;
}

void PaintStroke(DeviceContext& dc, const Stroke& s, const Pen& pen) {
  int rop2 = dc.State().rop2;
  FillArea(dc, s.on, SolidBrush(pen.value), rop2);
  if (dc.State().bk_mode == OPAQUE && !s.off.Empty())
    FillArea(dc, s.off, SolidBrush(dc.PixelValue(dc.State().bk_color)), rop2);
}

std::vector<POINT> ToSurface(const DeviceContext& dc, const POINT* pts, int n) {
  std::vector<POINT> out;
  out.reserve(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) out.push_back(dc.ToSurface(pts[i]));
  return out;
}

// Region shifted by (dx, dy).
Region Shifted(Region r, int dx, int dy) {
  r.Offset(dx, dy);
  return r;
}

// Pixels of the shape that have all four neighbours inside it.
Region Erode(const Region& s) {
  return s.Intersect(Shifted(s, 1, 0))
      .Intersect(Shifted(s, -1, 0))
      .Intersect(Shifted(s, 0, 1))
      .Intersect(Shifted(s, 0, -1));
}

// Fills the interior with the brush and the outline with the pen.
void PaintShape(DeviceContext& dc, const Region& outline, const Region& interior, const Pen& pen) {
  int rop2 = dc.State().rop2;
  FillArea(dc, interior, RealizeBrush(dc, dc.State().brush), rop2);
  if (!pen.null) FillArea(dc, outline, SolidBrush(pen.value), rop2);
}

// Outline and interior of a box-shaped figure for the current pen. `make`
// builds the figure's region for a box.
template <class Make>
void BoxFigure(DeviceContext& dc, RECT box, const Pen& pen, bool inside_frame, Make make) {
  Region outer, inner;
  if (pen.null) {
    outer = inner = make(box);
  } else if (pen.width == 1) {
    outer = make(box);
    inner = Erode(outer);
  } else {
    int w = pen.width;
    RECT o = inside_frame ? box
                          : RECT{box.left - w / 2, box.top - w / 2, box.right - 1 - w / 2 + w,
                                 box.bottom - 1 - w / 2 + w};
    RECT i{o.left + w, o.top + w, o.right - w, o.bottom - w};
    outer = make(o);
    inner = i.left < i.right && i.top < i.bottom ? make(i) : Region();
  }
  Region outline = outer.Subtract(inner);
  PaintShape(dc, outline, inner, pen);
}

RECT Ordered(const DeviceContext& dc, int l, int t, int r, int b) { return dc.ToSurface(RECT{l, t, r, b}); }

bool InsideFrame(const DeviceContext& dc) {
  auto* obj = LookupAs<PenObject>(dc.State().pen, OBJ_PEN);
  return obj != nullptr && obj->Style() == PS_INSIDEFRAME;
}

// ---- arcs --------------------------------------------------------------------

struct ArcGeometry {
  double cx, cy, rx, ry;
  double a0, a1;  // radians, counter-clockwise from +x with y up
  bool full;
};

ArcGeometry MakeArc(const RECT& box, POINT start, POINT end, int direction) {
  ArcGeometry g;
  g.cx = (box.left + box.right) / 2.0;
  g.cy = (box.top + box.bottom) / 2.0;
  g.rx = (box.right - box.left) / 2.0;
  g.ry = (box.bottom - box.top) / 2.0;
  double s = std::atan2(-(start.y - g.cy), start.x - g.cx);
  double e = std::atan2(-(end.y - g.cy), end.x - g.cx);
  if (direction == AD_CLOCKWISE) std::swap(s, e);
  g.a0 = s;
  g.a1 = e;
  g.full = s == e;
  return g;
}

double Ccw(double from, double to) {
  double d = std::fmod(to - from, 2 * std::numbers::pi);
  return d < 0 ? d + 2 * std::numbers::pi : d;
}

bool InSector(const ArcGeometry& g, int x, int y) {
  if (g.full) return true;
  double a = std::atan2(-(y + 0.5 - g.cy), x + 0.5 - g.cx);
  return Ccw(g.a0, a) <= Ccw(g.a0, g.a1);
}

// Pixel where the ray at angle a leaves the ellipse.
POINT EllipsePoint(const ArcGeometry& g, double a) {
  double c = std::cos(a), s = std::sin(a);
  double t = 1.0 / std::sqrt(c * c / (g.rx * g.rx) + s * s / (g.ry * g.ry));
  return POINT{static_cast<LONG>(std::floor(g.cx + t * c - 0.5 + 0.5)),
               static_cast<LONG>(std::floor(g.cy - t * s - 0.5 + 0.5))};
}

template <class Keep>
Region Filter(const Region& r, Keep keep) {
  Rows rows;
  r.ForEachSpan([&](int y, int l, int rr) {
    for (int x = l; x < rr; ++x)
      if (keep(x, y)) rows.push_back({y, {x, x + 1}});
  });
  return Region::FromRows(std::move(rows));
}

enum class ArcKind { Arc, Pie, Chord };

BOOL ArcFigure(HDC hdc, int l, int t, int r, int b, int xs, int ys, int xe, int ye, ArcKind kind) {
  GdiLock lock;
  DeviceContext* dc = LookupDC(hdc);
  if (dc == nullptr) return FALSE;
  RECT box = Ordered(*dc, l, t, r, b);
  if (box.right - box.left < 1 || box.bottom - box.top < 1) return TRUE;
  ArcGeometry g =
      MakeArc(box, dc->ToSurface(POINT{xs, ys}), dc->ToSurface(POINT{xe, ye}), dc->State().arc_direction);
  Pen pen = CurrentPen(*dc);
  Region shape = Region::Ellipse(box.left, box.top, box.right, box.bottom);
  Region ring = pen.null ? Region() : shape.Subtract(Erode(shape));
  if (pen.width > 1 && !pen.null) {
    int w = pen.width;
    RECT o{box.left - w / 2, box.top - w / 2, box.right - 1 - w / 2 + w, box.bottom - 1 - w / 2 + w};
    ring = Region::Ellipse(o.left, o.top, o.right, o.bottom)
               .Subtract(Region::Ellipse(o.left + w, o.top + w, o.right - w, o.bottom - w));
  }
  Region arc = Filter(ring, [&](int x, int y) { return InSector(g, x, y); });
  if (kind == ArcKind::Arc) {
    if (!pen.null) FillArea(*dc, arc, SolidBrush(pen.value), dc->State().rop2);
    return TRUE;
  }
  POINT centre{static_cast<LONG>(std::floor(g.cx)), static_cast<LONG>(std::floor(g.cy))};
  POINT p0 = EllipsePoint(g, g.a0), p1 = EllipsePoint(g, g.a1);
  Region inside = pen.null ? shape : shape.Subtract(ring);
  Region fill;
  std::vector<POINT> edges;
  if (kind == ArcKind::Pie) {
    fill = Filter(inside, [&](int x, int y) { return InSector(g, x, y); });
    edges = {p1, centre, p0};
  } else {
    // The side of the chord the arc's middle lies on.
    double mid = g.a0 + Ccw(g.a0, g.a1) / 2;
    if (g.full) mid = g.a0 + std::numbers::pi;
    double mx = g.cx + std::cos(mid) * g.rx, my = g.cy - std::sin(mid) * g.ry;
    auto side = [&](double x, double y) {
      return (p1.x + 0.5 - (p0.x + 0.5)) * (y - (p0.y + 0.5)) -
             (p1.y + 0.5 - (p0.y + 0.5)) * (x - (p0.x + 0.5));
    };
    double want = side(mx, my);
    fill = Filter(inside, [&](int x, int y) {
      double s = side(x + 0.5, y + 0.5);
      return s == 0 || (s > 0) == (want > 0);
    });
    edges = {p1, p0};
  }
  Region outline = arc;
  if (!pen.null) {
    Pen solid = pen;
    solid.style = PS_SOLID;
    outline = outline.Union(StrokePath(edges, solid).on);
  }
  PaintShape(*dc, outline, fill.Subtract(outline), pen);
  return TRUE;
}

}  // namespace

// ---- lines -------------------------------------------------------------------

BOOL MoveToEx(HDC hdc, int x, int y, POINT* old) {
  GdiLock lock;
  DeviceContext* dc = LookupDC(hdc);
  if (dc == nullptr) return FALSE;
  if (old != nullptr) *old = dc->State().current_pos;
  dc->State().current_pos = POINT{x, y};
  return TRUE;
}

BOOL GetCurrentPositionEx(HDC hdc, POINT* pos) {
  GdiLock lock;
  DeviceContext* dc = LookupDC(hdc);
  if (dc == nullptr || pos == nullptr) return FALSE;
  *pos = dc->State().current_pos;
  return TRUE;
}

BOOL Polyline(HDC hdc, const POINT* points, int count) {
  GdiLock lock;
  DeviceContext* dc = LookupDC(hdc);
  if (dc == nullptr || points == nullptr || count < 2) return FALSE;
  Pen pen = CurrentPen(*dc);
  if (!pen.null) PaintStroke(*dc, StrokePath(ToSurface(*dc, points, count), pen), pen);
  return TRUE;
}

BOOL LineTo(HDC hdc, int x, int y) {
  GdiLock lock;
  DeviceContext* dc = LookupDC(hdc);
  if (dc == nullptr) return FALSE;
  POINT pts[2] = {dc->State().current_pos, POINT{x, y}};
  Polyline(hdc, pts, 2);
  dc->State().current_pos = pts[1];
  return TRUE;
}

BOOL PolylineTo(HDC hdc, const POINT* points, DWORD count) {
  GdiLock lock;
  DeviceContext* dc = LookupDC(hdc);
  if (dc == nullptr || points == nullptr) return FALSE;
  std::vector<POINT> pts{dc->State().current_pos};
  pts.insert(pts.end(), points, points + count);
  if (pts.size() >= 2) Polyline(hdc, pts.data(), static_cast<int>(pts.size()));
  dc->State().current_pos = pts.back();
  return TRUE;
}

// ---- shapes ------------------------------------------------------------------

BOOL PolyPolygon(HDC hdc, const POINT* points, const int* counts, int polygons) {
  GdiLock lock;
  DeviceContext* dc = LookupDC(hdc);
  if (dc == nullptr || points == nullptr || counts == nullptr || polygons <= 0) return FALSE;
  int total = 0;
  for (int i = 0; i < polygons; ++i) {
    if (counts[i] < 2) return FALSE;
    total += counts[i];
  }
  std::vector<POINT> pts = ToSurface(*dc, points, total);
  Pen pen = CurrentPen(*dc);
  Region fill = Region::FromPolygons(pts.data(), counts, polygons, dc->State().poly_fill_mode);
  Stroke stroke;
  size_t at = 0;
  for (int i = 0; i < polygons; ++i) {
    std::vector<POINT> ring(pts.begin() + static_cast<ptrdiff_t>(at),
                            pts.begin() + static_cast<ptrdiff_t>(at + counts[i]));
    ring.push_back(ring.front());
    at += static_cast<size_t>(counts[i]);
    if (pen.null) continue;
    Stroke s = StrokePath(ring, pen);
    stroke.on = stroke.on.Union(s.on);
    stroke.off = stroke.off.Union(s.off);
  }
  Region outline = stroke.on.Union(stroke.off);
  FillArea(*dc, fill.Subtract(outline), RealizeBrush(*dc, dc->State().brush), dc->State().rop2);
  if (!pen.null) PaintStroke(*dc, stroke, pen);
  return TRUE;
}

BOOL Polygon(HDC hdc, const POINT* points, int count) { return PolyPolygon(hdc, points, &count, 1); }

BOOL Rectangle(HDC hdc, int l, int t, int r, int b) {
  GdiLock lock;
  DeviceContext* dc = LookupDC(hdc);
  if (dc == nullptr) return FALSE;
  RECT box = Ordered(*dc, l, t, r, b);
  Pen pen = CurrentPen(*dc);
  if (pen.null) {
    // Without a pen the filled area is one pixel narrower and shorter, as callers expect.
    FillArea(*dc, Region(RECT{box.left, box.top, box.right - 1, box.bottom - 1}),
             RealizeBrush(*dc, dc->State().brush), dc->State().rop2);
    return TRUE;
  }
  if (pen.style != PS_SOLID && pen.style != PS_INSIDEFRAME && pen.width == 1) {
    std::vector<POINT> ring{{box.left, box.top},
                            {box.right - 1, box.top},
                            {box.right - 1, box.bottom - 1},
                            {box.left, box.bottom - 1},
                            {box.left, box.top}};
    FillArea(*dc, Region(RECT{box.left + 1, box.top + 1, box.right - 1, box.bottom - 1}),
             RealizeBrush(*dc, dc->State().brush), dc->State().rop2);
    PaintStroke(*dc, StrokePath(ring, pen), pen);
    return TRUE;
  }
  BoxFigure(*dc, box, pen, InsideFrame(*dc), [](const RECT& r) { return Region(r); });
  return TRUE;
}

BOOL RoundRect(HDC hdc, int l, int t, int r, int b, int ew, int eh) {
  GdiLock lock;
  DeviceContext* dc = LookupDC(hdc);
  if (dc == nullptr) return FALSE;
  RECT box = Ordered(*dc, l, t, r, b);
  BoxFigure(*dc, box, CurrentPen(*dc), InsideFrame(*dc), [&](const RECT& rc) {
    int shrink = (box.right - box.left) - (rc.right - rc.left);
    return Region::RoundRect(rc.left, rc.top, rc.right, rc.bottom, ew - shrink, eh - shrink);
  });
  return TRUE;
}

BOOL Ellipse(HDC hdc, int l, int t, int r, int b) {
  GdiLock lock;
  DeviceContext* dc = LookupDC(hdc);
  if (dc == nullptr) return FALSE;
  BoxFigure(*dc, Ordered(*dc, l, t, r, b), CurrentPen(*dc), InsideFrame(*dc),
            [](const RECT& rc) { return Region::Ellipse(rc.left, rc.top, rc.right, rc.bottom); });
  return TRUE;
}

BOOL Arc(HDC hdc, int l, int t, int r, int b, int xs, int ys, int xe, int ye) {
  return ArcFigure(hdc, l, t, r, b, xs, ys, xe, ye, ArcKind::Arc);
}
BOOL Pie(HDC hdc, int l, int t, int r, int b, int xs, int ys, int xe, int ye) {
  return ArcFigure(hdc, l, t, r, b, xs, ys, xe, ye, ArcKind::Pie);
}
BOOL Chord(HDC hdc, int l, int t, int r, int b, int xs, int ys, int xe, int ye) {
  return ArcFigure(hdc, l, t, r, b, xs, ys, xe, ye, ArcKind::Chord);
}

// ---- rectangles ----------------------------------------------------------------

int FillRect(HDC hdc, const RECT* rect, HBRUSH brush) {
  GdiLock lock;
  DeviceContext* dc = LookupDC(hdc);
  if (dc == nullptr || rect == nullptr) return 0;
  if (rect->left >= rect->right || rect->top >= rect->bottom) return 1;
  RealBrush b = RealizeBrush(*dc, brush);
  if (b.null) return 1;
  PatArea(*dc, Region(dc->ToSurface(*rect)), b, 0xF0);
  return 1;
}

int FrameRect(HDC hdc, const RECT* rect, HBRUSH brush) {
  GdiLock lock;
  DeviceContext* dc = LookupDC(hdc);
  if (dc == nullptr || rect == nullptr) return 0;
  if (rect->left >= rect->right || rect->top >= rect->bottom) return 1;
  RECT r = dc->ToSurface(*rect);
  Region frame = Region(r).Subtract(Region(RECT{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1}));
  PatArea(*dc, frame, RealizeBrush(*dc, brush), 0xF0);
  return 1;
}

BOOL InvertRect(HDC hdc, const RECT* rect) {
  GdiLock lock;
  DeviceContext* dc = LookupDC(hdc);
  if (dc == nullptr || rect == nullptr) return FALSE;
  PatArea(*dc, Region(dc->ToSurface(*rect)), RealBrush{}, 0x55);
  return TRUE;
}

BOOL DrawFocusRect(HDC hdc, const RECT* rect) {
  GdiLock lock;
  DeviceContext* dc = LookupDC(hdc);
  if (dc == nullptr || rect == nullptr) return FALSE;
  RECT r = dc->ToSurface(*rect);
  Region frame = Region(r).Subtract(Region(RECT{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1}));
  // Every other pixel inverted, so drawing it twice removes it.
  Region dots = Filter(frame, [](int x, int y) { return ((x + y) & 1) == 0; });
  PatArea(*dc, dots, RealBrush{}, 0x55);
  return TRUE;
}

BOOL DrawEdge(HDC hdc, RECT* rect, UINT edge, UINT flags) {
  GdiLock lock;
  DeviceContext* dc = LookupDC(hdc);
  if (dc == nullptr || rect == nullptr) return FALSE;
  RECT r = *rect;
  auto line = [&](int l, int t, int rr, int b, int color) {
    if (l < rr && t < b) dc->FillSurfaceRect(dc->ToSurface(RECT{l, t, rr, b}), GetSysColor(color));
  };
  // One ring of the edge: top-left colour, bottom-right colour.
  auto ring = [&](int tl, int br) {
    if (flags & BF_LEFT) line(r.left, r.top, r.left + 1, r.bottom - 1, tl);
    if (flags & BF_TOP) line(r.left, r.top, r.right - 1, r.top + 1, tl);
    if (flags & BF_RIGHT) line(r.right - 1, r.top, r.right, r.bottom, br);
    if (flags & BF_BOTTOM) line(r.left, r.bottom - 1, r.right, r.bottom, br);
    if (flags & BF_LEFT) ++r.left;
    if (flags & BF_TOP) ++r.top;
    if (flags & BF_RIGHT) --r.right;
    if (flags & BF_BOTTOM) --r.bottom;
  };
  UINT outer = edge & BDR_OUTER, inner = edge & BDR_INNER;
  if (flags & BF_MONO) {
    if (outer) ring(COLOR_WINDOWFRAME, COLOR_WINDOWFRAME);
    if (inner) ring(COLOR_WINDOW, COLOR_WINDOW);
  } else if (flags & BF_FLAT) {
    if (outer) ring(COLOR_BTNSHADOW, COLOR_BTNSHADOW);
    if (inner) ring(COLOR_BTNFACE, COLOR_BTNFACE);
  } else {
    if (outer == BDR_RAISEDOUTER) ring(COLOR_3DLIGHT, COLOR_3DDKSHADOW);
    if (outer == BDR_SUNKENOUTER) ring(COLOR_BTNSHADOW, COLOR_BTNHIGHLIGHT);
    if (inner == BDR_RAISEDINNER) ring(COLOR_BTNHIGHLIGHT, COLOR_BTNSHADOW);
    if (inner == BDR_SUNKENINNER) ring(COLOR_3DDKSHADOW, COLOR_3DLIGHT);
  }
  if (flags & BF_MIDDLE)
    line(r.left, r.top, r.right, r.bottom, (flags & BF_MONO) ? COLOR_WINDOW : COLOR_BTNFACE);
  if (flags & BF_ADJUST) *rect = r;
  return TRUE;
}

// ---- pixels --------------------------------------------------------------------

COLORREF SetPixel(HDC hdc, int x, int y, COLORREF color) {
  GdiLock lock;
  DeviceContext* dc = LookupDC(hdc);
  Surface* s = dc != nullptr ? dc->GetSurface() : nullptr;
  if (s == nullptr) return CLR_INVALID;
  POINT p = dc->ToSurface(POINT{x, y});
  if (!dc->EffectiveClip().Contains(p.x, p.y)) return CLR_INVALID;
  uint32_t v = dc->PixelValue(color);
  dc->Touch(RECT{p.x, p.y, p.x + 1, p.y + 1});
  s->Put(p.x, p.y, v);
  return s->ToColor(v);
}

BOOL SetPixelV(HDC hdc, int x, int y, COLORREF color) { return SetPixel(hdc, x, y, color) != CLR_INVALID; }

COLORREF GetPixel(HDC hdc, int x, int y) {
  GdiLock lock;
  DeviceContext* dc = LookupDC(hdc);
  Surface* s = dc != nullptr ? dc->GetSurface() : nullptr;
  if (s == nullptr) return CLR_INVALID;
  POINT p = dc->ToSurface(POINT{x, y});
  if (!dc->EffectiveClip().Contains(p.x, p.y)) return CLR_INVALID;
  return s->ToColor(s->Get(p.x, p.y));
}

}  // namespace plat
