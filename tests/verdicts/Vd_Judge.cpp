// Judges one run of one engine on a generated model against what the model
// is known to hold.
#include "tests/verdicts/Vd_Judge.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace {

// Statuses (the library's numbers) that these judgements name.
enum : int {
  kSolved = 0,
  kConverged = 1,
  kNoProgress = 2,
  kIterationLimit = 3,
  kUnbounded = 4,
  kInfeasible = 5,
  kUserStop = 6,
  kNotLinear = 7,
  kTimeLimit = 10,
  kHeuristicInteger = 14,
  kSubproblemLimit = 15,
  kIntegerLimit = 16,
  kMultistartEnd = 17,
  kUnboundedVariable = 18,
  kIntervalClass = 1000,
  kIntervalWide = 1002,
  kSocpClass = 1101,
  kSocpQuadraticRow = 1102,
};

// How far from the optimum each engine's "solved" may be, relative to
// 1 + |optimum| + the size of the objective's terms: the simplex's
// tolerances, the barrier's, GRG's convergence test and the interval
// search's accuracy (its gap test, 0.001 by default).
double objectiveTolerance(int engine) {
  switch (engine) {
    case kVdLp: return 1e-6;
    case kVdSocp: return 1e-5;
    case kVdGrg: return 1e-4;
    default: return 1e-3;
  }
}
// The saved objective cell against the recipe's value at the saved point.
constexpr double kCellTolerance = 1e-9;
// Two integer points of one model differ in objective by a whole step of its
// coefficients; what is left is the rounding of its terms.
constexpr double kIntegerObjectiveTolerance = 1e-9;
constexpr double kRoundoff = 1e-12;

bool boxed(const VdRecipe& r) {
  return std::all_of(r.variables.begin(), r.variables.end(),
                     [](const VdVariable& v) { return std::isfinite(v.lower) && std::isfinite(v.upper); });
}

// What the LP/quadratic engine takes: linear rows, a linear or quadratic objective.
bool linearOrQuadratic(const VdRecipe& r) {
  return r.kind != VdClass::System && r.kind != VdClass::ConvexRows && r.kind != VdClass::Smooth;
}

bool hasEquality(const VdRecipe& r) {
  return std::any_of(r.rows.begin(), r.rows.end(), [](const VdRow& row) { return row.relation == VdRelation::Eq; });
}

bool severalBalls(const VdRecipe& r) {
  return std::count_if(r.rows.begin(), r.rows.end(), [](const VdRow& row) { return !row.square.empty(); }) > 1;
}

// A status that says truly why the run ended without a solution: a limit,
// the user, or the engine declining the model's kind.
bool trueEnding(const VdRecipe& r, int engine, int status) {
  switch (status) {
    case kIterationLimit:
    case kUserStop:
    case kTimeLimit:
    case kSubproblemLimit:
    case kIntegerLimit: return true;
    // The evolutionary engine is no exact method: a population rarely lands
    // on an equality's surface or in the lens several balls leave, and its
    // status 5 says only that it found no feasible point, not that none
    // exists.
    case kInfeasible: return engine == kVdEvolutionary && (hasEquality(r) || severalBalls(r));
    case kNotLinear:
      return (engine == kVdLp && !linearOrQuadratic(r)) ||
             (engine == kVdSocp && (r.kind == VdClass::System || r.kind == VdClass::Smooth));
    case kUnboundedVariable: return (engine == kVdInterval || engine == kVdEvolutionary) && !boxed(r);
    case kIntervalWide: return engine == kVdInterval;
    case kIntervalClass: return engine == kVdInterval && r.objective.sense == VdSense::Value;
    case kSocpClass:
    case kSocpQuadraticRow: return engine == kVdSocp && (r.kind == VdClass::System || r.kind == VdClass::Smooth);
    default: return false;
  }
}

bool owesOptimum(const VdRecipe& r, int engine) {
  if (engine == kVdEvolutionary) return false;
  if (engine == kVdLp) return linearOrQuadratic(r);
  return (r.kind != VdClass::System && r.kind != VdClass::Smooth) || engine == kVdGrg || engine == kVdInterval;
}

bool allInteger(const VdRecipe& r) {
  return std::all_of(r.variables.begin(), r.variables.end(),
                     [](const VdVariable& v) { return v.kind != VdKind::Continuous; });
}

// How far the saved objective may be from the optimum: an integer model's
// only by rounding, whatever the size of its terms; otherwise the engine's
// tolerance relative to the size of the objective's terms at the optimum.
double optimumTolerance(const VdRecipe& r, int engine, const std::vector<double>& x) {
  if (allInteger(r))
    return kIntegerObjectiveTolerance * (1 + std::fabs(r.optimum)) +
           kRoundoff * (Vd_objectiveScale(r, x) + Vd_objectiveScale(r, r.planted));
  return objectiveTolerance(engine) * (1 + std::fabs(r.optimum) + Vd_objectiveScale(r, r.planted));
}

VdVerdict wrong(const std::string& kind, const std::string& what) { return {true, kind, what}; }

// How much better than the optimum f is (negative: worse); for a value to
// reach, minus the distance from it.
double betterBy(const VdRecipe& r, double f) {
  switch (r.objective.sense) {
    case VdSense::Min: return r.optimum - f;
    case VdSense::Max: return f - r.optimum;
    default: return -std::fabs(f - r.optimum);
  }
}

const char* violationKind(const std::string& broken) {
  if (broken.find("fractional") != std::string::npos) return "integer cell saved fractional";
  if (broken.find("bound") != std::string::npos || broken.find("non-negative") != std::string::npos)
    return "saved a point beyond a bound";
  if (broken.find("alldifferent") != std::string::npos) return "saved a point that breaks an alldifferent group";
  return "saved a point that breaks a row";
}

// A saved point: it keeps the model, its objective cell is the model's
// objective there, and a "solved" of an engine that owes the optimum is at
// the optimum.
VdVerdict judgeSaved(const VdRecipe& r, const VdRun& run) {
  const std::string broken = Vd_violation(r, run.x);
  if (!broken.empty()) return wrong(violationKind(broken), broken);
  if (r.objective.sense == VdSense::None) return {};
  const double f = Vd_objectiveValue(r, run.x);
  if (!run.objectiveIsNumber || std::fabs(run.objective - f) > kCellTolerance * (1 + Vd_objectiveScale(r, run.x)))
    return wrong("objective cell differs from the model's objective at the saved point",
                 "the objective cell holds " + Vd_number(run.objective) + ", the objective there is " + Vd_number(f));
  const double tol = optimumTolerance(r, run.engine, run.x);
  const double better = betterBy(r, f);
  const std::string at = "objective " + Vd_number(f) + ", optimum " + Vd_number(r.optimum);
  // Better by a use of the rows' tolerance is no fault; better with every
  // row all but exact is.
  if (better > tol)
    return Vd_violation(r, run.x, true).empty() ? wrong("saved a point better than the optimum", at) : VdVerdict{};
  if (!owesOptimum(r, run.engine) || -better <= tol) return {};
  if (run.status == kSolved) return wrong("\"solved\" at another objective", at);
  // Its own convergence rule is no excuse for an engine that owes the optimum.
  if (run.status == kConverged || run.status == kNoProgress)
    return wrong("status " + std::to_string(run.status) + " away from the optimum", at);
  return {};
}

}  // namespace

const char* Vd_engineName(int engine) {
  switch (engine) {
    case kVdGrg: return "GRG";
    case kVdLp: return "LP/quadratic";
    case kVdEvolutionary: return "evolutionary";
    case kVdInterval: return "interval";
    default: return "SOCP";
  }
}

VdVerdict Vd_judge(const VdRecipe& r, const VdRun& run) {
  if (run.status == kVdNoStatus) return wrong("no status line", "exit " + std::to_string(run.exit));
  if (run.status == kInfeasible && !trueEnding(r, run.engine, run.status))
    return wrong("\"no feasible solution\" on a model holding a feasible point", "");
  if (run.status == kUnbounded) return wrong("\"unbounded\" on a model with a finite optimum", "");
  // The evolutionary engine is no exact method: a point of its own that the
  // front end refuses is no verdict of the run's.
  if (run.pointRefused && run.engine != kVdEvolutionary)
    return wrong("status " + std::to_string(run.status) + " at a point the front end refuses", run.statusLine);
  if (run.exit == 0 && !run.saved) return wrong("a solution but nothing saved", "");
  if (run.status == kSolved && !run.saved && !run.pointRefused)
    return wrong("\"solved\" but nothing saved", "exit " + std::to_string(run.exit));
  if (run.saved) return judgeSaved(r, run);
  if (run.status == kSolved || run.status == kConverged || run.status == kNoProgress ||
      run.status == kHeuristicInteger || run.status == kMultistartEnd || run.pointRefused ||
      trueEnding(r, run.engine, run.status))
    return {};
  return wrong("status " + std::to_string(run.status), run.statusLine);
}

std::string Vd_report(const VdRecipe& r, const VdRun& run, const VdVerdict& v) {
  std::string s = std::string(Vd_engineName(run.engine)) + (run.analysed ? " with dia=2" : "") + ": " + v.kind;
  if (!v.what.empty()) s += " (" + v.what + ")";
  s += "\n  " + Vd_commandLine(run.engine, run.analysed) + "\n  said: " + run.statusLine + " [exit " +
       std::to_string(run.exit) + "]";
  if (run.saved) {
    s += "\n  saved x = (";
    for (size_t j = 0; j < run.x.size(); ++j) s += (j ? ", " : "") + Vd_number(run.x[j]);
    s += ")";
  }
  return s + "\n  " + Vd_describe(r);
}

bool Vd_isLimit(int status) {
  return status == kIterationLimit || status == kTimeLimit || status == kSubproblemLimit || status == kIntegerLimit;
}

VdGrade Vd_grade(const VdRun& run, const VdVerdict& v) {
  if (v.wrong) return VdGrade::Wrong;
  return run.saved && !Vd_isLimit(run.status) ? VdGrade::Solved : VdGrade::Ended;
}

const char* Vd_gradeName(VdGrade g) {
  return g == VdGrade::Solved ? "right with a solution" : g == VdGrade::Ended ? "right without one" : "wrong";
}
