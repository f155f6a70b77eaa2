#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "UserTestSupport.h"
#include "platform/kernel/Clock.h"
#include "platform/kernel/Threads.h"
#include "platform/user/Messages.h"

using namespace plat;

namespace {

class Timers : public usertest::RecordingClass {
 protected:
  // Every WM_TIMER the queue gives now, as wParam values.
  std::vector<WPARAM> DrainTimers(HWND filter = nullptr) {
    std::vector<WPARAM> ids;
    MSG msg;
    while (PeekMessageA(&msg, filter, WM_TIMER, WM_TIMER, PM_REMOVE)) {
      EXPECT_EQ(msg.time, GetTickCount());
      ids.push_back(msg.wParam);
    }
    return ids;
  }

  ScopedManualClock clock_;
};

std::vector<WPARAM> proc_calls;
void RecordTimerProc(HWND, UINT message, uintptr_t id, DWORD) {
  EXPECT_EQ(message, WM_TIMER);
  proc_calls.push_back(id);
}

}  // namespace

TEST_F(Timers, FireOnScheduleCoalesceAndCountFromRetrieval) {
  HWND hwnd = Make();
  ASSERT_EQ(SetTimer(hwnd, 5, 100, nullptr), 5u);
  clock::AdvanceMs(99);
  EXPECT_TRUE(DrainTimers().empty());
  clock::AdvanceMs(1);
  EXPECT_EQ(DrainTimers(), std::vector<WPARAM>{5});
  // Nobody pumps for 350 ms: still one message.
  clock::AdvanceMs(350);
  EXPECT_EQ(DrainTimers(), std::vector<WPARAM>{5});
  // The next is due 100 ms after that retrieval.
  clock::AdvanceMs(99);
  EXPECT_TRUE(DrainTimers().empty());
  clock::AdvanceMs(1);
  EXPECT_EQ(DrainTimers(), std::vector<WPARAM>{5});
}

TEST_F(Timers, KillReplaceAndDestroy) {
  HWND hwnd = Make();
  struct Case {
    const char* what;
    std::function<void()> after_due;
    std::vector<WPARAM> expected;
  };
  const Case cases[] = {
      {"kill drops the pending message", [&] { EXPECT_TRUE(KillTimer(hwnd, 1)); }, {}},
      {"reset restarts the interval", [&] { SetTimer(hwnd, 1, 50, nullptr); }, {}},
      {"killing an unknown id leaves the timer", [&] { EXPECT_FALSE(KillTimer(hwnd, 2)); }, {1}},
  };
  for (const Case& c : cases) {
    SetTimer(hwnd, 1, 100, nullptr);
    clock::AdvanceMs(100);
    c.after_due();
    EXPECT_EQ(DrainTimers(), c.expected) << c.what;
    KillTimer(hwnd, 1);
  }
  SetTimer(hwnd, 1, 100, nullptr);
  DestroyWindow(hwnd);
  clock::AdvanceMs(200);
  EXPECT_TRUE(DrainTimers().empty());
  EXPECT_FALSE(KillTimer(hwnd, 1));
}

TEST_F(Timers, PostedMessagesGoFirstAndTheMinimumHolds) {
  HWND hwnd = Make();
  SetTimer(hwnd, 1, 1, nullptr);  // raised to USER_TIMER_MINIMUM
  clock::AdvanceMs(USER_TIMER_MINIMUM - 1);
  EXPECT_TRUE(DrainTimers().empty());
  clock::AdvanceMs(1);
  PostMessageA(hwnd, WM_USER, 0, 0);
  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, WM_USER);
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, WM_TIMER);
}

TEST_F(Timers, ThreadTimerCallsItsProcedureOnDispatch) {
  proc_calls.clear();
  UINT_PTR id = SetTimer(nullptr, 0, 30, RecordTimerProc);
  ASSERT_NE(id, 0u);
  EXPECT_NE(SetTimer(nullptr, 0, 30, RecordTimerProc), id);  // a new id each time
  KillTimer(nullptr, id + 1);
  clock::AdvanceMs(30);
  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, HWND_THREAD_MESSAGES, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.hwnd, nullptr);
  DispatchMessageA(&msg);
  EXPECT_EQ(proc_calls, std::vector<WPARAM>{id});
  // A timer killed after its message was taken is not called.
  clock::AdvanceMs(30);
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  KillTimer(nullptr, id);
  DispatchMessageA(&msg);
  EXPECT_EQ(proc_calls.size(), 1u);
}

TEST_F(Timers, GetMessageWakesWhenATimerComesDue) {
  std::atomic<DWORD> received_at{0};
  const DWORD start = GetTickCount();
  HANDLE thread = CreateThread(
      nullptr, 0,
      [](void* p) -> DWORD {
        SetTimer(nullptr, 0, 250, nullptr);
        MSG msg;
        if (GetMessageA(&msg, nullptr, 0, 0) > 0 && msg.message == WM_TIMER)
          static_cast<std::atomic<DWORD>*>(p)->store(GetTickCount());
        return 0;
      },
      &received_at, 0, nullptr);
  ASSERT_TRUE(clock::WaitForTimedWaiters(1));
  clock::AdvanceMs(249);
  EXPECT_EQ(received_at.load(), 0u);
  clock::AdvanceMs(1);
  EXPECT_EQ(WaitForSingleObject(thread, 5000), WAIT_OBJECT_0);
  EXPECT_EQ(received_at.load(), start + 250);
  CloseHandle(thread);
}
