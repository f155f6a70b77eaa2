// The generator played by the wave output's device thread while the main
// thread changes its frequency, amplitude and waveform: every buffer is made
// from one table, one frequency and one amplitude, read when it began.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <mutex>
#include <set>
#include <vector>

#include "ChainTestClasses.h"
#include "engine/MMFXGen.h"
#include "engine/MMWavOut.h"
#include "platform/kernel/Clock.h"
#include "platform/mm/WaveDevices.h"
#include "platform/vcl/Application.h"
#include "support/LoopbackEnvironment.h"
#include "support/PumpUntil.h"

namespace engine {
namespace {

constexpr int32_t kRate = 44100;
constexpr int32_t kBytesPerSecond = kRate * 4;  // 16-bit stereo
constexpr int32_t kBufferBytes = kBytesPerSecond / 50;

// Between the generator and the output, on the device thread: keeps each
// buffer with the generator's phase before it was made.
class TBufferRecorder : public enginetest::TTestPassive {
 public:
  struct Record {
    double phase;
    std::vector<int16_t> samples;
  };

  TBufferRecorder(vcl::TComponent* owner, const TMMGenerator& generator)
      : TTestPassive(owner), generator_(generator) {}

  void BufferLoad(plat::WAVEHDR* lpwh, bool& more_buffers) override {
    const double phase = generator_.Phase();
    TTestPassive::BufferLoad(lpwh, more_buffers);
    Record record{phase, std::vector<int16_t>(ValidBytes(lpwh) / 2)};
    std::memcpy(record.samples.data(), lpwh->lpData, record.samples.size() * 2);
    std::lock_guard guard(lock_);
    records_.push_back(std::move(record));
  }

  std::vector<Record> Records() const {
    std::lock_guard guard(lock_);
    return records_;
  }

 private:
  const TMMGenerator& generator_;
  mutable std::mutex lock_;
  std::vector<Record> records_;
};

// One period of a waveform as a generator at 16 bits builds it.
std::vector<int16_t> TableOf(TMMWaveForm form) {
  TMMGenerator gen(nullptr);
  gen.SetBitLength(b16Bit);
  gen.SetWaveForm(form);
  gen.Opened();
  return {gen.WaveTable(), gen.WaveTable() + kGeneratorTableSize};
}

// Whether the stereo buffer is the table walked from phase in steps of step
// entries, at amplitude. The steps used here are whole entries, so the walk
// is exact in floating point.
bool MadeFrom(const TBufferRecorder::Record& r, const std::vector<int16_t>& table, int32_t amplitude,
              double step) {
  double phase = r.phase;
  for (size_t i = 0; i + 1 < r.samples.size(); i += 2) {
    const auto index = static_cast<size_t>(std::nearbyint(phase));
    const auto expected = static_cast<int16_t>(int64_t{table[index]} * amplitude / kMaxVolume);
    if (r.samples[i] != expected || r.samples[i + 1] != expected) return false;
    phase = std::fmod(phase + step, kGeneratorTableSize - 1);
  }
  return true;
}

TEST(GeneratorThreadTest, ABufferIsMadeFromTheSettingsItBeganWith) {
  testsupport::LoopbackEnvironment env;
  env.SetUp();
  plat::ScopedManualClock clock;

  TMMGenerator generator(nullptr);
  generator.SetSampleRate(kRate);
  generator.SetBitLength(b16Bit);
  generator.SetMode(mStereo);
  generator.SetWaveForm(wfSquare);
  generator.SetFrequency(441.0);
  TBufferRecorder recorder(nullptr, generator);
  recorder.SetInput(&generator);

  TMMWaveOut out(nullptr);
  const auto out_id = static_cast<TMMDeviceId>(plat::wavedev::FindWaveOutDevice("Loopback Output"));
  ASSERT_GE(out_id, 0);
  out.SetInput(&recorder);
  out.SetDeviceID(out_id);
  out.SetBufferSize(kBufferBytes);
  out.SetNumBuffers(4);
  out.SetCallBackMode(cmThread);
  ASSERT_EQ(out.CallBackMode(), cmThread);
  std::atomic<int64_t> played{0};
  out.OnBufferReady = [&](vcl::TObject*, plat::WAVEHDR*) { ++played; };

  // 441 and 882 Hz step one and two thousand entries per sample at 44100 Hz.
  const TMMWaveForm forms[] = {wfSquare, wfSawtoothPos, wfTriangle};
  const int32_t amplitudes[] = {16384, 8122};
  const double frequencies[] = {441.0, 882.0};
  out.Start();
  const int64_t start_us = plat::ClockNowMicroseconds();
  ASSERT_EQ(out.State(), TMMWaveOut::kOpened | TMMWaveOut::kStarted);
  // Two seconds, one change every 10 ms, in the order a user would sweep.
  for (int step = 0; step < 200; ++step) {
    switch (step % 3) {
      case 0:
        generator.SetWaveForm(forms[(step / 3) % 3]);
        break;
      case 1:
        generator.SetAmplitude(amplitudes[(step / 3) % 2]);
        break;
      case 2:
        generator.SetFrequency(frequencies[(step / 5) % 2]);
        break;
    }
    plat::clock::AdvanceMs(10);
    vcl::Application->ProcessMessages();
    const int64_t due =
        (plat::ClockNowMicroseconds() - start_us) * kBytesPerSecond / 1'000'000 / kBufferBytes;
    ASSERT_TRUE(testsupport::PumpUntil([&] { return played >= due; }, {.limit_ms = 30000, .pause_us = 100}))
        << "the device thread stopped at buffer " << played;
  }
  out.Stop();
  out.Close();
  EXPECT_TRUE(env.Errors().empty()) << env.Errors().front();

  std::vector<std::vector<int16_t>> tables;
  for (TMMWaveForm form : forms) tables.push_back(TableOf(form));
  const std::vector<TBufferRecorder::Record> records = recorder.Records();
  ASSERT_GE(records.size(), 100u);
  std::set<size_t> tables_seen;
  for (size_t b = 0; b < records.size(); ++b) {
    bool matched = false;
    for (size_t t = 0; t < tables.size() && !matched; ++t)
      for (int32_t amplitude : amplitudes)
        for (double frequency : frequencies)
          if (!matched &&
              MadeFrom(records[b], tables[t], amplitude, frequency * kGeneratorTableSize / kRate)) {
            matched = true;
            tables_seen.insert(t);
          }
    EXPECT_TRUE(matched) << "buffer " << b << " mixes settings";
  }
  EXPECT_EQ(tables_seen.size(), tables.size()) << "the sweep did not reach the device thread";
  env.TearDown();
}

}  // namespace
}  // namespace engine
