#pragma once
// The wave object: one RIFF WAVE file, read through play ranges (the data
// minus the regions of a cut list), appended to when it was created here, with
// positions exchanged in samples, bytes or milliseconds. And the wave-file
// chain component that owns one: a source, a sink or a tap, chosen by its links.
//
// Every file written here goes to a temporary name beside the target and
// replaces it when it is complete; a target another wave reads is refused.
// Positions and byte counters are 64-bit.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "engine/MMObj.h"
#include "engine/MMObsrv.h"
#include "engine/MMTypes.h"
#include "engine/MMWaveIO.h"
#include "files/MMAudio.h"
#include "files/MMCutLst.h"

namespace files {

class EMMWaveError : public vcl::Exception {
 public:
  using Exception::Exception;
};

using engine::TMMTimeFormats;

using TMMWaveProgress =
    std::function<void(vcl::TObject* sender, int64_t cur_byte, int64_t num_bytes, bool& cancel)>;

class TMMWave : public engine::TMMObject {
  VCL_DECLARE_CLASS(TMMWave, engine::TMMObject)
 public:
  TMMWave();
  ~TMMWave() override;

  // Null or another wave; other classes go to the class library's Assign.
  void Assign(const vcl::TPersistent* source) override;

  TMMTimeFormats TimeFormat() const { return time_format_; }
  void SetTimeFormat(TMMTimeFormats value);
  bool FileMustExist() const { return file_must_exist_; }
  void SetFileMustExist(bool value);
  std::string FileName() const { return file_name_; }
  // Attaches the file (qualified to a full path); the same name with an
  // unchanged size does nothing; an empty name frees the wave. A missing
  // file is kept as a name only when FileMustExist is off.
  virtual void SetFileName(const std::string& name);
  int32_t BitLength() const;
  engine::TMMMode Mode() const;
  int32_t FormatTag() const;
  std::string FormatString() const;
  int32_t SampleRate() const;  // 11025 without a format
  int64_t FileSize() const;
  int64_t DataSize() const;  // in TimeFormat
  int32_t IOBufferSize() const { return io_buffer_size_; }
  // At least 8192; applied at once to an open file.
  void SetIOBufferSize(int32_t value);
  // The writer of the read-only published properties.
  void IgnoreWrite(int32_t) {}
  void IgnoreWriteText(const std::string&) {}
  void IgnoreWriteMode(engine::TMMMode) {}

  TMMWaveProgress OnProgress;

  virtual plat::WAVEFORMATEX* GetPWaveFormat() const;
  virtual int64_t SamplesToBytes(int64_t samples) const;
  virtual int64_t BytesToSamples(int64_t bytes) const;
  // Logical (play) sample positions to file sample positions and back.
  virtual int64_t LogicalToFile(int64_t sample) const { return sample; }
  virtual int64_t FileToLogical(int64_t sample) const { return sample; }
  virtual int64_t SamplesToTimeFormat(int64_t samples) const;
  virtual int64_t TimeFormatToSamples(int64_t value) const;
  // Stores the reference (not owned) and rebuilds the play ranges.
  virtual void SetCutList(TMMCutList* list);
  TMMCutList* CutList() const { return cut_list_; }
  const TMMCutList& PlayRanges() const { return play_ranges_; }

  bool IsEmpty() const { return DataSize() == 0; }
  // Creates the file for writing under a temporary name beside `name`; it
  // replaces `name` at CloseFile. Refused while another wave reads `name`.
  void CreateFile(const std::string& name, const plat::WAVEFORMATEX* format);
  // Reopens the attached file for writing in place, through a copy that
  // replaces it at CloseFile. Refused while another wave reads it.
  void OpenFileForUpdate();
  virtual void OpenFile();
  // Completes a written file and puts it in its target's place; raises when
  // the file could not be completed (the target then keeps its old content).
  virtual void CloseFile();
  bool Opened() const { return opened_; }

  // In TimeFormat; -1 without a file.
  int64_t GetPosition() const;
  virtual void SetPosition(int64_t pos);
  int64_t PositionSamples() const { return position_; }
  int64_t BytesLeft() const { return bytes_left_; }
  int64_t LengthSamples() const;

  virtual int32_t ReadRaw(void* buffer, int32_t size);
  // The bytes delivered; -1 at the end of the data. A read that yields
  // nothing before the end gives one block (at most `size` bytes) of silence.
  int32_t ReadData(void* buffer, int32_t size);
  // -1 without a file; else what WaveWrite returned.
  int32_t WriteData(const void* buffer, int32_t size);

  void FreeWave();
  void ReleaseWave();

  void AddObserver(engine::TMMObserver* observer) { observable_.AddObserver(observer); }
  void RemoveObserver(engine::TMMObserver* observer) { observable_.RemoveObserver(observer); }

  void Changed() override;
  virtual void DoProgress(int64_t cur_byte, int64_t num_bytes, bool& cancel);

  // Called with 0 when the wave-file component starts and with 1 after every seek.
  virtual void StartHook(int32_t) {}
  // Called on chain reset and when a loop restarts.
  virtual void Rewind() {}

 private:
  void AttachRecord(engine::TWaveIORec* rec);
  void BuildPlayRanges();
  void SeekTo(int64_t sample);
  // Finishes the file; false when it could not be completed.
  bool FinishFile();
  void RenameRecord(const std::string& name);
  uint8_t SilenceByte() const;

  engine::TWaveIORec* rec_ = nullptr;
  std::string file_name_;
  std::string temp_name_;  // the file being written, until it replaces file_name_
  bool file_must_exist_ = true;
  int32_t io_buffer_size_ = 32768;
  TMMTimeFormats time_format_ = engine::tfSample;
  int64_t region_start_ = 0;
  int64_t region_end_ = 0;
  int64_t position_ = 0;
  int64_t bytes_left_ = 0;
  int64_t play_bytes_ = 0;
  TMMCutList* cut_list_ = nullptr;
  TMMCutList play_ranges_;
  int32_t current_range_ = -1;
  int64_t bytes_left_in_range_ = 0;
  bool opened_ = false;
  bool hold_changes_ = false;
  bool change_pending_ = false;
  engine::TMMObservable observable_;
};

// The wave file as a chain member. It is used by one thread at a time: the
// thread that delivers its buffers, and SetPosition only from there while
// buffers flow; overlapping calls are a caller's fault and assert.
class TMMCustomWaveFile : public TMMCustomFile {
  VCL_DECLARE_CLASS(TMMCustomWaveFile, TMMCustomFile)
 public:
  explicit TMMCustomWaveFile(vcl::TComponent* owner);
  ~TMMCustomWaveFile() override;

  TMMWave* Wave() const { return wave_.get(); }
  // Another wave is copied into the owned one.
  void SetWave(TMMWave* value);
  bool OverwriteExisting() const { return overwrite_existing_; }
  void SetOverwriteExisting(bool value) { overwrite_existing_ = value; }

  static TMMAudioFileType FileTypeId() { return ftWave; }
  // An extension, when the name has one, must be a wave extension; then the
  // content decides.
  static bool CanOpenFile(const std::string& file_name, const TMMDecryptCallback& decrypt, void* user,
                          int32_t decrypt_mode);
  static bool GetFileInfo(const std::string& file_name, TMMFileInfo& info, bool scan, int32_t decrypt_mode,
                          void* user, const TMMDecryptCallback& decrypt);
  static std::string GetFilter();
  static std::string GetExtensions() { return "*.wav"; }

  int32_t GetBlockSize() override;
  bool IsEmpty() override;
  int32_t GetTime() override;
  std::string GetFileName() override;
  void SetFileName(const std::string& name) override;
  int64_t GetPosition() override;
  void SetPosition(int64_t pos) override;
  int64_t GetTimePosition() override;
  void SetTimePosition(int64_t ms) override;

  void SetFormat(const plat::WAVEFORMATEX* format) override;
  void Opened() override;
  void Closed() override;
  void Started() override;
  void Stopped() override;
  void Reset() override;
  void BufferReady(plat::WAVEHDR* lpwh) override;
  void BufferLoad(plat::WAVEHDR* lpwh, bool& more_buffers) override;

  void DoChange() override;
  virtual void DoOpen();
  virtual void DoClose();

  bool FileOpened() const { return file_opened_; }
  bool FileStarted() const { return file_started_; }
  uint16_t Silence() const { return silence_; }

  vcl::TNotifyEvent OnOpen;
  vcl::TNotifyEvent OnClose;
  vcl::TNotifyEvent OnLooping;

 private:
  // Writes a buffer that passes through; false when the disk lacks the room
  // or the write failed.
  bool WriteBuffer(const plat::WAVEHDR* lpwh);
  void CloseFileAndNotify();

  std::unique_ptr<TMMWave> wave_;
  engine::TMMObserver observer_;
  int64_t start_position_ = 0;
  int64_t bytes_written_ = 0;
  uint16_t silence_ = 128;
  bool file_opened_ = false;
  bool file_started_ = false;
  bool overwrite_existing_ = true;
  std::atomic<std::thread::id> busy_{};  // the thread inside a call, if any
};

class TMMWaveFile : public TMMCustomWaveFile {
  VCL_DECLARE_CLASS(TMMWaveFile, TMMCustomWaveFile)
 public:
  explicit TMMWaveFile(vcl::TComponent* owner) : TMMCustomWaveFile(owner) {}
  bool Enabled() const { return const_cast<TMMWaveFile*>(this)->GetEnabled(); }
  void SetEnabledProp(bool value) { SetEnabled(value); }
};

}  // namespace files
