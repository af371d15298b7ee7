// A small two-phase simplex on a dense tableau, used by the interval global
// engine to tighten boxes with linear relaxations (optimising) and to test a
// relaxation for feasibility (phase 1 only). It maximises a linear objective
// over non-negative variables subject to less-or-equal, greater-or-equal and
// equality rows, modifying the tableau in place.
//
// Layout: m + 2 rows by n + 1 columns, addressed from 0. Row 0 is the
// objective (column 0 its constant, columns 1..n its coefficients); rows 1..m
// are the constraints, first the m1 less-or-equal rows, then the m2
// greater-or-equal rows, then the m3 equalities, each holding its right-hand
// side (>= 0) in column 0 and its NEGATED coefficients in columns 1..n; row
// m + 1 is the phase-1 objective, filled by the routine. On return column 0
// holds the values of the basic variables and row 0 column 0 the objective.
#pragma once

#include <vector>

// Pivot and zero tolerance of the tableau simplex (fixed, not an option).
constexpr double kDenseTableauEps = 1e-6;

// Outcome of a run that got past phase 1.
enum DenseSimplexCase : int {
  DenseSimplexInfeasible = -1,
  DenseSimplexOptimal = 0,
  DenseSimplexUnbounded = 1,
};

struct DenseTableau {
  int rows = 0, columns = 0;  // m + 2 and n + 1
  std::vector<double> cells;  // row by row
};

// A zero tableau for m constraint rows over n variables.
DenseTableau Dense_tableauMake(int m, int n);
inline double& Dense_tableauAt(DenseTableau& t, int row, int column) {
  return t.cells[static_cast<std::size_t>(row) * t.columns + column];
}
inline double Dense_tableauAt(const DenseTableau& t, int row, int column) {
  return t.cells[static_cast<std::size_t>(row) * t.columns + column];
}

// Runs the simplex. `columnVars` (n + 1 entries, slot 0 unused) receives the
// variable standing at each non-basic column, `rowVars` (m + 1 entries, slot 0
// unused) the variable basic in each row; index n + i is row i's slack or
// artificial. False, with the tableau untouched, when a right-hand side is
// negative; otherwise true with *caseCode set to infeasible after phase 1, or
// to optimal or unbounded after phase 2. Without `phase2` a feasible tableau
// leaves *caseCode as the caller set it.
bool Dense_tableauSimplex(DenseTableau& t, int n, int m1, int m2, int m3, int* caseCode, std::vector<int>& columnVars,
                          std::vector<int>& rowVars, bool phase2);

// The largest entry of `row` among the `count` listed columns (a later column
// replaces an earlier one only when strictly larger); with `byMagnitude` the
// absolute values are compared but the signed entry is returned. An empty
// list gives 0.
void Dense_simplexMaxCoeff(const DenseTableau& t, int row, const int* columns, int count, bool byMagnitude, int* column,
                           double* value);
// The pivot row for `pivotColumn` among the `count` listed rows: the smallest
// ratio -(rhs / entry) over entries below -eps, ties broken on the following
// columns in order, full ties keeping the earlier row. *row = 0 when none.
void Dense_simplexRatioTest(const DenseTableau& t, int n, const int* rowList, int count, int* row, int pivotColumn,
                            double* ratio);
// Exchanges the basic variable of `pivotRow` with the non-basic variable of
// `pivotColumn` over rows 0..lastRow and columns 0..lastColumn.
void Dense_simplexPivot(DenseTableau& t, int lastRow, int lastColumn, int pivotRow, int pivotColumn);
