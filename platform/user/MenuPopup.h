#pragma once
// Popup menus: item layout in one column, item painting (shared with the bar)
// and the popup-menu window class.
#include <string>

#include "platform/user/MenuItems.h"

namespace plat::menu {

// The popup window's frame: its non-client area, 3 pixels on every side
// (a raised edge and a line in the menu colour). Items are laid out in
// client coordinates from (0, 0); the client is erased in the menu colour.
constexpr int kPopupBorder = 3;

HFONT MenuFont(bool bold);
// The caption and the short-cut text after a tab.
void SplitText(const std::string& text, std::string* caption, std::string* accel);
SIZE TextSize(HDC dc, const std::string& text);

// Measures every item (owner-drawn ones through WM_MEASUREITEM) and lays them
// out in one column; returns the window size.
SIZE LayoutPopup(HMENU menu, HWND owner);
// One item in its laid-out rectangle; `bar` selects the bar's look.
void DrawItem(HDC dc, HMENU menu, const Item& item, bool selected, HWND owner, bool bar);
void RegisterPopupClass();

}  // namespace plat::menu
