#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "ControlTestSupport.h"
#include "platform/backend/Backend.h"
#include "platform/user/Hooks.h"
#include "platform/user/NonClient.h"
#include "platform/user/Screen.h"
#include "platform/user/ScrollBar.h"

using namespace plat;

namespace {

class ScrollBar : public usertest::ControlTest {
 protected:
  // A vertical bar 20 x 200: arrows at both ends, the rest is track.
  HWND Vertical() { return Child(WC_SCROLLBARA, "", SBS_VERT, 10, 10, 20, 200, 9); }
  static SCROLLINFO Info(int min, int max, UINT page, int pos) {
    SCROLLINFO info;
    info.fMask = SIF_ALL;
    info.nMin = min;
    info.nMax = max;
    info.nPage = page;
    info.nPos = pos;
    return info;
  }
};

struct InfoCase {
  int min, max;
  UINT page;
  int pos;
  UINT expected_page;
  int expected_pos;
};

TEST_F(ScrollBar, InfoIsClampedToTheRangeAndPage) {
  const InfoCase cases[] = {
      {0, 100, 10, 50, 10, 50}, {0, 100, 10, 95, 10, 91}, {0, 100, 10, -5, 10, 0},
      {10, 20, 50, 15, 11, 10}, {0, 100, 0, 100, 0, 100}, {-50, 50, 1, -60, 1, -50},
  };
  HWND bar = Vertical();
  for (const InfoCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.min << ".." << c.max << " page " << c.page << " pos " << c.pos);
    SCROLLINFO in = Info(c.min, c.max, c.page, c.pos);
    EXPECT_EQ(SetScrollInfo(bar, SB_CTL, &in, TRUE), c.expected_pos);
    SCROLLINFO out;
    out.fMask = SIF_ALL;
    ASSERT_TRUE(GetScrollInfo(bar, SB_CTL, &out));
    EXPECT_EQ(out.nMin, c.min);
    EXPECT_EQ(out.nMax, c.max);
    EXPECT_EQ(out.nPage, c.expected_page);
    EXPECT_EQ(out.nPos, c.expected_pos);
    EXPECT_EQ(out.nTrackPos, c.expected_pos);
  }
  EXPECT_EQ(SetScrollPos(bar, SB_CTL, 30, FALSE), -50);
  int min = 0, max = 0;
  SetScrollRange(bar, SB_CTL, 5, 25, FALSE);
  GetScrollRange(bar, SB_CTL, &min, &max);
  EXPECT_EQ(min, 5);
  EXPECT_EQ(max, 25);
  EXPECT_EQ(GetScrollPos(bar, SB_CTL), 25);
}

TEST_F(ScrollBar, InfoReportsArrowsThumbAndStates) {
  HWND bar = Vertical();
  SCROLLINFO in = Info(0, 99, 20, 0);
  SetScrollInfo(bar, SB_CTL, &in, TRUE);
  SCROLLBARINFO info;
  ASSERT_TRUE(GetScrollBarInfo(bar, OBJID_CLIENT, &info));
  const int arrow = GetSystemMetrics(SM_CYVSCROLL);
  EXPECT_EQ(info.dxyLineButton, arrow);
  EXPECT_EQ(info.xyThumbTop, arrow);
  EXPECT_EQ(info.xyThumbBottom - info.xyThumbTop, (200 - 2 * arrow) * 20 / 100);
  RECT screen;
  GetWindowRect(bar, &screen);
  EXPECT_EQ(info.rcScrollBar.top, screen.top);
  EXPECT_EQ(info.rcScrollBar.bottom - info.rcScrollBar.top, 200);
  for (DWORD state : info.rgstate) EXPECT_EQ(state, 0u);

  SetScrollPos(bar, SB_CTL, 80, TRUE);
  GetScrollBarInfo(bar, OBJID_CLIENT, &info);
  EXPECT_EQ(info.xyThumbBottom, 200 - arrow) << "the last position puts the thumb against the lower arrow";

  EXPECT_TRUE(EnableScrollBar(bar, SB_CTL, ESB_DISABLE_UP));
  EXPECT_FALSE(EnableScrollBar(bar, SB_CTL, ESB_DISABLE_UP));
  GetScrollBarInfo(bar, OBJID_CLIENT, &info);
  EXPECT_EQ(info.rgstate[1], STATE_SYSTEM_UNAVAILABLE);
  EXPECT_EQ(info.rgstate[5], 0u);
  EnableScrollBar(bar, SB_CTL, ESB_DISABLE_BOTH);
  GetScrollBarInfo(bar, OBJID_CLIENT, &info);
  EXPECT_TRUE(info.rgstate[0] & STATE_SYSTEM_UNAVAILABLE);

  EXPECT_FALSE(GetScrollBarInfo(parent_, OBJID_CLIENT, &info)) << "OBJID_CLIENT is for scroll bar controls";
}

TEST_F(ScrollBar, WindowBarsComeAndGoWithTheRange) {
  HWND view = Child(kClass, "", WS_BORDER, 0, 0, 200, 150);
  SCROLLINFO needs = Info(0, 999, 100, 0);
  SetScrollInfo(view, SB_VERT, &needs, TRUE);
  EXPECT_TRUE(GetWindowLongA(view, GWL_STYLE) & WS_VSCROLL);
  SCROLLBARINFO info;
  ASSERT_TRUE(GetScrollBarInfo(view, OBJID_VSCROLL, &info));
  EXPECT_EQ(info.rgstate[0], 0u);
  EXPECT_EQ(info.rcScrollBar.right - info.rcScrollBar.left, GetSystemMetrics(SM_CXVSCROLL));
  RECT client;
  GetClientRect(view, &client);
  EXPECT_EQ(client.right, 200 - 2 - GetSystemMetrics(SM_CXVSCROLL))
      << "the bar takes its room from the client area";

  SCROLLINFO fits = Info(0, 50, 100, 0);
  SetScrollInfo(view, SB_VERT, &fits, TRUE);
  EXPECT_FALSE(GetWindowLongA(view, GWL_STYLE) & WS_VSCROLL);
  GetScrollBarInfo(view, OBJID_VSCROLL, &info);
  EXPECT_TRUE(info.rgstate[0] & STATE_SYSTEM_INVISIBLE);

  fits.fMask |= SIF_DISABLENOSCROLL;
  SetScrollInfo(view, SB_VERT, &fits, TRUE);
  EXPECT_TRUE(GetWindowLongA(view, GWL_STYLE) & WS_VSCROLL);
  GetScrollBarInfo(view, OBJID_VSCROLL, &info);
  EXPECT_EQ(info.rgstate[0], STATE_SYSTEM_UNAVAILABLE);

  ShowScrollBar(view, SB_BOTH, TRUE);
  EXPECT_TRUE(GetWindowLongA(view, GWL_STYLE) & WS_HSCROLL);
  ShowScrollBar(view, SB_BOTH, FALSE);
  EXPECT_FALSE(GetWindowLongA(view, GWL_STYLE) & (WS_HSCROLL | WS_VSCROLL));
}

TEST_F(ScrollBar, ArrowClickScrollsOnceAndEnds) {
  HWND bar = Vertical();
  SCROLLINFO in = Info(0, 100, 10, 0);
  SetScrollInfo(bar, SB_CTL, &in, TRUE);
  // The loop picks the release up from the queue.
  PostMessageA(bar, WM_LBUTTONUP, 0, At(10, 195));
  SendMessageA(bar, WM_LBUTTONDOWN, MK_LBUTTON, At(10, 195));
  EXPECT_EQ(ScrollCodes(), (std::vector<WORD>{SB_LINEDOWN, SB_ENDSCROLL}));
  EXPECT_EQ(notices_[0].message, static_cast<UINT>(WM_VSCROLL));
  EXPECT_EQ(notices_[0].from, bar);
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(ScrollBar, ThumbDragTracksAndEndsAtTheDropPosition) {
  HWND bar = Vertical();
  SCROLLINFO in = Info(0, 100, 0, 0);
  SetScrollInfo(bar, SB_CTL, &in, TRUE);
  SCROLLBARINFO info;
  GetScrollBarInfo(bar, OBJID_CLIENT, &info);
  const int grab = info.xyThumbTop + 2;
  PostMessageA(bar, WM_MOUSEMOVE, MK_LBUTTON, At(10, grab + 40));
  PostMessageA(bar, WM_MOUSEMOVE, MK_LBUTTON, At(10, 500));
  PostMessageA(bar, WM_LBUTTONUP, 0, At(10, 500));
  SendMessageA(bar, WM_LBUTTONDOWN, MK_LBUTTON, At(10, grab));
  ASSERT_EQ(ScrollCodes(), (std::vector<WORD>{SB_THUMBTRACK, SB_THUMBTRACK, SB_THUMBPOSITION, SB_ENDSCROLL}));
  const int track_room = 200 - 2 * GetSystemMetrics(SM_CYVSCROLL) - GetSystemMetrics(SM_CYVTHUMB);
  EXPECT_NEAR(notices_[0].extra, 40 * 100 / track_room, 1);
  EXPECT_EQ(notices_[1].extra, 100) << "dragging past the end stops at the last position";
  EXPECT_EQ(notices_[2].extra, 100);
  EXPECT_EQ(GetScrollPos(bar, SB_CTL), 0) << "the owner moves the position, not the bar";
}

TEST_F(ScrollBar, HeldArrowRepeatsOnTheManualClock) {
  ScopedManualClock manual;
  HWND bar = Vertical();
  SCROLLINFO in = Info(0, 100, 10, 0);
  SetScrollInfo(bar, SB_CTL, &in, TRUE);
  static std::atomic<int> filtered{0};
  filtered = 0;
  HHOOK hook = SetWindowsHookExA(
      WH_MSGFILTER,
      [](int code, WPARAM wparam, LPARAM lparam) -> LRESULT {
        if (code == MSGF_SCROLLBAR && reinterpret_cast<MSG*>(lparam)->message == WM_TIMER) ++filtered;
        return CallNextHookEx(nullptr, code, wparam, lparam);
      },
      nullptr, GetCurrentThreadId());
  std::thread driver([bar] {
    clock::WaitForTimedWaiters(1);
    // First repeat after the delay, then every repeat period.
    clock::AdvanceMs(user::kScrollFirstDelayMs + 3 * user::kScrollRepeatMs);
    PostMessageA(bar, WM_LBUTTONUP, 0, MAKELPARAM(10, 195));
    backend::Current().Wake();
  });
  SendMessageA(bar, WM_LBUTTONDOWN, MK_LBUTTON, At(10, 195));
  driver.join();
  UnhookWindowsHookEx(hook);
  EXPECT_EQ(ScrollCodes(), (std::vector<WORD>{SB_LINEDOWN, SB_LINEDOWN, SB_LINEDOWN, SB_LINEDOWN, SB_LINEDOWN,
                                              SB_ENDSCROLL}));
  EXPECT_EQ(filtered.load(), 4) << "every repeat passed the message filter";
}

TEST_F(ScrollBar, WindowBarPressTracksThroughTheDefaultProcedure) {
  HWND view = Child(kClass, "", 0, 0, 0, 200, 150);
  SCROLLINFO needs = Info(0, 999, 100, 0);
  SetScrollInfo(view, SB_VERT, &needs, TRUE);
  std::vector<WORD> codes;
  on_message_ = [&](HWND hwnd, UINT message, WPARAM wparam, LPARAM, LRESULT*) {
    if (hwnd == view && message == WM_VSCROLL) codes.push_back(LOWORD(wparam));
    return false;
  };
  SCROLLBARINFO info;
  GetScrollBarInfo(view, OBJID_VSCROLL, &info);
  const int x = info.rcScrollBar.left + 5;
  const int y = info.rcScrollBar.bottom - 3;  // on the lower arrow
  PostMessageA(view, WM_LBUTTONUP, 0, At(0, 0));
  SendMessageA(view, WM_NCLBUTTONDOWN, HTVSCROLL, At(x, y));
  EXPECT_EQ(codes, (std::vector<WORD>{SB_LINEDOWN, SB_ENDSCROLL}));
  codes.clear();
  PostMessageA(view, WM_LBUTTONUP, 0, At(0, 0));
  SendMessageA(view, WM_NCLBUTTONDOWN, HTVSCROLL, At(x, info.rcScrollBar.bottom - 40));
  EXPECT_EQ(codes, (std::vector<WORD>{SB_PAGEDOWN, SB_ENDSCROLL}));
  on_message_ = nullptr;
}

}  // namespace
