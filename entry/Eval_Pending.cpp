// The interpreter's steps of a Solve call and its evaluation interface.
// Loading and diagnosis still answer the way a missing component fails; the
// evaluations forward to the interpreter's model when one is loaded.
#include "entry/Eval_Pending.h"

#include <vector>

#include "contract/Eng_Engine.h"
#include "contract/Host_Progress.h"
#include "entry/Entry_Context.h"
#include "entry/Msg_Status.h"
#include "interpreter/Eval_Interface.h"
#include "interpreter/Model_Progress.h"
#include "platform/os/Os.h"
#include "values/Model_Variables.h"
#include "values/Vm_Context.h"

namespace {

// The loaded interpreter model of this call, or null.
EvalContext* loadedModel(LibraryContext* context) {
  EvalContext* ctx = context ? context->evalContext : nullptr;
  return ctx && ctx->program && ctx->functions && ctx->variables ? ctx : nullptr;
}

void showStatus(LibraryContext*, int show, const char* text) { Msg_showStatus(show, text); }

// A query of the progress callback that counts nothing and shows nothing.
int stopCode(LibraryContext* context) { return Host_progressCallback(context, 0, 0, 0, 0); }

}  // namespace

void Eval_registerProgressHost() {
  const ModelProgressHost host{showStatus, stopCode, Os_tickCount};
  Model_setProgressHost(&host);
}

int Eval_loadModel(LibraryContext*, std::intptr_t, int, int, int, int, int, int) {
  return StatusHostFailure;
}
int Eval_diagnoseModel(LibraryContext*, std::intptr_t, int, int, int) { return StatusHostFailure; }
int Eval_freeModel(LibraryContext*) { return 0; }
int Eval_queryModel(LibraryContext*, int) { return 0; }
int Eval_evalAll(LibraryContext* context, double* f, const double* x) {
  EvalContext* ctx = loadedModel(context);
  return ctx ? Eval_valuesAt(ctx, f, x) : 0;
}
int Eval_evalWithCutoff(LibraryContext*, double*, const double*, double, const int*) { return 0; }
int Eval_evalPerturbPair(LibraryContext*, double*, int, double, int, double) { return 0; }
int Eval_evalPerturbOne(LibraryContext*, double*, int, double) { return 0; }
int Eval_getBounds(LibraryContext*, double*, double*, double*, double*, double, double) { return 0; }
int Eval_getCurvatureClasses(LibraryContext*, int*) { return 0; }
int Eval_getVariableTypes(LibraryContext*, int*) { return 0; }
int Eval_getInitialValues(LibraryContext*, double*) { return 0; }
int Eval_evalObjective(LibraryContext* context, double* value, double* gradient, const double* x) {
  EvalContext* ctx = loadedModel(context);
  return ctx ? Eval_objectiveAt(ctx, value, gradient, x) : 0;
}
int Eval_enumDependencies(LibraryContext*, void*, EvalDependencyCallback, void*, int) { return 0; }
int Interpret_Jacobian(LibraryContext* context, void* user, EvalValueCallback callback, void* extra,
                       const double* x, int flags) {
  EvalContext* ctx = loadedModel(context);
  return ctx && callback && x ? Eval_gradientsAt(ctx, user, callback, extra, x, flags) : 0;
}
int Eval_hessian(LibraryContext* context, void* user, EvalValueCallback callback, void* extra,
                 const double* x, int function, int flags) {
  EvalContext* ctx = loadedModel(context);
  return ctx && callback ? Eval_hessianAt(ctx, user, callback, extra, x, function, flags) : 0;
}
int Eval_jacobian(LibraryContext* context, void* user, EvalValueCallback callback, void* extra) {
  EvalContext* ctx = loadedModel(context);
  if (!ctx) return 0;
  const std::vector<double> zero(static_cast<size_t>(Model_variableCount(ctx->variables)), 0.0);
  return Interpret_Jacobian(context, user, callback, extra, zero.data(), kJacIncludeObjective);
}
int Eval_objectiveHessian(LibraryContext* context, void* user, EvalValueCallback callback, void* extra) {
  EvalContext* ctx = loadedModel(context);
  const int32_t objective = ctx ? Eval_objectiveIndex(ctx->functions) : -1;
  if (objective < 0) return 0;
  const std::vector<double> zero(static_cast<size_t>(Model_variableCount(ctx->variables)), 0.0);
  return Eval_hessian(context, user, callback, extra, zero.data(), objective, kHessQuadraticTerms);
}
