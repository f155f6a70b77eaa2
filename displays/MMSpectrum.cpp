#include "displays/MMSpectrum.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <limits>
#include <numbers>
#include <random>

#include "engine/MMObj.h"
#include "engine/MMPCMSup.h"
#include "engine/MMUtils.h"
#include "platform/kernel/Files.h"
#include "platform/user/Cursor.h"
#include "platform/user/MessageBox.h"
#include "platform/user/Messages.h"
#include "platform/vcl/Streams.h"
#include "platform/vcl/TypInfo.h"

namespace displays {

using engine::TMMBits;
using engine::TMMChannel;
using engine::TMMMode;
using Lock = std::lock_guard<std::recursive_mutex>;

namespace {

constexpr uint16_t kInvalidWaveFormatMessage = 62;
// Log units per natural-log unit of power: 8192 per octave of power.
const float kLogUnits = static_cast<float>(8192 / std::numbers::ln2);
// Log units per dB.
const double kUnitsPerDb = 819.2 * std::numbers::ln10 / std::numbers::ln2;
// The log axis spans 60 dB, its top at full scale.
constexpr int32_t kLogTop = 6;
constexpr int32_t kLogBottom = 0;

int32_t SaturateToInt(double value) {
  if (std::isnan(value)) return 0;
  constexpr double lo = std::numeric_limits<int32_t>::min();
  constexpr double hi = std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(std::clamp(value, lo, hi));
}

int32_t SaturateToInt(int64_t value) {
  return static_cast<int32_t>(
      std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

int32_t PowerOfTwoBelow(int32_t value, int32_t& order) {
  order = 0;
  while ((value >> 1) > 0) {
    value >>= 1;
    ++order;
  }
  return 1 << order;
}

int16_t Sample16(const uint8_t* p) {
  int16_t v;
  std::memcpy(&v, p, 2);
  return v;
}

}  // namespace

// ---- construction ----

TMMSpectrum::TMMSpectrum(vcl::TComponent* owner)
    : TMMDIBGraphicControl(owner),
      template_(std::make_unique<TMMDIBCanvas>(this)),
      window_table_(kMaxFFTLength),
      frame_(kMaxFFTLength),
      fft_out_(kMaxFFTLength),
      values_(kMaxBins),
      decay_state_(kMaxBins),
      uniform_sum_(kMaxBins),
      log_offsets_(kMaxBins),
      history_(static_cast<size_t>(kHistoryLength) * kMaxBins),
      peak_timer_(
          DisplayLock(), [this] { return Enabled() && num_peaks_ > 0; },
          [this](int32_t ticks) { PeakTimerTick(ticks); }) {
  fft_ = engine::CreateFFT(8);
  SetColor(vcl::clBlack);
  SetCursor(-3);
  SetBounds(0, 0, 194, 89);
  SetFFTLength(128);
  if (!DesignMode()) peak_timer_.Add();
}

TMMSpectrum::~TMMSpectrum() {
  // First of all, so no tick runs into a spectrum that is going.
  peak_timer_.Remove();
  if (readout_active_) plat::ClipCursor(nullptr);
  engine::FreeFFT(fft_);
  template_.reset();
}

bool TMMSpectrum::Loading() const {
  return ComponentState().Contains(vcl::csLoading) || ComponentState().Contains(vcl::csReading);
}

// ---- peak timer ----

void TMMSpectrum::PeakTimerTick(int32_t ticks) {
  if (num_peaks_ < 1 || readout_active_) return;
  for (; ticks > 0; --ticks) {
    for (size_t i = 0; i < records_.size() && static_cast<int32_t>(i) < width_ && records_[i].First != -1;
         ++i) {
      TColumnRecord& r = records_[i];
      if (r.Peak <= 0 || --r.Counter > 0) continue;
      if (peak_speed_ == 0) {
        r.Peak = 0;
        r.Counter = 0;
      } else if (peaks_fall_) {
        --r.Peak;
        r.Counter = peak_speed_;
      } else {
        r.Counter = 0;
      }
    }
  }
}

void TMMSpectrum::ChangeDesignMode(bool value) {
  inherited::ChangeDesignMode(value);
  if (!DesignMode()) peak_timer_.Add();
  Lock lock(DisplayLock());
  Reset();
}

// ---- display protocol ----

void TMMSpectrum::SetWaveFormat(const plat::WAVEFORMATEX* format) {
  if (!engine::IsValidPCMFormat(format))
    throw EMMSpectrumError(engine::LoadLibraryMessage(kInvalidWaveFormatMessage));
  SetSampleRate(static_cast<int32_t>(format->nSamplesPerSec));
  SetBitLength(static_cast<TMMBits>(format->wBitsPerSample / 8 - 1));
  SetMode(static_cast<TMMMode>(std::min<int32_t>(format->nChannels - 1, engine::mMultiChannel)));
}

void TMMSpectrum::UpdateBytesPerRefresh() {
  bytes_per_refresh_ = (bit_length_ + 1) * (mode_ + 1) * fft_length_;
}

void TMMSpectrum::RefreshPCMData(const void* data) {
  Lock lock(DisplayLock());
  if (!data || !Enabled() || !Visible() || readout_active_) return;
  ReadFrame(data);
  engine::RealFFT(fft_, frame_.data(), 1);
  const int32_t n = fft_length_;
  const float half = static_cast<float>(n / 2);
  for (int32_t i = 0; i < n; ++i) {
    // Saturated rather than wrapped: a loud tilted tone must not fold over.
    const float v = std::trunc(frame_[static_cast<size_t>(i)] / half);
    fft_out_[static_cast<size_t>(i)] = static_cast<int16_t>(std::clamp(v, -32767.0f, 32767.0f));
  }
  ComputeDisplayValues();
  if (frame_interval_ms_ > 0) {
    const int64_t now = engine::GetTimeMicroseconds();
    if (refresh_drawn_ && now - refresh_drawn_us_ < int64_t{frame_interval_ms_} * 1000) return;
    refresh_drawn_ = true;
    refresh_drawn_us_ = now;
  }
  DrawNow([this](void*) { DrawSpectrum(false); }, nullptr);
}

void TMMSpectrum::SetFrameInterval(int32_t ms) {
  Lock lock(DisplayLock());
  frame_interval_ms_ = std::max(ms, 0);
  refresh_drawn_ = false;
}

void TMMSpectrum::ReadFrame(const void* data) {
  const auto* p = static_cast<const uint8_t*>(data);
  const int32_t n = fft_length_;
  const bool wide = bit_length_ == engine::b16Bit;
  const bool stereo = mode_ != engine::mMono;
  const int32_t sample_bytes = wide ? 2 : 1;
  const int32_t frame_bytes = sample_bytes * (stereo ? 2 : 1);
  auto raw = [&](int32_t i, int32_t ch) -> int32_t {
    const uint8_t* at = p + i * frame_bytes + ch * sample_bytes;
    return wide ? Sample16(at) : *at;
  };
  const int32_t full = wide ? 32767 : 255;
  const int32_t ch = channel_ == engine::chRight ? 1 : 0;
  // Before the first sample the tilt sees the first value read at offset 0
  // of the frame's channel.
  const int32_t first = raw(0, stereo ? ch : 0);
  int32_t s1 = first;
  int32_t s2 = first;
  const int32_t steps = gain_ / 2;
  const int32_t divisor = wide ? 32768 : 128;
  for (int32_t i = 0; i < n; ++i) {
    int32_t s;
    bool overflow;
    if (!stereo) {
      s = raw(i, 0);
      overflow = s == full;
    } else if (channel_ == engine::chBoth) {
      s = wide ? (raw(i, 0) + raw(i, 1)) / 2 : (raw(i, 0) + raw(i, 1)) >> 1;
      overflow = wide ? s >= 32766 : s == 255;
    } else {
      s = raw(i, ch);
      overflow = s == full;
    }
    if (overflow) PcmOverflow();
    int32_t v;
    if (steps == 0)
      v = wide ? s : s - 128;
    else if (steps == 1)
      v = s - s1;
    else
      v = s - 2 * s1 + s2;
    s2 = s1;
    s1 = s;
    const int64_t w = static_cast<int64_t>(v) * window_table_[static_cast<size_t>(i)] / divisor;
    frame_[static_cast<size_t>(i)] = static_cast<float>(w);
  }
}

void TMMSpectrum::ComputeDisplayValues() {
  const int32_t bins = fft_length_ / 2;
  auto power = [&](int32_t k) {
    const int64_t re = fft_out_[static_cast<size_t>(2 * k)];
    const int64_t im = fft_out_[static_cast<size_t>(2 * k + 1)];
    return re * re + im * im;
  };
  if (decay_mode_ == dmNone && log_amp_) {
    for (int32_t k = 0; k < bins; ++k) {
      const int64_t p = power(k);
      int32_t v = 0;
      if (p > 0)
        v = std::max(SaturateToInt(std::trunc(kLogUnits * std::log(static_cast<double>(p)) -
                                              log_offsets_[static_cast<size_t>(k)])),
                     0);
      values_[static_cast<size_t>(k)] = v;
    }
    return;
  }
  if (++ring_index_ >= uniform_length_) ring_index_ = 0;
  ring_count_ = std::min(ring_count_ + 1, uniform_length_);
  int32_t* history = history_.data() + static_cast<size_t>(ring_index_) * kMaxBins;
  for (int32_t k = 0; k < bins; ++k) {
    const auto idx = static_cast<size_t>(k);
    const int32_t m = static_cast<int32_t>(std::sqrt(static_cast<double>(power(k))) * 16);
    float& state = decay_state_[idx];
    switch (decay_mode_) {
      case dmStepUp:
        state *= decay_factor_;
        if (static_cast<float>(m) >= state) {
          state = static_cast<float>(m);
          values_[idx] = m;
        } else {
          values_[idx] = static_cast<int32_t>(state);
        }
        break;
      case dmExponential:
        state = state * decay_factor_ + (1 - decay_factor_) * static_cast<float>(m);
        values_[idx] = static_cast<int32_t>(std::floor(state));
        break;
      case dmUniform:
        uniform_sum_[idx] += m - history[idx];
        history[idx] = m;
        values_[idx] = uniform_sum_[idx] / ring_count_;
        break;
      default:
        values_[idx] = m;
        break;
    }
  }
}

void TMMSpectrum::ClearHistory() {
  ring_index_ = 0;
  ring_count_ = 0;
  std::fill(decay_state_.begin(), decay_state_.end(), 0.0f);
  std::fill(uniform_sum_.begin(), uniform_sum_.end(), 0);
  std::fill(history_.begin(), history_.end(), 0);
}

void TMMSpectrum::ResetData() {
  EndReadout();
  {
    Lock lock(DisplayLock());
    Reset();
  }
  Invalidate();
}

void TMMSpectrum::GainOverflow() {
  if (OnGainOverflow) OnGainOverflow(this);
}

void TMMSpectrum::PcmOverflow() {
  if (OnPcmOverflow) OnPcmOverflow(this);
}

// ---- amplitude tables and frequency map ----

void TMMSpectrum::BuildAmpTables() {
  if (Loading()) return;
  const int32_t steps = gain_ / 2;
  const bool three_db = gain_ % 2 == 1;
  const double sr = sample_rate_;
  const double ref = ref_freq_;
  const int32_t n = fft_length_;
  const double span = (kLogTop - kLogBottom) * 10;
  if (log_amp_) {
    pixels_per_unit_ = static_cast<float>(height_ / (span * kUnitsPerDb));
    int32_t shift = 0;
    while (static_cast<double>(pixels_per_unit_) * std::ldexp(1.0, shift) < 4096) ++shift;
    amp_shift_ = shift;
    const int32_t factor = static_cast<int32_t>(
        std::floor(static_cast<double>(pixels_per_unit_) * std::ldexp(1.0, shift) + 0.5));
    std::fill(amp_factors_.begin(), amp_factors_.end(), factor);
    double base = 20 * std::log10(32768.0) - 10 * kLogTop;
    base -= steps * 20 * std::log10(sr / (2 * std::numbers::pi * ref));
    for (int32_t k = 0; k < kMaxBins; ++k) {
      double offset = base * kUnitsPerDb + 0.5;
      if (three_db) offset -= 10 * std::log10(((k + 1) * sr / n) / ref) * kUnitsPerDb;
      log_offsets_[static_cast<size_t>(k)] = SaturateToInt(std::floor(offset));
    }
    return;
  }
  double f = height_ / (static_cast<double>(vertical_factor_) * 32768 * std::sqrt(ref));
  int32_t shift = 4;
  if (steps == 1) f *= sr / (2 * std::numbers::pi * ref);
  if (steps == 2) f *= sr * sr / (4 * std::numbers::pi * std::numbers::pi * ref * ref);
  if (!three_db) {
    f *= std::sqrt(ref);
    while (f < 4096) {
      f *= 2;
      ++shift;
    }
  } else {
    while (std::sqrt(sr / 2) * f < 4096) {
      f *= 2;
      ++shift;
    }
  }
  amp_shift_ = shift;
  for (int32_t i = 0; i < width_; ++i) {
    const int32_t first = first_bins_[static_cast<size_t>(i)];
    int32_t factor = 0;
    if (first != -1)
      factor = three_db ? SaturateToInt(std::nearbyint(std::sqrt((first + 1) * sr / n) * f + 0.5))
                        : SaturateToInt(std::floor(f + 0.5));
    amp_factors_[static_cast<size_t>(i)] = factor;
  }
}

void TMMSpectrum::BuildFreqMap() {
  if (Loading()) return;
  const int32_t n = fft_length_;
  const int32_t bins = n / 2;
  const double sr = sample_rate_;
  frequency_scale_ = std::clamp(frequency_scale_, 1.0f, 16.0f);
  const double fs = frequency_scale_;
  if (log_freq_) {
    const double hi = (sr / 2) / std::pow(bins, 1 / fs);
    start_freq_ = static_cast<float>(std::max(sr / n, std::min<double>(start_freq_, hi)));
  } else {
    start_freq_ = std::max(start_freq_, 0.0f);
    if (start_freq_ + sr / (2 * fs) > sr / 2) start_freq_ = static_cast<float>(sr / 2 - sr / (2 * fs));
  }
  std::fill(first_bins_.begin(), first_bins_.end(), -1);
  std::fill(end_bins_.begin(), end_bins_.end(), 0);
  if (OnGetXScale) {
    OnGetXScale(this, first_bins_.data(), end_bins_.data());
    // The handler may write anything; the heights index the bins with them.
    for (int32_t i = 0; i < width_; ++i) {
      int32_t& first = first_bins_[static_cast<size_t>(i)];
      int32_t& end = end_bins_[static_cast<size_t>(i)];
      first = std::clamp(first, -1, bins - 1);
      end = std::clamp(end, 0, bins);
      if (first == -1) end = 0;
    }
  } else {
    const double start = start_freq_;
    const double w = width_;
    for (int32_t i = 0; i <= width_; ++i) {
      double b;
      if (log_freq_)
        b = std::floor(std::pow((n + 1) / 2.0, (i - 0.45) / (w * fs)) * n * start / sr + 0.51) - 1;
      else
        b = std::floor(i * static_cast<double>(n) / (2 * w * fs) + start * n / sr + 0.01);
      const int32_t bin = std::clamp(SaturateToInt(b), 0, bins - 1);
      if (i < width_) first_bins_[static_cast<size_t>(i)] = bin;
      if (i > 0) end_bins_[static_cast<size_t>(i - 1)] = bin;
    }
    for (int32_t i = 0; i < width_; ++i)
      if (end_bins_[static_cast<size_t>(i)] <= first_bins_[static_cast<size_t>(i)] + 1)
        end_bins_[static_cast<size_t>(i)] = 0;
  }
  for (int32_t i = width_ - 1; i >= 1; --i) {
    if (first_bins_[static_cast<size_t>(i)] == first_bins_[static_cast<size_t>(i - 1)]) {
      first_bins_[static_cast<size_t>(i)] = -1;
      end_bins_[static_cast<size_t>(i)] = 0;
    }
  }
  BuildAmpTables();
  RedrawTemplate();
  if (DesignMode())
    Invalidate();
  else if (draw_freq_scale_)
    DrawNow([this](void*) { PaintFreqScale(); }, nullptr);
}

// ---- heights and peaks ----

void TMMSpectrum::ComputeHeights() {
  highest_height_ = 0;
  highest_bin_ = 0;
  const bool decayed_log = decay_mode_ != dmNone && log_amp_;
  size_t r = 0;
  for (int32_t i = 0; i < width_; ++i) {
    const int32_t first = first_bins_[static_cast<size_t>(i)];
    if (first == -1) continue;
    int32_t next = i + 1;
    while (next < width_ && first_bins_[static_cast<size_t>(next)] == -1) ++next;
    const int32_t end_bin = end_bins_[static_cast<size_t>(i)];
    const int32_t last_bin = end_bin == 0 ? first + 1 : end_bin;
    int64_t height = 0;
    if (decayed_log) {
      // Loaded or averaged values may be anything: 64 bits and a clamp.
      int64_t v = static_cast<int64_t>(values_[static_cast<size_t>(first)] * 2.1);
      int32_t peak_bin = first;
      for (int32_t b = first; b < last_bin; ++b)
        if (values_[static_cast<size_t>(b)] > v) {
          v = values_[static_cast<size_t>(b)];
          peak_bin = b;
        }
      if (v > 0) {
        const double h = (std::log(v / 16.0) * 2 * kLogUnits - log_offsets_[static_cast<size_t>(peak_bin)]) *
                         pixels_per_unit_;
        height = SaturateToInt(std::trunc(h));
      }
    } else {
      int64_t v = values_[static_cast<size_t>(first)];
      for (int32_t b = first + 1; b < last_bin; ++b)
        v = std::max<int64_t>(v, values_[static_cast<size_t>(b)]);
      // A 64-bit product: the loudest bins pass 2^31 with a 32-bit one.
      if (v > 0) height = (v * amp_factors_[static_cast<size_t>(i)]) >> amp_shift_;
    }
    TColumnRecord& rec = records_[r++];
    rec.First = i;
    rec.End = next;
    rec.Height = std::max(SaturateToInt(height), 0);
    if (rec.Height > highest_height_) {
      highest_height_ = rec.Height;
      highest_bin_ = first;
      highest_column_ = i;
    }
    if (rec.Height >= height_) GainOverflow();
  }
  records_[r].First = -1;
}

void TMMSpectrum::HoldPeak(TColumnRecord& record, int32_t level) const {
  if (level >= record.Peak && level >= 1) {
    record.Peak = level;
    record.Counter = peak_delay_ * 2 + 1;
  }
}

void TMMSpectrum::ClearPeaks() {
  for (TColumnRecord& r : records_) {
    r.Peak = 0;
    r.Counter = 0;
  }
}

void TMMSpectrum::GetPeak(TMMSpectrumPeak& peak) {
  Lock lock(DisplayLock());
  const int32_t b = highest_bin_;
  const int32_t n = fft_length_;
  const double sr = sample_rate_;
  double amp;
  if (decay_mode_ != dmNone) {
    amp = values_[static_cast<size_t>(b)] / 16.0;
  } else {
    const double re = fft_out_[static_cast<size_t>(2 * b)];
    const double im = fft_out_[static_cast<size_t>(2 * b + 1)];
    amp = std::sqrt(re * re + im * im);
  }
  amp /= 32768;
  if (gain_ % 2 == 1) amp *= std::sqrt(((b + 1) * sr / n) / ref_freq_);
  for (int32_t s = 0; s < gain_ / 2; ++s) amp *= sr / (2 * std::numbers::pi * ref_freq_);
  if (amp == 0 || highest_height_ < 1) {
    peak_.Frequency = 0;
    peak_.Amplitude = 0;
    peak_.Level = -100;
  } else {
    peak_.Amplitude = static_cast<float>(amp);
    peak_.Level = static_cast<float>(20 * std::log10(amp));
    if (!log_freq_)
      peak_.Frequency = static_cast<float>((b + 0.5) * sr / n);
    else
      peak_.Frequency = static_cast<float>((b < 2 ? b + 0.25 : b) * sr / n);
  }
  peak_.Height = highest_height_;
  peak_.Bin = b;
  peak_.Column = highest_column_;
  peak = peak_;
}

// ---- reset ----

void TMMSpectrum::RequestReset() {
  // Requests wait while loading and do not nest for this spectrum; another
  // spectrum's reset running elsewhere does not matter.
  if (Loading() || resetting_) return;
  resetting_ = true;
  try {
    Reset();
  } catch (...) {
    resetting_ = false;
    throw;
  }
  resetting_ = false;
}

void TMMSpectrum::Reset() {
  std::fill(values_.begin(), values_.end(), 0);
  std::fill(fft_out_.begin(), fft_out_.end(), 0);
  for (TColumnRecord& r : records_) r = TColumnRecord{r.First, r.End, 0, 0, 0};
  highest_height_ = 0;
  highest_bin_ = 0;
  highest_column_ = 0;
  peak_ = TMMSpectrumPeak{};
  peak_label_.clear();
  ClearHistory();
  peak_timer_.ClearMissed();
  if (!Enabled()) return;
  if (OnNeedData) {
    OnNeedData(this);
  } else if (DesignMode()) {
    std::minstd_rand random(static_cast<uint32_t>(fft_length_));
    for (int32_t& v : values_) v = static_cast<int32_t>(random() % 32767);
  }
}

// ---- layout ----

void TMMSpectrum::ApplyMinimumSize() {
  int w = Width();
  int h = Height();
  const int be = BevelExtent();
  const int min_w = 2 * be + (draw_amp_scale_ ? 69 : 5);
  const int min_h = 2 * be + (draw_freq_scale_ ? 45 : 5);
  if (w < min_w || h < min_h)
    SetBounds(Left(), Top(), std::max(w, min_w), std::max(h, min_h));
  else
    Changed();
}

void TMMSpectrum::SetBounds(int left, int top, int width, int height) {
  const int be = BevelExtent();
  width = std::max(width, 2 * be + (draw_amp_scale_ ? 69 : 5));
  height = std::max(height, 2 * be + (draw_freq_scale_ ? 45 : 5));
  {
    Lock lock(DisplayLock());
    inherited::SetBounds(left, top, width, height);
  }
  // The base constructor sizes the control before the buffers exist.
  if (template_) Changed();
}

void TMMSpectrum::Changed() {
  if (!template_) return;
  // The tick reads the column records: it stops before the display lock is
  // taken, never while it is held.
  peak_timer_.Hold();
  try {
    Lock lock(DisplayLock());
    vcl::TRect r = vcl::Rect(0, 0, Width(), Height());
    if (draw_amp_scale_) {
      r.left += kAmpScaleWidth;
      r.right -= kAmpScaleWidth;
    }
    if (draw_freq_scale_) r.bottom -= kFreqScaleHeight;
    const int be = BevelExtent();
    r = vcl::Rect(r.left + be, r.top + be, r.right - be, r.bottom - be);
    draw_rect_ = r;
    width_ = std::max<int32_t>(r.right - r.left, 4);
    height_ = std::max<int32_t>(r.bottom - r.top, 4);
    first_bins_.assign(static_cast<size_t>(width_) + 10, -1);
    end_bins_.assign(static_cast<size_t>(width_) + 10, 0);
    amp_factors_.assign(static_cast<size_t>(width_), 0);
    records_.assign(static_cast<size_t>(width_) + 1, TColumnRecord{});
    DIBCanvas()->SetBounds(0, 0, width_, height_);
    template_->SetBounds(0, 0, width_, height_);
    CalcSpots();
    UpdateBytesPerRefresh();
    BuildFreqMap();
    RequestReset();
  } catch (...) {
    peak_timer_.Resume();
    throw;
  }
  peak_timer_.Resume();
  inherited::Changed();
}

void TMMSpectrum::CalcSpots() {
  spot_height_ = std::max(spot_height_, 1);
  pitch_ = spot_height_ + spot_space_;
  num_spots_ = std::max((height_ + spot_space_) / pitch_, 1);
  bottom_offset_ = (height_ - (num_spots_ * pitch_ - spot_space_)) / 2;
  baseline_ = kind_ == skScroll ? height_ - height_ / 3 : 1;
  for (int z = 0; z < 2; ++z) {
    const int32_t p = points_[static_cast<size_t>(z)];
    double v;
    switch (kind_) {
      case skDots:
        v = height_ - p * height_ / 100.0;
        break;
      case skBars:
      case skPeaks:
        v = p * num_spots_ / 100.0;
        break;
      case skScroll:
        v = p * height_ / 3.0 / 100.0;
        break;
      default:
        v = p * height_ / 100.0;
        break;
    }
    (z == 0 ? zone1_ : zone2_) = static_cast<int32_t>(std::nearbyint(v));
  }
  ClearPeaks();
  RedrawTemplate();
  RequestReset();
}

void TMMSpectrum::SetBitsPerPixel(int32_t value) {
  Lock lock(DisplayLock());
  if (value == BitsPerPixel()) return;
  inherited::SetBitsPerPixel(value);
  template_->SetBitsPerPixel(value);
  RedrawTemplate();
  Invalidate();
}

void TMMSpectrum::Loaded() {
  inherited::Loaded();
  {
    Lock lock(DisplayLock());
    BuildFreqMap();
    RequestReset();
  }
  Invalidate();
}

void TMMSpectrum::CMColorChanged(vcl::TMessage& message) {
  {
    Lock lock(DisplayLock());
    RedrawTemplate();
  }
  inherited::CMColorChanged(message);
}

// ---- writers ----

void TMMSpectrum::SetEnabled(bool value) {
  if (value == Enabled()) return;
  if (!value) EndReadout();
  {
    Lock lock(DisplayLock());
    inherited::SetEnabled(value);
  }
  peak_timer_.Update();
  Invalidate();
}

void TMMSpectrum::SetDrawFreqScale(bool value) {
  if (value == draw_freq_scale_) return;
  draw_freq_scale_ = value;
  ApplyMinimumSize();
  Invalidate();
}

void TMMSpectrum::SetDrawAmpScale(bool value) {
  if (value == draw_amp_scale_) return;
  draw_amp_scale_ = value;
  ApplyMinimumSize();
  Invalidate();
}

void TMMSpectrum::SetDrawGrid(bool value) {
  if (value == draw_grid_) return;
  draw_grid_ = value;
  Invalidate();
}

void TMMSpectrum::SetSpace(int32_t value) {
  if (value < 0 || value > 5 || value == space_) return;
  {
    Lock lock(DisplayLock());
    space_ = value;
    ClearPeaks();
    RedrawTemplate();
  }
  Invalidate();
}

void TMMSpectrum::SetSpotSpace(int32_t value) {
  if (value < 0 || value > 10 || value == spot_space_) return;
  {
    Lock lock(DisplayLock());
    spot_space_ = value;
    CalcSpots();
  }
  Invalidate();
}

void TMMSpectrum::SetSpotHeight(int32_t value) {
  {
    Lock lock(DisplayLock());
    if (value < 1 || value > height_ / 3 || value == spot_height_) return;
    spot_height_ = value;
    CalcSpots();
  }
  Invalidate();
}

void TMMSpectrum::SetColorAt(int index, vcl::TColor value) {
  if (value == colors_[static_cast<size_t>(index)]) return;
  {
    Lock lock(DisplayLock());
    colors_[static_cast<size_t>(index)] = value;
    RedrawTemplate();
  }
  Invalidate();
}

void TMMSpectrum::SetPointAt(int index, int32_t value) {
  if (value < 1 || value > 100 || value == points_[static_cast<size_t>(index)]) return;
  {
    Lock lock(DisplayLock());
    points_[static_cast<size_t>(index)] = value;
    CalcSpots();
  }
  Invalidate();
}

void TMMSpectrum::SetDrawInactive(bool value) {
  if (value == draw_inactive_) return;
  draw_inactive_ = value;
  Invalidate();
}

void TMMSpectrum::SetInactiveDoted(bool value) {
  if (value == inactive_doted_) return;
  {
    Lock lock(DisplayLock());
    inactive_doted_ = value;
    RedrawTemplate();
  }
  Invalidate();
}

void TMMSpectrum::SetActiveDoted(bool value) {
  if (value == active_doted_) return;
  active_doted_ = value;
  Invalidate();
}

void TMMSpectrum::SetMode(TMMMode value) {
  if (value == mode_) return;
  {
    Lock lock(DisplayLock());
    mode_ = value;
    UpdateBytesPerRefresh();
  }
  Invalidate();
}

void TMMSpectrum::SetBitLength(TMMBits value) {
  if (value == bit_length_) return;
  {
    Lock lock(DisplayLock());
    bit_length_ = value;
    UpdateBytesPerRefresh();
  }
  Invalidate();
}

void TMMSpectrum::SetChannel(TMMChannel value) {
  if (value == channel_) return;
  {
    Lock lock(DisplayLock());
    channel_ = value;
    UpdateBytesPerRefresh();
  }
  Invalidate();
}

void TMMSpectrum::SetSampleRate(int32_t value) {
  // Compared before the clamp: 4000 over 8000 still rebuilds and resets.
  if (value == sample_rate_) return;
  {
    Lock lock(DisplayLock());
    sample_rate_ = std::clamp(value, 8000, 100000);
    BuildFreqMap();
    RequestReset();
  }
  Invalidate();
}

void TMMSpectrum::SetRefFreq(int32_t value) {
  value = std::clamp(value, 1, 44100);
  if (value == ref_freq_) return;
  {
    Lock lock(DisplayLock());
    ref_freq_ = value;
    BuildAmpTables();
    ClearPeaks();
  }
  Invalidate();
}

void TMMSpectrum::SetGain(TMMSpectrumGain value) {
  if (value == gain_ || value > sg12db) return;
  {
    Lock lock(DisplayLock());
    gain_ = value;
    BuildAmpTables();
    ClearPeaks();
  }
  Invalidate();
}

void TMMSpectrum::SetFFTLength(int32_t value) {
  int32_t order;
  value = PowerOfTwoBelow(std::clamp(value, 8, kMaxFFTLength), order);
  if (value == fft_length_) return;
  {
    Lock lock(DisplayLock());
    engine::PMMFFTObject fft = engine::CreateFFT(order);
    engine::FreeFFT(fft_);
    fft_ = fft;
    fft_length_ = value;
    engine::BuildFFTWindowTable(window_table_.data(), window_, order);
    BuildFreqMap();
    UpdateBytesPerRefresh();
    RequestReset();
  }
  Invalidate();
}

void TMMSpectrum::SetLogFreq(bool value) {
  if (value == log_freq_) return;
  {
    Lock lock(DisplayLock());
    log_freq_ = value;
    BuildFreqMap();
    RequestReset();
  }
  Invalidate();
}

void TMMSpectrum::SetLogAmp(bool value) {
  if (value == log_amp_) return;
  {
    Lock lock(DisplayLock());
    log_amp_ = value;
    BuildAmpTables();
    RequestReset();
  }
  Invalidate();
}

void TMMSpectrum::SetKind(TMMSpectrumKind value) {
  if (value == kind_ || value > skScroll) return;
  {
    Lock lock(DisplayLock());
    kind_ = value;
    CalcSpots();
  }
  Invalidate();
}

void TMMSpectrum::SetWindow(engine::TMMFFTWindow value) {
  if (value == window_) return;
  Lock lock(DisplayLock());
  window_ = value;
  int32_t order;
  PowerOfTwoBelow(fft_length_, order);
  engine::BuildFFTWindowTable(window_table_.data(), window_, order);
}

void TMMSpectrum::SetDecayMode(TMMDecayMode value) {
  if (value == decay_mode_) return;
  Lock lock(DisplayLock());
  decay_mode_ = value;
  ClearHistory();
}

void TMMSpectrum::SetDecay(int32_t value) {
  value = std::clamp(value, 1, 16);
  if (value == decay_) return;
  Lock lock(DisplayLock());
  decay_ = value;
  decay_factor_ = static_cast<float>(DecayFactorOf(value));
  uniform_length_ = UniformDecayLength(value);
  if (decay_mode_ == dmUniform) ClearHistory();
}

int32_t TMMSpectrum::VerticalScale() const {
  return static_cast<int32_t>(std::lround(vertical_factor_ / 0.01));
}

void TMMSpectrum::SetVerticalScale(int32_t value) {
  value = std::clamp(value, 1, 500);
  if (value == VerticalScale()) return;
  {
    Lock lock(DisplayLock());
    vertical_factor_ = static_cast<float>(value * 0.01);
    BuildAmpTables();
    ClearPeaks();
  }
  Invalidate();
}

void TMMSpectrum::SetFrequencyScale(int32_t value) {
  int32_t order;
  value = PowerOfTwoBelow(std::clamp(value, 1, 16), order);
  if (value == FrequencyScale()) return;
  {
    Lock lock(DisplayLock());
    frequency_scale_ = static_cast<float>(value);
    BuildFreqMap();
    RequestReset();
  }
  Invalidate();
}

void TMMSpectrum::SetNumPeaks(int32_t value) {
  if (value < 0 || value > 5 || value == num_peaks_) return;
  {
    Lock lock(DisplayLock());
    num_peaks_ = value;
    ClearPeaks();
  }
  peak_timer_.Update();
  Invalidate();
}

void TMMSpectrum::SetPeakDelay(int32_t value) {
  if (value < 0 || value > 50 || value == peak_delay_) return;
  {
    Lock lock(DisplayLock());
    peak_delay_ = value;
    ClearPeaks();
  }
  Invalidate();
}

void TMMSpectrum::SetPeakSpeed(int32_t value) {
  if (value < 0 || value > 50 || value == peak_speed_) return;
  {
    Lock lock(DisplayLock());
    peak_speed_ = value;
    ClearPeaks();
  }
  Invalidate();
}

void TMMSpectrum::SetDisplayPeak(bool value) {
  if (value == display_peak_) return;
  display_peak_ = value;
  Invalidate();
}

// ---- reads ----

std::string TMMSpectrum::PeakLabel() const {
  Lock lock(DisplayLock());
  return peak_label_;
}

int32_t TMMSpectrum::DisplayValue(int32_t k) const {
  Lock lock(DisplayLock());
  return values_.at(static_cast<size_t>(k));
}

void TMMSpectrum::SetDisplayValue(int32_t k, int32_t value) {
  Lock lock(DisplayLock());
  values_.at(static_cast<size_t>(k)) = value;
}

int32_t TMMSpectrum::CopyDisplayValues(std::span<int32_t> out) const {
  Lock lock(DisplayLock());
  const auto n = std::min(out.size(), static_cast<size_t>(fft_length_ / 2));
  std::copy_n(values_.begin(), n, out.begin());
  return static_cast<int32_t>(n);
}

void TMMSpectrum::DrawValues() {
  // The display lock before the canvas lock, as every other pass takes them.
  Lock lock(DisplayLock());
  DrawNow([this](void*) { DrawSpectrum(false); }, nullptr);
}

std::array<int16_t, 2> TMMSpectrum::FFTBin(int32_t k) const {
  Lock lock(DisplayLock());
  return {fft_out_.at(static_cast<size_t>(2 * k)), fft_out_.at(static_cast<size_t>(2 * k + 1))};
}

int32_t TMMSpectrum::FirstBin(int32_t column) const {
  Lock lock(DisplayLock());
  return first_bins_.at(static_cast<size_t>(column));
}

int32_t TMMSpectrum::EndBin(int32_t column) const {
  Lock lock(DisplayLock());
  return end_bins_.at(static_cast<size_t>(column));
}

int32_t TMMSpectrum::AmpFactor(int32_t column) const {
  Lock lock(DisplayLock());
  return amp_factors_.at(static_cast<size_t>(column));
}

int32_t TMMSpectrum::LogOffset(int32_t k) const {
  Lock lock(DisplayLock());
  return log_offsets_.at(static_cast<size_t>(k));
}

std::vector<TMMSpectrum::TColumnRecord> TMMSpectrum::ColumnRecords() const {
  Lock lock(DisplayLock());
  std::vector<TColumnRecord> out;
  for (const TColumnRecord& r : records_) {
    if (r.First == -1 || static_cast<int32_t>(out.size()) >= width_) break;
    out.push_back(r);
  }
  return out;
}

// ---- value files ----

bool TMMSpectrum::SaveToFile(const std::string& file_name) {
  std::string text;
  {
    Lock lock(DisplayLock());
    for (int32_t i = 0; i < fft_length_ / 2; ++i) {
      text += std::to_string(values_[static_cast<size_t>(i)]);
      text += "\r\n";
    }
  }
  try {
    vcl::TFileStream file(file_name, vcl::fmCreate);
    file.WriteBuffer(text.data(), static_cast<int64_t>(text.size()));
    return true;
  } catch (const vcl::Exception&) {
    // The file cannot be created or written: the caller hears of it too.
    plat::MessageBoxA(nullptr, "sp 484", "code", plat::MB_OK | plat::MB_ICONERROR);
    return false;
  }
}

void TMMSpectrum::LoadFromFile(const std::string& file_name) {
  // A pipe would wait for a writer and a device may never end: only regular
  // files are read, and of them no more than the lines in use can take.
  constexpr int64_t kMaxLineBytes = 64;
  std::error_code error;
  if (!std::filesystem::is_regular_file(plat::ResolvePath(file_name), error)) return;
  std::string text;
  try {
    vcl::TFileStream file(file_name, vcl::fmOpenRead | vcl::fmShareDenyNone);
    const int64_t size =
        std::min(file.Seek(0, vcl::soFromEnd), static_cast<int64_t>(fft_length_ / 2 + 1) * kMaxLineBytes);
    file.Seek(0, vcl::soFromBeginning);
    text.resize(static_cast<size_t>(size));
    file.ReadBuffer(text.data(), size);
  } catch (const vcl::Exception&) {
    // A missing or unreadable file changes nothing, as stored spectra may
    // simply not exist yet.
    return;
  }
  bool bad = false;
  {
    Lock lock(DisplayLock());
    size_t pos = 0;
    for (int32_t i = 0; i < fft_length_ / 2 && pos < text.size(); ++i) {
      size_t eol = text.find('\n', pos);
      if (eol == std::string::npos) eol = text.size();
      std::string line = text.substr(pos, eol - pos);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      pos = eol + 1;
      int value;
      if (!vcl::TryStrToInt(line, value)) {
        bad = true;
        break;
      }
      values_[static_cast<size_t>(i)] = value;
    }
  }
  if (bad) plat::MessageBoxA(nullptr, "sp 5039", "code", plat::MB_OK | plat::MB_ICONERROR);
}

// ---- published table ----

VCL_IMPLEMENT_CLASS(
    TMMSpectrum,
    EnumProp("Align", &TMMSpectrum::Align, &TMMSpectrum::SetAlign,
             {"alNone", "alTop", "alBottom", "alLeft", "alRight", "alClient"})
        .Default(vcl::alNone),
    ObjProp("Bevel", &TMMSpectrum::Bevel, &TMMSpectrum::SetBevel),
    ObjProp("BackGroundDIB", &TMMSpectrum::BackGroundDIB, &TMMSpectrum::SetBackGroundDIB),
    BoolProp("UseBackGroundDIB", &TMMSpectrum::UseBackGroundDIB, &TMMSpectrum::SetUseBackGroundDIB)
        .Default(false),
    BoolProp("PaletteRealize", &TMMSpectrum::PaletteRealize, &TMMSpectrum::SetPaletteRealize).Default(false),
    ColorProp("Color", &TMMSpectrum::Color, &TMMSpectrum::SetColor)
        .Default(vcl::clBlack)
        .Stored(&TMMSpectrum::IsColorStored),
    IntProp("Cursor", &TMMSpectrum::Cursor, &TMMSpectrum::SetCursor).Default(-3).Idents(vcl::CursorIdents()),
    BoolProp("ParentShowHint", &TMMSpectrum::ParentShowHint, &TMMSpectrum::SetParentShowHint).Default(true),
    BoolProp("ParentColor", &TMMSpectrum::ParentColor, &TMMSpectrum::SetParentColor).Default(false),
    RefProp("PopupMenu", &TMMSpectrum::PopupMenu, &TMMSpectrum::SetPopupMenu),
    BoolProp("Visible", &TMMSpectrum::Visible, &TMMSpectrum::SetVisible).Default(true),
    BoolProp("ShowHint", &TMMSpectrum::ShowHint, &TMMSpectrum::SetShowHint)
        .Default(false)
        .Stored(&TMMSpectrum::IsShowHintStored),
    IntProp("Height", &TMMSpectrum::Height, &TMMSpectrum::SetHeight).Default(89),
    IntProp("Width", &TMMSpectrum::Width, &TMMSpectrum::SetWidth).Default(194),
    BoolProp("ShowInfo", &TMMSpectrum::ShowInfo, &TMMSpectrum::SetShowInfo).Default(true),
    BoolProp("Enabled", &TMMSpectrum::Enabled, &TMMSpectrum::SetEnabled).Default(true),
    BoolProp("DrawFreqScale", &TMMSpectrum::DrawFreqScale, &TMMSpectrum::SetDrawFreqScale).Default(false),
    BoolProp("DrawAmpScale", &TMMSpectrum::DrawAmpScale, &TMMSpectrum::SetDrawAmpScale).Default(false),
    BoolProp("DrawGrid", &TMMSpectrum::DrawGrid, &TMMSpectrum::SetDrawGrid).Default(false),
    IntProp("Space", &TMMSpectrum::Space, &TMMSpectrum::SetSpace).Default(1),
    IntProp("SpotSpace", &TMMSpectrum::SpotSpace, &TMMSpectrum::SetSpotSpace).Default(1),
    IntProp("SpotHeight", &TMMSpectrum::SpotHeight, &TMMSpectrum::SetSpotHeight).Default(1),
    ColorProp("Bar1Color", &TMMSpectrum::Bar1Color, &TMMSpectrum::SetBar1Color).Default(vcl::clAqua),
    ColorProp("Bar2Color", &TMMSpectrum::Bar2Color, &TMMSpectrum::SetBar2Color).Default(vcl::clAqua),
    ColorProp("Bar3Color", &TMMSpectrum::Bar3Color, &TMMSpectrum::SetBar3Color).Default(vcl::clRed),
    ColorProp("Inactive1Color", &TMMSpectrum::Inactive1Color, &TMMSpectrum::SetInactive1Color)
        .Default(vcl::clTeal),
    ColorProp("Inactive2Color", &TMMSpectrum::Inactive2Color, &TMMSpectrum::SetInactive2Color)
        .Default(vcl::clTeal),
    ColorProp("Inactive3Color", &TMMSpectrum::Inactive3Color, &TMMSpectrum::SetInactive3Color)
        .Default(vcl::clMaroon),
    ColorProp("ScaleTextColor", &TMMSpectrum::ScaleTextColor, &TMMSpectrum::SetScaleTextColor)
        .Default(vcl::clBlack),
    ColorProp("ScaleLineColor", &TMMSpectrum::ScaleLineColor, &TMMSpectrum::SetScaleLineColor)
        .Default(vcl::clBlack),
    ColorProp("GridColor", &TMMSpectrum::GridColor, &TMMSpectrum::SetGridColor).Default(vcl::clGray),
    IntProp("Point1", &TMMSpectrum::Point1, &TMMSpectrum::SetPoint1).Default(50),
    IntProp("Point2", &TMMSpectrum::Point2, &TMMSpectrum::SetPoint2).Default(85),
    BoolProp("DrawInactive", &TMMSpectrum::DrawInactive, &TMMSpectrum::SetDrawInactive).Default(true),
    BoolProp("InactiveDoted", &TMMSpectrum::InactiveDoted, &TMMSpectrum::SetInactiveDoted).Default(false),
    BoolProp("ActiveDoted", &TMMSpectrum::ActiveDoted, &TMMSpectrum::SetActiveDoted).Default(false),
    EnumProp("Mode", &TMMSpectrum::Mode, &TMMSpectrum::SetMode, {"mMono", "mStereo", "mMultiChannel"})
        .Default(engine::mMono),
    EnumProp("BitLength", &TMMSpectrum::BitLength, &TMMSpectrum::SetBitLength, {"b8Bit", "b16Bit"})
        .Default(engine::b8Bit),
    EnumProp("Channel", &TMMSpectrum::Channel, &TMMSpectrum::SetChannel, {"chBoth", "chLeft", "chRight"})
        .Default(engine::chBoth),
    IntProp("SampleRate", &TMMSpectrum::SampleRate, &TMMSpectrum::SetSampleRate).Default(11025),
    IntProp("RefFreq", &TMMSpectrum::RefFreq, &TMMSpectrum::SetRefFreq).Default(1000),
    EnumProp("Gain", &TMMSpectrum::Gain, &TMMSpectrum::SetGain,
             {"sgNone", "sg3db", "sg6db", "sg9db", "sg12db"})
        .Default(sgNone),
    IntProp("FFTLength", &TMMSpectrum::FFTLength, &TMMSpectrum::SetFFTLength).Default(128),
    BoolProp("LogFreq", &TMMSpectrum::LogFreq, &TMMSpectrum::SetLogFreq).Default(false),
    BoolProp("LogAmp", &TMMSpectrum::LogAmp, &TMMSpectrum::SetLogAmp).Default(false),
    EnumProp("Kind", &TMMSpectrum::Kind, &TMMSpectrum::SetKind,
             {"skDots", "skLines", "skVLines", "skBars", "skPeaks", "skScroll"})
        .Default(skBars),
    EnumProp("Window", &TMMSpectrum::Window, &TMMSpectrum::SetWindow,
             {"fwRectangular", "fwHamming", "fwHanning", "fwBlackman", "fwGaussian", "fwWelch", "fwParzen"})
        .Default(engine::fwHamming),
    EnumProp("DecayMode", &TMMSpectrum::DecayMode, &TMMSpectrum::SetDecayMode,
             {"dmNone", "dmStepUp", "dmExponential", "dmUniform"})
        .Default(dmNone),
    IntProp("Decay", &TMMSpectrum::Decay, &TMMSpectrum::SetDecay).Default(1),
    IntProp("VerticalScale", &TMMSpectrum::VerticalScale, &TMMSpectrum::SetVerticalScale).Default(100),
    IntProp("FrequencyScale", &TMMSpectrum::FrequencyScale, &TMMSpectrum::SetFrequencyScale).Default(1),
    IntProp("NumPeaks", &TMMSpectrum::NumPeaks, &TMMSpectrum::SetNumPeaks).Default(1),
    IntProp("PeakDelay", &TMMSpectrum::PeakDelay, &TMMSpectrum::SetPeakDelay).Default(20),
    IntProp("PeakSpeed", &TMMSpectrum::PeakSpeed, &TMMSpectrum::SetPeakSpeed).Default(0),
    BoolProp("DisplayPeak", &TMMSpectrum::DisplayPeak, &TMMSpectrum::SetDisplayPeak).Default(false),
    EventProp("OnGainOverflow", &TMMSpectrum::OnGainOverflow),
    EventProp("OnPcmOverflow", &TMMSpectrum::OnPcmOverflow),
    EventProp("OnNeedData", &TMMSpectrum::OnNeedData),
    EventProp("OnClearBackground", &TMMSpectrum::OnClearBackground),
    EventProp("OnGetXScale", &TMMSpectrum::OnGetXScale), EventProp("OnDrawBar", &TMMSpectrum::OnDrawBar),
    EventProp("OnClick", &TMMSpectrum::OnClick), EventProp("OnDblClick", &TMMSpectrum::OnDblClick),
    EventProp("OnMouseDown", &TMMSpectrum::OnMouseDown), EventProp("OnMouseMove", &TMMSpectrum::OnMouseMove),
    EventProp("OnMouseUp", &TMMSpectrum::OnMouseUp), EventProp("OnDragDrop", &TMMSpectrum::OnDragDrop),
    EventProp("OnDragOver", &TMMSpectrum::OnDragOver), EventProp("OnEndDrag", &TMMSpectrum::OnEndDrag),
    EventProp("OnStartDrag", &TMMSpectrum::OnStartDrag))

}  // namespace displays
