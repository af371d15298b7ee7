// The interpreter's evaluation interface as the library exports it: each
// request reaches the model loaded for this Solve call, adds what only the
// session knows (the variables and rows the front end counts, the elastic
// variables of feasibility mode, the precision option, whether the
// objective is maximised) and reports a failing evaluation's error and cell.
#include "base/Dbl_Text.h"
#include "entry/Interp_Exports.h"

#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "contract/Eng_Engine.h"
#include "contract/Host_Progress.h"
#include "contract/Host_Queries.h"
#include "entry/Entry_Context.h"
#include "entry/Msg_Status.h"
#include "entry/Sess_Evaluation.h"
#include "interpreter/Eval_Interface.h"
#include "interpreter/Eval_Queries.h"
#include "interpreter/Fn_Names.h"
#include "interpreter/Model_Progress.h"
#include "interpreter/Prog_Program.h"
#include "interpreter/Vm_Machine.h"
#include "platform/os/Os.h"
#include "values/Model_Variables.h"
#include "values/Text_Convert.h"
#include "values/Vm_Context.h"
#include "values/Vm_Status.h"

namespace {

// The loaded interpreter model of this call, or null.
EvalContext* loadedModel(LibraryContext* context) {
  EvalContext* ctx = context ? context->evalContext : nullptr;
  return ctx && ctx->tables.program && ctx->tables.functions && ctx->tables.variables ? ctx : nullptr;
}

void showStatus(LibraryContext*, int show, const char* text) { Interp_showStatus(0, show, text); }

// A query of the progress callback that counts nothing and shows nothing.
int stopCode(LibraryContext* context) { return Host_progressCallback(context, 0, 0, 0, 0); }

// The worksheet functions a compiled cell calls, as typed ("NORMDIST,
// STDEV.S"), or an empty text.
std::string functionsOf(const EvalTables& tables, const CellRef& at) {
  const Symbol* cell = tables.codeStore ? Prog_findCell(tables.codeStore, at) : nullptr;
  std::set<std::string> names;
  for (const Symbol* s : cell ? cell->precedents : std::vector<Symbol*>{})
    if (s->space == kSpaceFunction) {
      names.insert(Fn_typedName(Text_toUtf8(s->definition.empty() ? s->name : s->definition)));
    }
  std::string list;
  for (const std::string& n : names) list += (list.empty() ? "" : ", ") + n;
  return list;
}

// What a failed evaluation was asked for: the interpreter's entry, which
// the status bar names, and the words the failure is shown under.
struct EvalRequest {
  const char* entry;
  const char* shown;
};
constexpr EvalRequest kValues{"evalReal", EvalValuesCaption};
constexpr EvalRequest kDerivatives{"evalRealDeriv", EvalDerivativesCaption};

// A failed evaluation of function i: a line on the status bar, its error
// and cell to the front end, and the failure shown.
int evaluationFailed(LibraryContext* context, int i, const EvalRequest& what) {
  char text[64];
  std::snprintf(text, sizeof text, "F(%d): %s failed", i, what.entry);
  Msg_showStatus(1, text);
  Interp_reportError(context);
  if (const EvalContext* ctx = loadedModel(context)) Interp_showFailure(ctx, what.shown);
  return 0;
}

// The first function added by the interpreter: the rows the front end
// counts, without the objective row.
int firstAddedFunction(LibraryContext* context) {
  return context->rowCount - (Host_queryModel(context, QueryObjectiveRow) ? 1 : 0);
}

// Feasibility mode: each elastic variable's entry in its row, +1 or -1 by
// the sign of its row number.
template <typename Call>
bool forEachElastic(LibraryContext* context, Call call) {
  if (!context->feasibilityMode) return true;
  const int n = Sess_modelVariables(context);
  for (int s = 0; s < context->elasticCount; ++s) {
    const int row = context->elasticRowIds[s];
    if (!call(std::abs(row) - 1, n + s, row > 0 ? 1.0 : -1.0)) return false;
  }
  return true;
}

// A Jacobian request's flag asking for the objective's gradient negated
// when the model is maximised.
constexpr int kJacNegateMaximised = 0x400;

// The Jacobian check: a store callback that answers 0 means the workbook's
// derivative differs; each difference is shown, and the eleventh ends it.
struct JacobianCheck {
  EvalValueCallback callback;
  void* user;
  void* extra;
  int differences;
};

int checkedStore(LibraryContext* context, void* user, int i, int j, double value, void*) {
  auto* check = static_cast<JacobianCheck*>(user);
  double workbook = 0.0;
  if (check->callback(context, check->user, i, j, value, check->extra ? check->extra : &workbook)) return 1;
  if (check->extra) workbook = *static_cast<double*>(check->extra);
  const std::string text = "J[" + std::to_string(i + 1) + "," + std::to_string(j + 1) +
                           "]: Interp = " + Dbl_fixedText(value) + "  Excel = " + Dbl_fixedText(workbook);
  Os_messageBox(text.c_str(), "Interpret_Jacobian", 0);
  return ++check->differences > 10 ? 0 : 1;
}

// The dependency walk's visitor: the engine's callback with the session's
// arguments.
struct DependencyWalk {
  LibraryContext* context;
  void* user;
  EvalDependencyCallback callback;
  void* user2;
};

bool visitDependency(void* walk, int32_t i, int32_t j, int32_t flag) {
  auto* w = static_cast<DependencyWalk*>(walk);
  return w->callback(w->context, w->user, i, j, flag, w->user2) != 0;
}

}  // namespace

void Interp_showFailure(const EvalContext* ctx, const char* what) {
  const CellRef at = ctx->errors.errorCell;
  if (at.sheet == 0 || at.row == 0 || at.column == 0) return;
  const char16_t* status = Vm_statusText(ctx->errors.firstError);
  const std::string functions = functionsOf(ctx->tables, at);
  const std::string line = "status " + std::to_string(ctx->errors.firstError) + ": " +
                           (status ? Text_toUtf8(status) : std::string()) + " at " + Interp_cellText(ctx->host, at) +
                           (functions.empty() ? "" : " (" + functions + ")");
  Os_messageBox(line.c_str(), what, 0);
}

void Interp_registerProgressHost() {
  const ModelProgressHost host{showStatus, stopCode, Os_tickCount};
  Model_setProgressHost(&host);
}

int Interp_showStatus(std::intptr_t, int show, const char* text) {
  char line[128];
  std::snprintf(line, sizeof line, "%s", show && text ? text : "");
  Msg_showStatus(show ? 1 : 0, line);
  return 1;
}

int Interp_queryModel(LibraryContext* context, int what) {
  EvalContext* ctx = loadedModel(context);
  return ctx ? Eval_query(ctx->flags, ctx->tables, what) : 0;
}

int Interp_evalAll(LibraryContext* context, double* f, const double* x) {
  EvalContext* ctx = loadedModel(context);
  if (!ctx || !f || !x) return 0;
  Eval_setPoint(ctx->tables, x);
  const int failed = Eval_valuesNow(ctx->tables, f);
  if (failed >= 0) {
    context->plainProgram = nullptr;
    return evaluationFailed(context, failed, kValues);
  }
  context->plainProgram = ctx->tables.program;
  context->plainRuns = ctx->tables.program->runs;
  context->plainPoint.assign(x, x + Model_variableCount(ctx->tables.variables));
  return 1;
}

int Interp_evalWithCutoff(LibraryContext* context, double* f, const double* x, double bound, const int* order) {
  EvalContext* ctx = loadedModel(context);
  if (!ctx || !f || !x) return 0;
  double tol = 1e-6;
  Host_getRealOption(context, &tol, RealPrecision);
  const int result = Eval_valuesWithCutoff(ctx->tables, f, x, bound, order, tol);
  return result >= 0 ? result : evaluationFailed(context, -1 - result, kValues);
}

// Sets the variable (an elastic one in the session) and evaluates every function.
int Interp_evalPerturbPair(LibraryContext* context, double* f, int j, double xj, int k, double xk) {
  EvalContext* ctx = loadedModel(context);
  if (!ctx || !f) return 0;
  for (const auto& [index, value] : {std::pair{j, xj}, std::pair{k, xk}}) {
    const int s = index - Sess_modelVariables(context);
    if (s >= 0 && s < context->elasticCount) context->elasticValues[s] = value;
    else if (!Eval_setVariable(ctx->tables, index, value)) return 0;
  }
  const int failed = Eval_valuesNow(ctx->tables, f);
  return failed < 0 ? 1 : evaluationFailed(context, failed, kValues);
}

int Interp_evalPerturbOne(LibraryContext* context, double* f, int j, double xj) {
  return Interp_evalPerturbPair(context, f, j, xj, j, xj);
}

int Interp_getBounds(LibraryContext* context, double* lower, double* upper, double* rowLower, double* rowUpper,
                     double minusInfinity, double plusInfinity) {
  EvalContext* ctx = loadedModel(context);
  if (!ctx) return 0;
  Eval_addedBounds(ctx->tables, Sess_modelVariables(context), firstAddedFunction(context), lower, upper, rowLower,
                   rowUpper, minusInfinity, plusInfinity);
  return 1;
}

int Interp_getCurvatureClasses(LibraryContext* context, int* classes) {
  EvalContext* ctx = loadedModel(context);
  return ctx && classes && Eval_curvatureClasses(ctx->tables, classes) ? 1 : 0;
}

int Interp_getVariableTypes(LibraryContext* context, int* types) {
  EvalContext* ctx = loadedModel(context);
  if (!ctx) return 0;
  Eval_addedTypes(ctx->tables, Sess_modelVariables(context), types);
  return 1;
}

int Interp_getInitialValues(LibraryContext* context, double* x) {
  EvalContext* ctx = loadedModel(context);
  if (!ctx) return 0;
  Eval_addedValues(ctx->tables, Sess_modelVariables(context), x);
  return 1;
}

int Interp_evalObjective(LibraryContext* context, double* value, double* gradient, const double* x) {
  EvalContext* ctx = loadedModel(context);
  if (!ctx || !value || !x) return 0;
  if (Eval_objectiveAt(ctx->flags, ctx->tables, value, gradient, x)) return 1;
  return evaluationFailed(context, Eval_objectiveIndex(ctx->tables.functions), gradient ? kDerivatives : kValues);
}

int Interp_enumDependencies(LibraryContext* context, void* user, EvalDependencyCallback callback, void* user2,
                            int flags) {
  EvalContext* ctx = loadedModel(context);
  if (!ctx || !callback || !Eval_diagnosed(ctx->tables)) return 0;
  DependencyWalk walk{context, user, callback, user2};
  if (!Eval_forEachDependency(ctx->tables, flags, visitDependency, &walk)) return StatusHostFailure;
  const bool elastic = forEachElastic(
      context, [&](int row, int column, double) { return callback(context, user, row, column, 1, user2) != 0; });
  return elastic ? 1 : StatusHostFailure;
}

int Interp_evalJacobian(LibraryContext* context, void* user, EvalValueCallback callback, void* extra, const double* x,
                        int flags) {
  EvalContext* ctx = loadedModel(context);
  if (!ctx) return 0;
  // Without a callback the request only builds the sparsity lists.
  if (!callback) return Eval_gradientsAt(ctx, nullptr, nullptr, nullptr, x, flags);
  if (!x) return 0;
  // The objective's gradient keeps the sign of the objective's value that
  // the evaluations hand over; an engine that maximises negates both itself.
  flags &= ~kJacNegateMaximised;
  JacobianCheck check{callback, user, extra, 0};
  if (!Eval_gradientsAt(ctx, &check, checkedStore, nullptr, x, flags)) {
    if (ctx->errors.errorCount > 0) evaluationFailed(context, ctx->position.currentFunction, kDerivatives);
    return 0;
  }
  const bool elastic = forEachElastic(context, [&](int row, int column, double sign) {
    return callback(context, user, row, column, sign, extra) != 0;
  });
  return elastic ? 1 : 0;
}

int Interp_hessian(LibraryContext* context, void* user, EvalValueCallback callback, void* extra, const double* x,
                   int function, int flags) {
  EvalContext* ctx = loadedModel(context);
  if (!ctx || !callback || !x) return 0;
  if (!Eval_hessianAt(ctx, user, callback, extra, x, function, flags)) return 0;
  if (!(flags & kHessGradient)) return 1;
  const bool elastic = forEachElastic(context, [&](int row, int column, double sign) {
    return row != function || callback(context, user, -1, column, sign, extra) != 0;
  });
  return elastic ? 1 : 0;
}

// The linear coefficients: every gradient at the zero point, the objective
// included. The zero point covers the elastic variables too.
int Interp_jacobian(LibraryContext* context, void* user, EvalValueCallback callback, void* extra) {
  EvalContext* ctx = loadedModel(context);
  if (!ctx) return 0;
  const size_t n = static_cast<size_t>(Model_variableCount(ctx->tables.variables) + context->elasticCount);
  const std::vector<double> zero(n, 0.0);
  return Interp_evalJacobian(context, user, callback, extra, zero.data(), kJacIncludeObjective);
}

// The objective's quadratic terms Q = H/2, its linear term and constant at
// the zero point.
int Interp_objectiveHessian(LibraryContext* context, void* user, EvalValueCallback callback, void* extra) {
  EvalContext* ctx = loadedModel(context);
  const int32_t objective = ctx ? Eval_objectiveIndex(ctx->tables.functions) : -1;
  if (objective < 0) return 0;
  const size_t n = static_cast<size_t>(Model_variableCount(ctx->tables.variables) + context->elasticCount);
  const std::vector<double> zero(n, 0.0);
  return Interp_hessian(context, user, callback, extra, zero.data(), objective, kHessQuadraticTerms);
}
