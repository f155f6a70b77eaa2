#include "LibraryCursors.h"

#include <array>
#include <cmath>
#include <functional>
#include <utility>

namespace resgen {

namespace {

constexpr int kSize = 32;

struct Point {
  double x, y;
};

// The black part of a cursor; a pixel (x, y) is the point (x, y).
class Ink {
 public:
  void Set(int x, int y, bool on = true) {
    if (x >= 0 && y >= 0 && x < kSize && y < kSize) bits_[y][x] = on;
  }
  bool At(int x, int y) const { return x >= 0 && y >= 0 && x < kSize && y < kSize && bits_[y][x]; }

  void Each(const std::function<bool(double, double)>& inside) {
    for (int y = 0; y < kSize; ++y)
      for (int x = 0; x < kSize; ++x)
        if (inside(x, y)) bits_[y][x] = true;
  }
  // A stroke `width` pixels wide with round ends.
  void Line(double x1, double y1, double x2, double y2, double width) {
    Each([&](double x, double y) { return SegmentDistance({x, y}, {x1, y1}, {x2, y2}) <= width / 2; });
  }
  void Rect(int x1, int y1, int x2, int y2) {
    for (int y = y1; y <= y2; ++y)
      for (int x = x1; x <= x2; ++x) Set(x, y);
  }
  void Ring(double cx, double cy, double radius, double width) {
    Each([&](double x, double y) { return std::abs(std::hypot(x - cx, y - cy) - radius) <= width / 2; });
  }
  // Filled, edges included.
  void Polygon(std::initializer_list<Point> corners) {
    const std::vector<Point> p(corners);
    Each([&](double x, double y) {
      bool inside = false;
      for (size_t i = 0, j = p.size() - 1; i < p.size(); j = i++) {
        if ((p[i].y > y) != (p[j].y > y) && x < (p[j].x - p[i].x) * (y - p[i].y) / (p[j].y - p[i].y) + p[i].x)
          inside = !inside;
        if (SegmentDistance({x, y}, p[i], p[j]) <= 0.5) return true;
      }
      return inside;
    });
  }
  // "#" marks a 2 x 2 block, top-left at (x, y).
  void Pattern(int x, int y, std::initializer_list<const char*> rows) {
    int row = 0;
    for (const char* text : rows) {
      for (int col = 0; text[col]; ++col)
        if (text[col] == '#') Rect(x + 2 * col, y + 2 * row, x + 2 * col + 1, y + 2 * row + 1);
      ++row;
    }
  }

  void Transpose() {
    Remap([](int x, int y) { return std::pair{y, x}; });
  }
  void FlipVertical() {
    Remap([](int x, int y) { return std::pair{x, kSize - 1 - y}; });
  }
  void FlipHorizontal() {
    Remap([](int x, int y) { return std::pair{kSize - 1 - x, y}; });
  }

 private:
  static double SegmentDistance(Point p, Point a, Point b) {
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double length2 = dx * dx + dy * dy;
    double t = length2 > 0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / length2 : 0;
    t = std::fmax(0, std::fmin(1, t));
    return std::hypot(p.x - (a.x + t * dx), p.y - (a.y + t * dy));
  }
  template <class F>
  void Remap(F from) {
    std::array<std::array<bool, kSize>, kSize> old = bits_;
    for (int y = 0; y < kSize; ++y)
      for (int x = 0; x < kSize; ++x) {
        auto [sx, sy] = from(x, y);
        bits_[y][x] = old[sy][sx];
      }
  }

  std::array<std::array<bool, kSize>, kSize> bits_{};
};

// ---- shapes -----------------------------------------------------------------

void Arrow(Ink& ink) { ink.Polygon({{1, 1}, {1, 17}, {5, 13}, {8, 20}, {11, 19}, {8, 12}, {13, 12}}); }

void Magnifier(Ink& ink) {
  ink.Ring(12, 12, 8, 3);
  ink.Line(19, 19, 27, 27, 4);
}

void HorizontalRange(Ink& ink) {
  ink.Line(3, 8, 3, 22, 1);
  ink.Line(27, 8, 27, 22, 1);
  ink.Line(6, 15, 24, 15, 1);
  ink.Polygon({{5, 15}, {10, 10}, {10, 20}});
  ink.Polygon({{25, 15}, {20, 10}, {20, 20}});
}

void ColumnSplit(Ink& ink) {
  ink.Line(13, 4, 13, 26, 1);
  ink.Line(17, 4, 17, 26, 1);
  ink.Line(4, 15, 11, 15, 1);
  ink.Line(19, 15, 26, 15, 1);
  ink.Polygon({{2, 15}, {7, 10}, {7, 20}});
  ink.Polygon({{28, 15}, {23, 10}, {23, 20}});
}

void UpArrow(Ink& ink) {
  ink.Line(15, 10, 15, 29, 5);
  ink.Polygon({{15, 1}, {5, 12}, {25, 12}});
}

void CrossHair(Ink& ink) {
  ink.Line(15, 1, 15, 30, 1);
  ink.Line(1, 15, 30, 15, 1);
}

struct Shape {
  int number;
  int hot_x, hot_y;
  void (*draw)(Ink&);
};

// What each cursor is for: 2003 hovers over a movable selection, 2004 drags
// it, 2005 is the hand over a slider's thumb; the rest serve zooming,
// drawing, measuring, markers and the usual arrow badges.
const Shape kShapes[] = {
    {2001, 12, 12,
     [](Ink& ink) {  // zoom in
       Magnifier(ink);
       ink.Line(9, 12, 15, 12, 1);
       ink.Line(12, 9, 12, 15, 1);
     }},
    {2002, 12, 12,
     [](Ink& ink) {  // zoom out
       Magnifier(ink);
       ink.Line(9, 12, 15, 12, 1);
     }},
    {2003, 15, 15,
     [](Ink& ink) {  // open hand
       ink.Polygon({{8, 14}, {25, 14}, {25, 22}, {22, 28}, {11, 28}, {8, 22}});
       ink.Line(11, 14, 11, 5, 3);
       ink.Line(15, 14, 15, 3, 3);
       ink.Line(19, 14, 19, 4, 3);
       ink.Line(23, 14, 23, 7, 3);
       ink.Line(8, 22, 4, 15, 3);
     }},
    {2004, 15, 15,
     [](Ink& ink) {  // closed hand
       ink.Polygon({{8, 12}, {25, 12}, {25, 21}, {22, 27}, {11, 27}, {8, 21}});
       ink.Line(11, 12, 11, 9, 3);
       ink.Line(15, 12, 15, 8, 3);
       ink.Line(19, 12, 19, 8, 3);
       ink.Line(23, 12, 23, 9, 3);
       ink.Line(8, 19, 5, 15, 3);
     }},
    {2005, 12, 1,
     [](Ink& ink) {  // pointing hand
       ink.Polygon({{10, 15}, {26, 15}, {26, 23}, {23, 29}, {13, 29}, {10, 23}});
       ink.Line(12, 15, 12, 2, 3);
       ink.Line(16, 15, 16, 11, 3);
       ink.Line(20, 15, 20, 12, 3);
       ink.Line(24, 16, 24, 13, 3);
       ink.Line(10, 22, 6, 17, 3);
     }},
    {2006, 3, 28,
     [](Ink& ink) {  // pencil
       ink.Line(9, 22, 25, 6, 5);
       ink.Polygon({{3, 28}, {5, 21}, {10, 26}});
     }},
    {2007, 15, 15, CrossHair},
    {2008, 15, 15,
     [](Ink& ink) {  // cross-hair with a free centre
       ink.Line(15, 1, 15, 10, 1);
       ink.Line(15, 20, 15, 30, 1);
       ink.Line(1, 15, 10, 15, 1);
       ink.Line(20, 15, 30, 15, 1);
       ink.Ring(15, 15, 6, 1);
     }},
    {2009, 15, 15, HorizontalRange},
    {2010, 15, 15,
     [](Ink& ink) {
       HorizontalRange(ink);
       ink.Transpose();
     }},
    {2011, 15, 15, ColumnSplit},
    {2012, 15, 15,
     [](Ink& ink) {
       ColumnSplit(ink);
       ink.Transpose();
     }},
    {2013, 1, 1,
     [](Ink& ink) {  // add
       Arrow(ink);
       ink.Line(19, 24, 29, 24, 3);
       ink.Line(24, 19, 24, 29, 3);
     }},
    {2014, 1, 1,
     [](Ink& ink) {  // remove
       Arrow(ink);
       ink.Line(19, 24, 29, 24, 3);
     }},
    {2015, 1, 1,
     [](Ink& ink) {  // help
       Arrow(ink);
       ink.Pattern(19, 14, {".###.", "#...#", "....#", "...#.", "..#..", "..#..", ".....", "..#.."});
     }},
    {2016, 1, 1,
     [](Ink& ink) {  // not allowed
       Arrow(ink);
       ink.Ring(24, 24, 5, 3);
       ink.Line(20, 28, 28, 20, 3);
     }},
    {2017, 15, 15,
     [](Ink& ink) {  // move
       ink.Line(15, 5, 15, 25, 3);
       ink.Line(5, 15, 25, 15, 3);
       ink.Polygon({{15, 1}, {10, 6}, {20, 6}});
       ink.Polygon({{15, 30}, {10, 25}, {20, 25}});
       ink.Polygon({{1, 15}, {6, 10}, {6, 20}});
       ink.Polygon({{30, 15}, {25, 10}, {25, 20}});
     }},
    {2018, 12, 15,
     [](Ink& ink) {  // start marker
       ink.Line(12, 2, 12, 29, 1);
       ink.Polygon({{13, 2}, {21, 6}, {13, 10}});
     }},
    {2019, 19, 15,
     [](Ink& ink) {  // end marker
       ink.Line(19, 2, 19, 29, 1);
       ink.Polygon({{18, 2}, {10, 6}, {18, 10}});
     }},
    {2020, 15, 15,
     [](Ink& ink) {  // locator
       ink.Line(15, 6, 15, 29, 1);
       ink.Polygon({{9, 2}, {21, 2}, {15, 8}});
     }},
    {2021, 15, 15,
     [](Ink& ink) {  // cut
       for (int y = 7; y <= 24; y += 4) ink.Line(15, y, 15, y + 1, 1);
       ink.Polygon({{10, 1}, {20, 1}, {15, 6}});
       ink.Polygon({{10, 30}, {20, 30}, {15, 25}});
     }},
    {2022, 1, 1,
     [](Ink& ink) {  // play
       Arrow(ink);
       ink.Polygon({{20, 18}, {20, 30}, {29, 24}});
     }},
    {2023, 1, 1,
     [](Ink& ink) {  // levels
       Arrow(ink);
       ink.Rect(19, 26, 20, 30);
       ink.Rect(23, 22, 24, 30);
       ink.Rect(27, 18, 28, 30);
     }},
    {2024, 15, 1, UpArrow},
    {2025, 15, 30,
     [](Ink& ink) {
       UpArrow(ink);
       ink.FlipVertical();
     }},
    {2026, 1, 15,
     [](Ink& ink) {
       UpArrow(ink);
       ink.Transpose();
     }},
    {2027, 30, 15,
     [](Ink& ink) {
       UpArrow(ink);
       ink.Transpose();
       ink.FlipHorizontal();
     }},
    {2028, 12, 12, Magnifier},
    {2029, 15, 15,
     [](Ink& ink) {  // measure
       CrossHair(ink);
       for (int k : {-12, -8, -4, 4, 8, 12}) {
         ink.Line(15 + k, 13, 15 + k, 17, 1);
         ink.Line(13, 15 + k, 17, 15 + k, 1);
       }
     }},
    {2030, 1, 1,
     [](Ink& ink) {  // busy
       Arrow(ink);
       ink.Polygon({{19, 17}, {29, 17}, {24, 23}});
       ink.Polygon({{24, 23}, {19, 30}, {29, 30}});
     }},
    {2031, 1, 1,
     [](Ink& ink) {  // drag
       Arrow(ink);
       for (int i = 0; i <= 12; i += 2) {
         ink.Set(17 + i, 18);
         ink.Set(17 + i, 30);
         ink.Set(17, 18 + i);
         ink.Set(29, 18 + i);
       }
     }},
};

void PutWord(std::vector<uint8_t>& out, unsigned value) {
  out.push_back(static_cast<uint8_t>(value));
  out.push_back(static_cast<uint8_t>(value >> 8));
}

void PutDword(std::vector<uint8_t>& out, unsigned value) {
  PutWord(out, value & 0xFFFF);
  PutWord(out, value >> 16);
}

std::vector<uint8_t> CursorFile(const Ink& ink, int hot_x, int hot_y) {
  constexpr unsigned kStride = kSize / 8;  // 32 pixels of 1 bit: already a multiple of 4 bytes
  constexpr unsigned kImageBytes = 40 + 8 + 2 * kStride * kSize;
  std::vector<uint8_t> out;
  // Directory with one entry.
  PutWord(out, 0);
  PutWord(out, 2);
  PutWord(out, 1);
  out.insert(out.end(), {kSize, kSize, 2, 0});
  PutWord(out, static_cast<unsigned>(hot_x));
  PutWord(out, static_cast<unsigned>(hot_y));
  PutDword(out, kImageBytes);
  PutDword(out, 22);
  // Header: the height counts the colour plane and the mask.
  PutDword(out, 40);
  PutDword(out, kSize);
  PutDword(out, 2 * kSize);
  PutWord(out, 1);
  PutWord(out, 1);
  PutDword(out, 0);
  PutDword(out, 2 * kStride * kSize);
  PutDword(out, 0);
  PutDword(out, 0);
  PutDword(out, 2);
  PutDword(out, 0);
  out.insert(out.end(), {0, 0, 0, 0, 255, 255, 255, 0});
  // The white rim: pixels next to the ink that are not ink themselves.
  auto rim = [&](int x, int y) {
    if (ink.At(x, y)) return false;
    for (int dy = -1; dy <= 1; ++dy)
      for (int dx = -1; dx <= 1; ++dx)
        if (ink.At(x + dx, y + dy)) return true;
    return false;
  };
  for (bool mask : {false, true}) {
    for (int y = kSize - 1; y >= 0; --y) {  // bottom-up
      for (unsigned byte = 0; byte < kStride; ++byte) {
        uint8_t bits = 0;
        for (int bit = 0; bit < 8; ++bit) {
          const int x = static_cast<int>(byte) * 8 + bit;
          const bool set = mask ? !ink.At(x, y) && !rim(x, y) : rim(x, y);
          if (set) bits |= static_cast<uint8_t>(0x80 >> bit);
        }
        out.push_back(bits);
      }
    }
  }
  return out;
}

}  // namespace

std::vector<uint8_t> DrawLibraryCursor(int number) {
  for (const Shape& shape : kShapes) {
    if (shape.number != number) continue;
    Ink ink;
    shape.draw(ink);
    return CursorFile(ink, shape.hot_x, shape.hot_y);
  }
  return {};
}

}  // namespace resgen
