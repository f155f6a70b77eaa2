#include "platform/backend/SdlAudio.h"

#include <SDL.h>

namespace plat::backend {

class SdlAudioStream : public AudioStream {
 public:
  SdlAudioStream(SdlAudio& owner, AudioCallback callback, void* context)
      : owner_(owner), callback_(callback), context_(context) {}
  ~SdlAudioStream() override {
    // Waits for a running callback.
    if (device_) SDL_CloseAudioDevice(device_);
    --owner_.open_streams_;
  }

  bool Open(const std::string& name, bool capture, const AudioFormat& format) {
    SDL_AudioSpec want{};
    want.freq = format.rate;
    want.format = format.bits == 8 ? AUDIO_U8 : AUDIO_S16LSB;
    want.channels = static_cast<Uint8>(format.channels);
    // About 20 ms per callback.
    Uint16 samples = 256;
    while (samples < 4096 && samples < format.rate / 50) samples *= 2;
    want.samples = samples;
    want.callback = &SdlAudioStream::Callback;
    want.userdata = this;
    SDL_AudioSpec have{};
    device_ = SDL_OpenAudioDevice(name.c_str(), capture ? 1 : 0, &want, &have, 0);
    if (device_ == 0) return false;
    period_bytes_ = have.size;
    SDL_PauseAudioDevice(device_, 0);
    return true;
  }

  size_t PeriodBytes() const override { return period_bytes_; }

 private:
  static void Callback(void* userdata, Uint8* stream, int length) {
    auto* self = static_cast<SdlAudioStream*>(userdata);
    self->callback_(self->context_, stream, static_cast<size_t>(length));
  }

  SdlAudio& owner_;
  const AudioCallback callback_;
  void* const context_;
  SDL_AudioDeviceID device_ = 0;
  size_t period_bytes_ = 0;
};

SdlAudio::~SdlAudio() {
  if (started_) SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

AudioDeviceList SdlAudio::Scan() {
  std::lock_guard lock(mutex_);
  AudioDeviceList list;
  if (started_ && open_streams_ == 0) {
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    started_ = false;
  }
  if (!started_) started_ = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
  if (!started_) return list;
  for (const int capture : {1, 0}) {
    auto& devices = capture ? list.capture : list.playback;
    size_t& default_index = capture ? list.default_capture : list.default_playback;
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
      if (device_name == default_name) default_index = devices.size();
      devices.push_back({device_name, channels});
    }
  }
  return list;
}

std::unique_ptr<AudioStream> SdlAudio::Open(const std::string& name, bool capture, const AudioFormat& format,
                                            AudioCallback callback, void* context) {
  std::lock_guard lock(mutex_);
  if (!started_) return nullptr;
  ++open_streams_;
  auto stream = std::make_unique<SdlAudioStream>(*this, callback, context);
  if (!stream->Open(name, capture, format)) return nullptr;
  return stream;
}

}  // namespace plat::backend
