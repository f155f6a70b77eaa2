#include "engine/MMFXGen.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <numbers>

#include "engine/MMMath.h"
#include "engine/MMObj.h"
#include "engine/MMPCMSup.h"
#include "platform/kernel/Clock.h"
#include "platform/vcl/TypInfo.h"

namespace engine {

namespace {

constexpr uint16_t kInvalidWaveFormatMessage = 62;
// The phase wraps one entry early, so the rounded index never leaves the table.
constexpr double kPhaseWrap = kGeneratorTableSize - 1;

int16_t Load16(const uint8_t* p) {
  int16_t v;
  std::memcpy(&v, p, 2);
  return v;
}

void Store16(uint8_t* p, int16_t v) { std::memcpy(p, &v, 2); }

double WrapPhase(double phase) {
  const double wrapped = static_cast<double>(FloatMod(phase, kPhaseWrap));
  if (wrapped >= 0.0) return wrapped;
  // Negative (phase modulation reads behind the phase) or not a number.
  return wrapped < 0.0 ? wrapped + kPhaseWrap : 0.0;
}

// The table read at a phase, scaled by the amplitude.
struct TCarrier {
  const int16_t* table;
  int32_t amplitude;
  double phase;
  double step;

  int32_t ValueAt(double at) const {
    const int32_t index = std::clamp(static_cast<int32_t>(std::nearbyint(at)), 0, kGeneratorTableSize - 1);
    return static_cast<int32_t>(static_cast<int64_t>(table[index]) * amplitude / kMaxVolume);
  }
  void Advance(double by) { phase = WrapPhase(phase + by); }
  int32_t Next() {
    const int32_t value = ValueAt(phase);
    Advance(step);
    return value;
  }
};

// Sample frames of one buffer in the generator's layout, values centred on 0.
struct TFrames {
  uint8_t* data;
  bool eight_bit;
  int32_t channels;
  int32_t frame_bytes;
  int32_t count;
  // Which channels a stereo frame works on.
  bool use[2];

  TFrames(char* buffer, int32_t size, bool eight, bool stereo, TMMChannel channel)
      : data(reinterpret_cast<uint8_t*>(buffer)),
        eight_bit(eight),
        channels(stereo ? 2 : 1),
        frame_bytes((eight ? 1 : 2) * (stereo ? 2 : 1)),
        count(size > 0 ? size / frame_bytes : 0),
        use{!stereo || channel != chRight, stereo && channel != chLeft} {}

  uint8_t* At(int32_t frame, int32_t c) const { return data + frame * frame_bytes + c * (eight_bit ? 1 : 2); }
  int32_t Read(int32_t frame, int32_t c) const {
    const uint8_t* p = At(frame, c);
    return eight_bit ? *p - 128 : Load16(p);
  }
  void Write(int32_t frame, int32_t c, int32_t value) const {
    uint8_t* p = At(frame, c);
    if (eight_bit)
      *p = static_cast<uint8_t>(value + 128);
    else
      Store16(p, static_cast<int16_t>(value));
  }
  // The modulating signal of a frame, as a fraction of full scale.
  float Modulator(int32_t frame) const {
    int32_t x;
    if (use[0] && use[1])
      x = (Read(frame, 0) + Read(frame, 1)) / 2;
    else
      x = Read(frame, use[0] ? 0 : 1);
    return static_cast<float>(x) / (eight_bit ? 128.0f : 32768.0f);
  }
};

uint32_t RandomSeed() {
  plat::LONGLONG count = 0;
  if (plat::QueryPerformanceCounter(&count) && count != 0)
    return static_cast<uint32_t>(count ^ (count >> 32));
  return plat::GetTickCount();
}

}  // namespace

VCL_IMPLEMENT_CLASS(
    TMMGenerator, DSPInputProp(), DSPOutputProp(),
    BoolProp("Enabled", &TMMGenerator::Enabled, &TMMGenerator::SetEnabled).Default(true),
    IntProp("SampleRate", &TMMGenerator::SampleRate, &TMMGenerator::SetSampleRate).Default(11025),
    EnumProp("BitLength", &TMMGenerator::BitLength, &TMMGenerator::SetBitLength, {"b8Bit", "b16Bit"})
        .Default(b8Bit),
    EnumProp("Channel", &TMMGenerator::Channel, &TMMGenerator::SetChannel, {"chBoth", "chLeft", "chRight"})
        .Default(chBoth),
    EnumProp("Mode", &TMMGenerator::Mode, &TMMGenerator::SetMode, {"mMono", "mStereo", "mMultiChannel"})
        .Default(mMono),
    EnumProp("WaveForm", &TMMGenerator::WaveForm, &TMMGenerator::SetWaveForm,
             {"wfSine", "wfSquare", "wfTriangle", "wfSawtoothPos", "wfSawtoothNeg", "wfNoise"})
        .Default(wfSine),
    EnumProp("Modulation", &TMMGenerator::Modulation, &TMMGenerator::SetModulation, {"moAM", "moFM", "moPM"})
        .Default(moAM),
    FloatProp("Frequency", &TMMGenerator::Frequency, &TMMGenerator::SetFrequency),
    IntProp("Amplitude", &TMMGenerator::Amplitude, &TMMGenerator::SetAmplitude).Default(kMaxVolume),
    IntProp("DryAmplitude", &TMMGenerator::DryAmplitude, &TMMGenerator::SetDryAmplitude).Default(0))

TMMGenerator::TMMGenerator(vcl::TComponent* owner) : TMMDSPComponent(owner), random_(RandomSeed()) {
  RebuildFormat();
  if (!DesignMode()) AllocateTables();
}

void TMMGenerator::AllocateTables() {
  constexpr size_t bytes = kGeneratorTableSize * sizeof(int16_t);
  TGlobalPtr<int16_t> table(static_cast<int16_t*>(GlobalAllocZeroed(bytes)));
  spare_.reset(static_cast<int16_t*>(GlobalAllocZeroed(bytes)));
  std::lock_guard guard(table_lock_);
  table_ = std::move(table);
}

double TMMGenerator::Phase() const {
  std::lock_guard guard(table_lock_);
  return phase_;
}

bool TMMGenerator::IsGeneratorFormat(const plat::WAVEFORMATEX* format) {
  return IsValidPCMFormat(format) && format->nChannels <= 2 && format->nSamplesPerSec >= kMinGeneratorRate &&
         format->nSamplesPerSec <= static_cast<plat::DWORD>(kMaxGeneratorRate);
}

void TMMGenerator::ChangeDesignMode(bool value) {
  inherited::ChangeDesignMode(value);
  if (!DesignMode() && !table_) {
    AllocateTables();
    BuildTable();
  }
}

void TMMGenerator::SetSampleRate(int32_t value) {
  if (value == sample_rate_) return;
  sample_rate_ = IntClamp(value, kMinGeneratorRate, kMaxGeneratorRate);
  RebuildFormat();
}

void TMMGenerator::SetBitLength(TMMBits value) {
  if (value == bit_length_ || value > b16Bit) return;
  bit_length_ = value;
  silence_ = value == b8Bit ? 128 : 0;
  RebuildFormat();
}

void TMMGenerator::SetChannel(TMMChannel value) {
  if (value == channel_ || value > chRight) return;
  channel_ = value;
}

void TMMGenerator::SetMode(TMMMode value) {
  if (value == mode_ || value >= mMultiChannel) return;
  mode_ = value;
  RebuildFormat();
}

void TMMGenerator::SetWaveForm(TMMWaveForm value) {
  if (value == wave_form_ || value > wfNoise) return;
  wave_form_ = value;
  BuildTable();
}

void TMMGenerator::SetModulation(TMMModulation value) {
  if (value == modulation_ || value > moPM) return;
  modulation_ = value;
}

void TMMGenerator::SetFrequency(double value) {
  // Not a number would make the phase, and with it the table index, undefined.
  if (value == frequency_ || std::isnan(value)) return;
  frequency_ = static_cast<double>(FloatClamp(value, 0.01, 100000.0));
}

void TMMGenerator::SetAmplitude(TMMVolumeRange value) { amplitude_ = std::clamp(value, 0, kMaxVolume); }

void TMMGenerator::SetDryAmplitude(TMMVolumeRange value) {
  dry_amplitude_ = std::clamp(value, 0, kMaxVolume);
}

void TMMGenerator::RebuildFormat() {
  if (applying_format_) return;
  BuildPCMFormat(output_format_, (bit_length_ + 1) * 8, mode_ + 1, sample_rate_);
  SetFormat(&output_format_);
}

void TMMGenerator::SetFormat(const plat::WAVEFORMATEX* format) {
  if (format && format != GetFormat()) {
    const bool produced = IsGeneratorFormat(format);
    // Clamping a rate or channel count it cannot produce would pass on a
    // format that does not describe the data; refuse it instead.
    if (!produced && !DesignMode()) throw EMMGeneratorError(LoadLibraryMessage(kInvalidWaveFormatMessage));
    if (produced) {
      const int32_t rate = static_cast<int32_t>(format->nSamplesPerSec);
      const auto bits = static_cast<TMMBits>(format->wBitsPerSample / 8 - 1);
      const auto mode = static_cast<TMMMode>(format->nChannels - 1);
      applying_format_ = true;
      SetSampleRate(rate);
      SetBitLength(bits);
      SetMode(mode);
      applying_format_ = false;
      BuildPCMFormat(output_format_, (bit_length_ + 1) * 8, mode_ + 1, sample_rate_);
      BuildTable();
      inherited::SetFormat(&output_format_);
      return;
    }
  }
  inherited::SetFormat(format);
}

void TMMGenerator::Opened() {
  inherited::Opened();
  if (!table_opened_) {
    table_opened_ = true;
    BuildTable();
  }
}

void TMMGenerator::Closed() {
  table_opened_ = false;
  inherited::Closed();
}

void TMMGenerator::Started() {
  inherited::Started();
  std::lock_guard guard(table_lock_);
  phase_ = 0.0;
}

void TMMGenerator::BufferReady(plat::WAVEHDR* lpwh) {
  if (lpwh && enabled_) Modulate(lpwh->lpData, ValidBytes(lpwh));
  inherited::BufferReady(lpwh);
}

void TMMGenerator::BufferLoad(plat::WAVEHDR* lpwh, bool& more_buffers) {
  if (Input()) {
    inherited::BufferLoad(lpwh, more_buffers);
    if (lpwh && enabled_) Modulate(lpwh->lpData, ValidBytes(lpwh));
  } else if (lpwh && lpwh->lpData) {
    const int32_t size = static_cast<int32_t>(
        std::min<plat::DWORD>(lpwh->dwBufferLength, std::numeric_limits<int32_t>::max()));
    if (enabled_.load())
      Generate(lpwh->lpData, size);
    else
      std::memset(lpwh->lpData, silence_, static_cast<size_t>(size));
    lpwh->dwBytesRecorded = static_cast<plat::DWORD>(size);
  }
  // A generator never ends a stream.
  more_buffers = true;
}

void TMMGenerator::BuildTable() {
  if (!table_opened_ || !table_) return;
  std::lock_guard build(build_lock_);
  FillTable(spare_.get());
  std::lock_guard guard(table_lock_);
  std::swap(table_, spare_);
}

void TMMGenerator::FillTable(int16_t* table) {
  constexpr int32_t n = kGeneratorTableSize;
  const int32_t a = bit_length_ == b8Bit ? 127 : 32767;
  const TMMWaveForm wave_form = wave_form_;
  switch (wave_form) {
    case wfSine:
      for (int32_t i = 0; i < n; ++i)
        table[i] = static_cast<int16_t>(std::nearbyint(std::sin(2.0 * std::numbers::pi * i / n) * a));
      break;
    case wfSquare:
      for (int32_t i = 0; i < n; ++i) table[i] = static_cast<int16_t>(i <= n / 2 ? -a : a);
      break;
    case wfTriangle: {
      constexpr int32_t q = n / 4;
      for (int32_t i = 0; i < n; ++i) {
        int32_t v;
        if (i <= q)
          v = i * a / q;
        else if (i <= 3 * q)
          v = (n / 2 - i) * a / q;
        else
          v = (i - 3 * q) * a / q - a;
        table[i] = static_cast<int16_t>(v);
      }
      break;
    }
    case wfSawtoothPos:
    case wfSawtoothNeg: {
      constexpr int32_t h = n / 2;
      const bool rising = wave_form == wfSawtoothPos;
      for (int32_t i = 0; i < n; ++i) {
        const int32_t v = i <= h ? i * a / h : (i - h) * a / h - a;
        table[i] = static_cast<int16_t>(rising ? v : -v);
      }
      break;
    }
    case wfNoise: {
      std::uniform_int_distribution<int32_t> draw(0, 2 * a - 1);
      for (int32_t i = 0; i < n; ++i) table[i] = static_cast<int16_t>(draw(random_) - a);
      break;
    }
  }
}

void TMMGenerator::Generate(char* data, int32_t size) {
  const TFrames frames(data, size, bit_length_ == b8Bit, mode_ == mStereo, channel_);
  const int32_t used_bytes = frames.count * frames.frame_bytes;
  std::lock_guard guard(table_lock_);
  if (!table_) {
    std::memset(data, silence_, static_cast<size_t>(size));
    return;
  }
  TCarrier carrier{table_.get(), amplitude_, phase_, frequency_ * kGeneratorTableSize / sample_rate_};
  for (int32_t f = 0; f < frames.count; ++f) {
    const int32_t value = carrier.Next();
    // The channel not chosen is silence, not whatever the buffer held before.
    for (int32_t c = 0; c < frames.channels; ++c) frames.Write(f, c, frames.use[c] ? value : 0);
  }
  // A partial frame at the end is reported too, so it must not be stale data.
  if (used_bytes < size) std::memset(data + used_bytes, silence_, static_cast<size_t>(size - used_bytes));
  phase_ = carrier.phase;
}

void TMMGenerator::Modulate(char* data, int32_t size) {
  if (!data) return;
  const TFrames frames(data, size, bit_length_ == b8Bit, mode_ == mStereo, channel_);
  std::lock_guard guard(table_lock_);
  if (!table_) return;
  TCarrier carrier{table_.get(), amplitude_, phase_, frequency_ * kGeneratorTableSize / sample_rate_};
  const int32_t dry = dry_amplitude_;
  switch (modulation_) {
    case moAM:
      for (int32_t f = 0; f < frames.count; ++f) {
        const int64_t g = carrier.Next();
        for (int32_t c = 0; c < frames.channels; ++c) {
          if (!frames.use[c]) continue;
          const int64_t x = frames.Read(f, c);
          const int64_t dry_part = x * dry / kMaxVolume;
          if (frames.eight_bit)
            frames.Write(f, c, ClipToByteRange(static_cast<int16_t>(g * x / 128 + dry_part)));
          else
            frames.Write(f, c, ClipToWordRange(static_cast<int32_t>(g * x / 32768 + dry_part)));
        }
      }
      break;
    case moFM:
      // The input bends the carrier's frequency: full scale doubles it or stops it.
      for (int32_t f = 0; f < frames.count; ++f) {
        const float m = frames.Modulator(f);
        const int32_t value = carrier.ValueAt(carrier.phase);
        carrier.Advance(carrier.step * (1.0 + m));
        for (int32_t c = 0; c < frames.channels; ++c)
          if (frames.use[c]) frames.Write(f, c, value);
      }
      break;
    case moPM:
      // The input shifts the carrier's phase: full scale by half a period.
      for (int32_t f = 0; f < frames.count; ++f) {
        const float m = frames.Modulator(f);
        const int32_t value = carrier.ValueAt(WrapPhase(carrier.phase + m * (kGeneratorTableSize / 2)));
        carrier.Advance(carrier.step);
        for (int32_t c = 0; c < frames.channels; ++c)
          if (frames.use[c]) frames.Write(f, c, value);
      }
      break;
  }
  phase_ = carrier.phase;
}

}  // namespace engine
