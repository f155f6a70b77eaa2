// Fonts, pens, brushes, canvases and bitmaps: drawing checked by pixels, text
// by its measured rectangles, BMP images by round trips.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "platform/gdi/Font.h"
#include "platform/gdi/Text.h"
#include "platform/kernel/Resources.h"
#include "platform/vcl/Graphics.h"
#include "platform/vcl/GraphicsBitmap.h"
#include "platform/vcl/GraphicsPicture.h"
#include "platform/vcl/Streams.h"
#include "platform/vcl/TypInfo.h"
#include "support/TempDir.h"

namespace vcltest {
namespace {

using namespace vcl;

// A 24-bit bitmap of the given size, filled with one colour.
std::unique_ptr<TBitmap> Filled(int width, int height, TColor color, TPixelFormat format = pf24bit) {
  auto bitmap = std::make_unique<TBitmap>();
  bitmap->SetPixelFormat(format);
  bitmap->SetSize(width, height);
  bitmap->Canvas()->Brush()->SetColor(color);
  bitmap->Canvas()->FillRect(Rect(0, 0, width, height));
  return bitmap;
}

TEST(CanvasDrawingTest, RectangleHasPenOutlineAndBrushInterior) {
  auto bmp = Filled(10, 10, clWhite);
  TCanvas* c = bmp->Canvas();
  c->Pen()->SetColor(clRed);
  c->Brush()->SetColor(clBlue);
  c->Rectangle(1, 1, 6, 5);
  EXPECT_EQ(c->Pixels(1, 1), clRed);
  EXPECT_EQ(c->Pixels(5, 4), clRed);  // right and bottom are exclusive
  EXPECT_EQ(c->Pixels(3, 1), clRed);
  EXPECT_EQ(c->Pixels(3, 3), clBlue);
  EXPECT_EQ(c->Pixels(6, 5), clWhite);
  EXPECT_EQ(c->Pixels(6, 2), clWhite);

  c->Brush()->SetStyle(bsClear);
  c->Pen()->SetColor(clLime);
  c->Rectangle(0, 0, 10, 10);
  EXPECT_EQ(c->Pixels(0, 0), clLime);
  EXPECT_EQ(c->Pixels(3, 3), clBlue);  // a clear brush leaves the interior
}

TEST(CanvasDrawingTest, LineLeavesOutItsEndPointAndMovesThePen) {
  auto bmp = Filled(8, 4, clWhite);
  TCanvas* c = bmp->Canvas();
  c->Pen()->SetColor(clNavy);
  c->MoveTo(1, 2);
  c->LineTo(6, 2);
  EXPECT_EQ(c->Pixels(1, 2), clNavy);
  EXPECT_EQ(c->Pixels(5, 2), clNavy);
  EXPECT_EQ(c->Pixels(6, 2), clWhite);
  EXPECT_EQ(c->PenPos().x, 6);
  EXPECT_EQ(c->PenPos().y, 2);
}

TEST(CanvasDrawingTest, PixelsResolveSystemColours) {
  auto bmp = Filled(4, 4, clWhite);
  TCanvas* c = bmp->Canvas();
  c->SetPixels(2, 3, clRed);
  c->SetPixels(0, 0, clBtnFace);
  EXPECT_EQ(c->Pixels(2, 3), clRed);
  EXPECT_EQ(static_cast<plat::COLORREF>(c->Pixels(0, 0)), ColorToRGB(clBtnFace));
  EXPECT_EQ(c->Pixels(1, 1), clWhite);
}

TEST(CanvasDrawingTest, FillAndFrameUseTheBrush) {
  auto bmp = Filled(8, 8, clWhite);
  TCanvas* c = bmp->Canvas();
  c->Brush()->SetColor(clGreen);
  c->FrameRect(Rect(1, 1, 7, 7));
  EXPECT_EQ(c->Pixels(1, 1), clGreen);
  EXPECT_EQ(c->Pixels(6, 6), clGreen);
  EXPECT_EQ(c->Pixels(3, 3), clWhite);
  c->Brush()->SetColor(clMaroon);
  c->FillRect(Rect(2, 2, 4, 4));
  EXPECT_EQ(c->Pixels(3, 3), clMaroon);
  EXPECT_EQ(c->Pixels(4, 4), clWhite);
}

TEST(CanvasDrawingTest, Frame3DDrawsRingsAndShrinksTheRectangle) {
  struct Case {
    int width;
    TColor at_1_1;  // the second ring's top-left corner
  };
  for (Case k : {Case{1, clWhite}, Case{2, clYellow}}) {
    SCOPED_TRACE(k.width);
    auto bmp = Filled(10, 8, clWhite);
    TRect r = Rect(0, 0, 10, 8);
    Frame3D(bmp->Canvas(), r, clYellow, clNavy, k.width);
    EXPECT_EQ(r.left, k.width);
    EXPECT_EQ(r.top, k.width);
    EXPECT_EQ(r.right, 10 - k.width);
    EXPECT_EQ(r.bottom, 8 - k.width);
    TCanvas* c = bmp->Canvas();
    EXPECT_EQ(c->Pixels(0, 0), clYellow);
    EXPECT_EQ(c->Pixels(4, 0), clYellow);
    EXPECT_EQ(c->Pixels(0, 4), clYellow);
    EXPECT_EQ(c->Pixels(9, 0), clNavy);  // top-right corner belongs to the bottom colour
    EXPECT_EQ(c->Pixels(0, 7), clNavy);  // and so does bottom-left
    EXPECT_EQ(c->Pixels(9, 7), clNavy);
    EXPECT_EQ(c->Pixels(1, 1), k.at_1_1);
    EXPECT_EQ(c->Pixels(4, 4), clWhite);
  }
}

TEST(CanvasDrawingTest, CopyRectAppliesTheCopyMode) {
  struct Case {
    TCopyMode mode;
    TColor expected;
  };
  for (Case k : {Case{cmSrcCopy, clRed}, Case{cmNotSrcCopy, clAqua}, Case{cmSrcAnd, clBlack}}) {
    auto src = Filled(4, 4, clRed);
    auto dst = Filled(6, 6, clBlue);
    dst->Canvas()->SetCopyMode(k.mode);
    dst->Canvas()->CopyRect(Rect(1, 1, 3, 3), src->Canvas(), Rect(0, 0, 2, 2));
    EXPECT_EQ(dst->Canvas()->Pixels(1, 1), k.expected);
    EXPECT_EQ(dst->Canvas()->Pixels(2, 2), k.expected);
    EXPECT_EQ(dst->Canvas()->Pixels(3, 3), clBlue);
  }
}

TEST(CanvasDrawingTest, BrushCopyReplacesOneColourWithTheBrush) {
  auto src = Filled(3, 1, clRed);
  src->Canvas()->SetPixels(1, 0, clFuchsia);
  auto dst = Filled(3, 1, clWhite);
  dst->Canvas()->Brush()->SetColor(clLime);
  dst->Canvas()->BrushCopy(Rect(0, 0, 3, 1), src.get(), Rect(0, 0, 3, 1), clFuchsia);
  EXPECT_EQ(dst->Canvas()->Pixels(0, 0), clRed);
  EXPECT_EQ(dst->Canvas()->Pixels(1, 0), clLime);
  EXPECT_EQ(dst->Canvas()->Pixels(2, 0), clRed);
}

// ---- text ------------------------------------------------------------------

TEST(CanvasTextTest, TextWidthIsTheExtentTheDeviceMeasures) {
  auto bmp = Filled(10, 10, clWhite);
  TCanvas* c = bmp->Canvas();
  c->Font()->SetName("Arial");
  c->Font()->SetSize(10);
  TSize extent = c->TextExtent("Spectrum 1 kHz");
  ASSERT_GT(extent.cx, 0);

  // The same font, measured on a DC of its own.
  plat::LOGFONTA lf;
  ASSERT_EQ(plat::GetObject(c->Font()->Handle(), sizeof(lf), &lf), static_cast<int>(sizeof(lf)));
  EXPECT_EQ(lf.lfHeight, -13);
  plat::HDC dc = plat::CreateCompatibleDC(nullptr);
  plat::HFONT font = plat::CreateFontIndirectA(&lf);
  plat::HGDIOBJ old = plat::SelectObject(dc, font);
  plat::SIZE expected;
  plat::GetTextExtentPoint32A(dc, "Spectrum 1 kHz", 14, &expected);
  plat::SelectObject(dc, old);
  plat::DeleteObject(font);
  plat::DeleteDC(dc);
  EXPECT_EQ(extent.cx, expected.cx);
  EXPECT_EQ(extent.cy, expected.cy);
  EXPECT_EQ(c->TextWidth("Spectrum 1 kHz"), expected.cx);
  EXPECT_EQ(c->TextHeight("Spectrum 1 kHz"), expected.cy);
}

TEST(CanvasTextTest, TextOutStaysInsideItsMeasuredRectangle) {
  auto bmp = Filled(80, 30, clWhite);
  TCanvas* c = bmp->Canvas();
  c->Font()->SetName("Arial");
  c->Font()->SetColor(clBlack);
  c->Brush()->SetStyle(bsClear);
  TSize size = c->TextExtent("Wg");
  c->TextOut(5, 4, "Wg");
  EXPECT_EQ(c->PenPos().x, 5 + size.cx);
  bool inked = false;
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 80; ++x) {
      bool inside = x >= 5 && x < 5 + size.cx && y >= 4 && y < 4 + size.cy;
      if (inside) {
        inked = inked || c->Pixels(x, y) != clWhite;
      } else {
        ASSERT_EQ(c->Pixels(x, y), clWhite) << x << "," << y;
      }
    }
  EXPECT_TRUE(inked);
}

TEST(CanvasTextTest, TextRectClipsAndFillsWithTheBrush) {
  auto bmp = Filled(40, 20, clWhite);
  TCanvas* c = bmp->Canvas();
  c->Brush()->SetColor(clYellow);
  c->TextRect(Rect(2, 2, 12, 12), 2, 2, "MMMMMMMMMM");
  EXPECT_EQ(c->Pixels(12, 5), clWhite);
  EXPECT_EQ(c->Pixels(30, 5), clWhite);
  EXPECT_EQ(c->Pixels(11, 11), clYellow);  // below the text, still in the rectangle
}

TEST(CanvasTextTest, FontChangeDeselectsTheFontFromTheDC) {
  auto bmp = Filled(10, 10, clWhite);
  TCanvas* c = bmp->Canvas();
  plat::HDC dc = c->Handle();
  int small = c->TextHeight("X");
  plat::HGDIOBJ first = plat::GetCurrentObject(dc, plat::OBJ_FONT);
  EXPECT_EQ(first, c->Font()->Handle());

  c->Font()->SetSize(24);
  EXPECT_NE(plat::GetCurrentObject(dc, plat::OBJ_FONT), first);
  int large = c->TextHeight("X");
  EXPECT_EQ(plat::GetCurrentObject(dc, plat::OBJ_FONT), c->Font()->Handle());
  EXPECT_NE(c->Font()->Handle(), first);
  EXPECT_GT(large, small);
}

TEST(CanvasTextTest, PenChangeTakesEffectOnTheNextLine) {
  auto bmp = Filled(6, 2, clWhite);
  TCanvas* c = bmp->Canvas();
  c->Pen()->SetColor(clRed);
  c->MoveTo(0, 0);
  c->LineTo(6, 0);
  c->Pen()->SetColor(clGreen);
  c->MoveTo(0, 1);
  c->LineTo(6, 1);
  EXPECT_EQ(c->Pixels(2, 0), clRed);
  EXPECT_EQ(c->Pixels(2, 1), clGreen);
}

// ---- fonts, pens and brushes ---------------------------------------------------

TEST(GraphicsObjectTest, FontSizeAndHeightConvertAt96Dpi) {
  struct Case {
    int size, height;
  };
  for (Case k : {Case{8, -11}, Case{10, -13}, Case{12, -16}, Case{7, -9}}) {
    TFont font;
    font.SetSize(k.size);
    EXPECT_EQ(font.Height(), k.height) << k.size;
    EXPECT_EQ(font.Size(), k.size);
  }
  TFont font;
  EXPECT_EQ(font.Size(), 8);  // the default font
}

TEST(GraphicsObjectTest, PublishedFontPropertiesReachTheHandle) {
  TFont font;
  SetPropValue(&font, "Name", "Arial");
  SetPropValue(&font, "Style", "[fsBold,fsItalic]");
  SetPropValue(&font, "Height", "-16");
  SetPropValue(&font, "Color", "clRed");
  EXPECT_EQ(font.Name(), "Arial");
  EXPECT_EQ(font.Color(), clRed);
  plat::LOGFONTA lf;
  ASSERT_GT(plat::GetObject(font.Handle(), sizeof(lf), &lf), 0);
  EXPECT_STREQ(lf.lfFaceName, "Arial");
  EXPECT_EQ(lf.lfHeight, -16);
  EXPECT_EQ(lf.lfWeight, plat::FW_BOLD);
  EXPECT_EQ(lf.lfItalic, 1);
  EXPECT_EQ(GetPropValue(&font, "Style"), "[fsBold,fsItalic]");
  EXPECT_FALSE(GetPropInfo(&font, "Size")->IsStored(&font));
}

TEST(GraphicsObjectTest, WritersNotifyOnlyRealChanges) {
  TPen pen;
  int changes = 0;
  pen.OnChange = [&](TObject*) { ++changes; };
  pen.SetColor(clBlack);  // the default
  pen.SetWidth(1);
  EXPECT_EQ(changes, 0);
  pen.SetColor(clRed);
  pen.SetMode(pmXor);
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(PenModeToROP2(pmXor), plat::R2_XORPEN);
  EXPECT_EQ(PenModeToROP2(pmNotCopy), plat::R2_NOTCOPYPEN);
}

TEST(GraphicsObjectTest, EqualAttributesShareOneHandleUntilOneChanges) {
  TBrush a, b;
  a.SetColor(clTeal);
  b.SetColor(clTeal);
  plat::HBRUSH shared = a.Handle();
  EXPECT_EQ(b.Handle(), shared);
  a.SetColor(clOlive);
  EXPECT_NE(a.Handle(), shared);
  EXPECT_EQ(b.Handle(), shared);
  EXPECT_NE(plat::GetObjectType(shared), 0u);  // b still uses it
  plat::LOGBRUSH lb;
  ASSERT_GT(plat::GetObject(a.Handle(), sizeof(lb), &lb), 0);
  EXPECT_EQ(lb.lbColor, ColorToRGB(clOlive));
}

TEST(GraphicsObjectTest, ColouringAClearBrushMakesItSolid) {
  TBrush brush;
  brush.SetStyle(bsClear);
  brush.SetColor(clRed);
  EXPECT_EQ(brush.Style(), bsSolid);
}

// ---- canvas handle and lock ----------------------------------------------------

// A canvas that makes its DC on first use, as the memory DIB canvases do.
class LazyCanvas : public TCanvas {
 public:
  ~LazyCanvas() override {
    SetHandle(nullptr);
    if (dc_ != nullptr) {
      plat::SelectObject(dc_, old_);
      plat::DeleteDC(dc_);
      plat::DeleteObject(bitmap_);
    }
  }
  int creates = 0;

 protected:
  void CreateHandle() override {
    ++creates;
    dc_ = plat::CreateCompatibleDC(nullptr);
    bitmap_ = plat::CreateBitmap(4, 4, 1, 32, nullptr);
    old_ = plat::SelectObject(dc_, bitmap_);
    SetHandle(dc_);
  }

 private:
  plat::HDC dc_ = nullptr;
  plat::HBITMAP bitmap_ = nullptr;
  plat::HGDIOBJ old_ = nullptr;
};

TEST(CanvasHandleTest, HandleIsCreatedOnFirstUseByTheDescendant) {
  LazyCanvas canvas;
  EXPECT_FALSE(canvas.HandleAllocated());
  canvas.SetPixels(1, 1, clRed);
  EXPECT_TRUE(canvas.HandleAllocated());
  EXPECT_EQ(canvas.Pixels(1, 1), clRed);
  canvas.Rectangle(0, 0, 4, 4);
  EXPECT_EQ(canvas.creates, 1);

  TCanvas plain;
  EXPECT_THROW(plain.Handle(), EInvalidOperation);
  EXPECT_THROW(plain.LineTo(1, 1), EInvalidOperation);
}

TEST(CanvasHandleTest, DrawingFiresChangingThenChanged) {
  auto bmp = Filled(4, 4, clWhite);
  std::string order;
  bmp->Canvas()->OnChanging = [&](TObject*) { order += "<"; };
  bmp->Canvas()->OnChange = [&](TObject*) { order += ">"; };
  bmp->Canvas()->FillRect(Rect(0, 0, 2, 2));
  EXPECT_EQ(order, "<>");
}

std::string Str(const TRect& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
         std::to_string(r.bottom);
}

TEST(CanvasHandleTest, RecorderHearsLinesTextAndFillsWithTheirColoursUntilDetached) {
  auto bmp = Filled(40, 20, clWhite);
  TCanvas* c = bmp->Canvas();
  std::vector<TCanvasCall> calls;
  c->SetRecorder([&](const TCanvasCall& call) { calls.push_back(call); });
  c->Pen()->SetColor(clRed);
  c->MoveTo(1, 2);
  c->LineTo(6, 2);
  c->LineTo(6, 9);
  c->Font()->SetColor(clBlue);
  c->TextOut(3, 4, "-5");
  const int pen_after_text = c->PenPos().x;
  c->Brush()->SetColor(clLime);
  c->FillRect(Rect(0, 0, 2, 3));
  c->SetRecorder(nullptr);
  c->LineTo(0, 0);

  ASSERT_EQ(calls.size(), 4u);
  EXPECT_EQ(calls[0].kind, ccLine);
  EXPECT_EQ(Str(calls[0].rect), Str(Rect(1, 2, 6, 2)));
  EXPECT_EQ(calls[0].color, clRed);
  EXPECT_EQ(Str(calls[1].rect), Str(Rect(6, 2, 6, 9)));
  EXPECT_EQ(calls[2].kind, ccText);
  EXPECT_EQ(calls[2].text, "-5");
  EXPECT_EQ(calls[2].color, clBlue);
  EXPECT_EQ(Str(calls[2].rect), Str(Bounds(3, 4, c->TextWidth("-5"), c->TextHeight("-5"))));
  EXPECT_EQ(pen_after_text, 3 + c->TextWidth("-5"));  // text still moves the pen
  EXPECT_EQ(calls[3].kind, ccFill);
  EXPECT_EQ(Str(calls[3].rect), Str(Rect(0, 0, 2, 3)));
  EXPECT_EQ(calls[3].color, clLime);
}

TEST(CanvasHandleTest, LockIsRecursiveAndExcludesOtherThreads) {
  TCanvas canvas;
  canvas.Lock();
  EXPECT_TRUE(canvas.TryLock());
  EXPECT_EQ(canvas.LockCount(), 2);
  bool other = true;
  std::thread([&] { other = canvas.TryLock(); }).join();
  EXPECT_FALSE(other);
  canvas.Unlock();
  canvas.Unlock();
  std::thread([&] {
    other = canvas.TryLock();
    if (other) canvas.Unlock();
  }).join();
  EXPECT_TRUE(other);
  EXPECT_EQ(canvas.LockCount(), 0);
}

// ---- bitmaps ------------------------------------------------------------------

// 4 x 3 pattern; the bottom-left pixel is fuchsia, the auto transparent colour.
std::unique_ptr<TBitmap> Sprite() {
  auto bmp = Filled(4, 3, clFuchsia);
  bmp->Canvas()->SetPixels(1, 0, clRed);
  bmp->Canvas()->SetPixels(2, 1, clLime);
  bmp->Canvas()->SetPixels(3, 2, clRed);
  return bmp;
}

TEST(BitmapDrawTest, TransparentDrawLeavesTransparentPixelsUntouched) {
  struct Case {
    const char* name;
    bool transparent;
    TColor fixed;  // clDefault: automatic
    TColor at_1_0, at_2_1, at_0_0;
  };
  const Case cases[] = {
      {"opaque", false, clDefault, clRed, clLime, clFuchsia},
      {"auto", true, clDefault, clRed, clLime, clBlue},
      {"fixed red", true, clRed, clBlue, clLime, clFuchsia},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    auto sprite = Sprite();
    sprite->SetTransparent(k.transparent);
    sprite->SetTransparentColor(k.fixed);
    auto dst = Filled(8, 6, clBlue);
    dst->Canvas()->Draw(2, 2, sprite.get());
    TCanvas* c = dst->Canvas();
    EXPECT_EQ(c->Pixels(3, 2), k.at_1_0);
    EXPECT_EQ(c->Pixels(4, 3), k.at_2_1);
    EXPECT_EQ(c->Pixels(2, 2), k.at_0_0);
    EXPECT_EQ(c->Pixels(1, 1), clBlue);
    EXPECT_EQ(c->Pixels(6, 4), clBlue);
  }
}

TEST(BitmapDrawTest, StretchDrawScalesTransparentBitmaps) {
  auto sprite = Sprite();
  sprite->SetTransparent(true);
  auto dst = Filled(8, 6, clBlue);
  dst->Canvas()->StretchDraw(Rect(0, 0, 8, 6), sprite.get());
  TCanvas* c = dst->Canvas();
  EXPECT_EQ(c->Pixels(2, 0), clRed);  // (1, 0) doubled
  EXPECT_EQ(c->Pixels(3, 1), clRed);
  EXPECT_EQ(c->Pixels(5, 3), clLime);  // (2, 1) doubled
  EXPECT_EQ(c->Pixels(0, 0), clBlue);
  EXPECT_EQ(c->Pixels(7, 0), clBlue);
}

TEST(BitmapTest, TransparentColourFollowsTheMode) {
  auto sprite = Sprite();
  EXPECT_EQ(sprite->TransparentMode(), tmAuto);
  EXPECT_EQ(sprite->TransparentColor(), clFuchsia);
  sprite->Canvas()->SetPixels(0, 2, clGreen);
  EXPECT_EQ(sprite->TransparentColor(), clGreen);
  sprite->SetTransparentMode(tmFixed);  // keeps the colour of the moment
  sprite->Canvas()->SetPixels(0, 2, clYellow);
  EXPECT_EQ(sprite->TransparentColor(), clGreen);
  sprite->SetTransparentColor(clDefault);
  EXPECT_EQ(sprite->TransparentMode(), tmAuto);
  EXPECT_EQ(sprite->TransparentColor(), clYellow);
}

TEST(BitmapTest, SetSizeKeepsTheImageAndWhitensNewArea) {
  auto bmp = Filled(2, 2, clRed);
  int changes = 0;
  bmp->OnChange = [&](TObject*) { ++changes; };
  bmp->SetSize(4, 3);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(bmp->Width(), 4);
  EXPECT_EQ(bmp->Height(), 3);
  EXPECT_EQ(bmp->Canvas()->Pixels(1, 1), clRed);
  EXPECT_EQ(bmp->Canvas()->Pixels(3, 2), clWhite);
  EXPECT_EQ(bmp->PixelFormat(), pf24bit);
  bmp->SetSize(0, 3);
  EXPECT_TRUE(bmp->Empty());
  EXPECT_EQ(bmp->Handle(), nullptr);
}

TEST(BitmapTest, AssignCopiesPixelsNotTheHandle) {
  auto src = Sprite();
  TBitmap copy;
  copy.Assign(src.get());
  EXPECT_NE(copy.Handle(), src->Handle());
  EXPECT_EQ(copy.PixelFormat(), pf24bit);
  src->Canvas()->SetPixels(1, 0, clBlue);
  EXPECT_EQ(copy.Canvas()->Pixels(1, 0), clRed);
  EXPECT_EQ(copy.Canvas()->Pixels(2, 1), clLime);
  copy.Assign(nullptr);
  EXPECT_TRUE(copy.Empty());
}

TEST(BitmapTest, ScanLineRowZeroIsTheTopRow) {
  auto bmp = Filled(3, 2, clWhite);
  auto* row = static_cast<uint8_t*>(bmp->ScanLine(0));
  row[0] = 0xFF;  // blue, green, red
  row[1] = 0x00;
  row[2] = 0x00;
  EXPECT_EQ(bmp->Canvas()->Pixels(0, 0), clBlue);
  EXPECT_EQ(bmp->Canvas()->Pixels(0, 1), clWhite);
  EXPECT_THROW(bmp->ScanLine(2), EInvalidGraphicOperation);

  TBitmap device;
  device.SetSize(2, 2);
  EXPECT_EQ(device.HandleType(), bmDDB);
  EXPECT_NE(device.ScanLine(1), nullptr);  // made a DIB on request
  EXPECT_EQ(device.HandleType(), bmDIB);
}

TEST(BitmapTest, PixelFormatConversionKeepsColours) {
  auto bmp = Sprite();
  bmp->SetPixelFormat(pf8bit);
  EXPECT_EQ(bmp->PixelFormat(), pf8bit);
  EXPECT_NE(bmp->Palette(), nullptr);
  EXPECT_EQ(bmp->Canvas()->Pixels(1, 0), clRed);
  bmp->SetPixelFormat(pf32bit);
  EXPECT_EQ(bmp->Canvas()->Pixels(2, 1), clLime);
  bmp->SetMonochrome(true);
  EXPECT_TRUE(bmp->Monochrome());
}

TEST(BitmapTest, DormantBitmapComesBackOnUse) {
  auto bmp = Sprite();
  bmp->Dormant();
  EXPECT_FALSE(bmp->HandleAllocated());
  EXPECT_EQ(bmp->Width(), 4);
  EXPECT_EQ(bmp->Canvas()->Pixels(1, 0), clRed);
  EXPECT_TRUE(bmp->HandleAllocated());
}

TEST(BitmapStreamTest, BmpRoundTripKeepsFormatAndPixels) {
  for (TPixelFormat format : {pf8bit, pf24bit}) {
    SCOPED_TRACE(format);
    auto bmp = Sprite();
    bmp->SetPixelFormat(format);
    TMemoryStream stream;
    bmp->SaveToStream(stream);
    ASSERT_GT(stream.Size(), 54);
    EXPECT_EQ(stream.Memory()[0], 'B');
    stream.SetPosition(0);
    TBitmap back;
    back.LoadFromStream(stream);
    EXPECT_EQ(back.PixelFormat(), format);
    EXPECT_EQ(back.Width(), 4);
    EXPECT_EQ(back.Height(), 3);
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 4; ++x)
        EXPECT_EQ(back.Canvas()->Pixels(x, y), bmp->Canvas()->Pixels(x, y)) << x << y;
  }
}

TEST(BitmapStreamTest, ConsecutiveImagesReadOneAtATime) {
  auto red = Filled(2, 2, clRed);
  auto blue = Filled(3, 1, clBlue);
  TMemoryStream stream;
  red->SaveToStream(stream);
  blue->SaveToStream(stream);
  stream.SetPosition(0);
  TBitmap a, b;
  a.LoadFromStream(stream);
  b.LoadFromStream(stream);
  EXPECT_EQ(a.Width(), 2);
  EXPECT_EQ(a.Canvas()->Pixels(1, 1), clRed);
  EXPECT_EQ(b.Width(), 3);
  EXPECT_EQ(b.Canvas()->Pixels(2, 0), clBlue);
  EXPECT_EQ(stream.Position(), stream.Size());
}

TEST(BitmapStreamTest, BadImageRaisesAndKeepsTheOldOne) {
  auto bmp = Sprite();
  TMemoryStream good;
  bmp->SaveToStream(good);
  const struct {
    const char* name;
    size_t keep;     // bytes of the good image kept
    int corrupt_at;  // -1: none
  } cases[] = {{"truncated pixels", 60, -1}, {"no signature", 0, 0}, {"short", 10, -1}};
  for (const auto& k : cases) {
    SCOPED_TRACE(k.name);
    TMemoryStream bad;
    size_t n = k.keep ? k.keep : static_cast<size_t>(good.Size());
    bad.WriteBuffer(good.Memory(), static_cast<int64_t>(n));
    if (k.corrupt_at >= 0) bad.Memory()[k.corrupt_at] = 'X';
    bad.SetPosition(0);
    auto target = Filled(2, 2, clRed);
    EXPECT_THROW(target->LoadFromStream(bad), EInvalidGraphic);
    EXPECT_EQ(target->Width(), 2);
    EXPECT_EQ(target->Canvas()->Pixels(0, 0), clRed);
  }
}

TEST(BitmapStreamTest, LoadsBitmapResourcesWithAndWithoutFileHeader) {
  auto bmp = Sprite();
  TMemoryStream file;
  bmp->SaveToStream(file);
  std::vector<plat::BYTE> with_header(file.Memory(), file.Memory() + file.Size());
  std::vector<plat::BYTE> bare(with_header.begin() + 14, with_header.end());
  const plat::ResourceEntry entries[] = {
      {{plat::RT_BITMAP_ID, nullptr},
       {0, "GFXTEST_FILE"},
       with_header.data(),
       static_cast<plat::DWORD>(with_header.size())},
      {{plat::RT_BITMAP_ID, nullptr}, {0, "GFXTEST_DIB"}, bare.data(), static_cast<plat::DWORD>(bare.size())},
  };
  plat::ResourceTable table{entries, 2};
  plat::RegisterResourceTable(nullptr, table);
  for (const char* name : {"gfxtest_file", "GfxTest_Dib"}) {
    SCOPED_TRACE(name);
    TBitmap loaded;
    loaded.LoadFromResourceName(nullptr, name);
    EXPECT_EQ(loaded.Width(), 4);
    EXPECT_EQ(loaded.Canvas()->Pixels(2, 1), clLime);
  }
  TBitmap missing;
  EXPECT_THROW(missing.LoadFromResourceName(nullptr, "GFXTEST_NONE"), EResNotFound);
  plat::UnregisterResourceTable(nullptr, table);
}

TEST(PictureTest, FileExtensionChoosesTheGraphicClass) {
  testsupport::TempDir dir;
  auto bmp = Sprite();
  bmp->SaveToFile(dir.File("sprite.BMP"));
  TPicture picture;
  int changes = 0;
  picture.OnChange = [&](TObject*) { ++changes; };
  picture.LoadFromFile(dir.File("sprite.BMP"));
  ASSERT_NE(picture.Graphic(), nullptr);
  EXPECT_EQ(picture.Graphic()->ClassType(), TBitmap::StaticClass());
  EXPECT_EQ(picture.Width(), 4);
  EXPECT_EQ(changes, 1);
  picture.Bitmap()->Canvas()->SetPixels(0, 0, clBlack);  // the picture hears its graphic
  EXPECT_EQ(changes, 2);

  try {
    picture.LoadFromFile(dir.File("sprite.xyz"));
    FAIL() << "no exception";
  } catch (const EInvalidGraphic& e) {
    EXPECT_EQ(e.Message(), "Unknown picture file extension (.xyz)");
  }
  EXPECT_EQ(picture.Width(), 4);  // unchanged
}

TEST(PictureTest, AssignAndBitmapGiveIndependentCopies) {
  auto bmp = Sprite();
  TPicture a;
  a.SetGraphic(bmp.get());
  EXPECT_NE(a.Graphic(), bmp.get());
  TPicture b;
  b.Assign(&a);
  EXPECT_EQ(b.Bitmap()->Canvas()->Pixels(1, 0), clRed);
  a.Bitmap()->Canvas()->SetPixels(1, 0, clBlue);
  EXPECT_EQ(b.Bitmap()->Canvas()->Pixels(1, 0), clRed);
  a.Assign(nullptr);
  EXPECT_EQ(a.Graphic(), nullptr);
}

}  // namespace
}  // namespace vcltest
