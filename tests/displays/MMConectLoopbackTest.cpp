// The connector behind a wave input on the virtual loopback pair and the
// manual clock. Without RealTime its passes run on the input's delivery
// thread while the main thread relinks displays, disables, pauses and
// restarts: every refresh on the delivery thread, every display call under
// its own lock (the ThreadSanitizer build runs this too).
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

#include "displays/ConnectorTestSupport.h"
#include "displays/MMConect.h"
#include "engine/MMWavIn.h"
#include "platform/kernel/Clock.h"
#include "platform/mm/WaveDevices.h"
#include "platform/vcl/Application.h"
#include "support/LoopbackEnvironment.h"
#include "support/PumpUntil.h"

using namespace displays;

namespace {

using connectortest::TDisplayLog;
using connectortest::TFakeDisplay;

constexpr int32_t kRate = 44100;
constexpr int32_t kBytesPerSecond = kRate * 4;
constexpr int32_t kInBufferBytes = kBytesPerSecond / 10;

class ConnectorLoopbackTest : public ::testing::Test {
 protected:
  void SetUp() override { env_.SetUp(); }
  void TearDown() override { env_.TearDown(); }

  void OpenInput(engine::TMMWaveIn& in, engine::TMMCBMode mode) {
    const auto id = static_cast<engine::TMMDeviceId>(plat::wavedev::FindWaveInDevice("Loopback Input"));
    ASSERT_GE(id, 0);
    in.SetDeviceID(id);
    in.SetSampleRate(kRate);
    in.SetBitLength(engine::b16Bit);
    in.SetChannels(2);
    in.SetBufferSize(kInBufferBytes);
    in.SetNumBuffers(4);
    in.SetCallBackMode(mode);
    ASSERT_EQ(in.CallBackMode(), mode);
  }

  // 10 ms steps; after each the main thread is served and the delivery
  // thread has handled the buffers the clock completed (one buffer of slack
  // for where the buffers' edges fall; none while paused).
  static void Run(engine::TMMWaveIn& in, int ms) {
    const int64_t base = in.BytesRecorded();
    const int64_t start = plat::ClockNowMicroseconds();
    for (int t = 0; t < ms; t += 10) {
      plat::clock::AdvanceMs(10);
      vcl::Application->ProcessMessages();
      if (in.DevicePaused()) continue;
      const int64_t done =
          base + (plat::ClockNowMicroseconds() - start) * kBytesPerSecond / 1'000'000 - kInBufferBytes;
      testsupport::PumpUntil([&] { return !in.DeviceStarted() || in.BytesRecorded() >= done; },
                             {.limit_ms = 30000, .pause_us = 100});
    }
  }

  plat::ScopedManualClock clock_;
  testsupport::LoopbackEnvironment env_;
};

TEST_F(ConnectorLoopbackTest, WithoutRealTimeThePassesRunOnTheDeliveryThreadWhileTheMainThreadChangesThings) {
  TDisplayLog log;
  TFakeDisplay level("level", 200, log);
  TFakeDisplay spectrum("spectrum", 8192, log);
  TFakeDisplay scope("scope", 1024, log);

  engine::TMMWaveIn in(nullptr);
  OpenInput(in, engine::cmThread);
  TMMConnector connector(nullptr);
  connector.SetRealTime(false);
  std::atomic<int> triggers{0};
  connector.OnTrigger = [&](vcl::TObject*) { ++triggers; };
  in.SetOutput(&connector);
  connector.SetDisplay(dgLevel, 0, &level);
  connector.SetDisplay(dgSpectrum, 0, &spectrum);

  in.Start();
  ASSERT_TRUE(connector.Feeding());
  for (int round = 0; round < 6; ++round) {
    Run(in, 200);
    switch (round % 3) {
      case 0:
        connector.SetDisplay(dgOscope, 0, round % 2 ? nullptr : &scope);
        break;
      case 1:
        connector.SetEnabled(false);
        connector.SetEnabled(true);
        break;
      case 2:
        in.Pause();
        Run(in, 100);
        in.Restart();
        break;
    }
  }
  in.Stop();
  in.Close();

  EXPECT_TRUE(env_.Errors().empty()) << env_.Errors().front();
  EXPECT_GT(triggers.load(), 0);
  std::lock_guard guard(log.lock);
  ASSERT_GT(log.refreshes.size(), 0u);
  for (const TDisplayLog::Refresh& r : log.refreshes) {
    EXPECT_NE(r.thread, plat::GetMainThreadId()) << r.name;
    EXPECT_EQ(r.uniform, 0) << r.name << ": the loopback input hears silence";
  }
}

}  // namespace
