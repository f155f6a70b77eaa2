#pragma once
// The sound card: one device per capture or playback device the backend's
// audio offers. The device's own thread and the port meet in a ring, so that
// thread never waits for the lock every queue and event shares.
#include <memory>
#include <vector>

#include "platform/mm/WaveDriver.h"

namespace plat::wave {

struct HostDevices {
  std::vector<std::shared_ptr<WaveDevice>> in;
  std::vector<std::shared_ptr<WaveDevice>> out;
  // The devices the mapper stands for.
  size_t default_in = 0;
  size_t default_out = 0;
};

// Asks the backend for its devices again (none where it has no sound).
HostDevices ScanHostDevices();

}  // namespace plat::wave
