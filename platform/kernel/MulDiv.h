#pragma once
// The window system's multiply-divide, as its callers expect it. Unlike the
// engine's routines it never raises: failure is the result -1.
#include "platform/kernel/Types.h"

namespace plat {

// (number * numerator) / denominator with the product taken in 64 bits and
// the quotient rounded to the nearest integer, halves away from zero. A zero
// denominator or a quotient outside the 32-bit range gives -1 (so -1 is also
// an ordinary answer, as callers of this operation have always had to accept).
int MulDiv(int number, int numerator, int denominator);

}  // namespace plat
