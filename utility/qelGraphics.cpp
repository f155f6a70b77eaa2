#include "utility/qelGraphics.h"

#include "platform/gdi/Text.h"
#include "platform/user/Cursor.h"
#include "platform/user/ScreenPixel.h"
#include "platform/vcl/TypInfo.h"

namespace utility {

namespace {
constexpr int64_t Rgb(int r, int g, int b) { return r | (g << 8) | (b << 16); }

const vcl::TIdentMap& LibraryColors() {
  static const vcl::TIdentMap map{
      {Rgb(144, 48, 0), "clBrown"},
      {Rgb(48, 48, 0), "clOliveGreen"},
      {Rgb(0, 48, 0), "clDarkGreen"},
      {Rgb(0, 48, 96), "clDarkTeal"},
      {Rgb(48, 48, 144), "clIndigo"},
      {Rgb(48, 48, 48), "clNight"},
      {Rgb(255, 104, 0), "clOrange"},
      {Rgb(96, 96, 144), "clBlueGray"},
      {Rgb(255, 152, 0), "clLightOrange"},
      {Rgb(48, 152, 96), "clSeaGreen"},
      {Rgb(48, 104, 255), "clLightBlue"},
      {Rgb(144, 144, 144), "clMetal"},
      {Rgb(255, 200, 0), "clGold"},
      {Rgb(144, 48, 96), "clPlum"},
      {Rgb(255, 152, 208), "clRose"},
      {Rgb(255, 200, 160), "clTan"},
      {Rgb(255, 255, 144), "clLightYellow"},
      {Rgb(208, 255, 208), "clLightGreen"},
      {Rgb(192, 255, 255), "clLightTurquoise"},
      {Rgb(144, 200, 255), "clPaleBlue"},
      {Rgb(192, 152, 255), "clLavender"},
  };
  return map;
}

// With DT_CALCRECT the rectangle comes back measured.
void DrawAt(vcl::TCanvas& canvas, const std::string& text, vcl::TRect& rect, plat::UINT format) {
  canvas.RequiredState({vcl::csHandleValid, vcl::csFontValid});
  plat::DrawTextA(canvas.Handle(), text.c_str(), static_cast<int>(text.size()), &rect, format);
}

vcl::TRect Moved(const vcl::TRect& rect, int dx, int dy) {
  return vcl::TRect{rect.left + dx, rect.top + dy, rect.right + dx, rect.bottom + dy};
}
}  // namespace

bool IdentToColorEx(std::string_view ident, int64_t& color) {
  return LibraryColors().IdentToInt(ident, color) || vcl::published::ColorIdents().IdentToInt(ident, color);
}

bool ColorToIdentEx(int64_t color, std::string& ident) {
  return LibraryColors().IntToIdent(color, ident) || vcl::published::ColorIdents().IntToIdent(color, ident);
}

void RegisterColorNames() { vcl::published::RegisterColorIdents(LibraryColors()); }

vcl::TColor PixelUnderCursor() {
  plat::POINT at{};
  if (!plat::GetCursorPos(&at)) return vcl::clNone;
  plat::COLORREF color = plat::GetScreenPixel(at.x, at.y);
  return color == plat::CLR_INVALID ? vcl::clNone : static_cast<vcl::TColor>(color);
}

void DrawTextEnabled(vcl::TCanvas& canvas, const std::string& text, vcl::TRect& rect, vcl::TColor color,
                     bool enabled, plat::UINT format) {
  if (enabled) {
    canvas.Font()->SetColor(color);
    DrawAt(canvas, text, rect, format);
    return;
  }
  canvas.Font()->SetColor(vcl::clBtnHighlight);
  vcl::TRect shifted = Moved(rect, 1, 1);
  DrawAt(canvas, text, shifted, format);
  canvas.Font()->SetColor(vcl::clBtnShadow);
  DrawAt(canvas, text, rect, format);
}

void DrawTextShifted(vcl::TCanvas& canvas, const std::string& text, vcl::TRect& rect, vcl::TColor color,
                     int dx, int dy, plat::UINT format) {
  if (dx == 0 && dy == 0) return;
  rect = Moved(rect, dx, dy);
  canvas.Font()->SetColor(color);
  DrawAt(canvas, text, rect, format);
}

std::vector<vcl::TPoint> DrawTextBorderOffsets(int size_x, int size_y) {
  std::vector<vcl::TPoint> offsets;
  if (size_x != 0)
    for (int x = -size_x; x <= size_x; ++x)
      if (x != 0) {
        offsets.push_back({x, -size_y});
        offsets.push_back({x, size_y});
      }
  int k = size_x != 0 ? 1 : 0;
  if (size_y != 0)
    for (int y = -size_y + k; y <= size_y - k; ++y)
      if (y != 0) {
        offsets.push_back({-size_x, y});
        offsets.push_back({size_x, y});
      }
  return offsets;
}

void DrawTextBorder(vcl::TCanvas& canvas, const std::string& text, const vcl::TRect& rect, vcl::TColor color,
                    int size_x, int size_y, plat::UINT format) {
  canvas.Font()->SetColor(color);
  for (const vcl::TPoint& offset : DrawTextBorderOffsets(size_x, size_y)) {
    vcl::TRect place = Moved(rect, offset.x, offset.y);
    DrawAt(canvas, text, place, format);
  }
}

}  // namespace utility
