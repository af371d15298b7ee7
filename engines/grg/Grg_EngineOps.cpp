// The GRG engine's operations as the library exports them (`setup`, `solve`,
// `finish`): the engine's host bound to the library's host services for the
// run of the problem's owner context, and the problem record's words carried
// into and out of the engine's own view of the run.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>

#include "contract/Host_Eval.h"
#include "contract/Host_Memory.h"
#include "contract/Host_Progress.h"
#include "engines/grg/Grg_Engine.h"

namespace {

constexpr int Grg_engineIndex = 0;

LibraryContext* Grg_context(void* user) { return static_cast<LibraryContext*>(user); }

// The store callback and the record of one Jacobian request, handed through
// the host's Jacobian service as its user pointer.
struct GrgJacobianCall {
  GrgJacobianStore store;
  void* record;
};

int Grg_jacobianElement(LibraryContext* context, void* user, int row, int col, double value,
                        void* slot) {
  const auto* call = static_cast<const GrgJacobianCall*>(user);
  return call->store(context, call->record, row, col, value, static_cast<double*>(slot));
}

int Grg_hostJacobian(void* user, GrgJacobianStore store, void* record, const double* x, int flags) {
  if (!store) return 0;
  GrgJacobianCall call{store, record};
  return Host_evalJacobian(Grg_context(user), &call, Grg_jacobianElement, nullptr, x, flags) ? 1 : 0;
}

int Grg_hostProgress(void* user, int flags, int count, double value) {
  std::uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return Host_progressCallback(Grg_context(user), flags, count, static_cast<std::uint32_t>(bits),
                               static_cast<std::uint32_t>(bits >> 32));
}

void Grg_hostReports(void* user, int set, int code, const GrgSummary* s) {
  ReportSummary summary{s->n,    s->lower,    s->values,    s->upper,    s->reducedGradients,
                        s->rows, s->rowLower, s->rowValues, s->rowUpper, s->multipliers};
  Host_writeReports(Grg_context(user), set, code, &summary, nullptr);
}

GrgHost Grg_libraryHost(LibraryContext* context) {
  GrgHost h;
  h.user = context;
  h.queryModel = [](void* u, int kind) { return Host_queryModel(Grg_context(u), kind); };
  h.optionFlags = [](void* u) {
    return static_cast<unsigned>(Host_getEngineOptionFlags(Grg_context(u), Grg_engineIndex));
  };
  h.realOption = [](void* u, double* out, int kind) {
    return Host_getRealOption(Grg_context(u), out, kind);
  };
  h.initialValues = [](void* u, double* x) { return Host_getInitialValues(Grg_context(u), x); };
  h.bounds = [](void* u, double* lower, double* upper, double* rowLower, double* rowUpper) {
    return Host_getVariableBounds(Grg_context(u), lower, upper, rowLower, rowUpper);
  };
  h.evalProblem = [](void* u, double* rows, const double* x) {
    return Host_evalProblem(Grg_context(u), rows, x);
  };
  h.evalTwoChanged = [](void* u, double* rows, int j, double xj, int k, double xk) {
    return Host_evalTwoChanged(Grg_context(u), rows, j, xj, k, xk);
  };
  h.evalJacobian = Grg_hostJacobian;
  h.progress = Grg_hostProgress;
  h.writeReports = Grg_hostReports;
  return h;
}

// The engine's view of the run, from the problem's words; a saved solution
// (x counted from 1) is taken over and the word cleared.
GrgProblem Grg_view(EngineProblem* problem, int n) {
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
int Grg_publish(EngineProblem* problem, const GrgProblem& view) {
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
void Grg_releaseSaved(EngineProblem* problem) {
  if (!problem->saved) return;
  if (problem->releaseSaved) problem->releaseSaved(problem->saved);
  else Host_free(problem->owner, problem->saved);
  problem->saved = nullptr;
  problem->releaseSaved = nullptr;
}

int Grg_fail(EngineProblem* problem, int status) {
  problem->status = status;
  return 0;
}

}  // namespace

int Grg_engineSetup(void* record) {
  auto* problem = static_cast<EngineProblem*>(record);
  if (!problem) return 0;
  if (!problem->owner) return Grg_fail(problem, StatusBadModel);
  auto* rec = new (std::nothrow) GrgRecord;
  if (!rec) return Grg_fail(problem, StatusOutOfMemory);
  problem->engineRecord = rec;
  GrgProblem view = Grg_view(problem, 0);
  int result = 0;
  try {
    result = Grg_setup(*rec, Grg_libraryHost(problem->owner), view);
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
  if (!rec || rec->x.empty()) return Grg_fail(problem, StatusBadModel);
  int result = 0;
  GrgProblem view;
  try {
    view = Grg_view(problem, rec->n);
    result = Grg_solve(*rec, view);
  } catch (const std::bad_alloc&) {
    view.saved.clear();
    view.status = StatusOutOfMemory;
  }
  return Grg_publish(problem, view) ? result : 0;
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
  Grg_releaseSaved(problem);
  delete rec;
  problem->engineRecord = nullptr;
  problem->upper = problem->lower = problem->values = nullptr;
  return 1;
}
