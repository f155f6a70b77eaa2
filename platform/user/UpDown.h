#pragma once
// The up-down control ("msctls_updown32"): a pair of arrow buttons that step
// a position within a range, optionally tied to a buddy window whose text
// shows the position (UDS_SETBUDDYINT) and whose arrow keys step it
// (UDS_ARROWKEYS). Each step asks the parent first (UDN_DELTAPOS, which may
// veto it or change the delta), then reports SB_THUMBPOSITION through
// WM_VSCROLL (WM_HSCROLL with UDS_HORZ). A held button repeats on a window
// timer, speeding up along the acceleration table.
#include "platform/kernel/Types.h"
#include "platform/user/CommCtrl.h"

namespace plat {

inline constexpr const char* UPDOWN_CLASSA = "msctls_updown32";

constexpr DWORD UDS_WRAP = 0x0001;
constexpr DWORD UDS_SETBUDDYINT = 0x0002;
constexpr DWORD UDS_ALIGNRIGHT = 0x0004;
constexpr DWORD UDS_ALIGNLEFT = 0x0008;
constexpr DWORD UDS_AUTOBUDDY = 0x0010;
constexpr DWORD UDS_ARROWKEYS = 0x0020;
constexpr DWORD UDS_HORZ = 0x0040;
constexpr DWORD UDS_NOTHOUSANDS = 0x0080;
constexpr DWORD UDS_HOTTRACK = 0x0100;

constexpr int UD_MAXVAL = 0x7FFF;
constexpr int UD_MINVAL = -UD_MAXVAL;

constexpr UINT UDM_SETRANGE = WM_USER + 101;  // lParam: MAKELONG(upper, lower)
constexpr UINT UDM_GETRANGE = WM_USER + 102;  // returns MAKELONG(upper, lower)
constexpr UINT UDM_SETPOS = WM_USER + 103;
constexpr UINT UDM_GETPOS = WM_USER + 104;  // high word non-zero: the buddy's text is no number
constexpr UINT UDM_SETBUDDY = WM_USER + 105;
constexpr UINT UDM_GETBUDDY = WM_USER + 106;
constexpr UINT UDM_SETACCEL = WM_USER + 107;
constexpr UINT UDM_GETACCEL = WM_USER + 108;
constexpr UINT UDM_SETBASE = WM_USER + 109;
constexpr UINT UDM_GETBASE = WM_USER + 110;
constexpr UINT UDM_SETRANGE32 = WM_USER + 111;
constexpr UINT UDM_GETRANGE32 = WM_USER + 112;  // wParam int* lower, lParam int* upper
constexpr UINT UDM_SETPOS32 = WM_USER + 113;
constexpr UINT UDM_GETPOS32 = WM_USER + 114;  // lParam BOOL* error

constexpr UINT UDN_FIRST = 0U - 721;
constexpr UINT UDN_DELTAPOS = UDN_FIRST - 1;

// After nSec seconds of holding a button, each step moves by nInc.
struct UDACCEL {
  UINT nSec = 0;
  UINT nInc = 0;
};

// UDN_DELTAPOS: a non-zero answer vetoes the step; the parent may change iDelta.
struct NMUPDOWN {
  NMHDR hdr;
  int iPos = 0;
  int iDelta = 0;
};

}  // namespace plat

namespace plat::user {

// The timer a held button repeats on, and its delays.
constexpr UINT_PTR kUpDownRepeatTimer = 0xFFF8;
constexpr UINT kUpDownFirstDelayMs = 500;
constexpr UINT kUpDownRepeatMs = 100;

}  // namespace plat::user
