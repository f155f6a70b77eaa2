#include "platform/user/Menu.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/gdi/Colors.h"
#include "platform/gdi/Font.h"
#include "platform/gdi/Text.h"
#include "platform/user/Focus.h"
#include "platform/user/Geometry.h"
#include "platform/user/Hooks.h"
#include "platform/user/Input.h"
#include "platform/user/Messages.h"
#include "platform/user/NonClient.h"
#include "platform/user/Paint.h"
#include "platform/user/Screen.h"
#include "platform/user/Subclass.h"
#include "platform/user/WindowRecord.h"

namespace plat {

namespace {

struct Item {
  UINT type = MFT_STRING;
  UINT state = 0;
  UINT id = 0;
  HMENU sub = nullptr;
  std::string text;
  ULONG_PTR data = 0;
  HBITMAP bmp_checked = nullptr;
  HBITMAP bmp_unchecked = nullptr;
  HBITMAP bmp_item = nullptr;
  RECT rect;  // popup: client coordinates of its window; bar: window coordinates
};

struct MenuData {
  bool popup = false;
  bool system = false;
  std::vector<Item> items;
  HWND shown_in = nullptr;  // the popup window while it is shown
};

constexpr UINT kTypeMask = MFT_BITMAP | MFT_MENUBARBREAK | MFT_MENUBREAK | MFT_OWNERDRAW | MFT_RADIOCHECK |
                           MFT_SEPARATOR | MFT_RIGHTORDER | MFT_RIGHTJUSTIFY;
constexpr UINT kStateMask = MFS_GRAYED | MFS_CHECKED | MFS_HILITE | MFS_DEFAULT;
constexpr UINT_PTR kBarSubclassId = 0x6D656E75;  // "menu"
constexpr int kPopupBorder = 3;
constexpr int kSeparatorHeight = 8;
constexpr int kCheckColumn = 18;
constexpr int kArrowColumn = 14;

std::mutex& Lock() {
  static std::mutex m;
  return m;
}
std::map<HMENU, std::shared_ptr<MenuData>>& Menus() {
  static std::map<HMENU, std::shared_ptr<MenuData>> m;
  return m;
}
std::map<HWND, HMENU>& Bars() {
  static std::map<HWND, HMENU> m;
  return m;
}
std::map<HWND, HMENU>& SystemMenus() {
  static std::map<HWND, HMENU> m;
  return m;
}

std::shared_ptr<MenuData> Find(HMENU menu) {
  std::lock_guard lock(Lock());
  auto it = Menus().find(menu);
  return it == Menus().end() ? nullptr : it->second;
}

HMENU NewMenu(bool popup, bool system = false) {
  static uintptr_t next = 0x10000;
  std::lock_guard lock(Lock());
  auto data = std::make_shared<MenuData>();
  data->popup = popup;
  data->system = system;
  HMENU handle = reinterpret_cast<HMENU>(next += 0x10);
  Menus()[handle] = data;
  return handle;
}

// An item by command (searching submenus) or by position: its menu and index.
bool Locate(HMENU menu, UINT item, bool by_position, HMENU* owner, int* index, int depth = 0) {
  auto data = Find(menu);
  if (!data || depth > 16) return false;
  if (by_position) {
    if (item >= data->items.size()) return false;
    *owner = menu;
    *index = static_cast<int>(item);
    return true;
  }
  for (size_t i = 0; i < data->items.size(); ++i) {
    const Item& it = data->items[i];
    if (!it.sub && !(it.type & MFT_SEPARATOR) && it.id == item) {
      *owner = menu;
      *index = static_cast<int>(i);
      return true;
    }
  }
  // A submenu item is found by its id only where no command matches.
  for (size_t i = 0; i < data->items.size(); ++i)
    if (data->items[i].sub && Locate(data->items[i].sub, item, false, owner, index, depth + 1)) return true;
  for (size_t i = 0; i < data->items.size(); ++i)
    if (data->items[i].sub && data->items[i].id == item) {
      *owner = menu;
      *index = static_cast<int>(i);
      return true;
    }
  return false;
}

Item* ItemAt(HMENU menu, int index, std::shared_ptr<MenuData>* keep) {
  *keep = Find(menu);
  if (!*keep || index < 0 || index >= static_cast<int>((*keep)->items.size())) return nullptr;
  return &(*keep)->items[index];
}

Item FromFlags(UINT flags, UINT_PTR id, const char* content) {
  Item item;
  item.type =
      flags & (MF_BITMAP | MF_OWNERDRAW | MF_SEPARATOR | MF_MENUBARBREAK | MF_MENUBREAK | MF_RIGHTJUSTIFY);
  item.state = flags & (MF_GRAYED | MF_DISABLED | MF_CHECKED | MF_HILITE | MF_DEFAULT);
  if (flags & MF_POPUP) {
    item.sub = reinterpret_cast<HMENU>(id);
    item.id = static_cast<UINT>(id);
  } else {
    item.id = static_cast<UINT>(id);
  }
  if (item.type & MF_OWNERDRAW)
    item.data = reinterpret_cast<ULONG_PTR>(content);
  else if (item.type & MF_BITMAP)
    item.bmp_item = reinterpret_cast<HBITMAP>(const_cast<char*>(content));
  else if (!(item.type & MF_SEPARATOR) && content)
    item.text = content;
  return item;
}

// The character after a single '&', lower case; 0 when there is none.
char Mnemonic(const std::string& text) {
  for (size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] != '&') continue;
    if (text[i + 1] == '&') {
      ++i;
      continue;
    }
    return static_cast<char>(std::tolower(static_cast<unsigned char>(text[i + 1])));
  }
  return 0;
}

bool Selectable(const Item& item) { return !(item.type & MFT_SEPARATOR); }
bool Enabled(const Item& item) { return !(item.state & (MF_GRAYED | MF_DISABLED)); }

HFONT MenuFont(bool bold) {
  static HFONT normal = nullptr;
  static HFONT heavy = nullptr;
  static std::once_flag once;
  std::call_once(once, [] {
    NONCLIENTMETRICSA metrics;
    SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    normal = CreateFontIndirectA(&metrics.lfMenuFont);
    LOGFONTA lf = metrics.lfMenuFont;
    lf.lfWeight = FW_BOLD;
    heavy = CreateFontIndirectA(&lf);
  });
  return bold ? heavy : normal;
}

// The caption and the short-cut text after a tab.
void SplitText(const std::string& text, std::string* caption, std::string* accel) {
  const size_t tab = text.find('\t');
  *caption = text.substr(0, tab);
  *accel = tab == std::string::npos ? std::string() : text.substr(tab + 1);
}

SIZE TextSize(HDC dc, const std::string& text) {
  RECT r{0, 0, 0, 0};
  DrawTextA(dc, text.empty() ? " " : text.c_str(), -1, &r, DT_SINGLELINE | DT_CALCRECT);
  return SIZE{r.right - r.left, r.bottom - r.top};
}

// ---- tracking state ------------------------------------------------------------

struct Level {
  HMENU menu = nullptr;
  HWND hwnd = nullptr;  // the popup window; null for the bar
  int selected = -1;
};

struct Tracker {
  HWND owner = nullptr;
  UINT flags = 0;
  bool bar = false;  // level 0 is the window's menu bar
  std::vector<Level> levels;
  bool done = false;
  bool chosen = false;
  UINT command = 0;
  bool system = false;
  RECT exclude{};
};

thread_local Tracker* t_tracker = nullptr;

void Notify(Tracker& t, UINT message, WPARAM wparam, LPARAM lparam) {
  if (t.flags & TPM_NONOTIFY) return;
  if (IsWindow(t.owner)) SendMessageA(t.owner, message, wparam, lparam);
}

bool IsSystemMenu(HMENU menu) {
  auto data = Find(menu);
  return data && data->system;
}

// ---- popup layout and painting ---------------------------------------------------

// Measures every item (owner-drawn ones through WM_MEASUREITEM) and lays them
// out in one column; returns the window size.
SIZE LayoutPopup(HMENU menu, HWND owner) {
  auto data = Find(menu);
  if (!data) return SIZE{};
  HDC dc = GetDC(nullptr);
  HGDIOBJ old_font = SelectObject(dc, MenuFont(false));
  int width = 80;
  int text_width = 0;
  int accel_width = 0;
  std::vector<int> heights;
  for (Item& item : data->items) {
    int h = GetSystemMetrics(SM_CYMENU);
    if (item.type & MFT_SEPARATOR) {
      h = kSeparatorHeight;
    } else if (item.type & MFT_OWNERDRAW) {
      MEASUREITEMSTRUCT mis;
      mis.CtlType = ODT_MENU;
      mis.itemID = item.sub ? 0 : item.id;
      mis.itemData = item.data;
      mis.itemHeight = static_cast<UINT>(h);
      if (IsWindow(owner)) SendMessageA(owner, WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&mis));
      h = static_cast<int>(mis.itemHeight);
      width = std::max(width, static_cast<int>(mis.itemWidth) + kCheckColumn + kArrowColumn);
    } else {
      std::string caption, accel;
      SplitText(item.text, &caption, &accel);
      SelectObject(dc, MenuFont((item.state & MFS_DEFAULT) != 0));
      text_width = std::max(text_width, static_cast<int>(TextSize(dc, caption).cx));
      if (!accel.empty()) accel_width = std::max(accel_width, static_cast<int>(TextSize(dc, accel).cx));
    }
    heights.push_back(h);
  }
  SelectObject(dc, old_font);
  ReleaseDC(nullptr, dc);
  width = std::max(width, kCheckColumn + text_width + (accel_width ? accel_width + 16 : 0) + kArrowColumn);
  int y = kPopupBorder;
  for (size_t i = 0; i < data->items.size(); ++i) {
    data->items[i].rect = RECT{kPopupBorder, y, kPopupBorder + width, y + heights[i]};
    y += heights[i];
  }
  return SIZE{width + 2 * kPopupBorder, y + kPopupBorder};
}

void DrawCheck(HDC dc, const RECT& box, bool radio, COLORREF color) {
  HBRUSH brush = CreateSolidBrush(color);
  HPEN pen = CreatePen(PS_SOLID, 1, color);
  HGDIOBJ old_brush = SelectObject(dc, brush);
  HGDIOBJ old_pen = SelectObject(dc, pen);
  const int cx = (box.left + box.right) / 2;
  const int cy = (box.top + box.bottom) / 2;
  if (radio) {
    Ellipse(dc, cx - 3, cy - 3, cx + 4, cy + 4);
  } else {
    for (int d = 0; d < 3; ++d) {
      MoveToEx(dc, cx - 4, cy - 1 + d, nullptr);
      LineTo(dc, cx - 2, cy + 1 + d);
      LineTo(dc, cx + 4, cy - 5 + d);
    }
  }
  SelectObject(dc, old_brush);
  SelectObject(dc, old_pen);
  DeleteObject(brush);
  DeleteObject(pen);
}

void DrawItem(HDC dc, HMENU menu, const Item& item, bool selected, HWND owner, bool bar) {
  RECT r = item.rect;
  if (item.type & MFT_OWNERDRAW) {
    DRAWITEMSTRUCT dis;
    dis.CtlType = ODT_MENU;
    dis.itemID = item.sub ? 0 : item.id;
    dis.itemAction = ODA_DRAWENTIRE;
    dis.itemState = (selected ? ODS_SELECTED : 0) | ((item.state & MF_GRAYED) ? ODS_GRAYED : 0) |
                    ((item.state & MF_DISABLED) ? ODS_DISABLED : 0) |
                    ((item.state & MF_CHECKED) ? ODS_CHECKED : 0) |
                    ((item.state & MFS_DEFAULT) ? ODS_DEFAULT : 0);
    dis.hwndItem = reinterpret_cast<HWND>(menu);
    dis.hDC = dc;
    dis.rcItem = r;
    dis.itemData = item.data;
    if (IsWindow(owner)) SendMessageA(owner, WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&dis));
    return;
  }
  FillRect(
      dc, &r,
      GetSysColorBrush(selected && Enabled(item) ? COLOR_HIGHLIGHT : (bar ? COLOR_MENUBAR : COLOR_MENU)));
  if (selected && !Enabled(item)) {
    HBRUSH frame = GetSysColorBrush(COLOR_HIGHLIGHT);
    FrameRect(dc, &r, frame);
  }
  if (item.type & MFT_SEPARATOR) {
    RECT line{r.left + 1, (r.top + r.bottom) / 2 - 1, r.right - 1, (r.top + r.bottom) / 2 + 1};
    DrawEdge(dc, &line, EDGE_ETCHED, BF_TOP);
    return;
  }
  const COLORREF text_color = !Enabled(item) ? GetSysColor(COLOR_GRAYTEXT)
                              : selected     ? GetSysColor(COLOR_HIGHLIGHTTEXT)
                                             : GetSysColor(COLOR_MENUTEXT);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, text_color);
  HGDIOBJ old_font = SelectObject(dc, MenuFont((item.state & MFS_DEFAULT) != 0));
  std::string caption, accel;
  SplitText(item.text, &caption, &accel);
  if (bar) {
    DrawTextA(dc, caption.c_str(), -1, &r, DT_SINGLELINE | DT_VCENTER | DT_CENTER);
  } else {
    if (item.state & MF_CHECKED)
      DrawCheck(dc, RECT{r.left, r.top, r.left + kCheckColumn, r.bottom}, (item.type & MFT_RADIOCHECK) != 0,
                text_color);
    RECT text_rect{r.left + kCheckColumn, r.top, r.right - kArrowColumn, r.bottom};
    DrawTextA(dc, caption.c_str(), -1, &text_rect, DT_SINGLELINE | DT_VCENTER | DT_LEFT);
    if (!accel.empty())
      DrawTextA(dc, accel.c_str(), -1, &text_rect, DT_SINGLELINE | DT_VCENTER | DT_RIGHT | DT_NOPREFIX);
    if (item.sub) {
      const int cx = r.right - kArrowColumn / 2 - 2;
      const int cy = (r.top + r.bottom) / 2;
      HPEN pen = CreatePen(PS_SOLID, 1, text_color);
      HGDIOBJ old_pen = SelectObject(dc, pen);
      for (int d = 0; d < 4; ++d) {
        MoveToEx(dc, cx + d, cy - 3 + d, nullptr);
        LineTo(dc, cx + d, cy + 4 - d);
      }
      SelectObject(dc, old_pen);
      DeleteObject(pen);
    }
  }
  SelectObject(dc, old_font);
}

HWND OwnerOfTracking() { return t_tracker ? t_tracker->owner : nullptr; }

int SelectedIn(HMENU menu) {
  if (!t_tracker) return -1;
  for (const Level& level : t_tracker->levels)
    if (level.menu == menu) return level.selected;
  return -1;
}

void PaintPopup(HWND hwnd, HDC dc) {
  HMENU menu = reinterpret_cast<HMENU>(SendMessageA(hwnd, MN_GETHMENU, 0, 0));
  RECT client;
  GetClientRect(hwnd, &client);
  FillRect(dc, &client, GetSysColorBrush(COLOR_MENU));
  RECT edge = client;
  DrawEdge(dc, &edge, EDGE_RAISED, BF_RECT);
  auto data = Find(menu);
  if (!data) return;
  const std::vector<Item> items = data->items;
  const int selected = SelectedIn(menu);
  for (size_t i = 0; i < items.size(); ++i)
    DrawItem(dc, menu, items[i], static_cast<int>(i) == selected, OwnerOfTracking(), false);
}

LRESULT PopupProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_NCCREATE: {
      auto* create = reinterpret_cast<CREATESTRUCTA*>(lparam);
      SetWindowLongPtrA(hwnd, 0, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
      return DefWindowProcA(hwnd, message, wparam, lparam);
    }
    case MN_GETHMENU:
      return GetWindowLongPtrA(hwnd, 0);
    case WM_MOUSEACTIVATE:
      return MA_NOACTIVATE;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      PaintPopup(hwnd, dc);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_PRINTCLIENT:
      PaintPopup(hwnd, reinterpret_cast<HDC>(wparam));
      return 0;
    default:
      return DefWindowProcA(hwnd, message, wparam, lparam);
  }
}

void RegisterPopupClass() {
  static std::once_flag once;
  std::call_once(once, [] {
    WNDCLASSA wc;
    wc.style = CS_SAVEBITS | CS_DBLCLKS;
    wc.lpfnWndProc = PopupProc;
    wc.cbWndExtra = sizeof(LONG_PTR);
    wc.lpszClassName = user::kPopupMenuClass;
    RegisterClassA(&wc);
  });
}

void RepaintLevel(const Level& level, HWND owner) {
  if (level.hwnd) {
    InvalidateRect(level.hwnd, nullptr, FALSE);
    UpdateWindow(level.hwnd);
  } else if (IsWindow(owner)) {
    HDC dc = GetWindowDC(owner);
    user::PaintMenuBar(owner, dc);
    ReleaseDC(owner, dc);
  }
}

// ---- the menu bar ------------------------------------------------------------

HMENU BarOf(HWND hwnd) {
  std::lock_guard lock(Lock());
  auto it = Bars().find(hwnd);
  return it == Bars().end() ? nullptr : it->second;
}

// Lays the bar's items out in window coordinates (one row).
void LayoutBar(HWND hwnd, HMENU menu, const RECT& bar) {
  auto data = Find(menu);
  if (!data) return;
  HDC dc = GetDC(nullptr);
  HGDIOBJ old_font = SelectObject(dc, MenuFont(false));
  int x = bar.left;
  for (Item& item : data->items) {
    int w = 0;
    if (item.type & MFT_OWNERDRAW) {
      MEASUREITEMSTRUCT mis;
      mis.CtlType = ODT_MENU;
      mis.itemID = item.sub ? 0 : item.id;
      mis.itemData = item.data;
      mis.itemHeight = static_cast<UINT>(bar.bottom - bar.top);
      SendMessageA(hwnd, WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&mis));
      w = static_cast<int>(mis.itemWidth);
    } else if (!(item.type & MFT_SEPARATOR)) {
      std::string caption, accel;
      SplitText(item.text, &caption, &accel);
      w = static_cast<int>(TextSize(dc, caption).cx) + 12;
    }
    item.rect = RECT{x, bar.top, std::min<LONG>(x + w, bar.right), bar.bottom};
    x += w;
  }
  SelectObject(dc, old_font);
  ReleaseDC(nullptr, dc);
}

LRESULT CALLBACK_BarSubclass(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR, DWORD_PTR);

void EnsureBarSubclass(HWND hwnd) {
  DWORD_PTR data = 0;
  if (!GetWindowSubclass(hwnd, CALLBACK_BarSubclass, kBarSubclassId, &data))
    SetWindowSubclass(hwnd, CALLBACK_BarSubclass, kBarSubclassId, 0);
}

bool DefMenuKeys(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result);

void InstallMenuDefaults() {
  static std::once_flag once;
  std::call_once(once, [] {
    AddDefWindowProcHandler(DefMenuKeys);
    RegisterPopupClass();
  });
}

// ---- the loop ------------------------------------------------------------------

void SendSelect(Tracker& t, const Level& level) {
  auto data = Find(level.menu);
  if (!data) return;
  if (level.selected < 0 || level.selected >= static_cast<int>(data->items.size())) {
    Notify(t, WM_MENUSELECT, MAKEWPARAM(0, 0), reinterpret_cast<LPARAM>(level.menu));
    return;
  }
  const Item& item = data->items[level.selected];
  UINT flags =
      item.type | item.state | MF_HILITE | (item.sub ? MF_POPUP : 0) | (data->system ? MF_SYSMENU : 0);
  const WORD id = static_cast<WORD>(item.sub ? level.selected : item.id);
  Notify(t, WM_MENUSELECT, MAKEWPARAM(id, static_cast<WORD>(flags)), reinterpret_cast<LPARAM>(level.menu));
}

void Select(Tracker& t, size_t depth, int index) {
  if (depth >= t.levels.size()) return;
  Level& level = t.levels[depth];
  if (level.selected == index) return;
  level.selected = index;
  {
    auto data = Find(level.menu);
    if (data)
      for (size_t i = 0; i < data->items.size(); ++i) {
        if (static_cast<int>(i) == index)
          data->items[i].state |= MFS_HILITE;
        else
          data->items[i].state &= ~MFS_HILITE;
      }
  }
  SendSelect(t, level);
  RepaintLevel(level, t.owner);
}

void CloseLevelsFrom(Tracker& t, size_t depth) {
  while (t.levels.size() > depth) {
    Level level = t.levels.back();
    t.levels.pop_back();
    if (level.hwnd) {
      if (auto data = Find(level.menu)) {
        data->shown_in = nullptr;
        for (Item& item : data->items) item.state &= ~MFS_HILITE;
      }
      DestroyWindow(level.hwnd);
      Notify(t, WM_UNINITMENUPOPUP, reinterpret_cast<WPARAM>(level.menu),
             MAKELPARAM(0, IsSystemMenu(level.menu) ? MF_SYSMENU : 0));
    } else if (auto data = Find(level.menu)) {
      for (Item& item : data->items) item.state &= ~MFS_HILITE;
      RepaintLevel(level, t.owner);
    }
  }
}

int NextSelectable(HMENU menu, int from, int step) {
  auto data = Find(menu);
  if (!data || data->items.empty()) return -1;
  const int n = static_cast<int>(data->items.size());
  int i = from;
  for (int k = 0; k < n; ++k) {
    i = i < 0 ? (step > 0 ? 0 : n - 1) : (i + step + n) % n;
    if (Selectable(data->items[i])) return i;
  }
  return -1;
}

// Shows `menu` as a new level at a screen point (the popup's top-left corner
// unless the flags align it otherwise).
void OpenPopup(Tracker& t, HMENU menu, int x, int y, UINT align, int position_in_parent) {
  Notify(t, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu),
         MAKELPARAM(static_cast<WORD>(position_in_parent), IsSystemMenu(menu) ? 1 : 0));
  const SIZE size = LayoutPopup(menu, t.owner);
  if (align & TPM_RIGHTALIGN) x -= size.cx;
  if (align & TPM_CENTERALIGN) x -= size.cx / 2;
  if (align & TPM_BOTTOMALIGN) y -= size.cy;
  if (align & TPM_VCENTERALIGN) y -= size.cy / 2;
  const SIZE screen = user::ScreenSize();
  x = std::max<int>(0, std::min<int>(x, screen.cx - size.cx));
  y = std::max<int>(0, std::min<int>(y, screen.cy - size.cy));
  RegisterPopupClass();
  HWND hwnd = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, user::kPopupMenuClass, "", WS_POPUP, x, y,
                              size.cx, size.cy, t.owner, nullptr, nullptr, menu);
  if (auto data = Find(menu)) data->shown_in = hwnd;
  t.levels.push_back(Level{menu, hwnd, -1});
  if (hwnd) {
    SetWindowPos(hwnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    UpdateWindow(hwnd);
  }
}

// Opens the submenu of the selected item of the innermost level.
bool OpenSelectedSubmenu(Tracker& t, bool select_first) {
  if (t.levels.empty()) return false;
  Level level = t.levels.back();
  std::shared_ptr<MenuData> keep;
  Item* item = ItemAt(level.menu, level.selected, &keep);
  if (!item || !item->sub || !Enabled(*item)) return false;
  const HMENU sub = item->sub;
  RECT r = item->rect;
  POINT origin{0, 0};
  if (level.hwnd) {
    ClientToScreen(level.hwnd, &origin);
    OffsetRect(&r, origin.x, origin.y);
    OpenPopup(t, sub, r.right - 2, r.top - kPopupBorder, 0, level.selected);
  } else {
    const RECT window = user::WindowRectOnScreen(t.owner);
    OffsetRect(&r, window.left, window.top);
    OpenPopup(t, sub, r.left, r.bottom, 0, level.selected);
  }
  if (select_first) Select(t, t.levels.size() - 1, NextSelectable(sub, -1, 1));
  return true;
}

void Choose(Tracker& t, HMENU menu, const Item& item) {
  t.chosen = true;
  t.command = item.id;
  t.system = IsSystemMenu(menu);
  t.done = true;
}

// Enter or a click on the selected item of a level.
void Activate(Tracker& t, size_t depth) {
  Level level = t.levels[depth];
  std::shared_ptr<MenuData> keep;
  Item* item = ItemAt(level.menu, level.selected, &keep);
  if (!item || !Selectable(*item)) return;
  if (item->sub) {
    CloseLevelsFrom(t, depth + 1);
    OpenSelectedSubmenu(t, true);
    return;
  }
  if (!Enabled(*item)) return;
  Choose(t, level.menu, *item);
}

// A bar item chosen by the keyboard or the mouse: its popup opens below it.
void SwitchBarItem(Tracker& t, int index, bool open) {
  CloseLevelsFrom(t, 1);
  Select(t, 0, index);
  if (open) OpenSelectedSubmenu(t, true);
}

void Mnemonic(Tracker& t, char c) {
  const size_t depth = t.levels.size() - 1;
  const Level level = t.levels[depth];
  auto data = Find(level.menu);
  if (!data) return;
  std::vector<int> matches;
  for (size_t i = 0; i < data->items.size(); ++i)
    if (Selectable(data->items[i]) && Mnemonic(data->items[i].text) == c)
      matches.push_back(static_cast<int>(i));
  if (matches.empty()) {
    if (t.flags & TPM_NONOTIFY) return;
    const LRESULT answer =
        SendMessageA(t.owner, WM_MENUCHAR, MAKEWPARAM(static_cast<WORD>(c), data->popup ? MF_POPUP : 0),
                     reinterpret_cast<LPARAM>(level.menu));
    const int position = LOWORD(static_cast<uintptr_t>(answer));
    switch (HIWORD(static_cast<uintptr_t>(answer))) {
      case MNC_CLOSE:
        t.done = true;
        break;
      case MNC_EXECUTE:
        Select(t, depth, position);
        Activate(t, depth);
        break;
      case MNC_SELECT:
        Select(t, depth, position);
        break;
      default:
        break;
    }
    return;
  }
  if (matches.size() > 1) {
    auto next = std::upper_bound(matches.begin(), matches.end(), level.selected);
    Select(t, depth, next == matches.end() ? matches.front() : *next);
    return;
  }
  if (!level.hwnd) {
    SwitchBarItem(t, matches.front(), true);
    std::shared_ptr<MenuData> keep;
    Item* item = ItemAt(level.menu, matches.front(), &keep);
    if (item && !item->sub && Enabled(*item)) Choose(t, level.menu, *item);
    return;
  }
  Select(t, depth, matches.front());
  Activate(t, depth);
}

void KeyDown(Tracker& t, WPARAM vk) {
  const size_t depth = t.levels.size() - 1;
  Level& level = t.levels[depth];
  const bool on_bar = !level.hwnd;
  switch (vk) {
    case VK_UP:
    case VK_DOWN:
      if (on_bar) {
        OpenSelectedSubmenu(t, true);
        if (vk == VK_UP && t.levels.size() > 1)
          Select(t, t.levels.size() - 1, NextSelectable(t.levels.back().menu, -1, -1));
      } else {
        Select(t, depth, NextSelectable(level.menu, level.selected, vk == VK_DOWN ? 1 : -1));
      }
      break;
    case VK_HOME:
    case VK_END:
      Select(t, depth, NextSelectable(level.menu, -1, vk == VK_HOME ? 1 : -1));
      break;
    case VK_RIGHT: {
      std::shared_ptr<MenuData> keep;
      Item* item = ItemAt(level.menu, level.selected, &keep);
      if (on_bar) {
        SwitchBarItem(t, NextSelectable(level.menu, level.selected, 1), t.levels.size() > 1);
      } else if (item && item->sub && Enabled(*item)) {
        OpenSelectedSubmenu(t, true);
      } else if (t.bar) {
        SwitchBarItem(t, NextSelectable(t.levels[0].menu, t.levels[0].selected, 1), true);
      }
      break;
    }
    case VK_LEFT:
      if (on_bar) {
        SwitchBarItem(t, NextSelectable(level.menu, level.selected, -1), false);
      } else if (depth >= (t.bar ? 2u : 1u)) {
        CloseLevelsFrom(t, depth);
      } else if (t.bar) {
        SwitchBarItem(t, NextSelectable(t.levels[0].menu, t.levels[0].selected, -1), true);
      }
      break;
    case VK_RETURN:
      if (on_bar)
        OpenSelectedSubmenu(t, true);
      else
        Activate(t, depth);
      break;
    case VK_ESCAPE:
      if (on_bar || depth == 0)
        t.done = true;
      else
        CloseLevelsFrom(t, depth);
      break;
    case VK_MENU:
    case VK_F10:
      t.done = true;
      break;
    default:
      if ((vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9'))
        Mnemonic(t, static_cast<char>(std::tolower(static_cast<int>(vk))));
      break;
  }
}

// The level and item under a screen point; false when it is on none.
bool HitLevel(Tracker& t, POINT screen, size_t* depth, int* index) {
  for (size_t d = t.levels.size(); d-- > 0;) {
    const Level& level = t.levels[d];
    POINT p = screen;
    if (level.hwnd) {
      RECT window;
      GetWindowRect(level.hwnd, &window);
      if (!PtInRect(&window, p)) continue;
      ScreenToClient(level.hwnd, &p);
    } else {
      const RECT window = user::WindowRectOnScreen(t.owner);
      p.x -= window.left;
      p.y -= window.top;
      const RECT bar = user::MenuBarRect(t.owner);
      if (!PtInRect(&bar, p)) continue;
    }
    *depth = d;
    *index = -1;
    if (auto data = Find(level.menu))
      for (size_t i = 0; i < data->items.size(); ++i)
        if (PtInRect(&data->items[i].rect, p)) *index = static_cast<int>(i);
    return true;
  }
  return false;
}

void Mouse(Tracker& t, const MSG& msg) {
  POINT screen = msg.pt;
  if (msg.message >= WM_MOUSEFIRST && msg.message <= WM_MOUSELAST && msg.hwnd) {
    screen = POINT{GET_X_LPARAM(msg.lParam), GET_Y_LPARAM(msg.lParam)};
    ClientToScreen(msg.hwnd, &screen);
  } else if (msg.message >= WM_NCMOUSEMOVE && msg.message <= WM_NCMBUTTONDBLCLK) {
    screen = POINT{GET_X_LPARAM(msg.lParam), GET_Y_LPARAM(msg.lParam)};
  }
  size_t depth = 0;
  int index = -1;
  const bool on_menu = HitLevel(t, screen, &depth, &index);
  const UINT m = msg.message;
  const bool down =
      m == WM_LBUTTONDOWN || m == WM_RBUTTONDOWN || m == WM_NCLBUTTONDOWN || m == WM_NCRBUTTONDOWN;
  const bool up = m == WM_LBUTTONUP || m == WM_RBUTTONUP || m == WM_NCLBUTTONUP || m == WM_NCRBUTTONUP;
  const bool right = m == WM_RBUTTONUP || m == WM_NCRBUTTONUP || m == WM_RBUTTONDOWN || m == WM_NCRBUTTONDOWN;
  if (!on_menu) {
    if (down) t.done = true;
    return;
  }
  if (!t.levels[depth].hwnd) {
    // Over the bar: another item opens its popup.
    if (index >= 0 && (index != t.levels[0].selected || down)) {
      if (down && index == t.levels[0].selected && t.levels.size() > 1)
        t.done = true;  // a second click on the open item closes the menu
      else if (index != t.levels[0].selected)
        SwitchBarItem(t, index, true);
    }
    return;
  }
  if (index < 0) return;
  if (depth + 1 < t.levels.size() && t.levels[depth].selected != index) CloseLevelsFrom(t, depth + 1);
  Select(t, depth, index);
  std::shared_ptr<MenuData> keep;
  Item* item = ItemAt(t.levels[depth].menu, index, &keep);
  if (!item) return;
  if (item->sub) {
    if (t.levels.size() == depth + 1) OpenSelectedSubmenu(t, false);
    return;
  }
  if (up && (!right || (t.flags & TPM_RIGHTBUTTON)) && Selectable(*item) && Enabled(*item))
    Choose(t, t.levels[depth].menu, *item);
}

bool IsKeyMessage(UINT m) { return m >= WM_KEYFIRST && m <= WM_KEYLAST; }
bool IsMouseMessage(UINT m) {
  return (m >= WM_MOUSEFIRST && m <= WM_MOUSELAST) || (m >= WM_NCMOUSEMOVE && m <= WM_NCMBUTTONDBLCLK);
}

// Takes the next message for a modal loop, turning backend input into
// messages while it waits. False on WM_QUIT, which is put back for the outer loop.
bool NextMessage(MSG* msg) {
  for (;;) {
    user::PumpBackendEvents(0);
    if (PeekMessageA(msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg->message == WM_QUIT) {
        PostQuitMessage(static_cast<int>(msg->wParam));
        return false;
      }
      return true;
    }
    user::PumpBackendEvents(10);
  }
}

void RunLoop(Tracker& t) {
  Tracker* outer = t_tracker;
  t_tracker = &t;
  HWND old_capture = GetCapture();
  while (!t.done && IsWindow(t.owner)) {
    MSG msg;
    if (!NextMessage(&msg)) break;
    if (CallMsgFilterA(&msg, MSGF_MENU)) continue;
    if (IsKeyMessage(msg.message)) {
      if ((msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN) && !t.levels.empty())
        KeyDown(t, msg.wParam);
      else if ((msg.message == WM_CHAR || msg.message == WM_SYSCHAR) && !t.levels.empty() &&
               !std::isalnum(static_cast<int>(msg.wParam & 0xFF)) && msg.wParam > ' ' && msg.wParam < 0x80)
        Mnemonic(t, static_cast<char>(msg.wParam));
      continue;
    }
    if (IsMouseMessage(msg.message)) {
      if (msg.message != WM_MOUSEWHEEL && !t.levels.empty()) Mouse(t, msg);
      continue;
    }
    if (msg.message == WM_CANCELMODE) {
      t.done = true;
      continue;
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  if (GetCapture() != old_capture && old_capture) SetCapture(old_capture);
  t_tracker = outer;
}

// Runs a whole tracking session; returns the chosen command (0 for none).
UINT Track(Tracker& t, HMENU menu, int x, int y, int open_bar_item, bool key_start) {
  InstallMenuDefaults();
  Notify(t, WM_ENTERMENULOOP, t.bar ? FALSE : TRUE, 0);
  Notify(t, WM_INITMENU, reinterpret_cast<WPARAM>(menu), 0);
  if (t.bar) {
    t.levels.push_back(Level{menu, nullptr, -1});
    const int first = open_bar_item >= 0 ? open_bar_item : NextSelectable(menu, -1, 1);
    Select(t, 0, first);
    if (open_bar_item >= 0) OpenSelectedSubmenu(t, key_start);
  } else {
    OpenPopup(t, menu, x, y, t.flags, 0);
  }
  RunLoop(t);
  Tracker* outer = t_tracker;
  t_tracker = &t;
  CloseLevelsFrom(t, 0);
  Notify(t, WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0);
  Notify(t, WM_EXITMENULOOP, t.bar ? FALSE : TRUE, 0);
  t_tracker = outer;
  return t.chosen ? t.command : 0;
}

void Deliver(Tracker& t, UINT command) {
  if (!t.chosen || !IsWindow(t.owner)) return;
  if (t.system) {
    const DWORD pos = GetMessagePos();
    PostMessageA(t.owner, WM_SYSCOMMAND, command, static_cast<LPARAM>(pos));
  } else {
    PostMessageA(t.owner, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(command), 0), 0);
  }
}

// Updates the system menu's states from the window's styles and state.
void RefreshSystemMenu(HWND hwnd, HMENU menu) {
  const DWORD style = static_cast<DWORD>(GetWindowLongA(hwnd, GWL_STYLE));
  const bool max = style & WS_MAXIMIZE;
  const bool min = style & WS_MINIMIZE;
  auto set = [&](UINT id, bool enabled) {
    EnableMenuItem(menu, id, MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
  };
  set(SC_RESTORE, max || min);
  set(SC_MOVE, !max);
  set(SC_SIZE, !max && !min && (style & WS_THICKFRAME));
  set(SC_MINIMIZE, !min && (style & WS_MINIMIZEBOX));
  set(SC_MAXIMIZE, !max && (style & WS_MAXIMIZEBOX));
  auto record = user::LookupWindow(hwnd);
  set(SC_CLOSE, !record || !(record->window_class->style & CS_NOCLOSE));
}

// The bar's menu loop from the keyboard (F10, Alt, Alt+letter) or a click.
void TrackBar(HWND hwnd, int item, bool key_start) {
  HMENU bar = BarOf(hwnd);
  if (!bar || t_tracker) return;
  Tracker t;
  t.owner = hwnd;
  t.bar = true;
  Track(t, bar, 0, 0, item, key_start);
  Deliver(t, t.command);
}

void TrackSystemMenu(HWND hwnd, POINT screen) {
  if (t_tracker) return;
  HMENU menu = GetSystemMenu(hwnd, FALSE);
  if (!menu) return;
  Tracker t;
  t.owner = hwnd;
  Track(t, menu, screen.x, screen.y, -1, true);
  Deliver(t, t.command);
}

LRESULT CALLBACK_BarSubclass(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR, DWORD_PTR) {
  switch (message) {
    case WM_NCCALCSIZE: {
      const LRESULT result = DefSubclassProc(hwnd, message, wparam, lparam);
      if (!BarOf(hwnd)) return result;
      RECT* client =
          wparam ? &reinterpret_cast<NCCALCSIZE_PARAMS*>(lparam)->rgrc[0] : reinterpret_cast<RECT*>(lparam);
      if (client) client->top = std::min<LONG>(client->bottom, client->top + GetSystemMetrics(SM_CYMENU));
      return result;
    }
    case WM_NCPAINT: {
      const LRESULT result = DefSubclassProc(hwnd, message, wparam, lparam);
      if (BarOf(hwnd) && IsWindowVisible(hwnd)) {
        HDC dc = GetWindowDC(hwnd);
        user::PaintMenuBar(hwnd, dc);
        ReleaseDC(hwnd, dc);
      }
      return result;
    }
    case WM_NCHITTEST: {
      LRESULT result = DefSubclassProc(hwnd, message, wparam, lparam);
      if (result == HTCLIENT && BarOf(hwnd)) {
        const RECT window = user::WindowRectOnScreen(hwnd);
        const POINT p{GET_X_LPARAM(lparam) - window.left, GET_Y_LPARAM(lparam) - window.top};
        const RECT bar = user::MenuBarRect(hwnd);
        if (PtInRect(&bar, p)) result = HTMENU;
      }
      return result;
    }
    case WM_NCLBUTTONDOWN:
      if (wparam == static_cast<WPARAM>(HTMENU) || wparam == static_cast<WPARAM>(HTSYSMENU)) {
        const LRESULT result = DefSubclassProc(hwnd, message, wparam, lparam);
        SendMessageA(hwnd, WM_SYSCOMMAND, SC_MOUSEMENU | (wparam & 0x0F), lparam);
        return result;
      }
      return DefSubclassProc(hwnd, message, wparam, lparam);
    case WM_SYSCOMMAND: {
      const LRESULT result = DefSubclassProc(hwnd, message, wparam, lparam);
      const WPARAM command = wparam & 0xFFF0;
      if (command == SC_KEYMENU) {
        const char c = static_cast<char>(std::tolower(static_cast<int>(lparam & 0xFF)));
        if (c == ' ' || (!BarOf(hwnd) && c == 0)) {
          const RECT window = user::WindowRectOnScreen(hwnd);
          const RECT caption = WindowFrame::Of(hwnd).CaptionRect();
          TrackSystemMenu(hwnd, POINT{window.left + caption.left, window.top + caption.bottom});
        } else if (HMENU bar = BarOf(hwnd)) {
          int item = -1;
          if (c) {
            auto data = Find(bar);
            for (size_t i = 0; data && i < data->items.size(); ++i)
              if (Mnemonic(data->items[i].text) == c) {
                item = static_cast<int>(i);
                break;
              }
            if (item < 0) return result;
          }
          TrackBar(hwnd, item, true);
        }
      } else if (command == SC_MOUSEMENU) {
        const POINT screen{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
        if ((wparam & 0x0F) == static_cast<WPARAM>(HTSYSMENU)) {
          TrackSystemMenu(hwnd, screen);
        } else if (HMENU bar = BarOf(hwnd)) {
          const RECT window = user::WindowRectOnScreen(hwnd);
          const POINT p{screen.x - window.left, screen.y - window.top};
          user::MenuBarRect(hwnd);  // lays the bar out
          auto data = Find(bar);
          for (size_t i = 0; data && i < data->items.size(); ++i)
            if (PtInRect(&data->items[i].rect, p)) {
              TrackBar(hwnd, static_cast<int>(i), false);
              break;
            }
        }
      }
      return result;
    }
    case WM_NCDESTROY: {
      {
        std::lock_guard lock(Lock());
        Bars().erase(hwnd);
      }
      RemoveWindowSubclass(hwnd, CALLBACK_BarSubclass, kBarSubclassId);
      GetSystemMenu(hwnd, TRUE);
      return DefSubclassProc(hwnd, message, wparam, lparam);
    }
    default:
      return DefSubclassProc(hwnd, message, wparam, lparam);
  }
}

// Thread state of Alt pressed alone: its release opens the bar.
thread_local bool t_alt_alone = false;

// The default procedure's side of menu keys: F10 and a lone Alt open the
// bar, Alt+letter the bar item with that accelerator, Alt+Space the system
// menu. The top-level window gets the SC_KEYMENU.
bool DefMenuKeys(HWND hwnd, UINT message, WPARAM wparam, LPARAM, LRESULT* result) {
  if (message != WM_SYSKEYDOWN && message != WM_SYSKEYUP && message != WM_SYSCHAR && message != WM_KEYDOWN &&
      message != WM_KEYUP)
    return false;
  *result = 0;
  if (message == WM_SYSCHAR) return true;  // the key-down has done the work
  if (message == WM_KEYDOWN) {
    t_alt_alone = false;
    return false;
  }
  // The release of Alt may come as a plain key-up once Alt is no longer held.
  if (message == WM_KEYUP && (wparam != static_cast<WPARAM>(VK_MENU) || !t_alt_alone)) return false;
  HWND root = GetAncestor(hwnd, GA_ROOT);
  if (!root) root = hwnd;
  const bool has_menu = BarOf(root) != nullptr;
  const bool has_sysmenu = (GetWindowLongA(root, GWL_STYLE) & WS_SYSMENU) != 0;
  auto key_menu = [&](LPARAM c) {
    if (!has_menu && !has_sysmenu) return;
    EnsureBarSubclass(root);
    SendMessageA(root, WM_SYSCOMMAND, SC_KEYMENU, c);
  };
  if (message == WM_SYSKEYUP || message == WM_KEYUP) {
    if (wparam == static_cast<WPARAM>(VK_MENU) && t_alt_alone && has_menu) {
      t_alt_alone = false;
      key_menu(0);
    }
    return true;
  }
  if (wparam == static_cast<WPARAM>(VK_MENU)) {
    t_alt_alone = true;
    return true;
  }
  t_alt_alone = false;
  if (wparam == static_cast<WPARAM>(VK_F10)) {
    if (has_menu) key_menu(0);
    return true;
  }
  if (wparam == static_cast<WPARAM>(VK_SPACE)) {
    key_menu(' ');
    return true;
  }
  if (wparam == static_cast<WPARAM>(VK_F4) && GetKeyState(VK_MENU) < 0) {
    SendMessageA(root, WM_SYSCOMMAND, SC_CLOSE, 0);
    return true;
  }
  if ((wparam >= 'A' && wparam <= 'Z') || (wparam >= '0' && wparam <= '9'))
    key_menu(static_cast<LPARAM>(std::tolower(static_cast<int>(wparam))));
  return true;
}

}  // namespace

// ---- menus and items ------------------------------------------------------------

HMENU CreateMenu() {
  InstallMenuDefaults();
  return NewMenu(false);
}

HMENU CreatePopupMenu() {
  InstallMenuDefaults();
  return NewMenu(true);
}

BOOL DestroyMenu(HMENU menu) {
  std::shared_ptr<MenuData> data;
  {
    std::lock_guard lock(Lock());
    auto it = Menus().find(menu);
    if (it == Menus().end()) return FALSE;
    data = it->second;
    Menus().erase(it);
    for (auto bar = Bars().begin(); bar != Bars().end();)
      bar = bar->second == menu ? Bars().erase(bar) : std::next(bar);
  }
  for (const Item& item : data->items)
    if (item.sub) DestroyMenu(item.sub);
  return TRUE;
}

BOOL IsMenu(HMENU menu) { return Find(menu) != nullptr; }

BOOL InsertMenuA(HMENU menu, UINT position, UINT flags, UINT_PTR item, const char* content) {
  auto data = Find(menu);
  if (!data) return FALSE;
  Item entry = FromFlags(flags, item, content);
  if ((flags & MF_POPUP) && !IsMenu(entry.sub)) return FALSE;
  std::lock_guard lock(Lock());
  size_t at = data->items.size();
  if (position != static_cast<UINT>(-1)) {
    if (flags & MF_BYPOSITION) {
      at = std::min<size_t>(position, data->items.size());
    } else {
      auto it = std::find_if(data->items.begin(), data->items.end(),
                             [&](const Item& i) { return i.id == position; });
      if (it != data->items.end()) at = static_cast<size_t>(it - data->items.begin());
    }
  }
  data->items.insert(data->items.begin() + static_cast<ptrdiff_t>(at), entry);
  return TRUE;
}

BOOL AppendMenuA(HMENU menu, UINT flags, UINT_PTR item, const char* content) {
  return InsertMenuA(menu, static_cast<UINT>(-1), flags | MF_BYPOSITION, item, content);
}

BOOL ModifyMenuA(HMENU menu, UINT position, UINT flags, UINT_PTR item, const char* content) {
  HMENU owner = nullptr;
  int index = -1;
  if (!Locate(menu, position, flags & MF_BYPOSITION, &owner, &index)) return FALSE;
  std::shared_ptr<MenuData> keep;
  Item* target = ItemAt(owner, index, &keep);
  Item entry = FromFlags(flags, item, content);
  entry.rect = target->rect;
  *target = entry;
  return TRUE;
}

namespace {

void ApplyInfo(Item& item, const MENUITEMINFOA& info) {
  if (info.fMask & MIIM_FTYPE) item.type = info.fType & kTypeMask;
  if (info.fMask & MIIM_TYPE) {
    item.type = info.fType & kTypeMask;
    if (!(info.fType & (MFT_BITMAP | MFT_SEPARATOR | MFT_OWNERDRAW)))
      item.text = info.dwTypeData ? info.dwTypeData : "";
    if (info.fType & MFT_BITMAP) item.bmp_item = reinterpret_cast<HBITMAP>(info.dwTypeData);
  }
  if (info.fMask & MIIM_STRING) item.text = info.dwTypeData ? info.dwTypeData : "";
  if (info.fMask & MIIM_STATE) item.state = info.fState & kStateMask;
  if (info.fMask & MIIM_ID) item.id = info.wID;
  if (info.fMask & MIIM_SUBMENU) item.sub = info.hSubMenu;
  if (info.fMask & MIIM_CHECKMARKS) {
    item.bmp_checked = info.hbmpChecked;
    item.bmp_unchecked = info.hbmpUnchecked;
  }
  if (info.fMask & MIIM_DATA) item.data = info.dwItemData;
  if (info.fMask & MIIM_BITMAP) item.bmp_item = info.hbmpItem;
}

}  // namespace

BOOL InsertMenuItemA(HMENU menu, UINT item, BOOL by_position, const MENUITEMINFOA* info) {
  auto data = Find(menu);
  if (!data || !info) return FALSE;
  Item entry;
  ApplyInfo(entry, *info);
  std::lock_guard lock(Lock());
  size_t at = data->items.size();
  if (by_position) {
    at = std::min<size_t>(item, data->items.size());
  } else {
    auto it =
        std::find_if(data->items.begin(), data->items.end(), [&](const Item& i) { return i.id == item; });
    if (it != data->items.end()) at = static_cast<size_t>(it - data->items.begin());
  }
  data->items.insert(data->items.begin() + static_cast<ptrdiff_t>(at), entry);
  return TRUE;
}

BOOL GetMenuItemInfoA(HMENU menu, UINT item, BOOL by_position, MENUITEMINFOA* info) {
  HMENU owner = nullptr;
  int index = -1;
  if (!info || !Locate(menu, item, by_position, &owner, &index)) return FALSE;
  std::shared_ptr<MenuData> keep;
  const Item* it = ItemAt(owner, index, &keep);
  if (info->fMask & (MIIM_FTYPE | MIIM_TYPE)) info->fType = it->type;
  if (info->fMask & MIIM_STATE) info->fState = it->state;
  if (info->fMask & MIIM_ID) info->wID = it->id;
  if (info->fMask & MIIM_SUBMENU) info->hSubMenu = it->sub;
  if (info->fMask & MIIM_CHECKMARKS) {
    info->hbmpChecked = it->bmp_checked;
    info->hbmpUnchecked = it->bmp_unchecked;
  }
  if (info->fMask & MIIM_DATA) info->dwItemData = it->data;
  if (info->fMask & MIIM_BITMAP) info->hbmpItem = it->bmp_item;
  const bool wants_text =
      (info->fMask & MIIM_STRING) ||
      ((info->fMask & MIIM_TYPE) && !(it->type & (MFT_BITMAP | MFT_SEPARATOR | MFT_OWNERDRAW)));
  if (wants_text) {
    if (info->dwTypeData && info->cch > 0) {
      const size_t n = std::min<size_t>(it->text.size(), info->cch - 1);
      std::copy_n(it->text.data(), n, info->dwTypeData);
      info->dwTypeData[n] = 0;
      info->cch = static_cast<UINT>(n);
    } else {
      info->cch = static_cast<UINT>(it->text.size());
    }
  }
  return TRUE;
}

BOOL SetMenuItemInfoA(HMENU menu, UINT item, BOOL by_position, const MENUITEMINFOA* info) {
  HMENU owner = nullptr;
  int index = -1;
  if (!info || !Locate(menu, item, by_position, &owner, &index)) return FALSE;
  std::shared_ptr<MenuData> keep;
  Item* it = ItemAt(owner, index, &keep);
  ApplyInfo(*it, *info);
  return TRUE;
}

namespace {

BOOL Remove(HMENU menu, UINT position, UINT flags, bool destroy) {
  HMENU owner = nullptr;
  int index = -1;
  if (!Locate(menu, position, flags & MF_BYPOSITION, &owner, &index)) return FALSE;
  auto data = Find(owner);
  HMENU sub = nullptr;
  {
    std::lock_guard lock(Lock());
    sub = data->items[index].sub;
    data->items.erase(data->items.begin() + index);
  }
  if (destroy && sub) DestroyMenu(sub);
  return TRUE;
}

}  // namespace

BOOL DeleteMenu(HMENU menu, UINT position, UINT flags) { return Remove(menu, position, flags, true); }
BOOL RemoveMenu(HMENU menu, UINT position, UINT flags) { return Remove(menu, position, flags, false); }

DWORD CheckMenuItem(HMENU menu, UINT item, UINT flags) {
  HMENU owner = nullptr;
  int index = -1;
  if (!Locate(menu, item, flags & MF_BYPOSITION, &owner, &index)) return static_cast<DWORD>(-1);
  std::shared_ptr<MenuData> keep;
  Item* it = ItemAt(owner, index, &keep);
  const DWORD previous = it->state & MF_CHECKED;
  it->state = (it->state & ~MF_CHECKED) | (flags & MF_CHECKED);
  return previous;
}

BOOL EnableMenuItem(HMENU menu, UINT item, UINT flags) {
  HMENU owner = nullptr;
  int index = -1;
  if (!Locate(menu, item, flags & MF_BYPOSITION, &owner, &index)) return -1;
  std::shared_ptr<MenuData> keep;
  Item* it = ItemAt(owner, index, &keep);
  const BOOL previous = static_cast<BOOL>(it->state & (MF_GRAYED | MF_DISABLED));
  it->state = (it->state & ~(MF_GRAYED | MF_DISABLED)) | (flags & (MF_GRAYED | MF_DISABLED));
  return previous;
}

BOOL CheckMenuRadioItem(HMENU menu, UINT first, UINT last, UINT check, UINT flags) {
  HMENU owner_first = nullptr, owner_last = nullptr;
  int i_first = -1, i_last = -1;
  if (!Locate(menu, first, flags & MF_BYPOSITION, &owner_first, &i_first) ||
      !Locate(menu, last, flags & MF_BYPOSITION, &owner_last, &i_last) || owner_first != owner_last)
    return FALSE;
  auto data = Find(owner_first);
  bool found = false;
  for (int i = std::min(i_first, i_last); i <= std::max(i_first, i_last); ++i) {
    Item& it = data->items[i];
    if (it.sub || (it.type & MFT_SEPARATOR)) continue;
    const bool on = (flags & MF_BYPOSITION) ? static_cast<UINT>(i) == check : it.id == check;
    if (on) {
      it.state |= MF_CHECKED;
      it.type |= MFT_RADIOCHECK;
      found = true;
    } else {
      it.state &= ~MF_CHECKED;
    }
  }
  return found;
}

BOOL HiliteMenuItem(HWND hwnd, HMENU menu, UINT item, UINT flags) {
  HMENU owner = nullptr;
  int index = -1;
  if (!Locate(menu, item, flags & MF_BYPOSITION, &owner, &index)) return FALSE;
  std::shared_ptr<MenuData> keep;
  Item* it = ItemAt(owner, index, &keep);
  it->state = (it->state & ~MF_HILITE) | (flags & MF_HILITE);
  if (BarOf(hwnd) == menu) DrawMenuBar(hwnd);
  return TRUE;
}

BOOL SetMenuDefaultItem(HMENU menu, UINT item, UINT by_position) {
  auto data = Find(menu);
  if (!data) return FALSE;
  bool found = item == static_cast<UINT>(-1);
  for (size_t i = 0; i < data->items.size(); ++i) {
    Item& it = data->items[i];
    const bool on = by_position ? i == item : (it.id == item && !it.sub);
    if (on && item != static_cast<UINT>(-1)) {
      it.state |= MFS_DEFAULT;
      found = true;
    } else {
      it.state &= ~MFS_DEFAULT;
    }
  }
  return found;
}

UINT GetMenuDefaultItem(HMENU menu, UINT by_position, UINT flags) {
  auto data = Find(menu);
  if (!data) return static_cast<UINT>(-1);
  for (size_t i = 0; i < data->items.size(); ++i) {
    const Item& it = data->items[i];
    if (!(it.state & MFS_DEFAULT)) continue;
    if (!Enabled(it) && !(flags & GMDI_USEDISABLED)) return static_cast<UINT>(-1);
    if (it.sub && (flags & GMDI_GOINTOPOPUPS)) {
      const UINT inner = GetMenuDefaultItem(it.sub, by_position, flags);
      if (inner != static_cast<UINT>(-1)) return inner;
    }
    return by_position ? static_cast<UINT>(i) : it.id;
  }
  return static_cast<UINT>(-1);
}

HMENU GetSubMenu(HMENU menu, int position) {
  std::shared_ptr<MenuData> keep;
  const Item* it = ItemAt(menu, position, &keep);
  return it ? it->sub : nullptr;
}

int GetMenuItemCount(HMENU menu) {
  auto data = Find(menu);
  return data ? static_cast<int>(data->items.size()) : -1;
}

UINT GetMenuItemID(HMENU menu, int position) {
  std::shared_ptr<MenuData> keep;
  const Item* it = ItemAt(menu, position, &keep);
  if (!it || it->sub) return static_cast<UINT>(-1);
  return it->id;
}

UINT GetMenuState(HMENU menu, UINT item, UINT flags) {
  HMENU owner = nullptr;
  int index = -1;
  if (!Locate(menu, item, flags & MF_BYPOSITION, &owner, &index)) return static_cast<UINT>(-1);
  std::shared_ptr<MenuData> keep;
  const Item* it = ItemAt(owner, index, &keep);
  UINT state = it->type | it->state;
  if (it->sub)
    state = (state & 0xFF) | MF_POPUP | (static_cast<UINT>(std::max(0, GetMenuItemCount(it->sub))) << 8);
  return state;
}

int GetMenuStringA(HMENU menu, UINT item, char* buffer, int max_count, UINT flags) {
  HMENU owner = nullptr;
  int index = -1;
  if (!Locate(menu, item, flags & MF_BYPOSITION, &owner, &index)) return 0;
  std::shared_ptr<MenuData> keep;
  const Item* it = ItemAt(owner, index, &keep);
  if (!buffer || max_count <= 0) return static_cast<int>(it->text.size());
  const size_t n = std::min<size_t>(it->text.size(), static_cast<size_t>(max_count - 1));
  std::copy_n(it->text.data(), n, buffer);
  buffer[n] = 0;
  return static_cast<int>(n);
}

BOOL GetMenuItemRect(HWND hwnd, HMENU menu, UINT item, RECT* rect) {
  std::shared_ptr<MenuData> keep;
  const Item* it = ItemAt(menu, static_cast<int>(item), &keep);
  if (!it || !rect) return FALSE;
  *rect = it->rect;
  if (keep->shown_in) {
    POINT origin{0, 0};
    ClientToScreen(keep->shown_in, &origin);
    OffsetRect(rect, origin.x, origin.y);
    return TRUE;
  }
  if (hwnd && BarOf(hwnd) == menu) {
    user::MenuBarRect(hwnd);
    *rect = keep->items[item].rect;
    const RECT window = user::WindowRectOnScreen(hwnd);
    OffsetRect(rect, window.left, window.top);
    return TRUE;
  }
  return FALSE;
}

int MenuItemFromPoint(HWND hwnd, HMENU menu, POINT screen_point) {
  const int count = GetMenuItemCount(menu);
  for (int i = 0; i < count; ++i) {
    RECT r;
    if (GetMenuItemRect(hwnd, menu, static_cast<UINT>(i), &r) && PtInRect(&r, screen_point)) return i;
  }
  return -1;
}

// ---- menu bar and system menu ---------------------------------------------------

BOOL SetMenu(HWND hwnd, HMENU menu) {
  if (!IsWindow(hwnd) || (menu && !IsMenu(menu))) return FALSE;
  if (GetWindowLongA(hwnd, GWL_STYLE) & WS_CHILD) return FALSE;
  InstallMenuDefaults();
  {
    std::lock_guard lock(Lock());
    if (menu)
      Bars()[hwnd] = menu;
    else
      Bars().erase(hwnd);
  }
  EnsureBarSubclass(hwnd);
  SetWindowPos(hwnd, nullptr, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  return TRUE;
}

HMENU GetMenu(HWND hwnd) { return BarOf(hwnd); }

BOOL DrawMenuBar(HWND hwnd) {
  if (!IsWindow(hwnd)) return FALSE;
  if (!BarOf(hwnd)) return TRUE;
  if (IsWindowVisible(hwnd)) {
    HDC dc = GetWindowDC(hwnd);
    user::PaintMenuBar(hwnd, dc);
    ReleaseDC(hwnd, dc);
  }
  return TRUE;
}

HMENU GetSystemMenu(HWND hwnd, BOOL revert) {
  HMENU existing = nullptr;
  {
    std::lock_guard lock(Lock());
    auto it = SystemMenus().find(hwnd);
    if (it != SystemMenus().end()) existing = it->second;
    if (revert && existing) SystemMenus().erase(it);
  }
  if (revert) {
    if (existing) DestroyMenu(existing);
    return nullptr;
  }
  if (!IsWindow(hwnd) || !(GetWindowLongA(hwnd, GWL_STYLE) & WS_SYSMENU)) return nullptr;
  if (!existing) {
    InstallMenuDefaults();
    existing = NewMenu(true, true);
    AppendMenuA(existing, MF_STRING, SC_RESTORE, "&Restore");
    AppendMenuA(existing, MF_STRING, SC_MOVE, "&Move");
    AppendMenuA(existing, MF_STRING, SC_SIZE, "&Size");
    AppendMenuA(existing, MF_STRING, SC_MINIMIZE, "Mi&nimize");
    AppendMenuA(existing, MF_STRING, SC_MAXIMIZE, "Ma&ximize");
    AppendMenuA(existing, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(existing, MF_STRING, SC_CLOSE, "&Close\tAlt+F4");
    SetMenuDefaultItem(existing, SC_CLOSE, FALSE);
    std::lock_guard lock(Lock());
    SystemMenus()[hwnd] = existing;
  }
  RefreshSystemMenu(hwnd, existing);
  EnsureBarSubclass(hwnd);
  return existing;
}

// ---- popup menus ------------------------------------------------------------

BOOL TrackPopupMenuEx(HMENU menu, UINT flags, int x, int y, HWND hwnd, const TPMPARAMS* params) {
  if (!IsMenu(menu) || !IsWindow(hwnd)) return FALSE;
  if (t_tracker && !(flags & TPM_RECURSE)) return FALSE;
  Tracker t;
  t.owner = hwnd;
  t.flags = flags;
  if (params) t.exclude = params->rcExclude;
  const UINT command = Track(t, menu, x, y, -1, false);
  if (flags & TPM_RETURNCMD) return static_cast<BOOL>(command);
  Deliver(t, command);
  return TRUE;
}

BOOL TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int, HWND hwnd, const RECT*) {
  return TrackPopupMenuEx(menu, flags, x, y, hwnd, nullptr);
}

BOOL EndMenu() {
  if (!t_tracker) return FALSE;
  t_tracker->done = true;
  PostMessageA(t_tracker->owner, 0 /* WM_NULL */, 0, 0);
  return TRUE;
}

namespace user {

int MenuBarHeight(HWND hwnd) { return BarOf(hwnd) ? GetSystemMetrics(SM_CYMENU) : 0; }

RECT MenuBarRect(HWND hwnd) {
  HMENU bar = BarOf(hwnd);
  if (!bar) return RECT{};
  const RECT frame_client = WindowFrame::Of(hwnd).ClientRect();
  RECT rect{frame_client.left, frame_client.top, frame_client.right,
            std::min<LONG>(frame_client.bottom, frame_client.top + GetSystemMetrics(SM_CYMENU))};
  LayoutBar(hwnd, bar, rect);
  return rect;
}

void PaintMenuBar(HWND hwnd, HDC dc) {
  HMENU bar = BarOf(hwnd);
  if (!bar || !dc) return;
  RECT rect = MenuBarRect(hwnd);
  FillRect(dc, &rect, GetSysColorBrush(COLOR_MENUBAR));
  auto data = Find(bar);
  if (!data) return;
  const std::vector<Item> items = data->items;
  const int selected = SelectedIn(bar);
  for (size_t i = 0; i < items.size(); ++i)
    if (!IsRectEmpty(&items[i].rect))
      DrawItem(dc, bar, items[i], static_cast<int>(i) == selected || (items[i].state & MFS_HILITE), hwnd,
               true);
}

HMENU TrackedMenu() {
  return t_tracker && !t_tracker->levels.empty() ? t_tracker->levels.front().menu : nullptr;
}

int TrackedSelection(HMENU* menu) {
  if (!t_tracker || t_tracker->levels.empty()) {
    if (menu) *menu = nullptr;
    return -1;
  }
  if (menu) *menu = t_tracker->levels.back().menu;
  return t_tracker->levels.back().selected;
}

}  // namespace user

}  // namespace plat
