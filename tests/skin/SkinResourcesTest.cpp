// Resources the build draws for skins and windows: the system-menu glyphs
// a skin loads as an image list, and the program's icon.
#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <vector>

#include "platform/kernel/Modules.h"
#include "platform/user/Icon.h"
#include "platform/vcl/Graphics.h"
#include "platform/vcl/GraphicsBitmap.h"
#include "platform/vcl/ImgList.h"
#include "resources/ProgramResources.h"

namespace {

class SkinResources : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { RegisterProgramResources(); }
};

// Four 16 x 16 glyphs (restore, maximize, minimize, close), black on the white mask colour.
TEST_F(SkinResources, MenuGlyphsAreFourDistinctMarksOnWhite) {
  vcl::TBitmap strip;
  strip.LoadFromResourceName(nullptr, "ZIZEVOVAVUR");
  ASSERT_EQ(strip.Width(), 64);
  ASSERT_EQ(strip.Height(), 16);
  std::set<std::vector<bool>> glyphs;
  for (int g = 0; g < 4; ++g) {
    std::vector<bool> ink;
    for (int y = 0; y < 16; ++y) {
      const auto* row = static_cast<const uint8_t*>(strip.ScanLine(y));
      for (int x = 0; x < 16; ++x) {
        const uint8_t* p = row + (g * 16 + x) * 3;
        EXPECT_TRUE((p[0] == 0 && p[1] == 0 && p[2] == 0) || (p[0] == 255 && p[1] == 255 && p[2] == 255));
        ink.push_back(p[0] == 0);
      }
    }
    EXPECT_FALSE(ink[0]) << "glyph " << g << " keeps its corner clear";
    glyphs.insert(ink);
  }
  EXPECT_EQ(glyphs.size(), 4u);
  vcl::TImageList list(nullptr);
  list.SetWidth(16);
  list.SetHeight(16);
  EXPECT_EQ(list.AddMasked(&strip, vcl::clWhite), 0);
  EXPECT_EQ(list.Count(), 4);
}

TEST_F(SkinResources, ProgramIconHasBothSizesWithClearCorners) {
  plat::HMODULE program = plat::GetModuleHandleA(nullptr);
  for (int side : {16, 32}) {
    SCOPED_TRACE(side);
    auto icon = static_cast<plat::HICON>(
        plat::LoadImageA(program, "MAINICON", plat::IMAGE_ICON, side, side, plat::LR_SHARED));
    ASSERT_NE(icon, nullptr);
    auto picture = plat::user::IconPicture(icon);
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->width, side);
    EXPECT_EQ(picture->pixels[0] >> 24, 0u);
    EXPECT_EQ(picture->pixels[static_cast<size_t>(side / 2) * side + side / 2] >> 24, 255u);
  }
}

}  // namespace
