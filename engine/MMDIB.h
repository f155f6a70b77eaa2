#pragma once
// Device-independent bitmaps held as one memory block: the header (40 bytes,
// or the older 12-byte core header), the colour table, then the pixel rows.
// Header queries, the colour table and pixel addresses, the library's own DIB
// layout, palettes for palette displays and stretched output to a DC.
//
// DIBs also arrive from outside (files, clipboard data), so every routine that
// reads one first checks its header and returns 0 / null for one it cannot
// read safely. The pointer-only forms trust that the block holds what the
// header describes; the forms that take the block's size check that too.
#include <cstddef>
#include <cstdint>

#include "platform/gdi/Gdi.h"

namespace engine {

// True when the header size is 40.
bool IsWin3DIB(const void* dib);
// Bytes of one row for a row width in bits, padded to whole DWORDs; 0 for bits <= 0.
int32_t DIBRowBytes(int32_t bits);
// As stored; the height is negative for top-down rows. 0 for an unreadable header.
int32_t DIBWidth(const void* dib);
int32_t DIBHeight(const void* dib);
int32_t DIBBitCount(const void* dib);
// biClrUsed when it is not 0, else 2^bits up to 8 bits, else 0.
uint32_t DIBNumColors(const void* dib);
// The whole block: header, colour table (and colour masks) and pixels. When
// biSizeImage is 0 the pixel bytes are counted from the rows. 0 when the header
// is not one DIBHeaderValid accepts.
size_t DIBSize(const void* dib);
// header + header size, where the colour table (or the colour masks) begins.
// A core header's table holds 3-byte RGBTRIPLE entries.
const plat::RGBQUAD* DIBColorTable(const void* dib);
plat::RGBQUAD* DIBColorTable(void* dib);
// Where the pixels begin: past the colour masks and the colour table.
const uint8_t* DIBBits(const void* dib);
uint8_t* DIBBits(void* dib);

// The header describes a DIB the layer can draw: header size 12 or 40..124,
// 1/4/8/16/24/32 bits (core: 1/4/8/24), uncompressed or colour masks at 16/32
// bits (masks at offset 40, so a header of 41..51 bytes cannot have them; see
// plat::DibHeaderSizeValid), no more colours than the bit count allows, positive width, non-zero
// height and an image of at most 1 GiB. The caller guarantees the header's own
// bytes are readable (at least the 4 size bytes, then the size they give).
bool DIBHeaderValid(const void* dib);
// The same for a block of `size` bytes from outside: the header fits in the
// block, is valid, and the table and pixels it describes fit too.
bool DIBCheck(const void* dib, size_t size);

// A new zero-filled library DIB from GlobalAllocZeroed, freed with
// GlobalFreeAndNil. Width and height at least 1; bits above 8 other than 24
// become 24. 40-byte header, room for 256 colour entries, then (with_bits) the
// image; the first biClrUsed entries hold the 16 standard colours repeated.
// direction is +1 for bottom-up rows, -1 for top-down rows.
plat::BITMAPINFO* CreateDIBHeader(int32_t bits, int32_t direction, int32_t width, int32_t height,
                                  bool with_bits);

// A new 256-entry logical palette from GlobalAllocZeroed (freed with
// GlobalFreeAndNil) holding the 20 static colours, the others black. They are
// read from the system palette on a palette display of at most 256 colours
// (judged by `reference`, the screen when null), else the fixed values.
plat::LOGPALETTE* CreateSystemLogPalette(plat::HDC reference = nullptr);

// A palette for the DIB, or 0: its colour table; a 16-colour DIB on a palette
// display takes the system palette's first and last 8 entries instead; a
// 24-bit DIB without a table gets a 3-3-2 colour cube.
plat::HPALETTE CreateDIBPalette(const void* dib, plat::HDC reference = nullptr);
plat::HPALETTE CreateDIBPalette(const void* dib, size_t size, plat::HDC reference = nullptr);

// Draws the whole DIB stretched into rect with its own colours, realising its
// palette in the foreground while it draws. False for a DIB it refuses.
bool StretchDrawDIB(const void* dib, plat::HDC dc, const plat::RECT& rect);
bool StretchDrawDIB(const void* dib, size_t size, plat::HDC dc, const plat::RECT& rect);

}  // namespace engine
