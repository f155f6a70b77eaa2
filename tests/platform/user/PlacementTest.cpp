// Where top-level windows are and come up: the caption's maximise button
// shows the window's state and toggles it, minimising and maximising keep the
// normal rectangle, and the common dialogs come up centred on their owner.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/backend/Backend.h"
#include "platform/backend/HeadlessBackend.h"
#include "platform/gdi/Colors.h"
#include "platform/user/CommonDialogs.h"
#include "platform/user/Geometry.h"
#include "platform/user/Input.h"
#include "platform/user/MessageBox.h"
#include "platform/user/Messages.h"
#include "platform/user/NonClient.h"
#include "platform/user/Screen.h"

using namespace plat;

namespace plat {
[[maybe_unused]] static bool operator==(const RECT& a, const RECT& b) { return EqualRect(&a, &b) != FALSE; }
}  // namespace plat

namespace {

constexpr const char* kClass = "QuellixPlacedWindow";

POINT Centre(const RECT& r) { return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

class Placement : public ::testing::Test {
 protected:
  void SetUp() override {
    screen_ = dynamic_cast<backend::HeadlessBackend*>(&backend::Current());
    if (!screen_) GTEST_SKIP() << "needs the headless backend";
    area_ = user::WorkArea();
    WNDCLASSA wc;
    wc.lpfnWndProc = DefWindowProcA;
    wc.hbrBackground = reinterpret_cast<HGDIOBJ_>(static_cast<intptr_t>(COLOR_WINDOW + 1));
    wc.lpszClassName = kClass;
    ASSERT_NE(RegisterClassA(&wc), 0);
  }
  void TearDown() override {
    if (!screen_) return;
    for (HWND hwnd : made_)
      if (IsWindow(hwnd)) DestroyWindow(hwnd);
    Pump();
    UnregisterClassA(kClass, nullptr);
  }

  HWND Framed(const RECT& r) {
    HWND hwnd = CreateWindowExA(0, kClass, "Placed", WS_OVERLAPPEDWINDOW | WS_VISIBLE, r.left, r.top,
                                r.right - r.left, r.bottom - r.top, nullptr, nullptr, nullptr, nullptr);
    made_.push_back(hwnd);
    Pump();
    return hwnd;
  }
  static void Pump() {
    for (int round = 0; round < 4; ++round) {
      user::PumpBackendEvents(0);
      MSG msg;
      while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    }
  }
  // A click where the caption button shows on the screen.
  void ClickButton(HWND hwnd, LRESULT button) {
    RECT window;
    GetWindowRect(hwnd, &window);
    const POINT at = Centre(WindowFrame::Of(hwnd).ButtonRect(button));
    screen_->InjectClick(POINT{window.left + at.x, window.top + at.y});
    Pump();
  }
  // Which pixels inside the maximise button's edges show the glyph's colour.
  std::vector<bool> MaximiseButtonGlyph(HWND hwnd) const {
    const RECT b = WindowFrame::Of(hwnd).ButtonRect(HTMAXBUTTON);
    std::vector<bool> ink;
    for (int y = b.top + 2; y < b.bottom - 2; ++y)
      for (int x = b.left + 2; x < b.right - 2; ++x) {
        const uint32_t v = screen_->PresentedPixel(hwnd, x, y);
        ink.push_back(RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF) == GetSysColor(COLOR_BTNTEXT));
      }
    return ink;
  }
  static RECT NormalRect(HWND hwnd) {
    WINDOWPLACEMENT placement;
    GetWindowPlacement(hwnd, &placement);
    return placement.rcNormalPosition;
  }

  backend::HeadlessBackend* screen_ = nullptr;
  RECT area_{};
  std::vector<HWND> made_;
};

}  // namespace

// The maximise button draws the restore glyph while the window is maximised
// and the maximise glyph otherwise; each click on it toggles the state.
TEST_F(Placement, MaximiseButtonShowsTheStateAndClicksToggleIt) {
  const RECT normal{100, 100, 500, 400};
  HWND hwnd = Framed(normal);
  const std::vector<bool> maximise_glyph = MaximiseButtonGlyph(hwnd);
  ASSERT_GT(std::count(maximise_glyph.begin(), maximise_glyph.end(), true), 10);
  const struct {
    const char* name;
    bool zoomed;
  } steps[] = {{"maximised by a click", true}, {"restored by a click", false}, {"maximised again", true}};
  for (const auto& step : steps) {
    SCOPED_TRACE(step.name);
    ClickButton(hwnd, HTMAXBUTTON);
    EXPECT_EQ(IsZoomed(hwnd) != FALSE, step.zoomed);
    RECT r;
    GetWindowRect(hwnd, &r);
    EXPECT_EQ(r, step.zoomed ? area_ : normal);
    EXPECT_EQ(NormalRect(hwnd), normal);
    const std::vector<bool> glyph = MaximiseButtonGlyph(hwnd);
    EXPECT_GT(std::count(glyph.begin(), glyph.end(), true), 10) << "a glyph shows";
    EXPECT_EQ(glyph == maximise_glyph, !step.zoomed) << "the restore glyph shows while maximised";
  }
}

// A click on the minimise button takes the window off the screen without
// shrinking it: its rectangle stays the one it comes back to, and a restore,
// by the program or by the desktop (a window manager's taskbar), brings it
// back there, maximised again when it was.
TEST_F(Placement, MinimiseAndRestoreKeepTheNormalRectangle) {
  const RECT normal{120, 90, 620, 470};
  const struct {
    const char* name;
    bool maximised;
    bool by_desktop;
  } cases[] = {
      {"from the normal state", false, false},
      {"from the maximised state", true, false},
      {"from the normal state, restored by the desktop", false, true},
      {"from the maximised state, restored by the desktop", true, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    HWND hwnd = Framed(normal);
    if (c.maximised) ClickButton(hwnd, HTMAXBUTTON);
    ASSERT_EQ(IsZoomed(hwnd) != FALSE, c.maximised);
    RECT before;
    GetWindowRect(hwnd, &before);
    ClickButton(hwnd, HTMINBUTTON);
    ASSERT_TRUE(IsIconic(hwnd));
    EXPECT_TRUE(screen_->IsMinimized(hwnd));
    EXPECT_NE(screen_->WindowAt(Centre(normal)), hwnd) << "off the screen";
    RECT r;
    GetWindowRect(hwnd, &r);
    EXPECT_EQ(r, before) << "not collapsed to an icon's size";
    EXPECT_EQ(NormalRect(hwnd), normal);
    if (c.by_desktop) {
      screen_->InjectWindowEvent(hwnd, backend::EventType::Restored);
    } else {
      ShowWindow(hwnd, SW_RESTORE);
      EXPECT_EQ(screen_->WindowAt(Centre(normal)), hwnd) << "back on the screen";
    }
    Pump();
    EXPECT_FALSE(IsIconic(hwnd));
    EXPECT_EQ(IsZoomed(hwnd) != FALSE, c.maximised);
    GetWindowRect(hwnd, &r);
    EXPECT_EQ(r, c.maximised ? area_ : normal);
    EXPECT_EQ(NormalRect(hwnd), normal);
    DestroyWindow(hwnd);
  }
}

// The colour, print and file dialogs come up centred on the window they
// belong to, wholly on the work area, and on the work area's middle without one.
TEST_F(Placement, CommonDialogsComeUpCentredOnTheirOwner) {
  const int right = area_.right;
  const int bottom = area_.bottom;
  const struct {
    const char* name;
    RECT owner;  // empty: no owner
  } owners[] = {
      {"an owner in the middle", RECT{200, 150, 900, 650}},
      {"an owner off to the left", RECT{area_.left + 10, 100, area_.left + 410, 500}},
      {"an owner in the bottom-right corner", RECT{right - 200, bottom - 120, right + 100, bottom + 60}},
      {"no owner", RECT{}},
  };
  const struct {
    const char* name;
    std::function<void(HWND)> run;
  } dialogs[] = {
      {"colour",
       [](HWND owner) {
         COLORREF custom[16] = {};
         CHOOSECOLORA cc;
         cc.hwndOwner = owner;
         cc.lpCustColors = custom;
         ChooseColorA(&cc);
       }},
      {"print",
       [](HWND owner) {
         PRINTDLGA pd;
         pd.hwndOwner = owner;
         PrintDlgA(&pd);
       }},
      {"open",
       [](HWND owner) {
         char file[260] = {};
         OPENFILENAMEA ofn;
         ofn.hwndOwner = owner;
         ofn.lpstrFile = file;
         ofn.nMaxFile = sizeof file;
         GetOpenFileNameA(&ofn);
       }},
  };
  for (const auto& o : owners) {
    HWND owner = IsRectEmpty(&o.owner) ? nullptr : Framed(o.owner);
    for (const auto& d : dialogs) {
      SCOPED_TRACE(std::string(d.name) + " dialog, " + o.name);
      RECT shown{};
      SetDialogScript([&](const DialogRequest& request) -> std::optional<DialogAnswer> {
        GetWindowRect(request.dialog, &shown);
        return std::nullopt;
      });
      d.run(owner);
      SetDialogScript(nullptr);
      ASSERT_FALSE(IsRectEmpty(&shown)) << "the dialog showed";
      RECT inside;
      IntersectRect(&inside, &shown, &area_);
      EXPECT_EQ(inside, shown) << "wholly on the work area";
      // Where it fits, the dialog's middle is the owner's (the work area's without one).
      const RECT around = owner ? o.owner : area_;
      const POINT want = Centre(around);
      const POINT got = Centre(shown);
      const bool fits = want.x - (shown.right - shown.left) / 2 >= area_.left &&
                        want.x + (shown.right - shown.left) / 2 <= area_.right &&
                        want.y - (shown.bottom - shown.top) / 2 >= area_.top &&
                        want.y + (shown.bottom - shown.top) / 2 <= area_.bottom;
      if (fits) {
        EXPECT_LE(std::abs(got.x - want.x), 2);
        EXPECT_LE(std::abs(got.y - want.y), 2);
      } else {
        EXPECT_TRUE(shown.left == area_.left || shown.right == area_.right || shown.top == area_.top ||
                    shown.bottom == area_.bottom)
            << "pushed in from the edge it reached past";
      }
    }
    if (owner) DestroyWindow(owner);
  }
}
