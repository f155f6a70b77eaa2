// The colour button and its popup: which cell a point names, clicks and keys
// in the popup, where it drops, the custom colour through the scripted colour
// dialog, the application's windows after every way out, a lost capture
// during a press, and the face and arrow by their pixels.
#include <gtest/gtest.h>

#include <optional>
#include <stdexcept>
#include <vector>

#include "controls/MMColBtn.h"
#include "platform/gdi/Gdi.h"
#include "platform/user/CommonDialogs.h"
#include "platform/user/Geometry.h"
#include "platform/user/MessageBox.h"
#include "platform/vcl/StdControlsTestSupport.h"
#include "resources/ProgramResources.h"

namespace controls {
namespace {

constexpr vcl::TColor kNotInPalette = 0x123456;

class MMColBtnTest : public vcltest::StdControlsTest {
 protected:
  static void SetUpTestSuite() { RegisterProgramResources(); }
  void SetUp() override {
    StdControlsTest::SetUp();
    button_ = new TMMColorButton(form_);
    button_->SetParent(form_);
    button_->SetBounds(20, 20, 43, 21);
    button_->OnChange = [this](vcl::TObject*) { ++changes_; };
    ShowForm();
  }
  void TearDown() override {
    plat::SetDialogScript(nullptr);
    StdControlsTest::TearDown();
  }
  TMMColorPopUp* Drop(vcl::TColor value, bool show_current = false) {
    button_->SetValue(value);
    button_->SetShowCurrent(show_current);
    changes_ = 0;
    button_->DropDown();
    Pump();
    TMMColorPopUp* popup = button_->Popup();
    EXPECT_TRUE(popup && popup->Shown());
    return popup;
  }
  void Key(TMMColorPopUp* popup, plat::UINT vk) {
    plat::SendMessageA(popup->Handle(), plat::WM_KEYDOWN, vk, 0);
    Pump();
  }
  bool FormEnabled() { return plat::IsWindowEnabled(form_->Handle()) != 0; }

  TMMColorButton* button_ = nullptr;
  int changes_ = 0;
};

TEST_F(MMColBtnTest, CellAtNamesEveryCellToItsEdgesAndNothingOutside) {
  TMMColorPopUp* popup = Drop(kNotInPalette);
  ASSERT_TRUE(popup->ShowCurrentCell());
  for (int i = 0; i < 20; ++i) {
    const int left = 18 * (i % 4), top = 18 * (i / 4);
    for (int dx : {0, 17})
      for (int dy : {0, 17}) EXPECT_EQ(popup->CellAt(left + dx, top + dy), i) << i << " +" << dx << "," << dy;
  }
  struct Case {
    int x, y, with_current, without_current;
  };
  const Case cases[] = {
      {0, 0, 0, 0},     {71, 89, 19, 19},  {60, 100, -2, -1}, {54, 95, -2, -1},   {72, 113, -2, -1},
      {-5, -5, -1, -1}, {-5, 40, -1, -1},  {40, -1, -1, -1},  {-17, -17, -1, -1}, {72, 10, -1, -1},
      {10, 90, -1, -1}, {53, 100, -1, -1}, {60, 114, -1, -1},
  };
  for (const Case& c : cases) EXPECT_EQ(popup->CellAt(c.x, c.y), c.with_current) << c.x << "," << c.y;
  Key(popup, plat::VK_ESCAPE);
  popup = Drop(vcl::clYellow);
  ASSERT_FALSE(popup->ShowCurrentCell());
  for (const Case& c : cases) EXPECT_EQ(popup->CellAt(c.x, c.y), c.without_current) << c.x << "," << c.y;
  Key(popup, plat::VK_ESCAPE);
}

TEST_F(MMColBtnTest, AClickOnEachCellsEdgesTakesThatCellsColour) {
  for (int i = 0; i < 20; ++i) {
    const int left = 18 * (i % 4), top = 18 * (i / 4);
    const vcl::TPoint corners[] = {{left, top}, {left + 17, top}, {left, top + 17}, {left + 17, top + 17}};
    for (const vcl::TPoint corner : corners) {
      TMMColorPopUp* popup = Drop(kNotInPalette);
      EXPECT_FALSE(FormEnabled());
      Screen()->InjectClick(popup->ClientToScreen(corner));
      Pump();
      EXPECT_FALSE(popup->Shown());
      EXPECT_EQ(button_->Value(), popup->Palette(i)) << i << " at " << corner.x << "," << corner.y;
      EXPECT_EQ(changes_, 1);
      EXPECT_TRUE(FormEnabled());
    }
  }
}

TEST_F(MMColBtnTest, AReleaseJustOutsideTheGridTakesNoColourAndAPressOutsideCloses) {
  TMMColorPopUp* popup = Drop(kNotInPalette);
  Screen()->InjectMouseMove(popup->ClientToScreen({5, 5}));
  Screen()->InjectMouseButton(plat::backend::MouseButton::Left, true);
  Pump();
  EXPECT_EQ(popup->Selected(), 0);
  for (const vcl::TPoint outside : {vcl::TPoint{-5, 40}, vcl::TPoint{-5, -5}}) {
    Screen()->InjectMouseMove(popup->ClientToScreen(outside));
    Screen()->InjectMouseButton(plat::backend::MouseButton::Left, false);
    Pump();
    EXPECT_TRUE(popup->Shown());
    EXPECT_EQ(button_->Value(), kNotInPalette);
    Screen()->InjectMouseButton(plat::backend::MouseButton::Left, true);  // a press out here closes
    Pump();
    EXPECT_FALSE(popup->Shown());
    Screen()->InjectMouseButton(plat::backend::MouseButton::Left, false);
    Pump();
    popup = Drop(kNotInPalette);
  }
  Key(popup, plat::VK_ESCAPE);
  EXPECT_EQ(changes_, 0);
  EXPECT_TRUE(FormEnabled());
}

TEST_F(MMColBtnTest, KeysMoveTheSelection) {
  struct Case {
    vcl::TColor value;  // kNotInPalette shows the current cell, selected first (-1)
    std::vector<plat::UINT> keys;
    int selected;
  };
  const Case cases[] = {
      {kNotInPalette, {}, -1},
      {kNotInPalette, {plat::VK_UP}, 19},
      {kNotInPalette, {plat::VK_HOME}, 0},
      {kNotInPalette, {plat::VK_HOME, plat::VK_END}, -1},
      {kNotInPalette, {plat::VK_UP, plat::VK_DOWN}, -1},
      {kNotInPalette, {plat::VK_HOME, plat::VK_LEFT, plat::VK_UP}, 0},
      {kNotInPalette, {plat::VK_HOME, plat::VK_RIGHT, plat::VK_RIGHT, plat::VK_RIGHT, plat::VK_RIGHT}, 3},
      {kNotInPalette,
       {plat::VK_HOME, plat::VK_DOWN, plat::VK_DOWN, plat::VK_DOWN, plat::VK_DOWN, plat::VK_DOWN},
       16},
      {vcl::clYellow, {}, 6},  // column 2, row 1
      {vcl::clYellow, {plat::VK_END}, 19},
      {vcl::clYellow, {plat::VK_END, plat::VK_DOWN}, 19},  // no current cell to go to
      {vcl::clYellow, {plat::VK_RIGHT, plat::VK_DOWN}, 11},
  };
  for (const Case& c : cases) {
    TMMColorPopUp* popup = Drop(c.value);
    for (plat::UINT key : c.keys) Key(popup, key);
    EXPECT_EQ(popup->Selected(), c.selected) << ::testing::PrintToString(c.keys);
    Key(popup, plat::VK_ESCAPE);
    EXPECT_FALSE(popup->Shown());
    EXPECT_EQ(button_->Value(), c.value);
  }
  // Enter on the current cell keeps the value and fires nothing; on a cell it takes it.
  TMMColorPopUp* popup = Drop(kNotInPalette);
  Key(popup, plat::VK_RETURN);
  EXPECT_FALSE(popup->Shown());
  EXPECT_EQ(button_->Value(), kNotInPalette);
  EXPECT_EQ(changes_, 0);
  popup = Drop(kNotInPalette);
  Key(popup, plat::VK_HOME);
  Key(popup, plat::VK_RIGHT);
  Key(popup, plat::VK_RETURN);
  EXPECT_EQ(button_->Value(), vcl::clBlack);
  EXPECT_EQ(changes_, 1);
  EXPECT_TRUE(FormEnabled());
  // Space on the button drops the popup.
  button_->SetFocus();
  Pump();
  plat::SendMessageA(button_->Handle(), plat::WM_KEYDOWN, plat::VK_SPACE, 0);
  Pump();
  EXPECT_TRUE(popup->Shown());
  Key(popup, plat::VK_ESCAPE);
}

TEST_F(MMColBtnTest, DropsBelowUnlessTheScreenEndsFirst) {
  const int screen_height = vcl::Screen->Height();
  for (int above_bottom : {300, 50}) {
    const vcl::TPoint top_left = button_->ClientToScreen({0, 0});
    const int move = (screen_height - above_bottom) - (top_left.y + button_->Height());
    form_->SetTop(form_->Top() + move);
    Pump();
    const vcl::TPoint origin = button_->ClientToScreen({0, 0});
    ASSERT_EQ(origin.y + button_->Height(), screen_height - above_bottom);
    TMMColorPopUp* popup = Drop(vcl::clRed);
    EXPECT_EQ(popup->Left(), origin.x);
    if (above_bottom == 300)
      EXPECT_EQ(popup->Top(), origin.y + button_->Height());
    else
      EXPECT_EQ(popup->Top() + popup->Height(), origin.y);
    Key(popup, plat::VK_ESCAPE);
  }
}

TEST_F(MMColBtnTest, TheDialogButtonOpensTheFullColourDialogWithTheCustomColours) {
  std::vector<plat::DialogRequest> asked;
  plat::SetDialogScript([&](const plat::DialogRequest& r) -> std::optional<plat::DialogAnswer> {
    asked.push_back(r);
    plat::DialogAnswer answer;
    answer.color = plat::RGB(10, 20, 30);
    answer.custom_colors = {plat::RGB(1, 2, 3)};
    return answer;
  });
  button_->SetButtonCaption("");
  EXPECT_EQ(button_->ButtonCaption(), "&Other...");
  button_->CustomColors()->Add("ColorB=junk");  // a bad stored entry must not stop the dialog
  TMMColorPopUp* popup = Drop(vcl::clRed);
  EXPECT_EQ(popup->CustomButton()->Caption(), "&Other...");
  const vcl::TRect b = popup->CustomButton()->BoundsRect();
  Screen()->InjectClick(popup->ClientToScreen({(b.left + b.right) / 2, (b.top + b.bottom) / 2}));
  Pump();
  EXPECT_FALSE(popup->Shown());
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0].kind, plat::DialogKind::Color);
  EXPECT_TRUE(asked[0].flags & plat::CC_FULLOPEN);
  EXPECT_EQ(button_->Value(), static_cast<vcl::TColor>(plat::RGB(10, 20, 30)));
  EXPECT_EQ(changes_, 1);
  EXPECT_EQ(button_->CustomColors()->Values("ColorA"), "030201");
  EXPECT_EQ(button_->CustomColors()->Values("ColorB"), "FFFFFF");
  EXPECT_TRUE(FormEnabled());
}

TEST_F(MMColBtnTest, NoWayOutLeavesTheApplicationDisabled) {
  // A failing OnChange: the windows were enabled before the value was set.
  TMMColorPopUp* popup = Drop(kNotInPalette);
  button_->OnChange = [](vcl::TObject*) { throw std::runtime_error("handler failed"); };
  popup->SetSelected(4);
  EXPECT_THROW(popup->CloseUp(true), std::runtime_error);
  EXPECT_FALSE(popup->Shown());
  EXPECT_TRUE(FormEnabled());
  // The focus moving to another window closes it.
  button_->OnChange = nullptr;
  popup = Drop(kNotInPalette);
  auto* other = new vcl::TForm(vcl::Application);
  other->Show();
  Pump();
  EXPECT_FALSE(popup->Shown());
  EXPECT_TRUE(FormEnabled());
  // The button going while its popup is up.
  Drop(kNotInPalette);
  EXPECT_FALSE(FormEnabled());
  delete button_;
  button_ = nullptr;
  EXPECT_TRUE(FormEnabled());
  EXPECT_TRUE(plat::IsWindowEnabled(other->Handle()));
}

TEST_F(MMColBtnTest, ALostCaptureEndsThePressWithoutDropping) {
  TMMColorSpeedButton* face = button_->DropButton();
  Screen()->InjectMouseMove(button_->ClientToScreen({10, 10}));
  Screen()->InjectMouseButton(plat::backend::MouseButton::Left, true);
  Pump();
  ASSERT_EQ(face->State(), vcl::bsDown);
  EXPECT_TRUE(button_->Focused());
  plat::SetCapture(form_->Handle());  // someone else takes the mouse
  EXPECT_FALSE(face->Tracking());
  EXPECT_EQ(face->State(), vcl::bsUp);
  plat::ReleaseCapture();
  Screen()->InjectMouseButton(plat::backend::MouseButton::Left, false);
  Pump();
  EXPECT_TRUE(button_->Popup() == nullptr || !button_->Popup()->Shown());
  // A whole click drops it.
  Screen()->InjectClick(button_->ClientToScreen({10, 10}));
  Pump();
  ASSERT_NE(button_->Popup(), nullptr);
  EXPECT_TRUE(button_->Popup()->Shown());
  Key(button_->Popup(), plat::VK_ESCAPE);
}

class ColorFacePixels : public MMColBtnTest {
 protected:
  // The button as it paints itself, on a bitmap of its size.
  vcl::TColor At(int x, int y) {
    if (!image_) {
      image_ = std::make_unique<vcl::TBitmap>();
      image_->SetPixelFormat(vcl::pf24bit);
      image_->SetSize(button_->Width(), button_->Height());
      button_->PaintTo(image_->Canvas()->Handle(), 0, 0);
    }
    return image_->Canvas()->Pixels(x, y);
  }
  std::unique_ptr<vcl::TBitmap> image_;
};

TEST_F(ColorFacePixels, SwatchSeparatorAndArrow) {
  auto* edit = new vcl::TEdit(form_);  // takes the focus, so the face has no focus frame
  edit->SetParent(form_);
  edit->SetTop(60);
  edit->SetFocus();
  Pump();
  ASSERT_FALSE(button_->Focused());
  button_->SetValue(vcl::clRed);
  // 43 x 21: the face leaves (2, 2, 41, 19); with the 5-pixel arrow the
  // swatch area is 30 wide, drawn inside (6, 4, 28, 17), the separator at 32.
  EXPECT_EQ(At(15, 10), vcl::clRed);
  EXPECT_EQ(At(6, 4), vcl::clBlack);  // its outline
  EXPECT_EQ(At(32, 10), vcl::ColorToRGB(vcl::clBtnShadow));
  EXPECT_EQ(At(33, 10), vcl::ColorToRGB(vcl::clBtnHighlight));
  // The arrow, centred in (34, 2, 41, 19): its widest row is black.
  int black = 0;
  for (int y = 2; y < 19; ++y)
    for (int x = 34; x < 41; ++x) black += At(x, y) == vcl::clBlack;
  EXPECT_EQ(black, 9);
  image_.reset();
  button_->SetEnabled(false);
  EXPECT_EQ(At(15, 10), vcl::ColorToRGB(vcl::clBtnFace));
}

TEST(ColorArrowResource, AFiveByFiveDownwardTriangleOnSilver) {
  RegisterProgramResources();
  vcl::TBitmap arrow;
  arrow.LoadFromResourceName(nullptr, "BM_CLRBTNDOWN");
  ASSERT_EQ(arrow.Width(), 5);
  ASSERT_EQ(arrow.Height(), 5);
  EXPECT_EQ(arrow.PixelFormat(), vcl::pf4bit);
  const char* rows[] = {".....", ".....", "#####", ".###.", "..#.."};
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 5; ++x)
      EXPECT_EQ(arrow.Canvas()->Pixels(x, y), rows[y][x] == '#' ? vcl::clBlack : vcl::clSilver)
          << x << "," << y;
}

}  // namespace
}  // namespace controls
