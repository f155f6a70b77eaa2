#pragma once
// The basic types and handle kinds of the platform model, as the program's
// callers expect them. Handles are opaque values that the layer never reuses.
#include <cstddef>
#include <cstdint>

namespace plat {

using BYTE = uint8_t;
using WORD = uint16_t;
using DWORD = uint32_t;
using UINT = uint32_t;
using LONG = int32_t;
using ULONG = uint32_t;
using SHORT = int16_t;
using BOOL = int32_t;
using WPARAM = uintptr_t;
using LPARAM = intptr_t;
using LRESULT = intptr_t;
using ATOM = uint16_t;
using COLORREF = uint32_t;
using LONGLONG = int64_t;
using ULONGLONG = uint64_t;

constexpr BOOL TRUE = 1;
constexpr BOOL FALSE = 0;

// Handles: distinct opaque pointer types so overloads and mistakes are caught
// by the compiler. The value is an identifier, not an address.
#define PLAT_DECLARE_HANDLE(name) \
  struct name##__ {               \
    int unused;                   \
  };                              \
  using name = name##__*
PLAT_DECLARE_HANDLE(HWND);
PLAT_DECLARE_HANDLE(HMODULE);
PLAT_DECLARE_HANDLE(HKEY);
PLAT_DECLARE_HANDLE(HDC);
PLAT_DECLARE_HANDLE(HGDIOBJ_);
PLAT_DECLARE_HANDLE(HMENU);
PLAT_DECLARE_HANDLE(HICON);
PLAT_DECLARE_HANDLE(HCURSOR_);
PLAT_DECLARE_HANDLE(HHOOK);
PLAT_DECLARE_HANDLE(HWAVEIN);
PLAT_DECLARE_HANDLE(HWAVEOUT);
PLAT_DECLARE_HANDLE(HMMIO);
#undef PLAT_DECLARE_HANDLE

using HANDLE = void*;
using HINSTANCE = HMODULE;
using HGLOBAL = HANDLE;
using FARPROC = void (*)();

inline HANDLE const INVALID_HANDLE_VALUE = reinterpret_cast<HANDLE>(static_cast<intptr_t>(-1));

struct POINT {
  LONG x = 0;
  LONG y = 0;
};

struct RECT {
  LONG left = 0;
  LONG top = 0;
  LONG right = 0;
  LONG bottom = 0;
};

struct SIZE {
  LONG cx = 0;
  LONG cy = 0;
};

constexpr WORD LOWORD(uintptr_t v) { return static_cast<WORD>(v & 0xFFFF); }
constexpr WORD HIWORD(uintptr_t v) { return static_cast<WORD>((v >> 16) & 0xFFFF); }
constexpr DWORD MAKELONG(WORD lo, WORD hi) { return static_cast<DWORD>(lo) | (static_cast<DWORD>(hi) << 16); }

}  // namespace plat
