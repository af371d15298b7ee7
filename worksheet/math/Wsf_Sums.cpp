// Sums and products: plain values compute here, the kinds of the evaluation
// modes through the generic operators.
#include "worksheet/math/Wsf_Sums.h"

#include <cmath>
#include <string_view>

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

// Folds step over every number of the arguments: range elements and single
// cells that are numbers, direct arguments by their number.
template <class Step>
Value* fold(Value* result, int argc, const Value* const* argv, double start, Step step) {
  double total = start;
  bool counted = false;
  for (int i = 0; i < argc; ++i) {
    const Value* a = argv[i];
    if (a->kind != kValArray && !Wsf_isCellReference(a)) {
      double x = 0;
      if (!directNumber(a, &x, result)) return result;
      total = step(total, x);
      counted = true;
      continue;
    }
    for (int32_t k = 0; k < Wsf_count(a); ++k) {
      const Value* e = Wsf_element(a, k);
      if (Wsf_isError(e)) return Wsf_copy(result, e);
      if (isNumber(e)) {
        total = step(total, e->number);
        counted = true;
      }
    }
  }
  // Nothing counted is 0, for PRODUCT too.
  return Wsf_finite(result, counted ? total : 0.0);
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

// SUMPRODUCT's sum over the evaluation modes; a position holding a boolean,
// a text or an array counts 0.
Value* sumproductModal(Value* result, int argc, const Value* const* argv, int32_t positions, EvalContext* ctx) {
  WsfLocal total(ctx), product(ctx);
  Val_setNumber(&total.v, 0.0);
  for (int32_t k = 0; k < positions; ++k) {
    Val_setNumber(&product.v, 1.0);
    for (int i = 0; i < argc; ++i) {
      const Value* e = Wsf_element(argv[i], k);
      if (e->kind == kValBool || e->kind > kValError) {
        Val_setNumber(&product.v, 0.0);
        break;
      }
      product = Op_mul(*product, *e);
    }
    total = Op_add(*total, *product);
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
    for (int i = 0; i < argc; ++i) {
      const Value* e = Wsf_element(argv[i], k);
      if (Wsf_isError(e)) return Wsf_copy(result, e);
      // Texts, empty cells and booleans (such as the elements of a
      // comparison over a range, which "--" turns into numbers) count as 0,
      // as the worksheet counts them.
      product *= isNumber(e) ? e->number : 0.0;
    }
    total += product;
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
  if (EvalContext* ctx = nullptr; Wsf_anyModal(4, all, &ctx)) {
    // Horner's rule through the generic operators, the last coefficient
    // first.
    WsfLocal step(ctx), total(ctx), power(ctx);
    Wsf_power(&step.v, x, m);
    total = *Wsf_element(coefficients, Wsf_count(coefficients) - 1);
    for (int32_t k = Wsf_count(coefficients) - 2; k >= 0; --k) {
      total = Op_mul(*total, *step);
      total = Op_add(*total, *Wsf_element(coefficients, k));
    }
    Wsf_power(&power.v, x, n);
    return Wsf_from(result, Op_mul(*power, *total));
  }
  double xv = 0, nv = 0, mv = 0;
  if (!directNumber(x, &xv, result) || !directNumber(n, &nv, result) || !directNumber(m, &mv, result)) return result;
  // At x = 0 a term whose power is 0 is #NUM! and one whose power is
  // negative #DIV/0!, as the worksheet's power of 0 is.
  for (int32_t k = 0; xv == 0 && k < Wsf_count(coefficients); ++k) {
    const double power = nv + k * mv;
    if (power <= 0) return Wsf_error(result, power == 0 ? kErrNum : kErrDiv0);
  }
  const double step = std::pow(xv, mv);
  double total = 0;
  for (int32_t k = Wsf_count(coefficients) - 1; k >= 0; --k) {
    const Value* c = Wsf_element(coefficients, k);
    double a = 0;
    if (!directNumber(c, &a, result)) return result;
    total = total * step + a;
  }
  return Wsf_finite(result, std::pow(xv, nv) * total);
}
