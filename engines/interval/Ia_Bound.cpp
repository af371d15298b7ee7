// Bounding one box of the optimisation search, in order: propagation and
// contraction by the rows (when there are rows), the objective test, and
// the split choice.
#include "engines/interval/Ia_Bound.h"

#include <algorithm>
#include <cmath>

#include "arithmetic/interval/Ivl_Arith.h"
#include "arithmetic/numeric/Num_Scalar.h"
#include "engines/interval/Ia_Lagrange.h"
#include "engines/interval/Ia_Newton.h"
#include "engines/interval/Ia_Relax.h"

namespace {

// Whether v lies on one of the start box's bounds in component i. An integer
// component counts as lying on them wherever it is: the boxes its splits
// leave share no face, so no slope or curvature argument of an interior
// minimiser holds across its ends.
bool Ia_touchesStart(const IaSearchContext& s, int i, double v) {
  return Ia_isInteger(s.integer, i) || Num_nearlyEqual(&v, &s.start[i].lo) || Num_nearlyEqual(&v, &s.start[i].hi);
}

// The objective at the point p (1..n); a value below *upper replaces it,
// with p as the incumbent. A point where the objective gives no number is
// none.
void Ia_tryPoint(IaSearchContext& s, const std::vector<double>& p, IaBox& incumbent, double* upper) {
  double value = 0;
  if (Ia_evalPoint(s, 0, p.data(), &value) != 0 || !(value < *upper)) return;
  *upper = value;
  incumbent.assign(s.n + 1, Interval{0, 0});
  for (int i = 1; i <= s.n; ++i) incumbent[i] = Interval{p[i], p[i]};
}

// The lower bound by the objective's range F alone: when its gradient
// failed, when the objective has no value at the slope test's point (that
// lies outside its domain, where no slope holds), or when F is not bounded
// below (a pole may lie in the box, across which no slope holds either).
// Without uncertainty the box's midpoint (its integer components whole) is
// tried as an incumbent.
void Ia_rangeOnlyTest(IaSearchContext& s, const Interval* box, const Interval& f, bool uncertain, IaBox& incumbent,
                      double* upper, IaObjectiveTest* out) {
  if (!uncertain) {
    std::vector<double> c;
    Ia_midpoints(s.n, box, c);
    Ia_roundIntegerPoint(s.integer, box, c);
    Ia_tryPoint(s, c, incumbent, upper);
  }
  out->lower = f.lo;
  out->alive = !(out->lower > *upper);
  out->unboundedBelow = !uncertain && f.lo == -INFINITY;
}

// The lower bound by the objective's value alone, when its gradient failed.
bool Ia_valueOnlyTest(IaSearchContext& s, Interval* box, bool uncertain, IaBox& incumbent, double* upper,
                      IaObjectiveTest* out) {
  Interval f;
  if (Ia_evalBox(s, 0, box, &f) != 0) return true;  // no bound: alive at -infinity
  Ia_rangeOnlyTest(s, box, f, uncertain, incumbent, upper, out);
  return true;
}

// The relaxation's vertex, its integer components moved to the nearest
// whole numbers in the box, as an incumbent: when every row holds there (an
// equality within 2^-26 of 0), its objective below *upper replaces it. A
// vertex where the model gives no number is none. False on a failure that
// ends the search.
bool Ia_tryVertex(IaSearchContext& s, const IaBox& box, std::vector<double> vertex, IaBox& incumbent, double* upper) {
  Ia_roundIntegerPoint(s.integer, box.data(), vertex);
  double v = 0;
  for (int k = 1; k <= s.m; ++k) {
    if (const int rc = Ia_evalPoint(s, k, vertex.data(), &v)) return !Ia_failureEndsSearch(rc);
    const double zero = 0;
    if (Ia_isEquality(s, k) ? !Num_nearlyEqual(&v, &zero) : v > 0) return true;
  }
  if (const int rc = Ia_evalPoint(s, 0, vertex.data(), &v)) return !Ia_failureEndsSearch(rc);
  if (v < *upper) {
    *upper = v;
    incumbent.assign(s.n + 1, Interval{0, 0});
    for (int i = 1; i <= s.n; ++i) incumbent[i] = Interval{vertex[i], vertex[i]};
  }
  return true;
}

// The LP relaxation of the rows; with "solver_lpp" also of the objective,
// whose affine form bounds the box from below and whose relaxed minimum's
// vertex is tried as an incumbent. `stored` receives the rows' forms.
IaFate Ia_relaxRows(IaSearchContext& s, IaBox& box, IaBox& incumbent, double* upper,
                    std::vector<IaAffineForm>& stored) {
  IaAffineForm objective;
  // An objective form that is not bounded has no linear part to relax.
  const bool withObjective =
      s.options.lpObjective && Ia_evalAffine(s, 0, box.data(), &objective) == 0 && Ia_formBounded(objective, s.n);
  if (withObjective && !(Ia_affineRange(objective, box.data(), s.n).lo < *upper)) return IaFate::Dead;
  IaRelaxation lp = Ia_lpRelaxation(s, box.data(), withObjective ? &objective : nullptr);
  stored = std::move(lp.forms);
  if (lp.fate == IaFate::Alive && lp.vertexFound && !Ia_tryVertex(s, box, lp.vertex, incumbent, upper))
    return IaFate::Failed;
  return lp.fate;
}

// Rows 1..m: propagation, then contraction with affine forms (after the LP
// relaxation) or with interval gradients. Sets *uncertain unless every row
// is proven to hold on the box.
IaFate Ia_contractRows(IaSearchContext& s, IaBox& box, IaBox& incumbent, double* upper, bool* uncertain) {
  std::fill(s.proven.begin(), s.proven.end(), 0);
  bool trouble = false;
  IaFate fate = Ia_propagateConstraints(s, box.data());
  std::vector<Interval> values(s.m + 1, Ivl_whole());
  if (fate == IaFate::Alive && s.options.method == IaMethodAffine) {
    std::vector<IaAffineForm> stored;
    if (s.options.lpRelaxation) fate = Ia_relaxRows(s, box, incumbent, upper, stored);
    if (fate == IaFate::Alive) fate = Ia_contractAffine(s, box.data(), values.data(), stored, nullptr, &trouble);
  } else if (fate == IaFate::Alive) {
    fate = Ia_contractInterval(s, box.data(), values.data(), nullptr, &trouble);
  }
  *uncertain = trouble;
  for (int k = 1; k <= s.m; ++k) *uncertain = *uncertain || !s.proven[k];
  return fate;
}

// The closing step on a box where every row holds: an interior minimiser
// has a zero gradient and a Hessian without negative diagonal in the
// components off the start box's bounds (those on them are set aside while
// "solver_sta" is clear). Contracts the box towards the gradient's zeros and
// sets the split component by the Hessian.
IaFate Ia_closingStep(IaSearchContext& s, IaBox& box, int* split) {
  const int n = s.n;
  const std::size_t slots = static_cast<std::size_t>(n) + 1;
  Interval value;
  IaBox gradient(slots);
  std::vector<Interval> hessian(slots * slots);
  if (const int rc = Ia_evalIvHessian(s, 0, box.data(), &value, gradient.data(), hessian.data()))
    return rc == kIaUnfeasibleArgument ? IaFate::Dead : IaFate::Alive;
  std::vector<char> aside(slots, 0);
  for (int i = 1; i <= n && !s.options.startBoundsFixed; ++i)
    aside[i] = Ia_touchesStart(s, i, box[i].lo) || Ia_touchesStart(s, i, box[i].hi);
  for (int i = 1; i <= n; ++i)
    if (!aside[i] && hessian[i * slots + i].hi < 0) return IaFate::Dead;
  std::vector<double> c;
  Ia_midpoints(n, box.data(), c);
  IaBox point(slots, Interval{0, 0}), atMid(slots);
  for (int i = 1; i <= n; ++i) point[i] = Interval{c[i], c[i]};
  if (Ia_evalIvGradient(s, 0, point.data(), &value, atMid.data()) != 0) return IaFate::Alive;
  std::vector<IaBox> rows(1);
  for (int i = 1; i <= n; ++i) {
    rows.emplace_back(hessian.begin() + i * slots, hessian.begin() + (i + 1) * slots);
    if (aside[i]) continue;
    if (!Ia_contractLinear(n, atMid[i], rows.back().data(), c.data(), box.data(), true, 0.0)) return IaFate::Dead;
  }
  *split = Ia_matrixSmearComponent(n, box.data(), rows);
  return IaFate::Alive;
}

// The variables no function depends on over the start box, marked once per
// search: the objective's and every row's gradient enclosure there is 0 in
// their component (an evaluation that fails marks none). A split of such a
// variable leaves every bound as it was, and boxes whose rows are not
// proven, split by relative width, would split it again and again.
const std::vector<char>& Ia_inertVariables(IaSearchContext& s) {
  if (!s.inert.empty()) return s.inert;
  s.inert.assign(s.n + 1, 1);
  s.inert[0] = 0;
  IaBox gradient(s.n + 1);
  for (int k = 0; k <= s.m; ++k) {
    Interval value;
    if (Ia_evalIvGradient(s, k, s.start.data(), &value, gradient.data()) != 0) {
      std::fill(s.inert.begin(), s.inert.end(), 0);
      return s.inert;
    }
    for (int i = 1; i <= s.n; ++i)
      if (!(gradient[i].lo == 0 && gradient[i].hi == 0)) s.inert[i] = 0;
  }
  return s.inert;
}

}  // namespace

bool Ia_objectiveTest(IaSearchContext& s, Interval* box, bool uncertain, IaBox& incumbent, double* upper,
                      IaObjectiveTest* out) {
  Interval f;
  out->gradient.assign(s.n + 1, Interval{0, 0});
  if (const int rc = Ia_evalIvGradient(s, 0, box, &f, out->gradient.data())) {
    out->gradient.clear();
    if (rc == kIaUnfeasibleArgument) {
      out->alive = false;
      return true;
    }
    return Ia_valueOnlyTest(s, box, uncertain, incumbent, upper, out);
  }
  if (f.lo == -INFINITY) {
    Ia_rangeOnlyTest(s, box, f, uncertain, incumbent, upper, out);
    return true;
  }
  // The test point p: the low side of each monotone component, else the
  // point that balances the two slopes; the correction bounds the rest.
  std::vector<double> p(s.n + 1, 0.0);
  std::vector<char> monotone(s.n + 1, 0);
  Interval correction{0, 0};
  bool collapsed = false, touches = false;
  for (int i = 1; i <= s.n; ++i) {
    const Interval& g = out->gradient[i];
    const bool up = g.lo >= 0, down = g.hi <= 0;
    if (up || down) {
      p[i] = up ? box[i].lo : box[i].hi;
      monotone[i] = 1;
      collapsed = collapsed || g.lo > 0 || g.hi < 0;
      touches = touches || Ia_touchesStart(s, i, p[i]);
      continue;
    }
    p[i] = (g.hi * box[i].lo - g.lo * box[i].hi) / (g.hi - g.lo);
    p[i] = std::min(std::max(p[i], box[i].lo), box[i].hi);
    if (Ia_isInteger(s.integer, i)) p[i] = Ia_nearestWhole(box[i], p[i]);
    correction = Ivl_add(correction, Ivl_mul(g, Ivl_subVS(box[i], p[i])));
    touches = touches || Ia_touchesStart(s, i, box[i].lo) || Ia_touchesStart(s, i, box[i].hi);
  }
  Interval fp;
  const int rc = Ia_evalAtPoint(s, 0, p.data(), &fp);
  if (Ia_failureEndsSearch(rc)) return false;
  if (rc != 0 || std::isnan(fp.lo) || std::isnan(fp.hi)) {
    out->gradient.clear();  // the slopes do not reach p: split the widest
    Ia_rangeOnlyTest(s, box, f, uncertain, incumbent, upper, out);
    return true;
  }
  out->lower = std::max(Ivl_add(fp, correction).lo, f.lo);
  if (uncertain) {
    // Some row may fail on the box: its points are no incumbents, and the
    // rows' multipliers may raise the bound over those where they hold.
    double lagrangian = 0;
    if (out->lower <= *upper && s.m >= 1 && Ia_lagrangianLower(s, box, incumbent, *upper, &lagrangian))
      out->lower = std::max(out->lower, lagrangian);
    out->alive = !(out->lower > *upper);
    return true;
  }
  // Every row holds: each monotone component shrinks to its low side.
  for (int i = 1; i <= s.n; ++i)
    if (monotone[i]) box[i] = Interval{p[i], p[i]};
  Ia_tryPoint(s, p, incumbent, upper);
  const bool interiorSlope = collapsed && !touches;
  const bool above = out->lower >= *upper && !Num_nearlyEqual(&out->lower, upper);
  out->alive = !interiorSlope && !above;
  return true;
}

bool Ia_boundBox(IaSearchContext& s, IaBox& box, IaBox& incumbent, double* upper, IaBoxBound* out) {
  out->alive = false;
  bool uncertain = false;
  // The Fritz John conditions hold at a minimiser over a continuum only.
  if (s.options.newtonAndClosing && s.options.method == IaMethodInterval && s.m >= 1 && s.integer.empty()) {
    const IaFate fate = Ia_fritzJohnStep(s, box);
    if (fate == IaFate::Dead) return true;
  }
  if (s.m >= 1) {
    const IaFate fate = Ia_contractRows(s, box, incumbent, upper, &uncertain);
    if (fate == IaFate::Failed) return false;
    if (fate == IaFate::Dead) return true;
  }
  IaObjectiveTest test;
  if (!Ia_objectiveTest(s, box.data(), uncertain, incumbent, upper, &test)) return false;
  out->alive = test.alive;
  out->lower = test.lower;
  out->unboundedBelow = test.unboundedBelow;
  if (!uncertain && !test.gradient.empty()) out->split = Ia_smearComponent(s.n, box.data(), test.gradient.data());
  else out->split = Ia_relativeWidestComponent(s.n, box.data(), s.start.data(), Ia_inertVariables(s));
  if (out->alive && !uncertain && s.options.newtonAndClosing) {
    const IaFate fate = Ia_closingStep(s, box, &out->split);
    if (fate == IaFate::Dead) out->alive = false;
  }
  return true;
}

bool Ia_tryMidpoint(IaSearchContext& s, const IaBox& box, IaBox& incumbent, double* upper) {
  std::vector<double> c;
  Ia_midpoints(s.n, box.data(), c);
  Ia_roundIntegerPoint(s.integer, box.data(), c);
  double value = 0;
  // A box narrower than the accuracy may still reach well past a row on a
  // model of small scale: its midpoint is a solution only where every row
  // holds within its tolerance.
  for (int k = 1; k <= s.m; ++k) {
    if (const int rc = Ia_evalPoint(s, k, c.data(), &value)) return !Ia_failureEndsSearch(rc);
    const double miss = Ia_isEquality(s, k) ? std::fabs(value) : value;
    if (!(miss <= s.rowTolerance[k])) return true;
  }
  // A midpoint where the objective gives no number is no incumbent.
  if (const int rc = Ia_evalPoint(s, 0, c.data(), &value)) return !Ia_failureEndsSearch(rc);
  if (value < *upper) {
    *upper = value;
    incumbent = box;
    for (int i = 1; i <= s.n; ++i)
      if (Ia_isInteger(s.integer, i)) incumbent[i] = Interval{c[i], c[i]};
  }
  return true;
}

double Ia_incumbentEnclosureLow(IaSearchContext& s, const IaBox& incumbent, double upper) {
  std::vector<double> c;
  Ia_midpoints(s.n, incumbent.data(), c);
  Interval value;
  if (Ia_evalAtPoint(s, 0, c.data(), &value) != 0) return -INFINITY;
  return value.lo - Ia_slackWorth(s, incumbent, upper);
}

IaSearchSteps Ia_boundSteps(IaSearchContext& s) {
  IaSearchSteps steps;
  steps.user = &s;
  steps.boundBox = [](void* u, IaBox& box, IaBox& incumbent, double* upper, IaBoxBound* out) {
    return Ia_boundBox(*static_cast<IaSearchContext*>(u), box, incumbent, upper, out);
  };
  steps.tryMidpoint = [](void* u, const IaBox& box, IaBox& incumbent, double* upper) {
    return Ia_tryMidpoint(*static_cast<IaSearchContext*>(u), box, incumbent, upper);
  };
  steps.incumbentEnclosureLow = [](void* u, const IaBox& incumbent, double upper) {
    return Ia_incumbentEnclosureLow(*static_cast<IaSearchContext*>(u), incumbent, upper);
  };
  return steps;
}
