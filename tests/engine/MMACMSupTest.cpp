// Format comparison, PCM proposals and block conversion through chains of streams.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <random>
#include <thread>

#include "engine/MMACMSup.h"
#include "platform/kernel/Clock.h"
#include "platform/kernel/Modules.h"
#include "platform/kernel/WaitCore.h"

namespace {

using plat::BYTE;
using plat::WAVEFORMATEX;

WAVEFORMATEX Pcm(plat::DWORD rate, plat::WORD channels, plat::WORD bits) {
  plat::WORD align = static_cast<plat::WORD>(channels * bits / 8);
  return {plat::WAVE_FORMAT_PCM, channels, rate, rate * align, align, bits, 0};
}

// IMA ADPCM with its samples-per-block word.
struct Ima {
  WAVEFORMATEX wfx;
  plat::WORD samples;
  explicit Ima(plat::DWORD rate, plat::WORD channels, plat::WORD align)
      : wfx{plat::WAVE_FORMAT_IMA_ADPCM, channels, rate, rate * align / 505, align, 4, 2},
        samples(static_cast<plat::WORD>((align - 4 * channels) * 2 / channels + 1)) {}
};

std::vector<BYTE> Noise(size_t n, unsigned seed) {
  std::mt19937 rng(seed);
  std::vector<BYTE> v(n);
  for (BYTE& b : v) b = static_cast<BYTE>(rng());
  return v;
}

// Feeds `input` in the callers' pattern: up to `piece` bytes per call into the
// source buffer, output taken after each call, then the end flushed.
std::vector<BYTE> Drive(engine::TMMACMConversion* c, const std::vector<BYTE>& input, int32_t piece) {
  std::vector<BYTE> out;
  size_t offset = 0;
  auto take = [&] {
    auto* d = static_cast<BYTE*>(c->DestBuffer);
    out.insert(out.end(), d + c->DestRead, d + c->DestLength);
    c->DestRead = c->DestLength;
  };
  for (int guard = 0; offset < input.size(); ++guard) {
    int32_t n =
        static_cast<int32_t>(std::min<size_t>({size_t(piece), size_t(c->SourceSize), input.size() - offset}));
    std::memcpy(c->SourceBuffer, input.data() + offset, n);
    offset += n;
    EXPECT_GE(engine::ACMConvertBlock(c, n), 0);
    take();
    if (guard > 100000) break;
  }
  for (int guard = 0; guard < 1000 && engine::ACMConvertEnd(c, 0) > 0; ++guard) take();
  return out;
}

// The platform's direct conversion in one call, as the reference.
std::vector<BYTE> Direct(const WAVEFORMATEX* src, const WAVEFORMATEX* dst, const std::vector<BYTE>& input) {
  plat::HACMSTREAM has = nullptr;
  EXPECT_EQ(plat::acmStreamOpen(&has, nullptr, src, dst, nullptr, 0, 0, 0), 0u);
  plat::DWORD size = 0;
  EXPECT_EQ(plat::acmStreamSize(has, static_cast<plat::DWORD>(input.size()), &size, 0), 0u);
  std::vector<BYTE> in = input, out(size);
  plat::ACMSTREAMHEADER h{};
  h.cbStruct = sizeof h;
  h.pbSrc = in.data();
  h.cbSrcLength = static_cast<plat::DWORD>(in.size());
  h.pbDst = out.data();
  h.cbDstLength = size;
  EXPECT_EQ(plat::acmStreamPrepareHeader(has, &h, 0), 0u);
  EXPECT_EQ(plat::acmStreamConvert(has, &h, plat::ACM_STREAMCONVERTF_END), 0u);
  out.resize(h.cbDstLengthUsed);
  plat::acmStreamUnprepareHeader(has, &h, 0);
  plat::acmStreamClose(has, 0);
  return out;
}

class MMACMSupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    plat::RegisterAcmModule();
    engine::LoadACM();
    ASSERT_TRUE(engine::ACM().Loaded);
  }
  void TearDown() override {
    engine::UnloadACM();
    plat::RegisterAcmModule();
  }
};

TEST_F(MMACMSupTest, FormatsDifferOnlyInTagBitsChannelsAndRate) {
  WAVEFORMATEX a = Pcm(44100, 2, 16), b = a;
  b.nBlockAlign = 7;
  b.nAvgBytesPerSec = 1;
  b.cbSize = 5;
  WAVEFORMATEX c = Pcm(48000, 2, 16);
  EXPECT_FALSE(engine::WaveFormatsDiffer(&a, nullptr));
  EXPECT_FALSE(engine::WaveFormatsDiffer(nullptr, &a));
  EXPECT_FALSE(engine::WaveFormatsDiffer(&a, &b));
  EXPECT_TRUE(engine::WaveFormatsDiffer(&a, &c));
}

TEST_F(MMACMSupTest, SuggestPcmCopiesPcmAndAsksTheManagerForOthers) {
  WAVEFORMATEX odd = Pcm(22050, 1, 8);
  odd.nBlockAlign = 3;
  WAVEFORMATEX out;
  engine::SuggestPCMFormat(&odd, out);
  EXPECT_EQ(std::memcmp(&out, &odd, sizeof out), 0);

  WAVEFORMATEX alaw{plat::WAVE_FORMAT_ALAW, 2, 8000, 16000, 2, 8, 0};
  engine::SuggestPCMFormat(&alaw, out);
  WAVEFORMATEX expected = Pcm(8000, 2, 16);
  EXPECT_EQ(std::memcmp(&out, &expected, sizeof out), 0);

  WAVEFORMATEX mp3{0x0055, 2, 44100, 16000, 1, 0, 0};
  std::memset(&out, 0xCC, sizeof out);
  engine::SuggestPCMFormat(&mp3, out);
  EXPECT_EQ(std::vector<BYTE>(reinterpret_cast<BYTE*>(&out), reinterpret_cast<BYTE*>(&out) + 18),
            std::vector<BYTE>(18, 0));

  engine::UnloadACM();
  engine::SuggestPCMFormat(&alaw, out);
  EXPECT_EQ(out.wFormatTag, 0);
}

TEST_F(MMACMSupTest, CanConvertFormat) {
  WAVEFORMATEX mp3{0x0055, 2, 44100, 16000, 1, 0, 0};
  WAVEFORMATEX mulaw{plat::WAVE_FORMAT_MULAW, 1, 8000, 8000, 1, 8, 0};
  WAVEFORMATEX cd = Pcm(44100, 2, 16), low = Pcm(22050, 1, 8), phone = Pcm(8000, 1, 16);
  struct Case {
    const char* name;
    const WAVEFORMATEX *src, *dst;
    bool expected;
  } cases[] = {
      {"itself without a codec", &mp3, &mp3, true},
      {"mu-law to pcm", &mulaw, &phone, true},
      {"pcm rate and bits", &cd, &low, true},
      {"pcm to mu-law", &phone, &mulaw, false},
      {"no codec", &mp3, &cd, false},
      {"no destination", &cd, nullptr, false},
      {"no source", nullptr, &cd, false},
  };
  for (const Case& c : cases) EXPECT_EQ(engine::CanConvertFormat(c.src, c.dst, true), c.expected) << c.name;
  engine::UnloadACM();
  EXPECT_FALSE(engine::CanConvertFormat(&mulaw, &phone, true));
}

TEST_F(MMACMSupTest, CreateRoundsTheBlockAndOwnsASourceWhenNoneIsGiven) {
  Ima ima(11025, 1, 256);
  WAVEFORMATEX pcm = Pcm(11025, 1, 16);
  engine::TMMACMConversion* c = engine::CreateACMConversion(&ima.wfx, &pcm, nullptr, 1000, true);
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->SourceSize, 768);
  EXPECT_TRUE(c->OwnsSource);
  ASSERT_EQ(c->Stages.size(), 1u);
  EXPECT_EQ(c->Stages[0]->SourceSize, 3072);
  EXPECT_EQ(c->SourceBuffer, c->Stages[0]->SourceBuffer);
  EXPECT_EQ(c->DestBuffer, c->Stages[0]->DestBuffer);
  engine::FreeACMConversion(c);
  EXPECT_EQ(c, nullptr);
  engine::FreeACMConversion(c);  // nil is fine

  EXPECT_EQ(engine::CreateACMConversion(&pcm, &pcm, nullptr, 1000, true), nullptr);
  EXPECT_EQ(engine::CreateACMConversion(&ima.wfx, &pcm, nullptr, 100, true), nullptr);  // not one block
  WAVEFORMATEX zero_align = pcm;
  zero_align.nBlockAlign = 0;
  EXPECT_EQ(engine::CreateACMConversion(&zero_align, &pcm, nullptr, 1000, true), nullptr);
}

TEST_F(MMACMSupTest, ConvertBlockTakesAtMostTheSourceSize) {
  WAVEFORMATEX src = Pcm(8000, 2, 16), dst = Pcm(8000, 1, 8);
  std::vector<BYTE> buffer(400);
  engine::TMMACMConversion* c = engine::CreateACMConversion(&src, &dst, buffer.data(), 400, true);
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->SourceBuffer, buffer.data());
  EXPECT_EQ(engine::ACMConvertBlock(c, 1000), 100);
  EXPECT_EQ(c->DestLength, 100);
  EXPECT_EQ(c->DestRead, 0);
  EXPECT_FALSE(c->SourceLeft);
  // A partial frame stays with the stage for the next call.
  EXPECT_EQ(engine::ACMConvertBlock(c, 6), 1);
  EXPECT_TRUE(c->SourceLeft);
  EXPECT_EQ(engine::ACMConvertBlock(c, 2), 1);
  EXPECT_FALSE(c->SourceLeft);
  EXPECT_EQ(engine::ACMConvertBlock(nullptr, 10), -1);
  EXPECT_FALSE(engine::ResetACMConversion(nullptr));
  engine::FreeACMConversion(c);
}

TEST_F(MMACMSupTest, CarriedBytesStayInsideTheCallersBuffer) {
  // Pieces that cut blocks: the carry must neither overwrite nor overrun the
  // caller's buffer, and nothing may be lost.
  Ima ima(11025, 2, 512);
  WAVEFORMATEX pcm = Pcm(11025, 2, 16);
  std::vector<BYTE> input = Noise(512 * 12, 4);
  std::vector<BYTE> guarded(768 + 64, 0x5A);
  BYTE* buffer = guarded.data() + 32;
  engine::TMMACMConversion* c = engine::CreateACMConversion(&ima.wfx, &pcm, buffer, 1000, true);
  ASSERT_NE(c, nullptr);
  ASSERT_EQ(c->SourceSize, 512);
  EXPECT_EQ(Drive(c, input, 300), Direct(&ima.wfx, &pcm, input));
  for (size_t i = 0; i < 32; ++i) {
    EXPECT_EQ(guarded[i], 0x5A);
    EXPECT_EQ(guarded[guarded.size() - 1 - i], 0x5A);
  }
  engine::FreeACMConversion(c);
}

TEST_F(MMACMSupTest, ResetStartsTheStreamsAfresh) {
  WAVEFORMATEX src = Pcm(22050, 1, 16), dst = Pcm(44100, 1, 16);
  std::vector<BYTE> a = Noise(3000, 1), b = Noise(3000, 2);
  engine::TMMACMConversion* c = engine::CreateACMConversion(&src, &dst, nullptr, 1024, true);
  ASSERT_NE(c, nullptr);
  std::memcpy(c->SourceBuffer, a.data(), 1000);
  ASSERT_GE(engine::ACMConvertBlock(c, 1000), 0);
  ASSERT_GE(engine::ACMConvertBlock(c, 3), 0);  // leaves a carried byte
  EXPECT_TRUE(engine::ResetACMConversion(c));
  EXPECT_EQ(c->DestRead, c->DestLength);
  EXPECT_FALSE(c->SourceLeft);
  EXPECT_EQ(c->Stages[0]->Left, 0);
  EXPECT_EQ(Drive(c, b, 1000), Direct(&src, &dst, b));
  engine::FreeACMConversion(c);
}

// A manager whose streams change either the coding or the shape of the
// audio, never both in one hop, as codecs usually do.
bool ChangesTagAndShape(const WAVEFORMATEX* a, const WAVEFORMATEX* b) {
  return a->wFormatTag != b->wFormatTag &&
         (a->nChannels != b->nChannels || a->nSamplesPerSec != b->nSamplesPerSec);
}
plat::MMRESULT OneHopOpen(plat::HACMSTREAM* phas, plat::HACMDRIVER had, const WAVEFORMATEX* src,
                          const WAVEFORMATEX* dst, const plat::WAVEFILTER* f, plat::DWORD_PTR cb,
                          plat::DWORD_PTR inst, plat::DWORD flags) {
  if (src && dst && ChangesTagAndShape(src, dst)) return plat::ACMERR_NOTPOSSIBLE;
  return plat::acmStreamOpen(phas, had, src, dst, f, cb, inst, flags);
}
plat::MMRESULT OneHopSuggest(plat::HACMDRIVER had, const WAVEFORMATEX* src, WAVEFORMATEX* dst,
                             plat::DWORD size, plat::DWORD flags) {
  if (src->wFormatTag != plat::WAVE_FORMAT_PCM &&
      (((flags & plat::ACM_FORMATSUGGESTF_NCHANNELS) && dst->nChannels != src->nChannels) ||
       ((flags & plat::ACM_FORMATSUGGESTF_NSAMPLESPERSEC) && dst->nSamplesPerSec != src->nSamplesPerSec)))
    return plat::ACMERR_NOTPOSSIBLE;
  return plat::acmFormatSuggest(had, src, dst, size, flags);
}

TEST_F(MMACMSupTest, ConversionGoesThroughAnIntermediateFormatWhenItMust) {
  engine::UnloadACM();
  auto fp = [](auto f) { return reinterpret_cast<plat::FARPROC>(f); };
  plat::RegisterBuiltinModule("MSACM32.DLL",
                              {{"acmGetVersion", fp(&plat::acmGetVersion)},
                               {"acmFormatSuggest", fp(&OneHopSuggest)},
                               {"acmStreamOpen", fp(&OneHopOpen)},
                               {"acmStreamClose", fp(&plat::acmStreamClose)},
                               {"acmStreamSize", fp(&plat::acmStreamSize)},
                               {"acmStreamConvert", fp(&plat::acmStreamConvert)},
                               {"acmStreamPrepareHeader", fp(&plat::acmStreamPrepareHeader)},
                               {"acmStreamUnprepareHeader", fp(&plat::acmStreamUnprepareHeader)}});
  engine::LoadACM();
  ASSERT_TRUE(engine::ACM().Loaded);
  Ima ima(11025, 1, 256);
  WAVEFORMATEX pcm = Pcm(44100, 2, 16);
  EXPECT_TRUE(engine::CanConvertFormat(&ima.wfx, &pcm, true));
  engine::TMMACMConversion* c = engine::CreateACMConversion(&ima.wfx, &pcm, nullptr, 2048, true);
  ASSERT_NE(c, nullptr);
  ASSERT_EQ(c->Stages.size(), 2u);
  EXPECT_EQ(c->Stages[1]->SourceBuffer, c->Stages[0]->DestBuffer);
  std::vector<BYTE> input = Noise(256 * 30, 8);
  auto out = Drive(c, input, 1000);
  EXPECT_EQ(out, Direct(&ima.wfx, &pcm, input));
  engine::FreeACMConversion(c);
}

// Takes the block and never reports it finished.
plat::MMRESULT NeverDoneConvert(plat::HACMSTREAM has, plat::ACMSTREAMHEADER* h, plat::DWORD flags) {
  const plat::MMRESULT r = plat::acmStreamConvert(has, h, flags);
  h->fdwStatus &= ~plat::ACMSTREAMHEADER_STATUSF_DONE;
  return r;
}

TEST_F(MMACMSupTest, AHeaderThatNeverFinishesFailsTheBlockAfterASecondOfTheClock) {
  engine::UnloadACM();
  auto fp = [](auto f) { return reinterpret_cast<plat::FARPROC>(f); };
  plat::RegisterBuiltinModule("MSACM32.DLL",
                              {{"acmGetVersion", fp(&plat::acmGetVersion)},
                               {"acmFormatSuggest", fp(&plat::acmFormatSuggest)},
                               {"acmStreamOpen", fp(&plat::acmStreamOpen)},
                               {"acmStreamClose", fp(&plat::acmStreamClose)},
                               {"acmStreamSize", fp(&plat::acmStreamSize)},
                               {"acmStreamConvert", fp(&NeverDoneConvert)},
                               {"acmStreamPrepareHeader", fp(&plat::acmStreamPrepareHeader)},
                               {"acmStreamUnprepareHeader", fp(&plat::acmStreamUnprepareHeader)}});
  engine::LoadACM();
  Ima ima(11025, 1, 256);
  WAVEFORMATEX pcm = Pcm(11025, 1, 16);
  engine::TMMACMConversion* c = engine::CreateACMConversion(&ima.wfx, &pcm, nullptr, 2048, true);
  ASSERT_NE(c, nullptr);
  plat::ScopedManualClock clock;
  const int64_t start = plat::ClockNowMicroseconds();
  std::atomic<bool> done{false};
  std::thread pusher([&] {
    while (!done) {
      plat::clock::AdvanceMs(100);
      std::this_thread::yield();
    }
    plat::waitcore::ThreadIdle();
  });
  const std::vector<BYTE> input = Noise(256 * 4, 3);
  std::memcpy(c->SourceBuffer, input.data(), input.size());
  EXPECT_EQ(engine::ACMConvertBlock(c, static_cast<int32_t>(input.size())), -1);
  done = true;
  pusher.join();
  EXPECT_GE(plat::ClockNowMicroseconds() - start, 1'000'000);
  engine::FreeACMConversion(c);
}

}  // namespace
