// The system menu: each window's own copy, made on first use and kept in
// step with the window's styles and state.
#include <map>

#include "platform/user/Geometry.h"
#include "platform/user/MenuBar.h"
#include "platform/user/MenuItems.h"
#include "platform/user/NonClient.h"
#include "platform/user/WindowRecord.h"

namespace plat {

using namespace menu;

namespace {

std::map<HWND, HMENU>& SystemMenus() {
  static std::map<HWND, HMENU> m;
  return m;
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

}  // namespace

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

}  // namespace plat
