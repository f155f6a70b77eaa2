#include "platform/gdi/Region.h"

#include <algorithm>
#include <cmath>

namespace plat {

namespace {

using Spans = std::vector<Region::Span>;

bool Apply(bool a, bool b, int mode) {
  switch (mode) {
    case RGN_AND:
      return a && b;
    case RGN_OR:
      return a || b;
    case RGN_XOR:
      return a != b;
    case RGN_DIFF:
      return a && !b;
    default:
      return a;
  }
}

// One-dimensional combination of two sorted, disjoint span lists.
Spans CombineSpans(const Spans& a, const Spans& b, int mode) {
  std::vector<int> xs;
  xs.reserve(2 * (a.size() + b.size()));
  for (const auto& s : a) xs.insert(xs.end(), {s.left, s.right});
  for (const auto& s : b) xs.insert(xs.end(), {s.left, s.right});
  std::sort(xs.begin(), xs.end());
  xs.erase(std::unique(xs.begin(), xs.end()), xs.end());
  Spans out;
  size_t ia = 0, ib = 0;
  for (size_t i = 0; i + 1 < xs.size(); ++i) {
    int x = xs[i];
    while (ia < a.size() && a[ia].right <= x) ++ia;
    while (ib < b.size() && b[ib].right <= x) ++ib;
    bool in_a = ia < a.size() && a[ia].left <= x;
    bool in_b = ib < b.size() && b[ib].left <= x;
    if (!Apply(in_a, in_b, mode)) continue;
    if (!out.empty() && out.back().right == x)
      out.back().right = xs[i + 1];
    else
      out.push_back({x, xs[i + 1]});
  }
  return out;
}

const Spans kNoSpans;

}  // namespace

Region::Region(const RECT& r) {
  if (r.left < r.right && r.top < r.bottom) bands_.push_back({r.top, r.bottom, {{r.left, r.right}}});
}

Region Region::FromRect(int left, int top, int right, int bottom) {
  return Region(RECT{left, top, right, bottom});
}

void Region::Normalize() {
  std::vector<Band> out;
  for (auto& b : bands_) {
    if (b.top >= b.bottom || b.spans.empty()) continue;
    if (!out.empty() && out.back().bottom == b.top && out.back().spans == b.spans)
      out.back().bottom = b.bottom;
    else
      out.push_back(std::move(b));
  }
  bands_ = std::move(out);
}

Region Region::FromRows(std::vector<std::pair<int, Span>> rows) {
  std::sort(rows.begin(), rows.end(), [](const auto& a, const auto& b) {
    return a.first != b.first ? a.first < b.first : a.second.left < b.second.left;
  });
  Region r;
  for (const auto& [y, span] : rows) {
    if (span.left >= span.right) continue;
    if (r.bands_.empty() || r.bands_.back().top != y) r.bands_.push_back({y, y + 1, {}});
    Spans& spans = r.bands_.back().spans;
    if (!spans.empty() && span.left <= spans.back().right)
      spans.back().right = std::max(spans.back().right, span.right);
    else
      spans.push_back(span);
  }
  r.Normalize();
  return r;
}

Region Region::FromPolygons(const POINT* points, const int* counts, int polygons, int fill_mode) {
  struct Edge {
    double x0, y0, x1, y1;
    int dir;
  };
  std::vector<Edge> edges;
  int min_y = 0, max_y = 0;
  bool any = false;
  const POINT* p = points;
  for (int k = 0; k < polygons; ++k) {
    int n = counts[k];
    for (int i = 0; i < n; ++i) {
      const POINT& a = p[i];
      const POINT& b = p[(i + 1) % n];
      if (!any) {
        min_y = max_y = a.y;
        any = true;
      }
      min_y = std::min(min_y, a.y);
      max_y = std::max(max_y, a.y);
      if (a.y == b.y) continue;
      edges.push_back({double(a.x), double(a.y), double(b.x), double(b.y), a.y < b.y ? 1 : -1});
    }
    p += n;
  }
  std::vector<std::pair<int, Span>> rows;
  std::vector<std::pair<double, int>> xs;
  for (int y = min_y; y < max_y; ++y) {
    double yc = y + 0.5;
    xs.clear();
    for (const Edge& e : edges) {
      double lo = std::min(e.y0, e.y1), hi = std::max(e.y0, e.y1);
      if (yc < lo || yc >= hi) continue;
      xs.push_back({e.x0 + (yc - e.y0) * (e.x1 - e.x0) / (e.y1 - e.y0), e.dir});
    }
    std::sort(xs.begin(), xs.end());
    int winding = 0;
    for (size_t i = 0; i + 1 < xs.size(); ++i) {
      winding += fill_mode == WINDING ? xs[i].second : 1;
      bool inside = fill_mode == WINDING ? winding != 0 : (winding & 1) != 0;
      if (!inside) continue;
      // Pixels whose centres lie in [xa, xb): left and top edges belong to the shape.
      int left = static_cast<int>(std::ceil(xs[i].first - 0.5));
      int right = static_cast<int>(std::ceil(xs[i + 1].first - 0.5));
      if (left < right) rows.push_back({y, {left, right}});
    }
  }
  return FromRows(std::move(rows));
}

Region Region::Ellipse(int left, int top, int right, int bottom) {
  if (left > right) std::swap(left, right);
  if (top > bottom) std::swap(top, bottom);
  std::vector<std::pair<int, Span>> rows;
  double cx = (left + right) / 2.0, cy = (top + bottom) / 2.0;
  double rx = (right - left) / 2.0, ry = (bottom - top) / 2.0;
  if (rx <= 0 || ry <= 0) return Region();
  for (int y = top; y < bottom; ++y) {
    double dy = (y + 0.5 - cy) / ry;
    if (dy * dy > 1.0) continue;
    double dx = rx * std::sqrt(1.0 - dy * dy);
    // Pixel centres within [cx - dx, cx + dx], closed on both sides to stay symmetric.
    int l = static_cast<int>(std::ceil(cx - dx - 0.5));
    int r = static_cast<int>(std::floor(cx + dx - 0.5)) + 1;
    if (l < r) rows.push_back({y, {l, r}});
  }
  return FromRows(std::move(rows));
}

Region Region::RoundRect(int left, int top, int right, int bottom, int ew, int eh) {
  if (left > right) std::swap(left, right);
  if (top > bottom) std::swap(top, bottom);
  ew = std::min(std::abs(ew), right - left);
  eh = std::min(std::abs(eh), bottom - top);
  if (ew < 2 || eh < 2) return FromRect(left, top, right, bottom);
  double rx = ew / 2.0, ry = eh / 2.0;
  double top_cy = top + ry, bottom_cy = bottom - ry;
  std::vector<std::pair<int, Span>> rows;
  for (int y = top; y < bottom; ++y) {
    double yc = y + 0.5;
    double inset = 0;
    double dy = yc < top_cy ? (top_cy - yc) / ry : yc > bottom_cy ? (yc - bottom_cy) / ry : 0.0;
    if (dy > 1.0) continue;
    inset = rx - rx * std::sqrt(1.0 - dy * dy);
    int l = static_cast<int>(std::ceil(left + inset - 0.5));
    int r = static_cast<int>(std::floor(right - inset - 0.5)) + 1;
    if (l < r) rows.push_back({y, {l, r}});
  }
  return FromRows(std::move(rows));
}

RECT Region::Box() const {
  if (bands_.empty()) return RECT{};
  RECT box{bands_.front().spans.front().left, bands_.front().top, bands_.front().spans.back().right,
           bands_.back().bottom};
  for (const auto& b : bands_) {
    box.left = std::min(box.left, b.spans.front().left);
    box.right = std::max(box.right, b.spans.back().right);
  }
  return box;
}

int Region::Kind() const {
  if (bands_.empty()) return NULLREGION;
  return bands_.size() == 1 && bands_[0].spans.size() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

bool Region::Contains(int x, int y) const {
  for (const auto& b : bands_) {
    if (y < b.top) return false;
    if (y >= b.bottom) continue;
    for (const auto& s : b.spans)
      if (x >= s.left && x < s.right) return true;
    return false;
  }
  return false;
}

bool Region::Intersects(const RECT& r) const {
  if (r.left >= r.right || r.top >= r.bottom) return false;
  for (const auto& b : bands_) {
    if (b.bottom <= r.top) continue;
    if (b.top >= r.bottom) return false;
    for (const auto& s : b.spans)
      if (s.left < r.right && s.right > r.left) return true;
  }
  return false;
}

void Region::Offset(int dx, int dy) {
  for (auto& b : bands_) {
    b.top += dy;
    b.bottom += dy;
    for (auto& s : b.spans) {
      s.left += dx;
      s.right += dx;
    }
  }
}

std::vector<RECT> Region::Rects() const {
  std::vector<RECT> out;
  for (const auto& b : bands_)
    for (const auto& s : b.spans) out.push_back(RECT{s.left, b.top, s.right, b.bottom});
  return out;
}

Region Region::Combine(const Region& a, const Region& b, int mode) {
  if (mode == RGN_COPY) return a;
  // The common cases without the band sweep: clipping to a rectangle, and an
  // empty side.
  auto simple = [](const Region& r) { return r.bands_.size() == 1 && r.bands_[0].spans.size() == 1; };
  if (mode == RGN_AND && (a.Empty() || b.Empty())) return Region();
  if ((mode == RGN_DIFF || mode == RGN_OR || mode == RGN_XOR) && b.Empty()) return a;
  if ((mode == RGN_OR || mode == RGN_XOR) && a.Empty()) return b;
  if (mode == RGN_AND && simple(a) && simple(b)) {
    const Band& x = a.bands_[0];
    const Band& y = b.bands_[0];
    return Region(RECT{std::max(x.spans[0].left, y.spans[0].left), std::max(x.top, y.top),
                       std::min(x.spans[0].right, y.spans[0].right), std::min(x.bottom, y.bottom)});
  }
  std::vector<int> ys;
  for (const auto& band : a.bands_) ys.insert(ys.end(), {band.top, band.bottom});
  for (const auto& band : b.bands_) ys.insert(ys.end(), {band.top, band.bottom});
  std::sort(ys.begin(), ys.end());
  ys.erase(std::unique(ys.begin(), ys.end()), ys.end());
  Region out;
  size_t ia = 0, ib = 0;
  for (size_t i = 0; i + 1 < ys.size(); ++i) {
    int y = ys[i];
    while (ia < a.bands_.size() && a.bands_[ia].bottom <= y) ++ia;
    while (ib < b.bands_.size() && b.bands_[ib].bottom <= y) ++ib;
    const Spans& sa = ia < a.bands_.size() && a.bands_[ia].top <= y ? a.bands_[ia].spans : kNoSpans;
    const Spans& sb = ib < b.bands_.size() && b.bands_[ib].top <= y ? b.bands_[ib].spans : kNoSpans;
    Spans spans = CombineSpans(sa, sb, mode);
    if (!spans.empty()) out.bands_.push_back({y, ys[i + 1], std::move(spans)});
  }
  out.Normalize();
  return out;
}

bool Region::operator==(const Region& other) const {
  if (bands_.size() != other.bands_.size()) return false;
  for (size_t i = 0; i < bands_.size(); ++i) {
    const Band& a = bands_[i];
    const Band& b = other.bands_[i];
    if (a.top != b.top || a.bottom != b.bottom || a.spans != b.spans) return false;
  }
  return true;
}

void Region::ForEachSpan(const std::function<void(int, int, int)>& f) const {
  for (const auto& b : bands_)
    for (int y = b.top; y < b.bottom; ++y)
      for (const auto& s : b.spans) f(y, s.left, s.right);
}

}  // namespace plat
