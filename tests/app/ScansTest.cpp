// The scan sums: averages and highest values of the rows a scan takes, the
// row limit, the width kept from the scan's start, a scan without rows,
// progress, and the value files the result slots are written as.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/Scans.h"
#include "support/TempDir.h"

namespace {

using app::TScanSums;

TEST(ScanSumsTest, AveragesTheRowsTakenAsWholeNumbersAndKeepsTheirHighest) {
  struct Case {
    const char* name;
    std::vector<int32_t> rows;  // one column
    uint32_t repeat;            // each row this often
    bool has_average;
    int32_t average;
    int32_t highest;
  };
  const Case cases[] = {
      {"plain mean", {10, 20, 30}, 1, true, 20, 30},
      {"truncated", {1, 2}, 1, true, 1, 2},
      // A full-scale band value on every stored row: a 32-bit sum would wrap to 25103.
      {"full scale over every row", {2123280}, app::kMaxScanRows, true, 2123280, 2123280},
      // Rows past the limit are not summed: the loud tail leaves the mean
      // alone, but it is the highest value.
      {"rows past the limit", {100, 900}, app::kMaxScanRows, true, 100, 900},
      {"no row", {}, 1, false, -1, 0},
      // A negative mean has no place in the files, which hold unsigned
      // values, and a negative value is never a highest one.
      {"negative values", {-10, -20}, 1, true, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TScanSums sums;
    sums.Start(1);
    for (int32_t v : c.rows)
      for (uint32_t r = 0; r < c.repeat; ++r) sums.AddRow(std::vector<int32_t>{v});
    int32_t average = -1;
    EXPECT_EQ(sums.Average({&average, 1}), c.has_average);
    EXPECT_EQ(average, c.average);
    ASSERT_EQ(sums.Highest().size(), 1u);
    EXPECT_EQ(sums.Highest()[0], c.highest);
    EXPECT_LE(sums.Rows(), app::kMaxScanRows);
  }
}

TEST(ScanSumsTest, KeepsTheWidthOfItsStartAndStartsOverClean) {
  TScanSums sums;
  sums.Start(2);
  // A display that grew during the scan: the columns past the start's width are not summed.
  sums.AddRow(std::vector<int32_t>{4, 6, 1000, 1000});
  sums.AddRow(std::vector<int32_t>{8, 2});
  std::vector<int32_t> out(4, -1);
  ASSERT_TRUE(sums.Average(out));
  EXPECT_EQ(out, (std::vector<int32_t>{6, 4, -1, -1}));
  // A narrower row adds to the columns it has.
  sums.Start(3);
  sums.AddRow(std::vector<int32_t>{3});
  ASSERT_TRUE(sums.Average(out));
  EXPECT_EQ(out, (std::vector<int32_t>{3, 0, 0, -1}));
  EXPECT_EQ(sums.Rows(), 1u);
  EXPECT_EQ(std::vector<int32_t>(sums.Highest().begin(), sums.Highest().end()),
            (std::vector<int32_t>{3, 0, 0}));
  sums.Start(app::kMaxScanColumns + 100);
  EXPECT_EQ(sums.Columns(), app::kMaxScanColumns);
}

TEST(ScanSumsTest, ProgressIsAPercentOfThePlayingTime) {
  struct Case {
    int64_t position, length;
    int32_t percent;
  };
  // A file of 0 ms has no progress to show; positions past the end stay at 100.
  const Case cases[] = {{0, 1000, 0},
                        {500, 1000, 50},
                        {999, 1000, 99},
                        {1000, 1000, 100},
                        {5, 0, 0},
                        {1200, 1000, 100},
                        {3'600'000, 3'600'000, 100}};
  for (const Case& c : cases)
    EXPECT_EQ(app::ScanProgress(c.position, c.length), c.percent) << c.position << " of " << c.length;
}

TEST(ScanSumsTest, ValueFilesHoldOneLinePerValueAndReplaceTheOldFileWhole) {
  testsupport::TempDir dir;
  const std::string folder = dir.File("") + "/";
  const std::string file = app::ScanAverageFile(folder, 3);
  EXPECT_EQ(std::filesystem::path(file).filename(), "File3_avg_amp.sav");
  EXPECT_EQ(std::filesystem::path(app::ScanHighestFile(folder, 6)).filename(), "File6_hi_amp.sav");

  ASSERT_TRUE(app::WriteValueFile(file, std::vector<int32_t>{0, 17, 2123280}));
  auto read = [](const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  };
  EXPECT_EQ(read(file), "0\r\n17\r\n2123280\r\n");
  ASSERT_TRUE(app::WriteValueFile(file, std::vector<int32_t>{5}));
  EXPECT_EQ(read(file), "5\r\n");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 1) << "a temporary file was left";
  // A folder that is not there: refused, nothing written.
  EXPECT_FALSE(app::WriteValueFile(folder + "missing/x.sav", std::vector<int32_t>{1}));
}

}  // namespace
