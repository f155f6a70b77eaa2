#include "engine/MMPeak.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include "engine/MMMulDiv.h"
#include "engine/MMObj.h"
#include "engine/MMPCMSup.h"
#include "engine/MMUtils.h"
#include "platform/vcl/TypInfo.h"

namespace engine {

namespace {

constexpr uint16_t kInvalidWaveFormatMessage = 62;
// The widest frame a valid PCM format has: four 16-bit channels.
constexpr int32_t kMaxFrameBytes = 8;

int16_t Load16(const uint8_t* p) {
  int16_t v;
  std::memcpy(&v, p, 2);
  return v;
}

// Windows the first `frames` frames into `values`, as integers scaled back
// by the sample's full scale.
template <int32_t kFullScale, typename Read>
void WindowFrames(const uint8_t* frame, int32_t frame_bytes, const int32_t* window, int32_t frames,
                  float* values, Read read) {
  for (int32_t i = 0; i < frames; ++i, frame += frame_bytes)
    values[i] = static_cast<float>(read(frame) * window[i] / kFullScale);
}

// The whole-number magnitude of a scaled bin: the whole part of its square
// root. The root in single precision can round up onto the next whole
// number; that one step back gives the whole part of the exact root, as a
// root in double precision would (checked for every float below 1e11).
int32_t Magnitude(float re, float im) {
  float p = re * re + im * im;
  if (!(p >= 0.0f)) p = 0.0f;
  int32_t m = static_cast<int32_t>(std::sqrt(p));
  if (static_cast<double>(m) * m > static_cast<double>(p)) --m;
  return m;
}

// Levels live in 16-bit fields; a full negative sample or a scaled level
// beyond full scale must read as full scale, not wrap.
int16_t SaturateLevel(int64_t level) {
  return static_cast<int16_t>(std::clamp<int64_t>(level, 0, std::numeric_limits<int16_t>::max()));
}

#if defined(__x86_64__)
#define QX_AVX2_FMA __attribute__((target("avx2,fma")))

// Eight bins per step, the same numbers as Magnitude: each square rounded,
// then their sum; a NaN read as 0; the truncated single-precision root; one
// step back where the root's square exceeds the sum, decided exactly by the
// fused multiply-subtract's sign (the whole number is exact in single
// precision below 2^24, and a fused result is zero only when exactly zero).
QX_AVX2_FMA int32_t RaiseBinMaximaAvx2(const float* values, int32_t bins, float scale, int32_t* maxima) {
  const __m256 s = _mm256_set1_ps(scale);
  const __m256 zero = _mm256_setzero_ps();
  int32_t k = 0;
  for (; k + 8 <= bins; k += 8) {
    const __m256 a = _mm256_mul_ps(_mm256_loadu_ps(values + 2 * k), s);
    const __m256 b = _mm256_mul_ps(_mm256_loadu_ps(values + 2 * k + 8), s);
    // Pairs summed within each 128-bit lane, then the lanes put in bin order.
    const __m256 sums = _mm256_hadd_ps(_mm256_mul_ps(a, a), _mm256_mul_ps(b, b));
    __m256 p = _mm256_castpd_ps(_mm256_permute4x64_pd(_mm256_castps_pd(sums), 0xD8));
    p = _mm256_max_ps(p, zero);
    __m256i m = _mm256_cvttps_epi32(_mm256_sqrt_ps(p));
    const __m256 mf = _mm256_cvtepi32_ps(m);
    const __m256 over = _mm256_cmp_ps(_mm256_fmsub_ps(mf, mf, p), zero, _CMP_GT_OQ);
    m = _mm256_add_epi32(m, _mm256_castps_si256(over));
    auto* out = reinterpret_cast<__m256i*>(maxima + k);
    _mm256_storeu_si256(out, _mm256_max_epi32(_mm256_loadu_si256(out), m));
  }
  return k;
}
#endif

}  // namespace

VCL_IMPLEMENT_CLASS(
    TMMPeakDetect, DSPInputProp(), DSPOutputProp(), EventProp("OnPeakReady", &TMMPeakDetect::OnPeakReady),
    BoolProp("Enabled", &TMMPeakDetect::Enabled, &TMMPeakDetect::SetEnabled).Default(true),
    IntProp("FFTLength", &TMMPeakDetect::FFTLength, &TMMPeakDetect::SetFFTLength).Default(128),
    EnumProp("Window", &TMMPeakDetect::Window, &TMMPeakDetect::SetWindow,
             {"fwRectangular", "fwHamming", "fwHanning", "fwBlackman", "fwGaussian", "fwWelch", "fwParzen"})
        .Default(fwHamming),
    EnumProp("Channel", &TMMPeakDetect::Channel, &TMMPeakDetect::SetChannel, {"chBoth", "chLeft", "chRight"})
        .Default(chBoth),
    BoolProp("DetectPeaks", &TMMPeakDetect::DetectPeaks, &TMMPeakDetect::SetDetectPeaks).Default(true))

TMMPeakDetect::TMMPeakDetect(vcl::TComponent* owner)
    : TMMDSPComponent(owner),
      block_(static_cast<size_t>(kMaxPeakFFTLength) * kMaxFrameBytes),
      values_(kMaxPeakFFTLength),
      window_table_(kMaxPeakFFTLength),
      short_window_(kMaxPeakFFTLength),
      bin_maxima_(kMaxPeakFFTLength / 2),
      published_maxima_(kMaxPeakFFTLength / 2) {
  SetFFTLength(128);
}

TMMPeakDetect::~TMMPeakDetect() {
  detector_opened_ = false;
  FreeFFT(fft_);
}

void TMMPeakDetect::SetFFTLength(int32_t value) {
  const int32_t length = static_cast<int32_t>(
      std::bit_floor(static_cast<uint32_t>(IntClamp(value, kMinPeakFFTLength, kMaxPeakFFTLength))));
  if (length == fft_length_) return;
  const int32_t order = std::countr_zero(static_cast<uint32_t>(length));
  // The new object first: should it fail, the detector keeps its old length.
  PMMFFTObject fft = CreateFFT(order);
  FreeFFT(fft_);
  fft_ = fft;
  fft_length_ = length;
  BuildFFTWindowTable(window_table_.data(), window_, order);
  short_window_frames_ = -1;
  ResetPeaks();
  PublishPeaks();
}

void TMMPeakDetect::SetWindow(TMMFFTWindow value) {
  if (value == window_) return;
  window_ = value;
  BuildFFTWindowTable(window_table_.data(), window_, std::countr_zero(static_cast<uint32_t>(fft_length_)));
  short_window_frames_ = -1;
  ResetPeaks();
  PublishPeaks();
}

void TMMPeakDetect::SetChannel(TMMChannel value) {
  if (value == channel_) return;
  channel_ = value;
  ResetPeaks();
  PublishPeaks();
}

void TMMPeakDetect::SetIntegrationCount(int32_t value) {
  integration_count_ = std::clamp(value, 1, kMaxIntegrationCount);
}

int32_t TMMPeakDetect::PeakValue(int32_t index) const {
  if (index < 0 || index >= BinCount()) return 0;
  return bin_maxima_[static_cast<size_t>(index)];
}

int32_t TMMPeakDetect::CopyPeakValues(std::span<int32_t> dest) const {
  std::lock_guard<std::mutex> guard(published_lock_);
  const size_t n = std::min(dest.size(), static_cast<size_t>(published_count_));
  std::copy_n(published_maxima_.begin(), n, dest.begin());
  return static_cast<int32_t>(n);
}

float TMMPeakDetect::BinWidth() const {
  const plat::WAVEFORMATEX* format = GetFormat();
  if (!format) return 0.0f;
  return static_cast<float>(format->nSamplesPerSec) / static_cast<float>(fft_length_);
}

int32_t TMMPeakDetect::FrequencyToBin(float frequency) const {
  const float width = BinWidth();
  if (width == 0.0f) RaiseDivByZero();
  const double bin = std::trunc(static_cast<double>(frequency / width));
  if (std::isnan(bin)) return 0;
  if (bin >= BinCount()) return BinCount();
  return bin < std::numeric_limits<int32_t>::min() ? std::numeric_limits<int32_t>::min()
                                                   : static_cast<int32_t>(bin);
}

void TMMPeakDetect::SetFormat(const plat::WAVEFORMATEX* format) {
  if (format) {
    if (!DesignMode() && !IsValidPCMFormat(format))
      throw EMMPeakError(LoadLibraryMessage(kInvalidWaveFormatMessage));
    dc_offset_ = format->wBitsPerSample == 8 ? 128 : 0;
    ResetPeaks();
    PublishPeaks();
  }
  inherited::SetFormat(format);
}

void TMMPeakDetect::Opened() {
  if (!detector_opened_ && IsValidPCMFormat(GetFormat())) detector_opened_ = true;
  inherited::Opened();
}

void TMMPeakDetect::Closed() {
  detector_opened_ = false;
  detector_started_ = false;
  inherited::Closed();
}

void TMMPeakDetect::Started() {
  if (detector_opened_ && !detector_started_) {
    ResetPeaks();
    PublishPeaks();
    detector_started_ = true;
  }
  inherited::Started();
}

void TMMPeakDetect::Stopped() {
  detector_started_ = false;
  inherited::Stopped();
}

void TMMPeakDetect::BufferReady(plat::WAVEHDR* lpwh) {
  if (lpwh) Analyse(lpwh->lpData, ValidBytes(lpwh));
  inherited::BufferReady(lpwh);
}

void TMMPeakDetect::BufferLoad(plat::WAVEHDR* lpwh, bool& more_buffers) {
  inherited::BufferLoad(lpwh, more_buffers);
  if (lpwh) Analyse(lpwh->lpData, ValidBytes(lpwh));
}

void TMMPeakDetect::ResetPeaks() {
  level_left_ = level_right_ = dc_offset_;
  std::fill_n(bin_maxima_.begin(), BinCount(), 0);
}

void TMMPeakDetect::PublishPeaks() {
  std::lock_guard<std::mutex> guard(published_lock_);
  published_count_ = BinCount();
  std::copy_n(bin_maxima_.begin(), published_count_, published_maxima_.begin());
}

int32_t TMMPeakDetect::FrameBytes() const {
  // From channels and width rather than the untested block align, so a
  // format with a wrong nBlockAlign cannot size a block beyond the buffer.
  const plat::WAVEFORMATEX* format = GetFormat();
  if (!format) return 0;
  return format->nChannels * (format->wBitsPerSample / 8);
}

int32_t TMMPeakDetect::BytesPerBlock() const { return fft_length_ * FrameBytes(); }

void TMMPeakDetect::Analyse(const char* data, int32_t size) {
  if (!detector_opened_ || !enabled_) return;
  ResetPeaks();
  // The format can go (an unlinked input) while the detector stays opened.
  if (!IsValidPCMFormat(GetFormat())) {
    PublishPeaks();
    return;
  }
  if (!data) size = 0;
  MeasureLevels(data, size);

  const int32_t block_bytes = BytesPerBlock();
  int32_t offset = 0;
  while (size > 0) {
    const int32_t n = std::min(size, block_bytes);
    std::memcpy(block_.data(), data + offset, static_cast<size_t>(n));
    // A short block is padded with silence, and windowed over the frames it
    // holds: the whole block's window would taper only their start and cut
    // them off hard, so a tone would leak far beyond its bins.
    const bool short_block = n < block_bytes;
    const int32_t frames = n / FrameBytes();
    offset += n;
    size -= n;
    AnalyseBlock(short_block ? ShortWindow(frames) : window_table_.data(), frames);
  }
  PublishPeaks();
}

void TMMPeakDetect::MeasureLevels(const char* data, int32_t size) {
  if (!detect_peaks_) {
    level_left_ = level_right_ = 0;
    return;
  }
  int16_t left_peak = 0;
  int16_t right_peak = 0;
  FindPeakSamples(GetFormat(), data, size, left_peak, right_peak);
  int32_t left = std::abs(static_cast<int32_t>(left_peak));
  int32_t right = std::abs(static_cast<int32_t>(right_peak));
  if (reference_minus18_) {
    left = ScaleLevel(left);
    right = ScaleLevel(right);
  }
  if (integration_) {
    // Counts outside the histories' range would read past them or divide by zero.
    const int32_t count = std::clamp(integration_count_.load(), 1, kMaxIntegrationCount);
    integration_fill_ = std::min(integration_fill_ + 1, count);
    left = Integrate(history_left_, left);
    right = Integrate(history_right_, right);
  }
  level_left_ = SaturateLevel(left);
  level_right_ = SaturateLevel(right);
}

int16_t TMMPeakDetect::ScaleLevel(int32_t level) const {
  float factor;
  switch (meter_scale_) {
    case 0:
      factor = 2.81765f;
      break;
    case 1:
      factor = reference_minus20_ ? 2.8174f : 2.2462f;
      break;
    case 2:
      factor = 2.8718f;
      break;
    case 3:
      factor = 2.8038f;
      break;
    default:
      return SaturateLevel(level);
  }
  const long double scaled = static_cast<long double>(level) * 0.707L * static_cast<long double>(factor);
  return SaturateLevel(static_cast<int64_t>(std::trunc(scaled)));
}

int32_t TMMPeakDetect::Integrate(std::array<int32_t, kMaxIntegrationCount + 1>& history,
                                 int32_t level) const {
  // Newest first; the whole history moves, so a larger count later still
  // averages real levels.
  std::copy_backward(history.begin(), history.end() - 1, history.end());
  history[0] = level;
  int64_t sum = 0;
  for (int32_t i = 0; i < integration_fill_; ++i) sum += history[static_cast<size_t>(i)];
  return static_cast<int32_t>(sum / integration_fill_);
}

const int32_t* TMMPeakDetect::ShortWindow(int32_t frames) {
  if (frames != short_window_frames_) {
    for (int32_t i = 0; i < frames; ++i)
      short_window_[static_cast<size_t>(i)] = static_cast<int32_t>(
          std::floor(static_cast<double>(FFTWindowValue(window_, i, frames)) * 32767 + 0.5));
    std::fill(short_window_.begin() + frames, short_window_.begin() + fft_length_, 0);
    short_window_frames_ = frames;
  }
  return short_window_.data();
}

void TMMPeakDetect::AnalyseBlock(const int32_t* window, int32_t frames) {
  const plat::WAVEFORMATEX* format = GetFormat();
  const bool eight_bit = format->wBitsPerSample == 8;
  const bool multi = format->nChannels > 1;
  const int32_t frame_bytes = FrameBytes();
  const int32_t length = fft_length_;
  const uint8_t* frame = block_.data();
  float* values = values_.data();

  // Multi-channel data is analysed from its first two channels, frame by
  // frame. The padding of a short block is silence under a window of zero.
  const TMMChannel channel = multi ? channel_ : chLeft;
  if (eight_bit) {
    if (channel == chLeft)
      WindowFrames<128>(frame, frame_bytes, window, frames, values,
                        [](const uint8_t* f) { return f[0] - 128; });
    else if (channel == chRight)
      WindowFrames<128>(frame, frame_bytes, window, frames, values,
                        [](const uint8_t* f) { return f[1] - 128; });
    else
      WindowFrames<128>(frame, frame_bytes, window, frames, values,
                        [](const uint8_t* f) { return ((f[0] + f[1]) >> 1) - 128; });
  } else {
    if (channel == chLeft)
      WindowFrames<32768>(frame, frame_bytes, window, frames, values,
                          [](const uint8_t* f) { return int32_t{Load16(f)}; });
    else if (channel == chRight)
      WindowFrames<32768>(frame, frame_bytes, window, frames, values,
                          [](const uint8_t* f) { return int32_t{Load16(f + 2)}; });
    else
      WindowFrames<32768>(frame, frame_bytes, window, frames, values,
                          [](const uint8_t* f) { return (Load16(f) + Load16(f + 2)) / 2; });
  }
  std::fill(values + frames, values + length, 0.0f);

  RealFFT(fft_, values, 1);

  const int32_t bins = length / 2;
  // The bin count is a power of two, so this scales exactly as a division would.
  const float scale = 1.0f / static_cast<float>(bins);
  int32_t* maxima = bin_maxima_.data();
  if (OnPeakReady) {
    for (int32_t k = 0; k < bins; ++k) {
      const int32_t magnitude = Magnitude(values[2 * k] * scale, values[2 * k + 1] * scale);
      OnPeakReady(this, k, magnitude);
      maxima[k] = std::max(maxima[k], magnitude);
    }
  } else {
    RaiseBinMaxima(values, bins, scale, maxima, true);
  }
}

bool RaiseBinMaxima(const float* values, int32_t bins, float scale, int32_t* maxima, bool wide) {
  int32_t k = 0;
#if defined(__x86_64__)
  static const bool have_avx2_fma = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
  }();
  wide = wide && have_avx2_fma;
  if (wide) k = RaiseBinMaximaAvx2(values, bins, scale, maxima);
#else
  wide = false;
#endif
  // Without a branch on the result, the square roots of neighbouring bins overlap.
  for (; k < bins; ++k)
    maxima[k] = std::max(maxima[k], Magnitude(values[2 * k] * scale, values[2 * k + 1] * scale));
  return wide;
}

}  // namespace engine
