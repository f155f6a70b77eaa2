// Smoke test on a real X display: a small form with two coloured panels shown
// through the sdl backend, read back from the X screen itself. Skipped where
// there is no display or SDL video cannot start.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <thread>

#include "platform/user/Geometry.h"
#include "platform/user/Paint.h"
#include "platform/vcl/ExtCtrls.h"
// Last: the X headers it pulls in define macros that clash with names above.
#include "app/ScreenSupport.h"

namespace {

uint32_t Rgb(vcl::TColor c) {
  auto v = static_cast<uint32_t>(c);
  return ((v & 0xFF) << 16) | (v & 0xFF00) | ((v >> 16) & 0xFF);
}

using apptest::Pump;
#ifdef QUELLIX_HAVE_XLIB
using apptest::XScreenshot;
#endif

class SmokeTest : public apptest::ScreenTest {};

TEST_F(SmokeTest, FormWithTwoPanelsShowsTheirColoursOnTheScreen) {
  auto* form = new vcl::TForm(vcl::Application);
  form->SetBorderStyle(vcl::bsNone);
  form->SetBounds(40, 40, 240, 120);
  form->SetColor(vcl::clWhite);
  form->SetCaption("Smoke");
  struct PanelLook {
    int left;
    vcl::TColor color;
  };
  const PanelLook panels[] = {{10, vcl::clRed}, {130, vcl::clBlue}};
  for (const PanelLook& p : panels) {
    auto* panel = new vcl::TPanel(form);
    panel->SetParent(form);
    panel->SetBounds(p.left, 10, 100, 100);
    panel->SetBevelOuter(vcl::bvNone);
    panel->SetColor(p.color);
  }
  form->Show();
  plat::UpdateWindow(form->Handle());

  struct Probe {
    plat::POINT client;
    vcl::TColor color;
  };
  const Probe probes[] = {{{60, 60}, vcl::clRed}, {{180, 60}, vcl::clBlue}, {{120, 5}, vcl::clWhite}};

  // The renderer's own frame first: it proves the window was painted.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  auto painted = [&] {
    for (const Probe& p : probes) {
      auto pixel = sdl_->ReadBackPixel(form->Handle(), p.client.x, p.client.y);
      if (!pixel || *pixel != Rgb(p.color)) return false;
    }
    return true;
  };
  while (!painted() && std::chrono::steady_clock::now() < deadline) Pump();
  ASSERT_TRUE(painted()) << "the window never showed its panels";

#ifdef QUELLIX_HAVE_XLIB
  XScreenshot shot;
  if (!shot.Ready()) GTEST_SKIP() << "cannot read the X screen";
  // The X server may take a moment to show what was presented.
  std::optional<uint32_t> seen;
  for (const Probe& p : probes) {
    plat::POINT screen = p.client;
    plat::ClientToScreen(form->Handle(), &screen);
    for (int tries = 0; tries < 100; ++tries) {
      seen = shot.Pixel(screen.x, screen.y);
      if (seen && *seen == Rgb(p.color)) break;
      Pump();
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ASSERT_TRUE(seen.has_value()) << "the X screen has an unexpected pixel format";
    EXPECT_EQ(*seen, Rgb(p.color)) << "screen " << screen.x << "," << screen.y;
  }
  plat::RECT window{};
  plat::GetWindowRect(form->Handle(), &window);
  shot.SaveOnRequest(window, "smoke-panels");
#endif
}

}  // namespace
