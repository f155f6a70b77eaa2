#pragma once
// The status bar ("msctls_statusbar32"): a bar along the bottom (or top) of
// its parent, split into parts at right edges set by SB_SETPARTS, each with
// its own text and border, or one simple panel (SB_SIMPLE) whose text is
// kept apart. With SBARS_SIZEGRIP its bottom-right corner answers hit tests
// as HTBOTTOMRIGHT and a press there sizes the parent.
#include "platform/kernel/Types.h"
#include "platform/user/CommCtrl.h"

namespace plat {

inline constexpr const char* STATUSCLASSNAMEA = "msctls_statusbar32";

constexpr DWORD SBARS_SIZEGRIP = 0x0100;
constexpr DWORD SBARS_TOOLTIPS = 0x0800;

constexpr UINT SB_SETTEXTA = WM_USER + 1;  // wParam: part | SBT_* flags; lParam: text (data when owner-drawn)
constexpr UINT SB_GETTEXTA = WM_USER + 2;  // returns MAKELONG(length, SBT_* flags)
constexpr UINT SB_GETTEXTLENGTHA = WM_USER + 3;
constexpr UINT SB_SETPARTS = WM_USER + 4;  // wParam count, lParam int[] of right edges, -1: to the end
constexpr UINT SB_GETPARTS = WM_USER + 6;
constexpr UINT SB_GETBORDERS = WM_USER + 7;  // lParam int[3]: horizontal, vertical, between parts
constexpr UINT SB_SETMINHEIGHT = WM_USER + 8;
constexpr UINT SB_SIMPLE = WM_USER + 9;
constexpr UINT SB_GETRECT = WM_USER + 10;
constexpr UINT SB_ISSIMPLE = WM_USER + 14;
constexpr UINT SB_SETBKCOLOR = CCM_SETBKCOLOR;
constexpr UINT SB_SETTEXT = SB_SETTEXTA;
constexpr UINT SB_GETTEXT = SB_GETTEXTA;
constexpr UINT SB_GETTEXTLENGTH = SB_GETTEXTLENGTHA;

// The part index of the simple panel.
constexpr WPARAM SB_SIMPLEID = 0x00FF;

// Drawing kinds of a part's text (high byte of SB_SETTEXT's part word).
constexpr UINT SBT_OWNERDRAW = 0x1000;
constexpr UINT SBT_NOBORDERS = 0x0100;
constexpr UINT SBT_POPOUT = 0x0200;
constexpr UINT SBT_RTLREADING = 0x0400;
constexpr UINT SBT_NOTABPARSING = 0x0800;

constexpr UINT SBN_FIRST = 0U - 880;
constexpr UINT SBN_SIMPLEMODECHANGE = SBN_FIRST;

// NM_CLICK, NM_DBLCLK, NM_RCLICK: dwItemSpec is the part clicked.
struct NMMOUSE {
  NMHDR hdr;
  DWORD_PTR dwItemSpec = 0;
  DWORD_PTR dwItemData = 0;
  POINT pt;
  LPARAM dwHitInfo = 0;
};

}  // namespace plat
