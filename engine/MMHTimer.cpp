#include "engine/MMHTimer.h"

#include <exception>
#include <string>
#include <utility>

#include "engine/MMUtils.h"
#include "platform/kernel/Sync.h"
#include "platform/kernel/ThreadQueue.h"
#include "platform/mm/MMTime.h"
#include "platform/user/Messages.h"
#include "platform/vcl/Application.h"
#include "platform/vcl/Graphics.h"
#include "platform/vcl/TypInfo.h"
#include "platform/vcl/UtilWindow.h"

namespace engine {

namespace {

constexpr uint16_t kCouldNotCreateThread = 88;
constexpr plat::DWORD kThreadStartTimeoutMs = 5000;

}  // namespace

// ---- TMMTimerThread ----

VCL_IMPLEMENT_CLASS(TMMTimerThread)

TMMTimerThread::TMMTimerThread(TMMHiTimer* owner, vcl::TThreadPriority priority)
    : TMMThreadEx(true), owner_(owner), start_priority_(priority) {
  tick_event_ = plat::CreateEventA(nullptr, plat::FALSE, plat::FALSE, nullptr);
  done_event_ = plat::CreateEventA(nullptr, plat::FALSE, plat::FALSE, nullptr);
}

TMMTimerThread::~TMMTimerThread() {
  RequestStop();
  StopAndWait();
  plat::CloseHandle(tick_event_);
  plat::CloseHandle(done_event_);
}

void TMMTimerThread::RequestStop() {
  stop_ = true;
  plat::SetEvent(tick_event_);
}

void TMMTimerThread::Execute() {
  SetPriority(start_priority_);
  plat::SetEvent(done_event_);
  while (!Terminated() && !stop_) {
    plat::WaitForSingleObject(tick_event_, plat::INFINITE);
    if (Terminated() || stop_) break;
    try {
      Tick();
    } catch (...) {
      vcl::ReportException(stop_ ? nullptr : owner_);
    }
  }
}

void TMMTimerThread::Tick() {
  if (!owner_->synchronize_) {
    owner_->DoTimer();
    return;
  }
  Synchronize([this] {
    // A stop that the main thread served this call from: the owner may be
    // half destroyed.
    if (stop_) return;
    in_synchronized_call_ = true;
    try {
      owner_->DoTimer();
    } catch (...) {
      in_synchronized_call_ = false;
      vcl::ReportException(stop_ ? nullptr : owner_);
      return;
    }
    in_synchronized_call_ = false;
  });
}

// ---- TMMHiTimer ----

VCL_IMPLEMENT_CLASS(
    TMMHiTimer,
    EnumProp("CallBackMode", &TMMHiTimer::CallBackMode, &TMMHiTimer::SetCallBackMode,
             {"cmWindow", "cmCallback", "cmThread"})
        .Default(cmWindow),
    BoolProp("Enabled", &TMMHiTimer::Enabled, &TMMHiTimer::SetEnabled).Default(true),
    IntProp("Interval", &TMMHiTimer::Interval, &TMMHiTimer::SetInterval).Default(1000),
    EventProp("OnTimer", &TMMHiTimer::OnTimer),
    EnumProp("Priority", &TMMHiTimer::Priority, &TMMHiTimer::SetPriority,
             {"tpIdle", "tpLowest", "tpLower", "tpNormal", "tpHigher", "tpHighest", "tpTimeCritical"})
        .Default(vcl::tpNormal),
    BoolProp("Synchronize", &TMMHiTimer::Synchronize, &TMMHiTimer::SetSynchronize).Default(true),
    BoolProp("WaitForTerminate", &TMMHiTimer::WaitForTerminate, &TMMHiTimer::SetWaitForTerminate)
        .Default(false))

TMMHiTimer::TMMHiTimer(vcl::TComponent* owner) : TMMNonVisualComponent(owner) {}

TMMHiTimer::~TMMHiTimer() {
  // Stop before the fields go: a tick under way still reads them.
  StopTimer();
  OnTimer = nullptr;
  enabled_ = false;
}

void TMMHiTimer::ChangeDesignMode(bool value) {
  TMMNonVisualComponent::ChangeDesignMode(value);
  UpdateTimer();
}

void TMMHiTimer::Loaded() {
  TMMNonVisualComponent::Loaded();
  UpdateTimer();
}

void TMMHiTimer::SetCallBackMode(TMMCBMode value) {
  if (value == callback_mode_) return;
  if (value == cmCallback && !OSIsWin95()) {
    vcl::ShowMessageBox(
        "\"CallBacks\" are called at interrupt time !\n\rThis is currently only supported under Windows 95",
        "TMMHiTimer", vcl::MB_OK);
    return;
  }
  callback_mode_ = value;
  UpdateTimer();
}

void TMMHiTimer::SetEnabled(bool value) {
  if (value == enabled_) return;
  enabled_ = value;
  UpdateTimer();
}

void TMMHiTimer::SetInterval(uint32_t value) {
  if (value == interval_) return;
  interval_ = value;
  UpdateTimer();
}

void TMMHiTimer::SetPriority(vcl::TThreadPriority value) {
  if (value == priority_) return;
  priority_ = value;
  if (thread_) thread_->SetPriority(value);
}

void TMMHiTimer::SetOnTimer(vcl::TNotifyEvent value) {
  // Not while a tick may be reading the handler.
  StopTimer();
  OnTimer = std::move(value);
  UpdateTimer();
}

void TMMHiTimer::DoTimer() {
  if (!enabled_) return;
  // By copy: the handler may replace itself or free the timer.
  if (vcl::TNotifyEvent handler = OnTimer) handler(this);
}

void TMMHiTimer::UpdateTimer() {
  if (DesignMode()) return;
  StopTimer();
  if (interval_ == 0 || !enabled_ || !OnTimer) return;
  StartTimer();
}

void TMMHiTimer::StartTimer() {
  plat::TIMECAPS caps;
  plat::timeGetDevCaps(&caps, sizeof(caps));
  switch (callback_mode_) {
    case cmWindow:
      window_ = vcl::AllocateUtilityWindow(
          [this](plat::HWND hwnd, plat::UINT message, plat::WPARAM wparam, plat::LPARAM lparam) {
            return WindowProc(hwnd, message, wparam, lparam);
          });
      break;
    case cmThread: {
      bool started = false;
      try {
        thread_ = new TMMTimerThread(this, priority_);
      } catch (const std::exception&) {
        thread_ = nullptr;
      }
      if (thread_) {
        tick_event_ = thread_->TickEvent();
        thread_->Start();
        started =
            plat::WaitForSingleObject(thread_->DoneEvent(), kThreadStartTimeoutMs) == plat::WAIT_OBJECT_0;
      }
      if (!started) {
        if (thread_) StopThread();
        throw EMMHiTimerError("HiTimer:\n\r" + LoadLibraryMessage(kCouldNotCreateThread));
      }
      break;
    }
    case cmCallback:
      break;
  }
  active_mode_ = callback_mode_;
  if (plat::timeBeginPeriod(caps.wPeriodMin) == plat::TIMERR_NOERROR) period_ = caps.wPeriodMin;
  timer_id_ = plat::timeSetEvent(interval_, 0, &TMMHiTimer::TimerCallback,
                                 reinterpret_cast<plat::DWORD_PTR>(this), plat::TIME_PERIODIC);
  if (timer_id_ == 0) {
    StopTimer();
    throw vcl::EOutOfResources("Not enough timers available");
  }
}

void TMMHiTimer::StopTimer() {
  // The multimedia timer goes first: once the kill returns no callback runs,
  // so nothing posts to the window or wakes the thread any more.
  if (plat::UINT id = timer_id_.exchange(0)) plat::timeKillEvent(id);
  if (window_) {
    plat::MSG msg;
    while (plat::PeekMessageA(&msg, window_, MM_HITIMER, MM_HITIMER, plat::PM_REMOVE)) {
    }
    vcl::DeallocateUtilityWindow(std::exchange(window_, nullptr));
    pending_ = 0;
  }
  if (thread_) StopThread();
  if (period_ != 0) plat::timeEndPeriod(std::exchange(period_, 0));
}

void TMMHiTimer::StopThread() {
  TMMTimerThread* thread = std::exchange(thread_, nullptr);
  tick_event_ = nullptr;
  thread->RequestStop();
  // A stop from inside one of the thread's own ticks cannot wait for it; the
  // thread sees the stop when the tick returns, touches this timer no more
  // and frees itself.
  const bool inside_tick = plat::GetCurrentThreadId() == thread->ThreadID() ||
                           (plat::IsMainThread() && thread->InSynchronizedCall());
  if (inside_tick) {
    thread->SetFreeOnTerminate(true);
    return;
  }
  // On the main thread the wait serves a synchronized tick that is on its
  // way; it finds the stop and returns.
  thread->WaitFor();
  delete thread;
}

void TMMHiTimer::TimerCallback(plat::UINT id, plat::UINT, plat::DWORD_PTR user, plat::DWORD_PTR,
                               plat::DWORD_PTR) {
  auto* self = reinterpret_cast<TMMHiTimer*>(user);
  try {
    switch (self->active_mode_) {
      case cmWindow:
        // One producer (this thread), so the test and the increment need no loop.
        if (self->pending_ < kMaxPendingTicks) {
          ++self->pending_;
          plat::PostMessageA(self->window_, MM_HITIMER, id, 0);
        }
        break;
      case cmCallback:
        self->DoTimer();
        break;
      case cmThread:
        plat::SetEvent(self->tick_event_);
        break;
    }
  } catch (...) {
    vcl::ReportException(self);
  }
}

plat::LRESULT TMMHiTimer::WindowProc(plat::HWND hwnd, plat::UINT message, plat::WPARAM wparam,
                                     plat::LPARAM lparam) {
  if (message != MM_HITIMER) return plat::DefWindowProcA(hwnd, message, wparam, lparam);
  const plat::UINT id = timer_id_;
  if (id == 0 || wparam != id) return 0;
  // Counted off before the handler, which may free this timer.
  --pending_;
  try {
    DoTimer();
  } catch (...) {
    vcl::ReportException(this);
  }
  return 0;
}

}  // namespace engine
