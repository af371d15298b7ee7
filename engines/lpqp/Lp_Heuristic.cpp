// Rounding heuristic of the LP/quadratic engine: the relaxation's integer
// variables are rounded at random by their fractional parts, then a walk
// moves one integer variable by one step at a time, preferring the move
// that reduces the total row violation most, with a short tabu list, a
// memory of moves and random moves against cycling.
#include <cmath>
#include <cstdint>
#include <vector>

#include "engines/lpqp/Lp_Engine.h"
#include "engines/search/Walk_History.h"
#include "platform/os/Os.h"

namespace {

struct Move {
  int var = 0;
  double value = 0;    // the variable's new value
  double coef = 0;     // its coefficient in the chosen row
  double total = 0;    // total violation after the move
};

// The walk's unscaled view of the model.
struct Walk {
  LpRecord& lp;
  const std::int32_t* flags;
  std::vector<double> x, lo, up, rowLo, rowUp, values, violation;
  std::vector<WalkMove> history;
  double total = 0;
};

double coefficient(const LpRecord& lp, int i, int j) {
  const double a = lp.pristine.row(i)[j];
  if (a == 0) return 0;
  const int r = lp.scaling.rowExp.empty() ? 0 : lp.scaling.rowExp[i];
  const int c = lp.scaling.colExp.empty() ? 0 : lp.scaling.colExp[j];
  return std::ldexp(a, r - c);
}

double violation(const Walk& w, int i, double value) {
  const double tol = w.lp.precision;
  if (value > w.rowUp[i] + tol) return value - w.rowUp[i];
  if (value < w.rowLo[i] - tol) return value - w.rowLo[i];
  return 0.0;
}

// Violations of every model row at the evaluated values; their total.
void measure(Walk& w) {
  w.total = 0;
  for (int i = 1; i <= w.lp.modelRows; ++i) {
    w.violation[i] = violation(w, i, w.values[i]);
    w.total += std::fabs(w.violation[i]);
  }
}

// Total violation after moving variable j by `step`, rows updated linearly.
double totalAfter(const Walk& w, int j, double step) {
  double total = w.total;
  for (int i = 1; i <= w.lp.modelRows; ++i) {
    const double a = coefficient(w.lp, i, j);
    if (a == 0) continue;
    total += std::fabs(violation(w, i, w.values[i] + a * step)) - std::fabs(w.violation[i]);
  }
  return total;
}

// One step of the walk on violated row r; false when no move was possible.
bool walkStep(Walk& w, int r) {
  LpRecord& lp = w.lp;
  const double v = w.violation[r];
  std::vector<Move> candidates;
  Move best;
  bool haveBest = false;
  int steepest = -1;
  for (int j = 1; j <= lp.n; ++j) {
    const double a = coefficient(lp, r, j);
    if (w.flags[j - 1] == 0 || a == 0) continue;
    const double step = ((v >= 0 && a > 0) || (v <= 0 && a < 0)) ? -1.0 : 1.0;
    const Move m{j, w.x[j] + step, a, totalAfter(w, j, step)};
    if (m.value < w.lo[j] || m.value > w.up[j]) continue;
    if (!haveBest || m.total < best.total) {
      best = m;
      haveBest = true;
    } else if (Walk_recent(w.history, {m.var, m.value}, 2)) {
      continue;
    } else if (m.total == best.total &&
               Walk_tieReplacesBest(w.history, {m.var, m.value}, {best.var, best.value})) {
      best = m;
    }
    candidates.push_back(m);
    if (steepest < 0 || std::fabs(a) > std::fabs(candidates[steepest].coef))
      steepest = static_cast<int>(candidates.size()) - 1;
  }
  if (candidates.empty()) return false;
  Move chosen = best;
  if (!(best.total < w.total)) {
    const double u = Rnd_uniform(lp.rng);
    if (u <= 0.2) {
      const std::size_t pick = static_cast<std::size_t>(candidates.size() * Rnd_uniform(lp.rng));
      chosen = candidates[pick < candidates.size() ? pick : candidates.size() - 1];
    } else {
      chosen = candidates[steepest];
    }
  }
  w.x[chosen.var] = chosen.value;
  w.history.push_back({chosen.var, chosen.value});
  return true;
}

// The row to repair: a violated row drawn uniformly.
int pickViolated(Walk& w) {
  std::vector<int> violated;
  for (int i = 1; i <= w.lp.modelRows; ++i)
    if (w.violation[i] != 0) violated.push_back(i);
  std::size_t k = static_cast<std::size_t>(violated.size() * Rnd_uniform(w.lp.rng));
  if (k >= violated.size()) k = violated.size() - 1;
  return violated[k];
}

void roundStart(Walk& w) {
  LpRecord& lp = w.lp;
  for (int j = 1; j <= lp.n; ++j) {
    if (w.flags[j - 1] == 0) continue;
    const double f = Lp_frac(w.x[j]);
    if (f < lp.precision) {
      w.x[j] = std::floor(w.x[j] + 0.5);
      continue;
    }
    w.x[j] = Rnd_uniform(lp.rng) <= f ? std::ceil(w.x[j]) : std::floor(w.x[j]);
  }
}

}  // namespace

bool Lp_roundingHeuristic(LpRecord& lp, const std::int32_t* flags, int seed, LpEvaluateFn evaluate,
                          void* context, double& objective) {
  const std::int32_t start = seed > 0 ? seed : static_cast<std::int32_t>(Os_tickCount() & 0x7fffffff);
  Rnd_seed(lp.rng, start);
  Walk w{lp, flags, lp.x, lp.lower, lp.upper, lp.rowLower, lp.rowUpper, {}, {}, {}, 0};
  for (auto* v : {&w.x, &w.lo, &w.up}) Lp_unscaleVariables(lp.scaling, v->data());
  for (auto* v : {&w.rowLo, &w.rowUp}) Lp_unscaleRows(lp.scaling, v->data());
  w.values.assign(static_cast<std::size_t>(lp.modelRows) + 2, 0.0);
  w.violation.assign(w.values.size(), 0.0);
  roundStart(w);
  for (int iteration = 0; iteration <= lp.modelRows; ++iteration) {
    if (!evaluate(context, w.x.data(), w.values.data())) return false;
    measure(w);
    if (w.total == 0) {
      objective = w.values[static_cast<std::size_t>(lp.modelRows) + 1];
      lp.x = w.x;
      Lp_scaleVariables(lp.scaling, lp.x.data());
      return true;
    }
    if (iteration < lp.modelRows) walkStep(w, pickViolated(w));
  }
  return false;
}
