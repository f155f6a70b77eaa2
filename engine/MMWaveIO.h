#pragma once
// Wave formats: their size, owned copies, names and descriptions, and the
// conversions between bytes, samples and milliseconds. RIFF WAVE files: the
// file record and the routines that read, seek, write and finish files,
// resources and memory images.
#include <cstdint>
#include <cstdio>
#include <string>

#include "engine/MMRIFF.h"
#include "engine/MMUtils.h"
#include "platform/mm/MMIO.h"
#include "platform/mm/MMSystem.h"

namespace engine {

// ---- Wave formats ----

// 0 for no format, 18 for PCM (whatever its cbSize holds), 18 + cbSize otherwise.
int32_t GetWaveFormatSize(const plat::WAVEFORMATEX* format);
// An owned copy of GetWaveFormatSize bytes (PCM copies get cbSize 0), or null
// for a null format. Free it with GlobalFreeAndNil or hold it in a TWaveFormatPtr.
plat::WAVEFORMATEX* CopyWaveFormat(const plat::WAVEFORMATEX* format);
using TWaveFormatPtr = TGlobalPtr<plat::WAVEFORMATEX>;
// Puts a copy of `format` (or null) in `slot` and frees what it held. The copy
// is taken first, so `format` may be the format the slot holds.
void ReplaceWaveFormat(plat::WAVEFORMATEX*& slot, const plat::WAVEFORMATEX* format);

// The name of the format's tag; "Unknown" for a null format or an unlisted tag.
std::string GetFormatTagName(const plat::WAVEFORMATEX* format);
// "44.100 kHz, 16 Bit, Stereo" with the user's decimal and list separators.
std::string GetWaveFormatDescription(const plat::WAVEFORMATEX* format);

// Conversions. The 32-bit ones round to nearest; those towards bytes then
// round up to a whole block, so no derived byte count cuts a sample frame. A
// format with a zero rate, byte rate or block align raises the
// division-by-zero error.
int32_t WaveBytesToSamples(const plat::WAVEFORMATEX* format, int32_t bytes);
int32_t WaveBytesToTime(const plat::WAVEFORMATEX* format, int32_t bytes);
int32_t WaveSamplesToBytes(const plat::WAVEFORMATEX* format, int32_t samples);
int32_t WaveSamplesToTime(const plat::WAVEFORMATEX* format, int32_t samples);
int32_t WaveTimeToSamples(const plat::WAVEFORMATEX* format, int32_t ms);
int32_t WaveTimeToBytes(const plat::WAVEFORMATEX* format, int32_t ms);
// For positions beyond 32 bits; these truncate.
int64_t WaveSamplesToBytes64(const plat::WAVEFORMATEX* format, int64_t samples);
int64_t WaveSamplesToTime64(const plat::WAVEFORMATEX* format, int64_t samples);
// WaveTimeToBytes for spans beyond 32 bits, rounded the same way (ms >= 0).
int64_t WaveTimeToBytes64(const plat::WAVEFORMATEX* format, int64_t ms);

// ---- RIFF WAVE files ----

// Results. Failures never raise (except when the record itself cannot be allocated).
constexpr int32_t WIOERR_NOERROR = 0;
constexpr int32_t WIOERR_FORMAT = 101;     // no usable "fmt " chunk; no handle or bad buffer size
constexpr int32_t WIOERR_BADPARAM = 104;   // null record, format or name
constexpr int32_t WIOERR_FILEERROR = 106;  // open, descend, read, write, seek, ascend, malformed layout
constexpr int32_t WIOERR_NOMEMORY = 107;

// Record flags; other bits are the caller's.
constexpr uint32_t RIFF_RESOURCE = 2;    // a "WAVE" resource of the program
constexpr uint32_t RIFF_MEMORY = 4;      // a RIFF image in memory
constexpr uint32_t RIFF_INFO_ONLY = 8;   // read the metadata only
constexpr uint32_t RIFF_PLAINFILE = 16;  // plain read-only file access

// The record of one wave source: one block of global memory, the format with
// its extra bytes at its end. Byte and sample counters are 64-bit.
struct TWaveIORec {
  uint32_t dwSize;  // of the block, format included
  uint32_t dwFlags;
  plat::HMMIO hmmio;
  std::FILE* hFile;  // the plain file of RIFF_PLAINFILE records
  plat::MMCKINFO ckRIFF;
  plat::MMCKINFO ckData;  // also the "fact" chunk while closing
  const void* hRes;       // the resource data while a resource source is open
  int64_t dwFileSize;
  int64_t dwDataBytes;
  int64_t dwDataOffset;
  int64_t dwLength;       // samples
  int64_t dwFirstSample;  // region that reads and seeks keep to
  int64_t dwLastSample;   // exclusive
  int64_t dwBytesLeft;    // from the position to the region's end
  int64_t dwPosition;     // samples, from dwFirstSample
  char* lpFileName;       // memory sources: a copy of the MMIOINFO descriptor
  TRIFFDispList* lpDisp;
  TRIFFInfoList* lpInfo;
  double ExactBytesPerSec;  // 0: the format's nAvgBytesPerSec
  uint32_t dwCreated;       // made by WaveCreateFile rather than opened
  plat::WAVEFORMATEX wfx;   // at least 18 bytes, extra bytes follow
};

// The program's linked resource of that name and type (either may be "#123"
// for an id), read-only and mapped for the program's lifetime.
bool FindProgramResource(const std::string& name, const std::string& type, const void** data, size_t* size);

bool WaveParseFileName(char* name);  // name holds at least MAX_PATH bytes
bool WaveFileExists(const char* name);
bool WaveDeleteFile(const char* name);
bool IsWaveFile(const char* file_name, uint32_t flags);

// name is a file or resource name, or for RIFF_MEMORY a plat::MMIOINFO
// describing the image. rec is null on every failure.
int32_t WaveReadInfo(TWaveIORec*& rec, const char* name, plat::FOURCC form_type, uint32_t flags);
// The image must outlive the record.
int32_t WaveReadInfoFromMemory(TWaveIORec*& rec, const void* buffer, size_t size);
int32_t WaveOpenFile(TWaveIORec* rec);
int32_t WaveSetIOBuffer(TWaveIORec* rec, int32_t size);
int32_t WaveSeek(TWaveIORec* rec, int64_t sample);
// Bytes read, or -1 at the region's end, for a closed record and on errors.
int32_t WaveRead(TWaveIORec* rec, void* buffer, int32_t bytes);

int32_t WaveCreateInfo(TWaveIORec*& rec, const plat::WAVEFORMATEX* format);
int32_t WaveCreateFile(TWaveIORec*& rec, const char* name);
// The last file offset the data of a written file may reach: RIFF offsets
// are 32-bit, and the chunks that close the file follow the data.
constexpr int64_t kWaveDataLimit = 0x7FFFFFFF - 0x10000;
// Bytes written; 0 when the data would pass kWaveDataLimit (nothing is
// written, the file can still be closed); -1 for bad arguments.
int32_t WaveWrite(TWaveIORec* rec, const void* buffer, int32_t bytes);
// Finishes a written file (chunk sizes, "fact", DISP, INFO) and closes it.
int32_t WaveCloseFile(TWaveIORec* rec);
int32_t WaveFreeInfo(TWaveIORec*& rec);

int64_t WaveIOBytesToSamples(const TWaveIORec* rec, int64_t bytes);
int64_t WaveIOSamplesToBytes(const TWaveIORec* rec, int64_t samples);

}  // namespace engine
