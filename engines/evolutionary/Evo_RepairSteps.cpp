// Integer step search of the evolutionary engine's repair: moves one integer
// linear variable by one unit per round toward meeting a violated linear
// row, choosing the move that most lowers the estimated total excess, with a
// short history against undoing recent moves and some random moves.
#include <algorithm>
#include <cmath>

#include "base/Dbl_Whole.h"
#include "engines/evolutionary/Evo_Repair.h"
#include "engines/search/Walk_History.h"

namespace {

struct Move {
  int k = 0;        // position in the linear-variable list
  int value = 0;    // new value, truncated to an integer
  double estimate = 0.0;
  double size = 0.0;  // |coefficient| in the picked row
};

// Excess of a row value beyond its bounds (0 inside them, with precision).
double excess(const EvoRecord& rec, int i, double v) {
  if (v + rec.settings.precision < rec.rowLower[i]) return v - rec.rowLower[i];
  if (v - rec.settings.precision > rec.rowUpper[i]) return v - rec.rowUpper[i];
  return 0.0;
}

bool stepApplies(const EvoRecord& rec) {
  bool integerLinear = false;
  for (int k = 0; k < rec.linear.linearVars; ++k) {
    const int t = rec.types[rec.linear.linearVarList[k] - 1];
    integerLinear = integerLinear || t == 1 || t == 2;
  }
  if (!integerLinear) return false;
  for (int j = 0; j < rec.n; ++j)
    if (rec.types[j] != 0 && rec.trial[j] - std::floor(rec.trial[j]) > rec.settings.precision)
      return false;
  return true;
}

// Estimated total absolute excess after moving variable k to `value`.
double estimate(const EvoRecord& rec, const std::vector<double>& rows, int k, double delta) {
  double total = 0.0;
  for (int r = 0; r < rec.linear.linearRows; ++r) {
    const int i = rec.linear.linearRowList[r] - 1;
    const double a = rec.linear.tableau[r + 1][k + 1];
    total += std::fabs(excess(rec, i, rows[i] + a * delta));
  }
  return total;
}

WalkMove walkMove(const Move& m) { return WalkMove{m.k, static_cast<double>(m.value)}; }

}  // namespace

int Evo_integerStepSearch(EvoRecord& rec, double* trial) {
  if (rec.types.empty()) return 0;
  if (rec.linear.linearRows == 0 || rec.linear.linearVars == 0 || rec.linear.tableau.empty())
    return EvoRejected;
  rec.trial.assign(trial, trial + rec.n);
  if (!stepApplies(rec)) return EvoRejected;
  ++rec.stats.stepAttempts;
  std::vector<double> w(trial, trial + rec.n), rows(rec.m + 1);
  std::vector<WalkMove> history;  // one entry per round
  for (int round = 0; round < rec.linear.linearRows; ++round) {
    ++rec.stats.evaluations;
    if (!Evo_evaluate(rec, w.data(), rows.data())) return EvoRejected;
    std::vector<int> violated;
    double total = 0.0;
    for (int r = 0; r < rec.linear.linearRows; ++r) {
      const double e =
          excess(rec, rec.linear.linearRowList[r] - 1, rows[rec.linear.linearRowList[r] - 1]);
      if (e != 0.0) violated.push_back(r), total += std::fabs(e);
    }
    if (violated.empty()) {
      std::copy(w.begin(), w.end(), trial);
      ++rec.stats.stepSuccesses;
      return 0;
    }
    const int c = static_cast<int>(violated.size());
    const int p = violated[std::min(c, static_cast<int>(Rnd_uniform(rec.rng) * c) + 1) - 1];
    const double ep =
        excess(rec, rec.linear.linearRowList[p] - 1, rows[rec.linear.linearRowList[p] - 1]);
    std::vector<Move> candidates;
    int best = -1, largest = -1;
    for (int k = 0; k < rec.linear.linearVars; ++k) {
      const int j = rec.linear.linearVarList[k] - 1;
      const double a = rec.linear.tableau[p + 1][k + 1];
      if ((rec.types[j] != 1 && rec.types[j] != 2) || a == 0.0) continue;
      const bool up = (ep < 0.0 && a > 0.0) || (ep > 0.0 && a < 0.0);
      const double value = w[j] + (up ? 1.0 : -1.0) / rec.varScale[j];
      if (up ? value - rec.settings.precision > rec.upper[j]
             : value + rec.settings.precision < rec.lower[j])
        continue;
      int whole = 0;
      if (!Dbl_toWhole(value, &whole)) continue;  // NaN or past int's range: no integer move
      Move m{k, whole, estimate(rec, rows, k, value - w[j]), std::fabs(a)};
      const bool better = best < 0 || m.estimate < candidates[best].estimate;
      if (!better && Walk_recent(history, walkMove(m), std::min(rec.settings.stepHistory, round)))
        continue;
      candidates.push_back(m);
      const int at = static_cast<int>(candidates.size()) - 1;
      if (better || (m.estimate == candidates[best].estimate &&
                     Walk_tieReplacesBest(history, walkMove(m), walkMove(candidates[best]))))
        best = at;
      if (largest < 0 || m.size > candidates[largest].size) largest = at;
    }
    if (candidates.empty()) {
      history.push_back(WalkMove{});
      continue;
    }
    int made = largest;
    if (candidates[best].estimate < total)
      made = best;
    else if (Rnd_uniform(rec.rng) < rec.settings.stepNoise)
      made = static_cast<int>(Rnd_uniform(rec.rng) * static_cast<double>(candidates.size()));
    const Move& m = candidates[made];
    w[rec.linear.linearVarList[m.k] - 1] = m.value;
    history.push_back(walkMove(m));
  }
  return EvoRejected;
}
