#include "platform/gdi/Colors.h"

#include "platform/gdi/GdiObjects.h"

namespace plat {

namespace {

// The classic grey scheme.
constexpr COLORREF kSysColors[COLOR_MAX + 1] = {
    RGB(192, 192, 192),  // scroll bar
    RGB(0, 128, 128),    // desktop
    RGB(0, 0, 128),      // active caption
    RGB(128, 128, 128),  // inactive caption
    RGB(192, 192, 192),  // menu
    RGB(255, 255, 255),  // window
    RGB(0, 0, 0),        // window frame
    RGB(0, 0, 0),        // menu text
    RGB(0, 0, 0),        // window text
    RGB(255, 255, 255),  // caption text
    RGB(192, 192, 192),  // active border
    RGB(192, 192, 192),  // inactive border
    RGB(128, 128, 128),  // application workspace
    RGB(0, 0, 128),      // highlight
    RGB(255, 255, 255),  // highlight text
    RGB(192, 192, 192),  // button face
    RGB(128, 128, 128),  // button shadow
    RGB(128, 128, 128),  // grey text
    RGB(0, 0, 0),        // button text
    RGB(192, 192, 192),  // inactive caption text
    RGB(255, 255, 255),  // button highlight
    RGB(0, 0, 0),        // 3-D dark shadow
    RGB(223, 223, 223),  // 3-D light
    RGB(0, 0, 0),        // tooltip text
    RGB(255, 255, 225),  // tooltip background
    RGB(180, 180, 180),  // unused slot
    RGB(0, 0, 255),      // hot-tracked item
    RGB(16, 132, 208),   // active caption gradient
    RGB(181, 181, 181),  // inactive caption gradient
    RGB(0, 0, 128),      // menu highlight
    RGB(192, 192, 192),  // menu bar
};

}  // namespace

DWORD GetSysColor(int index) {
  if (index < 0 || index > COLOR_MAX) return 0;
  return kSysColors[index];
}

HBRUSH GetSysColorBrush(int index) {
  if (index < 0 || index > COLOR_MAX) return nullptr;
  // One stock-like brush per colour, made on first use; deleting it does nothing.
  static HBRUSH brushes[COLOR_MAX + 1] = {};
  GdiLock lock;
  if (brushes[index] == nullptr) {
    auto brush = std::make_shared<BrushObject>();
    brush->brush = LOGBRUSH{BS_SOLID, kSysColors[index], 0};
    brush->stock = true;
    brushes[index] = static_cast<HBRUSH>(RegisterGdiObject(brush));
  }
  return brushes[index];
}

COLORREF ColorToRGB(int32_t color) {
  if (color < 0) return GetSysColor(color & 0xFF);
  return static_cast<COLORREF>(color) & 0x00FFFFFFu;
}

}  // namespace plat
