#pragma once
// The track bar ("msctls_trackbar32"): a thumb on a channel between a
// minimum and a maximum, with tick marks and an optional selection range.
// Keys and mouse move the thumb and report through WM_HSCROLL (WM_VSCROLL
// for TBS_VERT) to the parent with TB_* codes; a held page click repeats on
// a window timer. Painting goes through NM_CUSTOMDRAW, item by item (ticks,
// channel, thumb), so a parent can replace any part.
#include "platform/kernel/Types.h"
#include "platform/user/CommCtrl.h"

namespace plat {

inline constexpr const char* TRACKBAR_CLASSA = "msctls_trackbar32";

constexpr DWORD TBS_AUTOTICKS = 0x0001;
constexpr DWORD TBS_VERT = 0x0002;
constexpr DWORD TBS_HORZ = 0x0000;
constexpr DWORD TBS_TOP = 0x0004;
constexpr DWORD TBS_BOTTOM = 0x0000;
constexpr DWORD TBS_LEFT = 0x0004;
constexpr DWORD TBS_RIGHT = 0x0000;
constexpr DWORD TBS_BOTH = 0x0008;
constexpr DWORD TBS_NOTICKS = 0x0010;
constexpr DWORD TBS_ENABLESELRANGE = 0x0020;
constexpr DWORD TBS_FIXEDLENGTH = 0x0040;
constexpr DWORD TBS_NOTHUMB = 0x0080;
constexpr DWORD TBS_TOOLTIPS = 0x0100;
constexpr DWORD TBS_REVERSED = 0x0200;
constexpr DWORD TBS_DOWNISLEFT = 0x0400;

constexpr UINT TBM_GETPOS = WM_USER;
constexpr UINT TBM_GETRANGEMIN = WM_USER + 1;
constexpr UINT TBM_GETRANGEMAX = WM_USER + 2;
constexpr UINT TBM_GETTIC = WM_USER + 3;
constexpr UINT TBM_SETTIC = WM_USER + 4;
constexpr UINT TBM_SETPOS = WM_USER + 5;
constexpr UINT TBM_SETRANGE = WM_USER + 6;
constexpr UINT TBM_SETRANGEMIN = WM_USER + 7;
constexpr UINT TBM_SETRANGEMAX = WM_USER + 8;
constexpr UINT TBM_CLEARTICS = WM_USER + 9;
constexpr UINT TBM_SETSEL = WM_USER + 10;
constexpr UINT TBM_SETSELSTART = WM_USER + 11;
constexpr UINT TBM_SETSELEND = WM_USER + 12;
constexpr UINT TBM_GETPTICS = WM_USER + 14;
constexpr UINT TBM_GETTICPOS = WM_USER + 15;
constexpr UINT TBM_GETNUMTICS = WM_USER + 16;
constexpr UINT TBM_GETSELSTART = WM_USER + 17;
constexpr UINT TBM_GETSELEND = WM_USER + 18;
constexpr UINT TBM_CLEARSEL = WM_USER + 19;
constexpr UINT TBM_SETTICFREQ = WM_USER + 20;
constexpr UINT TBM_SETPAGESIZE = WM_USER + 21;
constexpr UINT TBM_GETPAGESIZE = WM_USER + 22;
constexpr UINT TBM_SETLINESIZE = WM_USER + 23;
constexpr UINT TBM_GETLINESIZE = WM_USER + 24;
constexpr UINT TBM_GETTHUMBRECT = WM_USER + 25;
constexpr UINT TBM_GETCHANNELRECT = WM_USER + 26;
constexpr UINT TBM_SETTHUMBLENGTH = WM_USER + 27;
constexpr UINT TBM_GETTHUMBLENGTH = WM_USER + 28;

// Scroll codes in the low word of the parent's WM_HSCROLL / WM_VSCROLL; the
// high word carries the position for TB_THUMBTRACK and TB_THUMBPOSITION.
constexpr WORD TB_LINEUP = 0;
constexpr WORD TB_LINEDOWN = 1;
constexpr WORD TB_PAGEUP = 2;
constexpr WORD TB_PAGEDOWN = 3;
constexpr WORD TB_THUMBPOSITION = 4;
constexpr WORD TB_THUMBTRACK = 5;
constexpr WORD TB_TOP = 6;
constexpr WORD TB_BOTTOM = 7;
constexpr WORD TB_ENDTRACK = 8;

// Custom-draw items (NMCUSTOMDRAW.dwItemSpec).
constexpr DWORD_PTR TBCD_TICS = 0x0001;
constexpr DWORD_PTR TBCD_THUMB = 0x0002;
constexpr DWORD_PTR TBCD_CHANNEL = 0x0003;

}  // namespace plat

namespace plat::user {

// The timer a held page click repeats on, and its delays.
constexpr UINT_PTR kTrackBarRepeatTimer = 0xFFF9;
constexpr UINT kTrackBarFirstDelayMs = 400;
constexpr UINT kTrackBarRepeatMs = 100;

}  // namespace plat::user
