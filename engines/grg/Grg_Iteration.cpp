// The GRG engine's main loop: binding and violated rows, the phase-1
// objective, the basis by Gauss-Jordan elimination with its explicit inverse,
// the superbasic/nonbasic split, the reduced gradient, the optimality and
// convergence tests, the ratio test with degenerate basis exchanges, and one
// line search per iteration.
#include <algorithm>
#include <cmath>

#include "engines/grg/Grg_Engine.h"

namespace {

// Rounding units of a row's size that its value may be off by.
constexpr double kRowResolution = 1e-14;
// The share of a pass's sum of violations that a pass ending converged and
// infeasible leaves at most, for another pass to follow it.
constexpr double kInfeasibleProgress = 0.5;
// The share of its terms below which a basic's direction entry is rounding.
constexpr double kDirectionRounding = 1e-5;

bool onBound(const GrgRecord& rec, double v, double bound) {
  return std::fabs(v - bound) < Grg_rowTolerance(rec.settings.pre, bound);
}

// -1 when row i's value v lies below its lower bound, 1 above its upper, else 0.
int violationSide(const GrgRecord& rec, int i, double v) {
  double l = rec.xl[rec.n + i], u = rec.xu[rec.n + i];
  if (v < l - Grg_rowTolerance(rec.settings.pre, l)) return -1;
  if (v > u + Grg_rowTolerance(rec.settings.pre, u)) return 1;
  return 0;
}

double violation(const GrgRecord& rec, int i, double v) {
  int side = violationSide(rec, i, v);
  if (side < 0) return rec.xl[rec.n + i] - v;
  if (side > 0) return v - rec.xu[rec.n + i];
  return 0.0;
}

// The largest finite magnitude of column col's bounds (0 when none is).
double boundsMagnitude(const GrgRecord& rec, int col) {
  double magnitude = 0.0;
  for (double bound : {rec.xl[col], rec.xu[col]})
    if (std::fabs(bound) < rec.settings.infinity) magnitude = std::max(magnitude, std::fabs(bound));
  return magnitude;
}

// The magnitude each variable's rows tell (`rowReach`): the least
// |bound| / |derivative| over the constraint rows with a bound other than
// 0 that depend on it by more than their derivatives' rounding error, as
// far as the variable would go were it to make up that bound alone, and
// the least over the run's derivatives so far; 0 while no row tells one.
// A variable bounded by 0 alone, or not at all, has no other scale before
// it moves: one whose rows read -1E-06 x <= 0.08 and 5E-05 x >= 5.25
// reaches some 1E+05, and its optimum lay at -15000. A nonlinear row's
// derivative may vanish where the point goes: a ball's, where it touches
// a bound, made a variable at 4000 reach 5E+08, the multiplier of the row
// weighed by that outweighed the objective, and the pass converged there.
void measureRowReach(GrgRecord& rec) {
  for (int i = 1; i <= rec.m; ++i) {
    double bound = boundsMagnitude(rec, rec.n + i);
    if (i == rec.objectiveRow || rec.rowKind[i] == 0 || bound == 0.0) continue;
    for (int j = 1; j <= rec.n; ++j) {
      double a = std::fabs(static_cast<double>(Grg_jac(rec, i, j)));
      if (a <= Grg_jacError(rec, i, j)) continue;
      double& reach = rec.rowReach[j];
      reach = reach > 0.0 ? std::min(reach, bound / a) : bound / a;
    }
  }
}

// How far variable j moves in the units of the optimality test when it is
// weighed by size: the largest of |x_j| and the magnitude its bounds or
// else its rows tell (Grg_boundMagnitude; max(1, |x_j|) when neither
// tells one), or the width of its box when that is less; 1 when it is not
// weighed. Its bounds tell its scale where its value does not: a variable
// at 0 whose box runs to 15000, with a cost of 0.1 beside one of 250000 on
// a variable ranging over 0.04, passed as optimal measured by a size of 1;
// and one bounded below by 2E-04 whose cost was 200, measured by 1, set so
// large a tolerance that a variable of 1E+07 with a cost of 7.5E-10 passed
// as optimal. So do its rows where its bounds are 0 or none: a variable
// bounded below by 0 whose rows put it near 0.003 and whose cost was 2900,
// measured by 1, let a free variable whose rows put it near 1E+05 pass
// with a reduced gradient of 1.2E-03, 15000 short of its optimum.
double variableSize(const GrgRecord& rec, int j, bool weigh) {
  if (!weigh) return 1.0;
  double magnitude = Grg_boundMagnitude(rec, j);
  double size = magnitude > 0.0 ? std::max(magnitude, std::fabs(rec.x[j])) : std::max(1.0, std::fabs(rec.x[j]));
  return std::min(rec.xu[j] - rec.xl[j], size);
}

// How much row i changes when the variables move by their sizes: the
// largest |derivative| times size.
double rowChangeSize(const GrgRecord& rec, int i, bool weigh) {
  double size = 0.0;
  for (int j = 1; j <= rec.n; ++j)
    size = std::max(size, std::fabs(static_cast<double>(Grg_jac(rec, i, j))) * variableSize(rec, j, weigh));
  return size;
}

// How far column col moves in the units of the optimality test: a
// variable's size; a slack's, its row's change.
double columnWeight(const GrgRecord& rec, int col, bool weigh) {
  return col <= rec.n ? variableSize(rec, col, weigh) : rowChangeSize(rec, col - rec.n, weigh);
}

// Element of the binding system: row `row`, extended column `col`.
double element(const GrgRecord& rec, int row, int col) {
  if (col <= rec.n) return Grg_jac(rec, row, col);
  return col - rec.n == row ? -1.0 : 0.0;
}

double& inverse(GrgRecord& rec, int k, int l) { return rec.binv[(k - 1) * rec.bindingCount + (l - 1)]; }
// The rounding error of an element of the inverse (first order).
double& inverseError(GrgRecord& rec, int k, int l) { return rec.binvError[(k - 1) * rec.bindingCount + (l - 1)]; }

void computeDistances(GrgRecord& rec) {
  for (int j = 1; j <= rec.n + rec.m; ++j) {
    double dist = std::min(rec.x[j] - rec.xl[j], rec.xu[j] - rec.x[j]);
    rec.distance[j] = dist <= rec.settings.pre ? 0.0 : std::min(dist, 1e10);
  }
}

int boundStatus(const GrgRecord& rec, int col) {
  if (std::fabs(rec.x[col] - rec.xl[col]) < rec.settings.pre) return -1;
  if (std::fabs(rec.x[col] - rec.xu[col]) < rec.settings.pre) return 1;
  return 0;
}

// The elimination block and, beside it, each element's rounding error: the
// errors of the differenced derivatives carried through the elimination to
// first order. An element within its error is no pivot: two equalities
// that are multiples of each other leave, once one is eliminated from the
// other, only the rounding of their differences (1.5E-04 on rows of
// 1E+06), and a basis pivoted on it took both variables for the two rows,
// left no direction and ended phase 1 "no feasible solution".
struct Block {
  std::vector<double> w, e;
  int width = 0;
  double value(int k, int c) const { return w[(k - 1) * width + c - 1]; }
  double error(int k, int c) const { return e[(k - 1) * width + c - 1]; }
};

// Gauss-Jordan step on the work block: row p divided by the pivot, column c
// eliminated from every other row.
void pivot(Block& b, int rows, int p, int c) {
  int width = b.width;
  double* prow = &b.w[(p - 1) * width];
  double* perr = &b.e[(p - 1) * width];
  double pv = prow[c - 1], pe = perr[c - 1];
  for (int j = 0; j < width; ++j) {
    prow[j] /= pv;
    perr[j] = (perr[j] + std::fabs(prow[j]) * pe) / std::fabs(pv);
  }
  perr[c - 1] = 0.0;
  for (int k = 1; k <= rows; ++k) {
    if (k == p) continue;
    double* krow = &b.w[(k - 1) * width];
    double* kerr = &b.e[(k - 1) * width];
    double f = krow[c - 1], fe = kerr[c - 1];
    if (f == 0.0 && fe == 0.0) continue;
    for (int j = 0; j < width; ++j) {
      krow[j] -= f * prow[j];
      kerr[j] += std::fabs(f) * perr[j] + fe * std::fabs(prow[j]);
    }
    kerr[c - 1] = 0.0;
  }
}

struct Pick {
  int col = 0, row = 0;
  double value = 0.0;    // |element|
  double scaled = 0.0;   // |element| in its row's and column's own sizes
  double weighed = 0.0;  // |element| in its column's weight and its row's change over the weights
};

// The sizes of the elimination block's rows and columns (1-based): taken
// from the derivatives, and the weights of the optimality test
// (columnWeight) with each row's change over them.
struct BlockSizes {
  std::vector<double> row, col, rowWeight, colWeight;
};

// Largest |element| of column c over the unpivoted rows, among those larger
// than their rounding error.
Pick columnMax(const Block& b, int nb, const std::vector<char>& pivoted, int c, const BlockSizes& sizes) {
  Pick p;
  p.col = c;
  for (int k = 1; k <= nb; ++k) {
    double v = std::fabs(b.value(k, c));
    if (!pivoted[k] && v > p.value && v > b.error(k, c))
      p = {c, k, v, v / (sizes.row[k] * sizes.col[c]), v * sizes.colWeight[c] / sizes.rowWeight[k]};
  }
  return p;
}

// A slack basic: the first unpivoted row's own slack. (A slack column of an
// unpivoted row is still its unit column, so it is never taken yet.)
Pick slackStep(const GrgRecord& rec, const std::vector<char>& pivoted) {
  int k = 1;
  while (pivoted[k]) ++k;
  return {rec.n + k, k, 1.0, 1.0, 1.0};
}

// How an element of the block is measured: by plain size, in its row's and
// column's sizes from the derivatives, or in the weights.
enum class Measure { Plain, Scaled, Weighed };

// The largest element of the first elimination step in each measure (-1
// until that step).
struct FirstPivot {
  double value = -1.0, scaled = -1.0, weighed = -1.0;
  double of(Measure m) const { return m == Measure::Plain ? value : m == Measure::Scaled ? scaled : weighed; }
};

double measure(const Pick& p, Measure m) {
  return m == Measure::Plain ? p.value : m == Measure::Scaled ? p.scaled : p.weighed;
}

// One general elimination step with elements in measure m: the slack of
// the first unpivoted row (an empty pick), a well-placed column, or the
// column farthest from its bounds. A well-placed column's element must be a fair share of the
// largest: where a row touches a variable's bound (a ball tangent to it)
// the row's other elements vanish, and one of 1E-04 beside one of 200 made
// the basic direction explode.
Pick chooseColumn(const GrgRecord& rec, const std::vector<Pick>& cand, double p1, Measure m) {
  double big = 0.0;
  for (const Pick& p : cand) big = std::max(big, measure(p, m));
  if (p1 < 1e-10 || (big < rec.settings.pivotTol * p1 && big < rec.settings.pivotTol)) return Pick{};
  Pick best;
  for (const Pick& p : cand)
    if (p.row && rec.distance[p.col] >= 10 * rec.settings.pre && p.value > best.value) best = p;
  if (best.col && measure(best, m) >= rec.settings.pivotTol * big) return best;
  Pick far;
  double farDist = -1.0;
  for (const Pick& p : cand)
    if (p.row && measure(p, m) > 0.01 * big && rec.distance[p.col] >= farDist) {
      far = p;
      farDist = rec.distance[p.col];
    }
  return far;
}

// One general elimination step, by plain size; when that finds no element
// worth a pivot, in the rows' and columns' own sizes, so that an equality
// whose coefficients are 1E-05 of the other rows' still gets a variable
// rather than its own slack; then in the weights, as the degenerate
// exchange measures its pivots (sizes from the derivatives follow the row
// whose coefficients are smallest, even one not binding: a variable of
// 2.5E+05 whose element was 3.5E-05 in an equality of coefficients up to
// 15 measured 2E-06 there, the equality's fixed slack became basic and
// blocked every step until the pass converged); the slack only when none
// finds one.
Pick generalStep(GrgRecord& rec, const Block& b, const std::vector<char>& pivoted,
                 const std::vector<char>& taken, FirstPivot& p1, const BlockSizes& sizes) {
  std::vector<Pick> cand;
  FirstPivot big{0.0, 0.0, 0.0};
  for (int j = 1; j <= rec.n; ++j) {
    if (taken[j]) continue;
    cand.push_back(columnMax(b, rec.bindingCount, pivoted, j, sizes));
    const Pick& c = cand.back();
    big = {std::max(big.value, c.value), std::max(big.scaled, c.scaled), std::max(big.weighed, c.weighed)};
  }
  if (p1.value < 0) p1 = big;
  Pick pick;
  for (Measure m : {Measure::Plain, Measure::Scaled, Measure::Weighed})
    if (!pick.col) pick = chooseColumn(rec, cand, p1.of(m), m);
  return pick.col ? pick : slackStep(rec, pivoted);
}

// Among the previous basics not yet taken, the largest element over the unpivoted rows.
Pick previousStep(GrgRecord& rec, const Block& b, const std::vector<char>& pivoted,
                  const std::vector<char>& taken, const std::vector<int>& previous, const BlockSizes& sizes) {
  Pick best;
  for (int c : previous) {
    if (taken[c]) continue;
    Pick p = columnMax(b, rec.bindingCount, pivoted, c, sizes);
    if (p.value > best.value) best = p;
  }
  return best;
}

// A previous basic is kept while its pivot is large enough, absolutely and
// against the best candidate in the unpivoted rows: a pivot that has shrunk
// to a small fraction of another column's (a basic variable at a turning
// point of its row) would make the basis nearly singular.
bool acceptPrevious(const GrgRecord& rec, int step, double value, double p1, double best) {
  if (value < 0.01 * best) return false;
  if (step == 1) return value > rec.settings.pivotTol;
  if (rec.lastSearchAtBound) return value > 1e-15;
  return value >= rec.settings.pivotTol * p1 || value >= rec.settings.pivotTol;
}

double largestCandidate(const GrgRecord& rec, const Block& b, const std::vector<char>& pivoted,
                        const std::vector<char>& taken, const BlockSizes& sizes) {
  double big = 0.0;
  for (int j = 1; j <= rec.n; ++j)
    if (!taken[j]) big = std::max(big, columnMax(b, rec.bindingCount, pivoted, j, sizes).value);
  return big;
}

// The previous basics as columns of the elimination block: variables as they
// are, the slack of a row that is still binding as that row's slack column.
std::vector<int> previousColumns(const GrgRecord& rec) {
  std::vector<int> out;
  for (int c : rec.prevBasic) {
    if (c <= rec.n) {
      out.push_back(c);
      continue;
    }
    for (int k = 1; k <= rec.bindingCount; ++k)
      if (rec.bindRow[k] == c - rec.n) out.push_back(rec.n + k);
  }
  return out;
}

// The largest |derivative| of row i over the variables.
double rowGradientSize(const GrgRecord& rec, int i) {
  double size = 0.0;
  for (int j = 1; j <= rec.n; ++j) size = std::max(size, std::fabs(static_cast<double>(Grg_jac(rec, i, j))));
  return size;
}

// The size each row is measured in (1..m): its largest derivative, or 1
// when it has none.
std::vector<double> rowSizes(const GrgRecord& rec) {
  std::vector<double> sizes(rec.m + 1, 1.0);
  for (int i = 1; i <= rec.m; ++i)
    if (double size = rowGradientSize(rec, i); size > 0.0) sizes[i] = size;
  return sizes;
}

// The size a column is measured in, each row first measured in its own
// size: a variable's largest |derivative| over every row, the objective's
// included, each divided by its row's size (0 when no row depends on it);
// a slack's, its -1 in its own row so divided.
double columnSize(const GrgRecord& rec, int col, const std::vector<double>& rows) {
  if (col > rec.n) return 1.0 / rows[col - rec.n];
  double size = 0.0;
  for (int i = 1; i <= rec.m; ++i)
    size = std::max(size, std::fabs(static_cast<double>(Grg_jac(rec, i, col))) / rows[i]);
  return size;
}

// The sizes of the elimination block: each binding row's, each variable's
// and, for the slack column of block row k, its row's -1 so measured.
BlockSizes blockSizes(const GrgRecord& rec) {
  int n = rec.n, nb = rec.bindingCount;
  std::vector<double> rows = rowSizes(rec);
  BlockSizes sizes{std::vector<double>(nb + 1, 1.0), std::vector<double>(n + nb + 1, 1.0),
                   std::vector<double>(nb + 1, 1.0), std::vector<double>(n + nb + 1, 1.0)};
  for (int j = 1; j <= n; ++j) {
    if (double size = columnSize(rec, j, rows); size > 0.0) sizes.col[j] = size;
    sizes.colWeight[j] = columnWeight(rec, j, true);
  }
  for (int k = 1; k <= nb; ++k) {
    sizes.row[k] = rows[rec.bindRow[k]];
    sizes.col[n + k] = 1.0 / sizes.row[k];
    if (double change = rowChangeSize(rec, rec.bindRow[k], true); change > 0.0) sizes.rowWeight[k] = change;
    sizes.colWeight[n + k] = sizes.rowWeight[k];
  }
  return sizes;
}

// Chooses one basic column per binding row and forms the inverse of the
// basis; a general step that finds no pivot by plain size looks again in
// the rows' and columns' own sizes, then in the weights (generalStep).
bool buildBasis(GrgRecord& rec, bool usePrevious) {
  int n = rec.n, nb = rec.bindingCount, width = n + 2 * nb;
  Block b{std::vector<double>(static_cast<size_t>(nb) * width, 0.0),
          std::vector<double>(static_cast<size_t>(nb) * width, 0.0), width};
  for (int k = 1; k <= nb; ++k) {
    double* row = &b.w[(k - 1) * width];
    for (int j = 1; j <= n; ++j) {
      row[j - 1] = Grg_jac(rec, rec.bindRow[k], j);
      b.e[(k - 1) * width + j - 1] = Grg_jacError(rec, rec.bindRow[k], j);
    }
    row[n + k - 1] = -1.0;
    row[n + nb + k - 1] = 1.0;
  }
  BlockSizes sizes = blockSizes(rec);
  std::vector<char> pivoted(nb + 1, 0), taken(n + nb + 1, 0);
  for (int j = 1; j <= n; ++j) taken[j] = rec.fixed[j] ? 1 : 0;
  std::vector<int> previous = previousColumns(rec);
  bool previousPhase = usePrevious && !previous.empty();
  FirstPivot p1;
  for (int step = 1; step <= nb; ++step) {
    Grg_poll(rec);
    if (rec.status) return false;
    Pick pick;
    if (previousPhase) {
      pick = previousStep(rec, b, pivoted, taken, previous, sizes);
      double best = largestCandidate(rec, b, pivoted, taken, sizes);
      if (pick.col && acceptPrevious(rec, step, pick.value, p1.value, best)) {
        if (p1.value < 0) p1 = {pick.value, pick.scaled, pick.weighed};
      } else {
        previousPhase = false;
        pick = Pick{};
      }
    }
    if (!pick.col) pick = generalStep(rec, b, pivoted, taken, p1, sizes);
    pivot(b, nb, pick.row, pick.col);
    pivoted[pick.row] = 1;
    taken[pick.col] = 1;
    rec.basicCol[pick.row] = pick.col <= n ? pick.col : n + rec.bindRow[pick.col - n];
  }
  rec.binv.assign(static_cast<size_t>(nb) * nb, 0.0);
  rec.binvError.assign(rec.binv.size(), 0.0);
  for (int k = 1; k <= nb; ++k)
    for (int l = 1; l <= nb; ++l) {
      inverse(rec, k, l) = b.value(k, n + nb + l);
      inverseError(rec, k, l) = b.error(k, n + nb + l);
    }
  return true;
}

// The column list from scratch: superbasics (off their bounds), then nonbasics.
void splitColumns(GrgRecord& rec) {
  int n = rec.n, nb = rec.bindingCount;
  std::vector<char> basic(n + rec.m + 1, 0);
  for (int k = 1; k <= nb; ++k) basic[rec.basicCol[k]] = 1;
  std::vector<int> super, non;
  for (int j = 1; j <= n; ++j)
    if (!basic[j] && !rec.fixed[j]) (rec.distance[j] > 0 ? super : non).push_back(j);
  for (int k = 1; k <= nb; ++k)
    if (!basic[n + rec.bindRow[k]]) non.push_back(n + rec.bindRow[k]);
  rec.superbasicCount = static_cast<int>(super.size());
  rec.columnCount = 0;
  for (int c : super) rec.cols[++rec.columnCount] = c;
  for (int c : non) rec.cols[++rec.columnCount] = c;
  for (int s = 1; s <= rec.columnCount; ++s) rec.colStatus[s] = boundStatus(rec, rec.cols[s]);
}

// Row i, binding at `at` with value v, lies within the precision of its
// bound but off it, and may be released in phase 1. Only an inequality row
// may: an equality's slack is fixed and never blocks a direction, and an
// equality met to within the precision, once released, no longer steers the
// phase-1 direction, which leaves it at once and is stopped where it crosses.
bool offBoundInequality(const GrgRecord& rec, int i, double v, double at) { return rec.rowKind[i] == 2 && v != at; }

// Binding rows, their slacks on the bounds, the non-binding rows and the violated ones.
void classifyRows(GrgRecord& rec) {
  int n = rec.n;
  rec.bindingCount = rec.nonBindingCount = rec.violatedCount = 0;
  for (int i = 1; i <= rec.m; ++i) {
    rec.x[n + i] = rec.g[i];
    if (i == rec.objectiveRow || rec.rowKind[i] == 0) continue;
    double l = rec.xl[n + i], u = rec.xu[n + i], v = rec.g[i];
    double at = 0.0;
    bool binding = false;
    if (rec.rowKind[i] == 1) {
      binding = onBound(rec, v, l);
      at = l;
    } else if (onBound(rec, v, u)) {
      binding = true;
      at = u;
    } else if (onBound(rec, v, l)) {
      binding = true;
      at = l;
    }
    if (binding && rec.releaseNearRows && offBoundInequality(rec, i, v, at)) binding = false;
    if (binding) {
      rec.bindRow[++rec.bindingCount] = i;
      rec.x[n + i] = at;
    } else {
      rec.nonBinding[++rec.nonBindingCount] = i;
      if (violation(rec, i, v) > 0) ++rec.violatedCount;
    }
  }
  bool wasPhase1 = rec.phase1;
  rec.phase1 = rec.violatedCount > 0;
  if (wasPhase1 != rec.phase1) rec.restart = true;
  std::fill(rec.phaseGrad.begin(), rec.phaseGrad.end(), 0.0);
  if (!rec.phase1) return;
  for (int k = 1; k <= rec.nonBindingCount; ++k) {
    int i = rec.nonBinding[k];
    double sign = violationSide(rec, i, rec.g[i]);
    if (sign != 0.0)
      for (int j = 1; j <= n; ++j) rec.phaseGrad[j] += sign * Grg_jac(rec, i, j);
  }
}

double costOf(const GrgRecord& rec, int col) {
  if (col > rec.n) return 0.0;
  return rec.phase1 ? rec.phaseGrad[col] : rec.grad[col];
}

void reducedGradient(GrgRecord& rec) {
  int nb = rec.bindingCount, n = rec.n;
  std::vector<int> position(rec.m + 1, 0);
  for (int k = 1; k <= nb; ++k) {
    position[rec.bindRow[k]] = k;
    double s = 0.0;
    for (int i = 1; i <= nb; ++i) s += costOf(rec, rec.basicCol[i]) * inverse(rec, i, k);
    rec.u[k] = s;
  }
  for (int s = 1; s <= rec.columnCount; ++s) {
    int col = rec.cols[s];
    if (col > n) {
      rec.r[col] = rec.u[position[col - n]];
      continue;
    }
    double v = costOf(rec, col);
    for (int k = 1; k <= nb; ++k) v -= rec.u[k] * Grg_jac(rec, rec.bindRow[k], col);
    rec.r[col] = v;
  }
}

// Column col's reduced gradient as the objective change it stands for: a
// variable's times its size; a slack's is the row's multiplier, per unit of
// the row, and is weighed by the row's change (a multiplier of 1.7E-05 on a
// row whose derivative is 3E+04 stands for a change of 0.5, and its sign
// matters as much).
double weighedReducedGradient(const GrgRecord& rec, int col, bool weigh) {
  return rec.r[col] * columnWeight(rec, col, weigh);
}

// The largest term variable col's reduced gradient is formed from: its own
// objective derivative and each binding row's multiplier times the row's
// derivative.
double termSize(const GrgRecord& rec, int col) {
  double size = std::fabs(costOf(rec, col));
  for (int k = 1; k <= rec.bindingCount; ++k)
    size = std::max(size, std::fabs(rec.u[k] * Grg_jac(rec, rec.bindRow[k], col)));
  return size;
}

// How far a nonbasic variable's reduced gradient may point into its box at
// an optimum: the threshold h measures it against the objective's largest
// derivative, and a cost of 0.005 beside one of 500 passed while lowering
// that variable off its bound still improved the objective. It is measured
// against its own terms instead, never below the precision nor above h.
double nonbasicThreshold(const GrgRecord& rec, int col, double h, bool weigh) {
  double own = std::sqrt(rec.settings.pre) * termSize(rec, col) * variableSize(rec, col, weigh);
  return std::min(h, std::max(rec.settings.pre, own));
}

// The largest change of the objective the iteration minimises when one
// variable moves by its size.
double objectiveChange(const GrgRecord& rec, bool weigh) {
  double change = 0.0;
  for (int j = 1; j <= rec.n; ++j) change = std::max(change, std::fabs(costOf(rec, j)) * variableSize(rec, j, weigh));
  return change;
}

// A change of the objective too small to count for optimality: the root
// of the precision times 1 + |objective|.
double negligibleChange(const GrgRecord& rec) {
  return std::sqrt(rec.settings.pre) * (1.0 + std::fabs(Grg_objective(rec, rec.g.data())));
}

// Whether the columns' reduced gradients hold the optimality conditions,
// each within `h` times the objective's largest change over the variables'
// sizes.
bool columnsOptimal(const GrgRecord& rec, bool weigh) {
  double h = std::sqrt(rec.settings.pre) * objectiveChange(rec, weigh);
  for (int s = 1; s <= rec.columnCount; ++s) {
    int col = rec.cols[s];
    if (col > rec.n && rec.rowKind[col - rec.n] == 1) continue;
    double r = weighedReducedGradient(rec, col, weigh);
    int st = s <= rec.superbasicCount ? 0 : rec.colStatus[s];
    double limit = st != 0 && col <= rec.n ? nonbasicThreshold(rec, col, h, weigh) : h;
    if ((st == -1 && -r > limit) || (st == 0 && std::fabs(r) > limit) || (st == 1 && r > limit)) return false;
  }
  return true;
}

// The optimality test: the point has not moved since the last one, and the
// reduced gradients hold the conditions both as they stand and weighed by
// the variables' sizes; an objective whose derivatives all lie within the
// precision is flat only when, weighed, they stand for a negligible change
// too (a cost of 1.5E-09 on a variable of 5E+06 is none as it stands). As they stand, against the objective's largest
// derivative, a cost of 2.6 on a variable of 62 beside one of 230500 on a
// variable whose box is 0.001 wide passed whatever its sign, and an LP
// ended "solved" on a row short of the bound that cost pointed to; weighed
// alone, a variable at 2E+06 outweighed one at 0 whose derivative was
// 5E+05, and a quadratic ended "solved" there.
bool optimal(GrgRecord& rec) {
  if (rec.violatedCount > 0) return false;
  double moved = 0.0, xmax = 0.0;
  for (int j = 1; j <= rec.n; ++j) {
    moved = std::max(moved, std::fabs(rec.x[j] - rec.xPrev[j]));
    xmax = std::max(xmax, std::fabs(rec.x[j]));
    rec.xPrev[j] = rec.x[j];
  }
  if (moved >= std::sqrt(rec.settings.pre) * (xmax + 1)) return false;
  if (objectiveChange(rec, false) <= rec.settings.pre && objectiveChange(rec, true) <= negligibleChange(rec)) return true;
  return columnsOptimal(rec, false) && columnsOptimal(rec, true);
}

// Basic direction t = -B^-1 (A_S d): how the basics follow the superbasic direction.
// A basic's entry of the basic direction that is this small a share of the
// terms it is summed from is their rounding, and the basic does not move.
// Elements differenced in rows whose values are in millions carry errors of
// 1E-06 of their size; a basic on its bound whose entry was such an error
// blocked every step, and the pass crept to "converged" far from the
// optimum. Nor does a basic move whose entry is within the rounding error
// the differenced derivatives and the inverse formed from them carry: the
// slack of an equality that is a multiple of another binding row moves by
// that error alone, and it blocked every step at once.
void basicDirection(GrgRecord& rec) {
  int nb = rec.bindingCount;
  std::vector<double> v(nb + 1, 0.0), terms(nb + 1, 0.0), errors(nb + 1, 0.0);
  for (int k = 1; k <= nb; ++k)
    for (int s = 1; s <= rec.superbasicCount; ++s) {
      int col = rec.cols[s];
      double term = element(rec, rec.bindRow[k], col) * rec.d[col];
      v[k] += term;
      terms[k] += std::fabs(term);
      if (col <= rec.n) errors[k] += Grg_jacError(rec, rec.bindRow[k], col) * std::fabs(rec.d[col]);
    }
  for (int k = 1; k <= nb; ++k) {
    double s = 0.0, size = 0.0, error = 0.0;
    for (int l = 1; l <= nb; ++l) {
      s += inverse(rec, k, l) * v[l];
      size += std::fabs(inverse(rec, k, l)) * terms[l];
      error += std::fabs(inverse(rec, k, l)) * errors[l] + inverseError(rec, k, l) * std::fabs(v[l]);
    }
    rec.t[k] = std::fabs(s) <= std::max(kDirectionRounding * size, error) ? 0.0 : -s;
  }
}

struct Blocking {
  int position = 0;
  double step = kBoundInfinity;
  double room = kBoundInfinity;  // how far the blocking basic is from its bound
  double bound = 0.0;
};

// The finite bound that basic k moves towards along the basic direction;
// false when it does not move or has no such bound.
bool boundAhead(const GrgRecord& rec, int k, double* bound) {
  double tk = rec.t[k];
  if (std::fabs(tk) <= rec.settings.tiny) return false;
  int c = rec.basicCol[k];
  *bound = tk > 0 ? rec.xu[c] : rec.xl[c];
  return std::fabs(*bound) < rec.settings.infinity;
}

// The basic variable that blocks first along the basic direction: the
// smallest step to a bound relaxed by the precision, then among the basics
// blocking within it the one with the largest direction entry.
Blocking ratioTest(const GrgRecord& rec) {
  double theta = kBoundInfinity, bound;
  for (int k = 1; k <= rec.bindingCount; ++k) {
    if (!boundAhead(rec, k, &bound)) continue;
    double tk = rec.t[k];
    double relaxed = tk > 0 ? bound + rec.settings.pre : bound - rec.settings.pre;
    theta = std::min(theta, (relaxed - rec.x[rec.basicCol[k]]) / tk);
  }
  Blocking b;
  double bigT = 0.0;
  for (int k = 1; k <= rec.bindingCount; ++k) {
    if (!boundAhead(rec, k, &bound)) continue;
    int c = rec.basicCol[k];
    double tk = rec.t[k];
    double value = c > rec.n ? rec.g[c - rec.n] : rec.x[c];
    double exact = (bound - value) / tk;
    if (exact <= theta && std::fabs(tk) >= bigT) {
      bigT = std::fabs(tk);
      b = {k, exact, std::fabs(bound - value), bound};
    }
  }
  return b;
}

// The step is degenerate when it is tiny and the blocking basic already sits
// on its bound. A basic with room to go is no degeneracy however small the
// step: a row's slack joining with its multiplier as its direction entry
// (1E+04 on a row whose derivatives are 1E-03) makes every step tiny, and
// exchanging such a basic out and the slack back in cycled until phase 1
// gave up with the model called infeasible.
bool degenerate(const GrgRecord& rec, const Blocking& b) {
  if (b.position == 0 || b.step > rec.settings.degenerateStep) return false;
  return b.room < Grg_rowTolerance(rec.settings.pre, b.bound);
}

// Entry k of column col in the basis' terms: row k of B^-1 times the column.
double basisEntry(GrgRecord& rec, int k, int col) {
  double entry = 0.0;
  for (int l = 1; l <= rec.bindingCount; ++l) entry += inverse(rec, k, l) * element(rec, rec.bindRow[l], col);
  return entry;
}

double largestPivot(const std::vector<double>& piv) {
  double big = 0.0;
  for (size_t s = 1; s < piv.size(); ++s) big = std::max(big, std::fabs(piv[s]));
  return big;
}

// The pivots `plain` of basic p's row measured in the weights of the two
// columns each exchanges, the variables' own sizes (columnWeight), into
// `piv`; returns the largest. Column sizes taken from the derivatives
// follow the row whose coefficients are smallest: a variable of 2.5E+05
// whose coefficients in a row of 1E-08 are that row's largest measured 1
// there, as did a variable of 0.25 beside it, and the pivot of 1.7E-06
// between them was refused; the basic then sat on its bound and let each
// step move the variables by the precision until the pass converged.
double pivotsInWeights(const GrgRecord& rec, int p, const std::vector<double>& plain, std::vector<double>& piv) {
  double leaving = columnWeight(rec, rec.basicCol[p], true);
  for (int s = 1; s <= rec.superbasicCount; ++s)
    piv[s] = leaving > 0.0 ? plain[s] * columnWeight(rec, rec.cols[s], true) / leaving : 0.0;
  return largestPivot(piv);
}

// The blocking basic variable leaves; the superbasic with a good pivot that is
// farthest from its bounds enters. No exchange when every pivot is below the
// pivot tolerance: a row that does not depend on the superbasics shows them
// rounding noise of differenced derivatives, and such a pivot made the basis
// nearly singular, its reduced gradients huge and the pass end "optimal"
// with a variable left on the wrong bound. When no pivot passes by its
// plain size, each is measured in the sizes of the two columns it exchanges,
// so that a variable in thousandths may leave for one in tens (a pivot of
// 6E-06 on a row whose derivatives are 1.9E+07 and 109, which left the run
// "solved" on the row short of the better bound). A leaving slack keeps the
// plain test: measured in its row's size, a pivot in a row of coefficients
// of 1E-03 grew a thousandfold, and a branch's point taken on such an
// exchange was left off its row.
bool exchange(GrgRecord& rec, int p) {
  int nb = rec.bindingCount;
  std::vector<double> plain(rec.superbasicCount + 1, 0.0);
  for (int s = 1; s <= rec.superbasicCount; ++s) plain[s] = basisEntry(rec, p, rec.cols[s]);
  std::vector<double> piv = plain;
  double big = largestPivot(piv);
  if (big < rec.settings.pivotTol && rec.basicCol[p] <= rec.n) {
    std::vector<double> rows = rowSizes(rec);
    double leavingSize = columnSize(rec, rec.basicCol[p], rows);
    for (int s = 1; s <= rec.superbasicCount; ++s) {
      double size = columnSize(rec, rec.cols[s], rows);
      piv[s] = size > 0.0 ? plain[s] * leavingSize / size : 0.0;
    }
    big = largestPivot(piv);
    if (big < rec.settings.pivotTol) big = pivotsInWeights(rec, p, plain, piv);
  }
  if (big < rec.settings.pivotTol) return false;
  int enter = 0;
  double far = -1.0;
  for (int s = 1; s <= rec.superbasicCount; ++s)
    if (std::fabs(piv[s]) >= 0.1 * big && rec.distance[rec.cols[s]] > far) {
      enter = s;
      far = rec.distance[rec.cols[s]];
    }
  int col = rec.cols[enter];
  std::vector<double> a(nb + 1, 0.0);
  for (int k = 1; k <= nb; ++k) a[k] = basisEntry(rec, k, col);
  for (int l = 1; l <= nb; ++l) {
    inverse(rec, p, l) /= a[p];
    inverseError(rec, p, l) /= std::fabs(a[p]);
  }
  for (int k = 1; k <= nb; ++k)
    if (k != p && a[k] != 0.0)
      for (int l = 1; l <= nb; ++l) {
        inverse(rec, k, l) -= a[k] * inverse(rec, p, l);
        inverseError(rec, k, l) += std::fabs(a[k]) * inverseError(rec, p, l);
      }
  int leaving = rec.basicCol[p];
  rec.basicCol[p] = col;
  int status = boundStatus(rec, leaving);
  rec.cols[enter] = leaving;
  rec.colStatus[enter] = status;
  if (status != 0) {  // the leaving variable sits on a bound: nonbasic
    int last = rec.superbasicCount--;
    std::swap(rec.cols[enter], rec.cols[last]);
    std::swap(rec.colStatus[enter], rec.colStatus[last]);
  }
  rec.restart = true;
  return true;
}

// When a degenerate basic p can leave for no superbasic, the superbasics
// whose move drives it onto its bound stand still for this search (in the
// direction the next update sees too) and the others move alone, when any
// of them moves: a row's slack on its bound whose coefficients of 3E-09
// allowed no exchange blocked a variable that no row holds, every step was
// 1E-14, and the pass converged 1.6 short of the optimum.
void holdBlockedSuperbasics(GrgRecord& rec, int p) {
  std::vector<int> held;
  bool others = false;
  for (int s = 1; s <= rec.superbasicCount; ++s) {
    int c = rec.cols[s];
    if (-basisEntry(rec, p, c) * rec.d[c] * rec.t[p] > 0.0) held.push_back(c);
    else others = others || rec.d[c] != 0.0;
  }
  if (!others) return;
  for (int c : held) rec.d[c] = rec.dPrev[c] = 0.0;
  basicDirection(rec);
}

bool convergence(GrgRecord& rec, double& fRef, int& small) {
  double f = Grg_objective(rec, rec.g.data()), fSaved = Grg_objective(rec, rec.gSaved.data());
  if (std::fabs(f - fRef) <= std::fabs(rec.settings.cvg * (fRef - fSaved))) return ++small >= rec.settings.convergenceCount;
  small = 0;
  fRef = f;
  return false;
}

void superbasicsAtBoundLeave(GrgRecord& rec) {
  for (int s = rec.superbasicCount; s >= 1; --s) {
    int st = boundStatus(rec, rec.cols[s]);
    if (st != 0) Grg_leaveSuperbasic(rec, s, st);
  }
}

int countViolated(const GrgRecord& rec) {
  int count = 0;
  for (int i = 1; i <= rec.m; ++i)
    if (i != rec.objectiveRow && rec.rowKind[i] != 0 && violation(rec, i, rec.g[i]) > 0) ++count;
  return count;
}

double violationSum(const GrgRecord& rec) {
  double sum = 0.0;
  for (int i = 1; i <= rec.m; ++i)
    if (i != rec.objectiveRow && rec.rowKind[i] != 0) sum += violation(rec, i, rec.g[i]);
  return sum;
}

// Rows, basis and column list at the current point, after new derivatives.
std::vector<int> basicColumns(const GrgRecord& rec) {
  return std::vector<int>(rec.basicCol.begin() + 1, rec.basicCol.begin() + rec.bindingCount + 1);
}

bool prepareIteration(GrgRecord& rec, bool first, std::vector<int>& lastBinding) {
  std::vector<int> before = first ? std::vector<int>{} : basicColumns(rec);
  rec.prevBasic = before;
  classifyRows(rec);
  computeDistances(rec);
  measureRowReach(rec);
  std::vector<int> binding(rec.bindRow.begin() + 1, rec.bindRow.begin() + rec.bindingCount + 1);
  if (!buildBasis(rec, !first)) return false;
  std::vector<int> after = basicColumns(rec);
  std::sort(before.begin(), before.end());
  std::sort(after.begin(), after.end());
  rec.basisChanged = first || binding != lastBinding || before != after;
  lastBinding = binding;
  if (rec.basisChanged) {
    splitColumns(rec);
    rec.restart = true;
  }
  for (int s = 1; s <= rec.superbasicCount; ++s) rec.colStatus[s] = boundStatus(rec, rec.cols[s]);
  return true;
}


// State of one main-loop pass.
struct Pass {
  double fRef = kBoundInfinity;
  double releasedSum = kBoundInfinity;  // sum of violations at the last release of near rows
  double settledSum = kBoundInfinity;   // sum of violations when variables were last put on bounds
  int small = 0, failures = 0, degenerate = 0, code = 0;
  bool first = true;
  std::vector<int> lastBinding;
};

bool startPass(GrgRecord& rec) {
  if (!Grg_evaluate(rec, rec.g.data())) {
    rec.status = StatusEvalError;
    return false;
  }
  rec.gSaved = rec.g;
  for (int i = 1; i <= rec.m; ++i) rec.x[rec.n + i] = rec.g[i];
  rec.binv.clear();
  rec.prevBasic.clear();
  rec.restart = true;
  rec.lastStep = 1.0;
  rec.searched = false;
  rec.passSearches = 0;
  rec.lastSearchAtBound = false;
  rec.phase1 = false;
  std::copy(rec.x.begin(), rec.x.begin() + rec.n + 1, rec.xPrev.begin());
  return true;
}

// Some binding inequality row lies within the precision of its bound but not on it.
bool nearRowBinding(const GrgRecord& rec) {
  for (int k = 1; k <= rec.bindingCount; ++k) {
    int i = rec.bindRow[k];
    if (offBoundInequality(rec, i, rec.g[i], rec.x[rec.n + i])) return true;
  }
  return false;
}

// In phase 1, with no direction left: an inequality row held binding while
// only within the precision of its bound may be what blocks the way to
// feasibility (a ball's row met a hair before an equality is restored, its
// slack then pointing outward). Such rows are released for another try at
// the same point, equality rows met within the precision staying binding so
// that the direction follows them; the line search holds the released rows
// on their bounds when they cross. A release needs the sum of violations to
// have fallen since the last one.
bool releaseNearRows(GrgRecord& rec, Pass& p) {
  if (!rec.phase1 || !nearRowBinding(rec)) return false;
  double sum = violationSum(rec);
  if (!(sum < p.releasedSum)) return false;
  p.releasedSum = sum;
  rec.releaseNearRows = true;
  bool prepared = prepareIteration(rec, false, p.lastBinding);
  rec.releaseNearRows = false;
  return prepared;
}

// In phase 1, with no direction left: a variable within the precision of a
// bound counts as on it and may not move towards it, yet the hair it is
// off may be all that keeps a row violated (a start a hair off a bound
// where another variable is now fixed). Such variables are put on their
// bounds for another try from there, once for each fall of the sum of
// violations.
bool settleOnBounds(GrgRecord& rec, Pass& p) {
  if (!rec.phase1) return false;
  double sum = violationSum(rec);
  if (!(sum < p.settledSum)) return false;
  bool moved = false;
  for (int j = 1; j <= rec.n; ++j) {
    int side = boundStatus(rec, j);
    double bound = side < 0 ? rec.xl[j] : rec.xu[j];
    if (side == 0 || rec.x[j] == bound) continue;
    rec.x[j] = bound;
    moved = true;
  }
  if (!moved) return false;
  p.settledSum = sum;
  if (!Grg_evaluate(rec, rec.g.data())) {
    rec.status = StatusEvalError;
    return false;
  }
  Grg_derivatives(rec);
  return rec.status == 0 && prepareIteration(rec, false, p.lastBinding);
}

// Reduced gradient, the stopping tests, the direction and the degenerate
// exchanges; true when a line search is due, false when the pass ends.
bool readyToSearch(GrgRecord& rec, Pass& p) {
  bool samePoint = false;  // the tests already ran at this point
  for (;;) {
    reducedGradient(rec);
    Grg_poll(rec);
    if (rec.status) return false;
    if (!samePoint && optimal(rec)) {
      p.code = 0;
      return false;
    }
    if (!samePoint && convergence(rec, p.fRef, p.small)) {
      p.code = 1;
      return false;
    }
    if (!Grg_direction(rec)) {
      if (releaseNearRows(rec, p)) {
        samePoint = true;
        continue;
      }
      if (!settleOnBounds(rec, p)) return false;
      samePoint = false;
      continue;
    }
    if (rec.bindingCount == 0) return true;
    basicDirection(rec);
    Blocking b = ratioTest(rec);
    if (!degenerate(rec, b)) return true;
    if (!exchange(rec, b.position)) {
      holdBlockedSuperbasics(rec, b.position);
      return true;
    }
    Grg_iterationReport(rec, rec.iteration);
    if (rec.status) return false;
    if (++p.degenerate >= (rec.n + 1) / 2 && p.degenerate >= 15) {
      p.code = 2;
      return false;
    }
    samePoint = true;
  }
}

enum class Next { Derivatives, SearchAgain, End };

// After a line search: tiny values made zero, superbasics on a bound made
// nonbasic, a failed search retried once by steepest descent from the
// point restored onto its binding rows (Grg_polish). A start a hair past a
// binding row, within the precision, pays for its restoration at every
// trial: a ball's row of 4E-06 left 4.8E-09 past its bound cost more
// objective to restore than any step along the row gained, and both
// searches failed with "no further progress" short of the optimum.
Next afterSearch(GrgRecord& rec, Pass& p) {
  for (int j = 1; j <= rec.n; ++j)
    if (std::fabs(rec.x[j]) < 1e-15) rec.x[j] = 0.0;
  ++rec.iteration;
  p.degenerate = 0;
  if (rec.search.superbasicAtBound) superbasicsAtBoundLeave(rec);
  if (rec.search.failed) {
    if (++p.failures >= 2) {
      p.code = 2;
      return Next::End;
    }
    if (rec.status == 0) Grg_polish(rec);
    rec.steepestRetry = true;
    return Next::SearchAgain;
  }
  p.failures = 0;
  if (rec.search.unbounded) {
    p.code = 4;
    return Next::End;
  }
  if (rec.search.feasible) rec.restart = true;
  return Next::Derivatives;
}

}  // namespace

double Grg_rowTolerance(double tolerance, double bound) {
  if (!(std::fabs(bound) < kBoundInfinity)) return tolerance;
  return std::max(tolerance, kRowResolution * std::fabs(bound));
}

double Grg_columnWeight(const GrgRecord& rec, int col) { return columnWeight(rec, col, true); }

double Grg_boundMagnitude(const GrgRecord& rec, int j) {
  double magnitude = boundsMagnitude(rec, j);
  return magnitude > 0.0 ? magnitude : rec.rowReach[j];
}

bool Grg_superbasicsWeigh(const GrgRecord& rec) {
  double limit = std::max(negligibleChange(rec), std::sqrt(rec.settings.pre) * objectiveChange(rec, true));
  for (int s = 1; s <= rec.superbasicCount; ++s)
    if (std::fabs(weighedReducedGradient(rec, rec.cols[s], true)) > limit) return true;
  return false;
}

double Grg_objective(const GrgRecord& rec, const double* rows) {
  if (!rec.phase1) return rows[rec.objectiveRow];
  double sum = 0.0;
  for (int k = 1; k <= rec.nonBindingCount; ++k) sum += violation(rec, rec.nonBinding[k], rows[rec.nonBinding[k]]);
  return sum;
}

int Grg_runPass(GrgRecord& rec) {
  Pass p;
  p.code = rec.endCode;
  rec.infeasibleProgress = false;
  if (!startPass(rec)) return p.code;
  double violatedAtStart = violationSum(rec);
  Next next = Next::Derivatives;
  while (next != Next::End) {
    if (next == Next::Derivatives) {
      Grg_derivatives(rec);
      if (rec.status || !prepareIteration(rec, p.first, p.lastBinding)) break;
      p.first = false;
    }
    if (!readyToSearch(rec, p)) break;
    Grg_iterationReport(rec, rec.iteration);
    if (rec.status) break;
    Grg_lineSearch(rec);
    if (rec.status) break;
    next = afterSearch(rec, p);
  }
  if (rec.status == 0) Grg_polish(rec);
  if (countViolated(rec) > 0) {
    // The convergence test weighs the last iterations against the whole fall
    // since the start of the pass: from a start far off a row, a sum of
    // violations that still falls steadily passes it. A pass that halved
    // the sum says nothing of whether a feasible point exists.
    rec.infeasibleProgress = p.code == 1 && violationSum(rec) <= kInfeasibleProgress * violatedAtStart;
    p.code = 5;
  }
  if (rec.status == 0 && !Grg_evaluate(rec, rec.g.data())) rec.status = StatusEvalError;
  return p.code;
}
