#include "platform/gdi/TextLayout.h"

#include <algorithm>

#include "platform/gdi/TextUtf8.h"

namespace plat::fonts {
namespace {

constexpr std::string_view kEllipsis = "...";

// One paragraph line being laid out: its visible text and the byte offset of
// the accelerator character in it (npos when none).
struct Piece {
  std::string text;
  size_t marked = std::string::npos;
};

class Measurer {
 public:
  Measurer(const LayoutFont& font, bool expand_tabs) : font_(font), expand_tabs_(expand_tabs) {}

  // Advance of each byte position's character, with tabs taken to the next
  // stop; bytes inside a character get 0 so offsets index it directly.
  std::vector<int> ByteAdvances(std::string_view s) const {
    std::vector<int> per_char = font_.advances ? font_.advances(s) : std::vector<int>();
    std::vector<int> out(s.size(), 0);
    int x = 0;
    size_t c = 0;
    const int stop = std::max(1, 8 * font_.ave_char_width);
    for (size_t pos = 0; pos < s.size(); ++c) {
      Utf8Char ch = DecodeUtf8At(s, pos);
      int a = c < per_char.size() ? per_char[c] : 0;
      if (expand_tabs_ && ch.code == '\t') a = (x / stop + 1) * stop - x;
      out[pos] = a;
      x += a;
      pos += ch.length;
    }
    return out;
  }

  int Width(std::string_view s) const {
    int w = 0;
    for (int a : ByteAdvances(s)) w += a;
    return w;
  }

 private:
  const LayoutFont& font_;
  bool expand_tabs_;
};

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::vector<Piece> SplitParagraphs(const std::string& text, size_t marked, bool single_line) {
  std::vector<Piece> out;
  if (single_line) {
    out.push_back({text, marked});
    return out;
  }
  size_t start = 0;
  for (size_t i = 0; i <= text.size(); ++i) {
    if (i == text.size() || text[i] == '\n' || text[i] == '\r') {
      Piece p{text.substr(start, i - start)};
      if (marked != std::string::npos && marked >= start && marked < i) p.marked = marked - start;
      out.push_back(std::move(p));
      if (i == text.size()) break;
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      start = i + 1;
    }
  }
  return out;
}

// Greedy word wrap: a line takes whole words while they fit; a word wider than
// the rectangle stands alone on its line. Blanks at a break are dropped.
std::vector<Piece> Wrap(const Piece& paragraph, int width, const Measurer& m) {
  const std::string& s = paragraph.text;
  const size_t n = s.size();
  std::vector<Piece> lines;
  auto emit = [&](size_t from, size_t to) {
    Piece p{s.substr(from, to - from)};
    if (paragraph.marked >= from && paragraph.marked < to) p.marked = paragraph.marked - from;
    lines.push_back(std::move(p));
  };
  size_t line_start = 0;
  size_t pos = 0;
  while (true) {
    const size_t line_end = pos;  // end of the words taken so far
    size_t word_start = pos;
    while (word_start < n && IsBlank(s[word_start])) ++word_start;
    size_t word_end = word_start;
    while (word_end < n && !IsBlank(s[word_end])) ++word_end;
    // The first word (with the paragraph's leading blanks) is always taken.
    const bool first = line_end == line_start;
    if (!first && word_start == word_end) {
      emit(line_start, line_end);
      break;
    }
    if (!first && m.Width(std::string_view(s).substr(line_start, word_end - line_start)) > width) {
      emit(line_start, line_end);
      line_start = pos = word_start;
      continue;
    }
    pos = word_end;
    if (pos >= n) {
      emit(line_start, pos);
      break;
    }
  }
  return lines;
}

// Cuts the line to fit `width` with "..." after what is left; when not even the
// dots fit, as many of them as do.
void EndEllipsis(Piece& line, int width, const Measurer& m) {
  if (m.Width(line.text) <= width) return;
  std::vector<int> adv = m.ByteAdvances(line.text);
  const int dots = m.Width(kEllipsis);
  int x = 0;
  size_t keep = 0;
  for (size_t pos = 0; pos < line.text.size();) {
    size_t len = DecodeUtf8At(line.text, pos).length;
    if (x + adv[pos] + dots > width) break;
    x += adv[pos];
    pos += len;
    keep = pos;
  }
  std::string dots_text(kEllipsis);
  if (keep == 0) {
    while (!dots_text.empty() && m.Width(dots_text) > width) dots_text.pop_back();
  }
  if (line.marked != std::string::npos && line.marked >= keep) line.marked = std::string::npos;
  line.text = line.text.substr(0, keep) + dots_text;
}

}  // namespace

std::string StripPrefixes(std::string_view text, size_t* marked) {
  std::string out;
  out.reserve(text.size());
  size_t mark = std::string::npos;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '&') {
      out += text[i];
      continue;
    }
    if (i + 1 >= text.size()) break;  // a lone '&' at the end marks nothing
    if (text[i + 1] == '&') {
      out += '&';
      ++i;
      continue;
    }
    // The last single '&' wins, as more than one accelerator cannot be meant.
    mark = out.size();
  }
  if (marked) *marked = mark;
  return out;
}

TextLayout LayoutText(std::string_view text, const RECT& rect, UINT format, const LayoutFont& font) {
  TextLayout layout;
  const bool single = (format & DT_SINGLELINE) != 0;
  const Measurer m(font, (format & DT_EXPANDTABS) != 0);
  const int width = rect.right - rect.left;

  size_t marked = std::string::npos;
  std::string visible;
  if (format & DT_NOPREFIX) {
    visible = std::string(text);
  } else {
    visible = StripPrefixes(text, &marked);
    if (format & DT_HIDEPREFIX) marked = std::string::npos;
  }

  std::vector<Piece> lines;
  if (!text.empty()) {
    for (Piece& paragraph : SplitParagraphs(visible, marked, single)) {
      if ((format & DT_WORDBREAK) && !single) {
        for (Piece& line : Wrap(paragraph, width, m)) lines.push_back(std::move(line));
      } else {
        lines.push_back(std::move(paragraph));
      }
    }
  }
  if (format & (DT_END_ELLIPSIS | DT_WORD_ELLIPSIS | DT_PATH_ELLIPSIS))
    for (Piece& line : lines) EndEllipsis(line, width, m);

  const int line_height = std::max(0, font.line_height);
  const int total_height = line_height * static_cast<int>(lines.size());
  int y = rect.top;
  // Vertical alignment only means something for a single line.
  if (single && (format & DT_BOTTOM))
    y = rect.bottom - total_height;
  else if (single && (format & DT_VCENTER))
    y = rect.top + (rect.bottom - rect.top - total_height) / 2;

  int max_width = 0;
  for (const Piece& piece : lines) {
    TextLine line;
    std::vector<int> adv = m.ByteAdvances(piece.text);
    for (int a : adv) line.width += a;
    max_width = std::max(max_width, line.width);
    if (format & DT_CENTER)
      line.x = rect.left + (width - line.width) / 2;
    else if (format & DT_RIGHT)
      line.x = rect.right - line.width;
    else
      line.x = rect.left;
    line.y = y;
    y += line_height;

    // Tabs split the line into runs; each run starts where its tab ended.
    int x = line.x;
    TextRun run{x, {}};
    for (size_t pos = 0; pos < piece.text.size();) {
      size_t len = DecodeUtf8At(piece.text, pos).length;
      if (pos == piece.marked) {
        line.underline_left = x;
        line.underline_right = x + adv[pos];
      }
      if ((format & DT_EXPANDTABS) && piece.text[pos] == '\t') {
        if (!run.text.empty()) line.runs.push_back(std::move(run));
        x += adv[pos];
        run = TextRun{x, {}};
      } else {
        run.text.append(piece.text, pos, len);
        x += adv[pos];
      }
      pos += len;
    }
    if (!run.text.empty()) line.runs.push_back(std::move(run));
    layout.lines.push_back(std::move(line));
  }

  layout.bounds = RECT{rect.left, rect.top, rect.left + max_width, rect.top + total_height};
  layout.height = lines.empty() ? 0 : y - rect.top;
  return layout;
}

}  // namespace plat::fonts
