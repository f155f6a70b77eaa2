#pragma once
// The screen as this program's own windows show it, for colour pickers. The
// desktop DC measures like the screen but holds no picture; here a point is
// read from the backing surface of the top-level window under it. Other
// programs' pixels are never read: Wayland offers no continuous way to, and
// reading them only on X11 would make pickers behave by session type.
#include "platform/gdi/Gdi.h"
#include "platform/kernel/Types.h"

namespace plat {

// CLR_INVALID where no window of this program covers the point.
COLORREF GetScreenPixel(int x, int y);

}  // namespace plat
