#include "displays/MMLevel.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "engine/MMObj.h"
#include "engine/MMPCMSup.h"
#include "platform/user/Messages.h"
#include "platform/vcl/TypInfo.h"

namespace displays {

using engine::TMMBits;
using engine::TMMChannel;
using engine::TMMMode;

namespace {

constexpr uint16_t kInvalidWaveFormatMessage = 62;

// Trunc into an Integer; curve values stay far inside it, the clamp only
// keeps a wild input defined.
int32_t TruncToInt(double value) {
  constexpr double lo = std::numeric_limits<int32_t>::min();
  constexpr double hi = std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(std::trunc(std::clamp(value, lo, hi)));
}

int32_t SaturateToInt(int64_t value) {
  return static_cast<int32_t>(
      std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

// To nearest, halves to even, as the level and spot formulas round.
int32_t RoundToInt(double value) { return TruncToInt(std::nearbyint(value)); }

}  // namespace

// ---- routines ----

int32_t LevelBlockPeak(const void* data, int32_t frames, TMMBits bits, int32_t channels, TMMChannel channel,
                       int32_t offset_left, int32_t offset_right) {
  const auto* p = static_cast<const uint8_t*>(data);
  const bool wide = bits == engine::b16Bit;
  const int32_t sample_bytes = wide ? 2 : 1;
  const int32_t frame_bytes = sample_bytes * std::max(channels, 1);
  auto sample = [&](const uint8_t* at) -> int64_t {
    if (!wide) return *at;
    int16_t v;  // at any byte offset
    std::memcpy(&v, at, 2);
    return v;
  };
  // 8-bit samples are centred on 128 and scaled to 16-bit units.
  auto level = [&](int64_t s) { return wide ? s : (s - 128) * 256; };
  int64_t peak = 0;
  for (int32_t i = 0; i < frames; ++i, p += frame_bytes) {
    int64_t s;
    if (channels < 2 || channel == engine::chLeft)
      s = sample(p) + offset_left;
    else if (channel == engine::chRight)
      s = sample(p + sample_bytes) + offset_right;
    else
      s = (sample(p) + offset_left + sample(p + sample_bytes) + offset_right) / 2;
    peak = std::max(peak, std::abs(level(s)));
  }
  return SaturateToInt(peak);
}

double LevelReferenceScale(int32_t meter_scale, double peak, bool minus18, bool minus20) {
  static constexpr double kMinus18[8] = {2.81765, 2.2462, 2.9917, 2.8038, 1, 1.16038, 2.43756, 2.9838};
  static constexpr double kMinus20[8] = {3.462525, 2.8352, 3.7111, 3.6284, 1, 1.46038, 3.0462, 3.7638};
  if (meter_scale < 0 || meter_scale > 7 || meter_scale == 4) return peak;
  if (minus18) peak = peak * 0.707 * kMinus18[meter_scale];
  if (minus20) peak = peak * 0.707 * kMinus20[meter_scale];
  return peak;
}

double LevelTransferCurve(int32_t meter_scale, double p, bool integration) {
  // The ranges are tested on the peak as it came, truncated.
  const double t = std::trunc(p);
  switch (meter_scale) {
    case 0:  // Nordic N9
      if (t >= 230) {
        const double v = -7.57611e-06 * p * p + 1.24245 * p + 181.712;
        return integration ? v : std::abs(v);
      }
      if (t >= 33) return -7.57611e-06 * p * p + 1.24245 * p + 70.712;
      return p;
    case 1:  // DIN 45406
      if (t >= 5820) return 3.3894e-05 * p * p - 0.121814 * p + 359.222;
      if (t >= 0) return 6.2408e-06 * p * p + 0.083969 * p + 4.92065;
      return p;
    case 2:  // BBC
      if (t <= 0) return p;
      return integration ? 3e-05 * p * p + 1.662 * p + 111.2 : 5.3e-05 * p * p + 0.0662 * p + 111.2;
    case 3:  // EBU
      if (t <= 0) return p;
      return integration ? std::pow(p, 1.44751) * 0.0125575 : std::pow(p, 1.45118) * 0.00451076;
    case 5:  // K-20
      return t > 213 ? std::pow(p, 0.9855) * 1.2406 : std::pow(p, 0.7747) * 3.9908;
    case 6:  // K-14
      return t > 404 ? std::pow(p, 0.9647) * (integration ? 1.2245 : 1.3245) : std::pow(p, 0.7043) * 5.8385;
    case 7:  // K-12
      return t > 518 ? std::pow(p, 0.9846) * 1.2774 : std::pow(p, 0.7303) * 6.4599;
    default:  // dBFS and unknown scales
      return p;
  }
}

// ---- TMMLevelDecay ----

void TMMLevelDecay::SetMode(TMMDecayMode value) {
  if (value == mode_) return;
  mode_ = value;
  Clear();
}

void TMMLevelDecay::SetDecay(int32_t value) {
  value = std::clamp(value, 1, 16);
  if (value == decay_) return;
  decay_ = value;
  factor_ = DecayFactorOf(value);
  uniform_length_ = UniformDecayLength(value);
  if (mode_ == dmUniform) Clear();
}

void TMMLevelDecay::Clear() {
  uniform_fill_ = 0;
  uniform_index_ = 0;
  uniform_sum_ = 0;
  hold_ = 0;
  ring_.fill(0);
}

int32_t TMMLevelDecay::Apply(int32_t level) {
  if (mode_ == dmNone) return level;
  // At or past the end: a shorter length set outside dmUniform must not
  // leave the index beyond the ring.
  if (++uniform_index_ >= uniform_length_) uniform_index_ = 0;
  uniform_fill_ = std::min(uniform_fill_ + 1, uniform_length_);
  switch (mode_) {
    case dmStepUp:
      hold_ *= factor_;
      if (level > hold_)
        hold_ = level;
      else
        level = TruncToInt(hold_);
      return level;
    case dmExponential:
      hold_ = hold_ * factor_ + (1 - factor_) * level;
      return TruncToInt(std::floor(hold_));
    case dmUniform: {
      int32_t& slot = ring_[static_cast<size_t>(uniform_index_)];
      uniform_sum_ += level - slot;
      slot = level;
      return static_cast<int32_t>(uniform_sum_ / uniform_fill_);
    }
    default:
      return level;
  }
}

// ---- TMMCustomLevel ----

VCL_IMPLEMENT_CLASS(TMMCustomLevel)

TMMCustomLevel::TMMCustomLevel(vcl::TComponent* owner)
    : TMMDIBGraphicControl(owner),
      template_(std::make_unique<TMMDIBCanvas>(this)),
      peak_timer_(
          DisplayLock(), [this] { return Enabled() && num_peaks_ > 0; },
          [this](int32_t ticks) { PeakTimerTick(ticks); }) {
  SetBounds(0, 0, 200, 17);
  SetColor(vcl::clBlack);
  SetParentFont(false);
  Font()->SetName("Small Fonts");
  Font()->SetSize(7);
  UpdateBytesPerRefresh();
  if (!DesignMode()) peak_timer_.Add();
}

TMMCustomLevel::~TMMCustomLevel() {
  // First of all, so no tick runs into a meter that is going.
  peak_timer_.Remove();
  template_.reset();
}

void TMMCustomLevel::PeakTimerTick(int32_t ticks) {
  for (; ticks > 0 && peak_spot_ > 0; --ticks) {
    if (--peak_counter_ > 0) continue;
    if (peak_speed_ == 0) {
      peak_spot_ = 0;
      peak_counter_ = 0;
    } else {
      --peak_spot_;
      peak_counter_ = peak_speed_;
    }
    // The next ShowLevel draws the change.
    peak_changed_ = true;
  }
}

void TMMCustomLevel::ChangeDesignMode(bool value) {
  inherited::ChangeDesignMode(value);
  if (!DesignMode()) peak_timer_.Add();
}

// ---- display protocol ----

void TMMCustomLevel::SetWaveFormat(const plat::WAVEFORMATEX* format) {
  if (!engine::IsValidPCMFormat(format))
    throw EMMLevelError(engine::LoadLibraryMessage(kInvalidWaveFormatMessage));
  std::lock_guard lock(DisplayLock());
  bit_length_ = static_cast<TMMBits>(format->wBitsPerSample / 8 - 1);
  // Four channels are valid PCM; they are read as frames of four and shown
  // as multi-channel.
  mode_ = static_cast<TMMMode>(std::min<int32_t>(format->nChannels - 1, engine::mMultiChannel));
  channels_ = format->nChannels;
  UpdateBytesPerRefresh();
}

void TMMCustomLevel::UpdateBytesPerRefresh() {
  bytes_per_refresh_ = (bit_length_ + 1) * channels_ * samples_;
}

void TMMCustomLevel::RefreshPCMData(const void* data) {
  std::lock_guard lock(DisplayLock());
  if (!data || !Enabled() || !Visible()) return;
  const int32_t peak =
      LevelBlockPeak(data, samples_, bit_length_, channels_, channel_, offset_left_, offset_right_);
  if (peak >= kFullScale) PcmOverflow();
  double p = LevelReferenceScale(meter_scale_, peak, reference_minus18_, reference_minus20_);
  if (!integration_) {
    p = LevelTransferCurve(meter_scale_, p, false);
    std::copy_backward(level_history_.begin(), level_history_.end() - 1, level_history_.end());
    level_history_[0] = p >= 32768.0 ? 32768 : TruncToInt(std::abs(p));
    ShowLevel(TruncToInt(p));
    return;
  }
  // A count outside the history would divide by zero or run past it.
  const int32_t count = std::clamp(integration_count_, 1, kMaxIntegrationCount);
  std::copy_backward(history_.begin(), history_.begin() + count, history_.begin() + count + 1);
  history_[0] = TruncToInt(LevelTransferCurve(meter_scale_, p, true));
  // Until the history is full, the mean of the values collected so far.
  integration_fill_ = std::min(integration_fill_ + 1, count);
  int64_t sum = 0;
  for (int32_t i = 0; i < integration_fill_; ++i) sum += history_[static_cast<size_t>(i)];
  ShowLevel(static_cast<int32_t>(sum / integration_fill_));
}

void TMMCustomLevel::ClearData() {
  peak_spot_ = 0;
  peak_counter_ = 0;
  lit_spots_ = 0;
  last_level_ = 0;
  peak_timer_.ClearMissed();
  decay_.Clear();
}

void TMMCustomLevel::ResetData() {
  {
    std::lock_guard lock(DisplayLock());
    ClearData();
  }
  Invalidate();
}

// ---- levels ----

int32_t TMMCustomLevel::LevelToSpots(int32_t level) const {
  const double g = static_cast<double>(static_cast<int64_t>(level) * gain8_ / 8);
  const double n = num_spots_;
  const double range = -static_cast<double>(sensitivy_);
  double spots;
  if (log_amp_) {
    const double db = 20 * std::log10(std::max(g / kFullScale, 0.000001));
    spots = (db - sensitivy_) * n / range;
  } else {
    const double floor = kFullScale / std::pow(10.0, range / 20);
    spots = (g - floor) * n / (kFullScale - floor);
  }
  return std::max(RoundToInt(spots), 0);
}

void TMMCustomLevel::ShowLevel(int32_t value) {
  std::lock_guard lock(DisplayLock());
  int32_t v = SaturateToInt(std::abs(static_cast<int64_t>(value)));
  last_level_ = v;
  if (v == 0 && lit_spots_ == 0 && !peak_changed_) return;
  v = decay_.Apply(v);
  int32_t spots = LevelToSpots(v);
  if (direction_ == dirSymetric) spots /= 2;
  if (spots > num_spots_) {
    GainOverflow();
    spots = num_spots_;
  }
  if (spots >= peak_spot_ && spots > 0 && num_peaks_ > 0) {
    peak_spot_ = spots;
    peak_changed_ = true;
    peak_counter_ = 2 * peak_delay_ + 1;
  }
  if (spots == lit_spots_ && !peak_changed_) return;
  peak_changed_ = false;
  lit_spots_ = spots;
  if (Enabled() && Visible()) DrawNow([this](void*) { DrawBar(); }, nullptr);
}

void TMMCustomLevel::GainOverflow() {
  if (OnGainOverflow) OnGainOverflow(this);
}

void TMMCustomLevel::PcmOverflow() {
  if (OnPcmOverflow) OnPcmOverflow(this);
}

int32_t TMMCustomLevel::Value() const {
  std::lock_guard lock(DisplayLock());
  if (lit_spots_ == 0) return 0;
  const double share = static_cast<double>(lit_spots_) / num_spots_;
  if (!log_amp_) return RoundToInt(share * 100);
  // Gain -8 leaves no factor to divide by.
  if (gain8_ == 0) return 0;
  return RoundToInt(100 * std::pow(10.0, sensitivy_ * (1 - share) / 20) * 8 / gain8_);
}

void TMMCustomLevel::SetValue(int32_t value) {
  ShowLevel(RoundToInt(std::clamp(value, 0, 100) * static_cast<double>(kFullScale) / 100));
}

int32_t TMMCustomLevel::LastLevel() const {
  std::lock_guard lock(DisplayLock());
  return last_level_;
}

std::array<int32_t, TMMCustomLevel::kHistoryLength> TMMCustomLevel::LevelHistory() const {
  std::lock_guard lock(DisplayLock());
  return level_history_;
}

int32_t TMMCustomLevel::LitSpots() const {
  std::lock_guard lock(DisplayLock());
  return lit_spots_;
}

int32_t TMMCustomLevel::PeakSpot() const {
  std::lock_guard lock(DisplayLock());
  return peak_spot_;
}

int32_t TMMCustomLevel::NumSpots() const {
  std::lock_guard lock(DisplayLock());
  return num_spots_;
}

// ---- writers ----

void TMMCustomLevel::LayoutChanged() {
  {
    std::lock_guard lock(DisplayLock());
    CalcSpots();
  }
  Invalidate();
}

void TMMCustomLevel::SetEnabled(bool value) {
  if (value == Enabled()) return;
  {
    std::lock_guard lock(DisplayLock());
    inherited::SetEnabled(value);
    if (value)
      CalcSpots();
    else
      ClearData();
  }
  peak_timer_.Update();
  Invalidate();
}

void TMMCustomLevel::SetKind(TMMLevelKind value) {
  if (value == kind_) return;
  {
    std::lock_guard lock(DisplayLock());
    kind_ = value;
    const bool tall = Height() > Width();
    if ((value == lkHorizontal && tall) || (value == lkVertical && Width() > Height()))
      SetBounds(Left(), Top(), Height(), Width());
  }
  LayoutChanged();
}

void TMMCustomLevel::SetSpotSpace(int32_t value) {
  value = std::clamp(value, 0, 10);
  if (value == spot_space_) return;
  {
    std::lock_guard lock(DisplayLock());
    spot_space_ = value;
  }
  LayoutChanged();
}

void TMMCustomLevel::SetSpotWidth(int32_t value) {
  {
    std::lock_guard lock(DisplayLock());
    const int32_t length = kind_ == lkHorizontal ? bar_width_ : bar_height_;
    value = std::max(1, std::min(value, length / 3));
    if (value == spot_width_) return;
    spot_width_ = value;
  }
  LayoutChanged();
}

void TMMCustomLevel::SetZoneColor(int index, vcl::TColor value) {
  if (value == colors_[static_cast<size_t>(index)]) return;
  {
    std::lock_guard lock(DisplayLock());
    colors_[static_cast<size_t>(index)] = value;
    RedrawTemplate();
  }
  Invalidate();
}

void TMMCustomLevel::SetInactiveDoted(bool value) {
  if (value == inactive_doted_) return;
  {
    std::lock_guard lock(DisplayLock());
    inactive_doted_ = value;
    RedrawTemplate();
  }
  Invalidate();
}

void TMMCustomLevel::SetActiveDoted(bool value) {
  if (value == active_doted_) return;
  {
    std::lock_guard lock(DisplayLock());
    active_doted_ = value;
    RedrawTemplate();
  }
  Invalidate();
}

void TMMCustomLevel::SetPoint1(int32_t value) {
  value = std::clamp(value, 1, 100);
  if (value == point1_) return;
  {
    std::lock_guard lock(DisplayLock());
    point1_ = value;
  }
  LayoutChanged();
}

void TMMCustomLevel::SetPoint2(int32_t value) {
  value = std::clamp(value, 1, 100);
  if (value == point2_) return;
  {
    std::lock_guard lock(DisplayLock());
    point2_ = value;
  }
  LayoutChanged();
}

void TMMCustomLevel::SetDirection(TMMLevelDirection value) {
  if (value == direction_) return;
  {
    std::lock_guard lock(DisplayLock());
    direction_ = value;
    RedrawTemplate();
  }
  Invalidate();
}

void TMMCustomLevel::SetBitLength(TMMBits value) {
  if (value == bit_length_) return;
  {
    std::lock_guard lock(DisplayLock());
    bit_length_ = value;
    UpdateBytesPerRefresh();
  }
  Invalidate();
}

void TMMCustomLevel::SetChannel(TMMChannel value) {
  if (value == channel_) return;
  {
    std::lock_guard lock(DisplayLock());
    channel_ = value;
    UpdateBytesPerRefresh();
  }
  Invalidate();
}

void TMMCustomLevel::SetMode(TMMMode value) {
  if (value == mode_) return;
  {
    std::lock_guard lock(DisplayLock());
    mode_ = value;
    channels_ = value + 1;
    UpdateBytesPerRefresh();
  }
  Invalidate();
}

void TMMCustomLevel::SetGain(int32_t value) {
  if (value < -8 || value > 32 || value + 8 == gain8_) return;
  {
    std::lock_guard lock(DisplayLock());
    gain8_ = value + 8;
  }
  Invalidate();
}

void TMMCustomLevel::SetSamples(int32_t value) {
  value = std::max(value, 1);
  if (value == samples_) return;
  std::lock_guard lock(DisplayLock());
  samples_ = value;
  UpdateBytesPerRefresh();
}

void TMMCustomLevel::SetSensitivy(int32_t value) {
  std::lock_guard lock(DisplayLock());
  sensitivy_ = std::clamp(value, -90, -9);
}

void TMMCustomLevel::SetLogAmp(bool value) {
  if (value == log_amp_) return;
  {
    std::lock_guard lock(DisplayLock());
    log_amp_ = value;
  }
  Invalidate();
}

void TMMCustomLevel::SetNumPeaks(int32_t value) {
  value = std::clamp(value, 0, 5);
  if (value == num_peaks_) return;
  {
    std::lock_guard lock(DisplayLock());
    num_peaks_ = value;
    peak_counter_ = 0;
  }
  peak_timer_.Update();
  Invalidate();
}

void TMMCustomLevel::SetPeakDelay(int32_t value) {
  value = std::clamp(value, 0, 50);
  if (value == peak_delay_) return;
  {
    std::lock_guard lock(DisplayLock());
    peak_delay_ = value;
    peak_counter_ = 0;
  }
  Invalidate();
}

void TMMCustomLevel::SetPeakSpeed(int32_t value) {
  value = std::clamp(value, 0, 50);
  if (value == peak_speed_) return;
  {
    std::lock_guard lock(DisplayLock());
    peak_speed_ = value;
    peak_counter_ = 0;
  }
  Invalidate();
}

TMMDecayMode TMMCustomLevel::DecayMode() const {
  std::lock_guard lock(DisplayLock());
  return decay_.Mode();
}

void TMMCustomLevel::SetDecayMode(TMMDecayMode value) {
  std::lock_guard lock(DisplayLock());
  decay_.SetMode(value);
}

int32_t TMMCustomLevel::Decay() const {
  std::lock_guard lock(DisplayLock());
  return decay_.Decay();
}

void TMMCustomLevel::SetDecay(int32_t value) {
  std::lock_guard lock(DisplayLock());
  decay_.SetDecay(value);
}

void TMMCustomLevel::SetDCOffsetL(int32_t value) {
  std::lock_guard lock(DisplayLock());
  offset_left_ = SaturateToInt(-static_cast<int64_t>(value));
}

void TMMCustomLevel::SetDCOffsetR(int32_t value) {
  std::lock_guard lock(DisplayLock());
  offset_right_ = SaturateToInt(-static_cast<int64_t>(value));
}

void TMMCustomLevel::SetMeterScale(int32_t value) {
  std::lock_guard lock(DisplayLock());
  meter_scale_ = value;
}

void TMMCustomLevel::SetIntegration(bool value) {
  std::lock_guard lock(DisplayLock());
  integration_ = value;
}

void TMMCustomLevel::SetIntegrationCount(int32_t value) {
  std::lock_guard lock(DisplayLock());
  integration_count_ = value;
}

void TMMCustomLevel::SetReferenceMinus18(bool value) {
  std::lock_guard lock(DisplayLock());
  reference_minus18_ = value;
}

void TMMCustomLevel::SetReferenceMinus20(bool value) {
  std::lock_guard lock(DisplayLock());
  reference_minus20_ = value;
}

// ---- layout ----

void TMMCustomLevel::SetBounds(int left, int top, int width, int height) {
  std::lock_guard lock(DisplayLock());
  inherited::SetBounds(left, top, width, height);
  // The base constructor sizes the control before the template exists.
  if (template_) Changed();
}

void TMMCustomLevel::Changed() {
  if (!template_) return;
  {
    std::lock_guard lock(DisplayLock());
    bar_rect_ = BevelClientRect();
    bar_width_ = std::max(bar_rect_.right - bar_rect_.left, 1);
    bar_height_ = std::max(bar_rect_.bottom - bar_rect_.top, 1);
    DIBCanvas()->SetBounds(0, 0, bar_width_, bar_height_);
    template_->SetBounds(0, 0, bar_width_, bar_height_);
    template_valid_ = false;
    CalcSpots();
  }
  inherited::Changed();
}

void TMMCustomLevel::SetBitsPerPixel(int32_t value) {
  std::lock_guard lock(DisplayLock());
  inherited::SetBitsPerPixel(value);
  template_->SetBitsPerPixel(value);
  RedrawTemplate();
}

void TMMCustomLevel::Loaded() {
  inherited::Loaded();
  {
    std::lock_guard lock(DisplayLock());
    RedrawTemplate();
  }
  Invalidate();
}

void TMMCustomLevel::CMColorChanged(vcl::TMessage& message) {
  {
    std::lock_guard lock(DisplayLock());
    RedrawTemplate();
  }
  inherited::CMColorChanged(message);
}

void TMMCustomLevel::CalcSpots() {
  spot_width_ = std::max(spot_width_, 1);
  const int32_t length = kind_ == lkHorizontal ? bar_width_ : bar_height_;
  const int32_t pitch = spot_width_ + spot_space_;
  num_spots_ = std::max((length + spot_space_) / pitch, 1);
  first_offset_ = (length - (pitch * num_spots_ - spot_space_)) / 2;
  zone1_ = point1_ * num_spots_ / 100;
  zone2_ = point2_ * num_spots_ / 100;
  RedrawTemplate();
  if (DesignMode() && Enabled()) {
    // A preview level in the designer: the middle of the highest zone.
    if (num_spots_ > zone2_)
      lit_spots_ = zone2_ + (num_spots_ - zone2_) / 2;
    else if (num_spots_ > zone1_)
      lit_spots_ = zone1_ + (num_spots_ - zone1_) / 2;
    else
      lit_spots_ = num_spots_ - num_spots_ / 4;
  } else {
    peak_spot_ = 0;
    lit_spots_ = 0;
  }
}

// ---- drawing ----

vcl::TRect TMMCustomLevel::SpotRect(int32_t k) const {
  const int32_t start = first_offset_ + (k - 1) * (spot_width_ + spot_space_);
  const bool from_end = direction_ != dirNormal;
  if (kind_ == lkHorizontal) {
    const int32_t x = from_end ? bar_width_ - start - spot_width_ : start;
    return vcl::Rect(x, 0, x + spot_width_, bar_height_);
  }
  // Vertical bars grow upward unless reversed.
  const int32_t y = from_end ? start : bar_height_ - start - spot_width_;
  return vcl::Rect(0, y, bar_width_, y + spot_width_);
}

void TMMCustomLevel::DrawSpots(TMMDIBCanvas& canvas, int32_t n, int32_t peak, bool unlit) {
  // The zones' pixel values, each looked up once per pass at most.
  std::array<int32_t, 3> pixels{-1, -1, -1};
  auto color = [&](int32_t k) {
    const int zone = k > zone2_ ? 2 : k > zone1_ ? 1 : 0;
    int32_t& pixel = pixels[static_cast<size_t>(zone)];
    if (pixel < 0) pixel = canvas.ColorToDIB(colors_[static_cast<size_t>(unlit ? zone + 3 : zone)]);
    return pixel;
  };
  const bool dotted = unlit ? inactive_doted_ : active_doted_;
  auto fill = [&](int32_t k, int32_t pixel) {
    if (k < 1 || k > num_spots_) return;
    TMMDIBCanvas::DIB_SetColor(pixel);
    TMMDIBCanvas::DIB_FillRectDotted(SpotRect(k), dotted);
  };
  // Spots without space between them and of one colour are one rectangle.
  const bool touching = spot_space_ == 0 && !dotted;
  const bool symmetric = !unlit && direction_ == dirSymetric;
  if (!symmetric && touching) {
    for (int32_t k = 1, last = std::min(n, num_spots_); k <= last; ++k) {
      const int32_t pixel = color(k);
      const int32_t first = k;
      while (k < last && color(k + 1) == pixel) ++k;
      vcl::TRect box = SpotRect(first);
      const vcl::TRect end = SpotRect(k);
      box = vcl::Rect(std::min(box.left, end.left), std::min(box.top, end.top),
                      std::max(box.right, end.right), std::max(box.bottom, end.bottom));
      TMMDIBCanvas::DIB_SetColor(pixel);
      TMMDIBCanvas::DIB_FillRect(box);
    }
  } else if (!symmetric) {
    for (int32_t k = 1; k <= n; ++k) fill(k, color(k));
  } else {
    // A block of five spots around the level, in the level's colour.
    n = std::clamp(n, 1, num_spots_);
    for (int32_t k = n - 2; k <= n + 2; ++k) fill(k, color(n));
  }
  if (unlit || num_peaks_ <= 0 || peak <= n) return;
  const int32_t first = symmetric ? peak + 2 : peak;
  for (int32_t k = first; k > first - num_peaks_; --k) fill(k, color(k));
}

void TMMCustomLevel::RedrawTemplate() {
  if (!template_ || ComponentState().Contains(vcl::csLoading) || OnDrawBar) {
    template_valid_ = false;
    return;
  }
  TDIBDrawingPass pass(*template_);
  template_->DIB_SetTColor(Color());
  TMMDIBCanvas::DIB_Clear();
  DrawSpots(*template_, num_spots_, 0, true);
  template_valid_ = true;
}

void TMMCustomLevel::DrawBar() {
  std::lock_guard lock(DisplayLock());
  if (OnPaint) OnPaint(this);
  // Outside the meter's pass: the template opens its own.
  if (!OnDrawBar && !template_valid_) RedrawTemplate();
  TMMDIBCanvas& dib = *DIBCanvas();
  TDIBDrawingPass pass(dib);
  if (OnDrawBar) {
    OnDrawBar(this, &dib, vcl::Rect(0, 0, bar_width_, bar_height_), lit_spots_, peak_spot_);
  } else {
    if (template_valid_) {
      TMMDIBCanvas::DIB_CopyRect(template_->PixelBits(), 0, 0, bar_width_, bar_height_, 0, 0);
    } else {
      dib.DIB_SetTColor(Color());
      TMMDIBCanvas::DIB_Clear();
    }
    if (Enabled()) DrawSpots(dib, lit_spots_, peak_spot_, false);
  }
  // The rectangle here is position and size.
  if (Canvas()->HandleAllocated()) {
    const vcl::TRect bar = vcl::Rect(bar_rect_.left, bar_rect_.top, bar_width_, bar_height_);
    // What a paint handler draws on the screen is not the DIB's.
    if (OnPaint)
      dib.DrawToDC(Canvas()->Handle(), bar, 0, 0);
    else
      dib.DrawChangesToDC(Canvas()->Handle(), bar, 0, 0);
  }
}

void TMMCustomLevel::Paint() {
  inherited::Paint();
  DrawBar();
}

void TMMCustomLevel::Dispatch(vcl::TMessage& message) {
  if (message.Msg != plat::WM_PAINT) return inherited::Dispatch(message);
  // Before the canvas lock the paint takes: display lock, then canvas lock.
  std::lock_guard lock(DisplayLock());
  inherited::Dispatch(message);
}

// ---- TMMLevel ----

VCL_IMPLEMENT_CLASS(
    TMMLevel,
    EnumProp("Align", &TMMLevel::Align, &TMMLevel::SetAlign,
             {"alNone", "alTop", "alBottom", "alLeft", "alRight", "alClient"})
        .Default(vcl::alNone),
    ObjProp("Bevel", &TMMLevel::Bevel, &TMMLevel::SetBevel),
    ColorProp("Color", &TMMLevel::Color, &TMMLevel::SetColor)
        .Default(vcl::clBlack)
        .Stored(&TMMLevel::IsColorStored),
    IntProp("DragCursor", &TMMLevel::DragCursor, &TMMLevel::SetDragCursor)
        .Default(vcl::crDrag)
        .Idents(vcl::CursorIdents()),
    BoolProp("ParentColor", &TMMLevel::ParentColor, &TMMLevel::SetParentColor).Default(false),
    BoolProp("ParentShowHint", &TMMLevel::ParentShowHint, &TMMLevel::SetParentShowHint).Default(true),
    RefProp("PopupMenu", &TMMLevel::PopupMenu, &TMMLevel::SetPopupMenu),
    BoolProp("ShowHint", &TMMLevel::ShowHint, &TMMLevel::SetShowHint)
        .Default(false)
        .Stored(&TMMLevel::IsShowHintStored),
    BoolProp("Visible", &TMMLevel::Visible, &TMMLevel::SetVisible).Default(true),
    BoolProp("Enabled", &TMMLevel::Enabled, &TMMLevel::SetEnabled).Default(true),
    EnumProp("Kind", &TMMLevel::Kind, &TMMLevel::SetKind, {"lkHorizontal", "lkVertical"})
        .Default(lkHorizontal),
    IntProp("SpotSpace", &TMMLevel::SpotSpace, &TMMLevel::SetSpotSpace).Default(1),
    IntProp("SpotWidth", &TMMLevel::SpotWidth, &TMMLevel::SetSpotWidth).Default(1),
    ColorProp("Bar1Color", &TMMLevel::Bar1Color, &TMMLevel::SetBar1Color).Default(vcl::clAqua),
    ColorProp("Bar2Color", &TMMLevel::Bar2Color, &TMMLevel::SetBar2Color).Default(vcl::clAqua),
    ColorProp("Bar3Color", &TMMLevel::Bar3Color, &TMMLevel::SetBar3Color).Default(vcl::clRed),
    ColorProp("Inactive1Color", &TMMLevel::Inactive1Color, &TMMLevel::SetInactive1Color).Default(vcl::clTeal),
    ColorProp("Inactive2Color", &TMMLevel::Inactive2Color, &TMMLevel::SetInactive2Color).Default(vcl::clTeal),
    ColorProp("Inactive3Color", &TMMLevel::Inactive3Color, &TMMLevel::SetInactive3Color)
        .Default(vcl::clMaroon),
    BoolProp("InactiveDoted", &TMMLevel::InactiveDoted, &TMMLevel::SetInactiveDoted).Default(false),
    BoolProp("ActiveDoted", &TMMLevel::ActiveDoted, &TMMLevel::SetActiveDoted).Default(false),
    IntProp("Point1", &TMMLevel::Point1, &TMMLevel::SetPoint1).Default(50),
    IntProp("Point2", &TMMLevel::Point2, &TMMLevel::SetPoint2).Default(85),
    EnumProp("Direction", &TMMLevel::Direction, &TMMLevel::SetDirection,
             {"dirNormal", "dirReversed", "dirSymetric"})
        .Default(dirNormal),
    EnumProp("BitLength", &TMMLevel::BitLength, &TMMLevel::SetBitLength, {"b8Bit", "b16Bit"})
        .Default(engine::b8Bit),
    EnumProp("Channel", &TMMLevel::Channel, &TMMLevel::SetChannel, {"chBoth", "chLeft", "chRight"})
        .Default(engine::chBoth),
    EnumProp("Mode", &TMMLevel::Mode, &TMMLevel::SetMode, {"mMono", "mStereo", "mMultiChannel"})
        .Default(engine::mMono),
    IntProp("Gain", &TMMLevel::Gain, &TMMLevel::SetGain).Default(0),
    IntProp("Samples", &TMMLevel::Samples, &TMMLevel::SetSamples).Default(50),
    IntProp("Sensitivy", &TMMLevel::Sensitivy, &TMMLevel::SetSensitivy).Default(-35),
    BoolProp("LogAmp", &TMMLevel::LogAmp, &TMMLevel::SetLogAmp).Default(true),
    IntProp("NumPeaks", &TMMLevel::NumPeaks, &TMMLevel::SetNumPeaks).Default(1),
    IntProp("PeakDelay", &TMMLevel::PeakDelay, &TMMLevel::SetPeakDelay).Default(20),
    IntProp("PeakSpeed", &TMMLevel::PeakSpeed, &TMMLevel::SetPeakSpeed).Default(0),
    EnumProp("DecayMode", &TMMLevel::DecayMode, &TMMLevel::SetDecayMode,
             {"dmNone", "dmStepUp", "dmExponential", "dmUniform"})
        .Default(dmNone),
    IntProp("Decay", &TMMLevel::Decay, &TMMLevel::SetDecay).Default(1),
    IntProp("Value", &TMMLevel::Value, &TMMLevel::SetValue).Default(0),
    IntProp("DCOffsetL", &TMMLevel::DCOffsetL, &TMMLevel::SetDCOffsetL).Default(0),
    IntProp("DCOffsetR", &TMMLevel::DCOffsetR, &TMMLevel::SetDCOffsetR).Default(0),
    EventProp("OnGainOverflow", &TMMLevel::OnGainOverflow),
    EventProp("OnPcmOverflow", &TMMLevel::OnPcmOverflow), EventProp("OnDrawBar", &TMMLevel::OnDrawBar),
    EventProp("OnPaint", &TMMLevel::OnPaint), EventProp("OnIntegral", &TMMLevel::OnIntegral),
    EventProp("OnClick", &TMMLevel::OnClick), EventProp("OnDblClick", &TMMLevel::OnDblClick),
    EventProp("OnMouseDown", &TMMLevel::OnMouseDown), EventProp("OnMouseMove", &TMMLevel::OnMouseMove),
    EventProp("OnMouseUp", &TMMLevel::OnMouseUp), EventProp("OnDragDrop", &TMMLevel::OnDragDrop),
    EventProp("OnDragOver", &TMMLevel::OnDragOver), EventProp("OnEndDrag", &TMMLevel::OnEndDrag),
    EventProp("OnStartDrag", &TMMLevel::OnStartDrag))

}  // namespace displays
