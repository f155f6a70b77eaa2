#pragma once
// Drawing helpers on device-dependent bitmaps: colour masks, recolouring the
// LED segment bitmaps, transparent drawing, tiling, and text drawn
// horizontally or rotated by 90 degrees for the display scales. Colours are
// the class library's values (system colours allowed), converted to RGB here.
//
// A bitmap handed to these routines must not be selected into another DC:
// they select it into memory DCs of their own.
#include <cstdint>
#include <string>

#include "platform/gdi/Gdi.h"
#include "platform/vcl/Colors.h"

namespace engine {

// 0 x 0 for a handle that is not a bitmap.
void GetBitmapSize(plat::HBITMAP bitmap, int32_t& width, int32_t& height);
// The pixel at p, with p clamped into the bitmap.
vcl::TColor GetBitmapPixel(plat::HBITMAP bitmap, plat::POINT p);
// The bottom-left pixel.
vcl::TColor GetTransparentColor(plat::HBITMAP bitmap);

// A new monochrome bitmap of the same size, white exactly where bitmap has
// color. The caller deletes it.
plat::HBITMAP CreateColorMask(plat::HBITMAP bitmap, vcl::TColor color);
// Draws mask stretched over the whole of bitmap with rop: its white pixels in
// color, its black pixels in black.
void DrawColorMask(plat::HBITMAP bitmap, plat::HBITMAP mask, vcl::TColor color, plat::DWORD rop);
// Recolours a segment bitmap in place: white -> led, black -> back, silver ->
// inactive (or back without draw_inactive); any other colour becomes black.
void ColorizeLEDBitmap(plat::HBITMAP bitmap, bool draw_inactive, vcl::TColor led, vcl::TColor inactive,
                       vcl::TColor back);

// Draws src of bitmap at (x, y), leaving the destination unchanged where the
// bitmap has transparent. Holds MMUtilsLock.
void DrawTransparentBitmapRect(plat::HDC dc, plat::HBITMAP bitmap, int x, int y, const plat::RECT& src,
                               vcl::TColor transparent);
void DrawTransparentBitmap(plat::HDC dc, plat::HBITMAP bitmap, int x, int y, vcl::TColor transparent);

// Fills rect with copies of bitmap from its top-left corner, each placed with
// rop; the copies at the right and bottom edges are cut. Holds MMUtilsLock.
void TileBitmap(plat::HDC dc, plat::HBITMAP bitmap, const plat::RECT& rect, plat::DWORD rop);

// Draws text in a font made for the call (face, height, 90 degrees for
// orientation 2), with the DC's colours: 0 left-aligned and vertically centred
// on y, 1 ending at x, 2 running upward from y + width and centred on x, other
// values at (x, y).
void DrawRotatedText(plat::HDC dc, int x, int y, const std::string& text, const std::string& font_name,
                     int height, int orientation);

}  // namespace engine
