// Contraction of a box by its rows. Each step runs at most the configured
// number of passes; the first pass visits every row and later ones only the
// rows whose last contraction narrowed some component by a good share of the
// widest width.
#include "engines/interval/Ia_Contract.h"

#include <algorithm>
#include <cmath>

#include "arithmetic/interval/Ivl_Arith.h"
#include "arithmetic/numeric/Num_Scalar.h"

namespace {

// Sound end points of -(t / g): the lower end rounded down, the upper up.
double Ia_negQuotientDown(double t, double g) { return -Ivl_div(Ivl_setConst(t), Ivl_setConst(g)).hi; }
double Ia_negQuotientUp(double t, double g) { return -Ivl_div(Ivl_setConst(t), Ivl_setConst(g)).lo; }

IntervalPair Ia_onePiece(const Interval& x) { return IntervalPair{x, Interval{0, 0}, 0, 0}; }

bool Ia_isNone(const Interval& x) { return x.lo == 0.0 && x.hi == 0.0; }

// Box component i cut to the pieces (shifted by c); false when none meets it.
bool Ia_cutComponent(const IntervalPair& pieces, double c, Interval* x) {
  Interval hull{NAN, NAN};
  for (const Interval* piece : {&pieces.first, &pieces.second}) {
    if (Ia_isNone(*piece)) continue;
    const Interval cut = Ivl_intersect(Ivl_addSV(c, *piece), *x);
    if (Ivl_isEmpty(cut)) continue;
    hull = Ivl_isEmpty(hull) ? cut : Ivl_hull(hull, cut);
  }
  if (Ivl_isEmpty(hull)) return false;
  *x = hull;
  return true;
}

// Whether the row made progress on the box: the largest decrease of a
// component's width is above (n + 47) / (5n + 88) of the largest old width.
bool Ia_madeProgress(int n, const std::vector<double>& oldWidths, const Interval* box) {
  double widest = 0, decrease = 0;
  for (int i = 1; i <= n; ++i) {
    widest = std::max(widest, oldWidths[i]);
    decrease = std::max(decrease, oldWidths[i] - (box[i].hi - box[i].lo));
  }
  const double share = static_cast<double>(n + 47) / (5.0 * n + 88.0);
  return decrease > widest * share && !Num_nearlyEqual(&decrease, &widest);
}

// Runs the passes: `row(k, pass)` contracts the box on row k.
template <typename Row>
IaFate Ia_passes(IaSearchContext& s, Interval* box, Row row) {
  std::vector<char> active(s.m + 1, 1);
  std::vector<double> widths(s.n + 1, 0.0);
  for (int pass = 0; pass < s.options.contractionPasses; ++pass) {
    bool any = false;
    for (int k = 1; k <= s.m; ++k) {
      if (!active[k]) continue;
      for (int i = 1; i <= s.n; ++i) widths[i] = box[i].hi - box[i].lo;
      const IaFate fate = row(k, pass);
      if (fate != IaFate::Alive) return fate;
      if (!Ia_roundIntegerBox(s.integer, s.options.precision, box)) return IaFate::Dead;
      active[k] = Ia_madeProgress(s.n, widths, box);
      any = any || active[k];
    }
    if (!any) break;
  }
  return IaFate::Alive;
}

}  // namespace

IaFate Ia_evalTrouble(int rc, bool* trouble) {
  return rc == kIaUnfeasibleArgument ? IaFate::Dead : Ia_pointTrouble(rc, trouble);
}

IaFate Ia_pointTrouble(int rc, bool* trouble) {
  if (Ia_failureEndsSearch(rc)) return IaFate::Failed;
  *trouble = true;
  return IaFate::Alive;
}

IntervalPair Ia_solveOffsets(const Interval& t, const Interval& g) {
  const double lo = t.lo;
  if (lo > 0) {
    if (g.lo == 0 && g.hi == 0) return Ia_onePiece(Interval{0, 0});
    if (g.lo < 0 && g.hi <= 0) return Ia_onePiece(Interval{Ia_negQuotientDown(lo, g.lo), INFINITY});
    if (g.lo >= 0 && g.hi > 0) return Ia_onePiece(Interval{-INFINITY, Ia_negQuotientUp(lo, g.hi)});
    return IntervalPair{Interval{-INFINITY, Ia_negQuotientUp(lo, g.hi)},
                        Interval{Ia_negQuotientDown(lo, g.lo), INFINITY}, 0, 0};
  }
  if (g.hi < 0) return Ia_onePiece(Interval{Ia_negQuotientDown(lo, g.hi), INFINITY});
  if (g.lo > 0) return Ia_onePiece(Interval{-INFINITY, Ia_negQuotientUp(lo, g.lo)});
  return Ia_onePiece(Ivl_whole());
}

bool Ia_contractLinear(int n, const Interval& base, const Interval* slope, const double* c, Interval* box,
                       bool equality, double slack) {
  // The row within its slack: base + t with t in [-slack, slack] = 0 for an
  // equality, base - slack <= 0 for an inequality.
  Interval whole = Ivl_add(base, Interval{-slack, equality ? slack : -slack});
  for (int j = 1; j <= n; ++j) whole = Ivl_add(whole, Ivl_mul(slope[j], Ivl_subVS(box[j], c[j])));
  if (!Ivl_isFinite(whole)) return true;
  for (int i = 1; i <= n; ++i) {
    const Interval& g = slope[i];
    if (g.lo == 0 && g.hi == 0) continue;
    // The rest of the enclosure: what remains of it without component i.
    const Interval rest = Ivl_subInner(whole, Ivl_mul(g, Ivl_subVS(box[i], c[i])));
    if (equality) {
      const IntervalPair q = Ivl_addSVPair(c[i], Ivl_divExtended(Ivl_neg(rest), g));
      if (!Ivl_pairIntersects(q, box[i])) return false;
      box[i] = Ivl_hullPair(Ivl_intersectPair(q, box[i]));
    } else if (!Ia_cutComponent(Ia_solveOffsets(rest, g), c[i], &box[i])) {
      return false;
    }
  }
  return true;
}

bool Ia_rowFeasible(IaSearchContext& s, int k, const Interval& value) {
  if (Ivl_isEmpty(value)) return false;
  const double slack = Ia_rowSlack(s, k);
  if (Ia_isEquality(s, k)) return !(value.lo > slack || value.hi < -slack);
  if (value.lo > slack) return false;
  if (value.hi <= 0) s.proven[k] = 1;
  return true;
}

IaFate Ia_propagateConstraints(IaSearchContext& s, Interval* box) {
  if (!s.model->propagate) return IaFate::Alive;
  bool trouble = false;
  IaBox before;
  return Ia_passes(s, box, [&](int k, int) {
    Interval range;
    before.assign(box, box + s.n + 1);
    if (const int rc = Ia_evalPropagate(s, k, box, &range)) return Ia_evalTrouble(rc, &trouble);
    if (!Ia_rowFeasible(s, k, range)) return IaFate::Dead;
    for (int i = 1; i <= s.n; ++i)
      if (Ivl_isEmpty(box[i]) || box[i].lo > box[i].hi) {
        if (Ia_rowSlack(s, k) == 0) return IaFate::Dead;
        std::copy(before.begin(), before.end(), box);
        break;
      }
    return IaFate::Alive;
  });
}

IaFate Ia_contractInterval(IaSearchContext& s, Interval* box, Interval* values, std::vector<IaBox>* slopes,
                           bool* trouble) {
  IaBox gradient(s.n + 1, Interval{0, 0});
  std::vector<double> c;
  return Ia_passes(s, box, [&](int k, int) {
    Interval value;
    if (const int rc = Ia_evalIvGradient(s, k, box, &value, gradient.data())) return Ia_evalTrouble(rc, trouble);
    Ia_midpoints(s.n, box, c);
    Interval atMid;
    if (const int rc = Ia_evalAtPoint(s, k, c.data(), &atMid)) return Ia_pointTrouble(rc, trouble);
    if (slopes) (*slopes)[k] = gradient;
    Interval mean = atMid;
    for (int i = 1; i <= s.n; ++i) mean = Ivl_add(mean, Ivl_mul(gradient[i], Ivl_subVS(box[i], c[i])));
    values[k] = Ivl_intersect(Ivl_intersect(values[k], value), mean);
    if (!Ia_rowFeasible(s, k, values[k])) return IaFate::Dead;
    const bool kept =
        Ia_contractLinear(s.n, atMid, gradient.data(), c.data(), box, Ia_isEquality(s, k), Ia_rowSlack(s, k));
    return kept ? IaFate::Alive : IaFate::Dead;
  });
}

IaFate Ia_contractAffine(IaSearchContext& s, Interval* box, Interval* values, const std::vector<IaAffineForm>& stored,
                         std::vector<IaBox>* slopes, bool* trouble) {
  IaAffineForm fresh;
  IaBox slope(s.n + 1, Interval{0, 0});
  return Ia_passes(s, box, [&](int k, int pass) {
    const bool useStored = pass == 0 && static_cast<int>(stored.size()) > k;
    if (!useStored)
      if (const int rc = Ia_evalAffine(s, k, box, &fresh)) return Ia_evalTrouble(rc, trouble);
    const IaAffineForm& form = useStored ? stored[k] : fresh;
    const bool bounded = Ia_formBounded(form, s.n);
    for (int i = 1; i <= s.n; ++i)
      slope[i] = std::isfinite(form.coef[i]) ? Interval{form.coef[i], form.coef[i]} : Ivl_whole();
    if (slopes) (*slopes)[k] = slope;
    values[k] = Ivl_intersect(values[k], Ia_affineRange(form, box, s.n));
    if (!Ia_rowFeasible(s, k, values[k])) return IaFate::Dead;
    if (!bounded) return IaFate::Alive;  // no linear part to contract by
    const Interval base = Ivl_setMidRad(form.centre, form.radius);
    const bool kept =
        Ia_contractLinear(s.n, base, slope.data(), form.mid.data(), box, Ia_isEquality(s, k), Ia_rowSlack(s, k));
    return kept ? IaFate::Alive : IaFate::Dead;
  });
}
