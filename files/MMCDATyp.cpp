#include "files/MMCDATyp.h"

#include <cmath>

namespace files {

namespace {

uint32_t Pack(uint32_t m, uint32_t s, uint32_t f) { return (m & 0xFF) | (s & 0xFF) << 8 | (f & 0xFF) << 16; }

}  // namespace

uint32_t MSFToFrames(uint32_t packed_msf) {
  const uint32_t m = packed_msf & 0xFF, s = packed_msf >> 8 & 0xFF, f = packed_msf >> 16 & 0xFF;
  return f + 75 * s + 4500 * m;
}

uint32_t FramesToMSF(uint32_t frames, uint8_t* minutes, uint8_t* seconds, uint8_t* msf_frames) {
  const uint32_t f = frames % 75, s = frames / 75 % 60, m = frames / 75 / 60;
  if (minutes) *minutes = static_cast<uint8_t>(m);
  if (seconds) *seconds = static_cast<uint8_t>(s);
  if (msf_frames) *msf_frames = static_cast<uint8_t>(f);
  return Pack(m, s, f);
}

uint32_t FramesToPackedMSF(uint32_t frames) { return FramesToMSF(frames, nullptr, nullptr, nullptr); }

uint32_t MSFToMilliseconds(uint32_t packed_msf) {
  const uint32_t m = packed_msf & 0xFF, s = packed_msf >> 8 & 0xFF, f = packed_msf >> 16 & 0xFF;
  // nearbyint keeps the default rounding: to nearest, halves to even.
  return (m * 60 + s) * 1000 + static_cast<uint32_t>(std::nearbyint(f * 1000.0 / 75.0));
}

uint32_t MillisecondsToMSF(uint32_t ms) {
  const uint32_t m = ms / 60000, s = ms % 60000 / 1000;
  // The product with 0.075 as a binary double (5404319552844595 / 2^56, just
  // below 0.075), taken exactly and rounded to nearest, halves to even: a
  // double multiplication would round 37.4999... up to 37.5 first.
  constexpr uint64_t kMantissa = 5404319552844595ULL;
  constexpr uint64_t kHalf = uint64_t{1} << 55;
  const uint64_t product = uint64_t{ms % 1000} * kMantissa;
  uint64_t f = product >> 56;
  const uint64_t rest = product & ((uint64_t{1} << 56) - 1);
  if (rest > kHalf || (rest == kHalf && (f & 1) != 0)) ++f;
  return Pack(m, s, static_cast<uint32_t>(f));
}

}  // namespace files
