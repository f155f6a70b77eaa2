// What the chain benchmarks share: one second of 44.1 kHz 16-bit stereo
// audio as the wave source, and the process's CPU time they measure.
#pragma once

#include <cmath>
#include <cstdint>
#include <ctime>
#include <vector>

namespace bench {

constexpr int32_t kRate = 44100;
constexpr int32_t kBytesPerSecond = kRate * 4;

inline double ProcessCpuMs() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

// A tone gliding from 200 Hz to 8 kHz whose level falls 30 dB, left and
// right a little apart, to be cut into blocks as a device would deliver them.
inline std::vector<int16_t> SourceSecond() {
  std::vector<int16_t> samples(static_cast<size_t>(kRate) * 2);
  double phase = 0;
  for (int32_t i = 0; i < kRate; ++i) {
    const double t = static_cast<double>(i) / kRate;
    phase += 2 * 3.141592653589793 * (200 * std::pow(40.0, t)) / kRate;
    const double level = 30000 * std::pow(10.0, -30 * t / 20);
    samples[2 * static_cast<size_t>(i)] = static_cast<int16_t>(level * std::sin(phase));
    samples[2 * static_cast<size_t>(i) + 1] = static_cast<int16_t>(0.8 * level * std::sin(phase + 0.3));
  }
  return samples;
}

}  // namespace bench
