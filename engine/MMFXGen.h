#pragma once
// The signal generator: at the top of a pulled chain it fills each buffer with
// a test signal (sine, square, triangle, sawtooth or noise); with an Input, or
// when buffers are pushed through it, it modulates the passing audio with that
// signal. Every waveform plays from one table that holds exactly one period.
//
// The frequency, amplitude, waveform and the other settings of the signal may
// change while a device thread pulls: each buffer reads them once when it
// begins, and a new waveform is built in a second table and swapped in
// between two buffers, so one buffer is always made from one table.
#include <atomic>
#include <cstdint>
#include <mutex>
#include <random>

#include "engine/MMDSPObj.h"
#include "engine/MMTypes.h"
#include "engine/MMUtils.h"

namespace engine {

class EMMGeneratorError : public vcl::Exception {
 public:
  using Exception::Exception;
};

enum TMMWaveForm : uint8_t { wfSine, wfSquare, wfTriangle, wfSawtoothPos, wfSawtoothNeg, wfNoise };
enum TMMModulation : uint8_t { moAM, moFM, moPM };

// 16384 is full scale.
using TMMVolumeRange = int32_t;
constexpr TMMVolumeRange kMaxVolume = 16384;

constexpr int32_t kGeneratorTableSize = 100000;
constexpr int32_t kMinGeneratorRate = 8000;
constexpr int32_t kMaxGeneratorRate = 88200;

class TMMGenerator : public TMMDSPComponent {
  VCL_DECLARE_CLASS(TMMGenerator, TMMDSPComponent)
 public:
  explicit TMMGenerator(vcl::TComponent* owner);

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value) { enabled_ = value; }
  int32_t SampleRate() const { return sample_rate_; }
  // Clamped to 8000..88200.
  void SetSampleRate(int32_t value);
  TMMBits BitLength() const { return bit_length_; }
  void SetBitLength(TMMBits value);
  TMMChannel Channel() const { return channel_; }
  void SetChannel(TMMChannel value);
  TMMMode Mode() const { return mode_; }
  // mMono or mStereo; anything else is ignored.
  void SetMode(TMMMode value);
  TMMWaveForm WaveForm() const { return wave_form_; }
  void SetWaveForm(TMMWaveForm value);
  TMMModulation Modulation() const { return modulation_; }
  void SetModulation(TMMModulation value);
  double Frequency() const { return frequency_; }
  // Clamped to 0.01..100000 Hz.
  void SetFrequency(double value);
  TMMVolumeRange Amplitude() const { return amplitude_; }
  void SetAmplitude(TMMVolumeRange value);
  // The share of the unmodulated input that amplitude modulation keeps.
  TMMVolumeRange DryAmplitude() const { return dry_amplitude_; }
  void SetDryAmplitude(TMMVolumeRange value);

  // One period of the waveform; null in design mode. Valid until the next
  // writer that rebuilds the table, on the thread that calls the writers.
  const int16_t* WaveTable() const { return table_.get(); }
  bool TableOpened() const { return table_opened_; }
  double Phase() const;
  // True for the formats the generator produces and modulates: PCM, 8 or
  // 16 bits, mono or stereo, 8000..88200 Hz.
  static bool IsGeneratorFormat(const plat::WAVEFORMATEX* format);

  void ChangeDesignMode(bool value) override;
  // Takes rate, width and channels from a format it produces and passes its
  // own format on; any other format raises EMMGeneratorError.
  void SetFormat(const plat::WAVEFORMATEX* format) override;
  void Opened() override;
  void Closed() override;
  void Started() override;
  void BufferReady(plat::WAVEHDR* lpwh) override;
  void BufferLoad(plat::WAVEHDR* lpwh, bool& more_buffers) override;

 private:
  void RebuildFormat();
  void AllocateTables();
  // Fills the spare table with the current waveform and swaps it in.
  void BuildTable();
  void FillTable(int16_t* table);
  void Generate(char* data, int32_t size);
  void Modulate(char* data, int32_t size);

  bool table_opened_ = false;
  // Written on any thread, read once per buffer by the thread that pulls.
  std::atomic<bool> enabled_{true};
  std::atomic<TMMChannel> channel_{chBoth};
  std::atomic<TMMWaveForm> wave_form_{wfSine};
  std::atomic<TMMModulation> modulation_{moAM};
  std::atomic<double> frequency_{1000.0};
  std::atomic<TMMVolumeRange> amplitude_{kMaxVolume};
  std::atomic<TMMVolumeRange> dry_amplitude_{0};
  // The format only changes while the chain is closed.
  uint8_t silence_ = 128;
  TMMBits bit_length_ = b8Bit;
  TMMMode mode_ = mMono;
  int32_t sample_rate_ = 11025;
  plat::WAVEFORMATEX output_format_{};
  // The table buffers read, and the one the next waveform is built in. A
  // buffer holds table_lock_ while it reads; a swap takes it between buffers.
  TGlobalPtr<int16_t> table_;
  TGlobalPtr<int16_t> spare_;
  mutable std::mutex table_lock_;
  // Serialises the writers that fill the spare table.
  std::mutex build_lock_;
  double phase_ = 0.0;
  // Set while an incoming format is applied, so the writers do not send
  // formats of their own half way through.
  bool applying_format_ = false;
  std::mt19937 random_;
};

}  // namespace engine
