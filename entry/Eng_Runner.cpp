// Engine runner: one run of one engine row (problem, driver choice, setup,
// driver, finish, pending stop), the direct driver, and the local-solver run
// of the GRG engine on a model another engine supplies.
#include "entry/Eng_Runner.h"

#include <memory>
#include <vector>

#include "contract/Host_Eval.h"
#include "contract/Host_LocalSolver.h"
#include "contract/Host_Memory.h"
#include "contract/Host_Progress.h"
#include "contract/Host_Queries.h"
#include "entry/Entry_Context.h"

namespace {

// Engine information items of ordinal 42 that allow the drivers.
enum : int { ItemFeasibility = 14, ItemBranch = 15, ItemMultistart = 16 };

// Supplied-model bits of the local solver's model flags.
enum : std::uint32_t { SuppliedGroupedRow = 0x2000, SuppliedScaling = 0x1000 };

struct ProblemFree {
  void operator()(EngineProblem* problem) const {
    Mem_free(problem->integerFlags);
    Mem_free(problem);
  }
};
using OwnedProblem = std::unique_ptr<EngineProblem, ProblemFree>;

// A zeroed problem owned by `owner`; none when memory runs out.
OwnedProblem newProblem(LibraryContext* owner) {
  OwnedProblem problem(static_cast<EngineProblem*>(Mem_alloc(sizeof(EngineProblem))));
  if (problem) problem->owner = owner;
  return problem;
}

// Which drivers the engine's capabilities and the run's switches call for.
struct DriverConditions {
  int feasibilityMode = 0;   // query 9
  bool feasibility = false;
  bool branch = false;
  bool multistart = false;
};

DriverConditions driverConditions(LibraryContext* context, const EngineProblem* problem) {
  bool anyInteger = false;
  for (int j = 0; j < problem->variableCount && !anyInteger; ++j)
    anyInteger = problem->integerFlags[j] != 0;
  int engine = Host_getEngineIndex(context);
  auto item = [&](int k) { return Host_getEngineInfoItem(context, engine, k) != 0; };
  DriverConditions c;
  c.feasibilityMode = Host_queryModel(context, QueryFeasibility);
  c.feasibility = item(ItemFeasibility) && c.feasibilityMode != 0;
  c.branch = item(ItemBranch) && anyInteger;
  c.multistart =
      item(ItemMultistart) && (Host_getEngineOptionFlags(context, engine) & OptFlagMsl) != 0;
  return c;
}

std::uint32_t conditionFlags(const DriverConditions& c, int actionCode) {
  std::uint32_t flags = 0;
  if (c.feasibilityMode == 1) flags |= ProblemFeasibility1;
  if (c.feasibilityMode == 1 || c.feasibilityMode == 2) flags |= ProblemFeasibility;
  if (c.branch) flags |= ProblemBranch;
  if (c.multistart) flags |= ProblemMultistart;
  if (actionCode != 0) flags |= ProblemActionCode;
  return flags;
}

// Reads the integer flags, chooses the driver (feasibility, branch and
// bound, multistart, else direct) and sets the problem flags; false when the
// integer flags cannot be read.
bool chooseDriver(EngineProblem* problem) {
  LibraryContext* context = problem->owner;
  if (!Host_getVariableTypes(context, problem->integerFlags)) return false;
  DriverConditions c = driverConditions(context, problem);
  problem->actionCode = Host_queryModel(context, QueryActionCode);
  problem->flags = conditionFlags(c, problem->actionCode);
  if (c.feasibility) {
    problem->driver = Eng_feasibilityDriver;
    Mem_free(problem->integerFlags);     // the feasibility driver works without them
    problem->integerFlags = nullptr;
  } else if (c.branch) {
    problem->driver = Eng_branchAndBoundDriver;
  } else if (c.multistart) {
    problem->driver = Eng_multiStartDriver;
  } else {
    problem->driver = Eng_directDriver;
  }
  if (problem->driver != Eng_directDriver) problem->flags |= ProblemOtherDriver;
  else if (Host_queryModel(context, QueryReports)) problem->flags |= ProblemReports;
  return true;
}

// Builds the run's problem; *status holds the failure code when none.
OwnedProblem buildProblem(const EngineEntry* entry, int* status) {
  if (!entry->owner) {
    *status = StatusBadModel;
    return nullptr;
  }
  OwnedProblem problem = newProblem(entry->owner);
  if (!problem) {
    *status = StatusOutOfMemory;
    return nullptr;
  }
  problem->variableCount = Host_queryModel(entry->owner, QueryVariables);
  if (problem->variableCount < 1) {
    *status = StatusBadModel;
    return nullptr;
  }
  problem->integerFlags = static_cast<std::int32_t*>(
      Mem_alloc(sizeof(std::int32_t) * static_cast<std::size_t>(problem->variableCount)));
  if (!problem->integerFlags) {
    *status = StatusOutOfMemory;
    return nullptr;
  }
  if (!chooseDriver(problem.get())) {
    *status = StatusHostFailure;
    return nullptr;
  }
  return problem;
}

// Stores what a local-solver run supplies for the queries and options.
void storeSupplied(LibraryContext* context, std::int32_t answer41, std::int32_t answer40,
                   std::int32_t answer42, std::uint32_t modelFlags, double precision,
                   double convergence) {
  context->suppliedWords[0] = answer40;
  context->suppliedWords[1] = answer41;
  context->suppliedWords[2] = answer42;
  context->suppliedGroupedRow = static_cast<std::int32_t>(modelFlags & SuppliedGroupedRow);
  context->suppliedScaling = static_cast<std::int32_t>(modelFlags & SuppliedScaling);
  context->suppliedOptionFlags = modelFlags & ~(SuppliedGroupedRow | SuppliedScaling);
  context->suppliedPrecision = precision;
  context->suppliedConvergence = convergence;
  context->modelSupplied = 1;
  const EngineEntry& grg = context->engines[0];
  context->grgSetup = grg.setup;
  context->grgSolve = grg.solve;
  context->grgFinish = grg.finish;
}

// The local solver's problem, set up on first use; 0 or the failing status.
int prepareLocalSolver(LibraryContext* context) {
  if (context->localSolver) return 0;
  if (!context->grgSetup || !context->grgSolve || !context->grgFinish) return StatusBadModel;
  OwnedProblem problem = newProblem(context);
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
  if ((status == 0 || status == 1) && problem->saved != start.data()) Mem_free(problem->saved);
  problem->saved = nullptr;
  return status;
}

}  // namespace

int Eng_directDriver(EngineOp solve, EngineProblem* problem) {
  solve(problem);
  return StatusNone;
}

int Eng_runEngine(EngineEntry* entry) {
  if (!entry) return StatusBadModel;
  // A plug-in's operations are taken from its exports untested.
  if (!entry->setup || !entry->solve || !entry->finish) return StatusHostFailure;
  int status = StatusNone;
  OwnedProblem problem = buildProblem(entry, &status);
  if (!problem) return status;
  if (entry->setup(problem.get())) status = problem->driver(entry->solve, problem.get());
  entry->finish(problem.get());
  if (status != StatusNone) problem->status = status;
  int stop = Host_progressCallback(entry->owner, 0, 0, 0, 0);
  return Eng_statusAfterStop(problem->status, stop);
}

int Host_runLocalSolver(LibraryContext* context, std::int32_t answer41, std::int32_t answer40,
                        std::int32_t answer42, std::uint32_t modelFlags, double precision,
                        double convergence, double* objective, double* x, const double* lower,
                        const double* upper) {
  if (!context || !objective || !x || !lower || !upper) return StatusBadModel;
  storeSupplied(context, answer41, answer40, answer42, modelFlags, precision, convergence);
  int status = prepareLocalSolver(context);
  if (status == 0) status = solveLocally(context, objective, x, lower, upper);
  context->modelSupplied = 0;
  return status;
}
