#pragma once
// The records page's text: the memo header, the step lines of a peak
// recording and the band lines of a peak-detector recording, and the timer
// state that ends each recording by itself.
#include <string>
#include <string_view>
#include <vector>

namespace app {

// Time, date and project shown in the header and at the start of a recording.
struct TRecordStamp {
  std::string time;
  std::string date;
  std::string project;
};

// "  Time: …", "  Date: …", "  Project: …".
std::vector<std::string> RecordStampLines(const TRecordStamp& stamp);
// The memo's header: rules, the title (indented one space more at start-up
// than after "Clear") and the stamp lines.
std::vector<std::string> RecordHeaderLines(const TRecordStamp& stamp, bool at_startup);
// The opening lines of a peak recording.
std::vector<std::string> PeakRecordingLines(const TRecordStamp& stamp);
// The opening lines of a peak-detector recording; `loops` holds one line per
// marked sync box, made by SyncLoopLine.
std::vector<std::string> BandRecordingLines(const TRecordStamp& stamp, std::string_view wave_file,
                                            const std::vector<std::string>& loops);
std::string SyncLoopLine(int loop, std::string_view start_ms, std::string_view end_ms);

// One step of a peak recording: the spectrum's peak label as it drew it, the
// peak's amplitude and its level in dB (written 6.83 dB up).
std::string PeakRecordLine(int step, std::string_view peak_label, double amplitude, double level_db);
// One frequency of a peak-detector recording at player position `position`.
std::string BandRecordLine(int position, int frequency, std::string_view readout);

// The timer's modes. One tick serves every mode that is set.
struct TRecordState {
  static constexpr int kPeakSteps = 400;  // steps 1..399 are written
  static constexpr int kBandTicks = 35;

  bool record_peaks = false;
  int record_step = 1;
  bool record_bands = false;
  // Not reset by "Stop" and 0 only at program start: the first band
  // recording runs 35 ticks, later ones 34, a stopped one shortens the next.
  int record_band_tick = 0;
  bool peak_detector_live = false;

  // After a step line: true when the recording is complete and the timer stops.
  bool PeakStepWritten();
  // After the lines of one band tick: true when the recording is complete.
  bool BandTickWritten();
};

}  // namespace app
