// The best-first box search: bisect, bound both halves, keep the live ones
// in the sorted box list, take the box of smallest lower bound next, and stop
// on a closed gap, an empty list, a standing lower bound or the caller's stop.
#include "engines/interval/Ia_BranchBound.h"

#include <algorithm>
#include <cmath>

#include "contract/Bound_Infinity.h"

bool Ia_boxIsSmall(int n, const IaBox& box, double accuracy) {
  const int i = Ia_widestComponent(n, box.data());
  return box[i].hi - box[i].lo < accuracy;
}

namespace {

struct IaSearch {
  const IaSearchOptions& options;
  const IaSearchSteps& steps;
  int n;
  IaBoxList list;
  IaBox incumbent;
  double upper;
  IaSearchStats stats;
  bool unbounded = false;  // a live box narrower than the accuracy has no lower bound
  double spreadAt = NAN;   // the incumbent value `spread` was taken at
  double spread = 0;       // how far below it the objective's enclosure there reaches
  // The least lower bound of the live boxes set aside because no split
  // narrows them (+infinity: none).
  double settled = INFINITY;
};

// The share of the larger of the incumbent value and the lower bound that
// their gap may keep as rounding: a bound computed in doubles over a box
// about the incumbent lies some units of the last place below its value,
// and no split closes that part of the gap (an absolute accuracy of 1E-06
// on an objective of 1E+12 asks for less than one such unit).
constexpr double kIaGapRounding = 0x1p-50;

// Whether bounding left the box as it was.
bool sameBox(int n, const IaBox& a, const IaBox& b) {
  for (int i = 1; i <= n; ++i)
    if (a[i].lo != b[i].lo || a[i].hi != b[i].hi) return false;
  return true;
}

// Bounds one half and keeps it when it stays alive; false on a failure. A
// half whose chosen component does not split is split on its widest one
// that does. A half none of whose components splits holds no double between
// its corners: it is bounded again while bounding narrows it (a contraction
// rounded to whole ends may leave a point that the next one rejects), then
// its midpoint is tried and it is set aside with its bound, since splitting
// it would give it back unchanged.
bool boundHalf(IaSearch& s, IaBox& half) {
  IaBoxBound bound;
  IaBox before;
  int split = 0;
  do {
    before = half;
    if (!s.steps.boundBox(s.steps.user, half, s.incumbent, &s.upper, &bound)) return false;
    if (!bound.alive) return true;
    split = Ia_componentSplits(half[bound.split]) ? bound.split : Ia_widestSplittingComponent(s.n, half.data());
  } while (split == 0 && !sameBox(s.n, half, before));
  const bool small = split == 0 || Ia_boxIsSmall(s.n, half, s.options.accuracy);
  if (small && !s.steps.tryMidpoint(s.steps.user, half, s.incumbent, &s.upper)) return false;
  // The objective falls without end inside a box this narrow: a pole, or
  // an end of its domain it falls towards.
  s.unbounded = s.unbounded || (small && bound.unboundedBelow);
  if (split == 0) s.settled = std::min(s.settled, std::isnan(bound.lower) ? -INFINITY : bound.lower);
  else Ia_pushBox(s.list, half, bound.lower, split);
  return true;
}

void incumbentPoint(const IaSearch& s, std::vector<double>& x, double* objective) {
  x.assign(s.n + 1, 0.0);
  for (int i = 1; i <= s.n; ++i) x[i] = (s.incumbent[i].lo + s.incumbent[i].hi) * 0.5;
  *objective = s.options.maximise ? -s.upper : s.upper;
}

// How far the evaluation's own enclosure of the incumbent's value reaches
// below it: the part of the gap that no split can close (taken again only
// when the incumbent changes).
double evaluationSpread(IaSearch& s) {
  if (!s.steps.incumbentEnclosureLow || !std::isfinite(s.upper)) return 0;
  if (s.upper != s.spreadAt) {
    const double low = s.steps.incumbentEnclosureLow(s.steps.user, s.incumbent, s.upper);
    s.spread = std::isfinite(low) ? std::max(0.0, s.upper - low) : 0;
    s.spreadAt = s.upper;
  }
  return s.spread;
}

// The gap between the incumbent and the lower bound less the evaluation's
// spread, the part of it that no split can close.
double unclosedGap(IaSearch& s, double lower) {
  return std::max(0.0, std::fabs(s.upper - lower) - evaluationSpread(s));
}

// The absolute gap that counts as closed: the accuracy, or between finite
// values their rounding where it is wider. The rounding is a floor, not a
// margin added to the accuracy: a gap a few units past an accuracy wider
// than the rounding stays open, lest an optimum one accuracy below the
// incumbent (a whole step of an integer model's objective) be given up.
double closedWithin(const IaSearchOptions& o, double upper, double lower) {
  const double scale = std::max(std::fabs(upper), std::fabs(lower));
  return std::isfinite(scale) ? std::max(o.accuracy, kIaGapRounding * scale) : o.accuracy;
}

// The stopping test on the gap d between the incumbent and the lower bound.
bool gapClosed(const IaSearchOptions& o, double upper, double lower, double d) {
  const double within = closedWithin(o, upper, lower);
  if (o.absoluteGapOnly || d <= within) return d <= within;
  return d / ((std::fabs(lower) + std::fabs(upper)) * 0.5) <= o.accuracy;
}

int searchLoop(IaSearch& s, const IaBox& start, std::vector<double>& x, double* objective) {
  IaBox boxX = start, boxY;
  int split = Ia_widestComponent(s.n, boxX.data());
  double lower = INFINITY, checkedLower = INFINITY;
  double checkedAt = s.steps.clockSeconds(s.steps.user);
  for (;;) {
    Ia_splitBox(s.options.integer, split, boxX, boxY);
    ++s.stats.bisections;
    if (!boundHalf(s, boxX) || !boundHalf(s, boxY)) return IaSearchEvalFailed;
    ++s.stats.iterations;
    // A value past the library's infinity counts as no lower end too.
    if (s.unbounded || s.upper <= -kBoundInfinity) return IaSearchUnbounded;
    incumbentPoint(s, x, objective);
    if (s.steps.reportIteration(s.steps.user, s.stats.iterations, x, *objective))
      return IaSearchStopped;
    const bool open = Ia_popBox(s.list, boxX, &lower, &split);
    // A box set aside is dead once its bound lies above the incumbent.
    const double settled = s.settled > s.upper ? INFINITY : s.settled;
    if (!open && settled == INFINITY)
      return s.upper == INFINITY ? IaSearchEmptyNoIncumbent : IaSearchEmptyWithIncumbent;
    // Only boxes set aside are left, none of whose midpoints was a point.
    if (!open && s.upper == INFINITY) return IaSearchNoProgress;
    lower = open ? std::min(lower, settled) : settled;
    const double now = s.steps.clockSeconds(s.steps.user);
    if (open && now - checkedAt > s.options.noProgressSeconds) {
      if (lower == checkedLower) return IaSearchNoProgress;
      checkedLower = lower;
      checkedAt = now;
    }
    const double d = unclosedGap(s, lower);
    if (open && !gapClosed(s.options, s.upper, lower, d)) continue;
    const bool wideBox = !Ia_boxIsSmall(s.n, s.incumbent, s.options.accuracy);
    return d > closedWithin(s.options, s.upper, lower) || wideBox ? IaSearchWide : IaSearchGapClosed;
  }
}

}  // namespace

bool Ia_boxBranchAndBound(const IaSearchOptions& options, const IaSearchSteps& steps,
                          const IaBox& start, std::vector<double>& x, double* objective,
                          IaSearchStats* stats) {
  const int n = static_cast<int>(start.size()) - 1;
  IaSearch s{options, steps, n, {}, IaBox(n + 1), options.maximise ? -*objective : *objective, {}};
  for (int i = 1; i <= n; ++i) s.incumbent[i] = Interval{x[i], x[i]};
  s.stats.result = searchLoop(s, start, x, objective);
  *stats = s.stats;
  return s.stats.result == IaSearchGapClosed;
}
