#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "displays/DibCanvasTestSupport.h"
#include "displays/MMDIBCv.h"

namespace {

using dibcvtest::Ink;
using dibcvtest::PixelMap;
using displays::TDIBDrawingPass;
using displays::TMMDIBCanvas;
using C = displays::TMMDIBCanvas;
using displays::TRect;

// One drawing on a black DIB, with ink 1 as the current colour when it starts;
// the same map is expected at 8 and at 24 bits.
struct PixelCase {
  const char* name;
  int width;
  int height;
  std::function<void(const Ink&, TMMDIBCanvas&)> draw;
  const char* expected;
};

void PrintTo(const PixelCase& c, std::ostream* os) { *os << c.name; }

const std::vector<PixelCase>& Cases() {
  static const std::vector<PixelCase> cases = {
      // Lines leave out their end point: the larger x of a horizontal line,
      // the larger y of a vertical one, the second end of a slanted one.
      {"LineToLeftwardThenUp", 12, 7,
       [](const Ink&, C&) {
         C::DIB_MoveTo(10, 5);
         C::DIB_LineTo(0, 5);  // x = 0..9, position now (0, 5)
         C::DIB_LineTo(0, 2);  // rows 2..4
       },
       "............\n"
       "............\n"
       "#...........\n"
       "#...........\n"
       "#...........\n"
       "##########..\n"
       "............\n"},
      {"ZeroLengthLineDrawsNothing", 3, 3, [](const Ink&, C&) { C::DIB_Line(1, 1, 1, 1); },
       "...\n"
       "...\n"
       "...\n"},
      {"SteepLine", 3, 4, [](const Ink&, C&) { C::DIB_Line(0, 0, 1, 3); },
       "#..\n"
       "#..\n"
       ".#.\n"
       "...\n"},
      {"SteepLineDrawnBackwardsIsTheSame", 3, 4, [](const Ink&, C&) { C::DIB_Line(1, 3, 0, 0); },
       "#..\n"
       "#..\n"
       ".#.\n"
       "...\n"},
      {"ShallowLineUpward", 6, 3, [](const Ink&, C&) { C::DIB_Line(0, 2, 5, 0); },
       "....#.\n"
       "..##..\n"
       "##....\n"},
      {"DiagonalClippedAtBothEnds", 6, 6, [](const Ink&, C&) { C::DIB_Line(-3, -3, 10, 10); },
       "#.....\n"
       ".#....\n"
       "..#...\n"
       "...#..\n"
       "....#.\n"
       "......\n"},
      {"LineRunningOffTheRightEdge", 6, 3, [](const Ink&, C&) { C::DIB_Line(-4, 1, 20, 1); },
       "......\n"
       "######\n"
       "......\n"},
      {"LinesOnTheRightAndBottomEdgesDrawNothing", 4, 3,
       [](const Ink&, C&) {
         C::DIB_Line(4, 0, 4, 3);
         C::DIB_Line(0, 3, 4, 3);
         C::DIB_VLine(4, 0, 3);
         C::DIB_HLine(0, 4, 3);
       },
       "....\n"
       "....\n"
       "....\n"},
      {"XorLineTogglesWithTheInvertedColour", 5, 2,
       [](const Ink& ink, C&) {
         C::DIB_SetColor(ink(3));
         C::DIB_HLine(0, 5, 0);
         C::DIB_SetColor(ink.Not(1));
         C::DIB_XorLine(0, 0, 3, 0);  // 3 xor 1 = 2
         C::DIB_XorLine(1, 1, 4, 1);
         C::DIB_XorLine(2, 1, 3, 1);  // toggled back
       },
       "oooxx\n"
       ".#.#.\n"},
      {"HorizontalSpansOrderAndClip", 6, 3,
       [](const Ink&, C&) {
         C::DIB_HLine(4, 1, 0);
         C::DIB_HLine(-5, 2, 1);
         C::DIB_HLine(3, 99, 2);
         C::DIB_HLine(-9, -1, 2);
         C::DIB_HLine(6, 9, 2);
       },
       ".###..\n"
       "##....\n"
       "...###\n"},
      {"VerticalSpansOrderAndClip", 3, 5,
       [](const Ink&, C&) {
         C::DIB_VLine(0, 3, 1);
         C::DIB_VLine(1, -4, 2);
         C::DIB_VLine(2, 3, 50);
         C::DIB_VLine(-1, 0, 5);
       },
       ".#.\n"
       "##.\n"
       "#..\n"
       "..#\n"
       "..#\n"},
      {"DashedSpans", 12, 5,
       [](const Ink&, C&) {
         C::DIB_HLineDashed(0, 10, 0);  // offsets 0-3 and 8-9
         C::DIB_HLineDashed(0, 3, 1);   // too short
         C::DIB_HLineDashed(9, 13, 2);  // 3 pixels after clipping
         C::DIB_VLineDashed(11, 1, 4);  // all 3
       },
       "####....##..\n"
       "...........#\n"
       "...........#\n"
       "...........#\n"
       "............\n"},
      {"DottedSpans", 6, 6,
       [](const Ink&, C&) {
         C::DIB_HLineDotted(0, 5, 0, 1);
         C::DIB_HLineDotted(5, 0, 1, 0);  // gap 0 counts as 1
         C::DIB_HLineDotted(0, 6, 2, 2);
         C::DIB_VLineDotted(5, 2, 6, 2);
       },
       "#.#.#.\n"
       "#.#.#.\n"
       "#..#.#\n"
       "......\n"
       "......\n"
       ".....#\n"},
      {"FillRectOrdersCornersAndClips", 5, 4,
       [](const Ink& ink, C&) {
         C::DIB_FillRect(TRect{3, 2, 1, 0});
         C::DIB_SetColor(ink(2));
         C::DIB_FillRect(TRect{3, 2, 9, 9});
         C::DIB_FillRect(TRect{-3, -3, -1, 9});
         C::DIB_FillRect(TRect{0, 3, 0, 4});  // no width
       },
       ".##..\n"
       ".##..\n"
       "...oo\n"
       "...oo\n"},
      {"XorRect", 4, 3,
       [](const Ink& ink, C&) {
         C::DIB_FillRect(TRect{0, 0, 2, 3});
         C::DIB_SetColor(ink(3));
         C::DIB_XorRect(TRect{1, 1, 4, 3});
       },
       "##..\n"
       "#oxx\n"
       "#oxx\n"},
      {"DottedFillOfThreeByThreeDrawsTheCorners", 5, 5,
       [](const Ink&, C&) {
         C::DIB_FillRectDotted(TRect{1, 1, 4, 4}, true);
       },
       ".....\n"
       ".#.#.\n"
       ".....\n"
       ".#.#.\n"
       ".....\n"},
      {"DottedFillCountsFromTheClippedCorner", 4, 3,
       [](const Ink&, C&) {
         C::DIB_FillRectDotted(TRect{-1, -1, 4, 3}, true);
       },
       "#.#.\n"
       "....\n"
       "#.#.\n"},
      {"UndottedFillIsAFill", 3, 2,
       [](const Ink&, C&) {
         C::DIB_FillRectDotted(TRect{0, 0, 2, 2}, false);
       },
       "##.\n"
       "##.\n"},
      {"FrameRect", 5, 4, [](const Ink&, C&) { C::DIB_FrameRect(0, 0, 4, 4); },
       "####.\n"
       "#..#.\n"
       "#..#.\n"
       "####.\n"},
      {"XorVerticalSpans", 2, 3,
       [](const Ink& ink, C&) {
         C::DIB_SetColor(ink(3));
         C::DIB_FillRect(TRect{0, 0, 2, 3});
         C::DIB_SetColor(ink(1));
         C::DIB_XorVLine(0, 0, 2);
         C::DIB_SetColor(ink.Not(3));
         C::DIB_XorNotVLine(1, 3, 1);
       },
       "ox\n"
       "o.\n"
       "x.\n"},
      {"SetPixelClipsAndGetPixelReadsBack", 3, 2,
       [](const Ink& ink, C&) {
         C::DIB_SetPixel(2, 1, ink(2));
         C::DIB_SetPixel(3, 0, ink(1));
         C::DIB_SetPixel(-1, 0, ink(1));
         C::DIB_SetPixel(0, 2, ink(1));
         EXPECT_EQ(C::DIB_GetPixel(2, 1), ink(2));
         EXPECT_EQ(C::DIB_GetPixel(0, 0), 0);
         EXPECT_EQ(C::DIB_GetPixel(3, 0), -1);
         EXPECT_EQ(C::DIB_GetPixel(0, -1), -1);
       },
       "...\n"
       "..o\n"},
      {"FillEllipseRadiusOne", 5, 5, [](const Ink&, C&) { C::DIB_FillEllipse(2, 2, 1, 1); },
       ".....\n"
       "..#..\n"
       ".###.\n"
       "..#..\n"
       ".....\n"},
      {"FillEllipseWithoutRadiusDrawsNothing", 3, 3,
       [](const Ink&, C&) {
         C::DIB_FillEllipse(1, 1, 0, 1);
         C::DIB_FillEllipse(1, 1, 1, -1);
       },
       "...\n"
       "...\n"
       "...\n"},
      {"FillEllipseClippedAtTheCorner", 4, 3, [](const Ink&, C&) { C::DIB_FillEllipse(0, 0, 3, 2); },
       "####\n"
       "###.\n"
       "##..\n"},
      {"FillEllipse", 13, 9, [](const Ink&, C&) { C::DIB_FillEllipse(6, 4, 5, 3); },
       ".............\n"
       "....#####....\n"
       "..#########..\n"
       ".###########.\n"
       ".###########.\n"
       ".###########.\n"
       "..#########..\n"
       "....#####....\n"
       ".............\n"},
      // Angles run counter-clockwise from three o'clock; both ends are drawn.
      {"ArcWholeCircle", 7, 7, [](const Ink&, C&) { C::DIB_Arc(3, 3, 0, 360, 3, 3); },
       "..###..\n"
       ".#...#.\n"
       "#.....#\n"
       "#.....#\n"
       "#.....#\n"
       ".#...#.\n"
       "..###..\n"},
      {"ArcFirstQuarter", 7, 7, [](const Ink&, C&) { C::DIB_Arc(3, 3, 0, 90, 3, 3); },
       "...##..\n"
       ".....#.\n"
       "......#\n"
       "......#\n"
       ".......\n"
       ".......\n"
       ".......\n"},
      {"ArcPassingAngleZero", 7, 7, [](const Ink&, C&) { C::DIB_Arc(3, 3, 90, 0, 3, 3); },
       "..##...\n"
       ".#.....\n"
       "#......\n"
       "#.....#\n"
       "#.....#\n"
       ".#...#.\n"
       "..###..\n"},
      {"ArcOfNoSpanDrawsNothing", 3, 3, [](const Ink&, C&) { C::DIB_Arc(1, 1, 45, 45, 1, 1); },
       "...\n"
       "...\n"
       "...\n"},
      {"CopyShiftedOneRightInPlace", 5, 2,
       [](const Ink& ink, C& canvas) {
         C::DIB_SetPixel(0, 0, ink(1));
         C::DIB_SetPixel(1, 0, ink(2));
         C::DIB_SetPixel(2, 0, ink(3));
         C::DIB_SetPixel(0, 1, ink(3));
         C::DIB_CopyRect(canvas.PixelBits(), 1, 0, 4, 2, 0, 0);
       },
       "##ox.\n"
       "xx...\n"},
      {"CopyShiftedOneRowDownInPlace", 2, 4,
       [](const Ink& ink, C& canvas) {
         C::DIB_SetPixel(0, 0, ink(1));
         C::DIB_SetPixel(1, 1, ink(2));
         C::DIB_SetPixel(0, 2, ink(3));
         C::DIB_CopyRect(canvas.PixelBits(), 0, 1, 2, 3, 0, 0);
       },
       "#.\n"
       "#.\n"
       ".o\n"
       "x.\n"},
      {"CopyShiftedUpAndLeftInPlace", 3, 3,
       [](const Ink& ink, C& canvas) {
         C::DIB_SetPixel(1, 1, ink(1));
         C::DIB_SetPixel(2, 1, ink(2));
         C::DIB_SetPixel(2, 2, ink(3));
         C::DIB_CopyRect(canvas.PixelBits(), 0, 0, 2, 2, 1, 1);
       },
       "#o.\n"
       ".xo\n"
       "..x\n"},
      // A copy whose source starts left of the DIB keeps every pixel in the
      // place it would have without clipping.
      {"CopyFromPartlyOutsideKeepsPixelsInPlace", 6, 1,
       [](const Ink& ink, C& canvas) {
         C::DIB_SetPixel(0, 0, ink(1));
         C::DIB_SetPixel(1, 0, ink(2));
         C::DIB_CopyRect(canvas.PixelBits(), 2, 0, 4, 1, -2, 0);
         C::DIB_CopyRect(canvas.PixelBits(), -1, 0, 1, 1, 0, 0);  // wholly outside
       },
       "#o..#o\n"},
      {"CopyToPartlyOutsideKeepsPixelsInPlace", 4, 1,
       [](const Ink& ink, C& canvas) {
         C::DIB_SetPixel(2, 0, ink(1));
         C::DIB_SetPixel(3, 0, ink(2));
         C::DIB_CopyRect(canvas.PixelBits(), -2, 0, 4, 1, 1, 0);
         C::DIB_CopyRect(canvas.PixelBits(), 0, 0, 0, 1, 0, 0);
       },
       "o.#o\n"},
      {"PrimitivesAfterThePassDrawNothing", 2, 1, [](const Ink&, C&) {}, "..\n"},
  };
  return cases;
}

class Pixels : public testing::TestWithParam<std::tuple<PixelCase, int>> {};

TEST_P(Pixels, MatchTheMap) {
  const auto& [c, bits] = GetParam();
  TMMDIBCanvas canvas(nullptr);
  dibcvtest::Prepare(canvas, c.width, c.height, bits);
  const Ink ink{bits};
  {
    TDIBDrawingPass pass(canvas);
    C::DIB_SetColor(ink(1));
    c.draw(ink, canvas);
  }
  // Nothing may reach the DIB once the pass is over.
  C::DIB_FillRect(TRect{0, 0, c.width, c.height});
  C::DIB_Clear();
  C::DIB_LineTo(c.width, c.height);
  EXPECT_EQ(PixelMap(canvas), c.expected);
}

INSTANTIATE_TEST_SUITE_P(AtBothDepths, Pixels,
                         testing::Combine(testing::ValuesIn(Cases()), testing::Values(8, 24)),
                         [](const testing::TestParamInfo<Pixels::ParamType>& info) {
                           return std::string(std::get<0>(info.param).name) + "_" +
                                  std::to_string(std::get<1>(info.param));
                         });

}  // namespace

namespace {

// Row padding lies just right of the clip rectangle: a primitive that writes
// one pixel too far shows up there.
class Padding : public testing::TestWithParam<int> {};

TEST_P(Padding, StaysUntouchedByClippedDrawing) {
  const int bits = GetParam();
  TMMDIBCanvas canvas(nullptr);
  dibcvtest::Prepare(canvas, 5, 5, bits);
  {
    TDIBDrawingPass pass(canvas);
    C::DIB_SetColor(Ink{bits}(1));
    for (int x1 = -7; x1 <= 12; x1 += 3)
      for (int y1 = -7; y1 <= 12; y1 += 3)
        for (int x2 = -6; x2 <= 11; x2 += 4)
          for (int y2 = -6; y2 <= 11; y2 += 4) {
            C::DIB_Line(x1, y1, x2, y2);
            C::DIB_XorLine(x1, y1, x2, y2);
          }
    for (int c = -2; c <= 7; ++c) {
      C::DIB_FillEllipse(c, 2, 3, 2);
      C::DIB_Arc(c, c, 0, 360, 3, 4);
      C::DIB_FillRect(TRect{c, c, c + 3, c + 3});
      C::DIB_FillRectDotted(TRect{c, -c, c + 4, 9}, true);
      C::DIB_HLineDotted(c, 9, c, 1);
      C::DIB_HLineDashed(-9, c + 4, c);
      C::DIB_VLineDashed(c, -3, 9);
      const uint8_t column[12] = {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
      C::DIB_PutColumn(c, c - 4, column, 12);
      C::DIB_CopyRect(canvas.PixelBits(), c, 2 - c, 4, 4, 2 - c, c);
    }
  }
  const int used = 5 * bits / 8;
  const int stride = dibcvtest::Stride(canvas);
  for (int y = 0; y < 5; ++y)
    for (int i = used; i < stride; ++i)
      EXPECT_EQ(dibcvtest::Row(canvas, canvas.PixelBits(), y)[i], 0) << "row " << y << " byte " << i;
}

INSTANTIATE_TEST_SUITE_P(AtBothDepths, Padding, testing::Values(8, 24),
                         [](const auto& info) { return std::to_string(info.param) + "Bits"; });

TEST(Clear, FillsTheRowPaddingAt8BitsAndOnlyThePixelsAt24) {
  for (int bits : {8, 24}) {
    TMMDIBCanvas canvas(nullptr);
    dibcvtest::Prepare(canvas, 3, 2, bits);
    {
      TDIBDrawingPass pass(canvas);
      C::DIB_SetColor(Ink{bits}(2));
      C::DIB_Clear();
    }
    EXPECT_EQ(PixelMap(canvas), "ooo\nooo\n");
    const int stride = dibcvtest::Stride(canvas);
    const uint8_t padding = bits == 8 ? 2 : 0;
    for (int y = 0; y < 2; ++y)
      for (int i = 3 * bits / 8; i < stride; ++i)
        EXPECT_EQ(dibcvtest::Row(canvas, canvas.PixelBits(), y)[i], padding);
  }
}

TEST(PutColumn, StartsItsDataAtTheFirstVisibleRowAndIgnores24Bits) {
  const uint8_t data[4] = {1, 2, 3, 1};
  TMMDIBCanvas canvas(nullptr);
  dibcvtest::Prepare(canvas, 3, 3, 8);
  {
    TDIBDrawingPass pass(canvas);
    C::DIB_PutColumn(0, 1, data, 4);   // rows 1 and 2 take data 0 and 1
    C::DIB_PutColumn(2, -2, data, 4);  // rows 0 and 1 take data 0 and 1
    C::DIB_PutColumn(1, 0, data, 0);
  }
  EXPECT_EQ(PixelMap(canvas), "..#\n#.o\no..\n");

  TMMDIBCanvas deep(nullptr);
  dibcvtest::Prepare(deep, 2, 2, 24);
  {
    TDIBDrawingPass pass(deep);
    C::DIB_PutColumn(0, 0, data, 2);
  }
  EXPECT_EQ(PixelMap(deep), "..\n..\n");
}

TEST(SineTable, HoldsRoundedSinesInDegrees) {
  const auto& t = displays::SineTable();
  EXPECT_EQ(t[0], 0);
  EXPECT_EQ(t[1], 143);
  EXPECT_EQ(t[2], 286);
  EXPECT_EQ(t[90], 8192);
  EXPECT_EQ(t[270], -8192);
  EXPECT_EQ(t[359], -143);
}

}  // namespace
