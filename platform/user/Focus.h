#pragma once
// Keyboard focus and activation. Each thread has its own focus and active
// window; the foreground window is the active window of the thread whose
// windows the user works with. WM_KILLFOCUS and WM_SETFOCUS name each other,
// as do the WM_ACTIVATE pair; WM_ACTIVATEAPP goes to every top-level window
// of a thread that gains or loses the foreground.
#include "platform/kernel/Types.h"
#include "platform/user/NonClient.h"  // WM_NCACTIVATE
#include "platform/user/Window.h"

namespace plat {

constexpr UINT WM_ACTIVATE = 0x0006;
constexpr UINT WM_SETFOCUS = 0x0007;
constexpr UINT WM_KILLFOCUS = 0x0008;
constexpr UINT WM_ACTIVATEAPP = 0x001C;

// WM_ACTIVATE low word.
constexpr WORD WA_INACTIVE = 0;
constexpr WORD WA_ACTIVE = 1;
constexpr WORD WA_CLICKACTIVE = 2;

// Focus goes to windows of the calling thread that are enabled; its
// top-level window is activated first. Null removes the focus. Returns the
// previous focus window (null on failure).
HWND SetFocus(HWND hwnd);
HWND GetFocus();
// A top-level window of the calling thread; the focus moves into it.
HWND SetActiveWindow(HWND hwnd);
HWND GetActiveWindow();
BOOL SetForegroundWindow(HWND hwnd);
HWND GetForegroundWindow();

}  // namespace plat

namespace plat::user {

// Activation with the way it came about: by a click (WA_CLICKACTIVE) or not.
// Refused by a WH_CBT hook (HCBT_ACTIVATE), a disabled window or another
// thread's window. Raises the window in the backend.
bool Activate(HWND hwnd, bool by_mouse);
// Keeps the focus and activation consistent when a window goes away or is
// hidden or disabled: the geometry and window units call it.
void ForgetWindow(HWND hwnd);
// The backend's focus changes: gained: the top-level window becomes active;
// lost: the foreground thread's active window is deactivated.
void BackendFocusChanged(HWND top_level, bool gained);

}  // namespace plat::user
