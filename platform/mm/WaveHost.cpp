#include "platform/mm/WaveHost.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <string>

#include "platform/backend/Audio.h"
#include "platform/mm/WaveRing.h"

namespace plat::wave {

namespace {

// Capture keeps a second or more for a worker held up by a busy lock;
// playback keeps a few periods ahead of the device.
constexpr size_t kPlaybackPeriodsAhead = 3;
constexpr size_t kRingPeriods = 8;
constexpr size_t kLongestPeriod = 4096;  // frames

// The device thread only touches the ring and wakes the port's worker; the
// worker moves data between the ring and the headers under the lock.
class HostStream : public WaveStream {
 public:
  HostStream(const WAVEFORMATEX& format, bool capture)
      : capture_(capture), silence_(SilenceByte(format)), block_(format.nBlockAlign) {}
  ~HostStream() override {
    // The device goes first: its callback uses the ring.
    device_.reset();
  }

  bool Open(const std::string& name, const WAVEFORMATEX& format) {
    backend::AudioFormat f;
    f.rate = static_cast<int>(format.nSamplesPerSec);
    f.bits = format.wBitsPerSample;
    f.channels = format.nChannels;
    // Ready before the first callback; whole frames, so playback spans keep
    // their channels in place for the volume; a second or more.
    ring_ = std::make_unique<ByteRing>(
        std::max<size_t>(format.nSamplesPerSec, kRingPeriods * kLongestPeriod) * block_);
    device_ = backend::HostAudio().Open(name, capture_, f, &HostStream::OnPeriod, this);
    if (!device_) return false;
    const size_t period = std::max<size_t>(device_->PeriodBytes(), block_);
    ahead_ = std::min(ring_->capacity() / 2, kPlaybackPeriodsAhead * period) / block_ * block_;
    return true;
  }

  void Update(WavePort& port, int64_t) override {
    if (capture_) {
      ring_->Consume(ring_->Readable(), [&](const BYTE* data, size_t bytes) {
        const size_t taken = std::min(bytes, port.CaptureRoom());
        port.Capture(data, taken);
        port.CaptureLost(bytes - taken);
      });
      if (const size_t overflow = overflow_.exchange(0)) port.CaptureLost(overflow);
      return;
    }
    const size_t pending = ring_->Pending();
    if (pending < ahead_ && port.HasData())
      ring_->Produce(ahead_ - pending, [&](BYTE* out, size_t bytes) { return port.Play(out, bytes); });
    port.ReleasePlayed(ring_->Pending());
  }

  bool HasWork(const WavePort& port) const override {
    if (capture_) return ring_->Readable() > 0 || overflow_.load() > 0;
    const size_t pending = ring_->Pending();
    return (pending < ahead_ && ring_->Free() > 0 && port.HasData()) || port.HasPlayed(pending);
  }

  uint64_t Unplayed(const WavePort&) const override { return capture_ ? 0 : ring_->Pending(); }

  void Discard(WavePort&) override {
    if (!capture_) ring_->DiscardWritten();
  }

 private:
  // On the device's thread.
  static void OnPeriod(void* context, uint8_t* data, size_t bytes) {
    auto* self = static_cast<HostStream*>(context);
    if (self->capture_) {
      const size_t written = self->ring_->Write(data, bytes);
      if (written < bytes) self->overflow_.fetch_add(bytes - written);
    } else {
      size_t played = 0;
      self->ring_->Consume(bytes, [&](const BYTE* from, size_t n) {
        std::memcpy(data + played, from, n);
        played += n;
      });
      std::memset(data + played, self->silence_, bytes - played);
    }
    waitcore::NotifyAll();
  }

  const bool capture_;
  const BYTE silence_;
  const size_t block_;
  size_t ahead_ = 0;
  std::atomic<size_t> overflow_{0};
  std::unique_ptr<ByteRing> ring_;
  std::unique_ptr<backend::AudioStream> device_;
};

class HostDevice : public WaveDevice {
 public:
  HostDevice(Direction direction, const backend::AudioDeviceInfo& info, int index)
      : WaveDevice(direction), name_(info.name), index_(index), channels_(info.channels) {}

  DeviceCaps Caps() const override {
    DeviceCaps caps;
    caps.name = name_.substr(0, MAXPNAMELEN - 1);
    caps.pid = static_cast<WORD>(0x100 + index_);
    caps.channels = static_cast<WORD>(std::clamp(channels_, 1, 8));
    return caps;
  }
  bool IsReal() const override { return true; }
  MMRESULT Open(const WAVEFORMATEX& format, WavePort& port, std::unique_ptr<WaveStream>* stream) override {
    if (direction() == Direction::kOut) port.DeferPlayed();
    auto host = std::make_unique<HostStream>(format, direction() == Direction::kIn);
    if (!host->Open(name_, format)) return MMSYSERR_ALLOCATED;
    *stream = std::move(host);
    return MMSYSERR_NOERROR;
  }

 private:
  const std::string name_;
  const int index_;
  const int channels_;
};

std::vector<std::shared_ptr<WaveDevice>> Devices(Direction direction,
                                                 const std::vector<backend::AudioDeviceInfo>& infos) {
  std::vector<std::shared_ptr<WaveDevice>> devices;
  for (size_t i = 0; i < infos.size(); ++i)
    devices.push_back(std::make_shared<HostDevice>(direction, infos[i], static_cast<int>(i)));
  return devices;
}

}  // namespace

HostDevices ScanHostDevices() {
  const backend::AudioDeviceList list = backend::HostAudio().Scan();
  HostDevices devices;
  devices.in = Devices(Direction::kIn, list.capture);
  devices.out = Devices(Direction::kOut, list.playback);
  devices.default_in = list.default_capture;
  devices.default_out = list.default_playback;
  return devices;
}

}  // namespace plat::wave
