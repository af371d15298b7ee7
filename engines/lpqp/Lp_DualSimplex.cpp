// Dual warm start of the LP/quadratic engine: from a restored optimal basis
// whose bounds changed, nonbasic columns are placed at the bound their
// reduced cost asks for, then a dual simplex with a long-step (bound
// flipping) ratio test restores primal feasibility.
#include "engines/lpqp/Lp_Engine.h"

#include <cmath>

namespace {

// rows 0..m: a_i0 -= a_ik * delta.
void moveColumn(LpRecord& lp, int k, double delta) {
  if (std::fabs(delta) <= Lp_tiny) return;
  const int m = Lp_rowsInUse(lp);
  for (int i = 0; i <= m; ++i) {
    double* a = lp.matrix.row(i);
    if (std::fabs(a[k]) > Lp_tiny) a[0] -= a[k] * delta;
  }
}

// Status and value a structural nonbasic column takes from its reduced cost;
// false when the bound it needs is infinite.
bool dualStructural(const LpRecord& lp, int v, double d, int& st, double& value) {
  const double lo = lp.lower[v], up = lp.upper[v], tol = lp.reducedCostTolerance;
  if (lo == up) {
    st = kColFixed;
  } else if (d > tol) {
    st = kColAtUpper;
  } else if (d < -tol) {
    st = kColAtLower;
  } else {
    const bool toUpper = up < kBoundInfinity && (lo <= -kBoundInfinity || lp.x[v] >= up);
    st = toUpper ? kColAtUpper : kColAtLower;
  }
  value = st == kColAtUpper ? up : lo;
  return std::fabs(value) < kBoundInfinity;
}

// Places every active nonbasic column; a slack changing its bound is moved
// across the right-hand sides like a structural. False: give up.
bool dualNonbasics(LpRecord& lp) {
  const int n = lp.n;
  const double* r0 = lp.matrix.row(0);
  for (int k = 1; k <= lp.activeCols; ++k) {
    const int v = lp.colMap[k];
    const double d = r0[k];
    if (v > n) {
      const double range = lp.ranges[v - n];
      const double old = (lp.colStatus[k] == kColAtUpper && range < kBoundInfinity) ? range : 0.0;
      const int st = d > lp.reducedCostTolerance ? kColAtUpper : kColAtLower;
      if (st == kColAtUpper && range >= kBoundInfinity) return false;
      lp.colStatus[k] = st;
      moveColumn(lp, k, (st == kColAtUpper ? range : 0.0) - old);
      continue;
    }
    int st;
    double value;
    if (!dualStructural(lp, v, d, st, value)) return false;
    lp.colStatus[k] = st;
    moveColumn(lp, k, value - lp.x[v]);
    lp.x[v] = value;
  }
  const int m = Lp_rowsInUse(lp);
  for (int i = 1; i <= m; ++i)
    if (lp.rowMap[i] <= n) lp.x[lp.rowMap[i]] = lp.matrix.row(i)[0];
  return true;
}

// Primal infeasibility of the basic variable of row i and the bound it must
// go to (kColAtLower or kColAtUpper).
double infeasibility(const LpRecord& lp, int i, int& direction) {
  const int v = lp.rowMap[i];
  const double s = lp.matrix.row(i)[0];
  if (v > lp.n) {
    const double range = lp.ranges[v - lp.n];
    direction = s <= range ? kColAtLower : kColAtUpper;
    return s <= range ? -s : s - range;
  }
  direction = s < lp.lower[v] ? kColAtLower : kColAtUpper;
  if (s < lp.lower[v]) return lp.lower[v] - s;
  return s > lp.upper[v] ? s - lp.upper[v] : 0.0;
}

// Leaving row: the largest (weighted) infeasibility above the precision;
// their sum goes to element 0 of the phase-1 row.
int dualLeaving(LpRecord& lp, int& direction, double& slope) {
  const int m = Lp_rowsInUse(lp);
  double& sum = lp.matrix.row(m + 1)[0];
  sum = 0.0;
  int r = 0;
  double best = 0.0;
  for (int i = 1; i <= m; ++i) {
    int dir;
    const double inf = infeasibility(lp, i, dir);
    if (inf <= lp.precision) continue;
    sum += inf;
    const double w = lp.options.dualWeighting ? inf / std::sqrt(lp.rowWeights[i] + 1.0) : inf;
    if (w > best) best = w, r = i, direction = dir, slope = inf;
  }
  return r;
}

// Candidates of the entering column, entries above `tol`, with their
// ratios |d_k / a_rk|.
int dualCandidates(LpRecord& lp, int r, int direction, double tol) {
  const double* ar = lp.matrix.row(r);
  const double* r0 = lp.matrix.row(0);
  int count = 0;
  for (int k = 1; k <= lp.activeCols; ++k) {
    const int st = lp.colStatus[k];
    const bool rising = (st == kColAtLower && ar[k] < -tol) || (st == kColAtUpper && ar[k] > tol);
    const bool falling = (st == kColAtLower && ar[k] > tol) || (st == kColAtUpper && ar[k] < -tol);
    if (direction == kColAtUpper ? !falling : !rising) continue;
    lp.work.candCols[count] = k;
    lp.work.candRatios[count] = std::fabs(r0[k] / ar[k]);
    ++count;
  }
  return count;
}

// Index of the smallest ratio among the first `count` candidates, the first
// of equal ones; a ratio at or below 1e-15 is taken at once.
int smallestRatio(const LpRecord& lp, int count) {
  int best = 0;
  for (int c = 0; c < count; ++c) {
    if (lp.work.candRatios[c] <= Lp_tiny) return c;
    if (lp.work.candRatios[c] < lp.work.candRatios[best]) best = c;
  }
  return best;
}

// Long-step rule: passes breakpoints while the slope stays above the
// precision, flipping their columns; 0 when every candidate was flipped.
int longStep(LpRecord& lp, int r, int count, double slope) {
  const double* ar = lp.matrix.row(r);
  while (count > 0) {
    const int c = smallestRatio(lp, count);
    const int k = lp.work.candCols[c], v = lp.colMap[k];
    if (v > lp.n || lp.lower[v] <= -kBoundInfinity || lp.upper[v] >= kBoundInfinity) return k;
    slope -= std::fabs(ar[k]) * (lp.upper[v] - lp.lower[v]);
    if (slope <= lp.precision) return k;
    const bool toUpper = lp.colStatus[k] == kColAtLower;
    lp.colStatus[k] = toUpper ? kColAtUpper : kColAtLower;
    const double value = toUpper ? lp.upper[v] : lp.lower[v];
    moveColumn(lp, k, value - lp.x[v]);
    lp.x[v] = value;
    --count;
    lp.work.candCols[c] = lp.work.candCols[count];
    lp.work.candRatios[c] = lp.work.candRatios[count];
  }
  return 0;
}

// Every active column keeps its reduced cost on the optimal side.
bool dualFeasible(const LpRecord& lp) {
  const double* r0 = lp.matrix.row(0);
  const double tol = lp.reducedCostTolerance;
  for (int k = 1; k <= lp.activeCols; ++k) {
    const int st = lp.colStatus[k];
    if ((st == kColAtLower && r0[k] > tol) || (st == kColAtUpper && r0[k] < -tol)) return false;
  }
  return true;
}

// Before the verdict `status`: when the tableau is rebuilt the iterations go
// on from it (-1), unless it is no longer dual feasible (give up: 8). An
// infeasible verdict rests on the leaving row `proof`, checked against the
// model's rows; the optimum (proof 0) on the basic solution's residuals.
int dualVerdict(LpRecord& lp, int status, int proof) {
  const bool rebuilt =
      proof > 0 ? Lp_refreshUnlessCertified(lp, false, proof) : Lp_refreshBeforeVerdict(lp, false, false);
  if (!rebuilt) return status;
  return dualFeasible(lp) ? -1 : StatusBadModel;
}

// One dual iteration: 0 solved, -1 continue, else a status.
int dualIteration(LpRecord& lp, const LpSettings& s) {
  int direction = kColAtLower;
  double slope = 0.0;
  const int r = dualLeaving(lp, direction, slope);
  if (r == 0) return dualVerdict(lp, 0, 0);
  int count = dualCandidates(lp, r, direction, lp.pivotTolerance);
  if (count == 0 && s.repairPivotTolerance > 0) count = dualCandidates(lp, r, direction, s.repairPivotTolerance);
  if (count == 0) return dualVerdict(lp, StatusInfeasible, r);
  const int leaving = lp.rowMap[r];
  if (leaving > lp.n && direction == kColAtUpper) slope = -kBoundInfinity;
  int q;
  if (count == 1) q = lp.work.candCols[0];
  else if (lp.options.plainDualRatio) q = lp.work.candCols[smallestRatio(lp, count)];
  else q = longStep(lp, r, count, slope);
  if (q == 0) return dualVerdict(lp, StatusInfeasible, r);
  const bool fixed = leaving <= lp.n && lp.lower[leaving] == lp.upper[leaving];
  lp.leavingStatus = fixed ? kColFixed : direction;
  Lp_pivot(lp, r, q, Lp_rowsInUse(lp), true);
  Lp_watchDrift(lp, false);
  if (!dualFeasible(lp)) return StatusBadModel;
  const int st = Lp_report(lp, s, lp.matrix.row(Lp_rowsInUse(lp) + 1)[0]);
  return st != 0 ? st : -1;
}

// Dual iterations from the current basis until every basic variable lies
// within its bounds: 0, 5, 8 (give up) or a progress status.
int dualLoop(LpRecord& lp, const LpSettings& settings) {
  for (int i = 0; i <= lp.m; ++i) lp.rowWeights[i] = 0.0;
  const int limit = Lp_rowsInUse(lp) + lp.n;
  int status = -1;
  for (int t = 1; status < 0; ++t) {
    if (!lp.options.plainDualRatio && t >= limit) {
      lp.options.plainDualRatio = true;
      t = 1;
    } else if (lp.options.plainDualRatio && t >= 5 * limit) {
      return StatusBadModel;
    }
    status = dualIteration(lp, settings);
  }
  return status;
}

}  // namespace

bool Lp_primalFeasible(const LpRecord& lp) {
  const int m = Lp_rowsInUse(lp);
  int direction;
  for (int i = 1; i <= m; ++i)
    if (infeasibility(lp, i, direction) > lp.precision) return false;
  return true;
}

int Lp_dualRepair(LpRecord& lp, const LpSettings& settings) {
  if (Lp_primalFeasible(lp) || !dualFeasible(lp)) return 0;
  return dualLoop(lp, settings);
}

int Lp_dualWarmStart(LpRecord& lp, const LpSettings& settings) {
  Lp_readTolerances(lp, settings);
  lp.iterations = 0;
  if (!Lp_isAllocated(lp)) return StatusBadModel;
  if (!dualNonbasics(lp)) return StatusBadModel;
  // A restored snapshot carries the drift of the solve that made it.
  if (Lp_refreshBeforeVerdict(lp, false, false) && !dualFeasible(lp)) return StatusBadModel;
  const int status = dualLoop(lp, settings);
  if (status == StatusBadModel) return status;
  Lp_unpack(lp);
  return status;
}
