#include "app/Leq.h"

#include <cmath>

#include "platform/vcl/SysUtils.h"

namespace app {

double ToDecibel(double frequency, double level) { return level + 8.655 * std::log(frequency) - 59.72; }

double CorrectionCurve(double frequency, double level) {
  const double f = frequency;
  return level + 2e-11 * f * f * f - 7e-07 * f * f + 0.00642 * f - 0.511;
}

double TLeqMeasurement::SilenceLevel() {
  // One meter at the smallest level, the other silent.
  return 20.0 * std::log10(0.5);
}

double LeqPassLevel(int32_t left, int32_t right, int peak_frequency) {
  double level = left == 0 && right == 0
                     ? TLeqMeasurement::SilenceLevel()
                     : 20.0 * std::log10(std::fabs((static_cast<double>(left) + right) / 2.0));
  const double f = peak_frequency;
  if (f > 100 && f < 1100) level = ToDecibel(f, level);
  if (f > 1100 && f < 11500) level = CorrectionCurve(f, level);
  return level;
}

bool TLeqMeasurement::AddPass(int32_t left, int32_t right, int peak_frequency) {
  now_ = LeqPassLevel(left, right, peak_frequency);
  ++count_;
  sum_ += now_ + kOffset;
  if (++label_counter_ % kLabelStep != 0) return false;
  label_counter_ = 0;
  return true;
}

void TLeqMeasurement::Restart() {
  count_ = 0;
  sum_ = 0.0;
}

void TLeqMeasurement::Clear() {
  Restart();
  now_ = SilenceLevel();
}

std::optional<double> TLeqMeasurement::Mean() const {
  if (count_ <= 0 || sum_ <= 0.0) return std::nullopt;
  return sum_ / static_cast<double>(count_);
}

std::string LeqCsvLine(const std::string& time_text, double mean, double max_level,
                       const std::string& seconds_text) {
  return "Time : ;" + time_text + ";Leq(m);" + vcl::Format("%7.1f", {mean}) + "; dB; Leq max :;" +
         vcl::Format("%7.1f", {max_level + TLeqMeasurement::kOffset}) + "; dB;" + seconds_text;
}

std::string LeqSecondsText(int seconds) { return vcl::FloatToStr(seconds) + " sec  "; }

std::vector<std::string> LeqReportHeader(const std::string& date_time, const std::string& location,
                                         const std::string& person, const std::string& memo) {
  return {"Vantorel",
          "",
          "LEQ(m) Measurement",
          "",
          "Calibration at: " + date_time,
          "",
          "Location : " + location,
          "Person : " + person,
          "Memo : " + memo,
          ""};
}

std::vector<std::string> LeqReportFooter(const std::string& date_time, double mean, int seconds,
                                         double max_level) {
  return {"",
          "",
          "End of LEQ measurement : " + date_time,
          "",
          "Mean LEQ(m)  " + vcl::Format("%7.1f", {mean}) + " dB" +
              "  of reference Time: " + vcl::Format("%7.1d", {seconds}) + " sec",
          "",
          "Max LEQ Peak :" + vcl::Format("%7.1f", {max_level + TLeqMeasurement::kOffset}) + " dB",
          "",
          "Sign: ",
          "",
          "",
          std::string(40, '_')};
}

}  // namespace app
