#pragma once
// The utility library's component unit: the common base, the window-message
// timer and the colour picker, and the unit's start-up.
#include <string>

#include "platform/user/Window.h"
#include "platform/vcl/Classes.h"
#include "platform/vcl/Colors.h"
#include "platform/vcl/Lists.h"

namespace utility {

class TqelComponent : public vcl::TComponent {
  VCL_DECLARE_CLASS(TqelComponent, vcl::TComponent)
 public:
  using TComponent::TComponent;
  // A free text slot; it has no effect.
  const std::string& About() const { return about_; }
  void SetAbout(const std::string& value) { about_ = value; }

 private:
  std::string about_;
};

// A timer on a hidden window of its own. It runs only while Enabled,
// Interval is not 0 and OnTimer is assigned. Its ticks come from the message
// loop of the thread that made it, so it is made on the main thread only.
class TqelCustomTimer : public TqelComponent {
  VCL_DECLARE_CLASS(TqelCustomTimer, TqelComponent)
 public:
  // EInvalidOperation away from the main thread.
  explicit TqelCustomTimer(vcl::TComponent* owner);
  ~TqelCustomTimer() override;

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value);
  uint32_t Interval() const { return interval_; }
  void SetInterval(uint32_t value);
  const vcl::TNotifyEvent& OnTimer() const { return on_timer_; }
  // Always restarts the timer, even with the same handler.
  void SetOnTimer(vcl::TNotifyEvent value);

  void Loaded() override;

 protected:
  // Kills timer 1 and sets it again when the timer should run; raises
  // EOutOfResources "Not enough timers available" when it cannot be set.
  void UpdateTimer();
  virtual plat::LRESULT WndProc(plat::UINT msg, plat::WPARAM wparam, plat::LPARAM lparam);
  virtual void Timer();
  plat::HWND WindowHandle() const { return window_; }

  vcl::TNotifyEvent on_timer_;

 private:
  plat::HWND window_ = nullptr;
  bool enabled_ = true;
  uint32_t interval_ = 1000;
};

// Reads the colour under the mouse on every tick (in its OnTimer handler)
// and optionally keeps a cursor of its own.
class TqelColorPicker : public TqelCustomTimer {
  VCL_DECLARE_CLASS(TqelColorPicker, TqelCustomTimer)
 public:
  explicit TqelColorPicker(vcl::TComponent* owner);

  // The colour under the mouse, as this program's windows show it; clNone
  // over no window of the program.
  vcl::TColor Color() const { return GetColor(); }
  int16_t Cursor() const { return cursor_; }
  virtual void SetCursor(int16_t value);

 protected:
  void Timer() override;
  // Sets the screen's cursor of that number when Cursor is not 0.
  virtual void UpdateCursor();
  virtual vcl::TColor GetColor() const;

 private:
  int16_t cursor_ = 0;
};

// The message the tray re-adds its icon on when the panel comes back.
plat::UINT TaskbarMessage();

// The unit's start-up: the message number and the component classes.
void InitComponentsUnit();

}  // namespace utility
