// Sums and products: plain values compute here, the kinds of the evaluation
// modes through the generic operators.
#include "worksheet/math/Wsf_Sums.h"

#include <cmath>
#include <string_view>
#include <vector>

#include "arithmetic/operators/Op_Elementary.h"
#include "arithmetic/operators/Op_Operators.h"
#include "values/Smp_Payload.h"
#include "values/Vm_Context.h"
#include "values/Vm_Status.h"
#include "worksheet/common/Wsf_Args.h"
#include "worksheet/kernels/Kern_Collect.h"
#include "worksheet/kernels/Stat_Kernels.h"
#include "worksheet/math/Wsf_Unary.h"

namespace {


bool isNumber(const Value* v) { return v->kind == kValInt || v->kind == kValReal; }

// The number a direct argument stands for; false, with the result set, when
// it has none.
bool directNumber(const Value* v, double* x, Value* result) {
  if (Wsf_isError(v)) return Wsf_copy(result, v), false;
  if (Wsf_isPlain(v)) return *x = v->number, true;
  return Wsf_error(result, kErrValue), false;
}

// Calls take(x) for every number of the arguments: range elements and
// single cells that are numbers, direct arguments by their number. False,
// with the result set, on an error or a direct argument without a number.
template <class Take>
bool eachNumber(Value* result, int argc, const Value* const* argv, Take take) {
  for (int i = 0; i < argc; ++i) {
    const Value* a = argv[i];
    if (a->kind != kValArray && !Wsf_isCellReference(a)) {
      double x = 0;
      if (!directNumber(a, &x, result)) return false;
      take(x);
      continue;
    }
    for (int32_t k = 0; k < Wsf_count(a); ++k) {
      const Value* e = Wsf_element(a, k);
      if (Wsf_isError(e)) return Wsf_copy(result, e), false;
      if (isNumber(e)) take(e->number);
    }
  }
  return true;
}

// Folds step over every number of the arguments.
template <class Step>
Value* fold(Value* result, int argc, const Value* const* argv, double start, Step step) {
  double total = start;
  bool counted = false;
  const auto take = [&](double x) {
    total = step(total, x);
    counted = true;
  };
  if (!eachNumber(result, argc, argv, take)) return result;
  // Nothing counted is 0, for PRODUCT too.
  return Wsf_finite(result, counted ? total : 0.0);
}

// SERIESSUM's coefficients in the evaluation modes, each keeping its place
// in the series: a direct argument as it is, of an array or a cell every
// element (a blank, a logical, a number or a value of the modes). A text
// there has no place to give up and is #VALUE!, in order with the errors:
// the first of them is the result. False, with the result set, on these.
bool modalCoefficients(Value* result, const Value* coefficients, std::vector<const Value*>* c) {
  const bool direct = coefficients->kind != kValArray && !Wsf_isCellReference(coefficients);
  for (int32_t k = 0; k < Wsf_count(coefficients); ++k) {
    const Value* e = direct ? coefficients : Wsf_element(coefficients, k);
    if (Wsf_isError(e)) return Wsf_copy(result, e), false;
    if (!direct && e->kind == kValText) return Wsf_error(result, kErrValue), false;
    c->push_back(e);
  }
  return true;
}

// SERIESSUM's coefficients as numbers, each keeping its place: a value
// given directly by its number, of a range or array every element, a blank
// as 0 and a logical as its number; a text there is #VALUE!, in order with
// the errors. False, with the result set, on these.
bool plainCoefficients(Value* result, const Value* coefficients, std::vector<double>* c) {
  if (coefficients->kind != kValArray && !Wsf_isCellReference(coefficients)) {
    double x = 0;
    if (!directNumber(coefficients, &x, result)) return false;
    c->push_back(x);
    return true;
  }
  for (int32_t k = 0; k < Wsf_count(coefficients); ++k) {
    const Value* e = Wsf_element(coefficients, k);
    if (Wsf_isError(e)) return Wsf_copy(result, e), false;
    if (!Wsf_isPlain(e)) return Wsf_error(result, kErrValue), false;
    c->push_back(Wsf_number(e));
  }
  return true;
}

// x to the power p as the worksheet's power has it: 0 to the power 0 is
// #NUM!, to a negative power #DIV/0!, a negative number to a fractional
// power #NUM!. False, with the result set, on these.
bool worksheetPower(Value* result, double x, double p, double* power) {
  if (x == 0 && p <= 0) return Wsf_error(result, p == 0 ? kErrNum : kErrDiv0), false;
  if (x < 0 && p != std::trunc(p)) return Wsf_error(result, kErrNum), false;
  *power = std::pow(x, p);
  return true;
}

using Step = Value (*)(const Value& total, const Value& x);

Value addStep(const Value& total, const Value& x) { return Op_add(total, x); }
Value mulStep(const Value& total, const Value& x) { return Op_mul(total, x); }
Value addSquareStep(const Value& total, const Value& x) {
  WsfLocal square(total.context);
  Wsf_sqr(&square.v, &x);
  return Op_add(total, *square);
}

// SUM, PRODUCT and SUMSQ over the evaluation modes: every direct argument,
// whatever its kind, and every single cell and array element of kinds 3 to
// 18 (numbers, mode values and errors) go through the generic operators in
// order.
Value* foldModal(Value* result, int argc, const Value* const* argv, EvalContext* ctx, double start, Step step) {
  WsfLocal total(ctx);
  Val_setNumber(&total.v, start);
  for (int i = 0; i < argc; ++i) {
    const Value* a = argv[i];
    if (a->kind != kValArray && !Wsf_isCellReference(a)) {
      total.take(step(*total, *a));
      continue;
    }
    for (int32_t k = 0; k < Wsf_count(a); ++k) {
      const Value* e = Wsf_element(a, k);
      if (e->kind >= kValInt && e->kind <= kValError) total.take(step(*total, *e));
    }
  }
  return Wsf_copy(result, &*total);
}

// SUMPRODUCT's sum over the evaluation modes, by the value mode's rule: an
// error at any position is the result, and a position holding a boolean, a
// text, a blank or an array counts 0.
Value* sumproductModal(Value* result, int argc, const Value* const* argv, int32_t positions, EvalContext* ctx) {
  WsfLocal total(ctx), product(ctx);
  Val_setNumber(&total.v, 0.0);
  for (int32_t k = 0; k < positions; ++k) {
    Val_setNumber(&product.v, 1.0);
    bool counts = true;
    for (int i = 0; i < argc; ++i) {
      const Value* e = Wsf_element(argv[i], k);
      if (Wsf_isError(e)) return Wsf_copy(result, e);
      if (!isNumber(e) && !Op_isModeKind(e->kind)) counts = false;
      else if (counts) product = Op_mul(*product, *e);
    }
    if (counts) total = Op_add(*total, *product);
  }
  return Wsf_copy(result, &*total);
}

// The pair terms over the evaluation modes: a^2 - b^2, a^2 + b^2, (a - b)^2.
enum class PairTerm { kDifferenceOfSquares, kSumOfSquares, kSquaredDifference };

// The term lands in the context's result.
Value pairTermModal(PairTerm which, const Value& a, const Value& b, EvalContext* ctx) {
  WsfLocal p(ctx), q(ctx);
  if (which == PairTerm::kSquaredDifference) {
    p = Op_sub(a, b);
    return *Wsf_sqr(ctx->buffers.result, &*p);
  }
  Wsf_sqr(&p.v, &a);
  Wsf_sqr(&q.v, &b);
  return which == PairTerm::kSumOfSquares ? Op_add(*p, *q) : Op_sub(*p, *q);
}

// The paired sums over the evaluation modes: a pair takes part when both
// of its elements are numbers, mode values or errors; no pair sums to 0.
Value* pairedModal(Value* result, const Value* a, const Value* b, PairTerm which, EvalContext* ctx) {
  const auto single = [](const Value* v) { return v->kind >= kValInt && v->kind <= kValError; };
  if (Wsf_count(a) != Wsf_count(b)) return Wsf_error(result, kErrNA);
  WsfLocal total(ctx);
  Val_setNumber(&total.v, 0.0);
  for (int32_t k = 0; k < Wsf_count(a); ++k) {
    const Value* p = Wsf_element(a, k);
    const Value* q = Wsf_element(b, k);
    if (!single(p) || !single(q)) continue;
    const Value term = pairTermModal(which, *p, *q, ctx);
    total = Op_add(*total, term);
  }
  return Wsf_copy(result, &*total);
}

// The paired sums: term(a, b) over positions where both are numbers (a
// single value is one position, a blank or a text none); no pair sums to 0.
template <class Term>
Value* paired(Value* result, const Value* a, const Value* b, PairTerm which, Term term) {
  const Value* const pair[] = {a, b};
  if (EvalContext* ctx = nullptr; Wsf_anyModal(2, pair, &ctx)) return pairedModal(result, a, b, which, ctx);
  if (Wsf_count(a) != Wsf_count(b)) return Wsf_error(result, kErrNA);
  double total = 0;
  for (int32_t k = 0; k < Wsf_count(a); ++k) {
    const Value* p = Wsf_element(a, k);
    const Value* q = Wsf_element(b, k);
    if (Wsf_isError(p)) return Wsf_copy(result, p);
    if (Wsf_isError(q)) return Wsf_copy(result, q);
    if (!isNumber(p) || !isNumber(q)) continue;
    total += term(p->number, q->number);
  }
  return Wsf_finite(result, total);
}

// SERIESSUM over the evaluation modes: term by term through the generic
// operators, as the plain numbers sum it. The first error coefficient is
// the result, and where x, n and m have points, a power the worksheet's
// rule refuses at them (0 to the power 0, to a negative power, a negative
// number to a fractional power) is its error, zero coefficient or not.
Value* seriesModal(Value* result, const Value* x, const Value* n, const Value* m, const Value* coefficients,
                   EvalContext* ctx) {
  std::vector<const Value*> c;
  if (!modalCoefficients(result, coefficients, &c)) return result;
  double xp = 0, np = 0, mp = 0, unused = 0;
  if (Op_pointNumber(*x, &xp) && Op_pointNumber(*n, &np) && Op_pointNumber(*m, &mp))
    for (size_t k = 0; k < c.size(); ++k)
      if (!worksheetPower(result, xp, np + static_cast<double>(k) * mp, &unused)) return result;
  WsfLocal total(ctx), exponent(ctx), power(ctx);
  Val_setNumber(&total.v, 0.0);
  for (size_t k = 0; k < c.size(); ++k) {
    exponent = Op_mulVS(*m, static_cast<double>(k));
    exponent = Op_add(*n, *exponent);
    Wsf_power(&power.v, x, &exponent.v);
    power = Op_mul(*c[k], *power);
    total = Op_add(*total, *power);
  }
  return Wsf_copy(result, &total.v);
}

}  // namespace

Value* Wsf_sum(Value* result, int argc, const Value* const* argv) {
  EvalContext* ctx = nullptr;
  if (Wsf_anyModal(argc, argv, &ctx)) {
    // With aggregation a lone sample vector sums over its trials.
    if (ctx->flags.aggregate && argc == 1 && argv[0]->kind == kValSamples) {
      const auto* v = static_cast<const SampleVector*>(argv[0]->payload);
      return Wsf_finite(result, Stat_sum(v->n, v->data, 0));
    }
    return foldModal(result, argc, argv, ctx, 0.0, addStep);
  }
  return fold(result, argc, argv, 0.0, [](double t, double x) { return t + x; });
}

Value* Wsf_product(Value* result, int argc, const Value* const* argv) {
  EvalContext* ctx = nullptr;
  if (Wsf_anyModal(argc, argv, &ctx)) return foldModal(result, argc, argv, ctx, 1.0, mulStep);
  return fold(result, argc, argv, 1.0, [](double t, double x) { return t * x; });
}

Value* Wsf_sumsq(Value* result, int argc, const Value* const* argv) {
  EvalContext* ctx = nullptr;
  if (Wsf_anyModal(argc, argv, &ctx)) return foldModal(result, argc, argv, ctx, 0.0, addSquareStep);
  return fold(result, argc, argv, 0.0, [](double t, double x) { return t + x * x; });
}

Value* Wsf_sumproduct(Value* result, int argc, const Value* const* argv, bool arrayFormula) {
  (void)arrayFormula;  // a single argument sums its elements in every cell
  if (argc < 1) return Wsf_error(result, kErrNA);
  const Value* first = argv[0];
  const int32_t rows = first->kind == kValArray ? first->array->rows : 1;
  const int32_t columns = first->kind == kValArray ? first->array->columns : 1;
  for (int i = 0; i < argc; ++i) {
    const Value* a = argv[i];
    const bool fits = a->kind == kValArray ? (a->array->rows == rows && a->array->columns == columns)
                                           : (rows == 1 && columns == 1);
    if (!fits) return Wsf_error(result, kErrValue);
  }
  if (EvalContext* ctx = nullptr; Wsf_anyModal(argc, argv, &ctx))
    return sumproductModal(result, argc, argv, rows * columns, ctx);
  double total = 0;
  for (int32_t k = 0; k < rows * columns; ++k) {
    double product = 1;
    bool counts = true;
    for (int i = 0; i < argc; ++i) {
      const Value* e = Wsf_element(argv[i], k);
      if (Wsf_isError(e)) return Wsf_copy(result, e);
      // Texts, empty cells and booleans (such as the elements of a
      // comparison over a range, which "--" turns into numbers) make the
      // position's product 0, as the worksheet counts them, even when the
      // numbers before them overflowed.
      if (isNumber(e)) product *= e->number;
      else counts = false;
    }
    if (counts) total += product;
  }
  return Wsf_finite(result, total);
}

Value* Wsf_sumx2my2(Value* r, const Value* a, const Value* b) {
  return paired(r, a, b, PairTerm::kDifferenceOfSquares, [](double x, double y) { return x * x - y * y; });
}
Value* Wsf_sumx2py2(Value* r, const Value* a, const Value* b) {
  return paired(r, a, b, PairTerm::kSumOfSquares, [](double x, double y) { return x * x + y * y; });
}
Value* Wsf_sumxmy2(Value* r, const Value* a, const Value* b) {
  return paired(r, a, b, PairTerm::kSquaredDifference, [](double x, double y) { return (x - y) * (x - y); });
}

Value* Wsf_seriessum(Value* result, const Value* x, const Value* n, const Value* m, const Value* coefficients) {
  const Value* const all[] = {x, n, m, coefficients};
  if (EvalContext* ctx = nullptr; Wsf_anyModal(4, all, &ctx)) return seriesModal(result, x, n, m, coefficients, ctx);
  double xv = 0, nv = 0, mv = 0;
  if (!directNumber(x, &xv, result) || !directNumber(n, &nv, result) || !directNumber(m, &mv, result)) return result;
  // Each term is a power of its own, so only the powers the coefficients
  // need are checked.
  std::vector<double> c;
  if (!plainCoefficients(result, coefficients, &c)) return result;
  double total = 0;
  for (size_t k = 0; k < c.size(); ++k) {
    double power = 0;
    if (!worksheetPower(result, xv, nv + static_cast<double>(k) * mv, &power)) return result;
    total += c[k] * power;
  }
  return Wsf_finite(result, total);
}
