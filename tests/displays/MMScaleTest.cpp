// The scale painter, checked through the lines its canvas records: tick
// positions and lengths on wide and tall rectangles, edges, zones, the
// joining line and the two-tone styles; the writers' limits, the extent,
// Assign between the two published kinds and drawing without a canvas.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "displays/MMScale.h"
#include "platform/vcl/GraphicsBitmap.h"

using namespace displays;
using vcl::TColor;

namespace {

// A line as "(x1,y1)-(x2,y2)" with its colour.
struct Line {
  std::string at;
  TColor color;
};

class MMScaleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    bitmap_.SetPixelFormat(vcl::pf24bit);
    bitmap_.SetSize(120, 120);
    bitmap_.Canvas()->SetRecorder([this](const vcl::TCanvasCall& call) {
      const auto& r = call.rect;
      lines_.push_back({"(" + std::to_string(r.left) + "," + std::to_string(r.top) + ")-(" +
                            std::to_string(r.right) + "," + std::to_string(r.bottom) + ")",
                        call.color});
    });
    scale_.SetCanvas(bitmap_.Canvas());
  }

  std::vector<std::string> Draw(const vcl::TRect& rect, bool side) {
    lines_.clear();
    scale_.Draw(nullptr, rect, side);
    std::vector<std::string> at;
    for (const auto& line : lines_) at.push_back(line.at);
    return at;
  }

  vcl::TBitmap bitmap_;
  TMMScale scale_;
  std::vector<Line> lines_;
};

TEST_F(MMScaleTest, DefaultsHangElevenTicksFromTheBottomEveryFifthLong) {
  const auto at = Draw(vcl::Rect(0, 0, 100, 20), true);
  std::vector<std::string> expected;
  for (int i = 0; i <= 10; ++i) {
    const int x = 10 * i;
    const int top = i % 5 == 0 ? 13 : 17;
    expected.push_back("(" + std::to_string(x) + "," + std::to_string(top) + ")-(" + std::to_string(x) +
                       ",20)");
  }
  EXPECT_EQ(at, expected);
  for (const auto& line : lines_) EXPECT_EQ(line.color, vcl::clBlack);
}

TEST_F(MMScaleTest, SideAndOriginChooseTheEdgeAndATallOrSquareRectangleIsVertical) {
  const struct {
    const char* name;
    vcl::TRect rect;
    engine::TMMScaleOrigin origin;
    bool side;
    int tick_count;
    std::vector<std::string> expected;
  } cases[] = {
      {"wide, outer, side",
       vcl::Rect(0, 0, 100, 20),
       engine::soOuter,
       true,
       2,
       {"(0,0)-(0,7)", "(100,0)-(100,7)"}},
      {"wide, outer, other side",
       vcl::Rect(0, 0, 100, 20),
       engine::soOuter,
       false,
       2,
       {"(0,13)-(0,20)", "(100,13)-(100,20)"}},
      {"wide, inner, other side",
       vcl::Rect(5, 0, 105, 20),
       engine::soInner,
       false,
       2,
       {"(5,0)-(5,7)", "(105,0)-(105,7)"}},
      // 4 wide, 5 high: the rows are 2.5 apart, and 2.5 rounds to even.
      {"tall, far edge",
       vcl::Rect(16, 0, 20, 5),
       engine::soInner,
       true,
       3,
       {"(13,0)-(20,0)", "(17,2)-(20,2)", "(13,5)-(20,5)"}},
      {"tall, near edge",
       vcl::Rect(16, 0, 20, 5),
       engine::soInner,
       false,
       3,
       {"(16,0)-(23,0)", "(16,2)-(19,2)", "(16,5)-(23,5)"}},
      {"square", vcl::Rect(0, 0, 10, 10), engine::soInner, true, 2, {"(3,0)-(10,0)", "(3,10)-(10,10)"}},
  };
  for (const auto& c : cases) {
    scale_.SetOrigin(c.origin);
    scale_.SetTickCount(c.tick_count);
    scale_.SetEnlargeEvery(c.tick_count == 3 ? 2 : 1);
    EXPECT_EQ(Draw(c.rect, c.side), c.expected) << c.name;
  }
}

TEST_F(MMScaleTest, ZonesColourTicksAndCutTheJoiningLineUnlessTheirLimitsAreInconsistent) {
  scale_.SetConnect(true);
  scale_.SetZones(vcl::clRed, vcl::clLime, vcl::clBlue, 4, 8);  // at 36.4 and 72.7 of 100 pixels
  Draw(vcl::Rect(0, 0, 100, 20), true);
  ASSERT_EQ(lines_.size(), 3u + 11u);
  // The line sits one row below the ticks and is cut a zone step late.
  EXPECT_EQ(lines_[0].at, "(0,20)-(45,20)");
  EXPECT_EQ(lines_[1].at, "(45,20)-(81,20)");
  EXPECT_EQ(lines_[2].at, "(81,20)-(101,20)");
  const TColor zone_colours[] = {vcl::clRed, vcl::clLime, vcl::clBlue};
  for (int i = 0; i < 3; ++i) EXPECT_EQ(lines_[i].color, zone_colours[i]);
  for (int i = 0; i <= 10; ++i) {
    const TColor expected = i <= 3 ? vcl::clRed : i <= 7 ? vcl::clLime : vcl::clBlue;
    EXPECT_EQ(lines_[3 + i].color, expected) << "tick " << i;
  }

  const struct { int point1, point2; } off[] = {{8, 4}, {-1, 4}, {4, 12}};
  for (const auto& zone : off) {
    scale_.SetZones(vcl::clRed, vcl::clLime, vcl::clBlue, zone.point1, zone.point2);
    Draw(vcl::Rect(0, 0, 100, 20), true);
    ASSERT_EQ(lines_.size(), 1u + 11u);
    for (const auto& line : lines_) EXPECT_EQ(line.color, vcl::clRed) << zone.point1 << ".." << zone.point2;
  }
}

TEST_F(MMScaleTest, TwoToneStylesDrawEachLineTwiceOffsetAcrossItAndIgnoreTheColours) {
  scale_.SetColor(vcl::clRed);
  scale_.SetTickCount(2);
  scale_.SetConnect(true);
  scale_.SetStyle(stLowered);
  EXPECT_EQ(Draw(vcl::Rect(0, 0, 100, 20), true),
            (std::vector<std::string>{"(0,19)-(101,19)", "(0,20)-(101,20)", "(0,13)-(0,20)", "(1,13)-(1,20)",
                                      "(100,17)-(100,20)", "(101,17)-(101,20)"}));
  for (size_t i = 0; i < lines_.size(); ++i)
    EXPECT_EQ(lines_[i].color, i % 2 == 0 ? vcl::clBlack : vcl::clWhite) << i;

  scale_.SetStyle(stRaised);
  EXPECT_EQ(Draw(vcl::Rect(0, 0, 20, 100), false),
            (std::vector<std::string>{"(0,1)-(0,101)", "(1,1)-(1,101)", "(1,0)-(8,0)", "(1,1)-(8,1)",
                                      "(1,100)-(4,100)", "(1,101)-(4,101)"}));
  for (size_t i = 0; i < lines_.size(); ++i)
    EXPECT_EQ(lines_[i].color, i % 2 == 0 ? vcl::clWhite : vcl::clBlack) << i;
}

TEST_F(MMScaleTest, WritersClampAndNotifyOnlyRealChanges) {
  int changes = 0;
  scale_.OnChange = [&](vcl::TObject* sender) {
    EXPECT_EQ(sender, &scale_);
    ++changes;
  };
  scale_.SetTickCount(1);
  scale_.SetEnlargeEvery(0);
  scale_.SetSize(0);
  EXPECT_EQ(scale_.TickCount(), 2);
  EXPECT_EQ(scale_.EnlargeEvery(), 1);
  EXPECT_EQ(scale_.Size(), 1);
  EXPECT_EQ(changes, 3);
  scale_.SetTickCount(-5);
  scale_.SetSize(1);
  scale_.SetColor(vcl::clBlack);
  scale_.SetZones(vcl::clRed, vcl::clRed, vcl::clRed, 1, 2);  // painting-time state: no repaint
  EXPECT_EQ(changes, 3);
}

TEST_F(MMScaleTest, ExtentGrowsByTheJoiningLineAndItsShadow) {
  const struct {
    bool connect;
    TMMScaleStyle style;
    int extent;
  } cases[] = {{false, stLowered, 7}, {true, stColor, 8}, {true, stLowered, 9}, {true, stRaised, 9}};
  for (const auto& c : cases) {
    scale_.SetConnect(c.connect);
    scale_.SetStyle(c.style);
    EXPECT_EQ(scale_.GetExtent(), c.extent) << c.connect << " " << int(c.style);
  }
}

TEST_F(MMScaleTest, AssignTakesATMMScaleWithItsFirstColourOnlyAndRefusesALevelScalePainter) {
  TMMScale source;
  source.SetVisible(false);
  source.SetColor(vcl::clRed);
  source.SetStyle(stRaised);
  source.SetTickCount(9);
  source.SetEnlargeEvery(3);
  source.SetSize(4);
  source.SetOrigin(engine::soOuter);
  source.SetConnect(true);
  TMMLevScale lev;
  int changes = 0;
  lev.OnChange = [&](vcl::TObject*) { ++changes; };
  lev.Assign(&source);
  EXPECT_EQ(changes, 1);
  EXPECT_FALSE(lev.Visible());
  EXPECT_EQ(lev.Color1(), vcl::clRed);
  EXPECT_EQ(lev.Color2(), vcl::clBlack);
  EXPECT_EQ(lev.Style(), stRaised);
  EXPECT_EQ(lev.TickCount(), 9);
  EXPECT_EQ(lev.EnlargeEvery(), 3);
  EXPECT_EQ(lev.Size(), 4);
  EXPECT_EQ(lev.Origin(), engine::soOuter);
  EXPECT_TRUE(lev.Connect());

  TMMScale other;
  EXPECT_THROW(other.Assign(&lev), vcl::EConvertError);
  EXPECT_THROW(lev.Assign(&lev), vcl::EConvertError);
  EXPECT_EQ(other.TickCount(), 11);
}

TEST_F(MMScaleTest, DrawingWithoutACanvasRaises) {
  TMMScale bare;
  try {
    bare.Draw(bitmap_.Canvas(), vcl::Rect(0, 0, 100, 20), true);
    FAIL() << "no error";
  } catch (const EMMScaleError& e) {
    EXPECT_EQ(e.Message(), "Canvas needed for this operation");
  }
}

}  // namespace
