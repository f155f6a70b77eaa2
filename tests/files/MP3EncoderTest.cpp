// The MP3 encoder: its configuration record and RIFF format, tones encoded
// plain and in RIFF at several rates and presets and read back with the MPEG
// decoding library and through the program's MPEG decoder, the info tag over the first frame only, and the
// ways opening can fail without touching the target.
#include <gtest/gtest.h>
#include <mpg123.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "WaveFixtures.h"
#include "engine/MMPeak.h"
#include "engine/MMUtils.h"
#include "files/FileUnits.h"
#include "files/LameEnc.h"
#include "files/MMLame.h"
#include "files/MMMPEG.h"
#include "files/MMWave.h"
#include "platform/kernel/Resources.h"
#include "platform/vcl/TypInfo.h"
#include "resources/ProgramResources.h"
#include "support/TempDir.h"

namespace filestest {

// Above the encoder: hands down its format.
class TEncFeed : public engine::TMMDSPComponent {
  VCL_DECLARE_CLASS(TEncFeed, engine::TMMDSPComponent)
 public:
  explicit TEncFeed(vcl::TComponent* owner) : engine::TMMDSPComponent(owner) {}
};
VCL_IMPLEMENT_CLASS(TEncFeed, engine::DSPOutputProp())

namespace {

using files::TMMMP3Encoder;

struct Decoded {
  long rate = 0;
  int channels = 0;
  size_t frames = 0;  // sample frames
  std::vector<int16_t> pcm;
};

// What the decoding library makes of a plain MP3 image.
Decoded Decode(const Bytes& mp3, bool gapless, const std::string& scratch) {
  {
    std::ofstream out(scratch, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(mp3.data()), static_cast<std::streamsize>(mp3.size()));
  }
  Decoded d;
  int err = 0;
  mpg123_handle* h = mpg123_new(nullptr, &err);
  EXPECT_NE(h, nullptr);
  if (!h) return d;
  mpg123_param(h, MPG123_ADD_FLAGS, MPG123_QUIET, 0);
  mpg123_param(h, gapless ? MPG123_ADD_FLAGS : MPG123_REMOVE_FLAGS, MPG123_GAPLESS, 0);
  mpg123_format_none(h);
  for (long rate : {8000L, 11025L, 12000L, 16000L, 22050L, 24000L, 32000L, 44100L, 48000L})
    mpg123_format(h, rate, MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
  EXPECT_EQ(mpg123_open(h, scratch.c_str()), MPG123_OK);
  int encoding = 0;
  EXPECT_EQ(mpg123_getformat(h, &d.rate, &d.channels, &encoding), MPG123_OK);
  unsigned char buffer[16384];
  size_t got = 0;
  int result = MPG123_OK;
  do {
    result = mpg123_read(h, buffer, sizeof buffer, &got);
    const auto* s = reinterpret_cast<const int16_t*>(buffer);
    d.pcm.insert(d.pcm.end(), s, s + got / 2);
  } while (result == MPG123_OK || result == MPG123_NEW_FORMAT);
  EXPECT_EQ(result, MPG123_DONE);
  mpg123_close(h);
  mpg123_delete(h);
  if (d.channels) d.frames = d.pcm.size() / static_cast<size_t>(d.channels);
  return d;
}

// The tone's frequency from the upward zero crossings of the first channel,
// away from the ends.
double ToneFrequency(const Decoded& d) {
  const size_t from = d.frames / 4, to = d.frames * 3 / 4;
  int crossings = 0;
  size_t first = 0, last = 0;
  for (size_t i = from + 1; i < to; ++i) {
    const int16_t a = d.pcm[(i - 1) * d.channels], b = d.pcm[i * d.channels];
    if (a < 0 && b >= 0) {
      if (crossings++ == 0) first = i;
      last = i;
    }
  }
  return crossings > 1 ? (crossings - 1) * static_cast<double>(d.rate) / static_cast<double>(last - first)
                       : 0;
}

uint32_t Le32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24; }

struct EncodeCase {
  const char* name;
  files::TMMFileType type;
  int rate, channels, bitrate;
  files::TMMPreset preset;
  bool vbr;  // VBREnabled
  uint32_t piece;
  // The tag of a constant or a variable bit rate; none where its frame would
  // be too small for it (low bit rates).
  const char* tag = "Info";
};

class MP3EncoderTest : public ::testing::Test {
 protected:
  void SetUp() override { plat::RegisterResourceTable(nullptr, ProgramResourceTable()); }
  void TearDown() override {
    files::SetLameEncoderModuleName("LAME_ENC.DLL");
    plat::UnregisterResourceTable(nullptr, ProgramResourceTable());
  }

  void Link(TMMMP3Encoder& enc, const plat::WAVEFORMATEX& f) {
    feed_.SetFormat(&f);
    enc.SetInput(&feed_);
  }
  // Opens, pushes `data` in pieces of `piece` bytes, stops and closes.
  static void Encode(TMMMP3Encoder& enc, const Bytes& data, uint32_t piece) {
    enc.Opened();
    enc.Started();
    TestHeader hdr(piece);
    for (size_t at = 0; at < data.size(); at += piece) {
      const auto n = static_cast<uint32_t>(std::min<size_t>(piece, data.size() - at));
      hdr.Fill(data.data() + at, n);
      enc.BufferReady(hdr.hdr());
    }
    enc.Stopped();
    enc.Closed();
  }

  // One second of the tone encoded as the case says; the file's name.
  std::string EncodeTone(const EncodeCase& c, size_t* event_bytes = nullptr) {
    const plat::WAVEFORMATEX f = Pcm(16, c.channels, c.rate);
    const std::string name = dir_.File(c.type == files::ftWAV ? "tone.wav" : "tone.mp3");
    TMMMP3Encoder enc(nullptr);
    Link(enc, f);
    enc.SetFileName(name);
    enc.SetFileType(c.type);
    enc.SetBitrate(c.bitrate);
    enc.SetPreset(c.preset);
    enc.SetVBREnabled(c.vbr);
    if (event_bytes)
      enc.OnBufferReady = [=](vcl::TObject*, plat::WAVEHDR* h) { *event_bytes += h->dwBytesRecorded; };
    Encode(enc, Tone(f, c.rate), c.piece);
    return name;
  }

  testsupport::TempDir dir_;
  TEncFeed feed_{nullptr};
};

struct ConfigCase {
  const char* name;
  int channels;
  void (*setup)(TMMMP3Encoder&);
  std::vector<std::pair<size_t, int32_t>> fields;  // offset, 32-bit value
};

TEST_F(MP3EncoderTest, ConfigurationRecordCarriesThePropertiesAtTheirOffsets) {
  const ConfigCase cases[] = {
      {"defaults",
       2,
       [](TMMMP3Encoder&) {},
       {{0, 256},
        {4, 1},
        {8, 331},
        {12, 44100},
        {16, 0},
        {20, 0},
        {24, 160},
        {28, 320},
        {32, -1},
        {36, 1},
        {64, -1},
        {68, 0},
        {72, 5},
        {76, 0},
        {80, 0}}},
      {"auto at 128 is joint stereo", 2, [](TMMMP3Encoder& e) { e.SetBitrate(128); }, {{20, 1}, {24, 128}}},
      {"mono chosen for stereo stays stereo",
       2,
       [](TMMMP3Encoder& e) { e.SetChannelMode(files::cmMono); },
       {{20, 0}}},
      {"mono input", 1, [](TMMMP3Encoder& e) { e.SetChannelMode(files::cmDualChannel); }, {{20, 3}}},
      {"dual channel", 2, [](TMMMP3Encoder& e) { e.SetChannelMode(files::cmDualChannel); }, {{20, 2}}},
      {"flags",
       2,
       [](TMMMP3Encoder& e) {
         e.SetPrivat(true);
         e.SetCRC(true);
         e.SetCopyright(true);
         e.SetOriginal(true);
         e.SetWriteVBRHeader(false);
         e.SetVBREnabled(true);
         e.SetNoBitRes(true);
         e.SetStrictISO(true);
       },
       {{48, -1}, {52, -1}, {56, -1}, {60, -1}, {64, 0}, {68, -1}, {84, -1}, {88, -1}}},
      {"phone preset, version 2.5",
       2,
       [](TMMMP3Encoder& e) {
         e.SetPreset(files::prPhone);
         e.SetMpegVersion(files::TMMMpegVersion::v25);
       },
       {{32, 1000}, {36, 2}, {76, 0}}},
      {"ABR preset averages the bit rate",
       2,
       [](TMMMP3Encoder& e) {
         e.SetPreset(files::prABR);
         e.SetBitrate(96);
       },
       {{32, 11}, {76, 96}}},
      {"ABR method", 2, [](TMMMP3Encoder& e) { e.SetVBRMethod(files::vbrABR); }, {{76, 160}, {80, 4}}},
      {"no VBR method, version 2",
       2,
       [](TMMMP3Encoder& e) {
         e.SetVBRMethod(files::vbrNone);
         e.SetMpegVersion(files::TMMMpegVersion::v2);
       },
       {{80, -1}, {36, 0}}},
  };
  for (const ConfigCase& c : cases) {
    SCOPED_TRACE(c.name);
    TMMMP3Encoder enc(nullptr);
    enc.SetQuality(7);
    c.setup(enc);
    const files::TBEConfig config = enc.BuildConfig(Pcm(16, c.channels, 44100));
    uint8_t bytes[sizeof config];
    std::memcpy(bytes, &config, sizeof config);
    for (const auto& [offset, value] : c.fields)
      EXPECT_EQ(static_cast<int32_t>(Le32(bytes + offset)), value) << offset;
    EXPECT_EQ(bytes[92] | bytes[93] << 8, 7);
    for (size_t i = 94; i < sizeof bytes; ++i) ASSERT_EQ(bytes[i], 0) << i;
  }
}

TEST_F(MP3EncoderTest, FoundByNameWithItsPublishedPropertiesReachingTheRecord) {
  files::RegisterFileClasses();
  const vcl::TClass cls = vcl::GetClass("TMMMP3Encoder");
  ASSERT_NE(cls, nullptr);
  std::unique_ptr<vcl::TObject> obj(cls->Create(nullptr));
  auto* enc = dynamic_cast<TMMMP3Encoder*>(obj.get());
  ASSERT_NE(enc, nullptr);
  EXPECT_EQ(vcl::GetEnumProp(enc, "FileType"), "ftRAW");
  vcl::SetEnumProp(enc, "Preset", "prCD");
  vcl::SetEnumProp(enc, "VBRMethod", "vbrMTRH");
  vcl::SetEnumProp(enc, "ChannelMode", "cmJointStereo");
  vcl::SetEnumProp(enc, "MpegVersion", "v2");
  vcl::SetOrdProp(enc, "Bitrate", 192);
  vcl::SetOrdProp(enc, "CRC", 1);
  const files::TBEConfig c = enc->BuildConfig(Pcm(16, 2, 44100));
  EXPECT_EQ(c.nPreset, 9000);
  EXPECT_EQ(c.nVbrMethod, 3);
  EXPECT_EQ(c.nMode, 1);
  EXPECT_EQ(c.dwMpegVersion, 0u);
  EXPECT_EQ(c.dwBitrate, 192u);
  EXPECT_EQ(c.bCRC, -1);
}

TEST_F(MP3EncoderTest, RiffFormatGivesBytesPerSecondAndBlockSize) {
  struct {
    int rate, bitrate;
    bool vbr;
    uint32_t avg, block, flags;
  } const cases[] = {{44100, 160, false, 20000, 522, 2},
                     {22050, 64, true, 8000, 208, 0},
                     {48000, 320, false, 40000, 960, 2}};
  for (const auto& c : cases) {
    TMMMP3Encoder enc(nullptr);
    enc.SetBitrate(c.bitrate);
    enc.SetVBREnabled(c.vbr);
    const plat::MPEGLAYER3WAVEFORMAT f = enc.BuildWaveFormat(Pcm(16, 2, c.rate));
    EXPECT_EQ(f.wfx.wFormatTag, 0x55);
    EXPECT_EQ(f.wfx.nSamplesPerSec, static_cast<uint32_t>(c.rate));
    EXPECT_EQ(f.wfx.nAvgBytesPerSec, c.avg);
    EXPECT_EQ(f.wfx.nBlockAlign, 1);
    EXPECT_EQ(f.wfx.cbSize, 12);
    EXPECT_EQ(f.nBlockSize, c.block);
    EXPECT_EQ(f.fdwFlags, c.flags);
    EXPECT_EQ(f.nFramesPerBlock, 1);
  }
}

TEST_F(MP3EncoderTest, ToneDecodesBackAtItsRateLengthAndFrequency) {
  const EncodeCase cases[] = {
      {"plain 44.1 kHz stereo 160", files::ftRAW, 44100, 2, 160, files::prNoPreset, false, 4096},
      {"RIFF 44.1 kHz stereo 160", files::ftWAV, 44100, 2, 160, files::prNoPreset, false, 1000},
      {"plain 44.1 kHz at 32 kbit/s keeps its rate", files::ftRAW, 44100, 2, 32, files::prNoPreset, false,
       8192, ""},
      {"RIFF 22.05 kHz mono", files::ftWAV, 22050, 1, 64, files::prNoPreset, false, 2},
      {"plain 48 kHz standard preset", files::ftRAW, 48000, 2, 128, files::prStandard, false, 4608, "Xing"},
      {"plain 16 kHz mono phone preset", files::ftRAW, 16000, 1, 160, files::prPhone, false, 333 * 2, ""},
      {"RIFF 32 kHz VBR", files::ftWAV, 32000, 2, 128, files::prNoPreset, true, 4096, "Xing"},
      {"plain 8 kHz CD preset", files::ftRAW, 8000, 2, 160, files::prCD, false, 4096},
  };
  for (const EncodeCase& c : cases) {
    SCOPED_TRACE(c.name);
    size_t event_bytes = 0;
    const std::string name = EncodeTone(c, &event_bytes);

    Bytes mp3 = ReadFileBytes(name);
    if (c.type == files::ftWAV) {
      plat::WAVEFORMATEX wf{};
      const Bytes data = ReadWaveData(name, &wf);
      ASSERT_FALSE(data.empty()) << "the RIFF header no longer reads";
      EXPECT_EQ(wf.wFormatTag, 0x55);
      EXPECT_EQ(wf.nSamplesPerSec, static_cast<uint32_t>(c.rate));
      EXPECT_EQ(std::memcmp(mp3.data(), "RIFF", 4), 0);
      EXPECT_EQ(Le32(mp3.data() + 4), mp3.size() - 8);
      mp3 = data;
    }
    EXPECT_EQ(event_bytes, mp3.size());
    // The first frame is the info tag, in place, with a layer 3 header at the input's rate.
    ASSERT_GT(mp3.size(), 200u);
    ASSERT_EQ(mp3[0], 0xFF);
    ASSERT_EQ(mp3[1] & 0xE6, 0xE2) << "not a layer 3 frame header";
    const std::string head(mp3.begin(), mp3.begin() + 200);
    const bool tagged = *c.tag != 0;
    if (tagged) {
      EXPECT_NE(head.find(c.tag), std::string::npos) << "no info tag in the first frame";
    }
    EXPECT_EQ(head.find("LAME") != std::string::npos, tagged);

    const Decoded exact = Decode(mp3, true, dir_.File("scratch.mp3"));
    EXPECT_EQ(exact.rate, c.rate);
    EXPECT_EQ(exact.channels, c.channels);
    if (tagged) {
      EXPECT_EQ(exact.frames, static_cast<size_t>(c.rate)) << "the info tag does not give the exact length";
    }
    const Decoded whole = Decode(mp3, false, dir_.File("scratch.mp3"));
    const size_t frame = c.rate >= 32000 ? 1152 : 576;
    EXPECT_EQ(whole.frames % frame, 0u);
    // The encoder's delay and padding stay under two frames, and the tag frame decodes to nothing.
    EXPECT_GE(whole.frames, static_cast<size_t>(c.rate));
    EXPECT_LT(whole.frames, static_cast<size_t>(c.rate) + 2 * frame + 1152);
    EXPECT_NEAR(ToneFrequency(exact), 1000.0, 10.0);
  }
}

// The frequency of the strongest bin of the peak detector over one block
// from the middle of the first channel.
double PeakDetectorHz(const std::vector<int16_t>& pcm, const plat::WAVEFORMATEX& format) {
  constexpr int kLength = 4096;
  engine::TMMPeakDetect detector(nullptr);
  detector.SetFFTLength(kLength);
  detector.SetChannel(engine::chLeft);
  detector.SetFormat(&format);
  detector.Opened();
  std::vector<int16_t> block(
      pcm.begin() + static_cast<std::ptrdiff_t>(pcm.size() / 2),
      pcm.begin() + static_cast<std::ptrdiff_t>(pcm.size() / 2 + kLength * format.nChannels));
  plat::WAVEHDR hdr{};
  hdr.lpData = reinterpret_cast<char*>(block.data());
  hdr.dwBufferLength = hdr.dwBytesRecorded = static_cast<plat::DWORD>(block.size() * 2);
  detector.BufferReady(&hdr);
  int best = 1;
  for (int k = 1; k < detector.BinCount(); ++k)
    if (detector.PeakValue(k) > detector.PeakValue(best)) best = k;
  const double hz = best * static_cast<double>(detector.BinWidth());
  detector.Closed();
  return hz;
}

TEST_F(MP3EncoderTest, RoundTripThroughTheMpegDecoderKeepsLengthInFramesAndTheTone) {
  const EncodeCase cases[] = {
      {"plain 44.1 kHz stereo 160", files::ftRAW, 44100, 2, 160, files::prNoPreset, false, 4096},
      {"RIFF 44.1 kHz stereo 128", files::ftWAV, 44100, 2, 128, files::prNoPreset, false, 4096},
      {"RIFF 48 kHz extreme preset", files::ftWAV, 48000, 2, 160, files::prExtreme, false, 4096},
      {"plain 22.05 kHz mono radio preset", files::ftRAW, 22050, 1, 160, files::prRadio, false, 4096},
      {"plain 32 kHz VBR", files::ftRAW, 32000, 2, 128, files::prNoPreset, true, 4096},
  };
  for (const EncodeCase& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string name = EncodeTone(c);

    files::TMMMpeg mpeg;
    mpeg.SetFileName(name);
    EXPECT_EQ(mpeg.Layer(), 3);
    EXPECT_EQ(mpeg.SampleRate(), c.rate);
    // The second with the encoder's and the decoder's delay (576 + 529
    // samples) in whole frames; an info frame left unwritten would add one.
    const int spf = c.rate >= 32000 ? 1152 : 576;
    const int frames = (c.rate + 1105 + spf - 1) / spf;
    EXPECT_EQ(mpeg.Frames(), frames);
    ASSERT_NE(mpeg.PCMFormat(), nullptr);
    const plat::WAVEFORMATEX out = *mpeg.PCMFormat();
    EXPECT_EQ(out.nChannels, c.channels);
    mpeg.Open();
    std::vector<int16_t> pcm;
    std::vector<int16_t> buffer(8192);
    for (int32_t n = 0; (n = mpeg.ReadData(buffer.data(), 16384)) > 0;)
      pcm.insert(pcm.end(), buffer.begin(), buffer.begin() + n / 2);
    EXPECT_EQ(pcm.size(), static_cast<size_t>(frames) * spf * c.channels);
    EXPECT_NEAR(PeakDetectorHz(pcm, out), 1000.0, out.nSamplesPerSec / 4096.0);
  }
}

TEST_F(MP3EncoderTest, WithoutFileNameBlocksOnlyReachTheEventAndSmallPushesWaitForStopped) {
  const plat::WAVEFORMATEX f = Pcm(16, 2, 44100);
  TMMMP3Encoder enc(nullptr);
  Link(enc, f);
  Bytes stream;
  enc.OnBufferReady = [&](vcl::TObject*, plat::WAVEHDR* h) {
    stream.insert(stream.end(), h->lpData, h->lpData + h->dwBytesRecorded);
  };
  const Bytes tone = Tone(f, 1000);  // less than one chunk
  enc.Opened();
  enc.Started();
  TestHeader hdr(static_cast<uint32_t>(tone.size()));
  hdr.Fill(tone.data(), static_cast<uint32_t>(tone.size()));
  enc.BufferReady(hdr.hdr());
  EXPECT_TRUE(stream.empty());
  enc.Stopped();
  enc.Closed();
  EXPECT_FALSE(stream.empty());
  EXPECT_TRUE(std::filesystem::is_empty(dir_.path()));
  const Decoded d = Decode(stream, false, dir_.File("s.mp3"));
  EXPECT_EQ(d.rate, 44100);
  EXPECT_GE(d.frames, 1000u);
}

TEST_F(MP3EncoderTest, TargetKeepsItsContentUntilTheEncodedFileIsComplete) {
  const plat::WAVEFORMATEX f = Pcm(16, 2, 44100);
  const std::string name = dir_.File("old.mp3");
  { std::ofstream(name) << "old content"; }
  TMMMP3Encoder enc(nullptr);
  Link(enc, f);
  enc.SetFileName(name);
  enc.Opened();
  enc.Started();
  const Bytes tone = Tone(f, 20000);
  TestHeader hdr(static_cast<uint32_t>(tone.size()));
  hdr.Fill(tone.data(), static_cast<uint32_t>(tone.size()));
  enc.BufferReady(hdr.hdr());
  EXPECT_THROW(enc.SetFileName(dir_.File("other.mp3")), vcl::Exception);
  EXPECT_THROW(enc.SetFileType(files::ftWAV), vcl::Exception);
  const Bytes during = ReadFileBytes(name);
  EXPECT_EQ(std::string(during.begin(), during.end()), "old content");
  enc.Closed();
  const Bytes after = ReadFileBytes(name);
  ASSERT_GT(after.size(), 1000u);
  EXPECT_EQ(after[0], 0xFF);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.path()), {}), 1);
}

// The free bytes the faked disk reports.
uint64_t disk_free = 0;
plat::BOOL FakeDiskFree(const char*, plat::ULONGLONG* free, plat::ULONGLONG* total,
                        plat::ULONGLONG* total_free) {
  *free = *total_free = disk_free;
  *total = uint64_t{1} << 40;
  return plat::TRUE;
}

TEST_F(MP3EncoderTest, AFullDiskEndsTheEncodingWithWhatWasWrittenInPlace) {
  struct Binding {
    engine::TGetDiskFreeSpaceEx system = engine::BoundDiskFreeSpaceEx();
    Binding() { engine::BindDiskFreeSpaceEx(FakeDiskFree); }
    ~Binding() { engine::BindDiskFreeSpaceEx(system); }
  } binding;
  for (const files::TMMFileType type : {files::ftRAW, files::ftWAV}) {
    SCOPED_TRACE(type == files::ftRAW ? "plain" : "RIFF");
    const plat::WAVEFORMATEX f = Pcm(16, 2, 44100);
    const std::string name = dir_.File(type == files::ftWAV ? "full.wav" : "full.mp3");
    TMMMP3Encoder enc(nullptr);
    Link(enc, f);
    enc.SetFileName(name);
    enc.SetFileType(type);
    size_t event_bytes = 0;
    enc.OnBufferReady = [&](vcl::TObject*, plat::WAVEHDR* h) { event_bytes += h->dwBytesRecorded; };
    disk_free = uint64_t{1} << 30;
    enc.Opened();
    enc.Started();
    const Bytes tone = Tone(f, 44100);
    TestHeader hdr(4608);
    for (size_t at = 0; at + 4608 <= tone.size(); at += 4608) {
      // The disk fills up half way.
      if (at >= tone.size() / 2) disk_free = 10000;
      hdr.Fill(tone.data() + at, 4608);
      ASSERT_NO_THROW(enc.BufferReady(hdr.hdr()));
    }
    EXPECT_FALSE(enc.EncoderOpened());
    ASSERT_NO_THROW(enc.Stopped());
    ASSERT_NO_THROW(enc.Closed());

    Bytes mp3 = ReadFileBytes(name);
    if (type == files::ftWAV) mp3 = ReadWaveData(name);
    ASSERT_FALSE(mp3.empty()) << "the written part did not take the target's place";
    EXPECT_EQ(mp3.size(), event_bytes);
    const Decoded d = Decode(mp3, false, dir_.File("scratch.mp3"));
    EXPECT_GT(d.frames, 44100u / 3);
    EXPECT_LT(d.frames, 44100u * 2 / 3);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.path()), {}),
              type == files::ftWAV ? 3 : 2);
  }
}

TEST_F(MP3EncoderTest, OpeningRefusesWhatItCannotEncodeAndLeavesTheTarget) {
  struct {
    const char* name;
    plat::WAVEFORMATEX format;
    uint32_t sample_rate;
    const char* module;
    bool read_target;
    const char* message;
  } const cases[] = {
      {"8-bit input", Pcm(8, 2, 44100), 0, "LAME_ENC.DLL", false, "Unsupported Input Format"},
      {"rate the encoder cannot keep", Pcm(16, 2, 96000), 0, "LAME_ENC.DLL", false, "96000 Hz"},
      {"output rate it cannot write", Pcm(16, 2, 44100), 44000, "LAME_ENC.DLL", false, "44000 Hz"},
      {"four channels", Pcm(16, 4, 44100), 0, "LAME_ENC.DLL", false, "Unsupported Input Format"},
      {"missing module", Pcm(16, 2, 44100), 0, "LAMETEST_NONE.DLL", false, "lametest_none.so is missing"},
      {"module without an entry", Pcm(16, 2, 44100), 0, "LAMETEST_NOENTRY.DLL", false,
       "no entry beEncodeChunk"},
      {"target open for reading", Pcm(16, 2, 44100), 0, "LAME_ENC.DLL", true, "open for reading"},
  };
  const std::string target = dir_.File("kept.wav");
  const plat::WAVEFORMATEX pcm = Pcm(16, 2, 44100);
  WriteWave(target, pcm, Tone(pcm, 100));
  const Bytes before = ReadFileBytes(target);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    files::SetLameEncoderModuleName(c.module);
    files::TMMWave reader;
    if (c.read_target) {
      reader.SetFileName(target);
      reader.OpenFile();
    }
    TMMMP3Encoder enc(nullptr);
    Link(enc, c.format);
    enc.SetSampleRate(c.sample_rate);
    enc.SetFileName(target);
    enc.SetFileType(files::ftWAV);
    try {
      enc.Opened();
      ADD_FAILURE() << "opened";
    } catch (const vcl::Exception& e) {
      EXPECT_TRUE(e.Message().find(c.message) != std::string::npos) << e.Message();
      if (std::string(c.module) != "LAME_ENC.DLL") {
        EXPECT_EQ(e.Message().rfind("Unable to load Lame Encoder DLL (Lame_Enc.dll)", 0), 0u);
      }
    }
    EXPECT_FALSE(enc.EncoderOpened());
    enc.Closed();
    EXPECT_EQ(ReadFileBytes(target), before);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.path()), {}), 1);
  }
}

}  // namespace
}  // namespace filestest
