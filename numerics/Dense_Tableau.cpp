// The dense two-phase tableau simplex: set-up, phase 1 on the auxiliary row
// (driving the artificial variables of the greater-or-equal and equality rows
// out of the basis), phase 2 on the objective row, and the three steps they
// share (largest entry, ratio test, pivot).
#include "numerics/Dense_Tableau.h"

#include "base/Chk_Assert.h"

#include <algorithm>
#include <cmath>
#include <tuple>
#include <utility>

DenseTableau Dense_tableauMake(int m, int n) {
  DenseTableau t;
  t.rows = m + 2;
  t.columns = n + 1;
  t.cells.assign(static_cast<std::size_t>(t.rows) * t.columns, 0.0);
  return t;
}

void Dense_simplexMaxCoeff(const DenseTableau& t, int row, const int* columns, int count, bool byMagnitude, int* column,
                           double* value) {
  if (count <= 0) {
    *value = 0.0;
    return;
  }
  *column = columns[0];
  *value = Dense_tableauAt(t, row, columns[0]);
  for (int k = 1; k < count; ++k) {
    const double entry = Dense_tableauAt(t, row, columns[k]);
    const double gain = byMagnitude ? std::fabs(entry) - std::fabs(*value) : entry - *value;
    if (gain > 0.0) {
      *value = entry;
      *column = columns[k];
    }
  }
}

// True when row `challenger` beats row `holder` on a tie of their ratios:
// the first following column where -(entry / pivot entry) differs decides,
// the smaller value winning.
static bool Dense_simplexTieWins(const DenseTableau& t, int n, int holder, int challenger, int kp) {
  for (int c = 1; c <= n; ++c) {
    const double held = -Dense_tableauAt(t, holder, c) / Dense_tableauAt(t, holder, kp);
    const double other = -Dense_tableauAt(t, challenger, c) / Dense_tableauAt(t, challenger, kp);
    if (other != held) return other < held;
  }
  return false;
}

void Dense_simplexRatioTest(const DenseTableau& t, int n, const int* rowList, int count, int* row, int pivotColumn,
                            double* ratio) {
  *row = 0;
  for (int k = 0; k < count; ++k) {
    const int i = rowList[k];
    const double entry = Dense_tableauAt(t, i, pivotColumn);
    if (entry >= -kDenseTableauEps) continue;
    const double q = -Dense_tableauAt(t, i, 0) / entry;
    if (*row == 0 || q < *ratio || (q == *ratio && Dense_simplexTieWins(t, n, *row, i, pivotColumn))) {
      *row = i;
      *ratio = q;
    }
  }
}

void Dense_simplexPivot(DenseTableau& t, int lastRow, int lastColumn, int pivotRow, int pivotColumn) {
  CORVAN_ASSERT(pivotRow >= 0 && pivotRow <= lastRow && pivotColumn >= 0 && pivotColumn <= lastColumn);
  CORVAN_ASSERT(Dense_tableauAt(t, pivotRow, pivotColumn) != 0.0);
  const double piv = 1.0 / Dense_tableauAt(t, pivotRow, pivotColumn);
  for (int r = 0; r <= lastRow; ++r) {
    if (r == pivotRow) continue;
    double& factor = Dense_tableauAt(t, r, pivotColumn);
    factor *= piv;
    for (int c = 0; c <= lastColumn; ++c)
      if (c != pivotColumn) Dense_tableauAt(t, r, c) -= Dense_tableauAt(t, pivotRow, c) * factor;
  }
  for (int c = 0; c <= lastColumn; ++c)
    if (c != pivotColumn) Dense_tableauAt(t, pivotRow, c) = -(piv * Dense_tableauAt(t, pivotRow, c));
  Dense_tableauAt(t, pivotRow, pivotColumn) = piv;
}

namespace {

// The state of one run: the tableau's sizes and the three working lists.
struct TableauRun {
  DenseTableau& t;
  int n, m1, m2, m3, m;
  std::vector<int>& columnVars;
  std::vector<int>& rowVars;
  std::vector<int> columns;      // the eligible columns
  std::vector<int> rowList;      // the rows of the ratio test
  std::vector<char> artificial;  // per greater-or-equal row: its artificial still basic
};

void Dense_simplexNegateColumn(DenseTableau& t, int lastRow, int column) {
  for (int r = 0; r <= lastRow; ++r) Dense_tableauAt(t, r, column) = -Dense_tableauAt(t, r, column);
}

// After a phase-1 pivot on (ip, kp): an equality row's artificial that left
// the basis never re-enters; a greater-or-equal row's artificial that left it
// turns into that row's surplus variable. Then the two indexes swap.
void Dense_simplexAfterPhase1Pivot(TableauRun& s, int ip, int kp) {
  const int leaving = s.rowVars[ip];
  const int aux = s.m + 1;
  if (leaving >= s.n + s.m1 + s.m2 + 1) {
    s.columns.erase(std::find(s.columns.begin(), s.columns.end(), kp));
    Dense_tableauAt(s.t, aux, kp) += 1.0;
    Dense_simplexNegateColumn(s.t, aux, kp);
  } else if (leaving >= s.n + s.m1 + 1 && s.artificial[leaving - s.n - s.m1]) {
    s.artificial[leaving - s.n - s.m1] = 0;
    Dense_tableauAt(s.t, aux, kp) += 1.0;
    Dense_simplexNegateColumn(s.t, aux, kp);
  }
  std::swap(s.columnVars[kp], s.rowVars[ip]);
}

// At the end of phase 1 with the auxiliary objective at zero: a pivot that
// drives a zero-level equality artificial out of the basis, as (row, column);
// row 0 when none can. Any entry of useful size will do, whatever its sign,
// since the row's right-hand side is zero; an artificial left basic would
// otherwise be free to grow in phase 2 and break its equality.
std::pair<int, int> Dense_simplexArtificialPivot(TableauRun& s) {
  for (int i = s.m1 + s.m2 + 1; i <= s.m; ++i) {
    if (s.rowVars[i] != s.n + i) continue;
    int kp = 0;
    double entry = 0.0;
    Dense_simplexMaxCoeff(s.t, i, s.columns.data(), static_cast<int>(s.columns.size()), true, &kp, &entry);
    if (std::fabs(entry) > kDenseTableauEps) return {i, kp};
  }
  return {0, 0};
}

// Greater-or-equal rows whose artificial is still basic (at level zero) now
// carry their surplus variable instead.
void Dense_simplexSurplusRows(TableauRun& s) {
  for (int i = s.m1 + 1; i <= s.m1 + s.m2; ++i)
    if (s.artificial[i - s.m1])
      for (int c = 0; c <= s.n; ++c) Dense_tableauAt(s.t, i, c) = -Dense_tableauAt(s.t, i, c);
}

// Smallest-index choices, which cannot cycle: the entering column whose
// variable has the smallest index among those that improve the phase-1
// objective, and the leaving row of smallest ratio whose basic variable has
// the smallest index.
int Dense_simplexBlandColumn(const TableauRun& s) {
  int best = 0;
  for (int c : s.columns)
    if (Dense_tableauAt(s.t, s.m + 1, c) > kDenseTableauEps && (best == 0 || s.columnVars[c] < s.columnVars[best]))
      best = c;
  return best;
}

int Dense_simplexBlandRow(const TableauRun& s, int kp) {
  int best = 0;
  double bestRatio = 0.0;
  for (int i = 1; i <= s.m; ++i) {
    const double entry = Dense_tableauAt(s.t, i, kp);
    if (entry >= -kDenseTableauEps) continue;
    const double q = -Dense_tableauAt(s.t, i, 0) / entry;
    if (best == 0 || q < bestRatio || (q == bestRatio && s.rowVars[i] < s.rowVars[best])) {
      best = i;
      bestRatio = q;
    }
  }
  return best;
}

// Phase 1: true when a feasible basis stands, false when the rows are
// infeasible. After max(n, m) pivots in a row that leave the phase-1
// objective where it was, the run may be cycling, and it goes on with the
// smallest-index choices until the objective moves again.
bool Dense_simplexPhase1(TableauRun& s) {
  const int aux = s.m + 1;
  for (int c = 0; c <= s.n; ++c) {
    double sum = 0.0;
    for (int i = s.m1 + 1; i <= s.m; ++i) sum += Dense_tableauAt(s.t, i, c);
    Dense_tableauAt(s.t, aux, c) = -sum;
  }
  const int limit = std::max(s.n, s.m);
  for (int stalled = 0;;) {
    int kp = 0, ip = 0;
    double bmax = 0.0, ratio = 0.0;
    Dense_simplexMaxCoeff(s.t, aux, s.columns.data(), static_cast<int>(s.columns.size()), false, &kp, &bmax);
    const double auxValue = Dense_tableauAt(s.t, aux, 0);
    if (bmax <= kDenseTableauEps && auxValue < -kDenseTableauEps) return false;
    // No column lowers the phase-1 sum further and it stands at zero (or,
    // by rounding, just above): a feasible basis.
    if (bmax <= kDenseTableauEps) {
      std::tie(ip, kp) = Dense_simplexArtificialPivot(s);
      if (ip == 0) {
        Dense_simplexSurplusRows(s);
        return true;
      }
    } else if (stalled >= limit) {
      kp = Dense_simplexBlandColumn(s);
      ip = Dense_simplexBlandRow(s, kp);
    } else {
      Dense_simplexRatioTest(s.t, s.n, s.rowList.data(), s.m, &ip, kp, &ratio);
    }
    if (ip == 0) return false;
    CORVAN_ASSERT(std::find(s.columns.begin(), s.columns.end(), kp) != s.columns.end());
    Dense_simplexPivot(s.t, aux, s.n, ip, kp);
    Dense_simplexAfterPhase1Pivot(s, ip, kp);
    stalled = Dense_tableauAt(s.t, aux, 0) > auxValue ? 0 : stalled + 1;
  }
}

// Phase 2: optimal or unbounded.
int Dense_simplexPhase2(TableauRun& s) {
  for (;;) {
    int kp = 0, ip = 0;
    double bmax = 0.0, ratio = 0.0;
    Dense_simplexMaxCoeff(s.t, 0, s.columns.data(), static_cast<int>(s.columns.size()), false, &kp, &bmax);
    if (bmax <= kDenseTableauEps) return DenseSimplexOptimal;
    Dense_simplexRatioTest(s.t, s.n, s.rowList.data(), s.m, &ip, kp, &ratio);
    if (ip == 0) return DenseSimplexUnbounded;
    Dense_simplexPivot(s.t, s.m, s.n, ip, kp);
    std::swap(s.columnVars[kp], s.rowVars[ip]);
  }
}

}  // namespace

bool Dense_tableauSimplex(DenseTableau& t, int n, int m1, int m2, int m3, int* caseCode, std::vector<int>& columnVars,
                          std::vector<int>& rowVars, bool phase2) {
  const int m = m1 + m2 + m3;
  for (int i = 1; i <= m; ++i)
    if (Dense_tableauAt(t, i, 0) < 0.0) return false;
  TableauRun s{t, n, m1, m2, m3, m, columnVars, rowVars, {}, {}, {}};
  columnVars.assign(n + 1, 0);
  rowVars.assign(m + 1, 0);
  for (int c = 1; c <= n; ++c) {
    s.columns.push_back(c);
    columnVars[c] = c;
  }
  for (int i = 1; i <= m; ++i) {
    s.rowList.push_back(i);
    rowVars[i] = n + i;
  }
  s.artificial.assign(m2 + 1, 1);
  if (m2 + m3 > 0 && !Dense_simplexPhase1(s)) {
    *caseCode = DenseSimplexInfeasible;
    return true;
  }
  if (phase2) *caseCode = Dense_simplexPhase2(s);
  return true;
}
