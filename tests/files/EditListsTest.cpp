#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "WaveFixtures.h"
#include "engine/MMPCMSup.h"
#include "files/MMCutLst.h"
#include "files/MMEnvelp.h"
#include "files/MMFade.h"
#include "files/MMObjLst.h"
#include "platform/vcl/Streams.h"

namespace {

using files::TMMCutList;
using files::TMMFadeList;
using files::TMMFadeRecord;
using filestest::CutRange;

TMMFadeRecord Point(int64_t position, int32_t left, int32_t right, int32_t gain = 0) {
  TMMFadeRecord p;
  p.Position = position;
  p.Gain = gain;
  p.LeftGain = left;
  p.RightGain = right;
  return p;
}

plat::WAVEFORMATEX Pcm(int bits, int channels) {
  plat::WAVEFORMATEX f{};
  engine::BuildPCMFormat(f, static_cast<uint16_t>(bits), static_cast<uint16_t>(channels), 44100);
  return f;
}

TEST(CutList, CapacityGrowsBy4Then8Then16) {
  TMMCutList list;
  std::vector<int32_t> capacities;
  for (int i = 0; i < 40; ++i) {
    if (list.Count() == list.Capacity()) {
      list.Add(CutRange(i * 10, 1));
      capacities.push_back(list.Capacity());
    } else {
      list.Add(CutRange(i * 10, 1));
    }
  }
  EXPECT_EQ(capacities, (std::vector<int32_t>{4, 8, 16, 32, 48}));
}

TEST(CutList, AddRangeKeepsStartOrderAndRefusesAStartInsideARange) {
  TMMCutList list;
  int changes = 0;
  list.OnChange = [&](vcl::TObject*) { ++changes; };
  EXPECT_TRUE(list.AddRange(CutRange(100, 50)));  // 100..149
  EXPECT_TRUE(list.AddRange(CutRange(10, 5)));
  EXPECT_TRUE(list.AddRange(CutRange(150, 10)));   // starts at the end of the first: accepted
  EXPECT_FALSE(list.AddRange(CutRange(149, 10)));  // its last sample: refused
  EXPECT_FALSE(list.AddRange(CutRange(100, 1)));
  ASSERT_EQ(list.Count(), 3);
  EXPECT_EQ(list.GetRange(0).Start, 10);
  EXPECT_EQ(list.GetRange(1).Start, 100);
  EXPECT_EQ(list.GetRange(2).Start, 150);
  EXPECT_EQ(changes, 3);
  EXPECT_THROW(list.GetRange(3), vcl::EListError);
  EXPECT_THROW(list.Insert(5, CutRange(0, 1)), vcl::EListError);
  EXPECT_THROW(list.SetCount(-1), vcl::EListError);
  EXPECT_THROW(list.SetCapacity(2), vcl::EListError);
}

TEST(CutList, IndexOfPositionAndContainingRange) {
  TMMCutList list;
  EXPECT_EQ(list.IndexOfPosition(0), -1);
  list.Add(CutRange(100, 10));
  EXPECT_EQ(list.IndexOfPosition(100), 1);
  EXPECT_EQ(list.IndexOfPosition(99), 0);
  list.Add(CutRange(200, 10));
  list.Add(CutRange(300, 0));
  struct Case {
    int64_t pos;
    int32_t index, containing;
  } cases[] = {{50, 0, -1}, {100, 1, 0}, {109, 1, 0}, {110, 1, -1}, {205, 2, 1}, {300, 3, -1}, {999, 3, -1}};
  for (const Case& c : cases) {
    EXPECT_EQ(list.IndexOfPosition(c.pos), c.index) << c.pos;
    EXPECT_EQ(list.IndexOfRangeContaining(c.pos), c.containing) << c.pos;
  }
}

TEST(CutList, AssignCopiesWithinOneChange) {
  TMMCutList a, b;
  a.Add(CutRange(1, 2));
  a.Add(CutRange(5, 6));
  b.Add(CutRange(9, 9));
  int changes = 0;
  b.OnChange = [&](vcl::TObject*) { ++changes; };
  b.Assign(&a);
  ASSERT_EQ(b.Count(), 2);
  EXPECT_EQ(b.GetRange(1).Start, 5);
  EXPECT_EQ(changes, 1);
  b.Assign(nullptr);
  EXPECT_EQ(b.Count(), 0);
}

TEST(FadeList, IndexOfPositionAndGainAt) {
  TMMFadeList list;
  EXPECT_EQ(list.IndexOfPosition(5), -1);
  EXPECT_EQ(list.GainAt(5), 0);
  list.AddPoint(Point(100, 0, 0, 0));
  EXPECT_EQ(list.IndexOfPosition(100), 1);
  EXPECT_EQ(list.IndexOfPosition(99), 0);
  list.Clear();
  list.AddPoint(Point(0, 0, 0, 0));
  list.AddPoint(Point(1000, 0, 0, 16384));
  struct Case {
    int64_t pos;
    int32_t gain;
  } cases[] = {{-1, 0}, {0, 0}, {500, 8192}, {1000, 16384}, {2000, 32768}};
  for (const Case& c : cases) EXPECT_EQ(list.GainAt(c.pos), c.gain) << c.pos;
  // Past 32 bits of bytes the line still holds.
  list.Clear();
  list.AddPoint(Point(int64_t{1} << 40, 0, 0, 0));
  list.AddPoint(Point((int64_t{1} << 40) + 1000, 0, 0, 16384));
  EXPECT_EQ(list.GainAt((int64_t{1} << 40) + 250), 4096);
}

TEST(FadeList, SortPointsOrdersByPositionKeepingEqualOnesInOrder) {
  TMMFadeList list;
  const int64_t positions[] = {50, 10, 40, 10, 30, 20, 90, 0,  70, 60, 80,
                               5,  15, 25, 35, 45, 55, 65, 75, 85, 95};
  int32_t tag = 0;
  for (int64_t p : positions) list.AddPoint(Point(p, 0, 0, tag++));
  list.SortPoints();
  for (int32_t i = 1; i < list.Count(); ++i)
    EXPECT_LE(list.GetPoint(i - 1).Position, list.GetPoint(i).Position);
  // The two points at 10 were added as tags 1 and 3.
  const int32_t at10 = list.IndexOfPosition(9);
  EXPECT_EQ(list.GetPoint(at10).Gain, 1);
  EXPECT_EQ(list.GetPoint(at10 + 1).Gain, 3);
}

// Constant-gain segments: one fade list holding `gain` on both channels
// from position 0 far past the buffer.
struct GainCase {
  int bits, channels;
  int32_t gain;
  int32_t in, out;
  bool clipped;
};

class FadeGain : public ::testing::TestWithParam<GainCase> {};

TEST_P(FadeGain, EveryChannelOfEveryFrameTakesTheGain) {
  const GainCase c = GetParam();
  const plat::WAVEFORMATEX f = Pcm(c.bits, c.channels);
  constexpr int kFrames = 64;
  const int bytes = kFrames * f.nBlockAlign;
  std::vector<uint8_t> buffer(static_cast<size_t>(bytes));
  for (int i = 0; i < kFrames * c.channels; ++i) {
    if (c.bits == 8)
      buffer[static_cast<size_t>(i)] = static_cast<uint8_t>(c.in);
    else
      reinterpret_cast<int16_t*>(buffer.data())[i] = static_cast<int16_t>(c.in);
  }
  TMMFadeList list;
  list.AddPoint(Point(0, c.gain, c.gain));
  list.AddPoint(Point(1 << 20, c.gain, c.gain));
  list.SetWalk(0, c.gain, c.gain);
  EXPECT_EQ(list.ApplyFade(&f, buffer.data(), bytes), c.clipped);
  for (int i = 0; i < kFrames * c.channels; ++i) {
    const int32_t v =
        c.bits == 8 ? buffer[static_cast<size_t>(i)] : reinterpret_cast<int16_t*>(buffer.data())[i];
    ASSERT_EQ(v, c.out) << "sample " << i;
  }
  EXPECT_EQ(list.WalkPosition(), bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Values, FadeGain,
    ::testing::Values(GainCase{16, 2, 32768, 20000, 32767, true},
                      GainCase{16, 2, 32768, -20000, -32768, true},
                      GainCase{16, 2, 16384, 20000, 20000, false}, GainCase{16, 1, 8192, -1000, -500, false},
                      GainCase{8, 2, 8192, 200, 164, false}, GainCase{8, 1, 32768, 250, 255, true},
                      GainCase{8, 2, 32768, 10, 0, true}, GainCase{8, 2, 0, 200, 128, false},
                      GainCase{16, 4, 8192, 1000, 500, false}, GainCase{8, 4, 8192, 200, 164, false},
                      GainCase{16, 4, 0, 1000, 0, false}));

TEST(FadeList, ARampRunsOverTheFramesOfItsSegment) {
  // Left rises 0 -> 16384 over 4 frames of 16-bit stereo; right stays at unity.
  const plat::WAVEFORMATEX f = Pcm(16, 2);
  TMMFadeList list;
  list.AddPoint(Point(0, 0, 16384));
  list.AddPoint(Point(16, 16384, 16384));
  list.SetWalk(0, 0, 16384);
  int16_t samples[8];
  for (int16_t& s : samples) s = 16384;
  EXPECT_FALSE(list.ApplyFade(&f, samples, sizeof(samples)));
  const int16_t expected[8] = {0, 16384, 4096, 16384, 8192, 16384, 12288, 16384};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(samples[i], expected[i]) << i;
  EXPECT_EQ(list.WalkLeftGain(), 16384);
}

TEST(FadeList, AFourChannelRampReachesEveryFrame) {
  // Every frame of a 4-channel 16-bit block ramps: channels
  // 1 and 3 on the left gain, 2 and 4 on the right.
  const plat::WAVEFORMATEX f = Pcm(16, 4);
  TMMFadeList list;
  list.AddPoint(Point(0, 16384, 0));
  list.AddPoint(Point(64, 0, 16384));
  list.SetWalk(0, 16384, 0);
  int16_t samples[32];
  for (int16_t& s : samples) s = 8000;
  list.ApplyFade(&f, samples, sizeof(samples));
  for (int frame = 0; frame < 8; ++frame) {
    const int32_t left = 16384 - 16384 * frame / 8, right = 16384 * frame / 8;
    EXPECT_EQ(samples[frame * 4 + 0], 8000 * left / 16384) << frame;
    EXPECT_EQ(samples[frame * 4 + 2], 8000 * left / 16384) << frame;
    EXPECT_EQ(samples[frame * 4 + 1], 8000 * right / 16384) << frame;
    EXPECT_EQ(samples[frame * 4 + 3], 8000 * right / 16384) << frame;
  }
}

TEST(FadeList, TwoPointsAtOnePositionStartTheNextSegmentFromTheFirst) {
  const plat::WAVEFORMATEX f = Pcm(16, 1);
  TMMFadeList list;
  list.AddPoint(Point(0, 16384, 16384));
  list.AddPoint(Point(8, 16384, 16384));
  list.AddPoint(Point(8, 0, 0));
  list.AddPoint(Point(16, 0, 0));
  list.SetWalk(0, 16384, 16384);
  int16_t samples[8];
  for (int16_t& s : samples) s = 1000;
  list.ApplyFade(&f, samples, sizeof(samples));
  // Unity up to the pair; from there a ramp from the first point's 16384 down.
  const int16_t expected[8] = {1000, 1000, 1000, 1000, 1000, 750, 500, 250};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(samples[i], expected[i]) << i;
}

TEST(FadeList, SilentSegmentsAndOtherFormats) {
  plat::WAVEFORMATEX f = Pcm(8, 2);
  TMMFadeList list;
  list.AddPoint(Point(0, 0, 0));
  list.AddPoint(Point(100, 0, 0));
  uint8_t bytes[10];
  std::memset(bytes, 7, sizeof(bytes));
  EXPECT_FALSE(list.ApplyFade(&f, bytes, sizeof(bytes)));
  for (uint8_t b : bytes) EXPECT_EQ(b, 128);
  // Not PCM: untouched, walk unchanged.
  f.wFormatTag = 2;
  std::memset(bytes, 7, sizeof(bytes));
  const int64_t walked = list.WalkPosition();
  EXPECT_FALSE(list.ApplyFade(&f, bytes, sizeof(bytes)));
  EXPECT_EQ(bytes[0], 7);
  EXPECT_EQ(list.WalkPosition(), walked);
}

TEST(EnvelopePoint, StreamsAsNineBytesAndIsRegistered) {
  files::TMMEnvelopePoint a;
  a.SetPoint(-2, 0x01020304, 7);
  vcl::TMemoryStream stream;
  a.WriteToStream(stream);
  EXPECT_EQ(stream.Size(), 9);
  stream.SetPosition(0);
  files::TMMEnvelopePoint b;
  b.ReadFromStream(stream);
  EXPECT_EQ(b.Position, -2);
  EXPECT_EQ(b.Value, 0x01020304);
  EXPECT_EQ(b.Flag, 7);
  EXPECT_THROW(b.ReadFromStream(stream), vcl::EReadError);

  files::RegisterEnvelopeItems();
  files::RegisterEnvelopeItems();
  const files::TItemClassRec* rec = files::FindItemClass("tmmenvelopepoint");
  ASSERT_NE(rec, nullptr);
  EXPECT_EQ(rec->ItemClass, files::TMMEnvelopePoint::StaticClass());
  EXPECT_EQ(files::ItemClassCount(), 1);
}

}  // namespace
