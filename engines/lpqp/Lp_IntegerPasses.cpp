// The LP/quadratic engine's work for integer models around a linear solve:
// the warm start of a subproblem from its parent's snapshot, the cut passes
// and the rounding heuristic after the first relaxation, the driver's call
// back after a heuristic solution, and the snapshot of each solved node.
#include <algorithm>

#include "contract/Host_Queries.h"
#include "engines/lpqp/Lp_EngineOps.h"
#include "platform/os/Os.h"

namespace {

constexpr std::uint64_t kMemoryReserve = 0x400000;  // 4 MB beyond two nodes

// The heuristic's view of the model: rows 1..m' and the objective, unscaled.
bool evaluateUnscaled(void* context, const double* x, double* rows) {
  LpRun& run = *static_cast<LpRun*>(context);
  const LpRecord& lp = run.lp;
  std::copy(x, x + lp.n + 1, run.hostX.begin());
  if (!run.host.evalProblem(run.host.user, rows + 1, run.hostX.data() + 1)) return false;
  if (lp.noObjective) rows[lp.modelRows + 1] = 0.0;
  return true;
}

void runCutPasses(LpRun& run, const std::int32_t* flags) {
  LpRecord& lp = run.lp;
  lp.passes.cutPassDone = true;
  const LpSettings settings = Lp_settingsFromHost(run);
  if (lp.options.coverRowLimit > 0) Lp_coverCuts(lp, settings, flags);
  if (lp.options.nodeMemory && lp.options.gomoryRowLimit > 0)
    Lp_gomoryCuts(lp, settings, flags, Lp_integerRows(lp, flags));
}

// Whether the free memory leaves room for another snapshot (checked every
// memory-check-interval-th call).
bool roomForSnapshot(LpRecord& lp, int call) {
  if (lp.passes.nodeSize == 0) {
    lp.passes.nodeSize = Lp_nodeSize(lp);
    lp.passes.memoryCheckInterval =
        std::max<int>(1, static_cast<int>((Os_freePhysicalMemory() / lp.passes.nodeSize) / 1024));
  }
  if (call % lp.passes.memoryCheckInterval != 0) return true;
  return Os_freePhysicalMemory() >= 2 * lp.passes.nodeSize + kMemoryReserve;
}

}  // namespace

int Lp_solveLinear(LpRun& run, EngineProblem* problem) {
  LpRecord& lp = run.lp;
  const LpSettings settings = Lp_settingsFromHost(run);
  const bool ours = problem->saved && problem->releaseSaved == Lp_releaseSnapshot;
  if (lp.options.nodeMemory && ours &&
      Lp_restoreSnapshot(lp, *static_cast<const LpSnapshot*>(problem->saved))) {
    const int status = Lp_dualWarmStart(lp, settings);
    if (status != StatusBadModel) return status;
    lp.options.nodeMemory = false;
    Lp_restoreWorking(lp);
  }
  return Lp_boundedSimplex(lp, settings);
}

int Lp_integerPasses(LpRun& run, EngineProblem* problem, int status) {
  LpRecord& lp = run.lp;
  const std::int32_t* flags = problem->integerFlags;
  if (status != StatusSolved || lp.objKind != 1 || (problem->flags & ProblemBranch) == 0 || !flags)
    return status;
  if (!lp.passes.cutPassDone && lp.options.coverRowLimit + lp.options.gomoryRowLimit > 0)
    runCutPasses(run, flags);
  if (lp.passes.heuristicDone) return status;
  lp.passes.heuristicDone = true;
  lp.savedX = lp.x;
  lp.savedObjective = lp.matrix.row(0)[0];
  const int seed = run.host.intOption(run.host.user, IntRandomSeed);
  double objective = 0;
  if (!Lp_roundingHeuristic(lp, flags, seed, evaluateUnscaled, &run, objective)) return status;
  problem->objective = objective;
  return StatusHeuristicInteger;
}

int Lp_resumeRelaxation(LpRun& run, EngineProblem* problem) {
  LpRecord& lp = run.lp;
  lp.x = lp.savedX;
  const double objective = Lp_unscaleObjective(lp.scaling, lp.savedObjective);
  problem->objective = lp.maximise ? -objective : objective;
  const int status = Lp_takeSnapshot(run, problem);
  Lp_unscaleVariables(lp.scaling, lp.x.data());
  return status;
}

int Lp_takeSnapshot(LpRun& run, EngineProblem* problem) {
  LpRecord& lp = run.lp;
  if (!lp.options.nodeMemory || lp.objKind != 1 || (problem->flags & ProblemBranch) == 0) return 0;
  const int call = lp.passes.snapshotCount++;
  if (call > 0 && !lp.options.keepAllSnapshots) return 0;
  if (!roomForSnapshot(lp, call)) return 0;
  LpSnapshot* snapshot = Lp_makeSnapshot(lp);
  if (!snapshot) return StatusOutOfMemory;
  problem->saved = snapshot;
  problem->releaseSaved = Lp_releaseSnapshot;
  return 0;
}

void Lp_releaseProblemSnapshot(EngineProblem* problem) {
  if (problem->saved && problem->releaseSaved == Lp_releaseSnapshot) {
    Lp_releaseSnapshot(problem->saved);
    problem->saved = nullptr;
    problem->releaseSaved = nullptr;
  }
}
