#pragma once
// Application window routines. This platform has no separate application
// window: the main form stands for it, and the windows of other processes
// are out of sight, so a previous instance is never found by window search
// (the single-instance component talks to it over its own socket instead).
#include "platform/user/Window.h"

namespace utility {

void ShowApplicationButton();
void HideApplicationButton();
void ShowApplication();
void HideApplication();
// Always null here: see above.
plat::HWND FindPreviousInstance();
bool ActivatePreviousInstance();

}  // namespace utility
