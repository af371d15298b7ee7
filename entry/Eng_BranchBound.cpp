// The branch-and-bound driver: set-up from the options and the alldifferent
// groups, the root relaxation, branching by pseudo-costs with warm starts
// from the parent's snapshot, reduced-cost bound tightening, the gap test
// and the end that leaves the incumbent in the problem.
#include "entry/Eng_BranchBound.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <new>

#include "contract/Bound_Infinity.h"
#include "contract/Host_Eval.h"
#include "contract/Host_Progress.h"
#include "contract/Host_Queries.h"
#include "entry/Bnb_Tree.h"

namespace {

constexpr int BestBoundNodes = 1024;   // best-bound mode stays below this many nodes
constexpr int SwitchNodes = 512;       // depth first turns to best bound below this many
constexpr int QueryObjectiveClass = QueryStructureLast;   // 37: the analysed objective class

// How the search ended.
enum class SearchEnd { Finished, Stopped, Gap, OutOfMemory };

// ---- set-up ----

// The options, the root's bounds, the start values as the best values and
// empty pseudo-costs.
void prepare(BnbState& s) {
  LibraryContext* c = s.owner;
  s.maximise = Host_queryModel(c, QueryMaximise) != 0;
  Host_getRealOption(c, &s.integrality, RealPrecision);
  Host_getRealOption(c, &s.gapTolerance, RealTolerance);
  Host_getRealOption(c, &s.cutoff, RealIntegerCutoff);
  if (s.maximise) s.cutoff = -s.cutoff;
  if (!(std::fabs(s.cutoff) < kBoundInfinity)) s.cutoff = kBoundInfinity;
  const EngineProblem& p = *s.problem;
  s.rootLower.assign(p.lower, p.lower + s.n);
  s.rootUpper.assign(p.upper, p.upper + s.n);
  s.best.assign(p.values, p.values + s.n);
  s.downSum.assign(s.n, 0.0);
  s.upSum.assign(s.n, 0.0);
  s.pseudoCount.assign(s.n, 0);
}

// The alldifferent groups: offsets that rise to the member count and
// members that are variables; false when they cannot be read.
bool readGroups(BnbState& s) {
  int groups = Host_queryModel(s.owner, QueryAllDifferentGroups);
  int cells = Host_queryModel(s.owner, QueryAllDifferentCells);
  if (groups <= 0) return true;
  if (cells < 0) return false;
  s.groupStarts.assign(groups + 1, 0);
  s.groupMembers.assign(std::max(cells, 1), 0);
  if (!Host_getConstraintTypes(s.owner, s.groupStarts.data(), s.groupMembers.data())) return false;
  s.groupMembers.resize(cells);
  if (s.groupStarts[0] != 0 || s.groupStarts[groups] != cells) return false;
  for (int g = 0; g < groups; ++g)
    if (s.groupStarts[g] > s.groupStarts[g + 1]) return false;
  return std::all_of(s.groupMembers.begin(), s.groupMembers.end(),
                     [&](int j) { return j >= 0 && j < s.n; });
}

void chooseReducedCosts(BnbState& s) {
  int objectiveClass = Host_queryModel(s.owner, QueryObjectiveClass);
  int engine = Host_getEngineIndex(s.owner);
  bool plainFields = Host_getEngineInfoItem(s.owner, engine, EngineInfoNibble2) == 0 &&
                     Host_getEngineInfoItem(s.owner, engine, EngineInfoNibble3) == 0;
  s.useReducedCosts =
      objectiveClass == 1 || objectiveClass == 2 || (objectiveClass == 0 && plainFields);
  if (s.useReducedCosts) s.reducedCosts.assign(s.n, 0.0);
}

// ---- branching variable and child bounds ----

bool isInteger(const BnbState& s, int j) { return s.problem->integerFlags[j] != 0; }

// The group of an alldifferent member, else -1.
int groupOf(const BnbState& s, int j) {
  int g = s.problem->integerFlags[j] - 3;
  return g >= 0 && g + 1 < static_cast<int>(s.groupStarts.size()) ? g : -1;
}

// Whether another member of j's group satisfies `test`.
template <typename Test>
bool anotherMember(const BnbState& s, int j, Test test) {
  int g = groupOf(s, j);
  if (g < 0) return false;
  for (int m = s.groupStarts[g]; m < s.groupStarts[g + 1]; ++m) {
    int k = s.groupMembers[m];
    if (k != j && test(k)) return true;
  }
  return false;
}

double fraction(double v) { return v - std::floor(v); }

// Result of the branching choice besides a variable index.
constexpr int PointIntegral = -1;   // every integer variable integral, groups distinct
constexpr int PointConflict = -2;   // members fixed at one value: no integer point here

// Snaps near-integral values and returns the variable to branch on. A
// member fixed by its bounds is not branched on (both children would repeat
// the node); when only fixed members share a value the subproblem holds no
// integer solution.
int chooseBranchVariable(BnbState& s) {
  EngineProblem& p = *s.problem;
  for (int j = 0; j < s.n; ++j) p.values[j] = std::clamp(p.values[j], p.lower[j], p.upper[j]);
  int chosen = PointIntegral;
  double bestScore = -1;
  bool fixedConflict = false;
  for (int j = 0; j < s.n; ++j) {
    if (!isInteger(s, j)) continue;
    double nearest = std::floor(p.values[j] + 0.5);
    if (std::fabs(p.values[j] - nearest) < s.integrality) {
      p.values[j] = nearest;
      auto holds = [&](int k) { return std::fabs(p.values[k] - nearest) < s.integrality; };
      if (!anotherMember(s, j, holds)) continue;
      if (p.lower[j] == p.upper[j]) {
        fixedConflict = true;
        continue;
      }
    }
    if (s.pseudoCount[j] == 0) return j;
    double f = fraction(p.values[j]);
    double down = f * s.downSum[j], up = (1 - f) * s.upSum[j];
    double score = std::max(down, up) + 2 * std::min(down, up);
    if (score > bestScore) {
      bestScore = score;
      chosen = j;
    }
  }
  return chosen == PointIntegral && fixedConflict ? PointConflict : chosen;
}

// The bound of the node's child in direction `up`; false when there is none.
bool childBound(const BnbState& s, const BnbNode& node, bool up, double* bound) {
  const EngineProblem& p = *s.problem;
  int j = node.branchVariable;
  double v = node.branchValue;
  if (groupOf(s, j) < 0 || p.lower[j] == p.upper[j]) {
    *bound = up ? std::ceil(v) : std::floor(v);
    return true;
  }
  double candidate;
  if (v == std::floor(v)) {
    bool nearUpper = p.upper[j] - v <= v - p.lower[j];
    candidate = nearUpper ? (up ? v : v - 1) : (up ? v + 1 : v);
  } else {
    candidate = up ? std::ceil(v) : std::floor(v);
  }
  auto fixedAt = [&](int k) { return p.lower[k] == p.upper[k] && p.lower[k] == candidate; };
  while (anotherMember(s, j, fixedAt)) candidate += up ? 1 : -1;
  if (candidate < p.lower[j] || candidate > p.upper[j]) return false;
  *bound = candidate;
  return true;
}

// ---- applying a node ----

void tightenByReducedCosts(BnbState& s) {
  if (!s.useReducedCosts || !s.root) return;
  double bound = s.cutoff;
  if (s.incumbent && s.incumbent->objective <= s.cutoff) bound = s.incumbent->objective;
  if (bound >= kBoundInfinity) return;
  double gap = std::max(0.0, bound - s.root->objective);
  EngineProblem& p = *s.problem;
  for (int j = 0; j < s.n; ++j) {
    double r = s.reducedCosts[j];
    if (!isInteger(s, j) || r == 0) continue;
    if (r < 0) p.lower[j] = std::max(p.lower[j], s.rootUpper[j] - std::ceil(gap / -r));
    else p.upper[j] = std::min(p.upper[j], s.rootLower[j] + std::floor(gap / r));
  }
}

// Puts the node's subproblem into the problem: its status, objective and
// snapshot, the root's bounds tightened along its path, the best values.
void applyNode(BnbState& s, const BnbNode& node) {
  EngineProblem& p = *s.problem;
  p.status = node.status;
  p.objective = s.maximise ? -node.objective : node.objective;   // the engine's own sense
  p.saved = node.snapshot;
  p.releaseSaved = node.release;
  Bnb_releaseUnused(s);
  std::copy(s.rootLower.begin(), s.rootLower.end(), p.lower);
  std::copy(s.rootUpper.begin(), s.rootUpper.end(), p.upper);
  std::copy(s.best.begin(), s.best.end(), p.values);
  std::vector<const BnbNode*> path;
  for (const BnbNode* n = &node; n->parent; n = n->parent) path.push_back(n);
  for (auto it = path.rbegin(); it != path.rend(); ++it) {
    const BnbNode* child = *it;
    int j = child->parent->branchVariable;
    (child == child->parent->left ? p.upper[j] : p.lower[j]) = child->bound;
  }
  tightenByReducedCosts(s);
}

// ---- solving ----

// Engines hand back the model's own objective; the search minimises, so a
// maximised objective is negated as it comes in.
bool runSolve(BnbState& s) {
  bool solved;
  if (!(s.problem->flags & ProblemMultistart)) {
    solved = s.solve(s.problem) != 0;
  } else {
    int result = Eng_multiStartDriver(s.solve, s.problem);
    solved = Eng_isLocalSolution(result) || result == StatusInfeasible;
  }
  if (s.maximise) s.problem->objective = -s.problem->objective;
  return solved;
}

// A heuristic integer solution: kept as the incumbent when it is integral
// and better than the one there is.
void storeHeuristic(BnbState& s) {
  const EngineProblem& p = *s.problem;
  if (chooseBranchVariable(s) != PointIntegral) return;
  if (s.incumbent && p.objective >= Bnb_improvementLimit(s)) return;
  BnbNode* node = Bnb_newNode(s);
  if (!node) return;
  node->state = NodeHeuristic;
  node->status = p.status;
  node->objective = p.objective;
  Bnb_holdProblemSnapshot(s, node);
  Bnb_setIncumbent(s, node);
  std::copy(p.values, p.values + s.n, s.best.begin());
}

// Solves, storing heuristic solutions while the engine reports them.
bool solveRepeated(BnbState& s) {
  bool solved = runSolve(s);
  Bnb_adoptSnapshot(s);
  while (s.problem->status == StatusHeuristicInteger) {
    storeHeuristic(s);
    solved = runSolve(s);
    Bnb_adoptSnapshot(s);
  }
  return solved;
}

// ---- branching one node ----

// The best bound while `node` is branched, as the driver minimises: no
// integer point left to explore lies below the node's objective, the open
// nodes' or the incumbent's.
double searchBound(const BnbState& s, const BnbNode& node) {
  double bound = std::min(node.objective, Bnb_openBound(s));
  return s.incumbent ? std::min(bound, s.incumbent->objective) : bound;
}

// Counts one subproblem with the incumbent, after handing over the best
// bound for the status line, both in the model's own sense.
int reportSubproblem(BnbState& s, const BnbNode& node) {
  double bound = searchBound(s, node);
  Host_progressBound(s.owner, s.maximise ? -bound : bound);
  std::int32_t flags = ProgressSubproblem;
  double objective = 0;
  if (s.incumbent) {
    flags |= ProgressObjective;
    objective = s.maximise ? -s.incumbent->objective : s.incumbent->objective;
  }
  return Host_progressValue(s.owner, flags, s.integerSolutions, objective);
}

// After the child's solve: hangs it under the node unless it failed, is
// worse than the incumbent or cannot be allocated. Returns the child's
// objective.
double makeChild(BnbState& s, BnbNode& node, bool up, double bound) {
  EngineProblem& p = *s.problem;
  double objective = p.objective;
  if (objective < node.objective + s.integrality) objective = node.objective;
  int branch = chooseBranchVariable(s);
  if (branch == PointConflict) return objective;
  if (branch == PointIntegral) ++s.integerSolutions;
  if (s.incumbent && objective > Bnb_improvementLimit(s)) return objective;
  BnbNode* child = Bnb_newNode(s);
  if (!child) return objective;
  child->state = branch == PointIntegral ? NodeIntegral : NodeOpen;
  child->status = p.status;
  child->objective = objective;
  child->branchVariable = branch;
  if (branch >= 0) child->branchValue = p.values[branch];
  child->bound = bound;
  if (!p.saved) {   // no snapshot of its own: it shares the node's
    p.saved = node.snapshot;
    p.releaseSaved = node.release;
  }
  Bnb_holdProblemSnapshot(s, child);
  Bnb_attachChild(s, &node, child, up);
  if (branch == PointIntegral) {
    Bnb_setIncumbent(s, child);
    std::copy(p.values, p.values + s.n, s.best.begin());
  }
  return objective;
}

bool upFirst(const BnbState& s, const BnbNode& node) {
  int j = node.branchVariable;
  if (s.pseudoCount[j] > 0) return s.downSum[j] <= s.upSum[j];
  return fraction(node.branchValue) < 0.5;
}

void updatePseudoCosts(BnbState& s, const BnbNode& node, const double* childObjective,
                       const bool* solved) {
  int j = node.branchVariable;
  double v = node.branchValue;
  double down = v - std::floor(v), up = std::ceil(v) - v;
  if (solved[0] && down != 0) s.downSum[j] += std::fabs(childObjective[0] - node.objective) / down;
  if (solved[1] && up != 0) s.upSum[j] += std::fabs(childObjective[1] - node.objective) / up;
  s.pseudoCount[j] += 1;
}

// Branches the node in both directions; false when the search must stop.
bool branchNode(BnbState& s, BnbNode& node) {
  Bnb_setState(s, &node, NodeBranched);
  bool first = upFirst(s, node);
  double childObjective[2] = {0, 0};   // down, up
  bool solved[2] = {false, false};
  int incumbents = s.incumbentsFound;
  bool go = true;
  for (int turn = 0; turn < 2 && go; ++turn) {
    bool up = turn == 0 ? first : !first;
    if (turn == 1) applyNode(s, node);
    int answer = reportSubproblem(s, node);
    if (answer != StopContinue && answer != StopByUser) {
      go = false;
      break;
    }
    double bound;
    if (!childBound(s, node, up, &bound)) continue;
    (up ? s.problem->lower : s.problem->upper)[node.branchVariable] = bound;
    solveRepeated(s);
    if (!Eng_isLocalSolution(s.problem->status)) continue;
    childObjective[up] = makeChild(s, node, up, bound);
    solved[up] = true;
    if (s.allocationFailed) go = false;
  }
  updatePseudoCosts(s, node, childObjective, solved);
  Bnb_dropSnapshot(s, &node);
  if (s.incumbentsFound != incumbents) Bnb_prune(s);
  return go;
}

// ---- the search ----

void switchMode(BnbState& s) {
  if (s.bestBoundMode) s.bestBoundMode = s.nodesInTree < BestBoundNodes;
  else s.bestBoundMode = s.incumbent && s.nodesInTree < SwitchNodes;
}

BnbNode* nextNode(BnbState& s) {
  BnbNode* next = Bnb_selectNode(s);
  if (!next && s.cutoff < kBoundInfinity) {
    s.cutoff = kBoundInfinity;
    next = Bnb_selectNode(s);
  }
  return next;
}

bool gapReached(BnbState& s, const BnbNode& next) {
  if (s.bestBoundMode) s.bestBound = next.objective;
  if (!s.incumbent) return false;
  return std::fabs(s.incumbent->objective - s.bestBound) / (std::fabs(s.bestBound) + 1) <
         s.gapTolerance;
}

SearchEnd search(BnbState& s) {
  s.bestBound = s.root->objective;
  for (BnbNode* node = s.root;;) {
    applyNode(s, *node);
    bool go = branchNode(s, *node);
    if (s.allocationFailed) return SearchEnd::OutOfMemory;
    if (!go) return SearchEnd::Stopped;
    switchMode(s);
    node = nextNode(s);
    if (!node) return SearchEnd::Finished;
    if (gapReached(s, *node)) return SearchEnd::Gap;
  }
}

// Leaves the incumbent (the root with status 5 when none was found) in the
// problem; a stopped search gives it the status of the last subproblem.
int finishSearch(BnbState& s, SearchEnd end) {
  if (!s.incumbent) {
    s.root->status = StatusInfeasible;
    s.incumbent = s.root;
  }
  if (end == SearchEnd::Stopped) s.incumbent->status = s.problem->status;
  applyNode(s, *s.incumbent);
  if (end == SearchEnd::Gap) return StatusHeuristicInteger;
  if (end == SearchEnd::OutOfMemory) return StatusOutOfMemory;
  return StatusNone;
}

// Solves the relaxation at the root and makes the root node; a status
// when the driver ends there.
int solveRoot(BnbState& s) {
  EngineProblem& p = *s.problem;
  double* given = p.reducedCosts;
  if (s.useReducedCosts) p.reducedCosts = s.reducedCosts.data();
  bool solved = solveRepeated(s);
  p.reducedCosts = given;
  if (!solved || !Eng_isLocalSolution(p.status)) {
    // A root solve stopped short has an integer point only when its own
    // is one (cells within the precision made whole); else the cells keep
    // the start values, as a search stopped before its first integer
    // point leaves them.
    if (chooseBranchVariable(s) != PointIntegral) std::copy(s.best.begin(), s.best.end(), p.values);
    return StatusNone;
  }
  double threshold;
  Host_getRealOption(s.owner, &threshold, RealReducedCost);
  for (double& r : s.reducedCosts) r = std::fabs(r) < threshold ? 0 : (s.maximise ? -r : r);
  int branch = chooseBranchVariable(s);
  if (branch == PointConflict) p.status = StatusInfeasible;
  if (branch < 0) return StatusNone;
  s.root = Bnb_newNode(s);
  if (!s.root) {   // the engine must not finish with the relaxation as if solved
    p.status = StatusOutOfMemory;
    return StatusOutOfMemory;
  }
  s.root->status = p.status;
  s.root->objective = p.objective;
  s.root->branchVariable = branch;
  s.root->branchValue = p.values[branch];
  Bnb_holdProblemSnapshot(s, s.root);
  s.nodesInTree = 1;
  return 0;
}

int runDriver(EngineOp solve, EngineProblem* problem) {
  auto s = std::make_unique<BnbState>();
  s->owner = problem->owner;
  s->solve = solve;
  s->problem = problem;
  s->n = problem->variableCount;
  prepare(*s);
  if (!readGroups(*s)) return StatusBadBounds;
  chooseReducedCosts(*s);
  if (int status = solveRoot(*s); !s->root) return status;
  return finishSearch(*s, search(*s));
}

}  // namespace

int Eng_branchAndBoundDriver(EngineOp solve, EngineProblem* problem) {
  if (!solve || !problem || !problem->owner || problem->variableCount < 1 || !problem->lower ||
      !problem->upper || !problem->values || !problem->integerFlags)
    return StatusBadBounds;
  try {
    return runDriver(solve, problem);
  } catch (const std::bad_alloc&) {
    return StatusOutOfMemory;
  }
}
