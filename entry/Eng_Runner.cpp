// Engine runner: one run of one engine row (problem, driver choice, setup,
// driver, finish, pending stop) and the direct driver.
#include "entry/Eng_Runner.h"

#include <memory>
#include <string>
#include <vector>

#include "base/Mem_Heap.h"
#include "contract/Bound_Infinity.h"
#include "contract/Host_Eval.h"
#include "contract/Host_Progress.h"
#include "contract/Host_Queries.h"
#include "entry/Entry_Context.h"
#include "entry/Sess_Evaluation.h"
#include "entry/Sess_Variables.h"
#include "excel/Names_Options.h"
#include "platform/os/Os.h"

namespace {

// Engine information items of ordinal 42 that allow the drivers.

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
  c.feasibility = item(EngineInfoFeasibility) && c.feasibilityMode != 0;
  c.branch = item(EngineInfoBranch) && anyInteger;
  c.multistart =
      item(EngineInfoMultistart) && (Host_getEngineOptionFlags(context, engine) & OptFlagMsl) != 0;
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

// Cone constraints reach an engine that takes them (information item 22),
// or any engine as the interpreter's rows when the model was analysed; any
// other engine would leave them out and report a point that breaks them.
bool conesTaken(LibraryContext* context) {
  if (context->analysed || context->modelSupplied || Host_queryModel(context, QueryCones) == 0) return true;
  if (Host_getEngineInfoItem(context, Host_getEngineIndex(context), EngineInfoCones) != 0) return true;
  Os_messageBox(
      "The model has cone constraints (relation 7 or 8), which the chosen engine would leave out; "
      "choose an engine that takes them.",
      ModelRefusedCaption, 0);
  return false;
}

// An engine that needs finite bounds refused a variable without them (status
// 18): the first such variable cell is named, with the bound it lacks.
void explainUnboundedVariable(LibraryContext* context) {
  const int n = Sess_modelVariables(context);
  std::vector<double> lower(n + context->elasticCount + 1), upper(lower.size());
  std::vector<double> rowLower(Host_queryModel(context, QueryRows) + 1), rowUpper(rowLower.size());
  if (n < 1 || !Host_getVariableBounds(context, lower.data(), upper.data(), rowLower.data(), rowUpper.data())) return;
  for (int j = 0; j < n; ++j) {
    const bool noLower = lower[j] <= -kBoundInfinity, noUpper = upper[j] >= kBoundInfinity;
    if (!noLower && !noUpper) continue;
    const std::string cell = Sess_variableCellName(context->variables, j);
    const std::string text = "The variable cell " + cell + " has no " +
                             (noLower && noUpper ? "bounds"
                              : noLower          ? "lower bound"
                                                 : "upper bound") +
                             "; the engine needs a finite lower and upper bound on every variable cell "
                             "(constraints of the cell against numbers give them).";
    Os_messageBox(text.c_str(), ModelRefusedCaption, 0);
    return;
  }
}

// Builds the run's problem; *status holds the failure code when none.
OwnedEngineProblem buildProblem(const EngineEntry* entry, int* status) {
  if (!entry->owner) {
    *status = StatusBadModel;
    return nullptr;
  }
  OwnedEngineProblem problem = Eng_newProblem(entry->owner);
  if (!problem) {
    *status = StatusOutOfMemory;
    return nullptr;
  }
  problem->variableCount = Host_queryModel(entry->owner, QueryVariables);
  if (problem->variableCount < 1 || !conesTaken(entry->owner)) {
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

}  // namespace

void EngineProblemFree::operator()(EngineProblem* problem) const {
  Mem_free(problem->integerFlags);
  Mem_free(problem);
}

OwnedEngineProblem Eng_newProblem(LibraryContext* owner) {
  OwnedEngineProblem problem(static_cast<EngineProblem*>(Mem_alloc(sizeof(EngineProblem))));
  if (problem) problem->owner = owner;
  return problem;
}

int Eng_directDriver(EngineOp solve, EngineProblem* problem) {
  solve(problem);
  return StatusNone;
}

int Eng_runEngine(EngineEntry* entry) {
  if (!entry) return StatusBadModel;
  // A plug-in's operations are taken from its exports untested.
  if (!entry->setup || !entry->solve || !entry->finish) return StatusHostFailure;
  int status = StatusNone;
  OwnedEngineProblem problem = buildProblem(entry, &status);
  if (!problem) return status;
  entry->owner->failedPoint.clear();
  if (entry->setup(problem.get())) status = problem->driver(entry->solve, problem.get());
  entry->finish(problem.get());
  if (status != StatusNone) problem->status = status;
  int stop = Host_progressCallback(entry->owner, 0, 0, 0, 0);
  const int ended = Eng_statusAfterStop(problem->status, stop);
  Host_showFailedPoint(entry->owner, ended);
  if (ended == StatusUnboundedVariable) explainUnboundedVariable(entry->owner);
  return ended;
}
