// Dense two-phase simplex over bounded variables for the evolutionary
// engine's repair and linear-programming step. The tableau holds every
// column: the structural variables, one logical per row (slack of a '<' row,
// surplus of a '>' row, a fixed zero column for an '=' row) and one
// artificial per row that does not start feasible. Non-basic columns sit at
// a bound, at zero when free, or never move (BasisStatus).
#include "numerics/Dense_BasisStatus.h"
#include "numerics/Dense_BoundedSimplex.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "base/Chk_Assert.h"
#include "contract/Bound_Infinity.h"

namespace {

constexpr double kTiny = 1e-15;  // entries at or below count as zero

struct Tableau {
  int m = 0, n = 0, total = 0;
  std::vector<double> t;            // m rows of `total` entries
  std::vector<double> beta;         // basic values per row
  std::vector<double> d;            // reduced costs of the row maximised
  std::vector<double> lo, up, value;
  std::vector<char> status;         // BasisStatus of each column
  std::vector<int> basis;           // basic column per row
  double* row(int i) { return t.data() + static_cast<std::size_t>(i) * total; }
  int artificial(int i) const { return n + m + i; }
  bool isArtificial(int j) const { return j >= n + m; }
};

struct Step {
  int row = -1;     // leaving row, -1 for none
  bool flip = false;
  double theta = kBoundInfinity;
  BasisStatus leavesAt = kColAtLower;
};

// The bound a column starts at, and its status.
void startColumn(Tableau& tb, int j, double lower, double upper, double current) {
  tb.lo[j] = lower;
  tb.up[j] = upper;
  if (lower == upper) {
    tb.value[j] = lower;
    tb.status[j] = kColFixed;
  } else if (lower <= -kBoundInfinity && upper >= kBoundInfinity) {
    tb.value[j] = 0.0;
    tb.status[j] = kColFree;
  } else if (lower <= -kBoundInfinity) {
    tb.value[j] = upper;
    tb.status[j] = kColAtUpper;
  } else if (upper >= kBoundInfinity || 2.0 * current <= lower + upper) {
    tb.value[j] = lower;
    tb.status[j] = kColAtLower;
  } else {
    tb.value[j] = upper;
    tb.status[j] = kColAtUpper;
  }
}

// Builds the starting tableau: every row's right-hand side made non-negative
// with the structural columns at their starting bounds, a slack basic in
// each '<' row and an artificial basic in every other row.
void build(const DenseBoundedLp& lp, Tableau& tb) {
  const int m = lp.rows, n = lp.cols;
  tb.m = m;
  tb.n = n;
  tb.total = n + 2 * m;
  tb.t.assign(static_cast<std::size_t>(m) * tb.total, 0.0);
  tb.beta.assign(m, 0.0);
  tb.d.assign(tb.total, 0.0);
  tb.lo.assign(tb.total, 0.0);
  tb.up.assign(tb.total, 0.0);
  tb.value.assign(tb.total, 0.0);
  tb.status.assign(tb.total, kColFixed);
  tb.basis.assign(m, 0);
  for (int j = 0; j < n; ++j) startColumn(tb, j, lp.lower[j], lp.upper[j], lp.start[j]);
  for (int i = 0; i < m; ++i) {
    const double* a = lp.a.data() + static_cast<std::size_t>(i) * (n + 1);
    double rhs = a[0];
    for (int j = 0; j < n; ++j)
      if (std::fabs(tb.value[j]) > kTiny && std::fabs(a[j + 1]) > kTiny) rhs -= tb.value[j] * a[j + 1];
    char rel = lp.relation[i];
    const double sign = rhs < 0.0 ? -1.0 : 1.0;
    if (sign < 0.0) rel = rel == '<' ? '>' : rel == '>' ? '<' : rel;
    double* r = tb.row(i);
    for (int j = 0; j < n; ++j) r[j] = sign * a[j + 1];
    const int logical = n + i;
    r[logical] = rel == '>' ? -1.0 : 1.0;
    if (rel != '=') {
      tb.up[logical] = kBoundInfinity;
      tb.status[logical] = kColAtLower;
    }
    tb.beta[i] = sign * rhs;
    if (rel == '<') {
      tb.basis[i] = logical;
    } else {
      r[tb.artificial(i)] = 1.0;
      tb.up[tb.artificial(i)] = kBoundInfinity;
      tb.basis[i] = tb.artificial(i);
    }
    tb.status[tb.basis[i]] = kColBasic;
  }
}

// Reduced costs of maximising cost.x over the current basis.
void priceOut(Tableau& tb, const std::vector<double>& cost) {
  for (int j = 0; j < tb.total; ++j) tb.d[j] = cost[j];
  for (int i = 0; i < tb.m; ++i) {
    const double cb = cost[tb.basis[i]];
    if (cb == 0.0) continue;
    const double* r = tb.row(i);
    for (int j = 0; j < tb.total; ++j) tb.d[j] -= cb * r[j];
  }
  for (int i = 0; i < tb.m; ++i) tb.d[tb.basis[i]] = 0.0;
}

// A free column with a usable entry enters at once; otherwise the largest
// entry of a column that may move in its favourable direction. -1: none.
int entering(const Tableau& tb, double reducedCostTol) {
  int best = -1;
  double bestSize = 0.0;
  for (int j = 0; j < tb.total; ++j) {
    const double dj = tb.d[j];
    const char s = tb.status[j];
    if (s == kColFree && std::fabs(dj) > reducedCostTol) return j;
    const bool usable = (s == kColAtLower && dj > 0.0) || (s == kColAtUpper && dj < 0.0);
    if (usable && std::fabs(dj) > bestSize) {
      best = j;
      bestSize = std::fabs(dj);
    }
  }
  return bestSize > reducedCostTol ? best : -1;
}

bool basicAtBound(const Tableau& tb) {
  for (int i = 0; i < tb.m; ++i) {
    const int b = tb.basis[i];
    if (tb.beta[i] == tb.lo[b] || tb.beta[i] == tb.up[b]) return true;
  }
  return false;
}

// Lexicographic choice between rows r1 (found first) and r2 of equal ratio
// for column q: both rows divided by their entries in q, the first variable
// where they differ decides (the structural columns first, then per row its
// logical column and its artificial; q left out). Its own row wins when it
// is one of the two basics, else the row with the larger divided entry;
// the other way round when q's reduced cost is positive. True when r2 wins.
bool laterRowWins(const Tableau& tb, int r1, int r2, int q) {
  const double* a = tb.t.data() + static_cast<std::size_t>(r1) * tb.total;
  const double* b = tb.t.data() + static_cast<std::size_t>(r2) * tb.total;
  auto decides = [&](int j, bool* second) {
    const double x = std::fabs(a[j]) <= kTiny ? 0.0 : a[j] / a[q];
    const double y = std::fabs(b[j]) <= kTiny ? 0.0 : b[j] / b[q];
    if (j == q || x == y) return false;
    *second = j == tb.basis[r2] || (j != tb.basis[r1] && y > x);
    if (tb.d[q] > 0.0) *second = !*second;
    return true;
  };
  bool second = false;
  for (int j = 0; j < tb.n; ++j)
    if (decides(j, &second)) return second;
  for (int i = 0; i < tb.m; ++i)
    if (decides(tb.n + i, &second) || decides(tb.artificial(i), &second)) return second;
  return false;
}

// Bounded ratio test for column q moving in direction dir (+1 or -1): the
// basic variable that first reaches a bound (rows with a positive entry
// scanned before rows with a negative one, ties broken lexicographically),
// or a flip of q to its other bound when that comes first.
Step ratioTest(const Tableau& tb, int q, double dir, double pivotTol) {
  Step step;
  for (double side : {1.0, -1.0}) {
    for (int i = 0; i < tb.m; ++i) {
      const double entry = tb.t[static_cast<std::size_t>(i) * tb.total + q];
      if (entry * side <= pivotTol) continue;
      const double rate = -entry * dir;  // change of the basic value per unit step
      const int b = tb.basis[i];
      const double bound = rate < 0.0 ? tb.lo[b] : tb.up[b];
      if (std::fabs(bound) >= kBoundInfinity) continue;
      const double ratio = std::fabs((tb.beta[i] - bound) / entry);
      const bool tie = ratio == step.theta && step.row >= 0;
      if (ratio < step.theta || (tie && laterRowWins(tb, step.row, i, q))) {
        step.theta = ratio;
        step.row = i;
        step.leavesAt = rate < 0.0 ? kColAtLower : kColAtUpper;
      }
    }
  }
  const bool bounded = tb.lo[q] > -kBoundInfinity && tb.up[q] < kBoundInfinity;
  const double range = tb.up[q] - tb.lo[q];
  if (bounded && (range < step.theta || (range == step.theta && !basicAtBound(tb)))) {
    step.flip = true;
    step.row = -1;
    step.theta = range;
  }
  return step;
}

// Moves non-basic column q by `delta`, carrying the basic values along.
void moveColumn(Tableau& tb, int q, double delta) {
  tb.value[q] += delta;
  for (int i = 0; i < tb.m; ++i) tb.beta[i] -= tb.t[static_cast<std::size_t>(i) * tb.total + q] * delta;
}

void flip(Tableau& tb, int q, double dir) {
  moveColumn(tb, q, dir * (tb.up[q] - tb.lo[q]));
  tb.value[q] = dir > 0.0 ? tb.up[q] : tb.lo[q];
  tb.status[q] = dir > 0.0 ? kColAtUpper : kColAtLower;
}

// Column q enters by `delta` on row p; the row's basic variable leaves at the
// bound `leavesAt` (its own value when it is held fixed).
void pivot(Tableau& tb, int p, int q, double delta, BasisStatus leavesAt) {
  CORVAN_ASSERT(p >= 0 && p < tb.m && q >= 0 && q < tb.total && tb.status[q] != kColBasic);
  CORVAN_ASSERT(tb.row(p)[q] != 0.0);
  moveColumn(tb, q, delta);
  const int leaving = tb.basis[p];
  tb.value[leaving] = leavesAt == kColAtUpper ? tb.up[leaving] : tb.lo[leaving];
  tb.status[leaving] = tb.lo[leaving] == tb.up[leaving] ? kColFixed : leavesAt;
  tb.beta[p] = tb.value[q];
  tb.basis[p] = q;
  tb.status[q] = kColBasic;
  double* rp = tb.row(p);
  const double inv = 1.0 / rp[q];
  for (int j = 0; j < tb.total; ++j) rp[j] = std::fabs(rp[j] * inv) <= kTiny ? 0.0 : rp[j] * inv;
  rp[q] = 1.0;
  auto eliminate = [&](double* r) {
    const double f = r[q];
    if (f == 0.0) return;
    for (int j = 0; j < tb.total; ++j) {
      const double v = r[j] - f * rp[j];
      r[j] = std::fabs(v) <= kTiny ? 0.0 : v;
    }
    r[q] = 0.0;
  };
  for (int i = 0; i < tb.m; ++i)
    if (i != p) eliminate(tb.row(i));
  eliminate(tb.d.data());
}

void structuralValues(const Tableau& tb, double* out) {
  for (int j = 0; j < tb.n; ++j) out[j] = tb.value[j];
  for (int i = 0; i < tb.m; ++i)
    if (tb.basis[i] < tb.n) out[tb.basis[i]] = tb.beta[i];
}

struct Run {
  const DenseBoundedLp& lp;
  const DenseBoundedHooks& hooks;
  Tableau tb;
  std::vector<double> point, saved;
  double lastFitness = kBoundInfinity;
  bool accepting = false;     // mode 3 in phase two
  bool restored = false;      // the point before the last pivot was put back
};

// After a step of mode 3's phase two: the trial acceptance of the new point;
// a point not accepted or worse than the previous one is undone.
bool keepStep(Run& run) {
  structuralValues(run.tb, run.point.data());
  double fitness = kBoundInfinity;
  const int ok = run.hooks.acceptTrial(run.hooks.user, run.point.data(), &fitness);
  if (ok && fitness <= run.lastFitness) {
    run.lastFitness = fitness;
    return true;
  }
  run.point = run.saved;
  run.restored = true;
  return false;
}

// Iterates on the current reduced costs until no column enters. Returns 0,
// 4 (no leaving row), a stop code, or DenseBoundedGuard when the pivots run past
// a bound that a solve free of cycling never reaches.
int iterate(Run& run) {
  Tableau& tb = run.tb;
  const int guard = 50 * (tb.m + tb.total) + 100;
  for (int count = 0; count < guard; ++count) {
    const int q = entering(tb, run.lp.reducedCostTol);
    if (q < 0) return DenseBoundedSolved;
    const double dir = tb.status[q] == kColAtUpper || (tb.status[q] == kColFree && tb.d[q] < 0.0) ? -1.0 : 1.0;
    const Step step = ratioTest(tb, q, dir, run.lp.pivotTol);
    if (step.row < 0 && !step.flip) return DenseBoundedNoLeavingRow;
    if (run.accepting) structuralValues(tb, run.saved.data());
    if (step.flip)
      flip(tb, q, dir);
    else
      pivot(tb, step.row, q, dir * step.theta, step.leavesAt);
    if (run.hooks.stopCheck) {
      const int stop = run.hooks.stopCheck(run.hooks.user);
      if (stop != 0) return stop;
    }
    if (run.accepting && !keepStep(run)) return DenseBoundedSolved;
  }
  return DenseBoundedGuard;
}

// Takes every artificial out of the basis where a column can replace it and
// fixes all artificials at zero.
void dropArtificials(Run& run) {
  Tableau& tb = run.tb;
  for (int i = 0; i < tb.m; ++i) {
    if (!tb.isArtificial(tb.basis[i])) continue;
    const double* r = tb.row(i);
    int best = -1;
    for (int j = 0; j < tb.n + tb.m; ++j)
      if (tb.status[j] != kColBasic && std::fabs(r[j]) > run.lp.pivotTol &&
          (best < 0 || std::fabs(r[j]) > std::fabs(r[best])))
        best = j;
    if (best >= 0) pivot(tb, i, best, tb.beta[i] / r[best], kColAtLower);
  }
  for (int i = 0; i < tb.m; ++i) {
    const int a = tb.artificial(i);
    tb.up[a] = 0.0;
    if (tb.status[a] != kColBasic) {
      tb.status[a] = kColFixed;
      tb.value[a] = 0.0;
    }
  }
}

bool validSize(const DenseBoundedLp& lp) {
  const auto rows = static_cast<std::size_t>(std::max(lp.rows, 0));
  const auto cols = static_cast<std::size_t>(std::max(lp.cols, 0));
  return lp.cols >= 1 && lp.rows >= 0 && lp.a.size() >= rows * (cols + 1) &&
         lp.relation.size() >= rows && lp.objective.size() >= cols + 1 &&
         lp.lower.size() >= cols && lp.upper.size() >= cols && lp.start.size() >= cols;
}

}  // namespace

int Dense_boundedSimplex(const DenseBoundedLp& lp, int mode, const DenseBoundedHooks& hooks, double* solution) {
  if (!validSize(lp) || !solution) return DenseBoundedBadSize;
  Run run{lp, hooks, {}, std::vector<double>(lp.cols), std::vector<double>(lp.cols)};
  build(lp, run.tb);
  Tableau& tb = run.tb;

  std::vector<double> cost(tb.total, 0.0);
  for (int i = 0; i < tb.m; ++i) cost[tb.artificial(i)] = -1.0;
  priceOut(tb, cost);
  int result = iterate(run);
  if (result != DenseBoundedSolved) return result;
  double infeasibility = 0.0;
  for (int i = 0; i < tb.m; ++i)
    if (tb.isArtificial(tb.basis[i])) infeasibility += tb.beta[i];
  if (infeasibility > lp.precision) return DenseBoundedInfeasible;
  dropArtificials(run);

  std::fill(cost.begin(), cost.end(), 0.0);
  for (int j = 0; j < tb.n; ++j) cost[j] = lp.objective[j + 1];
  priceOut(tb, cost);
  run.accepting = mode == DenseBoundedTrialSteps && hooks.acceptTrial;
  result = iterate(run);
  if (result != DenseBoundedSolved && result != DenseBoundedNoLeavingRow) return result;
  if (run.restored)
    std::copy(run.point.begin(), run.point.end(), solution);
  else
    structuralValues(tb, solution);
  return result;
}
