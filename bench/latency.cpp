// How long a sound takes from the input to the screen: the main window as the
// program starts it, on the headless screen and the real clock, its input on
// the virtual loopback input. The benchmark plays a full-scale 1 kHz tone into
// the loopback output; the clock time of its first sample is known to the
// frame, since the output plays what it is given from the clock time it is
// given it. The time of the first presented picture of the main window whose
// spectrum column of the tone or whose left level meter shows the tone,
// less the tone's start, is one trial's latency. Between trials the displays
// fall back to silence, and each tone starts at a random point of the input's
// buffer. Trials run for each delivery mode of the input; the input keeps
// the buffer size of the window's description.
//
// Per mode it prints the median, the 95th percentile and what showed the tone
// first; the goal is one buffer's duration plus 16 ms. It ends with two lines
// for scripts, over all trials:
//   latency_ms_median=<value>
//   latency_ms_p95=<value>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "app/MainForm.h"
#include "bench/ProgramWindow.h"
#include "platform/backend/HeadlessBackend.h"
#include "platform/kernel/Clock.h"
#include "platform/mm/WaveDevices.h"
#include "platform/vcl/Application.h"

namespace {

constexpr int kTrialsPerMode = 30;
constexpr int kRate = 44100;
constexpr int kToneMs = 300;
// A display counts as fallen back once no picture has shown the tone for this long.
constexpr int64_t kQuietUs = 250'000;

int64_t NowUs() { return plat::ClockNowMicroseconds(); }

// The memory screen, telling the benchmark of every picture presented.
class TWatchedScreen : public plat::backend::HeadlessBackend {
 public:
  std::function<void(plat::HWND, const plat::Surface&)> on_present;

  bool Present(plat::HWND window, const std::vector<plat::RECT>& dirty) override {
    const bool presented = HeadlessBackend::Present(window, dirty);
    if (on_present)
      if (const plat::Surface* surface = WindowSurface(window)) on_present(window, *surface);
    return presented;
  }
};

uint32_t Rgb(vcl::TColor c) {
  const auto v = static_cast<uint32_t>(vcl::ColorToRGB(c));
  return ((v & 0xFF) << 16) | (v & 0xFF00) | ((v >> 16) & 0xFF);
}

// A column of a display in the window's surface, lit when more than
// `threshold` of its pixels have one of the bar colours.
struct TColumn {
  int x = 0, y0 = 0, y1 = 0, threshold = 0;
  std::vector<uint32_t> colours;

  int Count(const plat::Surface& s) const {
    if (x < 0 || x >= s.width || s.bits_per_pixel != 32) return 0;
    int n = 0;
    for (int y = std::max(y0, 0); y < std::min(y1, s.height); ++y) {
      const int row = s.top_down ? y : s.height - 1 - y;
      const auto pixel =
          reinterpret_cast<const uint32_t*>(s.bits + static_cast<ptrdiff_t>(row) * s.stride)[x] & 0xFFFFFFu;
      n += std::find(colours.begin(), colours.end(), pixel) != colours.end();
    }
    return n;
  }
  bool Lit(const plat::Surface& s) const { return Count(s) > threshold; }
};

// Window surface coordinates of a point of a control's client area.
vcl::TPoint InWindow(vcl::TControl* control, int x, int y, const plat::RECT& window) {
  const vcl::TPoint p = control->ClientToScreen(vcl::TPoint{x, y});
  return {p.x - window.left, p.y - window.top};
}

double Percentile(std::vector<double> v, double p) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  const double rank = p * static_cast<double>(v.size() - 1);
  const auto low = static_cast<size_t>(std::floor(rank));
  const size_t high = std::min(low + 1, v.size() - 1);
  return v[low] + (v[high] - v[low]) * (rank - static_cast<double>(low));
}

class TLatencyBench {
 public:
  TLatencyBench()
      : program_(std::make_unique<TWatchedScreen>(), [] { Pump(50'000); }),
        screen_(dynamic_cast<TWatchedScreen*>(&plat::backend::Current())) {
    PumpUntil([] { return app::FrmMain->StartupDone(); }, 10'000'000);
    screen_->on_present = [this](plat::HWND window, const plat::Surface& s) { Presented(window, s); };
    OpenTone();
  }
  ~TLatencyBench() {
    screen_->on_present = {};
    if (out_) {
      plat::waveOutReset(out_);
      plat::waveOutUnprepareHeader(out_, &header_, sizeof(header_));
      plat::waveOutClose(out_);
    }
  }
  TLatencyBench(const TLatencyBench&) = delete;
  TLatencyBench& operator=(const TLatencyBench&) = delete;

  bool Ready() const { return out_ != nullptr && app::FrmMain && app::FrmMain->StartupDone(); }

  // The input restarted in the delivery mode; false when it does not run.
  bool Deliver(engine::TMMCBMode mode) {
    app::TFrmMain* w = app::FrmMain;
    w->MMWaveIn1->Close();
    w->MMWaveIn1->SetCallBackMode(mode);
    w->MMWaveIn1->Start();
    Pump(1'000'000);  // the first buffers and pictures are not the steady state
    return w->MMWaveIn1->CallBackMode() == mode;
  }

  // The tone's spectrum column, found by playing it once and looking at every
  // column of the spectrum; the left meter's middle column.
  bool Calibrate() {
    app::TFrmMain* w = app::FrmMain;
    const plat::HWND window = w->Handle();
    const auto rect = screen_->WindowRect(window);
    if (!rect) return false;
    displays::TMMSpectrum* s = w->MMSpectrum1;
    const vcl::TRect r = s->DrawRect();
    const vcl::TPoint top = InWindow(s, r.left, r.top, *rect);
    const vcl::TPoint bottom = InWindow(s, r.left, r.bottom, *rect);
    spectrum_ = {0,
                 top.y,
                 bottom.y,
                 (r.bottom - r.top) / 4,
                 {Rgb(s->Bar1Color()), Rgb(s->Bar2Color()), Rgb(s->Bar3Color())}};
    displays::TMMLevel* m = w->MMLevel1;
    const vcl::TPoint meter_top = InWindow(m, m->Width() / 2, 0, *rect);
    meter_ = {meter_top.x,
              meter_top.y,
              meter_top.y + m->Height(),
              m->Height() / 4,
              {Rgb(m->Bar1Color()), Rgb(m->Bar2Color()), Rgb(m->Bar3Color())}};

    // Each column's most lit pixels in silence, then while the tone plays.
    const int width = r.right - r.left;
    std::vector<int> quiet(static_cast<size_t>(width)), loud(static_cast<size_t>(width));
    std::vector<int>* counts = &quiet;
    calibrate_ = [&](const plat::Surface& surface) {
      TColumn column = spectrum_;
      for (int x = 0; x < width; ++x) {
        column.x = top.x + x;
        int& n = (*counts)[static_cast<size_t>(x)];
        n = std::max(n, column.Count(surface));
      }
    };
    Pump(500'000);
    counts = &loud;
    PlayTone();
    Pump(kToneMs * 1000);
    calibrate_ = {};
    int best = -1;
    for (int x = 0; x < width; ++x)
      if (quiet[static_cast<size_t>(x)] <= spectrum_.threshold &&
          (best < 0 || loud[static_cast<size_t>(x)] > loud[static_cast<size_t>(best)]))
        best = x;
    if (best < 0) return false;
    spectrum_.x = top.x + best;
    std::printf("spectrum column %d: %d of %d pixels lit in silence, %d by the tone; meter column %d\n", best,
                quiet[static_cast<size_t>(best)], spectrum_.y1 - spectrum_.y0,
                loud[static_cast<size_t>(best)], meter_.x);
    return loud[static_cast<size_t>(best)] > spectrum_.threshold;
  }

  struct TTrial {
    double ms = 0;
    bool by_meter = false;
  };

  // One tone: waits for silence on both displays and a random part of a
  // buffer, then times the tone's way to the screen; nothing on a time-out.
  std::optional<TTrial> Trial(std::mt19937& random, int buffer_us) {
    if (!PumpUntil(
            [this] {
              return !lit_ && NowUs() - last_lit_us_ >= kQuietUs && (header_.dwFlags & plat::WHDR_DONE);
            },
            20'000'000))
      return std::nullopt;
    Pump(std::uniform_int_distribution<int>(0, buffer_us)(random));
    seen_us_ = 0;
    const int64_t start = PlayTone();
    armed_ = true;
    const bool seen = PumpUntil([this] { return seen_us_ != 0; }, 3'000'000);
    armed_ = false;
    if (!seen) return std::nullopt;
    return TTrial{static_cast<double>(seen_us_ - start) / 1000.0, seen_by_meter_};
  }

 private:
  void Presented(plat::HWND window, const plat::Surface& s) {
    if (!app::FrmMain || window != app::FrmMain->Handle()) return;
    if (calibrate_) {
      calibrate_(s);
      return;
    }
    if (spectrum_.colours.empty()) return;
    const bool by_spectrum = spectrum_.Lit(s);
    const bool by_meter = meter_.Lit(s);
    lit_ = by_spectrum || by_meter;
    if (!lit_) return;
    const int64_t now = NowUs();
    last_lit_us_ = now;
    if (armed_ && seen_us_ == 0) {
      seen_us_ = now;
      seen_by_meter_ = !by_spectrum;
    }
  }

  void OpenTone() {
    plat::WAVEFORMATEX format{};
    format.wFormatTag = plat::WAVE_FORMAT_PCM;
    format.nChannels = 2;
    format.nSamplesPerSec = kRate;
    format.wBitsPerSample = 16;
    format.nBlockAlign = 4;
    format.nAvgBytesPerSec = kRate * 4;
    const plat::UINT device = plat::wavedev::FindWaveOutDevice("Loopback Output");
    if (plat::waveOutOpen(&out_, device, &format, 0, 0, plat::CALLBACK_NULL) != plat::MMSYSERR_NOERROR) {
      out_ = nullptr;
      return;
    }
    const int frames = kRate * kToneMs / 1000;
    tone_.resize(static_cast<size_t>(frames) * 2);
    for (int i = 0; i < frames; ++i) {
      const auto v = static_cast<int16_t>(std::lround(32000.0 * std::sin(2 * M_PI * 1000.0 * i / kRate)));
      tone_[2 * static_cast<size_t>(i)] = tone_[2 * static_cast<size_t>(i) + 1] = v;
    }
    header_.lpData = reinterpret_cast<char*>(tone_.data());
    header_.dwBufferLength = static_cast<plat::DWORD>(tone_.size() * sizeof(int16_t));
    plat::waveOutPrepareHeader(out_, &header_, sizeof(header_));
    header_.dwFlags |= plat::WHDR_DONE;
  }

  // The clock time of the tone's first sample: the output plays a buffer from
  // the frame of the clock time it is written on.
  int64_t PlayTone() {
    const int64_t start = NowUs();
    plat::waveOutWrite(out_, &header_, sizeof(header_));
    return start;
  }

  static void HandleOne() {
    try {
      vcl::Application->HandleMessage();
    } catch (...) {
      vcl::Application->HandleException(vcl::Application);
    }
  }
  // The message loop for `us` microseconds, or until `done`.
  static bool PumpUntil(const std::function<bool()>& done, int64_t us) {
    const int64_t end = NowUs() + us;
    while (!done()) {
      if (NowUs() >= end) return false;
      HandleOne();
    }
    return true;
  }
  static void Pump(int64_t us) {
    PumpUntil([] { return false; }, us);
  }

  bench::TProgramWindow program_;
  TWatchedScreen* screen_ = nullptr;
  plat::HWAVEOUT out_ = nullptr;
  plat::WAVEHDR header_{};
  std::vector<int16_t> tone_;
  TColumn spectrum_, meter_;
  std::function<void(const plat::Surface&)> calibrate_;
  // Written by the presents on the main thread, read between messages on it.
  bool lit_ = false;
  int64_t last_lit_us_ = 0;
  bool armed_ = false;
  int64_t seen_us_ = 0;
  bool seen_by_meter_ = false;
};

}  // namespace

int main() {
  TLatencyBench bench;
  if (!bench.Ready()) {
    std::fprintf(stderr, "latency: the main window or the loopback output did not start\n");
    return 1;
  }
  const int32_t buffer_bytes = app::FrmMain->MMWaveIn1->BufferSize();
  const int buffer_us = static_cast<int>(int64_t{buffer_bytes} / 4 * 1'000'000 / kRate);
  const double goal_ms = buffer_us / 1000.0 + 16.0;
  std::printf("input buffer %d bytes = %.1f ms of 44.1 kHz 16-bit stereo; goal %.1f ms\n", buffer_bytes,
              buffer_us / 1000.0, goal_ms);
  std::mt19937 random(12345);
  std::vector<double> all;
  bool calibrated = false;
  for (const auto& [name, mode] :
       {std::pair{"window", engine::cmWindow}, std::pair{"thread", engine::cmThread}}) {
    if (!bench.Deliver(mode)) {
      std::printf("delivery %s: not available here\n", name);
      continue;
    }
    if (!calibrated && !(calibrated = bench.Calibrate())) {
      std::fprintf(stderr, "latency: the tone never showed in the spectrum\n");
      return 1;
    }
    std::vector<double> ms;
    int by_meter = 0, lost = 0;
    for (int i = 0; i < kTrialsPerMode; ++i) {
      if (const auto trial = bench.Trial(random, buffer_us)) {
        ms.push_back(trial->ms);
        by_meter += trial->by_meter;
      } else if (++lost == 3) {
        break;
      }
    }
    std::printf(
        "delivery %-6s trials %2zu  median %6.1f ms  p95 %6.1f ms  min %6.1f  max %6.1f  "
        "first shown by the meter %d, by the spectrum %zu; timed out %d\n",
        name, ms.size(), Percentile(ms, 0.5), Percentile(ms, 0.95),
        ms.empty() ? 0 : *std::min_element(ms.begin(), ms.end()),
        ms.empty() ? 0 : *std::max_element(ms.begin(), ms.end()), by_meter, ms.size() - by_meter, lost);
    all.insert(all.end(), ms.begin(), ms.end());
  }
  if (all.empty()) return 1;
  std::printf("latency_ms_median=%.1f\n", Percentile(all, 0.5));
  std::printf("latency_ms_p95=%.1f\n", Percentile(all, 0.95));
  return 0;
}
