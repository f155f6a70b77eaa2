#pragma once
// BMP files: a reader that checks every size and offset before it touches the
// data, and a writer that produces the same bytes for the same image.
//
// Written files have a 40-byte header, the colour table in full for 1, 4 and
// 8 bits (biClrUsed = its entry count), masks after the header for
// BI_BITFIELDS, biSizeImage set, a resolution of 3780 pixels per metre
// (96 dpi) and zeroed row padding. Rows keep the image's own order.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/gdi/Gdi.h"

namespace plat {

// A device-independent image: header, colour table and rows as stored.
struct DibImage {
  BITMAPINFOHEADER header;        // always 40 bytes; BI_RGB or BI_BITFIELDS
  std::vector<RGBQUAD> colors;    // 1 << bpp entries for 1, 4 and 8 bits, else empty
  uint32_t masks[3] = {0, 0, 0};  // red, green, blue for BI_BITFIELDS
  std::vector<uint8_t> bits;      // DWORD-aligned rows

  int Width() const { return header.biWidth; }
  int Height() const { return header.biHeight < 0 ? -header.biHeight : header.biHeight; }
  int Stride() const;
  // Header, masks or colour table, then the bits: the layout DIB routines take.
  std::vector<uint8_t> Packed() const;
};

enum class BmpError {
  kNone,
  kTooShort,     // smaller than the two headers
  kNotBmp,       // no "BM" signature
  kBadHeader,    // unknown header size, zero or negative sizes, planes, bit count
  kUnsupported,  // compressed or otherwise valid but not handled (RLE, JPEG, PNG)
  kBadColors,    // colour table larger than the bit count allows
  kBadOffset,    // pixel offset inside the headers or past the end
  kTruncated,    // fewer pixel bytes than the image needs
  kTooLarge,     // more than the reader accepts (256 MB of pixels)
};

struct BmpReadResult {
  bool ok = false;
  BmpError error = BmpError::kNone;
  DibImage image;
};

BmpReadResult ReadBmp(const uint8_t* data, size_t size);
std::vector<uint8_t> WriteBmp(const DibImage& image);

// Image of a bitmap at a bit count (0: the bitmap's own), rows bottom-up.
bool DibFromBitmap(HBITMAP bitmap, int bits_per_pixel, DibImage* out);
// A new DIB section holding the image.
HBITMAP BitmapFromDib(const DibImage& image);

bool SaveBitmapToBmpFile(HBITMAP bitmap, const std::string& path, int bits_per_pixel = 0);
// Null when the file cannot be read or is not an image the reader accepts.
HBITMAP LoadBitmapFromBmpFile(const std::string& path, BmpError* error = nullptr);

}  // namespace plat
