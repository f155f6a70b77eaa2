#include "tools/tonegen/TestSignals.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tonegen {

namespace {

// xorshift64*: small, fast and the same on every machine.
class Random {
 public:
  explicit Random(uint64_t seed) : state_(seed ? seed : 0x9E3779B97F4A7C15ull) {}
  // Uniform in [-1, 1).
  double Next() {
    state_ ^= state_ >> 12;
    state_ ^= state_ << 25;
    state_ ^= state_ >> 27;
    const uint64_t r = state_ * 0x2545F4914F6CDD1Dull;
    return static_cast<double>(r >> 11) * (2.0 / 9007199254740992.0) - 1.0;
  }

 private:
  uint64_t state_;
};

}  // namespace

std::vector<double> WhiteNoise(int frames, uint64_t seed) {
  Random random(seed);
  std::vector<double> out(static_cast<size_t>(frames));
  for (double& s : out) s = random.Next();
  return out;
}

std::vector<double> PinkNoise(int frames, uint64_t seed) {
  // A sum of first-order low passes whose poles and zeros alternate, so the
  // power falls by 3 dB per octave across the audio band (within 0.05 dB at
  // 44.1 kHz above 10 Hz).
  Random random(seed);
  std::vector<double> out(static_cast<size_t>(frames));
  double b0 = 0, b1 = 0, b2 = 0, b3 = 0, b4 = 0, b5 = 0, b6 = 0;
  // The filter settles before the first sample kept.
  for (int i = -kRate; i < frames; ++i) {
    const double white = random.Next();
    b0 = 0.99886 * b0 + white * 0.0555179;
    b1 = 0.99332 * b1 + white * 0.0750759;
    b2 = 0.96900 * b2 + white * 0.1538520;
    b3 = 0.86650 * b3 + white * 0.3104856;
    b4 = 0.55000 * b4 + white * 0.5329522;
    b5 = -0.7616 * b5 - white * 0.0168980;
    const double pink = b0 + b1 + b2 + b3 + b4 + b5 + b6 + white * 0.5362;
    b6 = white * 0.115926;
    if (i >= 0) out[static_cast<size_t>(i)] = pink;
  }
  return out;
}

std::vector<double> LogSweep(int frames, double from_hz, double to_hz) {
  std::vector<double> out(static_cast<size_t>(frames));
  const double duration = static_cast<double>(frames) / kRate;
  const double k = std::log(to_hz / from_hz);
  // 10 ms fades keep the ends from clicking.
  const int fade = kRate / 100;
  for (int i = 0; i < frames; ++i) {
    const double t = static_cast<double>(i) / kRate;
    const double phase = 2.0 * std::numbers::pi * from_hz * duration / k * (std::exp(t * k / duration) - 1.0);
    double gain = 1.0;
    if (i < fade) gain = static_cast<double>(i) / fade;
    if (frames - 1 - i < fade) gain = static_cast<double>(frames - 1 - i) / fade;
    out[static_cast<size_t>(i)] = gain * std::sin(phase);
  }
  return out;
}

void ScaleToRms(std::vector<double>& samples, double rms, double peak_limit) {
  double sum = 0.0;
  double peak = 0.0;
  for (double s : samples) {
    sum += s * s;
    peak = std::max(peak, std::fabs(s));
  }
  if (samples.empty() || sum <= 0.0) return;
  double gain = rms / std::sqrt(sum / static_cast<double>(samples.size()));
  if (peak * gain > peak_limit) gain = peak_limit / peak;
  for (double& s : samples) s *= gain;
}

std::vector<int16_t> ToStereo16(const std::vector<double>& samples) {
  std::vector<int16_t> out(samples.size() * 2);
  for (size_t i = 0; i < samples.size(); ++i) {
    const double v = std::clamp(std::round(samples[i] * 32767.0), -32768.0, 32767.0);
    out[2 * i] = out[2 * i + 1] = static_cast<int16_t>(v);
  }
  return out;
}

}  // namespace tonegen
