// The main window's whole analysis and drawing path headless: the window as
// the program starts it, then fed from a wave source block by block as its
// input would deliver them (the first connector, the second, both peak
// detectors and the plug-in stage), with 25 refresh passes of each connector
// a second of 44.1 kHz 16-bit stereo audio, each running what the window
// hangs on them (the band computation, the spectrum, the level meters and the
// scopes), on the manual clock and driven as fast as it goes. Each display
// mode is a benchmark of its own; the start-up mode (1/12-octave bands) gives
// the figure: the process's CPU time per second of audio, goal at most 5 ms
// (200 times real time on one core). The run ends with one line for scripts:
//   cpu_ms_per_audio_second=<value>
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/AppForms.h"
#include "app/MainForm.h"
#include "app/Units.h"
#include "bench/AudioSecond.h"
#include "bench/ProgramWindow.h"
#include "engine/MMWaveHdr.h"
#include "platform/backend/HeadlessBackend.h"
#include "platform/kernel/Clock.h"
#include "platform/kernel/UnitTable.h"
#include "platform/mm/WaveDevices.h"
#include "platform/registry/Registry.h"
#include "platform/user/Input.h"
#include "platform/user/MessageBox.h"
#include "platform/user/Messages.h"
#include "platform/vcl/Application.h"
#include "resources/ProgramResources.h"

namespace {

constexpr int kPassesPerSecond = 25;
using bench::kBytesPerSecond;
using bench::ProcessCpuMs;
constexpr int64_t kPassIntervalUs = 1'000'000 / kPassesPerSecond;

// Resident memory of the process in MB, from /proc.
double ResidentMB() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmRSS:", 0) == 0) return std::stod(line.substr(6)) / 1024.0;
  return 0;
}

// A bounded round: timers, paints and whatever the passes posted.
void Pump() {
  plat::user::PumpBackendEvents(0);
  plat::MSG msg;
  for (int i = 0; i < 500 && plat::PeekMessageA(&msg, nullptr, 0, 0, plat::PM_REMOVE); ++i)
    plat::DispatchMessageA(&msg);
}

// The program as it starts, on the real clock until start-up has ended.
class TProgram {
 public:
  TProgram() : window_(std::make_unique<plat::backend::HeadlessBackend>(), Pump) {
    // On the real clock: the running connectors pause between their idle steps.
    for (int i = 0; i < 400 && !app::FrmMain->StartupDone(); ++i) {
      Pump();
      plat::Sleep(5);
    }
    // The input device goes, and with it the connectors' idle steps, before
    // the benchmarks move the clock themselves.
    app::FrmMain->MMWaveIn1->Close();
    for (int i = 0; i < 100 && displays::ConnectorIdleStepPending(); ++i) Pump();
  }

 private:
  bench::TProgramWindow window_;
};

// The window's chain taken off its input device and fed block by block; its
// connectors run a pass when asked, not on their own.
struct TAppChain {
  explicit TAppChain(int mode) {
    app::TFrmMain* w = app::FrmMain;
    w->rg_octave->SetItemIndex(mode);
    for (displays::TMMConnector* c : {w->MMConnector1, w->conect2}) {
      c->SetRealTime(false);
      c->SetAutoTrigger(false);
    }
    block_bytes = w->MMWaveIn1->BufferSize();
    // What the input's open and start give every member of its segment.
    for (engine::TMMDSPComponent* c : Segment()) {
      c->SetBufferSize(block_bytes);
      c->Opened();
    }
    for (engine::TMMDSPComponent* c : Segment()) c->Started();
  }
  ~TAppChain() {
    for (engine::TMMDSPComponent* c : Segment()) c->Stopped();
    for (engine::TMMDSPComponent* c : Segment()) c->Closed();
  }

  std::vector<engine::TMMDSPComponent*> Segment() const {
    app::TFrmMain* w = app::FrmMain;
    return {w->MMConnector1, w->conect2, w->MMPeakDetect1, w->MMPeakDetect2, w->DSPPlugin};
  }

  // One second of audio: blocks as they fill, a pass of both connectors each 40 ms.
  void Second() {
    app::TFrmMain* w = app::FrmMain;
    auto* bytes = reinterpret_cast<char*>(source.data());
    for (int pass = 0; pass < kPassesPerSecond; ++pass) {
      plat::clock::Advance(kPassIntervalUs);
      pending += kBytesPerSecond / kPassesPerSecond;
      while (pending >= block_bytes) {
        if (read + block_bytes > kBytesPerSecond) read = 0;
        hdr.lpData = bytes + read;
        hdr.dwBufferLength = hdr.dwBytesRecorded = static_cast<plat::DWORD>(block_bytes);
        w->MMConnector1->BufferReady(&hdr);
        read += block_bytes;
        pending -= block_bytes;
      }
      w->MMConnector1->Trigger();
      w->conect2->Trigger();
      Pump();
    }
  }

  std::vector<int16_t> source = bench::SourceSecond();
  engine::TMMWaveHdr hdr{};
  int32_t block_bytes = 0;
  int32_t read = 0;
  int64_t pending = 0;
};

std::unique_ptr<TProgram> program;
double start_mode_cpu_ms = 0;
int64_t start_mode_seconds = 0;
double resident_mb = 0;

void AppChainSecondOfAudio(benchmark::State& state, int mode) {
  if (!program) program = std::make_unique<TProgram>();
  plat::ScopedManualClock clock;
  TAppChain chain(mode);
  chain.Second();  // the first paints and buffers are not the steady state
  double cpu_ms = 0;
  for (auto _ : state) {
    const double start = ProcessCpuMs();
    chain.Second();
    cpu_ms += ProcessCpuMs() - start;
  }
  if (mode == 2) {
    start_mode_cpu_ms += cpu_ms;
    start_mode_seconds += state.iterations();
    resident_mb = ResidentMB();
  }
  state.counters["cpu_ms"] = cpu_ms / static_cast<double>(state.iterations());
  state.SetLabel("per second of audio");
}

void RegisterModes() {
  const std::pair<const char*, int> modes[] = {
      {"twelfth_octave", 2}, {"third_octave", 0}, {"24th_octave", 3}, {"zoom", 6}, {"fft_2048", 4}};
  for (const auto& [name, mode] : modes)
    benchmark::RegisterBenchmark((std::string("BM_AppChainSecondOfAudio/") + name).c_str(),
                                 AppChainSecondOfAudio, mode)
        ->Unit(benchmark::kMillisecond);
}

}  // namespace

int main(int argc, char** argv) {
  RegisterModes();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  program.reset();
  if (resident_mb > 0) std::printf("resident_mb=%.1f\n", resident_mb);
  if (start_mode_seconds > 0)
    std::printf("cpu_ms_per_audio_second=%.3f\n",
                start_mode_cpu_ms / static_cast<double>(start_mode_seconds));
  return 0;
}
