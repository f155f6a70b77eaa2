#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>
#include <vector>

#include "WaveTestSupport.h"
#include "platform/kernel/Sync.h"
#include "platform/kernel/ThreadQueue.h"
#include "platform/kernel/Threads.h"
#include "platform/kernel/WaitCore.h"
#include "platform/user/Messages.h"
#include "support/PumpUntil.h"
#include "support/TempDir.h"

using namespace plat;
using namespace wavetest;

namespace {

// The sound card through SDL's dummy driver, which plays into nothing at
// real-time speed, or its disk driver, which records from a file at
// real-time speed. Skipped where the sound card cannot start.
class WaveHost : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::getenv("SDL_AUDIODRIVER")) setenv("SDL_AUDIODRIVER", "dummy", 1);
    // The disk driver plays into this file rather than into the working folder.
    setenv("SDL_DISKAUDIOFILE", dir_.File("played.raw").c_str(), 1);
    unsetenv("QUELLIX_AUDIO");
    ASSERT_TRUE(wavedev::RebuildDeviceTable());
  }
  void TearDown() override {
    setenv("QUELLIX_AUDIO", "virtual", 1);
    wavedev::RebuildDeviceTable();
  }

  testsupport::TempDir dir_;
};

TEST_F(WaveHost, RealDevicesComeFirstAndVirtualHidesThem) {
  const UINT outputs = waveOutGetNumDevs();
  if (!wavedev::IsRealWaveOutDevice(0)) GTEST_SKIP() << "no sound card here, not even SDL's dummy one";
  EXPECT_TRUE(wavedev::IsRealWaveOutDevice(wavedev::MappedWaveOutDevice()));
  EXPECT_LT(wavedev::MappedWaveOutDevice(), wavedev::FindWaveOutDevice("Loopback Output"));

  // A buffer played through the sound card comes back done, at real-time speed.
  HANDLE event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  HWAVEOUT out = nullptr;
  ASSERT_EQ(waveOutOpen(&out, WAVE_MAPPER, &kCd, reinterpret_cast<DWORD_PTR>(event), 0, CALLBACK_EVENT),
            MMSYSERR_NOERROR);
  Buffer b(17640);
  ASSERT_EQ(waveOutPrepareHeader(out, &b.header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
  ASSERT_EQ(waveOutWrite(out, &b.header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
  for (int i = 0; i < 100 && !(b.header.dwFlags & WHDR_DONE); ++i) WaitForSingleObject(event, 50);
  EXPECT_TRUE(b.header.dwFlags & WHDR_DONE);
  MMTIME t;
  t.wType = TIME_BYTES;
  ASSERT_EQ(waveOutGetPosition(out, &t, sizeof(t)), MMSYSERR_NOERROR);
  EXPECT_EQ(t.u.cb, 17640u);
  EXPECT_EQ(waveOutClose(out), MMSYSERR_NOERROR);
  CloseHandle(event);

  setenv("QUELLIX_AUDIO", "virtual", 1);
  ASSERT_TRUE(wavedev::RebuildDeviceTable());
  EXPECT_EQ(waveOutGetNumDevs(), 2u);
  EXPECT_LT(waveOutGetNumDevs(), outputs);
  for (UINT id = 0; id < waveOutGetNumDevs(); ++id) EXPECT_FALSE(wavedev::IsRealWaveOutDevice(id));
  for (UINT id = 0; id < waveInGetNumDevs(); ++id) EXPECT_FALSE(wavedev::IsRealWaveInDevice(id));
  EXPECT_EQ(wavedev::MappedWaveOutDevice(), wavedev::FindWaveOutDevice("Loopback Output"));
}

// The capture thread of the sound card never waits for the lock that every
// message queue shares: while the main thread posts and pumps messages flat
// out, seconds of 48 kHz stereo captured from a ramp arrive whole and in order.
TEST_F(WaveHost, CaptureLosesNothingWhileTheMainThreadIsBusy) {
  constexpr DWORD kRate = 48000;
  const WAVEFORMATEX format = Pcm(kRate, 16, 2);
  // Longer than the run, as the disk driver records silence after the file.
  std::vector<uint16_t> ramp(kRate * 2 * 6);
  for (size_t i = 0; i < ramp.size(); ++i) ramp[i] = static_cast<uint16_t>(i);
  const std::string in_file = dir_.File("ramp.raw");
  std::ofstream(in_file, std::ios::binary)
      .write(reinterpret_cast<const char*>(ramp.data()), static_cast<std::streamsize>(ramp.size() * 2));
  testsupport::ScopedEnv driver("SDL_AUDIODRIVER", "disk");
  testsupport::ScopedEnv input("SDL_DISKAUDIOFILEIN", in_file);
  ASSERT_TRUE(wavedev::RebuildDeviceTable());
  if (waveInGetNumDevs() == 0 || !wavedev::IsRealWaveInDevice(0))
    GTEST_SKIP() << "SDL's disk driver is not available here";

  Recorder recorder;
  HWAVEIN in = nullptr;
  ASSERT_EQ(waveInOpen(&in, 0, &format, Recorder::InProc(), recorder.instance(), CALLBACK_FUNCTION),
            MMSYSERR_NOERROR);
  std::vector<std::unique_ptr<Buffer>> buffers;
  for (int i = 0; i < 8; ++i) {
    buffers.push_back(std::make_unique<Buffer>(4800));  // 25 ms each
    ASSERT_EQ(waveInPrepareHeader(in, &buffers.back()->header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    ASSERT_EQ(waveInAddBuffer(in, &buffers.back()->header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
  }
  std::vector<uint16_t> captured;
  captured.reserve(ramp.size());
  size_t seen = 0;
  size_t added = buffers.size();
  auto take_done = [&](bool requeue) {
    const std::vector<Notice> data = recorder.Of(WIM_DATA);
    for (; seen < data.size(); ++seen) {
      WAVEHDR& h = *data[seen].header;
      const auto* words = reinterpret_cast<const uint16_t*>(h.lpData);
      captured.insert(captured.end(), words, words + data[seen].bytes / 2);
      if (requeue) {
        ASSERT_EQ(waveInAddBuffer(in, &h, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
        ++added;
      }
    }
  };

  ASSERT_EQ(waveInStart(in), MMSYSERR_NOERROR);
  const DWORD start = GetTickCount();
  const DWORD self = GetCurrentThreadId();
  uint64_t pumped = 0;
  for (int round = 0; GetTickCount() - start < 3000; ++round) {
    for (int i = 0; i < 16; ++i) PostThreadMessageA(self, WM_USER, 0, 0);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) ++pumped;
    if (round % 64 == 0) take_done(true);
  }
  ASSERT_EQ(waveInStop(in), MMSYSERR_NOERROR);
  EXPECT_EQ(wavedev::LostCaptureBytes(in), 0u);
  ASSERT_EQ(waveInReset(in), MMSYSERR_NOERROR);
  // The recorder reads each header as its notice arrives: the headers are
  // this thread's to change again once every notice has.
  ASSERT_TRUE(testsupport::PumpUntil([&] { return recorder.Of(WIM_DATA).size() >= added; }, {}));
  for (auto& b : buffers) EXPECT_EQ(waveInUnprepareHeader(in, &b->header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
  // The close delivers the notices still owed first.
  EXPECT_EQ(waveInClose(in), MMSYSERR_NOERROR);
  take_done(false);

  EXPECT_GT(pumped, 10000u);
  // Most of three seconds, in order from wherever the device was when started.
  ASSERT_GT(captured.size(), kRate * 2 * 5 / 2);
  size_t breaks = 0;
  for (size_t i = 1; i < captured.size(); ++i)
    if (captured[i] != static_cast<uint16_t>(captured[i - 1] + 1) && ++breaks <= 3)
      ADD_FAILURE() << "word " << i << " is " << captured[i] << " after " << captured[i - 1];
  EXPECT_EQ(breaks, 0u);
}

// Bytes the process has read from a file so far, as the kernel sees it.
uint64_t ReadPosition(const std::string& file) {
  for (const auto& fd : std::filesystem::directory_iterator("/proc/self/fd")) {
    std::error_code error;
    if (std::filesystem::read_symlink(fd.path(), error) != file) continue;
    std::ifstream info("/proc/self/fdinfo/" + fd.path().filename().string());
    std::string key;
    uint64_t pos = 0;
    while (info >> key >> pos)
      if (key == "pos:") return pos;
  }
  return 0;
}

// Both directions keep moving data while another thread holds the lock that
// every queue and event shares: their callbacks only meet the port in a ring.
TEST_F(WaveHost, DevicesKeepRunningWhileTheSharedLockIsHeld) {
  const WAVEFORMATEX format = Pcm(48000, 16, 2);
  std::vector<char> sound(format.nAvgBytesPerSec * 4, 1);
  const std::string in_file = dir_.File("in.raw");
  const std::string out_file = dir_.File("played.raw");
  std::ofstream(in_file, std::ios::binary).write(sound.data(), static_cast<std::streamsize>(sound.size()));
  testsupport::ScopedEnv driver("SDL_AUDIODRIVER", "disk");
  testsupport::ScopedEnv input("SDL_DISKAUDIOFILEIN", in_file);
  ASSERT_TRUE(wavedev::RebuildDeviceTable());
  if (waveInGetNumDevs() == 0 || !wavedev::IsRealWaveInDevice(0) || !wavedev::IsRealWaveOutDevice(0))
    GTEST_SKIP() << "SDL's disk driver is not available here";

  Recorder recorder;
  HWAVEIN in = nullptr;
  HWAVEOUT out = nullptr;
  ASSERT_EQ(waveInOpen(&in, 0, &format, Recorder::InProc(), recorder.instance(), CALLBACK_FUNCTION),
            MMSYSERR_NOERROR);
  ASSERT_EQ(waveOutOpen(&out, 0, &format, Recorder::OutProc(), recorder.instance(), CALLBACK_FUNCTION),
            MMSYSERR_NOERROR);
  Buffer captured(format.nAvgBytesPerSec * 2);
  Buffer played(format.nAvgBytesPerSec * 2, 7);
  ASSERT_EQ(waveInPrepareHeader(in, &captured.header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
  ASSERT_EQ(waveInAddBuffer(in, &captured.header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
  ASSERT_EQ(waveInStart(in), MMSYSERR_NOERROR);
  ASSERT_EQ(waveOutPrepareHeader(out, &played.header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
  ASSERT_EQ(waveOutWrite(out, &played.header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);

  uint64_t read_while_held = 0, written_while_held = 0;
  {
    std::lock_guard hold(waitcore::Mutex());
    const uint64_t read_before = ReadPosition(in_file);
    const uint64_t written_before = std::filesystem::file_size(out_file);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    read_while_held = ReadPosition(in_file) - read_before;
    written_while_held = std::filesystem::file_size(out_file) - written_before;
  }
  // Half a second is 96000 bytes; a device that waited for the lock would
  // have moved at most a period or two.
  EXPECT_GT(read_while_held, 40000u);
  EXPECT_GT(written_while_held, 40000u);

  ASSERT_EQ(waveInReset(in), MMSYSERR_NOERROR);
  ASSERT_EQ(waveOutReset(out), MMSYSERR_NOERROR);
  EXPECT_EQ(wavedev::LostCaptureBytes(in), 0u);
  EXPECT_GT(captured.header.dwBytesRecorded, format.nAvgBytesPerSec / 4);
  EXPECT_EQ(waveInClose(in), MMSYSERR_NOERROR);
  EXPECT_EQ(waveOutClose(out), MMSYSERR_NOERROR);
}

}  // namespace
