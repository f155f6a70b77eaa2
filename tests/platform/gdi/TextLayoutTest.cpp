#include <gtest/gtest.h>

#include <cstring>
#include <sstream>

#include "platform/gdi/FontEngine.h"
#include "platform/gdi/TextLayout.h"
#include "platform/gdi/TextUtf8.h"

namespace plat::fonts {
namespace {

// Every character 10 pixels wide, lines 16 high: positions are easy to state.
LayoutFont FixedFont() {
  LayoutFont f;
  f.line_height = 16;
  f.ave_char_width = 10;
  f.advances = [](std::string_view s) {
    std::vector<int> a;
    for (size_t pos = 0; pos < s.size(); pos += DecodeUtf8At(s, pos).length) a.push_back(10);
    return a;
  };
  return f;
}

LayoutFont EngineFont(const char* face, LONG height) {
  LOGFONTA lf;
  std::strncpy(lf.lfFaceName, face, LF_FACESIZE - 1);
  lf.lfHeight = height;
  auto font = FontEngine::Default().Realize(lf);
  EXPECT_NE(font, nullptr);
  LayoutFont f;
  f.line_height = font->Metrics().tmHeight;
  f.ave_char_width = font->Metrics().tmAveCharWidth;
  f.advances = [font](std::string_view s) { return font->Advances(s); };
  return f;
}

std::string LineText(const TextLine& line) {
  std::string s;
  for (const TextRun& r : line.runs) s += r.text;
  return s;
}

std::vector<std::string> Texts(const TextLayout& layout) {
  std::vector<std::string> out;
  for (const TextLine& l : layout.lines) out.push_back(LineText(l));
  return out;
}

TEST(TextLayoutTest, PrefixesResolve) {
  struct Case {
    const char* in;
    const char* out;
    size_t marked;
  } cases[] = {
      {"&File", "File", 0},
      {"Save &As", "Save As", 5},
      {"A && B", "A & B", std::string::npos},
      {"&&&x", "&x", 1},
      {"end&", "end", std::string::npos},
      {"", "", std::string::npos},
      {"&\xC3\x9C"
       "ber",
       "\xC3\x9C"
       "ber",
       0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.in);
    size_t marked = 0;
    EXPECT_EQ(StripPrefixes(c.in, &marked), c.out);
    EXPECT_EQ(marked, c.marked);
  }
}

TEST(TextLayoutTest, PrefixUnderlinesItsCharacterUnlessTurnedOff) {
  RECT r{0, 0, 200, 20};
  TextLayout plain = LayoutText("Save &As", r, DT_SINGLELINE, FixedFont());
  ASSERT_EQ(plain.lines.size(), 1u);
  EXPECT_EQ(LineText(plain.lines[0]), "Save As");
  EXPECT_EQ(plain.lines[0].underline_left, 50);
  EXPECT_EQ(plain.lines[0].underline_right, 60);
  EXPECT_EQ(plain.bounds.right, 70);

  TextLayout literal = LayoutText("Save &As", r, DT_SINGLELINE | DT_NOPREFIX, FixedFont());
  EXPECT_EQ(LineText(literal.lines[0]), "Save &As");
  EXPECT_EQ(literal.lines[0].underline_right, literal.lines[0].underline_left);

  TextLayout hidden = LayoutText("Save &As", r, DT_SINGLELINE | DT_HIDEPREFIX, FixedFont());
  EXPECT_EQ(LineText(hidden.lines[0]), "Save As");
  EXPECT_EQ(hidden.lines[0].underline_right, hidden.lines[0].underline_left);

  // The underline follows its character onto a wrapped line.
  TextLayout wrapped = LayoutText("Open the &file", RECT{0, 0, 85, 100}, DT_WORDBREAK, FixedFont());
  ASSERT_EQ(Texts(wrapped), (std::vector<std::string>{"Open the", "file"}));
  EXPECT_EQ(wrapped.lines[1].underline_left, 0);
  EXPECT_EQ(wrapped.lines[1].underline_right, 10);
}

TEST(TextLayoutTest, CalcRectWithWordBreak) {
  struct Case {
    const char* text;
    int width;
    std::vector<std::string> lines;
    RECT bounds;
  } cases[] = {
      {"one two three four", 75, {"one two", "three", "four"}, {0, 0, 70, 48}},
      {"one two three four", 1000, {"one two three four"}, {0, 0, 180, 16}},
      // A word wider than the rectangle stands alone and widens the result.
      {"abcdefghij x", 50, {"abcdefghij", "x"}, {0, 0, 100, 32}},
      {"first\r\nsecond line", 200, {"first", "second line"}, {0, 0, 110, 32}},
      {"a\n\nb", 200, {"a", "", "b"}, {0, 0, 10, 48}},
      {"  indented words", 80, {"  indented", "words"}, {0, 0, 100, 32}},
      {"trailing   ", 80, {"trailing"}, {0, 0, 80, 16}},
      {"", 80, {}, {0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    TextLayout layout = LayoutText(c.text, RECT{0, 0, c.width, 10}, DT_CALCRECT | DT_WORDBREAK, FixedFont());
    EXPECT_EQ(Texts(layout), c.lines);
    EXPECT_EQ(layout.bounds.left, c.bounds.left);
    EXPECT_EQ(layout.bounds.top, c.bounds.top);
    EXPECT_EQ(layout.bounds.right, c.bounds.right);
    EXPECT_EQ(layout.bounds.bottom, c.bounds.bottom);
    EXPECT_EQ(layout.height, c.bounds.bottom - c.bounds.top);
  }
}

TEST(TextLayoutTest, WordBreakWithARealFontKeepsEveryWordAndFitsTheLines) {
  LayoutFont font = EngineFont("MS Sans Serif", -11);
  const std::string text = "The peak hold time sets how long the highest level stays on the meter";
  for (int width : {40, 90, 150, 400}) {
    SCOPED_TRACE(width);
    TextLayout layout = LayoutText(text, RECT{5, 7, 5 + width, 7}, DT_CALCRECT | DT_WORDBREAK, font);
    std::string joined;
    for (const TextLine& line : layout.lines) {
      std::string s = LineText(line);
      int measured = 0;
      for (int a : font.advances(s)) measured += a;
      EXPECT_EQ(line.width, measured);
      if (s.find(' ') != std::string::npos) {
        EXPECT_LE(line.width, width) << s;
      }
      joined += (joined.empty() ? "" : " ") + s;
    }
    EXPECT_EQ(joined, text);
    EXPECT_EQ(layout.bounds.left, 5);
    EXPECT_EQ(layout.bounds.top, 7);
    EXPECT_EQ(layout.bounds.bottom - layout.bounds.top,
              font.line_height * static_cast<int>(layout.lines.size()));
  }
}

TEST(TextLayoutTest, Alignment) {
  const RECT r{10, 20, 110, 60};
  struct Case {
    UINT format;
    int x, y;
  } cases[] = {
      {DT_SINGLELINE, 10, 20},
      {DT_SINGLELINE | DT_CENTER, 45, 20},
      {DT_SINGLELINE | DT_RIGHT, 80, 20},
      {DT_SINGLELINE | DT_VCENTER, 10, 32},
      {DT_SINGLELINE | DT_BOTTOM | DT_RIGHT, 80, 44},
      {DT_VCENTER, 10, 20},  // vertical placement needs a single line
      {DT_BOTTOM | DT_CENTER, 45, 20},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.format);
    TextLayout layout = LayoutText("abc", r, c.format, FixedFont());
    ASSERT_EQ(layout.lines.size(), 1u);
    EXPECT_EQ(layout.lines[0].x, c.x);
    EXPECT_EQ(layout.lines[0].y, c.y);
    EXPECT_EQ(layout.lines[0].runs[0].x, c.x);
  }
}

TEST(TextLayoutTest, SingleLineIgnoresLineBreaks) {
  TextLayout layout = LayoutText("a\r\nb", RECT{0, 0, 100, 20}, DT_SINGLELINE | DT_WORDBREAK, FixedFont());
  EXPECT_EQ(layout.lines.size(), 1u);
}

TEST(TextLayoutTest, EndEllipsisFitsTheRectangle) {
  struct Case {
    int width;
    const char* shown;
  } cases[] = {
      {200, "Frequency response"},
      {180, "Frequency response"},
      {179, "Frequency resp..."},
      {60, "Fre..."},
      {35, "..."},
      {15, "."},
      {0, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.width);
    TextLayout layout = LayoutText("Frequency response", RECT{0, 0, c.width, 20},
                                   DT_SINGLELINE | DT_END_ELLIPSIS, FixedFont());
    ASSERT_EQ(layout.lines.size(), 1u);
    EXPECT_EQ(LineText(layout.lines[0]), c.shown);
    EXPECT_LE(layout.lines[0].width, c.width);
  }
  LayoutFont font = EngineFont("Arial", -11);
  for (int width = 0; width < 140; width += 7) {
    SCOPED_TRACE(width);
    TextLayout layout = LayoutText("C:\\Music\\Recordings\\long file name.wav", RECT{0, 0, width, 20},
                                   DT_CALCRECT | DT_SINGLELINE | DT_END_ELLIPSIS, font);
    EXPECT_LE(layout.bounds.right - layout.bounds.left, width);
    EXPECT_LE(layout.lines[0].width, width);
  }
}

TEST(TextLayoutTest, EllipsisDropsACutAccelerator) {
  TextLayout layout =
      LayoutText("Settings &X", RECT{0, 0, 60, 20}, DT_SINGLELINE | DT_END_ELLIPSIS, FixedFont());
  EXPECT_EQ(LineText(layout.lines[0]), "Set...");
  EXPECT_EQ(layout.lines[0].underline_left, layout.lines[0].underline_right);
}

TEST(TextLayoutTest, TabsExpandToStopsOfEightAverageCharacters) {
  TextLayout expanded =
      LayoutText("ab\tc\td", RECT{0, 0, 500, 20}, DT_SINGLELINE | DT_EXPANDTABS, FixedFont());
  ASSERT_EQ(expanded.lines[0].runs.size(), 3u);
  EXPECT_EQ(expanded.lines[0].runs[1].x, 80);
  EXPECT_EQ(expanded.lines[0].runs[2].x, 160);
  EXPECT_EQ(expanded.lines[0].width, 170);
  TextLayout kept = LayoutText("ab\tc", RECT{0, 0, 500, 20}, DT_SINGLELINE, FixedFont());
  ASSERT_EQ(kept.lines[0].runs.size(), 1u);
  EXPECT_EQ(kept.lines[0].runs[0].text, "ab\tc");
}

}  // namespace
}  // namespace plat::fonts
