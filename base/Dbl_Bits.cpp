// Binary exponents of doubles.
#include "base/Dbl_Bits.h"

#include <bit>
#include <cmath>
#include <cstdint>

int Dbl_getExponent(double x) {
  if (x == 0 || std::isnan(x)) return 0;
  auto field = static_cast<int>((std::bit_cast<std::uint64_t>(x) >> 52) & 0x7ff);
  return field - 1023;
}

void Dbl_scalePow2(double* x, int k) {
  if (!x || k == 0 || *x == 0) return;
  *x = std::ldexp(*x, k);
}
