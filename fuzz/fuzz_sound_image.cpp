// Reads arbitrary bytes as a wave sound in memory: the parse must either
// refuse them or find a PCM format and a data region of whole blocks inside
// the bytes; playing them must not read past them.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "platform/mm/PlaySound.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // A copy of exactly `size` bytes, so a read past them is caught.
  std::vector<uint8_t> bytes(data, data + size);
  plat::WaveImage image;
  if (plat::ParseWaveImage(bytes.data(), bytes.size(), &image)) {
    if (image.data_offset > bytes.size() || image.data_size > bytes.size() - image.data_offset) std::abort();
    if (image.format.nBlockAlign == 0 || image.data_size % image.format.nBlockAlign != 0) std::abort();
  }
  // Parsing alone: playing would open a device for every input.
  return 0;
}
