#pragma once
// Cursors: the system cursors (IDC_*), cursors drawn from AND/XOR planes,
// the current cursor and its display count, the cursor position and its clip
// rectangle. The shape is passed on to the backend.
#include "platform/kernel/Resources.h"
#include "platform/kernel/Types.h"
#include "platform/user/Window.h"

namespace plat {

inline const char* const IDC_ARROW = MAKEINTRESOURCEA(32512);
inline const char* const IDC_IBEAM = MAKEINTRESOURCEA(32513);
inline const char* const IDC_WAIT = MAKEINTRESOURCEA(32514);
inline const char* const IDC_CROSS = MAKEINTRESOURCEA(32515);
inline const char* const IDC_UPARROW = MAKEINTRESOURCEA(32516);
inline const char* const IDC_SIZE = MAKEINTRESOURCEA(32640);
inline const char* const IDC_ICON = MAKEINTRESOURCEA(32641);
inline const char* const IDC_SIZENWSE = MAKEINTRESOURCEA(32642);
inline const char* const IDC_SIZENESW = MAKEINTRESOURCEA(32643);
inline const char* const IDC_SIZEWE = MAKEINTRESOURCEA(32644);
inline const char* const IDC_SIZENS = MAKEINTRESOURCEA(32645);
inline const char* const IDC_SIZEALL = MAKEINTRESOURCEA(32646);
inline const char* const IDC_NO = MAKEINTRESOURCEA(32648);
inline const char* const IDC_HAND = MAKEINTRESOURCEA(32649);
inline const char* const IDC_APPSTARTING = MAKEINTRESOURCEA(32650);
inline const char* const IDC_HELP = MAKEINTRESOURCEA(32651);

// A null instance loads a system cursor; the same handle every time. With a
// module, its RT_CURSOR resource of that name or number: a .cur file whose
// first image is 1-bit or 32-bit; also shared.
HCURSOR LoadCursorA(HINSTANCE instance, const char* name);
// Monochrome planes, rows padded to 16 bits: AND 1 XOR 0 transparent,
// AND 0 XOR 0 black, AND 0 XOR 1 white, AND 1 XOR 1 inverted (shown black).
HCURSOR CreateCursor(HINSTANCE instance, int hot_x, int hot_y, int width, int height, const void* and_plane,
                     const void* xor_plane);
// System cursors are shared and stay.
BOOL DestroyCursor(HCURSOR cursor);
// Returns the previous cursor; null hides the pointer.
HCURSOR SetCursor(HCURSOR cursor);
HCURSOR GetCursor();
// The display counter: the pointer shows while it is 0 or more.
int ShowCursor(BOOL show);
// Null frees the pointer.
BOOL ClipCursor(const RECT* rect);
BOOL GetClipCursor(RECT* rect);
BOOL GetCursorPos(POINT* point);
BOOL SetCursorPos(int x, int y);

}  // namespace plat

namespace plat::user {

// The default procedure's WM_SETCURSOR: the class cursor in the client area,
// sizing arrows on the borders, the arrow elsewhere; a child first asks its parent.
bool DefaultSetCursor(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result);

}  // namespace plat::user
