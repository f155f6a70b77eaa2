// The peak detector: FFT length rules, blocks and their padding, levels with
// meter scaling and integration, refused formats, the analysis of known
// signals, and the generator feeding it through a pulled chain without an
// allocation per buffer.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>
#include <numbers>
#include <string>
#include <thread>
#include <vector>

#include "engine/MMFXGen.h"
#include "engine/MMPCMSup.h"
#include "engine/MMPeak.h"
#include "resources/ProgramResources.h"

// Counts the allocations a test makes on its own thread while armed. Every
// unaligned form is replaced, so what one allocates another frees.
namespace {
thread_local bool count_allocations = false;
thread_local long allocation_count = 0;

void* CountedAlloc(std::size_t size) noexcept {
  if (count_allocations) ++allocation_count;
  return std::malloc(size ? size : 1);
}
}  // namespace

void* operator new(std::size_t size) {
  if (void* p = CountedAlloc(size)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
  if (void* p = CountedAlloc(size)) return p;
  throw std::bad_alloc();
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return CountedAlloc(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return CountedAlloc(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }

namespace enginetest {
namespace {

using namespace engine;

plat::WAVEFORMATEX Pcm(int bits, int channels, int rate) {
  plat::WAVEFORMATEX f{};
  BuildPCMFormat(f, bits, channels, rate);
  return f;
}

// A buffer of 16-bit frames; each channel gets a sine of its own bin (or
// none for a bin < 0) at the given amplitude for an FFT of length n.
std::vector<char> SineFrames(int frames, int channels, int n, std::vector<int> bins, double amplitude) {
  std::vector<char> data(static_cast<size_t>(frames) * channels * 2);
  for (int i = 0; i < frames; ++i) {
    for (int c = 0; c < channels; ++c) {
      const int bin = c < static_cast<int>(bins.size()) ? bins[c] : -1;
      const double v = bin < 0 ? 0.0 : amplitude * std::sin(2 * std::numbers::pi * bin * i / n);
      const auto s = static_cast<int16_t>(std::lround(v));
      std::memcpy(&data[(static_cast<size_t>(i) * channels + c) * 2], &s, 2);
    }
  }
  return data;
}

int MaxBin(const TMMPeakDetect& d) {
  int best = 0;
  for (int k = 1; k < d.BinCount(); ++k)
    if (d.PeakValue(k) > d.PeakValue(best)) best = k;
  return best;
}

class PeakTest : public ::testing::Test {
 protected:
  // An opened detector on the given format.
  TMMPeakDetect& Detector(const plat::WAVEFORMATEX& format, int fft_length) {
    detector_.SetFFTLength(fft_length);
    detector_.SetFormat(&format);
    detector_.Opened();
    return detector_;
  }
  void Push(std::vector<char>& data) { Push(data.data(), static_cast<int32_t>(data.size())); }
  void Push(char* data, int32_t bytes) {
    plat::WAVEHDR hdr;
    hdr.lpData = data;
    hdr.dwBufferLength = static_cast<plat::DWORD>(bytes);
    hdr.dwBytesRecorded = static_cast<plat::DWORD>(bytes);
    detector_.BufferReady(&hdr);
  }
  // One 16-bit mono buffer whose largest sample is `peak`.
  void PushLevel(int16_t peak) {
    std::vector<char> data(64, 0);
    std::memcpy(&data[10], &peak, 2);
    Push(data);
  }

  TMMPeakDetect detector_{nullptr};
};

TEST_F(PeakTest, FFTLengthIsClampedToAPowerOfTwo) {
  const struct {
    int32_t value, length;
  } cases[] = {{5000, 4096}, {7, 8}, {100000, 32768}, {0, 8}, {-5, 8}, {4096, 4096}, {32767, 16384}};
  for (const auto& c : cases) {
    detector_.SetFFTLength(c.value);
    EXPECT_EQ(detector_.FFTLength(), c.length) << c.value;
    EXPECT_EQ(detector_.BinCount(), c.length / 2) << c.value;
  }
}

TEST_F(PeakTest, ResettingSettingsClearsTheMaximaButTheSameLengthDoesNot) {
  Detector(Pcm(16, 1, 44100), 256);
  auto data = SineFrames(256, 1, 256, {20}, 8000);
  Push(data);
  ASSERT_GT(detector_.PeakValue(20), 0);
  detector_.SetFFTLength(300);  // rounds to the current 256
  EXPECT_GT(detector_.PeakValue(20), 0);
  detector_.SetWindow(fwHamming);  // unchanged
  EXPECT_GT(detector_.PeakValue(20), 0);
  detector_.SetWindow(fwBlackman);
  EXPECT_EQ(detector_.PeakValue(20), 0);
  Push(data);
  detector_.SetChannel(chLeft);
  EXPECT_EQ(detector_.PeakValue(20), 0);
}

TEST_F(PeakTest, BuffersAreCutIntoBlocksAndTheLastIsPaddedWithSilence) {
  // 8-bit silence is 0x80: padding with anything else would show up as DC.
  const struct {
    int bits, channels, bytes, blocks;
  } cases[] = {
      {8, 1, 100, 1},              // shorter than one 256-frame block
      {8, 2, 256 * 2 * 5 / 2, 3},  // two and a half blocks
      {16, 1, 512, 1},             // exactly one
      {16, 2, 1, 1},               // one byte: still one block
      {16, 4, 256 * 8 + 8, 2},
      {8, 1, 0, 0},  // no data, no transform
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.bits << " bit, " << c.channels << " ch, " << c.bytes << " bytes");
    TMMPeakDetect d(nullptr);
    d.SetFFTLength(256);
    auto format = Pcm(c.bits, c.channels, 22050);
    d.SetFormat(&format);
    d.Opened();
    int events = 0;
    int largest = 0;
    d.OnPeakReady = [&](vcl::TObject* sender, int32_t index, int32_t value) {
      EXPECT_EQ(sender, &d);
      EXPECT_EQ(index, events % 128);
      largest = std::max(largest, value);
      ++events;
    };
    std::vector<char> data(static_cast<size_t>(c.bytes), c.bits == 8 ? static_cast<char>(0x80) : 0);
    plat::WAVEHDR hdr;
    hdr.lpData = data.data();
    hdr.dwBufferLength = hdr.dwBytesRecorded = static_cast<plat::DWORD>(data.size());
    d.BufferReady(&hdr);
    EXPECT_EQ(events, c.blocks * 128);
    EXPECT_EQ(largest, 0);
    EXPECT_EQ(d.LevelLeft(), c.bits == 8 ? 128 : 0);
  }
}

TEST_F(PeakTest, AShortBufferIsWindowedOverTheFramesItHolds) {
  // A quarter block under the whole block's window keeps only the window's
  // rising start and ends in a hard cut: the tone leaked some 20 dB below its
  // peak into bins far away.
  for (TMMFFTWindow window : {fwHamming, fwHanning, fwBlackman}) {
    SCOPED_TRACE(static_cast<int>(window));
    Detector(Pcm(16, 1, 44100), 1024).SetWindow(window);
    auto data = SineFrames(256, 1, 1024, {81}, 10000);
    Push(data);
    ASSERT_EQ(MaxBin(detector_), 81);
    const int32_t peak = detector_.PeakValue(81);
    for (int k = 0; k < detector_.BinCount(); ++k)
      if (std::abs(k - 81) >= 16) {
        ASSERT_LE(detector_.PeakValue(k) * 100, peak) << "bin " << k;
      }
  }
}

TEST_F(PeakTest, PeakValueOutsideTheBinsIsZero) {
  Detector(Pcm(16, 1, 44100), 64);
  std::vector<char> data(128, 0x40);  // a large DC term in bin 0
  Push(data);
  ASSERT_GT(detector_.PeakValue(0), 0);
  EXPECT_EQ(detector_.PeakValue(-1), 0);
  EXPECT_EQ(detector_.PeakValue(detector_.BinCount()), 0);
  EXPECT_EQ(detector_.PeakValue(1 << 30), 0);
}

TEST_F(PeakTest, RectangularSineOnABinReadsItsAmplitude) {
  Detector(Pcm(16, 1, 44100), 1024).SetWindow(fwRectangular);
  auto data = SineFrames(1024, 1, 1024, {64}, 10000);
  Push(data);
  EXPECT_NEAR(detector_.PeakValue(64), 10000, 2);
  EXPECT_LE(detector_.PeakValue(63), 2);
  EXPECT_LE(detector_.PeakValue(0), 2);
  EXPECT_EQ(detector_.LevelLeft(), 10000);
  EXPECT_EQ(detector_.LevelRight(), 10000);
}

TEST_F(PeakTest, ChannelChoosesWhatTheTransformSees) {
  const struct {
    TMMChannel channel;
    int bits;
    int left, right;  // expected maxima at bins 32 and 100
  } cases[] = {
      {chLeft, 16, 8000, 0},
      {chRight, 16, 0, 8000},
      {chBoth, 16, 4000, 4000},
      // 8-bit samples are scaled to the 16-bit range.
      {chLeft, 8, 25600, 0},
      {chRight, 8, 0, 25600},
      {chBoth, 8, 12800, 12800},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "channel " << int(c.channel) << ", " << c.bits << " bit");
    TMMPeakDetect d(nullptr);
    d.SetFFTLength(1024);
    d.SetWindow(fwRectangular);
    d.SetChannel(c.channel);
    auto format = Pcm(c.bits, 2, 44100);
    d.SetFormat(&format);
    d.Opened();
    std::vector<char> data;
    if (c.bits == 16) {
      data = SineFrames(1024, 2, 1024, {32, 100}, 8000);
    } else {
      for (int i = 0; i < 1024; ++i)
        for (int bin : {32, 100})
          data.push_back(
              static_cast<char>(128 + std::lround(100 * std::sin(2 * std::numbers::pi * bin * i / 1024))));
    }
    plat::WAVEHDR hdr;
    hdr.lpData = data.data();
    hdr.dwBufferLength = hdr.dwBytesRecorded = static_cast<plat::DWORD>(data.size());
    d.BufferReady(&hdr);
    const int tolerance = c.bits == 16 ? 3 : 300;
    EXPECT_NEAR(d.PeakValue(32), c.left, tolerance);
    EXPECT_NEAR(d.PeakValue(100), c.right, tolerance);
  }
}

TEST_F(PeakTest, FourChannelsAtTheLongestLengthAreReadFrameByFrame) {
  // Channels 0 and 1 carry the signal, 2 and 3 something else; a block of
  // 32768 four-channel frames is twice what a two-channel block holds.
  Detector(Pcm(16, 4, 48000), 32768).SetWindow(fwRectangular);
  detector_.SetChannel(chLeft);
  auto data = SineFrames(32768 * 2 + 100, 4, 32768, {1000, 1000, 5000, 7000}, 12000);
  Push(data);
  EXPECT_EQ(MaxBin(detector_), 1000);
  EXPECT_NEAR(detector_.PeakValue(1000), 12000, 3);
}

TEST_F(PeakTest, MeterScalingOnlyWithReferenceMinus18AndSaturates) {
  const struct {
    bool minus18, minus20;
    int32_t scale;
    int16_t sample;
    int16_t level;
  } cases[] = {
      {false, false, 1, 10000, 10000},
      {false, true, 1, 10000, 10000},
      {true, true, 1, 10000, 19919},
      {true, false, 1, 10000, static_cast<int16_t>(std::trunc(10000 * 0.707L * 2.2462f))},
      {true, false, 0, 10000, static_cast<int16_t>(std::trunc(10000 * 0.707L * 2.81765f))},
      {true, false, 3, -10000, static_cast<int16_t>(std::trunc(10000 * 0.707L * 2.8038f))},
      {true, false, 2, 16000, static_cast<int16_t>(std::trunc(16000 * 0.707L * 2.8718f))},
      {true, false, 2, 16140, 32767},  // beyond full scale: saturates rather than wraps
      {true, false, 2, -32768, 32767},
      {false, false, 2, -32768, 32767},  // the full negative sample has no positive twin
      {true, false, 5, 12345, 12345},
      {true, false, 8, 12345, 12345},
      {true, false, -1, 12345, 12345},
  };
  Detector(Pcm(16, 1, 44100), 64);
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.minus18 << c.minus20 << " scale " << c.scale << " sample "
                                    << c.sample);
    detector_.SetReferenceMinus18(c.minus18);
    detector_.SetReferenceMinus20(c.minus20);
    detector_.SetMeterScale(c.scale);
    PushLevel(c.sample);
    EXPECT_EQ(detector_.LevelLeft(), c.level);
    EXPECT_EQ(detector_.LevelRight(), c.level);
  }
}

TEST_F(PeakTest, LevelsOfStereoAndEightBitData) {
  Detector(Pcm(8, 2, 8000), 8);
  std::vector<char> data = {char(0x80), char(0x80), char(0x10), char(0x85), char(0x90), char(0x80)};
  Push(data);
  EXPECT_EQ(detector_.LevelLeft(), 0x10);  // the stored byte, not its distance from silence
  EXPECT_EQ(detector_.LevelRight(), 0x85);
  detector_.SetDetectPeaks(false);
  Push(data);
  EXPECT_EQ(detector_.LevelLeft(), 0);
  EXPECT_EQ(detector_.LevelRight(), 0);
}

TEST_F(PeakTest, IntegrationAveragesTheLatestLevels) {
  Detector(Pcm(16, 1, 44100), 64);
  detector_.SetIntegration(true);
  detector_.SetIntegrationCount(5);
  const int16_t levels[] = {10, 20, 30, 40, 50, 60, 70};
  const int16_t expected[] = {10, 15, 20, 25, 30, 40, 50};
  for (size_t i = 0; i < std::size(levels); ++i) {
    PushLevel(levels[i]);
    EXPECT_EQ(detector_.LevelLeft(), expected[i]) << i;
  }
  EXPECT_EQ(detector_.IntegrationFill(), 5);
  // A shorter count averages the newest levels at once.
  detector_.SetIntegrationCount(2);
  PushLevel(81);
  EXPECT_EQ(detector_.LevelLeft(), (70 + 81) / 2);
}

TEST_F(PeakTest, IntegrationCountsOutsideTheHistoryAreClamped) {
  Detector(Pcm(16, 1, 44100), 64);
  detector_.SetIntegration(true);
  // Never written: the count of a new detector averages one level.
  PushLevel(100);
  PushLevel(300);
  EXPECT_EQ(detector_.LevelLeft(), 300);

  detector_.SetIntegrationCount(0);
  EXPECT_EQ(detector_.IntegrationCount(), 1);
  detector_.SetIntegrationCount(1000000);
  EXPECT_EQ(detector_.IntegrationCount(), 300);
  for (int i = 0; i < 400; ++i) PushLevel(static_cast<int16_t>(i < 100 ? 30000 : 3));
  EXPECT_EQ(detector_.IntegrationFill(), 300);
  EXPECT_EQ(detector_.LevelLeft(), 3);
  PushLevel(303);
  EXPECT_EQ(detector_.LevelLeft(), (299 * 3 + 303) / 300);
}

TEST_F(PeakTest, InvalidFormatsAreRefusedAndTheOldOneKept) {
  // The message comes from the program's string table.
  plat::RegisterResourceTable(nullptr, ProgramResourceTable());
  struct Unregister {
    ~Unregister() { plat::UnregisterResourceTable(nullptr, ProgramResourceTable()); }
  } unregister;
  Detector(Pcm(8, 1, 11025), 128);
  plat::WAVEFORMATEX bad[] = {Pcm(24, 1, 44100), Pcm(16, 3, 44100), Pcm(16, 2, 200000), Pcm(16, 2, 44100)};
  bad[3].wFormatTag = 2;
  for (const auto& f : bad) {
    EXPECT_THROW(
        {
          try {
            detector_.SetFormat(&f);
          } catch (const EMMPeakError& e) {
            EXPECT_STREQ(e.what(), "Invalid WaveFormat");
            throw;
          }
        },
        EMMPeakError);
    ASSERT_NE(detector_.GetFormat(), nullptr);
    EXPECT_EQ(detector_.GetFormat()->wBitsPerSample, 8);
    EXPECT_EQ(detector_.GetFormat()->nSamplesPerSec, 11025u);
  }
}

TEST_F(PeakTest, BinWidthAndFrequencyToBin) {
  EXPECT_EQ(detector_.BinWidth(), 0.0f);
  EXPECT_ANY_THROW(detector_.FrequencyToBin(1000));
  Detector(Pcm(16, 1, 44100), 1024);
  EXPECT_FLOAT_EQ(detector_.BinWidth(), 44100.0f / 1024);
  EXPECT_EQ(detector_.FrequencyToBin(1000), 23);
  EXPECT_EQ(detector_.FrequencyToBin(0), 0);
  EXPECT_EQ(detector_.FrequencyToBin(30000), 512);
  EXPECT_EQ(detector_.FrequencyToBin(1e30f), 512);
}

TEST_F(PeakTest, AnalysesOnlyWhenOpenedOnPCMAndEnabled) {
  int events = 0;
  detector_.OnPeakReady = [&](vcl::TObject*, int32_t, int32_t) { ++events; };
  detector_.SetFFTLength(8);
  std::vector<char> data(16, 0x11);
  const std::vector<char> original = data;
  Push(data);  // no format: never opens
  detector_.Opened();
  EXPECT_FALSE(detector_.DetectorOpened());
  Push(data);
  EXPECT_EQ(events, 0);
  detector_.Closed();

  auto format = Pcm(16, 1, 8000);
  detector_.SetFormat(&format);
  detector_.Opened();
  detector_.SetEnabled(false);
  Push(data);
  EXPECT_EQ(events, 0);
  detector_.SetEnabled(true);
  Push(data);
  EXPECT_EQ(events, 4);
  EXPECT_EQ(data, original);  // analysed, never changed

  // The format goes while the detector stays opened (its input was unlinked).
  detector_.SetFormat(nullptr);
  Push(data);
  EXPECT_EQ(events, 4);
  detector_.Closed();
  Push(data);
  EXPECT_EQ(events, 4);
}

TEST_F(PeakTest, StartedResetsThePeaksOncePerStart) {
  Detector(Pcm(16, 1, 44100), 64);
  PushLevel(5000);
  detector_.Started();
  EXPECT_TRUE(detector_.DetectorStarted());
  EXPECT_EQ(detector_.LevelLeft(), 0);
  PushLevel(5000);
  detector_.Started();  // already started
  EXPECT_EQ(detector_.LevelLeft(), 5000);
  detector_.Stopped();
  EXPECT_FALSE(detector_.DetectorStarted());
}

// Another thread reads the maxima through the published copy while buffers
// arrive: every copy is one whole buffer's analysis (a tone at bin 20 or at
// bin 40, never both, never neither, never a partly cleared table), and a
// length change publishes cleared maxima at once. The levels are read and the
// level settings written meanwhile, as the application does once per pass.
TEST_F(PeakTest, PublishedMaximaAreWholeBuffersAcrossThreads) {
  Detector(Pcm(16, 1, 44100), 256);
  std::vector<int32_t> copy(kMaxPeakFFTLength / 2, -1);
  EXPECT_EQ(detector_.CopyPeakValues(copy), 128);
  EXPECT_EQ(copy[20], 0);

  auto low = SineFrames(512, 1, 256, {20}, 8000);
  auto high = SineFrames(512, 1, 256, {40}, 8000);
  Push(high);
  const int16_t high_level = detector_.LevelLeft();
  Push(low);
  const int16_t low_level = detector_.LevelLeft();
  const int32_t full = detector_.PeakValue(20);
  ASSERT_GT(full, 1000);
  std::atomic<bool> done{false};
  std::thread device([&] {
    for (int n = 0; n < 400; ++n) Push(n % 2 ? high : low);
    done = true;
  });
  int reads = 0;
  while (!done || reads == 0) {
    ASSERT_EQ(detector_.CopyPeakValues(std::span(copy.data(), 128)), 128);
    const bool at20 = copy[20] == full;
    const bool at40 = copy[40] == full;
    ASSERT_NE(at20, at40) << "read " << reads << ": " << copy[20] << ", " << copy[40];
    // Without a reference level the meter scale leaves the levels as measured;
    // while a buffer is being measured the level reads 0.
    detector_.SetMeterScale(reads % 8);
    const int16_t level = detector_.LevelLeft();
    EXPECT_TRUE(level == low_level || level == high_level || level == 0) << level;
    ++reads;
  }
  device.join();

  std::vector<int32_t> small(10);
  EXPECT_EQ(detector_.CopyPeakValues(small), 10);
  detector_.SetFFTLength(64);
  std::fill(copy.begin(), copy.end(), -1);
  EXPECT_EQ(detector_.CopyPeakValues(copy), 32);
  EXPECT_EQ(std::count(copy.begin(), copy.begin() + 32, 0), 32);
  EXPECT_EQ(copy[32], -1);
}

// ---- Generator into detector ----

struct ChainCase {
  int rate, bits, channels, fft_length;
  TMMFFTWindow window;
};

void PrintTo(const ChainCase& c, std::ostream* os) {
  *os << c.rate << " Hz, " << c.bits << " bits, " << c.channels << " channels, FFT of " << c.fft_length
      << ", window " << static_cast<int>(c.window);
}

class GeneratorChainTest : public ::testing::TestWithParam<ChainCase> {};

TEST_P(GeneratorChainTest, SineOf1000HzPeaksAtItsBinWithoutAllocating) {
  const ChainCase c = GetParam();
  TMMGenerator generator(nullptr);
  TMMPeakDetect detector(nullptr);
  generator.SetSampleRate(c.rate);
  generator.SetBitLength(c.bits == 8 ? b8Bit : b16Bit);
  generator.SetMode(c.channels == 2 ? mStereo : mMono);
  generator.SetFrequency(1000.0);
  detector.SetFFTLength(c.fft_length);
  detector.SetWindow(c.window);
  detector.SetInput(&generator);
  ASSERT_NE(detector.GetFormat(), nullptr);
  EXPECT_EQ(detector.GetFormat()->nSamplesPerSec, static_cast<plat::DWORD>(c.rate));
  EXPECT_EQ(detector.GetFormat()->nChannels, c.channels);
  generator.Opened();
  detector.Opened();
  generator.Started();
  detector.Started();

  const int32_t block_bytes = c.fft_length * c.channels * c.bits / 8;
  std::vector<char> buffer(static_cast<size_t>(block_bytes) * 3 / 2);
  plat::WAVEHDR hdr;
  hdr.lpData = buffer.data();
  hdr.dwBufferLength = static_cast<plat::DWORD>(buffer.size());
  int peak_events = 0;
  detector.OnPeakReady = [&](vcl::TObject*, int32_t, int32_t) { ++peak_events; };

  const int expected_bin = static_cast<int>(std::lround(1000.0 * c.fft_length / c.rate));
  allocation_count = 0;
  for (int n = 0; n < 4; ++n) {
    bool more = false;
    count_allocations = true;
    detector.BufferLoad(&hdr, more);
    count_allocations = false;
    EXPECT_TRUE(more);
    EXPECT_EQ(hdr.dwBytesRecorded, hdr.dwBufferLength);
    EXPECT_EQ(MaxBin(detector), expected_bin) << "buffer " << n;
  }
  EXPECT_EQ(allocation_count, 0);
  EXPECT_EQ(peak_events, 4 * 2 * c.fft_length / 2);
  // 8-bit levels are stored bytes: their distance from 128 is the level.
  const int full_scale = c.bits == 8 ? 127 : 32767;
  const int level = c.bits == 8 ? std::abs(detector.LevelLeft() - 128) : detector.LevelLeft();
  EXPECT_GT(level, full_scale * 97 / 100);
}

INSTANTIATE_TEST_SUITE_P(Formats, GeneratorChainTest,
                         ::testing::Values(ChainCase{44100, 16, 2, 16384, fwHamming},
                                           ChainCase{44100, 16, 1, 32768, fwRectangular},
                                           ChainCase{11025, 8, 1, 1024, fwHanning},
                                           ChainCase{48000, 16, 1, 4096, fwBlackman},
                                           ChainCase{8000, 8, 2, 256, fwHamming}),
                         [](const ::testing::TestParamInfo<ChainCase>& info) {
                           const ChainCase& c = info.param;
                           return std::to_string(c.rate) + "Hz" + std::to_string(c.bits) + "bit" +
                                  std::to_string(c.channels) + "ch" + std::to_string(c.fft_length);
                         });

}  // namespace
}  // namespace enginetest

// The eight-at-a-time magnitudes give the portable numbers: exact squares and
// the values just around them (where the single-precision root rounds up),
// signs, NaN, huge and tiny parts, an odd tail of bins, and many random bins.
TEST(PeakMagnitudeTest, WideAndPortableMaximaAgree) {
  std::vector<float> values;
  for (const float whole : {0.0f, 1.0f, 3.0f, 4.0f, 46340.0f, 46341.0f, 99999.0f, 316227.0f}) {
    for (const float step : {0.0f, 1e-3f, -1e-3f}) {
      values.push_back(whole + step);
      values.push_back(0.0f);
      values.push_back(-(whole + step));
      values.push_back(whole / 2);
    }
  }
  for (const float odd : {std::nanf(""), 1e-30f, -2.5e5f, 3e5f, 1e-40f, 7.0f}) values.push_back(odd);
  std::srand(7);
  while (values.size() < 2 * 4099)
    values.push_back(static_cast<float>(std::rand() % 2000001 - 1000000) * (std::rand() % 2 ? 0.37f : 1.0f));
  const int32_t bins = static_cast<int32_t>(values.size() / 2);
  for (const float scale : {1.0f, 1.0f / 1024}) {
    std::vector<int32_t> portable(static_cast<size_t>(bins), 3);
    std::vector<int32_t> wide(portable);
    engine::RaiseBinMaxima(values.data(), bins, scale, portable.data(), false);
    engine::RaiseBinMaxima(values.data(), bins, scale, wide.data(), true);
    EXPECT_EQ(wide, portable) << "scale " << scale;
  }
  // 3-4-5: the exact root is kept, not stepped back.
  const float bin[2] = {3.0f, 4.0f};
  int32_t one = 0;
  engine::RaiseBinMaxima(bin, 1, 1.0f, &one, true);
  EXPECT_EQ(one, 5);
}
