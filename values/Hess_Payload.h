// Value with gradient and Hessian, payload of a kind-8 value: partials 1..n
// and the full (n + 1) x (n + 1) matrix of second partials (row and column 0
// unused). The record keeps the square block of rows and columns that may
// hold non-zero second partials; every entry outside it is zero, so that the
// arithmetic works on the block alone (a sum of products of a few variables
// touches a few rows) while a reader may still read the whole matrix.
// Sizing, copying and seeding; the arithmetic lives with the Hessian family.
#pragma once

#include <cstdint>

struct EvalContext;

struct HessValue {
  double value;
  double* gradient;  // slots 1..n
  double** hessian;  // rows 0..capacity, each capacity + 1 entries
  int32_t n;
  int32_t capacity;
  int32_t first;  // rows and columns first..last hold every non-zero entry
  int32_t last;   // of the Hessian; none when last < first
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
// Makes rows and columns first..last (within the capacity) the block that
// may hold non-zero entries: the entries of the former block outside it are
// zeroed, those inside keep their contents; last < first leaves the zero
// Hessian. Whoever writes an entry outside the block widens it first.
void Hess_setBlock(HessValue* h, int32_t first, int32_t last);
// Frees gradient and every row and zeroes the record.
void Hess_free(HessValue* h);
