#include "platform/mm/WaveLoopback.h"

#include <algorithm>
#include <cstring>
#include <map>

#include "platform/mm/WaveClock.h"

namespace plat::wave {

namespace {

class LoopbackOutputStream;

// What the loopback output played, by byte offset on its clock grid. Guarded
// by the wait lock like the ports.
struct Bus {
  LoopbackOutputStream* output = nullptr;
  WavePort* output_port = nullptr;
  WAVEFORMATEX format{};
  std::map<int64_t, std::vector<BYTE>> segments;  // grid byte offset -> played bytes
};

Bus& TheBus() {
  static Bus* bus = new Bus;  // device threads may outlive static destruction
  return *bus;
}

// Played data is kept this long for inputs that read it late.
constexpr int64_t kKeepSeconds = 4;

class LoopbackOutputStream : public ClockStream {
 public:
  LoopbackOutputStream(const WAVEFORMATEX& format, WavePort& port) : ClockStream(format) {
    std::lock_guard lock(waitcore::Mutex());
    Bus& bus = TheBus();
    bus.output = this;
    bus.output_port = &port;
    bus.format = format;
    bus.segments.clear();
  }
  ~LoopbackOutputStream() override {
    std::lock_guard lock(waitcore::Mutex());
    Bus& bus = TheBus();
    bus.output = nullptr;
    bus.output_port = nullptr;
  }

 protected:
  void Consume(const BYTE* data, size_t data_bytes, int64_t frames, int64_t grid_frame) override {
    Bus& bus = TheBus();
    const int64_t align = format_.nBlockAlign;
    if (data_bytes > 0) {
      const int64_t start = grid_frame * align;
      auto last = bus.segments.empty() ? bus.segments.end() : std::prev(bus.segments.end());
      if (last != bus.segments.end() && last->first + static_cast<int64_t>(last->second.size()) == start)
        last->second.insert(last->second.end(), data, data + data_bytes);
      else
        bus.segments[start].assign(data, data + data_bytes);
    }
    const int64_t keep_from = (grid_frame + frames - kKeepSeconds * format_.nSamplesPerSec) * align;
    while (!bus.segments.empty()) {
      auto first = bus.segments.begin();
      if (first->first + static_cast<int64_t>(first->second.size()) > keep_from) break;
      bus.segments.erase(first);
    }
  }
};

class LoopbackInputStream : public ClockStream {
 public:
  using ClockStream::ClockStream;

  void Update(WavePort& port, int64_t now) override {
    // The output plays up to now first, so a frame played at the same clock
    // time as it is captured is heard.
    Bus& bus = TheBus();
    if (bus.output) bus.output->Update(*bus.output_port, now);
    ClockStream::Update(port, now);
  }

 protected:
  void Produce(BYTE* out, int64_t frames, int64_t grid_frame, int64_t) override {
    const Bus& bus = TheBus();
    const WAVEFORMATEX& bf = bus.format;
    const int64_t balign = bf.nBlockAlign;
    std::vector<BYTE> silence(std::max<int64_t>(balign, 1), bf.nBlockAlign ? SilenceByte(bf) : 0);
    for (int64_t i = 0; i < frames; ++i) {
      BYTE* target = out + i * format_.nBlockAlign;
      const BYTE* source = nullptr;
      if (bus.output && !bus.segments.empty()) {
        const int64_t frame = bf.nSamplesPerSec == format_.nSamplesPerSec
                                  ? grid_frame + i
                                  : (grid_frame + i) * bf.nSamplesPerSec / format_.nSamplesPerSec;
        const int64_t offset = frame * balign;
        auto it = bus.segments.upper_bound(offset);
        if (it != bus.segments.begin()) {
          --it;
          if (offset + balign <= it->first + static_cast<int64_t>(it->second.size()))
            source = it->second.data() + (offset - it->first);
        }
      }
      if (source)
        ConvertFrame(source, bf, target, format_);
      else
        std::memset(target, SilenceByte(format_), format_.nBlockAlign);
    }
  }
};

class LoopbackDevice : public WaveDevice {
 public:
  using WaveDevice::WaveDevice;
  DeviceCaps Caps() const override {
    DeviceCaps caps;
    caps.name = direction() == Direction::kOut ? "Loopback Output" : "Loopback Input";
    caps.pid = direction() == Direction::kOut ? 0x10 : 0x11;
    return caps;
  }
  MMRESULT Open(const WAVEFORMATEX& format, WavePort& port, std::unique_ptr<WaveStream>* stream) override {
    if (direction() == Direction::kIn) {
      *stream = std::make_unique<LoopbackInputStream>(format);
      return MMSYSERR_NOERROR;
    }
    {
      // One player at a time: the bus holds one stream of frames.
      std::lock_guard lock(waitcore::Mutex());
      if (TheBus().output) return MMSYSERR_ALLOCATED;
    }
    *stream = std::make_unique<LoopbackOutputStream>(format, port);
    return MMSYSERR_NOERROR;
  }
};

}  // namespace

std::vector<std::shared_ptr<WaveDevice>> MakeLoopbackDevices() {
  return {std::make_shared<LoopbackDevice>(Direction::kOut),
          std::make_shared<LoopbackDevice>(Direction::kIn)};
}

}  // namespace plat::wave
