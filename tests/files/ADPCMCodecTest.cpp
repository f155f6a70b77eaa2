// The ADPCM decoders: the tag-2 decoder and the saturating step family
// sample for sample against sox's own decode of files sox made, the worked
// values of both step families, their byte layouts and seamless calls, and
// corrupt tag-2 formats and blocks that must neither decode garbage nor
// write out of bounds (the sanitizer build checks the latter).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "ADPCMFixtures.h"
#include "engine/MMPCMSup.h"
#include "files/MMADPCM.h"
#include "files/MMAntex.h"
#include "support/TempDir.h"

namespace filestest {
namespace {

using files::ADPCMWAVEFORMAT;
using files::TStepADPCMState;

// Two tones, so the codes and the predictors vary.
Bytes TwoTones(const plat::WAVEFORMATEX& f, int frames) {
  std::vector<int16_t> s;
  for (int i = 0; i < frames; ++i) {
    const double t = static_cast<double>(i) / f.nSamplesPerSec;
    const double v = 0.45 * std::sin(2 * 3.14159265358979 * 1000.0 * t) +
                     0.3 * std::sin(2 * 3.14159265358979 * 3100.0 * t);
    for (int c = 0; c < f.nChannels; ++c)
      s.push_back(static_cast<int16_t>(std::lround(v * (c ? -32767 : 32767))));
  }
  return Bytes16(s);
}

class ADPCMCodecTest : public ::testing::Test {
 protected:
  testsupport::TempDir temp_;
};

// ---- Tag 2 ----

TEST_F(ADPCMCodecTest, Tag2DecodesSoxFilesLikeSoxSampleForSample) {
  struct Row {
    int channels, rate, block_align, samples_per_block;
  };
  for (const Row row : {Row{1, 22050, 512, 1012}, Row{2, 44100, 2048, 2036}, Row{1, 8000, 256, 500}}) {
    SCOPED_TRACE(row.rate);
    const plat::WAVEFORMATEX pcm = Pcm(16, row.channels, row.rate);
    const std::string in = temp_.File("in.wav"), adpcm = temp_.File("adpcm.wav"), ref = temp_.File("ref.wav");
    WriteWave(in, pcm, TwoTones(pcm, 9000));
    ASSERT_TRUE(Sox(in + " -e ms-adpcm " + adpcm));
    ASSERT_TRUE(Sox(adpcm + " -e signed-integer -b 16 " + ref));
    const WaveImage file = ReadWaveImage(adpcm);
    const std::vector<int16_t> expected = Samples16(ReadWaveData(ref));
    ASSERT_FALSE(file.format.empty());
    ASSERT_FALSE(expected.empty());

    // sox writes the standard layout this system suggests for the same input.
    const auto* fmt = reinterpret_cast<const ADPCMWAVEFORMAT*>(file.format.data());
    EXPECT_TRUE(files::IsStandardMSADPCMFormat(file.fmt()));
    EXPECT_EQ(fmt->wfx.cbSize, 32);
    EXPECT_EQ(fmt->wfx.nBlockAlign, row.block_align);
    EXPECT_EQ(fmt->wSamplesPerBlock, row.samples_per_block);
    ADPCMWAVEFORMAT suggested{};
    ASSERT_TRUE(files::SuggestMSADPCMFormat(&pcm, suggested, 0, 0, 0));
    EXPECT_EQ(suggested.wfx.nBlockAlign, fmt->wfx.nBlockAlign);
    EXPECT_EQ(suggested.wSamplesPerBlock, fmt->wSamplesPerBlock);

    ADPCMWAVEFORMAT target{};
    ASSERT_TRUE(files::SuggestMSADPCMFormat(file.fmt(), target, 0, -1, -1));
    EXPECT_TRUE(engine::IsValidPCMFormat(&target.wfx));
    EXPECT_EQ(target.wfx.wBitsPerSample, 16);
    const int blocks = static_cast<int>((file.data.size() + row.block_align - 1) / row.block_align);
    Bytes out(static_cast<size_t>(blocks * files::MSADPCMBlockOutputBytes(file.fmt(), 16)));
    const int32_t n =
        files::DecodeMSADPCM(file.fmt(), &target.wfx, file.data.data(), out.data(),
                             static_cast<int32_t>(file.data.size()), static_cast<int32_t>(out.size()));
    out.resize(static_cast<size_t>(n));
    const std::vector<int16_t> got = Samples16(out);
    // sox trims the padding of the last block by the sample count it stored.
    ASSERT_GE(got.size(), expected.size());
    EXPECT_LT(got.size(), expected.size() + static_cast<size_t>(row.samples_per_block * row.channels));
    const auto diff = std::mismatch(expected.begin(), expected.end(), got.begin());
    EXPECT_EQ(diff.first, expected.end()) << "first difference at sample " << (diff.first - expected.begin());

    // 8-bit output is the 16-bit output taken to 8 bits.
    plat::WAVEFORMATEX pcm8 = Pcm(8, row.channels, row.rate);
    Bytes out8(out.size() / 2), expected8(out.size() / 2);
    EXPECT_EQ(files::DecodeMSADPCM(file.fmt(), &pcm8, file.data.data(), out8.data(),
                                   static_cast<int32_t>(file.data.size()), static_cast<int32_t>(out8.size())),
              n / 2);
    engine::ConvertPCMBits(8, expected8.data(), 16, out.data(), n);
    EXPECT_EQ(out8, expected8);
  }
}

TEST_F(ADPCMCodecTest, Tag2WorkedValues) {
  // Formats suggested for PCM, and the PCM a tag-2 format decodes to.
  ADPCMWAVEFORMAT f{};
  plat::WAVEFORMATEX pcm = Pcm(16, 1, 22050);
  ASSERT_TRUE(files::SuggestMSADPCMFormat(&pcm, f, 0, 0, 0));
  EXPECT_EQ(f.wfx.nBlockAlign, 512);
  EXPECT_EQ(f.wSamplesPerBlock, 1012);
  pcm = Pcm(16, 2, 44100);
  ASSERT_TRUE(files::SuggestMSADPCMFormat(&pcm, f, 0, 0, 0));
  EXPECT_EQ(f.wfx.nBlockAlign, 2048);
  EXPECT_EQ(f.wSamplesPerBlock, 2036);
  EXPECT_EQ(f.wfx.nAvgBytesPerSec, 44408u);
  EXPECT_EQ(f.wfx.cbSize, 32);
  ADPCMWAVEFORMAT to8{};
  ASSERT_TRUE(files::SuggestMSADPCMFormat(&f.wfx, to8, 8, -1, -1));
  EXPECT_EQ(to8.wfx.wFormatTag, plat::WAVE_FORMAT_PCM);
  EXPECT_EQ(to8.wfx.wBitsPerSample, 8);
  EXPECT_EQ(to8.wfx.nChannels, 2);
  // A tag-2 format with its own coefficients is no standard one: nothing to suggest.
  ADPCMWAVEFORMAT own = f;
  own.aCoef[3].iCoef1 = 100;
  EXPECT_FALSE(files::IsStandardMSADPCMFormat(&own.wfx));
  EXPECT_FALSE(files::SuggestMSADPCMFormat(&own.wfx, to8, 0, 0, 0));
  EXPECT_FALSE(files::SuggestMSADPCMFormat(nullptr, to8, 0, 0, 0));

  // 8-bit output: -32768 -> 0, -1 -> 128, 32767 -> 255 (header samples, sample 2 first).
  const ADPCMWAVEFORMAT mono = MsAdpcm(1, 8000, 7, 2);
  const plat::WAVEFORMATEX pcm8 = Pcm(8, 1, 8000);
  Bytes blocks = MonoBlock(0, 16, 32767, -32768, {});
  const Bytes second = MonoBlock(0, 16, 5, -1, {});
  blocks.insert(blocks.end(), second.begin(), second.end());
  Bytes out(4);
  ASSERT_EQ(files::DecodeMSADPCM(&mono.wfx, &pcm8, blocks.data(), out.data(), 14, 4), 4);
  EXPECT_EQ(out, (Bytes{0, 255, 128, 128}));

  // A predictor index at or past the seven pairs: nothing for the whole call,
  // even after a good block.
  const ADPCMWAVEFORMAT three = MsAdpcm(1, 8000, 9, 6);
  const plat::WAVEFORMATEX pcm16 = Pcm(16, 1, 8000);
  Bytes good = MonoBlock(0, 16, 100, 50, {0x12, 0x7F}), bad = MonoBlock(7, 16, 100, 50, {0x12, 0x7F});
  Bytes both = good;
  both.insert(both.end(), bad.begin(), bad.end());
  Bytes out16(24);
  ASSERT_EQ(files::DecodeMSADPCM(&three.wfx, &pcm16, good.data(), out16.data(), 9, 24), 12);
  // coef pair 0 is (256, 0): each sample is the last plus code * delta.
  EXPECT_EQ(Samples16(Bytes(out16.begin(), out16.begin() + 12)),
            (std::vector<int16_t>{50, 100, 116, 148, 260, 222}));
  EXPECT_EQ(files::DecodeMSADPCM(&three.wfx, &pcm16, both.data(), out16.data(), 18, 24), 0);
}

// Formats and blocks no decoder may trust: each decodes to nothing, or to no
// more than the room given, with the sanitizers watching.
TEST_F(ADPCMCodecTest, Tag2CorruptFormatsAndBlocksStayInBounds) {
  struct Row {
    const char* what;
    int block_align, samples_per_block, channels, bits, cb_size, num_coef;
    int source_bytes, dest_bytes;
    int expected;  // bytes written; -1: anything up to dest_bytes
  };
  const Row rows[] = {
      {"block align 0", 0, 100, 1, 4, 32, 7, 4096, 1 << 16, 0},
      {"spb past the block", 1024, 8192, 1, 4, 32, 7, 4096, 1 << 16, 0},
      {"spb 100 in 1024-byte blocks walks by the block", 1024, 100, 1, 4, 32, 7, 4096, 1 << 16, 4 * 200},
      {"768 with a short last block", 768, 1524, 1, 4, 32, 7, 4096, 1 << 16, 5 * 3048 + 2 * (2 + 249 * 2)},
      {"dest for one block only", 768, 1524, 1, 4, 32, 7, 4096, 3048, 3048},
      {"dest smaller than a block", 768, 1524, 1, 4, 32, 7, 4096, 3047, 0},
      {"spb 1", 512, 1, 1, 4, 32, 7, 4096, 1 << 16, 0},
      {"no coefficients stored", 512, 1012, 1, 4, 0, 7, 4096, 1 << 16, 0},
      {"more pairs than stored", 512, 1012, 1, 4, 32, 200, 4096, 1 << 16, 0},
      {"no channels", 512, 1012, 0, 4, 32, 7, 4096, 1 << 16, 0},
      {"five channels", 512, 100, 5, 4, 32, 7, 4096, 1 << 16, 0},
      {"16 bits", 512, 1012, 1, 16, 32, 7, 4096, 1 << 16, 0},
      {"header cut short", 512, 500, 2, 4, 32, 7, 13, 1 << 16, 0},
      {"stereo whole blocks", 2048, 2036, 2, 4, 32, 7, 4096, 1 << 16, 2 * 8144},
  };
  Bytes source(4096);
  for (size_t i = 0; i < source.size(); ++i) source[i] = static_cast<uint8_t>(i * 37 + 11);
  // Valid predictor bytes in every block start this table uses, so the walk
  // itself is what is tested.
  for (size_t i = 0; i < source.size(); ++i) source[i] = i % 256 < 8 ? 0 : source[i];
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    ADPCMWAVEFORMAT f =
        MsAdpcm(r.channels < 1 || r.channels > 4 ? 1 : r.channels, 22050, r.block_align, r.samples_per_block);
    f.wfx.nBlockAlign = static_cast<plat::WORD>(r.block_align);
    f.wfx.nChannels = static_cast<plat::WORD>(r.channels);
    f.wfx.wBitsPerSample = static_cast<plat::WORD>(r.bits);
    f.wfx.cbSize = static_cast<plat::WORD>(r.cb_size);
    f.wNumCoef = static_cast<uint16_t>(r.num_coef);
    const plat::WAVEFORMATEX pcm = Pcm(16, 2, 22050);
    Bytes dest(static_cast<size_t>(r.dest_bytes));  // exact size: ASan sees any overrun
    const int32_t n =
        files::DecodeMSADPCM(&f.wfx, &pcm, source.data(), dest.data(), r.source_bytes, r.dest_bytes);
    if (r.expected >= 0) {
      EXPECT_EQ(n, r.expected);
    }
    EXPECT_LE(n, r.dest_bytes);
    EXPECT_EQ(files::IsStandardMSADPCMFormat(&f.wfx),
              r.cb_size >= 32 && r.num_coef == 7 && r.bits == 4 && r.channels >= 1 && r.channels <= 4);
  }
}

// ---- Step families ----

// The saturating family is the headerless IMA stream. Its table holds 16-bit
// differences, so it parts from sox only where a difference would pass 32767
// (steps of 17476 and up with code 7); the two tones here stay below that.
TEST_F(ADPCMCodecTest, SaturatingMonoDecodesSoxImaStreamLikeSox) {
  const plat::WAVEFORMATEX pcm = Pcm(16, 1, 22050);
  const std::string in = temp_.File("in.wav"), codes = temp_.File("t.ima"), ref = temp_.File("ref.raw");
  WriteWave(in, pcm, TwoTones(pcm, 8000));
  ASSERT_TRUE(Sox(in + " -t ima " + codes));
  ASSERT_TRUE(Sox("-t ima -r 22050 -c 1 " + codes + " -t s16 " + ref));
  const Bytes source = ReadFileBytes(codes), expected = ReadFileBytes(ref);
  ASSERT_EQ(expected.size(), source.size() * 4);
  Bytes out(expected.size());
  TStepADPCMState state;
  ASSERT_EQ(files::DecodeStepSatMono(state, static_cast<int32_t>(source.size()), out.data(), source.data()),
            static_cast<int32_t>(out.size()));
  const std::vector<int16_t> got = Samples16(out), want = Samples16(expected);
  const auto diff = std::mismatch(want.begin(), want.end(), got.begin());
  EXPECT_EQ(diff.first, want.end()) << "first difference at sample " << (diff.first - want.begin()) << ": "
                                    << *diff.second << " for " << *diff.first;
}

TEST_F(ADPCMCodecTest, StepFamiliesWorkedValues) {
  // Row 88, code 7, from 30000: the saturating family stops at 32767, the
  // wrapping family adds its table's -4098.
  files::TStepChannel sat{0, 88, 30000}, wrap{0, 88, 30000};
  EXPECT_EQ(files::StepSatDecode(sat, 7), 32767);
  EXPECT_EQ(files::StepWrapDecode(wrap, 7), 25902);
  EXPECT_EQ(sat.StepIndex, 88);
  EXPECT_EQ(wrap.LastCode, 7);

  // The wrapping family's fixed rows, and the saturating family's rule.
  const std::vector<std::pair<int, std::vector<int16_t>>> rows = {
      {0, {0, 2, 4, 6, 8, 10, 12, 13}},
      {1, {1, 3, 5, 7, 9, 11, 13, 15}},
      {2, {1, 3, 5, 7, 10, 12, 14, 16}},
      {44, {61, 185, 309, 432, 556, 680, 803, 927}},
      {86, {3385, 10157, 16928, 23700, 30471, -28293, -21522, -14750}},
      {87, {3724, 11172, 18621, 26070, -32018, -24569, -17120, -9672}},
      {88, {4096, 12288, 20479, 28671, -28673, -20481, -12290, -4098}},
  };
  for (const auto& [index, values] : rows)
    for (int c = 0; c < 8; ++c)
      EXPECT_EQ(files::StepWrapDifference(index, c), values[c]) << index << "," << c;
  EXPECT_EQ(files::StepSatDifference(0, 7), 13);  // 7 * 15 / 8
  EXPECT_EQ(files::StepSatDifference(44, 2), 308);
  EXPECT_EQ(files::StepSatDifference(88, 1), 12287);
  EXPECT_EQ(files::StepSatDifference(88, 7), 32767);
  // The rule for the other rows: step * (2c + 1) / 8 in 16 bits.
  EXPECT_EQ(files::StepWrapDifference(43, 3), 449 * 7 / 8);

  // Index adaptation: the wrapping family by the whole code, the other by
  // its low bits; both clamp to 0..88.
  files::TStepChannel a{0, 0, 0}, b{0, 88, 0};
  files::StepWrapDecode(a, 0x9);
  EXPECT_EQ(a.StepIndex, 0);
  files::StepSatDecode(b, 0xF);
  EXPECT_EQ(b.StepIndex, 88);
  EXPECT_EQ(b.Predictor, -32767);
  files::StepSatDecode(b, 0xF);
  EXPECT_EQ(b.Predictor, -32768);
}

// Each routine's byte layout, against the one-code decoders.
TEST_F(ADPCMCodecTest, StepRoutinesTakeCodesInTheirByteOrder) {
  using Fn = int32_t (*)(TStepADPCMState&, int32_t, void*, const void*);
  using One = int16_t (*)(files::TStepChannel&, int32_t);
  struct Row {
    const char* what;
    Fn routine;
    One one;
    std::vector<int> left, right;  // codes in decoding order; right empty for mono
  };
  const Bytes source{0x1C, 0x4B, 0x93, 0x70};
  const Row rows[] = {
      {"wrap mono", files::DecodeStepWrapMono, files::StepWrapDecode, {1, 0xC, 4, 0xB, 9, 3, 7, 0}, {}},
      {"sat mono", files::DecodeStepSatMono, files::StepSatDecode, {1, 0xC, 4, 0xB, 9, 3, 7, 0}, {}},
      {"wrap stereo", files::DecodeStepWrapStereo, files::StepWrapDecode, {0xC, 0xB, 3, 0}, {1, 4, 9, 7}},
      {"sat stereo", files::DecodeStepSatStereo, files::StepSatDecode, {4, 1, 7, 9}, {0xB, 0xC, 0, 3}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    std::vector<int16_t> expected;
    files::TStepChannel l, rt;
    for (size_t i = 0; i < r.left.size(); ++i) {
      expected.push_back(r.one(l, r.left[i]));
      if (!r.right.empty()) expected.push_back(r.one(rt, r.right[i]));
    }
    TStepADPCMState state;
    Bytes out(16);
    ASSERT_EQ(r.routine(state, 4, out.data(), source.data()), 16);
    EXPECT_EQ(Samples16(out), expected);
    EXPECT_EQ(state.Left.Predictor, l.Predictor);
    EXPECT_EQ(state.Right.Predictor, rt.Predictor);
  }
}

// The state carries a stream over any split, the saturating stereo layout
// its odd byte too; the encoders round-trip a tone closely.
TEST_F(ADPCMCodecTest, StepStreamsContinueAcrossCallsAndRoundTrip) {
  using Dec = int32_t (*)(TStepADPCMState&, int32_t, void*, const void*);
  using Enc = int32_t (*)(TStepADPCMState&, int32_t, void*, const void*);
  struct Row {
    const char* what;
    Enc encode;
    Dec decode;
    int channels;
  };
  const Row rows[] = {
      {"wrap mono", files::EncodeStepWrapMono, files::DecodeStepWrapMono, 1},
      {"wrap stereo", files::EncodeStepWrapStereo, files::DecodeStepWrapStereo, 2},
      {"sat mono", files::EncodeStepSatMono, files::DecodeStepSatMono, 1},
      {"sat stereo", files::EncodeStepSatStereo, files::DecodeStepSatStereo, 2},
  };
  const int frames = 2000;
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    const plat::WAVEFORMATEX pcm = Pcm(16, r.channels, 22050);
    const std::vector<int16_t> input = Samples16(Tone(pcm, frames));
    Bytes codes(static_cast<size_t>(frames * r.channels / 2));
    TStepADPCMState enc;
    ASSERT_EQ(r.encode(enc, frames, codes.data(), Bytes16(input).data()), static_cast<int32_t>(codes.size()));

    Bytes whole(codes.size() * 4);
    TStepADPCMState one;
    ASSERT_EQ(r.decode(one, static_cast<int32_t>(codes.size()), whole.data(), codes.data()),
              static_cast<int32_t>(whole.size()));
    const std::vector<int16_t> decoded = Samples16(whole);
    int worst = 0;
    for (size_t i = 200; i < input.size(); ++i) worst = std::max(worst, std::abs(input[i] - decoded[i]));
    EXPECT_LT(worst, 1500);
    EXPECT_EQ(enc.Left.Predictor, one.Left.Predictor);

    // Odd splits: 1, 2, 3, ... bytes per call.
    Bytes split(whole.size());
    TStepADPCMState state;
    int32_t in = 0, out = 0;
    for (int32_t step = 1; in < static_cast<int32_t>(codes.size()); ++step) {
      const int32_t n = std::min<int32_t>(step, static_cast<int32_t>(codes.size()) - in);
      out += r.decode(state, n, split.data() + out, codes.data() + in);
      in += n;
    }
    EXPECT_EQ(out, static_cast<int32_t>(whole.size()));
    EXPECT_EQ(split, whole);
  }
}

}  // namespace
}  // namespace filestest
