#include "engine/MMMulDiv.h"

#include <cmath>
#include <limits>
#include <stdexcept>

namespace engine {

void RaiseDivByZero() { throw std::domain_error("Division by zero"); }

void RaiseIntOverflow() { throw std::overflow_error("Integer overflow"); }

namespace {

int32_t CheckedInt32(int64_t v) {
  if (v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max()) RaiseIntOverflow();
  return static_cast<int32_t>(v);
}

}  // namespace

int32_t MulDiv32(int32_t a, int32_t b, int32_t c) {
  if (c == 0) RaiseDivByZero();
  return CheckedInt32(static_cast<int64_t>(a) * b / c);
}

int32_t MulDivRound(int32_t a, int32_t b, int32_t c) {
  if (c == 0) RaiseDivByZero();
  const int64_t product = static_cast<int64_t>(a) * b;
  const int64_t q = product / c;
  const int64_t r = product % c;
  // 2r / c is -1, 0 or 1: the rounding step, away from zero on a half. The
  // sum is checked too, so a rounded quotient never wraps.
  return CheckedInt32(q + 2 * r / c);
}

uint32_t MulDivRoundU(uint32_t a, uint32_t b, uint32_t c) {
  if (c == 0) RaiseDivByZero();
  const uint64_t q = (static_cast<uint64_t>(a) * b + (c >> 1)) / c;
  if (q > std::numeric_limits<uint32_t>::max()) RaiseIntOverflow();
  return static_cast<uint32_t>(q);
}

int32_t SarLong(int32_t value, int32_t count) { return value >> (count & 31); }

int64_t MulDiv64(int64_t a, int64_t b, int64_t c) {
  if (c == 0) RaiseDivByZero();
  const long double q =
      std::trunc(static_cast<long double>(a) * static_cast<long double>(b) / static_cast<long double>(c));
  // 2^63 is exact in long double; anything at or beyond it cannot be held.
  constexpr long double kLimit = 9223372036854775808.0L;
  if (!(q >= -kLimit && q < kLimit)) RaiseIntOverflow();
  return static_cast<int64_t>(q);
}

int64_t MulDivRound64(int64_t a, int64_t b, int64_t c) {
  if (c == 0) return 0;
  __int128 p = static_cast<__int128>(a) * b;
  const bool negative = (p < 0) != (c < 0);
  if (p < 0) p = -p;
  const __int128 d = c < 0 ? -static_cast<__int128>(c) : c;
  __int128 q = (p + d / 2) / d;
  if (negative) q = -q;
  if (q > INT64_MAX) return INT64_MAX;
  if (q < INT64_MIN) return INT64_MIN;
  return static_cast<int64_t>(q);
}

}  // namespace engine
