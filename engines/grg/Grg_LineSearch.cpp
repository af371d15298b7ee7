// The GRG engine's bounded line search: trial steps along the superbasic
// direction, each restored onto the binding rows by Newton iterations on the
// basic variables; a basic variable or non-binding row that crosses a bound
// is held on it by a Newton step on the step length. Contraction, expansion
// and parabolic interpolation; the search always ends at the best point.
#include <algorithm>
#include <cmath>

#include "engines/grg/Grg_Engine.h"

namespace {

struct Trial {
  double alpha = 0.0, f = 0.0;
  std::vector<double> x, g;
  bool held = false;
  long evaluation = 0;  // the evaluation count when the host last saw this point
};

struct Search {
  Trial start, previous, best;
  std::vector<Trial> points;        // successful trials, for estimates and interpolation
  double thetaBound = kBoundInfinity;
  bool thetaUnbounded = false;  // thetaBound is the far limit a variable without a bound gets
  double fullStep = 0.0;        // the first step that moves some superbasic by its 5%
  double slope = 0.0;           // the reduced gradient times the direction
  bool crossed = false;
};

// How far a superbasic without a bound may go in one search.
constexpr double kFarLimit = 1e20;
// The share of its size that the first step of a search moves a superbasic.
constexpr double kFirstStepShare = 0.05;
// The share of the precision to which the final point's binding rows are restored.
constexpr double kPolishShare = 1e-3;
// Doublings of the step after which a falling objective has no bound.
constexpr int kUnboundedDoublings = 30;
// A doubling's fall below this share of 1 + |f| is rounding noise: the
// objective is flat along the direction.
constexpr double kFlatShare = 1e-12;
// A doubling that falls by this share of what the direction's slope
// promises for it follows the slope, however small the fall.
constexpr double kSlopeShare = 0.5;

double inverse(const GrgRecord& rec, int k, int l) { return rec.binv[(k - 1) * rec.bindingCount + (l - 1)]; }

double element(const GrgRecord& rec, int row, int col) {
  if (col <= rec.n) return Grg_jac(rec, row, col);
  return col - rec.n == row ? -1.0 : 0.0;
}

// Whether a fall of the objective to f is more than the engine's precision
// resolves, against 1 + |f|: rounding noise that grows with the step never is.
bool significantFall(const GrgRecord& rec, double fall, double f) {
  return fall > rec.settings.pre * (1.0 + std::fabs(f));
}

void placeSuperbasics(GrgRecord& rec, const Search& s, double alpha) {
  for (int k = 1; k <= rec.superbasicCount; ++k) {
    int c = rec.cols[k];
    rec.x[c] = s.start.x[c] + alpha * rec.d[c];
  }
}

// Basic values predicted at alpha: linearly from the previous trial, or by a
// quadratic through stored trials when estimates are quadratic.
void predictBasics(GrgRecord& rec, const Search& s, double alpha) {
  int nb = rec.bindingCount;
  size_t stored = s.points.size();
  for (int k = 1; k <= nb; ++k) {
    int c = rec.basicCol[k];
    double x0 = s.start.x[c], tk = rec.t[k];
    if (!rec.settings.quadraticEstimates || stored == 0) {
      rec.x[c] = s.previous.x[c] + (alpha - s.previous.alpha) * tk;
    } else if (stored == 1) {
      const Trial& p = s.points[0];
      double ratio = alpha / p.alpha;
      rec.x[c] = x0 + alpha * tk + (p.x[c] - x0 - p.alpha * tk) * ratio * ratio;
    } else {
      const Trial& p = s.points[stored - 2];
      const Trial& q = s.points[stored - 1];
      double a0 = 0.0, a1 = p.alpha, a2 = q.alpha;
      double l0 = (alpha - a1) * (alpha - a2) / ((a0 - a1) * (a0 - a2));
      double l1 = (alpha - a0) * (alpha - a2) / ((a1 - a0) * (a1 - a2));
      double l2 = (alpha - a0) * (alpha - a1) / ((a2 - a0) * (a2 - a1));
      rec.x[c] = l0 * x0 + l1 * p.x[c] + l2 * q.x[c];
    }
  }
}

// The quantity held on a bound during restoration: a basic position or a row.
struct Held {
  int kind = 0, index = 0;  // 1 basic position, 2 non-binding row
  double target = 0.0;
  std::vector<double> w, q;
  double c = 0.0;
};

double heldValue(const GrgRecord& rec, const Held& h) {
  return h.kind == 1 ? rec.x[rec.basicCol[h.index]] : rec.g[h.index];
}

void prepareHeld(GrgRecord& rec, Held& h, int col) {
  int nb = rec.bindingCount;
  double l = rec.xl[col], u = rec.xu[col], v = h.kind == 1 ? rec.x[col] : rec.g[h.index];
  h.target = std::fabs(v - l) <= std::fabs(v - u) ? l : u;
  std::vector<double> unit(nb + 1, 0.0);
  h.c = 0.0;
  if (h.kind == 1) {
    unit[h.index] = 1.0;
  } else {
    for (int k = 1; k <= nb; ++k)
      if (rec.basicCol[k] <= rec.n) unit[k] = Grg_jac(rec, h.index, rec.basicCol[k]);
    for (int s = 1; s <= rec.superbasicCount; ++s)
      if (rec.cols[s] <= rec.n) h.c += Grg_jac(rec, h.index, rec.cols[s]) * rec.d[rec.cols[s]];
  }
  h.w.assign(nb + 1, 0.0);
  h.q.assign(nb + 1, 0.0);
  for (int l2 = 1; l2 <= nb; ++l2) {
    for (int k = 1; k <= nb; ++k) h.w[l2] += unit[k] * inverse(rec, k, l2);
    for (int s = 1; s <= rec.superbasicCount; ++s)
      h.q[l2] += element(rec, rec.bindRow[l2], rec.cols[s]) * rec.d[rec.cols[s]];
  }
}

// How near its target a held quantity must come: a row's own tolerance, a
// variable's `tolerance`.
double heldTolerance(const GrgRecord& rec, const Held& h, double tolerance) {
  bool row = h.kind == 2 || rec.basicCol[h.index] > rec.n;
  return row ? Grg_rowTolerance(tolerance, h.target) : tolerance;
}

// A trial point with a variable off its bounds: the engine's own prediction
// overshot, so an evaluation failure there fails the trial, not the run.
bool outsideBounds(const GrgRecord& rec) {
  for (int j = 1; j <= rec.n; ++j)
    if (rec.x[j] < rec.xl[j] - rec.settings.pre || rec.x[j] > rec.xu[j] + rec.settings.pre) return true;
  return false;
}

// Whether the Newton correction for the residuals `r` of the binding rows
// would move some constraint row by `tolerance` or more.
bool shiftsRows(const GrgRecord& rec, const std::vector<double>& r, double tolerance) {
  int nb = rec.bindingCount;
  std::vector<double> corr(nb + 1, 0.0);
  for (int k = 1; k <= nb; ++k)
    for (int l = 1; l <= nb; ++l) corr[k] += inverse(rec, k, l) * r[l];
  for (int i = 1; i <= rec.m; ++i) {
    if (i == rec.objectiveRow || rec.rowKind[i] == 0) continue;
    double shift = 0.0;
    for (int k = 1; k <= nb; ++k)
      if (rec.basicCol[k] <= rec.n) shift += Grg_jac(rec, i, rec.basicCol[k]) * corr[k];
    if (std::fabs(shift) >= Grg_rowTolerance(tolerance, rec.g[i])) return true;
  }
  return false;
}

// Newton restoration of the binding rows at alpha (alpha itself moves while a
// quantity is held). False on failure; the status word is set on an evaluation failure.
bool restore(GrgRecord& rec, const Search& s, double& alpha, Held* held, double tolerance) {
  int nb = rec.bindingCount, n = rec.n;
  double previous = kBoundInfinity;
  std::vector<double> r(nb + 1, 0.0);
  for (int it = 1; it <= rec.settings.newtonLimit; ++it) {
    if (held) placeSuperbasics(rec, s, alpha);
    if (!Grg_evaluate(rec, rec.g.data())) {
      if (!outsideBounds(rec)) rec.status = StatusEvalError;
      return false;
    }
    for (int k = 1; k <= rec.nonBindingCount; ++k) rec.x[n + rec.nonBinding[k]] = rec.g[rec.nonBinding[k]];
    // Each row's residual, and a held row's, counts against its own
    // tolerance, in units of `tolerance`: a row of large size is restored
    // to what it resolves.
    double residual = 0.0;
    for (int k = 1; k <= nb; ++k) {
      int row = rec.bindRow[k];
      double on = rec.x[n + row];
      r[k] = rec.g[row] - on;
      residual = std::max(residual, std::fabs(r[k]) * tolerance / Grg_rowTolerance(tolerance, on));
    }
    double e = held ? held->target - heldValue(rec, *held) : 0.0;
    if (held) residual = std::max(residual, std::fabs(e) * tolerance / heldTolerance(rec, *held, tolerance));
    // A residual within the tolerance of a row with small coefficients may
    // still hide a move of the basics that shifts a row with large ones past
    // its bound: the step is taken while it would shift some row by the
    // tolerance or more, and the residual still falls.
    if (residual < tolerance && (held || residual >= previous || !shiftsRows(rec, r, tolerance))) {
      rec.newtonIterations = it;
      return true;
    }
    if (residual > previous) return false;
    previous = residual;
    if (held) {
      double wq = 0.0, wr = 0.0;
      for (int k = 1; k <= nb; ++k) {
        wq += held->w[k] * held->q[k];
        wr += held->w[k] * r[k];
      }
      double den = wq - held->c;
      if (std::fabs(den) < rec.settings.guardTiny) return false;
      double delta = (e + wr) / den;
      alpha -= delta;
      for (int k = 1; k <= nb; ++k) r[k] -= delta * held->q[k];
    }
    for (int k = 1; k <= nb; ++k) {
      double corr = 0.0;
      for (int l = 1; l <= nb; ++l) corr += inverse(rec, k, l) * r[l];
      rec.x[rec.basicCol[k]] -= corr;
    }
  }
  return false;
}

// How far a basic or a row may lie beyond its bound: the precision, for a
// row at least what its size resolves.
double widening(const GrgRecord& rec, int col, double bound) {
  return col > rec.n ? Grg_rowTolerance(rec.settings.pre, bound) : rec.settings.pre;
}

// The first basic variable or non-binding row to leave its widened bounds
// since the previous trial: kind, index and crossing fraction.
bool findCrossing(const GrgRecord& rec, const Search& s, Held& h, double& fraction) {
  fraction = kBoundInfinity;
  auto test = [&](int kind, int index, int col, double oldV, double newV) {
    if (std::fabs(newV - oldV) <= 1e-15) return;
    double l = rec.xl[col], u = rec.xu[col], bound;
    double above = u + widening(rec, col, u), below = l - widening(rec, col, l);
    // A value crosses the widened bound it has just passed; one already
    // beyond that bound does not. A violated row that steps over its whole
    // feasible range (an equality row, from one side to the other) crosses
    // the bound it now lies beyond, so that the step stops on the row.
    if (newV > above && oldV <= above) {
      bound = u;
    } else if (newV < below && oldV >= below) {
      bound = l;
    } else {
      return;
    }
    double f = (bound - oldV) / (newV - oldV);
    if (f < fraction) {
      fraction = f;
      h.kind = kind;
      h.index = index;
    }
  };
  for (int k = 1; k <= rec.bindingCount; ++k) {
    int c = rec.basicCol[k];
    test(1, k, c, s.previous.x[c], rec.x[c]);
  }
  for (int k = 1; k <= rec.nonBindingCount; ++k) {
    int i = rec.nonBinding[k];
    test(2, i, rec.n + i, s.previous.g[i], rec.g[i]);
  }
  return h.kind != 0;
}

bool violated(const GrgRecord& rec) {
  for (int k = 1; k <= rec.nonBindingCount; ++k) {
    int i = rec.nonBinding[k], col = rec.n + i;
    if (rec.g[i] < rec.xl[col] - widening(rec, col, rec.xl[col]) ||
        rec.g[i] > rec.xu[col] + widening(rec, col, rec.xu[col]))
      return true;
  }
  return false;
}

// One trial at alpha (which may move onto a crossing); false when restoration failed.
bool trial(GrgRecord& rec, Search& s, double& alpha) {
  placeSuperbasics(rec, s, alpha);
  predictBasics(rec, s, alpha);
  if (!restore(rec, s, alpha, nullptr, rec.settings.pre)) return false;
  Held h;
  double fraction;
  s.crossed = findCrossing(rec, s, h, fraction);
  if (s.crossed) {
    if (fraction < 0) return false;
    double back = s.previous.alpha + fraction * (alpha - s.previous.alpha);
    for (int k = 1; k <= rec.bindingCount; ++k) {
      int c = rec.basicCol[k];
      rec.x[c] = s.previous.x[c] + fraction * (rec.x[c] - s.previous.x[c]);
    }
    if (h.kind == 2) rec.g[h.index] = s.previous.g[h.index] + fraction * (rec.g[h.index] - s.previous.g[h.index]);
    alpha = back;
    prepareHeld(rec, h, h.kind == 1 ? rec.basicCol[h.index] : rec.n + h.index);
    if (!restore(rec, s, alpha, &h, rec.settings.pre)) return false;
    rec.heldKind = h.kind;
    rec.heldIndex = h.index;
  }
  Trial t{alpha, Grg_objective(rec, rec.g.data()), rec.x, rec.g, s.crossed, rec.evaluations};
  s.previous = t;
  s.points.push_back(t);
  if (t.f < s.best.f) s.best = t;
  return true;
}

// The size a column's first step is a share of, when it sits near 0: 1, or
// the width of its bounds when that is less, so that a variable ranging over
// a thousandth is not carried across its range in one step.
double ownSize(const GrgRecord& rec, int col) {
  double width = rec.xu[col] - rec.xl[col];
  return width > 0.0 && width < 1.0 ? width : 1.0;
}

double initialStep(GrgRecord& rec, Search& s) {
  double theta = kBoundInfinity, cap = kBoundInfinity, dmax = 0.0;
  for (int k = 1; k <= rec.superbasicCount; ++k) {
    int c = rec.cols[k];
    double dj = rec.d[c];
    dmax = std::max(dmax, std::fabs(dj));
    s.slope += rec.r[c] * dj;
    if (std::fabs(dj) < 1e-15) continue;
    double b = dj >= 0 ? std::min(rec.xu[c], kFarLimit) : std::max(rec.xl[c], -kFarLimit);
    double step = (b - rec.x[c]) / dj;
    if (step < theta) s.thetaUnbounded = std::fabs(b) >= kFarLimit;
    theta = std::min(theta, step);
    cap = std::min(cap, kFirstStepShare * std::max(ownSize(rec, c), std::fabs(rec.x[c])) / std::fabs(dj));
  }
  s.thetaBound = theta;
  cap = std::min(cap, theta);
  s.fullStep = cap;
  double alpha = rec.lastStep;
  if (dmax > 0) alpha = std::max(alpha, rec.settings.pre / dmax);
  alpha = rec.passSearches > 0 && !rec.lastSearchAtBound ? std::min(alpha, cap) : cap;
  return std::min(alpha, theta);
}

bool superbasicAtBound(const GrgRecord& rec) {
  for (int k = 1; k <= rec.superbasicCount; ++k) {
    int c = rec.cols[k];
    if (rec.d[c] > 0 && std::fabs(rec.x[c] - rec.xu[c]) < rec.settings.pre) return true;
    if (rec.d[c] < 0 && std::fabs(rec.x[c] - rec.xl[c]) < rec.settings.pre) return true;
  }
  return false;
}

// Minimum of the parabola through the last three steps, tried when it lies
// strictly between the outer two.
void interpolate(GrgRecord& rec, Search& s) {
  std::vector<const Trial*> pts{&s.start};
  for (const Trial& p : s.points) pts.push_back(&p);
  if (pts.size() < 3) return;
  const Trial &a = *pts[pts.size() - 3], &m = *pts[pts.size() - 2], &c = *pts[pts.size() - 1];
  double num = (m.alpha - a.alpha) * (m.alpha - a.alpha) * (m.f - c.f) -
               (m.alpha - c.alpha) * (m.alpha - c.alpha) * (m.f - a.f);
  double den = (m.alpha - a.alpha) * (m.f - c.f) - (m.alpha - c.alpha) * (m.f - a.f);
  if (std::fabs(den) < rec.settings.interpolationTiny) return;
  double alpha = m.alpha - 0.5 * num / den;
  double lo = std::min({a.alpha, m.alpha, c.alpha}), hi = std::max({a.alpha, m.alpha, c.alpha});
  if (alpha <= lo || alpha >= hi) return;
  trial(rec, s, alpha);
}

// Doubles the step while restoration stays cheap and the objective falls.
// Thirty doublings make the step unbounded only while the objective's fall
// keeps its pace: a fall that shrinks from one doubling to the next levels
// off towards a bound (a sum of squares nearing 0), and the search then
// ends at its best point. A step that a bound of a variable limits says
// nothing of the objective beyond that bound, however many doublings it
// took from a short first step (a linear objective over a ball): it goes
// on doubling up to the bound.
//
// The thirty doublings are counted from the full first step. A search that
// starts from the last search's step along a direction far shorter than
// that one's (a slack of a row with large coefficients as the only
// superbasic) covers a short way in thirty doublings, and an objective that
// falls all along it may still be bounded (a convex quadratic over a box):
// such a search doubles on until it has gone as far.
//
// Along a flat direction (an objective parallel to a binding row) the
// objective's values differ only by rounding noise, which may fall at every
// doubling and grows with the step: a doubling whose fall is within that
// noise ends the expansion, and only a significant fall makes the objective
// unbounded, so that a flat ray ends at a finite point. A value that does
// not change at all says only that the step has not yet moved the point by
// what the variables resolve, and the doubling goes on; nor, with no
// binding rows, is a fall noise that follows the direction's slope: a
// search that starts from the last search's step of 1E-13, taken along a
// first steepest descent a million million times too long (variables in
// millions), falls by 0.3 at its first doublings on an objective of 1E+13,
// and ending there let the pass converge short of the optimum. (Along
// binding rows the doublings so carried on pushed a row whose slack sat
// on its bound past it by more than its tolerance, and phase 1 and the
// search took turns until the iteration limit.)
void expand(GrgRecord& rec, Search& s, double alpha) {
  int cheap = rec.settings.quadraticEstimates ? 4 : rec.settings.newtonLimit / 2;
  double fall = 0.0, lastFall = 0.0, farEnough = std::ldexp(s.fullStep, kUnboundedDoublings);
  for (int doublings = 0; rec.newtonIterations < cheap; ++doublings) {
    // Thirty doublings leave the objective without a bound while its fall
    // keeps its pace; a step that reaches the far limit of a variable without
    // a bound (from a start far from 0, in fewer doublings) leaves it so too.
    if (doublings >= kUnboundedDoublings && s.thetaUnbounded && alpha >= farEnough) {
      rec.search.unbounded = significantFall(rec, lastFall, s.previous.f) && fall >= lastFall;
      return;
    }
    if (alpha >= s.thetaBound && s.thetaUnbounded) {
      rec.search.unbounded = significantFall(rec, s.start.f - s.previous.f, s.previous.f);
      return;
    }
    if (alpha >= s.thetaBound) return;
    double fPrev = s.previous.f;
    double next = std::min(2 * alpha, s.thetaBound);
    if (!trial(rec, s, next)) return;
    if (s.crossed || superbasicAtBound(rec)) return;
    if (s.previous.f > fPrev + 1e-15) return;
    if (rec.phase1 && !(s.previous.f < fPrev - 1e-15)) return;
    if (rec.phase1 && !violated(rec)) return;
    lastFall = fall;
    fall = fPrev - s.previous.f;
    bool follows = rec.bindingCount == 0 && fall >= kSlopeShare * (next - alpha) * -s.slope;
    bool noise = fall <= kFlatShare * (1.0 + std::fabs(s.previous.f)) && !follows;
    if (fall > 0.0 && noise) return;
    alpha = next;
  }
}

void finishAtBest(GrgRecord& rec, const Search& s) {
  rec.x = s.best.x;
  rec.g = s.best.g;
  rec.lastStep = s.best.alpha;
  rec.hostAtX = rec.hostAtX && s.best.evaluation == rec.evaluations;
  GrgSearchResult& out = rec.search;
  out.failed = s.best.alpha == 0.0;
  out.heldAtBound = s.best.held;
  out.superbasicAtBound = superbasicAtBound(rec);
  out.feasible = rec.phase1 && !violated(rec);
  rec.lastSearchAtBound = out.heldAtBound || out.superbasicAtBound;
  rec.searched = true;
  ++rec.passSearches;
}

// Whether every variable and constraint row lies within its bounds widened
// by its tolerance. Restoring the binding rows moves the basics and the
// slacks of binding inequalities; at a degenerate vertex, with a nonbasic a
// hair off its bound, holding some rows exactly pushes another binding
// row's slack past its bound, and the polished point would be infeasible
// where the converged one was not.
bool withinBounds(const GrgRecord& rec) {
  if (outsideBounds(rec)) return false;
  for (int i = 1; i <= rec.m; ++i) {
    int col = rec.n + i;
    if (rec.rowKind[i] == 0) continue;
    if (rec.g[i] < rec.xl[col] - widening(rec, col, rec.xl[col]) ||
        rec.g[i] > rec.xu[col] + widening(rec, col, rec.xu[col]))
      return false;
  }
  return true;
}

}  // namespace

void Grg_lineSearch(GrgRecord& rec) {
  rec.search = GrgSearchResult{};
  rec.heldKind = rec.heldIndex = 0;
  Search s;
  s.start = Trial{0.0, Grg_objective(rec, rec.g.data()), rec.x, rec.g, false, rec.hostAtX ? rec.evaluations : -1};
  s.previous = s.best = s.start;
  double alpha = initialStep(rec, s);
  bool failedBefore = false;
  for (int k = 1;; ++k) {
    double tried = alpha;
    bool ok = trial(rec, s, alpha);
    if (rec.status) return;
    if (ok && s.previous.f <= s.start.f + 1e-15) break;
    failedBefore = failedBefore || !ok;
    if (ok) s.previous = s.start;  // an upper bracket: contract from the start again
    if (k > 7) {
      finishAtBest(rec, s);
      return;
    }
    alpha = tried / std::ldexp(1.0, k);
  }
  bool stop = s.crossed || superbasicAtBound(rec) || failedBefore ||
              (rec.phase1 && !s.crossed && !violated(rec));
  if (!stop) expand(rec, s, alpha);
  if (rec.status) return;
  if (!rec.search.unbounded && !stop && !(rec.phase1 && !violated(rec))) interpolate(rec, s);
  if (rec.status) return;
  finishAtBest(rec, s);
}

void Grg_polish(GrgRecord& rec) {
  if (rec.bindingCount == 0 || rec.violatedCount > 0) return;
  Search s;
  s.start.x = rec.x;
  std::vector<double> g = rec.g;
  double alpha = 0.0;
  if (restore(rec, s, alpha, nullptr, kPolishShare * rec.settings.pre) && withinBounds(rec)) return;
  rec.x = s.start.x;
  rec.g = g;
  if (rec.status == 0) rec.hostAtX = false;
}
