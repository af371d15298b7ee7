// The engines' table of host services bound to the library's services for
// the run of one context: each callback forwards to the export of the same
// service with the context as its `user`.
#include "contract/Host_Services.h"

#include "contract/Host_Eval.h"
#include "contract/Host_LocalSolver.h"
#include "contract/Host_Progress.h"
#include "contract/Host_Queries.h"
#include "values/Vm_Context.h"

namespace {

LibraryContext* contextOf(void* user) { return static_cast<LibraryContext*>(user); }

// The store and the record of one Jacobian request, handed through the
// host's Jacobian service as its user pointer.
struct JacobianCall {
  JacobianStore store;
  void* record;
};

int jacobianElement(LibraryContext* context, void* user, int row, int col, double value,
                    void* slot) {
  const auto* call = static_cast<const JacobianCall*>(user);
  return call->store(context, call->record, row, col, value, static_cast<double*>(slot));
}

// 1 done; -1 when an evaluation failed (the interpreter holds its error,
// already reported), which the engine reports as such; 0 otherwise.
int evalJacobian(void* user, JacobianStore store, void* record, const double* x, int flags) {
  if (!store) return 0;
  JacobianCall call{store, record};
  if (Host_evalJacobian(contextOf(user), &call, jacobianElement, nullptr, x, flags)) return 1;
  const EvalContext* model = Host_interpreterModel(contextOf(user));
  return model && model->errors.errorCount > 0 ? -1 : 0;
}

}  // namespace

HostServices Host_services(LibraryContext* context) {
  HostServices h;
  h.user = context;
  h.queryModel = [](void* u, int kind) { return Host_queryModel(contextOf(u), kind); };
  h.optionFlags = [](void* u, int engine) {
    return static_cast<unsigned>(Host_getEngineOptionFlags(contextOf(u), engine));
  };
  h.realOption = [](void* u, double* out, int kind) {
    return Host_getRealOption(contextOf(u), out, kind);
  };
  h.intOption = [](void* u, int kind) { return Host_getIntOption(contextOf(u), kind); };
  h.namedInt = [](void* u, const char* name, int fallback) {
    return Host_getNamedInt(contextOf(u), name, fallback);
  };
  h.bounds = [](void* u, double* lower, double* upper, double* rowLower, double* rowUpper) {
    return Host_getVariableBounds(contextOf(u), lower, upper, rowLower, rowUpper);
  };
  h.initialValues = [](void* u, double* x) { return Host_getInitialValues(contextOf(u), x); };
  h.evalProblem = [](void* u, double* rows, const double* x) {
    return Host_evalProblem(contextOf(u), rows, x);
  };
  h.evalOneChanged = [](void* u, double* rows, int j, double xj) {
    return Host_evalOneChanged(contextOf(u), rows, j, xj);
  };
  h.evalTwoChanged = [](void* u, double* rows, int j, double xj, int k, double xk) {
    return Host_evalTwoChanged(contextOf(u), rows, j, xj, k, xk);
  };
  h.extractLinear = [](void* u, void* record, CoefficientStore store, void* extra) {
    return Host_extractLinearTerms(contextOf(u), record, store, extra);
  };
  h.extractQuadratic = [](void* u, void* record, CoefficientStore store, void* extra) {
    return Host_extractQuadraticTerms(contextOf(u), record, store, extra);
  };
  h.objectiveGradient = [](void* u, double* value, double* gradient, const double* x) {
    return Host_evalObjectiveGradient(contextOf(u), value, gradient, x);
  };
  h.evalJacobian = evalJacobian;
  h.progress = [](void* u, int flags, int count, double value) {
    return Host_progressValue(contextOf(u), flags, count, value);
  };
  h.localProgress = [](void* u, int iteration, int count, double objective) {
    return Host_localProgress(contextOf(u), iteration, count, objective);
  };
  h.writeReports = [](void* u, int set, int code, const ReportSummary* summary,
                      const SensitivityRecord* sensitivity) {
    return Host_writeReports(contextOf(u), set, code, summary, sensitivity);
  };
  return h;
}
