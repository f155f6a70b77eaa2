#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Surface.h"
#include "platform/gdi/Text.h"

namespace plat {
namespace {

constexpr COLORREF kPaper = RGB(255, 255, 255);
constexpr COLORREF kInk = RGB(0, 0, 0);
constexpr COLORREF kCell = RGB(255, 0, 0);

std::string Show(const RECT& r) {
  return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + ")-(" + std::to_string(r.right) + "," +
         std::to_string(r.bottom) + ")";
}

bool Inside(const RECT& inner, const RECT& outer) {
  return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
         inner.bottom <= outer.bottom;
}

// A surface the test owns, with a DC drawing into it.
class Canvas {
 public:
  explicit Canvas(int bits = 32, int width = 240, int height = 160) {
    surface_.width = width;
    surface_.height = height;
    surface_.bits_per_pixel = bits;
    surface_.stride = DibStride(width, bits);
    if (bits <= 8) surface_.colors = DefaultColorTable(bits);
    memory_.assign(static_cast<size_t>(surface_.stride) * height, 0);
    surface_.bits = memory_.data();
    hdc_ = CreateDCForSurface(&surface_);
    Clear();
  }
  ~Canvas() { DeleteDC(hdc_); }
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  HDC dc() const { return hdc_; }
  void Clear() {
    for (int y = 0; y < surface_.height; ++y)
      for (int x = 0; x < surface_.width; ++x) surface_.Put(x, y, surface_.FromColor(kPaper));
  }
  COLORREF At(int x, int y) const { return surface_.ToColor(surface_.Get(x, y)); }
  // Smallest rectangle of pixels with this colour; all zero when there are none.
  RECT Bounds(COLORREF color) const {
    return BoundsWhere([&](COLORREF c) { return c == color; });
  }
  RECT Changed() const {
    return BoundsWhere([](COLORREF c) { return c != kPaper; });
  }

 private:
  template <class Pred>
  RECT BoundsWhere(Pred pred) const {
    RECT r{};
    bool any = false;
    for (int y = 0; y < surface_.height; ++y)
      for (int x = 0; x < surface_.width; ++x)
        if (pred(At(x, y))) {
          if (!any) r = RECT{x, y, x + 1, y + 1};
          r.left = std::min<LONG>(r.left, x), r.top = std::min<LONG>(r.top, y);
          r.right = std::max<LONG>(r.right, x + 1), r.bottom = std::max<LONG>(r.bottom, y + 1);
          any = true;
        }
    return r;
  }

  Surface surface_;
  std::vector<uint8_t> memory_;
  HDC hdc_ = nullptr;
};

// Selects a font for the life of the object and deletes it afterwards.
class ScopedFont {
 public:
  ScopedFont(HDC dc, HFONT font) : dc_(dc), font_(font), old_(SelectObject(dc, font)) {}
  ScopedFont(HDC dc, const char* face, int height, int escapement = 0, int weight = FW_NORMAL)
      : ScopedFont(dc, CreateFontA(height, 0, escapement, escapement, weight, 0, 0, 0, DEFAULT_CHARSET,
                                   OUT_TT_PRECIS, CLIP_DEFAULT_PRECIS, PROOF_QUALITY, 0, face)) {}
  ~ScopedFont() {
    SelectObject(dc_, old_);
    DeleteObject(font_);
  }

 private:
  HDC dc_;
  HFONT font_;
  HGDIOBJ old_;
};

SIZE Measure(HDC dc, const char* text) {
  SIZE s{};
  EXPECT_TRUE(GetTextExtentPoint32A(dc, text, static_cast<int>(std::strlen(text)), &s));
  return s;
}

TEST(TextTest, OpaqueCellIsTheMeasuredRectangleForEveryAlignment) {
  const char* text = "Peak -3.5 dB";
  for (int bits : {32, 8}) {
    Canvas canvas(bits);
    HDC dc = canvas.dc();
    ScopedFont font(dc, "Arial", -13);
    const SIZE size = Measure(dc, text);
    TEXTMETRICA tm;
    ASSERT_TRUE(GetTextMetricsA(dc, &tm));
    ASSERT_EQ(size.cy, tm.tmHeight);
    SetBkMode(dc, OPAQUE);
    SetBkColor(dc, kCell);
    SetTextColor(dc, kInk);
    const int x = 120, y = 70;
    struct Case {
      UINT align;
      RECT box;
    } cases[] = {
        {TA_LEFT | TA_TOP, {x, y, x + size.cx, y + size.cy}},
        {TA_RIGHT | TA_TOP, {x - size.cx, y, x, y + size.cy}},
        {TA_CENTER | TA_TOP, {x - size.cx / 2, y, x - size.cx / 2 + size.cx, y + size.cy}},
        {TA_LEFT | TA_BASELINE, {x, y - tm.tmAscent, x + size.cx, y + tm.tmDescent}},
        {TA_RIGHT | TA_BOTTOM, {x - size.cx, y - size.cy, x, y}},
    };
    for (const Case& c : cases) {
      SCOPED_TRACE(std::to_string(bits) + " bits, align " + std::to_string(c.align));
      canvas.Clear();
      SetTextAlign(dc, c.align);
      ASSERT_TRUE(TextOutA(dc, x, y, text, static_cast<int>(std::strlen(text))));
      EXPECT_EQ(Show(canvas.Changed()), Show(c.box));
      RECT ink = canvas.Bounds(kInk);
      EXPECT_GT(ink.right, ink.left);
      EXPECT_TRUE(Inside(ink, c.box)) << Show(ink);
    }
  }
}

TEST(TextTest, TransparentTextKeepsTheBackground) {
  Canvas canvas;
  HDC dc = canvas.dc();
  ScopedFont font(dc, "Times New Roman", -16);
  SetBkMode(dc, TRANSPARENT);
  SetBkColor(dc, kCell);
  SetTextColor(dc, kInk);
  TextOutA(dc, 10, 10, "Spectrum", 8);
  EXPECT_EQ(canvas.Bounds(kCell).right, 0);
  SIZE size = Measure(dc, "Spectrum");
  EXPECT_TRUE(Inside(canvas.Changed(), RECT{10, 10, 10 + size.cx, 10 + size.cy}));
}

TEST(TextTest, UpdateCurrentPositionChainsRuns) {
  Canvas canvas;
  HDC dc = canvas.dc();
  ScopedFont font(dc, "Arial", -12);
  SetBkMode(dc, OPAQUE);
  SetTextAlign(dc, TA_UPDATECP | TA_TOP | TA_LEFT);
  SetBkColor(dc, kCell);
  TextOutA(dc, 99, 99, "Left ", 5);  // the position comes from the DC, not the call
  SetBkColor(dc, RGB(0, 0, 255));
  TextOutA(dc, 99, 99, "Right", 5);
  const SIZE first = Measure(dc, "Left ");
  const SIZE second = Measure(dc, "Right");
  EXPECT_EQ(Show(canvas.Bounds(kCell)), Show(RECT{0, 0, first.cx, first.cy}));
  EXPECT_EQ(Show(canvas.Bounds(RGB(0, 0, 255))), Show(RECT{first.cx, 0, first.cx + second.cx, second.cy}));
}

TEST(TextTest, ExtTextOutFillsAndClipsToItsRectangle) {
  Canvas canvas;
  HDC dc = canvas.dc();
  ScopedFont font(dc, "Arial", -20);
  SetBkMode(dc, TRANSPARENT);
  SetBkColor(dc, kCell);
  SetTextColor(dc, kInk);

  const RECT fill{5, 6, 50, 40};
  ASSERT_TRUE(ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &fill, "", 0, nullptr));
  EXPECT_EQ(Show(canvas.Changed()), Show(fill));

  canvas.Clear();
  const RECT clip{20, 12, 60, 25};
  ASSERT_TRUE(ExtTextOutA(dc, 10, 5, ETO_CLIPPED, &clip, "Oscilloscope", 12, nullptr));
  RECT ink = canvas.Changed();
  EXPECT_GT(ink.right, ink.left);
  EXPECT_TRUE(Inside(ink, clip)) << Show(ink);

  canvas.Clear();
  ASSERT_TRUE(ExtTextOutA(dc, 10, 5, ETO_OPAQUE | ETO_CLIPPED, &clip, "Oscilloscope", 12, nullptr));
  EXPECT_EQ(Show(canvas.Changed()), Show(clip));
}

TEST(TextTest, ExtTextOutSpacingArraySetsTheAdvances) {
  Canvas canvas;
  HDC dc = canvas.dc();
  ScopedFont font(dc, "Courier New", -12);
  SetBkMode(dc, OPAQUE);
  SetBkColor(dc, kCell);
  const int dx[] = {15, 15, 15, 15, 7, 8};  // the last character has two bytes
  ASSERT_TRUE(ExtTextOutA(dc, 3, 4, 0, nullptr, "1234\xC2\xB5", 6, dx));
  TEXTMETRICA tm;
  GetTextMetricsA(dc, &tm);
  EXPECT_EQ(Show(canvas.Changed()), Show(RECT{3, 4, 3 + 75, 4 + tm.tmHeight}));
}

TEST(TextTest, RotatedTextHasTheTransposedExtent) {
  // As the displays label their scales: upward text centred on X, ending at Y.
  Canvas canvas;
  HDC dc = canvas.dc();
  const char* text = "1.5 kHz";
  SIZE flat;
  {
    ScopedFont font(dc, "ARIAL", 1 - 10);
    flat = Measure(dc, text);
  }
  ScopedFont font(dc, "ARIAL", 1 - 10, 900);
  const SIZE size = Measure(dc, text);
  EXPECT_EQ(size.cx, flat.cx);
  EXPECT_EQ(size.cy, flat.cy);
  SetBkMode(dc, OPAQUE);
  SetBkColor(dc, kCell);
  SetTextColor(dc, kInk);
  const int x = 50, y = 10;
  TextOutA(dc, x - size.cy / 2, y + size.cx, text, 7);
  RECT box{x - size.cy / 2, y, x - size.cy / 2 + size.cy, y + size.cx};
  EXPECT_EQ(Show(canvas.Changed()), Show(box));
  EXPECT_TRUE(Inside(canvas.Bounds(kInk), box));
}

TEST(TextTest, DrawTextCalcRectWithWordBreakBoundsTheDrawing) {
  Canvas canvas;
  HDC dc = canvas.dc();
  ScopedFont font(dc, "MS Sans Serif", -11);
  const char* text = "Select the input device and the sample rate";
  RECT calc{10, 20, 110, 20};
  int height = DrawTextA(dc, text, -1, &calc, DT_CALCRECT | DT_WORDBREAK);
  TEXTMETRICA tm;
  GetTextMetricsA(dc, &tm);
  EXPECT_EQ(calc.left, 10);
  EXPECT_EQ(calc.top, 20);
  EXPECT_LE(calc.right, 110);
  EXPECT_GT(calc.bottom - calc.top, tm.tmHeight);  // it had to wrap
  EXPECT_EQ((calc.bottom - calc.top) % tm.tmHeight, 0);
  EXPECT_EQ(height, calc.bottom - calc.top);
  EXPECT_EQ(canvas.Changed().right, 0);  // measuring draws nothing

  SetBkMode(dc, OPAQUE);
  SetBkColor(dc, kCell);
  RECT draw{10, 20, 110, 150};
  EXPECT_EQ(DrawTextA(dc, text, -1, &draw, DT_WORDBREAK), height);
  EXPECT_EQ(Show(canvas.Changed()), Show(calc));
}

TEST(TextTest, DrawTextCentresASingleLine) {
  Canvas canvas;
  HDC dc = canvas.dc();
  ScopedFont font(dc, "Arial", -12);
  SetBkMode(dc, OPAQUE);
  SetBkColor(dc, kCell);
  RECT r{0, 0, 201, 101};
  DrawTextA(dc, "Loopback", -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  SIZE size = Measure(dc, "Loopback");
  int left = (201 - size.cx) / 2;
  int top = (101 - size.cy) / 2;
  EXPECT_EQ(Show(canvas.Changed()), Show(RECT{left, top, left + size.cx, top + size.cy}));
}

TEST(TextTest, DrawTextEndEllipsisStaysInTheRectangle) {
  Canvas canvas;
  HDC dc = canvas.dc();
  ScopedFont font(dc, "Arial", -11);
  SetTextColor(dc, kInk);
  const char* text = "Recording of the left and right channels.wav";
  for (int width : {20, 45, 80}) {
    SCOPED_TRACE(width);
    canvas.Clear();
    RECT calc{4, 4, 4 + width, 40};
    DrawTextA(dc, text, -1, &calc, DT_CALCRECT | DT_SINGLELINE | DT_END_ELLIPSIS);
    EXPECT_LE(calc.right, 4 + width);
    RECT r{4, 4, 4 + width, 40};
    DrawTextA(dc, text, -1, &r, DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOCLIP);
    EXPECT_TRUE(Inside(canvas.Changed(), r)) << Show(canvas.Changed());
  }
}

TEST(TextTest, DrawTextPrefixes) {
  Canvas canvas;
  HDC dc = canvas.dc();
  ScopedFont font(dc, "Arial", -14);
  TEXTMETRICA tm;
  GetTextMetricsA(dc, &tm);
  SetTextColor(dc, kInk);
  // "&&" measures as one '&'; the marked character is underlined across its advance.
  RECT calc{0, 0, 200, 0};
  DrawTextA(dc, "Save && &Exit", -1, &calc, DT_CALCRECT | DT_SINGLELINE);
  EXPECT_EQ(calc.right, Measure(dc, "Save & Exit").cx);
  RECT literal{0, 0, 200, 0};
  DrawTextA(dc, "Save && &Exit", -1, &literal, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
  EXPECT_EQ(literal.right, Measure(dc, "Save && &Exit").cx);

  RECT r{0, 0, 200, 40};
  DrawTextA(dc, "&Exit", -1, &r, DT_SINGLELINE);
  const int e = Measure(dc, "E").cx;
  const int row = tm.tmAscent + 1;
  for (int x = 0; x < e; ++x) EXPECT_EQ(canvas.At(x, row), kInk) << x;
  canvas.Clear();
  DrawTextA(dc, "Exit", -1, &r, DT_SINGLELINE);
  int marked = 0;
  for (int x = 0; x < e; ++x) marked += canvas.At(x, row) == kInk;
  EXPECT_LT(marked, e);
}

TEST(TextTest, ExtentsOfPartsAndCharacters) {
  Canvas canvas;
  HDC dc = canvas.dc();
  ScopedFont font(dc, "Arial", -11);
  const char* text = "\xC2\xB5V ok";  // the first character has two bytes
  const int count = 6;
  const SIZE whole = Measure(dc, text);
  int fit = -1;
  int dx[count];
  SIZE size{};
  const int mu = Measure(dc, "\xC2\xB5").cx;
  const int mu_v = Measure(dc, "\xC2\xB5V").cx;
  ASSERT_TRUE(GetTextExtentExPointA(dc, text, count, mu_v, &fit, dx, &size));
  EXPECT_EQ(size.cx, whole.cx);
  EXPECT_EQ(fit, 3);
  EXPECT_EQ(dx[0], mu);
  EXPECT_EQ(dx[1], mu);
  EXPECT_EQ(dx[2], mu_v);
  EXPECT_EQ(dx[5], whole.cx);
  ASSERT_TRUE(GetTextExtentExPointA(dc, text, count, mu - 1, &fit, nullptr, &size));
  EXPECT_EQ(fit, 0);

  int widths[3];
  ASSERT_TRUE(GetCharWidth32A(dc, 'A', 'C', widths));
  EXPECT_EQ(widths[0], Measure(dc, "A").cx);
  EXPECT_EQ(widths[2], Measure(dc, "C").cx);
  ASSERT_TRUE(GetCharWidth32A(dc, 0xB5, 0xB5, widths));
  EXPECT_EQ(widths[0], mu);

  SIZE plain = Measure(dc, "abc");
  SetTextCharacterExtra(dc, 2);
  EXPECT_EQ(Measure(dc, "abc").cx, plain.cx + 6);
  SetTextCharacterExtra(dc, 0);
}

TEST(TextTest, FontObjectsDescribeThemselves) {
  HFONT font = CreateFontA(-11, 0, 900, 900, FW_BOLD, 1, 0, 1, ANSI_CHARSET, OUT_TT_PRECIS, CLIP_LH_ANGLES,
                           PROOF_QUALITY, 4, "Courier New");
  ASSERT_NE(font, nullptr);
  EXPECT_EQ(GetObjectType(font), OBJ_FONT);
  LOGFONTA lf;
  EXPECT_EQ(GetObject(font, 0, nullptr), static_cast<int>(sizeof(LOGFONTA)));
  ASSERT_EQ(GetObject(font, sizeof lf, &lf), static_cast<int>(sizeof(LOGFONTA)));
  EXPECT_EQ(lf.lfHeight, -11);
  EXPECT_EQ(lf.lfEscapement, 900);
  EXPECT_EQ(lf.lfWeight, FW_BOLD);
  EXPECT_EQ(lf.lfItalic, 1);
  EXPECT_EQ(lf.lfStrikeOut, 1);
  EXPECT_EQ(lf.lfClipPrecision, CLIP_LH_ANGLES);
  EXPECT_STREQ(lf.lfFaceName, "Courier New");
  HFONT copy = CreateFontIndirectA(&lf);
  EXPECT_NE(copy, font);
  EXPECT_TRUE(DeleteObject(copy));
  EXPECT_TRUE(DeleteObject(font));
  EXPECT_EQ(GetObject(font, sizeof lf, &lf), 0);
}

TEST(TextTest, StockFonts) {
  InstallStockFonts();
  struct Case {
    int index;
    const char* face;
    LONG height;
  } cases[] = {{DEFAULT_GUI_FONT, "MS Sans Serif", -11},
               {ANSI_VAR_FONT, "MS Sans Serif", -11},
               {SYSTEM_FONT, "System", 16}};
  Canvas canvas;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.face);
    HGDIOBJ stock = GetStockObject(c.index);
    LOGFONTA lf;
    ASSERT_EQ(GetObject(stock, sizeof lf, &lf), static_cast<int>(sizeof lf));
    EXPECT_STREQ(lf.lfFaceName, c.face);
    EXPECT_EQ(lf.lfHeight, c.height);
    HGDIOBJ old = SelectObject(canvas.dc(), stock);
    char face[LF_FACESIZE];
    EXPECT_EQ(GetTextFaceA(canvas.dc(), sizeof face, face), static_cast<int>(std::strlen(c.face)) + 1);
    EXPECT_STREQ(face, c.face);
    EXPECT_TRUE(DeleteObject(stock));  // stock objects survive deletion
    EXPECT_GT(Measure(canvas.dc(), "Sonavex").cx, 0);
    SelectObject(canvas.dc(), old);
  }
  // A new DC draws with the system font.
  TEXTMETRICA tm;
  ASSERT_TRUE(GetTextMetricsA(canvas.dc(), &tm));
  EXPECT_EQ(tm.tmHeight, 16);
  EXPECT_EQ(tm.tmWeight, FW_BOLD);
}

TEST(TextTest, MissingFaceFallsBack) {
  Canvas canvas;
  ScopedFont font(canvas.dc(), "Quellix Imaginary Face", -12);
  char face[LF_FACESIZE];
  GetTextFaceA(canvas.dc(), sizeof face, face);
  EXPECT_STREQ(face, "Liberation Sans");
  SIZE size = Measure(canvas.dc(), "fallback");
  EXPECT_GT(size.cx, 0);
  TEXTMETRICA tm;
  GetTextMetricsA(canvas.dc(), &tm);
  EXPECT_EQ(tm.tmHeight - tm.tmInternalLeading, 12);
}

TEST(TextTest, BadArgumentsFailQuietly) {
  Canvas canvas;
  SIZE size;
  HDC bogus = reinterpret_cast<HDC>(static_cast<uintptr_t>(0x7));
  EXPECT_FALSE(GetTextExtentPoint32A(bogus, "x", 1, &size));
  EXPECT_FALSE(TextOutA(bogus, 0, 0, "x", 1));
  EXPECT_FALSE(GetTextExtentPoint32A(canvas.dc(), "x", 1, nullptr));
  EXPECT_EQ(DrawTextA(canvas.dc(), "x", 1, nullptr, 0), 0);
  EXPECT_TRUE(TextOutA(canvas.dc(), 0, 0, nullptr, 0));
  EXPECT_EQ(CreateFontIndirectA(nullptr), nullptr);
  EXPECT_EQ(canvas.Changed().right, 0);
}

TEST(TextTest, ThreadsDrawAndMeasureOnTheirOwnDCs) {
  const char* texts[] = {"-6 dB", "Left channel", "Peak 440 Hz", "A4 +2 cents"};
  std::vector<SIZE> expected;
  {
    Canvas canvas;
    ScopedFont font(canvas.dc(), "Arial", -11);
    for (const char* t : texts) expected.push_back(Measure(canvas.dc(), t));
  }
  std::vector<int> failures(6, 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < 6; ++t) {
    threads.emplace_back([&, t] {
      Canvas canvas(t % 2 ? 8 : 32, 120, 30);
      HDC dc = canvas.dc();
      ScopedFont font(dc, "Arial", -11);
      SetBkMode(dc, OPAQUE);
      SetBkColor(dc, kCell);
      for (int round = 0; round < 25; ++round) {
        size_t i = (t + round) % 4;
        SIZE s{};
        GetTextExtentPoint32A(dc, texts[i], static_cast<int>(std::strlen(texts[i])), &s);
        canvas.Clear();
        TextOutA(dc, 0, 0, texts[i], static_cast<int>(std::strlen(texts[i])));
        RECT changed = canvas.Changed();
        if (s.cx != expected[i].cx || s.cy != expected[i].cy || changed.right != s.cx ||
            changed.bottom != s.cy)
          ++failures[t];
      }
    });
  }
  for (auto& th : threads) th.join();
  for (int t = 0; t < 6; ++t) EXPECT_EQ(failures[t], 0) << "thread " << t;
}

}  // namespace
}  // namespace plat
