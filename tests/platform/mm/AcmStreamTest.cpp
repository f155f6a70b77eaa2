// Stream life cycle, sizes, header checks, rate conversion and piecewise streaming.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "AcmTestFormats.h"

namespace {

using namespace acmtest;

std::vector<BYTE> Noise(size_t bytes, unsigned seed) {
  std::mt19937 rng(seed);
  std::vector<BYTE> out(bytes);
  for (BYTE& b : out) b = static_cast<BYTE>(rng());
  return out;
}

std::vector<int16_t> StereoSine(size_t frames, double rate, double freq, double amp_l, double amp_r) {
  std::vector<int16_t> out;
  for (size_t i = 0; i < frames; ++i) {
    double s = std::sin(2 * M_PI * freq * i / rate);
    out.push_back(static_cast<int16_t>(std::lrint(amp_l * 32767 * s)));
    out.push_back(static_cast<int16_t>(std::lrint(amp_r * 32767 * s)));
  }
  return out;
}

TEST(AcmStream, VersionIsAtLeastTwo) { EXPECT_GE(HIWORD(acmGetVersion()), 0x0200); }

TEST(AcmStream, QueryRefusesWhatCannotBeConvertedAndCreatesNoStream) {
  struct Case {
    const char* name;
    Format src, dst;
    MMRESULT expected;
  } cases[] = {
      {"pcm to mu-law", Pcm(8000, 1, 16), Law(WAVE_FORMAT_MULAW, 8000, 1), ACMERR_NOTPOSSIBLE},
      {"pcm to 24-bit pcm", Pcm(44100, 2, 16), Pcm(44100, 2, 24), ACMERR_NOTPOSSIBLE},
      {"unknown source tag", Make(0x0031, 8000, 1, 0, 65), Pcm(8000, 1, 16), ACMERR_NOTPOSSIBLE},
      {"three to two channels", Pcm(8000, 3, 16), Pcm(8000, 2, 16), ACMERR_NOTPOSSIBLE},
      {"inconsistent block align", Make(WAVE_FORMAT_PCM, 8000, 2, 16, 3), Pcm(8000, 2, 16),
       ACMERR_NOTPOSSIBLE},
      {"ima with ragged block", Make(WAVE_FORMAT_IMA_ADPCM, 8000, 1, 4, 10), Pcm(8000, 1, 16),
       ACMERR_NOTPOSSIBLE},
      {"rate out of range", Pcm(8000, 1, 16), Pcm(500, 1, 16), ACMERR_NOTPOSSIBLE},
      {"mu-law to pcm", Law(WAVE_FORMAT_MULAW, 8000, 1), Pcm(8000, 1, 16), MMSYSERR_NOERROR},
      {"4000 to 100000 Hz", Pcm(4000, 2, 8), Pcm(100000, 1, 16), MMSYSERR_NOERROR},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    HACMSTREAM has = reinterpret_cast<HACMSTREAM>(1);
    EXPECT_EQ(acmStreamOpen(&has, nullptr, c.src.get(), c.dst.get(), nullptr, 0, 0, ACM_STREAMOPENF_QUERY),
              c.expected);
    EXPECT_EQ(has, nullptr);
    EXPECT_EQ(acmStreamOpen(nullptr, nullptr, c.src.get(), c.dst.get(), nullptr, 0, 0, ACM_STREAMOPENF_QUERY),
              c.expected);
  }
}

TEST(AcmStream, OpenRejectsBadArguments) {
  Format a = Pcm(8000, 1, 16), b = Pcm(8000, 1, 8);
  HACMSTREAM has = nullptr;
  EXPECT_EQ(acmStreamOpen(nullptr, nullptr, a.get(), b.get(), nullptr, 0, 0, 0), MMSYSERR_INVALPARAM);
  EXPECT_EQ(acmStreamOpen(&has, nullptr, nullptr, b.get(), nullptr, 0, 0, 0), MMSYSERR_INVALPARAM);
  EXPECT_EQ(acmStreamOpen(&has, nullptr, a.get(), b.get(), nullptr, 0, 0, 0x100), MMSYSERR_INVALFLAG);
  EXPECT_EQ(acmStreamOpen(&has, reinterpret_cast<HACMDRIVER>(77), a.get(), b.get(), nullptr, 0, 0, 0),
            MMSYSERR_INVALHANDLE);
  EXPECT_EQ(acmStreamOpen(&has, nullptr, a.get(), b.get(), nullptr, 0, 0, ACM_STREAMOPENF_ASYNC),
            ACMERR_NOTPOSSIBLE);
  EXPECT_EQ(acmStreamClose(reinterpret_cast<HACMSTREAM>(12345), 0), MMSYSERR_INVALHANDLE);
}

// 44100 Hz 16-bit stereo to 22050 Hz 8-bit mono, rate first, then bits and channels.
TEST(AcmStream, TwoStageRateThenFormatFollowsTheSignal) {
  const size_t frames = 44100;
  auto input = Bytes(StereoSine(frames, 44100, 1000, 0.6, 0.2));
  auto half_rate = RunStream(Pcm(44100, 2, 16), Pcm(22050, 2, 16), input, 4096);
  EXPECT_NEAR(static_cast<double>(half_rate.size()) / 4, frames / 2.0, 2);
  auto out = RunStream(Pcm(22050, 2, 16), Pcm(22050, 1, 8), half_rate, 1000);
  ASSERT_NEAR(static_cast<double>(out.size()), frames / 2.0, 2);
  // Mono is the mean of 0.6 and 0.2; 8 bits hold 128 steps per unit.
  int worst = 0;
  for (size_t i = 200; i + 200 < out.size(); ++i) {
    double expected = 128 + 0.4 * 32767 / 32768 * 128 * std::sin(2 * M_PI * 1000 * i / 22050.0);
    worst = std::max(worst, static_cast<int>(std::lround(std::fabs(out[i] - expected))));
  }
  EXPECT_LE(worst, 1);
}

TEST(AcmStream, PiecesGiveTheSameOutputAsOneCall) {
  struct Case {
    const char* name;
    Format src, dst;
    size_t bytes;
  } cases[] = {
      {"ima stereo blocks", Ima(22050, 2, 1024), Pcm(22050, 2, 16), 1024 * 9},
      {"ima to another rate", Ima(11025, 1, 256), Pcm(44100, 1, 16), 256 * 20},
      {"44100 to 48000", Pcm(44100, 2, 16), Pcm(48000, 2, 16), 4 * 30000},
      {"48000 to 8000 mono 8 bit", Pcm(48000, 2, 16), Pcm(8000, 1, 8), 4 * 30000},
      {"4000 to 100000", Pcm(4000, 1, 16), Pcm(100000, 1, 16), 2 * 3000},
      {"float down", Float(96000, 2, 32), Pcm(44100, 2, 16), 8 * 20000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto input = Noise(c.bytes, 7);
    if (c.src.get()->wFormatTag == 3) {  // keep float samples finite and in range
      std::vector<float> v(c.bytes / 4);
      std::mt19937 rng(3);
      for (float& x : v) x = std::uniform_real_distribution<float>(-0.9f, 0.9f)(rng);
      input = Bytes(v);
    }
    auto whole = RunStream(c.src, c.dst, input, c.bytes);
    EXPECT_FALSE(whole.empty());
    for (size_t piece : {size_t{c.src.get()->nBlockAlign} * 3 + 1, size_t{1000}, size_t{4097}})
      EXPECT_EQ(RunStream(c.src, c.dst, input, piece), whole) << "piece " << piece;
  }
}

struct Stream {
  HACMSTREAM has = nullptr;
  Stream(const Format& s, const Format& d) {
    EXPECT_EQ(acmStreamOpen(&has, nullptr, s.get(), d.get(), nullptr, 0, 0, 0), MMSYSERR_NOERROR);
  }
  ~Stream() { acmStreamClose(has, 0); }
};

TEST(AcmStream, SourceSizeAlwaysHoldsTheWholeConversion) {
  struct Case {
    Format src, dst;
  } cases[] = {{Pcm(44100, 2, 16), Pcm(22050, 1, 8)},
               {Pcm(8000, 1, 8), Pcm(48000, 2, 16)},
               {Ima(22050, 2, 1024), Pcm(44100, 2, 16)},
               {Law(WAVE_FORMAT_ALAW, 8000, 1), Pcm(8000, 1, 16)},
               {Pcm(11025, 1, 16), Pcm(100000, 4, 16)}};
  for (const Case& c : cases) {
    Stream s(c.src, c.dst);
    WORD align = c.src.get()->nBlockAlign;
    const DWORD capacity = align * 40;
    DWORD dst_size = 0;
    ASSERT_EQ(acmStreamSize(s.has, capacity, &dst_size, ACM_STREAMSIZEF_SOURCE), MMSYSERR_NOERROR);
    std::vector<BYTE> src(capacity), dst(dst_size);
    ACMSTREAMHEADER h{};
    h.cbStruct = sizeof h;
    h.pbSrc = src.data();
    h.cbSrcLength = capacity;
    h.pbDst = dst.data();
    h.cbDstLength = dst_size;
    ASSERT_EQ(acmStreamPrepareHeader(s.has, &h, 0), MMSYSERR_NOERROR);
    std::mt19937 rng(5);
    for (int call = 0; call < 200; ++call) {
      DWORD n = rng() % (capacity + 1);
      for (BYTE& b : src) b = static_cast<BYTE>(rng());
      h.cbSrcLength = n;
      ASSERT_EQ(
          acmStreamConvert(s.has, &h,
                           ACM_STREAMCONVERTF_BLOCKALIGN | (call % 50 == 49 ? ACM_STREAMCONVERTF_END : 0)),
          MMSYSERR_NOERROR);
      ASSERT_EQ(h.cbSrcLengthUsed, n / align * align) << "call " << call;
      ASSERT_EQ(h.cbDstLengthUsed % c.dst.get()->nBlockAlign, 0u);
    }
    h.cbSrcLength = capacity;
    EXPECT_EQ(acmStreamUnprepareHeader(s.has, &h, 0), MMSYSERR_NOERROR);
    // The other direction: a source size whose output fits.
    DWORD src_size = 0;
    ASSERT_EQ(acmStreamSize(s.has, dst_size, &src_size, ACM_STREAMSIZEF_DESTINATION), MMSYSERR_NOERROR);
    EXPECT_EQ(src_size % align, 0u);
    DWORD back = 0;
    ASSERT_EQ(acmStreamSize(s.has, src_size, &back, ACM_STREAMSIZEF_SOURCE), MMSYSERR_NOERROR);
    EXPECT_LE(back, dst_size);
  }
}

TEST(AcmStream, HeadersAreCheckedAndBuffersNeverOverrun) {
  Format src = Pcm(8000, 2, 16), dst = Pcm(8000, 2, 16);
  Stream s(src, dst);
  std::vector<BYTE> in(64, 0x11), out(16 + 8, 0xEE);
  ACMSTREAMHEADER h{};
  h.cbStruct = sizeof h;
  h.pbSrc = in.data();
  h.cbSrcLength = 64;
  h.pbDst = out.data();
  h.cbDstLength = 16;
  EXPECT_EQ(acmStreamConvert(s.has, &h, 0), ACMERR_UNPREPARED);
  EXPECT_EQ(acmStreamPrepareHeader(s.has, &h, 1), MMSYSERR_INVALFLAG);
  ACMSTREAMHEADER small = h;
  small.cbStruct = 20;
  EXPECT_EQ(acmStreamPrepareHeader(s.has, &small, 0), MMSYSERR_INVALPARAM);
  ASSERT_EQ(acmStreamPrepareHeader(s.has, &h, 0), MMSYSERR_NOERROR);
  EXPECT_TRUE(h.fdwStatus & ACMSTREAMHEADER_STATUSF_PREPARED);

  // A destination of four frames takes four frames; the rest stays with the caller.
  ASSERT_EQ(acmStreamConvert(s.has, &h, ACM_STREAMCONVERTF_BLOCKALIGN), MMSYSERR_NOERROR);
  EXPECT_EQ(h.cbSrcLengthUsed, 16u);
  EXPECT_EQ(h.cbDstLengthUsed, 16u);
  EXPECT_EQ(std::vector<BYTE>(out.begin() + 16, out.end()), std::vector<BYTE>(8, 0xEE));

  // Lengths beyond those prepared, or another buffer, are refused.
  h.cbDstLength = 24;
  EXPECT_EQ(acmStreamConvert(s.has, &h, 0), MMSYSERR_INVALPARAM);
  h.cbDstLength = 16;
  h.cbSrcLength = 65;
  EXPECT_EQ(acmStreamConvert(s.has, &h, 0), MMSYSERR_INVALPARAM);
  h.cbSrcLength = 64;
  BYTE* keep = h.pbDst;
  h.pbDst = out.data() + 4;
  EXPECT_EQ(acmStreamConvert(s.has, &h, 0), MMSYSERR_INVALPARAM);
  h.pbDst = keep;

  // A destination that cannot take one frame is an error, not an endless zero.
  h.cbDstLength = 3;
  EXPECT_EQ(acmStreamConvert(s.has, &h, 0), ACMERR_NOTPOSSIBLE);
  EXPECT_EQ(h.cbSrcLengthUsed, 0u);
  EXPECT_EQ(acmStreamUnprepareHeader(s.has, &h, 0), MMSYSERR_INVALPARAM);  // length not restored
  h.cbDstLength = 16;
  EXPECT_EQ(acmStreamUnprepareHeader(s.has, &h, 0), MMSYSERR_NOERROR);
  EXPECT_FALSE(h.fdwStatus & ACMSTREAMHEADER_STATUSF_PREPARED);
  EXPECT_EQ(acmStreamUnprepareHeader(s.has, &h, 0), ACMERR_UNPREPARED);
}

TEST(AcmStream, EndFlushesTheResamplerOverSeveralSmallBuffers) {
  Format src = Pcm(8000, 1, 16), dst = Pcm(48000, 1, 16);
  auto input = Noise(2 * 800, 9);
  auto whole = RunStream(src, dst, input, input.size());
  EXPECT_NEAR(static_cast<double>(whole.size()) / 2, 800 * 6, 1);

  Stream s(src, dst);
  DWORD dst_size = 0;
  ASSERT_EQ(acmStreamSize(s.has, static_cast<DWORD>(input.size()), &dst_size, ACM_STREAMSIZEF_SOURCE),
            MMSYSERR_NOERROR);
  std::vector<BYTE> in = input, out(dst_size);
  ACMSTREAMHEADER h{};
  h.cbStruct = sizeof h;
  h.pbSrc = in.data();
  h.cbSrcLength = static_cast<DWORD>(in.size());
  h.pbDst = out.data();
  h.cbDstLength = dst_size;
  ASSERT_EQ(acmStreamPrepareHeader(s.has, &h, 0), MMSYSERR_NOERROR);
  ASSERT_EQ(acmStreamConvert(s.has, &h, 0), MMSYSERR_NOERROR);
  ASSERT_EQ(h.cbSrcLengthUsed, in.size());
  std::vector<BYTE> got(out.begin(), out.begin() + h.cbDstLengthUsed);
  // Drain the end through a destination of 100 bytes at a time.
  h.cbSrcLength = 0;
  h.cbDstLength = 100;
  int calls = 0;
  do {
    ASSERT_EQ(acmStreamConvert(s.has, &h, ACM_STREAMCONVERTF_END), MMSYSERR_NOERROR);
    got.insert(got.end(), out.begin(), out.begin() + h.cbDstLengthUsed);
    ASSERT_LT(++calls, 1000);
  } while (h.cbDstLengthUsed > 0);
  EXPECT_EQ(got, whole);
  h.cbSrcLength = static_cast<DWORD>(in.size());
  h.cbDstLength = dst_size;
  EXPECT_EQ(acmStreamUnprepareHeader(s.has, &h, 0), MMSYSERR_NOERROR);
}

TEST(AcmStream, StartForgetsEarlierInput) {
  Format src = Pcm(22050, 1, 16), dst = Pcm(44100, 1, 16);
  auto a = Noise(2000, 1), b = Noise(2000, 2);
  auto fresh = RunStream(src, dst, b, b.size());
  Stream s(src, dst);
  DWORD dst_size = 0;
  ASSERT_EQ(acmStreamSize(s.has, 2000, &dst_size, ACM_STREAMSIZEF_SOURCE), MMSYSERR_NOERROR);
  std::vector<BYTE> in(2000), out(dst_size);
  ACMSTREAMHEADER h{};
  h.cbStruct = sizeof h;
  h.pbSrc = in.data();
  h.cbSrcLength = 2000;
  h.pbDst = out.data();
  h.cbDstLength = dst_size;
  ASSERT_EQ(acmStreamPrepareHeader(s.has, &h, 0), MMSYSERR_NOERROR);
  std::memcpy(in.data(), a.data(), a.size());
  ASSERT_EQ(acmStreamConvert(s.has, &h, 0), MMSYSERR_NOERROR);
  std::memcpy(in.data(), b.data(), b.size());
  ASSERT_EQ(acmStreamConvert(s.has, &h, ACM_STREAMCONVERTF_START | ACM_STREAMCONVERTF_END), MMSYSERR_NOERROR);
  EXPECT_EQ(std::vector<BYTE>(out.begin(), out.begin() + h.cbDstLengthUsed), fresh);
  EXPECT_EQ(acmStreamUnprepareHeader(s.has, &h, 0), MMSYSERR_NOERROR);
}

}  // namespace
