#pragma once
// TTimer: a component that fires OnTimer every Interval milliseconds from the
// main thread's message loop, on a window timer of its own hidden window.
#include "platform/user/Window.h"
#include "platform/vcl/Classes.h"
#include "platform/vcl/Lists.h"

namespace vcl {

class TTimer : public TComponent {
  VCL_DECLARE_CLASS(TTimer, TComponent)
 public:
  // On the main thread only (EInvalidOperation elsewhere): its window, and so
  // its ticks, belong to the thread that makes it.
  explicit TTimer(TComponent* owner);
  ~TTimer() override;

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value);
  // Milliseconds; 0 stops the timer. Changing it starts the count again.
  unsigned Interval() const { return interval_; }
  void SetInterval(unsigned value);
  // The window timer runs while Enabled and Interval is not 0, whether or
  // not a handler is assigned, so assigning one needs no further call.
  TNotifyEvent OnTimer;

 protected:
  // Restarts the window timer, or stops it.
  void UpdateTimer();
  virtual void Timer();

 private:
  plat::HWND window_ = nullptr;
  bool enabled_ = true;
  unsigned interval_ = 1000;
  bool running_ = false;
};

}  // namespace vcl
