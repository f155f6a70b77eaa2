#include "displays/MMPeakTimer.h"

#include <utility>

namespace displays {

TMMPeakTimer::TMMPeakTimer(std::recursive_mutex& display_lock, std::function<bool()> should_run,
                           std::function<void(int32_t ticks)> tick)
    : display_lock_(display_lock), should_run_(std::move(should_run)), tick_(std::move(tick)) {}

void TMMPeakTimer::Add() {
  std::lock_guard state(mutex_);
  if (client_) return;
  bool run;
  {
    std::lock_guard lock(display_lock_);
    run = should_run_();
  }
  client_ = engine::AddTimerClient(
      engine::kMMTimerPeriod, !run,
      [](engine::TMMTimerClient*, void* data) { static_cast<TMMPeakTimer*>(data)->Tick(); }, this);
  running_ = run;
}

void TMMPeakTimer::Remove() {
  std::lock_guard state(mutex_);
  engine::RemoveTimerClient(client_);
  client_ = nullptr;
}

void TMMPeakTimer::Update() {
  std::lock_guard state(mutex_);
  if (!client_) return;
  bool run;
  {
    std::lock_guard lock(display_lock_);
    run = should_run_();
  }
  if (run == running_) return;
  running_ = run;
  if (run)
    engine::ResumeTimerClient(client_);
  else
    engine::SuspendTimerClient(client_);
}

void TMMPeakTimer::Hold() {
  std::lock_guard state(mutex_);
  if (client_) engine::SuspendTimerClient(client_);
}

void TMMPeakTimer::Resume() {
  std::lock_guard state(mutex_);
  if (client_) engine::ResumeTimerClient(client_);
}

void TMMPeakTimer::Tick() {
  std::unique_lock lock(display_lock_, std::try_to_lock);
  if (!lock.owns_lock()) {
    ++missed_ticks_;
    return;
  }
  tick_(1 + missed_ticks_.exchange(0));
}

}  // namespace displays
