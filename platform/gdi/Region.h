#pragma once
// Regions as sorted horizontal bands, each holding sorted, disjoint x-spans.
// Every operation is exact on pixels. Adjacent bands with equal spans are merged,
// so two regions covering the same pixels compare equal.
#include <cstdint>
#include <functional>
#include <vector>

#include "platform/gdi/Gdi.h"

namespace plat {

class Region {
 public:
  struct Span {
    int left;
    int right;  // exclusive
    bool operator==(const Span&) const = default;
  };
  struct Band {
    int top;
    int bottom;  // exclusive
    std::vector<Span> spans;
  };

  Region() = default;
  explicit Region(const RECT& r);
  static Region FromRect(int left, int top, int right, int bottom);
  // Builds from row spans: add rows in any order; several spans per row allowed.
  static Region FromRows(std::vector<std::pair<int, Span>> rows);
  // Pixel centres inside the polygons by the fill rule (ALTERNATE or WINDING).
  static Region FromPolygons(const POINT* points, const int* counts, int polygons, int fill_mode);
  // The ellipse inscribed in [left, right) x [top, bottom).
  static Region Ellipse(int left, int top, int right, int bottom);
  static Region RoundRect(int left, int top, int right, int bottom, int ellipse_width, int ellipse_height);

  bool Empty() const { return bands_.empty(); }
  RECT Box() const;
  // NULLREGION, SIMPLEREGION or COMPLEXREGION.
  int Kind() const;
  bool Contains(int x, int y) const;
  bool Intersects(const RECT& r) const;
  void Offset(int dx, int dy);
  const std::vector<Band>& Bands() const { return bands_; }
  std::vector<RECT> Rects() const;

  // Combination by RGN_AND, RGN_OR, RGN_XOR or RGN_DIFF.
  static Region Combine(const Region& a, const Region& b, int mode);
  Region Intersect(const Region& other) const { return Combine(*this, other, RGN_AND); }
  Region Intersect(const RECT& r) const { return Combine(*this, Region(r), RGN_AND); }
  Region Union(const Region& other) const { return Combine(*this, other, RGN_OR); }
  Region Subtract(const Region& other) const { return Combine(*this, other, RGN_DIFF); }

  bool operator==(const Region& other) const;

  // Calls f(y, left, right) for every row span, top to bottom.
  void ForEachSpan(const std::function<void(int, int, int)>& f) const;

 private:
  void Normalize();
  std::vector<Band> bands_;
};

}  // namespace plat
