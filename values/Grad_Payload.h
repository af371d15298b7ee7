// Value with gradient, payload of a kind-6 value: the value and its partial
// derivatives 1..n, with the derivative formula texts of the symbolic face.
// Sizing, copying and seeding; the arithmetic lives with the gradient family.
#pragma once

#include <cstdint>

#include "values/Pay_Tape.h"

struct EvalContext;

// Length of one formula text buffer of the symbolic face, terminator included.
constexpr int32_t kGradTextLength = 256;

struct GradValue {
  double value;
  double* gradient;  // slots 1..n, slot 0 unused
  int32_t n;
  int32_t capacity;
  int32_t node;  // tape record, minus a variable's position, or 0
  EvalContext* context;
  char16_t* valueText;       // symbolic face only: kGradTextLength characters
  char16_t** partialTexts;   // symbolic face only: slots 0..textCount
  int32_t textCount;         // number of partial-text slots past slot 0
};

// Sizes the gradient for n variables (zeroed) and binds the record to ctx.
bool Grad_init(GradValue* g, int32_t n, EvalContext* ctx);
// Makes dst a copy of src, texts included; false when memory runs out, with
// dst left empty.
bool Grad_set(GradValue* dst, const GradValue* src);
// Decision variable at position p: the value with a unit derivative at p.
void Grad_setVar(GradValue* g, double value, int32_t p);
// A constant: the value with zero derivatives.
void Grad_setConst(GradValue* g, double value);
// Frees the gradient and the texts and zeroes the record.
void Grad_free(GradValue* g);

// One record of the kind-6 tape that the Hessian replay walks backwards: the
// operation's result, its adjoint during the replay, the operation, the
// number operand of a mixed operation and the operands' references.
struct GradTapeRec {
  GradValue forward;
  GradValue adjoint;
  int32_t op;  // OpCode
  double constant;
  NodeRef operand1;
  NodeRef operand2;
};

// Frees records 0..capacity with their values, then the array; null-safe.
void Grad_freeTape(GradTapeRec* tape, int32_t capacity);
