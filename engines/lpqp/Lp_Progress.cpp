// Progress of the LP/quadratic engine: the host's answers as statuses, the
// query-only check, and the report after every simplex iteration, which
// shows the objective and, when the run pauses there, puts the current point
// into the model so that the user sees it.
#include <algorithm>

#include "contract/Host_Queries.h"
#include "engines/lpqp/Lp_EngineOps.h"

namespace {

constexpr unsigned kReportFlags = ProgressQuery | ProgressIterationNumber;  // 0x48
constexpr unsigned kPhase1Flag = 0x400;  // the value shown is the phase-1 sum

int progress(LpRun& run, unsigned flags, int count, double value) {
  return run.host.progress(run.host.user, flags, count, value);
}

// Puts the scratch point (scaled) into the model through an evaluation.
void showPoint(LpRun& run) {
  std::copy(run.lp.point.begin(), run.lp.point.end(), run.hostX.begin());
  Lp_unscaleVariables(run.lp.scaling, run.hostX.data());
  Lp_evaluate(run, run.hostRows.data());
}

}  // namespace

int Lp_mapAnswer(int answer) { return Eng_stopStatus(answer, false); }

int Lp_queryStop(LpRun& run) { return Lp_mapAnswer(progress(run, ProgressQuery, 0, 0.0)); }

int Lp_poll(LpRun& run) {
  if (progress(run, ProgressQuery, 0, 0.0) == 0) return 0;
  progress(run, ProgressPause, 0, 0.0);
  showPoint(run);
  return Lp_mapAnswer(progress(run, ProgressResume, 0, 0.0));
}

int Lp_iterationReport(void* context, const LpRecord& lp, int iteration, double objective,
                       double infeasibility) {
  LpRun& run = *static_cast<LpRun*>(context);
  unsigned flags = kReportFlags;
  double value = Lp_unscaleObjective(lp.scaling, objective);
  if (lp.maximise) value = -value;
  if (infeasibility > lp.precision) {
    flags |= kPhase1Flag;
    value = infeasibility;
  }
  const int answer = progress(run, flags, iteration, value);
  if (!lp.options.showIterations && answer == 0) return 0;
  progress(run, ProgressPause, 0, 0.0);
  showPoint(run);
  return Lp_mapAnswer(progress(run, ProgressResume | ProgressIteration, iteration, value));
}

LpSettings Lp_settingsFromHost(LpRun& run) {
  LpSettings s;
  run.host.realOption(run.host.user, &s.precision, RealPrecision);
  run.host.realOption(run.host.user, &s.pivotTolerance, RealPivot);
  run.host.realOption(run.host.user, &s.reducedCostTolerance, RealReducedCost);
  s.progress = Lp_iterationReport;
  s.context = &run;
  return s;
}
