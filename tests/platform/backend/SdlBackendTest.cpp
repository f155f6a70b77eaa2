#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <thread>

#include "BackendTestSupport.h"
#include "platform/backend/SdlBackend.h"
#include "platform/kernel/Clock.h"
#include "support/TempDir.h"

using namespace plat;
using namespace plat::backend;
using namespace backendtest;

namespace {

// Runs on a real display only (for example under Xvfb); skipped elsewhere.
class SdlDesktop : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display) GTEST_SKIP() << "no DISPLAY";
    std::string error;
    if (!sdl.Ready(&error)) GTEST_SKIP() << error;
  }
  // Lets the window manager and the X server catch up.
  void Pump(int rounds = 10) {
    for (int i = 0; i < rounds; ++i) sdl.PollEvents(sink, 20);
  }

  SdlBackend sdl;
  RecordingSink sink;
};

TEST_F(SdlDesktop, PresentedSurfaceIsWhatTheRendererShows) {
  const HWND w = Hwnd(1);
  WindowParams params = Params(40, 40, 200, 150);
  params.title = "backend test";
  ASSERT_TRUE(sdl.OpenWindow(w, params));
  Pump();
  Surface* s = sdl.WindowSurface(w);
  ASSERT_NE(s, nullptr);
  ASSERT_EQ(s->width, 160);
  ASSERT_EQ(s->height, 110);
  Fill(*s, 0x00C08040);
  Fill(*s, 0x0020A0E0, RECT{5, 5, 15, 15});
  ASSERT_TRUE(sdl.Present(w, {}));
  EXPECT_EQ(sdl.ReadBackPixel(w, 0, 0), 0x00C08040u);
  EXPECT_EQ(sdl.ReadBackPixel(w, 7, 7), 0x0020A0E0u);

  // Only the dirty rectangle is uploaded: a change outside it stays unseen.
  Fill(*s, 0x00FFFFFF, RECT{0, 0, 2, 2});
  Fill(*s, 0x00102030, RECT{100, 50, 110, 60});
  ASSERT_TRUE(sdl.Present(w, {RECT{100, 50, 110, 60}}));
  EXPECT_EQ(sdl.ReadBackPixel(w, 105, 55), 0x00102030u);
  EXPECT_EQ(sdl.ReadBackPixel(w, 0, 0), 0x00C08040u);

  // A resize gives a new texture; the kept pixels come along.
  ASSERT_TRUE(sdl.SetWindowRect(w, RECT{40, 40, 260, 200}));
  Pump();
  ASSERT_EQ(sdl.WindowSurface(w), s);
  ASSERT_EQ(s->width, 220);
  Fill(*s, 0x00405060, RECT{200, 140, 220, 160});
  ASSERT_TRUE(sdl.Present(w, {RECT{200, 140, 220, 160}}));
  EXPECT_EQ(sdl.ReadBackPixel(w, 210, 150), 0x00405060u);
  EXPECT_EQ(sdl.ReadBackPixel(w, 105, 55), 0x00102030u);
  EXPECT_EQ(sdl.ReadBackPixel(w, 220, 150), std::nullopt);

  sdl.CloseWindow(w);
  EXPECT_FALSE(sdl.IsOpen(w));
  EXPECT_FALSE(sdl.Present(w, {}));
}

TEST_F(SdlDesktop, SeveralWindowsCursorsAndScreen) {
  ASSERT_TRUE(sdl.OpenWindow(Hwnd(1), Params(0, 0, 100, 100)));
  WindowParams tool = Params(120, 0, 220, 100);
  tool.tool_window = true;
  tool.topmost = true;
  ASSERT_TRUE(sdl.OpenWindow(Hwnd(2), tool));
  WindowParams popup = Params(240, 0, 300, 60);
  popup.popup = true;
  ASSERT_TRUE(sdl.OpenWindow(Hwnd(3), popup));
  Pump();
  for (HWND h : {Hwnd(1), Hwnd(2), Hwnd(3)}) EXPECT_TRUE(sdl.Present(h, {}));

  const SIZE screen = sdl.ScreenSize();
  const RECT work = sdl.WorkArea();
  EXPECT_GT(screen.cx, 0);
  EXPECT_LE(work.right - work.left, screen.cx);
  EXPECT_GT(work.bottom - work.top, 0);

  for (CursorShape shape : {CursorShape::IBeam, CursorShape::SizeNWSE, CursorShape::Hand})
    sdl.SetCursor(shape);
  CursorImage image{16, 16, POINT{3, 4}, std::vector<uint32_t>(256, 0xFF00FF00u)};
  EXPECT_TRUE(sdl.SetCursorImage(image));
  image.pixels.pop_back();
  EXPECT_FALSE(sdl.SetCursorImage(image)) << "pixels must fill the image";

  sdl.SetCursorPos(POINT{50, 50});
  Pump();
  EXPECT_EQ(sdl.CursorPos().x, 50);
  sdl.SetCapture(Hwnd(1));
  sdl.ClipCursor(RECT{0, 0, 60, 60});
  sdl.ClipCursor(std::nullopt);
  sdl.SetCapture(nullptr);
}

// The first shape re-creates the window as a shaped one; it keeps its place,
// its picture and its size changes, and SDL's parking of a window it reshapes
// is no move of the window.
TEST_F(SdlDesktop, ShapedWindowKeepsPlacePictureAndSize) {
  const HWND w = Hwnd(1);
  ASSERT_TRUE(sdl.OpenWindow(w, Params(300, 200, 400, 280)));
  Pump();
  Surface* s = sdl.WindowSurface(w);
  Fill(*s, 0x00208040);
  ASSERT_TRUE(sdl.Present(w, {}));
  EXPECT_TRUE(sdl.SetWindowShape(w, std::nullopt)) << "a plain window stays plain";
  EXPECT_FALSE(sdl.IsShaped(w));

  if (!sdl.SetWindowShape(w, std::vector<RECT>{RECT{0, 0, 100, 20}, RECT{10, 20, 90, 80}}))
    GTEST_SKIP() << "this display cannot shape windows";
  Pump();
  EXPECT_TRUE(sdl.IsShaped(w));
  EXPECT_EQ(sdl.ReadBackPixel(w, 50, 50), 0x00208040u);

  ASSERT_TRUE(sdl.SetWindowRect(w, RECT{310, 210, 450, 330}));
  Pump();
  EXPECT_EQ(Rects({*sdl.WindowRect(w)}), Rects({RECT{310, 210, 450, 330}}));
  Fill(*sdl.WindowSurface(w), 0x00C0C0C0, RECT{100, 80, 140, 120});
  ASSERT_TRUE(sdl.Present(w, {RECT{100, 80, 140, 120}}));
  EXPECT_EQ(sdl.ReadBackPixel(w, 120, 100), 0x00C0C0C0u);
  EXPECT_TRUE(sdl.SetWindowShape(w, std::nullopt));
  Pump();
  for (const Event& e : sink.Of(EventType::Moved)) EXPECT_GE(e.rect.left, 0) << "parked: " << e.rect.left;
  EXPECT_EQ(Rects({*sdl.WindowRect(w)}), Rects({RECT{310, 210, 450, 330}}));
  sdl.CloseWindow(w);
}

TEST_F(SdlDesktop, WakeEndsAnUnboundedWaitFromAnotherThread) {
  ASSERT_TRUE(sdl.OpenWindow(Hwnd(1), Params(0, 0, 50, 50)));
  Pump();
  std::thread waker([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    sdl.Wake();
  });
  sdl.PollEvents(sink, INFINITE);
  waker.join();
}

// SDL's video starts once per process, so this runs in a fresh one.
TEST(SdlNoDisplay, ReportsWhyInsteadOfFailingLater) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        setenv("SDL_VIDEODRIVER", "x11", 1);
        setenv("DISPLAY", ":987", 1);
        SdlBackend sdl;
        std::string error;
        RecordingSink sink;
        const bool refused = !sdl.Ready(&error) && error.find("display") != std::string::npos &&
                             !sdl.OpenWindow(Hwnd(1), Params(0, 0, 10, 10)) && !sdl.WindowSurface(Hwnd(1)) &&
                             sdl.PollEvents(sink, 10) == 0 && sdl.ScreenSize().cx == 0;
        std::fprintf(stderr, "%s\n", error.c_str());
        // _Exit: the leak check at exit would report what the X and D-Bus libraries keep.
        std::_Exit(refused ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "could not be opened");
}

}  // namespace
