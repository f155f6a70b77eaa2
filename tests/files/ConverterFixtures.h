#pragma once
// The source the converter tests pull from, and pulling a converter dry.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "WaveFixtures.h"
#include "engine/MMDSPObj.h"

namespace filestest {

// Above the converter: hands down its format and, pulled, gives at most
// `piece` bytes per call.
class TConvFeed : public engine::TMMDSPComponent {
  VCL_DECLARE_CLASS(TConvFeed, engine::TMMDSPComponent)
 public:
  explicit TConvFeed(vcl::TComponent* owner) : engine::TMMDSPComponent(owner) {}
  Bytes data;
  size_t read = 0;
  size_t piece = SIZE_MAX;
  int pulls = 0;
  void BufferLoad(plat::WAVEHDR* lpwh, bool& more) override {
    ++pulls;
    const size_t n = std::min({size_t{lpwh->dwBufferLength}, data.size() - read, piece});
    std::memcpy(lpwh->lpData, data.data() + read, n);
    read += n;
    lpwh->dwBytesRecorded = static_cast<plat::DWORD>(n);
    more = read < data.size();
  }
};

// Pulls `conv` with headers of `size` bytes until it has no more; the bytes
// and the number of pulls.
inline Bytes PullAll(engine::TMMDSPComponent& conv, uint32_t size, int* pulls = nullptr,
                     bool* ended = nullptr) {
  Bytes out;
  TestHeader h(size);
  bool more = true;
  int n = 0;
  for (; more && n < 100000; ++n) {
    h.hdr()->dwBytesRecorded = 0;
    more = false;
    conv.BufferLoad(h.hdr(), more);
    const Bytes r = h.Recorded();
    out.insert(out.end(), r.begin(), r.end());
  }
  if (pulls) *pulls = n;
  if (ended) *ended = !more;
  return out;
}

}  // namespace filestest
