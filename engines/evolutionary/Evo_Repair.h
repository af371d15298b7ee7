// Repair and local search of the evolutionary engine: the steps that the
// repair of infeasible children and the local-search step share (the trial
// acceptance, the linear-programming step over the linear rows, the
// quasi-Newton least-squares method and its merit function).
#pragma once

#include "engines/evolutionary/Evo_Engine.h"

// Merit function of the quasi-Newton method: false when x could not be
// evaluated. `poll` (may be null), the progress check before the first
// iteration and after every iteration: non-zero ends the method.
struct EvoMeritFn {
  void* user = nullptr;
  bool (*eval)(void* user, const double* x, double* f) = nullptr;
  int (*poll)(void* user) = nullptr;
};

// Termination codes of the quasi-Newton method.
enum EvoQnCode : int {
  EvoQnGradient = 1, EvoQnStep = 2, EvoQnLineSearch = 3, EvoQnIterations = 4,
  EvoQnMaxSteps = 5, EvoQnEvalFailed = 6, EvoQnStopped = 7,
};

// Minimises the merit from x (n values, in/out) within [lower, upper] by a
// BFGS method on a Cholesky factor with a backtracking line search; `eta`
// is the noise level of the merit. *merit receives the merit reached.
// Returns an EvoQnCode.
int Evo_quasiNewton(const EvoMeritFn& fn, double* x, int n, const double* lower,
                    const double* upper, int limit, double eta, double* merit);

// Merit of the engine's repair at x: half the sum of squares of the row
// excesses and of the bound excesses weighted by precision^(-1/4). With a
// positive `margin` the inequality rows' bounds are pulled inward by that
// many feasibility tolerances (precision x (|bound| + 1)), so that the
// merit's minimum lies inside a narrow feasible set rather than on its
// edge. Counts one evaluation; false when it failed.
bool Evo_repairMerit(EvoRecord& rec, const double* x, double margin, double* f);

// Whether a step's result is a mapped stop code of the progress callback
// (which ends the run), rather than a verdict on a point.
bool Evo_isStop(int result);

// Rounds the trial's integer variables, evaluates it and accepts it when its
// equality sum is at most equalityTol and its inequality sum at most
// precision: the trial is then copied into x with its row values
// (rec.rowValues) and *fitness. True when accepted.
bool Evo_acceptTrial(EvoRecord& rec, double* trial, double* x, double* fitness);

// Solves the linear rows for the linear variables of the trial (in/out) by
// the dense simplex: 0 solved, 5 without a linear part or when every linear
// row of rec.rowValues (the trial's rows) already holds, else the simplex's
// result or a stop code.
int Evo_linearRepair(EvoRecord& rec, double* trial);

// The linear-programming step over the linear rows from x (in/out), with the
// objective gradient estimated on the linear variables: the simplex's
// result, 5 without a linear part or when an evaluation failed.
int Evo_linearStep(EvoRecord& rec, double* x);

// The integer step search on the linear rows from trial (in/out): 0 when the
// trial meets every linear row, 5 not.
int Evo_integerStepSearch(EvoRecord& rec, double* trial);
