// The records page's lines and the timer state that ends each recording.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/PeakRecords.h"
#include "platform/kernel/Locale.h"

namespace {

using app::TRecordState;

class PeakRecordsTest : public ::testing::Test {
 protected:
  void SetUp() override { plat::SetLocaleSeparators(plat::LocaleSeparators{'.', ','}); }
  void TearDown() override { plat::SetLocaleSeparators(std::nullopt); }
};

TEST_F(PeakRecordsTest, LinesAsTheRecordFileHoldsThem) {
  struct Case {
    std::string line;
    std::string expected;
  };
  const Case cases[] = {
      {app::PeakRecordLine(1, " 1000.0 Hz", 0.5, -6.02),
       "  Step: 001  - | Frequency:   1000.0 Hz |  Amplitude: 0.500000 | dB:    0.81 |"},
      {app::PeakRecordLine(399, "21533.2 Hz", 1.0, -100.0),
       "  Step: 399  - | Frequency:  21533.2 Hz |  Amplitude: 1.000000 | dB:  -93.17 |"},
      {app::PeakRecordLine(42, "  440.0 Hz", 0.0123456, -38.17),
       "  Step: 042  - | Frequency:    440.0 Hz |  Amplitude: 0.012346 | dB:  -31.34 |"},
      {app::BandRecordLine(0, 1000, "18.37"), "0      Frequency:   1000 Hz  ->   18.37"},
      {app::BandRecordLine(123456, 22049, "-Inf"), "123456      Frequency:   22049 Hz  ->   -Inf"},
      {app::SyncLoopLine(2, "1500", "3000"),
       "  Sync Recording Loop2 : Start Time: 1500 ms  -> to End Time: 3000 ms"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.line, c.expected);
}

TEST_F(PeakRecordsTest, HeaderAndOpeningLines) {
  const app::TRecordStamp stamp{"12:34:56", "11.12.2026", "/p/Default.prj"};
  const std::string rule(62, '_');
  const std::vector<std::string> stamp_lines{"  Time: 12:34:56", "  Date: 11.12.2026",
                                             "  Project: /p/Default.prj"};
  auto with_stamp = [&](std::vector<std::string> head, std::vector<std::string> tail) {
    head.insert(head.end(), stamp_lines.begin(), stamp_lines.end());
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
  };
  EXPECT_EQ(app::RecordHeaderLines(stamp, false),
            with_stamp({rule, " ", std::string(36, ' ') + "Sonavex Data", rule, " "}, {}));
  EXPECT_EQ(app::RecordHeaderLines(stamp, true),
            with_stamp({rule, " ", std::string(37, ' ') + "Sonavex Data", rule, " "}, {}));
  EXPECT_EQ(app::PeakRecordingLines(stamp),
            with_stamp({" ", "  RECORDING  SONAVEX  PEAK  DATA ...", " "}, {" "}));
  EXPECT_EQ(app::BandRecordingLines(stamp, "take.wav", {app::SyncLoopLine(1, "0", "10")}),
            with_stamp({" ", "  RECORDING  SONAVEX  FREQUENCY  DATA ...", " "},
                       {"  Wave file: take.wav",
                        "  Sync Recording Loop1 : Start Time: 0 ms  -> to End Time: 10 ms", " "}));
}

TEST_F(PeakRecordsTest, PeakRecordingWrites399StepsThenStops) {
  TRecordState state;
  state.record_peaks = true;
  std::vector<int> steps;
  bool stopped = false;
  while (!stopped && steps.size() < 1000) {
    steps.push_back(state.record_step);
    stopped = state.PeakStepWritten();
  }
  ASSERT_EQ(steps.size(), 399u);
  EXPECT_EQ(steps.front(), 1);
  EXPECT_EQ(steps.back(), 399);
  EXPECT_FALSE(state.record_peaks);
  EXPECT_EQ(state.record_step, 1);
}

TEST_F(PeakRecordsTest, BandRecordingTicksFirstAndLaterAndAfterAStop) {
  TRecordState state;
  auto run = [&](int most) {
    state.record_bands = true;
    int ticks = 0;
    bool stopped = false;
    while (!stopped && ticks < most) {
      ++ticks;
      stopped = state.BandTickWritten();
    }
    return ticks;
  };
  EXPECT_EQ(run(100), 35);  // the counter starts at 0 at program start
  EXPECT_FALSE(state.record_bands);
  EXPECT_EQ(run(100), 34);
  // "Stop" after 10 ticks leaves the counter where it was: the next one is shorter.
  EXPECT_EQ(run(10), 10);
  state.record_bands = false;
  EXPECT_EQ(run(100), 24);
}

}  // namespace
