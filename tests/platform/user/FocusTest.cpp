#include <gtest/gtest.h>

#include "UserTestSupport.h"
#include "platform/user/Focus.h"
#include "platform/user/Geometry.h"
#include "platform/user/Hooks.h"

using namespace plat;
using usertest::Received;

namespace {

class Focus : public usertest::RecordingClass {
 protected:
  void TearDown() override {
    SetFocus(nullptr);
    RecordingClass::TearDown();
  }
  std::vector<Received> FocusMessages() {
    std::vector<Received> out;
    for (auto& r : Log())
      if (r.message == WM_SETFOCUS || r.message == WM_KILLFOCUS || r.message == WM_ACTIVATE ||
          r.message == WM_NCACTIVATE)
        out.push_back(r);
    return out;
  }
};

bool refuse_focus = false;
LRESULT RefusingHook(int code, WPARAM wparam, LPARAM lparam) {
  if (code == HCBT_SETFOCUS && refuse_focus) return 1;
  return CallNextHookEx(nullptr, code, wparam, lparam);
}

}  // namespace

TEST_F(Focus, KillAndSetFocusNameEachOther) {
  HWND top = Make(nullptr, WS_VISIBLE);
  HWND a = Make(top, WS_CHILD | WS_VISIBLE);
  HWND b = Make(top, WS_CHILD | WS_VISIBLE);
  ClearLog();
  EXPECT_EQ(SetFocus(a), top);
  // The top-level window is activated first; its default procedure focuses it, then the child takes over.
  EXPECT_EQ(GetActiveWindow(), top);
  EXPECT_EQ(GetForegroundWindow(), top);
  EXPECT_EQ(GetFocus(), a);
  const std::vector<Received> expected = {
      {top, WM_NCACTIVATE, TRUE, GetCurrentThreadId()},
      {top, WM_ACTIVATE, WA_ACTIVE, GetCurrentThreadId()},
      {top, WM_SETFOCUS, 0, GetCurrentThreadId()},
      {top, WM_KILLFOCUS, reinterpret_cast<WPARAM>(a), GetCurrentThreadId()},
      {a, WM_SETFOCUS, reinterpret_cast<WPARAM>(top), GetCurrentThreadId()}};
  EXPECT_EQ(FocusMessages(), expected);

  ClearLog();
  EXPECT_EQ(SetFocus(b), a);
  const std::vector<Received> moved = {{a, WM_KILLFOCUS, reinterpret_cast<WPARAM>(b), GetCurrentThreadId()},
                                       {b, WM_SETFOCUS, reinterpret_cast<WPARAM>(a), GetCurrentThreadId()}};
  EXPECT_EQ(FocusMessages(), moved);
  ClearLog();
  EXPECT_EQ(SetFocus(b), b);  // already there: nothing is said
  EXPECT_TRUE(FocusMessages().empty());

  // A creation hook may refuse the move; disabled windows never take the focus.
  HHOOK hook = SetWindowsHookExA(WH_CBT, RefusingHook, nullptr, GetCurrentThreadId());
  refuse_focus = true;
  EXPECT_EQ(SetFocus(a), nullptr);
  EXPECT_EQ(GetFocus(), b);
  refuse_focus = false;
  UnhookWindowsHookEx(hook);
  SetWindowLongA(a, GWL_STYLE, GetWindowLongA(a, GWL_STYLE) | static_cast<LONG>(WS_DISABLED));
  EXPECT_EQ(SetFocus(a), nullptr);
  EXPECT_EQ(GetFocus(), b);

  // A window that goes takes the focus with it.
  DestroyWindow(b);
  EXPECT_EQ(GetFocus(), nullptr);
}

TEST_F(Focus, ActivationMovesBetweenTopLevelWindows) {
  HWND first = Make(nullptr, WS_VISIBLE);
  HWND second = Make(nullptr, WS_VISIBLE);
  SetActiveWindow(first);
  ClearLog();
  EXPECT_EQ(SetActiveWindow(second), first);
  const DWORD me = GetCurrentThreadId();
  const std::vector<Received> expected = {{first, WM_NCACTIVATE, FALSE, me},
                                          {first, WM_ACTIVATE, WA_INACTIVE, me},
                                          {second, WM_NCACTIVATE, TRUE, me},
                                          {second, WM_ACTIVATE, WA_ACTIVE, me},
                                          {first, WM_KILLFOCUS, reinterpret_cast<WPARAM>(second), me},
                                          {second, WM_SETFOCUS, reinterpret_cast<WPARAM>(first), me}};
  EXPECT_EQ(FocusMessages(), expected);
  EXPECT_EQ(GetForegroundWindow(), second);
  // Children are not activated.
  HWND child = Make(second, WS_CHILD);
  EXPECT_EQ(SetActiveWindow(child), nullptr);
  EXPECT_EQ(GetActiveWindow(), second);
  DestroyWindow(second);
  EXPECT_EQ(GetActiveWindow(), nullptr);
}
