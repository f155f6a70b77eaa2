// Speed buttons: groups with one button down and a shared AllowAllUp, the
// glyph's cell count, state images rendered once into a list shared by size
// with freed slots reused, the faces and glyph states by their pixels, and a
// press that ends cleanly when the window loses capture.
#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <string>

#include "ControlTestSupport.h"
#include "controls/MMSpeedBtn.h"
#include "platform/user/Input.h"
#include "platform/vcl/Forms.h"
#include "support/PaintOnGround.h"

namespace controls {
namespace {

class TProbeSpeedButton : public TMMSpeedButton {
  VCL_DECLARE_CLASS(TProbeSpeedButton, TMMSpeedButton)
 public:
  using TMMSpeedButton::Paint;
  using TMMSpeedButton::TMMSpeedButton;
  int clicks = 0;
  void Click() override {
    ++clicks;
    TMMSpeedButton::Click();
  }
};

}  // namespace
}  // namespace controls

VCL_IMPLEMENT_CLASS(controls::TProbeSpeedButton)

namespace controls {
namespace {

using vcl::TColor;

constexpr TColor kGround = 0x030201;

// A strip of `cells` square-ish cells of w x h on olive (the transparent
// colour), each with an ink square from (2, 2) to (w - 3, h - 3).
std::unique_ptr<vcl::TBitmap> GlyphStrip(int w, int h, std::initializer_list<TColor> inks) {
  auto bitmap = std::make_unique<vcl::TBitmap>();
  bitmap->SetPixelFormat(vcl::pf24bit);
  bitmap->SetSize(w * static_cast<int>(inks.size()), h);
  vcl::TCanvas* canvas = bitmap->Canvas();
  canvas->Brush()->SetColor(vcl::clOlive);
  canvas->FillRect(vcl::Rect(0, 0, bitmap->Width(), h));
  int cell = 0;
  for (TColor ink : inks) {
    canvas->Brush()->SetColor(ink);
    canvas->FillRect(vcl::Rect(cell * w + 2, 2, cell * w + w - 2, h - 2));
    ++cell;
  }
  return bitmap;
}

plat::COLORREF Rgb(TColor c) { return vcl::ColorToRGB(c); }
plat::COLORREF At(vcl::TBitmap& b, int x, int y) { return Rgb(b.Canvas()->Pixels(x, y)); }

plat::LPARAM Point(int x, int y) {
  return plat::MAKELPARAM(static_cast<plat::WORD>(x), static_cast<plat::WORD>(y));
}

class MMSpeedBtnTest : public testing::FormsTest {
 protected:
  void SetUp() override {
    FormsTest::SetUp();
    form_ = std::make_unique<vcl::TForm>(nullptr);
    form_->SetBounds(0, 0, 200, 100);
    form_->HandleNeeded();
  }
  void TearDown() override {
    plat::ReleaseCapture();
    form_.reset();
    FormsTest::TearDown();
  }

  TProbeSpeedButton* Button(int group = 0, int left = 0) {
    auto* b = new TProbeSpeedButton(form_.get());
    b->SetParent(form_.get());
    b->SetLeft(left);
    b->SetGroupIndex(group);
    return b;
  }
  static void Press(TMMSpeedButton* b, int x = 5, int y = 5) {
    b->Perform(plat::WM_LBUTTONDOWN, plat::MK_LBUTTON, Point(x, y));
  }
  static void Release(TMMSpeedButton* b, int x = 5, int y = 5) {
    b->Perform(plat::WM_LBUTTONUP, 0, Point(x, y));
  }

  std::unique_ptr<vcl::TForm> form_;
};

// ---- groups ---------------------------------------------------------------------

TEST_F(MMSpeedBtnTest, AGroupKeepsOneButtonDownAndSharesAllowAllUp) {
  TProbeSpeedButton* lone = Button(0);
  lone->SetDown(true);
  EXPECT_FALSE(lone->Down());  // no group, never down

  TProbeSpeedButton* a = Button(1, 30);
  TProbeSpeedButton* b = Button(1, 60);
  TProbeSpeedButton* other_group = Button(2, 90);
  other_group->SetDown(true);
  a->SetDown(true);
  EXPECT_EQ(a->State(), vcl::bsExclusive);
  b->SetDown(true);
  EXPECT_FALSE(a->Down());
  EXPECT_EQ(a->State(), vcl::bsUp);
  EXPECT_TRUE(b->Down());
  EXPECT_TRUE(other_group->Down());
  b->SetDown(false);  // refused without AllowAllUp
  EXPECT_TRUE(b->Down());
  a->SetAllowAllUp(true);  // told to the group
  EXPECT_TRUE(b->AllowAllUp());
  EXPECT_FALSE(other_group->AllowAllUp());
  b->SetDown(false);
  EXPECT_FALSE(b->Down());
}

TEST_F(MMSpeedBtnTest, ClickingTheDownButtonReleasesItOnlyWithAllowAllUp) {
  for (bool allow_all_up : {false, true}) {
    SCOPED_TRACE(allow_all_up);
    TProbeSpeedButton* b = Button(1);
    b->SetAllowAllUp(allow_all_up);
    b->SetDown(true);
    Press(b);
    Release(b);
    EXPECT_EQ(b->clicks, 1);
    EXPECT_EQ(b->Down(), !allow_all_up);
    // Drawn as it is: a button that stays down stays drawn down.
    EXPECT_EQ(b->State(), allow_all_up ? vcl::bsUp : vcl::bsExclusive);
    delete b;
  }
  // Pressing the second of two releases the first.
  TProbeSpeedButton* first = Button(3);
  TProbeSpeedButton* second = Button(3, 30);
  first->SetDown(true);
  Press(second);
  Release(second);
  EXPECT_TRUE(second->Down());
  EXPECT_FALSE(first->Down());
}

TEST_F(MMSpeedBtnTest, AReleaseClicksInsideAndOnTheRowJustBelow) {
  struct Case {
    int x, y;
    int clicks;
  };
  const Case cases[] = {{0, 0, 1}, {24, 24, 1}, {12, 25, 1}, {12, 26, 0}, {25, 12, 0}, {-1, 12, 0}};
  TProbeSpeedButton* b = Button();
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.x) + "," + std::to_string(c.y));
    b->clicks = 0;
    Press(b);
    EXPECT_EQ(b->State(), vcl::bsDown);
    Release(b, c.x, c.y);
    EXPECT_EQ(b->clicks, c.clicks);
    EXPECT_EQ(b->State(), vcl::bsUp);
  }
}

// ---- glyph ----------------------------------------------------------------------

TEST_F(MMSpeedBtnTest, TheGlyphsShapeSetsTheCellCount) {
  struct Case {
    int width, height;
    int num_glyphs;
  };
  const Case cases[] = {{64, 16, 4}, {80, 16, 1}, {30, 16, 2}, {16, 16, 1}, {48, 16, 3}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
    TProbeSpeedButton* b = Button();
    b->SetNumGlyphs(2);
    vcl::TBitmap glyph;
    glyph.SetSize(c.width, c.height);
    b->SetGlyph(&glyph);
    EXPECT_EQ(b->NumGlyphs(), c.num_glyphs);
    delete b;
  }
  TProbeSpeedButton* b = Button();
  b->SetNumGlyphs(9);
  EXPECT_EQ(b->NumGlyphs(), 4);
  b->SetMargin(3);
  b->SetMargin(-2);
  EXPECT_EQ(b->Margin(), 3);
}

TEST_F(MMSpeedBtnTest, StateImagesRenderOnceIntoAListSharedBySizeAndReuseFreedSlots) {
  TProbeSpeedButton* a = Button();
  TProbeSpeedButton* b = Button(0, 30);
  a->SetGlyph(GlyphStrip(9, 9, {vcl::clRed}).get());
  b->SetGlyph(GlyphStrip(9, 9, {vcl::clBlue}).get());
  testsupport::PaintOnGround(*a, kGround);
  testsupport::PaintOnGround(*b, kGround);
  TGlyphList* list = a->ButtonGlyph()->GlyphList();
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(b->ButtonGlyph()->GlyphList(), list);
  EXPECT_EQ(list->Count(), 2);
  // Repainting and the Down state of a one-cell glyph render nothing new.
  testsupport::PaintOnGround(*a, kGround);
  EXPECT_EQ(a->ButtonGlyph()->RenderStateImage(vcl::bsDown), a->ButtonGlyph()->StateImage(vcl::bsUp));
  EXPECT_EQ(list->Count(), 2);
  a->ButtonGlyph()->RenderStateImage(vcl::bsDisabled);
  a->ButtonGlyph()->RenderStateImage(vcl::bsExclusive);
  EXPECT_EQ(list->Count(), 4);
  EXPECT_EQ(list->UsedCount(), 4);

  // A new glyph frees a's three slots; b's next image takes the first of them.
  const int freed = a->ButtonGlyph()->StateImage(vcl::bsUp);
  a->SetGlyph(GlyphStrip(9, 9, {vcl::clLime}).get());
  EXPECT_EQ(list->UsedCount(), 1);
  EXPECT_EQ(b->ButtonGlyph()->RenderStateImage(vcl::bsExclusive), freed);
  EXPECT_EQ(list->Count(), 4);

  // Another size, another list; changed system colours drop the images.
  TProbeSpeedButton* c = Button(0, 60);
  c->SetGlyph(GlyphStrip(10, 10, {vcl::clRed}).get());
  testsupport::PaintOnGround(*c, kGround);
  ASSERT_NE(SharedGlyphCache(), nullptr);
  EXPECT_EQ(SharedGlyphCache()->Count(), 2);
  form_->Perform(plat::WM_SYSCOLORCHANGE);
  EXPECT_EQ(c->ButtonGlyph()->StateImage(vcl::bsUp), -1);
  EXPECT_EQ(b->ButtonGlyph()->StateImage(vcl::bsUp), -1);
  EXPECT_EQ(SharedGlyphCache()->Count(), 0);

  form_.reset();
  EXPECT_EQ(SharedGlyphCache(), nullptr);  // the last glyph took the cache with it
}

// ---- pixels ---------------------------------------------------------------------

TEST_F(MMSpeedBtnTest, FacesByTheirPixels) {
  const TColor kBevel = vcl::clMaroon;
  const TColor hi = vcl::clBtnHighlight, sh = vcl::clBtnShadow, face = vcl::clBtnFace;
  struct Case {
    const char* name;
    vcl::TBevelStyle bevel;
    bool pressed;
    // (0,0), (24,24), (1,1), (23,23), (1,12), (24,12)
    TColor expected[6];
  };
  const Case cases[] = {
      {"raised", vcl::bsRaised, false, {hi, kBevel, face, sh, face, kBevel}},
      {"pressed", vcl::bsRaised, true, {kBevel, hi, sh, face, sh, hi}},
      {"etched", vcl::bsLowered, false, {kBevel, hi, hi, kBevel, hi, hi}},
  };
  const int points[6][2] = {{0, 0}, {24, 24}, {1, 1}, {23, 23}, {1, 12}, {24, 12}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TProbeSpeedButton* b = Button();
    b->SetBevel(c.bevel);
    b->SetBevelColor(kBevel);
    if (c.pressed) Press(b);
    auto image = testsupport::PaintOnGround(*b, kGround);
    for (int i = 0; i < 6; ++i)
      EXPECT_EQ(At(*image, points[i][0], points[i][1]), Rgb(c.expected[i]))
          << points[i][0] << "," << points[i][1];
    if (c.pressed) Release(b);
    delete b;
  }
}

TEST_F(MMSpeedBtnTest, AButtonThatStaysDownShowsTheCheckerboardThroughItsGlyph) {
  TProbeSpeedButton* b = Button(1);
  b->SetDownColor(vcl::clRed);
  b->SetGlyph(GlyphStrip(9, 9, {vcl::clBlue}).get());
  b->SetDown(true);
  auto image = testsupport::PaintOnGround(*b, kGround);
  // Inside the frame, away from the glyph: DownColor where x and y have equal parity.
  for (auto [x, y] : {std::pair{3, 3}, {4, 4}, {3, 4}, {20, 5}, {21, 5}, {5, 22}}) {
    SCOPED_TRACE(std::to_string(x) + "," + std::to_string(y));
    EXPECT_EQ(At(*image, x, y), Rgb((x + y) % 2 == 0 ? vcl::clRed : vcl::clBtnFace));
  }
  // The glyph (content from 1,1 to 23,23: at 8,8 plus one) keeps its ink, and
  // its transparent rim shows the pattern.
  EXPECT_EQ(At(*image, 12, 12), Rgb(vcl::clBlue));
  EXPECT_EQ(At(*image, 9, 9), Rgb(vcl::clRed));
  EXPECT_EQ(At(*image, 9, 10), Rgb(vcl::clBtnFace));
}

TEST_F(MMSpeedBtnTest, GlyphStatesByTheirPixels) {
  // A 25 x 25 button centres a 9 x 9 cell at (8, 8), its ink from 10 to 14.
  struct Case {
    const char* name;
    std::initializer_list<TColor> cells;
    bool pressed, disabled;
    std::initializer_list<std::pair<vcl::TPoint, TColor>> expected;
  };
  const TColor face = vcl::clBtnFace;
  const Case cases[] = {
      {"up", {vcl::clRed}, false, false, {{{10, 10}, vcl::clRed}, {{14, 14}, vcl::clRed}, {{15, 15}, face}}},
      {"down, one cell: shifted", {vcl::clRed}, true, false, {{{10, 10}, face}, {{15, 15}, vcl::clRed}}},
      {"disabled, two cells: cell 1", {vcl::clRed, vcl::clBlue}, false, true, {{{10, 10}, vcl::clBlue}}},
      {"disabled, one cell: embossed",
       {vcl::clBlack},
       false,
       true,
       {{{10, 10}, vcl::clBtnShadow},
        {{14, 14}, vcl::clBtnShadow},
        {{15, 15}, vcl::clWhite},
        {{9, 9}, face}}},
      {"down, three cells: cell 2",
       {vcl::clRed, vcl::clBlue, vcl::clLime},
       true,
       false,
       {{{15, 15}, vcl::clLime}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TProbeSpeedButton* b = Button();
    b->SetGlyph(GlyphStrip(9, 9, c.cells).get());
    if (c.pressed) Press(b);
    if (c.disabled) b->SetEnabled(false);
    auto image = testsupport::PaintOnGround(*b, kGround);
    for (const auto& [p, color] : c.expected)
      EXPECT_EQ(At(*image, p.x, p.y), Rgb(color)) << p.x << "," << p.y;
    if (c.pressed) Release(b);
    delete b;
  }
}

// ---- messages and capture -------------------------------------------------------

TEST_F(MMSpeedBtnTest, HintsAcceleratorsAndDoubleClicksFollowTheButtonsState) {
  TProbeSpeedButton* b = Button(1);
  b->SetCaption("&Run");
  EXPECT_EQ(b->Perform(vcl::CM_HINTSHOW), 0);
  EXPECT_NE(b->Perform(vcl::CM_DIALOGCHAR, 'r'), 0);
  EXPECT_EQ(b->clicks, 1);
  EXPECT_EQ(b->Perform(vcl::CM_DIALOGCHAR, 'x'), 0);
  int double_clicks = 0;
  b->OnDblClick = [&](vcl::TObject*) { ++double_clicks; };
  b->Perform(plat::WM_LBUTTONDBLCLK, plat::MK_LBUTTON, Point(5, 5));
  Release(b);
  EXPECT_EQ(double_clicks, 0);  // only while down
  b->SetDown(true);
  b->Perform(plat::WM_LBUTTONDBLCLK, plat::MK_LBUTTON, Point(5, 5));
  Release(b);
  EXPECT_EQ(double_clicks, 1);
  b->SetEnabled(false);
  EXPECT_NE(b->Perform(vcl::CM_HINTSHOW), 0);
  EXPECT_EQ(b->Perform(vcl::CM_DIALOGCHAR, 'r'), 0);
  EXPECT_EQ(b->clicks, 3);  // the two releases over the button clicked; the disabled one did not
}

TEST_F(MMSpeedBtnTest, ALostCaptureEndsThePressWithoutAClick) {
  TProbeSpeedButton* b = Button();
  Press(b);
  ASSERT_EQ(vcl::GetCaptureControl(), b);
  ASSERT_TRUE(b->Tracking());
  plat::ReleaseCapture();  // behind the button's back
  EXPECT_FALSE(b->Tracking());
  EXPECT_EQ(b->State(), vcl::bsUp);
  Release(b);
  EXPECT_EQ(b->clicks, 0);
}

}  // namespace
}  // namespace controls
