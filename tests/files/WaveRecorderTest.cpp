// The wave recorder on the virtual loopback pair and the manual clock: what
// the input captures ends up in a readable file; a disk that fills while the
// user stops leaves a complete file and no hang; a recorder killed in the
// middle leaves the target as it was; the stored format is read defensively.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "WaveFixtures.h"
#include "engine/MMUtils.h"
#include "engine/MMWavOut.h"
#include "files/MMACMDlg.h"
#include "files/MMWRec.h"
#include "files/MMWave.h"
#include "platform/kernel/Clock.h"
#include "platform/kernel/ThreadQueue.h"
#include "platform/mm/WaveDevices.h"
#include "platform/user/MessageBox.h"
#include "platform/vcl/FormReader.h"
#include "platform/vcl/FormWriter.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/Streams.h"
#include "support/ClockPusher.h"
#include "support/LoopbackEnvironment.h"
#include "support/PumpUntil.h"
#include "support/TempDir.h"

namespace filestest {
namespace {

using files::TMMWaveRecorder;

constexpr int kRate = 44100;
constexpr int32_t kBytesPerSecond = kRate * 4;
constexpr int32_t kInBufferBytes = kBytesPerSecond / 10;

// The disk the fake free-space query describes: room for `ok_answers`
// buffers, then full. On the first full answer it waits (a bounded while)
// until the test has begun its stop, so the file closes itself while the
// stop is under way.
std::atomic<int> ok_answers{1 << 30};
std::atomic<bool> full_reported{false};
std::atomic<bool> stop_begun{false};
plat::BOOL FillingDisk(const char*, plat::ULONGLONG* free_to_caller, plat::ULONGLONG* total,
                       plat::ULONGLONG* total_free) {
  plat::ULONGLONG room = 1ull << 40;
  // Only the device thread's writes count; the disk fills under them.
  if (!plat::IsMainThread() && ok_answers.fetch_sub(1) <= 0) {
    room = 0;
    if (!full_reported.exchange(true)) {
      const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(2);
      while (!stop_begun && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }
  if (free_to_caller) *free_to_caller = room;
  if (total) *total = 1ull << 41;
  if (total_free) *total_free = room;
  return plat::TRUE;
}

// Every buffer the recorder passed on, in order, from whichever thread delivers.
class DataLog {
 public:
  void Attach(TMMWaveRecorder& recorder) {
    recorder.OnData = [this](vcl::TObject*, plat::WAVEHDR* h) {
      std::lock_guard guard(lock_);
      buffers_.emplace_back(h->lpData, h->lpData + h->dwBytesRecorded);
    };
  }
  std::vector<Bytes> Buffers() const {
    std::lock_guard guard(lock_);
    return buffers_;
  }
  Bytes All() const {
    Bytes all;
    for (const Bytes& b : Buffers()) all.insert(all.end(), b.begin(), b.end());
    return all;
  }

 private:
  mutable std::mutex lock_;
  std::vector<Bytes> buffers_;
};

bool Contains(const Bytes& haystack, const Bytes& needle) {
  return std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end()) != haystack.end();
}

class WaveRecorderTest : public ::testing::Test {
 protected:
  void SetUp() override { env_.SetUp(); }
  void TearDown() override {
    engine::BindDiskFreeSpaceEx(nullptr);
    env_.TearDown();
  }

  // Set up for 44100 Hz 16-bit stereo from the loopback input into `target`.
  void Prepare(TMMWaveRecorder& recorder, const std::string& target, engine::TMMCBMode mode) {
    recorder.SetDeviceID(static_cast<engine::TMMDeviceId>(plat::wavedev::FindWaveInDevice("Loopback Input")));
    recorder.SetSampleRate(kRate);
    recorder.SetBitLength(engine::b16Bit);
    recorder.SetMode(engine::mStereo);
    recorder.SetBufferSize(kInBufferBytes);
    recorder.SetNumBuffers(10);
    recorder.SetCallBackMode(mode);
    recorder.Wave()->SetFileName(target);
  }

  // Moves the clock in 10 ms steps, serving this thread; a device thread is
  // waited for until it has taken what the clock has completed.
  void Run(const TMMWaveRecorder& recorder, int ms) {
    const int64_t start = recorder.WaveIn()->BytesRecorded();
    for (int t = 10; t <= ms; t += 10) {
      plat::clock::AdvanceMs(10);
      vcl::Application->ProcessMessages();
      if (recorder.CallBackMode() != engine::cmThread || !recorder.WaveIn()->DeviceStarted()) continue;
      const int64_t due = int64_t{t} * kBytesPerSecond / 1000 / kInBufferBytes * kInBufferBytes;
      testsupport::PumpUntil(
          [&] {
            return recorder.WaveIn()->BytesRecorded() - start >= due || !recorder.WaveIn()->DeviceStarted();
          },
          {.serve = [] { vcl::Application->ProcessMessages(); }, .limit_ms = 30000, .pause_us = 100});
    }
  }

  plat::ScopedManualClock clock_;
  testsupport::LoopbackEnvironment env_;
  testsupport::TempDir temp_;
};

struct ModeCase {
  const char* name;
  engine::TMMCBMode mode;
};

class WaveRecorderModes : public WaveRecorderTest, public ::testing::WithParamInterface<ModeCase> {};

TEST_P(WaveRecorderModes, ASecondFromTheLoopbackInputIsRecordedAsCaptured) {
  const plat::WAVEFORMATEX f = Pcm(16, 2, kRate);
  const Bytes tone = Tone(f, 2 * kRate);
  const std::string source = temp_.File("tone.wav"), target = temp_.File("take.wav");
  WriteWave(source, f, tone);

  files::TMMWaveFile file(nullptr);
  file.SetFileName(source);
  engine::TMMWaveOut out(nullptr);
  out.SetDeviceID(static_cast<engine::TMMDeviceId>(plat::wavedev::FindWaveOutDevice("Loopback Output")));
  out.SetInput(&file);
  out.SetBufferSize(kBytesPerSecond / 20);
  out.SetNumBuffers(10);

  TMMWaveRecorder recorder(nullptr);
  Prepare(recorder, target, GetParam().mode);
  DataLog log;
  log.Attach(recorder);
  int starts = 0, stops = 0;
  recorder.OnStart = [&](vcl::TObject*) { ++starts; };
  recorder.OnStop = [&](vcl::TObject*) { ++stops; };

  recorder.Record();
  out.Start();
  EXPECT_EQ(recorder.DeviceState(), TMMWaveRecorder::kOpened | TMMWaveRecorder::kStarted);
  // Written under another name until it is complete.
  EXPECT_FALSE(std::filesystem::exists(target));
  Run(recorder, 1000);
  recorder.Stop();
  out.Stop();
  out.Close();
  EXPECT_EQ(recorder.DeviceState(), TMMWaveRecorder::kClosed);
  EXPECT_EQ(starts, 1);
  EXPECT_EQ(stops, 1);
  EXPECT_TRUE(env_.Errors().empty()) << env_.Errors().front();

  plat::WAVEFORMATEX written{};
  const Bytes data = ReadWaveData(target, &written);
  EXPECT_EQ(written.nSamplesPerSec, static_cast<plat::DWORD>(kRate));
  EXPECT_EQ(written.nChannels, 2);
  EXPECT_EQ(written.wBitsPerSample, 16);
  EXPECT_EQ(data, log.All());
  EXPECT_GE(data.size(), static_cast<size_t>(kBytesPerSecond * 9 / 10));
  // What was played is in what was recorded: a tenth of a second from the middle of the tone.
  EXPECT_TRUE(
      Contains(data, Bytes(tone.begin() + kBytesPerSecond / 2, tone.begin() + kBytesPerSecond * 6 / 10)));
}

INSTANTIATE_TEST_SUITE_P(Modes, WaveRecorderModes,
                         ::testing::Values(ModeCase{"Window", engine::cmWindow},
                                           ModeCase{"Thread", engine::cmThread}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(WaveRecorderTest, ADiskThatFillsWhileTheUserStopsLeavesACompleteFileAndNoHang) {
  const std::string target = temp_.File("full.wav");
  TMMWaveRecorder recorder(nullptr);
  Prepare(recorder, target, engine::cmThread);
  DataLog log;
  log.Attach(recorder);
  int stops = 0;
  recorder.OnStop = [&](vcl::TObject*) { ++stops; };
  ok_answers = 3;
  full_reported = false;
  stop_begun = false;
  engine::BindDiskFreeSpaceEx(FillingDisk);

  recorder.Record();
  // The clock moves on while the device thread keeps up, until the disk is full.
  for (int t = 10; t <= 5000 && !full_reported; t += 10) {
    plat::clock::AdvanceMs(10);
    vcl::Application->ProcessMessages();
    const int64_t due = int64_t{t} * kBytesPerSecond / 1000 / kInBufferBytes * kInBufferBytes;
    testsupport::PumpUntil(
        [&] { return full_reported || recorder.WaveIn()->BytesRecorded() >= due; },
        {.serve = [] { vcl::Application->ProcessMessages(); }, .limit_ms = 30000, .pause_us = 100});
  }
  ASSERT_TRUE(full_reported);
  // The device thread is about to close the file; the user stops now. Should
  // a wait of the stop run out, the pusher ends it and the clock shows it; a
  // wait nobody ends shows in real time.
  const int64_t before_us = plat::ClockNowMicroseconds();
  const auto real_start = std::chrono::steady_clock::now();
  {
    // 2 ms of clock per real millisecond: a slow machine's stop stays far
    // below one bounded wait (a second on the clock).
    testsupport::ClockPusher pusher(std::chrono::milliseconds(5));
    stop_begun = true;
    recorder.Stop();
  }
  const int64_t stop_us = plat::ClockNowMicroseconds() - before_us;
  EXPECT_LT(stop_us, 900'000) << "the stop waited for a delivery that could not end";
  ASSERT_TRUE(
      testsupport::PumpUntil([&] { return recorder.DeviceState() == TMMWaveRecorder::kClosed; },
                             {.serve = [] { vcl::Application->ProcessMessages(); }, .clock_step_ms = 10}));
  for (int i = 0; i < 10; ++i) vcl::Application->ProcessMessages();  // the posted stop, if any
  EXPECT_LT(std::chrono::steady_clock::now() - real_start, std::chrono::seconds(5));
  EXPECT_EQ(stops, 1);
  EXPECT_TRUE(recorder.WaveIn()->LastErrorMessage().empty()) << recorder.WaveIn()->LastErrorMessage();
  EXPECT_TRUE(env_.Errors().empty()) << env_.Errors().front();

  // Complete and readable, holding the buffers written before the disk was full.
  const Bytes data = ReadWaveData(target);
  ASSERT_FALSE(data.empty());
  ASSERT_EQ(data.size() % kInBufferBytes, 0u);
  const std::vector<Bytes> buffers = log.Buffers();
  Bytes expected;
  for (size_t i = 0; i < data.size() / kInBufferBytes && i < buffers.size(); ++i)
    expected.insert(expected.end(), buffers[i].begin(), buffers[i].end());
  EXPECT_EQ(data, expected);
}

// Run by the next test in a child process: records into the target until it
// is killed.
TEST_F(WaveRecorderTest, KilledRecorderChild) {
  const char* target = std::getenv("QUELLIX_KILLED_RECORDER_TARGET");
  if (target == nullptr) GTEST_SKIP() << "runs as a child of ARecorderKilledMidFileLeavesTheTargetAsItWas";
  TMMWaveRecorder recorder(nullptr);
  Prepare(recorder, target, engine::cmWindow);
  recorder.Record();
  for (int i = 0;; ++i) {
    Run(recorder, 100);
    if (i == 5) std::ofstream(std::string(target) + ".recording") << "x";
  }
}

TEST_F(WaveRecorderTest, ARecorderKilledMidFileLeavesTheTargetAsItWas) {
  const std::string target = temp_.File("keep.wav");
  WriteWave(target, Pcm(8, 1, 8000), Counting(5000));
  const Bytes before = ReadFileBytes(target);

  ASSERT_TRUE(KillChildOnceMarked("WaveRecorderTest.KilledRecorderChild", "QUELLIX_KILLED_RECORDER_TARGET",
                                  target, ".recording"));
  EXPECT_EQ(ReadFileBytes(target), before);
}

TEST_F(WaveRecorderTest, ANewFileNameStopsTheRecordingAndAnExistingFileIsContinued) {
  const plat::WAVEFORMATEX f = Pcm(16, 2, kRate);
  const std::string first = temp_.File("first.wav"), second = temp_.File("second.wav");
  TMMWaveRecorder recorder(nullptr);
  Prepare(recorder, first, engine::cmWindow);
  recorder.SetTimeFormat(engine::tfMillisecond);
  int changes = 0, stops = 0;
  recorder.OnChange = [&](vcl::TObject*) { ++changes; };
  recorder.OnStop = [&](vcl::TObject*) { ++stops; };
  recorder.Record();
  Run(recorder, 300);
  recorder.Wave()->SetFileName(second);
  EXPECT_EQ(recorder.DeviceState(), TMMWaveRecorder::kClosed);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(stops, 1);
  EXPECT_FALSE(ReadWaveData(first).empty());

  // Continuing a file that holds half a second: the position counts on from
  // where the wave stood at Record.
  WriteWave(second, f, Tone(f, kRate / 2));
  recorder.SetOverwriteExisting(false);
  recorder.Wave()->SetFileName(second);
  recorder.Wave()->SetPosition(500);
  EXPECT_EQ(recorder.Position(), 500);
  recorder.Record();
  Run(recorder, 200);
  EXPECT_GE(recorder.Position(), 600);
  EXPECT_LE(recorder.Position(), 700);
  recorder.Stop();
  EXPECT_TRUE(env_.Errors().empty()) << env_.Errors().front();
}

TEST_F(WaveRecorderTest, FormatTextAndForwardedSettings) {
  TMMWaveRecorder recorder(nullptr);
  recorder.SetSampleRate(kRate);
  recorder.SetBitLength(engine::b16Bit);
  recorder.SetMode(engine::mStereo);
  std::string tag, text;
  ASSERT_TRUE(files::GetWaveFormatText(recorder.WaveIn()->GetFormat(), tag, text));
  EXPECT_EQ(recorder.InputFormat(), tag + " " + text);
  EXPECT_NE(recorder.InputFormat().find("44"), std::string::npos);

  // Writing it only says that it cannot be written.
  std::vector<std::string> asked;
  plat::SetDialogScript([&](const plat::DialogRequest& r) -> std::optional<plat::DialogAnswer> {
    asked.push_back(r.text);
    return plat::DialogAnswer{};
  });
  recorder.SetInputFormat(std::string("anything"));
  plat::SetDialogScript(nullptr);
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0], "This is a read-only property, please use SelectFormat.");
  EXPECT_EQ(recorder.InputFormat(), tag + " " + text);

  recorder.SetTimeFormat(engine::tfMillisecond);
  recorder.SetMaxRecordTime(1000);
  recorder.SetTimeFormat(engine::tfByte);
  EXPECT_EQ(recorder.MaxRecordTime(), 176400);
  EXPECT_EQ(recorder.Wave()->TimeFormat(), engine::tfByte);
}

// Exposes the stored format's reader.
class TStoredFormatRecorder : public TMMWaveRecorder {
 public:
  using TMMWaveRecorder::ReadWaveFormat;
  using TMMWaveRecorder::TMMWaveRecorder;
};

TEST_F(WaveRecorderTest, TheStoredFormatIsWrittenOnlyForOtherThanPCMAndReadDefensively) {
  vcl::RegisterClass(TMMWaveRecorder::StaticClass());
  {
    vcl::TForm form(nullptr);
    form.SetName("Main");
    auto* recorder = new TMMWaveRecorder(&form);
    recorder->SetName("wavRecorder");
    recorder->SetSampleRate(kRate);
    EXPECT_EQ(vcl::WriteFormText(&form).find("WaveFormatEx"), std::string::npos);
  }
  // IMA ADPCM, 4 bits, with its two extra bytes.
  struct {
    plat::WAVEFORMATEX f;
    uint16_t samples_per_block;
  } ima{{0x11, 1, 22050, 11100, 512, 4, 2}, 1017};
  vcl::TForm form(nullptr);
  form.SetName("Main");
  auto* recorder = new TMMWaveRecorder(&form);
  recorder->SetName("wavRecorder");
  recorder->SetFormat(&ima.f);
  ASSERT_EQ(engine::GetWaveFormatSize(recorder->WaveIn()->GetFormat()), 20);
  const std::string text = vcl::WriteFormText(&form);
  EXPECT_NE(text.find("WaveFormatEx"), std::string::npos);
  vcl::TForm read(nullptr);
  vcl::ReadFormText(&read, text);
  auto* back = dynamic_cast<TMMWaveRecorder*>(read.FindComponent("wavRecorder"));
  ASSERT_NE(back, nullptr);
  ASSERT_NE(back->WaveIn()->GetFormat(), nullptr);
  EXPECT_EQ(std::memcmp(back->WaveIn()->GetFormat(), &ima, 20), 0);

  // Short, truncated or implausible records are refused and change nothing.
  auto record = [](plat::WAVEFORMATEX f, size_t size) {
    Bytes b(sizeof f + 64, 0);
    std::memcpy(b.data(), &f, 18);
    b.resize(size);
    return b;
  };
  const plat::WAVEFORMATEX adpcm{2, 2, 44100, 44359, 2048, 4, 32};
  const struct {
    const char* name;
    Bytes bytes;
  } bad[] = {
      {"shorter than a record", Bytes(10, 1)},
      {"extra bytes announced but missing", record(adpcm, 18 + 8)},
      {"no block align", record({1, 2, 44100, 176400, 0, 16, 0}, 18)},
      {"no rate", record({1, 2, 0, 176400, 4, 16, 0}, 18)},
  };
  TStoredFormatRecorder defended(nullptr);
  const Bytes kept(reinterpret_cast<const uint8_t*>(defended.WaveIn()->GetFormat()),
                   reinterpret_cast<const uint8_t*>(defended.WaveIn()->GetFormat()) + 18);
  for (const auto& c : bad) {
    SCOPED_TRACE(c.name);
    vcl::TMemoryStream stream;
    stream.WriteBuffer(c.bytes.data(), static_cast<int64_t>(c.bytes.size()));
    stream.SetPosition(0);
    EXPECT_THROW(defended.ReadWaveFormat(stream), files::EMMWaveRecorderError);
    EXPECT_EQ(Bytes(reinterpret_cast<const uint8_t*>(defended.WaveIn()->GetFormat()),
                    reinterpret_cast<const uint8_t*>(defended.WaveIn()->GetFormat()) + 18),
              kept);
  }
}

}  // namespace
}  // namespace filestest
