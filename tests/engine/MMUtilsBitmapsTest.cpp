#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "engine/DibTestBitmap.h"
#include "engine/MMUtils.h"
#include "engine/MMUtilsBitmaps.h"
#include "platform/gdi/Text.h"
#include "platform/kernel/SystemInfo.h"

namespace {

using namespace plat;
using dibtest::MonoMap;
using dibtest::Pic;
using dibtest::TestBitmap;
using gditest::ColorOf;

class MMUtilsBitmaps : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override { engine::MMUtilsInitialize(); }
  void TearDown() override { engine::MMUtilsFinalize(); }
  int Bits() const { return GetParam(); }
};

INSTANTIATE_TEST_SUITE_P(Depths, MMUtilsBitmaps, ::testing::Values(8, 24),
                         [](const auto& info) { return std::to_string(info.param) + "Bits"; });

TEST_P(MMUtilsBitmaps, PixelQueriesClampIntoTheBitmap) {
  TestBitmap bitmap(3, 2, Bits());
  bitmap.Paint(Pic({"RGB", "YCM"}));
  const struct {
    POINT p;
    char expected;
  } cases[] = {{{-5, -5}, 'R'}, {{1, 0}, 'G'}, {{9, 0}, 'B'}, {{0, 9}, 'Y'}, {{9, 9}, 'M'}, {{1, 1}, 'C'}};
  for (const auto& c : cases)
    EXPECT_EQ(static_cast<COLORREF>(engine::GetBitmapPixel(bitmap.bitmap(), c.p)), ColorOf(c.expected))
        << c.p.x << "," << c.p.y;
  EXPECT_EQ(static_cast<COLORREF>(engine::GetTransparentColor(bitmap.bitmap())), ColorOf('Y'));
  int32_t width = -1, height = -1;
  engine::GetBitmapSize(bitmap.bitmap(), width, height);
  EXPECT_EQ(width, 3);
  EXPECT_EQ(height, 2);
  engine::GetBitmapSize(nullptr, width, height);
  EXPECT_EQ(width, 0);
  EXPECT_EQ(height, 0);
}

TEST_P(MMUtilsBitmaps, ColorMasks) {
  TestBitmap bitmap(4, 2, Bits());
  bitmap.Paint(Pic({"RsRW", "WRsR"}));
  const struct {
    vcl::TColor color;
    const char* expected;
  } cases[] = {
      {vcl::clRed, "W.W.\n.W.W"},
      {vcl::clBtnFace, ".W..\n..W."},  // a system colour, silver in the classic scheme
      {vcl::clBlue, "....\n...."},
  };
  for (const auto& c : cases) {
    HBITMAP mask = engine::CreateColorMask(bitmap.bitmap(), c.color);
    ASSERT_NE(mask, nullptr);
    BITMAP bm;
    GetObject(mask, sizeof bm, &bm);
    EXPECT_EQ(bm.bmBitsPixel, 1);
    EXPECT_EQ(MonoMap(mask, 4, 2), c.expected) << c.color;
    DeleteObject(mask);
  }

  // A mask drawn stretched over the whole bitmap: white in the colour, black in black.
  HBITMAP half = CreateBitmap(2, 1, 1, 1, nullptr);
  {
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, half);
    SetPixelV(dc, 0, 0, RGB(255, 255, 255));
    SetPixelV(dc, 1, 0, RGB(0, 0, 0));
    SelectObject(dc, old);
    DeleteDC(dc);
  }
  engine::DrawColorMask(bitmap.bitmap(), half, vcl::clBlue, SRCCOPY);
  EXPECT_EQ(bitmap.Map(), Pic({"BB..", "BB.."}));
  DeleteObject(half);
}

TEST_P(MMUtilsBitmaps, ColorizeLEDBitmap) {
  const struct {
    bool draw_inactive;
    vcl::TColor back;
    const char* expected;
  } cases[] = {
      {true, vcl::clNavy, "Gbg.\nbGg."},
      {false, vcl::clNavy, "Gbb.\nbGb."},
      {true, vcl::clBtnFace, "Gsg.\nsGg."},
  };
  for (const auto& c : cases) {
    TestBitmap bitmap(4, 2, Bits());
    // Segment white, background black, inactive segment silver, and stray colours.
    bitmap.Paint(Pic({"W.sR", ".WsY"}));
    engine::ColorizeLEDBitmap(bitmap.bitmap(), c.draw_inactive, vcl::clLime, vcl::clGray, c.back);
    EXPECT_EQ(bitmap.Map(), c.expected) << c.draw_inactive << " " << c.back;
  }
}

TEST_P(MMUtilsBitmaps, TransparentDrawing) {
  const struct {
    RECT src;
    int x, y;
    const char* expected;
  } cases[] = {
      {{1, 0, 3, 3}, 1, 1, "WWWWW\nWgGgW\nWBWWW\nggCgg"},
      {{0, 0, 3, 3}, 2, 0, "WWRWG\nWgWBW\nWWWWC\nggggg"},
      // Partly outside the destination: only what lands inside is drawn.
      {{0, 0, 3, 3}, 3, 2, "WWWWW\nWgWgW\nWWWRW\nggggB"},
  };
  for (const auto& c : cases) {
    TestBitmap source(3, 3, Bits());
    const std::string picture = Pic({"RMG", "MBM", "MMC"});
    source.Paint(picture);
    TestBitmap dest(5, 4, Bits());
    dest.Paint(Pic({"WWWWW", "WgWgW", "WWWWW", "ggggg"}));
    // The source's bottom-left pixel names its transparent colour.
    const vcl::TColor transparent = engine::GetTransparentColor(source.bitmap());
    engine::DrawTransparentBitmapRect(dest.Hold(), source.bitmap(), c.x, c.y, c.src, transparent);
    dest.Release();
    EXPECT_EQ(dest.Map(), c.expected) << c.src.left << " at " << c.x << "," << c.y;
    EXPECT_EQ(source.Map(), picture) << "the source is restored";
  }
  // The whole bitmap, black as the transparent colour this time.
  TestBitmap source(2, 2, Bits());
  source.Paint(Pic({".R", "G."}));
  TestBitmap dest(3, 2, Bits());
  dest.Clear('s');
  engine::DrawTransparentBitmap(dest.Hold(), source.bitmap(), 1, 0, vcl::clBlack);
  dest.Release();
  EXPECT_EQ(dest.Map(), Pic({"ssR", "sGs"}));
}

TEST_P(MMUtilsBitmaps, TileBitmapCutsTheLastColumnAndRow) {
  TestBitmap tile(2, 2, Bits());
  tile.Paint(Pic({"RG", "BY"}));
  TestBitmap dest(7, 5, Bits());
  dest.Clear('.');
  engine::TileBitmap(dest.Hold(), tile.bitmap(), RECT{1, 1, 6, 4}, SRCCOPY);
  dest.Release();
  EXPECT_EQ(dest.Map(), Pic({".......", ".RGRGR.", ".BYBYB.", ".RGRGR.", "......."}));

  // The raster operation applies to every copy.
  dest.Clear('W');
  engine::TileBitmap(dest.Hold(), tile.bitmap(), RECT{0, 0, 3, 1}, SRCAND);
  dest.Release();
  EXPECT_EQ(dest.Map(), Pic({"RGRWWWW", "WWWWWWW", "WWWWWWW", "WWWWWWW", "WWWWWWW"}));

  // Nothing to tile with, or nowhere to tile: nothing drawn, and no endless loop.
  engine::TileBitmap(dest.Hold(), nullptr, RECT{0, 0, 7, 5}, SRCCOPY);
  engine::TileBitmap(dest.Hold(), tile.bitmap(), RECT{5, 5, 2, 2}, SRCCOPY);
  dest.Release();
  EXPECT_EQ(dest.Map(), Pic({"RGRWWWW", "WWWWWWW", "WWWWWWW", "WWWWWWW", "WWWWWWW"}));
}

// ---- Rotated text ----

// The bounding box of the pixels that are not white.
RECT Ink(gditest::Canvas& canvas, int width, int height) {
  RECT r{width, height, 0, 0};
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      if (GetPixel(canvas.dc(), x, y) != RGB(255, 255, 255)) {
        r.left = std::min<LONG>(r.left, x);
        r.top = std::min<LONG>(r.top, y);
        r.right = std::max<LONG>(r.right, x + 1);
        r.bottom = std::max<LONG>(r.bottom, y + 1);
      }
  return r;
}

std::string Show(const RECT& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + "-" + std::to_string(r.right) + "," +
         std::to_string(r.bottom);
}

constexpr int kSize = 160;

class MMUtilsRotatedText : public ::testing::Test {
 protected:
  void TearDown() override {
    engine::MMUtilsFinalize();
    SetVersionProfile(std::nullopt);
  }
  // The flags are read at the first start-up only, and other tests of this
  // program may still hold one: drop those until the profile takes effect.
  static void StartOn(DWORD major, DWORD minor) {
    OSVERSIONINFOA v;
    v.dwOSVersionInfoSize = sizeof v;
    v.dwPlatformId = VER_PLATFORM_WIN32_NT;
    v.dwMajorVersion = major;
    v.dwMinorVersion = minor;
    SetVersionProfile(v);
    for (int i = 0; i < 32; ++i) {
      engine::MMUtilsInitialize();
      if (engine::IsWin2000() == engine::OSIsWin2000() &&
          engine::IsWinXPOrLater() == engine::OSIsXPOrLater() && engine::IsWinNT4() == engine::OSIsNT4())
        return;
      engine::MMUtilsFinalize();
      engine::MMUtilsFinalize();
    }
    FAIL() << "the unit's flags do not follow the profile";
  }
  static void Prepare(gditest::Canvas& canvas) {
    canvas.Clear('W');
    SetBkMode(canvas.dc(), TRANSPARENT);
    SetTextColor(canvas.dc(), RGB(0, 0, 0));
  }
};

// Where the text must land, measured with the font the routine is to make.
struct Expected {
  RECT cell;  // the text's extent at its place
  RECT ink;   // what a plain TextOutA there draws
};

Expected Reference(int font_height, int escapement, int x, int y, int orientation, const char* text) {
  gditest::Canvas canvas(kSize, kSize, 24);
  canvas.Clear('W');
  SetBkMode(canvas.dc(), TRANSPARENT);
  HFONT font = CreateFontA(font_height, 0, escapement, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, OUT_TT_PRECIS,
                           CLIP_LH_ANGLES, PROOF_QUALITY, 4, "Arial");
  HGDIOBJ old = SelectObject(canvas.dc(), font);
  SIZE e{};
  const int n = static_cast<int>(std::strlen(text));
  GetTextExtentPoint32A(canvas.dc(), text, n, &e);
  Expected out;
  switch (orientation) {
    case 0:
      out.cell = RECT{x, y - e.cy / 2, x + e.cx, y - e.cy / 2 + e.cy};
      break;
    case 1:
      out.cell = RECT{x - e.cx, y - e.cy / 2, x, y - e.cy / 2 + e.cy};
      break;
    case 2:
      out.cell = RECT{x - e.cy / 2, y, x - e.cy / 2 + e.cy, y + e.cx};
      break;
    default:
      out.cell = RECT{x, y, x + e.cx, y + e.cy};
      break;
  }
  const POINT at =
      orientation == 2 ? POINT{out.cell.left, out.cell.bottom} : POINT{out.cell.left, out.cell.top};
  TextOutA(canvas.dc(), at.x, at.y, text, n);
  out.ink = Ink(canvas, kSize, kSize);
  SelectObject(canvas.dc(), old);
  DeleteObject(font);
  return out;
}

TEST_F(MMUtilsRotatedText, PlacesTextByOrientation) {
  StartOn(10, 0);  // a later NT version: the font gets 1 - Height
  const char* text = "-40 dB";
  const int x = 80, y = 60, height = 16;
  for (int orientation : {0, 1, 2, 3, -1}) {
    gditest::Canvas canvas(kSize, kSize, 24);
    Prepare(canvas);
    engine::DrawRotatedText(canvas.dc(), x, y, text, "Arial", height, orientation);
    const RECT ink = Ink(canvas, kSize, kSize);
    const Expected want = Reference(1 - height, orientation == 2 ? 900 : 3600, x, y, orientation, text);
    EXPECT_EQ(Show(ink), Show(want.ink)) << "orientation " << orientation;
    // The ink stays in the text's cell and fills it along the run.
    EXPECT_GE(ink.left, want.cell.left) << orientation;
    EXPECT_GE(ink.top, want.cell.top) << orientation;
    EXPECT_LE(ink.right, want.cell.right) << orientation;
    EXPECT_LE(ink.bottom, want.cell.bottom) << orientation;
    const LONG run = orientation == 2 ? ink.bottom - ink.top : ink.right - ink.left;
    const LONG cell_run =
        orientation == 2 ? want.cell.bottom - want.cell.top : want.cell.right - want.cell.left;
    EXPECT_GE(run, cell_run - 3) << orientation;
    if (orientation == 2) {
      EXPECT_GT(ink.bottom - ink.top, ink.right - ink.left) << "runs upward";
    }
    if (orientation == 1) {
      EXPECT_GE(ink.right, x - 2) << "ends at x";
    }
  }
  // The font was only lent to the DC.
  gditest::Canvas canvas(8, 8, 24);
  const HGDIOBJ font_before = GetCurrentObject(canvas.dc(), OBJ_FONT);
  engine::DrawRotatedText(canvas.dc(), 0, 0, "x", "Arial", 8, 2);
  EXPECT_EQ(GetCurrentObject(canvas.dc(), OBJ_FONT), font_before);
}

TEST_F(MMUtilsRotatedText, FontHeightFollowsTheSystem) {
  const struct {
    DWORD major, minor;
    int font_height;  // for Height 60
  } cases[] = {{4, 0, 60}, {5, 0, -59}, {5, 1, -59}};
  LONG glyph_height[3] = {};
  for (size_t i = 0; i < std::size(cases); ++i) {
    const auto& c = cases[i];
    StartOn(c.major, c.minor);
    gditest::Canvas canvas(kSize, kSize, 24);
    Prepare(canvas);
    engine::DrawRotatedText(canvas.dc(), 20, 80, "H", "Arial", 60, 0);
    const RECT ink = Ink(canvas, kSize, kSize);
    EXPECT_EQ(Show(ink), Show(Reference(c.font_height, 3600, 20, 80, 0, "H").ink))
        << c.major << "." << c.minor;
    glyph_height[i] = ink.bottom - ink.top;
    engine::MMUtilsFinalize();
  }
  // Character height 59 draws a taller letter than a 60-pixel cell.
  EXPECT_GT(glyph_height[1], glyph_height[0]);
  EXPECT_EQ(glyph_height[1], glyph_height[2]);
  engine::MMUtilsInitialize();  // for TearDown
}

}  // namespace
