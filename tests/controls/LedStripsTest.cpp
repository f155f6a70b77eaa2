// The LED strips and dot-matrix fonts the build draws: their sizes and cell
// counts, exactly the three colours the recolouring knows, every digit and
// sign cell read back from its pixels, and every cell of the fonts' character
// map drawn and told apart.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "ControlTestSupport.h"
#include "LedTestSupport.h"
#include "resources/ProgramResources.h"

namespace controls {
namespace {

using testing::Dot;

struct Pixels {
  int width = 0, height = 0;
  std::vector<uint32_t> rgb;  // 0xRRGGBB
  uint32_t At(int x, int y) const { return rgb[static_cast<size_t>(y * width + x)]; }
};

Pixels Load(const std::string& name) {
  vcl::TBitmap bitmap;
  bitmap.LoadFromResourceName(nullptr, name);
  bitmap.SetPixelFormat(vcl::pf24bit);
  Pixels p{bitmap.Width(), bitmap.Height(), {}};
  for (int y = 0; y < p.height; ++y) {
    const auto* row = static_cast<const uint8_t*>(bitmap.ScanLine(y));
    for (int x = 0; x < p.width; ++x)
      p.rgb.push_back(uint32_t{row[3 * x + 2]} << 16 | uint32_t{row[3 * x + 1]} << 8 | row[3 * x]);
  }
  return p;
}

constexpr uint32_t kWhite = 0xFFFFFF, kSilver = 0xC0C0C0, kBlack = 0;

Dot Classify(uint32_t v) {
  return v == kWhite ? Dot::kLit : v == kSilver ? Dot::kUnlit : v == kBlack ? Dot::kBack : Dot::kOther;
}

std::string ReadStrip(const Pixels& p, int cells) {
  const int w = p.width / cells;
  std::string shown;
  for (int c = 0; c < cells; ++c)
    shown += testing::ReadLedCell([&](int x, int y) { return Classify(p.At(x, y)); }, c * w, 0, w, p.height);
  return shown;
}

void ExpectThreeColours(const Pixels& p) {
  std::set<uint32_t> colours(p.rgb.begin(), p.rgb.end());
  EXPECT_EQ(colours, (std::set<uint32_t>{kWhite, kSilver, kBlack}));
}

class LedStripsTest : public testing::FormsTest {
 protected:
  static void SetUpTestSuite() { RegisterProgramResources(); }
};

TEST_F(LedStripsTest, EveryDigitAndSignStripShowsItsCellsInThreeColours) {
  const std::pair<int, int> sizes[] = {{6, 7},   {7, 11},  {8, 13},  {11, 19}, {13, 20}, {13, 21}, {15, 24},
                                       {15, 25}, {17, 29}, {18, 25}, {19, 33}, {21, 37}, {23, 41}};
  for (auto [w, h] : sizes) {
    char size[16];
    std::snprintf(size, sizeof size, "%02dX%02d", w, h);
    SCOPED_TRACE(size);
    const Pixels digits = Load(std::string("LCD_") + size);
    ASSERT_EQ(digits.width, 11 * w);
    ASSERT_EQ(digits.height, h);
    ExpectThreeColours(digits);
    EXPECT_EQ(ReadStrip(digits, 11), " 0123456789");
    const Pixels signs = Load(std::string("LCDS_") + size);
    ASSERT_EQ(signs.width, 4 * w);
    ASSERT_EQ(signs.height, h);
    ExpectThreeColours(signs);
    EXPECT_EQ(ReadStrip(signs, 4), "_.:-");
  }
}

TEST_F(LedStripsTest, ModeStripHasFourDistinctCellsTheFirstAllUnlit) {
  const Pixels mode = Load("LCD_MODE");
  ASSERT_EQ(mode.width, 4 * 27);
  ASSERT_EQ(mode.height, 11);
  ExpectThreeColours(mode);
  std::set<std::vector<uint32_t>> cells;
  int lit_in_first = 0;
  for (int c = 0; c < 4; ++c) {
    std::vector<uint32_t> cell;
    for (int y = 0; y < 11; ++y)
      for (int x = 0; x < 27; ++x) cell.push_back(mode.At(c * 27 + x, y));
    if (c == 0)
      for (uint32_t v : cell) lit_in_first += v == kWhite;
    cells.insert(cell);
  }
  EXPECT_EQ(cells.size(), 4u);
  EXPECT_EQ(lit_in_first, 0);
}

// The lit pixels of the cell of `code`.
std::vector<bool> FontCell(const Pixels& p, int code) {
  const int cw = p.width / 63, ch = (p.height - 2) / 2;
  const int x0 = (code <= 94 ? code - 32 : code - 95) * cw, y0 = code <= 94 ? 0 : ch + 2;
  std::vector<bool> lit;
  for (int y = 0; y < ch; ++y)
    for (int x = 0; x < cw; ++x) lit.push_back(p.At(x0 + x, y0 + y) == kWhite);
  return lit;
}

TEST_F(LedStripsTest, FontsHoldEveryCellOfTheCharacterMap) {
  const struct {
    const char* name;
    int width, height;
  } fonts[] = {{"FONT_11X13", 693, 28}, {"FONT_11X13_BOLD", 693, 28}, {"FONT_16X20", 1008, 42}};
  std::map<std::string, std::vector<bool>> letter_a;
  for (const auto& f : fonts) {
    SCOPED_TRACE(f.name);
    const Pixels p = Load(f.name);
    ASSERT_EQ(p.width, f.width);
    ASSERT_EQ(p.height, f.height);
    ExpectThreeColours(p);
    const int ch = (p.height - 2) / 2;
    for (int x = 0; x < p.width; ++x)  // the 2-pixel gap between the rows
      for (int y = ch; y < ch + 2; ++y) ASSERT_EQ(p.At(x, y), kBlack) << x;

    // Every printable ASCII character and each of the program's own cells
    // lights dots, and no two look alike; the space and unused cells are dark.
    const std::vector<bool> dark(FontCell(p, 32).size(), false);
    EXPECT_EQ(FontCell(p, 32), dark);
    EXPECT_EQ(FontCell(p, 127), dark);
    EXPECT_EQ(FontCell(p, 128), dark);
    std::set<std::vector<bool>> seen;
    std::vector<int> codes;
    for (int c = 33; c <= 126; ++c) codes.push_back(c);
    for (int c : {135, 137, 140, 149, 150}) codes.push_back(c);
    for (int c : codes) {
      const std::vector<bool> cell = FontCell(p, c);
      EXPECT_NE(cell, dark) << c;
      EXPECT_TRUE(seen.insert(cell).second) << "cell " << c << " repeats another";
    }
    letter_a[f.name] = FontCell(p, 'A');
  }
  EXPECT_NE(letter_a["FONT_11X13"], letter_a["FONT_11X13_BOLD"]);
}

}  // namespace
}  // namespace controls
