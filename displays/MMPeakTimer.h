#pragma once
// A display's client on the shared 25 ms timer for its held peaks. It runs
// exactly while the owner's state allows (derived from the state, never a
// count of suspensions, so any order of the owner's writers is right), and
// its tick only tries the display lock: waiting for it could meet a thread
// that holds it and waits for the timer, so a busy tick is made up at the
// next one instead. The client is added, suspended, resumed and removed
// only while the display lock is not held.
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>

#include "engine/MMTimer.h"

namespace displays {

class TMMPeakTimer {
 public:
  // should_run is read under the display lock; tick runs under it with the
  // number of ticks due (1, or more after missed ones).
  TMMPeakTimer(std::recursive_mutex& display_lock, std::function<bool()> should_run,
               std::function<void(int32_t ticks)> tick);
  // Removes the client first, so no tick runs into an owner that is going.
  ~TMMPeakTimer() { Remove(); }
  TMMPeakTimer(const TMMPeakTimer&) = delete;
  TMMPeakTimer& operator=(const TMMPeakTimer&) = delete;

  // Adds the client when there is none, running or not as the state says.
  void Add();
  void Remove();
  // Suspends or resumes the client to match the state.
  void Update();
  // Holds the client still while the owner rebuilds what the tick reads;
  // Resume undoes one Hold.
  void Hold();
  void Resume();
  // Forgets ticks missed before a reset.
  void ClearMissed() { missed_ticks_ = 0; }

 private:
  void Tick();

  std::recursive_mutex& display_lock_;
  std::function<bool()> should_run_;
  std::function<void(int32_t)> tick_;
  // Guards the client and whether it runs; taken before the display lock.
  std::mutex mutex_;
  engine::TMMTimerClient* client_ = nullptr;
  bool running_ = false;
  std::atomic<int32_t> missed_ticks_{0};
};

}  // namespace displays
