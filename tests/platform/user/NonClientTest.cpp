#include <gtest/gtest.h>

#include <vector>

#include "UserTestSupport.h"
#include "platform/backend/Backend.h"
#include "platform/backend/HeadlessBackend.h"
#include "platform/gdi/Colors.h"
#include "platform/user/Geometry.h"
#include "platform/user/Input.h"
#include "platform/user/NonClient.h"
#include "platform/user/Paint.h"
#include "platform/user/Screen.h"

using namespace plat;

namespace plat {
[[maybe_unused]] static bool operator==(const RECT& a, const RECT& b) { return EqualRect(&a, &b) != FALSE; }
}  // namespace plat

namespace {

LPARAM At(int x, int y) { return static_cast<LPARAM>(MAKELONG(static_cast<WORD>(x), static_cast<WORD>(y))); }

class NonClient : public usertest::RecordingClass {
 protected:
  HWND Frame(DWORD style, DWORD ex_style, RECT r, const char* title = "") {
    HWND hwnd = CreateWindowExA(ex_style, kClass, title, style, r.left, r.top, r.right - r.left,
                                r.bottom - r.top, nullptr, nullptr, nullptr, nullptr);
    extra_.push_back(hwnd);
    return hwnd;
  }
  void TearDown() override {
    for (HWND hwnd : extra_)
      if (IsWindow(hwnd)) DestroyWindow(hwnd);
    RecordingClass::TearDown();
  }
  void Pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  }
  std::vector<HWND> extra_;
};

}  // namespace

// The frame's widths for each kind of style, and a real window's client area
// and AdjustWindowRectEx agree with them.
TEST_F(NonClient, FrameSizesFollowTheStyles) {
  struct Case {
    const char* name;
    DWORD style;
    DWORD ex_style;
    RECT insets;
  };
  const Case cases[] = {
      {"overlapped", WS_OVERLAPPEDWINDOW, 0, RECT{4, 23, 4, 4}},
      {"fixed caption", WS_POPUP | WS_CAPTION | WS_SYSMENU, 0, RECT{3, 22, 3, 3}},
      {"modal frame", WS_POPUP | WS_CAPTION, WS_EX_DLGMODALFRAME, RECT{3, 22, 3, 3}},
      {"dialog frame only", WS_POPUP | WS_DLGFRAME, 0, RECT{3, 3, 3, 3}},
      {"thin border", WS_POPUP | WS_BORDER, 0, RECT{1, 1, 1, 1}},
      {"client edge", WS_POPUP, WS_EX_CLIENTEDGE, RECT{2, 2, 2, 2}},
      {"static edge and border", WS_POPUP | WS_BORDER, WS_EX_STATICEDGE, RECT{2, 2, 2, 2}},
      {"tool window", WS_OVERLAPPEDWINDOW, WS_EX_TOOLWINDOW, RECT{4, 19, 4, 4}},
      {"bare popup", WS_POPUP, 0, RECT{0, 0, 0, 0}},
      {"scroll bars", WS_POPUP | WS_VSCROLL | WS_HSCROLL, 0, RECT{0, 0, 16, 16}},
  };
  for (const Case& c : cases) {
    const WindowFrame frame(c.style, c.ex_style, 200, 100);
    EXPECT_EQ(frame.Insets(), c.insets) << c.name;
    HWND hwnd = Frame(c.style, c.ex_style, RECT{10, 10, 210, 110});
    RECT client;
    GetClientRect(hwnd, &client);
    EXPECT_EQ(client,
              (RECT{0, 0, 200 - c.insets.left - c.insets.right, 100 - c.insets.top - c.insets.bottom}))
        << c.name;
    POINT corner{0, 0};
    ClientToScreen(hwnd, &corner);
    EXPECT_EQ(corner.x, 10 + c.insets.left) << c.name;
    EXPECT_EQ(corner.y, 10 + c.insets.top) << c.name;
    if (!(c.style & (WS_VSCROLL | WS_HSCROLL))) {
      RECT adjusted{0, 0, 50, 40};
      AdjustWindowRectEx(&adjusted, c.style, FALSE, c.ex_style);
      EXPECT_EQ(adjusted, (RECT{-c.insets.left, -c.insets.top, 50 + c.insets.right, 40 + c.insets.bottom}))
          << c.name;
    }
    DestroyWindow(hwnd);
  }
}

// WM_NCHITTEST at chosen points of a sizeable window with all buttons.
TEST_F(NonClient, HitTestingAtChosenPoints) {
  HWND hwnd = Frame(WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, RECT{100, 100, 300, 200});
  const WindowFrame frame = WindowFrame::Of(hwnd);
  auto centre = [&](LRESULT button) {
    RECT b = frame.ButtonRect(button);
    return POINT{100 + (b.left + b.right) / 2, 100 + (b.top + b.bottom) / 2};
  };
  struct Case {
    POINT screen;
    LRESULT expected;
  };
  const Case cases[] = {
      {{101, 101}, HTTOPLEFT},
      {{200, 101}, HTTOP},
      {{298, 101}, HTTOPRIGHT},
      {{101, 150}, HTLEFT},
      {{299, 150}, HTRIGHT},
      {{101, 199}, HTBOTTOMLEFT},
      {{200, 199}, HTBOTTOM},
      {{299, 199}, HTBOTTOMRIGHT},
      {{101, 110}, HTTOPLEFT},
      {{160, 112}, HTCAPTION},
      {{200, 160}, HTCLIENT},
      {{104, 123}, HTCLIENT},
      {centre(HTCLOSE), HTCLOSE},
      {centre(HTMAXBUTTON), HTMAXBUTTON},
      {centre(HTMINBUTTON), HTMINBUTTON},
      {centre(HTSYSMENU), HTSYSMENU},
      {{99, 150}, HTNOWHERE},
      {{300, 150}, HTNOWHERE},
  };
  for (const Case& c : cases)
    EXPECT_EQ(SendMessageA(hwnd, WM_NCHITTEST, 0, At(c.screen.x, c.screen.y)), c.expected)
        << c.screen.x << "," << c.screen.y;
  // Without a sizing frame the border is only a border; maximised, it is gone.
  HWND fixed = Frame(WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE, 0, RECT{400, 100, 500, 200});
  EXPECT_EQ(SendMessageA(fixed, WM_NCHITTEST, 0, At(401, 150)), HTBORDER);
  EXPECT_EQ(SendMessageA(fixed, WM_NCHITTEST, 0, At(401, 101)), HTBORDER);
  EXPECT_TRUE(frame.ButtonRect(HTMINBUTTON).right > 0);
  EXPECT_EQ(WindowFrame::Of(fixed).ButtonRect(HTMINBUTTON), RECT{});
  ShowWindow(hwnd, SW_MAXIMIZE);
  RECT r;
  GetWindowRect(hwnd, &r);
  EXPECT_EQ(SendMessageA(hwnd, WM_NCHITTEST, 0, At(r.left, r.top + 5)), HTCAPTION);
}

// The painted frame shows what the hit test says: caption colour where it
// answers HTCAPTION, the button face on the buttons, the class brush in the
// client area; activation repaints the caption.
TEST_F(NonClient, PaintedFrameAgreesWithHitTesting) {
  auto* screen = dynamic_cast<backend::HeadlessBackend*>(&backend::Current());
  if (!screen) GTEST_SKIP() << "needs the headless backend";
  WNDCLASSA wc;
  wc.lpfnWndProc = DefWindowProcA;
  wc.hbrBackground = reinterpret_cast<HGDIOBJ_>(static_cast<intptr_t>(COLOR_WINDOW + 1));
  wc.lpszClassName = "QuellixFramedWindow";
  ASSERT_NE(RegisterClassA(&wc), 0);
  HWND hwnd = CreateWindowExA(0, "QuellixFramedWindow", "", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50, 240,
                              120, nullptr, nullptr, nullptr, nullptr);
  Pump();
  auto shown = [&](int x, int y) {
    const uint32_t v = screen->PresentedPixel(hwnd, x, y);
    return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
  };
  const WindowFrame frame = WindowFrame::Of(hwnd);
  int checked = 0;
  for (int y = 0; y < 120; y += 3) {
    for (int x = 0; x < 240; x += 5) {
      const LRESULT hit = SendMessageA(hwnd, WM_NCHITTEST, 0, At(50 + x, 50 + y));
      const RECT caption = frame.CaptionRect();
      if (hit == HTCAPTION && y >= caption.top && y < caption.bottom) {
        EXPECT_EQ(shown(x, y), GetSysColor(COLOR_INACTIVECAPTION)) << x << "," << y;
        ++checked;
      } else if (hit == HTCLIENT) {
        EXPECT_EQ(shown(x, y), GetSysColor(COLOR_WINDOW)) << x << "," << y;
        ++checked;
      }
    }
  }
  EXPECT_GT(checked, 100);
  for (LRESULT button : {HTCLOSE, HTMAXBUTTON, HTMINBUTTON}) {
    const RECT b = frame.ButtonRect(button);
    EXPECT_EQ(shown(b.left + 2, b.top + 2), GetSysColor(COLOR_3DFACE));
  }
  SendMessageA(hwnd, WM_NCACTIVATE, TRUE, 0);
  EXPECT_EQ(shown(60, 10), GetSysColor(COLOR_ACTIVECAPTION));
  SendMessageA(hwnd, WM_NCACTIVATE, FALSE, 0);
  EXPECT_EQ(shown(60, 10), GetSysColor(COLOR_INACTIVECAPTION));
  DestroyWindow(hwnd);
  UnregisterClassA("QuellixFramedWindow", nullptr);
}

// A press on a caption button runs its command only when released on it.
TEST_F(NonClient, CaptionButtonsRunTheirCommandWhenReleasedOnThem) {
  struct Case {
    LRESULT button;
    bool release_on_button;
    bool closed;
    bool zoomed;
  };
  const Case cases[] = {
      {HTCLOSE, true, true, false},
      {HTCLOSE, false, false, false},
      {HTMAXBUTTON, true, false, true},
  };
  for (const Case& c : cases) {
    HWND hwnd = Frame(WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, RECT{100, 100, 300, 200});
    const RECT b = WindowFrame::Of(hwnd).ButtonRect(c.button);
    const POINT press{100 + b.left + 3, 100 + b.top + 3};
    const POINT release = c.release_on_button ? press : POINT{160, 160};
    PostMessageA(hwnd, WM_NCMOUSEMOVE, HTCLIENT, At(release.x, release.y));
    PostMessageA(hwnd, WM_NCLBUTTONUP, HTCLIENT, At(release.x, release.y));
    ClearLog();
    SendMessageA(hwnd, WM_NCLBUTTONDOWN, static_cast<WPARAM>(c.button), At(press.x, press.y));
    EXPECT_EQ(!IsWindow(hwnd), c.closed);
    if (IsWindow(hwnd)) {
      EXPECT_EQ(IsZoomed(hwnd) != FALSE, c.zoomed);
    }
    EXPECT_EQ(Log(WM_SYSCOMMAND).size(), c.release_on_button ? 1u : 0u);
    if (IsWindow(hwnd)) DestroyWindow(hwnd);
  }
}

// Moving and sizing follow the mouse in a modal loop; Escape puts it back.
TEST_F(NonClient, MoveAndSizeLoopFollowsTheMouse) {
  struct Case {
    WPARAM command;
    LPARAM hit;
    bool escape;
    RECT expected;
  };
  const Case cases[] = {
      {SC_MOVE + HTCAPTION, HTCAPTION, false, RECT{130, 120, 330, 220}},
      {SC_SIZE + WMSZ_BOTTOMRIGHT, HTBOTTOMRIGHT, false, RECT{100, 100, 330, 220}},
      {SC_SIZE + WMSZ_LEFT, HTLEFT, false, RECT{130, 100, 300, 200}},
      {SC_MOVE + HTCAPTION, HTCAPTION, true, RECT{100, 100, 300, 200}},
  };
  for (const Case& c : cases) {
    HWND hwnd = Frame(WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, RECT{100, 100, 300, 200});
    const POINT start{150, 110};
    PostMessageA(hwnd, WM_NCMOUSEMOVE, static_cast<WPARAM>(c.hit), At(start.x + 30, start.y + 20));
    if (c.escape)
      PostMessageA(hwnd, WM_KEYDOWN, 0x1B, 0);
    else
      PostMessageA(hwnd, WM_NCLBUTTONUP, static_cast<WPARAM>(c.hit), At(start.x + 30, start.y + 20));
    ClearLog();
    SendMessageA(hwnd, WM_SYSCOMMAND, c.command, At(start.x, start.y));
    RECT r;
    GetWindowRect(hwnd, &r);
    EXPECT_EQ(r, c.expected) << c.command;
    EXPECT_EQ(Log(WM_ENTERSIZEMOVE).size(), 1u);
    EXPECT_EQ(Log(WM_EXITSIZEMOVE).size(), 1u);
    EXPECT_EQ(Log((c.command & 0xFFF0) == SC_MOVE ? WM_MOVING : WM_SIZING).size(), 1u);
    DestroyWindow(hwnd);
  }
}

TEST_F(NonClient, SystemCommandsChangeTheShowState) {
  HWND hwnd = Frame(WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, RECT{100, 100, 300, 200});
  SendMessageA(hwnd, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
  EXPECT_TRUE(IsZoomed(hwnd));
  SendMessageA(hwnd, WM_SYSCOMMAND, SC_RESTORE, 0);
  SendMessageA(hwnd, WM_SYSCOMMAND, SC_MINIMIZE, 0);
  EXPECT_TRUE(IsIconic(hwnd));
  // Minimised, it keeps the rectangle it comes back to and is off the screen.
  RECT r;
  GetWindowRect(hwnd, &r);
  EXPECT_EQ(r, (RECT{100, 100, 300, 200}));
  EXPECT_NE(WindowFromPoint(POINT{200, 150}), hwnd);
  SendMessageA(hwnd, WM_SYSCOMMAND, SC_RESTORE, 0);
  EXPECT_FALSE(IsIconic(hwnd));
  EXPECT_EQ(WindowFromPoint(POINT{200, 150}), hwnd);
  GetWindowRect(hwnd, &r);
  EXPECT_EQ(r, (RECT{100, 100, 300, 200}));
  SendMessageA(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_FALSE(IsWindow(hwnd));
}

// The window manager's close button closes as the system menu's Close does.
TEST_F(NonClient, CloseRequestOfTheWindowManagerClosesTheWindow) {
  HWND hwnd = Frame(WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, RECT{100, 100, 300, 200});
  auto* screen = dynamic_cast<backend::HeadlessBackend*>(&backend::Current());
  if (!screen) GTEST_SKIP() << "needs the headless backend";
  screen->InjectWindowEvent(hwnd, backend::EventType::CloseRequested);
  user::PumpBackendEvents(0);
  Pump();
  EXPECT_FALSE(IsWindow(hwnd));
}

TEST(SystemMetrics, ClassicValues) {
  struct Case {
    int index;
    int value;
  };
  const Case cases[] = {{SM_CYCAPTION, 19}, {SM_CXFRAME, 4},      {SM_CXBORDER, 1},   {SM_CXEDGE, 2},
                        {SM_CXSIZE, 18},    {SM_CYSMCAPTION, 15}, {SM_CXVSCROLL, 16}, {SM_CXICON, 32},
                        {SM_CXCURSOR, 32},  {SM_CXDOUBLECLK, 4},  {SM_CXDLGFRAME, 3}, {12345, 0}};
  for (const Case& c : cases) EXPECT_EQ(GetSystemMetrics(c.index), c.value) << c.index;
  NONCLIENTMETRICSA metrics;
  ASSERT_TRUE(SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0));
  EXPECT_EQ(metrics.iCaptionHeight, GetSystemMetrics(SM_CYSIZE));
  EXPECT_EQ(metrics.lfCaptionFont.lfWeight, 700);
  metrics.cbSize = 100;
  EXPECT_FALSE(SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, 0, &metrics, 0));
}
