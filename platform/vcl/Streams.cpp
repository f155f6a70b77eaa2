#include "platform/vcl/Streams.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/kernel/Files.h"
#include "platform/vcl/TypInfo.h"

namespace vcl {

VCL_IMPLEMENT_CLASS(TStream)
VCL_IMPLEMENT_CLASS(TMemoryStream)
VCL_IMPLEMENT_CLASS(TFileStream)

int64_t TStream::Size() {
  int64_t position = Seek(0, soFromCurrent);
  int64_t size = Seek(0, soFromEnd);
  Seek(position, soFromBeginning);
  return size;
}

void TStream::SetSize(int64_t) { throw EStreamError("Stream size cannot be changed"); }

void TStream::ReadBuffer(void* buffer, int64_t count) {
  if (count != 0 && Read(buffer, count) != count) throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void* buffer, int64_t count) {
  if (count != 0 && Write(buffer, count) != count) throw EWriteError("Stream write error");
}

int64_t TStream::CopyFrom(TStream& source, int64_t count) {
  if (count == 0) {
    source.SetPosition(0);
    count = source.Size();
  }
  int64_t total = count;
  std::vector<uint8_t> buffer(static_cast<size_t>(std::min<int64_t>(count, 64 * 1024)));
  while (count > 0) {
    int64_t n = std::min<int64_t>(count, static_cast<int64_t>(buffer.size()));
    source.ReadBuffer(buffer.data(), n);
    WriteBuffer(buffer.data(), n);
    count -= n;
  }
  return total;
}

// TMemoryStream

int64_t TMemoryStream::Read(void* buffer, int64_t count) {
  if (position_ < 0 || count <= 0) return 0;
  int64_t available = Size() - position_;
  if (available <= 0) return 0;
  int64_t n = std::min(count, available);
  std::memcpy(buffer, data_.data() + position_, static_cast<size_t>(n));
  position_ += n;
  return n;
}

int64_t TMemoryStream::Write(const void* buffer, int64_t count) {
  if (position_ < 0 || count <= 0) return 0;
  int64_t end = position_ + count;
  if (end > Size()) data_.resize(static_cast<size_t>(end));
  std::memcpy(data_.data() + position_, buffer, static_cast<size_t>(count));
  position_ = end;
  return count;
}

int64_t TMemoryStream::Seek(int64_t offset, TSeekOrigin origin) {
  switch (origin) {
    case soFromBeginning:
      position_ = offset;
      break;
    case soFromCurrent:
      position_ += offset;
      break;
    case soFromEnd:
      position_ = Size() + offset;
      break;
  }
  return position_;
}

void TMemoryStream::SetSize(int64_t size) {
  if (size < 0) throw EStreamError("Invalid stream size");
  data_.resize(static_cast<size_t>(size));
  if (position_ > size) position_ = size;
}

void TMemoryStream::Clear() {
  data_.clear();
  position_ = 0;
}

void TMemoryStream::LoadFromStream(TStream& stream) {
  stream.SetPosition(0);
  int64_t size = stream.Size();
  SetSize(size);
  if (size) stream.ReadBuffer(data_.data(), size);
  position_ = 0;
}

void TMemoryStream::SaveToStream(TStream& stream) {
  if (!data_.empty()) stream.WriteBuffer(data_.data(), Size());
}

void TMemoryStream::LoadFromFile(const std::string& file_name) {
  TFileStream file(file_name, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(file);
}

void TMemoryStream::SaveToFile(const std::string& file_name) {
  TFileStream file(file_name, fmCreate);
  SaveToStream(file);
}

// TFileStream

TFileStream::TFileStream(const std::string& file_name, uint32_t mode) : file_name_(file_name) {
  std::string path = plat::ResolvePath(file_name);
  if ((mode & fmCreate) == fmCreate) {
    fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd_ < 0) throw EFCreateError("Cannot create file \"" + file_name + "\"");
    return;
  }
  int flags = O_CLOEXEC;
  switch (mode & 0x3) {
    case fmOpenWrite:
      flags |= O_WRONLY;
      break;
    case fmOpenReadWrite:
      flags |= O_RDWR;
      break;
    default:
      flags |= O_RDONLY;
      break;
  }
  fd_ = ::open(path.c_str(), flags);
  struct stat st;
  if (fd_ >= 0 && (::fstat(fd_, &st) != 0 || S_ISDIR(st.st_mode))) {
    ::close(fd_);
    fd_ = -1;
  }
  if (fd_ < 0) throw EFOpenError("Cannot open file \"" + file_name + "\"");
}

TFileStream::~TFileStream() {
  if (fd_ >= 0) ::close(fd_);
}

int64_t TFileStream::Read(void* buffer, int64_t count) {
  int64_t done = 0;
  auto* p = static_cast<uint8_t*>(buffer);
  while (done < count) {
    ssize_t n = ::read(fd_, p + done, static_cast<size_t>(count - done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += n;
  }
  return done;
}

int64_t TFileStream::Write(const void* buffer, int64_t count) {
  int64_t done = 0;
  const auto* p = static_cast<const uint8_t*>(buffer);
  while (done < count) {
    ssize_t n = ::write(fd_, p + done, static_cast<size_t>(count - done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += n;
  }
  return done;
}

int64_t TFileStream::Seek(int64_t offset, TSeekOrigin origin) {
  int whence = origin == soFromCurrent ? SEEK_CUR : origin == soFromEnd ? SEEK_END : SEEK_SET;
  off_t r = ::lseek(fd_, static_cast<off_t>(offset), whence);
  if (r < 0) return ::lseek(fd_, 0, SEEK_CUR);
  return r;
}

void TFileStream::SetSize(int64_t size) {
  if (size < 0 || ::ftruncate(fd_, static_cast<off_t>(size)) != 0)
    throw EStreamError("Stream size cannot be changed");
  if (Position() > size) SetPosition(size);
}

}  // namespace vcl
