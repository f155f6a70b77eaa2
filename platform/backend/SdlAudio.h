#pragma once
// The sound card through SDL2's audio subsystem, whatever video backend runs.
// SDL audio starts on the first scan; when it cannot, there are no devices.
#include <atomic>
#include <mutex>

#include "platform/backend/Audio.h"

namespace plat::backend {

class SdlAudio : public Audio {
 public:
  SdlAudio() = default;
  ~SdlAudio() override;
  AudioDeviceList Scan() override;
  std::unique_ptr<AudioStream> Open(const std::string& name, bool capture, const AudioFormat& format,
                                    AudioCallback callback, void* context) override;

 private:
  friend class SdlAudioStream;
  std::mutex mutex_;
  bool started_ = false;
  std::atomic<int> open_streams_{0};
};

}  // namespace plat::backend
