// Where the main window opens and what it stores of its place: maximised as
// its description says, with the bounds of the last run (brought onto the
// screen) as its normal place, and the normal bounds stored on closing
// whatever state it is in.
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "MainWindowFixture.h"
#include "platform/user/Geometry.h"
#include "platform/user/NonClient.h"
#include "platform/user/Screen.h"

using app::FrmMain;

namespace plat {
[[maybe_unused]] static bool operator==(const RECT& a, const RECT& b) { return EqualRect(&a, &b) != FALSE; }
[[maybe_unused]] static void PrintTo(const RECT& r, std::ostream* os) {
  *os << "{" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << "}";
}
}  // namespace plat

namespace {

class MainPlacement : public mainwindow::MainWindowTest {
 protected:
  static plat::RECT WindowRect() {
    plat::RECT r;
    plat::GetWindowRect(FrmMain->Handle(), &r);
    return r;
  }
  static plat::RECT NormalRect() {
    plat::WINDOWPLACEMENT placement;
    plat::GetWindowPlacement(FrmMain->Handle(), &placement);
    return placement.rcNormalPosition;
  }
  static void Store(const plat::RECT& r) {
    app::WriteInteger("left", r.left);
    app::WriteInteger("top", r.top);
    app::WriteInteger("wide", r.right - r.left);
    app::WriteInteger("hei", r.bottom - r.top);
  }
  static plat::RECT Stored() {
    const int left = app::ReadInteger("left", -1);
    const int top = app::ReadInteger("top", -1);
    return plat::RECT{left, top, left + app::ReadInteger("wide", -1), top + app::ReadInteger("hei", -1)};
  }
  // Where the caption button that answers `hit` is, in window coordinates, as
  // the window says (a skin's caption places its buttons where it likes).
  static plat::RECT CaptionButton(plat::LRESULT hit) {
    const plat::RECT w = WindowRect();
    plat::RECT button{};
    for (int y = w.top; y < w.top + 40; ++y)
      for (int x = w.right - 150; x < w.right; ++x) {
        const auto lparam =
            static_cast<plat::LPARAM>(plat::MAKELONG(static_cast<plat::WORD>(x), static_cast<plat::WORD>(y)));
        if (plat::SendMessageA(FrmMain->Handle(), plat::WM_NCHITTEST, 0, lparam) != hit) continue;
        const plat::RECT point{x - w.left, y - w.top, x - w.left + 1, y - w.top + 1};
        plat::UnionRect(&button, &button, &point);
      }
    return button;
  }
  static plat::backend::HeadlessBackend* Screen() {
    return dynamic_cast<plat::backend::HeadlessBackend*>(&plat::backend::Current());
  }
  // Clicks the middle of the caption button as the user does.
  void ClickCaptionButton(plat::LRESULT hit) {
    ASSERT_NE(Screen(), nullptr);
    const plat::RECT b = CaptionButton(hit);
    ASSERT_FALSE(plat::IsRectEmpty(&b)) << "no caption button answers " << hit;
    const plat::RECT w = WindowRect();
    Screen()->InjectClick(plat::POINT{w.left + (b.left + b.right) / 2, w.top + (b.top + b.bottom) / 2});
    mainwindow::Pump();
    // The pointer leaves the caption, so no button shows its hover picture.
    const plat::RECT now = WindowRect();
    Screen()->InjectMouseMove(plat::POINT{(now.left + now.right) / 2, (now.top + now.bottom) / 2});
    PumpUntil([] { return false; }, 300);
  }
  // The maximise button's pixels as shown.
  static std::vector<uint32_t> MaximiseButtonPixels() {
    const plat::RECT b = CaptionButton(plat::HTMAXBUTTON);
    std::vector<uint32_t> pixels;
    for (int y = b.top; y < b.bottom; ++y)
      for (int x = b.left; x < b.right; ++x)
        pixels.push_back(Screen()->PresentedPixel(FrmMain->Handle(), x, y) & 0xFFFFFF);
    return pixels;
  }
};

// The window opens maximised over the work area; the stored bounds become its
// normal place, brought onto the screen, and bounds no window could have
// leave the one the description gives.
TEST_F(MainPlacement, OpensMaximisedWithTheStoredBoundsAsItsNormalPlace) {
  const plat::RECT area = plat::user::WorkArea();
  const int w = area.right - area.left;
  const int h = area.bottom - area.top;
  struct Case {
    const char* what;
    std::optional<plat::RECT> stored;
    std::optional<plat::RECT> normal;  // none: the description's, not the stored one
  };
  const Case cases[] = {
      {"nothing stored", std::nullopt, std::nullopt},
      {"on the screen", plat::RECT{100, 80, 900, 600}, plat::RECT{100, 80, 900, 600}},
      {"off the screen", plat::RECT{-3000, area.bottom + 900, -2200, area.bottom + 1400},
       plat::RECT{area.left, area.bottom - 500, area.left + 800, area.bottom}},
      {"larger than the screen", plat::RECT{-10, -10, w + 400, h + 300}, area},
      {"collapsed to a minimised size", plat::RECT{-32000, -32000, -32000 + 160, -32000 + 24}, std::nullopt},
      {"garbage", plat::RECT{5, 5, 5 - 400, 5 + 99999}, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    if (c.stored) Store(*c.stored);
    Start();
    EXPECT_TRUE(plat::IsZoomed(FrmMain->Handle()));
    EXPECT_EQ(FrmMain->WindowState(), vcl::wsMaximized);
    EXPECT_EQ(WindowRect(), area);
    const plat::RECT normal = NormalRect();
    if (c.normal) {
      EXPECT_EQ(normal, *c.normal);
    } else {
      plat::RECT inside;
      plat::IntersectRect(&inside, &normal, &area);
      EXPECT_EQ(inside, normal) << "the description's place, on the screen";
      EXPECT_GE(normal.right - normal.left, 400);
      EXPECT_GE(normal.bottom - normal.top, 300);
    }
    Stop();
    plat::RegDeleteKeyA(plat::HKEY_CURRENT_USER, app::kSettingsKey);
    MarkFirstRunDone();
  }
}

// The caption's maximise button shows another picture while the window is
// maximised (the restore button) than when it is not, and clicks toggle it.
TEST_F(MainPlacement, MaximiseButtonShowsTheWindowsState) {
  Start();
  ASSERT_TRUE(plat::IsZoomed(FrmMain->Handle()));
  mainwindow::Pump();
  const std::vector<uint32_t> restore_button = MaximiseButtonPixels();
  ASSERT_FALSE(restore_button.empty());
  ClickCaptionButton(plat::HTMAXBUTTON);
  ASSERT_FALSE(plat::IsZoomed(FrmMain->Handle()));
  mainwindow::Pump();
  const std::vector<uint32_t> maximise_button = MaximiseButtonPixels();
  EXPECT_EQ(maximise_button.size(), restore_button.size());
  EXPECT_NE(maximise_button, restore_button);
  ClickCaptionButton(plat::HTMAXBUTTON);
  EXPECT_TRUE(plat::IsZoomed(FrmMain->Handle()));
  mainwindow::Pump();
  EXPECT_EQ(MaximiseButtonPixels(), restore_button);
  Stop();
}

// Closing stores the normal bounds whether the window is maximised,
// minimised by its caption button, or restored again, never a collapsed size.
TEST_F(MainPlacement, ClosingStoresTheNormalBounds) {
  const plat::RECT normal{100, 80, 900, 600};
  struct Case {
    const char* what;
    std::vector<plat::LRESULT> clicks;  // caption buttons pressed after start-up
    bool iconic;
  };
  const Case cases[] = {
      {"closed maximised", {}, false},
      {"closed minimised", {plat::HTMINBUTTON}, true},
      {"closed minimised from the normal state", {plat::HTMAXBUTTON, plat::HTMINBUTTON}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Store(normal);
    Start();
    vcl::TRect before_last = FrmMain->BoundsRect();
    for (plat::LRESULT hit : c.clicks) {
      before_last = FrmMain->BoundsRect();
      ClickCaptionButton(hit);
    }
    EXPECT_EQ(plat::IsIconic(FrmMain->Handle()) != plat::FALSE, c.iconic);
    EXPECT_EQ(NormalRect(), normal);
    if (c.iconic)
      EXPECT_EQ(FrmMain->BoundsRect(), before_last) << "the form keeps its bounds while minimised";
    Stop();
    EXPECT_EQ(Stored(), normal);
    plat::RegDeleteKeyA(plat::HKEY_CURRENT_USER, app::kSettingsKey);
    MarkFirstRunDone();
  }
}

}  // namespace
