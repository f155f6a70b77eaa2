#pragma once
// Cue sheets of disc images: one raw data file of 2352-byte sectors and the
// tracks laid out in it. The drive model reads them to list a disc's tracks,
// the CD module to find the data's byte order and the disc's text. Built
// into the CD module too, so it uses nothing else of the layer.
#include <cstdint>
#include <string>
#include <vector>

namespace plat {

constexpr int32_t kCueSectorBytes = 2352;
constexpr int32_t kCueMaxTracks = 99;
constexpr size_t kCueMaxTextLength = 160;
// Larger files are no cue sheets.
constexpr size_t kCueMaxFileBytes = 64 * 1024;

struct CueTrack {
  int32_t number = 0;
  bool audio = true;
  int32_t start = 0;  // sector of INDEX 01 within the data file
  std::string title;
  std::string performer;
};

struct CueSheet {
  std::string file;         // the data file as the sheet names it
  bool big_endian = false;  // FILE ... MOTOROLA
  std::string title;        // the disc's
  std::string performer;
  std::vector<CueTrack> tracks;
};

// False with the reason for text that is no usable sheet: not exactly one
// data file of type BINARY or MOTOROLA, no track, track numbers not rising
// by one from the first, a track without INDEX 01, starts that do not rise,
// a time that is no time.
bool ParseCueSheet(const std::string& text, CueSheet& sheet, std::string& error);

// Reads and parses a sheet, then checks it against its data file, which
// must sit beside it named as the sheet with ".bin" (the only name the
// image reader opens), be a whole number of sectors and hold every track.
// `data_path` gets the data file's path and `sectors` its size.
bool ReadCueImage(const std::string& cue_path, CueSheet& sheet, std::string& data_path, int64_t& sectors,
                  std::string& error);

}  // namespace plat
