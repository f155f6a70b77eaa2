#include "platform/backend/KeyMap.h"

#include <SDL.h>

namespace plat::backend {

namespace {

struct KeyEntry {
  SDL_Scancode sdl;
  UINT vk;
  UINT scan;
  bool extended;
};

// US positions of the keys: the fallback virtual-key code and the set-1 scan code.
constexpr KeyEntry kKeys[] = {
    {SDL_SCANCODE_ESCAPE, vk::ESCAPE, 0x01, false},
    {SDL_SCANCODE_1, '1', 0x02, false},
    {SDL_SCANCODE_2, '2', 0x03, false},
    {SDL_SCANCODE_3, '3', 0x04, false},
    {SDL_SCANCODE_4, '4', 0x05, false},
    {SDL_SCANCODE_5, '5', 0x06, false},
    {SDL_SCANCODE_6, '6', 0x07, false},
    {SDL_SCANCODE_7, '7', 0x08, false},
    {SDL_SCANCODE_8, '8', 0x09, false},
    {SDL_SCANCODE_9, '9', 0x0A, false},
    {SDL_SCANCODE_0, '0', 0x0B, false},
    {SDL_SCANCODE_MINUS, vk::OEM_MINUS, 0x0C, false},
    {SDL_SCANCODE_EQUALS, vk::OEM_PLUS, 0x0D, false},
    {SDL_SCANCODE_BACKSPACE, vk::BACK, 0x0E, false},
    {SDL_SCANCODE_TAB, vk::TAB, 0x0F, false},
    {SDL_SCANCODE_Q, 'Q', 0x10, false},
    {SDL_SCANCODE_W, 'W', 0x11, false},
    {SDL_SCANCODE_E, 'E', 0x12, false},
    {SDL_SCANCODE_R, 'R', 0x13, false},
    {SDL_SCANCODE_T, 'T', 0x14, false},
    {SDL_SCANCODE_Y, 'Y', 0x15, false},
    {SDL_SCANCODE_U, 'U', 0x16, false},
    {SDL_SCANCODE_I, 'I', 0x17, false},
    {SDL_SCANCODE_O, 'O', 0x18, false},
    {SDL_SCANCODE_P, 'P', 0x19, false},
    {SDL_SCANCODE_LEFTBRACKET, vk::OEM_4, 0x1A, false},
    {SDL_SCANCODE_RIGHTBRACKET, vk::OEM_6, 0x1B, false},
    {SDL_SCANCODE_RETURN, vk::RETURN, 0x1C, false},
    {SDL_SCANCODE_LCTRL, vk::CONTROL, 0x1D, false},
    {SDL_SCANCODE_A, 'A', 0x1E, false},
    {SDL_SCANCODE_S, 'S', 0x1F, false},
    {SDL_SCANCODE_D, 'D', 0x20, false},
    {SDL_SCANCODE_F, 'F', 0x21, false},
    {SDL_SCANCODE_G, 'G', 0x22, false},
    {SDL_SCANCODE_H, 'H', 0x23, false},
    {SDL_SCANCODE_J, 'J', 0x24, false},
    {SDL_SCANCODE_K, 'K', 0x25, false},
    {SDL_SCANCODE_L, 'L', 0x26, false},
    {SDL_SCANCODE_SEMICOLON, vk::OEM_1, 0x27, false},
    {SDL_SCANCODE_APOSTROPHE, vk::OEM_7, 0x28, false},
    {SDL_SCANCODE_GRAVE, vk::OEM_3, 0x29, false},
    {SDL_SCANCODE_LSHIFT, vk::SHIFT, 0x2A, false},
    {SDL_SCANCODE_BACKSLASH, vk::OEM_5, 0x2B, false},
    {SDL_SCANCODE_NONUSHASH, vk::OEM_5, 0x2B, false},
    {SDL_SCANCODE_Z, 'Z', 0x2C, false},
    {SDL_SCANCODE_X, 'X', 0x2D, false},
    {SDL_SCANCODE_C, 'C', 0x2E, false},
    {SDL_SCANCODE_V, 'V', 0x2F, false},
    {SDL_SCANCODE_B, 'B', 0x30, false},
    {SDL_SCANCODE_N, 'N', 0x31, false},
    {SDL_SCANCODE_M, 'M', 0x32, false},
    {SDL_SCANCODE_COMMA, vk::OEM_COMMA, 0x33, false},
    {SDL_SCANCODE_PERIOD, vk::OEM_PERIOD, 0x34, false},
    {SDL_SCANCODE_SLASH, vk::OEM_2, 0x35, false},
    {SDL_SCANCODE_RSHIFT, vk::SHIFT, 0x36, false},
    {SDL_SCANCODE_KP_MULTIPLY, vk::MULTIPLY, 0x37, false},
    {SDL_SCANCODE_LALT, vk::MENU, 0x38, false},
    {SDL_SCANCODE_SPACE, vk::SPACE, 0x39, false},
    {SDL_SCANCODE_CAPSLOCK, vk::CAPITAL, 0x3A, false},
    {SDL_SCANCODE_F1, vk::F1 + 0, 0x3B, false},
    {SDL_SCANCODE_F2, vk::F1 + 1, 0x3C, false},
    {SDL_SCANCODE_F3, vk::F1 + 2, 0x3D, false},
    {SDL_SCANCODE_F4, vk::F1 + 3, 0x3E, false},
    {SDL_SCANCODE_F5, vk::F1 + 4, 0x3F, false},
    {SDL_SCANCODE_F6, vk::F1 + 5, 0x40, false},
    {SDL_SCANCODE_F7, vk::F1 + 6, 0x41, false},
    {SDL_SCANCODE_F8, vk::F1 + 7, 0x42, false},
    {SDL_SCANCODE_F9, vk::F1 + 8, 0x43, false},
    {SDL_SCANCODE_F10, vk::F1 + 9, 0x44, false},
    {SDL_SCANCODE_NUMLOCKCLEAR, vk::NUMLOCK, 0x45, true},
    {SDL_SCANCODE_SCROLLLOCK, vk::SCROLL, 0x46, false},
    {SDL_SCANCODE_KP_7, vk::NUMPAD0 + 7, 0x47, false},
    {SDL_SCANCODE_KP_8, vk::NUMPAD0 + 8, 0x48, false},
    {SDL_SCANCODE_KP_9, vk::NUMPAD0 + 9, 0x49, false},
    {SDL_SCANCODE_KP_MINUS, vk::SUBTRACT, 0x4A, false},
    {SDL_SCANCODE_KP_4, vk::NUMPAD0 + 4, 0x4B, false},
    {SDL_SCANCODE_KP_5, vk::NUMPAD0 + 5, 0x4C, false},
    {SDL_SCANCODE_KP_6, vk::NUMPAD0 + 6, 0x4D, false},
    {SDL_SCANCODE_KP_PLUS, vk::ADD, 0x4E, false},
    {SDL_SCANCODE_KP_1, vk::NUMPAD0 + 1, 0x4F, false},
    {SDL_SCANCODE_KP_2, vk::NUMPAD0 + 2, 0x50, false},
    {SDL_SCANCODE_KP_3, vk::NUMPAD0 + 3, 0x51, false},
    {SDL_SCANCODE_KP_0, vk::NUMPAD0 + 0, 0x52, false},
    {SDL_SCANCODE_KP_PERIOD, vk::DECIMAL, 0x53, false},
    {SDL_SCANCODE_NONUSBACKSLASH, vk::OEM_102, 0x56, false},
    {SDL_SCANCODE_F11, vk::F1 + 10, 0x57, false},
    {SDL_SCANCODE_F12, vk::F1 + 11, 0x58, false},
    {SDL_SCANCODE_PAUSE, vk::PAUSE, 0x45, false},
    {SDL_SCANCODE_KP_ENTER, vk::RETURN, 0x1C, true},
    {SDL_SCANCODE_RCTRL, vk::CONTROL, 0x1D, true},
    {SDL_SCANCODE_KP_DIVIDE, vk::DIVIDE, 0x35, true},
    {SDL_SCANCODE_PRINTSCREEN, vk::SNAPSHOT, 0x37, true},
    {SDL_SCANCODE_RALT, vk::MENU, 0x38, true},
    {SDL_SCANCODE_HOME, vk::HOME, 0x47, true},
    {SDL_SCANCODE_UP, vk::UP, 0x48, true},
    {SDL_SCANCODE_PAGEUP, vk::PRIOR, 0x49, true},
    {SDL_SCANCODE_LEFT, vk::LEFT, 0x4B, true},
    {SDL_SCANCODE_RIGHT, vk::RIGHT, 0x4D, true},
    {SDL_SCANCODE_END, vk::END, 0x4F, true},
    {SDL_SCANCODE_DOWN, vk::DOWN, 0x50, true},
    {SDL_SCANCODE_PAGEDOWN, vk::NEXT, 0x51, true},
    {SDL_SCANCODE_INSERT, vk::INSERT, 0x52, true},
    {SDL_SCANCODE_DELETE, vk::DELETE, 0x53, true},
    {SDL_SCANCODE_LGUI, vk::LWIN, 0x5B, true},
    {SDL_SCANCODE_RGUI, vk::RWIN, 0x5C, true},
    {SDL_SCANCODE_APPLICATION, vk::APPS, 0x5D, true},
};

const KeyEntry* FindScancode(int scancode) {
  for (const KeyEntry& e : kKeys)
    if (e.sdl == scancode) return &e;
  return nullptr;
}

// Keys whose code follows the layout: what the key types decides its code.
UINT VkForLayoutKey(int32_t key) {
  if (key >= 'a' && key <= 'z') return static_cast<UINT>(key - 'a' + 'A');
  if (key >= '0' && key <= '9') return static_cast<UINT>(key);
  switch (key) {
    case ';':
      return vk::OEM_1;
    case '=':
      return vk::OEM_PLUS;
    case '+':
      return vk::OEM_PLUS;
    case ',':
      return vk::OEM_COMMA;
    case '-':
      return vk::OEM_MINUS;
    case '.':
      return vk::OEM_PERIOD;
    case '/':
      return vk::OEM_2;
    case '`':
      return vk::OEM_3;
    case '[':
      return vk::OEM_4;
    case '\\':
      return vk::OEM_5;
    case ']':
      return vk::OEM_6;
    case '\'':
      return vk::OEM_7;
    default:
      return 0;
  }
}

bool IsLayoutKey(const KeyEntry& e) {
  return (e.vk >= '0' && e.vk <= '9') || (e.vk >= 'A' && e.vk <= 'Z') ||
         (e.vk >= vk::OEM_1 && e.vk <= vk::OEM_3) || (e.vk >= vk::OEM_4 && e.vk <= vk::OEM_7) ||
         e.vk == vk::OEM_102;
}

// The keypad without NumLock: the cursor block's codes on the keypad's own
// (not extended) scan codes; 5 becomes VK_CLEAR.
UINT KeypadWithoutNumLock(int scancode) {
  switch (scancode) {
    case SDL_SCANCODE_KP_7:
      return vk::HOME;
    case SDL_SCANCODE_KP_8:
      return vk::UP;
    case SDL_SCANCODE_KP_9:
      return vk::PRIOR;
    case SDL_SCANCODE_KP_4:
      return vk::LEFT;
    case SDL_SCANCODE_KP_5:
      return vk::CLEAR;
    case SDL_SCANCODE_KP_6:
      return vk::RIGHT;
    case SDL_SCANCODE_KP_1:
      return vk::END;
    case SDL_SCANCODE_KP_2:
      return vk::DOWN;
    case SDL_SCANCODE_KP_3:
      return vk::NEXT;
    case SDL_SCANCODE_KP_0:
      return vk::INSERT;
    case SDL_SCANCODE_KP_PERIOD:
      return vk::DELETE;
    default:
      return 0;
  }
}

}  // namespace

KeyCode MapSdlKey(int32_t sdl_key, int sdl_scancode, bool num_lock) {
  KeyCode code;
  const KeyEntry* entry = FindScancode(sdl_scancode);
  if (entry) {
    code = {entry->vk, entry->scan, entry->extended};
    if (!num_lock)
      if (UINT cursor = KeypadWithoutNumLock(sdl_scancode)) code.vk = cursor;
    if (IsLayoutKey(*entry))
      if (UINT by_layout = VkForLayoutKey(sdl_key)) code.vk = by_layout;
    return code;
  }
  // F13 .. F24 and keys outside the table: what the key types, if anything.
  if (sdl_key >= SDLK_F13 && sdl_key <= SDLK_F24)
    code.vk = vk::F1 + 12 + static_cast<UINT>(sdl_key - SDLK_F13);
  else
    code.vk = VkForLayoutKey(sdl_key);
  return code;
}

KeyCode KeyForVk(UINT key) {
  // Messages name the modifier keys without their side; scan code and extended flag tell it.
  switch (key) {
    case 0xA0:
      return {vk::SHIFT, 0x2A, false};
    case 0xA1:
      return {vk::SHIFT, 0x36, false};
    case 0xA2:
      return {vk::CONTROL, 0x1D, false};
    case 0xA3:
      return {vk::CONTROL, 0x1D, true};
    case 0xA4:
      return {vk::MENU, 0x38, false};
    case 0xA5:
      return {vk::MENU, 0x38, true};
    default:
      break;
  }
  for (const KeyEntry& e : kKeys)
    if (e.vk == key) return {e.vk, e.scan, e.extended};
  for (int scancode = SDL_SCANCODE_KP_1; scancode <= SDL_SCANCODE_KP_PERIOD; ++scancode)
    if (KeypadWithoutNumLock(scancode) == key) {
      const KeyEntry* e = FindScancode(scancode);
      return {key, e->scan, false};
    }
  return {key, 0, false};
}

}  // namespace plat::backend
