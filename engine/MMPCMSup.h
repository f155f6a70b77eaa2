#pragma once
// PCM formats and the routines that work on blocks of PCM samples: 8-bit
// unsigned (silence 128) or 16-bit signed little-endian, mono or stereo
// interleaved left, right. The layout comes from the format: 8 bits means
// 8-bit, anything else 16-bit; one channel means mono, anything else stereo.
#include <cstdint>

#include "platform/mm/MMSystem.h"

namespace engine {

// PCM with 8 or 16 bits, 1, 2 or 4 channels and 4000 .. 100000 Hz; block
// align and byte rate are not tested.
bool IsValidPCMFormat(const plat::WAVEFORMATEX* format);
void BuildPCMFormat(plat::WAVEFORMATEX& format, int32_t bits, int32_t channels, int32_t rate);

// Converts between 8 and 16 bits (or copies equal widths); the bytes written
// to dest. Other widths are not converted and give 0.
int32_t ConvertPCMBits(int32_t dest_bits, void* dest, int32_t src_bits, const void* src, int32_t src_bytes);

// Multiplies every sample in place by a 14-bit fixed-point gain (16384 is
// unity; mono uses the left gain). True when a sample was clipped.
bool ApplyPCMGain(const plat::WAVEFORMATEX* format, void* buffer, int32_t bytes, int32_t left_gain,
                  int32_t right_gain);

int16_t ClipToByteRange(int16_t value);
int16_t ClipToWordRange(int32_t value);

// Per channel the stored value farthest from silence (first wins ties);
// silence when there is none. Mono gives the same value in both.
void FindPeakSamples(const plat::WAVEFORMATEX* format, const void* buffer, int32_t bytes, int16_t& left_peak,
                     int16_t& right_peak);

// Per channel the minimum and maximum in the order they occur (minimum first
// when in one frame), as stored. Mono copies the left pair to the right.
void FindMinMaxOrdered(const plat::WAVEFORMATEX* format, const void* buffer, int32_t bytes,
                       int16_t& left_first, int16_t& left_second, int16_t& right_first,
                       int16_t& right_second);

// Byte offset of the first sample where the signal crosses level (percent
// of full scale) rising (slope 1) or falling (slope 2); -1 when none.
// channel 0 searches both channels of 8-bit stereo and the left of 16-bit
// stereo; 1 searches the left only, 2 the right only.
int32_t FindLevelCrossing(const plat::WAVEFORMATEX* format, const void* buffer, int32_t bytes,
                          int32_t channel, int32_t slope, int32_t level);

}  // namespace engine
