#pragma once
// Image and colour routines the skin engine prepares its bitmaps and derived
// colours with. Bitmaps are worked on as 24-bit DIBs (blue, green, red a
// pixel): every routine that reads or writes pixels converts its bitmap to
// 24 bits first, so indexed or 32-bit members come out converted, never
// overrun. Colours are 0x00BBGGRR; a negative colour is a system colour.
// Main thread only: the gradient cache is this unit's state.
#include <vector>

#include "platform/gdi/Gdi.h"
#include "platform/vcl/Colors.h"
#include "platform/vcl/Graphics.h"

namespace vcl {
class TBitmap;
}

namespace skin {

using vcl::TColor;

// Every pixel becomes grey: (R + G + B) div 3.
void GrayscaleBitmap(vcl::TBitmap& bitmap);
// Exact 0xFF00FF pixels take `colour`; a near-key pixel keeps its value.
void ReplaceKeyColour(vcl::TBitmap& bitmap, TColor colour);
void MirrorBitmap(vcl::TBitmap& bitmap);  // left-right
void FlipBitmap(vcl::TBitmap& bitmap);    // top-bottom
// A quarter turn; width and height swap.
void RotateBitmapLeft(vcl::TBitmap& bitmap);
void RotateBitmapRight(vcl::TBitmap& bitmap);

// Amounts below 100 are percent of colour1, larger ones tenths of a percent
// (150 is 15 %). Channels are kept within 0..255 whatever the amount.
TColor BlendColours(TColor colour1, TColor colour2, int amount);
// 200 for a dark colour (every channel below 160), else the spread of its
// channels over the brightest one on a 0..255 scale.
int ColourSaturation(TColor colour);

// Gradient cache: 16 slots overwritten in turn. A slot is found by the count
// and end colours it was asked for (its computed last entry may differ from
// colour2 by rounding). A count below 1 builds nothing and gives -1.
inline constexpr int kGradientSlots = 16;
int FindGradient(int count, TColor colour1, TColor colour2);
int BuildGradient(int count, TColor colour1, TColor colour2);
int GetGradient(int count, TColor colour1, TColor colour2);
// The entries of a slot (0x00BBGGRR); valid until 16 further builds.
const std::vector<TColor>& GradientEntries(int slot);
// Empties the cache and restarts the ring (unit shut-down, tests).
void ClearGradientCache();

// Fills `rect` from colour1 to colour2, top to bottom when `vertical`, else
// left to right, painting only the one-pixel bands inside the clip box.
void GradientFill(plat::HDC dc, const vcl::TRect& rect, TColor colour1, bool vertical, TColor colour2);

}  // namespace skin
