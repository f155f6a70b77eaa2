// The test signals the build writes into "Tones": white noise has equal power
// per hertz, pink noise equal power per octave, the sweep runs from 20 Hz to
// 20 kHz; the files themselves hold them as the player reads them.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <vector>

#include "engine/MMFFT.h"
#include "engine/MMRIFF.h"
#include "engine/MMWaveIO.h"
#include "platform/kernel/Files.h"
#include "tools/tonegen/TestSignals.h"

namespace {

constexpr int kOrder = 12;  // 4096-point blocks, 10.8 Hz apart
constexpr double kCentres[] = {63, 125, 250, 500, 1000, 2000, 4000, 8000, 16000};

// Power per octave band (centres above, edges a half octave away) in dB,
// averaged over whole blocks.
std::vector<double> OctaveBandLevels(const std::vector<double>& samples) {
  engine::PMMFFTObject fft = engine::CreateFFT(kOrder);
  const int n = fft->Size;
  std::vector<double> power(static_cast<size_t>(n / 2));
  std::vector<float> block(static_cast<size_t>(n));
  for (size_t start = 0; start + static_cast<size_t>(n) <= samples.size(); start += static_cast<size_t>(n)) {
    for (int i = 0; i < n; ++i)
      block[static_cast<size_t>(i)] = static_cast<float>(samples[start + static_cast<size_t>(i)]);
    engine::RealFFT(fft, block.data(), 1);
    for (int k = 1; k < n / 2; ++k) {
      const double re = block[static_cast<size_t>(2 * k)];
      const double im = block[static_cast<size_t>(2 * k + 1)];
      power[static_cast<size_t>(k)] += re * re + im * im;
    }
  }
  engine::FreeFFT(fft);
  std::vector<double> levels;
  const double bin_hz = static_cast<double>(tonegen::kRate) / n;
  for (double centre : kCentres) {
    double sum = 0.0;
    for (int k = 1; k < n / 2; ++k) {
      const double f = k * bin_hz;
      if (f >= centre / std::sqrt(2.0) && f < centre * std::sqrt(2.0)) sum += power[static_cast<size_t>(k)];
    }
    levels.push_back(10.0 * std::log10(sum));
  }
  return levels;
}

double Rms(const std::vector<double>& samples) {
  double sum = 0.0;
  for (double s : samples) sum += s * s;
  return std::sqrt(sum / static_cast<double>(samples.size()));
}

TEST(TestSignals, NoisesHaveTheirSlopesPerOctaveAtTheirLevel) {
  const int frames = tonegen::kRate * tonegen::kSeconds;
  struct Case {
    const char* name;
    std::vector<double> samples;
    double slope_db;  // from one octave band to the next
  };
  Case cases[] = {{"white", tonegen::WhiteNoise(frames, 1), 3.0103},
                  {"pink", tonegen::PinkNoise(frames, 2), 0.0}};
  for (Case& c : cases) {
    SCOPED_TRACE(c.name);
    tonegen::ScaleToRms(c.samples, tonegen::kLevel, 0.98);
    // At -12 dBFS, or a little below where the noise's peaks would clip.
    const double level = 20.0 * std::log10(Rms(c.samples));
    EXPECT_LE(level, -11.99);
    EXPECT_GE(level, -13.0);
    const std::vector<double> levels = OctaveBandLevels(c.samples);
    // Each band against the 1 kHz band, as the slope predicts; the 16 kHz
    // band is cut at the Nyquist frequency.
    for (size_t b = 0; b + 1 < levels.size(); ++b)
      EXPECT_NEAR(levels[b] - levels[4], (static_cast<double>(b) - 4.0) * c.slope_db, 1.0)
          << kCentres[b] << " Hz";
  }
}

TEST(TestSignals, SweepRisesFromTwentyHertzToTwentyKilohertz) {
  const int frames = tonegen::kRate * tonegen::kSeconds;
  const std::vector<double> sweep = tonegen::LogSweep(frames, 20.0, 20000.0);
  // The frequency from the zero crossings of a window around a moment.
  auto frequency_at = [&](double seconds) {
    const int centre = static_cast<int>(seconds * tonegen::kRate);
    const int half = tonegen::kRate / 20;
    int crossings = 0;
    for (int i = centre - half + 1; i < centre + half; ++i)
      crossings += (sweep[static_cast<size_t>(i - 1)] < 0) != (sweep[static_cast<size_t>(i)] < 0);
    return crossings / 2.0 / (2.0 * half / tonegen::kRate);
  };
  // Logarithmic: 20 Hz * 1000^(t / 10 s).
  for (double t : {1.0, 5.0, 7.0})
    EXPECT_NEAR(frequency_at(t), 20.0 * std::pow(1000.0, t / 10.0), 0.03 * 20.0 * std::pow(1000.0, t / 10.0))
        << t;
  EXPECT_NEAR(std::fabs(sweep.front()), 0.0, 1e-9);
  EXPECT_NEAR(std::fabs(sweep.back()), 0.0, 1e-9);
}

TEST(TestSignals, TheBuildPutsTheFilesBesideTheProgram) {
  const std::string folder = plat::GetProgramFolder() + "Tones/";
  for (const char* name : {"pink noise.wav", "white noise.wav"}) {
    SCOPED_TRACE(name);
    engine::TWaveIORec* rec = nullptr;
    ASSERT_EQ(engine::WaveReadInfo(rec, (folder + name).c_str(), engine::MakeFOURCC('W', 'A', 'V', 'E'), 0),
              0);
    EXPECT_EQ(rec->wfx.nSamplesPerSec, 44100u);
    EXPECT_EQ(rec->wfx.nChannels, 2);
    EXPECT_EQ(rec->wfx.wBitsPerSample, 16);
    EXPECT_EQ(rec->dwLength, tonegen::kRate * tonegen::kSeconds);
    engine::WaveFreeInfo(rec);
  }
  const std::string sweep = folder + "sweep.mp3";
  ASSERT_TRUE(std::filesystem::exists(sweep));
  // 10 s at 192 kbit/s.
  EXPECT_NEAR(static_cast<double>(std::filesystem::file_size(sweep)), 240000.0, 10000.0);
}

}  // namespace
