// The level scale, checked through the calls its canvas records: label texts,
// order and zone colours for each direction and both amplitude scales, the
// ticks' zones for both kinds, nothing drawn where no label fits; the
// writers' limits, Kind's swap and a description round trip.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "displays/DisplayUnits.h"
#include "displays/MMLevelScale.h"
#include "platform/vcl/Application.h"
#include "platform/vcl/FormReader.h"
#include "platform/vcl/FormWriter.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/GraphicsBitmap.h"

using namespace displays;
using vcl::TColor;

namespace {

class TProbeLevelScale : public TMMLevelScale {
  VCL_DECLARE_CLASS(TProbeLevelScale, TMMLevelScale)
 public:
  using TMMLevelScale::Paint;
  using TMMLevelScale::TMMLevelScale;
};

}  // namespace

VCL_IMPLEMENT_CLASS(TProbeLevelScale)

namespace {

constexpr TColor kLow = vcl::clLime, kMiddle = vcl::clYellow, kHigh = vcl::clRed;

class MMLevelScaleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    vcl::InitApplication();
    vcl::InitForms();
    scale_ = std::make_unique<TProbeLevelScale>(nullptr);
    scale_->SetScale1Color(kLow);
    scale_->SetScale2Color(kMiddle);
    scale_->SetScale3Color(kHigh);
  }
  void TearDown() override {
    scale_.reset();
    vcl::DoneForms();
    vcl::DoneApplication();
  }

  // Paints the scale on a bitmap of its size and returns what its canvas drew.
  std::vector<vcl::TCanvasCall> Paint() {
    vcl::TBitmap bitmap;
    bitmap.SetPixelFormat(vcl::pf24bit);
    bitmap.SetSize(std::max(scale_->Width(), 1), std::max(scale_->Height(), 1));
    std::vector<vcl::TCanvasCall> calls;
    vcl::TCanvas* canvas = scale_->Canvas();
    canvas->SetHandle(bitmap.Canvas()->Handle());
    canvas->SetRecorder([&](const vcl::TCanvasCall& call) { calls.push_back(call); });
    scale_->Paint();
    canvas->SetRecorder(nullptr);
    canvas->SetHandle(nullptr);
    return calls;
  }

  static std::vector<vcl::TCanvasCall> Of(const std::vector<vcl::TCanvasCall>& calls,
                                          vcl::TCanvasCallKind kind) {
    std::vector<vcl::TCanvasCall> of;
    for (const auto& call : calls)
      if (call.kind == kind) of.push_back(call);
    return of;
  }
  static std::vector<std::string> Texts(const std::vector<vcl::TCanvasCall>& calls) {
    std::vector<std::string> texts;
    for (const auto& call : Of(calls, vcl::ccText)) texts.push_back(call.text);
    return texts;
  }
  static std::vector<TColor> Colours(const std::vector<vcl::TCanvasCall>& calls, vcl::TCanvasCallKind kind) {
    std::vector<TColor> colours;
    for (const auto& call : Of(calls, kind)) colours.push_back(call.color);
    return colours;
  }

  std::unique_ptr<TProbeLevelScale> scale_;
};

TEST_F(MMLevelScaleTest, LabelsRunFromTheLoudEndAndTheOneThatWouldLeaveTheControlIsLeftOut) {
  const struct {
    const char* name;
    TMMLevelDirection direction;
    bool leftward;  // each label left of the one before
  } cases[] = {{"normal", dirNormal, true}, {"reversed", dirReversed, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    scale_->SetDirection(c.direction);
    const auto calls = Paint();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls[0].kind, vcl::ccFill);
    EXPECT_EQ(calls[0].color, vcl::clBlack);
    EXPECT_EQ(Texts(calls), (std::vector<std::string>{"0", "-5", "-10", "-15", "-20", "-25", "-30"}));
    EXPECT_EQ(Colours(calls, vcl::ccText),
              (std::vector<TColor>{kHigh, kHigh, kMiddle, kMiddle, kLow, kLow, kLow}));
    const auto texts = Of(calls, vcl::ccText);
    for (size_t i = 1; i < texts.size(); ++i)
      EXPECT_EQ(texts[i].rect.left < texts[i - 1].rect.left, c.leftward) << texts[i].text;
    // The 0 dB label sits against its end of the control.
    if (c.leftward)
      EXPECT_EQ(texts[0].rect.right, scale_->Width() - 1);
    else
      EXPECT_EQ(texts[0].rect.left, 0);
    for (const auto& text : texts) {
      EXPECT_GE(text.rect.left, 0);
      EXPECT_LE(text.rect.right, scale_->Width());
    }
  }
}

TEST_F(MMLevelScaleTest, VerticalLabelsRunDownFromTheTop) {
  scale_->SetKind(lkVertical);
  scale_->SetBounds(0, 0, 30, 200);
  scale_->SetScaleTicks(6);
  const auto texts = Of(Paint(), vcl::ccText);
  std::vector<std::string> expected{"0", "-7", "-14", "-21", "-28"};
  ASSERT_EQ(Texts(texts), expected);
  EXPECT_EQ(texts[0].rect.top, 0);
  for (size_t i = 1; i < texts.size(); ++i) EXPECT_GT(texts[i].rect.top, texts[i - 1].rect.top);
  // Right-aligned in one column.
  for (const auto& text : texts) EXPECT_EQ(text.rect.right, texts[0].rect.right);
}

TEST_F(MMLevelScaleTest, TwoPositionsAtLeastAndAmplitudeSpacedLabelsCrowdNearFullScale) {
  scale_->SetScaleTicks(1);
  EXPECT_EQ(scale_->ScaleTicks(), 2);
  EXPECT_EQ(Texts(Paint()), (std::vector<std::string>{"0"}));

  scale_->SetLogAmp(false);
  scale_->SetSensitivy(-72);
  scale_->SetScaleTicks(30);
  scale_->SetWidth(1000);
  const auto texts = Texts(Paint());
  ASSERT_EQ(texts.size(), 29u);  // all but the floor itself (-72), which would start left of the control
  EXPECT_EQ(texts.front(), "0");
  EXPECT_EQ(texts[27], "-23");
  EXPECT_EQ(texts.back(), "-29");  // one step above a floor of 8.2 the level is -29.19 dB
}

TEST_F(MMLevelScaleTest, ControlTooSmallForOneLabelDrawsNoneAndReturns) {
  const struct {
    TMMLevelKind kind;
    int width, height;
  } cases[] = {{lkHorizontal, 3, 7}, {lkVertical, 30, 3}, {lkHorizontal, 0, 7}};
  for (const auto& c : cases) {
    scale_->SetKind(c.kind);
    scale_->SetBounds(0, 0, c.width, c.height);
    for (auto direction : {dirNormal, dirReversed, dirSymetric}) {
      scale_->SetDirection(direction);
      EXPECT_TRUE(Texts(Paint()).empty()) << c.width << "x" << c.height << " " << int(direction);
    }
  }
}

TEST_F(MMLevelScaleTest, SymmetricLabelsFallFromTheMiddleWithPlusTwinsOnTheOtherSide) {
  scale_->SetDirection(dirSymetric);
  scale_->SetWidth(400);
  scale_->SetScaleTicks(4);
  const auto texts = Of(Paint(), vcl::ccText);
  // Positions 3 (the middle, no twin), 2 and 1 with their twins; 0 has no room.
  ASSERT_EQ(Texts(texts), (std::vector<std::string>{"0", "-12", "+12", "-23", "+23"}));
  const int middle = texts[0].rect.left + texts[0].rect.right;  // twice the centre
  EXPECT_LT(texts[1].rect.right, texts[0].rect.left);
  EXPECT_GT(texts[2].rect.left, texts[0].rect.right);
  EXPECT_NEAR(texts[1].rect.left + texts[2].rect.left + texts[1].rect.right - texts[1].rect.left, middle, 2);
}

TEST_F(MMLevelScaleTest, TicksTakeTheZonesFromTheLoudEndAndLeaveTheRestForLabels) {
  const struct {
    const char* name;
    TMMLevelKind kind;
    int width, height;
    std::vector<TColor> ticks;  // from the left or the top
  } cases[] = {
      // Zone limits 5 and 9 of 11 ticks over 200 pixels.
      {"horizontal",
       lkHorizontal,
       200,
       30,
       {kLow, kLow, kLow, kLow, kLow, kMiddle, kMiddle, kMiddle, kMiddle, kHigh, kHigh}},
      // Flipped: limits 2 and 5 of 11 over 210 pixels, loud end at the top.
      {"vertical",
       lkVertical,
       60,
       211,
       {kHigh, kHigh, kMiddle, kMiddle, kMiddle, kLow, kLow, kLow, kLow, kLow, kLow}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    scale_->SetKind(c.kind);
    scale_->SetBounds(0, 0, c.width, c.height);
    scale_->SetScalePos(engine::spAboveOrLeft);
    scale_->Scale()->SetVisible(true);
    const auto calls = Paint();
    const auto lines = Of(calls, vcl::ccLine);
    EXPECT_EQ(Colours(calls, vcl::ccLine), c.ticks);
    ASSERT_EQ(lines.size(), 11u);
    // Long ticks are 7 pixels and hang toward the labels.
    if (c.kind == lkHorizontal) {
      EXPECT_EQ(lines[0].rect.top, 0);
      EXPECT_EQ(lines[0].rect.bottom, 7);
      for (const auto& text : Of(calls, vcl::ccText)) EXPECT_GE(text.rect.top, 7);
    } else {
      EXPECT_EQ(lines[0].rect.left, 0);
      EXPECT_EQ(lines[0].rect.right, 7);
    }
    EXPECT_FALSE(Of(calls, vcl::ccText).empty());
  }

  scale_->SetScalePos(engine::spBoth);
  scale_->SetKind(lkHorizontal);
  scale_->SetBounds(0, 0, 200, 30);
  EXPECT_EQ(Of(Paint(), vcl::ccLine).size(), 22u);
  scale_->Scale()->SetVisible(false);
  EXPECT_TRUE(Of(Paint(), vcl::ccLine).empty());
}

TEST_F(MMLevelScaleTest, WritersClampAndKindSwapsAMismatchedShape) {
  EXPECT_EQ(scale_->Width(), 200);
  EXPECT_EQ(scale_->Height(), 7);
  EXPECT_EQ(scale_->Font()->Name(), "Small Fonts");
  EXPECT_EQ(scale_->Font()->Size(), 6);
  EXPECT_FALSE(scale_->Scale()->Visible());

  scale_->SetKind(lkVertical);
  EXPECT_EQ(scale_->Width(), 7);
  EXPECT_EQ(scale_->Height(), 200);
  scale_->SetKind(lkHorizontal);
  scale_->SetBounds(0, 0, 300, 40);
  scale_->SetKind(lkVertical);
  scale_->SetKind(lkHorizontal);
  EXPECT_EQ(scale_->Width(), 300);  // swapped there and back

  const struct {
    void (TMMLevelScale::*set)(int);
    int (TMMLevelScale::*get)() const;
    int value, stored;
  } cases[] = {
      {&TMMLevelScale::SetPoint1, &TMMLevelScale::Point1, 0, 1},
      {&TMMLevelScale::SetPoint2, &TMMLevelScale::Point2, 101, 100},
      {&TMMLevelScale::SetSensitivy, &TMMLevelScale::Sensitivy, -100, -90},
      {&TMMLevelScale::SetSensitivy, &TMMLevelScale::Sensitivy, 0, -9},
      {&TMMLevelScale::SetScaleTicks, &TMMLevelScale::ScaleTicks, -3, 2},
  };
  for (const auto& c : cases) {
    (scale_.get()->*c.set)(c.value);
    EXPECT_EQ((scale_.get()->*c.get)(), c.stored) << c.value;
  }
}

TEST_F(MMLevelScaleTest, DescriptionRoundTripKeepsTheSettingsAndTheTickPainter) {
  RegisterDisplayClasses();
  scale_->SetName("LevelScale1");
  scale_->SetKind(lkVertical);
  scale_->SetDirection(dirReversed);
  scale_->SetSensitivy(-60);
  scale_->SetLogAmp(false);
  scale_->SetScalePos(engine::spBelowOrRight);
  scale_->Scale()->SetVisible(true);
  scale_->Scale()->SetTickCount(7);
  scale_->Scale()->SetConnect(true);
  const std::string text = vcl::WriteFormText(scale_.get());
  EXPECT_NE(text.find("Scale.TickCount = 7"), std::string::npos) << text;
  EXPECT_EQ(text.find("Scale.Color"), std::string::npos)
      << text;  // not published by the level scale's painter

  TProbeLevelScale read(nullptr);
  vcl::ReadFormText(&read, text);
  EXPECT_EQ(read.Kind(), lkVertical);
  EXPECT_EQ(read.Width(), 7);
  EXPECT_EQ(read.Height(), 200);
  EXPECT_EQ(read.Direction(), dirReversed);
  EXPECT_EQ(read.Sensitivy(), -60);
  EXPECT_FALSE(read.LogAmp());
  EXPECT_EQ(read.ScalePos(), engine::spBelowOrRight);
  EXPECT_EQ(read.Scale1Color(), kLow);
  EXPECT_TRUE(read.Scale()->Visible());
  EXPECT_EQ(read.Scale()->TickCount(), 7);
  EXPECT_TRUE(read.Scale()->Connect());
  EXPECT_NE(vcl::GetClass("TMMLevelScale"), nullptr);
}

}  // namespace
