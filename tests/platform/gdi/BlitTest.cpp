// Block transfers: the raster-operation table, colour/monochrome conversion,
// overlapping copies, stretching, masks, pattern brushes and DIB copies.
#include <gtest/gtest.h>

#include <vector>

#include "tests/platform/gdi/GdiTestSupport.h"

namespace {

using namespace gditest;

// A monochrome bitmap in its own memory DC.
class MonoCanvas {
 public:
  MonoCanvas(int w, int h, const void* bits = nullptr) {
    dc_ = CreateCompatibleDC(nullptr);
    bitmap_ = CreateBitmap(w, h, 1, 1, bits);
    old_ = SelectObject(dc_, bitmap_);
  }
  ~MonoCanvas() {
    SelectObject(dc_, old_);
    DeleteDC(dc_);
    DeleteObject(bitmap_);
  }
  HDC dc() const { return dc_; }
  HBITMAP bitmap() const { return bitmap_; }

 private:
  HDC dc_;
  HBITMAP bitmap_;
  HGDIOBJ old_;
};

TEST(BlitTest, EveryTernaryRasterOperationCombinesPatternSourceAndDestination) {
  // With the pattern F0, the source CC and the destination AA in every
  // channel, the result of operation i is i itself.
  Canvas src(1, 1, 24), dst(1, 1, 24);
  SetPixelV(src.dc(), 0, 0, RGB(0xCC, 0xCC, 0xCC));
  Selected brush(dst.dc(), CreateSolidBrush(RGB(0xF0, 0xF0, 0xF0)));
  for (DWORD i = 0; i < 256; ++i) {
    SetPixelV(dst.dc(), 0, 0, RGB(0xAA, 0xAA, 0xAA));
    ASSERT_TRUE(BitBlt(dst.dc(), 0, 0, 1, 1, src.dc(), 0, 0, i << 16));
    ASSERT_EQ(GetPixel(dst.dc(), 0, 0), RGB(i, i, i)) << "operation " << i;
  }
  struct Named {
    DWORD rop;
    BYTE expected;
  };
  const Named named[] = {{SRCCOPY, 0xCC},    {SRCPAINT, 0xEE},   {SRCAND, 0x88},      {SRCINVERT, 0x66},
                         {SRCERASE, 0x44},   {NOTSRCCOPY, 0x33}, {NOTSRCERASE, 0x11}, {MERGECOPY, 0xC0},
                         {MERGEPAINT, 0xBB}, {PATCOPY, 0xF0},    {PATPAINT, 0xFB},    {PATINVERT, 0x5A},
                         {DSTINVERT, 0x55},  {BLACKNESS, 0x00},  {WHITENESS, 0xFF}};
  for (const auto& n : named) {
    SetPixelV(dst.dc(), 0, 0, RGB(0xAA, 0xAA, 0xAA));
    BitBlt(dst.dc(), 0, 0, 1, 1, src.dc(), 0, 0, n.rop);
    EXPECT_EQ(GetPixel(dst.dc(), 0, 0), RGB(n.expected, n.expected, n.expected)) << std::hex << n.rop;
  }
}

TEST(BlitTest, ColourToMonochromeTurnsTheSourceBackgroundWhite) {
  for (int bpp : {8, 24}) {
    SCOPED_TRACE(bpp);
    Canvas src(4, 1, bpp);
    src.Paint("RGWR");
    SetBkColor(src.dc(), RGB(255, 0, 0));
    MonoCanvas mono(4, 1);
    BitBlt(mono.dc(), 0, 0, 4, 1, src.dc(), 0, 0, SRCCOPY);
    EXPECT_EQ(GetPixel(mono.dc(), 0, 0), RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(mono.dc(), 1, 0), RGB(0, 0, 0));
    EXPECT_EQ(GetPixel(mono.dc(), 2, 0), RGB(0, 0, 0));
    EXPECT_EQ(GetPixel(mono.dc(), 3, 0), RGB(255, 255, 255));
  }
}

TEST(BlitTest, MonochromeToColourTakesTheDestinationTextAndBackgroundColours) {
  const WORD row = 0xA000;  // 1010, WORD-aligned rows, most significant bit first
  const BYTE bits[2] = {static_cast<BYTE>(row >> 8), 0};
  MonoCanvas mono(4, 1, bits);
  for (int bpp : {8, 24}) {
    SCOPED_TRACE(bpp);
    Canvas dst(4, 1, bpp);
    SetTextColor(dst.dc(), RGB(0, 0, 255));
    SetBkColor(dst.dc(), RGB(255, 255, 0));
    BitBlt(dst.dc(), 0, 0, 4, 1, mono.dc(), 0, 0, SRCCOPY);
    EXPECT_EQ(dst.Map(), "YBYB");
    if (bpp == 8) continue;  // at 8 bits the operation works on indices
    // The usual transparent-drawing step: AND with a mask made that way.
    dst.Paint("RRGG");
    SetTextColor(dst.dc(), RGB(0, 0, 0));
    SetBkColor(dst.dc(), RGB(255, 255, 255));
    BitBlt(dst.dc(), 0, 0, 4, 1, mono.dc(), 0, 0, SRCAND);
    EXPECT_EQ(dst.Map(), "R.G.");
  }
}

TEST(BlitTest, OverlappingCopiesWithinOneBitmapDoNotSmear) {
  struct Case {
    int dx, dy;
  };
  const std::string original = Pic({"RGBYC", "MWgsr", "b.RGB", "YCMWg"});
  for (const Case c : {Case{1, 0}, Case{-1, 0}, Case{0, 1}, Case{0, -1}, Case{2, 1}, Case{-1, -2}}) {
    SCOPED_TRACE(testing::Message() << c.dx << "," << c.dy);
    Canvas canvas(5, 4, 8);
    canvas.Paint(original);
    BitBlt(canvas.dc(), c.dx, c.dy, 5, 4, canvas.dc(), 0, 0, SRCCOPY);
    std::string map = canvas.Map();
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 5; ++x) {
        int sx = x - c.dx, sy = y - c.dy;
        bool moved = sx >= 0 && sx < 5 && sy >= 0 && sy < 4;
        char want = moved ? original[sy * 6 + sx] : original[y * 6 + x];
        EXPECT_EQ(map[y * 6 + x], want) << x << "," << y;
      }
  }
}

TEST(BlitTest, UnstretchedCopiesBetweenEveryPairOfDepthsConvertEachPixel) {
  // Copies without stretching go a row at a time: every pixel must still
  // land at its place in the destination's nearest colour, around a hole in
  // the clip region that splits each row, whatever the row orders.
  const std::string picture = Pic({"RGBYCMWgs", "rb.RGBYCM", "Wgsrb.RGB"});
  for (int src_bpp : {1, 4, 8, 16, 24, 32})
    for (int dst_bpp : {1, 4, 8, 16, 24, 32}) {
      SCOPED_TRACE(testing::Message() << src_bpp << " -> " << dst_bpp);
      Canvas src(9, 3, src_bpp, /*top_down=*/src_bpp % 16 == 0);
      src.Paint(picture);
      Canvas dst(10, 4, dst_bpp);
      dst.Clear('.');
      ExcludeClipRect(dst.dc(), 4, 0, 5, 4);
      ASSERT_TRUE(BitBlt(dst.dc(), 2, 1, 7, 2, src.dc(), 1, 0, SRCCOPY));
      Canvas nearest(1, 1, dst_bpp);
      const std::string map = dst.Map();
      for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 10; ++x) {
          if (x >= 2 && x < 9 && y >= 1 && y < 3 && x != 4) {
            SetPixelV(nearest.dc(), 0, 0, GetPixel(src.dc(), x - 1, y - 1));
            EXPECT_EQ(GetPixel(dst.dc(), x, y), GetPixel(nearest.dc(), 0, 0)) << x << "," << y;
          } else {
            EXPECT_EQ(map[static_cast<size_t>(y * 11 + x)], '.') << x << "," << y;
          }
        }
    }
}

TEST(BlitTest, StretchTakesNearestPixelsAndMirrorsWithNegativeExtents) {
  Canvas src(2, 2, 24);
  src.Paint(Pic({"RG", "BY"}));
  Canvas dst(4, 4, 8);
  SetStretchBltMode(dst.dc(), COLORONCOLOR);
  StretchBlt(dst.dc(), 0, 0, 4, 4, src.dc(), 0, 0, 2, 2, SRCCOPY);
  EXPECT_EQ(dst.Map(), Pic({"RRGG", "RRGG", "BBYY", "BBYY"}));
  StretchBlt(dst.dc(), 0, 0, 4, 2, src.dc(), 2, 0, -2, 2, SRCCOPY);  // mirrored left-right
  EXPECT_EQ(dst.Map(), Pic({"GGRR", "YYBB", "BBYY", "BBYY"}));
  Canvas small(3, 1, 24);
  small.Paint("...");
  StretchBlt(small.dc(), 0, 0, 3, 1, dst.dc(), 0, 0, 4, 4, SRCCOPY);  // shrinking samples centres
  EXPECT_EQ(small.Map(), "BYY");
}

TEST(BlitTest, OnlyThePartInsideTheSourceReachesTheDestination) {
  Canvas src(2, 2, 8);
  src.Paint(Pic({"RG", "BY"}));
  Canvas dst(4, 3, 24);
  dst.Clear('W');
  BitBlt(dst.dc(), 0, 0, 4, 3, src.dc(), -1, 0, SRCCOPY);
  EXPECT_EQ(dst.Map(), Pic({"WRGW", "WBYW", "WWWW"}));
}

TEST(BlitTest, MaskBltChoosesForegroundOrBackgroundOperationPerMaskBit) {
  const BYTE bits[2] = {0x60, 0};  // 0110
  MonoCanvas mask(4, 1, bits);
  Canvas src(4, 1, 24), dst(4, 1, 24);
  src.Paint("RRRR");
  dst.Paint("GGGG");
  // Foreground (mask 1): copy the source; background (mask 0): keep the destination.
  MaskBlt(dst.dc(), 0, 0, 4, 1, src.dc(), 0, 0, mask.bitmap(), 0, 0, MAKEROP4(SRCCOPY, 0x00AA0029));
  EXPECT_EQ(dst.Map(), "GRRG");
}

TEST(BlitTest, PatternBrushesTileFromTheBrushOrigin) {
  Canvas pattern(2, 2, 24);
  pattern.Paint(Pic({"RG", "BY"}));
  HBRUSH brush = CreatePatternBrush(pattern.bitmap());
  Canvas dst(5, 3, 8);
  RECT r{0, 0, 5, 3};
  FillRect(dst.dc(), &r, brush);
  EXPECT_EQ(dst.Map(), Pic({"RGRGR", "BYBYB", "RGRGR"}));
  SetBrushOrgEx(dst.dc(), 1, 0, nullptr);
  FillRect(dst.dc(), &r, brush);
  EXPECT_EQ(dst.Map(), Pic({"GRGRG", "YBYBY", "GRGRG"}));
  DeleteObject(brush);
}

TEST(BlitTest, MonochromePatternsAndHatchesTakeTheDcColours) {
  const BYTE bits[4] = {0x80, 0, 0x40, 0};  // 10 / 01
  HBITMAP mono = CreateBitmap(2, 2, 1, 1, bits);
  HBRUSH pattern = CreatePatternBrush(mono);
  Canvas dst(4, 2, 24);
  SetTextColor(dst.dc(), RGB(255, 0, 0));
  SetBkColor(dst.dc(), RGB(0, 0, 255));
  RECT r{0, 0, 4, 2};
  FillRect(dst.dc(), &r, pattern);
  EXPECT_EQ(dst.Map(), Pic({"BRBR", "RBRB"}));

  HBRUSH hatch = CreateHatchBrush(HS_VERTICAL, RGB(255, 255, 255));
  RECT wide{0, 0, 4, 2};
  dst.Clear('G');
  SetBkMode(dst.dc(), TRANSPARENT);
  SetBrushOrgEx(dst.dc(), -5, 0, nullptr);  // the hatch line (column 7 of the cell) lands on x = 2
  FillRect(dst.dc(), &wide, hatch);
  EXPECT_EQ(dst.Map(), Pic({"GGWG", "GGWG"}));
  SetBkMode(dst.dc(), OPAQUE);
  FillRect(dst.dc(), &wide, hatch);
  EXPECT_EQ(dst.Map(), Pic({"BBWB", "BBWB"}));
  DeleteObject(hatch);
  DeleteObject(pattern);
  DeleteObject(mono);
}

// An 8-bit bottom-up DIB of 2 x 2 with its own colour table, as callers build them.
struct SmallDib {
  std::vector<uint8_t> info = std::vector<uint8_t>(sizeof(BITMAPINFOHEADER) + 4 * sizeof(RGBQUAD));
  uint8_t bits[8] = {2, 3, 0, 0,   // bottom row: indices 2, 3
                     0, 1, 0, 0};  // top row: indices 0, 1
  SmallDib() {
    auto* h = reinterpret_cast<BITMAPINFOHEADER*>(info.data());
    *h = BITMAPINFOHEADER{};
    h->biWidth = 2;
    h->biHeight = 2;
    h->biBitCount = 8;
    h->biClrUsed = 4;
    auto* t = reinterpret_cast<RGBQUAD*>(info.data() + sizeof(BITMAPINFOHEADER));
    t[0] = QuadFromColor(RGB(255, 0, 0));
    t[1] = QuadFromColor(RGB(0, 255, 0));
    t[2] = QuadFromColor(RGB(0, 0, 255));
    t[3] = QuadFromColor(RGB(255, 255, 0));
  }
  const BITMAPINFO* bmi() const { return reinterpret_cast<const BITMAPINFO*>(info.data()); }
};

TEST(BlitTest, DibCopiesUseTheDibsOwnColourTableAndRowOrder) {
  SmallDib dib;
  Canvas dst(4, 4, 24);
  StretchDIBits(dst.dc(), 0, 0, 4, 4, 0, 0, 2, 2, dib.bits, dib.bmi(), DIB_RGB_COLORS, SRCCOPY);
  EXPECT_EQ(dst.Map(), Pic({"RRGG", "RRGG", "BBYY", "BBYY"}));
  dst.Clear('.');
  // Only the bottom scan line is supplied: it lands on the lower row.
  SetDIBitsToDevice(dst.dc(), 1, 1, 2, 2, 0, 0, 0, 1, dib.bits, dib.bmi(), DIB_RGB_COLORS);
  EXPECT_EQ(dst.Map(), Pic({"....", "....", ".BY.", "...."}));
}

TEST(BlitTest, DibBitsRoundTripAtEveryDepth) {
  for (int bpp : {1, 4, 8, 16, 24, 32}) {
    SCOPED_TRACE(bpp);
    Canvas canvas(3, 2, 24);
    canvas.Paint(Pic({"W.W", ".WW"}));
    std::vector<uint8_t> info(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD) + 12);
    auto* h = reinterpret_cast<BITMAPINFOHEADER*>(info.data());
    *h = BITMAPINFOHEADER{};
    h->biWidth = 3;
    h->biHeight = -2;  // top-down
    h->biBitCount = static_cast<WORD>(bpp);
    std::vector<uint8_t> bits(static_cast<size_t>(DibStride(3, bpp)) * 2, 0xEE);
    auto* bmi = reinterpret_cast<BITMAPINFO*>(info.data());
    ASSERT_EQ(GetDIBits(canvas.dc(), canvas.bitmap(), 0, 2, bits.data(), bmi, DIB_RGB_COLORS), 2);
    EXPECT_EQ(h->biSizeImage, bits.size());
    if (bpp == 24) {
      // Top-down: the first row in memory is the top one; padding is zeroed.
      EXPECT_EQ(bits[0], 0xFF);
      EXPECT_EQ(bits[3], 0x00);
      EXPECT_EQ(bits[9], 0x00);
      EXPECT_EQ(bits[11], 0x00);
    }
    Canvas back(3, 2, 24);
    ASSERT_EQ(SetDIBits(back.dc(), back.bitmap(), 0, 2, bits.data(), bmi, DIB_RGB_COLORS), 2);
    EXPECT_EQ(back.Map(), Pic({"W.W", ".WW"}));
  }
}

}  // namespace
