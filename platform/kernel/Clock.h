#pragma once
// The one clock of the platform layer. Real time by default; tests switch to
// a manual clock and advance it, and every timer, sleep and bounded wait of
// the layer follows it.
#include <cstddef>
#include <cstdint>

#include "platform/kernel/Types.h"

namespace plat {

constexpr DWORD INFINITE = 0xFFFFFFFF;

// Microseconds since an arbitrary origin; monotonic; 64 bits do not overflow in practice.
int64_t ClockNowMicroseconds();
DWORD GetTickCount();
ULONGLONG GetTickCount64();
// The performance counter counts microseconds: the frequency is 1,000,000.
BOOL QueryPerformanceCounter(LONGLONG* count);
BOOL QueryPerformanceFrequency(LONGLONG* frequency);
// Sleeps on the layer's clock. Sleep(0) only yields.
void Sleep(DWORD milliseconds);

namespace clock {

// Switches the layer to a manual clock that stands still until advanced.
void UseManual(int64_t start_microseconds = 1'000'000);
// Back to real time (waits in progress keep their manual deadlines' meaning
// only until the switch; tests switch at their start and end).
void UseReal();
bool IsManual();
// Moves the manual clock forward, stopping at every deadline on the way.
// At each stop it waits (bounded in real time) until every thread whose wait
// ran out, or that was woken meanwhile, has gone back to waiting or ended,
// so timers and devices that follow the clock are deterministic in tests.
void Advance(int64_t microseconds);
inline void AdvanceMs(int64_t milliseconds) { Advance(milliseconds * 1000); }
// Blocks (at most a few seconds of real time) until at least `count` threads
// wait with a deadline on the manual clock; tests use it so that a thread
// they just started has reached its wait before they advance. False on time-out.
bool WaitForTimedWaiters(size_t count);

}  // namespace clock

// Switches to the manual clock for the lifetime of the object (tests).
class ScopedManualClock {
 public:
  explicit ScopedManualClock(int64_t start_microseconds = 1'000'000) { clock::UseManual(start_microseconds); }
  ~ScopedManualClock() { clock::UseReal(); }
  ScopedManualClock(const ScopedManualClock&) = delete;
  ScopedManualClock& operator=(const ScopedManualClock&) = delete;
};

}  // namespace plat
