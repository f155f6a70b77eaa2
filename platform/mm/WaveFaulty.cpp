#include "platform/mm/WaveFaulty.h"

#include <mutex>

#include "platform/mm/WaveClock.h"

namespace plat::wave {

namespace {

struct Configs {
  std::mutex mutex;
  wavedev::FaultyConfig in;
  wavedev::FaultyConfig out;
};

Configs& TheConfigs() {
  static Configs* configs = new Configs;  // read by device threads that may outlive statics
  return *configs;
}

class FaultyDevice : public WaveDevice {
 public:
  using WaveDevice::WaveDevice;

  DeviceCaps Caps() const override {
    DeviceCaps caps;
    caps.name = direction() == Direction::kOut ? "Faulty Output" : "Faulty Input";
    caps.pid = direction() == Direction::kOut ? 0x20 : 0x21;
    caps.formats = Config().formats;
    return caps;
  }
  MMRESULT CheckFormat(const WAVEFORMATEX& format) const override {
    const wavedev::FaultyConfig config = Config();
    if (config.refuse_format && config.refuse_format(format)) return WAVERR_BADFORMAT;
    return WaveDevice::CheckFormat(format);
  }
  MMRESULT Open(const WAVEFORMATEX& format, WavePort&, std::unique_ptr<WaveStream>* stream) override {
    *stream = std::make_unique<ClockStream>(format);
    return MMSYSERR_NOERROR;
  }
  MMRESULT Fault(Call call) const override {
    std::lock_guard lock(TheConfigs().mutex);
    const auto& fail = Own().fail;
    auto it = fail.find(call);
    return it == fail.end() ? MMSYSERR_NOERROR : it->second;
  }
  bool Withholds(UINT message) const override {
    std::lock_guard lock(TheConfigs().mutex);
    return Own().withhold.count(message) > 0;
  }
  bool PositionInBytesOnly() const override {
    std::lock_guard lock(TheConfigs().mutex);
    return Own().position_in_bytes_only;
  }

 private:
  const wavedev::FaultyConfig& Own() const {
    return direction() == Direction::kIn ? TheConfigs().in : TheConfigs().out;
  }
  wavedev::FaultyConfig Config() const {
    std::lock_guard lock(TheConfigs().mutex);
    return Own();
  }
};

}  // namespace

std::vector<std::shared_ptr<WaveDevice>> MakeFaultyDevices() {
  return {std::make_shared<FaultyDevice>(Direction::kOut), std::make_shared<FaultyDevice>(Direction::kIn)};
}

}  // namespace plat::wave

namespace plat::wavedev {

void SetFaultyInput(const FaultyConfig& config) {
  std::lock_guard lock(wave::TheConfigs().mutex);
  wave::TheConfigs().in = config;
}

void SetFaultyOutput(const FaultyConfig& config) {
  std::lock_guard lock(wave::TheConfigs().mutex);
  wave::TheConfigs().out = config;
}

void ResetFaulty() {
  std::lock_guard lock(wave::TheConfigs().mutex);
  wave::TheConfigs().in = {};
  wave::TheConfigs().out = {};
}

}  // namespace plat::wavedev
