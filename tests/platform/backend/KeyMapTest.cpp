#include <SDL.h>
#include <gtest/gtest.h>

#include "platform/backend/KeyMap.h"

using namespace plat;
using namespace plat::backend;

namespace {

TEST(KeyMap, SdlKeysBecomeClassicCodes) {
  struct Case {
    const char* name;
    int32_t key;
    SDL_Scancode scancode;
    bool num_lock;
    KeyCode expected;
  };
  const Case cases[] = {
      {"letter", SDLK_a, SDL_SCANCODE_A, true, {'A', 0x1E, false}},
      {"letter on a French layout", SDLK_a, SDL_SCANCODE_Q, true, {'A', 0x10, false}},
      {"Cyrillic letter keeps its position", 0x0444, SDL_SCANCODE_A, true, {'A', 0x1E, false}},
      {"digit row typing a symbol", '&', SDL_SCANCODE_1, true, {'1', 0x02, false}},
      {"punctuation", SDLK_SEMICOLON, SDL_SCANCODE_SEMICOLON, true, {vk::OEM_1, 0x27, false}},
      {"left shift", SDLK_LSHIFT, SDL_SCANCODE_LSHIFT, true, {vk::SHIFT, 0x2A, false}},
      {"right shift", SDLK_RSHIFT, SDL_SCANCODE_RSHIFT, true, {vk::SHIFT, 0x36, false}},
      {"right control", SDLK_RCTRL, SDL_SCANCODE_RCTRL, true, {vk::CONTROL, 0x1D, true}},
      {"right alt", SDLK_RALT, SDL_SCANCODE_RALT, true, {vk::MENU, 0x38, true}},
      {"cursor left", SDLK_LEFT, SDL_SCANCODE_LEFT, true, {vk::LEFT, 0x4B, true}},
      {"delete", SDLK_DELETE, SDL_SCANCODE_DELETE, true, {vk::DELETE, 0x53, true}},
      {"keypad enter", SDLK_KP_ENTER, SDL_SCANCODE_KP_ENTER, true, {vk::RETURN, 0x1C, true}},
      {"keypad 1 with NumLock", SDLK_KP_1, SDL_SCANCODE_KP_1, true, {vk::NUMPAD0 + 1, 0x4F, false}},
      {"keypad 1 without NumLock", SDLK_KP_1, SDL_SCANCODE_KP_1, false, {vk::END, 0x4F, false}},
      {"keypad 5 without NumLock", SDLK_KP_5, SDL_SCANCODE_KP_5, false, {vk::CLEAR, 0x4C, false}},
      {"keypad divide", SDLK_KP_DIVIDE, SDL_SCANCODE_KP_DIVIDE, false, {vk::DIVIDE, 0x35, true}},
      {"F12", SDLK_F12, SDL_SCANCODE_F12, true, {vk::F1 + 11, 0x58, false}},
      {"F13 has no scan code here", SDLK_F13, SDL_SCANCODE_F13, true, {vk::F1 + 12, 0, false}},
      {"unknown key", SDLK_AUDIOPLAY, SDL_SCANCODE_AUDIOPLAY, true, {0, 0, false}},
  };
  for (const Case& k : cases) {
    const KeyCode code = MapSdlKey(k.key, k.scancode, k.num_lock);
    EXPECT_EQ(code.vk, k.expected.vk) << k.name;
    EXPECT_EQ(code.scan, k.expected.scan) << k.name;
    EXPECT_EQ(code.extended, k.expected.extended) << k.name;
  }
}

TEST(KeyMap, VirtualKeysNameTheirUsualKey) {
  struct Case {
    UINT vk;
    KeyCode expected;
  };
  for (const Case& k : {
           Case{vk::HOME, {vk::HOME, 0x47, true}},       // the cursor block, not the keypad
           Case{vk::CLEAR, {vk::CLEAR, 0x4C, false}},    // only on the keypad
           Case{vk::RETURN, {vk::RETURN, 0x1C, false}},  // the main Enter
           Case{0xA3, {vk::CONTROL, 0x1D, true}},        // right control names its side by the flag
           Case{0xA0, {vk::SHIFT, 0x2A, false}},
           Case{'Z', {'Z', 0x2C, false}},
       }) {
    const KeyCode code = KeyForVk(k.vk);
    EXPECT_EQ(code.vk, k.expected.vk) << k.vk;
    EXPECT_EQ(code.scan, k.expected.scan) << k.vk;
    EXPECT_EQ(code.extended, k.expected.extended) << k.vk;
  }
}

}  // namespace
