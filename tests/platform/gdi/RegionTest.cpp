// Regions: combination, queries, rectangle lists and regions from masks.
#include <gtest/gtest.h>

#include <vector>

#include "tests/platform/gdi/GdiTestSupport.h"

namespace {

using namespace gditest;

// Paints a region as a picture of w x h.
std::string Picture(HRGN rgn, int w, int h) {
  std::string out;
  for (int y = 0; y < h; ++y) {
    if (y) out += '\n';
    for (int x = 0; x < w; ++x) out += PtInRegion(rgn, x, y) ? '#' : '.';
  }
  return out;
}

TEST(RegionTest, CombineModes) {
  struct Case {
    int mode;
    int kind;
    std::string expected;
  };
  const Case cases[] = {
      {RGN_AND, SIMPLEREGION, Pic({"......", "......", "..##..", "......"})},
      {RGN_OR, COMPLEXREGION, Pic({"####..", "####..", "######", "..####"})},
      {RGN_XOR, COMPLEXREGION, Pic({"####..", "####..", "##..##", "..####"})},
      {RGN_DIFF, COMPLEXREGION, Pic({"####..", "####..", "##....", "......"})},
      {RGN_COPY, SIMPLEREGION, Pic({"####..", "####..", "####..", "......"})},
  };
  HRGN a = CreateRectRgn(0, 0, 4, 3);
  HRGN b = CreateRectRgn(2, 2, 6, 4);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.mode);
    HRGN out = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(CombineRgn(out, a, b, c.mode), c.kind);
    EXPECT_EQ(Picture(out, 6, 4), c.expected);
    DeleteObject(out);
  }
  HRGN empty = CreateRectRgn(0, 0, 0, 0);
  EXPECT_EQ(CombineRgn(empty, a, a, RGN_DIFF), NULLREGION);
  RECT box;
  EXPECT_EQ(GetRgnBox(empty, &box), NULLREGION);
  for (HRGN r : {a, b, empty}) DeleteObject(r);
}

TEST(RegionTest, SamePixelsMakeEqualRegionsWhateverTheirHistory) {
  HRGN whole = CreateRectRgn(0, 0, 4, 4);
  HRGN left = CreateRectRgn(0, 0, 2, 4);
  HRGN right = CreateRectRgn(2, 0, 4, 4);
  HRGN joined = CreateRectRgn(0, 0, 0, 0);
  CombineRgn(joined, left, right, RGN_OR);
  EXPECT_TRUE(EqualRgn(whole, joined));
  RECT box;
  EXPECT_EQ(GetRgnBox(joined, &box), SIMPLEREGION);
  OffsetRgn(joined, 1, 0);
  EXPECT_FALSE(EqualRgn(whole, joined));
  RECT probe{4, 3, 9, 9}, miss{5, 0, 9, 9};
  EXPECT_TRUE(RectInRegion(joined, &probe));
  EXPECT_FALSE(RectInRegion(joined, &miss));
  for (HRGN r : {whole, left, right, joined}) DeleteObject(r);
}

TEST(RegionTest, RectangleListsRoundTrip) {
  HRGN ring = CreateRectRgn(0, 0, 5, 5);
  HRGN hole = CreateRectRgn(1, 1, 4, 4);
  CombineRgn(ring, ring, hole, RGN_DIFF);
  DWORD size = GetRegionData(ring, 0, nullptr);
  ASSERT_EQ(size, sizeof(RGNDATAHEADER) + 4 * sizeof(RECT));  // top band, two sides, bottom band
  EXPECT_EQ(GetRegionData(ring, size - 1, reinterpret_cast<RGNDATA*>(std::vector<uint8_t>(size).data())), 0u);
  std::vector<uint8_t> data(size);
  ASSERT_EQ(GetRegionData(ring, size, reinterpret_cast<RGNDATA*>(data.data())), size);
  auto* rd = reinterpret_cast<RGNDATA*>(data.data());
  EXPECT_EQ(rd->rdh.nCount, 4u);
  EXPECT_EQ(rd->rdh.rcBound.right, 5);
  HRGN copy = ExtCreateRegion(nullptr, size, rd);
  ASSERT_NE(copy, nullptr);
  EXPECT_TRUE(EqualRgn(copy, ring));
  rd->rdh.nCount = 1000;  // more rectangles than the data holds
  EXPECT_EQ(ExtCreateRegion(nullptr, size, rd), nullptr);
  for (HRGN r : {ring, hole, copy}) DeleteObject(r);
}

TEST(RegionTest, EllipticAndPolygonRegions) {
  HRGN e = CreateEllipticRgn(0, 0, 6, 4);
  EXPECT_EQ(Picture(e, 6, 4), Pic({".####.", "######", "######", ".####."}));
  const POINT tri[] = {{0, 0}, {4, 0}, {0, 4}};
  HRGN t = CreatePolygonRgn(tri, 3, ALTERNATE);
  // Pixel centres on the slanted edge stay out.
  EXPECT_EQ(Picture(t, 5, 4), Pic({"###..", "##...", "#....", "....."}));
  DeleteObject(e);
  DeleteObject(t);
}

TEST(RegionTest, RegionFromMaskCoversEveryPixelButTheTransparentColour) {
  Canvas canvas(4, 3, 24);
  canvas.Paint(Pic({"MRRM", "RRRR", "MMRM"}));
  HRGN rgn = CreateRegionFromMask(canvas.bitmap(), RGB(255, 0, 255));
  EXPECT_EQ(Picture(rgn, 4, 3), Pic({".##.", "####", "..#."}));
  // Filling through it touches exactly those pixels.
  Canvas dst(4, 3, 8);
  FillRgn(dst.dc(), rgn, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  EXPECT_EQ(dst.Map(), Pic({".WW.", "WWWW", "..W."}));
  HRGN frame = CreateRectRgn(0, 0, 4, 3);
  dst.Clear('.');
  FrameRgn(dst.dc(), frame, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)), 1, 1);
  EXPECT_EQ(dst.Map(), Pic({"WWWW", "W..W", "WWWW"}));
  DeleteObject(rgn);
  DeleteObject(frame);
}

}  // namespace
