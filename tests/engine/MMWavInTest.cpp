// The wave input device on the virtual devices and the manual clock: its
// properties, the record limit, stops deferred out of a delivery, the three
// delivery modes, driver errors and what happens when the driver keeps buffers.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "WaveTestChain.h"
#include "engine/MMObj.h"
#include "engine/MMPCMSup.h"
#include "engine/MMUtils.h"
#include "engine/MMWavIn.h"
#include "engine/MMWavOut.h"
#include "platform/kernel/Clock.h"
#include "platform/kernel/Resources.h"
#include "platform/kernel/SystemInfo.h"
#include "platform/mm/WaveDriver.h"
#include "platform/mm/WaveFaulty.h"
#include "platform/user/Messages.h"
#include "platform/vcl/Application.h"
#include "resources/ProgramResources.h"
#include "support/ClockPusher.h"
#include "support/PumpUntil.h"

namespace engine {
namespace {

using enginetest::TTestWaveSink;
using testsupport::ClockPusher;

constexpr int32_t k100ms = 17640;  // 44100 Hz, 16-bit stereo

enum class Os { kModern, kWin95, kNT3 };

class WaveInTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("QUELLIX_AUDIO", "virtual", 1);
    ASSERT_TRUE(plat::wavedev::RebuildDeviceTable());
    plat::wavedev::ResetFaulty();
    plat::RegisterResourceTable(nullptr, ProgramResourceTable());
    vcl::InitApplication();
    vcl::Application->OnException = [this](vcl::TObject*, const vcl::Exception& e) {
      handled_.push_back(e.Message());
    };
    vcl::SetMessageBoxSink([this](const std::string& text, const std::string& caption, unsigned) {
      boxes_.push_back(caption + "|" + text);
      return vcl::IDOK;
    });
    UseOs(Os::kModern);
  }

  void TearDown() override {
    plat::wavedev::ResetFaulty();
    vcl::SetMessageBoxSink(nullptr);
    vcl::DoneApplication();
    plat::UnregisterResourceTable(nullptr, ProgramResourceTable());
    if (held_) MMUtilsFinalize();
    plat::SetVersionProfile(std::nullopt);
  }

  // The unit reads the flags at its first start-up only; other tests of this
  // program may hold one, so drop holds until the profile shows.
  void UseOs(Os os) {
    plat::OSVERSIONINFOA v;
    v.dwOSVersionInfoSize = sizeof v;
    switch (os) {
      case Os::kModern:
        v.dwPlatformId = plat::VER_PLATFORM_WIN32_NT;
        v.dwMajorVersion = 10;
        break;
      case Os::kWin95:
        v.dwPlatformId = plat::VER_PLATFORM_WIN32_WINDOWS;
        v.dwMajorVersion = 4;
        break;
      case Os::kNT3:
        v.dwPlatformId = plat::VER_PLATFORM_WIN32_NT;
        v.dwMajorVersion = 3;
        v.dwMinorVersion = 51;
        break;
    }
    plat::SetVersionProfile(v);
    if (held_) MMUtilsFinalize();
    for (int i = 0; i < 32; ++i) {
      MMUtilsInitialize();
      if (IsWin95() == OSIsWin95() && IsWinNT3() == OSIsNT3() && IsWinXPOrLater() == OSIsXPOrLater()) {
        held_ = true;
        return;
      }
      MMUtilsFinalize();
      MMUtilsFinalize();
    }
    held_ = false;
    FAIL() << "the unit's flags do not follow the profile";
  }

  static TMMDeviceId InId(const char* name) {
    return static_cast<TMMDeviceId>(plat::wavedev::FindWaveInDevice(name));
  }

  static std::unique_ptr<TMMWaveIn> MakeWaveIn(const char* device = "Loopback Input") {
    auto wave = std::make_unique<TMMWaveIn>(nullptr);
    wave->SetDeviceID(InId(device));
    wave->SetSampleRate(44100);
    wave->SetBitLength(b16Bit);
    wave->SetChannels(2);
    return wave;
  }

  static void Pump() { vcl::Application->ProcessMessages(); }
  // Moves the clock in steps of 10 ms and handles the main thread's messages after each.
  static void Run(int ms, const std::function<bool()>& until = {}) {
    testsupport::PumpUntil(until, {.serve = Pump, .clock_step_ms = 10, .limit_ms = ms});
  }

  // Handles the main thread's messages until done holds, for at most 5 s of
  // real time: a device thread follows the clock at its own pace.
  static bool PumpUntil(const std::function<bool()>& done,
                        const std::function<void(const plat::MSG&)>& dispatch = {}) {
    auto serve = [&] {
      plat::MSG msg;
      while (plat::PeekMessageA(&msg, nullptr, 0, 0, plat::PM_REMOVE)) {
        if (dispatch)
          dispatch(msg);
        else
          plat::DispatchMessageA(&msg);
      }
    };
    return testsupport::PumpUntil(done, {.serve = serve});
  }

  std::vector<std::string> handled_;
  std::vector<std::string> boxes_;
  bool held_ = false;
};

// ---- Properties ----

struct ClampCase {
  const char* name;
  std::function<void(TMMWaveIn&)> write;
  std::function<int64_t(const TMMWaveIn&)> read;
  int64_t expected;
};

TEST_F(WaveInTest, PropertyWritesAreClampedOrIgnored) {
  const ClampCase cases[] = {
      {"NumBuffers 1 is ignored", [](TMMWaveIn& w) { w.SetNumBuffers(1); },
       [](const TMMWaveIn& w) { return w.NumBuffers(); }, 10},
      {"NumBuffers 5000", [](TMMWaveIn& w) { w.SetNumBuffers(5000); },
       [](const TMMWaveIn& w) { return w.NumBuffers(); }, 4096},
      {"SampleRate 7000", [](TMMWaveIn& w) { w.SetSampleRate(7000); },
       [](const TMMWaveIn& w) { return w.SampleRate(); }, 8000},
      {"SampleRate 200000", [](TMMWaveIn& w) { w.SetSampleRate(200000); },
       [](const TMMWaveIn& w) { return w.SampleRate(); }, 100000},
      {"Channels 0", [](TMMWaveIn& w) { w.SetChannels(0); }, [](const TMMWaveIn& w) { return w.Channels(); },
       1},
      {"Channels 12", [](TMMWaveIn& w) { w.SetChannels(12); },
       [](const TMMWaveIn& w) { return w.Channels(); }, 8},
      {"BufferSize 10", [](TMMWaveIn& w) { w.SetBufferSize(10); },
       [](const TMMWaveIn& w) { return w.BufferSize(); }, 32},
      {"DeviceID past the devices", [](TMMWaveIn& w) { w.SetDeviceID(7); },
       [](const TMMWaveIn& w) { return w.DeviceID(); }, InvalidId},
      {"DeviceID below the mapper", [](TMMWaveIn& w) { w.SetDeviceID(-3); },
       [](const TMMWaveIn& w) { return w.DeviceID(); }, InvalidId},
      {"DeviceID mapper", [](TMMWaveIn& w) { w.SetDeviceID(MapperId); },
       [](const TMMWaveIn& w) { return w.DeviceID(); }, MapperId},
      {"Mode stereo", [](TMMWaveIn& w) { w.SetMode(mStereo); },
       [](const TMMWaveIn& w) { return w.Channels(); }, 2},
      {"Mode multichannel is ignored", [](TMMWaveIn& w) { w.SetMode(mMultiChannel); },
       [](const TMMWaveIn& w) { return w.Channels(); }, 1},
      {"Channels 3 reads as multichannel", [](TMMWaveIn& w) { w.SetChannels(3); },
       [](const TMMWaveIn& w) { return static_cast<int64_t>(w.Mode()); }, mMultiChannel},
  };
  ASSERT_EQ(plat::waveInGetNumDevs(), 3u);  // loopback, file and faulty input
  for (const ClampCase& c : cases) {
    SCOPED_TRACE(c.name);
    TMMWaveIn wave(nullptr);
    c.write(wave);
    EXPECT_EQ(c.read(wave), c.expected);
  }
}

TEST_F(WaveInTest, FormatFollowsTheWritersAndTravelsDown) {
  TTestWaveSink sink(nullptr);
  TMMWaveIn wave(nullptr);
  ASSERT_EQ(wave.GetFormat()->nSamplesPerSec, 11025u);
  wave.SetOutput(&sink);
  wave.SetSampleRate(44100);
  wave.SetBitLength(b16Bit);
  wave.SetChannels(2);
  const plat::WAVEFORMATEX* down = sink.GetFormat();
  ASSERT_NE(down, nullptr);
  EXPECT_EQ(down->nSamplesPerSec, 44100u);
  EXPECT_EQ(down->wBitsPerSample, 16);
  EXPECT_EQ(down->nChannels, 2);
  EXPECT_EQ(down->nBlockAlign, 4);
  EXPECT_EQ(down->nAvgBytesPerSec, 176400u);

  // A PCM format written directly sets the properties it implies.
  plat::WAVEFORMATEX f{};
  BuildPCMFormat(f, 8, 1, 22050);
  wave.SetFormat(&f);
  EXPECT_EQ(wave.SampleRate(), 22050);
  EXPECT_EQ(wave.BitLength(), b8Bit);
  EXPECT_EQ(wave.Channels(), 1);
  EXPECT_EQ(sink.GetFormat()->nSamplesPerSec, 22050u);
}

TEST_F(WaveInTest, ProductNameComesFromTheDevice) {
  TMMWaveIn wave(nullptr);
  wave.SetDeviceID(InId("Faulty Input"));
  EXPECT_EQ(wave.ProductName(), "Faulty Input");
  wave.SetProductName("ignored");
  EXPECT_EQ(wave.ProductName(), "Faulty Input");
  wave.SetDeviceID(9);
  EXPECT_EQ(wave.ProductName(), "No wave audio recording device found");
  EXPECT_EQ(GetWaveInDeviceName(InId("Loopback Input")), "Loopback Input");
  EXPECT_EQ(GetWaveInDeviceName(9), "");
  EXPECT_EQ(GetWaveInDeviceName(-2), "");
}

TEST_F(WaveInTest, WritesThatChangeTheDeviceRaiseWhileOpen) {
  struct Case {
    const char* name;
    std::function<void(TMMWaveIn&)> write;
    std::function<int64_t(const TMMWaveIn&)> read;
  };
  const Case cases[] = {
      {"SampleRate", [](TMMWaveIn& w) { w.SetSampleRate(22050); },
       [](const TMMWaveIn& w) { return w.SampleRate(); }},
      {"Channels", [](TMMWaveIn& w) { w.SetChannels(1); }, [](const TMMWaveIn& w) { return w.Channels(); }},
      {"BitLength", [](TMMWaveIn& w) { w.SetBitLength(b8Bit); },
       [](const TMMWaveIn& w) { return w.BitLength(); }},
      {"NumBuffers", [](TMMWaveIn& w) { w.SetNumBuffers(4); },
       [](const TMMWaveIn& w) { return w.NumBuffers(); }},
      {"BufferSize", [](TMMWaveIn& w) { w.SetBufferSize(4096); },
       [](const TMMWaveIn& w) { return w.BufferSize(); }},
      {"DeviceID", [](TMMWaveIn& w) { w.SetDeviceID(InId("Faulty Input")); },
       [](const TMMWaveIn& w) { return w.DeviceID(); }},
      {"CallBackMode", [](TMMWaveIn& w) { w.SetCallBackMode(cmThread); },
       [](const TMMWaveIn& w) { return w.CallBackMode(); }},
  };
  auto wave = MakeWaveIn();
  int errors = 0;
  wave->OnError = [&](vcl::TObject*) { ++errors; };
  wave->Open();
  ASSERT_TRUE(wave->DeviceOpened());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const int64_t before = c.read(*wave);
    const int errors_before = errors;
    try {
      c.write(*wave);
      ADD_FAILURE() << "no error";
    } catch (const EMMWaveInError& e) {
      EXPECT_EQ(e.Message(), "Change to property while device was open");
    }
    EXPECT_EQ(c.read(*wave), before);
    EXPECT_EQ(errors, errors_before + 1);
    EXPECT_TRUE(wave->DeviceOpened());
  }
  // Writing the value it has is no change.
  EXPECT_NO_THROW(wave->SetSampleRate(44100));
  wave->Close();
}

TEST_F(WaveInTest, OpenRefusesAnInvalidDevice) {
  auto wave = MakeWaveIn();
  int errors = 0;
  wave->OnError = [&](vcl::TObject*) { ++errors; };
  wave->SetDeviceID(7);
  try {
    wave->Open();
    ADD_FAILURE() << "no error";
  } catch (const EMMWaveInError& e) {
    EXPECT_EQ(e.Message(), "Invalid DeviceID");
  }
  // Once from Error, once more from Open's own handler.
  EXPECT_EQ(errors, 2);
  EXPECT_FALSE(wave->DeviceOpened());
}

TEST_F(WaveInTest, CallbackModeIsRefusedOutsideTheOldPlatform) {
  TMMWaveIn wave(nullptr);
  wave.SetCallBackMode(cmCallback);
  EXPECT_EQ(wave.CallBackMode(), cmWindow);
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(
      boxes_[0],
      "TMMWaveIn|\"CallBacks\" are called at interrupt time !\n\rThis is currently only supported under "
      "Windows 95");
  wave.SetCallBackMode(cmThread);
  EXPECT_EQ(wave.CallBackMode(), cmThread);

  UseOs(Os::kWin95);
  wave.SetCallBackMode(cmCallback);
  EXPECT_EQ(wave.CallBackMode(), cmCallback);
  EXPECT_EQ(boxes_.size(), 1u);
}

TEST_F(WaveInTest, TimeFormatKeepsTheRecordLimit) {
  TMMWaveIn wave(nullptr);
  wave.SetSampleRate(44100);
  wave.SetBitLength(b16Bit);
  wave.SetChannels(2);
  wave.SetTimeFormat(tfMillisecond);
  wave.SetMaxRecordTime(1000);
  wave.SetTimeFormat(tfByte);
  EXPECT_EQ(wave.MaxRecordTime(), 176400);
  wave.SetTimeFormat(tfSample);
  EXPECT_EQ(wave.MaxRecordTime(), 44100);
  wave.SetTimeFormat(tfMillisecond);
  EXPECT_EQ(wave.MaxRecordTime(), 1000);
  // Without a limit there is nothing to re-express.
  wave.SetMaxRecordTime(-1);
  wave.SetTimeFormat(tfByte);
  EXPECT_EQ(wave.MaxRecordTime(), -1);
  // Limits past 32 bits stay exact: 10 hours.
  wave.SetTimeFormat(tfMillisecond);
  wave.SetMaxRecordTime(int64_t{36'000'000});
  wave.SetTimeFormat(tfByte);
  EXPECT_EQ(wave.MaxRecordTime(), int64_t{6'350'400'000});
  // Milliseconds become bytes as everywhere else: 5 ms of 11025 Hz 16-bit
  // stereo are 220.5 bytes, rounded to 221 and up to a whole frame.
  wave.SetSampleRate(11025);
  wave.SetTimeFormat(tfMillisecond);
  wave.SetMaxRecordTime(5);
  wave.SetTimeFormat(tfByte);
  EXPECT_EQ(wave.MaxRecordTime(), 224);
}

// ---- Record limit ----

TEST_F(WaveInTest, RecordLimitStopsAfterExactlyItsBytes) {
  plat::ScopedManualClock clock;
  TTestWaveSink sink(nullptr);
  auto wave = MakeWaveIn();
  wave->SetOutput(&sink);
  wave->SetBufferSize(16384);
  wave->SetNumBuffers(2);
  wave->SetTimeFormat(tfMillisecond);
  wave->SetMaxRecordTime(1000);
  int stops = 0;
  wave->OnStop = [&](vcl::TObject*) { ++stops; };
  wave->Start();
  int64_t highest = 0;
  for (int t = 0; t < 2000 && stops == 0; t += 10) {
    plat::clock::AdvanceMs(10);
    Pump();
    const int64_t position = wave->GetPosition();
    EXPECT_LE(position, 1000) << "at " << t;
    highest = std::max(highest, position);
  }
  EXPECT_EQ(stops, 1);
  EXPECT_EQ(highest, 1000);
  EXPECT_EQ(sink.Total(), 176400);
  EXPECT_EQ(wave->BytesRecorded(), 176400);
  const auto sizes = sink.Sizes();
  ASSERT_EQ(sizes.size(), 11u);
  for (size_t i = 0; i + 1 < sizes.size(); ++i) EXPECT_EQ(sizes[i], 16384u);
  EXPECT_EQ(sizes.back(), 176400u - 10 * 16384u);
  EXPECT_FALSE(wave->DeviceStarted());
  EXPECT_TRUE(wave->DeviceOpened());
  // Nothing is queued again after the stop.
  Run(500);
  EXPECT_EQ(sink.Total(), 176400);
  wave->Close();
  EXPECT_FALSE(wave->DeviceOpened());
}

// ---- Delivery modes ----

struct ModeCase {
  const char* name;
  TMMCBMode mode;
  Os os;
};

void PrintTo(const ModeCase& c, std::ostream* os) { *os << c.name; }

class WaveInModes : public WaveInTest, public ::testing::WithParamInterface<ModeCase> {
 protected:
  void SetUp() override {
    WaveInTest::SetUp();
    UseOs(GetParam().os);
  }
  std::unique_ptr<TMMWaveIn> MakeModeWaveIn() {
    auto wave = MakeWaveIn();
    wave->SetCallBackMode(GetParam().mode);
    EXPECT_EQ(wave->CallBackMode(), GetParam().mode);
    wave->SetBufferSize(k100ms);
    // More than a test runs for: a delivery thread that lags behind the
    // clock loses nothing.
    wave->SetNumBuffers(10);
    return wave;
  }
};

// A pattern that differs at nearly every byte.
std::vector<char> Pattern(size_t size) {
  std::vector<char> data(size);
  unsigned x = 12345;
  for (char& c : data) {
    x = x * 1103515245u + 12345;
    c = static_cast<char>(x >> 16);
  }
  return data;
}

TEST_P(WaveInModes, CapturesWhatTheLoopbackPlaysOnTheModesThread) {
  plat::ScopedManualClock clock;
  TTestWaveSink sink(nullptr);
  auto wave = MakeModeWaveIn();
  wave->SetOutput(&sink);

  // Played straight into the loopback output.
  struct Output {
    plat::HWAVEOUT handle = nullptr;
    std::vector<char> played = Pattern(3 * k100ms);
    plat::WAVEHDR hdr;
    ~Output() {
      if (!handle) return;
      plat::waveOutReset(handle);
      plat::waveOutUnprepareHeader(handle, &hdr, sizeof hdr);
      plat::waveOutClose(handle);
    }
  } out;
  ASSERT_EQ(plat::waveOutOpen(&out.handle, plat::wavedev::FindWaveOutDevice("Loopback Output"),
                              wave->GetFormat(), 0, 0, plat::CALLBACK_NULL),
            plat::MMSYSERR_NOERROR);
  const std::vector<char>& played = out.played;
  out.hdr.lpData = out.played.data();
  out.hdr.dwBufferLength = static_cast<plat::DWORD>(played.size());
  ASSERT_EQ(plat::waveOutPrepareHeader(out.handle, &out.hdr, sizeof out.hdr), plat::MMSYSERR_NOERROR);

  wave->Start();
  const plat::DWORD device_thread = wave->DeviceThreadID();
  Run(50);
  ASSERT_EQ(plat::waveOutWrite(out.handle, &out.hdr, sizeof out.hdr), plat::MMSYSERR_NOERROR);
  Run(500);
  ASSERT_TRUE(PumpUntil([&] { return sink.Total() >= 5 * k100ms; }));
  wave->Stop();
  EXPECT_FALSE(wave->DeviceStarted());

  const std::vector<char> captured = sink.Data();
  ASSERT_GE(captured.size(), played.size());
  const auto at = std::search(captured.begin(), captured.end(), played.begin(), played.end());
  ASSERT_NE(at, captured.end()) << "the played block was not captured whole";
  // Silence before and after it, 50 ms of it before.
  EXPECT_EQ(at - captured.begin(), 5 * k100ms / 10);
  EXPECT_TRUE(std::all_of(captured.begin(), at, [](char c) { return c == 0; }));
  EXPECT_TRUE(std::all_of(at + static_cast<std::ptrdiff_t>(played.size()), captured.end(),
                          [](char c) { return c == 0; }));

  const auto threads = sink.Threads();
  ASSERT_FALSE(threads.empty());
  const std::set<plat::DWORD> distinct(threads.begin(), threads.end());
  EXPECT_EQ(distinct.size(), 1u);
  const plat::DWORD thread = threads.front();
  const bool window_callback = GetParam().os == Os::kNT3;
  switch (GetParam().mode) {
    case cmWindow:
      EXPECT_EQ(thread, plat::GetMainThreadId());
      EXPECT_EQ(device_thread, 0u);
      break;
    case cmCallback:
      EXPECT_NE(thread, plat::GetMainThreadId());
      EXPECT_EQ(device_thread, 0u);
      break;
    case cmThread:
      ASSERT_FALSE(window_callback);
      EXPECT_NE(device_thread, 0u);
      EXPECT_EQ(thread, device_thread);
      break;
  }

  wave->Close();
  EXPECT_EQ(wave->DeviceThreadID(), 0u);
}

// A chain source that hands out a pattern once, then silence.
class TPatternSource : public TMMDSPComponent {
  VCL_DECLARE_CLASS(TPatternSource, TMMDSPComponent)
 public:
  explicit TPatternSource(vcl::TComponent* owner) : TMMDSPComponent(owner) {}
  void BufferLoad(plat::WAVEHDR* lpwh, bool& more_buffers) override {
    std::fill(lpwh->lpData, lpwh->lpData + lpwh->dwBufferLength, 0);
    const size_t take =
        std::min<size_t>(lpwh->dwBufferLength, pattern.size() - std::min(next, pattern.size()));
    std::copy_n(pattern.begin() + static_cast<std::ptrdiff_t>(next), take, lpwh->lpData);
    next += take;
    lpwh->dwBytesRecorded = lpwh->dwBufferLength;
    more_buffers = true;
  }
  std::vector<char> pattern;
  size_t next = 0;
};

VCL_IMPLEMENT_CLASS(TPatternSource, DSPOutputProp())

TEST_P(WaveInModes, CapturesWhatTheWaveOutputPlays) {
  plat::ScopedManualClock clock;
  TTestWaveSink sink(nullptr);
  TPatternSource source(nullptr);
  source.pattern = Pattern(3 * k100ms);
  TMMWaveOut out(nullptr);
  out.SetDeviceID(static_cast<TMMDeviceId>(plat::wavedev::FindWaveOutDevice("Loopback Output")));
  out.SetInput(&source);
  out.SetBufferSize(k100ms / 2);
  auto wave = MakeModeWaveIn();
  wave->SetOutput(&sink);
  source.SetFormat(wave->GetFormat());

  wave->Start();
  out.Start();
  Run(600);
  ASSERT_TRUE(PumpUntil([&] { return sink.Total() >= 5 * k100ms; }));
  out.Stop();
  wave->Stop();
  out.Close();
  wave->Close();

  const std::vector<char> captured = sink.Data();
  const auto at = std::search(captured.begin(), captured.end(), source.pattern.begin(), source.pattern.end());
  ASSERT_NE(at, captured.end()) << "the played block was not captured whole";
  EXPECT_TRUE(std::all_of(captured.begin(), at, [](char c) { return c == 0; }));
}

TEST_P(WaveInModes, StopFromADeliveryCompletesLaterOnTheMainThread) {
  plat::ScopedManualClock clock;
  TTestWaveSink sink(nullptr);
  auto wave = MakeModeWaveIn();
  wave->SetOutput(&sink);
  std::atomic<bool> in_delivery{false};
  std::atomic<int> deliveries{0};
  std::atomic<bool> started_after_stop{false}, pending_after_stop{false};
  wave->OnBufferReady = [&](vcl::TObject*, plat::WAVEHDR*) {
    in_delivery = true;
    if (deliveries++ == 0) {
      wave->Stop();
      started_after_stop = wave->DeviceStarted();
      pending_after_stop = wave->StopPending();
    }
    in_delivery = false;
  };
  int stops = 0;
  bool stop_in_delivery = true;
  plat::DWORD stop_thread = 0;
  wave->OnStop = [&](vcl::TObject*) {
    ++stops;
    stop_in_delivery = in_delivery;
    stop_thread = plat::GetCurrentThreadId();
  };
  wave->Start();
  const plat::HWAVEIN handle = wave->Handle();

  // Handle the main thread's messages one by one, to see which one completes the stop.
  int stops_by_message = 0;
  auto dispatch = [&](const plat::MSG& msg) {
    const int before = stops;
    plat::DispatchMessageA(&msg);
    if (stops != before) {
      EXPECT_EQ(msg.hwnd, wave->WindowHandle());
      EXPECT_EQ(msg.message, MM_WIM_STOP);
      EXPECT_EQ(msg.wParam, reinterpret_cast<plat::WPARAM>(handle));
      ++stops_by_message;
    }
  };
  for (int t = 0; t < 300; t += 10) {
    plat::clock::AdvanceMs(10);
    plat::MSG msg;
    while (plat::PeekMessageA(&msg, nullptr, 0, 0, plat::PM_REMOVE)) dispatch(msg);
  }
  EXPECT_TRUE(PumpUntil([&] { return stops > 0; }, dispatch));
  Run(300);
  EXPECT_TRUE(started_after_stop);
  EXPECT_TRUE(pending_after_stop);
  EXPECT_EQ(stops, 1);
  EXPECT_EQ(stops_by_message, 1);
  EXPECT_FALSE(stop_in_delivery);
  EXPECT_EQ(stop_thread, plat::GetMainThreadId());
  // The buffer in process was the last one passed down.
  EXPECT_EQ(deliveries, 1);
  EXPECT_EQ(sink.Count(), 1u);
  EXPECT_FALSE(wave->DeviceStarted());
  EXPECT_FALSE(wave->StopPending());
  wave->Close();
}

TEST_P(WaveInModes, CloseDuringADeferredStopClosesOnceTheStopHasCompleted) {
  plat::ScopedManualClock clock;
  auto wave = MakeModeWaveIn();
  std::atomic<bool> opened_after_close{false};
  std::atomic<int> deliveries{0};
  wave->OnBufferReady = [&](vcl::TObject*, plat::WAVEHDR*) {
    if (deliveries++ == 0) {
      wave->Stop();
      wave->Close();
      opened_after_close = wave->DeviceOpened();
    }
  };
  std::vector<std::string> log;
  wave->OnStop = [&](vcl::TObject*) { log.push_back("stop"); };
  wave->OnClose = [&](vcl::TObject*) {
    log.push_back(plat::IsMainThread() ? "close" : "close off the main thread");
  };
  wave->Start();
  Run(300, [&] { return log.size() >= 2; });
  EXPECT_TRUE(PumpUntil([&] { return log.size() >= 2; }));
  EXPECT_TRUE(opened_after_close);
  EXPECT_EQ(log, (std::vector<std::string>{"stop", "close"}));
  EXPECT_FALSE(wave->DeviceOpened());
  EXPECT_EQ(wave->Handle(), nullptr);
  EXPECT_EQ(wave->GetPosition(), 0);
  // Reusable afterwards.
  wave->OnBufferReady = nullptr;
  wave->Start();
  EXPECT_TRUE(wave->DeviceStarted());
  wave->Close();
  EXPECT_EQ(log.back(), "close");
}

TEST_P(WaveInModes, DeliveryErrorClosesAndReachesTheApplication) {
  plat::ScopedManualClock clock;
  auto wave = MakeModeWaveIn();
  int errors = 0;
  std::atomic<int> errors_off_main{0};
  wave->OnError = [&](vcl::TObject*) {
    if (plat::IsMainThread())
      ++errors;
    else
      ++errors_off_main;
  };
  wave->OnBufferReady = [](vcl::TObject*, plat::WAVEHDR*) { throw vcl::Exception("sink failed"); };
  wave->Start();
  Run(400, [&] { return !handled_.empty(); });
  EXPECT_TRUE(PumpUntil([&] { return !handled_.empty(); }));
  EXPECT_EQ(handled_, std::vector<std::string>{"sink failed"});
  EXPECT_GE(errors + errors_off_main, 1);
  EXPECT_FALSE(wave->DeviceOpened());
  EXPECT_EQ(wave->Handle(), nullptr);
  EXPECT_EQ(wave->QuarantinedBuffers(), 0);
}

INSTANTIATE_TEST_SUITE_P(Modes, WaveInModes,
                         ::testing::Values(ModeCase{"Window", cmWindow, Os::kModern},
                                           ModeCase{"Callback", cmCallback, Os::kWin95},
                                           ModeCase{"Thread", cmThread, Os::kModern},
                                           ModeCase{"WindowCallbackOfOldSystems", cmWindow, Os::kNT3}),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- Driver errors ----

struct ErrorCase {
  const char* name;
  std::function<void(plat::wavedev::FaultyConfig&)> configure;
  std::function<void(TMMWaveIn&)> act;
  std::string expected;
};

TEST_F(WaveInTest, DriverErrorsRaiseWithTheOperationAndTheDriversText) {
  using plat::wave::Call;
  const ErrorCase cases[] = {
      {"open", [](auto& c) { c.fail[Call::kOpen] = plat::MMSYSERR_ALLOCATED; },
       [](TMMWaveIn& w) { w.Open(); }, "WaveInOpen:\n\rThe device is already in use by another client."},
      {"format refused", [](auto& c) { c.refuse_format = [](const plat::WAVEFORMATEX&) { return true; }; },
       [](TMMWaveIn& w) { w.Open(); }, "WaveInOpen:\n\rThe actual device can''t record this format"},
      {"standard format not announced",
       [](auto& c) { c.formats = plat::WAVE_FORMAT_STANDARD_ALL & ~plat::WAVE_FORMAT_4S16; },
       [](TMMWaveIn& w) { w.Open(); }, "WaveInOpen:\n\rThe actual device can''t record this format"},
      {"open notice withheld", [](auto& c) { c.withhold.insert(plat::WIM_OPEN); },
       [](TMMWaveIn& w) { w.Open(); }, "WaveInOpen:\n\rUnable to open device"},
      {"prepare", [](auto& c) { c.fail[Call::kPrepare] = plat::MMSYSERR_NOMEM; },
       [](TMMWaveIn& w) { w.Open(); },
       "WaveInPrepareHeader:\n\rNot enough memory is available for the operation."},
      {"add buffer", [](auto& c) { c.fail[Call::kQueue] = plat::MMSYSERR_INVALPARAM; },
       [](TMMWaveIn& w) { w.Start(); }, "WaveInAddBuffer:\n\rAn invalid parameter was passed."},
      {"start with an unknown code", [](auto& c) { c.fail[Call::kStart] = 999; },
       [](TMMWaveIn& w) { w.Start(); },
       "WaveInStart:\n\rSpecified error number is out of range (unknown error)"},
      {"pause", [](auto& c) { c.fail[Call::kStop] = plat::MMSYSERR_ERROR; },
       [](TMMWaveIn& w) {
         w.Start();
         w.Pause();
       },
       "WaveInPause:\n\rAn unspecified error occurred."},
      {"buffers never reported back", [](auto& c) { c.withhold.insert(plat::WIM_DATA); },
       [](TMMWaveIn& w) {
         w.Start();
         w.Stop();
       },
       "WaveInStop:\n\rBuffers are still queued with the device."},
  };
  for (const ErrorCase& c : cases) {
    SCOPED_TRACE(c.name);
    plat::ScopedManualClock clock;
    plat::wavedev::FaultyConfig config;
    c.configure(config);
    plat::wavedev::SetFaultyInput(config);
    auto wave = MakeWaveIn("Faulty Input");
    int errors = 0;
    wave->OnError = [&](vcl::TObject*) { ++errors; };
    {
      // The device's bounded waits run out on the clock.
      ClockPusher pusher;
      try {
        c.act(*wave);
        ADD_FAILURE() << "no error";
      } catch (const EMMWaveInError& e) {
        EXPECT_EQ(e.Message(), c.expected);
      }
    }
    EXPECT_GE(errors, 2);
    EXPECT_FALSE(wave->DeviceOpened());
    EXPECT_EQ(wave->Handle(), nullptr);
    EXPECT_EQ(wave->QuarantinedBuffers(), 0);
    // Nothing was left behind: without the fault the device works.
    plat::wavedev::ResetFaulty();
    wave->OnError = nullptr;
    EXPECT_NO_THROW(wave->Start());
    EXPECT_TRUE(wave->DeviceStarted());
    wave->Close();
    EXPECT_FALSE(wave->DeviceOpened());
  }
  // A device table that refuses a rebuild still has a port open.
  EXPECT_TRUE(plat::wavedev::RebuildDeviceTable());
}

// ---- A driver that keeps its buffers, and wrapping counters ----

// The platform's driver with some operations replaced, to show what the
// device does when a driver misbehaves.
class TScriptedWaveIn : public TMMWaveIn {
 public:
  TScriptedWaveIn() : TMMWaveIn(nullptr) {
    driver_.Reset = &ScriptedReset;
    driver_.AddBuffer = &ScriptedAdd;
    driver_.GetPosition = &ScriptedPosition;
  }

  static inline bool swallow_reset = false;
  static inline std::vector<plat::WAVEHDR*> added;
  static inline plat::HWAVEIN last_handle = nullptr;
  static inline std::vector<std::pair<plat::UINT, plat::DWORD>> positions;

 private:
  static plat::MMRESULT ScriptedReset(plat::HWAVEIN h) {
    return swallow_reset ? plat::MMSYSERR_NOERROR : plat::waveInReset(h);
  }
  static plat::MMRESULT ScriptedAdd(plat::HWAVEIN h, plat::WAVEHDR* hdr, plat::UINT size) {
    added.push_back(hdr);
    last_handle = h;
    return plat::waveInAddBuffer(h, hdr, size);
  }
  static plat::MMRESULT ScriptedPosition(plat::HWAVEIN h, plat::MMTIME* time, plat::UINT size) {
    if (positions.empty()) return plat::waveInGetPosition(h, time, size);
    time->wType = positions.front().first;
    time->u.cb = positions.front().second;
    positions.erase(positions.begin());
    return plat::MMSYSERR_NOERROR;
  }
};

TEST_F(WaveInTest, BuffersTheDriverKeepsAreNeverFreedOrReused) {
  plat::ScopedManualClock clock;
  TScriptedWaveIn wave;
  wave.SetDeviceID(InId("Loopback Input"));
  wave.SetSampleRate(44100);
  wave.SetBitLength(b16Bit);
  wave.SetChannels(2);
  wave.SetNumBuffers(3);
  wave.SetBufferSize(4096);
  int errors = 0;
  wave.OnError = [&](vcl::TObject*) { ++errors; };
  bool closed = false;
  wave.OnClose = [&](vcl::TObject*) { closed = true; };
  TScriptedWaveIn::added.clear();
  TScriptedWaveIn::swallow_reset = true;
  wave.Start();
  const plat::HWAVEIN kept_by_driver = TScriptedWaveIn::last_handle;
  const std::vector<plat::WAVEHDR*> kept = TScriptedWaveIn::added;
  ASSERT_EQ(kept.size(), 3u);
  {
    ClockPusher pusher;
    wave.Close();
  }
  TScriptedWaveIn::swallow_reset = false;
  // Closed all the same, and the error was reported.
  EXPECT_TRUE(closed);
  EXPECT_FALSE(wave.DeviceOpened());
  EXPECT_EQ(wave.Handle(), nullptr);
  EXPECT_GE(errors, 2);
  EXPECT_EQ(wave.LastErrorMessage(), "WaveInClose:\n\rBuffers are still queued with the device.");
  // The stop may hand back the one being filled; the rest stay with the driver.
  std::vector<plat::WAVEHDR*> held;
  for (plat::WAVEHDR* hdr : kept)
    if (!(hdr->dwFlags & plat::WHDR_DONE)) held.push_back(hdr);
  EXPECT_GE(held.size(), 2u);
  EXPECT_EQ(wave.QuarantinedBuffers(), static_cast<int>(held.size()));

  // A new start takes new memory while the driver holds the old.
  TScriptedWaveIn::added.clear();
  TScriptedWaveIn::swallow_reset = true;
  wave.Start();
  TScriptedWaveIn::swallow_reset = false;
  for (plat::WAVEHDR* hdr : TScriptedWaveIn::added)
    EXPECT_EQ(std::find(kept.begin(), kept.end(), hdr), kept.end());
  wave.Close();
  EXPECT_EQ(wave.QuarantinedBuffers(), static_cast<int>(held.size()));

  // The driver still owns them and may fill them; the memory is still there.
  ASSERT_EQ(plat::waveInStart(kept_by_driver), plat::MMSYSERR_NOERROR);
  Run(100);
  for (plat::WAVEHDR* hdr : held) {
    EXPECT_TRUE(hdr->dwFlags & plat::WHDR_DONE);
    EXPECT_EQ(hdr->dwBytesRecorded, 4096u);
  }

  // Once the driver has given them back, the next open closes it and lets them go.
  wave.Open();
  EXPECT_EQ(wave.QuarantinedBuffers(), 0);
  EXPECT_EQ(plat::waveInClose(kept_by_driver), plat::MMSYSERR_INVALHANDLE);
  wave.Close();
}

TEST_F(WaveInTest, DeviceThreadThatCannotBeMadeGivesTheThreadMessage) {
  struct TNoThreadWaveIn : TMMWaveIn {
    TNoThreadWaveIn() : TMMWaveIn(nullptr) {}
    TMMWaveDeviceThread* NewDeviceThread() override { throw vcl::EThread("no thread"); }
  };
  TNoThreadWaveIn wave;
  wave.SetDeviceID(InId("Loopback Input"));
  wave.SetCallBackMode(cmThread);
  try {
    wave.Open();
    ADD_FAILURE() << "no error";
  } catch (const EMMWaveInError& e) {
    EXPECT_EQ(e.Message(), "WaveIn:\n\r" + LoadLibraryMessage(88));
  }
  EXPECT_FALSE(wave.DeviceOpened());
  EXPECT_EQ(wave.DeviceThreadID(), 0u);
}

TEST_F(WaveInTest, PositionCountsPastAWrappingDriverCounter) {
  struct Case {
    const char* name;
    TMMTimeFormats format;
    std::vector<std::pair<plat::UINT, plat::DWORD>> script;
    std::vector<int64_t> expected;
  };
  const int64_t k2p32 = int64_t{1} << 32;
  const Case cases[] = {
      {"samples",
       tfSample,
       {{plat::TIME_SAMPLES, 0xFFFFFF00u}, {plat::TIME_SAMPLES, 0x100}, {plat::TIME_SAMPLES, 0x200}},
       {0xFFFFFF00, k2p32 + 0x100, k2p32 + 0x200}},
      {"bytes of samples",
       tfByte,
       {{plat::TIME_SAMPLES, 0xFFFFFF00u}, {plat::TIME_SAMPLES, 0x100}},
       {int64_t{0xFFFFFF00} * 4, (k2p32 + 0x100) * 4}},
      {"driver that counts bytes",
       tfSample,
       {{plat::TIME_BYTES, 0xFFFFFFF0u}, {plat::TIME_BYTES, 0x10}},
       {0xFFFFFFF0 / 4, (k2p32 + 0x10) / 4}},
      {"a 20-bit counter",
       tfSample,
       {{plat::TIME_SAMPLES, 0xFFF00}, {plat::TIME_SAMPLES, 0x10}},
       {0xFFF00, 0x100000 + 0x10}},
      {"small steps back are no wrap",
       tfSample,
       {{plat::TIME_SAMPLES, 70000}, {plat::TIME_SAMPLES, 10000}},
       {70000, 10000}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TScriptedWaveIn wave;
    wave.SetDeviceID(InId("Loopback Input"));
    wave.SetSampleRate(44100);
    wave.SetBitLength(b16Bit);
    wave.SetChannels(2);
    wave.SetTimeFormat(c.format);
    wave.Open();
    TScriptedWaveIn::positions = c.script;
    for (int64_t expected : c.expected) EXPECT_EQ(wave.GetPosition(), expected);
    TScriptedWaveIn::positions.clear();
    wave.Close();
    EXPECT_EQ(wave.GetPosition(), 0);
  }
}

TEST_F(WaveInTest, PublishesItsProperties) {
  TMMWaveIn wave(nullptr);
  for (const char* name :
       {"Output",    "BufferSize",    "NumBuffers", "DeviceID",   "ProductName", "CallBackMode",
        "Mode",      "Channels",      "BitLength",  "SampleRate", "TimeFormat",  "MaxRecordTime",
        "Priority",  "OnBufferReady", "OnError",    "OnOpen",     "OnStart",     "OnPause",
        "OnRestart", "OnStop",        "OnClose"})
    EXPECT_TRUE(vcl::IsPublishedProp(&wave, name)) << name;
  EXPECT_FALSE(vcl::IsPublishedProp(&wave, "Input"));
  EXPECT_EQ(vcl::GetPropValue(&wave, "DeviceID"), "0");
  wave.SetDeviceID(MapperId);
  EXPECT_EQ(vcl::GetPropValue(&wave, "DeviceID"), "MapperId");
  vcl::SetPropValue(&wave, "TimeFormat", "tfMillisecond");
  EXPECT_EQ(wave.TimeFormat(), tfMillisecond);
  EXPECT_EQ(vcl::GetPropValue(&wave, "Priority"), "tpHigher");
}

}  // namespace
}  // namespace engine
