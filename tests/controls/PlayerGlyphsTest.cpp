// The player buttons' glyph strips the build draws: eight 24-bit bitmaps of
// three 44 x 36 cells, each cell its own picture, each strip its own symbol,
// and a bitmap list of them stored as one chunk per strip.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "ControlTestSupport.h"
#include "controls/MMBmpLst.h"
#include "resources/ProgramResources.h"

namespace controls {
namespace {

const char* const kStrips[] = {"PLAYER_RECORD", "PLAYER_PLAY",    "PLAYER_STOP",  "PLAYER_PAUSE",
                               "PLAYER_REWIND", "PLAYER_FORWARD", "PLAYER_EJECT", "PLAYER_LOOP"};

// The pixels of one 44 x 36 cell, row by row.
std::vector<uint8_t> Cell(vcl::TBitmap& strip, int cell) {
  std::vector<uint8_t> pixels;
  for (int y = 0; y < 36; ++y) {
    const auto* row = static_cast<const uint8_t*>(strip.ScanLine(y));
    pixels.insert(pixels.end(), row + cell * 44 * 3, row + (cell + 1) * 44 * 3);
  }
  return pixels;
}

class PlayerGlyphsTest : public testing::FormsTest {
 protected:
  static void SetUpTestSuite() { RegisterProgramResources(); }
};

TEST_F(PlayerGlyphsTest, EightStripsOfThreeDistinctCells) {
  std::set<std::vector<uint8_t>> up_cells;
  for (const char* name : kStrips) {
    SCOPED_TRACE(name);
    vcl::TBitmap strip;
    strip.LoadFromResourceName(nullptr, name);
    ASSERT_EQ(strip.Width(), 132);
    ASSERT_EQ(strip.Height(), 36);
    EXPECT_EQ(strip.PixelFormat(), vcl::pf24bit);
    const auto up = Cell(strip, 0), disabled = Cell(strip, 1), pressed = Cell(strip, 2);
    EXPECT_NE(up, disabled);
    EXPECT_NE(up, pressed);
    EXPECT_NE(disabled, pressed);
    up_cells.insert(up);
  }
  EXPECT_EQ(up_cells.size(), 8u);
}

TEST_F(PlayerGlyphsTest, AListOfTheStripsStoresOneChunkPerStripAndReadsBack) {
  TMMBitmapList list(nullptr);
  list.SetHandleType(vcl::bmDIB);
  list.SetCompressed(true);
  for (const char* name : kStrips) {
    vcl::TBitmap strip;
    strip.LoadFromResourceName(nullptr, name);
    list.Add(&strip);
  }
  vcl::TMemoryStream stream;
  list.WriteData(stream);
  // Each entry: T, then one chunk C that decodes to the whole 14310-byte image.
  const uint8_t* at = stream.Memory() + 8;
  for (int i = 0; i < 8; ++i) {
    int32_t total = 0, length = 0;
    std::memcpy(&total, at, 4);
    std::memcpy(&length, at + 4, 4);
    EXPECT_EQ(total, length + 4) << kStrips[i];
    EXPECT_LT(length, 14310) << kStrips[i];
    at += 4 + total;
  }
  EXPECT_EQ(at, stream.Memory() + stream.Size());
  stream.SetPosition(0);
  TMMBitmapList back(nullptr);
  back.SetHandleType(vcl::bmDIB);
  back.ReadData(stream);
  ASSERT_EQ(back.Count(), 8);
  for (int i = 0; i < 8; ++i)
    EXPECT_EQ(testing::ImageOf(*back.GetBitmap(i)), testing::ImageOf(*list.GetBitmap(i)));
}

}  // namespace
}  // namespace controls
