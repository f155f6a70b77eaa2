// The analysis chain as the main window runs it, without devices: a stereo
// 16-bit 44100 Hz sine from the generator pulled through a peak detector, one
// FFT block per buffer. The generator alone is measured as the baseline, and
// the detector with a peak-ready handler as the second detector runs it.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "engine/MMFXGen.h"
#include "engine/MMPeak.h"

namespace {

using namespace engine;

struct TChain {
  explicit TChain(int32_t fft_length) {
    generator.SetSampleRate(44100);
    generator.SetBitLength(b16Bit);
    generator.SetMode(mStereo);
    generator.SetAmplitude(8212);
    detector.SetFFTLength(fft_length);
    detector.SetInput(&generator);
    generator.Opened();
    detector.Opened();
    buffer.resize(static_cast<size_t>(fft_length) * 4);
    hdr.lpData = buffer.data();
    hdr.dwBufferLength = static_cast<plat::DWORD>(buffer.size());
  }
  TMMGenerator generator{nullptr};
  TMMPeakDetect detector{nullptr};
  std::vector<char> buffer;
  plat::WAVEHDR hdr;
};

void BM_Generator(benchmark::State& state) {
  TChain chain(static_cast<int32_t>(state.range(0)));
  bool more = true;
  for (auto _ : state) {
    chain.generator.BufferLoad(&chain.hdr, more);
    benchmark::DoNotOptimize(chain.buffer.data());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_AnalysisChain(benchmark::State& state) {
  TChain chain(static_cast<int32_t>(state.range(0)));
  int64_t sum = 0;
  if (state.range(1)) chain.detector.OnPeakReady = [&sum](vcl::TObject*, int32_t, int32_t v) { sum += v; };
  bool more = true;
  for (auto _ : state) {
    chain.detector.BufferLoad(&chain.hdr, more);
    benchmark::DoNotOptimize(chain.detector.PeakValue(1));
  }
  benchmark::DoNotOptimize(sum);
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

BENCHMARK(BM_Generator)->Arg(1024)->Arg(16384)->Arg(32768)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_AnalysisChain)
    ->ArgsProduct({{1024, 16384, 32768}, {0, 1}})
    ->ArgNames({"fft", "handler"})
    ->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
