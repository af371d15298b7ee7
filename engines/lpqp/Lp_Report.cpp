// Sensitivity of a solved linear model, read off the LP/quadratic engine's
// final tableau: reduced costs and dual values, and the ranges over which
// an objective coefficient may move with the basis staying optimal, and a
// right-hand side or a variable bound with the basis staying feasible.
//
// Row 0 holds d_k with z = z0 - sum d_k x_k for the minimised (internal)
// objective, and a basic variable of row i moves by -a_ik per unit of the
// variable of column k. The slack of a '<' row adds to its row, the slack
// of any other row (a '>' row's surplus, a dropped equality artificial in
// its negated column) subtracts. Everything is computed in the scaled
// space and handed out unscaled, in the orientation the rows were given.
#include <algorithm>
#include <cmath>
#include <tuple>
#include <utility>

#include "engines/lpqp/Lp_Engine.h"

namespace {

// Tableau column of every variable (structural 1..n, slack n+i); 0: basic.
std::vector<int> columnOf(const LpRecord& lp) {
  std::vector<int> column(static_cast<std::size_t>(lp.n + lp.m) + 1, 0);
  for (int k = 1; k <= lp.n; ++k) column[lp.colMap[k]] = k;
  return column;
}

// Dual value of row i in the scaled space, oriented as the row was given.
double scaledDual(const LpRecord& lp, int i, const std::vector<int>& column) {
  const int k = column[lp.n + i];
  if (k == 0) return 0.0;
  double y = -lp.matrix.row(0)[k];
  if (lp.types[i].type == '<') y = -y;
  if (lp.types[i].flips % 2 == 1) y = -y;
  return lp.maximise ? -y : y;
}

// Bounds of variable v as the ranging sees them: the artificial of an
// equality row left in the basis (a redundant row) must stay at 0, so it
// has no room above 0 either, whatever range the simplex gave it.
void reportBounds(const LpRecord& lp, int v, double& lo, double& up) {
  Lp_variableBounds(lp, v, lo, up);
  if (v > lp.n && lp.types[v - lp.n].type == '=') up = 0.0;
}

// How far the variable of nonbasic column k may fall and rise before a basic
// variable reaches one of its bounds; `fall` and `rise` come in with the
// limits of the variable's own.
void scanColumn(const LpRecord& lp, int k, double& fall, double& rise) {
  const int m = Lp_rowsInUse(lp);
  for (int i = 1; i <= m; ++i) {
    const double* a = lp.matrix.row(i);
    const double aik = a[k];
    if (std::fabs(aik) <= Lp_tiny) continue;
    double lo, up;
    reportBounds(lp, lp.rowMap[i], lo, up);
    if (Lp_isFinite(lo)) {
      const double t = std::max(0.0, a[0] - lo) / std::fabs(aik);
      double& limit = aik > 0 ? rise : fall;
      limit = std::min(limit, t);
    }
    if (Lp_isFinite(up)) {
      const double t = std::max(0.0, up - a[0]) / std::fabs(aik);
      double& limit = aik > 0 ? fall : rise;
      limit = std::min(limit, t);
    }
  }
}

// Objective ranging of the basic variable of row r: the change of its
// (internal) cost that keeps every nonbasic column that may enter from
// pricing out favourably. Returns (decrease, increase).
std::pair<double, double> basicCostRange(const LpRecord& lp, int r) {
  const double* d = lp.matrix.row(0);
  const double* a = lp.matrix.row(r);
  double decrease = kBoundInfinity, increase = kBoundInfinity;
  for (int k = 1; k <= lp.activeCols; ++k) {  // dropped equality artificials never enter
    const int st = lp.colStatus[k];
    if (st == kColFixed || std::fabs(a[k]) <= Lp_tiny) continue;
    const double t = std::fabs(d[k] / a[k]);
    const bool raises = (a[k] > 0) != (st == kColAtUpper);
    if (st == kColFree || raises) increase = std::min(increase, t);
    if (st == kColFree || !raises) decrease = std::min(decrease, t);
  }
  return {decrease, increase};
}

// Objective ranging of structural j: (decrease, increase) of its internal cost.
std::pair<double, double> costRange(const LpRecord& lp, int j, const std::vector<int>& column,
                                    const std::vector<int>& rowOf) {
  const int k = column[j];
  if (k == 0) return basicCostRange(lp, rowOf[j]);
  const double d = std::fabs(lp.matrix.row(0)[k]);
  switch (lp.colStatus[k]) {
    case kColAtLower: return {d, kBoundInfinity};
    case kColAtUpper: return {kBoundInfinity, d};
    case kColFree:
      return {d, d};
    default: return {kBoundInfinity, kBoundInfinity};  // fixed: it never moves
  }
}

void objectiveRanging(const LpRecord& lp, LpSensitivity& s, const std::vector<int>& column,
                      const std::vector<int>& rowOf) {
  for (int j = 1; j <= lp.n; ++j) {
    auto [decrease, increase] = costRange(lp, j, column, rowOf);
    if (lp.maximise) std::swap(decrease, increase);
    s.objectiveDecrease[j] = decrease;
    s.objectiveIncrease[j] = increase;
  }
  Lp_unscaleGradient(lp.scaling, s.objectiveDecrease.data());
  Lp_unscaleGradient(lp.scaling, s.objectiveIncrease.data());
}

// Right-hand-side ranging of model row i: (decrease, increase).
std::pair<double, double> rhsRange(const LpRecord& lp, int i, const std::vector<int>& column,
                                   const std::vector<int>& rowOf) {
  const bool less = lp.types[i].type == '<';
  const int k = column[lp.n + i];
  std::pair<double, double> range;
  if (k == 0) {
    // A basic slack gives room one way; an equality's artificial left in
    // the basis (a redundant row) none either way.
    const double slack = lp.matrix.row(rowOf[lp.n + i])[0];
    if (lp.types[i].type == '=')
      range = {slack, slack};
    else range = less ? std::pair{slack, kBoundInfinity} : std::pair{kBoundInfinity, slack};
  } else {
    double fall = kBoundInfinity, rise = kBoundInfinity;
    scanColumn(lp, k, fall, rise);
    range = less ? std::pair{rise, fall} : std::pair{fall, rise};
  }
  if (lp.types[i].flips % 2 == 1) std::swap(range.first, range.second);
  return range;
}

void rhsRanging(const LpRecord& lp, LpSensitivity& s, const std::vector<int>& column,
                const std::vector<int>& rowOf) {
  for (int i = 1; i <= lp.modelRows; ++i)
    std::tie(s.rhsDecrease[i], s.rhsIncrease[i]) = rhsRange(lp, i, column, rowOf);
  Lp_unscaleRows(lp.scaling, s.rhsDecrease.data());
  Lp_unscaleRows(lp.scaling, s.rhsIncrease.data());
}

// Ranging of the bounds of structural j at scaled value x within [lo, up].
void boundRange(const LpRecord& lp, LpSensitivity& s, int j, int k, double x, double lo,
                double up) {
  const bool loF = Lp_isFinite(lo), upF = Lp_isFinite(up);
  const int st = k == 0 ? kColBasic : lp.colStatus[k];
  if (st == kColFree) return;
  double fall = kBoundInfinity, rise = kBoundInfinity;
  if (st == kColBasic) {
    s.lowerIncrease[j] = loF ? x - lo : kBoundInfinity;
    s.lowerDecrease[j] = loF ? kBoundInfinity : 0.0;
    s.upperIncrease[j] = upF ? kBoundInfinity : 0.0;
    s.upperDecrease[j] = upF ? up - x : kBoundInfinity;
  } else if (st == kColAtUpper) {
    if (loF) fall = up - lo;
    scanColumn(lp, k, fall, rise);
    s.upperDecrease[j] = fall;
    s.upperIncrease[j] = rise;
    s.lowerIncrease[j] = loF ? up - lo : kBoundInfinity;
    s.lowerDecrease[j] = loF ? kBoundInfinity : 0.0;
  } else {  // at its lower bound (kColAtLower, or kColFixed where both bounds agree)
    if (upF) rise = up - lo;
    scanColumn(lp, k, fall, rise);
    s.lowerDecrease[j] = fall;
    s.lowerIncrease[j] = rise;
    s.upperIncrease[j] = upF ? kBoundInfinity : 0.0;
    s.upperDecrease[j] = upF ? up - lo : kBoundInfinity;
  }
}

// x and the bounds are kept unscaled between solves; the tableau is not.
void boundRanging(const LpRecord& lp, LpSensitivity& s, const std::vector<int>& column) {
  std::vector<double> x = lp.x, lo = lp.lower, up = lp.upper;
  for (auto* v : {&x, &lo, &up}) Lp_scaleVariables(lp.scaling, v->data());
  for (int j = 1; j <= lp.n; ++j) boundRange(lp, s, j, column[j], x[j], lo[j], up[j]);
  for (auto* v : {&s.lowerIncrease, &s.lowerDecrease, &s.upperIncrease, &s.upperDecrease})
    Lp_unscaleVariables(lp.scaling, v->data());
}

}  // namespace

void Lp_reducedCosts(const LpRecord& lp, std::vector<double>& out) {
  const std::vector<int> column = columnOf(lp);
  out.assign(static_cast<std::size_t>(lp.n) + 1, 0.0);
  for (int j = 1; j <= lp.n; ++j) {
    const int k = column[j];
    const double r = k == 0 ? 0.0 : -lp.matrix.row(0)[k];
    out[j] = lp.maximise ? -r : r;
  }
  Lp_unscaleGradient(lp.scaling, out.data());
}

void Lp_rowDuals(const LpRecord& lp, std::vector<double>& out) {
  const std::vector<int> column = columnOf(lp);
  out.assign(static_cast<std::size_t>(lp.m) + 2, 0.0);
  for (int i = 1; i <= lp.modelRows; ++i) out[i] = scaledDual(lp, i, column);
  Lp_unscaleRowDuals(lp.scaling, out.data(), lp.modelRows);
}

void Lp_linearSensitivity(const LpRecord& lp, LpSensitivity& s) {
  const std::size_t nv = static_cast<std::size_t>(lp.n) + 1,
                    nr = static_cast<std::size_t>(lp.m) + 2;
  for (auto* v : {&s.objectiveIncrease, &s.objectiveDecrease, &s.lowerIncrease, &s.lowerDecrease,
                  &s.upperIncrease, &s.upperDecrease})
    v->assign(nv, 0.0);
  s.rhsIncrease.assign(nr, 0.0);
  s.rhsDecrease.assign(nr, 0.0);
  const std::vector<int> column = columnOf(lp);
  std::vector<int> rowOf(column.size(), 0);
  for (int i = 1; i <= Lp_rowsInUse(lp); ++i) rowOf[lp.rowMap[i]] = i;
  Lp_reducedCosts(lp, s.reducedCosts);
  Lp_rowDuals(lp, s.duals);
  objectiveRanging(lp, s, column, rowOf);
  rhsRanging(lp, s, column, rowOf);
  boundRanging(lp, s, column);
}
