#pragma once
// The library's integer, memory and text routines, its global-memory
// allocator; the registry value store, the operating-system
// and processor flags, the microsecond clock, waits that keep the user
// interface alive, and path, file and disk helpers.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/kernel/Sync.h"
#include "platform/kernel/Types.h"
#include "platform/kernel/Variant.h"

namespace vcl {
class TControl;
}

namespace engine {

// The integer and memory routines; they need no start-up.
void SwapWord(plat::WORD& a, plat::WORD& b);
void SwapLong(plat::DWORD& a, plat::DWORD& b);
void SwapInt(int32_t& a, int32_t& b);
int32_t IntMin(int32_t a, int32_t b);
int32_t IntMax(int32_t a, int32_t b);
// lo when lo > x, else x when x <= hi, else hi: with lo > hi the lower bound wins.
int32_t IntClamp(int32_t x, int32_t lo, int32_t hi);
// The median of x, a and b: x clamped into the range the bounds span in either order.
int32_t IntClampEither(int32_t x, int32_t a, int32_t b);
bool IntInRange(int32_t x, int32_t lo, int32_t hi);
bool IntInRangeEither(int32_t x, int32_t a, int32_t b);
void IncBy(int32_t& v, int32_t n);
// Nothing for a null p or a count <= 0.
void FillBytes(void* p, int32_t count, plat::BYTE value);
// value into count / 4 whole words, then its low byte into the rest.
void FillPattern(void* p, int32_t count, plat::DWORD value);
// Correct for overlapping blocks; nothing for count <= 0.
void MoveBytes(const void* source, void* dest, int32_t count);
// True for count 0.
bool BytesEqual(const void* p1, const void* p2, plat::DWORD count);

// A time span in milliseconds as [d:][h:]m:ss[.mmm], the leading field
// holding the whole quotient.
std::string TimeToText(bool with_ms, int64_t time);
std::string TimeToTextMS(int64_t time);

// 20 * log10(|value| / max(ref, 1)) + offset with two decimals, or "-Inf"
// for 0; ref is full scale. The decimal separator is the user's.
std::string LevelToDBText(int32_t value, int32_t ref, float offset);
// The same with no decimals; the offset is accepted and not applied.
std::string LevelToDBTextInt(int32_t value, int32_t ref, float offset);

// Fixed, zero-filled, locked global memory; never null (raises the
// out-of-memory error instead).
void* GlobalAllocZeroed(size_t size);
// Unlocks and frees a block of GlobalAllocZeroed and nils the pointer.
void GlobalFreeAndNil(void*& p);
template <class T>
void GlobalFreeAndNil(T*& p) {
  void* raw = p;
  GlobalFreeAndNil(raw);
  p = nullptr;
}
// Frees p and gives it a new zeroed block; the old contents are not kept.
void GlobalRenew(void*& p, size_t size);

// Owner of a block of GlobalAllocZeroed, for callers that hold one in scope.
struct GlobalBlockDeleter {
  void operator()(void* p) const { GlobalFreeAndNil(p); }
};
template <class T>
using TGlobalPtr = std::unique_ptr<T, GlobalBlockDeleter>;

[[noreturn]] void RaiseOutOfMemory();

// ---- Registry values ----

// Writes value under name in key below root (any root other than the seven
// predefined keys means HKEY_CURRENT_USER; a leading backslash of key is
// ignored), creating the key. Integer kinds and null go as REG_DWORD (a null
// does not convert, so nothing is written), Boolean as DWORD 1/0, single,
// double and date as an 8-byte double, currency as its 8-byte scaled integer,
// strings as REG_SZ. Other kinds write nothing but the key is still created.
// Every error is swallowed.
void RegWriteVariant(plat::HKEY root, const std::string& key, const std::string& name,
                     const plat::Variant& value);
// result := def, then the stored value read as the registry type that def's
// kind selects (DWORD 4 bytes, binary exactly 8 bytes, REG_SZ); the key is
// never created. Any mismatch or error leaves result equal to def.
void RegReadVariant(plat::HKEY root, const std::string& key, const std::string& name,
                    const plat::Variant& def, plat::Variant& result);
plat::Variant RegReadVariant(plat::HKEY root, const std::string& key, const std::string& name,
                             const plat::Variant& def);

// ---- Threads, processor and operating system ----

bool SetThreadPriorityBool(plat::HANDLE thread, int priority);
// Processor family - 4 (1 Pentium, 2 P6 class); 0 without the identification instruction.
int32_t GetCPUClass();
// EDX of leaf 1; 0 without the identification instruction.
uint32_t GetCPUFeatures();

// Each asks for the version afresh.
bool IsWin95();
bool IsWin98();
bool IsWinME();
bool IsWinNT3();
bool IsWinNT4();
bool IsWin2000();
bool IsWinXPOrLater();

// The flags as the unit's start-up found them (all false before it).
bool OSIsWin95();
bool OSIsWin98();
bool OSIsWinME();
bool OSIsNT3();
bool OSIsNT4();
bool OSIsWin2000();
bool OSIsXPOrLater();
bool OSIsWin9x();
bool OSIsNT();
bool OSIsNT4OrLater();
int32_t CPUClass();
bool CPUHasMMX();

// ---- Time and waiting ----

// Monotonic microseconds from an arbitrary origin. Split into whole seconds
// and a scaled remainder so that no counter value overflows the product.
int64_t GetTimeMicroseconds();

// The application installs how pending messages are processed while DelayMS
// waits (its ProcessMessages), and removes it (empty function) when it is
// destroyed, which also ends a wait in progress.
using TMessagePump = std::function<void()>;
void SetDelayMessagePump(TMessagePump pump);
// How ProcessWindowMessages removes and dispatches one window's messages
// (PeekMessage with PM_REMOVE, translate, dispatch until none is left),
// installed by the window layer's user.
using TWindowMessagePump = std::function<void(plat::HWND)>;
void SetWindowMessagePump(TWindowMessagePump pump);

// Returns at once for 0. Without message processing it sleeps; with it, it
// waits for input on the thread's queue, lets the application process it and
// returns once ms have passed. Runs on the layer's clock.
void DelayMS(uint32_t ms, bool process_messages);
void ProcessWindowMessages(plat::HWND wnd);

// ---- Windows ----

// P converted from the client coordinates of source to those of dest,
// through screen coordinates.
plat::POINT MapClientPoint(const vcl::TControl* dest, const vcl::TControl* source, plat::POINT p);
// The caption height plus twice the sizing-frame height.
int GetCaptionFrameHeight();

// ---- Paths, files and disks ----

// With add, appends a backslash unless there is one; without, removes one
// trailing backslash. An empty path stays empty.
std::string AdjustTrailingBackslash(const std::string& path, bool add);
// The size of the first file a search for name finds, or -1. 64 bits, so
// files past 2 GB are not reported with a wrapped size.
int64_t GetFileSizeByName(const std::string& name);
// Free and total bytes of the volume holding path's folder (path up to its
// last backslash, slash or colon). On failure free = 0, total = 1, false.
bool GetDiskSpace(const std::string& path, int64_t& free, int64_t& total);
bool HasDiskFreeSpace(const std::string& path, int64_t bytes);
// Bound when the system lacks the extended query: the drive part of the
// folder ("C:", "\\server\\share", else the folder itself) with a backslash,
// asked through GetDiskFreeSpaceA. A null folder asks about the current one.
plat::BOOL GetDiskFreeSpaceFallback(const char* directory, plat::ULONGLONG* free_to_caller,
                                    plat::ULONGLONG* total_bytes, plat::ULONGLONG* total_free);
using TGetDiskFreeSpaceEx = plat::BOOL (*)(const char*, plat::ULONGLONG*, plat::ULONGLONG*, plat::ULONGLONG*);
// Binds the system's entry from "kernel32.dll", else the fallback.
void BindDiskFreeSpaceEx();
// Binds the given entry in place of the system's (tests fake a filling disk
// with it); null binds as above.
void BindDiskFreeSpaceEx(TGetDiskFreeSpaceEx entry);
TGetDiskFreeSpaceEx BoundDiskFreeSpaceEx();

// ---- Unit start-up ----

// Once per process (counted): the unit's lock, the OS and
// processor flags, the disk-space entry. Finalize undoes the last start-up.
void MMUtilsInitialize();
void MMUtilsFinalize();
// Serialises the bitmap routines that share memory device contexts; valid
// between start-up and shut-down.
plat::CRITICAL_SECTION* MMUtilsLock();

}  // namespace engine

// The bitmap-drawing routines of the unit live in their own file pair.
#include "engine/MMUtilsBitmaps.h"
