#include "controls/MMSlider.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "controls/MMBmpCtl.h"
#include "engine/MMUtilsBitmaps.h"
#include "platform/kernel/ScopeGuard.h"
#include "platform/user/Controls.h"
#include "platform/user/Focus.h"
#include "platform/user/Geometry.h"
#include "platform/user/Input.h"
#include "platform/vcl/ExtTimer.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/TypInfo.h"

namespace controls {

namespace {

// One blink timer for the process, serving the slider that has the focus.
std::unique_ptr<vcl::TTimer> blink_timer;
TMMCustomSlider* blink_owner = nullptr;

int64_t Clamp64(int64_t v, int64_t lo, int64_t hi) { return v < lo ? lo : (v > hi ? hi : v); }

// Halves to the even neighbour, as the processor rounds by default.
int64_t Nearest(double v) { return static_cast<int64_t>(std::nearbyint(v)); }

// a * b / c rounded with halves away from zero, as the window system's
// multiply-divide does, but in 64 bits and 0 for a zero divisor.
int64_t MulDiv64(int64_t a, int64_t b, int64_t c) {
  if (c == 0) return 0;
  const long double q = static_cast<long double>(a) * b / c;
  return static_cast<int64_t>(std::llround(q));
}

void SetScreenCursor(vcl::TCursor cursor) {
  if (vcl::Screen) vcl::Screen->SetCursor(cursor);
}

}  // namespace

void BlinkTick(TMMCustomSlider* slider) {
  slider->blink_on_ = !slider->blink_on_;
  // A drag repaints often enough; the phase shows at its next paint.
  if (!slider->dragging_) slider->Invalidate();
}

VCL_IMPLEMENT_CLASS(TMMCustomSlider)

TMMCustomSlider::TMMCustomSlider(vcl::TComponent* owner)
    : TMMCustomControl(owner),
      groove_(std::make_unique<engine::TMMBevel>()),
      scale_(std::make_unique<displays::TMMScale>()),
      pic_left_(std::make_unique<vcl::TBitmap>()),
      pic_right_(std::make_unique<vcl::TBitmap>()) {
  groove_->OnChange = [this](vcl::TObject*) { Invalidate(); };
  scale_->SetVisible(false);
  scale_->SetOrigin(engine::soOuter);
  scale_->SetConnect(true);
  scale_->OnChange = [this](vcl::TObject*) { Invalidate(); };
  pic_left_->OnChange = [this](vcl::TObject*) { Invalidate(); };
  pic_right_->OnChange = [this](vcl::TObject*) { Invalidate(); };
  Bevel()->SetBorderWidth(5);
  SetTabStop(true);
  SetBounds(Left(), Top(), 200, 40);
}

TMMCustomSlider::~TMMCustomSlider() {
  groove_->OnChange = nullptr;
  scale_->OnChange = nullptr;
  pic_left_->OnChange = nullptr;
  pic_right_->OnChange = nullptr;
  ReleaseCachedBitmap(buffer_);
  buffer_ = nullptr;
  if (blink_owner == this) {
    blink_timer.reset();
    blink_owner = nullptr;
  }
}

bool TMMCustomSlider::Loading() const {
  const vcl::TComponentState state = ComponentState();
  return state.Contains(vcl::csLoading) || state.Contains(vcl::csReading);
}

int64_t TMMCustomSlider::Range() const {
  // While loading the bounds may still be equal or crossed.
  return std::max<int64_t>(int64_t{max_value_} - min_value_, 1);
}

// ---- properties ----

void TMMCustomSlider::SetFocusAction(TMMFocusAction value) {
  focus_action_ = value;
  StartFocusBlink(Enabled());
  Invalidate();
}

void TMMCustomSlider::SetColorIndex(int index, vcl::TColor value) {
  if (value == colors_[index]) return;
  colors_[index] = value;
  Invalidate();
}

void TMMCustomSlider::SetThumbBorder(bool value) {
  if (value == thumb_border_) return;
  thumb_border_ = value;
  Invalidate();
}

void TMMCustomSlider::SetThumbSize(int index, int value) {
  value = std::clamp(value, 0, 255);
  if (value == thumb_size_[index]) return;
  thumb_size_[index] = value;
  Invalidate();
}

void TMMCustomSlider::SetGrooveSize(int value) {
  groove_size_ = std::clamp(value, 0, 255);
  Invalidate();
}

void TMMCustomSlider::SetThumbStyle(TMMThumbStyle value) {
  if (value == thumb_style_) return;
  thumb_style_ = value;
  Invalidate();
}

void TMMCustomSlider::SetGrooveStyle(TMMGrooveStyle value) {
  if (value == groove_style_) return;
  groove_style_ = value;
  Invalidate();
}

void TMMCustomSlider::SetScaleDistance(int value) {
  if (value == scale_distance_) return;
  scale_distance_ = value;
  Invalidate();
}

void TMMCustomSlider::SetScalePosition(engine::TMMScalePos value) {
  if (value == scale_position_) return;
  scale_position_ = value;
  Invalidate();
}

void TMMCustomSlider::SetLogarithmic(bool value) {
  if (value == logarithmic_) return;
  const int32_t position = Position();
  logarithmic_ = value;
  SetPosition(position);
}

void TMMCustomSlider::SetSensitivity(int32_t value) {
  value = std::clamp(value, -96, -20);
  if (value == sensitivity_) return;
  const int32_t position = Position();
  sensitivity_ = value;
  SetPosition(position);
}

void TMMCustomSlider::SetOrientation(TMMOrientation value) {
  if (value == orientation_) return;
  orientation_ = value;
  if (DesignMode() && !Loading()) {
    std::swap(thumb_size_[0], thumb_size_[1]);
    if ((value == orVertical && Width() > Height()) || (value == orHorizontal && Height() > Width()))
      SetBounds(Left(), Top(), Height(), Width());
  }
  Invalidate();
}

void TMMCustomSlider::SetRange(int32_t min, int32_t max) {
  if (min == min_value_ && max == max_value_) return;
  if (!Loading()) {
    // The range is never empty; with MinValue at the top of the type the
    // bounds give way downward rather than wrap.
    if (min == std::numeric_limits<int32_t>::max()) --min;
    max = std::max(max, min + 1);
  }
  min_value_ = min;
  max_value_ = max;
  force_update_ = true;
  const int64_t position = Position();
  UpdatePosition(Clamp64(position, min_value_, max_value_));
  force_update_ = false;
  Invalidate();
}

// ---- position ----

int32_t TMMCustomSlider::Position() const {
  const int64_t p = Clamp64(current_position_, min_value_, max_value_);
  const int64_t rel = p - min_value_;
  if (!logarithmic_ || rel == 0) return static_cast<int32_t>(p);
  const double r = static_cast<double>(Range());
  const double s = -static_cast<double>(sensitivity_);
  const double x = (s * static_cast<double>(rel) / r - s) / 20.0;
  const float linear = static_cast<float>(std::pow(10.0, x) * r);
  return static_cast<int32_t>(Clamp64(min_value_ + Nearest(linear), min_value_, max_value_));
}

void TMMCustomSlider::SetPosition(int32_t value) {
  // The decibel axis starts at MinValue; values at or below it (a negative
  // one included) sit at the start.
  const int64_t rel = int64_t{value} - min_value_;
  if (!logarithmic_ || rel <= 0) {
    UpdatePosition(value);
    return;
  }
  const double r = static_cast<double>(Range());
  const double s = -static_cast<double>(sensitivity_);
  const float level = static_cast<float>(20.0 * std::log10(static_cast<double>(rel) / r) + s);
  const int64_t p = min_value_ + Nearest(r * level / s);
  UpdatePosition(Clamp64(p, min_value_, max_value_));
}

bool TMMCustomSlider::UpdatePosition(int64_t value) {
  // Compared before clamping: the same out-of-range value again changes again.
  if (value == current_position_ && !force_update_) return false;
  current_position_ = static_cast<int32_t>(Clamp64(value, min_value_, max_value_));
  if (!DesignMode() && !Loading()) {
    const vcl::TRect rect = CalcThumbRect(TrackRect());
    if (!plat::EqualRect(&rect, &thumb_rect_)) Invalidate();
    Change();
  } else {
    Invalidate();
  }
  return true;
}

void TMMCustomSlider::Change() {
  if (!Loading() && OnChange) OnChange(this);
}

void TMMCustomSlider::Track() {
  tracking_ = true;
  if (OnTrack) OnTrack(this);
}

void TMMCustomSlider::TrackEnd() {
  if (!tracking_) return;
  tracking_ = false;
  if (OnTrackEnd) OnTrackEnd(this);
}

void TMMCustomSlider::DoDrawThumb(vcl::TCanvas* canvas, const vcl::TRect& rect, bool dragged, bool focused) {
  if (OnDrawThumb) OnDrawThumb(this, canvas, rect, dragged, focused);
}

void TMMCustomSlider::DoDrawGroove(vcl::TCanvas* canvas, vcl::TRect& rect) {
  if (OnDrawGroove) OnDrawGroove(this, canvas, rect);
}

// ---- geometry ----

bool TMMCustomSlider::ScaleShown(engine::TMMScalePos side) const {
  return scale_->Visible() && scale_position_ == side;
}

vcl::TRect TMMCustomSlider::TrackRect() const {
  vcl::TRect r = BevelClientRect();
  const bool vertical = orientation_ == orVertical;
  if (!pic_left_->Empty()) (vertical ? r.top : r.left) += vertical ? pic_left_->Height() : pic_left_->Width();
  if (!pic_right_->Empty())
    (vertical ? r.bottom : r.right) -= vertical ? pic_right_->Height() : pic_right_->Width();
  return r;
}

int TMMCustomSlider::ThumbAcross(int start, int extent, int thumb) const {
  // Beside a one-sided scale the thumb keeps to the track's far side from it.
  if (ScaleShown(engine::spBelowOrRight)) return start;
  if (ScaleShown(engine::spAboveOrLeft)) return start + extent - thumb;
  return start + extent / 2 - thumb / 2;
}

vcl::TRect TMMCustomSlider::CalcThumbRect(const vcl::TRect& track) const {
  const int w = track.right - track.left, h = track.bottom - track.top;
  const int tw = thumb_size_[0], th = thumb_size_[1];
  const int64_t r = Range();
  const int64_t rel = int64_t{current_position_} - min_value_;
  vcl::TRect rect{};
  if (orientation_ == orHorizontal) {
    const int span = w - tw;
    const int64_t left = span > 0 ? Clamp64(Nearest(static_cast<double>(rel) * span / r), 0, span) : 0;
    rect.left = track.left + static_cast<int>(left);
    rect.top = ThumbAcross(track.top, h, th);
  } else {
    const int span = h - th;
    const int64_t top =
        span > 0 ? Clamp64(h - Nearest(static_cast<double>(rel) * span / r) - th, 0, span) : 0;
    rect.top = track.top + static_cast<int>(top);
    rect.left = ThumbAcross(track.left, w, tw);
  }
  rect.right = rect.left + tw;
  rect.bottom = rect.top + th;
  return rect;
}

int32_t TMMCustomSlider::PosFromPoint(int x, int y) const {
  const vcl::TRect track = TrackRect();
  const int w = track.right - track.left, h = track.bottom - track.top;
  const double r = static_cast<double>(Range());
  double fraction;
  if (orientation_ == orHorizontal) {
    const int span = w - thumb_size_[0];
    // A track no longer than the thumb has one place only.
    if (span <= 0) return min_value_;
    fraction = static_cast<double>(x - track.left - thumb_size_[0] / 2) / span;
  } else {
    const int span = h - thumb_size_[1];
    if (span <= 0) return min_value_;
    fraction = static_cast<double>(span - (y - track.top - thumb_size_[1] / 2)) / span;
  }
  return static_cast<int32_t>(Clamp64(Nearest(fraction * r + min_value_), min_value_, max_value_));
}

bool TMMCustomSlider::OnThumb(int x, int y) const {
  return x >= thumb_rect_.left && x < thumb_rect_.right && y >= thumb_rect_.top && y < thumb_rect_.bottom;
}

// ---- sizing and buffer ----

void TMMCustomSlider::SetBounds(int left, int top, int width, int height) {
  if (width != Width() || height != Height() || !buffer_) ResizeBuffer(width, height);
  inherited::SetBounds(left, top, width, height);
}

void TMMCustomSlider::ResizeBuffer(int width, int height) {
  if (Loading()) return;
  ReleaseCachedBitmap(buffer_);
  buffer_ = GetCachedBitmap(std::max(width, 0), std::max(height, 0));
  Invalidate();
}

void TMMCustomSlider::Loaded() {
  inherited::Loaded();
  ResizeBuffer(Width(), Height());
}

void TMMCustomSlider::Resize() {
  inherited::Resize();
  SetOrientation(Height() > Width() ? orVertical : orHorizontal);
}

// ---- painting ----

vcl::TRect TMMCustomSlider::DrawPictures(vcl::TCanvas* canvas, vcl::TRect inner) {
  const bool vertical = orientation_ == orVertical;
  int line = vertical ? (inner.left + inner.right) / 2 : (inner.top + inner.bottom) / 2;
  if (!vertical) {
    if (ScaleShown(engine::spAboveOrLeft)) line = inner.bottom - thumb_size_[1] / 2;
    if (ScaleShown(engine::spBelowOrRight)) line = inner.top + thumb_size_[1] / 2;
  } else {
    if (ScaleShown(engine::spAboveOrLeft)) line = inner.right - thumb_size_[0] / 2;
    if (ScaleShown(engine::spBelowOrRight)) line = inner.left + thumb_size_[0] / 2;
  }
  auto draw = [&](vcl::TBitmap* pic, bool start) {
    if (pic->Empty()) return;
    const int pw = pic->Width(), ph = pic->Height();
    int x, y;
    if (!vertical) {
      x = start ? inner.left : inner.right - pw;
      y = line - ph / 2;
      (start ? inner.left : inner.right) += start ? pw : -pw;
    } else {
      y = start ? inner.top : inner.bottom - ph;
      x = line - pw / 2;
      (start ? inner.top : inner.bottom) += start ? ph : -ph;
    }
    vcl::TCanvas* source = LockBitmap(pic);
    plat::ScopeExit unlock([source] { source->Unlock(); });
    engine::DrawTransparentBitmap(canvas->Handle(), pic->Handle(), x, y,
                                  engine::GetTransparentColor(pic->Handle()));
  };
  draw(pic_left_.get(), true);
  draw(pic_right_.get(), false);
  return inner;
}

void TMMCustomSlider::DrawScale(vcl::TCanvas* canvas, vcl::TRect groove) {
  if (!scale_->Visible()) return;
  scale_->SetCanvas(canvas);
  const int extent = scale_->GetExtent();
  const bool vertical = orientation_ == orVertical;
  if (!vertical) {
    groove.left += thumb_size_[0] / 2;
    groove.right -= thumb_size_[0] / 2;
  } else {
    groove.top += thumb_size_[1] / 2;
    groove.bottom -= thumb_size_[1] / 2;
  }
  const engine::TMMScalePos pos = scale_position_;
  if (pos == engine::spAboveOrLeft || pos == engine::spBoth) {
    vcl::TRect r = groove;
    if (!vertical) {
      r.bottom = groove.top - scale_distance_ - 1;
      r.top = r.bottom - extent;
    } else {
      r.right = groove.left - scale_distance_;
      r.left = r.right - extent;
    }
    scale_->Draw(canvas, r, true);
  }
  if (pos == engine::spBelowOrRight || pos == engine::spBoth) {
    vcl::TRect r = groove;
    if (!vertical) {
      r.top = groove.bottom + scale_distance_ + 1;
      r.bottom = r.top + extent;
    } else {
      r.left = groove.right + scale_distance_;
      r.right = r.left + extent;
    }
    scale_->Draw(canvas, r, false);
  }
  scale_->SetCanvas(nullptr);
}

void TMMCustomSlider::DrawGroove(vcl::TCanvas* canvas, const vcl::TRect& track) {
  const int g = groove_->BevelExtent();
  const int half = groove_size_ / 2;
  vcl::TRect groove = track;
  if (orientation_ == orHorizontal) {
    if (ScaleShown(engine::spBelowOrRight))
      groove.top = track.top + thumb_size_[1] / 2 - g - half;
    else if (ScaleShown(engine::spAboveOrLeft))
      groove.top = track.bottom - thumb_size_[1] / 2 - g - half - 1;
    else
      groove.top = track.top + (track.bottom - track.top) / 2 - g - half;
    groove.bottom = groove.top + 2 * g + groove_size_;
  } else {
    if (ScaleShown(engine::spBelowOrRight))
      groove.left = track.left + thumb_size_[0] / 2 - g - half;
    else if (ScaleShown(engine::spAboveOrLeft))
      groove.left = track.right - thumb_size_[0] / 2 - g - half - 1;
    else
      groove.left = track.left + (track.right - track.left) / 2 - g - half;
    groove.right = groove.left + 2 * g + groove_size_;
  }
  DrawScale(canvas, groove);
  vcl::TRect interior;
  if (groove_style_ == gsRect) {
    interior = groove_->Paint(canvas, groove, true);
  } else {
    interior = groove;
    interior.top += g;
    interior.bottom -= g;
    DoDrawGroove(canvas, interior);
  }
  canvas->Brush()->SetColor(GrooveColor());
  canvas->Brush()->SetStyle(vcl::bsSolid);
  if (Focused()) {
    if (focus_action_ == faFocusRect || focus_action_ == faAll) {
      vcl::TRect focus = track;
      engine::TMMBevel* bevel = Bevel();
      if ((bevel->BorderWidth() > 0 && bevel->BevelInner() == engine::bvNone) || bevel->BorderSpace() > 0)
        plat::InflateRect(&focus, 1, 1);
      canvas->DrawFocusRect(focus);
    }
    if (focus_action_ == faFocusColor || focus_action_ == faAll) canvas->Brush()->SetColor(FocusColor());
  }
  canvas->FillRect(interior);
}

void TMMCustomSlider::DrawThumb(vcl::TCanvas* canvas, vcl::TRect rect) {
  if (thumb_style_ == tsOwnerDraw) {
    DoDrawThumb(canvas, rect, dragging_, blink_on_);
    return;
  }
  canvas->Pen()->SetWidth(1);
  canvas->Brush()->SetStyle(vcl::bsSolid);
  if (thumb_border_) {
    canvas->Brush()->SetColor(vcl::clWindowFrame);
    canvas->FrameRect(rect);
    plat::InflateRect(&rect, -1, -1);
  } else {
    canvas->Pen()->SetColor(vcl::clWindowFrame);
    canvas->Polyline({vcl::Point(rect.right - 1, rect.top), vcl::Point(rect.right - 1, rect.bottom - 1),
                      vcl::Point(rect.left - 1, rect.bottom - 1)});
    --rect.right;
    --rect.bottom;
  }
  vcl::Frame3D(canvas, rect, vcl::clBtnHighlight, vcl::clBtnShadow, 1);
  canvas->SetPixels(rect.right, rect.top - 1, vcl::clBtnHighlight);
  canvas->SetPixels(rect.left - 1, rect.bottom, vcl::clBtnHighlight);
  canvas->Brush()->SetColor(ThumbColor());
  canvas->FillRect(rect);
  const bool checker = !Enabled() || blink_on_;
  if (!checker) return;
  const vcl::TColor color = Enabled() ? vcl::clBlack : DisabledColor();
  for (int y = rect.top; y < rect.bottom; ++y)
    for (int x = rect.left; x < rect.right; ++x)
      if ((x & 1) == (y & 1)) canvas->SetPixels(x, y, color);
}

void TMMCustomSlider::Paint() {
  if (!buffer_ || buffer_->Empty()) return;
  vcl::TCanvas* canvas = buffer_->Canvas();
  vcl::TRect inner = Bevel()->Paint(canvas, ClientRect(), true);
  canvas->Brush()->SetColor(Color());
  canvas->Brush()->SetStyle(vcl::bsSolid);
  canvas->FillRect(inner);
  const vcl::TRect track = DrawPictures(canvas, inner);
  thumb_rect_ = CalcThumbRect(track);
  DrawGroove(canvas, track);
  DrawThumb(canvas, thumb_rect_);
  Canvas()->Draw(0, 0, buffer_);
}

// ---- keys, mouse and focus ----

void TMMCustomSlider::KeyDown(uint16_t& key, vcl::TShiftState shift) {
  const int64_t p = current_position_;
  const bool vertical = orientation_ == orVertical;
  int64_t target = p;
  bool known = true;
  switch (key) {
    case plat::VK_PRIOR:
      target = std::min<int64_t>(p + page_size_, max_value_);
      break;
    case plat::VK_NEXT:
      target = std::max<int64_t>(p - page_size_, min_value_);
      break;
    case plat::VK_END:
      target = vertical ? min_value_ : max_value_;
      break;
    case plat::VK_HOME:
      target = vertical ? max_value_ : min_value_;
      break;
    case plat::VK_LEFT:
    case plat::VK_DOWN:
      target = p > min_value_ ? p - line_size_ : p;
      break;
    case plat::VK_RIGHT:
    case plat::VK_UP:
      target = p < max_value_ ? p + line_size_ : p;
      break;
    default:
      known = false;
      break;
  }
  if (known && UpdatePosition(target)) Track();
  inherited::KeyDown(key, shift);
}

void TMMCustomSlider::KeyUp(uint16_t& key, vcl::TShiftState shift) {
  TrackEnd();
  inherited::KeyUp(key, shift);
}

void TMMCustomSlider::UpdateCursor(bool over_thumb) {
  if (over_thumb)
    SetScreenCursor(hand_cursor_ ? kSliderHandCursor : thumb_cursor_);
  else
    SetScreenCursor(Cursor());
}

void TMMCustomSlider::MouseDown(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) {
  if (CanFocus()) SetFocus();
  if (OnThumb(x, y)) {
    if (button == vcl::mbLeft) dragging_ = true;
    UpdateCursor(true);
  }
  if (button == vcl::mbLeft) {
    drag_start_coord_ = orientation_ == orVertical ? y : x;
    drag_start_pos_ = current_position_;
    if (!dragging_) {
      if (!UpdatePosition(PosFromPoint(x, y))) Invalidate();
    } else {
      Invalidate();
    }
    Track();
  }
  inherited::MouseDown(button, shift, x, y);
}

void TMMCustomSlider::MouseMove(vcl::TShiftState shift, int x, int y) {
  if (!dragging_) {
    UpdateCursor(OnThumb(x, y));
  } else if (shift.Contains(vcl::ssLeft)) {
    const vcl::TRect track = TrackRect();
    int64_t delta;
    if (orientation_ == orHorizontal)
      delta = MulDiv64(x - drag_start_coord_, Range(), (track.right - track.left) - thumb_size_[0]);
    else
      delta = MulDiv64(drag_start_coord_ - y, Range(), (track.bottom - track.top) - thumb_size_[1]);
    if (UpdatePosition(Clamp64(drag_start_pos_ + delta, min_value_, max_value_))) Track();
  }
  inherited::MouseMove(shift, x, y);
}

void TMMCustomSlider::MouseUp(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) {
  if (button == vcl::mbLeft) {
    dragging_ = false;
    Invalidate();
    TrackEnd();
  }
  inherited::MouseUp(button, shift, x, y);
}

void TMMCustomSlider::MovementLost() {
  if (dragging_) {
    dragging_ = false;
    Invalidate();
  }
  TrackEnd();
}

void TMMCustomSlider::StartFocusBlink(bool active) {
  if (blink_timer && blink_owner == this) {
    blink_timer.reset();
    blink_owner = nullptr;
    blink_on_ = false;
  }
  if (DesignMode() || !active || !Focused() || (focus_action_ != faFocusThumb && focus_action_ != faAll))
    return;
  if (!blink_timer) blink_timer = std::make_unique<vcl::TTimer>(nullptr);
  blink_owner = this;
  blink_timer->OnTimer = [this](vcl::TObject*) { BlinkTick(this); };
  blink_timer->SetInterval(kSliderBlinkInterval);
  blink_timer->SetEnabled(true);
}

void TMMCustomSlider::Dispatch(vcl::TMessage& message) {
  switch (message.Msg) {
    case plat::WM_GETDLGCODE:
      message.Result = plat::DLGC_WANTARROWS;
      return;
    case plat::WM_SETFOCUS:
      inherited::Dispatch(message);
      if (OnGetFocus) OnGetFocus(this);
      if (focus_action_ != faNone) {
        StartFocusBlink(true);
        Invalidate();
      }
      return;
    case plat::WM_KILLFOCUS:
      inherited::Dispatch(message);
      MovementLost();
      if (OnLostFocus) OnLostFocus(this);
      if (focus_action_ != faNone) {
        StartFocusBlink(false);
        Invalidate();
      }
      return;
    case plat::WM_CAPTURECHANGED:
      if (reinterpret_cast<plat::HWND>(message.LParam) != (HandleAllocated() ? Handle() : nullptr))
        MovementLost();
      return inherited::Dispatch(message);
    case vcl::CM_CANCELMODE:
      MovementLost();
      return inherited::Dispatch(message);
    case vcl::CM_ENABLEDCHANGED:
      inherited::Dispatch(message);
      if (!Enabled()) MovementLost();
      return Invalidate();
    default:
      return inherited::Dispatch(message);
  }
}

// ---- published ----

VCL_IMPLEMENT_CLASS(
    TMMSlider, EventProp("OnEnter", &TMMSlider::OnEnter), EventProp("OnExit", &TMMSlider::OnExit),
    EventProp("OnKeyDown", &TMMSlider::OnKeyDown), EventProp("OnKeyPress", &TMMSlider::OnKeyPress),
    EventProp("OnKeyUp", &TMMSlider::OnKeyUp), EventProp("OnChange", &TMMSlider::OnChange),
    EventProp("OnTrack", &TMMSlider::OnTrack), EventProp("OnTrackEnd", &TMMSlider::OnTrackEnd),
    EventProp("OnDrawThumb", &TMMSlider::OnDrawThumb), EventProp("OnDrawGroove", &TMMSlider::OnDrawGroove),
    EventProp("OnMouseEnter", &TMMSlider::OnMouseEnter), EventProp("OnMouseLeave", &TMMSlider::OnMouseLeave),
    EventProp("OnGetFocus", &TMMSlider::OnGetFocus), EventProp("OnLostFocus", &TMMSlider::OnLostFocus),
    EventProp("OnMouseDown", &TMMSlider::OnMouseDown), EventProp("OnMouseMove", &TMMSlider::OnMouseMove),
    EventProp("OnMouseUp", &TMMSlider::OnMouseUp),
    EnumProp("Align", &TMMSlider::Align, &TMMSlider::SetAlign,
             {"alNone", "alTop", "alBottom", "alLeft", "alRight", "alClient"})
        .Default(vcl::alNone),
    BoolProp("Visible", &TMMSlider::Visible, &TMMSlider::SetVisible).Default(true),
    ColorProp("Color", &TMMSlider::Color, &TMMSlider::SetColor)
        .Default(vcl::clWindow)
        .Stored(&TMMSlider::IsColorStored),
    BoolProp("Enabled", &TMMSlider::Enabled, &TMMSlider::SetEnabled).Default(true),
    BoolProp("ParentShowHint", &TMMSlider::ParentShowHint, &TMMSlider::SetParentShowHint).Default(true),
    BoolProp("ShowHint", &TMMSlider::ShowHint, &TMMSlider::SetShowHint).Stored(&TMMSlider::IsShowHintStored),
    RefProp("PopupMenu", &TMMSlider::PopupMenu, &TMMSlider::SetPopupMenu),
    IntProp("TabOrder", &TMMSlider::TabOrder, &TMMSlider::SetTabOrder).Default(-1),
    BoolProp("TabStop", &TMMSlider::TabStop, &TMMSlider::SetTabStop).Default(true),
    IntProp("Width", &TMMSlider::Width, &TMMSlider::SetWidth).Default(200),
    IntProp("Height", &TMMSlider::Height, &TMMSlider::SetHeight).Default(40),
    ObjProp("Bevel", &TMMSlider::Bevel, &TMMSlider::SetBevel),
    ObjProp("Groove", &TMMSlider::Groove, &TMMSlider::SetGroove),
    EnumProp("FocusAction", &TMMSlider::FocusAction, &TMMSlider::SetFocusAction,
             {"faNone", "faFocusThumb", "faFocusRect", "faFocusColor", "faAll"})
        .Default(faFocusRect),
    ColorProp("FocusColor", &TMMSlider::FocusColor, &TMMSlider::SetFocusColor).Default(vcl::clActiveCaption),
    ColorProp("GrooveColor", &TMMSlider::GrooveColor, &TMMSlider::SetGrooveColor).Default(vcl::clBtnFace),
    ColorProp("ThumbColor", &TMMSlider::ThumbColor, &TMMSlider::SetThumbColor).Default(vcl::clBtnFace),
    BoolProp("ThumbBorder", &TMMSlider::ThumbBorder, &TMMSlider::SetThumbBorder).Default(true),
    ColorProp("DisabledColor", &TMMSlider::DisabledColor, &TMMSlider::SetDisabledColor).Default(0xFFFFFF),
    BoolProp("HandCursor", &TMMSlider::HandCursor, &TMMSlider::SetHandCursor).Default(false),
    IntProp("ThumbCursor", &TMMSlider::ThumbCursor, &TMMSlider::SetThumbCursor).Default(0),
    IntProp("MinValue", &TMMSlider::MinValue, &TMMSlider::SetMinValue).Default(0),
    IntProp("MaxValue", &TMMSlider::MaxValue, &TMMSlider::SetMaxValue).Default(10),
    IntProp("LineSize", &TMMSlider::LineSize, &TMMSlider::SetLineSize).Default(1),
    IntProp("PageSize", &TMMSlider::PageSize, &TMMSlider::SetPageSize).Default(5),
    EnumProp("Orientation", &TMMSlider::Orientation, &TMMSlider::SetOrientation,
             {"orVertical", "orHorizontal"})
        .Default(orHorizontal),
    IntProp("Position", &TMMSlider::Position, &TMMSlider::SetPosition).Default(0),
    IntProp("GrooveSize", &TMMSlider::GrooveSize, &TMMSlider::SetGrooveSize).Default(3),
    IntProp("ThumbWidth", &TMMSlider::ThumbWidth, &TMMSlider::SetThumbWidth).Default(11),
    IntProp("ThumbHeight", &TMMSlider::ThumbHeight, &TMMSlider::SetThumbHeight).Default(23),
    EnumProp("ThumbStyle", &TMMSlider::ThumbStyle, &TMMSlider::SetThumbStyle, {"tsRect", "tsOwnerDraw"})
        .Default(tsRect),
    EnumProp("GrooveStyle", &TMMSlider::GrooveStyle, &TMMSlider::SetGrooveStyle, {"gsRect", "gsOwnerDraw"})
        .Default(gsRect),
    IntProp("ScaleDistance", &TMMSlider::ScaleDistance, &TMMSlider::SetScaleDistance).Default(10),
    EnumProp("ScalePosition", &TMMSlider::ScalePosition, &TMMSlider::SetScalePosition,
             {"spAboveOrLeft", "spBelowOrRight", "spBoth"})
        .Default(engine::spBelowOrRight),
    ObjProp("Scale", &TMMSlider::Scale, &TMMSlider::SetScale),
    ObjProp("PicLeft", &TMMSlider::PicLeft, &TMMSlider::SetPicLeft),
    ObjProp("PicRight", &TMMSlider::PicRight, &TMMSlider::SetPicRight),
    BoolProp("Logarithmic", &TMMSlider::Logarithmic, &TMMSlider::SetLogarithmic).Default(false),
    IntProp("Sensitivity", &TMMSlider::Sensitivity, &TMMSlider::SetSensitivity).Default(-24))

}  // namespace controls
