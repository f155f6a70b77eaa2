#include "platform/user/ListBox.h"

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
#include "platform/user/Input.h"
#include "platform/user/Messages.h"
#include "platform/user/NonClient.h"
#include "platform/user/Paint.h"
#include "platform/user/ScrollBar.h"

namespace plat {

namespace {

struct Item {
  std::string text;
  ULONG_PTR data = 0;
  bool selected = false;  // multiple and extended selection
};

struct ListState {
  std::vector<Item> items;
  int sel = -1;    // single selection
  int caret = 0;   // the focus item
  int anchor = 0;  // where a shift-extended range starts
  int top = 0;
  int item_height = 13;
  HFONT font = nullptr;
  bool focused = false;
  bool mouse_down = false;
  HWND combo = nullptr;
  bool wants_vscroll = false;    // made with WS_VSCROLL; the bar comes and goes with the items
  bool tracking = false;         // a combo box's dropped list follows the mouse
  bool ignore_first_up = false;  // the release of the press that dropped the list
  bool scrolling = false;        // a dropped list's own scroll bar holds the mouse
};

DWORD Style(HWND hwnd) { return static_cast<DWORD>(GetWindowLongA(hwnd, GWL_STYLE)); }
bool MultiSel(HWND hwnd) { return (Style(hwnd) & (LBS_MULTIPLESEL | LBS_EXTENDEDSEL)) != 0; }
bool HasStrings(HWND hwnd) {
  const DWORD style = Style(hwnd);
  return !(style & (LBS_OWNERDRAWFIXED | LBS_OWNERDRAWVARIABLE)) || (style & LBS_HASSTRINGS);
}
int Count(const ListState* s) { return static_cast<int>(s->items.size()); }
bool Valid(const ListState* s, intptr_t index) { return index >= 0 && index < Count(s); }

void Notify(HWND hwnd, ListState* s, WORD code) {
  if (s->combo) {
    SendMessageA(s->combo, WM_COMMAND, MAKELONG(static_cast<WORD>(GetDlgCtrlID(hwnd)), code),
                 reinterpret_cast<LPARAM>(hwnd));
    return;
  }
  if (Style(hwnd) & LBS_NOTIFY) user::NotifyParent(hwnd, code);
}

int Visible(HWND hwnd, const ListState* s) {
  RECT client;
  GetClientRect(hwnd, &client);
  return std::max(1, static_cast<int>(client.bottom / std::max(1, s->item_height)));
}

RECT ItemRect(HWND hwnd, const ListState* s, int index) {
  RECT client;
  GetClientRect(hwnd, &client);
  const int y = (index - s->top) * s->item_height;
  return RECT{0, y, client.right, y + s->item_height};
}

void UpdateScroll(HWND hwnd, ListState* s) {
  if (!s->wants_vscroll) return;
  SCROLLINFO info;
  info.fMask = SIF_ALL | ((Style(hwnd) & LBS_DISABLENOSCROLL) ? SIF_DISABLENOSCROLL : 0);
  info.nMin = 0;
  info.nMax = std::max(0, Count(s) - 1);
  info.nPage = static_cast<UINT>(Visible(hwnd, s));
  info.nPos = s->top;
  SetScrollInfo(hwnd, SB_VERT, &info, TRUE);
}

void Redraw(HWND hwnd) {
  if (Style(hwnd) & LBS_NOREDRAW) return;
  InvalidateRect(hwnd, nullptr, FALSE);
  UpdateWindow(hwnd);
}

void SetTop(HWND hwnd, ListState* s, int top) {
  top = std::clamp(top, 0, std::max(0, Count(s) - Visible(hwnd, s)));
  if (top == s->top) return;
  s->top = top;
  UpdateScroll(hwnd, s);
  Redraw(hwnd);
}

void ShowItem(HWND hwnd, ListState* s, int index) {
  if (!Valid(s, index)) return;
  if (index < s->top)
    SetTop(hwnd, s, index);
  else if (index >= s->top + Visible(hwnd, s))
    SetTop(hwnd, s, index - Visible(hwnd, s) + 1);
}

bool IsSelected(HWND hwnd, const ListState* s, int index) {
  if (!Valid(s, index)) return false;
  return MultiSel(hwnd) ? s->items[static_cast<size_t>(index)].selected : s->sel == index;
}

void Paint(HWND hwnd, ListState* s, HDC hdc) {
  RECT client;
  GetClientRect(hwnd, &client);
  HGDIOBJ old_font = SelectObject(hdc, user::ControlFont(s->font));
  HBRUSH back = user::ControlColors(hwnd, hdc, WM_CTLCOLORLISTBOX);
  FillRect(hdc, &client, back);
  const DWORD style = Style(hwnd);
  const bool owner_draw = (style & (LBS_OWNERDRAWFIXED | LBS_OWNERDRAWVARIABLE)) != 0;
  const int old_mode = SetBkMode(hdc, TRANSPARENT);
  for (int i = s->top; i < Count(s); ++i) {
    const RECT r = ItemRect(hwnd, s, i);
    if (r.top >= client.bottom) break;
    const bool selected = IsSelected(hwnd, s, i);
    const bool focus = s->focused && i == s->caret;
    if (owner_draw) {
      // The drop-down list of a combo box draws its items as the combo box's.
      const UINT state = (selected ? ODS_SELECTED : 0) | (focus ? ODS_FOCUS : 0) |
                         ((style & WS_DISABLED) ? ODS_DISABLED : 0);
      user::SendDrawItem(s->combo ? s->combo : hwnd, s->combo ? ODT_COMBOBOX : ODT_LISTBOX,
                         static_cast<UINT>(i), state, hdc, r, s->items[static_cast<size_t>(i)].data);
      continue;
    }
    const std::string& text = s->items[static_cast<size_t>(i)].text;
    COLORREF old_color = 0;
    if (selected) {
      FillRect(hdc, &r, GetSysColorBrush(COLOR_HIGHLIGHT));
      old_color = SetTextColor(hdc, GetSysColor(COLOR_HIGHLIGHTTEXT));
    }
    RECT tr = r;
    tr.left += 2;
    DrawTextA(hdc, text.c_str(), static_cast<int>(text.size()), &tr,
              DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | ((style & LBS_USETABSTOPS) ? DT_EXPANDTABS : 0));
    if (selected) SetTextColor(hdc, old_color);
    if (focus) DrawFocusRect(hdc, &r);
  }
  SetBkMode(hdc, old_mode);
  SelectObject(hdc, old_font);
}

int Insert(HWND hwnd, ListState* s, intptr_t at, LPARAM value) {
  Item item;
  if (HasStrings(hwnd))
    item.text = value ? reinterpret_cast<const char*>(value) : "";
  else
    item.data = static_cast<ULONG_PTR>(value);
  int index = at < 0 || at > Count(s) ? Count(s) : static_cast<int>(at);
  if (at == -2) {
    // Sorted insertion, by text without letter case.
    index = 0;
    while (index < Count(s) &&
           strcasecmp(s->items[static_cast<size_t>(index)].text.c_str(), item.text.c_str()) <= 0)
      ++index;
  }
  s->items.insert(s->items.begin() + index, item);
  if (s->sel >= index) ++s->sel;
  if (s->caret >= index && Count(s) > 1) ++s->caret;
  UpdateScroll(hwnd, s);
  Redraw(hwnd);
  return index;
}

int Find(const ListState* s, intptr_t start, const char* text, bool exact) {
  if (!text || s->items.empty()) return static_cast<int>(LB_ERR);
  const size_t n = std::strlen(text);
  const int count = Count(s);
  const int first = Valid(s, start) ? static_cast<int>(start) + 1 : 0;
  for (int k = 0; k < count; ++k) {
    const int i = (first + k) % count;
    const std::string& t = s->items[static_cast<size_t>(i)].text;
    if (exact ? strcasecmp(t.c_str(), text) == 0 : strncasecmp(t.c_str(), text, n) == 0) return i;
  }
  return static_cast<int>(LB_ERR);
}

// Selects one item (single selection) or only that item (extended selection).
bool SelectOnly(HWND hwnd, ListState* s, int index) {
  bool changed = false;
  if (MultiSel(hwnd)) {
    for (int i = 0; i < Count(s); ++i) {
      const bool want = i == index;
      changed |= s->items[static_cast<size_t>(i)].selected != want;
      s->items[static_cast<size_t>(i)].selected = want;
    }
  } else {
    changed = s->sel != index;
    s->sel = index;
  }
  if (Valid(s, index)) s->caret = index;
  return changed;
}

bool SelectRange(ListState* s, int from, int to, bool only) {
  bool changed = false;
  const int lo = std::min(from, to);
  const int hi = std::max(from, to);
  for (int i = 0; i < Count(s); ++i) {
    const bool in = i >= lo && i <= hi;
    if (!in && !only) continue;
    changed |= s->items[static_cast<size_t>(i)].selected != in;
    s->items[static_cast<size_t>(i)].selected = in;
  }
  return changed;
}

// A user's move of the focus item, by key or mouse, with the selection rules of the style.
void UserMove(HWND hwnd, ListState* s, int index, bool shift, bool ctrl, bool toggle) {
  if (s->items.empty()) return;
  index = std::clamp(index, 0, Count(s) - 1);
  const DWORD style = Style(hwnd);
  bool changed = false;
  if (style & LBS_NOSEL) {
    s->caret = index;
  } else if (style & LBS_EXTENDEDSEL) {
    if (shift) {
      changed = SelectRange(s, s->anchor, index, !ctrl);
      s->caret = index;
    } else if (ctrl && toggle) {
      Item& item = s->items[static_cast<size_t>(index)];
      item.selected = !item.selected;
      s->caret = s->anchor = index;
      changed = true;
    } else if (ctrl) {
      s->caret = index;
    } else {
      changed = SelectOnly(hwnd, s, index);
      s->anchor = index;
    }
  } else if (style & LBS_MULTIPLESEL) {
    s->caret = index;
    if (toggle) {
      Item& item = s->items[static_cast<size_t>(index)];
      item.selected = !item.selected;
      changed = true;
    }
  } else {
    changed = SelectOnly(hwnd, s, index);
  }
  ShowItem(hwnd, s, index);
  Redraw(hwnd);
  if (changed) Notify(hwnd, s, LBN_SELCHANGE);
}

int IndexAt(HWND hwnd, const ListState* s, POINT p, bool* outside) {
  RECT client;
  GetClientRect(hwnd, &client);
  *outside = !PtInRect(&client, p);
  int index = s->top + (p.y < 0 ? -1 : p.y / std::max(1, s->item_height));
  if (index >= Count(s)) {
    *outside = true;
    index = Count(s) - 1;
  }
  return std::max(0, index);
}

void DeleteItem(HWND hwnd, ListState* s, int index) {
  const DWORD style = Style(hwnd);
  if ((style & (LBS_OWNERDRAWFIXED | LBS_OWNERDRAWVARIABLE)) && GetParent(hwnd)) {
    DELETEITEMSTRUCT dis;
    dis.CtlType = ODT_LISTBOX;
    dis.CtlID = static_cast<UINT>(GetDlgCtrlID(hwnd));
    dis.itemID = static_cast<UINT>(index);
    dis.hwndItem = hwnd;
    dis.itemData = s->items[static_cast<size_t>(index)].data;
    SendMessageA(GetParent(hwnd), WM_DELETEITEM, dis.CtlID, reinterpret_cast<LPARAM>(&dis));
  }
  s->items.erase(s->items.begin() + index);
  if (s->sel == index)
    s->sel = -1;
  else if (s->sel > index)
    --s->sel;
  if (s->caret >= Count(s)) s->caret = std::max(0, Count(s) - 1);
  if (s->anchor >= Count(s)) s->anchor = std::max(0, Count(s) - 1);
}

LRESULT OnCreate(HWND hwnd, ListState* s, DWORD style) {
  s->item_height = user::FontLineHeight(nullptr);
  if (style & (LBS_OWNERDRAWFIXED | LBS_OWNERDRAWVARIABLE)) {
    MEASUREITEMSTRUCT mis;
    mis.CtlType = ODT_LISTBOX;
    mis.CtlID = static_cast<UINT>(GetDlgCtrlID(hwnd));
    mis.itemHeight = static_cast<UINT>(s->item_height);
    RECT client;
    GetClientRect(hwnd, &client);
    mis.itemWidth = static_cast<UINT>(client.right);
    if (HWND parent = GetParent(hwnd))
      SendMessageA(parent, WM_MEASUREITEM, mis.CtlID, reinterpret_cast<LPARAM>(&mis));
    if (mis.itemHeight > 0) s->item_height = static_cast<int>(mis.itemHeight);
  }
  UpdateScroll(hwnd, s);
  return 0;
}

LRESULT OnSetFont(HWND hwnd, ListState* s, DWORD style, WPARAM wparam, LPARAM lparam) {
  s->font = reinterpret_cast<HFONT>(wparam);
  if (!(style & (LBS_OWNERDRAWFIXED | LBS_OWNERDRAWVARIABLE))) s->item_height = user::FontLineHeight(s->font);
  UpdateScroll(hwnd, s);
  if (LOWORD(lparam)) Redraw(hwnd);
  return 0;
}

LRESULT OnFocus(HWND hwnd, ListState* s, UINT message) {
  s->focused = message == WM_SETFOCUS;
  Redraw(hwnd);
  Notify(hwnd, s, s->focused ? LBN_SETFOCUS : LBN_KILLFOCUS);
  return 0;
}

// A press on a dropped list's scroll bar scrolls it; the list keeps the mouse after.
bool PressOnFrame(HWND hwnd, ListState* s, POINT p) {
  POINT screen = p;
  ClientToScreen(hwnd, &screen);
  RECT window;
  GetWindowRect(hwnd, &window);
  if (!PtInRect(&window, screen)) return false;
  const LPARAM at = MAKELPARAM(static_cast<WORD>(screen.x), static_cast<WORD>(screen.y));
  const LRESULT hit = SendMessageA(hwnd, WM_NCHITTEST, 0, at);
  if (hit == HTVSCROLL) {
    s->scrolling = true;
    SendMessageA(hwnd, WM_NCLBUTTONDOWN, static_cast<WPARAM>(hit), at);
    s->scrolling = false;
    if (IsWindow(hwnd) && s->tracking) SetCapture(hwnd);
  }
  return true;
}

LRESULT OnLButtonDown(HWND hwnd, ListState* s, WPARAM wparam, LPARAM lparam) {
  bool outside = false;
  const POINT p{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
  const int index = IndexAt(hwnd, s, p, &outside);
  if (s->tracking) {
    RECT client;
    GetClientRect(hwnd, &client);
    if (PtInRect(&client, p)) {
      if (!outside && SelectOnly(hwnd, s, index)) Redraw(hwnd);
    } else if (!PressOnFrame(hwnd, s, p)) {
      // A press anywhere else closes the list and changes nothing.
      SendMessageA(s->combo, user::kComboListDone, FALSE, 0);
    }
    return 0;
  }
  if (!s->combo && GetFocus() != hwnd) SetFocus(hwnd);
  if (s->items.empty() || outside) return 0;
  s->mouse_down = true;
  SetCapture(hwnd);
  UserMove(hwnd, s, index, (wparam & MK_SHIFT) != 0, (wparam & MK_CONTROL) != 0, true);
  return 0;
}

LRESULT OnMouseMove(HWND hwnd, ListState* s, DWORD style, LPARAM lparam) {
  const POINT p{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
  bool outside = false;
  const int index = IndexAt(hwnd, s, p, &outside);
  if (s->tracking) {
    if (!outside && SelectOnly(hwnd, s, index)) Redraw(hwnd);
    return 0;
  }
  if (s->mouse_down && !(style & LBS_MULTIPLESEL) && index != s->caret) {
    // Dragging past the ends scrolls.
    UserMove(hwnd, s, index, (style & LBS_EXTENDEDSEL) != 0, false, false);
  }
  return 0;
}

LRESULT OnLButtonUp(HWND hwnd, ListState* s, LPARAM lparam) {
  if (s->tracking) {
    RECT client;
    GetClientRect(hwnd, &client);
    const POINT p{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
    bool outside = false;
    const int index = IndexAt(hwnd, s, p, &outside);
    if (PtInRect(&client, p) && !outside) {
      SelectOnly(hwnd, s, index);
      SendMessageA(s->combo, user::kComboListDone, TRUE, 0);
    }
    s->ignore_first_up = false;
    return 0;
  }
  user::EndCapturedOperation(hwnd, &s->mouse_down);
  return 0;
}

LRESULT OnCaptureChanged(HWND hwnd, ListState* s, LPARAM lparam) {
  s->mouse_down = false;
  if (s->tracking && !s->scrolling && reinterpret_cast<HWND>(lparam) != hwnd) {
    s->tracking = false;
    SendMessageA(s->combo, user::kComboListDone, FALSE, 0);
  }
  return 0;
}

LRESULT OnKeyDown(HWND hwnd, ListState* s, DWORD style, UINT message, WPARAM wparam, LPARAM lparam) {
  const bool shift = GetKeyState(VK_SHIFT) < 0;
  const bool ctrl = GetKeyState(VK_CONTROL) < 0;
  const int page = Visible(hwnd, s);
  int target = -1;
  switch (static_cast<int>(wparam)) {
    case VK_UP:
    case VK_LEFT:
      target = s->caret - 1;
      break;
    case VK_DOWN:
    case VK_RIGHT:
      target = s->caret + 1;
      break;
    case VK_PRIOR:
      target = s->caret - (page - 1);
      break;
    case VK_NEXT:
      target = s->caret + (page - 1);
      break;
    case VK_HOME:
      target = 0;
      break;
    case VK_END:
      target = Count(s) - 1;
      break;
    case VK_SPACE:
      if ((style & LBS_MULTIPLESEL) || ((style & LBS_EXTENDEDSEL) && ctrl))
        UserMove(hwnd, s, s->caret, false, true, true);
      return 0;
    default:
      return DefWindowProcA(hwnd, message, wparam, lparam);
  }
  // Without a selection the first key selects the focus item itself.
  if (!MultiSel(hwnd) && s->sel < 0) target = std::max(0, std::min(target, s->caret));
  UserMove(hwnd, s, target, shift, ctrl, false);
  return 0;
}

LRESULT OnChar(HWND hwnd, ListState* s, WPARAM wparam) {
  if (wparam < 0x20 || !HasStrings(hwnd)) return 0;
  const char text[2] = {static_cast<char>(wparam), 0};
  const int found = Find(s, s->caret, text, false);
  if (found >= 0) UserMove(hwnd, s, found, false, false, false);
  return 0;
}

LRESULT OnVScroll(HWND hwnd, ListState* s, WPARAM wparam, LPARAM lparam) {
  if (lparam) return 0;
  const WORD request = LOWORD(wparam);
  int top = s->top;
  if (request == SB_THUMBTRACK || request == SB_THUMBPOSITION)
    SetTop(hwnd, s, HIWORD(wparam));
  else if (user::LineScrollTarget(request, s->top, Visible(hwnd, s), Count(s), &top))
    SetTop(hwnd, s, top);
  return 0;
}

LRESULT OnInsertString(HWND hwnd, ListState* s, WPARAM wparam, LPARAM lparam) {
  const auto at = static_cast<intptr_t>(wparam);
  if (at > Count(s)) return LB_ERR;
  return Insert(hwnd, s, at, lparam);
}

LRESULT OnDeleteString(HWND hwnd, ListState* s, WPARAM wparam) {
  if (!Valid(s, static_cast<intptr_t>(wparam))) return LB_ERR;
  DeleteItem(hwnd, s, static_cast<int>(wparam));
  UpdateScroll(hwnd, s);
  SetTop(hwnd, s, s->top);
  Redraw(hwnd);
  return Count(s);
}

LRESULT OnResetContent(HWND hwnd, ListState* s) {
  while (!s->items.empty()) DeleteItem(hwnd, s, Count(s) - 1);
  s->sel = -1;
  s->caret = s->anchor = s->top = 0;
  UpdateScroll(hwnd, s);
  Redraw(hwnd);
  return 0;
}

LRESULT OnGetText(HWND hwnd, ListState* s, WPARAM wparam, LPARAM lparam) {
  const auto index = static_cast<intptr_t>(wparam);
  if (!Valid(s, index) || !lparam) return LB_ERR;
  const Item& item = s->items[static_cast<size_t>(index)];
  if (!HasStrings(hwnd)) {
    std::memcpy(reinterpret_cast<void*>(lparam), &item.data, sizeof(item.data));
    return sizeof(item.data);
  }
  std::memcpy(reinterpret_cast<char*>(lparam), item.text.c_str(), item.text.size() + 1);
  return static_cast<LRESULT>(item.text.size());
}

LRESULT OnGetTextLength(HWND hwnd, ListState* s, WPARAM wparam) {
  const auto index = static_cast<intptr_t>(wparam);
  if (!Valid(s, index)) return LB_ERR;
  return HasStrings(hwnd) ? static_cast<LRESULT>(s->items[static_cast<size_t>(index)].text.size())
                          : static_cast<LRESULT>(sizeof(ULONG_PTR));
}

LRESULT OnSetCurSel(HWND hwnd, ListState* s, WPARAM wparam) {
  if (MultiSel(hwnd)) return LB_ERR;
  const auto index = static_cast<intptr_t>(wparam);
  if (!Valid(s, index)) {
    s->sel = -1;
    Redraw(hwnd);
    return LB_ERR;
  }
  SelectOnly(hwnd, s, static_cast<int>(index));
  ShowItem(hwnd, s, static_cast<int>(index));
  Redraw(hwnd);
  return static_cast<LRESULT>(index);
}

LRESULT OnSetSel(HWND hwnd, ListState* s, WPARAM wparam, LPARAM lparam) {
  if (!MultiSel(hwnd)) return LB_ERR;
  const auto index = static_cast<intptr_t>(static_cast<int>(lparam));
  if (index == -1) {
    for (Item& item : s->items) item.selected = wparam != 0;
  } else {
    if (!Valid(s, index)) return LB_ERR;
    s->items[static_cast<size_t>(index)].selected = wparam != 0;
    s->caret = static_cast<int>(index);
  }
  Redraw(hwnd);
  return 0;
}

LRESULT OnSelectRange(HWND hwnd, ListState* s, UINT message, WPARAM wparam, LPARAM lparam) {
  if (!MultiSel(hwnd)) return LB_ERR;
  int from = message == LB_SELITEMRANGE ? LOWORD(static_cast<uintptr_t>(lparam)) : static_cast<int>(wparam);
  int to = message == LB_SELITEMRANGE ? HIWORD(static_cast<uintptr_t>(lparam)) : static_cast<int>(lparam);
  bool on = message == LB_SELITEMRANGE ? wparam != 0 : from <= to;
  for (int i = std::min(from, to); i <= std::max(from, to) && i < Count(s); ++i)
    if (i >= 0) s->items[static_cast<size_t>(i)].selected = on;
  Redraw(hwnd);
  return 0;
}

LRESULT OnGetSel(HWND hwnd, ListState* s, WPARAM wparam) {
  const auto index = static_cast<intptr_t>(wparam);
  if (!Valid(s, index)) return LB_ERR;
  return IsSelected(hwnd, s, static_cast<int>(index)) ? 1 : 0;
}

LRESULT OnGetSelItems(HWND hwnd, ListState* s, WPARAM wparam, LPARAM lparam) {
  if (!MultiSel(hwnd)) return LB_ERR;
  int* out = reinterpret_cast<int*>(lparam);
  int n = 0;
  for (int i = 0; i < Count(s) && n < static_cast<int>(wparam); ++i)
    if (s->items[static_cast<size_t>(i)].selected) out[n++] = i;
  return n;
}

LRESULT OnSelectString(HWND hwnd, ListState* s, WPARAM wparam, LPARAM lparam) {
  const int found =
      Find(s, static_cast<intptr_t>(static_cast<int>(wparam)), reinterpret_cast<const char*>(lparam), false);
  if (found < 0 || MultiSel(hwnd)) return found < 0 ? LB_ERR : found;
  SendMessageA(hwnd, LB_SETCURSEL, static_cast<WPARAM>(found), 0);
  return found;
}

LRESULT OnSetItemData(ListState* s, WPARAM wparam, LPARAM lparam) {
  const auto index = static_cast<intptr_t>(wparam);
  if (!Valid(s, index)) return LB_ERR;
  s->items[static_cast<size_t>(index)].data = static_cast<ULONG_PTR>(lparam);
  return TRUE;
}

LRESULT OnSetTopIndex(HWND hwnd, ListState* s, WPARAM wparam) {
  if (!Valid(s, static_cast<intptr_t>(wparam)) && wparam != 0) return LB_ERR;
  SetTop(hwnd, s, static_cast<int>(wparam));
  return 0;
}

LRESULT OnGetItemRect(HWND hwnd, ListState* s, WPARAM wparam, LPARAM lparam) {
  const auto index = static_cast<intptr_t>(wparam);
  if (!lparam || (!Valid(s, index) && index != 0)) return LB_ERR;
  *reinterpret_cast<RECT*>(lparam) = ItemRect(hwnd, s, static_cast<int>(index));
  return 1;
}

LRESULT OnItemFromPoint(HWND hwnd, ListState* s, LPARAM lparam) {
  bool outside = false;
  const int index = IndexAt(hwnd, s, POINT{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)}, &outside);
  return MAKELONG(static_cast<WORD>(index), outside ? 1 : 0);
}

LRESULT OnSetItemHeight(HWND hwnd, ListState* s, LPARAM lparam) {
  if (LOWORD(lparam) == 0 || LOWORD(lparam) > 255) return LB_ERR;
  s->item_height = LOWORD(lparam);
  UpdateScroll(hwnd, s);
  Redraw(hwnd);
  return 0;
}

LRESULT OnSetCaretIndex(HWND hwnd, ListState* s, WPARAM wparam) {
  if (!Valid(s, static_cast<intptr_t>(wparam))) return LB_ERR;
  s->caret = static_cast<int>(wparam);
  ShowItem(hwnd, s, s->caret);
  Redraw(hwnd);
  return 0;
}

LRESULT OnSetAnchorIndex(ListState* s, WPARAM wparam) {
  if (!Valid(s, static_cast<intptr_t>(wparam))) return LB_ERR;
  s->anchor = static_cast<int>(wparam);
  return 0;
}

LRESULT OnStartTrack(HWND hwnd, ListState* s, WPARAM wparam) {
  s->tracking = true;
  s->ignore_first_up = wparam != 0;
  SetCapture(hwnd);
  return 0;
}

// The list box's own messages and those of its combo box.
LRESULT ListBoxMessage(HWND hwnd, ListState* s, UINT message, WPARAM wparam, LPARAM lparam) {
  const DWORD style = Style(hwnd);
  switch (message) {
    case LB_ADDSTRING:
      return Insert(hwnd, s, ((style & LBS_SORT) && HasStrings(hwnd)) ? -2 : -1, lparam);
    case LB_INSERTSTRING:
      return OnInsertString(hwnd, s, wparam, lparam);
    case LB_DELETESTRING:
      return OnDeleteString(hwnd, s, wparam);
    case LB_RESETCONTENT:
      return OnResetContent(hwnd, s);
    case LB_GETCOUNT:
      return Count(s);
    case LB_GETTEXT:
      return OnGetText(hwnd, s, wparam, lparam);
    case LB_GETTEXTLEN:
      return OnGetTextLength(hwnd, s, wparam);
    case LB_SETCURSEL:
      return OnSetCurSel(hwnd, s, wparam);
    case LB_GETCURSEL:
      if (MultiSel(hwnd)) return s->items.empty() ? LB_ERR : s->caret;
      return s->sel;
    case LB_SETSEL:
      return OnSetSel(hwnd, s, wparam, lparam);
    case LB_SELITEMRANGE:
    case LB_SELITEMRANGEEX:
      return OnSelectRange(hwnd, s, message, wparam, lparam);
    case LB_GETSEL:
      return OnGetSel(hwnd, s, wparam);
    case LB_GETSELCOUNT: {
      if (!MultiSel(hwnd)) return LB_ERR;
      return std::count_if(s->items.begin(), s->items.end(), [](const Item& i) { return i.selected; });
    }
    case LB_GETSELITEMS:
      return OnGetSelItems(hwnd, s, wparam, lparam);
    case LB_FINDSTRING:
    case LB_FINDSTRINGEXACT:
      return Find(s, static_cast<intptr_t>(static_cast<int>(wparam)), reinterpret_cast<const char*>(lparam),
                  message == LB_FINDSTRINGEXACT);
    case LB_SELECTSTRING:
      return OnSelectString(hwnd, s, wparam, lparam);
    case LB_GETITEMDATA: {
      const auto index = static_cast<intptr_t>(wparam);
      return Valid(s, index) ? static_cast<LRESULT>(s->items[static_cast<size_t>(index)].data) : LB_ERR;
    }
    case LB_SETITEMDATA:
      return OnSetItemData(s, wparam, lparam);
    case LB_GETTOPINDEX:
      return s->top;
    case LB_SETTOPINDEX:
      return OnSetTopIndex(hwnd, s, wparam);
    case LB_GETITEMRECT:
      return OnGetItemRect(hwnd, s, wparam, lparam);
    case LB_ITEMFROMPOINT:
      return OnItemFromPoint(hwnd, s, lparam);
    case LB_SETITEMHEIGHT:
      return OnSetItemHeight(hwnd, s, lparam);
    case LB_GETITEMHEIGHT:
      return s->item_height;
    case LB_SETCARETINDEX:
      return OnSetCaretIndex(hwnd, s, wparam);
    case LB_GETCARETINDEX:
      return s->items.empty() ? LB_ERR : s->caret;
    case LB_SETANCHORINDEX:
      return OnSetAnchorIndex(s, wparam);
    case LB_GETANCHORINDEX:
      return s->anchor;
    case user::kListSetCombo:
      s->combo = reinterpret_cast<HWND>(wparam);
      return 0;
    case user::kListStartTrack:
      return OnStartTrack(hwnd, s, wparam);
    case user::kListEndTrack:
      user::EndCapturedOperation(hwnd, &s->tracking);
      return 0;
    default:
      return DefWindowProcA(hwnd, message, wparam, lparam);
  }
}

LRESULT ListProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* s = user::StateOf<ListState>(hwnd);
  if (!s) {
    if (message == WM_NCCREATE) {
      s = user::AttachState<ListState>(hwnd);
      s->wants_vscroll = (Style(hwnd) & WS_VSCROLL) != 0;
    }
    return DefWindowProcA(hwnd, message, wparam, lparam);
  }
  const DWORD style = Style(hwnd);
  switch (message) {
    case WM_NCDESTROY:
      return user::DetachState(hwnd, s, message, wparam, lparam);
    case WM_CREATE:
      return OnCreate(hwnd, s, style);
    case WM_SIZE:
      UpdateScroll(hwnd, s);
      return 0;
    case WM_GETDLGCODE:
      return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
    case WM_PRINTCLIENT:
      return user::PaintMessage(hwnd, message, wparam, [&](HDC hdc) { Paint(hwnd, s, hdc); });
    case WM_SETFONT:
      return OnSetFont(hwnd, s, style, wparam, lparam);
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(s->font);
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      return OnFocus(hwnd, s, message);
    case WM_ENABLE:
      Redraw(hwnd);
      return 0;
    case WM_LBUTTONDOWN:
      return OnLButtonDown(hwnd, s, wparam, lparam);
    case WM_MOUSEMOVE:
      return OnMouseMove(hwnd, s, style, lparam);
    case WM_LBUTTONUP:
      return OnLButtonUp(hwnd, s, lparam);
    case WM_CAPTURECHANGED:
      return OnCaptureChanged(hwnd, s, lparam);
    case WM_LBUTTONDBLCLK:
      // A dropped list takes a quick second press as a press.
      if (s->tracking) return OnLButtonDown(hwnd, s, wparam, lparam);
      Notify(hwnd, s, LBN_DBLCLK);
      return 0;
    case WM_KEYDOWN:
      return OnKeyDown(hwnd, s, style, message, wparam, lparam);
    case WM_CHAR:
      return OnChar(hwnd, s, wparam);
    case WM_VSCROLL:
      return OnVScroll(hwnd, s, wparam, lparam);
    case WM_MOUSEWHEEL:
      SetTop(hwnd, s, s->top - 3 * GET_WHEEL_DELTA_WPARAM(wparam) / WHEEL_DELTA);
      return 0;
    default:
      return ListBoxMessage(hwnd, s, message, wparam, lparam);
  }
}

bool Register(const char* name, UINT extra_style) {
  return user::RegisterControlClass(name, ListProc, CS_DBLCLKS | CS_GLOBALCLASS | extra_style);
}

}  // namespace

namespace user {

bool RegisterListBoxClasses() { return Register(WC_LISTBOXA, 0) && Register(WC_COMBOLBOXA, CS_SAVEBITS); }

}  // namespace user

}  // namespace plat
