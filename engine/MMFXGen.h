#pragma once
// The signal generator: at the top of a pulled chain it fills each buffer with
// a test signal (sine, square, triangle, sawtooth or noise); with an Input, or
// when buffers are pushed through it, it modulates the passing audio with that
// signal. Every waveform plays from one table that holds exactly one period.
#include <cstdint>
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

  // One period of the waveform; null in design mode.
  const int16_t* WaveTable() const { return table_.get(); }
  bool TableOpened() const { return table_opened_; }
  double Phase() const { return phase_; }
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
  void BuildTable();
  void Generate(char* data, int32_t size);
  void Modulate(char* data, int32_t size);

  bool table_opened_ = false;
  bool enabled_ = true;
  uint8_t silence_ = 128;
  TMMBits bit_length_ = b8Bit;
  TMMChannel channel_ = chBoth;
  TMMMode mode_ = mMono;
  int32_t sample_rate_ = 11025;
  TMMWaveForm wave_form_ = wfSine;
  TMMModulation modulation_ = moAM;
  double frequency_ = 1000.0;
  TMMVolumeRange amplitude_ = kMaxVolume;
  TMMVolumeRange dry_amplitude_ = 0;
  plat::WAVEFORMATEX output_format_{};
  TGlobalPtr<int16_t> table_;
  double phase_ = 0.0;
  // Set while an incoming format is applied, so the writers do not send
  // formats of their own half way through.
  bool applying_format_ = false;
  std::mt19937 random_;
};

}  // namespace engine
