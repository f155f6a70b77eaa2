#pragma once
// The Leq measurement's arithmetic: one level per refresh pass of the second
// connector from the two main level meters, corrected by the pass's peak
// frequency, and the mean of those levels in dB over the whole measurement,
// kept as a running sum so its cost per pass is constant however long it runs.
// Also the texts the measurement writes: the log line and the report.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace app {

// The two level corrections by frequency.
double ToDecibel(double frequency, double level);
double CorrectionCurve(double frequency, double level);

// The level of a pass in dB from the meters' last levels (0..32768) and the
// peak frequency in Hz. Silence counts as the smallest level the meters can
// show, so it reads below any signal.
double LeqPassLevel(int32_t left, int32_t right, int peak_frequency);

class TLeqMeasurement {
 public:
  // Stored levels, the mean and the maximum are shown this far above the pass level.
  static constexpr double kOffset = 40.0;
  // Passes between two "LEQ now" read-outs, counted as the read-out counts them.
  static constexpr int64_t kLabelStep = 115;
  // The pass level of silence.
  static double SilenceLevel();

  bool Active() const { return active_; }
  void SetActive(bool value) { active_ = value; }
  // The Leq step of a pass (only while active): adds the pass's level. True
  // when the "LEQ now" read-out is due.
  bool AddPass(int32_t left, int32_t right, int peak_frequency);
  // Every pass ends by counting once more for the read-out, active or not.
  void CountPass() { ++label_counter_; }
  // The sum starts anew from the next pass.
  void Restart();
  // Back to no values, the last level to silence.
  void Clear();

  int64_t Count() const { return count_; }
  // The last pass level (without the offset).
  double Now() const { return now_; }
  // The arithmetic mean of the stored levels since the start; none before the
  // first pass or while their sum is not positive.
  std::optional<double> Mean() const;

 private:
  bool active_ = false;
  int64_t count_ = 0;
  double sum_ = 0.0;
  double now_ = SilenceLevel();
  int64_t label_counter_ = 0;
};

// The log's line for one second, without its line end: "Time : ;<time>;Leq(m);
// <mean>; dB; Leq max :;<max>; dB;<seconds text>". `max_level` is without the offset.
std::string LeqCsvLine(const std::string& time_text, double mean, double max_level,
                       const std::string& seconds_text);
// The seconds read-out: the count followed by " sec  ".
std::string LeqSecondsText(int seconds);
// The report's head and foot as the memo takes them, one entry per line.
std::vector<std::string> LeqReportHeader(const std::string& date_time, const std::string& location,
                                         const std::string& person, const std::string& memo);
std::vector<std::string> LeqReportFooter(const std::string& date_time, double mean, int seconds,
                                         double max_level);

}  // namespace app
