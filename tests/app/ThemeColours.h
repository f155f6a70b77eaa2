#pragma once
// Colours the program's skins show, worked out from the themes the build
// draws its packages from, as 0xRRGGBB screen pixels.
#include <cstdint>

#include "tools/skinpack/SkinArt.h"

namespace apptest {

inline constexpr resgen::Rgb kWhite{255, 255, 255}, kBlack{0, 0, 0};

inline uint32_t Hex(resgen::Rgb c) { return uint32_t{c.r} << 16 | uint32_t{c.g} << 8 | c.b; }

// `percent` of the way from `a` to `b`, as the art mixes its inks.
inline resgen::Rgb Mix(resgen::Rgb a, resgen::Rgb b, int percent) {
  auto m = [&](int x, int y) { return static_cast<uint8_t>((x * (100 - percent) + y * percent + 50) / 100); };
  return {m(a.r, b.r), m(a.g, b.g), m(a.b, b.b)};
}

// The frame of an active or inactive window: the middle of its side borders
// and the top line of its caption.
struct FrameColours {
  uint32_t border, caption_top;
};
inline FrameColours FrameOf(const skinpack::Theme& theme, bool active) {
  const resgen::Rgb caption = active ? theme.caption : theme.caption_inactive;
  return {Hex(caption), Hex(Mix(caption, kWhite, 60))};
}

}  // namespace apptest
