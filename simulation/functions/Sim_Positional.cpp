// The positional-truncation family over the frame of the drawing
// functions: each member names its law's parameter count, the law it
// registers and its draw from the parameters and bounds of one trial.
#include "simulation/functions/Sim_Positional.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "simulation/functions/Sim_Frame.h"
#include "simulation/random/Rand_Continuous.h"
#include "simulation/random/Rand_Counting.h"
#include "simulation/random/Rand_Generator.h"
#include "simulation/random/Rand_RootLaws.h"
#include "simulation/random/Rand_Shapes.h"
#include "simulation/random/Rand_Tables.h"
#include "simulation/random/Rand_Truncation.h"
#include "values/Vm_Context.h"
#include "worksheet/common/Wsf_Args.h"
#include "worksheet/numeric/Num_Gather.h"

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr int kMaxParameters = 4;

// The draw of one trial from the law's parameters p, the bounds and the
// percentile u.
using Draw = double (*)(RandState* s, const double* p, double lo, double hi, double u);

// The area of the formula being evaluated, which the registry keeps: the
// array formula's block or the cell.
RangeRef areaOf(const Value* r, const SimCall* call) {
  if (call && call->area) return *call->area;
  const CellRef c = Sim_cellOf(r->context->position, call);
  return RangeRef{c.sheet, c.row, c.column, c.row, c.column};
}

// The structure hooks (no trials) and the registration pass, which checks
// no argument; true when they formed the result.
bool settledBefore(Value* r, int argc, const Value* const* a, const SimCall* call, int32_t law) {
  EvalContext* ctx = r->context;
  if (ctx->sampling.trialCount == 0 && Wsf_structureHooks(r, argc, a)) return true;
  if (!Sim_registering(ctx->flags.mode, ctx->sampling)) return false;
  const RangeRef area = areaOf(r, call);
  Sim_register(r, call, law, kSimFamilyBounded, argc, a, &area);
  return true;
}

// The arguments in order: the first error is the result; among the k
// parameters and two bounds anything but a number or sample vector, after
// them anything but a number or text, is "#num!".
bool argumentsRefused(Value* r, int argc, const Value* const* a, int k) {
  return Wsf_firstRefusedArg(r, argc, a, kErrNum, [k](const Value* v, int i) {
    return i < k + 2 ? v->kind > kValSamples : v->kind >= kValSamples && v->kind != kValText;
  });
}

// Bound i of trial t: infinite when not given.
double boundAt(int argc, const Value* const* a, int i, int32_t t, double open) {
  return Wsf_given(argc, a, i) ? Sim_valueAt(a[i], t) : open;
}

template <int32_t L, int K, Draw D>
Value* member(Value* r, int argc, const Value* const* a, const SimCall* call) {
  static_assert(K >= 1 && K <= kMaxParameters);
  if (argc < K) return Wsf_error(r, kErrValue);
  if (settledBefore(r, argc, a, call, L) || argumentsRefused(r, argc, a, K)) return r;
  if (!Sim_samplesCover(r, argc, a, Sim_trials(r->context->sampling)) || Sim_hookTakesOver(L, argc, a)) return r;
  RandState* s = r->context->sampling.rand;
  return Sim_drawTrials(r, call, [&](int32_t t, double u) {
    double p[kMaxParameters];
    for (int k = 0; k < K; ++k) p[k] = Sim_valueAt(a[k], t);
    return D(s, p, boundAt(argc, a, K, t, -kInf), boundAt(argc, a, K + 1, t, kInf), u);
  });
}

// Uniform laws take the bounds by narrowing their range to the part that
// lies between them; false when no part does.
bool narrow(double* a, double* b, double lo, double hi) {
  if (Rand_reversed(lo, hi) || lo > *b || hi < *a) return false;
  *a = std::max(*a, lo);
  *b = std::min(*b, hi);
  return true;
}

double beta(RandState* s, const double* p, double lo, double hi, double u) {
  return Rand_beta(s, p[0], p[1], lo, hi, 0, u) * p[2];
}
double betaRange(RandState* s, const double* p, double lo, double hi, double u) {
  return p[0] + (p[1] - p[0]) * Rand_beta(s, p[2], p[3], lo, hi, 0, u);
}
double binomial(RandState* s, const double* p, double lo, double hi, double u) {
  return Rand_binomial(s, p[0], Sim_count(p[1]), lo, hi, 0, u);
}
// Bounds that leave no whole number of the range between them give NaN, not
// the whole number just past them.
double integerUniform(RandState* s, const double* p, double lo, double hi, double u) {
  double a = p[0], b = p[1];
  if (!narrow(&a, &b, lo, hi)) return NAN;
  const double x = Rand_uniform(s, a, b, true, u);
  return x >= lo && x <= hi ? x : NAN;
}
double exponential(RandState* s, const double* p, double lo, double hi, double u) {
  return Rand_exponential(s, p[0], lo, hi, 0, u);
}
double gamma(RandState* s, const double* p, double lo, double hi, double u) {
  return Rand_gamma(s, p[1], p[2], lo, hi, 0, u) + p[0];
}
double geometric(RandState* s, const double* p, double lo, double hi, double u) {
  return Rand_geometric(s, p[0], lo, hi, 0, u);
}
// Success probability, sample size and population: the population holds
// trunc(probability x population) successes.
double hypergeometric(RandState* s, const double* p, double lo, double hi, double u) {
  return Rand_hypergeometric(s, Sim_count(p[1]), Sim_count(p[0] * p[2]), Sim_count(p[2]), lo, hi, 0, u);
}
double hypergeometricCounts(RandState* s, const double* p, double lo, double hi, double u) {
  return Rand_hypergeometric(s, Sim_count(p[0]), Sim_count(p[1]), Sim_count(p[2]), lo, hi, 0, u);
}
double logistic(RandState* s, const double* p, double lo, double hi, double u) {
  return Rand_logistic(s, p[0], p[1], lo, hi, 0, u);
}
double lognormal(RandState* s, const double* p, double lo, double hi, double u) {
  return Rand_lognormal(s, p[0], p[1], lo, hi, 0, u);
}
double lognormalLogs(RandState* s, const double* p, double lo, double hi, double u) {
  return Rand_lognormal(s, std::exp(p[0]), std::exp(p[1]), lo, hi, 0, u);
}
double maxExtreme(RandState* s, const double* p, double lo, double hi, double u) {
  return Rand_extremeValue(s, p[0], p[1], false, lo, hi, 0, u);
}
double minExtreme(RandState* s, const double* p, double lo, double hi, double u) {
  return Rand_extremeValue(s, p[0], p[1], true, lo, hi, 0, u);
}
double negBinomial(RandState* s, const double* p, double lo, double hi, double u) {
  return Rand_negBinomial(s, p[0], Sim_count(p[1]), lo, hi, 0, u);
}
double normal(RandState* s, const double* p, double lo, double hi, double u) {
  return Rand_normal(s, p[0], p[1], lo, hi, 0, u);
}
double pareto(RandState* s, const double* p, double lo, double hi, double u) {
  return Rand_pareto(s, p[0], p[1], lo, hi, 0, u);
}
double poisson(RandState* s, const double* p, double lo, double hi, double u) {
  return Rand_poisson(s, 1 / p[0], lo, hi, 0, u);
}
// Midpoint, scale and degrees of freedom: the standard law drawn between
// the bounds in standard units.
double studentT(RandState* s, const double* p, double lo, double hi, double u) {
  const double m = p[0], scale = p[1];
  return Rand_studentT(s, Sim_count(p[2]), (lo - m) / scale, (hi - m) / scale, 0, u) * scale + m;
}
double triangular(RandState* s, const double* p, double lo, double hi, double u) {
  return Rand_triangular(s, p[0], p[1], p[2], lo, hi, 0, u);
}
double uniform(RandState* s, const double* p, double lo, double hi, double u) {
  double a = p[0], b = p[1];
  return narrow(&a, &b, lo, hi) ? Rand_uniform(s, a, b, false, u) : NAN;
}
double weibull(RandState* s, const double* p, double lo, double hi, double u) {
  return Rand_weibull(s, p[1], p[2], lo, hi, 0, u) + p[0];
}
double bernoulli(RandState* s, const double* p, double lo, double hi, double u) {
  return Rand_binomial(s, p[0], 1, lo, hi, 0, u);
}

// The table of outcomes of the custom and table laws: an array of 2 or 3
// columns. False with "#value!" in the result otherwise.
bool outcomeTable(Value* r, const Value* v, NumMatrix* m, int32_t* rows, int32_t* columns) {
  if (Num_arrayToMatrix(v, m, rows, columns) && (*columns == 2 || *columns == 3)) return true;
  Wsf_error(r, kErrValue);
  return false;
}

// One outcome row per draw: (value, weight) or (low, high, weight).
Value* custom(Value* r, int argc, const Value* const* a, const SimCall* call) {
  if (argc < 1) return Wsf_error(r, kErrValue);
  if (settledBefore(r, argc, a, call, kSimLawCustom) || Wsf_firstErrorArg(r, argc, a)) return r;
  for (int i = 1; i < argc; ++i)
    if (a[i]->kind >= kValSamples && a[i]->kind != kValText) return Wsf_error(r, kErrNum);
  NumMatrix m;
  int32_t rows = 0, columns = 0;
  if (!outcomeTable(r, a[0], &m, &rows, &columns) || Sim_hookTakesOver(kSimLawCustom, argc, a)) return r;
  std::vector<std::vector<double>> column(static_cast<size_t>(columns) + 1,
                                          std::vector<double>(static_cast<size_t>(rows) + 1, 0.0));
  for (int32_t i = 1; i <= rows; ++i)
    for (int32_t j = 1; j <= columns; ++j) column[static_cast<size_t>(j)][static_cast<size_t>(i)] = m[i][j];
  const double* upper = columns == 3 ? column[2].data() : nullptr;
  const double* weights = column[static_cast<size_t>(columns)].data();
  RandState* s = r->context->sampling.rand;
  return Sim_drawTrials(r, call, [&](int32_t, double u) {
    return Rand_discrete(s, rows, column[1].data(), upper, weights, false, -kInf, kInf, 0, u);
  });
}

// Registers its cell; otherwise checks its table and has no value.
Value* table(Value* r, int argc, const Value* const* a, const SimCall* call) {
  if (argc < 1) return Wsf_error(r, kErrValue);
  if (settledBefore(r, argc, a, call, kSimLawTable) || Wsf_firstErrorArg(r, argc, a)) return r;
  NumMatrix m;
  int32_t rows = 0, columns = 0;
  if (!outcomeTable(r, a[0], &m, &rows, &columns)) return r;
  return Wsf_error(r, kErrNA);
}

Value* notAvailable(Value* r, int, const Value* const*, const SimCall*) { return Wsf_error(r, kErrNA); }

constexpr SimMember kMembers[] = {
    {1201, member<kSimLawBeta, 3, beta>},
    {1202, member<kSimLawBetaRange, 4, betaRange>},
    {1203, member<kSimLawBinomial, 2, binomial>},
    {1204, custom},
    {1205, table},
    {1206, member<kSimLawIntegerUniform, 2, integerUniform>},
    {1207, member<kSimLawExponential, 1, exponential>},
    {1208, member<kSimLawMinExtreme, 2, minExtreme>},
    {1209, member<kSimLawMaxExtreme, 2, maxExtreme>},
    {1210, member<kSimLawGamma, 3, gamma>},
    {1211, member<kSimLawGeometric, 1, geometric>},
    {1212, member<kSimLawHypergeometric, 3, hypergeometric>},
    {1213, member<kSimLawHypergeometricCounts, 3, hypergeometricCounts>},
    {1214, member<kSimLawLogistic, 2, logistic>},
    {1215, member<kSimLawLognormal, 2, lognormal>},
    {1216, member<kSimLawLognormalLogs, 2, lognormalLogs>},
    {1217, member<kSimLawMaxExtreme, 2, maxExtreme>},
    {1218, member<kSimLawMinExtreme, 2, minExtreme>},
    {1219, member<kSimLawNegBinomial, 2, negBinomial>},
    {1220, member<kSimLawNormal, 2, normal>},
    {1221, member<kSimLawPareto, 2, pareto>},
    {1222, member<kSimLawPoisson, 1, poisson>},
    {1223, member<kSimLawStudentT, 3, studentT>},
    {1224, member<kSimLawTriangular, 3, triangular>},
    {1225, member<kSimLawUniform, 2, uniform>},
    {1226, member<kSimLawWeibull, 3, weibull>},
    {1227, member<kSimLawBernoulli, 1, bernoulli>},
    {1251, notAvailable},
    {1252, notAvailable},
    {1253, notAvailable},
    {1255, notAvailable},
    {1256, notAvailable},
};

}  // namespace

SimEntry Sim_positionalEntry(int32_t id) {
  const SimMember* m = Sim_rowOf(kMembers, id);
  return m ? m->entry : nullptr;
}
