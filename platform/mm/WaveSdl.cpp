#include "platform/mm/WaveSdl.h"

#include <SDL.h>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <string>

namespace plat::wave {

namespace {

bool SdlAudioReady() {
  static std::once_flag once;
  static bool ready = false;
  std::call_once(once, [] { ready = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0; });
  return ready;
}

// SDL fills and drains the device in its own audio thread; the port does the
// bookkeeping under the wait lock, and the port's worker delivers notices.
class SdlStream : public WaveStream {
 public:
  SdlStream(WavePort& port, const WAVEFORMATEX& format) : port_(port), silence_(SilenceByte(format)) {}
  ~SdlStream() override {
    // Waits for a running callback; that never holds on to the wait lock.
    if (device_) SDL_CloseAudioDevice(device_);
  }

  bool Open(const std::string& name, bool capture, const WAVEFORMATEX& format) {
    SDL_AudioSpec want{};
    want.freq = static_cast<int>(format.nSamplesPerSec);
    want.format = format.wBitsPerSample == 8 ? AUDIO_U8 : AUDIO_S16LSB;
    want.channels = static_cast<Uint8>(format.nChannels);
    // About 20 ms per callback.
    Uint16 samples = 256;
    while (samples < 4096 && samples < format.nSamplesPerSec / 50) samples *= 2;
    want.samples = samples;
    want.callback = &SdlStream::Callback;
    want.userdata = this;
    SDL_AudioSpec have{};
    device_ = SDL_OpenAudioDevice(name.c_str(), capture ? 1 : 0, &want, &have, 0);
    if (device_ == 0) return false;
    capture_ = capture;
    // The device runs while open; the port decides what it takes or plays.
    SDL_PauseAudioDevice(device_, 0);
    return true;
  }

 private:
  static void Callback(void* userdata, Uint8* stream, int length) {
    auto* self = static_cast<SdlStream*>(userdata);
    const auto bytes = static_cast<size_t>(length);
    std::lock_guard lock(waitcore::Mutex());
    if (self->capture_) {
      const size_t taken = std::min(bytes, self->port_.CaptureRoom());
      self->port_.Capture(stream, taken);
      self->port_.CaptureLost(bytes - taken);
    } else {
      const size_t played = self->port_.Play(stream, bytes);
      std::memset(stream + played, self->silence_, bytes - played);
    }
  }

  WavePort& port_;
  const BYTE silence_;
  SDL_AudioDeviceID device_ = 0;
  bool capture_ = false;
};

class SdlDevice : public WaveDevice {
 public:
  SdlDevice(Direction direction, std::string name, int index, int channels)
      : WaveDevice(direction), name_(std::move(name)), index_(index), channels_(channels) {}

  DeviceCaps Caps() const override {
    DeviceCaps caps;
    caps.name = name_.substr(0, MAXPNAMELEN - 1);
    caps.pid = static_cast<WORD>(0x100 + index_);
    caps.channels = static_cast<WORD>(std::clamp(channels_, 1, 8));
    return caps;
  }
  bool IsReal() const override { return true; }
  MMRESULT Open(const WAVEFORMATEX& format, WavePort& port, std::unique_ptr<WaveStream>* stream) override {
    auto sdl = std::make_unique<SdlStream>(port, format);
    if (!sdl->Open(name_, direction() == Direction::kIn, format)) return MMSYSERR_ALLOCATED;
    *stream = std::move(sdl);
    return MMSYSERR_NOERROR;
  }

 private:
  const std::string name_;
  const int index_;
  const int channels_;
};

}  // namespace

std::vector<std::shared_ptr<WaveDevice>> EnumerateSdlDevices(Direction direction, size_t* default_index) {
  *default_index = 0;
  std::vector<std::shared_ptr<WaveDevice>> devices;
  if (!SdlAudioReady()) return devices;
  const int capture = direction == Direction::kIn ? 1 : 0;
  std::string default_name;
  char* name = nullptr;
  SDL_AudioSpec spec{};
  if (SDL_GetDefaultAudioInfo(&name, &spec, capture) == 0 && name) {
    default_name = name;
    SDL_free(name);
  }
  const int count = SDL_GetNumAudioDevices(capture);
  for (int i = 0; i < count; ++i) {
    const char* device_name = SDL_GetAudioDeviceName(i, capture);
    if (!device_name) continue;
    int channels = 2;
    if (SDL_GetAudioDeviceSpec(i, capture, &spec) == 0 && spec.channels > 0) channels = spec.channels;
    if (device_name == default_name) *default_index = devices.size();
    devices.push_back(std::make_shared<SdlDevice>(direction, device_name, i, channels));
  }
  return devices;
}

}  // namespace plat::wave
