// RealFFT, with its start-up kernels and with the portable ones, beside FFTW
// (planned with FFTW_MEASURE) and KissFFT, real input to half spectrum, single
// precision, single thread. Every routine transforms the same noise; ours
// works in place, so each iteration first restores its input, and the peers
// copy their input too to keep the comparison even.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "engine/MMFFT.h"

#if QUELLIX_BENCH_FFTW
#include <fftw3.h>
#endif
#if QUELLIX_BENCH_KISSFFT
#include <kiss_fftr.h>
#endif

namespace {

std::vector<float> Noise(size_t n) {
  std::vector<float> x(n);
  uint32_t state = 12345;
  for (auto& v : x) {
    state = state * 1664525u + 1013904223u;
    v = static_cast<float>(static_cast<double>(state >> 8) / (1 << 23) - 1.0);
  }
  return x;
}

int Order(int64_t n) {
  int order = 0;
  while ((int64_t{1} << order) < n) ++order;
  return order;
}

void RunRealFFT(benchmark::State& state) {
  const size_t n = static_cast<size_t>(state.range(0));
  engine::PMMFFTObject fft = engine::CreateFFT(Order(state.range(0)));
  const std::vector<float> input = Noise(n);
  std::vector<float> data(n);
  for (auto _ : state) {
    std::memcpy(data.data(), input.data(), n * sizeof(float));
    engine::RealFFT(fft, data.data(), 1);
    benchmark::DoNotOptimize(data.data());
    benchmark::ClobberMemory();
  }
  engine::FreeFFT(fft);
}

// With the kernels the program binds at start-up.
void BM_RealFFT(benchmark::State& state) {
  engine::InitFFTKernels();
  RunRealFFT(state);
}

// With the portable kernels, to show what the wide ones gain.
void BM_RealFFTPortable(benchmark::State& state) {
  engine::SelectFFTKernels(false);
  RunRealFFT(state);
  engine::InitFFTKernels();
}

#if QUELLIX_BENCH_FFTW
void BM_FFTW(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  float* in = fftwf_alloc_real(n);
  fftwf_complex* out = fftwf_alloc_complex(n / 2 + 1);
  fftwf_plan plan = fftwf_plan_dft_r2c_1d(n, in, out, FFTW_MEASURE);
  const std::vector<float> input = Noise(static_cast<size_t>(n));
  for (auto _ : state) {
    std::memcpy(in, input.data(), input.size() * sizeof(float));
    fftwf_execute(plan);
    benchmark::DoNotOptimize(out);
    benchmark::ClobberMemory();
  }
  fftwf_destroy_plan(plan);
  fftwf_free(out);
  fftwf_free(in);
}
#endif

#if QUELLIX_BENCH_KISSFFT
void BM_KissFFT(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  kiss_fftr_cfg cfg = kiss_fftr_alloc(n, 0, nullptr, nullptr);
  const std::vector<float> input = Noise(static_cast<size_t>(n));
  std::vector<float> in(input.size());
  std::vector<kiss_fft_cpx> out(static_cast<size_t>(n / 2 + 1));
  for (auto _ : state) {
    std::memcpy(in.data(), input.data(), input.size() * sizeof(float));
    kiss_fftr(cfg, in.data(), out.data());
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  kiss_fftr_free(cfg);
}
#endif

void Sizes(benchmark::internal::Benchmark* b) {
  for (int64_t n : {256, 2048, 16384, 32768}) b->Arg(n);
}

}  // namespace

BENCHMARK(BM_RealFFT)->Apply(Sizes);
BENCHMARK(BM_RealFFTPortable)->Apply(Sizes);
#if QUELLIX_BENCH_FFTW
BENCHMARK(BM_FFTW)->Apply(Sizes);
#endif
#if QUELLIX_BENCH_KISSFFT
BENCHMARK(BM_KissFFT)->Apply(Sizes);
#endif

BENCHMARK_MAIN();
