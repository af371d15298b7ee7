// The GRG engine on a shared nonlinear workbook through the library's own
// host services: the library loaded, the workbook's model read by a
// session, and either the workbook path (derivatives by differences) or the
// interpreter's model loaded for analysis (values through the interpreter,
// analytic Jacobians). Evaluations and Jacobians are counted on the way.
// Used by the engine tests and the benchmark.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "contract/Host_Services.h"
#include "engines/grg/Grg_Engine.h"
#include "entry/Host_Session.h"
#include "entry/Interp_Exports.h"
#include "platform/xlsx/Xlsx.h"
#include "tests/support/BenchLibrary.h"

struct GrgLibraryRun {
  HostServices library;  // the library's own table
  long evaluations = 0;  // function-vector evaluations
  long jacobians = 0;
  int iterations = 0;  // line searches of the run
  GrgProblem problem;
};

// Options set as the model's "solver_NAME" names before the run, e.g.
// {"drv", "2"} for central differences.
using GrgLibOptions = std::vector<std::pair<std::string, std::string>>;

namespace grglib {

inline GrgLibraryRun*& current() {
  static GrgLibraryRun* run = nullptr;
  return run;
}
inline int evalProblem(void* user, double* rows, const double* x) {
  ++current()->evaluations;
  return current()->library.evalProblem(user, rows, x);
}
inline int evalOne(void* user, double* rows, int j, double xj) {
  ++current()->evaluations;
  return current()->library.evalOneChanged(user, rows, j, xj);
}
inline int evalTwo(void* user, double* rows, int j, double xj, int k, double xk) {
  ++current()->evaluations;
  return current()->library.evalTwoChanged(user, rows, j, xj, k, xk);
}
inline int jacobian(void* user, JacobianStore store, void* record, const double* x, int flags) {
  ++current()->jacobians;
  return current()->library.evalJacobian(user, store, record, x, flags);
}

}  // namespace grglib

// Sets the options in the scope of the model's own "solver_opt" name.
inline void GrgLib_setOptions(Workbook* book, const GrgLibOptions& options) {
  int scope = -1;
  for (const DefinedName& dn : book->names)
    if (dn.name == "solver_opt") scope = dn.scopeSheet;
  for (const auto& [name, value] : options) Wb_defineName(book, DefinedName{"solver_" + name, value, scope, true});
}

// Solves the workbook data/nlp/NAME.xlsx with GRG, analysed (interpreter,
// analytic derivatives) or not (workbook, differences), in a freshly loaded
// library; the status is -1 when the model cannot be set up.
inline GrgLibraryRun GrgLib_solve(const std::string& name, bool analysed, const GrgLibOptions& options = {}) {
  GrgLibraryRun run;
  run.problem.status = -1;
  BenchLibrary library;
  LibraryContext* context = library.module ? Entry_context() : nullptr;
  std::string error;
  Workbook* book = Xlsx_open(std::string(CORVAN_DATA) + "/nlp/" + name + ".xlsx", &error);
  if (book) GrgLib_setOptions(book, options);
  if (!context || !book || !Host_beginSession(context)) return run;
  if (analysed && Interp_loadModel(context, 0, 1, 0, 0, 0, 0, 0) != 0) {
    Interp_freeModel(context);
    Host_endSession(context);
    return run;
  }
  context->analysed = analysed ? 1 : 0;
  run.library = Host_services(context);
  HostServices counted = run.library;
  counted.evalProblem = grglib::evalProblem;
  counted.evalOneChanged = grglib::evalOne;
  counted.evalTwoChanged = grglib::evalTwo;
  if (counted.evalJacobian) counted.evalJacobian = grglib::jacobian;
  grglib::current() = &run;
  GrgRecord rec;
  if (Grg_setup(rec, counted, run.problem)) Grg_solve(rec, run.problem);
  run.iterations = rec.iteration;
  Grg_finish(rec, run.problem);
  grglib::current() = nullptr;
  context->analysed = 0;
  Interp_freeModel(context);
  Host_endSession(context);
  return run;
}
