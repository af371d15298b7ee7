// Sums and products: plain values compute here, the kinds of the evaluation
// modes through the generic operators.
#include "worksheet/math/Wsf_Sums.h"

#include <cmath>
#include <string_view>

#include "arithmetic/operators/Op_Operators.h"
#include "values/Smp_Payload.h"
#include "values/Text_Convert.h"
#include "values/Vm_Context.h"
#include "values/Vm_Status.h"
#include "worksheet/common/Wsf_Args.h"
#include "worksheet/kernels/Num_Collect.h"
#include "worksheet/kernels/Stat_Kernels.h"
#include "worksheet/math/Wsf_Unary.h"
#include "worksheet/statistics/Wsf_Sample.h"

namespace {

// SUBTOTAL's function numbers.
enum Subtotal { kAverage = 1, kCount, kCountA, kMax, kMin, kProduct, kStdev, kStdevP, kSum, kVar, kVarP };
constexpr double kHiddenRowsOffset = 100;

bool isNumber(const Value* v) { return v->kind == kValInt || v->kind == kValReal; }

int32_t countOf(const Value* v) { return v->kind == kValArray ? v->array->rows * v->array->columns : 1; }

const Value* elementOf(const Value* v, int32_t i) {
  if (v->kind != kValArray) return v;
  return Val_at(v, i / v->array->columns, i % v->array->columns);
}

// The number a direct argument stands for; false, with the result set, when
// it has none.
bool directNumber(const Value* v, double* x, Value* result) {
  if (Wsf_isError(v)) return Wsf_copy(result, v), false;
  if (Wsf_isPlain(v)) return *x = v->number, true;
  if (v->kind == kValText && Text_toDouble(v->text ? v->text : u"", x)) return true;
  return Wsf_error(result, kErrValue), false;
}

// Folds step over every number of the arguments: range elements that are
// numbers, direct arguments by their number.
template <class Step>
Value* fold(Value* result, int argc, const Value* const* argv, double start, Step step) {
  double total = start;
  bool counted = false;
  for (int i = 0; i < argc; ++i) {
    const Value* a = argv[i];
    if (a->kind != kValArray) {
      double x = 0;
      if (!directNumber(a, &x, result)) return result;
      total = step(total, x);
      counted = true;
      continue;
    }
    for (int32_t k = 0; k < countOf(a); ++k) {
      const Value* e = elementOf(a, k);
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
// whatever its kind, and every array element of kinds 3 to 18 (numbers,
// mode values and errors) go through the generic operators in order.
Value* foldModal(Value* result, int argc, const Value* const* argv, EvalContext* ctx, double start, Step step) {
  WsfLocal total(ctx);
  Val_setNumber(&total.v, start);
  for (int i = 0; i < argc; ++i) {
    const Value* a = argv[i];
    if (a->kind != kValArray) {
      total = step(*total, *a);
      continue;
    }
    for (int32_t k = 0; k < countOf(a); ++k) {
      const Value* e = elementOf(a, k);
      if (e->kind >= kValInt && e->kind <= kValError) total = step(*total, *e);
    }
  }
  return Wsf_copy(result, &*total);
}

// SUMPRODUCT's sum over the evaluation modes; a position holding a text,
// an array or an element that is not a number counts 0.
Value* sumproductModal(Value* result, int argc, const Value* const* argv, int32_t positions, EvalContext* ctx) {
  WsfLocal total(ctx), product(ctx);
  Val_setNumber(&total.v, 0.0);
  for (int32_t k = 0; k < positions; ++k) {
    Val_setNumber(&product.v, 1.0);
    for (int i = 0; i < argc; ++i) {
      const Value* e = elementOf(argv[i], k);
      if (e->kind < kValInt || e->kind > kValError) {
        Val_setNumber(&product.v, 0.0);
        break;
      }
      product = Op_mul(*product, *e);
    }
    total = Op_add(*total, *product);
  }
  return Wsf_copy(result, &*total);
}

// The paired sums: term(a, b) over positions where both are numbers.
template <class Term>
Value* paired(Value* result, const Value* a, const Value* b, Term term) {
  const bool aSingle = a->kind != kValArray, bSingle = b->kind != kValArray;
  if (aSingle && bSingle) {
    if (Wsf_isError(a)) return Wsf_copy(result, a);
    if (Wsf_isError(b)) return Wsf_copy(result, b);
    if (!isNumber(a) || !isNumber(b)) return Wsf_error(result, kErrValue);
    return Wsf_finite(result, term(a->number, b->number));
  }
  if (countOf(a) != countOf(b)) return Wsf_error(result, kErrNA);
  double total = 0;
  bool any = false;
  for (int32_t k = 0; k < countOf(a); ++k) {
    const Value* p = elementOf(a, k);
    const Value* q = elementOf(b, k);
    if (Wsf_isError(p)) return Wsf_copy(result, p);
    if (Wsf_isError(q)) return Wsf_copy(result, q);
    if (!isNumber(p) || !isNumber(q)) continue;
    total += term(p->number, q->number);
    any = true;
  }
  if (!any) return Wsf_error(result, kErrValue);
  return Wsf_finite(result, total);
}

// SUBTOTAL's AVERAGE, COUNT and COUNTA.
Value* countOrAverage(Value* result, int argc, const Value* const* argv, int32_t which) {
  double n = 0, sum = 0;
  for (int i = 0; i < argc; ++i)
    for (int32_t k = 0; k < countOf(argv[i]); ++k) {
      const Value* e = elementOf(argv[i], k);
      if (which == kAverage && Wsf_isError(e)) return Wsf_copy(result, e);
      if (which == kCountA ? (e->kind != kValEmpty && e->kind != kValMissing) : isNumber(e)) {
        ++n;
        sum += e->number;
      }
    }
  if (which != kAverage) {
    Val_clear(result);
    return Val_setInt(result, static_cast<int32_t>(n));
  }
  if (n == 0) return Wsf_error(result, kErrDiv0);
  return Wsf_finite(result, sum / n);
}

}  // namespace

Value* Wsf_sum(Value* result, int argc, const Value* const* argv) {
  EvalContext* ctx = nullptr;
  if (Wsf_anyModal(argc, argv, &ctx)) {
    // With aggregation a lone sample vector sums over its trials.
    if (ctx->aggregate && argc == 1 && argv[0]->kind == kValSamples) {
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
      const Value* e = elementOf(argv[i], k);
      if (Wsf_isError(e)) return Wsf_copy(result, e);
      // Texts, booleans and empty cells of a range count as 0.
      product *= isNumber(e) ? e->number : 0.0;
    }
    total += product;
  }
  return Wsf_finite(result, total);
}

Value* Wsf_sumx2my2(Value* r, const Value* a, const Value* b) {
  return paired(r, a, b, [](double x, double y) { return x * x - y * y; });
}
Value* Wsf_sumx2py2(Value* r, const Value* a, const Value* b) {
  return paired(r, a, b, [](double x, double y) { return x * x + y * y; });
}
Value* Wsf_sumxmy2(Value* r, const Value* a, const Value* b) {
  return paired(r, a, b, [](double x, double y) { return (x - y) * (x - y); });
}

Value* Wsf_seriessum(Value* result, const Value* x, const Value* n, const Value* m, const Value* coefficients) {
  double xv = 0, nv = 0, mv = 0;
  if (!directNumber(x, &xv, result) || !directNumber(n, &nv, result) || !directNumber(m, &mv, result)) return result;
  const double step = std::pow(xv, mv);
  double total = 0;
  for (int32_t k = countOf(coefficients) - 1; k >= 0; --k) {
    const Value* c = elementOf(coefficients, k);
    double a = 0;
    if (!directNumber(c, &a, result)) return result;
    total = total * step + a;
  }
  return Wsf_finite(result, std::pow(xv, nv) * total);
}

Value* Wsf_subtotal(Value* result, int argc, const Value* const* argv) {
  if (argc < 1) return Wsf_error(result, kErrValue);
  const Value* selector = argv[0]->kind == kValArray ? Val_at(argv[0], 0, 0) : argv[0];
  if (Wsf_isError(selector)) return Wsf_copy(result, selector);
  if (!Wsf_isPlain(selector)) return Wsf_error(result, kErrValue);
  // 101 to 111 are the same functions leaving hidden rows out; no row is
  // hidden here.
  double which = std::trunc(selector->number);
  if (which > kHiddenRowsOffset) which -= kHiddenRowsOffset;
  const int rest = argc - 1;
  const Value* const* refs = argv + 1;
  switch (static_cast<int32_t>(which >= static_cast<double>(kAverage) && which <= static_cast<double>(kVarP) ? which : 0)) {
    case kAverage:
    case kCount:
    case kCountA: return countOrAverage(result, rest, refs, static_cast<int32_t>(which));
    case kMax: return Wsf_max(result, rest, refs);
    case kMin: return Wsf_min(result, rest, refs);
    case kProduct: return Wsf_product(result, rest, refs);
    case kStdev: return Wsf_stdev(result, rest, refs);
    case kStdevP: return Wsf_stdevp(result, rest, refs);
    case kSum: return Wsf_sum(result, rest, refs);
    case kVar: return Wsf_var(result, rest, refs);
    case kVarP: return Wsf_varp(result, rest, refs);
    default: return Wsf_error(result, kErrValue);
  }
}
