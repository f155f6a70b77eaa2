#pragma once
// The high-resolution timer: OnTimer from a periodic multimedia timer, with
// the system's finest timer resolution held while it runs. Like the devices
// it delivers through a hidden window on the main thread (cmWindow), in the
// multimedia timer's thread (cmCallback) or through a thread of its own
// (cmThread).
//
// A stop is final: once UpdateTimer (or the destructor) has stopped a timer,
// no tick of it reaches OnTimer, whichever thread asked for the stop.
#include <atomic>
#include <cstdint>

#include "engine/MMDSPObj.h"
#include "engine/MMObj.h"
#include "platform/kernel/Types.h"
#include "platform/vcl/SysUtils.h"
#include "platform/vcl/VclThread.h"

namespace engine {

class EMMHiTimerError : public vcl::Exception {
 public:
  using Exception::Exception;
};

// Posted to the hidden window per tick in cmWindow mode; wParam is the timer id.
constexpr plat::UINT MM_HITIMER = 0x800A;
// Ticks that may wait in the hidden window's queue; later ones are dropped.
constexpr int32_t kMaxPendingTicks = 10;

class TMMHiTimer;

// Runs the ticks of one cmThread timer. The owner asks it to stop and joins
// it; only a stop from inside one of its own ticks lets it finish alone, and
// then it frees itself without touching the owner again.
class TMMTimerThread : public TMMThreadEx {
  VCL_DECLARE_CLASS(TMMTimerThread, TMMThreadEx)
 public:
  TMMTimerThread(TMMHiTimer* owner, vcl::TThreadPriority priority);
  ~TMMTimerThread() override;

  plat::HANDLE TickEvent() const { return tick_event_; }
  // Set once when the thread has started.
  plat::HANDLE DoneEvent() const { return done_event_; }
  // After this no tick reaches the owner.
  void RequestStop();
  bool StopRequested() const { return stop_; }
  // True while the main thread runs a synchronized tick for this thread.
  bool InSynchronizedCall() const { return in_synchronized_call_; }

 protected:
  void Execute() override;

 private:
  void Tick();

  TMMHiTimer* owner_;
  vcl::TThreadPriority start_priority_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> in_synchronized_call_{false};
  plat::HANDLE tick_event_ = nullptr;
  plat::HANDLE done_event_ = nullptr;
};

class TMMHiTimer : public TMMNonVisualComponent {
  VCL_DECLARE_CLASS(TMMHiTimer, TMMNonVisualComponent)
 public:
  explicit TMMHiTimer(vcl::TComponent* owner);
  // Stops without calling OnTimer again.
  ~TMMHiTimer() override;

  void ChangeDesignMode(bool value) override;
  // The form reader binds OnTimer directly; start with what it read.
  void Loaded() override;

  // Stops what runs and, with Interval, Enabled and OnTimer, starts anew.
  // Nothing in design mode.
  void UpdateTimer();
  // OnTimer when assigned and Enabled.
  virtual void DoTimer();

  TMMCBMode CallBackMode() const { return callback_mode_; }
  // cmCallback only where the system runs timer callbacks in a safe
  // context; otherwise a message box and the mode stays.
  void SetCallBackMode(TMMCBMode value);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value);
  uint32_t Interval() const { return interval_; }
  void SetInterval(uint32_t value);
  vcl::TThreadPriority Priority() const { return priority_; }
  void SetPriority(vcl::TThreadPriority value);
  bool Synchronize() const { return synchronize_; }
  void SetSynchronize(bool value) { synchronize_ = value; }
  // Kept for stored descriptions: a stop always waits for the timer thread
  // now, except from inside one of its own ticks.
  bool WaitForTerminate() const { return wait_for_terminate_; }
  void SetWaitForTerminate(bool value) { wait_for_terminate_ = value; }

  // Stores the handler and restarts the timer (also for the same handler).
  void SetOnTimer(vcl::TNotifyEvent value);
  // Assign through SetOnTimer; a direct write counts from the next UpdateTimer.
  vcl::TNotifyEvent OnTimer;

  // What runs now, for callers that watch the timer.
  bool Running() const { return timer_id_ != 0; }
  plat::UINT TimerID() const { return timer_id_; }
  int32_t PendingTicks() const { return pending_; }

 private:
  friend class TMMTimerThread;
  static void TimerCallback(plat::UINT id, plat::UINT msg, plat::DWORD_PTR user, plat::DWORD_PTR dw1,
                            plat::DWORD_PTR dw2);
  plat::LRESULT WindowProc(plat::HWND hwnd, plat::UINT message, plat::WPARAM wparam, plat::LPARAM lparam);
  void StartTimer();
  void StopTimer();
  void StopThread();

  vcl::TThreadPriority priority_ = vcl::tpNormal;
  TMMTimerThread* thread_ = nullptr;
  std::atomic<bool> synchronize_{true};
  bool wait_for_terminate_ = false;
  std::atomic<bool> enabled_{true};
  uint32_t interval_ = 1000;
  std::atomic<int32_t> pending_{0};
  plat::HWND window_ = nullptr;
  std::atomic<plat::UINT> timer_id_{0};
  TMMCBMode callback_mode_ = cmWindow;
  // What the running multimedia timer's callback serves; fixed while it runs.
  TMMCBMode active_mode_ = cmWindow;
  plat::HANDLE tick_event_ = nullptr;
  // The resolution raised with timeBeginPeriod, 0 when none.
  plat::UINT period_ = 0;
};

}  // namespace engine
