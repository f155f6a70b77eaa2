// MPEG audio through the decoder module: stream information, positions in
// frames, channel modes, ID3v1 tags, what is refused as MPEG, the looping
// player class and the loader's failure paths. Every stream is encoded by
// the test itself.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "engine/MMWaveHdr.h"
#include "files/MMMPEG.h"
#include "platform/vcl/Application.h"
#include "support/TempDir.h"
#include "tests/files/MpegFixtures.h"
#include "tests/files/WaveFixtures.h"

namespace filestest {

using namespace files;

namespace {

// All decoded bytes of an opened decoder, read in pieces of `chunk`.
std::vector<int16_t> DecodeAll(TMMMpeg& mpeg, int32_t chunk = 10000) {
  std::vector<int16_t> out;
  std::vector<int16_t> buffer(static_cast<size_t>(chunk / 2));
  for (;;) {
    const int32_t n = mpeg.ReadData(buffer.data(), chunk);
    out.insert(out.end(), buffer.begin(), buffer.begin() + n / 2);
    if (n < chunk) break;
  }
  return out;
}

// The tone's frequency from the upward zero crossings of one channel over
// half a second, past the encoder's delay and before its padding.
double ToneHz(const std::vector<int16_t>& pcm, int channels, int channel, int rate) {
  int crossings = 0;
  size_t first = 0, last = 0;
  const size_t end =
      std::min(pcm.size(), static_cast<size_t>(channels) * (2000 + static_cast<size_t>(rate) / 2));
  for (size_t i = static_cast<size_t>(channel) + static_cast<size_t>(channels) * 2000; i + channels < end;
       i += static_cast<size_t>(channels)) {
    if (pcm[i] < 0 && pcm[i + static_cast<size_t>(channels)] >= 0) {
      if (crossings == 0) first = i;
      last = i;
      ++crossings;
    }
  }
  if (crossings < 2) return 0;
  return (crossings - 1) * static_cast<double>(rate) / (static_cast<double>(last - first) / channels);
}

double Rms(const std::vector<int16_t>& pcm, int channels, int channel) {
  double sum = 0;
  size_t n = 0;
  for (size_t i = static_cast<size_t>(channel); i < pcm.size(); i += static_cast<size_t>(channels), ++n)
    sum += static_cast<double>(pcm[i]) * pcm[i];
  return n ? std::sqrt(sum / static_cast<double>(n)) : 0;
}

class MpegFile : public ::testing::Test {
 protected:
  std::string Make(const std::string& name, const std::vector<uint8_t>& bytes) {
    const std::string path = dir_.File(name);
    WriteBytes(path, bytes);
    return path;
  }
  testsupport::TempDir dir_;
};

}  // namespace

TEST_F(MpegFile, StreamInformationAndDecodedLengthPerFormat) {
  struct Case {
    int rate, channels, kbps;
    TMpegVersion version;
    TSampleMode mode;
    int spf;  // samples per frame
    int32_t frame_bytes;
  };
  const Case cases[] = {
      {44100, 2, 128, v1, smJointStereo, 1152, 4608},
      {48000, 2, 160, v1, smJointStereo, 1152, 4608},
      {44100, 1, 64, v1, smSingleChannel, 1152, 2304},
      {22050, 2, 64, v2LSF, smJointStereo, 576, 2304},  // MPEG-2 reports MPEG-2
      {16000, 1, 32, v2LSF, smSingleChannel, 576, 1152},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.rate);
    Mp3Spec spec;
    spec.rate = c.rate;
    spec.channels = c.channels;
    spec.kbps = c.kbps;
    const std::string path = Make("tone.mp3", EncodeMp3(spec));
    TMMMpeg mpeg;
    mpeg.SetFileName(path);
    EXPECT_EQ(mpeg.FileName(), path);
    EXPECT_EQ(mpeg.Version(), c.version);
    EXPECT_EQ(mpeg.Layer(), 3);
    EXPECT_EQ(mpeg.Mode(), c.mode);
    EXPECT_EQ(mpeg.SampleRate(), c.rate);
    EXPECT_EQ(mpeg.BitRate(), c.kbps);
    EXPECT_NEAR(mpeg.FrameTime(), 1000.0 * c.spf / c.rate, 1e-6);
    EXPECT_EQ(mpeg.FrameBytes(), c.frame_bytes);
    // The input with the encoder's and the decoder's delay (576 + 529
    // samples) in whole frames; the info frame is not counted.
    const int frames = (c.rate + 1105 + c.spf - 1) / c.spf;
    EXPECT_EQ(mpeg.Frames(), frames);
    EXPECT_NEAR(mpeg.Time(), frames * mpeg.FrameTime(), 1.0);
    ASSERT_NE(mpeg.PCMFormat(), nullptr);
    EXPECT_EQ(mpeg.PCMFormat()->nChannels, c.channels);
    EXPECT_EQ(static_cast<int>(mpeg.PCMFormat()->nSamplesPerSec), c.rate);

    mpeg.Open();
    const std::vector<int16_t> pcm = DecodeAll(mpeg);
    EXPECT_TRUE(mpeg.Done());
    EXPECT_EQ(pcm.size(), static_cast<size_t>(frames * c.spf * c.channels));
    EXPECT_NEAR(ToneHz(pcm, c.channels, 0, c.rate), 1000.0, 2.0);
  }
}

TEST_F(MpegFile, AnEmptyDecoderReportsNothing) {
  TMMMpeg mpeg;
  EXPECT_TRUE(mpeg.IsEmpty());
  EXPECT_EQ(mpeg.Version(), v1);
  EXPECT_EQ(mpeg.Layer(), 0);
  EXPECT_EQ(mpeg.FrameBytes(), 0);
  EXPECT_EQ(mpeg.PCMFormat(), nullptr);
  EXPECT_EQ(mpeg.Time(), 0);
  TMMTagInfo tag;
  EXPECT_FALSE(mpeg.ReadTagInfo(tag));
  mpeg.SetExactposition(true);
  EXPECT_TRUE(mpeg.Exactposition());
}

TEST_F(MpegFile, PositionsCountWholeFramesAndSeekingLandsOnTheFrame) {
  const std::string path = Make("tone.mp3", EncodeMp3({}));
  TMMMpeg mpeg;
  mpeg.SetFileName(path);
  mpeg.Open();
  const std::vector<int16_t> whole = DecodeAll(mpeg);
  ASSERT_EQ(whole.size(), 40u * 1152 * 2);

  mpeg.SetPosition(10);
  EXPECT_EQ(mpeg.GetPosition(), 10);
  std::vector<int16_t> frame(2304);
  ASSERT_EQ(mpeg.ReadData(frame.data(), 4608), 4608);
  EXPECT_EQ(mpeg.GetPosition(), 11);
  // The decoded frame matches frame 10 of the straight run (the reservoir was rebuilt).
  double diff = 0;
  for (size_t i = 0; i < frame.size(); ++i)
    diff = std::max(diff, std::abs(double(frame[i]) - whole[10 * 2304 + i]));
  EXPECT_LE(diff, 2.0);

  mpeg.SetPosition(1);
  EXPECT_EQ(mpeg.GetPosition(), 1);
  mpeg.SetTimePosition(261);  // 10 frames of 26.122 ms
  EXPECT_EQ(mpeg.GetPosition(), 10);
  EXPECT_EQ(mpeg.GetTimePosition(), 261);
  mpeg.Reset();
  EXPECT_EQ(mpeg.GetPosition(), 0);

  // Closed, a position waits for the next open.
  mpeg.Close();
  mpeg.SetPosition(30);
  mpeg.Open();
  EXPECT_EQ(mpeg.GetPosition(), 30);
  EXPECT_EQ(DecodeAll(mpeg).size(), 10u * 2304);
}

TEST_F(MpegFile, TheNameComesBackAsGivenHoweverLong) {
  const std::string folder = dir_.File(std::string(150, 'f'));
  std::filesystem::create_directories(folder + "/" + std::string(150, 'g'));
  const std::string path = folder + "/" + std::string(150, 'g') + "/Tone.mp3";
  WriteBytes(path, EncodeMp3({}));
  TMMMpeg mpeg;
  mpeg.SetFileName(path);
  EXPECT_EQ(mpeg.FileName(), path);
  // A name in another letter case or with backslashes finds the file and stays as written.
  std::string other = folder + "\\" + std::string(150, 'g') + "\\tone.MP3";
  mpeg.SetFileName(other);
  EXPECT_EQ(mpeg.FileName(), other);
  EXPECT_EQ(mpeg.Frames(), 40);
}

TEST_F(MpegFile, ChannelModesPickOneChannelOrTheMix) {
  Mp3Spec spec;
  spec.mode = STEREO;
  spec.right_hz = 0;  // left: the tone, right: silence
  const std::string path = Make("left.mp3", EncodeMp3(spec));
  TMMMpeg mpeg;
  mpeg.SetFileName(path);
  mpeg.Open();
  const std::vector<int16_t> both = DecodeAll(mpeg);
  EXPECT_THROW(mpeg.SetChannelMode(cmLeft), EMMMpegError);  // not while decoding
  mpeg.Close();

  struct Case {
    TChannelMode mode;
    double rms_ratio;  // against the left channel
  };
  const double left_rms = Rms(both, 2, 0);
  ASSERT_GT(left_rms, 5000);
  for (const Case c : {Case{cmLeft, 1.0}, Case{cmRight, 0.0}, Case{cmDownMix, 0.5}}) {
    SCOPED_TRACE(c.mode);
    mpeg.SetChannelMode(c.mode);
    EXPECT_EQ(mpeg.ChannelMode(), c.mode);
    ASSERT_EQ(mpeg.PCMFormat()->nChannels, 1);
    EXPECT_EQ(mpeg.FrameBytes(), 2304);
    mpeg.SetPosition(0);
    mpeg.Open();
    const std::vector<int16_t> mono = DecodeAll(mpeg);
    mpeg.Close();
    ASSERT_EQ(mono.size() * 2, both.size());
    EXPECT_NEAR(Rms(mono, 1, 0) / left_rms, c.rms_ratio, 0.02);
    if (c.mode == cmLeft) {
      for (size_t i = 0; i < mono.size(); i += 97) ASSERT_NEAR(mono[i], both[2 * i], 1) << i;
    }
  }
  mpeg.SetChannelMode(cmBoth);
  EXPECT_EQ(mpeg.PCMFormat()->nChannels, 2);
}

TEST_F(MpegFile, Id3v1TagsAreReadAsWritten) {
  struct Case {
    Id3Fields fields;
    TMMTagInfo want;
  };
  std::string title_with_nul = "Title";
  title_with_nul += '\0';
  title_with_nul += "junk";
  const Case cases[] = {
      {{title_with_nul, "  Artist  ", "Album", "2024", "Comment", 7, 17},
       {"Title", "Artist", "Album", "2024", "Comment", 7 << 8, 17, "Rock", 0}},
      {{"Caf\xE9", "A", "B", "1999", "A comment that fills thirty!!", -1, 126},
       {"Caf\xC3\xA9", "A", "B", "1999", "A comment that fills thirty!", 0, 126, "", 0}},
      {{"x", "", "", "", "", 1, 84}, {"x", "", "", "", "", 1 << 8, 84, "Fusion", 0}},
  };
  const std::vector<uint8_t> mp3 = EncodeMp3({});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.want.Title);
    std::vector<uint8_t> bytes = mp3;
    const std::vector<uint8_t> tag = Id3v1(c.fields);
    bytes.insert(bytes.end(), tag.begin(), tag.end());
    const std::string path = Make("tagged.mp3", bytes);
    TMMMpeg mpeg;
    mpeg.SetFileName(path);
    EXPECT_EQ(std::memcmp(mpeg.Info().Tag, tag.data(), 128), 0);  // the image byte for byte
    EXPECT_EQ(mpeg.Frames(), 40);                                 // the tag is no frame
    TMMTagInfo got;
    ASSERT_TRUE(mpeg.ReadTagInfo(got));
    TMMFileInfo info;
    ASSERT_TRUE(TMMMPEGFile::GetFileInfo(path, info, false, 0, nullptr, nullptr));
    for (const TMMTagInfo* t : {&got, &info.Tag}) {
      EXPECT_EQ(t->Title, c.want.Title);
      EXPECT_EQ(t->Artist, c.want.Artist);
      EXPECT_EQ(t->Album, c.want.Album);
      EXPECT_EQ(t->Year, c.want.Year);
      EXPECT_EQ(t->Comment, c.want.Comment);
      EXPECT_EQ(t->Track, c.want.Track);
      EXPECT_EQ(t->Genre, c.want.Genre);
      EXPECT_EQ(t->GenreName, c.want.GenreName);
    }
    EXPECT_EQ(info.FileType, ftMpeg);
    EXPECT_EQ(info.Layer, 3);
    EXPECT_EQ(info.BitRate, 128);
    mpeg.Open();
    EXPECT_EQ(DecodeAll(mpeg).size(), 40u * 2304);
  }
  EXPECT_EQ(MpegGenreName(0), "Blues");
  EXPECT_EQ(MpegGenreName(125), "Dance Hall");
  EXPECT_EQ(MpegGenreName(126), "");
}

TEST_F(MpegFile, AVariableRateWithoutInfoFrameIsScannedUnlessAScanFileExists) {
  Mp3Spec spec;
  spec.vbr = true;
  spec.info_tag = false;
  spec.seconds = 3;
  spec.right_hz = 3000;
  const std::string path = Make("vbr.mp3", EncodeMp3(spec));
  TMMMpeg mpeg;
  mpeg.SetFileName(path);
  EXPECT_EQ(mpeg.BitRate(), 0);  // not known before a scan
  mpeg.Open();
  const int32_t decoded_frames = static_cast<int32_t>(DecodeAll(mpeg).size() / 2304);
  mpeg.Close();

  struct Case {
    bool scan, scn_file;
    bool scanned;
  };
  for (const Case c : {Case{false, false, false}, Case{true, false, true}, Case{true, true, false}}) {
    SCOPED_TRACE(testing::Message() << c.scan << c.scn_file);
    if (c.scn_file) WriteBytes(dir_.File("vbr.scn"), {1});
    TMpegInfoRecord info{};
    ASSERT_TRUE(GetMpegFileInfo(path, info, c.scan, 0, nullptr, nullptr));
    const int32_t bit_rate = info.BitRate, frames = info.Frames;
    if (c.scanned) {
      EXPECT_GT(bit_rate, 8);
      EXPECT_EQ(frames, decoded_frames);
    } else {
      EXPECT_EQ(bit_rate, 0);
    }
  }
  mpeg.ScanFile();
  EXPECT_EQ(mpeg.Frames(), decoded_frames);
  EXPECT_GT(mpeg.BitRate(), 8);
}

TEST_F(MpegFile, MpegInsideRiffIsDecodedFromTheDataChunkOnly) {
  const std::vector<uint8_t> mp3 = EncodeMp3({});
  const std::string path = Make("wrapped.wav", WrapInRiff(mp3, 44100, 2));
  EXPECT_TRUE(IsMpegFile(path));
  EXPECT_FALSE(TMMMPEGFile::CanOpenFile(path, nullptr, nullptr, 0));  // .wav is not an MPEG extension
  const std::string no_ext = Make("wrapped", WrapInRiff(mp3, 44100, 2));
  EXPECT_TRUE(TMMMPEGFile::CanOpenFile(no_ext, nullptr, nullptr, 0));
  TMpegInfoRecord info{};
  ASSERT_TRUE(GetMpegFileInfo(path, info, true, 0, nullptr, nullptr));
  EXPECT_EQ(int32_t{info.Frames}, 40);
  TMMMpeg mpeg;
  mpeg.SetFileName(path);
  mpeg.Open();
  EXPECT_EQ(DecodeAll(mpeg).size(), 40u * 2304);
}

TEST_F(MpegFile, InputsThatAreNotMpegAreRefused) {
  const std::vector<uint8_t> mp3 = EncodeMp3({});
  const plat::WAVEFORMATEX pcm = Pcm(16, 2, 44100);
  const Bytes tone = Tone(pcm, 44100);
  std::vector<uint8_t> two_frames_cut(mp3.begin(), mp3.begin() + 417 * 2 + 100);
  std::vector<uint8_t> junk_then_mp3(3000, 0x55);
  junk_then_mp3.insert(junk_then_mp3.end(), mp3.begin(), mp3.end());
  // A single frame header in front of PCM.
  std::vector<uint8_t> header_then_pcm(mp3.begin(), mp3.begin() + 4);
  header_then_pcm.insert(header_then_pcm.end(), tone.begin(), tone.end());

  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
    bool wave = false;
  };
  const Case cases[] = {
      {"raw.mp3", tone},
      {"wave.mp3", {}, true},
      {"cut.mp3", two_frames_cut},
      {"junk.mp3", junk_then_mp3},
      {"header.mp3", header_then_pcm},
      {"text.mp3", std::vector<uint8_t>{'h', 'e', 'l', 'l', 'o', '\n'}},
      {"empty.mp3", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = dir_.File(c.name);
    if (c.wave) {
      WriteWave(path, pcm, tone);
    } else {
      WriteBytes(path, c.bytes);
    }
    EXPECT_FALSE(IsMpegFile(path));
    EXPECT_FALSE(TMMMPEGFile::CanOpenFile(path, nullptr, nullptr, 0));
    TMMFileInfo info;
    EXPECT_FALSE(TMMMPEGFile::GetFileInfo(path, info, true, 0, nullptr, nullptr));
    TMMMpeg mpeg;
    EXPECT_THROW(mpeg.SetFileName(path), EMMMpegError);
    EXPECT_TRUE(mpeg.IsEmpty());
  }
  EXPECT_FALSE(IsMpegFile(dir_.File("missing.mp3")));
  EXPECT_FALSE(IsMpegFile(""));
  EXPECT_FALSE(TMMMPEGFile::CanOpenFile(Make("track.mp4", mp3), nullptr, nullptr, 0));

  // The same stream after an ID3v2 tag is taken.
  std::vector<uint8_t> id3v2 = {'I', 'D', '3', 3, 0, 0, 0, 0, 1, 0};  // 128 bytes of tag
  id3v2.resize(10 + 128, 0);
  id3v2.insert(id3v2.end(), mp3.begin(), mp3.end());
  EXPECT_TRUE(IsMpegFile(Make("id3v2.mp3", id3v2)));
}

TEST_F(MpegFile, AFormatChangeInsideTheStreamNeverChangesTheOutput) {
  Mp3Spec other;
  other.rate = 48000;
  other.channels = 1;
  std::vector<uint8_t> bytes = EncodeMp3({});
  const std::vector<uint8_t> second = EncodeMp3(other);
  bytes.insert(bytes.end(), second.begin(), second.end());
  TMMMpeg mpeg;
  mpeg.SetFileName(Make("joined.mp3", bytes));
  mpeg.Open();
  const std::vector<int16_t> pcm = DecodeAll(mpeg);
  EXPECT_TRUE(mpeg.Done());
  EXPECT_EQ(mpeg.PCMFormat()->nSamplesPerSec, 44100u);
  EXPECT_EQ(mpeg.PCMFormat()->nChannels, 2);
  // The first stream whole; whatever follows comes at the first stream's rate.
  ASSERT_GE(pcm.size(), 40u * 2304);
  EXPECT_NEAR(ToneHz(std::vector<int16_t>(pcm.begin(), pcm.begin() + 40 * 2304), 2, 0, 44100), 1000.0, 2.0);
}

TEST_F(MpegFile, ThePlayerClassLoopsAlsoWhenTheEndFallsOnABufferBoundary) {
  const std::string path = Make("tone.mp3", EncodeMp3({}));
  TMMMPEGFile file(nullptr);
  int changes = 0;
  file.OnChange = [&](vcl::TObject*) { ++changes; };
  file.SetFileName(path);
  EXPECT_GT(changes, 0);
  ASSERT_NE(file.GetFormat(), nullptr);
  EXPECT_EQ(file.GetFormat()->nChannels, 2);
  EXPECT_EQ(file.GetBlockSize(), 4608);
  EXPECT_EQ(file.GetChannels(), 2);
  file.Opened();
  file.Started();

  // 40 frames are exactly 5 buffers; one repeat plays them twice.
  std::vector<char> data(4608 * 8);
  engine::TMMWaveHdr hdr{};
  hdr.lpData = data.data();
  hdr.dwBufferLength = static_cast<plat::DWORD>(data.size());
  hdr.Looping = -1;
  hdr.LoopCount = 1;
  hdr.LoopsLeft = 1;
  int64_t total = 0;
  int loops = 0;
  for (int i = 0; i < 100; ++i) {
    bool more = false;
    hdr.LoopMark = 0;
    file.BufferLoad(&hdr, more);
    total += hdr.dwBytesRecorded;
    if (hdr.LoopMark == -1) ++loops;
    if (!more) break;
  }
  EXPECT_EQ(loops, 1);
  EXPECT_EQ(total, 2 * 40 * 4608);

  // Disabled, the file gives silence and keeps its place.
  file.SetPosition(5);
  file.SetEnabled(false);
  bool more = false;
  file.BufferLoad(&hdr, more);
  EXPECT_TRUE(more);
  EXPECT_EQ(hdr.dwBytesRecorded, hdr.dwBufferLength);
  EXPECT_EQ(file.GetPosition(), 5);
  file.Closed();
}

TEST(MpegLoader, FailuresShowTheErrorAndRaiseOnConstruction) {
  std::vector<std::string> boxes;
  vcl::SetMessageBoxSink([&](const std::string& text, const std::string&, unsigned) {
    boxes.push_back(text);
    return 1;
  });
  struct Case {
    const char* module;
    const char* box;
  };
  const Case cases[] = {
      {"NO_SUCH_MPEG.DLL", "Unable to load NO_SUCH_MPEG.DLL"},
      {"MMMPEG32_NOENTRY.DLL", "Invalid Mpeg Decoder DLL version"},
      {"MMMPEG32_V24.DLL", "Invalid Mpeg Decoder DLL version"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.module);
    SetMpegDecoderModule(c.module);
    boxes.clear();
    EXPECT_FALSE(LoadMpegDecoder());
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].rfind(c.box, 0), 0u) << boxes[0];
    // Each later use tries again.
    try {
      TMMMpeg mpeg;
      ADD_FAILURE() << "constructed without a decoder";
    } catch (const EMMMpegError& e) {
      EXPECT_EQ(e.Message(), engine::LoadLibraryMessage(40) + " " + c.module);
    }
    EXPECT_EQ(boxes.size(), 2u);
    EXPECT_FALSE(IsMpegFile("/"));
  }
  boxes.clear();
  SetMpegDecoderModule("MMMPEG32.DLL");
  EXPECT_TRUE(LoadMpegDecoder());
  EXPECT_TRUE(boxes.empty());
  vcl::SetMessageBoxSink(nullptr);
}

}  // namespace filestest
