#pragma once
// Multimedia timers: one timer thread of the layer runs every callback, on
// the layer's clock, so a manual clock in tests drives them exactly. Also the
// millisecond time and the (recorded) timer resolution.
#include "platform/kernel/Types.h"
#include "platform/mm/MMErrors.h"

namespace plat {

constexpr MMRESULT TIMERR_NOERROR = 0;
constexpr MMRESULT TIMERR_BASE = 96;
constexpr MMRESULT TIMERR_NOCANDO = TIMERR_BASE + 1;
constexpr MMRESULT TIMERR_STRUCT = TIMERR_BASE + 33;

constexpr UINT TIME_ONESHOT = 0x0000;
constexpr UINT TIME_PERIODIC = 0x0001;
constexpr UINT TIME_CALLBACK_FUNCTION = 0x0000;
// The callback argument is then an event handle, set on each tick.
constexpr UINT TIME_CALLBACK_EVENT_SET = 0x0010;
// Refused: timeSetEvent returns 0.
constexpr UINT TIME_CALLBACK_EVENT_PULSE = 0x0020;
// Accepted; every kill waits for a running callback anyway.
constexpr UINT TIME_KILL_SYNCHRONOUS = 0x0100;

using LPTIMECALLBACK = void (*)(UINT id, UINT msg, DWORD_PTR user, DWORD_PTR dw1, DWORD_PTR dw2);

struct TIMECAPS {
  UINT wPeriodMin = 0;
  UINT wPeriodMax = 0;
};
using LPTIMECAPS = TIMECAPS*;

// Milliseconds on the layer's clock.
DWORD timeGetTime();
MMRESULT timeGetDevCaps(LPTIMECAPS caps, UINT size);
// Periods of 1..1000 ms are recorded; every begin needs its end.
MMRESULT timeBeginPeriod(UINT period_ms);
MMRESULT timeEndPeriod(UINT period_ms);

// Returns the timer id, 0 on failure. The first tick is due `delay_ms` from
// now; periodic timers keep their schedule and skip ticks they are too late
// for instead of firing a burst. A one-shot timer is gone after its tick.
UINT timeSetEvent(UINT delay_ms, UINT resolution_ms, LPTIMECALLBACK callback, DWORD_PTR user, UINT flags);
// After it returns the callback does not run again; it waits for a running
// callback of the timer, unless called from that callback.
MMRESULT timeKillEvent(UINT id);

}  // namespace plat
