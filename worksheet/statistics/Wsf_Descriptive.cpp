// Descriptive statistics AVEDEV to LOGEST.
#include "worksheet/statistics/Wsf_Descriptive.h"

#include <algorithm>
#include <cmath>
#include <deque>
#include <limits>
#include <vector>

#include "arithmetic/operators/Op_Operators.h"
#include "arithmetic/sample/Smp_Ops.h"
#include "base/Dbl_Scale.h"
#include "values/Smp_Payload.h"
#include "values/Vm_Context.h"
#include "values/Vm_Status.h"
#include "worksheet/common/Wsf_Args.h"
#include "worksheet/kernels/Kern_Collect.h"
#include "worksheet/kernels/Kern_Helpers.h"
#include "worksheet/kernels/Stat_Kernels.h"
#include "worksheet/math/Wsf_Unary.h"
#include "worksheet/statistics/Stat_Moments.h"
#include "worksheet/statistics/Stat_Regression.h"
#include "worksheet/statistics/Wsf_Sample.h"

namespace {

// The kinds a function counts, and whether booleans and texts enter as
// their numbers (texts as 0).
struct Counted {
  int32_t lo, hi;
  bool asNumbers;
  bool refusesWords;  // a text given directly that is no number is "#value!" (else skipped)
  bool blankIsZero;   // a blank given directly (an argument left out) counts as 0 (else skipped)
};
constexpr Counted kValues{kValInt, kValError, false, true, true};      // AVERAGE and the like
constexpr Counted kAll{kValBool, kValText, true, false, false};        // AVERAGEA, COUNTA
constexpr Counted kNumbers{kValInt, kValDegVec, false, false, false};  // COUNT

const Value kZero = Val_scalar(kValReal, 0);

// The counted values, and the numbers of the texts given directly that some
// of them point at.
struct Gathered {
  StatValues values;
  std::deque<Value> numbers;
};

// A boolean given directly (not read from a cell) counts by its number, as
// the worksheet counts it (AVERAGE(TRUE, 3) is 2; COUNT("1", 2) is 2 as the
// text arrives as its number), and with blankIsZero a blank given directly
// (an argument left out) as 0; true when it was such a value.
bool takeDirect(const Value* a, bool blankIsZero, Gathered* out) {
  double x = 0;
  const bool direct = a->kind == kValBool || (blankIsZero && a->kind == kValEmpty);
  if (a->source || !direct || !Kern_directNumber(a, &x)) return false;
  out->numbers.push_back(kZero);
  out->numbers.back().number = x;
  out->values.push_back(&out->numbers.back());
  return true;
}

// The first error among the values, or null.
const Value* firstError(const StatValues& values) {
  for (const Value* v : values)
    if (Wsf_isError(v)) return v;
  return nullptr;
}

// The counted values of the arguments in order, array elements row by row;
// false with "#value!" in the result for a text given directly that is no
// number when the kinds refuse it, unless an error comes before it (the
// arguments are read in order: that error is the result).
bool countedValues(Value* result, int argc, const Value* const* argv, const Counted& kinds, Gathered* out) {
  const auto take = [&](const Value* v) {
    if (v->kind < kinds.lo || v->kind > kinds.hi) return;
    out->values.push_back(kinds.asNumbers && v->kind == kValText ? &kZero : v);
  };
  for (int i = 0; i < argc; ++i) {
    const Value* a = argv[i];
    if (!kinds.asNumbers && takeDirect(a, kinds.blankIsZero, out)) continue;
    if (kinds.refusesWords && a->kind == kValText && !a->source) {
      if (const Value* e = firstError(out->values)) return Wsf_copy(result, e), false;
      return Wsf_error(result, kErrValue), false;
    }
    if (a->kind != kValArray) take(a);
    else
      for (int32_t k = 0; k < Wsf_count(a); ++k) take(Wsf_element(a, k));
  }
  return true;
}

EvalContext* contextOf(const Value* result) { return result->context; }

// The trials of a lone sample-vector argument when the context reduces
// statistics over the trials; null otherwise.
const SampleVector* aggregated(int argc, const Value* const* argv, const Value* result) {
  const EvalContext* ctx = contextOf(result);
  if (!ctx || !ctx->flags.aggregate || argc != 1 || argv[0]->kind != kValSamples) return nullptr;
  return static_cast<const SampleVector*>(argv[0]->payload);
}

// A boolean enters as its number.
const Value* asNumber(const Value* v, Value* scratch) {
  if (v->kind != kValBool) return v;
  Val_setNumber(scratch, v->number);
  return scratch;
}

// The mean of the counted values into *mean; false with "#div/0!" when
// there are none.
bool meanOf(Value* result, const StatValues& x, WsfLocal* mean) {
  if (x.empty()) return Wsf_error(result, kErrDiv0), false;
  WsfLocal sum(contextOf(result));
  Value scratch = Val_empty(contextOf(result));
  Val_setNumber(&sum.v, 0.0);
  for (const Value* v : x) sum = Op_add(*sum, *asNumber(v, &scratch));
  *mean = Op_divVS(*sum, static_cast<double>(x.size()));
  return true;
}

Value* average(Value* result, int argc, const Value* const* argv, const Counted& kinds) {
  if (const SampleVector* s = aggregated(argc, argv, result)) return Wsf_finite(result, Smp_mean(s));
  WsfLocal mean(contextOf(result));
  Gathered x;
  if (!countedValues(result, argc, argv, kinds, &x) || !meanOf(result, x.values, &mean)) return result;
  return Wsf_copy(result, &*mean);
}

// COUNT and COUNTA look only at kinds: a value the mode could not compute
// counts as what the value mode gives there, the count having no slope.
Value* count(Value* result, int argc, const Value* const* given, const Counted& kinds) {
  const WsfKinds seen(argc, given, true);
  const Value* const* argv = seen.args();
  if (Wsf_passNoDerivative(result, argc, argv)) return result;
  const SampleVector* s = aggregated(argc, argv, result);
  Gathered x;
  if (!s) countedValues(result, argc, argv, kinds, &x);
  const size_t n = s ? static_cast<size_t>(s->n) : x.values.size();
  Val_clear(result);
  return Val_setInt(result, static_cast<int32_t>(n));
}

// Some counted value lies at or below 0: "#num!" in the result.
bool nonPositive(Value* result, const StatValues& x) {
  for (const Value* v : x)
    if (!Wsf_isError(v) && Wsf_fails(v, 0, kRelCmpLe)) return Wsf_error(result, kErrNum), true;
  return false;
}

// The largest and the least magnitude of the values' points (those that
// have one).
double largestPoint(const StatValues& x) {
  double largest = 0, p = 0;
  for (const Value* v : x)
    if (Op_pointNumber(*v, &p)) largest = std::max(largest, std::fabs(p));
  return largest;
}
double leastPoint(const StatValues& x) {
  double least = std::numeric_limits<double>::infinity(), p = 0;
  for (const Value* v : x)
    if (Op_pointNumber(*v, &p)) least = std::min(least, std::fabs(p));
  return least;
}

// The values divided by scale (a power of two, so exactly), each a value
// of its own mode held in owned; the values themselves for a scale of 1.
// Statistics of data far from 1 then keep their sums and powers in the
// doubles, and are scaled back.
StatValues scaledBy(const StatValues& x, double scale, EvalContext* ctx, std::deque<WsfLocal>* owned) {
  if (scale == 1) return x;
  StatValues out;
  for (const Value* v : x) {
    owned->emplace_back(ctx);
    owned->back().take(Op_divVS(*v, scale));
    out.push_back(&owned->back().v);
  }
  return out;
}

// The scale for the moments of the values (Dbl_scaleBeyond of the
// largest point, beyond 2^±200).
double momentScaleOf(const StatValues& x) { return Dbl_scaleBeyond(largestPoint(x), kDblSafeMomentExponent); }

// The means of the paired values of known_y and known_x.
bool pairMeans(Value* result, const Value* knownY, const Value* knownX, WsfLocal* my, WsfLocal* mx) {
  StatValues ys, xs;
  if (!Kern_collectValuePairs(knownY, knownX, &ys, &xs, result)) return false;
  if (ys.empty()) return Wsf_error(result, kErrDiv0), false;
  Stat_valMean(&my->v, ys, contextOf(result));
  Stat_valMean(&mx->v, xs, contextOf(result));
  return true;
}

// The least-squares slope of known_y on known_x into *slope; false with
// the result formed (a collector error or "#div/0!").
bool slopeOf(Value* result, const Value* knownY, const Value* knownX, WsfLocal* slope) {
  Wsf_slope(result, knownY, knownX);
  if (Wsf_isError(result)) return false;
  *slope = *result;
  return true;
}

}  // namespace

Value* Wsf_average(Value* result, int argc, const Value* const* argv) { return average(result, argc, argv, kValues); }

Value* Wsf_averagea(Value* result, int argc, const Value* const* argv) { return average(result, argc, argv, kAll); }

Value* Wsf_count(Value* result, int argc, const Value* const* argv) { return count(result, argc, argv, kNumbers); }

Value* Wsf_counta(Value* result, int argc, const Value* const* argv) { return count(result, argc, argv, kAll); }

Value* Wsf_avedev(Value* result, int argc, const Value* const* argv) {
  if (const SampleVector* s = aggregated(argc, argv, result)) return Wsf_finite(result, Stat_aveDev(s->n, s->data, 0));
  Gathered gathered;
  if (!countedValues(result, argc, argv, kValues, &gathered)) return result;
  EvalContext* ctx = contextOf(result);
  std::deque<WsfLocal> owned;
  const double scale = momentScaleOf(gathered.values);
  const StatValues x = scaledBy(gathered.values, scale, ctx, &owned);
  WsfLocal mean(ctx), sum(ctx), d(ctx), a(ctx);
  if (!meanOf(result, x, &mean)) return result;
  Val_setNumber(&sum.v, 0.0);
  for (const Value* v : x) {
    d = Op_sub(*v, *mean);
    Wsf_abs(&a.v, &*d);
    sum = Op_add(*sum, *a);
  }
  sum = Op_divVS(*sum, static_cast<double>(x.size()));
  return Wsf_from(result, Op_mulVS(*sum, scale));
}

Value* Wsf_devsq(Value* result, int argc, const Value* const* argv) {
  if (const SampleVector* s = aggregated(argc, argv, result)) return Wsf_finite(result, Stat_devSq(s->n, s->data, 0));
  Gathered gathered;
  if (!countedValues(result, argc, argv, kValues, &gathered)) return result;
  EvalContext* ctx = contextOf(result);
  std::deque<WsfLocal> owned;
  const double scale = momentScaleOf(gathered.values);
  const StatValues x = scaledBy(gathered.values, scale, ctx, &owned);
  WsfLocal mean(ctx), squares(ctx);
  if (x.empty()) return Wsf_error(result, kErrNum);
  meanOf(result, x, &mean);
  Stat_valCoDeviation(&squares.v, x, *mean, x, *mean, ctx);
  squares = Op_mulVS(*squares, scale);
  return Wsf_from(result, Op_mulVS(*squares, scale));
}

Value* Wsf_geomean(Value* result, int argc, const Value* const* argv) {
  if (const SampleVector* s = aggregated(argc, argv, result)) return Wsf_finite(result, Stat_geoMean(s->n, s->data, 0));
  Gathered gathered;
  if (!countedValues(result, argc, argv, kValues, &gathered)) return result;
  const StatValues& x = gathered.values;
  EvalContext* ctx = contextOf(result);
  if (x.empty()) return Wsf_error(result, kErrDiv0);
  if (nonPositive(result, x)) return result;
  // Only the faults this call raises count, not those of earlier cells.
  const int32_t before = ctx->errors.errorCount;
  // A product that might leave the doubles takes each value over its own
  // power of two and the root times 2 to their exponents' mean.
  std::deque<WsfLocal> owned;
  double exponents = 0, reach = static_cast<double>(x.size()), p = 0;
  std::vector<double> scales;
  for (const Value* v : x) {
    const double scale = Op_pointNumber(*v, &p) ? Dbl_momentScale(std::fabs(p)) : 1.0;
    scales.push_back(scale);
    exponents += std::log2(scale);
    reach += std::fabs(std::log2(scale));
  }
  const bool scaled = reach > kDblSafeProductExponent;
  WsfLocal product(ctx), root(ctx);
  Val_setNumber(&product.v, 1.0);
  for (size_t i = 0; i < x.size(); ++i)
    product = Op_mul(*product, *scaledBy({x[i]}, scaled ? scales[i] : 1.0, ctx, &owned).front());
  Val_setNumber(&root.v, 1.0 / static_cast<double>(x.size()));
  Wsf_power(&product.v, &*product, &*root);
  if (scaled) product = Op_mulVS(*product, std::exp2(exponents / static_cast<double>(x.size())));
  if (ctx->errors.errorCount > before) return Wsf_error(result, kErrNum);
  return Wsf_copy(result, &*product);
}

Value* Wsf_harmean(Value* result, int argc, const Value* const* argv) {
  if (const SampleVector* s = aggregated(argc, argv, result)) return Wsf_finite(result, Stat_harMean(s->n, s->data, 0));
  Gathered gathered;
  if (!countedValues(result, argc, argv, kValues, &gathered)) return result;
  EvalContext* ctx = contextOf(result);
  if (gathered.values.empty()) return Wsf_error(result, kErrNA);
  if (nonPositive(result, gathered.values)) return result;
  // Over the least value's scale no reciprocal overflows.
  std::deque<WsfLocal> owned;
  const double scale = Dbl_scaleBeyond(leastPoint(gathered.values), kDblSafeMomentExponent);
  const StatValues x = scaledBy(gathered.values, scale, ctx, &owned);
  WsfLocal sum(ctx), inverse(ctx);
  Val_setNumber(&sum.v, 0.0);
  for (const Value* v : x) {
    inverse = Op_divSV(1.0, *v);
    sum = Op_add(*sum, *inverse);
  }
  sum = Op_divSV(static_cast<double>(x.size()), *sum);
  Wsf_from(result, Op_mulVS(*sum, scale));
  uint32_t code = 0;
  if (Wsf_isError(result) && Vm_errorCode(result->number, &code) && code == kErrDiv0) return Wsf_error(result, kErrNum);
  return result;
}

Value* Wsf_kurt(Value* result, int argc, const Value* const* argv) {
  if (const SampleVector* s = aggregated(argc, argv, result))
    return Wsf_finite(result, Stat_kurtosis(s->n, s->data, 0));
  StatValues collected;
  if (!Kern_collectArgValues(argc, argv, false, &collected, result)) return result;
  const double n = static_cast<double>(collected.size());
  if (n < 4) return Wsf_error(result, kErrDiv0);
  EvalContext* ctx = contextOf(result);
  // Free of the data's scale: over their moment scale.
  std::deque<WsfLocal> owned;
  const StatValues x = scaledBy(collected, momentScaleOf(collected), ctx, &owned);
  WsfLocal mean(ctx), sd(ctx), sum(ctx), t(ctx);
  Stat_valMean(&mean.v, x, ctx);
  Stat_valCoDeviation(&sd.v, x, *mean, x, *mean, ctx);
  sd = Op_divVS(*sd, n - 1);
  Wsf_sqrt(&sd.v, &*sd);
  if (Wsf_fails(&*sd, 0, kRelCmpEq)) return Wsf_error(result, kErrDiv0);
  const double a = (n + 1) * n / (n - 1) / (n - 2) / (n - 3);
  const double b = 3 * Num_sqrChecked(n - 1) / (n - 2) / (n - 3);
  Value four = Val_empty(ctx);
  Val_setInt(&four, 4);
  Val_setNumber(&sum.v, 0.0);
  for (const Value* v : x) {
    t = Op_sub(*v, *mean);
    t = Op_div(*t, *sd);
    Wsf_power(&t.v, &*t, &four);
    sum = Op_add(*sum, *t);
  }
  sum = Op_mulSV(a, *sum);
  return Wsf_from(result, Op_subVS(*sum, b));
}

Value* Wsf_correl(Value* result, const Value* a, const Value* b) { return Wsf_pearson(result, a, b); }

Value* Wsf_covar(Value* result, const Value* a, const Value* b) {
  StatValues xs, ys;
  if (!Kern_collectValuePairs(a, b, &xs, &ys, result)) return result;
  if (xs.empty()) return Wsf_error(result, kErrDiv0);
  EvalContext* ctx = contextOf(result);
  WsfLocal mx(ctx), my(ctx), sum(ctx);
  Stat_valMean(&mx.v, xs, ctx);
  Stat_valMean(&my.v, ys, ctx);
  Stat_valCoDeviation(&sum.v, xs, *mx, ys, *my, ctx);
  return Wsf_from(result, Op_divVS(*sum, static_cast<double>(xs.size())));
}

Value* Wsf_forecast(Value* result, const Value* x, const Value* knownY, const Value* knownX) {
  if (x->kind == kValArray)
    return Wsf_overElements(result, x, [&](Value* slot, const Value* e) { Wsf_forecast(slot, e, knownY, knownX); });
  EvalContext* ctx = contextOf(result);
  WsfLocal slope(ctx), my(ctx), mx(ctx), d(ctx);
  if (!pairMeans(result, knownY, knownX, &my, &mx) || !slopeOf(result, knownY, knownX, &slope)) return result;
  d = Op_sub(*x, *mx);
  d = Op_mul(*slope, *d);
  return Wsf_from(result, Op_add(*my, *d));
}

Value* Wsf_intercept(Value* result, const Value* knownY, const Value* knownX) {
  EvalContext* ctx = contextOf(result);
  WsfLocal slope(ctx), my(ctx), mx(ctx), d(ctx);
  if (!pairMeans(result, knownY, knownX, &my, &mx) || !slopeOf(result, knownY, knownX, &slope)) return result;
  d = Op_mul(*slope, *mx);
  return Wsf_from(result, Op_sub(*my, *d));
}

void Wsf_arraysVaryStructure(Value* result, const Value* a, const Value* b) {
  std::vector<const Value*> arrays;
  for (const Value* v : {a, b})
    if (v->kind == kValArray) arrays.push_back(v);
  Wsf_structureVariesWith(result, arrays);
}

Value* Wsf_frequency(Value* result, const Value* data, const Value* bins) {
  if (Wsf_structureHooks2(result, data, bins)) return Wsf_arraysVaryStructure(result, data, bins), result;
  std::vector<double> xs = Kern_oneBased(), bs = Kern_oneBased();
  if (!Kern_collectNumbers(data, &xs, result) || !Kern_collectNumbers(bins, &bs, result)) return result;
  std::sort(bs.begin() + 1, bs.end());
  const size_t m = bs.size() - 1;
  std::vector<int32_t> counts(m + 1, 0);
  for (size_t i = 1; i < xs.size(); ++i) {
    // The first bin at or above x; a bin equal to the one before it counts
    // nothing, and x above every bin goes to the last cell.
    const auto at = std::lower_bound(bs.begin() + 1, bs.end(), xs[i]);
    ++counts[static_cast<size_t>(at - (bs.begin() + 1))];
  }
  Value out = Val_empty(contextOf(result));
  if (Val_makeArray(&out, static_cast<int32_t>(m + 1), 1) != kStatusOk) return Wsf_error(result, kErrValue);
  for (size_t i = 0; i <= m; ++i) Val_setInt(Val_at(&out, static_cast<int32_t>(i), 0), counts[i]);
  Val_clear(result);
  *result = out;
  return result;
}


Value* Wsf_linest(Value* result, int argc, const Value* const* argv) {
  if (Wsf_structureHooks(result, argc, argv)) return result;
  return Stat_fitLinest(result, argc, argv, false);
}

Value* Wsf_logest(Value* result, int argc, const Value* const* argv) {
  if (Wsf_structureHooks(result, argc, argv)) return result;
  return Stat_fitLinest(result, argc, argv, true);
}

Value* Wsf_growth(Value* result, int argc, const Value* const* argv) {
  if (Wsf_structureHooks(result, argc, argv)) return result;
  return Stat_fitTrend(result, argc, argv, true);
}
