#pragma once
// Disc images the CD tests make for themselves: a .bin of raw 16-bit stereo
// PCM at 44100 Hz, a tone per track, and a .cue with the same base name.
#include <cmath>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "tests/files/WaveFixtures.h"

namespace filestest {

struct CdTrackSpec {
  int frames = 75;  // sectors of 2352 bytes
  double hz = 1000;
  std::string title;
  std::string performer;
  bool data = false;  // a data track: its sectors are zeros
};

struct CdImageSpec {
  std::vector<CdTrackSpec> tracks;
  std::string disc_title;
  std::string disc_performer;
  bool big_endian = false;
};

// The little-endian samples of each track, as the drive should deliver them.
inline std::vector<Bytes> CdTrackAudio(const CdImageSpec& spec) {
  std::vector<Bytes> out;
  for (const CdTrackSpec& t : spec.tracks) {
    Bytes b(static_cast<size_t>(t.frames) * 2352, 0);
    if (!t.data) {
      for (size_t i = 0; i < b.size() / 4; ++i) {
        const auto v = static_cast<int16_t>(std::lround(12000 * std::sin(2 * M_PI * t.hz * i / 44100.0)));
        // Right at half the left's level: a swap of bytes or channels shows.
        const auto r = static_cast<int16_t>(v / 2);
        b[4 * i] = static_cast<uint8_t>(v & 0xFF);
        b[4 * i + 1] = static_cast<uint8_t>((v >> 8) & 0xFF);
        b[4 * i + 2] = static_cast<uint8_t>(r & 0xFF);
        b[4 * i + 3] = static_cast<uint8_t>((r >> 8) & 0xFF);
      }
    }
    out.push_back(std::move(b));
  }
  return out;
}

inline std::string CueTime(int frames) {
  char text[16];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d", frames / 4500, frames / 75 % 60, frames % 75);
  return text;
}

inline std::string CueText(const CdImageSpec& spec, const std::string& bin_name) {
  std::string cue;
  if (!spec.disc_title.empty()) cue += "TITLE \"" + spec.disc_title + "\"\n";
  if (!spec.disc_performer.empty()) cue += "PERFORMER \"" + spec.disc_performer + "\"\n";
  cue += "FILE \"" + bin_name + "\" " + (spec.big_endian ? "MOTOROLA" : "BINARY") + "\n";
  int start = 0;
  for (size_t i = 0; i < spec.tracks.size(); ++i) {
    const CdTrackSpec& t = spec.tracks[i];
    char number[24];
    std::snprintf(number, sizeof number, "%02zu", i + 1);
    cue += std::string("  TRACK ") + number + (t.data ? " MODE1/2352\n" : " AUDIO\n");
    if (!t.title.empty()) cue += "    TITLE \"" + t.title + "\"\n";
    if (!t.performer.empty()) cue += "    PERFORMER \"" + t.performer + "\"\n";
    cue += "    INDEX 01 " + CueTime(start) + "\n";
    start += t.frames;
  }
  return cue;
}

inline void WriteText(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

// Writes <dir>/<name>.cue and <dir>/<name>.bin; returns the .cue's path.
inline std::string WriteCdImage(const std::string& dir, const std::string& name, const CdImageSpec& spec) {
  Bytes bin;
  for (Bytes& track : CdTrackAudio(spec)) {
    if (spec.big_endian)
      for (size_t i = 0; i + 1 < track.size(); i += 2) std::swap(track[i], track[i + 1]);
    bin.insert(bin.end(), track.begin(), track.end());
  }
  std::ofstream(dir + "/" + name + ".bin", std::ios::binary)
      .write(reinterpret_cast<const char*>(bin.data()), static_cast<std::streamsize>(bin.size()));
  const std::string cue = dir + "/" + name + ".cue";
  WriteText(cue, CueText(spec, name + ".bin"));
  return cue;
}

// The disc most tests use: a 1 kHz track with full text, a 440 Hz track
// without a performer and a 2 kHz track without text.
inline CdImageSpec ToneDisc() {
  CdImageSpec spec;
  spec.disc_title = "Test Disc";
  spec.disc_performer = "Gen";
  spec.tracks = {{150, 1000, "Tone 1k", "Gen"}, {75, 440, "Tone 440", ""}, {75, 2000, "", ""}};
  return spec;
}

}  // namespace filestest
