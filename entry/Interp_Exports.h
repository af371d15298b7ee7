// The interpreter's exports (ordinals 75 to 96): loading, diagnosing and
// releasing the model of a Solve call, the error report, the evaluation
// interface that the host services forward to while the model is analysed,
// and the values handed back to the front end at a run's end. With no
// model loaded every evaluation fails (0).
#pragma once

#include <cstdint>
#include <string>

#include "contract/Host_Eval.h"
#include "contract/Host_FinalValues.h"
#include "values/Model_Refs.h"

struct EvalContext;
struct EvalHost;
struct LibraryContext;

// Lets the interpreter show its progress texts on the status bar and ask the
// progress callback whether to stop.
void Interp_registerProgressHost();

// The first error of the loaded model and its cell ("Sheet1!$B$3") to the
// front end's result range (ordinal 75); 1 when written.
int Interp_reportError(LibraryContext* context);
// "Sheet1!$B$3" of a cell of the loaded model's workbook.
std::string Interp_cellText(const EvalHost& host, const CellRef& cell);
// A failed evaluation placed at a cell, shown in a message box captioned
// what: its status, the cell and the functions the cell calls, so that a
// function that cannot give what the engine asks for (derivatives,
// intervals) is named ("status 39: ... at Sheet1!$B$3 (TDIST)"). Nothing
// for a failure without a cell.
void Interp_showFailure(const EvalContext* ctx, const char* what);
// A text on the status bar (show != 0, at most 127 characters) or the
// status bar restored (ordinal 76; the first word is not read).
int Interp_showStatus(std::intptr_t unused, int show, const char* text);
// Loads the session's model for the interpreter (ordinal 77): 0 loaded, 8
// empty, 11 no memory, 12 a formula refused (reported through ordinal 75),
// 13 a workbook failure. The model stays until Interp_freeModel.
int Interp_loadModel(LibraryContext* context, std::intptr_t handle, int skipCellCount, int bigM, int listAdded,
                     int checkValues, int compactDerivatives, int tableFlag);
// Diagnoses the loaded model (ordinal 78): with report, the findings go to
// the front end's result range (per function with detailed); convexity runs
// the convexity stage. 0 done, 8 no model, 11 no memory, 12 a function could
// not be evaluated (reported through ordinal 75), 13 the range unwritable.
int Interp_diagnoseModel(LibraryContext* context, std::intptr_t refreshWord, int report, int convexity, int detailed);
// Re-reads the workbook values the loaded model reads from the workbook
// (the active sheet's used range) after the workbook has recalculated
// (ordinal 79; the word is not read). 0, also without a model.
int Interp_refreshArrayBlocks(LibraryContext* context, std::intptr_t unused);
int Interp_freeModel(LibraryContext* context);  // 0 on success
// Registers the front end's receiver of the values at a run's end (ordinal
// 96; null: none).
void Interp_setValueSink(FinalValueSink sink, void* user);
// Tells the receiver to forget what it was handed before.
void Interp_forgetHandedBack(LibraryContext* context);
// Hands the receiver the loaded model's values at the variable cells'
// current values: each cell of the objective, of the rows and of their
// right-hand sides that the model holds as the workbook does. Nothing when
// the interpreter added variables or rows, reads other sheets' formulas as
// their stored values, or fails to evaluate the model there.
void Interp_handBackValues(LibraryContext* context);
int Interp_queryModel(LibraryContext* context, int kind);

// The interpreter's evaluation interface for engines (1 on success).
int Interp_evalAll(LibraryContext* context, double* f, const double* x);
int Interp_evalWithCutoff(LibraryContext* context, double* f, const double* x, double bound, const int* order);
int Interp_evalPerturbPair(LibraryContext* context, double* f, int j, double xj, int k, double xk);
int Interp_evalPerturbOne(LibraryContext* context, double* f, int j, double xj);
int Interp_getBounds(LibraryContext* context, double* lower, double* upper, double* rowLower, double* rowUpper,
                     double minusInfinity, double plusInfinity);
int Interp_getCurvatureClasses(LibraryContext* context, int* classes);
int Interp_getVariableTypes(LibraryContext* context, int* types);
int Interp_getInitialValues(LibraryContext* context, double* x);
int Interp_evalObjective(LibraryContext* context, double* value, double* gradient, const double* x);
int Interp_enumDependencies(LibraryContext* context, void* user, EvalDependencyCallback callback, void* user2,
                            int flags);
int Interp_evalJacobian(LibraryContext* context, void* user, EvalValueCallback callback, void* extra, const double* x,
                        int flags);
int Interp_hessian(LibraryContext* context, void* user, EvalValueCallback callback, void* extra, const double* x,
                   int function, int flags);
// Coefficients of an analysed model through a store callback: the linear
// terms of every row (ordinal 93) and the objective's quadratic terms
// (ordinal 95).
int Interp_jacobian(LibraryContext* context, void* user, EvalValueCallback callback, void* extra);
int Interp_objectiveHessian(LibraryContext* context, void* user, EvalValueCallback callback, void* extra);
