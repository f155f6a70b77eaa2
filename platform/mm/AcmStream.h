#pragma once
// One conversion stream: decode source blocks, mix channels, change the rate
// and encode PCM. The rate changer keeps its state between calls, so a stream
// converted in pieces gives the same output as in one piece.
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/mm/AcmCodecs.h"

struct soxr;

namespace plat::acm {

class Converter {
 public:
  // Nothing when the pair cannot be converted.
  static bool CanConvert(const FormatInfo& src, const FormatInfo& dst);
  Converter(const FormatInfo& src, const FormatInfo& dst, bool high_quality);
  ~Converter();
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  // False when the rate changer could not be created.
  bool Ok() const { return !resampling() || soxr_ != nullptr; }

  // Destination bytes that always hold the output of src_bytes source bytes;
  // source bytes whose output always fits in dst_bytes (0 when none does).
  uint64_t DestBytesFor(uint64_t src_bytes) const;
  uint64_t SourceBytesFor(uint64_t dst_bytes) const;

  struct Result {
    bool ok = true;  // false: the destination cannot take even one block
    size_t src_used = 0;
    size_t dst_used = 0;
  };
  // Converts whole source blocks as far as the destination has room. START
  // forgets earlier input; END flushes what the rate changer holds, over
  // several calls when the destination is small.
  Result Convert(const BYTE* src, size_t src_len, BYTE* dst, size_t dst_len, bool start, bool end);
  void Restart();

  const FormatInfo& source() const { return src_; }
  const FormatInfo& dest() const { return dst_; }

 private:
  bool resampling() const { return src_.rate != dst_.rate; }
  // Output frames owed for cumulative input frames: never exceeded by the rate changer.
  uint64_t OutFramesFor(uint64_t in_frames) const;
  size_t Flush(BYTE* dst, size_t room_frames);

  FormatInfo src_;
  FormatInfo dst_;
  soxr* soxr_ = nullptr;
  uint64_t slack_frames_ = 0;  // largest output the rate changer may hold back
  uint64_t in_frames_ = 0;     // since the last restart
  uint64_t out_frames_ = 0;
  bool flushing_ = false;
  std::vector<float> decoded_;
  std::vector<float> mapped_;
  std::vector<float> resampled_;
};

}  // namespace plat::acm
