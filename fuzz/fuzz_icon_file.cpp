// Reads arbitrary bytes as an icon file, as a module's icon resource. A file
// the reader takes gives a picture of the size its header says, within the
// largest icon side, at whatever size is asked for.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "platform/user/Icon.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // An exact copy, so that reading one byte too far is caught.
  std::vector<uint8_t> file(data, data + size);
  for (int want : {16, 32, 256}) {
    auto image = plat::user::DecodeIconFile(file.data(), file.size(), want, want);
    if (!image) continue;
    if (image->width <= 0 || image->height <= 0 || image->width > 256 || image->height > 256 ||
        image->pixels.size() != static_cast<size_t>(image->width) * image->height)
      std::abort();
    volatile uint32_t sink = 0;
    for (uint32_t p : image->pixels) sink = sink ^ p;
  }
  return 0;
}
