// DOTPRODUCT, QUADPRODUCT, QUADTERM, GEXP, LX and POLY3 on plain values.
#include "worksheet/math/Wsf_Model.h"

#include <cmath>
#include <vector>

#include "values/Vm_Status.h"
#include "worksheet/common/Wsf_Args.h"
#include "worksheet/kernels/Num_Helpers.h"

namespace {

bool isOperand(const Value* v) { return v->kind == kValInt || v->kind == kValReal || v->kind == kValError; }

int32_t countOf(const Value* v) { return v->kind == kValArray ? v->array->rows * v->array->columns : 1; }

const Value* elementOf(const Value* v, int32_t i) {
  if (v->kind != kValArray) return v;
  return Val_at(v, i / v->array->columns, i % v->array->columns);
}

// Every element an operand.
bool allOperands(const Value* v) {
  for (int32_t i = 0; i < countOf(v); ++i)
    if (!isOperand(elementOf(v, i))) return false;
  return true;
}

// A running sum that keeps the first error met.
struct Sum {
  double total = 0;
  const Value* error = nullptr;
  void add(std::initializer_list<const Value*> factors) {
    double p = 1;
    for (const Value* f : factors) {
      if (Wsf_isError(f)) {
        if (!error) error = f;
        return;
      }
      p *= f->number;
    }
    total += p;
  }
  Value* into(Value* result) const { return error ? Wsf_copy(result, error) : Wsf_finite(result, total); }
};

bool missing(const Value* v) { return v->kind == kValMissing; }

// A plain number for the one-variable functions; null to compute.
Value* screen(Value* result, std::initializer_list<const Value*> args) {
  for (const Value* a : args)
    if (Wsf_isError(a)) return Wsf_copy(result, a);
  for (const Value* a : args)
    if (!Wsf_isPlain(a)) return Wsf_error(result, kErrValue);
  return nullptr;
}

}  // namespace

Value* Wsf_dotproduct(Value* result, int argc, const Value* const* argv, bool arrayFormula) {
  if (argc != 2) return Wsf_error(result, kErrValue);
  const Value* a = argv[0];
  const Value* b = argv[1];
  if (isOperand(a) && isOperand(b)) {
    Sum s;
    s.add({a, b});
    return s.into(result);
  }
  if (a->kind != kValArray || b->kind != kValArray || !allOperands(a) || !allOperands(b))
    return Wsf_error(result, kErrValue);
  const int32_t r1 = a->array->rows, c1 = a->array->columns, r2 = b->array->rows, c2 = b->array->columns;
  Sum s;
  if (r1 == r2 && c1 == c2) {
    for (int32_t i = 0; i < r1 * c1; ++i) s.add({elementOf(a, i), elementOf(b, i)});
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
  const int32_t length = countOf(shortV);
  if (countOf(block) % length != 0) return Wsf_error(result, kErrValue);
  const int32_t products = arrayFormula ? countOf(block) / length : 1;
  std::vector<Sum> sums(products);
  for (int32_t m = 0; m < products * length; ++m) sums[m / length].add({elementOf(shortV, m % length), elementOf(block, m)});
  if (!arrayFormula) return sums[0].into(result);
  Value column = Val_empty(result->context);
  if (Val_makeArray(&column, static_cast<uint16_t>(products), 1) != kStatusOk) return Wsf_error(result, kErrValue);
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
  Sum s;
  if (isOperand(x) && (isOperand(c) || missing(c)) && (isOperand(q) || missing(q))) {
    s.add({x, x, q});
    s.add({x, c});
    return s.into(result);
  }
  const bool cArray = c->kind == kValArray, qArray = q->kind == kValArray;
  if (x->kind != kValArray || !(cArray || missing(c)) || !(qArray || missing(q))) return Wsf_error(result, kErrValue);
  const int32_t n = countOf(x);
  if ((cArray && countOf(c) != n) || (qArray && countOf(q) != n * n)) return Wsf_error(result, kErrValue);
  if (!allOperands(x) || (cArray && !allOperands(c)) || (qArray && !allOperands(q))) return Wsf_error(result, kErrValue);
  for (int32_t j = 0; qArray && j < n; ++j)
    for (int32_t i = 0; i < n; ++i) s.add({elementOf(x, j), elementOf(x, i), elementOf(q, j * n + i)});
  for (int32_t i = 0; cArray && i < n; ++i) s.add({elementOf(x, i), elementOf(c, i)});
  return s.into(result);
}

Value* Wsf_quadterm(Value* result, int argc, const Value* const* argv) {
  if (argc != 3) return Wsf_error(result, kErrValue);
  const Value* x = argv[0];
  const Value* y = argv[1];
  const Value* q = argv[2];
  Sum s;
  if (isOperand(x) && isOperand(y) && (isOperand(q) || missing(q))) {
    s.add({x, y, q});
    return s.into(result);
  }
  const bool qArray = q->kind == kValArray;
  if (x->kind != kValArray || y->kind != kValArray || !(qArray || missing(q))) return Wsf_error(result, kErrValue);
  const int32_t n = countOf(x);
  if (countOf(y) != n || (qArray && countOf(q) != n * n)) return Wsf_error(result, kErrValue);
  if (!allOperands(x) || !allOperands(y) || (qArray && !allOperands(q))) return Wsf_error(result, kErrValue);
  for (int32_t i = 0; qArray && i < n; ++i)
    for (int32_t j = 0; j < n; ++j) s.add({elementOf(x, i), elementOf(y, j), elementOf(q, i * n + j)});
  return s.into(result);
}

Value* Wsf_gexp(Value* result, const Value* x, const Value* a, const Value* b, const Value* c) {
  if (Value* done = screen(result, {x, a, b, c})) return done;
  return Wsf_finite(result, Num_gexp(&x->number, &a->number, &b->number, &c->number));
}

Value* Wsf_lx(Value* result, const Value* x) {
  if (Value* done = screen(result, {x})) return done;
  if (x->number == 1) return Wsf_error(result, kErrDiv0);
  const double q = x->number / (1 - x->number);
  if (!(q > 0)) return Wsf_error(result, kErrNum);
  return Wsf_finite(result, std::log(q));
}

Value* Wsf_poly3(Value* result, const Value* x, const Value* a, const Value* b, const Value* c, const Value* d) {
  if (Value* done = screen(result, {x, a, b, c, d})) return done;
  return Wsf_finite(result, Num_poly3(&x->number, &a->number, &b->number, &c->number, &d->number));
}
