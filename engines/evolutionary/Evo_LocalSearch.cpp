// Local-search step of the evolutionary engine: decides whether a member is
// worth a search, runs the method of the local-improvement mode (a Beta
// redraw around the best member, a coordinate search, the linear-programming
// step, or the GRG engine as local solver), repairs an infeasible result,
// records local optima so that later starts near them are skipped, and
// leaves a good result in `current` for the main loop.
#include <algorithm>
#include <cmath>

#include "contract/Host_LocalSolver.h"
#include "engines/evolutionary/Evo_Repair.h"

namespace {

double distance(const EvoRecord& rec, const double* a, const double* b) {
  double sum = 0.0;
  for (int j = 0; j < rec.n; ++j) sum += (a[j] - b[j]) * (a[j] - b[j]);
  return std::sqrt(sum);
}

// Whether the start is worth a search: the merit threshold with its skip
// count, and the distance to the local optima already recorded.
bool worthSearching(EvoRecord& rec, const double* x, double merit) {
  if (merit > rec.meritThreshold) {
    if (++rec.skipCount < rec.settings.skipLimit) return false;
    rec.skipCount = 0;
    rec.meritThreshold += rec.settings.thresholdStep * (std::fabs(rec.meritThreshold) + 1.0);
    if (merit > rec.meritThreshold) return false;
  }
  // Mode 0 makes a new member from nearly every redraw; it runs only while
  // its members stay below one per skipLimit children kept, so that the
  // population can still close in on its best member.
  if (rec.settings.localMode == EvoLocalNone)
    return rec.stats.localOptimaFound * rec.settings.skipLimit <=
           rec.stats.mutantsKept + rec.stats.crossoversKept;
  for (const EvoMember* o = rec.localOptima.get(); o; o = o->next.get())
    if (distance(rec, x, o->x.data()) < rec.settings.distanceFactor * o->radius) return false;
  return true;
}

// Evaluates x, repairing it when it is not accepted; 0 accepted, 5 not.
int evaluateOrRepair(EvoRecord& rec, double* x, double* merit) {
  const int result = Evo_evaluateFitness(rec, x, merit);
  return result == EvoAccepted ? result : Evo_repair(rec, x, nullptr, merit, 0);
}

// One Beta redraw of the variables below class 3 around the best member;
// false when a parameter is not positive (nothing was drawn).
bool betaDraw(EvoRecord& rec, double* x) {
  if (!rec.best || !rec.worst) return false;
  for (int j = 0; j < rec.n; ++j) {
    const bool inGroup = !rec.types.empty() && rec.types[j] >= 3;
    if (inGroup || (!rec.varClass.empty() && rec.varClass[j] >= EvoClassNonSmooth)) continue;
    const double l = rec.lower[j], u = rec.upper[j], range = u - l;
    const double mu = (rec.best->x[j] - l) / range;
    const double sigma = rec.settings.betaSpread * std::fabs(rec.worst->x[j] - rec.best->x[j]);
    const double k = range * range * mu * (1.0 - mu) / sigma - 1.0;
    const double a = k * mu, b = k * (1.0 - mu);
    if (!(a > 0.0) || !(b > 0.0) || !std::isfinite(a * b)) return false;
    x[j] = std::clamp(l + Evo_beta(rec.rng, a, b) * range, l, u);
  }
  Evo_roundIntegers(rec, x, false);
  return true;
}

// Up to repeatCount redraws, each evaluated (and repaired); stops once a
// result is feasible and better than the worst member. The last result.
int betaRedraw(EvoRecord& rec, double* x, double* merit) {
  int result = EvoRejected;
  for (int r = 0; r < rec.settings.repeatCount; ++r) {
    if (!betaDraw(rec, x)) break;
    result = evaluateOrRepair(rec, x, merit);
    if (Evo_isStop(result)) break;
    const bool feasible = *merit == Evo_objectiveOf(rec, rec.rowValues.data());
    if (result == EvoAccepted && feasible && rec.worst && *merit < rec.worst->fitness) break;
  }
  return result;
}

bool fitnessAt(EvoRecord& rec, const double* x, double* f) {
  std::vector<double> rows(rec.m + 1);
  ++rec.stats.evaluations;
  if (!Evo_evaluate(rec, x, rows.data())) return false;
  *f = Evo_fitnessOf(rec, rows.data());
  return true;
}

// Coordinate search: along each coordinate and direction the step grows by
// 4 (within the bounds) while the fitness falls by at least 1e-6 x step².
// A stop ends it between moves.
void coordinateSearch(EvoRecord& rec, double* x) {
  double f0 = 0.0;
  if (!fitnessAt(rec, x, &f0)) return;
  std::vector<double> probe(x, x + rec.n);
  for (int move = 0; move < rec.settings.repeatCount * rec.n && Evo_runStop(rec) == 0; ++move) {
    const int j = move % rec.n;
    for (double dir : {1.0, -1.0}) {
      const double room = dir > 0 ? rec.upper[j] - x[j] : x[j] - rec.lower[j];
      double step = std::min(1e-3 * std::max(std::fabs(x[j]), 1.0), room), kept = 0.0, fKept = f0;
      while (step > 0.0) {
        probe[j] = x[j] + dir * step;
        double f = 0.0;
        if (!fitnessAt(rec, probe.data(), &f) || f > f0 - 1e-6 * step * step) break;
        kept = step;
        fKept = f;
        if (step >= room) break;
        step = std::min(4.0 * step, room);
      }
      probe[j] = x[j] += dir * kept;
      f0 = fKept;
      if (kept > 0.0) break;
    }
  }
}

// The GRG engine as local solver on x within the bounds, in the host's units.
void grgSearch(EvoRecord& rec, double* x, double* merit) {
  std::vector<double> point(rec.n), lower(rec.n), upper(rec.n);
  for (int j = 0; j < rec.n; ++j) {
    const double s = rec.varScale[j];
    point[j] = x[j] * s;
    lower[j] = rec.lower[j] <= -kBoundInfinity ? rec.lower[j] : rec.lower[j] * s;
    upper[j] = rec.upper[j] >= kBoundInfinity ? rec.upper[j] : rec.upper[j] * s;
  }
  Host_runLocalSolver(rec.context, 1, nullptr, nullptr, 0, static_cast<std::uint32_t>(rec.settings.localOptions),
                      rec.settings.precision, rec.settings.convergence, merit, point.data(), lower.data(),
                      upper.data());
  for (int j = 0; j < rec.n; ++j) x[j] = point[j] / rec.varScale[j];
  Evo_roundIntegers(rec, x, false);
}

// Runs the mode's method on x and evaluates the result: 0 accepted, 5 not.
int runMethod(EvoRecord& rec, double* x, double* merit) {
  switch (rec.settings.localMode) {
    case EvoLocalNone: return betaRedraw(rec, x, merit);
    case EvoLocalCoordinate: coordinateSearch(rec, x); break;
    case EvoLocalLinear:
      if (const int stop = Evo_linearStep(rec, x); Evo_isStop(stop)) return stop;
      break;
    case EvoLocalGrg: grgSearch(rec, x, merit); break;
    default: break;
  }
  return evaluateOrRepair(rec, x, merit);
}

// Offers the point reached to the list of local optima.
void recordOptimum(EvoRecord& rec, const double* start, const double* x, double merit,
                   double objective) {
  auto record = Evo_makeMember(rec, merit, objective, x);
  record->radius = distance(rec, start, x);
  if (merit == objective) {
    ++rec.feasibleFound;
    Evo_keepFeasible(rec, *record);
    Evo_noteImprovement(rec, objective);
  }
  if (Evo_insert(rec, rec.localOptima, std::move(record))) {
    ++rec.stats.localOptimaFound;
    rec.meritThreshold = merit;
    rec.skipCount = 0;
  }
}

// A result better than the worst member waits in `current` for the main loop.
int keepResult(EvoRecord& rec, const double* x, int result, double merit) {
  const double objective = Evo_objectiveOf(rec, rec.rowValues.data());
  const double worst = rec.worst ? rec.worst->fitness : kBoundInfinity;
  if (result != EvoAccepted || !(merit < worst)) return Evo_stallAccounting(rec, EvoRejected, objective);
  rec.current = Evo_makeMember(rec, merit, objective, x);
  ++rec.stats.localOptimaFound;
  Evo_noteFeasible(rec, rec.current.get());
  const int answer = Evo_stallAccounting(rec, EvoAccepted, objective);
  if (answer != 0) rec.current.reset();
  return answer;
}

}  // namespace

int Evo_localSearch(EvoRecord& rec, double* x, double* merit, bool withMember) {
  if (rec.allDiffCells >= rec.n || !worthSearching(rec, x, *merit)) return EvoRejected;
  const double startFitness = withMember ? *merit : kBoundInfinity;
  const std::vector<double> start(x, x + rec.n);
  int result = runMethod(rec, x, merit);
  if (Evo_isStop(result)) return result;
  if (rec.settings.localMode != EvoLocalNone && result == EvoAccepted && *merit < startFitness) {
    const double objective = Evo_objectiveOf(rec, rec.rowValues.data());
    recordOptimum(rec, start.data(), x, *merit, objective);
    if (!withMember) return EvoKeptOptimum;
    if (Rnd_uniform(rec.rng) > rec.settings.redrawShare)
      return Evo_stallAccounting(rec, EvoKeptOptimum, objective);
    std::copy(start.begin(), start.end(), x);
    result = betaRedraw(rec, x, merit);
    if (Evo_isStop(result)) return result;
  }
  return keepResult(rec, x, result, *merit);
}
