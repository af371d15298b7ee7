// Small dense two-phase simplex over bounded variables. The evolutionary
// engine's repair solves the linear rows of a model with it for the
// variables that occur only linearly (mode 2), and its linear-programming
// step follows the objective gradient over those rows (mode 3, where every
// pivot is followed by the caller's trial acceptance). Its pivot rules are
// its own: Dantzig's entering rule over bounded columns with bound flips,
// unlike the tableau simplex of Dense_Tableau.h over non-negative columns.
//
// The problem arrives on its own arrays; progress and the trial acceptance
// reach the caller through two callbacks, so the method runs without a host.
#pragma once

#include <vector>

// Modes of a solve.
enum DenseBoundedMode : int { DenseBoundedSolve = 2, DenseBoundedTrialSteps = 3 };

// Results besides the stop codes that the stop check hands through.
// DenseBoundedGuard: the pivots ran past the guard on their number (a cycle the
// tie-break did not prevent); the point reached is not an optimum.
enum DenseBoundedResult : int { DenseBoundedSolved = 0, DenseBoundedGuard = 2, DenseBoundedNoLeavingRow = 4,
                         DenseBoundedInfeasible = 5, DenseBoundedBadSize = 8 };

// Rows: sum_j a[i][j] x_j (relation) a[i][0], for i = 0..rows - 1, with the
// relation '<', '=' or '>'. Columns j = 1..cols have bounds lower[j - 1] and
// upper[j - 1] (±kBoundInfinity where there is none) and current values start[j - 1]
// that choose the bound each column starts at. `objective[1..cols]` is the
// row maximised in phase two.
struct DenseBoundedLp {
  int rows = 0;
  int cols = 0;
  std::vector<double> a;           // rows x (cols + 1), row-major
  std::vector<char> relation;      // rows
  std::vector<double> objective;   // cols + 1, element 0 unused
  std::vector<double> lower, upper, start;  // cols each
  double precision = 1e-6;         // "solver_pre": phase-one infeasibility that is met
  double reducedCostTol = 1e-6;    // "solver_red": entries that may enter
  double pivotTol = 1e-6;          // "solver_piv": entries that may bound a ratio
};

struct DenseBoundedHooks {
  void* user = nullptr;
  // Run after every pivot: a mapped stop code ends the solve, 0 goes on.
  int (*stopCheck)(void* user) = nullptr;
  // Mode 3, after every pivot of phase two: 1 when the point `solution`
  // (cols values) is accepted, with its fitness in *fitness; else 0.
  int (*acceptTrial)(void* user, const double* solution, double* fitness) = nullptr;
};

// Solves `lp`; `solution` (cols values) receives the point reached. Returns
// an DenseBoundedResult or the stop check's code.
int Dense_boundedSimplex(const DenseBoundedLp& lp, int mode, const DenseBoundedHooks& hooks, double* solution);
