#include "platform/backend/Audio.h"

#include "platform/backend/SdlAudio.h"

namespace plat::backend {

Audio& HostAudio() {
  // Never destroyed: device threads may outlive static destruction.
  static Audio* audio = new SdlAudio;
  return *audio;
}

}  // namespace plat::backend
