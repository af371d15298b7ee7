// What engines ask of a loaded model besides derivatives: its sizes and
// structure counts, the bounds, types and values of the variables and
// functions the interpreter added to the model, every function's value
// after a change of some variables, the evaluation with a cut-off that
// stops at the first function that cannot lead to a better point, and the
// dependency classes of every (function, variable) pair.
#pragma once

#include <cstdint>

#include "contract/Host_Eval.h"

struct EvalFlags;
struct EvalTables;

// Queries of a loaded model.
enum EvalQuery : int32_t {
  kEvalQueryVariables = 0,
  kEvalQueryFunctions = 1,
  kEvalQueryIntegers = 2,
  kEvalQueryLinearVariables = 31,
  kEvalQueryLinearFunctions = 32,
  kEvalQuerySmoothVariables = 33,
  kEvalQuerySmoothFunctions = 34,
  kEvalQueryConstraintDependencies = 35,
  kEvalQueryObjectiveDependencies = 36,
  kEvalQueryModelLevel = 37,
  kEvalQueryClassCode = 39,
};
// The answer to a query; 0 for an unknown one, and for the structure
// queries (31 to 37) before a diagnosis. The class code also tells whether
// the flags ask for compact derivatives.
int32_t Eval_query(const EvalFlags& flags, const EvalTables& tables, int32_t what);
// True when the model has been diagnosed (the per-function class arrays exist).
bool Eval_diagnosed(const EvalTables& tables);

// The convexity code of every function; false before a convexity test.
bool Eval_curvatureClasses(const EvalTables& tables, int32_t* classes);

// Bounds of the variables from firstVariable on (0-based), infinities as
// the caller's, a binary [0, 1]; ranges of the functions from
// firstFunction on by their relation and right-hand side.
void Eval_addedBounds(const EvalTables& tables, int32_t firstVariable, int32_t firstFunction, double* lower,
                      double* upper, double* rowLower, double* rowUpper, double minusInfinity, double plusInfinity);
// Types (binary 2, integer 1, continuous 0) and current values of the
// variables from firstVariable on, at their own indices.
void Eval_addedTypes(const EvalTables& tables, int32_t firstVariable, int32_t* types);
void Eval_addedValues(const EvalTables& tables, int32_t firstVariable, double* x);

// Sets variable j (0-based) to the point value x; false outside the table.
bool Eval_setVariable(const EvalTables& tables, int32_t j, double x);
// Evaluates every function at the variables' current values into f (the
// objective last); the index of the first failing function, or -1.
int32_t Eval_valuesNow(const EvalTables& tables, double* f);
// Sets the point and evaluates the objective first (or order[0]), then the
// others in table order (or by order, m entries), each into f at its own
// index. 0 as soon as the objective is worse than bound or, with an order,
// a constraint is violated by more than tol; 1 when all passed; -1 - i
// when function i fails to evaluate.
int32_t Eval_valuesWithCutoff(const EvalTables& tables, double* f, const double* x, double bound,
                              const int32_t* order, double tol);

using EvalDependencyVisit = bool (*)(void* user, int32_t i, int32_t j, int32_t flag);
// Calls visit(user, i, j, flag) for every pair (0-based) with a class above
// 0: class 1 flag 1; 2 flag 2 or 4; 3 flag 4; 4 flag 8; 5 flag 0x80. False
// when the model has no diagnosis or visit answers false.
bool Eval_forEachDependency(const EvalTables& tables, int32_t flags, EvalDependencyVisit visit, void* user);
// The class of variable j (0-based) in function i; 0 without a diagnosis.
int32_t Eval_dependencyClass(const EvalTables& tables, int32_t i, int32_t j);
