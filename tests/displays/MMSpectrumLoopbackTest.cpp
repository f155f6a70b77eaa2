// The whole path to the spectrum: the generator plays a tone into the
// loopback output, the wave input hears it, and the connector feeds a
// spectrum on a headless form, whose highest column is then the column of
// the tone's frequency, on the linear and on the logarithmic axis.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "displays/MMConect.h"
#include "displays/MMSpectrum.h"
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
constexpr int32_t kFFTLength = 2048;

struct ToneCase {
  double hz;
  bool log_freq;
};

std::string Name(const ::testing::TestParamInfo<ToneCase>& info) {
  return std::to_string(static_cast<int>(info.param.hz)) + (info.param.log_freq ? "HzLog" : "HzLinear");
}

class SpectrumLoopbackTest : public ::testing::TestWithParam<ToneCase> {
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

// The first column of the record showing the tone's nearest bin.
int32_t ColumnOfBin(const TMMSpectrum& s, int32_t bin) {
  int32_t column = -1;
  for (int32_t i = 0; i < s.DrawWidth(); ++i) {
    const int32_t first = s.FirstBin(i);
    if (first == -1) continue;
    if (first > bin) break;
    column = i;
  }
  return column;
}

TEST_P(SpectrumLoopbackTest, TheHighestColumnIsTheTonesColumn) {
  engine::TMMGenerator generator(nullptr);
  generator.SetSampleRate(kRate);
  generator.SetBitLength(engine::b16Bit);
  generator.SetMode(engine::mStereo);
  generator.SetWaveForm(engine::wfSine);
  generator.SetFrequency(GetParam().hz);
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
  // A block holds two frames of the FFT.
  in.SetBufferSize(2 * kFFTLength * 4);
  in.SetNumBuffers(8);

  auto* form = new vcl::TForm(vcl::Application);
  form->SetBorderStyle(vcl::bsNone);
  form->SetBounds(100, 100, 530, 120);
  auto* spectrum = new TMMSpectrum(form);
  spectrum->SetParent(form);
  spectrum->SetBounds(0, 0, 514, 100);  // 512 columns
  spectrum->SetFFTLength(kFFTLength);
  spectrum->SetLogFreq(GetParam().log_freq);
  spectrum->SetLogAmp(true);
  form->Show();
  plat::UpdateWindow(form->Handle());
  vcl::Application->ProcessMessages();

  TMMConnector connector(nullptr);
  connector.SetRealTime(false);
  connector.SetAutoTrigger(false);
  connector.SetSynchronize(false);
  in.SetOutput(&connector);
  connector.SetSpectrum1(spectrum);

  std::vector<int32_t> columns;
  connector.OnTrigger = [&](vcl::TObject*) {
    TMMSpectrumPeak peak;
    spectrum->GetPeak(peak);

    if (peak.Height > 0) columns.push_back(peak.Column);
  };

  in.Start();
  out.Start();
  for (int t = 0; t < 400; t += 10) {
    plat::clock::AdvanceMs(10);
    vcl::Application->ProcessMessages();
    for (int pass = 0; pass < 4; ++pass) connector.Trigger();
  }
  in.Stop();
  out.Stop();
  in.Close();
  out.Close();

  EXPECT_TRUE(env_.Errors().empty()) << env_.Errors().front();
  ASSERT_EQ(spectrum->SampleRate(), kRate);
  ASSERT_GT(columns.size(), 8u);
  // The last half of the run: the tone has reached the input by then.
  std::vector<int32_t> late(columns.begin() + static_cast<ptrdiff_t>(columns.size() / 2), columns.end());
  const int32_t bin = static_cast<int32_t>(std::lround(GetParam().hz * kFFTLength / kRate));
  const int32_t want = ColumnOfBin(*spectrum, bin);
  ASSERT_GT(want, 0);
  for (int32_t column : late) EXPECT_EQ(column, want);
}

INSTANTIATE_TEST_SUITE_P(Tones, SpectrumLoopbackTest,
                         ::testing::Values(ToneCase{1000, false}, ToneCase{10000, false},
                                           ToneCase{1000, true}, ToneCase{10000, true}),
                         Name);

}  // namespace
