// The search tree of the branch-and-bound driver: node records, the
// driver's state for one run, the engine snapshots that nodes share, node
// selection and pruning after a new incumbent.
//
// A node's snapshot is the engine's warm-start record (problem words 16 and
// 17) after its subproblem's solve. A child whose solve left no snapshot of
// its own shares its parent's, so snapshots are counted by their users and
// released when the last one goes.
#pragma once

#include <cstdint>
#include <unordered_map>
#include <vector>

#include "contract/Bound_Infinity.h"
#include "contract/Eng_Engine.h"

enum BnbNodeState : int {
  NodeOpen = 0,
  NodeBranched = 1,
  NodeIntegral = 2,
  NodeDiscarded = 3,
  NodeHeuristic = 5,   // a heuristic integer solution, outside the tree
};

struct BnbNode {
  int state = NodeOpen;
  BnbNode* left = nullptr;    // down child
  BnbNode* right = nullptr;   // up child
  BnbNode* parent = nullptr;
  int status = 0;             // of its subproblem
  double objective = 0;       // of its subproblem: the bound of its children
  void* snapshot = nullptr;
  SnapshotRelease release = nullptr;
  int branchVariable = -1;
  double branchValue = 0;     // that variable's value in the node's solution
  double bound = 0;           // the bound this node's branch put on its parent's variable
  int depth = 0;
  int openSlot = -1;          // its place in the state's open list while open
};

struct BnbSnapshotUse {
  SnapshotRelease release;
  int users;
};

struct BnbState {
  LibraryContext* owner = nullptr;
  EngineOp solve = nullptr;
  EngineProblem* problem = nullptr;
  int n = 0;
  bool maximise = false;
  bool bestBoundMode = false;
  int nodesInTree = 0;
  int integerSolutions = 0;
  double integrality = 1e-8;   // "solver_pre"
  double gapTolerance = 0;     // "solver_tol"
  double cutoff = kBoundInfinity;  // "solver_kiv", as the driver minimises
  double bestBound = 0;
  std::vector<double> rootLower, rootUpper, best;
  bool useReducedCosts = false;
  std::vector<double> reducedCosts;
  std::vector<double> downSum, upSum;
  std::vector<int> pseudoCount;
  std::vector<int> groupStarts, groupMembers;   // alldifferent groups
  BnbNode* root = nullptr;
  BnbNode* incumbent = nullptr;
  std::vector<BnbNode*> openNodes;   // the open nodes in the tree, in no order
  int incumbentsFound = 0;
  bool allocationFailed = false;
  std::unordered_map<void*, BnbSnapshotUse> snapshots;

  BnbState() = default;
  BnbState(const BnbState&) = delete;
  BnbState& operator=(const BnbState&) = delete;
  // Frees the tree and the incumbent, and releases every snapshot except
  // the one the problem holds.
  ~BnbState();
};

// A new node; none when memory runs out (or the test limit is reached),
// which sets allocationFailed.
BnbNode* Bnb_newNode(BnbState& state);

// Registers the snapshot the problem holds after a solve (no users yet).
void Bnb_adoptSnapshot(BnbState& state);
// The node takes the problem's current snapshot as its own.
void Bnb_holdProblemSnapshot(BnbState& state, BnbNode* node);
// The node gives up its snapshot; the last user releases it.
void Bnb_dropSnapshot(BnbState& state, BnbNode* node);
// Releases the snapshots no node uses, except the one the problem holds.
void Bnb_releaseUnused(BnbState& state);

// Hangs `child` under `parent`: the down child left, the up child right.
void Bnb_attachChild(BnbState& state, BnbNode* parent, BnbNode* child, bool up);
// Changes a node's state, keeping the list of open nodes.
void Bnb_setState(BnbState& state, BnbNode* node, int nodeState);
// Makes `node` the incumbent; the old one is freed when it was a heuristic
// solution, else marked discarded.
void Bnb_setIncumbent(BnbState& state, BnbNode* node);

// The objective a node must not exceed to be worth its subtree: the
// incumbent's less kBnbObjectiveTie of its size. A node above it ties with
// the incumbent: an engine's objective is exact only to its own relative
// tolerance, and a tie kept open (a free integer column that costs
// nothing) is branched on without end. A part in 1E+09: an integer point
// better by a part in a million of a large objective is still better.
inline constexpr double kBnbObjectiveTie = 1e-9;
double Bnb_improvementLimit(const BnbState& state);
// The next open node to branch under the mode, with an objective not above
// the cutoff; nodes that do not improve on the incumbent met on the way are
// discarded. None when no open node remains.
BnbNode* Bnb_selectNode(BnbState& state);
// The least objective of the open nodes, as the driver minimises: no
// integer point of their subtrees lies below it. kBoundInfinity when no node
// is open.
double Bnb_openBound(const BnbState& state);
// After a new incumbent: removes the open, branched and integral nodes
// that do not improve on it, branched nodes left without children and
// discarded nodes.
void Bnb_prune(BnbState& state);

// For tests: after `nodes` more node allocations every allocation fails, as
// when memory runs out; a negative count lifts the limit.
void Bnb_failNodesAfter(int nodes);
