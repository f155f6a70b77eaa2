// The signal generator: property limits, the format it builds, takes and
// refuses, its wave tables, the samples it writes in every layout, and the
// modulation of audio that passes through it.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <numbers>
#include <vector>

#include "ChainTestClasses.h"
#include "engine/MMFXGen.h"
#include "engine/MMPCMSup.h"
#include "resources/ProgramResources.h"

namespace enginetest {
namespace {

using namespace engine;

plat::WAVEFORMATEX Pcm(int bits, int channels, int rate) {
  plat::WAVEFORMATEX f{};
  BuildPCMFormat(f, bits, channels, rate);
  return f;
}

int16_t Sample16(const std::vector<char>& data, size_t index) {
  int16_t v;
  std::memcpy(&v, &data[index * 2], 2);
  return v;
}

std::vector<char> Samples16(std::initializer_list<int16_t> values) {
  std::vector<char> data(values.size() * 2);
  size_t i = 0;
  for (int16_t v : values) std::memcpy(&data[2 * i++], &v, 2);
  return data;
}

class GeneratorTest : public ::testing::Test {
 protected:
  // Pulls one buffer of `bytes` that held `fill` before.
  std::vector<char> Pull(int bytes, char fill = 0, bool* more = nullptr) {
    std::vector<char> data(static_cast<size_t>(bytes), fill);
    plat::WAVEHDR hdr;
    hdr.lpData = data.data();
    hdr.dwBufferLength = static_cast<plat::DWORD>(bytes);
    bool more_buffers = false;
    gen_.BufferLoad(&hdr, more_buffers);
    EXPECT_EQ(hdr.dwBytesRecorded, hdr.dwBufferLength);
    if (more) *more = more_buffers;
    return data;
  }
  void Push(std::vector<char>& data) {
    plat::WAVEHDR hdr;
    hdr.lpData = data.data();
    hdr.dwBufferLength = hdr.dwBytesRecorded = static_cast<plat::DWORD>(data.size());
    gen_.BufferReady(&hdr);
  }
  // A generator that steps a quarter table per sample: 2000 Hz at 8000 Hz.
  void QuarterSteps(TMMBits bits, TMMMode mode, TMMWaveForm form) {
    gen_.SetSampleRate(8000);
    gen_.SetFrequency(2000);
    gen_.SetBitLength(bits);
    gen_.SetMode(mode);
    gen_.SetWaveForm(form);
    gen_.Opened();
  }

  TMMGenerator gen_{nullptr};
};

TEST_F(GeneratorTest, CreatedWithItsDefaultsAndFormat) {
  EXPECT_TRUE(gen_.Enabled());
  EXPECT_EQ(gen_.SampleRate(), 11025);
  EXPECT_EQ(gen_.BitLength(), b8Bit);
  EXPECT_EQ(gen_.Mode(), mMono);
  EXPECT_EQ(gen_.Channel(), chBoth);
  EXPECT_EQ(gen_.WaveForm(), wfSine);
  EXPECT_EQ(gen_.Modulation(), moAM);
  EXPECT_EQ(gen_.Frequency(), 1000.0);
  EXPECT_EQ(gen_.Amplitude(), 16384);
  EXPECT_EQ(gen_.DryAmplitude(), 0);
  EXPECT_NE(gen_.WaveTable(), nullptr);
  EXPECT_FALSE(gen_.TableOpened());
  ASSERT_NE(gen_.GetFormat(), nullptr);
  EXPECT_EQ(gen_.GetFormat()->nSamplesPerSec, 11025u);
  EXPECT_EQ(gen_.GetFormat()->wBitsPerSample, 8);
  EXPECT_EQ(gen_.GetFormat()->nChannels, 1);
}

TEST_F(GeneratorTest, OutOfRangeValuesAreClampedOrIgnored) {
  const struct {
    double frequency_in, frequency;
  } frequencies[] = {{0, 0.01}, {-50, 0.01}, {200000, 100000}, {440, 440}, {NAN, 440}};
  for (const auto& c : frequencies) {
    gen_.SetFrequency(c.frequency_in);
    EXPECT_EQ(gen_.Frequency(), c.frequency) << c.frequency_in;
  }
  const struct {
    int32_t rate_in, rate;
  } rates[] = {{96000, 88200}, {4000, 8000}, {44100, 44100}, {-1, 8000}};
  for (const auto& c : rates) {
    gen_.SetSampleRate(c.rate_in);
    EXPECT_EQ(gen_.SampleRate(), c.rate) << c.rate_in;
    EXPECT_EQ(gen_.GetFormat()->nSamplesPerSec, static_cast<plat::DWORD>(c.rate));
  }
  gen_.SetMode(mStereo);
  gen_.SetMode(mMultiChannel);
  EXPECT_EQ(gen_.Mode(), mStereo);
  EXPECT_EQ(gen_.GetFormat()->nChannels, 2);
  gen_.SetAmplitude(20000);
  EXPECT_EQ(gen_.Amplitude(), 16384);
  gen_.SetDryAmplitude(-3);
  EXPECT_EQ(gen_.DryAmplitude(), 0);
}

TEST_F(GeneratorTest, WritersPassTheBuiltFormatDown) {
  TTestPassive below(nullptr);
  gen_.SetOutput(&below);
  gen_.SetMode(mStereo);
  gen_.SetBitLength(b16Bit);
  gen_.SetSampleRate(96000);
  const plat::WAVEFORMATEX* f = below.GetFormat();
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(f->nSamplesPerSec, 88200u);
  EXPECT_EQ(f->wBitsPerSample, 16);
  EXPECT_EQ(f->nChannels, 2);
  EXPECT_EQ(f->nBlockAlign, 4);
  EXPECT_EQ(f->nAvgBytesPerSec, 88200u * 4);
}

TEST_F(GeneratorTest, TakesAFormatItProducesAndPassesOnItsOwn) {
  TTestPassive below(nullptr);
  gen_.SetOutput(&below);
  gen_.Opened();
  plat::WAVEFORMATEX f = Pcm(16, 2, 22050);
  f.nBlockAlign = 7;  // untested by the format check; the generator's own is passed on
  gen_.SetFormat(&f);
  EXPECT_EQ(gen_.SampleRate(), 22050);
  EXPECT_EQ(gen_.BitLength(), b16Bit);
  EXPECT_EQ(gen_.Mode(), mStereo);
  EXPECT_EQ(gen_.WaveTable()[25000], 32767);  // refilled at 16 bits
  ASSERT_NE(below.GetFormat(), nullptr);
  EXPECT_EQ(below.GetFormat()->nSamplesPerSec, 22050u);
  EXPECT_EQ(below.GetFormat()->nBlockAlign, 4);
}

TEST_F(GeneratorTest, RefusesFormatsItCannotProduce) {
  plat::RegisterResourceTable(nullptr, ProgramResourceTable());
  struct Unregister {
    ~Unregister() { plat::UnregisterResourceTable(nullptr, ProgramResourceTable()); }
  } unregister;
  TTestPassive below(nullptr);
  gen_.SetOutput(&below);
  plat::WAVEFORMATEX bad[] = {Pcm(16, 2, 96000), Pcm(16, 2, 100000), Pcm(8, 1, 4000),
                              Pcm(16, 4, 44100), Pcm(24, 2, 44100),  Pcm(16, 2, 44100)};
  bad[5].wFormatTag = 3;
  for (const auto& f : bad) {
    // Copies: the packed record's fields need not be aligned.
    SCOPED_TRACE(testing::Message() << plat::DWORD{f.nSamplesPerSec} << " Hz " << plat::WORD{f.wBitsPerSample}
                                    << " bit " << plat::WORD{f.nChannels} << " ch tag "
                                    << plat::WORD{f.wFormatTag});
    try {
      gen_.SetFormat(&f);
      ADD_FAILURE() << "accepted";
    } catch (const EMMGeneratorError& e) {
      EXPECT_STREQ(e.what(), "Invalid WaveFormat");
    }
    EXPECT_EQ(gen_.SampleRate(), 11025);
    EXPECT_EQ(gen_.Mode(), mMono);
    EXPECT_EQ(gen_.BitLength(), b8Bit);
    EXPECT_EQ(gen_.GetFormat()->nSamplesPerSec, 11025u);
    EXPECT_EQ(below.GetFormat()->nSamplesPerSec, 11025u);
    EXPECT_EQ(below.GetFormat()->nChannels, 1);
  }
}

TEST_F(GeneratorTest, WaveTablesHoldOnePeriod) {
  const struct {
    TMMWaveForm form;
    TMMBits bits;
    int index;
    int16_t value;
  } cases[] = {
      {wfSine, b16Bit, 0, 0},
      {wfSine, b16Bit, 12500, 23170},
      {wfSine, b16Bit, 25000, 32767},
      {wfSine, b16Bit, 75000, -32767},
      {wfSine, b8Bit, 25000, 127},
      {wfSquare, b8Bit, 0, -127},
      {wfSquare, b8Bit, 50000, -127},
      {wfSquare, b8Bit, 50001, 127},
      {wfSquare, b16Bit, 99999, 32767},
      {wfTriangle, b16Bit, 25000, 32767},
      {wfTriangle, b16Bit, 50000, 0},
      {wfTriangle, b16Bit, 75000, -32767},
      {wfTriangle, b16Bit, 75001, -32766},
      {wfTriangle, b16Bit, 99999, -2},
      {wfSawtoothPos, b16Bit, 50000, 32767},
      {wfSawtoothPos, b16Bit, 50001, -32767},
      {wfSawtoothPos, b16Bit, 99999, -1},
      {wfSawtoothNeg, b16Bit, 50000, -32767},
      {wfSawtoothNeg, b16Bit, 50001, 32767},
      {wfSawtoothNeg, b8Bit, 25000, -63},
  };
  gen_.Opened();
  for (const auto& c : cases) {
    gen_.SetWaveForm(c.form);
    gen_.SetBitLength(c.bits);
    EXPECT_EQ(gen_.WaveTable()[c.index], c.value)
        << "form " << int(c.form) << " bits " << int(c.bits) << " index " << c.index;
  }
}

TEST_F(GeneratorTest, NoiseStaysInRangeAndIsDrawnAnewAtEachOpen) {
  gen_.SetWaveForm(wfNoise);
  gen_.Opened();
  const std::vector<int16_t> first(gen_.WaveTable(), gen_.WaveTable() + kGeneratorTableSize);
  const auto [lo, hi] = std::minmax_element(first.begin(), first.end());
  EXPECT_EQ(*lo, -127);
  EXPECT_EQ(*hi, 126);
  gen_.Closed();
  EXPECT_FALSE(gen_.TableOpened());
  gen_.Opened();
  EXPECT_NE(std::vector<int16_t>(gen_.WaveTable(), gen_.WaveTable() + kGeneratorTableSize), first);
}

TEST_F(GeneratorTest, AmplitudeScalesTheTable) {
  QuarterSteps(b16Bit, mMono, wfSine);
  auto data = Pull(8);
  EXPECT_EQ(Samples16({0, 32767, 0, -32767}), data);
  gen_.SetAmplitude(8212);
  gen_.Started();
  data = Pull(8);
  EXPECT_EQ(Samples16({0, 16423, 0, -16423}), data);
}

TEST_F(GeneratorTest, OnePeriodOf1000HzTakes44Point1SamplesAt44100) {
  gen_.SetSampleRate(44100);
  gen_.SetBitLength(b16Bit);
  gen_.Opened();
  auto data = Pull(44100 * 2 / 10);
  int rising = 0;
  for (size_t i = 1; i < data.size() / 2; ++i)
    if (Sample16(data, i - 1) < 0 && Sample16(data, i) >= 0) ++rising;
  EXPECT_NEAR(rising, 100, 1);
  EXPECT_LT(gen_.Phase(), kGeneratorTableSize - 1);
}

TEST_F(GeneratorTest, GeneratedLayoutsLeaveTheOtherChannelSilent) {
  // Square at quarter steps: -A, -A, -A, +A per frame.
  const struct {
    TMMBits bits;
    TMMMode mode;
    TMMChannel channel;
    std::vector<int> expected;  // per byte (8 bit) or per sample (16 bit)
  } cases[] = {
      {b8Bit, mMono, chBoth, {1, 1, 1, 255, 1}},
      {b8Bit, mStereo, chBoth, {1, 1, 1, 1, 1, 1, 255, 255, 128}},  // a byte of no whole frame is silence
      {b8Bit, mStereo, chLeft, {1, 128, 1, 128, 1, 128, 255, 128}},
      {b8Bit, mStereo, chRight, {128, 1, 128, 1, 128, 1, 128, 255}},
      {b16Bit, mMono, chBoth, {-32767, -32767, -32767, 32767}},
      {b16Bit, mStereo, chLeft, {-32767, 0, -32767, 0, -32767, 0, 32767, 0}},
      {b16Bit, mStereo, chRight, {0, -32767, 0, -32767, 0, -32767, 0, 32767}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "bits " << int(c.bits) << " mode " << int(c.mode) << " channel "
                                    << int(c.channel));
    TMMGenerator gen(nullptr);
    gen.SetSampleRate(8000);
    gen.SetFrequency(2000);
    gen.SetBitLength(c.bits);
    gen.SetMode(c.mode);
    gen.SetChannel(c.channel);
    gen.SetWaveForm(wfSquare);
    gen.Opened();
    const int bytes = static_cast<int>(c.expected.size()) * (c.bits == b8Bit ? 1 : 2);
    std::vector<char> data(static_cast<size_t>(bytes), 0x11);  // stale data
    plat::WAVEHDR hdr;
    hdr.lpData = data.data();
    hdr.dwBufferLength = static_cast<plat::DWORD>(bytes);
    bool more = false;
    gen.BufferLoad(&hdr, more);
    std::vector<int> got;
    for (size_t i = 0; i < c.expected.size(); ++i)
      got.push_back(c.bits == b8Bit ? static_cast<uint8_t>(data[i]) : Sample16(data, i));
    EXPECT_EQ(got, c.expected);
  }
}

TEST_F(GeneratorTest, DisabledWithoutInputFillsSilenceAndReportsItFull) {
  for (TMMBits bits : {b8Bit, b16Bit}) {
    gen_.SetBitLength(bits);
    gen_.SetEnabled(false);
    gen_.Opened();
    bool more = false;
    const auto data = Pull(101, 0x33, &more);
    EXPECT_TRUE(more);
    EXPECT_EQ(data, std::vector<char>(101, bits == b8Bit ? static_cast<char>(0x80) : 0)) << int(bits);
  }
}

// A member above the generator that fills each pulled buffer with its pattern.
class GeneratorInputTest : public GeneratorTest {
 protected:
  void SetUp() override {
    above_.OnBufferLoad = [this](vcl::TObject*, plat::WAVEHDR* hdr, bool& more) {
      std::memcpy(hdr->lpData, pattern_.data(), pattern_.size());
      hdr->dwBytesRecorded = static_cast<plat::DWORD>(pattern_.size());
      more = false;
    };
    gen_.SetInput(&above_);
    ASSERT_EQ(gen_.Input(), &above_);
  }
  TTestPassive above_{nullptr};
  std::vector<char> pattern_ = Samples16({1000, -2000, 3000, -4000});
};

TEST_F(GeneratorInputTest, DisabledPassesTheInputUnchanged) {
  QuarterSteps(b16Bit, mMono, wfSquare);
  gen_.SetEnabled(false);
  bool more = false;
  EXPECT_EQ(Pull(8, 0, &more), pattern_);
  EXPECT_TRUE(more);  // the generator never ends a stream
}

TEST_F(GeneratorInputTest, AmplitudeModulationOfPulledData) {
  QuarterSteps(b16Bit, mMono, wfSquare);
  gen_.SetAmplitude(0);
  gen_.SetDryAmplitude(16384);
  EXPECT_EQ(Pull(8), pattern_);  // no carrier, all dry
  gen_.SetAmplitude(16384);
  gen_.SetDryAmplitude(0);
  gen_.Started();
  // Input times a carrier of -32767, -32767, -32767, +32767.
  EXPECT_EQ(Pull(8), Samples16({-999, 1999, -2999, -3999}));
}

TEST_F(GeneratorTest, AmplitudeModulationOfPushedEightBitData) {
  const struct {
    TMMChannel channel;
    int32_t dry;
    std::vector<uint8_t> in, out;
  } cases[] = {
      // Carrier -127: x' = 100 becomes -127 * 100 / 128 = -99.
      {chBoth, 0, {228, 28, 228, 28}, {29, 227, 29, 227}},
      // The dry signal on top of the modulated one.
      {chBoth, 16384, {228, 28, 228, 28}, {129, 127, 129, 127}},
      {chLeft, 0, {228, 28, 228, 28}, {29, 28, 29, 28}},
      {chRight, 0, {228, 28, 228, 28}, {228, 227, 228, 227}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "channel " << int(c.channel) << " dry " << c.dry);
    TMMGenerator gen(nullptr);
    gen.SetMode(mStereo);
    gen.SetChannel(c.channel);
    gen.SetWaveForm(wfSquare);
    gen.SetDryAmplitude(c.dry);
    gen.Opened();
    std::vector<char> data(c.in.begin(), c.in.end());
    plat::WAVEHDR hdr;
    hdr.lpData = data.data();
    hdr.dwBufferLength = hdr.dwBytesRecorded = static_cast<plat::DWORD>(data.size());
    gen.BufferReady(&hdr);
    EXPECT_EQ(std::vector<uint8_t>(data.begin(), data.end()), c.out);
  }
}

TEST_F(GeneratorTest, FrequencyAndPhaseModulationOfSilenceGiveThePlainCarrier) {
  // Samples keep their width: 8-bit data stays 8-bit, never a 16-bit word.
  for (TMMModulation modulation : {moFM, moPM}) {
    for (TMMBits bits : {b8Bit, b16Bit}) {
      for (TMMMode mode : {mMono, mStereo}) {
        SCOPED_TRACE(testing::Message()
                     << "modulation " << int(modulation) << " bits " << int(bits) << " mode " << int(mode));
        TMMGenerator plain(nullptr);
        TMMGenerator modulating(nullptr);
        for (TMMGenerator* g : {&plain, &modulating}) {
          g->SetSampleRate(44100);
          g->SetBitLength(bits);
          g->SetMode(mode);
          g->SetModulation(modulation);
          g->Opened();
        }
        const size_t bytes = 400;
        std::vector<char> expected(bytes);
        plat::WAVEHDR hdr;
        hdr.lpData = expected.data();
        hdr.dwBufferLength = bytes;
        bool more = false;
        plain.BufferLoad(&hdr, more);
        std::vector<char> data(bytes, bits == b8Bit ? static_cast<char>(0x80) : 0);
        hdr.lpData = data.data();
        hdr.dwBytesRecorded = bytes;
        modulating.BufferReady(&hdr);
        EXPECT_EQ(data, expected);
      }
    }
  }
}

TEST_F(GeneratorTest, ModulatorsBendTheCarrier) {
  QuarterSteps(b16Bit, mMono, wfSine);
  // Phase: half of full scale shifts by a quarter period, sine to cosine.
  gen_.SetModulation(moPM);
  auto data = Samples16({16384, 16384, 16384, 16384});
  Push(data);
  EXPECT_EQ(data, Samples16({32767, 0, -32767, 2}));  // the last wraps to entry 1
  // Frequency: full negative scale stops the carrier where it is.
  gen_.SetModulation(moFM);
  gen_.Started();
  data = Samples16({0, -32768, -32768, -32768});
  Push(data);
  EXPECT_EQ(data, Samples16({0, 32767, 32767, 32767}));
}

TEST_F(GeneratorTest, StartedRestartsAtTheFirstEntry) {
  gen_.SetBitLength(b16Bit);
  gen_.Opened();
  const auto first = Pull(200);
  EXPECT_GT(gen_.Phase(), 0.0);
  EXPECT_NE(Pull(200), first);
  gen_.Started();
  EXPECT_EQ(gen_.Phase(), 0.0);
  EXPECT_EQ(Pull(200), first);
}

TEST_F(GeneratorTest, DesignModeHasNoTableUntilItEnds) {
  TTestChainForm form(nullptr);
  form.SetDesigning(true);
  auto* gen = new TMMGenerator(&form);
  EXPECT_TRUE(gen->DesignMode());
  EXPECT_EQ(gen->WaveTable(), nullptr);
  // No check at design time; the format is only stored.
  const plat::WAVEFORMATEX four = Pcm(16, 4, 44100);
  EXPECT_NO_THROW(gen->SetFormat(&four));
  EXPECT_EQ(gen->Mode(), mMono);
  gen->Opened();
  std::vector<char> data(16, 0x11);
  plat::WAVEHDR hdr;
  hdr.lpData = data.data();
  hdr.dwBufferLength = 16;
  bool more = false;
  gen->BufferLoad(&hdr, more);
  EXPECT_EQ(data, std::vector<char>(16, static_cast<char>(0x80)));
  gen->SetDesignMode(false);
  ASSERT_NE(gen->WaveTable(), nullptr);
  EXPECT_EQ(gen->WaveTable()[25000], 127);
}

}  // namespace
}  // namespace enginetest
