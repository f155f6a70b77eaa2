// The ADPCM converter: tag-2 streams pulled in whole blocks whatever sizes
// the input gives and the output asks, equal to the decoder's whole-file
// result; bad blocks silent while the others play; formats it refuses or
// leaves to the compression manager (tag 3 as float); the step families'
// 8-bit output and carried state.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ADPCMFixtures.h"
#include "ConverterFixtures.h"
#include "engine/MMACM.h"
#include "engine/MMPCMSup.h"
#include "files/MMACMCvt.h"
#include "files/MMADCvt.h"
#include "platform/kernel/Modules.h"
#include "platform/kernel/Resources.h"
#include "resources/ProgramResources.h"
#include "support/TempDir.h"

namespace filestest {
namespace {

using files::TMMADPCMConverter;

// Tag-2 data whose blocks all name coefficient pair 0..6.
Bytes BlockData(const plat::WAVEFORMATEX& f, int blocks) {
  Bytes b(static_cast<size_t>(f.nBlockAlign) * blocks);
  for (size_t i = 0; i < b.size(); ++i) b[i] = static_cast<uint8_t>(i * 73 + i / 97);
  for (int k = 0; k < blocks; ++k)
    for (int c = 0; c < f.nChannels; ++c)
      b[static_cast<size_t>(k) * f.nBlockAlign + c] = static_cast<uint8_t>((k + c) % 7);
  return b;
}

Bytes DecodeWhole(const plat::WAVEFORMATEX& f, const Bytes& data, int bits) {
  const plat::WAVEFORMATEX pcm = Pcm(bits, f.nChannels, static_cast<int>(f.nSamplesPerSec));
  Bytes out(data.size() / f.nBlockAlign * static_cast<size_t>(files::MSADPCMBlockOutputBytes(&f, bits)) +
            65536);
  out.resize(static_cast<size_t>(files::DecodeMSADPCM(&f, &pcm, data.data(), out.data(),
                                                      static_cast<int32_t>(data.size()),
                                                      static_cast<int32_t>(out.size()))));
  return out;
}

class ADPCMConverterTest : public ::testing::Test {
 protected:
  // Links a fresh feed with `format` and `data` above the converter and opens and starts it.
  void Run(TMMADPCMConverter& conv, const plat::WAVEFORMATEX* format, const Bytes& data, size_t piece) {
    feed_ = std::make_unique<TConvFeed>(nullptr);
    feed_->SetFormat(format);
    feed_->data = data;
    feed_->piece = piece;
    conv.SetInput(feed_.get());
    conv.Opened();
    conv.Started();
  }
  std::unique_ptr<TConvFeed> feed_;
  testsupport::TempDir temp_;
};

TEST_F(ADPCMConverterTest, Tag2PullsWholeBlocksWhateverTheSizes) {
  struct Row {
    int channels, rate, block_align, spb;
    int source_block, dest_block;
  };
  const Row rows[] = {
      {2, 44100, 2048, 2036, 4096, 16288},   // sox's layout: (4096 div 2048) x 2036 x 4
      {1, 33000, 768, 1524, 3840, 15240},    // 4096 is no multiple of 768
      {1, 22050, 1024, 100, 4096, 800},      // spb well inside the block
      {1, 44100, 8192, 16372, 8192, 32744},  // one block is more than 4096 bytes
  };
  for (const Row& r : rows) {
    const files::ADPCMWAVEFORMAT f = MsAdpcm(r.channels, r.rate, r.block_align, r.spb);
    const Bytes data = BlockData(f.wfx, 5);
    const Bytes expected = DecodeWhole(f.wfx, data, 16);
    for (const size_t piece : {size_t{100000}, size_t{1000}, size_t{7}}) {
      for (const uint32_t size : {4096u, 333u}) {
        SCOPED_TRACE(std::to_string(r.block_align) + " piece " + std::to_string(piece) + " pull " +
                     std::to_string(size));
        TMMADPCMConverter conv(nullptr);
        Run(conv, &f.wfx, data, piece);
        EXPECT_EQ(conv.SourceBlockSize(), r.source_block);
        EXPECT_EQ(conv.DestBlockSize(), r.dest_block);
        EXPECT_EQ(PullAll(conv, size), expected);
        conv.Closed();
      }
    }
  }
}

TEST_F(ADPCMConverterTest, SoxTag2FileThroughTheConverterEqualsSoxDecode) {
  const plat::WAVEFORMATEX pcm = Pcm(16, 2, 44100);
  const std::string in = temp_.File("in.wav"), adpcm = temp_.File("a.wav"), ref = temp_.File("ref.wav");
  WriteWave(in, pcm, Tone(pcm, 6000));
  ASSERT_TRUE(Sox(in + " -e ms-adpcm " + adpcm));
  ASSERT_TRUE(Sox(adpcm + " -e signed-integer -b 16 " + ref));
  const WaveImage file = ReadWaveImage(adpcm);
  const Bytes expected = ReadWaveData(ref);
  TMMADPCMConverter conv(nullptr);
  Run(conv, file.fmt(), file.data, 4096);
  EXPECT_FALSE(engine::WaveFormatsDiffer(conv.GetFormat(), &pcm));
  const Bytes got = PullAll(conv, 2048);
  ASSERT_GE(got.size(), expected.size());
  EXPECT_TRUE(std::equal(expected.begin(), expected.end(), got.begin()));
}

TEST_F(ADPCMConverterTest, BadBlockIsSilenceAndTheOthersPlay) {
  const files::ADPCMWAVEFORMAT f = MsAdpcm(2, 22050, 512, 500);
  Bytes data = BlockData(f.wfx, 4);
  const Bytes good = DecodeWhole(f.wfx, data, 16);
  data[512 + 1] = 7;  // block 2, right channel: no such pair
  for (const engine::TMMBits bits : {engine::b16Bit, engine::b8Bit}) {
    TMMADPCMConverter conv(nullptr);
    conv.SetBitLength(bits);
    Run(conv, &f.wfx, data, 4096);
    const Bytes got = PullAll(conv, 1000);
    const size_t block = 500 * 2 * (bits == engine::b8Bit ? 1 : 2);
    ASSERT_EQ(got.size(), 4 * block);
    Bytes expected(good.size() / (bits == engine::b8Bit ? 2 : 1));
    if (bits == engine::b8Bit) {
      engine::ConvertPCMBits(8, expected.data(), 16, good.data(), static_cast<int32_t>(good.size()));
    } else {
      expected = good;
    }
    std::fill(expected.begin() + static_cast<long>(block), expected.begin() + static_cast<long>(2 * block),
              bits == engine::b8Bit ? 0x80 : 0);
    EXPECT_EQ(got, expected);
  }
}

plat::WAVEFORMATEX Coded(int tag, int bits, int channels, int rate) {
  plat::WAVEFORMATEX f{};
  f.wFormatTag = static_cast<plat::WORD>(tag);
  f.nChannels = static_cast<plat::WORD>(channels);
  f.nSamplesPerSec = static_cast<plat::DWORD>(rate);
  f.wBitsPerSample = static_cast<plat::WORD>(bits);
  f.nBlockAlign = static_cast<plat::WORD>(std::max(1, bits * channels / 8));
  f.nAvgBytesPerSec = f.nSamplesPerSec * f.nBlockAlign;
  return f;
}

// What the converter claims: every row's format through SetInput, CanConvert
// and Opened; refusals raise, pass-through formats go on unchanged.
TEST_F(ADPCMConverterTest, RefusesOrPassesTheFormatsItDoesNotDecode) {
  struct Row {
    const char* what;
    std::vector<uint8_t> format;
    bool can_convert;
    bool decodes;  // the own format is PCM
  };
  auto bytes = [](const auto& f) {
    const auto* p = reinterpret_cast<const uint8_t*>(&f);
    return std::vector<uint8_t>(p, p + sizeof(f));
  };
  files::ADPCMWAVEFORMAT zero_align = MsAdpcm(1, 22050, 512, 1012), spb_past = MsAdpcm(1, 22050, 1024, 8192),
                         no_coef = MsAdpcm(1, 22050, 512, 1012), own_coef = MsAdpcm(1, 22050, 512, 1012);
  zero_align.wfx.nBlockAlign = 0;
  no_coef.wfx.cbSize = 0;
  own_coef.aCoef[1].iCoef2 = 7;
  const Row rows[] = {
      {"pcm", bytes(Pcm(16, 2, 44100)), true, false},
      {"standard tag 2", bytes(MsAdpcm(1, 22050, 512, 1012)), true, true},
      {"tag 2, block align 0", bytes(zero_align), false, false},
      {"tag 2, spb 8192 in 1024", bytes(spb_past), false, false},
      {"tag 2 without coefficients", bytes(no_coef), false, false},
      {"tag 2 with its own coefficients", bytes(own_coef), false, false},
      {"tag 3, 4 bits", bytes(Coded(3, 4, 2, 22050)), true, true},
      {"tag 3, 32-bit float", bytes(Coded(3, 32, 2, 44100)), false, false},
      {"tag 0x33, 3 channels", bytes(Coded(0x33, 4, 3, 22050)), false, false},
      {"tag 0x206 mono", bytes(Coded(0x206, 4, 1, 8000)), true, true},
      {"tag 0x33, rate 0", bytes(Coded(0x33, 4, 1, 0)), false, false},
      {"mu-law", bytes(Coded(7, 8, 1, 8000)), false, false},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    const auto* f = reinterpret_cast<const plat::WAVEFORMATEX*>(r.format.data());
    TMMADPCMConverter conv(nullptr);
    TConvFeed feed(nullptr);
    feed.SetFormat(f);
    conv.SetInput(&feed);
    EXPECT_EQ(conv.CanConvert(), r.can_convert);
    ASSERT_NE(conv.GetFormat(), nullptr);
    EXPECT_EQ(conv.GetFormat()->wFormatTag == plat::WAVE_FORMAT_PCM, r.decodes || f->wFormatTag == 1);
    if (!r.decodes) {
      EXPECT_FALSE(engine::WaveFormatsDiffer(conv.GetFormat(), f));
    }
    if (r.can_convert) {
      EXPECT_NO_THROW(conv.Opened());
    } else {
      EXPECT_THROW(conv.Opened(), files::EMMADPCMError);
      // As the player uses it: switched off, the format goes on as it came.
      conv.SetEnabled(conv.CanConvert());
      EXPECT_FALSE(engine::WaveFormatsDiffer(conv.GetFormat(), f));
      EXPECT_NO_THROW(conv.Opened());
    }
    conv.Closed();
  }
}

// A 1 kHz float sine (tag 3, 32 bits) goes past the ADPCM converter to the
// PCM converter and comes out a 1 kHz sine, not four times as much noise.
TEST_F(ADPCMConverterTest, Tag3FloatReachesThePCMConverterAsASine) {
  plat::RegisterResourceTable(nullptr, ProgramResourceTable());
  plat::RegisterAcmModule();
  engine::LoadACM();
  ASSERT_TRUE(engine::ACM().Loaded);
  const std::string wav = temp_.File("float.wav");
  ASSERT_TRUE(Sox("-n -r 44100 -c 1 -e floating-point -b 32 " + wav + " synth 0.5 sine 1000 vol 0.5"));
  const WaveImage file = ReadWaveImage(wav);
  ASSERT_FALSE(file.format.empty());
  TMMADPCMConverter conv(nullptr);
  files::TMMPCMConverter pcm(nullptr);
  pcm.SetBitLength(engine::b16Bit);
  conv.SetOutput(&pcm);
  feed_ = std::make_unique<TConvFeed>(nullptr);
  feed_->SetFormat(file.fmt());
  feed_->data = file.data;
  conv.SetInput(feed_.get());
  conv.SetEnabled(conv.CanConvert());
  ASSERT_FALSE(conv.Enabled());
  ASSERT_NE(pcm.GetFormat(), nullptr);
  ASSERT_EQ(pcm.GetFormat()->wFormatTag, plat::WAVE_FORMAT_PCM);
  conv.Opened();
  pcm.Opened();
  conv.Started();
  pcm.Started();
  const std::vector<int16_t> s = Samples16(PullAll(pcm, 4096));
  ASSERT_GT(s.size(), 20000u);
  int crossings = 0, peak = 0;
  for (size_t i = 1; i < s.size(); ++i) {
    crossings += (s[i - 1] < 0) != (s[i] < 0);
    peak = std::max(peak, std::abs(static_cast<int>(s[i])));
  }
  // 1000 Hz: two crossings a millisecond; half scale.
  EXPECT_NEAR(crossings, 2 * 1000 * static_cast<int>(s.size()) / 44100, 4);
  EXPECT_NEAR(peak, 16384, 400);
  pcm.Closed();
  conv.Closed();
  engine::UnloadACM();
  plat::RegisterAcmModule();
  plat::UnregisterResourceTable(nullptr, ProgramResourceTable());
}

// The step families through the converter: 8-bit output as long as its
// samples, odd pieces and seeks (Reset starts the state afresh).
TEST_F(ADPCMConverterTest, StepStreamsKeepTheirLengthAndState) {
  for (const int tag : {3, 0x33}) {
    for (const int channels : {1, 2}) {
      SCOPED_TRACE(std::to_string(tag) + "/" + std::to_string(channels));
      const plat::WAVEFORMATEX f = Coded(tag, 4, channels, 22050);
      const Bytes codes = Counting(10001);
      Bytes whole(codes.size() * 4);
      files::TStepADPCMState state;
      const auto decode = tag == 3 ? (channels == 1 ? files::DecodeStepWrapMono : files::DecodeStepWrapStereo)
                                   : (channels == 1 ? files::DecodeStepSatMono : files::DecodeStepSatStereo);
      whole.resize(
          static_cast<size_t>(decode(state, static_cast<int32_t>(codes.size()), whole.data(), codes.data())));
      Bytes whole8(whole.size() / 2);
      engine::ConvertPCMBits(8, whole8.data(), 16, whole.data(), static_cast<int32_t>(whole.size()));
      for (const engine::TMMBits bits : {engine::b16Bit, engine::b8Bit}) {
        TMMADPCMConverter conv(nullptr);
        conv.SetBitLength(bits);
        Run(conv, &f, codes, 333);
        EXPECT_EQ(PullAll(conv, 1000), bits == engine::b8Bit ? whole8 : whole);
        // From the start again: the state does not carry over a reset.
        feed_->read = 0;
        conv.Reset();
        EXPECT_EQ(PullAll(conv, 4096), bits == engine::b8Bit ? whole8 : whole);
        conv.Closed();
      }
    }
  }
}

TEST_F(ADPCMConverterTest, PushedBuffersPassThroughUndecoded) {
  const plat::WAVEFORMATEX f = Coded(0x33, 4, 1, 22050);
  TMMADPCMConverter conv(nullptr);
  TConvFeed feed(nullptr);
  feed.SetFormat(&f);
  conv.SetInput(&feed);
  conv.Opened();
  conv.Started();
  Bytes seen;
  conv.OnBufferReady = [&](vcl::TObject*, plat::WAVEHDR* h) {
    seen.assign(h->lpData, h->lpData + h->dwBytesRecorded);
  };
  TestHeader h(16);
  const Bytes data = Counting(16);
  h.Fill(data.data(), 16);
  conv.BufferReady(h.hdr());
  EXPECT_EQ(seen, data);
  conv.Closed();
}

}  // namespace
}  // namespace filestest
