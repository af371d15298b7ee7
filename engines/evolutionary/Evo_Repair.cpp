// Repair of the evolutionary engine's infeasible children: a blend toward a
// feasible member, the linear rows solved for the linearly occurring
// variables by the dense simplex, the integer step search on those rows and
// the quasi-Newton least-squares search; also the trial acceptance and the
// linear-programming step that the local search runs.
#include <algorithm>
#include <cmath>

#include "contract/Bound_Infinity.h"
#include "contract/Eng_Engine.h"
#include "contract/Host_Queries.h"
#include "engines/evolutionary/Evo_Repair.h"
#include "numerics/Dense_BoundedSimplex.h"

namespace {

constexpr int kQuasiNewtonIterations = 100;

bool inGroup(const EvoRecord& rec, int j) { return !rec.types.empty() && rec.types[j] >= 3; }

// The linear rows as simplex rows with constant terms `constants` (row
// values with every linear variable at 0); a row with two different finite
// bounds gives a row for each. The row maximised is the tableau's objective
// row (the estimated gradient of the linear-programming step) or, for the
// repair, the objective's captured coefficients in the minimising sense.
DenseBoundedLp linearProblem(EvoRecord& rec, const double* constants, const double* x, int mode) {
  DenseBoundedLp lp;
  lp.cols = rec.linear.linearVars;
  lp.objective.assign(lp.cols + 1, 0.0);
  const bool captured = static_cast<int>(rec.linear.coef.size()) > rec.m + 1;
  for (int k = 0; k < lp.cols; ++k) {
    if (mode == DenseBoundedTrialSteps) lp.objective[k + 1] = rec.linear.tableau[0][k + 1];
    else if (captured)
      lp.objective[k + 1] =
          (rec.maximise ? 1.0 : -1.0) * rec.linear.coef[rec.m + 1][rec.linear.linearVarList[k]];
  }
  for (int k = 0; k < lp.cols; ++k) {
    const int j = rec.linear.linearVarList[k] - 1;
    lp.lower.push_back(rec.lower[j]);
    lp.upper.push_back(rec.upper[j]);
    lp.start.push_back(x[j]);
  }
  auto addRow = [&](int r, char relation, double rhs) {
    lp.a.push_back(rhs);
    lp.a.insert(lp.a.end(), rec.linear.tableau[r + 1].begin() + 1,
                rec.linear.tableau[r + 1].begin() + 1 + lp.cols);
    lp.relation.push_back(relation);
    ++lp.rows;
  };
  for (int r = 0; r < rec.linear.linearRows; ++r) {
    const int i = rec.linear.linearRowList[r] - 1;
    const double lo = rec.rowLower[i], up = rec.rowUpper[i], c = constants[i];
    if (lo == up) {
      addRow(r, '=', lo - c);
      continue;
    }
    if (lo > -kBoundInfinity) addRow(r, '>', lo - c);
    if (up < kBoundInfinity) addRow(r, '<', up - c);
  }
  lp.precision = rec.settings.precision;
  Host_getRealOption(rec.context, &lp.reducedCostTol, RealReducedCost);
  Host_getRealOption(rec.context, &lp.pivotTol, RealPivot);
  return lp;
}

int simplexStop(void* user) { return Evo_pendingStop(*static_cast<EvoRecord*>(user)); }

// The rows' constant terms at x: the rows at x = 0 when every variable is
// linear, else the rows at x with the linear variables set to 0.
bool linearConstants(EvoRecord& rec, const double* x, std::vector<double>* constants) {
  *constants = rec.rowWork;
  if (rec.classCount[0] + rec.classCount[1] == 0) return true;
  std::vector<double> zeroed(x, x + rec.n);
  for (int k = 0; k < rec.linear.linearVars; ++k) zeroed[rec.linear.linearVarList[k] - 1] = 0.0;
  constants->assign(rec.m + 1, 0.0);
  ++rec.stats.evaluations;
  return Evo_evaluate(rec, zeroed.data(), constants->data());
}

// The objective's gradient on the linear variables by forward steps of
// `precision`, in the maximised sense, into the tableau's objective row from
// the first entry that changed on; the reuse counter stops the estimate once
// the row has held still over several steps. Each step goes through the
// one-variable evaluation (false also on a pending stop); a stepped variable
// stays where it was put, and its evaluation is the base of the next step.
bool objectiveGradient(EvoRecord& rec, const double* x) {
  std::vector<double> base(rec.m + 1), rows(rec.m + 1);
  ++rec.stats.evaluations;
  if (!Evo_evaluate(rec, x, base.data())) return false;
  std::vector<double>& c = rec.linear.tableau[0];
  bool changed = false;
  for (int k = 0; k < rec.linear.linearVars; ++k) {
    const int j = rec.linear.linearVarList[k] - 1;
    ++rec.stats.evaluations;
    if (!Evo_evaluateOne(rec, j, x[j] + rec.settings.precision, rows.data())) return false;
    double g = (rows[rec.m] - base[rec.m]) / rec.settings.precision;
    if (!rec.maximise) g = -g;
    changed =
        changed || std::fabs(g - c[k + 1]) / (std::fabs(c[k + 1]) + 1.0) > rec.settings.precision;
    if (changed) c[k + 1] = g;
    base.swap(rows);
  }
  if (changed) rec.linear.lpReuse = 0;
  else if (rec.linear.lpReuse != 0) ++rec.linear.lpReuse;
  return true;
}

// Mode 3's trial acceptance: x with the linear variables of the simplex.
struct EvoStepTrial {
  EvoRecord& rec;
  const double* x;
};

int stepStop(void* user) { return Evo_pendingStop(static_cast<EvoStepTrial*>(user)->rec); }

int stepAccept(void* user, const double* solution, double* fitness) {
  auto* s = static_cast<EvoStepTrial*>(user);
  std::vector<double> trial(s->x, s->x + s->rec.n);
  for (int k = 0; k < s->rec.linear.linearVars; ++k)
    trial[s->rec.linear.linearVarList[k] - 1] = solution[k];
  return Evo_acceptTrial(s->rec, trial.data(), trial.data(), fitness) ? 1 : 0;
}

bool linearRowsMet(const EvoRecord& rec, const double* rows) {
  for (int r = 0; r < rec.linear.linearRows; ++r) {
    const int i = rec.linear.linearRowList[r] - 1;
    if (rows[i] < rec.rowLower[i] - rec.settings.precision ||
        rows[i] > rec.rowUpper[i] + rec.settings.precision)
      return false;
  }
  return true;
}

// The bounds of row i pulled inward by `margin` feasibility tolerances
// (precision x (|bound| + 1)), never past their middle; equality rows keep
// theirs.
void pullIn(const EvoRecord& rec, int i, double margin, double* lo, double* up) {
  *lo = rec.rowLower[i];
  *up = rec.rowUpper[i];
  if (margin <= 0.0 || *lo == *up) return;
  const double step = margin * rec.settings.precision;
  const double l = *lo > -kBoundInfinity ? *lo + step * (std::fabs(*lo) + 1.0) : *lo;
  const double u = *up < kBoundInfinity ? *up - step * (std::fabs(*up) + 1.0) : *up;
  const bool crossed = l > u;
  *lo = crossed ? 0.5 * (*lo + *up) : l;
  *up = crossed ? *lo : u;
}

}  // namespace

int Evo_linearRepair(EvoRecord& rec, double* trial) {
  if (rec.linear.linearRows == 0 || rec.linear.linearVars == 0 || rec.linear.tableau.empty())
    return EvoRejected;
  if (linearRowsMet(rec, rec.rowValues.data())) return EvoRejected;
  ++rec.stats.linearAttempts;
  std::vector<double> constants;
  if (!linearConstants(rec, trial, &constants)) return EvoRejected;
  const DenseBoundedLp lp = linearProblem(rec, constants.data(), trial, DenseBoundedSolve);
  std::vector<double> solution(lp.cols);
  const DenseBoundedHooks hooks{&rec, simplexStop, nullptr};
  const int result = Dense_boundedSimplex(lp, DenseBoundedSolve, hooks, solution.data());
  if (result != DenseBoundedSolved) return result;
  for (int k = 0; k < lp.cols; ++k) trial[rec.linear.linearVarList[k] - 1] = solution[k];
  ++rec.stats.linearSuccesses;
  return 0;
}

namespace {

// Blends the child toward the guide in blendSteps steps, nearest the child
// first; true when a blend was accepted.
bool blend(EvoRecord& rec, double* x, const EvoMember& guide, double* fitness) {
  ++rec.stats.blendAttempts;
  for (int k = rec.settings.blendSteps; k >= 1; --k) {
    const double t = static_cast<double>(k) / rec.settings.blendSteps * Rnd_uniform(rec.rng);
    for (int j = 0; j < rec.n; ++j)
      rec.trial[j] = inGroup(rec, j) ? x[j] : (1.0 - t) * guide.x[j] + t * x[j];
    if (Evo_acceptTrial(rec, rec.trial.data(), x, fitness)) {
      ++rec.stats.blendSuccesses;
      return true;
    }
  }
  return false;
}

// Fixes the non-smooth variables (unless "solver_fns" is set) and the
// alldifferent members at their current values for the repair.
void fixForRepair(EvoRecord& rec, const double* x) {
  rec.savedLower = rec.lower;
  rec.savedUpper = rec.upper;
  const bool fixNonSmooth = !(rec.options.flags & OptFlagFns);
  for (int j = 0; j < rec.n; ++j) {
    const bool nonSmooth = !rec.varClass.empty() && rec.varClass[j] == EvoClassNonSmooth;
    if ((fixNonSmooth && nonSmooth) || inGroup(rec, j)) rec.lower[j] = rec.upper[j] = x[j];
  }
}

bool withinBounds(const EvoRecord& rec, const double* x) {
  for (int j = 0; j < rec.n; ++j)
    if (x[j] < rec.lower[j] - rec.settings.precision ||
        x[j] > rec.upper[j] + rec.settings.precision)
      return false;
  return true;
}

// The quasi-Newton method's view of the engine: the repair's merit and the
// pending-stop check, whose answer is kept.
struct EvoQnHost {
  EvoRecord& rec;
  int stop = 0;
};

bool qnMerit(void* user, const double* x, double* f) {
  return Evo_repairMerit(static_cast<EvoQnHost*>(user)->rec, x, 0.0, f);
}

int qnPoll(void* user) {
  auto* host = static_cast<EvoQnHost*>(user);
  return host->stop = Evo_pendingStop(host->rec);
}

// The repair with the variables fixed: 0 accepted, 5 not, or a stop code.
int repairFixed(EvoRecord& rec, double* x, double* fitness, int populationFill) {
  const double objective = Evo_objectiveOf(rec, rec.rowValues.data());
  int need = 1;
  if (populationFill) {
    need = 0;
  } else if (rec.bestFeasible) {
    const double b = rec.bestFeasible->objective;
    if ((b - objective) / std::fabs(b + 1.0) <= rec.settings.tolerance) need = 0;
  }
  const bool tryLinear = (populationFill && rec.stats.linearAttempts < rec.popSize / 2) ||
                         need == 1 || (rec.worst && objective < rec.worst->objective);
  if (tryLinear) {
    rec.trial.assign(x, x + rec.n);
    const int linear = Evo_linearRepair(rec, rec.trial.data());
    if (Evo_isStop(linear)) return linear;
    if (linear == 0) {
      if (Evo_acceptTrial(rec, rec.trial.data(), x, fitness)) return EvoAccepted;
      if (Evo_integerStepSearch(rec, rec.trial.data()) == 0 &&
          Evo_acceptTrial(rec, rec.trial.data(), x, fitness))
        return EvoAccepted;
    }
  }
  if (rec.settings.localMode == EvoLocalGrg || need != 1) return EvoRejected;
  ++rec.stats.quasiNewtonAttempts;
  rec.trial.assign(x, x + rec.n);
  rec.x0.assign(x, x + rec.n);
  double merit = 0.0;
  EvoQnHost host{rec};
  const EvoMeritFn fn{&host, qnMerit, qnPoll};
  Evo_quasiNewton(fn, rec.trial.data(), rec.n, rec.lower.data(), rec.upper.data(),
                  kQuasiNewtonIterations, rec.settings.precision * rec.settings.precision, &merit);
  if (host.stop) return host.stop;
  return withinBounds(rec, rec.trial.data()) && Evo_acceptTrial(rec, rec.trial.data(), x, fitness)
             ? EvoAccepted
             : EvoRejected;
}

}  // namespace

bool Evo_acceptTrial(EvoRecord& rec, double* trial, double* x, double* fitness) {
  Evo_roundIntegers(rec, trial, false);
  std::vector<double> rows(rec.m + 1);
  ++rec.stats.evaluations;
  if (!Evo_evaluate(rec, trial, rows.data())) return false;
  double eq = 0.0, ineq = 0.0;
  Evo_violations(rec, rows.data(), &eq, &ineq);
  if (eq > rec.settings.equalityTol || ineq > rec.settings.precision) return false;
  if (x != trial) std::copy(trial, trial + rec.n, x);
  rec.rowValues = rows;
  *fitness = Evo_fitnessOf(rec, rows.data());
  return true;
}

bool Evo_repairMerit(EvoRecord& rec, const double* x, double margin, double* f) {
  std::vector<double> rows(rec.m + 1);
  ++rec.stats.evaluations;
  if (!Evo_evaluate(rec, x, rows.data())) return false;
  const double w = std::pow(rec.settings.precision, -0.25);
  double sum = 0.0;
  for (int j = 0; j < rec.n; ++j) {
    const double v = std::max({rec.lower[j] - x[j], x[j] - rec.upper[j], 0.0});
    sum += (w * v) * (w * v);
  }
  for (int i = 0; i < rec.m; ++i) {
    double lo, up;
    pullIn(rec, i, margin, &lo, &up);
    const double r = std::max({lo - rows[i], rows[i] - up, 0.0});
    sum += r * r;
  }
  *f = 0.5 * sum;
  return true;
}

int Evo_repair(EvoRecord& rec, double* x, const EvoMember* guide, double* fitness,
               int populationFill) {
  if (rec.allDiffCells >= rec.n) return EvoRejected;
  if (Rnd_uniform(rec.rng) < 0.5) {
    const EvoMember* toward = guide && guide->fitness == guide->objective ? guide : rec.bestFeasible;
    if (toward && blend(rec, x, *toward, fitness)) return EvoAccepted;
  }
  fixForRepair(rec, x);
  const int result = repairFixed(rec, x, fitness, populationFill);
  rec.lower = rec.savedLower;
  rec.upper = rec.savedUpper;
  return result;
}

bool Evo_isStop(int result) {
  return result == EvoReseed || result == StatusIterationLimit || result == StatusUserStop ||
         result == StatusTimeLimit || result == StatusSubproblemLimit ||
         result == StatusIntegerLimit;
}

int Evo_linearStep(EvoRecord& rec, double* x) {
  if (rec.linear.linearRows == 0 || rec.linear.linearVars == 0 || rec.linear.tableau.empty())
    return EvoRejected;
  ++rec.stats.linearAttempts;
  if (rec.linear.lpReuse < 5 && !objectiveGradient(rec, x)) return EvoRejected;
  std::vector<double> constants;
  if (!linearConstants(rec, x, &constants)) return EvoRejected;
  const DenseBoundedLp lp = linearProblem(rec, constants.data(), x, DenseBoundedTrialSteps);
  EvoStepTrial step{rec, x};
  const DenseBoundedHooks hooks{&step, stepStop, stepAccept};
  std::vector<double> solution(lp.cols);
  const int result = Dense_boundedSimplex(lp, DenseBoundedTrialSteps, hooks, solution.data());
  if (result == DenseBoundedSolved)
    for (int k = 0; k < lp.cols; ++k) x[rec.linear.linearVarList[k] - 1] = solution[k];
  return result;
}
