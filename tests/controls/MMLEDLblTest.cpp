// The dot-matrix label: its size from font and cells, the cells shown for
// each alignment and for UTF-8 captions, the cells painted from the font,
// font errors, and scrolling on the manual clock.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ControlTestSupport.h"
#include "controls/MMLEDLbl.h"
#include "platform/kernel/Clock.h"
#include "platform/vcl/Application.h"
#include "resources/ProgramResources.h"
#include "support/PaintOnGround.h"

namespace controls {
namespace {

class TProbeLabel : public TMMLEDLABEL {
  VCL_DECLARE_CLASS(TProbeLabel, TMMLEDLABEL)
 public:
  using TMMLEDLABEL::Paint;
  using TMMLEDLABEL::TMMLEDLABEL;
};

}  // namespace
}  // namespace controls

VCL_IMPLEMENT_CLASS(controls::TProbeLabel)

namespace controls {
namespace {

constexpr vcl::TColor kGround = 0x030201;

vcl::TColor Rgb(vcl::TColor c) { return static_cast<vcl::TColor>(vcl::ColorToRGB(c)); }

std::vector<int> Codes(const std::string& text) {
  std::vector<int> codes;
  for (char c : text) codes.push_back(static_cast<unsigned char>(c));
  return codes;
}

class MMLEDLblTest : public testing::FormsTest {
 protected:
  static void SetUpTestSuite() { RegisterProgramResources(); }
};

TEST_F(MMLEDLblTest, SizeFollowsFontCellsAndBevel) {
  TMMLEDLABEL label(nullptr);
  EXPECT_EQ(label.BevelExtent(), 3);  // lowered edge and border space 2
  label.SetCaption("12345678901");
  EXPECT_EQ(label.NumChars(), 11);
  EXPECT_EQ(label.Width(), 182);
  EXPECT_EQ(label.Height(), 26);
  label.SetAutoSize(false);
  label.SetFontSize(fs11x13);
  label.SetNumChars(7);
  EXPECT_EQ(label.Width(), 83);
  EXPECT_EQ(label.Height(), 19);
  label.SetBounds(0, 0, 60, 60);  // a width holds as many cells as fit
  EXPECT_EQ(label.NumChars(), 4);
  EXPECT_EQ(label.Width(), 6 + 44);
  label.SetLEDSpace(3);
  EXPECT_EQ(label.Width(), 6 + 4 * 13 - 2);
  label.SetLEDSpace(0);
  EXPECT_EQ(label.LEDSpace(), 3);
  label.SetAutoSize(true);
  label.SetCaption("ab");
  EXPECT_EQ(label.NumChars(), 2);
}

TEST_F(MMLEDLblTest, CaptionIsCutAndAlignedInItsCells) {
  TMMLEDLABEL label(nullptr);
  label.SetAutoSize(false);
  label.SetNumChars(7);
  label.SetCaption("-99,00");
  const struct {
    vcl::TAlignment alignment;
    const char* caption;
    int step;
    const char* cells;
  } cases[] = {
      {vcl::taLeftJustify, "-99,00", 0, "-99,00 "},
      {vcl::taCenter, "-99,00", 0, "-99,00 "},
      {vcl::taRightJustify, "-99,00", 0, " -99,00"},
      {vcl::taCenter, "abc", 0, "  abc  "},
      {vcl::taCenter, "abcd", 0, " abcd  "},
      {vcl::taLeftJustify, "0123456789", 0, "0123456"},
      {vcl::taLeftJustify, "0123456789", 5, "56789  "},
      {vcl::taRightJustify, "0123456789", 0, "3456789"},
      {vcl::taCenter, "0123456789", 0, "1234567"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.caption) + " " + std::to_string(c.alignment));
    label.SetCaption(c.caption);
    label.SetAlignment(c.alignment);
    label.SetCurrentStep(c.step);
    EXPECT_EQ(label.CellCodes(), Codes(c.cells));
  }
}

TEST_F(MMLEDLblTest, Utf8CaptionsMapToTheFontsOwnCellsOrBlank) {
  TMMLEDLABEL label(nullptr);
  label.SetCaption(
      "\xC3\x84\xC3\xA4\xC3\x96\xC3\xB6\xC3\x9C\xC3\xBC\xC3\x9F\xC2\xB1\xE2\x82\xAC\tA~\x7F\xC2\x87");
  EXPECT_EQ(label.NumChars(), 14);
  EXPECT_EQ(label.CellCodes(),
            (std::vector<int>{135, 135, 140, 140, 137, 137, 149, 150, 32, 32, 'A', '~', 32, 32}));
  // A stray byte that starts no sequence is a character of its own, blank.
  label.SetCaption("a\xFF");
  EXPECT_EQ(label.CellCodes(), (std::vector<int>{'a', 32}));
}

TEST_F(MMLEDLblTest, CellsArePaintedFromTheRecolouredFont) {
  TProbeLabel label(nullptr);
  label.SetFontSize(fs11x13);
  label.SetLEDColor(vcl::clYellow);
  label.SetInactiveColor(vcl::clMaroon);
  label.SetCaption("A\xC3\xBC");
  const TMMLEDFont font = LoadLEDFont("FONT_11X13", true, vcl::clYellow, vcl::clMaroon, vcl::clBlack);
  auto bitmap = testsupport::PaintOnGround(label, kGround);
  const int b = label.BevelExtent();
  struct Cell {
    int index, fx, fy;
  } cells[] = {{0, ('A' - 32) * 11, 0}, {1, (137 - 95) * 11, 15}};
  int lit = 0;
  for (const Cell& c : cells)
    for (int y = 0; y < 13; ++y)
      for (int x = 0; x < 11; ++x) {
        const vcl::TColor want = Rgb(font.bitmap->Canvas()->Pixels(c.fx + x, c.fy + y));
        ASSERT_EQ(Rgb(bitmap->Canvas()->Pixels(b + c.index * 11 + x, b + y)), want)
            << c.index << ": " << x << "," << y;
        lit += want == Rgb(vcl::clYellow);
      }
  EXPECT_GT(lit, 20);
  label.SetDoubleBuffer(true);  // the same cells through the buffer
  auto buffered = testsupport::PaintOnGround(label, kGround);
  EXPECT_EQ(testing::ImageOf(*buffered), testing::ImageOf(*bitmap));
}

TEST_F(MMLEDLblTest, FontsThatCannotHoldTheirCellsAreClearErrors) {
  EXPECT_THROW(LoadLEDFont("FONT_MISSING", true, vcl::clLime, vcl::clGreen, vcl::clBlack), EMMLEDError);
  // 24 x 7: not one pixel per cell across 63 cells.
  EXPECT_THROW(LoadLEDFont("LCDS_06X07", true, vcl::clLime, vcl::clGreen, vcl::clBlack), EMMLEDLabelError);
}

class MMLEDLblScrollTest : public MMLEDLblTest {
 protected:
  void Tick() {
    plat::clock::AdvanceMs(100);
    vcl::Application->ProcessMessages();
  }
  plat::ScopedManualClock clock_;
};

TEST_F(MMLEDLblScrollTest, ScrollsStepByStepAndWrapsEachCycle) {
  TMMLEDLABEL label(nullptr);
  label.SetCaption("0123456789");
  label.SetAlignment(vcl::taCenter);
  std::vector<std::string> events;
  label.OnBegin = [&](vcl::TObject*) { events.push_back("begin"); };
  label.OnStep = [&](vcl::TObject*) { events.push_back(std::to_string(label.CurrentStep())); };
  label.OnEnd = [&](vcl::TObject*) { events.push_back("end" + std::to_string(label.CurrentStep())); };
  label.SetAutoScroll(true);
  EXPECT_EQ(label.Alignment(), vcl::taLeftJustify);
  for (int i = 0; i < 20; ++i) Tick();
  const std::vector<std::string> cycle = {"1", "2", "3", "4", "5", "6", "7", "8", "9", "end0"};
  std::vector<std::string> expected = {"begin"};
  expected.insert(expected.end(), cycle.begin(), cycle.end());
  expected.insert(expected.end(), cycle.begin(), cycle.end());
  EXPECT_EQ(events, expected);

  // Shortened while scrolling past its new end: the next tick wraps.
  for (int i = 0; i < 7; ++i) Tick();
  EXPECT_EQ(label.CurrentStep(), 7);
  events.clear();
  label.SetCaption("abc");
  Tick();
  EXPECT_EQ(events, std::vector<std::string>{"end0"});
  Tick();
  EXPECT_EQ(label.CurrentStep(), 1);
  EXPECT_EQ(label.CellCodes(), Codes("bc "));

  label.SetStartStep(5);  // beyond the caption: refused
  EXPECT_EQ(label.StartStep(), 0);
  label.SetAutoScroll(false);
  events.clear();
  for (int i = 0; i < 5; ++i) Tick();
  EXPECT_TRUE(events.empty());
}

}  // namespace
}  // namespace controls
