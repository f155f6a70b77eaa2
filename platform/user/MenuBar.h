#pragma once
// The menu bar of a top-level window: the window-to-bar table, the subclass
// that keeps the bar in the non-client area, and the default menu keys.
#include "platform/user/MenuItems.h"

namespace plat::menu {

HMENU BarOf(HWND hwnd);
// Windows whose bar is `menu` lose it. The caller holds Lock().
void DetachBarLocked(HMENU menu);
void EnsureBarSubclass(HWND hwnd);
// Registers the popup class and the default procedure's menu keys, once.
void InstallMenuDefaults();

}  // namespace plat::menu
