#pragma once
// Disc images listed in the registry become CD drives of the drive model:
// under HKEY_CURRENT_USER\Software\Quellix\CD Images, a string value named
// by a letter D..Z holds the path of a .cue sheet.
#include <cstddef>

namespace plat {

constexpr const char* kCdImagesKey = "Software\\Quellix\\CD Images";

// Lists every image the key names; returns how many. Values of another name
// or type are passed over.
size_t LoadCdImagesFromRegistry();

}  // namespace plat
