// The LP/quadratic engine's `setup`, served by the library's host services
// or by a host of the caller's: builds the private record for a run,
// reads the model's sizes, switches, bounds and start values from the host,
// decides whether the model is linear or quadratic, captures and scales the
// coefficient matrix and publishes the variables in the problem record.
#include <algorithm>
#include <memory>
#include <new>

#include "contract/Host_Queries.h"
#include "contract/Host_Services.h"
#include "engines/lpqp/Lp_EngineOps.h"

namespace {

int query(const LpRun& run, int kind) { return run.host.queryModel(run.host.user, kind); }

bool withinLimits(const LpRun& run) {
  return query(run, QueryVariables) <= Lp_maxVariables && query(run, QueryRows) <= Lp_maxRows &&
         query(run, QueryIntegers) <= Lp_maxIntegers;
}

// Switches and options; the rows reserved for cuts.
int readSwitches(LpRun& run) {
  LpRecord& lp = run.lp;
  const unsigned flags = run.host.optionFlags(run.host.user, EngineLp);
  lp.options.optionFlags[0] = lp.options.optionFlags[1] = flags;
  run.host.realOption(run.host.user, &lp.precision, RealPrecision);
  if (query(run, QueryIntegers) != 0 && query(run, QueryRelaxIntegers) == 0 &&
      query(run, QueryScaling) != 0) {
    lp.options.gomoryRowLimit = run.host.intOption(run.host.user, IntGct);
    lp.options.gomoryPasses = run.host.intOption(run.host.user, IntGop);
    lp.options.coverRowLimit = run.host.intOption(run.host.user, IntCct);
    lp.options.coverPasses = run.host.intOption(run.host.user, IntCgt);
  }
  lp.options.primalWeighting = run.host.namedInt(run.host.user, "solver_sep", 1) != 0;
  lp.options.dualWeighting = run.host.namedInt(run.host.user, "solver_sed", 1) != 0;
  lp.passes.heuristicDone = (flags & OptFlagLppPhr) == 0;
  lp.options.plainDualRatio = (flags & OptFlagLptDus) != 0;
  lp.options.keepAllSnapshots = (flags & OptFlagLvaWbr) != 0;
  return lp.options.gomoryRowLimit + lp.options.coverRowLimit;
}

// Sizes, then the record's arrays and the host-side buffers.
int sizeRecord(LpRun& run) {
  const int n = query(run, QueryVariables);
  const int objectiveRow = query(run, QueryObjectiveRow);
  const int modelRows = query(run, QueryRows) - (objectiveRow != 0 ? 1 : 0);
  if (n < 1 || modelRows < 0) return StatusBadModel;
  const int cutRows = readSwitches(run);
  LpRecord& lp = run.lp;
  if (const int status = Lp_allocRecord(lp, n, modelRows, cutRows)) return status;
  lp.noObjective = objectiveRow == 0;
  lp.negate = lp.maximise = query(run, QueryMaximise) != 0;
  lp.options.showIterations = query(run, QueryShowIterations) != 0;
  lp.options.feasibilityMode = query(run, QueryFeasibility);
  run.hostX.assign(static_cast<std::size_t>(n) + 1, 0.0);
  run.hostRows.assign(static_cast<std::size_t>(lp.m) + 2, 0.0);
  return 0;
}

// Bounds and start values; the rows after the model rows have no limits.
int readBounds(LpRun& run) {
  LpRecord& lp = run.lp;
  if (!run.host.bounds(run.host.user, lp.lower.data() + 1, lp.upper.data() + 1,
                       lp.rowLower.data() + 1, lp.rowUpper.data() + 1))
    return StatusBadBounds;
  std::fill(lp.rowLower.begin() + lp.modelRows + 1, lp.rowLower.end(), -kBoundInfinity);
  std::fill(lp.rowUpper.begin() + lp.modelRows + 1, lp.rowUpper.end(), kBoundInfinity);
  if (Lp_boundsCrossed(lp)) return StatusCrossedBounds;
  if (!run.host.initialValues(run.host.user, lp.xStart.data() + 1)) return StatusBadModel;
  lp.x = lp.xStart;
  run.hasPoint = true;
  return 0;
}

// Capture, integer bounds and scaling; the pristine copy every solve starts from.
int captureAndScale(LpRun& run, EngineProblem* problem) {
  LpRecord& lp = run.lp;
  Lp_setRowTypes(lp);
  if (const int status = Lp_captureModel(run)) return status;
  if (lp.objKind == 2)
    if (const int status = Lp_captureQuadratic(run)) return status;
  if (query(run, QueryIntegers) != 0 && query(run, QueryRelaxIntegers) == 0 &&
      lp.options.feasibilityMode == 0 && problem->integerFlags)
    Lp_roundIntegerBounds(lp, problem->integerFlags);
  // Scaled when the switch says so, and whenever the magnitudes call for
  // it: the simplex's pivot and reduced-cost tolerances are absolute, and on
  // a tableau of mixed magnitudes (a row of 1 and 1E+08) they drop entries
  // that matter, so that a model with every variable boxed was called
  // unbounded.
  lp.mixedMagnitudes = Lp_needsScaling(lp);
  if (query(run, QueryScaling) != 0 || lp.mixedMagnitudes) Lp_computeScaling(lp);
  if (!Lp_scaleModel(lp)) return StatusBadModel;
  if (lp.objKind == 0) return StatusNotLinear;
  if (!Lp_presolveSetup(run, problem)) return StatusOutOfMemory;
  Lp_savePristine(lp);
  return 0;
}

int setupRun(LpRun& run, EngineProblem* problem) {
  if ((problem->flags & ProblemFeasibility) == 0 && !withinLimits(run)) return StatusBadModel;
  if (const int status = sizeRecord(run)) return status;
  if (const int status = readBounds(run)) return status;
  LpRecord& lp = run.lp;
  lp.objKind = lp.kindFound = Lp_objectiveKind(run);
  if (lp.objKind < 0) return run.status;
  lp.options.nodeMemory =
      (lp.options.optionFlags[0] & OptFlagDua) != 0 && lp.options.feasibilityMode == 0;
  if (const int status = captureAndScale(run, problem)) return status;
  problem->variableCount = lp.n;
  problem->upper = lp.upper.data() + 1;
  problem->lower = lp.lower.data() + 1;
  problem->values = lp.x.data() + 1;
  return 0;
}

}  // namespace

int Lp_engineSetupWith(EngineProblem* problem, const HostServices& host) {
  LpRun* run = new (std::nothrow) LpRun;
  if (!run) {
    problem->status = StatusOutOfMemory;
    return 0;
  }
  problem->engineRecord = run;
  run->host = host;
  int status;
  try {
    status = setupRun(*run, problem);
  } catch (const std::bad_alloc&) {
    status = StatusOutOfMemory;
  }
  problem->status = run->status = status;
  return status == 0 ? 1 : 0;
}

int Lp_engineSetup(void* record) {
  auto* problem = static_cast<EngineProblem*>(record);
  return Lp_engineSetupWith(problem, Host_services(problem->owner));
}
