// Reads arbitrary bytes as a BMP file. Whatever is accepted must write back
// and read again to the same bytes, and draw onto a small DIB without faults.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "platform/gdi/BmpFile.h"
#include "platform/gdi/Gdi.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  plat::BmpReadResult first = plat::ReadBmp(data, size);
  if (!first.ok) {
    if (first.error == plat::BmpError::kNone) std::abort();
    return 0;
  }
  std::vector<uint8_t> bytes = plat::WriteBmp(first.image);
  plat::BmpReadResult second = plat::ReadBmp(bytes.data(), bytes.size());
  if (!second.ok || plat::WriteBmp(second.image) != bytes) std::abort();
  // Small images also go through the DIB paths the program draws with.
  if (static_cast<int64_t>(first.image.Width()) * first.image.Height() <= 4096) {
    std::vector<uint8_t> packed = first.image.Packed();
    auto* info = reinterpret_cast<const plat::BITMAPINFO*>(packed.data());
    const uint8_t* bits = packed.data() + packed.size() - first.image.bits.size();
    plat::HDC dc = plat::CreateCompatibleDC(nullptr);
    plat::HBITMAP target = plat::CreateBitmap(8, 8, 1, 32, nullptr);
    plat::HGDIOBJ old = plat::SelectObject(dc, target);
    plat::StretchDIBits(dc, 0, 0, 8, 8, 0, 0, first.image.Width(), first.image.Height(), bits, info,
                        plat::DIB_RGB_COLORS, plat::SRCCOPY);
    plat::HBITMAP section = plat::BitmapFromDib(first.image);
    if (section == nullptr) std::abort();
    plat::DeleteObject(section);
    plat::SelectObject(dc, old);
    plat::DeleteObject(target);
    plat::DeleteDC(dc);
  }
  return 0;
}
