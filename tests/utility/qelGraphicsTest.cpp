// Colour names in both directions and in stored descriptions, where the
// border and embossed text are drawn, and the colour under the mouse read
// from the program's own window.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "displays/ScreenTestSupport.h"
#include "platform/gdi/Text.h"
#include "platform/gdi/TextLayout.h"
#include "platform/user/Cursor.h"
#include "platform/vcl/FormReader.h"
#include "platform/vcl/FormWriter.h"
#include "platform/vcl/GraphicsBitmap.h"
#include "platform/vcl/TypInfo.h"
#include "utility/qelGraphics.h"

namespace utility {
namespace {

class TColorHolder : public vcl::TComponent {
  VCL_DECLARE_CLASS(TColorHolder, vcl::TComponent)
 public:
  using TComponent::TComponent;
  vcl::TColor Color() const { return color_; }
  void SetColor(vcl::TColor value) { color_ = value; }

 private:
  vcl::TColor color_ = vcl::clBlack;
};

VCL_IMPLEMENT_CLASS(TColorHolder, ColorProp("Color", &TColorHolder::Color, &TColorHolder::SetColor))

TEST(qelGraphics, ColourNamesBothWays) {
  struct Case {
    const char* ident;
    int64_t color;
  };
  const Case known[] = {{"clBrown", 0x003090}, {"clLavender", 0xFF98C0}, {"clOrange", 0x0068FF},
                        {"clNight", 0x303030}, {"clRed", 0x0000FF},      {"clPaleBlue", 0xFFC890}};
  for (const Case& c : known) {
    int64_t color = -1;
    ASSERT_TRUE(IdentToColorEx(c.ident, color)) << c.ident;
    EXPECT_EQ(color, c.color) << c.ident;
    std::string ident;
    ASSERT_TRUE(ColorToIdentEx(c.color, ident)) << c.ident;
    EXPECT_EQ(ident, c.ident);
  }
  int64_t color = 0;
  EXPECT_FALSE(IdentToColorEx("clNoSuch", color));
  std::string ident;
  EXPECT_FALSE(ColorToIdentEx(0x123456, ident));
}

TEST(qelGraphics, StoredDescriptionsUseTheNames) {
  RegisterColorNames();
  RegisterColorNames();  // counts once
  TColorHolder holder(nullptr);
  vcl::ReadFormText(&holder, "object Holder: TColorHolder\n  Color = clOrange\nend\n");
  EXPECT_EQ(holder.Color(), 0x0068FF);
  holder.SetColor(static_cast<vcl::TColor>(0xFF98C0));
  EXPECT_NE(vcl::WriteFormText(&holder).find("Color = clLavender"), std::string::npos);
  holder.SetColor(vcl::clRed);
  EXPECT_NE(vcl::WriteFormText(&holder).find("Color = clRed"), std::string::npos);
}

TEST(qelGraphics, BorderOffsetsInDrawingOrder) {
  using P = std::vector<std::pair<int, int>>;
  struct Case {
    int size_x, size_y;
    P offsets;
  };
  const Case cases[] = {
      {1, 1, P{{-1, -1}, {-1, 1}, {1, -1}, {1, 1}}},
      {2, 1, P{{-2, -1}, {-2, 1}, {-1, -1}, {-1, 1}, {1, -1}, {1, 1}, {2, -1}, {2, 1}}},
      {2, 2,
       P{{-2, -2},
         {-2, 2},
         {-1, -2},
         {-1, 2},
         {1, -2},
         {1, 2},
         {2, -2},
         {2, 2},
         {-2, -1},
         {2, -1},
         {-2, 1},
         {2, 1}}},
      {0, 1, P{{0, -1}, {0, -1}, {0, 1}, {0, 1}}},  // two places, twice each
      {0, 0, P{}},
  };
  for (const Case& c : cases) {
    P got;
    for (const vcl::TPoint& p : DrawTextBorderOffsets(c.size_x, c.size_y)) got.emplace_back(p.x, p.y);
    EXPECT_EQ(got, c.offsets) << c.size_x << " x " << c.size_y;
  }
}

// Pixels of a yellow 40 x 20 bitmap after drawing "I" at (10, 2).
class DrawnText : public ::testing::Test {
 protected:
  void SetUp() override {
    bitmap_.SetPixelFormat(vcl::pf24bit);
    bitmap_.SetSize(40, 20);
    canvas_ = bitmap_.Canvas();
    canvas_->Brush()->SetColor(vcl::clYellow);
    canvas_->FillRect(vcl::Rect(0, 0, 40, 20));
    canvas_->Brush()->SetStyle(vcl::bsClear);
    canvas_->Font()->SetName("Arial");
    canvas_->Font()->SetSize(10);
  }
  // The leftmost column holding a pixel of `color`, or -1.
  int LeftmostOf(vcl::TColor color) {
    plat::COLORREF want = vcl::ColorToRGB(color);
    for (int x = 0; x < 40; ++x)
      for (int y = 0; y < 20; ++y)
        if (canvas_->Pixels(x, y) == static_cast<vcl::TColor>(want)) return x;
    return -1;
  }

  vcl::TBitmap bitmap_;
  vcl::TCanvas* canvas_ = nullptr;
  const plat::UINT format_ = plat::DT_LEFT | plat::DT_TOP | plat::DT_SINGLELINE | plat::DT_NOPREFIX;
};

TEST_F(DrawnText, DisabledTextIsEmbossedAndTheRectangleKept) {
  vcl::TRect rect = vcl::Rect(10, 2, 40, 20);
  DrawTextEnabled(*canvas_, "I", rect, vcl::clRed, false, format_);
  EXPECT_EQ(rect.left, 10);
  EXPECT_EQ(rect.top, 2);
  int shadow = LeftmostOf(vcl::clBtnShadow);
  int highlight = LeftmostOf(vcl::clBtnHighlight);
  ASSERT_GE(shadow, 10);
  EXPECT_EQ(LeftmostOf(vcl::clRed), -1);
  // The highlight shows only where the shadow does not cover it: to its right.
  EXPECT_GT(highlight, shadow);
}

TEST_F(DrawnText, ShiftedTextMovesItsRectangle) {
  vcl::TRect rect = vcl::Rect(10, 2, 40, 20);
  DrawTextShifted(*canvas_, "I", rect, vcl::clRed, 0, 0, format_);
  EXPECT_EQ(LeftmostOf(vcl::clRed), -1);
  EXPECT_EQ(rect.left, 10);
  DrawTextShifted(*canvas_, "I", rect, vcl::clRed, 2, 1, format_);
  EXPECT_EQ(rect.left, 12);
  EXPECT_EQ(rect.top, 3);
  EXPECT_EQ(rect.right, 42);
  EXPECT_GE(LeftmostOf(vcl::clRed), 12);
}

class PixelUnderTheMouse : public displaytest::ScreenTest {};

TEST_F(PixelUnderTheMouse, ReadsTheProgramsOwnWindow) {
  NewForm()->SetColor(vcl::clRed);
  ShowForm();
  ASSERT_TRUE(plat::SetCursorPos(150, 150));
  EXPECT_EQ(PixelUnderCursor(), vcl::clRed);
  ASSERT_TRUE(plat::SetCursorPos(5, 5));
  EXPECT_EQ(PixelUnderCursor(), vcl::clNone);
}

}  // namespace
}  // namespace utility
