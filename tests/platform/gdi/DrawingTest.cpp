// Lines, shapes, fills and clipping, checked pixel by pixel on tiny DIBs at
// 8 and 24 bits.
#include <gtest/gtest.h>

#include <functional>

#include "platform/gdi/Colors.h"
#include "platform/gdi/Text.h"
#include "tests/platform/gdi/GdiTestSupport.h"

namespace {

using namespace gditest;

class DrawingTest : public ::testing::TestWithParam<int> {};
INSTANTIATE_TEST_SUITE_P(Depths, DrawingTest, ::testing::Values(8, 24),
                         [](const auto& info) { return std::to_string(info.param) + "Bits"; });

struct LineCase {
  const char* name;
  POINT from, to;
  std::string expected;
};

TEST_P(DrawingTest, LinesLeaveOutTheirEndPoint) {
  const LineCase cases[] = {
      {"leftward", {5, 1}, {0, 1}, Pic({"......", ".WWWWW", "......", "......"})},
      {"steep", {0, 0}, {1, 3}, Pic({"W.....", "W.....", ".W....", "......"})},
      {"diagonal", {0, 0}, {4, 4}, Pic({"W.....", ".W....", "..W...", "...W.."})},
      {"upward", {2, 3}, {2, 0}, Pic({"......", "..W...", "..W...", "..W..."})},
      {"nothing", {3, 2}, {3, 2}, Pic({"......", "......", "......", "......"})},
      {"shallow", {0, 3}, {6, 0}, Pic({".....W", "...WW.", ".WW...", "W....."})},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Canvas canvas(6, 4, GetParam());
    Selected pen(canvas.dc(), CreatePen(PS_SOLID, 1, RGB(255, 255, 255)));
    MoveToEx(canvas.dc(), c.from.x, c.from.y, nullptr);
    LineTo(canvas.dc(), c.to.x, c.to.y);
    EXPECT_EQ(canvas.Map(), c.expected);
    POINT pos;
    GetCurrentPositionEx(canvas.dc(), &pos);
    EXPECT_EQ(pos.x, c.to.x);
    EXPECT_EQ(pos.y, c.to.y);
  }
}

TEST_P(DrawingTest, XorPolylineTouchesEachPixelOnceAndUndoesItself) {
  Canvas canvas(5, 4, GetParam());
  canvas.Paint(Pic({"RRRRR", "RRRRR", "RRRRR", "RRRRR"}));
  Selected pen(canvas.dc(), CreatePen(PS_SOLID, 1, RGB(255, 255, 255)));
  SetROP2(canvas.dc(), R2_XORPEN);
  const POINT path[] = {{0, 0}, {4, 0}, {4, 3}, {0, 3}, {0, 0}};
  Polyline(canvas.dc(), path, 5);
  // Corners shared by two segments are drawn once. At 8 bits the operation
  // works on palette indices (red 2 XOR white 1 = green 3), at 24 on colours.
  if (GetParam() == 8)
    EXPECT_EQ(canvas.Map(), Pic({"GGGGG", "GRRRG", "GRRRG", "GGGGG"}));
  else
    EXPECT_EQ(canvas.Map(), Pic({"CCCCC", "CRRRC", "CRRRC", "CCCCC"}));
  Polyline(canvas.dc(), path, 5);
  EXPECT_EQ(canvas.Map(), Pic({"RRRRR", "RRRRR", "RRRRR", "RRRRR"}));
}

TEST(DrawingRopTest, BinaryRasterOperationsOfPensWorkOnColours) {
  struct Case {
    int rop2;
    char expected;
  };
  // Pen red over a yellow pixel.
  const Case cases[] = {{R2_COPYPEN, 'R'}, {R2_NOT, 'B'},       {R2_XORPEN, 'G'}, {R2_NOTXORPEN, 'M'},
                        {R2_MASKPEN, 'R'}, {R2_MERGEPEN, 'Y'},  {R2_BLACK, '.'},  {R2_WHITE, 'W'},
                        {R2_NOP, 'Y'},     {R2_NOTCOPYPEN, 'C'}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.rop2);
    Canvas canvas(2, 1, 24);
    canvas.Paint("YY");
    Selected pen(canvas.dc(), CreatePen(PS_SOLID, 1, RGB(255, 0, 0)));
    SetROP2(canvas.dc(), c.rop2);
    MoveToEx(canvas.dc(), 0, 0, nullptr);
    LineTo(canvas.dc(), 1, 0);
    EXPECT_EQ(canvas.Map(), std::string(1, c.expected) + "Y");
  }
}

TEST_P(DrawingTest, DashedPensAlternateRunsAndFillGapsWhenOpaque) {
  Canvas canvas(30, 2, GetParam());
  Selected pen(canvas.dc(), CreatePen(PS_DASH, 1, RGB(255, 255, 255)));
  SetBkColor(canvas.dc(), RGB(255, 0, 0));
  SetBkMode(canvas.dc(), TRANSPARENT);
  MoveToEx(canvas.dc(), 0, 0, nullptr);
  LineTo(canvas.dc(), 30, 0);
  SetBkMode(canvas.dc(), OPAQUE);
  MoveToEx(canvas.dc(), 0, 1, nullptr);
  LineTo(canvas.dc(), 30, 1);
  EXPECT_EQ(canvas.Map(), Pic({"WWWWWWWWWWWWWWWWWW......WWWWWW", "WWWWWWWWWWWWWWWWWWRRRRRRWWWWWW"}));
}

TEST_P(DrawingTest, RectangleOutlinesWithThePenAndFillsWithTheBrush) {
  Canvas canvas(6, 5, GetParam());
  HDC dc = canvas.dc();
  {
    Selected pen(dc, CreatePen(PS_SOLID, 1, RGB(255, 255, 255)));
    Selected brush(dc, CreateSolidBrush(RGB(255, 0, 0)));
    Rectangle(dc, 0, 0, 5, 4);
  }
  EXPECT_EQ(canvas.Map(), Pic({"WWWWW.", "WRRRW.", "WRRRW.", "WWWWW.", "......"}));

  // Without a pen the filled area is one pixel narrower and shorter.
  canvas.Clear('.');
  SelectObject(dc, GetStockObject(NULL_PEN));
  Selected brush(dc, CreateSolidBrush(RGB(0, 0, 255)));
  Rectangle(dc, 1, 1, 5, 4);
  EXPECT_EQ(canvas.Map(), Pic({"......", ".BBB..", ".BBB..", "......", "......"}));
}

TEST_P(DrawingTest, WidePenInsideFrameStaysInTheBox) {
  Canvas canvas(7, 6, GetParam());
  HDC dc = canvas.dc();
  Selected pen(dc, CreatePen(PS_INSIDEFRAME, 2, RGB(255, 255, 255)));
  Selected brush(dc, CreateSolidBrush(RGB(0, 255, 0)));
  Rectangle(dc, 1, 0, 7, 6);
  EXPECT_EQ(canvas.Map(), Pic({".WWWWWW", ".WWWWWW", ".WWGGWW", ".WWGGWW", ".WWWWWW", ".WWWWWW"}));
}

TEST_P(DrawingTest, FillFrameAndInvertRectangles) {
  Canvas canvas(6, 4, GetParam());
  HDC dc = canvas.dc();
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  RECT fill{1, 1, 4, 3};
  FillRect(dc, &fill, red);
  RECT frame{0, 0, 6, 4};
  FrameRect(dc, &frame, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  EXPECT_EQ(canvas.Map(), Pic({"WWWWWW", "WRRR.W", "WRRR.W", "WWWWWW"}));
  RECT inv{2, 0, 5, 2};
  InvertRect(dc, &inv);
  EXPECT_EQ(canvas.Map(), Pic({"WW...W", "WRCCWW", "WRRR.W", "WWWWWW"}));
  // A system colour index + 1 stands for its brush.
  RECT sys{0, 3, 2, 4};
  FillRect(dc, &sys, reinterpret_cast<HBRUSH>(static_cast<intptr_t>(COLOR_BTNSHADOW + 1)));
  EXPECT_EQ(canvas.Map(), Pic({"WW...W", "WRCCWW", "WRRR.W", "ggWWWW"}));
  DeleteObject(red);
}

TEST_P(DrawingTest, FocusRectangleIsDottedAndDrawingItTwiceRemovesIt) {
  Canvas canvas(5, 4, GetParam());
  RECT r{0, 0, 5, 4};
  DrawFocusRect(canvas.dc(), &r);
  EXPECT_EQ(canvas.Map(), Pic({"W.W.W", ".....", "W...W", ".W.W."}));
  DrawFocusRect(canvas.dc(), &r);
  EXPECT_EQ(canvas.Map(), Pic({".....", ".....", ".....", "....."}));
}

TEST_P(DrawingTest, EllipseFitsItsBoxAndIsSymmetric) {
  Canvas canvas(9, 7, GetParam());
  HDC dc = canvas.dc();
  Selected pen(dc, CreatePen(PS_SOLID, 1, RGB(255, 255, 255)));
  Selected brush(dc, CreateSolidBrush(RGB(255, 0, 0)));
  Ellipse(dc, 0, 0, 9, 7);
  EXPECT_EQ(canvas.Map(),
            Pic({"..WWWWW..", ".WRRRRRW.", "WRRRRRRRW", "WRRRRRRRW", "WRRRRRRRW", ".WRRRRRW.", "..WWWWW.."}));
}

TEST_P(DrawingTest, PieFillsOnlyItsSector) {
  Canvas canvas(8, 8, GetParam());
  HDC dc = canvas.dc();
  SelectObject(dc, GetStockObject(NULL_PEN));
  Selected brush(dc, CreateSolidBrush(RGB(255, 0, 0)));
  // Counter-clockwise from the positive x axis to the negative y axis
  // (upward on screen): the top-right quarter.
  Pie(dc, 0, 0, 8, 8, 8, 4, 4, 0);
  std::string map = canvas.Map();
  EXPECT_EQ(map[1 * 9 + 5], 'R');  // upper right
  EXPECT_EQ(map[1 * 9 + 2], '.');  // upper left
  EXPECT_EQ(map[6 * 9 + 5], '.');  // lower right
}

TEST_P(DrawingTest, PolygonFillRules) {
  // A path that winds twice around its middle: ALTERNATE leaves that hole, WINDING fills it.
  const POINT overlap[] = {{0, 0}, {4, 0}, {4, 3}, {1, 3}, {1, 1}, {3, 1}, {3, 4}, {0, 4}};
  for (int mode : {ALTERNATE, WINDING}) {
    SCOPED_TRACE(mode);
    Canvas canvas(5, 5, GetParam());
    HDC dc = canvas.dc();
    SelectObject(dc, GetStockObject(NULL_PEN));
    Selected brush(dc, CreateSolidBrush(RGB(255, 255, 255)));
    SetPolyFillMode(dc, mode);
    Polygon(dc, overlap, 8);
    if (mode == ALTERNATE)
      EXPECT_EQ(canvas.Map(), Pic({"WWWW.", "W..W.", "W..W.", "WWW..", "....."}));
    else
      EXPECT_EQ(canvas.Map(), Pic({"WWWW.", "WWWW.", "WWWW.", "WWW..", "....."}));
  }
}

TEST_P(DrawingTest, ClippingLimitsEveryOperation) {
  Canvas canvas(6, 4, GetParam());
  HDC dc = canvas.dc();
  HRGN clip = CreateRectRgn(1, 1, 5, 4);
  EXPECT_EQ(SelectClipRgn(dc, clip), SIMPLEREGION);
  EXPECT_EQ(ExcludeClipRect(dc, 2, 2, 4, 3), COMPLEXREGION);
  RECT all{0, 0, 6, 4};
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  EXPECT_EQ(canvas.Map(), Pic({"......", ".WWWW.", ".W..W.", ".WWWW."}));
  RECT box;
  EXPECT_EQ(GetClipBox(dc, &box), COMPLEXREGION);
  EXPECT_EQ(box.left, 1);
  EXPECT_EQ(box.top, 1);
  EXPECT_EQ(box.right, 5);
  EXPECT_EQ(box.bottom, 4);
  EXPECT_FALSE(PtVisible(dc, 2, 2));
  EXPECT_TRUE(PtVisible(dc, 1, 2));
  RECT hidden{2, 2, 4, 3}, partly{0, 0, 2, 2};
  EXPECT_FALSE(RectVisible(dc, &hidden));
  EXPECT_TRUE(RectVisible(dc, &partly));
  EXPECT_EQ(GetPixel(dc, 0, 0), CLR_INVALID);
  EXPECT_EQ(SetPixel(dc, 0, 0, RGB(255, 0, 0)), CLR_INVALID);

  // The clip region is a copy: changing the region afterwards changes nothing.
  SetRectRgn(clip, 0, 0, 1, 1);
  SelectClipRgn(dc, nullptr);
  EXPECT_EQ(GetClipBox(dc, &box), SIMPLEREGION);
  EXPECT_EQ(box.right, 6);
  IntersectClipRect(dc, 10, 10, 20, 20);
  EXPECT_EQ(GetClipBox(dc, &box), NULLREGION);
  DeleteObject(clip);
}

TEST_P(DrawingTest, OriginsMoveDrawingAndClipRectanglesFollowLogicalCoordinates) {
  Canvas canvas(6, 4, GetParam());
  HDC dc = canvas.dc();
  SetViewportOrgEx(dc, 2, 1, nullptr);
  SetWindowOrgEx(dc, 1, 0, nullptr);
  IntersectClipRect(dc, 0, 0, 3, 2);  // device (1, 1)-(4, 3)
  RECT all{-10, -10, 10, 10};
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  EXPECT_EQ(canvas.Map(), Pic({"......", ".WWW..", ".WWW..", "......"}));
  SelectClipRgn(dc, nullptr);
  SetPixelV(dc, 1, 0, RGB(255, 0, 0));  // device (2, 1)
  EXPECT_EQ(canvas.Map(), Pic({"......", ".WRW..", ".WWW..", "......"}));
}

TEST_P(DrawingTest, SaveAndRestoreBringBackAttributesClipAndObjects) {
  Canvas canvas(4, 2, GetParam());
  HDC dc = canvas.dc();
  HPEN red = CreatePen(PS_SOLID, 1, RGB(255, 0, 0));
  int first = SaveDC(dc);
  EXPECT_EQ(first, 1);
  SelectObject(dc, red);
  SetTextColor(dc, RGB(1, 2, 3));
  IntersectClipRect(dc, 0, 0, 1, 1);
  EXPECT_EQ(SaveDC(dc), 2);
  SetBkMode(dc, TRANSPARENT);
  EXPECT_EQ(SaveDC(dc), 3);
  EXPECT_FALSE(RestoreDC(dc, 4));
  EXPECT_TRUE(RestoreDC(dc, -2));  // back to the state saved as level 2
  EXPECT_EQ(GetBkMode(dc), OPAQUE);
  EXPECT_EQ(GetTextColor(dc), RGB(1, 2, 3));
  EXPECT_FALSE(RestoreDC(dc, 2));  // that level is gone now
  EXPECT_TRUE(RestoreDC(dc, 1));
  EXPECT_EQ(GetTextColor(dc), RGB(0, 0, 0));
  EXPECT_EQ(GetCurrentObject(dc, OBJ_PEN), GetStockObject(BLACK_PEN));
  RECT box;
  EXPECT_EQ(GetClipBox(dc, &box), SIMPLEREGION);
  EXPECT_EQ(box.right, 4);
  EXPECT_TRUE(DeleteObject(red));
}

TEST_P(DrawingTest, DrawEdgeUsesTheSystemColours) {
  Canvas canvas(4, 4, GetParam());
  RECT r{0, 0, 4, 4};
  // The 3-D colours are not in the letter legend: read them back as colours.
  DrawEdge(canvas.dc(), &r, EDGE_SUNKEN, BF_RECT | BF_ADJUST | BF_MIDDLE);
  EXPECT_EQ(r.left, 2);
  EXPECT_EQ(r.bottom, 2);
  HDC dc = canvas.dc();
  auto near = [dc](COLORREF c) { return GetNearestColor(dc, c); };
  EXPECT_EQ(GetPixel(dc, 0, 0), near(GetSysColor(COLOR_BTNSHADOW)));
  EXPECT_EQ(GetPixel(dc, 1, 1), near(GetSysColor(COLOR_3DDKSHADOW)));
  EXPECT_EQ(GetPixel(dc, 3, 3), near(GetSysColor(COLOR_BTNHIGHLIGHT)));
  EXPECT_EQ(GetPixel(dc, 2, 2), near(GetSysColor(COLOR_3DLIGHT)));
}

}  // namespace

namespace plat {
[[maybe_unused]] static bool operator==(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
}  // namespace plat

namespace {

constexpr RECT kFillArea{4, 2, 9, 7};

// Bounds gathered while enabled, in logical coordinates (the window origin is
// moved so that a mix-up of the two shows).
TEST(DrawingBoundsTest, EachDrawingCallAddsWhatItMayChange) {
  struct Case {
    const char* name;
    std::function<void(HDC)> draw;
    RECT expected;  // empty: nothing gathered
  };
  const Case cases[] = {
      {"fill", [](HDC dc) { FillRect(dc, &kFillArea, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH))); },
       kFillArea},
      {"pixel", [](HDC dc) { SetPixel(dc, 3, 4, RGB(255, 0, 0)); }, RECT{3, 4, 4, 5}},
      {"line",
       [](HDC dc) {
         MoveToEx(dc, 1, 1, nullptr);
         LineTo(dc, 6, 1);
       },
       RECT{1, 1, 6, 2}},
      {"pattern blit", [](HDC dc) { PatBlt(dc, 2, 3, 4, 5, BLACKNESS); }, RECT{2, 3, 6, 8}},
      {"block copy",
       [](HDC dc) {
         HDC source = CreateCompatibleDC(dc);
         HBITMAP bitmap = CreateCompatibleBitmap(dc, 8, 8);
         HGDIOBJ old = SelectObject(source, bitmap);
         BitBlt(dc, 5, 6, 3, 2, source, 0, 0, SRCCOPY);
         SelectObject(source, old);
         DeleteObject(bitmap);
         DeleteDC(source);
       },
       RECT{5, 6, 8, 8}},
      {"text",
       [](HDC dc) {
         SetBkMode(dc, OPAQUE);
         TextOutA(dc, 2, 2, "W", 1);
       },
       RECT{-1, -1, -1, -1}},  // checked below: some area from (2, 2)
      {"nothing drawn", [](HDC) {}, RECT{}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    gditest::Canvas canvas(40, 30, 24);
    SetWindowOrgEx(canvas.dc(), -10, -5, nullptr);
    EXPECT_EQ(SetBoundsRect(canvas.dc(), nullptr, DCB_ENABLE | DCB_RESET), DCB_DISABLE | DCB_RESET);
    c.draw(canvas.dc());
    RECT bounds;
    const UINT state = GetBoundsRect(canvas.dc(), &bounds, 0);
    if (c.expected.left == -1) {
      EXPECT_EQ(state, DCB_SET);
      EXPECT_EQ(bounds.left, 2);
      EXPECT_EQ(bounds.top, 2);
      EXPECT_GT(bounds.right, 2);
      EXPECT_GT(bounds.bottom, 2);
    } else {
      EXPECT_EQ(state, c.expected.right > c.expected.left ? DCB_SET : DCB_RESET);
      EXPECT_EQ(bounds, c.expected);
    }
  }
}

TEST(DrawingBoundsTest, DisabledGathersNothingAndResetEmpties) {
  gditest::Canvas canvas(20, 20, 8);
  HDC dc = canvas.dc();
  PatBlt(dc, 0, 0, 4, 4, BLACKNESS);
  RECT bounds;
  EXPECT_EQ(GetBoundsRect(dc, &bounds, 0), DCB_RESET);
  SetBoundsRect(dc, nullptr, DCB_ENABLE);
  PatBlt(dc, 1, 1, 2, 2, BLACKNESS);
  PatBlt(dc, 10, 12, 2, 2, BLACKNESS);
  EXPECT_EQ(GetBoundsRect(dc, &bounds, DCB_RESET), DCB_SET);
  EXPECT_EQ(bounds, (RECT{1, 1, 12, 14}));
  EXPECT_EQ(GetBoundsRect(dc, &bounds, 0), DCB_RESET);
  // A rectangle added by hand, then the whole turned off.
  const RECT added{3, 3, 5, 6};
  SetBoundsRect(dc, &added, DCB_ACCUMULATE);
  EXPECT_EQ(SetBoundsRect(dc, nullptr, DCB_DISABLE), DCB_ENABLE | DCB_SET);
  PatBlt(dc, 15, 15, 2, 2, BLACKNESS);
  EXPECT_EQ(GetBoundsRect(dc, &bounds, 0), DCB_SET);
  EXPECT_EQ(bounds, added);
}

}  // namespace
