#pragma once
// Scroll bars: the bars of a window (WS_HSCROLL, WS_VSCROLL) in its
// non-client area and the "ScrollBar" control, with their range, page,
// position and arrow states, the modal tracking loop that follows the mouse
// on an arrow, the page areas or the thumb, and GetScrollBarInfo.
//
// Tracking sends WM_HSCROLL / WM_VSCROLL: to the window itself for its own
// bars, to the parent (lParam the control) for the control. Arrows and page
// areas repeat on a window timer while held; every message the loop sees
// first goes to CallMsgFilterA with MSGF_SCROLLBAR.
#include "platform/kernel/Types.h"
#include "platform/user/Controls.h"

namespace plat {

constexpr int SB_HORZ = 0;
constexpr int SB_VERT = 1;
constexpr int SB_CTL = 2;
constexpr int SB_BOTH = 3;

// WM_HSCROLL / WM_VSCROLL codes (low word of wParam).
constexpr WORD SB_LINEUP = 0;
constexpr WORD SB_LINELEFT = 0;
constexpr WORD SB_LINEDOWN = 1;
constexpr WORD SB_LINERIGHT = 1;
constexpr WORD SB_PAGEUP = 2;
constexpr WORD SB_PAGELEFT = 2;
constexpr WORD SB_PAGEDOWN = 3;
constexpr WORD SB_PAGERIGHT = 3;
constexpr WORD SB_THUMBPOSITION = 4;
constexpr WORD SB_THUMBTRACK = 5;
constexpr WORD SB_TOP = 6;
constexpr WORD SB_LEFT = 6;
constexpr WORD SB_BOTTOM = 7;
constexpr WORD SB_RIGHT = 7;
constexpr WORD SB_ENDSCROLL = 8;

constexpr DWORD SBS_HORZ = 0x0000;
constexpr DWORD SBS_VERT = 0x0001;
constexpr DWORD SBS_TOPALIGN = 0x0002;
constexpr DWORD SBS_LEFTALIGN = 0x0002;
constexpr DWORD SBS_BOTTOMALIGN = 0x0004;
constexpr DWORD SBS_RIGHTALIGN = 0x0004;
constexpr DWORD SBS_SIZEBOXTOPLEFTALIGN = 0x0002;
constexpr DWORD SBS_SIZEBOXBOTTOMRIGHTALIGN = 0x0004;
constexpr DWORD SBS_SIZEBOX = 0x0008;
constexpr DWORD SBS_SIZEGRIP = 0x0010;

constexpr UINT SBM_SETPOS = 0x00E0;
constexpr UINT SBM_GETPOS = 0x00E1;
constexpr UINT SBM_SETRANGE = 0x00E2;
constexpr UINT SBM_GETRANGE = 0x00E3;
constexpr UINT SBM_ENABLE_ARROWS = 0x00E4;
constexpr UINT SBM_SETRANGEREDRAW = 0x00E6;
constexpr UINT SBM_SETSCROLLINFO = 0x00E9;
constexpr UINT SBM_GETSCROLLINFO = 0x00EA;
constexpr UINT SBM_GETSCROLLBARINFO = 0x00EB;

constexpr UINT SIF_RANGE = 0x0001;
constexpr UINT SIF_PAGE = 0x0002;
constexpr UINT SIF_POS = 0x0004;
constexpr UINT SIF_DISABLENOSCROLL = 0x0008;
constexpr UINT SIF_TRACKPOS = 0x0010;
constexpr UINT SIF_ALL = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_TRACKPOS;

constexpr UINT ESB_ENABLE_BOTH = 0x0000;
constexpr UINT ESB_DISABLE_BOTH = 0x0003;
constexpr UINT ESB_DISABLE_LEFT = 0x0001;
constexpr UINT ESB_DISABLE_RIGHT = 0x0002;
constexpr UINT ESB_DISABLE_UP = 0x0001;
constexpr UINT ESB_DISABLE_DOWN = 0x0002;
constexpr UINT ESB_DISABLE_LTUP = ESB_DISABLE_LEFT;
constexpr UINT ESB_DISABLE_RTDN = ESB_DISABLE_RIGHT;

constexpr LONG OBJID_WINDOW = 0;
constexpr LONG OBJID_VSCROLL = -5;
constexpr LONG OBJID_HSCROLL = -6;
constexpr LONG OBJID_CLIENT = -4;

struct SCROLLINFO {
  UINT cbSize = sizeof(SCROLLINFO);
  UINT fMask = 0;
  int nMin = 0;
  int nMax = 0;
  UINT nPage = 0;
  int nPos = 0;
  int nTrackPos = 0;
};
static_assert(sizeof(SCROLLINFO) == 28);

constexpr int CCHILDREN_SCROLLBAR = 5;

// rgstate: [0] the bar, [1] the up/left arrow, [2] the page area before the
// thumb, [3] the thumb, [4] the page area after it, [5] the down/right arrow.
// The thumb's extent is relative to the bar's top-left corner.
struct SCROLLBARINFO {
  DWORD cbSize = sizeof(SCROLLBARINFO);
  RECT rcScrollBar;  // screen coordinates
  int dxyLineButton = 0;
  int xyThumbTop = 0;
  int xyThumbBottom = 0;
  int reserved = 0;
  DWORD rgstate[CCHILDREN_SCROLLBAR + 1] = {};
};
static_assert(sizeof(SCROLLBARINFO) == 60);

// `bar` is SB_HORZ or SB_VERT for a window's own bars, SB_CTL for a scroll
// bar control. Window bars appear when the range needs scrolling and go when
// it does not (SIF_DISABLENOSCROLL disables them instead). Returns the position.
int SetScrollInfo(HWND hwnd, int bar, const SCROLLINFO* info, BOOL redraw);
BOOL GetScrollInfo(HWND hwnd, int bar, SCROLLINFO* info);
// Returns the previous position.
int SetScrollPos(HWND hwnd, int bar, int pos, BOOL redraw);
int GetScrollPos(HWND hwnd, int bar);
BOOL SetScrollRange(HWND hwnd, int bar, int min, int max, BOOL redraw);
BOOL GetScrollRange(HWND hwnd, int bar, int* min, int* max);
BOOL ShowScrollBar(HWND hwnd, int bar, BOOL show);
// ESB_* flags; FALSE when nothing changed.
BOOL EnableScrollBar(HWND hwnd, UINT bar, UINT arrows);
// OBJID_HSCROLL / OBJID_VSCROLL for a window's bars, OBJID_CLIENT for a control.
BOOL GetScrollBarInfo(HWND hwnd, LONG object, SCROLLBARINFO* info);

}  // namespace plat

namespace plat::user {

bool RegisterScrollBarClass();

// The default procedure's part for a window's own bars: WM_NCPAINT paints them
// over the frame, WM_NCLBUTTONDOWN / WM_NCLBUTTONDBLCLK on HTHSCROLL or
// HTVSCROLL (and WM_SYSCOMMAND SC_HSCROLL / SC_VSCROLL) track the press.
// The non-client unit's default handling calls this first; control
// procedures with their own bars (edit, list box) call it too.
bool WindowScrollBarDefault(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result);
// Paints the window's bars on a DC whose (0, 0) is the window's top-left corner.
void PaintWindowScrollBars(HWND hwnd, HDC window_dc);
// The timer the tracking loop repeats on, on the tracked window.
constexpr UINT_PTR kScrollRepeatTimer = 0xFFFA;
// The first repeat of a held arrow or page area, and every later one.
constexpr UINT kScrollFirstDelayMs = 400;
constexpr UINT kScrollRepeatMs = 50;

}  // namespace plat::user
