// The button, check box, radio button, group box, panel and status bar
// companions on a skinned test form: each family's states read back as
// pixels from the screen, and the button's mouse and key handling.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/gdi/Gdi.h"
#include "platform/user/Button.h"
#include "platform/user/CommonDialogs.h"
#include "platform/user/Focus.h"
#include "platform/user/Geometry.h"
#include "platform/user/Input.h"
#include "platform/user/Messages.h"
#include "platform/user/StatusBar.h"
#include "platform/user/Window.h"
#include "platform/user/WindowMessages.h"
#include "platform/vcl/Buttons.h"
#include "platform/vcl/ComCtrls.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/StdCtrls.h"
#include "skin/ButtonSkinFixture.h"
#include "skin/SkinFormFixture.h"
#include "skin/WinSkinBoxes.h"
#include "skin/WinSkinButtons.h"

using namespace skin;
using namespace skin_test;
using displaytest::Rgb;

namespace {

constexpr vcl::TColor kFace = 0x604020;    // ButtonFace 32,64,96
constexpr vcl::TColor kShadow = 0x102030;  // ButtonShadow 48,32,16
// Status bar edges of 3, extra images of 5.
const std::vector<vcl::TColor> kEdges = {0x0000A0, 0x00A000, 0xA00000};
const std::vector<vcl::TColor> kExtra = {0x000011, 0x000022, 0x000033, 0x000044, 0xFFFF00};

class WinSkinControlsTest : public SkinControlFormTest {
 protected:
  void SetUp() override {
    SkinControlFormTest::SetUp();
    TestSkinOptions o;
    AddButtonImages(o);
    o.buttons += "[StatusBarEdges]\nImage=edges.bmp\n[ExtraImages]\nImage=extra.bmp\n";
    o.extra.push_back({"edges.bmp", FramesBmp(30, 10, 3, false, kEdges)});
    o.extra.push_back({"extra.bmp", FramesBmp(60, 12, 5, false, kExtra)});
    SkinTheForm(o);
  }
  // A pixel of the form's client area.
  uint32_t AtClient(int x, int y) {
    Pump();
    plat::RECT form{};
    plat::GetWindowRect(form_->Handle(), &form);
    plat::POINT p{x, y};
    plat::ClientToScreen(form_->Handle(), &p);
    return Screen()->PresentedPixel(form_->Handle(), p.x - form.left, p.y - form.top);
  }
};

TEST_F(WinSkinControlsTest, ButtonShowsTheFrameOfItsState) {
  auto* other = Place(new vcl::TButton(form_), 200, 10, 40, 20);
  auto* button = Place(new vcl::TButton(form_), 10, 10, 60, 24);
  button->SetCaption("");
  auto* skin = Skin(new TSkinButton(button));
  plat::HWND h = button->Handle();
  bool down = false;
  auto reset = [&] {
    Screen()->InjectMouseMove(plat::POINT{2, 2});
    if (down) Screen()->InjectMouseButton(plat::backend::MouseButton::Left, false);
    down = false;
    Pump();
    plat::EnableWindow(h, plat::TRUE);
    plat::SetFocus(other->Handle());
    Pump();
  };
  auto focus = [&] { plat::SetFocus(h); };
  auto hover = [&] { MoveTo(button, 5, 5); };
  auto press = [&] {
    Screen()->InjectMouseButton(plat::backend::MouseButton::Left, true);
    down = true;
  };
  auto disable = [&] { plat::EnableWindow(h, plat::FALSE); };
  struct Case {
    const char* state;
    std::vector<std::function<void()>> steps;
    int frame;
  } cases[] = {
      {"normal", {}, 1},
      {"focused", {focus}, 5},
      {"hovered", {hover}, 4},
      {"hovered and focused", {focus, hover}, 4},
      {"pressed (hovered, focused)", {hover, press}, 2},
      {"disabled", {disable}, 3},
      {"disabled, hovered", {hover, disable}, 3},
      {"disabled, pressed and focused", {hover, press, disable}, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.state);
    reset();
    for (const auto& step : c.steps) {
      step();
      Pump();
    }
    EXPECT_EQ(skin->CurrentFrame(), c.frame);
    EXPECT_EQ(At(button, 4, 4), Rgb(kButtonStrip[static_cast<size_t>(c.frame - 1)]));
    EXPECT_EQ(At(button, 55, 20), Rgb(kButtonStrip[static_cast<size_t>(c.frame - 1)]));
  }
  reset();
  // Leaving the button ends the hover look.
  hover();
  Pump();
  EXPECT_EQ(skin->CurrentFrame(), 4);
  reset();
  EXPECT_EQ(At(button, 4, 4), Rgb(kButtonStrip[0]));
}

TEST_F(WinSkinControlsTest, ButtonClicksOnlyWhenReleasedInside) {
  auto* button = Place(new vcl::TButton(form_), 10, 10, 60, 24);
  int clicks = 0, downs = 0;
  button->OnClick = [&](vcl::TObject*) { ++clicks; };
  button->OnMouseDown = [&](vcl::TObject*, vcl::TMouseButton, vcl::TShiftState, int, int) { ++downs; };
  auto* skin = Skin(new TSkinButton(button));
  plat::HWND h = button->Handle();
  struct Case {
    const char* path;
    std::vector<std::pair<int, int>> moves;  // after the press, before the release
    int clicks;
    int frame_after;
  } cases[] = {
      {"press and release inside", {}, 1, 4},
      {"press, leave, release outside", {{100, 5}}, 0, 5},
      {"press, leave, come back, release", {{100, 5}, {6, 6}}, 1, 4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    clicks = downs = 0;
    MoveTo(button, 5, 5);
    Screen()->InjectMouseButton(plat::backend::MouseButton::Left, true);
    Pump();
    EXPECT_EQ(plat::GetCapture(), h);
    EXPECT_EQ(plat::GetFocus(), h);
    EXPECT_EQ(skin->CurrentFrame(), 2);
    EXPECT_EQ(At(button, 4, 4), Rgb(kButtonStrip[1]));
    for (auto [x, y] : c.moves) {
      MoveTo(button, x, y);
      Pump();
      // Outside while held the button does not look pressed, but the press goes on.
      EXPECT_EQ(skin->CurrentFrame(), x < 60 ? 2 : 5) << x;
    }
    Screen()->InjectMouseButton(plat::backend::MouseButton::Left, false);
    Pump();
    EXPECT_EQ(plat::GetCapture(), nullptr);
    EXPECT_EQ(clicks, c.clicks);
    EXPECT_EQ(downs, 1);
    EXPECT_EQ(skin->CurrentFrame(), c.frame_after);
    EXPECT_EQ(At(button, 4, 4), Rgb(kButtonStrip[static_cast<size_t>(c.frame_after - 1)]));
  }
  // The space key: pressed while down, one click through the button's own handling.
  clicks = 0;
  Screen()->InjectMouseMove(plat::POINT{2, 2});
  plat::SetFocus(h);
  Pump();
  plat::SendMessageA(h, plat::WM_KEYDOWN, plat::VK_SPACE, 0);
  EXPECT_EQ(skin->CurrentFrame(), 2);
  plat::SendMessageA(h, plat::WM_KEYUP, plat::VK_SPACE, 0);
  Pump();
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(skin->CurrentFrame(), 5);
}

TEST_F(WinSkinControlsTest, BareButtonPostsItsCommandToItsParent) {
  plat::HWND h = plat::CreateWindowExA(
      0, "button", "", plat::WS_CHILD | plat::WS_VISIBLE | plat::BS_PUSHBUTTON, 10, 10, 60, 24,
      form_->Handle(), reinterpret_cast<plat::HMENU>(static_cast<uintptr_t>(1001)), nullptr, nullptr);
  ASSERT_NE(h, nullptr);
  auto* skin = new TSkinButton();
  skin->AttachWindow(h, data_.get(), skin_form_, skin_form_->WorkCanvas());
  plat::SendMessageA(h, plat::WM_LBUTTONDOWN, 0, Point(5, 5));
  plat::SendMessageA(h, plat::WM_LBUTTONUP, 0, Point(5, 5));
  plat::MSG msg{};
  ASSERT_TRUE(plat::PeekMessageA(&msg, form_->Handle(), plat::WM_COMMAND, plat::WM_COMMAND, plat::PM_REMOVE));
  EXPECT_EQ(msg.wParam, plat::MAKEWPARAM(1001, 0));
  EXPECT_EQ(msg.lParam, reinterpret_cast<plat::LPARAM>(h));
  plat::DestroyWindow(h);
}

TEST_F(WinSkinControlsTest, CheckAndRadioBoxesShowTheirStripFrames) {
  auto* check = Place(new vcl::TCheckBox(form_), 10, 10, 120, 17);
  check->SetAllowGrayed(true);
  auto* right = Place(new vcl::TCheckBox(form_), 10, 40, 120, 17);
  right->SetAlignment(vcl::taLeftJustify);
  auto* radio = Place(new vcl::TRadioButton(form_), 10, 70, 120, 17);
  auto* radio_right = Place(new vcl::TRadioButton(form_), 10, 100, 120, 17);
  radio_right->SetAlignment(vcl::taLeftJustify);
  Skin(new TSkinCheckBox(check));
  Skin(new TSkinCheckBox(right));
  Skin(new TSkinRadioButton(radio));
  Skin(new TSkinRadioButton(radio_right));
  struct Case {
    const char* state;
    vcl::TCheckBoxState check;
    bool enabled;
    int frame;
  } checks[] = {
      {"unchecked", vcl::cbUnchecked, true, 1},
      {"checked", vcl::cbChecked, true, 2},
      {"unchecked, disabled", vcl::cbUnchecked, false, 3},
      {"checked, disabled", vcl::cbChecked, false, 4},
      {"grey", vcl::cbGrayed, true, 4},
      {"grey, disabled", vcl::cbGrayed, false, 4},
  };
  for (const Case& c : checks) {
    SCOPED_TRACE(c.state);
    check->SetEnabled(c.enabled);
    check->SetState(c.check);
    EXPECT_EQ(At(check, 6, 8), Rgb(kCheckStrip[static_cast<size_t>(c.frame - 1)]));
    EXPECT_EQ(At(check, 0, 2), Rgb(kCheckStrip[static_cast<size_t>(c.frame - 1)]));
    EXPECT_EQ(At(check, 0, 1), Rgb(kFace));
  }
  // With the text on the left the box touches the right edge.
  EXPECT_EQ(At(right, 107, 2), Rgb(kCheckStrip[0]));
  EXPECT_EQ(At(right, 119, 14), Rgb(kCheckStrip[0]));
  struct RadioCase {
    const char* state;
    bool checked;
    bool enabled;
    int frame;
  } radios[] = {
      {"unchecked", false, true, 1},
      {"checked", true, true, 5},
      {"unchecked, disabled", false, false, 4},
      {"checked, disabled", true, false, 8},
  };
  for (const RadioCase& c : radios) {
    SCOPED_TRACE(c.state);
    radio->SetEnabled(c.enabled);
    radio->SetChecked(c.checked);
    EXPECT_EQ(At(radio, 6, 8), Rgb(kRadioStrip[static_cast<size_t>(c.frame - 1)]));
  }
  // A radio box on the right keeps one pixel from the edge.
  EXPECT_EQ(At(radio_right, 106, 8), Rgb(kRadioStrip[0]));
  EXPECT_EQ(At(radio_right, 118, 8), Rgb(kRadioStrip[0]));
  EXPECT_EQ(At(radio_right, 119, 8), Rgb(kFace));
}

TEST_F(WinSkinControlsTest, CheckBoxWithoutImageIsLeftToItself) {
  vcl::TBitmap empty;
  data_->Skin().Buttons->CheckBitmap.Assign(&empty);
  auto* check = Place(new vcl::TCheckBox(form_), 10, 10, 120, 17);
  auto* skin = new TSkinCheckBox(check);
  skin->AttachControl(skin_form_, data_.get(), false, skin_form_->WorkCanvas());
  EXPECT_EQ(skin->Mode, 1);
  skin->RepaintWindow();
  Pump();
  EXPECT_EQ(skin->Mode, 0);
  // From now on the control paints itself: its own box is not the face.
  skin->RepaintWindow();
  EXPECT_NE(At(check, 6, 8), Rgb(kFace));
}

TEST_F(WinSkinControlsTest, GroupBoxPanelAndStatusBarTakeTheSkin) {
  auto* group = Place(new vcl::TGroupBox(form_), 10, 10, 200, 100);
  group->SetCaption("");
  Skin(new TSkinGroupBox(group), true);
  // The rounded frame in the shadow colour, the face inside.
  EXPECT_EQ(At(group, 1, 50), Rgb(kShadow));
  EXPECT_EQ(At(group, 198, 50), Rgb(kShadow));
  EXPECT_EQ(At(group, 100, 98), Rgb(kShadow));
  EXPECT_EQ(At(group, 100, 50), Rgb(kFace));

  auto* panel = Place(new vcl::TPanel(form_), 220, 10, 80, 40);
  panel->SetColor(0x123456);
  auto* box = Skin(new TSkinBox(panel), true);
  EXPECT_EQ(panel->Color(), kFace);
  box->Unskin();
  EXPECT_EQ(panel->Color(), vcl::TColor(0x123456));
  EXPECT_EQ(box->SkinState(), kSkinPanelRemoved);

  auto* bar = Place(new vcl::TStatusBar(form_), 10, 150, 200, 19);
  bar->SetAlign(vcl::alNone);
  bar->SetBounds(10, 150, 200, 19);
  bar->Panels()->Add()->SetWidth(80);
  bar->Panels()->Items(0)->SetBevel(vcl::pbLowered);
  bar->Panels()->Add()->SetBevel(vcl::pbNone);
  Skin(new TSkinStatusBar(bar));
  plat::RECT r0{}, r1{};
  plat::SendMessageA(bar->Handle(), plat::SB_GETRECT, 0, reinterpret_cast<plat::LPARAM>(&r0));
  plat::SendMessageA(bar->Handle(), plat::SB_GETRECT, 1, reinterpret_cast<plat::LPARAM>(&r1));
  EXPECT_EQ(At(bar, r0.left + 1, 3), Rgb(kEdges[0]));
  EXPECT_EQ(At(bar, r0.right + 1, 3), Rgb(kEdges[0]));  // two pixels wider
  EXPECT_EQ(At(bar, r1.left + 4, 3), Rgb(kEdges[2]));
  bar->Panels()->Items(1)->SetBevel(vcl::pbRaised);
  EXPECT_EQ(At(bar, r1.left + 4, 3), Rgb(kEdges[1]));
  // The size grip: frame 5 of the extra images in the bottom-right corner.
  if (plat::GetWindowLongA(bar->Handle(), plat::GWL_STYLE) & plat::SBARS_SIZEGRIP) {
    EXPECT_EQ(At(bar, 193, 12), Rgb(kExtra[4]));
    EXPECT_EQ(At(bar, 187, 6), Rgb(kExtra[4]));
    EXPECT_NE(At(bar, 199, 18), Rgb(kExtra[4]));
  }
}

TEST_F(WinSkinControlsTest, SpeedButtonShowsItsStatesAndPlacesItsGlyph) {
  auto* speed = Place(new vcl::TSpeedButton(form_), 20, 100, 75, 25);
  speed->SetAllowAllUp(true);
  auto* skin = new TSkinSpeedButton(speed);
  skin->AttachGraphic(skin_form_, data_.get(), skin_form_->WorkCanvas());
  EXPECT_EQ(skin->Handle(), nullptr);
  auto frame_at = [&](int x, int y) {
    speed->Invalidate();
    return AtClient(20 + x, 100 + y);
  };
  auto colour = [](int frame) { return Rgb(kButtonStrip[static_cast<size_t>(frame - 1)]); };
  plat::POINT inside{40, 110};
  plat::ClientToScreen(form_->Handle(), &inside);
  struct Case {
    const char* state;
    bool flat;
    bool hover;
    bool press;
    bool enabled;
    bool down;
    uint32_t pixel;
  } cases[] = {
      {"normal", false, false, false, true, false, colour(1)},
      {"hovered", false, true, false, true, false, colour(4)},
      {"pressed", false, true, true, true, false, colour(2)},
      {"disabled", false, false, false, false, false, colour(3)},
      {"down in its group", false, false, false, true, true, colour(2)},
      {"flat", true, false, false, true, false, Rgb(kFace)},
      {"flat, hovered", true, true, false, true, false, colour(4)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.state);
    Screen()->InjectMouseMove(plat::POINT{2, 2});
    Pump();
    speed->SetFlat(c.flat);
    speed->SetEnabled(c.enabled);
    speed->SetGroupIndex(1);
    speed->SetDown(c.down);
    if (c.hover) Screen()->InjectMouseMove(inside);
    if (c.press) Screen()->InjectMouseButton(plat::backend::MouseButton::Left, true);
    Pump();
    EXPECT_EQ(frame_at(3, 3), c.pixel);
    if (c.press) Screen()->InjectMouseButton(plat::backend::MouseButton::Left, false);
    Pump();
  }
  // A glyph of one cell, centred with no caption; greyed when disabled.
  Screen()->InjectMouseMove(plat::POINT{2, 2});
  Pump();
  speed->SetGroupIndex(0);
  speed->SetFlat(false);
  speed->SetEnabled(true);
  vcl::TBitmap glyph;
  glyph.SetPixelFormat(vcl::pf24bit);
  glyph.SetSize(16, 16);
  glyph.Canvas()->Brush()->SetColor(0x30C090);
  glyph.Canvas()->FillRect(vcl::Rect(0, 0, 16, 16));
  glyph.Canvas()->SetPixels(0, 15, 0x00FF00);
  speed->SetGlyph(&glyph);
  speed->SetCaption("");
  EXPECT_EQ(frame_at(30 + 8, 5 + 8), Rgb(0x30C090));
  EXPECT_EQ(frame_at(29, 13), colour(1));
  speed->SetEnabled(false);
  const int grey = (0x90 + 0xC0 + 0x30) / 3;
  EXPECT_EQ(frame_at(38, 13), Rgb(vcl::TColor(grey | grey << 8 | grey << 16)));
}

TEST(GlyphBlockPlaceTest, GlyphAndTextAlongTheLayoutAxis) {
  // A 75-pixel button, a 16-pixel glyph and a 15-pixel text unless noted.
  struct Case {
    const char* layout;
    int c, g, t, margin, spacing;
    bool far_side, speed;
    int glyph, text;
  } cases[] = {
      {"centred as one block", 75, 16, 15, -1, 4, false, false, 20, 40},
      {"margin and spacing a third each", 75, 16, 15, -1, -1, false, false, 14, 44},
      {"the rest split around the text", 75, 16, 15, 5, -1, false, false, 5, 40},
      {"glyph on the far side", 75, 16, 15, -1, 4, true, false, 39, 20},
      {"glyph on top, 60 high", 60, 16, 13, -1, 4, false, false, 13, 33},
      {"no text: no spacing", 75, 16, 0, -1, 4, false, false, 29, 45},
      {"speed button: one pixel on", 75, 16, 15, -1, 4, false, true, 21, 41},
      {"speed button, far side", 75, 16, 15, -1, 4, true, true, 38, 19},
      {"speed button, thirds", 75, 16, 15, -1, -1, false, true, 14, 44},
  };
  for (const Case& c : cases) {
    TGlyphPlace p = GlyphBlockPlace(c.c, c.g, c.t, c.margin, c.spacing, c.far_side, c.speed);
    EXPECT_EQ(p.glyph, c.glyph) << c.layout;
    EXPECT_EQ(p.text, c.text) << c.layout;
  }
}

TEST_F(WinSkinControlsTest, TwelveFrameCheckStripHasALookPerState) {
  std::vector<vcl::TColor> twelve;
  for (int k = 0; k < 12; ++k) twelve.push_back(vcl::TColor(0x100000 * (k + 1) + 0x40));
  const std::string bmp = FramesBmp(156, 13, 12, false, twelve);
  vcl::TMemoryStream in;
  in.WriteBuffer(bmp.data(), static_cast<int64_t>(bmp.size()));
  in.SetPosition(0);
  data_->Skin().Buttons->CheckBitmap.LoadFromStream(in);
  data_->Skin().Buttons->CheckButtonFrame = 12;
  auto* check = Place(new vcl::TCheckBox(form_), 10, 10, 120, 17);
  check->SetAllowGrayed(true);
  Skin(new TSkinCheckBox(check));
  struct Case {
    vcl::TCheckBoxState state;
    bool enabled;
    int frame;
  } cases[] = {
      {vcl::cbUnchecked, true, 1}, {vcl::cbChecked, true, 5}, {vcl::cbUnchecked, false, 4},
      {vcl::cbChecked, false, 8},  {vcl::cbGrayed, true, 9},  {vcl::cbGrayed, false, 12},
  };
  for (const Case& c : cases) {
    check->SetEnabled(c.enabled);
    check->SetState(c.state);
    EXPECT_EQ(At(check, 6, 8), Rgb(twelve[static_cast<size_t>(c.frame - 1)])) << c.frame;
  }
}

TEST_F(WinSkinControlsTest, PanesSheetsAndBareGroupBoxesTakeTheFace) {
  // A dialog pane: its statics' letters sit on the face, not on a box of their own.
  plat::HWND pane = plat::user::CreateChildDialog(form_->Handle(), nullptr, 0,
                                                  plat::WS_CHILD | plat::WS_VISIBLE, 10, 10, 100, 60);
  ASSERT_NE(pane, nullptr);
  auto* pane_skin = new TSkinBoxH();
  pane_skin->AttachWindow(pane, data_.get(), skin_form_, skin_form_->WorkCanvas());
  plat::HDC dc = plat::CreateCompatibleDC(nullptr);
  plat::SetBkColor(dc, 0x00FFFFFF);
  const plat::LRESULT brush =
      plat::SendMessageA(pane, plat::WM_CTLCOLORSTATIC, reinterpret_cast<plat::WPARAM>(dc), 0);
  EXPECT_EQ(brush, reinterpret_cast<plat::LRESULT>(data_->Skin().FaceBrush.Handle()));
  EXPECT_EQ(plat::GetBkColor(dc), vcl::ColorToRGB(kFace));
  plat::DeleteDC(dc);
  plat::InvalidateRect(pane, nullptr, plat::TRUE);
  plat::UpdateWindow(pane);
  EXPECT_EQ(AtClient(60, 40), Rgb(kFace));
  plat::DestroyWindow(pane);

  auto* pages = Place(new vcl::TPageControl(form_), 120, 10, 150, 100);
  auto* sheet = new vcl::TTabSheet(form_);
  sheet->SetPageControl(pages);
  sheet->SetCaption("A");
  Pump();
  Skin(new TSkinTabSheet(sheet));
  sheet->Invalidate();
  EXPECT_EQ(At(sheet, 20, 20), Rgb(kFace));

  // A bare group box: its own frame covered with the face, then the rounded one.
  plat::HWND group =
      plat::CreateWindowExA(0, "button", "", plat::WS_CHILD | plat::WS_VISIBLE | plat::BS_GROUPBOX, 10, 120,
                            100, 80, form_->Handle(), nullptr, nullptr, nullptr);
  auto* group_skin = new TSkinGroupBox();
  group_skin->AttachWindow(group, data_.get(), skin_form_, skin_form_->WorkCanvas());
  EXPECT_EQ(group_skin->Mode, 0);
  plat::InvalidateRect(group, nullptr, plat::TRUE);
  plat::UpdateWindow(group);
  EXPECT_EQ(AtClient(10 + 0, 120 + 40), Rgb(kFace));
  EXPECT_EQ(AtClient(10 + 1, 120 + 40), Rgb(kShadow));
  EXPECT_EQ(AtClient(10 + 98, 120 + 40), Rgb(kShadow));
  EXPECT_EQ(AtClient(10 + 99, 120 + 40), Rgb(kFace));
  plat::DestroyWindow(group);
}

TEST_F(WinSkinControlsTest, ButtonCaptionTakesTheColourOfItsState) {
  TDataSkinButton* e = data_->Skin().Buttons.get();
  e->HasNormalColour2 = 1;
  e->NormalColour2 = 0x0000FF;
  auto* button = Place(new vcl::TButton(form_), 10, 10, 80, 24);
  button->SetCaption("MMMM");
  button->Font()->SetColor(0x00FF00);
  auto* skin = Skin(new TSkinButton(button));
  auto count = [&](vcl::TColor colour) {
    skin->RepaintWindow();
    Pump();
    int n = 0;
    for (int y = 0; y < 24; ++y)
      for (int x = 0; x < 80; ++x) n += At(button, x, y) == Rgb(colour) ? 1 : 0;
    return n;
  };
  // Frame 1: the skin's normal text colour; focused (no colour of its own
  // for it): the control's font colour; disabled: the shadow colour.
  EXPECT_GT(count(0x0000FF), 10);
  EXPECT_EQ(count(0x00FF00), 0);
  plat::SetFocus(button->Handle());
  EXPECT_GT(count(0x00FF00), 10);
  EXPECT_EQ(count(0x0000FF), 0);
  button->SetEnabled(false);
  EXPECT_GT(count(vcl::clBtnShadow), 10);
  EXPECT_EQ(count(0x00FF00), 0);
}

}  // namespace
