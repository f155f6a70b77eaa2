#include "platform/vcl/ExtTimer.h"

#include "platform/kernel/ThreadQueue.h"
#include "platform/user/Messages.h"
#include "platform/vcl/Application.h"
#include "platform/vcl/TypInfo.h"
#include "platform/vcl/UtilWindow.h"

namespace vcl {

VCL_IMPLEMENT_CLASS(TTimer, BoolProp("Enabled", &TTimer::Enabled, &TTimer::SetEnabled).Default(true),
                    IntProp("Interval", &TTimer::Interval, &TTimer::SetInterval).Default(1000),
                    EventProp("OnTimer", &TTimer::OnTimer))

namespace {
constexpr plat::UINT_PTR kTimerId = 1;
}

TTimer::TTimer(TComponent* owner) : TComponent(owner) {
  if (!plat::IsMainThread()) throw EInvalidOperation("A timer must be made on the main thread");
  window_ = AllocateUtilityWindow(
      [this](plat::HWND hwnd, plat::UINT message, plat::WPARAM wparam, plat::LPARAM lparam) -> plat::LRESULT {
        if (message != plat::WM_TIMER) return plat::DefWindowProcA(hwnd, message, wparam, lparam);
        try {
          Timer();
        } catch (...) {
          if (!Application) throw;
          Application->HandleException(this);
        }
        return 0;
      });
  UpdateTimer();
}

TTimer::~TTimer() {
  if (running_) plat::KillTimer(window_, kTimerId);
  DeallocateUtilityWindow(window_);
}

void TTimer::UpdateTimer() {
  if (running_) plat::KillTimer(window_, kTimerId);
  running_ = false;
  if (interval_ == 0 || !enabled_) return;
  if (!plat::SetTimer(window_, kTimerId, interval_, nullptr))
    throw EOutOfMemory("Not enough timers available");
  running_ = true;
}

void TTimer::SetEnabled(bool value) {
  if (value == enabled_) return;
  enabled_ = value;
  UpdateTimer();
}

void TTimer::SetInterval(unsigned value) {
  if (value == interval_) return;
  interval_ = value;
  UpdateTimer();
}

void TTimer::Timer() {
  // By copy: a handler may free its own timer.
  if (TNotifyEvent handler = OnTimer) handler(this);
}

}  // namespace vcl
