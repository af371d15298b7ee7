// The LP/quadratic engine's operations (`setup`, `solve`, `finish`), the
// store callbacks it hands to the coefficient extraction, and the steps
// they are made of: reading the model through the host, the test that
// decides whether the model is linear or quadratic, the capture of the
// coefficients, the progress wrappers and the final check.
//
// The engine reaches the host only through `HostServices`, one record of
// callbacks with a user pointer: the library binds it to its host services,
// tests and benchmarks to a model of their own. Arrays crossing it are
// 0-based, as the host services have them; the engine's own are 1-based.
#pragma once

#include <vector>

#include "contract/Eng_Builtins.h"
#include "contract/Eng_Engine.h"
#include "contract/Host_Extract.h"
#include "contract/Host_Services.h"
#include "engines/lpqp/Lp_Engine.h"

struct LibraryContext;

// Size limits: variables, rows, integer variables.
constexpr int Lp_maxVariables = 2000, Lp_maxRows = 8192, Lp_maxIntegers = 2000;

// The engine's private record for one run: the host, the numeric record,
// the host-side buffers (no allocation while the simplex iterates) and the
// row constants as captured, which the final check compares with.
// The point the workbook's cells hold after the engine's last evaluation
// through the workbook: its variables (hostX), the rows as the host gave them
// and the host's count of workbook writes just after it.
struct LpHeldPoint {
  bool held = false;
  unsigned writes = 0;
  std::vector<double> x;
  std::vector<double> rows;
};

struct LpRun {
  HostServices host;
  LpRecord lp;
  int status = 0;
  bool hasPoint = false;              // x holds the start values or a solution
  bool checked = false;               // the final check ran
  bool captured = false;              // the matrix holds the model's captured coefficients
  std::vector<double> hostX;          // a point unscaled for the host (n+1)
  std::vector<double> hostRows;       // values of an evaluation at hostX (m+2)
  std::vector<double> zeroRows;       // set-up: hostRows at zero while the host's cells hold zero
  LpHeldPoint heldPoint;
};

// ---- operations (the library's exports in contract/Eng_Builtins.h; problem is an EngineProblem) ----

// `setup` with the given host (the library's operation binds its own).
int Lp_engineSetupWith(EngineProblem* problem, const HostServices& host);


// ---- steps (Lp_Capture host side, Lp_Progress) ----

// Evaluates the model at hostX (unscaled, 1-based) into rows 1..m+1 of
// `rows`, the objective moved to slot m+1 (after the cut room), converted
// to the scaled space; the objective is 0 for a model without one.
bool Lp_evaluate(LpRun& run, double* rows);
// Lp_evaluate, unless the workbook's cells still hold hostX: the last
// evaluation through the workbook was at that point and the host has
// written nothing since, whose rows are then taken.
bool Lp_evaluateUnlessHeld(LpRun& run, double* rows);
// Objective kind: 0 nonlinear, 1 linear, 2 quadratic; -1 when the status
// word was set (evaluation failed or a stop was requested).
int Lp_objectiveKind(LpRun& run);
// Fills the working matrix from the host and finishes the capture; a status.
int Lp_captureModel(LpRun& run);
// The final check of a solved linear model at x (scaled, as the bounds):
// 0, 7 when a row or the objective disagrees with the tableau or a variable
// lies outside its bounds, 9 when the evaluation failed.
int Lp_finalCheck(LpRun& run);

// A progress answer as a status: 2 gives 3, 3 gives 6, 4 gives 10, else 0.
int Lp_mapAnswer(int answer);
// Query-only progress call mapped to a status.
int Lp_queryStop(LpRun& run);
// The simplex's iteration report (LpSettings::progress, context = LpRun).
int Lp_iterationReport(void* context, const LpRecord& lp, int iteration, double objective,
                       double infeasibility);
// Tolerances read from the host and the iteration report.
LpSettings Lp_settingsFromHost(LpRun& run);
// Poll: a query-only call; when it asks to stop, the scratch point is shown
// (pause, evaluation, resume) and the resume call's answer is the status.
int Lp_poll(LpRun& run);

// ---- quadratic path (Lp_QuadraticModel.cpp, Lp_Quadratic.cpp) ----

// Setup for a quadratic objective: the point set, and the objective's terms
// from the host (symmetrised; dropped when the host cannot deliver them).
// 0, or 11 when memory runs out.
int Lp_captureQuadratic(LpRun& run);
// Objective value f and gradient g[1..n] at x[1..n], all unscaled: from the
// captured terms, else the host's gradient service, else finite
// differences. 0, or a status: 9 an evaluation failed, 21 differences are
// not allowed, or a stop of the progress callback.
int Lp_objectiveGradient(LpRun& run, const double* x, double& f, double* g);
// The objective alone at x[1..n] (unscaled), by evaluating the model.
bool Lp_objectiveAt(LpRun& run, const double* x, double& f);
// Minimises (or maximises) the quadratic objective over the linear rows,
// boxing infinite bounds while the linear subproblems need it; the
// solution in x, its objective in the tableau's minimising orientation.
int Lp_solveQuadratic(LpRun& run, double& objective);
// The same without the box.
int Lp_quadraticCore(LpRun& run, double& objective);
// The quadratic solve of Lp_engineSolve: the path, the objective in row 0's
// element 0 (scaled, minimising orientation) and, once per run, the check
// that every model row at the solution agrees with its captured
// coefficients (7 when one does not).
int Lp_solveQuadraticModel(LpRun& run);

// ---- presolve (only its empty path is in this build) ----

// Set-up after scaling: 1, or 0 when memory runs out.
int Lp_presolveSetup(LpRun& run, EngineProblem* problem);
// Before each solve: 1, or 0 when the model is infeasible.
int Lp_presolve(LpRun& run);
// At finish: releases the data and the order published in the problem.
void Lp_presolveRelease(LpRun& run, EngineProblem* problem);

// ---- integer passes and node snapshots (Lp_IntegerPasses.cpp) ----

// The linear solve of one subproblem: from the node's snapshot by the dual
// warm start in node-memory mode (falling back to the cold start, after
// which node memory is off for the run), else the cold start.
int Lp_solveLinear(LpRun& run, EngineProblem* problem);
// After a linear solve with status 0 under branch and bound: the cut passes
// and the rounding heuristic, once per run each; 14 when the heuristic
// stored an integer point (x and the problem's objective hold it).
int Lp_integerPasses(LpRun& run, EngineProblem* problem, int status);
// The driver's call after a 14: the saved relaxation comes back with status 0.
int Lp_resumeRelaxation(LpRun& run, EngineProblem* problem);
// The snapshot of a solved node into problem words 16-17 in node-memory
// mode: the first, and every later one when all are kept; 11 when memory
// runs out, else 0.
int Lp_takeSnapshot(LpRun& run, EngineProblem* problem);
// At finish: a snapshot of ours still in the problem is released.
void Lp_releaseProblemSnapshot(EngineProblem* problem);

// ---- reports (Lp_ReportWrite.cpp) ----

// After a solve: the reduced costs and row dual values into the problem's
// arrays that a driver supplied (zeros when the model was not solved).
void Lp_publishDuals(const LpRun& run, int status, EngineProblem* problem);
// At finish, after the final evaluation at x: the reports the outcome
// calls for, handed to the host's report writer.
void Lp_writeReports(LpRun& run, const EngineProblem* problem);
