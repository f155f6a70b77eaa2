#include "platform/mm/MMTime.h"

#include <map>
#include <mutex>

#include "platform/kernel/Clock.h"
#include "platform/kernel/Sync.h"
#include "platform/kernel/ThreadQueue.h"
#include "platform/kernel/Threads.h"
#include "platform/kernel/WaitCore.h"

namespace plat {

namespace {

constexpr UINT kMinDelay = 1;
constexpr UINT kMaxDelay = 1'000'000;
constexpr UINT kMinPeriod = 1;
constexpr UINT kMaxPeriod = 1000;

struct Timer {
  int64_t period_us = 0;
  int64_t next_due = 0;
  bool periodic = false;
  bool fired = false;  // a one-shot timer whose tick has been taken
  UINT flags = 0;
  LPTIMECALLBACK callback = nullptr;
  DWORD_PTR user = 0;
};

// All fields are guarded by the wait core's lock, so the timer thread can
// wait on the layer's clock for the next due time.
struct TimerService {
  std::map<UINT, Timer> timers;
  UINT next_id = 1;
  bool thread_started = false;
  DWORD thread_id = 0;
  UINT running = 0;  // id whose callback runs now
  // Bumped on every change of the table; the thread notes the value it
  // planned its wait with.
  uint64_t change = 0;
  uint64_t planned = 0;
  std::map<UINT, unsigned> periods;
};

// Never destroyed: the timer thread lives as long as the process.
TimerService& Service() {
  static auto* service = new TimerService;
  return *service;
}

// The earliest timer that is due, or null. Caller holds the lock.
std::map<UINT, Timer>::iterator EarliestLocked(TimerService& s, int64_t* due) {
  auto earliest = s.timers.end();
  for (auto it = s.timers.begin(); it != s.timers.end(); ++it) {
    if (it->second.fired) continue;
    if (earliest == s.timers.end() || it->second.next_due < earliest->second.next_due) earliest = it;
  }
  *due = earliest == s.timers.end() ? waitcore::kNoDeadline : earliest->second.next_due;
  return earliest;
}

void RunCallback(UINT id, const Timer& timer) {
  try {
    if (timer.flags & TIME_CALLBACK_EVENT_SET) {
      SetEvent(reinterpret_cast<HANDLE>(timer.callback));
    } else {
      timer.callback(id, 0, timer.user, 0, 0);
    }
  } catch (...) {
    // The thread serves every timer of the process; one failing callback
    // must not stop the others. Callers that care catch inside.
  }
}

DWORD TimerThread(void*) {
  TimerService& s = Service();
  std::unique_lock lock(waitcore::Mutex());
  s.thread_id = GetCurrentThreadId();
  for (;;) {
    int64_t due = 0;
    auto it = EarliestLocked(s, &due);
    // Due timers run before any wait: a wait, even one that returns at once,
    // tells a manual clock advance that this thread has settled.
    if (it == s.timers.end() || due > waitcore::NowHeld()) {
      s.planned = s.change;
      waitcore::NotifyAll();
      // Woken early by a change of the table, the plan is made again.
      waitcore::WaitUntil(lock, due, [&] { return s.change != s.planned; });
      continue;
    }
    const int64_t now = waitcore::NowHeld();
    const UINT id = it->first;
    Timer& timer = it->second;
    if (timer.periodic) {
      timer.next_due += timer.period_us;
      // Too late for more than one tick: one call now, then back on the grid.
      if (timer.next_due <= now)
        timer.next_due += ((now - timer.next_due) / timer.period_us + 1) * timer.period_us;
    } else {
      timer.fired = true;
    }
    const Timer copy = timer;
    s.running = id;
    lock.unlock();
    RunCallback(id, copy);
    lock.lock();
    s.running = 0;
    if (!copy.periodic) s.timers.erase(id);
    waitcore::NotifyAll();
  }
}

}  // namespace

DWORD timeGetTime() { return GetTickCount(); }

MMRESULT timeGetDevCaps(LPTIMECAPS caps, UINT size) {
  if (!caps || size < sizeof(TIMECAPS)) return TIMERR_NOCANDO;
  caps->wPeriodMin = kMinDelay;
  caps->wPeriodMax = kMaxDelay;
  return TIMERR_NOERROR;
}

MMRESULT timeBeginPeriod(UINT period_ms) {
  if (period_ms < kMinPeriod || period_ms > kMaxPeriod) return TIMERR_NOCANDO;
  std::lock_guard lock(waitcore::Mutex());
  ++Service().periods[period_ms];
  return TIMERR_NOERROR;
}

MMRESULT timeEndPeriod(UINT period_ms) {
  std::lock_guard lock(waitcore::Mutex());
  auto& periods = Service().periods;
  auto found = periods.find(period_ms);
  if (found == periods.end()) return TIMERR_NOCANDO;
  if (--found->second == 0) periods.erase(found);
  return TIMERR_NOERROR;
}

UINT timeSetEvent(UINT delay_ms, UINT, LPTIMECALLBACK callback, DWORD_PTR user, UINT flags) {
  if (delay_ms < kMinDelay || delay_ms > kMaxDelay || !callback) return 0;
  // Pulsed events are not offered by the kernel's events.
  if (flags & TIME_CALLBACK_EVENT_PULSE) return 0;
  TimerService& s = Service();
  std::unique_lock lock(waitcore::Mutex());
  if (!s.thread_started) {
    // Marked first, so a second caller does not start another thread.
    s.thread_started = true;
    lock.unlock();
    HANDLE thread = CreateThread(nullptr, 0, TimerThread, nullptr, 0, nullptr);
    lock.lock();
    if (!thread) {
      s.thread_started = false;
      waitcore::NotifyAll();
      return 0;
    }
    CloseHandle(thread);
  }
  const UINT id = s.next_id++;
  Timer& timer = s.timers[id];
  timer.period_us = static_cast<int64_t>(delay_ms) * 1000;
  timer.next_due = waitcore::NowHeld() + timer.period_us;
  timer.periodic = (flags & TIME_PERIODIC) != 0;
  timer.flags = flags;
  timer.callback = callback;
  timer.user = user;
  ++s.change;
  waitcore::NotifyAll();
  // Wait until the thread has planned with the new timer, so a manual clock
  // advanced right after this call stops at its first due time. A running
  // callback (perhaps waiting for us) replans when it returns.
  if (GetCurrentThreadId() != s.thread_id) {
    const uint64_t change = s.change;
    waitcore::WaitUntil(lock, waitcore::kNoDeadline,
                        [&] { return s.planned >= change || s.running != 0 || !s.thread_started; });
  }
  return id;
}

MMRESULT timeKillEvent(UINT id) {
  TimerService& s = Service();
  auto own = CurrentThreadQueue();
  std::unique_lock lock(waitcore::Mutex());
  auto found = s.timers.find(id);
  if (found == s.timers.end()) return MMSYSERR_INVALPARAM;
  s.timers.erase(found);
  ++s.change;
  waitcore::NotifyAll();
  if (GetCurrentThreadId() == s.thread_id) return TIMERR_NOERROR;
  // Wait for a running callback of this timer, serving messages sent to us
  // meanwhile: the callback may be sending to this very thread.
  for (;;) {
    waitcore::WaitUntil(lock, waitcore::kNoDeadline, [&] { return s.running != id || !own->sent.empty(); });
    if (s.running != id) break;
    lock.unlock();
    ServeSentMessages();
    lock.lock();
  }
  // And until the thread no longer waits for the timer's due time, so a
  // manual clock does not stop there.
  const uint64_t change = s.change;
  waitcore::WaitUntil(lock, waitcore::kNoDeadline,
                      [&] { return s.planned >= change || s.running != 0 || !s.thread_started; });
  return TIMERR_NOERROR;
}

}  // namespace plat
