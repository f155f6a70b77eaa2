#pragma once
// The drawing primitives every skinned surface is painted with. An element
// bitmap holds `frames` equal state images side by side (or stacked), frame 1
// first; margins (left, top, right, bottom) are edge sizes copied unscaled
// while the rest stretches or tiles. Element data comes from skin files, so
// nothing here trusts it: a frame count below 1 counts as 1, a frame number
// is kept within 1..frames, negative margins count as 0 and margins that
// meet or pass the frame's size are dropped (the whole frame scales), and a
// rectangle of no width or height draws nothing. Pixels of the key colour
// 0xFF00FF are transparent. Main thread only.
#include <memory>

#include "platform/gdi/Gdi.h"
#include "platform/vcl/Colors.h"
#include "platform/vcl/Graphics.h"

namespace vcl {
class TBitmap;
class TControl;
}  // namespace vcl

namespace skin {

inline constexpr vcl::TColor kSkinKeyColour = 0xFF00FF;

// Frame `frame` nine-part scaled to the target's size: corners unscaled,
// edges stretched along their length, the centre stretched or tiled. Null
// when the target is empty or the element has no pixels for a frame.
std::unique_ptr<vcl::TBitmap> SkinRenderImage(const vcl::TRect& target, vcl::TBitmap* element,
                                              const vcl::TRect& margins, bool stacked, bool tile, int frames,
                                              int frame);
// SkinRenderImage drawn at `rect`, opaque or leaving key pixels untouched.
void SkinDrawElement(plat::HDC dc, const vcl::TRect& rect, vcl::TBitmap* element, bool stacked, bool tile,
                     bool transparent, int frames, int frame, const vcl::TRect& margins);
// A horizontal band: the left and right margins as caps stretched to the
// height, the columns between repeated across. Caps that leave no column
// between them give one stretched frame instead.
void SkinDrawBand(vcl::TCanvas* canvas, const vcl::TRect& rect, vcl::TBitmap* element, bool stacked,
                  bool transparent, int frames, int frame, const vcl::TRect& margins);
// A horizontal band with the middle stretched, drawn opaque; narrower than
// the frame (or without a middle) it is the whole frame stretched.
void SkinStretchBand(plat::HDC dc, const vcl::TRect& rect, vcl::TBitmap* element, bool stacked, int frames,
                     int frame, const vcl::TRect& margins);
// A side-by-side frame stretched to the rectangle.
void SkinDrawFrame(plat::HDC dc, const vcl::TRect& rect, vcl::TBitmap* element, bool transparent, int frames,
                   int frame);
// A side-by-side frame at its own size, centred on the rectangle (a larger
// frame overhangs it on every side).
void SkinDrawCentredFrame(plat::HDC dc, const vcl::TRect& rect, vcl::TBitmap* element, bool transparent,
                          int frames, int frame);
// Repeats `source` of `bitmap` over `target` at natural size from its
// top-left; the last row and column of tiles may reach past the target.
void SkinTilePart(vcl::TCanvas* canvas, const vcl::TRect& target, vcl::TBitmap* bitmap,
                  const vcl::TRect& source);
// Draws `bitmap` at the rectangle's origin over the part both share,
// leaving the destination where the bitmap has `key`.
void SkinDrawTransparent(plat::HDC dc, const vcl::TRect& rect, vcl::TBitmap* bitmap, vcl::TColor key);
// The region of every pixel outside the key range (each channel from its
// key value up to key + tolerance), moved by (dx, dy). The caller owns it;
// null for a missing or empty bitmap. The bitmap is not changed.
plat::HRGN SkinRegionFromMask(vcl::TBitmap* bitmap, int dx, int dy, int blue_tolerance, int green_tolerance,
                              int red_tolerance, vcl::TColor key);
// Lets the control's parent erase and paint itself into `dc` behind the
// control (the DC is the control's, origin at its top-left). A paint that
// comes back here for the same control is not repeated.
void SkinPaintParentBackground(vcl::TControl* control, plat::HDC dc);

// One composing bitmap shared by the menu bar, the status bars and the frame
// painter, sized to w x h and ready to stretch into. It is made on
// first use and freed at shut-down; whoever composes in it finishes before
// anything that could dispatch a message, as another painter may reuse it.
vcl::TBitmap* SkinWorkBitmap(int width, int height);
void FreeSkinWorkBitmap();

}  // namespace skin
