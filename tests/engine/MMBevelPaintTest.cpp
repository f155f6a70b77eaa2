#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/MMObj.h"
#include "platform/vcl/Graphics.h"
#include "platform/vcl/GraphicsBitmap.h"

namespace {

using engine::TMMBevel;
using vcl::TColor;

// A 24-bit bitmap to paint bevels on, in a colour no band uses.
constexpr TColor kGround = 0x030201;

std::unique_ptr<vcl::TBitmap> GroundBitmap(int size) {
  auto bitmap = std::make_unique<vcl::TBitmap>();
  bitmap->SetPixelFormat(vcl::pf24bit);
  bitmap->SetSize(size, size);
  bitmap->Canvas()->Brush()->SetColor(kGround);
  bitmap->Canvas()->FillRect(vcl::Rect(0, 0, size, size));
  return bitmap;
}

// One character per pixel, top row first, from a legend of colours.
std::string Map(vcl::TBitmap& bitmap, const std::vector<std::pair<TColor, char>>& legend) {
  std::string out;
  for (int y = 0; y < bitmap.Height(); ++y) {
    for (int x = 0; x < bitmap.Width(); ++x) {
      const TColor pixel = bitmap.Canvas()->Pixels(x, y);
      char c = '?';
      for (const auto& [color, letter] : legend)
        if (static_cast<TColor>(vcl::ColorToRGB(color)) == pixel) c = letter;
      out += c;
    }
    out += '\n';
  }
  return out;
}

TEST(BevelPaint, DefaultsPaintOneLoweredFrame) {
  TMMBevel bevel;
  EXPECT_EQ(bevel.BevelExtent(), 1);
  auto bitmap = GroundBitmap(6);
  const plat::RECT inner = bevel.Paint(bitmap->Canvas(), vcl::Rect(0, 0, 6, 6), true);
  EXPECT_EQ(inner.left, 1);
  EXPECT_EQ(inner.top, 1);
  EXPECT_EQ(inner.right, 5);
  EXPECT_EQ(inner.bottom, 5);
  EXPECT_EQ(Map(*bitmap, {{kGround, '.'}, {vcl::clBtnShadow, 'S'}, {vcl::clBtnHighlight, 'H'}}),
            "SSSSSH\n"
            "S....H\n"
            "S....H\n"
            "S....H\n"
            "S....H\n"
            "HHHHHH\n");
}

// Single border, raised outer bevel of 2, border of 3, lowered inner bevel,
// border space of 2: every band shows on the diagonal, outside in.
struct MixedCase {
  const char* name;
  bool fill_border;
  const char* diagonal;  // pixels (i, i) for i = 0..19
};

void PrintTo(const MixedCase& c, std::ostream* os) { *os << c.name; }

class MixedBevel : public testing::TestWithParam<MixedCase> {};

TEST_P(MixedBevel, PaintsEveryBandAndLeavesTheExtentInside) {
  const MixedCase& c = GetParam();
  TMMBevel bevel;
  bevel.SetBorderStyle(engine::bsSingle);
  bevel.SetBevelOuter(engine::bvRaised);
  bevel.SetBevelOuterWidth(2);
  bevel.SetBorderWidth(3);
  bevel.SetBevelInner(engine::bvLowered);
  bevel.SetBevelInnerWidth(1);
  bevel.SetBorderSpace(2);
  bevel.SetBorderColor(vcl::clRed);
  bevel.SetBorderSpaceColor(vcl::clBlue);
  bevel.SetOuterLightColor(vcl::clYellow);
  bevel.SetOuterShadowColor(vcl::clMaroon);
  bevel.SetInnerLightColor(vcl::clLime);
  bevel.SetInnerShadowColor(vcl::clGreen);
  EXPECT_EQ(bevel.BevelExtent(), 9);
  auto bitmap = GroundBitmap(20);
  const plat::RECT inner = bevel.Paint(bitmap->Canvas(), vcl::Rect(0, 0, 20, 20), c.fill_border);
  EXPECT_EQ(inner.left, 9);
  EXPECT_EQ(inner.top, 9);
  EXPECT_EQ(inner.right, 11);
  EXPECT_EQ(inner.bottom, 11);
  const std::vector<std::pair<TColor, char>> legend = {
      {kGround, '.'},    {vcl::clWindowFrame, 'F'}, {vcl::clYellow, 'L'}, {vcl::clMaroon, 'S'},
      {vcl::clRed, 'B'}, {vcl::clLime, 'l'},        {vcl::clGreen, 's'},  {vcl::clBlue, 'p'}};
  std::string diagonal;
  const std::string map = Map(*bitmap, legend);
  for (int i = 0; i < 20; ++i) diagonal += map[i * 21 + i];
  EXPECT_EQ(diagonal, c.diagonal);
}

INSTANTIATE_TEST_SUITE_P(FillBorder, MixedBevel,
                         testing::Values(MixedCase{"Filled", true, "FLLBBBspp..pplBBBSSF"},
                                         MixedCase{"Reserved", false, "FLL...spp..ppl...SSF"}),
                         [](const testing::TestParamInfo<MixedCase>& info) {
                           return std::string(info.param.name);
                         });

TEST(BevelPaint, SpaceBevelIsCountedButNeitherPaintedNorReserved) {
  TMMBevel bevel;
  bevel.SetBevelOuter(engine::bvSpace);
  bevel.SetBevelOuterWidth(2);
  EXPECT_EQ(bevel.BevelExtent(), 2);
  auto bitmap = GroundBitmap(4);
  const plat::RECT inner = bevel.Paint(bitmap->Canvas(), vcl::Rect(0, 0, 4, 4), true);
  EXPECT_EQ(inner.left, 0);
  EXPECT_EQ(inner.right, 4);
  EXPECT_EQ(Map(*bitmap, {{kGround, '.'}}), "....\n....\n....\n....\n");
}

}  // namespace
