#pragma once
// Character steps through the program's UTF-8 strings. A byte that does not
// start a well-formed sequence stands for itself as a Latin-1 character, so a
// string that escaped conversion still draws and measures byte for byte.
#include <cstddef>
#include <string>
#include <string_view>

namespace plat::fonts {

struct Utf8Char {
  char32_t code = 0;
  size_t length = 1;  // bytes taken from the string, at least 1
};

inline Utf8Char DecodeUtf8At(std::string_view s, size_t pos) {
  auto byte = [&](size_t i) { return static_cast<unsigned char>(s[i]); };
  unsigned char b0 = byte(pos);
  if (b0 < 0x80) return {b0, 1};
  size_t n = 0;
  char32_t code = 0;
  char32_t min = 0;
  if ((b0 & 0xE0) == 0xC0) {
    n = 2, code = b0 & 0x1F, min = 0x80;
  } else if ((b0 & 0xF0) == 0xE0) {
    n = 3, code = b0 & 0x0F, min = 0x800;
  } else if ((b0 & 0xF8) == 0xF0) {
    n = 4, code = b0 & 0x07, min = 0x10000;
  } else {
    return {b0, 1};
  }
  if (pos + n > s.size()) return {b0, 1};
  for (size_t i = 1; i < n; ++i) {
    unsigned char b = byte(pos + i);
    if ((b & 0xC0) != 0x80) return {b0, 1};
    code = (code << 6) | (b & 0x3F);
  }
  if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return {b0, 1};
  return {code, n};
}

// Appends the UTF-8 bytes of one character.
inline void AppendUtf8(std::string& out, char32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

}  // namespace plat::fonts
