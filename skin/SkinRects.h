#pragma once
// Small measures the skinned controls share: a rectangle's extent, an
// element's margins as a rectangle and a window's style bits.
#include "platform/user/Window.h"
#include "platform/vcl/Graphics.h"
#include "skin/WinSkinData.h"

namespace skin {

inline int Width(const vcl::TRect& r) { return r.right - r.left; }
inline int Height(const vcl::TRect& r) { return r.bottom - r.top; }

// The element's left, top, right and bottom margins in a rectangle's fields.
inline vcl::TRect Margins(const TDataSkinObject& e) {
  return vcl::TRect{e.LeftWidth, e.TopHeight, e.RightWidth, e.BottomHeight};
}

inline plat::DWORD StyleOf(plat::HWND window) {
  return static_cast<plat::DWORD>(plat::GetWindowLongA(window, plat::GWL_STYLE));
}

}  // namespace skin
