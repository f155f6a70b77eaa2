#pragma once
// Message numbers of the window core and the ranges the queue needs. Units
// that give other messages their meaning (painting, input, controls) define
// those next to their code.
#include "platform/kernel/ThreadQueue.h"
#include "platform/kernel/Types.h"

namespace plat {

constexpr UINT WM_CREATE = 0x0001;
constexpr UINT WM_DESTROY = 0x0002;
constexpr UINT WM_SETTEXT = 0x000C;
constexpr UINT WM_GETTEXT = 0x000D;
constexpr UINT WM_GETTEXTLENGTH = 0x000E;
constexpr UINT WM_PAINT = 0x000F;
constexpr UINT WM_CLOSE = 0x0010;
constexpr UINT WM_SYSCOLORCHANGE = 0x0015;
constexpr UINT WM_SETTINGCHANGE = 0x001A;
constexpr UINT WM_NCCREATE = 0x0081;
constexpr UINT WM_NCDESTROY = 0x0082;
constexpr UINT WM_KEYFIRST = 0x0100;
constexpr UINT WM_KEYDOWN = 0x0100;
constexpr UINT WM_KEYUP = 0x0101;
constexpr UINT WM_CHAR = 0x0102;
constexpr UINT WM_SYSKEYDOWN = 0x0104;
constexpr UINT WM_SYSKEYUP = 0x0105;
constexpr UINT WM_KEYLAST = 0x0109;
constexpr UINT WM_MOUSEFIRST = 0x0200;
constexpr UINT WM_MOUSELAST = 0x020E;
constexpr UINT WM_APP = 0x8000;

}  // namespace plat
