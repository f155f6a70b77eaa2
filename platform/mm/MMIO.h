#pragma once
// Multimedia file I/O: buffered access to files and memory images, and the
// RIFF chunk operations (descend, ascend, create) on top of it.
#include <cstdint>

#include "platform/kernel/Types.h"
#include "platform/mm/MMErrors.h"

namespace plat {

using FOURCC = DWORD;
using LPMMIOPROC = LRESULT (*)(char* mmio_info, UINT message, LPARAM param1, LPARAM param2);

constexpr FOURCC mmioFOURCC(char a, char b, char c, char d) {
  return static_cast<FOURCC>(static_cast<uint8_t>(a)) | (static_cast<FOURCC>(static_cast<uint8_t>(b)) << 8) |
         (static_cast<FOURCC>(static_cast<uint8_t>(c)) << 16) |
         (static_cast<FOURCC>(static_cast<uint8_t>(d)) << 24);
}
constexpr FOURCC FOURCC_RIFF = mmioFOURCC('R', 'I', 'F', 'F');
constexpr FOURCC FOURCC_LIST = mmioFOURCC('L', 'I', 'S', 'T');
constexpr FOURCC FOURCC_DOS = mmioFOURCC('D', 'O', 'S', ' ');
constexpr FOURCC FOURCC_MEM = mmioFOURCC('M', 'E', 'M', ' ');

// Open flags.
constexpr DWORD MMIO_READ = 0x00000000;
constexpr DWORD MMIO_WRITE = 0x00000001;
constexpr DWORD MMIO_READWRITE = 0x00000002;
constexpr DWORD MMIO_COMPAT = 0x00000000;
constexpr DWORD MMIO_EXCLUSIVE = 0x00000010;
constexpr DWORD MMIO_DENYWRITE = 0x00000020;
constexpr DWORD MMIO_DENYREAD = 0x00000030;
constexpr DWORD MMIO_DENYNONE = 0x00000040;
constexpr DWORD MMIO_CREATE = 0x00001000;
constexpr DWORD MMIO_PARSE = 0x00000100;
constexpr DWORD MMIO_DELETE = 0x00000200;
constexpr DWORD MMIO_EXIST = 0x00004000;
constexpr DWORD MMIO_ALLOCBUF = 0x00010000;
constexpr DWORD MMIO_GETTEMP = 0x00020000;
constexpr DWORD MMIO_DIRTY = 0x10000000;
// Operation flags.
constexpr UINT MMIO_FHOPEN = 0x0010;
constexpr UINT MMIO_EMPTYBUF = 0x0010;
constexpr UINT MMIO_FINDCHUNK = 0x0010;
constexpr UINT MMIO_FINDRIFF = 0x0020;
constexpr UINT MMIO_FINDLIST = 0x0040;
constexpr UINT MMIO_CREATERIFF = 0x0020;
constexpr UINT MMIO_CREATELIST = 0x0040;
constexpr UINT MMIO_TOUPPER = 0x0010;
constexpr DWORD MMIO_DEFAULTBUFFER = 8192;

constexpr int SEEK_SET_ = 0;
constexpr int SEEK_CUR_ = 1;
constexpr int SEEK_END_ = 2;

constexpr MMRESULT MMIOERR_BASE = 256;
constexpr MMRESULT MMIOERR_FILENOTFOUND = 257;
constexpr MMRESULT MMIOERR_OUTOFMEMORY = 258;
constexpr MMRESULT MMIOERR_CANNOTOPEN = 259;
constexpr MMRESULT MMIOERR_CANNOTCLOSE = 260;
constexpr MMRESULT MMIOERR_CANNOTREAD = 261;
constexpr MMRESULT MMIOERR_CANNOTWRITE = 262;
constexpr MMRESULT MMIOERR_CANNOTSEEK = 263;
constexpr MMRESULT MMIOERR_CANNOTEXPAND = 264;
constexpr MMRESULT MMIOERR_CHUNKNOTFOUND = 265;
constexpr MMRESULT MMIOERR_UNBUFFERED = 266;
constexpr MMRESULT MMIOERR_PATHNOTFOUND = 267;
constexpr MMRESULT MMIOERR_ACCESSDENIED = 268;
constexpr MMRESULT MMIOERR_SHARINGVIOLATION = 269;
constexpr MMRESULT MMIOERR_INVALIDFILE = 271;

// The state of an open file, also the descriptor of a memory image
// (fccIOProc FOURCC_MEM, pchBuffer and cchBuffer; adwInfo[0] is the growth
// increment, 0 for a fixed image).
struct MMIOINFO {
  DWORD dwFlags = 0;
  FOURCC fccIOProc = 0;
  LPMMIOPROC pIOProc = nullptr;
  UINT wErrorRet = 0;
  void* htask = nullptr;
  LONG cchBuffer = 0;
  char* pchBuffer = nullptr;
  char* pchNext = nullptr;
  char* pchEndRead = nullptr;
  char* pchEndWrite = nullptr;
  LONG lBufOffset = 0;
  LONG lDiskOffset = 0;
  DWORD adwInfo[3] = {};
  DWORD dwReserved1 = 0;
  DWORD dwReserved2 = 0;
  HMMIO hmmio = nullptr;
};

struct MMCKINFO {
  FOURCC ckid = 0;
  DWORD cksize = 0;
  FOURCC fccType = 0;
  DWORD dwDataOffset = 0;
  DWORD dwFlags = 0;
};

// Opens a file (`file_name`, `\` and letter case as the layer resolves them)
// or, with `info` naming FOURCC_MEM, a memory image. With MMIO_PARSE the
// name is qualified in place (at least MAX_PATH bytes); with MMIO_EXIST and
// MMIO_DELETE the result is non-null for success. Errors come back in
// info->wErrorRet when `info` is given.
HMMIO mmioOpenA(char* file_name, MMIOINFO* info, DWORD flags);
MMRESULT mmioClose(HMMIO handle, UINT flags);
LONG mmioRead(HMMIO handle, char* buffer, LONG bytes);
LONG mmioWrite(HMMIO handle, const char* buffer, LONG bytes);
// Returns the new position or -1.
LONG mmioSeek(HMMIO handle, LONG offset, int origin);
MMRESULT mmioFlush(HMMIO handle, UINT flags);
// Buffer size for direct access through mmioGetInfo/mmioAdvance.
MMRESULT mmioSetBuffer(HMMIO handle, char* buffer, LONG size, UINT flags);
// Direct buffer access: read the state, move pchNext, write it back or advance.
MMRESULT mmioGetInfo(HMMIO handle, MMIOINFO* info, UINT flags);
MMRESULT mmioSetInfo(HMMIO handle, const MMIOINFO* info, UINT flags);
MMRESULT mmioAdvance(HMMIO handle, MMIOINFO* info, UINT flags);

MMRESULT mmioDescend(HMMIO handle, MMCKINFO* chunk, const MMCKINFO* parent, UINT flags);
MMRESULT mmioAscend(HMMIO handle, MMCKINFO* chunk, UINT flags);
MMRESULT mmioCreateChunk(HMMIO handle, MMCKINFO* chunk, UINT flags);
FOURCC mmioStringToFOURCCA(const char* text, UINT flags);

// Where the samples of a wave file's data chunk end, for every reader of wave
// data. They begin at `offset`; `size` is what the chunk's header claims, and
// it holds wherever it is plausible (not 0, inside the file), so a pad byte or
// a trailing chunk never becomes samples. A recording interrupted before its
// sizes were written claims 0 or runs past the end: its samples run up to
// `next_header`, the header of a chunk found right after them (-1 for none),
// or else to the end of the file.
constexpr int64_t WaveDataEnd(int64_t offset, DWORD size, int64_t file_size, int64_t next_header) {
  if (size != 0 && offset + size <= file_size) return offset + size;
  if (next_header >= offset && next_header <= file_size) return next_header;
  return file_size;
}

}  // namespace plat
