#pragma once
// Shared by the smoke tests on a real X display: the sdl backend and the
// application started for each test, and pixels read from the X screen.
// With QUELLIX_SCREEN_PNG naming a folder, the tests save what they read
// there as PNG files, for a person to look at.
// Include it after other project headers: X defines macros such as KeyPress.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/backend/Backend.h"
#include "platform/backend/SdlBackend.h"
#include "platform/gdi/PngWriter.h"
#include "platform/user/Input.h"
#include "platform/user/Messages.h"
#include "platform/vcl/Application.h"
#include "platform/vcl/Forms.h"

#if __has_include(<X11/Xlib.h>)
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#define QUELLIX_HAVE_XLIB 1
#endif

namespace apptest {

#ifdef QUELLIX_HAVE_XLIB
// Single pixels of the X root window. libX11 is opened at run time, so the
// test program needs no link to it.
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
  XScreenshot(const XScreenshot&) = delete;
  XScreenshot& operator=(const XScreenshot&) = delete;
  bool Ready() const { return display_ != nullptr; }

  // 0x00RRGGBB of a screen pixel, from a 32-bit visual.
  std::optional<uint32_t> Pixel(int x, int y) {
    auto pixels = Area(x, y, 1, 1);
    if (!pixels) return std::nullopt;
    return pixels->front();
  }

  // 0x00RRGGBB rows of a screen rectangle, from a 32-bit visual.
  std::optional<std::vector<uint32_t>> Area(int x, int y, int width, int height) {
    if (!display_ || width <= 0 || height <= 0) return std::nullopt;
    XImage* image = get_image_(display_, root_(display_), x, y, static_cast<unsigned>(width),
                               static_cast<unsigned>(height), AllPlanes, ZPixmap);
    if (!image) return std::nullopt;
    std::optional<std::vector<uint32_t>> pixels;
    if (image->bits_per_pixel == 32 && image->byte_order == LSBFirst) {
      pixels.emplace(static_cast<size_t>(width) * static_cast<size_t>(height));
      for (int row = 0; row < height; ++row) {
        const auto* p = reinterpret_cast<const unsigned char*>(image->data) +
                        static_cast<ptrdiff_t>(row) * image->bytes_per_line;
        for (int col = 0; col < width; ++col, p += 4)
          (*pixels)[static_cast<size_t>(row) * static_cast<size_t>(width) + static_cast<size_t>(col)] =
              static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[1]) << 8 | p[0];
      }
    }
    destroy_image_(image);
    return pixels;
  }

  // Saves a screen rectangle as `name`.png in the folder QUELLIX_SCREEN_PNG
  // names; nothing when it is unset. A failure is the test's.
  void SaveOnRequest(const plat::RECT& r, const std::string& name) {
    const char* folder = std::getenv("QUELLIX_SCREEN_PNG");
    if (!folder || !*folder) return;
    const int width = r.right - r.left, height = r.bottom - r.top;
    auto pixels = Area(r.left, r.top, width, height);
    ASSERT_TRUE(pixels.has_value()) << "cannot read " << name << " from the X screen";
    plat::Surface surface;
    surface.width = width;
    surface.height = height;
    surface.stride = width * 4;
    surface.bits = reinterpret_cast<uint8_t*>(pixels->data());
    std::string error;
    const std::string path = std::string(folder) + "/" + name + ".png";
    EXPECT_TRUE(plat::SaveSurfacePng(surface, path, &error)) << path << ": " << error;
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

inline void Pump() {
  plat::user::PumpBackendEvents(10);
  plat::MSG msg;
  while (plat::PeekMessageA(&msg, nullptr, 0, 0, plat::PM_REMOVE)) plat::DispatchMessageA(&msg);
}

// Installs the sdl backend and starts the application; skips where there is
// no display or SDL video cannot start. Subclasses that extend SetUp check
// started_ first, since a skip only returns from this one.
class ScreenTest : public ::testing::Test {
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

}  // namespace apptest
