#include "platform/user/TabControl.h"

#include <algorithm>
#include <string>
#include <vector>

#include "platform/gdi/Colors.h"
#include "platform/gdi/Text.h"
#include "platform/user/Cursor.h"
#include "platform/user/Focus.h"
#include "platform/user/Geometry.h"
#include "platform/user/Input.h"
#include "platform/user/Messages.h"
#include "platform/user/Paint.h"
#include "platform/user/ScrollBar.h"
#include "platform/user/UpDown.h"

namespace plat {

namespace {

constexpr int kStripMargin = 2;  // before the first tab and between the tabs and the edge
constexpr int kBody = 4;         // the display area's frame and margin
constexpr int kIconWidth = 16;
constexpr int kArrowsId = 1;

struct Tab {
  std::string text;
  int image = -1;
  LPARAM param = 0;
  DWORD state = 0;
};

struct TabState {
  std::vector<Tab> tabs;
  int selected = -1;
  int focus = -1;
  int first_visible = 0;
  int fixed_width = 0, fixed_height = 0;
  int pad_x = 6, pad_y = 3;
  int min_width = -1;
  DWORD ex_style = 0;
  HIMAGELIST images = nullptr;
  HFONT font = nullptr;
  bool focused = false;
  int pressed = -1;  // a tab the mouse went down on
  HWND arrows = nullptr;
};

DWORD Style(HWND hwnd) { return static_cast<DWORD>(GetWindowLongA(hwnd, GWL_STYLE)); }

// 0 top, 1 bottom, 2 left, 3 right.
int Side(HWND hwnd) {
  const DWORD style = Style(hwnd);
  if (style & TCS_VERTICAL) return (style & TCS_RIGHT) ? 3 : 2;
  return (style & TCS_BOTTOM) ? 1 : 0;
}

void Redraw(HWND hwnd) {
  InvalidateRect(hwnd, nullptr, FALSE);
  UpdateWindow(hwnd);
}

int TabHeight(const TabState* s) {
  return s->fixed_height > 0 ? s->fixed_height : user::FontLineHeight(s->font) + 2 * s->pad_y + 1;
}

int TabLength(HWND hwnd, const TabState* s, const Tab& tab) {
  if ((Style(hwnd) & TCS_FIXEDWIDTH) && s->fixed_width > 0) return s->fixed_width;
  int length = user::TextWidth(s->font, tab.text) + 2 * s->pad_x;
  if (s->images && tab.image >= 0) length += kIconWidth + s->pad_x;
  return std::max(length, s->min_width < 0 ? 2 * s->pad_x + 24 : s->min_width);
}

int StripThickness(const TabState* s) { return kStripMargin + TabHeight(s); }

// Tab rectangles in client coordinates, scrolled by the first visible tab.
std::vector<RECT> TabRects(HWND hwnd, const TabState* s) {
  RECT client;
  GetClientRect(hwnd, &client);
  const int side = Side(hwnd);
  const int h = TabHeight(s);
  std::vector<RECT> rects;
  int along = kStripMargin;
  for (int i = 0; i < s->first_visible && i < static_cast<int>(s->tabs.size()); ++i)
    along -= TabLength(hwnd, s, s->tabs[static_cast<size_t>(i)]);
  for (const Tab& tab : s->tabs) {
    const int length = TabLength(hwnd, s, tab);
    switch (side) {
      case 0:
        rects.push_back({along, kStripMargin, along + length, kStripMargin + h});
        break;
      case 1:
        rects.push_back(
            {along, client.bottom - kStripMargin - h, along + length, client.bottom - kStripMargin});
        break;
      case 2:
        rects.push_back({kStripMargin, along, kStripMargin + h, along + length});
        break;
      default:
        rects.push_back(
            {client.right - kStripMargin - h, along, client.right - kStripMargin, along + length});
        break;
    }
    along += length;
  }
  return rects;
}

void AdjustRect(HWND hwnd, const TabState* s, bool larger, RECT* r) {
  const int strip = StripThickness(s);
  LONG* edge = nullptr;
  int sign = 1;
  switch (Side(hwnd)) {
    case 0:
      edge = &r->top;
      break;
    case 1:
      edge = &r->bottom;
      sign = -1;
      break;
    case 2:
      edge = &r->left;
      break;
    default:
      edge = &r->right;
      sign = -1;
      break;
  }
  if (larger) {
    InflateRect(r, kBody, kBody);
    *edge -= sign * strip;
  } else {
    *edge += sign * strip;
    InflateRect(r, -kBody, -kBody);
  }
}

RECT BodyRect(HWND hwnd, const TabState* s) {
  RECT r;
  GetClientRect(hwnd, &r);
  AdjustRect(hwnd, s, false, &r);
  InflateRect(&r, kBody, kBody);
  return r;
}

// Shows the scroll arrows when the tabs run past the control's end.
void UpdateArrows(HWND hwnd, TabState* s) {
  if (Side(hwnd) >= 2 || (Style(hwnd) & TCS_MULTILINE)) return;
  RECT client;
  GetClientRect(hwnd, &client);
  int total = kStripMargin;
  for (const Tab& tab : s->tabs) total += TabLength(hwnd, s, tab);
  const bool needed = total > client.right;
  if (!needed) {
    s->first_visible = 0;
    if (s->arrows) ShowWindow(s->arrows, SW_HIDE);
    return;
  }
  const int h = TabHeight(s);
  const int y = Side(hwnd) == 0 ? kStripMargin : client.bottom - kStripMargin - h;
  if (!s->arrows)
    s->arrows = CreateWindowExA(0, UPDOWN_CLASSA, "", WS_CHILD | UDS_HORZ, 0, 0, 0, 0, hwnd,
                                reinterpret_cast<HMENU>(static_cast<intptr_t>(kArrowsId)), nullptr, nullptr);
  if (!s->arrows) return;
  MoveWindow(s->arrows, client.right - 2 * h, y, 2 * h, h, TRUE);
  SendMessageA(s->arrows, UDM_SETRANGE32, 0, static_cast<LPARAM>(s->tabs.size()) - 1);
  SendMessageA(s->arrows, UDM_SETPOS32, 0, s->first_visible);
  ShowWindow(s->arrows, SW_SHOWNA);
}

void ScrollTo(HWND hwnd, TabState* s, int first) {
  first = std::clamp(first, 0, std::max(0, static_cast<int>(s->tabs.size()) - 1));
  if (first == s->first_visible) return;
  s->first_visible = first;
  if (s->arrows) SendMessageA(s->arrows, UDM_SETPOS32, 0, first);
  Redraw(hwnd);
}

// Scrolls so that tab `index` is not hidden before the first visible tab or under the arrows.
void MakeVisible(HWND hwnd, TabState* s, int index) {
  if (index < 0 || !s->arrows || !IsWindowVisible(s->arrows)) return;
  if (index < s->first_visible) {
    ScrollTo(hwnd, s, index);
    return;
  }
  RECT arrows;
  GetWindowRect(s->arrows, &arrows);
  MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&arrows), 2);
  while (s->first_visible < index && TabRects(hwnd, s)[static_cast<size_t>(index)].right > arrows.left)
    ScrollTo(hwnd, s, s->first_visible + 1);
}

int HitTest(HWND hwnd, const TabState* s, POINT p) {
  const std::vector<RECT> rects = TabRects(hwnd, s);
  for (size_t i = 0; i < rects.size(); ++i)
    if (PtInRect(&rects[i], p)) return static_cast<int>(i);
  return -1;
}

// A change of selection the user asked for: the parent may refuse it.
bool SelectByUser(HWND hwnd, TabState* s, int index) {
  if (index < 0 || index >= static_cast<int>(s->tabs.size())) return false;
  if (index == s->selected) {
    s->focus = index;
    return true;
  }
  NMHDR nm;
  if (user::SendNotify(hwnd, TCN_SELCHANGING, &nm)) return false;
  s->selected = s->focus = index;
  MakeVisible(hwnd, s, index);
  Redraw(hwnd);
  user::SendNotify(hwnd, TCN_SELCHANGE, &nm);
  return true;
}

// ---- painting ----------------------------------------------------------------

void DrawTab(HWND hwnd, TabState* s, HDC hdc, int index, RECT r) {
  const Tab& tab = s->tabs[static_cast<size_t>(index)];
  const bool selected = index == s->selected;
  const DWORD style = Style(hwnd);
  if (style & TCS_OWNERDRAWFIXED) {
    user::SendDrawItem(hwnd, ODT_TAB, static_cast<UINT>(index), selected ? ODS_SELECTED : 0, hdc, r,
                       static_cast<ULONG_PTR>(tab.param));
    return;
  }
  FillRect(hdc, &r, GetSysColorBrush((tab.state & TCIS_HIGHLIGHTED) ? COLOR_3DLIGHT : COLOR_3DFACE));
  RECT edge = r;
  if (style & TCS_BUTTONS) {
    DrawEdge(hdc, &edge, selected || (tab.state & TCIS_BUTTONPRESSED) ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
  } else {
    static constexpr UINT kOpen[4] = {BF_LEFT | BF_TOP | BF_RIGHT, BF_LEFT | BF_BOTTOM | BF_RIGHT,
                                      BF_LEFT | BF_TOP | BF_BOTTOM, BF_TOP | BF_RIGHT | BF_BOTTOM};
    DrawEdge(hdc, &edge, EDGE_RAISED, kOpen[Side(hwnd)]);
  }
  RECT text = r;
  DrawTextA(hdc, tab.text.c_str(), static_cast<int>(tab.text.size()), &text,
            DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  if (s->focused && index == s->focus) {
    RECT focus = r;
    InflateRect(&focus, -3, -3);
    DrawFocusRect(hdc, &focus);
  }
}

void Paint(HWND hwnd, TabState* s, HDC hdc) {
  RECT client;
  GetClientRect(hwnd, &client);
  FillRect(hdc, &client, user::ControlColors(hwnd, hdc, WM_CTLCOLORSTATIC));
  const DWORD style = Style(hwnd);
  if (!(style & TCS_BUTTONS)) {
    RECT body = BodyRect(hwnd, s);
    DrawEdge(hdc, &body, EDGE_RAISED, BF_RECT);
  }
  HGDIOBJ old_font = SelectObject(hdc, user::ControlFont(s->font));
  const int old_mode = SetBkMode(hdc, TRANSPARENT);
  SetTextColor(hdc, GetSysColor(IsWindowEnabled(hwnd) ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
  const std::vector<RECT> rects = TabRects(hwnd, s);
  for (size_t i = 0; i < rects.size(); ++i)
    if (static_cast<int>(i) != s->selected) DrawTab(hwnd, s, hdc, static_cast<int>(i), rects[i]);
  // The selected tab stands out by two pixels and joins the display area.
  if (s->selected >= 0 && s->selected < static_cast<int>(rects.size())) {
    RECT r = rects[static_cast<size_t>(s->selected)];
    if (!(style & TCS_BUTTONS)) {
      InflateRect(&r, 2, 2);
      const int side = Side(hwnd);
      if (side == 0) r.bottom += 1;
      if (side == 1) r.top -= 1;
      if (side == 2) r.right += 1;
      if (side == 3) r.left -= 1;
    }
    DrawTab(hwnd, s, hdc, s->selected, r);
  }
  SetBkMode(hdc, old_mode);
  SelectObject(hdc, old_font);
}

bool ControlDown() { return (GetKeyState(VK_CONTROL) & 0x8000) != 0; }
bool ShiftDown() { return (GetKeyState(VK_SHIFT) & 0x8000) != 0; }

void KeyDown(HWND hwnd, TabState* s, int vk) {
  NMTCKEYDOWN nm;
  nm.wVKey = static_cast<WORD>(vk);
  user::SendNotify(hwnd, TCN_KEYDOWN, &nm.hdr);
  const int count = static_cast<int>(s->tabs.size());
  if (count == 0) return;
  const int from = s->focus >= 0 ? s->focus : std::max(s->selected, 0);
  switch (vk) {
    case VK_LEFT:
    case VK_UP:
      if (from > 0) SelectByUser(hwnd, s, from - 1);
      break;
    case VK_RIGHT:
    case VK_DOWN:
      if (from + 1 < count) SelectByUser(hwnd, s, from + 1);
      break;
    case VK_HOME:
      SelectByUser(hwnd, s, 0);
      break;
    case VK_END:
      SelectByUser(hwnd, s, count - 1);
      break;
    case VK_TAB:
      // Ctrl+Tab and Ctrl+Shift+Tab go round the tabs.
      if (ControlDown()) SelectByUser(hwnd, s, (from + (ShiftDown() ? count - 1 : 1)) % count);
      break;
    default:
      break;
  }
}

void ReadItem(const TCITEMA* item, Tab* tab) {
  if (item->mask & TCIF_TEXT) tab->text = item->pszText ? item->pszText : "";
  if (item->mask & TCIF_IMAGE) tab->image = item->iImage;
  if (item->mask & TCIF_PARAM) tab->param = item->lParam;
  if (item->mask & TCIF_STATE)
    tab->state = (tab->state & ~item->dwStateMask) | (item->dwState & item->dwStateMask);
}

void Relayout(HWND hwnd, TabState* s) {
  UpdateArrows(hwnd, s);
  InvalidateRect(hwnd, nullptr, FALSE);
}

LRESULT OnGetDlgCode(LPARAM lparam) {
  LRESULT code = DLGC_WANTARROWS | DLGC_WANTCHARS;
  const auto* msg = reinterpret_cast<const MSG*>(lparam);
  if (msg && msg->message == WM_KEYDOWN && msg->wParam == static_cast<WPARAM>(VK_TAB) && ControlDown())
    code |= DLGC_WANTMESSAGE;
  return code;
}

LRESULT OnSetFont(HWND hwnd, TabState* s, WPARAM wparam) {
  s->font = reinterpret_cast<HFONT>(wparam);
  Relayout(hwnd, s);
  return 0;
}

LRESULT OnFocus(HWND hwnd, TabState* s, UINT message) {
  s->focused = message == WM_SETFOCUS;
  Redraw(hwnd);
  return 0;
}

LRESULT OnHScroll(HWND hwnd, TabState* s, WPARAM wparam, LPARAM lparam) {
  if (reinterpret_cast<HWND>(lparam) == s->arrows && s->arrows && LOWORD(wparam) == SB_THUMBPOSITION)
    ScrollTo(hwnd, s, static_cast<SHORT>(HIWORD(wparam)));
  return 0;
}

LRESULT OnLButtonDown(HWND hwnd, TabState* s, LPARAM lparam) {
  const int hit = HitTest(hwnd, s, POINT{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)});
  if (hit < 0) return 0;
  if ((Style(hwnd) & TCS_FOCUSONBUTTONDOWN) && !(Style(hwnd) & TCS_FOCUSNEVER)) SetFocus(hwnd);
  s->pressed = hit;
  SelectByUser(hwnd, s, hit);
  return 0;
}

LRESULT OnLButtonUp(HWND hwnd, TabState* s) {
  if (s->pressed >= 0) {
    s->pressed = -1;
    NMHDR nm;
    user::SendNotify(hwnd, NM_CLICK, &nm);
  }
  return 0;
}

LRESULT OnRButtonUp(HWND hwnd) {
  NMHDR nm;
  user::SendNotify(hwnd, NM_RCLICK, &nm);
  return 0;
}

LRESULT OnInsertItem(HWND hwnd, TabState* s, int index, int count, LPARAM lparam) {
  const auto* item = reinterpret_cast<const TCITEMA*>(lparam);
  if (!item || index < 0) return -1;
  const int at = std::min(index, count);
  Tab tab;
  ReadItem(item, &tab);
  s->tabs.insert(s->tabs.begin() + at, tab);
  if (s->selected < 0)
    s->selected = s->focus = 0;
  else {
    if (at <= s->selected) ++s->selected;
    if (at <= s->focus) ++s->focus;
  }
  Relayout(hwnd, s);
  return at;
}

LRESULT OnSetOrGetItem(HWND hwnd, TabState* s, int index, int count, UINT message, LPARAM lparam) {
  auto* item = reinterpret_cast<TCITEMA*>(lparam);
  if (!item || index < 0 || index >= count) return FALSE;
  Tab& tab = s->tabs[static_cast<size_t>(index)];
  if (message == TCM_SETITEMA) {
    ReadItem(item, &tab);
    Relayout(hwnd, s);
    return TRUE;
  }
  if (item->mask & TCIF_TEXT) user::CopyText(tab.text, item->pszText, item->cchTextMax);
  if (item->mask & TCIF_IMAGE) item->iImage = tab.image;
  if (item->mask & TCIF_PARAM) item->lParam = tab.param;
  if (item->mask & TCIF_STATE) item->dwState = tab.state & item->dwStateMask;
  return TRUE;
}

LRESULT OnDeleteItem(HWND hwnd, TabState* s, int index, int count) {
  if (index < 0 || index >= count) return FALSE;
  s->tabs.erase(s->tabs.begin() + index);
  // Deleting the selected tab leaves none selected; the owner picks the next.
  if (s->selected == index)
    s->selected = -1;
  else if (s->selected > index)
    --s->selected;
  if (s->focus == index)
    s->focus = s->selected;
  else if (s->focus > index)
    --s->focus;
  s->first_visible = std::min(s->first_visible, std::max(0, count - 2));
  Relayout(hwnd, s);
  return TRUE;
}

LRESULT OnDeleteAllItems(HWND hwnd, TabState* s) {
  s->tabs.clear();
  s->selected = s->focus = -1;
  s->first_visible = 0;
  Relayout(hwnd, s);
  return TRUE;
}

LRESULT OnGetItemRect(HWND hwnd, TabState* s, int index, int count, LPARAM lparam) {
  auto* out = reinterpret_cast<RECT*>(lparam);
  if (!out || index < 0 || index >= count) return FALSE;
  *out = TabRects(hwnd, s)[static_cast<size_t>(index)];
  return TRUE;
}

LRESULT OnSetCurSel(HWND hwnd, TabState* s, int index, int count) {
  if (index < -1 || index >= count) return -1;
  const int old = s->selected;
  s->selected = s->focus = index;
  MakeVisible(hwnd, s, index);
  Redraw(hwnd);
  return old;
}

LRESULT OnHitTest(HWND hwnd, TabState* s, LPARAM lparam) {
  auto* info = reinterpret_cast<TCHITTESTINFO*>(lparam);
  if (!info) return -1;
  const int hit = HitTest(hwnd, s, info->pt);
  info->flags = hit < 0 ? TCHT_NOWHERE : TCHT_ONITEM;
  return hit;
}

LRESULT OnSetItemSize(HWND hwnd, TabState* s, LPARAM lparam) {
  const LRESULT old =
      static_cast<LRESULT>(MAKELONG(static_cast<WORD>(s->fixed_width), static_cast<WORD>(TabHeight(s))));
  s->fixed_width = static_cast<SHORT>(LOWORD(static_cast<uintptr_t>(lparam)));
  s->fixed_height = static_cast<SHORT>(HIWORD(static_cast<uintptr_t>(lparam)));
  Relayout(hwnd, s);
  return old;
}

LRESULT OnSetPadding(HWND hwnd, TabState* s, LPARAM lparam) {
  s->pad_x = static_cast<SHORT>(LOWORD(static_cast<uintptr_t>(lparam)));
  s->pad_y = static_cast<SHORT>(HIWORD(static_cast<uintptr_t>(lparam)));
  Relayout(hwnd, s);
  return 0;
}

LRESULT OnSetMinTabWidth(HWND hwnd, TabState* s, LPARAM lparam) {
  const int old = s->min_width;
  s->min_width = static_cast<int>(lparam);
  Relayout(hwnd, s);
  return old;
}

LRESULT OnHighlightItem(HWND hwnd, TabState* s, int index, int count, LPARAM lparam) {
  if (index < 0 || index >= count) return FALSE;
  if (LOWORD(static_cast<uintptr_t>(lparam)))
    s->tabs[static_cast<size_t>(index)].state |= TCIS_HIGHLIGHTED;
  else
    s->tabs[static_cast<size_t>(index)].state &= ~TCIS_HIGHLIGHTED;
  Redraw(hwnd);
  return TRUE;
}

LRESULT OnDeselectAll(HWND hwnd, TabState* s, int count, WPARAM wparam) {
  for (int i = 0; i < count; ++i)
    if (!wparam || i != s->selected) s->tabs[static_cast<size_t>(i)].state &= ~TCIS_BUTTONPRESSED;
  Redraw(hwnd);
  return 0;
}

LRESULT OnSetImageList(HWND hwnd, TabState* s, LPARAM lparam) {
  HIMAGELIST old = s->images;
  s->images = reinterpret_cast<HIMAGELIST>(lparam);
  Relayout(hwnd, s);
  return reinterpret_cast<LRESULT>(old);
}

// The tab control's own messages.
LRESULT TabMessage(HWND hwnd, TabState* s, UINT message, WPARAM wparam, LPARAM lparam) {
  const int count = static_cast<int>(s->tabs.size());
  const int index = static_cast<int>(wparam);
  switch (message) {
    case TCM_GETITEMCOUNT:
      return count;
    case TCM_INSERTITEMA:
      return OnInsertItem(hwnd, s, index, count, lparam);
    case TCM_SETITEMA:
    case TCM_GETITEMA:
      return OnSetOrGetItem(hwnd, s, index, count, message, lparam);
    case TCM_DELETEITEM:
      return OnDeleteItem(hwnd, s, index, count);
    case TCM_DELETEALLITEMS:
      return OnDeleteAllItems(hwnd, s);
    case TCM_GETITEMRECT:
      return OnGetItemRect(hwnd, s, index, count, lparam);
    case TCM_GETCURSEL:
      return s->selected;
    case TCM_SETCURSEL:
      return OnSetCurSel(hwnd, s, index, count);
    case TCM_GETCURFOCUS:
      return s->focus;
    case TCM_SETCURFOCUS:
      SelectByUser(hwnd, s, index);
      return 0;
    case TCM_HITTEST:
      return OnHitTest(hwnd, s, lparam);
    case TCM_ADJUSTRECT:
      if (lparam) AdjustRect(hwnd, s, wparam != 0, reinterpret_cast<RECT*>(lparam));
      return 0;
    case TCM_SETITEMSIZE:
      return OnSetItemSize(hwnd, s, lparam);
    case TCM_SETPADDING:
      return OnSetPadding(hwnd, s, lparam);
    case TCM_GETROWCOUNT:
      return 1;
    case TCM_SETMINTABWIDTH:
      return OnSetMinTabWidth(hwnd, s, lparam);
    case TCM_HIGHLIGHTITEM:
      return OnHighlightItem(hwnd, s, index, count, lparam);
    case TCM_DESELECTALL:
      return OnDeselectAll(hwnd, s, count, wparam);
    case TCM_GETIMAGELIST:
      return reinterpret_cast<LRESULT>(s->images);
    case TCM_SETIMAGELIST:
      return OnSetImageList(hwnd, s, lparam);
    case TCM_SETEXTENDEDSTYLE:
      return user::SetMaskedStyle(&s->ex_style, wparam, lparam);
    case TCM_GETEXTENDEDSTYLE:
      return s->ex_style;
    default:
      return DefWindowProcA(hwnd, message, wparam, lparam);
  }
}

LRESULT TabProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* s = user::StateForMessage<TabState>(hwnd, message);
  if (!s) return DefWindowProcA(hwnd, message, wparam, lparam);
  switch (message) {
    case WM_NCDESTROY:
      return user::DetachState(hwnd, s, message, wparam, lparam);
    case WM_GETDLGCODE:
      return OnGetDlgCode(lparam);
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
    case WM_PRINTCLIENT:
      return user::PaintMessage(hwnd, message, wparam, [&](HDC hdc) { Paint(hwnd, s, hdc); });
    case WM_SIZE:
      Relayout(hwnd, s);
      return 0;
    case WM_SETFONT:
      return OnSetFont(hwnd, s, wparam);
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(s->font);
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      return OnFocus(hwnd, s, message);
    case WM_HSCROLL:
      return OnHScroll(hwnd, s, wparam, lparam);
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      return OnLButtonDown(hwnd, s, lparam);
    case WM_LBUTTONUP:
      return OnLButtonUp(hwnd, s);
    case WM_RBUTTONUP:
      return OnRButtonUp(hwnd);
    case WM_KEYDOWN:
      KeyDown(hwnd, s, static_cast<int>(wparam));
      return 0;
    default:
      return TabMessage(hwnd, s, message, wparam, lparam);
  }
}

}  // namespace

namespace user {

bool RegisterTabControlClass() {
  return RegisterControlClass(WC_TABCONTROLA, TabProc, CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW | CS_GLOBALCLASS);
}

}  // namespace user

}  // namespace plat
