// Arithmetic of the sample-vector family (kind 5): one double per simulation
// trial, every operation element by element. Results go into the context's
// kind-5 result record (sized by the evaluator) and a shallow copy of it is
// returned; a caller that keeps it copies it with Smp_set. The number of
// elements is that of the first sample-vector operand; an operand of no
// elements leaves the record untouched. A check that fails (a zero divisor:
// status 30; an argument outside a domain: status 31) stops at the failing
// trial and returns the operand unchanged. Truth values are 1 and 0; a NaN
// trial is false in AND, OR and NOT.
#pragma once

#include "values/Smp_Payload.h"

// Every sample becomes v.
void Smp_setConst(SampleVector* x, double v);
// Mean of the samples; NaN for no samples.
double Smp_mean(const SampleVector* x);
// Largest sample (-infinity for none) and smallest (+infinity for none).
double Smp_maxElem(const SampleVector* x);
double Smp_minElem(const SampleVector* x);

SampleVector Smp_andVS(const SampleVector* x, double d);
SampleVector Smp_and(const SampleVector* x, const SampleVector* y);
SampleVector Smp_orVS(const SampleVector* x, double d);
SampleVector Smp_or(const SampleVector* x, const SampleVector* y);
SampleVector Smp_not(const SampleVector* x);
// Comparisons: = and <= and < are also true where either side is NaN; <>,
// >= and > are false there.
SampleVector Smp_eqVS(const SampleVector* x, double d);
SampleVector Smp_eq(const SampleVector* x, const SampleVector* y);
SampleVector Smp_neVS(const SampleVector* x, double d);
SampleVector Smp_ne(const SampleVector* x, const SampleVector* y);
SampleVector Smp_geVS(const SampleVector* x, double d);
SampleVector Smp_ge(const SampleVector* x, const SampleVector* y);
SampleVector Smp_gtVS(const SampleVector* x, double d);
SampleVector Smp_gt(const SampleVector* x, const SampleVector* y);
SampleVector Smp_leVS(const SampleVector* x, double d);
SampleVector Smp_le(const SampleVector* x, const SampleVector* y);
SampleVector Smp_ltVS(const SampleVector* x, double d);
SampleVector Smp_lt(const SampleVector* x, const SampleVector* y);

SampleVector Smp_neg(const SampleVector* x);
SampleVector Smp_sub(const SampleVector* x, const SampleVector* y);
SampleVector Smp_subSV(double d, const SampleVector* y);
SampleVector Smp_subVS(const SampleVector* x, double d);
SampleVector Smp_add(const SampleVector* x, const SampleVector* y);
SampleVector Smp_addSV(double d, const SampleVector* y);
SampleVector Smp_addVS(const SampleVector* x, double d);
SampleVector Smp_mul(const SampleVector* x, const SampleVector* y);
SampleVector Smp_mulSV(double d, const SampleVector* y);
SampleVector Smp_mulVS(const SampleVector* x, double d);
SampleVector Smp_div(const SampleVector* x, const SampleVector* y);
SampleVector Smp_divSV(double d, const SampleVector* y);
SampleVector Smp_divVS(const SampleVector* x, double d);
SampleVector Smp_abs(const SampleVector* x);
SampleVector Smp_acos(const SampleVector* x);
SampleVector Smp_asin(const SampleVector* x);
SampleVector Smp_atan(const SampleVector* x);
SampleVector Smp_cos(const SampleVector* x);
SampleVector Smp_cosh(const SampleVector* x);
SampleVector Smp_exp(const SampleVector* x);
SampleVector Smp_ln(const SampleVector* x);
SampleVector Smp_max(const SampleVector* x, const SampleVector* y);
SampleVector Smp_maxSV(double d, const SampleVector* y);
SampleVector Smp_maxVS(const SampleVector* x, double d);
SampleVector Smp_min(const SampleVector* x, const SampleVector* y);
SampleVector Smp_minSV(double d, const SampleVector* y);
SampleVector Smp_minVS(const SampleVector* x, double d);
// Powers take the runtime's result, with no domain check.
SampleVector Smp_pow(const SampleVector* x, const SampleVector* y);
SampleVector Smp_powSV(double d, const SampleVector* y);
SampleVector Smp_powVS(const SampleVector* x, double d);
SampleVector Smp_sign(const SampleVector* x);
SampleVector Smp_sin(const SampleVector* x);
SampleVector Smp_sinh(const SampleVector* x);
SampleVector Smp_sqr(const SampleVector* x);
// SQRT accepts 0.
SampleVector Smp_sqrt(const SampleVector* x);
SampleVector Smp_tan(const SampleVector* x);
SampleVector Smp_tanh(const SampleVector* x);
