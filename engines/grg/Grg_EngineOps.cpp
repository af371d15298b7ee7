// The GRG engine's operations as the library exports them (`setup`, `solve`,
// `finish`): the engine served by the library's host services for the run of
// the problem's owner context, and the problem record's words carried into
// and out of the engine's own view of the run.
#include <algorithm>
#include <cstdint>
#include <new>

#include "contract/Eng_Setup.h"
#include "contract/Host_Memory.h"
#include "contract/Host_Services.h"
#include "engines/grg/Grg_Engine.h"

namespace {

// The engine's view of the run, from the problem's words; a saved solution
// (x counted from 1) is taken over and the word cleared.
GrgProblem problemView(EngineProblem* problem, int n) {
  GrgProblem view;
  view.flags = problem->flags;
  view.status = problem->status;
  view.objective = problem->objective;
  view.reducedCosts = problem->reducedCosts;
  view.multipliers = problem->multipliers;
  if (problem->saved && n > 0) {
    const auto* saved = static_cast<const double*>(problem->saved);
    view.saved.assign(saved, saved + n + 1);
  }
  problem->saved = nullptr;
  return view;
}

// Writes the run's status and objective back; a solution the engine keeps
// for the driver goes into a block of the host's, which the driver owns.
int publish(EngineProblem* problem, const GrgProblem& view) {
  problem->status = view.status;
  problem->objective = view.objective;
  if (view.saved.empty()) return 1;
  std::size_t bytes = sizeof(double) * view.saved.size();
  auto* block = static_cast<double*>(Host_alloc(problem->owner, bytes));
  if (!block) {
    problem->status = StatusOutOfMemory;
    return 0;
  }
  std::copy(view.saved.begin(), view.saved.end(), block);
  problem->saved = block;
  problem->releaseSaved = nullptr;
  return 1;
}

// A driver ends with the solution it chose still in the problem (the
// branch-and-bound driver's incumbent): one of the engine's own blocks,
// released with the run.
void releaseSaved(EngineProblem* problem) {
  if (!problem->saved) return;
  if (problem->releaseSaved) problem->releaseSaved(problem->saved);
  else Host_free(problem->owner, problem->saved);
  problem->saved = nullptr;
  problem->releaseSaved = nullptr;
}

int fail(EngineProblem* problem, int status) {
  problem->status = status;
  return 0;
}

}  // namespace

int Grg_engineSetup(void* record) {
  auto* problem = static_cast<EngineProblem*>(record);
  if (!problem) return 0;
  auto* rec = Eng_newRecord<GrgRecord>(problem);
  if (!rec) return 0;
  GrgProblem view = problemView(problem, 0);
  int result = 0;
  try {
    result = Grg_setup(*rec, Host_services(problem->owner), view);
  } catch (const std::bad_alloc&) {
    view.status = StatusOutOfMemory;
  }
  problem->status = view.status;
  if (rec->x.empty()) return result;
  problem->variableCount = rec->n;
  problem->upper = &rec->varUpper[1];
  problem->lower = &rec->varLower[1];
  problem->values = &rec->x[1];
  return result;
}

int Grg_engineSolve(void* record) {
  auto* problem = static_cast<EngineProblem*>(record);
  if (!problem) return 0;
  auto* rec = static_cast<GrgRecord*>(problem->engineRecord);
  if (!rec || rec->x.empty()) return fail(problem, StatusBadModel);
  int result = 0;
  GrgProblem view;
  try {
    view = problemView(problem, rec->n);
    result = Grg_solve(*rec, view);
  } catch (const std::bad_alloc&) {
    view.saved.clear();
    view.status = StatusOutOfMemory;
  }
  return publish(problem, view) ? result : 0;
}

int Grg_engineFinish(void* record) {
  auto* problem = static_cast<EngineProblem*>(record);
  if (!problem) return 1;
  auto* rec = static_cast<GrgRecord*>(problem->engineRecord);
  if (!rec) return 1;
  GrgProblem view;
  view.flags = problem->flags;
  view.status = problem->status;
  Grg_finish(*rec, view);
  problem->status = view.status;
  releaseSaved(problem);
  delete rec;
  problem->engineRecord = nullptr;
  problem->upper = problem->lower = problem->values = nullptr;
  return 1;
}
