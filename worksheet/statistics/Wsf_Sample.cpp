// Sample statistics on plain values.
#include "worksheet/statistics/Wsf_Sample.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "arithmetic/operators/Op_Elementary.h"
#include "arithmetic/operators/Op_Operators.h"
#include "arithmetic/operators/Op_Shape.h"
#include "arithmetic/sample/Smp_Ops.h"
#include "base/Dbl_Scale.h"
#include "values/Smp_Payload.h"
#include "values/Vm_Context.h"
#include "values/Vm_Status.h"
#include "worksheet/common/Wsf_Args.h"
#include "worksheet/common/Wsf_Shared.h"
#include "worksheet/kernels/Kern_Collect.h"
#include "worksheet/kernels/Stat_Kernels.h"
#include "worksheet/math/Wsf_Rounding.h"
#include "worksheet/math/Wsf_Unary.h"
#include "worksheet/statistics/Stat_Moments.h"
#include "worksheet/statistics/Stat_Smooth.h"
#include "worksheet/statistics/Wsf_Pairwise.h"

namespace {

// PERCENTILE and QUARTILE take fewer values than this.
constexpr int32_t kOrderStatisticLimit = 8192;
// PERCENTRANK's default number of significant decimals.
constexpr int32_t kPercentRankDigits = 3;
// The start of MAX and MIN over the evaluation modes, negated for MAX.
constexpr double kExtremeStart = 1.7e308;

using Sample = std::vector<double>;

Value* real(Value* result, double x) {
  Val_clear(result);
  return Val_setNumber(result, x);
}

int32_t count(const Sample& s) { return static_cast<int32_t>(s.size()) - 1; }

// Values that the A-forms count: numbers and booleans by their number,
// texts as 0; errors end the gathering, a value of an evaluation mode is
// refused.
bool collectA(int argc, const Value* const* argv, Sample* out, Value* result) {
  auto take = [&](const Value* v) {
    if (Wsf_isError(v)) return Wsf_copy(result, v), false;
    if (Wsf_isModeValue(v)) return Wsf_error(result, kErrValue), false;
    if (v->kind >= kValBool && v->kind <= kValReal) out->push_back(v->number);
    else if (v->kind == kValText) out->push_back(0.0);
    return true;
  };
  for (int i = 0; i < argc; ++i) {
    const Value* a = argv[i];
    if (a->kind == kValEmpty && !a->source) {
      out->push_back(0.0);  // a blank given directly: an argument left out
      continue;
    }
    if (a->kind != kValArray) {
      if (!take(a)) return false;
      continue;
    }
    for (int32_t r = 0; r < a->array->rows; ++r)
      for (int32_t c = 0; c < a->array->columns; ++c)
        if (!take(Val_at(a, r, c))) return false;
  }
  return true;
}

// The plain number of a scalar argument: null to go on, else the result.
Value* scalar(Value* result, const Value* v) {
  if (Wsf_isError(v)) return Wsf_copy(result, v);
  return Wsf_isPlain(v) ? nullptr : Wsf_error(result, kErrValue);
}

// Extremes of the numbers; 0 when there are none.
Value* extreme(Value* result, const Sample& s, bool largest) {
  if (count(s) == 0) return real(result, 0);
  return real(result, largest ? Stat_max(count(s), s.data(), 0) : Stat_min(count(s), s.data(), 0));
}

// The hooks of the order statistics (array, k). Which elements are chosen
// follows the trial's order of the values, so in the dependency-vector pass
// with trials a dependency in k, or in the elements of an array, makes the
// structure vary (a single value is chosen whatever its order).
bool orderHooks(Value* result, const Value* array, const Value* k) {
  if (!Wsf_structureHooks2(result, array, k)) return false;
  Wsf_structureVariesWith(result, array->kind == kValArray ? std::vector{array, k} : std::vector{k});
  return true;
}

// The rank k asks of LARGE and SMALL among n numbers: k rounded up to a
// whole rank (1.5 asks for the second); 0 when it names none.
int32_t orderRank(const Value* k, int32_t n) {
  const double rank = std::ceil(Wsf_number(k));
  return rank >= 1 && rank <= n ? static_cast<int32_t>(rank) : 0;
}

// LARGE and SMALL of every element of an array of ks, each answered as one
// k is: the numbers are gathered and sorted once, so n numbers and m ks
// cost (n + m) log n rather than n times m.
Value* orderOverArray(Value* result, const Value* array, const Value* ks, bool largest) {
  Sample s = Kern_oneBased();
  WsfLocal failure(result->context);
  const bool gathered = Kern_collectNumbers(array, &s, &failure.v);
  std::sort(s.begin() + 1, s.end());
  const int32_t n = count(s);
  return Wsf_overElements(result, ks, [&](Value* slot, const Value* k) {
    if (!gathered) Wsf_copy(slot, &failure.v);
    else if (scalar(slot, k)) return;
    else if (const int32_t rank = orderRank(k, n)) Wsf_finite(slot, s[largest ? n + 1 - rank : rank]);
    else Wsf_error(slot, kErrNum);
  });
}

// LARGE and SMALL: the k-th largest or smallest number (orderRank), the
// array of their answers for an array of k. The array's fault shows before
// k's, as the arguments come.
Value* orderStatistic(Value* result, const Value* array, const Value* k, bool largest) {
  if (orderHooks(result, array, k)) return result;
  if (k->kind == kValArray) return orderOverArray(result, array, k, largest);
  Sample s = Kern_oneBased();
  if (!Kern_collectNumbers(array, &s, result)) return result;
  if (Value* done = scalar(result, k)) return done;
  const int32_t at = orderRank(k, count(s));
  if (at == 0) return Wsf_error(result, kErrNum);
  return Wsf_finite(result,
                    largest ? Stat_kthLargest(at, count(s), s.data(), 0) : Stat_kthSmallest(at, count(s), s.data(), 0));
}

// The samples of a lone sample-vector argument when the context reduces
// statistics over the trials; null otherwise.
const SampleVector* aggregated(int argc, const Value* const* argv, const EvalFlags& flags) {
  if (!flags.aggregate || argc != 1 || argv[0]->kind != kValSamples) return nullptr;
  return static_cast<const SampleVector*>(argv[0]->payload);
}

// The variance of n plain values (1-based), or its root, of the sample or
// the population.
double spreadOf(int32_t n, const double* x, bool population, bool root) {
  if (root) return population ? Stat_popStdDev(n, x, 0) : Stat_stdDev(n, x, 0);
  return population ? Stat_popVariance(n, x, 0) : Stat_variance(n, x, 0);
}

// The variance family over the evaluation modes: the squared deviations
// about the mean through the generic operators.
// A standard deviation whose variance is 0: the constant 0 for one value,
// else the foot of a kink (the deviations' norm at its least), where the
// root has no slope and ABS at 0 has the slope 0; taken as the constant 0
// of the variance's kind.
Value* spreadAtZero(Value* result, const Value& variance) {
  if (!Op_makeConstLike(variance, 0.0, false)) return Wsf_error(result, kErrValue);
  return Wsf_from(result, *variance.context->buffers.result);
}

// A variance of point-derivative values carries the value the plain numbers
// give at their points, whose squared deviations are added in long double:
// the doubles of the generic operators differ from it in the last bits,
// which SIN of a variance of 200 turns into the 12th digit. Other kinds
// are left as they are.
void plainVariance(Value* variance, const StatValues& x, bool population) {
  if (!Stat_isPointDerivative(variance->kind)) return;
  std::vector<double> points;
  for (const Value* v : x) {
    if (!Stat_isPointDerivative(v->kind) && !Wsf_isPlain(v)) return;
    points.push_back(Stat_pointOf(v));
  }
  const int32_t n = static_cast<int32_t>(points.size());
  const double plain = population ? Stat_popVariance(n, points.data(), 1) : Stat_variance(n, points.data(), 1);
  WsfLocal shifted(variance->context);
  shifted = Op_addVS(*variance, plain - Stat_pointOf(variance));
  Val_assign(variance, &*shifted);
}

Value* varianceModal(Value* result, int argc, const Value* const* argv, EvalContext* ctx, bool countAll,
                     bool population, bool root) {
  if (const SampleVector* v = aggregated(argc, argv, ctx->flags)) {
    return Wsf_finite(result, spreadOf(v->n, v->data, population, root));
  }
  StatValues x;
  if (!Kern_collectArgValues(argc, argv, countAll, &x, result)) return result;
  const size_t n = x.size();
  if (n < (population ? 1u : 2u)) return Wsf_error(result, kErrDiv0);
  WsfLocal mean(ctx), squares(ctx);
  Stat_valMean(&mean.v, x, ctx);
  Stat_valCoDeviation(&squares.v, x, *mean, x, *mean, ctx);
  squares = Op_divVS(*squares, static_cast<double>(population ? n : n - 1));
  plainVariance(&squares.v, x, population);
  if (root && Op_compareConst(*squares, 0, kRelCmpEq)) return spreadAtZero(result, *squares);
  return root ? Wsf_sqrt(result, &*squares) : Wsf_copy(result, &*squares);
}

// The centred sums of two paired sequences over the evaluation modes.
struct PairMoments {
  WsfLocal xy, xx, yy;
  size_t n = 0;
  explicit PairMoments(EvalContext* ctx) : xy(ctx), xx(ctx), yy(ctx) {}
};

bool pairMoments(Value* result, const Value* knownY, const Value* knownX, EvalContext* ctx, PairMoments* p) {
  StatValues ys, xs;
  if (!Kern_collectValuePairs(knownY, knownX, &ys, &xs, result)) return false;
  p->n = ys.size();
  if (p->n == 0) return Wsf_error(result, kErrDiv0), false;
  WsfLocal my(ctx), mx(ctx);
  Stat_valMean(&my.v, ys, ctx);
  Stat_valMean(&mx.v, xs, ctx);
  Stat_valCoDeviation(&p->xy.v, xs, *mx, ys, *my, ctx);
  Stat_valCoDeviation(&p->xx.v, xs, *mx, xs, *mx, ctx);
  Stat_valCoDeviation(&p->yy.v, ys, *my, ys, *my, ctx);
  return true;
}

// A divisor that is 0 (by its value) gives "#div/0!".
bool zeroDivisor(Value* result, const Value& d) {
  return Op_compareConst(d, 0, kRelCmpEq) ? (Wsf_error(result, kErrDiv0), true) : false;
}

Value* pearsonModal(Value* result, const Value* a, const Value* b, EvalContext* ctx) {
  PairMoments p(ctx);
  if (!pairMoments(result, a, b, ctx, &p)) return result;
  WsfLocal d(ctx);
  d = Op_mul(*p.xx, *p.yy);
  Wsf_sqrt(&d.v, &*d);
  if (zeroDivisor(result, *d)) return result;
  return Wsf_from(result, Op_div(*p.xy, *d));
}

Value* steyxModal(Value* result, const Value* knownY, const Value* knownX, EvalContext* ctx) {
  PairMoments p(ctx);
  if (!pairMoments(result, knownY, knownX, ctx, &p)) return result;
  if (p.n < 3 || zeroDivisor(result, *p.xx)) return Wsf_error(result, kErrDiv0);
  WsfLocal t(ctx);
  t = Op_mul(*p.xy, *p.xy);
  t = Op_div(*t, *p.xx);
  t = Op_sub(*p.yy, *t);
  t = Op_divVS(*t, static_cast<double>(p.n - 2));
  return Wsf_sqrt(result, &*t);
}

// SKEW over the evaluation modes: n / ((n - 1)(n - 2)) times the sum of the
// cubed standardised deviations.
Value* skewModal(Value* result, int argc, const Value* const* argv, EvalContext* ctx) {
  if (const SampleVector* v = aggregated(argc, argv, ctx->flags))
    return Wsf_finite(result, Stat_skewness(v->n, v->data, 0));
  StatValues x;
  if (!Kern_collectArgValues(argc, argv, false, &x, result)) return result;
  const double n = static_cast<double>(x.size());
  if (n < 3) return Wsf_error(result, kErrDiv0);
  WsfLocal mean(ctx), sd(ctx), sum(ctx), t(ctx), cube(ctx);
  Stat_valMean(&mean.v, x, ctx);
  Stat_valCoDeviation(&sd.v, x, *mean, x, *mean, ctx);
  sd = Op_divVS(*sd, n - 1);
  Wsf_sqrt(&sd.v, &*sd);
  // No deviation, or none in some trial (status 42): no skewness.
  if (Wsf_fails(&sd.v, 0, kRelCmpEq)) return Wsf_error(result, kErrDiv0);
  Value three = Val_empty(ctx);
  Val_setInt(&three, 3);
  Val_setNumber(&sum.v, 0.0);
  for (const Value* v : x) {
    t = Op_sub(*v, *mean);
    t = Op_div(*t, *sd);
    Wsf_power(&cube.v, &*t, &three);
    sum = Op_add(*sum, *cube);
  }
  return Wsf_from(result, Op_mulVS(*sum, n / ((n - 1) * (n - 2))));
}

// The variance family: sample (divisor n - 1) or population, optionally the
// square root.
Value* variance(Value* result, int argc, const Value* const* argv, bool countAll, bool population, bool root) {
  if (EvalContext* ctx = nullptr; Wsf_anyModal(argc, argv, &ctx))
    return varianceModal(result, argc, argv, ctx, countAll, population, root);
  Sample s = Kern_oneBased();
  if (!(countAll ? collectA(argc, argv, &s, result) : Kern_collectArgNumbers(argc, argv, &s, result))) return result;
  const int32_t n = count(s);
  if (n < (population ? 1 : 2)) return Wsf_error(result, kErrDiv0);
  return Wsf_finite(result, spreadOf(n, s.data(), population, root));
}

// Sums of the paired sample for the regression measures.
struct PairSums {
  double n = 0, x = 0, y = 0, xx = 0, yy = 0, xy = 0;
};

bool pairSums(Value* result, const Value* knownY, const Value* knownX, PairSums* p) {
  Sample ys = Kern_oneBased(), xs = Kern_oneBased();
  if (!Kern_collectPairs(knownY, knownX, &ys, &xs, result)) return false;
  p->n = count(ys);
  // Centre first, so that the sums of squares do not cancel.
  const double my = Stat_mean(count(ys), ys.data(), 0), mx = Stat_mean(count(xs), xs.data(), 0);
  for (int32_t i = 1; i <= count(ys); ++i) {
    const double dx = xs[i] - mx, dy = ys[i] - my;
    p->xx += dx * dx;
    p->yy += dy * dy;
    p->xy += dx * dy;
  }
  return true;
}

// The numbers of MAX and MIN: numbers of ranges and of single-cell
// references (their booleans, texts and blanks skipped); direct arguments by
// their number (booleans too); a direct text (one that reads as a number
// arrives as that number) is refused.
bool collectExtremes(int argc, const Value* const* argv, Sample* s, Value* result) {
  for (int i = 0; i < argc; ++i) {
    const Value* a = argv[i];
    if (Wsf_isCellReference(a) && !Wsf_isError(a)) {
      if (a->kind == kValInt || a->kind == kValReal) s->push_back(a->number);
      continue;
    }
    if (a->kind == kValBool || a->kind == kValEmpty) s->push_back(Wsf_number(a));
    else if (a->kind == kValText) return Wsf_error(result, kErrValue), false;
    else if (a->kind != kValMissing && !Kern_collectNumbers(a, s, result)) return false;
  }
  return true;
}

// MAX and MIN over the evaluation modes: the start value 1.7e308 (negated
// for MAX) takes part in the first comparison, and every argument or array
// element of kinds 3 to 18 is combined in by the pairwise routine, a
// boolean or a text given directly by its number as the value mode counts
// it (a text that is no number is "#value!"); nothing counted gives 0. With
// aggregation a lone sample vector gives its extreme trial.
Value* extremeModal(Value* result, int argc, const Value* const* argv, EvalContext* ctx, bool largest) {
  if (ctx->flags.aggregate && argc == 1 && argv[0]->kind == kValSamples) {
    const auto* v = static_cast<const SampleVector*>(argv[0]->payload);
    return real(result, largest ? Smp_maxElem(v) : Smp_minElem(v));
  }
  WsfLocal best(ctx), next(ctx);
  Val_setNumber(&best.v, largest ? -kExtremeStart : kExtremeStart);
  bool counted = false;
  const auto take = [&](const Value* v) {
    if (v->kind < kValInt || v->kind > kValError) return;
    (largest ? Wsf_max2 : Wsf_min2)(&next.v, &*best, v);
    best = *next;
    counted = true;
  };
  for (int i = 0; i < argc; ++i) {
    const Value* a = argv[i];
    if (a->kind == kValArray) {
      for (int32_t r = 0; r < a->array->rows; ++r)
        for (int32_t c = 0; c < a->array->columns; ++c) take(Val_at(a, r, c));
      continue;
    }
    double x = 0;
    const bool direct = !Wsf_isCellReference(a) && (a->kind == kValBool || a->kind == kValText || a->kind == kValEmpty);
    if (direct && !Kern_directNumber(a, &x)) return Wsf_error(result, kErrValue);
    const Value number = Val_scalar(kValReal, x);
    take(direct ? &number : a);
  }
  return counted ? Wsf_copy(result, &*best) : real(result, 0);
}

// RANK's numbers, or the fault they give; sorted when kept for the next
// elements of a lifted call.
struct RankSample {
  std::unique_ptr<WsfLocal> fault;
  bool ok = false;
  bool sorted = false;
  Sample s = Kern_oneBased();
};

std::shared_ptr<const RankSample> rankSample(const Value* numbers) {
  auto make = [numbers] {
    RankSample r;
    r.fault = std::make_unique<WsfLocal>(numbers->context);
    r.ok = Kern_collectNumbers(numbers, &r.s, &r.fault->v);
    r.sorted = r.ok && Wsf_sharing();
    if (r.sorted) std::sort(r.s.begin() + 1, r.s.end());
    return r;
  };
  if (!Wsf_sharing() || numbers->kind != kValArray) return std::make_shared<const RankSample>(make());
  return Wsf_shared<RankSample>(numbers, kWsfFactRankSample, make);
}

// The count of the numbers before x in the order asked and of those equal
// to it.
void rankCounts(const RankSample& r, double x, bool ascending, int32_t* before, int32_t* equal) {
  if (!r.sorted) {
    for (int32_t i = 1; i <= count(r.s); ++i) {
      *equal += r.s[i] == x;
      *before += ascending ? r.s[i] < x : r.s[i] > x;
    }
    return;
  }
  const auto lo = std::lower_bound(r.s.begin() + 1, r.s.end(), x), hi = std::upper_bound(lo, r.s.end(), x);
  *equal = static_cast<int32_t>(hi - lo);
  *before = static_cast<int32_t>(ascending ? lo - (r.s.begin() + 1) : r.s.end() - hi);
}

}  // namespace

Value* Wsf_max(Value* result, int argc, const Value* const* argv) {
  if (EvalContext* ctx = nullptr; Wsf_anyModal(argc, argv, &ctx)) return extremeModal(result, argc, argv, ctx, true);
  Sample s = Kern_oneBased();
  return collectExtremes(argc, argv, &s, result) ? extreme(result, s, true) : result;
}

Value* Wsf_min(Value* result, int argc, const Value* const* argv) {
  if (EvalContext* ctx = nullptr; Wsf_anyModal(argc, argv, &ctx)) return extremeModal(result, argc, argv, ctx, false);
  Sample s = Kern_oneBased();
  return collectExtremes(argc, argv, &s, result) ? extreme(result, s, false) : result;
}

Value* Wsf_maxa(Value* result, int argc, const Value* const* argv) {
  if (Wsf_structureHooks(result, argc, argv)) return result;
  Sample s = Kern_oneBased();
  return collectA(argc, argv, &s, result) ? extreme(result, s, true) : result;
}

Value* Wsf_mina(Value* result, int argc, const Value* const* argv) {
  if (Wsf_structureHooks(result, argc, argv)) return result;
  Sample s = Kern_oneBased();
  return collectA(argc, argv, &s, result) ? extreme(result, s, false) : result;
}

Value* Wsf_median(Value* result, int argc, const Value* const* argv) {
  if (Wsf_structureHooks(result, argc, argv)) return result;
  Sample s = Kern_oneBased();
  if (!Kern_collectArgNumbers(argc, argv, &s, result)) return result;
  if (count(s) == 0) return Wsf_error(result, kErrNum);
  return real(result, Stat_median(count(s), s.data(), 0));
}

Value* Wsf_mode(Value* result, int argc, const Value* const* argv) {
  if (Wsf_structureHooks(result, argc, argv)) return result;
  Sample s = Kern_oneBased();
  if (!Kern_collectArgNumbers(argc, argv, &s, result)) return result;
  const double m = Stat_mode(count(s), s.data(), 0);
  return std::isfinite(m) ? real(result, m) : Wsf_error(result, kErrNA);
}

Value* Wsf_percentile(Value* result, const Value* array, const Value* k) {
  if (orderHooks(result, array, k)) return result;
  if (Value* done = scalar(result, k)) return done;
  Sample s = Kern_oneBased();
  if (!Kern_collectNumbers(array, &s, result)) return result;
  const int32_t n = count(s);
  if (n < 1 || n >= kOrderStatisticLimit || !(k->number >= 0 && k->number <= 1)) return Wsf_error(result, kErrNum);
  return real(result, Stat_percentile(n, s.data(), k->number, 0));
}

Value* Wsf_quartile(Value* result, const Value* array, const Value* quart) {
  if (orderHooks(result, array, quart)) return result;
  if (Value* done = scalar(result, quart)) return done;
  // The numbers' faults come before the quart's range, as in PERCENTILE.
  const double q = std::trunc(quart->number);
  Sample s = Kern_oneBased();
  if (!Kern_collectNumbers(array, &s, result)) return result;
  const int32_t n = count(s);
  if (n < 1 || n >= kOrderStatisticLimit || !(q >= 0 && q <= 4)) return Wsf_error(result, kErrNum);
  return real(result, Stat_percentile(n, s.data(), q / 4, 0));
}

Value* Wsf_small(Value* result, const Value* array, const Value* k) { return orderStatistic(result, array, k, false); }

Value* Wsf_large(Value* result, const Value* array, const Value* k) { return orderStatistic(result, array, k, true); }

Value* Wsf_trimmean(Value* result, const Value* array, const Value* percent) {
  if (orderHooks(result, array, percent)) return result;
  if (Value* done = scalar(result, percent)) return done;
  Sample s = Kern_oneBased();
  if (!Kern_collectNumbers(array, &s, result)) return result;
  if (!(percent->number >= 0 && percent->number < 1)) return Wsf_error(result, kErrNum);
  const int32_t n = count(s);
  int32_t t = static_cast<int32_t>(n * percent->number);
  if (t % 2 == 1) --t;
  const int32_t h = t / 2;
  if (n - 2 * h < 1) return Wsf_error(result, kErrNum);
  std::sort(s.begin() + 1, s.end());
  double sum = 0;
  for (int32_t i = 1 + h; i <= n - h; ++i) sum += s[i];
  return Wsf_finite(result, sum / (n - 2 * h));
}

Value* Wsf_rank(Value* result, int argc, const Value* const* argv) {
  if (Wsf_structureHooks(result, argc, argv)) return result;
  if (Value* done = scalar(result, argv[0])) return done;
  const bool ascending = argc >= 3 && argv[2]->kind != kValMissing && argv[2]->number != 0;
  if (argc >= 3) {
    if (Value* done = scalar(result, argv[2])) return done;
  }
  const std::shared_ptr<const RankSample> s = rankSample(argv[1]);
  if (!s->ok) return Wsf_copy(result, &s->fault->v);
  const double x = argv[0]->number;
  int32_t before = 0, equal = 0;
  rankCounts(*s, x, ascending, &before, &equal);
  if (equal == 0) return Wsf_error(result, kErrNA);
  Val_clear(result);
  return Val_setInt(result, before + 1);
}

Value* Wsf_percentrank(Value* result, int argc, const Value* const* argv) {
  if (Wsf_structureHooks(result, argc, argv)) return result;
  // The faults in the arguments' order: the array's, x's, the significance's.
  Sample s = Kern_oneBased();
  if (!Kern_collectNumbers(argv[0], &s, result)) return result;
  if (Value* done = scalar(result, argv[1])) return done;
  double digits = kPercentRankDigits;
  if (argc >= 3 && argv[2]->kind != kValMissing) {
    if (Value* done = scalar(result, argv[2])) return done;
    digits = std::trunc(argv[2]->number);
    if (digits < 1) return Wsf_error(result, kErrNum);
  }
  const int32_t n = count(s);
  const double x = argv[1]->number;
  if (n == 0) return Wsf_error(result, kErrNum);
  std::sort(s.begin() + 1, s.end());
  if (x < s[1] || x > s[n]) return Wsf_error(result, kErrNA);
  if (n == 1) return real(result, 1);
  // Values below x, and the largest of them, rank x; between two values the
  // rank is interpolated.
  int32_t below = 0;
  while (below < n && s[below + 1] < x) ++below;
  double r = below / (n - 1.0);
  if (s[below + 1] != x) r = (below - 1.0 + (x - s[below]) / (s[below + 1] - s[below])) / (n - 1.0);
  // Cut as its 15 digits read: 0.16799999999999998 is 0.168 to them.
  return real(result, Wsf_roundedDown(r, digits));
}

Value* Wsf_var(Value* r, int argc, const Value* const* argv) { return variance(r, argc, argv, false, false, false); }
Value* Wsf_vara(Value* r, int argc, const Value* const* argv) { return variance(r, argc, argv, true, false, false); }
Value* Wsf_varp(Value* r, int argc, const Value* const* argv) { return variance(r, argc, argv, false, true, false); }
Value* Wsf_varpa(Value* r, int argc, const Value* const* argv) { return variance(r, argc, argv, true, true, false); }
Value* Wsf_stdev(Value* r, int argc, const Value* const* argv) { return variance(r, argc, argv, false, false, true); }
Value* Wsf_stdeva(Value* r, int argc, const Value* const* argv) { return variance(r, argc, argv, true, false, true); }
Value* Wsf_stdevp(Value* r, int argc, const Value* const* argv) { return variance(r, argc, argv, false, true, true); }
Value* Wsf_stdevpa(Value* r, int argc, const Value* const* argv) { return variance(r, argc, argv, true, true, true); }

Value* Wsf_skew(Value* result, int argc, const Value* const* argv) {
  if (EvalContext* ctx = nullptr; Wsf_anyModal(argc, argv, &ctx)) return skewModal(result, argc, argv, ctx);
  Sample s = Kern_oneBased();
  if (!Kern_collectArgNumbers(argc, argv, &s, result)) return result;
  const int32_t n = count(s);
  if (n < 3) return Wsf_error(result, kErrDiv0);
  // Standardised about the data over their moment scale: the deviations of
  // data near the doubles' ends stay in them.
  const double largest = std::max(std::fabs(Stat_max(n, s.data(), 0)), std::fabs(Stat_min(n, s.data(), 0)));
  const double scale = Dbl_momentScale(largest);
  for (int32_t i = 1; i <= n; ++i) s[i] /= scale;
  const double m = Stat_mean(n, s.data(), 0), sd = Stat_stdDev(n, s.data(), 0);
  if (sd == 0) return Wsf_error(result, kErrDiv0);
  double sum = 0;
  for (int32_t i = 1; i <= n; ++i) sum += std::pow((s[i] - m) / sd, 3);
  return Wsf_finite(result, n / ((n - 1.0) * (n - 2.0)) * sum);
}

Value* Wsf_pearson(Value* result, const Value* a, const Value* b) {
  const Value* const pair[] = {a, b};
  if (EvalContext* ctx = nullptr; Wsf_anyModal(2, pair, &ctx)) return pearsonModal(result, a, b, ctx);
  PairSums p;
  if (!pairSums(result, a, b, &p)) return result;
  const double d = std::sqrt(p.xx * p.yy);
  if (p.n < 1 || d == 0) return Wsf_error(result, kErrDiv0);
  return Wsf_finite(result, p.xy / d);
}

Value* Wsf_rsq(Value* result, const Value* knownY, const Value* knownX) {
  Wsf_pearson(result, knownY, knownX);
  if (Op_isModeKind(result->kind)) {
    WsfLocal r(result->context);
    r = *result;
    return Wsf_sqr(result, &*r);
  }
  if (result->kind != kValReal) return result;
  return real(result, result->number * result->number);
}

Value* Wsf_slope(Value* result, const Value* knownY, const Value* knownX) {
  const Value* const pair[] = {knownY, knownX};
  if (EvalContext* ctx = nullptr; Wsf_anyModal(2, pair, &ctx)) {
    PairMoments m(ctx);
    if (!pairMoments(result, knownY, knownX, ctx, &m) || zeroDivisor(result, *m.xx)) return result;
    return Wsf_from(result, Op_div(*m.xy, *m.xx));
  }
  PairSums p;
  if (!pairSums(result, knownY, knownX, &p)) return result;
  if (p.n < 1 || p.xx == 0) return Wsf_error(result, kErrDiv0);
  return Wsf_finite(result, p.xy / p.xx);
}

Value* Wsf_steyx(Value* result, const Value* knownY, const Value* knownX) {
  const Value* const pair[] = {knownY, knownX};
  if (EvalContext* ctx = nullptr; Wsf_anyModal(2, pair, &ctx)) return steyxModal(result, knownY, knownX, ctx);
  PairSums p;
  if (!pairSums(result, knownY, knownX, &p)) return result;
  if (p.n < 3 || p.xx == 0) return Wsf_error(result, kErrDiv0);
  const double residual = p.yy - p.xy * p.xy / p.xx;
  return Wsf_finite(result, std::sqrt(std::fmax(residual, 0.0) / (p.n - 2)));
}
