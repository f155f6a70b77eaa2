#pragma once
// The modal menu loop: one tracking session per thread (a popup menu, the
// menu bar or the system menu) with its open levels, keyboard and mouse.
#include "platform/user/MenuItems.h"

namespace plat::menu {

// The owner of the calling thread's session, or null.
HWND OwnerOfTracking();
// The selected position of `menu` while the calling thread tracks it, else -1.
int SelectedIn(HMENU menu);
// The bar's menu loop from the keyboard (F10, Alt, Alt+letter) or a click.
void TrackMenuBar(HWND hwnd, int item, bool key_start);
void TrackSystemMenu(HWND hwnd, POINT screen);

}  // namespace plat::menu
