// The whole path to the spectrogram: the generator plays a tone stepping
// from 1 to 5 kHz into the loopback output, the wave input hears it, and the
// connector feeds a spectrogram on a headless form, whose newest column then
// peaks ever higher up the image.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "displays/DibCanvasTestSupport.h"
#include "displays/MMConect.h"
#include "displays/MMSpectrogram.h"
#include "engine/MMFXGen.h"
#include "engine/MMWavIn.h"
#include "engine/MMWavOut.h"
#include "platform/kernel/Clock.h"
#include "platform/mm/WaveDevices.h"
#include "platform/user/Paint.h"
#include "platform/vcl/Application.h"
#include "platform/vcl/Forms.h"
#include "support/LoopbackEnvironment.h"

using namespace displays;

namespace {

constexpr int32_t kRate = 44100;
constexpr int32_t kBytesPerSecond = kRate * 4;

class SpectrogramLoopbackTest : public ::testing::Test {
 protected:
  void SetUp() override {
    env_.SetUp();
    vcl::InitForms();
  }
  void TearDown() override {
    vcl::DoneForms();
    vcl::Application->ProcessMessages();
    env_.TearDown();
  }

  plat::ScopedManualClock clock_;
  testsupport::LoopbackEnvironment env_;
};

TEST_F(SpectrogramLoopbackTest, ARisingToneDrawsARisingLine) {
  engine::TMMGenerator generator(nullptr);
  generator.SetSampleRate(kRate);
  generator.SetBitLength(engine::b16Bit);
  generator.SetMode(engine::mStereo);
  generator.SetWaveForm(engine::wfSine);
  generator.SetFrequency(1000.0);
  generator.SetAmplitude(engine::kMaxVolume / 2);
  engine::TMMWaveOut out(nullptr);
  const auto out_id = static_cast<engine::TMMDeviceId>(plat::wavedev::FindWaveOutDevice("Loopback Output"));
  ASSERT_GE(out_id, 0);
  out.SetInput(&generator);
  out.SetDeviceID(out_id);
  out.SetBufferSize(kBytesPerSecond / 50);
  out.SetNumBuffers(4);

  engine::TMMWaveIn in(nullptr);
  const auto in_id = static_cast<engine::TMMDeviceId>(plat::wavedev::FindWaveInDevice("Loopback Input"));
  ASSERT_GE(in_id, 0);
  in.SetDeviceID(in_id);
  in.SetSampleRate(kRate);
  in.SetBitLength(engine::b16Bit);
  in.SetChannels(2);
  in.SetBufferSize(4096);
  in.SetNumBuffers(8);

  auto* form = new vcl::TForm(vcl::Application);
  form->SetBorderStyle(vcl::bsNone);
  form->SetBounds(100, 100, 220, 100);
  auto* spectrogram = new TMMSpectrogram(form);
  spectrogram->SetParent(form);
  // 64 rows up to 5512 Hz: 1 kHz near row 11, 5 kHz near row 58.
  spectrogram->SetBounds(0, 0, 202, 66);
  spectrogram->SetFFTLength(256);
  spectrogram->SetFrequencyScale(4);
  // Linear and scaled down, so only the tone's own bins stand out.
  spectrogram->SetAmplitudeScale(1);
  form->Show();
  plat::UpdateWindow(form->Handle());
  vcl::Application->ProcessMessages();

  TMMConnector connector(nullptr);
  connector.SetRealTime(false);
  connector.SetAutoTrigger(false);
  connector.SetSynchronize(false);
  in.SetOutput(&connector);
  connector.SetSpectrogram1(spectrogram);
  ASSERT_EQ(spectrogram->ImageHeight(), 64);

  // After each pass, the row where the newest column is brightest.
  std::vector<int> peaks;
  connector.OnTrigger = [&](vcl::TObject*) {
    const int column = spectrogram->ScrollColumn() - 1;
    if (column < 0) return;
    const TMMDIBCanvas& dib = *spectrogram->DIBCanvas();
    int best = 0, best_row = -1;
    for (int y = 0; y < 64; ++y) {
      const int v = static_cast<int>(dibcvtest::RawPixel(dib, dib.PixelBits(), column, y));
      if (v > best) {
        best = v;
        best_row = 63 - y;
      }
    }
    peaks.push_back(best_row);
  };

  in.Start();
  out.Start();
  std::vector<double> means;
  for (double hz = 1000; hz <= 5000; hz += 1000) {
    generator.SetFrequency(hz);
    peaks.clear();
    for (int t = 0; t < 200; t += 10) {
      plat::clock::AdvanceMs(10);
      vcl::Application->ProcessMessages();
      for (int pass = 0; pass < 8; ++pass) connector.Trigger();
    }
    // The last half of each step: the tone has reached the input by then.
    ASSERT_GT(peaks.size(), 4u) << hz;
    std::vector<int> late(peaks.begin() + static_cast<ptrdiff_t>(peaks.size() / 2), peaks.end());
    std::sort(late.begin(), late.end());
    means.push_back(late[late.size() / 2]);
    const double row = hz / (kRate / 8.0) * 64;
    EXPECT_NEAR(means.back(), row, 2.5) << hz;
  }
  in.Stop();
  out.Stop();
  in.Close();
  out.Close();

  EXPECT_TRUE(env_.Errors().empty()) << env_.Errors().front();
  for (size_t i = 1; i < means.size(); ++i) EXPECT_GT(means[i], means[i - 1] + 8) << i;
}

}  // namespace
