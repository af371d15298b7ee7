// Value with gradient and Hessian, payload of a kind-8 value: partials 1..n
// and the full (n + 1) x (n + 1) matrix of second partials (row and column 0
// unused). Sizing, copying and seeding; the arithmetic lives with the Hessian
// family.
#pragma once

#include <cstdint>

struct EvalContext;

struct HessValue {
  double value;
  double* gradient;  // slots 1..n
  double** hessian;  // rows 0..capacity, each capacity + 1 entries
  int32_t n;
  int32_t capacity;
  EvalContext* context;
};

// Sizes gradient and Hessian for n variables (zeroed) and binds the record.
bool Hess_init(HessValue* h, int32_t n, EvalContext* ctx);
// Makes dst a copy of src; false when memory runs out, with dst left empty.
bool Hess_set(HessValue* dst, const HessValue* src);
// Decision variable at position p: unit gradient at p, zero Hessian.
void Hess_setVar(HessValue* h, double value, int32_t p);
// A constant: zero gradient and Hessian.
void Hess_setConst(HessValue* h, double value);
// Frees gradient and every row and zeroes the record.
void Hess_free(HessValue* h);
