#include "platform/user/MenuTracking.h"

#include <algorithm>
#include <cctype>
#include <vector>

#include "platform/user/Geometry.h"
#include "platform/user/Hooks.h"
#include "platform/user/Input.h"
#include "platform/user/MenuBar.h"
#include "platform/user/MenuPopup.h"
#include "platform/user/Messages.h"
#include "platform/user/Paint.h"
#include "platform/user/Screen.h"

namespace plat::menu {

namespace {

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

}  // namespace

HWND OwnerOfTracking() { return t_tracker ? t_tracker->owner : nullptr; }

int SelectedIn(HMENU menu) {
  if (!t_tracker) return -1;
  for (const Level& level : t_tracker->levels)
    if (level.menu == menu) return level.selected;
  return -1;
}

namespace {

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

void MnemonicKey(Tracker& t, char c) {
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
        MnemonicKey(t, static_cast<char>(std::tolower(static_cast<int>(vk))));
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
        MnemonicKey(t, static_cast<char>(msg.wParam));
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

}  // namespace

// The bar's menu loop from the keyboard (F10, Alt, Alt+letter) or a click.
void TrackMenuBar(HWND hwnd, int item, bool key_start) {
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

}  // namespace plat::menu

namespace plat {

using namespace menu;

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
