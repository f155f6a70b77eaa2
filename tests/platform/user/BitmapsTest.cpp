#include <gtest/gtest.h>

#include <vector>

#include "platform/gdi/BmpFile.h"
#include "platform/gdi/Colors.h"
#include "platform/gdi/Gdi.h"
#include "platform/kernel/Modules.h"
#include "platform/user/Bitmaps.h"

using namespace plat;

namespace {

// The check mark a menu painter draws in its own colour: ink takes the text
// colour, the rest the background colour.
TEST(SystemBitmaps, CheckMarkTakesTheColoursOfTheDc) {
  HBITMAP check = LoadBitmapA(nullptr, MAKEINTRESOURCEA(OBM_CHECK));
  ASSERT_NE(check, nullptr);
  BITMAP info;
  ASSERT_EQ(GetObject(check, sizeof info, &info), static_cast<int>(sizeof info));
  EXPECT_EQ(info.bmWidth, 13);
  EXPECT_EQ(info.bmHeight, 13);
  EXPECT_EQ(info.bmBitsPixel, 1);

  HDC target = CreateCompatibleDC(nullptr);
  HBITMAP surface = CreateBitmap(13, 13, 1, 32, nullptr);
  HGDIOBJ old_target = SelectObject(target, surface);
  HDC source = CreateCompatibleDC(nullptr);
  HGDIOBJ old_source = SelectObject(source, check);
  SetTextColor(target, RGB(0, 0, 128));
  SetBkColor(target, RGB(255, 255, 255));
  ASSERT_TRUE(BitBlt(target, 0, 0, 13, 13, source, 0, 0, SRCCOPY));
  int ink = 0;
  for (int y = 0; y < 13; ++y)
    for (int x = 0; x < 13; ++x) {
      const COLORREF c = GetPixel(target, x, y);
      EXPECT_TRUE(c == RGB(0, 0, 128) || c == RGB(255, 255, 255)) << x << "," << y;
      ink += c == RGB(0, 0, 128);
    }
  EXPECT_GT(ink, 10);
  EXPECT_EQ(GetPixel(target, 0, 0), RGB(255, 255, 255));
  SelectObject(source, old_source);
  SelectObject(target, old_target);
  DeleteDC(source);
  DeleteDC(target);
  DeleteObject(surface);
  DeleteObject(check);

  EXPECT_NE(LoadBitmapA(nullptr, MAKEINTRESOURCEA(OBM_MNARROW)), nullptr);
  EXPECT_EQ(LoadBitmapA(nullptr, MAKEINTRESOURCEA(1)), nullptr);
}

TEST(SystemBitmaps, ModuleBitmapsComeFromTheirResources) {
  DibImage image;
  image.header.biWidth = 3;
  image.header.biHeight = 2;
  image.header.biBitCount = 24;
  image.bits.assign(static_cast<size_t>(image.Stride()) * 2, 0);
  image.bits[2] = 0xFF;  // bottom row, first pixel red
  const std::vector<uint8_t> bmp = WriteBmp(image);
  const std::vector<uint8_t> junk = {'B', 'M', 1, 2, 3};
  static ResourceEntry entries[2];
  entries[0] = ResourceEntry{ResourceKey{RT_BITMAP_ID, nullptr}, ResourceKey{0, "GOOD"}, bmp.data(),
                             static_cast<DWORD>(bmp.size())};
  entries[1] = ResourceEntry{ResourceKey{RT_BITMAP_ID, nullptr}, ResourceKey{0, "JUNK"}, junk.data(),
                             static_cast<DWORD>(junk.size())};
  RegisterBuiltinModule("bitmapfixture", {});
  HMODULE module = LoadLibraryA("bitmapfixture.dll");
  ASSERT_NE(module, nullptr);
  static const ResourceTable table{entries, 2};
  RegisterResourceTable(module, table);
  HBITMAP good = LoadBitmapA(module, "good");
  ASSERT_NE(good, nullptr);
  BITMAP info;
  GetObject(good, sizeof info, &info);
  EXPECT_EQ(info.bmWidth, 3);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, good);
  EXPECT_EQ(GetPixel(dc, 0, 1), RGB(255, 0, 0));
  SelectObject(dc, old);
  DeleteDC(dc);
  DeleteObject(good);
  EXPECT_EQ(LoadBitmapA(module, "JUNK"), nullptr);
  EXPECT_EQ(LoadBitmapA(module, "MISSING"), nullptr);
  UnregisterResourceTable(module, table);
  FreeLibrary(module);
}

}  // namespace
