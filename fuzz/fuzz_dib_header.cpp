// Reads arbitrary bytes as a DIB block, as one arrives in a wave file's DISP
// chunk. The header queries must not fault on any header; a block the check
// accepts must hold every colour entry and pixel its header describes, and
// must make a palette and draw without faults.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "engine/MMDIB.h"
#include "platform/gdi/Gdi.h"

namespace {

// The bytes the queries may read: the size field, then the header it names.
size_t HeaderBytes(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  uint32_t header_size;
  std::memcpy(&header_size, data, 4);
  if (header_size == 12) return 12;
  if (header_size >= 40 && header_size <= 124) return 40;
  return 4;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // An exact copy, so that reading one byte too far is caught.
  std::vector<uint8_t> block(data, data + size);
  const uint8_t* dib = block.data();
  const size_t needed = HeaderBytes(dib, size);
  const bool accepted = engine::DIBCheck(dib, size);
  if (needed == 0 || size < needed) {
    if (accepted) std::abort();
    return 0;
  }

  volatile int64_t sink = 0;
  sink = sink + engine::IsWin3DIB(dib) + engine::DIBWidth(dib) + engine::DIBHeight(dib) +
         engine::DIBBitCount(dib) + engine::DIBNumColors(dib) + engine::DIBRowBytes(engine::DIBWidth(dib));
  const bool valid = engine::DIBHeaderValid(dib);
  if (!valid) {
    if (accepted || engine::DIBSize(dib) != 0 || engine::DIBBits(dib) != nullptr) std::abort();
    return 0;
  }
  if (!accepted) return 0;

  // Everything the header describes lies inside the block.
  const size_t total = engine::DIBSize(dib);
  const uint8_t* bits = engine::DIBBits(dib);
  const auto* table = reinterpret_cast<const uint8_t*>(engine::DIBColorTable(dib));
  if (total == 0 || total > size || bits == nullptr || table == nullptr) std::abort();
  if (table < dib || bits < table || bits > dib + total) std::abort();
  const int64_t height = std::llabs(static_cast<int64_t>(engine::DIBHeight(dib)));
  const int64_t row =
      ((static_cast<int64_t>(engine::DIBWidth(dib)) * engine::DIBBitCount(dib) + 31) / 32) * 4;
  if (bits + row * height > dib + total) std::abort();
  for (const uint8_t* p = table; p < bits; ++p) sink = sink + *p;
  sink = sink + bits[0] + bits[row * height - 1];

  plat::HPALETTE palette = engine::CreateDIBPalette(dib, size);
  if (palette != nullptr) plat::DeleteObject(palette);

  if (engine::DIBWidth(dib) * height <= 4096) {
    plat::HDC dc = plat::CreateCompatibleDC(nullptr);
    plat::HBITMAP target = plat::CreateBitmap(8, 8, 1, 32, nullptr);
    plat::HGDIOBJ old = plat::SelectObject(dc, target);
    if (!engine::StretchDrawDIB(dib, size, dc, plat::RECT{0, 0, 8, 8})) std::abort();
    plat::SelectObject(dc, old);
    plat::DeleteObject(target);
    plat::DeleteDC(dc);
  }
  return 0;
}
