// A file scan of the average page as the main window runs it, headless: a
// one-hour 44.1 kHz 16-bit stereo wave file, written by the benchmark, pumped
// by the trigger through the window's chain into result slot 1 while the
// message loop runs the connectors' passes. The figures: the scan's speed as
// a multiple of real time (goal at least 100) and the memory the scan keeps
// (its rows' sums, the values it takes them from and the highest values;
// goal under 20 MB). The run ends with two lines for scripts:
//   scan_speed_x_realtime=<value>
//   scan_state_mb=<value>
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/MainForm.h"
#include "bench/AudioSecond.h"
#include "bench/ProgramWindow.h"
#include "platform/kernel/Clock.h"
#include "platform/user/Input.h"
#include "platform/user/Messages.h"

namespace {

constexpr int64_t kSeconds = 3600;

// A RIFF wave file of kSeconds of the benchmarks' source second, over and over.
std::string WriteHourFile(const std::string& folder) {
  const std::string name = folder + "/hour.wav";
  const std::vector<int16_t> second = bench::SourceSecond();
  const auto second_bytes = static_cast<uint32_t>(second.size() * sizeof(int16_t));
  const uint32_t data_bytes = second_bytes * static_cast<uint32_t>(kSeconds);
  std::ofstream out(name, std::ios::binary);
  auto u32 = [&](uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
  auto u16 = [&](uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); };
  out.write("RIFF", 4);
  u32(36 + data_bytes);
  out.write("WAVEfmt ", 8);
  u32(16);
  u16(1);
  u16(2);
  u32(bench::kRate);
  u32(bench::kBytesPerSecond);
  u16(4);
  u16(16);
  out.write("data", 4);
  u32(data_bytes);
  for (int64_t s = 0; s < kSeconds; ++s)
    out.write(reinterpret_cast<const char*>(second.data()), second_bytes);
  return out ? name : std::string();
}

// A bounded round: while the connectors run, each idle step posts the next,
// so the queue is never empty.
void Pump() {
  plat::user::PumpBackendEvents(0);
  plat::MSG msg;
  for (int i = 0; i < 500 && plat::PeekMessageA(&msg, nullptr, 0, 0, plat::PM_REMOVE); ++i)
    plat::DispatchMessageA(&msg);
}

double speed_x_realtime = 0;

void BM_ScanOneHourFile(benchmark::State& state) {
  bench::TProgramWindow program(std::make_unique<plat::backend::HeadlessBackend>(), Pump);
  for (int i = 0; i < 400 && !app::FrmMain->StartupDone(); ++i) {
    Pump();
    plat::Sleep(5);
  }
  char folder[] = "/tmp/quellix-scan-XXXXXX";
  const std::string file = mkdtemp(folder) ? WriteHourFile(folder) : std::string();
  if (file.empty()) {
    state.SkipWithError("the hour file could not be written");
    return;
  }
  app::TFrmMain* w = app::FrmMain;
  w->rg_octave->SetItemIndex(4);
  double seconds = 0;
  for (auto _ : state) {
    w->SelectScanSlot(1);
    const auto start = std::chrono::steady_clock::now();
    w->StartFileScan(file);
    // The program's message loop, until the trigger's stop has been handled.
    plat::MSG msg;
    while (w->ScanRunning() && plat::GetMessageA(&msg, nullptr, 0, 0)) plat::DispatchMessageA(&msg);
    seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    state.SetIterationTime(seconds);
  }
  speed_x_realtime = static_cast<double>(kSeconds) / seconds;
  state.counters["x_realtime"] = speed_x_realtime;
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);
}
BENCHMARK(BM_ScanOneHourFile)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  const double state_mb =
      static_cast<double>(app::TFrmMain::ScanStateBytes() + app::TFrmMain::MaxBinsBytes()) /
      (1024.0 * 1024.0);
  std::printf("scan_speed_x_realtime=%.1f\n", speed_x_realtime);
  std::printf("scan_state_mb=%.3f\n", state_mb);
  return 0;
}
