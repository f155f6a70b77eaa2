#pragma once
// The library's integer, memory and text routines, its global-memory
// allocator and the routine table through which every caller reaches the
// integer and memory routines.
#include <cstdint>
#include <memory>
#include <string>

#include "platform/kernel/Types.h"

namespace engine {

// The routine table. Callers call through these variables; they hold the
// library's own routines from the start (so they work before the unit's
// start-up) and InitHelperPointers assigns them again.
extern void (*SwapWord)(plat::WORD& a, plat::WORD& b);
extern void (*SwapLong)(plat::DWORD& a, plat::DWORD& b);
extern void (*SwapInt)(int32_t& a, int32_t& b);
extern int32_t (*IntMin)(int32_t a, int32_t b);
extern int32_t (*IntMax)(int32_t a, int32_t b);
// lo when lo > x, else x when x <= hi, else hi: with lo > hi the lower bound wins.
extern int32_t (*IntClamp)(int32_t x, int32_t lo, int32_t hi);
// The median of x, a and b: x clamped into the range the bounds span in either order.
extern int32_t (*IntClampEither)(int32_t x, int32_t a, int32_t b);
extern bool (*IntInRange)(int32_t x, int32_t lo, int32_t hi);
extern bool (*IntInRangeEither)(int32_t x, int32_t a, int32_t b);
extern void (*IncBy)(int32_t& v, int32_t n);
// Nothing for a null p or a count <= 0.
extern void (*FillBytes)(void* p, int32_t count, plat::BYTE value);
// value into count / 4 whole words, then its low byte into the rest.
extern void (*FillPattern)(void* p, int32_t count, plat::DWORD value);
// Correct for overlapping blocks; nothing for count <= 0.
extern void (*MoveBytes)(const void* source, void* dest, int32_t count);
// True for count 0.
extern bool (*BytesEqual)(const void* p1, const void* p2, plat::DWORD count);

void InitHelperPointers();

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

}  // namespace engine
