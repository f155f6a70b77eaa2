// The compression-manager converters: which format they pass on, conversion
// pushed and pulled in their portions, small pulls through a resampler, and a
// failed conversion that ends the stream instead of passing raw bytes on.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "ConverterFixtures.h"
#include "WaveFixtures.h"
#include "engine/MMACM.h"
#include "engine/MMPCMSup.h"
#include "engine/MMWaveHdr.h"
#include "files/MMACMCvt.h"
#include "platform/kernel/Modules.h"
#include "platform/kernel/Resources.h"
#include "resources/ProgramResources.h"

namespace filestest {

VCL_IMPLEMENT_CLASS(TConvFeed, engine::DSPOutputProp())

// Below the converter: keeps what is pushed to it.
class TConvSink : public engine::TMMDSPComponent {
  VCL_DECLARE_CLASS(TConvSink, engine::TMMDSPComponent)
 public:
  explicit TConvSink(vcl::TComponent* owner) : engine::TMMDSPComponent(owner) {}
  Bytes got;
  std::vector<int32_t> sizes;
  void BufferReady(plat::WAVEHDR* lpwh) override {
    const int32_t n = engine::ValidBytes(lpwh);
    sizes.push_back(n);
    got.insert(got.end(), lpwh->lpData, lpwh->lpData + n);
  }
};
VCL_IMPLEMENT_CLASS(TConvSink, engine::DSPInputProp())

namespace {

using files::EMMConverterError;
using files::TMMACMConverter;
using files::TMMPCMConverter;

plat::WAVEFORMATEX Float32(int channels, int rate) {
  plat::WAVEFORMATEX f{};
  f.wFormatTag = 3;
  f.nChannels = static_cast<plat::WORD>(channels);
  f.nSamplesPerSec = static_cast<plat::DWORD>(rate);
  f.wBitsPerSample = 32;
  f.nBlockAlign = static_cast<plat::WORD>(4 * channels);
  f.nAvgBytesPerSec = f.nSamplesPerSec * f.nBlockAlign;
  return f;
}

bool Differs(const plat::WAVEFORMATEX* a, plat::WAVEFORMATEX b) { return engine::WaveFormatsDiffer(a, &b); }
void SetFormatTo(engine::TMMDSPComponent& c, plat::WAVEFORMATEX f) { c.SetFormat(&f); }

class ACMConverterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    plat::RegisterResourceTable(nullptr, ProgramResourceTable());
    plat::RegisterAcmModule();
    engine::LoadACM();
    ASSERT_TRUE(engine::ACM().Loaded);
  }
  void TearDown() override {
    engine::UnloadACM();
    plat::RegisterAcmModule();
    plat::UnregisterResourceTable(nullptr, ProgramResourceTable());
  }

  void Link(const plat::WAVEFORMATEX& f, TMMACMConverter& conv) {
    feed_.SetFormat(&f);
    conv.SetInput(&feed_);
  }

  TConvFeed feed_{nullptr};
};

struct FormatCase {
  const char* name;
  plat::WAVEFORMATEX input;
  bool pcm_converter;
  bool enabled;
  plat::WAVEFORMATEX expected;
  bool converts;
};

TEST_F(ACMConverterTest, PassesOnTheFormatItConvertsInto) {
  const FormatCase cases[] = {
      {"pcm into the pcm converter", Pcm(16, 2, 44100), true, true, Pcm(16, 2, 44100), false},
      {"acm converter with no format set", Float32(2, 44100), false, true, Float32(2, 44100), false},
      {"float", Float32(2, 44100), true, true, Pcm(16, 2, 44100), true},
      {"float, disabled", Float32(1, 22050), true, false, Float32(1, 22050), false},
      {"24-bit pcm", Pcm(24, 2, 48000), true, true, Pcm(16, 2, 48000), true},
      {"32-bit pcm", Pcm(32, 1, 44100), true, true, Pcm(16, 1, 44100), true},
      {"192 kHz", Pcm(16, 2, 192000), true, true, Pcm(16, 2, 96000), true},
      {"176.4 kHz 24-bit", Pcm(24, 1, 176400), true, true, Pcm(16, 1, 88200), true},
  };
  for (const FormatCase& c : cases) {
    SCOPED_TRACE(c.name);
    TConvFeed feed(nullptr);
    std::unique_ptr<TMMACMConverter> conv(c.pcm_converter ? new TMMPCMConverter(nullptr)
                                                          : new TMMACMConverter(nullptr));
    conv->SetEnabled(c.enabled);
    feed.SetFormat(&c.input);
    conv->SetInput(&feed);
    const plat::WAVEFORMATEX* out = conv->GetFormat();
    ASSERT_NE(out, nullptr);
    EXPECT_FALSE(engine::WaveFormatsDiffer(out, &c.expected));
    EXPECT_EQ(out->nBlockAlign, c.expected.nBlockAlign);
    conv->Opened();
    EXPECT_EQ(conv->Converting(), c.converts);
    conv->Closed();
  }
}

TEST_F(ACMConverterTest, PCMConverterProperties) {
  TMMPCMConverter conv(nullptr);
  conv.SetSampleRate(96000);
  EXPECT_EQ(conv.SampleRate(), 88200);
  conv.SetSampleRate(4000);
  EXPECT_EQ(conv.SampleRate(), 8000);
  conv.SetMode(engine::mStereo);
  conv.SetMode(engine::mMultiChannel);
  EXPECT_EQ(conv.Mode(), engine::mStereo);

  // Without AutoConvert the required properties override the suggestion.
  Link(Pcm(8, 1, 11025), conv);
  conv.SetBitLength(engine::b16Bit);
  conv.SetSampleRate(22050);
  conv.SetAutoConvert(false);
  EXPECT_FALSE(Differs(conv.GetFormat(), Pcm(16, 2, 22050)));
  conv.SetRequired(files::TMMRequiredParams{files::rpBits});
  EXPECT_FALSE(Differs(conv.GetFormat(), Pcm(16, 1, 11025)));

  EXPECT_THROW(SetFormatTo(conv, Float32(2, 44100)), EMMConverterError);
}

TEST_F(ACMConverterTest, MoreThanFourChannelsAreRefusedWithAClearError) {
  TMMPCMConverter conv(nullptr);
  Link(Pcm(24, 6, 48000), conv);
  try {
    conv.Opened();
    FAIL() << "opened";
  } catch (const EMMConverterError& e) {
    EXPECT_NE(e.Message().find("6 channels"), std::string::npos) << e.Message();
  }
  EXPECT_FALSE(conv.IsOpened());
}

TEST_F(ACMConverterTest, APushIsConvertedInPortionsOfTheBlockSize) {
  TMMACMConverter conv(nullptr);
  TConvSink sink(nullptr);
  Link(Pcm(8, 1, 11025), conv);
  conv.SetOutput(&sink);
  SetFormatTo(conv, Pcm(16, 1, 11025));
  ASSERT_TRUE(conv.CanConvert());
  conv.SetBufferSize(3000);
  conv.Opened();
  conv.Started();
  ASSERT_TRUE(conv.Converting());

  const Bytes input = Tone(Pcm(8, 1, 11025), 20000);
  TestHeader h(20000);
  h.Fill(input.data(), 20000);
  conv.BufferReady(h.hdr());

  Bytes expected(40000);
  ASSERT_EQ(engine::ConvertPCMBits(16, expected.data(), 8, input.data(), 20000), 40000);
  EXPECT_EQ(sink.got, expected);
  // 8192 + 8192 + 3616 input bytes, each portion out in buffers of at most 3000.
  EXPECT_GE(sink.sizes.size(), 14u);
  for (int32_t n : sink.sizes) EXPECT_LE(n, 3000);
  conv.Stopped();
  conv.Closed();
}

TEST_F(ACMConverterTest, APullThatOutrunsTheInputFlushesAndThenEnds) {
  TMMACMConverter conv(nullptr);
  feed_.data = Tone(Pcm(8, 2, 22050), 5000);  // 10000 bytes
  Link(Pcm(8, 2, 22050), conv);
  SetFormatTo(conv, Pcm(16, 2, 22050));
  conv.Opened();
  conv.Started();
  int pulls = 0;
  bool ended = false;
  const Bytes out = PullAll(conv, 6000, &pulls, &ended);
  Bytes expected(20000);
  engine::ConvertPCMBits(16, expected.data(), 8, feed_.data.data(), 10000);
  EXPECT_EQ(out, expected);
  EXPECT_TRUE(ended);
  EXPECT_EQ(pulls, 4);  // 6000 + 6000 + 6000 + 2000
}

// A resampler fed a few bytes at a time gives nothing for many calls while its
// filter fills; that is not a failed conversion.
TEST_F(ACMConverterTest, SmallPullsThroughAResamplerAreNotFailures) {
  for (size_t piece : {size_t{2}, size_t{4}, size_t{64}}) {
    SCOPED_TRACE(piece);
    TConvFeed feed(nullptr);
    feed.data = Tone(Pcm(16, 1, 44100), 4410);
    feed.piece = piece;
    TMMPCMConverter conv(nullptr);
    conv.SetAutoConvert(false);
    conv.SetBitLength(engine::b16Bit);
    conv.SetSampleRate(22050);
    SetFormatTo(feed, Pcm(16, 1, 44100));
    conv.SetInput(&feed);
    conv.Opened();
    conv.Started();
    bool ended = false;
    Bytes out;
    EXPECT_NO_THROW(out = PullAll(conv, 256, nullptr, &ended));
    EXPECT_TRUE(ended);
    EXPECT_FALSE(conv.Failed());
    // 100 ms at 22050 Hz: 2205 frames, give or take the filter's edges.
    EXPECT_NEAR(static_cast<double>(out.size()) / 2, 2205, 32);
  }
}

TEST_F(ACMConverterTest, AFailedConversionEndsTheStreamInsteadOfPassingRawBytes) {
  TMMPCMConverter conv(nullptr);
  feed_.data = Counting(20000);
  Link(Float32(1, 44100), conv);
  conv.Opened();
  conv.Started();
  ASSERT_TRUE(conv.Converting());
  // The manager goes away under the running conversion.
  engine::UnloadACM();
  TestHeader h(4096);
  bool more = true;
  EXPECT_THROW(conv.BufferLoad(h.hdr(), more), EMMConverterError);
  EXPECT_TRUE(conv.Failed());
  h.hdr()->dwBytesRecorded = 0;
  more = true;
  const size_t read = feed_.read;
  conv.BufferLoad(h.hdr(), more);
  EXPECT_FALSE(more);
  EXPECT_EQ(h.hdr()->dwBytesRecorded, 0u);
  EXPECT_EQ(feed_.read, read);
  engine::LoadACM();
  conv.Closed();
  EXPECT_FALSE(conv.Failed());
}

}  // namespace
}  // namespace filestest
