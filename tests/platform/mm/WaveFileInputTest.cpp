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

// A RIFF WAVE image with a chunk before "fmt " that readers must skip.
std::string WaveImage(const WAVEFORMATEX& f, const std::vector<char>& samples) {
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
  Put32(body, static_cast<uint32_t>(samples.size()));
  body.append(samples.begin(), samples.end());
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
