#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ControlTestSupport.h"
#include "platform/kernel/Clock.h"
#include "platform/user/Edit.h"
#include "platform/user/ScrollBar.h"
#include "platform/user/UpDown.h"

using namespace plat;

namespace {

class UpDown : public usertest::ControlTest {
 protected:
  // An edit with an up-down laid into its right edge, showing 0..100.
  void MakePair(DWORD extra = 0) {
    edit_ = Child(WC_EDITA, "", WS_BORDER, 10, 10, 100, 20, 1);
    updown_ = Child(UPDOWN_CLASSA, "",
                    UDS_AUTOBUDDY | UDS_ALIGNRIGHT | UDS_SETBUDDYINT | UDS_ARROWKEYS | extra, 0, 0, 16, 0, 2);
    SendMessageA(updown_, UDM_SETRANGE32, 0, 100);
    SendMessageA(updown_, UDM_SETPOS32, 0, 0);
    notices_.clear();
  }
  int Pos() const { return static_cast<int>(SendMessageA(updown_, UDM_GETPOS32, 0, 0)); }
  std::string BuddyText() const { return user::WindowText(edit_); }
  static void PumpTimers() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE)) DispatchMessageA(&msg);
  }
  // Positions reported with SB_THUMBPOSITION.
  std::vector<int> Reported() const {
    std::vector<int> out;
    for (const auto& n : notices_)
      if (n.message == WM_VSCROLL && n.code == SB_THUMBPOSITION) out.push_back(n.extra);
    return out;
  }
  static LPARAM UpperHalf() { return At(8, 3); }
  static LPARAM LowerHalf() { return At(8, 17); }

  HWND edit_ = nullptr;
  HWND updown_ = nullptr;
};

TEST_F(UpDown, SitsInsideTheBuddysRightEdge) {
  MakePair();
  EXPECT_EQ(SendMessageA(updown_, UDM_GETBUDDY, 0, 0), reinterpret_cast<LRESULT>(edit_));
  RECT buddy, me;
  GetWindowRect(edit_, &buddy);
  GetWindowRect(updown_, &me);
  EXPECT_EQ(buddy.right - buddy.left, 84);
  EXPECT_EQ(me.left, buddy.right);
  EXPECT_EQ(me.right - me.left, 16);
  EXPECT_EQ(me.top, buddy.top);
  EXPECT_EQ(me.bottom - me.top, 20);
  EXPECT_EQ(BuddyText(), "0");
}

TEST_F(UpDown, HeldButtonRepeatsOnTheClockAndSpeedsUp) {
  ScopedManualClock manual;
  MakePair();
  SendMessageA(updown_, WM_LBUTTONDOWN, MK_LBUTTON, UpperHalf());
  EXPECT_EQ(Pos(), 1) << "the press steps at once";
  EXPECT_EQ(BuddyText(), "1");
  clock::AdvanceMs(user::kUpDownFirstDelayMs - 1);
  PumpTimers();
  EXPECT_EQ(Pos(), 1);
  clock::AdvanceMs(1);
  PumpTimers();
  EXPECT_EQ(Pos(), 2);
  // Steps of one until two seconds have passed, then steps of five.
  for (int t = 600; t <= 2000; t += 100) {
    clock::AdvanceMs(user::kUpDownRepeatMs);
    PumpTimers();
  }
  EXPECT_EQ(Pos(), 2 + 14 + 5);
  EXPECT_EQ(BuddyText(), "21");

  // Off the button the timer keeps running but nothing steps.
  SendMessageA(updown_, WM_MOUSEMOVE, MK_LBUTTON, At(8, 40));
  clock::AdvanceMs(user::kUpDownRepeatMs);
  PumpTimers();
  EXPECT_EQ(Pos(), 21);
  SendMessageA(updown_, WM_MOUSEMOVE, MK_LBUTTON, UpperHalf());
  clock::AdvanceMs(user::kUpDownRepeatMs);
  PumpTimers();
  EXPECT_EQ(Pos(), 26);

  SendMessageA(updown_, WM_LBUTTONUP, 0, UpperHalf());
  EXPECT_EQ(GetCapture(), nullptr);
  ASSERT_FALSE(notices_.empty());
  EXPECT_EQ(notices_.back().code, SB_ENDSCROLL);
  clock::AdvanceMs(1000);
  PumpTimers();
  EXPECT_EQ(Pos(), 26) << "released: no more steps";
  const std::vector<int> reported = Reported();
  ASSERT_FALSE(reported.empty());
  EXPECT_EQ(reported.front(), 1);
  EXPECT_EQ(reported.back(), 26);
}

TEST_F(UpDown, TheParentCanVetoOrChangeAStep) {
  MakePair();
  int answer = 0, new_delta = 0;
  std::vector<std::pair<int, int>> asked;
  on_parent_ = [&](UINT message, WPARAM, LPARAM lparam, LRESULT* result) {
    if (message != WM_NOTIFY) return false;
    auto* nm = reinterpret_cast<NMUPDOWN*>(lparam);
    if (nm->hdr.code != UDN_DELTAPOS) return false;
    EXPECT_EQ(nm->hdr.hwndFrom, updown_);
    EXPECT_EQ(nm->hdr.idFrom, 2u);
    asked.emplace_back(nm->iPos, nm->iDelta);
    if (new_delta) nm->iDelta = new_delta;
    *result = answer;
    return true;
  };
  answer = 1;
  Click(updown_, 8, 3);
  EXPECT_EQ(Pos(), 0);
  EXPECT_TRUE(Reported().empty()) << "a vetoed step reports nothing";
  answer = 0;
  new_delta = 10;
  Click(updown_, 8, 3);
  EXPECT_EQ(Pos(), 10);
  EXPECT_EQ(BuddyText(), "10");
  new_delta = 0;
  Click(updown_, 8, 17);
  EXPECT_EQ(Pos(), 9);
  EXPECT_EQ(asked, (std::vector<std::pair<int, int>>{{0, 1}, {0, 1}, {10, -1}}));
}

struct LimitCase {
  DWORD style;
  int low, high, start;
  bool up;
  int expected;
};

TEST_F(UpDown, StepsStopOrWrapAtTheLimits) {
  const LimitCase cases[] = {
      {0, 0, 10, 10, true, 10},        {0, 0, 10, 0, false, 0},         {UDS_WRAP, 0, 10, 10, true, 0},
      {UDS_WRAP, 0, 10, 0, false, 10}, {0, 10, 0, 5, true, 4},          {0, 10, 0, 0, true, 0},
      {0, -5, 5, -5, false, -5},       {UDS_WRAP, -5, 5, -5, false, 5},
  };
  for (const LimitCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.style << " " << c.low << ".." << c.high << " from " << c.start);
    HWND ud = Child(UPDOWN_CLASSA, "", c.style, 0, 0, 16, 20, 3);
    SendMessageA(ud, UDM_SETRANGE32, static_cast<WPARAM>(c.low), c.high);
    SendMessageA(ud, UDM_SETPOS32, 0, c.start);
    Click(ud, 8, c.up ? 3 : 17);
    EXPECT_EQ(SendMessageA(ud, UDM_GETPOS32, 0, 0), c.expected);
    DestroyWindow(ud);
  }
}

TEST_F(UpDown, BuddyArrowKeysStepAndTypedTextIsRead) {
  MakePair();
  Key(edit_, VK_UP);
  Key(edit_, VK_UP);
  Key(edit_, VK_DOWN);
  EXPECT_EQ(Pos(), 1);
  EXPECT_EQ(BuddyText(), "1");
  EXPECT_EQ(notices_.back().code, SB_ENDSCROLL);

  SetWindowTextA(edit_, "42");
  EXPECT_EQ(LOWORD(SendMessageA(updown_, UDM_GETPOS, 0, 0)), 42);
  Key(edit_, VK_UP);
  EXPECT_EQ(BuddyText(), "43") << "a step starts from what was typed";

  SetWindowTextA(edit_, "abc");
  const LRESULT got = SendMessageA(updown_, UDM_GETPOS, 0, 0);
  EXPECT_NE(HIWORD(got), 0) << "no number in the buddy";
  EXPECT_EQ(LOWORD(got), 43);
  BOOL error = FALSE;
  SendMessageA(updown_, UDM_GETPOS32, 0, reinterpret_cast<LPARAM>(&error));
  EXPECT_TRUE(error);
}

struct FormatCase {
  DWORD style;
  WPARAM base;
  int pos;
  const char* text;
};

TEST_F(UpDown, BuddyTextFollowsBaseAndSeparators) {
  const FormatCase cases[] = {
      {0, 10, 1234, "1,234"},   {UDS_NOTHOUSANDS, 10, 1234, "1234"},
      {0, 10, -4321, "-4,321"}, {0, 10, 999, "999"},
      {0, 16, 1234, "0x04D2"},
  };
  for (const FormatCase& c : cases) {
    SCOPED_TRACE(c.text);
    MakePair(c.style);
    SendMessageA(updown_, UDM_SETRANGE32, static_cast<WPARAM>(-10000), 10000);
    SendMessageA(updown_, UDM_SETBASE, c.base, 0);
    SendMessageA(updown_, UDM_SETPOS32, 0, c.pos);
    EXPECT_EQ(BuddyText(), c.text);
    EXPECT_EQ(SendMessageA(updown_, UDM_GETPOS32, 0, 0), c.pos) << "the text reads back";
    DestroyWindow(updown_);
    DestroyWindow(edit_);
  }
}

TEST_F(UpDown, RangeAndAccelerationTablesReadBack) {
  HWND ud = Child(UPDOWN_CLASSA, "", 0, 0, 0, 16, 20, 3);
  SendMessageA(ud, UDM_SETRANGE, 0, MAKELPARAM(static_cast<WORD>(50), static_cast<WORD>(-50)));
  EXPECT_EQ(SendMessageA(ud, UDM_GETRANGE, 0, 0), static_cast<LRESULT>(MAKELONG(50, static_cast<WORD>(-50))));
  int low = 0, high = 0;
  SendMessageA(ud, UDM_GETRANGE32, reinterpret_cast<WPARAM>(&low), reinterpret_cast<LPARAM>(&high));
  EXPECT_EQ(low, -50);
  EXPECT_EQ(high, 50);
  UDACCEL accels[2] = {{0, 2}, {1, 7}};
  EXPECT_TRUE(SendMessageA(ud, UDM_SETACCEL, 2, reinterpret_cast<LPARAM>(accels)));
  UDACCEL out[4];
  EXPECT_EQ(SendMessageA(ud, UDM_GETACCEL, 4, reinterpret_cast<LPARAM>(out)), 2);
  EXPECT_EQ(out[1].nInc, 7u);
  Click(ud, 8, 3);
  EXPECT_EQ(SendMessageA(ud, UDM_GETPOS32, 0, 0), 2) << "a single click takes the first increment";
  EXPECT_EQ(SendMessageA(ud, UDM_SETBASE, 8, 0), 0) << "only bases 10 and 16";
}

}  // namespace
