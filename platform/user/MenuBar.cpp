#include "platform/user/MenuBar.h"

#include <algorithm>
#include <cctype>
#include <map>

#include "platform/gdi/Colors.h"
#include "platform/user/Focus.h"
#include "platform/user/Geometry.h"
#include "platform/user/Input.h"
#include "platform/user/MenuPopup.h"
#include "platform/user/MenuTracking.h"
#include "platform/user/Messages.h"
#include "platform/user/NonClient.h"
#include "platform/user/Paint.h"
#include "platform/user/Screen.h"
#include "platform/user/Subclass.h"

namespace plat::menu {

namespace {

constexpr UINT_PTR kBarSubclassId = 0x6D656E75;  // "menu"

std::map<HWND, HMENU>& Bars() {
  static std::map<HWND, HMENU> m;
  return m;
}

}  // namespace

HMENU BarOf(HWND hwnd) {
  std::lock_guard lock(Lock());
  auto it = Bars().find(hwnd);
  return it == Bars().end() ? nullptr : it->second;
}

void DetachBarLocked(HMENU menu) {
  for (auto bar = Bars().begin(); bar != Bars().end();)
    bar = bar->second == menu ? Bars().erase(bar) : std::next(bar);
}

namespace {

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

}  // namespace

void EnsureBarSubclass(HWND hwnd) {
  DWORD_PTR data = 0;
  if (!GetWindowSubclass(hwnd, CALLBACK_BarSubclass, kBarSubclassId, &data))
    SetWindowSubclass(hwnd, CALLBACK_BarSubclass, kBarSubclassId, 0);
}

namespace {

bool DefMenuKeys(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result);

}  // namespace

void InstallMenuDefaults() {
  static std::once_flag once;
  std::call_once(once, [] {
    AddDefWindowProcHandler(DefMenuKeys);
    RegisterPopupClass();
  });
}

namespace {

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
        // Without a bar only the space has something to open here; the
        // window may draw a bar of its own and have answered the others.
        if (c == ' ') {
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
          TrackMenuBar(hwnd, item, true);
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
              TrackMenuBar(hwnd, static_cast<int>(i), false);
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
  // Every menu key reaches the window whether or not it shows a platform
  // bar (a window may draw its menu itself); the bar and the system menu
  // open only where there is one.
  auto key_menu = [&](LPARAM c) {
    if (BarOf(root) || (GetWindowLongA(root, GWL_STYLE) & WS_SYSMENU)) EnsureBarSubclass(root);
    SendMessageA(root, WM_SYSCOMMAND, SC_KEYMENU, c);
  };
  if (message == WM_SYSKEYUP || message == WM_KEYUP) {
    if (wparam == static_cast<WPARAM>(VK_MENU) && t_alt_alone) {
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
    key_menu(0);
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

}  // namespace plat::menu

namespace plat {

using namespace menu;

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

}  // namespace user

}  // namespace plat
