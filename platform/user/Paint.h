#pragma once
// Painting: update regions, invalidation and validation, the paint cycle
// (WM_PAINT, BeginPaint/EndPaint, WM_ERASEBKGND), window device contexts,
// scrolling, window regions and printing a window into a given DC.
//
// Each top-level window has one 32-bit backing surface from the backend; its
// children draw into it through device contexts clipped to their visible
// region. What a paint cycle or a released DC drew is presented at once.
#include <vector>

#include "platform/gdi/Gdi.h"
#include "platform/gdi/Region.h"
#include "platform/kernel/Types.h"
#include "platform/user/Window.h"

namespace plat {

constexpr UINT WM_SETREDRAW = 0x000B;
constexpr UINT WM_ERASEBKGND = 0x0014;
constexpr UINT WM_SYNCPAINT = 0x0088;
constexpr UINT WM_PRINT = 0x0317;
constexpr UINT WM_PRINTCLIENT = 0x0318;

constexpr UINT RDW_INVALIDATE = 0x0001;
constexpr UINT RDW_INTERNALPAINT = 0x0002;
constexpr UINT RDW_ERASE = 0x0004;
constexpr UINT RDW_VALIDATE = 0x0008;
constexpr UINT RDW_NOINTERNALPAINT = 0x0010;
constexpr UINT RDW_NOERASE = 0x0020;
constexpr UINT RDW_NOCHILDREN = 0x0040;
constexpr UINT RDW_ALLCHILDREN = 0x0080;
constexpr UINT RDW_UPDATENOW = 0x0100;
constexpr UINT RDW_ERASENOW = 0x0200;
constexpr UINT RDW_FRAME = 0x0400;
constexpr UINT RDW_NOFRAME = 0x0800;

// WM_PRINT / WM_PRINTCLIENT lParam.
constexpr LPARAM PRF_CHECKVISIBLE = 0x0001;
constexpr LPARAM PRF_NONCLIENT = 0x0002;
constexpr LPARAM PRF_CLIENT = 0x0004;
constexpr LPARAM PRF_ERASEBKGND = 0x0008;
constexpr LPARAM PRF_CHILDREN = 0x0010;
constexpr LPARAM PRF_OWNED = 0x0020;

// GetDCEx.
constexpr DWORD DCX_WINDOW = 0x00000001;
constexpr DWORD DCX_CACHE = 0x00000002;
constexpr DWORD DCX_NORESETATTRS = 0x00000004;
constexpr DWORD DCX_CLIPCHILDREN = 0x00000008;
constexpr DWORD DCX_CLIPSIBLINGS = 0x00000010;
constexpr DWORD DCX_PARENTCLIP = 0x00000020;
constexpr DWORD DCX_EXCLUDERGN = 0x00000040;
constexpr DWORD DCX_INTERSECTRGN = 0x00000080;
constexpr DWORD DCX_EXCLUDEUPDATE = 0x00000100;
constexpr DWORD DCX_INTERSECTUPDATE = 0x00000200;
constexpr DWORD DCX_LOCKWINDOWUPDATE = 0x00000400;
constexpr DWORD DCX_VALIDATE = 0x00200000;

// ScrollWindowEx.
constexpr UINT SW_SCROLLCHILDREN = 0x0001;
constexpr UINT SW_INVALIDATE = 0x0002;
constexpr UINT SW_ERASE = 0x0004;
constexpr UINT SW_SMOOTHSCROLL = 0x0010;

struct PAINTSTRUCT {
  HDC hdc = nullptr;
  BOOL fErase = FALSE;  // the background still needs erasing (WM_ERASEBKGND answered 0)
  RECT rcPaint;
  BOOL fRestore = FALSE;
  BOOL fIncUpdate = FALSE;
  BYTE rgbReserved[32] = {};
};

// Rectangles and regions are in client coordinates; null stands for the whole
// client area. With `erase` the next BeginPaint sends WM_ERASEBKGND.
BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase);
BOOL InvalidateRgn(HWND hwnd, HRGN region, BOOL erase);
BOOL ValidateRect(HWND hwnd, const RECT* rect);
BOOL ValidateRgn(HWND hwnd, HRGN region);
// The bounding box of the update region within the client area; with `erase`
// a pending WM_ERASEBKGND is sent now. FALSE when there is nothing to paint.
BOOL GetUpdateRect(HWND hwnd, RECT* rect, BOOL erase);
// Copies the update region (client coordinates) into `region`; returns its kind.
int GetUpdateRgn(HWND hwnd, HRGN region, BOOL erase);
// `rect` and `region` are in client coordinates (the region wins when both are given).
BOOL RedrawWindow(HWND hwnd, const RECT* rect, HRGN region, UINT flags);
// Sends WM_PAINT now when the window has something to paint.
BOOL UpdateWindow(HWND hwnd);

// The DC is clipped to the update region and to the window's visible region;
// WM_NCPAINT and WM_ERASEBKGND go out first when they are owed, and the
// window is validated.
HDC BeginPaint(HWND hwnd, PAINTSTRUCT* paint);
BOOL EndPaint(HWND hwnd, const PAINTSTRUCT* paint);

// Client DC (whole window DC with DCX_WINDOW); null hwnd gives a DC on nothing
// that measures like the screen. Release every DC with ReleaseDC.
HDC GetDC(HWND hwnd);
HDC GetDCEx(HWND hwnd, HRGN clip, DWORD flags);
HDC GetWindowDC(HWND hwnd);
// Presents what was drawn and frees the DC. Returns 1 when it was released.
int ReleaseDC(HWND hwnd, HDC hdc);
HWND WindowFromDC(HDC hdc);

// Moves the client pixels (within `clip`, default the client area) by
// (dx, dy); the area left uncovered becomes part of `update_region` and
// `update_rect` and, with SW_INVALIDATE, is invalidated (SW_ERASE: erased).
// SW_SCROLLCHILDREN moves child windows by the same amount. Returns the kind
// of the uncovered region.
int ScrollWindowEx(HWND hwnd, int dx, int dy, const RECT* scroll, const RECT* clip, HRGN update_region,
                   RECT* update_rect, UINT flags);
BOOL ScrollWindow(HWND hwnd, int dx, int dy, const RECT* scroll, const RECT* clip);

// The window takes over the region (window coordinates; null removes it):
// drawing and hit-testing stop at it. The caller must not use the handle again.
int SetWindowRgn(HWND hwnd, HRGN region, BOOL redraw);
// Copies the window region into `region`; ERROR when there is none.
int GetWindowRgn(HWND hwnd, HRGN region);

}  // namespace plat

namespace plat::user {

// For the geometry and non-client units. Regions are in window coordinates.
// RDW_* flags as for RedrawWindow; takes the locks it needs.
void InvalidateWindowRegion(HWND hwnd, const Region& region, UINT flags);
// The part of the window's surface a window may draw on, in surface
// coordinates of its top-level window; `client` limits it to the client area.
// Children and siblings are clipped out by WS_CLIPCHILDREN / WS_CLIPSIBLINGS
// (`clip_children` forces the first). Caller holds WindowLock().
Region VisibleRegionLocked(HWND hwnd, bool client, bool clip_children);
// Where the window's (0, 0) lies on its top-level window's surface.
POINT SurfaceOriginLocked(HWND hwnd, bool client);
// Opens the backend window of a top-level window (hidden until shown).
void OpenNativeWindow(HWND hwnd);
void CloseNativeWindow(HWND hwnd);
// Presents surface rectangles of a top-level window (on another thread than
// its owner they wait for the owner's next look at its queue).
void PresentSurface(HWND top, const std::vector<RECT>& surface_rects);
// Registers the paint message source and the default handlers; idempotent.
void InstallPainting();

}  // namespace plat::user
