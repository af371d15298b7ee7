// The LP/quadratic engine's quadratic path: simplicial decomposition. Linear
// subproblems over the rows, with the objective's gradient at the current
// combination as their objective, supply vertices; the master chooses the
// best convex combination of the stored points from objective values alone
// and predicts its objective, which the path checks against the objective
// itself at every iteration (7 when the objective is not quadratic after
// all). A box around infinite bounds keeps the subproblems bounded; it grows
// while the solution touches it.
#include <algorithm>
#include <cmath>

#include "engines/lpqp/Lp_EngineOps.h"

namespace {

// The factor the box around infinite bounds grows by, from the model's size.
constexpr double kBoxGrowth = 100;

double objectiveSign(const LpRecord& lp) { return lp.maximise ? -1.0 : 1.0; }

// An unscaled copy of the scaled point p, for the host.
const double* toHost(LpRecord& lp, const double* p) {
  double* h = lp.quadratic.hostPoint.data();
  std::copy(p, p + lp.n + 1, h);
  Lp_unscaleVariables(lp.scaling, h);
  return h;
}

// max |g_j|.
double largestComponent(const double* g, int n) {
  double largest = 0;
  for (int j = 1; j <= n; ++j) largest = std::max(largest, std::fabs(g[j]));
  return largest;
}

// The factor of a linear subproblem whose objective is the scaled gradient
// g: the tableau's orientation, divided by g's largest component. The
// vertex is the same, and the simplex's reduced-cost tolerance then weighs
// each component against the others rather than against the objective's
// units, under which a model written at a small scale would fall.
double subproblemFactor(const LpRecord& lp, const double* g) {
  const double largest = largestComponent(g, lp.n);
  return objectiveSign(lp) / (largest > 0 ? largest : 1.0);
}

// Adds the scaled point p to the set and runs the master; when the set is
// full it starts again from the current combination. 0, 2 (singular
// master), 9 or 11.
int addPoint(LpRun& run, const double* p) {
  LpRecord& lp = run.lp;
  LpQuadratic& q = lp.quadratic;
  const int n = lp.n;
  if (q.count >= n + 2) {
    q.count = 0;
    if (const int status = addPoint(run, q.points.row(0))) return status;
  }
  const int k = ++q.count;
  double* pk = q.points.row(k);
  std::copy(p + 1, p + n + 1, pk + 1);
  pk[0] = k == 1 ? 1.0 : 0.0;
  if (!Lp_objectiveAt(run, toHost(lp, pk), q.values.row(k)[k])) return StatusEvalError;
  double* mid = q.points.row(n + 3);
  for (int i = 1; i < k; ++i) {
    const double* pi = q.points.row(i);
    for (int j = 1; j <= n; ++j) mid[j] = (pi[j] + pk[j]) / 2;
    double& f = q.values.row(i)[k];
    if (!Lp_objectiveAt(run, toHost(lp, mid), f)) return StatusEvalError;
    q.values.row(k)[i] = f;
  }
  return Lp_pointMaster(q, n, lp.maximise);
}

// Whether p (scaled) lies within `tolerance` of a stored point in every
// component, relative to the component's own size: a model written at a
// small scale has its vertices closer together than any absolute tolerance.
bool isStored(const LpQuadratic& q, int n, const double* p, double tolerance) {
  for (int i = 1; i <= q.count; ++i) {
    const double* pi = q.points.row(i);
    bool same = true;
    for (int j = 1; j <= n && same; ++j) same = std::fabs(p[j] - pi[j]) <= q.sizes[j] * tolerance;
    if (same) return true;
  }
  return false;
}

// Whether the scaled point x satisfies the bounds and the rows in use
// (both ends of a ranged row) within tau.
bool isFeasible(const LpRecord& lp, const double* x, double tau) {
  for (int j = 1; j <= lp.n; ++j)
    if (x[j] < lp.lower[j] - tau || x[j] > lp.upper[j] + tau) return false;
  for (int i = 1; i <= Lp_rowsInUse(lp); ++i) {
    const double* a = lp.matrix.row(i);
    double ax = 0;
    for (int j = 1; j <= lp.n; ++j) ax += a[j] * x[j];
    const double b = a[0];
    switch (lp.types[i].type) {
      case '<':
        if (ax > b + tau) return false;
        if (lp.ranges[i] < kBoundInfinity && ax < b - lp.ranges[i] - tau) return false;
        break;
      case '>':
        if (ax < b - tau) return false;
        break;
      default:
        if (std::fabs(b - ax) > tau) return false;
    }
  }
  return true;
}

// Row 0: the objective linearised at the scaled point a, from its scaled
// value fs and scaled gradient g, in the tableau's minimising orientation.
void setObjectiveRow(LpRecord& lp, double fs, const double* g, const double* a) {
  const double sign = subproblemFactor(lp, g);
  double* r0 = lp.matrix.row(0);
  double constant = fs;
  for (int j = 1; j <= lp.n; ++j) {
    constant -= g[j] * a[j];
    r0[j] = -sign * g[j];
  }
  r0[0] = sign * constant;
}

// Iteration report of the path: the combination and its predicted value.
int pathReport(LpRun& run, int iteration) {
  LpRecord& lp = run.lp;
  const double* xbar = lp.quadratic.points.row(0);
  std::copy(xbar + 1, xbar + lp.n + 1, lp.point.begin() + 1);
  const double shown = Lp_scaleObjective(lp.scaling, objectiveSign(lp) * xbar[0]);
  return Lp_iterationReport(&run, lp, iteration, shown, 0.0);
}

// Whether the combination moved by at most (|previous| + size) * tolerance
// in every component (scaled: the test is relative, so the scaling leaves
// it as it is).
bool hasSettled(const LpQuadratic& q, int n, const double* previous, const double* now, double tolerance) {
  for (int j = 1; j <= n; ++j)
    if (std::fabs(now[j] - previous[j]) > (std::fabs(previous[j]) + q.sizes[j]) * tolerance) return false;
  return true;
}

// The new vertex in x joins the set; a singular master starts the set
// again from the combination and the vertex.
int addVertex(LpRun& run) {
  LpRecord& lp = run.lp;
  int status = addPoint(run, lp.x.data());
  if (status == Lp_singularMaster) {
    lp.quadratic.count = 0;
    status = addPoint(run, lp.quadratic.points.row(0));
    if (status == 0) status = addPoint(run, lp.x.data());
  }
  return status;
}

// A vertex the simplex left outside a row's or a bound's limits (phase 2
// lets such an optimum stand when no entry above the pivot tolerance can
// bring the row back, as none stopped it going) is repaired once more with
// entries down to the repair tolerance; a row still out of its limits has
// no column left to bring it back, so the subproblem is infeasible. The
// path combines vertices only, so feasible vertices keep its point feasible.
int feasibleVertex(LpRecord& lp, const LpSettings& s, int status) {
  if (status != 0 || Lp_primalFeasible(lp)) return status;
  LpSettings repair = s;
  repair.repairPivotTolerance = Lp_repairPivotTolerance;
  status = Lp_primalFromBasis(lp, repair);
  if (status != 0) return status;
  return Lp_primalFeasible(lp) ? 0 : StatusInfeasible;
}

// Re-solves the linear subproblem with the gradient g (unscaled, at the
// combination, where the objective is f) as its objective; g is left scaled
// and oriented.
int nextVertex(LpRun& run, const LpSettings& s, double f, double* g) {
  LpRecord& lp = run.lp;
  const double* xbar = lp.quadratic.points.row(0);
  Lp_scaleGradient(lp.scaling, g);
  const double sign = subproblemFactor(lp, g);
  double value = Lp_scaleObjective(lp.scaling, f);
  for (int j = 1; j <= lp.n; ++j) {
    value += g[j] * (lp.x[j] - xbar[j]);
    g[j] *= sign;
  }
  return feasibleVertex(lp, s, Lp_resolveWithObjective(lp, s, sign * value, g));
}

// The next vertex, priced once more at the fine tolerance when the first
// pricing gives back a stored one: a component of the gradient below the
// user's tolerance beside the largest may still move its variable across a
// wide range (a free variable's box), and the combination stalls away from
// the optimum without that vertex. Sets *stored when even the second
// pricing finds nothing new. `g` holds the unscaled gradient and is used up.
int freshVertex(LpRun& run, const LpSettings& s, double f, double* g, bool* stored) {
  LpRecord& lp = run.lp;
  LpQuadratic& q = lp.quadratic;
  const double root = std::sqrt(s.precision);
  std::copy(g, g + lp.n + 1, q.keptGradient.begin());
  if (const int status = nextVertex(run, s, f, g)) return status;
  *stored = isStored(q, lp.n, lp.x.data(), root);
  if (!*stored || s.reducedCostTolerance <= Lp_finePricingOf(lp)) return 0;
  LpSettings fine = s;
  fine.reducedCostTolerance = Lp_finePricingOf(lp);
  std::copy(q.keptGradient.begin(), q.keptGradient.end(), g);
  const int status = nextVertex(run, fine, f, g);
  Lp_readTolerances(lp, s);
  *stored = status == 0 && isStored(q, lp.n, lp.x.data(), root);
  return status;
}

// The iterations after the first vertex: 0 once converged, else a status.
// The gradient counts as vanished when its largest component has fallen
// below delta times the start's (`startSize`, unscaled); measured beside the
// objective's value instead, it would vanish far from the optimum of an
// objective that carries a large constant.
int iterate(LpRun& run, const LpSettings& s, double startSize) {
  LpRecord& lp = run.lp;
  LpQuadratic& q = lp.quadratic;
  const double tau = s.precision, root = std::sqrt(tau);
  const double delta = std::max(root * tau, 1e-14);
  double* g = q.gradient.data();
  for (int iteration = 1;; ++iteration) {
    if (const int status = pathReport(run, iteration)) return status;
    const double* xbar = q.points.row(0);
    std::copy(xbar, xbar + lp.n + 1, q.lastIterate.begin());
    double f;
    if (const int status = Lp_objectiveGradient(run, toHost(lp, xbar), f, g)) return status;
    if (std::fabs(f - xbar[0]) > (std::fabs(f) + q.predictedSize + 1) * tau) return StatusNotLinear;
    if (largestComponent(g, lp.n) < delta * startSize) return 0;
    bool stored = false;
    if (const int status = freshVertex(run, s, f, g, &stored)) return status;
    if (stored) return 0;
    if (const int status = addVertex(run)) return status;
    if (hasSettled(q, lp.n, q.lastIterate.data(), q.points.row(0), root)) return 0;
  }
}

// A variable's own size (scaled): its largest finite |bound| or |start|, 0
// when it has none.
double ownSize(const LpRecord& lp, int j) {
  double size = std::fabs(lp.xStart[j]);
  if (lp.lower[j] > -kBoundInfinity) size = std::max(size, std::fabs(lp.lower[j]));
  if (lp.upper[j] < kBoundInfinity) size = std::max(size, std::fabs(lp.upper[j]));
  return size;
}

// The model's size: its largest finite |bound|, else its largest |start|,
// else 1. A variable without a size of its own is boxed at a multiple of
// it, so that a model written at a small scale is not boxed a thousand
// times wider than it lives, where a far corner holds the combination
// still away from the optimum.
double modelSize(const LpRecord& lp) {
  double bound = 0, start = 0;
  for (int j = 1; j <= lp.n; ++j) {
    if (lp.lower[j] > -kBoundInfinity) bound = std::max(bound, std::fabs(lp.lower[j]));
    if (lp.upper[j] < kBoundInfinity) bound = std::max(bound, std::fabs(lp.upper[j]));
    start = std::max(start, std::fabs(lp.xStart[j]));
  }
  return bound > 0 ? bound : start > 0 ? start : 1.0;
}

// The box around infinite bounds: each variable's half-width is `factor`
// times its own size (the model's when it has none), so that a variable
// living at 1E-03 beside others at 1E+07 is not sent to corners where its
// own term swamps, in the rounding of the objective's values, everything
// the others could still gain. Open (kBoundInfinity) once factor times the
// model's size reaches kBoundInfinity.
struct LpBox {
  double factor = 1;
  double model = 1;
  bool isOpen() const { return factor * model >= kBoundInfinity; }
  double halfWidth(const LpQuadratic& q, int j) const {
    return isOpen() ? kBoundInfinity : std::min(factor * q.boxSizes[j], kBoundInfinity);
  }
};

// Each variable's size in the box, from the bounds the model gave it.
void setBoxSizes(LpRecord& lp, const LpBox& box) {
  for (int j = 1; j <= lp.n; ++j) {
    const double own = ownSize(lp, j);
    lp.quadratic.boxSizes[j] = own > 0 ? own : box.model;
  }
}

// Whether the solution touches the box (lies within its last hundredth).
bool touchesBox(const LpRecord& lp, const LpBox& box) {
  for (int j = 1; j <= lp.n; ++j) {
    const double b = box.halfWidth(lp.quadratic, j);
    if (std::fabs(lp.x[j]) >= b - b / kBoxGrowth) return true;
  }
  return false;
}

bool allBoundsFinite(const LpRecord& lp) {
  for (int j = 1; j <= lp.n; ++j)
    if (lp.lower[j] <= -kBoundInfinity || lp.upper[j] >= kBoundInfinity) return false;
  return true;
}

// Infinite bounds become -b and b, each variable's half-width (an open box
// leaves them infinite).
void setBox(LpRecord& lp, const LpBox& box) {
  for (int j = 1; j <= lp.n; ++j) {
    const double b = box.halfWidth(lp.quadratic, j);
    if (lp.lower[j] <= -kBoundInfinity) lp.lower[j] = -b;
    if (lp.upper[j] >= kBoundInfinity) lp.upper[j] = b;
  }
}

void clearBox(LpRecord& lp, const LpBox& box) {
  for (int j = 1; j <= lp.n; ++j) {
    const double b = box.halfWidth(lp.quadratic, j);
    if (lp.lower[j] <= -b) lp.lower[j] = -kBoundInfinity;
    if (lp.upper[j] >= b) lp.upper[j] = kBoundInfinity;
  }
}

// Each variable's own size (scaled); a variable with none takes the
// smallest size of the others (1 when no variable has one), so that its
// tolerance is never coarser than theirs.
void setSizes(LpRecord& lp) {
  std::vector<double>& size = lp.quadratic.sizes;
  double smallest = 0;
  for (int j = 1; j <= lp.n; ++j) {
    size[j] = ownSize(lp, j);
    if (size[j] > 0 && (smallest == 0 || size[j] < smallest)) smallest = size[j];
  }
  for (int j = 1; j <= lp.n; ++j)
    if (size[j] == 0) size[j] = smallest > 0 ? smallest : 1.0;
}

// Whether every model row with limits agrees at x with its captured
// constant and coefficients within the precision: 0, 7, or 9.
int checkRows(LpRun& run) {
  LpRecord& lp = run.lp;
  std::copy(lp.x.begin(), lp.x.end(), run.hostX.begin());
  Lp_unscaleVariables(lp.scaling, run.hostX.data());
  if (!Lp_evaluate(run, run.hostRows.data())) return StatusEvalError;
  for (int i = 1; i <= lp.modelRows; ++i) {
    if (lp.rowLower[i] <= -kBoundInfinity && lp.rowUpper[i] >= kBoundInfinity) continue;
    const double* a = lp.pristine.row(i);
    double captured = lp.rhs[i] - a[0];
    for (int j = 1; j <= lp.n; ++j) captured += a[j] * lp.x[j];
    const double f = run.hostRows[i];
    if (std::fabs(f - captured) / (std::fabs(f) + 1) > lp.precision) return StatusNotLinear;
  }
  return 0;
}

}  // namespace

int Lp_quadraticCore(LpRun& run, double& objective) {
  LpRecord& lp = run.lp;
  LpQuadratic& q = lp.quadratic;
  const LpSettings s = Lp_settingsFromHost(run);
  const double* start = lp.xStart.data();
  double* g = q.gradient.data();
  q.count = 0;
  lp.point = lp.xStart;
  double f;
  if (const int status = Lp_objectiveGradient(run, toHost(lp, start), f, g)) return status;
  const double startSize = largestComponent(g, lp.n);
  Lp_scaleGradient(lp.scaling, g);
  setObjectiveRow(lp, Lp_scaleObjective(lp.scaling, f), g, start);
  if (isFeasible(lp, start, s.precision)) {
    if (startSize == 0) {  // a feasible stationary start is the answer
      lp.x = lp.xStart;
      objective = objectiveSign(lp) * f;
      return 0;
    }
    if (const int status = addPoint(run, start)) return status;
  }
  if (const int status = feasibleVertex(lp, s, Lp_boundedSimplex(lp, s))) return status;
  if (!isStored(q, lp.n, lp.x.data(), std::sqrt(s.precision)))
    if (const int status = addPoint(run, lp.x.data())) return status;
  if (const int status = iterate(run, s, startSize)) return status;
  const double* xbar = q.points.row(0);
  std::copy(xbar + 1, xbar + lp.n + 1, lp.x.begin() + 1);
  objective = objectiveSign(lp) * xbar[0];
  return 0;
}

int Lp_solveQuadratic(LpRun& run, double& objective) {
  LpRecord& lp = run.lp;
  setSizes(lp);
  if (allBoundsFinite(lp)) return Lp_quadraticCore(run, objective);
  LpBox box;
  box.model = modelSize(lp);
  setBoxSizes(lp, box);
  for (;;) {
    box.factor *= kBoxGrowth;
    setBox(lp, box);
    const int status = Lp_quadraticCore(run, objective);
    clearBox(lp, box);
    if (box.isOpen()) return status;
    if (status == 0 && !touchesBox(lp, box)) return 0;
    if (status != 0 && status != StatusUnbounded && status != StatusInfeasible) return status;
    Lp_restoreWorking(lp);
  }
}

int Lp_solveQuadraticModel(LpRun& run) {
  LpRecord& lp = run.lp;
  double objective = 0;
  int status = Lp_solveQuadratic(run, objective);
  lp.matrix.row(0)[0] = Lp_scaleObjective(lp.scaling, objective);
  if (status == 0 && !run.checked) {
    run.checked = true;
    status = checkRows(run);
  }
  return status;
}
