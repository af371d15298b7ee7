// What engines ask of a loaded model through the interpreter: the objective,
// a point set into the variables, values of every function, the objective's
// gradient, and gradients and Hessians handed entry by entry to a store
// callback (linear and quadratic coefficients of a model). Setting a point
// and plain values take the model's tables, the objective's gradient its
// flags too; the entry-by-entry derivatives take the whole evaluation
// context, and callbacks receive its library pointer.
#pragma once

#include <cstdint>

#include "contract/Host_Eval.h"

struct EvalContext;
struct EvalFlags;
struct EvalTables;
struct FunctionTable;

// Index of the last function that is an objective (relation 8 or 9), or -1.
int32_t Eval_objectiveIndex(const FunctionTable* functions);
// Gives every variable the point value x[j] (0-based).
void Eval_setPoint(const EvalTables& tables, const double* x);
// Sets the point and evaluates every function into f (objective last, the
// others in table order); 1, or 0 on the first failing function.
int Eval_valuesAt(const EvalTables& tables, double* f, const double* x);
// The objective's value and (when gradient is not null) its gradient over
// all variables, 0-based; 1 or 0.
int Eval_objectiveAt(const EvalFlags& flags, const EvalTables& tables, double* value, double* gradient,
                     const double* x);
// Prunes every function's own variable list (the layout of its compact
// derivatives) to the variables of its diagnosed classes: those on which it
// depends nonlinearly (classes 2 and 3), or every one it depends on at all.
// Once built a list stays. False without a diagnosis.
bool Eval_buildSparsityList(const EvalTables& tables, bool nonlinear);
// Every gradient entry (i, j) of the functions at x, the objective only with
// kJacIncludeObjective or alone with kJacObjectiveOnly, filtered by the
// flags; a filter whose classes are missing is refused (0). 1, or 0 on a
// failure or a callback's 0. kJacBuildLists (or kJacNonlinear) builds the
// sparsity list first; with a null callback nothing is evaluated and the
// result is 1 when a list exists. Once the nonlinear list has been built
// with compact derivatives, the gradients span only its variables and every
// entry is reported.
int Eval_gradientsAt(EvalContext* ctx, void* user, EvalValueCallback callback, void* extra, const double* x,
                     int flags);
// The Hessian entries (j, k) of function i at x, then gradient and value by
// flags; 0 when the memory budget forbids Hessians, or on a failure or a
// callback's 0.
int Eval_hessianAt(EvalContext* ctx, void* user, EvalValueCallback callback, void* extra, const double* x,
                   int32_t i, int flags);
