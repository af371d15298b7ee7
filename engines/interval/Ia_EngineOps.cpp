// The interval global engine's operations as the library exports them
// (`setup`, `solve`, `finish`): the engine served by the library's host
// services for the run of the problem's owner context, with its model bound
// to the interpreter's interval and affine evaluation modes.
#include "contract/Eng_Builtins.h"
#include "contract/Eng_Setup.h"
#include "contract/Host_Eval.h"
#include "contract/Host_LocalSolver.h"
#include "contract/Host_Services.h"
#include "engines/interval/Ia_Engine.h"
#include "engines/interval/Ia_Status.h"
#include "interpreter/Eval_Entries.h"
#include "interpreter/Eval_Interface.h"
#include "interpreter/Model_Structure.h"
#include "interpreter/Prog_Program.h"
#include "platform/os/Os.h"
#include "arithmetic/affine/Aff_Ops.h"
#include "values/Aff_Payload.h"
#include "values/Model_Functions.h"
#include "values/Model_Variables.h"
#include "values/Vm_Context.h"

namespace {

constexpr std::uint32_t kIaLocalFlags = 0x30, kIaLocalScaling = 0x1000;
constexpr double kIaLocalPrecision = 1e-8, kIaLocalConvergence = 1e-5;

// The interpreter's model as the search sees it: search function 0 is the
// objective, 1..m the other functions in table order.
struct IaInterpreterModel {
  EvalContext* ctx = nullptr;
  Program* program = nullptr;
  std::vector<int> function;  // search number -> interpreter function
  IaModel model;
  AffineForm form{};  // the last affine evaluation's, reused between calls

  IaInterpreterModel() = default;
  ~IaInterpreterModel() { Aff_free(&form); }
  IaInterpreterModel(const IaInterpreterModel&) = delete;
  IaInterpreterModel& operator=(const IaInterpreterModel&) = delete;
};

// The engine's private record: the engine's run and its model.
struct IaRecord {
  IaInterpreterModel interpreter;
  IaEngine engine;
};

IaInterpreterModel& Ia_interp(void* u) { return *static_cast<IaInterpreterModel*>(u); }

// The 0 on success, or the interpreter's first error.
int Ia_outcome(const IaInterpreterModel& im, bool ok) {
  return ok ? 0 : im.ctx->errors.firstError ? im.ctx->errors.firstError : 1;
}

void Ia_setBox(IaInterpreterModel& im, const Interval* box) {
  for (int j = 1; j <= im.model.n; ++j) Model_getVariable(im.ctx->tables.variables, j)->value = box[j];
}

int Ia_interpPoint(void* u, int k, const double* x, double* value) {
  IaInterpreterModel& im = Ia_interp(u);
  Eval_setPoint(im.ctx, x + 1);
  return Ia_outcome(im, Eval_evalReal(im.program, im.function[k], true, value, true));
}

int Ia_interpBox(void* u, int k, const Interval* box, Interval* value) {
  IaInterpreterModel& im = Ia_interp(u);
  Ia_setBox(im, box);
  return Ia_outcome(im, Eval_evalInterval(im.program, im.function[k], true, value, true));
}

int Ia_interpGradient(void* u, int k, const Interval* box, Interval* value, Interval* gradient) {
  IaInterpreterModel& im = Ia_interp(u);
  Ia_setBox(im, box);
  int32_t curvature = 0;
  return Ia_outcome(im, Eval_evalIvGrad(im.program, im.function[k], true, value, gradient, &curvature, false, true));
}

int Ia_interpHessian(void* u, int k, const Interval* box, Interval* value, Interval* gradient, Interval* hessian) {
  IaInterpreterModel& im = Ia_interp(u);
  Ia_setBox(im, box);
  const int n = im.model.n;
  std::vector<Interval*> rows(n + 1);
  for (int i = 0; i <= n; ++i) rows[i] = hessian + static_cast<std::size_t>(i) * (n + 1);
  return Ia_outcome(im, Eval_evalIvHess(im.program, im.function[k], true, value, gradient, rows.data(), false, true));
}

// The interpreter's affine form over the box. Its noise symbols are the
// variables' offsets from the box's midpoints, as the search's are; its
// enclosure is its range cut to the interval value computed alongside.
int Ia_interpAffine(void* u, int k, const Interval* box, IaAffineForm* form) {
  IaInterpreterModel& im = Ia_interp(u);
  Ia_setBox(im, box);
  if (!Eval_evalAffine(im.program, im.function[k], true, &im.form, true)) return Ia_outcome(im, false);
  form->centre = im.form.centre;
  form->radius = im.form.radius;
  for (int i = 1; i <= im.form.n && i < static_cast<int>(form->coef.size()); ++i) form->coef[i] = im.form.coef[i];
  form->enclosure = Aff_toIvl(&im.form, true);
  return 0;
}

int Ia_interpPropagate(void* u, int k, int relation, Interval* box, Interval* range) {
  IaInterpreterModel& im = Ia_interp(u);
  Ia_setBox(im, box);
  const ModelItem* item = im.ctx->tables.functions->array[static_cast<std::size_t>(im.function[k])];
  return Ia_outcome(im, Eval_evalIvProp(im.program, im.function[k], relation, item->rhs, box, false, range));
}

bool Ia_isRow(int relation) {
  return relation == kRelEqual || (relation >= kRelLessEqual && relation <= kRelGreaterEqual2);
}

// Binds the loaded model; its rows' right-hand sides become their finite
// bound sides. False when no model is loaded.
bool Ia_bindInterpreter(IaInterpreterModel& im, EvalContext* ctx) {
  if (!ctx || !ctx->tables.program || !ctx->tables.functions || !ctx->tables.variables) return false;
  im.ctx = ctx;
  im.program = ctx->tables.program;
  ctx->flags.compactDerivatives = 0;
  ctx->flags.affineKeepsInterval = 1;
  const std::vector<ModelItem*>& items = ctx->tables.functions->array;
  const int objective = Eval_objectiveIndex(ctx->tables.functions);
  im.function = {objective};
  im.model.relation = {0};
  for (int i = 0; i < static_cast<int>(items.size()); ++i)
    if (i != objective && Ia_isRow(items[static_cast<std::size_t>(i)]->relation)) {
      im.function.push_back(i);
      im.model.relation.push_back(items[static_cast<std::size_t>(i)]->relation);
    }
  im.model.user = &im;
  im.model.n = Model_variableCount(ctx->tables.variables);
  im.model.m = static_cast<int>(im.function.size()) - 1;
  // The functions' dependencies count only when the analysis recorded them.
  std::vector<int32_t> dependencies;
  bool known = false;
  for (const ModelItem* item : items) {
    dependencies.push_back(static_cast<int32_t>(item->variables.size()));
    known = known || !item->variables.empty();
  }
  im.model.problemClass =
      static_cast<int>(Model_classifyProblem(ctx->tables.functions, known ? dependencies.data() : nullptr, im.model.n));
  im.model.point = Ia_interpPoint;
  im.model.box = Ia_interpBox;
  im.model.boxGradient = Ia_interpGradient;
  im.model.boxHessian = Ia_interpHessian;
  im.model.affine = Ia_interpAffine;
  im.model.propagate = Ia_interpPropagate;
  return true;
}

// Each row's right-hand side becomes its finite side: the lower bound when
// there is one, else the upper.
void Ia_setRowSides(IaInterpreterModel& im, const IaEngine& e) {
  for (int k = 1; k <= im.model.m && k <= e.m; ++k) {
    ModelItem* item = im.ctx->tables.functions->array[static_cast<std::size_t>(im.function[k])];
    if (e.rowLower[k] > -1e30) item->rhs = e.rowLower[k];
    else if (e.rowUpper[k] < 1e30) item->rhs = e.rowUpper[k];
  }
}

int Ia_localRun(void* user, double* x, const double* lower, const double* upper, bool scaling) {
  double objective = 0;
  return Host_runLocalSolver(static_cast<LibraryContext*>(user), 0, 0, 0,
                             kIaLocalFlags | (scaling ? kIaLocalScaling : 0), kIaLocalPrecision, kIaLocalConvergence,
                             &objective, x, lower, upper);
}

int Ia_table(void* user, int code, int columns, int rows, const char* const* texts) {
  return Host_writeReportTable(static_cast<LibraryContext*>(user), 11, code, columns, rows, texts);
}

double Ia_clock(void*) { return Os_tickCount() / 1000.0; }

// "R%dC%d" of every variable cell, area by area, row by row within an area.
std::vector<std::string> Ia_variableAddresses(void* user) {
  const EvalContext* ctx = Host_interpreterModel(static_cast<LibraryContext*>(user));
  std::vector<std::string> out(1);
  if (!ctx || !ctx->tables.variables) return out;
  for (const RangeRef& r : ctx->tables.variables->ranges)
    for (int row = r.firstRow; row <= r.lastRow; ++row)
      for (int column = r.firstColumn; column <= r.lastColumn; ++column)
        out.push_back("R" + std::to_string(row) + "C" + std::to_string(column));
  return out;
}

IaHost Ia_libraryHost(LibraryContext* context) {
  IaHost host;
  host.services = Host_services(context);
  host.runLocal = Ia_localRun;
  host.writeTable = Ia_table;
  host.clockSeconds = Ia_clock;
  host.variableAddresses = Ia_variableAddresses;
  return host;
}

IaRecord* Ia_record(EngineProblem* problem) { return static_cast<IaRecord*>(problem->engineRecord); }

}  // namespace

int Ia_engineSetup(void* record) {
  auto* problem = static_cast<EngineProblem*>(record);
  IaRecord* rec = problem ? Eng_newRecord<IaRecord>(problem) : nullptr;
  if (!rec) return 0;
  const bool bound = Ia_bindInterpreter(rec->interpreter, Host_interpreterModel(problem->owner));
  IaEngine& e = rec->engine;
  problem->status =
      Ia_setup(e, Ia_libraryHost(problem->owner), bound ? &rec->interpreter.model : nullptr, problem->flags);
  if (!e.x.empty()) {
    problem->variableCount = e.n;
    problem->values = &e.x[1];
    problem->lower = &e.lower[1];
    problem->upper = &e.upper[1];
  }
  if (problem->status) return 0;
  if (bound) Ia_setRowSides(rec->interpreter, e);
  return 1;
}

int Ia_engineSolve(void* record) {
  auto* problem = static_cast<EngineProblem*>(record);
  IaRecord* rec = problem ? Ia_record(problem) : nullptr;
  if (!rec) return 0;
  problem->status = Ia_solve(rec->engine);
  problem->objective = rec->engine.objective;
  return problem->status == StatusEvalError || problem->status == IaStatusSearchEvalFailed ? 0 : 1;
}

int Ia_engineFinish(void* record) {
  auto* problem = static_cast<EngineProblem*>(record);
  IaRecord* rec = problem ? Ia_record(problem) : nullptr;
  if (!rec) return 1;
  problem->status = Ia_finish(rec->engine, problem->status);
  delete rec;
  problem->engineRecord = nullptr;
  problem->values = problem->lower = problem->upper = nullptr;
  return 1;
}
