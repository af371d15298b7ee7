// The rules a run's verdict is held to. Every model holds a feasible point
// and has a finite optimum, so no engine may call it infeasible or
// unbounded, and a saved point must keep every row, bound, the non-negative
// option, integer kind and AllDifferent group (recomputed from the recipe,
// not read from the engine). An engine that owes the model its optimum (the
// LP/quadratic engine on LP and QP, the interval engine, SOCP on conic
// models, GRG on these convex or single-optimum models) may end "solved",
// "converged" or "no further progress" only there, and an integer point
// only at the optimum's value, whatever the size of the other terms; other
// endings must be true: a limit or a refusal of the model's kind by the
// engine's documented status. "Solved" with nothing saved is wrong.
#pragma once

#include <string>

#include "tests/verdicts/Vd_Recipe.h"
#include "tests/verdicts/Vd_Run.h"

// The engines by their --engine numbers.
enum VdEngine : int { kVdGrg = 1, kVdLp = 2, kVdEvolutionary = 3, kVdInterval = 4, kVdSocp = 5 };
inline constexpr int kVdEngineCount = 5;

struct VdVerdict {
  bool wrong = false;
  std::string kind;  // the class of the fault, the same words for every model that shows it
  std::string what;  // this run's particulars
};

VdVerdict Vd_judge(const VdRecipe& r, const VdRun& run);
const char* Vd_engineName(int engine);
// A failing run in full: the engine, the command, what is wrong, what the
// run said and the model's recipe.
std::string Vd_report(const VdRecipe& r, const VdRun& run, const VdVerdict& v);

// A limit ending (iterations, time, subproblems, integer solutions).
bool Vd_isLimit(int status);
// How good a run's verdict is, for comparing two builds: wrong, right but
// ended without a solution (a limit or a refusal), or right with one.
enum class VdGrade { Solved = 0, Ended = 1, Wrong = 2 };
VdGrade Vd_grade(const VdRun& run, const VdVerdict& v);
const char* Vd_gradeName(VdGrade g);
