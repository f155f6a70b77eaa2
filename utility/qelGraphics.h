#pragma once
// The utility library's colour names, the pixel under the mouse and
// decorated text drawing.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/vcl/Colors.h"
#include "platform/vcl/Graphics.h"

namespace utility {

// The library's own colour names, then the class library's standard ones.
bool IdentToColorEx(std::string_view ident, int64_t& color);
bool ColorToIdentEx(int64_t color, std::string& ident);
// Makes the library's names known to colour properties of stored descriptions.
void RegisterColorNames();

// The colour under the mouse as this program's windows show it; clNone over
// no window of the program.
vcl::TColor PixelUnderCursor();

// Disabled text is drawn embossed: highlight one pixel right and down, then
// shadow in place. The rectangle stays where it was; with DT_CALCRECT it
// comes back measured, as from DrawText.
void DrawTextEnabled(vcl::TCanvas& canvas, const std::string& text, vcl::TRect& rect, vcl::TColor color,
                     bool enabled, plat::UINT format);
// Moves the rectangle by (dx, dy) and draws there; nothing for (0, 0).
void DrawTextShifted(vcl::TCanvas& canvas, const std::string& text, vcl::TRect& rect, vcl::TColor color,
                     int dx, int dy, plat::UINT format);
// The text drawn at the offsets of DrawTextBorderOffsets around the rectangle.
void DrawTextBorder(vcl::TCanvas& canvas, const std::string& text, const vcl::TRect& rect, vcl::TColor color,
                    int size_x, int size_y, plat::UINT format);
// Where DrawTextBorder draws, in drawing order.
std::vector<vcl::TPoint> DrawTextBorderOffsets(int size_x, int size_y);

}  // namespace utility
