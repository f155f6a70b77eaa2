#pragma once
// TMMWaveRecorder: the sound card's input recorded into a wave file as one
// component. Inside, a wave input pushes its buffers into a wave file, which
// writes them and passes them on to the recorder; the recorder hands them to
// its own Output. Device and file settings are published side by side.
//
// The file is written under a temporary name and takes its name when it is
// complete (the wave object does that), so a recorder that dies leaves no
// half file under the target's name. A file that closes itself (disk full,
// RIFF size limit) ends the recording through a stop posted to the thread
// that made the recorder: a stop right there could wait for the very
// delivery that closed the file.
#include <atomic>
#include <cstdint>
#include <string>

#include "engine/MMDSPObj.h"
#include "engine/MMTypes.h"
#include "engine/MMWavIn.h"
#include "files/MMWave.h"

namespace files {

class EMMWaveRecorderError : public vcl::Exception {
 public:
  using Exception::Exception;
};

class TMMWaveRecorder : public engine::TMMDSPComponent {
  VCL_DECLARE_CLASS(TMMWaveRecorder, engine::TMMDSPComponent)
 public:
  // DeviceState bits.
  static constexpr int32_t kClosed = 1;
  static constexpr int32_t kOpened = 2;
  static constexpr int32_t kStarted = 4;
  static constexpr int32_t kPaused = 8;

  explicit TMMWaveRecorder(vcl::TComponent* owner);
  ~TMMWaveRecorder() override;

  // Starts recording into the wave's file; nothing without a file name or
  // while the input runs. Device and file errors raise.
  void Record();
  void Stop();
  int32_t DeviceState() const;
  // In TimeFormat: the input's position while it is open, counted on from
  // where the wave stood at Record when an existing file is continued.
  int64_t Position() const;

  // "Unknown", or the format's tag name and text.
  std::string InputFormat() const;
  // Read only: says so and changes nothing.
  using engine::TMMDSPComponent::SetInputFormat;
  void SetInputFormat(const std::string& value);

  TMMWave* Wave() const { return wave_file_->Wave(); }
  void SetWave(TMMWave* value) { wave_file_->SetWave(value); }
  int32_t BufferSize() const override { return wave_in_->BufferSize(); }
  // Also the size the input's walk hands down while it opens, which is the input's own.
  void SetBufferSize(int32_t value) override;
  int32_t NumBuffers() const { return wave_in_->NumBuffers(); }
  void SetNumBuffers(int32_t value) { wave_in_->SetNumBuffers(value); }
  engine::TMMDeviceId DeviceID() const { return wave_in_->DeviceID(); }
  void SetDeviceID(engine::TMMDeviceId value) { wave_in_->SetDeviceID(value); }
  engine::TMMCBMode CallBackMode() const { return wave_in_->CallBackMode(); }
  void SetCallBackMode(engine::TMMCBMode value) { wave_in_->SetCallBackMode(value); }
  std::string ProductName() const { return wave_in_->ProductName(); }
  void SetProductName(const std::string&) {}
  engine::TMMTimeFormats TimeFormat() const { return wave_in_->TimeFormat(); }
  void SetTimeFormat(engine::TMMTimeFormats value);
  int64_t MaxRecordTime() const { return wave_in_->MaxRecordTime(); }
  void SetMaxRecordTime(int64_t value) { wave_in_->SetMaxRecordTime(value); }
  engine::TMMMode Mode() const { return wave_in_->Mode(); }
  void SetMode(engine::TMMMode value) { wave_in_->SetMode(value); }
  engine::TMMBits BitLength() const { return wave_in_->BitLength(); }
  void SetBitLength(engine::TMMBits value) { wave_in_->SetBitLength(value); }
  int32_t SampleRate() const { return wave_in_->SampleRate(); }
  void SetSampleRate(int32_t value) { wave_in_->SetSampleRate(value); }
  bool OverwriteExisting() const { return wave_file_->OverwriteExisting(); }
  void SetOverwriteExisting(bool value) { wave_file_->SetOverwriteExisting(value); }

  // The inner components, for the program's own wiring and for tests.
  engine::TMMWaveIn* WaveIn() const { return wave_in_; }
  TMMWaveFile* WaveFile() const { return wave_file_; }

  // A format equal to the input's takes the chain's path; another one (or
  // the first) goes to the input and comes back down through the file.
  void SetFormat(const plat::WAVEFORMATEX* format) override;

  vcl::TNotifyEvent OnStart;
  vcl::TNotifyEvent OnStop;
  vcl::TNotifyEvent OnPause;
  vcl::TNotifyEvent OnRestart;
  vcl::TNotifyEvent OnChange;
  engine::TMMBufferEvent OnData;

 protected:
  void DefineProperties(vcl::TFiler& filer) override;
  // The stored "WaveFormatEx" record; a short or implausible one raises
  // EMMWaveRecorderError and leaves the input's format alone.
  virtual void ReadWaveFormat(vcl::TStream& stream);
  virtual void WriteWaveFormat(vcl::TStream& stream);

 private:
  bool StoresWaveFormat() const;
  void FileChange(vcl::TObject*);
  void FileChanged(vcl::TObject*);
  void FileClosed(vcl::TObject*);
  void InputStopped(vcl::TObject*);
  plat::LRESULT WindowProc(plat::HWND hwnd, plat::UINT message, plat::WPARAM wparam, plat::LPARAM lparam);

  bool updating_ = false;
  bool starting_ = false;         // Record is opening the input: the file's own changes
  int64_t start_samples_ = 0;     // where the wave stood at Record
  std::atomic<uint32_t> run_{0};  // counts Record calls; a posted stop names the run it ends
  plat::HWND wnd_ = nullptr;      // takes the posted stops
  TMMWaveFile* wave_file_ = nullptr;
  engine::TMMWaveIn* wave_in_ = nullptr;
};

}  // namespace files
