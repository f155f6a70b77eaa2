#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <numbers>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "engine/MMFFT.h"
#include "tests/engine/MMFFTReference.h"

namespace engine {
namespace {

constexpr double kPi = std::numbers::pi;

// Owns an FFT object for one test.
struct FFTHolder {
  explicit FFTHolder(int32_t order) : fft(CreateFFT(order)) {}
  ~FFTHolder() { FreeFFT(fft); }
  PMMFFTObject fft;
};

// Deterministic input in [-1, 1) on every standard library.
std::vector<float> NoiseInput(size_t n, uint32_t seed) {
  std::vector<float> x(n);
  uint32_t state = seed;
  for (auto& v : x) {
    state = state * 1664525u + 1013904223u;
    v = static_cast<float>(static_cast<double>(state >> 8) / (1 << 23) - 1.0);
  }
  return x;
}

// Bin k of sum x[n] e^(sign*2*pi*i*k*n/N) in double precision; the angle is
// reduced exactly through k*n mod N.
std::complex<double> DftBin(const std::vector<float>& x, size_t k, int sign) {
  const size_t n = x.size();
  std::complex<double> sum = 0;
  for (size_t i = 0; i < n; ++i) {
    const double angle = 2 * kPi * static_cast<double>((k * i) % n) / static_cast<double>(n);
    sum += static_cast<double>(x[i]) * std::complex<double>(std::cos(angle), sign * std::sin(angle));
  }
  return sum;
}

// Every bin for small sizes; for large ones the edges and a spread of bins,
// which keeps the double-precision reference cheap under sanitizers.
std::vector<size_t> BinsToCheck(size_t n) {
  const size_t half = n / 2;
  std::vector<size_t> bins;
  if (n <= 1024) {
    for (size_t k = 0; k < half; ++k) bins.push_back(k);
    return bins;
  }
  for (size_t k : {size_t{0}, size_t{1}, size_t{2}, half / 2, half - 2, half - 1}) bins.push_back(k);
  for (size_t k = 3; k < half; k += half / 61 + 1) bins.push_back(k);
  return bins;
}

// Error bound: a stable single-precision FFT has an error norm of a small
// multiple of eps * log2(N) * ||X||, and ||X|| = sqrt(N) * ||x|| over the full
// spectrum, so no single bin can be off by more than that. We allow 4 * eps.
double ErrorBound(const std::vector<float>& x, int order) {
  double energy = 0;
  for (float v : x) energy += static_cast<double>(v) * v;
  const double eps = std::numeric_limits<float>::epsilon();
  return 4 * eps * std::max(order, 1) * std::sqrt(static_cast<double>(x.size()) * energy);
}

struct DirectionCase {
  int32_t direction;
  int sign;     // of the exponent
  bool scaled;  // by 1/N
};

void PrintTo(const DirectionCase& c, std::ostream* os) { *os << "direction " << c.direction; }

class RealFFTAccuracy : public ::testing::TestWithParam<DirectionCase> {
 protected:
  static void SetUpTestSuite() { InitFFTKernels(); }
};

TEST_P(RealFFTAccuracy, MatchesDoublePrecisionDftForEveryPowerOfTwo) {
  const DirectionCase c = GetParam();
  for (int order = 1; order <= 15; ++order) {
    SCOPED_TRACE(::testing::Message() << "order " << order);
    FFTHolder holder(order);
    ASSERT_NE(holder.fft, nullptr);
    const size_t n = size_t{1} << order;
    const std::vector<float> x = NoiseInput(n, 17u + static_cast<uint32_t>(order));
    std::vector<float> data = x;
    RealFFT(holder.fft, data.data(), c.direction);

    const double scale = c.scaled ? 1.0 / static_cast<double>(n) : 1.0;
    const double bound = ErrorBound(x, order) * scale;
    EXPECT_EQ(data[1], 0.0f) << "the Nyquist slot stays zero";
    for (size_t k : BinsToCheck(n)) {
      const std::complex<double> want = DftBin(x, k, c.sign) * scale;
      const double re = data[2 * k];
      const double im = k == 0 ? 0.0 : data[2 * k + 1];
      ASSERT_NEAR(re, want.real(), bound) << "bin " << k;
      ASSERT_NEAR(im, k == 0 ? 0.0 : want.imag(), bound) << "bin " << k;
    }
  }
}

// Every caller passes 1; 0 and any value above 1 are forward too, any value
// below -1 is the scaled reverse transform.
INSTANTIATE_TEST_SUITE_P(Directions, RealFFTAccuracy,
                         ::testing::Values(DirectionCase{1, -1, false}, DirectionCase{0, -1, false},
                                           DirectionCase{5, -1, false}, DirectionCase{-1, +1, true},
                                           DirectionCase{-7, +1, true}),
                         [](const auto& info) {
                           const int32_t d = info.param.direction;
                           return (d < 0 ? "Minus" : "Plus") + std::to_string(d < 0 ? -d : d);
                         });

// The tuned kernels against the frozen reference, word for word, on every
// kernel set the processor runs. The edge inputs reach exact zeros of both
// signs, subnormals and overflow, where a reordered sum or a fused multiply
// would show first. A NaN matches any NaN: its payload is the processor's.
TEST(RealFFT, MatchesTheReferenceWordForWord) {
  struct Input {
    const char* name;
    std::function<float(size_t, size_t, float)> value;  // (i, N, noise at i)
  };
  const std::vector<Input> inputs = {
      {"noise", [](size_t, size_t, float r) { return r; }},
      {"small integers", [](size_t i, size_t, float) { return static_cast<float>(int(i % 7) - 3); }},
      {"zeros", [](size_t, size_t, float) { return 0.0f; }},
      {"negative zeros", [](size_t, size_t, float) { return -0.0f; }},
      {"first impulse", [](size_t i, size_t, float) { return i == 0 ? 1.0f : 0.0f; }},
      {"last impulse", [](size_t i, size_t n, float) { return i + 1 == n ? -1.0f : 0.0f; }},
      {"alternating", [](size_t i, size_t, float) { return i % 2 ? -0.5f : 0.5f; }},
      {"subnormal noise", [](size_t, size_t, float r) { return r * 1e-39f; }},
      {"overflowing noise", [](size_t, size_t, float r) { return r * 3e36f; }},
      {"infinity",
       [](size_t i, size_t n, float) { return i == n / 3 ? std::numeric_limits<float>::infinity() : 1.0f; }},
  };
  auto same_word = [](float a, float b) {
    return std::memcmp(&a, &b, sizeof a) == 0 || (std::isnan(a) && std::isnan(b));
  };
  for (bool wide : {false, true}) {
    const bool bound_wide = SelectFFTKernels(wide);
    SCOPED_TRACE(bound_wide ? "wide kernels" : "portable kernels");
    for (int order = 1; order <= 15; ++order) {
      FFTHolder holder(order);
      const size_t n = size_t{1} << order;
      const std::vector<float> noise = NoiseInput(n, 1000u + static_cast<uint32_t>(order));
      for (const Input& input : inputs) {
        for (int32_t direction : {1, -1}) {
          std::vector<float> got(n);
          for (size_t i = 0; i < n; ++i) got[i] = input.value(i, n, noise[i]);
          std::vector<float> want = got;
          RealFFT(holder.fft, got.data(), direction);
          fft_reference::RealFFT(order, want.data(), direction);
          size_t i = 0;
          while (i < n && same_word(got[i], want[i])) ++i;
          EXPECT_EQ(i, n) << input.name << ", order " << order << ", direction " << direction << ": Data["
                          << i << "] is " << got[i] << ", was " << want[i];
        }
      }
    }
  }
  InitFFTKernels();
}

TEST(RealFFT, ClampsDirectionBitForBit) {
  FFTHolder holder(9);
  const std::vector<float> x = NoiseInput(512, 99);
  for (auto [given, canonical] : {std::pair{5, 1}, std::pair{-7, -1}, std::pair{0, 1}}) {
    std::vector<float> a = x, b = x;
    RealFFT(holder.fft, a.data(), given);
    RealFFT(holder.fft, b.data(), canonical);
    EXPECT_EQ(a, b) << "direction " << given;
  }
}

// Known spectra: each value of the packed result is checked, so a leak into
// a neighbouring bin or the dropped Nyquist slot shows.
TEST(RealFFT, KnownSignalsGivePackedSpectra) {
  struct Case {
    const char* name;
    int order;
    std::function<float(size_t, size_t)> signal;     // (n, N)
    std::function<double(size_t, size_t)> expected;  // (index into Data, N)
  };
  const size_t k0 = 3;
  const std::vector<Case> cases = {
      {"constant", 6, [](size_t, size_t) { return 0.75f; },
       [](size_t i, size_t n) { return i == 0 ? 0.75 * static_cast<double>(n) : 0.0; }},
      {"alternating (pure Nyquist)", 6, [](size_t i, size_t) { return i % 2 ? -1.0f : 1.0f; },
       [](size_t, size_t) { return 0.0; }},
      {"cosine", 7,
       [=](size_t i, size_t n) { return static_cast<float>(std::cos(2 * kPi * double(k0 * i) / double(n))); },
       [=](size_t i, size_t n) { return i == 2 * k0 ? static_cast<double>(n) / 2 : 0.0; }},
      {"sine", 7,
       [=](size_t i, size_t n) { return static_cast<float>(std::sin(2 * kPi * double(k0 * i) / double(n))); },
       [=](size_t i, size_t n) { return i == 2 * k0 + 1 ? -static_cast<double>(n) / 2 : 0.0; }},
      {"cosine at the top bin", 4,
       [](size_t i, size_t n) { return static_cast<float>(std::cos(2 * kPi * double(7 * i) / double(n))); },
       [](size_t i, size_t n) { return i == 14 ? static_cast<double>(n) / 2 : 0.0; }},
      {"two points", 1, [](size_t i, size_t) { return i == 0 ? 2.5f : -4.0f; },
       [](size_t i, size_t) { return i == 0 ? -1.5 : 0.0; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FFTHolder holder(c.order);
    const size_t n = size_t{1} << c.order;
    std::vector<float> data(n);
    for (size_t i = 0; i < n; ++i) data[i] = c.signal(i, n);
    RealFFT(holder.fft, data.data(), 1);
    for (size_t i = 0; i < n; ++i) EXPECT_NEAR(data[i], c.expected(i, n), 1e-4) << "Data[" << i << "]";
  }
}

TEST(RealFFT, MissingObjectOrDataDoesNothing) {
  std::vector<float> data = NoiseInput(8, 3);
  const std::vector<float> before = data;
  RealFFT(nullptr, data.data(), 1);
  EXPECT_EQ(data, before);
  FFTHolder holder(3);
  RealFFT(holder.fft, nullptr, 1);  // must not crash
}

TEST(CreateFFT, RejectsOrdersOutsideTheRange) {
  // 31 would need a Size of 2^31, which the 32-bit field cannot hold.
  for (int order : {-1, 0, 31, 32, 1000}) {
    PMMFFTObject fft = CreateFFT(order);
    EXPECT_EQ(fft, nullptr) << "order " << order;
    FreeFFT(fft);  // a variable that holds none is left alone
    EXPECT_EQ(fft, nullptr);
  }
}

TEST(CreateFFT, FillsTheTablesOfItsSize) {
  for (int order : {1, 2, 3, 4, 11}) {
    SCOPED_TRACE(::testing::Message() << "order " << order);
    PMMFFTObject fft = CreateFFT(order);
    ASSERT_NE(fft, nullptr);
    const int32_t n = 1 << order, m = n / 2;
    EXPECT_EQ(fft->Order, order);
    EXPECT_EQ(fft->Size, n);
    EXPECT_FLOAT_EQ(fft->Scale, 1.0f / static_cast<float>(n));
    for (int32_t i = 0; i < m; ++i) {
      int32_t reversed = 0;
      for (int b = 0; b < order - 1; ++b) reversed |= ((i >> b) & 1) << (order - 2 - b);
      EXPECT_EQ(fft->BitReverse[i], reversed) << "entry " << i;
    }
    for (int32_t j = 1; j <= m / 4; ++j) {
      const double a = -2 * kPi * j / m;
      const float* pair = fft->TwiddleA + 4 * (j - 1);
      EXPECT_NEAR(pair[0], std::cos(a), 1e-6);
      EXPECT_NEAR(pair[1], std::sin(a), 1e-6);
      EXPECT_NEAR(pair[2], std::cos(3 * a), 1e-6);
      EXPECT_NEAR(pair[3], std::sin(3 * a), 1e-6);
    }
    for (int32_t k = 1; k <= m / 2; ++k) {
      const double a = 2 * kPi * k / n;
      EXPECT_NEAR(fft->TwiddleB[2 * (k - 1)], 0.5 * std::cos(a), 1e-6);
      EXPECT_NEAR(fft->TwiddleB[2 * (k - 1) + 1], 0.5 * (1 - std::sin(a)), 1e-6);
    }
    if (m >= 2) {
      EXPECT_EQ(fft->TwiddleB[m - 2], 0.0f) << "the quarter turn is exact";
      EXPECT_EQ(fft->TwiddleB[m - 1], 0.0f);
    }
    FreeFFT(fft);
    EXPECT_EQ(fft, nullptr);
  }
}

TEST(BuildBitReverseTable, ReversesTheLowBits) {
  std::vector<int32_t> table(8, -1);
  BuildBitReverseTable(table.data(), 3);
  EXPECT_EQ(table, (std::vector<int32_t>{0, 4, 2, 6, 1, 5, 3, 7}));
  std::vector<int32_t> one(1, -1);
  BuildBitReverseTable(one.data(), 0);
  EXPECT_EQ(one[0], 0);
}

// ---------------------------------------------------------------------------
// Windows

long double WindowFormula(TMMFFTWindow kind, long double i, long double n) {
  const long double pi = std::numbers::pi_v<long double>;
  switch (kind) {
    case fwHamming:
      return 0.54L - 0.46L * std::cos(2 * pi * i / n);
    case fwHanning:
      return 0.5L - 0.5L * std::cos(2 * pi * i / n);
    case fwBlackman:
      return 0.42L - 0.5L * std::cos(2 * pi * i / n) + 0.08L * std::cos(4 * pi * i / n);
    case fwGaussian:
      return std::exp(-5 * (2 * i - n) * (2 * i - n) / (n * n));
    case fwWelch:
      return 1 - ((2 * i - n) / (n + 1)) * ((2 * i - n) / (n + 1));
    case fwParzen:
      return 1 - std::fabs(2 * i - n) / (n + 1);
    default:
      return 1;
  }
}

TEST(FFTWindow, TablesFollowTheFormulasAndArePeriodic) {
  const TMMFFTWindow kinds[] = {fwRectangular, fwHamming, fwHanning, fwBlackman,
                                fwGaussian,    fwWelch,   fwParzen};
  for (TMMFFTWindow kind : kinds) {
    for (int order : {0, 1, 7, 10}) {
      SCOPED_TRACE(::testing::Message() << "kind " << int(kind) << " order " << order);
      const int32_t n = 1 << order;
      std::vector<int32_t> table(n, -99);
      BuildFFTWindowTable(table.data(), kind, order);
      for (int32_t i = 0; i < n; ++i) {
        const long double w = WindowFormula(kind, i, n);
        EXPECT_NEAR(FFTWindowValue(kind, i, n), static_cast<double>(w), 1e-7);
        // One unit of slack: the table rounds the single-precision value.
        EXPECT_NEAR(table[i], std::floor(static_cast<double>(w) * 32767 + 0.5), 1) << "entry " << i;
        EXPECT_GE(table[i], 0);
        EXPECT_LE(table[i], 32767);
        // Periodic windows are symmetric about n/2, not (n-1)/2.
        if (i > 0) {
          EXPECT_EQ(table[i], table[n - i]) << "entry " << i;
        }
      }
    }
  }
}

TEST(FFTWindow, KnownTableEntries) {
  std::vector<int32_t> table(128);
  BuildFFTWindowTable(table.data(), fwHamming, 7);
  EXPECT_EQ(table[0], 2621);
  EXPECT_EQ(table[64], 32767);
  BuildFFTWindowTable(table.data(), fwHanning, 7);
  EXPECT_EQ(table[0], 0);
  EXPECT_EQ(table[64], 32767);
  // Stored kinds above fwParzen behave as rectangular.
  for (int raw : {7, 8, 255}) {
    BuildFFTWindowTable(table.data(), static_cast<TMMFFTWindow>(raw), 7);
    EXPECT_EQ(table, std::vector<int32_t>(128, 32767)) << "kind " << raw;
    EXPECT_EQ(FFTWindowValue(static_cast<TMMFFTWindow>(raw), 5, 128), 1.0f);
  }
}

TEST(FFTWindow, DegenerateArgumentsAreHarmless) {
  // No length: no window, rather than a division by zero.
  for (int32_t n : {0, -1}) EXPECT_EQ(FFTWindowValue(fwHanning, 0, n), 1.0f) << "n " << n;
  std::vector<int32_t> table(4, -5);
  BuildFFTWindowTable(table.data(), fwHanning, -1);
  BuildFFTWindowTable(table.data(), fwHanning, 31);
  BuildFFTWindowTable(nullptr, fwHanning, 2);
  EXPECT_EQ(table, std::vector<int32_t>(4, -5));
}

}  // namespace
}  // namespace engine
