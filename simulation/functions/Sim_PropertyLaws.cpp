// The distribution functions with property arguments: one table row per
// member (its law code, how many parameters it takes, which of them are
// lists, and the draw), and the one frame every member runs through.
#include "simulation/functions/Sim_PropertyLaws.h"

#include <cmath>
#include <vector>

#include "simulation/functions/Sim_Frame.h"
#include "simulation/functions/Sim_PropertyArgs.h"
#include "simulation/random/Rand_Continuous.h"
#include "simulation/random/Rand_Counting.h"
#include "simulation/random/Rand_Generator.h"
#include "simulation/random/Rand_RootLaws.h"
#include "simulation/random/Rand_Shapes.h"
#include "simulation/random/Rand_Tables.h"
#include "values/Vm_Context.h"
#include "worksheet/common/Wsf_Args.h"
#include "worksheet/numeric/Num_Gather.h"

namespace {

// The most parameters a member takes.
constexpr int kMaxParameters = 5;

// Which parameters after the plain ones are lists.
enum ListKind { kNoList, kOneList, kPairedLists };

// The gathered lists of a call, 1-based (slot 0 unused).
struct Lists {
  std::vector<double> a, b;
  int32_t count() const { return a.empty() ? 0 : static_cast<int32_t>(a.size()) - 1; }
};

using Draw = double (*)(RandState* s, const double* p, const Lists& l, const SimProperties& q, double u);

struct Member {
  int16_t id;
  int8_t k;        // parameters before the property arguments
  int8_t scalars;  // of them plain numbers (the first ones); the rest lists
  ListKind lists;
  int32_t code;  // the law's code in the registry
  Draw draw;
  SimEntry entry;
};

const Member* memberOf(int32_t id);
Value* distribution(const Member& m, Value* result, int argc, const Value* const* argv, const SimCall* call);

template <int16_t Id>
Value* entry(Value* result, int argc, const Value* const* argv, const SimCall* call) {
  return distribution(*memberOf(Id), result, argc, argv, call);
}

// The uniform laws' range moved into the truncation bounds, then shifted.
double uniformDraw(RandState* s, const double* p, const SimProperties& q, bool integer, double u) {
  double a = p[0], b = p[1];
  if (a < q.lo && q.lo < b) a = q.lo;
  if (q.lo < q.hi && q.hi < b) b = q.hi;
  return Rand_uniform(s, a + q.shift, b + q.shift, integer, u);
}

#define ROW(id, k, scalars, lists, code, draw) \
  { id, k, scalars, lists, code, draw, entry<id> }
#define LAW(expr)                                                                                 \
  [](RandState* s, const double* p, const Lists& l, const SimProperties& q, double u) -> double { \
    (void)p, (void)l;                                                                             \
    return expr;                                                                                  \
  }

// clang-format off
const Member kMembers[] = {
  ROW(1301, 2, 2, kNoList, 1, LAW(Rand_beta(s, p[0], p[1], q.lo, q.hi, q.shift, u))),
  ROW(1304, 2, 2, kNoList, 5, LAW(Rand_binomial(s, p[0], Sim_count(p[1]), q.lo, q.hi, q.shift, u))),
  ROW(1305, 1, 1, kNoList, 6, LAW(Rand_chiSquare(s, Sim_count(p[0]), q.lo, q.hi, q.shift, u))),
  ROW(1306, 4, 2, kPairedLists, 7,
   LAW(Rand_cumulative(s, p[0], p[1], l.count(), l.a.data(), l.b.data(), false, q.lo, q.hi, q.shift, u))),
  ROW(1307, 2, 0, kPairedLists, 10,
   LAW(Rand_discrete(s, l.count(), l.a.data(), nullptr, l.b.data(), false, q.lo, q.hi, q.shift, u))),
  ROW(1308, 1, 0, kOneList, 11,
   LAW(Rand_discrete(s, l.count(), l.a.data(), nullptr, nullptr, false, q.lo, q.hi, q.shift, u))),
  ROW(1309, 1, 1, kNoList, 12, LAW(Rand_errorFunctionNormal(s, p[0], q.lo, q.hi, q.shift, u))),
  ROW(1310, 2, 2, kNoList, 13, LAW(Rand_erlang(s, Sim_count(p[0]), p[1], q.lo, q.hi, q.shift, u))),
  ROW(1311, 1, 1, kNoList, 14, LAW(Rand_exponential(s, 1 / p[0], q.lo, q.hi, q.shift, u))),
  ROW(1312, 2, 2, kNoList, 27, LAW(Rand_extremeValue(s, p[0], p[1], false, q.lo, q.hi, q.shift, u))),
  ROW(1313, 2, 2, kNoList, 15, LAW(Rand_gamma(s, p[0], p[1], q.lo, q.hi, q.shift, u))),
  ROW(1314, 4, 2, kPairedLists, 16,
   LAW(Rand_general(s, p[0], p[1], l.count(), l.a.data(), l.b.data(), false, q.lo, q.hi, q.shift, u))),
  ROW(1315, 1, 1, kNoList, 17, LAW(Rand_geometric(s, p[0], q.lo, q.hi, q.shift, u))),
  ROW(1316, 3, 2, kOneList, 18,
   LAW(Rand_histogram(s, p[0], p[1], l.count(), l.a.data(), false, q.lo, q.hi, q.shift, u))),
  ROW(1317, 3, 3, kNoList, 19,
   LAW(Rand_hypergeometric(s, Sim_count(p[0]), Sim_count(p[1]), Sim_count(p[2]), q.lo, q.hi, q.shift, u))),
  ROW(1318, 2, 2, kNoList, 21, LAW(uniformDraw(s, p, q, true, u))),
  ROW(1319, 2, 2, kNoList, 22, LAW(Rand_inverseGaussian(s, p[0], p[1], q.lo, q.hi, q.shift, u))),
  ROW(1320, 2, 2, kNoList, 23, LAW(Rand_logistic(s, p[0], p[1], q.lo, q.hi, q.shift, u))),
  ROW(1321, 3, 3, kNoList, 24, LAW(Rand_logLogistic(s, p[0], p[1], p[2], q.lo, q.hi, q.shift, u))),
  ROW(1322, 2, 2, kNoList, 25, LAW(Rand_lognormal(s, p[0], p[1], q.lo, q.hi, q.shift, u))),
  ROW(1324, 2, 2, kNoList, 30, LAW(Rand_negBinomial(s, p[0], Sim_count(p[1]), q.lo, q.hi, q.shift, u))),
  ROW(1325, 2, 2, kNoList, 31, LAW(Rand_normal(s, p[0], p[1], q.lo, q.hi, q.shift, u))),
  ROW(1326, 2, 2, kNoList, 32, LAW(Rand_pareto(s, p[0], p[1], q.lo, q.hi, q.shift, u))),
  ROW(1331, 1, 1, kNoList, 37, LAW(Rand_poisson(s, p[0], q.lo, q.hi, q.shift, u))),
  ROW(1332, 1, 1, kNoList, 38, LAW(Rand_rayleigh(s, p[0], q.lo, q.hi, q.shift, u))),
  ROW(1334, 1, 1, kNoList, 42, LAW(Rand_studentT(s, Sim_count(p[0]), q.lo, q.hi, q.shift, u))),
  ROW(1335, 3, 3, kNoList, 43, LAW(Rand_triangular(s, p[0], p[1], p[2], q.lo, q.hi, q.shift, u))),
  ROW(1336, 5, 5, kNoList, 44,
   LAW(Rand_triangularPercentiles(s, p[0], p[1], p[2], p[3], p[4], q.lo, q.hi, q.shift, u))),
  ROW(1337, 2, 2, kNoList, 45, LAW(uniformDraw(s, p, q, false, u))),
  ROW(1338, 2, 2, kNoList, 47, LAW(Rand_weibull(s, p[0], p[1], q.lo, q.hi, q.shift, u))),
};
// clang-format on
#undef LAW
#undef ROW

const Member* memberOf(int32_t id) { return Sim_rowOf(kMembers, id); }

// The plain parameters: the first error is the result, a kind that is
// neither a number nor a sample vector gives "#num!", and so does a sample
// vector shorter than the trials (with status 42).
bool checkParameters(Value* result, const Member& m, const Value* const* argv) {
  const auto refused = [](const Value* v, int) { return !Wsf_isPlain(v) && v->kind != kValSamples; };
  return !Wsf_firstRefusedArg(result, m.scalars, argv, kErrNum, refused) &&
         Sim_samplesCover(result, m.scalars, argv, Sim_trials(result->context->sampling));
}

bool gatherLists(Value* result, const Member& m, const Value* const* argv, Lists* l) {
  if (m.lists == kOneList) return Num_gatherNumbers(argv[m.scalars], kCollectLenient, &l->a, result);
  if (m.lists == kPairedLists)
    return Num_gatherPairs(argv[m.scalars], argv[m.scalars + 1], kCollectLenient, &l->a, &l->b, result);
  return true;
}

Value* distribution(const Member& m, Value* result, int argc, const Value* const* argv, const SimCall* call) {
  EvalContext* ctx = result->context;
  if (ctx->sampling.trialCount == 0 && Wsf_structureHooks(result, argc, argv)) return result;
  if (argc < m.k) return Wsf_error(result, kErrValue);
  const bool registering = Sim_registering(ctx->flags.mode, ctx->sampling);
  if (registering) Sim_register(result, call, m.code, kSimFamilyProperty, argc, argv, nullptr);
  SimProperties q;
  if (!Sim_parseProperties(Sim_registry(ctx->tables), Sim_cellOf(ctx->position, call), m.k, argc, argv, &q))
    return Wsf_error(result, kErrNum);
  Lists l;
  if (registering || !checkParameters(result, m, argv) || !gatherLists(result, m, argv, &l) ||
      Sim_hookTakesOver(m.code, argc, argv))
    return result;
  return Sim_drawTrials(result, call, [&](int32_t trial, double u) {
    double p[kMaxParameters] = {};
    for (int i = 0; i < m.scalars; ++i) p[i] = Sim_valueAt(argv[i], trial);
    return m.draw(ctx->sampling.rand, p, l, q, u);
  });
}

}  // namespace

int32_t Sim_propertyLawCode(int32_t id) {
  const Member* m = memberOf(id);
  return m ? m->code : 0;
}

SimEntry Sim_propertyLaw(int32_t id) {
  const Member* m = memberOf(id);
  return m ? m->entry : nullptr;
}
