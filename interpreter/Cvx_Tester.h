// The convexity tester: decides whether a problem function is convex,
// concave, affine or indefinite over the variables' boxes, first by the
// curvature class that the interval-gradient mode propagates, then, when
// that is unknown, by spectral tests on an enclosure of its Hessian. Before
// the tests it contracts the boxes by interval propagation over the rows,
// and after a compile it bounds the helper variables and big-M constants of
// linearised constructs from interval enclosures of their rows.
//
// Soundness: bounds written into the variables come only from the rows'
// propagation, which never removes a point that satisfies the row. The
// objective is cut only at a sampled point that satisfies every row; that
// cut narrows the box the tests run on (which still holds every optimum),
// never the bounds.
#pragma once

#include <cstdint>
#include <vector>

#include "base/Rnd_Uniform.h"
#include "values/Ivl_Interval.h"

struct EvalContext;
struct FunctionTable;
struct Program;
struct VariableTable;

struct ConvexityTester {
  FunctionTable* functions;
  VariableTable* variables;
  Program* program;
  EvalContext* context;
  RndStream random;           // sample points of the objective cut
  std::vector<Interval> box;  // slots 1..n: the box the tests run on; empty before a contraction
};

// A tester over the context's tables and program, stored in the context;
// null when memory runs out.
ConvexityTester* Cvx_create(EvalContext* ctx, Program* program);
// Frees the tester and clears the context's word; null-safe.
void Cvx_destroy(ConvexityTester* tester);

// The CurvClass of function i over the box; false when it could not be
// evaluated. An overflow leaves the class unknown (6), a division by zero
// makes it indefinite (5), both with true.
bool Cvx_testFunction(ConvexityTester* tester, int32_t i, bool reset, int32_t* curvClass, bool useReplay);
// Contracts the boxes over every function, at most four passes. feasible
// false: some row can hold nowhere in the box; touching: some row's range
// reaches 0. Always true.
bool Cvx_contractBox(ConvexityTester* tester, bool* feasible, bool* touching);
// Bounds and big-M constants of the linearisation's helpers from interval
// enclosures of their rows; true when some big-M constant was set.
bool Cvx_boundHelpers(ConvexityTester* tester);

// The class of an n x n interval Hessian (rows 1..n): 4 positive (semi)definite,
// 0 negative, 5 indefinite, 2 zero, 6 undecided.
int32_t Cvx_classifyIvHessian(int32_t n, Interval* const* h);
// Whether every matrix in M has all eigenvalues below 1 in magnitude,
// decided by norms and traces of repeated squares (M is overwritten); false
// when undecided.
bool Cvx_isDefiniteByNorms(int32_t n, Interval** m, bool* answer);
// Every matrix in H is positive semidefinite by an eigenvalue bound of its
// midpoint against the spectral radius of its radius.
bool Cvx_isPsdEigenBound(int32_t n, Interval* const* h);
