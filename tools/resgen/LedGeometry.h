#pragma once
// Where the seven-segment cells of the LED strips put their segments and
// marks, as half-open pixel boxes inside one cell. Header only, so the tests
// that read the strips back find the segments where the generator drew them.
#include <algorithm>
#include <array>

namespace resgen {

struct LedBox {
  int x1, y1, x2, y2;  // [x1, x2) x [y1, y2)
  int CenterX() const { return (x1 + x2 - 1) / 2; }
  int CenterY() const { return (y1 + y2 - 1) / 2; }
};

// Segments a (top), b (top right), c (bottom right), d (bottom), e (bottom
// left), f (top left), g (middle), in that order.
inline std::array<LedBox, 7> LedSegments(int w, int h) {
  const int t = std::max(1, w / 6);                        // stroke
  const int gap = t > 1 ? 1 : 0;                           // between neighbouring segments
  const int left = w / 8, right = w - std::max(1, w / 6);  // the right margin parts digits
  const int top = h / 14, bottom = h - h / 14;
  const int mid = (top + bottom - 1) / 2 - t / 2;  // top row of the middle bar
  const int hx1 = left + t + gap, hx2 = right - t - gap;
  return {{
      {hx1, top, hx2, top + t},                             // a
      {right - t, top + t + gap, right, mid - gap},         // b
      {right - t, mid + t + gap, right, bottom - t - gap},  // c
      {hx1, bottom - t, hx2, bottom},                       // d
      {left, mid + t + gap, left + t, bottom - t - gap},    // e
      {left, top + t + gap, left + t, mid - gap},           // f
      {hx1, mid, hx2, mid + t},                             // g
  }};
}

// The sign cells' marks: the period, the colon's two dots and the minus.
struct LedMarks {
  LedBox period, colon_top, colon_bottom, minus;
};

inline LedMarks LedSignMarks(int w, int h) {
  const auto seg = LedSegments(w, h);
  const int t = seg[0].y2 - seg[0].y1;
  const int x = (seg[0].x1 + seg[0].x2) / 2 - t / 2;
  const int top = seg[0].y1, mid = seg[6].y1, bottom = seg[3].y2;
  const int upper = (top + mid) / 2, lower = (mid + t + bottom) / 2 - t / 2;
  return {{x, bottom - t, x + t, bottom}, {x, upper, x + t, upper + t}, {x, lower, x + t, lower + t}, seg[6]};
}

}  // namespace resgen
