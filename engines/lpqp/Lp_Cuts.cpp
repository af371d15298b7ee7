// Cut passes of the LP/quadratic engine for integer models: cover cuts from
// knapsack rows over binaries, appended to the model and re-solved cold, and
// Gomory mixed-integer cuts read off the optimal tableau, appended to it and
// re-optimised by the dual warm start. Cuts are derived in unscaled values;
// a round whose re-solve fails is taken back, so the last solution stands.
#include <algorithm>
#include <cmath>
#include <memory>

#include "engines/lpqp/Lp_Engine.h"

namespace {

constexpr double kItemTiny = 1e-12;  // smaller coefficients are no items
constexpr double kDpCells = 5e7;     // largest knapsack table

int rowExponent(const LpRecord& lp, int i) {
  return lp.scaling.rowExp.empty() ? 0 : lp.scaling.rowExp[i];
}

// Exponent of variable v: a structural's column exponent, a slack's row exponent.
int varExponent(const LpRecord& lp, int v) {
  if (v > lp.n) return rowExponent(lp, v - lp.n);
  return lp.scaling.colExp.empty() ? 0 : lp.scaling.colExp[v];
}

double unscaledVar(const LpRecord& lp, int j, double v) {
  return std::fabs(v) >= kBoundInfinity ? v : std::ldexp(v, varExponent(lp, j));
}

bool isIntegral(double v, double precision) { return Lp_frac(v) < precision; }

// ---- cover cuts ----

struct CoverItem {
  int var;
  bool complemented;
  int weight;
  double value;
};

// The knapsack of row i in unscaled values: items and integral capacity.
// False when the row gives no knapsack.
bool knapsackRow(const LpRecord& lp, int i, const std::int32_t* flags,
                 std::vector<CoverItem>& items, double& capacity) {
  const double* a = lp.pristine.row(i);
  const char type = lp.pristineTypes[i].type;
  const double b = a[0];
  const double sign = (type == '<' && b > 0) ? 1.0 : (type == '>' && b < 0) ? -1.0 : 0.0;
  if (sign == 0 || !isIntegral(b, lp.precision)) return false;
  items.clear();
  capacity = sign * b;
  for (int j = 1; j <= lp.n; ++j) {
    const double c = sign * a[j];
    if (c == 0) continue;
    const double lo = unscaledVar(lp, j, lp.lower[j]), up = unscaledVar(lp, j, lp.upper[j]);
    const double x = unscaledVar(lp, j, lp.x[j]);
    const bool binary = flags[j - 1] != 0 && lo == 0 && up == 1;
    const long w = std::lround(std::fabs(c));
    if (binary && std::fabs(c) >= kItemTiny && isIntegral(std::fabs(c), lp.precision) && w > 0) {
      const bool complemented = c < 0;
      if (complemented) capacity += static_cast<double>(w);
      items.push_back({j, complemented, static_cast<int>(w), complemented ? x : 1 - x});
      continue;
    }
    // Any other variable takes the least room it can: the cut stays valid.
    const double least = c > 0 ? lo : up;
    if (std::fabs(least) >= kBoundInfinity) return false;
    capacity -= c * least;
  }
  capacity = std::floor(capacity + lp.precision);
  return !items.empty();
}

// Writes the cover of `items` (selection 1) as the next cover row.
void appendCover(LpRecord& lp, const std::vector<CoverItem>& items,
                 const std::vector<int>& selection) {
  const int i = Lp_rowsInUse(lp) + 1;
  double* row = lp.pristine.row(i);
  std::fill(row, row + lp.n + 1, 0.0);
  int uncomplemented = 0;
  for (std::size_t k = 0; k < items.size(); ++k) {
    if (selection[k] != 1) continue;
    row[items[k].var] = items[k].complemented ? -1.0 : 1.0;
    uncomplemented += items[k].complemented ? 0 : 1;
  }
  const double rhs = uncomplemented - 1;
  row[0] = rhs;
  const double scaled = std::ldexp(rhs, -rowExponent(lp, i));
  lp.rhs[i] = lp.rowUpper[i] = scaled;
  lp.rowLower[i] = -kBoundInfinity;
  lp.ranges[i] = kBoundInfinity;
  lp.pristineTypes[i] = LpRowType{0, '<'};
  ++lp.passes.coverRowsAdded;
}

// A cover cut from row i when the relaxation violates one.
bool coverFromRow(LpRecord& lp, int i, const std::int32_t* flags) {
  std::vector<CoverItem> items;
  double capacity = 0;
  if (!knapsackRow(lp, i, flags, items, capacity)) return false;
  long total = 0;
  for (const CoverItem& it : items) total += it.weight;
  if (total < capacity) return false;
  const long room = total - static_cast<long>(capacity) - 1;
  if (static_cast<double>(items.size() + 1) * static_cast<double>(room + 1) > kDpCells)
    return false;
  std::vector<int> weights, selection;
  std::vector<double> values;
  for (const CoverItem& it : items) weights.push_back(it.weight), values.push_back(it.value);
  const double sum = Lp_knapsackDp(selection, weights, values, static_cast<int>(room));
  if (!(sum > 0 && sum < 1)) return false;
  appendCover(lp, items, selection);
  return true;
}

// Takes the cover rows beyond the first `keep` back out of the model.
void dropCoverRows(LpRecord& lp, int keep) {
  while (lp.passes.coverRowsAdded > keep) {
    const int i = Lp_rowsInUse(lp);
    std::fill(lp.pristine.row(i), lp.pristine.row(i) + lp.n + 1, 0.0);
    lp.pristineTypes[i] = LpRowType{};
    lp.rhs[i] = 0;
    lp.rowUpper[i] = kBoundInfinity;
    --lp.passes.coverRowsAdded;
  }
}

// ---- Gomory cuts ----

// The integer value at which nonbasic column k sits, unscaled, or false
// when the column is continuous there.
bool integerColumn(const LpRecord& lp, int k, const std::int32_t* flags,
                   const std::vector<char>& intRows) {
  const int v = lp.colMap[k];
  if (v > lp.n) return intRows[v - lp.n] != 0;
  if (flags[v - 1] == 0) return false;
  const double at = lp.colStatus[k] == kColAtUpper ? lp.upper[v] : lp.lower[v];
  return isIntegral(unscaledVar(lp, v, at), lp.precision);
}

// Unscaled value at which nonbasic column k sits.
double sitsAt(const LpRecord& lp, int k) {
  const int v = lp.colMap[k];
  const bool up = lp.colStatus[k] == kColAtUpper;
  if (v > lp.n) return up ? unscaledVar(lp, v, lp.ranges[v - lp.n]) : 0.0;
  return unscaledVar(lp, v, up ? lp.upper[v] : lp.lower[v]);
}

// The Gomory mixed-integer cut of source row r, derived in unscaled values
// and written into `cut` scaled for row `cutRow`: entries 0..n, then the
// cut's bound; false when a free nonbasic column forbids a cut.
bool gomoryRow(const LpRecord& lp, int r, double f0, const std::int32_t* flags,
               const std::vector<char>& intRows, std::vector<double>& cut, int cutRow) {
  const double* a = lp.matrix.row(r);
  const int eB = varExponent(lp, lp.rowMap[r]), eCut = rowExponent(lp, cutRow);
  std::fill(cut.begin(), cut.end(), 0.0);
  double shift = 0;
  for (int k = 1; k <= lp.n; ++k) {
    const int v = lp.colMap[k];
    if (std::fabs(a[k]) < Lp_tiny) continue;
    if (v > lp.n && lp.types[v - lp.n].type == '=') continue;
    if (lp.colStatus[k] == kColFree) return false;
    const bool up = lp.colStatus[k] == kColAtUpper;
    const double abar = (up ? -1.0 : 1.0) * std::ldexp(a[k], eB - varExponent(lp, v));
    double f;
    if (integerColumn(lp, k, flags, intRows)) {
      f = Lp_frac(abar);
      if (f > f0) f = (1 - f) * f0 / (1 - f0);
    } else {
      f = abar > 0 ? abar : -abar * f0 / (1 - f0);
    }
    if (up) f = -f;
    shift += f * sitsAt(lp, k);
    if (std::fabs(f) > Lp_tiny) cut[k] = std::ldexp(-f, varExponent(lp, v) - eCut);
  }
  cut[0] = std::ldexp(-f0, -eCut);
  cut[static_cast<std::size_t>(lp.n) + 1] = std::ldexp(-f0 - shift, -eCut);  // the cut's bound
  return true;
}

// Appends a cut row to the tableau with its slack basic.
void appendGomory(LpRecord& lp, const std::vector<double>& cut) {
  const int i = Lp_rowsInUse(lp) + 1;
  std::copy(cut.begin(), cut.begin() + lp.n + 1, lp.matrix.row(i));
  lp.types[i] = LpRowType{0, '<'};
  lp.rowMap[i] = lp.n + i;
  lp.phase1Flags[i] = 0;
  lp.ranges[i] = kBoundInfinity;
  lp.rowLower[i] = -kBoundInfinity;
  lp.rhs[i] = lp.rowUpper[i] = cut[static_cast<std::size_t>(lp.n) + 1];
  ++lp.passes.gomoryRowsAdded;
  Lp_originFromTableauRow(lp, i);
}

// One round of Gomory cuts: the number of rows added.
int gomoryRound(LpRecord& lp, const std::int32_t* flags, const std::vector<char>& intRows) {
  const int rows = Lp_rowsInUse(lp);
  std::vector<double> cut(static_cast<std::size_t>(lp.n) + 2, 0.0);
  int added = 0;
  for (int r = 1; r <= rows && lp.passes.gomoryRowsAdded < lp.options.gomoryRowLimit; ++r) {
    const int v = lp.rowMap[r];
    if (v > lp.n || flags[v - 1] == 0) continue;
    const double f0 = Lp_frac(std::ldexp(lp.matrix.row(r)[0], varExponent(lp, v)));
    if (f0 <= lp.precision) continue;
    if (!gomoryRow(lp, r, f0, flags, intRows, cut, Lp_rowsInUse(lp) + 1)) continue;
    appendGomory(lp, cut);
    ++added;
  }
  return added;
}

}  // namespace

double Lp_frac(double v) {
  const double r = std::floor(v + 0.5);
  if (std::fabs(v - r) <= (std::fabs(r) + 1) * 1e-7) return 0.0;
  return v - std::floor(v);
}

double Lp_knapsackDp(std::vector<int>& selection, const std::vector<int>& weights,
                     const std::vector<double>& values, int capacity) {
  const int count = static_cast<int>(weights.size());
  selection.assign(weights.size(), 1);
  if (capacity < 1) return 1.0;
  const std::size_t width = static_cast<std::size_t>(capacity) + 1;
  std::vector<double> t((static_cast<std::size_t>(count) + 1) * width, -kBoundInfinity);
  auto at = [&](int k, int c) -> double& { return t[static_cast<std::size_t>(k) * width + c]; };
  for (int k = 0; k <= count; ++k) at(k, 0) = 0.0;
  for (int c = 1; c <= capacity; ++c)
    for (int k = 1; k <= count; ++k) {
      const int w = weights[k - 1];
      at(k, c) = at(k - 1, c);
      if (c >= w && at(k - 1, c - w) > -kBoundInfinity)
        at(k, c) = std::max(at(k - 1, c), at(k - 1, c - w) + values[k - 1]);
    }
  int best = 0;
  for (int c = 1; c <= capacity; ++c)
    if (at(count, c) > 0 && at(count, c) > at(count, best)) best = c;
  double sum = 0;
  for (int k = count; k >= 1; --k) {
    if (at(k, best) != at(k - 1, best)) {
      selection[k - 1] = 0;
      best -= weights[k - 1];
    } else {
      sum += values[k - 1];
    }
  }
  return sum;
}

bool Lp_coverCuts(LpRecord& lp, const LpSettings& settings, const std::int32_t* flags) {
  for (int round = 0;
       round < lp.options.coverPasses && lp.passes.coverRowsAdded < lp.options.coverRowLimit;
       ++round) {
    const std::unique_ptr<LpSnapshot> before(Lp_makeSnapshot(lp));
    const int keep = lp.passes.coverRowsAdded;
    if (!before || !Lp_unscaleMatrix(lp.scaling, lp.pristine)) return false;
    for (int i = 1; i <= lp.modelRows && lp.passes.coverRowsAdded < lp.options.coverRowLimit; ++i)
      coverFromRow(lp, i, flags);
    Lp_scaleMatrix(lp.scaling, lp.pristine);
    if (lp.passes.coverRowsAdded == keep) return true;
    Lp_restoreWorking(lp);
    if (Lp_boundedSimplex(lp, settings) != 0) {
      dropCoverRows(lp, keep);
      Lp_restoreSnapshot(lp, *before);
      return false;
    }
  }
  return true;
}

std::vector<char> Lp_integerRows(const LpRecord& lp, const std::int32_t* flags) {
  std::vector<char> rows(static_cast<std::size_t>(lp.m) + 2, 0);
  for (int j = 1; j <= lp.n; ++j)
    if (flags[j - 1] == 0) return rows;  // a continuous variable: no slack counts as integer
  const int inUse = Lp_rowsInUse(lp);
  for (int i = 1; i <= inUse; ++i) {
    const int e = rowExponent(lp, i);
    const double* a = lp.pristine.row(i);
    bool integral = isIntegral(std::ldexp(a[0], e), lp.precision);
    for (double limit : {lp.rowLower[i], lp.rowUpper[i]})
      if (std::fabs(limit) < kBoundInfinity) integral = integral && isIntegral(std::ldexp(limit, e), lp.precision);
    for (int j = 1; j <= lp.n && integral; ++j)
      if (a[j] != 0) integral = isIntegral(std::ldexp(a[j], e - varExponent(lp, j)), lp.precision);
    rows[i] = integral ? 1 : 0;
  }
  return rows;
}

bool Lp_gomoryCuts(LpRecord& lp, const LpSettings& settings, const std::int32_t* flags,
                   const std::vector<char>& integerRows) {
  const int rounds = std::min(lp.options.gomoryPasses, lp.options.gomoryRowLimit);
  for (int round = 0; round < rounds && lp.passes.gomoryRowsAdded < lp.options.gomoryRowLimit;
       ++round) {
    const std::unique_ptr<LpSnapshot> before(Lp_makeSnapshot(lp));
    const int keep = lp.passes.gomoryRowsAdded;
    if (!before) return false;
    if (gomoryRound(lp, flags, integerRows) == 0) return true;
    if (Lp_dualWarmStart(lp, settings) != 0) {
      lp.passes.gomoryRowsAdded = keep;
      Lp_restoreSnapshot(lp, *before);
      return false;
    }
  }
  return true;
}
