// Reads arbitrary bytes as the skin data component's stored package: a
// length and the package bytes, as a form description holds them. Whatever
// the length says, the whole block is consumed and nothing past it is read;
// a package that loads has a description behind it.
#include <cstdint>
#include <cstdlib>

#include "platform/vcl/Streams.h"
#include "skin/SkinData.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vcl::TMemoryStream stream;
  stream.WriteBuffer(data, static_cast<int64_t>(size));
  stream.SetPosition(0);
  skin::TSkinData component(nullptr);
  component.ReadSkinStream(stream);
  if (size >= 4 && stream.Position() != stream.Size()) std::abort();
  if (!component.NotLoaded() && !component.Skin().Title) std::abort();
  return 0;
}
