#pragma once
// Icons in the panel's notification area, as StatusNotifierItems on the
// session bus, and balloons as desktop notifications. Each icon owns a bus
// name and a bus thread; what the panel or the notification server does
// arrives as the icon's callback message, posted to its window:
// Activate as a left button press and release, ContextMenu as the right
// button, SecondaryActivate as the middle one; a balloon's show, time-out
// and click as NIN_BALLOON*. When the panel's watcher comes back, the
// window gets the registered "TaskbarCreated" message.
#include <cstdint>

#include "platform/kernel/Types.h"

namespace plat {

constexpr DWORD NIM_ADD = 0;
constexpr DWORD NIM_MODIFY = 1;
constexpr DWORD NIM_DELETE = 2;

constexpr UINT NIF_MESSAGE = 0x01;
constexpr UINT NIF_ICON = 0x02;
constexpr UINT NIF_TIP = 0x04;
constexpr UINT NIF_INFO = 0x10;

constexpr DWORD NIIF_NONE = 0;
constexpr DWORD NIIF_INFO = 1;
constexpr DWORD NIIF_WARNING = 2;
constexpr DWORD NIIF_ERROR = 3;

constexpr UINT NIN_BALLOONSHOW = 0x402;
constexpr UINT NIN_BALLOONTIMEOUT = 0x404;
constexpr UINT NIN_BALLOONUSERCLICK = 0x405;

struct NOTIFYICONDATAA {
  DWORD cbSize = sizeof(NOTIFYICONDATAA);
  HWND hWnd = nullptr;
  UINT uID = 0;
  UINT uFlags = 0;
  UINT uCallbackMessage = 0;
  HICON hIcon = nullptr;
  char szTip[128] = {};
  DWORD dwState = 0;
  DWORD dwStateMask = 0;
  char szInfo[256] = {};
  UINT uTimeout = 0;
  char szInfoTitle[64] = {};
  DWORD dwInfoFlags = 0;
};

// NIM_ADD registers the icon with the panel (again, when it is there
// already); FALSE when no panel watches for icons. NIM_MODIFY changes icon
// and tooltip, or with NIF_INFO shows the balloon. NIM_DELETE takes it away.
BOOL Shell_NotifyIconA(DWORD message, NOTIFYICONDATAA* data);
// Where the panel said its last click on the icon was, in screen pixels.
POINT NotifyIconEventPos(HWND hwnd, UINT id);

}  // namespace plat
