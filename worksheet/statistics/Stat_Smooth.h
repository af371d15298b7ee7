// A smooth function of one value that no chain of the generic operators
// computes (the normal law and its inverse), in the evaluation modes that
// carry derivatives at a point and in sample vectors. Its value, slope and
// curvature at the argument's point give a second-order form in the
// argument's deviation from that point, built with the generic operators:
// its value, gradient and Hessian are the function's own there.
#pragma once

#include "values/Val_Value.h"

struct StatSmooth {
  double (*value)(double);      // NaN outside the domain
  double (*slope)(double);      // first derivative
  double (*curvature)(double);  // second derivative
};

// f(u): plain numbers on f.value ("#num!" outside the domain), sample
// vectors trial by trial, the point-derivative kinds (gradient, reverse
// tape, Hessian) by the second-order form, the structure modes as a smooth
// nonlinear dependency on u. Interval kinds are refused with
// "Unsupported function" and "#value!": the form encloses nothing.
Value* Stat_smoothOf(Value* result, const Value* u, const StatSmooth& f);
// Whether the kind carries derivatives at a point (gradient, reverse tape,
// Hessian).
bool Stat_isPointDerivative(int32_t kind);
// The number of a plain value or the point of a point-derivative kind.
double Stat_pointOf(const Value* u);
// A mode the function cannot give: "Unsupported function" raised on the
// value's context (the machine names the cell) and "#value!" answered.
Value* Stat_refuseMode(Value* result, const Value* v);
