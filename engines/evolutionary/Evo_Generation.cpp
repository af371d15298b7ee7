// The evolutionary engine's two child makers. Crossover: a tournament of
// rank draws picks two parents; the child comes from a blend or a quadratic
// (parabola vertex) crossover, or for an alldifferent group from a subset or
// partially mapped order crossover. Mutation: one variable of a ranked
// parent is reset, stepped non-uniformly or moved to a bound, or an
// alldifferent group has positions swapped or a segment reversed. Every
// child is rounded, evaluated, repaired when infeasible and kept only when
// good enough.
#include <algorithm>
#include <cmath>

#include "base/Dbl_Whole.h"
#include "contract/Eng_Engine.h"
#include "engines/evolutionary/Evo_Engine.h"
#include "engines/evolutionary/Evo_Repair.h"
#include "platform/os/Os.h"

namespace {

constexpr int kDrawTries = 1000;

int draw(EvoRecord& rec, int k) { return static_cast<int>(Rnd_uniform(rec.rng) * k); }

int groupOf(const EvoRecord& rec, int j) {
  return rec.types.empty() || rec.types[j] < 3 ? -1 : rec.types[j] - 3;
}

// A rank in 2..popSize - 1 whose selection counter is within the quota.
int rankDraw(EvoRecord& rec, const std::vector<std::int32_t>& picks, int quota) {
  int r = 2;
  for (int t = 0; t < 2 * rec.popSize; ++t) {
    r = std::max(2, draw(rec, rec.popSize));
    if (picks[r] <= quota) break;
  }
  return r;
}

// Two different positions a < b among `size`; false when there are none.
bool twoPositions(EvoRecord& rec, int size, int* a, int* b) {
  if (size < 2) return false;
  do {
    *a = draw(rec, size);
    *b = draw(rec, size);
  } while (*a == *b);
  if (*a > *b) std::swap(*a, *b);
  return true;
}

void segment(EvoRecord& rec, int* a, int* b) {
  double u = Rnd_uniform(rec.rng);
  *a = 0;
  *b = rec.n - 1;
  if (u < 0.5) return;
  *a = static_cast<int>(u * (rec.n - 1));
  *b = draw(rec, rec.n - 1);
  if (*a > *b) std::swap(*a, *b);
}

double clampValue(const EvoRecord& rec, int j, double v) {
  if (std::isnan(v)) return rec.lower[j];
  return std::clamp(v, rec.lower[j], rec.upper[j]);
}

void blend(EvoRecord& rec, const EvoMember& m1, const EvoMember& m2) {
  double w = Rnd_uniform(rec.rng);
  int a, b;
  segment(rec, &a, &b);
  for (int j = 0; j < rec.n; ++j) {
    if (groupOf(rec, j) >= 0) continue;
    double v = j < a ? m1.x[j] : j > b ? m2.x[j] : (1.0 - w) * m2.x[j] + w * m1.x[j];
    rec.x[j] = clampValue(rec, j, v);
  }
}

int quadratic(EvoRecord& rec, const EvoMember& m1, const EvoMember& m2) {
  int k = Evo_listCount(rec.localOptima.get());
  const EvoMember* m3 = rec.best;
  if (k > 0 && Rnd_uniform(rec.rng) >= 5.0 / (k + 5)) {
    m3 = Evo_memberAt(rec.localOptima.get(), draw(rec, k - 1) + 1);
    if (!m3) return StatusHostFailure;
  }
  double pa = m1.fitness - m1.objective, pb = m2.fitness - m2.objective;
  double pc = m3->fitness - m3->objective;
  bool penalties = pc < pa && pc < pb;
  double f1 = penalties ? pa : m1.fitness, f2 = penalties ? pb : m2.fitness;
  double f3 = penalties ? pc : m3->fitness;
  int a, b;
  segment(rec, &a, &b);
  for (int j = 0; j < rec.n; ++j) {
    if (groupOf(rec, j) >= 0) continue;
    double x1 = m1.x[j], x2 = m2.x[j], x3 = m3->x[j], v;
    if (j < a) v = x1;
    else if (j > b) v = x2;
    else
      v = 0.5 * ((x2 * x2 - x3 * x3) * f1 + (x3 * x3 - x1 * x1) * f2 + (x1 * x1 - x2 * x2) * f3) /
          ((x2 - x3) * f1 + (x3 - x1) * f2 + (x1 - x2) * f3);
    rec.x[j] = clampValue(rec, j, v);
  }
  return 0;
}

// The unscaled value of group position p of a point.
double groupValue(const EvoRecord& rec, const double* x, int p) {
  int j = rec.groupMember[p];
  return x[j] * rec.varScale[j];
}

void setGroupValue(EvoRecord& rec, int p, double value) {
  int j = rec.groupMember[p];
  rec.x[j] = value / rec.varScale[j];
}

bool isFree(const EvoRecord& rec, int p) { return rec.x[rec.groupMember[p]] == -1.0; }

// Position of `value` among positions [from, to) of the child (or of a
// parent when given); -1 when absent.
int findValue(const EvoRecord& rec, const double* x, int from, int to, double value) {
  for (int p = from; p < to; ++p)
    if ((x != rec.x.data() || !isFree(rec, p)) &&
        std::fabs(groupValue(rec, x, p) - value) <= rec.settings.precision)
      return p;
  return -1;
}

int subsetCrossover(EvoRecord& rec, int start, int s, const EvoMember& m1, const EvoMember& m2) {
  int k = draw(rec, s);
  for (int t = 0; t < k; ++t) {
    int p;
    do p = start + draw(rec, s);
    while (!isFree(rec, p));
    setGroupValue(rec, p, groupValue(rec, m1.x.data(), p));
  }
  int cursor = start;
  for (int p = start; p < start + s; ++p) {
    double v = groupValue(rec, m2.x.data(), p);
    if (findValue(rec, rec.x.data(), start, start + s, v) >= 0) continue;
    while (cursor < start + s && !isFree(rec, cursor)) ++cursor;
    if (cursor == start + s) return EvoRejected;
    setGroupValue(rec, cursor, v);
  }
  return 0;
}

int mappedCrossover(EvoRecord& rec, int start, int s, const EvoMember& m1, const EvoMember& m2) {
  int a, b;
  if (!twoPositions(rec, s, &a, &b)) return EvoRejected;
  a += start;
  b += start;
  for (int p = a; p <= b; ++p) setGroupValue(rec, p, groupValue(rec, m1.x.data(), p));
  for (int i = a; i <= b; ++i) {
    double v = groupValue(rec, m2.x.data(), i);
    if (findValue(rec, rec.x.data(), a, b + 1, v) >= 0) continue;
    int p = i;
    for (int steps = 0; !isFree(rec, p); ++steps) {
      p = findValue(rec, m2.x.data(), start, start + s, groupValue(rec, m1.x.data(), p));
      if (p < 0 || steps > s) return EvoRejected;
    }
    setGroupValue(rec, p, v);
  }
  for (int p = start; p < start + s; ++p)
    if (isFree(rec, p)) setGroupValue(rec, p, groupValue(rec, m2.x.data(), p));
  return 0;
}

int groupCrossover(EvoRecord& rec, double u2, const EvoMember& m1, const EvoMember& m2) {
  int g = draw(rec, rec.groupCount - 1);
  int start = rec.groupStart[g], s = rec.groupStart[g + 1] - start;
  for (int p = start; p < start + s; ++p) rec.x[rec.groupMember[p]] = -1.0;
  int result = u2 >= rec.settings.pmxShare ? subsetCrossover(rec, start, s, m1, m2)
                                           : mappedCrossover(rec, start, s, m1, m2);
  if (result == 0) Evo_checkGroup(rec, rec.x.data(), g);
  return result;
}

bool allInGroups(const EvoRecord& rec) { return rec.allDiffCells >= rec.n; }

// Rounds, evaluates and repairs the child in x; makes a member when its
// fitness is below `threshold`. Returns 0 when a member waits in `current`.
int finishChild(EvoRecord& rec, const EvoMember* guide, double threshold, int* kept) {
  Evo_roundIntegers(rec, rec.x.data(), false);
  double fitness = 0.0;
  int result = Evo_evaluateFitness(rec, rec.x.data(), &fitness);
  if (result == EvoRejected) result = Evo_repair(rec, rec.x.data(), guide, &fitness, 0);
  if (Evo_isStop(result)) return result;
  double objective = Evo_objectiveOf(rec, rec.rowValues.data());
  bool acceptable = result == EvoAccepted ||
                    (rec.settings.localMode == EvoLocalGrg && fitness <= rec.meritThreshold);
  if (!acceptable || !(fitness < threshold)) return EvoRejected;
  rec.current = Evo_makeMember(rec, fitness, objective, rec.x.data());
  ++*kept;
  Evo_noteFeasible(rec, rec.current.get());
  return 0;
}

// The incumbent after a crossover child, shown to the host.
int reportCrossover(EvoRecord& rec, int result) {
  std::uint32_t start = Os_tickCount();
  const EvoMember* chosen = Evo_chooseResult(rec);
  double objective = 0.0;
  if (chosen) {
    rec.incumbent = chosen->x;
    objective = chosen->objective * (rec.maximise ? -1.0 : 1.0) * rec.rowScale[rec.m];
  }
  int flags = result == 0 && rec.bestFeasible
                  ? ProgressObjective | ProgressQuery | ProgressSubproblem
                  : ProgressQuery | ProgressSubproblem;
  int answer = Evo_progress(rec, flags, rec.feasibleFound, objective);
  rec.improvedTick += Os_tickCount() - start;
  if (answer) answer = Evo_showIncumbent(rec, ProgressResume | ProgressIteration);
  if (!answer) return result;
  rec.current.reset();
  return answer;
}

// Mutation of a variable outside the alldifferent groups.
void mutateValue(EvoRecord& rec, double u, int j) {
  double& v = rec.x[j];
  if (u < rec.settings.boundaryShare) {
    v = Rnd_uniform(rec.rng) >= 0.5 ? rec.upper[j] : rec.lower[j];
  } else if (rec.stats.crossoversKept >= rec.settings.mutationHorizon ||
             Rnd_uniform(rec.rng) >= rec.settings.resetShare) {
    v = rec.lower[j] + Rnd_uniform(rec.rng) * (rec.upper[j] - rec.lower[j]);
  } else {
    bool down = Rnd_uniform(rec.rng) >= 0.5;
    double d = down ? v - rec.lower[j] : rec.upper[j] - v;
    double e = std::max(
        0.0, 1.0 - static_cast<double>(rec.stats.crossoversKept) / rec.settings.mutationHorizon);
    double step = d * (1.0 - std::pow(Rnd_uniform(rec.rng), e * e));
    v += down ? -step : step;
  }
}

// The variable that a class pick chooses instead of j.
int classPick(EvoRecord& rec, int j) {
  double u2 = Rnd_uniform(rec.rng);
  int c3 = rec.classCount[0], c2 = rec.classCount[1], c1 = rec.classCount[2];
  if (rec.classOrder.empty()) return j;
  if (u2 < rec.classPick[0] && c3 > 0) return rec.classOrder[draw(rec, c3 - 1)];
  if (u2 < rec.classPick[1] && c2 > 0) return rec.classOrder[c3 + draw(rec, c2 - 1)];
  if (c1 > 0) return rec.classOrder[c3 + c2 + draw(rec, c1 - 1)];
  return j;
}

// Swaps or reverses positions of group g; false when it has no two positions.
bool mutateGroup(EvoRecord& rec, double u, int g) {
  int start = rec.groupStart[g], s = rec.groupStart[g + 1] - start;
  int a, b;
  if (!twoPositions(rec, s, &a, &b)) return false;
  auto swapPositions = [&](int p, int q) {
    double vp = groupValue(rec, rec.x.data(), p), vq = groupValue(rec, rec.x.data(), q);
    setGroupValue(rec, p, vq);
    setGroupValue(rec, q, vp);
  };
  if (u >= rec.settings.swapShare) {
    for (int i = start + a; i <= start + b; ++i) {
      int k = start + draw(rec, s);
      if (k != i) swapPositions(i, k);
    }
  } else {
    for (int p = start + a, q = start + b; p < q; ++p, --q) swapPositions(p, q);
  }
  Evo_checkGroup(rec, rec.x.data(), g);
  return true;
}

}  // namespace

int Evo_crossoverChild(EvoRecord& rec) {
  ++rec.stats.crossovers;
  rec.current.reset();
  double u1 = Rnd_uniform(rec.rng), u2 = Rnd_uniform(rec.rng);
  int rounds = u1 < rec.settings.allDiffShare && u2 < rec.settings.blendShare
                   ? 1
                   : rec.settings.tournamentRounds;
  int quota = rec.stats.crossovers * 6 / rec.popSize;
  EvoMember *m1 = nullptr, *m2 = nullptr;
  double best1 = kBoundInfinity, best2 = kBoundInfinity;
  int win1 = 2, win2 = 2;
  for (int round = 0; round < rounds; ++round) {
    int r1 = 0, r2 = 0;
    for (int t = 0; t < kDrawTries && r1 == r2; ++t) {
      r1 = rankDraw(rec, rec.crossoverPicks, quota);
      r2 = rankDraw(rec, rec.crossoverPicks, quota);
    }
    if (r1 == r2) return Evo_stallAccounting(rec, EvoRejected, 0.0);
    m1 = Evo_memberAt(rec.population.get(), r1);
    m2 = Evo_memberAt(rec.population.get(), r2);
    if (!m1 || !m2) return StatusHostFailure;
    bool same = true;
    for (int j = 0; j < rec.n && same; ++j)
      same = std::fabs(m1->x[j] - m2->x[j]) < rec.settings.precision;
    if (same) return Evo_stallAccounting(rec, EvoRejected, 0.0);
    if (m1->fitness < best1) best1 = m1->fitness, win1 = r1;
    if (m2->fitness < best2) best2 = m2->fitness, win2 = r2;
  }
  ++rec.crossoverPicks[win1];
  ++rec.crossoverPicks[win2];
  int result = 0;
  if (u1 < rec.settings.allDiffShare) result = groupCrossover(rec, u2, *m1, *m2);
  else if (allInGroups(rec)) return EvoRejected;
  else if (u2 >= rec.settings.blendShare) blend(rec, *m1, *m2);
  else result = quadratic(rec, *m1, *m2);
  if (result == StatusHostFailure) return result;
  if (result == 0) {
    const EvoMember* guide = m1->fitness == m1->objective ? m1 : m2;
    result = finishChild(rec, guide, rec.worst->fitness, &rec.stats.crossoversKept);
    if (Evo_isStop(result)) return result;
  }
  return reportCrossover(rec, result);
}

int Evo_mutationChild(EvoRecord& rec) {
  ++rec.stats.mutations;
  int rank = rankDraw(rec, rec.mutationPicks, rec.stats.mutations * 3 / rec.popSize);
  EvoMember* parent = Evo_memberAt(rec.population.get(), rank);
  if (!parent) return StatusHostFailure;
  ++rec.mutationPicks[rank];
  rec.x = parent->x;
  double u = Rnd_uniform(rec.rng);
  int j = draw(rec, rec.n - 1);
  int g = groupOf(rec, j);
  if (g < 0) mutateValue(rec, u, classPick(rec, j));
  else if (!mutateGroup(rec, u, g)) return Evo_stallAccounting(rec, EvoRejected, 0.0);
  int result = finishChild(rec, parent, rec.worst->fitness * 0.99, &rec.stats.mutantsKept);
  if (Evo_isStop(result)) return result;
  double objective = result == 0 ? rec.current->objective : 0.0;
  int answer = Evo_stallAccounting(rec, result, objective);
  if (answer != 0 && result == 0) rec.current.reset();
  return answer;
}

void Evo_checkGroup(EvoRecord& rec, const double* x, int group) {
  int start = rec.groupStart[group], s = rec.groupStart[group + 1] - start;
  if (s > 200) return;
  std::vector<char> seen(s + 1);
  for (int p = start; p < start + s; ++p) {
    int v = 0;
    if (!Dbl_toWhole(std::floor(groupValue(rec, x, p) + 0.5), &v) || v < 1 || v > s) {
      Os_messageBox("alldifferent element out of range!", "VELENG", 0);
    } else if (seen[v]) {
      Os_messageBox("alldifferent element duplicated!", "VELENG", 0);
    } else {
      seen[v] = 1;
    }
  }
}
