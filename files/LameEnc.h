#pragma once
// The MP3 encoder module ("LAME_ENC.DLL", lame_enc.so in the program folder):
// its stream configuration record, entry points and result codes, and the
// loader that binds them by name. The module includes this header for the
// record and the entry types only.
#include <cstddef>
#include <cstdint>
#include <string>

namespace files {

constexpr uint32_t BE_CONFIG_LAME = 256;
constexpr uint32_t BE_CONFIG_VERSION = 1;
constexpr uint32_t BE_CONFIG_SIZE = 331;

constexpr uint32_t BE_ERR_SUCCESSFUL = 0;
constexpr uint32_t BE_ERR_INVALID_FORMAT = 1;
constexpr uint32_t BE_ERR_INVALID_FORMAT_PARAMETERS = 2;
constexpr uint32_t BE_ERR_NO_MORE_HANDLES = 3;
constexpr uint32_t BE_ERR_INVALID_HANDLE = 4;
constexpr uint32_t BE_ERR_BUFFER_TOO_SMALL = 5;

// Modes of the record.
constexpr int32_t BE_MP3_MODE_STEREO = 0;
constexpr int32_t BE_MP3_MODE_JSTEREO = 1;
constexpr int32_t BE_MP3_MODE_DUALCHANNEL = 2;
constexpr int32_t BE_MP3_MODE_MONO = 3;

#pragma pack(push, 1)
// Zero-filled, then set field by field; Booleans are -1 (true) or 0.
struct TBEConfig {
  uint32_t dwConfig;
  uint32_t dwStructVersion;
  uint32_t dwStructSize;
  uint32_t dwSampleRate;    // of the input
  uint32_t dwReSampleRate;  // of the output; 0 = as the input
  int32_t nMode;            // 3 = mono input, otherwise stereo input
  uint32_t dwBitrate;       // kbit/s
  uint32_t dwMaxBitrate;    // kbit/s
  int32_t nPreset;
  uint32_t dwMpegVersion;
  uint32_t dwPsyModel;
  uint32_t dwEmphasis;
  int32_t bPrivate;
  int32_t bCRC;
  int32_t bCopyright;
  int32_t bOriginal;
  int32_t bWriteVBRHeader;
  int32_t bEnableVBR;
  int32_t nVBRQuality;
  uint32_t dwVbrAbr_bps;  // kbit/s
  int32_t nVbrMethod;
  int32_t bNoRes;
  int32_t bStrictIso;
  uint16_t nQuality;
  uint8_t btReserved[BE_CONFIG_SIZE - 94];
};

struct TBEVersion {
  uint8_t byDLLMajorVersion;
  uint8_t byDLLMinorVersion;
  uint8_t byMajorVersion;
  uint8_t byMinorVersion;
};
#pragma pack(pop)
static_assert(sizeof(TBEConfig) == BE_CONFIG_SIZE);
static_assert(offsetof(TBEConfig, nQuality) == 92);

using TBEStream = void*;

using TBEInitStream = uint32_t (*)(TBEConfig* config, uint32_t* samples, uint32_t* buffer_size,
                                   TBEStream* stream);
// `samples` counts 16-bit samples of all channels; the encoded bytes go to `output`.
using TBEEncodeChunk = uint32_t (*)(TBEStream stream, uint32_t samples, const int16_t* pcm, uint8_t* output,
                                    uint32_t* output_bytes);
using TBEDeinitStream = uint32_t (*)(TBEStream stream, uint8_t* output, uint32_t* output_bytes);
using TBECloseStream = uint32_t (*)(TBEStream stream);
using TBEVersionProc = void (*)(TBEVersion* version);
using TBEWriteVBRHeader = uint32_t (*)(const char* file_name);
// Writes the stream's info tag over the first frame of the named file: its
// start for a plain MP3 file, the first byte of the data chunk for a RIFF
// file. Call it after the last data is written and before beCloseStream.
using TBEWriteInfoTag = uint32_t (*)(TBEStream stream, const char* file_name);

// The bound entries; a missing one stays null.
struct TLameEncoder {
  TBEInitStream beInitStream = nullptr;
  TBEEncodeChunk beEncodeChunk = nullptr;
  TBEDeinitStream beDeinitStream = nullptr;
  TBECloseStream beCloseStream = nullptr;
  TBEVersionProc beVersion = nullptr;
  TBEWriteVBRHeader beWriteVBRHeader = nullptr;
  TBEWriteInfoTag beWriteInfoTag = nullptr;
};

// Loads the module once; true when it is loaded.
bool LoadLameEncoder();
const TLameEncoder& LameEncoder();
// The first stream entry the loaded module lacks; empty when it has them all.
std::string MissingLameEntry();
// The module's file as the program looks for it (for messages).
std::string LameEncoderFileName();
// Frees the module; the next LoadLameEncoder loads it afresh.
void FreeLameEncoder();
// The name the module is loaded under, "LAME_ENC.DLL" by default; freeing
// the loaded module first. Tests load stand-ins this way.
void SetLameEncoderModuleName(const std::string& name);

}  // namespace files
