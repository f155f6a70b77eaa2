#pragma once
// Application window routines. This platform has no separate application
// window: the main form stands for it, and the windows of other processes
// are out of sight, so a previous instance is never found by window search
// (the single-instance component talks to it over its own socket instead).
#include <string>

#include "platform/user/Window.h"

namespace utility {

void ShowApplicationButton();
void HideApplicationButton();
void ShowApplication();
void HideApplication();
// Always null here: see above.
plat::HWND FindPreviousInstance();
// Hands this program's command line to the copy that holds the identity the
// last single-instance check looked for; that copy restores its main form.
bool ActivatePreviousInstance();
void SetInstanceIdentity(const std::string& name);
// The system's file icons by number: the desktop's stock program icon for
// 2, its stock document icon otherwise. Either pointer may be null.
void GetShellIcon(int index, plat::HICON* large_icon, plat::HICON* small_icon);

}  // namespace utility
