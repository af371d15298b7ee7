// Interval with interval gradient and interval Hessian (kind 11): every value
// encloses a formula, its gradient and its full Hessian over the box of the
// decision variables, propagated forward by the first- and second-order
// chain rules in interval arithmetic; at a kink that may lie inside the box
// (ABS through 0, MAX and MIN of operands that cross) the second partials
// along it are not bounded, and at a jump of SIGN in the box neither are
// the partials. Every operation writes the context's kind-11 result record
// and returns a shallow copy of it; a caller that keeps the result copies
// it with IvHess_set at once. Operands must not be that record. A domain
// fault (status 31, or 30 for a negative power of an interval through 0)
// gives [NaN, NaN] with zero derivatives.
#pragma once

#include <cstdint>

#include "values/IvHess_Payload.h"

// The constant x: zero partials and second partials.
void IvHess_setIvl(IvHessValue* v, const Interval& x);

IvHessValue IvHess_neg(const IvHessValue* x);
IvHessValue IvHess_sub(const IvHessValue* x, const IvHessValue* y);
IvHessValue IvHess_subSV(double d, const IvHessValue* x);
IvHessValue IvHess_subVS(const IvHessValue* x, double d);
IvHessValue IvHess_add(const IvHessValue* x, const IvHessValue* y);
IvHessValue IvHess_addSV(double d, const IvHessValue* x);
IvHessValue IvHess_addVS(const IvHessValue* x, double d);
IvHessValue IvHess_mul(const IvHessValue* x, const IvHessValue* y);
IvHessValue IvHess_mulSV(double d, const IvHessValue* x);
IvHessValue IvHess_mulVS(const IvHessValue* x, double d);
IvHessValue IvHess_div(const IvHessValue* x, const IvHessValue* y);
IvHessValue IvHess_divSV(double d, const IvHessValue* x);
IvHessValue IvHess_divVS(const IvHessValue* x, double d);
IvHessValue IvHess_abs(const IvHessValue* x);
IvHessValue IvHess_acos(const IvHessValue* x);
IvHessValue IvHess_asin(const IvHessValue* x);
IvHessValue IvHess_atan(const IvHessValue* x);
IvHessValue IvHess_cos(const IvHessValue* x);
IvHessValue IvHess_cosh(const IvHessValue* x);
IvHessValue IvHess_exp(const IvHessValue* x);
IvHessValue IvHess_ln(const IvHessValue* x);
IvHessValue IvHess_max(const IvHessValue* x, const IvHessValue* y);
IvHessValue IvHess_maxSV(double d, const IvHessValue* x);
IvHessValue IvHess_maxVS(const IvHessValue* x, double d);
IvHessValue IvHess_min(const IvHessValue* x, const IvHessValue* y);
IvHessValue IvHess_minSV(double d, const IvHessValue* x);
IvHessValue IvHess_minVS(const IvHessValue* x, double d);
IvHessValue IvHess_powVI(const IvHessValue* x, int32_t k);
IvHessValue IvHess_powVS(const IvHessValue* x, double r);
IvHessValue IvHess_powSV(double d, const IvHessValue* x);
IvHessValue IvHess_pow(const IvHessValue* x, const IvHessValue* y);
IvHessValue IvHess_sign(const IvHessValue* x);
IvHessValue IvHess_sin(const IvHessValue* x);
IvHessValue IvHess_sinh(const IvHessValue* x);
IvHessValue IvHess_sqr(const IvHessValue* x);
IvHessValue IvHess_sqrt(const IvHessValue* x);
IvHessValue IvHess_tan(const IvHessValue* x);
IvHessValue IvHess_tanh(const IvHessValue* x);
