#include "app/Bands.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace app {

namespace {

// Beyond this a band table has no meaning for audio, and its edges would
// leave the integer range.
constexpr int32_t kMaxBandFrequency = 1000000;

int32_t SaturateToInt(double value) {
  if (!(value > std::numeric_limits<int32_t>::min())) return std::numeric_limits<int32_t>::min();
  if (value >= std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(value);
}

int32_t RoundToInt(double value) { return SaturateToInt(std::nearbyint(value)); }

// The factor LevelToBarHeight scales by for a gain in dB. Gains far outside
// the weighting curves (or none at all, at 0 Hz) are held where the factor
// stays finite: their bars are empty or full anyway.
double BarHeightFactor(double gain) {
  const double g = std::isnan(gain) ? -200.0 : std::clamp(gain, -200.0, 200.0);
  const double k = std::nearbyint((g + 50.0 + 60.0) * 31.0 / 60.0);
  return std::pow(10.0, (60.0 * k / 31.0 - 60.0) / 20.0);
}

}  // namespace

int32_t FrequencyToBin(int32_t frequency, float bin_width, int32_t bin_count) {
  const float bin = std::trunc(static_cast<float>(frequency) / bin_width);
  if (!(bin < static_cast<float>(bin_count))) return bin_count;
  return bin < 0.0f ? 0 : static_cast<int32_t>(bin);
}

bool BuildBandTable(TBandTable& table, int32_t count, int32_t low, int32_t high) {
  if (count < 2 || count > kMaxBands) return false;
  if (low <= 0 || high <= 0 || low > kMaxBandFrequency || high > kMaxBandFrequency || low == high)
    return false;
  const double bands_per_octave = (count - 1) / std::log2(static_cast<double>(high) / low);
  const double ratio = std::exp2(1.0 / bands_per_octave);
  double f = low / ratio;
  for (int32_t i = 0; i <= count; ++i) {
    f *= ratio;
    table.Centres[static_cast<size_t>(i)] = static_cast<int32_t>(std::trunc(f));
  }
  // Band i reaches from half a band below its centre to half a band above,
  // the geometric midpoints with its neighbours, so neighbours share an edge.
  int32_t lower = RoundToInt(low * std::exp2(-0.5 / bands_per_octave));
  for (int32_t i = 0; i <= count; ++i) {
    const int32_t upper = RoundToInt(low * std::exp2((i + 0.5) / bands_per_octave));
    table.Lower[static_cast<size_t>(i)] = lower;
    table.Upper[static_cast<size_t>(i)] = upper;
    lower = upper;
  }
  table.Count = count;
  return true;
}

double WeightingGain(TWeighting weighting, double frequency) {
  constexpr double k12200 = 148840000.0;  // 12200²
  constexpr double k20_6 = 424.36;        // 20.6²
  constexpr double k107_7 = 11599.29;     // 107.7²
  constexpr double k737_9 = 544496.41;    // 737.9²
  constexpr double k158_35 = 25074.7;     // 158.35²
  const double f = frequency;
  const double s = f * f;
  double gain;
  switch (weighting) {
    case TWeighting::A:
      gain = 20.0 * std::log10(k12200 * s * s /
                               ((s + k20_6) * std::sqrt(s + k107_7) * std::sqrt(s + k737_9) * (s + k12200))) +
             2.0;
      break;
    case TWeighting::B:
      // +0.17 puts the curve at 0 dB at 1 kHz, as the standard's B is.
      gain = 20.0 * std::log10(k12200 * s * f / ((s + k20_6) * std::sqrt(s + k158_35) * (s + k12200))) + 0.17;
      break;
    case TWeighting::C:
      gain = 20.0 * std::log10(k12200 * s / ((s + k20_6) * (s + k12200))) + 0.06;
      break;
    default:
      return 0.0;
  }
  return std::fabs(gain) < 0.0001 ? 0.0 : gain;
}

int32_t LevelToBarHeight(int32_t height, double gain) { return RoundToInt(height * BarHeightFactor(gain)); }

bool TBandAnalyser::SetBands(int32_t count, int32_t low, int32_t high) {
  if (count == 0) {
    table_.Count = 0;
  } else if (!BuildBandTable(table_, count, low, high)) {
    return false;
  }
  factors_valid_ = false;
  ClearHeld();
  return true;
}

void TBandAnalyser::ClearHeld() {
  acc_.fill(0);
  held_.fill(0);
}

void TBandAnalyser::UpdateWeighting(TWeighting weighting) {
  if (factors_valid_ && weighting == weighting_) return;
  for (int32_t i = 0; i <= table_.Count; ++i)
    factors_[static_cast<size_t>(i)] =
        BarHeightFactor(WeightingGain(weighting, table_.Centres[static_cast<size_t>(i)]) - 50.0);
  weighting_ = weighting;
  factors_valid_ = true;
}

int32_t TBandAnalyser::Pass(std::span<const int32_t> bins, float bin_width, TWeighting weighting, bool zoom,
                            int32_t decay, std::span<int32_t> display) {
  const int32_t n = table_.Count;
  if (n == 0 || !(bin_width > 0.0f)) return -1;
  const bool weighted = weighting != TWeighting::Off;
  if (weighted) UpdateWeighting(weighting);
  const int32_t bin_count = static_cast<int32_t>(bins.size());
  const int64_t scale = zoom ? 450 : 120;
  // The largest raw bin first, weighted once: weighting every bin that beat
  // an already weighted maximum would keep the last such bin, not the largest.
  for (int32_t i = 0; i <= n; ++i) {
    const size_t band = static_cast<size_t>(i);
    const int32_t lo = FrequencyToBin(table_.Lower[band], bin_width, bin_count);
    const int32_t hi = std::min(FrequencyToBin(table_.Upper[band], bin_width, bin_count), bin_count - 1);
    int32_t raw = 0;
    for (int32_t k = lo; k <= hi; ++k) raw = std::max(raw, bins[static_cast<size_t>(k)]);
    const int32_t v = SaturateToInt(static_cast<double>(raw * scale));
    acc_[band] = weighted ? RoundToInt(v * factors_[band]) : v;
  }

  const int32_t divisor = FallBackDivisor(std::clamp(decay, 1, 16));
  int32_t highest = 0;
  int32_t peak_band = 0;
  for (int32_t i = 0; i <= n; ++i) {
    const size_t band = static_cast<size_t>(i);
    int32_t value;
    if (held_[band] < acc_[band]) {
      value = held_[band] = acc_[band];
    } else {
      value = held_[band];
      held_[band] -= held_[band] / divisor;
    }
    if (band < display.size()) display[band] = value;
    if (value > highest) {
      highest = value;
      peak_band = i;
    }
  }
  return peak_band;
}

float BandPeakFrequency(const TBandTable& table, std::span<const int32_t, kFreqLabelCount> labels,
                        int32_t m) {
  if (m < 0 || m > table.Count) return 0.0f;
  switch (table.Count) {
    case 32:
      return static_cast<float>(labels[static_cast<size_t>(m)]);
    case 64:
      return static_cast<float>(labels[static_cast<size_t>(m / 2)]);
    case 128:
      return static_cast<float>(labels[static_cast<size_t>(m / 4)]);
    default:
      return static_cast<float>(table.Centres[static_cast<size_t>(m)]);
  }
}

std::array<int32_t, kFreqLabelCount> BandScaleLabels(const TBandTable& table) {
  if (table.Count != kMaxBands) return kThirdOctaveLabels;
  std::array<int32_t, kFreqLabelCount> labels{};
  labels[0] = table.Centres[0];
  for (size_t j = 1; j + 1 < labels.size(); ++j) labels[j] = table.Centres[8 * j + 2];
  labels.back() = table.Centres[kMaxBands - 1] + 1;
  return labels;
}

}  // namespace app
