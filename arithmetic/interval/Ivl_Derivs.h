// Value, first and second derivative of a unary elementary function over an
// interval, shared by every interval family (interval gradients, interval
// Hessians, the interval tape), so that they agree with one another.
#pragma once

#include <cstdint>

#include "values/Ivl_Interval.h"

struct IvlDerivs {
  Interval f;
  Interval d1;
  Interval d2;
};

// True when op has no value anywhere on x: ACOS and ASIN of an x that misses
// [-1, 1], LN of an x with no positive point, SQRT of an x below 0 (with
// sqrtAtZero also an x with no positive point).
bool Ivl_refuses(int32_t op, const Interval& x, bool sqrtAtZero = false);
// The unary operation op (an OpCode from ABS to TANH, square included; not
// MAX, MIN or POWER) over x, whose ends are first cut to the function's
// domain in place as the interval function does. SQRT takes its derivatives
// on the cut argument kept at or above the domain floor; ABS of an x
// through 0 has its kink inside and the second derivative of a kink; SIGN
// of an x that holds 0 and another point jumps inside the box, where its
// first and second derivatives are not bounded (the whole line).
IvlDerivs Ivl_elementary(int32_t op, Interval* x);

// Weights of MAX (isMax) or MIN in the derivative of each operand, by their
// position: [1, 1] for the one that wins over the whole box, [0, 0] for the
// other, [0, 1] for both when they overlap.
void Ivl_maxMinWeights(bool isMax, const Interval& x, const Interval& y, Interval* wx, Interval* wy);
// Whether MAX or MIN of x and y may switch operand inside the box: neither
// lies at or above the other over the whole box, so a kink may lie inside.
bool Ivl_maxMinCrosses(const Interval& x, const Interval& y);
// The second derivative of MAX or MIN of x and y along the difference of
// their gradients: at a kink inside the box it is not bounded, the whole
// line; [0, 0] when the operands do not cross. ABS, as MAX(x, -x), takes the
// same second derivative.
Interval Ivl_maxMinKink(const Interval& x, const Interval& y);
// Whether SIGN of values enclosed by x may change over the box: x holds 0
// and some other point (or is not a number), so the jump at 0 lies inside
// the box or on its edge. [0, 0] and an x on one side of 0 give a constant.
bool Ivl_signJumps(const Interval& x);

// True when a real exponent is an integer that an integer power can take:
// such a power is defined for negative bases too, and every interval family
// computes it as the integer power.
bool Ivl_isIntegerExponent(double e);
