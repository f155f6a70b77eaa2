// The displays' share of the analyser's time. Each figure is the CPU time
// spent on one second of 44.1 kHz 16-bit stereo audio with 25 refresh passes
// a second, as the main window runs them.
//
// Level meters: the main window's input pair at the default 200 x 17, shown
// on a form of the headless screen, each refreshed once a pass from its
// 50-frame stretch with a level that changes every pass, so that every pass
// draws the bar and puts it on the screen.
//
// Needle meter: one meter at the default 170 x 90 on the same kind of form,
// fed the same sweep, so the needle moves every pass: each pass composes a
// frame from the cached scale and puts it on the screen.
//
// Level scale: one at the default 200 x 7 on the same kind of form, labels
// only, repainted through the window system once a pass. It repaints only
// when invalidated, so this is its most: a paint every pass.
//
// Light organ: one at the default 194 x 90 with its default 128-point FFT,
// fed the same sweep (a tone in the treble band) with a treble gain that
// keeps it below full brightness, so the treble light changes on every pass:
// each pass runs the FFT, the band levels and the palette animation of the
// changed light, and copies the image to the screen. Circles animate 3
// palette entries, spheres of 60 rings 180.
//
// Spectrogram: one at the default 194 x 90 on the same kind of form, one
// column a pass from its FFT-length stretch of a tone that changes every
// pass: the window, the FFT, the bin values and the column composed into
// the DIB and put on the screen, wrapping or, with Scroll, moving the
// screen once the image is full. Run at FFT 128 (the default) and 1024.
//
// Spectrum: one 500 x 200 spectrum of bars at 24 bits on the same kind of
// form, FFT 2048, each pass fed its 2048 frames of the sweep: each pass
// analyses the frame, draws every bar over the unlit template and puts the
// picture on the screen.
//
// Oscilloscope: the analyser page's scope, 561 x 197 with both scales, grid
// and mid line, connected lines of 495 points, fed the same sweep once a
// pass: each pass converts 495 frames, draws the trace into the DIB and puts
// it on the screen.
//
// Scrolling scope: the same scope in Scroll mode with its FFTLength of 256,
// as the connector feeds it, each refresh finding the block's extremes and
// drawing one column. With Accelerate (1) a refresh every 256 bytes of audio
// (689 a second, about 28 a pass) puts the column on the screen and scrolls
// the screen; without (0) a refresh every 1024 bytes (172 a second) scrolls
// the whole DIB and copies it.
//
// Connector: the copy of each 16384-byte block and the pacing of its groups,
// with displays that return at once (two level meters, two scopes and a
// spectrum, as the main window links them), on the manual clock. The clock's
// own steps are measured alone as the baseline to subtract.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "bench/AnalyserScope.h"
#include "displays/MMConect.h"
#include "displays/MMLevel.h"
#include "displays/MMLevelScale.h"
#include "displays/MMLight.h"
#include "displays/MMMeter.h"
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

// A stretch per pass whose peak sweeps 35 dB down, as music would.
std::vector<std::vector<int16_t>> Sweep(int32_t bytes) {
  std::vector<std::vector<int16_t>> stretches(kPassesPerSecond, std::vector<int16_t>(bytes / 2));
  for (int pass = 0; pass < kPassesPerSecond; ++pass) {
    const double level = 32767 * std::pow(10.0, -35.0 * pass / kPassesPerSecond / 20);
    for (size_t k = 0; k < stretches[pass].size(); ++k)
      stretches[pass][k] = static_cast<int16_t>(level * std::sin(0.37 * static_cast<double>(k)));
  }
  return stretches;
}

// The application and a form of the headless screen for the displays of
// one benchmark, and the 16-bit stereo format they are fed.
struct TScreenForm {
  TScreenForm(int width, int height) {
    setenv("QUELLIX_BACKEND", "headless", 0);
    vcl::InitApplication();
    vcl::InitForms();
    form = new vcl::TForm(vcl::Application);
    form->SetBounds(0, 0, width, height);
    engine::BuildPCMFormat(format, 16, 2, 44100);
  }
  ~TScreenForm() {
    delete form;
    vcl::DoneForms();
    vcl::DoneApplication();
  }

  // A new display of type T on the form at (left, top).
  template <class T>
  T* Place(int left, int top) {
    auto* display = new T(form);
    display->SetParent(form);
    display->SetLeft(left);
    display->SetTop(top);
    return display;
  }

  vcl::TForm* form = nullptr;
  plat::WAVEFORMATEX format{};
};

// One second of passes for a level meter pair.
void BM_LevelMeterPairSecondOfAudio(benchmark::State& state) {
  TScreenForm screen(240, 80);
  vcl::TForm* form = screen.form;
  TMMLevel* meters[2];
  for (int i = 0; i < 2; ++i) {
    meters[i] = new TMMLevel(form);
    meters[i]->SetParent(form);
    meters[i]->SetBounds(10, 10 + 30 * i, 200, 17);
    meters[i]->SetWaveFormat(&screen.format);
    meters[i]->SetChannel(i == 0 ? engine::chLeft : engine::chRight);
  }
  form->Show();
  int64_t drawings = 0;
  for (TMMLevel* meter : meters) meter->OnPaint = [&](vcl::TObject*) { ++drawings; };
  const auto stretches = Sweep(meters[0]->BytesPerRefresh());
  for (auto _ : state) {
    for (int pass = 0; pass < kPassesPerSecond; ++pass)
      for (TMMLevel* meter : meters) meter->RefreshPCMData(stretches[pass].data());
  }
  state.SetLabel("time per second of audio");
  state.counters["bars drawn"] =
      benchmark::Counter(static_cast<double>(drawings), benchmark::Counter::kAvgIterations);
}

BENCHMARK(BM_LevelMeterPairSecondOfAudio)->Unit(benchmark::kMicrosecond);

// One second of passes for a needle meter.
void BM_NeedleMeterSecondOfAudio(benchmark::State& state) {
  TScreenForm screen(200, 120);
  vcl::TForm* form = screen.form;
  auto* meter = screen.Place<TMMMeter>(10, 10);
  meter->SetWaveFormat(&screen.format);
  form->Show();
  int64_t drawings = 0;
  meter->OnPostPaint = [&](vcl::TObject*) { ++drawings; };
  const auto stretches = Sweep(meter->BytesPerRefresh());
  for (auto _ : state) {
    for (int pass = 0; pass < kPassesPerSecond; ++pass) meter->RefreshPCMData(stretches[pass].data());
  }
  state.SetLabel("time per second of audio");
  state.counters["frames drawn"] =
      benchmark::Counter(static_cast<double>(drawings), benchmark::Counter::kAvgIterations);
}

BENCHMARK(BM_NeedleMeterSecondOfAudio)->Unit(benchmark::kMicrosecond);

// One second of passes for a level scale.
void BM_LevelScaleSecondOfAudio(benchmark::State& state) {
  TScreenForm screen(240, 40);
  vcl::TForm* form = screen.form;
  auto* scale = screen.Place<TMMLevelScale>(10, 10);
  form->Show();
  int64_t paints = 0;
  // Every paint starts with one fill of the background.
  scale->Canvas()->SetRecorder([&](const vcl::TCanvasCall& call) { paints += call.kind == vcl::ccFill; });
  for (auto _ : state) {
    for (int pass = 0; pass < kPassesPerSecond; ++pass) scale->Repaint();
  }
  scale->Canvas()->SetRecorder(nullptr);
  state.SetLabel("time per second of audio");
  state.counters["paints"] =
      benchmark::Counter(static_cast<double>(paints), benchmark::Counter::kAvgIterations);
}

BENCHMARK(BM_LevelScaleSecondOfAudio)->Unit(benchmark::kMicrosecond);

// One second of passes for a light organ, as circles (0) or spheres (1).
void BM_LightOrganSecondOfAudio(benchmark::State& state) {
  TScreenForm screen(220, 120);
  vcl::TForm* form = screen.form;
  auto* light = screen.Place<TMMLight>(10, 10);
  light->SetKind(state.range(0) ? lkSphere : lkCircle);
  // Low enough that even the sweep's loudest pass stays below full brightness.
  light->SetGainTreble(5);
  light->SetWaveFormat(&screen.format);
  form->Show();
  const auto stretches = Sweep(light->BytesPerRefresh());
  int64_t changes = 0;
  for (auto _ : state) {
    for (int pass = 0; pass < kPassesPerSecond; ++pass) {
      const int32_t before = light->LightBrightness(2);
      light->RefreshPCMData(stretches[pass].data());
      changes += light->LightBrightness(2) != before;
    }
  }
  state.SetLabel("time per second of audio");
  state.counters["treble changes"] =
      benchmark::Counter(static_cast<double>(changes), benchmark::Counter::kAvgIterations);
}

BENCHMARK(BM_LightOrganSecondOfAudio)->ArgName("spheres")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// One second of passes for a spectrogram; state.range(0) is the FFT length,
// state.range(1) Scroll.
void BM_SpectrogramSecondOfAudio(benchmark::State& state) {
  TScreenForm screen(240, 120);
  vcl::TForm* form = screen.form;
  auto* spectrogram = screen.Place<TMMSpectrogram>(10, 10);
  spectrogram->SetWaveFormat(&screen.format);
  spectrogram->SetFFTLength(static_cast<int32_t>(state.range(0)));
  spectrogram->SetScroll(state.range(1) != 0);
  form->Show();
  const auto stretches = Sweep(spectrogram->BytesPerRefresh());
  int64_t columns = 0;
  for (auto _ : state) {
    for (int pass = 0; pass < kPassesPerSecond; ++pass) spectrogram->RefreshPCMData(stretches[pass].data());
    columns += kPassesPerSecond;
  }
  state.SetLabel("time per second of audio");
  state.counters["columns"] =
      benchmark::Counter(static_cast<double>(columns), benchmark::Counter::kAvgIterations);
}

BENCHMARK(BM_SpectrogramSecondOfAudio)
    ->ArgNames({"fft", "scroll"})
    ->Args({128, 0})
    ->Args({1024, 0})
    ->Args({128, 1})
    ->Unit(benchmark::kMicrosecond);

// One second of passes for a spectrum.
void BM_SpectrumSecondOfAudio(benchmark::State& state) {
  TScreenForm screen(540, 240);
  vcl::TForm* form = screen.form;
  auto* spectrum = screen.Place<TMMSpectrum>(10, 10);
  spectrum->SetBounds(10, 10, 500, 200);
  spectrum->SetBitsPerPixel(24);
  spectrum->SetKind(skBars);
  spectrum->SetFFTLength(2048);
  spectrum->SetWaveFormat(&screen.format);
  form->Show();
  const auto stretches = Sweep(spectrum->BytesPerRefresh());
  for (auto _ : state) {
    for (int pass = 0; pass < kPassesPerSecond; ++pass) spectrum->RefreshPCMData(stretches[pass].data());
  }
  state.SetLabel("time per second of audio");
}

BENCHMARK(BM_SpectrumSecondOfAudio)->Unit(benchmark::kMicrosecond);

//
// The analyser page's scope on its form, fed 16-bit stereo.
TMMOscope* AnalyserScope(TScreenForm& screen) {
  auto* scope = screen.Place<TMMOscope>(8, 12);
  bench::ShapeAnalyserScope(scope, 8, 12);
  scope->SetWaveFormat(&screen.format);
  return scope;
}

// One second of passes for the analyser's oscilloscope.
void BM_OscopeSecondOfAudio(benchmark::State& state) {
  TScreenForm screen(580, 220);
  TMMOscope* scope = AnalyserScope(screen);
  screen.form->Show();
  int64_t drawings = 0;
  scope->OnPostPaint = [&](vcl::TObject*) { ++drawings; };
  const auto stretches = Sweep(scope->BytesPerRefresh());
  for (auto _ : state) {
    for (int pass = 0; pass < kPassesPerSecond; ++pass) scope->RefreshPCMData(stretches[pass].data());
  }
  state.SetLabel("time per second of audio");
  state.counters["traces drawn"] =
      benchmark::Counter(static_cast<double>(drawings), benchmark::Counter::kAvgIterations);
}

BENCHMARK(BM_OscopeSecondOfAudio)->Unit(benchmark::kMicrosecond);

// One second of refreshes for the analyser's scope in Scroll mode, without
// (0) or with (1) Accelerate.
void BM_ScrollingOscopeSecondOfAudio(benchmark::State& state) {
  TScreenForm screen(580, 220);
  TMMOscope* scope = AnalyserScope(screen);
  scope->SetScroll(true);
  scope->SetAccelerate(state.range(0) != 0);
  screen.form->Show();
  int64_t drawings = 0;
  scope->OnPostPaint = [&](vcl::TObject*) { ++drawings; };
  // The connector advances a quarter of the block per refresh with
  // Accelerate, the whole block without.
  const int32_t advance = scope->BytesPerRefresh() / (state.range(0) != 0 ? 4 : 1);
  const int32_t refreshes = 44100 * 4 / advance;
  const auto stretches = Sweep(scope->BytesPerRefresh());
  for (auto _ : state) {
    for (int i = 0; i < refreshes; ++i) scope->RefreshPCMData(stretches[i % kPassesPerSecond].data());
  }
  state.SetLabel("time per second of audio");
  state.counters["columns drawn"] =
      benchmark::Counter(static_cast<double>(drawings), benchmark::Counter::kAvgIterations);
}

BENCHMARK(BM_ScrollingOscopeSecondOfAudio)
    ->ArgName("accelerate")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMicrosecond);

constexpr int32_t kBytesPerSecond = 44100 * 4;
constexpr int32_t kBlockBytes = 16384;
constexpr int64_t kPassIntervalUs = 1'000'000 / kPassesPerSecond;

// Takes its stretch and does nothing with it.
class TIdleDisplay : public vcl::TComponent, public TMMDisplayProtocol {
 public:
  explicit TIdleDisplay(int32_t bytes) : vcl::TComponent(nullptr), bytes_(bytes) {}
  void SetWaveFormat(const plat::WAVEFORMATEX*) override {}
  int32_t BytesPerRefresh() const override { return bytes_; }
  void RefreshPCMData(const void* data) override { benchmark::DoNotOptimize(data); }
  void ResetData() override {}
  engine::TMMBits BitLength() const override { return engine::b16Bit; }
  engine::TMMMode Mode() const override { return engine::mStereo; }

 private:
  int32_t bytes_;
};

struct TConnectorRig {
  TConnectorRig() {
    const plat::WAVEFORMATEX format{plat::WAVE_FORMAT_PCM, 2, 44100, kBytesPerSecond, 4, 16, 0};
    connector.SetRealTime(false);
    connector.SetAutoTrigger(false);
    connector.SetBufferSize(kBlockBytes);
    connector.SetFormat(&format);
    connector.SetDisplay(dgLevel, 0, &level1);
    connector.SetDisplay(dgLevel, 1, &level2);
    connector.SetDisplay(dgOscope, 0, &scope1);
    connector.SetDisplay(dgOscope, 1, &scope2);
    connector.SetDisplay(dgSpectrum, 0, &spectrum);
    connector.Opened();
    connector.Started();
  }
  ~TConnectorRig() { connector.Stopped(); }

  TIdleDisplay level1{200}, level2{200}, scope1{1024}, scope2{1024}, spectrum{8192};
  TMMConnector connector{nullptr};
  std::vector<uint8_t> block = std::vector<uint8_t>(kBlockBytes, 1);
};

// One iteration is one second of audio: blocks as they fill, 25 passes.
void BM_ConnectorSecondOfAudio(benchmark::State& state) {
  plat::ScopedManualClock clock;
  TConnectorRig rig;
  int64_t pending_bytes = 0;
  for (auto _ : state) {
    for (int pass = 0; pass < kPassesPerSecond; ++pass) {
      plat::clock::Advance(kPassIntervalUs);
      pending_bytes += kBytesPerSecond / kPassesPerSecond;
      while (pending_bytes >= kBlockBytes) {
        rig.connector.StoreData(rig.block.data(), kBlockBytes);
        pending_bytes -= kBlockBytes;
      }
      rig.connector.Trigger();
    }
  }
  state.SetLabel("time per second of audio");
}

// The clock's steps of the loop above, without the connector.
void BM_ManualClockSecond(benchmark::State& state) {
  plat::ScopedManualClock clock;
  for (auto _ : state)
    for (int pass = 0; pass < kPassesPerSecond; ++pass) plat::clock::Advance(kPassIntervalUs);
  state.SetLabel("baseline");
}

BENCHMARK(BM_ConnectorSecondOfAudio)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ManualClockSecond)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
