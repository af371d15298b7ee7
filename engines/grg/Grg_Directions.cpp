// Search directions of the GRG engine over the superbasic variables: a
// quasi-Newton direction from a BFGS factor R (B = RᵀR, R upper triangular,
// packed by columns) while the superbasic set is small, conjugate gradients
// otherwise; the descent check, and the columns that leave or join the
// superbasic set. Each column is measured in its own size (its order of
// magnitude, when some superbasic variable's is far from 1): steepest
// descent and a fresh factor take the metric of those sizes, and the tests
// of the reduced gradients weigh them by them, so that a variable at 7E+07 whose
// derivative is 3E-09 moves in millions; in plain units it stood still
// beside one in hundredths whose derivative was 0.3, its reduced gradient
// below every threshold.
#include <algorithm>
#include <cmath>

#include "base/Chk_Assert.h"
#include "engines/grg/Grg_Engine.h"

namespace {

// A direction whose product with the reduced gradient is not below minus
// this gives no descent.
constexpr double kDescentFloor = 1e-15;
// The orders of ten from 1 at which a superbasic's size (1E+04 and more,
// 1E-04 and less) sets the directions' metric: while every superbasic's
// size is nearer 1, they all keep the plain metric.
constexpr double kPlainOrders = 4;

double& fac(GrgRecord& rec, int i, int j) { return rec.factor[(j - 1) * j / 2 + i - 1]; }

bool quasiNewtonMode(const GrgRecord& rec) {
  return rec.factorAvailable && rec.settings.quasiNewtonLimit >= 0 && rec.superbasicCount <= rec.settings.quasiNewtonLimit;
}

// The power of ten next to `size` towards 1.
double orderOf(double size) {
  CORVAN_ASSERT(size > 0.0);
  return std::pow(10.0, std::trunc(std::log10(size)));
}

// Whether an order lies kPlainOrders orders of ten or more from 1.
bool farOrder(double order) { return std::fabs(std::log10(order)) >= kPlainOrders; }

// Whether two orders lie kPlainOrders orders of ten or more apart, counted
// in whole powers of ten so that the rounding of their quotient does not
// decide.
bool farApart(double least, double most) {
  return std::lround(std::log10(most)) - std::lround(std::log10(least)) >= kPlainOrders;
}

// The order variable j moves in: of max(1, |x|), or of the width of its
// box when that is less. A variable on a bound moves off it in the order
// of its box, its finite bounds' magnitudes counted too (or its rows',
// where they tell none: Grg_boundMagnitude): at 0 on a bound whose other
// end is 4E+06, it moves in millions; so does one off its
// bounds whose value is below 1, which tells no order (at 2E-08 in a box
// reaching 1.5E+04 it moved by thousandths beside one in 1E+07, and the
// pass converged short of the bound its reduced gradient pointed to).
// Otherwise its value tells its order better than a box far wider. This is not
// its size in the optimality test (Grg_columnWeight), which counts its
// bounds wherever it lies, as the farthest it might go: taken as their
// metric, variables near 190 in boxes reaching 1E+05 moved in units of
// 1E+05, and a model solved before ended "converged" short of its optimum.
// An order once shown holds for the run: a variable that left a bound of 0
// for 2526 in a box reaching 1E+05 fell back to the plain metric, its
// gradient of 3E-08 below every threshold, and phase 1 ended there.
double variableOrder(const GrgRecord& rec, int j) {
  double reach = std::max(1.0, std::fabs(rec.x[j]));
  if (rec.distance[j] == 0.0 || std::fabs(rec.x[j]) < 1.0) reach = std::max(reach, Grg_boundMagnitude(rec, j));
  return std::max(rec.orderShown[j], orderOf(std::min(rec.xu[j] - rec.xl[j], reach)));
}

// Variable j's order, kept as shown for the rest of the run.
double showOrder(GrgRecord& rec, int j) {
  rec.orderShown[j] = variableOrder(rec, j);
  return rec.orderShown[j];
}

// The order column col moves in: a variable's own; a slack's, of its row's
// change when the variables move by their sizes (Grg_columnWeight), the
// unit its multiplier is weighed in by the optimality test. A row of
// variables in 1E+05 moves in 1E+05 (a slack taken as 1 beside them never
// joined); a row of -3E+05 on a variable of 1E-04 moves in tens, and a
// slack sized by how much more its row changes over the variables' orders
// than over 1 took 1E-03 for it, moved by 1E-15 a step and let the pass
// converge where the row held the point short of the optimum.
double columnOrder(GrgRecord& rec, int col) {
  if (col <= rec.n) return showOrder(rec, col);
  double change = Grg_columnWeight(rec, col);
  return change > 0.0 ? orderOf(change) : 1.0;
}

double scaleOf(const GrgRecord& rec, int s) { return rec.directionScale[rec.cols[s]]; }

// The superbasics' sizes taken afresh, for a new factor or a restart of the
// conjugate directions (within one run of them the metric stays the same):
// their orders when one of them is far from 1 or two of them lie as far
// apart, else 1 for all. All are measured alike: a variable of 7363 taken
// as 1 beside ones of 24000 taken as 1E+04 stood still while they moved.
// Orders far apart call for the metric though each is near 1: a variable
// in a box of 0.005 beside one in a box of 100, both taken as 1, moved by
// the first one's curvature of 8E+07, and the differenced derivative's
// error of 40 in it turned every step back until the run ended short of
// the optimum. Only a variable's order sets the metric: a slack's is its
// row's change, far from 1 on a row of small coefficients over variables
// that all move in the plain metric, and measured so beside them (1E-05 on
// a ball of radius 5E-04 over variables in thousandths) it stood still and
// phase 1 ended "no feasible solution".
void measureSuperbasics(GrgRecord& rec) {
  double least = kBoundInfinity, most = 0.0;  // over the variables
  for (int s = 1; s <= rec.superbasicCount; ++s) {
    int col = rec.cols[s];
    double order = rec.directionScale[col] = columnOrder(rec, col);
    if (col > rec.n) continue;
    least = std::min(least, order);
    most = std::max(most, order);
  }
  bool far = most > 0.0 && (farOrder(least) || farOrder(most) || farApart(least, most));
  if (!far)
    for (int s = 1; s <= rec.superbasicCount; ++s) rec.directionScale[rec.cols[s]] = 1.0;
}

// The size of column col as it joins the superbasics: its order when that
// of a variable is far from 1 or the superbasics' metric is of orders
// already, else 1.
double joiningSize(GrgRecord& rec, int col) {
  double order = columnOrder(rec, col);
  bool measured = col <= rec.n && farOrder(order);
  for (int s = 1; s <= rec.superbasicCount && !measured; ++s) measured = scaleOf(rec, s) != 1.0;
  return measured ? order : 1.0;
}

// Column s's reduced gradient in its own size.
double scaledGradient(const GrgRecord& rec, int s) { return rec.r[rec.cols[s]] * scaleOf(rec, s); }

std::vector<double> unpack(GrgRecord& rec) {
  int k = rec.factorSize;
  std::vector<double> dense(static_cast<size_t>(k) * k, 0.0);
  for (int j = 1; j <= k; ++j)
    for (int i = 1; i <= j; ++i) dense[(i - 1) * k + j - 1] = fac(rec, i, j);
  return dense;
}

// Plane rotation of the pair (a, b) into (rho, 0); false when the sine is negligible.
bool rotation(double a, double b, double& c, double& s) {
  double rho = std::sqrt(a * a + b * b);
  if (rho == 0.0 || std::fabs(b / rho) <= 1e-15) return false;
  c = a / rho;
  s = b / rho;
  return true;
}

// RᵀR + v vᵀ, by rotations of v into R.
void update(GrgRecord& rec, std::vector<double> v) {
  int k = rec.factorSize;
  for (int i = 1; i <= k; ++i) {
    double c, s;
    if (!rotation(fac(rec, i, i), v[i], c, s)) continue;
    for (int j = i; j <= k; ++j) {
      double a = fac(rec, i, j), b = v[j];
      fac(rec, i, j) = c * a + s * b;
      v[j] = -s * a + c * b;
    }
  }
}

// RᵀR - v vᵀ; abandoned when the result would not stay positive definite.
void downdate(GrgRecord& rec, const std::vector<double>& v) {
  int k = rec.factorSize;
  std::vector<double> p(k + 1, 0.0), cs(k + 1, 0.0), sn(k + 1, 0.0);
  double norm = 0.0;
  for (int i = 1; i <= k; ++i) {
    double s = v[i];
    for (int l = 1; l < i; ++l) s -= fac(rec, l, i) * p[l];
    p[i] = s / fac(rec, i, i);
    norm += p[i] * p[i];
  }
  if (1.0 - norm <= 0.0) return;
  double alpha = std::sqrt(1.0 - norm);
  for (int i = k; i >= 1; --i) {
    double scale = alpha + std::fabs(p[i]);
    double a = alpha / scale, b = p[i] / scale, len = std::sqrt(a * a + b * b);
    cs[i] = a / len;
    sn[i] = b / len;
    alpha = scale * len;
  }
  for (int j = 1; j <= k; ++j) {
    double xx = 0.0;
    for (int i = j; i >= 1; --i) {
      double t = cs[i] * xx + sn[i] * fac(rec, i, j);
      fac(rec, i, j) = cs[i] * fac(rec, i, j) - sn[i] * xx;
      xx = t;
    }
  }
}

// BFGS update of the factor after a line search along the previous direction.
void bfgs(GrgRecord& rec) {
  int k = rec.factorSize;
  if (rec.lastStep <= 1e-15) return;
  double yd = 0.0, dro = 0.0, dr = 0.0;
  std::vector<double> y(k + 1), ro(k + 1);
  for (int s = 1; s <= k; ++s) {
    int c = rec.cols[s];
    y[s] = rec.r[c] - rec.rOld[c];
    ro[s] = rec.rOld[c];
    yd += y[s] * rec.dPrev[c];
    dro += rec.dPrev[c] * rec.rOld[c];
    dr += rec.dPrev[c] * rec.r[c];
  }
  if (!(dr > 0.99 * dro) || std::fabs(yd) < 1e-15) return;
  if (std::fabs(dro) < 1e-15) dro = 1e-15;
  auto term = [&](std::vector<double> v, double coefficient) {
    double f = std::sqrt(std::fabs(coefficient));
    for (int s = 1; s <= k; ++s) v[s] *= f;
    if (coefficient > 0) update(rec, v);
    else downdate(rec, v);
  };
  term(y, 1.0 / (rec.lastStep * yd));
  term(ro, 1.0 / dro);
}

// Solves RᵀR d = -r over the superbasics; false when R is near singular.
bool quasiNewtonSolve(GrgRecord& rec) {
  int k = rec.factorSize;
  double big = 0.0, least = 1e300;
  for (int i = 1; i <= k; ++i) {
    double diagonal = std::fabs(fac(rec, i, i)) * scaleOf(rec, i);  // in the columns' sizes
    big = std::max(big, diagonal);
    least = std::min(least, diagonal);
  }
  if (k > 0 && least <= 1e-15) return false;
  if (k > 0) rec.condition = (big / least) * (big / least);
  std::vector<double> z(k + 1);
  for (int i = 1; i <= k; ++i) {
    double s = -rec.r[rec.cols[i]];
    for (int l = 1; l < i; ++l) s -= fac(rec, l, i) * z[l];
    z[i] = s / fac(rec, i, i);
  }
  for (int i = k; i >= 1; --i) {
    double s = z[i];
    for (int l = i + 1; l <= k; ++l) s -= fac(rec, i, l) * rec.d[rec.cols[l]];
    rec.d[rec.cols[i]] = s / fac(rec, i, i);
  }
  return true;
}

// Steepest descent in the columns' sizes: -size² times the reduced gradient.
void steepest(GrgRecord& rec) {
  measureSuperbasics(rec);
  for (int s = 1; s <= rec.superbasicCount; ++s) {
    double size = scaleOf(rec, s);
    rec.d[rec.cols[s]] = -size * size * rec.r[rec.cols[s]];
  }
}

// Steepest descent with each superbasic moved in units of its size
// (Grg_columnWeight): where the plain directions give no descent above the
// floor, a superbasic at 9E+05 whose reduced gradient is 5E-09 may still
// lower the objective by 2E-03 on the way to its bound, and a pass that
// ended there for want of a direction said "solved". Only where that
// change is more than the optimality test passes (Grg_superbasicsWeigh):
// at a minimum, the rounding left in the reduced gradients would move the
// point by noise until the pass ended "converged".
void weighedSteepest(GrgRecord& rec) {
  for (int s = 1; s <= rec.superbasicCount; ++s) {
    int c = rec.cols[s];
    double w = Grg_columnWeight(rec, c);
    rec.d[c] = -rec.r[c] * w * w;
  }
}

// Conjugate gradients in the columns' sizes.
void conjugateGradient(GrgRecord& rec) {
  double rr = 0.0, rro = 0.0;
  for (int s = 1; s <= rec.superbasicCount; ++s) {
    double size = scaleOf(rec, s), old = rec.rOld[rec.cols[s]] * size;
    rr += scaledGradient(rec, s) * scaledGradient(rec, s);
    rro += old * old;
  }
  if (rec.restart || rec.cgCount > rec.superbasicCount || rro <= 1e-15) {
    rec.cgCount = 0;
    steepest(rec);
    return;
  }
  double beta = rr / rro;
  for (int s = 1; s <= rec.superbasicCount; ++s) {
    int c = rec.cols[s];
    double size = scaleOf(rec, s);
    rec.d[c] = beta * rec.dPrev[c] - size * size * rec.r[c];
  }
  ++rec.cgCount;
}

void formDirection(GrgRecord& rec, bool qn) {
  if (rec.steepestRetry) {
    rec.steepestRetry = false;
    rec.restart = true;
    if (qn) Grg_resetFactor(rec);
    steepest(rec);
  } else if (qn) {
    bool reset = rec.iteration == 0 || rec.basisChanged || rec.restart || !rec.lastWasQuasiNewton ||
                 rec.factorSize != rec.superbasicCount;
    if (reset) Grg_resetFactor(rec);
    else if (rec.searched) bfgs(rec);
    if (!quasiNewtonSolve(rec)) {
      Grg_resetFactor(rec);
      quasiNewtonSolve(rec);
    }
  } else {
    conjugateGradient(rec);
  }
  rec.restart = false;
  rec.basisChanged = false;
  rec.searched = false;
}

bool pointsOut(const GrgRecord& rec, int s) {
  double dj = rec.d[rec.cols[s]];
  return (rec.colStatus[s] == -1 && dj < 0) || (rec.colStatus[s] == 1 && dj > 0);
}

double descent(const GrgRecord& rec) {
  double sum = 0.0;
  for (int s = 1; s <= rec.superbasicCount; ++s)
    if (!pointsOut(rec, s)) sum += rec.r[rec.cols[s]] * rec.d[rec.cols[s]];
  return sum;
}

bool allZero(const GrgRecord& rec) {
  for (int s = 1; s <= rec.superbasicCount; ++s)
    if (rec.d[rec.cols[s]] != 0.0) return false;
  return true;
}

// Superbasics whose reduced gradients all lie within the precision, in
// their own sizes, give no direction of their own (exact derivatives make
// them vanish at a vertex). Nor do ones whose squares fall below the
// descent test's floor: a reduced gradient a hair above a fine precision
// fails that test even along steepest descent.
bool negligible(const GrgRecord& rec) {
  double limit = std::max(rec.settings.pre, std::sqrt(kDescentFloor));
  for (int s = 1; s <= rec.superbasicCount; ++s)
    if (std::fabs(scaledGradient(rec, s)) > limit) return false;
  return true;
}

// Every superbasic that would move points out of the bound it sits on (a
// degenerate exchange can leave only such superbasics): they leave the set
// below, and the point is not optimal for that.
bool allBlocked(const GrgRecord& rec) {
  for (int s = 1; s <= rec.superbasicCount; ++s)
    if (rec.d[rec.cols[s]] != 0.0 && !pointsOut(rec, s)) return false;
  return true;
}

// The factor grows by a column of its own, measured in the column's size.
void addUnitColumn(GrgRecord& rec, double size) {
  int k = ++rec.factorSize;
  for (int i = 1; i < k; ++i) fac(rec, i, k) = 0.0;
  fac(rec, k, k) = 1.0 / size;
}

// Keeps the factor in step with the superbasic count after a change of the set.
void followMode(GrgRecord& rec, bool& qn) {
  bool now = quasiNewtonMode(rec);
  if (now && !qn) Grg_resetFactor(rec);
  if (!now) rec.factorSize = 0;
  qn = now;
}

// Nonbasic columns whose reduced gradient points into their feasible side
// join, their gradients measured in their sizes against the superbasics'.
void joinSuperbasics(GrgRecord& rec, bool& qn, bool retry) {
  double sum = 0.0;
  int count = 0;
  for (int s = 1; s <= rec.superbasicCount; ++s) {
    double r = scaledGradient(rec, s);
    if (std::fabs(r) > rec.settings.pre) {
      sum += r * r;
      ++count;
    }
  }
  double level = (count == 0 || retry) ? 0.0 : std::sqrt(sum) / count;
  for (int s = rec.superbasicCount + 1; s <= rec.columnCount; ++s) {
    int c = rec.cols[s];
    bool slack = c > rec.n;
    if (slack && rec.rowKind[c - rec.n] == 1) continue;
    double size = joiningSize(rec, c), r = rec.r[c] * size;
    int st = rec.colStatus[s];
    bool inward = (st == -1 && -r >= 0) || (st == 1 && -r <= 0);
    if (!inward || std::fabs(r) < (slack ? 100 * level : level)) continue;
    int at = ++rec.superbasicCount;
    std::swap(rec.cols[s], rec.cols[at]);
    std::swap(rec.colStatus[s], rec.colStatus[at]);
    rec.directionScale[c] = size;
    rec.d[c] = -size * r;
    if (qn) addUnitColumn(rec, size);
    followMode(rec, qn);
  }
}

}  // namespace

void Grg_resetFactor(GrgRecord& rec) {
  int k = rec.superbasicCount;
  rec.factorSize = k;
  std::fill(rec.factor.begin(), rec.factor.begin() + static_cast<size_t>(k) * (k + 1) / 2, 0.0);
  measureSuperbasics(rec);
  for (int i = 1; i <= k; ++i) fac(rec, i, i) = 1.0 / scaleOf(rec, i);
}

// Superbasic at `position` becomes nonbasic with `status`; the later superbasics
// move up one place, and in quasi-Newton mode R loses that column.
void Grg_leaveSuperbasic(GrgRecord& rec, int position, int status) {
  int last = rec.superbasicCount--;
  std::rotate(rec.cols.begin() + position, rec.cols.begin() + position + 1, rec.cols.begin() + last + 1);
  std::rotate(rec.colStatus.begin() + position, rec.colStatus.begin() + position + 1,
              rec.colStatus.begin() + last + 1);
  rec.colStatus[last] = status;
  int k = rec.factorSize;
  if (k < position) return;
  std::vector<double> dense = unpack(rec);
  for (int i = 1; i <= k; ++i) dense.erase(dense.begin() + (i - 1) * (k - 1) + position - 1);
  int w = k - 1;  // k rows of k - 1 columns, upper Hessenberg from `position` on
  for (int i = position; i <= w; ++i) {
    double a = dense[(i - 1) * w + i - 1], b = dense[i * w + i - 1];
    double rho = std::sqrt(a * a + b * b);
    if (rho == 0.0) rho = 1e-15;
    double c = a / rho, s = b / rho;
    for (int j = i; j <= w; ++j) {
      double p = dense[(i - 1) * w + j - 1], q = dense[i * w + j - 1];
      dense[(i - 1) * w + j - 1] = c * p + s * q;
      dense[i * w + j - 1] = -s * p + c * q;
    }
  }
  rec.factorSize = w;
  for (int j = 1; j <= w; ++j)
    for (int i = 1; i <= j; ++i) fac(rec, i, j) = dense[(i - 1) * w + j - 1];
}

bool Grg_direction(GrgRecord& rec) {
  bool qn = quasiNewtonMode(rec);
  if (!qn) rec.factorSize = 0;
  bool retry = rec.steepestRetry;
  formDirection(rec, qn);
  if (descent(rec) >= -kDescentFloor) {
    rec.restart = true;
    formDirection(rec, qn);
    if (descent(rec) >= -kDescentFloor && Grg_superbasicsWeigh(rec)) weighedSteepest(rec);
    if (descent(rec) >= -kDescentFloor && !allZero(rec)) {
      // No descent along the superbasics: when their reduced gradients are
      // negligible, or every one of them is blocked by its bound, a nonbasic
      // with a favourable one may still join below.
      bool blocked = allBlocked(rec);
      if (!blocked && !negligible(rec)) return false;
      if (!blocked)
        for (int s = 1; s <= rec.superbasicCount; ++s) rec.d[rec.cols[s]] = 0.0;
    }
  }
  for (int s = rec.superbasicCount; s >= 1; --s)
    if (pointsOut(rec, s)) {
      rec.d[rec.cols[s]] = 0.0;
      Grg_leaveSuperbasic(rec, s, rec.colStatus[s]);
      if (!qn) rec.factorSize = 0;
    }
  joinSuperbasics(rec, qn, retry);
  rec.lastWasQuasiNewton = qn;
  for (int s = 1; s <= rec.columnCount; ++s) {
    int c = rec.cols[s];
    if (s > rec.superbasicCount) rec.d[c] = 0.0;
    rec.rOld[c] = rec.r[c];
    rec.dPrev[c] = rec.d[c];
  }
  return rec.superbasicCount > 0 && !allZero(rec);
}
