// The engine end to end on the virtual loopback pair and the manual clock: a
// 1000 Hz generator plays through the wave output, the wave input hears it
// and the peak detector below it finds the tone in the bin of 1000 Hz.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/MMFXGen.h"
#include "engine/MMPeak.h"
#include "engine/MMUtils.h"
#include "engine/MMWavIn.h"
#include "engine/MMWavOut.h"
#include "platform/kernel/Clock.h"
#include "platform/kernel/Resources.h"
#include "platform/kernel/SystemInfo.h"
#include "platform/mm/WaveDevices.h"
#include "platform/vcl/Application.h"
#include "resources/ProgramResources.h"
#include "support/LoopbackEnvironment.h"
#include "support/PumpUntil.h"

namespace engine {
namespace {

constexpr int32_t kRate = 44100;
constexpr int32_t kBytesPerSecond = kRate * 4;  // 16-bit stereo
constexpr int32_t kInBufferBytes = kBytesPerSecond / 10;
constexpr int32_t kOutBufferBytes = kBytesPerSecond / 20;
constexpr int32_t kFFTLength = 1024;
constexpr double kToneHz = 1000.0;

// Below the detector: after each buffer the detector has analysed, notes its
// strongest bin, on the delivering thread, so nothing reads the detector
// while a device thread writes it.
class TMaxBinProbe : public TMMDSPComponent {
 public:
  struct Record {
    int32_t bin;
    int32_t value;
  };

  TMaxBinProbe(vcl::TComponent* owner, const TMMPeakDetect& detector)
      : TMMDSPComponent(owner), detector_(detector) {
    SetConnectableAsInput(true);
  }

  void BufferReady(plat::WAVEHDR* lpwh) override {
    int32_t best = 0;
    for (int32_t k = 1; k < detector_.BinCount(); ++k)
      if (detector_.PeakValue(k) > detector_.PeakValue(best)) best = k;
    {
      std::lock_guard guard(lock_);
      records_.push_back({best, detector_.PeakValue(best)});
    }
    TMMDSPComponent::BufferReady(lpwh);
  }

  std::vector<Record> Records() const {
    std::lock_guard guard(lock_);
    return records_;
  }

 private:
  const TMMPeakDetect& detector_;
  mutable std::mutex lock_;
  std::vector<Record> records_;
};

struct ModeCase {
  const char* name;
  TMMCBMode mode;
};

void PrintTo(const ModeCase& c, std::ostream* os) { *os << c.name; }

class LoopbackChainTest : public ::testing::TestWithParam<ModeCase> {
 protected:
  void SetUp() override { env_.SetUp(); }
  void TearDown() override { env_.TearDown(); }

  // Moves the clock in 10 ms steps, serving the main thread after each. Device
  // threads do not follow the clock by themselves, so each step also waits
  // until both have handled every buffer the clock has completed.
  void Run(TMMWaveOut& out, TMMWaveIn& in, int ms) {
    for (int t = 0; t < ms; t += 10) {
      plat::clock::AdvanceMs(10);
      vcl::Application->ProcessMessages();
      if (GetParam().mode != cmThread) continue;
      const int64_t bytes = (plat::ClockNowMicroseconds() - start_us_) * kBytesPerSecond / 1'000'000;
      const int64_t out_done = bytes / kOutBufferBytes;
      const int64_t in_done = bytes / kInBufferBytes * kInBufferBytes;
      // Generous: a loaded machine may starve the device threads for a while.
      testsupport::PumpUntil([&] { return out_played_ >= out_done && in.BytesRecorded() >= in_done; },
                             {.limit_ms = 30000, .pause_us = 100});
    }
    (void)out;
  }

  plat::ScopedManualClock clock_;
  int64_t start_us_ = 0;
  std::atomic<int64_t> out_played_{0};
  testsupport::LoopbackEnvironment env_;
};

TEST_P(LoopbackChainTest, DetectorBelowTheInputFindsTheGeneratorsToneInItsBin) {
  TMMGenerator generator(nullptr);
  generator.SetSampleRate(kRate);
  generator.SetBitLength(b16Bit);
  generator.SetMode(mStereo);
  generator.SetWaveForm(wfSine);
  generator.SetFrequency(kToneHz);

  TMMWaveOut out(nullptr);
  const auto out_id = static_cast<TMMDeviceId>(plat::wavedev::FindWaveOutDevice("Loopback Output"));
  ASSERT_GE(out_id, 0);
  out.SetInput(&generator);
  out.SetDeviceID(out_id);
  out.SetBufferSize(kOutBufferBytes);
  // Half a second queued ahead: the output never runs dry while it refills.
  out.SetNumBuffers(10);
  out.SetCallBackMode(GetParam().mode);
  ASSERT_EQ(out.CallBackMode(), GetParam().mode);
  int out_errors = 0;
  out.OnError = [&](vcl::TObject*) { ++out_errors; };
  out.OnBufferReady = [this](vcl::TObject*, plat::WAVEHDR*) { ++out_played_; };
  const plat::WAVEFORMATEX* played = out.GetFormat();
  ASSERT_NE(played, nullptr);
  ASSERT_EQ(played->nSamplesPerSec, static_cast<plat::DWORD>(kRate));
  ASSERT_EQ(played->nChannels, 2);
  ASSERT_EQ(played->wBitsPerSample, 16);

  TMMWaveIn in(nullptr);
  const auto in_id = static_cast<TMMDeviceId>(plat::wavedev::FindWaveInDevice("Loopback Input"));
  ASSERT_GE(in_id, 0);
  in.SetDeviceID(in_id);
  in.SetSampleRate(kRate);
  in.SetBitLength(b16Bit);
  in.SetChannels(2);
  in.SetBufferSize(kInBufferBytes);
  in.SetNumBuffers(10);
  in.SetCallBackMode(GetParam().mode);
  ASSERT_EQ(in.CallBackMode(), GetParam().mode);
  int in_errors = 0;
  in.OnError = [&](vcl::TObject*) { ++in_errors; };

  TMMPeakDetect detector(nullptr);
  detector.SetFFTLength(kFFTLength);
  TMaxBinProbe probe(nullptr, detector);
  in.SetOutput(&detector);
  detector.SetOutput(&probe);
  ASSERT_NE(detector.GetFormat(), nullptr);
  ASSERT_EQ(detector.GetFormat()->nSamplesPerSec, static_cast<plat::DWORD>(kRate));
  const int32_t tone_bin = static_cast<int32_t>(std::lround(kToneHz * kFFTLength / kRate));
  ASSERT_EQ(tone_bin, 23);
  EXPECT_EQ(detector.FrequencyToBin(static_cast<float>(kToneHz)), tone_bin);

  in.Start();
  out.Start();
  start_us_ = plat::ClockNowMicroseconds();
  ASSERT_TRUE(in.DeviceStarted());
  ASSERT_EQ(out.State(), TMMWaveOut::kOpened | TMMWaveOut::kStarted);
  Run(out, in, 1200);
  // The input stops first, so its last buffer is still full of the tone.
  in.Stop();
  out.Stop();
  in.Close();
  out.Close();
  ASSERT_FALSE(in.DeviceOpened());
  ASSERT_EQ(out.State(), 0u);

  EXPECT_EQ(out_errors, 0);
  EXPECT_EQ(in_errors, 0);
  EXPECT_TRUE(env_.Errors().empty()) << env_.Errors().front();

  const std::vector<TMaxBinProbe::Record> records = probe.Records();
  ASSERT_FALSE(records.empty());
  int heard = 0;
  for (size_t i = 0; i < records.size(); ++i) {
    if (records[i].value == 0) continue;  // silence before the tone arrived
    ++heard;
    EXPECT_EQ(records[i].bin, tone_bin) << "buffer " << i;
  }
  // A second of tone at least, in buffers of 100 ms.
  EXPECT_GE(heard, 10);
  EXPECT_EQ(records.back().bin, tone_bin);
  EXPECT_GT(records.back().value, 0);
  // What the detector holds after the run is the last buffer's analysis.
  EXPECT_EQ(detector.PeakValue(tone_bin), records.back().value);
  for (int32_t k = 0; k < detector.BinCount(); ++k) {
    if (k == tone_bin) continue;
    EXPECT_LT(detector.PeakValue(k), detector.PeakValue(tone_bin)) << "bin " << k;
  }
}

INSTANTIATE_TEST_SUITE_P(Modes, LoopbackChainTest,
                         ::testing::Values(ModeCase{"Window", cmWindow}, ModeCase{"Thread", cmThread}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace engine
