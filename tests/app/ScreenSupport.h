#pragma once
// Shared by the smoke tests on a real X display: the sdl backend and the
// application started for each test, and pixels read from the X screen.
// With QUELLIX_SCREEN_PNG naming a folder, the tests save what they read
// there as PNG files, for a person to look at.
// Include it after other project headers: X defines macros such as KeyPress.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <utility>
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
    intern_atom_ = reinterpret_cast<decltype(intern_atom_)>(dlsym(library_, "XInternAtom"));
    query_tree_ = reinterpret_cast<decltype(query_tree_)>(dlsym(library_, "XQueryTree"));
    get_property_ = reinterpret_cast<decltype(get_property_)>(dlsym(library_, "XGetWindowProperty"));
    free_ = reinterpret_cast<decltype(free_)>(dlsym(library_, "XFree"));
    send_event_ = reinterpret_cast<decltype(send_event_)>(dlsym(library_, "XSendEvent"));
    flush_ = reinterpret_cast<decltype(flush_)>(dlsym(library_, "XFlush"));
    get_attributes_ = reinterpret_cast<decltype(get_attributes_)>(dlsym(library_, "XGetWindowAttributes"));
    set_error_handler_ = reinterpret_cast<decltype(set_error_handler_)>(dlsym(library_, "XSetErrorHandler"));
    sync_ = reinterpret_cast<decltype(sync_)>(dlsym(library_, "XSync"));
    // Without its own error handler, Xlib ends the whole test program on the
    // first error, without unwinding: a window of another process that goes
    // away between two requests would leave that process running unreaped.
    if (open_ && close_ && root_ && get_image_ && destroy_image_ && set_error_handler_ && sync_)
      display_ = open_(nullptr);
    if (display_) {
      OurDisplays().push_back(display_);
      if (OurDisplays().size() == 1) PreviousHandler() = set_error_handler_(&IgnoreOurErrors);
    }
  }
  ~XScreenshot() {
    if (display_) {
      sync_(display_, False);  // errors of requests still queued reach our handler
      auto& ours = OurDisplays();
      std::erase(ours, display_);
      if (ours.empty()) {
        // Another library may have put its own handler above ours since; keep it then.
        auto current = set_error_handler_(PreviousHandler());
        if (current != &IgnoreOurErrors) set_error_handler_(current);
      }
      close_(display_);
    }
    if (library_) dlclose(library_);
  }
  XScreenshot(const XScreenshot&) = delete;
  XScreenshot& operator=(const XScreenshot&) = delete;
  bool Ready() const { return display_ != nullptr; }

  // Width and height of the default screen.
  std::pair<int, int> ScreenSize() const {
    if (!display_) return {0, 0};
    return {DisplayWidth(display_, DefaultScreen(display_)),
            DisplayHeight(display_, DefaultScreen(display_))};
  }

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

  // The largest shown top-level window of another process (by the process id
  // its windows carry), or 0.
  Window WindowOfProcess(long pid) {
    if (!display_ || !intern_atom_ || !query_tree_ || !get_property_ || !free_) return 0;
    const Atom pid_atom = intern_atom_(display_, "_NET_WM_PID", True);
    if (pid_atom == None) return 0;
    Window found = 0;
    long found_area = 0;
    // Top-level windows, and under a window manager the windows inside its frames.
    const auto search = [&](Window parent_window, int depth, const auto& self) -> void {
      Window root_return = 0, parent = 0, *children = nullptr;
      unsigned count = 0;
      if (!query_tree_(display_, parent_window, &root_return, &parent, &children, &count)) return;
      for (unsigned i = 0; i < count; ++i) {
        Atom type = None;
        int format = 0;
        unsigned long items = 0, after = 0;
        unsigned char* data = nullptr;
        const bool ours = get_property_(display_, children[i], pid_atom, 0, 1, False, AnyPropertyType, &type,
                                        &format, &items, &after, &data) == Success &&
                          data && format == 32 && items == 1 && *reinterpret_cast<long*>(data) == pid;
        if (data) free_(data);
        if (!ours) {
          if (depth == 0) self(children[i], 1, self);
          continue;
        }
        XWindowAttributes attributes{};
        if (!get_attributes_ || !get_attributes_(display_, children[i], &attributes) ||
            attributes.map_state != IsViewable)
          continue;
        const long area = static_cast<long>(attributes.width) * attributes.height;
        if (area > found_area) {
          found = children[i];
          found_area = area;
        }
      }
      if (children) free_(children);
    };
    search(root_(display_), 0, search);
    return found;
  }

  // A top-level window's rectangle on the screen.
  std::optional<plat::RECT> WindowRect(Window window) {
    XWindowAttributes a{};
    if (!display_ || !window || !get_attributes_ || !get_attributes_(display_, window, &a))
      return std::nullopt;
    return plat::RECT{a.x, a.y, a.x + a.width, a.y + a.height};
  }

  // Asks a window to close as the window manager's close button does.
  bool AskToClose(Window window) {
    if (!display_ || !window || !intern_atom_ || !send_event_ || !flush_) return false;
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = intern_atom_(display_, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(intern_atom_(display_, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    const bool sent = send_event_(display_, window, False, NoEventMask, &event) != 0;
    flush_(display_);
    return sent;
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
  using ErrorHandler = int (*)(Display*, XErrorEvent*);
  static std::vector<Display*>& OurDisplays() {
    static std::vector<Display*> displays;
    return displays;
  }
  static ErrorHandler& PreviousHandler() {
    static ErrorHandler handler = nullptr;
    return handler;
  }
  // The failed request returns its failure (a zero status, no image); errors
  // on other connections go to the handler that was there before.
  static int IgnoreOurErrors(Display* display, XErrorEvent* event) {
    const auto& ours = OurDisplays();
    if (std::find(ours.begin(), ours.end(), display) != ours.end()) return 0;
    return PreviousHandler() ? PreviousHandler()(display, event) : 0;
  }

  void* library_ = nullptr;
  Display* display_ = nullptr;
  Display* (*open_)(const char*) = nullptr;
  int (*close_)(Display*) = nullptr;
  Window (*root_)(Display*) = nullptr;
  XImage* (*get_image_)(Display*, Drawable, int, int, unsigned, unsigned, unsigned long, int) = nullptr;
  // XDestroyImage is a macro over the image's own function; the library also exports it.
  int (*destroy_image_)(XImage*) = nullptr;
  Atom (*intern_atom_)(Display*, const char*, Bool) = nullptr;
  Status (*query_tree_)(Display*, Window, Window*, Window*, Window**, unsigned*) = nullptr;
  int (*get_property_)(Display*, Window, Atom, long, long, Bool, Atom, Atom*, int*, unsigned long*,
                       unsigned long*, unsigned char**) = nullptr;
  int (*free_)(void*) = nullptr;
  Status (*send_event_)(Display*, Window, Bool, long, XEvent*) = nullptr;
  int (*flush_)(Display*) = nullptr;
  Status (*get_attributes_)(Display*, Window, XWindowAttributes*) = nullptr;
  ErrorHandler (*set_error_handler_)(ErrorHandler) = nullptr;
  int (*sync_)(Display*, Bool) = nullptr;
};
#endif

inline void Pump() {
  plat::user::PumpBackendEvents(10);
  plat::MSG msg;
  while (plat::PeekMessageA(&msg, nullptr, 0, 0, plat::PM_REMOVE)) plat::DispatchMessageA(&msg);
}

// The sdl backend on the display, or null with the reason when there is no
// display or SDL video cannot start.
inline std::unique_ptr<plat::backend::SdlBackend> ScreenBackend(std::string* why) {
  const char* display = std::getenv("DISPLAY");
  if (!display || !*display) {
    *why = "no DISPLAY";
    return nullptr;
  }
  auto sdl = std::make_unique<plat::backend::SdlBackend>();
  std::string error;
  if (!sdl->Ready(&error)) {
    *why = "SDL video: " + error;
    return nullptr;
  }
  return sdl;
}

// Installs the sdl backend and starts the application; skips where there is
// no display or SDL video cannot start. Subclasses that extend SetUp check
// started_ first, since a skip only returns from this one.
class ScreenTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string why;
    auto sdl = ScreenBackend(&why);
    if (!sdl) GTEST_SKIP() << why;
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
