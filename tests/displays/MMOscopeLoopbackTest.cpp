// The oscilloscope behind the whole path: the generator plays into the
// loopback output, the wave input hears it and a connector feeds scopes on a
// headless form. The trace crosses zero once per generated period; and with
// a connector that is not real-time the passes draw on the input's delivery
// thread while the main thread reads, resizes and repaints the scopes (the
// ThreadSanitizer build runs this too).
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <functional>
#include <vector>

#include "displays/MMConect.h"
#include "displays/MMOscope.h"
#include "engine/MMFXGen.h"
#include "engine/MMWavIn.h"
#include "engine/MMWavOut.h"
#include "platform/kernel/Clock.h"
#include "platform/mm/WaveDevices.h"
#include "platform/user/Paint.h"
#include "platform/vcl/Application.h"
#include "platform/vcl/Forms.h"
#include "support/LoopbackEnvironment.h"
#include "support/PumpUntil.h"

using namespace displays;

namespace {

constexpr int32_t kRate = 44100;
constexpr int32_t kBytesPerSecond = kRate * 4;
constexpr int32_t kInBufferBytes = 4096;

class OscopeLoopbackTest : public ::testing::Test {
 protected:
  void SetUp() override {
    env_.SetUp();
    vcl::InitForms();
    generator_.SetSampleRate(kRate);
    generator_.SetBitLength(engine::b16Bit);
    generator_.SetMode(engine::mStereo);
    generator_.SetWaveForm(engine::wfSine);
    generator_.SetAmplitude(engine::kMaxVolume / 2);
    const auto out_id = static_cast<engine::TMMDeviceId>(plat::wavedev::FindWaveOutDevice("Loopback Output"));
    ASSERT_GE(out_id, 0);
    out_.SetInput(&generator_);
    out_.SetDeviceID(out_id);
    out_.SetBufferSize(kBytesPerSecond / 50);
    out_.SetNumBuffers(4);
    const auto in_id = static_cast<engine::TMMDeviceId>(plat::wavedev::FindWaveInDevice("Loopback Input"));
    ASSERT_GE(in_id, 0);
    in_.SetDeviceID(in_id);
    in_.SetSampleRate(kRate);
    in_.SetBitLength(engine::b16Bit);
    in_.SetChannels(2);
    in_.SetBufferSize(kInBufferBytes);
    in_.SetNumBuffers(8);
    connector_.SetRealTime(false);
    connector_.SetAutoTrigger(false);
    connector_.SetSynchronize(false);
    in_.SetOutput(&connector_);
    form_ = new vcl::TForm(vcl::Application);
    form_->SetBorderStyle(vcl::bsNone);
    form_->SetBounds(100, 100, 440, 260);
  }
  void TearDown() override {
    in_.Stop();
    out_.Stop();
    in_.Close();
    out_.Close();
    EXPECT_TRUE(env_.Errors().empty()) << env_.Errors().front();
    vcl::DoneForms();
    vcl::Application->ProcessMessages();
    env_.TearDown();
  }

  TMMOscope* NewScope(int top, int width, int height) {
    auto* scope = new TMMOscope(form_);
    scope->SetParent(form_);
    scope->SetBounds(0, top, width, height);
    scope->SetKind(okConLines);
    return scope;
  }

  void ShowForm() {
    form_->Show();
    plat::UpdateWindow(form_->Handle());
    vcl::Application->ProcessMessages();
  }

  // 10 ms steps; after each the main thread is served, then `between_steps`,
  // and the delivery thread catches up with what the clock completed.
  void Run(int ms, const std::function<void()>& between_steps) {
    const int64_t base = in_.BytesRecorded();
    const int64_t start = plat::ClockNowMicroseconds();
    for (int t = 0; t < ms; t += 10) {
      plat::clock::AdvanceMs(10);
      vcl::Application->ProcessMessages();
      between_steps();
      if (in_.CallBackMode() != engine::cmThread) continue;
      const int64_t done =
          base + (plat::ClockNowMicroseconds() - start) * kBytesPerSecond / 1'000'000 - kInBufferBytes;
      testsupport::PumpUntil([&] { return !in_.DeviceStarted() || in_.BytesRecorded() >= done; },
                             {.limit_ms = 30000, .pause_us = 100});
    }
  }

  plat::ScopedManualClock clock_;
  testsupport::LoopbackEnvironment env_;
  engine::TMMGenerator generator_{nullptr};
  engine::TMMWaveOut out_{nullptr};
  engine::TMMWaveIn in_{nullptr};
  TMMConnector connector_{nullptr};
  vcl::TForm* form_ = nullptr;
};

TEST_F(OscopeLoopbackTest, TheTraceCrossesZeroOncePerGeneratedPeriod) {
  // 441 Hz: a period of 100 frames, four of them across 400 points.
  generator_.SetFrequency(441.0);
  TMMOscope* scope = NewScope(0, 402, 102);
  scope->SetChannel(engine::chLeft);
  ShowForm();
  connector_.SetOscope1(scope);
  in_.Start();
  out_.Start();
  int passes = 0;
  connector_.OnTrigger = [&](vcl::TObject*) { ++passes; };
  Run(300, [&] {
    for (int pass = 0; pass < 4; ++pass) connector_.Trigger();
  });
  ASSERT_GT(passes, 10);
  EXPECT_EQ(scope->BitLength(), engine::b16Bit);
  EXPECT_EQ(scope->Mode(), engine::mStereo);
  const std::vector<int16_t> trace = scope->TraceData();
  ASSERT_EQ(trace.size(), 400u);
  std::vector<int> rising;
  for (size_t i = 1; i < trace.size(); ++i)
    if (trace[i - 1] < 0 && trace[i] >= 0) rising.push_back(static_cast<int>(i));
  ASSERT_GE(rising.size(), 3u);
  for (size_t k = 1; k < rising.size(); ++k) EXPECT_NEAR(rising[k] - rising[k - 1], 100, 1) << k;
  // The connected-line trace also left its amplitudes.
  double peak = 0;
  for (double v : scope->PointValues()) peak = std::max(peak, std::abs(v));
  EXPECT_GT(peak, 0.4);
  EXPECT_LT(peak, 0.6);
}

TEST_F(OscopeLoopbackTest, PassesOnTheDeliveryThreadWhileTheMainThreadChangesTheScopes) {
  generator_.SetFrequency(1000.0);
  in_.SetCallBackMode(engine::cmThread);
  ASSERT_EQ(in_.CallBackMode(), engine::cmThread);
  // Every block paced and passed on the delivery thread.
  connector_.SetAutoTrigger(true);
  connector_.SetSynchronize(true);
  TMMOscope* left = NewScope(0, 202, 102);
  left->SetChannel(engine::chLeft);
  TMMOscope* rolling = NewScope(110, 202, 102);
  rolling->SetChannel(engine::chRight);
  rolling->SetScroll(true);
  rolling->SetFFTLength(256);
  ShowForm();
  connector_.SetOscope1(left);
  connector_.SetOscope2(rolling);
  std::atomic<int> passes{0};
  connector_.OnTrigger = [&](vcl::TObject*) { ++passes; };
  in_.Start();
  out_.Start();
  double readings = 0;
  for (int round = 0; round < 6; ++round) {
    Run(100, [&] {
      readings += left->PointValue(50) + left->AmplitudeAt({10, 10}) + left->TraceData()[3];
      rolling->Repaint();
    });
    switch (round % 3) {
      case 0:
        left->SetBounds(0, 0, round % 2 ? 202 : 302, 102);
        left->SetZoom(round % 2 ? 1 : -2);
        break;
      case 1:
        rolling->SetAccelerate(!rolling->Accelerate());
        left->ResetData();
        break;
      case 2:
        left->SetDrawAmpScale(!left->DrawAmpScale());
        rolling->SetBounds(0, 110, 150 + 20 * round, 90);
        break;
    }
  }
  EXPECT_GT(passes.load(), 20);
  EXPECT_NE(readings, 0);
}

}  // namespace
