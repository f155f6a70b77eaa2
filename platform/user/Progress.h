#pragma once
// The progress bar ("msctls_progress32"): a range, a position and a step,
// painted as a bar filled in proportion, in chunks unless PBS_SMOOTH.
#include "platform/kernel/Types.h"
#include "platform/user/CommCtrl.h"

namespace plat {

inline constexpr const char* PROGRESS_CLASSA = "msctls_progress32";

constexpr DWORD PBS_SMOOTH = 0x01;
constexpr DWORD PBS_VERTICAL = 0x04;

constexpr UINT PBM_SETRANGE = WM_USER + 1;  // lParam: MAKELPARAM(min, max); returns the old one so
constexpr UINT PBM_SETPOS = WM_USER + 2;    // returns the old position
constexpr UINT PBM_DELTAPOS = WM_USER + 3;  // returns the old position
constexpr UINT PBM_SETSTEP = WM_USER + 4;   // returns the old step
constexpr UINT PBM_STEPIT = WM_USER + 5;    // past the maximum it starts again from the minimum
constexpr UINT PBM_SETRANGE32 = WM_USER + 6;
constexpr UINT PBM_GETRANGE = WM_USER + 7;  // wParam TRUE: the low limit, else the high; lParam PBRANGE* or 0
constexpr UINT PBM_GETPOS = WM_USER + 8;
constexpr UINT PBM_SETBARCOLOR = WM_USER + 9;
constexpr UINT PBM_SETBKCOLOR = CCM_SETBKCOLOR;
constexpr UINT PBM_GETSTEP = WM_USER + 13;
constexpr UINT PBM_GETBKCOLOR = WM_USER + 14;
constexpr UINT PBM_GETBARCOLOR = WM_USER + 15;
constexpr UINT PBM_SETSTATE = WM_USER + 16;
constexpr UINT PBM_GETSTATE = WM_USER + 17;

constexpr int PBST_NORMAL = 1;
constexpr int PBST_ERROR = 2;
constexpr int PBST_PAUSED = 3;

struct PBRANGE {
  int iLow = 0;
  int iHigh = 0;
};

}  // namespace plat
