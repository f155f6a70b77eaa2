// Smoke test on a real X display: a small form with two coloured panels shown
// through the sdl backend, read back from the X screen itself. Skipped where
// there is no display or SDL video cannot start.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "platform/backend/Backend.h"
#include "platform/backend/SdlBackend.h"
#include "platform/user/Geometry.h"
#include "platform/user/Input.h"
#include "platform/user/Messages.h"
#include "platform/user/Paint.h"
#include "platform/vcl/Application.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/Forms.h"

#if __has_include(<X11/Xlib.h>)
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#define QUELLIX_HAVE_XLIB 1
#endif

namespace {

#ifdef QUELLIX_HAVE_XLIB
// Reads single pixels of the X root window. libX11 is opened at run time, so
// the test program needs no link to it.
class XScreenshot {
 public:
  XScreenshot() {
    library_ = dlopen("libX11.so.6", RTLD_NOW | RTLD_LOCAL);
    if (!library_) return;
    open_ = reinterpret_cast<decltype(open_)>(dlsym(library_, "XOpenDisplay"));
    close_ = reinterpret_cast<decltype(close_)>(dlsym(library_, "XCloseDisplay"));
    root_ = reinterpret_cast<decltype(root_)>(dlsym(library_, "XDefaultRootWindow"));
    get_image_ = reinterpret_cast<decltype(get_image_)>(dlsym(library_, "XGetImage"));
    destroy_image_ = reinterpret_cast<decltype(destroy_image_)>(dlsym(library_, "XDestroyImage"));
    if (open_ && close_ && root_ && get_image_ && destroy_image_) display_ = open_(nullptr);
  }
  ~XScreenshot() {
    if (display_) close_(display_);
    if (library_) dlclose(library_);
  }
  bool Ready() const { return display_ != nullptr; }

  // 0x00RRGGBB of a screen pixel, from a 24- or 32-bit visual.
  std::optional<uint32_t> Pixel(int x, int y) {
    XImage* image = get_image_(display_, root_(display_), x, y, 1, 1, AllPlanes, ZPixmap);
    if (!image) return std::nullopt;
    std::optional<uint32_t> pixel;
    if (image->bits_per_pixel == 32 && image->byte_order == LSBFirst) {
      const auto* p = reinterpret_cast<const unsigned char*>(image->data);
      pixel = static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[1]) << 8 | p[0];
    }
    destroy_image_(image);
    return pixel;
  }

 private:
  void* library_ = nullptr;
  Display* display_ = nullptr;
  Display* (*open_)(const char*) = nullptr;
  int (*close_)(Display*) = nullptr;
  Window (*root_)(Display*) = nullptr;
  XImage* (*get_image_)(Display*, Drawable, int, int, unsigned, unsigned, unsigned long, int) = nullptr;
  // XDestroyImage is a macro over the image's own function; the library also exports it.
  int (*destroy_image_)(XImage*) = nullptr;
};
#endif

uint32_t Rgb(vcl::TColor c) {
  auto v = static_cast<uint32_t>(c);
  return ((v & 0xFF) << 16) | (v & 0xFF00) | ((v >> 16) & 0xFF);
}

void Pump() {
  plat::user::PumpBackendEvents(10);
  plat::MSG msg;
  while (plat::PeekMessageA(&msg, nullptr, 0, 0, plat::PM_REMOVE)) plat::DispatchMessageA(&msg);
}

class SmokeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display) GTEST_SKIP() << "no DISPLAY";
    auto sdl = std::make_unique<plat::backend::SdlBackend>();
    std::string error;
    if (!sdl->Ready(&error)) GTEST_SKIP() << "SDL video: " << error;
    sdl_ = sdl.get();
    plat::backend::Install(std::move(sdl));
    vcl::InitApplication();
    vcl::InitForms();
    started_ = true;
  }
  void TearDown() override {
    if (!started_) return;
    vcl::DoneForms();
    Pump();
    vcl::DoneApplication();
    plat::backend::Install(nullptr);
  }

  plat::backend::SdlBackend* sdl_ = nullptr;
  bool started_ = false;
};

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
#endif
}

}  // namespace
