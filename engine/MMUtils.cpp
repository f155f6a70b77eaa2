#include "engine/MMUtils.h"

#include <charconv>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

#include "engine/MMMath.h"
#include "platform/kernel/GlobalMemory.h"
#include "platform/kernel/Locale.h"

namespace engine {

namespace {

void SwapWordImpl(plat::WORD& a, plat::WORD& b) {
  const plat::WORD t = a;
  a = b;
  b = t;
}

void SwapLongImpl(plat::DWORD& a, plat::DWORD& b) {
  const plat::DWORD t = a;
  a = b;
  b = t;
}

void SwapIntImpl(int32_t& a, int32_t& b) {
  const int32_t t = a;
  a = b;
  b = t;
}

int32_t IntMinImpl(int32_t a, int32_t b) { return b < a ? b : a; }

int32_t IntMaxImpl(int32_t a, int32_t b) { return b >= a ? b : a; }

int32_t IntClampImpl(int32_t x, int32_t lo, int32_t hi) {
  if (lo > x) return lo;
  if (x <= hi) return x;
  return hi;
}

int32_t IntClampEitherImpl(int32_t x, int32_t a, int32_t b) {
  if (a > b) std::swap(a, b);
  if (x < a) return a;
  if (x > b) return b;
  return x;
}

bool IntInRangeImpl(int32_t x, int32_t lo, int32_t hi) { return lo <= x && x <= hi; }

bool IntInRangeEitherImpl(int32_t x, int32_t a, int32_t b) {
  return a <= b ? (a <= x && x <= b) : (b <= x && x <= a);
}

void IncByImpl(int32_t& v, int32_t n) {
  // Wraps like the 32-bit add it stands for, without signed-overflow UB.
  v = static_cast<int32_t>(static_cast<uint32_t>(v) + static_cast<uint32_t>(n));
}

// The memory routines leave the word-then-byte work to the C library, which
// does it at least as well and handles overlap and alignment.
void FillBytesImpl(void* p, int32_t count, plat::BYTE value) {
  if (p == nullptr || count <= 0) return;
  std::memset(p, value, static_cast<size_t>(count));
}

void FillPatternImpl(void* p, int32_t count, plat::DWORD value) {
  // A null block is refused rather than written through.
  if (p == nullptr || count <= 0) return;
  auto* out = static_cast<unsigned char*>(p);
  const size_t words = static_cast<size_t>(count) / 4;
  for (size_t i = 0; i < words; ++i) std::memcpy(out + 4 * i, &value, 4);
  std::memset(out + 4 * words, static_cast<int>(value & 0xFF), static_cast<size_t>(count) % 4);
}

void MoveBytesImpl(const void* source, void* dest, int32_t count) {
  if (count <= 0 || source == dest) return;
  std::memmove(dest, source, static_cast<size_t>(count));
}

bool BytesEqualImpl(const void* p1, const void* p2, plat::DWORD count) {
  return count == 0 || std::memcmp(p1, p2, count) == 0;
}

// Fixed-point text of v with the given separator, right-aligned to width:
// locale-independent, unlike printf.
std::string FormatFixed(long double v, int precision, int width, char decimal) {
  char buf[128];
  auto [end, ec] =
      std::to_chars(buf, buf + sizeof(buf), static_cast<double>(v), std::chars_format::fixed, precision);
  std::string text = ec == std::errc() ? std::string(buf, end) : std::string();
  if (const size_t dot = text.find('.'); dot != std::string::npos) text[dot] = decimal;
  if (text.size() < static_cast<size_t>(width)) text.insert(0, static_cast<size_t>(width) - text.size(), ' ');
  return text;
}

long double LevelToDB(int32_t value, int32_t ref) {
  const long double magnitude = std::fabs(static_cast<long double>(value));  // |INT_MIN| fits here
  return 20.0L * FloatLog10(magnitude / static_cast<long double>(IntMax(ref, 1)));
}

}  // namespace

void (*SwapWord)(plat::WORD&, plat::WORD&) = SwapWordImpl;
void (*SwapLong)(plat::DWORD&, plat::DWORD&) = SwapLongImpl;
void (*SwapInt)(int32_t&, int32_t&) = SwapIntImpl;
int32_t (*IntMin)(int32_t, int32_t) = IntMinImpl;
int32_t (*IntMax)(int32_t, int32_t) = IntMaxImpl;
int32_t (*IntClamp)(int32_t, int32_t, int32_t) = IntClampImpl;
int32_t (*IntClampEither)(int32_t, int32_t, int32_t) = IntClampEitherImpl;
bool (*IntInRange)(int32_t, int32_t, int32_t) = IntInRangeImpl;
bool (*IntInRangeEither)(int32_t, int32_t, int32_t) = IntInRangeEitherImpl;
void (*IncBy)(int32_t&, int32_t) = IncByImpl;
void (*FillBytes)(void*, int32_t, plat::BYTE) = FillBytesImpl;
void (*FillPattern)(void*, int32_t, plat::DWORD) = FillPatternImpl;
void (*MoveBytes)(const void*, void*, int32_t) = MoveBytesImpl;
bool (*BytesEqual)(const void*, const void*, plat::DWORD) = BytesEqualImpl;

void InitHelperPointers() {
  SwapWord = SwapWordImpl;
  SwapLong = SwapLongImpl;
  SwapInt = SwapIntImpl;
  IntMin = IntMinImpl;
  IntMax = IntMaxImpl;
  IntClamp = IntClampImpl;
  IntClampEither = IntClampEitherImpl;
  IntInRange = IntInRangeImpl;
  IntInRangeEither = IntInRangeEitherImpl;
  IncBy = IncByImpl;
  FillBytes = FillBytesImpl;
  FillPattern = FillPatternImpl;
  MoveBytes = MoveBytesImpl;
  BytesEqual = BytesEqualImpl;
}

std::string TimeToText(bool with_ms, int64_t time) {
  constexpr int64_t kDay = 86400000;
  constexpr int64_t kHour = 3600000;
  constexpr int64_t kMinute = 60000;
  const int64_t h = time % kDay / kHour;
  const int64_t m = time % kHour / kMinute;
  const int64_t s = time % kMinute / 1000;
  const int64_t ms = time % 1000;
  char buf[96];
  if (with_ms) {
    if (time >= kDay)
      std::snprintf(buf, sizeof(buf), "%" PRId64 ":%2.2" PRId64 ":%2.2" PRId64 ":%2.2" PRId64 ".%3.3" PRId64,
                    time / kDay, h, m, s, ms);
    else if (time >= kHour)
      std::snprintf(buf, sizeof(buf), "%" PRId64 ":%2.2" PRId64 ":%2.2" PRId64 ".%3.3" PRId64, time / kHour,
                    m, s, ms);
    else
      std::snprintf(buf, sizeof(buf), "%" PRId64 ":%2.2" PRId64 ".%3.3" PRId64, time / kMinute, s, ms);
  } else {
    if (time >= kDay)
      std::snprintf(buf, sizeof(buf), "%" PRId64 ":%2.2" PRId64 ":%2.2" PRId64 ":%2.2" PRId64, time / kDay, h,
                    m, s);
    else if (time >= kHour)
      std::snprintf(buf, sizeof(buf), "%" PRId64 ":%2.2" PRId64 ":%2.2" PRId64, time / kHour, m, s);
    else
      std::snprintf(buf, sizeof(buf), "%" PRId64 ":%2.2" PRId64, time / kMinute, s);
  }
  return buf;
}

std::string TimeToTextMS(int64_t time) { return TimeToText(true, time); }

std::string LevelToDBText(int32_t value, int32_t ref, float offset) {
  if (value == 0) return "-Inf";
  return FormatFixed(LevelToDB(value, ref) + offset, 2, 2, plat::GetLocaleSeparators().decimal);
}

std::string LevelToDBTextInt(int32_t value, int32_t ref, float /*offset*/) {
  if (value == 0) return "-Inf";
  return FormatFixed(LevelToDB(value, ref), 0, 2, plat::GetLocaleSeparators().decimal);
}

void RaiseOutOfMemory() { throw std::bad_alloc(); }

void* GlobalAllocZeroed(size_t size) {
  const plat::HGLOBAL block = plat::GlobalAlloc(plat::GPTR, size);
  void* p = block != nullptr ? plat::GlobalLock(block) : nullptr;
  if (p == nullptr) {
    if (block != nullptr) plat::GlobalFree(block);
    RaiseOutOfMemory();
  }
  return p;
}

void GlobalFreeAndNil(void*& p) {
  if (p == nullptr) return;
  const plat::HGLOBAL block = plat::GlobalHandle(p);
  p = nullptr;
  if (block == nullptr) return;
  plat::GlobalUnlock(block);
  plat::GlobalFree(block);
}

void GlobalRenew(void*& p, size_t size) {
  GlobalFreeAndNil(p);
  p = GlobalAllocZeroed(size);
}

}  // namespace engine
