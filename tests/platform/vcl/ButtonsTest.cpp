// Speed buttons: clicks by the mouse, groups that keep one button down,
// AllowAllUp, Down from code, and the glyph on the parent's pixels; bit
// buttons drawing their glyph, default or not.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "StdControlsTestSupport.h"
#include "platform/user/Button.h"
#include "platform/vcl/Buttons.h"

using namespace vcl;
using vcltest::StdControlsTest;

namespace {

// An 8x8 glyph: blue with a white (bottom-left, so transparent) border.
void BorderedGlyph(TBitmap& glyph) {
  glyph.SetSize(8, 8);
  glyph.Canvas()->Brush()->SetColor(clWhite);
  glyph.Canvas()->FillRect(Rect(0, 0, 8, 8));
  glyph.Canvas()->Brush()->SetColor(clBlue);
  glyph.Canvas()->FillRect(Rect(2, 2, 6, 6));
}

class SpeedButtonsTest : public StdControlsTest {
 protected:
  // Three buttons side by side; `group` 0 makes them plain buttons.
  void MakeButtons(int group, bool allow_all_up) {
    for (int i = 0; i < 3; ++i) {
      auto* b = new TSpeedButton(form_);
      b->SetParent(form_);
      b->SetBounds(10 + 30 * i, 10, 25, 22);
      b->SetGroupIndex(group);
      b->SetAllowAllUp(allow_all_up);
      b->OnClick = [this, i](TObject*) { clicks_.push_back(i); };
      buttons_.push_back(b);
    }
  }
  std::string Downs() const {
    std::string s;
    for (TSpeedButton* b : buttons_) s += b->Down() ? '1' : '0';
    return s;
  }

  std::vector<TSpeedButton*> buttons_;
  std::vector<int> clicks_;
};

TEST_F(SpeedButtonsTest, GroupsKeepOneButtonDown) {
  struct Case {
    const char* name;
    int group;
    bool allow_all_up;
    std::vector<int> presses;
    std::string downs;
    std::vector<int> clicks;
  };
  const Case cases[] = {
      {"no group", 0, false, {0, 0, 1}, "000", {0, 0, 1}},
      {"group", 1, false, {0, 1}, "010", {0, 1}},
      {"down one stays down", 1, false, {1, 1}, "010", {1, 1}},
      {"all up allowed", 1, true, {2, 2}, "000", {2, 2}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (TSpeedButton* b : buttons_) delete b;
    buttons_.clear();
    clicks_.clear();
    MakeButtons(c.group, c.allow_all_up);
    ShowForm();
    for (int i : c.presses) Click(buttons_[static_cast<size_t>(i)], 5, 5);
    EXPECT_EQ(Downs(), c.downs);
    EXPECT_EQ(clicks_, c.clicks);
  }
}

TEST_F(SpeedButtonsTest, DownFromCodeRunsNoClick) {
  MakeButtons(1, false);
  buttons_[2]->SetDown(true);
  EXPECT_EQ(Downs(), "001");
  buttons_[0]->SetDown(true);
  EXPECT_EQ(Downs(), "100");
  // Without AllowAllUp the last one down cannot come up.
  buttons_[0]->SetDown(false);
  EXPECT_EQ(Downs(), "100");
  // AllowAllUp is the group's: set on one, it holds for all.
  buttons_[1]->SetAllowAllUp(true);
  EXPECT_TRUE(buttons_[0]->AllowAllUp());
  buttons_[0]->SetDown(false);
  EXPECT_EQ(Downs(), "000");
  EXPECT_TRUE(clicks_.empty());
  // A button of no group is never down.
  auto* plain = new TSpeedButton(form_);
  plain->SetDown(true);
  EXPECT_FALSE(plain->Down());
}

TEST_F(SpeedButtonsTest, ReleaseOutsideIsNoClick) {
  MakeButtons(1, false);
  ShowForm();
  Screen()->InjectMouseMove(buttons_[0]->ClientToScreen(TPoint{5, 5}));
  Screen()->InjectMouseButton(plat::backend::MouseButton::Left, true);
  Pump();
  EXPECT_EQ(buttons_[0]->State(), bsDown);
  Screen()->InjectMouseMove(buttons_[0]->ClientToScreen(TPoint{5, 60}));
  Pump();
  EXPECT_EQ(buttons_[0]->State(), bsUp);
  Screen()->InjectMouseButton(plat::backend::MouseButton::Left, false);
  Pump();
  EXPECT_TRUE(clicks_.empty());
  EXPECT_EQ(Downs(), "000");
}

TEST_F(SpeedButtonsTest, GlyphIsDrawnWithItsTransparentColour) {
  auto* b = new TSpeedButton(form_);
  b->SetParent(form_);
  b->SetBounds(10, 10, 24, 24);
  b->SetFlat(true);
  TBitmap glyph;
  BorderedGlyph(glyph);
  b->SetGlyph(&glyph);
  ShowForm();
  // Centred: the glyph starts at (24 - 8) / 2 = 8 inside the button.
  const int gx = 10 + 8, gy = 10 + 8;
  EXPECT_EQ(Pixel(gx + 3, gy + 3), plat::RGB(0, 0, 255));
  EXPECT_EQ(Pixel(gx, gy), plat::RGB(255, 0, 0));  // the form shows through
  // Down: one pixel further right and down.
  b->SetGroupIndex(1);
  b->SetDown(true);
  EXPECT_EQ(Pixel(gx + 2, gy + 2), plat::RGB(255, 0, 0));
  EXPECT_EQ(Pixel(gx + 6, gy + 6), plat::RGB(0, 0, 255));
}

TEST_F(SpeedButtonsTest, BitButtonDrawsItsGlyphAndClicks) {
  auto* b = new TBitBtn(form_);
  b->SetParent(form_);
  b->SetBounds(10, 10, 60, 24);
  b->SetCaption("");
  int clicks = 0;
  b->OnClick = [&](TObject*) { ++clicks; };
  TBitmap glyph;
  BorderedGlyph(glyph);
  b->SetGlyph(&glyph);
  ShowForm();
  auto pixel = [&](int x, int y) {
    plat::UpdateWindow(b->Handle());
    plat::HDC dc = plat::GetDC(b->Handle());
    plat::COLORREF c = plat::GetPixel(dc, x, y);
    plat::ReleaseDC(b->Handle(), dc);
    return c;
  };
  // Centred: (60 - 8) / 2 = 26 across, (24 - 8) / 2 = 8 down; the white border is transparent.
  const int gx = 26, gy = 8;
  EXPECT_EQ(pixel(gx + 3, gy + 3), plat::RGB(0, 0, 255));
  EXPECT_EQ(pixel(gx, gy), ColorToRGB(clBtnFace));
  // The default button keeps drawing itself.
  b->SetDefault(true);
  EXPECT_EQ(plat::GetWindowLongA(b->Handle(), plat::GWL_STYLE) & plat::BS_TYPEMASK, plat::BS_OWNERDRAW);
  EXPECT_EQ(pixel(gx + 3, gy + 3), plat::RGB(0, 0, 255));
  Click(b, 5, 5);
  EXPECT_EQ(clicks, 1);
  // Disabled with no image of its own: the glyph's shadow.
  b->SetEnabled(false);
  EXPECT_EQ(pixel(gx + 3, gy + 3), ColorToRGB(clBtnShadow));
}

}  // namespace

namespace {

// The face on a 20 x 12 bitmap: pixels along the diagonal from the corner and
// the content rectangle handed back.
TEST(DrawButtonFaceTest, OutlineBevelAndContentByState) {
  const TColor face = ColorToRGB(clBtnFace), frame = ColorToRGB(clWindowFrame);
  const TColor light = ColorToRGB(clBtnHighlight), shadow = ColorToRGB(clBtnShadow);
  struct Case {
    const char* name;
    bool rounded, down, focused;
    TColor corner, ring1, ring2, far1;  // (0,0), (1,1), (2,2), (18,10)
    TRect content;
  };
  const Case cases[] = {
      {"up", false, false, false, frame, light, face, shadow, Rect(2, 2, 18, 10)},
      {"down", false, true, false, frame, shadow, face, shadow, Rect(3, 3, 18, 10)},
      {"focused", false, false, true, frame, frame, light, frame, Rect(3, 3, 17, 9)},
      {"rounded", true, false, false, face, light, face, shadow, Rect(2, 2, 18, 10)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TBitmap bitmap;
    bitmap.SetPixelFormat(pf24bit);
    bitmap.SetSize(20, 12);
    TCanvas* canvas = bitmap.Canvas();
    const TRect r = DrawButtonFace(canvas, Rect(0, 0, 20, 12), 1, bsNew, c.rounded, c.down, c.focused);
    EXPECT_EQ(r.left, c.content.left);
    EXPECT_EQ(r.top, c.content.top);
    EXPECT_EQ(r.right, c.content.right);
    EXPECT_EQ(r.bottom, c.content.bottom);
    EXPECT_EQ(canvas->Pixels(0, 0), c.corner);
    EXPECT_EQ(canvas->Pixels(1, 1), c.ring1);
    EXPECT_EQ(canvas->Pixels(2, 2), c.ring2);
    EXPECT_EQ(canvas->Pixels(18, 10), c.far1);
    EXPECT_EQ(canvas->Pixels(10, 0), frame);
    EXPECT_EQ(canvas->Pixels(10, 6), face);
  }
}

}  // namespace
