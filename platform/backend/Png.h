#pragma once
// PNG snapshots of surfaces: what tests look at when a window draws wrong.
#include <string>

#include "platform/gdi/Surface.h"

namespace plat::backend {

// Writes the surface as an 8-bit RGB PNG. Any surface format the graphics
// layer reads is accepted. False with a reason on failure.
bool WritePng(const Surface& surface, const std::string& path, std::string* error = nullptr);

}  // namespace plat::backend
