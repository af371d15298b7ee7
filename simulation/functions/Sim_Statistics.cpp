// The sample statistics over the statistics kernels: one table row per
// function of 1339 to 1350, one frame for them, and the selector of 1254.
#include "simulation/functions/Sim_Statistics.h"

#include <cmath>
#include <vector>

#include "arithmetic/operators/Op_Operators.h"
#include "simulation/functions/Sim_Frame.h"
#include "values/Vm_Context.h"
#include "worksheet/common/Wsf_Args.h"
#include "worksheet/kernels/Stat_Kernels.h"
#include "worksheet/numeric/Num_Gather.h"

namespace {

// x[1..m] and the second argument's number (0 when the function has none);
// false when the statistic is refused.
using Reduce = bool (*)(std::vector<double>& x, int32_t m, double a, double* out);

struct Statistic {
  int16_t id;
  bool second;  // takes a second argument: an index, a probability or a target
  Reduce reduce;
  SimEntry entry;
};

const Statistic* statisticOf(int32_t id);
Value* statistic(const Statistic& st, Value* result, int argc, const Value* const* argv);

template <int16_t Id>
Value* entry(Value* result, int argc, const Value* const* argv, const SimCall*) {
  return statistic(*statisticOf(Id), result, argc, argv);
}

#define ROW(id, second, reduce) \
  { id, second, reduce, entry<id> }
#define STAT(expr)                                                       \
  [](std::vector<double>& x, int32_t m, double a, double* out) -> bool { \
    (void)x, (void)m, (void)a;                                           \
    *out = expr;                                                         \
    return true;                                                         \
  }

// The fraction of x strictly below t (NaN for no values).
double fractionBelow(const std::vector<double>& x, int32_t m, double t) {
  int32_t below = 0;
  for (int32_t i = 1; i <= m; ++i) below += x[static_cast<size_t>(i)] < t ? 1 : 0;
  return static_cast<double>(below) / static_cast<double>(m);
}

// clang-format off
const Statistic kStatistics[] = {
  ROW(1339, true, [](std::vector<double>& x, int32_t m, double a, double* out) {
     const double k = std::trunc(a);
     if (!(k >= 1 && k <= m)) return false;
     *out = x[static_cast<size_t>(k)];
     return true;
   }),
  ROW(1340, false, STAT(Stat_kurtosis(m, x.data(), 0))),
  ROW(1341, false, STAT(Stat_max(m, x.data(), 0))),
  ROW(1342, false, STAT(Stat_mean(m, x.data(), 0))),
  ROW(1343, false, STAT(Stat_min(m, x.data(), 0))),
  ROW(1344, false, STAT(Stat_mode(m, x.data(), 0))),
  ROW(1345, true, STAT(Stat_percentile(m, x.data(), a, 0))),
  ROW(1346, false, STAT(Stat_max(m, x.data(), 0) - Stat_min(m, x.data(), 0))),
  ROW(1347, false, STAT(Stat_skewness(m, x.data(), 0))),
  ROW(1348, false, STAT(Stat_stdDev(m, x.data(), 0))),
  ROW(1349, true, STAT(fractionBelow(x, m, a))),
  ROW(1350, false, STAT(Stat_variance(m, x.data(), 0))),
};
// clang-format on
#undef STAT
#undef ROW

const Statistic* statisticOf(int32_t id) { return Sim_rowOf(kStatistics, id); }

// The data argument's numbers into x (1-based); false with the result
// formed for a short sample vector or an error met while gathering.
bool gatherData(Value* result, const Value* data, std::vector<double>* x) {
  return Sim_samplesCover(result, 1, &data, Sim_trials(result->context->sampling)) &&
         Num_gatherNumbers(data, kCollectLenient, x, result);
}

Value* statistic(const Statistic& st, Value* result, int argc, const Value* const* argv) {
  EvalContext* ctx = result->context;
  if (ctx->sampling.trialCount == 0 && Wsf_structureHooks(result, argc, argv)) return result;
  if (argc < (st.second ? 2 : 1)) return Wsf_error(result, kErrValue);
  std::vector<double> x;
  if (!gatherData(result, argv[0], &x)) return result;
  double a = 0;
  if (st.second) {
    if (Wsf_isError(argv[1])) return Wsf_copy(result, argv[1]);
    if (!Wsf_isPlain(argv[1])) return Wsf_error(result, kErrNum);
    a = Wsf_number(argv[1]);
  }
  double out = 0;
  if (!st.reduce(x, static_cast<int32_t>(x.size()) - 1, a, &out)) return Wsf_error(result, kErrNum);
  Val_clear(result);
  return Val_setNumber(result, out);
}

// The statistic of a selector over x[1..m] drawn in the sampling state's
// trials; NaN for a selector without one.
double selected(int32_t selector, std::vector<double>& x, const EvalSampling& sampling) {
  const auto m = static_cast<int32_t>(x.size()) - 1;
  const double* d = x.data();
  switch (selector) {
    case kSimStatTrials: return sampling.trialCount;
    case kSimStatMean: return Stat_mean(m, d, 0);
    case kSimStatMode: return Stat_mode(m, d, 0);
    case kSimStatStdDev: return Stat_stdDev(m, d, 0);
    case kSimStatVariance: return Stat_variance(m, d, 0);
    case kSimStatSkewness: return Stat_skewness(m, d, 0);
    case kSimStatKurtosis: return Stat_kurtosis(m, d, 0);
    case kSimStatMin: return Stat_min(m, d, 0);
    case kSimStatMax: return Stat_max(m, d, 0);
    case kSimStatRange: return Stat_max(m, d, 0) - Stat_min(m, d, 0);
    case kSimStatStdError: return Stat_stdError(m, d, 0);
    default: return NAN;
  }
}

// 1254 past its checks, with the context aggregating sample vectors.
Value* selectStatistic(Value* result, const Value* data, const Value* selector) {
  const int32_t s = Sim_whole(selector->number);
  std::vector<double> x;
  if (!gatherData(result, data, &x)) return result;
  return Wsf_finite(result, selected(s, x, result->context->sampling));
}

}  // namespace

Value* Sim_sampleStatistic1254(Value* result, int argc, const Value* const* argv, const SimCall*) {
  EvalContext* ctx = result->context;
  if (ctx->sampling.trialCount == 0 && Wsf_structureHooks(result, argc, argv)) return result;
  if (argc < 2) return Wsf_error(result, kErrValue);
  if (Sim_registering(ctx->flags.mode, ctx->sampling)) {
    if (!Op_anyArgHasKind(argc, const_cast<Value* const*>(argv), kValDegVec)) return Wsf_integer(result, 0);
    Val_clear(result);
    return Val_setKind(result, kValDegVec);
  }
  const int32_t saved = ctx->flags.aggregate;
  ctx->flags.aggregate = 1;
  selectStatistic(result, argv[0], argv[1]);
  ctx->flags.aggregate = saved;
  return result;
}

SimEntry Sim_statistic(int32_t id) {
  if (id == 1254) return Sim_sampleStatistic1254;
  const Statistic* st = statisticOf(id);
  return st ? st->entry : nullptr;
}
