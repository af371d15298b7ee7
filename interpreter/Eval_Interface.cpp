// The evaluation interface over a loaded model: points into the variables,
// function values, the objective's gradient, gradients and Hessians entry by
// entry. Gradients use the reverse tape when memory allows and the function
// records one, else forward differentiation; Hessians the tape replay or the
// forward mode likewise.
#include "interpreter/Eval_Interface.h"

#include <algorithm>
#include <vector>

#include "interpreter/Eval_Entries.h"
#include "interpreter/Eval_Queries.h"
#include "interpreter/Model_Structure.h"
#include "interpreter/Vm_Machine.h"
#include "values/DegVec_Payload.h"
#include "values/Model_StructureInfo.h"
#include "values/Model_Variables.h"
#include "values/Vm_Context.h"

namespace {

bool isObjective(const ModelItem* item) { return item->relation == kRelMinimise || item->relation == kRelMaximise; }

int32_t functionCount(const EvalTables& tables) { return static_cast<int32_t>(tables.functions->array.size()); }

// The variable number (1-based) of derivative slot k (1-based) of item.
int32_t variableOfSlot(const EvalFlags& flags, const ModelItem* item, int32_t k) {
  return flags.compactDerivatives == 1 ? item->variables[static_cast<size_t>(k) - 1] : k;
}

int32_t derivativeCount(const EvalFlags& flags, const EvalTables& tables, const ModelItem* item) {
  return flags.compactDerivatives == 1 ? static_cast<int32_t>(item->variables.size())
                                       : Model_variableCount(tables.variables);
}

// Value and gradient (1-based slots) of function i by the cheapest mode.
bool gradientOf(const EvalFlags& flags, const EvalTables& tables, int32_t i, bool reset, double* value,
                std::vector<double>* gradient) {
  const ModelItem* item = tables.functions->array[static_cast<size_t>(i)];
  gradient->assign(static_cast<size_t>(derivativeCount(flags, tables, item)) + 1, 0.0);
  if (flags.reverseAllowed == 1 && item->usesTape)
    return Eval_evalRevGrad(tables.program, i, reset, value, gradient->data(), false, false);
  return Eval_evalRealDeriv(tables.program, i, reset, value, gradient->data(), false, false);
}

// Whether variable j (0-based) takes part in a nonlinear-only Hessian of
// function i: with compact derivatives the pruned list already says so,
// else its diagnosed class must be above linear.
bool nonlinearIn(const EvalFlags& flags, const EvalTables& tables, int32_t i, int32_t j) {
  return flags.compactDerivatives == 1 || !Eval_diagnosed(tables) || Eval_dependencyClass(tables, i, j) > kDegLinear;
}

}  // namespace

bool Eval_buildSparsityList(const EvalTables& tables, bool nonlinear) {
  if (!Eval_diagnosed(tables)) return false;
  StructureInfo* s = tables.structure;
  int32_t& built = nonlinear ? s->nonlinearListBuilt : s->fullListBuilt;
  if (built) return true;
  const int32_t m = std::min(functionCount(tables), s->functionCount);
  for (int32_t i = 0; i < m; ++i) {
    std::vector<int32_t>& deps = tables.functions->array[static_cast<size_t>(i)]->variables;
    std::vector<uint8_t> classes(deps.size());
    for (size_t k = 0; k < deps.size(); ++k)
      classes[k] = static_cast<uint8_t>(Eval_dependencyClass(tables, i, deps[k] - 1));
    if (nonlinear) Model_pruneToNonlinear(&deps, &classes);
    else Model_pruneToDependent(&deps, &classes);
  }
  built = 1;
  return true;
}

int32_t Eval_objectiveIndex(const FunctionTable* functions) {
  for (int32_t i = static_cast<int32_t>(functions->array.size()) - 1; i >= 0; --i)
    if (isObjective(functions->array[static_cast<size_t>(i)])) return i;
  return -1;
}

void Eval_setPoint(const EvalTables& tables, const double* x) {
  const int32_t n = Model_variableCount(tables.variables);
  for (int32_t j = 1; j <= n; ++j) Model_getVariable(tables.variables, j)->value = Interval{x[j - 1], x[j - 1]};
}

int Eval_valuesAt(const EvalTables& tables, double* f, const double* x) {
  Eval_setPoint(tables, x);
  return Eval_valuesNow(tables, f) < 0 ? 1 : 0;
}

int Eval_objectiveAt(const EvalFlags& flags, const EvalTables& tables, double* value, double* gradient,
                     const double* x) {
  const int32_t i = Eval_objectiveIndex(tables.functions);
  if (i < 0) return 0;
  Eval_setPoint(tables, x);
  if (!gradient) return Eval_evalReal(tables.program, i, true, value, false) ? 1 : 0;
  const int32_t n = Model_variableCount(tables.variables);
  std::fill(gradient, gradient + n, 0.0);
  std::vector<double> g;
  if (!gradientOf(flags, tables, i, true, value, &g)) return 0;
  std::copy(g.begin() + 1, g.end(), gradient);
  if (flags.compactDerivatives == 1)
    Model_scatterGradient(tables.functions->array[static_cast<size_t>(i)]->variables, n, gradient, false);
  return 1;
}

int Eval_gradientsAt(EvalContext* ctx, void* user, EvalValueCallback callback, void* extra, const double* x,
                     int flags) {
  const StructureInfo* s = ctx->tables.structure;
  const bool diagnosed = Eval_diagnosed(ctx->tables);
  if (((flags & (kJacLinearEntries | kJacNonlinear)) && !diagnosed) ||
      ((flags & kJacLinearFunctions) && !(s && s->functionClasses)) ||
      ((flags & kJacLinearVariables) && !(s && s->variableClasses)))
    return 0;
  const bool build = flags & (kJacBuildLists | kJacNonlinear);
  if (build && !Eval_buildSparsityList(ctx->tables, flags & kJacNonlinear) && !callback) return 0;
  if (!callback) return build ? 1 : 0;
  // The class filters stop once the gradients span only the nonlinear list.
  const bool classes = diagnosed && !(ctx->flags.compactDerivatives == 1 && s->nonlinearListBuilt);
  Eval_setPoint(ctx->tables, x);
  const int32_t m = functionCount(ctx->tables), objective = Eval_objectiveIndex(ctx->tables.functions);
  bool first = true;
  for (int32_t i = 0; i < m; ++i) {
    const bool isObj = i == objective;
    if ((flags & kJacObjectiveOnly) ? !isObj : (isObj && !(flags & kJacIncludeObjective))) continue;
    const int32_t functionClass = s && s->functionClasses && i < s->functionCount ? s->functionClasses[i] : 0;
    if ((flags & kJacLinearFunctions) && functionClass != kDegLinear) continue;
    if ((flags & kJacNonlinear) && classes && functionClass < kDegQuadratic) continue;
    const ModelItem* item = ctx->tables.functions->array[static_cast<size_t>(i)];
    if (derivativeCount(ctx->flags, ctx->tables, item) == 0) continue;
    double value = 0.0;
    std::vector<double> g;
    if (!gradientOf(ctx->flags, ctx->tables, i, first || ctx->flags.compactDerivatives == 1, &value, &g)) return 0;
    first = false;
    for (int32_t k = 1; k < static_cast<int32_t>(g.size()); ++k) {
      const int32_t j = variableOfSlot(ctx->flags, item, k) - 1;
      if ((flags & kJacLinearVariables) && s->variableClasses[j] != kDegLinear) continue;
      const int32_t c = classes ? Eval_dependencyClass(ctx->tables, i, j) : 0;
      if (classes && (flags & kJacLinearEntries) && c != kDegLinear) continue;
      if (classes && (flags & kJacNonlinear) && c != kDegQuadratic && c != kDegSmooth) continue;
      if (!callback(ctx->host.library, user, i, j, g[k], extra)) return 0;
    }
  }
  return 1;
}

int Eval_hessianAt(EvalContext* ctx, void* user, EvalValueCallback callback, void* extra, const double* x,
                   int32_t i, int flags) {
  if (i < 0 || i >= functionCount(ctx->tables)) return 0;
  const ModelItem* item = ctx->tables.functions->array[static_cast<size_t>(i)];
  const bool replay = ctx->flags.replayAllowed == 1 && item->usesTape;
  if (ctx->flags.forwardHessAllowed != 1 && !replay) return 0;
  const bool nonlinearOnly = flags & kHessNonlinearOnly;
  if (nonlinearOnly && ctx->flags.compactDerivatives == 1) Eval_buildSparsityList(ctx->tables, true);
  const int32_t nv = derivativeCount(ctx->flags, ctx->tables, item);
  const size_t size = static_cast<size_t>(nv) + 1;
  std::vector<double> gradient(size, 0.0), cells(size * size, 0.0);
  std::vector<double*> rows(size);
  for (size_t r = 0; r < size; ++r) rows[r] = &cells[r * size];
  Eval_setPoint(ctx->tables, x);
  double value = 0.0;
  const bool ok =
      replay ? Eval_evalHessTape(ctx->tables.program, i, true, &value, gradient.data(), rows.data(), false, false)
             : Eval_evalHess(ctx->tables.program, i, true, &value, gradient.data(), rows.data(), false, false);
  if (!ok) return 0;
  const bool halve = (flags & kHessHalve) && !(flags & kHessDouble);
  const bool twice = (flags & kHessDouble) && !(flags & kHessHalve);
  const double scale = halve ? 0.5 : twice ? 2.0 : 1.0;
  const auto skipped = [&](int32_t j) { return nonlinearOnly && !nonlinearIn(ctx->flags, ctx->tables, i, j); };
  for (int32_t j = 1; j <= nv; ++j)
    for (int32_t k = 1; k <= nv; ++k) {
      if (((flags & kHessUpper) && k < j) || ((flags & kHessLower) && k > j)) continue;
      const int32_t vj = variableOfSlot(ctx->flags, item, j) - 1, vk = variableOfSlot(ctx->flags, item, k) - 1;
      if (skipped(vj) || skipped(vk)) continue;
      if (!callback(ctx->host.library, user, vj, vk, scale * rows[j][k], extra)) return 0;
    }
  if (flags & kHessGradient)
    for (int32_t k = 1; k <= nv; ++k) {
      const int32_t vk = variableOfSlot(ctx->flags, item, k) - 1;
      if (!skipped(vk) && !callback(ctx->host.library, user, -1, vk, gradient[k], extra)) return 0;
    }
  if ((flags & kHessValue) && value != 0.0 && !callback(ctx->host.library, user, -1, -1, value, extra)) return 0;
  return 1;
}
