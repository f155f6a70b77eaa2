#include "files/MMWRec.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "engine/MMWaveIO.h"
#include "files/MMACMDlg.h"
#include "platform/user/Messages.h"
#include "platform/vcl/Application.h"
#include "platform/vcl/Dialogs.h"
#include "platform/vcl/Filer.h"
#include "platform/vcl/Streams.h"
#include "platform/vcl/TypInfo.h"
#include "platform/vcl/UtilWindow.h"

namespace files {

namespace {

// Posted to the recorder's window: end the run numbered in wParam.
constexpr plat::UINT kStopRun = plat::WM_USER + 1;

// The largest record a stored format may hold: the record and its 16-bit extra count.
constexpr int64_t kMaxStoredFormat = 18 + 0xFFFF;

bool SameFormat(const plat::WAVEFORMATEX* a, const plat::WAVEFORMATEX* b) {
  const int32_t size = engine::GetWaveFormatSize(a);
  return size == engine::GetWaveFormatSize(b) && std::memcmp(a, b, static_cast<size_t>(size)) == 0;
}

}  // namespace

VCL_IMPLEMENT_CLASS(
    TMMWaveRecorder, engine::DSPOutputProp(),
    ObjProp("Wave", &TMMWaveRecorder::Wave, &TMMWaveRecorder::SetWave),
    IntProp("BufferSize", &TMMWaveRecorder::BufferSize, &TMMWaveRecorder::SetBufferSize)
        .Default(engine::kDefaultBufferSize),
    IntProp("NumBuffers", &TMMWaveRecorder::NumBuffers, &TMMWaveRecorder::SetNumBuffers).Default(10),
    IntProp("DeviceID", &TMMWaveRecorder::DeviceID, &TMMWaveRecorder::SetDeviceID)
        .Default(0)
        .Idents(engine::DeviceIdIdents()),
    EnumProp("CallBackMode", &TMMWaveRecorder::CallBackMode, &TMMWaveRecorder::SetCallBackMode,
             {"cmWindow", "cmCallback", "cmThread"})
        .Default(engine::cmWindow),
    StrProp("ProductName", &TMMWaveRecorder::ProductName, &TMMWaveRecorder::SetProductName).Stored(false),
    EnumProp("TimeFormat", &TMMWaveRecorder::TimeFormat, &TMMWaveRecorder::SetTimeFormat,
             {"tfMillisecond", "tfByte", "tfSample"})
        .Default(engine::tfByte),
    IntProp("MaxRecordTime", &TMMWaveRecorder::MaxRecordTime, &TMMWaveRecorder::SetMaxRecordTime).Default(-1),
    EnumProp("Mode", &TMMWaveRecorder::Mode, &TMMWaveRecorder::SetMode, {"mMono", "mStereo", "mMultiChannel"})
        .Default(engine::mMono),
    EnumProp("BitLength", &TMMWaveRecorder::BitLength, &TMMWaveRecorder::SetBitLength, {"b8Bit", "b16Bit"})
        .Default(engine::b8Bit),
    IntProp("SampleRate", &TMMWaveRecorder::SampleRate, &TMMWaveRecorder::SetSampleRate).Default(11025),
    StrProp("InputFormat", &TMMWaveRecorder::InputFormat,
            static_cast<void (TMMWaveRecorder::*)(const std::string&)>(&TMMWaveRecorder::SetInputFormat))
        .Stored(false),
    BoolProp("OverwriteExisting", &TMMWaveRecorder::OverwriteExisting, &TMMWaveRecorder::SetOverwriteExisting)
        .Default(true),
    EventProp("OnStart", &TMMWaveRecorder::OnStart), EventProp("OnStop", &TMMWaveRecorder::OnStop),
    EventProp("OnPause", &TMMWaveRecorder::OnPause), EventProp("OnRestart", &TMMWaveRecorder::OnRestart),
    EventProp("OnChange", &TMMWaveRecorder::OnChange), EventProp("OnData", &TMMWaveRecorder::OnData))

TMMWaveRecorder::TMMWaveRecorder(vcl::TComponent* owner) : engine::TMMDSPComponent(owner) {
  wave_file_ = new TMMWaveFile(this);
  wave_file_->Wave()->SetFileMustExist(false);
  wave_file_->OnChange = [this](vcl::TObject* sender) { FileChange(sender); };
  wave_file_->OnChanged = [this](vcl::TObject* sender) { FileChanged(sender); };
  wave_file_->OnClose = [this](vcl::TObject* sender) { FileClosed(sender); };
  wave_in_ = new engine::TMMWaveIn(this);
  wave_in_->SetOutput(wave_file_);
  wave_in_->OnStart = [this](vcl::TObject*) {
    if (OnStart) OnStart(this);
  };
  wave_in_->OnStop = [this](vcl::TObject* sender) { InputStopped(sender); };
  wave_in_->OnPause = [this](vcl::TObject*) {
    if (OnPause) OnPause(this);
  };
  wave_in_->OnRestart = [this](vcl::TObject*) {
    if (OnRestart) OnRestart(this);
  };
  wave_in_->OnBufferReady = [this](vcl::TObject*, plat::WAVEHDR* lpwh) {
    if (OnData) OnData(this, lpwh);
  };
  // The recorder publishes no Input; it takes the file's buffers all the same.
  SetConnectableAsInput(true);
  wave_file_->SetOutput(this);
  SetConnectableAsInput(false);
  if (!DesignMode())
    wnd_ = vcl::AllocateUtilityWindow(
        [this](plat::HWND hwnd, plat::UINT message, plat::WPARAM wparam, plat::LPARAM lparam) {
          return WindowProc(hwnd, message, wparam, lparam);
        });
}

TMMWaveRecorder::~TMMWaveRecorder() {
  Destroying();
  try {
    Stop();
  } catch (const vcl::Exception&) {
    // Nobody is left to hear it.
  }
  if (wnd_) vcl::DeallocateUtilityWindow(wnd_);
  wnd_ = nullptr;
  wave_file_->OnChange = nullptr;
  wave_file_->OnChanged = nullptr;
  wave_file_->OnClose = nullptr;
  delete wave_file_;
  wave_file_ = nullptr;
  delete wave_in_;
  wave_in_ = nullptr;
}

plat::LRESULT TMMWaveRecorder::WindowProc(plat::HWND hwnd, plat::UINT message, plat::WPARAM wparam,
                                          plat::LPARAM lparam) {
  if (message != kStopRun) return plat::DefWindowProcA(hwnd, message, wparam, lparam);
  // A stop posted for a run that has already ended is no stop of a later one.
  if (static_cast<uint32_t>(wparam) == run_) {
    try {
      Stop();
    } catch (const vcl::Exception&) {
      vcl::ReportException(this);
    }
  }
  return 0;
}

void TMMWaveRecorder::Record() {
  if (wave_in_->DeviceStarted() || Wave()->FileName().empty()) return;
  ++run_;
  start_samples_ = Wave()->GetPosition() >= 0 ? Wave()->PositionSamples() : 0;
  starting_ = true;
  try {
    wave_in_->Start();
  } catch (...) {
    starting_ = false;
    throw;
  }
  starting_ = false;
}

void TMMWaveRecorder::Stop() {
  wave_in_->Stop();
  wave_in_->Close();
}

int32_t TMMWaveRecorder::DeviceState() const {
  if (!wave_in_->DeviceOpened()) return kClosed;
  int32_t state = kOpened;
  if (wave_in_->DeviceStarted()) state |= kStarted;
  if (wave_in_->DevicePaused()) state |= kPaused;
  return state;
}

int64_t TMMWaveRecorder::Position() const {
  const plat::WAVEFORMATEX* format = wave_in_->GetFormat();
  // Samples of the wave in the recorder's unit, whatever the wave's own unit is.
  auto in_time_format = [&](int64_t samples) -> int64_t {
    if (!format || format->nSamplesPerSec == 0) return 0;
    switch (wave_in_->TimeFormat()) {
      case engine::tfMillisecond:
        return engine::WaveSamplesToTime64(format, samples);
      case engine::tfByte:
        return engine::WaveSamplesToBytes64(format, samples);
      case engine::tfSample:
        break;
    }
    return samples;
  };
  if (wave_in_->DeviceOpened()) {
    int64_t position = wave_in_->GetPosition();
    if (!OverwriteExisting()) position += in_time_format(start_samples_);
    return position;
  }
  if (OverwriteExisting() || Wave()->GetPosition() < 0) return 0;
  return in_time_format(Wave()->PositionSamples());
}

void TMMWaveRecorder::SetBufferSize(int32_t value) {
  wave_in_->SetBufferSize(value);
  inherited::SetBufferSize(value);
}

void TMMWaveRecorder::SetTimeFormat(engine::TMMTimeFormats value) {
  wave_in_->SetTimeFormat(value);
  Wave()->SetTimeFormat(value);
}

std::string TMMWaveRecorder::InputFormat() const {
  std::string tag, text;
  if (GetWaveFormatText(wave_in_->GetFormat(), tag, text)) return tag + " " + text;
  const std::string unknown = engine::LoadLibraryMessage(6);
  return unknown.empty() ? "Unknown" : unknown;
}

void TMMWaveRecorder::SetInputFormat(const std::string&) {
  if (ComponentState().Contains(vcl::csLoading) || ComponentState().Contains(vcl::csReading)) return;
  vcl::MessageDlg("This is a read-only property, please use SelectFormat.", vcl::mtInformation,
                  vcl::TMsgDlgButtons{vcl::mbOK}, 0);
}

void TMMWaveRecorder::SetFormat(const plat::WAVEFORMATEX* format) {
  if (updating_) return;
  const plat::WAVEFORMATEX* current = wave_in_ ? wave_in_->GetFormat() : nullptr;
  if (format && wave_in_ && (!current || !SameFormat(format, current))) {
    // It comes back down through the file and takes the path below.
    wave_in_->SetFormat(format);
    return;
  }
  inherited::SetFormat(format);
}

// ---- Stored format ----

bool TMMWaveRecorder::StoresWaveFormat() const {
  const plat::WAVEFORMATEX* format = GetFormat();
  return format && format->wFormatTag != plat::WAVE_FORMAT_PCM;
}

void TMMWaveRecorder::DefineProperties(vcl::TFiler& filer) {
  inherited::DefineProperties(filer);
  filer.DefineBinaryProperty(
      "WaveFormatEx", [this](vcl::TStream& s) { ReadWaveFormat(s); },
      [this](vcl::TStream& s) { WriteWaveFormat(s); }, StoresWaveFormat());
}

void TMMWaveRecorder::ReadWaveFormat(vcl::TStream& stream) {
  const int64_t size = stream.Size() - stream.Position();
  if (size < 18 || size > kMaxStoredFormat)
    throw EMMWaveRecorderError("WaveFormatEx: " + std::to_string(size) + " bytes are no wave format");
  // Room for a whole record even when the stored one is the bare 18 bytes.
  std::vector<uint8_t> bytes(std::max<size_t>(static_cast<size_t>(size), sizeof(plat::WAVEFORMATEX)), 0);
  stream.ReadBuffer(bytes.data(), size);
  const auto* format = reinterpret_cast<const plat::WAVEFORMATEX*>(bytes.data());
  // A PCM record carries no extra bytes whatever its count says.
  const int64_t needed = format->wFormatTag == plat::WAVE_FORMAT_PCM ? 18 : 18 + int64_t{format->cbSize};
  if (size < needed)
    throw EMMWaveRecorderError("WaveFormatEx: the record announces " + std::to_string(needed) +
                               " bytes but holds " + std::to_string(size));
  if (format->nChannels == 0 || format->nSamplesPerSec == 0 || format->nAvgBytesPerSec == 0 ||
      format->nBlockAlign == 0)
    throw EMMWaveRecorderError("WaveFormatEx: the record is no usable wave format");
  wave_in_->SetFormat(format);
}

void TMMWaveRecorder::WriteWaveFormat(vcl::TStream& stream) {
  const plat::WAVEFORMATEX* format = wave_in_->GetFormat();
  const int32_t size = engine::GetWaveFormatSize(format);
  if (size > 0) stream.WriteBuffer(format, size);
}

// ---- Relays ----

void TMMWaveRecorder::FileChange(vcl::TObject*) {
  // The file the recorder itself creates at Record is no change of the wave.
  if (starting_) return;
  updating_ = true;
  Stop();
  if (OnChange) OnChange(this);
}

void TMMWaveRecorder::FileChanged(vcl::TObject*) { updating_ = false; }

void TMMWaveRecorder::FileClosed(vcl::TObject*) {
  if (!wave_in_->DeviceOpened() || !wnd_) return;
  plat::PostMessageA(wnd_, kStopRun, static_cast<plat::WPARAM>(run_), 0);
}

void TMMWaveRecorder::InputStopped(vcl::TObject*) {
  wave_in_->Close();
  if (OnStop) OnStop(this);
}

}  // namespace files
