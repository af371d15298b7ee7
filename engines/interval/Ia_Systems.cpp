// The all-solutions search (a depth-first bisection: halves that may hold a
// solution are contracted by the equations and either split again or, once
// narrow enough, recorded) and the growth of a proven-feasible box.
#include "engines/interval/Ia_Systems.h"

#include <algorithm>

#include "arithmetic/interval/Ivl_Arith.h"
#include "engines/interval/Ia_Contract.h"
#include "engines/interval/Ia_Newton.h"
#include "engines/interval/Ia_Relax.h"

namespace {

double Ia_width(const Interval& x) { return x.hi - x.lo; }

// One half of the all-solutions search: contraction, then the split choice
// and whether the half is small. `unverified`: some gradient failed.
struct IaHalf {
  IaFate fate = IaFate::Alive;
  bool unverified = false;
  int split = 1;
  std::vector<Interval> values;
};

IaHalf Ia_contractHalf(IaSearchContext& s, IaBox& half) {
  IaHalf h;
  h.values.assign(s.m + 1, Ivl_whole());
  std::vector<IaBox> slopes(s.m + 1);
  std::fill(s.proven.begin(), s.proven.end(), 0);
  h.fate = Ia_propagateConstraints(s, half.data());
  if (h.fate == IaFate::Alive && s.options.newtonAndClosing)
    h.fate = s.options.method == IaMethodAffine ? Ia_affineNewton(s, half.data(), h.values.data())
                                                : Ia_krawczykEquations(s, half.data());
  if (h.fate == IaFate::Alive && s.options.method == IaMethodAffine) {
    std::vector<IaAffineForm> stored;
    if (s.options.lpRelaxation) {
      IaRelaxation lp = Ia_lpRelaxation(s, half.data(), nullptr);
      h.fate = lp.fate;
      stored = std::move(lp.forms);
    }
    if (h.fate == IaFate::Alive)
      h.fate = Ia_contractAffine(s, half.data(), h.values.data(), stored, &slopes, &h.unverified);
  } else if (h.fate == IaFate::Alive) {
    h.fate = Ia_contractInterval(s, half.data(), h.values.data(), &slopes, &h.unverified);
  }
  // A row whose range over the half is not bounded (a pole may lie in it)
  // proves no solution there.
  for (int k = 1; k <= s.m; ++k) h.unverified = h.unverified || !Ivl_isFinite(h.values[k]);
  // A component narrower than the accuracy is not split again: an unbounded
  // slope would otherwise keep choosing it down to no width at all.
  h.split = h.unverified ? Ia_widestComponent(s.n, half.data())
                         : Ia_splittableSmearComponent(s.n, half.data(), slopes, s.options.accuracy);
  return h;
}

// Small: to be recorded (or dropped) instead of split; so is a half that has
// no component left to split.
bool Ia_halfIsSmall(const IaSearchContext& s, const IaBox& half, const IaHalf& h) {
  const double acc = s.options.accuracy;
  if (h.split == 0 || Ia_boxIsSmall(s.n, half, acc)) return true;
  if (h.unverified) return false;
  for (int k = 1; k <= s.m; ++k)
    if (!(Ia_width(h.values[k]) < acc)) return false;
  return true;
}

void Ia_midpointOf(int n, const IaBox& box, std::vector<double>& x) {
  x.assign(n + 1, 0.0);
  for (int i = 1; i <= n; ++i) x[i] = 0.5 * box[i].lo + 0.5 * box[i].hi;
}

void Ia_copyCounts(const IaSearchContext& s, IaSearchStats* stats) {
  stats->values = s.counts.values;
  stats->gradients = s.counts.gradients;
  stats->hessians = s.counts.hessians;
  stats->newton = s.counts.newton;
}

}  // namespace

int Ia_allSolutionsSearch(IaSearchContext& s, const IaSystemSteps& steps, IaBoxList& solutions, std::vector<double>& x,
                          IaSearchStats* stats) {
  stats->result = IaSearchGapClosed;
  if (s.model->problemClass != IaClassEquations) return stats->result = IaSearchWrongClass;
  IaBoxList open;
  IaBox work = s.start;
  int split = Ia_widestComponent(s.n, work.data());
  for (;;) {
    IaBox upperHalf = work;
    const double mid = 0.5 * work[split].lo + 0.5 * work[split].hi;
    work[split].hi = mid;
    upperHalf[split].lo = mid;
    for (IaBox* half : {&work, &upperHalf}) {
      ++stats->bisections;
      const IaHalf h = Ia_contractHalf(s, *half);
      if (h.fate == IaFate::Failed) {
        Ia_copyCounts(s, stats);
        return stats->result = IaSearchEvalFailed;
      }
      if (h.fate == IaFate::Dead) continue;
      if (!Ia_halfIsSmall(s, *half, h)) Ia_pushBox(open, *half, 0.0, h.split);
      else if (!h.unverified) Ia_recordSolution(solutions, *half, 0.0, s.options.accuracy, s.options.resolution);
    }
    double lower = 0;
    const bool more = Ia_popBox(open, work, &lower, &split);
    ++stats->iterations;
    if (!solutions.nodes.empty()) Ia_midpointOf(s.n, solutions.nodes.front().box, x);
    if (steps.reportIteration(steps.user, stats->iterations, x)) {
      stats->result = IaSearchStopped;
      break;
    }
    if (!more) break;
  }
  // Every box discarded without a solution recorded: only the final local
  // run can still find one.
  if (stats->result == IaSearchGapClosed && solutions.nodes.empty()) stats->result = IaSearchEmptyNoIncumbent;
  Ia_copyCounts(s, stats);
  return stats->result;
}

bool Ia_proveBox(IaSearchContext& s, const IaBox& box, IaBox* last, bool* failed, IaSearchStats* stats) {
  IaBoxList pending;
  *last = box;
  for (;;) {
    const int widest = Ia_widestComponent(s.n, last->data());
    if (Ia_width((*last)[widest]) < s.options.accuracy) return false;
    bool proven = true;
    for (int k = 1; k <= s.m && proven; ++k) {
      if (Ia_isEquality(s, k)) return false;
      Interval value;
      if (Ia_evalBox(s, k, last->data(), &value) != 0) {
        *failed = true;
        return false;
      }
      proven = value.hi <= 0;
    }
    if (proven) {
      double lower = 0;
      int split = 0;
      if (!Ia_popBox(pending, *last, &lower, &split)) return true;
      continue;
    }
    IaBox upperHalf = *last;
    const double mid = 0.5 * (*last)[widest].lo + 0.5 * (*last)[widest].hi;
    (*last)[widest].hi = mid;
    upperHalf[widest].lo = mid;
    Ia_pushBox(pending, upperHalf, 0.0, widest);
    ++stats->bisections;
  }
}

int Ia_growFeasibleBox(IaSearchContext& s, const IaSystemSteps& steps, IaBox& grown, std::vector<double>& x,
                       IaSearchStats* stats) {
  stats->result = IaSearchGapClosed;
  if (s.model->problemClass != IaClassInequalities) return stats->result = IaSearchWrongClass;
  std::vector<double> lowerStep(s.n + 1, 0.1), upperStep(s.n + 1, 0.1);
  bool anyFailed = false;
  for (;;) {
    bool failed = false;
    for (int i = 1; i <= s.n && !failed; ++i) {
      for (int side = 0; side < 2 && !failed; ++side) {
        double& step = side == 0 ? lowerStep[i] : upperStep[i];
        IaBox trial = grown, last;
        if (side == 0) {
          trial[i] = Interval{grown[i].lo - step, grown[i].lo};
          if (trial[i].lo < s.start[i].lo) trial[i].lo = s.start[i].lo, step = 0;
        } else {
          trial[i] = Interval{grown[i].hi, grown[i].hi + step};
          if (trial[i].hi > s.start[i].hi) trial[i].hi = s.start[i].hi, step = 0;
        }
        if (Ia_width(trial[i]) <= 0) continue;  // X already reaches the start box's end
        if (Ia_proveBox(s, trial, &last, &failed, stats)) {
          grown[i] = Ivl_hull(grown[i], trial[i]);
        } else if (failed) {
          step *= 0.5;  // keeps the passes finite while an evaluation keeps failing
        } else {
          // Also after a trial clamped at the start box's end: the next trial
          // halves the distance to where the proof failed.
          step = 0.5 * (side == 0 ? grown[i].lo - last[i].hi : last[i].lo - grown[i].hi);
        }
      }
    }
    anyFailed = anyFailed || failed;
    ++stats->iterations;
    Ia_midpointOf(s.n, grown, x);
    if (steps.reportIteration(steps.user, stats->iterations, x)) {
      stats->result = IaSearchStopped;
      break;
    }
    bool moving = false;
    for (int i = 1; i <= s.n; ++i)
      moving = moving || lowerStep[i] > s.options.accuracy || upperStep[i] > s.options.accuracy;
    if (!moving) {
      stats->result = anyFailed ? IaSearchEvalFailed : IaSearchGapClosed;
      break;
    }
  }
  Ia_copyCounts(s, stats);
  return stats->result;
}
