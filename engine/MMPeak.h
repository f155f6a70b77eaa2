#pragma once
// The peak detector: a pass-through chain member that measures the peak level
// of each channel and the largest FFT magnitude of every bin in each buffer
// going by, and leaves the data untouched.
#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <span>
#include <vector>

#include "engine/MMDSPObj.h"
#include "engine/MMFFT.h"
#include "engine/MMTypes.h"

namespace engine {

class EMMPeakError : public vcl::Exception {
 public:
  using Exception::Exception;
};

// Called for every bin of every block, from the thread that delivers the buffer.
using TMMPeakEvent = std::function<void(vcl::TObject* sender, int32_t index, int32_t value)>;

constexpr int32_t kMinPeakFFTLength = 8;
constexpr int32_t kMaxPeakFFTLength = 32768;
constexpr int32_t kMaxIntegrationCount = 300;

// Raises maxima[k] to the whole-number magnitude of bin k of `values`
// (interleaved real and imaginary parts, each multiplied by `scale` first)
// for the first `bins` bins. With `wide`, runs eight bins at a time where the
// processor can; both ways give the same numbers. True when the wide way ran.
bool RaiseBinMaxima(const float* values, int32_t bins, float scale, int32_t* maxima, bool wide);

class TMMPeakDetect : public TMMDSPComponent {
  VCL_DECLARE_CLASS(TMMPeakDetect, TMMDSPComponent)
 public:
  explicit TMMPeakDetect(vcl::TComponent* owner);
  ~TMMPeakDetect() override;

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value) { enabled_ = value; }
  int32_t FFTLength() const { return fft_length_; }
  // Clamped to 8..32768 and rounded down to a power of two.
  void SetFFTLength(int32_t value);
  TMMFFTWindow Window() const { return window_; }
  void SetWindow(TMMFFTWindow value);
  TMMChannel Channel() const { return channel_; }
  void SetChannel(TMMChannel value);
  bool DetectPeaks() const { return detect_peaks_; }
  void SetDetectPeaks(bool value) { detect_peaks_ = value; }

  // The level settings and the levels are atomic: the application writes the
  // settings and reads the levels on the main thread while a device thread
  // measures.
  // Level scaling for a meter standard (0..7), applied with ReferenceMinus18.
  int32_t MeterScale() const { return meter_scale_.load(std::memory_order_relaxed); }
  void SetMeterScale(int32_t value) { meter_scale_.store(value, std::memory_order_relaxed); }
  bool ReferenceMinus18() const { return reference_minus18_.load(std::memory_order_relaxed); }
  void SetReferenceMinus18(bool value) { reference_minus18_.store(value, std::memory_order_relaxed); }
  bool ReferenceMinus20() const { return reference_minus20_.load(std::memory_order_relaxed); }
  void SetReferenceMinus20(bool value) { reference_minus20_.store(value, std::memory_order_relaxed); }
  // Levels averaged over the last IntegrationCount buffers.
  bool Integration() const { return integration_.load(std::memory_order_relaxed); }
  void SetIntegration(bool value) { integration_.store(value, std::memory_order_relaxed); }
  int32_t IntegrationCount() const { return integration_count_.load(std::memory_order_relaxed); }
  // Clamped to 1..300, the histories' length.
  void SetIntegrationCount(int32_t value);
  int32_t IntegrationFill() const { return integration_fill_; }

  // The levels of the last analysed buffer.
  int16_t LevelLeft() const { return level_left_.load(std::memory_order_relaxed); }
  int16_t LevelRight() const { return level_right_.load(std::memory_order_relaxed); }

  int32_t BinCount() const { return fft_length_ / 2; }
  // The largest magnitude of bin index over the last buffer; 0 outside the bins.
  // Live while a buffer is analysed: read it on the delivering thread only.
  int32_t PeakValue(int32_t index) const;
  // Copies the bin maxima of the last whole analysed buffer, as published
  // under the detector's lock, into dest; safe from any thread while buffers
  // arrive on another. Returns the bins copied (at most dest's size).
  int32_t CopyPeakValues(std::span<int32_t> dest) const;
  // Hertz per bin of the current format; 0 without one.
  float BinWidth() const;
  // Raises std::domain_error without a format (a bin width of 0).
  int32_t FrequencyToBin(float frequency) const;

  bool DetectorOpened() const { return detector_opened_; }
  bool DetectorStarted() const { return detector_started_; }

  TMMPeakEvent OnPeakReady;

  void SetFormat(const plat::WAVEFORMATEX* format) override;
  void Opened() override;
  void Closed() override;
  void Started() override;
  void Stopped() override;
  void BufferReady(plat::WAVEHDR* lpwh) override;
  void BufferLoad(plat::WAVEHDR* lpwh, bool& more_buffers) override;

 private:
  void ResetPeaks();
  // Makes the current maxima the ones CopyPeakValues gives.
  void PublishPeaks();
  int32_t FrameBytes() const;
  int32_t BytesPerBlock() const;
  void Analyse(const char* data, int32_t size);
  void MeasureLevels(const char* data, int32_t size);
  int16_t ScaleLevel(int32_t level) const;
  int32_t Integrate(std::array<int32_t, kMaxIntegrationCount + 1>& history, int32_t level) const;
  // The window of a block of which only the first frames hold data.
  const int32_t* ShortWindow(int32_t frames);
  // Transforms the first `frames` frames of block_ under `window`, the rest
  // of the block as silence.
  void AnalyseBlock(const int32_t* window, int32_t frames);

  std::atomic<int32_t> meter_scale_{2};
  std::array<int32_t, kMaxIntegrationCount + 1> history_left_{};
  std::array<int32_t, kMaxIntegrationCount + 1> history_right_{};
  std::atomic<bool> integration_{false};
  std::atomic<bool> reference_minus18_{false};
  std::atomic<bool> reference_minus20_{false};
  int32_t integration_fill_ = 0;
  std::atomic<int32_t> integration_count_{0};
  bool enabled_ = true;
  bool detector_opened_ = false;
  bool detector_started_ = false;
  PMMFFTObject fft_ = nullptr;
  // Sized once for the longest block of the widest valid format.
  std::vector<uint8_t> block_;
  std::vector<float> values_;
  std::vector<int32_t> window_table_;
  std::vector<int32_t> short_window_;
  int32_t short_window_frames_ = -1;
  std::vector<int32_t> bin_maxima_;
  // What other threads read: a copy taken once per analysed buffer, sized
  // once, so publishing allocates nothing.
  mutable std::mutex published_lock_;
  std::vector<int32_t> published_maxima_;
  int32_t published_count_ = 0;
  std::atomic<int16_t> level_left_{0};
  std::atomic<int16_t> level_right_{0};
  int32_t fft_length_ = 0;
  TMMFFTWindow window_ = fwHamming;
  TMMChannel channel_ = chBoth;
  uint8_t dc_offset_ = 0;
  bool detect_peaks_ = true;
};

}  // namespace engine
