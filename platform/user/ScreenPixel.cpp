#include "platform/user/ScreenPixel.h"

#include "platform/user/Geometry.h"
#include "platform/user/Paint.h"

namespace plat {

COLORREF GetScreenPixel(int x, int y) {
  HWND hwnd = WindowFromPoint(POINT{x, y});
  if (!hwnd) return CLR_INVALID;
  // Children paint into their top-level window's surface.
  HWND top = GetAncestor(hwnd, GA_ROOT);
  if (!top) top = hwnd;
  RECT frame{};
  if (!GetWindowRect(top, &frame)) return CLR_INVALID;
  HDC dc = GetWindowDC(top);
  if (!dc) return CLR_INVALID;
  COLORREF color = GetPixel(dc, x - frame.left, y - frame.top);
  ReleaseDC(top, dc);
  return color;
}

}  // namespace plat
