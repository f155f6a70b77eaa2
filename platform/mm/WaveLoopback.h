#pragma once
// The loopback pair: what is played into the loopback output is heard by
// the loopback input at the same clock time; silence while nothing plays.
#include <memory>
#include <vector>

#include "platform/mm/WaveDriver.h"

namespace plat::wave {

// The output first, then the input.
std::vector<std::shared_ptr<WaveDevice>> MakeLoopbackDevices();

}  // namespace plat::wave
