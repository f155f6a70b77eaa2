#pragma once
// Reading device-independent bitmaps that callers hand in as a header, a colour
// table and bits.
#include <cstddef>

#include "platform/gdi/Gdi.h"
#include "platform/gdi/Surface.h"

namespace plat {

class DeviceContext;

// Bytes of the header and the colour table (where the bits of a packed DIB
// start); 0 when the header is not one the layer accepts.
size_t DibHeaderBytes(const BITMAPINFO* info, UINT usage);

// Describes the DIB as a read-only surface (bits may be null for a header-only
// look). DIB_PAL_COLORS tables index the DC's selected palette. Returns false
// for headers the layer does not accept (compressed, bad sizes or bit counts).
bool DibSurface(const BITMAPINFO* info, const void* bits, UINT usage, DeviceContext* dc, Surface* out);

}  // namespace plat
