// Arithmetic of the value-with-gradient family (kind 6): forward-mode first
// derivatives. Every operation writes its result into the context's kind-6
// result record, or, while the context records a tape, into the next tape
// record (which names the operation and its operands for the Hessian
// replay), and returns a shallow copy of that record; a caller that keeps the
// result copies it with Grad_set at once. Operands must not be that record.
// A zero divisor raises status 30 and an argument outside an open domain
// status 31; the operation then returns its operand unchanged.
#pragma once

#include <cstdint>

#include "values/Grad_Payload.h"

// The integer constant k.
void Grad_setInt(GradValue* g, int32_t k);

GradValue Grad_neg(const GradValue* x);
GradValue Grad_sub(const GradValue* x, const GradValue* y);
GradValue Grad_subSV(double s, const GradValue* y);
GradValue Grad_subVS(const GradValue* x, double s);
GradValue Grad_add(const GradValue* x, const GradValue* y);
GradValue Grad_addSV(double s, const GradValue* y);
GradValue Grad_addVS(const GradValue* x, double s);
GradValue Grad_mul(const GradValue* x, const GradValue* y);
GradValue Grad_mulSV(double s, const GradValue* y);
GradValue Grad_mulVS(const GradValue* x, double s);
GradValue Grad_div(const GradValue* x, const GradValue* y);
GradValue Grad_divSV(double s, const GradValue* y);
GradValue Grad_divVS(const GradValue* x, double s);
GradValue Grad_abs(const GradValue* x);
GradValue Grad_acos(const GradValue* x);
GradValue Grad_asin(const GradValue* x);
GradValue Grad_atan(const GradValue* x);
GradValue Grad_cos(const GradValue* x);
GradValue Grad_cosh(const GradValue* x);
GradValue Grad_exp(const GradValue* x);
GradValue Grad_ln(const GradValue* x);
// MAX and MIN: values within a relative 2^-26 tie, and a tie of two varying
// operands takes the mean of their derivatives.
GradValue Grad_max(const GradValue* x, const GradValue* y);
GradValue Grad_maxSV(double s, const GradValue* y);
GradValue Grad_maxVS(const GradValue* x, double s);
GradValue Grad_min(const GradValue* x, const GradValue* y);
GradValue Grad_minSV(double s, const GradValue* y);
GradValue Grad_minVS(const GradValue* x, double s);
// x^y refuses a base of 0 or below; the forms with a number do not check.
GradValue Grad_pow(const GradValue* x, const GradValue* y);
GradValue Grad_powSV(double s, const GradValue* y);
GradValue Grad_powVS(const GradValue* x, double s);
GradValue Grad_sign(const GradValue* x);
GradValue Grad_sin(const GradValue* x);
GradValue Grad_sinh(const GradValue* x);
GradValue Grad_sqr(const GradValue* x);
GradValue Grad_sqrt(const GradValue* x);
GradValue Grad_tan(const GradValue* x);
GradValue Grad_tanh(const GradValue* x);
