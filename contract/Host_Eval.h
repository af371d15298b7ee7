// Host services with which engines evaluate the model and read its data:
// evaluations at a point or with one or two variables changed, variable and
// row bounds, variable types, alldifferent groups, cones, start values,
// cell addresses, named values, elastic variables of feasibility mode,
// reports and the interpreter's derivatives. Each takes the context first.
//
// An evaluation is served by the interpreter while the model is analysed
// (and, for ordinals 15, 33 and 34, the engine does not ask for the
// application; for 15 and 16, the progress state is not paused), else
// through the application. In feasibility mode each row gets its elastic variables added and the sum of
// the elastic values is written after the rows without the grouped row.
// Arrays are 0-based; services return 1 on success and 0 on failure.
#pragma once

#include "contract/Bound_Infinity.h"
#include "contract/Eng_Report.h"

struct LibraryContext;
struct EvalContext;

// Receivers of the interpreter's derivatives and dependencies (nonzero to
// go on): `i` a function (row) and `j` a variable.
using EvalValueCallback = int (*)(LibraryContext* context, void* user, int i, int j, double value,
                                  void* extra);
using EvalDependencyCallback = int (*)(LibraryContext* context, void* user, int i, int j,
                                       int flag, void* user2);

// Flags of a Jacobian request. The filters by class need a diagnosis.
constexpr int kJacLinearEntries = 0x1;    // only class-1 entries
constexpr int kJacNonlinear = 0x4;        // only nonlinear functions, entries of class 2 or 3
constexpr int kJacLinearFunctions = 0x10; // only linear functions
constexpr int kJacLinearVariables = 0x20; // only variables linear everywhere
constexpr int kJacIncludeObjective = 0x100;
constexpr int kJacObjectiveOnly = 0x200;
// Builds the sparsity lists first when missing: the nonlinear list with
// kJacNonlinear, the full list otherwise. Also set by kJacNonlinear alone.
constexpr int kJacBuildLists = 0x40;
// Flags of a Hessian request.
constexpr int kHessUpper = 0x1;      // entries with k >= j only
constexpr int kHessLower = 0x2;      // entries with k <= j only
constexpr int kHessHalve = 0x4;
constexpr int kHessDouble = 0x8;
constexpr int kHessGradient = 0x10;  // also (-1, k, g_k)
constexpr int kHessValue = 0x20;     // also (-1, -1, value) when non-zero
// Only the variables on which the function depends nonlinearly: the
// nonlinear sparsity list is built first with compact derivatives, else
// variables of class 0 or 1 for the function are skipped.
constexpr int kHessNonlinearOnly = 0x40;
// The objective's Hessian as quadratic coefficients: halved, with gradient
// and value, so that f = x'Qx + c'x + d at x = 0.
constexpr int kHessQuadraticTerms = kHessHalve | kHessGradient | kHessValue;

// Flags of the dependency walk.
constexpr int kDepQuadraticApart = 0x2;    // class 2 reported as 2, not 4
constexpr int kDepIncludeObjective = 0x100;

// Ordinals 15, 16, 33 and 34.
int Host_evalProblem(LibraryContext* context, double* f, const double* x);
int Host_evalProblemBounded(LibraryContext* context, double* f, const double* x, double cutoff,
                            const int* order);
int Host_evalTwoChanged(LibraryContext* context, double* f, int j, double xj, int k, double xk);
int Host_evalOneChanged(LibraryContext* context, double* f, int j, double xj);
// The end of an engine run: when an evaluation failure ended it (status 9),
// the variable cells are set to the point of the run's last evaluation
// through the workbook that gave no number, so that the workbook shows
// which cell failed there and at what values. The point is forgotten in
// any case, ready for the next run.
void Host_showFailedPoint(LibraryContext* context, int status);

// Ordinal 17: variable bounds (elastic variables [0, kBoundInfinity]) and the bounds
// of every row (query 1), -kBoundInfinity and kBoundInfinity where there is none.
int Host_getVariableBounds(LibraryContext* context, double* lower, double* upper,
                           double* rowLower, double* rowUpper);
// Ordinal 18: the interpreter's curvature class per function.
int Host_getCurvatureClasses(LibraryContext* context, int* classes);
// Ordinal 19: 0 continuous, 1 integer, 2 binary, 3 + g alldifferent group g.
int Host_getVariableTypes(LibraryContext* context, int* types);
// Ordinal 20: starts (groups + 1 offsets) and member variables of the
// alldifferent groups.
int Host_getConstraintTypes(LibraryContext* context, int* starts, int* members);
// Ordinal 21: kinds (1 or 2), starts (cones + 1 offsets) and member variables.
int Host_getConeConstraints(LibraryContext* context, int* kinds, int* starts, int* members);
// Ordinal 22: current values of the variable cells; elastic variables 0.
int Host_getInitialValues(LibraryContext* context, double* x);

// Ordinal 26: addresses ("B3") of up to `variables` variables and `rows`
// rows (the grouped row last), each cut to `length` - 1 characters.
int Host_getCellAddresses(LibraryContext* context, int variables, int rows, char** variableTexts,
                          char** rowTexts, int length);
// Ordinals 27 and 28: a name of the active sheet as a number, else the default.
int Host_getNamedInt(LibraryContext* context, const char* name, int defaultValue);
int Host_getNamedReal(LibraryContext* context, double* out, const char* name, double defaultValue);
// Ordinal 29: fixes elastic variable i (at or above 0) of the bound array x
// with its equality partner, or (i below 0) fixes (flag nonzero) or relaxes
// (flag 0) the elastic variables of 0-based constraint row `row`.
int Host_fixElastic(LibraryContext* context, int i, int row, int flag, double* x);

// Ordinals 31 and 32.
int Host_writeReports(LibraryContext* context, int reportSet, int code,
                      const ReportSummary* summary, const SensitivityRecord* sensitivity);
int Host_writeReportTable(LibraryContext* context, int code1, int code2, int columns, int rows,
                          const char* const* texts);

// The interpreter's model of the run when it is analysed, else none (the
// interval engine's services in Host_IntervalModel.h bind it).
EvalContext* Host_interpreterModel(LibraryContext* context);
// The objective's function in the interpreter's table (the order in which
// Jacobians, Hessians and the dependency walk number functions), or -1
// when the model is not analysed or has no objective.
int Host_objectiveFunction(LibraryContext* context);
// Ordinals 35, 38, 39 and 40: the interpreter's, 0 when the model is not
// analysed (39: not diagnosed).
int Host_evalObjectiveGradient(LibraryContext* context, double* value, double* gradient,
                               const double* x);
int Host_evalJacobian(LibraryContext* context, void* user, EvalValueCallback callback, void* extra,
                      const double* x, int flags);
int Host_enumDependencies(LibraryContext* context, void* user, EvalDependencyCallback callback,
                          void* user2, int flags);
int Host_evalHessian(LibraryContext* context, void* user, EvalValueCallback callback, void* extra,
                     const double* x, int function, int flags);
