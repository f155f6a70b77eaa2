#pragma once
// Global memory blocks: fixed blocks whose handle is their address, and
// moveable blocks reached through a handle and locked for use. Bad handles
// fail by result and last error; every operation is thread-safe.
#include <cstddef>

#include "platform/kernel/Types.h"

namespace plat {

constexpr UINT GMEM_FIXED = 0x0000;
constexpr UINT GMEM_MOVEABLE = 0x0002;
constexpr UINT GMEM_ZEROINIT = 0x0040;
constexpr UINT GHND = GMEM_MOVEABLE | GMEM_ZEROINIT;
constexpr UINT GPTR = GMEM_FIXED | GMEM_ZEROINIT;

// GlobalFlags: the lock count is in the low byte; a bad handle gives GMEM_INVALID_HANDLE.
constexpr UINT GMEM_LOCKCOUNT = 0x00FF;
constexpr UINT GMEM_INVALID_HANDLE = 0x8000;

// Set by GlobalUnlock on a block that was not locked.
constexpr LONG ERROR_NOT_LOCKED = 158;

HGLOBAL GlobalAlloc(UINT flags, size_t bytes);
// A pointer to the block's data; for a moveable block it stays valid until the
// matching GlobalUnlock. Null for a bad handle.
void* GlobalLock(HGLOBAL mem);
// TRUE while the block is still locked; FALSE when it is now unlocked (last
// error ERROR_SUCCESS), was not locked (ERROR_NOT_LOCKED) or is bad.
BOOL GlobalUnlock(HGLOBAL mem);
// Null on success, the handle itself on failure.
HGLOBAL GlobalFree(HGLOBAL mem);
// Keeps the contents up to the smaller size; GMEM_ZEROINIT zeroes what grows.
// A locked moveable block and a fixed block without GMEM_MOVEABLE in `flags`
// are resized only in place, so no pointer a caller holds goes stale. A fixed
// block that moves gets a new handle.
HGLOBAL GlobalReAlloc(HGLOBAL mem, size_t bytes, UINT flags);
// The size asked for; 0 (last error ERROR_INVALID_HANDLE) for a bad handle.
size_t GlobalSize(HGLOBAL mem);
// The handle of the block whose data starts at `data`; null when none does.
HGLOBAL GlobalHandle(const void* data);
UINT GlobalFlags(HGLOBAL mem);

}  // namespace plat
