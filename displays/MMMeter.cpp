#include "displays/MMMeter.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <numbers>
#include <string>

#include "displays/MMDIBDisp.h"
#include "engine/MMMath.h"
#include "engine/MMMulDiv.h"
#include "engine/MMObj.h"
#include "engine/MMPCMSup.h"
#include "platform/gdi/Text.h"
#include "platform/gdi/TextLayout.h"
#include "platform/user/Messages.h"
#include "platform/vcl/TypInfo.h"

namespace displays {

namespace {

constexpr uint16_t kInvalidWaveFormatMessage = 62;
// Levels far above full scale all put the needle at the right end, whatever
// the gain; bounding them keeps the gain product and the decay state in range
// for any DC offset.
constexpr int64_t kMaxLevel = int64_t{1} << 20;

// Rounds to the nearest integer, halves to even, within the Integer range.
int64_t RoundEven(long double x) {
  constexpr long double kLimit = 2147483647.0L;
  return static_cast<int64_t>(std::nearbyint(std::clamp(x, -kLimit, kLimit)));
}

int16_t Load16(const uint8_t* p) {
  int16_t v;
  std::memcpy(&v, p, 2);
  return v;
}

}  // namespace

// ---- TMMCustomMeter ----

VCL_IMPLEMENT_CLASS(TMMCustomMeter)

TMMCustomMeter::TMMCustomMeter(vcl::TComponent* owner)
    : engine::TMMGraphicControl(owner),
      colors_{vcl::clGreen, vcl::clYellow, vcl::clRed, vcl::clWhite, vcl::clRed},
      frame_bitmap_(std::make_unique<vcl::TBitmap>()),
      scale_bitmap_(std::make_unique<vcl::TBitmap>()),
      background_(std::make_unique<vcl::TBitmap>()) {
  background_->OnChange = [this](vcl::TObject*) { Invalidate(); };
  SetColor(vcl::clBlack);
  SetParentFont(false);
  Font()->SetColor(vcl::clSilver);
  Font()->SetStyle(vcl::TFontStyles{vcl::fsBold});
  SetCaption("dB");
  SetBounds(Left(), Top(), 170, 90);
  AddPeakClient();
}

TMMCustomMeter::~TMMCustomMeter() {
  // First, so no tick runs on a meter that is going.
  engine::RemoveTimerClient(timer_client_);
  timer_client_ = nullptr;
  background_->OnChange = nullptr;
}

// ---- the peak needle's timer ----

void TMMCustomMeter::AddPeakClient() {
  if (DesignMode() || timer_client_) return;
  bool suspended;
  {
    Lock lock(DisplayLock());
    suspended = !(enabled_ && show_peak_);
  }
  timer_client_ = engine::AddTimerClient(
      engine::kMMTimerPeriod, suspended,
      [](engine::TMMTimerClient*, void* data) { static_cast<TMMCustomMeter*>(data)->PeakTick(); }, this);
  client_suspended_ = suspended;
}

void TMMCustomMeter::UpdatePeakClient() {
  if (!timer_client_) return;
  bool suspend;
  {
    Lock lock(DisplayLock());
    suspend = !(enabled_ && show_peak_);
  }
  // Outside the display lock: the timer's lock is taken before it in a tick.
  if (suspend == client_suspended_) return;
  client_suspended_ = suspend;
  if (suspend)
    engine::SuspendTimerClient(timer_client_);
  else
    engine::ResumeTimerClient(timer_client_);
}

void TMMCustomMeter::PeakTick() {
  Lock lock(DisplayLock());
  if (peak_pos_ <= 0) return;
  if (--peak_counter_ > 0) return;
  if (peak_speed_ == 0) {
    peak_pos_ = needle_pos_;
    peak_counter_ = 0;
  } else {
    peak_pos_ = std::max(peak_pos_ - 500, needle_pos_);
    peak_counter_ = peak_speed_;
  }
  // The next ShowNeedle draws it.
  peak_changed_ = true;
}

void TMMCustomMeter::ChangeDesignMode(bool value) {
  inherited::ChangeDesignMode(value);
  AddPeakClient();
}

// ---- display protocol ----

void TMMCustomMeter::SetWaveFormat(const plat::WAVEFORMATEX* format) {
  if (!engine::IsValidPCMFormat(format))
    throw EMMMeterError(engine::LoadLibraryMessage(kInvalidWaveFormatMessage));
  SetBitLength(static_cast<engine::TMMBits>(format->wBitsPerSample / 8 - 1));
  SetMode(static_cast<engine::TMMMode>(std::min(format->nChannels - 1, int{engine::mMultiChannel})));
}

int32_t TMMCustomMeter::BytesPerRefresh() const {
  Lock lock(DisplayLock());
  return (bits_ + 1) * (mode_ + 1) * samples_;
}

void TMMCustomMeter::RefreshPCMData(const void* data) {
  Lock lock(DisplayLock());
  if (!enabled_ || !Visible()) return;
  const int32_t peak = BlockPeak(static_cast<const uint8_t*>(data));
  if (peak >= FullScale) PcmOverflow();
  ShowNeedleLocked(peak);
}

void TMMCustomMeter::ResetData() {
  Lock lock(DisplayLock());
  ResetLocked();
  DrawMeterNow();
}

void TMMCustomMeter::ResetLocked() {
  peak_pos_ = 0;
  peak_counter_ = 0;
  needle_pos_ = 0;
  ClearDecay();
}

void TMMCustomMeter::ClearDecay() {
  uniform_ring_.fill(0);
  uniform_fill_ = 0;
  uniform_index_ = 0;
  uniform_sum_ = 0;
  hold_ = 0.0f;
}

// The largest absolute sample of the block, any mode but mono read as two
// interleaved channels.
int32_t TMMCustomMeter::BlockPeak(const uint8_t* data) const {
  const int64_t off_l = offset_left_;
  const int64_t off_r = offset_right_;
  const bool mono = mode_ == engine::mMono;
  const bool right = channel_ == engine::chRight;
  const int64_t off = right ? off_r : off_l;
  int64_t peak = 0;
  for (int32_t i = 0; i < samples_; ++i) {
    int64_t v;
    if (bits_ == engine::b8Bit) {
      if (mono) {
        v = (data[i] + off_l - 128) * 256;
      } else {
        const uint8_t* frame = data + 2 * i;
        if (channel_ == engine::chBoth)
          // The left sum is taken modulo 16 bits before the right is added.
          v = (((frame[0] + off_l) % 65536 + frame[1] + off_r) / 2 - 128) * 256;
        else
          v = (frame[right ? 1 : 0] + off - 128) * 256;
      }
    } else {
      if (mono) {
        v = Load16(data + 2 * i) + off_l;
      } else {
        const uint8_t* frame = data + 4 * i;
        if (channel_ == engine::chBoth)
          v = (Load16(frame) + off_l + Load16(frame + 2) + off_r) / 2;
        else
          v = Load16(frame + (right ? 2 : 0)) + off;
      }
    }
    peak = std::max(peak, std::abs(v));
  }
  return static_cast<int32_t>(std::min(peak, kMaxLevel));
}

// ---- the needle ----

void TMMCustomMeter::ShowNeedle(int32_t level) {
  Lock lock(DisplayLock());
  ShowNeedleLocked(level);
}

void TMMCustomMeter::ShowNeedleLocked(int64_t level) {
  int64_t l = std::min(std::abs(level), kMaxLevel);
  if (l == 0 && needle_pos_ == 0 && !peak_changed_) return;
  l = Decayed(l);
  int32_t pos = Position(engine::MulDiv32(static_cast<int32_t>(l), gain_factor_, 8));
  if (pos >= FullScale) {
    GainOverflow();
    pos = FullScale;
  }
  if (pos > peak_pos_ && show_peak_) {
    peak_changed_ = true;
    peak_pos_ = pos;
    peak_counter_ = peak_delay_ * 2 + 1;
  }
  if (pos == needle_pos_ && !peak_changed_) return;
  peak_changed_ = false;
  needle_pos_ = pos;
  if (enabled_ && Visible()) DrawMeterNow();
}

int64_t TMMCustomMeter::Decayed(int64_t level) {
  if (decay_mode_ == dmNone) return level;
  // Wraps at or past the length: a Decay change outside dmUniform leaves the
  // index wherever it was.
  if (++uniform_index_ >= uniform_length_) uniform_index_ = 0;
  uniform_fill_ = std::min(uniform_fill_ + 1, uniform_length_);
  switch (decay_mode_) {
    case dmStepUp:
      hold_ *= decay_factor_;
      if (static_cast<float>(level) >= hold_)
        hold_ = static_cast<float>(level);
      else
        level = static_cast<int64_t>(hold_);
      break;
    case dmExponential:
      hold_ = static_cast<float>(static_cast<long double>(hold_) * decay_factor_ +
                                 (1.0L - decay_factor_) * static_cast<long double>(level));
      level = engine::FloatFloor(hold_);
      break;
    case dmUniform: {
      int32_t& slot = uniform_ring_[static_cast<size_t>(uniform_index_)];
      uniform_sum_ += level - slot;
      slot = static_cast<int32_t>(level);
      level = uniform_sum_ / uniform_fill_;
      break;
    }
    case dmNone:
      break;
  }
  return level;
}

float TMMCustomMeter::LinearFloor() const {
  return static_cast<float>(FullScale / engine::FloatPower(10.0L, -sensitivity_ / 20.0L));
}

// Position 0..FullScale of a gained level; FullScale also for anything above.
int32_t TMMCustomMeter::Position(int64_t gained) const {
  const auto g = static_cast<long double>(gained);
  long double pos;
  if (log_amp_) {
    const auto db = static_cast<float>(engine::FloatLog10(std::max(g / FullScale, 0.00001L)) * 20);
    pos = (db - sensitivity_) * static_cast<long double>(FullScale) / -sensitivity_;
  } else {
    const float m = LinearFloor();
    pos = (g - m) * FullScale / (FullScale - m);
  }
  return static_cast<int32_t>(std::clamp<int64_t>(RoundEven(pos), 0, FullScale));
}

void TMMCustomMeter::NeedlePoint(vcl::TPoint& p, int32_t position, int32_t radius) const {
  Lock lock(DisplayLock());
  const auto a0 = static_cast<float>((180 - scale_angle_) * std::numbers::pi_v<long double> / 360);
  const auto span = static_cast<float>((std::numbers::pi_v<long double> - a0) - a0);
  const auto a = static_cast<float>(static_cast<long double>(span) * position / FullScale + a0);
  p.x = static_cast<int32_t>(meter_width_ / 2 - RoundEven(std::cos(static_cast<long double>(a)) * radius));
  p.y = static_cast<int32_t>(meter_height_ + needle_offset_ -
                             RoundEven(std::sin(static_cast<long double>(a)) * radius));
}

int32_t TMMCustomMeter::Value() const {
  Lock lock(DisplayLock());
  if (needle_pos_ == 0) return 0;
  if (!log_amp_) return static_cast<int32_t>(RoundEven(needle_pos_ * 100.0L / FullScale));
  // A gain of -8 shows nothing but silence; there is no level to read back.
  if (gain_factor_ == 0) return 0;
  const int32_t product = sensitivity_ * needle_pos_;
  const long double amplitude =
      engine::FloatPower(10.0L, (sensitivity_ - static_cast<long double>(product) / FullScale) / 20);
  return static_cast<int32_t>(RoundEven(amplitude * 8 / gain_factor_ * 100));
}

void TMMCustomMeter::SetValue(int32_t value) {
  value = std::clamp(value, 0, 100);
  ShowNeedle(static_cast<int32_t>(RoundEven(static_cast<long double>(value) * FullScale / 100)));
}

int32_t TMMCustomMeter::NeedlePos() const {
  Lock lock(DisplayLock());
  return needle_pos_;
}

int32_t TMMCustomMeter::PeakPos() const {
  Lock lock(DisplayLock());
  return peak_pos_;
}

int32_t TMMCustomMeter::PeakCounter() const {
  Lock lock(DisplayLock());
  return peak_counter_;
}

int32_t TMMCustomMeter::MeterWidth() const {
  Lock lock(DisplayLock());
  return meter_width_;
}

int32_t TMMCustomMeter::MeterHeight() const {
  Lock lock(DisplayLock());
  return meter_height_;
}

void TMMCustomMeter::GainOverflow() {
  if (OnGainOverflow) OnGainOverflow(this);
}

void TMMCustomMeter::PcmOverflow() {
  if (OnPcmOverflow) OnPcmOverflow(this);
}

// ---- drawing ----

void TMMCustomMeter::Dispatch(vcl::TMessage& message) {
  if (message.Msg != plat::WM_PAINT) return inherited::Dispatch(message);
  // Before the canvas lock the paint takes, as a pass does.
  Lock lock(DisplayLock());
  inherited::Dispatch(message);
}

void TMMCustomMeter::Paint() {
  Lock lock(DisplayLock());
  PaintBevel(true);
  DrawMeter(false);
}

void TMMCustomMeter::DrawMeterNow() {
  Lock lock(DisplayLock());
  DrawControlNow(*this, [this] { DrawMeter(true); });
}

void TMMCustomMeter::DrawMeter(bool fast) {
  vcl::TCanvas* frame = frame_bitmap_->Canvas();
  if (fast) {
    frame->Draw(0, 0, scale_bitmap_.get());
  } else {
    DrawMeterScale(frame);
    DrawCaption(frame);
    scale_bitmap_->Canvas()->Draw(0, 0, frame_bitmap_.get());
  }
  DrawNeedles(frame);
  Canvas()->CopyRect(meter_rect_, frame, vcl::Rect(0, 0, meter_width_, meter_height_));
  if (OnPostPaint) OnPostPaint(this);
}

void TMMCustomMeter::DrawMeterScale(vcl::TCanvas* canvas) {
  const vcl::TRect all = vcl::Rect(0, 0, meter_width_, meter_height_);
  if (background_->Empty()) {
    canvas->Brush()->SetStyle(vcl::bsSolid);
    canvas->Brush()->SetColor(Color());
    canvas->FillRect(all);
  } else {
    canvas->StretchDraw(all, background_.get());
  }
  if (!draw_scale_) return;
  const int32_t r0 = meter_height_ + needle_offset_ - top_space_;
  canvas->Pen()->SetWidth(1);
  canvas->Brush()->SetStyle(vcl::bsClear);
  canvas->Font()->SetName("Small Fonts");
  canvas->Font()->SetSize(6);
  canvas->Font()->SetStyle(vcl::TFontStyles{});
  canvas->Font()->SetColor(Font()->Color());
  if (scale_ticks_ <= 1) return;
  const int32_t last = scale_ticks_ - 1;
  const int32_t outer = r0 - 2;
  const int32_t inner = outer - scale_height_[1];
  const float linear_floor = LinearFloor();
  for (int32_t i = 0; i < scale_ticks_; ++i) {
    const int32_t v = engine::MulDiv32(FullScale, i, last);
    int32_t from = inner;
    int32_t to = outer;
    if (enlarge_every_ != 0 && i != last && i % enlarge_every_ != 0) {
      if (scale_origin_ == engine::soOuter)
        from = inner + scale_height_[0];
      else
        to = inner + scale_height_[0];
    }
    vcl::TColor color = colors_[0];
    if (v > points_[1] * FullScale / 100.0L)
      color = colors_[2];
    else if (v > points_[0] * FullScale / 100.0L)
      color = colors_[1];
    canvas->Pen()->SetColor(color);
    vcl::TPoint a, b;
    NeedlePoint(a, v, from);
    NeedlePoint(b, v, to);
    canvas->MoveTo(a.x, a.y);
    canvas->LineTo(b.x, b.y);
    if (text_every_ <= 0 || i % text_every_ != 0) continue;
    int32_t n;
    if (log_amp_) {
      n = engine::MulDiv32(last - i, sensitivity_, last);
    } else {
      const long double x = (FullScale - linear_floor) * i / last + linear_floor;
      n = static_cast<int32_t>(RoundEven(engine::FloatLog10(x / FullScale) * 20));
    }
    // The digits centred on the tick, a minus sign to their left.
    vcl::TPoint p;
    NeedlePoint(p, v, outer);
    const std::string text = std::to_string(n);
    const int32_t x = p.x + canvas->TextWidth(std::to_string(std::abs(n))) / 2 - canvas->TextWidth(text) + 1;
    canvas->TextOut(x, p.y - canvas->TextHeight("0") - 3, text);
  }
}

void TMMCustomMeter::DrawCaption(vcl::TCanvas* canvas) {
  const std::string caption = Caption();
  if (caption.empty()) return;
  canvas->Brush()->SetStyle(vcl::bsClear);
  canvas->SetFont(Font());
  const int32_t bottom = meter_height_ - meter_height_ / 16;
  plat::RECT r{0, bottom - canvas->TextHeight("W"), meter_width_, bottom};
  plat::DrawTextA(canvas->Handle(), caption.c_str(), -1, &r,
                  plat::DT_CENTER | plat::DT_SINGLELINE | plat::DT_VCENTER);
}

void TMMCustomMeter::DrawNeedles(vcl::TCanvas* canvas) {
  const int32_t radius = meter_height_ + needle_offset_ - top_space_;
  const vcl::TPoint pivot{meter_width_ / 2, meter_height_ + needle_offset_};
  auto needle = [&](vcl::TColor color, int32_t position) {
    canvas->Pen()->SetColor(color);
    canvas->Pen()->SetWidth(needle_width_);
    vcl::TPoint p;
    NeedlePoint(p, position, radius);
    canvas->MoveTo(pivot.x, pivot.y);
    canvas->LineTo(p.x, p.y);
  };
  // The needle goes over the peak needle.
  if (show_peak_) needle(colors_[4], peak_pos_);
  needle(colors_[3], needle_pos_);
}

plat::HPALETTE TMMCustomMeter::GetPalette() const {
  return background_->Empty() ? nullptr : background_->Palette();
}

// ---- layout ----

void TMMCustomMeter::SetBounds(int left, int top, int width, int height) {
  inherited::SetBounds(left, top, width, height);
  // The base constructor sizes the control before the bitmaps exist.
  if (frame_bitmap_) Changed();
}

void TMMCustomMeter::Changed() {
  {
    Lock lock(DisplayLock());
    meter_rect_ = BevelClientRect();
    meter_width_ = meter_rect_.right - meter_rect_.left;
    meter_height_ = meter_rect_.bottom - meter_rect_.top;
    frame_bitmap_->SetSize(std::max(meter_width_, 0), std::max(meter_height_, 0));
    scale_bitmap_->SetSize(std::max(meter_width_, 0), std::max(meter_height_, 0));
    ResetLocked();
  }
  inherited::Changed();
}

// ---- properties ----

template <class T>
void TMMCustomMeter::Store(T& field, T value) {
  {
    Lock lock(DisplayLock());
    if (field == value) return;
    field = value;
  }
  Invalidate();
}

void TMMCustomMeter::SetEnabled(bool value) {
  {
    Lock lock(DisplayLock());
    if (enabled_ == value) return;
    enabled_ = value;
    ResetLocked();
  }
  UpdatePeakClient();
  Invalidate();
}

void TMMCustomMeter::SetColorAt(int index, vcl::TColor value) { Store(colors_[index], value); }
void TMMCustomMeter::SetNeedleOffset(int32_t value) { Store(needle_offset_, std::max(value, 0)); }
void TMMCustomMeter::SetNeedleWidth(int32_t value) { Store(needle_width_, std::max(value, 0)); }
void TMMCustomMeter::SetScaleOrigin(engine::TMMScaleOrigin value) { Store(scale_origin_, value); }
void TMMCustomMeter::SetScaleHeightAt(int index, int32_t value) {
  Store(scale_height_[index], std::max(value, 0));
}
void TMMCustomMeter::SetScaleAngle(int32_t value) { Store(scale_angle_, std::clamp(value, 45, 180)); }
void TMMCustomMeter::SetScaleTicks(int32_t value) { Store(scale_ticks_, value); }
void TMMCustomMeter::SetScaleTicksEnlargeEvery(int32_t value) { Store(enlarge_every_, value); }
void TMMCustomMeter::SetScaleTicksTextEvery(int32_t value) { Store(text_every_, value); }
void TMMCustomMeter::SetDrawScale(bool value) { Store(draw_scale_, value); }
void TMMCustomMeter::SetTopSpace(int32_t value) { Store(top_space_, value); }
void TMMCustomMeter::SetPointAt(int index, int32_t value) {
  Store(points_[index], std::clamp(value, 1, 100));
}
void TMMCustomMeter::SetBitLength(engine::TMMBits value) { Store(bits_, value); }
void TMMCustomMeter::SetChannel(engine::TMMChannel value) { Store(channel_, value); }
void TMMCustomMeter::SetMode(engine::TMMMode value) { Store(mode_, value); }
void TMMCustomMeter::SetSensitivy(int32_t value) { Store(sensitivity_, std::clamp(value, -90, -9)); }
void TMMCustomMeter::SetLogAmp(bool value) { Store(log_amp_, value); }

void TMMCustomMeter::SetGain(int32_t value) {
  if (value < -8 || value > 32) return;
  Store(gain_factor_, value + 8);
}

void TMMCustomMeter::SetSamples(int32_t value) {
  Lock lock(DisplayLock());
  samples_ = std::max(value, 1);
}

void TMMCustomMeter::SetDecayMode(TMMDecayMode value) {
  Lock lock(DisplayLock());
  if (decay_mode_ == value) return;
  decay_mode_ = value;
  ClearDecay();
}

void TMMCustomMeter::SetDecay(int32_t value) {
  Lock lock(DisplayLock());
  value = std::clamp(value, 1, 16);
  // A new meter keeps its creation factor until Decay really changes.
  if (decay_ == value) return;
  decay_ = value;
  decay_factor_ = static_cast<float>(DecayFactorOf(value));
  uniform_length_ = UniformDecayLength(value);
  if (decay_mode_ == dmUniform) ClearDecay();
}

void TMMCustomMeter::SetShowPeak(bool value) {
  {
    Lock lock(DisplayLock());
    if (show_peak_ == value) return;
    show_peak_ = value;
    peak_counter_ = 0;
  }
  UpdatePeakClient();
  Invalidate();
}

void TMMCustomMeter::SetPeakSpeed(int32_t value) {
  {
    Lock lock(DisplayLock());
    value = std::clamp(value, 0, 50);
    if (peak_speed_ == value) return;
    peak_speed_ = value;
    peak_counter_ = 0;
  }
  Invalidate();
}

void TMMCustomMeter::SetPeakDelay(int32_t value) {
  {
    Lock lock(DisplayLock());
    value = std::clamp(value, 0, 50);
    if (peak_delay_ == value) return;
    peak_delay_ = value;
    peak_counter_ = 0;
  }
  Invalidate();
}

void TMMCustomMeter::SetBackGroundDIB(vcl::TBitmap* value) {
  Lock lock(DisplayLock());
  background_->Assign(value);
}

void TMMCustomMeter::SetDCOffsetL(int32_t value) {
  Lock lock(DisplayLock());
  offset_left_ = -int64_t{value};
}

void TMMCustomMeter::SetDCOffsetR(int32_t value) {
  Lock lock(DisplayLock());
  offset_right_ = -int64_t{value};
}

// ---- TMMMeter ----

VCL_IMPLEMENT_CLASS(
    TMMMeter,
    EnumProp("Align", &TMMMeter::Align, &TMMMeter::SetAlign,
             {"alNone", "alTop", "alBottom", "alLeft", "alRight", "alClient"})
        .Default(vcl::alNone),
    ObjProp("Bevel", &TMMMeter::Bevel, &TMMMeter::SetBevel),
    IntProp("Width", &TMMMeter::Width, &TMMMeter::SetWidth).Default(170),
    IntProp("Height", &TMMMeter::Height, &TMMMeter::SetHeight).Default(90),
    StrProp("Caption", &TMMMeter::Caption, &TMMMeter::SetCaption),
    ColorProp("Color", &TMMMeter::Color, &TMMMeter::SetColor)
        .Default(vcl::clBlack)
        .Stored(&TMMMeter::IsColorStored),
    ObjProp("Font", &TMMMeter::Font, &TMMMeter::SetFont).Stored(&TMMMeter::IsFontStored),
    BoolProp("ParentColor", &TMMMeter::ParentColor, &TMMMeter::SetParentColor).Default(false),
    BoolProp("ParentFont", &TMMMeter::ParentFont, &TMMMeter::SetParentFont).Default(false),
    BoolProp("ParentShowHint", &TMMMeter::ParentShowHint, &TMMMeter::SetParentShowHint).Default(true),
    RefProp("PopupMenu", &TMMMeter::PopupMenu, &TMMMeter::SetPopupMenu),
    BoolProp("ShowHint", &TMMMeter::ShowHint, &TMMMeter::SetShowHint)
        .Default(false)
        .Stored(&TMMMeter::IsShowHintStored),
    BoolProp("Visible", &TMMMeter::Visible, &TMMMeter::SetVisible).Default(true),
    BoolProp("Enabled", &TMMMeter::Enabled, &TMMMeter::SetEnabled).Default(true),
    ColorProp("Scale1Color", &TMMMeter::Scale1Color, &TMMMeter::SetScale1Color).Default(vcl::clGreen),
    ColorProp("Scale2Color", &TMMMeter::Scale2Color, &TMMMeter::SetScale2Color).Default(vcl::clYellow),
    ColorProp("Scale3Color", &TMMMeter::Scale3Color, &TMMMeter::SetScale3Color).Default(vcl::clRed),
    ColorProp("NeedleColor", &TMMMeter::NeedleColor, &TMMMeter::SetNeedleColor).Default(vcl::clWhite),
    ColorProp("PeakColor", &TMMMeter::PeakColor, &TMMMeter::SetPeakColor).Default(vcl::clRed),
    IntProp("NeedleOffset", &TMMMeter::NeedleOffset, &TMMMeter::SetNeedleOffset).Default(30),
    IntProp("NeedleWidth", &TMMMeter::NeedleWidth, &TMMMeter::SetNeedleWidth).Default(1),
    EnumProp("ScaleOrigin", &TMMMeter::ScaleOrigin, &TMMMeter::SetScaleOrigin, {"soInner", "soOuter"})
        .Default(engine::soInner),
    IntProp("ScaleHeight1", &TMMMeter::ScaleHeight1, &TMMMeter::SetScaleHeight1).Default(4),
    IntProp("ScaleHeight2", &TMMMeter::ScaleHeight2, &TMMMeter::SetScaleHeight2).Default(8),
    IntProp("ScaleAngle", &TMMMeter::ScaleAngle, &TMMMeter::SetScaleAngle).Default(90),
    IntProp("ScaleTicks", &TMMMeter::ScaleTicks, &TMMMeter::SetScaleTicks).Default(41),
    IntProp("ScaleTicksEnlargeEvery", &TMMMeter::ScaleTicksEnlargeEvery, &TMMMeter::SetScaleTicksEnlargeEvery)
        .Default(4),
    IntProp("ScaleTicksTextEvery", &TMMMeter::ScaleTicksTextEvery, &TMMMeter::SetScaleTicksTextEvery)
        .Default(8),
    BoolProp("DrawScale", &TMMMeter::DrawScale, &TMMMeter::SetDrawScale).Default(true),
    IntProp("TopSpace", &TMMMeter::TopSpace, &TMMMeter::SetTopSpace).Default(14),
    IntProp("Point1", &TMMMeter::Point1, &TMMMeter::SetPoint1).Default(60),
    IntProp("Point2", &TMMMeter::Point2, &TMMMeter::SetPoint2).Default(80),
    EnumProp("BitLength", &TMMMeter::BitLength, &TMMMeter::SetBitLength, {"b8Bit", "b16Bit"})
        .Default(engine::b8Bit),
    EnumProp("Channel", &TMMMeter::Channel, &TMMMeter::SetChannel, {"chBoth", "chLeft", "chRight"})
        .Default(engine::chBoth),
    EnumProp("Mode", &TMMMeter::Mode, &TMMMeter::SetMode, {"mMono", "mStereo", "mMultiChannel"})
        .Default(engine::mMono),
    IntProp("Gain", &TMMMeter::Gain, &TMMMeter::SetGain).Default(0),
    IntProp("Samples", &TMMMeter::Samples, &TMMMeter::SetSamples).Default(50),
    IntProp("Sensitivy", &TMMMeter::Sensitivy, &TMMMeter::SetSensitivy).Default(-50),
    BoolProp("LogAmp", &TMMMeter::LogAmp, &TMMMeter::SetLogAmp).Default(true),
    EnumProp("DecayMode", &TMMMeter::DecayMode, &TMMMeter::SetDecayMode,
             {"dmNone", "dmStepUp", "dmExponential", "dmUniform"})
        .Default(dmNone),
    IntProp("Decay", &TMMMeter::Decay, &TMMMeter::SetDecay).Default(1),
    BoolProp("ShowPeak", &TMMMeter::ShowPeak, &TMMMeter::SetShowPeak).Default(true),
    IntProp("PeakSpeed", &TMMMeter::PeakSpeed, &TMMMeter::SetPeakSpeed).Default(0),
    IntProp("PeakDelay", &TMMMeter::PeakDelay, &TMMMeter::SetPeakDelay).Default(20),
    ObjProp("BackGroundDIB", &TMMMeter::BackGroundDIB, &TMMMeter::SetBackGroundDIB),
    IntProp("Value", &TMMMeter::Value, &TMMMeter::SetValue).Default(0).Stored(false),
    IntProp("DCOffsetL", &TMMMeter::DCOffsetL, &TMMMeter::SetDCOffsetL).Default(0),
    IntProp("DCOffsetR", &TMMMeter::DCOffsetR, &TMMMeter::SetDCOffsetR).Default(0),
    EventProp("OnGainOverflow", &TMMMeter::OnGainOverflow),
    EventProp("OnPcmOverflow", &TMMMeter::OnPcmOverflow), EventProp("OnPostPaint", &TMMMeter::OnPostPaint),
    EventProp("OnClick", &TMMMeter::OnClick), EventProp("OnDblClick", &TMMMeter::OnDblClick),
    EventProp("OnMouseDown", &TMMMeter::OnMouseDown), EventProp("OnMouseMove", &TMMMeter::OnMouseMove),
    EventProp("OnMouseUp", &TMMMeter::OnMouseUp), EventProp("OnDragDrop", &TMMMeter::OnDragDrop),
    EventProp("OnDragOver", &TMMMeter::OnDragOver), EventProp("OnEndDrag", &TMMMeter::OnEndDrag),
    EventProp("OnStartDrag", &TMMMeter::OnStartDrag))

}  // namespace displays
