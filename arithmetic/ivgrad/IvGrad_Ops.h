// Interval with interval gradient and curvature class (kind 9): every value
// encloses a formula and its gradient over the box of the decision
// variables; with the context's curvature flag set, every value also carries
// the curvature class of the formula (the sign class of its second
// derivative), propagated by the chain and product rules with signs only
// and, at the kinks of ABS, MAX and MIN, by the rules of convex functions;
// SIGN's jump in the box leaves the class unknown and the slope unbounded.
// Every operation writes the context's kind-9 result record, or, while the
// context records, the next record of the kind-9 tape (operation, operands
// and constant noted for the interval Hessian replay), and returns a shallow
// copy of it; a caller that keeps the result copies it with IvGrad_set at
// once. Operands must not be that record.
// A domain fault (status 31, or 30 for a negative power of an interval
// through 0) gives [NaN, NaN] with zero partials and class affine.
#pragma once

#include <cstdint>

#include "values/IvGrad_Payload.h"

// The constant [k, k] or x: zero partials, class affine.
void IvGrad_setInt(IvGradValue* v, int32_t k);
void IvGrad_setIvl(IvGradValue* v, const Interval& x);

IvGradValue IvGrad_neg(const IvGradValue* x);
IvGradValue IvGrad_sub(const IvGradValue* x, const IvGradValue* y);
IvGradValue IvGrad_subSV(double d, const IvGradValue* x);
IvGradValue IvGrad_subVS(const IvGradValue* x, double d);
IvGradValue IvGrad_add(const IvGradValue* x, const IvGradValue* y);
IvGradValue IvGrad_addSV(double d, const IvGradValue* x);
IvGradValue IvGrad_addVS(const IvGradValue* x, double d);
IvGradValue IvGrad_mul(const IvGradValue* x, const IvGradValue* y);
IvGradValue IvGrad_mulSV(double d, const IvGradValue* x);
IvGradValue IvGrad_mulVS(const IvGradValue* x, double d);
IvGradValue IvGrad_mulIvlV(const Interval& k, const IvGradValue* x);
IvGradValue IvGrad_mulVIvl(const IvGradValue* x, const Interval& k);
// A divisor through 0 gives the whole line (no status here).
IvGradValue IvGrad_div(const IvGradValue* x, const IvGradValue* y);
IvGradValue IvGrad_divSV(double d, const IvGradValue* x);
IvGradValue IvGrad_divVS(const IvGradValue* x, double d);
IvGradValue IvGrad_abs(const IvGradValue* x);
IvGradValue IvGrad_acos(const IvGradValue* x);
IvGradValue IvGrad_asin(const IvGradValue* x);
IvGradValue IvGrad_atan(const IvGradValue* x);
IvGradValue IvGrad_cos(const IvGradValue* x);
IvGradValue IvGrad_cosh(const IvGradValue* x);
IvGradValue IvGrad_exp(const IvGradValue* x);
IvGradValue IvGrad_ln(const IvGradValue* x);
IvGradValue IvGrad_max(const IvGradValue* x, const IvGradValue* y);
IvGradValue IvGrad_maxSV(double d, const IvGradValue* x);
IvGradValue IvGrad_maxVS(const IvGradValue* x, double d);
IvGradValue IvGrad_min(const IvGradValue* x, const IvGradValue* y);
IvGradValue IvGrad_minSV(double d, const IvGradValue* x);
IvGradValue IvGrad_minVS(const IvGradValue* x, double d);
IvGradValue IvGrad_powVI(const IvGradValue* x, int32_t k);
IvGradValue IvGrad_powVS(const IvGradValue* x, double r);
IvGradValue IvGrad_powVIvl(const IvGradValue* x, const Interval& k);
IvGradValue IvGrad_powSV(double d, const IvGradValue* x);
IvGradValue IvGrad_powIvlV(const Interval& k, const IvGradValue* x);
IvGradValue IvGrad_pow(const IvGradValue* x, const IvGradValue* y);
IvGradValue IvGrad_sign(const IvGradValue* x);
IvGradValue IvGrad_sin(const IvGradValue* x);
IvGradValue IvGrad_sinh(const IvGradValue* x);
IvGradValue IvGrad_sqr(const IvGradValue* x);
IvGradValue IvGrad_sqrt(const IvGradValue* x);
IvGradValue IvGrad_tan(const IvGradValue* x);
IvGradValue IvGrad_tanh(const IvGradValue* x);
