// The interval global engine's host services: the analysed model of the run
// bound to the interpreter's interval and affine evaluation modes. Derivatives
// the interpreter takes over each function's own variables are spread over
// all the variables of the box.
#include "contract/Host_IntervalModel.h"

#include <algorithm>
#include <cstddef>
#include <vector>

#include "arithmetic/affine/Aff_Ops.h"
#include "base/Chk_Assert.h"
#include "contract/Host_Eval.h"
#include "entry/Interp_Exports.h"
#include "interpreter/Eval_Entries.h"
#include "interpreter/Eval_Interface.h"
#include "interpreter/Model_Structure.h"
#include "interpreter/Prog_Program.h"
#include "values/Aff_Payload.h"
#include "values/Model_Functions.h"
#include "values/Model_StructureInfo.h"
#include "values/Model_Variables.h"
#include "values/Vm_Context.h"
#include "values/Vm_Status.h"

// The interpreter's model as the search sees it: search function 0 is the
// objective, 1..m the other functions in table order.
struct HostIntervalModel {
  EvalContext* ctx = nullptr;
  Program* program = nullptr;
  std::vector<int> function;  // search number -> interpreter function
  int n = 0;
  AffineForm form{};  // the last affine evaluation's, reused between calls
  bool refusalShown = false;  // a function's refusal of intervals was named

  HostIntervalModel() = default;
  ~HostIntervalModel() { Aff_free(&form); }
  HostIntervalModel(const HostIntervalModel&) = delete;
  HostIntervalModel& operator=(const HostIntervalModel&) = delete;
};

namespace {

// The 0 on success, or the interpreter's first error. A function that
// gives no intervals at all ends the search: it is named with its cell.
int outcome(HostIntervalModel& im, bool ok) {
  if (!ok && im.ctx->errors.firstError == kStatusUnsupportedFunction && !im.refusalShown) {
    Interp_showFailure(im.ctx, "interval search");
    im.refusalShown = true;
  }
  return ok ? 0 : im.ctx->errors.firstError ? im.ctx->errors.firstError : 1;
}

// Function k's own variables when its derivatives come over them alone,
// else null (they come over all n).
const std::vector<int32_t>* compactVariables(const HostIntervalModel& im, int k) {
  if (im.ctx->flags.compactDerivatives != 1) return nullptr;
  return &im.ctx->tables.functions->array[static_cast<std::size_t>(im.function[k])]->variables;
}

// Zeroes slots 1..n before a compact derivative is spread over them: the
// evaluation writes only the function's own slots, and none for a function
// without variables.
void clearSlots(Interval* slots, int n) { std::fill(slots + 1, slots + n + 1, Interval{0.0, 0.0}); }

void setBox(HostIntervalModel& im, const Interval* box) {
  for (int j = 1; j <= im.n; ++j) Model_getVariable(im.ctx->tables.variables, j)->value = box[j];
}

bool isRow(int relation) {
  return relation == kRelEqual || (relation >= kRelLessEqual && relation <= kRelGreaterEqual2);
}

// The problem class of the model, from the functions' dependencies when the
// analysis recorded them.
int problemClass(const EvalTables& tables, int n) {
  std::vector<int32_t> dependencies;
  bool known = false;
  for (const ModelItem* item : tables.functions->array) {
    dependencies.push_back(static_cast<int32_t>(item->variables.size()));
    known = known || !item->variables.empty();
  }
  return static_cast<int>(Model_classifyProblem(tables.functions, known ? dependencies.data() : nullptr, n));
}

}  // namespace

HostIntervalModel* Host_bindIntervalModel(LibraryContext* context, HostIntervalShape* shape) {
  EvalContext* ctx = Host_interpreterModel(context);
  if (!ctx || !ctx->tables.program || !ctx->tables.functions || !ctx->tables.variables) return nullptr;
  auto* im = new HostIntervalModel;
  im->ctx = ctx;
  im->program = ctx->tables.program;
  ctx->flags.affineKeepsInterval = 1;
  // A function's own variables pruned to its nonlinear ones no longer span
  // its derivatives: they then come over all variables.
  if (ctx->tables.structure && ctx->tables.structure->nonlinearListBuilt) ctx->flags.compactDerivatives = 0;
  const std::vector<ModelItem*>& items = ctx->tables.functions->array;
  const int objective = Eval_objectiveIndex(ctx->tables.functions);
  im->function = {objective};
  shape->relation = {0};
  for (int i = 0; i < static_cast<int>(items.size()); ++i)
    if (i != objective && isRow(items[static_cast<std::size_t>(i)]->relation)) {
      im->function.push_back(i);
      shape->relation.push_back(items[static_cast<std::size_t>(i)]->relation);
    }
  im->n = shape->n = Model_variableCount(ctx->tables.variables);
  shape->m = static_cast<int>(im->function.size()) - 1;
  shape->problemClass = problemClass(ctx->tables, shape->n);
  return im;
}

void Host_freeIntervalModel(HostIntervalModel* model) { delete model; }

int Host_intervalPoint(HostIntervalModel* model, int k, const double* x, double* value) {
  Eval_setPoint(model->ctx->tables, x + 1);
  return outcome(*model, Eval_evalReal(model->program, model->function[k], true, value, true));
}

int Host_intervalBox(HostIntervalModel* model, int k, const Interval* box, Interval* value) {
  setBox(*model, box);
  return outcome(*model, Eval_evalInterval(model->program, model->function[k], true, value, true));
}

int Host_intervalGradient(HostIntervalModel* model, int k, const Interval* box, Interval* value, Interval* gradient) {
  setBox(*model, box);
  const std::vector<int32_t>* own = compactVariables(*model, k);
  if (own) clearSlots(gradient, model->n);
  int32_t curvature = 0;
  const bool ok =
      Eval_evalIvGrad(model->program, model->function[k], true, value, gradient, &curvature, false, true);
  if (ok && own) Model_scatterIvGradient(*own, model->n, gradient, true);
  return outcome(*model, ok);
}

int Host_intervalHessian(HostIntervalModel* model, int k, const Interval* box, Interval* value, Interval* gradient,
                         Interval* hessian) {
  setBox(*model, box);
  const int n = model->n;
  const std::vector<int32_t>* own = compactVariables(*model, k);
  std::vector<Interval*> rows(n + 1);
  for (int i = 0; i <= n; ++i) rows[i] = hessian + static_cast<std::size_t>(i) * (n + 1);
  if (own) {
    clearSlots(gradient, n);
    for (int i = 1; i <= n; ++i) clearSlots(rows[i], n);
  }
  const bool ok =
      Eval_evalIvHess(model->program, model->function[k], true, value, gradient, rows.data(), false, true);
  if (ok && own) {
    Model_scatterIvGradient(*own, n, gradient, true);
    Model_scatterIvHessian(*own, n, rows.data(), true);
  }
  return outcome(*model, ok);
}

// Its noise symbols are the variables' offsets from the box's midpoints.
int Host_intervalAffine(HostIntervalModel* model, int k, const Interval* box, double* centre, double* radius,
                        double* coef, int count, Interval* enclosure) {
  setBox(*model, box);
  AffineForm& form = model->form;
  if (!Eval_evalAffine(model->program, model->function[k], true, &form, true)) return outcome(*model, false);
  *centre = form.centre;
  *radius = form.radius;
  const std::vector<int32_t>* own = compactVariables(*model, k);
  if (own) std::fill(coef + 1, coef + count, 0.0);
  for (int i = 1; i <= form.n && i < count; ++i) coef[i] = form.coef[i];
  CORVAN_ASSERT(!own || count > model->n);
  if (own) Model_scatterGradient(*own, model->n, coef, true);
  *enclosure = Aff_toIvl(&form, true);
  return 0;
}

int Host_intervalPropagate(HostIntervalModel* model, int k, int relation, Interval* box, Interval* range) {
  setBox(*model, box);
  const ModelItem* item = model->ctx->tables.functions->array[static_cast<std::size_t>(model->function[k])];
  return outcome(*model, Eval_evalIvProp(model->program, model->function[k], relation, item->rhs, box, false, range));
}

void Host_setIntervalRowSide(HostIntervalModel* model, int k, double rhs) {
  model->ctx->tables.functions->array[static_cast<std::size_t>(model->function[k])]->rhs = rhs;
}

std::vector<std::string> Host_intervalVariableAddresses(LibraryContext* context) {
  const EvalContext* ctx = Host_interpreterModel(context);
  std::vector<std::string> out(1);
  if (!ctx || !ctx->tables.variables) return out;
  for (const RangeRef& r : ctx->tables.variables->ranges)
    for (int row = r.firstRow; row <= r.lastRow; ++row)
      for (int column = r.firstColumn; column <= r.lastColumn; ++column)
        out.push_back("R" + std::to_string(row) + "C" + std::to_string(column));
  return out;
}
