#include "app/PeakRecords.h"

#include "platform/vcl/SysUtils.h"

namespace app {

using vcl::Format;

namespace {

const std::string kRule(62, '_');

void Append(std::vector<std::string>& lines, const std::vector<std::string>& more) {
  lines.insert(lines.end(), more.begin(), more.end());
}

}  // namespace

std::vector<std::string> RecordStampLines(const TRecordStamp& stamp) {
  return {"  Time: " + stamp.time, "  Date: " + stamp.date, "  Project: " + stamp.project};
}

std::vector<std::string> RecordHeaderLines(const TRecordStamp& stamp, bool at_startup) {
  std::vector<std::string> lines{kRule, " ", std::string(at_startup ? 37 : 36, ' ') + "Sonavex Data", kRule,
                                 " "};
  Append(lines, RecordStampLines(stamp));
  return lines;
}

std::vector<std::string> PeakRecordingLines(const TRecordStamp& stamp) {
  std::vector<std::string> lines{" ", "  RECORDING  SONAVEX  PEAK  DATA ...", " "};
  Append(lines, RecordStampLines(stamp));
  lines.push_back(" ");
  return lines;
}

std::vector<std::string> BandRecordingLines(const TRecordStamp& stamp, std::string_view wave_file,
                                            const std::vector<std::string>& loops) {
  std::vector<std::string> lines{" ", "  RECORDING  SONAVEX  FREQUENCY  DATA ...", " "};
  Append(lines, RecordStampLines(stamp));
  lines.push_back("  Wave file: " + std::string(wave_file));
  Append(lines, loops);
  lines.push_back(" ");
  return lines;
}

std::string SyncLoopLine(int loop, std::string_view start_ms, std::string_view end_ms) {
  return "  Sync Recording Loop" + std::to_string(loop) + " : Start Time: " + std::string(start_ms) +
         " ms  -> to End Time: " + std::string(end_ms) + " ms";
}

std::string PeakRecordLine(int step, std::string_view peak_label, double amplitude, double level_db) {
  return Format("  Step: %000.3d ", {step}) + " - | Frequency:  " + std::string(peak_label) + " |" +
         Format("  Amplitude: %7.6f |", {amplitude}) + Format(" dB: %7.2f |", {level_db + 6.83});
}

std::string BandRecordLine(int position, int frequency, std::string_view readout) {
  return std::to_string(position) + "      Frequency:   " + std::to_string(frequency) + " Hz" + "  ->   " +
         std::string(readout);
}

bool TRecordState::PeakStepWritten() {
  if (++record_step < kPeakSteps) return false;
  record_step = 1;
  record_peaks = false;
  return true;
}

bool TRecordState::BandTickWritten() {
  if (++record_band_tick < kBandTicks) return false;
  record_band_tick = 1;
  record_bands = false;
  return true;
}

}  // namespace app
