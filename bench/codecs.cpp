// Codec speed as a multiple of real time for 44.1 kHz stereo: the counter
// x_realtime is seconds of audio handled per second of CPU time.
//
// Encoding: TMMMP3Encoder at its defaults (160 kbit/s) and at a VBR setting,
// fed a second of a two-tone signal in 4608-byte pushes, the encoded blocks
// going to its event only, so no disk time is counted.
//
// Decoding: TMMMpeg reading ten seconds of a 128 kbit/s joint-stereo tone
// (encoded once at start) in 4608-byte pulls, as the player pulls it.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "engine/MMDSPObj.h"
#include "engine/MMPCMSup.h"
#include "files/LameEnc.h"
#include "files/MMLame.h"
#include "files/MMMPEG.h"
#include "tests/files/MpegFixtures.h"

namespace {

constexpr int kRate = 44100;

// Above the encoder: hands down its format.
class TBenchFeed : public engine::TMMDSPComponent {
  VCL_DECLARE_CLASS(TBenchFeed, engine::TMMDSPComponent)
 public:
  explicit TBenchFeed(vcl::TComponent* owner) : engine::TMMDSPComponent(owner) {}
};
VCL_IMPLEMENT_CLASS(TBenchFeed, engine::DSPOutputProp())

std::vector<int16_t> TwoTones(int frames) {
  std::vector<int16_t> pcm;
  pcm.reserve(static_cast<size_t>(frames) * 2);
  for (int i = 0; i < frames; ++i) {
    const double t = static_cast<double>(i) / kRate;
    pcm.push_back(static_cast<int16_t>(12000 * std::sin(2 * M_PI * 440 * t)));
    pcm.push_back(static_cast<int16_t>(12000 * std::sin(2 * M_PI * 3000 * t)));
  }
  return pcm;
}

void BM_EncodeMP3(benchmark::State& state) {
  // The module sits beside the test programs, not beside the benchmarks.
  files::SetLameEncoderModuleName(QUELLIX_BIN_DIR "/lame_enc.so");
  plat::WAVEFORMATEX format{};
  engine::BuildPCMFormat(format, 16, 2, kRate);
  const std::vector<int16_t> pcm = TwoTones(kRate);
  std::vector<char> block(4608);
  plat::WAVEHDR hdr{};
  hdr.lpData = block.data();
  hdr.dwBufferLength = static_cast<plat::DWORD>(block.size());
  int64_t encoded = 0;
  for (auto _ : state) {
    TBenchFeed feed(nullptr);
    files::TMMMP3Encoder enc(nullptr);
    feed.SetFormat(&format);
    enc.SetInput(&feed);
    if (state.range(0)) {
      enc.SetVBREnabled(true);
      enc.SetVBRMethod(files::vbrMTRH);
    }
    enc.OnBufferReady = [&](vcl::TObject*, plat::WAVEHDR* h) { encoded += h->dwBytesRecorded; };
    enc.Opened();
    enc.Started();
    const auto* bytes = reinterpret_cast<const char*>(pcm.data());
    const size_t total = pcm.size() * 2;
    for (size_t at = 0; at < total; at += block.size()) {
      const size_t n = std::min(block.size(), total - at);
      std::copy(bytes + at, bytes + at + n, block.data());
      hdr.dwBytesRecorded = static_cast<plat::DWORD>(n);
      enc.BufferReady(&hdr);
    }
    enc.Stopped();
    enc.Closed();
  }
  benchmark::DoNotOptimize(encoded);
  state.SetLabel(state.range(0) ? "VBR (MTRH, quality 5)" : "CBR 160 kbit/s, quality 2");
  state.counters["x_realtime"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_EncodeMP3)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_DecodeMP3(benchmark::State& state) {
  files::SetMpegDecoderModule(QUELLIX_BIN_DIR "/mmmpeg32.so");
  filestest::Mp3Spec spec;
  spec.seconds = 10;
  spec.right_hz = 3000;
  const std::string path = std::string(QUELLIX_BIN_DIR) + "/bench_codecs_decode.mp3";
  filestest::WriteBytes(path, filestest::EncodeMp3(spec));
  files::TMMMpeg mpeg;
  mpeg.SetFileName(path);
  mpeg.Open();
  std::vector<char> block(4608);
  int64_t decoded = 0;
  for (auto _ : state) {
    mpeg.Reset();
    int32_t n = 0;
    do {
      n = mpeg.ReadData(block.data(), static_cast<int32_t>(block.size()));
      decoded += n;
    } while (n == static_cast<int32_t>(block.size()));
  }
  mpeg.Close();
  std::remove(path.c_str());
  benchmark::DoNotOptimize(decoded);
  state.SetLabel("128 kbit/s joint stereo");
  // Seconds of audio per second of CPU time.
  state.counters["x_realtime"] =
      benchmark::Counter(static_cast<double>(decoded) / (kRate * 4.0), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_DecodeMP3)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
