// Graphics objects, device capabilities, palettes and regions.
#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "platform/gdi/Colors.h"
#include "tests/platform/gdi/GdiTestSupport.h"

namespace {

using namespace gditest;

TEST(ObjectsTest, SelectionRulesAndDeletion) {
  HDC a = CreateCompatibleDC(nullptr);
  HDC b = CreateCompatibleDC(nullptr);
  // A new memory DC holds a 1 x 1 monochrome bitmap, so compatible bitmaps made
  // from it are monochrome too.
  BITMAP bm;
  ASSERT_EQ(GetObject(GetCurrentObject(a, OBJ_BITMAP), sizeof bm, &bm), static_cast<int>(sizeof bm));
  EXPECT_EQ(bm.bmWidth, 1);
  EXPECT_EQ(bm.bmBitsPixel, 1);
  HBITMAP compatible = CreateCompatibleBitmap(a, 3, 3);
  GetObject(compatible, sizeof bm, &bm);
  EXPECT_EQ(bm.bmBitsPixel, 1);

  HBITMAP colour = CreateBitmap(4, 4, 1, 32, nullptr);
  HGDIOBJ old = SelectObject(a, colour);
  EXPECT_NE(old, nullptr);
  EXPECT_EQ(SelectObject(b, colour), nullptr) << "a bitmap lives in one DC at a time";
  EXPECT_FALSE(DeleteObject(colour)) << "a selected object stays";
  HPEN pen = CreatePen(PS_SOLID, 1, 0);
  SelectObject(b, pen);
  EXPECT_FALSE(DeleteObject(pen));
  EXPECT_EQ(SelectObject(b, GetStockObject(BLACK_PEN)), pen);
  EXPECT_TRUE(DeleteObject(pen));
  EXPECT_EQ(GetObjectType(pen), 0u);
  EXPECT_EQ(SelectObject(b, pen), nullptr);

  EXPECT_EQ(SelectObject(a, old), colour);
  EXPECT_NE(SelectObject(b, colour), nullptr);
  EXPECT_TRUE(DeleteDC(b));
  EXPECT_TRUE(DeleteObject(colour)) << "deleting the DC released the bitmap";
  EXPECT_TRUE(DeleteObject(GetStockObject(WHITE_BRUSH)));
  EXPECT_EQ(GetObjectType(GetStockObject(WHITE_BRUSH)), OBJ_BRUSH);
  EXPECT_EQ(GetObjectType(a), OBJ_MEMDC);
  DeleteObject(compatible);
  DeleteDC(a);
}

TEST(ObjectsTest, HandlesAreNeverReused) {
  std::set<HGDIOBJ> seen;
  for (int i = 0; i < 50; ++i) {
    HBRUSH b = CreateSolidBrush(RGB(i, 0, 0));
    EXPECT_TRUE(seen.insert(b).second);
    DeleteObject(b);
  }
}

TEST(ObjectsTest, DibSectionsDescribeThemselvesAndKeepTheirBits) {
  struct Case {
    int bpp, width, height;
    LONG stride;
  };
  for (const Case c :
       {Case{1, 9, 2, 4}, Case{4, 9, -2, 8}, Case{8, 5, 3, 8}, Case{24, 3, 2, 12}, Case{32, 3, -2, 12}}) {
    SCOPED_TRACE(c.bpp);
    std::vector<uint8_t> info(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD));
    auto* h = reinterpret_cast<BITMAPINFOHEADER*>(info.data());
    *h = BITMAPINFOHEADER{};
    h->biWidth = c.width;
    h->biHeight = c.height;
    h->biBitCount = static_cast<WORD>(c.bpp);
    reinterpret_cast<RGBQUAD*>(h + 1)[1] = RGBQUAD{255, 255, 255, 0};
    void* bits = nullptr;
    HBITMAP bm = CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(info.data()), DIB_RGB_COLORS, &bits,
                                  nullptr, 0);
    ASSERT_NE(bm, nullptr);
    DIBSECTION ds;
    ASSERT_EQ(GetObject(bm, sizeof ds, &ds), static_cast<int>(sizeof ds));
    EXPECT_EQ(ds.dsBm.bmBits, bits);
    EXPECT_EQ(ds.dsBm.bmWidthBytes, c.stride);
    EXPECT_EQ(ds.dsBmih.biHeight, c.height);
    EXPECT_EQ(ds.dsBmih.biSizeImage, static_cast<DWORD>(c.stride * std::abs(c.height)));
    // Drawing at the top-left lands in the first row in memory only for top-down DIBs.
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, bm);
    RECT pixel{0, 0, 1, 1};
    FillRect(dc, &pixel, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    auto* p = static_cast<uint8_t*>(bits);
    size_t last_row = static_cast<size_t>(c.stride) * (std::abs(c.height) - 1);
    EXPECT_NE(c.height < 0 ? p[0] : p[last_row], 0);
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(bm);
  }
  BITMAPINFOHEADER bad{};
  bad.biWidth = 4;
  bad.biHeight = 4;
  bad.biBitCount = 8;
  bad.biCompression = BI_RLE8;
  void* bits = reinterpret_cast<void*>(1);
  EXPECT_EQ(CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&bad), DIB_RGB_COLORS, &bits, nullptr, 0),
            nullptr);
  EXPECT_EQ(bits, nullptr);
}

TEST(ObjectsTest, DeviceCapabilitiesOfTheScreenAndOfAnEightBitDisplay) {
  HDC mem = CreateCompatibleDC(nullptr);
  EXPECT_EQ(GetDeviceCaps(mem, BITSPIXEL), 32);
  EXPECT_EQ(GetDeviceCaps(mem, RASTERCAPS) & RC_PALETTE, 0);
  EXPECT_EQ(GetDeviceCaps(mem, LOGPIXELSY), 96);
  EXPECT_EQ(GetDeviceCaps(mem, PLANES), 1);
  std::vector<uint8_t> pixels(16);
  Surface screen;
  screen.width = screen.height = 4;
  screen.bits_per_pixel = 8;
  screen.stride = 4;
  screen.bits = pixels.data();
  screen.colors = DefaultColorTable(8);
  HDC dc = CreateDCForSurface(&screen);
  EXPECT_NE(GetDeviceCaps(dc, RASTERCAPS) & RC_PALETTE, 0);
  EXPECT_EQ(GetDeviceCaps(dc, SIZEPALETTE), 256);
  EXPECT_EQ(GetDeviceCaps(dc, NUMCOLORS), 20);
  HDC compatible = CreateCompatibleDC(dc);
  EXPECT_EQ(GetDeviceCaps(compatible, BITSPIXEL), 8);
  DeleteDC(compatible);
  DeleteDC(dc);
  DeleteDC(mem);
}

TEST(ObjectsTest, SurfaceDcsDrawAtTheirOriginInsideTheVisibleRegion) {
  std::vector<uint32_t> pixels(6 * 4, 0);
  Surface surface;
  surface.width = 6;
  surface.height = 4;
  surface.bits_per_pixel = 32;
  surface.stride = 24;
  surface.bits = reinterpret_cast<uint8_t*>(pixels.data());
  Region visible(RECT{0, 0, 3, 2});
  HDC dc = CreateDCForSurface(&surface, POINT{2, 1}, &visible);
  RECT all{-5, -5, 10, 10};
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  std::string map;
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 6; ++x) map += pixels[y * 6 + x] == 0x00FFFFFFu ? 'W' : '.';
  EXPECT_EQ(map, "........WWW...WWW.......");
  RECT box;
  EXPECT_EQ(GetClipBox(dc, &box), SIMPLEREGION);
  EXPECT_EQ(box.right, 3);
  EXPECT_EQ(box.bottom, 2);

  // Text coverage blends in the text colour; indexed or not, full coverage is the colour.
  {
    GdiLock lock;
    DeviceContext* d = LookupDC(dc);
    const uint8_t coverage[2] = {255, 128};
    d->BlendCoverage(2, 1, 2, 1, coverage, 2, RGB(255, 0, 0));
  }
  EXPECT_EQ(pixels[1 * 6 + 2], 0x00FF0000u);
  EXPECT_EQ(pixels[1 * 6 + 3], 0x00FF7F7Fu);
  DeleteDC(dc);
}

TEST(PaletteTest, NearestIndexEntriesAndAnimation) {
  std::vector<uint8_t> mem(sizeof(LOGPALETTE) + 3 * sizeof(PALETTEENTRY));
  auto* lp = reinterpret_cast<LOGPALETTE*>(mem.data());
  lp->palVersion = 0x300;
  lp->palNumEntries = 4;
  PALETTEENTRY* e = lp->palPalEntry;
  e[0] = {0, 0, 0, 0};
  e[1] = {255, 0, 0, PC_RESERVED};
  e[2] = {0, 255, 0, 0};
  e[3] = {10, 10, 10, PC_RESERVED};
  HPALETTE pal = CreatePalette(lp);
  ASSERT_NE(pal, nullptr);
  EXPECT_EQ(GetNearestPaletteIndex(pal, RGB(200, 30, 30)), 1u);
  EXPECT_EQ(GetNearestPaletteIndex(pal, RGB(5, 5, 5)), 0u) << "ties go to the first entry";
  WORD count = 0;
  GetObject(pal, sizeof count, &count);
  EXPECT_EQ(count, 4);

  const PALETTEENTRY fresh[4] = {
      {1, 1, 1, 0}, {0, 0, 255, PC_RESERVED}, {2, 2, 2, 0}, {3, 3, 3, PC_RESERVED}};
  EXPECT_TRUE(AnimatePalette(pal, 0, 4, fresh));
  PALETTEENTRY got[4];
  EXPECT_EQ(GetPaletteEntries(pal, 0, 4, got), 4u);
  EXPECT_EQ(got[0].peRed, 0) << "entries not reserved for animation keep their colour";
  EXPECT_EQ(got[1].peBlue, 255);
  EXPECT_EQ(got[2].peGreen, 255);
  EXPECT_EQ(got[3].peRed, 3);
  EXPECT_EQ(GetPaletteEntries(pal, 3, 10, got), 1u);

  HDC dc = CreateCompatibleDC(nullptr);
  EXPECT_EQ(SelectPalette(dc, pal, FALSE), GetStockObject(DEFAULT_PALETTE));
  EXPECT_FALSE(DeleteObject(pal));
  SelectPalette(dc, static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE)), FALSE);
  DeleteDC(dc);
  EXPECT_TRUE(DeleteObject(pal));
}

TEST(PaletteTest, NearestIndexFollowsEveryChangeOfTheEntries) {
  // The answers are remembered for colours asked again: each way of changing
  // the entries must make the next answer come from the new entries.
  std::vector<uint8_t> mem(sizeof(LOGPALETTE) + 2 * sizeof(PALETTEENTRY));
  auto* lp = reinterpret_cast<LOGPALETTE*>(mem.data());
  lp->palVersion = 0x300;
  lp->palNumEntries = 3;
  lp->palPalEntry[0] = {0, 0, 0, 0};
  lp->palPalEntry[1] = {255, 0, 0, PC_RESERVED};
  lp->palPalEntry[2] = {0, 0, 255, 0};
  HPALETTE pal = CreatePalette(lp);
  ASSERT_NE(pal, nullptr);
  const COLORREF red = RGB(250, 0, 0), blue = RGB(0, 0, 250);
  // More colours than are remembered, then the first ones again.
  for (BYTE v = 0; v < 20; ++v) GetNearestPaletteIndex(pal, RGB(v, 0, 0));
  EXPECT_EQ(GetNearestPaletteIndex(pal, red), 1u);
  EXPECT_EQ(GetNearestPaletteIndex(pal, blue), 2u);
  EXPECT_EQ(GetNearestPaletteIndex(pal, RGB(3, 0, 0)), 0u);

  const PALETTEENTRY set[1] = {{0, 0, 255, 0}};
  ASSERT_EQ(SetPaletteEntries(pal, 0, 1, set), 1u);
  EXPECT_EQ(GetNearestPaletteIndex(pal, blue), 0u) << "the first of two equal entries";
  EXPECT_EQ(GetNearestPaletteIndex(pal, red), 1u);

  const PALETTEENTRY animated[1] = {{0, 255, 0, PC_RESERVED}};
  ASSERT_TRUE(AnimatePalette(pal, 1, 1, animated));
  EXPECT_EQ(GetNearestPaletteIndex(pal, red), 0u) << "red has gone from entry 1";
  EXPECT_EQ(GetNearestPaletteIndex(pal, RGB(0, 250, 0)), 1u);

  ASSERT_TRUE(ResizePalette(pal, 1));
  EXPECT_EQ(GetNearestPaletteIndex(pal, RGB(0, 250, 0)), 0u) << "entry 1 is gone";
  EXPECT_TRUE(DeleteObject(pal));
}

TEST(PaletteTest, SystemPaletteHoldsTheTwentyStaticColours) {
  PALETTEENTRY sys[256];
  ASSERT_EQ(GetSystemPaletteEntries(nullptr, 0, 256, sys), 256u);
  EXPECT_EQ(RGB(sys[8].peRed, sys[8].peGreen, sys[8].peBlue), RGB(192, 220, 192));
  EXPECT_EQ(RGB(sys[9].peRed, sys[9].peGreen, sys[9].peBlue), RGB(166, 202, 240));
  EXPECT_EQ(RGB(sys[246].peRed, sys[246].peGreen, sys[246].peBlue), RGB(255, 251, 240));
  EXPECT_EQ(RGB(sys[255].peRed, sys[255].peGreen, sys[255].peBlue), RGB(255, 255, 255));
  PALETTEENTRY def[20];
  EXPECT_EQ(GetPaletteEntries(static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE)), 0, 20, def), 20u);
  EXPECT_EQ(def[19].peBlue, 255);
}

TEST(PaletteTest, ColourTableChangesRecolourWithoutTouchingPixels) {
  Canvas canvas(2, 1, 8);
  canvas.Paint("RG");
  const uint8_t before[2] = {canvas.bits()[0], canvas.bits()[1]};
  // Copied once before the change: the copy after it must not reuse the old colours.
  Canvas screen(2, 1, 24);
  BitBlt(screen.dc(), 0, 0, 2, 1, canvas.dc(), 0, 0, SRCCOPY);
  EXPECT_EQ(screen.Map(), "RG");
  RGBQUAD entry = QuadFromColor(RGB(0, 0, 255));
  EXPECT_EQ(SetDIBColorTable(canvas.dc(), before[0], 1, &entry), 1u);
  EXPECT_EQ(canvas.bits()[0], before[0]);
  EXPECT_EQ(canvas.bits()[1], before[1]);
  BitBlt(screen.dc(), 0, 0, 2, 1, canvas.dc(), 0, 0, SRCCOPY);
  EXPECT_EQ(screen.Map(), "BG");
  RGBQUAD table[256];
  EXPECT_EQ(GetDIBColorTable(canvas.dc(), 0, 300, table), 256u);
  EXPECT_EQ(ColorFromQuad(table[before[0]]), RGB(0, 0, 255));
}

TEST(PaletteTest, AnimationOnAnEightBitDisplayChangesItsColoursNotItsPixels) {
  std::vector<uint8_t> pixels(4, 0);
  Surface screen;
  screen.width = 4;
  screen.height = 1;
  screen.bits_per_pixel = 8;
  screen.stride = 4;
  screen.bits = pixels.data();
  screen.colors = DefaultColorTable(8);
  HDC dc = CreateDCForSurface(&screen);
  std::vector<uint8_t> mem(sizeof(LOGPALETTE) + sizeof(PALETTEENTRY));
  auto* lp = reinterpret_cast<LOGPALETTE*>(mem.data());
  lp->palVersion = 0x300;
  lp->palNumEntries = 2;
  lp->palPalEntry[0] = {1, 2, 3, PC_RESERVED};
  lp->palPalEntry[1] = {4, 5, 6, PC_RESERVED};
  HPALETTE pal = CreatePalette(lp);
  SelectPalette(dc, pal, FALSE);
  EXPECT_EQ(RealizePalette(dc), 2u);
  SetPixelV(dc, 0, 0, PALETTEINDEX(1));
  uint8_t index = pixels[0];
  EXPECT_EQ(ColorFromQuad(screen.colors[index]), RGB(4, 5, 6));
  const PALETTEENTRY moved[1] = {{200, 100, 50, PC_RESERVED}};
  AnimatePalette(pal, 1, 1, moved);
  EXPECT_EQ(pixels[0], index);
  EXPECT_EQ(ColorFromQuad(screen.colors[index]), RGB(200, 100, 50));
  SelectPalette(dc, static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE)), FALSE);
  DeleteDC(dc);
  DeleteObject(pal);
}

TEST(ColorsTest, SystemColoursAndClassLibraryValues) {
  EXPECT_EQ(GetSysColor(COLOR_BTNFACE), RGB(192, 192, 192));
  EXPECT_EQ(GetSysColor(COLOR_WINDOW), RGB(255, 255, 255));
  EXPECT_EQ(ColorToRGB(static_cast<int32_t>(0x80000000u | COLOR_BTNSHADOW)), RGB(128, 128, 128));
  EXPECT_EQ(ColorToRGB(0x00123456), 0x00123456u);
  LOGBRUSH lb;
  ASSERT_EQ(GetObject(GetSysColorBrush(COLOR_HIGHLIGHT), sizeof lb, &lb), static_cast<int>(sizeof lb));
  EXPECT_EQ(lb.lbColor, GetSysColor(COLOR_HIGHLIGHT));
}

}  // namespace
