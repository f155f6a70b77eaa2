// The wave output on the manual clock and the virtual devices: what it plays
// reaches the loopback input byte for byte in every delivery mode, looping and
// rewinding, stops asked for inside a delivery, the driver's error texts,
// time-outs that leave buffers with the driver, and the property rules.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/MMUtils.h"
#include "engine/MMWavOut.h"
#include "platform/kernel/Clock.h"
#include "platform/kernel/SystemInfo.h"
#include "platform/kernel/ThreadQueue.h"
#include "platform/kernel/WaitCore.h"
#include "platform/mm/WaveFaulty.h"
#include "platform/user/Cursor.h"
#include "platform/vcl/Application.h"
#include "resources/ProgramResources.h"
#include "support/ClockPusher.h"
#include "support/PumpUntil.h"

namespace engine {
namespace {

// Never zero, so what was played stands out from the silence around it.
plat::BYTE PatternByte(size_t i) { return static_cast<plat::BYTE>(i % 251 + 1); }

std::vector<plat::BYTE> Pattern(size_t bytes) {
  std::vector<plat::BYTE> p(bytes);
  for (size_t i = 0; i < bytes; ++i) p[i] = PatternByte(i);
  return p;
}

plat::WAVEFORMATEX StereoFormat() {
  plat::WAVEFORMATEX f{};
  f.wFormatTag = plat::WAVE_FORMAT_PCM;
  f.nChannels = 2;
  f.nSamplesPerSec = 44100;
  f.wBitsPerSample = 16;
  f.nBlockAlign = 4;
  f.nAvgBytesPerSec = 44100 * 4;
  return f;
}

// A source of `total` pattern bytes that loops as the file sources do.
class TPatternSource : public TMMDSPComponent {
  VCL_DECLARE_CLASS(TPatternSource, TMMDSPComponent)
 public:
  explicit TPatternSource(vcl::TComponent* owner) : TMMDSPComponent(owner) {}

  void BufferLoad(plat::WAVEHDR* lpwh, bool& more_buffers) override {
    auto* h = static_cast<TMMWaveHdr*>(lpwh);
    ++loads;
    plat::DWORD n = 0;
    while (n < h->dwBufferLength) {
      if (pos == total) {
        if (h->Looping && h->LoopCount > 0) --h->LoopsLeft;
        if (h->Looping && !(h->LoopCount > 0 && h->LoopsLeft < 0)) {
          pos = 0;
          h->LoopMark = -1;
          continue;
        }
        break;
      }
      const size_t take = std::min<size_t>(h->dwBufferLength - n, total - pos);
      for (size_t i = 0; i < take; ++i) h->lpData[n + i] = static_cast<char>(PatternByte(pos + i));
      pos += take;
      n += static_cast<plat::DWORD>(take);
    }
    h->dwBytesRecorded = n;
    more_buffers = pos < total || (h->Looping && (h->LoopCount == 0 || h->LoopsLeft > 0));
  }
  void Reset() override {
    pos = 0;
    ++resets;
  }

  size_t total = 0;
  size_t pos = 0;
  std::atomic<int> loads{0};
  int resets = 0;
};

VCL_IMPLEMENT_CLASS(TPatternSource, DSPOutputProp())

// Raw capture of the loopback input: every byte it hears from its start on.
class LoopbackCapture {
 public:
  explicit LoopbackCapture(const plat::WAVEFORMATEX& format) : blocks_(kBuffers) {
    const plat::UINT id = plat::wavedev::FindWaveInDevice("Loopback Input");
    EXPECT_EQ(plat::waveInOpen(&handle_, id, &format, 0, 0, plat::CALLBACK_NULL), 0u);
    for (size_t i = 0; i < kBuffers; ++i) {
      blocks_[i].resize(format.nAvgBytesPerSec);
      headers_[i].lpData = reinterpret_cast<char*>(blocks_[i].data());
      headers_[i].dwBufferLength = static_cast<plat::DWORD>(blocks_[i].size());
      plat::waveInPrepareHeader(handle_, &headers_[i], sizeof(plat::WAVEHDR));
      plat::waveInAddBuffer(handle_, &headers_[i], sizeof(plat::WAVEHDR));
    }
    plat::waveInStart(handle_);
  }
  ~LoopbackCapture() {
    plat::waveInReset(handle_);
    for (auto& h : headers_) plat::waveInUnprepareHeader(handle_, &h, sizeof(plat::WAVEHDR));
    plat::waveInClose(handle_);
  }
  // What was heard between the silence before and after it.
  std::vector<plat::BYTE> Heard() {
    plat::waveInReset(handle_);
    std::vector<plat::BYTE> all;
    for (size_t i = 0; i < kBuffers; ++i)
      all.insert(all.end(), blocks_[i].begin(), blocks_[i].begin() + headers_[i].dwBytesRecorded);
    auto first = std::find_if(all.begin(), all.end(), [](plat::BYTE b) { return b != 0; });
    auto last = std::find_if(all.rbegin(), all.rend(), [](plat::BYTE b) { return b != 0; }).base();
    return first < last ? std::vector<plat::BYTE>(first, last) : std::vector<plat::BYTE>();
  }

 private:
  static constexpr size_t kBuffers = 4;
  plat::HWAVEIN handle_ = nullptr;
  std::vector<std::vector<plat::BYTE>> blocks_;
  plat::WAVEHDR headers_[kBuffers];
};

// How the driver's notices reach the device.
struct Delivery {
  const char* name;
  TMMCBMode mode;
  plat::DWORD platform;  // the system the device believes it runs on
  plat::DWORD major;
};
void PrintTo(const Delivery& d, std::ostream* os) { *os << d.name; }

const Delivery kWindow{"window", cmWindow, plat::VER_PLATFORM_WIN32_NT, 10};
// Before NT 4 the hidden window itself is the driver's callback.
const Delivery kWindowCallback{"window_callback", cmWindow, plat::VER_PLATFORM_WIN32_NT, 3};
const Delivery kThread{"thread", cmThread, plat::VER_PLATFORM_WIN32_NT, 10};
const Delivery kCallback{"callback", cmCallback, plat::VER_PLATFORM_WIN32_WINDOWS, 4};

class WaveOutTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterProgramResources();
    vcl::InitApplication();
    vcl::Application->OnException = [this](vcl::TObject*, const vcl::Exception& e) {
      app_errors_.push_back(e.Message());
    };
    UseSystem(kWindow);
    plat::wavedev::ResetFaulty();
    loopback_ = static_cast<TMMDeviceId>(plat::wavedev::FindWaveOutDevice("Loopback Output"));
    faulty_ = static_cast<TMMDeviceId>(plat::wavedev::FindWaveOutDevice("Faulty Output"));
    ASSERT_GE(loopback_, 0);
    ASSERT_GE(faulty_, 0);
  }
  void TearDown() override {
    out_.reset();
    source_.reset();
    plat::wavedev::ResetFaulty();
    vcl::Application->OnException = nullptr;
    MMUtilsFinalize();
    plat::SetVersionProfile(std::nullopt);
  }

  void UseSystem(const Delivery& d) {
    if (system_set_) MMUtilsFinalize();
    plat::OSVERSIONINFOA v;
    v.dwOSVersionInfoSize = sizeof v;
    v.dwPlatformId = d.platform;
    v.dwMajorVersion = d.major;
    plat::SetVersionProfile(v);
    MMUtilsInitialize();
    system_set_ = true;
  }

  // A source of `bytes` feeding a wave output on `device`, events recorded.
  void MakeChain(size_t bytes, TMMDeviceId device, const Delivery& d = kWindow) {
    UseSystem(d);
    source_ = std::make_unique<TPatternSource>(nullptr);
    source_->total = bytes;
    out_ = std::make_unique<TMMWaveOut>(nullptr);
    out_->SetInput(source_.get());
    const plat::WAVEFORMATEX f = StereoFormat();
    source_->SetFormat(&f);
    out_->SetDeviceID(device);
    out_->SetBufferSize(1024);
    out_->SetNumBuffers(4);
    out_->SetCallBackMode(d.mode);
    ASSERT_EQ(out_->CallBackMode(), d.mode);
    out_->OnError = [this](vcl::TObject*) { ++errors_; };
    out_->OnStop = [this](vcl::TObject*) {
      ++stops_;
      stop_on_main_ = plat::IsMainThread();
    };
    out_->OnClose = [this](vcl::TObject*) { ++closes_; };
    out_->OnBufferFilled = [this](vcl::TObject*, plat::WAVEHDR* h) {
      std::lock_guard guard(filled_mutex_);
      filled_ends_.push_back((filled_ends_.empty() ? 0 : filled_ends_.back()) + h->dwBytesRecorded);
    };
    out_->OnBufferReady = [this](vcl::TObject*, plat::WAVEHDR* h) {
      ready_bytes_ += h->dwBytesRecorded;
      // Counted before the buffer: a wait that sees the buffer sees its loop point too.
      if (static_cast<TMMWaveHdr*>(h)->LoopMark != 0) ++loop_points_;
      ++readies_;
      if (on_ready_) on_ready_();
    };
    out_->OnLooping = [this](vcl::TObject*) {
      const int64_t position = out_->GetPosition();
      {
        std::lock_guard guard(filled_mutex_);
        loop_positions_.push_back(position);
      }
      ++loops_;
    };
  }

  void Start() {
    out_->Start();
    start_us_ = plat::ClockNowMicroseconds();
  }
  // Lets the clock run in small steps, serving the main thread as a program
  // would, for `ms` or until `until` holds.
  void Run(int ms, const std::function<bool()>& until = {}) {
    auto serve = [this] {
      vcl::Application->ProcessMessages();
      if (out_ && out_->CallBackMode() == cmThread) AwaitDeviceThread();
    };
    testsupport::PumpUntil(until, {.serve = serve, .clock_step_ms = 2, .limit_ms = ms});
  }
  // A clock advance does not wait for the device thread that the driver's
  // notices wake, so wait until it has pushed down what the driver has played,
  // and has told of the loop points among it: the position it reads there
  // would run on with the clock.
  void AwaitDeviceThread() {
    const int64_t played = (plat::ClockNowMicroseconds() - start_us_) * 176400 / 1000000 - 8;
    size_t completed = 0;
    {
      std::lock_guard guard(filled_mutex_);
      while (completed < filled_ends_.size() && static_cast<int64_t>(filled_ends_[completed]) <= played)
        ++completed;
    }
    // Served meanwhile: a stop the device thread hands over ends the wait.
    testsupport::PumpUntil(
        [&] { return (readies_ >= static_cast<int>(completed) && loops_ >= loop_points_) || stops_ != 0; },
        {.serve = [] { vcl::Application->ProcessMessages(); }, .limit_ms = 2000, .pause_us = 100});
  }
  void RunUntilStopped(int max_ms = 3000) {
    Run(max_ms, [this] { return stops_ != 0; });
  }

  plat::ScopedManualClock clock_;
  int64_t start_us_ = 0;
  std::mutex filled_mutex_;
  std::vector<size_t> filled_ends_;
  bool system_set_ = false;
  TMMDeviceId loopback_ = InvalidId;
  TMMDeviceId faulty_ = InvalidId;
  std::unique_ptr<TPatternSource> source_;
  std::unique_ptr<TMMWaveOut> out_;
  std::function<void()> on_ready_;
  std::atomic<int> errors_{0};
  std::atomic<int> stops_{0};
  std::atomic<int> closes_{0};
  std::atomic<int> readies_{0};
  std::atomic<int> loop_points_{0};
  std::atomic<int> loops_{0};
  std::vector<int64_t> loop_positions_;  // guarded by filled_mutex_
  std::atomic<size_t> ready_bytes_{0};
  std::atomic<bool> stop_on_main_{false};
  std::vector<std::string> app_errors_;
};

// ---- Playing through the loopback pair ----

class WaveOutDeliveryTest : public WaveOutTest, public ::testing::WithParamInterface<Delivery> {};

TEST_P(WaveOutDeliveryTest, PlaysTheSourceByteForByteAndStopsOnTheMainThread) {
  // Not a whole number of buffers, so the last one is short.
  const size_t bytes = 40000 + 12;
  MakeChain(bytes, loopback_, GetParam());
  LoopbackCapture capture(StereoFormat());
  Start();
  EXPECT_EQ(out_->State(), TMMWaveOut::kOpened | TMMWaveOut::kStarted);
  RunUntilStopped();

  EXPECT_EQ(stops_, 1);
  EXPECT_TRUE(stop_on_main_);
  EXPECT_EQ(out_->State(), TMMWaveOut::kOpened);
  EXPECT_EQ(ready_bytes_, bytes);
  EXPECT_EQ(capture.Heard(), Pattern(bytes));
  EXPECT_EQ(errors_, 0);
  out_->Close();
  EXPECT_EQ(out_->State(), 0u);
  EXPECT_EQ(closes_, 1);
}

TEST_P(WaveOutDeliveryTest, LoopCountTwoPlaysTheStreamThreeTimes) {
  const size_t bytes = 3000;
  MakeChain(bytes, loopback_, GetParam());
  out_->SetLooping(true);
  out_->SetLoopCount(2);
  LoopbackCapture capture(StereoFormat());
  Start();
  RunUntilStopped();

  EXPECT_EQ(stops_, 1);
  // The position counts again from each loop point.
  {
    std::lock_guard guard(filled_mutex_);
    EXPECT_EQ(loop_positions_, (std::vector<int64_t>{0, 0}));
  }
  EXPECT_EQ(ready_bytes_, 3 * bytes);
  std::vector<plat::BYTE> three = Pattern(bytes);
  three.insert(three.end(), three.begin(), three.end());
  three.insert(three.end(), three.begin(), three.begin() + bytes);
  EXPECT_EQ(capture.Heard(), three);
}

TEST_P(WaveOutDeliveryTest, StopInsideADeliveryCompletesLaterOnTheMainThread) {
  MakeChain(100000, loopback_, GetParam());
  std::atomic<uint32_t> state_after_stop{0};
  std::atomic<int> stops_inside{-1};
  std::atomic<int> loads_at_stop{0};
  on_ready_ = [&] {
    if (readies_ != 2) return;
    out_->Stop();
    state_after_stop = out_->State();
    stops_inside = stops_.load();
    loads_at_stop = source_->loads.load();
  };
  Start();
  RunUntilStopped();

  EXPECT_EQ(state_after_stop & TMMWaveOut::kStarted, TMMWaveOut::kStarted);
  EXPECT_EQ(stops_inside, 0);
  EXPECT_EQ(stops_, 1);
  EXPECT_TRUE(stop_on_main_);
  // Nothing is pulled or pushed after the buffer that asked for the stop.
  EXPECT_EQ(source_->loads, loads_at_stop);
  EXPECT_EQ(readies_, 2);
  EXPECT_EQ(out_->State(), TMMWaveOut::kOpened);
}

TEST_P(WaveOutDeliveryTest, CloseDuringADeferredStopClosesOnceTheStopCompletes) {
  MakeChain(100000, loopback_, GetParam());
  std::atomic<uint32_t> state_after_close{0};
  on_ready_ = [&] {
    if (readies_ != 1) return;
    out_->Stop();
    out_->Close();
    state_after_close = out_->State();
  };
  Start();
  RunUntilStopped();
  Run(10);

  EXPECT_NE(state_after_close & TMMWaveOut::kOpened, 0u);
  EXPECT_EQ(stops_, 1);
  EXPECT_EQ(closes_, 1);
  EXPECT_EQ(out_->State(), 0u);
  // The driver let go of the device: another client gets it.
  plat::HWAVEOUT raw = nullptr;
  const plat::WAVEFORMATEX f = StereoFormat();
  ASSERT_EQ(plat::waveOutOpen(&raw, static_cast<plat::UINT>(loopback_), &f, 0, 0, plat::CALLBACK_NULL), 0u);
  plat::waveOutClose(raw);
}

// Stop or Close on the main thread while a delivery runs on another thread:
// they wait for it and return with the device stopped (and closed), and
// nothing is pulled or played after.
TEST_F(WaveOutTest, StopOrCloseDuringADeliveryOnAnotherThreadWaitsForIt) {
  for (const Delivery& d : {kThread, kCallback}) {
    for (bool close : {false, true}) {
      SCOPED_TRACE(std::string(d.name) + (close ? ", close" : ", stop"));
      MakeChain(100000, loopback_, d);
      plat::HANDLE release = plat::CreateEventA(nullptr, plat::TRUE, plat::FALSE, nullptr);
      std::atomic<bool> inside{false};
      std::atomic<int> loads_at_release{-1};
      on_ready_ = [&] {
        if (readies_ != 1) return;
        inside = true;
        plat::WaitForSingleObject(release, plat::INFINITE);
        loads_at_release = source_->loads.load();
      };
      stops_ = 0;
      closes_ = 0;
      readies_ = 0;
      Start();
      Run(500, [&] { return inside.load(); });
      ASSERT_TRUE(inside);
      std::thread releaser([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        plat::SetEvent(release);
      });
      if (close)
        out_->Close();
      else
        out_->Stop();
      releaser.join();
      plat::CloseHandle(release);
      EXPECT_EQ(out_->State(), close ? 0u : TMMWaveOut::kOpened);
      EXPECT_EQ(stops_, 1);
      EXPECT_TRUE(stop_on_main_);
      EXPECT_EQ(closes_, close ? 1 : 0);
      Run(100);
      EXPECT_EQ(readies_, 1);
      EXPECT_EQ(source_->loads, loads_at_release);
      EXPECT_EQ(errors_, 0);
      out_->Close();
      EXPECT_EQ(out_->State(), 0u);
      on_ready_ = nullptr;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Modes, WaveOutDeliveryTest,
                         ::testing::Values(kWindow, kWindowCallback, kThread, kCallback),
                         [](const ::testing::TestParamInfo<Delivery>& info) { return info.param.name; });

TEST_F(WaveOutTest, RewindPlaysAgainFromTheSourcesStart) {
  const size_t bytes = 20000;
  MakeChain(bytes, loopback_);
  LoopbackCapture capture(StereoFormat());
  out_->Start();
  Run(40);
  out_->Rewind();
  EXPECT_EQ(source_->resets, 1);
  EXPECT_EQ(out_->GetPosition(), 0);
  RunUntilStopped();

  EXPECT_EQ(stops_, 1);
  // The part played before the rewind, then the whole stream once more.
  const std::vector<plat::BYTE> heard = capture.Heard();
  ASSERT_GT(heard.size(), bytes);
  const size_t before = heard.size() - bytes;
  EXPECT_EQ(std::vector<plat::BYTE>(heard.begin(), heard.begin() + before), Pattern(before));
  EXPECT_EQ(std::vector<plat::BYTE>(heard.begin() + before, heard.end()), Pattern(bytes));
}

TEST_F(WaveOutTest, PauseAndRestartResumeWhereThePlayingPaused) {
  const size_t bytes = 20000;
  MakeChain(bytes, loopback_);
  LoopbackCapture capture(StereoFormat());
  out_->Start();
  Run(20);
  out_->Pause();
  const int64_t paused_at = out_->GetPosition();
  EXPECT_GT(paused_at, 0);
  Run(50);
  EXPECT_EQ(out_->GetPosition(), paused_at);
  out_->Restart();
  RunUntilStopped();
  // The silence of the pause splits the stream; nothing of it is lost.
  std::vector<plat::BYTE> heard = capture.Heard();
  std::erase(heard, plat::BYTE{0});
  EXPECT_EQ(heard, Pattern(bytes));
}

TEST_F(WaveOutTest, HourGlassShowsWhileALargeRingFills) {
  const plat::HCURSOR wait = plat::LoadCursorA(nullptr, plat::IDC_WAIT);
  struct Case {
    int32_t num_buffers;
    bool shown;
  };
  for (const Case c : {Case{10, true}, Case{2, false}}) {
    SCOPED_TRACE(c.num_buffers);
    MakeChain(1000000, loopback_);
    out_->SetBufferSize(16384);
    out_->SetNumBuffers(c.num_buffers);
    plat::SetCursor(nullptr);
    bool shown = false;
    out_->OnBufferLoad = [&](vcl::TObject*, plat::WAVEHDR*, bool&) {
      shown = shown || plat::GetCursor() == wait;
    };
    out_->Start();
    EXPECT_EQ(shown, c.shown);
    EXPECT_EQ(plat::GetCursor(), nullptr);
    out_->Close();
  }
}

// ---- Errors ----

TEST_F(WaveOutTest, DriverFailuresRaiseTheirTextAndLeaveTheDeviceClosed) {
  using plat::wave::Call;
  struct Case {
    const char* name;
    plat::wavedev::FaultyConfig config;
    size_t source_bytes;
    std::string message;
  };
  plat::wavedev::FaultyConfig refuse;
  refuse.refuse_format = [](const plat::WAVEFORMATEX&) { return true; };
  auto failing = [](Call call, plat::MMRESULT code) {
    plat::wavedev::FaultyConfig c;
    c.fail[call] = code;
    return c;
  };
  const Case cases[] = {
      {"open", failing(Call::kOpen, plat::MMSYSERR_ALLOCATED), 8000,
       "WaveOutOpen:\n\rThe device is already in use by another client."},
      {"format", refuse, 8000, "WaveOutOpen:\n\rThe actual device can''t play this format"},
      {"pause", failing(Call::kPause, plat::MMSYSERR_NOTSUPPORTED), 8000,
       "WaveOutPause:\n\rThe device does not support this operation."},
      {"write", failing(Call::kQueue, plat::MMSYSERR_NOMEM), 8000,
       "WaveOutWrite:\n\rNot enough memory is available for the operation."},
      {"unknown code", failing(Call::kRestart, 999), 8000,
       "WaveOutRestart:\n\rSpecified error number is out of range (unknown error)"},
      {"no data", {}, 0, "WaveOutStart:\n\rUnable to start device"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    plat::wavedev::SetFaultyOutput(c.config);
    MakeChain(c.source_bytes, faulty_);
    errors_ = 0;
    try {
      out_->Start();
      ADD_FAILURE() << "no error";
    } catch (const EMMWaveOutError& e) {
      EXPECT_EQ(e.Message(), c.message);
    }
    EXPECT_GE(errors_, 1);
    EXPECT_EQ(out_->State(), 0u);
    EXPECT_EQ(QuarantinedWaveOutDevices(), 0u);
    plat::wavedev::ResetFaulty();
  }
}

TEST_F(WaveOutTest, OpenChecksComeBeforeTheDriver) {
  MakeChain(8000, loopback_);
  out_->SetDeviceID(7);
  EXPECT_EQ(out_->DeviceID(), InvalidId);
  EXPECT_THROW(
      {
        try {
          out_->Open();
        } catch (const EMMWaveOutError& e) {
          EXPECT_EQ(e.Message(), "Invalid DeviceID");
          throw;
        }
      },
      EMMWaveOutError);
  out_->SetDeviceID(loopback_);
  out_->SetFormat(nullptr);
  try {
    out_->Open();
    ADD_FAILURE() << "no error";
  } catch (const EMMWaveOutError& e) {
    EXPECT_EQ(e.Message(), "WaveOutOpen:\n\rInvalid wave format");
  }
  EXPECT_EQ(out_->State(), 0u);
}

TEST_F(WaveOutTest, OpenNoticeThatNeverComesTimesOutClosed) {
  plat::wavedev::FaultyConfig config;
  config.withhold = {plat::WOM_OPEN};
  plat::wavedev::SetFaultyOutput(config);
  MakeChain(8000, faulty_);
  {
    testsupport::ClockPusher pusher(std::chrono::microseconds(200));
    try {
      out_->Open();
      ADD_FAILURE() << "no error";
    } catch (const EMMWaveOutError& e) {
      EXPECT_EQ(e.Message(), "WaveOutOpen:\n\rUnable to open device");
    }
  }
  EXPECT_EQ(out_->State(), 0u);
  EXPECT_EQ(QuarantinedWaveOutDevices(), 0u);
}

TEST_F(WaveOutTest, AFailingOnCloseReachesTheApplicationAndTheDeviceEndsClosed) {
  MakeChain(100000, loopback_);
  out_->OnClose = [](vcl::TObject*) { throw EMMWaveOutError("close handler failed"); };
  out_->Start();
  EXPECT_NO_THROW(out_->Close());
  EXPECT_EQ(out_->State(), 0u);
  EXPECT_EQ(app_errors_, std::vector<std::string>{"close handler failed"});
}

TEST_F(WaveOutTest, BuffersTheDriverKeepsAreQuarantinedUntilItLetsGo) {
  plat::wavedev::FaultyConfig config;
  config.fail[plat::wave::Call::kReset] = plat::MMSYSERR_ERROR;
  plat::wavedev::SetFaultyOutput(config);
  MakeChain(100000, faulty_);
  std::vector<std::string> messages;
  out_->OnError = [&](vcl::TObject*) {};
  out_->Start();
  try {
    out_->Stop();
    ADD_FAILURE() << "no error";
  } catch (const EMMWaveOutError& e) {
    messages.push_back(e.Message());
  }
  EXPECT_EQ(messages, (std::vector<std::string>{"WaveOutReset:\n\rAn unspecified error occurred."}));
  EXPECT_EQ(out_->State(), 0u);
  EXPECT_EQ(QuarantinedWaveOutDevices(), 1u);
  // Playing on does not touch freed memory: the blocks still exist.
  Run(50);

  // Once the driver can give them back, the next open lets them go.
  plat::wavedev::ResetFaulty();
  MakeChain(100000, loopback_);
  out_->Open();
  EXPECT_EQ(QuarantinedWaveOutDevices(), 0u);
}

TEST_F(WaveOutTest, SourceThatPromisesMoreAndBringsNothingFailsTheDelivery) {
  MakeChain(100000, loopback_);
  int loads = 0;
  out_->OnBufferLoad = [&](vcl::TObject*, plat::WAVEHDR*, bool&) { ++loads; };
  out_->Start();
  source_->total = source_->pos;  // the data is gone, but the last pull said more
  Run(100);
  EXPECT_EQ(app_errors_, (std::vector<std::string>{"Error filling wave buffer"}));
  EXPECT_EQ(out_->State(), 0u);
}

// ---- Properties ----

TEST_F(WaveOutTest, PropertyWritesAreClampedOrIgnored) {
  MakeChain(8000, loopback_);
  struct IntCase {
    const char* name;
    void (TMMWaveOut::*set)(int32_t);
    int32_t (TMMWaveOut::*get)() const;
    int32_t written;
    int32_t read;
  };
  const IntCase cases[] = {
      {"NumBuffers above the ring", &TMMWaveOut::SetNumBuffers, &TMMWaveOut::NumBuffers, 600, 500},
      {"NumBuffers below two", &TMMWaveOut::SetNumBuffers, &TMMWaveOut::NumBuffers, 1, 500},
      {"NumBuffers two", &TMMWaveOut::SetNumBuffers, &TMMWaveOut::NumBuffers, 2, 2},
      {"BufferSize below 32", &TMMWaveOut::SetBufferSize, &TMMWaveOut::RequestedBufferSize, 10, 32},
      {"BufferSize", &TMMWaveOut::SetBufferSize, &TMMWaveOut::RequestedBufferSize, 4099, 4099},
      {"DeviceID beyond the devices", &TMMWaveOut::SetDeviceID, &TMMWaveOut::DeviceID, 7, InvalidId},
      {"DeviceID the mapper", &TMMWaveOut::SetDeviceID, &TMMWaveOut::DeviceID, MapperId, MapperId},
      {"DeviceID below the mapper", &TMMWaveOut::SetDeviceID, &TMMWaveOut::DeviceID, -5, InvalidId},
  };
  for (const IntCase& c : cases) {
    SCOPED_TRACE(c.name);
    (out_.get()->*c.set)(c.written);
    EXPECT_EQ((out_.get()->*c.get)(), c.read);
  }
  out_->SetDeviceID(InvalidId);
  EXPECT_EQ(out_->ProductName(), "No wave audio playing device found");
  out_->SetDeviceID(loopback_);
  EXPECT_EQ(out_->ProductName(), "Loopback Output");
  out_->SetProductName("ignored");
  EXPECT_EQ(out_->ProductName(), "Loopback Output");
}

TEST_F(WaveOutTest, DeviceSettingsCannotChangeWhileOpen) {
  MakeChain(8000, loopback_);
  out_->Open();
  struct Case {
    const char* name;
    std::function<void()> write;
    std::function<bool()> kept;
  };
  const Case cases[] = {
      {"NumBuffers", [&] { out_->SetNumBuffers(8); }, [&] { return out_->NumBuffers() == 4; }},
      {"BufferSize", [&] { out_->SetBufferSize(4096); }, [&] { return out_->RequestedBufferSize() == 1024; }},
      {"DeviceID", [&] { out_->SetDeviceID(faulty_); }, [&] { return out_->DeviceID() == loopback_; }},
      {"CallBackMode", [&] { out_->SetCallBackMode(cmThread); },
       [&] { return out_->CallBackMode() == cmWindow; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    try {
      c.write();
      ADD_FAILURE() << "no error";
    } catch (const EMMWaveOutError& e) {
      EXPECT_EQ(e.Message(), "Change to property while device was open");
    }
    EXPECT_TRUE(c.kept());
  }
  EXPECT_EQ(out_->State(), TMMWaveOut::kOpened);
}

TEST_F(WaveOutTest, CallbackModeIsRefusedOutsideWindows95) {
  MakeChain(8000, loopback_);
  std::vector<std::string> boxes;
  vcl::SetMessageBoxSink([&](const std::string& text, const std::string& caption, unsigned) {
    boxes.push_back(caption + "|" + text);
    return vcl::IDOK;
  });
  out_->SetCallBackMode(cmCallback);
  vcl::SetMessageBoxSink({});
  EXPECT_EQ(out_->CallBackMode(), cmWindow);
  EXPECT_EQ(boxes, (std::vector<std::string>{
                       "TMMWaveOut|\"CallBacks\" are called at interrupt time !\n\rThis is currently only "
                       "supported under Windows 95"}));
}

}  // namespace
}  // namespace engine
