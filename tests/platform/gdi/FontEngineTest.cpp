#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "platform/gdi/FontEngine.h"

namespace plat::fonts {
namespace {

LOGFONTA Spec(const char* face, LONG height, LONG weight = FW_NORMAL, LONG escapement = 0) {
  LOGFONTA lf;
  std::strncpy(lf.lfFaceName, face, LF_FACESIZE - 1);
  lf.lfHeight = height;
  lf.lfWeight = weight;
  lf.lfEscapement = escapement;
  return lf;
}

std::shared_ptr<const Font> Make(const LOGFONTA& lf) {
  auto font = FontEngine::Default().Realize(lf);
  EXPECT_NE(font, nullptr) << lf.lfFaceName;
  return font;
}

bool Inside(const RECT& inner, const RECT& outer) {
  return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
         inner.bottom <= outer.bottom;
}

std::string Show(const RECT& r) {
  return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + ")-(" + std::to_string(r.right) + "," +
         std::to_string(r.bottom) + ")";
}

RECT CellBounds(const TextMask& mask) {
  RECT r{};
  bool any = false;
  for (int y = mask.top; y < mask.top + mask.height; ++y)
    for (int x = mask.left; x < mask.left + mask.width; ++x)
      if (mask.CellAt(x, y)) {
        if (!any) r = RECT{x, y, x + 1, y + 1};
        r.left = std::min<LONG>(r.left, x), r.top = std::min<LONG>(r.top, y);
        r.right = std::max<LONG>(r.right, x + 1), r.bottom = std::max<LONG>(r.bottom, y + 1);
        any = true;
      }
  return r;
}

TEST(FontEngineTest, FaceNamesMapToInstalledFamilies) {
  struct Case {
    const char* face;
    const char* family;
  } cases[] = {
      {"Arial", "Liberation Sans"},
      {"ARIAL", "Liberation Sans"},
      {"MS Sans Serif", "Liberation Sans"},
      {"Times New Roman", "Liberation Serif"},
      {"Courier New", "Liberation Mono"},
      {"Small Fonts", "DejaVu Sans"},
      {"DejaVu Sans Mono", "DejaVu Sans Mono"},  // an installed family is used as it is
      {"No Such Face Anywhere", "Liberation Sans"},
      {"", "Liberation Sans"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.face);
    EXPECT_EQ(FontEngine::Default().ResolveFamily(c.face), c.family);
    auto font = Make(Spec(c.face, -11));
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font->Family(), c.family);
  }
}

TEST(FontEngineTest, FaceNameKeepsKnownNamesAndReportsStandIns) {
  EXPECT_EQ(Make(Spec("arial", -11))->FaceName(), "Arial");
  EXPECT_EQ(Make(Spec("Small Fonts", -8))->FaceName(), "Small Fonts");
  EXPECT_EQ(Make(Spec("No Such Face Anywhere", -11))->FaceName(), "Liberation Sans");
}

TEST(FontEngineTest, HeightRules) {
  // Negative heights give the character height (cell less internal leading),
  // positive ones the cell, and 0 the default character height.
  struct Case {
    const char* face;
    LONG height;
    LONG char_height;  // 0: not checked
    LONG cell_height;  // 0: not checked
  } cases[] = {
      {"Arial", -11, 11, 0},       {"Arial", -10, 10, 0},      {"Times New Roman", -24, 24, 0},
      {"Courier New", -13, 13, 0}, {"Small Fonts", -8, 8, 0},  {"Arial", 16, 0, 16},
      {"Arial", 13, 0, 13},        {"Courier New", 20, 0, 20}, {"Arial", 0, kDefaultCharHeight, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.face) + " " + std::to_string(c.height));
    auto font = Make(Spec(c.face, c.height));
    ASSERT_NE(font, nullptr);
    const TEXTMETRICA& tm = font->Metrics();
    EXPECT_EQ(tm.tmHeight, tm.tmAscent + tm.tmDescent);
    EXPECT_GT(tm.tmDescent, 0);
    if (c.char_height) {
      EXPECT_EQ(tm.tmHeight - tm.tmInternalLeading, c.char_height);
    }
    if (c.cell_height) {
      EXPECT_EQ(tm.tmHeight, c.cell_height);
    }
    EXPECT_EQ(font->Extent("Ag").cy, tm.tmHeight);
  }
}

TEST(FontEngineTest, CellHeightOfACharacterHeightGivesItBack) {
  for (LONG h : {8, 11, 14, 20, 33}) {
    SCOPED_TRACE(h);
    auto by_char = Make(Spec("Arial", -h));
    auto by_cell = Make(Spec("Arial", by_char->Metrics().tmHeight));
    EXPECT_EQ(by_cell->Metrics().tmHeight, by_char->Metrics().tmHeight);
    EXPECT_EQ(by_cell->Metrics().tmHeight - by_cell->Metrics().tmInternalLeading, h);
  }
}

TEST(FontEngineTest, StyleShowsInMetricsAndWidths) {
  auto normal = Make(Spec("Arial", -11));
  auto bold = Make(Spec("Arial", -11, FW_BOLD));
  EXPECT_EQ(normal->Metrics().tmWeight, FW_NORMAL);
  EXPECT_EQ(bold->Metrics().tmWeight, FW_BOLD);
  EXPECT_GT(bold->Extent("Level meter").cx, normal->Extent("Level meter").cx);

  auto mono = Make(Spec("Courier New", -13));
  std::vector<int> advances = mono->Advances("il.WM");
  ASSERT_EQ(advances.size(), 5u);
  for (int a : advances) EXPECT_EQ(a, advances[0]);
  EXPECT_EQ(mono->Metrics().tmPitchAndFamily & TMPF_FIXED_PITCH, 0);
  EXPECT_NE(normal->Metrics().tmPitchAndFamily & TMPF_FIXED_PITCH, 0);
  EXPECT_NE(normal->Metrics().tmPitchAndFamily & TMPF_TRUETYPE, 0);

  // lfWidth asks for the average character width.
  LOGFONTA wide = Spec("Arial", -11);
  wide.lfWidth = 12;
  auto stretched = Make(wide);
  EXPECT_EQ(stretched->Metrics().tmHeight, normal->Metrics().tmHeight);
  EXPECT_NEAR(stretched->Metrics().tmAveCharWidth, 12, 1);
  EXPECT_GT(stretched->Extent("Frequency").cx, normal->Extent("Frequency").cx * 3 / 2);
}

TEST(FontEngineTest, RenderedRunMatchesItsMeasureAndStaysInItsCell) {
  const char* texts[] = {"Hello, World", "0123456789 dB", "-12.5 kHz",
                         "\xC3\x9C"
                         "ber 5 \xC2\xB5s 20 \xC2\xB0"
                         "C",
                         "WAV|Mg"};
  for (const char* face : {"Arial", "Times New Roman", "Courier New", "Small Fonts"}) {
    for (LONG h : {-8, -11, -16}) {
      auto font = Make(Spec(face, h));
      const TEXTMETRICA& tm = font->Metrics();
      for (const char* text : texts) {
        SCOPED_TRACE(std::string(face) + " " + std::to_string(h) + " " + text);
        SIZE extent = font->Extent(text);
        TextMask mask = font->Render(text);
        EXPECT_EQ(mask.advance.x, extent.cx);
        EXPECT_EQ(mask.advance.y, 0);
        RECT cell{0, -tm.tmAscent, extent.cx, tm.tmDescent};
        EXPECT_EQ(Show(CellBounds(mask)), Show(cell));
        RECT ink = mask.InkBounds();
        EXPECT_GT(ink.right, ink.left);
        EXPECT_TRUE(Inside(ink, cell)) << Show(ink) << " outside " << Show(cell);
      }
    }
  }
}

TEST(FontEngineTest, AdvancesAreOnePerCharacterAndSumToTheExtent) {
  auto font = Make(Spec("Arial", -11));
  std::string text =
      "\xC3\x9C"
      "ber \xE2\x99\xAA 1";  // two- and three-byte characters
  std::vector<int> advances = font->Advances(text);
  ASSERT_EQ(advances.size(), 8u);
  int sum = 0;
  for (int a : advances) sum += a;
  EXPECT_EQ(sum, font->Extent(text).cx);
  // A stray byte that is no UTF-8 stands for its Latin-1 character.
  EXPECT_EQ(font->Advances("\xB5"), font->Advances("\xC2\xB5"));
  EXPECT_EQ(font->Extent("").cx, 0);
  TextMask empty = font->Render("");
  EXPECT_EQ(empty.width, 0);
  EXPECT_EQ(empty.advance.x, 0);
}

TEST(FontEngineTest, GivenAdvancesPlaceTheCharacters) {
  auto font = Make(Spec("Arial", -11));
  const int dx[] = {10, 10, 10, 10};
  TextMask mask = font->Render("1234", dx);
  EXPECT_EQ(mask.advance.x, 40);
  EXPECT_EQ(CellBounds(mask).right, 40);
  // Missing entries keep the natural advance.
  std::vector<int> natural = font->Advances("ab");
  const int one[] = {20};
  EXPECT_EQ(font->Render("ab", one).advance.x, 20 + natural[1]);
}

TEST(FontEngineTest, RotatedRunsHaveTheTurnedExtent) {
  struct Case {
    LONG escapement;
    int sx, sy;  // direction of the baseline on the screen
  } cases[] = {{900, 0, -1}, {1800, -1, 0}, {2700, 0, 1}, {3600, 1, 0}, {-900, 0, 1}};
  const char* text = "-20 dB";
  auto flat = Make(Spec("Arial", -11));
  const SIZE extent = flat->Extent(text);
  const TEXTMETRICA& tm = flat->Metrics();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.escapement);
    auto font = Make(Spec("Arial", -11, FW_NORMAL, c.escapement));
    EXPECT_EQ(font->Extent(text).cx, extent.cx);
    TextMask mask = font->Render(text);
    EXPECT_EQ(mask.advance.x, c.sx * extent.cx);
    EXPECT_EQ(mask.advance.y, c.sy * extent.cx);
    RECT cell = CellBounds(mask);
    if (c.sx == 0) {
      EXPECT_EQ(cell.right - cell.left, tm.tmHeight);
      EXPECT_EQ(cell.bottom - cell.top, extent.cx);
    } else {
      EXPECT_EQ(cell.right - cell.left, extent.cx);
      EXPECT_EQ(cell.bottom - cell.top, tm.tmHeight);
    }
    EXPECT_TRUE(Inside(mask.InkBounds(), cell)) << Show(mask.InkBounds()) << " outside " << Show(cell);
  }
  // Upward text: the cell spans the text from the reference point up, and the
  // ascent lies to the left of it.
  RECT up = CellBounds(Make(Spec("Arial", -11, FW_NORMAL, 900))->Render(text));
  EXPECT_EQ(Show(up), Show(RECT{-tm.tmAscent, -extent.cx, tm.tmDescent, 0}));
}

TEST(FontEngineTest, UnderlineAndStrikeOutSpanTheRun) {
  LOGFONTA lf = Spec("Arial", -16);
  lf.lfUnderline = 1;
  lf.lfStrikeOut = 1;
  auto font = Make(lf);
  EXPECT_EQ(font->Metrics().tmUnderlined, 1);
  EXPECT_EQ(font->Metrics().tmStruckOut, 1);
  const char* text = "a  b";  // the gap holds only the lines
  TextMask mask = font->Render(text);
  int width = font->Extent(text).cx;
  int gap_x = font->Advances("a ")[0] + 1;
  std::vector<int> rows;
  for (int y = -font->Metrics().tmAscent; y < font->Metrics().tmDescent; ++y)
    if (mask.InkAt(gap_x, y)) rows.push_back(y);
  ASSERT_FALSE(rows.empty());
  EXPECT_LT(rows.front(), 0);  // strike-out above the baseline
  EXPECT_GE(rows.back(), 0);   // underline below it
  for (int y : rows) {
    for (int x = 0; x < width; ++x) EXPECT_TRUE(mask.InkAt(x, y)) << x << "," << y;
    EXPECT_FALSE(mask.InkAt(width, y));
  }
}

TEST(FontEngineTest, WithoutFontsNothingIsRealised) {
  FontEngine empty(std::vector<std::string>{});
  EXPECT_EQ(empty.ResolveFamily("Arial"), "");
  EXPECT_EQ(empty.Realize(Spec("Arial", -11)), nullptr);
  FontEngine missing(std::vector<std::string>{"/nonexistent/fonts"});
  EXPECT_EQ(missing.Realize(Spec("Arial", -11)), nullptr);
}

TEST(FontEngineTest, WithoutTheStandInAnyInstalledFontServes) {
  FontEngine dejavu(std::vector<std::string>{"/usr/share/fonts/truetype/dejavu"});
  auto font = dejavu.Realize(Spec("Arial", -11));
  ASSERT_NE(font, nullptr);
  EXPECT_EQ(font->Family().rfind("DejaVu", 0), 0u) << font->Family();
  EXPECT_GT(font->Extent("Arial").cx, 0);
}

TEST(FontEngineTest, FontsOutliveTheirEngine) {
  std::shared_ptr<const Font> font;
  {
    FontEngine engine;
    font = engine.Realize(Spec("Times New Roman", -14));
    ASSERT_NE(font, nullptr);
  }
  EXPECT_GT(font->Render("still drawn").advance.x, 0);
}

TEST(FontEngineTest, SameRequestSharesTheFont) {
  LOGFONTA a = Spec("Arial", -11);
  LOGFONTA b = Spec("arial", -11);
  EXPECT_EQ(Make(a), Make(b));
  EXPECT_NE(Make(a), Make(Spec("Arial", -12)));
}

TEST(FontEngineTest, ThreadsMeasureAndRenderAtOnce) {
  const std::vector<LOGFONTA> specs = {Spec("Arial", -11), Spec("Arial", -11, FW_BOLD),
                                       Spec("Courier New", 14), Spec("Small Fonts", -8, FW_NORMAL, 900),
                                       Spec("Times New Roman", -20)};
  const std::vector<std::string> texts = {"Left", "Right 0 dB", "1/3 octave", "-96.3", "Peak 1234 Hz"};
  std::vector<std::vector<SIZE>> expected(specs.size());
  {
    // A private engine so the threads also race on realising the fonts.
    FontEngine reference;
    for (size_t f = 0; f < specs.size(); ++f)
      for (const std::string& t : texts) expected[f].push_back(reference.Realize(specs[f])->Extent(t));
  }
  FontEngine engine;
  std::vector<int> failures(8, 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([&, t] {
      for (int round = 0; round < 40; ++round) {
        size_t f = (t + round) % specs.size();
        auto font = engine.Realize(specs[f]);
        if (!font) {
          ++failures[t];
          continue;
        }
        for (size_t i = 0; i < texts.size(); ++i) {
          SIZE s = font->Extent(texts[i]);
          TextMask m = font->Render(texts[i]);
          int drawn = std::abs(m.advance.x) + std::abs(m.advance.y);
          if (s.cx != expected[f][i].cx || s.cy != expected[f][i].cy || drawn != s.cx) ++failures[t];
        }
      }
    });
  }
  for (auto& th : threads) th.join();
  for (int t = 0; t < 8; ++t) EXPECT_EQ(failures[t], 0) << "thread " << t;
}

}  // namespace
}  // namespace plat::fonts
