#pragma once
// The chain source that plays any registered audio file: the registry picks
// the class that opens the file, internal converters turn what it gives into
// PCM (the ADPCM converter decodes what the file units know, the PCM
// converter takes the rest through the compression manager), and this component applies volume, panning and
// fades (in milliseconds), loops when asked and reports errors through OnError.
//
// Everything that touches the handler, the converters or the run state runs
// under one recursive lock, so the main thread may seek, change the volume
// or close while a device thread pulls.
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

#include "engine/MMDSPObj.h"
#include "files/MMACMCvt.h"
#include "files/MMADCvt.h"
#include "files/MMAudio.h"
#include "files/MMFade.h"

namespace files {

using TMMErrorEvent = std::function<void(vcl::TObject* sender, bool& handled)>;

class TMMBaseAudioFile : public engine::TMMDSPComponent {
  VCL_DECLARE_CLASS(TMMBaseAudioFile, engine::TMMDSPComponent)
 public:
  explicit TMMBaseAudioFile(vcl::TComponent* owner) : engine::TMMDSPComponent(owner) {}
  virtual void SetFileName(const std::string& name) = 0;
  virtual std::string GetFileName() const = 0;
  virtual std::string GetFilter() const = 0;
};

class TMMCustomAudioFile : public TMMBaseAudioFile {
  VCL_DECLARE_CLASS(TMMCustomAudioFile, TMMBaseAudioFile)
 public:
  explicit TMMCustomAudioFile(vcl::TComponent* owner);
  ~TMMCustomAudioFile() override;

  void SetFileName(const std::string& name) override { OpenFile(name, ftNone); }
  std::string GetFileName() const override;
  std::string GetFilter() const override;
  // A missing file is ignored; a file no class takes raises EMMAudioError.
  void OpenFile(const std::string& name, TMMAudioFileType file_type);
  virtual void CloseFile();

  TMMAudioFileType GetFileType() const;
  void SetFileType(TMMAudioFileType) {}
  bool IsEmpty() const;
  int32_t GetBlockSize() const;
  int32_t GetSampleRate() const;
  int32_t GetBitRate() const;
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value);
  int32_t MpegTrailingHeader() const;
  void SetMpegTrailingHeader(int32_t value);

  // 0..32768, 16384 is unity.
  int32_t Volume() const { return volume_; }
  void SetVolume(int32_t value);
  // -32768..32768: negative attenuates the right channel, positive the left.
  int32_t Panning() const { return panning_; }
  void SetPanning(int32_t value);
  // The file tools read the decoded stream without fades.
  bool FadesOn() const { return fades_on_; }
  void SetFadesOn(bool value) { fades_on_ = value; }

  // Milliseconds.
  int32_t GetPosition();
  void SetPosition(int32_t ms);
  void ResetPosition();
  // The open file's playing time in ms; 0 without a file.
  int32_t DataEnd() const;
  void SetFadeTimes(int32_t fade_in, int32_t fade_out, int32_t fade_out_start);
  void FadeOutFrom(int32_t duration);
  void UpdateFadeList();

  // Reading without a device: open, start, ReadBuffer until no more, stop, close.
  void OpenChain(int32_t buffer_size);
  void StartChain();
  void StopChain();
  void ResetChain();
  void CloseChain();
  int32_t ReadBuffer(void* buffer, int32_t size, bool& more_buffers);
  void AbortRead();

  void Opened() override;
  void Closed() override;
  void Started() override;
  void Stopped() override;
  void Reset() override;
  void BufferLoad(plat::WAVEHDR* lpwh, bool& more_buffers) override;

  // The internal chain, for the file tools.
  TMMCustomFile* Handler() const { return handler_; }
  TMMADPCMConverter* ADPCMConverter() const { return adpcm_; }
  TMMPCMConverter* PCMConverter() const { return pcm_; }

  vcl::TNotifyEvent OnChange;
  TMMErrorEvent OnError;
  vcl::TNotifyEvent OnFileLoading;
  vcl::TNotifyEvent OnFileLoaded;

 protected:
  virtual void DoFileLoading();
  virtual void DoFileLoaded();
  virtual void DoChange();
  virtual void DoError(bool& handled);

 private:
  using TNotify = void (engine::TMMDSPComponent::*)();
  void CreateHandler(const TMMFileClass& cls, const std::string& name);
  // The first member of the internal chain.
  engine::TMMDSPComponent* ChainTop();
  void WalkChain(TNotify notify);
  int64_t MsToBytes(int64_t ms) const;
  int32_t BytesToEnd(int32_t from_ms) const;
  void PanGains(int32_t gain, int32_t& left, int32_t& right) const;
  void UndoFadeOutFrom();
  void PullLocked(engine::TMMWaveHdr* hdr, bool& more_buffers);
  void ResetConverters();
  void LinkHandler(TMMCustomFile* handler);

  mutable std::recursive_mutex lock_;
  bool enabled_ = true;
  bool end_of_data_ = false;
  bool tail_given_ = false;
  uint8_t silence_byte_ = 0;
  int64_t bytes_delivered_ = 0;
  TMMFadeList fades_;
  int32_t run_start_ = 0;
  int32_t data_end_ = 0;
  int32_t play_end_ = 0;
  int64_t bytes_to_end_ = 0;
  int32_t fade_in_ = 0;
  int32_t fade_out_ = 0;
  bool fade_out_at_end_ = true;
  int32_t saved_fade_out_start_ = 0;
  int32_t saved_fade_out_ = 0;
  int32_t volume_ = 16384;
  int32_t panning_ = 0;
  bool fading_out_ = false;
  bool fade_out_inside_ = false;
  bool fades_on_ = true;
  int32_t fade_out_start_ = 0;
  bool started_ = false;
  // A seek made between runs: the handler returns to where it was opened
  // when it starts, so the next start seeks here again.
  std::optional<int32_t> seek_while_stopped_;
  bool opened_ = false;
  int consecutive_errors_ = 0;
  TMMCustomFile* handler_ = nullptr;
  TMMADPCMConverter* adpcm_ = nullptr;
  TMMPCMConverter* pcm_ = nullptr;
};

class TMMAudioFile : public TMMCustomAudioFile {
  VCL_DECLARE_CLASS(TMMAudioFile, TMMCustomAudioFile)
 public:
  explicit TMMAudioFile(vcl::TComponent* owner) : TMMCustomAudioFile(owner) {}
  std::string FileName() const { return GetFileName(); }
};

}  // namespace files
