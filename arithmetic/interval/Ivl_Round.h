// Directed rounding for the interval library: one bound computed in one
// rounding direction. The operands are read and the result written through
// volatile slots, so that the compiler can neither fold an operation nor move
// it across the switch of the rounding mode.
#pragma once

#include <cfenv>

// The value passed through a volatile slot: a fence for the optimiser.
inline double Ivl_pin(double x) {
  volatile double v = x;
  return v;
}

// f() computed under rounding mode `mode` (FE_DOWNWARD or FE_UPWARD); the
// mode is back at nearest on return.
template <class F>
double Ivl_rounded(int mode, F f) {
  std::fesetround(mode);
  const double r = Ivl_pin(f());
  std::fesetround(FE_TONEAREST);
  return r;
}
