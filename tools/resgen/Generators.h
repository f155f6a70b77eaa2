#pragma once
// Resources drawn by code at build time rather than kept as files.
#include <cstdint>
#include <span>
#include <vector>

namespace resgen {

struct Generator {
  const char* type;  // as a type folder would be named, e.g. "BITMAP"
  const char* name;
  std::vector<uint8_t> (*draw)();
};

std::span<const Generator> Generators();

}  // namespace resgen
