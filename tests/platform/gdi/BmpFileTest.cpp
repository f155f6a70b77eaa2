// BMP reading and writing, and PNG snapshots.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/gdi/BmpFile.h"
#include "platform/gdi/PngWriter.h"
#include "tests/platform/gdi/GdiTestSupport.h"

namespace {

using namespace gditest;

uint32_t U32At(const std::vector<uint8_t>& v, size_t at) {
  uint32_t x;
  std::memcpy(&x, v.data() + at, 4);
  return x;
}

// The picture drawn at bpp, stored, read back and shown on a 24-bit canvas.
std::string RoundTrip(const std::string& picture, int w, int h, int bpp,
                      std::vector<uint8_t>* file = nullptr) {
  Canvas source(w, h, 24);
  source.Paint(picture);
  DibImage img;
  EXPECT_TRUE(DibFromBitmap(source.bitmap(), bpp, &img));
  std::vector<uint8_t> bytes = WriteBmp(img);
  if (file != nullptr) *file = bytes;
  BmpReadResult read = ReadBmp(bytes.data(), bytes.size());
  EXPECT_TRUE(read.ok);
  EXPECT_EQ(WriteBmp(read.image), bytes) << "writing what was read gives the same bytes";
  HBITMAP bm = BitmapFromDib(read.image);
  Canvas shown(w, h, 24);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, bm);
  BitBlt(shown.dc(), 0, 0, w, h, dc, 0, 0, SRCCOPY);
  SelectObject(dc, old);
  DeleteDC(dc);
  DeleteObject(bm);
  return shown.Map();
}

TEST(BmpFileTest, EveryDepthRoundTrips) {
  const std::string colours = Pic({"RGBWY", ".YCMR"});
  const std::string mono = Pic({"W.W.W", ".WW.."});
  for (int bpp : {1, 4, 8, 16, 24, 32}) {
    SCOPED_TRACE(bpp);
    const std::string& picture = bpp == 1 ? mono : colours;
    std::vector<uint8_t> file;
    EXPECT_EQ(RoundTrip(picture, 5, 2, bpp, &file), picture);
    size_t colors = bpp <= 8 ? size_t{1} << bpp : 0;
    size_t stride = static_cast<size_t>(DibStride(5, bpp));
    EXPECT_EQ(U32At(file, 2), file.size());
    EXPECT_EQ(U32At(file, 10), 14 + 40 + 4 * colors);
    EXPECT_EQ(U32At(file, 14 + 20), stride * 2);  // biSizeImage
    EXPECT_EQ(U32At(file, 14 + 24), 3780u);       // 96 dpi
    EXPECT_EQ(U32At(file, 14 + 32), colors);
    EXPECT_EQ(file.size(), 14 + 40 + 4 * colors + stride * 2);
  }
}

TEST(BmpFileTest, RowPaddingIsWrittenAsZeros) {
  DibImage img;
  img.header.biWidth = 3;
  img.header.biHeight = 1;
  img.header.biBitCount = 4;
  img.colors.resize(16);
  img.bits = {0x12, 0x3F, 0xEE, 0xEE};  // the low nibble of byte 1 and bytes 2..3 are padding
  std::vector<uint8_t> file = WriteBmp(img);
  EXPECT_EQ(std::vector<uint8_t>(file.end() - 4, file.end()), (std::vector<uint8_t>{0x12, 0x30, 0, 0}));
}

TEST(BmpFileTest, TopDownAndCoreHeaderFilesRead) {
  // 2 x 2, 24 bits, top-down: first stored row is the top one.
  DibImage img;
  img.header.biWidth = 2;
  img.header.biHeight = -2;
  img.header.biBitCount = 24;
  img.bits = {0,   0, 255, 0, 255, 0,   0, 0,   // red, green
              255, 0, 0,   0, 255, 255, 0, 0};  // blue, yellow
  std::vector<uint8_t> file = WriteBmp(img);
  BmpReadResult r = ReadBmp(file.data(), file.size());
  ASSERT_TRUE(r.ok);
  HBITMAP bm = BitmapFromDib(r.image);
  Canvas shown(2, 2, 24);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, bm);
  BitBlt(shown.dc(), 0, 0, 2, 2, dc, 0, 0, SRCCOPY);
  EXPECT_EQ(shown.Map(), Pic({"RG", "BY"}));

  // The old 12-byte header with a 3-byte colour table, 1 bit, 2 x 1.
  const uint8_t core[] = {'B',  'M', 36,  0,   0,   0,   0, 0, 0, 0, 32, 0, 0, 0,  // file header, bits at 32
                          12,   0,   0,   0,   2,   0,   1, 0, 1, 0, 1,  0,        // core header
                          0,    0,   255, 255, 255, 255,                           // red, white
                          0x40, 0,   0,   0};                                      // 01
  r = ReadBmp(core, sizeof core);
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(ColorFromQuad(r.image.colors[0]), RGB(255, 0, 0));
  EXPECT_EQ(r.image.bits[0], 0x40);
  SelectObject(dc, old);
  DeleteDC(dc);
  DeleteObject(bm);
}

TEST(BmpFileTest, MalformedFilesAreRefusedCleanly) {
  DibImage img;
  img.header.biWidth = 4;
  img.header.biHeight = 4;
  img.header.biBitCount = 8;
  img.colors.resize(256);
  img.bits.resize(16);
  const std::vector<uint8_t> good = WriteBmp(img);
  ASSERT_TRUE(ReadBmp(good.data(), good.size()).ok);

  struct Case {
    const char* name;
    size_t offset;  // where to write `value` (4 bytes); SIZE_MAX: truncate to `value` bytes
    uint32_t value;
    BmpError error;
  };
  const Case cases[] = {
      {"signature", 0, 0x4D41, BmpError::kNotBmp},
      {"header size", 14, 41, BmpError::kBadHeader},
      {"zero width", 18, 0, BmpError::kBadHeader},
      {"zero height", 22, 0, BmpError::kBadHeader},
      {"bit count", 28, 0x00010007, BmpError::kBadHeader},
      {"run-length", 30, BI_RLE8, BmpError::kUnsupported},
      {"colour count", 46, 257, BmpError::kBadColors},
      {"offset into the table", 10, 100, BmpError::kBadOffset},
      {"offset past the end", 10, 0x7FFFFFFF, BmpError::kBadOffset},
      {"huge", 18, 0x7FFFFFFF, BmpError::kTooLarge},
      {"truncated pixels", SIZE_MAX, static_cast<uint32_t>(good.size() - 1), BmpError::kTruncated},
      {"truncated table", SIZE_MAX, 100, BmpError::kTruncated},
      {"headers cut", SIZE_MAX, 20, BmpError::kTooShort},
      {"empty", SIZE_MAX, 0, BmpError::kTooShort},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<uint8_t> bad = good;
    if (c.offset == SIZE_MAX)
      bad.resize(c.value);
    else
      std::memcpy(bad.data() + c.offset, &c.value, 4);
    BmpReadResult r = ReadBmp(bad.data(), bad.size());
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, c.error);
  }
  EXPECT_EQ(LoadBitmapFromBmpFile("/nonexistent/quellix.bmp"), nullptr);
}

TEST(BmpFileTest, PngSnapshotsAreDeterministicPngFiles) {
  Canvas canvas(3, 2, 8);
  canvas.Paint(Pic({"RGB", "WY."}));
  GdiLock lock;
  auto* bm = LookupAs<BitmapObject>(canvas.bitmap(), OBJ_BITMAP);
  std::vector<uint8_t> a, b;
  ASSERT_TRUE(EncodePng(bm->surface, &a));
  ASSERT_TRUE(EncodePng(bm->surface, &b));
  EXPECT_EQ(a, b);
  ASSERT_GT(a.size(), 8u);
  EXPECT_EQ(std::memcmp(a.data(), "\x89PNG\r\n\x1a\n", 8), 0);
  EXPECT_EQ(U32At(a, 16), 0x03000000u);  // width 3, big-endian
}

}  // namespace
