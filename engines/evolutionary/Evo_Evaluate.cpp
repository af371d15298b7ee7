// The evolutionary engine's evaluations and progress: the wrapper that
// scales points and rows around the host's evaluation, the penalised fitness
// and acceptance of a point, the rounding of integer variables, and the
// calls of the progress callback with their mapping to the engine's results.
#include <cmath>
#include <cstdint>

#include "contract/Eng_Engine.h"
#include "contract/Host_Eval.h"
#include "contract/Host_Progress.h"
#include "engines/evolutionary/Evo_Engine.h"
#include "platform/os/Os.h"

namespace {

// The host's rows into the engine's: divided by the row scales, the
// objective (when the model has none) forced to 0.
void takeRows(EvoRecord& rec, double* rows) {
  for (int i = 0; i < rec.hostRowCount && i <= rec.m; ++i) rows[i] = rec.hostRows[i];
  if (!rec.options.objectiveRow) rows[rec.m] = 0.0;
  for (int i = 0; i <= rec.m; ++i) rows[i] /= rec.rowScale[i];
}

}  // namespace

bool Evo_evaluate(EvoRecord& rec, const double* x, double* rows) {
  std::vector<double> point(x, x + rec.n);
  for (int j = 0; j < rec.n; ++j) point[j] *= rec.varScale[j];
  if (!Host_evalProblem(rec.context, rec.hostRows.data(), point.data())) return false;
  takeRows(rec, rows);
  return true;
}

bool Evo_evaluateOne(EvoRecord& rec, int j, double xj, double* rows) {
  if (!Host_evalOneChanged(rec.context, rec.hostRows.data(), j, xj * rec.varScale[j]))
    return false;
  takeRows(rec, rows);
  return Evo_progress(rec, ProgressQuery, 0, 0.0) == StopContinue;
}

void Evo_violations(const EvoRecord& rec, const double* rows, double* eqSum, double* ineqSum) {
  *eqSum = *ineqSum = 0.0;
  for (int i = 0; i < rec.m; ++i) {
    double v = rows[i], lo = rec.rowLower[i], up = rec.rowUpper[i];
    double a = (lo - v) / (std::fabs(v) + 1.0);
    double b = (v - up) / (std::fabs(v) + 1.0);
    if (lo != up) {
      if (a > rec.settings.precision) *ineqSum += a * a;
      else if (b > rec.settings.precision) *ineqSum += b * b;
    } else if (-(a * b) > rec.settings.precision) {
      *eqSum += -(a * b);
    }
  }
}

double Evo_objectiveOf(const EvoRecord& rec, const double* rows) {
  return rec.maximise ? -rows[rec.m] : rows[rec.m];
}

double Evo_fitnessOf(const EvoRecord& rec, const double* rows) {
  double eq, ineq;
  Evo_violations(rec, rows, &eq, &ineq);
  return eq * rec.settings.eqWeight + ineq * rec.settings.ineqWeight + Evo_objectiveOf(rec, rows);
}

int Evo_evaluateFitness(EvoRecord& rec, const double* x, double* fitness) {
  ++rec.stats.evaluations;
  if (!Evo_evaluate(rec, x, rec.rowValues.data())) return EvoRejected;
  Evo_violations(rec, rec.rowValues.data(), &rec.lastEqSum, &rec.lastIneqSum);
  rec.lastObjective = Evo_objectiveOf(rec, rec.rowValues.data());
  *fitness = rec.lastEqSum * rec.settings.eqWeight + rec.lastIneqSum * rec.settings.ineqWeight +
             rec.lastObjective;
  if (rec.lastEqSum <= rec.settings.equalityTol && rec.lastIneqSum <= rec.settings.precision) {
    rec.infeasibleRun = 0;
    return EvoAccepted;
  }
  if (++rec.infeasibleRun > rec.infeasiblePeriod) {
    rec.infeasibleRun = 0;
    return EvoAccepted;
  }
  return EvoRejected;
}

void Evo_roundIntegers(EvoRecord& rec, double* x, bool allDifferent) {
  for (int j = 0; j < rec.n; ++j) {
    int type = rec.types.empty() ? 0 : rec.types[j];
    if (allDifferent ? type < 3 : (type != 1 && type != 2)) continue;
    double v = x[j] * rec.varScale[j];
    double fl = std::floor(v), ce = std::ceil(v);
    if (v - fl <= rec.settings.precision || ce - v <= rec.settings.precision) continue;
    double lo = rec.lower[j] * rec.varScale[j], up = rec.upper[j] * rec.varScale[j];
    double value;
    if (Rnd_uniform(rec.rng) <= v - fl) value = ce <= up ? ce : (fl >= lo ? fl : v);
    else value = fl >= lo ? fl : (ce <= up ? ce : v);
    x[j] = value / rec.varScale[j];
  }
}

int Evo_progress(EvoRecord& rec, int flags, int count, double value) {
  return Host_progressValue(rec.context, flags, count, value);
}

int Evo_mapStop(int stop) { return stop == StopByUser ? EvoReseed : Eng_stopStatus(stop, true); }

int Evo_showIncumbent(EvoRecord& rec, int resumeFlags) {
  std::uint32_t start = Os_tickCount();
  Evo_progress(rec, ProgressPause, 0, 0.0);
  if (!rec.incumbent.empty() && !rec.shownValues.empty())
    Evo_evaluate(rec, rec.incumbent.data(), rec.shownValues.data());
  int answer = Evo_progress(rec, resumeFlags, 0, 0.0);
  rec.improvedTick += Os_tickCount() - start;
  return Evo_mapStop(answer);
}

int Evo_pendingStop(EvoRecord& rec) {
  if (Evo_progress(rec, ProgressQuery, 0, 0.0) == StopContinue) return 0;
  return Evo_showIncumbent(rec, ProgressResume);
}

int Evo_setupProgress(EvoRecord& rec) {
  double share = static_cast<double>(rec.stats.evaluations) * rec.n * rec.m / rec.setupEvaluations;
  int answer = Evo_mapStop(Evo_progress(rec, ProgressSetup, static_cast<int>(share), 0.0));
  return answer == EvoReseed ? 0 : answer;
}

int Evo_runStop(EvoRecord& rec) {
  const int answer = Evo_pendingStop(rec);
  return answer == EvoReseed ? 0 : answer;
}
