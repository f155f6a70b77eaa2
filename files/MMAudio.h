#pragma once
// The audio file classes: the interface every kind of sound file offers as a
// chain component, and the registry that tells which class opens a file and
// builds the open dialog's filter. Class operations (asked before any object
// exists) are reached through a TMMFileClass, the class reference.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/MMDSPObj.h"
#include "platform/vcl/SysUtils.h"

namespace files {

enum TMMAudioFileType : uint8_t { ftNone, ftWave, ftMpeg, ftWMA, ftVorbis, ftCDA };

class EMMAudioError : public vcl::Exception {
 public:
  using Exception::Exception;
};

// A call of an operation a file class declares but does not implement.
class EAbstractError : public vcl::Exception {
 public:
  using Exception::Exception;
};

// Decrypts `size` bytes in place; only the MPEG class calls it.
using TMMDecryptCallback = std::function<void(void* user, void* data, int32_t size)>;

struct TMMTagInfo {
  std::string Title;  // wave files: the file name without its path
  std::string Artist;
  std::string Album;
  std::string Year;
  std::string Comment;
  uint16_t Track = 0;  // a zero byte, then the track number
  uint8_t Genre = 0;
  std::string GenreName;  // for genre numbers below 126
  uint8_t Flag = 0;
};

struct TMMFileInfo {
  TMMAudioFileType FileType = ftNone;
  int32_t Length = 0;  // ms
  int32_t Layer = 0;
  int32_t BitRate = 0;
  double FrameTime = 0;  // ms per MPEG frame
  TMMTagInfo Tag;
};

class TMMCustomFile;

// A class reference of a TMMCustomFile descendant: its class entry (name,
// factory) and its class operations.
struct TMMFileClass {
  vcl::TClass Class = nullptr;
  TMMAudioFileType (*FileTypeId)() = nullptr;
  bool (*CanOpenFile)(const std::string& file_name, const TMMDecryptCallback& decrypt, void* user,
                      int32_t decrypt_mode) = nullptr;
  bool (*GetFileInfo)(const std::string& file_name, TMMFileInfo& info, bool scan, int32_t decrypt_mode,
                      void* user, const TMMDecryptCallback& decrypt) = nullptr;
  std::string (*GetFilter)() = nullptr;
  std::string (*GetExtensions)() = nullptr;

  const std::string& ClassName() const;
  // A new instance through the class entry's factory.
  TMMCustomFile* Create(vcl::TComponent* owner) const;
};

// The class reference of T, filled from T's static class operations (those
// T does not declare come from the nearest base that does).
template <class T>
const TMMFileClass& FileClassOf() {
  static const TMMFileClass cls{T::StaticClass(), &T::FileTypeId, &T::CanOpenFile,
                                &T::GetFileInfo,  &T::GetFilter,  &T::GetExtensions};
  return cls;
}

class TMMCustomFile : public engine::TMMDSPComponent {
  VCL_DECLARE_CLASS(TMMCustomFile, engine::TMMDSPComponent)
 public:
  explicit TMMCustomFile(vcl::TComponent* owner) : engine::TMMDSPComponent(owner) {}

  // Class operations; a descendant hides them with its own.
  static TMMAudioFileType FileTypeId() { return ftNone; }
  static bool CanOpenFile(const std::string& file_name, const TMMDecryptCallback& decrypt, void* user,
                          int32_t decrypt_mode);
  static bool GetFileInfo(const std::string& file_name, TMMFileInfo& info, bool scan, int32_t decrypt_mode,
                          void* user, const TMMDecryptCallback& decrypt);
  static std::string GetFilter() { return {}; }
  static std::string GetExtensions() { return {}; }

  // The instance interface. The base raises EAbstractError for those it
  // leaves to the classes.
  virtual int32_t GetBlockSize();
  virtual void SetTrailingHeader(int32_t value);
  virtual int32_t GetTrailingHeader();
  virtual bool IsEmpty();
  virtual int32_t GetTime();  // ms
  virtual std::string GetFileName();
  // Opens the file; an empty name closes it.
  virtual void SetFileName(const std::string& name);
  virtual bool GetEnabled() { return enabled_; }
  virtual void SetEnabled(bool value) { enabled_ = value; }
  // In the class's own unit.
  virtual int64_t GetPosition();
  virtual void SetPosition(int64_t pos);
  virtual int64_t GetTimePosition();  // ms
  virtual void SetTimePosition(int64_t ms);
  // The writer of read-only published properties.
  virtual void IgnoreWrite(int32_t) {}
  virtual int32_t GetSampleRate();
  virtual int32_t GetChannels();
  virtual int32_t GetBitRate() { return 0; }
  virtual void AbortRead() {}
  virtual void SetDecryptCallback(const TMMDecryptCallback& callback);
  virtual void SetDecryptMode(int32_t mode);
  virtual void ScanFile();
  virtual void ScanFileEx();
  virtual void EncryptFile();
  virtual void ReadTagInfo(TMMTagInfo& tag);

  // OnChange, then OnChanged.
  virtual void DoChange();

  vcl::TNotifyEvent OnChange;
  vcl::TNotifyEvent OnChanged;

 private:
  bool enabled_ = true;
};

// A pull whose data just ended: counts the header's loop and tells whether
// the source rewinds (then the pull asks for more and marks the loop point).
bool LoopAtEnd(plat::WAVEHDR* lpwh, bool& more_buffers);

// ---- The registry of file classes ----

// A class whose name is listed already is ignored; otherwise it goes before
// the first class of a greater priority.
void RegisterFileClass(const TMMFileClass& file_class, uint32_t priority);
// The first registered class of that type, or null.
const TMMFileClass* FindFileClass(TMMAudioFileType file_type);
// The registered classes in lookup order.
std::vector<const TMMFileClass*> RegisteredFileClasses();
// The filters joined by "|", led by an "All Audio Files" entry when asked
// and at least two classes are registered.
std::string BuildAudioFileFilter(bool all_entry);
// The pattern parts of a description|pattern filter, merged with ";"; a
// pattern already contained in the result is left out.
std::string MergeExtensionList(const std::string& filter);
// Unit shut-down: forgets every class.
void ClearFileClasses();

}  // namespace files
