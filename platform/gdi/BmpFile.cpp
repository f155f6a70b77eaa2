#include "platform/gdi/BmpFile.h"

#include <cstring>
#include <fstream>
#include <iterator>

#include "platform/gdi/Surface.h"

namespace plat {

namespace {

uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t U32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

void Put16(std::vector<uint8_t>& v, uint32_t x) {
  v.push_back(static_cast<uint8_t>(x));
  v.push_back(static_cast<uint8_t>(x >> 8));
}
void Put32(std::vector<uint8_t>& v, uint32_t x) {
  Put16(v, x & 0xFFFF);
  Put16(v, x >> 16);
}

constexpr uint64_t kMaxPixelBytes = uint64_t{256} << 20;
constexpr LONG kPelsPerMetre = 3780;  // 96 dpi

BmpReadResult Fail(BmpError e) {
  BmpReadResult r;
  r.error = e;
  return r;
}

// Clears the bits past the last pixel of each row, so equal images give equal bytes.
void ClearPadding(DibImage& img) {
  int stride = img.Stride();
  uint64_t used_bits = static_cast<uint64_t>(img.Width()) * img.header.biBitCount;
  size_t full = static_cast<size_t>(used_bits / 8);
  int rest = static_cast<int>(used_bits % 8);
  for (int y = 0; y < img.Height(); ++y) {
    uint8_t* row = img.bits.data() + static_cast<size_t>(y) * stride;
    size_t from = full;
    if (rest != 0) {
      row[full] &= static_cast<uint8_t>(0xFF00 >> rest);
      ++from;
    }
    std::memset(row + from, 0, static_cast<size_t>(stride) - from);
  }
}

}  // namespace

int DibImage::Stride() const { return DibStride(header.biWidth, header.biBitCount); }

std::vector<uint8_t> DibImage::Packed() const {
  std::vector<uint8_t> out(sizeof(BITMAPINFOHEADER));
  std::memcpy(out.data(), &header, sizeof header);
  if (header.biCompression == BI_BITFIELDS)
    for (uint32_t m : masks) Put32(out, m);
  for (const RGBQUAD& q : colors) out.insert(out.end(), {q.rgbBlue, q.rgbGreen, q.rgbRed, 0});
  out.insert(out.end(), bits.begin(), bits.end());
  return out;
}

BmpReadResult ReadBmp(const uint8_t* data, size_t size) {
  if (data == nullptr || size < 14 + 12) return Fail(BmpError::kTooShort);
  if (data[0] != 'B' || data[1] != 'M') return Fail(BmpError::kNotBmp);
  uint32_t off_bits = U32(data + 10);
  const uint8_t* h = data + 14;
  uint32_t header_size = U32(h);
  if (header_size != 12 && header_size != 40 && header_size != 52 && header_size != 56 && header_size != 64 &&
      header_size != 108 && header_size != 124)
    return Fail(BmpError::kBadHeader);
  if (size < 14 + uint64_t{header_size}) return Fail(BmpError::kTooShort);

  int64_t width, height;
  uint32_t planes, bpp, compression = BI_RGB, clr_used = 0;
  size_t entry = 4;
  if (header_size == 12) {
    width = U16(h + 4);
    height = U16(h + 6);
    planes = U16(h + 8);
    bpp = U16(h + 10);
    entry = 3;
  } else {
    width = static_cast<int32_t>(U32(h + 4));
    height = static_cast<int32_t>(U32(h + 8));
    planes = U16(h + 12);
    bpp = U16(h + 14);
    compression = U32(h + 16);
    clr_used = U32(h + 32);
  }
  if (planes != 1 || width <= 0 || height == 0 || height == INT32_MIN) return Fail(BmpError::kBadHeader);
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32)
    return Fail(BmpError::kBadHeader);
  if (header_size == 12 && (bpp == 16 || bpp == 32)) return Fail(BmpError::kBadHeader);
  if (compression == BI_BITFIELDS) {
    if (bpp != 16 && bpp != 32) return Fail(BmpError::kBadHeader);
  } else if (compression != BI_RGB) {
    return Fail(BmpError::kUnsupported);
  }
  int64_t rows = height < 0 ? -height : height;
  uint64_t stride = (static_cast<uint64_t>(width) * bpp + 31) / 32 * 4;
  if (width > 0x100000 || rows > 0x100000 || stride * static_cast<uint64_t>(rows) > kMaxPixelBytes)
    return Fail(BmpError::kTooLarge);

  // Masks: after a 40-byte header, or inside the longer headers.
  uint64_t at = 14 + uint64_t{header_size};
  uint32_t masks[3] = {0, 0, 0};
  if (compression == BI_BITFIELDS) {
    const uint8_t* m = h + 40;
    if (header_size == 40) {
      if (size < at + 12) return Fail(BmpError::kTooShort);
      m = data + at;
      at += 12;
    }
    for (int i = 0; i < 3; ++i) masks[i] = U32(m + 4 * i);
  }
  uint64_t max_colors = bpp <= 8 ? uint64_t{1} << bpp : 256;
  if (clr_used > max_colors) return Fail(BmpError::kBadColors);
  uint64_t colors = clr_used != 0 ? clr_used : (bpp <= 8 ? uint64_t{1} << bpp : 0);
  uint64_t table_end = at + colors * entry;
  if (table_end > size) return Fail(BmpError::kTruncated);
  if (off_bits < table_end || off_bits > size) return Fail(BmpError::kBadOffset);
  uint64_t pixel_bytes = stride * static_cast<uint64_t>(rows);
  if (size - off_bits < pixel_bytes) return Fail(BmpError::kTruncated);

  BmpReadResult r;
  DibImage& img = r.image;
  img.header = BITMAPINFOHEADER{};
  img.header.biWidth = static_cast<LONG>(width);
  img.header.biHeight = static_cast<LONG>(height);
  img.header.biBitCount = static_cast<WORD>(bpp);
  img.header.biCompression = compression;
  img.header.biSizeImage = static_cast<DWORD>(pixel_bytes);
  img.header.biXPelsPerMeter = img.header.biYPelsPerMeter = kPelsPerMetre;
  if (bpp <= 8) {
    img.colors.assign(size_t{1} << bpp, RGBQUAD{});
    for (uint64_t i = 0; i < colors; ++i) {
      const uint8_t* e = data + at + i * entry;
      img.colors[i] = RGBQUAD{e[0], e[1], e[2], 0};
    }
    img.header.biClrUsed = static_cast<DWORD>(img.colors.size());
  }
  std::memcpy(img.masks, masks, sizeof masks);
  img.bits.assign(data + off_bits, data + off_bits + pixel_bytes);
  ClearPadding(img);
  r.ok = true;
  return r;
}

std::vector<uint8_t> WriteBmp(const DibImage& source) {
  DibImage img = source;
  BITMAPINFOHEADER& h = img.header;
  h.biSize = 40;
  h.biPlanes = 1;
  int bpp = h.biBitCount;
  if (bpp <= 8) {
    img.colors.resize(size_t{1} << bpp);
    h.biClrUsed = static_cast<DWORD>(img.colors.size());
  } else {
    img.colors.clear();
    h.biClrUsed = 0;
  }
  if (h.biCompression != BI_BITFIELDS) h.biCompression = BI_RGB;
  h.biClrImportant = 0;
  h.biXPelsPerMeter = h.biYPelsPerMeter = kPelsPerMetre;
  size_t pixel_bytes = static_cast<size_t>(img.Stride()) * static_cast<size_t>(img.Height());
  img.bits.resize(pixel_bytes);
  h.biSizeImage = static_cast<DWORD>(pixel_bytes);
  ClearPadding(img);
  std::vector<uint8_t> packed = img.Packed();
  std::vector<uint8_t> out;
  out.reserve(14 + packed.size());
  out.push_back('B');
  out.push_back('M');
  Put32(out, static_cast<uint32_t>(14 + packed.size()));
  Put32(out, 0);
  Put32(out, static_cast<uint32_t>(14 + packed.size() - pixel_bytes));
  out.insert(out.end(), packed.begin(), packed.end());
  return out;
}

bool DibFromBitmap(HBITMAP bitmap, int bpp, DibImage* out) {
  BITMAP bm;
  if (out == nullptr || GetObject(bitmap, sizeof bm, &bm) == 0) return false;
  if (bpp == 0) bpp = bm.bmBitsPixel;
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) return false;
  std::vector<uint8_t> info(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD) + 12);
  auto* h = reinterpret_cast<BITMAPINFOHEADER*>(info.data());
  *h = BITMAPINFOHEADER{};
  h->biWidth = bm.bmWidth;
  h->biHeight = bm.bmHeight;
  h->biBitCount = static_cast<WORD>(bpp);
  DibImage img;
  img.bits.resize(static_cast<size_t>(DibStride(bm.bmWidth, bpp)) * static_cast<size_t>(bm.bmHeight));
  HDC dc = CreateCompatibleDC(nullptr);
  int lines = GetDIBits(dc, bitmap, 0, static_cast<UINT>(bm.bmHeight), img.bits.data(),
                        reinterpret_cast<BITMAPINFO*>(info.data()), DIB_RGB_COLORS);
  DeleteDC(dc);
  if (lines != bm.bmHeight) return false;
  img.header = *h;
  if (bpp <= 8) {
    auto* table = reinterpret_cast<const RGBQUAD*>(info.data() + sizeof(BITMAPINFOHEADER));
    img.colors.assign(table, table + (size_t{1} << bpp));
    img.header.biClrUsed = static_cast<DWORD>(img.colors.size());
  }
  *out = std::move(img);
  return true;
}

HBITMAP BitmapFromDib(const DibImage& image) {
  std::vector<uint8_t> packed = image.Packed();
  void* bits = nullptr;
  HBITMAP bm = CreateDIBSection(nullptr, reinterpret_cast<const BITMAPINFO*>(packed.data()), DIB_RGB_COLORS,
                                &bits, nullptr, 0);
  if (bm == nullptr) return nullptr;
  size_t n =
      std::min(image.bits.size(), static_cast<size_t>(image.Stride()) * static_cast<size_t>(image.Height()));
  std::memcpy(bits, image.bits.data(), n);
  return bm;
}

bool SaveBitmapToBmpFile(HBITMAP bitmap, const std::string& path, int bpp) {
  DibImage img;
  if (!DibFromBitmap(bitmap, bpp, &img)) return false;
  std::vector<uint8_t> bytes = WriteBmp(img);
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(f);
}

HBITMAP LoadBitmapFromBmpFile(const std::string& path, BmpError* error) {
  std::ifstream f(path, std::ios::binary);
  if (!f) {
    if (error != nullptr) *error = BmpError::kTooShort;
    return nullptr;
  }
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  BmpReadResult r = ReadBmp(bytes.data(), bytes.size());
  if (error != nullptr) *error = r.error;
  return r.ok ? BitmapFromDib(r.image) : nullptr;
}

}  // namespace plat
