// The elementary functions of the derivative modes as numbers: each unary
// operation's value with its first and second derivative, the open domains
// that the derivative modes refuse to leave, and the value and operand
// weights of MAX and MIN. The forward, reverse and replay families all take
// their calculus from here, so that they agree with one another.
#pragma once

#include <cstdint>

// Value f(x), first derivative d1 and second derivative d2 of a unary
// operation.
struct NumDerivs {
  double f;
  double d1;
  double d2;
};

// The unary operation op (an OpCode from ABS to TANH, square included; not
// MAX, MIN or POWER) at x. An op outside that set gives NaNs.
NumDerivs Num_elementary(int32_t op, double x);
// x^s with its derivatives in x.
NumDerivs Num_powerConst(double x, double s);
// True when op refuses x in the derivative modes: ACOS and ASIN outside the
// open interval (-1, 1), LN, SQRT and the base of POWER at 0 or below, NaN
// included. Other operations refuse nothing.
bool Num_refusesArgument(int32_t op, double x);

// MAX (isMax) or MIN of a and b, with the weight of each side in the
// derivative. Values within Num_nearlyEqual of each other tie: two varying
// sides then weigh 0.5 each, and a lone varying side (the other a constant)
// weighs 1. Otherwise the selected side weighs 1 and the other 0. A side that
// does not vary gets weight 0.
struct NumMaxMin {
  double value;
  double wa;
  double wb;
};
NumMaxMin Num_maxMin(bool isMax, double a, double b, bool aVaries, bool bVaries);
