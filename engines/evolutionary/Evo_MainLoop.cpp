// The evolutionary engine's main loop: the run's start (seed, population
// size, counters, linear analysis), the breeding loop with its convergence
// test, the reseed after the user's stop code 1, the final feasibility phase
// and the final choice of the solution.
#include <algorithm>
#include <cmath>

#include "contract/Eng_Engine.h"
#include "contract/Host_Queries.h"
#include "engines/evolutionary/Evo_Engine.h"
#include "engines/evolutionary/Evo_Repair.h"
#include "platform/os/Os.h"

namespace {

void start(EvoRecord& rec) {
  const EvoOptions& o = rec.options;
  rec.settings.localOptions = 48 + ((o.flags & OptFlagDrv) ? 2 : 0);
  rec.settings.convergence = o.convergence;
  rec.settings.tolerance = o.tolerance;
  rec.settings.extinction = o.extinction;
  rec.settings.mutationRate = rec.settings.redrawShare = o.mutationRate;
  rec.settings.precision = o.precision == 0.0 ? 1e-8 : o.precision;
  rec.settings.eqWeight = std::pow(rec.settings.precision, -0.25);
  rec.settings.ineqWeight = std::pow(rec.settings.precision, -0.5);
  Rnd_seed(rec.rng, o.seed < 1 ? static_cast<std::int32_t>(Os_tickCount()) : o.seed);
  // A count stored as "no limit" sizes nothing: the population then takes
  // the size the engine chooses when none is set, the mutation horizon the
  // subproblem count a model gets by default.
  const bool sized = o.populationSize >= 10 && o.populationSize != kIntOptionNoLimit;
  rec.popSize = sized ? o.populationSize : std::min(10 * rec.n, 200);
  rec.mutationPicks.assign(rec.popSize, 0);
  rec.crossoverPicks.assign(rec.popSize, 0);
  rec.stats.evaluations = rec.popSize;
  rec.settings.rejectLimit = rec.n;
  rec.infeasiblePeriod = 2 * rec.n;
  rec.settings.mutationHorizon = o.nodes == kIntOptionNoLimit ? kDefaultNodes : o.nodes;
  rec.settings.stallSeconds = o.stallSeconds;
  rec.settings.allDiffShare = static_cast<double>(rec.allDiffCells) / rec.n;
  rec.meritThreshold = rec.lastBest = rec.bestObjective = kBoundInfinity;
  rec.setupEvaluations = std::max(1, 3 * rec.popSize + 2 * rec.n);
  rec.savedLower = rec.lower;
  rec.savedUpper = rec.upper;
  std::fill(rec.x.begin(), rec.x.end(), 0.0);
}

// Runs the local search on a copy of a member's point; a member it makes is
// inserted.
int searchMember(EvoRecord& rec, const EvoMember& member) {
  rec.x = member.x;
  double merit = member.fitness;
  int result = Evo_localSearch(rec, rec.x.data(), &merit, true);
  if (result == EvoAccepted && rec.current) return Evo_insertCurrent(rec);
  rec.current.reset();
  return result == EvoKeptOptimum || result == EvoRejected ? 0 : result;
}

bool converged(const EvoRecord& rec) {
  if (rec.stats.crossoversKept < rec.n) return false;
  int count = Evo_listCount(rec.population.get());
  const EvoMember* ref = Evo_memberAt(rec.population.get(), std::max(1, count * 99 / 100));
  if (!ref || !rec.best) return false;
  double scale = std::fabs(rec.best->fitness) <= 1.0 ? 1.0 : std::fabs(rec.best->fitness);
  return std::fabs(ref->fitness - rec.best->fitness) / scale <= rec.settings.convergence;
}

// Breeds until a result other than "no child" ends the pass.
int breedLoop(EvoRecord& rec) {
  rec.improvedTick = Os_tickCount();
  for (;;) {
    if (converged(rec)) return 0;
    EvoMember* made = nullptr;
    int result = Evo_breedChild(rec, &made);
    if (result == EvoRejected) continue;
    if (result != 0) return result;
    if (made && (result = searchMember(rec, *made)) != 0) return result;
  }
}

// The reseed after stop code 1: thin the population, evaluate the rest
// again and sort it anew.
int reseed(EvoRecord& rec) {
  Evo_progress(rec, ProgressResume, 0, 0.0);
  int remove =
      static_cast<int>(std::lround(Evo_listCount(rec.population.get()) * rec.settings.extinction));
  for (int k = 0; k < remove; ++k) {
    int before = Evo_listCount(rec.population.get());
    Evo_removeRandom(rec, nullptr);
    if (Evo_listCount(rec.population.get()) == before) break;
  }
  std::unique_ptr<EvoMember> old = std::move(rec.population);
  rec.bestFeasible = nullptr;
  while (old) {
    std::unique_ptr<EvoMember> member = std::move(old);
    old = std::move(member->next);
    Evo_evaluateFitness(rec, member->x.data(), &member->fitness);
    member->objective = Evo_objectiveOf(rec, rec.rowValues.data());
    Evo_insert(rec, rec.population, std::move(member));
  }
  if (!Evo_refreshEnds(rec)) return StatusHostFailure;
  for (EvoMember* m = rec.population.get(); m; m = m->next.get())
    if (m->fitness == m->objective && m->objective < kBoundInfinity &&
        (!rec.bestFeasible || m->objective < rec.bestFeasible->objective))
      rec.bestFeasible = m;
  return 0;
}

// One pass: the optional first local search, the fill, the search of the
// best member and the breeding. The two searches before the breeding count
// through the local optima they record; a member either leaves in
// `current` is not used. A stop during either search ends the pass.
int pass(EvoRecord& rec) {
  if (rec.settings.localMode == EvoLocalGrg) {
    rec.x = rec.x0;
    double merit = 0.0;
    Evo_evaluateFitness(rec, rec.x.data(), &merit);
    Evo_localSearch(rec, rec.x.data(), &merit, false);
    rec.current.reset();
    if (const int stop = Evo_runStop(rec)) return stop;
  }
  if (int result = Evo_fillPopulation(rec)) return result;
  if (rec.settings.localMode != EvoLocalNone && rec.best) {
    rec.x = rec.best->x;
    double merit = rec.best->fitness;
    Evo_localSearch(rec, rec.x.data(), &merit, true);
    rec.current.reset();
    if (const int stop = Evo_runStop(rec)) return stop;
  }
  // A population of one point (every variable fixed, say) has no pair to
  // breed from: that point is the result.
  if (Evo_listCount(rec.population.get()) < 2) return 0;
  return breedLoop(rec);
}

bool feasibleChoice(const EvoMember* chosen) {
  return chosen && chosen->fitness == chosen->objective && chosen->objective < kBoundInfinity;
}

// A run that ended by its own rules (convergence or the stall) without a
// feasible point gets the final feasibility phase before it may say so; a
// stop during the phase ends the run with that stop's status.
int lastChance(EvoRecord& rec, int result) {
  if ((result != 0 && result != StatusNoProgress) || !rec.population || feasibleChoice(Evo_chooseResult(rec)))
    return result;
  const int phase = Evo_finalFeasibility(rec);
  return Evo_isStop(phase) ? phase : result;
}

int finalResult(EvoRecord& rec, int result, double* objectiveOut) {
  const EvoMember* chosen = Evo_chooseResult(rec);
  double sign = rec.maximise ? -rec.rowScale[rec.m] : rec.rowScale[rec.m];
  if (feasibleChoice(chosen)) {
    *objectiveOut = chosen->objective * sign;
    rec.x = chosen->x;
    if (result == 0) result = StatusConverged;
  } else {
    *objectiveOut = chosen ? chosen->objective * sign : 0.0;
    if (chosen) rec.x = chosen->x;
    if (result == 0 || result == StatusNoProgress) result = StatusInfeasible;
  }
  return rec.finalStatus = result;
}

}  // namespace

int Evo_breedChild(EvoRecord& rec, EvoMember** made) {
  *made = nullptr;
  rec.current.reset();
  if (rec.settings.localMode == EvoLocalGrg || Rnd_uniform(rec.rng) < rec.settings.mutationRate) {
    int result = Evo_mutationChild(rec);
    if (result == EvoAccepted) result = Evo_insertCurrent(rec, made);
    if (result != EvoAccepted && result != EvoRejected) return result;
    if (*made) return 0;
  }
  const int result = Evo_crossoverChild(rec);
  return result == EvoAccepted ? Evo_insertCurrent(rec, made) : result;
}

int Evo_mainLoop(EvoRecord& rec, double* objectiveOut) {
  start(rec);
  if (const int stop = Evo_linearAnalysis(rec)) return rec.finalStatus = stop;
  rec.settings.equalityTol =
      rec.linear.linearVars <= rec.n / 3 ? 0.01 : std::min(rec.settings.precision / 100.0, 0.01);
  int result;
  while ((result = pass(rec)) == EvoReseed)
    if ((result = reseed(rec)) != 0) break;
  result = lastChance(rec, result);
  rec.linear.tableau.clear();
  rec.linear.coef.clear();
  return finalResult(rec, result, objectiveOut);
}
