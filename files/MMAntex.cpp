#include "files/MMAntex.h"

#include <algorithm>
#include <array>

#include "platform/mm/AcmCodecs.h"

namespace files {

namespace {

constexpr const int (&kSteps)[89] = plat::acm::kImaStepTable;
constexpr const int (&kIndexAdjust)[16] = plat::acm::kImaIndexTable;

using Table = std::array<std::array<int16_t, 8>, 89>;

// The wrapping family's rows are fixed by the streams it reads for steps 0,
// 1, 2, 44, 86, 87 and 88; every other row is step * (2c + 1) / 8, truncated
// and taken modulo 2^16 like the fixed top rows.
constexpr Table MakeWrapTable() {
  Table t{};
  for (int i = 0; i < 89; ++i)
    for (int c = 0; c < 8; ++c) t[i][c] = static_cast<int16_t>(kSteps[i] * (2 * c + 1) / 8);
  t[0] = {0, 2, 4, 6, 8, 10, 12, 13};
  t[1] = {1, 3, 5, 7, 9, 11, 13, 15};
  t[2] = {1, 3, 5, 7, 10, 12, 14, 16};
  t[44] = {61, 185, 309, 432, 556, 680, 803, 927};
  t[86] = {3385, 10157, 16928, 23700, 30471, -28293, -21522, -14750};
  t[87] = {3724, 11172, 18621, 26070, -32018, -24569, -17120, -9672};
  t[88] = {4096, 12288, 20479, 28671, -28673, -20481, -12290, -4098};
  return t;
}

constexpr Table MakeSatTable() {
  Table t{};
  for (int i = 0; i < 89; ++i)
    for (int c = 0; c < 8; ++c) t[i][c] = static_cast<int16_t>(std::min(32767, kSteps[i] * (2 * c + 1) / 8));
  return t;
}

constexpr Table kWrap = MakeWrapTable();
constexpr Table kSat = MakeSatTable();

int16_t NextIndex(int32_t index, int32_t adjust) {
  return static_cast<int16_t>(std::clamp(index + adjust, 0, 88));
}

int32_t Difference(const Table& t, const TStepChannel& ch, int32_t code) {
  const int32_t d = t[std::clamp<int32_t>(ch.StepIndex, 0, 88)][code & 7];
  return (code & 8) ? -d : d;
}

void Put(uint8_t*& out, int16_t s) {
  out[0] = static_cast<uint8_t>(s & 0xFF);
  out[1] = static_cast<uint8_t>((s >> 8) & 0xFF);
  out += 2;
}

int16_t Get(const uint8_t*& in) {
  const auto s = static_cast<int16_t>(in[0] | (in[1] << 8));
  in += 2;
  return s;
}

using DecodeFn = int16_t (*)(TStepChannel&, int32_t);

// Sign, then step, step/2 and step/4; the family's own decode keeps the
// encoder's state where a decoder's will be.
int32_t Encode(DecodeFn decode, TStepChannel& ch, int16_t sample) {
  int32_t diff = sample - ch.Predictor;
  int32_t code = 0;
  if (diff < 0) {
    code = 8;
    diff = -diff;
  }
  int32_t step = kSteps[std::clamp<int32_t>(ch.StepIndex, 0, 88)];
  for (int32_t bit = 4; bit > 0; bit >>= 1, step >>= 1) {
    if (diff >= step) {
      code |= bit;
      diff -= step;
    }
  }
  decode(ch, code);
  return code;
}

int32_t DecodeMono(DecodeFn decode, TStepADPCMState& state, int32_t bytes, void* dest, const void* source) {
  if (bytes <= 0 || dest == nullptr || source == nullptr) return 0;
  const auto* in = static_cast<const uint8_t*>(source);
  auto* out = static_cast<uint8_t*>(dest);
  for (int32_t i = 0; i < bytes; ++i) {
    Put(out, decode(state.Left, in[i] >> 4));
    Put(out, decode(state.Left, in[i] & 0x0F));
  }
  return bytes * 4;
}

int32_t EncodeMono(DecodeFn decode, TStepADPCMState& state, int32_t frames, void* dest, const void* source) {
  if (frames <= 0 || dest == nullptr || source == nullptr) return 0;
  const auto* in = static_cast<const uint8_t*>(source);
  auto* out = static_cast<uint8_t*>(dest);
  for (int32_t i = 0; i < frames; i += 2) {
    const int32_t high = Encode(decode, state.Left, Get(in));
    const int32_t low = i + 1 < frames ? Encode(decode, state.Left, Get(in)) : 0;
    *out++ = static_cast<uint8_t>((high << 4) | low);
  }
  return (frames + 1) / 2;
}

}  // namespace

int16_t StepWrapDifference(int32_t index, int32_t bits) { return kWrap[std::clamp(index, 0, 88)][bits & 7]; }
int16_t StepSatDifference(int32_t index, int32_t bits) { return kSat[std::clamp(index, 0, 88)][bits & 7]; }

int16_t StepWrapDecode(TStepChannel& ch, int32_t code) {
  code &= 0x0F;
  ch.Predictor = static_cast<int16_t>(ch.Predictor + Difference(kWrap, ch, code));
  ch.StepIndex = NextIndex(ch.StepIndex, kIndexAdjust[code]);
  ch.LastCode = static_cast<int16_t>(code);
  return ch.Predictor;
}

int16_t StepSatDecode(TStepChannel& ch, int32_t code) {
  code &= 0x0F;
  ch.Predictor = static_cast<int16_t>(std::clamp(ch.Predictor + Difference(kSat, ch, code), -32768, 32767));
  ch.StepIndex = NextIndex(ch.StepIndex, kIndexAdjust[code & 7]);
  ch.LastCode = static_cast<int16_t>(code);
  return ch.Predictor;
}

int32_t DecodeStepWrapMono(TStepADPCMState& state, int32_t source_bytes, void* dest, const void* source) {
  return DecodeMono(StepWrapDecode, state, source_bytes, dest, source);
}

int32_t DecodeStepSatMono(TStepADPCMState& state, int32_t source_bytes, void* dest, const void* source) {
  return DecodeMono(StepSatDecode, state, source_bytes, dest, source);
}

int32_t DecodeStepWrapStereo(TStepADPCMState& state, int32_t source_bytes, void* dest, const void* source) {
  if (source_bytes <= 0 || dest == nullptr || source == nullptr) return 0;
  const auto* in = static_cast<const uint8_t*>(source);
  auto* out = static_cast<uint8_t*>(dest);
  for (int32_t i = 0; i < source_bytes; ++i) {
    Put(out, StepWrapDecode(state.Left, in[i] & 0x0F));
    Put(out, StepWrapDecode(state.Right, in[i] >> 4));
  }
  return source_bytes * 4;
}

int32_t DecodeStepSatStereo(TStepADPCMState& state, int32_t source_bytes, void* dest, const void* source) {
  if (source_bytes <= 0 || dest == nullptr || source == nullptr) return 0;
  const auto* in = static_cast<const uint8_t*>(source);
  const auto* end = in + source_bytes;
  auto* out = static_cast<uint8_t*>(dest);
  auto frame = [&](uint8_t b) {
    Put(out, StepSatDecode(state.Left, b >> 4));
    Put(out, StepSatDecode(state.Right, b & 0x0F));
  };
  int32_t written = 0;
  if (state.Carry >= 0) {
    // The pair's second byte comes first.
    frame(*in);
    frame(static_cast<uint8_t>(state.Carry));
    state.Carry = -1;
    ++in;
    written += 8;
  }
  for (; end - in >= 2; in += 2, written += 8) {
    frame(in[1]);
    frame(in[0]);
  }
  if (in < end) state.Carry = *in;
  return written;
}

int32_t EncodeStepWrapMono(TStepADPCMState& state, int32_t frames, void* dest, const void* source) {
  return EncodeMono(StepWrapDecode, state, frames, dest, source);
}

int32_t EncodeStepSatMono(TStepADPCMState& state, int32_t frames, void* dest, const void* source) {
  return EncodeMono(StepSatDecode, state, frames, dest, source);
}

int32_t EncodeStepWrapStereo(TStepADPCMState& state, int32_t frames, void* dest, const void* source) {
  if (frames <= 0 || dest == nullptr || source == nullptr) return 0;
  const auto* in = static_cast<const uint8_t*>(source);
  auto* out = static_cast<uint8_t*>(dest);
  for (int32_t i = 0; i < frames; ++i) {
    const int32_t left = Encode(StepWrapDecode, state.Left, Get(in));
    const int32_t right = Encode(StepWrapDecode, state.Right, Get(in));
    *out++ = static_cast<uint8_t>((right << 4) | left);
  }
  return frames;
}

int32_t EncodeStepSatStereo(TStepADPCMState& state, int32_t frames, void* dest, const void* source) {
  if (frames <= 0 || dest == nullptr || source == nullptr) return 0;
  const auto* in = static_cast<const uint8_t*>(source);
  auto* out = static_cast<uint8_t*>(dest);
  for (int32_t i = 0; i < frames; i += 2) {
    const int32_t l1 = Encode(StepSatDecode, state.Left, Get(in));
    const int32_t r1 = Encode(StepSatDecode, state.Right, Get(in));
    uint8_t second = 0;
    if (i + 1 < frames) {
      const int32_t l2 = Encode(StepSatDecode, state.Left, Get(in));
      const int32_t r2 = Encode(StepSatDecode, state.Right, Get(in));
      second = static_cast<uint8_t>((l2 << 4) | r2);
    }
    out[0] = second;
    out[1] = static_cast<uint8_t>((l1 << 4) | r1);
    out += 2;
  }
  return (frames + 1) / 2 * 2;
}

}  // namespace files
