#include "controls/MMSpin.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "engine/MMUtils.h"
#include "platform/user/Controls.h"
#include "platform/user/Focus.h"
#include "platform/user/Geometry.h"
#include "platform/user/Input.h"
#include "platform/user/Subclass.h"
#include "platform/vcl/Application.h"
#include "platform/vcl/StdCtrls.h"
#include "platform/vcl/TypInfo.h"

namespace controls {

namespace {

// Every edit some spin button has hooked; one edit serves one spin button.
std::vector<vcl::TWinControl*> hooked_controls;

constexpr unsigned kFirstRepeat = 400;
constexpr unsigned kNextRepeats = 50;

}  // namespace

// ---- TMMTimerSpeedButton ----

VCL_IMPLEMENT_CLASS(TMMTimerSpeedButton)

TMMTimerSpeedButton::TMMTimerSpeedButton(vcl::TComponent* owner) : TMMSpeedButton(owner) {}

TMMTimerSpeedButton::~TMMTimerSpeedButton() { repeat_timer_.reset(); }

void TMMTimerSpeedButton::SetFace(bool value) {
  if (face_ == value) return;
  face_ = value;
  Invalidate();
}

void TMMTimerSpeedButton::StopRepeat() {
  if (!repeat_timer_) return;
  // The timer may not go while its own tick runs; it is freed on release.
  if (in_tick_)
    repeat_timer_->SetEnabled(false);
  else
    repeat_timer_.reset();
}

void TMMTimerSpeedButton::SetButtonEnabled(bool value) {
  if (value == Enabled()) return;
  if (State() == vcl::bsDown && !DesignMode() && Parent()) {
    // The press ends here rather than at a mouse-up that will not count.
    if (MouseCapture()) SetMouseCapture(false);
    SetControlState(ControlState() - vcl::TControlState{vcl::csClicked, vcl::csLButtonDown});
    StopTracking();
    StopRepeat();
    SetState(vcl::bsUp);
  }
  SetEnabled(value);
}

void TMMTimerSpeedButton::CaptureLost() {
  StopRepeat();
  if (timer_flags_.Contains(tfDragging)) timer_flags_.Exclude(tfDragging);
  TMMSpeedButton::CaptureLost();
}

void TMMTimerSpeedButton::MouseDown(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) {
  TMMSpeedButton::MouseDown(button, shift, x, y);
  if (!timer_flags_.Contains(tfAutoRepeat)) return;
  if (!repeat_timer_) {
    repeat_timer_ = std::make_unique<vcl::TTimer>(nullptr);
    repeat_timer_->OnTimer = [this](vcl::TObject*) { RepeatTimerTick(); };
  }
  repeat_timer_->SetInterval(kFirstRepeat);
  repeat_timer_->SetEnabled(true);
}

void TMMTimerSpeedButton::MouseUp(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) {
  TMMSpeedButton::MouseUp(button, shift, x, y);
  StopRepeat();
}

void TMMTimerSpeedButton::RepeatTimerTick() {
  in_tick_ = true;
  repeat_timer_->SetInterval(kNextRepeats);
  try {
    if (State() == vcl::bsDown && MouseCapture()) Click();
  } catch (...) {
    if (repeat_timer_) repeat_timer_->SetEnabled(false);
    in_tick_ = false;
    throw;
  }
  in_tick_ = false;
}

void TMMTimerSpeedButton::DrawFocusLine(int x1, int y1, int x2, int y2) {
  vcl::TCanvas* canvas = Canvas();
  canvas->Pen()->SetColor(focus_color_);
  canvas->Pen()->SetStyle(vcl::psSolid);
  canvas->Pen()->SetWidth(1);
  canvas->MoveTo(x1, y1);
  canvas->LineTo(x2, y2);
}

void TMMTimerSpeedButton::PaintFocusShare(TMMCustomSpinButton* spin) {
  const int w = Width(), h = Height();
  const bool grip = this == spin->grip_button_;
  const vcl::TRect r = grip ? vcl::Rect(0, 0, w - 1, h - 1) : vcl::Rect(1, 1, w - 2, h - 2);
  const int l = r.left, t = r.top, rt = r.right, b = r.bottom;
  const bool up = this == spin->up_button_;
  if (spin->Orientation() == orVertical) {
    if (grip) {
      DrawFocusLine(l, t, l, b + 1);
      DrawFocusLine(rt, t, rt, b + 1);
    } else if (up) {
      DrawFocusLine(l, t, l, b + 2);
      DrawFocusLine(l + 1, t, rt, t);
      DrawFocusLine(rt, t, rt, b + 2);
    } else {
      DrawFocusLine(l, t - 1, l, b);
      DrawFocusLine(l, b, rt + 1, b);
      DrawFocusLine(rt, t - 1, rt, b);
    }
  } else {
    if (grip) {
      DrawFocusLine(l, t, rt + 1, t);
      DrawFocusLine(l, b, rt + 1, b);
    } else if (up) {
      DrawFocusLine(l - 1, t, rt + 1, t);
      DrawFocusLine(rt, t, rt, b);
      DrawFocusLine(l - 1, b, rt + 1, b);
    } else {
      DrawFocusLine(l, t, rt + 2, t);
      DrawFocusLine(l, t, l, b);
      DrawFocusLine(l, b, rt + 2, b);
    }
  }
}

void TMMTimerSpeedButton::Paint() {
  SyncEnabledState();
  vcl::TCanvas* canvas = Canvas();
  const int w = Width(), h = Height();
  vcl::TRect r = ClientRect();
  canvas->Brush()->SetStyle(vcl::bsSolid);
  canvas->Brush()->SetColor(vcl::clBtnFace);
  canvas->FillRect(r);
  TButtonGlyph* glyph = ButtonGlyph();
  if (!face_) {
    glyph->DrawGlyphAndCaption(canvas, r, State(), Spacing(), Margin(), Layout(), "");
  } else if (State() == vcl::bsDown || timer_flags_.Contains(tfDragging)) {
    vcl::TRect shifted = r;
    plat::OffsetRect(&shifted, 1, 1);
    glyph->DrawGlyphAndCaption(canvas, shifted, State(), Spacing(), Margin(), Layout(), "");
    vcl::Frame3D(canvas, r, vcl::clBtnShadow, vcl::clBtnFace, 1);
    canvas->SetPixels(0, h - 1, vcl::clBtnShadow);
    canvas->SetPixels(w - 1, 0, vcl::clBtnShadow);
  } else {
    vcl::Frame3D(canvas, r, vcl::clBtnHighlight, vcl::clBtnShadow, 1);
    glyph->DrawGlyphAndCaption(canvas, r, State(), Spacing(), Margin(), Layout(), "");
  }
  auto* spin = dynamic_cast<TMMCustomSpinButton*>(Parent());
  if (spin && spin->Focused() && !spin->ButtonFace()) PaintFocusShare(spin);
}

// ---- TMMCustomSpinButton ----

VCL_IMPLEMENT_CLASS(TMMCustomSpinButton)

TMMCustomSpinButton::TMMCustomSpinButton(vcl::TComponent* owner) : TMMCustomControl(owner) {
  SetControlStyle(ControlStyle() -
                  vcl::TControlStyle{vcl::csAcceptsControls, vcl::csSetCaption, vcl::csDoubleClicks});
  up_button_ = MakeArrowButton();
  down_button_ = MakeArrowButton();
  down_button_->SetEnabled(false);  // the value starts at the minimum
  SetUpGlyph(nullptr);
  SetDownGlyph(nullptr);
  SetBounds(0, 0, 21, 28);
  focused_button_ = up_button_;
  SetTabStop(true);
}

TMMCustomSpinButton::~TMMCustomSpinButton() { SetFocusControl(nullptr); }

bool TMMCustomSpinButton::Loading() const {
  return ComponentState().Contains(vcl::csLoading) || ComponentState().Contains(vcl::csReading);
}

TMMTimerSpeedButton* TMMCustomSpinButton::MakeArrowButton() {
  auto* button = new TMMTimerSpeedButton(this);
  button->SetParent(this);
  button->OnClick = [this](vcl::TObject* sender) { ButtonClick(sender); };
  button->OnMouseDown = [this](vcl::TObject* sender, vcl::TMouseButton b, vcl::TShiftState, int x, int y) {
    ButtonMouseDown(sender, b, x, y);
  };
  button->OnMouseMove = [this](vcl::TObject* sender, vcl::TShiftState, int x, int y) {
    ButtonMouseMove(sender, x, y);
  };
  button->OnMouseUp = [this](vcl::TObject* sender, vcl::TMouseButton b, vcl::TShiftState, int, int) {
    ButtonMouseUp(sender, b);
  };
  button->SetVisible(true);
  button->SetParentShowHint(false);
  button->SetTimerFlags(TMMTimerFlags{tfAutoRepeat});
  button->SetNumGlyphs(1);
  button->SetEnabled(true);
  return button;
}

void TMMCustomSpinButton::LoadDefaultGlyph(TMMTimerSpeedButton* button, bool up) {
  static constexpr const char* kNames[2][2] = {{"MMSPINDOWNV", "MMSPINUPV"}, {"MMSPINDOWNH", "MMSPINUPH"}};
  vcl::TBitmap bitmap;
  bitmap.LoadFromResourceName(nullptr, kNames[orientation_ == orHorizontal][up]);
  button->SetGlyph(&bitmap);
  button->SetNumGlyphs(3);
  button->Invalidate();
}

void TMMCustomSpinButton::SetUpGlyph(vcl::TBitmap* value) {
  if (value)
    up_button_->SetGlyph(value);
  else
    LoadDefaultGlyph(up_button_, true);
}

void TMMCustomSpinButton::SetDownGlyph(vcl::TBitmap* value) {
  if (value)
    down_button_->SetGlyph(value);
  else
    LoadDefaultGlyph(down_button_, false);
}

// ---- layout ----

void TMMCustomSpinButton::LayoutButtons(int& width, int& height) {
  if (Loading() || !up_button_ || !down_button_) return;
  const int b = BevelExtent();
  auto cell_width = [](TMMTimerSpeedButton* button) {
    return button->Glyph()->Width() / std::max(button->NumGlyphs(), 1);
  };
  const int gu = cell_width(up_button_), gd = cell_width(down_button_);
  const int hu = up_button_->Glyph()->Height(), hd = down_button_->Glyph()->Height();
  const bool grip = middle_button_ && grip_button_;
  const bool vertical = orientation_ == orVertical;
  // Extra room along the arrows' axis: the separator lines of a face, the grip.
  const int along = button_face_ ? (middle_button_ ? 10 : 5) : (middle_button_ ? 6 : 0);
  const int across = button_face_ ? 2 : 0;
  const int min_width = vertical ? gu + 2 * b + across : gd + gu + 2 * b + along;
  const int min_height = vertical ? hu + hd + 2 * b + along : hd + 2 * b + across;
  width = std::max(width, min_width);
  height = std::max(height, min_height);
  const int w = width, h = height;
  // Gap between the arrows: a face's separator line, then the grip with its box.
  const int gap = middle_button_ ? 6 : (button_face_ ? 1 : 0);
  const int split = middle_button_ ? (button_face_ ? 5 : 6) : 0;
  if (vertical) {
    up_button_->SetBounds(b, b, w - 2 * b, (h - 2 * b - split) / 2);
    const int uh = up_button_->Height();
    down_button_->SetBounds(b, b + uh + gap, w - 2 * b, h - 2 * b - uh - gap);
    if (grip) {
      if (button_face_)
        grip_button_->SetBounds(b, b + uh + 1, w - 2 * b, 4);
      else
        grip_button_->SetBounds(b + 1, b + uh + 1, w - 2 * b - 2, 4);
    }
  } else {
    down_button_->SetBounds(b, b, (w - 2 * b - split) / 2, h - 2 * b);
    const int dw = down_button_->Width();
    up_button_->SetBounds(b + dw + gap, b, w - 2 * b - dw - gap, h - 2 * b);
    if (grip) {
      if (button_face_)
        grip_button_->SetBounds(b + dw + 1, b, 4, h - 2 * b);
      else
        grip_button_->SetBounds(b + dw + 1, b + 1, 4, h - 2 * b - 2);
    }
  }
}

void TMMCustomSpinButton::UpdateLayout() {
  int w = Width(), h = Height();
  LayoutButtons(w, h);
  if (w == Width() && h == Height())
    Invalidate();
  else
    SetBounds(Left(), Top(), w, h);
}

void TMMCustomSpinButton::SetBounds(int left, int top, int width, int height) {
  LayoutButtons(width, height);
  TMMCustomControl::SetBounds(left, top, width, height);
}

void TMMCustomSpinButton::Changed() {
  UpdateLayout();
  TMMCustomControl::Changed();
}

void TMMCustomSpinButton::Loaded() {
  TMMCustomControl::Loaded();
  UpdateArrowStates();
  UpdateLayout();
}

void TMMCustomSpinButton::Paint() {
  TMMCustomControl::Paint();
  const int b = BevelExtent(), w = Width(), h = Height();
  const bool grip = middle_button_ && grip_button_;
  vcl::TCanvas* canvas = Canvas();
  canvas->Pen()->SetColor(vcl::clBlack);
  canvas->Pen()->SetWidth(1);
  auto line = [canvas](int x1, int y1, int x2, int y2) {
    canvas->MoveTo(x1, y1);
    canvas->LineTo(x2, y2);
  };
  if (orientation_ == orVertical) {
    const int uh = up_button_->Height();
    if (button_face_) {
      line(b, uh + b, w - b, uh + b);
      if (grip) line(b, uh + b + grip_button_->Height() + 1, w - b, uh + b + grip_button_->Height() + 1);
    } else if (grip) {
      const int y1 = uh + b, y2 = y1 + grip_button_->Height() + 1;
      line(b, y1, w - b, y1);
      line(b, y1, b, y2);
      line(w - b - 1, y1, w - b - 1, y2);
      line(b, y2, w - b, y2);
    }
  } else {
    const int dw = down_button_->Width();
    if (button_face_) {
      line(dw + b, b, dw + b, h - b);
      if (grip) line(dw + b + grip_button_->Width() + 1, b, dw + b + grip_button_->Width() + 1, h - b);
    } else if (grip) {
      const int x1 = dw + b, x2 = x1 + grip_button_->Width() + 1;
      line(x1, b, x1, h - b);
      line(x2, b, x2, h - b);
      line(x1 + 1, b, x2, b);
      line(x1 + 1, h - b - 1, x2, h - b - 1);
    }
  }
}

// ---- value ----

void TMMCustomSpinButton::SetValue(int value) {
  value = engine::IntClamp(value, min_value_, max_value_);
  if (value == value_) return;
  value_ = value;
  UpdateArrowStates();
  Change();
}

void TMMCustomSpinButton::SetMinValue(int value) {
  if (value == min_value_) return;
  min_value_ = value;
  if (value > value_) SetValue(value);
  UpdateArrowStates();
}

void TMMCustomSpinButton::SetMaxValue(int value) {
  if (value == max_value_) return;
  max_value_ = value;
  if (value < value_) SetValue(value);
  UpdateArrowStates();
}

void TMMCustomSpinButton::UpClick() {
  SetValue(static_cast<int>(std::clamp<int64_t>(int64_t{value_} + increment_, std::numeric_limits<int>::min(),
                                                std::numeric_limits<int>::max())));
  if (OnUpClick) OnUpClick(this);
}

void TMMCustomSpinButton::DownClick() {
  SetValue(static_cast<int>(std::clamp<int64_t>(int64_t{value_} - increment_, std::numeric_limits<int>::min(),
                                                std::numeric_limits<int>::max())));
  if (OnDownClick) OnDownClick(this);
}

void TMMCustomSpinButton::Change() {
  if (!Loading() && OnChange) OnChange(this);
}

void TMMCustomSpinButton::UpdateArrowStates() {
  down_button_->SetButtonEnabled(value_ != min_value_ && Enabled());
  up_button_->SetButtonEnabled(value_ != max_value_ && Enabled());
}

void TMMCustomSpinButton::UpdateMiddleButton() {
  if (!middle_button_ || !grip_button_) return;
  grip_button_->SetEnabled(Enabled());
  grip_button_->SetFace(true);
  grip_button_->SetFocusColor(focus_color_);
  grip_button_->SetTimerFlags(TMMTimerFlags{});
}

void TMMCustomSpinButton::SetEnabled(bool value) {
  if (value == Enabled()) return;
  TMMCustomControl::SetEnabled(value);
  UpdateMiddleButton();
  if (!value) {
    down_button_->SetButtonEnabled(false);
    up_button_->SetButtonEnabled(false);
  } else {
    UpdateArrowStates();
  }
}

// ---- appearance ----

void TMMCustomSpinButton::SetOrientation(TMMOrientation value) {
  if (value == orientation_) return;
  orientation_ = value;
  if (DesignMode()) {
    SetUpGlyph(nullptr);
    SetDownGlyph(nullptr);
  }
  UpdateLayout();
}

void TMMCustomSpinButton::SetMiddleButton(bool value) {
  if (value == middle_button_) return;
  if (grip_button_) {
    TMMTimerSpeedButton* grip = grip_button_;
    grip_button_ = nullptr;
    delete grip;
  }
  middle_button_ = value;
  if (value) {
    grip_button_ = MakeArrowButton();
    grip_button_->SetGroupIndex(0);
    UpdateMiddleButton();
  }
  UpdateLayout();
}

void TMMCustomSpinButton::SetButtonFace(bool value) {
  if (value == button_face_) return;
  button_face_ = value;
  up_button_->SetFace(value);
  down_button_->SetFace(value);
  UpdateMiddleButton();
  UpdateLayout();
  Invalidate();
}

void TMMCustomSpinButton::SetFocusColor(vcl::TColor value) {
  if (value == focus_color_) return;
  focus_color_ = value;
  up_button_->SetFocusColor(value);
  down_button_->SetFocusColor(value);
  UpdateMiddleButton();
  Invalidate();
}

// ---- mouse ----

void TMMCustomSpinButton::SetFocusedButton(TMMTimerSpeedButton* button) {
  if (!TabStop() || !CanFocus() || button == focused_button_ || button == grip_button_) return;
  focused_button_->SetState(vcl::bsUp);
  focused_button_->Invalidate();
  focused_button_ = button;
  if (Focused()) Invalidate();
}

void TMMCustomSpinButton::ButtonMouseDown(vcl::TObject* sender, vcl::TMouseButton button, int x, int y) {
  if (button != vcl::mbLeft) return;
  if (grip_button_ && sender == grip_button_) {
    grip_button_->timer_flags_.Include(tfDragging);
    drag_start_value_ = value_;
    if (orientation_ == orVertical) {
      grip_button_->SetCursor(vcl::crVSplit);
      drag_start_pos_ = y;
    } else {
      grip_button_->SetCursor(vcl::crHSplit);
      drag_start_pos_ = x;
    }
  } else {
    SetFocusedButton(static_cast<TMMTimerSpeedButton*>(sender));
  }
  if (focus_control_ && focus_control_->TabStop() && focus_control_->CanFocus()) {
    if (!focus_control_->Focused()) focus_control_->SetFocus();
  } else if (TabStop() && !Focused() && CanFocus()) {
    SetFocus();
  }
}

void TMMCustomSpinButton::ButtonMouseMove(vcl::TObject* sender, int x, int y) {
  if (!grip_button_ || sender != grip_button_) return;
  if (!grip_button_->timer_flags_.Contains(tfDragging)) {
    grip_button_->SetCursor(orientation_ == orVertical ? vcl::crVSplit : vcl::crHSplit);
    return;
  }
  const int pos = orientation_ == orVertical ? y : x;
  // Wide ranges overflow 32 bits, and so does their product with the distance.
  const double range = static_cast<double>(int64_t{max_value_} - min_value_);
  const double moved = std::trunc(static_cast<double>(int64_t{drag_start_pos_} - pos) * range / 100.0);
  const double target =
      std::clamp(moved + drag_start_value_, static_cast<double>(std::numeric_limits<int>::min()),
                 static_cast<double>(std::numeric_limits<int>::max()));
  SetValue(static_cast<int>(target));
}

void TMMCustomSpinButton::ButtonMouseUp(vcl::TObject* sender, vcl::TMouseButton button) {
  if (button == vcl::mbLeft && grip_button_ && sender == grip_button_) {
    grip_button_->timer_flags_.Exclude(tfDragging);
    grip_button_->Invalidate();
  }
}

void TMMCustomSpinButton::ButtonClick(vcl::TObject* sender) {
  if (sender == up_button_)
    UpClick();
  else if (sender == down_button_)
    DownClick();
}

// ---- keys and focus ----

bool TMMCustomSpinButton::HandleKey(plat::UINT message, uint16_t key) {
  const bool vertical = orientation_ == orVertical;
  if (message == plat::WM_KEYDOWN) {
    TMMTimerSpeedButton* button = nullptr;
    if (key == (vertical ? plat::VK_UP : plat::VK_RIGHT))
      button = up_button_;
    else if (key == (vertical ? plat::VK_DOWN : plat::VK_LEFT))
      button = down_button_;
    if (!button) return false;
    SetFocusedButton(button);
    if (button->State() != vcl::bsDown && button->Enabled()) {
      button->SetState(vcl::bsDown);
      button->Invalidate();
    }
    // Clicks also while the arrow is disabled, so a bound edit steps a disabled control.
    button->Click();
    return true;
  }
  if (message == plat::WM_KEYUP &&
      (key == plat::VK_UP || key == plat::VK_DOWN || key == plat::VK_LEFT || key == plat::VK_RIGHT)) {
    // Both arrows: a key may have pressed one that did not become the focused one.
    for (TMMTimerSpeedButton* button : {focused_button_, up_button_, down_button_}) {
      if (button != focused_button_ && button->State() != vcl::bsDown) continue;
      button->SetState(vcl::bsUp);
      button->Invalidate();
    }
    return true;
  }
  return false;
}

void TMMCustomSpinButton::KeyDown(uint16_t& key, vcl::TShiftState) {
  if (HandleKey(plat::WM_KEYDOWN, key)) key = 0;
}

void TMMCustomSpinButton::KeyUp(uint16_t& key, vcl::TShiftState) {
  if (HandleKey(plat::WM_KEYUP, key)) key = 0;
}

void TMMCustomSpinButton::Dispatch(vcl::TMessage& m) {
  switch (m.Msg) {
    case plat::WM_GETDLGCODE:
      m.Result = plat::DLGC_WANTARROWS;
      return;
    case plat::WM_SETFOCUS:
    case plat::WM_KILLFOCUS:
      TMMCustomControl::Dispatch(m);
      Invalidate();
      return;
    case plat::WM_SIZE:
      TMMCustomControl::Dispatch(m);
      UpdateLayout();
      m.Result = 0;
      return;
    default:
      TMMCustomControl::Dispatch(m);
  }
}

// ---- the bound edit ----

plat::LRESULT TMMCustomSpinButton::HookProc(plat::HWND hwnd, plat::UINT message, plat::WPARAM wparam,
                                            plat::LPARAM lparam, plat::UINT_PTR, plat::DWORD_PTR ref_data) {
  auto* self = reinterpret_cast<TMMCustomSpinButton*>(ref_data);
  if (message == plat::WM_NCDESTROY) {
    // The window goes; the binding stays, without its hook.
    plat::RemoveWindowSubclass(hwnd, &HookProc, reinterpret_cast<plat::UINT_PTR>(self));
    self->hooked_window_ = nullptr;
    return plat::DefSubclassProc(hwnd, message, wparam, lparam);
  }
  const bool held = (self->up_button_->Tracking() && self->up_button_->State() == vcl::bsDown) ||
                    (self->down_button_->Tracking() && self->down_button_->State() == vcl::bsDown);
  if (!held && self->HandleKey(message, static_cast<uint16_t>(plat::LOWORD(wparam)))) return 0;
  return plat::DefSubclassProc(hwnd, message, wparam, lparam);
}

void TMMCustomSpinButton::Unhook() {
  if (hooked_window_) {
    plat::RemoveWindowSubclass(hooked_window_, &HookProc, reinterpret_cast<plat::UINT_PTR>(this));
    hooked_window_ = nullptr;
  }
  std::erase(hooked_controls, focus_control_);
  hooks_focus_control_ = false;
}

void TMMCustomSpinButton::SetFocusControl(vcl::TWinControl* value) {
  if (value == focus_control_) return;
  if (focus_control_) {
    if (hooks_focus_control_) Unhook();
    focus_control_->RemoveFreeNotification(this);
  }
  focus_control_ = value;
  if (!value) return;
  value->FreeNotification(this);
  if (!dynamic_cast<vcl::TCustomEdit*>(value)) return;
  if (std::find(hooked_controls.begin(), hooked_controls.end(), value) != hooked_controls.end()) {
    value->RemoveFreeNotification(this);
    focus_control_ = nullptr;
    vcl::ShowMessageBox("Control is already Hooked", "Error", vcl::MB_OK | vcl::MB_ICONSTOP);
    return;
  }
  hooked_controls.push_back(value);
  hooks_focus_control_ = true;
  hooked_window_ = value->Handle();
  plat::SetWindowSubclass(hooked_window_, &HookProc, reinterpret_cast<plat::UINT_PTR>(this),
                          reinterpret_cast<plat::DWORD_PTR>(this));
}

void TMMCustomSpinButton::Notification(vcl::TComponent* component, vcl::TOperation operation) {
  TMMCustomControl::Notification(component, operation);
  if (operation == vcl::opRemove && component == focus_control_) SetFocusControl(nullptr);
}

// ---- TMMSpinButton ----

VCL_IMPLEMENT_CLASS(
    TMMSpinButton, EventProp("OnChange", &TMMSpinButton::OnChange),
    EventProp("OnDownClick", &TMMSpinButton::OnDownClick), EventProp("OnUpClick", &TMMSpinButton::OnUpClick),
    ObjProp("Bevel", &TMMSpinButton::Bevel, &TMMSpinButton::SetBevel),
    EnumProp("Orientation", &TMMSpinButton::Orientation, &TMMSpinButton::SetOrientation,
             {"orVertical", "orHorizontal"})
        .Default(orVertical),
    ObjProp("DownGlyph", &TMMSpinButton::DownGlyph, &TMMSpinButton::SetDownGlyph),
    IntProp("DownNumGlyphs", &TMMSpinButton::DownNumGlyphs, &TMMSpinButton::SetDownNumGlyphs).NoDefault(),
    IntProp("DragCursor", &TMMSpinButton::DragCursor, &TMMSpinButton::SetDragCursor)
        .Default(vcl::crDrag)
        .Idents(vcl::CursorIdents()),
    EnumProp("DragMode", &TMMSpinButton::DragMode, &TMMSpinButton::SetDragMode, {"dmManual", "dmAutomatic"})
        .Default(engine::dmManual),
    BoolProp("Enabled", &TMMSpinButton::Enabled, &TMMSpinButton::SetEnabled).Default(true),
    ColorProp("FocusColor", &TMMSpinButton::FocusColor, &TMMSpinButton::SetFocusColor).Default(vcl::clBlack),
    RefProp("FocusControl", &TMMSpinButton::FocusControl, &TMMSpinButton::SetFocusControl),
    BoolProp("ParentShowHint", &TMMSpinButton::ParentShowHint, &TMMSpinButton::SetParentShowHint)
        .Default(true),
    RefProp("PopupMenu", &TMMSpinButton::PopupMenu, &TMMSpinButton::SetPopupMenu),
    BoolProp("ShowHint", &TMMSpinButton::ShowHint, &TMMSpinButton::SetShowHint)
        .Default(false)
        .Stored(&TMMSpinButton::IsShowHintStored),
    BoolProp("TabStop", &TMMSpinButton::TabStop, &TMMSpinButton::SetTabStop).Default(true),
    IntProp("TabOrder", &TMMSpinButton::PublishedTabOrder, &TMMSpinButton::SetPublishedTabOrder).Default(-1),
    ObjProp("UpGlyph", &TMMSpinButton::UpGlyph, &TMMSpinButton::SetUpGlyph),
    IntProp("UpNumGlyphs", &TMMSpinButton::UpNumGlyphs, &TMMSpinButton::SetUpNumGlyphs).NoDefault(),
    BoolProp("Visible", &TMMSpinButton::Visible, &TMMSpinButton::SetVisible).Default(true),
    BoolProp("ButtonFace", &TMMSpinButton::ButtonFace, &TMMSpinButton::SetButtonFace).Default(false),
    BoolProp("MiddleButton", &TMMSpinButton::MiddleButton, &TMMSpinButton::SetMiddleButton).Default(false),
    IntProp("Increment", &TMMSpinButton::Increment, &TMMSpinButton::SetIncrement).Default(1),
    IntProp("MaxValue", &TMMSpinButton::MaxValue, &TMMSpinButton::SetMaxValue).Default(100),
    IntProp("MinValue", &TMMSpinButton::MinValue, &TMMSpinButton::SetMinValue).Default(0),
    IntProp("Value", &TMMSpinButton::Value, &TMMSpinButton::SetValue).Default(0))

}  // namespace controls
