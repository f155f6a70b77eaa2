#pragma once
// Key codes: SDL's key and scan codes to the classic virtual-key codes and
// set-1 scan codes that keyboard messages carry.
#include <cstdint>

#include "platform/kernel/Types.h"

namespace plat::backend {

namespace vk {
constexpr UINT BACK = 0x08, TAB = 0x09, CLEAR = 0x0C, RETURN = 0x0D, SHIFT = 0x10, CONTROL = 0x11,
               MENU = 0x12, PAUSE = 0x13, CAPITAL = 0x14, ESCAPE = 0x1B, SPACE = 0x20, PRIOR = 0x21,
               NEXT = 0x22, END = 0x23, HOME = 0x24, LEFT = 0x25, UP = 0x26, RIGHT = 0x27, DOWN = 0x28,
               SNAPSHOT = 0x2C, INSERT = 0x2D, DELETE = 0x2E, LWIN = 0x5B, RWIN = 0x5C, APPS = 0x5D,
               NUMPAD0 = 0x60, MULTIPLY = 0x6A, ADD = 0x6B, SUBTRACT = 0x6D, DECIMAL = 0x6E, DIVIDE = 0x6F,
               F1 = 0x70, NUMLOCK = 0x90, SCROLL = 0x91, OEM_1 = 0xBA, OEM_PLUS = 0xBB, OEM_COMMA = 0xBC,
               OEM_MINUS = 0xBD, OEM_PERIOD = 0xBE, OEM_2 = 0xBF, OEM_3 = 0xC0, OEM_4 = 0xDB, OEM_5 = 0xDC,
               OEM_6 = 0xDD, OEM_7 = 0xDE, OEM_102 = 0xE2;
}  // namespace vk

struct KeyCode {
  UINT vk = 0;  // 0: a key the layer does not know
  UINT scan = 0;
  bool extended = false;
};

// `sdl_key` is an SDL_Keycode, `sdl_scancode` an SDL_Scancode. Letters, digits
// and punctuation follow the keyboard layout; with NumLock off the keypad
// gives the cursor keys, as on the classic system.
KeyCode MapSdlKey(int32_t sdl_key, int sdl_scancode, bool num_lock);

// The scan code and extended flag of the usual key for a virtual-key code, for
// input that names only the key.
KeyCode KeyForVk(UINT vk);

}  // namespace plat::backend
