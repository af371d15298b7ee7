// The interpreter's exports (ordinals 75 to 95): loading, diagnosing and
// releasing the model of a Solve call, the error report, and the evaluation
// interface that the host services forward to while the model is analysed.
// With no model loaded every evaluation fails (0).
#pragma once

#include <cstdint>

#include "contract/Host_Eval.h"

struct LibraryContext;

// Lets the interpreter show its progress texts on the status bar and ask the
// progress callback whether to stop.
void Eval_registerProgressHost();

// The first error of the loaded model and its cell ("Sheet1!$B$3") to the
// front end's result range (ordinal 75); 1 when written.
int Eval_reportError(LibraryContext* context);
// A text on the status bar (show != 0, at most 127 characters) or the
// status bar restored (ordinal 76; the first word is not read).
int Eval_showStatus(std::intptr_t unused, int show, const char* text);
// Loads the session's model for the interpreter (ordinal 77): 0 loaded, 8
// empty, 11 no memory, 12 a formula refused (reported through ordinal 75),
// 13 a workbook failure. The model stays until Eval_freeModel.
int Eval_loadModel(LibraryContext* context, std::intptr_t handle, int skipCellCount, int bigM,
                   int listAdded, int checkValues, int compactDerivatives, int tableFlag);
// Diagnoses the loaded model (ordinal 78): with report, the findings go to
// the front end's result range (per function with detailed); convexity runs
// the convexity stage. 0 done, 8 no model, 11 no memory, 12 a function could
// not be evaluated (reported through ordinal 75), 13 the range unwritable.
int Eval_diagnoseModel(LibraryContext* context, std::intptr_t refreshWord, int report, int convexity,
                       int detailed);
// Re-reads the workbook values the loaded model reads from the workbook
// (the active sheet's used range) after the workbook has recalculated
// (ordinal 79; the word is not read). 0, also without a model.
int Eval_refreshArrayBlocks(LibraryContext* context, std::intptr_t unused);
int Eval_freeModel(LibraryContext* context);        // 0 on success
int Eval_queryModel(LibraryContext* context, int kind);

// The interpreter's evaluation interface for engines (1 on success).
int Eval_evalAll(LibraryContext* context, double* f, const double* x);
int Eval_evalWithCutoff(LibraryContext* context, double* f, const double* x, double bound,
                        const int* order);
int Eval_evalPerturbPair(LibraryContext* context, double* f, int j, double xj, int k, double xk);
int Eval_evalPerturbOne(LibraryContext* context, double* f, int j, double xj);
int Eval_getBounds(LibraryContext* context, double* lower, double* upper, double* rowLower,
                   double* rowUpper, double minusInfinity, double plusInfinity);
int Eval_getCurvatureClasses(LibraryContext* context, int* classes);
int Eval_getVariableTypes(LibraryContext* context, int* types);
int Eval_getInitialValues(LibraryContext* context, double* x);
int Eval_evalObjective(LibraryContext* context, double* value, double* gradient, const double* x);
int Eval_enumDependencies(LibraryContext* context, void* user, EvalDependencyCallback callback,
                          void* user2, int flags);
int Eval_evalJacobian(LibraryContext* context, void* user, EvalValueCallback callback,
                      void* extra, const double* x, int flags);
int Eval_hessian(LibraryContext* context, void* user, EvalValueCallback callback, void* extra,
                 const double* x, int function, int flags);
// Coefficients of an analysed model through a store callback: the linear
// terms of every row (ordinal 93) and the objective's quadratic terms
// (ordinal 95).
int Eval_jacobian(LibraryContext* context, void* user, EvalValueCallback callback, void* extra);
int Eval_objectiveHessian(LibraryContext* context, void* user, EvalValueCallback callback,
                          void* extra);
