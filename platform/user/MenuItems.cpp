#include "platform/user/MenuItems.h"

#include <algorithm>
#include <cctype>
#include <map>

#include "platform/user/Geometry.h"
#include "platform/user/MenuBar.h"

namespace plat::menu {

std::mutex& Lock() {
  static std::mutex m;
  return m;
}

namespace {

std::map<HMENU, std::shared_ptr<MenuData>>& Menus() {
  static std::map<HMENU, std::shared_ptr<MenuData>> m;
  return m;
}

}  // namespace

std::shared_ptr<MenuData> Find(HMENU menu) {
  std::lock_guard lock(Lock());
  auto it = Menus().find(menu);
  return it == Menus().end() ? nullptr : it->second;
}

HMENU NewMenu(bool popup, bool system) {
  static uintptr_t next = 0x10000;
  std::lock_guard lock(Lock());
  auto data = std::make_shared<MenuData>();
  data->popup = popup;
  data->system = system;
  HMENU handle = reinterpret_cast<HMENU>(next += 0x10);
  Menus()[handle] = data;
  return handle;
}

bool Locate(HMENU menu, UINT item, bool by_position, HMENU* owner, int* index, int depth) {
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

bool IsSystemMenu(HMENU menu) {
  auto data = Find(menu);
  return data && data->system;
}

}  // namespace plat::menu

namespace plat {

using namespace menu;

namespace {

constexpr UINT kTypeMask = MFT_BITMAP | MFT_MENUBARBREAK | MFT_MENUBREAK | MFT_OWNERDRAW | MFT_RADIOCHECK |
                           MFT_SEPARATOR | MFT_RIGHTORDER | MFT_RIGHTJUSTIFY;
constexpr UINT kStateMask = MFS_GRAYED | MFS_CHECKED | MFS_HILITE | MFS_DEFAULT;

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
    DetachBarLocked(menu);
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
}  // namespace plat

namespace plat {

char MenuMnemonic(const std::string& text) { return menu::Mnemonic(text); }

}  // namespace plat
