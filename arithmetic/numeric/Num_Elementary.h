// The elementary functions of the derivative modes as numbers: each unary
// operation's value with its first and second derivative, the open domains
// that the derivative modes refuse to leave, and the value and operand
// weights of MAX and MIN. The forward, reverse and replay families all take
// their calculus from here, so that they agree with one another.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

#include "arithmetic/numeric/Num_Scalar.h"
#include "values/Pay_Tape.h"

// Value f(x), first derivative d1 and second derivative d2 of a unary
// operation.
struct NumDerivs {
  double f;
  double d1;
  double d2;
};


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

// The unary operation op (an OpCode from ABS to TANH, square included; not
// MAX, MIN or POWER) at x; without second, d2 may be left 0 where it would
// cost a division. An op outside that set gives NaNs. Inline, so that a
// family's member folds to its own function.
inline NumDerivs Num_elementary(int32_t op, double x, bool second = true) {
  switch (op) {
    case kOpAbs: return {Num_fabs(x), Num_sign(x), 0.0};
    case kOpAcos:
    case kOpAsin: {
      const double r = 1.0 - Num_sqrChecked(x), root = std::sqrt(r);
      const double sign = op == kOpAcos ? -1.0 : 1.0;
      return {op == kOpAcos ? std::acos(x) : std::asin(x), sign / root, second ? sign * x / (r * root) : 0.0};
    }
    case kOpAtan: {
      const double r = Num_sqrChecked(x) + 1.0;
      return {std::atan(x), 1.0 / r, second ? -2.0 * x / (r * r) : 0.0};
    }
    case kOpCos: {
      const double c = std::cos(x);
      return {c, -std::sin(x), -c};
    }
    case kOpCosh: {
      const double c = std::cosh(x);
      return {c, std::sinh(x), c};
    }
    case kOpExp: {
      const double e = std::exp(x);
      return {e, e, e};
    }
    case kOpLn: return {std::log(x), 1.0 / x, second ? -1.0 / Num_sqrChecked(x) : 0.0};
    case kOpSign: return {Num_sign(x), 0.0, 0.0};
    case kOpSin: {
      const double s = std::sin(x);
      return {s, std::cos(x), -s};
    }
    case kOpSinh: {
      const double s = std::sinh(x);
      return {s, std::cosh(x), s};
    }
    case kOpSquare: return {Num_sqrChecked(x), 2.0 * x, 2.0};
    case kOpSqrt: {
      const double r = std::sqrt(x);
      return {r, 0.5 / r, second ? -0.25 / (x * r) : 0.0};
    }
    case kOpTan: {
      const double t = std::tan(x);
      const double d1 = Num_sqrChecked(t) + 1.0;
      return {t, d1, 2.0 * t * d1};
    }
    case kOpTanh: {
      const double t = std::tanh(x);
      const double d1 = 1.0 - Num_sqrChecked(t);
      return {t, d1, -2.0 * t * d1};
    }
    default: {
      const double nan = std::numeric_limits<double>::quiet_NaN();
      return {nan, nan, nan};
    }
  }
}

// x^s with its derivatives in x. A derivative whose factor is zero (the
// first of x^0, the second of x^0 and x^1) is zero, also at x = 0, where
// the power of x it multiplies has no finite value.
inline NumDerivs Num_powerConst(double x, double s) {
  // A power that underflows to 0 makes its term 0, even where the factor
  // leaves the doubles (s (s - 1) for a huge exponent s).
  const auto term = [x](double factor, double exponent) {
    const double p = std::pow(x, exponent);
    return factor == 0.0 || p == 0.0 ? 0.0 : factor * p;
  };
  return {std::pow(x, s), term(s, s - 1.0), term(s * (s - 1.0), s - 2.0)};
}

// Whether the slope of x^s (s x^(s-1)) leaves the doubles while the power
// does not, at a base other than 0: a tiny base to a negative power. The
// derivatives in the variables then go through the base, s p gx / x.
inline bool Num_powerSlopeOverflows(double x, const NumDerivs& d) {
  return x != 0.0 && std::isfinite(d.f) && !std::isfinite(d.d1);
}

// Whether q = x / y takes its derivatives through the divisor: its
// coefficient in x (1 / y) or in y (-q / y) leaves the doubles' normal
// range, above it at a tiny y or below it at a huge one (3 / (3 + 1E+300 x)
// has -q / y of about 1E-600), while the derivatives need not,
// (gx - q gy) / y.
inline bool Num_quotientCoefficientsOutOfRange(double q, double y) {
  return !std::isnormal(1.0 / y) || (q != 0.0 && !std::isnormal(q / y));
}

// The logarithm of a constant base s as the slope of s^y in y uses it
// (ln(s) s^y): 0 for the base 0, whose power is 0 at every exponent y > 0
// it takes, so without slope; a negative base stays without a logarithm.
inline double Num_lnBase(double s) { return s == 0.0 ? 0.0 : std::log(s); }

// The slope of p = x^y in a base x > 0: (y / x) p, or y x^(y-1) where
// that leaves the doubles on the way, at a subnormal base: y / x overflows
// while the slope need not, and times a p that underflowed to 0 it is NaN.
inline double Num_powerBaseSlope(double x, double y, double slope) {
  return std::isfinite(slope) ? slope : y * std::pow(x, y - 1);
}

// True when op refuses x in the derivative modes: ACOS and ASIN outside the
// open interval (-1, 1), LN, SQRT and the base of POWER at 0 or below, NaN
// included. Other operations refuse nothing.
inline bool Num_refusesArgument(int32_t op, double x) {
  switch (op) {
    case kOpAcos:
    case kOpAsin: return !(x > -1.0 && x < 1.0);
    case kOpLn:
    case kOpSqrt:
    case kOpPower: return !(x > 0.0);
    default: return false;
  }
}

