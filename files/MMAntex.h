#pragma once
// The two step-ADPCM families: headerless streams of 4-bit codes whose only
// carrier between calls is the state record. The wrapping family (tag 3 with
// 4 bits) adds its table's differences in 16 bits with wrap-around and
// adapts the step by the whole code; the saturating family (tags 0x33 and
// 0x206) clamps and adapts by the low three bits. Every routine works on the
// state it is given only, so streams decode side by side on any threads.
#include <cstdint>

namespace files {

struct TStepChannel {
  int16_t LastCode = 0;
  int16_t StepIndex = 0;  // 0..88
  int16_t Predictor = 0;
};

struct TStepADPCMState {
  TStepChannel Left;  // also the mono channel
  TStepChannel Right;
  // The saturating stereo layout works on byte pairs: the first byte of a
  // pair that a call ended on waits here for the next call (-1: none).
  int16_t Carry = -1;
};

constexpr uint16_t WAVE_FORMAT_STEP_WRAP = 0x0003;
constexpr uint16_t WAVE_FORMAT_STEP_SAT_A = 0x0033;
constexpr uint16_t WAVE_FORMAT_STEP_SAT_B = 0x0206;

// The difference tables: 89 step rows (index 0..88) of 8 entries, by the
// low three code bits.
int16_t StepWrapDifference(int32_t index, int32_t bits);
int16_t StepSatDifference(int32_t index, int32_t bits);

// One code through each family; the predictor is the sample.
int16_t StepWrapDecode(TStepChannel& ch, int32_t code);
int16_t StepSatDecode(TStepChannel& ch, int32_t code);

// Decode source_bytes bytes of codes into 16-bit PCM at dest and return the
// bytes written: source_bytes * 4, except for the saturating stereo layout,
// which decodes whole byte pairs (a carried byte counts in the next call).
// Byte layouts: mono, high nibble first; wrapping stereo, low nibble left and
// high nibble right; saturating stereo, each 16-bit little-endian word high
// byte first, each byte high nibble left and low nibble right.
int32_t DecodeStepWrapMono(TStepADPCMState& state, int32_t source_bytes, void* dest, const void* source);
int32_t DecodeStepWrapStereo(TStepADPCMState& state, int32_t source_bytes, void* dest, const void* source);
int32_t DecodeStepSatMono(TStepADPCMState& state, int32_t source_bytes, void* dest, const void* source);
int32_t DecodeStepSatStereo(TStepADPCMState& state, int32_t source_bytes, void* dest, const void* source);

// The matching encoders (16-bit PCM in, codes out in the same layouts),
// frames whole frames; they return the bytes written. A stereo encode of an
// odd frame count for the saturating layout leaves the last byte's pair
// partner 0.
int32_t EncodeStepWrapMono(TStepADPCMState& state, int32_t frames, void* dest, const void* source);
int32_t EncodeStepWrapStereo(TStepADPCMState& state, int32_t frames, void* dest, const void* source);
int32_t EncodeStepSatMono(TStepADPCMState& state, int32_t frames, void* dest, const void* source);
int32_t EncodeStepSatStereo(TStepADPCMState& state, int32_t frames, void* dest, const void* source);

}  // namespace files
