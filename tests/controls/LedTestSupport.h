#pragma once
// Reads seven-segment cells back from pixels: the segment and mark boxes are
// those the strip generator draws, so a cell reads as the character whose
// segments are lit.
#include <functional>
#include <string>

#include "controls/MMLEDs.h"
#include "tools/resgen/LedGeometry.h"

namespace controls::testing {

// Lit segments (a..g) of the digits, as a reader expects them.
inline const char* const kDigitSegments[10] = {"abcdef", "bc",     "abdeg", "abcdg",   "bcfg",
                                               "acdfg",  "acdefg", "abc",   "abcdefg", "abcdfg"};

enum class Dot { kLit, kUnlit, kBack, kOther };

// A cell of w x h at (x, y) of a picture whose pixels `dot` classifies:
// '0'..'9' for a digit, ' ' for all segments unlit, '-' for a sign cell
// showing the minus, '.' and ':' for the other sign cells, '_' for a blank
// sign cell, '?' for anything else.
inline char ReadLedCell(const std::function<Dot(int, int)>& dot, int x, int y, int w, int h) {
  const auto seg = resgen::LedSegments(w, h);
  const auto at = [&](const resgen::LedBox& b) { return dot(x + b.CenterX(), y + b.CenterY()); };
  std::string lit;
  int unlit = 0, back = 0;
  for (int s = 0; s < 7; ++s) {
    const Dot d = at(seg[static_cast<size_t>(s)]);
    if (d == Dot::kLit) lit += static_cast<char>('a' + s);
    unlit += d == Dot::kUnlit;
    if (s != 3) back += d == Dot::kBack;  // the period sits where d is
  }
  if (lit.size() + static_cast<size_t>(unlit) == 7) {
    if (lit.empty()) return ' ';
    for (int digit = 0; digit < 10; ++digit)
      if (lit == kDigitSegments[digit]) return static_cast<char>('0' + digit);
    return '?';
  }
  // A sign cell: only the minus bar (where g is) and the dots are drawn.
  if (back != 5) return '?';
  const resgen::LedMarks m = resgen::LedSignMarks(w, h);
  const Dot minus = at(m.minus), period = at(m.period), colon = at(m.colon_top);
  if (minus == Dot::kLit && period == Dot::kUnlit && colon == Dot::kUnlit) return '-';
  if (period == Dot::kLit && minus == Dot::kUnlit && colon == Dot::kUnlit) return '.';
  if (colon == Dot::kLit && at(m.colon_bottom) == Dot::kLit && minus == Dot::kUnlit) return ':';
  if (minus == Dot::kUnlit && period == Dot::kUnlit && colon == Dot::kUnlit) return '_';
  return '?';
}

// What the panel's digits show, most significant first: a digit, ' ' for a
// blank digit, '-' for a minus.
inline std::string Shown(const controls::TMMLEDPanel& panel) {
  std::string s;
  for (int i = panel.NumDigits() - 1; i >= 0; --i) {
    const controls::TMMCustomLEDDigit* d = panel.Digit(i);
    const int cell = d->CellShown();
    if (d->DisplayType() == controls::ltMinus)
      s += '-';
    else
      s += cell == 0 ? ' ' : static_cast<char>('0' + cell - 1);
  }
  return s;
}

}  // namespace controls::testing
