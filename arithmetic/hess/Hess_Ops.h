// Arithmetic of the value-with-gradient-and-Hessian family (kind 8):
// forward-mode second derivatives. Every operation writes value, gradient and
// the Hessian (both triangles, on the block of rows and columns where it can
// be non-zero: the operands' blocks and the non-zero slots of the gradients
// in its second-order terms) into the context's kind-8 result record and
// returns a shallow copy of it; a caller that keeps the result copies it
// with Hess_set at once. Operands must not be that record. A zero divisor
// raises status 30 and an argument outside an open domain status 31; the
// operation then returns its operand unchanged.
#pragma once

#include "values/Hess_Payload.h"

HessValue Hess_neg(const HessValue* x);
HessValue Hess_sub(const HessValue* x, const HessValue* y);
HessValue Hess_subSV(double s, const HessValue* y);
HessValue Hess_subVS(const HessValue* x, double s);
HessValue Hess_add(const HessValue* x, const HessValue* y);
HessValue Hess_addSV(double s, const HessValue* y);
HessValue Hess_addVS(const HessValue* x, double s);
HessValue Hess_mul(const HessValue* x, const HessValue* y);
HessValue Hess_mulSV(double s, const HessValue* y);
HessValue Hess_mulVS(const HessValue* x, double s);
HessValue Hess_div(const HessValue* x, const HessValue* y);
HessValue Hess_divSV(double s, const HessValue* y);
HessValue Hess_divVS(const HessValue* x, double s);
HessValue Hess_abs(const HessValue* x);
HessValue Hess_acos(const HessValue* x);
HessValue Hess_asin(const HessValue* x);
HessValue Hess_atan(const HessValue* x);
HessValue Hess_cos(const HessValue* x);
HessValue Hess_cosh(const HessValue* x);
HessValue Hess_exp(const HessValue* x);
HessValue Hess_ln(const HessValue* x);
// MAX and MIN tie as in the gradient family: a tie of two varying operands
// takes the mean of their gradients and Hessians.
HessValue Hess_max(const HessValue* x, const HessValue* y);
HessValue Hess_maxSV(double s, const HessValue* y);
HessValue Hess_maxVS(const HessValue* x, double s);
HessValue Hess_min(const HessValue* x, const HessValue* y);
HessValue Hess_minSV(double s, const HessValue* y);
HessValue Hess_minVS(const HessValue* x, double s);
HessValue Hess_pow(const HessValue* x, const HessValue* y);
HessValue Hess_powSV(double s, const HessValue* y);
HessValue Hess_powVS(const HessValue* x, double s);
HessValue Hess_sign(const HessValue* x);
HessValue Hess_sin(const HessValue* x);
HessValue Hess_sinh(const HessValue* x);
HessValue Hess_sqr(const HessValue* x);
HessValue Hess_sqrt(const HessValue* x);
HessValue Hess_tan(const HessValue* x);
HessValue Hess_tanh(const HessValue* x);
