#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/MMPCMSup.h"
#include "engine/MMWaveIO.h"
#include "platform/kernel/Locale.h"
#include "support/TempDir.h"

namespace {

plat::WAVEFORMATEX Pcm(int bits, int channels, int rate) {
  plat::WAVEFORMATEX f{};
  engine::BuildPCMFormat(f, bits, channels, rate);
  return f;
}

// A compressed format with its extra bytes behind the record, as stored.
struct Compressed {
  plat::WAVEFORMATEX f{};
  uint8_t extra[32]{};
};

Compressed Adpcm() {
  Compressed c;
  c.f.wFormatTag = plat::WAVE_FORMAT_ADPCM;
  c.f.nChannels = 2;
  c.f.nSamplesPerSec = 22050;
  c.f.nAvgBytesPerSec = 22311;
  c.f.nBlockAlign = 256;
  c.f.wBitsPerSample = 4;
  c.f.cbSize = 32;
  for (int i = 0; i < 32; ++i) c.extra[i] = static_cast<uint8_t>(i + 1);
  return c;
}

TEST(MMWaveIOFormat, SizeCountsExtraBytesOnlyForCompressedTags) {
  plat::WAVEFORMATEX pcm = Pcm(16, 2, 44100);
  pcm.cbSize = 22;
  EXPECT_EQ(engine::GetWaveFormatSize(&pcm), 18);
  const Compressed adpcm = Adpcm();
  EXPECT_EQ(engine::GetWaveFormatSize(&adpcm.f), 50);
  EXPECT_EQ(engine::GetWaveFormatSize(nullptr), 0);
}

TEST(MMWaveIOFormat, CopiesAreExactAndOwned) {
  plat::WAVEFORMATEX pcm = Pcm(16, 2, 44100);
  pcm.cbSize = 22;  // garbage in a PCM record is not copied along
  engine::TWaveFormatPtr pcm_copy(engine::CopyWaveFormat(&pcm));
  ASSERT_NE(pcm_copy, nullptr);
  EXPECT_EQ(pcm_copy->cbSize, 0);
  pcm.cbSize = 0;
  EXPECT_EQ(std::memcmp(pcm_copy.get(), &pcm, sizeof(pcm)), 0);

  const Compressed adpcm = Adpcm();
  plat::WAVEFORMATEX* copy = engine::CopyWaveFormat(&adpcm.f);
  ASSERT_NE(copy, nullptr);
  EXPECT_NE(copy, &adpcm.f);
  EXPECT_EQ(std::memcmp(copy, &adpcm, 50), 0);
  engine::GlobalFreeAndNil(copy);
  EXPECT_EQ(copy, nullptr);

  EXPECT_EQ(engine::CopyWaveFormat(nullptr), nullptr);
}

TEST(MMWaveIOText, TagNamesTakeTheFirstRow) {
  const struct {
    plat::WORD tag;
    const char* name;
  } cases[] = {{0x0011, "IMA ADPCM"},    {0x0209, "Dolby AC2"},        {0x0030, "Dolby AC2"},
               {0x0004, "Unknown"},      {0x0000, "Unknown"},          {0x0001, "PCM"},
               {0x020C, "PCM 32"},       {0x1001, "Olivetti's ADPCM"}, {0xFFFF, "*DEVELOPMENT ONLY TAG*"},
               {0x0055, "MPEG Layer-3"}, {0x1234, "Unknown"}};
  for (const auto& c : cases) {
    plat::WAVEFORMATEX f{};
    f.wFormatTag = c.tag;
    EXPECT_EQ(engine::GetFormatTagName(&f), c.name) << c.tag;
  }
  EXPECT_EQ(engine::GetFormatTagName(nullptr), "Unknown");
}

class MMWaveIODescription : public testing::Test {
 protected:
  // An empty configuration folder: the user's profile sets nothing, so its
  // Intl section answers from the injected locale.
  testsupport::TempDir dir_;
  testsupport::ScopedEnv config_{"XDG_CONFIG_HOME", dir_.path().string()};
  testsupport::ScopedEnv profile_{"QUELLIX_PROFILE", dir_.File("win.ini")};

  void WriteProfile(const std::string& text) { std::ofstream(dir_.File("win.ini")) << text; }
  void TearDown() override { plat::SetLocaleSeparators(std::nullopt); }
};

TEST_F(MMWaveIODescription, DescribesRateBitsAndChannels) {
  plat::SetLocaleSeparators(plat::LocaleSeparators{'.', ','});
  const struct {
    plat::WAVEFORMATEX f;
    const char* text;
  } cases[] = {
      {Pcm(16, 2, 44100), "44.100 kHz, 16 Bit, Stereo"},
      {Pcm(8, 1, 22050), "22.050 kHz, 8 Bit, Mono"},
      {Pcm(16, 6, 48000), "48.000 kHz, 16 Bit, 6 Channels"},
      {Pcm(16, 1, 8007), "8.007 kHz, 16 Bit, Mono"},
      {Adpcm().f, "22.050 kHz, 4 Bit, Stereo"},  // effective bits of the compressed data
  };
  for (const auto& c : cases) EXPECT_EQ(engine::GetWaveFormatDescription(&c.f), c.text);
  EXPECT_EQ(engine::GetWaveFormatDescription(nullptr), "Unknown");
}

TEST_F(MMWaveIODescription, UsesTheUsersSeparators) {
  plat::SetLocaleSeparators(plat::LocaleSeparators{',', ';'});
  const plat::WAVEFORMATEX f = Pcm(16, 2, 44100);
  EXPECT_EQ(engine::GetWaveFormatDescription(&f), "44,100 kHz; 16 Bit; Stereo");
}

TEST_F(MMWaveIODescription, ProfileEntriesWinAndAnEmptyEntryKeepsTheLastSeparator) {
  plat::SetLocaleSeparators(plat::LocaleSeparators{'.', ','});
  const plat::WAVEFORMATEX f = Pcm(16, 2, 44100);
  WriteProfile("[Intl]\nsList=|\nsDecimal=#\n");
  EXPECT_EQ(engine::GetWaveFormatDescription(&f), "44#100 kHz| 16 Bit| Stereo");
  // A blank entry must not put a zero character into the text.
  WriteProfile("[Intl]\nsList=\nsDecimal=\n");
  EXPECT_EQ(engine::GetWaveFormatDescription(&f), "44#100 kHz| 16 Bit| Stereo");
}

TEST_F(MMWaveIODescription, BrokenFormatsAreDescribedNotFatal) {
  plat::SetLocaleSeparators(plat::LocaleSeparators{'.', ','});
  plat::WAVEFORMATEX f = Pcm(16, 2, 44100);
  f.nChannels = 0;
  EXPECT_EQ(engine::GetWaveFormatDescription(&f), "44.100 kHz, 0 Bit, 0 Channels");
  f = Pcm(16, 2, 0);
  EXPECT_EQ(engine::GetWaveFormatDescription(&f), "0.000 kHz, 0 Bit, Stereo");
  // A byte rate whose bit count passes 32 bits must not wrap.
  f = Pcm(16, 1, 4000);
  f.nAvgBytesPerSec = 0x80000000u;
  EXPECT_EQ(engine::GetWaveFormatDescription(&f), "4.000 kHz, 4294967 Bit, Mono");
}

TEST(MMWaveIOConvert, RoundsToNearestAndUpToWholeBlocks) {
  const plat::WAVEFORMATEX cd = Pcm(16, 2, 44100);
  EXPECT_EQ(engine::WaveBytesToTime(&cd, 176400), 1000);
  EXPECT_EQ(engine::WaveBytesToTime(&cd, 88), 0);
  EXPECT_EQ(engine::WaveBytesToTime(&cd, 89), 1);
  EXPECT_EQ(engine::WaveBytesToSamples(&cd, 176400), 44100);
  EXPECT_EQ(engine::WaveBytesToSamples(&cd, 6), 2);  // 1.5 samples rounds up
  EXPECT_EQ(engine::WaveSamplesToBytes(&cd, 3), 12);
  EXPECT_EQ(engine::WaveSamplesToTime(&cd, 44100), 1000);
  EXPECT_EQ(engine::WaveSamplesToTime(&cd, 22), 0);
  EXPECT_EQ(engine::WaveSamplesToTime(&cd, 23), 1);
  EXPECT_EQ(engine::WaveTimeToSamples(&cd, 1), 44);
  EXPECT_EQ(engine::WaveTimeToSamples(&cd, 10), 441);
  EXPECT_EQ(engine::WaveTimeToBytes(&cd, 1), 176);
  EXPECT_EQ(engine::WaveTimeToBytes(&cd, 2), 356);  // 352.8 rounds to 353, then up to a frame

  const plat::WAVEFORMATEX mono8 = Pcm(8, 1, 44100);
  EXPECT_EQ(engine::WaveTimeToBytes(&mono8, 1), 44);

  const Compressed adpcm = Adpcm();
  EXPECT_EQ(engine::WaveSamplesToBytes(&adpcm.f, 1), 256);
  EXPECT_EQ(engine::WaveSamplesToBytes(&adpcm.f, 2520), 2560);  // 2550 bytes
  EXPECT_EQ(engine::WaveSamplesToBytes(&adpcm.f, 0), 0);
}

TEST(MMWaveIOConvert, SixtyFourBitConversionsTruncate) {
  const plat::WAVEFORMATEX cd = Pcm(16, 2, 44100);
  const int64_t ten_hours = int64_t{44100} * 36000;
  EXPECT_EQ(engine::WaveSamplesToBytes64(&cd, ten_hours * 10), ten_hours * 40);
  EXPECT_EQ(engine::WaveSamplesToTime64(&cd, ten_hours * 10), int64_t{360000000});
  EXPECT_EQ(engine::WaveSamplesToTime64(&cd, 44), 0);  // 0.998 ms
  const Compressed adpcm = Adpcm();
  EXPECT_EQ(engine::WaveSamplesToBytes64(&adpcm.f, 1), 256);
}

TEST(MMWaveIOConvert, IncompleteFormatsRaiseDivisionByZero) {
  plat::WAVEFORMATEX f = Pcm(16, 2, 44100);
  f.nBlockAlign = 0;
  EXPECT_THROW(engine::WaveSamplesToBytes(&f, 3), std::domain_error);
  EXPECT_THROW(engine::WaveTimeToBytes(&f, 3), std::domain_error);
  EXPECT_THROW(engine::WaveSamplesToBytes64(&f, 3), std::domain_error);
  f = Pcm(16, 2, 0);
  EXPECT_THROW(engine::WaveSamplesToTime(&f, 3), std::domain_error);
  EXPECT_THROW(engine::WaveSamplesToTime64(&f, 3), std::domain_error);
  EXPECT_THROW(engine::WaveBytesToTime(&f, 3), std::domain_error);  // byte rate 0 too
}

}  // namespace
