#pragma once
// Streams: the abstract TStream, memory and file streams.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/vcl/Classes.h"

namespace vcl {

enum TSeekOrigin : int { soFromBeginning = 0, soFromCurrent = 1, soFromEnd = 2 };

class TStream : public TObject {
  VCL_DECLARE_CLASS(TStream, TObject)
 public:
  // Bytes actually moved; fewer at the end of the data.
  virtual int64_t Read(void* buffer, int64_t count) = 0;
  virtual int64_t Write(const void* buffer, int64_t count) = 0;
  // The new position.
  virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;

  int64_t Position() { return Seek(0, soFromCurrent); }
  void SetPosition(int64_t position) { Seek(position, soFromBeginning); }
  virtual int64_t Size();
  virtual void SetSize(int64_t size);

  // All or nothing: EReadError "Stream read error", EWriteError "Stream write error".
  void ReadBuffer(void* buffer, int64_t count);
  void WriteBuffer(const void* buffer, int64_t count);
  // Copies `count` bytes from `source`'s position; 0 copies all of `source` from its start.
  int64_t CopyFrom(TStream& source, int64_t count);
};

// A stream over a growing block of memory. The position may pass the end;
// writing there fills the gap with zeros.
class TMemoryStream : public TStream {
  VCL_DECLARE_CLASS(TMemoryStream, TStream)
 public:
  TMemoryStream() = default;

  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  int64_t Size() override { return static_cast<int64_t>(data_.size()); }
  void SetSize(int64_t size) override;

  uint8_t* Memory() { return data_.data(); }
  const uint8_t* Memory() const { return data_.data(); }
  void Clear();
  void LoadFromStream(TStream& stream);
  void SaveToStream(TStream& stream);
  void LoadFromFile(const std::string& file_name);
  void SaveToFile(const std::string& file_name);

 private:
  std::vector<uint8_t> data_;
  int64_t position_ = 0;
};

// Open modes; fmCreate may be combined with a share mode.
constexpr uint32_t fmCreate = 0xFF00;
constexpr uint32_t fmOpenRead = 0x0000;
constexpr uint32_t fmOpenWrite = 0x0001;
constexpr uint32_t fmOpenReadWrite = 0x0002;
constexpr uint32_t fmShareCompat = 0x0000;
constexpr uint32_t fmShareExclusive = 0x0010;
constexpr uint32_t fmShareDenyWrite = 0x0020;
constexpr uint32_t fmShareDenyRead = 0x0030;
constexpr uint32_t fmShareDenyNone = 0x0040;

// A stream over a file. Share modes are accepted and not enforced.
class TFileStream : public TStream {
  VCL_DECLARE_CLASS(TFileStream, TStream)
 public:
  // EFCreateError or EFOpenError when the file cannot be created or opened.
  TFileStream(const std::string& file_name, uint32_t mode);
  ~TFileStream() override;

  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  void SetSize(int64_t size) override;
  const std::string& FileName() const { return file_name_; }

 private:
  std::string file_name_;
  int fd_ = -1;
};

}  // namespace vcl
