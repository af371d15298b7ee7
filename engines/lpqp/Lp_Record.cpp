// The LP/quadratic engine's record: sizing and checking its arrays, the
// pristine copy every solve starts from, and the current point.
#include "engines/lpqp/Lp_Engine.h"

#include <algorithm>
#include <new>

namespace {

void sizeMatrix(LpMatrix& a, int rows, int cols) {
  a.rows = rows;
  a.cols = cols;
  a.a.assign(static_cast<std::size_t>(rows) * cols, 0.0);
}

}  // namespace

int Lp_allocRecord(LpRecord& lp, int n, int modelRows, int cutRows) {
  if (n < 1 || modelRows < 0 || cutRows < 0) return StatusBadModel;
  try {
    const int m = modelRows + cutRows;
    const std::size_t nv = static_cast<std::size_t>(n) + 1, nr = static_cast<std::size_t>(m) + 2;
    lp.n = n;
    lp.m = m;
    lp.modelVars = n;
    lp.modelRows = modelRows;
    lp.colStatus.assign(nv, kColAtLower);
    lp.colMap.assign(nv, 0);
    lp.phase1Flags.assign(nr, 0);
    lp.rowMap.assign(nr, 0);
    for (auto* v : {&lp.rowValue, &lp.rowStart, &lp.rowLower, &lp.rowUpper, &lp.rowScratch, &lp.rhs})
      v->assign(nr, 0.0);
    lp.ranges.assign(nr, kBoundInfinity);
    for (auto* v : {&lp.x, &lp.xStart, &lp.point, &lp.savedX, &lp.objCoef, &lp.colWeights})
      v->assign(nv, 0.0);
    lp.lower.assign(nv, 0.0);
    lp.upper.assign(nv, kBoundInfinity);
    lp.rowWeights.assign(static_cast<std::size_t>(m) + 1, 0.0);
    lp.work.candCols.assign(nv, 0);
    lp.work.candRatios.assign(nv, 0.0);
    lp.work.pivotCols.assign(nv, 0);
    lp.work.weightCols.assign(nv, 0);
    lp.work.denseRow.assign(nv, 0.0);
    lp.work.weightMask.assign(nv, 0.0);
    lp.work.columnOf.assign(nv + static_cast<std::size_t>(m), 0);
    lp.work.pivotRows.assign(nr, 0);
    lp.types.assign(nr, LpRowType{});
    lp.pristineTypes.assign(nr, LpRowType{});
    sizeMatrix(lp.matrix, m + 2, n + 1);
    sizeMatrix(lp.pristine, m + 2, n + 1);
    lp.activeCols = n;
  } catch (const std::bad_alloc&) {
    return StatusOutOfMemory;
  }
  return 0;
}

bool Lp_isAllocated(const LpRecord& lp) {
  const std::size_t nv = static_cast<std::size_t>(lp.n) + 1, nr = static_cast<std::size_t>(lp.m) + 2;
  const int rows = Lp_rowsInUse(lp);
  return lp.n >= 1 && rows >= 0 && rows <= lp.m && lp.matrix.rows == lp.m + 2 &&
         lp.matrix.cols == lp.n + 1 && lp.matrix.a.size() == nr * nv && lp.x.size() == nv &&
         lp.colStatus.size() == nv && lp.rowMap.size() == nr && lp.ranges.size() == nr &&
         lp.types.size() == nr && lp.rowWeights.size() == nr - 1;
}

int Lp_rowsInUse(const LpRecord& lp) {
  return lp.modelRows + lp.passes.coverRowsAdded + lp.passes.gomoryRowsAdded;
}

void Lp_savePristine(LpRecord& lp) {
  lp.pristine.a = lp.matrix.a;
  lp.pristineTypes = lp.types;
}

void Lp_restoreWorking(LpRecord& lp) {
  std::copy(lp.pristine.a.begin(), lp.pristine.a.end(), lp.matrix.a.begin());
  std::copy(lp.pristineTypes.begin(), lp.pristineTypes.end(), lp.types.begin());
}

void Lp_refreshPoint(LpRecord& lp) {
  std::copy(lp.x.begin(), lp.x.end(), lp.point.begin());
  const int m = Lp_rowsInUse(lp);
  for (int i = 1; i <= m; ++i)
    if (lp.rowMap[i] <= lp.n) lp.point[lp.rowMap[i]] = lp.matrix.row(i)[0];
}
