#pragma once
// A person at the keyboard of the headless screen: each key goes down, its
// text follows for printable keys only, and it comes up, in the order the
// desktop backend delivers them. Header only.
#include <cctype>
#include <initializer_list>
#include <string>

#include "platform/backend/HeadlessBackend.h"
#include "platform/user/Input.h"

namespace testsupport {

class Typist {
 public:
  explicit Typist(plat::backend::HeadlessBackend& screen) : screen_(screen) {}

  // Letters, digits, space and the few punctuation keys below; capitals with Shift.
  void Type(const std::string& text) {
    for (char c : text) {
      const auto u = static_cast<unsigned char>(c);
      const bool shifted = std::isupper(u) || c == ':' || c == '!';
      if (shifted) screen_.InjectKey(plat::VK_SHIFT, true);
      const plat::UINT vk = KeyOf(c);
      screen_.InjectKey(vk, true);
      screen_.InjectText(std::string(1, c));
      screen_.InjectKey(vk, false);
      if (shifted) screen_.InjectKey(plat::VK_SHIFT, false);
    }
  }

  // A key that types nothing printable, with modifier keys held around it.
  void Press(plat::UINT vk, std::initializer_list<plat::UINT> held = {}) {
    for (plat::UINT m : held) screen_.InjectKey(m, true);
    screen_.InjectKey(vk, true);
    screen_.InjectKey(vk, false);
    for (auto m = std::rbegin(held); m != std::rend(held); ++m) screen_.InjectKey(*m, false);
  }
  void Ctrl(char letter) { Press(static_cast<plat::UINT>(std::toupper(letter)), {plat::VK_CONTROL}); }

 private:
  static plat::UINT KeyOf(char c) {
    const auto u = static_cast<unsigned char>(c);
    if (std::isalnum(u)) return static_cast<plat::UINT>(std::toupper(u));
    switch (c) {
      case ' ':
        return plat::VK_SPACE;
      case '.':
        return plat::VK_OEM_PERIOD;
      case ',':
        return plat::VK_OEM_COMMA;
      case '-':
        return plat::VK_OEM_MINUS;
      case ':':
        return plat::VK_OEM_1;
      case '!':
        return '1';
      default:
        return plat::VK_OEM_2;
    }
  }

  plat::backend::HeadlessBackend& screen_;
};

}  // namespace testsupport
