#include "engine/MMFFT.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#if defined(__x86_64__)
#include <immintrin.h>
#endif
#include <new>
#include <numbers>

#include "engine/MMMath.h"

namespace engine {

namespace {

// ---------------------------------------------------------------------------
// Four-lane float vectors through the compilers' vector extensions: SSE on
// x86-64, NEON on ARM, plain scalar code elsewhere. Loads and stores go through
// memcpy because callers' arrays are only float-aligned.

using V4 = float __attribute__((vector_size(16)));
using V4i = int32_t __attribute__((vector_size(16)));

#define QX_SHUF(a, b, ...) __builtin_shufflevector(a, b, __VA_ARGS__)

inline V4 Load(const float* p) {
  V4 v;
  std::memcpy(&v, p, sizeof v);
  return v;
}
inline void Store(float* p, V4 v) { std::memcpy(p, &v, sizeof v); }

constexpr int32_t kSign = INT32_MIN;
constexpr V4i kNegEven = {kSign, 0, kSign, 0};
constexpr V4i kNegOdd = {0, kSign, 0, kSign};
constexpr V4i kNegHigh = {0, 0, kSign, kSign};
constexpr V4i kNegMid = {0, kSign, kSign, 0};
constexpr V4i kNegOuter = {kSign, 0, 0, kSign};

inline V4 Flip(V4 v, V4i mask) { return reinterpret_cast<V4>(reinterpret_cast<V4i>(v) ^ mask); }
inline V4 SwapReIm(V4 v) { return QX_SHUF(v, v, 1, 0, 3, 2); }

// a * w, or a * conj(w) for the reverse direction, on two interleaved values.
template <bool Inv>
inline V4 CMul(V4 a, V4 w) {
  V4 wr = QX_SHUF(w, w, 0, 0, 2, 2);
  V4 wi = QX_SHUF(w, w, 1, 1, 3, 3);
  return a * wr + Flip(SwapReIm(a) * wi, Inv ? kNegOdd : kNegEven);
}

// ---------------------------------------------------------------------------
// Complex split-radix decimation in frequency on interleaved data: natural
// order in, bit-reversed order out. Level L works on L values; its twiddles
// w_L^j = w_M^(j*M/L) are read in order from its run in TwiddleLevels, which
// starts 2L floats before the table's end: the half level's run follows at
// +L, the quarter level's at +3L/2.

// The L-shaped butterfly of one level over a pair of indices j, j + 1.
template <bool Inv>
inline void Butterfly(float* p0, float* p1, float* p2, float* p3, V4 w1, V4 w3) {
  V4 a0 = Load(p0), a1 = Load(p1), a2 = Load(p2), a3 = Load(p3);
  Store(p0, a0 + a2);
  Store(p1, a1 + a3);
  V4 u = a0 - a2;
  V4 iv = Flip(SwapReIm(a1 - a3), kNegEven);  // i * (a1 - a3)
  // Forward: X[4k+1] from u - iv, X[4k+3] from u + iv; reversed for the inverse.
  Store(p2, CMul<Inv>(Inv ? u + iv : u - iv, w1));
  Store(p3, CMul<Inv>(Inv ? u - iv : u + iv, w3));
}

template <bool Inv>
inline void SplitPass(float* x, size_t n, const float* lt) {
  const size_t q = n / 4;
  float* p1 = x + 2 * q;
  float* p2 = x + 4 * q;
  float* p3 = x + 6 * q;
  for (size_t j = 0; j < 2 * q; j += 8, lt += 16) {
    Butterfly<Inv>(x + j, p1 + j, p2 + j, p3 + j, Load(lt), Load(lt + 8));
    Butterfly<Inv>(x + j + 4, p1 + j + 4, p2 + j + 4, p3 + j + 4, Load(lt + 4), Load(lt + 12));
  }
}

template <bool Inv>
inline void Fft2(float* x) {
  V4 v = Load(x);
  Store(x, QX_SHUF(v, v, 0, 1, 0, 1) + Flip(QX_SHUF(v, v, 2, 3, 2, 3), kNegHigh));
}

template <bool Inv>
inline void Fft4(float* x) {
  V4 v0 = Load(x), v1 = Load(x + 4);
  V4 t = v0 + v1;  // values 0, 1 of the half transform
  V4 d = v0 - v1;  // u, v
  Store(x, QX_SHUF(t, t, 0, 1, 0, 1) + Flip(QX_SHUF(t, t, 2, 3, 2, 3), kNegHigh));
  // (u - iv, u + iv) forward, (u + iv, u - iv) reverse.
  Store(x + 4, QX_SHUF(d, d, 0, 1, 0, 1) + Flip(QX_SHUF(d, d, 3, 2, 3, 2), Inv ? kNegOuter : kNegMid));
}

template <bool Inv>
inline void Fft8(float* x) {
  constexpr float r = 0.70710677f;  // sqrt(0.5)
  Butterfly<Inv>(x, x + 4, x + 8, x + 12, V4{1, 0, r, -r}, V4{1, 0, -r, -r});
  Fft4<Inv>(x);
  Fft2<Inv>(x + 8);
  Fft2<Inv>(x + 12);
}

// Small sizes with the level count known at compile time, so every loop unrolls.
template <bool Inv, size_t L>
inline void FftFixed(float* x, const float* lt) {
  if constexpr (L == 2) {
    Fft2<Inv>(x);
  } else if constexpr (L == 4) {
    Fft4<Inv>(x);
  } else if constexpr (L == 8) {
    Fft8<Inv>(x);
  } else {
    SplitPass<Inv>(x, L, lt);
    FftFixed<Inv, L / 2>(x, lt + L);
    FftFixed<Inv, L / 4>(x + L, lt + 3 * L / 2);
    FftFixed<Inv, L / 4>(x + 3 * L / 2, lt + 3 * L / 2);
  }
}

template <bool Inv>
void SplitRadix(float* x, size_t n, const float* lt) {
  switch (n) {
    case 1:
      return;
    case 2:
      Fft2<Inv>(x);
      return;
    case 4:
      Fft4<Inv>(x);
      return;
    case 8:
      Fft8<Inv>(x);
      return;
    case 16:
      FftFixed<Inv, 16>(x, lt);
      return;
    case 32:
      FftFixed<Inv, 32>(x, lt);
      return;
    default:
      break;
  }
  SplitPass<Inv>(x, n, lt);
  SplitRadix<Inv>(x, n / 2, lt + n);
  SplitRadix<Inv>(x + n, n / 4, lt + 3 * n / 2);
  SplitRadix<Inv>(x + 3 * n / 2, n / 4, lt + 3 * n / 2);
}

// ---------------------------------------------------------------------------
// Kernels. The transform reaches them only through the routine table below.

void ScaleSinglesPortable(int32_t n, float factor, float* data) {
  if (n <= 0 || data == nullptr) return;
  const V4 f = {factor, factor, factor, factor};
  int32_t i = 0;
  for (; i + 8 <= n; i += 8) {
    Store(data + i, Load(data + i) * f);
    Store(data + i + 4, Load(data + i + 4) * f);
  }
  for (; i < n; ++i) data[i] *= factor;
}

// The bit-reversal permutation in 2 x 2 tiles. An index of m >= 2 bits is
// (row bit, middle, column bit) and its reverse is (column bit, reversed
// middle, row bit): the tile of one middle, two rows of two complex values,
// goes transposed to the tile of the reversed middle.
inline void TransposeTile(V4 r0, V4 r1, float* to, size_t row) {
  Store(to, QX_SHUF(r0, r1, 0, 1, 4, 5));
  Store(to + 2 * row, QX_SHUF(r0, r1, 2, 3, 6, 7));
}

// Walks the middles of a tiled bit reversal, each pair of partners once.
// Middles a line's worth apart have neighbouring partners in one cache line,
// so they are taken one after the other: the line is used whole while it is in.
class TTileWalk {
 public:
  // m index bits, edge bits on each side of the middle, tiles to a cache line.
  TTileWalk(int32_t m, int32_t edge, const int32_t* table, size_t per_line)
      : table_(table),
        edge_(edge),
        middles_(size_t{1} << (m - 2 * edge)),
        step_(std::max<size_t>(middles_ / per_line, 1)) {}

  // The next middle with its reverse, not below it; false when done.
  bool Next(size_t& mid, size_t& rmid) {
    while (first_ < step_) {
      const size_t at = next_;
      next_ += step_;
      if (next_ >= middles_) next_ = ++first_;
      // A middle sits in the low bits: its reverse over the middle's bits is
      // its reverse over all m bits shifted down by both edges.
      const size_t reversed = static_cast<size_t>(table_[at]) >> (2 * edge_);
      if (reversed >= at) {
        mid = at, rmid = reversed;
        return true;
      }
    }
    return false;
  }

 private:
  const int32_t* table_;
  int32_t edge_;
  size_t middles_, step_;
  size_t first_ = 0, next_ = 0;
};

void BitReverseComplexPortable(int32_t m, const int32_t* table, float* data) {
  if (m < 2) return;
  const size_t row = size_t{1} << (m - 1);  // complex values between rows
  size_t mid, rmid;
  for (TTileWalk walk(m, 1, table, 4); walk.Next(mid, rmid);) {
    const V4 a0 = Load(data + 4 * mid), a1 = Load(data + 2 * row + 4 * mid);
    if (rmid == mid) {
      TransposeTile(a0, a1, data + 4 * mid, row);
      continue;
    }
    const V4 b0 = Load(data + 4 * rmid), b1 = Load(data + 2 * row + 4 * rmid);
    TransposeTile(a0, a1, data + 4 * rmid, row);
    TransposeTile(b0, b1, data + 4 * mid, row);
  }
}

// TwiddleA for M = 2^m by rotation: w^j and w^(3j) advance by w and w^3.
void BuildComplexTwiddlesPortable(int32_t m, float* table) {
  const size_t count = (size_t{1} << m) / 4;
  if (count == 0) return;
  const double step = 2.0 * std::numbers::pi / static_cast<double>(size_t{1} << m);
  const double r1 = std::cos(step), i1 = -std::sin(step);
  const double r3 = std::cos(3 * step), i3 = -std::sin(3 * step);
  double ar = r1, ai = i1, br = r3, bi = i3;
  for (size_t j = 0; j < count; ++j) {
    table[4 * j + 0] = static_cast<float>(ar);
    table[4 * j + 1] = static_cast<float>(ai);
    table[4 * j + 2] = static_cast<float>(br);
    table[4 * j + 3] = static_cast<float>(bi);
    const double nar = ar * r1 - ai * i1, nai = ar * i1 + ai * r1;
    const double nbr = br * r3 - bi * i3, nbi = br * i3 + bi * r3;
    ar = nar, ai = nai, br = nbr, bi = nbi;
  }
}

// TwiddleB for M = 2^m, N = 2M: the angle steps by 2*pi/N from k = 1.
void BuildRealTwiddlesPortable(int32_t m, float* table) {
  const size_t count = (size_t{1} << m) / 2;
  if (count == 0) return;
  const double step = std::numbers::pi / static_cast<double>(size_t{1} << m);
  const double sr = std::cos(step), si = std::sin(step);
  double c = sr, s = si;
  for (size_t k = 0; k < count; ++k) {
    table[2 * k + 0] = static_cast<float>(0.5 * c);
    table[2 * k + 1] = static_cast<float>(0.5 * (1.0 - s));
    const double nc = c * sr - s * si, ns = c * si + s * sr;
    c = nc, s = ns;
  }
  // The quarter turn is exact: the split pass treats it as the conjugate.
  table[2 * (count - 1)] = 0.0f;
  table[2 * (count - 1) + 1] = 0.0f;
}

void ComplexFFTPortable(int32_t direction, const TMMFFTObject* fft, float* data) {
  const size_t n = static_cast<size_t>(fft->Size / 2);
  if (direction < 0) {
    SplitRadix<true>(data, n, fft->TwiddleLevels);
  } else {
    SplitRadix<false>(data, n, fft->TwiddleLevels);
  }
}

// Splits the transform Z of z[m] = x[2m] + i x[2m+1] into the spectrum X of
// x: with e = Z[k] - conj(Z[M-k]) and t = (d - ic) e, X[k] = conj(Z[M-k]) + t
// and X[M-k] = conj(Z[k] - t). The reverse direction uses t = (d + ic) e,
// X[k] = Z[k] - t and X[M-k] = Z[M-k] + conj(t).
// From bin k on; the wide kernels do the first bins themselves.
template <bool Inv>
void PostPass(size_t m, const float* tw, float* x, size_t k = 1) {
  const size_t half = m / 2;
  for (; k + 1 < half; k += 2) {
    float* pa = x + 2 * k;            // k, k + 1
    float* pb = x + 2 * (m - k - 1);  // m - k - 1, m - k
    V4 a = Load(pa);
    V4 braw = Load(pb);
    V4 b = QX_SHUF(braw, braw, 2, 3, 0, 1);  // m - k, m - k - 1
    V4 cd = Load(tw + 2 * (k - 1));
    V4 cc = QX_SHUF(cd, cd, 0, 0, 2, 2);
    V4 dd = QX_SHUF(cd, cd, 1, 1, 3, 3);
    V4 e = a - Flip(b, kNegOdd);
    V4 t = dd * e + Flip(cc * SwapReIm(e), Inv ? kNegEven : kNegOdd);
    V4 xa, xb;
    if constexpr (Inv) {
      xa = a - t;
      xb = b + Flip(t, kNegOdd);
    } else {
      xa = Flip(b, kNegOdd) + t;
      xb = Flip(a - t, kNegOdd);
    }
    Store(pa, xa);
    Store(pb, QX_SHUF(xb, xb, 2, 3, 0, 1));
  }
  for (; k < half; ++k) {
    const float c = tw[2 * (k - 1)], d = tw[2 * (k - 1) + 1];
    float* pa = x + 2 * k;
    float* pb = x + 2 * (m - k);
    const float ar = pa[0], ai = pa[1], br = pb[0], bi = pb[1];
    const float er = ar - br, ei = ai + bi;
    if constexpr (Inv) {
      const float tr = d * er - c * ei, ti = d * ei + c * er;
      pa[0] = ar - tr, pa[1] = ai - ti;
      pb[0] = br + tr, pb[1] = bi - ti;
    } else {
      const float tr = d * er + c * ei, ti = d * ei - c * er;
      pa[0] = br + tr, pa[1] = ti - bi;
      pb[0] = ar - tr, pb[1] = ti - ai;
    }
  }
  if (!Inv) x[2 * half + 1] = -x[2 * half + 1];  // X[M/2] = conj(Z[M/2])
}

void RealFFTPostPassPortable(int32_t direction, int32_t m_points, const float* twiddles, float* data) {
  if (m_points < 2) return;
  const size_t m = static_cast<size_t>(m_points);
  if (direction < 0) {
    PostPass<true>(m, twiddles, data);
  } else {
    PostPass<false>(m, twiddles, data);
  }
}

// ---------------------------------------------------------------------------
// Wide kernels for x86-64 processors with AVX2, bound at start-up: the
// portable kernels' arithmetic, value for value, on four complex values per
// vector. No fused multiply-add: it would round differently. a - b stands
// where the portable code adds a negated b, and an add-subtract where it adds
// a half-negated vector; both give the same words.

#if defined(__x86_64__)
#define QX_AVX2 __attribute__((target("avx2")))

QX_AVX2 inline __m256 Flip8(__m256 v, int32_t even, int32_t odd) {
  return _mm256_xor_ps(v, _mm256_castsi256_ps(_mm256_setr_epi32(even, odd, even, odd, even, odd, even, odd)));
}
QX_AVX2 inline __m256 SwapReIm8(__m256 v) { return _mm256_permute_ps(v, 0xB1); }
// The four complex values in reverse order.
QX_AVX2 inline __m256 Reverse8(__m256 v) {
  return _mm256_castpd_ps(_mm256_permute4x64_pd(_mm256_castps_pd(v), 0x1B));
}

template <bool Inv>
QX_AVX2 inline __m256 CMul8(__m256 a, __m256 w) {
  const __m256 re = _mm256_mul_ps(a, _mm256_moveldup_ps(w));
  const __m256 im = _mm256_mul_ps(SwapReIm8(a), _mm256_movehdup_ps(w));
  if constexpr (Inv) return _mm256_add_ps(re, Flip8(im, 0, kSign));
  return _mm256_addsub_ps(re, im);
}

// One level's butterflies, four j at a time, twiddles read in order from the
// level's run in TwiddleLevels.
template <bool Inv>
QX_AVX2 inline void SplitPassAvx2(float* x, size_t n, const float* lt) {
  const size_t q = n / 4;
  float* p1 = x + 2 * q;
  float* p2 = x + 4 * q;
  float* p3 = x + 6 * q;
  for (size_t j = 0; j < 2 * q; j += 8, lt += 16) {
    const __m256 a0 = _mm256_loadu_ps(x + j), a1 = _mm256_loadu_ps(p1 + j);
    const __m256 a2 = _mm256_loadu_ps(p2 + j), a3 = _mm256_loadu_ps(p3 + j);
    _mm256_storeu_ps(x + j, _mm256_add_ps(a0, a2));
    _mm256_storeu_ps(p1 + j, _mm256_add_ps(a1, a3));
    const __m256 u = _mm256_sub_ps(a0, a2);
    const __m256 iv = Flip8(SwapReIm8(_mm256_sub_ps(a1, a3)), kSign, 0);
    const __m256 w1 = _mm256_load_ps(lt), w3 = _mm256_load_ps(lt + 8);
    _mm256_storeu_ps(p2 + j, CMul8<Inv>(Inv ? _mm256_add_ps(u, iv) : _mm256_sub_ps(u, iv), w1));
    _mm256_storeu_ps(p3 + j, CMul8<Inv>(Inv ? _mm256_sub_ps(u, iv) : _mm256_add_ps(u, iv), w3));
  }
}

template <bool Inv, size_t L>
QX_AVX2 inline void FftFixedAvx2(float* x, const float* lt) {
  if constexpr (L <= 8) {
    FftFixed<Inv, L>(x, lt);
  } else {
    SplitPassAvx2<Inv>(x, L, lt);
    FftFixedAvx2<Inv, L / 2>(x, lt + L);
    FftFixedAvx2<Inv, L / 4>(x + L, lt + 3 * L / 2);
    FftFixedAvx2<Inv, L / 4>(x + 3 * L / 2, lt + 3 * L / 2);
  }
}

template <bool Inv>
QX_AVX2 void SplitRadixAvx2(float* x, size_t n, const float* lt) {
  switch (n) {
    case 1:
      return;
    case 2:
      return FftFixedAvx2<Inv, 2>(x, lt);
    case 4:
      return FftFixedAvx2<Inv, 4>(x, lt);
    case 8:
      return FftFixedAvx2<Inv, 8>(x, lt);
    case 16:
      return FftFixedAvx2<Inv, 16>(x, lt);
    case 32:
      return FftFixedAvx2<Inv, 32>(x, lt);
    case 64:
      return FftFixedAvx2<Inv, 64>(x, lt);
    default:
      break;
  }
  SplitPassAvx2<Inv>(x, n, lt);
  SplitRadixAvx2<Inv>(x, n / 2, lt + n);
  SplitRadixAvx2<Inv>(x + n, n / 4, lt + 3 * n / 2);
  SplitRadixAvx2<Inv>(x + 3 * n / 2, n / 4, lt + 3 * n / 2);
}

QX_AVX2 void ComplexFFTAvx2(int32_t direction, const TMMFFTObject* fft, float* data) {
  const size_t n = static_cast<size_t>(fft->Size / 2);
  if (direction < 0) {
    SplitRadixAvx2<true>(data, n, fft->TwiddleLevels);
  } else {
    SplitRadixAvx2<false>(data, n, fft->TwiddleLevels);
  }
}

// The bit-reversal permutation in 4 x 4 tiles. An index of m >= 4 bits is
// (row: 2 bits, middle, column: 2 bits); its reverse is (reversed column,
// reversed middle, reversed row). So the tile of one middle value, four rows
// of four complex values, goes to the tile of the reversed middle transposed,
// rows and columns taken in the order 0, 2, 1, 3.
QX_AVX2 inline void ReverseTile(__m256d r0, __m256d r1, __m256d r2, __m256d r3, float* to, size_t row) {
  // r0..r3 are the rows 0, 2, 1, 3 of the source tile.
  const __m256d t0 = _mm256_unpacklo_pd(r0, r1), t1 = _mm256_unpackhi_pd(r0, r1);
  const __m256d t2 = _mm256_unpacklo_pd(r2, r3), t3 = _mm256_unpackhi_pd(r2, r3);
  _mm256_storeu_pd(reinterpret_cast<double*>(to), _mm256_permute2f128_pd(t0, t2, 0x20));
  _mm256_storeu_pd(reinterpret_cast<double*>(to + 2 * row), _mm256_permute2f128_pd(t0, t2, 0x31));
  _mm256_storeu_pd(reinterpret_cast<double*>(to + 4 * row), _mm256_permute2f128_pd(t1, t3, 0x20));
  _mm256_storeu_pd(reinterpret_cast<double*>(to + 6 * row), _mm256_permute2f128_pd(t1, t3, 0x31));
}

// Row r of the tile of one middle value.
QX_AVX2 inline __m256d LoadTileRow(const float* data, size_t row, size_t mid, size_t r) {
  return _mm256_loadu_pd(reinterpret_cast<const double*>(data + 2 * (r * row + 4 * mid)));
}

// Moves the tile of one middle and the tile of its reverse to each other's place.
QX_AVX2 inline void SwapTiles(float* data, size_t row, size_t mid, size_t rmid) {
  const __m256d a0 = LoadTileRow(data, row, mid, 0), a1 = LoadTileRow(data, row, mid, 2);
  const __m256d a2 = LoadTileRow(data, row, mid, 1), a3 = LoadTileRow(data, row, mid, 3);
  if (rmid == mid) return ReverseTile(a0, a1, a2, a3, data + 8 * mid, row);
  const __m256d b0 = LoadTileRow(data, row, rmid, 0), b1 = LoadTileRow(data, row, rmid, 2);
  const __m256d b2 = LoadTileRow(data, row, rmid, 1), b3 = LoadTileRow(data, row, rmid, 3);
  ReverseTile(a0, a1, a2, a3, data + 8 * rmid, row);
  ReverseTile(b0, b1, b2, b3, data + 8 * mid, row);
}

QX_AVX2 void BitReverseComplexAvx2(int32_t m, const int32_t* table, float* data) {
  if (m < 4) return BitReverseComplexPortable(m, table, data);
  const size_t row = size_t{1} << (m - 2);  // complex values between rows
  size_t mid, rmid;
  for (TTileWalk walk(m, 2, table, 2); walk.Next(mid, rmid);) SwapTiles(data, row, mid, rmid);
}

// Bins k..k+3 with their mirrors M-k-3..M-k, as the portable pass does them
// two at a time; the last bins are left to it.
template <bool Inv>
QX_AVX2 void PostPassAvx2(size_t m, const float* tw, float* x) {
  const size_t half = m / 2;
  size_t k = 1;
  for (; k + 4 < half; k += 4) {
    float* pa = x + 2 * k;
    float* pb = x + 2 * (m - k - 3);
    const __m256 a = _mm256_loadu_ps(pa);
    const __m256 b = Reverse8(_mm256_loadu_ps(pb));
    const __m256 cd = _mm256_loadu_ps(tw + 2 * (k - 1));
    const __m256 cc = _mm256_moveldup_ps(cd), dd = _mm256_movehdup_ps(cd);
    const __m256 e = _mm256_addsub_ps(a, b);
    const __m256 ce = _mm256_mul_ps(cc, SwapReIm8(e));
    const __m256 t = _mm256_add_ps(_mm256_mul_ps(dd, e), Inv ? Flip8(ce, kSign, 0) : Flip8(ce, 0, kSign));
    __m256 xa, xb;
    if constexpr (Inv) {
      xa = _mm256_sub_ps(a, t);
      xb = _mm256_add_ps(b, Flip8(t, 0, kSign));
    } else {
      xa = _mm256_add_ps(Flip8(b, 0, kSign), t);
      xb = Flip8(_mm256_sub_ps(a, t), 0, kSign);
    }
    _mm256_storeu_ps(pa, xa);
    _mm256_storeu_ps(pb, Reverse8(xb));
  }
  PostPass<Inv>(m, tw, x, k);
}

QX_AVX2 void RealFFTPostPassAvx2(int32_t direction, int32_t m_points, const float* twiddles, float* data) {
  if (m_points < 2) return;
  const size_t m = static_cast<size_t>(m_points);
  if (direction < 0) {
    PostPassAvx2<true>(m, twiddles, data);
  } else {
    PostPassAvx2<false>(m, twiddles, data);
  }
}
#endif

// The unit's routine table. Constant-initialised to the portable kernels, so
// a transform before start-up is still correct; start-up binds the wide ones
// where the processor runs them.
struct TFFTKernels {
  void (*ScaleSingles)(int32_t n, float factor, float* data);
  void (*BitReverseComplex)(int32_t m, const int32_t* table, float* data);
  void (*BuildComplexTwiddles)(int32_t m, float* table);
  void (*BuildRealTwiddles)(int32_t m, float* table);
  void (*ComplexFFT)(int32_t direction, const TMMFFTObject* fft, float* data);
  void (*RealFFTPostPass)(int32_t direction, int32_t m_points, const float* twiddles, float* data);
};

constexpr TFFTKernels kPortableKernels = {
    ScaleSinglesPortable,      BitReverseComplexPortable, BuildComplexTwiddlesPortable,
    BuildRealTwiddlesPortable, ComplexFFTPortable,        RealFFTPostPassPortable,
};

#if defined(__x86_64__)
constexpr TFFTKernels kAvx2Kernels = {
    ScaleSinglesPortable,      BitReverseComplexAvx2, BuildComplexTwiddlesPortable,
    BuildRealTwiddlesPortable, ComplexFFTAvx2,        RealFFTPostPassAvx2,
};
#endif

TFFTKernels kernels = kPortableKernels;

// TwiddleLevels from TwiddleA: the same words, regrouped (see the header).
void BuildLevelTwiddles(int32_t m, const float* twiddle_a, float* table) {
  const size_t points = size_t{1} << m;
  for (size_t level = points; level >= 16; level /= 2) {
    float* run = table + 2 * points - 2 * level;
    const size_t stride = points / level;
    for (size_t j = 0; j < level / 4; ++j) {
      float* w1 = run + 16 * (j / 4) + 2 * (j % 4);
      float* w3 = w1 + 8;
      if (j == 0) {
        w1[0] = w3[0] = 1.0f;
        w1[1] = w3[1] = 0.0f;
        continue;
      }
      const float* pair = twiddle_a + 4 * (j * stride - 1);
      w1[0] = pair[0], w1[1] = pair[1];
      w3[0] = pair[2], w3[1] = pair[3];
    }
  }
}

// Table blocks: zero-filled, cache-line aligned for the vector loads.
constexpr std::align_val_t kTableAlign{64};

void* AllocZeroed(size_t bytes) {
  void* p = ::operator new(std::max<size_t>(bytes, 1), kTableAlign);
  std::memset(p, 0, std::max<size_t>(bytes, 1));
  return p;
}

template <typename T>
void FreeAndNil(T*& p) {
  if (p != nullptr) ::operator delete(static_cast<void*>(p), kTableAlign);
  p = nullptr;
}

constexpr long double kPi = std::numbers::pi_v<long double>;

}  // namespace

float FFTWindowValue(TMMFFTWindow kind, int32_t i, int32_t n) {
  if (n <= 0) return 1.0f;
  const long double x = static_cast<long double>(i);
  const long double len = static_cast<long double>(n);
  long double v = 1.0L;
  switch (kind) {
    case fwHamming:
      v = 0.54L - 0.46L * std::cos(2 * kPi * x / len);
      break;
    case fwHanning:
      v = 0.5L - 0.5L * std::cos(2 * kPi * x / len);
      break;
    case fwBlackman:
      v = 0.42L - 0.5L * std::cos(2 * kPi * x / len) + 0.08L * std::cos(4 * kPi * x / len);
      break;
    case fwGaussian:
      v = std::exp(-5 * (2 * x - len) * (2 * x - len) / (len * len));
      break;
    case fwWelch: {
      const long double r = (2 * x - len) / (len + 1);
      v = 1 - r * r;
      break;
    }
    case fwParzen:
      v = 1 - std::fabs(2 * x - len) / (len + 1);
      break;
    default:
      break;
  }
  return static_cast<float>(v);
}

void BuildFFTWindowTable(int32_t* table, TMMFFTWindow kind, int32_t order) {
  if (table == nullptr || order < 0 || order > 30) return;
  const int32_t n = int32_t{1} << order;
  for (int32_t i = 0; i < n; ++i) {
    table[i] = FloatFloor(static_cast<long double>(FFTWindowValue(kind, i, n)) * 32767 + 0.5L);
  }
}

void BuildBitReverseTable(int32_t* table, int32_t m) {
  if (table == nullptr || m < 0 || m > 30) return;
  const uint32_t n = uint32_t{1} << m;
  for (uint32_t i = 0; i < n; ++i) {
    uint32_t r = 0;
    for (int32_t b = 0; b < m; ++b) r |= ((i >> b) & 1u) << (m - 1 - b);
    table[i] = static_cast<int32_t>(r);
  }
}

PMMFFTObject CreateFFT(int32_t order) {
  // 2^31 does not fit the 32-bit Size field, so order 30 is the largest.
  if (order < 1 || order > 30) return nullptr;
  const size_t n = size_t{1} << order;
  PMMFFTObject fft = new TMMFFTObject;
  fft->Order = order;
  fft->Size = static_cast<int32_t>(n);
  fft->Scale = 1.0f / static_cast<float>(n);
  try {
    fft->BitReverse = static_cast<int32_t*>(AllocZeroed(n / 2 * sizeof(int32_t)));
    fft->TwiddleA = static_cast<float*>(AllocZeroed(n / 4 * 2 * sizeof(float)));
    fft->TwiddleB = static_cast<float*>(AllocZeroed(n / 4 * 2 * sizeof(float)));
    fft->TwiddleLevels = static_cast<float*>(AllocZeroed(n * sizeof(float)));
  } catch (...) {
    FreeFFT(fft);
    throw;
  }
  BuildBitReverseTable(fft->BitReverse, order - 1);
  kernels.BuildComplexTwiddles(order - 1, fft->TwiddleA);
  kernels.BuildRealTwiddles(order - 1, fft->TwiddleB);
  BuildLevelTwiddles(order - 1, fft->TwiddleA, fft->TwiddleLevels);
  return fft;
}

void FreeFFT(PMMFFTObject& fft) {
  if (fft == nullptr) return;
  FreeAndNil(fft->BitReverse);
  FreeAndNil(fft->TwiddleA);
  FreeAndNil(fft->TwiddleB);
  FreeAndNil(fft->TwiddleLevels);
  delete fft;
  fft = nullptr;
}

void RealFFT(const TMMFFTObject* fft, float* data, int32_t direction) {
  if (fft == nullptr || data == nullptr) return;
  direction = std::clamp(direction, -1, 1);
  const int32_t m = fft->Size / 2;
  kernels.ComplexFFT(direction, fft, data);
  kernels.BitReverseComplex(fft->Order - 1, fft->BitReverse, data);
  data[0] += data[1];
  data[1] = 0.0f;
  kernels.RealFFTPostPass(direction, m, fft->TwiddleB, data);
  if (direction < 0) kernels.ScaleSingles(fft->Size, fft->Scale, data);
}

bool SelectFFTKernels(bool wide) {
  kernels = kPortableKernels;
#if defined(__x86_64__)
  __builtin_cpu_init();
  if (wide && __builtin_cpu_supports("avx2")) {
    kernels = kAvx2Kernels;
    return true;
  }
#endif
  (void)wide;
  return false;
}

void InitFFTKernels() { SelectFFTKernels(true); }

}  // namespace engine
