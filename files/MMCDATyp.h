#pragma once
// CD times and the CD audio module's interface. A CD frame (sector) is 1/75 s:
// 2352 bytes of 16-bit stereo PCM at 44100 Hz. Packed MSF holds minutes in
// the low byte, seconds in the second and frames in the third; the first 150
// frames of a disc are the lead-in, so sector = packed start in frames - 150.
// The module "MMCDDA32.DLL" includes this header only; it links nothing of
// the program.
#include <cstdint>

namespace files {

constexpr int32_t kCDFrameBytes = 2352;
constexpr int32_t kCDFramesPerSecond = 75;
constexpr int32_t kCDLeadInFrames = 150;

uint32_t MSFToFrames(uint32_t packed_msf);
// Fills each part the caller gives a place for; returns the packed value.
uint32_t FramesToMSF(uint32_t frames, uint8_t* minutes, uint8_t* seconds, uint8_t* msf_frames);
uint32_t FramesToPackedMSF(uint32_t frames);
uint32_t MSFToMilliseconds(uint32_t packed_msf);
// The frame part is rounded to nearest, halves to even, from a binary
// product: 500 ms gives 37, 999 ms gives 75 (which counts as the next second).
uint32_t MillisecondsToMSF(uint32_t ms);

// ---- The module's interface ----

constexpr int32_t kCDDAVersion = 20;  // the lowest the loader takes
constexpr int32_t kCDMaxDevices = 26;
constexpr int32_t kCDDeviceNameBytes = 256;
constexpr int32_t kCDSpeedMax = 65535;

// The table of contents: a 32-bit header (byte 0: first track number,
// byte 1: track count), then up to 100 entries of 21 bytes.
constexpr int32_t kCDTOCMaxTracks = 100;
constexpr int32_t kCDTOCEntryBytes = 21;
constexpr int32_t kCDTOCBytes = 4 + kCDTOCMaxTracks * kCDTOCEntryBytes;
// Entry fields: track number (byte), 1 for audio or 0 for data (byte),
// control bits (byte), start (packed MSF), length (packed MSF), first sector,
// sector count (32 bits each, little-endian).
constexpr int32_t kTOCNumber = 0, kTOCAudio = 1, kTOCControl = 2, kTOCStart = 4, kTOCLength = 8,
                  kTOCSector = 12, kTOCSectors = 16;

// CD-TEXT: up to 8 blocks (one per language), each 36689 words and a byte;
// entry k (0 = the disc, k = track number) at 1453 * k, its title at 8 and
// its performer at 330, each at most 160 characters and a zero.
constexpr int32_t kCDTextBlocks = 8;
constexpr int32_t kCDTextBlockBytes = 36689 * 4 + 1;
constexpr int32_t kCDTextEntryBytes = 1453;
constexpr int32_t kCDTextTitle = 8;
constexpr int32_t kCDTextPerformer = 330;
constexpr int32_t kCDTextFieldBytes = 161;
// Block header: the language code (byte 0) and the entry count (byte 4).
constexpr int32_t kCDTextLanguage = 0, kCDTextEntries = 4;

// Result codes; 0 is success.
enum TCDDAError : int32_t {
  cdOK = 0,
  cdErrNoDevice = 1,
  cdErrOpen = 2,
  cdErrNotOpen = 3,
  cdErrNotReady = 4,
  cdErrRead = 5,
  cdErrArgument = 6,
  cdErrUnsupported = 7,
  cdErrAborted = 8,
  cdErrNoMemory = 9,
  cdErrBadImage = 10,
  cdErrNoText = 11,
  cdErrNotCopying = 12,
  cdErrInit = 13,
};

using TCDHandle = void*;
using TCDTextInfo = uint8_t* [kCDTextBlocks];

extern "C" {
using cdda_Version_t = int32_t (*)();
// The new instance; *error gets 0 or why the drives could not be listed.
using cdda_Init_t = TCDHandle (*)(int32_t* error);
using cdda_Done_t = int32_t (*)(TCDHandle* handle);
using cdda_GetNumDevices_t = int32_t (*)(TCDHandle);
using cdda_SetDeviceID_t = int32_t (*)(TCDHandle, int32_t index);
using cdda_SetDeviceType_t = int32_t (*)(TCDHandle, int32_t type, int32_t reserved);
using cdda_GetDeviceName_t = int32_t (*)(TCDHandle, int32_t index, char* buffer, int32_t size);
using cdda_GetDriveLetter_t = int32_t (*)(TCDHandle, int32_t index, char* letter);
using cdda_OpenDevice_t = int32_t (*)(TCDHandle, int32_t mode);
using cdda_CloseDevice_t = int32_t (*)(TCDHandle);
using cdda_GetDeviceReady_t = int32_t (*)(TCDHandle);
using cdda_GetDeviceStatus_t = int32_t (*)(TCDHandle, int32_t* status);
using cdda_GetDeviceCaps_t = int32_t (*)(TCDHandle, int32_t* caps);
using cdda_ReadTOC_t = int32_t (*)(TCDHandle, uint8_t* toc);
using cdda_ReadCDText_t = int32_t (*)(TCDHandle, TCDTextInfo* info);
using cdda_FreeCDText_t = int32_t (*)(TCDHandle, TCDTextInfo* info);
using cdda_ReadISRC_t = int32_t (*)(TCDHandle, int32_t track, char* buffer);
using cdda_ReadUPC_t = int32_t (*)(TCDHandle, char* buffer);
using cdda_SetSpeed_t = int32_t (*)(TCDHandle, int32_t speed);
using cdda_LockMedia_t = int32_t (*)(TCDHandle, int32_t lock);
using cdda_LoadMedia_t = int32_t (*)(TCDHandle, int32_t load);
using cdda_GetPosition_t = int32_t (*)(TCDHandle, int32_t* frame);
using cdda_GetCurrentTrack_t = int32_t (*)(TCDHandle, int32_t* track);
using cdda_PlayAudio_t = int32_t (*)(TCDHandle, int32_t start, int32_t count);
using cdda_StopAudio_t = int32_t (*)(TCDHandle);
using cdda_PauseAudio_t = int32_t (*)(TCDHandle);
using cdda_ResumeAudio_t = int32_t (*)(TCDHandle);
using cdda_AbortReading_t = int32_t (*)(TCDHandle);
using cdda_ReadAudio_t = int32_t (*)(TCDHandle, void* buffer, int32_t start, int32_t count);
using cdda_InitBurstCopy_t = int32_t (*)(TCDHandle, int32_t frames_per_read, int32_t start, int32_t count);
using cdda_DoneBurstCopy_t = int32_t (*)(TCDHandle);
using cdda_ReadAudioBurst_t = int32_t (*)(TCDHandle, void* buffer);
using cdda_InitSyncCopy_t = int32_t (*)(TCDHandle, int32_t frames_per_read, int32_t start, int32_t count);
using cdda_DoneSyncCopy_t = int32_t (*)(TCDHandle);
using cdda_ReadAudioSync_t = int32_t (*)(TCDHandle, void* buffer);
using cdda_GetErrorText_t = int32_t (*)(int32_t code, char* buffer, int32_t size);
}

}  // namespace files
