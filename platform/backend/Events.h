#pragma once
// Input and window events as the backends deliver them to the window system.
#include <string>

#include "platform/kernel/Types.h"

namespace plat::backend {

// Held mouse buttons and modifier keys, in the bit values of a mouse message's wParam.
constexpr UINT kMkLButton = 0x0001;
constexpr UINT kMkRButton = 0x0002;
constexpr UINT kMkShift = 0x0004;
constexpr UINT kMkControl = 0x0008;
constexpr UINT kMkMButton = 0x0010;
constexpr UINT kMkXButton1 = 0x0020;
constexpr UINT kMkXButton2 = 0x0040;

enum class MouseButton { None, Left, Right, Middle, X1, X2 };

enum class EventType {
  MouseMove,
  MouseDown,
  MouseUp,
  MouseWheel,
  MouseLeave,  // the pointer left the window for another or for the desktop; not while captured
  KeyDown,
  KeyUp,
  Text,
  FocusGained,
  FocusLost,
  CloseRequested,
  Moved,    // by the window manager; `rect` is the new window rectangle
  Resized,  // by the window manager; the surface already has the new size
  Minimized,
  Maximized,
  Restored,
  Exposed,  // the backend has re-shown the surface; the layer may repaint
};

struct Event {
  EventType type = EventType::MouseMove;
  HWND window = nullptr;  // the top-level window the event is for

  // Mouse: `point` relative to the window's top-left corner, `screen` on the screen.
  POINT point;
  POINT screen;
  MouseButton button = MouseButton::None;
  UINT keys = 0;        // kMk* flags held after the event
  bool alt = false;     // Alt held (mouse and keys)
  int wheel_delta = 0;  // multiples of 120 per notch; positive away from the user or to the right
  bool horizontal = false;

  // Keys: the classic virtual-key code (VK_SHIFT, not the left/right variants),
  // the set-1 scan code and its extended flag.
  UINT vk = 0;
  UINT scan = 0;
  bool extended = false;
  bool repeat = false;  // the key was already down

  std::string text;  // Text: UTF-8

  RECT rect;  // Moved, Resized, Maximized, Restored: the window rectangle
};

}  // namespace plat::backend
