#pragma once
// Helpers of the wave-device tests: formats, buffers and a recorder of the
// notices a device delivers through its callback function.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/kernel/Clock.h"
#include "platform/mm/WaveDevices.h"
#include "platform/mm/WaveFaulty.h"

namespace wavetest {

inline plat::WAVEFORMATEX Pcm(plat::DWORD rate, plat::WORD bits, plat::WORD channels) {
  plat::WAVEFORMATEX f{};
  f.wFormatTag = plat::WAVE_FORMAT_PCM;
  f.nChannels = channels;
  f.nSamplesPerSec = rate;
  f.wBitsPerSample = bits;
  f.nBlockAlign = static_cast<plat::WORD>(channels * bits / 8);
  f.nAvgBytesPerSec = rate * f.nBlockAlign;
  f.cbSize = 0;
  return f;
}

inline const plat::WAVEFORMATEX kCd = Pcm(44100, 16, 2);  // 176400 bytes per second

// A header with its own memory.
struct Buffer {
  explicit Buffer(size_t size, char fill = 0) : data(size, fill) {
    header.lpData = data.data();
    header.dwBufferLength = static_cast<plat::DWORD>(size);
  }
  std::vector<char> data;
  plat::WAVEHDR header;
};

// One notice as the callback saw it, with the header's state at that moment.
struct Notice {
  plat::UINT message = 0;
  plat::WAVEHDR* header = nullptr;
  plat::DWORD flags = 0;
  plat::DWORD bytes = 0;
};

class Recorder {
 public:
  // Called at the start of each notice, on the device's thread.
  std::function<void(const Notice&)> on_notice;

  static void DeliverIn(plat::HWAVEIN, plat::UINT message, plat::DWORD_PTR instance, plat::DWORD_PTR param1,
                        plat::DWORD_PTR) {
    reinterpret_cast<Recorder*>(instance)->Record(message, reinterpret_cast<plat::WAVEHDR*>(param1));
  }
  static void DeliverOut(plat::HWAVEOUT, plat::UINT message, plat::DWORD_PTR instance, plat::DWORD_PTR param1,
                         plat::DWORD_PTR) {
    reinterpret_cast<Recorder*>(instance)->Record(message, reinterpret_cast<plat::WAVEHDR*>(param1));
  }

  void Record(plat::UINT message, plat::WAVEHDR* header) {
    Notice n{message, header, header ? header->dwFlags : 0, header ? header->dwBytesRecorded : 0};
    {
      std::lock_guard lock(mutex_);
      notices_.push_back(n);
      cv_.notify_all();
    }
    if (on_notice) on_notice(n);
  }

  // Waits in real time until `count` notices arrived; false after 5 s.
  bool WaitFor(size_t count) {
    std::unique_lock lock(mutex_);
    return cv_.wait_for(lock, std::chrono::seconds(5), [&] { return notices_.size() >= count; });
  }
  std::vector<Notice> notices() {
    std::lock_guard lock(mutex_);
    return notices_;
  }
  // The notices of one message.
  std::vector<Notice> Of(plat::UINT message) {
    std::vector<Notice> out;
    for (const Notice& n : notices())
      if (n.message == message) out.push_back(n);
    return out;
  }

  plat::DWORD_PTR instance() { return reinterpret_cast<plat::DWORD_PTR>(this); }
  static plat::DWORD_PTR InProc() { return reinterpret_cast<plat::DWORD_PTR>(&DeliverIn); }
  static plat::DWORD_PTR OutProc() { return reinterpret_cast<plat::DWORD_PTR>(&DeliverOut); }

 private:
  std::mutex mutex_;
  std::condition_variable cv_;
  std::vector<Notice> notices_;
};

// Every wave test runs on the virtual devices and the manual clock.
class WaveFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("QUELLIX_AUDIO", "virtual", 1);
    ASSERT_TRUE(plat::wavedev::RebuildDeviceTable());
    plat::wavedev::ResetFaulty();
  }
  void TearDown() override { plat::wavedev::ResetFaulty(); }

  static plat::UINT InId(const char* name) { return plat::wavedev::FindWaveInDevice(name); }
  static plat::UINT OutId(const char* name) { return plat::wavedev::FindWaveOutDevice(name); }

  plat::HWAVEIN OpenIn(const char* name, Recorder& recorder, const plat::WAVEFORMATEX& format = kCd) {
    plat::HWAVEIN h = nullptr;
    EXPECT_EQ(plat::waveInOpen(&h, InId(name), &format, Recorder::InProc(), recorder.instance(),
                               plat::CALLBACK_FUNCTION),
              plat::MMSYSERR_NOERROR);
    return h;
  }
  plat::HWAVEOUT OpenOut(const char* name, Recorder& recorder, const plat::WAVEFORMATEX& format = kCd) {
    plat::HWAVEOUT h = nullptr;
    EXPECT_EQ(plat::waveOutOpen(&h, OutId(name), &format, Recorder::OutProc(), recorder.instance(),
                                plat::CALLBACK_FUNCTION),
              plat::MMSYSERR_NOERROR);
    return h;
  }
  static void AddIn(plat::HWAVEIN h, Buffer& b) {
    ASSERT_EQ(plat::waveInPrepareHeader(h, &b.header, sizeof(plat::WAVEHDR)), plat::MMSYSERR_NOERROR);
    ASSERT_EQ(plat::waveInAddBuffer(h, &b.header, sizeof(plat::WAVEHDR)), plat::MMSYSERR_NOERROR);
  }
  static void WriteOut(plat::HWAVEOUT h, Buffer& b) {
    ASSERT_EQ(plat::waveOutPrepareHeader(h, &b.header, sizeof(plat::WAVEHDR)), plat::MMSYSERR_NOERROR);
    ASSERT_EQ(plat::waveOutWrite(h, &b.header, sizeof(plat::WAVEHDR)), plat::MMSYSERR_NOERROR);
  }
  static plat::DWORD PositionIn(plat::HWAVEIN h, plat::UINT type = plat::TIME_BYTES) {
    plat::MMTIME t;
    t.wType = type;
    EXPECT_EQ(plat::waveInGetPosition(h, &t, sizeof(t)), plat::MMSYSERR_NOERROR);
    EXPECT_EQ(t.wType, type);
    return t.u.cb;
  }
  static plat::DWORD PositionOut(plat::HWAVEOUT h) {
    plat::MMTIME t;
    t.wType = plat::TIME_BYTES;
    EXPECT_EQ(plat::waveOutGetPosition(h, &t, sizeof(t)), plat::MMSYSERR_NOERROR);
    return t.u.cb;
  }
};

// A pattern that differs at every byte of a few seconds of audio.
inline void FillPattern(std::vector<char>& data, unsigned seed = 1) {
  unsigned x = seed * 2654435761u + 12345;
  for (char& c : data) {
    x = x * 1103515245u + 12345;
    c = static_cast<char>(x >> 16);
  }
}

}  // namespace wavetest
