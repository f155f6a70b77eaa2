// The bitmap button: clamped writers and auto size, the gray and embossed
// cells it adds to a one-glyph strip, the glyph chosen per state, the frame
// styles and glyph places by pixels, and presses through the window system:
// click, switch, enter and exit, disabling, and a press that loses capture.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ControlTestSupport.h"
#include "controls/MMBmpBtn.h"
#include "controls/MMBmpLst.h"
#include "displays/ScreenTestSupport.h"
#include "support/PaintOnGround.h"

namespace controls {
namespace {

class TProbeButton : public TMMBitmapButton {
  VCL_DECLARE_CLASS(TProbeButton, TMMBitmapButton)
 public:
  using TMMBitmapButton::Paint;
  using TMMBitmapButton::TMMBitmapButton;
};

}  // namespace
}  // namespace controls

VCL_IMPLEMENT_CLASS(controls::TProbeButton)

namespace controls {
namespace {

using plat::backend::MouseButton;
using vcl::TColor;

constexpr TColor kGround = 0x123456;
constexpr TColor kCorner = 0x00FF00;  // every glyph's bottom-left pixel: transparent

TColor Rgb(TColor c) { return vcl::ColorToRGB(c); }

// `cells` glyphs of w x h side by side, cell i filled with colours[i] and
// its bottom-left pixel kCorner.
std::unique_ptr<vcl::TBitmap> Glyphs(int w, int h, std::vector<TColor> colours) {
  auto b = std::make_unique<vcl::TBitmap>();
  b->SetPixelFormat(vcl::pf24bit);
  b->SetSize(w * static_cast<int>(colours.size()), h);
  for (size_t i = 0; i < colours.size(); ++i) {
    const int left = w * static_cast<int>(i);
    b->Canvas()->Brush()->SetColor(colours[i]);
    b->Canvas()->FillRect(vcl::Rect(left, 0, left + w, h));
    b->Canvas()->SetPixels(left, h - 1, kCorner);
  }
  return b;
}

TColor Gray(TColor c) {
  const unsigned r = c & 0xFF, g = (c >> 8) & 0xFF, b = (c >> 16) & 0xFF;
  const unsigned v = (11 * r + 59 * g + 30 * b) / 100;
  return v | v << 8 | v << 16;
}

class MMBmpBtnTest : public testing::FormsTest {
 protected:
  void SetUp() override {
    FormsTest::SetUp();
    list_ = std::make_unique<TMMBitmapList>(nullptr);
    button_ = std::make_unique<TProbeButton>(nullptr);
  }
  void TearDown() override {
    button_.reset();
    list_.reset();
    FormsTest::TearDown();
  }
  void Use(std::unique_ptr<vcl::TBitmap> bitmap) {
    list_->Add(bitmap.get());
    button_->SetBitmapList(list_.get());
    button_->SetBitmapIndex(list_->Count() - 1);
  }
  std::unique_ptr<vcl::TBitmap> Shot() { return testsupport::PaintOnGround(*button_, kGround); }

  std::unique_ptr<TMMBitmapList> list_;
  std::unique_ptr<TProbeButton> button_;
};

TEST_F(MMBmpBtnTest, WritersClampAndAutoSizeTakesOneGlyph) {
  button_->SetNumGlyphs(0);
  EXPECT_EQ(button_->NumGlyphs(), 1);
  button_->SetDownIndentHoriz(-3);
  EXPECT_EQ(button_->DownIndentHoriz(), 0);
  button_->SetDownIndentVert(-1);
  EXPECT_EQ(button_->DownIndentVert(), 0);

  button_->SetNumGlyphs(3);
  button_->SetAutoSize(true);
  Use(Glyphs(44, 36, {0x0000FF, 0x00FFFF, 0xFF0000}));
  EXPECT_EQ(button_->Width(), 44);
  EXPECT_EQ(button_->Height(), 36);
  // A square glyph strip with NumGlyphs 1 counts its glyphs itself, at most 4.
  TProbeButton counted(nullptr);
  auto five = Glyphs(16, 16, {1, 2, 3, 4, 5});
  list_->Add(five.get());
  counted.SetBitmapList(list_.get());
  counted.SetBitmapIndex(1);
  EXPECT_EQ(counted.NumGlyphs(), 4);
}

TEST_F(MMBmpBtnTest, GrayWeighsRedElevenAndBlueThirty) {
  struct Case {
    TColor in;
    TColor out;
  } cases[] = {{0x3264C8, 0x606060},   // R 200, G 100, B 50 -> 96 (the usual weights give 124)
               {0xFFFFFF, 0xFFFFFF},   // the weights add up to 100
               {0x0000FF, 0x1C1C1C},   // red alone: 11 %
               {0xFF0000, 0x4C4C4C}};  // blue alone: 30 %
  for (const Case& c : cases) {
    auto b = Glyphs(2, 2, {c.in});
    GrayGlyph(b.get());
    EXPECT_EQ(b->Canvas()->Pixels(1, 0), c.out) << std::hex << c.in;
  }
}

TEST_F(MMBmpBtnTest, OneGlyphGetsAGrayAndAnEmbossedCell) {
  // Cell 0: ground colour at (0,0), a black bar in the middle, white elsewhere.
  auto glyph = Glyphs(10, 10, {0xFFFFFF});
  vcl::TCanvas* c = glyph->Canvas();
  c->SetPixels(0, 0, 0x808000);
  c->Brush()->SetColor(0x000000);
  c->FillRect(vcl::Rect(3, 3, 7, 7));
  c->SetPixels(0, 9, 0x808000);
  Use(std::move(glyph));
  vcl::TBitmap* strip = button_->GlyphStrip();
  ASSERT_NE(strip, nullptr);
  ASSERT_TRUE(button_->OwnsGlyphStrip());
  EXPECT_EQ(strip->Width(), 30);
  vcl::TCanvas* s = strip->Canvas();
  EXPECT_EQ(s->Pixels(5, 5), 0x000000);
  EXPECT_EQ(s->Pixels(10 + 5, 5), Gray(0x000000));
  EXPECT_EQ(s->Pixels(10 + 1, 1), Gray(0xFFFFFF));
  // Embossed: shadow on the bar, highlight one pixel down-right of it, face elsewhere.
  EXPECT_EQ(s->Pixels(20 + 3, 3), Rgb(vcl::clBtnShadow));
  EXPECT_EQ(s->Pixels(20 + 7, 7), Rgb(vcl::clBtnHighlight));
  EXPECT_EQ(s->Pixels(20 + 1, 1), Rgb(vcl::clBtnFace));
  // Three glyphs with a plain style draw from the list's own bitmap.
  button_->SetButtonStyle(bsRegular);
  button_->SetNumGlyphs(3);
  EXPECT_FALSE(button_->OwnsGlyphStrip());
  EXPECT_EQ(button_->GlyphStrip(), list_->GetBitmap(0));
}

TEST_F(MMBmpBtnTest, GlyphsAreDrawnByStateAndAStrayIndexDrawsNothing) {
  auto glyph = Glyphs(20, 20, {0x0000C0});
  glyph->Canvas()->Brush()->SetColor(0x3264C8);
  glyph->Canvas()->FillRect(vcl::Rect(6, 6, 14, 14));
  Use(std::move(glyph));
  button_->SetBounds(0, 0, 40, 40);
  button_->SetButtonStyle(bsRegular);
  auto at_centre = [&] { return Shot()->Canvas()->Pixels(20, 20); };
  EXPECT_EQ(at_centre(), 0x3264C8);
  button_->SetButtonStyle(bsExplorer);  // AutoGray, mouse outside: the gray cell
  EXPECT_EQ(at_centre(), 0x606060);
  button_->SetEnabled(false);  // the embossed cell: the square in shadow, its ground in face
  EXPECT_EQ(at_centre(), Rgb(vcl::clBtnShadow));
  EXPECT_EQ(Shot()->Canvas()->Pixels(12, 12), Rgb(vcl::clBtnFace));
  button_->SetEnabled(true);
  button_->OnGetGlyphIndex = [](vcl::TObject*, bool, int& index) { index = 99; };
  EXPECT_EQ(at_centre(), kGround);  // transparent button, nothing drawn
  button_->OnGetGlyphIndex = [](vcl::TObject*, bool, int& index) { index = -7; };
  EXPECT_EQ(at_centre(), kGround);
}

TEST_F(MMBmpBtnTest, FrameStylesReleasedAndPressed) {
  button_->SetBounds(0, 0, 30, 20);
  button_->SetTransparent(false);
  button_->SetColor(0x204020);
  const TColor light = Rgb(vcl::clBtnHighlight), shadow = Rgb(vcl::clBtnShadow), face = Rgb(vcl::clBtnFace),
               dark = Rgb(vcl::cl3DDkShadow), fill = 0x204020;
  struct Case {
    TMMButtonStyle style;
    bool down;
    TColor top_left, bottom_right;
  } cases[] = {
      {bsRegular, false, light, 0},     {bsRegular, true, 0, light},     {bsIndent, false, shadow, light},
      {bsIndent, true, 0, light},       {bsLight, false, light, shadow}, {bsLight, true, shadow, light},
      {bsDark, false, face, dark},      {bsDark, true, dark, face},      {bsMono, false, light, dark},
      {bsMono, true, dark, light},      {bsExplorer, false, fill, fill}, {bsExplorer, true, shadow, light},
      {bsHighLight, false, fill, fill}, {bsHighLight, true, fill, fill}, {bsNone, true, fill, fill},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "style " << int(c.style) << (c.down ? " down" : " up"));
    button_->SetButtonStyle(c.style);
    button_->SetDown(c.down);
    auto shot = Shot();
    EXPECT_EQ(shot->Canvas()->Pixels(0, 0), c.top_left);
    EXPECT_EQ(shot->Canvas()->Pixels(29, 19), c.bottom_right);
  }
  // The regular frame's inner ring.
  button_->SetButtonStyle(bsRegular);
  button_->SetDown(false);
  auto shot = Shot();
  EXPECT_EQ(shot->Canvas()->Pixels(1, 1), face);
  EXPECT_EQ(shot->Canvas()->Pixels(28, 18), shadow);
}

TEST_F(MMBmpBtnTest, GlyphStandsOppositeTheCaption) {
  Use(Glyphs(10, 8, {0x0000C0}));
  button_->SetButtonStyle(bsNone);
  button_->SetBounds(0, 0, 40, 30);
  button_->SetSpacing(3);
  button_->SetCaption("x");
  // Glyph top-left per alignment: W 40, H 30, GW 10, GH 8, Spacing 3.
  struct Case {
    TMMTextAlign align;
    int left, top;
  } cases[] = {{ttaTopLeft, 15, 19},   {ttaTop, 15, 19},        {ttaTopRight, 15, 19},
               {ttaRight, 3, 11},      {ttaBottomRight, 15, 3}, {ttaBottom, 15, 3},
               {ttaBottomLeft, 15, 3}, {ttaLeft, 27, 11},       {ttaCenter, 15, 11}};
  for (const Case& c : cases) {
    SCOPED_TRACE(int(c.align));
    button_->SetTextAlign(c.align);
    auto shot = Shot();
    vcl::TCanvas* s = shot->Canvas();
    EXPECT_EQ(s->Pixels(c.left + 1, c.top), 0x0000C0);
    EXPECT_EQ(s->Pixels(c.left + 9, c.top + 7), 0x0000C0);
    EXPECT_NE(s->Pixels(c.left + 1, c.top - 1), 0x0000C0);
    EXPECT_NE(s->Pixels(c.left + 10, c.top + 7), 0x0000C0);
  }
}

TEST_F(MMBmpBtnTest, CentredCaptionSitsSevenPixelsLeftOfCentre) {
  button_->SetButtonStyle(bsNone);
  button_->SetBounds(0, 0, 100, 30);
  button_->Font()->SetColor(0x000000);
  button_->SetCaption("MMMM");
  auto shot = Shot();
  int first = -1, last = -1;
  for (int x = 0; x < 100; ++x)
    for (int y = 0; y < 30; ++y)
      if (shot->Canvas()->Pixels(x, y) != kGround) {
        if (first < 0) first = x;
        last = x;
      }
  ASSERT_GE(first, 0);
  // The ink's middle lies 7 pixels left of the button's, give or take a pixel of bearing.
  EXPECT_NEAR((first + last + 1) / 2.0, 50 - 7, 1.5);
}

// ---- presses through the window system ----

class MMBmpBtnScreenTest : public displaytest::ScreenTest {
 protected:
  TMMBitmapButton* ShowButton() {
    NewForm();
    list_ = new TMMBitmapList(form_);
    auto glyphs = Glyphs(20, 20, {0x0000C0, 0x00C000, 0xC00000});
    list_->Add(glyphs.get());
    auto* b = new TMMBitmapButton(form_);
    b->SetParent(form_);
    b->SetBounds(10, 10, 40, 40);
    b->SetButtonStyle(bsRegular);
    b->SetBitmapList(list_);
    b->SetBitmapIndex(0);
    b->SetNumGlyphs(3);
    b->OnClick = [this](vcl::TObject*) { log_.push_back("click"); };
    b->OnMouseEnter = [this](vcl::TObject*) { log_.push_back("enter"); };
    b->OnMouseExit = [this](vcl::TObject*) { log_.push_back("exit"); };
    ShowForm();
    return b;
  }
  void MoveTo(int x, int y) {
    Screen()->InjectMouseMove(plat::POINT{100 + x, 100 + y});
    Pump();
  }
  void Button(bool down) {
    Screen()->InjectMouseButton(MouseButton::Left, down);
    Pump();
  }
  TMMBitmapList* list_ = nullptr;
  std::vector<std::string> log_;
};

TEST_F(MMBmpBtnScreenTest, PressShowsThePressedGlyphAndReleaseInsideClicks) {
  ASSERT_NE(Screen(), nullptr);
  TMMBitmapButton* b = ShowButton();
  MoveTo(30, 30);
  Button(true);
  EXPECT_TRUE(b->ShownDown());
  EXPECT_EQ(b->GlyphIndex(), 2);
  EXPECT_EQ(At(31, 31), displaytest::Rgb(0xC00000));  // pressed cell, indented by one
  MoveTo(150, 100);
  EXPECT_FALSE(b->ShownDown());
  MoveTo(30, 30);
  Button(false);
  EXPECT_FALSE(b->ShownDown());
  EXPECT_EQ(std::count(log_.begin(), log_.end(), "click"), 1);
  log_.clear();

  // Released outside: no click.
  Button(true);
  MoveTo(150, 100);
  Button(false);
  EXPECT_EQ(std::count(log_.begin(), log_.end(), "click"), 0);
}

TEST_F(MMBmpBtnScreenTest, SwitchLatchesOnReleaseInsideAndDownSilencesEnterAndExit) {
  ASSERT_NE(Screen(), nullptr);
  TMMBitmapButton* b = ShowButton();
  b->SetSwitch(true);
  MoveTo(30, 30);
  Button(true);
  Button(false);
  EXPECT_TRUE(b->Down());
  log_.clear();
  MoveTo(150, 100);
  MoveTo(30, 30);
  EXPECT_TRUE(log_.empty());
  Button(true);
  MoveTo(150, 100);
  Button(false);
  EXPECT_TRUE(b->Down());  // released outside: unchanged
  MoveTo(30, 30);
  Button(true);
  Button(false);
  EXPECT_FALSE(b->Down());
  EXPECT_EQ(log_, std::vector<std::string>{"click"});
}

TEST_F(MMBmpBtnScreenTest, LostCaptureOrDisablingEndsThePressAndTheNextPressWorks) {
  ASSERT_NE(Screen(), nullptr);
  TMMBitmapButton* b = ShowButton();
  auto* other = new vcl::TForm(vcl::Application);
  other->SetBounds(500, 500, 40, 40);
  other->Show();
  Pump();
  const std::function<void()> ends[] = {[] { plat::ReleaseCapture(); },
                                        [&] { plat::SetCapture(other->Handle()); },
                                        [&] {
                                          b->SetEnabled(false);
                                          b->SetEnabled(true);
                                        }};
  for (const auto& end : ends) {
    MoveTo(30, 30);
    Button(true);
    ASSERT_TRUE(b->Tracking());
    end();
    Pump();
    EXPECT_FALSE(b->Tracking());
    EXPECT_FALSE(b->ShownDown());
    EXPECT_EQ(At(31, 31), displaytest::Rgb(0x0000C0));  // the up glyph again
    plat::ReleaseCapture();
    Button(false);
    // The button still answers a press.
    log_.clear();
    Button(true);
    EXPECT_TRUE(b->Tracking());
    Button(false);
    EXPECT_EQ(log_, std::vector<std::string>{"click"});
  }
}

}  // namespace
}  // namespace controls
