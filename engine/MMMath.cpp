#include "engine/MMMath.h"

#include <cmath>

namespace engine {

namespace {

constexpr long double kLog2E = 1.442695040888963407359924681001892137L;
constexpr long double kLog10Of2 = 0.301029995663981195213738894724493027L;

}  // namespace

long double FloatMax(long double a, long double b) { return b >= a ? b : a; }

long double FloatClamp(long double x, long double lo, long double hi) {
  if (lo > x) return lo;
  if (hi < x) return hi;
  return x;
}

long double FloatMod(long double x, long double y) { return x - std::trunc(x / y) * y; }

int32_t FloatFloor(long double x) {
  const long double t = std::trunc(x);
  // A value the 64-bit truncation cannot hold (or NaN) has no defined
  // integer; give 0 rather than undefined behaviour.
  constexpr long double kLimit = 9223372036854775808.0L;
  if (!(t >= -kLimit && t < kLimit)) return 0;
  int64_t i = static_cast<int64_t>(t);
  if (x - t < 0) --i;
  return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(i)));
}

long double FloatLn(long double x) { return std::log2(x) / kLog2E; }

long double FloatLog2(long double x) { return std::log2(x); }

long double FloatLog10(long double x) { return kLog10Of2 * std::log2(x); }

long double FloatPower(long double base, long double exponent) {
  const long double product = exponent * std::log2(base);
  if (std::isnan(product)) return product;
  if (std::isinf(product)) return product > 0 ? product : 0.0L;
  // Integer part by rounding, so the fraction lies in -0.5 .. 0.5; an integer
  // part beyond any exponent of the type saturates ldexp to inf or 0 anyway.
  long double whole = std::nearbyint(product);
  const long double fraction = product - whole;
  if (whole > 100000) whole = 100000;
  if (whole < -100000) whole = -100000;
  return std::ldexp(std::exp2(fraction), static_cast<int>(whole));
}

}  // namespace engine
