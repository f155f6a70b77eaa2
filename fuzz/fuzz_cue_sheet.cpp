// Reads arbitrary bytes as a cue sheet: an accepted sheet must hold what the
// drive model and the CD module rely on, whatever the text was.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/kernel/CueSheet.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  plat::CueSheet sheet;
  std::string error;
  if (!plat::ParseCueSheet(std::string(reinterpret_cast<const char*>(data), size), sheet, error)) {
    if (error.empty()) std::abort();
    return 0;
  }
  if (sheet.file.empty() || sheet.tracks.empty() || sheet.tracks.size() > plat::kCueMaxTracks) std::abort();
  if (sheet.title.size() > plat::kCueMaxTextLength || sheet.performer.size() > plat::kCueMaxTextLength)
    std::abort();
  for (size_t i = 0; i < sheet.tracks.size(); ++i) {
    const plat::CueTrack& t = sheet.tracks[i];
    if (t.number < 1 || t.number > plat::kCueMaxTracks || t.start < 0) std::abort();
    if (t.title.size() > plat::kCueMaxTextLength || t.performer.size() > plat::kCueMaxTextLength)
      std::abort();
    if (i > 0 && (t.number != sheet.tracks[i - 1].number + 1 || t.start <= sheet.tracks[i - 1].start))
      std::abort();
  }
  return 0;
}
