#pragma once
// The test signals the program plays from its "Tones" folder: ten seconds of
// white noise, of pink noise (white noise through a pink filter) and of a
// logarithmic sweep from 20 Hz to 20 kHz, each at -12 dBFS, 44.1 kHz, the
// same on both channels. Deterministic: the same build makes the same files.
#include <cstdint>
#include <vector>

namespace tonegen {

constexpr int kRate = 44100;
constexpr int kSeconds = 10;
// -12 dBFS: the RMS level of the noises and the peak of the sweep.
constexpr double kLevel = 0.25118864315095801;

// Mono samples in -1..1.
std::vector<double> WhiteNoise(int frames, uint64_t seed);
std::vector<double> PinkNoise(int frames, uint64_t seed);
std::vector<double> LogSweep(int frames, double from_hz, double to_hz);

// The samples scaled to an RMS of `rms`, lowered further where a peak would
// pass `peak_limit`.
void ScaleToRms(std::vector<double>& samples, double rms, double peak_limit);
// Interleaved 16-bit stereo, both channels alike.
std::vector<int16_t> ToStereo16(const std::vector<double>& samples);

}  // namespace tonegen
