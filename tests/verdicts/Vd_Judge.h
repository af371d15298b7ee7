// The rules a run's verdict is held to. Every model holds a feasible point
// and has a finite optimum, so no engine may call it infeasible or
// unbounded, and a saved point must keep every row, bound and integer kind
// (recomputed from the recipe, not read from the engine). An engine that
// owes the model its optimum (the LP/quadratic, interval and SOCP engines
// on what they accept, GRG on these convex or single-root models) may end
// "solved" only there; other endings must be true: a limit, its own
// convergence rule, or a refusal of the model's kind by the engine's
// documented status.
#pragma once

#include <string>

#include "tests/verdicts/Vd_Recipe.h"
#include "tests/verdicts/Vd_Run.h"

// The engines by their --engine numbers.
enum VdEngine : int { kVdGrg = 1, kVdLp = 2, kVdEvolutionary = 3, kVdInterval = 4, kVdSocp = 5 };
inline constexpr int kVdEngineCount = 5;

struct VdVerdict {
  bool wrong = false;
  // Not wrong, but worth a look: a "converged" or "no further progress" of
  // an engine that owes the optimum, ended clearly away from it (true by
  // the engine's own rule, which says nothing of optimality).
  bool note = false;
  std::string kind;  // the class of the fault, the same words for every model that shows it
  std::string what;  // this run's particulars
};

VdVerdict Vd_judge(const VdRecipe& r, const VdRun& run);
const char* Vd_engineName(int engine);
// A failing run in full: the engine, the command, what is wrong, what the
// run said and the model's recipe.
std::string Vd_report(const VdRecipe& r, const VdRun& run, const VdVerdict& v);
