// Interval with interval gradient and curvature class, payload of a kind-9
// value. Sizing, copying and seeding; the arithmetic lives with the
// interval-gradient family.
#pragma once

#include <cstdint>

#include "values/Ivl_Interval.h"
#include "values/Pay_Tape.h"

struct EvalContext;

// Curvature class of a value over a box.
enum CurvClass : int32_t {
  kCurvStrictlyConcave = 0,
  kCurvConcave = 1,
  kCurvAffine = 2,
  kCurvConvex = 3,
  kCurvStrictlyConvex = 4,
  kCurvIndefinite = 5,
  kCurvUnknown = 6,
};

struct IvGradValue {
  Interval value;
  Interval* gradient;  // slots 1..n
  int32_t curvature;   // CurvClass
  int32_t n;
  int32_t capacity;
  int32_t node;  // tape record, minus a variable's position, or 0
  EvalContext* context;
};

// Sizes the gradient for n variables (zeroed) and binds the record to ctx.
bool IvGrad_init(IvGradValue* g, int32_t n, EvalContext* ctx);
// Makes dst a copy of src; false when memory runs out, with dst left empty.
bool IvGrad_set(IvGradValue* dst, const IvGradValue* src);
// Decision variable at position p over its interval: gradient [1, 1] at p,
// [0, 0] elsewhere, affine.
void IvGrad_setVar(IvGradValue* g, Interval value, int32_t p);
// A constant interval: zero gradient, affine.
void IvGrad_setConst(IvGradValue* g, Interval value);
// Frees the gradient and zeroes the record (curvature back to affine).
void IvGrad_free(IvGradValue* g);

// One record of the kind-9 tape that the interval Hessian replay walks
// backwards: the operation's result, its adjoint during the replay, the
// operation, the constant operand of a mixed operation and the operands.
struct IvGradTapeRec {
  IvGradValue forward;
  IvGradValue adjoint;
  int32_t op;  // OpCode
  Interval constant;
  NodeRef operand1;
  NodeRef operand2;
};

// Frees records 0..capacity with their values, then the array; null-safe.
void IvGrad_freeTape(IvGradTapeRec* tape, int32_t capacity);
