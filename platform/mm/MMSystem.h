#pragma once
// Wave format records and format tags of the multimedia interface. The
// records are stored in files and passed to drivers byte for byte, so they
// are packed and little-endian.
#include "platform/kernel/Types.h"

namespace plat {

constexpr WORD WAVE_FORMAT_UNKNOWN = 0x0000;
constexpr WORD WAVE_FORMAT_PCM = 0x0001;
constexpr WORD WAVE_FORMAT_ADPCM = 0x0002;
constexpr WORD WAVE_FORMAT_ALAW = 0x0006;
constexpr WORD WAVE_FORMAT_MULAW = 0x0007;
constexpr WORD WAVE_FORMAT_IMA_ADPCM = 0x0011;
constexpr WORD WAVE_FORMAT_DVI_ADPCM = 0x0011;
constexpr WORD WAVE_FORMAT_GSM610 = 0x0031;
constexpr WORD WAVE_FORMAT_MPEG = 0x0050;
constexpr WORD WAVE_FORMAT_MPEGLAYER3 = 0x0055;
constexpr WORD WAVE_FORMAT_DEVELOPMENT = 0xFFFF;

#pragma pack(push, 1)

// The common head of every wave format.
struct WAVEFORMAT {
  WORD wFormatTag;
  WORD nChannels;
  DWORD nSamplesPerSec;
  DWORD nAvgBytesPerSec;
  WORD nBlockAlign;
};

struct PCMWAVEFORMAT {
  WAVEFORMAT wf;
  WORD wBitsPerSample;
};

// Followed by cbSize bytes of extra data for tags other than PCM.
struct WAVEFORMATEX {
  WORD wFormatTag;
  WORD nChannels;
  DWORD nSamplesPerSec;
  DWORD nAvgBytesPerSec;
  WORD nBlockAlign;
  WORD wBitsPerSample;
  WORD cbSize;
};

// MPEG audio layer 3 in a RIFF WAVE file (tag 0x55).
constexpr WORD MPEGLAYER3_WFX_EXTRA_BYTES = 12;
constexpr WORD MPEGLAYER3_ID_MPEG = 1;
constexpr DWORD MPEGLAYER3_FLAG_PADDING_ISO = 0;
constexpr DWORD MPEGLAYER3_FLAG_PADDING_OFF = 2;

struct MPEGLAYER3WAVEFORMAT {
  WAVEFORMATEX wfx;
  WORD wID;
  DWORD fdwFlags;
  WORD nBlockSize;
  WORD nFramesPerBlock;
  WORD nCodecDelay;
};

#pragma pack(pop)

static_assert(sizeof(WAVEFORMAT) == 14);
static_assert(sizeof(PCMWAVEFORMAT) == 16);
static_assert(sizeof(WAVEFORMATEX) == 18);
static_assert(sizeof(MPEGLAYER3WAVEFORMAT) == 30);

using PWAVEFORMATEX = WAVEFORMATEX*;

}  // namespace plat
