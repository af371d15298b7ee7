// DOTPRODUCT, QUADPRODUCT, QUADTERM, GEXP, LX and POLY3. The forms sum
// products through the generic operators, so they work in every evaluation
// mode; the one-variable functions compute plain numbers by their kernels,
// affine forms by the affine family's own members and every other mode
// through the generic operators and EXP and LN.
#include "worksheet/math/Wsf_Model.h"

#include <cmath>
#include <deque>

#include "arithmetic/affine/Aff_Ops.h"
#include "arithmetic/operators/Op_Operators.h"
#include "values/Aff_Payload.h"
#include "values/Vm_Context.h"
#include "values/Vm_Status.h"
#include "worksheet/common/Wsf_Args.h"
#include "worksheet/kernels/Kern_Helpers.h"
#include "worksheet/math/Wsf_Unary.h"

namespace {

// Integers, reals, the kinds of the evaluation modes and errors take part;
// errors travel through the operators.
bool isOperand(const Value* v) { return v->kind >= kValInt && v->kind <= kValError; }

// Every element an operand.
bool allOperands(const Value* v) {
  for (int32_t i = 0; i < Wsf_count(v); ++i)
    if (!isOperand(Wsf_element(v, i))) return false;
  return true;
}

// A running sum of products through the generic operators: an error
// factor, the first one met, becomes the sum.
struct Sum {
  WsfLocal total, term;
  explicit Sum(EvalContext* ctx) : total(ctx), term(ctx) { Val_setNumber(&total.v, 0.0); }
  void add(std::initializer_list<const Value*> factors) {
    term = **factors.begin();
    for (auto f = factors.begin() + 1; f != factors.end(); ++f) term = Op_mul(*term, **f);
    total = Op_add(*total, *term);
  }
  Value* into(Value* result) const { return Wsf_copy(result, &*total); }
};

bool missing(const Value* v) { return v->kind == kValMissing; }

// The first error among the arguments, else null.
const Value* firstError(std::initializer_list<const Value*> args) {
  for (const Value* a : args)
    if (Wsf_isError(a)) return a;
  return nullptr;
}

bool allPlain(std::initializer_list<const Value*> args) {
  for (const Value* a : args)
    if (!Wsf_isPlain(a)) return false;
  return true;
}

// An affine form with plain coefficients goes to the affine family.
const AffineForm* affineOf(const Value* x, std::initializer_list<const Value*> coefficients) {
  return x->kind == kValAffine && x->payload && allPlain(coefficients) ? static_cast<const AffineForm*>(x->payload)
                                                                      : nullptr;
}

Value* affineResult(Value* result, const AffineForm& r) {
  Val_clear(result);
  return Val_setAffine(result, &r);
}

EvalContext* contextOf(std::initializer_list<const Value*> args) {
  for (const Value* a : args)
    if (a->context) return a->context;
  return nullptr;
}

}  // namespace

Value* Wsf_dotproduct(Value* result, int argc, const Value* const* argv, bool arrayFormula) {
  if (argc != 2) return Wsf_error(result, kErrValue);
  const Value* a = argv[0];
  const Value* b = argv[1];
  EvalContext* ctx = contextOf({a, b});
  if (isOperand(a) && isOperand(b)) {
    Sum s(ctx);
    s.add({a, b});
    return s.into(result);
  }
  if (a->kind != kValArray || b->kind != kValArray || !allOperands(a) || !allOperands(b))
    return Wsf_error(result, kErrValue);
  const int32_t r1 = a->array->rows, c1 = a->array->columns, r2 = b->array->rows, c2 = b->array->columns;
  Sum s(ctx);
  if (r1 == r2 && c1 == c2) {
    for (int32_t i = 0; i < r1 * c1; ++i) s.add({Wsf_element(a, i), Wsf_element(b, i)});
    return s.into(result);
  }
  if (c1 == r2 && r1 == c2) {
    for (int32_t i = 0; i < r1; ++i)
      for (int32_t j = 0; j < c1; ++j) s.add({Val_at(a, i, j), Val_at(b, j, i)});
    return s.into(result);
  }
  // One argument is a short vector, the other a block of several of its length.
  const Value* shortV = nullptr;
  const Value* block = nullptr;
  if (r1 == 1 && r2 != 1) shortV = a, block = b;
  else if (r2 == 1) shortV = b, block = a;
  else if (c1 == 1 && c2 != 1) shortV = a, block = b;
  else if (c2 == 1) shortV = b, block = a;
  else return Wsf_error(result, kErrValue);
  const int32_t length = Wsf_count(shortV);
  if (Wsf_count(block) % length != 0) return Wsf_error(result, kErrValue);
  const int32_t products = arrayFormula ? Wsf_count(block) / length : 1;
  std::deque<Sum> sums;
  for (int32_t k = 0; k < products; ++k) sums.emplace_back(ctx);
  for (int32_t m = 0; m < products * length; ++m) sums[m / length].add({Wsf_element(shortV, m % length), Wsf_element(block, m)});
  if (!arrayFormula) return sums[0].into(result);
  Value column = Val_empty(result->context);
  if (Val_makeArray(&column, static_cast<int32_t>(products), 1) != kStatusOk) return Wsf_error(result, kErrValue);
  for (int32_t k = 0; k < products; ++k) sums[k].into(Val_at(&column, k, 0));
  Val_clear(result);
  *result = column;
  return result;
}

Value* Wsf_quadproduct(Value* result, int argc, const Value* const* argv) {
  if (argc != 3) return Wsf_error(result, kErrValue);
  const Value* x = argv[0];
  const Value* c = argv[1];
  const Value* q = argv[2];
  Sum s(contextOf({x, c, q}));
  if (isOperand(x) && (isOperand(c) || missing(c)) && (isOperand(q) || missing(q))) {
    s.add({x, x, q});
    s.add({x, c});
    return s.into(result);
  }
  const bool cArray = c->kind == kValArray, qArray = q->kind == kValArray;
  if (x->kind != kValArray || !(cArray || missing(c)) || !(qArray || missing(q))) return Wsf_error(result, kErrValue);
  const int32_t n = Wsf_count(x);
  if ((cArray && Wsf_count(c) != n) || (qArray && Wsf_count(q) != n * n)) return Wsf_error(result, kErrValue);
  if (!allOperands(x) || (cArray && !allOperands(c)) || (qArray && !allOperands(q))) return Wsf_error(result, kErrValue);
  for (int32_t j = 0; qArray && j < n; ++j)
    for (int32_t i = 0; i < n; ++i) s.add({Wsf_element(x, j), Wsf_element(x, i), Wsf_element(q, j * n + i)});
  for (int32_t i = 0; cArray && i < n; ++i) s.add({Wsf_element(x, i), Wsf_element(c, i)});
  return s.into(result);
}

Value* Wsf_quadterm(Value* result, int argc, const Value* const* argv) {
  if (argc != 3) return Wsf_error(result, kErrValue);
  const Value* x = argv[0];
  const Value* y = argv[1];
  const Value* q = argv[2];
  Sum s(contextOf({x, y, q}));
  if (isOperand(x) && isOperand(y) && (isOperand(q) || missing(q))) {
    s.add({x, y, q});
    return s.into(result);
  }
  const bool qArray = q->kind == kValArray;
  if (x->kind != kValArray || y->kind != kValArray || !(qArray || missing(q))) return Wsf_error(result, kErrValue);
  const int32_t n = Wsf_count(x);
  if (Wsf_count(y) != n || (qArray && Wsf_count(q) != n * n)) return Wsf_error(result, kErrValue);
  if (!allOperands(x) || !allOperands(y) || (qArray && !allOperands(q))) return Wsf_error(result, kErrValue);
  for (int32_t i = 0; qArray && i < n; ++i)
    for (int32_t j = 0; j < n; ++j) s.add({Wsf_element(x, i), Wsf_element(y, j), Wsf_element(q, i * n + j)});
  return s.into(result);
}

Value* Wsf_gexp(Value* result, const Value* x, const Value* a, const Value* b, const Value* c) {
  if (const AffineForm* f = affineOf(x, {a, b, c})) return affineResult(result, Aff_gexp(f, a->number, b->number, c->number));
  if (allPlain({x, a, b, c})) return Wsf_finite(result, Kern_gexp(&x->number, &a->number, &b->number, &c->number));
  if (const Value* e = firstError({x, a, b, c})) return Wsf_copy(result, e);
  EvalContext* ctx = contextOf({x, a, b, c});
  WsfLocal t(ctx), power(ctx);
  t = Op_mul(*a, *x);
  Wsf_exp(&power.v, &*t);
  t = Op_add(*power, *b);
  return Wsf_from(result, Op_mul(*t, *c));
}

Value* Wsf_lx(Value* result, const Value* x) {
  if (const AffineForm* f = affineOf(x, {})) return affineResult(result, Aff_lx(f));
  if (Wsf_isError(x)) return Wsf_copy(result, x);
  if (Wsf_isPlain(x)) {
    if (x->number == 1) return Wsf_error(result, kErrDiv0);
    const double q = x->number / (1 - x->number);
    if (!(q > 0)) return Wsf_error(result, kErrNum);
    return Wsf_finite(result, std::log(q));
  }
  WsfLocal t(x->context);
  t = Op_subSV(1.0, *x);
  t = Op_div(*x, *t);
  return Wsf_ln(result, &*t);
}

Value* Wsf_poly3(Value* result, const Value* x, const Value* a, const Value* b, const Value* c, const Value* d) {
  if (const AffineForm* f = affineOf(x, {a, b, c, d}))
    return affineResult(result, Aff_poly3(f, a->number, b->number, c->number, d->number));
  if (allPlain({x, a, b, c, d}))
    return Wsf_finite(result, Kern_poly3(&x->number, &a->number, &b->number, &c->number, &d->number));
  if (const Value* e = firstError({x, a, b, c, d})) return Wsf_copy(result, e);
  // Horner's rule: ((d x + c) x + b) x + a.
  WsfLocal t(contextOf({x, a, b, c, d}));
  t = Op_mul(*d, *x);
  t = Op_add(*t, *c);
  t = Op_mul(*t, *x);
  t = Op_add(*t, *b);
  t = Op_mul(*t, *x);
  return Wsf_from(result, Op_add(*t, *a));
}
