// Directed rounding for the interval library: bounds computed in their own
// rounding direction. The operands are read and the results written through
// volatile slots, so that the compiler can neither fold an operation nor move
// it across a switch of the rounding mode.
//
// A switch costs far more than the arithmetic it brackets, so the rounding
// control is read once per operation, and where the doubles are computed in
// the SSE unit (x86-64) only its control register is written: the x87 unit,
// which computes long doubles only, stays at nearest. Nothing computed
// between the switches is a long double (the bounds are sums, differences,
// products, quotients, maxima, square roots and powers of doubles, which the
// C library computes in the SSE unit too). Elsewhere the switch is
// fesetround. The exception flags an operation raises are not kept.
#pragma once

#include <cfenv>

#include "values/Ivl_Interval.h"

#if defined(__x86_64__) && defined(__SSE2_MATH__)
#define CORVAN_IVL_SSE_ROUNDING 1
#endif

// The value passed through a volatile slot: a fence for the optimiser.
inline double Ivl_pin(double x) {
  volatile double v = x;
  return v;
}

#ifdef CORVAN_IVL_SSE_ROUNDING

// The SSE control register with its rounding field at nearest.
struct IvlControl {
  unsigned nearest = 0;
};

// The rounding field of the SSE control register holds the mode's x87
// field three places higher.
static_assert((FE_DOWNWARD << 3) == 0x2000 && (FE_UPWARD << 3) == 0x4000 && FE_TONEAREST == 0);
constexpr unsigned kIvlRoundingField = 0x6000;

inline IvlControl Ivl_control() {
  unsigned word;
  asm volatile("stmxcsr %0" : "=m"(word) : : "memory");
  return IvlControl{word & ~kIvlRoundingField};
}

// Sets rounding mode `mode` (FE_DOWNWARD, FE_UPWARD or FE_TONEAREST).
inline void Ivl_switch(IvlControl control, int mode) {
  unsigned word = control.nearest | static_cast<unsigned>(mode) << 3;
  asm volatile("ldmxcsr %0" : : "m"(word) : "memory");
}

#else

struct IvlControl {};

inline IvlControl Ivl_control() { return IvlControl{}; }
inline void Ivl_switch(IvlControl, int mode) { std::fesetround(mode); }

#endif

// f() computed under rounding mode `mode` (FE_DOWNWARD or FE_UPWARD); the
// mode is back at nearest on return.
template <class F>
double Ivl_rounded(int mode, F f) {
  const IvlControl control = Ivl_control();
  Ivl_switch(control, mode);
  const double r = Ivl_pin(f());
  Ivl_switch(control, FE_TONEAREST);
  return r;
}

// [lo() rounded down, hi() rounded up], with one read of the rounding
// control; the mode is back at nearest on return.
template <class Lo, class Hi>
Interval Ivl_outward(Lo lo, Hi hi) {
  const IvlControl control = Ivl_control();
  Ivl_switch(control, FE_DOWNWARD);
  const double l = Ivl_pin(lo());
  Ivl_switch(control, FE_UPWARD);
  const double h = Ivl_pin(hi());
  Ivl_switch(control, FE_TONEAREST);
  return Interval{l, h};
}
