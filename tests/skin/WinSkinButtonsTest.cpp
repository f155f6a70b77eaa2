// Buttons with glyphs, drop-down buttons, media players and other makers'
// check boxes on a skinned test form: where the glyph lands by layout,
// margin, spacing and alignment, the drop-down arrow, the player's buttons
// by pixels, hit testing and clicks, who frees the player's panel, and the
// glyph strips handed to check and radio boxes that paint themselves.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/user/Focus.h"
#include "platform/user/Geometry.h"
#include "platform/user/Input.h"
#include "platform/user/Messages.h"
#include "platform/user/ScrollBar.h"
#include "platform/user/Window.h"
#include "platform/vcl/Buttons.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/ImgList.h"
#include "platform/vcl/MPlayer.h"
#include "platform/vcl/StdCtrls.h"
#include "platform/vcl/TypInfo.h"
#include "skin/ButtonSkinFixture.h"
#include "skin/SkinBitmaps.h"
#include "skin/SkinFormFixture.h"
#include "skin/WinSkinBoxes.h"
#include "skin/WinSkinButtons.h"
#include "skin/WinSkinPlayer.h"

using namespace skin;
using namespace skin_test;
using displaytest::Rgb;

namespace {

// A button publishing everything the glyph painter reads, with a raw
// NumGlyphs as another maker's button may have.
class TFullBitBtn : public vcl::TBitBtn {
  VCL_DECLARE_CLASS(TFullBitBtn, vcl::TBitBtn)
 public:
  explicit TFullBitBtn(vcl::TComponent* owner)
      : vcl::TBitBtn(owner), png_(std::make_unique<vcl::TBitmap>()) {}
  vcl::TAlignment Alignment() const { return alignment_; }
  void SetAlignment(vcl::TAlignment value) { alignment_ = value; }
  int RawNumGlyphs() const { return num_glyphs_; }
  void SetRawNumGlyphs(int value) { num_glyphs_ = value; }
  vcl::TCustomImageList* Images() const { return images_; }
  void SetImages(vcl::TCustomImageList* value) { images_ = value; }
  int ImageIndex() const { return image_index_; }
  void SetImageIndex(int value) { image_index_ = value; }
  int DisabledIndex() const { return disabled_index_; }
  void SetDisabledIndex(int value) { disabled_index_ = value; }
  vcl::TBitmap* PngImage() const { return png_.get(); }
  void SetPngImage(vcl::TBitmap* value) { png_->Assign(value); }

 private:
  vcl::TAlignment alignment_ = vcl::taLeftJustify;
  int num_glyphs_ = 1;
  vcl::TCustomImageList* images_ = nullptr;
  int image_index_ = -1;
  int disabled_index_ = -1;
  std::unique_ptr<vcl::TBitmap> png_;
};

// Check boxes that take a glyph strip: in a bitmap property of their own,
// or in the Glyph of their Properties object.
class TStripCheckBox : public vcl::TCustomControl {
  VCL_DECLARE_CLASS(TStripCheckBox, vcl::TCustomControl)
 public:
  explicit TStripCheckBox(vcl::TComponent* owner)
      : vcl::TCustomControl(owner), glyphs_(std::make_unique<vcl::TBitmap>()) {}
  vcl::TBitmap* CustomGlyphs() const { return glyphs_.get(); }
  void SetCustomGlyphs(vcl::TBitmap* value) { glyphs_->Assign(value); }
  bool UseCustomGlyphs() const { return use_; }
  void SetUseCustomGlyphs(bool value) {
    if (value && !use_) ++reloads;
    use_ = value;
  }
  vcl::TColor TransparentColor() const { return key_; }
  void SetTransparentColor(vcl::TColor value) { key_ = value; }
  int reloads = 0;

 private:
  std::unique_ptr<vcl::TBitmap> glyphs_;
  bool use_ = false;
  vcl::TColor key_ = vcl::clOlive;
};

class TStripProperties : public vcl::TPersistent {
  VCL_DECLARE_CLASS(TStripProperties, vcl::TPersistent)
 public:
  TStripProperties() : glyph_(std::make_unique<vcl::TBitmap>()) {}
  vcl::TBitmap* Glyph() const { return glyph_.get(); }
  void SetGlyph(vcl::TBitmap* value) { glyph_->Assign(value); }

 private:
  std::unique_ptr<vcl::TBitmap> glyph_;
};

class TPropertiesCheckBox : public vcl::TCustomControl {
  VCL_DECLARE_CLASS(TPropertiesCheckBox, vcl::TCustomControl)
 public:
  using vcl::TCustomControl::TCustomControl;
  TStripProperties* Properties() const { return properties_.get(); }
  void SetProperties(TStripProperties*) {}

 private:
  std::unique_ptr<TStripProperties> properties_ = std::make_unique<TStripProperties>();
};

}  // namespace

VCL_IMPLEMENT_CLASS(TFullBitBtn,
                    EnumProp("Alignment", &TFullBitBtn::Alignment, &TFullBitBtn::SetAlignment,
                             {"taLeftJustify", "taRightJustify", "taCenter"}),
                    IntProp("NumGlyphs", &TFullBitBtn::RawNumGlyphs, &TFullBitBtn::SetRawNumGlyphs),
                    RefProp("Images", &TFullBitBtn::Images, &TFullBitBtn::SetImages),
                    IntProp("ImageIndex", &TFullBitBtn::ImageIndex, &TFullBitBtn::SetImageIndex),
                    IntProp("DisabledIndex", &TFullBitBtn::DisabledIndex, &TFullBitBtn::SetDisabledIndex),
                    ObjProp("PngImage", &TFullBitBtn::PngImage, &TFullBitBtn::SetPngImage))
VCL_IMPLEMENT_CLASS(
    TStripCheckBox, ObjProp("CustomGlyphs", &TStripCheckBox::CustomGlyphs, &TStripCheckBox::SetCustomGlyphs),
    BoolProp("UseCustomGlyphs", &TStripCheckBox::UseCustomGlyphs, &TStripCheckBox::SetUseCustomGlyphs),
    ColorProp("TransparentColor", &TStripCheckBox::TransparentColor, &TStripCheckBox::SetTransparentColor))
VCL_IMPLEMENT_CLASS(TStripProperties, ObjProp("Glyph", &TStripProperties::Glyph, &TStripProperties::SetGlyph))
VCL_IMPLEMENT_CLASS(TPropertiesCheckBox, ObjProp("Properties", &TPropertiesCheckBox::Properties,
                                                 &TPropertiesCheckBox::SetProperties))

namespace {

constexpr vcl::TColor kFace = 0x604020;  // ButtonFace 32,64,96
constexpr vcl::TColor kGlyph = 0x30C090;
constexpr vcl::TColor kKey = 0xFF00FF;

std::string Box(const vcl::TRect& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
         std::to_string(r.bottom);
}

uint32_t FrameColour(int frame) { return Rgb(kButtonStrip[static_cast<size_t>(frame - 1)]); }

// A w x h glyph of one colour with a bottom-left key pixel of another.
std::unique_ptr<vcl::TBitmap> Glyph(int w, int h, vcl::TColor colour) {
  auto glyph = Filled(w, h, colour);
  glyph->Canvas()->SetPixels(0, h - 1, 0x00FF00);
  return glyph;
}

class WinSkinButtonsTest : public SkinControlFormTest {
 protected:
  void SetUp() override {
    SkinControlFormTest::SetUp();
    TestSkinOptions o;
    AddButtonImages(o);
    SkinTheForm(o);
  }
};

TEST_F(WinSkinButtonsTest, BitButtonPlacesItsGlyphByLayout) {
  auto* button = Place(new TFullBitBtn(form_), 10, 10, 75, 25);
  button->SetCaption("");
  button->SetGlyph(Glyph(16, 16, kGlyph).get());
  auto* skin = Skin(new TSkinBitButton(button));
  struct Case {
    const char* layout;
    vcl::TButtonLayout kind;
    int margin, spacing;
    vcl::TAlignment alignment;
    int height;
    int x, y;  // where the glyph lands
  } cases[] = {
      {"left, centred", vcl::blGlyphLeft, -1, 4, vcl::taLeftJustify, 25, 29, 5},
      {"left, margin 5", vcl::blGlyphLeft, 5, -1, vcl::taLeftJustify, 25, 5, 5},
      {"left, margin 5 but centred alignment", vcl::blGlyphLeft, 5, 4, vcl::taCenter, 25, 29, 5},
      {"right, margin 5", vcl::blGlyphRight, 5, 4, vcl::taLeftJustify, 25, 54, 5},
      {"top, centred, 60 high", vcl::blGlyphTop, -1, 4, vcl::taLeftJustify, 60, 30, 22},
      {"bottom, margin 3, 60 high", vcl::blGlyphBottom, 3, 4, vcl::taLeftJustify, 60, 30, 41},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.layout);
    button->SetLayout(c.kind);
    button->SetMargin(c.margin);
    button->SetSpacing(c.spacing);
    button->SetAlignment(c.alignment);
    button->SetBounds(10, 10, 75, c.height);
    skin->RepaintWindow();
    EXPECT_EQ(At(button, c.x + 1, c.y), Rgb(kGlyph));
    EXPECT_EQ(At(button, c.x + 15, c.y + 15), Rgb(kGlyph));
    EXPECT_EQ(At(button, c.x - 1, c.y + 8), FrameColour(1));
    EXPECT_EQ(At(button, c.x + 8, c.y + 16), FrameColour(1));
  }
}

TEST_F(WinSkinButtonsTest, BitButtonGlyphCellsImagesAndNamedPictures) {
  auto* button = Place(new TFullBitBtn(form_), 10, 10, 75, 25);
  button->SetCaption("");
  // Two cells: normal and disabled.
  auto strip = Glyph(32, 16, kGlyph);
  strip->Canvas()->Brush()->SetColor(0x2040E0);
  strip->Canvas()->FillRect(vcl::Rect(16, 0, 32, 15));
  button->SetGlyph(strip.get());
  button->SetRawNumGlyphs(2);
  auto* skin = Skin(new TSkinBitButton(button));
  const int gx = (75 - 16) / 2, gy = 5;
  EXPECT_EQ(At(button, gx + 8, gy + 8), Rgb(kGlyph));
  button->SetEnabled(false);
  const int grey = (0xE0 + 0x40 + 0x20) / 3;
  EXPECT_EQ(At(button, gx + 8, gy + 8), Rgb(vcl::TColor(grey | grey << 8 | grey << 16)));
  EXPECT_EQ(At(button, 2, 2), FrameColour(3));
  // A count of 0 from the control is one cell: the whole strip, disabled, greyed.
  button->SetRawNumGlyphs(0);
  skin->RepaintWindow();
  const int wide = (75 - 32) / 2;
  EXPECT_EQ(At(button, wide + 24, gy + 8), Rgb(vcl::TColor(grey | grey << 8 | grey << 16)));
  button->SetEnabled(true);

  // Without a glyph: the image list's image.
  vcl::TBitmap empty;
  button->SetGlyph(&empty);
  vcl::TImageList images(nullptr);
  images.SetWidth(16);
  images.SetHeight(16);
  images.Add(Filled(16, 16, 0x0080F0).get(), nullptr);
  button->SetImages(&images);
  button->SetImageIndex(0);
  skin->RepaintWindow();
  EXPECT_EQ(At(button, gx + 8, gy + 8), Rgb(0x0080F0));
  // Disabled: the disabled image (a 4 x 4 square on white, the white
  // transparent) in the list's disabled look.
  auto square = Filled(16, 16, vcl::clWhite);
  square->Canvas()->Brush()->SetColor(0x00F080);
  square->Canvas()->FillRect(vcl::Rect(6, 6, 10, 10));
  images.AddMasked(square.get(), vcl::clWhite);
  button->SetDisabledIndex(1);
  button->SetEnabled(false);
  EXPECT_EQ(At(button, gx + 8, gy + 8), Rgb(vcl::clBtnShadow));
  EXPECT_EQ(At(button, gx + 2, gy + 2), FrameColour(3));
  button->SetEnabled(true);
  button->SetImages(nullptr);

  // A named picture is drawn whole: both halves of a 32-wide strip.
  skin->GlyphProperty = "PngImage";
  button->SetPngImage(strip.get());
  button->SetRawNumGlyphs(2);
  skin->RepaintWindow();
  EXPECT_EQ(At(button, wide + 8, gy + 8), Rgb(kGlyph));
  EXPECT_EQ(At(button, wide + 24, gy + 8), Rgb(0x2040E0));
}

TEST_F(WinSkinButtonsTest, MenuButtonShowsItsArrowAndTheHoverFrameWhenFocused) {
  auto* other = Place(new vcl::TButton(form_), 200, 10, 40, 20);
  auto* button = Place(new vcl::TButton(form_), 10, 10, 100, 24);
  button->SetCaption("");
  auto* skin = Skin(new TSkinMenuButton(button));
  struct Case {
    const char* state;
    bool focused, enabled;
    int frame;
    vcl::TColor arrow;
  } cases[] = {
      {"normal", false, true, 1, vcl::clWindowText},
      {"focused", true, true, 4, vcl::clWindowText},
      {"disabled", false, false, 3, vcl::clBtnShadow},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.state);
    button->SetEnabled(c.enabled);
    plat::SetFocus(c.focused ? button->Handle() : other->Handle());
    skin->RepaintWindow();
    EXPECT_EQ(At(button, 4, 4), FrameColour(c.frame));
    // The triangle (88,14), (85,11), (91,11).
    EXPECT_EQ(At(button, 88, 12), Rgb(c.arrow));
    EXPECT_EQ(At(button, 88, 14), Rgb(c.arrow));
    EXPECT_EQ(At(button, 85, 11), Rgb(c.arrow));
    EXPECT_EQ(At(button, 88, 16), FrameColour(c.frame));
    EXPECT_EQ(At(button, 84, 12), FrameColour(c.frame));
  }
}

class WinSkinPlayerTest : public WinSkinButtonsTest {
 protected:
  // A player of two visible buttons, play and stop, 100 x 30.
  vcl::TMediaPlayer* NewPlayer(vcl::TWinControl* parent = nullptr) {
    auto* player = Place(new vcl::TMediaPlayer(form_), 10, 10, 100, 30, parent);
    player->SetVisibleButtons(vcl::TButtonSet{vcl::btPlay, vcl::btStop});
    player->OnClick = [this](vcl::TObject*, vcl::TMPBtnType button, bool&) { clicks_.push_back(button); };
    return player;
  }
  void Press(vcl::TWinControl* control, int x, int y, bool down) {
    if (down) {
      plat::RECT r{};
      plat::GetWindowRect(control->Handle(), &r);
      Screen()->InjectMouseMove(plat::POINT{r.left + x, r.top + y});
    }
    Screen()->InjectMouseButton(plat::backend::MouseButton::Left, down);
    Pump();
  }
  std::vector<vcl::TMPBtnType> clicks_;
};

TEST_F(WinSkinPlayerTest, PanelLiesOverThePlayerAndShowsItsButtons) {
  vcl::TMediaPlayer* player = NewPlayer();
  auto* skin = Skin(new TSkinMP(player));
  TWMediaPlayer* panel = skin->PlayerPanel;
  ASSERT_NE(panel, nullptr);
  EXPECT_EQ(panel->Parent(), form_);
  EXPECT_EQ(Box(panel->BoundsRect()), Box(player->BoundsRect()));
  EXPECT_EQ(panel->Tag(), data_->DisableTag());
  struct Hit {
    int x, button;
  } hits[] = {
      {0, vcl::btPlay}, {50, vcl::btPlay}, {51, vcl::btStop}, {100, vcl::btStop}, {101, kPlayerNoButton}};
  for (const Hit& h : hits) EXPECT_EQ(panel->HitTest(h.x), h.button) << h.x;
  EXPECT_EQ(panel->ButtonWidth, 50);

  // Play coloured in frame 1, stop disabled in frame 3; the play glyph centred.
  player->SetEnabledButtons(vcl::TButtonSet{vcl::btPlay});
  panel->Invalidate();
  EXPECT_EQ(At(panel, 2, 2), FrameColour(1));
  EXPECT_EQ(At(panel, 53, 2), FrameColour(3));
  const int gx = (50 - vcl::kMediaGlyphWidth) / 2, gy = (30 - vcl::kMediaGlyphHeight) / 2;
  EXPECT_EQ(At(panel, gx + 5, gy + 5), Rgb(vcl::MediaGlyphColour(vcl::btPlay)));
  EXPECT_EQ(At(panel, gx + 0, gy + 0), FrameColour(1));
  // Pressed: frame 2 and the glyph a pixel further.
  Press(panel, 10, 10, true);
  EXPECT_EQ(At(panel, 2, 2), FrameColour(2));
  EXPECT_EQ(At(panel, gx + 10, gy + 6), Rgb(vcl::MediaGlyphColour(vcl::btPlay)));
  Press(panel, 10, 10, false);
  EXPECT_EQ(At(panel, 2, 2), FrameColour(1));
  EXPECT_EQ(clicks_, std::vector<vcl::TMPBtnType>{vcl::btPlay});

  // The panel follows the player.
  player->SetBounds(20, 50, 120, 30);
  Pump();
  EXPECT_EQ(Box(panel->BoundsRect()), Box(player->BoundsRect()));
  player->SetVisible(false);
  EXPECT_FALSE(panel->Visible());
}

TEST_F(WinSkinPlayerTest, ClickBelongsToTheButtonPressedAndReleased) {
  vcl::TMediaPlayer* player = NewPlayer();
  auto* skin = Skin(new TSkinMP(player));
  TWMediaPlayer* panel = skin->PlayerPanel;
  ASSERT_NE(panel, nullptr);
  struct Case {
    const char* path;
    int down_x, up_x;
    std::vector<vcl::TMPBtnType> clicks;
  } cases[] = {
      {"on the border of the first", 50, 50, {vcl::btPlay}},
      {"on the second", 75, 75, {vcl::btStop}},
      {"pressed on one, released on the other", 20, 80, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    clicks_.clear();
    Press(panel, c.down_x, 10, true);
    plat::RECT r{};
    plat::GetWindowRect(panel->Handle(), &r);
    Screen()->InjectMouseMove(plat::POINT{r.left + c.up_x, r.top + 10});
    Press(panel, c.up_x, 10, false);
    EXPECT_EQ(clicks_, c.clicks);
    EXPECT_FALSE(panel->IsPressed);
  }
}

TEST_F(WinSkinPlayerTest, PanelIsFreedOnceWhoeverGoesFirst) {
  struct Case {
    const char* first;
  } cases[] = {{"the companion unskinned"}, {"the player"}, {"the parent of both"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.first);
    auto* holder = Place(new vcl::TPanel(form_), 0, 0, 200, 100);
    vcl::TMediaPlayer* player = NewPlayer(holder);
    auto* skin = Skin(new TSkinMP(player));
    ASSERT_NE(skin->PlayerPanel, nullptr);
    const std::string first = c.first;
    if (first == "the companion unskinned") {
      skin->Unskin();
      EXPECT_EQ(skin->PlayerPanel, nullptr);
      EXPECT_TRUE(skin->Helpers().empty());
      EXPECT_EQ(holder->ControlCount(), 1);
      delete holder;
    } else if (first == "the player") {
      TWMediaPlayer* panel = skin->PlayerPanel;
      delete player;
      EXPECT_EQ(skin->SkinState(), kSkinWindowGone);
      EXPECT_FALSE(panel->Visible());
      EXPECT_EQ(panel->MediaPlayer, nullptr);
      // The sweep frees the companion, and the panel with it.
      skin_form_->SkinnedControls().Sweep();
      EXPECT_EQ(holder->ControlCount(), 0);
      delete holder;
    } else {
      delete holder;
      EXPECT_EQ(skin->PlayerPanel, nullptr);
      EXPECT_TRUE(skin->Helpers().empty());
      skin_form_->SkinnedControls().Sweep();
    }
    Pump();
  }
}

TEST_F(WinSkinButtonsTest, CheckBoxesOfTheirOwnPaintingGetAGlyphStrip) {
  const vcl::TColor c1 = kCheckStrip[0], c2 = kCheckStrip[1], c3 = kCheckStrip[2], c4 = kCheckStrip[3];
  auto cells_of = [](vcl::TBitmap* strip, int count) {
    std::vector<vcl::TColor> cells;
    if (strip->Empty()) return cells;
    const int w = strip->Width() / count;
    for (int i = 0; i < count; ++i) cells.push_back(strip->Canvas()->Pixels(i * w + 6, 6));
    return cells;
  };
  auto* check = Place(new TStripCheckBox(form_), 10, 10, 100, 17);
  auto* radio = Place(new TStripCheckBox(form_), 10, 40, 100, 17);
  auto* other = Place(new TPropertiesCheckBox(form_), 10, 70, 100, 17);
  auto* check_skin = new TSkinObjImage(check);
  check_skin->GlyphKind = 1;
  Skin(check_skin);
  auto* radio_skin = new TSkinObjImage(radio);
  radio_skin->GlyphKind = 2;
  Skin(radio_skin);
  auto* other_skin = new TSkinObjImage(other);
  other_skin->GlyphKind = 3;
  Skin(other_skin);
  EXPECT_EQ(cells_of(check->CustomGlyphs(), 9),
            (std::vector<vcl::TColor>{c1, c2, kKey, c1, c2, kKey, c3, c4, kKey}));
  EXPECT_EQ(check->CustomGlyphs()->Height(), 13);
  EXPECT_TRUE(check->UseCustomGlyphs());
  EXPECT_EQ(check->reloads, 1);
  EXPECT_EQ(check->TransparentColor(), kKey);
  EXPECT_EQ(cells_of(radio->CustomGlyphs(), 6),
            (std::vector<vcl::TColor>{kRadioStrip[0], kRadioStrip[1], kRadioStrip[0], kRadioStrip[1],
                                      kRadioStrip[2], kRadioStrip[3]}));
  EXPECT_EQ(cells_of(other->Properties()->Glyph(), 6),
            (std::vector<vcl::TColor>{c1, c2, kKey, c1, c2, kKey}));
  EXPECT_EQ(other->Properties()->Glyph()->TransparentColor(), kKey);

  // A strip of five: the fifth picture in the third cell of each look.
  std::vector<vcl::TColor> five = kCheckStrip;
  five.push_back(0x405060);
  const std::string bmp = FramesBmp(65, 13, 5, false, five);
  vcl::TMemoryStream in;
  in.WriteBuffer(bmp.data(), static_cast<int64_t>(bmp.size()));
  in.SetPosition(0);
  data_->Skin().Buttons->CheckBitmap.LoadFromStream(in);
  data_->Skin().Buttons->CheckButtonFrame = 5;
  check_skin->RefreshSkin();
  EXPECT_EQ(cells_of(check->CustomGlyphs(), 9),
            (std::vector<vcl::TColor>{c1, c2, five[4], c1, c2, five[4], c3, c4, five[4]}));
  EXPECT_EQ(check->reloads, 2);

  // Unskinned: the controls' own glyphs again.
  check_skin->Unskin();
  other_skin->Unskin();
  EXPECT_FALSE(check->UseCustomGlyphs());
  EXPECT_TRUE(other->Properties()->Glyph()->Empty());
}

TEST_F(WinSkinButtonsTest, SizeGripTakesTheFace) {
  plat::HWND grip =
      plat::CreateWindowExA(0, "scrollbar", "", plat::WS_CHILD | plat::WS_VISIBLE | plat::SBS_SIZEGRIP, 10,
                            10, 20, 20, form_->Handle(), nullptr, nullptr, nullptr);
  ASSERT_NE(grip, nullptr);
  SkinWindow(new TSkinSizer(), grip);
  for (auto [x, y] : {std::pair{0, 0}, std::pair{10, 10}, std::pair{19, 19}})
    EXPECT_EQ(ChildPixel(form_, grip, x, y), Rgb(kFace)) << x << "," << y;
  plat::DestroyWindow(grip);
}

}  // namespace
