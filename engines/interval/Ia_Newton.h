// Interval Newton steps of the Krawczyk form: for a system F = 0 over a box
// X of N quantities, with J an enclosure of F's Jacobian over X and Y the
// inverse of J's midpoint matrix, every zero of F in X lies in
// K = c - Y F(c) + (I - Y J)(X - c), c the midpoint of X. Used on a square
// system of equations (the all-solutions search) and on the Fritz John
// conditions of a box (the optimisation search), and, with affine forms,
// as one linear solve of a system's forms.
#pragma once

#include <functional>

#include "engines/interval/Ia_Contract.h"

// What one Krawczyk step needs of its system: F at a point (enclosures,
// 0-based quantities) and the outcome of narrowing quantity r to `cut`.
struct IaKrawczykSystem {
  int count = 0;                   // N
  std::vector<Interval> jacobian;  // N x N, row by row
  std::function<int(const std::vector<double>& c, std::vector<Interval>& f)> values;
  // Narrows X[r] to cut (inside X[r]); the default takes cut whole.
  std::function<void(int r, const Interval& cut, std::vector<Interval>& box)> narrow;
  int passLimit = 1;
};

// The outcome of a Krawczyk step.
enum class IaNewtonEnd { Done, Miss, Unchanged };

// Runs passes of the step on box (0-based, narrowed in place) until a pass
// narrows it too little (the contraction rule of the row passes), the
// largest change is within `accuracy`, or the pass limit. Miss: some
// component of K misses X (no zero in the box). Unchanged: the midpoint
// matrix is singular or has an entry that is not finite (J not bounded), or
// the first values failed (or hold NaN). `newtonSteps` counts the
// inversions.
IaNewtonEnd Ia_krawczykStep(IaKrawczykSystem& system, std::vector<Interval>& box, double accuracy, int* newtonSteps);
// The inverse of the N x N matrix a (row by row) into y; false when singular.
bool Ia_invert(int count, const std::vector<double>& a, std::vector<double>& y);

// The searches' Newton steps on a half or box of the search (1-based).
// Krawczyk on the equations 1..n (met 1).
IaFate Ia_krawczykEquations(IaSearchContext& s, Interval* box);
// One linear solve of the equations' affine forms (met 2); `values` receive
// the forms' ranges.
IaFate Ia_affineNewton(IaSearchContext& s, Interval* box, Interval* values);
// The Krawczyk step on the Fritz John conditions of the box (met 1, rows
// present): multipliers u_0 (objective), u_1..u_m (rows) and the variables.
// A box without a Fritz John point is dead unless it touches the start
// box's bounds (while "solver_sta" is clear), which the conditions leave
// out: then only its face on that bound is kept.
IaFate Ia_fritzJohnStep(IaSearchContext& s, IaBox& box);
