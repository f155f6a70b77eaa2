// The export texts from known values: decibel texts, the spreadsheet lines in
// the FFT and band modes, the equaliser files' lines and their band bins, the
// reading of result files that are longer, shorter, missing or broken, and
// the JPEG writer.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "app/Bands.h"
#include "app/Exports.h"
#include "platform/kernel/Locale.h"
#include "platform/vcl/Classes.h"
#include "platform/vcl/GraphicsBitmap.h"
#include "platform/vcl/Jpeg.h"
#include "platform/vcl/Streams.h"
#include "support/TempDir.h"

namespace {

class ExportsTest : public ::testing::Test {
 protected:
  void SetUp() override { plat::SetLocaleSeparators(plat::LocaleSeparators{'.', ','}); }
  void TearDown() override { plat::SetLocaleSeparators(std::nullopt); }

  std::string Write(const std::string& name, const std::string& text) {
    const std::string file = temp_.File(name);
    std::ofstream(file, std::ios::binary) << text;
    return file;
  }
  static std::string Lines(int count, const std::function<int64_t(int)>& value) {
    std::string text;
    for (int i = 0; i < count; ++i) text += std::to_string(value(i)) + "\r\n";
    return text;
  }

  testsupport::TempDir temp_;
};

TEST_F(ExportsTest, DecibelTexts) {
  struct Case {
    int32_t value;
    double reference;
    double offset;
    int decimals;
    const char* text;
  };
  const Case cases[] = {
      // The spreadsheet's rule.
      {290000, 290000, 0.1, 2, "0.10"},
      {29000, 290000, 0.1, 2, "-19.90"},
      {2900000, 290000, 0.1, 2, "20.10"},
      {1, 290000, 0.1, 2, "-109.15"},
      {-29000, 290000, 0.1, 2, "-19.90"},
      {0, 290000, 0.1, 2, "-Inf"},
      // The equaliser's: no decimals, padded to two characters.
      {131072, 131072, 0, 0, " 0"},
      {233085, 131072, 0, 0, " 5"},
      {414493, 131072, 0, 0, "10"},
      {65536, 131072, 0, 0, "-6"},
      // A reference below 1 counts as 1.
      {10, 0, 0, 0, "20"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    EXPECT_EQ(app::DecibelText(c.value, c.reference, c.offset, c.decimals), c.text);
  }
}

TEST_F(ExportsTest, SpreadsheetLinesInTheFftAndBandModes) {
  const std::vector<int32_t> first(app::kXlsTableSize, 290000);
  const std::vector<int32_t> second(app::kXlsTableSize, 29000);
  app::TBandTable bands;
  ASSERT_TRUE(app::BuildBandTable(bands, 32, 20, 24000));

  // FFT 2048: 1023 lines, frequencies (i + 1) * 21.53.
  std::vector<std::string> lines = app::XlsExportLines(first, second, 1024, bands.Centres);
  ASSERT_EQ(lines.size(), 1023u);
  EXPECT_EQ(lines[0], "0.10 amp1;-19.90 amp2;21.53 freq");
  EXPECT_EQ(lines[1], "0.10 amp1;-19.90 amp2;43.06 freq");
  EXPECT_EQ(lines[2], "0.10 amp1;-19.90 amp2;64.59 freq");
  EXPECT_EQ(lines[1022], "0.10 amp1;-19.90 amp2;22025.19 freq");

  // FFT 4096 keeps the same spacing, past the files' 1024 values.
  const std::vector<int32_t> short_first(1024, 290000);
  lines = app::XlsExportLines(short_first, second, 2048, bands.Centres);
  ASSERT_EQ(lines.size(), 2047u);
  EXPECT_EQ(lines[1023], "0.10 amp1;-19.90 amp2;22046.72 freq");
  EXPECT_EQ(lines[1024], "-Inf amp1;-19.90 amp2;22068.25 freq");
  EXPECT_EQ(lines[2046], "-Inf amp1;-19.90 amp2;44071.91 freq");

  // 1/3 octave: 31 lines at the bands' centres.
  lines = app::XlsExportLines(first, second, 32, bands.Centres);
  ASSERT_EQ(lines.size(), 31u);
  const char* centres[] = {"20", "25", "31", "39", "49", "62", "78", "99", "124", "156"};
  for (size_t i = 0; i < std::size(centres); ++i)
    EXPECT_EQ(lines[i], std::string("0.10 amp1;-19.90 amp2;") + centres[i] + " freq");

  // The user's decimal separator.
  plat::SetLocaleSeparators(plat::LocaleSeparators{',', '.'});
  EXPECT_EQ(app::XlsExportLines(first, second, 1024, bands.Centres)[1], "0,10 amp1;-19,90 amp2;43,06 freq");
}

TEST_F(ExportsTest, EqualiserLinesTakeTheFirstFiveFromTheBandBins) {
  app::TBandTable table;
  ASSERT_TRUE(app::BuildBandTable(table, app::kEqBandCount, 20, 22050));
  const auto bins = app::EqBandBins(table, 44100.0f / 16384, 8192);
  EXPECT_EQ(bins, (std::array<int32_t, 5>{14, 18, 22, 28, 36}));
  ASSERT_TRUE(app::BuildBandTable(table, app::kEqBandCount, 20, 24000));
  EXPECT_EQ(app::EqBandBins(table, 48000.0f / 16384, 8192), (std::array<int32_t, 5>{13, 16, 21, 26, 33}));
  EXPECT_EQ(app::EqBandBins(table, 0.0f, 8192), (std::array<int32_t, 5>{-1, -1, -1, -1, -1}));

  // Line i of the file is i dB; a 2048-line file gives the table's 1025 values.
  const std::string file =
      Write("hi.sav",
            Lines(2048, [](int i) { return i <= 60 ? std::llround(131072 * std::pow(10.0, i / 20.0)) : 7; }));
  std::vector<int32_t> values(app::kEqTableSize, -1);
  app::ReadExportTable(file, values);
  EXPECT_EQ(values[1024], 7);
  std::vector<std::string> want = {"14", "18", "22", "28", "36"};
  for (int i = 5; i <= 30; ++i) want.push_back((i < 10 ? " " : "") + std::to_string(i));
  EXPECT_EQ(app::EqFileLines(values, bins), want);

  // Zero entries give "0"; a bin past the table gives no value.
  std::vector<int32_t> zeros(app::kEqTableSize, 0);
  zeros[14] = 131072;
  const std::vector<std::string> lines =
      app::EqFileLines(zeros, std::array<int32_t, 5>{14, 1025, 8192, 0, 0});
  ASSERT_EQ(lines.size(), 31u);
  EXPECT_EQ(lines[0], " 0");
  EXPECT_EQ(lines[1], "0");
  EXPECT_EQ(lines[2], "0");
  // Entry 3 takes entry 0, which line 0 has already changed.
  EXPECT_EQ(lines[3], " 0");
  EXPECT_EQ(lines[30], "0");
}

TEST_F(ExportsTest, ResultFilesAreReadAtMostToTheTableSize) {
  struct Case {
    const char* name;
    std::string text;
    std::vector<int32_t> values;  // of a four-value table
  };
  const Case cases[] = {
      {"longer", "1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n", {1, 2, 3, 4}},
      {"shorter", "1\r\n-2\r\n", {1, -2, 0, 0}},
      {"no line end at the end", "9\n8", {9, 8, 0, 0}},
      {"empty", "", {0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<int32_t> table(4, -1);
    app::ReadExportTable(Write("v.sav", c.text), table);
    EXPECT_EQ(table, c.values);
  }
  std::vector<int32_t> table(4, -1);
  app::ReadExportTable(temp_.File("missing.sav"), table);
  EXPECT_EQ(table, std::vector<int32_t>(4, 0));
  // A pipe is not waited on.
  const std::string fifo = temp_.File("pipe.sav");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  app::ReadExportTable(fifo, table);
  EXPECT_EQ(table, std::vector<int32_t>(4, 0));

  // A line that is no integer, or far too long to be one, is refused.
  for (const std::string& bad :
       {std::string("1\r\nx\r\n"), std::string("1\r\n\r\n"), std::string(100000, '1')}) {
    EXPECT_THROW(app::ReadExportTable(Write("bad.sav", bad), table), vcl::EConvertError);
  }
}

TEST_F(ExportsTest, JpegPicturesDecodeToTheirSizeAndNeverLeaveAPartFile) {
  vcl::TBitmap picture;
  picture.SetPixelFormat(vcl::pf24bit);
  picture.SetSize(123, 45);
  picture.Canvas()->Brush()->SetColor(vcl::clRed);
  picture.Canvas()->FillRect(vcl::TRect{0, 0, 123, 45});
  const std::string file = temp_.File("shot.jpg");
  app::SaveJpegPicture(picture, file, app::kJpegQuality);
  vcl::TJPEGImage jpeg;
  vcl::TFileStream in(file, vcl::fmOpenRead);
  jpeg.LoadFromStream(in);
  EXPECT_EQ(jpeg.Width(), 123);
  EXPECT_EQ(jpeg.Height(), 45);
  const vcl::TColor pixel = jpeg.Bitmap()->Canvas()->Pixels(60, 20);
  EXPECT_GT(vcl::ColorToRGB(pixel) & 0xFF, 0xF0u) << "red stays red";

  EXPECT_THROW(app::SaveJpegPicture(picture, temp_.File("none/shot.jpg"), app::kJpegQuality),
               vcl::EFCreateError);
  // Only the finished picture is in the folder.
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(temp_.path()))
    names.push_back(entry.path().filename().string());
  EXPECT_EQ(names, std::vector<std::string>{"shot.jpg"});
}

}  // namespace
