#pragma once
// Layout for DrawTextA: lines, word breaks, tabs, accelerator prefixes, end
// ellipses and alignment in a rectangle. It measures through a callback, so it
// is the same for every font and needs no device context.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/kernel/Types.h"

namespace plat {

constexpr UINT DT_TOP = 0x00000000;
constexpr UINT DT_LEFT = 0x00000000;
constexpr UINT DT_CENTER = 0x00000001;
constexpr UINT DT_RIGHT = 0x00000002;
constexpr UINT DT_VCENTER = 0x00000004;
constexpr UINT DT_BOTTOM = 0x00000008;
constexpr UINT DT_WORDBREAK = 0x00000010;
constexpr UINT DT_SINGLELINE = 0x00000020;
constexpr UINT DT_EXPANDTABS = 0x00000040;
constexpr UINT DT_TABSTOP = 0x00000080;
constexpr UINT DT_NOCLIP = 0x00000100;
constexpr UINT DT_EXTERNALLEADING = 0x00000200;
constexpr UINT DT_CALCRECT = 0x00000400;
constexpr UINT DT_NOPREFIX = 0x00000800;
constexpr UINT DT_INTERNAL = 0x00001000;
constexpr UINT DT_EDITCONTROL = 0x00002000;
constexpr UINT DT_PATH_ELLIPSIS = 0x00004000;
constexpr UINT DT_END_ELLIPSIS = 0x00008000;
constexpr UINT DT_MODIFYSTRING = 0x00010000;
constexpr UINT DT_RTLREADING = 0x00020000;
constexpr UINT DT_WORD_ELLIPSIS = 0x00040000;
constexpr UINT DT_HIDEPREFIX = 0x00100000;
constexpr UINT DT_PREFIXONLY = 0x00200000;

}  // namespace plat

namespace plat::fonts {

// What the layout needs to know of the font.
struct LayoutFont {
  int line_height = 0;     // tmHeight, plus tmExternalLeading with DT_EXTERNALLEADING
  int ave_char_width = 0;  // tab stops are every 8 of these
  // Advance of each character of a UTF-8 string, as the renderer steps.
  std::function<std::vector<int>(std::string_view)> advances;
};

// A piece of a line drawn at one position (tabs split lines into runs).
struct TextRun {
  int x = 0;
  std::string text;
};

struct TextLine {
  int x = 0;  // left of the line's first run
  int y = 0;  // top of the line's cell
  int width = 0;
  std::vector<TextRun> runs;
  // The accelerator's underline, [underline_left, underline_right) along the
  // line; empty when the line has none.
  int underline_left = 0;
  int underline_right = 0;
};

struct TextLayout {
  std::vector<TextLine> lines;
  RECT bounds;     // what DT_CALCRECT gives back: the rectangle's left and top kept
  int height = 0;  // what DrawTextA returns
};

// Lays out `text` in `rect` for the DT_ flags in `format`.
TextLayout LayoutText(std::string_view text, const RECT& rect, UINT format, const LayoutFont& font);

// The text with accelerator prefixes resolved ("&&" is a literal '&') and the
// byte offset of the character that the single '&' marks, or npos.
std::string StripPrefixes(std::string_view text, size_t* marked);

}  // namespace plat::fonts
