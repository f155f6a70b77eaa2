#include "platform/mm/MMIO.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "platform/kernel/Files.h"

namespace plat {

namespace {

constexpr int64_t kMaxPosition = 0x7FFFFFFF;

// One open mmio file: a file descriptor or a memory image, a position, and
// the buffer lent out for direct access.
class MmioFile {
 public:
  ~MmioFile() {
    if (fd_ >= 0) ::close(fd_);
  }

  bool OpenFile(const std::string& path, DWORD flags, MMRESULT* error) {
    int mode = O_RDONLY;
    if ((flags & 3) == MMIO_WRITE) mode = O_WRONLY;
    if ((flags & 3) == MMIO_READWRITE) mode = O_RDWR;
    if (flags & MMIO_CREATE) mode |= O_CREAT | O_TRUNC | ((flags & 3) == MMIO_READ ? O_RDWR : 0);
    fd_ = ::open(path.c_str(), mode | O_CLOEXEC, 0644);
    if (fd_ < 0) {
      *error = errno == ENOENT   ? MMIOERR_FILENOTFOUND
               : errno == EACCES ? MMIOERR_ACCESSDENIED
                                 : MMIOERR_CANNOTOPEN;
      return false;
    }
    struct stat st {};
    if (fstat(fd_, &st) == 0 && S_ISDIR(st.st_mode)) {
      *error = MMIOERR_CANNOTOPEN;
      return false;
    }
    return true;
  }

  void OpenMemory(char* buffer, LONG size, DWORD grow, bool allocate) {
    memory_ = true;
    grow_ = grow;
    if (buffer && !allocate) {
      external_ = buffer;
      external_size_ = std::max<LONG>(size, 0);
    } else {
      owned_.assign(static_cast<size_t>(std::max<LONG>(size, 0)), 0);
      if (buffer) std::memcpy(owned_.data(), buffer, owned_.size());
    }
  }

  int64_t Size() const {
    if (memory_) return external_ ? external_size_ : static_cast<int64_t>(owned_.size());
    struct stat st {};
    return fstat(fd_, &st) == 0 ? st.st_size : 0;
  }

  // Reads at most `bytes` at `pos`; -1 on an I/O error.
  LONG ReadAt(int64_t pos, char* out, LONG bytes) {
    if (bytes <= 0) return 0;
    if (memory_) {
      int64_t size = Size();
      if (pos >= size) return 0;
      LONG n = static_cast<LONG>(std::min<int64_t>(bytes, size - pos));
      std::memcpy(out, Data() + pos, static_cast<size_t>(n));
      return n;
    }
    LONG total = 0;
    while (total < bytes) {
      ssize_t n = ::pread(fd_, out + total, static_cast<size_t>(bytes - total), pos + total);
      if (n < 0) {
        if (errno == EINTR) continue;
        return -1;
      }
      if (n == 0) break;
      total += static_cast<LONG>(n);
    }
    return total;
  }

  // Writes all bytes at `pos`; -1 on an error (a fixed memory image that is too small).
  LONG WriteAt(int64_t pos, const char* data, LONG bytes) {
    if (bytes <= 0) return 0;
    if (pos + bytes > kMaxPosition) return -1;
    if (memory_) {
      int64_t end = pos + bytes;
      if (end > Size()) {
        if (external_ || grow_ == 0) return -1;
        int64_t size = static_cast<int64_t>(owned_.size());
        while (size < end) size += grow_;
        owned_.resize(static_cast<size_t>(size), 0);
      }
      std::memcpy(Data() + pos, data, static_cast<size_t>(bytes));
      return bytes;
    }
    LONG total = 0;
    while (total < bytes) {
      ssize_t n = ::pwrite(fd_, data + total, static_cast<size_t>(bytes - total), pos + total);
      if (n < 0) {
        if (errno == EINTR) continue;
        return -1;
      }
      total += static_cast<LONG>(n);
    }
    return total;
  }

  bool Sync() { return memory_ || ::fsync(fd_) == 0 || errno == EINVAL; }

  int64_t pos = 0;
  DWORD flags = 0;
  std::vector<char> buffer;  // the direct-access buffer
  char* user_buffer = nullptr;
  LONG user_buffer_size = 0;

  char* BufferData() { return user_buffer ? user_buffer : buffer.data(); }
  LONG BufferSize() const { return user_buffer ? user_buffer_size : static_cast<LONG>(buffer.size()); }

 private:
  char* Data() { return external_ ? external_ : owned_.data(); }

  int fd_ = -1;
  bool memory_ = false;
  char* external_ = nullptr;
  int64_t external_size_ = 0;
  std::vector<char> owned_;
  DWORD grow_ = 0;
};

struct MmioTable {
  std::mutex mutex;
  std::unordered_map<uintptr_t, std::shared_ptr<MmioFile>> files;
  uintptr_t next = 0x10;
};

MmioTable& Table() {
  static MmioTable table;
  return table;
}

std::shared_ptr<MmioFile> Find(HMMIO handle) {
  MmioTable& t = Table();
  std::lock_guard lock(t.mutex);
  auto it = t.files.find(reinterpret_cast<uintptr_t>(handle));
  return it == t.files.end() ? nullptr : it->second;
}

HMMIO Register(std::shared_ptr<MmioFile> file) {
  MmioTable& t = Table();
  std::lock_guard lock(t.mutex);
  uintptr_t value = t.next++;
  t.files.emplace(value, std::move(file));
  return reinterpret_cast<HMMIO>(value);
}

HMMIO Fail(MMIOINFO* info, MMRESULT error) {
  if (info) info->wErrorRet = error;
  return nullptr;
}

bool ReadDword(MmioFile& file, int64_t pos, DWORD* value) {
  uint8_t bytes[4];
  if (file.ReadAt(pos, reinterpret_cast<char*>(bytes), 4) != 4) return false;
  *value = static_cast<DWORD>(bytes[0]) | (static_cast<DWORD>(bytes[1]) << 8) |
           (static_cast<DWORD>(bytes[2]) << 16) | (static_cast<DWORD>(bytes[3]) << 24);
  return true;
}

bool WriteDword(MmioFile& file, int64_t pos, DWORD value) {
  char bytes[4] = {static_cast<char>(value & 0xFF), static_cast<char>((value >> 8) & 0xFF),
                   static_cast<char>((value >> 16) & 0xFF), static_cast<char>((value >> 24) & 0xFF)};
  return file.WriteAt(pos, bytes, 4) == 4;
}

}  // namespace

HMMIO mmioOpenA(char* file_name, MMIOINFO* info, DWORD flags) {
  if (info) info->wErrorRet = MMSYSERR_NOERROR;
  const bool memory = info && info->fccIOProc == FOURCC_MEM;
  if (!memory && !file_name) return Fail(info, MMIOERR_CANNOTOPEN);
  std::string path = memory ? std::string() : ResolvePath(file_name);
  if (flags & MMIO_PARSE) {
    std::error_code ec;
    std::string full = std::filesystem::absolute(path, ec).lexically_normal().string();
    if (ec || full.size() >= MAX_PATH) return Fail(info, MMIOERR_PATHNOTFOUND);
    std::memcpy(file_name, full.c_str(), full.size() + 1);
    return reinterpret_cast<HMMIO>(static_cast<uintptr_t>(1));
  }
  if (flags & MMIO_EXIST) {
    return GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES
               ? Fail(info, MMIOERR_FILENOTFOUND)
               : reinterpret_cast<HMMIO>(uintptr_t{1});
  }
  if (flags & MMIO_DELETE) {
    return ::unlink(path.c_str()) == 0 ? reinterpret_cast<HMMIO>(uintptr_t{1})
                                       : Fail(info, MMIOERR_FILENOTFOUND);
  }
  auto file = std::make_shared<MmioFile>();
  file->flags = flags;
  if (memory) {
    if (info->cchBuffer < 0) return Fail(info, MMSYSERR_INVALPARAM);
    file->OpenMemory(info->pchBuffer, info->cchBuffer, info->adwInfo[0], info->pchBuffer == nullptr);
  } else {
    MMRESULT error = MMSYSERR_NOERROR;
    if (!file->OpenFile(path, flags, &error)) return Fail(info, error);
    if (flags & MMIO_ALLOCBUF) {
      LONG size = info && info->cchBuffer > 0 ? info->cchBuffer : static_cast<LONG>(MMIO_DEFAULTBUFFER);
      file->buffer.assign(static_cast<size_t>(size), 0);
    }
  }
  return Register(file);
}

MMRESULT mmioClose(HMMIO handle, UINT) {
  std::shared_ptr<MmioFile> file;
  {
    MmioTable& t = Table();
    std::lock_guard lock(t.mutex);
    auto it = t.files.find(reinterpret_cast<uintptr_t>(handle));
    if (it == t.files.end()) return MMSYSERR_INVALHANDLE;
    file = std::move(it->second);
    t.files.erase(it);
  }
  return file->Sync() ? MMSYSERR_NOERROR : MMIOERR_CANNOTCLOSE;
}

LONG mmioRead(HMMIO handle, char* buffer, LONG bytes) {
  auto file = Find(handle);
  if (!file || bytes < 0 || (bytes > 0 && !buffer)) return -1;
  LONG n = file->ReadAt(file->pos, buffer, bytes);
  if (n > 0) file->pos += n;
  return n;
}

LONG mmioWrite(HMMIO handle, const char* buffer, LONG bytes) {
  auto file = Find(handle);
  if (!file || bytes < 0 || (bytes > 0 && !buffer)) return -1;
  LONG n = file->WriteAt(file->pos, buffer, bytes);
  if (n > 0) file->pos += n;
  return n;
}

LONG mmioSeek(HMMIO handle, LONG offset, int origin) {
  auto file = Find(handle);
  if (!file) return -1;
  int64_t base = origin == SEEK_SET_   ? 0
                 : origin == SEEK_CUR_ ? file->pos
                 : origin == SEEK_END_ ? file->Size()
                                       : -1;
  if (base < 0) return -1;
  int64_t target = base + offset;
  if (target < 0 || target > kMaxPosition) return -1;
  file->pos = target;
  return static_cast<LONG>(target);
}

MMRESULT mmioFlush(HMMIO handle, UINT) {
  auto file = Find(handle);
  if (!file) return MMSYSERR_INVALHANDLE;
  return MMSYSERR_NOERROR;
}

MMRESULT mmioSetBuffer(HMMIO handle, char* buffer, LONG size, UINT) {
  auto file = Find(handle);
  if (!file) return MMSYSERR_INVALHANDLE;
  if (size < 0) return MMSYSERR_INVALPARAM;
  if (buffer) {
    file->user_buffer = buffer;
    file->user_buffer_size = size;
    file->buffer.clear();
  } else {
    file->user_buffer = nullptr;
    file->user_buffer_size = 0;
    file->buffer.assign(static_cast<size_t>(size), 0);
  }
  return MMSYSERR_NOERROR;
}

MMRESULT mmioGetInfo(HMMIO handle, MMIOINFO* info, UINT) {
  auto file = Find(handle);
  if (!file) return MMSYSERR_INVALHANDLE;
  if (!info) return MMSYSERR_INVALPARAM;
  *info = MMIOINFO{};
  info->dwFlags = file->flags & ~MMIO_DIRTY;
  info->fccIOProc = FOURCC_DOS;
  info->hmmio = handle;
  info->cchBuffer = file->BufferSize();
  info->pchBuffer = file->BufferSize() > 0 ? file->BufferData() : nullptr;
  info->pchNext = info->pchBuffer;
  info->pchEndRead = info->pchBuffer;
  info->pchEndWrite = info->pchBuffer ? info->pchBuffer + info->cchBuffer : nullptr;
  info->lBufOffset = static_cast<LONG>(file->pos);
  info->lDiskOffset = static_cast<LONG>(file->pos);
  return MMSYSERR_NOERROR;
}

namespace {

// Writes back what the caller wrote into the lent buffer and moves the
// position to where the caller's pchNext stands.
MMRESULT Settle(MmioFile& file, const MMIOINFO& info) {
  if (!info.pchBuffer || info.pchBuffer != file.BufferData() || info.pchNext < info.pchBuffer ||
      info.pchNext > info.pchBuffer + file.BufferSize())
    return MMSYSERR_INVALPARAM;
  LONG used = static_cast<LONG>(info.pchNext - info.pchBuffer);
  if (info.dwFlags & MMIO_DIRTY) {
    if (file.WriteAt(info.lBufOffset, info.pchBuffer, used) != used) return MMIOERR_CANNOTWRITE;
  }
  file.pos = static_cast<int64_t>(info.lBufOffset) + used;
  return MMSYSERR_NOERROR;
}

}  // namespace

MMRESULT mmioSetInfo(HMMIO handle, const MMIOINFO* info, UINT) {
  auto file = Find(handle);
  if (!file) return MMSYSERR_INVALHANDLE;
  if (!info) return MMSYSERR_INVALPARAM;
  if (!info->pchBuffer) return MMSYSERR_NOERROR;
  return Settle(*file, *info);
}

MMRESULT mmioAdvance(HMMIO handle, MMIOINFO* info, UINT flags) {
  auto file = Find(handle);
  if (!file) return MMSYSERR_INVALHANDLE;
  if (!info) return MMSYSERR_INVALPARAM;
  if (file->BufferSize() == 0 || !info->pchBuffer) return MMIOERR_UNBUFFERED;
  MMRESULT result = Settle(*file, *info);
  if (result != MMSYSERR_NOERROR) return result;
  info->dwFlags &= ~MMIO_DIRTY;
  info->lBufOffset = static_cast<LONG>(file->pos);
  info->lDiskOffset = info->lBufOffset;
  info->pchNext = info->pchBuffer;
  info->pchEndWrite = info->pchBuffer + info->cchBuffer;
  if (flags & MMIO_WRITE) {
    info->pchEndRead = info->pchBuffer;
    return MMSYSERR_NOERROR;
  }
  LONG n = file->ReadAt(file->pos, info->pchBuffer, info->cchBuffer);
  if (n < 0) return MMIOERR_CANNOTREAD;
  info->pchEndRead = info->pchBuffer + n;
  return MMSYSERR_NOERROR;
}

MMRESULT mmioDescend(HMMIO handle, MMCKINFO* chunk, const MMCKINFO* parent, UINT flags) {
  auto file = Find(handle);
  if (!file) return MMSYSERR_INVALHANDLE;
  if (!chunk) return MMSYSERR_INVALPARAM;
  const int64_t limit = parent ? static_cast<int64_t>(parent->dwDataOffset) + parent->cksize : file->Size();
  int64_t pos = file->pos;
  for (;;) {
    if (pos + 8 > limit) return MMIOERR_CHUNKNOTFOUND;
    DWORD id = 0, size = 0, type = 0;
    if (!ReadDword(*file, pos, &id) || !ReadDword(*file, pos + 4, &size)) return MMIOERR_CHUNKNOTFOUND;
    const int64_t data = pos + 8;
    const bool has_type = id == FOURCC_RIFF || id == FOURCC_LIST;
    if (has_type && !ReadDword(*file, data, &type)) return MMIOERR_CANNOTREAD;
    bool match = true;
    if (flags & MMIO_FINDRIFF)
      match = id == FOURCC_RIFF && type == chunk->fccType;
    else if (flags & MMIO_FINDLIST)
      match = id == FOURCC_LIST && type == chunk->fccType;
    else if (flags & MMIO_FINDCHUNK)
      match = id == chunk->ckid;
    if (match) {
      if (data > kMaxPosition) return MMIOERR_CHUNKNOTFOUND;
      chunk->ckid = id;
      chunk->cksize = size;
      chunk->fccType = has_type ? type : 0;
      chunk->dwDataOffset = static_cast<DWORD>(data);
      chunk->dwFlags = 0;
      file->pos = data + (has_type ? 4 : 0);
      return MMSYSERR_NOERROR;
    }
    // Chunks are padded to an even length; every step moves forward.
    pos = data + size + (size & 1);
  }
}

MMRESULT mmioAscend(HMMIO handle, MMCKINFO* chunk, UINT) {
  auto file = Find(handle);
  if (!file) return MMSYSERR_INVALHANDLE;
  if (!chunk || chunk->dwDataOffset < 8) return MMSYSERR_INVALPARAM;
  if (chunk->dwFlags & MMIO_DIRTY) {
    int64_t size = file->pos - chunk->dwDataOffset;
    if (size < 0) return MMIOERR_CANNOTSEEK;
    if (static_cast<DWORD>(size) != chunk->cksize) {
      if (!WriteDword(*file, chunk->dwDataOffset - 4, static_cast<DWORD>(size))) return MMIOERR_CANNOTWRITE;
      chunk->cksize = static_cast<DWORD>(size);
    }
    if (size & 1) {
      char pad = 0;
      if (file->WriteAt(file->pos, &pad, 1) != 1) return MMIOERR_CANNOTWRITE;
    }
    chunk->dwFlags &= ~MMIO_DIRTY;
  }
  int64_t end = static_cast<int64_t>(chunk->dwDataOffset) + chunk->cksize + (chunk->cksize & 1);
  if (end > kMaxPosition) return MMIOERR_CANNOTSEEK;
  file->pos = end;
  return MMSYSERR_NOERROR;
}

MMRESULT mmioCreateChunk(HMMIO handle, MMCKINFO* chunk, UINT flags) {
  auto file = Find(handle);
  if (!file) return MMSYSERR_INVALHANDLE;
  if (!chunk) return MMSYSERR_INVALPARAM;
  if (flags & MMIO_CREATERIFF) chunk->ckid = FOURCC_RIFF;
  if (flags & MMIO_CREATELIST) chunk->ckid = FOURCC_LIST;
  const bool has_type = (flags & (MMIO_CREATERIFF | MMIO_CREATELIST)) != 0;
  const int64_t pos = file->pos;
  if (!WriteDword(*file, pos, chunk->ckid) || !WriteDword(*file, pos + 4, chunk->cksize))
    return MMIOERR_CANNOTWRITE;
  if (has_type && !WriteDword(*file, pos + 8, chunk->fccType)) return MMIOERR_CANNOTWRITE;
  chunk->dwDataOffset = static_cast<DWORD>(pos + 8);
  chunk->dwFlags = MMIO_DIRTY;
  file->pos = pos + 8 + (has_type ? 4 : 0);
  return MMSYSERR_NOERROR;
}

FOURCC mmioStringToFOURCCA(const char* text, UINT flags) {
  char c[4] = {' ', ' ', ' ', ' '};
  for (int i = 0; i < 4 && text && text[i]; ++i)
    c[i] = (flags & MMIO_TOUPPER) ? static_cast<char>(std::toupper(static_cast<unsigned char>(text[i])))
                                  : text[i];
  return mmioFOURCC(c[0], c[1], c[2], c[3]);
}

}  // namespace plat
