// The sdl backend's windows as the X server and a window manager see them,
// read over a connection of the test's own.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "BackendTestSupport.h"
#include "platform/backend/SdlBackend.h"
#include "platform/backend/X11Desktop.h"

// After the other headers: X defines macros such as None and Status.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

using namespace plat;
using namespace plat::backend;
using namespace backendtest;

namespace {

class XDesktop : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* name = std::getenv("DISPLAY");
    if (!name || !*name) GTEST_SKIP() << "no DISPLAY";
    std::string error;
    if (!sdl.Ready(&error)) GTEST_SKIP() << error;
    display = XOpenDisplay(nullptr);
    ASSERT_NE(display, nullptr);
  }
  void TearDown() override {
    if (display) XCloseDisplay(display);
  }
  void Pump(int rounds = 5) {
    for (int i = 0; i < rounds; ++i) sdl.PollEvents(sink, 10);
    XSync(display, False);
  }
  Atom A(const char* name) { return XInternAtom(display, name, False); }

  // The X window whose UTF-8 title is `title`, among the root's children and theirs.
  Window Named(const std::string& title) {
    const Atom net_name = A("_NET_WM_NAME");
    const Atom utf8 = A("UTF8_STRING");
    std::vector<Window> level{DefaultRootWindow(display)};
    for (int depth = 0; depth < 3; ++depth) {
      std::vector<Window> next;
      for (Window parent : level) {
        Window root = 0, up = 0, *children = nullptr;
        unsigned count = 0;
        if (!XQueryTree(display, parent, &root, &up, &children, &count)) continue;
        for (unsigned i = 0; i < count; ++i) {
          if (Text(children[i], net_name, utf8) == title) {
            const Window found = children[i];
            XFree(children);
            return found;
          }
          next.push_back(children[i]);
        }
        if (children) XFree(children);
      }
      level = next;
    }
    return 0;
  }
  // A property's items: bytes for 8-bit ones, longs for 32-bit ones.
  template <class Item>
  std::vector<Item> Items(Window w, Atom property, Atom type) {
    Atom got = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::vector<Item> out;
    if (XGetWindowProperty(display, w, property, 0, 1024, False, type, &got, &format, &count, &after,
                           &data) == Success &&
        data) {
      const auto* items = reinterpret_cast<const Item*>(data);
      out.assign(items, items + count);
      XFree(data);
    }
    return out;
  }
  std::string Text(Window w, Atom property, Atom type) {
    const auto bytes = Items<char>(w, property, type);
    return std::string(bytes.begin(), bytes.end());
  }
  std::vector<Atom> States(Window w) {
    const auto atoms = Items<long>(w, A("_NET_WM_STATE"), XA_ATOM);
    return std::vector<Atom>(atoms.begin(), atoms.end());
  }
  // Children of the root, bottom first.
  std::vector<Window> Stack() {
    Window root = 0, up = 0, *children = nullptr;
    unsigned count = 0;
    std::vector<Window> out;
    if (XQueryTree(display, DefaultRootWindow(display), &root, &up, &children, &count)) {
      out.assign(children, children + count);
      if (children) XFree(children);
    }
    return out;
  }
  bool WindowManagerRuns() {
    return !Text(DefaultRootWindow(display), A("_NET_SUPPORTING_WM_CHECK"), XA_WINDOW).empty();
  }

  SdlBackend sdl;
  RecordingSink sink;
  Display* display = nullptr;
};

TEST_F(XDesktop, OwnedWindowsCarryWhatAWindowManagerReads) {
  WindowParams owner_params = Params(40, 40, 300, 200);
  owner_params.title = "Owner – ünïcode";
  WindowParams dialog_params = Params(80, 80, 240, 160, false);
  dialog_params.title = "Dialog";
  ASSERT_TRUE(sdl.OpenWindow(Hwnd(1), owner_params));
  ASSERT_TRUE(sdl.OpenWindow(Hwnd(2), dialog_params));
  ASSERT_TRUE(sdl.SetOwner(Hwnd(2), Hwnd(1), true));
  sdl.Show(Hwnd(2), true);
  Pump();
  const Window owner = Named("Owner – ünïcode");
  const Window dialog = Named("Dialog");
  ASSERT_NE(owner, 0u) << "the UTF-8 title is the X title";
  ASSERT_NE(dialog, 0u);

  Window transient_for = 0;
  ASSERT_TRUE(XGetTransientForHint(display, dialog, &transient_for));
  EXPECT_EQ(transient_for, owner);
  const auto states = States(dialog);
  EXPECT_NE(std::find(states.begin(), states.end(), A("_NET_WM_STATE_MODAL")), states.end());
  XClassHint hint{};
  ASSERT_TRUE(XGetClassHint(display, owner, &hint));
  EXPECT_STREQ(hint.res_name, "quellix");
  EXPECT_STREQ(hint.res_class, "quellix");
  XFree(hint.res_name);
  XFree(hint.res_class);

  // Shown again without a disabled owner, it is an ordinary window.
  sdl.Show(Hwnd(2), false);
  sdl.SetOwner(Hwnd(2), nullptr, false);
  sdl.Show(Hwnd(2), true);
  Pump();
  EXPECT_FALSE(XGetTransientForHint(display, dialog, &transient_for));
  const auto after = States(dialog);
  EXPECT_EQ(std::find(after.begin(), after.end(), A("_NET_WM_STATE_MODAL")), after.end());
}

TEST_F(XDesktop, StayOnTopWindowsAndWhatTheyOwnStayAboveWithoutAWindowManager) {
  if (WindowManagerRuns()) GTEST_SKIP() << "a window manager keeps the layers here";
  WindowParams top_params = Params(10, 10, 200, 200);
  top_params.title = "On top";
  top_params.topmost = true;
  WindowParams plain_params = Params(50, 50, 400, 300);
  plain_params.title = "Plain";
  WindowParams owned_params = Params(60, 60, 160, 160, false);
  owned_params.title = "Owned";
  ASSERT_TRUE(sdl.OpenWindow(Hwnd(1), top_params));
  ASSERT_TRUE(sdl.OpenWindow(Hwnd(2), plain_params));
  ASSERT_TRUE(sdl.OpenWindow(Hwnd(3), owned_params));
  sdl.Raise(Hwnd(2));
  sdl.SetOwner(Hwnd(3), Hwnd(1), true);
  sdl.Show(Hwnd(3), true);
  sdl.Raise(Hwnd(2));
  Pump();
  const std::vector<Window> stack = Stack();
  auto at = [&](const char* title) {
    return std::find(stack.begin(), stack.end(), Named(title)) - stack.begin();
  };
  EXPECT_LT(at("Plain"), at("On top"));
  EXPECT_LT(at("On top"), at("Owned"));
}

// A skinned window takes its shape once it is shown, and SDL makes a shaped
// window anew: a click the desktop sent the window as it was still arrives.
TEST_F(XDesktop, AClickSentBeforeTheWindowTakesItsShapeArrives) {
  WindowParams params = Params(120, 100, 420, 300);
  params.title = "Shaped later";
  ASSERT_TRUE(sdl.OpenWindow(Hwnd(1), params));
  Pump();
  const Window window = Named("Shaped later");
  ASSERT_NE(window, 0u);
  sink.events.clear();
  // The pointer comes, then the button goes down and up, as XTest or a person makes them.
  for (const int type : {MotionNotify, ButtonPress, ButtonRelease}) {
    XEvent e{};
    e.xbutton.type = type;
    e.xbutton.display = display;
    e.xbutton.window = window;
    e.xbutton.root = DefaultRootWindow(display);
    e.xbutton.x = 150;
    e.xbutton.y = 60;
    e.xbutton.x_root = 270;
    e.xbutton.y_root = 160;
    e.xbutton.button = Button1;
    e.xbutton.same_screen = True;
    const long mask = type == MotionNotify  ? PointerMotionMask
                      : type == ButtonPress ? ButtonPressMask
                                            : ButtonReleaseMask;
    XSendEvent(display, window, False, mask, &e);
  }
  XSync(display, False);
  ASSERT_TRUE(sdl.SetWindowShape(Hwnd(1), std::vector<RECT>{RECT{0, 0, 300, 150}, RECT{0, 150, 150, 200}}));
  ASSERT_TRUE(sdl.IsShaped(Hwnd(1)));
  Pump();
  const auto downs = sink.Of(EventType::MouseDown);
  ASSERT_EQ(downs.size(), 1u);
  EXPECT_EQ(downs[0].window, Hwnd(1));
  EXPECT_EQ(downs[0].screen.x, 270);
  EXPECT_EQ(downs[0].screen.y, 160);
  EXPECT_EQ(sink.Of(EventType::MouseUp).size(), 1u);
}

// Other threads wake the loop while windows come and go as fast as menus do:
// no wake-up may reach a window that is gone and end the program.
TEST_F(XDesktop, WakeUpsNeverReachWindowsThatAreGone) {
  std::atomic<bool> done{false};
  std::thread waker([&] {
    while (!done) {
      sdl.Wake();
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
  });
  const int reported = x11::ReportedErrors();
  for (int round = 0; round < 300; ++round) {
    WindowParams menu = Params(100 + round % 50, 100, 220, 180);
    menu.popup = true;
    const HWND hwnd = Hwnd(100 + round);
    ASSERT_TRUE(sdl.OpenWindow(hwnd, menu));
    sdl.PollEvents(sink, round % 3);
    sdl.CloseWindow(hwnd);
    sdl.PollEvents(sink, 1);
  }
  done = true;
  waker.join();
  // A request about a window that is gone fails on its own as well.
  XSync(display, False);
  EXPECT_EQ(x11::ReportedErrors(), reported);
}

}  // namespace
