#pragma once
// The real FFT as it stood before its kernels were tuned, kept frozen as the
// reference the tuned kernels must match word for word. Only the test that
// makes that comparison includes this file.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <numbers>
#include <vector>

namespace engine::fft_reference {
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
// w_L^j = w_M^(j*s) come from TwiddleA at stride s = M/L.

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
inline void SplitPass(float* x, size_t n, const float* tw, size_t s) {
  const size_t q = n / 4;
  float* p1 = x + 2 * q;
  float* p2 = x + 4 * q;
  float* p3 = x + 6 * q;
  {
    V4 b = Load(tw + 4 * (s - 1));
    V4 w1 = {1, 0, b[0], b[1]};
    V4 w3 = {1, 0, b[2], b[3]};
    Butterfly<Inv>(x, p1, p2, p3, w1, w3);
  }
  for (size_t j = 2; j < q; j += 2) {
    V4 a = Load(tw + 4 * (j * s - 1));
    V4 b = Load(tw + 4 * ((j + 1) * s - 1));
    Butterfly<Inv>(x + 2 * j, p1 + 2 * j, p2 + 2 * j, p3 + 2 * j, QX_SHUF(a, b, 0, 1, 4, 5),
                   QX_SHUF(a, b, 2, 3, 6, 7));
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
inline void FftFixed(float* x, const float* tw, size_t s) {
  if constexpr (L == 2) {
    Fft2<Inv>(x);
  } else if constexpr (L == 4) {
    Fft4<Inv>(x);
  } else if constexpr (L == 8) {
    Fft8<Inv>(x);
  } else {
    SplitPass<Inv>(x, L, tw, s);
    FftFixed<Inv, L / 2>(x, tw, 2 * s);
    FftFixed<Inv, L / 4>(x + L, tw, 4 * s);
    FftFixed<Inv, L / 4>(x + 3 * L / 2, tw, 4 * s);
  }
}

template <bool Inv>
void SplitRadix(float* x, size_t n, const float* tw, size_t s) {
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
      FftFixed<Inv, 16>(x, tw, s);
      return;
    case 32:
      FftFixed<Inv, 32>(x, tw, s);
      return;
    default:
      break;
  }
  SplitPass<Inv>(x, n, tw, s);
  SplitRadix<Inv>(x, n / 2, tw, 2 * s);
  SplitRadix<Inv>(x + n, n / 4, tw, 4 * s);
  SplitRadix<Inv>(x + 3 * n / 2, n / 4, tw, 4 * s);
}

// ---------------------------------------------------------------------------

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

inline void SwapComplex(float* data, size_t i, size_t r) {
  uint64_t a, b;
  std::memcpy(&a, data + 2 * i, 8);
  std::memcpy(&b, data + 2 * r, 8);
  std::memcpy(data + 2 * i, &b, 8);
  std::memcpy(data + 2 * r, &a, 8);
}

// An index of m bits is split into a high field a, a middle bit when m is odd,
// and a low field rev(c), both fields h bits wide. Its reverse is then the
// index with high field c and low field rev(a), so every pair is met exactly
// once by walking a < c: no test on the scattered reversed index, whose
// outcome the processor could not predict.
void BitReverseComplexPortable(int32_t m, const int32_t* table, float* data) {
  if (m < 2) return;
  const int h = m / 2;
  const int high = m - h;                // shift of the high field
  const size_t fields = size_t{1} << h;  // values of one field
  const size_t middles = size_t{1} << (m - 2 * h);
  // A value below 2^h sits in the low bits, so its m-bit reverse is its h-bit
  // reverse shifted up by m - h.
  auto rev = [&](size_t x) { return static_cast<size_t>(table[x]) >> high; };
  for (size_t a = 0; a < fields; ++a) {
    const size_t ra = rev(a);
    for (size_t c = a + 1; c < fields; ++c) {
      const size_t rc = rev(c);
      for (size_t mid = 0; mid < middles; ++mid) {
        SwapComplex(data, (a << high) | (mid << h) | rc, (c << high) | (mid << h) | ra);
      }
    }
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

void ComplexFFTPortable(int32_t direction, int32_t m_points, const float* twiddles, float* data) {
  if (m_points < 1) return;
  const size_t n = static_cast<size_t>(m_points);
  if (direction < 0) {
    SplitRadix<true>(data, n, twiddles, 1);
  } else {
    SplitRadix<false>(data, n, twiddles, 1);
  }
}

// Splits the transform Z of z[m] = x[2m] + i x[2m+1] into the spectrum X of
// x: with e = Z[k] - conj(Z[M-k]) and t = (d - ic) e, X[k] = conj(Z[M-k]) + t
// and X[M-k] = conj(Z[k] - t). The reverse direction uses t = (d + ic) e,
// X[k] = Z[k] - t and X[M-k] = Z[M-k] + conj(t).
template <bool Inv>
void PostPass(size_t m, const float* tw, float* x) {
  const size_t half = m / 2;
  size_t k = 1;
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

// The whole transform on tables of its own, so that a change to the object's
// tables shows as well.
void RealFFT(int32_t order, float* data, int32_t direction) {
  const size_t n = size_t{1} << order;
  const int32_t m = static_cast<int32_t>(n / 2);
  std::vector<int32_t> bit_reverse(n / 2);
  for (size_t i = 0; i < n / 2; ++i) {
    uint32_t r = 0;
    for (int32_t b = 0; b < order - 1; ++b) r |= ((i >> b) & 1u) << (order - 2 - b);
    bit_reverse[i] = static_cast<int32_t>(r);
  }
  std::vector<float> twiddle_a(n / 4 * 2 + 4), twiddle_b(n / 4 * 2 + 2);
  BuildComplexTwiddlesPortable(order - 1, twiddle_a.data());
  BuildRealTwiddlesPortable(order - 1, twiddle_b.data());
  direction = direction < -1 ? -1 : direction > 1 ? 1 : direction;
  ComplexFFTPortable(direction, m, twiddle_a.data(), data);
  BitReverseComplexPortable(order - 1, bit_reverse.data(), data);
  data[0] += data[1];
  data[1] = 0.0f;
  RealFFTPostPassPortable(direction, m, twiddle_b.data(), data);
  if (direction < 0) ScaleSinglesPortable(static_cast<int32_t>(n), 1.0f / static_cast<float>(n), data);
}

}  // namespace
}  // namespace engine::fft_reference
