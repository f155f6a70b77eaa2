#include <gtest/gtest.h>

#include <cstdlib>

#include "WaveTestSupport.h"
#include "platform/kernel/Sync.h"

using namespace plat;
using namespace wavetest;

namespace {

// The real devices through SDL's dummy driver, which plays into nothing at
// real-time speed. Skipped where SDL audio cannot start.
class WaveSdl : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::getenv("SDL_AUDIODRIVER")) setenv("SDL_AUDIODRIVER", "dummy", 1);
    unsetenv("QUELLIX_AUDIO");
    ASSERT_TRUE(wavedev::RebuildDeviceTable());
  }
  void TearDown() override {
    setenv("QUELLIX_AUDIO", "virtual", 1);
    wavedev::RebuildDeviceTable();
  }
};

TEST_F(WaveSdl, RealDevicesComeFirstAndVirtualHidesThem) {
  const UINT outputs = waveOutGetNumDevs();
  if (!wavedev::IsRealWaveOutDevice(0)) GTEST_SKIP() << "SDL audio is not available here";
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

}  // namespace
