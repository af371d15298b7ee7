// Elementary functions with their derivatives, domains, MAX and MIN weights.
#include "arithmetic/numeric/Num_Elementary.h"

#include <cmath>
#include <limits>

#include "arithmetic/numeric/Num_Scalar.h"
#include "arithmetic/payload/Pay_Tape.h"

NumDerivs Num_elementary(int32_t op, double x) {
  switch (op) {
    case kOpAbs: return {Num_fabs(x), Num_sign(x), 0.0};
    case kOpAcos: {
      const double r = 1.0 - Num_sqrChecked(x);
      return {std::acos(x), -1.0 / std::sqrt(r), -x / (r * std::sqrt(r))};
    }
    case kOpAsin: {
      const double r = 1.0 - Num_sqrChecked(x);
      return {std::asin(x), 1.0 / std::sqrt(r), x / (r * std::sqrt(r))};
    }
    case kOpAtan: {
      const double r = Num_sqrChecked(x) + 1.0;
      return {std::atan(x), 1.0 / r, -2.0 * x / (r * r)};
    }
    case kOpCos: return {std::cos(x), -std::sin(x), -std::cos(x)};
    case kOpCosh: return {std::cosh(x), std::sinh(x), std::cosh(x)};
    case kOpExp: {
      const double e = std::exp(x);
      return {e, e, e};
    }
    case kOpLn: return {std::log(x), 1.0 / x, -1.0 / Num_sqrChecked(x)};
    case kOpSign: return {Num_sign(x), 0.0, 0.0};
    case kOpSin: return {std::sin(x), std::cos(x), -std::sin(x)};
    case kOpSinh: return {std::sinh(x), std::cosh(x), std::sinh(x)};
    case kOpSquare: return {Num_sqrChecked(x), 2.0 * x, 2.0};
    case kOpSqrt: {
      const double r = std::sqrt(x);
      return {r, 1.0 / (2.0 * r), -1.0 / (4.0 * x * r)};
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

NumDerivs Num_powerConst(double x, double s) {
  return {std::pow(x, s), s * std::pow(x, s - 1.0), s * (s - 1.0) * std::pow(x, s - 2.0)};
}

bool Num_refusesArgument(int32_t op, double x) {
  switch (op) {
    case kOpAcos:
    case kOpAsin: return !(x > -1.0 && x < 1.0);
    case kOpLn:
    case kOpSqrt:
    case kOpPower: return !(x > 0.0);
    default: return false;
  }
}

NumMaxMin Num_maxMin(bool isMax, double a, double b, bool aVaries, bool bVaries) {
  const bool aWins = isMax ? a > b : a < b;
  NumMaxMin r{aWins ? a : b, aWins ? 1.0 : 0.0, aWins ? 0.0 : 1.0};
  if (Num_nearlyEqual(&a, &b)) {
    const double share = aVaries && bVaries ? 0.5 : 1.0;
    r.wa = share;
    r.wb = share;
  }
  if (!aVaries) r.wa = 0.0;
  if (!bVaries) r.wb = 0.0;
  return r;
}
