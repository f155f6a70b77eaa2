// Reads arbitrary bytes as the stored body of a bitmap list. A refused stream
// leaves the list empty with no update open; an accepted one writes back in
// both forms and reads again to the same images. The bytes also go through
// the block decoder on their own, and their first piece round-trips through
// the coder.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "controls/MMBmpLst.h"
#include "controls/MMLZBlock.h"
#include "platform/vcl/Streams.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes ImageOf(vcl::TBitmap& bitmap) {
  vcl::TMemoryStream stream;
  bitmap.SaveToStream(stream);
  return {stream.Memory(), stream.Memory() + stream.Size()};
}

bool Read(controls::TMMBitmapList& list, const uint8_t* data, size_t size) {
  vcl::TMemoryStream stream;
  if (size > 0) stream.WriteBuffer(data, static_cast<int64_t>(size));
  stream.SetPosition(0);
  try {
    list.ReadData(stream);
    return true;
  } catch (const vcl::Exception&) {
    if (list.Count() != 0 || list.UpdateCount() != 0) std::abort();
    return false;
  }
}

void CheckCodec(const uint8_t* data, size_t size) {
  Bytes out;
  if (!controls::LZDecompressBlock(data, size, out) && !out.empty()) std::abort();
  if (out.size() > controls::kLZChunkSize) std::abort();
  const size_t piece = size < controls::kLZChunkSize ? size : controls::kLZChunkSize;
  const Bytes block = controls::LZCompressBlock(data, piece);
  Bytes back;
  if (block.size() > piece + 1 || !controls::LZDecompressBlock(block.data(), block.size(), back))
    std::abort();
  if (back != Bytes(data, data + piece)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  CheckCodec(data, size);
  controls::TMMBitmapList list(nullptr);
  list.SetHandleType(vcl::bmDIB);
  if (!Read(list, data, size)) return 0;
  for (bool compressed : {false, true}) {
    list.SetCompressed(compressed);
    vcl::TMemoryStream stream;
    list.WriteData(stream);
    controls::TMMBitmapList again(nullptr);
    again.SetHandleType(vcl::bmDIB);
    if (!Read(again, stream.Memory(), static_cast<size_t>(stream.Size()))) std::abort();
    if (again.Count() != list.Count()) std::abort();
    for (int i = 0; i < list.Count(); ++i)
      if (ImageOf(*again.GetBitmap(i)) != ImageOf(*list.GetBitmap(i))) std::abort();
  }
  return 0;
}
