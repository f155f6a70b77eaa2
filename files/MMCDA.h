#pragma once
// CD audio tracks as files: "X:\TrackNN.cda" names track NN of the disc in
// drive X. TMMCDAFile turns the name into a drive and a track and feeds the
// chain from its own TMMCDReader, which sits above it as its Input. Positions
// and times are in milliseconds.
#include <cstdint>
#include <memory>
#include <string>

#include "files/MMAudio.h"
#include "files/MMCDRead.h"

namespace files {

class TMMCDAFile : public TMMCustomFile {
  VCL_DECLARE_CLASS(TMMCDAFile, TMMCustomFile)
 public:
  explicit TMMCDAFile(vcl::TComponent* owner);
  ~TMMCDAFile() override;

  static TMMAudioFileType FileTypeId() { return ftCDA; }
  // A file (not a folder) whose extension is ".cda".
  static bool CanOpenFile(const std::string& file_name, const TMMDecryptCallback& decrypt, void* user,
                          int32_t decrypt_mode);
  static bool GetFileInfo(const std::string& file_name, TMMFileInfo& info, bool scan, int32_t decrypt_mode,
                          void* user, const TMMDecryptCallback& decrypt);
  static std::string GetFilter() { return "Digital Audio File (*.cda)|*.cda"; }
  static std::string GetExtensions() { return "*.cda"; }

  int32_t GetBlockSize() override { return kCDFrameBytes; }
  bool IsEmpty() override { return file_name_.empty(); }
  int32_t GetTime() override;
  std::string GetFileName() override { return file_name_; }
  // Raises EMMAudioError for a name that is no CD track of a known drive.
  void SetFileName(const std::string& name) override;
  void SetEnabled(bool value) override;
  int64_t GetPosition() override;
  void SetPosition(int64_t ms) override;
  int64_t GetTimePosition() override { return GetPosition(); }
  void SetTimePosition(int64_t ms) override { SetPosition(ms); }
  void AbortRead() override;
  void ReadTagInfo(TMMTagInfo& tag) override;

  TMMCDReader* Reader() const { return reader_.get(); }
  // 0-based; -1 without a track.
  int32_t TrackIndex() const { return track_; }

  // The published view.
  std::string FileNameProp() const { return file_name_; }
  bool Enabled() const { return const_cast<TMMCDAFile*>(this)->GetEnabled(); }
  void SetEnabledProp(bool value) { SetEnabled(value); }

 private:
  void CloseTrack();

  std::string file_name_;
  int32_t track_ = -1;
  bool opened_ = false;
  std::unique_ptr<TMMCDReader> reader_;
};

}  // namespace files
