#pragma once
// Fractional-octave bands of the main spectrum. The band table spaces N
// centres evenly on a log axis from the low to the high frequency (one more
// lies above it); each band reaches to the geometric midpoints with its
// neighbours, so the bands cover the axis without gaps and every tone lights
// one. A pass takes the peak detector's per-bin maxima, keeps the raw maximum
// of each band, applies the A, B or C weighting once, lets held bands fall
// back slowly and writes the display values. Nothing is allocated per pass.
#include <array>
#include <cstdint>
#include <span>

namespace app {

constexpr int32_t kMaxBands = 256;
// The band count plus the extra band above the range.
constexpr int32_t kBandSlots = kMaxBands + 1;
constexpr int32_t kFreqLabelCount = 33;

// The third-octave frequencies the spectrum's scale is labelled with.
constexpr std::array<int32_t, kFreqLabelCount> kThirdOctaveLabels{
    20,   25,   31,   40,   50,   63,   80,   100,  125,  160,  200,   250,   315,   400,   500,   630,  800,
    1000, 1250, 1600, 2000, 2500, 3150, 4000, 5000, 6300, 8000, 10000, 12500, 16000, 20000, 22050, 24000};

// rg_filter's index.
enum class TWeighting : int32_t { Off = 0, A = 1, B = 2, C = 3 };

struct TBandTable {
  int32_t Count = 0;  // N; 0 in the FFT modes
  std::array<int32_t, kBandSlots> Centres{};
  std::array<int32_t, kBandSlots> Lower{};
  std::array<int32_t, kBandSlots> Upper{};
};

// Fills table with count bands (1..kMaxBands) from low to high Hz. A range
// that has no bands per octave (equal ends, an end not above 0) is refused:
// false, and the table stays as it was. A falling range gives falling
// centres whose bands are empty.
bool BuildBandTable(TBandTable& table, int32_t count, int32_t low, int32_t high);

// The peak detector's FrequencyToBin for a detector of bin_count bins of
// bin_width Hz (above 0): bin_count past the last bin.
int32_t FrequencyToBin(int32_t frequency, float bin_width, int32_t bin_count);

// The weighting's gain in dB at a frequency; 0 for Off and for results of
// magnitude below 0.0001. B is 0 dB at 1 kHz like A and C.
double WeightingGain(TWeighting weighting, double frequency);

// Scales a linear value by a gain in dB quantised to 31 steps over 60 dB,
// the way the bars are drawn: k = Round((gain + 110) * 31 / 60), value times
// 10^((60k/31 - 60) / 20). The band pass gives gain - 50.
int32_t LevelToBarHeight(int32_t height, double gain);

// The fall-back divisor of the held bands for spin_DecayA (1..16): a held
// band loses 1/divisor of its value per pass.
constexpr int32_t FallBackDivisor(int32_t decay) { return (decay + 5) * 10; }

// The band computation of the main window, one pass per refresh.
class TBandAnalyser {
 public:
  // Builds the table for count bands (0 for the FFT modes) and clears the
  // held bands; a refused range keeps table and held bands and gives false.
  bool SetBands(int32_t count, int32_t low, int32_t high);
  void ClearHeld();
  const TBandTable& Table() const { return table_; }
  int32_t Count() const { return table_.Count; }

  // One pass over the detector's bin maxima (bins[k] of bin k, bin_width Hz
  // per bin): BandAcc from the raw band maxima times 120 (450 when zoomed),
  // weighted once; then the fall-back with FallBackDivisor(decay) into
  // display[0..N]. Returns the band of the highest display value (the first
  // of equal ones), 0 when none is above 0. Does nothing and returns -1
  // without bands or without a bin width.
  int32_t Pass(std::span<const int32_t> bins, float bin_width, TWeighting weighting, bool zoom, int32_t decay,
               std::span<int32_t> display);

  int32_t Acc(int32_t band) const { return acc_.at(static_cast<size_t>(band)); }
  int32_t Held(int32_t band) const { return held_.at(static_cast<size_t>(band)); }

 private:
  void UpdateWeighting(TWeighting weighting);

  TBandTable table_;
  std::array<int32_t, kBandSlots> acc_{};
  std::array<int32_t, kBandSlots> held_{};
  // The quantised weighting factor of each band for weighting_.
  std::array<double, kBandSlots> factors_{};
  TWeighting weighting_ = TWeighting::Off;
  bool factors_valid_ = false;
};

// The frequency the spectrum's peak label shows for band m of a table of
// count bands: the third-octave label of its band at 1/3, 1/6 and 1/12
// octave, the band's own centre at 256 bands. 0 for m outside the table.
float BandPeakFrequency(const TBandTable& table, std::span<const int32_t, kFreqLabelCount> labels, int32_t m);

// The 33 labels of the spectrum's scale for a band table: at kMaxBands bands
// the centres of bands 0, 10, 18, ..., 250 and one hertz above the last band's;
// otherwise the third-octave labels.
std::array<int32_t, kFreqLabelCount> BandScaleLabels(const TBandTable& table);

}  // namespace app
