// The LP/quadratic engine's operations as the library exports them: the
// engine's host bound to the library's host services for the run of the
// problem's owner context.
#include <cstdint>
#include <cstring>

#include "contract/Host_Eval.h"
#include "contract/Host_Extract.h"
#include "contract/Host_Progress.h"
#include "contract/Host_Queries.h"
#include "engines/lpqp/Lp_EngineOps.h"

namespace {

constexpr int Lp_engineIndex = 1;

LibraryContext* Lp_context(void* user) { return static_cast<LibraryContext*>(user); }

int Lp_hostProgress(void* user, unsigned flags, int count, double value) {
  std::uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return Host_progressCallback(Lp_context(user), static_cast<std::int32_t>(flags), count,
                               static_cast<std::uint32_t>(bits),
                               static_cast<std::uint32_t>(bits >> 32));
}

}  // namespace

LpHost Lp_libraryHost(LibraryContext* context) {
  LpHost h;
  h.user = context;
  h.queryModel = [](void* u, int kind) { return Host_queryModel(Lp_context(u), kind); };
  h.optionFlags = [](void* u) {
    return static_cast<unsigned>(Host_getEngineOptionFlags(Lp_context(u), Lp_engineIndex));
  };
  h.realOption = [](void* u, double* out, int kind) {
    return Host_getRealOption(Lp_context(u), out, kind);
  };
  h.intOption = [](void* u, int kind) { return Host_getIntOption(Lp_context(u), kind); };
  h.namedInt = [](void* u, const char* name, int fallback) {
    return Host_getNamedInt(Lp_context(u), name, fallback);
  };
  h.bounds = [](void* u, double* lower, double* upper, double* rowLower, double* rowUpper) {
    return Host_getVariableBounds(Lp_context(u), lower, upper, rowLower, rowUpper);
  };
  h.initialValues = [](void* u, double* x) { return Host_getInitialValues(Lp_context(u), x); };
  h.evalProblem = [](void* u, double* rows, const double* x) {
    return Host_evalProblem(Lp_context(u), rows, x);
  };
  h.evalOneChanged = [](void* u, double* rows, int j, double xj) {
    return Host_evalOneChanged(Lp_context(u), rows, j, xj);
  };
  h.evalTwoChanged = [](void* u, double* rows, int j, double xj, int k, double xk) {
    return Host_evalTwoChanged(Lp_context(u), rows, j, xj, k, xk);
  };
  h.extractQuadratic = [](void* u, void* record, LpStoreFn store, void* extra) {
    return Host_extractQuadraticTerms(Lp_context(u), record, store, extra);
  };
  h.objectiveGradient = [](void* u, double* value, double* gradient, const double* x) {
    return Host_evalObjectiveGradient(Lp_context(u), value, gradient, x);
  };
  h.extractLinear = [](void* u, void* record, LpStoreFn store, void* extra) {
    return Host_extractLinearTerms(Lp_context(u), record, store, extra);
  };
  h.progress = Lp_hostProgress;
  h.writeReports = [](void* u, int set, int code, const ReportSummary* summary,
                      const SensitivityRecord* sensitivity) {
    return Host_writeReports(Lp_context(u), set, code, summary, sensitivity);
  };
  return h;
}

int Lp_engineSetup(void* record) {
  auto* problem = static_cast<EngineProblem*>(record);
  return Lp_engineSetupWith(problem, Lp_libraryHost(problem->owner));
}
