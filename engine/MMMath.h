#pragma once
// Floating-point routines in the widest floating type; callers pass doubles
// and singles, which widen. The logarithms and FloatPower are defined for
// positive arguments (base) only.
#include <cstdint>

namespace engine {

long double FloatMax(long double a, long double b);
// With lo > hi the lower bound is tested first and wins.
long double FloatClamp(long double x, long double lo, long double hi);
// x - Trunc(x / y) * y: the remainder takes the sign of x.
long double FloatMod(long double x, long double y);
// The largest integer not above x. Works on the 64-bit truncation of x and
// returns its low 32 bits; x outside the Integer range is outside the contract.
int32_t FloatFloor(long double x);
long double FloatLn(long double x);
long double FloatLog2(long double x);
long double FloatLog10(long double x);
long double FloatPower(long double base, long double exponent);

}  // namespace engine
