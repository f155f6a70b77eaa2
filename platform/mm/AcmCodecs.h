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

// The samples per block an IMA ADPCM format of this block align carries.
DWORD ImaFramesPerBlock(WORD block_align, WORD channels);

}  // namespace plat::acm
