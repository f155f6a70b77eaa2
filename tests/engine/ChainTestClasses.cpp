#include "ChainTestClasses.h"

namespace enginetest {

std::vector<std::string>& ChainLog() {
  static std::vector<std::string> log;
  return log;
}

std::string JoinedChainLog() {
  std::string text;
  for (const std::string& entry : ChainLog()) {
    if (!text.empty()) text += ' ';
    text += entry;
  }
  return text;
}

void RegisterChainTestClasses() {
  vcl::RegisterClasses({TTestChainForm::StaticClass(), TTestPassive::StaticClass(),
                        TTestSource::StaticClass(), TTestSink::StaticClass(), TTestInternal::StaticClass(),
                        TTestUnlinkable::StaticClass()});
}

plat::WAVEFORMATEX PcmFormat(int channels) {
  plat::WAVEFORMATEX f{};
  f.wFormatTag = plat::WAVE_FORMAT_PCM;
  f.nChannels = static_cast<plat::WORD>(channels);
  f.nSamplesPerSec = 44100;
  f.wBitsPerSample = 16;
  f.nBlockAlign = static_cast<plat::WORD>(channels * 2);
  f.nAvgBytesPerSec = f.nSamplesPerSec * f.nBlockAlign;
  f.cbSize = 0;
  return f;
}

VCL_IMPLEMENT_CLASS(TTestChainForm)

VCL_IMPLEMENT_CLASS(TTestPassive, DSPInputProp(), DSPOutputProp(), DSPBufferSizeProp())

#define PASSIVE_NOTE(Note)                    \
  void TTestPassive::Note() {                 \
    ChainLog().push_back(Name() + "." #Note); \
    TMMDSPComponent::Note();                  \
  }
PASSIVE_NOTE(Closed)
PASSIVE_NOTE(Started)
PASSIVE_NOTE(Paused)
PASSIVE_NOTE(Restarted)
PASSIVE_NOTE(Stopped)
PASSIVE_NOTE(Reset)
PASSIVE_NOTE(Looped)
#undef PASSIVE_NOTE

void TTestPassive::Opened() {
  // The size handed down by the device, before this member fixes its own.
  ChainLog().push_back(Name() + ".Opened[" + std::to_string(BufferSize()) + "]");
  TMMDSPComponent::Opened();
}

VCL_IMPLEMENT_CLASS(TTestDevice)

void TTestDevice::SetChannels(int value) {
  if (value == channels_) return;
  channels_ = value;
  if (value > 0) {
    plat::WAVEFORMATEX f = PcmFormat(value);
    SetFormat(&f);
  } else {
    SetFormat(nullptr);
  }
}

#define DEVICE_NOTE(Note)                     \
  void TTestDevice::Note() {                  \
    ChainLog().push_back(Name() + ">" #Note); \
    TMMCustomSoundComponent::Note();          \
    ChainLog().push_back(Name() + "<" #Note); \
  }
DEVICE_NOTE(Opened)
DEVICE_NOTE(Closed)
DEVICE_NOTE(Started)
DEVICE_NOTE(Paused)
DEVICE_NOTE(Restarted)
DEVICE_NOTE(Stopped)
DEVICE_NOTE(Reset)
DEVICE_NOTE(Looped)
#undef DEVICE_NOTE

VCL_IMPLEMENT_CLASS(
    TTestSource, DSPOutputProp(), DSPBufferSizeProp(),
    IntProp("DeviceID", &TTestDevice::DeviceID, &TTestDevice::SetDeviceID).Idents(DeviceIdIdents()),
    IntProp("Channels", &TTestDevice::Channels, &TTestDevice::SetChannels).Default(0))

VCL_IMPLEMENT_CLASS(TTestSink, DSPInputProp(), DSPOutputProp(), DSPBufferSizeProp())

VCL_IMPLEMENT_CLASS(TTestInternal, DSPOutputProp())

VCL_IMPLEMENT_CLASS(TTestUnlinkable)

}  // namespace enginetest
