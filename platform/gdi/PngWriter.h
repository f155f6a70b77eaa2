#pragma once
// PNG snapshots of surfaces, bitmaps and device contexts (8-bit RGB, no
// time stamp, so the same pixels always give the same file): what tests
// look at when a window draws wrong.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/gdi/Gdi.h"
#include "platform/gdi/Surface.h"

namespace plat {

bool EncodePng(const Surface& surface, std::vector<uint8_t>* out);
// False with a reason on failure; no partial file is left behind.
bool SaveSurfacePng(const Surface& surface, const std::string& path, std::string* error = nullptr);
bool SaveBitmapPng(HBITMAP bitmap, const std::string& path);
// The whole surface the DC draws into.
bool SaveDCPng(HDC hdc, const std::string& path);

}  // namespace plat
