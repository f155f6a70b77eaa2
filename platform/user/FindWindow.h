#pragma once
// Finding a window by class name and title. Only this program's windows
// exist for the window layer, so other programs' windows are never found.
#include "platform/kernel/Types.h"

namespace plat {

// Class and title are compared without regard to letter case; a null one
// matches any. A null parent searches the top-level windows.
HWND FindWindowExA(HWND parent, HWND child_after, const char* class_name, const char* window_name);
HWND FindWindowA(const char* class_name, const char* window_name);

}  // namespace plat
