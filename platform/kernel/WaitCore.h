#pragma once
// The one place where threads of the layer block. All waitable state (events,
// thread ends, message queues) is guarded by one mutex and every change is
// broadcast, so a wait can combine any conditions with a deadline on the
// layer's clock, real or manual.
#include <cstdint>
#include <functional>
#include <limits>
#include <mutex>

#include "platform/kernel/Types.h"

namespace plat::waitcore {

constexpr int64_t kNoDeadline = std::numeric_limits<int64_t>::max();

std::mutex& Mutex();

// Clock time in microseconds; callable with or without the lock held.
int64_t Now();
// The same with Mutex() already held by the caller.
int64_t NowHeld();
// The deadline `milliseconds` from now; INFINITE gives kNoDeadline.
int64_t DeadlineAfterMs(DWORD milliseconds);

// Blocks until `ready()` (evaluated under the lock) holds or the clock reaches
// `deadline`. Returns true when ready. `lock` must own Mutex().
bool WaitUntil(std::unique_lock<std::mutex>& lock, int64_t deadline, const std::function<bool()>& ready);

// The same for a thread that moves things on the clock's behalf (a virtual
// device's worker). Whatever wakes it, even another thread between advances,
// a manual advance waits until it waits again, so the clock never runs far
// ahead of the work it was woken for. An advance evaluates `ready` as well:
// it must be free of side effects.
bool WaitUntilFollowed(std::unique_lock<std::mutex>& lock, int64_t deadline,
                       const std::function<bool()>& ready);

// Wakes every waiter to re-evaluate its condition. Call after changing state.
void NotifyAll();

// A thread that leaves the layer for good (or stops following the clock)
// calls this, so a manual clock advance does not wait for it.
void ThreadIdle();

}  // namespace plat::waitcore
