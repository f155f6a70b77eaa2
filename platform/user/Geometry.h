#pragma once
// Window geometry: styles, the parent and owner tree, z-order, show states,
// moving and sizing with their messages, coordinate mapping and lookups by
// point, and the rectangle helpers.
#include <cstdint>
#include <vector>

#include "platform/kernel/Types.h"
#include "platform/user/Window.h"

namespace plat {

// ---- styles -----------------------------------------------------------------

constexpr DWORD WS_MINIMIZE = 0x20000000;
constexpr DWORD WS_ICONIC = WS_MINIMIZE;
constexpr DWORD WS_CLIPSIBLINGS = 0x04000000;
constexpr DWORD WS_CLIPCHILDREN = 0x02000000;
constexpr DWORD WS_MAXIMIZE = 0x01000000;
constexpr DWORD WS_CAPTION = 0x00C00000;  // WS_BORDER | WS_DLGFRAME
constexpr DWORD WS_BORDER = 0x00800000;
constexpr DWORD WS_DLGFRAME = 0x00400000;
constexpr DWORD WS_VSCROLL = 0x00200000;
constexpr DWORD WS_HSCROLL = 0x00100000;
constexpr DWORD WS_SYSMENU = 0x00080000;
constexpr DWORD WS_THICKFRAME = 0x00040000;
constexpr DWORD WS_SIZEBOX = WS_THICKFRAME;
constexpr DWORD WS_GROUP = 0x00020000;
constexpr DWORD WS_TABSTOP = 0x00010000;
constexpr DWORD WS_MINIMIZEBOX = 0x00020000;
constexpr DWORD WS_MAXIMIZEBOX = 0x00010000;
constexpr DWORD WS_TILED = WS_OVERLAPPED;
constexpr DWORD WS_CHILDWINDOW = WS_CHILD;
constexpr DWORD WS_OVERLAPPEDWINDOW =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
constexpr DWORD WS_TILEDWINDOW = WS_OVERLAPPEDWINDOW;
constexpr DWORD WS_POPUPWINDOW = WS_POPUP | WS_BORDER | WS_SYSMENU;

constexpr DWORD WS_EX_DLGMODALFRAME = 0x00000001;
constexpr DWORD WS_EX_NOPARENTNOTIFY = 0x00000004;
constexpr DWORD WS_EX_TOPMOST = 0x00000008;
constexpr DWORD WS_EX_ACCEPTFILES = 0x00000010;
constexpr DWORD WS_EX_TRANSPARENT = 0x00000020;
constexpr DWORD WS_EX_MDICHILD = 0x00000040;
constexpr DWORD WS_EX_TOOLWINDOW = 0x00000080;
constexpr DWORD WS_EX_WINDOWEDGE = 0x00000100;
constexpr DWORD WS_EX_CLIENTEDGE = 0x00000200;
constexpr DWORD WS_EX_CONTEXTHELP = 0x00000400;
constexpr DWORD WS_EX_RIGHT = 0x00001000;
constexpr DWORD WS_EX_RTLREADING = 0x00002000;
constexpr DWORD WS_EX_LEFTSCROLLBAR = 0x00004000;
constexpr DWORD WS_EX_CONTROLPARENT = 0x00010000;
constexpr DWORD WS_EX_STATICEDGE = 0x00020000;
constexpr DWORD WS_EX_APPWINDOW = 0x00040000;
constexpr DWORD WS_EX_LAYERED = 0x00080000;
constexpr DWORD WS_EX_NOACTIVATE = 0x08000000;
constexpr DWORD WS_EX_OVERLAPPEDWINDOW = WS_EX_WINDOWEDGE | WS_EX_CLIENTEDGE;
constexpr DWORD WS_EX_PALETTEWINDOW = WS_EX_WINDOWEDGE | WS_EX_TOOLWINDOW | WS_EX_TOPMOST;

// ---- messages ---------------------------------------------------------------

constexpr UINT WM_MOVE = 0x0003;
constexpr UINT WM_SIZE = 0x0005;
constexpr UINT WM_ENABLE = 0x000A;
constexpr UINT WM_SHOWWINDOW = 0x0018;
constexpr UINT WM_GETMINMAXINFO = 0x0024;
constexpr UINT WM_WINDOWPOSCHANGING = 0x0046;
constexpr UINT WM_WINDOWPOSCHANGED = 0x0047;
constexpr UINT WM_STYLECHANGING = 0x007C;
constexpr UINT WM_STYLECHANGED = 0x007D;

// WM_SIZE wParam.
constexpr WPARAM SIZE_RESTORED = 0;
constexpr WPARAM SIZE_MINIMIZED = 1;
constexpr WPARAM SIZE_MAXIMIZED = 2;
constexpr WPARAM SIZE_MAXSHOW = 3;
constexpr WPARAM SIZE_MAXHIDE = 4;

// WM_SHOWWINDOW lParam: why the window was shown or hidden (0: ShowWindow).
constexpr LPARAM SW_PARENTCLOSING = 1;
constexpr LPARAM SW_OTHERZOOM = 2;
constexpr LPARAM SW_PARENTOPENING = 3;
constexpr LPARAM SW_OTHERUNZOOM = 4;

// ---- show commands ----------------------------------------------------------

constexpr int SW_HIDE = 0;
constexpr int SW_SHOWNORMAL = 1;
constexpr int SW_NORMAL = 1;
constexpr int SW_SHOWMINIMIZED = 2;
constexpr int SW_SHOWMAXIMIZED = 3;
constexpr int SW_MAXIMIZE = 3;
constexpr int SW_SHOWNOACTIVATE = 4;
constexpr int SW_SHOW = 5;
constexpr int SW_MINIMIZE = 6;
constexpr int SW_SHOWMINNOACTIVE = 7;
constexpr int SW_SHOWNA = 8;
constexpr int SW_RESTORE = 9;
constexpr int SW_SHOWDEFAULT = 10;
constexpr int SW_FORCEMINIMIZE = 11;

// ---- SetWindowPos -----------------------------------------------------------

constexpr UINT SWP_NOSIZE = 0x0001;
constexpr UINT SWP_NOMOVE = 0x0002;
constexpr UINT SWP_NOZORDER = 0x0004;
constexpr UINT SWP_NOREDRAW = 0x0008;
constexpr UINT SWP_NOACTIVATE = 0x0010;
constexpr UINT SWP_FRAMECHANGED = 0x0020;
constexpr UINT SWP_DRAWFRAME = SWP_FRAMECHANGED;
constexpr UINT SWP_SHOWWINDOW = 0x0040;
constexpr UINT SWP_HIDEWINDOW = 0x0080;
constexpr UINT SWP_NOCOPYBITS = 0x0100;
constexpr UINT SWP_NOOWNERZORDER = 0x0200;
constexpr UINT SWP_NOREPOSITION = SWP_NOOWNERZORDER;
constexpr UINT SWP_NOSENDCHANGING = 0x0400;
constexpr UINT SWP_DEFERERASE = 0x2000;
constexpr UINT SWP_ASYNCWINDOWPOS = 0x4000;

inline HWND const HWND_TOP = nullptr;
inline HWND const HWND_BOTTOM = reinterpret_cast<HWND>(static_cast<intptr_t>(1));
inline HWND const HWND_TOPMOST = reinterpret_cast<HWND>(static_cast<intptr_t>(-1));
inline HWND const HWND_NOTOPMOST = reinterpret_cast<HWND>(static_cast<intptr_t>(-2));
inline HWND const HWND_DESKTOP = nullptr;

struct WINDOWPOS {
  HWND hwnd = nullptr;
  HWND hwndInsertAfter = nullptr;
  int x = 0;
  int y = 0;
  int cx = 0;
  int cy = 0;
  UINT flags = 0;
};

struct MINMAXINFO {
  POINT ptReserved;
  POINT ptMaxSize;
  POINT ptMaxPosition;
  POINT ptMinTrackSize;
  POINT ptMaxTrackSize;
};

// WM_NCCALCSIZE with wParam TRUE: rgrc[0] the new window rectangle on entry and
// the new client rectangle on return; rgrc[1] the old window rectangle and
// rgrc[2] the old client rectangle (all in the parent's client coordinates).
struct NCCALCSIZE_PARAMS {
  RECT rgrc[3];
  WINDOWPOS* lppos = nullptr;
};

// WM_NCCALCSIZE results.
constexpr LRESULT WVR_ALIGNTOP = 0x0010;
constexpr LRESULT WVR_ALIGNLEFT = 0x0020;
constexpr LRESULT WVR_ALIGNBOTTOM = 0x0040;
constexpr LRESULT WVR_ALIGNRIGHT = 0x0080;
constexpr LRESULT WVR_HREDRAW = 0x0100;
constexpr LRESULT WVR_VREDRAW = 0x0200;
constexpr LRESULT WVR_REDRAW = WVR_HREDRAW | WVR_VREDRAW;
constexpr LRESULT WVR_VALIDRECTS = 0x0400;

// WM_STYLECHANGING / WM_STYLECHANGED lParam; wParam is GWL_STYLE or GWL_EXSTYLE.
struct STYLESTRUCT {
  DWORD styleOld = 0;
  DWORD styleNew = 0;
};

struct WINDOWPLACEMENT {
  UINT length = sizeof(WINDOWPLACEMENT);
  UINT flags = 0;
  UINT showCmd = 0;
  POINT ptMinPosition;
  POINT ptMaxPosition;
  RECT rcNormalPosition;
};
constexpr UINT WPF_SETMINPOSITION = 0x0001;
constexpr UINT WPF_RESTORETOMAXIMIZED = 0x0002;

// ---- relations --------------------------------------------------------------

constexpr UINT GW_HWNDFIRST = 0;
constexpr UINT GW_HWNDLAST = 1;
constexpr UINT GW_HWNDNEXT = 2;
constexpr UINT GW_HWNDPREV = 3;
constexpr UINT GW_OWNER = 4;
constexpr UINT GW_CHILD = 5;
constexpr UINT GW_ENABLEDPOPUP = 6;

constexpr UINT GA_PARENT = 1;
constexpr UINT GA_ROOT = 2;
constexpr UINT GA_ROOTOWNER = 3;

constexpr UINT CWP_ALL = 0x0000;
constexpr UINT CWP_SKIPINVISIBLE = 0x0001;
constexpr UINT CWP_SKIPDISABLED = 0x0002;
constexpr UINT CWP_SKIPTRANSPARENT = 0x0004;

using WNDENUMPROC = BOOL (*)(HWND, LPARAM);

// ---- operations -------------------------------------------------------------

// The desktop: a window of the screen's size that is the parent of every
// top-level window as far as coordinates and lookups go.
HWND GetDesktopWindow();

// Sends WM_WINDOWPOSCHANGING (which may change the WINDOWPOS), WM_NCCALCSIZE
// when the size or the frame changes, then WM_WINDOWPOSCHANGED, whose default
// handling sends WM_MOVE and WM_SIZE. Moves are in the parent's client
// coordinates (screen coordinates for top-level windows).
BOOL SetWindowPos(HWND hwnd, HWND insert_after, int x, int y, int cx, int cy, UINT flags);
BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint);
// Returns whether the window was visible before.
BOOL ShowWindow(HWND hwnd, int command);
BOOL BringWindowToTop(HWND hwnd);
// Visible when it and all its ancestors have WS_VISIBLE.
BOOL IsWindowVisible(HWND hwnd);
BOOL IsIconic(HWND hwnd);
BOOL IsZoomed(HWND hwnd);
BOOL GetWindowPlacement(HWND hwnd, WINDOWPLACEMENT* placement);
BOOL SetWindowPlacement(HWND hwnd, const WINDOWPLACEMENT* placement);

// Returns the previous disabled state (non-zero when it was disabled).
BOOL EnableWindow(HWND hwnd, BOOL enable);
BOOL IsWindowEnabled(HWND hwnd);

// Screen coordinates.
BOOL GetWindowRect(HWND hwnd, RECT* rect);
// Client coordinates: always at (0, 0).
BOOL GetClientRect(HWND hwnd, RECT* rect);
BOOL ClientToScreen(HWND hwnd, POINT* point);
BOOL ScreenToClient(HWND hwnd, POINT* point);
// Null stands for the screen. Returns the horizontal offset in the low word
// and the vertical one in the high word.
int MapWindowPoints(HWND from, HWND to, POINT* points, UINT count);

// The deepest visible, enabled-or-not child under a screen point, honouring
// window regions; WM_NCHITTEST answering HTTRANSPARENT passes the point on
// to the windows beneath (of the same thread).
HWND WindowFromPoint(POINT screen_point);
// Among the direct children, by a point in the parent's client coordinates;
// the parent itself when no child contains it, null when it is outside.
HWND ChildWindowFromPoint(HWND parent, POINT point);
HWND ChildWindowFromPointEx(HWND parent, POINT point, UINT flags);

HWND GetWindow(HWND hwnd, UINT command);
// The top child in z-order; null gives the top top-level window.
HWND GetTopWindow(HWND hwnd);
HWND GetAncestor(HWND hwnd, UINT flags);
// Changes the parent of a child window, keeping its position relative to the
// new parent's client area. Returns the old parent.
HWND SetParent(HWND hwnd, HWND new_parent);
// Children and their descendants, depth first, topmost first.
BOOL EnumChildWindows(HWND parent, WNDENUMPROC proc, LPARAM lparam);
// Top-level windows, topmost first.
BOOL EnumWindows(WNDENUMPROC proc, LPARAM lparam);
BOOL EnumThreadWindows(DWORD thread_id, WNDENUMPROC proc, LPARAM lparam);

// ---- rectangles -------------------------------------------------------------

BOOL SetRect(RECT* rect, int left, int top, int right, int bottom);
BOOL SetRectEmpty(RECT* rect);
BOOL CopyRect(RECT* dest, const RECT* source);
BOOL OffsetRect(RECT* rect, int dx, int dy);
BOOL InflateRect(RECT* rect, int dx, int dy);
// FALSE and an empty result when they do not meet.
BOOL IntersectRect(RECT* dest, const RECT* a, const RECT* b);
BOOL UnionRect(RECT* dest, const RECT* a, const RECT* b);
BOOL SubtractRect(RECT* dest, const RECT* a, const RECT* b);
BOOL IsRectEmpty(const RECT* rect);
BOOL PtInRect(const RECT* rect, POINT point);
BOOL EqualRect(const RECT* a, const RECT* b);

}  // namespace plat

namespace plat::user {

// For the other units of the window layer. None of these takes a lock that
// the caller holds; the *Locked variants expect WindowLock() held.

// The window and client rectangles in screen coordinates.
RECT WindowRectOnScreen(HWND hwnd);
RECT ClientRectOnScreen(HWND hwnd);
bool WindowRectOnScreenLocked(HWND hwnd, RECT* window, RECT* client);
// The top-level window a window belongs to (itself for top-level windows).
HWND TopLevelOf(HWND hwnd);
HWND TopLevelOfLocked(HWND hwnd);
// WS_VISIBLE on the window and all its ancestors.
bool IsVisibleLocked(HWND hwnd);
// Top-level windows that are not message-only, topmost first.
std::vector<HWND> TopLevelZOrder();

// The window manager moved, sized, minimised, maximised or restored a
// top-level window (backend events): the window gets the messages of the
// change, and the backend is not told again. `show_command` is SW_MINIMIZE,
// SW_MAXIMIZE, SW_RESTORE or -1 for a plain move or size.
void ApplyNativeWindowRect(HWND hwnd, const RECT& screen_rect, int show_command);

// ShowWindow; `native` false when the window manager already did it.
BOOL ShowWindowCore(HWND hwnd, int command, bool native);
// Every top-level window in creation order (Window.cpp). Caller holds WindowLock().
std::vector<HWND> TopLevelWindowsLocked();
// The stacking value that puts a new top-level window on top. Caller holds WindowLock().
int64_t NextTopZLocked();
// Top-level windows, topmost first. Caller holds WindowLock().
std::vector<HWND> TopLevelZOrderLocked();
// Registers the default handlers of geometry messages; idempotent.
void InstallGeometry();

// Activation belongs to the focus unit: showing or raising a top-level window
// without SWP_NOACTIVATE / SW_SHOWNA-like commands calls this handler.
using ActivateHandler = void (*)(HWND hwnd);
void SetActivateHandler(ActivateHandler handler);

}  // namespace plat::user
