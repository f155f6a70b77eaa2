#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "displays/DibCanvasTestSupport.h"
#include "displays/MMDIBCv.h"
#include "engine/MMDIB.h"
#include "engine/MMUtils.h"

namespace {

using namespace plat;
using dibcvtest::PixelMap;
using displays::EMMDIBError;
using displays::TDIBDrawingPass;
using displays::TMMDIBCanvas;
using displays::TRect;
using C = displays::TMMDIBCanvas;

std::vector<RGBQUAD> ColorTable(TMMDIBCanvas& canvas) {
  std::vector<RGBQUAD> table(256);
  table.resize(GetDIBColorTable(canvas.Handle(), 0, 256, table.data()));
  return table;
}

std::vector<PALETTEENTRY> PaletteEntries(HPALETTE palette) {
  std::vector<PALETTEENTRY> entries(256);
  entries.resize(GetPaletteEntries(palette, 0, 256, entries.data()));
  return entries;
}

COLORREF Rgb(const RGBQUAD& q) { return RGB(q.rgbRed, q.rgbGreen, q.rgbBlue); }
COLORREF Rgb(const PALETTEENTRY& e) { return RGB(e.peRed, e.peGreen, e.peBlue); }

std::string ErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const EMMDIBError& e) {
    return e.Message();
  }
  return "no error";
}

TEST(DIBCanvas, NewCanvasHoldsOneBlackPixelAt8Bits) {
  TMMDIBCanvas canvas(nullptr);
  EXPECT_EQ(canvas.BitsPerPixel(), 8);
  EXPECT_EQ(canvas.Width(), 1);
  EXPECT_EQ(canvas.Height(), 1);
  EXPECT_TRUE(canvas.HandleAllocated());
  ASSERT_NE(canvas.PixelBits(), nullptr);
  EXPECT_EQ(canvas.PixelBits()[0], 0);
  EXPECT_EQ(Rgb(ColorTable(canvas)[0]), RGB(0, 0, 0));
  EXPECT_EQ(canvas.BackGroundBits(), nullptr);
}

TEST(DIBCanvas, ZeroWidthKeepsAOnePixelDIBWithNothingToClip) {
  TMMDIBCanvas canvas(nullptr);
  canvas.SetWidth(0);
  canvas.SetHeight(3);
  EXPECT_FALSE(canvas.HandleAllocated());  // rebuilt lazily
  canvas.CheckDIB();
  EXPECT_EQ(canvas.Width(), 0);
  const TRect clip = canvas.ClipRect();
  EXPECT_EQ(clip.right - clip.left, 0);
  EXPECT_EQ(clip.bottom, 3);
  DIBSECTION ds;
  ASSERT_EQ(GetObject(GetCurrentObject(canvas.Handle(), OBJ_BITMAP), sizeof ds, &ds), int{sizeof ds});
  EXPECT_EQ(ds.dsBm.bmWidth, 1);
  EXPECT_EQ(ds.dsBm.bmHeight, 3);
  TDIBDrawingPass pass(canvas);
  C::DIB_SetColor(7);
  C::DIB_Clear();
  C::DIB_FillRect(TRect{-5, -5, 5, 5});
  EXPECT_EQ(C::DIB_GetPixel(0, 0), -1);
  EXPECT_EQ(canvas.PixelBits()[0], 0);
}

TEST(DIBCanvas, RefusesDepthsOtherThan8And24) {
  TMMDIBCanvas canvas(nullptr);
  EXPECT_EQ(ErrorOf([&] { canvas.SetBitsPerPixel(16); }), "Bitlength not supported yet");
  EXPECT_EQ(canvas.BitsPerPixel(), 8);
  canvas.SetBitsPerPixel(24);
  DIBSECTION ds;
  GetObject(GetCurrentObject(canvas.Handle(), OBJ_BITMAP), sizeof ds, &ds);
  EXPECT_EQ(ds.dsBm.bmBitsPixel, 24);
}

TEST(DIBCanvas, ChangesThatRebuildTheDIBAreRefusedInsideAPass) {
  vcl::TComponent owner(nullptr);
  TMMDIBCanvas canvas(&owner);
  dibcvtest::Prepare(canvas, 4, 2, 8);
  const std::string refused = "TComponent: Attempt to create new DIB while initialized for drawing";
  TDIBDrawingPass pass(canvas);
  uint8_t* bits = canvas.PixelBits();
  EXPECT_EQ(ErrorOf([&] { canvas.SetBitsPerPixel(24); }), refused);
  EXPECT_EQ(ErrorOf([&] { canvas.SetPaletteRealize(true); }), refused);
  EXPECT_EQ(ErrorOf([&] { canvas.SetAnimatedColorCount(4); }), refused);
  EXPECT_EQ(ErrorOf([&] { canvas.RecreateDIB(); }), refused);
  // Nothing changed under the pass: same depth, same pixels.
  EXPECT_EQ(canvas.BitsPerPixel(), 8);
  EXPECT_FALSE(canvas.PaletteRealize());
  EXPECT_EQ(canvas.AnimatedColorCount(), 0);
  EXPECT_EQ(canvas.PixelBits(), bits);
  C::DIB_SetColor(1);
  C::DIB_Clear();
  EXPECT_EQ(bits[0], 1);
}

TEST(DIBCanvas, PaletteHoldsTheStaticColoursAroundABlackMiddle) {
  TMMDIBCanvas canvas(nullptr);
  engine::TGlobalPtr<LOGPALETTE> system(engine::CreateSystemLogPalette());
  const auto table = ColorTable(canvas);
  const auto entries = PaletteEntries(canvas.Palette());
  ASSERT_EQ(table.size(), 256u);
  ASSERT_EQ(entries.size(), 256u);
  for (int i = 0; i < 256; ++i) {
    const bool middle = i >= 10 && i <= 245;
    const COLORREF expected = middle ? RGB(0, 0, 0) : Rgb(system->palPalEntry[i]);
    EXPECT_EQ(Rgb(table[i]), expected) << i;
    EXPECT_EQ(Rgb(entries[i]), expected) << i;
  }
}

TEST(DIBCanvas, PrivatePaletteFillsEntries10To246) {
  std::vector<uint8_t> block(4 + 300 * sizeof(PALETTEENTRY));
  auto* palette = reinterpret_cast<LOGPALETTE*>(block.data());
  palette->palVersion = 0x300;
  palette->palNumEntries = 200;
  for (int i = 0; i < 200; ++i) palette->palPalEntry[i] = PALETTEENTRY{BYTE(i), 7, BYTE(255 - i), 0};
  TMMDIBCanvas canvas(nullptr);
  canvas.SetLogPalette(palette);
  engine::TGlobalPtr<LOGPALETTE> system(engine::CreateSystemLogPalette());
  auto entries = PaletteEntries(canvas.Palette());
  EXPECT_EQ(Rgb(entries[9]), Rgb(system->palPalEntry[9]));
  EXPECT_EQ(Rgb(entries[10]), RGB(10, 7, 245));
  EXPECT_EQ(entries[10].peFlags, PC_NOCOLLAPSE);
  EXPECT_EQ(Rgb(entries[199]), RGB(199, 7, 56));
  EXPECT_EQ(Rgb(entries[200]), RGB(0, 0, 0));  // past the private palette's count
  EXPECT_EQ(Rgb(entries[246]), RGB(0, 0, 0));
  EXPECT_EQ(Rgb(entries[247]), Rgb(system->palPalEntry[247]));
  EXPECT_EQ(canvas.ColorToDIB(RGB(120, 7, 135)), 120);

  // An invalid palette leaves the default one.
  palette->palVersion = 0x200;
  canvas.SetLogPalette(palette);
  entries = PaletteEntries(canvas.Palette());
  EXPECT_EQ(Rgb(entries[10]), RGB(0, 0, 0));
  palette->palVersion = 0x300;
  palette->palNumEntries = 257;
  canvas.SetLogPalette(palette);
  EXPECT_EQ(Rgb(PaletteEntries(canvas.Palette())[10]), RGB(0, 0, 0));
}

TEST(DIBCanvas, AnimatedBlockEndsAtEntry246WithColoursNoOtherEntryHolds) {
  struct Case {
    int count;
    int first;
  } cases[] = {{3, 244}, {236, 11}, {1, 246}, {0, 256}};
  for (const Case& c : cases) {
    TMMDIBCanvas canvas(nullptr);
    canvas.SetAnimatedColorCount(c.count);
    EXPECT_EQ(canvas.AnimatedColorCount(), c.count);
    EXPECT_EQ(canvas.AnimatedColorIndex(0), c.first);
    const auto entries = PaletteEntries(canvas.Palette());
    for (int i = c.first; i < 247 && c.count > 0; ++i) {
      EXPECT_EQ(entries[i].peFlags, PC_RESERVED) << i;
      for (int k = 0; k < 256; ++k) {
        if (k == i) continue;
        EXPECT_NE(Rgb(entries[k]), Rgb(entries[i])) << i << " vs " << k;
      }
    }
  }
  TMMDIBCanvas canvas(nullptr);
  canvas.SetAnimatedColorCount(3);
  // The smallest free values, in order: black is taken by entry 0.
  const auto entries = PaletteEntries(canvas.Palette());
  EXPECT_EQ(Rgb(entries[244]), 1u);
  EXPECT_EQ(Rgb(entries[245]), 2u);
  EXPECT_EQ(Rgb(entries[246]), 3u);
  EXPECT_EQ(ErrorOf([&] { canvas.SetAnimatedColorCount(237); }), "Invalid count of animated colors");
  EXPECT_EQ(ErrorOf([&] { canvas.SetAnimatedColorCount(-1); }), "Invalid count of animated colors");
  EXPECT_EQ(canvas.AnimatedColorCount(), 3);
}

TEST(DIBCanvas, AnimationChangesTheColourTableNotThePixels) {
  TMMDIBCanvas canvas(nullptr);
  dibcvtest::Prepare(canvas, 3, 1, 8);
  canvas.SetAnimatedColorCount(2);
  {
    TDIBDrawingPass pass(canvas);
    C::DIB_SetColor(canvas.AnimatedColorIndex(1));
    C::DIB_HLine(0, 2, 0);
  }
  std::vector<uint8_t> before(canvas.PixelBits(), canvas.PixelBits() + 4);
  canvas.SetAnimatedColor(1, vcl::clRed);
  EXPECT_EQ(std::vector<uint8_t>(canvas.PixelBits(), canvas.PixelBits() + 4), before);
  EXPECT_EQ(Rgb(ColorTable(canvas)[246]), RGB(255, 0, 0));
  EXPECT_EQ(Rgb(PaletteEntries(canvas.Palette())[246]), RGB(255, 0, 0));
  EXPECT_EQ(PaletteEntries(canvas.Palette())[246].peFlags, PC_RESERVED);
  EXPECT_EQ(GetPixel(canvas.Handle(), 1, 0), RGB(255, 0, 0));
  EXPECT_EQ(GetPixel(canvas.Handle(), 2, 0), RGB(0, 0, 0));
  EXPECT_EQ(ErrorOf([&] { canvas.SetAnimatedColor(2, vcl::clRed); }), "Invalidate animated color index");
  EXPECT_EQ(ErrorOf([&] { canvas.SetAnimatedColor(-1, vcl::clRed); }), "Invalidate animated color index");
}

TEST(DIBCanvas, BatchesWriteOnlyAtTheOutermostEnd) {
  TMMDIBCanvas canvas(nullptr);
  canvas.SetAnimatedColorCount(2);
  const COLORREF first = Rgb(ColorTable(canvas)[245]);
  canvas.BeginAnimate();
  canvas.BeginAnimate();
  canvas.SetAnimatedColor(1, vcl::clLime);
  canvas.EndAnimate();
  EXPECT_EQ(Rgb(ColorTable(canvas)[246]), 2u) << "an inner end writes nothing";
  canvas.EndAnimate();
  EXPECT_EQ(Rgb(ColorTable(canvas)[245]), first);
  EXPECT_EQ(Rgb(ColorTable(canvas)[246]), RGB(0, 255, 0));
  EXPECT_EQ(Rgb(PaletteEntries(canvas.Palette())[246]), RGB(0, 255, 0));
  // An unmatched end changes nothing.
  canvas.EndAnimate();
  canvas.SetAnimatedColor(0, vcl::clBlue);
  EXPECT_EQ(Rgb(ColorTable(canvas)[245]), RGB(0, 0, 255));
}

TEST(DIBCanvas, ColoursConvertToPixelValuesOfTheDepth) {
  TMMDIBCanvas canvas(nullptr);
  const auto entries = PaletteEntries(canvas.Palette());
  const int red = canvas.ColorToDIB(vcl::clRed);
  EXPECT_EQ(Rgb(entries[red]), RGB(255, 0, 0));
  {
    TDIBDrawingPass pass(canvas);
    canvas.DIB_SetTColor(vcl::clRed);
    C::DIB_Clear();
    EXPECT_EQ(C::DIB_GetPixel(0, 0), red);
  }
  canvas.SetBitsPerPixel(24);
  EXPECT_EQ(canvas.ColorToDIB(vcl::clRed), 0x0000FF);
  TDIBDrawingPass pass(canvas);
  canvas.DIB_SetTColor(vcl::clBlue);
  C::DIB_Clear();
  const uint8_t* p = canvas.PixelBits();
  EXPECT_EQ(p[0], 255);  // blue byte first
  EXPECT_EQ(p[1], 0);
  EXPECT_EQ(p[2], 0);
}

// A 24-bit bitmap: red in the top-left pixel, blue everywhere else.
std::unique_ptr<vcl::TBitmap> MarkedBitmap(int width, int height) {
  auto bitmap = std::make_unique<vcl::TBitmap>();
  bitmap->SetPixelFormat(vcl::pf24bit);
  bitmap->SetSize(width, height);
  bitmap->Canvas()->Brush()->SetColor(vcl::clBlue);
  bitmap->Canvas()->FillRect(TRect{0, 0, width, height});
  bitmap->Canvas()->SetPixels(0, 0, vcl::clRed);
  return bitmap;
}

TEST(DIBCanvas, BackgroundIsTiledFromTheTopLeftCorner) {
  TMMDIBCanvas canvas(nullptr);
  dibcvtest::Prepare(canvas, 300, 100, 24);
  canvas.SetStretchBackGround(false);
  auto bitmap = MarkedBitmap(128, 128);
  canvas.SetBackGroundBitmap(bitmap.get());
  ASSERT_NE(canvas.BackGroundBits(), nullptr);
  const uint8_t* bg = canvas.BackGroundBits();
  for (int x : {0, 128, 256}) EXPECT_EQ(dibcvtest::RawPixel(canvas, bg, x, 0), 0x0000FFu) << x;
  for (int x : {1, 127, 129, 299}) EXPECT_EQ(dibcvtest::RawPixel(canvas, bg, x, 0), 0xFF0000u) << x;
  EXPECT_EQ(dibcvtest::RawPixel(canvas, bg, 0, 99), 0xFF0000u);
  // The drawing DIB itself starts black.
  EXPECT_EQ(dibcvtest::RawPixel(canvas, canvas.PixelBits(), 0, 0), 0u);
}

TEST(DIBCanvas, BackgroundIsStretchedOverTheWholeDIB) {
  auto bitmap = std::make_unique<vcl::TBitmap>();
  bitmap->SetPixelFormat(vcl::pf24bit);
  bitmap->SetSize(2, 1);
  bitmap->Canvas()->SetPixels(0, 0, vcl::clRed);
  bitmap->Canvas()->SetPixels(1, 0, vcl::clBlue);
  TMMDIBCanvas canvas(nullptr);
  dibcvtest::Prepare(canvas, 10, 4, 24);
  canvas.SetBackGroundBitmap(bitmap.get());
  const uint8_t* bg = canvas.BackGroundBits();
  ASSERT_NE(bg, nullptr);
  for (int y = 0; y < 4; ++y) {
    EXPECT_EQ(dibcvtest::RawPixel(canvas, bg, 0, y), 0x0000FFu);
    EXPECT_EQ(dibcvtest::RawPixel(canvas, bg, 4, y), 0x0000FFu);
    EXPECT_EQ(dibcvtest::RawPixel(canvas, bg, 5, y), 0xFF0000u);
    EXPECT_EQ(dibcvtest::RawPixel(canvas, bg, 9, y), 0xFF0000u);
  }
  // Copied under a frame as the displays do; emptied by assigning nothing.
  {
    TDIBDrawingPass pass(canvas);
    C::DIB_CopyRect(canvas.BackGroundBits(), 0, 0, 10, 4, 0, 0);
  }
  EXPECT_EQ(dibcvtest::RawPixel(canvas, canvas.PixelBits(), 9, 3), 0xFF0000u);
  canvas.SetBackGroundBitmap(nullptr);
  EXPECT_EQ(canvas.BackGroundBits(), nullptr);
}

TEST(DIBCanvas, BackgroundColoursFillThePaletteAt8Bits) {
  auto bitmap = std::make_unique<vcl::TBitmap>();
  bitmap->SetPixelFormat(vcl::pf8bit);
  bitmap->SetSize(2, 2);
  std::vector<PALETTEENTRY> colours(256);
  for (int i = 0; i < 256; ++i) colours[i] = PALETTEENTRY{BYTE(i), BYTE(100), BYTE(3), 0};
  engine::TGlobalPtr<LOGPALETTE> log(static_cast<LOGPALETTE*>(engine::GlobalAllocZeroed(4 + 256 * 4)));
  log->palVersion = 0x300;
  log->palNumEntries = 256;
  std::memcpy(log->palPalEntry, colours.data(), 256 * 4);
  bitmap->SetPalette(CreatePalette(log.get()));
  TMMDIBCanvas canvas(nullptr);
  canvas.SetBackGroundBitmap(bitmap.get());
  const auto entries = PaletteEntries(canvas.Palette());
  EXPECT_EQ(Rgb(entries[10]), RGB(10, 100, 3));
  EXPECT_EQ(Rgb(entries[244]), RGB(244, 100, 3));
  EXPECT_EQ(Rgb(entries[245]), RGB(0, 0, 0));
}

TEST(DIBCanvas, DrawToDCCopiesThePartInsideTheDIB) {
  TMMDIBCanvas canvas(nullptr);
  dibcvtest::Prepare(canvas, 3, 2, 24);
  {
    TDIBDrawingPass pass(canvas);
    C::DIB_SetColor(RGB(10, 20, 30));
    C::DIB_Clear();
    C::DIB_SetPixel(2, 1, RGB(200, 0, 0));
    TMMDIBCanvas target(nullptr);
    // A target canvas is a separate DIB; its own pass is not opened here.
    dibcvtest::Prepare(target, 6, 4, 24);
    canvas.DrawToDC(target.Handle(), TRect{1, 1, 6, 6}, 1, 0);
    EXPECT_EQ(GetPixel(target.Handle(), 0, 0), RGB(0, 0, 0));
    EXPECT_EQ(GetPixel(target.Handle(), 1, 1), RGB(10, 20, 30));
    EXPECT_EQ(GetPixel(target.Handle(), 2, 2), RGB(200, 0, 0));
    EXPECT_EQ(GetPixel(target.Handle(), 3, 1), RGB(0, 0, 0));  // beyond the DIB
    canvas.SetPaletteMapped(true);
    canvas.DrawToDC(nullptr, TRect{0, 0, 3, 2}, 0, 0);
  }
}

TEST(DIBCanvas, DrawToDCRealisesThePaletteAndPutsTheOldOneBack) {
  TMMDIBCanvas canvas(nullptr);
  canvas.SetPaletteRealize(true);
  TMMDIBCanvas target(nullptr);
  HDC dc = target.Handle();
  HPALETTE before = static_cast<HPALETTE>(GetCurrentObject(dc, OBJ_PAL));
  canvas.DrawToDC(dc, TRect{0, 0, 1, 1}, 0, 0);
  EXPECT_EQ(static_cast<HPALETTE>(GetCurrentObject(dc, OBJ_PAL)), before);
}

}  // namespace
