// The evolutionary engine's population: members, the list sorted by fitness
// with its duplicate test and random removal, the choice of the solution,
// the stall and iteration accounting, and the filling of the population.
#include <algorithm>
#include <cmath>

#include "contract/Eng_Engine.h"
#include "contract/Host_Progress.h"
#include "engines/evolutionary/Evo_Engine.h"
#include "engines/evolutionary/Evo_Repair.h"
#include "platform/os/Os.h"

namespace {

constexpr int kDuplicateLimit = 1000;

bool duplicate(const EvoRecord& rec, const EvoMember& a, const EvoMember& b) {
  if (std::fabs(a.fitness - b.fitness) > 10.0 * rec.settings.precision) return false;
  for (int j = 0; j < rec.n; ++j)
    if (std::fabs(a.x[j] - b.x[j]) > rec.settings.precision) return false;
  return true;
}

bool feasible(const EvoMember& m) { return m.fitness == m.objective; }

// Unlinks the member after `before` (the head when `before` is null).
void unlink(std::unique_ptr<EvoMember>& list, EvoMember* before) {
  std::unique_ptr<EvoMember>& slot = before ? before->next : list;
  std::unique_ptr<EvoMember> gone = std::move(slot);
  slot = std::move(gone->next);
}

bool removeFrom(EvoRecord& rec, std::unique_ptr<EvoMember>& list, const EvoMember* protect) {
  int c = Evo_listCount(list.get());
  if (c == 1) {
    list.reset();
    return true;
  }
  int f = 0;
  for (const EvoMember* m = list.get(); m; m = m->next.get()) f += feasible(*m);
  int s = std::min(c - c * 3 / 10, c - 3);
  for (int tries = 0; tries < 100 * c; ++tries) {
    int k = s + static_cast<int>(Rnd_uniform(rec.rng) * (c - s)) - 1;
    EvoMember* before = Evo_memberAt(list.get(), std::max(1, k));
    EvoMember* candidate = before ? before->next.get() : nullptr;
    if (!candidate || candidate == protect || candidate == rec.bestFeasible) continue;
    if (!feasible(*candidate) || Rnd_uniform(rec.rng) <= static_cast<double>(f) / c) {
      unlink(list, before);
      return true;
    }
  }
  return false;
}

// Gives every member of each alldifferent group a distinct value of 1..s,
// the nearest free one to its rounded value.
void assignGroups(EvoRecord& rec, double* x) {
  std::vector<char> used(rec.largestGroup + 1);
  for (int g = 0; g < rec.groupCount; ++g) {
    int start = rec.groupStart[g], s = rec.groupStart[g + 1] - start;
    std::fill(used.begin(), used.end(), 0);
    for (int p = start; p < start + s; ++p) {
      int j = rec.groupMember[p];
      long v = static_cast<long>(std::floor(x[j] * rec.varScale[j] + 0.5));
      auto wrap = [s](long t) { return static_cast<int>(((t - 1) % s + s) % s + 1); };
      for (int d = 0; d <= s; ++d) {
        int down = wrap(v - d), up = wrap(v + d);
        int value = !used[down] ? down : (!used[up] ? up : 0);
        if (!value) continue;
        used[value] = 1;
        x[j] = value / rec.varScale[j];
        break;
      }
    }
    Evo_checkGroup(rec, x, g);
  }
}

// One candidate of the fill: x0 clamped every `period` attempts, else a
// uniform draw in the bounds; integers rounded, groups assigned.
void candidate(EvoRecord& rec, int attempt, int period) {
  double* x = rec.x.data();
  if (attempt % period == 0) {
    for (int j = 0; j < rec.n; ++j) x[j] = std::clamp(rec.x0[j], rec.lower[j], rec.upper[j]);
  } else {
    Evo_uniformVector(rec.rng, rec.n, x);
    for (int j = 0; j < rec.n; ++j) x[j] = rec.lower[j] + x[j] * (rec.upper[j] - rec.lower[j]);
  }
  Evo_roundIntegers(rec, x, true);
  assignGroups(rec, x);
  Evo_roundIntegers(rec, x, false);
}

// Builds candidates of the fill until one is accepted: EvoAccepted, a stop,
// or StatusEvalError once setupEvaluations candidates in a row were not.
// A point that does not evaluate is never accepted, while an infeasible
// one is once infeasiblePeriod (at most 2n) were refused in a row, so such
// a run means that the model evaluates nowhere the fill looks.
int acceptCandidate(EvoRecord& rec, int* attempt, int period, double* fitness) {
  for (int tries = 0; tries < rec.setupEvaluations; ++tries) {
    candidate(rec, (*attempt)++, period);
    int result = Evo_evaluateFitness(rec, rec.x.data(), fitness);
    if (result == EvoRejected && rec.bestFeasible) result = Evo_repair(rec, rec.x.data(), rec.bestFeasible, fitness, 1);
    if (Evo_isStop(result)) return result;
    if (const int stop = Evo_setupProgress(rec)) return stop;
    if (result == EvoAccepted) return result;
  }
  return StatusEvalError;
}

}  // namespace

std::unique_ptr<EvoMember> Evo_makeMember(const EvoRecord& rec, double fitness, double objective,
                                          const double* x) {
  auto member = std::make_unique<EvoMember>();
  member->fitness = fitness;
  member->objective = objective;
  member->x.assign(x, x + rec.n);
  return member;
}

int Evo_listCount(const EvoMember* list) {
  int count = 0;
  for (; list; list = list->next.get()) ++count;
  return count;
}

EvoMember* Evo_memberAt(EvoMember* list, int position) {
  for (int k = 1; list && k < position; ++k) list = list->next.get();
  return position >= 1 ? list : nullptr;
}

int Evo_insert(EvoRecord& rec, std::unique_ptr<EvoMember>& list, std::unique_ptr<EvoMember> member) {
  if (!member || member->next) return 0;
  EvoMember* placed = member.get();
  if (!list) {
    list = std::move(member);
    return 1;
  }
  if (duplicate(rec, *member, *list)) return 0;
  if (member->fitness < list->fitness) {
    member->next = std::move(list);
    list = std::move(member);
  } else {
    EvoMember* p = list.get();
    while (p->next && p->next->fitness < placed->fitness) p = p->next.get();
    if (p->next && duplicate(rec, *member, *p->next)) return 0;
    member->next = std::move(p->next);
    p->next = std::move(member);
  }
  if (Evo_listCount(list.get()) > rec.popSize) removeFrom(rec, list, placed);
  return 1;
}

void Evo_removeRandom(EvoRecord& rec, const EvoMember* protect) {
  removeFrom(rec, rec.population, protect);
}

bool Evo_refreshEnds(EvoRecord& rec) {
  rec.best = rec.population.get();
  rec.worst = rec.best;
  while (rec.worst && rec.worst->next) rec.worst = rec.worst->next.get();
  return rec.best != nullptr;
}

int Evo_insertCurrent(EvoRecord& rec, EvoMember** inserted) {
  EvoMember* member = rec.current.get();
  const bool wasBestFeasible = member == rec.bestFeasible;
  if (!Evo_insert(rec, rec.population, std::move(rec.current))) {
    if (wasBestFeasible) rec.bestFeasible = nullptr;
    return 0;
  }
  if (inserted) *inserted = member;
  return Evo_refreshEnds(rec) ? 0 : StatusHostFailure;
}

void Evo_noteFeasible(EvoRecord& rec, EvoMember* member) {
  if (!feasible(*member)) return;
  ++rec.feasibleFound;
  if (!rec.bestFeasible || member->objective < rec.bestFeasible->objective) rec.bestFeasible = member;
  Evo_keepFeasible(rec, *member);
  Evo_noteImprovement(rec, member->objective);
}

void Evo_keepFeasible(EvoRecord& rec, const EvoMember& member) {
  if (!feasible(member) || !(member.objective < kBoundInfinity)) return;
  if (rec.feasibleKept && !(member.objective < rec.feasibleKept->objective)) return;
  rec.feasibleKept = Evo_makeMember(rec, member.fitness, member.objective, member.x.data());
}

void Evo_noteImprovement(EvoRecord& rec, double objective) {
  if (!(objective < rec.bestObjective)) return;
  rec.bestObjective = objective;
  rec.improvedTick = Os_tickCount();
}

const EvoMember* Evo_chooseResult(const EvoRecord& rec) {
  for (const EvoMember* list : {rec.localOptima.get(), rec.population.get()}) {
    const EvoMember* chosen = nullptr;
    for (const EvoMember* m = list; m; m = m->next.get())
      if (feasible(*m) && m->objective < kBoundInfinity && (!chosen || m->objective < chosen->objective)) chosen = m;
    if (chosen) return chosen;
  }
  // Members that outrank every feasible one by a small penalty can push the
  // feasible members out of the population; the kept copy is then the
  // solution.
  if (rec.feasibleKept) return rec.feasibleKept.get();
  return rec.population.get();
}

int Evo_stallAccounting(EvoRecord& rec, int result, double objective) {
  std::uint32_t now = Os_tickCount();
  const bool kept = result == EvoAccepted || result == EvoKeptOptimum;
  if (kept) {
    double bestFitness = rec.best ? rec.best->fitness : kBoundInfinity;
    if (rec.lastBest == kBoundInfinity ||
        std::fabs(bestFitness - rec.lastBest) / std::fabs(rec.lastBest + 1.0) > rec.settings.tolerance) {
      rec.improvedTick = now;
      rec.lastBest = bestFitness;
    }
  }
  // Kept children that improve nothing count toward the stall as rejected
  // ones do. Pauses moved improvedTick on; a tick count that wrapped reads
  // as now.
  std::int32_t idle = static_cast<std::int32_t>(now - rec.improvedTick);
  if (std::max(idle, 0) / 1000 > rec.settings.stallSeconds) return StatusNoProgress;
  if (!kept && ++rec.rejectedRun <= rec.settings.rejectLimit) return result;
  ++rec.iteration;
  rec.rejectedRun = 0;
  double value = result == EvoRejected ? 1.0 : objective;
  if (rec.maximise) value = -value;
  // The status lines say how long the search has gone without improving.
  Host_progressStall(rec.context, std::max(idle, 0) / 1000, rec.settings.stallSeconds);
  std::uint32_t start = Os_tickCount();
  int answer = Evo_progress(rec, ProgressQuery | ProgressIterationNumber, rec.iteration,
                            value * rec.rowScale[rec.m]);
  rec.improvedTick += Os_tickCount() - start;
  if (rec.options.showIterations || answer != 0)
    answer = Evo_showIncumbent(rec, ProgressResume | ProgressIteration);
  return answer ? answer : result;
}

int Evo_fillPopulation(EvoRecord& rec) {
  double fitness = 0.0;
  int period = Evo_evaluateFitness(rec, rec.x0.data(), &fitness) == 0 ? rec.n : 2 * rec.n;
  if (period < 2) period = 2;
  int savedPeriod = rec.infeasiblePeriod;
  int count = Evo_listCount(rec.population.get());
  // A model with fewer distinct points than popSize ends the fill once
  // candidates keep coming back as duplicates, or no longer evaluate; a
  // population that no point entered ends the run with StatusEvalError.
  int duplicates = 0;
  for (int attempt = 0; count + 1 <= rec.popSize && duplicates <= kDuplicateLimit;) {
    const int result = acceptCandidate(rec, &attempt, period, &fitness);
    if (result == StatusEvalError && rec.population) break;
    if (result != EvoAccepted) return result;
    double objective = Evo_objectiveOf(rec, rec.rowValues.data());
    auto member = Evo_makeMember(rec, fitness, objective, rec.x.data());
    rec.meritThreshold = std::min(rec.meritThreshold, objective);
    Evo_noteFeasible(rec, member.get());
    rec.current = std::move(member);
    if (Evo_insertCurrent(rec)) return StatusHostFailure;
    int grown = Evo_listCount(rec.population.get());
    duplicates = grown > count ? 0 : duplicates + 1;
    count = grown;
    if (rec.stats.evaluations > count * rec.n)
      rec.infeasiblePeriod = static_cast<int>(static_cast<long long>(rec.infeasiblePeriod) * count *
                                              rec.n / rec.stats.evaluations);
  }
  rec.infeasiblePeriod = savedPeriod;
  // The rank draws reach only positions the population holds.
  rec.popSize = std::min(rec.popSize, std::max(count, 2));
  if (rec.best) rec.incumbent = rec.best->x;
  return 0;
}
