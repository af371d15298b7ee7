// The branch-and-bound search tree: nodes, shared snapshots, node selection
// and pruning.
#include "entry/Bnb_Tree.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "base/Mem_Heap.h"

namespace {

// Node allocations left before they fail (tests); negative: no limit.
int g_nodesLeft = -1;

void releaseSnapshot(void* snapshot, SnapshotRelease release) {
  if (release) release(snapshot);
  else Mem_free(snapshot);
}

bool isIncumbent(const BnbState& state, const BnbNode* node) { return node == state.incumbent; }

void addOpen(BnbState& state, BnbNode* node) {
  node->openSlot = static_cast<int>(state.openNodes.size());
  state.openNodes.push_back(node);
}

// Takes the node out of the open list: the last entry fills its place.
void removeOpen(BnbState& state, BnbNode* node) {
  if (node->openSlot < 0) return;
  BnbNode* last = state.openNodes.back();
  state.openNodes[node->openSlot] = last;
  last->openSlot = node->openSlot;
  state.openNodes.pop_back();
  node->openSlot = -1;
}

// Frees `node` and its subtree. The incumbent is kept (detached) when it
// lies in the subtree.
void freeSubtree(BnbState& state, BnbNode* node) {
  if (!node) return;
  freeSubtree(state, node->left);
  freeSubtree(state, node->right);
  if (node->state != NodeHeuristic) --state.nodesInTree;
  removeOpen(state, node);
  if (isIncumbent(state, node)) {
    node->left = node->right = node->parent = nullptr;
    return;
  }
  Bnb_dropSnapshot(state, node);
  delete node;
}

// Takes `node` out of its parent and frees it with its subtree.
void removeNode(BnbState& state, BnbNode* node) {
  if (BnbNode* parent = node->parent) {
    if (parent->left == node) parent->left = nullptr;
    if (parent->right == node) parent->right = nullptr;
  }
  freeSubtree(state, node);
}

// Whether a comes before b in the tree's preorder (a node, its down
// subtree, then its up subtree): the order in which full ties are settled.
bool precedesInTree(const BnbNode* a, const BnbNode* b) {
  const BnbNode* lastA = nullptr;
  const BnbNode* lastB = nullptr;
  while (a->depth > b->depth) lastA = a, a = a->parent;
  while (b->depth > a->depth) lastB = b, b = b->parent;
  while (a != b) lastA = a, a = a->parent, lastB = b, b = b->parent;
  if (!lastA) return true;    // a is b's ancestor (or b itself)
  if (!lastB) return false;   // b is a's ancestor
  return lastA == a->left;
}

// Whether a is the better open node under the mode.
bool better(const BnbState& state, const BnbNode* a, const BnbNode* b) {
  if (!b) return true;
  if (!state.bestBoundMode && a->depth != b->depth) return a->depth > b->depth;
  if (a->objective != b->objective) return a->objective < b->objective;
  bool aDown = a->parent && a->parent->left == a;
  bool bDown = b->parent && b->parent->left == b;
  if (aDown != bDown) return aDown;
  return precedesInTree(a, b);
}

BnbNode* findBest(const BnbState& state) {
  BnbNode* best = nullptr;
  for (BnbNode* node : state.openNodes)
    if (node->objective <= state.cutoff && better(state, node, best)) best = node;
  return best;
}

bool shouldRemove(const BnbState& state, const BnbNode* node, double limit) {
  if (node == state.root || isIncumbent(state, node)) return false;
  switch (node->state) {
    case NodeOpen:
    case NodeIntegral: return node->objective > limit;
    case NodeBranched: return node->objective > limit || (!node->left && !node->right);
    default: return true;
  }
}

// Children first, so that a branched node whose children all went is
// removed too.
void pruneSubtree(BnbState& state, BnbNode* node, double limit) {
  if (!node) return;
  pruneSubtree(state, node->left, limit);
  pruneSubtree(state, node->right, limit);
  if (shouldRemove(state, node, limit)) removeNode(state, node);
}

}  // namespace

void Bnb_failNodesAfter(int nodes) { g_nodesLeft = nodes; }

BnbState::~BnbState() {
  freeSubtree(*this, root);   // keeps the incumbent, detached
  if (incumbent) {
    Bnb_dropSnapshot(*this, incumbent);
    delete incumbent;
  }
  Bnb_releaseUnused(*this);
}

BnbNode* Bnb_newNode(BnbState& state) {
  BnbNode* node = nullptr;
  if (g_nodesLeft != 0) node = new (std::nothrow) BnbNode{};
  if (!node) {
    state.allocationFailed = true;
    return nullptr;
  }
  if (g_nodesLeft > 0) --g_nodesLeft;
  return node;
}

void Bnb_adoptSnapshot(BnbState& state) {
  void* snapshot = state.problem->saved;
  if (snapshot && !state.snapshots.count(snapshot))
    state.snapshots.emplace(snapshot, BnbSnapshotUse{state.problem->releaseSaved, 0});
}

void Bnb_holdProblemSnapshot(BnbState& state, BnbNode* node) {
  Bnb_dropSnapshot(state, node);
  Bnb_adoptSnapshot(state);
  void* snapshot = state.problem->saved;
  if (!snapshot) return;
  BnbSnapshotUse& use = state.snapshots.at(snapshot);
  ++use.users;
  node->snapshot = snapshot;
  node->release = use.release;
}

void Bnb_dropSnapshot(BnbState& state, BnbNode* node) {
  if (!node->snapshot) return;
  auto it = state.snapshots.find(node->snapshot);
  if (it != state.snapshots.end() && --it->second.users <= 0 &&
      it->first != state.problem->saved) {
    releaseSnapshot(it->first, it->second.release);
    state.snapshots.erase(it);
  }
  node->snapshot = nullptr;
  node->release = nullptr;
}

void Bnb_releaseUnused(BnbState& state) {
  for (auto it = state.snapshots.begin(); it != state.snapshots.end();) {
    if (it->second.users <= 0 && it->first != state.problem->saved) {
      releaseSnapshot(it->first, it->second.release);
      it = state.snapshots.erase(it);
    } else {
      ++it;
    }
  }
}

void Bnb_attachChild(BnbState& state, BnbNode* parent, BnbNode* child, bool up) {
  child->parent = parent;
  child->depth = parent->depth + 1;
  (up ? parent->right : parent->left) = child;
  ++state.nodesInTree;
  if (child->state == NodeOpen) addOpen(state, child);
}

void Bnb_setState(BnbState& state, BnbNode* node, int nodeState) {
  if (node->state == NodeOpen) removeOpen(state, node);
  node->state = nodeState;
  if (nodeState == NodeOpen) addOpen(state, node);
}

void Bnb_setIncumbent(BnbState& state, BnbNode* node) {
  BnbNode* old = state.incumbent;
  state.incumbent = node;
  ++state.incumbentsFound;
  if (!old || old == node) return;
  if (old->state == NodeHeuristic) {
    Bnb_dropSnapshot(state, old);
    delete old;
  } else {
    Bnb_setState(state, old, NodeDiscarded);
  }
}

double Bnb_improvementLimit(const BnbState& state) {
  const double incumbent = state.incumbent->objective;
  return incumbent - kBnbObjectiveTie * std::fabs(incumbent);
}

BnbNode* Bnb_selectNode(BnbState& state) {
  for (;;) {
    BnbNode* best = findBest(state);
    if (!best || !state.incumbent || best->objective <= Bnb_improvementLimit(state)) return best;
    Bnb_setState(state, best, NodeDiscarded);
  }
}

double Bnb_openBound(const BnbState& state) {
  double bound = kBoundInfinity;
  for (const BnbNode* node : state.openNodes) bound = std::min(bound, node->objective);
  return bound;
}

void Bnb_prune(BnbState& state) {
  if (state.incumbent) pruneSubtree(state, state.root, Bnb_improvementLimit(state));
}
