// The multistart driver: set-up from the options and bounds, the first
// local search from the given start, then per iteration a uniform sample of
// the box, the critical distance of multi-level single linkage (and, when
// asked, the topographic filter) choosing the samples that start a local
// search, the Bayesian stopping rule, and the end that leaves the lowest
// minimum in the problem. Values of samples and minima are the objective
// (negated when maximised) plus a penalty on violated rows weighted by the
// largest multipliers the local searches reported.
#include <algorithm>
#include <cmath>
#include <new>
#include <numbers>
#include <vector>

#include "base/Rnd_Uniform.h"
#include "contract/Bound_Infinity.h"
#include "contract/Host_Eval.h"
#include "contract/Host_Progress.h"
#include "contract/Host_Queries.h"
#include "entry/Eng_DriverSolve.h"
#include "entry/Eng_Runner.h"
#include "platform/os/Os.h"

namespace {

constexpr int MaxSampleSize = 200;
constexpr int MaxIterations = 5;
constexpr int MaxDimension = 200;      // above it every sample lies within the distance
constexpr int NeighboursLooked = 7;    // pairs the topographic filter looks at per sample
// Outcomes of a step besides a status: go on, or the normal end.
constexpr int KeepGoing = -100;
constexpr int NormalEnd = -101;

struct MslSample {
  double value;
  std::vector<double> x;
};

struct MslMinimum {
  double value;       // objective (minimised sense) + penalty
  double objective;   // as the engine reported it
  std::vector<double> x;
};

struct MslPair {
  int better, other;   // positions in the sample list, better first
  double distance;
};

struct MslRun {
  LibraryContext* owner = nullptr;
  EngineOp solve = nullptr;
  EngineProblem* problem = nullptr;
  int n = 0, m = 0, penaltyRows = 0;
  bool hasObjective = false, maximise = false, integerMode = false, topographic = false;
  int sampleSize = 0;
  double tolerance = 0;
  std::vector<double> lower, upper, rowLower, rowUpper, weights, multipliers, f;
  RndStream random;
  std::vector<MslSample> samples, carry;
  std::vector<MslMinimum> minima;   // in the order found
};

// ---- values of points ----

double meritOf(const MslRun& r) {
  double objective = r.hasObjective ? r.f[r.m - 1] : 0.0;
  double value = r.maximise ? -objective : objective;
  for (int i = 0; i < r.penaltyRows; ++i) {
    double v = r.f[i];
    if (v < r.rowLower[i]) value += (r.rowLower[i] - v) * r.weights[i];
    else if (v > r.rowUpper[i]) value += (v - r.rowUpper[i]) * r.weights[i];
  }
  return value;
}

bool evaluate(MslRun& r, const double* x, double* value) {
  std::fill(r.f.begin(), r.f.end(), 0.0);
  if (!Host_evalProblem(r.owner, r.f.data(), x)) return false;
  *value = meritOf(r);
  return true;
}

double distance(const std::vector<double>& a, const std::vector<double>& b) {
  double sum = 0;
  for (std::size_t j = 0; j < a.size(); ++j) sum += (a[j] - b[j]) * (a[j] - b[j]);
  return std::sqrt(sum);
}

// ---- local searches ----

void takeWeights(MslRun& r, bool replace) {
  for (int i = 0; i < r.penaltyRows; ++i) {
    double w = std::fabs(r.multipliers[i]);
    r.weights[i] = replace ? w : std::max(r.weights[i], w);
  }
}

void addMinimum(MslRun& r) {
  const double* x = r.problem->values;
  for (const MslMinimum& known : r.minima) {
    bool same = true;
    for (int j = 0; j < r.n && same; ++j) same = std::fabs(known.x[j] - x[j]) <= r.tolerance;
    if (same) return;
  }
  double value;
  if (!evaluate(r, x, &value)) return;
  r.minima.push_back(MslMinimum{value, r.problem->objective, std::vector<double>(x, x + r.n)});
}

const MslMinimum* lowestMinimum(const MslRun& r) {
  const MslMinimum* best = nullptr;
  for (auto it = r.minima.rbegin(); it != r.minima.rend(); ++it)   // newest first
    if (!best || it->value < best->value) best = &*it;
  return best;
}

// The progress report after a local search; its answer.
int report(MslRun& r) {
  if (r.integerMode) return Host_progressCallback(r.owner, ProgressQuery, 0, 0, 0);
  int count = static_cast<int>(r.minima.size());
  const MslMinimum* best = lowestMinimum(r);
  if (!best || !(best->value < kBoundInfinity)) return Host_progressCallback(r.owner, ProgressSubproblem, count, 0, 0);
  double shown = r.maximise ? -best->value : best->value;
  return Host_progressValue(r.owner, ProgressSubproblem | ProgressObjective, count, shown);
}

// A local search from the problem's values; KeepGoing, or how the driver ends.
int localSearch(MslRun& r, bool first) {
  int solved = Eng_solveWithoutSnapshot(r.solve, r.problem);
  if (first && !solved) return StatusNone;
  bool found = Eng_isConverged(r.problem->status);
  if (first || found) takeWeights(r, first);
  if (found) addMinimum(r);
  return report(r) != StopContinue ? StatusNone : KeepGoing;
}

int searchFrom(MslRun& r, const std::vector<double>& x) {
  std::copy(x.begin(), x.end(), r.problem->values);
  return localSearch(r, false);
}

// ---- sampling ----

int sampleSizeFor(int k, int w, int lastW, int current) {
  if (!((w > 0 && w == lastW) || k >= MaxIterations)) return current;
  return std::clamp(((2 * w + 3) * w + 2) / k, 1, MaxSampleSize);
}

double criticalDistance(const MslRun& r, int j) {
  if (r.n > MaxDimension) return 1e308;
  double jn = static_cast<double>(j) * r.sampleSize;
  double volume = 1;
  for (int v = 0; v < r.n; ++v) volume *= r.upper[v] - r.lower[v];
  double inner = std::tgamma(1 + r.n / 2.0) * volume * 4 * std::log(jn) / jn;
  return std::pow(inner, 1.0 / r.n) / std::sqrt(std::numbers::pi);
}

void insertSample(MslRun& r, MslSample sample) {
  auto at = std::upper_bound(r.samples.begin(), r.samples.end(), sample.value,
                             [](double v, const MslSample& s) { return v < s.value; });
  r.samples.insert(at, std::move(sample));
  if (static_cast<int>(r.samples.size()) > r.sampleSize) r.samples.pop_back();
}

int drawSamples(MslRun& r) {
  int failures = 0;
  for (int drawn = 0; drawn < r.sampleSize;) {
    MslSample sample{0, std::vector<double>(r.n)};
    for (int j = 0; j < r.n; ++j)
      sample.x[j] = r.lower[j] + Rnd_uniform(r.random) * (r.upper[j] - r.lower[j]);
    if (!evaluate(r, sample.x.data(), &sample.value)) {
      if (++failures > r.sampleSize) return StatusEvalError;
      continue;
    }
    insertSample(r, std::move(sample));
    ++drawn;
  }
  return KeepGoing;
}

// ---- choosing the samples that start ----

// Every pair of samples, nearest first; KeepGoing or StatusNone (stopped).
int buildPairs(MslRun& r, std::vector<MslPair>* pairs) {
  pairs->clear();
  for (int p = 1; p < static_cast<int>(r.samples.size()); ++p) {
    if (Host_progressCallback(r.owner, ProgressQuery, 0, 0, 0) != StopContinue) return StatusNone;
    for (int q = 0; q < p; ++q)
      pairs->push_back(MslPair{q, p, distance(r.samples[q].x, r.samples[p].x)});
  }
  std::stable_sort(pairs->begin(), pairs->end(),
                   [](const MslPair& a, const MslPair& b) { return a.distance < b.distance; });
  return KeepGoing;
}

// Whether a better sample is among the nearest neighbours of sample t.
bool betterNeighbour(const std::vector<MslPair>& pairs, int t) {
  int seen = 0;
  for (const MslPair& pair : pairs) {
    if (pair.better != t && pair.other != t) continue;
    if (pair.other == t) return true;
    if (++seen == NeighboursLooked) return false;
  }
  return false;
}

// Whether sample t starts a local search; a sample that may start later,
// once the critical distance has shrunk, is carried over.
bool starts(MslRun& r, int t, double rk, double rkNext) {
  for (int s = 0; s < t; ++s) {
    double d = distance(r.samples[s].x, r.samples[t].x);
    if (d >= rk) continue;
    if (d > rkNext) r.carry.push_back(r.samples[t]);
    return false;
  }
  return true;
}

// One iteration of the search at iteration number k.
int iterate(MslRun& r, int k) {
  double rk = criticalDistance(r, k), rkNext = criticalDistance(r, k + 1);
  if (int result = drawSamples(r); result != KeepGoing) return result;
  std::vector<MslPair> pairs;
  if (r.topographic)
    if (int result = buildPairs(r, &pairs); result != KeepGoing) return result;
  r.carry.clear();
  for (int t = 0; t < static_cast<int>(r.samples.size()); ++t) {
    if (t > 0 && r.topographic && betterNeighbour(pairs, t)) continue;
    if (t > 0 && !starts(r, t, rk, rkNext)) continue;
    if (int result = searchFrom(r, r.samples[t].x); result != KeepGoing) return result;
  }
  r.samples.swap(r.carry);
  r.carry.clear();
  return KeepGoing;
}

bool goOn(const MslRun& r, int k) {
  double w = static_cast<double>(r.minima.size());
  double kn = static_cast<double>(k) * r.sampleSize;
  return w <= kn - 3 && k < MaxIterations && w + 0.5 < w * (kn - 1) / (kn - w - 2);
}

int search(MslRun& r) {
  if (int result = localSearch(r, true); result != KeepGoing) return result;
  int lastW = -1;
  for (int k = 1;; ++k) {
    int w = static_cast<int>(r.minima.size());
    r.sampleSize = sampleSizeFor(k, w, lastW, r.sampleSize);
    lastW = w;
    if (int result = iterate(r, k); result != KeepGoing) return result;
    if (!goOn(r, k)) return NormalEnd;
  }
}

// ---- set-up and end ----

// Sizes, options and the seeded generator; false when the model is empty.
bool readOptions(MslRun& r, std::uint32_t* flags) {
  LibraryContext* c = r.owner;
  r.n = Host_queryModel(c, QueryVariables);
  r.m = Host_queryModel(c, QueryRows);
  if (r.n < 1 || r.n > r.problem->variableCount || r.m < 0) return false;
  r.hasObjective = Host_queryModel(c, QueryObjectiveRow) != 0 && r.m > 0;
  r.penaltyRows = r.hasObjective ? r.m - 1 : r.m;
  r.maximise = Host_queryModel(c, QueryMaximise) != 0;
  int size = Host_getIntOption(c, IntPopulation);
  r.sampleSize = size < 10 ? std::min(10 * r.n, MaxSampleSize) : size;
  Host_getRealOption(c, &r.tolerance, RealPrecision);
  int engine = Host_getEngineIndex(c);
  *flags = Host_getEngineOptionFlags(c, engine);
  r.topographic = (*flags & OptFlagTms) != 0;
  std::int64_t seed = Host_getIntOption(c, IntRandomSeed);
  if (seed == 0) seed = Os_tickCount();
  Rnd_seed(r.random, seed);
  const std::int32_t* types = r.problem->integerFlags;
  r.integerMode = Host_getEngineInfoItem(c, engine, EngineInfoBranch) != 0 && types &&
                  std::any_of(types, types + r.n, [](std::int32_t t) { return t != 0; });
  return true;
}

// The variables' box and the rows' bounds; 0 or the status that ends the
// driver.
int readBounds(MslRun& r, std::uint32_t flags) {
  std::size_t rows = static_cast<std::size_t>(r.m) + 1;
  r.lower.assign(r.n, -kBoundInfinity);
  r.upper.assign(r.n, kBoundInfinity);
  r.rowLower.assign(rows, -kBoundInfinity);
  r.rowUpper.assign(rows, kBoundInfinity);
  r.weights.assign(rows, 0.0);
  r.multipliers.assign(rows, 0.0);
  r.f.assign(rows, 0.0);
  if (!Host_getVariableBounds(r.owner, r.lower.data(), r.upper.data(), r.rowLower.data(),
                              r.rowUpper.data()))
    return StatusBadBounds;
  // The box the engine solves in (a branch-and-bound node's, when it calls).
  if (r.problem->lower && r.problem->upper) {
    std::copy(r.problem->lower, r.problem->lower + r.n, r.lower.begin());
    std::copy(r.problem->upper, r.problem->upper + r.n, r.upper.begin());
  }
  if (flags & OptFlagRbv)
    for (int j = 0; j < r.n; ++j)
      if (r.lower[j] <= -kBoundInfinity || r.upper[j] >= kBoundInfinity) return StatusUnboundedVariable;
  return 0;
}

// Leaves the lowest minimum in the problem; returns the driver's result.
int finish(MslRun& r, int result) {
  int status = result;
  if (result == NormalEnd) status = r.integerMode ? StatusConverged : StatusMultistartEnd;
  if ((status == StatusConverged || status == StatusMultistartEnd) && r.minima.empty())
    status = StatusInfeasible;
  EngineProblem& p = *r.problem;
  if (status != StatusNone) p.status = status;
  p.objective = kBoundInfinity;
  p.saved = nullptr;
  p.releaseSaved = nullptr;
  if (const MslMinimum* best = lowestMinimum(r)) {
    p.objective = best->objective;
    std::copy(best->x.begin(), best->x.end(), p.values);
  }
  return status;
}

int runDriver(EngineOp solve, EngineProblem* problem) {
  MslRun r;
  r.owner = problem->owner;
  r.solve = solve;
  r.problem = problem;
  std::uint32_t flags = 0;
  if (!readOptions(r, &flags)) return StatusBadModel;
  if (int status = readBounds(r, flags); status != 0) {
    if (status == StatusUnboundedVariable) problem->status = status;
    return status;
  }
  double* given = problem->multipliers;
  problem->multipliers = r.multipliers.data();
  int result;
  try {
    result = search(r);
  } catch (const std::bad_alloc&) {
    result = StatusOutOfMemory;
  }
  problem->multipliers = given;
  return finish(r, result);
}

}  // namespace

int Eng_multiStartDriver(EngineOp solve, EngineProblem* problem) {
  if (!solve || !problem || !problem->owner || problem->variableCount < 1 || !problem->values)
    return StatusBadBounds;
  try {
    return runDriver(solve, problem);
  } catch (const std::bad_alloc&) {
    return StatusOutOfMemory;
  }
}
