// Smoke test on a real X display: a form holding one of each of the LED
// lamps and panels, the LED spin edit, the dot-matrix label, the effect
// label, the bitmap button and the slider, shown through the sdl backend, with a few of their
// pixels read from the X screen. Skipped where there is no display or SDL
// video cannot start.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "controls/MMBmpBtn.h"
#include "controls/MMBmpLst.h"
#include "controls/MMLEDLbl.h"
#include "controls/MMLEDSpin.h"
#include "controls/MMLEDs.h"
#include "controls/MMLabel.h"
#include "controls/MMSlider.h"
#include "platform/user/Geometry.h"
#include "platform/user/Paint.h"
#include "platform/vcl/GraphicsBitmap.h"
#include "resources/ProgramResources.h"
#include "tools/resgen/LedGeometry.h"
// Last: the X headers it pulls in define macros that clash with names above.
#include "app/ScreenSupport.h"
#include "support/PumpUntil.h"

namespace {

using apptest::Pump;

uint32_t Rgb(vcl::TColor c) {
  const auto v = static_cast<uint32_t>(vcl::ColorToRGB(c));
  return ((v & 0xFF) << 16) | (v & 0xFF00) | ((v >> 16) & 0xFF);
}

class ControlPanelSmokeTest : public apptest::ScreenTest {
 protected:
  static void SetUpTestSuite() { RegisterProgramResources(); }

  template <class T>
  T* Add(int left, int top, int width, int height) {
    auto* control = new T(form_);
    control->SetParent(form_);
    control->SetBounds(left, top, width, height);
    return control;
  }

  vcl::TForm* form_ = nullptr;
};

TEST_F(ControlPanelSmokeTest, LedsLabelsButtonAndSliderShowOnTheScreen) {
  using namespace controls;
  form_ = new vcl::TForm(vcl::Application);
  form_->SetBounds(40, 40, 420, 200);
  form_->SetCaption("Read-outs");
  form_->SetColor(vcl::clWhite);

  auto* lamp = Add<TMMLED>(10, 10, 20, 20);
  lamp->SetLEDColor(vcl::clRed);
  Add<TMMLEDMode>(40, 10, 27, 11);
  Add<TMMLEDDigit>(80, 10, 13, 21);
  Add<TMMLEDPanel>(100, 10, 60, 30);
  auto* dots = Add<TMMLEDLABEL>(170, 10, 200, 30);
  dots->SetCaption("-12.5");

  auto* label = Add<TMMLabel>(10, 50, 150, 40);
  label->SetCaption("Level");
  label->SetTransparent(false);
  label->SetColor(0x00C0FF);

  auto* list = new TMMBitmapList(form_);
  vcl::TBitmap glyphs;
  glyphs.SetPixelFormat(vcl::pf24bit);
  glyphs.SetSize(60, 20);
  glyphs.Canvas()->Brush()->SetColor(0x8000C0);
  glyphs.Canvas()->FillRect(vcl::Rect(0, 0, 60, 20));
  glyphs.Canvas()->SetPixels(0, 19, vcl::clWhite);
  list->Add(&glyphs);
  auto* button = Add<TMMBitmapButton>(180, 50, 44, 36);
  button->SetButtonStyle(bsRegular);
  button->SetNumGlyphs(3);
  button->SetBitmapList(list);
  button->SetBitmapIndex(0);

  auto* slider = Add<TMMSlider>(10, 110, 200, 40);
  slider->SetThumbColor(0x00A000);
  slider->SetPosition(10);

  auto* spin = Add<TMMLEDSpin>(250, 110, 0, 0);
  spin->SetLEDColor(0xFF8000);
  spin->SetValue(8);

  form_->Show();
  plat::UpdateWindow(form_->Handle());

  // The thumb at the right end of the track: bevel 6, 11 pixels wide.
  const vcl::TPoint thumb = slider->ClientToScreen(vcl::TPoint{200 - 6 - 6, 20});
  auto painted = [&] {
    plat::RECT window{};
    plat::GetWindowRect(form_->Handle(), &window);
    auto pixel = sdl_->ReadBackPixel(form_->Handle(), thumb.x - window.left, thumb.y - window.top);
    return pixel && *pixel == Rgb(0x00A000);
  };
  // The X server shows the window in its own time, not the manual clock's.
  testsupport::PumpUntil(painted, {.serve = Pump, .limit_ms = 5000, .pause_us = 0});
  ASSERT_TRUE(painted()) << "the window never showed its slider";

#ifdef QUELLIX_HAVE_XLIB
  // The middle bar of the units digit, the panel's rightmost 13 x 21 cell.
  const TMMLEDPanel* panel = spin->Panel();
  const resgen::LedBox bar = resgen::LedSegments(13, 21)[6];
  const int units_left = panel->Width() - panel->BevelExtent() - 13;
  const vcl::TPoint spin_bar =
      panel->ClientToScreen(vcl::TPoint{units_left + bar.CenterX(), panel->BevelExtent() + bar.CenterY()});
  apptest::XScreenshot shot;
  if (!shot.Ready()) GTEST_SKIP() << "cannot read the X screen";
  struct Probe {
    const char* what;
    vcl::TPoint at;
    uint32_t expected;
  } probes[] = {
      {"lit lamp", lamp->ClientToScreen(vcl::TPoint{10, 10}), Rgb(vcl::clRed)},
      {"label ground", label->ClientToScreen(vcl::TPoint{140, 35}), Rgb(0x00C0FF)},
      {"button glyph", button->ClientToScreen(vcl::TPoint{22, 18}), Rgb(0x8000C0)},
      {"slider thumb", thumb, Rgb(0x00A000)},
      {"LED spin's lit middle bar", spin_bar, Rgb(0xFF8000)},
  };
  for (const Probe& p : probes) {
    std::optional<uint32_t> seen;
    testsupport::PumpUntil(
        [&] {
          seen = shot.Pixel(p.at.x, p.at.y);
          return seen == p.expected;
        },
        {.serve = Pump, .limit_ms = 2000, .pause_us = 20000});
    EXPECT_EQ(seen, p.expected) << p.what << " at " << p.at.x << "," << p.at.y;
  }
  plat::RECT window{};
  plat::GetWindowRect(form_->Handle(), &window);
  shot.SaveOnRequest(window, "control-panel");
#endif
}

}  // namespace
