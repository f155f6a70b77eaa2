#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "platform/kernel/Clock.h"
#include "platform/kernel/ClockSleepAdvance.h"
#include "platform/kernel/Errors.h"
#include "platform/kernel/Sync.h"
#include "platform/kernel/ThreadQueue.h"
#include "platform/kernel/Threads.h"
#include "platform/kernel/WaitCore.h"

using namespace plat;

namespace {

DWORD WaitOnParameter(void* parameter) { return WaitForSingleObject(static_cast<HANDLE>(parameter), 100); }

}  // namespace

TEST(Events, AutoResetReleasesOneWaitManualResetStays) {
  HANDLE autoev = CreateEventA(nullptr, FALSE, TRUE, nullptr);
  HANDLE manual = CreateEventA(nullptr, TRUE, TRUE, nullptr);
  EXPECT_EQ(WaitForSingleObject(autoev, 0), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(autoev, 0), WAIT_TIMEOUT);
  EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_OBJECT_0);
  ResetEvent(manual);
  EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_TIMEOUT);
  CloseHandle(autoev);
  CloseHandle(manual);
  EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_FAILED);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_FALSE(CloseHandle(manual));
}

TEST(Events, NamedEventsAreShared) {
  HANDLE a = CreateEventA(nullptr, TRUE, FALSE, "quellix-test-event");
  HANDLE b = CreateEventA(nullptr, TRUE, FALSE, "quellix-test-event");
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  EXPECT_NE(a, b);
  SetEvent(a);
  EXPECT_EQ(WaitForSingleObject(b, 0), WAIT_OBJECT_0);
  CloseHandle(a);
  CloseHandle(b);
}

TEST(Waits, AnyReturnsFirstSignalledAllNeedsEvery) {
  HANDLE e[3];
  for (auto& h : e) h = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  SetEvent(e[2]);
  EXPECT_EQ(WaitForMultipleObjects(3, e, FALSE, 0), WAIT_OBJECT_0 + 2);
  EXPECT_EQ(WaitForMultipleObjects(3, e, TRUE, 0), WAIT_TIMEOUT);
  SetEvent(e[0]);
  SetEvent(e[1]);
  EXPECT_EQ(WaitForMultipleObjects(3, e, TRUE, 0), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForMultipleObjects(0, e, FALSE, 0), WAIT_FAILED);
  for (auto& h : e) CloseHandle(h);
}

TEST(Waits, TimeOutFollowsTheManualClock) {
  ScopedManualClock manual;
  HANDLE never = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  HANDLE thread = CreateThread(nullptr, 0, WaitOnParameter, never, 0, nullptr);
  // The waiting thread times out only when the clock passes 100 ms.
  ASSERT_TRUE(clock::WaitForTimedWaiters(1));
  clock::AdvanceMs(99);
  EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_TIMEOUT);
  clock::AdvanceMs(1);
  EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_OBJECT_0);
  DWORD code = 0;
  GetExitCodeThread(thread, &code);
  EXPECT_EQ(code, WAIT_TIMEOUT);
  CloseHandle(thread);
  CloseHandle(never);
}

TEST(Waits, SleepAndTickCountFollowTheManualClock) {
  ScopedManualClock manual(5'000'000);
  EXPECT_EQ(GetTickCount(), 5000u);
  std::atomic<int> woke{0};
  HANDLE thread = CreateThread(
      nullptr, 0,
      [](void* p) -> DWORD {
        Sleep(50);
        static_cast<std::atomic<int>*>(p)->store(1);
        Sleep(50);
        static_cast<std::atomic<int>*>(p)->store(2);
        return 0;
      },
      &woke, 0, nullptr);
  ASSERT_TRUE(clock::WaitForTimedWaiters(1));
  clock::AdvanceMs(49);
  EXPECT_EQ(woke.load(), 0);
  clock::AdvanceMs(1);
  EXPECT_EQ(woke.load(), 1);
  clock::AdvanceMs(200);  // one advance past several deadlines stops at each
  EXPECT_EQ(woke.load(), 2);
  EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_OBJECT_0);
  LONGLONG counter = 0, frequency = 0;
  QueryPerformanceCounter(&counter);
  QueryPerformanceFrequency(&frequency);
  EXPECT_EQ(frequency, 1'000'000);
  EXPECT_EQ(counter, 5'250'000);
  CloseHandle(thread);
}

TEST(Waits, ASleepOfTheThreadChosenToAdvanceMovesTheClockPastWhatFallsDue) {
  ScopedManualClock manual(5'000'000);
  clock::AdvanceBySleepsOfThisThread();
  std::atomic<int> woke{0};
  HANDLE thread = CreateThread(
      nullptr, 0,
      [](void* p) -> DWORD {
        // Another thread's sleep still waits for the clock.
        Sleep(30);
        static_cast<std::atomic<int>*>(p)->store(1);
        Sleep(1000);
        static_cast<std::atomic<int>*>(p)->store(2);
        return 0;
      },
      &woke, 0, nullptr);
  ASSERT_TRUE(clock::WaitForTimedWaiters(1));
  Sleep(50);
  EXPECT_EQ(GetTickCount(), 5050u);
  EXPECT_EQ(woke.load(), 1) << "the advance waits for what it woke";
  clock::AdvanceMs(1000);
  EXPECT_EQ(woke.load(), 2);
  EXPECT_EQ(WaitForSingleObject(thread, INFINITE), WAIT_OBJECT_0);
  CloseHandle(thread);
}

TEST(Waits, AnAdvanceWaitsForAFollowerThatAnotherThreadWoke) {
  // A device's worker woken by a new buffer (not by the clock) finishes what
  // it was woken for before an advance returns, however slow the machine.
  ScopedManualClock manual;
  bool entered = false, go = false, done = false;  // under the wait lock
  std::atomic<int64_t> worked_at{0};
  std::thread follower([&] {
    std::unique_lock lock(waitcore::Mutex());
    entered = true;
    waitcore::WaitUntilFollowed(lock, waitcore::kNoDeadline, [&] { return go; });
    lock.unlock();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    worked_at = ClockNowMicroseconds();
    lock.lock();
    waitcore::WaitUntilFollowed(lock, waitcore::kNoDeadline, [&] { return done; });
  });
  for (;;) {
    std::lock_guard lock(waitcore::Mutex());
    if (entered) break;
  }
  const int64_t start = ClockNowMicroseconds();
  {
    std::lock_guard lock(waitcore::Mutex());
    go = true;
    waitcore::NotifyAll();
  }
  clock::AdvanceMs(10);
  EXPECT_GE(worked_at.load(), start);
  EXPECT_LE(worked_at.load(), start + 10'000);
  {
    std::lock_guard lock(waitcore::Mutex());
    done = true;
    waitcore::NotifyAll();
  }
  follower.join();
}

TEST(Mutexes, RecursiveForTheOwnerExclusiveForOthers) {
  HANDLE m = CreateMutexA(nullptr, TRUE, nullptr);
  EXPECT_EQ(WaitForSingleObject(m, 0), WAIT_OBJECT_0);  // recursion
  HANDLE other = CreateThread(
      nullptr, 0, [](void* p) -> DWORD { return WaitForSingleObject(static_cast<HANDLE>(p), 0); }, m, 0,
      nullptr);
  WaitForSingleObject(other, INFINITE);
  DWORD code = 0;
  GetExitCodeThread(other, &code);
  EXPECT_EQ(code, WAIT_TIMEOUT);
  EXPECT_TRUE(ReleaseMutex(m));
  EXPECT_TRUE(ReleaseMutex(m));
  EXPECT_FALSE(ReleaseMutex(m));
  CloseHandle(other);
  CloseHandle(m);
}

TEST(Semaphores, CountAndMaximum) {
  HANDLE s = CreateSemaphoreA(nullptr, 1, 2, nullptr);
  EXPECT_EQ(WaitForSingleObject(s, 0), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(s, 0), WAIT_TIMEOUT);
  LONG previous = -1;
  EXPECT_TRUE(ReleaseSemaphore(s, 2, &previous));
  EXPECT_EQ(previous, 0);
  EXPECT_FALSE(ReleaseSemaphore(s, 1, nullptr));  // above the maximum
  CloseHandle(s);
}

TEST(Threads, StartGateHoldsUntilResumedAndPriorityIsRecorded) {
  std::atomic<bool> ran{false};
  DWORD id = 0;
  HANDLE t = CreateThread(
      nullptr, 0,
      [](void* p) -> DWORD {
        static_cast<std::atomic<bool>*>(p)->store(true);
        return 7;
      },
      &ran, CREATE_SUSPENDED, &id);
  ASSERT_NE(t, nullptr);
  EXPECT_NE(id, 0u);
  EXPECT_NE(id, GetCurrentThreadId());
  EXPECT_TRUE(SetThreadPriority(t, THREAD_PRIORITY_HIGHEST));
  EXPECT_EQ(GetThreadPriority(t), THREAD_PRIORITY_HIGHEST);
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_FALSE(ran.load());
  DWORD code = 0;
  GetExitCodeThread(t, &code);
  EXPECT_EQ(code, STILL_ACTIVE);
  EXPECT_EQ(ResumeThread(t), 1u);
  EXPECT_EQ(WaitForSingleObject(t, 5000), WAIT_OBJECT_0);
  EXPECT_TRUE(ran.load());
  GetExitCodeThread(t, &code);
  EXPECT_EQ(code, 7u);
  EXPECT_FALSE(SetThreadPriority(t, 99));
  CloseHandle(t);
}

TEST(CriticalSections, RecursiveAndExclusive) {
  CRITICAL_SECTION cs;
  InitializeCriticalSection(&cs);
  EnterCriticalSection(&cs);
  EnterCriticalSection(&cs);
  bool other_entered = true;
  std::thread([&] { other_entered = TryEnterCriticalSection(&cs) != 0; }).join();
  EXPECT_FALSE(other_entered);
  LeaveCriticalSection(&cs);
  LeaveCriticalSection(&cs);
  DeleteCriticalSection(&cs);
}

// A unit's lock may be used after the unit was finalised (a control drawn
// between two runs of the units): its next initialisation keeps the lock that
// use made instead of losing it, and threads meeting on first use share one.
TEST(CriticalSections, UseBeforeInitialisationKeepsOneLock) {
  CRITICAL_SECTION cs;
  InitializeCriticalSection(&cs);
  DeleteCriticalSection(&cs);
  EnterCriticalSection(&cs);
  LeaveCriticalSection(&cs);
  void* const used = cs.impl;
  InitializeCriticalSection(&cs);
  EXPECT_EQ(cs.impl, used);
  DeleteCriticalSection(&cs);

  std::vector<void*> seen(8);
  std::vector<std::thread> threads;
  for (size_t t = 0; t < seen.size(); ++t)
    threads.emplace_back([&, t] {
      EnterCriticalSection(&cs);
      seen[t] = cs.impl;
      LeaveCriticalSection(&cs);
    });
  for (auto& t : threads) t.join();
  for (void* impl : seen) EXPECT_EQ(impl, cs.impl);
  DeleteCriticalSection(&cs);
}

TEST(Interlocked, CountersAreAtomicAcrossThreads) {
  LONG counter = 0;
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&] {
      for (int i = 0; i < 10000; ++i) InterlockedIncrement(&counter);
    });
  for (auto& t : threads) t.join();
  EXPECT_EQ(counter, 40000);
  EXPECT_EQ(InterlockedCompareExchange(&counter, 5, 40000), 40000);
  EXPECT_EQ(InterlockedExchange(&counter, 9), 5);
  EXPECT_EQ(InterlockedExchangeAdd(&counter, 1), 9);
  EXPECT_EQ(InterlockedDecrement(&counter), 9);
}

TEST(ThreadQueues, PostedMessagesArriveInOrderAndWakeAQueueWait) {
  CurrentThreadQueue();
  const DWORD main_id = GetCurrentThreadId();
  std::thread worker([main_id] {
    for (UINT i = 0; i < 100; ++i) PostThreadMessageA(main_id, WM_USER + 1, i, 0);
  });
  std::vector<WPARAM> seen;
  while (seen.size() < 100) {
    ASSERT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, 5000, QS_ALLINPUT), WAIT_OBJECT_0);
    auto queue = CurrentThreadQueue();
    std::lock_guard lock(waitcore::Mutex());
    while (!queue->posted.empty()) {
      seen.push_back(queue->posted.front().wParam);
      queue->posted.pop_front();
    }
  }
  worker.join();
  for (WPARAM i = 0; i < 100; ++i) EXPECT_EQ(seen[i], i);
  EXPECT_FALSE(PostThreadMessageA(0xFFFFFF, WM_USER, 0, 0));
}

namespace {

std::atomic<DWORD> handled_on{0};
std::atomic<DWORD> reply_on{0};
DWORD sender_id = 0;

// Message 1 runs on the receiver and sends message 2 back to the waiting sender.
void Dispatch(SentMessage& m) {
  if (m.message == WM_USER + 1) {
    handled_on = GetCurrentThreadId();
    SentMessage back;
    back.message = WM_USER + 2;
    SendToThread(sender_id, back);
    m.result = 40 + back.result;
  } else if (m.message == WM_USER + 2) {
    reply_on = GetCurrentThreadId();
    m.result = 2;
  }
}

}  // namespace

TEST(ThreadQueues, SentMessageRunsOnTheReceiverWhileTheSenderWaitsAndServes) {
  SetSentMessageDispatcher(Dispatch);
  sender_id = GetCurrentThreadId();
  HANDLE stop = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  DWORD receiver = 0;
  // The receiver only waits for its stop event; waits serve incoming sends.
  HANDLE thread = CreateThread(
      nullptr, 0, [](void* p) -> DWORD { return WaitForSingleObject(static_cast<HANDLE>(p), INFINITE); },
      stop, 0, &receiver);
  SentMessage m;
  m.message = WM_USER + 1;
  ASSERT_TRUE(SendToThread(receiver, m, 5000));
  EXPECT_EQ(m.result, 42);
  EXPECT_EQ(handled_on.load(), receiver);
  EXPECT_EQ(reply_on.load(), sender_id);
  SetEvent(stop);
  WaitForSingleObject(thread, INFINITE);
  // A thread that has ended takes no more messages.
  SentMessage late;
  late.message = WM_USER + 1;
  EXPECT_FALSE(SendToThread(receiver, late, 100));
  CloseHandle(thread);
  CloseHandle(stop);
  SetSentMessageDispatcher(nullptr);
}
