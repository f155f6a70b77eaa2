#pragma once
// One periodic 25 ms multimedia timer for the whole process, on which any
// number of clients hang a routine with its own interval (peak hold and fall
// of the displays, refreshes of a paused chain). The timer runs only while
// at least one client exists.
//
// Procs run on the multimedia timer thread while the unit's lock is held; the
// other operations take the same lock, so they wait for a running tick. A Proc
// may add clients but must not remove any. A client is removed before the data
// its Proc reads is freed, and suspended while that data is rebuilt.
#include <cstdint>
#include <functional>

#include "platform/mm/MMTime.h"

namespace engine {

struct TMMTimerClient;
using TMMTimerProc = std::function<void(TMMTimerClient* client, void* data)>;

constexpr int32_t kMMTimerPeriod = 25;  // ms

// One client; the record is the handle its owner keeps.
struct TMMTimerClient {
  int32_t Interval = kMMTimerPeriod;  // at least 25 ms
  void* Data = nullptr;
  TMMTimerProc Proc;
  int32_t SuspendCount = 0;  // 0 active, above 0 suspended
  int32_t Elapsed = 0;       // ms since the last call
  TMMTimerClient* Next = nullptr;
};

// Null when the system timer cannot be made; no client exists then.
// A period is the interval rounded up to whole 25 ms ticks.
TMMTimerClient* AddTimerClient(int32_t interval, bool suspended, TMMTimerProc proc, void* data);
// Stops the client counting time and starts it from 0 again.
void SuspendTimerClient(TMMTimerClient* client);
// Undoes one suspension.
void ResumeTimerClient(TMMTimerClient* client);
// Frees the client; the last one stops the timer. A client not in the list changes nothing.
void RemoveTimerClient(TMMTimerClient* client);
int TimerClientCount();
// Whether the shared system timer exists now.
bool MMTimerRunning();

// Unit shut-down: stops a timer that still runs.
void MMTimerFinalize();

// Tests replace how the system timer is made, to see the failure path.
using TTimeSetEvent = plat::UINT (*)(plat::UINT delay_ms, plat::UINT resolution_ms,
                                     plat::LPTIMECALLBACK callback, plat::DWORD_PTR user, plat::UINT flags);
// Returns the one in use before; null restores the platform's.
TTimeSetEvent SetMMTimerSetEvent(TTimeSetEvent set_event);

}  // namespace engine
