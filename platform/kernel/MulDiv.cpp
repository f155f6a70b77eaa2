#include "platform/kernel/MulDiv.h"

#include <cstdint>
#include <limits>

namespace plat {

int MulDiv(int number, int numerator, int denominator) {
  if (denominator == 0) return -1;
  // |product| < 2^62 and |denominator| <= 2^31, so the rounding step fits.
  const int64_t product = static_cast<int64_t>(number) * numerator;
  const uint64_t magnitude =
      product < 0 ? 0 - static_cast<uint64_t>(product) : static_cast<uint64_t>(product);
  const uint64_t divisor = denominator < 0 ? 0 - static_cast<uint64_t>(static_cast<int64_t>(denominator))
                                           : static_cast<uint64_t>(denominator);
  const uint64_t quotient = (magnitude + divisor / 2) / divisor;
  const bool negative = (product < 0) != (denominator < 0);
  if (negative) {
    if (quotient > static_cast<uint64_t>(std::numeric_limits<int32_t>::max()) + 1) return -1;
    return static_cast<int>(-static_cast<int64_t>(quotient));
  }
  if (quotient > static_cast<uint64_t>(std::numeric_limits<int32_t>::max())) return -1;
  return static_cast<int>(quotient);
}

}  // namespace plat
