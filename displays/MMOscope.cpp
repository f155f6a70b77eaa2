// The oscilloscope's data path, layout, writers and its list; drawing is in
// MMOscopeDraw.cpp, the mouse in MMOscopeMouse.cpp.
#include "displays/MMOscope.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <mutex>

#include "engine/MMObj.h"
#include "engine/MMPCMSup.h"
#include "platform/user/Cursor.h"
#include "platform/user/Input.h"
#include "platform/vcl/TypInfo.h"

namespace displays {

using engine::TMMBits;
using engine::TMMChannel;
using engine::TMMMode;

namespace {

constexpr uint16_t kInvalidWaveFormatMessage = 62;

// Scopes in run mode, for the full-repaint marks of the scrolling ones.
// Changed on the main thread, read by passes on any thread.
std::mutex& ListMutex() {
  static std::mutex m;
  return m;
}
std::vector<TMMOscope*>& OscopeList() {
  static std::vector<TMMOscope*> list;
  return list;
}

// One sample at byte offset `at`, as stored (8-bit keeps its 128).
template <bool Wide>
int32_t Sample(const uint8_t* p, int32_t index) {
  if constexpr (Wide) {
    int16_t v;
    std::memcpy(&v, p + 2 * index, 2);
    return v;
  } else {
    return p[index];
  }
}

template <bool Wide>
int16_t ToPoint(int32_t stored) {
  return static_cast<int16_t>(Wide ? stored : (stored - 128) * 256);
}

// Sel: 0 mono, 1 left, 2 right, 3 the mean of both.
template <bool Wide, int Sel>
int16_t FrameValue(const uint8_t* p, int32_t f) {
  if constexpr (Sel == 0) return ToPoint<Wide>(Sample<Wide>(p, f));
  if constexpr (Sel == 1) return ToPoint<Wide>(Sample<Wide>(p, 2 * f));
  if constexpr (Sel == 2) return ToPoint<Wide>(Sample<Wide>(p, 2 * f + 1));
  const int32_t l = Sample<Wide>(p, 2 * f), r = Sample<Wide>(p, 2 * f + 1);
  // 16-bit: truncated toward zero; 8-bit: the stored bytes halved.
  return ToPoint<Wide>(Wide ? (l + r) / 2 : (l + r) >> 1);
}

template <bool Wide, int Sel>
void ConvertFrames(const uint8_t* p, int16_t* points, int32_t count, int32_t zoom) {
  if (zoom >= 1) {
    for (int32_t i = 0; i < count; ++i) points[i] = FrameValue<Wide, Sel>(p, i * zoom);
    return;
  }
  const int32_t repeat = -zoom + 1;
  for (int32_t i = 0, f = 0; i < count; ++f) {
    const int16_t v = FrameValue<Wide, Sel>(p, f);
    for (int32_t k = 0; k < repeat && i < count; ++k) points[i++] = v;
  }
}

template <bool Wide>
void ConvertWidth(const uint8_t* p, int16_t* points, int32_t count, TMMMode mode, TMMChannel channel,
                  int32_t zoom) {
  if (mode == engine::mMono) return ConvertFrames<Wide, 0>(p, points, count, zoom);
  if (channel == engine::chLeft) return ConvertFrames<Wide, 1>(p, points, count, zoom);
  if (channel == engine::chRight) return ConvertFrames<Wide, 2>(p, points, count, zoom);
  ConvertFrames<Wide, 3>(p, points, count, zoom);
}

}  // namespace

// ---- routines ----

int32_t OscopeBytesPerRefresh(int32_t frame_bytes, int32_t point_count, int32_t zoom, bool scroll,
                              int32_t fft_length) {
  if (scroll) return frame_bytes * fft_length;
  if (zoom >= 1) return frame_bytes * point_count * zoom;
  const int32_t q = frame_bytes * point_count / (-zoom + 1);
  return (q + 5) / 4 * 4;
}

void OscopeConvert(const void* data, int16_t* points, int32_t count, TMMBits bits, TMMMode mode,
                   TMMChannel channel, int32_t zoom) {
  const auto* p = static_cast<const uint8_t*>(data);
  if (bits == engine::b16Bit)
    ConvertWidth<true>(p, points, count, mode, channel, zoom);
  else
    ConvertWidth<false>(p, points, count, mode, channel, zoom);
}

void OscopeLowPass(int16_t* points, int32_t count) {
  int32_t prev = 0;
  for (int32_t i = 0; i < count; ++i) {
    const int32_t s = points[i];
    points[i] = static_cast<int16_t>((prev + 3 * s) / 4);
    prev = s;
  }
}

// ---- TMMOscope ----

TMMOscope::TMMOscope(vcl::TComponent* owner) : TMMDIBGraphicControl(owner) {
  SetColor(vcl::clBlack);
  SetCursor(vcl::crCross);
  SetFFTLength(128);
  SetBounds(Left(), Top(), 194, 90);
  if (!DesignMode()) {
    std::lock_guard list(ListMutex());
    OscopeList().push_back(this);
    registered_ = true;
  }
}

TMMOscope::~TMMOscope() {
  if (readout_active_) plat::ClipCursor(nullptr);
  if (registered_) {
    std::lock_guard list(ListMutex());
    std::erase(OscopeList(), this);
  }
}

void TMMOscope::ChangeDesignMode(bool value) {
  inherited::ChangeDesignMode(value);
  if (DesignMode() || registered_) return;
  {
    std::lock_guard list(ListMutex());
    OscopeList().push_back(this);
    registered_ = true;
  }
  std::lock_guard lock(DisplayLock());
  ClearData();
}

void TMMOscope::MarkOthersForRepaint() {
  std::lock_guard list(ListMutex());
  for (TMMOscope* other : OscopeList())
    if (other != this) other->full_repaint_ = true;
}

// ---- display protocol ----

void TMMOscope::SetWaveFormat(const plat::WAVEFORMATEX* format) {
  if (!engine::IsValidPCMFormat(format))
    throw EMMOscopeError(engine::LoadLibraryMessage(kInvalidWaveFormatMessage));
  SetSampleRate(static_cast<int32_t>(format->nSamplesPerSec));
  SetBitLength(static_cast<TMMBits>(format->wBitsPerSample / 8 - 1));
  SetMode(static_cast<TMMMode>(format->nChannels - 1));
}

void TMMOscope::UpdateBytesPerRefresh() {
  const int32_t frame = (bit_length_ + 1) * (mode_ + 1);
  bytes_per_refresh_ = OscopeBytesPerRefresh(frame, point_count_, zoom_, scroll_, fft_length_);
}

void TMMOscope::RefreshPCMData(const void* data) {
  std::lock_guard lock(DisplayLock());
  if (!data) return;
  if (!scroll_) {
    OscopeConvert(data, trace_data_.data(), point_count_, bit_length_, mode_, channel_, zoom_);
  } else {
    plat::WAVEFORMATEX format{};
    // Four channels are read as two interleaved ones, as outside Scroll.
    engine::BuildPCMFormat(format, (bit_length_ + 1) * 8, std::min(mode_ + 1, 2), sample_rate_);
    int16_t l1, l2, r1, r2;
    engine::FindMinMaxOrdered(&format, data, bytes_per_refresh_, l1, l2, r1, r2);
    int32_t a = l1, b = l2;
    if (mode_ != engine::mMono && channel_ == engine::chRight) {
      a = r1;
      b = r2;
    } else if (mode_ != engine::mMono && channel_ == engine::chBoth) {
      a = bit_length_ == engine::b16Bit ? (l1 + r1) / 2 : (l1 + r1) >> 1;
      b = bit_length_ == engine::b16Bit ? (l2 + r2) / 2 : (l2 + r2) >> 1;
    }
    if (bit_length_ == engine::b8Bit) {
      a = (a - 128) * 256;
      b = (b - 128) * 256;
    }
    trace_data_[0] = static_cast<int16_t>(a);
    trace_data_[1] = static_cast<int16_t>(b);
  }
  StoreTrace();
}

void TMMOscope::StoreTrace() {
  if (low_pass_) OscopeLowPass(trace_data_.data(), point_count_);
  DrawNow([this](void*) { DrawTrace(false); }, nullptr);
}

void TMMOscope::ClearData() {
  if (DesignMode()) {
    // A decaying sine of eight periods as a preview.
    double a = 1.0;
    const double period = (point_count_ - 1) / 8.0;
    for (int32_t i = 0; i < point_count_; ++i) {
      trace_data_[static_cast<size_t>(i)] =
          static_cast<int16_t>(std::lround(std::sin(2 * i * 3.14159265358979323846 / period) * a * 30719));
      a -= 1.0 / point_count_;
    }
  } else {
    std::fill_n(trace_data_.begin(), point_count_, int16_t{0});
  }
  sel_start_ = sel_end_ = locator_pos_ = -1;
}

void TMMOscope::ResetData() {
  if (readout_active_) {
    // As the button's release would: the box, the cursor clip and the capture go.
    EndReadout();
    if (MouseCapture()) SetMouseCapture(false);
  }
  {
    std::lock_guard lock(DisplayLock());
    ClearData();
  }
  Invalidate();
}

// ---- geometry ----

std::vector<int16_t> TMMOscope::TraceData() const {
  std::lock_guard lock(DisplayLock());
  return {trace_data_.begin(), trace_data_.begin() + point_count_};
}

int32_t TMMOscope::LevelOf(int32_t value) const {
  int64_t v = value;
  if (kind_ == okSpikes) v = static_cast<uint16_t>(std::abs(value));
  return static_cast<int32_t>((v * gain_factor_ / 8 + level_offset_) * trace_height_ / level_span_);
}

int32_t TMMOscope::RowOf(int32_t value) const { return trace_height_ - LevelOf(value) - 1; }

double TMMOscope::PointValue(int32_t index) const {
  std::lock_guard lock(DisplayLock());
  return index >= 0 && index < kPointValueCount ? point_values_[static_cast<size_t>(index)] : 0.0;
}

std::array<double, TMMOscope::kPointValueCount> TMMOscope::PointValues() const {
  std::lock_guard lock(DisplayLock());
  return point_values_;
}

float TMMOscope::AmplitudeAt(vcl::TPoint p) const {
  const vcl::TRect& r = trace_rect_;
  if (p.x < r.left || p.x >= r.right || p.y < r.top || p.y >= r.bottom) return 0;
  const int32_t dy = p.y - r.top;
  if (kind_ == okSpikes)
    return static_cast<float>(10.0 / (trace_height_ - 1) * (trace_height_ - dy - 1) * 0.1);
  float t = static_cast<float>(trace_height_) / 2 - static_cast<float>(dy);
  if (t < 0) t -= 1;
  return static_cast<float>(10.0 / trace_height_ * t * 0.2);
}

float TMMOscope::TraceMilliseconds() const {
  // In fractions of a millisecond: a short trace must not read 0 everywhere.
  const double bytes_per_second = static_cast<double>(sample_rate_) * (bit_length_ + 1) * (mode_ + 1);
  return static_cast<float>(bytes_per_refresh_ * 1000.0 / bytes_per_second);
}

float TMMOscope::TimeAt(vcl::TPoint p) const {
  const vcl::TRect& r = trace_rect_;
  if (p.x < r.left || p.x >= r.right || p.y < r.top || p.y >= r.bottom) return 0;
  const int32_t x = p.x - r.left + 1;
  return static_cast<float>(x * static_cast<double>(TraceMilliseconds()) / point_count_);
}

void TMMOscope::SetSelection(int32_t start, int32_t finish, bool redraw) {
  bool changed;
  {
    std::lock_guard lock(DisplayLock());
    const int32_t old_start = sel_start_, old_end = sel_end_;
    if (start != sel_start_) sel_start_ = start < 0 ? -1 : std::min(start, point_count_);
    if (finish != sel_end_) sel_end_ = finish < 0 ? -1 : std::min(finish, point_count_);
    if (sel_start_ > sel_end_) std::swap(sel_start_, sel_end_);
    if (sel_end_ - sel_start_ <= 0) sel_start_ = sel_end_ = -1;
    changed = old_start != sel_start_ || old_end != sel_end_;
  }
  if (redraw && changed) Repaint();
}

// ---- layout ----

void TMMOscope::SetBounds(int left, int top, int width, int height) {
  std::lock_guard lock(DisplayLock());
  const int b2 = 2 * BevelExtent();
  width = std::max(width, b2 + (draw_amp_scale_ ? 2 * kScaleWidth + 2 : 2));
  height = std::max(height, b2 + (draw_time_scale_ ? kScaleHeight + 2 : 2));
  inherited::SetBounds(left, top, width, height);
  Changed();
}

void TMMOscope::Changed() {
  {
    std::lock_guard lock(DisplayLock());
    Layout();
  }
  inherited::Changed();
}

void TMMOscope::Layout() {
  vcl::TRect r{0, 0, Width(), Height()};
  if (draw_amp_scale_) {
    r.left += kScaleWidth;
    r.right -= kScaleWidth;
  }
  if (draw_time_scale_) r.bottom -= kScaleHeight;
  const int b = BevelExtent();
  r = vcl::Rect(r.left + b, r.top + b, r.right - b, r.bottom - b);
  trace_rect_ = r;
  point_count_ = std::max(r.right - r.left, 4);
  trace_height_ = std::max(r.bottom - r.top, 4);
  half_height_ = trace_height_ / 2;
  trace_data_.assign(static_cast<size_t>(point_count_) + 40, 0);
  ClearData();
  DIBCanvas()->SetBounds(0, 0, point_count_, trace_height_);
  UpdateEffectLevels();
  UpdateBytesPerRefresh();
  amp_divisions_ = 10;
  while (trace_height_ / amp_divisions_ < 10 && amp_divisions_ > 2) amp_divisions_ -= 2;
  // The picture restarts: the Scroll columns, and the readout's saved pixels,
  // which belong to the old one.
  scroll_column_ = -bar_width_;
  bar_position_ = 0;
  readout_saved_valid_ = false;
  ++passes_;
}

void TMMOscope::UpdateEffectLevels() {
  if (effect_ == efPeak) {
    effect_low_ = trace_height_ / 3;
    effect_high_ = trace_height_ - effect_low_;
  } else if (effect_ == efSplit) {
    effect_low_ = 0;
    effect_high_ = half_height_;
  }
}

void TMMOscope::RaiseToMinimum() {
  // SetBounds raises the size and lays out; an equal size still needs the layout.
  SetBounds(Left(), Top(), Width(), Height());
}

// ---- writers ----

void TMMOscope::SetIndexedColor(int index, vcl::TColor value) {
  if (index < 0 || index >= static_cast<int>(colors_.size()) || colors_[static_cast<size_t>(index)] == value)
    return;
  {
    std::lock_guard lock(DisplayLock());
    colors_[static_cast<size_t>(index)] = value;
  }
  Invalidate();
}

void TMMOscope::SetEnabled(bool value) {
  if (value == Enabled()) return;
  {
    std::lock_guard lock(DisplayLock());
    inherited::SetEnabled(value);
  }
  Invalidate();
}

void TMMOscope::SetAccelerate(bool value) {
  if (value == accelerate_) return;
  accelerate_ = value;
  if (!value && scroll_) Invalidate();
}

void TMMOscope::SetScroll(bool value) {
  if (value == scroll_) return;
  scroll_ = value;
  Changed();
}

void TMMOscope::SetDrawMidLine(bool value) {
  if (value == draw_mid_line_) return;
  draw_mid_line_ = value;
  Invalidate();
}

void TMMOscope::SetKind(TMMOscopeKind value) {
  if (value == kind_) return;
  {
    std::lock_guard lock(DisplayLock());
    kind_ = value;
    level_span_ = value == okSpikes ? 32767 : 65535;
    level_offset_ = value == okSpikes ? 0 : 32767;
  }
  Invalidate();
}

void TMMOscope::SetBarWidth(int32_t value) {
  value = std::max(value, 1);
  if (value == bar_width_) return;
  bar_width_ = value;
  Invalidate();
}

void TMMOscope::SetBitLength(TMMBits value) {
  if (value == bit_length_) return;
  {
    std::lock_guard lock(DisplayLock());
    bit_length_ = value;
    UpdateBytesPerRefresh();
  }
  Invalidate();
}

void TMMOscope::SetChannel(TMMChannel value) {
  if (value == channel_) return;
  {
    std::lock_guard lock(DisplayLock());
    channel_ = value;
    UpdateBytesPerRefresh();
  }
  Invalidate();
}

void TMMOscope::SetSampleRate(int32_t value) {
  if (value == sample_rate_) return;
  {
    std::lock_guard lock(DisplayLock());
    sample_rate_ = std::clamp(value, 8000, 88200);
  }
  Invalidate();
}

void TMMOscope::SetMode(TMMMode value) {
  if (value == mode_) return;
  {
    std::lock_guard lock(DisplayLock());
    mode_ = value;
    UpdateBytesPerRefresh();
  }
  Invalidate();
}

void TMMOscope::SetSteps(int32_t value) {
  value = std::clamp(value, 1, 9);
  if (value == steps_) return;
  steps_ = value;
  Invalidate();
}

void TMMOscope::SetZoom(int32_t value) {
  if (value == 0) return;
  value = std::clamp(value, -9, 9);
  if (value == zoom_) return;
  {
    std::lock_guard lock(DisplayLock());
    zoom_ = value;
    UpdateBytesPerRefresh();
  }
  Invalidate();
}

void TMMOscope::SetGain(int32_t value) {
  if (value < -8 || value > 32 || value + 8 == gain_factor_) return;
  gain_factor_ = value + 8;
  Invalidate();
}

void TMMOscope::SetEffect(TMMOscopeEffect value) {
  {
    std::lock_guard lock(DisplayLock());
    effect_ = value;
    UpdateEffectLevels();
  }
  Invalidate();
}

void TMMOscope::SetDrawAmpScale(bool value) {
  if (value == draw_amp_scale_) return;
  draw_amp_scale_ = value;
  RaiseToMinimum();
  Invalidate();
}

void TMMOscope::SetDrawTimeScale(bool value) {
  if (value == draw_time_scale_) return;
  draw_time_scale_ = value;
  RaiseToMinimum();
  Invalidate();
}

void TMMOscope::SetDrawGrid(bool value) {
  if (value == draw_grid_) return;
  draw_grid_ = value;
  Invalidate();
}

void TMMOscope::SetFFTLength(int32_t value) {
  value = static_cast<int32_t>(std::bit_floor(static_cast<uint32_t>(std::clamp(value, 1, 4096))));
  if (value == fft_length_) return;
  {
    std::lock_guard lock(DisplayLock());
    fft_length_ = value;
    if (!scroll_) return;
    UpdateBytesPerRefresh();
  }
  Invalidate();
}

void TMMOscope::GainOverflow() {
  if (OnGainOverflow) OnGainOverflow(this);
}

void TMMOscope::PcmOverflow() {
  if (OnPcmOverflow) OnPcmOverflow(this);
}

void TMMOscope::Dispatch(vcl::TMessage& message) {
  switch (message.Msg) {
    case plat::WM_PAINT: {
      // Before the canvas lock the paint takes: display lock, then canvas lock.
      std::lock_guard lock(DisplayLock());
      return inherited::Dispatch(message);
    }
    case plat::WM_CAPTURECHANGED:
    case vcl::CM_CANCELMODE:
      CaptureLost();
      return inherited::Dispatch(message);
    default:
      return inherited::Dispatch(message);
  }
}

// ---- published ----

VCL_IMPLEMENT_CLASS(
    TMMOscope,
    EnumProp("Align", &TMMOscope::Align, &TMMOscope::SetAlign,
             {"alNone", "alTop", "alBottom", "alLeft", "alRight", "alClient"})
        .Default(vcl::alNone),
    ObjProp("Bevel", &TMMOscope::Bevel, &TMMOscope::SetBevel),
    ObjProp("BackGroundDIB", &TMMOscope::BackGroundDIB, &TMMOscope::SetBackGroundDIB),
    BoolProp("UseBackGroundDIB", &TMMOscope::UseBackGroundDIB, &TMMOscope::SetUseBackGroundDIB)
        .Default(false),
    BoolProp("PaletteRealize", &TMMOscope::PaletteRealize, &TMMOscope::SetPaletteRealize).Default(false),
    BoolProp("PaletteMapped", &TMMOscope::PaletteMapped, &TMMOscope::SetPaletteMapped).Default(false),
    ColorProp("Color", &TMMOscope::Color, &TMMOscope::SetColor)
        .Default(vcl::clBlack)
        .Stored(&TMMOscope::IsColorStored),
    IntProp("Cursor", &TMMOscope::Cursor, &TMMOscope::SetCursor)
        .Default(vcl::crCross)
        .Idents(vcl::CursorIdents()),
    BoolProp("ParentColor", &TMMOscope::ParentColor, &TMMOscope::SetParentColor).Default(false),
    BoolProp("ParentShowHint", &TMMOscope::ParentShowHint, &TMMOscope::SetParentShowHint).Default(true),
    RefProp("PopupMenu", &TMMOscope::PopupMenu, &TMMOscope::SetPopupMenu),
    BoolProp("ShowHint", &TMMOscope::ShowHint, &TMMOscope::SetShowHint)
        .Default(false)
        .Stored(&TMMOscope::IsShowHintStored),
    BoolProp("Visible", &TMMOscope::Visible, &TMMOscope::SetVisible).Default(true),
    BoolProp("ShowInfo", &TMMOscope::ShowInfo, &TMMOscope::SetShowInfo).Default(true),
    BoolProp("Enabled", &TMMOscope::Enabled, &TMMOscope::SetEnabled).Default(true),
    BoolProp("Accelerate", &TMMOscope::Accelerate, &TMMOscope::SetAccelerate).Default(true),
    BoolProp("Scroll", &TMMOscope::Scroll, &TMMOscope::SetScroll).Default(false),
    BoolProp("DrawMidLine", &TMMOscope::DrawMidLine, &TMMOscope::SetDrawMidLine).Default(false),
    EnumProp("Kind", &TMMOscope::Kind, &TMMOscope::SetKind,
             {"okDots", "okConLines", "okVertLines", "okMirLines", "okSpikes"})
        .Default(okDots),
    ColorProp("ForegroundColor", &TMMOscope::ForegroundColor, &TMMOscope::SetForegroundColor)
        .Default(vcl::clAqua),
    ColorProp("InactiveColor", &TMMOscope::InactiveColor, &TMMOscope::SetInactiveColor).Default(vcl::clTeal),
    ColorProp("EffectColor", &TMMOscope::EffectColor, &TMMOscope::SetEffectColor).Default(vcl::clRed),
    ColorProp("DisabledColor", &TMMOscope::DisabledColor, &TMMOscope::SetDisabledColor).Default(vcl::clGray),
    ColorProp("ScaleTextColor", &TMMOscope::ScaleTextColor, &TMMOscope::SetScaleTextColor)
        .Default(vcl::clBlack),
    ColorProp("ScaleLineColor", &TMMOscope::ScaleLineColor, &TMMOscope::SetScaleLineColor)
        .Default(vcl::clBlack),
    ColorProp("GridColor", &TMMOscope::GridColor, &TMMOscope::SetGridColor).Default(vcl::clGray),
    ColorProp("BarColor", &TMMOscope::BarColor, &TMMOscope::SetBarColor).Default(vcl::clGray),
    ColorProp("BarTickColor", &TMMOscope::BarTickColor, &TMMOscope::SetBarTickColor).Default(vcl::clWhite),
    ColorProp("SelectionColor", &TMMOscope::SelectionColor, &TMMOscope::SetSelectionColor)
        .Default(vcl::clRed),
    ColorProp("SelectionDotColor", &TMMOscope::SelectionDotColor, &TMMOscope::SetSelectionDotColor)
        .Default(vcl::clRed),
    ColorProp("LocatorColor", &TMMOscope::LocatorColor, &TMMOscope::SetLocatorColor).Default(vcl::clYellow),
    IntProp("BarWidth", &TMMOscope::BarWidth, &TMMOscope::SetBarWidth).Default(5),
    EnumProp("BitLength", &TMMOscope::BitLength, &TMMOscope::SetBitLength, {"b8Bit", "b16Bit"})
        .Default(engine::b8Bit),
    EnumProp("Channel", &TMMOscope::Channel, &TMMOscope::SetChannel, {"chBoth", "chLeft", "chRight"})
        .Default(engine::chBoth),
    IntProp("SampleRate", &TMMOscope::SampleRate, &TMMOscope::SetSampleRate).Default(11025),
    EnumProp("Mode", &TMMOscope::Mode, &TMMOscope::SetMode, {"mMono", "mStereo", "mMultiChannel"})
        .Default(engine::mMono),
    IntProp("Steps", &TMMOscope::Steps, &TMMOscope::SetSteps).Default(1),
    IntProp("Zoom", &TMMOscope::Zoom, &TMMOscope::SetZoom).Default(1),
    IntProp("Gain", &TMMOscope::Gain, &TMMOscope::SetGain).Default(0),
    EnumProp("Effect", &TMMOscope::Effect, &TMMOscope::SetEffect, {"efNone", "efPeak", "efSplit"})
        .Default(efNone),
    BoolProp("DrawAmpScale", &TMMOscope::DrawAmpScale, &TMMOscope::SetDrawAmpScale).Default(false),
    BoolProp("DrawTimeScale", &TMMOscope::DrawTimeScale, &TMMOscope::SetDrawTimeScale).Default(false),
    BoolProp("DrawGrid", &TMMOscope::DrawGrid, &TMMOscope::SetDrawGrid).Default(false),
    IntProp("FFTLength", &TMMOscope::FFTLength, &TMMOscope::SetFFTLength).Default(128),
    BoolProp("LowPass", &TMMOscope::LowPass, &TMMOscope::SetLowPass).Default(false),
    BoolProp("Locked", &TMMOscope::Locked, &TMMOscope::SetLocked).Default(false),
    BoolProp("UseSelection", &TMMOscope::UseSelection, &TMMOscope::SetUseSelection).Default(false),
    EventProp("OnClick", &TMMOscope::OnClick), EventProp("OnDblClick", &TMMOscope::OnDblClick),
    EventProp("OnMouseDown", &TMMOscope::OnMouseDown), EventProp("OnMouseMove", &TMMOscope::OnMouseMove),
    EventProp("OnMouseUp", &TMMOscope::OnMouseUp), EventProp("OnGainOverflow", &TMMOscope::OnGainOverflow),
    EventProp("OnPcmOverflow", &TMMOscope::OnPcmOverflow), EventProp("OnDrawLine", &TMMOscope::OnDrawLine),
    EventProp("OnPostPaint", &TMMOscope::OnPostPaint), EventProp("OnSelecting", &TMMOscope::OnSelecting),
    EventProp("OnSelectEnd", &TMMOscope::OnSelectEnd), EventProp("OnArrayNew", &TMMOscope::OnArrayNew),
    EventProp("OnArrayFull", &TMMOscope::OnArrayFull), EventProp("OnUpdate", &TMMOscope::OnUpdate))

}  // namespace displays
