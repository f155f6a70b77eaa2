// Image and colour routines: colour arithmetic, the gradient cache and fill,
// and the pixel transforms on small bitmaps of every format they meet.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/gdi/Colors.h"
#include "skin/ImgUtil.h"
#include "skin/SkinBitmaps.h"
#include "skin/SkinUnits.h"

using namespace skin;
using namespace skin_test;
using plat::RGB;
using vcl::TColor;

namespace {

TColor Rgb(int r, int g, int b) { return static_cast<TColor>(RGB(r, g, b)); }
TColor Grey(int v) { return Rgb(v, v, v); }

class ImgUtilTest : public ::testing::Test {
 protected:
  void SetUp() override { ClearGradientCache(); }
  void TearDown() override { ClearGradientCache(); }
};

}  // namespace

TEST_F(ImgUtilTest, BlendsColoursByPercentOrTenthsAndKeepsChannelsInRange) {
  struct Case {
    TColor a, b;
    int amount;
    TColor expected;
  };
  const Case cases[] = {
      {vcl::clRed, vcl::clWhite, 150, Rgb(255, 217, 217)},  // 15 %
      {vcl::clRed, vcl::clWhite, 99, Rgb(255, 3, 3)},       // 99 %
      {vcl::clRed, vcl::clWhite, 100, Rgb(255, 230, 230)},  // 10 %
      {vcl::clRed, vcl::clWhite, 50, Rgb(255, 128, 128)},   // rounded half up
      {vcl::clWhite, vcl::clBlack, 1500, vcl::clWhite},     // would carry into the next channel
      {vcl::clWhite, vcl::clBlack, -500, vcl::clBlack},
      {Grey(192), vcl::clWhite, 150, Grey(246)},
      // A system colour counts as its current value.
      {vcl::clBtnFace, vcl::clWhite, 0, vcl::clWhite},
      {vcl::clBtnFace, vcl::clBlack, 99,
       BlendColours(static_cast<TColor>(plat::GetSysColor(plat::COLOR_BTNFACE)), vcl::clBlack, 99)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Hex(c.a) + " " + Hex(c.b) + " " + std::to_string(c.amount));
    EXPECT_EQ(Hex(BlendColours(c.a, c.b, c.amount)), Hex(c.expected));
  }
}

TEST_F(ImgUtilTest, RatesSaturationWithDarkColoursAt200) {
  const std::pair<TColor, int> cases[] = {
      {Rgb(255, 0, 0), 255},    {Rgb(150, 0, 0), 200},   {Rgb(159, 0, 0), 200},   {Rgb(160, 0, 0), 255},
      {vcl::clBlack, 200},      {vcl::clWhite, 0},       {Grey(128), 200},        {Grey(192), 0},
      {Rgb(192, 128, 80), 149}, {Rgb(40, 60, 110), 200}, {Rgb(0, 120, 215), 255},
  };
  for (auto [colour, expected] : cases) EXPECT_EQ(ColourSaturation(colour), expected) << Hex(colour);
  // System colours are resolved before rating: a grey face is not "dark and vivid".
  EXPECT_EQ(ColourSaturation(vcl::clBtnFace),
            ColourSaturation(static_cast<TColor>(plat::GetSysColor(plat::COLOR_BTNFACE))));
}

TEST_F(ImgUtilTest, BuildsRampsWithTruncatingSteps) {
  struct Case {
    int count;
    TColor a, b;
    std::vector<int> greys;
  };
  const Case cases[] = {
      {1, vcl::clBlack, vcl::clWhite, {127}},
      {2, vcl::clWhite, vcl::clBlack, {255, 0}},
      {3, vcl::clBlack, vcl::clWhite, {0, 128, 255}},
      {3, vcl::clWhite, vcl::clBlack, {255, 128, 1}},  // a descending ramp stops short of colour2
      {4, vcl::clBlack, vcl::clWhite, {0, 85, 170, 255}},
      {4, vcl::clWhite, vcl::clBlack, {255, 171, 86, 1}},
  };
  for (const Case& c : cases) {
    int slot = BuildGradient(c.count, c.a, c.b);
    ASSERT_GE(slot, 0);
    std::vector<TColor> expected;
    for (int v : c.greys) expected.push_back(Grey(v));
    EXPECT_EQ(GradientEntries(slot), expected) << c.count << " " << Hex(c.a);
  }
  // Each channel steps on its own: red rises to its end, blue falls short of it.
  int slot = BuildGradient(3, Rgb(0, 100, 200), Rgb(200, 100, 0));
  EXPECT_EQ(GradientEntries(slot),
            (std::vector<TColor>{Rgb(0, 100, 200), Rgb(100, 100, 101), Rgb(200, 100, 1)}));
}

TEST_F(ImgUtilTest, CacheFindsGradientsByWhatWasAskedAndOverwritesInTurn) {
  // Descending ramps end off by one and are still found again.
  int slot = GetGradient(3, vcl::clWhite, vcl::clBlack);
  EXPECT_EQ(GetGradient(3, vcl::clWhite, vcl::clBlack), slot);
  // Nor does a ramp that happens to end in (1, 1, 1) answer a request for it.
  EXPECT_EQ(FindGradient(3, vcl::clWhite, Grey(1)), -1);
  EXPECT_NE(GetGradient(3, vcl::clWhite, Grey(1)), slot);

  // Nothing is built for a count below 1, and the ring does not move.
  ClearGradientCache();
  for (int count : {0, -1, -100}) {
    EXPECT_EQ(BuildGradient(count, vcl::clBlack, vcl::clWhite), -1);
    EXPECT_EQ(GetGradient(count, vcl::clBlack, vcl::clWhite), -1);
  }
  std::vector<int> slots;
  for (int i = 0; i < kGradientSlots + 1; ++i)
    slots.push_back(GetGradient(i + 2, vcl::clBlack, vcl::clWhite));
  EXPECT_EQ(slots.front(), 0);
  EXPECT_EQ(slots.back(), 0);  // the 17th overwrites slot 0
  EXPECT_EQ(FindGradient(2, vcl::clBlack, vcl::clWhite), -1);
  EXPECT_EQ(FindGradient(3, vcl::clBlack, vcl::clWhite), 1);
}

TEST_F(ImgUtilTest, GradientFillPaintsOnlyTheBandsInsideTheClip) {
  struct Case {
    const char* name;
    bool vertical;
    vcl::TRect rect;
    vcl::TRect clip;               // empty: no clipping
    std::vector<TColor> expected;  // along the ramp's direction; red = untouched
  };
  const TColor R = vcl::clRed;
  const Case cases[] = {
      {"vertical", true, vcl::Rect(0, 0, 4, 4), {}, {Grey(0), Grey(85), Grey(170), Grey(255)}},
      {"horizontal", false, vcl::Rect(0, 0, 4, 4), {}, {Grey(0), Grey(85), Grey(170), Grey(255)}},
      {"clipped to the middle",
       true,
       vcl::Rect(0, 0, 4, 4),
       vcl::Rect(0, 1, 4, 3),
       {R, Grey(85), Grey(170), R}},
      {"clipped horizontally",
       false,
       vcl::Rect(0, 0, 4, 4),
       vcl::Rect(2, 0, 4, 4),
       {R, R, Grey(170), Grey(255)}},
      {"starts above the bitmap", true, vcl::Rect(0, -2, 4, 2), {}, {Grey(170), Grey(255), R, R}},
      {"zero height", true, vcl::Rect(0, 1, 4, 1), {}, {R, R, R, R}},
      {"zero width, horizontal", false, vcl::Rect(2, 0, 2, 4), {}, {R, R, R, R}},
      {"outside the clip", true, vcl::Rect(0, 0, 4, 2), vcl::Rect(0, 3, 4, 4), {R, R, R, R}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto bitmap = Filled(4, 4, R);
    plat::HDC dc = bitmap->Canvas()->Handle();
    int saved = plat::SaveDC(dc);
    if (c.clip.right > c.clip.left)
      plat::IntersectClipRect(dc, c.clip.left, c.clip.top, c.clip.right, c.clip.bottom);
    GradientFill(dc, c.rect, vcl::clBlack, c.vertical, vcl::clWhite);
    plat::RestoreDC(dc, saved);
    for (int i = 0; i < 4; ++i) {
      TColor got = c.vertical ? bitmap->Canvas()->Pixels(1, i) : bitmap->Canvas()->Pixels(i, 1);
      EXPECT_EQ(Hex(got), Hex(c.expected[static_cast<size_t>(i)])) << "band " << i;
    }
  }
}

TEST_F(ImgUtilTest, GradientFillRampsBetweenTheToolbarColours) {
  // A descending 40-row ramp: its last row stops one short of colour2.
  auto bitmap = Filled(10, 40, vcl::clRed);
  GradientFill(bitmap->Canvas()->Handle(), vcl::Rect(0, 0, 10, 40), Grey(246), true, Rgb(139, 150, 177));
  const std::pair<int, TColor> rows[] = {{0, Grey(246)},
                                         {1, Rgb(244, 245, 245)},
                                         {19, Rgb(195, 200, 213)},
                                         {38, Rgb(143, 153, 180)},
                                         {39, Rgb(140, 151, 178)}};
  for (auto [y, colour] : rows) EXPECT_EQ(Hex(bitmap->Canvas()->Pixels(5, y)), Hex(colour)) << "row " << y;
}

TEST_F(ImgUtilTest, GreysAndReplacesTheExactKeyColour) {
  const TColor K = vcl::clFuchsia;
  auto bitmap = MakeBitmap({{Rgb(10, 20, 40), K, Rgb(255, 1, 255), Rgb(254, 0, 255)}});
  ReplaceKeyColour(*bitmap, vcl::clLime);
  EXPECT_EQ(ReadRows(*bitmap), (Rows{{Rgb(10, 20, 40), vcl::clLime, Rgb(255, 1, 255), Rgb(254, 0, 255)}}));
  GrayscaleBitmap(*bitmap);
  EXPECT_EQ(ReadRows(*bitmap), (Rows{{Grey(23), Grey(85), Grey(170), Grey(169)}}));

  // A key replaced by a system colour takes its current value.
  bitmap = MakeBitmap({{K}});
  ReplaceKeyColour(*bitmap, vcl::clBtnFace);
  EXPECT_EQ(bitmap->Canvas()->Pixels(0, 0), static_cast<TColor>(plat::GetSysColor(plat::COLOR_BTNFACE)));
}

// Mirror, flip and the quarter turns read three bytes a pixel; sources of
// other formats are converted to 24 bits first instead of being overrun.
TEST_F(ImgUtilTest, TransformsPixelsOfEveryFormatAsTwentyFourBit) {
  const TColor a = vcl::clRed, b = vcl::clLime, c = vcl::clBlue, d = vcl::clYellow, e = vcl::clFuchsia,
               f = vcl::clWhite;
  const Rows source = {{a, b, c}, {d, e, f}};
  struct Case {
    const char* name;
    std::function<void(vcl::TBitmap&)> apply;
    Rows expected;
  };
  const Case cases[] = {
      {"rotate left", RotateBitmapLeft, {{c, f}, {b, e}, {a, d}}},
      {"rotate right", RotateBitmapRight, {{d, a}, {e, b}, {f, c}}},
      {"mirror", MirrorBitmap, {{c, b, a}, {f, e, d}}},
      {"flip", FlipBitmap, {{d, e, f}, {a, b, c}}},
      {"grey", GrayscaleBitmap, {{Grey(85), Grey(85), Grey(85)}, {Grey(170), Grey(170), Grey(255)}}},
  };
  for (vcl::TPixelFormat format : {vcl::pf24bit, vcl::pf8bit, vcl::pf4bit, vcl::pf32bit, vcl::pfDevice}) {
    for (const Case& cs : cases) {
      SCOPED_TRACE(std::string(cs.name) + " from format " + std::to_string(format));
      auto bitmap = MakeBitmap(source, format);
      ASSERT_EQ(ReadRows(*bitmap), source);  // the format holds these colours exactly
      cs.apply(*bitmap);
      EXPECT_EQ(bitmap->PixelFormat(), vcl::pf24bit);
      EXPECT_EQ(ReadRows(*bitmap), cs.expected);
    }
  }
  // Odd sizes and single pixels: every pixel lands once.
  auto tall = MakeBitmap({{a}, {b}, {c}, {d}, {e}});
  RotateBitmapRight(*tall);
  EXPECT_EQ(ReadRows(*tall), (Rows{{e, d, c, b, a}}));
  MirrorBitmap(*tall);
  EXPECT_EQ(ReadRows(*tall), (Rows{{a, b, c, d, e}}));
  // An empty bitmap is left alone.
  vcl::TBitmap empty;
  for (const Case& cs : cases) cs.apply(empty);
  EXPECT_TRUE(empty.Empty());
}

TEST_F(ImgUtilTest, ShutDownEmptiesTheCache) {
  plat::UnitTable table;
  RegisterSkinUnits(table);
  table.Initialize();
  int slot = GetGradient(5, vcl::clBlack, vcl::clWhite);
  EXPECT_EQ(FindGradient(5, vcl::clBlack, vcl::clWhite), slot);
  table.Finalize();
  EXPECT_EQ(FindGradient(5, vcl::clBlack, vcl::clWhite), -1);
  EXPECT_EQ(BuildGradient(5, vcl::clBlack, vcl::clWhite), 0);  // the ring starts again
}
