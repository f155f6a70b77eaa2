// The connector behind a wave input on the virtual loopback pair and the
// manual clock. Without RealTime its passes run on the input's delivery
// thread while the main thread relinks displays, disables, pauses and
// restarts: every refresh on the delivery thread, every display call under
// its own lock (the ThreadSanitizer build runs this too).
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "displays/ConnectorTestSupport.h"
#include "displays/MMConect.h"
#include "engine/MMFXGen.h"
#include "engine/MMWavIn.h"
#include "engine/MMWavOut.h"
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
  static void Run(engine::TMMWaveIn& in, int ms, const std::function<void()>& between_steps = {}) {
    const int64_t base = in.BytesRecorded();
    const int64_t start = plat::ClockNowMicroseconds();
    for (int t = 0; t < ms; t += 10) {
      plat::clock::AdvanceMs(10);
      vcl::Application->ProcessMessages();
      if (between_steps) between_steps();
      if (in.DevicePaused() || in.CallBackMode() != engine::cmThread) continue;
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
  // Real meters too: their passes, peak ticks and the main thread's reads
  // meet on their display locks.
  TMMLevel level_meter(nullptr);
  TMMMeter needle(nullptr);
  TMMLight light(nullptr);
  TMMSpectrogram spectrogram(nullptr);
  TMMSpectrum spectrum_display(nullptr);
  int64_t readings = 0;

  engine::TMMWaveIn in(nullptr);
  OpenInput(in, engine::cmThread);
  TMMConnector connector(nullptr);
  connector.SetRealTime(false);
  std::atomic<int> triggers{0};
  connector.OnTrigger = [&](vcl::TObject*) { ++triggers; };
  in.SetOutput(&connector);
  connector.SetDisplay(dgLevel, 0, &level);
  connector.SetDisplay(dgSpectrum, 0, &spectrum);
  connector.SetLevel2(&level_meter);
  connector.SetMeter1(&needle);
  connector.SetSpectrum2(&spectrum_display);
  connector.SetLight2(&light);
  connector.SetSpectrogram1(&spectrogram);

  in.Start();
  ASSERT_TRUE(connector.Feeding());
  for (int round = 0; round < 6; ++round) {
    Run(in, 200, [&] {
      TMMSpectrumPeak peak;
      spectrum_display.GetPeak(peak);
      readings +=
          level_meter.Value() + needle.Value() + level_meter.LitSpots() + light.LightLevel(0) + peak.Height;
    });
    switch (round % 3) {
      case 0:
        connector.SetDisplay(dgOscope, 0, round % 2 ? nullptr : &scope);
        // The light organ's FFT and image are rebuilt between its passes.
        light.SetFFTLength(round % 2 ? 128 : 512);
        light.SetKind(round % 2 ? lkCircle : lkSphere);
        // So are the spectrogram's FFT and frequency map.
        spectrogram.SetFFTLength(round % 2 ? 256 : 1024);
        spectrogram.SetFrequencyScale(round % 2 ? 2 : 1);
        // The spectrum's tables and map likewise.
        spectrum_display.SetFFTLength(round % 2 ? 128 : 1024);
        spectrum_display.SetLogFreq(round % 2 == 0);
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
  EXPECT_EQ(readings, 0) << "silence";
  std::lock_guard guard(log.lock);
  ASSERT_GT(log.refreshes.size(), 0u);
  for (const TDisplayLog::Refresh& r : log.refreshes) {
    EXPECT_NE(r.thread, plat::GetMainThreadId()) << r.name;
    EXPECT_EQ(r.uniform, 0) << r.name << ": the loopback input hears silence";
  }
}

struct ToneCase {
  const char* name;
  engine::TMMVolumeRange amplitude;  // of 16384, full scale
  int32_t spots;                     // of 35 on the dB scale
};

void PrintTo(const ToneCase& c, std::ostream* os) { *os << c.name; }

class ConnectorToneTest : public ConnectorLoopbackTest, public ::testing::WithParamInterface<ToneCase> {};

// The generator plays into the loopback output; the input hears it and the
// connector feeds a 35-spot level meter on the dBFS curve. Over the run the
// meter lights at most the spots of the tone's level.
TEST_P(ConnectorToneTest, AToneThroughTheLoopbackLightsTheSpotsOfItsLevel) {
  engine::TMMGenerator generator(nullptr);
  generator.SetSampleRate(kRate);
  generator.SetBitLength(engine::b16Bit);
  generator.SetMode(engine::mStereo);
  generator.SetWaveForm(engine::wfSine);
  generator.SetFrequency(1000.0);
  generator.SetAmplitude(GetParam().amplitude);
  engine::TMMWaveOut out(nullptr);
  const auto out_id = static_cast<engine::TMMDeviceId>(plat::wavedev::FindWaveOutDevice("Loopback Output"));
  ASSERT_GE(out_id, 0);
  out.SetInput(&generator);
  out.SetDeviceID(out_id);
  out.SetBufferSize(kBytesPerSecond / 20);
  out.SetNumBuffers(10);

  engine::TMMWaveIn in(nullptr);
  OpenInput(in, engine::cmWindow);
  // Not a whole number of the tone's periods, so each block starts at
  // another phase.
  in.SetBufferSize(4096);
  TMMConnector connector(nullptr);
  connector.SetRealTime(false);
  connector.SetAutoTrigger(false);
  connector.SetSynchronize(false);
  in.SetOutput(&connector);
  TMMLevel meter(nullptr);
  meter.SetBounds(0, 0, 72, 17);
  ASSERT_EQ(meter.NumSpots(), 35);
  meter.SetMeterScale(4);
  connector.SetLevel1(&meter);
  int32_t most = 0;
  int refreshes = 0;
  connector.OnTrigger = [&](vcl::TObject*) {
    most = std::max(most, meter.LitSpots());
    ++refreshes;
  };

  in.Start();
  out.Start();
  // Every 50-frame stretch of the blocks that came.
  Run(in, 1000, [&] {
    for (int pass = 0; pass < 50; ++pass) connector.Trigger();
  });
  in.Stop();
  out.Stop();
  in.Close();
  out.Close();

  EXPECT_TRUE(env_.Errors().empty()) << env_.Errors().front();
  EXPECT_GT(refreshes, 0);
  EXPECT_EQ(most, GetParam().spots);
}

INSTANTIATE_TEST_SUITE_P(Levels, ConnectorToneTest,
                         ::testing::Values(ToneCase{"FullScale", engine::kMaxVolume, 35},
                                           // 3277 of 32767
                                           ToneCase{"Minus20dB", 1639, 15}, ToneCase{"Silence", 0, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
