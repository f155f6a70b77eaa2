#pragma once
// The spin button: up and down arrows (and on request a grip between them)
// that step an integer Value between MinValue and MaxValue by Increment.
// Holding an arrow repeats the step, 400 ms after the press and then every
// 50 ms; the arrow keys step it while the control, or an edit bound to it as
// its FocusControl, has the focus; dragging the grip scrubs the value across
// its range, one hundredth of the range per pixel. The bound edit is hooked
// through its window's subclass chain, so other subclassers keep their place,
// and the hook goes with the edit's window. GUI thread only.
#include <memory>

#include "controls/MMSpeedBtn.h"
#include "engine/MMTypes.h"
#include "engine/MMVisual.h"
#include "platform/user/Messages.h"
#include "platform/vcl/ExtTimer.h"

namespace controls {

using engine::orHorizontal;
using engine::orVertical;
using engine::TMMOrientation;
enum TMMTimerFlag { tfAutoRepeat, tfDragging };
using TMMTimerFlags = vcl::TSet<TMMTimerFlag>;

class TMMCustomSpinButton;

// An arrow of the spin button: a speed button with an auto-repeat timer, an
// optional raised face and its share of the spin button's focus frame.
class TMMTimerSpeedButton : public TMMSpeedButton {
  VCL_DECLARE_CLASS(TMMTimerSpeedButton, TMMSpeedButton)
 public:
  explicit TMMTimerSpeedButton(vcl::TComponent* owner);
  ~TMMTimerSpeedButton() override;

  bool Face() const { return face_; }
  void SetFace(bool value);
  vcl::TColor FocusColor() const { return focus_color_; }
  void SetFocusColor(vcl::TColor value) { focus_color_ = value; }
  TMMTimerFlags TimerFlags() const { return timer_flags_; }
  void SetTimerFlags(TMMTimerFlags value) { timer_flags_ = value; }
  // Disabling a held arrow ends its press at once: capture, tracking and the
  // repeat stop, so auto-repeat ends as soon as the value reaches a limit.
  void SetButtonEnabled(bool value);
  // The auto-repeat timer is running.
  bool Repeating() const { return repeat_timer_ && repeat_timer_->Enabled(); }
  void SetState(TButtonState value) { TMMSpeedButton::SetState(value); }

 protected:
  void Paint() override;
  void MouseDown(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) override;
  void MouseUp(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) override;
  void CaptureLost() override;

 private:
  friend class TMMCustomSpinButton;
  void RepeatTimerTick();
  // Stops the repeat; the timer goes unless its own tick is running.
  void StopRepeat();
  void DrawFocusLine(int x1, int y1, int x2, int y2);
  void PaintFocusShare(TMMCustomSpinButton* spin);

  bool face_ = false;
  vcl::TColor focus_color_ = vcl::clBlack;
  std::unique_ptr<vcl::TTimer> repeat_timer_;
  TMMTimerFlags timer_flags_;
  bool in_tick_ = false;
};

class TMMCustomSpinButton : public engine::TMMCustomControl {
  VCL_DECLARE_CLASS(TMMCustomSpinButton, engine::TMMCustomControl)
 public:
  explicit TMMCustomSpinButton(vcl::TComponent* owner);
  ~TMMCustomSpinButton() override;

  // Clamped to MinValue..MaxValue (the lower bound wins when they cross).
  int Value() const { return value_; }
  void SetValue(int value);
  int Increment() const { return increment_; }
  void SetIncrement(int value) { increment_ = value; }
  int MinValue() const { return min_value_; }
  void SetMinValue(int value);
  int MaxValue() const { return max_value_; }
  void SetMaxValue(int value);
  TMMOrientation Orientation() const { return orientation_; }
  void SetOrientation(TMMOrientation value);
  bool ButtonFace() const { return button_face_; }
  void SetButtonFace(bool value);
  bool MiddleButton() const { return middle_button_; }
  void SetMiddleButton(bool value);
  vcl::TColor FocusColor() const { return focus_color_; }
  void SetFocusColor(vcl::TColor value);
  // An edit control is hooked for its arrow keys; any other control only
  // takes the focus on clicks.
  vcl::TWinControl* FocusControl() const { return focus_control_; }
  void SetFocusControl(vcl::TWinControl* value);
  // Null loads the default arrows of the current orientation.
  vcl::TBitmap* UpGlyph() const { return up_button_->Glyph(); }
  void SetUpGlyph(vcl::TBitmap* value);
  vcl::TBitmap* DownGlyph() const { return down_button_->Glyph(); }
  void SetDownGlyph(vcl::TBitmap* value);
  TNumGlyphs UpNumGlyphs() const { return up_button_->NumGlyphs(); }
  void SetUpNumGlyphs(TNumGlyphs value) { up_button_->SetNumGlyphs(value); }
  TNumGlyphs DownNumGlyphs() const { return down_button_->NumGlyphs(); }
  void SetDownNumGlyphs(TNumGlyphs value) { down_button_->SetNumGlyphs(value); }
  void SetEnabled(bool value) override;
  void SetBounds(int left, int top, int width, int height) override;

  TMMTimerSpeedButton* UpButton() const { return up_button_; }
  TMMTimerSpeedButton* DownButton() const { return down_button_; }
  TMMTimerSpeedButton* GripButton() const { return grip_button_; }
  TMMTimerSpeedButton* FocusedButton() const { return focused_button_; }
  // The bound edit's window while it is hooked.
  plat::HWND HookedWindow() const { return hooked_window_; }

  virtual void UpClick();
  virtual void DownClick();

  vcl::TNotifyEvent OnUpClick;
  vcl::TNotifyEvent OnDownClick;
  vcl::TNotifyEvent OnChange;

  void Dispatch(vcl::TMessage& message) override;

 protected:
  virtual void Change();
  void Loaded() override;
  void Notification(vcl::TComponent* component, vcl::TOperation operation) override;
  void Paint() override;
  void Changed() override;
  void KeyDown(uint16_t& key, vcl::TShiftState shift) override;
  void KeyUp(uint16_t& key, vcl::TShiftState shift) override;
  // Steps for the arrow keys; true when the key was taken.
  bool HandleKey(plat::UINT message, uint16_t key);

  // Published by TMMSpinButton.
  using engine::TMMCustomControl::Bevel;
  using engine::TMMCustomControl::SetBevel;
  vcl::TCursor DragCursor() const { return drag_cursor_; }
  void SetDragCursor(vcl::TCursor value) { drag_cursor_ = value; }
  engine::TDragMode DragMode() const { return drag_mode_; }
  void SetDragMode(engine::TDragMode value) { drag_mode_ = value; }

 private:
  friend class TMMTimerSpeedButton;
  static plat::LRESULT HookProc(plat::HWND hwnd, plat::UINT message, plat::WPARAM wparam, plat::LPARAM lparam,
                                plat::UINT_PTR id, plat::DWORD_PTR ref_data);
  TMMTimerSpeedButton* MakeArrowButton();
  void LayoutButtons(int& width, int& height);
  void UpdateLayout();
  void UpdateArrowStates();
  void UpdateMiddleButton();
  void SetFocusedButton(TMMTimerSpeedButton* button);
  void Unhook();
  void LoadDefaultGlyph(TMMTimerSpeedButton* button, bool up);
  bool Loading() const;

  void ButtonClick(vcl::TObject* sender);
  void ButtonMouseDown(vcl::TObject* sender, vcl::TMouseButton button, int x, int y);
  void ButtonMouseMove(vcl::TObject* sender, int x, int y);
  void ButtonMouseUp(vcl::TObject* sender, vcl::TMouseButton button);

  TMMTimerSpeedButton* up_button_ = nullptr;
  TMMTimerSpeedButton* down_button_ = nullptr;
  TMMTimerSpeedButton* grip_button_ = nullptr;
  TMMTimerSpeedButton* focused_button_ = nullptr;
  vcl::TWinControl* focus_control_ = nullptr;
  vcl::TColor focus_color_ = vcl::clBlack;
  bool button_face_ = false;
  bool middle_button_ = false;
  TMMOrientation orientation_ = orVertical;
  int increment_ = 1;
  int min_value_ = 0;
  int max_value_ = 100;
  int value_ = 0;
  int drag_start_value_ = 0;
  int drag_start_pos_ = 0;
  plat::HWND hooked_window_ = nullptr;
  bool hooks_focus_control_ = false;
  vcl::TCursor drag_cursor_ = vcl::crDrag;
  engine::TDragMode drag_mode_ = engine::dmManual;
};

class TMMSpinButton : public TMMCustomSpinButton {
  VCL_DECLARE_CLASS(TMMSpinButton, TMMCustomSpinButton)
 public:
  explicit TMMSpinButton(vcl::TComponent* owner) : TMMCustomSpinButton(owner) {}
  using TMMCustomSpinButton::Bevel;
  using TMMCustomSpinButton::DragCursor;
  using TMMCustomSpinButton::DragMode;
  using TMMCustomSpinButton::SetBevel;
  using TMMCustomSpinButton::SetDragCursor;
  using TMMCustomSpinButton::SetDragMode;
  int PublishedTabOrder() const { return TabOrder(); }
  void SetPublishedTabOrder(int value) { SetTabOrder(value); }
};

}  // namespace controls
