// SIGN of an affine or a square argument, alone or beside a convex term,
// over boxes on one side of its jump at 0, through it, touching it and on
// it, with the curvature class over the box worked out by hand, for every
// family that adapts the expression skeletons (var, un, bin, vs); and the
// slopes and second differences along x1 that any interval first and second
// derivative over the box must hold.
#pragma once

#include <cstdint>
#include <vector>

#include "arithmetic/interval/Curv_Class.h"
#include "tests/arithmetic/IntervalBoxes.h"
#include "tests/arithmetic/ModeFamilies.h"
#include "values/Ivl_Interval.h"

// The argument: x1 + shift or x1^2 + shift.
enum class SignArgument { kAffine, kSquare };

struct SignCase {
  const char* name;
  SignArgument argument;
  double shift;
  bool plusSquare;  // SIGN(argument) + x2^2
  Interval box1, box2;
  int32_t curvature;  // the CurvClass over the box
  bool jumps;         // the value may change inside the box
};

using SA = SignArgument;
inline const SignCase kSignCases[] = {
    {"SIGN(x1) above 0", SA::kAffine, 0, false, {0.5, 2}, {-1, 1}, kCurvAffine, false},
    {"SIGN(x1) below 0", SA::kAffine, 0, false, {-2, -0.5}, {-1, 1}, kCurvAffine, false},
    {"SIGN(x1) on 0", SA::kAffine, 0, false, {0, 0}, {-1, 1}, kCurvAffine, false},
    {"SIGN(x1) through 0", SA::kAffine, 0, false, {-1, 2}, {-1, 1}, kCurvUnknown, true},
    {"SIGN(x1) from 0", SA::kAffine, 0, false, {0, 2}, {-1, 1}, kCurvUnknown, true},
    {"SIGN(x1) up to 0", SA::kAffine, 0, false, {-2, 0}, {-1, 1}, kCurvUnknown, true},
    {"SIGN(x1 - 1) through 0", SA::kAffine, -1, false, {0, 2}, {-1, 1}, kCurvUnknown, true},
    {"SIGN(x1 - 1) below 0", SA::kAffine, -1, false, {-1, 0.5}, {-1, 1}, kCurvAffine, false},
    {"SIGN(x1^2 + 1) above 0", SA::kSquare, 1, false, {-1, 1}, {-1, 1}, kCurvAffine, false},
    {"SIGN(x1^2 - 1) through 0", SA::kSquare, -1, false, {-2, 2}, {-1, 1}, kCurvUnknown, true},
    {"SIGN(x1^2) from 0", SA::kSquare, 0, false, {0, 1}, {-1, 1}, kCurvUnknown, true},
    {"SIGN(x1) + x2^2 above 0", SA::kAffine, 0, true, {0.5, 2}, {-1, 1}, kCurvStrictlyConvex, false},
    {"SIGN(x1) + x2^2 through 0", SA::kAffine, 0, true, {-1, 1}, {-1, 1}, kCurvUnknown, true},
};

// The case's function in family a.
template <class F>
typename F::T signFunction(F& a, const SignCase& c) {
  const auto x = c.argument == SA::kAffine ? a.var(1) : a.un(kOpSquare, a.var(1));
  const auto s = a.un(kOpSign, a.vs(kOpAdd, x, c.shift));
  return c.plusSquare ? a.bin(kOpAdd, s, a.un(kOpSquare, a.var(2))) : s;
}

// check(slope, second) for pairs p < q of points of box1 (its ends among
// them) at one x2 of box2, in long double: the slope (f(q) - f(p)) / (q - p)
// and the second difference (f(p) - 2 f(m) + f(q)) / h^2, m = p + h the
// midpoint, along x1. Where f is smooth enough they are its first and
// second derivative along x1 at some point of the box, so an interval first
// or second derivative over the box holds them.
template <class Check>
void forEachSignDifference(BoxGenerator& gen, const SignCase& c, Check check) {
  const std::vector<double> t = gen.points(c.box1, 10);
  const long double x2 = gen.uniform(c.box2.lo, c.box2.hi);
  const auto f = [&](long double x1) {
    PlainFamilyOf<long double> plain{{0, x1, x2}};
    return signFunction(plain, c);
  };
  for (const double p : t)
    for (const double q : t) {
      if (!(p < q)) continue;
      const long double h = (static_cast<long double>(q) - p) / 2, m = p + h;
      check((f(q) - f(p)) / (2 * h), (f(p) - 2 * f(m) + f(q)) / (h * h));
    }
}
