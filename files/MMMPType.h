#pragma once
// The MPEG decoder module's interface: the enumerations, the stream
// information record and ID3v1 image it fills byte for byte, the types of its
// entry points, and the ID3v1 genre names. The module includes this header
// only; it links nothing of the program.
#include <cstddef>
#include <cstdint>
#include <string>

namespace files {

enum TMpegVersion : uint8_t { v2LSF, v1 };
enum TSampleMode : uint8_t { smStereo, smJointStereo, smDualChannel, smSingleChannel };
enum TChannelMode : uint8_t { cmLeft, cmRight, cmBoth, cmDownMix };

constexpr int32_t kMpegDecoderVersion = 25;  // the lowest the loader takes
constexpr int32_t kMpegId3Size = 128;
constexpr int32_t kMpegGenreCount = 126;

#pragma pack(push, 1)
struct TMpegInfoRecord {
  uint8_t Version;  // TMpegVersion
  int32_t Layer;
  uint8_t Reserved1[4];
  int32_t SampleRate;
  int32_t BitRate;  // kbit/s; 0 for a variable rate not yet scanned
  uint8_t Mode;     // TSampleMode
  int32_t Frames;
  int32_t PlayTime;  // ms
  double FrameTime;  // ms per frame
  uint8_t Reserved2[4];
  uint8_t Tag[kMpegId3Size];  // the ID3v1 image, zeros without a tag
};
#pragma pack(pop)
static_assert(sizeof(TMpegInfoRecord) == 166);
static_assert(offsetof(TMpegInfoRecord, SampleRate) == 9 && offsetof(TMpegInfoRecord, Mode) == 17 &&
              offsetof(TMpegInfoRecord, FrameTime) == 26 && offsetof(TMpegInfoRecord, Tag) == 38);

// ID3v1 image offsets.
constexpr int kId3Title = 3, kId3Artist = 33, kId3Album = 63, kId3Year = 93, kId3Comment = 97, kId3Zero = 125,
              kId3Track = 126, kId3Genre = 127;

using TMpegHandle = void*;
using TMpegChangeCallback = void (*)(void* user);
using TMpegDecryptCallback = void (*)(void* user, void* data, int32_t size);
using TMpegScanCallback = void (*)(void* user, int32_t percent);

// The entry points, bound by name.
extern "C" {
using mpeg_Version_t = int32_t (*)();
// The new instance; *error gets 0 or the reason it failed.
using mpeg_Init_t = TMpegHandle (*)(int32_t* error, TMpegChangeCallback callback, void* user);
using mpeg_Done_t = void (*)(TMpegHandle* handle);
using mpeg_SetDecryptCallback_t = int32_t (*)(TMpegHandle, TMpegDecryptCallback, void* user);
using mpeg_SetDecryptMode_t = int32_t (*)(TMpegHandle, uint8_t mode);
using mpeg_Clear_t = int32_t (*)(TMpegHandle);
using mpeg_SetTrailingHeader_t = int32_t (*)(TMpegHandle, int32_t value);
using mpeg_SetFileOffset_t = int32_t (*)(TMpegHandle, int32_t offset);
using mpeg_SetExactPosition_t = int32_t (*)(TMpegHandle, int32_t exact);
using mpeg_SetFileName_t = int32_t (*)(TMpegHandle, const char* name);
// A negative result: the buffer is too small, minus the size the name needs.
using mpeg_GetFileName_t = int32_t (*)(TMpegHandle, char* buffer, int32_t size);
using mpeg_GetEmpty_t = int32_t (*)(TMpegHandle);
using mpeg_GetFileInfo_t = int32_t (*)(TMpegHandle, TMpegInfoRecord* info);
using mpeg_SetChannelMode_t = int32_t (*)(TMpegHandle, uint8_t mode);
using mpeg_GetChannelMode_t = int32_t (*)(TMpegHandle, uint8_t* mode);
using mpeg_SetPosition_t = int32_t (*)(TMpegHandle, int32_t frame);
using mpeg_GetPosition_t = int32_t (*)(TMpegHandle);
using mpeg_OpenFile_t = int32_t (*)(TMpegHandle);
using mpeg_CloseFile_t = int32_t (*)(TMpegHandle);
using mpeg_ResetFile_t = int32_t (*)(TMpegHandle);
using mpeg_ReadDataBytes_t = int32_t (*)(TMpegHandle, void* buffer, int32_t size);
using mpeg_ReadDataBytesEx_t = int32_t (*)(TMpegHandle, void* buffer, int32_t size, int32_t* frames);
using mpeg_AbortReadData_t = int32_t (*)(TMpegHandle);
using mpeg_GetDone_t = int32_t (*)(TMpegHandle);
using mpeg_ScanFile_t = int32_t (*)(TMpegHandle, int32_t mode, TMpegScanCallback, void* user);
using mpeg_ScanFileEx_t = int32_t (*)(TMpegHandle, int32_t a, int32_t b);
using mpeg_EncryptFile_t = int32_t (*)(TMpegHandle, const char* name, int32_t a, int32_t b, int32_t c);
using mpeg_ReadID3Tag_t = int32_t (*)(TMpegHandle, uint8_t* tag);
using mpeg_GetErrorText_t = int32_t (*)(int32_t code, char* buffer, int32_t size);
}

// The genre's name, empty for a byte of 126 or more.
std::string MpegGenreName(uint8_t genre);

}  // namespace files
