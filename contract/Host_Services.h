// The host services as an engine reaches them: one table of callbacks, each
// taking `user` first. For a run of the library the table is bound to the
// library's services for the problem's owner context (Host_services); a test
// binds it to a model of its own. Services an engine does not use may be
// null; the comments say which ones may be null for an engine that uses them.
#pragma once

#include "contract/Eng_Report.h"
#include "contract/Host_Extract.h"

struct LibraryContext;

// Receives one element of the analytic Jacobian (0-based row and variable);
// `slot`, when given, receives the engine's own difference value of that
// element. Answers 1 to accept, 0 to reject.
using JacobianStore = int (*)(void* hostContext, void* record, int row, int col, double value,
                              double* slot);

struct HostServices {
  void* user = nullptr;
  int (*queryModel)(void* user, int kind) = nullptr;                // ModelQuery
  // EngineOptionFlags as engine `engine` reads them.
  unsigned (*optionFlags)(void* user, int engine) = nullptr;
  int (*realOption)(void* user, double* out, int kind) = nullptr;   // RealOptionKind; 1 read
  int (*intOption)(void* user, int kind) = nullptr;                 // IntOptionKind
  int (*namedInt)(void* user, const char* name, int fallback) = nullptr;
  // n variable bounds, one row bound pair per query-1 row; nonzero read.
  int (*bounds)(void* user, double* lower, double* upper, double* rowLower,
                double* rowUpper) = nullptr;
  int (*initialValues)(void* user, double* x) = nullptr;           // n values; nonzero read
  // The query-1 rows at x (the objective last when there is one); nonzero evaluated.
  int (*evalProblem)(void* user, double* rows, const double* x) = nullptr;
  // The rows with variable j (0-based) set to xj, the other variables as
  // the host last had them; nonzero evaluated.
  int (*evalOneChanged)(void* user, double* rows, int j, double xj) = nullptr;
  // The same with variables j and k changed.
  int (*evalTwoChanged)(void* user, double* rows, int j, double xj, int k, double xk) = nullptr;
  // Linear coefficients through `store`; 1 when every row was delivered.
  int (*extractLinear)(void* user, void* record, CoefficientStore store, void* extra) = nullptr;
  // Quadratic objective terms through `store`; 1 when they were delivered.
  // Null: the host cannot deliver them.
  int (*extractQuadratic)(void* user, void* record, CoefficientStore store, void* extra) = nullptr;
  // Objective value and its gradient (n values) at x; nonzero when the host
  // computed them. Null: the host has no such service.
  int (*objectiveGradient)(void* user, double* value, double* gradient, const double* x) = nullptr;
  // Analytic Jacobian at x through `store` (null: not available). Returns 1
  // done, 0 not obtained, -1 an evaluation failed.
  int (*evalJacobian)(void* user, JacobianStore store, void* record, const double* x,
                      int flags) = nullptr;
  // Progress callback: ProgressFlags, a count and a value; a StopCode.
  int (*progress)(void* user, int flags, int count, double value) = nullptr;
  // The progress routine the caller of a local-solver run gave it
  // (contract/Host_LocalSolver.h), which takes the run's set-up steps and
  // iterations in place of `progress` while model query 40 answers non-zero.
  // May be null: the run reports through `progress`.
  int (*localProgress)(void* user, int iteration, int count, double objective) = nullptr;
  // Report rows for the front end: a report set, a code, the solution
  // summary and, for a linear model's reports, its sensitivity (may be null).
  int (*writeReports)(void* user, int set, int code, const ReportSummary* summary,
                      const SensitivityRecord* sensitivity) = nullptr;
};

// The table bound to the library's host services for the run of `context`.
HostServices Host_services(LibraryContext* context);
