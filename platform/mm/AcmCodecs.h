#pragma once
// The sample codecs behind the compression manager's streams: reading a wave
// format record into what the converter needs, decoding source blocks to
// float frames, mixing channels and encoding PCM.
#include <cstddef>
#include <cstdint>
#include <optional>

#include "platform/mm/Acm.h"

namespace plat::acm {

// Tags the streams read besides those of MMSystem.h.
constexpr WORD kTagIeeeFloat = 0x0003;
constexpr WORD kTagExtensible = 0xFFFE;

enum class SampleKind { Pcm, Float, ALaw, MuLaw, ImaAdpcm };

constexpr DWORD kMinRate = 1000;
constexpr DWORD kMaxRate = 384000;
constexpr WORD kMaxChannels = 8;

struct FormatInfo {
  SampleKind kind = SampleKind::Pcm;
  WORD tag = 0;  // the effective tag: the subtype of an extensible format
  WORD channels = 0;
  DWORD rate = 0;
  WORD bits = 0;  // container bits per sample
  WORD block_align = 0;
  DWORD frames_per_block = 1;
};

// A format the streams can read, or nothing. Extra bytes are read only as far
// as cbSize allows.
std::optional<FormatInfo> DescribeSource(const WAVEFORMATEX& wfx);
// A format the streams can write: PCM with 8 or 16 bits.
std::optional<FormatInfo> DescribeDest(const WAVEFORMATEX& wfx);
// Whether one channel layout can be mixed into the other.
bool CanMapChannels(WORD from, WORD to);

// Decodes whole blocks into interleaved floats in [-1, 1]; writes
// blocks * frames_per_block * channels values.
void DecodeBlocks(const FormatInfo& f, const BYTE* src, size_t blocks, float* out);
void MapChannels(const float* in, WORD in_channels, float* out, WORD out_channels, size_t frames);
// Encodes PCM (8 or 16 bits) with rounding and clipping; NaN becomes silence.
void EncodePcm(const FormatInfo& f, const float* in, size_t frames, BYTE* out);

// Single-sample decoders, exposed for the format details and tests.
int16_t MuLawToLinear(BYTE v);
int16_t ALawToLinear(BYTE v);

// The IMA ADPCM step sizes and index changes, which the step decoders of
// the file units share.
inline constexpr int kImaStepTable[89] = {
    7,    8,     9,     10,    11,    12,    13,    14,    16,    17,    19,    21,    23,    25,   28,
    31,   34,    37,    41,    45,    50,    55,    60,    66,    73,    80,    88,    97,    107,  118,
    130,  143,   157,   173,   190,   209,   230,   253,   279,   307,   337,   371,   408,   449,  494,
    544,  598,   658,   724,   796,   876,   963,   1060,  1166,  1282,  1411,  1552,  1707,  1878, 2066,
    2272, 2499,  2749,  3024,  3327,  3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845, 8630,
    9493, 10442, 11487, 12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};
inline constexpr int kImaIndexTable[16] = {-1, -1, -1, -1, 2, 4, 6, 8, -1, -1, -1, -1, 2, 4, 6, 8};

// The samples per block an IMA ADPCM format of this block align carries.
DWORD ImaFramesPerBlock(WORD block_align, WORD channels);

}  // namespace plat::acm
