#pragma once
// Bitmaps by name: the system's own small bitmaps (OBM_*) and a module's
// bitmap resources.
#include "platform/gdi/Gdi.h"
#include "platform/kernel/Resources.h"
#include "platform/kernel/Types.h"

namespace plat {

// 13 x 13 monochrome marks, black (0 bits) on white (1 bits): blitted into a
// colour DC the mark takes the text colour and the rest the background colour.
constexpr WORD OBM_CHECK = 32760;
constexpr WORD OBM_MNARROW = 32739;

// A null instance: a new copy of a system bitmap (OBM_*). With a module: its
// RT_BITMAP resource as a DIB section. Null when there is none or the
// resource is no bitmap the reader takes. The caller frees it.
HBITMAP LoadBitmapA(HINSTANCE instance, const char* name);

}  // namespace plat
