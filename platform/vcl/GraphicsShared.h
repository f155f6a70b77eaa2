#pragma once
// What the canvas and the bitmap share inside the graphics units; callers
// outside platform/vcl have no use for it.
#include "platform/gdi/Gdi.h"
#include "platform/vcl/Graphics.h"

namespace vcl {

// Deletes a handle, or keeps it for a later try while a DC still holds it.
void FreeGdiObject(plat::HGDIOBJ handle);

// Copies `src` (w x h at sx, sy) to `dest` stretched, leaving the destination
// where the source has the colour `transparent`.
void TransparentStretch(plat::HDC dest, const TRect& r, plat::HDC src, int sx, int sy, int w, int h,
                        plat::COLORREF transparent);

}  // namespace vcl
