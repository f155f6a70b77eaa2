#pragma once
// Spectral arithmetic: window functions with their fixed-point tables, and a
// real-input FFT computed as an in-place split-radix complex transform of half
// the size followed by a linear split pass. Pure arithmetic on caller-owned
// arrays: safe from any thread as long as no two threads share the arrays.
#include <cstdint>

namespace engine {

// Stored as one byte; ordinals above fwParzen behave as fwRectangular.
enum TMMFFTWindow : uint8_t {
  fwRectangular,
  fwHamming,
  fwHanning,
  fwBlackman,
  fwGaussian,
  fwWelch,
  fwParzen,
};

// The precomputed tables of one transform size, N = 2^Order real values.
struct TMMFFTObject {
  int32_t Order = 0;  // 1..30
  int32_t Size = 0;   // N
  float Scale = 0;    // 1/N
  // N/2 entries: i with its Order - 1 low bits reversed.
  int32_t* BitReverse = nullptr;
  // M = N/2, w = e^(-2*pi*i/M): for j = 1..M/4 the pairs w^j, w^(3j) as (re, im).
  float* TwiddleA = nullptr;
  // For k = 1..M/2: (0.5 * cos(2*pi*k/N), 0.5 * (1 - sin(2*pi*k/N))).
  float* TwiddleB = nullptr;
  // The TwiddleA words regrouped level by level for the vector kernels, N
  // entries: level L = M, M/2, ..., 16 starts at entry 2M - 2L and holds, for
  // each run of four j < L/4, w_L^j of the four as (re, im), then w_L^(3j).
  float* TwiddleLevels = nullptr;
};
using PMMFFTObject = TMMFFTObject*;

// Periodic window value at position i of n, rounded to single precision.
// A length n <= 0 has no window: the value is 1.
float FFTWindowValue(TMMFFTWindow kind, int32_t i, int32_t n);
// Table[i] = floor(FFTWindowValue(kind, i, 2^order) * 32767 + 0.5) for
// i < 2^order. Orders outside 0..30 and a missing table leave it untouched.
void BuildFFTWindowTable(int32_t* table, TMMFFTWindow kind, int32_t order);

// Table[i] = i with its m low bits reversed, for i < 2^m (m in 0..30).
void BuildBitReverseTable(int32_t* table, int32_t m);

// A new object for orders 1..30, else null. Raises std::bad_alloc when memory
// runs out; no partial object is left behind.
PMMFFTObject CreateFFT(int32_t order);
// Frees the object and its tables and clears the variable; null is left alone.
void FreeFFT(PMMFFTObject& fft);

// Transforms fft->Size floats in place. Direction is clamped to -1..1; 0 and 1
// give the forward spectrum X[k] = sum x[n] e^(-2*pi*i*k*n/N), unscaled, packed
// as Data[0] = X[0], Data[1] = 0 (the Nyquist term is dropped), then
// Data[2k], Data[2k+1] = Re, Im X[k] for k = 1..N/2-1. Direction -1 gives
// (1/N) sum x[n] e^(+2*pi*i*k*n/N) in the same packing. No object or no data:
// nothing happens.
void RealFFT(const TMMFFTObject* fft, float* data, int32_t direction);

// Unit start-up: binds the unit's kernel table to the widest kernels the
// processor runs. The table starts out bound to the portable kernels, so a
// transform before start-up is still correct; both give the same words.
void InitFFTKernels();
// Binds the wide kernels when asked for and the processor runs them, else the
// portable ones; returns whether the wide ones are bound. For comparisons.
bool SelectFFTKernels(bool wide);

}  // namespace engine
