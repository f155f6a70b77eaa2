#include "platform/user/ComboBox.h"

#include <algorithm>
#include <string>
#include <vector>

#include "platform/gdi/Colors.h"
#include "platform/gdi/Text.h"
#include "platform/kernel/Errors.h"
#include "platform/user/Cursor.h"
#include "platform/user/Edit.h"
#include "platform/user/Focus.h"
#include "platform/user/Geometry.h"
#include "platform/user/Input.h"
#include "platform/user/ListBox.h"
#include "platform/user/Messages.h"
#include "platform/user/NonClient.h"
#include "platform/user/Paint.h"
#include "platform/user/Screen.h"
#include "platform/user/Subclass.h"

namespace plat {

namespace {

struct ComboState {
  HWND edit = nullptr;
  HWND list = nullptr;
  bool dropped = false;
  int sel_on_drop = -1;
  int dropped_height = 100;
  int dropped_width = 0;
  int field_height = 20;
  HFONT font = nullptr;
  bool focused = false;
  bool setting_text = false;  // the combo box itself writes the edit's text
  bool extended_ui = false;
};

DWORD Style(HWND hwnd) { return static_cast<DWORD>(GetWindowLongA(hwnd, GWL_STYLE)); }
DWORD Kind(HWND hwnd) { return Style(hwnd) & 0x3; }

void Notify(HWND hwnd, WORD code) { user::NotifyParent(hwnd, code); }

void Redraw(HWND hwnd) {
  InvalidateRect(hwnd, nullptr, FALSE);
  UpdateWindow(hwnd);
}

int ButtonWidth() { return GetSystemMetrics(SM_CXVSCROLL); }

RECT ButtonRect(HWND hwnd, const ComboState* s) {
  if (Kind(hwnd) == CBS_SIMPLE) return RECT{};
  RECT client;
  GetClientRect(hwnd, &client);
  return RECT{client.right - 2 - ButtonWidth(), 2, client.right - 2, s->field_height - 2};
}

RECT ItemRect(HWND hwnd, const ComboState* s) {
  RECT client;
  GetClientRect(hwnd, &client);
  if (Kind(hwnd) == CBS_SIMPLE) return RECT{0, 0, client.right, s->field_height};
  return RECT{3, 3, ButtonRect(hwnd, s).left - 1, s->field_height - 3};
}

int CurSel(const ComboState* s) { return static_cast<int>(SendMessageA(s->list, LB_GETCURSEL, 0, 0)); }

// The item the field stands for: while the list is down, the one it was dropped with.
int Chosen(const ComboState* s) { return s->dropped ? s->sel_on_drop : CurSel(s); }

std::string ItemText(const ComboState* s, int index) {
  const LRESULT length = SendMessageA(s->list, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
  if (length < 0) return {};
  std::string text(static_cast<size_t>(length) + sizeof(ULONG_PTR) + 1, '\0');
  SendMessageA(s->list, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<size_t>(length));
  return text;
}

// The field shows the selected item.
void UpdateText(HWND hwnd, ComboState* s) {
  if (s->edit) {
    const int sel = CurSel(s);
    const std::string text = sel >= 0 ? ItemText(s, sel) : std::string();
    s->setting_text = true;
    SetWindowTextA(s->edit, text.c_str());
    SendMessageA(s->edit, EM_SETSEL, 0, -1);
    s->setting_text = false;
  }
  Redraw(hwnd);
}

// Under the field, or above it where the work area has no room below; where
// neither side holds the whole list, the roomier side takes as many whole
// items as fit.
RECT DroppedRect(HWND hwnd, const ComboState* s) {
  RECT window;
  GetWindowRect(hwnd, &window);
  const int count = static_cast<int>(SendMessageA(s->list, LB_GETCOUNT, 0, 0));
  const int item = std::max(1, static_cast<int>(SendMessageA(s->list, LB_GETITEMHEIGHT, 0, 0)));
  int height = std::min(s->dropped_height, std::max(1, count) * item + 2);
  const int width = std::max<int>(s->dropped_width, window.right - window.left);
  const RECT area = user::WorkArea();
  const int below = static_cast<int>(area.bottom - window.bottom);
  const int above = static_cast<int>(window.top - area.top);
  const bool up = height > below && above > below;
  const int room = up ? above : below;
  if (height > room) height = std::max(item, (room - 2) / item * item) + 2;
  int left = static_cast<int>(window.left);
  if (left + width > area.right) left = static_cast<int>(area.right) - width;
  left = std::max(left, static_cast<int>(area.left));
  const int top = up ? static_cast<int>(window.top) - height : static_cast<int>(window.bottom);
  return RECT{left, top, left + width, top + height};
}

// While the list is down, what happens to the combo box's top-level window
// closes it: another window activated, this one moved, sized or left.
LRESULT WatchTopLevel(HWND top, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR, DWORD_PTR combo_value) {
  HWND combo = reinterpret_cast<HWND>(combo_value);
  bool close = false;
  if (message == WM_ACTIVATE) close = LOWORD(wparam) == WA_INACTIVE;
  if (message == WM_NCACTIVATE) close = wparam == FALSE;
  if (message == WM_WINDOWPOSCHANGED) {
    const auto* pos = reinterpret_cast<const WINDOWPOS*>(lparam);
    close = pos && (~pos->flags & (SWP_NOMOVE | SWP_NOSIZE)) != 0;
  }
  if (message == WM_ENTERSIZEMOVE) close = true;
  if (close && IsWindow(combo)) SendMessageA(combo, user::kComboListDone, FALSE, 0);
  return DefSubclassProc(top, message, wparam, lparam);
}

void WatchTop(HWND hwnd, bool on) {
  HWND top = GetAncestor(hwnd, GA_ROOT);
  if (!top || top == hwnd) return;
  const auto id = reinterpret_cast<UINT_PTR>(hwnd);
  if (on)
    SetWindowSubclass(top, WatchTopLevel, id, reinterpret_cast<DWORD_PTR>(hwnd));
  else
    RemoveWindowSubclass(top, WatchTopLevel, id);
}

void Drop(HWND hwnd, ComboState* s, bool from_mouse) {
  if (s->dropped || Kind(hwnd) == CBS_SIMPLE) return;
  Notify(hwnd, CBN_DROPDOWN);
  if (!IsWindow(hwnd)) return;
  s->sel_on_drop = CurSel(s);
  const RECT r = DroppedRect(hwnd, s);
  SetWindowPos(s->list, HWND_TOPMOST, r.left, r.top, r.right - r.left, r.bottom - r.top,
               SWP_SHOWWINDOW | SWP_NOACTIVATE);
  if (s->sel_on_drop >= 0) SendMessageA(s->list, LB_SETCARETINDEX, static_cast<WPARAM>(s->sel_on_drop), 0);
  s->dropped = true;
  SendMessageA(s->list, user::kListStartTrack, from_mouse ? TRUE : FALSE, 0);
  WatchTop(hwnd, true);
  Redraw(hwnd);
}

// While the list is down its selection is only a proposal: the field and the
// parent learn of it when it is taken (a click, Enter), and a cancel (Escape,
// a click outside, the focus gone) puts the old item back without a word.
void CloseUp(HWND hwnd, ComboState* s, bool ok) {
  if (!s->dropped) return;
  s->dropped = false;
  WatchTop(hwnd, false);
  SendMessageA(s->list, user::kListEndTrack, 0, 0);
  ShowWindow(s->list, SW_HIDE);
  const int sel = CurSel(s);
  const bool changed = ok && sel != s->sel_on_drop;
  if (!ok && sel != s->sel_on_drop)
    SendMessageA(s->list, LB_SETCURSEL, static_cast<WPARAM>(s->sel_on_drop), 0);
  if (changed) {
    UpdateText(hwnd, s);
    Notify(hwnd, CBN_SELCHANGE);
  }
  Notify(hwnd, CBN_CLOSEUP);
  Notify(hwnd, ok ? CBN_SELENDOK : CBN_SELENDCANCEL);
  Redraw(hwnd);
}

void Paint(HWND hwnd, ComboState* s, HDC hdc) {
  RECT client;
  GetClientRect(hwnd, &client);
  HGDIOBJ old_font = SelectObject(hdc, user::ControlFont(s->font));
  const bool disabled = (Style(hwnd) & WS_DISABLED) != 0;
  HBRUSH back = user::ControlColors(hwnd, hdc, disabled ? WM_CTLCOLORSTATIC : WM_CTLCOLOREDIT);
  FillRect(hdc, &client, GetSysColorBrush(COLOR_3DFACE));
  const DWORD kind = Kind(hwnd);
  if (kind == CBS_SIMPLE) {
    SelectObject(hdc, old_font);
    return;
  }
  RECT field{0, 0, client.right, s->field_height};
  FillRect(hdc, &field, back);
  RECT edge = field;
  DrawEdge(hdc, &edge, EDGE_SUNKEN, BF_RECT);
  if (kind == CBS_DROPDOWNLIST) {
    const RECT item = ItemRect(hwnd, s);
    const bool hot = s->focused && !s->dropped;
    if (hot) FillRect(hdc, &item, GetSysColorBrush(COLOR_HIGHLIGHT));
    const int sel = Chosen(s);
    const DWORD style = Style(hwnd);
    if (style & (CBS_OWNERDRAWFIXED | CBS_OWNERDRAWVARIABLE)) {
      const ULONG_PTR data =
          sel >= 0
              ? static_cast<ULONG_PTR>(SendMessageA(s->list, LB_GETITEMDATA, static_cast<WPARAM>(sel), 0))
              : 0;
      user::SendDrawItem(hwnd, ODT_COMBOBOX, static_cast<UINT>(sel),
                         (hot ? ODS_SELECTED | ODS_FOCUS : 0) | (disabled ? ODS_DISABLED : 0), hdc, item,
                         data);
    } else if (sel >= 0) {
      const std::string text = ItemText(s, sel);
      const int old_mode = SetBkMode(hdc, TRANSPARENT);
      const COLORREF old_color = SetTextColor(hdc, hot        ? GetSysColor(COLOR_HIGHLIGHTTEXT)
                                                   : disabled ? GetSysColor(COLOR_GRAYTEXT)
                                                              : GetTextColor(hdc));
      RECT tr = item;
      tr.left += 2;
      DrawTextA(hdc, text.c_str(), static_cast<int>(text.size()), &tr,
                DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
      SetTextColor(hdc, old_color);
      SetBkMode(hdc, old_mode);
    }
    if (hot) DrawFocusRect(hdc, &item);
  }
  RECT button = ButtonRect(hwnd, s);
  FillRect(hdc, &button, GetSysColorBrush(COLOR_3DFACE));
  if (s->dropped) {
    FrameRect(hdc, &button, GetSysColorBrush(COLOR_3DSHADOW));
  } else {
    RECT e = button;
    DrawEdge(hdc, &e, EDGE_RAISED, BF_RECT);
  }
  const int offset = s->dropped ? 1 : 0;
  const int cx = (button.left + button.right) / 2 + offset;
  const int cy = (button.top + button.bottom) / 2 - 1 + offset;
  const COLORREF arrow = GetSysColor(disabled ? COLOR_GRAYTEXT : COLOR_BTNTEXT);
  for (int i = 0; i < 4; ++i)
    for (int x = cx - 3 + i; x <= cx + 3 - i; ++x) SetPixelV(hdc, x, cy + i, arrow);
  SelectObject(hdc, old_font);
}

// Keys the edit of a drop-down combo box passes to its combo box.
LRESULT EditForward(HWND edit, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR, DWORD_PTR combo_value) {
  HWND combo = reinterpret_cast<HWND>(combo_value);
  if (message == WM_KEYDOWN || message == WM_SYSKEYDOWN) {
    const int vk = static_cast<int>(wparam);
    const bool dropped = SendMessageA(combo, CB_GETDROPPEDSTATE, 0, 0) != 0;
    if (vk == VK_UP || vk == VK_DOWN || vk == VK_F4 || vk == VK_PRIOR || vk == VK_NEXT ||
        ((vk == VK_RETURN || vk == VK_ESCAPE) && dropped))
      return SendMessageA(combo, message, wparam, lparam);
  }
  if (message == WM_CHAR && (wparam == '\r' || wparam == 0x1B) &&
      SendMessageA(combo, CB_GETDROPPEDSTATE, 0, 0))
    return 0;
  if (message == WM_GETDLGCODE && SendMessageA(combo, CB_GETDROPPEDSTATE, 0, 0))
    return DefSubclassProc(edit, message, wparam, lparam) | DLGC_WANTALLKEYS;
  return DefSubclassProc(edit, message, wparam, lparam);
}

void Create(HWND hwnd, ComboState* s, const CREATESTRUCTA* cs) {
  const DWORD style = Style(hwnd);
  const DWORD kind = style & 0x3;
  const int item_height = user::FontLineHeight(s->font);
  s->field_height = item_height + 6;
  const int width = cs ? cs->cx : 100;
  const int height = cs ? cs->cy : 100;
  DWORD list_style = LBS_COMBOBOX | LBS_NOTIFY | WS_VSCROLL | WS_BORDER;
  if (style & CBS_SORT) list_style |= LBS_SORT;
  if (style & CBS_OWNERDRAWFIXED) list_style |= LBS_OWNERDRAWFIXED;
  if (style & CBS_OWNERDRAWVARIABLE) list_style |= LBS_OWNERDRAWVARIABLE;
  if (style & CBS_HASSTRINGS) list_style |= LBS_HASSTRINGS;
  if (style & CBS_DISABLENOSCROLL) list_style |= LBS_DISABLENOSCROLL;
  if (kind == CBS_SIMPLE) {
    s->list =
        CreateWindowExA(0, WC_COMBOLBOXA, "", WS_CHILD | WS_VISIBLE | list_style, 0, s->field_height, width,
                        std::max(0, height - s->field_height), hwnd,
                        reinterpret_cast<HMENU>(static_cast<intptr_t>(user::kComboListId)), nullptr, nullptr);
  } else {
    s->dropped_height = std::max(height - s->field_height, item_height + 2);
    s->list = CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, WC_COMBOLBOXA, "", WS_POPUP | list_style, 0,
                              0, width, s->dropped_height, hwnd, nullptr, nullptr, nullptr);
  }
  if (s->list) SendMessageA(s->list, user::kListSetCombo, reinterpret_cast<WPARAM>(hwnd), 0);
  if (kind == CBS_SIMPLE || kind == CBS_DROPDOWN) {
    DWORD edit_style = WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL;
    if (style & CBS_UPPERCASE) edit_style |= ES_UPPERCASE;
    if (style & CBS_LOWERCASE) edit_style |= ES_LOWERCASE;
    const int right = kind == CBS_SIMPLE ? width : width - 3 - ButtonWidth();
    const int inset = kind == CBS_SIMPLE ? 0 : 3;
    s->edit =
        CreateWindowExA(kind == CBS_SIMPLE ? WS_EX_CLIENTEDGE : 0, WC_EDITA, "", edit_style, inset, inset,
                        std::max(1, right - inset), s->field_height - 2 * inset, hwnd,
                        reinterpret_cast<HMENU>(static_cast<intptr_t>(user::kComboEditId)), nullptr, nullptr);
    if (s->edit) SetWindowSubclass(s->edit, EditForward, 1, reinterpret_cast<DWORD_PTR>(hwnd));
  }
  if (kind != CBS_SIMPLE)
    SetWindowPos(hwnd, nullptr, 0, 0, width, s->field_height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The edit (and a simple combo box's list) follow the combo box's size.
LRESULT OnSize(HWND hwnd, ComboState* s, LPARAM lparam) {
  const int width = LOWORD(lparam), height = HIWORD(lparam);
  const bool simple = Kind(hwnd) == CBS_SIMPLE;
  if (s->edit) {
    const int right = simple ? width : width - 3 - ButtonWidth();
    const int inset = simple ? 0 : 3;
    MoveWindow(s->edit, inset, inset, std::max(1, right - inset), s->field_height - 2 * inset, TRUE);
  }
  if (simple && s->list)
    MoveWindow(s->list, 0, s->field_height, width, std::max(0, height - s->field_height), TRUE);
  return 0;
}

void FillInfo(HWND hwnd, ComboState* s, COMBOBOXINFO* info) {
  info->rcItem = ItemRect(hwnd, s);
  info->rcButton = ButtonRect(hwnd, s);
  info->stateButton = Kind(hwnd) == CBS_SIMPLE ? STATE_SYSTEM_INVISIBLE
                      : s->dropped             ? STATE_SYSTEM_PRESSED
                                               : 0;
  info->hwndCombo = hwnd;
  info->hwndItem = s->edit ? s->edit : hwnd;
  info->hwndList = s->list;
}

LRESULT ToList(ComboState* s, UINT message, WPARAM wparam, LPARAM lparam) {
  return SendMessageA(s->list, message, wparam, lparam);
}

void ToggleDrop(HWND hwnd, ComboState* s, bool from_mouse) {
  if (s->dropped)
    CloseUp(hwnd, s, true);
  else
    Drop(hwnd, s, from_mouse);
}

void SetEditText(ComboState* s, const char* text) {
  s->setting_text = true;
  SetWindowTextA(s->edit, text);
  s->setting_text = false;
}

// ---- message handlers ---------------------------------------------------------

LRESULT OnNcCreate(HWND hwnd, WPARAM wparam, LPARAM lparam) {
  user::AttachState<ComboState>(hwnd);
  // Scroll bars asked of a combo box are its list's: a frame bar of its own
  // would narrow the field and show its arrows beside the button.
  const DWORD style = Style(hwnd);
  if (style & (WS_VSCROLL | WS_HSCROLL))
    SetWindowLongA(hwnd, GWL_STYLE, static_cast<LONG>(style & ~(WS_VSCROLL | WS_HSCROLL)));
  return DefWindowProcA(hwnd, WM_NCCREATE, wparam, lparam);
}

LRESULT OnDestroy(HWND hwnd, ComboState* s) {
  if (s->dropped) WatchTop(hwnd, false);
  if (s->list && IsWindow(s->list) && Kind(hwnd) != CBS_SIMPLE) DestroyWindow(s->list);
  s->list = nullptr;
  return 0;
}

LRESULT OnSetFont(HWND hwnd, ComboState* s, WPARAM wparam, LPARAM lparam) {
  s->font = reinterpret_cast<HFONT>(wparam);
  if (s->edit) SendMessageA(s->edit, WM_SETFONT, wparam, lparam);
  if (s->list) SendMessageA(s->list, WM_SETFONT, wparam, lparam);
  if (LOWORD(lparam)) Redraw(hwnd);
  return 0;
}

LRESULT OnEnable(HWND hwnd, ComboState* s, WPARAM wparam) {
  if (s->edit) EnableWindow(s->edit, static_cast<BOOL>(wparam));
  Redraw(hwnd);
  return 0;
}

// The edit holds a drop-down's text; a drop-down list's text picks its item.
LRESULT OnSetText(HWND hwnd, ComboState* s, LPARAM lparam) {
  if (s->edit) {
    SetEditText(s, reinterpret_cast<const char*>(lparam));
    return TRUE;
  }
  const LRESULT found = ToList(s, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), lparam);
  if (found < 0) return CB_ERR;
  ToList(s, LB_SETCURSEL, static_cast<WPARAM>(found), 0);
  Redraw(hwnd);
  return TRUE;
}

LRESULT OnGetText(ComboState* s, UINT message, WPARAM wparam, LPARAM lparam) {
  if (s->edit) return SendMessageA(s->edit, message, wparam, lparam);
  const int sel = Chosen(s);
  const std::string text = sel >= 0 ? ItemText(s, sel) : std::string();
  if (message == WM_GETTEXTLENGTH) return static_cast<LRESULT>(text.size());
  if (!wparam || !lparam) return 0;
  const size_t n = std::min(text.size(), static_cast<size_t>(wparam) - 1);
  text.copy(reinterpret_cast<char*>(lparam), n);
  reinterpret_cast<char*>(lparam)[n] = '\0';
  return static_cast<LRESULT>(n);
}

// With an edit, focus lives there and the edit's notices report it.
LRESULT OnSetFocus(HWND hwnd, ComboState* s) {
  if (s->edit) {
    SetFocus(s->edit);
    return 0;
  }
  s->focused = true;
  Redraw(hwnd);
  Notify(hwnd, CBN_SETFOCUS);
  return 0;
}

LRESULT OnKillFocus(HWND hwnd, ComboState* s) {
  if (s->edit) return 0;
  s->focused = false;
  CloseUp(hwnd, s, false);
  Redraw(hwnd);
  Notify(hwnd, CBN_KILLFOCUS);
  return 0;
}

LRESULT OnLButtonDown(HWND hwnd, ComboState* s, LPARAM lparam) {
  if (GetFocus() != (s->edit ? s->edit : hwnd)) SetFocus(s->edit ? s->edit : hwnd);
  const DWORD kind = Kind(hwnd);
  if (kind == CBS_SIMPLE) return 0;
  const RECT button = ButtonRect(hwnd, s);
  const POINT p{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
  if (kind == CBS_DROPDOWNLIST || PtInRect(&button, p)) ToggleDrop(hwnd, s, true);
  return 0;
}

LRESULT OnSysKeyDown(HWND hwnd, ComboState* s, WPARAM wparam, LPARAM lparam) {
  if ((wparam == static_cast<WPARAM>(VK_DOWN) || wparam == static_cast<WPARAM>(VK_UP)) &&
      Kind(hwnd) != CBS_SIMPLE) {
    ToggleDrop(hwnd, s, false);
    return 0;
  }
  return DefWindowProcA(hwnd, WM_SYSKEYDOWN, wparam, lparam);
}

LRESULT OnKeyDown(HWND hwnd, ComboState* s, WPARAM wparam, LPARAM lparam) {
  const int vk = static_cast<int>(wparam);
  if (vk == VK_F4 && Kind(hwnd) != CBS_SIMPLE) {
    ToggleDrop(hwnd, s, false);
    return 0;
  }
  if (s->dropped && (vk == VK_RETURN || vk == VK_ESCAPE)) {
    CloseUp(hwnd, s, vk == VK_RETURN);
    return 0;
  }
  if (vk == VK_DOWN && s->extended_ui && !s->dropped && Kind(hwnd) != CBS_SIMPLE) {
    Drop(hwnd, s, false);
    return 0;
  }
  if (vk == VK_UP || vk == VK_DOWN || vk == VK_PRIOR || vk == VK_NEXT ||
      ((vk == VK_HOME || vk == VK_END) && !s->edit)) {
    SendMessageA(s->list, WM_KEYDOWN, wparam, lparam);
    return 0;
  }
  return DefWindowProcA(hwnd, WM_KEYDOWN, wparam, lparam);
}

void OnListNotice(HWND hwnd, ComboState* s, WORD code) {
  if (code == LBN_SELCHANGE) {
    if (s->dropped) return;  // taken or dropped when the list closes
    UpdateText(hwnd, s);
    Notify(hwnd, CBN_SELCHANGE);
  } else if (code == LBN_DBLCLK) {
    Notify(hwnd, CBN_DBLCLK);
  }
}

void OnEditNotice(HWND hwnd, ComboState* s, WORD code) {
  switch (code) {
    case EN_CHANGE:
      if (!s->setting_text) Notify(hwnd, CBN_EDITCHANGE);
      break;
    case EN_UPDATE:
      if (!s->setting_text) Notify(hwnd, CBN_EDITUPDATE);
      break;
    case EN_SETFOCUS:
      s->focused = true;
      Notify(hwnd, CBN_SETFOCUS);
      break;
    case EN_KILLFOCUS:
      s->focused = false;
      CloseUp(hwnd, s, false);
      Notify(hwnd, CBN_KILLFOCUS);
      break;
    default:
      break;
  }
}

LRESULT OnCommand(HWND hwnd, ComboState* s, WPARAM wparam, LPARAM lparam) {
  const HWND from = reinterpret_cast<HWND>(lparam);
  if (!from) return 0;
  if (from == s->list) OnListNotice(hwnd, s, HIWORD(wparam));
  if (from == s->edit) OnEditNotice(hwnd, s, HIWORD(wparam));
  return 0;
}

LRESULT OnResetContent(HWND hwnd, ComboState* s) {
  ToList(s, LB_RESETCONTENT, 0, 0);
  if (s->edit) SetEditText(s, "");
  Redraw(hwnd);
  return CB_OKAY;
}

LRESULT OnSelectString(HWND hwnd, ComboState* s, WPARAM wparam, LPARAM lparam) {
  const LRESULT found = ToList(s, LB_FINDSTRING, wparam, lparam);
  if (found < 0) return CB_ERR;
  ToList(s, LB_SETCURSEL, static_cast<WPARAM>(found), 0);
  UpdateText(hwnd, s);
  return found;
}

LRESULT OnGetItemHeight(ComboState* s, WPARAM wparam) {
  if (static_cast<int>(wparam) == -1) return s->field_height - 6;
  return ToList(s, LB_GETITEMHEIGHT, wparam, 0);
}

// -1 is the field: the combo box takes the new height unless it is simple.
LRESULT OnSetItemHeight(HWND hwnd, ComboState* s, WPARAM wparam, LPARAM lparam) {
  if (static_cast<int>(wparam) != -1) return ToList(s, LB_SETITEMHEIGHT, wparam, lparam);
  if (LOWORD(lparam) == 0) return CB_ERR;
  s->field_height = LOWORD(lparam) + 6;
  if (Kind(hwnd) != CBS_SIMPLE) {
    RECT window;
    GetWindowRect(hwnd, &window);
    SetWindowPos(hwnd, nullptr, 0, 0, window.right - window.left, s->field_height,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  Redraw(hwnd);
  return CB_OKAY;
}

LRESULT OnGetDroppedWidth(HWND hwnd, ComboState* s) {
  RECT window;
  GetWindowRect(hwnd, &window);
  return std::max<LRESULT>(s->dropped_width, window.right - window.left);
}

LRESULT OnSetEditSel(ComboState* s, LPARAM lparam) {
  if (!s->edit) return CB_ERR;
  SendMessageA(s->edit, EM_SETSEL,
               static_cast<WPARAM>(static_cast<SHORT>(LOWORD(static_cast<uintptr_t>(lparam)))),
               static_cast<SHORT>(HIWORD(static_cast<uintptr_t>(lparam))));
  return TRUE;
}

LRESULT OnLimitText(ComboState* s, WPARAM wparam) {
  if (!s->edit) return CB_ERR;
  SendMessageA(s->edit, EM_LIMITTEXT, wparam, 0);
  return TRUE;
}

LRESULT OnGetComboBoxInfo(HWND hwnd, ComboState* s, LPARAM lparam) {
  auto* info = reinterpret_cast<COMBOBOXINFO*>(lparam);
  if (!info) return FALSE;
  FillInfo(hwnd, s, info);
  return TRUE;
}

// The list messages that pass straight to the list box, and their LB_* twins.
struct ListForward {
  UINT combo;
  UINT list;
  bool redraw;  // the field may show what changed
};
constexpr ListForward kListForwards[] = {
    {CB_ADDSTRING, LB_ADDSTRING, false},
    {CB_INSERTSTRING, LB_INSERTSTRING, false},
    {CB_DELETESTRING, LB_DELETESTRING, true},
    {CB_GETCOUNT, LB_GETCOUNT, false},
    {CB_GETCURSEL, LB_GETCURSEL, false},
    {CB_GETLBTEXT, LB_GETTEXT, false},
    {CB_GETLBTEXTLEN, LB_GETTEXTLEN, false},
    {CB_FINDSTRING, LB_FINDSTRING, false},
    {CB_FINDSTRINGEXACT, LB_FINDSTRINGEXACT, false},
    {CB_GETITEMDATA, LB_GETITEMDATA, false},
    {CB_SETITEMDATA, LB_SETITEMDATA, false},
    {CB_GETTOPINDEX, LB_GETTOPINDEX, false},
    {CB_SETTOPINDEX, LB_SETTOPINDEX, false},
};

const ListForward* FindListForward(UINT message) {
  for (const ListForward& f : kListForwards)
    if (f.combo == message) return &f;
  return nullptr;
}

// The CB_* messages: the list's own pass to it, the rest are the field's.
LRESULT ComboMessage(HWND hwnd, ComboState* s, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == CB_GETCURSEL) return Chosen(s);
  if (const ListForward* forward = FindListForward(message)) {
    const LRESULT r = ToList(s, forward->list, wparam, lparam);
    if (forward->redraw) Redraw(hwnd);
    return r;
  }
  switch (message) {
    case CB_RESETCONTENT:
      return OnResetContent(hwnd, s);
    case CB_SETCURSEL: {
      const LRESULT r = ToList(s, LB_SETCURSEL, wparam, 0);
      if (s->dropped) s->sel_on_drop = CurSel(s);
      UpdateText(hwnd, s);
      return r;
    }
    case CB_SELECTSTRING:
      return OnSelectString(hwnd, s, wparam, lparam);
    case CB_GETITEMHEIGHT:
      return OnGetItemHeight(s, wparam);
    case CB_SETITEMHEIGHT:
      return OnSetItemHeight(hwnd, s, wparam, lparam);
    case CB_SHOWDROPDOWN:
      if (wparam)
        Drop(hwnd, s, false);
      else
        CloseUp(hwnd, s, true);
      return TRUE;
    case CB_GETDROPPEDSTATE:
      return s->dropped ? TRUE : FALSE;
    case CB_GETDROPPEDCONTROLRECT:
      if (lparam) *reinterpret_cast<RECT*>(lparam) = DroppedRect(hwnd, s);
      return TRUE;
    case CB_GETDROPPEDWIDTH:
      return OnGetDroppedWidth(hwnd, s);
    case CB_SETDROPPEDWIDTH:
      s->dropped_width = static_cast<int>(wparam);
      return s->dropped_width;
    case CB_SETEXTENDEDUI:
      s->extended_ui = wparam != 0;
      return CB_OKAY;
    case CB_GETEXTENDEDUI:
      return s->extended_ui ? TRUE : FALSE;
    case CB_GETEDITSEL:
      return s->edit ? SendMessageA(s->edit, EM_GETSEL, wparam, lparam) : CB_ERR;
    case CB_SETEDITSEL:
      return OnSetEditSel(s, lparam);
    case CB_LIMITTEXT:
      return OnLimitText(s, wparam);
    case CB_GETCOMBOBOXINFO:
      return OnGetComboBoxInfo(hwnd, s, lparam);
    default:
      return DefWindowProcA(hwnd, message, wparam, lparam);
  }
}

LRESULT ComboProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* s = user::StateOf<ComboState>(hwnd);
  if (!s) {
    if (message == WM_NCCREATE) return OnNcCreate(hwnd, wparam, lparam);
    return DefWindowProcA(hwnd, message, wparam, lparam);
  }
  if (message >= CB_GETEDITSEL && message <= CB_GETCOMBOBOXINFO)
    return ComboMessage(hwnd, s, message, wparam, lparam);
  switch (message) {
    case WM_CREATE:
      Create(hwnd, s, reinterpret_cast<const CREATESTRUCTA*>(lparam));
      return s->list ? 0 : -1;
    case WM_DESTROY:
      return OnDestroy(hwnd, s);
    case WM_SIZE:
      return OnSize(hwnd, s, lparam);
    case WM_NCDESTROY:
      return user::DetachState(hwnd, s, message, wparam, lparam);
    case WM_GETDLGCODE:
      // Enter and Escape close the dropped list instead of pressing the form's buttons.
      return DLGC_WANTARROWS | DLGC_WANTCHARS | (s->dropped ? DLGC_WANTALLKEYS : 0);
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
    case WM_PRINTCLIENT:
      return user::PaintMessage(hwnd, message, wparam, [&](HDC hdc) { Paint(hwnd, s, hdc); });
    case WM_SETFONT:
      return OnSetFont(hwnd, s, wparam, lparam);
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(s->font);
    case WM_ENABLE:
      return OnEnable(hwnd, s, wparam);
    case WM_SETTEXT:
      return OnSetText(hwnd, s, lparam);
    case WM_GETTEXT:
    case WM_GETTEXTLENGTH:
      return OnGetText(s, message, wparam, lparam);
    case WM_SETFOCUS:
      return OnSetFocus(hwnd, s);
    case WM_KILLFOCUS:
      return OnKillFocus(hwnd, s);
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      return OnLButtonDown(hwnd, s, lparam);
    case WM_SYSKEYDOWN:
      return OnSysKeyDown(hwnd, s, wparam, lparam);
    case WM_KEYDOWN:
      return OnKeyDown(hwnd, s, wparam, lparam);
    case WM_CHAR:
      if (!s->edit) SendMessageA(s->list, WM_CHAR, wparam, lparam);
      return 0;
    case WM_MOUSEWHEEL:
      // The wheel scrolls the open list under the pointer.
      if (s->dropped) return SendMessageA(s->list, message, wparam, lparam);
      return DefWindowProcA(hwnd, message, wparam, lparam);
    case WM_COMMAND:
      return OnCommand(hwnd, s, wparam, lparam);
    case user::kComboListDone:
      CloseUp(hwnd, s, wparam != 0);
      return 0;
    default:
      return DefWindowProcA(hwnd, message, wparam, lparam);
  }
}

}  // namespace

BOOL GetComboBoxInfo(HWND combo, COMBOBOXINFO* info) {
  if (!info || info->cbSize != sizeof(COMBOBOXINFO)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (!IsWindow(combo)) return FALSE;
  char name[16] = {};
  GetClassNameA(combo, name, sizeof(name));
  if (std::string_view(name) != WC_COMBOBOXA) return FALSE;
  return static_cast<BOOL>(SendMessageA(combo, CB_GETCOMBOBOXINFO, 0, reinterpret_cast<LPARAM>(info)));
}

namespace user {

bool RegisterComboBoxClass() {
  return RegisterControlClass(WC_COMBOBOXA, ComboProc, CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW | CS_GLOBALCLASS);
}

}  // namespace user

}  // namespace plat
