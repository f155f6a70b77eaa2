#include "platform/kernel/Clock.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <set>
#include <thread>
#include <vector>

#include "platform/kernel/ClockSleepAdvance.h"
#include "platform/kernel/WaitCore.h"

namespace plat {

namespace {

using steady = std::chrono::steady_clock;

// How long a manual advance waits for woken threads to settle, in real time.
constexpr auto kSettleLimit = std::chrono::seconds(5);

struct ClockState {
  std::mutex mutex;
  std::condition_variable cv;
  // Told when a thread starts a timed wait; only WaitForTimedWaiters listens,
  // so waiters do not wake each other.
  std::condition_variable timed_cv;
  steady::time_point origin = steady::now();
  bool manual = false;
  int64_t manual_now = 0;
  int advancing = 0;
  // Deadlines of threads blocked in a manual-clock wait.
  std::multiset<int64_t> timed_waiters;
  // Threads that a manual advance woke and that have not yet waited again.
  int busy = 0;
  // Conditions of the clock's followers blocked in a manual-clock wait: one
  // that holds is work a thread was woken for and has not yet taken up.
  std::vector<const std::function<bool()>*> follower_waits;
  // The thread whose timed sleeps advance the manual clock; none by default.
  std::thread::id sleep_advancer;
};

ClockState& State() {
  static ClockState* state = new ClockState;  // never destroyed: detached threads may outlive main
  return *state;
}

int64_t RealNow(const ClockState& s) {
  // Start at one second so a tick count of zero never appears.
  return std::chrono::duration_cast<std::chrono::microseconds>(steady::now() - s.origin).count() + 1'000'000;
}

int64_t NowLocked(const ClockState& s) { return s.manual ? s.manual_now : RealNow(s); }

// A thread that was counted busy by a manual advance is idle again.
struct BusyMark {
  bool busy = false;
  ~BusyMark() {
    if (busy) {
      ClockState& s = State();
      std::lock_guard lock(s.mutex);
      --s.busy;
      s.cv.notify_all();
    }
  }
};
thread_local BusyMark busy_mark;

void ClearBusyLocked(ClockState& s) {
  if (busy_mark.busy) {
    busy_mark.busy = false;
    --s.busy;
    s.cv.notify_all();
  }
}

void MarkBusyLocked(ClockState& s) {
  if (!busy_mark.busy) {
    busy_mark.busy = true;
    ++s.busy;
  }
}

}  // namespace

namespace waitcore {

std::mutex& Mutex() { return State().mutex; }

int64_t Now() {
  ClockState& s = State();
  // The manual flag and value only change under the lock; a racy read of the
  // real clock is harmless.
  std::lock_guard lock(s.mutex);
  return NowLocked(s);
}

int64_t NowHeld() { return NowLocked(State()); }

int64_t DeadlineAfterMs(DWORD milliseconds) {
  if (milliseconds == INFINITE) return kNoDeadline;
  return Now() + static_cast<int64_t>(milliseconds) * 1000;
}

namespace {

bool Wait(std::unique_lock<std::mutex>& lock, int64_t deadline, const std::function<bool()>& ready,
          bool follower) {
  ClockState& s = State();
  for (;;) {
    if (ready && ready()) {
      // A follower goes on working now; it counts until it waits again.
      if (follower && s.manual) MarkBusyLocked(s);
      return true;
    }
    int64_t now = NowLocked(s);
    if (now >= deadline) return false;
    // Only a thread that really blocks has settled; one that returns at once
    // is still working through what the clock made due.
    ClearBusyLocked(s);
    if (s.manual) {
      auto entry = deadline == kNoDeadline ? s.timed_waiters.end() : s.timed_waiters.insert(deadline);
      if (entry != s.timed_waiters.end()) s.timed_cv.notify_all();
      if (follower && ready) s.follower_waits.push_back(&ready);
      s.cv.wait(lock);
      if (follower && ready) std::erase(s.follower_waits, &ready);
      if (entry != s.timed_waiters.end()) s.timed_waiters.erase(entry);
      bool is_ready = ready && ready();
      bool timed_out = NowLocked(s) >= deadline;
      // Threads that run because of an advance count until they wait again;
      // so does a follower, whoever woke it.
      if ((is_ready || timed_out) && (s.advancing > 0 || follower)) MarkBusyLocked(s);
      if (is_ready) return true;
      if (timed_out) return false;
    } else if (deadline == kNoDeadline) {
      s.cv.wait(lock);
    } else {
      auto until = s.origin + std::chrono::microseconds(deadline - 1'000'000);
      s.cv.wait_until(lock, until);
    }
  }
}

}  // namespace

bool WaitUntil(std::unique_lock<std::mutex>& lock, int64_t deadline, const std::function<bool()>& ready) {
  return Wait(lock, deadline, ready, false);
}

bool WaitUntilFollowed(std::unique_lock<std::mutex>& lock, int64_t deadline,
                       const std::function<bool()>& ready) {
  return Wait(lock, deadline, ready, true);
}

void NotifyAll() { State().cv.notify_all(); }

void ThreadIdle() {
  ClockState& s = State();
  std::lock_guard lock(s.mutex);
  ClearBusyLocked(s);
}

}  // namespace waitcore

int64_t ClockNowMicroseconds() { return waitcore::Now(); }

DWORD GetTickCount() { return static_cast<DWORD>(static_cast<uint64_t>(waitcore::Now() / 1000)); }

ULONGLONG GetTickCount64() { return static_cast<ULONGLONG>(waitcore::Now() / 1000); }

BOOL QueryPerformanceCounter(LONGLONG* count) {
  if (!count) return FALSE;
  *count = waitcore::Now();
  return TRUE;
}

BOOL QueryPerformanceFrequency(LONGLONG* frequency) {
  if (!frequency) return FALSE;
  *frequency = 1'000'000;
  return TRUE;
}

void Sleep(DWORD milliseconds) {
  if (milliseconds == 0) {
    waitcore::ThreadIdle();
    std::this_thread::yield();
    return;
  }
  std::unique_lock lock(waitcore::Mutex());
  if (milliseconds != INFINITE && State().manual && State().sleep_advancer == std::this_thread::get_id()) {
    lock.unlock();
    clock::Advance(static_cast<int64_t>(milliseconds) * 1000);
    return;
  }
  int64_t deadline = milliseconds == INFINITE
                         ? waitcore::kNoDeadline
                         : NowLocked(State()) + static_cast<int64_t>(milliseconds) * 1000;
  waitcore::WaitUntil(lock, deadline, {});
}

namespace clock {

void UseManual(int64_t start_microseconds) {
  ClockState& s = State();
  std::lock_guard lock(s.mutex);
  s.manual = true;
  s.manual_now = start_microseconds;
  s.sleep_advancer = {};
  s.cv.notify_all();
}

void UseReal() {
  ClockState& s = State();
  std::lock_guard lock(s.mutex);
  s.manual = false;
  s.sleep_advancer = {};
  // Waiters remove their own entries from timed_waiters as they wake.
  s.cv.notify_all();
}

bool IsManual() {
  ClockState& s = State();
  std::lock_guard lock(s.mutex);
  return s.manual;
}

void AdvanceBySleepsOfThisThread() {
  ClockState& s = State();
  std::lock_guard lock(s.mutex);
  s.sleep_advancer = std::this_thread::get_id();
}

bool WaitForTimedWaiters(size_t count) {
  ClockState& s = State();
  std::unique_lock lock(s.mutex);
  return s.timed_cv.wait_for(lock, kSettleLimit, [&] { return s.timed_waiters.size() >= count; });
}

void Advance(int64_t microseconds) {
  ClockState& s = State();
  std::unique_lock lock(s.mutex);
  if (!s.manual || microseconds < 0) return;
  ClearBusyLocked(s);
  ++s.advancing;
  const int64_t target = s.manual_now + microseconds;
  for (;;) {
    int64_t step = target;
    if (!s.timed_waiters.empty() && *s.timed_waiters.begin() < target)
      step = std::max(s.manual_now, *s.timed_waiters.begin());
    s.manual_now = step;
    // Woken outside the lock, the threads need not queue for it behind us.
    lock.unlock();
    s.cv.notify_all();
    lock.lock();
    bool settled = s.cv.wait_for(lock, kSettleLimit, [&] {
      return s.busy == 0 && (s.timed_waiters.empty() || *s.timed_waiters.begin() > s.manual_now) &&
             std::none_of(s.follower_waits.begin(), s.follower_waits.end(),
                          [](const std::function<bool()>* ready) { return (*ready)(); });
    });
    if (!settled) {
      s.manual_now = target;
      s.cv.notify_all();
      break;
    }
    if (s.manual_now >= target) break;
  }
  --s.advancing;
}

}  // namespace clock

}  // namespace plat
