#pragma once
// State of the main window's read-outs above the spectrum: the stereo
// correlation meter and the peak frequency with its musical note. The window
// (MainCorrelation.cpp, MainPeak.cpp) does the work on the main thread; these
// records only hold what one pass leaves for the next.
#include <array>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/MMPeak.h"
#include "platform/vcl/Colors.h"

namespace app {

// The correlation meter's colours; the line colour also draws the level
// meters' scale pictures.
struct TCorrelationColors {
  vcl::TColor line = vcl::clWhite;
  vcl::TColor above = vcl::clLime;  // bar above zero
  vcl::TColor zero = 0x80FFFF;      // bar at zero
  vcl::TColor below = vcl::clRed;   // bar below zero
};

struct TCorrelationState {
  // The history holds the newest average + 1 values at indices 0..average,
  // and the shift of the full phase writes one place further.
  static constexpr int kHistorySize = 492;
  static constexpr int kMaxAverage = kHistorySize - 2;
  static constexpr int kBarHistorySize = 491;

  int average = 149;         // passes averaged
  int history_length = 490;  // bar positions averaged
  int index = 1;             // fill index; average + 1 once full
  std::array<double, kHistorySize> history{};
  double sum = 0.0;
  double min = 0.0;
  double max = 0.0;
  int positive = 0;
  int total = 0;
  std::array<int, kBarHistorySize> bar_history{};
  // The bar positions the picture shows; -1 when it shows none.
  int drawn_position = -1;
  int drawn_average = -1;
};

// Pearson's r of the trace values at positions first..last of two scopes;
// 0 when either trace is flat.
template <size_t N>
double TraceCorrelation(const std::array<double, N>& left, const std::array<double, N>& right, size_t first,
                        size_t last);

struct TPeakState {
  int peak_bin = 0;
  int peak_bin_value = 0;
  int peak_freq = 0;
  int peak_bin2 = 0;
  int peak_bin_value2 = 0;
  // Counts note steps and passes; wide enough never to wrap in a run.
  int64_t note_counter = 0;
  // Copies of the detectors' bin maxima, sized for the longest transform
  // once, so a read-out allocates nothing.
  std::vector<int32_t> bins1 = std::vector<int32_t>(engine::kMaxPeakFFTLength / 2);
  std::vector<int32_t> bins2 = std::vector<int32_t>(engine::kMaxPeakFFTLength / 2);
};

// The strongest bin of a copy of bin maxima (the first of equal ones) and its value.
void FindPeak(const std::vector<int32_t>& bins, int count, int& bin, int& value);

// The note within 1 Hz of a frequency in octaves 1..8 ("A4" for 439..441),
// the last match in octave and note order; empty without one.
std::string NoteOfFrequency(int frequency);

template <size_t N>
double TraceCorrelation(const std::array<double, N>& left, const std::array<double, N>& right, size_t first,
                        size_t last) {
  const double count = static_cast<double>(last - first + 1);
  double sum_l = 0.0;
  double sum_r = 0.0;
  for (size_t i = first; i <= last; ++i) {
    sum_l += left[i];
    sum_r += right[i];
  }
  const double mean_l = sum_l / count;
  const double mean_r = sum_r / count;
  double sxx = 0.0;
  double syy = 0.0;
  double sxy = 0.0;
  for (size_t i = first; i <= last; ++i) {
    const double dl = left[i] - mean_l;
    const double dr = right[i] - mean_r;
    sxx += dl * dl;
    syy += dr * dr;
    sxy += dl * dr;
  }
  const double product = sxx * syy;
  return product == 0.0 ? 0.0 : sxy / std::sqrt(product);
}

}  // namespace app
