// JPEG images: compression round trips, library errors and file formats.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "platform/vcl/GraphicsPicture.h"
#include "platform/vcl/Jpeg.h"
#include "platform/vcl/Streams.h"
#include "support/TempDir.h"

namespace vcltest {
namespace {

using namespace vcl;

// Flat 8 x 8 blocks of distinct colours, which JPEG keeps closely.
const TColor kBlocks[2][4] = {{clRed, clLime, clBlue, clWhite}, {clYellow, clNavy, clGray, clBlack}};

std::unique_ptr<TBitmap> Blocks() {
  auto bmp = std::make_unique<TBitmap>();
  bmp->SetPixelFormat(pf24bit);
  bmp->SetSize(32, 16);
  for (int row = 0; row < 2; ++row)
    for (int col = 0; col < 4; ++col) {
      bmp->Canvas()->Brush()->SetColor(kBlocks[row][col]);
      bmp->Canvas()->FillRect(Bounds(col * 8, row * 8, 8, 8));
    }
  return bmp;
}

int Distance(TColor a, TColor b) {
  int d = 0;
  for (int shift : {0, 8, 16}) d = std::max(d, std::abs(((a >> shift) & 0xFF) - ((b >> shift) & 0xFF)));
  return d;
}

std::vector<uint8_t> Compressed(TJPEGImage& jpeg) {
  TMemoryStream stream;
  jpeg.SaveToStream(stream);
  return std::vector<uint8_t>(stream.Memory(), stream.Memory() + stream.Size());
}

void LoadBytes(TJPEGImage& jpeg, const std::vector<uint8_t>& bytes) {
  TMemoryStream stream;
  stream.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
  stream.SetPosition(0);
  jpeg.LoadFromStream(stream);
  jpeg.DIBNeeded();
}

TEST(JpegTest, QualityNinetyRoundTripKeepsSizeAndColours) {
  auto bmp = Blocks();
  TJPEGImage jpeg;
  EXPECT_EQ(jpeg.CompressionQuality(), 90);
  jpeg.Assign(bmp.get());
  std::vector<uint8_t> bytes = Compressed(jpeg);
  ASSERT_GT(bytes.size(), 4u);
  EXPECT_EQ(bytes[0], 0xFF);
  EXPECT_EQ(bytes[1], 0xD8);

  TJPEGImage back;
  LoadBytes(back, bytes);
  EXPECT_EQ(back.Width(), 32);
  EXPECT_EQ(back.Height(), 16);
  TBitmap decoded;
  decoded.Assign(&back);
  ASSERT_EQ(decoded.Width(), 32);
  for (int row = 0; row < 2; ++row)
    for (int col = 0; col < 4; ++col) {
      TColor got = decoded.Canvas()->Pixels(col * 8 + 4, row * 8 + 4);
      EXPECT_LE(Distance(got, kBlocks[row][col]), 24) << row << "," << col << " " << std::hex << got;
    }
}

TEST(JpegTest, QualityAndGrayscaleApplyToTheNextCompression) {
  // Noise compresses very differently at low and high quality.
  auto bmp = Blocks();
  uint32_t seed = 1;
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 32; ++x) {
      seed = seed * 1103515245u + 12345u;
      bmp->Canvas()->SetPixels(x, y, static_cast<TColor>(seed >> 8) & 0xFFFFFF);
    }
  TJPEGImage jpeg;
  jpeg.Assign(bmp.get());
  size_t high = Compressed(jpeg).size();
  jpeg.SetCompressionQuality(10);
  size_t low = Compressed(jpeg).size();
  EXPECT_LT(low, high);

  jpeg.SetGrayscale(true);
  TJPEGImage grey;
  LoadBytes(grey, Compressed(jpeg));
  TColor c = grey.Bitmap()->Canvas()->Pixels(5, 5);
  EXPECT_EQ(c & 0xFF, (c >> 8) & 0xFF);
  EXPECT_EQ(c & 0xFF, (c >> 16) & 0xFF);
}

TEST(JpegTest, CorruptDataRaisesLibraryErrorAndKeepsTheImage) {
  TJPEGImage source;
  auto bmp = Blocks();
  source.Assign(bmp.get());
  const std::vector<uint8_t> good = Compressed(source);

  // Offset of the first marker `code` (0xFF code), for corrupting its fields.
  auto marker = [&](uint8_t code) {
    for (size_t i = 0; i + 1 < good.size(); ++i)
      if (good[i] == 0xFF && good[i + 1] == code) return i;
    ADD_FAILURE() << "no marker " << int(code);
    return size_t{0};
  };
  struct Case {
    const char* name;
    size_t keep;  // bytes kept (0: all)
    size_t at;    // where `patch` goes
    std::vector<uint8_t> patch;
  };
  const Case cases[] = {
      {"no start of image", 0, 0, {0x00}},
      {"empty", 1, 0, {}},
      {"header cut short", 20, 0, {}},
      {"frame of height zero", 0, marker(0xC0) + 5, {0x00, 0x00}},
      {"Huffman table index out of range", 0, marker(0xC4) + 4, {0x07}},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    std::vector<uint8_t> bad(good.begin(),
                             good.begin() + static_cast<ptrdiff_t>(k.keep ? k.keep : good.size()));
    std::copy(k.patch.begin(), k.patch.end(), bad.begin() + static_cast<ptrdiff_t>(k.at));
    if (k.keep == 1) bad.clear();
    TJPEGImage target;
    LoadBytes(target, good);
    try {
      LoadBytes(target, bad);
      FAIL() << "no exception";
    } catch (const EJPEG& e) {
      EXPECT_EQ(e.Message().rfind("JPEG error #", 0), 0u) << e.Message();
    }
    EXPECT_EQ(target.Width(), 32);
    EXPECT_EQ(Compressed(target), good);
  }
}

TEST(JpegTest, PictureChoosesJpegByExtension) {
  RegisterJpegFileFormat();
  EXPECT_EQ(TPicture::FileFormatDescription("jpg"), "JPEG Image File");
  EXPECT_EQ(TPicture::FileFormatDescription(".JPEG"), "JPEG Image File");
  testsupport::TempDir dir;
  auto bmp = Blocks();
  TJPEGImage jpeg;
  jpeg.Assign(bmp.get());
  struct Case {
    const char* file;
    TClass cls;
  };
  bmp->SaveToFile(dir.File("view.bmp"));
  jpeg.SaveToFile(dir.File("view.jpg"));
  jpeg.SaveToFile(dir.File("view.JPEG"));
  for (Case k : {Case{"view.bmp", TBitmap::StaticClass()}, Case{"view.jpg", TJPEGImage::StaticClass()},
                 Case{"view.JPEG", TJPEGImage::StaticClass()}}) {
    SCOPED_TRACE(k.file);
    TPicture picture;
    picture.LoadFromFile(dir.File(k.file));
    ASSERT_NE(picture.Graphic(), nullptr);
    EXPECT_EQ(picture.Graphic()->ClassType(), k.cls);
    EXPECT_EQ(picture.Width(), 32);
    EXPECT_EQ(picture.Height(), 16);
  }
}

TEST(JpegTest, DrawsDecodedPixelsOnACanvas) {
  auto bmp = Blocks();
  TJPEGImage jpeg;
  TJPEGImage loaded;
  jpeg.Assign(bmp.get());
  LoadBytes(loaded, Compressed(jpeg));
  TBitmap target;
  target.SetPixelFormat(pf24bit);
  target.SetSize(40, 20);
  target.Canvas()->Draw(4, 2, &loaded);
  EXPECT_LE(Distance(target.Canvas()->Pixels(4 + 20, 2 + 4), clBlue), 24);
  EXPECT_EQ(target.Canvas()->Pixels(39, 19), clWhite);
  EXPECT_THROW(loaded.SetWidth(10), EInvalidGraphicOperation);
}

}  // namespace
}  // namespace vcltest
