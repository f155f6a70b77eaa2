// Reads arbitrary bytes as the stored bytes of a file storage component: the
// read must either fail or take a count that fits in what follows, and what
// it took must write back as the same bytes.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "platform/vcl/Streams.h"
#include "utility/qelFileStorage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vcl::TMemoryStream input;
  input.WriteBuffer(data, static_cast<int64_t>(size));
  input.SetPosition(0);
  utility::TqelFileStorage store(nullptr);
  try {
    store.ReadData(input);
  } catch (const vcl::Exception&) {
    if (store.DataSize() != 0) std::abort();  // a refused read keeps nothing
    return 0;
  }
  if (size < 4 || store.DataSize() > size - 4) std::abort();
  vcl::TMemoryStream output;
  store.WriteData(output);
  if (output.Size() != static_cast<int64_t>(4 + store.DataSize())) std::abort();
  if (std::memcmp(output.Memory(), data, static_cast<size_t>(output.Size())) != 0) std::abort();
  return 0;
}
