// The main window's display set without the application: one wave source
// feeding three connectors and the displays they link (six level meters, a
// spectrum, three oscilloscopes and a spectrogram), all on a form of the
// headless screen, driven as fast as it goes on the manual clock with 25
// refresh passes a second of 44.1 kHz 16-bit stereo audio. The scopes are
// the top panel's left and right pair on the first connector and the
// analyser page's scope with both scales, grid and mid line on the second.
// The figure is the process's CPU time per second of audio; the goal is at
// most 5 ms (200 times real time on one core). The run ends with one line
// for scripts:
//   cpu_ms_per_audio_second=<value>
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "bench/AnalyserScope.h"
#include "bench/AudioSecond.h"
#include "displays/MMConect.h"
#include "displays/MMLevel.h"
#include "displays/MMOscope.h"
#include "displays/MMSpectrogram.h"
#include "displays/MMSpectrum.h"
#include "engine/MMPCMSup.h"
#include "platform/kernel/Clock.h"
#include "platform/vcl/Application.h"
#include "platform/vcl/Forms.h"

namespace {

using namespace displays;

constexpr int kPassesPerSecond = 25;
using bench::kBytesPerSecond;
using bench::ProcessCpuMs;
constexpr int32_t kBlockBytes = 16384;
constexpr int64_t kPassIntervalUs = 1'000'000 / kPassesPerSecond;

// The parts of the set, linked alone to measure each one's share.
enum TChainPart { cpAll, cpLevels, cpSpectrum, cpSpectrogram, cpPairScopes, cpAnalyserScope, cpNone };

struct TDisplayChain {
  // Every display stands on the form; only those of `part` are linked to
  // their connectors and fed.
  explicit TDisplayChain(TChainPart part) {
    setenv("QUELLIX_BACKEND", "headless", 0);
    vcl::InitApplication();
    vcl::InitForms();
    form = new vcl::TForm(vcl::Application);
    form->SetBounds(0, 0, 840, 480);
    engine::BuildPCMFormat(format, 16, 2, bench::kRate);
    const auto linked = [part](TChainPart p) { return part == cpAll || part == p; };
    for (int c = 0; c < 3; ++c) {
      auto& connector = connectors[static_cast<size_t>(c)];
      connector = std::make_unique<TMMConnector>(nullptr);
      connector->SetRealTime(false);
      connector->SetAutoTrigger(false);
      connector->SetBufferSize(kBlockBytes);
      connector->SetFormat(&format);
      for (int i = 0; i < 2; ++i) {
        auto* level = new TMMLevel(form);
        level->SetParent(form);
        level->SetBounds(10 + 210 * c, 10 + 25 * i, 200, 17);
        level->SetChannel(i == 0 ? engine::chLeft : engine::chRight);
        if (linked(cpLevels)) connector->SetDisplay(dgLevel, i, level);
      }
    }
    auto* spectrum = new TMMSpectrum(form);
    spectrum->SetParent(form);
    spectrum->SetBounds(10, 70, 400, 180);
    if (linked(cpSpectrum)) connectors[0]->SetDisplay(dgSpectrum, 0, spectrum);
    auto* spectrogram = new TMMSpectrogram(form);
    spectrogram->SetParent(form);
    spectrogram->SetBounds(420, 70, 194, 90);
    if (linked(cpSpectrogram)) connectors[0]->SetDisplay(dgSpectrogram, 0, spectrogram);
    for (int i = 0; i < 2; ++i) {
      auto* scope = new TMMOscope(form);
      scope->SetParent(form);
      scope->SetKind(okConLines);
      scope->SetChannel(i == 0 ? engine::chLeft : engine::chRight);
      scope->SetBounds(630, 70 + 70 * i, 200, 60);
      if (linked(cpPairScopes)) connectors[0]->SetDisplay(dgOscope, i, scope);
    }
    auto* scope = new TMMOscope(form);
    scope->SetParent(form);
    bench::ShapeAnalyserScope(scope, 10, 260);
    if (linked(cpAnalyserScope)) connectors[1]->SetDisplay(dgOscope, 0, scope);
    form->Show();
    for (auto& connector : connectors) {
      connector->Opened();
      connector->Started();
    }
  }
  ~TDisplayChain() {
    for (auto& connector : connectors) connector->Stopped();
    for (auto& connector : connectors) connector.reset();
    delete form;
    vcl::DoneForms();
    vcl::DoneApplication();
  }

  // One second of audio: blocks as they fill, a pass of every connector
  // each 40 ms.
  void Second() {
    const auto* bytes = reinterpret_cast<const uint8_t*>(source.data());
    int32_t read = 0;
    int64_t pending = 0;
    for (int pass = 0; pass < kPassesPerSecond; ++pass) {
      plat::clock::Advance(kPassIntervalUs);
      pending += kBytesPerSecond / kPassesPerSecond;
      while (pending >= kBlockBytes) {
        if (read + kBlockBytes > kBytesPerSecond) read = 0;
        for (auto& connector : connectors)
          connector->StoreData(const_cast<uint8_t*>(bytes + read), kBlockBytes);
        read += kBlockBytes;
        pending -= kBlockBytes;
      }
      for (auto& connector : connectors) connector->Trigger();
    }
  }

  vcl::TForm* form = nullptr;
  plat::WAVEFORMATEX format{};
  std::unique_ptr<TMMConnector> connectors[3];
  std::vector<int16_t> source = bench::SourceSecond();
};

double total_cpu_ms = 0;
int64_t total_seconds = 0;

// One second of audio through the set with `part` linked. Only the whole
// set counts towards the line for scripts.
void DisplayChainSecondOfAudio(benchmark::State& state, TChainPart part) {
  plat::ScopedManualClock clock;
  TDisplayChain chain(part);
  chain.Second();  // the first paints and buffers are not the steady state
  double cpu_ms = 0;
  for (auto _ : state) {
    const double start = ProcessCpuMs();
    chain.Second();
    cpu_ms += ProcessCpuMs() - start;
  }
  if (part == cpAll) {
    total_cpu_ms += cpu_ms;
    total_seconds += state.iterations();
  }
  state.counters["cpu_ms"] = cpu_ms / static_cast<double>(state.iterations());
  state.SetLabel("per second of audio");
}

// "connectors" is the connectors alone, the baseline of every part.
void RegisterParts() {
  const std::pair<const char*, TChainPart> parts[] = {
      {"all", cpAll},
      {"6_levels", cpLevels},
      {"spectrum", cpSpectrum},
      {"spectrogram", cpSpectrogram},
      {"pair_scopes", cpPairScopes},
      {"analyser_scope", cpAnalyserScope},
      {"connectors", cpNone},
  };
  for (const auto& [name, part] : parts)
    benchmark::RegisterBenchmark((std::string("BM_DisplayChainSecondOfAudio/") + name).c_str(),
                                 DisplayChainSecondOfAudio, part)
        ->Unit(benchmark::kMillisecond);
}

}  // namespace

int main(int argc, char** argv) {
  RegisterParts();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  if (total_seconds > 0)
    std::printf("cpu_ms_per_audio_second=%.3f\n", total_cpu_ms / static_cast<double>(total_seconds));
  return 0;
}
