#pragma once
// The menu store: menu handles, their items and the lookups the menu units
// share (items, popups, the bar, tracking, the system menu). Callers outside
// the window layer include Menu.h.
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/user/Menu.h"

namespace plat::menu {

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

// Guards the store, the bar table and the system-menu table.
std::mutex& Lock();
std::shared_ptr<MenuData> Find(HMENU menu);
HMENU NewMenu(bool popup, bool system = false);
// An item by command (searching submenus) or by position: its menu and index.
bool Locate(HMENU menu, UINT item, bool by_position, HMENU* owner, int* index, int depth = 0);
// The item at `index`; `keep` holds its menu alive while the caller uses it.
Item* ItemAt(HMENU menu, int index, std::shared_ptr<MenuData>* keep);
// The character after a single '&', lower case; 0 when there is none.
char Mnemonic(const std::string& text);
bool IsSystemMenu(HMENU menu);

inline bool Selectable(const Item& item) { return !(item.type & MFT_SEPARATOR); }
inline bool Enabled(const Item& item) { return !(item.state & (MF_GRAYED | MF_DISABLED)); }

}  // namespace plat::menu
