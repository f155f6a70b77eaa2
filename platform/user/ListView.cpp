#include "platform/user/ListView.h"

#include <strings.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "platform/gdi/Colors.h"
#include "platform/gdi/Text.h"
#include "platform/user/Cursor.h"
#include "platform/user/Focus.h"
#include "platform/user/Geometry.h"
#include "platform/user/Header.h"
#include "platform/user/Input.h"
#include "platform/user/Messages.h"
#include "platform/user/Paint.h"
#include "platform/user/ScrollBar.h"

namespace plat {

namespace {

constexpr COLORREF kDefault = 0xFF000000;  // CLR_DEFAULT
constexpr int kSmallIcon = 16;
constexpr int kCellMargin = 6;
constexpr int kHeaderId = 0;

struct Row {
  std::vector<std::string> texts{std::string()};
  int image = -1;
  LPARAM param = 0;
  UINT state = 0;
  int indent = 0;
};

struct ListState {
  HWND header = nullptr;
  std::vector<Row> rows;
  int top = 0;
  int mark = -1;  // where Shift selections start
  COLORREF back = kDefault, text = kDefault, text_back = kDefault;
  DWORD ex_style = 0;
  HIMAGELIST images[3] = {};
  HFONT font = nullptr;
  bool focused = false;
};

DWORD Style(HWND hwnd) { return static_cast<DWORD>(GetWindowLongA(hwnd, GWL_STYLE)); }
int Count(const ListState* s) { return static_cast<int>(s->rows.size()); }
bool Valid(const ListState* s, int i) { return i >= 0 && i < Count(s); }

int RowHeight(const ListState* s) { return std::max(user::FontLineHeight(s->font) + 4, kSmallIcon + 1); }

int HeaderHeight(const ListState* s) {
  if (!s->header || !IsWindowVisible(s->header)) return 0;
  RECT r;
  GetWindowRect(s->header, &r);
  return r.bottom - r.top;
}

int PerPage(HWND hwnd, const ListState* s) {
  RECT client;
  GetClientRect(hwnd, &client);
  return std::max(1, (client.bottom - HeaderHeight(s)) / RowHeight(s));
}

int Columns(const ListState* s) {
  return s->header ? static_cast<int>(SendMessageA(s->header, HDM_GETITEMCOUNT, 0, 0)) : 0;
}

// The column's extent across the view; column 0 spans the view when there are no columns.
RECT ColumnRect(HWND hwnd, const ListState* s, int column) {
  RECT r{};
  if (!s->header ||
      !SendMessageA(s->header, HDM_GETITEMRECT, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&r))) {
    GetClientRect(hwnd, &r);
    if (column > 0) r.left = r.right;
  }
  return r;
}

int RowsRight(HWND hwnd, const ListState* s) {
  int right = 0;
  for (int c = 0; c < std::max(1, Columns(s)); ++c)
    right = std::max<int>(right, ColumnRect(hwnd, s, c).right);
  return right;
}

int RowTop(const ListState* s, int i) { return HeaderHeight(s) + (i - s->top) * RowHeight(s); }

RECT ItemRect(HWND hwnd, const ListState* s, int i, int code) {
  const int y = RowTop(s, i);
  const int h = RowHeight(s);
  const RECT first = ColumnRect(hwnd, s, 0);
  const int icon = s->images[LVSIL_SMALL] ? kSmallIcon : 0;
  switch (code) {
    case LVIR_ICON:
      return RECT{first.left, y, first.left + icon, y + h};
    case LVIR_LABEL:
      return RECT{first.left + icon, y, first.right, y + h};
    case LVIR_SELECTBOUNDS:
      if (!(s->ex_style & LVS_EX_FULLROWSELECT)) return RECT{first.left, y, first.right, y + h};
      [[fallthrough]];
    default:
      return RECT{0, y, RowsRight(hwnd, s), y + h};
  }
}

void Invalidate(HWND hwnd) { InvalidateRect(hwnd, nullptr, FALSE); }

void UpdateScroll(HWND hwnd, ListState* s) {
  const int per_page = PerPage(hwnd, s);
  s->top = std::clamp(s->top, 0, std::max(0, Count(s) - per_page));
  if (Style(hwnd) & LVS_NOSCROLL) return;
  SCROLLINFO info;
  info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
  info.nMin = 0;
  info.nMax = std::max(0, Count(s) - 1);
  info.nPage = static_cast<UINT>(per_page);
  info.nPos = s->top;
  SetScrollInfo(hwnd, SB_VERT, &info, TRUE);
}

void ScrollTo(HWND hwnd, ListState* s, int top) {
  const int old = s->top;
  s->top = top;
  UpdateScroll(hwnd, s);
  if (s->top != old) Invalidate(hwnd);
}

void EnsureVisible(HWND hwnd, ListState* s, int i) {
  if (!Valid(s, i)) return;
  const int per_page = PerPage(hwnd, s);
  if (i < s->top)
    ScrollTo(hwnd, s, i);
  else if (i >= s->top + per_page)
    ScrollTo(hwnd, s, i - per_page + 1);
}

void LayoutHeader(HWND hwnd, ListState* s) {
  if (!s->header) return;
  RECT client;
  GetClientRect(hwnd, &client);
  WINDOWPOS pos;
  HDLAYOUT layout{&client, &pos};
  SendMessageA(s->header, HDM_LAYOUT, 0, reinterpret_cast<LPARAM>(&layout));
  SetWindowPos(s->header, nullptr, pos.x, pos.y, pos.cx, pos.cy, SWP_NOZORDER | SWP_NOACTIVATE);
}

NMLISTVIEW Notice(const ListState* s, int i) {
  NMLISTVIEW nm;
  nm.iItem = i;
  if (Valid(s, i)) nm.lParam = s->rows[static_cast<size_t>(i)].param;
  return nm;
}

// Changes one item's state bits, asking the parent first; false when refused.
bool SetState(HWND hwnd, ListState* s, int i, UINT state, UINT mask) {
  Row& row = s->rows[static_cast<size_t>(i)];
  const UINT old = row.state;
  const UINT wanted = (old & ~mask) | (state & mask);
  if (wanted == old) return true;
  NMLISTVIEW nm = Notice(s, i);
  nm.uChanged = LVIF_STATE;
  nm.uOldState = old;
  nm.uNewState = wanted;
  if (user::SendNotify(hwnd, LVN_ITEMCHANGING, &nm.hdr)) return false;
  // One item has the focus; one is selected in a single-selection view.
  const UINT gained = wanted & ~old;
  for (int j = 0; j < Count(s); ++j) {
    if (j == i) continue;
    if ((gained & LVIS_FOCUSED) && (s->rows[static_cast<size_t>(j)].state & LVIS_FOCUSED))
      SetState(hwnd, s, j, 0, LVIS_FOCUSED);
    if ((gained & LVIS_SELECTED) && (Style(hwnd) & LVS_SINGLESEL) &&
        (s->rows[static_cast<size_t>(j)].state & LVIS_SELECTED))
      SetState(hwnd, s, j, 0, LVIS_SELECTED);
  }
  s->rows[static_cast<size_t>(i)].state = wanted;
  Invalidate(hwnd);
  nm = Notice(s, i);
  nm.uChanged = LVIF_STATE;
  nm.uOldState = old;
  nm.uNewState = wanted;
  user::SendNotify(hwnd, LVN_ITEMCHANGED, &nm.hdr);
  return true;
}

int FocusedItem(const ListState* s) {
  for (int i = 0; i < Count(s); ++i)
    if (s->rows[static_cast<size_t>(i)].state & LVIS_FOCUSED) return i;
  return -1;
}

// Selects exactly the items from `first` to `last`, then focuses `focus`.
void SelectRange(HWND hwnd, ListState* s, int first, int last, int focus) {
  if (first > last) std::swap(first, last);
  for (int j = 0; j < Count(s); ++j)
    if ((j < first || j > last) && (s->rows[static_cast<size_t>(j)].state & LVIS_SELECTED))
      SetState(hwnd, s, j, 0, LVIS_SELECTED);
  // The focused item gains both states in one change, as one notice.
  for (int j = first; j <= last; ++j) {
    const UINT bits = LVIS_SELECTED | (j == focus ? LVIS_FOCUSED : 0);
    SetState(hwnd, s, j, bits, bits);
  }
  if (Valid(s, focus) && (focus < first || focus > last))
    SetState(hwnd, s, focus, LVIS_FOCUSED, LVIS_FOCUSED);
}

int HitTest(HWND hwnd, const ListState* s, POINT p, UINT* flags, int* subitem) {
  RECT client;
  GetClientRect(hwnd, &client);
  *flags = 0;
  *subitem = 0;
  if (p.y < HeaderHeight(s)) *flags |= LVHT_ABOVE;
  if (p.y >= client.bottom) *flags |= LVHT_BELOW;
  if (p.x < 0) *flags |= LVHT_TOLEFT;
  if (p.x >= client.right) *flags |= LVHT_TORIGHT;
  if (*flags) return -1;
  const int i = s->top + (p.y - HeaderHeight(s)) / RowHeight(s);
  const int right = RowsRight(hwnd, s);
  if (!Valid(s, i) || p.x >= right) {
    *flags = LVHT_NOWHERE;
    return -1;
  }
  for (int c = 0; c < std::max(1, Columns(s)); ++c) {
    const RECT col = ColumnRect(hwnd, s, c);
    if (p.x >= col.left && p.x < col.right) *subitem = c;
  }
  const RECT icon = ItemRect(hwnd, s, i, LVIR_ICON);
  const RECT label = ItemRect(hwnd, s, i, LVIR_LABEL);
  if (PtInRect(&icon, p))
    *flags = LVHT_ONITEMICON;
  else if (PtInRect(&label, p) || (s->ex_style & LVS_EX_FULLROWSELECT))
    *flags = LVHT_ONITEMLABEL;
  else
    *flags = LVHT_NOWHERE;
  return *flags == LVHT_NOWHERE ? -1 : i;
}

// ---- painting ----------------------------------------------------------------

void FillColor(HDC hdc, const RECT& r, COLORREF color) {
  HBRUSH brush = CreateSolidBrush(color);
  FillRect(hdc, &r, brush);
  DeleteObject(brush);
}

void Paint(HWND hwnd, ListState* s, HDC hdc) {
  RECT client;
  GetClientRect(hwnd, &client);
  const COLORREF back = s->back == kDefault ? GetSysColor(COLOR_WINDOW) : s->back;
  FillColor(hdc, client, back);
  HGDIOBJ old_font = SelectObject(hdc, user::ControlFont(s->font));
  const int old_mode = SetBkMode(hdc, TRANSPARENT);
  const bool show_selection = s->focused || (Style(hwnd) & LVS_SHOWSELALWAYS);
  const int columns = std::max(1, Columns(s));
  const int h = RowHeight(s);
  for (int i = s->top; i < Count(s) && RowTop(s, i) < client.bottom; ++i) {
    const Row& row = s->rows[static_cast<size_t>(i)];
    const RECT bounds = ItemRect(hwnd, s, i, LVIR_BOUNDS);
    const bool selected = (row.state & LVIS_SELECTED) && show_selection;
    if (Style(hwnd) & LVS_OWNERDRAWFIXED) {
      const UINT state =
          (selected ? ODS_SELECTED : 0) | ((row.state & LVIS_FOCUSED) && s->focused ? ODS_FOCUS : 0);
      user::SendDrawItem(hwnd, ODT_LISTVIEW, static_cast<UINT>(i), state, hdc, bounds,
                         static_cast<ULONG_PTR>(row.param));
      continue;
    }
    const RECT marked = ItemRect(hwnd, s, i, LVIR_SELECTBOUNDS);
    if (selected) FillColor(hdc, marked, GetSysColor(s->focused ? COLOR_HIGHLIGHT : COLOR_3DFACE));
    for (int c = 0; c < columns; ++c) {
      RECT cell = c == 0 ? ItemRect(hwnd, s, i, LVIR_LABEL) : ColumnRect(hwnd, s, c);
      cell.top = bounds.top;
      cell.bottom = bounds.top + h;
      const bool cell_selected = selected && (c == 0 || (s->ex_style & LVS_EX_FULLROWSELECT));
      COLORREF color = s->text == kDefault ? GetSysColor(COLOR_WINDOWTEXT) : s->text;
      if (cell_selected && s->focused) color = GetSysColor(COLOR_HIGHLIGHTTEXT);
      SetTextColor(hdc, color);
      const std::string& text =
          static_cast<size_t>(c) < row.texts.size() ? row.texts[static_cast<size_t>(c)] : "";
      int fmt = LVCFMT_LEFT;
      if (s->header && c < Columns(s)) {
        HDITEMA item;
        item.mask = HDI_FORMAT;
        SendMessageA(s->header, HDM_GETITEMA, static_cast<WPARAM>(c), reinterpret_cast<LPARAM>(&item));
        fmt = item.fmt & HDF_JUSTIFYMASK;
      }
      static constexpr UINT kAlign[3] = {DT_LEFT, DT_RIGHT, DT_CENTER};
      InflateRect(&cell, -kCellMargin / 2, 0);
      DrawTextA(hdc, text.c_str(), static_cast<int>(text.size()), &cell,
                kAlign[fmt] | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
    }
    if (s->ex_style & LVS_EX_GRIDLINES) {
      RECT line{bounds.left, bounds.bottom - 1, bounds.right, bounds.bottom};
      FillRect(hdc, &line, GetSysColorBrush(COLOR_3DFACE));
      for (int c = 0; c < columns; ++c) {
        const RECT col = ColumnRect(hwnd, s, c);
        RECT v{col.right - 1, bounds.top, col.right, bounds.bottom};
        FillRect(hdc, &v, GetSysColorBrush(COLOR_3DFACE));
      }
    }
    if ((row.state & LVIS_FOCUSED) && s->focused) DrawFocusRect(hdc, &marked);
  }
  SetBkMode(hdc, old_mode);
  SelectObject(hdc, old_font);
}

// ---- input -------------------------------------------------------------------

bool ControlDown() { return (GetKeyState(VK_CONTROL) & 0x8000) != 0; }
bool ShiftDown() { return (GetKeyState(VK_SHIFT) & 0x8000) != 0; }

void NotifyActivate(HWND hwnd, ListState* s, UINT code, int item, POINT p) {
  NMITEMACTIVATE nm;
  nm.iItem = item;
  nm.ptAction = p;
  if (Valid(s, item)) nm.lParam = s->rows[static_cast<size_t>(item)].param;
  user::SendNotify(hwnd, code, &nm.hdr);
}

void ButtonDown(HWND hwnd, ListState* s, LPARAM lparam, bool right) {
  if (GetFocus() != hwnd) SetFocus(hwnd);
  const POINT p{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
  UINT flags = 0;
  int subitem = 0;
  const int i = HitTest(hwnd, s, p, &flags, &subitem);
  const bool single = (Style(hwnd) & LVS_SINGLESEL) != 0;
  if (i < 0) {
    // A click on empty space clears the selection.
    if (!ControlDown() && !ShiftDown())
      for (int j = 0; j < Count(s); ++j) SetState(hwnd, s, j, 0, LVIS_SELECTED);
  } else if (right) {
    if (!(s->rows[static_cast<size_t>(i)].state & LVIS_SELECTED)) SelectRange(hwnd, s, i, i, i);
  } else if (ControlDown() && !single) {
    const UINT selected = s->rows[static_cast<size_t>(i)].state & LVIS_SELECTED;
    SetState(hwnd, s, i, (selected ^ LVIS_SELECTED) | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    s->mark = i;
  } else if (ShiftDown() && !single && Valid(s, s->mark)) {
    SelectRange(hwnd, s, s->mark, i, i);
  } else {
    SelectRange(hwnd, s, i, i, i);
    s->mark = i;
  }
  NotifyActivate(hwnd, s, right ? NM_RCLICK : NM_CLICK, i, p);
}

void KeyDown(HWND hwnd, ListState* s, int vk) {
  NMLVKEYDOWN nm;
  nm.wVKey = static_cast<WORD>(vk);
  user::SendNotify(hwnd, LVN_KEYDOWN, &nm.hdr);
  if (Count(s) == 0) return;
  const int focus = FocusedItem(s);
  const int from = focus < 0 ? 0 : focus;
  int target = -1;
  switch (vk) {
    case VK_UP:
      target = focus < 0 ? 0 : std::max(0, from - 1);
      break;
    case VK_DOWN:
      target = focus < 0 ? 0 : std::min(Count(s) - 1, from + 1);
      break;
    case VK_HOME:
      target = 0;
      break;
    case VK_END:
      target = Count(s) - 1;
      break;
    case VK_PRIOR:
      target = std::max(0, from - PerPage(hwnd, s) + 1);
      break;
    case VK_NEXT:
      target = std::min(Count(s) - 1, from + PerPage(hwnd, s) - 1);
      break;
    case VK_SPACE:
      if (focus >= 0) {
        const UINT selected = s->rows[static_cast<size_t>(focus)].state & LVIS_SELECTED;
        if (ControlDown() && !(Style(hwnd) & LVS_SINGLESEL))
          SetState(hwnd, s, focus, selected ^ LVIS_SELECTED, LVIS_SELECTED);
        else
          SetState(hwnd, s, focus, LVIS_SELECTED, LVIS_SELECTED);
      }
      return;
    case VK_RETURN: {
      NMHDR ret;
      user::SendNotify(hwnd, NM_RETURN, &ret);
      if (focus >= 0) NotifyActivate(hwnd, s, LVN_ITEMACTIVATE, focus, POINT{});
      return;
    }
    default:
      return;
  }
  const bool single = (Style(hwnd) & LVS_SINGLESEL) != 0;
  if (ControlDown() && !single) {
    SetState(hwnd, s, target, LVIS_FOCUSED, LVIS_FOCUSED);
  } else if (ShiftDown() && !single) {
    if (!Valid(s, s->mark)) s->mark = from;
    SelectRange(hwnd, s, s->mark, target, target);
  } else {
    SelectRange(hwnd, s, target, target, target);
    s->mark = target;
  }
  EnsureVisible(hwnd, s, target);
}

void WriteItem(HWND hwnd, ListState* s, int i, const LVITEMA& item) {
  Row& row = s->rows[static_cast<size_t>(i)];
  if (item.mask & LVIF_TEXT) {
    const size_t sub = static_cast<size_t>(std::max(0, item.iSubItem));
    if (row.texts.size() <= sub) row.texts.resize(sub + 1);
    row.texts[sub] = item.pszText ? item.pszText : "";
  }
  if (item.iSubItem == 0) {
    if (item.mask & LVIF_IMAGE) row.image = item.iImage;
    if (item.mask & LVIF_PARAM) row.param = item.lParam;
    if (item.mask & LVIF_INDENT) row.indent = item.iIndent;
    if (item.mask & LVIF_STATE) SetState(hwnd, s, i, item.state, item.stateMask);
  }
  Invalidate(hwnd);
}

int SortedPlace(HWND hwnd, const ListState* s, const std::string& text) {
  const bool descending = (Style(hwnd) & LVS_SORTDESCENDING) != 0;
  int at = 0;
  for (; at < Count(s); ++at) {
    const int order = strcasecmp(text.c_str(), s->rows[static_cast<size_t>(at)].texts[0].c_str());
    if (descending ? order > 0 : order < 0) break;
  }
  return at;
}

int AutoWidth(HWND hwnd, const ListState* s, int column, bool use_header) {
  int width = 0;
  for (const Row& row : s->rows)
    if (static_cast<size_t>(column) < row.texts.size())
      width = std::max(width, user::TextWidth(s->font, row.texts[static_cast<size_t>(column)]));
  width += 2 * kCellMargin;
  if (use_header && s->header) {
    char text[260] = {};
    HDITEMA item;
    item.mask = HDI_TEXT;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    SendMessageA(s->header, HDM_GETITEMA, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&item));
    width = std::max(width, user::TextWidth(s->font, text) + 2 * kCellMargin);
    // The last column fills the rest of the view.
    if (column == Columns(s) - 1) {
      RECT client;
      GetClientRect(hwnd, &client);
      width = std::max<int>(width, client.right - ColumnRect(hwnd, s, column).left);
    }
  }
  return width;
}

int FindItem(const ListState* s, int start, const LVFINDINFOA* find) {
  const int count = Count(s);
  for (int n = 0; n < count; ++n) {
    const int i = start + 1 + n;
    if (i >= count && !(find->flags & LVFI_WRAP)) break;
    const Row& row = s->rows[static_cast<size_t>(i % count)];
    if (find->flags & LVFI_PARAM) {
      if (row.param == find->lParam) return i % count;
      continue;
    }
    if (!find->psz) continue;
    const size_t length = std::strlen(find->psz);
    const bool match = (find->flags & LVFI_PARTIAL)
                           ? strncasecmp(row.texts[0].c_str(), find->psz, length) == 0
                           : strcasecmp(row.texts[0].c_str(), find->psz) == 0;
    if (match) return i % count;
  }
  return -1;
}

void DeleteRow(HWND hwnd, ListState* s, int i, bool notify) {
  if (notify) {
    NMLISTVIEW nm = Notice(s, i);
    user::SendNotify(hwnd, LVN_DELETEITEM, &nm.hdr);
  }
  s->rows.erase(s->rows.begin() + i);
  if (s->mark == i)
    s->mark = -1;
  else if (s->mark > i)
    --s->mark;
}

LRESULT SetColor(COLORREF* slot, LPARAM lparam, HWND hwnd) {
  *slot = static_cast<COLORREF>(lparam);
  Invalidate(hwnd);
  return TRUE;
}

LRESULT OnCreate(HWND hwnd, ListState* s) {
  const DWORD style = Style(hwnd);
  DWORD header_style = WS_CHILD | HDS_HORZ;
  if (!(style & LVS_NOSORTHEADER)) header_style |= HDS_BUTTONS;
  if (!(style & LVS_NOCOLUMNHEADER))
    header_style |= WS_VISIBLE;
  else
    header_style |= HDS_HIDDEN;
  s->header = CreateWindowExA(0, WC_HEADERA, "", header_style, 0, 0, 0, 0, hwnd,
                              reinterpret_cast<HMENU>(static_cast<intptr_t>(kHeaderId)), nullptr, nullptr);
  LayoutHeader(hwnd, s);
  UpdateScroll(hwnd, s);
  return s->header ? 0 : -1;
}

LRESULT OnSize(HWND hwnd, ListState* s) {
  LayoutHeader(hwnd, s);
  UpdateScroll(hwnd, s);
  Invalidate(hwnd);
  return 0;
}

LRESULT OnSetFont(HWND hwnd, ListState* s, WPARAM wparam, LPARAM lparam) {
  s->font = reinterpret_cast<HFONT>(wparam);
  if (s->header) SendMessageA(s->header, WM_SETFONT, wparam, lparam);
  LayoutHeader(hwnd, s);
  UpdateScroll(hwnd, s);
  Invalidate(hwnd);
  return 0;
}

LRESULT OnFocus(HWND hwnd, ListState* s, UINT message) {
  s->focused = message == WM_SETFOCUS;
  Invalidate(hwnd);
  NMHDR nm;
  user::SendNotify(hwnd, s->focused ? NM_SETFOCUS : NM_KILLFOCUS, &nm);
  return 0;
}

LRESULT OnHeaderNotify(HWND hwnd, ListState* s, WPARAM wparam, LPARAM lparam) {
  auto* nm = reinterpret_cast<NMHDR*>(lparam);
  if (!nm || nm->hwndFrom != s->header) return 0;
  if (nm->code == HDN_ITEMCHANGED) Invalidate(hwnd);
  if (nm->code == HDN_ITEMCLICK) {
    NMLISTVIEW click;
    click.iSubItem = reinterpret_cast<NMHEADERA*>(lparam)->iItem;
    user::SendNotify(hwnd, LVN_COLUMNCLICK, &click.hdr);
    return 0;
  }
  // The parent hears the header's notifications too, and may answer them.
  HWND parent = GetParent(hwnd);
  return parent ? SendMessageA(parent, WM_NOTIFY, wparam, lparam) : 0;
}

LRESULT OnVScroll(HWND hwnd, ListState* s, WPARAM wparam) {
  const WORD request = LOWORD(wparam);
  int top = s->top;
  if (request == SB_THUMBTRACK || request == SB_THUMBPOSITION)
    top = static_cast<SHORT>(HIWORD(wparam));
  else if (!user::LineScrollTarget(request, s->top, PerPage(hwnd, s), Count(s), &top))
    return 0;
  ScrollTo(hwnd, s, top);
  return 0;
}

LRESULT OnDoubleClick(HWND hwnd, ListState* s, LPARAM lparam) {
  const POINT p{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
  UINT flags = 0;
  int subitem = 0;
  const int i = HitTest(hwnd, s, p, &flags, &subitem);
  NotifyActivate(hwnd, s, NM_DBLCLK, i, p);
  if (i >= 0) NotifyActivate(hwnd, s, LVN_ITEMACTIVATE, i, p);
  return 0;
}

LRESULT OnInsertItem(HWND hwnd, ListState* s, LPARAM lparam) {
  const auto* item = reinterpret_cast<const LVITEMA*>(lparam);
  if (!item || item->iItem < 0 || item->iSubItem != 0) return -1;
  const std::string text = (item->mask & LVIF_TEXT) && item->pszText ? item->pszText : "";
  int at = std::min(item->iItem, Count(s));
  if (Style(hwnd) & (LVS_SORTASCENDING | LVS_SORTDESCENDING)) at = SortedPlace(hwnd, s, text);
  s->rows.insert(s->rows.begin() + at, Row{});
  if (s->mark >= at) ++s->mark;
  LVITEMA copy = *item;
  copy.mask &= ~LVIF_STATE;
  WriteItem(hwnd, s, at, copy);
  if (item->mask & LVIF_STATE) s->rows[static_cast<size_t>(at)].state = item->state & item->stateMask;
  NMLISTVIEW nm = Notice(s, at);
  user::SendNotify(hwnd, LVN_INSERTITEM, &nm.hdr);
  UpdateScroll(hwnd, s);
  return at;
}

LRESULT OnSetItem(HWND hwnd, ListState* s, LPARAM lparam) {
  const auto* item = reinterpret_cast<const LVITEMA*>(lparam);
  if (!item || !Valid(s, item->iItem)) return FALSE;
  WriteItem(hwnd, s, item->iItem, *item);
  return TRUE;
}

LRESULT OnGetItem(ListState* s, LPARAM lparam) {
  auto* item = reinterpret_cast<LVITEMA*>(lparam);
  if (!item || !Valid(s, item->iItem)) return FALSE;
  const Row& row = s->rows[static_cast<size_t>(item->iItem)];
  if (item->mask & LVIF_TEXT) {
    const size_t sub = static_cast<size_t>(std::max(0, item->iSubItem));
    user::CopyText(sub < row.texts.size() ? row.texts[sub] : "", item->pszText, item->cchTextMax);
  }
  if (item->mask & LVIF_IMAGE) item->iImage = row.image;
  if (item->mask & LVIF_PARAM) item->lParam = row.param;
  if (item->mask & LVIF_STATE) item->state = row.state & item->stateMask;
  if (item->mask & LVIF_INDENT) item->iIndent = row.indent;
  return TRUE;
}

LRESULT OnSetItemText(HWND hwnd, ListState* s, int index, LPARAM lparam) {
  const auto* item = reinterpret_cast<const LVITEMA*>(lparam);
  if (!item || !Valid(s, index)) return FALSE;
  LVITEMA copy;
  copy.mask = LVIF_TEXT;
  copy.iSubItem = item->iSubItem;
  copy.pszText = item->pszText;
  WriteItem(hwnd, s, index, copy);
  return TRUE;
}

LRESULT OnGetItemText(ListState* s, int index, LPARAM lparam) {
  auto* item = reinterpret_cast<LVITEMA*>(lparam);
  if (!item || !Valid(s, index)) return 0;
  const Row& row = s->rows[static_cast<size_t>(index)];
  const size_t sub = static_cast<size_t>(std::max(0, item->iSubItem));
  return user::CopyText(sub < row.texts.size() ? row.texts[sub] : "", item->pszText, item->cchTextMax);
}

LRESULT OnSetItemState(HWND hwnd, ListState* s, int index, LPARAM lparam) {
  const auto* item = reinterpret_cast<const LVITEMA*>(lparam);
  if (!item) return FALSE;
  if (index == -1) {
    for (int j = 0; j < Count(s); ++j) SetState(hwnd, s, j, item->state, item->stateMask);
    return TRUE;
  }
  if (!Valid(s, index)) return FALSE;
  return SetState(hwnd, s, index, item->state, item->stateMask) ? TRUE : FALSE;
}

LRESULT OnGetNextItem(ListState* s, int index, LPARAM lparam) {
  const UINT flags = static_cast<UINT>(lparam);
  const bool above = (flags & LVNI_ABOVE) != 0;
  for (int i = above ? index - 1 : index + 1; i >= 0 && i < Count(s); i += above ? -1 : 1) {
    const UINT state = s->rows[static_cast<size_t>(i)].state;
    if ((flags & LVNI_SELECTED) && !(state & LVIS_SELECTED)) continue;
    if ((flags & LVNI_FOCUSED) && !(state & LVIS_FOCUSED)) continue;
    return i;
  }
  return -1;
}

LRESULT OnSetSelectionMark(ListState* s, LPARAM lparam) {
  const int old = s->mark;
  s->mark = static_cast<int>(lparam);
  return old;
}

LRESULT OnDeleteItem(HWND hwnd, ListState* s, int index) {
  if (!Valid(s, index)) return FALSE;
  DeleteRow(hwnd, s, index, true);
  UpdateScroll(hwnd, s);
  Invalidate(hwnd);
  return TRUE;
}

LRESULT OnDeleteAllItems(HWND hwnd, ListState* s) {
  NMLISTVIEW nm = Notice(s, -1);
  const bool quiet = user::SendNotify(hwnd, LVN_DELETEALLITEMS, &nm.hdr) != 0;
  while (!s->rows.empty()) DeleteRow(hwnd, s, 0, !quiet);
  s->top = 0;
  s->mark = -1;
  UpdateScroll(hwnd, s);
  Invalidate(hwnd);
  return TRUE;
}

LRESULT OnGetItemRect(HWND hwnd, ListState* s, int index, LPARAM lparam) {
  auto* r = reinterpret_cast<RECT*>(lparam);
  if (!r || !Valid(s, index)) return FALSE;
  *r = ItemRect(hwnd, s, index, r->left);
  return TRUE;
}

LRESULT OnGetSubItemRect(HWND hwnd, ListState* s, int index, LPARAM lparam) {
  auto* r = reinterpret_cast<RECT*>(lparam);
  if (!r || !Valid(s, index)) return FALSE;
  const int sub = r->top;
  if (sub == 0) {
    *r = ItemRect(hwnd, s, index, r->left);
    return TRUE;
  }
  if (sub < 0 || sub >= Columns(s)) return FALSE;
  const RECT col = ColumnRect(hwnd, s, sub);
  *r = RECT{col.left, RowTop(s, index), col.right, RowTop(s, index) + RowHeight(s)};
  return TRUE;
}

LRESULT OnHitTest(HWND hwnd, ListState* s, UINT message, LPARAM lparam) {
  auto* info = reinterpret_cast<LVHITTESTINFO*>(lparam);
  if (!info) return -1;
  int subitem = 0;
  info->iItem = HitTest(hwnd, s, info->pt, &info->flags, &subitem);
  if (message == LVM_SUBITEMHITTEST) {
    // Any column of a row counts here, with or without full-row selection.
    if (info->iItem < 0 && info->flags == LVHT_NOWHERE) {
      const int row = s->top + (info->pt.y - HeaderHeight(s)) / RowHeight(s);
      if (Valid(s, row) && info->pt.x < RowsRight(hwnd, s)) {
        info->iItem = row;
        info->flags = LVHT_ONITEMLABEL;
      }
    }
    info->iSubItem = info->iItem >= 0 ? subitem : -1;
  }
  return info->iItem;
}

LRESULT OnInsertOrSetColumn(HWND hwnd, ListState* s, UINT message, WPARAM wparam, LPARAM lparam) {
  const auto* col = reinterpret_cast<const LVCOLUMNA*>(lparam);
  if (!col || !s->header) return message == LVM_INSERTCOLUMNA ? -1 : FALSE;
  HDITEMA item;
  if (col->mask & LVCF_WIDTH) {
    item.mask |= HDI_WIDTH;
    item.cxy = col->cx;
  }
  if (col->mask & LVCF_TEXT) {
    item.mask |= HDI_TEXT;
    item.pszText = col->pszText;
  }
  if (col->mask & LVCF_FMT) {
    item.mask |= HDI_FORMAT;
    item.fmt = HDF_STRING | (col->fmt & LVCFMT_JUSTIFYMASK);
  }
  if (col->mask & LVCF_ORDER) {
    item.mask |= HDI_ORDER;
    item.iOrder = col->iOrder;
  }
  const LRESULT result =
      SendMessageA(s->header, message == LVM_INSERTCOLUMNA ? HDM_INSERTITEMA : HDM_SETITEMA, wparam,
                   reinterpret_cast<LPARAM>(&item));
  Invalidate(hwnd);
  return result;
}

LRESULT OnGetColumn(ListState* s, int index, WPARAM wparam, LPARAM lparam) {
  auto* col = reinterpret_cast<LVCOLUMNA*>(lparam);
  if (!col || !s->header || index < 0 || index >= Columns(s)) return FALSE;
  HDITEMA item;
  item.mask = HDI_WIDTH | HDI_FORMAT | HDI_ORDER | ((col->mask & LVCF_TEXT) ? HDI_TEXT : 0);
  item.pszText = col->pszText;
  item.cchTextMax = col->cchTextMax;
  SendMessageA(s->header, HDM_GETITEMA, wparam, reinterpret_cast<LPARAM>(&item));
  if (col->mask & LVCF_WIDTH) col->cx = item.cxy;
  if (col->mask & LVCF_FMT) col->fmt = item.fmt & HDF_JUSTIFYMASK;
  if (col->mask & LVCF_SUBITEM) col->iSubItem = index;
  if (col->mask & LVCF_ORDER) col->iOrder = item.iOrder;
  return TRUE;
}

LRESULT OnDeleteColumn(HWND hwnd, ListState* s, int index, WPARAM wparam) {
  if (!s->header || !SendMessageA(s->header, HDM_DELETEITEM, wparam, 0)) return FALSE;
  for (Row& row : s->rows)
    if (static_cast<size_t>(index) < row.texts.size() && index > 0)
      row.texts.erase(row.texts.begin() + index);
  Invalidate(hwnd);
  return TRUE;
}

LRESULT OnSetColumnWidth(HWND hwnd, ListState* s, int index, WPARAM wparam, LPARAM lparam) {
  if (index < 0 || index >= Columns(s)) return FALSE;
  int width = static_cast<SHORT>(LOWORD(static_cast<uintptr_t>(lparam)));
  if (width == LVSCW_AUTOSIZE || width == LVSCW_AUTOSIZE_USEHEADER)
    width = AutoWidth(hwnd, s, index, width == LVSCW_AUTOSIZE_USEHEADER);
  HDITEMA item;
  item.mask = HDI_WIDTH;
  item.cxy = width;
  SendMessageA(s->header, HDM_SETITEMA, wparam, reinterpret_cast<LPARAM>(&item));
  Invalidate(hwnd);
  return TRUE;
}

LRESULT OnSetExtendedStyle(HWND hwnd, ListState* s, WPARAM wparam, LPARAM lparam) {
  const DWORD old = user::SetMaskedStyle(&s->ex_style, wparam, lparam);
  Invalidate(hwnd);
  return old;
}

LRESULT OnSetImageList(HWND hwnd, ListState* s, WPARAM wparam, LPARAM lparam) {
  if (wparam > LVSIL_STATE) return 0;
  HIMAGELIST old = s->images[wparam];
  s->images[wparam] = reinterpret_cast<HIMAGELIST>(lparam);
  Invalidate(hwnd);
  return reinterpret_cast<LRESULT>(old);
}

LRESULT OnSortItems(HWND hwnd, ListState* s, WPARAM wparam, LPARAM lparam) {
  auto compare = reinterpret_cast<PFNLVCOMPARE>(lparam);
  if (!compare) return FALSE;
  std::stable_sort(s->rows.begin(), s->rows.end(), [&](const Row& a, const Row& b) {
    return compare(a.param, b.param, static_cast<LPARAM>(wparam)) < 0;
  });
  Invalidate(hwnd);
  return TRUE;
}

// The list view's own messages.
LRESULT ListViewMessage(HWND hwnd, ListState* s, UINT message, WPARAM wparam, LPARAM lparam) {
  const int index = static_cast<int>(wparam);
  switch (message) {
    case LVM_GETITEMCOUNT:
      return Count(s);
    case LVM_SETITEMCOUNT:
      s->rows.reserve(wparam);
      return TRUE;
    case LVM_INSERTITEMA:
      return OnInsertItem(hwnd, s, lparam);
    case LVM_SETITEMA:
      return OnSetItem(hwnd, s, lparam);
    case LVM_GETITEMA:
      return OnGetItem(s, lparam);
    case LVM_SETITEMTEXTA:
      return OnSetItemText(hwnd, s, index, lparam);
    case LVM_GETITEMTEXTA:
      return OnGetItemText(s, index, lparam);
    case LVM_SETITEMSTATE:
      return OnSetItemState(hwnd, s, index, lparam);
    case LVM_GETITEMSTATE:
      return Valid(s, index) ? static_cast<LRESULT>(s->rows[static_cast<size_t>(index)].state & lparam) : 0;
    case LVM_GETNEXTITEM:
      return OnGetNextItem(s, index, lparam);
    case LVM_GETSELECTEDCOUNT:
      return std::count_if(s->rows.begin(), s->rows.end(),
                           [](const Row& r) { return (r.state & LVIS_SELECTED) != 0; });
    case LVM_GETSELECTIONMARK:
      return s->mark;
    case LVM_SETSELECTIONMARK:
      return OnSetSelectionMark(s, lparam);
    case LVM_DELETEITEM:
      return OnDeleteItem(hwnd, s, index);
    case LVM_DELETEALLITEMS:
      return OnDeleteAllItems(hwnd, s);
    case LVM_GETITEMRECT:
      return OnGetItemRect(hwnd, s, index, lparam);
    case LVM_GETSUBITEMRECT:
      return OnGetSubItemRect(hwnd, s, index, lparam);
    case LVM_HITTEST:
    case LVM_SUBITEMHITTEST:
      return OnHitTest(hwnd, s, message, lparam);
    case LVM_ENSUREVISIBLE:
      EnsureVisible(hwnd, s, index);
      return Valid(s, index) ? TRUE : FALSE;
    case LVM_GETTOPINDEX:
      return s->top;
    case LVM_GETCOUNTPERPAGE:
      return PerPage(hwnd, s);
    case LVM_REDRAWITEMS:
    case LVM_UPDATE:
      Invalidate(hwnd);
      return TRUE;
    case LVM_INSERTCOLUMNA:
    case LVM_SETCOLUMNA:
      return OnInsertOrSetColumn(hwnd, s, message, wparam, lparam);
    case LVM_GETCOLUMNA:
      return OnGetColumn(s, index, wparam, lparam);
    case LVM_DELETECOLUMN:
      return OnDeleteColumn(hwnd, s, index, wparam);
    case LVM_GETCOLUMNWIDTH:
      if (index < 0 || index >= Columns(s)) return 0;
      return ColumnRect(hwnd, s, index).right - ColumnRect(hwnd, s, index).left;
    case LVM_SETCOLUMNWIDTH:
      return OnSetColumnWidth(hwnd, s, index, wparam, lparam);
    case LVM_GETHEADER:
      return reinterpret_cast<LRESULT>(s->header);
    case LVM_GETSTRINGWIDTHA:
      return lparam ? user::TextWidth(s->font, reinterpret_cast<const char*>(lparam)) : 0;
    case LVM_GETBKCOLOR:
      return static_cast<LRESULT>(s->back == kDefault ? GetSysColor(COLOR_WINDOW) : s->back);
    case LVM_SETBKCOLOR:
      return SetColor(&s->back, lparam, hwnd);
    case LVM_GETTEXTCOLOR:
      return static_cast<LRESULT>(s->text == kDefault ? GetSysColor(COLOR_WINDOWTEXT) : s->text);
    case LVM_SETTEXTCOLOR:
      return SetColor(&s->text, lparam, hwnd);
    case LVM_GETTEXTBKCOLOR:
      return static_cast<LRESULT>(s->text_back);
    case LVM_SETTEXTBKCOLOR:
      return SetColor(&s->text_back, lparam, hwnd);
    case LVM_SETEXTENDEDLISTVIEWSTYLE:
      return OnSetExtendedStyle(hwnd, s, wparam, lparam);
    case LVM_GETEXTENDEDLISTVIEWSTYLE:
      return s->ex_style;
    case LVM_SETIMAGELIST:
      return OnSetImageList(hwnd, s, wparam, lparam);
    case LVM_GETIMAGELIST:
      return wparam <= LVSIL_STATE ? reinterpret_cast<LRESULT>(s->images[wparam]) : 0;
    case LVM_SORTITEMS:
      return OnSortItems(hwnd, s, wparam, lparam);
    case LVM_FINDITEMA: {
      const auto* find = reinterpret_cast<const LVFINDINFOA*>(lparam);
      return find && Count(s) ? FindItem(s, index, find) : -1;
    }
    default:
      return DefWindowProcA(hwnd, message, wparam, lparam);
  }
}

LRESULT ListProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* s = user::StateForMessage<ListState>(hwnd, message);
  if (!s) return DefWindowProcA(hwnd, message, wparam, lparam);
  switch (message) {
    case WM_CREATE:
      return OnCreate(hwnd, s);
    case WM_NCDESTROY:
      return user::DetachState(hwnd, s, message, wparam, lparam);
    case WM_GETDLGCODE:
      return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
    case WM_PRINTCLIENT:
      return user::PaintMessage(hwnd, message, wparam, [&](HDC hdc) { Paint(hwnd, s, hdc); });
    case WM_SIZE:
      return OnSize(hwnd, s);
    case WM_SETFONT:
      return OnSetFont(hwnd, s, wparam, lparam);
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(s->font);
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      return OnFocus(hwnd, s, message);
    case WM_NOTIFY:
      return OnHeaderNotify(hwnd, s, wparam, lparam);
    case WM_VSCROLL:
      return OnVScroll(hwnd, s, wparam);
    case WM_MOUSEWHEEL:
      ScrollTo(hwnd, s, s->top - 3 * GET_WHEEL_DELTA_WPARAM(wparam) / WHEEL_DELTA);
      return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
      ButtonDown(hwnd, s, lparam, message == WM_RBUTTONDOWN);
      return 0;
    case WM_LBUTTONDBLCLK:
      return OnDoubleClick(hwnd, s, lparam);
    case WM_KEYDOWN:
      KeyDown(hwnd, s, static_cast<int>(wparam));
      return 0;
    default:
      return ListViewMessage(hwnd, s, message, wparam, lparam);
  }
}

}  // namespace

namespace user {

bool RegisterListViewClass() {
  return RegisterControlClass(WC_LISTVIEWA, ListProc, CS_DBLCLKS | CS_GLOBALCLASS);
}

}  // namespace user

}  // namespace plat
