#pragma once
// Multiply-divide with a 64-bit product, and the arithmetic shift. These are
// the base of every conversion between samples, bytes and milliseconds.
#include <cstdint>

namespace engine {

// (a * b) / c, truncated toward zero. Raises on c == 0 or a quotient that
// does not fit in 32 bits.
int32_t MulDiv32(int32_t a, int32_t b, int32_t c);
// (a * b) / c rounded to nearest, halves away from zero, for every sign
// combination. Raises like MulDiv32.
int32_t MulDivRound(int32_t a, int32_t b, int32_t c);
// (a * b + c / 2) / c unsigned: rounds to nearest, halves up. Raises on
// c == 0 or a quotient above 32 bits.
uint32_t MulDivRoundU(uint32_t a, uint32_t b, uint32_t c);
// Arithmetic shift right by count and 31.
int32_t SarLong(int32_t value, int32_t count);
// a * b / c in extended floating point, truncated toward zero. Raises on
// c == 0 or a result outside the 64-bit range.
int64_t MulDiv64(int64_t a, int64_t b, int64_t c);
// a * b / c rounded like MulDivRound, limited to the 64-bit range; 0 for
// c == 0, so a damaged record never divides by zero.
int64_t MulDivRound64(int64_t a, int64_t b, int64_t c);

// The integer division-by-zero and integer-overflow errors of the routine
// layer; kept in one place so the error classes can change without callers.
[[noreturn]] void RaiseDivByZero();
[[noreturn]] void RaiseIntOverflow();

}  // namespace engine
