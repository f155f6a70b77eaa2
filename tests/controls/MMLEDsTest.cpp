// The LED lamp, mode lamp, digit and panel: the shared strip cache, the cells
// a digit paints read back from its pixels, the panel's read-outs for values
// that fit and for values its digits cannot show, its layout and its events.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "ControlTestSupport.h"
#include "LedTestSupport.h"
#include "controls/MMLEDs.h"
#include "platform/backend/Backend.h"
#include "platform/backend/HeadlessBackend.h"
#include "platform/user/Input.h"
#include "platform/user/Messages.h"
#include "platform/user/Paint.h"
#include "resources/ProgramResources.h"
#include "support/PaintOnGround.h"

namespace controls {
namespace {

using testing::Dot;
using vcl::TColor;

class TProbeDigit : public TMMLEDDigit {
  VCL_DECLARE_CLASS(TProbeDigit, TMMLEDDigit)
 public:
  using TMMLEDDigit::Paint;
  using TMMLEDDigit::TMMLEDDigit;
};

class TProbeLED : public TMMLED {
  VCL_DECLARE_CLASS(TProbeLED, TMMLED)
 public:
  using TMMLED::Paint;
  using TMMLED::TMMLED;
};

class TProbeMode : public TMMLEDMode {
  VCL_DECLARE_CLASS(TProbeMode, TMMLEDMode)
 public:
  using TMMLEDMode::Paint;
  using TMMLEDMode::TMMLEDMode;
};

}  // namespace
}  // namespace controls

VCL_IMPLEMENT_CLASS(controls::TProbeDigit)
VCL_IMPLEMENT_CLASS(controls::TProbeLED)
VCL_IMPLEMENT_CLASS(controls::TProbeMode)

namespace controls {
namespace {

constexpr TColor kGround = 0x030201;

TColor Rgb(TColor c) { return static_cast<TColor>(vcl::ColorToRGB(c)); }

TColor PixelOf(vcl::TBitmap& b, int x, int y) { return Rgb(b.Canvas()->Pixels(x, y)); }

// Lit in led, unlit in inactive, background in back.
std::function<Dot(int, int)> Classifier(vcl::TBitmap& b, TColor led, TColor inactive, TColor back) {
  return [&b, led, inactive, back](int x, int y) {
    const TColor c = PixelOf(b, x, y);
    return c == Rgb(led)        ? Dot::kLit
           : c == Rgb(inactive) ? Dot::kUnlit
           : c == Rgb(back)     ? Dot::kBack
                                : Dot::kOther;
  };
}

class MMLEDsTest : public testing::FormsTest {
 protected:
  static void SetUpTestSuite() { RegisterProgramResources(); }
  void TearDown() override {
    EXPECT_EQ(DigitCache(), nullptr) << "a strip was not given back";
    testing::FormsTest::TearDown();
  }
  static void Pump() {
    plat::user::PumpBackendEvents(0);
    plat::MSG msg;
    while (plat::PeekMessageA(&msg, nullptr, 0, 0, plat::PM_REMOVE)) plat::DispatchMessageA(&msg);
  }
};

// ---- cache ------------------------------------------------------------------

TEST_F(MMLEDsTest, DigitsOfOneKeyShareAStripUntilTheLastGoes) {
  auto a = std::make_unique<TMMLEDDigit>(nullptr);
  auto b = std::make_unique<TMMLEDDigit>(nullptr);
  ASSERT_NE(DigitCache(), nullptr);
  EXPECT_EQ(a->Strip(), b->Strip());
  EXPECT_EQ(DigitCache()->Count(), 1);
  EXPECT_EQ(DigitCache()->RefCount(a->Strip()), 2);

  vcl::TBitmap* shared = a->Strip();
  b->SetLEDColor(vcl::clRed);
  EXPECT_NE(b->Strip(), shared);
  EXPECT_EQ(a->Strip(), shared);
  EXPECT_EQ(DigitCache()->Count(), 2);
  EXPECT_EQ(DigitCache()->RefCount(shared), 1);
  b->SetLEDColor(vcl::clLime);  // back to the shared key; the red strip goes
  EXPECT_EQ(b->Strip(), shared);
  EXPECT_EQ(DigitCache()->Count(), 1);
  EXPECT_EQ(DigitCache()->RefCount(shared), 2);

  a.reset();
  EXPECT_EQ(DigitCache()->RefCount(shared), 1);
  b.reset();
  EXPECT_EQ(DigitCache(), nullptr);
}

// ---- digit ------------------------------------------------------------------

TEST_F(MMLEDsTest, DigitPaintsEveryDigitAndSignFromItsStrip) {
  for (TMMLEDSize size : {ls06x07, ls13x21, ls23x41}) {
    TProbeDigit digit(nullptr);
    digit.SetColor(vcl::clNavy);
    digit.SetLEDColor(vcl::clYellow);
    digit.SetInactiveColor(vcl::clMaroon);
    digit.SetDigitSize(size);
    auto read = [&] {
      auto bitmap = testsupport::PaintOnGround(digit, kGround);
      return testing::ReadLedCell(Classifier(*bitmap, vcl::clYellow, vcl::clMaroon, vcl::clNavy), 0, 0,
                                  digit.Width(), digit.Height());
    };
    std::string shown;
    for (int v = 0; v < 10; ++v) {
      digit.SetValue(v);
      shown += read();
    }
    for (TMMLEDType type : {ltPeriod, ltColon, ltMinus}) {
      digit.SetDisplayType(type);
      shown += read();
    }
    EXPECT_EQ(shown, "0123456789.:-") << size;
  }
}

TEST_F(MMLEDsTest, DigitTakesItsCellSizeAndKeepsValuesOutsideItsRange) {
  TMMLEDDigit digit(nullptr);
  digit.SetBounds(5, 6, 100, 100);
  EXPECT_EQ(digit.Width(), 13);  // LCD_13X21: 143 x 21 in 11 cells
  EXPECT_EQ(digit.Height(), 21);
  EXPECT_EQ(digit.Left(), 5);
  digit.SetDigitSize(ls23x41);
  EXPECT_EQ(digit.Width(), 23);
  EXPECT_EQ(digit.Height(), 41);

  digit.SetZeroBlank(true);
  EXPECT_EQ(digit.CellShown(), 0);
  digit.SetValue(7);
  EXPECT_EQ(digit.CellShown(), 8);
  digit.SetEnabled(false);
  EXPECT_EQ(digit.CellShown(), 0);
  digit.SetEnabled(true);

  digit.SetMinValue(2);
  digit.SetValue(1);
  EXPECT_EQ(digit.Value(), 7);
  digit.SetMaxValue(5);  // lowered past the value: the value follows
  EXPECT_EQ(digit.Value(), 5);
  digit.SetMinValue(10);
  EXPECT_EQ(digit.MinValue(), 2);
  digit.SetConnect(&digit);
  EXPECT_EQ(digit.Connect(), nullptr);
}

// ---- panel ------------------------------------------------------------------

struct PanelCase {
  int num_digits;
  bool zero_blank;
  int min_value, max_value, value;
  const char* shown;
};

TEST_F(MMLEDsTest, PanelShowsValuesThatFitAndMinusesForThoseThatDoNot) {
  const PanelCase cases[] = {
      {3, true, 0, 999, 7, "  7"},
      {3, true, 0, 999, 40, " 40"},
      {3, true, 0, 999, 100, "100"},
      {3, false, 0, 999, 7, "007"},
      {3, false, -99, 99, -5, "-05"},
      {3, true, -99, 99, -5, "- 5"},
      {3, false, -999, 999, -99, "-99"},
      {3, false, -999, 999, 999, "999"},
      {1, false, -9, 9, 0, "0"},
      // Values the digits cannot show: never a different number.
      {2, false, 0, 100, 100, "--"},         // not "00"
      {3, false, -999, 999, -150, "---"},    // not "-50"
      {3, false, -9999, 9999, 1000, "---"},  // not "000"
      {1, false, -9, 9, -1, "-"},            // no room for a digit after the minus
      {9, false, INT32_MIN, INT32_MAX, INT32_MIN, "---------"},
      {9, false, 0, INT32_MAX, 999999999, "999999999"},
  };
  for (const PanelCase& c : cases) {
    SCOPED_TRACE(std::to_string(c.num_digits) + " digits, " + std::to_string(c.value));
    TMMLEDPanel panel(nullptr);
    panel.SetNumDigits(c.num_digits);
    panel.SetMinValue(c.min_value);
    panel.SetMaxValue(c.max_value);
    panel.SetZeroBlank(c.zero_blank);
    panel.SetValue(c.value);
    EXPECT_EQ(panel.Value(), c.value);
    EXPECT_EQ(testing::Shown(panel), c.shown);
  }
}

TEST_F(MMLEDsTest, PanelReadsBackAsItsValueOnTheScreen) {
  auto form = std::make_unique<vcl::TForm>(nullptr);
  form->SetBorderStyle(vcl::bsNone);
  form->SetBounds(0, 0, 200, 100);
  auto* panel = new TMMLEDPanel(form.get());
  panel->SetParent(form.get());
  panel->SetNumDigits(4);
  panel->SetMinValue(-999);
  panel->SetLEDColor(vcl::clWhite);
  panel->SetInactiveColor(vcl::clGray);
  panel->SetLeft(10);
  panel->SetTop(10);
  form->Show();
  auto* screen = dynamic_cast<plat::backend::HeadlessBackend*>(&plat::backend::Current());
  ASSERT_NE(screen, nullptr);
  auto read = [&] {
    plat::UpdateWindow(form->Handle());
    Pump();
    std::string s;
    const int b = panel->BevelExtent();
    for (int i = 0; i < 4; ++i) {
      const int x0 = panel->Left() + b + i * 14, y0 = panel->Top() + b;
      s += testing::ReadLedCell(
          [&](int x, int y) {
            const uint32_t v = screen->PresentedPixel(form->Handle(), x, y) & 0xFFFFFF;
            return v == 0xFFFFFF   ? Dot::kLit
                   : v == 0x808080 ? Dot::kUnlit
                   : v == 0        ? Dot::kBack
                                   : Dot::kOther;
          },
          x0, y0, 13, 21);
    }
    return s;
  };
  panel->SetValue(-42);
  EXPECT_EQ(read(), "-042");
  panel->SetValue(100);  // the default maximum
  EXPECT_EQ(read(), "0100");
  panel->SetNumDigits(2);
  EXPECT_EQ(read().substr(0, 2), "--");
}

TEST_F(MMLEDsTest, PanelClampsFiresOnChangeOnceAndRefusesBadCounts) {
  TMMLEDPanel panel(nullptr);
  EXPECT_EQ(panel.NumDigits(), 2);
  EXPECT_EQ(panel.MaxValue(), 100);
  int changes = 0;
  panel.OnChange = [&](vcl::TObject* sender) {
    EXPECT_EQ(sender, &panel);
    ++changes;
  };
  panel.SetNumDigits(3);
  panel.SetValue(250);
  EXPECT_EQ(panel.Value(), 100);
  EXPECT_EQ(changes, 1);
  panel.SetValue(100);
  EXPECT_EQ(changes, 1);
  panel.SetMaxValue(50);  // moved past the value: the value follows
  EXPECT_EQ(panel.Value(), 50);
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(testing::Shown(panel), "050");

  panel.SetNumDigits(0);
  panel.SetNumDigits(10);
  EXPECT_EQ(panel.NumDigits(), 3);
  panel.SetLEDSpace(0);
  EXPECT_EQ(panel.LEDSpace(), 1);
}

TEST_F(MMLEDsTest, PanelArrangesItsDigitsInsideTheBevel) {
  TMMLEDPanel panel(nullptr);
  panel.SetNumDigits(3);
  panel.Bevel()->SetBorderWidth(2);
  const int b = panel.BevelExtent();
  ASSERT_GT(b, 0);
  EXPECT_EQ(panel.Width(), 2 * b + 3 * 14 - 1);
  EXPECT_EQ(panel.Height(), 2 * b + 21);
  panel.SetBounds(0, 0, 500, 500);  // the size stays the arranged one
  EXPECT_EQ(panel.Width(), 2 * b + 3 * 14 - 1);
  EXPECT_EQ(panel.Digit(2)->Left(), b);  // most significant first
  EXPECT_EQ(panel.Digit(0)->Left(), b + 2 * 14);
  EXPECT_EQ(panel.Digit(0)->Top(), b);
  panel.SetLEDSpace(4);
  EXPECT_EQ(panel.Width(), 2 * b + 3 * 17 - 4);
  panel.SetDigitSize(ls06x07);
  EXPECT_EQ(panel.Width(), 2 * b + 3 * 10 - 4);
  EXPECT_EQ(panel.Height(), 2 * b + 7);
  // Colours reach every digit, which fetches its strip again.
  vcl::TBitmap* before = panel.Digit(1)->Strip();
  panel.SetLEDColor(vcl::clRed);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(panel.Digit(i)->LEDColor(), vcl::clRed);
  EXPECT_NE(panel.Digit(1)->Strip(), before);
  panel.SetColor(vcl::clNavy);
  EXPECT_EQ(panel.Digit(2)->Color(), vcl::clNavy);
  panel.SetEnabled(false);
  EXPECT_EQ(testing::Shown(panel), "   ");
}

// ---- lamps ------------------------------------------------------------------

TEST_F(MMLEDsTest, LampPaintsLitOrUnlitOrLeavesItToOnPaint) {
  TProbeLED led(nullptr);
  EXPECT_EQ(led.Width(), 16);
  EXPECT_EQ(led.Height(), 8);
  led.Bevel()->SetBevelOuter(engine::bvNone);
  EXPECT_EQ(PixelOf(*testsupport::PaintOnGround(led, kGround), 8, 4), Rgb(vcl::clLime));
  led.SetEnabled(false);
  EXPECT_EQ(PixelOf(*testsupport::PaintOnGround(led, kGround), 8, 4), Rgb(vcl::clGreen));
  int painted = 0;
  led.OnPaint = [&](vcl::TObject*, vcl::TCanvas*, const vcl::TRect& r) {
    ++painted;
    EXPECT_EQ(r.right, 16);
  };
  EXPECT_EQ(PixelOf(*testsupport::PaintOnGround(led, kGround), 8, 4), kGround);
  EXPECT_EQ(painted, 1);
}

TEST_F(MMLEDsTest, ModeLampStretchesTheCellOfItsMode) {
  TProbeMode mode(nullptr);
  mode.SetColor(vcl::clBlack);
  mode.SetBounds(0, 0, 54, 22);  // twice the cell
  auto lit_at = [&](int x, int y) {
    return PixelOf(*testsupport::PaintOnGround(mode, kGround), x, y) == Rgb(vcl::clLime);
  };
  // The middle lamp lies at x 10..16 of a cell, the left one at 2..8.
  EXPECT_TRUE(lit_at(26, 10));
  EXPECT_FALSE(lit_at(10, 10));
  mode.SetMode(mStereo);
  EXPECT_FALSE(lit_at(26, 10));
  EXPECT_TRUE(lit_at(10, 10));
  mode.SetMode(mMultiChannel);
  EXPECT_TRUE(lit_at(26, 10));
  mode.SetEnabled(false);
  EXPECT_FALSE(lit_at(26, 10));
  EXPECT_EQ(PixelOf(*testsupport::PaintOnGround(mode, kGround), 26, 10), Rgb(vcl::clGreen));
}

TEST_F(MMLEDsTest, AMissingStripIsAClearError) {
  EXPECT_THROW(LoadLEDBitmap("LCD_99X99", true, vcl::clLime, vcl::clGreen, vcl::clBlack), EMMLEDError);
}

}  // namespace
}  // namespace controls
