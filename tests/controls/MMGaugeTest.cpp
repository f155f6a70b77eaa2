// The gauge: its percentage in 64 bits with the bounds' rules, repaints only
// when the shown percentage moves, the text, and each kind by its pixels.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "ControlTestSupport.h"
#include "controls/MMGauge.h"
#include "platform/vcl/FormReader.h"
#include "platform/vcl/StdControlsTestSupport.h"
#include "support/PaintOnGround.h"

namespace controls {
namespace {

class TProbeGauge : public TMMGauge {
  VCL_DECLARE_CLASS(TProbeGauge, TMMGauge)
 public:
  using TMMGauge::Paint;
  using TMMGauge::TMMGauge;
  int paints = 0;

 protected:
  void PaintGauge(vcl::TCanvas* canvas, const vcl::TRect& rect) override {
    ++paints;
    TMMGauge::PaintGauge(canvas, rect);
  }
};

}  // namespace
}  // namespace controls

VCL_IMPLEMENT_CLASS(controls::TProbeGauge)

namespace controls {
namespace {

constexpr vcl::TColor kFore = 0x0000C0, kBack = 0xF0F0F0, kColor = 0x303030, kGround = 0x010203;

class MMGaugeTest : public vcltest::StdControlsTest {};

TEST_F(MMGaugeTest, PercentageFollowsTheBoundsIn64Bits) {
  struct Case {
    int32_t min, max, progress;
    int32_t stored;
    int percent;
  };
  const Case cases[] = {
      {0, 100, 42, 42, 42},
      {0, 100, 250, 100, 100},
      {0, 100, -5, 0, 0},
      {50, 50, 50, 50, 0},  // no range: 0 %
      {0, 100000000, 30000000, 30000000, 30},
      {-2147483647, 2147483647, 0, 0, 50},
      {-2147483647, 2147483647, 2147483647, 2147483647, 100},
      {INT32_MIN, 0, INT32_MIN, -2147483647, 0},  // the lowest MinValue is -2147483647
      {0, 1000, 105, 105, 10},
  };
  for (const Case& c : cases) {
    TMMGauge gauge(nullptr);
    gauge.SetMaxValue(c.max);
    gauge.SetMinValue(c.min);
    gauge.SetProgress(c.progress);
    EXPECT_EQ(gauge.Progress(), c.stored) << c.min << ".." << c.max << " " << c.progress;
    EXPECT_EQ(gauge.PercentDone(), c.percent) << c.min << ".." << c.max << " " << c.progress;
  }
  TMMGauge gauge(nullptr);
  EXPECT_EQ(gauge.Width(), 150);
  EXPECT_EQ(gauge.Height(), 18);
  gauge.SetMinValue(500);  // not above MaxValue
  EXPECT_EQ(gauge.MinValue(), 100);
  gauge.SetMinValue(0);
  gauge.SetMaxValue(-10);  // not below MinValue
  EXPECT_EQ(gauge.MaxValue(), 0);
}

TEST_F(MMGaugeTest, ABoundMovedPastProgressKeepsItButShowsAtMostAHundred) {
  TMMGauge gauge(nullptr);
  gauge.SetProgress(80);
  gauge.SetMaxValue(40);
  EXPECT_EQ(gauge.Progress(), 80);
  EXPECT_EQ(gauge.PercentDone(), 100);
  EXPECT_EQ(gauge.PercentText(), "100%");
  gauge.SetMaxValue(100);
  gauge.SetMinValue(90);
  EXPECT_EQ(gauge.Progress(), 80);
  EXPECT_EQ(gauge.PercentDone(), 0);
  gauge.SetProgress(80);  // written again: clamped now
  EXPECT_EQ(gauge.Progress(), 90);
}

TEST_F(MMGaugeTest, RepaintsOnlyWhenTheShownPercentageMoves) {
  auto* gauge = new TProbeGauge(form_);
  gauge->SetParent(form_);
  gauge->SetMaxValue(1000);
  gauge->SetProgress(100);
  ShowForm();
  struct Step {
    int32_t progress;
    bool repaint;
  };
  for (const Step& s :
       {Step{105, false}, Step{109, false}, Step{110, true}, Step{110, false}, Step{5, true}}) {
    gauge->paints = 0;
    gauge->SetProgress(s.progress);
    EXPECT_EQ(gauge->paints > 0, s.repaint) << s.progress;  // at once, before any message
  }
}

TEST_F(MMGaugeTest, TextJoinsCaptionAndPercentage) {
  TMMGauge gauge(nullptr);
  gauge.SetProgress(42);
  EXPECT_EQ(gauge.PercentText(), "42%");
  gauge.SetCaption("Scanning...");
  EXPECT_EQ(gauge.PercentText(), "Scanning... 42%");
}

class GaugePixels : public MMGaugeTest {
 protected:
  std::unique_ptr<vcl::TBitmap> PaintGauge(TMMGaugeKind kind, int width, int height, int percent,
                                           bool show_text = false) {
    TProbeGauge gauge(nullptr);
    gauge.SetBounds(0, 0, width, height);
    gauge.Bevel()->SetBevelOuter(engine::bvNone);  // the picture fills the control
    gauge.SetKind(kind);
    gauge.SetForeColor(kFore);
    gauge.SetBackColor(kBack);
    gauge.SetColor(kColor);
    gauge.SetShowText(show_text);
    gauge.SetProgress(percent);
    return testsupport::PaintOnGround(gauge, kGround);
  }
  static vcl::TColor At(vcl::TBitmap& b, int x, int y) { return b.Canvas()->Pixels(x, y); }
};

TEST_F(GaugePixels, Bars) {
  auto h = PaintGauge(gkHorizontalBar, 200, 18, 50);
  EXPECT_EQ(At(*h, 0, 9), kFore);
  EXPECT_EQ(At(*h, 99, 17), kFore);
  EXPECT_EQ(At(*h, 100, 0), kBack);
  EXPECT_EQ(At(*h, 199, 9), kBack);
  auto odd = PaintGauge(gkHorizontalBar, 100, 18, 29);  // 29 pixels, not one short
  EXPECT_EQ(At(*odd, 28, 9), kFore);
  EXPECT_EQ(At(*odd, 29, 9), kBack);
  auto v = PaintGauge(gkVerticalBar, 20, 100, 25);
  EXPECT_EQ(At(*v, 10, 99), kFore);
  EXPECT_EQ(At(*v, 10, 75), kFore);
  EXPECT_EQ(At(*v, 10, 74), kBack);
  auto none = PaintGauge(gkHorizontalBar, 200, 18, 0);
  EXPECT_EQ(At(*none, 0, 9), kBack);
  auto text = PaintGauge(gkText, 60, 18, 70);
  EXPECT_EQ(At(*text, 0, 0), kBack);
  EXPECT_EQ(At(*text, 59, 17), kBack);
}

TEST_F(GaugePixels, PieFillsClockwiseFromTheTop) {
  auto quarter = PaintGauge(gkPie, 101, 101, 25);
  EXPECT_EQ(At(*quarter, 0, 0), kColor);   // outside the circle
  EXPECT_EQ(At(*quarter, 75, 25), kFore);  // top right
  EXPECT_EQ(At(*quarter, 25, 25), kBack);  // top left
  EXPECT_EQ(At(*quarter, 75, 75), kBack);  // bottom right
  EXPECT_EQ(At(*quarter, 25, 75), kBack);  // bottom left
  auto most = PaintGauge(gkPie, 101, 101, 75);
  EXPECT_EQ(At(*most, 75, 75), kFore);
  EXPECT_EQ(At(*most, 25, 75), kFore);
  EXPECT_EQ(At(*most, 25, 25), kBack);
  auto empty = PaintGauge(gkPie, 101, 101, 0);
  EXPECT_EQ(At(*empty, 75, 25), kBack);
}

TEST_F(GaugePixels, NeedlePointsLeftUpOrRight) {
  // A 101 x 51 dial, the pivot at (50, 50) on the bottom line.
  struct Case {
    int percent;
    int x, y;  // a point the needle crosses, half way out
  };
  for (const Case& c : {Case{50, 50, 25}, Case{75, 67, 33}, Case{25, 32, 32}}) {
    auto dial = PaintGauge(gkNeedle, 101, 51, c.percent);
    EXPECT_EQ(At(*dial, c.x, c.y), kFore) << c.percent;
    EXPECT_EQ(At(*dial, 20, 50), kFore) << c.percent;  // the bottom line
  }
  auto up = PaintGauge(gkNeedle, 101, 51, 50);
  EXPECT_EQ(At(*up, 40, 25), kBack);
  EXPECT_EQ(At(*up, 60, 25), kBack);
  EXPECT_EQ(At(*up, 0, 0), kColor);  // outside the half dial
  auto zero = PaintGauge(gkNeedle, 101, 51, 0);
  EXPECT_EQ(At(*zero, 50, 25), kBack);
}

TEST_F(GaugePixels, PercentTextInvertsWhatLiesBelowIt) {
  auto plain = PaintGauge(gkHorizontalBar, 200, 30, 50);
  auto text = PaintGauge(gkHorizontalBar, 200, 30, 50, true);
  // Only pixels inside the centred text's box change, and every change is the
  // inverse of the pixel below.
  int changed = 0;
  bool outside = false;
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 200; ++x) {
      const vcl::TColor a = At(*plain, x, y), b = At(*text, x, y);
      if (a == b) continue;
      ++changed;
      EXPECT_EQ(b, a ^ 0xFFFFFF) << x << "," << y;
      if (x < 70 || x >= 130) outside = true;
    }
  EXPECT_GT(changed, 10);
  EXPECT_FALSE(outside);
}

TEST_F(MMGaugeTest, StoredBoundsAboveTheDefaultsSurviveLoading) {
  vcl::RegisterClass(TMMGauge::StaticClass());
  auto* form = new vcl::TForm(vcl::Application);
  vcl::ReadFormText(form, R"(object Form1: TForm
  object Gauge1: TMMGauge
    Kind = gkPie
    MinValue = 200
    MaxValue = 500
    Progress = 350
    Caption = 'Converting'
  end
end
)");
  auto* gauge = dynamic_cast<TMMGauge*>(form->FindComponent("Gauge1"));
  ASSERT_NE(gauge, nullptr);
  EXPECT_EQ(gauge->Kind(), gkPie);
  EXPECT_EQ(gauge->MinValue(), 200);
  EXPECT_EQ(gauge->MaxValue(), 500);
  EXPECT_EQ(gauge->Progress(), 350);
  EXPECT_EQ(gauge->PercentText(), "Converting 50%");
}

}  // namespace
}  // namespace controls
