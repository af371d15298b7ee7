// Interval with interval gradient and interval Hessian, payload of a kind-11
// value (row and column 0 of the Hessian unused). Sizing, copying and
// seeding; the arithmetic lives with the interval-Hessian family.
#pragma once

#include <cstdint>

#include "values/Ivl_Interval.h"

struct EvalContext;

struct IvHessValue {
  Interval value;
  Interval* gradient;  // slots 1..n
  Interval** hessian;  // rows 0..capacity, each capacity + 1 entries
  int32_t n;
  int32_t capacity;
  EvalContext* context;
};

// Sizes gradient and Hessian for n variables (zeroed) and binds the record.
bool IvHess_init(IvHessValue* h, int32_t n, EvalContext* ctx);
// Makes dst a copy of src; false when memory runs out, with dst left empty.
bool IvHess_set(IvHessValue* dst, const IvHessValue* src);
// Decision variable at position p: gradient [1, 1] at p, zero Hessian.
void IvHess_setVar(IvHessValue* h, Interval value, int32_t p);
// A constant interval: zero gradient and Hessian.
void IvHess_setConst(IvHessValue* h, Interval value);
// Frees gradient and every row and zeroes the record.
void IvHess_free(IvHessValue* h);
