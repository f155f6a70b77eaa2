#pragma once
// The coefficient ADPCM format (tag 2): its format record, the test for the
// standard coefficient set, the format a source converts to, and the block
// decoder. Blocks are nBlockAlign bytes each; the decoder trusts nothing in
// a format it has not checked and never writes past the room it is given.
#include <cstdint>

#include "platform/mm/MMSystem.h"

namespace files {

#pragma pack(push, 1)
struct ADPCMCOEFSET {
  int16_t iCoef1;
  int16_t iCoef2;
};

// The wave format record with the tag-2 extra data; room for the seven
// standard pairs, which is all a standard format has.
struct ADPCMWAVEFORMAT {
  plat::WAVEFORMATEX wfx;
  uint16_t wSamplesPerBlock;
  uint16_t wNumCoef;
  ADPCMCOEFSET aCoef[7];
};
#pragma pack(pop)
static_assert(sizeof(ADPCMWAVEFORMAT) == 50);

constexpr int32_t kMSADPCMNumCoef = 7;
constexpr int32_t kMSADPCMExtraSize = 4 + 4 * kMSADPCMNumCoef;  // cbSize of a standard format

const ADPCMCOEFSET* StandardMSADPCMCoefficients();  // the seven pairs

// Tag 2, 4 bits, 1 to 4 channels, cbSize room for seven pairs and the seven
// standard ones. The record must hold 18 + cbSize bytes.
bool IsStandardMSADPCMFormat(const plat::WAVEFORMATEX* format);

// Tag 2 whose samples per block fit its block align: 2 <= spb <=
// (nBlockAlign - 7n) * 2 / n + 2, with room in cbSize for its coefficient
// pairs. Only such formats are decoded.
bool IsDecodableMSADPCMFormat(const plat::WAVEFORMATEX* format);

// Valid PCM source: the tag-2 format for it (bits, channels or rate of 0 or
// less take the source's). Standard tag-2 source: the PCM format it decodes
// to (bits 0 or less means 16). False, dest untouched, otherwise.
bool SuggestMSADPCMFormat(const plat::WAVEFORMATEX* source, ADPCMWAVEFORMAT& dest, int32_t bits,
                          int32_t channels, int32_t sample_rate);

// Output bytes of one whole block in dest_bits (8 or 16); 0 for a format
// that is not decodable.
int32_t MSADPCMBlockOutputBytes(const plat::WAVEFORMATEX* source_format, int32_t dest_bits);

// Decodes the blocks of source (each nBlockAlign bytes; a short last block
// gives the whole frames it holds) into PCM of dest_format's bits (8 or 16)
// and the source's channels, stopping before a block that would not fit in
// dest_bytes. Returns the bytes written; 0 for a format that is not
// decodable and, for the whole call, when a block names a coefficient pair
// the format does not have.
int32_t DecodeMSADPCM(const plat::WAVEFORMATEX* source_format, const plat::WAVEFORMATEX* dest_format,
                      const void* source, void* dest, int32_t source_bytes, int32_t dest_bytes);

}  // namespace files
