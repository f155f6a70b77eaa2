#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "WaveTestSupport.h"
#include "platform/mm/WaveFileInput.h"
#include "support/TempDir.h"

using namespace plat;
using namespace wavetest;

namespace {

void Put32(std::string& s, uint32_t v) {
  for (int i = 0; i < 4; ++i) s.push_back(static_cast<char>(v >> (8 * i)));
}
void Put16(std::string& s, uint16_t v) {
  s.push_back(static_cast<char>(v));
  s.push_back(static_cast<char>(v >> 8));
}

// A RIFF WAVE image with a chunk before "fmt " that readers must skip, and
// `tail` after the data; data_size overrides the size the data chunk claims.
std::string WaveImage(const WAVEFORMATEX& f, const std::vector<char>& samples, int64_t data_size = -1,
                      const std::string& tail = "") {
  std::string body = "WAVE";
  body += "junk";
  Put32(body, 3);
  body += "abc";
  body.push_back(0);  // pad byte of the odd chunk
  body += "fmt ";
  Put32(body, 16);
  Put16(body, f.wFormatTag);
  Put16(body, f.nChannels);
  Put32(body, f.nSamplesPerSec);
  Put32(body, f.nAvgBytesPerSec);
  Put16(body, f.nBlockAlign);
  Put16(body, f.wBitsPerSample);
  body += "data";
  Put32(body, static_cast<uint32_t>(data_size >= 0 ? data_size : static_cast<int64_t>(samples.size())));
  body.append(samples.begin(), samples.end());
  if (samples.size() & 1) body.push_back(0);
  body += tail;
  std::string file = "RIFF";
  Put32(file, static_cast<uint32_t>(body.size()));
  return file + body;
}

class WaveFileInput : public WaveFixture {
 protected:
  void SetUp() override {
    WaveFixture::SetUp();
    // CTest runs each case in its own process at once: the file lives in a
    // folder of this test alone.
    path_ = dir_.File("input.wav");
  }
  void TearDown() override {
    wavedev::SetFileInputPath("");
    std::remove(path_.c_str());
    WaveFixture::TearDown();
  }
  void Write(const std::string& image) { std::ofstream(path_, std::ios::binary) << image; }
  testsupport::TempDir dir_;
  ScopedManualClock clock_;
  std::string path_;
};

TEST_F(WaveFileInput, CapturesTheFileOverAndOver) {
  // 30 ms of file, captured into 100 ms: the file repeats.
  std::vector<char> samples(5292);
  FillPattern(samples, 3);
  Write(WaveImage(kCd, samples));
  wavedev::SetFileInputPath(path_);
  Recorder rec;
  HWAVEIN in = OpenIn("File Input", rec);
  Buffer b(17640);
  AddIn(in, b);
  ASSERT_EQ(waveInStart(in), MMSYSERR_NOERROR);
  clock::AdvanceMs(100);
  ASSERT_TRUE(b.header.dwFlags & WHDR_DONE);
  for (size_t pass = 0; pass < 3; ++pass)
    EXPECT_EQ(std::memcmp(b.data.data() + pass * samples.size(), samples.data(), samples.size()), 0) << pass;
  EXPECT_EQ(std::memcmp(b.data.data() + 3 * samples.size(), samples.data(), 17640 - 3 * samples.size()), 0);
  EXPECT_EQ(waveInClose(in), MMSYSERR_NOERROR);
}

TEST_F(WaveFileInput, ConvertsTheFileToTheFormatAsked) {
  // 8-bit mono at 22050 Hz heard as 16-bit stereo at 44100 Hz.
  std::vector<char> samples = {char(0x80), char(0xC0), char(0x40), char(0xFF)};
  Write(WaveImage(Pcm(22050, 8, 1), samples));
  wavedev::SetFileInputPath(path_);
  Recorder rec;
  HWAVEIN in = OpenIn("File Input", rec);
  Buffer b(32);  // 8 frames
  AddIn(in, b);
  ASSERT_EQ(waveInStart(in), MMSYSERR_NOERROR);
  clock::AdvanceMs(1);
  ASSERT_TRUE(b.header.dwFlags & WHDR_DONE);
  int16_t frames[16];
  std::memcpy(frames, b.data.data(), sizeof(frames));
  const int16_t expected[8] = {0, 0, 0x4000, 0x4000, -0x4000, -0x4000, 0x7F00, 0x7F00};
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(frames[2 * i], expected[i]) << i;
    EXPECT_EQ(frames[2 * i + 1], expected[i]) << i;
  }
  EXPECT_EQ(waveInClose(in), MMSYSERR_NOERROR);
}

// The samples are the data chunk's own size, as the engine's wave reader has
// them: no pad byte, no trailing chunk; a size never written is recovered.
TEST_F(WaveFileInput, DataEndsWhereItsChunkSays) {
  std::vector<char> odd(41), even(40);
  FillPattern(odd, 5);
  FillPattern(even, 9);
  std::string truncated = "LIST";
  Put32(truncated, 200);  // far more than follows
  truncated += "INFOabcdef";
  const WAVEFORMATEX mono8 = Pcm(8000, 8, 1);
  const struct {
    const char* what;
    std::string image;
    const std::vector<char>& samples;
  } cases[] = {
      {"a pad byte after odd-sized data", WaveImage(mono8, odd), odd},
      {"a trailing truncated chunk", WaveImage(mono8, even, -1, truncated), even},
      {"data size 0, recovered", WaveImage(mono8, even, 0), even},
      {"data size past the end, recovered", WaveImage(mono8, even, 100000), even},
  };
  for (const auto& c : cases) {
    Write(c.image);
    WAVEFORMATEX f;
    std::vector<BYTE> data;
    ASSERT_TRUE(wave::ReadWaveFile(path_, &f, &data)) << c.what;
    EXPECT_EQ(std::vector<char>(data.begin(), data.end()), c.samples) << c.what;
  }
}

TEST_F(WaveFileInput, BadOrMissingFilesDoNotOpen) {
  struct Case {
    const char* what;
    std::string image;
  };
  std::vector<char> samples(16);
  std::string truncated = WaveImage(kCd, samples);
  truncated.resize(20);
  WAVEFORMATEX adpcm = kCd;
  adpcm.wFormatTag = WAVE_FORMAT_ADPCM;
  const Case cases[] = {
      {"empty", ""},
      {"not riff", "RIFX0000WAVE"},
      {"cut in the format", truncated},
      {"not pcm", WaveImage(adpcm, samples)},
      {"24 bits", WaveImage(Pcm(44100, 24, 2), std::vector<char>(12))},
  };
  for (const Case& c : cases) {
    Write(c.image);
    WAVEFORMATEX f;
    std::vector<BYTE> data;
    EXPECT_FALSE(wave::ReadWaveFile(path_, &f, &data)) << c.what;
    wavedev::SetFileInputPath(path_);
    HWAVEIN in = nullptr;
    EXPECT_EQ(waveInOpen(&in, InId("File Input"), &kCd, 0, 0, CALLBACK_NULL), MMSYSERR_NOTENABLED) << c.what;
  }
  wavedev::SetFileInputPath(path_ + ".missing");
  HWAVEIN in = nullptr;
  EXPECT_EQ(waveInOpen(&in, InId("File Input"), &kCd, 0, 0, CALLBACK_NULL), MMSYSERR_NOTENABLED);
}

}  // namespace
