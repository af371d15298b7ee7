// The local solver that engines borrow (export ordinal 41): the GRG engine's
// problem set up once per session on the model the calling engine supplies,
// and each run from the caller's start within its bounds.
#include "contract/Host_LocalSolver.h"

#include <vector>

#include "base/Mem_Heap.h"
#include "contract/Eng_Engine.h"
#include "contract/Host_Queries.h"
#include "entry/Eng_Runner.h"
#include "entry/Entry_Context.h"

namespace {

// Supplied-model bits of the local solver's model flags.
enum : std::uint32_t { SuppliedGroupedRow = 0x2000, SuppliedScaling = 0x1000 };

// Stores what a local-solver run supplies for the queries and options.
void storeSupplied(LibraryContext* context, std::int32_t answer41, LocalProgress progress, void* progressUser,
                   std::int32_t answer42, std::uint32_t modelFlags, double precision, double convergence) {
  context->suppliedWords[0] = progress ? 1 : 0;
  context->suppliedWords[1] = answer41;
  context->suppliedWords[2] = answer42;
  context->suppliedProgress = progress;
  context->suppliedProgressUser = progressUser;
  context->suppliedGroupedRow = static_cast<std::int32_t>(modelFlags & SuppliedGroupedRow);
  context->suppliedScaling = static_cast<std::int32_t>(modelFlags & SuppliedScaling);
  context->suppliedOptionFlags = modelFlags & ~(SuppliedGroupedRow | SuppliedScaling);
  context->suppliedPrecision = precision;
  context->suppliedConvergence = convergence;
  context->modelSupplied = 1;
  const EngineEntry& grg = context->engines[EngineGrg];
  context->grgSetup = grg.setup;
  context->grgSolve = grg.solve;
  context->grgFinish = grg.finish;
}

// The run is over: the caller's routine is not reached any more.
void endSupplied(LibraryContext* context) {
  context->modelSupplied = 0;
  context->suppliedWords[0] = 0;
  context->suppliedProgress = nullptr;
  context->suppliedProgressUser = nullptr;
}

// The local solver's problem, set up on first use; 0 or the failing status.
int prepareLocalSolver(LibraryContext* context) {
  if (context->localSolver) return 0;
  if (!context->grgSetup || !context->grgSolve || !context->grgFinish) return StatusBadModel;
  OwnedEngineProblem problem = Eng_newProblem(context);
  if (!problem) return StatusOutOfMemory;
  problem->variableCount = Host_queryModel(context, QueryVariables);
  problem->flags = ProblemLocalSolver | ProblemOtherDriver;
  if (!context->grgSetup(problem.get())) {
    // `finish` always follows `setup`, and a later run tries afresh.
    int status = problem->status;
    context->grgFinish(problem.get());
    return status != 0 ? status : StatusBadModel;
  }
  context->localSolver = problem.release();
  return 0;
}

// Runs GRG `solve` from x within the bounds; the solution goes back into x.
int solveLocally(LibraryContext* context, double* objective, double* x, const double* lower,
                 const double* upper) {
  EngineProblem* problem = context->localSolver;
  int n = problem->variableCount;
  if (!problem->lower || !problem->upper || !problem->values) return StatusBadModel;
  std::vector<double> start(static_cast<std::size_t>(n) + 1);   // counted from 1
  for (int j = 0; j < n; ++j) {
    start[j + 1] = x[j];
    problem->lower[j] = lower[j];
    problem->upper[j] = upper[j];
  }
  problem->saved = start.data();
  context->grgSolve(problem);
  *objective = problem->objective;
  for (int j = 0; j < n; ++j) x[j] = problem->values[j];
  int status = problem->status;
  // A solution block the engine left there is its own (from Host_alloc).
  if (Eng_isConverged(status) && problem->saved != start.data()) Mem_free(problem->saved);
  problem->saved = nullptr;
  return status;
}

}  // namespace

int Host_runLocalSolver(LibraryContext* context, std::int32_t answer41, LocalProgress progress, void* progressUser,
                        std::int32_t answer42, std::uint32_t modelFlags, double precision, double convergence,
                        double* objective, double* x, const double* lower, const double* upper) {
  if (!context || !objective || !x || !lower || !upper) return StatusBadModel;
  storeSupplied(context, answer41, progress, progressUser, answer42, modelFlags, precision, convergence);
  int status = prepareLocalSolver(context);
  if (status == 0) status = solveLocally(context, objective, x, lower, upper);
  endSupplied(context);
  return status;
}

int Host_localProgress(LibraryContext* context, int iteration, int count, double objective) {
  if (!context || !context->suppliedProgress) return StopContinue;
  Host_noteWorkbookWrite(context);   // the caller's routine may write cells
  return context->suppliedProgress(context->suppliedProgressUser, iteration, count, objective);
}
