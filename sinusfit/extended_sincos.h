#pragma once
// The fit's extended-precision sine and cosine of one argument, computed
// together. On x86 with the 80-bit long double this is the x87 FSINCOS
// instruction, which is the sine an 80-bit runtime uses and several times
// faster than the library's sincosl. The model value and every derivative of
// the fit go through this one function, so they all see the same values.

#include <cmath>

#include "_grund/grund.h"

#if (defined(__x86_64__) || defined(__i386__)) && (defined(__GNUC__) || defined(__clang__))
#include <cfloat>
#include <type_traits>
#define KALVENTO_HAVE_X87_SINCOS 1
#else
#define KALVENTO_HAVE_X87_SINCOS 0
#endif

namespace sinusfit {

struct SinCos {
  grund::Extended sin;
  grund::Extended cos;
};

#if KALVENTO_HAVE_X87_SINCOS
static_assert(std::is_same_v<grund::Extended, long double> && LDBL_MANT_DIG == 64,
              "the x87 sine needs the 80-bit long double as the extended type");

// FSINCOS reduces its argument itself only for |arg| < 2^63; beyond that it
// sets C2 and leaves the stack alone, so those arguments (and infinities and
// NaNs) go to the library functions instead.
inline constexpr long double kX87SinCosLimit = 0x1p63L;

inline SinCos ExtendedSinCos(grund::Extended arg) {
  if (std::fabs(arg) < kX87SinCosLimit) {  // false for NaN as well
    long double s;
    long double c;
    // FSINCOS replaces ST(0) by its sine and pushes the cosine: afterwards
    // ST(0) holds the cosine and ST(1) the sine.
    __asm__("fsincos" : "=t"(c), "=u"(s) : "0"(arg));
    return {s, c};
  }
  return {sinl(arg), cosl(arg)};
}
#else
inline SinCos ExtendedSinCos(grund::Extended arg) { return {std::sin(arg), std::cos(arg)}; }
#endif

}  // namespace sinusfit
