#pragma once
// Handle values of the graphics layer: identifiers, never addresses, never reused.
#include <cstdint>

namespace plat {

uintptr_t NextHandleValue();
template <class H>
H HandleFrom(uintptr_t value) {
  return reinterpret_cast<H>(value);
}
template <class H>
uintptr_t HandleValue(H handle) {
  return reinterpret_cast<uintptr_t>(handle);
}

}  // namespace plat
