// The interval global engine's operations as the library exports them
// (`setup`, `solve`, `finish`): the engine served by the library's host
// services for the run of the problem's owner context, with its model bound
// to the interpreter's interval and affine evaluation modes.
#include "contract/Bound_Infinity.h"
#include "contract/Eng_Builtins.h"
#include "contract/Eng_Setup.h"
#include "contract/Host_Eval.h"
#include "contract/Host_IntervalModel.h"
#include "contract/Host_LocalSolver.h"
#include "contract/Host_Services.h"
#include "engines/interval/Ia_Engine.h"
#include "engines/interval/Ia_Status.h"
#include "platform/os/Os.h"

namespace {

constexpr std::uint32_t kIaLocalFlags = 0x30, kIaLocalScaling = 0x1000;
constexpr double kIaLocalPrecision = 1e-8, kIaLocalConvergence = 1e-5;

// The engine's private record: the engine's run, its model and the
// interpreter's model the host bound for it.
struct IaRecord {
  HostIntervalModel* bound = nullptr;
  IaModel model;
  IaEngine engine;

  IaRecord() = default;
  ~IaRecord() { Host_freeIntervalModel(bound); }
  IaRecord(const IaRecord&) = delete;
  IaRecord& operator=(const IaRecord&) = delete;
};

HostIntervalModel* Ia_bound(void* u) { return static_cast<HostIntervalModel*>(u); }

int Ia_interpPoint(void* u, int k, const double* x, double* value) {
  return Host_intervalPoint(Ia_bound(u), k, x, value);
}

int Ia_interpBox(void* u, int k, const Interval* box, Interval* value) {
  return Host_intervalBox(Ia_bound(u), k, box, value);
}

int Ia_interpGradient(void* u, int k, const Interval* box, Interval* value, Interval* gradient) {
  return Host_intervalGradient(Ia_bound(u), k, box, value, gradient);
}

int Ia_interpHessian(void* u, int k, const Interval* box, Interval* value, Interval* gradient, Interval* hessian) {
  return Host_intervalHessian(Ia_bound(u), k, box, value, gradient, hessian);
}

// The interpreter's affine form over the box. Its noise symbols are the
// variables' offsets from the box's midpoints, as the search's are; its
// enclosure is its range cut to the interval value computed alongside.
int Ia_interpAffine(void* u, int k, const Interval* box, IaAffineForm* form) {
  return Host_intervalAffine(Ia_bound(u), k, box, &form->centre, &form->radius, form->coef.data(),
                             static_cast<int>(form->coef.size()), &form->enclosure);
}

int Ia_interpPropagate(void* u, int k, int relation, Interval* box, Interval* range) {
  return Host_intervalPropagate(Ia_bound(u), k, relation, box, range);
}

// Binds the loaded model to the search's table. False when no model is
// loaded.
bool Ia_bindInterpreter(IaRecord& rec, LibraryContext* context) {
  HostIntervalShape shape;
  rec.bound = Host_bindIntervalModel(context, &shape);
  if (!rec.bound) return false;
  IaModel& model = rec.model;
  model.user = rec.bound;
  model.n = shape.n;
  model.m = shape.m;
  model.problemClass = shape.problemClass;
  model.relation = shape.relation;
  model.point = Ia_interpPoint;
  model.box = Ia_interpBox;
  model.boxGradient = Ia_interpGradient;
  model.boxHessian = Ia_interpHessian;
  model.affine = Ia_interpAffine;
  model.propagate = Ia_interpPropagate;
  return true;
}

// Each row's right-hand side becomes its finite side: the lower bound when
// there is one, else the upper.
void Ia_setRowSides(IaRecord& rec) {
  const IaEngine& e = rec.engine;
  for (int k = 1; k <= rec.model.m && k <= e.m; ++k) {
    if (e.rowLower[k] > -kBoundInfinity) Host_setIntervalRowSide(rec.bound, k, e.rowLower[k]);
    else if (e.rowUpper[k] < kBoundInfinity) Host_setIntervalRowSide(rec.bound, k, e.rowUpper[k]);
  }
}

int Ia_localRun(void* user, double* x, const double* lower, const double* upper, bool scaling, LocalProgress progress,
                void* progressUser) {
  double objective = 0;
  return Host_runLocalSolver(static_cast<LibraryContext*>(user), 0, progress, progressUser, 0,
                             kIaLocalFlags | (scaling ? kIaLocalScaling : 0), kIaLocalPrecision, kIaLocalConvergence,
                             &objective, x, lower, upper);
}

int Ia_table(void* user, int code, int columns, int rows, const char* const* texts) {
  return Host_writeReportTable(static_cast<LibraryContext*>(user), 11, code, columns, rows, texts);
}

double Ia_clock(void*) { return Os_tickCount() / 1000.0; }

std::vector<std::string> Ia_variableAddresses(void* user) {
  return Host_intervalVariableAddresses(static_cast<LibraryContext*>(user));
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
  const bool bound = Ia_bindInterpreter(*rec, problem->owner);
  IaEngine& e = rec->engine;
  problem->status = Ia_setup(e, Ia_libraryHost(problem->owner), bound ? &rec->model : nullptr, problem->flags);
  if (!e.x.empty()) {
    problem->variableCount = e.n;
    problem->values = &e.x[1];
    problem->lower = &e.lower[1];
    problem->upper = &e.upper[1];
  }
  if (problem->status) return 0;
  Ia_setIntegers(e, problem->integerFlags);
  if (bound) Ia_setRowSides(*rec);
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
