#include <gtest/gtest.h>

#include "BackendTestSupport.h"
#include "platform/backend/HeadlessBackend.h"
#include "support/TempDir.h"

using namespace plat;
using namespace plat::backend;
using namespace backendtest;

namespace {

class HeadlessWindows : public ::testing::Test {
 protected:
  HeadlessBackend screen{320, 200};
  RecordingSink sink;
  HWND a = Hwnd(1), b = Hwnd(2), c = Hwnd(3), p = Hwnd(4);
};

TEST_F(HeadlessWindows, StacksWindowsInBandsAndRaisesWithinTheirBand) {
  WindowParams topmost = Params(0, 0, 50, 50);
  topmost.topmost = true;
  WindowParams popup = Params(0, 0, 50, 50);
  popup.popup = true;
  ASSERT_TRUE(screen.OpenWindow(p, popup));
  ASSERT_TRUE(screen.OpenWindow(a, Params(0, 0, 50, 50)));
  ASSERT_TRUE(screen.OpenWindow(b, topmost));
  ASSERT_TRUE(screen.OpenWindow(c, Params(0, 0, 50, 50)));
  EXPECT_FALSE(screen.OpenWindow(a, Params(0, 0, 5, 5))) << "one native window per HWND";
  EXPECT_EQ(screen.ZOrder(), (std::vector<HWND>{p, b, c, a}));

  screen.Raise(a);
  EXPECT_EQ(screen.ZOrder(), (std::vector<HWND>{p, b, a, c}));
  EXPECT_EQ(screen.Focus(), a);
  screen.SetTopmost(c, true);
  EXPECT_EQ(screen.ZOrder(), (std::vector<HWND>{p, c, b, a}));
  screen.SetTopmost(c, false);
  EXPECT_EQ(screen.ZOrder(), (std::vector<HWND>{p, b, c, a}));

  // Hidden and minimised windows are off the screen; showing puts a window on top of its band.
  screen.Show(a, false);
  screen.Minimize(b);
  EXPECT_EQ(screen.ZOrder(), (std::vector<HWND>{p, c}));
  EXPECT_EQ(screen.Focus(), nullptr) << "hiding the focused window takes its focus";
  screen.Show(a, true);
  EXPECT_EQ(screen.ZOrder(), (std::vector<HWND>{p, a, c}));
  EXPECT_EQ(screen.WindowAt(POINT{10, 10}), p);

  screen.CloseWindow(p);
  EXPECT_FALSE(screen.IsOpen(p));
  EXPECT_EQ(screen.WindowAt(POINT{10, 10}), a);
  EXPECT_EQ(screen.WindowSurface(p), nullptr);
  EXPECT_FALSE(screen.Present(p, {}));
  EXPECT_FALSE(screen.SetWindowRect(p, RECT{0, 0, 1, 1}));
}

TEST_F(HeadlessWindows, SnapshotShowsPresentedPixelsInStackingOrder) {
  ASSERT_TRUE(screen.OpenWindow(a, Params(-20, 10, 100, 110)));
  ASSERT_TRUE(screen.OpenWindow(b, Params(60, 50, 160, 150)));
  Fill(*screen.WindowSurface(a), 0x00FF0000);
  Fill(*screen.WindowSurface(b), 0x000000FF);
  screen.Present(a, {});
  // Only the dirty rectangle of b reaches the screen.
  screen.Present(b, {RECT{0, 0, 20, 20}, RECT{90, 90, 200, 200}});
  EXPECT_EQ(Rects(screen.LastPresented(b)), Rects({{0, 0, 20, 20}, {90, 90, 100, 100}}));

  auto shot = screen.ScreenSnapshot();
  ASSERT_EQ(shot->width(), 320);
  ASSERT_EQ(shot->height(), 200);
  struct Probe {
    int x, y;
    uint32_t expected;
  };
  for (const Probe& probe : {
           Probe{0, 10, 0x00FF0000},                     // a, cut off at the screen's left edge
           Probe{5, 5, HeadlessBackend::kDesktopColor},  // above a
           Probe{65, 55, 0x000000FF},                    // b's presented corner over a
           Probe{90, 80, 0x00000000},                    // b's unpresented pixels are black
           Probe{155, 145, 0x000000FF},                  // b's other dirty rectangle
           Probe{120, 60, 0x00000000},                   // b alone, not presented yet
       })
    EXPECT_EQ(shot->Pixel(probe.x, probe.y), probe.expected) << probe.x << "," << probe.y;

  // Drawing without presenting changes the surface, not the screen.
  Fill(*screen.WindowSurface(a), 0x0000FF00);
  EXPECT_EQ(screen.ScreenSnapshot()->Pixel(0, 10), 0x00FF0000u);
  screen.Present(a, {RECT{0, 0, 30, 30}});
  EXPECT_EQ(screen.ScreenSnapshot()->Pixel(0, 10), 0x0000FF00u);
  EXPECT_EQ(screen.PresentCount(a), 2);
}

TEST_F(HeadlessWindows, SavesScreenAndWindowAsPngThatReadsBack) {
  testsupport::TempDir dir;
  ASSERT_TRUE(screen.OpenWindow(a, Params(10, 20, 74, 68)));
  Surface& s = *screen.WindowSurface(a);
  Fill(s, 0x00123456);
  Fill(s, 0x00FEDCBA, RECT{60, 40, 64, 48});
  screen.Present(a, {});

  ASSERT_TRUE(screen.SaveWindowPng(a, dir.File("window.png")));
  PngImage window = ReadPng(dir.File("window.png"));
  ASSERT_EQ(window.width, 64);
  ASSERT_EQ(window.height, 48);
  EXPECT_EQ(window.At(0, 0), 0x00123456u);
  EXPECT_EQ(window.At(63, 47), 0x00FEDCBAu);

  ASSERT_TRUE(screen.SaveScreenPng(dir.File("screen.png")));
  PngImage shot = ReadPng(dir.File("screen.png"));
  ASSERT_EQ(shot.width, 320);
  ASSERT_EQ(shot.height, 200);
  EXPECT_EQ(shot.At(10, 20), 0x00123456u);
  EXPECT_EQ(shot.At(73, 67), 0x00FEDCBAu);
  EXPECT_EQ(shot.At(9, 20), HeadlessBackend::kDesktopColor);

  std::string error;
  EXPECT_FALSE(screen.SaveWindowPng(a, dir.File("missing/folder.png"), &error));
  EXPECT_NE(error.find("missing"), std::string::npos) << error;
  EXPECT_FALSE(screen.SaveWindowPng(b, dir.File("b.png"), &error));
}

TEST_F(HeadlessWindows, ResizeKeepsWhatFitsAndBlanksTheRest) {
  struct Case {
    RECT to;
    int width, height;
  };
  for (const Case& k : {
           Case{{0, 0, 60, 30}, 60, 30},      // narrower and lower
           Case{{5, 5, 205, 125}, 200, 120},  // larger both ways
           Case{{0, 0, 150, 10}, 150, 10},    // wider, lower
           Case{{0, 0, 0, -4}, 1, 1},         // never below one pixel
           Case{{0, 0, 20000, 3}, kMaxWindowSize, 3},
       }) {
    HeadlessBackend s(320, 200);
    ASSERT_TRUE(s.OpenWindow(a, Params(0, 0, 100, 80)));
    Surface* surface = s.WindowSurface(a);
    for (int y = 0; y < 80; ++y)
      for (int x = 0; x < 100; ++x) surface->Put(x, y, static_cast<uint32_t>(y * 1000 + x + 1));
    ASSERT_TRUE(s.SetWindowRect(a, k.to));
    ASSERT_EQ(s.WindowSurface(a), surface) << "device contexts keep the surface's address";
    ASSERT_EQ(surface->width, k.width);
    ASSERT_EQ(surface->height, k.height);
    EXPECT_EQ(surface->stride, k.width * 4);
    const RECT rect = *s.WindowRect(a);
    EXPECT_EQ(rect.right - rect.left, k.width);
    EXPECT_EQ(rect.bottom - rect.top, k.height);
    for (int y : {0, k.height / 2, k.height - 1})
      for (int x : {0, k.width / 2, k.width - 1}) {
        const uint32_t expected = x < 100 && y < 80 ? static_cast<uint32_t>(y * 1000 + x + 1) : 0u;
        ASSERT_EQ(surface->Get(x, y), expected) << k.width << "x" << k.height << " at " << x << "," << y;
      }
  }
}

TEST_F(HeadlessWindows, MaximiseFillsTheWorkAreaAndRestoreReturns) {
  screen.SetWorkArea(RECT{0, 24, 320, 200});
  ASSERT_TRUE(screen.OpenWindow(a, Params(30, 40, 130, 120)));
  screen.Maximize(a);
  EXPECT_TRUE(screen.IsMaximized(a));
  EXPECT_EQ(screen.WindowSurface(a)->width, 320);
  EXPECT_EQ(screen.WindowSurface(a)->height, 176);
  screen.Minimize(a);
  EXPECT_TRUE(screen.ZOrder().empty());
  screen.Restore(a);  // back from the taskbar: still maximised
  EXPECT_TRUE(screen.IsMaximized(a));
  screen.Restore(a);
  EXPECT_FALSE(screen.IsMaximized(a));
  const RECT r = *screen.WindowRect(a);
  EXPECT_EQ(r.left, 30);
  EXPECT_EQ(r.bottom, 120);

  // The window manager's answers arrive as events, as they do on a desktop.
  screen.PollEvents(sink, 0);
  std::vector<EventType> types;
  for (const Event& e : sink.events) types.push_back(e.type);
  EXPECT_EQ(types, (std::vector<EventType>{EventType::Moved, EventType::Resized, EventType::Maximized,
                                           EventType::Minimized, EventType::Maximized, EventType::Moved,
                                           EventType::Resized, EventType::Restored}));
  EXPECT_EQ(sink.events[1].rect.bottom, 200);
  EXPECT_EQ(sink.events.back().rect.left, 30);
}

}  // namespace
