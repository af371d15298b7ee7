// Drift control of the LP/quadratic engine's condensed tableau. The simplex
// updates the tableau in place pivot after pivot, and rounding errors pile
// up: on models whose coefficients span several orders of magnitude the
// basic solution wanders off the rows it stands for, until a feasible model
// looks infeasible or a linear one fails the final check. Here the drift is
// measured as the residual of the current solution in the rows the solve
// started from, and the tableau is recomputed at the current basis from
// those rows through a dense LU factorisation of the basis matrix. A
// repeated equality, once the pivots have made its row dependent on rows
// whose artificials are gone, keeps its artificial basic and its row free
// of rounding, so that no pivot on that rounding makes the basis singular.
// The same rows give phase 1's verdict each row's own size, against which
// what the row still misses is judged.
//
// In the tableau's terms row i reads s_i = e_i (b_i - a_i.x) with (a_i, b_i)
// the origin row in the orientation the cold start gave it and e_i the sign
// of the slack: -1 for a '>' row's surplus once its artificial is gone,
// else +1; a dropped equality artificial sits in its column negated.
#include "engines/lpqp/Lp_Engine.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <utility>

namespace {

constexpr double kDriftShare = 0.01;      // drift tolerance as a share of the precision
constexpr double kSingularShare = 1e-14;  // pivot below this share of the largest entry
// Rows above which no rebuild is tried: the dense factors would take over
// 50 MB and seconds of work each time.
constexpr int kRebuildRowLimit = 2500;
constexpr int kBlock = 32;  // columns of the tableau solved together in a rebuild

bool hasOrigin(const LpRecord& lp) {
  return lp.drift.origin.rows == lp.matrix.rows && lp.drift.origin.cols == lp.matrix.cols &&
         lp.drift.originTypes.size() == lp.types.size() &&
         lp.drift.originStart.size() == static_cast<std::size_t>(lp.drift.origin.rows) + 1 &&
         lp.drift.values.size() == static_cast<std::size_t>(lp.n + lp.m) + 1;
}

// -1 when working row i is the origin row negated (an odd number of flips
// since it was captured), else +1.
double orientation(const LpRecord& lp, int i) {
  return ((lp.types[i].flips - lp.drift.originTypes[i].flips) & 1) ? -1.0 : 1.0;
}

// Sign of row i's slack in its row.
double slackSign(const LpRecord& lp, int i) {
  return lp.types[i].type == '>' && lp.phase1Flags[i] != 1 ? -1.0 : 1.0;
}

// Sign of the slack held by tableau column k.
double columnSlackSign(const LpRecord& lp, int k) {
  const int i = lp.colMap[k] - lp.n;
  if (k > lp.activeCols && lp.types[i].type == '=') return -1.0;
  return slackSign(lp, i);
}

// Column of variable v over rows 1..m (col[1..m]) in the working
// orientation; a slack's unit entry takes `slackSign`.
void originColumn(const LpRecord& lp, int v, double slackSign, double* col) {
  const int m = Lp_rowsInUse(lp);
  if (v > lp.n) {
    std::fill(col + 1, col + m + 1, 0.0);
    col[v - lp.n] = slackSign;
    return;
  }
  for (int i = 1; i <= m; ++i) col[i] = orientation(lp, i) * lp.drift.origin.row(i)[v];
}

// Every variable's value at the current solution into drift.values:
// structurals 1..n, slacks n+1..n+m.
void fillValues(LpRecord& lp) {
  double* v = lp.drift.values.data();
  for (int k = 1; k <= lp.n; ++k) v[lp.colMap[k]] = Lp_nonbasicValue(lp, k);
  const int m = Lp_rowsInUse(lp);
  for (int r = 1; r <= m; ++r) v[lp.rowMap[r]] = lp.matrix.row(r)[0];
}

// Lists the nonzero columns of every origin row, so that a drift check
// costs what the rows hold rather than a dense sweep.
void indexOrigin(LpRecord& lp) {
  lp.drift.originStart.assign(static_cast<std::size_t>(lp.drift.origin.rows) + 1, 0);
  lp.drift.originCols.clear();
  for (int i = 0; i < lp.drift.origin.rows; ++i) {
    const double* o = lp.drift.origin.row(i);
    for (int j = 1; j <= lp.n; ++j)
      if (o[j] != 0) lp.drift.originCols.push_back(j);
    lp.drift.originStart[i + 1] = static_cast<int>(lp.drift.originCols.size());
  }
}

// Residual of origin row i (row 0: the objective) at drift.values, relative.
double rowResidual(const LpRecord& lp, int i) {
  const double* o = lp.drift.origin.row(i);
  const double* v = lp.drift.values.data();
  double activity = 0;
  for (int t = lp.drift.originStart[i]; t < lp.drift.originStart[i + 1]; ++t) {
    const int j = lp.drift.originCols[t];
    activity += o[j] * v[j];
  }
  const double free = o[0] - activity;
  const double residual = i == 0 ? free - lp.matrix.row(0)[0]
                                 : slackSign(lp, i) * orientation(lp, i) * free - v[lp.n + i];
  return std::fabs(residual) / (1.0 + std::max(std::fabs(o[0]), std::fabs(activity)));
}

// LU factorisation with row pivoting of the m x m basis matrix in
// basisFactor (row-major); false when it is numerically singular.
bool factorBasis(LpRecord& lp, int m) {
  double* a = lp.drift.basisFactor.data();
  double largest = 0;
  for (std::size_t t = 0; t < static_cast<std::size_t>(m) * m; ++t) largest = std::max(largest, std::fabs(a[t]));
  for (int c = 0; c < m; ++c) {
    int p = c;
    for (int i = c + 1; i < m; ++i)
      if (std::fabs(a[i * m + c]) > std::fabs(a[p * m + c])) p = i;
    if (std::fabs(a[p * m + c]) <= kSingularShare * largest) return false;
    lp.drift.basisPivots[c] = p;
    if (p != c) std::swap_ranges(a + p * m, a + p * m + m, a + c * m);
    const double* pivotRow = a + c * m;
    for (int i = c + 1; i < m; ++i) {
      double* row = a + i * m;
      const double l = row[c] / pivotRow[c];
      row[c] = l;
      if (l == 0) continue;
      for (int j = c + 1; j < m; ++j) row[j] -= l * pivotRow[j];
    }
  }
  return true;
}

// Solves B T = Y in place for the kBlock columns held side by side in y
// (row i of them at y + i * kBlock, rows 0..m-1) with the factors of
// factorBasis. Solving a block of columns at once reads the factors once
// per block instead of once per column, and the fixed width lets the
// compiler work on several columns per instruction; each column sees the
// same operations in the same order as alone. Unused columns hold zeros.
LP_ROW_LOOPS void solveBlock(const LpRecord& lp, int m, double* y) {
  const double* a = lp.drift.basisFactor.data();
  auto row = [y](int i) { return y + static_cast<std::size_t>(i) * kBlock; };
  for (int c = 0; c < m; ++c) {
    const int p = lp.drift.basisPivots[c];
    if (p != c) std::swap_ranges(row(c), row(c) + kBlock, row(p));
  }
  // Rows above the first nonzero stay zero through the forward solve.
  int lead = 0;
  while (lead < m && std::all_of(row(lead), row(lead) + kBlock, [](double v) { return v == 0; })) ++lead;
  for (int i = lead + 1; i < m; ++i) {
    double* yi = row(i);
    const double* l = a + static_cast<std::size_t>(i) * m;
    for (int j = lead; j < i; ++j) {
      if (l[j] == 0) continue;
      const double* yj = row(j);
      for (int c = 0; c < kBlock; ++c) yi[c] -= l[j] * yj[c];
    }
  }
  for (int i = m - 1; i >= 0; --i) {
    double* yi = row(i);
    const double* u = a + static_cast<std::size_t>(i) * m;
    for (int j = i + 1; j < m; ++j) {
      if (u[j] == 0) continue;
      const double* yj = row(j);
      for (int c = 0; c < kBlock; ++c) yi[c] -= u[j] * yj[c];
    }
    for (int c = 0; c < kBlock; ++c) yi[c] /= u[i];
  }
}

// The rebuild's work space for m rows and n columns; throws bad_alloc.
void sizeRebuild(LpRecord& lp) {
  const std::size_t m = static_cast<std::size_t>(Lp_rowsInUse(lp)), n = static_cast<std::size_t>(lp.n);
  if (lp.drift.basisFactor.size() < m * m) lp.drift.basisFactor.resize(m * m);
  lp.drift.basisPivots.resize(m + 1);
  lp.drift.solveColumn.resize(m + 1);
  lp.drift.solveBlock.resize(m * kBlock);
  lp.drift.fullBlock.resize(m * kBlock);
  lp.drift.basicPosition.resize(n + 1);
  lp.drift.structuralRows.resize(m);
  lp.drift.reducedRows.resize(m);
}

// Splits the basis: the s basic structurals (their tableau rows in
// structuralRows, each one's place among them in basicPosition, -1 for a
// nonbasic structural) and the basic slacks, whose unit columns leave the
// s model rows whose slack is nonbasic (reducedRows) to the structurals.
// The s x s matrix of those rows and columns goes into basisFactor; false
// when the counts differ (a singular basis).
bool splitBasis(LpRecord& lp) {
  const int m = Lp_rowsInUse(lp), n = lp.n;
  LpDrift& d = lp.drift;
  std::fill(d.basicPosition.begin(), d.basicPosition.end(), -1);
  std::vector<char>& slackBasic = d.slackBasic;
  slackBasic.assign(static_cast<std::size_t>(m) + 1, 0);
  int s = 0;
  for (int r = 1; r <= m; ++r) {
    const int v = lp.rowMap[r];
    if (v > n) {
      slackBasic[v - n] = 1;
      continue;
    }
    d.basicPosition[v] = s;
    d.structuralRows[s++] = r;
  }
  int rows = 0;
  for (int i = 1; i <= m; ++i)
    if (!slackBasic[i]) {
      if (rows == s) return false;
      d.reducedRows[rows++] = i;
    }
  if (rows != s) return false;
  d.structuralCount = s;
  double* a = d.basisFactor.data();
  std::fill(a, a + static_cast<std::size_t>(s) * s, 0.0);
  for (int t = 0; t < s; ++t) {
    const int i = d.reducedRows[t];
    const double sign = orientation(lp, i);
    const double* o = d.origin.row(i);
    for (int e = d.originStart[i]; e < d.originStart[i + 1]; ++e) {
      const int j = d.originCols[e];
      if (d.basicPosition[j] >= 0) a[static_cast<std::size_t>(t) * s + d.basicPosition[j]] = sign * o[j];
    }
  }
  return true;
}

// Solves B T = Y for the kBlock columns of fullBlock (row i of them at
// fullBlock + (i-1) * kBlock, rows 1..m), leaving T there by tableau rows:
// the basic structurals from the s x s system of the rows whose slack is
// nonbasic, then each basic slack from its own row, sign * (y_l - a_l.x_S).
void solveFullBlock(LpRecord& lp) {
  const int m = Lp_rowsInUse(lp), n = lp.n, s = lp.drift.structuralCount;
  LpDrift& d = lp.drift;
  double* full = d.fullBlock.data();
  double* reduced = d.solveBlock.data();
  auto at = [](double* block, int i) { return block + static_cast<std::size_t>(i) * kBlock; };
  for (int t = 0; t < s; ++t) std::copy_n(at(full, d.reducedRows[t] - 1), kBlock, at(reduced, t));
  solveBlock(lp, s, reduced);
  for (int r = 1; r <= m; ++r) {
    const int v = lp.rowMap[r];
    if (v <= n) continue;
    const int l = v - n;
    double* y = at(full, l - 1);
    const double sign = orientation(lp, l);
    const double* o = d.origin.row(l);
    for (int e = d.originStart[l]; e < d.originStart[l + 1]; ++e) {
      const int j = d.originCols[e], place = d.basicPosition[j];
      if (place < 0) continue;
      const double f = sign * o[j];
      const double* z = at(reduced, place);
      for (int c = 0; c < kBlock; ++c) y[c] -= f * z[c];
    }
    const double slack = slackSign(lp, l);
    for (int c = 0; c < kBlock; ++c) y[c] *= slack;
  }
  // Slack rows are written in place (row l of the block holds row l's
  // slack); move every result to its tableau row.
  std::vector<double>& out = d.solveOut;
  out.resize(static_cast<std::size_t>(m) * kBlock);
  for (int r = 1; r <= m; ++r) {
    const int v = lp.rowMap[r];
    const double* from = v <= n ? at(reduced, d.basicPosition[v]) : at(full, v - n - 1);
    std::copy_n(from, kBlock, at(out.data(), r - 1));
  }
  std::copy(out.begin(), out.end(), d.fullBlock.begin());
}

// The tableau columns of the nonbasic slacks, B^-1 times a signed unit
// vector each, solved kBlock at a time.
void rebuildSlackColumns(LpRecord& lp) {
  const int m = Lp_rowsInUse(lp), n = lp.n;
  std::vector<int>& slackCols = lp.drift.slackColumns;
  slackCols.clear();
  for (int k = 1; k <= n; ++k)
    if (lp.colMap[k] > n) slackCols.push_back(k);
  const int count = static_cast<int>(slackCols.size());
  // Columns whose unit entries come first after the factorisation's row
  // exchanges go together, so that each block's forward solve starts late.
  std::vector<int>& place = lp.drift.pivotedPlace;  // model row -> row after the exchanges
  place.assign(static_cast<std::size_t>(m) + 1, 0);
  const int s = lp.drift.structuralCount;
  std::vector<int>& order = lp.drift.pivotedOrder;
  order.resize(static_cast<std::size_t>(s));
  for (int t = 0; t < s; ++t) order[t] = t;
  for (int c = 0; c < s; ++c) std::swap(order[c], order[lp.drift.basisPivots[c]]);
  for (int t = 0; t < s; ++t) place[lp.drift.reducedRows[order[t]]] = t;
  std::sort(slackCols.begin(), slackCols.end(),
            [&](int a, int b) { return place[lp.colMap[a] - n] < place[lp.colMap[b] - n]; });
  double* full = lp.drift.fullBlock.data();
  for (int first = 0; first < count; first += kBlock) {
    const int width = std::min(kBlock, count - first);
    std::fill(lp.drift.fullBlock.begin(), lp.drift.fullBlock.end(), 0.0);
    for (int c = 0; c < width; ++c) {
      const int k = slackCols[first + c];
      full[static_cast<std::size_t>(lp.colMap[k] - n - 1) * kBlock + c] = columnSlackSign(lp, k);
    }
    solveFullBlock(lp);
    for (int r = 1; r <= m; ++r)
      for (int c = 0; c < width; ++c) {
        const double t = full[static_cast<std::size_t>(r - 1) * kBlock + c];
        lp.matrix.row(r)[slackCols[first + c]] = std::fabs(t) <= Lp_tiny ? 0.0 : t;
      }
  }
}

// The tableau columns of the nonbasic structurals from the columns of the
// basis inverse: B^-1 e_i is the signed unit vector of the row where row
// i's slack is basic, or the signed tableau column where it is nonbasic,
// so that B^-1 a_j is the sum of those over the nonzeros of column j.
// Computed row by row of the tableau, after rebuildSlackColumns.
void rebuildStructuralColumns(LpRecord& lp) {
  const int m = Lp_rowsInUse(lp), n = lp.n;
  LpDrift& d = lp.drift;
  std::vector<int>& slackColumn = d.slackColumnOf;  // row i's slack: its column, 0 when basic
  slackColumn.assign(static_cast<std::size_t>(m) + 1, 0);
  for (int k = 1; k <= n; ++k)
    if (lp.colMap[k] > n) slackColumn[lp.colMap[k] - n] = k;
  // Per nonbasic structural column, its terms (slack column, weight) over
  // the model rows whose slack is nonbasic, in the order of the rows.
  d.termStart.assign(static_cast<std::size_t>(n) + 2, 0);
  for (int i = 1; i <= m; ++i) {
    if (slackColumn[i] == 0) continue;
    for (int e = d.originStart[i]; e < d.originStart[i + 1]; ++e) ++d.termStart[d.originCols[e] + 1];
  }
  for (int j = 1; j <= n + 1; ++j) d.termStart[j] += d.termStart[j - 1];
  d.termColumns.resize(static_cast<std::size_t>(d.termStart[n + 1]));
  d.termWeights.resize(static_cast<std::size_t>(d.termStart[n + 1]));
  d.termFill.assign(d.termStart.begin(), d.termStart.end());
  for (int i = 1; i <= m; ++i) {
    const int c = slackColumn[i];
    if (c == 0) continue;
    const double sign = orientation(lp, i) * columnSlackSign(lp, c);
    const double* o = d.origin.row(i);
    for (int e = d.originStart[i]; e < d.originStart[i + 1]; ++e) {
      const int j = d.originCols[e], at = d.termFill[j]++;
      d.termColumns[at] = c;
      d.termWeights[at] = sign * o[j];
    }
  }
  for (int r = 1; r <= m; ++r) {
    double* row = lp.matrix.row(r);
    const int basic = lp.rowMap[r];
    const int l = basic > n ? basic - n : 0;  // a basic slack's own row adds its unit entry
    for (int k = 1; k <= n; ++k) {
      const int j = lp.colMap[k];
      if (j > n) continue;
      double t = 0;
      for (int e = d.termStart[j]; e < d.termStart[j + 1]; ++e) t += d.termWeights[e] * row[d.termColumns[e]];
      if (l > 0) t += slackSign(lp, l) * orientation(lp, l) * d.origin.row(l)[j];
      row[k] = std::fabs(t) <= Lp_tiny ? 0.0 : t;
    }
  }
}

// Element 0 of rows 1..m: B x_B = rhs[1..m], solved and then refined once
// by the solve of its residual, which brings the basic values to the
// accuracy of the model's own rows.
void solveBasicValues(LpRecord& lp, const double* rhs) {
  const int m = Lp_rowsInUse(lp), n = lp.n;
  double* full = lp.drift.fullBlock.data();
  auto first = [full](int i) -> double& { return full[static_cast<std::size_t>(i - 1) * kBlock]; };
  for (int pass = 0; pass < 2; ++pass) {
    std::fill(lp.drift.fullBlock.begin(), lp.drift.fullBlock.end(), 0.0);
    for (int i = 1; i <= m; ++i) first(i) = rhs[i];
    if (pass == 1) {  // the residual rhs - B x_B, row by row over the model's nonzeros
      for (int r = 1; r <= m; ++r) {
        const int v = lp.rowMap[r];
        if (v > n) first(v - n) -= slackSign(lp, v - n) * lp.matrix.row(r)[0];
      }
      for (int i = 1; i <= m; ++i) {
        const double sign = orientation(lp, i);
        const double* o = lp.drift.origin.row(i);
        for (int e = lp.drift.originStart[i]; e < lp.drift.originStart[i + 1]; ++e) {
          const int j = lp.drift.originCols[e], place = lp.drift.basicPosition[j];
          if (place >= 0) first(i) -= sign * o[j] * lp.matrix.row(lp.drift.structuralRows[place])[0];
        }
      }
    }
    solveFullBlock(lp);
    for (int r = 1; r <= m; ++r) {
      double& x = lp.matrix.row(r)[0];
      x = pass == 0 ? first(r) : x + first(r);
    }
  }
}

// Objective coefficient of variable v in the origin's row 0 (0 for a slack).
double originCost(const LpRecord& lp, int v) { return v <= lp.n ? lp.drift.origin.row(0)[v] : 0.0; }

// Row 0 from the rebuilt rows 1..m: the origin's objective with the basic
// variables eliminated and the nonbasic values moved across.
void rebuildObjective(LpRecord& lp) {
  const int m = Lp_rowsInUse(lp);
  double* r0 = lp.matrix.row(0);
  r0[0] = lp.drift.origin.row(0)[0];
  for (int k = 1; k <= lp.n; ++k) {
    const double c = originCost(lp, lp.colMap[k]);
    r0[k] = c;
    r0[0] -= c * Lp_nonbasicValue(lp, k);
  }
  for (int r = 1; r <= m; ++r) {
    const double c = originCost(lp, lp.rowMap[r]);
    if (c == 0) continue;
    const double* a = lp.matrix.row(r);
    for (int k = 0; k <= lp.n; ++k) r0[k] -= c * a[k];
  }
}

// The phase-1 row: the sum of the rows whose artificial still counts (a
// ranged row's slack above its range counted by its excess).
void rebuildPhase1(LpRecord& lp) {
  const int m = Lp_rowsInUse(lp);
  double* p = lp.matrix.row(m + 1);
  std::fill(p, p + lp.n + 1, 0.0);
  for (int r = 1; r <= m; ++r) {
    const int flag = lp.phase1Flags[r];
    if (flag == 0 || (flag == 1 && lp.types[r].type == '<') || lp.rowMap[r] != lp.n + r) continue;
    const double* a = lp.matrix.row(r);
    for (int k = 0; k <= lp.n; ++k) p[k] += a[k];
    if (flag == 2) p[0] -= lp.ranges[r];
  }
}

// Adds g times variable v to the identity being checked: a structural to
// its own coefficient, the slack of row l as its origin row,
// x_{n+l} = sign * orientation * (b_l - a_l.x), spread over the structurals
// and the constant (element 0). The size of every term is kept beside, so
// that the identity is judged relative to what it sums.
void addTerm(LpRecord& lp, int v, double g, double sign) {
  double* c = lp.drift.identity.data();
  double* size = lp.drift.identitySize.data();
  if (v <= lp.n) {
    c[v] += g;
    size[v] += std::fabs(g);
    return;
  }
  const int l = v - lp.n;
  const double f = g * sign * orientation(lp, l);
  const double* o = lp.drift.origin.row(l);
  c[0] -= f * o[0];
  size[0] += std::fabs(f * o[0]);
  for (int t = lp.drift.originStart[l]; t < lp.drift.originStart[l + 1]; ++t) {
    const int j = lp.drift.originCols[t];
    c[j] -= f * o[j];
    size[j] += std::fabs(f * o[j]);
  }
}

// Whether the phase-1 row still counts row r's artificial: the rows
// rebuildPhase1 sums.
bool countedInPhase1(const LpRecord& lp, int r) {
  const int flag = lp.phase1Flags[r];
  return flag != 0 && !(flag == 1 && lp.types[r].type == '<') && lp.rowMap[r] == lp.n + r;
}

// The identity that tableau row `row` stands for, with every slack written
// out as its origin row: each structural's coefficient into
// drift.identity[1..n] and the sum of its terms' sizes into identitySize,
// the constant's terms into element 0; returns the row's own constant. The
// entries of the active columns are read as 0 when `inactiveOnly`.
double buildIdentity(LpRecord& lp, int row, bool inactiveOnly) {
  const int m = Lp_rowsInUse(lp), n = lp.n;
  lp.drift.identity.assign(static_cast<std::size_t>(n) + 1, 0.0);
  lp.drift.identitySize.assign(static_cast<std::size_t>(n) + 1, 0.0);
  const double* t = lp.matrix.row(row);
  // The row reads: basic part + sum_k t_k x_{v_k} = t_0 + sum_k t_k value_k.
  // Its basic part is x_B(row), or for the phase-1 row the artificials it
  // counts (a ranged row by its excess over the range).
  double constant = t[0];
  for (int r = 1; r <= m; ++r) {
    const bool basic = row == m + 1 ? countedInPhase1(lp, r) : r == row;
    if (!basic) continue;
    const int v = lp.rowMap[r];
    addTerm(lp, v, 1.0, v > n ? slackSign(lp, v - n) : 1.0);
    if (row == m + 1 && lp.phase1Flags[r] == 2) constant += lp.ranges[r];
  }
  for (int k = inactiveOnly ? lp.activeCols + 1 : 1; k <= n; ++k) {
    if (t[k] == 0) continue;
    const int v = lp.colMap[k];
    constant += t[k] * Lp_nonbasicValue(lp, k);
    addTerm(lp, v, t[k], v > n ? columnSlackSign(lp, k) : 1.0);
  }
  return constant;
}

// The identity holds at every point only when each structural's
// coefficient and the constant vanish: each within the drift tolerance of
// the terms it sums.
bool identityVanishes(const LpRecord& lp, double constant) {
  const double tolerance = Lp_driftTolerance(lp);
  const double* c = lp.drift.identity.data();
  const double* size = lp.drift.identitySize.data();
  if (std::fabs(constant + c[0]) > tolerance * (1.0 + std::fabs(constant) + size[0])) return false;
  for (int j = 1; j <= lp.n; ++j)
    if (std::fabs(c[j]) > tolerance * (1.0 + size[j])) return false;
  return true;
}

// The same up to the precision of the largest term the identity sums: the
// measure of a row that the pivots have cancelled, whose coefficients that
// should be 0 hold rounding alone, which no term of their own outweighs.
bool identityNegligible(const LpRecord& lp, double constant) {
  const double* c = lp.drift.identity.data();
  const double* size = lp.drift.identitySize.data();
  const double largest = std::max(std::fabs(constant) + size[0], *std::max_element(size + 1, size + lp.n + 1));
  const double tolerance = lp.precision * (1.0 + largest);
  if (std::fabs(constant + c[0]) > tolerance) return false;
  return std::all_of(c + 1, c + lp.n + 1, [tolerance](double v) { return std::fabs(v) <= tolerance; });
}

// Size of origin row i at drift.values, in its scaled units: 1 in the
// model's units, its right-hand side and the sizes of the terms it sums.
double rowSize(const LpRecord& lp, int i) {
  const double* o = lp.drift.origin.row(i);
  const double* v = lp.drift.values.data();
  double size = Lp_rowUnit(lp.scaling, i) + std::fabs(o[0]);
  for (int t = lp.drift.originStart[i]; t < lp.drift.originStart[i + 1]; ++t) {
    const int j = lp.drift.originCols[t];
    size += std::fabs(o[j] * v[j]);
  }
  return size;
}

// What row r, counted in phase 1, still misses: its artificial's value, a
// ranged row's excess over its range (below 0 when a step through a small
// entry carried the row past its side, which phase 1 leaves to the repair
// of phase 2, as it does in its sum).
double phase1Leftover(const LpRecord& lp, int r) {
  const double left = lp.matrix.row(r)[0];
  return lp.phase1Flags[r] == 2 ? left - lp.ranges[r] : left;
}

// Whether row r holds its equality's artificial, still counted.
bool holdsEqualityArtificial(const LpRecord& lp, int r) {
  return lp.rowMap[r] == lp.n + r && lp.phase1Flags[r] == 1 && lp.types[r].type == '=';
}

// Whether row r has a nonzero entry among the active columns.
bool hasActiveEntries(const LpRecord& lp, int r) {
  const double* a = lp.matrix.row(r);
  return std::any_of(a + 1, a + lp.activeCols + 1, [](double v) { return v != 0; });
}

// Row r's entries in the active columns to 0, taken out of the phase-1
// row too when `phase1`.
void clearActiveEntries(LpRecord& lp, int r, bool phase1) {
  double* p = lp.matrix.row(Lp_rowsInUse(lp) + 1);
  double* a = lp.matrix.row(r);
  for (int k = 1; k <= lp.activeCols; ++k) {
    if (phase1) p[k] -= a[k];
    a[k] = 0.0;
  }
}

// Before a rebuild: the rows cleared as dependent (an equality's artificial
// basic, no entry in the active columns). They stay dependent while the
// artificials they depend on are out of the active columns, which is for
// the rest of the solve, and the rebuild's rounding is cleared from them
// again (on an ill-conditioned basis it can exceed what the check of
// Lp_clearIfDependent tells from a dependency).
void noteClearedRows(LpRecord& lp) {
  const int m = Lp_rowsInUse(lp);
  lp.drift.cleared.assign(static_cast<std::size_t>(m) + 1, 0);
  for (int r = 1; r <= m; ++r) lp.drift.cleared[r] = holdsEqualityArtificial(lp, r) && !hasActiveEntries(lp, r);
}

// Whether row r, holding its equality's artificial, has entries in the
// active columns that are rounding only (Lp_clearIfDependent).
bool dependentWithRounding(LpRecord& lp, int r) {
  if (!hasOrigin(lp) || !holdsEqualityArtificial(lp, r) || !hasActiveEntries(lp, r)) return false;
  return identityNegligible(lp, buildIdentity(lp, r, true));
}

// After a rebuild: the rows cleared before it cleared again, and every
// other row found dependent now.
void clearDependentRows(LpRecord& lp) {
  const int m = Lp_rowsInUse(lp);
  for (int r = 1; r <= m; ++r)
    if (lp.drift.cleared[r] || dependentWithRounding(lp, r)) clearActiveEntries(lp, r, false);
}

}  // namespace

bool Lp_rowCertified(LpRecord& lp, int row) {
  return hasOrigin(lp) && identityVanishes(lp, buildIdentity(lp, row, false));
}

void Lp_clearIfDependent(LpRecord& lp, int r, bool phase1) {
  if (dependentWithRounding(lp, r)) clearActiveEntries(lp, r, phase1);
}

void Lp_captureOrigin(LpRecord& lp) {
  lp.drift.origin = lp.matrix;
  lp.drift.originTypes = lp.types;
  lp.drift.values.assign(static_cast<std::size_t>(lp.n + lp.m) + 1, 0.0);
  indexOrigin(lp);
  lp.drift.pivotsSinceRebuild = 0;
  lp.drift.pivotsSinceCheck = 0;
}

void Lp_originFromTableauRow(LpRecord& lp, int i) {
  if (!hasOrigin(lp)) return;
  const double* t = lp.matrix.row(i);
  double* o = lp.drift.origin.row(i);
  std::fill(o, o + lp.n + 1, 0.0);
  o[0] = t[0];
  for (int k = 1; k <= lp.n; ++k) {
    if (t[k] == 0) continue;
    const int v = lp.colMap[k];
    o[0] += t[k] * Lp_nonbasicValue(lp, k);
    if (v <= lp.n) {
      o[v] += t[k];
      continue;
    }
    const int l = v - lp.n;
    const double f = t[k] * columnSlackSign(lp, k) * orientation(lp, l);
    const double* a = lp.drift.origin.row(l);
    o[0] -= f * a[0];
    for (int j = 1; j <= lp.n; ++j) o[j] -= f * a[j];
  }
  lp.drift.originTypes[i] = lp.types[i];
  indexOrigin(lp);
}

void Lp_originObjective(LpRecord& lp, double value, const double* g) {
  if (!hasOrigin(lp)) return;
  double* o = lp.drift.origin.row(0);
  o[0] = value;
  for (int j = 1; j <= lp.n; ++j) {
    o[j] = std::fabs(g[j]) > Lp_tiny ? -g[j] : 0.0;
    o[0] += o[j] * lp.x[j];
  }
  indexOrigin(lp);
}

double Lp_driftTolerance(const LpRecord& lp) { return kDriftShare * lp.precision; }

double Lp_driftResidual(LpRecord& lp) {
  if (!hasOrigin(lp)) return 0.0;
  fillValues(lp);
  double worst = 0;
  const int m = Lp_rowsInUse(lp);
  for (int i = 0; i <= m; ++i) worst = std::max(worst, rowResidual(lp, i));
  return worst;
}

bool Lp_rebuildTableau(LpRecord& lp, bool phase1) {
  const int m = Lp_rowsInUse(lp), n = lp.n;
  if (!hasOrigin(lp) || m > kRebuildRowLimit) return false;
  try {
    sizeRebuild(lp);
  } catch (const std::bad_alloc&) {
    return false;  // the updated tableau goes on as it is
  }
  if (!splitBasis(lp) || !factorBasis(lp, lp.drift.structuralCount)) return false;
  noteClearedRows(lp);
  // Element 0: the right-hand sides with every nonbasic value moved across.
  double* rhs = lp.drift.values.data();  // m+1 <= n+m+1 slots
  double* col = lp.drift.solveColumn.data();
  for (int i = 1; i <= m; ++i) rhs[i] = orientation(lp, i) * lp.drift.origin.row(i)[0];
  for (int k = 1; k <= n; ++k) {
    const int v = lp.colMap[k];
    const double value = Lp_nonbasicValue(lp, k);
    if (value == 0) continue;
    originColumn(lp, v, v > n ? columnSlackSign(lp, k) : 1.0, col);
    for (int i = 1; i <= m; ++i) rhs[i] -= col[i] * value;
  }
  rebuildSlackColumns(lp);
  rebuildStructuralColumns(lp);
  solveBasicValues(lp, rhs);
  rebuildObjective(lp);
  clearDependentRows(lp);
  if (phase1) rebuildPhase1(lp);
  lp.drift.pivotsSinceRebuild = 0;
  lp.drift.pivotsSinceCheck = 0;
  ++lp.drift.rebuilds;
  return true;
}

void Lp_watchDrift(LpRecord& lp, bool phase1) {
  if (lp.drift.interval <= 0 || ++lp.drift.pivotsSinceCheck < lp.drift.interval) return;
  lp.drift.pivotsSinceCheck = 0;
  if (Lp_driftResidual(lp) > Lp_driftTolerance(lp)) Lp_rebuildTableau(lp, phase1);
}

bool Lp_refreshBeforeVerdict(LpRecord& lp, bool phase1, bool always) {
  if (lp.drift.interval <= 0 || lp.drift.pivotsSinceRebuild == 0 || !hasOrigin(lp)) return false;
  if (!always && Lp_driftResidual(lp) <= Lp_driftTolerance(lp)) return false;
  return Lp_rebuildTableau(lp, phase1);
}

bool Lp_phase1RowsMet(LpRecord& lp) {
  if (!hasOrigin(lp)) return false;
  const int m = Lp_rowsInUse(lp);
  fillValues(lp);
  for (int r = 1; r <= m; ++r)
    if (countedInPhase1(lp, r) && phase1Leftover(lp, r) > lp.precision * rowSize(lp, r)) return false;
  return true;
}

bool Lp_refreshUnlessCertified(LpRecord& lp, bool phase1, int row) {
  if (lp.drift.interval <= 0 || lp.drift.pivotsSinceRebuild == 0 || !hasOrigin(lp)) return false;
  ++lp.drift.certificates;
  if (Lp_rowCertified(lp, row)) return false;
  return Lp_rebuildTableau(lp, phase1);
}
