#pragma once
// Reading device-independent bitmaps that callers hand in as a header, a colour
// table and bits.
#include <cstddef>

#include "platform/gdi/Gdi.h"
#include "platform/gdi/Surface.h"

namespace plat {

class DeviceContext;

// Header sizes and colour masks, one rule for every reader of DIBs. A header is
// 12 bytes (core) or 40..124 bytes (the 40-byte layout, possibly extended). The
// three bit-field masks always take the 12 bytes from offset 40: after a
// 40-byte header, inside a header of 52 bytes or more. A header of 41..51 bytes
// holds only part of them, so it is refused with bit fields.
constexpr size_t kDibMaskOffset = 40;
constexpr size_t kDibMaskBytes = 12;

constexpr bool DibHeaderSizeValid(DWORD header_size, DWORD compression) {
  if (header_size == sizeof(BITMAPCOREHEADER)) return true;
  if (header_size < sizeof(BITMAPINFOHEADER) || header_size > 124) return false;
  return compression != BI_BITFIELDS || header_size == sizeof(BITMAPINFOHEADER) ||
         header_size >= kDibMaskOffset + kDibMaskBytes;
}

// The mask bytes that follow the header (and come before the colour table).
constexpr size_t DibMaskBytesAfterHeader(DWORD header_size, DWORD compression) {
  return compression == BI_BITFIELDS && header_size == sizeof(BITMAPINFOHEADER) ? kDibMaskBytes : 0;
}

// Bytes of the header and the colour table (where the bits of a packed DIB
// start); 0 when the header is not one the layer accepts.
size_t DibHeaderBytes(const BITMAPINFO* info, UINT usage);

// Describes the DIB as a read-only surface (bits may be null for a header-only
// look). DIB_PAL_COLORS tables index the DC's selected palette. Returns false
// for headers the layer does not accept (compressed, bad sizes or bit counts).
bool DibSurface(const BITMAPINFO* info, const void* bits, UINT usage, DeviceContext* dc, Surface* out);

}  // namespace plat
