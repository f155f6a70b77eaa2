#include "platform/user/Edit.h"

#include <strings.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>
#include <vector>

#include "platform/gdi/Colors.h"
#include "platform/gdi/Text.h"
#include "platform/gdi/TextUtf8.h"
#include "platform/kernel/GlobalMemory.h"
#include "platform/user/Caret.h"
#include "platform/user/Clipboard.h"
#include "platform/user/Cursor.h"
#include "platform/user/Focus.h"
#include "platform/user/Geometry.h"
#include "platform/user/Input.h"
#include "platform/user/Messages.h"
#include "platform/user/Paint.h"
#include "platform/user/ScrollBar.h"

namespace plat {

namespace {

constexpr size_t kDefaultLimit = 0x7FFFFFFE;

struct Line {
  size_t start = 0;
  size_t end = 0;  // without the line break
};

struct EditState {
  std::string text;
  size_t anchor = 0;
  size_t caret = 0;
  size_t limit = kDefaultLimit;
  bool modified = false;
  char password = 0;
  HFONT font = nullptr;
  bool focused = false;
  bool selecting = false;  // the mouse drags the selection
  int first_line = 0;
  int x_offset = 0;
  int left_margin = 2;
  int right_margin = 2;
  bool can_undo = false;
  std::string undo_text;
  size_t undo_anchor = 0;
  size_t undo_caret = 0;
  std::vector<Line> lines;
};

DWORD Style(HWND hwnd) { return static_cast<DWORD>(GetWindowLongA(hwnd, GWL_STYLE)); }
bool Multi(HWND hwnd) { return (Style(hwnd) & ES_MULTILINE) != 0; }
size_t SelStart(const EditState* s) { return std::min(s->anchor, s->caret); }
size_t SelEnd(const EditState* s) { return std::max(s->anchor, s->caret); }

bool IsContinuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }
size_t NextChar(const std::string& t, size_t i) {
  if (i >= t.size()) return t.size();
  ++i;
  while (i < t.size() && IsContinuation(t[i])) ++i;
  return i;
}
size_t PrevChar(const std::string& t, size_t i) {
  if (i == 0) return 0;
  --i;
  while (i > 0 && IsContinuation(t[i])) --i;
  return i;
}

// A DC that measures in the control's font.
class Measure {
 public:
  explicit Measure(HFONT font) : dc_(CreateCompatibleDC(nullptr)) {
    old_ = SelectObject(dc_, user::ControlFont(font));
  }
  ~Measure() {
    SelectObject(dc_, old_);
    DeleteDC(dc_);
  }
  int Width(const std::string& text, size_t from, size_t to) const {
    if (to <= from) return 0;
    SIZE size;
    GetTextExtentPoint32A(dc_, text.data() + from, static_cast<int>(to - from), &size);
    return size.cx;
  }
  int Height() const {
    TEXTMETRICA tm;
    GetTextMetricsA(dc_, &tm);
    return tm.tmHeight > 0 ? tm.tmHeight : 13;
  }

 private:
  HDC dc_;
  HGDIOBJ old_;
};

// What is shown: the text, or as many password characters.
std::string Shown(const EditState* s) {
  if (!s->password) return s->text;
  return std::string(s->text.size(), s->password);
}

RECT FormatRect(HWND hwnd, const EditState* s) {
  RECT r;
  GetClientRect(hwnd, &r);
  r.left += s->left_margin;
  r.right -= s->right_margin;
  r.top += 1;
  if (r.right < r.left) r.right = r.left;
  return r;
}

void BuildLines(HWND hwnd, EditState* s) {
  s->lines.clear();
  const std::string& t = s->text;
  const bool multi = Multi(hwnd);
  const bool wrap = multi && !(Style(hwnd) & ES_AUTOHSCROLL);
  const RECT fr = FormatRect(hwnd, s);
  const int width = fr.right - fr.left;
  Measure m(s->font);
  size_t start = 0;
  for (;;) {
    size_t end = multi ? t.find('\n', start) : std::string::npos;
    const size_t hard_end = end == std::string::npos ? t.size() : end;
    size_t line_end = hard_end;
    if (line_end > start && t[line_end - 1] == '\r' && end != std::string::npos) --line_end;
    // Soft breaks after the last space that fits, or inside a word that does not.
    size_t from = start;
    while (wrap && width > 0 && m.Width(t, from, line_end) > width) {
      size_t fit = from;
      for (size_t i = NextChar(t, from); i <= line_end; i = NextChar(t, i)) {
        if (m.Width(t, from, i) > width) break;
        fit = i;
        if (i == line_end) break;
      }
      if (fit == from) fit = NextChar(t, from);
      size_t brk = fit;
      for (size_t i = fit; i > from; --i)
        if (t[i - 1] == ' ') {
          brk = i;
          break;
        }
      s->lines.push_back({from, brk});
      from = brk;
    }
    s->lines.push_back({from, line_end});
    if (end == std::string::npos) break;
    start = end + 1;
  }
}

int LineOf(const EditState* s, size_t pos) {
  for (size_t i = s->lines.size(); i-- > 0;)
    if (s->lines[i].start <= pos) return static_cast<int>(i);
  return 0;
}

int VisibleLines(HWND hwnd, EditState* s) {
  const RECT fr = FormatRect(hwnd, s);
  const int h = Measure(s->font).Height();
  return std::max(1, static_cast<int>((fr.bottom - fr.top) / h));
}

// Client point of a text position.
POINT PosFromChar(HWND hwnd, EditState* s, size_t pos) {
  const RECT fr = FormatRect(hwnd, s);
  Measure m(s->font);
  const std::string shown = Shown(s);
  const int line = LineOf(s, pos);
  const Line& l = s->lines[static_cast<size_t>(line)];
  int x = fr.left + m.Width(shown, l.start, std::min(pos, l.end)) - s->x_offset;
  const DWORD align = Style(hwnd) & (ES_CENTER | ES_RIGHT);
  if (align && !Multi(hwnd)) {
    const int line_w = m.Width(shown, l.start, l.end);
    const int room = fr.right - fr.left;
    x += align == ES_RIGHT ? room - line_w : (room - line_w) / 2;
  }
  return POINT{x, fr.top + (line - s->first_line) * m.Height()};
}

size_t CharFromPoint(HWND hwnd, EditState* s, POINT p) {
  const RECT fr = FormatRect(hwnd, s);
  Measure m(s->font);
  const int h = m.Height();
  int line = s->first_line + (p.y - fr.top) / h;
  if (p.y < fr.top) line = s->first_line - 1;
  line = std::clamp(line, 0, static_cast<int>(s->lines.size()) - 1);
  const Line& l = s->lines[static_cast<size_t>(line)];
  const std::string shown = Shown(s);
  const int origin = PosFromChar(hwnd, s, l.start).x;
  size_t best = l.start;
  for (size_t i = l.start; i < l.end;) {
    const size_t next = NextChar(shown, i);
    const int left = origin + m.Width(shown, l.start, i);
    const int right = origin + m.Width(shown, l.start, next);
    if (p.x < (left + right) / 2) return i;
    best = next;
    i = next;
  }
  return best;
}

void ScrollBarsUpdate(HWND hwnd, EditState* s) {
  if (!Multi(hwnd) || !(Style(hwnd) & WS_VSCROLL)) return;
  SCROLLINFO info;
  info.fMask = SIF_ALL | SIF_DISABLENOSCROLL;
  info.nMin = 0;
  info.nMax = static_cast<int>(s->lines.size()) - 1;
  info.nPage = static_cast<UINT>(VisibleLines(hwnd, s));
  info.nPos = s->first_line;
  SetScrollInfo(hwnd, SB_VERT, &info, TRUE);
}

void ScrollCaretIntoView(HWND hwnd, EditState* s) {
  const RECT fr = FormatRect(hwnd, s);
  if (Multi(hwnd)) {
    const int line = LineOf(s, s->caret);
    const int visible = VisibleLines(hwnd, s);
    if (line < s->first_line) s->first_line = line;
    if (line >= s->first_line + visible) s->first_line = line - visible + 1;
  }
  const bool hscroll = (Style(hwnd) & ES_AUTOHSCROLL) != 0;
  if (hscroll) {
    const int x = PosFromChar(hwnd, s, s->caret).x;
    const int width = fr.right - fr.left;
    if (x < fr.left) s->x_offset -= fr.left - x + width / 4;
    if (x >= fr.right) s->x_offset += x - fr.right + 1 + width / 4;
    if (s->x_offset < 0) s->x_offset = 0;
  } else {
    s->x_offset = 0;
  }
  ScrollBarsUpdate(hwnd, s);
}

void PlaceCaret(HWND hwnd, EditState* s) {
  if (!s->focused) return;
  const POINT p = PosFromChar(hwnd, s, s->caret);
  SetCaretPos(p.x, p.y);
}

void Redraw(HWND hwnd, EditState* s) {
  PlaceCaret(hwnd, s);
  InvalidateRect(hwnd, nullptr, FALSE);
  UpdateWindow(hwnd);
}

void Paint(HWND hwnd, EditState* s, HDC hdc) {
  RECT client;
  GetClientRect(hwnd, &client);
  const DWORD style = Style(hwnd);
  const bool disabled = (style & WS_DISABLED) != 0;
  HGDIOBJ old_font = SelectObject(hdc, user::ControlFont(s->font));
  HBRUSH back = user::ControlColors(
      hwnd, hdc, (disabled || (style & ES_READONLY)) ? WM_CTLCOLORSTATIC : WM_CTLCOLOREDIT);
  FillRect(hdc, &client, back);
  if (disabled) SetTextColor(hdc, GetSysColor(COLOR_GRAYTEXT));
  const RECT fr = FormatRect(hwnd, s);
  const std::string shown = Shown(s);
  Measure m(s->font);
  const int h = m.Height();
  const bool show_sel = s->focused || (style & ES_NOHIDESEL);
  const size_t sel_a = SelStart(s);
  const size_t sel_b = SelEnd(s);
  const int old_mode = SetBkMode(hdc, TRANSPARENT);
  SaveDC(hdc);
  IntersectClipRect(hdc, client.left, client.top, client.right, client.bottom);
  for (size_t i = static_cast<size_t>(std::max(0, s->first_line)); i < s->lines.size(); ++i) {
    const Line& l = s->lines[i];
    const POINT at = PosFromChar(hwnd, s, l.start);
    if (at.y >= client.bottom) break;
    TextOutA(hdc, at.x, at.y, shown.data() + l.start, static_cast<int>(l.end - l.start));
    const size_t a = std::max(sel_a, l.start);
    const size_t b = std::min(sel_b, l.end);
    if (show_sel && a < b) {
      const int x0 = at.x + m.Width(shown, l.start, a);
      const int x1 = at.x + m.Width(shown, l.start, b);
      RECT hi{x0, at.y, x1, at.y + h};
      FillRect(hdc, &hi, GetSysColorBrush(COLOR_HIGHLIGHT));
      const COLORREF old = SetTextColor(hdc, GetSysColor(COLOR_HIGHLIGHTTEXT));
      TextOutA(hdc, x0, at.y, shown.data() + a, static_cast<int>(b - a));
      SetTextColor(hdc, old);
    }
  }
  RECT caret;
  if (user::CaretShownIn(hwnd, &caret)) {
    HBRUSH ink = CreateSolidBrush(GetTextColor(hdc));
    FillRect(hdc, &caret, ink);
    DeleteObject(ink);
  }
  RestoreDC(hdc, -1);
  SetBkMode(hdc, old_mode);
  SelectObject(hdc, old_font);
  (void)fr;
}

void SetSel(HWND hwnd, EditState* s, size_t anchor, size_t caret) {
  s->anchor = std::min(anchor, s->text.size());
  s->caret = std::min(caret, s->text.size());
  while (s->anchor > 0 && s->anchor < s->text.size() && IsContinuation(s->text[s->anchor])) --s->anchor;
  while (s->caret > 0 && s->caret < s->text.size() && IsContinuation(s->text[s->caret])) --s->caret;
  ScrollCaretIntoView(hwnd, s);
  Redraw(hwnd, s);
}

void Changed(HWND hwnd, EditState* s) {
  BuildLines(hwnd, s);
  if (s->first_line >= static_cast<int>(s->lines.size()))
    s->first_line = static_cast<int>(s->lines.size()) - 1;
  ScrollCaretIntoView(hwnd, s);
  user::NotifyParent(hwnd, EN_UPDATE);
  Redraw(hwnd, s);
  user::NotifyParent(hwnd, EN_CHANGE);
}

// Replaces the selection; `typed` applies the checks that only guard the user's input.
bool ReplaceSel(HWND hwnd, EditState* s, std::string in, bool can_undo, bool typed) {
  const DWORD style = Style(hwnd);
  if (!Multi(hwnd)) {
    const size_t cut = in.find_first_of("\r\n");
    if (cut != std::string::npos) in.resize(cut);
  }
  if (typed && (style & ES_NUMBER))
    for (char c : in)
      if (!std::isdigit(static_cast<unsigned char>(c))) return false;
  if (style & ES_UPPERCASE)
    for (char& c : in) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (style & ES_LOWERCASE)
    for (char& c : in) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  const size_t a = SelStart(s);
  const size_t b = SelEnd(s);
  const size_t keep = s->text.size() - (b - a);
  const size_t room = s->limit > keep ? s->limit - keep : 0;
  bool truncated = false;
  if (in.size() > room) {
    size_t n = room;
    while (n > 0 && n < in.size() && IsContinuation(in[n])) --n;
    in.resize(n);
    truncated = true;
  }
  // Without ES_AUTOHSCROLL a single line takes no more than the box shows.
  if (typed && !Multi(hwnd) && !(style & ES_AUTOHSCROLL)) {
    std::string next = s->text;
    next.replace(a, b - a, in);
    const RECT fr = FormatRect(hwnd, s);
    const std::string shown = s->password ? std::string(next.size(), s->password) : next;
    if (Measure(s->font).Width(shown, 0, shown.size()) > fr.right - fr.left) {
      user::NotifyParent(hwnd, EN_MAXTEXT);
      return false;
    }
  }
  if (truncated) user::NotifyParent(hwnd, EN_MAXTEXT);
  if (in.empty() && a == b) return false;
  if (can_undo) {
    s->undo_text = s->text;
    s->undo_anchor = s->anchor;
    s->undo_caret = s->caret;
    s->can_undo = true;
  }
  s->text.replace(a, b - a, in);
  s->anchor = s->caret = a + in.size();
  s->modified = true;
  Changed(hwnd, s);
  return true;
}

bool CopyToClipboard(HWND hwnd, EditState* s) {
  if (s->password || SelStart(s) == SelEnd(s)) return false;
  const std::string part = s->text.substr(SelStart(s), SelEnd(s) - SelStart(s));
  if (!OpenClipboard(hwnd)) return false;
  EmptyClipboard();
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, part.size() + 1);
  if (auto* p = static_cast<char*>(GlobalLock(block))) {
    std::memcpy(p, part.c_str(), part.size() + 1);
    GlobalUnlock(block);
    SetClipboardData(CF_TEXT, block);
  }
  CloseClipboard();
  return true;
}

void Paste(HWND hwnd, EditState* s) {
  if (Style(hwnd) & ES_READONLY) return;
  if (!OpenClipboard(hwnd)) return;
  std::string text;
  if (HANDLE block = GetClipboardData(CF_TEXT)) {
    if (const auto* p = static_cast<const char*>(GlobalLock(block))) {
      text.assign(p, strnlen(p, GlobalSize(block)));
      GlobalUnlock(block);
    }
  }
  CloseClipboard();
  if (!text.empty()) ReplaceSel(hwnd, s, text, true, true);
}

void Undo(HWND hwnd, EditState* s) {
  if (!s->can_undo) return;
  // Undoing twice redoes, as there is one level.
  std::swap(s->text, s->undo_text);
  std::swap(s->anchor, s->undo_anchor);
  std::swap(s->caret, s->undo_caret);
  s->anchor = std::min(s->anchor, s->text.size());
  s->caret = std::min(s->caret, s->text.size());
  s->modified = true;
  Changed(hwnd, s);
}

size_t WordLeft(const std::string& t, size_t i) {
  while (i > 0 && t[i - 1] == ' ') --i;
  while (i > 0 && t[i - 1] != ' ' && t[i - 1] != '\n') --i;
  return i;
}
size_t WordRight(const std::string& t, size_t i) {
  while (i < t.size() && t[i] != ' ' && t[i] != '\r' && t[i] != '\n') ++i;
  while (i < t.size() && t[i] == ' ') ++i;
  return i;
}

void MoveCaret(HWND hwnd, EditState* s, size_t to, bool extend) {
  SetSel(hwnd, s, extend ? s->anchor : to, to);
}

bool KeyDown(HWND hwnd, EditState* s, int vk) {
  const bool shift = GetKeyState(VK_SHIFT) < 0;
  const bool ctrl = GetKeyState(VK_CONTROL) < 0;
  const std::string& t = s->text;
  const int line = LineOf(s, s->caret);
  const Line& l = s->lines[static_cast<size_t>(line)];
  const bool readonly = (Style(hwnd) & ES_READONLY) != 0;
  switch (vk) {
    case VK_LEFT: {
      size_t to = ctrl ? WordLeft(t, s->caret) : PrevChar(t, s->caret);
      if (!ctrl && s->caret == l.start && line > 0) to = s->lines[static_cast<size_t>(line) - 1].end;
      if (!shift && s->anchor != s->caret && !ctrl) to = SelStart(s);
      MoveCaret(hwnd, s, to, shift);
      return true;
    }
    case VK_RIGHT: {
      size_t to = ctrl ? WordRight(t, s->caret) : NextChar(t, s->caret);
      if (!ctrl && s->caret == l.end && static_cast<size_t>(line) + 1 < s->lines.size())
        to = s->lines[static_cast<size_t>(line) + 1].start;
      if (!shift && s->anchor != s->caret && !ctrl) to = SelEnd(s);
      MoveCaret(hwnd, s, to, shift);
      return true;
    }
    case VK_HOME:
      MoveCaret(hwnd, s, ctrl ? 0 : l.start, shift);
      return true;
    case VK_END:
      MoveCaret(hwnd, s, ctrl ? t.size() : l.end, shift);
      return true;
    case VK_UP:
    case VK_DOWN:
    case VK_PRIOR:
    case VK_NEXT: {
      if (!Multi(hwnd)) return vk == VK_UP || vk == VK_DOWN;
      const int step = (vk == VK_PRIOR || vk == VK_NEXT) ? VisibleLines(hwnd, s) : 1;
      const int target = std::clamp(line + ((vk == VK_UP || vk == VK_PRIOR) ? -step : step), 0,
                                    static_cast<int>(s->lines.size()) - 1);
      POINT p = PosFromChar(hwnd, s, s->caret);
      const int h = Measure(s->font).Height();
      if (target < s->first_line) s->first_line = target;
      if (target >= s->first_line + VisibleLines(hwnd, s)) s->first_line = target - VisibleLines(hwnd, s) + 1;
      p.y = FormatRect(hwnd, s).top + (target - s->first_line) * h;
      MoveCaret(hwnd, s, CharFromPoint(hwnd, s, p), shift);
      return true;
    }
    case VK_DELETE:
      if (readonly) return true;
      if (shift) {
        SendMessageA(hwnd, WM_CUT, 0, 0);
      } else if (s->anchor == s->caret) {
        size_t next = NextChar(t, s->caret);
        if (s->caret == l.end && static_cast<size_t>(line) + 1 < s->lines.size())
          next = s->lines[static_cast<size_t>(line) + 1].start;
        s->anchor = next;
        ReplaceSel(hwnd, s, "", true, true);
      } else {
        ReplaceSel(hwnd, s, "", true, true);
      }
      return true;
    case VK_INSERT:
      if (ctrl) SendMessageA(hwnd, WM_COPY, 0, 0);
      if (shift) SendMessageA(hwnd, WM_PASTE, 0, 0);
      return true;
    default:
      return false;
  }
}

void Char(HWND hwnd, EditState* s, WPARAM ch) {
  const bool readonly = (Style(hwnd) & ES_READONLY) != 0;
  switch (ch) {
    case 0x01:  // Ctrl+A
      SetSel(hwnd, s, 0, s->text.size());
      return;
    case 0x03:  // Ctrl+C
      SendMessageA(hwnd, WM_COPY, 0, 0);
      return;
    case 0x16:  // Ctrl+V
      SendMessageA(hwnd, WM_PASTE, 0, 0);
      return;
    case 0x18:  // Ctrl+X
      SendMessageA(hwnd, WM_CUT, 0, 0);
      return;
    case 0x1A:  // Ctrl+Z
      SendMessageA(hwnd, WM_UNDO, 0, 0);
      return;
    default:
      break;
  }
  if (readonly) return;
  if (ch == 0x7F) {  // Ctrl+Backspace: the word before the caret, else as Backspace
    if (s->anchor == s->caret) s->anchor = WordLeft(s->text, s->caret);
    if (s->anchor != s->caret) {
      ReplaceSel(hwnd, s, "", true, true);
      return;
    }
    ch = 0x08;
  }
  if (ch == 0x08) {
    if (s->anchor == s->caret) {
      size_t prev = PrevChar(s->text, s->caret);
      if (prev + 2 == s->caret && s->text.compare(prev, 2, "\r\n") == 0) prev = s->caret - 2;
      if (s->caret > 0 && s->text[s->caret - 1] == '\n' && s->caret >= 2 && s->text[s->caret - 2] == '\r')
        prev = s->caret - 2;
      s->anchor = prev;
    }
    ReplaceSel(hwnd, s, "", true, true);
    return;
  }
  if (ch == '\r' || ch == '\n') {
    if (Multi(hwnd)) ReplaceSel(hwnd, s, "\r\n", true, true);
    return;
  }
  if (ch == '\t') {
    if (Multi(hwnd)) ReplaceSel(hwnd, s, "\t", true, true);
    return;
  }
  if (ch < 0x20) return;
  std::string in;
  fonts::AppendUtf8(in, static_cast<char32_t>(ch));
  ReplaceSel(hwnd, s, in, true, true);
}

void ScrollLines(HWND hwnd, EditState* s, int first) {
  const int last = std::max(0, static_cast<int>(s->lines.size()) - VisibleLines(hwnd, s));
  first = std::clamp(first, 0, last);
  if (first == s->first_line) return;
  s->first_line = first;
  ScrollBarsUpdate(hwnd, s);
  Redraw(hwnd, s);
  user::NotifyParent(hwnd, EN_VSCROLL);
}

void SetText(HWND hwnd, EditState* s, const char* text) {
  s->text = text ? text : "";
  if (!Multi(hwnd)) {
    const size_t cut = s->text.find_first_of("\r\n");
    if (cut != std::string::npos) s->text.resize(cut);
  }
  s->anchor = s->caret = 0;
  s->first_line = 0;
  s->x_offset = 0;
  s->modified = false;
  s->can_undo = false;
}

LRESULT OnLayout(HWND hwnd, EditState* s) {
  BuildLines(hwnd, s);
  ScrollCaretIntoView(hwnd, s);
  return 0;
}

LRESULT OnGetDlgCode(HWND hwnd) {
  LRESULT code = DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS;
  if (Multi(hwnd)) code |= DLGC_WANTALLKEYS;
  return code;
}

LRESULT OnSetFont(HWND hwnd, EditState* s, WPARAM wparam, LPARAM lparam) {
  s->font = reinterpret_cast<HFONT>(wparam);
  BuildLines(hwnd, s);
  if (s->focused) {
    CreateCaret(hwnd, nullptr, 1, Measure(s->font).Height());
    ShowCaret(hwnd);
  }
  if (LOWORD(lparam)) Redraw(hwnd, s);
  return 0;
}

LRESULT OnSetText(HWND hwnd, EditState* s, UINT message, WPARAM wparam, LPARAM lparam) {
  DefWindowProcA(hwnd, message, wparam, lparam);
  SetText(hwnd, s, reinterpret_cast<const char*>(lparam));
  Changed(hwnd, s);
  s->modified = false;
  return TRUE;
}

LRESULT OnGetText(EditState* s, WPARAM wparam, LPARAM lparam) {
  if (wparam == 0 || !lparam) return 0;
  const size_t n = std::min(s->text.size(), static_cast<size_t>(wparam) - 1);
  std::memcpy(reinterpret_cast<char*>(lparam), s->text.data(), n);
  reinterpret_cast<char*>(lparam)[n] = '\0';
  return static_cast<LRESULT>(n);
}

LRESULT OnSetFocus(HWND hwnd, EditState* s) {
  s->focused = true;
  CreateCaret(hwnd, nullptr, 1, Measure(s->font).Height());
  PlaceCaret(hwnd, s);
  ShowCaret(hwnd);
  Redraw(hwnd, s);
  user::NotifyParent(hwnd, EN_SETFOCUS);
  return 0;
}

LRESULT OnKillFocus(HWND hwnd, EditState* s) {
  s->focused = false;
  s->selecting = false;
  DestroyCaret();
  Redraw(hwnd, s);
  user::NotifyParent(hwnd, EN_KILLFOCUS);
  return 0;
}

LRESULT OnLButtonDown(HWND hwnd, EditState* s, WPARAM wparam, LPARAM lparam) {
  if (GetFocus() != hwnd) SetFocus(hwnd);
  const size_t at = CharFromPoint(hwnd, s, POINT{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)});
  const bool extend = (wparam & MK_SHIFT) != 0;
  SetSel(hwnd, s, extend ? s->anchor : at, at);
  s->selecting = true;
  SetCapture(hwnd);
  return 0;
}

LRESULT OnDoubleClick(HWND hwnd, EditState* s, LPARAM lparam) {
  const size_t at = CharFromPoint(hwnd, s, POINT{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)});
  size_t a = at;
  size_t b = at;
  while (a > 0 && s->text[a - 1] != ' ' && s->text[a - 1] != '\n') --a;
  while (b < s->text.size() && s->text[b] != ' ' && s->text[b] != '\r' && s->text[b] != '\n') ++b;
  SetSel(hwnd, s, a, b);
  return 0;
}

LRESULT OnMouseMove(HWND hwnd, EditState* s, LPARAM lparam) {
  if (s->selecting) {
    const size_t at = CharFromPoint(hwnd, s, POINT{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)});
    if (at != s->caret) SetSel(hwnd, s, s->anchor, at);
  }
  return 0;
}

LRESULT OnVScroll(HWND hwnd, EditState* s, WPARAM wparam, LPARAM lparam) {
  if (lparam) return 0;
  const WORD request = LOWORD(wparam);
  int first = s->first_line;
  if (request == SB_THUMBTRACK || request == SB_THUMBPOSITION) {
    SCROLLINFO info;
    info.fMask = SIF_TRACKPOS;
    GetScrollInfo(hwnd, SB_VERT, &info);
    first = info.nTrackPos;
  } else if (!user::LineScrollTarget(request, s->first_line, VisibleLines(hwnd, s),
                                     static_cast<int>(s->lines.size()), &first)) {
    return 0;
  }
  ScrollLines(hwnd, s, first);
  return 0;
}

LRESULT OnUndo(HWND hwnd, EditState* s) {
  if (!s->can_undo) return FALSE;
  Undo(hwnd, s);
  return TRUE;
}

LRESULT OnEmptyUndoBuffer(EditState* s) {
  s->can_undo = false;
  s->undo_text.clear();
  return 0;
}

LRESULT OnGetSel(EditState* s, WPARAM wparam, LPARAM lparam) {
  const size_t a = SelStart(s);
  const size_t b = SelEnd(s);
  if (wparam) *reinterpret_cast<DWORD*>(wparam) = static_cast<DWORD>(a);
  if (lparam) *reinterpret_cast<DWORD*>(lparam) = static_cast<DWORD>(b);
  return static_cast<LRESULT>(MAKELONG(static_cast<WORD>(std::min<size_t>(a, 0xFFFF)),
                                       static_cast<WORD>(std::min<size_t>(b, 0xFFFF))));
}

LRESULT OnSetSel(HWND hwnd, EditState* s, WPARAM wparam, LPARAM lparam) {
  const auto start = static_cast<int>(static_cast<intptr_t>(wparam));
  const auto end = static_cast<int>(lparam);
  if (start < 0) {
    SetSel(hwnd, s, s->caret, s->caret);
    return 0;
  }
  const size_t to = end < 0 ? s->text.size() : static_cast<size_t>(end);
  SetSel(hwnd, s, static_cast<size_t>(start), to);
  return 0;
}

LRESULT OnLineIndex(EditState* s, WPARAM wparam) {
  int line = static_cast<int>(static_cast<intptr_t>(wparam));
  if (line < 0) line = LineOf(s, s->caret);
  if (line >= static_cast<int>(s->lines.size())) return -1;
  return static_cast<LRESULT>(s->lines[static_cast<size_t>(line)].start);
}

LRESULT OnLineLength(EditState* s, WPARAM wparam) {
  const auto index = static_cast<intptr_t>(wparam);
  if (index < 0) {
    // The unselected parts of the lines the selection touches.
    const Line& first = s->lines[static_cast<size_t>(LineOf(s, SelStart(s)))];
    const Line& last = s->lines[static_cast<size_t>(LineOf(s, SelEnd(s)))];
    return static_cast<LRESULT>((SelStart(s) - first.start) + (last.end - std::min(last.end, SelEnd(s))));
  }
  const Line& l = s->lines[static_cast<size_t>(LineOf(s, std::min<size_t>(index, s->text.size())))];
  return static_cast<LRESULT>(l.end - l.start);
}

LRESULT OnGetLine(EditState* s, WPARAM wparam, LPARAM lparam) {
  const auto line = static_cast<size_t>(wparam);
  if (line >= s->lines.size() || !lparam) return 0;
  char* buffer = reinterpret_cast<char*>(lparam);
  WORD capacity = 0;
  std::memcpy(&capacity, buffer, sizeof(capacity));
  const Line& l = s->lines[line];
  const size_t n = std::min<size_t>(capacity, l.end - l.start);
  std::memcpy(buffer, s->text.data() + l.start, n);
  return static_cast<LRESULT>(n);
}

LRESULT OnScroll(HWND hwnd, EditState* s, WPARAM wparam) {
  if (!Multi(hwnd)) return FALSE;
  const int before = s->first_line;
  SendMessageA(hwnd, WM_VSCROLL, wparam, 0);
  return MAKELONG(static_cast<WORD>(s->first_line - before), TRUE);
}

LRESULT OnScrollCaret(HWND hwnd, EditState* s) {
  ScrollCaretIntoView(hwnd, s);
  Redraw(hwnd, s);
  return TRUE;
}

LRESULT OnSetReadOnly(HWND hwnd, EditState* s, WPARAM wparam) {
  const DWORD style = Style(hwnd);
  SetWindowLongA(hwnd, GWL_STYLE, static_cast<LONG>(wparam ? (style | ES_READONLY) : (style & ~ES_READONLY)));
  Redraw(hwnd, s);
  return TRUE;
}

LRESULT OnSetPasswordChar(HWND hwnd, EditState* s, WPARAM wparam) {
  s->password = static_cast<char>(wparam);
  const DWORD style = Style(hwnd);
  SetWindowLongA(hwnd, GWL_STYLE, static_cast<LONG>(wparam ? (style | ES_PASSWORD) : (style & ~ES_PASSWORD)));
  BuildLines(hwnd, s);
  Redraw(hwnd, s);
  return 0;
}

LRESULT OnSetMargins(HWND hwnd, EditState* s, WPARAM wparam, LPARAM lparam) {
  if (wparam & EC_LEFTMARGIN) s->left_margin = LOWORD(static_cast<uintptr_t>(lparam));
  if (wparam & EC_RIGHTMARGIN) s->right_margin = HIWORD(static_cast<uintptr_t>(lparam));
  BuildLines(hwnd, s);
  Redraw(hwnd, s);
  return 0;
}

LRESULT OnPosFromChar(HWND hwnd, EditState* s, WPARAM wparam) {
  if (wparam > s->text.size()) return -1;
  const POINT p = PosFromChar(hwnd, s, wparam);
  return MAKELONG(static_cast<WORD>(p.x), static_cast<WORD>(p.y));
}

// Clipboard and undo commands and the edit control's own messages.
LRESULT EditMessage(HWND hwnd, EditState* s, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_COPY:
      CopyToClipboard(hwnd, s);
      return 0;
    case WM_CUT:
      if (!(Style(hwnd) & ES_READONLY) && CopyToClipboard(hwnd, s)) ReplaceSel(hwnd, s, "", true, false);
      return 0;
    case WM_PASTE:
      Paste(hwnd, s);
      return 0;
    case WM_CLEAR:
      if (!(Style(hwnd) & ES_READONLY)) ReplaceSel(hwnd, s, "", true, false);
      return 0;
    case WM_UNDO:
    case EM_UNDO:
      return OnUndo(hwnd, s);
    case EM_CANUNDO:
      return s->can_undo ? TRUE : FALSE;
    case EM_EMPTYUNDOBUFFER:
      return OnEmptyUndoBuffer(s);
    case EM_GETSEL:
      return OnGetSel(s, wparam, lparam);
    case EM_SETSEL:
      return OnSetSel(hwnd, s, wparam, lparam);
    case EM_REPLACESEL:
      ReplaceSel(hwnd, s, lparam ? reinterpret_cast<const char*>(lparam) : "", wparam != 0, false);
      return 0;
    case EM_LIMITTEXT:
      s->limit = wparam ? static_cast<size_t>(wparam) : kDefaultLimit;
      return 0;
    case EM_GETLIMITTEXT:
      return static_cast<LRESULT>(s->limit);
    case EM_GETMODIFY:
      return s->modified ? TRUE : FALSE;
    case EM_SETMODIFY:
      s->modified = wparam != 0;
      return 0;
    case EM_GETLINECOUNT:
      return static_cast<LRESULT>(s->lines.size());
    case EM_LINEINDEX:
      return OnLineIndex(s, wparam);
    case EM_LINELENGTH:
      return OnLineLength(s, wparam);
    case EM_LINEFROMCHAR: {
      const auto index = static_cast<intptr_t>(wparam);
      return LineOf(s, index < 0 ? s->caret : std::min<size_t>(index, s->text.size()));
    }
    case EM_GETLINE:
      return OnGetLine(s, wparam, lparam);
    case EM_GETFIRSTVISIBLELINE:
      return Multi(hwnd) ? s->first_line : 0;
    case EM_LINESCROLL:
      if (Multi(hwnd)) ScrollLines(hwnd, s, s->first_line + static_cast<int>(lparam));
      return TRUE;
    case EM_SCROLL:
      return OnScroll(hwnd, s, wparam);
    case EM_SCROLLCARET:
      return OnScrollCaret(hwnd, s);
    case EM_SETREADONLY:
      return OnSetReadOnly(hwnd, s, wparam);
    case EM_SETPASSWORDCHAR:
      return OnSetPasswordChar(hwnd, s, wparam);
    case EM_GETPASSWORDCHAR:
      return static_cast<unsigned char>(s->password);
    case EM_SETMARGINS:
      return OnSetMargins(hwnd, s, wparam, lparam);
    case EM_GETMARGINS:
      return MAKELONG(static_cast<WORD>(s->left_margin), static_cast<WORD>(s->right_margin));
    case EM_GETRECT:
      if (lparam) *reinterpret_cast<RECT*>(lparam) = FormatRect(hwnd, s);
      return 0;
    case EM_POSFROMCHAR:
      return OnPosFromChar(hwnd, s, wparam);
    case EM_CHARFROMPOS: {
      const size_t at = CharFromPoint(hwnd, s, POINT{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)});
      return MAKELONG(static_cast<WORD>(at), static_cast<WORD>(LineOf(s, at)));
    }
    default:
      return DefWindowProcA(hwnd, message, wparam, lparam);
  }
}

LRESULT EditProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* s = user::StateOf<EditState>(hwnd);
  if (!s) {
    if (message == WM_NCCREATE) {
      s = user::AttachState<EditState>(hwnd);
      const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lparam);
      if (create && create->lpszName && !IS_INTRESOURCE(create->lpszName)) SetText(hwnd, s, create->lpszName);
      if (Style(hwnd) & ES_PASSWORD) s->password = '*';
      BuildLines(hwnd, s);
    }
    return DefWindowProcA(hwnd, message, wparam, lparam);
  }
  switch (message) {
    case WM_NCDESTROY:
      return user::DetachState(hwnd, s, message, wparam, lparam);
    case WM_CREATE:
    case WM_SIZE:
      return OnLayout(hwnd, s);
    case WM_GETDLGCODE:
      return OnGetDlgCode(hwnd);
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
    case WM_PRINTCLIENT:
      return user::PaintMessage(hwnd, message, wparam, [&](HDC hdc) { Paint(hwnd, s, hdc); });
    case WM_SETFONT:
      return OnSetFont(hwnd, s, wparam, lparam);
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(s->font);
    case WM_SETTEXT:
      return OnSetText(hwnd, s, message, wparam, lparam);
    case WM_GETTEXT:
      return OnGetText(s, wparam, lparam);
    case WM_GETTEXTLENGTH:
      return static_cast<LRESULT>(s->text.size());
    case WM_ENABLE:
      Redraw(hwnd, s);
      return 0;
    case WM_SETFOCUS:
      return OnSetFocus(hwnd, s);
    case WM_KILLFOCUS:
      return OnKillFocus(hwnd, s);
    case WM_LBUTTONDOWN:
      return OnLButtonDown(hwnd, s, wparam, lparam);
    case WM_LBUTTONDBLCLK:
      return OnDoubleClick(hwnd, s, lparam);
    case WM_MOUSEMOVE:
      return OnMouseMove(hwnd, s, lparam);
    case WM_LBUTTONUP:
      user::EndCapturedOperation(hwnd, &s->selecting);
      return 0;
    case WM_CAPTURECHANGED:
      s->selecting = false;
      return 0;
    case WM_KEYDOWN:
      if (KeyDown(hwnd, s, static_cast<int>(wparam))) return 0;
      return DefWindowProcA(hwnd, message, wparam, lparam);
    case WM_CHAR:
      Char(hwnd, s, wparam);
      return 0;
    case WM_VSCROLL:
      return OnVScroll(hwnd, s, wparam, lparam);
    case WM_MOUSEWHEEL:
      if (Multi(hwnd)) ScrollLines(hwnd, s, s->first_line - 3 * GET_WHEEL_DELTA_WPARAM(wparam) / WHEEL_DELTA);
      return 0;
    default:
      return EditMessage(hwnd, s, message, wparam, lparam);
  }
}

}  // namespace

namespace user {

bool EditKeepsKey(HWND hwnd, UINT vk, bool shift, bool ctrl, bool alt) {
  char name[16] = {};
  if (alt || !hwnd || !GetClassNameA(hwnd, name, sizeof name) || strcasecmp(name, WC_EDITA) != 0)
    return false;
  const DWORD style = Style(hwnd);
  const bool writable = !(style & ES_READONLY);
  const int key = static_cast<int>(vk);
  switch (key) {
    case VK_LEFT:
    case VK_RIGHT:
    case VK_HOME:
    case VK_END:
    case VK_UP:
    case VK_DOWN:
      return true;
    case VK_PRIOR:
    case VK_NEXT:
      return (style & ES_MULTILINE) != 0;
    case VK_INSERT:
      return ctrl || (shift && writable);
    case VK_DELETE:
    case VK_BACK:
      return writable;
    case 'A':
    case 'C':
      return true;
    case 'V':
    case 'X':
    case 'Z':
      return writable;
    default:
      break;
  }
  if (ctrl) return false;
  // Keys that type a character: letters, digits, space, the keypad and punctuation.
  const bool typing = key == VK_SPACE || (key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z') ||
                      (key >= VK_NUMPAD0 && key <= VK_DIVIDE) || (key >= VK_OEM_1 && key <= VK_OEM_3) ||
                      (key >= VK_OEM_4 && key <= 0xDF) || key == 0xE2;
  return typing && writable;
}

bool RegisterEditClass() {
  return RegisterControlClass(WC_EDITA, EditProc, CS_DBLCLKS | CS_GLOBALCLASS, IDC_IBEAM);
}

}  // namespace user

}  // namespace plat
