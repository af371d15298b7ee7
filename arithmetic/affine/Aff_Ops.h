// Affine forms (kind 14): over a box where variable i lies in [m_i - w_i,
// m_i + w_i], a form centre + sum coef_i t_i + radius s (t_i in [-w_i, w_i],
// s in [-1, 1]) stands for a set of values that encloses the formula; shared
// variables cancel (x - x is exactly 0). Centre and coefficients are doubles
// at nearest; every rounding error they carry is moved into the radius, which
// is accumulated upward, so the range of a form always encloses the formula.
// With the context's keep-enclosure flag set, every form also carries a plain
// interval enclosure computed alongside. Every operation writes the context's
// affine result record and returns a shallow copy (a caller keeps it with
// Aff_set at once); the scratch record serves division and POWER of two
// forms. An argument wholly outside a function's domain raises status 31
// (division by a form through 0, and a negative power of one: status 30).
#pragma once

#include <cstdint>

#include "values/Aff_Payload.h"

// The half width to store for a variable over box, seeded with Aff_setVar:
// [centre - w, centre + w] covers the box although the centre is rounded.
double Aff_halfWidth(const Interval& box);
// The range of the form over the context's half widths (outward rounded);
// with intersect, cut to the enclosure when the context keeps enclosures.
Interval Aff_toIvl(const AffineForm* a, bool intersect);
// The form of an interval: its midpoint with a radius, no coefficients.
void Aff_setIvl(AffineForm* a, const Interval& x);

AffineForm Aff_neg(const AffineForm* x);
AffineForm Aff_sub(const AffineForm* x, const AffineForm* y);
AffineForm Aff_subSV(double c, const AffineForm* x);
AffineForm Aff_subVS(const AffineForm* x, double c);
AffineForm Aff_add(const AffineForm* x, const AffineForm* y);
AffineForm Aff_addSV(double c, const AffineForm* x);
AffineForm Aff_addVS(const AffineForm* x, double c);
AffineForm Aff_mul(const AffineForm* x, const AffineForm* y);
AffineForm Aff_mulSV(double c, const AffineForm* x);
AffineForm Aff_mulVS(const AffineForm* x, double c);
AffineForm Aff_div(const AffineForm* x, const AffineForm* y);
AffineForm Aff_divSV(double c, const AffineForm* x);
AffineForm Aff_divVS(const AffineForm* x, double c);

// Elementary functions: each replaced by a linear function of its argument
// (the secant slope) plus an intercept range covering the function at the
// ends of the argument's range and at every tangency point or kink inside.
// The functions with a domain (ACOS, ASIN, LN, LX and the real powers) take
// the argument's values inside it (its range cut to its kept enclosure, and
// an open end at 0 cut as the interval functions cut it), and raise status
// 31 only when none lies inside: a box partly outside the domain still holds
// every point inside it.
AffineForm Aff_abs(const AffineForm* x);
AffineForm Aff_acos(const AffineForm* x);
AffineForm Aff_asin(const AffineForm* x);
AffineForm Aff_atan(const AffineForm* x);
AffineForm Aff_cos(const AffineForm* x);
AffineForm Aff_sin(const AffineForm* x);
// A range that may hold a pole: the whole line (a form without bounds).
AffineForm Aff_tan(const AffineForm* x);
AffineForm Aff_cosh(const AffineForm* x);
AffineForm Aff_sinh(const AffineForm* x);
AffineForm Aff_tanh(const AffineForm* x);
AffineForm Aff_exp(const AffineForm* x);
AffineForm Aff_ln(const AffineForm* x);
AffineForm Aff_maxVS(const AffineForm* x, double c);
AffineForm Aff_maxSV(double c, const AffineForm* x);
AffineForm Aff_max(const AffineForm* x, const AffineForm* y);
AffineForm Aff_minVS(const AffineForm* x, double c);
AffineForm Aff_minSV(double c, const AffineForm* x);
AffineForm Aff_min(const AffineForm* x, const AffineForm* y);
// x^k; a negative k with 0 among the values of x (its pole): status 30.
AffineForm Aff_powVI(const AffineForm* x, int32_t k);
AffineForm Aff_powVS(const AffineForm* x, double r);
AffineForm Aff_powSV(double c, const AffineForm* x);
AffineForm Aff_pow(const AffineForm* x, const AffineForm* y);
AffineForm Aff_sign(const AffineForm* x);
AffineForm Aff_sqr(const AffineForm* x);
AffineForm Aff_sqrt(const AffineForm* x);
// (exp(a x) + b) c.
AffineForm Aff_gexp(const AffineForm* x, double a, double b, double c);
// ln(x / (1 - x)) on (0, 1).
AffineForm Aff_lx(const AffineForm* x);
// a + b x + c x^2 + d x^3.
AffineForm Aff_poly3(const AffineForm* x, double a, double b, double c, double d);
