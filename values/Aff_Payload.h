// Affine form, payload of a kind-14 value: centre + sum of coef[i] * t_i +
// radius * s over the deviations t_i of the variables from their midpoints,
// with an interval enclosure. Sizing, copying and seeding; the arithmetic
// lives with the affine family.
#pragma once

#include <cstdint>

#include "values/Ivl_Interval.h"

struct EvalContext;

struct AffineForm {
  double centre;
  double radius;  // never negative
  double* coef;   // slots 1..n
  int32_t n;
  int32_t capacity;
  EvalContext* context;
  Interval enclosure;
};

// Sizes the coefficients for n variables (zeroed) and binds the record.
bool Aff_init(AffineForm* a, int32_t n, EvalContext* ctx);
// Makes dst a copy of src; false when memory runs out, with dst left empty.
bool Aff_set(AffineForm* dst, const AffineForm* src);
// Decision variable at position p ranging over box: centre the midpoint,
// radius 0, coefficient 1 at p, enclosure the box.
void Aff_setVar(AffineForm* a, Interval box, int32_t p);
// A constant: centre value, no coefficients, enclosure [value, value].
void Aff_setConst(AffineForm* a, double value);
// Frees the coefficients and zeroes the record.
void Aff_free(AffineForm* a);
