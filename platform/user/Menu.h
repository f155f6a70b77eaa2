#pragma once
// Menus: menu handles and their items, the menu bar of a top-level window
// (drawn in the non-client strip below the caption), the system menu, and
// popup menus shown in windows of the popup-menu class "#32768" while a modal
// menu loop tracks keyboard and mouse. Every item state the owner-drawn and
// skinned menus repaint from can be read back.
#include <cstdint>
#include <string>

#include "platform/gdi/Gdi.h"
#include "platform/kernel/ThreadQueue.h"
#include "platform/kernel/Types.h"
#include "platform/user/Window.h"

namespace plat {

using ULONG_PTR = uintptr_t;

// ---- messages ---------------------------------------------------------------
// WM_COMMAND, WM_DRAWITEM and WM_MEASUREITEM are shared with the controls;
// they are defined here once.

constexpr UINT WM_CANCELMODE = 0x001F;
constexpr UINT WM_DRAWITEM = 0x002B;
constexpr UINT WM_MEASUREITEM = 0x002C;
constexpr UINT WM_CONTEXTMENU = 0x007B;
constexpr UINT WM_COMMAND = 0x0111;
constexpr UINT WM_INITMENU = 0x0116;
constexpr UINT WM_INITMENUPOPUP = 0x0117;
constexpr UINT WM_MENUSELECT = 0x011F;
constexpr UINT WM_MENUCHAR = 0x0120;
constexpr UINT WM_ENTERIDLE = 0x0121;
constexpr UINT WM_MENURBUTTONUP = 0x0122;
constexpr UINT WM_UNINITMENUPOPUP = 0x0125;
constexpr UINT WM_ENTERMENULOOP = 0x0211;
constexpr UINT WM_EXITMENULOOP = 0x0212;
// Sent to a popup-menu window: the menu it shows.
constexpr UINT MN_GETHMENU = 0x01E1;

// WM_MENUCHAR answers (high word).
constexpr LRESULT MNC_IGNORE = 0;
constexpr LRESULT MNC_CLOSE = 1;
constexpr LRESULT MNC_EXECUTE = 2;
constexpr LRESULT MNC_SELECT = 3;

// ---- item flags -------------------------------------------------------------

constexpr UINT MF_INSERT = 0x0000;
constexpr UINT MF_CHANGE = 0x0080;
constexpr UINT MF_APPEND = 0x0100;
constexpr UINT MF_DELETE = 0x0200;
constexpr UINT MF_REMOVE = 0x1000;
constexpr UINT MF_BYCOMMAND = 0x0000;
constexpr UINT MF_BYPOSITION = 0x0400;
constexpr UINT MF_SEPARATOR = 0x0800;
constexpr UINT MF_ENABLED = 0x0000;
constexpr UINT MF_GRAYED = 0x0001;
constexpr UINT MF_DISABLED = 0x0002;
constexpr UINT MF_UNCHECKED = 0x0000;
constexpr UINT MF_CHECKED = 0x0008;
constexpr UINT MF_USECHECKBITMAPS = 0x0200;
constexpr UINT MF_STRING = 0x0000;
constexpr UINT MF_BITMAP = 0x0004;
constexpr UINT MF_OWNERDRAW = 0x0100;
constexpr UINT MF_POPUP = 0x0010;
constexpr UINT MF_MENUBARBREAK = 0x0020;
constexpr UINT MF_MENUBREAK = 0x0040;
constexpr UINT MF_UNHILITE = 0x0000;
constexpr UINT MF_HILITE = 0x0080;
constexpr UINT MF_DEFAULT = 0x1000;
constexpr UINT MF_SYSMENU = 0x2000;
constexpr UINT MF_HELP = 0x4000;
constexpr UINT MF_RIGHTJUSTIFY = 0x4000;
constexpr UINT MF_MOUSESELECT = 0x8000;

constexpr UINT MFT_STRING = MF_STRING;
constexpr UINT MFT_BITMAP = MF_BITMAP;
constexpr UINT MFT_MENUBARBREAK = MF_MENUBARBREAK;
constexpr UINT MFT_MENUBREAK = MF_MENUBREAK;
constexpr UINT MFT_OWNERDRAW = MF_OWNERDRAW;
constexpr UINT MFT_RADIOCHECK = 0x0200;
constexpr UINT MFT_SEPARATOR = MF_SEPARATOR;
constexpr UINT MFT_RIGHTORDER = 0x2000;
constexpr UINT MFT_RIGHTJUSTIFY = MF_RIGHTJUSTIFY;

constexpr UINT MFS_GRAYED = 0x0003;
constexpr UINT MFS_DISABLED = MFS_GRAYED;
constexpr UINT MFS_CHECKED = MF_CHECKED;
constexpr UINT MFS_HILITE = MF_HILITE;
constexpr UINT MFS_ENABLED = MF_ENABLED;
constexpr UINT MFS_UNCHECKED = MF_UNCHECKED;
constexpr UINT MFS_UNHILITE = MF_UNHILITE;
constexpr UINT MFS_DEFAULT = MF_DEFAULT;

constexpr UINT MIIM_STATE = 0x0001;
constexpr UINT MIIM_ID = 0x0002;
constexpr UINT MIIM_SUBMENU = 0x0004;
constexpr UINT MIIM_CHECKMARKS = 0x0008;
constexpr UINT MIIM_TYPE = 0x0010;
constexpr UINT MIIM_DATA = 0x0020;
constexpr UINT MIIM_STRING = 0x0040;
constexpr UINT MIIM_BITMAP = 0x0080;
constexpr UINT MIIM_FTYPE = 0x0100;

// GetMenuDefaultItem.
constexpr UINT GMDI_USEDISABLED = 0x0001;
constexpr UINT GMDI_GOINTOPOPUPS = 0x0002;

// TrackPopupMenu(Ex).
constexpr UINT TPM_LEFTBUTTON = 0x0000;
constexpr UINT TPM_RIGHTBUTTON = 0x0002;
constexpr UINT TPM_LEFTALIGN = 0x0000;
constexpr UINT TPM_CENTERALIGN = 0x0004;
constexpr UINT TPM_RIGHTALIGN = 0x0008;
constexpr UINT TPM_TOPALIGN = 0x0000;
constexpr UINT TPM_VCENTERALIGN = 0x0010;
constexpr UINT TPM_BOTTOMALIGN = 0x0020;
constexpr UINT TPM_HORIZONTAL = 0x0000;
constexpr UINT TPM_VERTICAL = 0x0040;
constexpr UINT TPM_NONOTIFY = 0x0080;
constexpr UINT TPM_RETURNCMD = 0x0100;
constexpr UINT TPM_RECURSE = 0x0001;
constexpr UINT TPM_NOANIMATION = 0x4000;

// Owner drawing (menus and controls).
constexpr UINT ODT_MENU = 1;
constexpr UINT ODT_LISTBOX = 2;
constexpr UINT ODT_COMBOBOX = 3;
constexpr UINT ODT_BUTTON = 4;
constexpr UINT ODT_STATIC = 5;
constexpr UINT ODA_DRAWENTIRE = 0x0001;
constexpr UINT ODA_SELECT = 0x0002;
constexpr UINT ODA_FOCUS = 0x0004;
constexpr UINT ODS_SELECTED = 0x0001;
constexpr UINT ODS_GRAYED = 0x0002;
constexpr UINT ODS_DISABLED = 0x0004;
constexpr UINT ODS_CHECKED = 0x0008;
constexpr UINT ODS_FOCUS = 0x0010;
constexpr UINT ODS_DEFAULT = 0x0020;
constexpr UINT ODS_HOTLIGHT = 0x0040;
constexpr UINT ODS_INACTIVE = 0x0080;
constexpr UINT ODS_NOACCEL = 0x0100;

struct MEASUREITEMSTRUCT {
  UINT CtlType = 0;
  UINT CtlID = 0;
  UINT itemID = 0;
  UINT itemWidth = 0;
  UINT itemHeight = 0;
  ULONG_PTR itemData = 0;
};

// For menus hwndItem carries the menu handle.
struct DRAWITEMSTRUCT {
  UINT CtlType = 0;
  UINT CtlID = 0;
  UINT itemID = 0;
  UINT itemAction = 0;
  UINT itemState = 0;
  HWND hwndItem = nullptr;
  HDC hDC = nullptr;
  RECT rcItem;
  ULONG_PTR itemData = 0;
};

struct MENUITEMINFOA {
  UINT cbSize = sizeof(MENUITEMINFOA);
  UINT fMask = 0;
  UINT fType = 0;
  UINT fState = 0;
  UINT wID = 0;
  HMENU hSubMenu = nullptr;
  HBITMAP hbmpChecked = nullptr;
  HBITMAP hbmpUnchecked = nullptr;
  ULONG_PTR dwItemData = 0;
  char* dwTypeData = nullptr;  // MIIM_STRING / MFT_STRING: the text; on reading a buffer of cch
  UINT cch = 0;
  HBITMAP hbmpItem = nullptr;
};

struct TPMPARAMS {
  UINT cbSize = sizeof(TPMPARAMS);
  RECT rcExclude;  // screen area the popup must not cover
};

// ---- menus and items --------------------------------------------------------

HMENU CreateMenu();
HMENU CreatePopupMenu();
// Destroys submenus too; a menu attached to a window is detached.
BOOL DestroyMenu(HMENU menu);
BOOL IsMenu(HMENU menu);

// `item` for MF_POPUP is the submenu handle cast to UINT_PTR; `content` the text
// (MF_STRING), the item data (MF_OWNERDRAW) or a bitmap handle (MF_BITMAP).
BOOL AppendMenuA(HMENU menu, UINT flags, UINT_PTR item, const char* content);
BOOL InsertMenuA(HMENU menu, UINT position, UINT flags, UINT_PTR item, const char* content);
BOOL ModifyMenuA(HMENU menu, UINT position, UINT flags, UINT_PTR item, const char* content);
BOOL InsertMenuItemA(HMENU menu, UINT item, BOOL by_position, const MENUITEMINFOA* info);
BOOL GetMenuItemInfoA(HMENU menu, UINT item, BOOL by_position, MENUITEMINFOA* info);
BOOL SetMenuItemInfoA(HMENU menu, UINT item, BOOL by_position, const MENUITEMINFOA* info);
// Removes the item; DeleteMenu also destroys its submenu.
BOOL DeleteMenu(HMENU menu, UINT position, UINT flags);
BOOL RemoveMenu(HMENU menu, UINT position, UINT flags);

// By command, items of submenus are found too. Both return the previous
// state (MF_CHECKED / MF_GRAYED|MF_DISABLED bits), or (DWORD)-1 when no item.
DWORD CheckMenuItem(HMENU menu, UINT item, UINT flags);
BOOL EnableMenuItem(HMENU menu, UINT item, UINT flags);
// Checks `check` with a radio mark and clears the others of first..last.
BOOL CheckMenuRadioItem(HMENU menu, UINT first, UINT last, UINT check, UINT flags);
BOOL HiliteMenuItem(HWND hwnd, HMENU menu, UINT item, UINT flags);
BOOL SetMenuDefaultItem(HMENU menu, UINT item, UINT by_position);
// (UINT)-1 when there is none.
UINT GetMenuDefaultItem(HMENU menu, UINT by_position, UINT flags);

HMENU GetSubMenu(HMENU menu, int position);
int GetMenuItemCount(HMENU menu);
// (UINT)-1 for a submenu item or a bad position.
UINT GetMenuItemID(HMENU menu, int position);
// Type and state flags; for a submenu item the high byte holds its item count.
// (UINT)-1 when there is no such item.
UINT GetMenuState(HMENU menu, UINT item, UINT flags);
int GetMenuStringA(HMENU menu, UINT item, char* buffer, int max_count, UINT flags);
// The item's rectangle on the screen while its menu is shown (bar or popup).
BOOL GetMenuItemRect(HWND hwnd, HMENU menu, UINT item, RECT* rect);
// The position of the item under a screen point, -1 for none.
int MenuItemFromPoint(HWND hwnd, HMENU menu, POINT screen_point);

// ---- menu bar and system menu -----------------------------------------------

// Attaches the menu bar (null removes it): the client area shrinks by the
// bar's height. The previous menu is not destroyed.
BOOL SetMenu(HWND hwnd, HMENU menu);
HMENU GetMenu(HWND hwnd);
// Lays the bar out again and repaints it.
BOOL DrawMenuBar(HWND hwnd);
// The window's own copy of the system menu (Restore, Move, Size, Minimize,
// Maximize, a separator, Close) made on first use; `revert` drops the copy.
HMENU GetSystemMenu(HWND hwnd, BOOL revert);

// ---- popup menus ------------------------------------------------------------

// Modal: returns when the menu closes. `hwnd` hears WM_ENTERMENULOOP,
// WM_INITMENU, WM_INITMENUPOPUP, WM_MENUSELECT, WM_MEASUREITEM/WM_DRAWITEM for
// owner-drawn items, WM_UNINITMENUPOPUP and WM_EXITMENULOOP; a chosen command
// is posted as WM_COMMAND, or returned with TPM_RETURNCMD (0 when cancelled).
BOOL TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int reserved, HWND hwnd, const RECT* rect);
BOOL TrackPopupMenuEx(HMENU menu, UINT flags, int x, int y, HWND hwnd, const TPMPARAMS* params);
// The accelerator of a menu text: the character after a single '&', lower
// case; 0 when there is none.
char MenuMnemonic(const std::string& text);
// Closes the menu the calling thread is tracking.
BOOL EndMenu();

}  // namespace plat

namespace plat::user {

// The popup-menu window class name.
inline constexpr const char* kPopupMenuClass = "#32768";

// The menu bar seen from the non-client area. The menu unit keeps the bar in
// step with the frame by subclassing each window that has a menu:
// WM_NCCALCSIZE takes MenuBarHeight off the top of the client area the frame
// computed, WM_NCPAINT paints the bar after the frame, WM_NCHITTEST answers
// HTMENU over it, and WM_SYSCOMMAND SC_KEYMENU / SC_MOUSEMENU and clicks on
// HTMENU start the bar's menu loop. The default WM_SYSKEYDOWN/WM_SYSCHAR
// turn F10, Alt and Alt+letter into SC_KEYMENU to the top-level window,
// whether it has a bar or draws one itself; without a bar it opens nothing.
// Height of the bar for a window of this width (0 without a menu).
int MenuBarHeight(HWND hwnd);
// The bar's rectangle in window coordinates (empty without a menu).
RECT MenuBarRect(HWND hwnd);
// Paints the bar on a window DC (origin at the window's top-left corner).
void PaintMenuBar(HWND hwnd, HDC window_dc);

// The menu a thread is tracking right now, or null; and its selected item
// position in the innermost open menu (-1 when none). For tests and skins.
HMENU TrackedMenu();
int TrackedSelection(HMENU* menu);

}  // namespace plat::user
