// The interpreter's part of a Solve call. Loading and diagnosis are not
// carried yet and answer the way a missing component fails (a failed step,
// status 13, nothing evaluated), so that no action reports success without
// having done its work; with no model loaded every evaluation fails (0).
// Values, the objective's gradient, gradients and Hessians forward to the
// interpreter's model once one is loaded.
#pragma once

#include <cstdint>

#include "contract/Host_Eval.h"

struct LibraryContext;

// Lets the interpreter show its progress texts on the status bar and ask the
// progress callback whether to stop.
void Eval_registerProgressHost();

int Eval_loadModel(LibraryContext* context, std::intptr_t handle, int run, int trials,
                   int secondAnalysis, int analyseOnly, int diagnose, int iao);
int Eval_diagnoseModel(LibraryContext* context, std::intptr_t handle, int notRun, int extra,
                       int rdp);
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
int Interpret_Jacobian(LibraryContext* context, void* user, EvalValueCallback callback,
                       void* extra, const double* x, int flags);
int Eval_hessian(LibraryContext* context, void* user, EvalValueCallback callback, void* extra,
                 const double* x, int function, int flags);
// Coefficients of an analysed model through a store callback: the linear
// terms of every row (ordinal 93) and the objective's quadratic terms
// (ordinal 95).
int Eval_jacobian(LibraryContext* context, void* user, EvalValueCallback callback, void* extra);
int Eval_objectiveHessian(LibraryContext* context, void* user, EvalValueCallback callback,
                          void* extra);
