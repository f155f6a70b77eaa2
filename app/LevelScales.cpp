#include "app/LevelScales.h"

#include <initializer_list>
#include <string>

namespace app {

namespace {

// Black ground over the whole picture, pen solid and one pixel wide.
void Ground(vcl::TCanvas* c, int w, int h) {
  c->Pen()->SetStyle(vcl::psSolid);
  c->Pen()->SetWidth(1);
  c->Pen()->SetColor(vcl::clBlack);
  c->Brush()->SetStyle(vcl::bsSolid);
  c->Brush()->SetColor(vcl::clBlack);
  c->FillRect(vcl::TRect{0, 0, w, h});
}

void RedZone(vcl::TCanvas* c, int x1, int y1, int x2, int y2) {
  c->Pen()->SetColor(vcl::clRed);
  c->Brush()->SetColor(vcl::clRed);
  c->Rectangle(x1, y1, x2, y2);
}

// Ticks and labels in the line colour on black.
void Ink(vcl::TCanvas* c, vcl::TColor line) {
  c->Pen()->SetColor(line);
  c->Font()->SetColor(line);
  c->Brush()->SetColor(vcl::clBlack);
}

void Line(vcl::TCanvas* c, int x1, int y, int x2) {
  c->MoveTo(x1, y);
  c->LineTo(x2, y);
}

std::string Padded(int v) { return " " + std::to_string(v) + " "; }

// The K-System scales: a top line and label, then 20 ticks of s = h div 18
// from y = 4, each a line across with the level in dB; the level falls by 4
// dB per tick down to `step_change`, by 6 after it. `first` ticks without a
// line or label lead the scale; `dashes` says where a dashed mark goes.
struct KScale {
  const char* top;
  int start;
  int first_drawn;
  int step_change;
  bool (*dashes)(int tick);
  const char* dash_text;
};

void DrawK(vcl::TCanvas* c, int w, int h, vcl::TColor line, const KScale& k) {
  Ground(c, w, h);
  Ink(c, line);
  Line(c, 0, 10, w);
  c->TextOut(8, 5, k.top);
  const int s = h / 18;
  int y = 4;
  int v = k.start;
  for (int tick = 1; tick <= 20; ++tick) {
    y += s;
    if (tick >= k.first_drawn) {
      Line(c, 0, y, w);
      c->TextOut(tick <= 8 ? 10 : 8, y - 7, Padded(v));
      if (k.dashes(tick)) c->TextOut(0, y - 7, k.dash_text);
    }
    v -= tick <= k.step_change ? 4 : 6;
  }
}

}  // namespace

void DrawScaleK20(vcl::TCanvas* c, int w, int h, vcl::TColor line) {
  DrawK(c, w, h, line, {" 20 ", 16, 1, 11, [](int t) { return t >= 13 && t % 2 == 1; }, "    ----       "});
}

void DrawScaleK14(vcl::TCanvas* c, int w, int h, vcl::TColor line) {
  DrawK(c, w, h, line, {" 14 ", 12, 2, 10, [](int t) { return t >= 12 && t % 2 == 0; }, "    ----    "});
  // The K-14 reference mark sits above the second tick.
  const int y = 4 + 2 * (h / 18);
  c->TextOut(0, y - 50, "--- 12 ---");
}

void DrawScaleK12(vcl::TCanvas* c, int w, int h, vcl::TColor line) {
  DrawK(c, w, h, line, {" 12 ", 8, 1, 9, [](int t) { return t >= 11 && t % 2 == 1; }, "    ----    "});
}

void DrawScaleEBU(vcl::TCanvas* c, int w, int h, vcl::TColor line) {
  Ground(c, w, h);
  Ink(c, line);
  const int top = h / 36;
  Line(c, 3, top, w - 15);
  static const char* const kLabels[] = {"+ 12", "+ 8", "+ 4", " 0", " -4", " -8", " -12", nullptr};
  const int s = h / 17;
  int y = top;
  for (int tick = 1; tick <= 16; ++tick) {
    y += s;
    if (tick % 2 == 0) {
      Line(c, 3, y, w - 10);
      if (const char* label = kLabels[tick / 2 - 1]) c->TextOut(13, y - 7, label);
    }
    if (tick >= 2) Line(c, 3, y, w - 25);
  }
}

void DrawScaleBBC(vcl::TCanvas* c, int w, int h, vcl::TColor line) {
  Ground(c, w, h);
  Ink(c, line);
  const int top = h / 36;
  Line(c, 3, top, w - 15);
  c->TextOut(20, top - 5, " 7");
  static const char* const kLabels[] = {" 6", " 5", " 4", " 3", " 2", " 1"};
  int y = top;
  for (int tick = 1; tick <= 18; ++tick) {
    y += tick <= 4 ? h / 14 : h / 15;
    if (tick % 2 == 1) {
      Line(c, 3, y, w - 25);
      continue;
    }
    Line(c, 3, y, w - 12);
    if (tick / 2 <= 6) c->TextOut(20, y - 5, kLabels[tick / 2 - 1]);
  }
}

void DrawScaleNordic(vcl::TCanvas* c, int w, int h, vcl::TColor line) {
  Ground(c, w, h);
  RedZone(c, 10, 10, w - 10, h / 8 - 5);
  Ink(c, line);
  Line(c, 0, 10, w);
  const int s1 = h / 18;
  const int s2 = h / 19;
  int y = 4;
  for (int tick = 1; tick <= 6; ++tick) {
    y += s1;
    if (tick % 2 == 1)
      Line(c, 10, y, w - 10);
    else
      Line(c, 0, y, w);
  }
  c->TextOut(10, y - 5, " -6 ");
  static const char* const kLabels[] = {" -12", " -18", " -24", " -30", " -36", " -42"};
  for (int tick = 7; tick <= 18; ++tick) {
    y += s2;
    if (tick % 2 == 1) {
      Line(c, 10, y, w - 10);
      continue;
    }
    Line(c, 0, y, w);
    c->TextOut(8, y - 7, kLabels[(tick - 8) / 2]);
  }
  c->TextOut(9, 0, "+12");
  c->TextOut(11, 2 * s1 + 7, "+6");
  c->TextOut(8, 4 * s1 - 2, "Test");
}

void DrawScaleDIN(vcl::TCanvas* c, int w, int h, vcl::TColor line) {
  Ground(c, w, h);
  RedZone(c, 3, 10, w - 20, h / 6);
  Ink(c, line);
  const int a = h / 5, b = h / 34, cc = h / 28, d = h / 24, e = h / 20;
  for (int y : {10, h / 6, a + 4 * b}) Line(c, 3, y, w - 12);
  for (int y : {h / 24, (h / 6) / 2 - 3, h / 7, h / 9, a, a + b, a + 2 * b, a + 3 * b, a + 5 * b, a + 6 * b,
                a + 7 * b, a + 8 * b + 5, a + 8 * cc, a + 11 * d, a + 9 * d, a + 14 * d + 9, a + 13 * d - 9,
                a + 16 * e, a + 15 * e - 24})
    Line(c, 3, y, w - 15);
  struct Label {
    int x, y;
    const char* text;
  };
  const Label labels[] = {{24, 5, "+5"},
                          {24, h / 6 - 5, " 0"},
                          {20, a + 4 * b - 7, " -5"},
                          {16, a + 8 * cc - 7, " -10"},
                          {16, a + 9 * d - 7, " -15"},
                          {16, a + 11 * d - 7, " -20"},
                          {16, a + 13 * d - 17, " -25"},
                          {16, a + 14 * d + 2, " -30"},
                          {16, a + 15 * e - 31, " -40"},
                          {16, a + 16 * e - 7, " -50"}};
  for (const Label& l : labels) c->TextOut(l.x, l.y, l.text);
}

bool DrawScaleOf(int index, vcl::TCanvas* canvas, int w, int h, vcl::TColor line) {
  using Painter = void (*)(vcl::TCanvas*, int, int, vcl::TColor);
  static constexpr Painter kPainters[] = {DrawScaleNordic, DrawScaleDIN, DrawScaleBBC, DrawScaleEBU,
                                          nullptr,         DrawScaleK20, DrawScaleK14, DrawScaleK12};
  if (index < 0 || index >= 8 || !kPainters[index]) return false;
  kPainters[index](canvas, w, h, line);
  return true;
}

}  // namespace app
