// Node snapshots of the LP/quadratic engine: a copy of the simplex state of
// a solved node (tableau, row types, values, maps and column statuses) from
// which the branch-and-bound driver's child subproblems warm-start, and the
// release routine handed to the driver with it.
#include <algorithm>
#include <new>

#include "engines/lpqp/Lp_Engine.h"

std::size_t Lp_nodeSize(const LpRecord& lp) {
  const std::size_t n1 = static_cast<std::size_t>(lp.n) + 1, m2 = static_cast<std::size_t>(lp.m) + 2;
  return m2 * 32 + 216 + (8 * n1 + 4) * m2 + 2 * m2 + 4 * (m2 + 3 * n1);
}

LpSnapshot* Lp_makeSnapshot(LpRecord& lp) {
  LpSnapshot* s = new (std::nothrow) LpSnapshot;
  if (!s) return nullptr;
  try {
    s->owner = &lp;
    s->matrix = lp.matrix.a;
    s->types = lp.types;
    s->x = lp.x;
    s->colMap = lp.colMap;
    s->rowMap = lp.rowMap;
    s->colStatus = lp.colStatus;
    s->phase1Flags = lp.phase1Flags;
    s->activeCols = lp.activeCols;
    s->rowsInUse = Lp_rowsInUse(lp);
    s->pivotsSinceRebuild = lp.drift.pivotsSinceRebuild;
  } catch (const std::bad_alloc&) {
    delete s;
    return nullptr;
  }
  return s;
}

bool Lp_restoreSnapshot(LpRecord& lp, const LpSnapshot& s) {
  if (s.owner != &lp || s.matrix.size() != lp.matrix.a.size() || s.x.size() != lp.x.size() ||
      s.rowMap.size() != lp.rowMap.size() || s.rowsInUse != Lp_rowsInUse(lp))
    return false;
  std::copy(s.matrix.begin(), s.matrix.end(), lp.matrix.a.begin());
  std::copy(s.types.begin(), s.types.end(), lp.types.begin());
  std::copy(s.x.begin(), s.x.end(), lp.x.begin());
  std::copy(s.colMap.begin(), s.colMap.end(), lp.colMap.begin());
  std::copy(s.rowMap.begin(), s.rowMap.end(), lp.rowMap.begin());
  std::copy(s.colStatus.begin(), s.colStatus.end(), lp.colStatus.begin());
  std::copy(s.phase1Flags.begin(), s.phase1Flags.end(), lp.phase1Flags.begin());
  lp.activeCols = s.activeCols;
  lp.drift.pivotsSinceRebuild = s.pivotsSinceRebuild;
  lp.drift.pivotsSinceCheck = 0;
  return true;
}

void Lp_releaseSnapshot(void* snapshot) { delete static_cast<LpSnapshot*>(snapshot); }
