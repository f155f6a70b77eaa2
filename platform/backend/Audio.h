#pragma once
// The sound card as the backend offers it: the capture and playback devices
// and streams of raw PCM frames. The multimedia layer builds its wave devices
// on this; nothing above platform/backend knows which audio system serves it.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace plat::backend {

struct AudioDeviceInfo {
  std::string name;
  int channels = 2;
};

struct AudioDeviceList {
  std::vector<AudioDeviceInfo> capture;
  std::vector<AudioDeviceInfo> playback;
  // The devices the system prefers (0 when it names none).
  size_t default_capture = 0;
  size_t default_playback = 0;
};

struct AudioFormat {
  int rate = 44100;
  int bits = 16;  // 8: unsigned; 16: signed little-endian
  int channels = 2;
};

// Runs on the device's own thread once per period: capture hands over what
// was recorded, playback fills all of `data`. It must not block or allocate.
using AudioCallback = void (*)(void* context, uint8_t* data, size_t bytes);

// An open device, running from its opening on. Destroying it stops the device
// and waits for a callback in progress.
class AudioStream {
 public:
  virtual ~AudioStream() = default;
  // Bytes the device moves per callback.
  virtual size_t PeriodBytes() const = 0;
};

class Audio {
 public:
  virtual ~Audio() = default;
  // The devices of both directions. While no stream is open the audio system
  // starts again first, so a changed environment (the driver) is seen.
  virtual AudioDeviceList Scan() = 0;
  // Null when the device cannot be opened in this format.
  virtual std::unique_ptr<AudioStream> Open(const std::string& name, bool capture, const AudioFormat& format,
                                            AudioCallback callback, void* context) = 0;
};

// The sound card of the process, made on first use.
Audio& HostAudio();

}  // namespace plat::backend
