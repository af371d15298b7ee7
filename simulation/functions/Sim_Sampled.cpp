// The sampled-input functions over the frame of the drawing functions: the
// scalar laws draw one number per trial at the cell's stored percentile;
// the correlated vectors, random rows and permutations fill an array whose
// elements hold one draw per trial.
#include "simulation/functions/Sim_Sampled.h"

#include <cmath>
#include <limits>
#include <vector>

#include "simulation/functions/Sim_Frame.h"
#include "simulation/random/Rand_Continuous.h"
#include "simulation/random/Rand_Correlated.h"
#include "simulation/random/Rand_Counting.h"
#include "simulation/random/Rand_Generator.h"
#include "simulation/random/Rand_Shapes.h"
#include "simulation/random/Rand_Tables.h"
#include "values/Smp_Payload.h"
#include "values/Vm_Context.h"
#include "worksheet/common/Wsf_Args.h"
#include "worksheet/numeric/Num_Gather.h"

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
// The cumulative law's table opens this far below its first value and
// above its last.
constexpr double kCumulativeMargin = 1.4901161193848e-8;

// Argument k in trial t.
double at(const Value* const* a, int k, int32_t t) { return Sim_valueAt(a[k], t); }

// The steps before the draws: the structure hooks (no trials), the
// registration pass, the first error argument, a refused argument ("#num!"
// for one that is neither a number nor a sample vector, when scalars),
// sample vectors shorter than the trials and the model's distribution hook.
// True when they formed the result.
bool settled(Value* r, const SimCall* call, int argc, const Value* const* a, int32_t law, bool scalars) {
  EvalContext* ctx = r->context;
  if (ctx->sampling.trialCount == 0 && Wsf_structureHooks(r, argc, a)) return true;
  if (Sim_registering(ctx->flags.mode, ctx->sampling))
    return Sim_register(r, call, law, kSimFamilySampled, argc, a, nullptr), true;
  const auto refused = [scalars](const Value* v, int) { return scalars && v->kind > kValSamples; };
  return Wsf_firstRefusedArg(r, argc, a, kErrNum, refused) || !Sim_samplesCover(r, argc, a, Sim_trials(ctx->sampling)) ||
         Sim_hookTakesOver(law, argc, a);
}

// The draw of a scalar law in trial t at percentile u.
using LawDraw = double (*)(RandState* s, int argc, const Value* const* a, int32_t t, double u);

template <int32_t L, int Count, LawDraw Draw>
Value* scalarLaw(Value* r, int argc, const Value* const* a, const SimCall* call) {
  if (argc < Count) return Wsf_error(r, kErrValue);
  if (settled(r, call, argc, a, L, true)) return r;
  RandState* s = r->context->sampling.rand;
  return Sim_drawTrials(r, call, [&](int32_t t, double u) { return Draw(s, argc, a, t, u); });
}

double binomial(RandState* s, int, const Value* const* a, int32_t t, double u) {
  return Rand_binomial(s, at(a, 1, t), Sim_count(at(a, 0, t)), -kInf, kInf, 0, u);
}
double exponential(RandState* s, int, const Value* const* a, int32_t t, double u) {
  return Rand_exponential(s, 1 / at(a, 0, t), -kInf, kInf, 0, u);
}
double integerUniform(RandState* s, int, const Value* const* a, int32_t t, double u) {
  return Rand_uniform(s, at(a, 0, t), at(a, 1, t), true, u);
}
double lognormal(RandState* s, int, const Value* const* a, int32_t t, double u) {
  return Rand_lognormal(s, at(a, 0, t), at(a, 1, t), -kInf, kInf, 0, u);
}
double normal(RandState* s, int, const Value* const* a, int32_t t, double u) {
  return Rand_normal(s, at(a, 0, t), at(a, 1, t), -kInf, kInf, 0, u);
}
double poisson(RandState* s, int, const Value* const* a, int32_t t, double u) {
  return Rand_poisson(s, at(a, 0, t), -kInf, kInf, 0, u);
}
double triangular(RandState* s, int, const Value* const* a, int32_t t, double u) {
  return Rand_triangular(s, at(a, 0, t), at(a, 1, t), at(a, 2, t), -kInf, kInf, 0, u);
}
double uniform(RandState* s, int, const Value* const* a, int32_t t, double u) {
  return Rand_uniform(s, at(a, 0, t), at(a, 1, t), false, u);
}
double unitUniform(RandState* s, int, const Value* const*, int32_t, double u) {
  return Rand_uniform(s, 0, 1, false, u);
}
double weibull(RandState* s, int, const Value* const* a, int32_t t, double u) {
  return Rand_weibull(s, at(a, 0, t), at(a, 1, t), -kInf, kInf, 0, u);
}
// Low, middle and high quartile; optional bounds clamp the draw.
double threePoint(RandState* s, int argc, const Value* const* a, int32_t t, double u) {
  const double lo = Wsf_given(argc, a, 3) ? a[3]->number : -kInf;
  const double hi = Wsf_given(argc, a, 4) ? a[4]->number : kInf;
  return Rand_threePoint(s, at(a, 0, t), at(a, 1, t), at(a, 2, t), lo, hi, 0, u);
}

// The bounds of the three-point law are plain numbers.
Value* threePointLaw(Value* r, int argc, const Value* const* a, const SimCall* call) {
  for (int k = 3; k < argc; ++k)
    if (a[k]->kind >= kValSamples && !Wsf_isError(a[k]) && !Wsf_isStructural(a[k])) return Wsf_error(r, kErrNum);
  return scalarLaw<kSimLawThreePoint, 3, threePoint>(r, argc, a, call);
}

// The laws over a table of pairs: probabilities and values (cumulative),
// values and weights (discrete), gathered into first and second after the
// frame's first steps. False when the result is formed.
bool pairTable(Value* r, int argc, const Value* const* a, const SimCall* call, int32_t law, std::vector<double>* first,
               std::vector<double>* second) {
  if (argc < 2) return Wsf_error(r, kErrValue), false;
  return !settled(r, call, argc, a, law, false) && Num_gatherPairs(a[0], a[1], kCollectLenient, first, second, r);
}

Value* cumulativeLaw(Value* r, int argc, const Value* const* a, const SimCall* call) {
  std::vector<double> p, x;
  if (!pairTable(r, argc, a, call, kSimLawCumulative, &p, &x)) return r;
  const auto count = static_cast<int32_t>(x.size()) - 1;
  if (count < 1) return Wsf_error(r, kErrNum);
  const double lo = x[1] - kCumulativeMargin, hi = x[static_cast<size_t>(count)] + kCumulativeMargin;
  RandState* s = r->context->sampling.rand;
  return Sim_drawTrials(r, call, [&](int32_t, double u) {
    return Rand_cumulative(s, lo, hi, count, x.data(), p.data(), false, -kInf, kInf, 0, u);
  });
}

Value* discreteLaw(Value* r, int argc, const Value* const* a, const SimCall* call) {
  std::vector<double> x, w;
  if (!pairTable(r, argc, a, call, kSimLawDiscrete, &x, &w)) return r;
  const auto count = static_cast<int32_t>(x.size()) - 1;
  RandState* s = r->context->sampling.rand;
  return Sim_drawTrials(r, call, [&](int32_t, double u) {
    return Rand_discrete(s, count, x.data(), nullptr, w.data(), false, -kInf, kInf, 0, u);
  });
}

// An array result of rows x columns whose elements hold n draws each (a
// sample vector when n >= 2); false when memory runs out.
bool arrayOfTrials(Value* out, int32_t rows, int32_t columns, int32_t n) {
  if (Val_makeArray(out, static_cast<int32_t>(rows), static_cast<int32_t>(columns)) != 0) return false;
  if (n < 2) return true;
  for (int32_t i = 0; i < rows; ++i)
    for (int32_t j = 0; j < columns; ++j) {
      auto* s = static_cast<SampleVector*>(Val_setKind(Val_at(out, i, j), kValSamples)->payload);
      if (!s || !Smp_init(s, n, out->context)) return false;
    }
  return true;
}

// Element k (row-major) of an array result takes trial t's draw: a copy of
// v with fewer than two trials, else v's number as sample t.
void storeElement(Value* out, int32_t k, int32_t n, int32_t t, const Value* v) {
  Value* e = Val_at(out, k / out->array->columns, k % out->array->columns);
  if (n < 2) Val_assign(e, v);
  else Smp_setAt(static_cast<SampleVector*>(e->payload), Wsf_number(v), t);
}

// The result takes the array built in out; "#value!" when it could not be
// built (status 2 raised by the array).
Value* settle(Value* r, Value* out, bool built) {
  if (!built) {
    Val_clear(out);
    return Wsf_error(r, kErrValue);
  }
  Val_clear(r);
  *r = *out;
  return r;
}

// Means and correlation matrix: one correlated vector per trial, normal or
// lognormal.
Value* correlated(Value* r, int argc, const Value* const* a, bool lognormal) {
  if (argc < 2) return Wsf_error(r, kErrValue);
  EvalContext* ctx = r->context;
  if (ctx->sampling.trialCount == 0 && Wsf_structureHooks(r, 2, a)) return r;
  std::vector<double> means;
  if (!Num_gatherNumbers(a[0], kCollectLenient, &means, r)) return r;
  const auto m = static_cast<int32_t>(means.size()) - 1;
  NumMatrix matrix;
  int32_t rows = 0, columns = 0;
  if (m < 1 || !Num_valueToMatrix(a[1], &matrix, &rows, &columns) || rows != m || columns != m)
    return Wsf_error(r, kErrValue);
  std::vector<const double*> rowOf(static_cast<size_t>(m) + 1, nullptr);
  for (int32_t i = 1; i <= m; ++i) rowOf[static_cast<size_t>(i)] = matrix[static_cast<size_t>(i)].data();
  const int32_t n = Sim_trials(ctx->sampling);
  Value out = Val_empty(ctx), x = Val_empty(ctx);
  if (!arrayOfTrials(&out, 1, m, n)) return settle(r, &out, false);
  std::vector<double> draw(static_cast<size_t>(m) + 1);
  for (int32_t t = 1; t <= n; ++t) {
    const auto drawn =
        lognormal ? Rand_correlatedLognormal(ctx->sampling.rand, m, draw.data(), means.data(), rowOf.data(), false)
                  : Rand_correlatedNormal(ctx->sampling.rand, m, draw.data(), means.data(), rowOf.data(), false);
    if (drawn != kRandCorrelationOk) return settle(r, &out, false);
    for (int32_t i = 1; i <= m; ++i) storeElement(&out, i - 1, n, t, Val_setNumber(&x, draw[static_cast<size_t>(i)]));
  }
  return settle(r, &out, true);
}

Value* correlatedLognormal(Value* r, int argc, const Value* const* a, const SimCall*) {
  return correlated(r, argc, a, true);
}
Value* correlatedNormal(Value* r, int argc, const Value* const* a, const SimCall*) {
  return correlated(r, argc, a, false);
}

// The table of a random row or permutation: an array of plain values. True
// when it is one; else the result holds its first error or "#value!".
bool plainTable(Value* r, const Value* v) {
  if (Wsf_isError(v)) return Wsf_copy(r, v), false;
  if (v->kind != kValArray || Wsf_count(v) < 1) return Wsf_error(r, kErrValue), false;
  for (int32_t k = 0; k < Wsf_count(v); ++k)
    if (Wsf_isError(Wsf_element(v, k))) return Wsf_copy(r, Wsf_element(v, k)), false;
  for (int32_t k = 0; k < Wsf_count(v); ++k)
    if (!Wsf_isPlain(Wsf_element(v, k))) return Wsf_error(r, kErrValue), false;
  return true;
}

// The head of the functions over one table: the argument count, the
// structure hooks (no trials) and the table. False with the result formed.
bool tableHead(Value* r, int argc, const Value* const* a) {
  if (argc < 1) return Wsf_error(r, kErrValue), false;
  if (r->context->sampling.trialCount == 0 && Wsf_structureHooks(r, 1, a)) return false;
  return plainTable(r, a[0]);
}

// One row of the table per trial, chosen afresh.
Value* randomRow(Value* r, int argc, const Value* const* a, const SimCall*) {
  if (!tableHead(r, argc, a)) return r;
  EvalContext* ctx = r->context;
  const int32_t rows = a[0]->array->rows, columns = a[0]->array->columns, n = Sim_trials(ctx->sampling);
  Value out = Val_empty(ctx);
  if (!arrayOfTrials(&out, 1, columns, n)) return settle(r, &out, false);
  for (int32_t t = 1; t <= n; ++t) {
    const auto row = static_cast<int32_t>(Rand_uniform(ctx->sampling.rand, 0, rows - 1, true, NAN));
    for (int32_t j = 0; j < columns; ++j) storeElement(&out, j, n, t, Val_at(a[0], row, j));
  }
  return settle(r, &out, true);
}

// The table's elements in a fresh random order per trial, row by row.
Value* permutation(Value* r, int argc, const Value* const* a, const SimCall*) {
  if (!tableHead(r, argc, a)) return r;
  EvalContext* ctx = r->context;
  const int32_t rows = a[0]->array->rows, columns = a[0]->array->columns, count = rows * columns;
  const int32_t n = Sim_trials(ctx->sampling);
  Value out = Val_empty(ctx);
  if (!arrayOfTrials(&out, rows, columns, n)) return settle(r, &out, false);
  std::vector<int32_t> order(static_cast<size_t>(count) + 1);
  for (int32_t t = 1; t <= n; ++t) {
    if (!Rand_permutation(ctx->sampling.rand, count, order.data())) return settle(r, &out, false);
    for (int32_t k = 1; k <= count; ++k)
      storeElement(&out, k - 1, n, t, Wsf_element(a[0], order[static_cast<size_t>(k)] - 1));
  }
  return settle(r, &out, true);
}

Value* atSamplePoint(Value* r, int argc, const Value* const* a, const SimCall*) {
  if (argc < 1) return Wsf_error(r, kErrValue);
  if (r->context->sampling.trialCount == 0 && Wsf_structureHooks(r, 1, a)) return r;
  return Sim_atSamplePoint(r, a[0]);
}

constexpr SimMember kMembers[] = {
    {1101, scalarLaw<kSimLawBinomial, 2, binomial>},
    {1102, cumulativeLaw},
    {1103, discreteLaw},
    {1104, scalarLaw<kSimLawExponential, 1, exponential>},
    {1105, scalarLaw<kSimLawIntegerUniform, 2, integerUniform>},
    {1106, scalarLaw<kSimLawLognormal, 2, lognormal>},
    {1107, threePointLaw},
    {1108, scalarLaw<kSimLawNormal, 2, normal>},
    {1109, scalarLaw<kSimLawPoisson, 1, poisson>},
    {1110, scalarLaw<kSimLawTriangular, 3, triangular>},
    {1111, scalarLaw<kSimLawUniform, 2, uniform>},
    {1112, scalarLaw<kSimLawUnitUniform, 0, unitUniform>},
    {1113, scalarLaw<kSimLawWeibull, 2, weibull>},
    {1114, correlatedLognormal},
    {1115, correlatedNormal},
    {1116, randomRow},
    {1117, permutation},
    {1150, atSamplePoint},
};

}  // namespace

SimEntry Sim_sampledEntry(int32_t id) {
  const SimMember* m = Sim_rowOf(kMembers, id);
  return m ? m->entry : nullptr;
}
