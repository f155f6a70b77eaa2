// The effect label: presets and clamped writers, the highlight and shadow
// copies by pixels for several directions and depths, alignment of the face
// against the effects, the bitmap face, and the push-button mode that comes
// back up when its press loses capture.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>

#include "ControlTestSupport.h"
#include "controls/MMLabel.h"
#include "displays/ScreenTestSupport.h"
#include "support/PaintOnGround.h"

namespace controls {
namespace {

class TProbeLabel : public TMMLabel {
  VCL_DECLARE_CLASS(TProbeLabel, TMMLabel)
 public:
  using TMMLabel::Paint;
  using TMMLabel::TMMLabel;
};

}  // namespace
}  // namespace controls

VCL_IMPLEMENT_CLASS(controls::TProbeLabel)

namespace controls {
namespace {

using vcl::TColor;

constexpr TColor kGround = 0x204060;
constexpr TColor kShadow = 0x0000FF;
constexpr TColor kFace = 0x000000;

struct Image {
  std::unique_ptr<vcl::TBitmap> bitmap;
  int w = 0, h = 0;
  TColor At(int x, int y) const {
    if (x < 0 || y < 0 || x >= w || y >= h) return kGround;
    return bitmap->Canvas()->Pixels(x, y);
  }
};

class MMLabelTest : public testing::FormsTest {
 protected:
  void SetUp() override {
    FormsTest::SetUp();
    label_ = std::make_unique<TProbeLabel>(nullptr);
    label_->SetCaption("HM");
    label_->Font()->SetColor(kFace);
    label_->SetBounds(0, 0, 80, 40);
  }
  Image Paint() {
    Image image{testsupport::PaintOnGround(*label_, kGround), label_->Width(), label_->Height()};
    return image;
  }
  // The face alone, drawn at the label's origin.
  Image Face() {
    label_->SetEffectStyle(lsNone);
    return Paint();
  }
  std::unique_ptr<TProbeLabel> label_;
};

TEST_F(MMLabelTest, PresetsSetTheEffectsAndWritersClampStoredValues) {
  TMMLabel& l = *label_;
  EXPECT_EQ(l.EffectStyle(), lsRaised);
  l.SetEffectStyle(lsFlying);
  EXPECT_EQ(l.ColourHighlight(), 0x808080);
  EXPECT_EQ(l.DepthHighlight(), 1);
  EXPECT_EQ(l.DepthShadow(), 5);
  EXPECT_EQ(l.DirectionHighlight(), ldDownRight);
  EXPECT_EQ(l.DirectionShadow(), ldDownRight);
  l.SetEffectStyle(lsRaised);
  EXPECT_EQ(l.ColourHighlight(), 0xFFFFFF);
  EXPECT_EQ(l.DirectionHighlight(), ldUpLeft);

  l.SetDepthShadow(3);  // a depth of its own: custom, directions kept
  EXPECT_EQ(l.EffectStyle(), lsCustom);
  EXPECT_EQ(l.DirectionShadow(), ldDownRight);
  EXPECT_EQ(l.DepthShadow(), 3);

  // A stored form may carry anything.
  l.SetDepthShadow(25);
  EXPECT_EQ(l.DepthShadow(), 20);
  l.SetDepthHighlight(-4);
  EXPECT_EQ(l.DepthHighlight(), 0);
  l.SetAngle(400);
  EXPECT_EQ(l.Angle(), 360);
  l.SetAngle(-10);
  EXPECT_EQ(l.Angle(), 0);

  l.SetAlignment(vcl::taCenter);
  l.SetAngle(90);
  EXPECT_EQ(l.Alignment(), vcl::taLeftJustify);
  l.SetAsButton(true);
  EXPECT_EQ(l.EffectStyle(), lsRaised);
  l.SetEffectStyle(lsShadow);
  EXPECT_FALSE(l.AsButton());
}

// Every interior pixel of the effect picture is predicted from the face alone:
// face where the face is solid, shadow where a displaced copy is solid and
// the face has no ink, ground where nothing has ink. Blended edge pixels are
// not predicted.
TEST_F(MMLabelTest, ShadowCopiesLieAtTheirDepthAndDirectionOrExtruded) {
  const Image face = Face();
  struct Case {
    TMMLabelDirection dir;
    int dx, dy, depth;
    TMMLabelOption option;
  } cases[] = {
      {ldDownRight, 1, 1, 1, loNormal}, {ldDownRight, 1, 1, 5, loNormal}, {ldUp, 0, -1, 3, loNormal},
      {ldLeft, -1, 0, 4, loNormal},     {ldDown, 0, 1, 4, loExtrude},     {ldUpRight, 1, -1, 3, loExtrude},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "direction " << int(c.dir) << " depth " << c.depth);
    label_->SetEffectStyle(lsNone);
    label_->SetDirectionShadow(c.dir);
    label_->SetDepthShadow(c.depth);
    label_->SetStyleShadow(c.option);
    label_->SetColourShadow(kShadow);
    const Image shot = Paint();
    // The face moves so that copies up or left stay inside the control.
    const int min_o = std::min({0, c.dx * c.depth, c.dy * c.depth});
    const int first = c.option == loExtrude ? 1 : c.depth;
    int face_pixels = 0, shadow_pixels = 0;
    for (int y = 1; y < shot.h - 1; ++y) {
      for (int x = 1; x < shot.w - 1; ++x) {
        const TColor f = face.At(x + min_o, y + min_o);
        bool shadow_ink = false, shadow_partial = false;
        for (int i = first; i <= c.depth; ++i) {
          const TColor s = face.At(x + min_o - i * c.dx, y + min_o - i * c.dy);
          shadow_ink |= s == kFace;
          shadow_partial |= s != kGround;
        }
        if (f == kFace) {
          ++face_pixels;
          ASSERT_EQ(shot.At(x, y), kFace) << x << "," << y;
        } else if (f == kGround && shadow_ink) {
          ++shadow_pixels;
          ASSERT_EQ(shot.At(x, y), kShadow) << x << "," << y;
        } else if (f == kGround && !shadow_partial) {
          ASSERT_EQ(shot.At(x, y), kGround) << x << "," << y;
        }
      }
    }
    EXPECT_GT(face_pixels, 20);
    EXPECT_GT(shadow_pixels, 5 * c.depth);
  }
}

TEST_F(MMLabelTest, RaisedFaceShiftsByAlignmentAndTheHighlightSitsUpLeft) {
  struct Case {
    vcl::TAlignment alignment;
    int shift;  // of the face against the plain face, in x; always +1 in y
  } cases[] = {{vcl::taLeftJustify, 1}, {vcl::taRightJustify, -1}, {vcl::taCenter, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.alignment);
    label_->SetAlignment(c.alignment);
    const Image plain = Face();
    label_->SetEffectStyle(lsRaised);
    label_->SetColourShadow(kShadow);
    label_->SetColourHighlight(0x00FF00);
    const Image shot = Paint();
    int faces = 0, lights = 0;
    for (int y = 1; y < shot.h - 1; ++y) {
      for (int x = 1; x < shot.w - 1; ++x) {
        if (plain.At(x - c.shift, y - 1) == kFace) {
          ++faces;
          ASSERT_EQ(shot.At(x, y), kFace) << x << "," << y;
        }
        // The highlight is drawn over the shadow, the face over both.
        if (plain.At(x - c.shift + 1, y) == kFace && plain.At(x - c.shift, y - 1) == kGround) {
          ++lights;
          ASSERT_EQ(shot.At(x, y), 0x00FF00) << x << "," << y;
        }
      }
    }
    EXPECT_GT(faces, 20);
    EXPECT_GT(lights, 5);
  }
}

TEST_F(MMLabelTest, BitmapFillsTheLettersAndOpaqueLabelFillsItsColour) {
  const Image face = Face();
  auto green = std::make_unique<vcl::TBitmap>();
  green->SetPixelFormat(vcl::pf24bit);
  green->SetSize(8, 8);
  green->Canvas()->Brush()->SetColor(0x00C000);
  green->Canvas()->FillRect(vcl::Rect(0, 0, 8, 8));
  label_->SetBitmap(green.get());
  label_->SetTransparent(false);
  label_->SetColor(0xC00000);
  const Image shot = Paint();
  int inside = 0, outside = 0;
  for (int y = 1; y < shot.h - 1; ++y) {
    for (int x = 1; x < shot.w - 1; ++x) {
      if (face.At(x, y) == kFace) {
        ++inside;
        ASSERT_EQ(shot.At(x, y), 0x00C000) << x << "," << y;
      }
      if (face.At(x, y) == kGround) {
        ++outside;
        ASSERT_EQ(shot.At(x, y), 0xC00000) << x << "," << y;
      }
    }
  }
  EXPECT_GT(inside, 20);
  EXPECT_GT(outside, 1000);
}

TEST_F(MMLabelTest, LongCaptionIsCutTo255CharactersUnrotated) {
  label_->SetBounds(0, 0, 1400, 40);
  label_->SetEffectStyle(lsNone);
  label_->Font()->SetSize(8);
  // One word: nothing wraps, so the tail would show right of the i's.
  label_->SetCaption(std::string(255, 'i') + std::string(45, 'W'));
  const Image cut = Paint();
  label_->SetCaption(std::string(255, 'i'));
  const Image plain = Paint();
  int ink = 0;
  for (int y = 1; y < 39; ++y) {
    for (int x = 1; x < 1399; ++x) {
      ink += plain.At(x, y) == kFace;
      ASSERT_EQ(cut.At(x, y), plain.At(x, y)) << x << "," << y;
    }
  }
  EXPECT_GT(ink, 255);
  // Rotated, the whole caption is drawn.
  label_->SetCaption(std::string(255, 'i') + std::string(45, 'W'));
  label_->SetAngle(90);
  label_->SetBounds(0, 0, 40, 1400);
  EXPECT_NO_THROW(Paint());
}

// ---- push-button mode on the screen ----

class MMLabelScreenTest : public displaytest::ScreenTest {};

TEST_F(MMLabelScreenTest, ButtonSinksWhilePressedAndRisesWhenThePressLosesCapture) {
  ASSERT_NE(Screen(), nullptr);
  auto* label = new TMMLabel(NewForm());
  label->SetParent(form_);
  label->SetBounds(10, 10, 100, 40);
  label->SetCaption("Go");
  label->SetAsButton(true);
  ShowForm();
  auto* other = new vcl::TForm(vcl::Application);
  other->SetBounds(500, 500, 40, 40);
  other->Show();
  Pump();
  using plat::backend::MouseButton;
  auto press = [&] {
    Screen()->InjectMouseMove(plat::POINT{130, 130});
    Screen()->InjectMouseButton(MouseButton::Left, true);
    Pump();
  };
  press();
  EXPECT_EQ(label->EffectStyle(), lsSunken);
  Screen()->InjectMouseMove(plat::POINT{300, 300});
  Pump();
  EXPECT_EQ(label->EffectStyle(), lsRaised);
  Screen()->InjectMouseMove(plat::POINT{120, 125});
  Pump();
  EXPECT_EQ(label->EffectStyle(), lsSunken);
  Screen()->InjectMouseButton(MouseButton::Left, false);
  Pump();
  EXPECT_EQ(label->EffectStyle(), lsRaised);

  const std::function<void()> losses[] = {[] { plat::ReleaseCapture(); },
                                          [&] { plat::SetCapture(other->Handle()); }};
  for (const auto& lose : losses) {
    press();
    ASSERT_EQ(label->EffectStyle(), lsSunken);
    lose();
    Pump();
    EXPECT_EQ(label->EffectStyle(), lsRaised);
    plat::ReleaseCapture();
    Screen()->InjectMouseButton(MouseButton::Left, false);
    Pump();
  }

  label->SetEnabled(false);
  press();
  EXPECT_EQ(label->EffectStyle(), lsRaised);
  Screen()->InjectMouseButton(MouseButton::Left, false);
  Pump();
}

}  // namespace
}  // namespace controls
