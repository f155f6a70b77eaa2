#pragma once
// Our skin packages, drawn by code from a theme of a few colours. Each
// member's shape (frame count, frame size, stacking, fixed edges) is stated
// once in the art table; the bitmaps are drawn to it and the description is
// written from it, so the two cannot disagree.
#include <cstdint>
#include <string>
#include <vector>

#include "tools/resgen/BmpWriter.h"
#include "tools/skinpack/Container.h"

namespace skinpack {

using resgen::Rgb;

struct Theme {
  const char* file;  // the package's file name
  const char* name;  // the skin's name in its description
  Rgb face;          // buttons, menus, dialogs
  Rgb caption;       // active frame and title
  Rgb caption_inactive;
  Rgb caption_text;
  Rgb text;
  Rgb accent;  // selection, progress
  Rgb window;  // edit fields
};

// The program's default package first ("default.skn"), then the 14 themes
// the setup page offers, under its file names.
const std::vector<Theme>& Themes();
// By file name with or without its extension, or by skin name; any case.
const Theme* FindTheme(const std::string& name);

// The members of a theme's package: the description "skin.ini" first, then
// every bitmap it names.
std::vector<SkinMember> DrawSkin(const Theme& theme);

}  // namespace skinpack
