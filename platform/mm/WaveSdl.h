#pragma once
// The sound card through SDL2: one device per SDL capture or playback
// device. SDL audio starts on first use; when it cannot, there are none.
#include <memory>
#include <vector>

#include "platform/mm/WaveDriver.h"

namespace plat::wave {

// The devices of one direction; `default_index` gets the one the mapper
// stands for (0 when SDL names none).
std::vector<std::shared_ptr<WaveDevice>> EnumerateSdlDevices(Direction direction, size_t* default_index);

}  // namespace plat::wave
