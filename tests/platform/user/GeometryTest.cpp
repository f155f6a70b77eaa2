#include <gtest/gtest.h>

#include <vector>

#include "UserTestSupport.h"
#include "platform/backend/Backend.h"
#include "platform/backend/HeadlessBackend.h"
#include "platform/user/Geometry.h"
#include "platform/user/NonClient.h"
#include "platform/user/Screen.h"

using namespace plat;

namespace plat {
[[maybe_unused]] static bool operator==(const RECT& a, const RECT& b) { return EqualRect(&a, &b) != FALSE; }
[[maybe_unused]] static bool operator==(const POINT& a, const POINT& b) { return a.x == b.x && a.y == b.y; }
}  // namespace plat

namespace {

struct Seen {
  UINT message;
  WPARAM wparam;
  LPARAM lparam;
  RECT rect;  // WINDOWPOS or NCCALCSIZE rectangle where there is one
};

// Records the geometry messages with their values.
class Geometry : public usertest::RecordingClass {
 protected:
  void SetUp() override {
    RecordingClass::SetUp();
    on_message_ = [this](HWND, UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) {
      Seen seen{message, wparam, lparam, RECT{}};
      if (message == WM_WINDOWPOSCHANGING || message == WM_WINDOWPOSCHANGED) {
        auto* pos = reinterpret_cast<WINDOWPOS*>(lparam);
        if (message == WM_WINDOWPOSCHANGING && shrink_to_ > 0) pos->cx = shrink_to_;
        seen.rect = RECT{pos->x, pos->y, pos->x + pos->cx, pos->y + pos->cy};
      }
      if (message == WM_NCCALCSIZE && wparam)
        seen.rect = reinterpret_cast<NCCALCSIZE_PARAMS*>(lparam)->rgrc[0];
      if (message == WM_WINDOWPOSCHANGING || message == WM_WINDOWPOSCHANGED || message == WM_GETMINMAXINFO ||
          message == WM_NCCALCSIZE || message == WM_MOVE || message == WM_SIZE || message == WM_SHOWWINDOW)
        seen_.push_back(seen);
      (void)result;
      return false;
    };
  }

  HWND At(HWND parent, DWORD style, int x, int y, int cx, int cy) {
    HWND hwnd = CreateWindowExA(0, kClass, "", style, x, y, cx, cy, parent, nullptr, nullptr, nullptr);
    made_extra_.push_back(hwnd);
    return hwnd;
  }
  void TearDown() override {
    for (HWND hwnd : made_extra_)
      if (IsWindow(hwnd)) DestroyWindow(hwnd);
    RecordingClass::TearDown();
  }
  std::vector<UINT> Messages() const {
    std::vector<UINT> out;
    for (auto& s : seen_) out.push_back(s.message);
    return out;
  }
  const Seen* Find(UINT message) const {
    for (auto& s : seen_)
      if (s.message == message) return &s;
    return nullptr;
  }

  std::vector<Seen> seen_;
  std::vector<HWND> made_extra_;
  int shrink_to_ = 0;
};

}  // namespace

// SetWindowPos asks before it changes, recalculates the client area only when
// the size changes, and reports moves and sizes of the client area.
TEST_F(Geometry, SetWindowPosSendsItsMessagesInOrderWithTheirValues) {
  struct Case {
    const char* name;
    int x, y, cx, cy;
    UINT flags;
    std::vector<UINT> expected;
  };
  const Case cases[] = {
      {"move", 60, 70, 0, 0, SWP_NOSIZE, {WM_WINDOWPOSCHANGING, WM_WINDOWPOSCHANGED, WM_MOVE}},
      {"size",
       0,
       0,
       300,
       200,
       SWP_NOMOVE,
       {WM_WINDOWPOSCHANGING, WM_GETMINMAXINFO, WM_NCCALCSIZE, WM_WINDOWPOSCHANGED, WM_SIZE}},
      {"both",
       60,
       70,
       300,
       200,
       0,
       {WM_WINDOWPOSCHANGING, WM_GETMINMAXINFO, WM_NCCALCSIZE, WM_WINDOWPOSCHANGED, WM_MOVE, WM_SIZE}},
      {"nothing", 50, 50, 200, 150, 0, {WM_WINDOWPOSCHANGING, WM_GETMINMAXINFO, WM_WINDOWPOSCHANGED}},
  };
  for (const Case& c : cases) {
    HWND hwnd = At(nullptr, WS_OVERLAPPEDWINDOW, 50, 50, 200, 150);
    seen_.clear();
    EXPECT_TRUE(SetWindowPos(hwnd, nullptr, c.x, c.y, c.cx, c.cy, c.flags | SWP_NOZORDER | SWP_NOACTIVATE));
    EXPECT_EQ(Messages(), c.expected) << c.name;
    RECT window;
    GetWindowRect(hwnd, &window);
    RECT client;
    GetClientRect(hwnd, &client);
    // The overlapped frame: 4 pixels of sizing border, 19 of caption.
    EXPECT_EQ(client.right, window.right - window.left - 8) << c.name;
    EXPECT_EQ(client.bottom, window.bottom - window.top - 27) << c.name;
    if (const Seen* size = Find(WM_SIZE)) {
      EXPECT_EQ(size->wparam, SIZE_RESTORED);
      EXPECT_EQ(LOWORD(size->lparam), 292);
      EXPECT_EQ(HIWORD(size->lparam), 173);
      EXPECT_EQ(Find(WM_NCCALCSIZE)->rect, window);  // the new window rectangle goes in
    }
    if (const Seen* move = Find(WM_MOVE)) {
      EXPECT_EQ(LOWORD(move->lparam), 64);  // the client area's corner
      EXPECT_EQ(HIWORD(move->lparam), 93);
    }
    DestroyWindow(hwnd);
  }
}

// WM_WINDOWPOSCHANGING may change the position; the minimum track size holds.
TEST_F(Geometry, ChangingAndMinimumTrackSizeShapeTheResult) {
  HWND hwnd = At(nullptr, WS_OVERLAPPEDWINDOW, 0, 0, 200, 150);
  shrink_to_ = 250;
  SetWindowPos(hwnd, nullptr, 0, 0, 400, 300, SWP_NOZORDER | SWP_NOMOVE);
  RECT r;
  GetWindowRect(hwnd, &r);
  EXPECT_EQ(r, (RECT{0, 0, 250, 300}));
  shrink_to_ = 0;
  SetWindowPos(hwnd, nullptr, 0, 0, 10, 5, SWP_NOZORDER | SWP_NOMOVE);
  GetWindowRect(hwnd, &r);
  EXPECT_EQ(r, (RECT{0, 0, GetSystemMetrics(SM_CXMINTRACK), GetSystemMetrics(SM_CYMINTRACK)}));
  // Children are not held to it.
  HWND child = At(hwnd, WS_CHILD, 0, 0, 50, 50);
  SetWindowPos(child, nullptr, 0, 0, 3, 2, SWP_NOZORDER | SWP_NOMOVE);
  GetClientRect(child, &r);
  EXPECT_EQ(r, (RECT{0, 0, 3, 2}));
}

// Maximising fills the work area and restoring brings the old place back;
// a window minimised from the maximised state restores to it.
TEST_F(Geometry, MaximiseFillsTheWorkAreaAndRestoreReturns) {
  auto* screen = dynamic_cast<backend::HeadlessBackend*>(&backend::Current());
  if (!screen) GTEST_SKIP() << "needs the headless backend";
  const RECT area{0, 0, 1280, 760};
  screen->SetWorkArea(area);
  HWND hwnd = At(nullptr, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 80, 300, 200);
  RECT r;
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &r, 0);
  EXPECT_EQ(r, area);
  seen_.clear();
  EXPECT_TRUE(ShowWindow(hwnd, SW_MAXIMIZE));
  EXPECT_TRUE(IsZoomed(hwnd));
  GetWindowRect(hwnd, &r);
  EXPECT_EQ(r, area);
  GetClientRect(hwnd, &r);
  EXPECT_EQ(r, (RECT{0, 0, 1280, 760 - GetSystemMetrics(SM_CYCAPTION)}));
  ASSERT_NE(Find(WM_SIZE), nullptr);
  EXPECT_EQ(Find(WM_SIZE)->wparam, SIZE_MAXIMIZED);
  EXPECT_EQ(Find(WM_GETMINMAXINFO) != nullptr, true);

  ShowWindow(hwnd, SW_MINIMIZE);
  EXPECT_TRUE(IsIconic(hwnd));
  EXPECT_FALSE(IsZoomed(hwnd));
  WINDOWPLACEMENT placement;
  GetWindowPlacement(hwnd, &placement);
  EXPECT_EQ(placement.showCmd, static_cast<UINT>(SW_SHOWMINIMIZED));
  EXPECT_EQ(placement.rcNormalPosition, (RECT{100, 80, 400, 280}));
  EXPECT_EQ(placement.flags, WPF_RESTORETOMAXIMIZED);
  ShowWindow(hwnd, SW_RESTORE);
  EXPECT_TRUE(IsZoomed(hwnd));
  seen_.clear();
  ShowWindow(hwnd, SW_RESTORE);
  EXPECT_FALSE(IsZoomed(hwnd));
  GetWindowRect(hwnd, &r);
  EXPECT_EQ(r, (RECT{100, 80, 400, 280}));
  ASSERT_NE(Find(WM_SIZE), nullptr);
  EXPECT_EQ(Find(WM_SIZE)->wparam, SIZE_RESTORED);
  // The window manager's own maximise arrives the same way.
  user::ApplyNativeWindowRect(hwnd, area, SW_MAXIMIZE);
  EXPECT_TRUE(IsZoomed(hwnd));
}

// Show states: WM_SHOWWINDOW only on a change, visibility through the ancestors.
TEST_F(Geometry, ShowAndHide) {
  HWND top = At(nullptr, WS_OVERLAPPEDWINDOW, 0, 0, 200, 150);
  HWND child = At(top, WS_CHILD | WS_VISIBLE, 0, 0, 20, 20);
  EXPECT_FALSE(IsWindowVisible(child));
  seen_.clear();
  EXPECT_FALSE(ShowWindow(top, SW_SHOW));
  EXPECT_TRUE(IsWindowVisible(child));
  EXPECT_TRUE(ShowWindow(top, SW_SHOWNA));
  EXPECT_TRUE(ShowWindow(top, SW_HIDE));
  EXPECT_FALSE(ShowWindow(top, SW_HIDE));
  std::vector<WPARAM> shows;
  for (auto& s : seen_)
    if (s.message == WM_SHOWWINDOW) shows.push_back(s.wparam);
  EXPECT_EQ(shows, (std::vector<WPARAM>{TRUE, FALSE}));
  EXPECT_FALSE(IsWindowVisible(top));
}

// Children stack in creation order; SetWindowPos reorders siblings and
// top-level windows, and GetWindow walks the order.
TEST_F(Geometry, ZOrderOfSiblingsAndTopLevelWindows) {
  HWND parent = At(nullptr, WS_POPUP, 0, 0, 100, 100);
  HWND a = At(parent, WS_CHILD, 0, 0, 10, 10);
  HWND b = At(parent, WS_CHILD, 0, 0, 10, 10);
  HWND c = At(parent, WS_CHILD, 0, 0, 10, 10);
  auto order = [&] {
    std::vector<HWND> out;
    for (HWND h = GetWindow(parent, GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT)) out.push_back(h);
    return out;
  };
  EXPECT_EQ(order(), (std::vector<HWND>{a, b, c}));
  struct Step {
    HWND hwnd;
    HWND after;
    std::vector<HWND> expected;
  };
  const Step steps[] = {
      {c, HWND_TOP, {c, a, b}},
      {c, HWND_BOTTOM, {a, b, c}},
      {c, a, {a, c, b}},
  };
  for (const Step& s : steps) {
    SetWindowPos(s.hwnd, s.after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    EXPECT_EQ(order(), s.expected);
  }
  EXPECT_EQ(GetWindow(b, GW_HWNDPREV), c);
  EXPECT_EQ(GetWindow(b, GW_HWNDFIRST), a);
  EXPECT_EQ(GetWindow(a, GW_HWNDLAST), b);
  EXPECT_EQ(GetTopWindow(parent), a);

  HWND owned = At(parent, WS_POPUP, 0, 0, 10, 10);
  EXPECT_EQ(GetWindow(owned, GW_OWNER), parent);
  // Newer top-level windows are above; HWND_TOPMOST keeps one above the rest.
  EXPECT_EQ(GetTopWindow(nullptr), owned);
  SetWindowPos(parent, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  EXPECT_EQ(GetTopWindow(nullptr), parent);
  EXPECT_TRUE(GetWindowLongA(parent, GWL_EXSTYLE) & WS_EX_TOPMOST);
  SetWindowPos(owned, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  EXPECT_EQ(GetTopWindow(nullptr), parent);
  SetWindowPos(parent, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  SetWindowPos(owned, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  EXPECT_EQ(GetTopWindow(nullptr), owned);

  std::vector<HWND> enumerated;
  EnumChildWindows(
      parent,
      [](HWND hwnd, LPARAM l) {
        reinterpret_cast<std::vector<HWND>*>(l)->push_back(hwnd);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&enumerated));
  EXPECT_EQ(enumerated, (std::vector<HWND>{a, c, b}));
}

// Points map through the frames and client areas; lookups by point skip
// hidden and disabled children.
TEST_F(Geometry, CoordinatesAndLookupsByPoint) {
  HWND top = At(nullptr, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 300, 200);
  HWND child = At(top, WS_CHILD | WS_VISIBLE, 10, 20, 50, 50);
  POINT p{0, 0};
  ClientToScreen(child, &p);
  EXPECT_EQ(p, (POINT{114, 143}));
  ScreenToClient(top, &p);
  EXPECT_EQ(p, (POINT{10, 20}));
  POINT pts[2] = {{0, 0}, {5, 5}};
  MapWindowPoints(child, top, pts, 2);
  EXPECT_EQ(pts[1], (POINT{15, 25}));
  RECT r;
  GetWindowRect(child, &r);
  EXPECT_EQ(r, (RECT{114, 143, 164, 193}));

  EXPECT_EQ(WindowFromPoint(POINT{120, 150}), child);
  EXPECT_EQ(WindowFromPoint(POINT{200, 250}), top);
  EXPECT_EQ(ChildWindowFromPoint(top, POINT{15, 25}), child);
  EXPECT_EQ(ChildWindowFromPoint(top, POINT{150, 150}), top);
  EXPECT_EQ(ChildWindowFromPoint(top, POINT{-5, 0}), nullptr);
  EnableWindow(child, FALSE);
  EXPECT_FALSE(IsWindowEnabled(child));
  EXPECT_EQ(WindowFromPoint(POINT{120, 150}), top);
  EXPECT_EQ(ChildWindowFromPointEx(top, POINT{15, 25}, CWP_SKIPDISABLED), top);
  EnableWindow(child, TRUE);
  ShowWindow(child, SW_HIDE);
  EXPECT_EQ(WindowFromPoint(POINT{120, 150}), top);
  EXPECT_EQ(ChildWindowFromPointEx(top, POINT{15, 25}, CWP_SKIPINVISIBLE), top);
  EXPECT_EQ(ChildWindowFromPointEx(top, POINT{15, 25}, CWP_ALL), child);
}

// A style changed at run time takes effect on the frame with SWP_FRAMECHANGED.
TEST_F(Geometry, StyleChangeWithFrameChangedRecalculatesTheClientArea) {
  HWND hwnd = At(nullptr, WS_OVERLAPPEDWINDOW, 0, 0, 200, 150);
  RECT r;
  GetClientRect(hwnd, &r);
  EXPECT_EQ(r, (RECT{0, 0, 192, 123}));
  SetWindowLongA(hwnd, GWL_STYLE, static_cast<LONG>(WS_POPUP | WS_BORDER));
  GetClientRect(hwnd, &r);
  EXPECT_EQ(r, (RECT{0, 0, 192, 123}));  // nothing until the frame is told
  seen_.clear();
  SetWindowPos(hwnd, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
  GetClientRect(hwnd, &r);
  EXPECT_EQ(r, (RECT{0, 0, 198, 148}));
  ASSERT_NE(Find(WM_SIZE), nullptr);
  EXPECT_EQ(LOWORD(Find(WM_SIZE)->lparam), 198);
  EXPECT_NE(Find(WM_NCCALCSIZE), nullptr);
}

TEST(Rectangles, HelpersFollowTheEmptyRules) {
  RECT out;
  const RECT a{0, 0, 10, 10};
  const RECT b{5, 5, 20, 20};
  const RECT far{30, 30, 40, 40};
  EXPECT_TRUE(IntersectRect(&out, &a, &b));
  EXPECT_EQ(out, (RECT{5, 5, 10, 10}));
  EXPECT_FALSE(IntersectRect(&out, &a, &far));
  EXPECT_TRUE(IsRectEmpty(&out));
  EXPECT_TRUE(UnionRect(&out, &a, &far));
  EXPECT_EQ(out, (RECT{0, 0, 40, 40}));
  const RECT right_half{5, -1, 11, 11};
  EXPECT_TRUE(SubtractRect(&out, &a, &right_half));
  EXPECT_EQ(out, (RECT{0, 0, 5, 10}));
  EXPECT_TRUE(SubtractRect(&out, &a, &b));  // a corner does not shrink it
  EXPECT_EQ(out, a);
  EXPECT_TRUE(PtInRect(&a, POINT{0, 9}));
  EXPECT_FALSE(PtInRect(&a, POINT{10, 5}));
}
