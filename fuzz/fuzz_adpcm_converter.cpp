// Feeds a wave format and a stream of arbitrary bytes into the ADPCM
// converter, pulled in pieces and requests the input's first byte chooses.
// The converter must refuse the format or decode: never more than it could
// make of the input, and never outside its buffers (the sanitizers watch).
//
// Layout: byte 0 (bit 0: 8-bit output; bits 1..7: the input's piece size),
// byte 1 (the pull size in units of 16 bytes), the 18-byte format record,
// up to cbSize extra bytes, then the stream.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "engine/MMDSPObj.h"
#include "engine/MMWaveHdr.h"
#include "files/MMADCvt.h"

namespace {

class TFuzzFeed : public engine::TMMDSPComponent {
  VCL_DECLARE_CLASS(TFuzzFeed, engine::TMMDSPComponent)
 public:
  explicit TFuzzFeed(vcl::TComponent* owner) : engine::TMMDSPComponent(owner) {}
  const uint8_t* data = nullptr;
  size_t size = 0, read = 0, piece = 1;
  void BufferLoad(plat::WAVEHDR* lpwh, bool& more) override {
    const size_t n = std::min({size_t{lpwh->dwBufferLength}, size - read, piece});
    if (n > 0) std::memcpy(lpwh->lpData, data + read, n);
    read += n;
    lpwh->dwBytesRecorded = static_cast<plat::DWORD>(n);
    more = read < size;
  }
};
VCL_IMPLEMENT_CLASS(TFuzzFeed, engine::DSPOutputProp())

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  constexpr size_t kHead = 2 + sizeof(plat::WAVEFORMATEX);
  if (size < kHead) return 0;
  plat::WAVEFORMATEX head;
  std::memcpy(&head, data + 2, sizeof(head));
  const size_t extra = std::min<size_t>(head.cbSize, size - kHead);
  std::vector<uint8_t> format(sizeof(head) + extra);
  std::memcpy(format.data(), data + 2, format.size());
  reinterpret_cast<plat::WAVEFORMATEX*>(format.data())->cbSize = static_cast<plat::WORD>(extra);

  TFuzzFeed feed(nullptr);
  feed.data = data + kHead + extra;
  feed.size = size - kHead - extra;
  feed.piece = static_cast<size_t>(data[0] >> 1) * 37 + 1;
  files::TMMADPCMConverter conv(nullptr);
  conv.SetBitLength(data[0] & 1 ? engine::b8Bit : engine::b16Bit);
  feed.SetFormat(reinterpret_cast<const plat::WAVEFORMATEX*>(format.data()));
  conv.SetInput(&feed);
  try {
    conv.Opened();
  } catch (const files::EMMADPCMError&) {
    // Refusing is fine, unless the format is one it claims to decode.
    if (conv.CanConvert()) std::abort();
    return 0;
  }
  conv.Started();
  const uint32_t request = static_cast<uint32_t>(data[1]) * 16 + 1;
  std::vector<uint8_t> block(engine::WaveHdrBlockSize(request));
  engine::TMMWaveHdr* hdr = engine::InitWaveHdr(block.data(), request);
  // A code byte makes at most 4 output bytes, and so does a tag-2 block
  // per byte of its length: its samples per block fit the block.
  const size_t limit = 4 * feed.size;
  size_t total = 0;
  bool more = true;
  for (int i = 0; more && i < 100000; ++i) {
    hdr->dwBytesRecorded = 0;
    more = false;
    conv.BufferLoad(hdr, more);
    if (hdr->dwBytesRecorded > request) std::abort();
    total += hdr->dwBytesRecorded;
    if (total > limit) std::abort();
  }
  conv.Closed();
  return 0;
}
