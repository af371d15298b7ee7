// SUBTOTAL: the function its first argument numbers over the others.
#include "worksheet/statistics/Wsf_Subtotal.h"

#include <cmath>

#include "arithmetic/operators/Op_Operators.h"
#include "values/Vm_Status.h"
#include "worksheet/common/Wsf_Args.h"
#include "worksheet/math/Wsf_Sums.h"
#include "worksheet/statistics/Wsf_Sample.h"

namespace {

// SUBTOTAL's function numbers.
enum Subtotal {
  kAverage = 1,
  kCount,
  kCountA,
  kMax,
  kMin,
  kProduct,
  kStdev,
  kStdevP,
  kSum,
  kVar,
  kVarP
};
constexpr double kHiddenRowsOffset = 100;

// Whether COUNTA (which) or COUNT and AVERAGE count e: to these a value of
// an evaluation mode stands for a number.
bool counted(const Value* e, int32_t which) {
  if (which == kCountA) return e->kind != kValEmpty && e->kind != kValMissing;
  return e->kind >= kValInt && e->kind <= kValDegVec;
}

// SUBTOTAL's AVERAGE, COUNT and COUNTA; AVERAGE adds by the generic
// operators, so that it has every evaluation mode. The counts pass on a
// value the evaluation mode could not compute, AVERAGE every error.
Value* countOrAverage(Value* result, int argc, const Value* const* argv, int32_t which) {
  if (which != kAverage && Wsf_passNoDerivative(result, argc, argv)) return result;
  WsfLocal sum(result->context);
  Val_setNumber(&sum.v, 0.0);
  int32_t n = 0;
  for (int i = 0; i < argc; ++i)
    for (int32_t k = 0; k < Wsf_count(argv[i]); ++k) {
      const Value* e = Wsf_element(argv[i], k);
      if (which == kAverage && Wsf_isError(e)) return Wsf_copy(result, e);
      if (!counted(e, which)) continue;
      ++n;
      if (which == kAverage) sum = Op_add(*sum, *e);
    }
  if (which != kAverage) return Wsf_integer(result, n);
  if (n == 0) return Wsf_error(result, kErrDiv0);
  return Wsf_from(result, Op_divVS(*sum, n));
}

}  // namespace

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
  switch (static_cast<int32_t>(
      which >= static_cast<double>(kAverage) && which <= static_cast<double>(kVarP) ? which : 0)) {
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
