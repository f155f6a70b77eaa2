#include "platform/kernel/CueSheet.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace plat {

namespace {

std::string Upper(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::toupper(c); });
  return s;
}

// Words of one line; a quoted word keeps its blanks and loses its quotes.
std::vector<std::string> Words(const std::string& line) {
  std::vector<std::string> words;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    if (i >= line.size()) break;
    std::string word;
    if (line[i] == '"') {
      const size_t close = line.find('"', i + 1);
      const size_t end = close == std::string::npos ? line.size() : close;
      word = line.substr(i + 1, end - i - 1);
      i = end + 1;
    } else {
      while (i < line.size() && line[i] != ' ' && line[i] != '\t') word += line[i++];
    }
    words.push_back(std::move(word));
  }
  return words;
}

bool Number(const std::string& s, int32_t max, int32_t& out) {
  if (s.empty() || s.size() > 3) return false;
  int32_t v = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
  }
  if (v > max) return false;
  out = v;
  return true;
}

// mm:ss:ff to sectors.
bool Time(const std::string& s, int32_t& frames) {
  const size_t a = s.find(':');
  const size_t b = a == std::string::npos ? a : s.find(':', a + 1);
  int32_t m = 0, sec = 0, f = 0;
  if (b == std::string::npos || !Number(s.substr(0, a), 999, m) ||
      !Number(s.substr(a + 1, b - a - 1), 59, sec) || !Number(s.substr(b + 1), 74, f))
    return false;
  frames = (m * 60 + sec) * 75 + f;
  return true;
}

std::string Text(const std::string& s) { return s.substr(0, std::min(s.size(), kCueMaxTextLength)); }

}  // namespace

bool ParseCueSheet(const std::string& text, CueSheet& sheet, std::string& error) {
  sheet = CueSheet{};
  error.clear();
  if (text.size() > kCueMaxFileBytes) {
    error = "too large for a cue sheet";
    return false;
  }
  int files = 0;
  bool index_seen = true;
  size_t line_start = 0;
  int line_number = 0;
  auto fail = [&](const std::string& why) {
    error = "line " + std::to_string(line_number) + ": " + why;
    return false;
  };
  while (line_start < text.size()) {
    size_t end = text.find('\n', line_start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(line_start, end - line_start);
    line_start = end + 1;
    ++line_number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::vector<std::string> w = Words(line);
    if (w.empty()) continue;
    const std::string command = Upper(w[0]);
    CueTrack* track = sheet.tracks.empty() ? nullptr : &sheet.tracks.back();
    if (command == "FILE") {
      if (++files > 1) return fail("more than one data file");
      if (!sheet.tracks.empty()) return fail("FILE after a track");
      if (w.size() != 3 || w[1].empty()) return fail("FILE needs a name and a type");
      const std::string type = Upper(w[2]);
      if (type != "BINARY" && type != "MOTOROLA") return fail("data of type " + w[2] + " is not raw sectors");
      sheet.file = w[1];
      sheet.big_endian = type == "MOTOROLA";
    } else if (command == "TRACK") {
      if (files == 0) return fail("TRACK before FILE");
      if (!index_seen) return fail("track " + std::to_string(track->number) + " has no INDEX 01");
      CueTrack t;
      if (w.size() != 3 || !Number(w[1], kCueMaxTracks, t.number) || t.number == 0)
        return fail("TRACK needs a number 1..99 and a mode");
      if (track && t.number != track->number + 1) return fail("track numbers do not rise by one");
      t.audio = Upper(w[2]) == "AUDIO";
      sheet.tracks.push_back(t);
      index_seen = false;
    } else if (command == "INDEX") {
      int32_t number = 0, start = 0;
      if (!track || w.size() != 3 || !Number(w[1], 99, number) || !Time(w[2], start))
        return fail("INDEX needs a track, a number and mm:ss:ff");
      if (number != 1) continue;
      if (index_seen) return fail("a second INDEX 01");
      if (sheet.tracks.size() > 1 && start <= sheet.tracks[sheet.tracks.size() - 2].start)
        return fail("track starts do not rise");
      track->start = start;
      index_seen = true;
    } else if (command == "TITLE" || command == "PERFORMER") {
      if (w.size() < 2) continue;
      std::string& field = command == "TITLE" ? (track ? track->title : sheet.title)
                                              : (track ? track->performer : sheet.performer);
      field = Text(w[1]);
    }
    // REM, CATALOG, FLAGS, ISRC, PREGAP, POSTGAP and the rest say nothing
    // the drive or the player needs.
  }
  ++line_number;
  if (files == 0) return fail("no data file");
  if (sheet.tracks.empty()) return fail("no track");
  if (!index_seen) return fail("the last track has no INDEX 01");
  return true;
}

bool ReadCueImage(const std::string& cue_path, CueSheet& sheet, std::string& data_path, int64_t& sectors,
                  std::string& error) {
  sectors = 0;
  std::FILE* f = std::fopen(cue_path.c_str(), "rb");
  if (!f) {
    error = "cannot open " + cue_path;
    return false;
  }
  std::string text(kCueMaxFileBytes + 1, '\0');
  text.resize(std::fread(text.data(), 1, text.size(), f));
  std::fclose(f);
  if (!ParseCueSheet(text, sheet, error)) return false;
  const size_t slash = cue_path.find_last_of('/');
  const size_t dot = cue_path.find_last_of('.');
  const std::string base = dot == std::string::npos || (slash != std::string::npos && dot < slash)
                               ? cue_path
                               : cue_path.substr(0, dot);
  data_path = base + ".bin";
  const std::string expected = data_path.substr(slash == std::string::npos ? 0 : slash + 1);
  const size_t file_slash = sheet.file.find_last_of("/\\");
  const std::string named = sheet.file.substr(file_slash == std::string::npos ? 0 : file_slash + 1);
  if (named != expected) {
    error = "the data file must be named " + expected + ", not " + named;
    return false;
  }
  struct stat st {};
  if (stat(data_path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
    error = "no data file " + data_path;
    return false;
  }
  if (st.st_size == 0 || st.st_size % kCueSectorBytes != 0) {
    error = "the data file is not a whole number of sectors";
    return false;
  }
  sectors = st.st_size / kCueSectorBytes;
  if (sheet.tracks.back().start >= sectors) {
    error = "a track starts past the end of the data";
    return false;
  }
  return true;
}

}  // namespace plat
