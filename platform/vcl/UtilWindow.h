#pragma once
// Hidden message-only windows that hand their messages to a callable, for
// components that need a window of their own on the thread that makes it
// (timers, thread synchronisation, device notices).
#include <functional>

#include "platform/user/Window.h"

namespace vcl {

using TUtilWndProc = std::function<plat::LRESULT(plat::HWND, plat::UINT, plat::WPARAM, plat::LPARAM)>;

// The window belongs to the calling thread and is destroyed by it. Messages
// the callable leaves alone go to DefWindowProcA by its own choice.
plat::HWND AllocateUtilityWindow(TUtilWndProc proc);
// Safe from inside the window's own callable.
void DeallocateUtilityWindow(plat::HWND hwnd);

}  // namespace vcl
