#pragma once
// MPEG audio files through the decoder module "MMMPEG32.DLL": the loader that
// binds it, the file tests, TMMMpeg (one decoder instance and the stream's
// properties) and TMMMPEGFile, the file class that feeds a chain with the
// decoded 16-bit PCM.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/MMObj.h"
#include "engine/MMTrigg.h"
#include "files/MMAudio.h"
#include "files/MMMPType.h"

namespace files {

class EMMMpegError : public vcl::Exception {
 public:
  using Exception::Exception;
};

// Binds the decoder once per process; a failure shows the error box and a
// later call tries again.
bool LoadMpegDecoder();
// The unit's shut-down: frees the module when it is loaded.
void UnloadMpegDecoder();
// The module the loader loads ("MMMPEG32.DLL"); tests point it at broken
// modules. Unloads a loaded module first.
void SetMpegDecoderModule(const std::string& name);

bool IsMpegFile(const std::string& file_name);
bool IsMpegFileEx(const std::string& file_name, const TMMDecryptCallback& decrypt, void* user,
                  int32_t decrypt_mode);
bool GetMpegFileInfo(const std::string& file_name, TMpegInfoRecord& info, bool scan, int32_t decrypt_mode,
                     void* user, const TMMDecryptCallback& decrypt);

class TMMMpeg : public engine::TMMObject {
  VCL_DECLARE_CLASS(TMMMpeg, engine::TMMObject)
 public:
  TMMMpeg();
  ~TMMMpeg() override;

  void Assign(const vcl::TPersistent* source) override;
  void Changed() override;

  void Clear();
  void Open();
  void Close();
  void Reset();
  // Bytes of PCM written; 0 while not opened.
  int32_t ReadData(void* buffer, int32_t size);
  void Abort();
  void SetPosition(int32_t frame);
  int32_t GetPosition() const;
  void SetTimePosition(int32_t ms);
  int32_t GetTimePosition() const;
  int32_t FrameBytes() const;
  // The output format, null without a file.
  const plat::WAVEFORMATEX* PCMFormat() const;
  void ScanFile(int32_t mode = 1);
  void ScanFileEx(int32_t a = 0, int32_t b = 0);
  void EncryptFile(const std::string& file_name, int32_t a = 0, int32_t b = 0, int32_t c = 0);
  bool ReadTagInfo(TMMTagInfo& tag) const;
  bool IsEmpty() const;
  bool Opened() const { return opened_; }
  bool Done() const;
  const TMpegInfoRecord& Info() const { return info_; }

  int32_t TrailingHeader() const { return trailing_header_; }
  void SetTrailingHeader(int32_t value);
  std::string FileName() const;
  void SetFileName(const std::string& name);
  TMpegVersion Version() const { return IsEmpty() ? v1 : static_cast<TMpegVersion>(info_.Version); }
  int32_t Layer() const { return IsEmpty() ? 0 : info_.Layer; }
  TSampleMode Mode() const { return IsEmpty() ? smStereo : static_cast<TSampleMode>(info_.Mode); }
  int32_t BitRate() const { return IsEmpty() ? 0 : info_.BitRate; }
  int32_t SampleRate() const { return IsEmpty() ? 0 : info_.SampleRate; }
  int32_t Frames() const { return IsEmpty() ? 0 : info_.Frames; }
  int32_t Time() const { return IsEmpty() ? 0 : info_.PlayTime; }
  double FrameTime() const { return IsEmpty() ? 0 : info_.FrameTime; }
  void IgnoreWrite(int32_t) {}
  TChannelMode ChannelMode() const;
  void SetChannelMode(TChannelMode value);
  bool Exactposition() const { return exact_position_; }
  void SetExactposition(bool value);

 private:
  static void ChangeCallback(void* user);
  void Check(int32_t code, const std::string& suffix = {}) const;
  void BuildFormat();

  TMpegHandle handle_ = nullptr;
  std::string given_name_;  // as the caller wrote it
  std::string resolved_name_;
  int32_t trailing_header_ = 0;
  bool exact_position_ = false;
  bool opened_ = false;
  TMpegInfoRecord info_{};
  plat::WAVEFORMATEX pcm_format_{};
};

class TMMMPEGFile : public TMMCustomFile {
  VCL_DECLARE_CLASS(TMMMPEGFile, TMMCustomFile)
 public:
  explicit TMMMPEGFile(vcl::TComponent* owner);
  ~TMMMPEGFile() override;

  TMMMpeg* Mpeg() const { return mpeg_.get(); }
  void Assign(const vcl::TPersistent* source) override;

  static TMMAudioFileType FileTypeId() { return ftMpeg; }
  static bool CanOpenFile(const std::string& file_name, const TMMDecryptCallback& decrypt, void* user,
                          int32_t decrypt_mode);
  static bool GetFileInfo(const std::string& file_name, TMMFileInfo& info, bool scan, int32_t decrypt_mode,
                          void* user, const TMMDecryptCallback& decrypt);
  static std::string GetFilter() {
    return "MPEG Files (*.mp?;*.atx)|*.mp2;*.mp3;*.atx|Antex Files (*.atx)|*.atx";
  }
  static std::string GetExtensions() { return "*.mp2;*.mp3;*.atx"; }

  int32_t GetBlockSize() override { return mpeg_->FrameBytes(); }
  void SetTrailingHeader(int32_t value) override { mpeg_->SetTrailingHeader(value); }
  int32_t GetTrailingHeader() override { return mpeg_->TrailingHeader(); }
  bool IsEmpty() override { return mpeg_->IsEmpty(); }
  int32_t GetTime() override { return mpeg_->Time(); }
  std::string GetFileName() override { return mpeg_->FileName(); }
  void SetFileName(const std::string& name) override;
  int64_t GetPosition() override { return mpeg_->GetPosition(); }
  void SetPosition(int64_t pos) override;
  int64_t GetTimePosition() override { return mpeg_->GetTimePosition(); }
  void SetTimePosition(int64_t ms) override;
  int32_t GetSampleRate() override { return mpeg_->SampleRate(); }
  int32_t GetChannels() override;
  int32_t GetBitRate() override { return mpeg_->BitRate(); }
  void AbortRead() override { mpeg_->Abort(); }
  void SetDecryptCallback(const TMMDecryptCallback&) override {}
  void SetDecryptMode(int32_t) override {}
  void ScanFile() override { mpeg_->ScanFile(); }
  void ScanFileEx() override { mpeg_->ScanFileEx(); }
  void EncryptFile() override {}
  void ReadTagInfo(TMMTagInfo& tag) override { mpeg_->ReadTagInfo(tag); }

  void Opened() override;
  void Closed() override;
  void Started() override;
  void Stopped() override;
  void BufferLoad(plat::WAVEHDR* lpwh, bool& more_buffers) override;

  // The published view.
  std::string FileNameProp() const { return mpeg_->FileName(); }
  bool Enabled() const { return const_cast<TMMMPEGFile*>(this)->GetEnabled(); }
  void SetEnabledProp(bool value) { SetEnabled(value); }
  int32_t BitRateProp() const { return mpeg_->BitRate(); }
  int32_t SampleRateProp() const { return mpeg_->SampleRate(); }
  int32_t ChannelsProp() const { return const_cast<TMMMPEGFile*>(this)->GetChannels(); }
  int32_t TrailingHeaderProp() const { return mpeg_->TrailingHeader(); }
  void SetTrailingHeaderProp(int32_t value) { mpeg_->SetTrailingHeader(value); }
  TMpegVersion Version() const { return mpeg_->Version(); }
  int32_t Layer() const { return mpeg_->Layer(); }
  TSampleMode Mode() const { return mpeg_->Mode(); }
  int32_t Frames() const { return mpeg_->Frames(); }
  int32_t Time() const { return mpeg_->Time(); }
  TChannelMode ChannelMode() const { return mpeg_->ChannelMode(); }
  void SetChannelMode(TChannelMode value) { mpeg_->SetChannelMode(value); }
  bool Exactposition() const { return mpeg_->Exactposition(); }
  void SetExactposition(bool value) { mpeg_->SetExactposition(value); }
  void IgnoreWrite(int32_t) override {}

  engine::TMMErrorEvent OnError;

 private:
  void MpegChanged();

  std::unique_ptr<TMMMpeg> mpeg_;
  bool opened_ = false;
  bool started_ = false;
  int32_t saved_frame_ = 0;
};

}  // namespace files
