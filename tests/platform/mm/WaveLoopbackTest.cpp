#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "WaveTestSupport.h"

using namespace plat;
using namespace wavetest;

namespace {

class WaveLoopback : public WaveFixture {
 protected:
  ScopedManualClock clock_;
};

// 17640 bytes are 100 ms at 44100 Hz, 16-bit stereo.
constexpr size_t k100ms = 17640;

TEST_F(WaveLoopback, InputBufferCompletesExactlyWhenItsTimeHasPassed) {
  Recorder rec;
  HWAVEIN in = OpenIn("Loopback Input", rec);
  Buffer a(k100ms), b(k100ms);
  AddIn(in, a);
  AddIn(in, b);
  ASSERT_EQ(waveInStart(in), MMSYSERR_NOERROR);
  clock::Advance(99'999);
  EXPECT_TRUE(rec.Of(WIM_DATA).empty());
  EXPECT_FALSE(a.header.dwFlags & WHDR_DONE);
  clock::Advance(1);
  clock::AdvanceMs(100);
  ASSERT_TRUE(rec.WaitFor(3));
  const auto data = rec.Of(WIM_DATA);
  ASSERT_EQ(data.size(), 2u);
  // In order, and complete before the client hears of them.
  EXPECT_EQ(data[0].header, &a.header);
  EXPECT_EQ(data[1].header, &b.header);
  for (const Notice& n : data) {
    EXPECT_EQ(n.bytes, k100ms);
    EXPECT_TRUE(n.flags & WHDR_DONE);
    EXPECT_FALSE(n.flags & WHDR_INQUEUE);
    EXPECT_TRUE(n.flags & WHDR_PREPARED);
  }
  EXPECT_EQ(PositionIn(in), 2 * k100ms);
  EXPECT_EQ(waveInReset(in), MMSYSERR_NOERROR);
  EXPECT_EQ(waveInClose(in), MMSYSERR_NOERROR);
  EXPECT_EQ(rec.notices().front().message, WIM_OPEN);
  EXPECT_EQ(rec.notices().back().message, WIM_CLOSE);
}

// What is played is captured byte for byte at the clock time it is played,
// with silence before and after.
struct LoopbackCase {
  int64_t output_delay_ms;
  WAVEFORMATEX format;
};

std::string CaseName(const LoopbackCase& c) {
  return "Delay" + std::to_string(c.output_delay_ms) + "ms_" + std::to_string(c.format.nSamplesPerSec) +
         "Hz" + std::to_string(c.format.wBitsPerSample) + "bit" + std::to_string(c.format.nChannels) + "ch";
}

void PrintTo(const LoopbackCase& c, std::ostream* os) { *os << CaseName(c); }

class WaveLoopbackCapture : public WaveLoopback, public ::testing::WithParamInterface<LoopbackCase> {};

TEST_P(WaveLoopbackCapture, CapturesWhatIsPlayed) {
  const LoopbackCase c = GetParam();
  const size_t rate = c.format.nAvgBytesPerSec;
  Recorder in_rec, out_rec;
  HWAVEIN in = OpenIn("Loopback Input", in_rec, c.format);
  HWAVEOUT out = OpenOut("Loopback Output", out_rec, c.format);
  ASSERT_NE(out, nullptr);
  // 400 ms captured in four buffers; 150 ms played.
  std::vector<Buffer> captured;
  captured.reserve(4);
  for (int i = 0; i < 4; ++i) captured.emplace_back(rate / 10, 0x55);
  for (auto& b : captured) AddIn(in, b);
  Buffer played(rate * 15 / 100);
  FillPattern(played.data);
  ASSERT_EQ(waveInStart(in), MMSYSERR_NOERROR);
  clock::AdvanceMs(c.output_delay_ms);
  WriteOut(out, played);
  clock::AdvanceMs(400 - c.output_delay_ms);
  ASSERT_TRUE(in_rec.WaitFor(5));
  ASSERT_TRUE(out_rec.WaitFor(2));
  EXPECT_EQ(out_rec.Of(WOM_DONE).size(), 1u);

  std::vector<char> all;
  for (auto& b : captured) {
    ASSERT_TRUE(b.header.dwFlags & WHDR_DONE);
    all.insert(all.end(), b.data.begin(), b.data.end());
  }
  const size_t start = rate * c.output_delay_ms / 1000;
  const char silence = c.format.wBitsPerSample == 8 ? char(0x80) : 0;
  for (size_t i = 0; i < start; ++i) ASSERT_EQ(all[i], silence) << i;
  ASSERT_EQ(std::memcmp(all.data() + start, played.data.data(), played.data.size()), 0);
  for (size_t i = start + played.data.size(); i < all.size(); ++i) ASSERT_EQ(all[i], silence) << i;

  EXPECT_EQ(waveOutClose(out), MMSYSERR_NOERROR);
  EXPECT_EQ(waveInClose(in), MMSYSERR_NOERROR);
}

INSTANTIATE_TEST_SUITE_P(Formats, WaveLoopbackCapture,
                         ::testing::Values(LoopbackCase{0, kCd}, LoopbackCase{50, kCd},
                                           LoopbackCase{130, Pcm(8000, 8, 1)},
                                           LoopbackCase{20, Pcm(48000, 16, 1)}),
                         [](const auto& info) { return CaseName(info.param); });

TEST_F(WaveLoopback, LoopedBufferPlaysItsCountOfTimesAndBreakLoopEndsIt) {
  Recorder in_rec, out_rec;
  HWAVEIN in = OpenIn("Loopback Input", in_rec);
  HWAVEOUT out = OpenOut("Loopback Output", out_rec);
  Buffer capture(k100ms);
  AddIn(in, capture);
  ASSERT_EQ(waveInStart(in), MMSYSERR_NOERROR);
  // 20 ms, played three times, then a plain buffer of 20 ms.
  Buffer loop(k100ms / 5), tail(k100ms / 5);
  FillPattern(loop.data, 7);
  FillPattern(tail.data, 9);
  loop.header.dwFlags = WHDR_BEGINLOOP | WHDR_ENDLOOP;
  loop.header.dwLoops = 3;
  WriteOut(out, loop);
  WriteOut(out, tail);
  clock::AdvanceMs(59);
  EXPECT_FALSE(loop.header.dwFlags & WHDR_DONE);
  clock::AdvanceMs(1);
  EXPECT_TRUE(loop.header.dwFlags & WHDR_DONE);
  EXPECT_FALSE(tail.header.dwFlags & WHDR_DONE);
  clock::AdvanceMs(40);
  ASSERT_TRUE(in_rec.WaitFor(2));
  ASSERT_TRUE(out_rec.WaitFor(3));
  for (int pass = 0; pass < 3; ++pass)
    EXPECT_EQ(std::memcmp(capture.data.data() + pass * loop.data.size(), loop.data.data(), loop.data.size()),
              0)
        << "pass " << pass;
  EXPECT_EQ(std::memcmp(capture.data.data() + 3 * loop.data.size(), tail.data.data(), tail.data.size()), 0);
  EXPECT_EQ(capture.data[4 * loop.data.size()], 0) << "silence after the end";
  EXPECT_EQ(PositionOut(out), 4 * loop.data.size());

  // An endless-looking loop ends after the pass in which the break came.
  loop.header.dwLoops = 1000;
  WriteOut(out, loop);
  clock::AdvanceMs(30);
  EXPECT_EQ(waveOutBreakLoop(out), MMSYSERR_NOERROR);
  clock::AdvanceMs(9);
  EXPECT_FALSE(loop.header.dwFlags & WHDR_DONE);
  clock::AdvanceMs(1);
  EXPECT_TRUE(loop.header.dwFlags & WHDR_DONE);

  EXPECT_EQ(waveInReset(in), MMSYSERR_NOERROR);
  EXPECT_EQ(waveOutClose(out), MMSYSERR_NOERROR);
  EXPECT_EQ(waveInClose(in), MMSYSERR_NOERROR);
}

TEST_F(WaveLoopback, PauseHoldsThePositionAndRestartGoesOn) {
  Recorder rec;
  HWAVEOUT out = OpenOut("Loopback Output", rec);
  Buffer b(k100ms);
  WriteOut(out, b);
  clock::AdvanceMs(30);
  ASSERT_EQ(waveOutPause(out), MMSYSERR_NOERROR);
  const DWORD held = PositionOut(out);
  EXPECT_EQ(held, k100ms * 3 / 10);
  clock::AdvanceMs(500);
  EXPECT_EQ(PositionOut(out), held);
  EXPECT_FALSE(b.header.dwFlags & WHDR_DONE);
  ASSERT_EQ(waveOutRestart(out), MMSYSERR_NOERROR);
  clock::AdvanceMs(69);
  EXPECT_FALSE(b.header.dwFlags & WHDR_DONE);
  clock::AdvanceMs(1);
  EXPECT_TRUE(b.header.dwFlags & WHDR_DONE);
  EXPECT_EQ(PositionOut(out), k100ms);
  // A buffer written while paused waits for the restart.
  ASSERT_EQ(waveOutPause(out), MMSYSERR_NOERROR);
  Buffer c(k100ms);
  WriteOut(out, c);
  clock::AdvanceMs(200);
  EXPECT_FALSE(c.header.dwFlags & WHDR_DONE);
  ASSERT_EQ(waveOutReset(out), MMSYSERR_NOERROR);
  EXPECT_TRUE(c.header.dwFlags & WHDR_DONE);
  EXPECT_EQ(PositionOut(out), 0u);
  EXPECT_EQ(waveOutClose(out), MMSYSERR_NOERROR);
}

TEST_F(WaveLoopback, PositionInSamplesBytesAndMilliseconds) {
  Recorder rec;
  HWAVEIN in = OpenIn("Loopback Input", rec);
  ASSERT_EQ(waveInStart(in), MMSYSERR_NOERROR);
  clock::AdvanceMs(250);
  EXPECT_EQ(PositionIn(in, TIME_BYTES), 44100u);
  EXPECT_EQ(PositionIn(in, TIME_SAMPLES), 11025u);
  EXPECT_EQ(PositionIn(in, TIME_MS), 250u);
  // A format the device does not keep comes back in bytes.
  MMTIME t;
  t.wType = TIME_SMPTE;
  ASSERT_EQ(waveInGetPosition(in, &t, sizeof(t)), MMSYSERR_NOERROR);
  EXPECT_EQ(t.wType, TIME_BYTES);
  EXPECT_EQ(t.u.cb, 44100u);
  // Stopped, the position holds; a reset brings it back to 0.
  ASSERT_EQ(waveInStop(in), MMSYSERR_NOERROR);
  clock::AdvanceMs(100);
  EXPECT_EQ(PositionIn(in, TIME_SAMPLES), 11025u);
  ASSERT_EQ(waveInReset(in), MMSYSERR_NOERROR);
  EXPECT_EQ(PositionIn(in, TIME_SAMPLES), 0u);
  EXPECT_EQ(waveInGetPosition(in, &t, sizeof(t) - 1), MMSYSERR_INVALPARAM);
  EXPECT_EQ(waveInClose(in), MMSYSERR_NOERROR);
}

}  // namespace
