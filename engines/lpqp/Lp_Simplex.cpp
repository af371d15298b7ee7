// Dense bounded primal simplex of the LP/quadratic engine on a condensed
// tableau: only the n nonbasic columns are stored, row 0 is the objective,
// rows 1..m the constraints and row m+1 the phase-1 row; element 0 of every
// row is the value of its basic variable. Two phases with artificial slacks,
// bound flips, optional column weighting, and a phase-2 re-solve for a new
// objective.
#include "base/Chk_Assert.h"
#include "engines/lpqp/Lp_Engine.h"

#include <algorithm>
#include <cmath>
#include <utility>

double Lp_nonbasicValue(const LpRecord& lp, int k) {
  const int v = lp.colMap[k], st = lp.colStatus[k];
  if (v > lp.n) {
    const double range = lp.ranges[v - lp.n];
    return (st == kColAtUpper && range < kBoundInfinity) ? range : 0.0;
  }
  if (st == kColFree) return 0.0;
  return st == kColAtUpper ? lp.upper[v] : lp.lower[v];
}

namespace {

// Reduced-cost tolerance of phase 1's last stretch before an infeasible verdict.
// Dual repairs of an optimum that left its bounds, at most.
constexpr int kRepairRounds = 3;
// Long steps at the fine tolerance taken from an optimum, at most.
constexpr int kLongSteps = 16;

// Bound width of the variable in column k (infinite when a bound is).
double columnRange(const LpRecord& lp, int k) {
  double lo, up;
  Lp_variableBounds(lp, lp.colMap[k], lo, up);
  return (lo <= -kBoundInfinity || up >= kBoundInfinity) ? kBoundInfinity : up - lo;
}

// a_0 -= a_q * delta for one row, skipping a zero entry.
void shiftRow(double* a, int q, double delta) {
  if (std::fabs(a[q]) > Lp_tiny) a[0] -= a[q] * delta;
}

// rows 0..last: a_i0 -= a_iq * delta.
void shiftRhs(LpRecord& lp, int q, double delta, int last) {
  if (std::fabs(delta) <= Lp_tiny) return;
  for (int i = 0; i <= last; ++i) shiftRow(lp.matrix.row(i), q, delta);
}

// Lists the constraint rows other than r with a nonzero entry in column q
// (one pass down the column); an entry that counts as zero takes its
// new value -p * a_iq at once. Returns how many were listed.
int pivotColumnRows(LpRecord& lp, int r, int q, double p) {
  const int m = Lp_rowsInUse(lp);
  int count = 0;
  for (int i = 1; i <= m; ++i) {
    double* a = lp.matrix.row(i);
    if (i == r) continue;
    if (std::fabs(a[q]) > Lp_tiny) lp.work.pivotRows[count++] = i;
    else a[q] *= -p;
  }
  return count;
}

// The basis exchange at (r, q): the leaving variable goes to the bound the
// leaving status names (a slack without range to kColAtLower). Returns its value.
double exchangeMaps(LpRecord& lp, int r, int q) {
  const int n = lp.n;
  const int entering = lp.colMap[q], leaving = lp.rowMap[r];
  lp.colMap[q] = leaving;
  lp.rowMap[r] = entering;
  lp.colStatus[q] = lp.leavingStatus;
  if (leaving > n && lp.leavingStatus == kColAtUpper && lp.ranges[leaving - n] >= kBoundInfinity) lp.colStatus[q] = kColAtLower;
  const double beta = Lp_nonbasicValue(lp, q);
  if (leaving <= n) lp.x[leaving] = beta;
  return beta;
}

// The squared entries of row i in the listed weight columns: to the row's
// weight (dual) or to each column's (primal), in the order of the columns.
void addWeights(LpRecord& lp, const double* ai, int i, int wcount, bool dual) {
  const int* cols = lp.work.weightCols.data();
  if (dual) {
    double sum = lp.rowWeights[i];
    for (int w = 0; w < wcount; ++w) sum += ai[cols[w]] * ai[cols[w]];
    lp.rowWeights[i] = sum;
    return;
  }
  double* weights = lp.colWeights.data();
  for (int w = 0; w < wcount; ++w) weights[cols[w]] += ai[cols[w]] * ai[cols[w]];
}

// a_i -= c * a_r over the listed nonzero columns of the pivot row.
void eliminate(double* ai, const double* ar, double c, const int* cols, int count) {
  for (int t = 0; t < count; ++t) ai[cols[t]] -= ar[cols[t]] * c;
}

// The same over a full row: `dense` is the pivot row with every unlisted
// entry zero, so that each listed entry changes as above and every other
// stays. A sweep over a multiple of four entries, then the rest: the
// compiler does the first several entries at a time.
LP_ROW_LOOPS void eliminateDense(double* __restrict ai, const double* __restrict dense, double c, int size) {
  const int body = size & ~3;
  for (int k = 0; k < body; ++k) ai[k] -= dense[k] * c;
  for (int k = body; k < size; ++k) ai[k] -= dense[k] * c;
}

// Primal weights from row i over a full row: `mask` is 1 at the weight
// columns and 0 elsewhere, so that only those weights grow.
LP_ROW_LOOPS void addWeightsDense(double* __restrict weights, const double* __restrict ai,
                                  const double* __restrict mask, int size) {
  const int body = size & ~3;
  for (int k = 0; k < body; ++k) weights[k] += mask[k] * ai[k] * ai[k];
  for (int k = body; k < size; ++k) weights[k] += mask[k] * ai[k] * ai[k];
}

// Whether a list of `count` of `size` entries is long enough for the full
// sweeps to beat the indexed ones.
bool denseEnough(int count, int size) { return 4 * count > size; }

// `to` zero except at the listed entries, which take the row's values
// (1 without a row).
void spreadList(std::vector<double>& to, const double* row, const int* list, int count) {
  std::fill(to.begin(), to.end(), 0.0);
  for (int t = 0; t < count; ++t) to[list[t]] = row ? row[list[t]] : 1.0;
}

// Column of every nonbasic variable (0 for a basic one) into
// work.columnOf, for the tie rule to walk the variables in index order.
void mapColumns(LpRecord& lp) {
  std::vector<int>& columnOf = lp.work.columnOf;
  std::fill(columnOf.begin(), columnOf.end(), 0);
  for (int k = 1; k <= lp.n; ++k) columnOf[lp.colMap[k]] = k;
}

// Tie between rows a (chosen) and b with equal ratio for entering column q:
// the smallest variable index, below both basic ones, where their ratio
// rows differ decides (work.columnOf maps the nonbasic variables).
int breakTie(const LpRecord& lp, int a, int b, int q, bool increasing) {
  const double* ra = lp.matrix.row(a);
  const double* rb = lp.matrix.row(b);
  const int va = lp.rowMap[a], vb = lp.rowMap[b];
  const int key = va < vb ? va : vb;
  for (int v = 1; v < key; ++v) {
    const int k = lp.work.columnOf[v];
    if (k == 0 || k == q) continue;
    const double pa = std::fabs(ra[k]) <= Lp_tiny ? 0.0 : ra[k] / ra[q];
    const double pb = std::fabs(rb[k]) <= Lp_tiny ? 0.0 : rb[k] / rb[q];
    if (pa != pb) return ((pa < pb) == increasing) ? a : b;
  }
  return increasing ? (vb >= va ? b : a) : (va <= vb ? a : b);
}

// Whether some basic variable sits exactly on one of its bounds.
bool anyBasicAtBound(const LpRecord& lp) {
  const int m = Lp_rowsInUse(lp);
  for (int i = 1; i <= m; ++i) {
    double lo, up;
    Lp_variableBounds(lp, lp.rowMap[i], lo, up);
    const double v = lp.matrix.row(i)[0];
    if (v == lo || v == up) return true;
  }
  return false;
}

// The bound that blocks the basic variable of row i, and the status it
// leaves with; false when nothing blocks. While a row is still artificial
// its basic variable has no upper bound, and while a ranged row's slack
// above its range is counted in the phase-1 row it is blocked at the range
// (where it becomes feasible) and never when rising.
bool blockingBound(const LpRecord& lp, int i, bool basicFalls, double& bound, int& status) {
  double lo, up;
  Lp_variableBounds(lp, lp.rowMap[i], lo, up);
  const int flag = lp.phase1Flags[i];
  const char type = lp.types[i].type;
  if (flag == 1 && type != '<') up = kBoundInfinity;
  if (flag == 2) {
    if (!basicFalls) return false;
    bound = up;
    status = kColAtUpper;
    return true;
  }
  bound = basicFalls ? lo : up;
  status = basicFalls ? kColAtLower : kColAtUpper;
  return std::fabs(bound) < kBoundInfinity;
}

// Largest |a_rk| over the active columns, first of equal ones.
int largestInRow(const LpRecord& lp, int r) {
  const double* a = lp.matrix.row(r);
  int best = 0;
  for (int k = 1; k <= lp.activeCols; ++k)
    if (best == 0 || std::fabs(a[k]) > std::fabs(a[best])) best = k;
  return best;
}

// A row whose entry in column q lies below the pivot tolerance still blocks
// a step long enough to carry its basic variable beyond its bound by more
// than the precision: on a model of mixed magnitudes such an entry is no
// rounding but a small coefficient (x + 1E+08 y <= 10 moves y by 1E-08 a
// unit of its slack), and a step past it leaves a basic variable far out
// of its box or calls a boxed model unbounded. An entry below the pivot
// tolerance beside its row's largest is what the updates' rounding leaves
// in a row of that size, and blocks nothing. The nearest blocking row of
// the `count` listed leaves instead of what the test chose for `step`.
void smallEntryBlock(LpRecord& lp, const int* rows, int count, int q, bool increasing, double step,
                     LpRatio& result) {
  double nearest = step;
  for (int listed = 0; listed < count; ++listed) {
    const int i = rows[listed];
    const double* a = lp.matrix.row(i);
    double bound;
    int status;
    if (!blockingBound(lp, i, (a[q] > 0) == increasing, bound, status)) continue;
    const double t = std::fabs((a[0] - bound) / a[q]);
    if (t >= nearest || std::fabs(a[q]) * (step - t) <= lp.precision) continue;
    if (std::fabs(a[q]) < lp.pivotTolerance * std::fabs(a[largestInRow(lp, i)])) continue;
    nearest = t;
    result.row = i;
    result.flip = false;
    lp.leavingStatus = status;
  }
}

// After a phase-1 exchange at row r: the row's artificial is gone. An
// equality row's column leaves the active set; a '>' row's column becomes
// its surplus (negated) and leaves the phase-1 sum, as does a counted
// ranged slack. The dropped equality artificial leaves the phase-1 sum too
// (its entry there is never priced again), so that the phase-1 row stays
// the sum of the rows it counts, as a rebuild makes it. A row this
// exchange changed may have become dependent on rows whose artificials
// have gone (a repeated equality): it is cleared of its rounding.
void dropArtificial(LpRecord& lp, int r, int q) {
  const int flag = lp.phase1Flags[r];
  if (flag == 0) return;
  lp.phase1Flags[r] = 0;
  const int p1 = Lp_rowsInUse(lp) + 1;
  const char type = lp.types[r].type;
  if (flag == 2) {
    lp.matrix.row(p1)[q] += 1.0;
  } else if (type == '=') {
    lp.matrix.row(p1)[q] += 1.0;
    const int k = lp.activeCols;
    for (int i = 0; i <= p1; ++i) {
      double* a = lp.matrix.row(i);
      const double old = a[q];
      a[q] = a[k];
      a[k] = -old;
    }
    std::swap(lp.colMap[q], lp.colMap[k]);
    std::swap(lp.colStatus[q], lp.colStatus[k]);
    --lp.activeCols;
    for (int i = 1; i < p1; ++i)
      if (lp.matrix.row(i)[k] != 0) Lp_clearIfDependent(lp, i, true);
  } else if (type == '>') {
    lp.matrix.row(p1)[q] += 1.0;
    for (int i = 0; i <= p1; ++i) lp.matrix.row(i)[q] = -lp.matrix.row(i)[q];
  }
}

// Start: nonbasic values at bounds, rows with negative right-hand sides
// negated, phase-1 row and flags, identity maps.
void coldBasis(LpRecord& lp) {
  const int n = lp.n, m = Lp_rowsInUse(lp), p1 = m + 1;
  for (int j = 1; j <= n; ++j) {
    const double lo = lp.lower[j], up = lp.upper[j];
    const bool loF = lo > -kBoundInfinity, upF = up < kBoundInfinity;
    int st = kColFree;
    double v = 0;
    if (lo == up) st = kColFixed, v = lo;
    else if (loF && upF) st = (2 * lp.x[j] <= lo + up) ? kColAtLower : kColAtUpper, v = st == kColAtLower ? lo : up;
    else if (loF) st = kColAtLower, v = lo;
    else if (upF) st = kColAtUpper, v = up;
    lp.colStatus[j] = st;
    lp.colMap[j] = j;
    lp.x[j] = v;
    shiftRhs(lp, j, v, m);
  }
  for (int i = 1; i <= m; ++i) {
    double* a = lp.matrix.row(i);
    LpRowType& t = lp.types[i];
    if (a[0] < 0) {
      for (int k = 0; k <= n; ++k) a[k] = -a[k];
      t.type = t.type == '<' ? '>' : t.type == '>' ? '<' : t.type;
      ++t.flips;
    }
  }
  double* p = lp.matrix.row(p1);
  for (int k = 0; k <= n; ++k) p[k] = 0.0;
  for (int i = 1; i <= m; ++i) {
    const double* a = lp.matrix.row(i);
    const bool ranged = lp.ranges[i] < kBoundInfinity;
    const char type = lp.types[i].type;
    lp.rowMap[i] = n + i;
    lp.phase1Flags[i] = 1;
    if (type == '<' && !(ranged && a[0] > lp.ranges[i])) continue;
    if (type == '<') {
      lp.phase1Flags[i] = 2;
      p[0] += a[0] - lp.ranges[i];
    } else {
      p[0] += a[0];
    }
    for (int k = 1; k <= n; ++k) p[k] += a[k];
  }
  lp.activeCols = n;
  lp.iterations = 0;
}

// Whether phase 1 has met the rows: its sum (row p1) within the precision,
// or each row it counts within the precision of the row's own size. The
// sum is in scaled units, where a row of coefficients near 1E-10 is
// multiplied by 2^33, its right-hand side with it, and rounding alone may
// leave more than the precision.
bool phase1Met(LpRecord& lp, int p1) { return lp.matrix.row(p1)[0] <= lp.precision || Lp_phase1RowsMet(lp); }

// Primal iterations on pricing row `pr` over rows 0..last. No verdict
// (optimal, infeasible at the end of phase 1, unbounded) is given on a
// drifted tableau: it is rebuilt first and the iterations go on from it.
int primalLoop(LpRecord& lp, const LpSettings& s, int pr, int last, bool phase1) {
  for (;;) {
    const int q = Lp_price(lp, pr);
    if (q == 0) {
      // An infeasible verdict rests on the phase-1 row: checked against the
      // model's rows, the tableau rebuilt only when it fails.
      const bool infeasible = phase1 && !phase1Met(lp, last);
      const bool rebuilt =
          infeasible ? Lp_refreshUnlessCertified(lp, true, last) : Lp_refreshBeforeVerdict(lp, phase1, false);
      if (rebuilt) continue;
      return 0;
    }
    const LpRatio ratio = Lp_ratioTest(lp, pr, q);
    if (ratio.row == 0 && !ratio.flip) {
      if (Lp_refreshBeforeVerdict(lp, phase1, true)) continue;
      return StatusUnbounded;
    }
    Lp_pivot(lp, ratio.row, q, last, false);
    if (phase1 && ratio.row != 0) dropArtificial(lp, ratio.row, q);
    Lp_watchDrift(lp, phase1);
    const double infeasibility = phase1 ? lp.matrix.row(last)[0] : 0.0;
    if (const int st = Lp_report(lp, s, infeasibility)) return st;
  }
}

// End of phase 1: rows still flagged lose their artificial where possible.
int cleanUp(LpRecord& lp, const LpSettings& s) {
  const int m = Lp_rowsInUse(lp), p1 = m + 1;
  for (int r = 1; r <= m; ++r) {
    if (lp.phase1Flags[r] == 0) continue;
    const char type = lp.types[r].type;
    if (lp.phase1Flags[r] == 2 || type == '<') {
      lp.phase1Flags[r] = 0;
    } else if (type == '>') {
      double* a = lp.matrix.row(r);
      for (int k = 0; k <= lp.n; ++k) a[k] = -a[k];
      lp.phase1Flags[r] = 0;
    } else {
      const int q = largestInRow(lp, r);
      if (q == 0 || std::fabs(lp.matrix.row(r)[q]) <= lp.pivotTolerance) continue;
      lp.leavingStatus = kColAtLower;
      Lp_pivot(lp, r, q, p1, false);
      dropArtificial(lp, r, q);
      if (const int st = Lp_report(lp, s, lp.matrix.row(p1)[0])) return st;
    }
  }
  return 0;
}

// A column priced out at the reduced-cost tolerance may still lower the
// objective above the precision by a long step: the slack of a row of
// large coefficients costs little per unit and moves by many (a slack of
// 1000 x - ... >= 5500 at -1E-05 a unit, over 1000 units). At the optimum
// the best column at the fine tolerance enters; the exchange is a simplex
// step like any other, and when it lowered the objective by more than the
// precision the loop goes on. True when it did.
bool longStep(LpRecord& lp, const LpSettings& s, int* status) {
  const double tolerance = lp.reducedCostTolerance;
  lp.reducedCostTolerance = std::min(tolerance, Lp_finePricingOf(lp));
  const int q = Lp_price(lp, 0);
  lp.reducedCostTolerance = tolerance;
  if (q == 0) return false;
  const LpRatio ratio = Lp_ratioTest(lp, 0, q);
  if (ratio.row == 0 && !ratio.flip) return false;  // a ray at that cost is no verdict
  const int last = Lp_rowsInUse(lp);
  const double before = lp.matrix.row(0)[0];
  Lp_pivot(lp, ratio.row, q, last, false);
  Lp_watchDrift(lp, false);
  *status = Lp_report(lp, s, 0.0);
  const double after = lp.matrix.row(0)[0];
  return *status == 0 && std::fabs(after - before) > lp.precision * (1.0 + std::fabs(after));
}

// Phase 2. An optimum whose basic solution has left its bounds is
// repaired by dual iterations and optimised again, a few times at most.
// When the dual loses its footing (a pivot left a reduced cost on the
// wrong side), the primal iterations take over again from where it
// stopped. When the dual finds no column to bring a row back (its entries
// below the pivot tolerance, as those that let the row go), the optimum
// stands as it is for the final check to judge.
int phase2(LpRecord& lp, const LpSettings& s) {
  int status = 0;
  for (int round = 0; status == 0 && round <= kRepairRounds; ++round) {
    if (round > 0) {
      if (Lp_primalFeasible(lp)) break;
      status = Lp_dualRepair(lp, s);
      if (status == StatusInfeasible) return 0;
      if (status == StatusBadModel) status = 0;  // optimise again
      if (status != 0) break;
    }
    for (int k = 1; k <= lp.n; ++k) lp.colWeights[k] = 0.0;
    status = primalLoop(lp, s, 0, Lp_rowsInUse(lp), false);
    for (int step = 0; status == 0 && step < kLongSteps && longStep(lp, s, &status); ++step)
      status = primalLoop(lp, s, 0, Lp_rowsInUse(lp), false);
  }
  return status;
}

// Phase 1. A column priced out at the reduced-cost tolerance may still
// lower a phase-1 sum above the precision by a long step, so before the
// model is called infeasible phase 1 goes on with a finer tolerance.
int phase1(LpRecord& lp, const LpSettings& s) {
  const int p1 = Lp_rowsInUse(lp) + 1;
  for (int k = 1; k <= lp.n; ++k) lp.colWeights[k] = 0.0;
  if (const int st = primalLoop(lp, s, p1, p1, true)) return st;
  if (phase1Met(lp, p1)) return 0;
  const double tolerance = lp.reducedCostTolerance;
  lp.reducedCostTolerance = std::min(tolerance, Lp_finePricingOf(lp));
  const int st = primalLoop(lp, s, p1, p1, true);
  lp.reducedCostTolerance = tolerance;
  if (st != 0) return st;
  return phase1Met(lp, p1) ? 0 : StatusInfeasible;
}

int twoPhases(LpRecord& lp, const LpSettings& s) {
  if (const int st = phase1(lp, s)) return st;
  if (const int st = cleanUp(lp, s)) return st;
  return phase2(lp, s);
}

}  // namespace

void Lp_readTolerances(LpRecord& lp, const LpSettings& s) {
  lp.precision = s.precision;
  lp.pivotTolerance = s.pivotTolerance;
  lp.reducedCostTolerance = s.reducedCostTolerance;
}

void Lp_variableBounds(const LpRecord& lp, int v, double& lo, double& up) {
  if (v > lp.n) {
    lo = 0.0;
    up = lp.ranges[v - lp.n];
  } else {
    lo = lp.lower[v];
    up = lp.upper[v];
  }
}

int Lp_price(const LpRecord& lp, int pricingRow) {
  const double* r = lp.matrix.row(pricingRow);
  const double tol = lp.reducedCostTolerance;
  int q = 0;
  double best = 0;
  for (int k = 1; k <= lp.activeCols; ++k) {
    const int st = lp.colStatus[k];
    const double d = r[k];
    if (st == kColFree) {
      if (std::fabs(d) > tol) return k;
      continue;
    }
    if (!((st == kColAtLower && d > tol) || (st == kColAtUpper && d < -tol))) continue;
    const double w = lp.options.primalWeighting ? std::fabs(d) / std::sqrt(lp.colWeights[k] + 1.0)
                                                : std::fabs(d);
    if (w > best) best = w, q = k;
  }
  return q;
}

LpRatio Lp_ratioTest(LpRecord& lp, int pricingRow, int q) {
  const int m = Lp_rowsInUse(lp);
  const bool increasing = lp.matrix.row(pricingRow)[q] > 0;
  const double tol = lp.pivotTolerance;
  // The rows whose entry may bound the ratio, in one pass down the column;
  // those whose entry lies below the pivot tolerance but counts in a repair
  // are listed from the end of the same buffer.
  int* rows = lp.work.pivotRows.data();
  int count = 0, small = 0;
  for (int i = 1; i <= m; ++i) {
    const double entry = std::fabs(lp.matrix.row(i)[q]);
    if (entry > tol) rows[count++] = i;
    else if (entry > Lp_repairPivotTolerance) rows[m - 1 - small++] = i;
  }
  double best = kBoundInfinity;
  LpRatio result;
  bool mapped = false;  // work.columnOf filled for this column's ties
  for (int pass = 0; pass < 2; ++pass) {
    for (int listedRow = 0; listedRow < count; ++listedRow) {
      const int i = rows[listedRow];
      const double* a = lp.matrix.row(i);
      if ((a[q] > 0) != (pass == 0)) continue;
      double bound;
      int status;
      if (!blockingBound(lp, i, (a[q] > 0) == increasing, bound, status)) continue;
      const double t = std::fabs((a[0] - bound) / a[q]);
      if (result.row != 0 && t > best) continue;
      if (result.row != 0 && t == best) {
        if (!mapped) mapColumns(lp);
        mapped = true;
        if (breakTie(lp, result.row, i, q, increasing) != i) continue;
      }
      result.row = i;
      best = t;
      lp.leavingStatus = status;
    }
  }
  const double range = columnRange(lp, q);
  if (range < best || (range == best && range < kBoundInfinity && !anyBasicAtBound(lp))) {
    result.row = 0;
    result.flip = true;
  }
  // Only on a tableau of mixed magnitudes, and there not in phase 1: a row
  // carried out of its box there only adds to the infeasibility that phase 1
  // works off, and pivots on small entries cost the accuracy of large models.
  if (pricingRow == 0 && lp.mixedMagnitudes) smallEntryBlock(lp, rows + m - small, small, q, increasing, std::min(best, range), result);
  return result;
}

void Lp_pivot(LpRecord& lp, int r, int q, int last, bool dual) {
  ++lp.iterations;
  ++lp.drift.pivotsSinceRebuild;
  const int n = lp.n, m = Lp_rowsInUse(lp);
  CORVAN_ASSERT(r >= 0 && r <= m && q >= 1 && q < static_cast<int>(lp.colStatus.size()));
  if (r == 0) {
    const double from = Lp_nonbasicValue(lp, q);
    lp.colStatus[q] = lp.colStatus[q] == kColAtUpper ? kColAtLower : kColAtUpper;
    const double to = Lp_nonbasicValue(lp, q);
    if (lp.colMap[q] <= n) lp.x[lp.colMap[q]] = to;
    shiftRhs(lp, q, to - from, last);
    return;
  }
  // Only the rows with a nonzero in the pivot column and the columns with a
  // nonzero in the pivot row change beyond column q and element 0.
  double* ar = lp.matrix.row(r);
  CORVAN_ASSERT(ar[q] != 0.0 && std::isfinite(ar[q]));
  const double p = 1.0 / ar[q];
  const int rows = pivotColumnRows(lp, r, q, p);
  const int* listed = lp.work.pivotRows.data();
  const int objectiveRows[2] = {0, m + 1};
  const int objectives = last == m + 1 ? 2 : 1;  // the phase-1 row in phase 1
  const double entering = -Lp_nonbasicValue(lp, q);
  if (std::fabs(entering) > Lp_tiny) {  // the entering variable's value moved back
    shiftRow(ar, q, entering);
    for (int t = 0; t < rows; ++t) shiftRow(lp.matrix.row(listed[t]), q, entering);
    for (int t = 0; t < objectives; ++t) shiftRow(lp.matrix.row(objectiveRows[t]), q, entering);
  }
  ar[0] -= exchangeMaps(lp, r, q);
  int count = 0;
  for (int k = 0; k <= n; ++k) {
    if (k == q) continue;
    ar[k] *= p;
    if (std::fabs(ar[k]) > Lp_tiny) lp.work.pivotCols[count++] = k;
  }
  const int pr = objectiveRows[objectives - 1];  // pricing row
  for (int t = 0; t < objectives; ++t) {
    double* ai = lp.matrix.row(objectiveRows[t]);
    if (std::fabs(ai[q]) > Lp_tiny) eliminate(ai, ar, ai[q], lp.work.pivotCols.data(), count);
  }
  int wcount = 0;
  if (dual ? lp.options.dualWeighting : lp.options.primalWeighting) {
    const double* prow = lp.matrix.row(pr);
    for (int k = 1; k <= n; ++k)
      if (k != q && prow[k] < -lp.reducedCostTolerance) lp.work.weightCols[wcount++] = k;
  }
  const bool denseRow = denseEnough(count, n + 1);
  const bool denseWeights = !dual && denseEnough(wcount, n + 1);
  if (denseRow) spreadList(lp.work.denseRow, ar, lp.work.pivotCols.data(), count);
  if (denseWeights) spreadList(lp.work.weightMask, nullptr, lp.work.weightCols.data(), wcount);
  for (int t = 0; t < rows; ++t) {
    const int i = listed[t];
    double* ai = lp.matrix.row(i);
    if (denseRow) eliminateDense(ai, lp.work.denseRow.data(), ai[q], n + 1);
    else eliminate(ai, ar, ai[q], lp.work.pivotCols.data(), count);
    if (denseWeights) addWeightsDense(lp.colWeights.data(), ai, lp.work.weightMask.data(), n + 1);
    else if (wcount > 0) addWeights(lp, ai, i, wcount, dual);
    ai[q] *= -p;
  }
  for (int t = 0; t < objectives; ++t) lp.matrix.row(objectiveRows[t])[q] *= -p;
  ar[q] = p;
}

void Lp_unpack(LpRecord& lp) {
  const int m = Lp_rowsInUse(lp);
  for (int i = 1; i <= m; ++i)
    if (lp.rowMap[i] <= lp.n) lp.x[lp.rowMap[i]] = lp.matrix.row(i)[0];
  double* r0 = lp.matrix.row(0);
  for (int k = 1; k <= lp.activeCols; ++k) {
    const int st = lp.colStatus[k];
    if ((st == kColAtLower && r0[k] > 0) || (st == kColAtUpper && r0[k] < 0)) r0[k] = 0.0;
  }
}

int Lp_report(LpRecord& lp, const LpSettings& s, double infeasibility) {
  if (!s.progress) return 0;
  Lp_refreshPoint(lp);
  return s.progress(s.context, lp, lp.iterations, lp.matrix.row(0)[0], infeasibility);
}

int Lp_boundedSimplex(LpRecord& lp, const LpSettings& settings) {
  Lp_readTolerances(lp, settings);
  if (!Lp_isAllocated(lp)) return StatusBadModel;
  Lp_captureOrigin(lp);
  coldBasis(lp);
  const int status = twoPhases(lp, settings);
  Lp_unpack(lp);
  return status;
}

int Lp_primalFromBasis(LpRecord& lp, const LpSettings& settings) {
  Lp_readTolerances(lp, settings);
  if (!Lp_isAllocated(lp)) return StatusBadModel;
  const int status = phase2(lp, settings);
  Lp_unpack(lp);
  return status;
}

int Lp_resolveWithObjective(LpRecord& lp, const LpSettings& settings, double value,
                            const double* gradient) {
  const double* g = gradient;
  Lp_readTolerances(lp, settings);
  const int n = lp.n, m = Lp_rowsInUse(lp);
  if (!Lp_isAllocated(lp) || !gradient) return StatusBadModel;
  for (int i = 1; i <= m; ++i)
    if (lp.rowMap[i] <= n) lp.x[lp.rowMap[i]] = lp.matrix.row(i)[0];
  for (int k = 1; k <= n; ++k)
    if (lp.colMap[k] <= n) lp.x[lp.colMap[k]] = Lp_nonbasicValue(lp, k);
  double* r0 = lp.matrix.row(0);
  r0[0] = value;
  for (int k = 1; k <= n; ++k) {
    const int v = lp.colMap[k];
    r0[k] = (v <= n && std::fabs(g[v]) > Lp_tiny) ? -g[v] : 0.0;
  }
  Lp_originObjective(lp, value, g);
  for (int i = 1; i <= m; ++i) {
    const int b = lp.rowMap[i];
    if (b > n || std::fabs(g[b]) <= Lp_tiny) continue;
    const double* a = lp.matrix.row(i);
    for (int k = 1; k <= n; ++k)
      if (std::fabs(a[k]) > Lp_tiny) r0[k] += g[b] * a[k];
  }
  const int status = phase2(lp, settings);
  Lp_unpack(lp);
  return status;
}
