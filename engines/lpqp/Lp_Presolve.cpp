// Presolve of the LP/quadratic engine for models with binary variables:
// before every solve it bounds each row's activity, reports infeasibility,
// marks redundant rows, fixes binaries by probing and by the sign of their
// cost, and tightens the bounds of the other variables. At setup it finds
// the binaries and, when asked, ranks them and publishes the order in the
// problem. Everything works in the scaled space on the restored pristine
// matrix; fixes change only the bounds the simplex sees.
#include <algorithm>
#include <cmath>
#include <new>

#include "contract/Host_Queries.h"
#include "engines/lpqp/Lp_EngineOps.h"

namespace {

constexpr double kProbeTiny = 1e-15;
constexpr double kTightenMin = 1e-4;  // smallest coefficient that tightens a bound

// Activity bounds of one row, the infinite contributions kept apart so that
// they never mix with finite sums.
struct Activity {
  double max = 0, min = 0;
  int maxInf = 0, minInf = 0;
  double hi() const { return maxInf > 0 ? kBoundInfinity : max; }
  double lo() const { return minInf > 0 ? -kBoundInfinity : min; }
};

// Contribution of coefficient a on [lo, up] to the row's maximum and minimum.
void addTerm(Activity& act, double a, double lo, double up, int sign) {
  const double toMax = a >= 0 ? up : lo, toMin = a >= 0 ? lo : up;
  if (std::fabs(toMax) >= kBoundInfinity) act.maxInf += sign;
  else act.max += sign * a * toMax;
  if (std::fabs(toMin) >= kBoundInfinity) act.minInf += sign;
  else act.min += sign * a * toMin;
}

Activity storedActivity(const LpPresolve& p, int i) {
  return {p.actMax[i], p.actMin[i], p.maxInfinite[i], p.minInfinite[i]};
}

void storeActivity(LpPresolve& p, int i, const Activity& act) {
  p.actMax[i] = act.max, p.actMin[i] = act.min;
  p.maxInfinite[i] = act.maxInf, p.minInfinite[i] = act.minInf;
}

// Step 2: every row's activity over the non-binary variables, from its constant.
void activityWithoutBinaries(LpRecord& lp) {
  LpPresolve& p = lp.presolve;
  for (int i = 1; i <= lp.modelRows; ++i) {
    const double* a = lp.matrix.row(i);
    Activity act;
    act.max = act.min = lp.rhs[i] - a[0];
    for (int j = 1; j <= lp.n; ++j)
      if (a[j] != 0 && p.binarySlot[j] < 0) addTerm(act, a[j], lp.lower[j], lp.upper[j], 1);
    storeActivity(p, i, act);
  }
}

// A binary's coefficient in the scaled space times its unit value.
double binaryCoef(const LpRecord& lp, int i, int j) {
  const double a = lp.matrix.row(i)[j];
  return lp.presolve.unitsDiffer ? a * lp.presolve.unit[j] : a;
}

// Step 3.1: the row's activity with its binaries at their status.
Activity activityWithBinaries(const LpRecord& lp, int i) {
  const LpPresolve& p = lp.presolve;
  Activity act = storedActivity(p, i);
  for (int b = 0; b < p.binaryCount; ++b) {
    const int j = p.order[b];
    const double a = binaryCoef(lp, i, j);
    if (a == 0 || p.binaryStatus[b] == '0') continue;
    if (p.binaryStatus[b] == '1') act.max += a, act.min += a;
    else if (a < 0) act.min += a;
    else act.max += a;
  }
  return act;
}

bool isLowerOnly(const LpRecord& lp, int i) {
  return Lp_isFinite(lp.rowLower[i]) && !Lp_isFinite(lp.rowUpper[i]);
}

bool isUpperSided(const LpRecord& lp, int i) {
  return !Lp_isFinite(lp.rowLower[i]) || lp.rowLower[i] == lp.rowUpper[i];
}

bool lowerSided(const LpRecord& lp, int i) {
  return !Lp_isFinite(lp.rowUpper[i]) || lp.rowLower[i] == lp.rowUpper[i];
}

bool rowInfeasible(const LpRecord& lp, int i, const Activity& act) {
  const double tol = lp.precision;
  return (isUpperSided(lp, i) && act.lo() > lp.rowUpper[i] + tol) ||
         (lowerSided(lp, i) && act.hi() < lp.rowLower[i] - tol);
}

// Step 3.4: the status a free binary must take for row i, or '-'.
unsigned char probe(const LpRecord& lp, int i, const Activity& act, double a) {
  const double tol = lp.precision;
  const bool lowerOnly = isLowerOnly(lp, i), upperSided = isUpperSided(lp, i);
  if (a >= kProbeTiny) {
    if (lowerOnly && lp.rowLower[i] - tol > act.hi() - a) return '1';
    if (upperSided && lp.rowUpper[i] + tol < act.lo() + a) return '0';
  } else if (a <= -kProbeTiny) {
    if (lowerOnly && lp.rowLower[i] - tol > act.hi() + a) return '0';
    if (upperSided && lp.rowUpper[i] + tol < act.lo() - a) return '1';
  }
  return '-';
}

// Step 3 for one row: false when the row cannot be satisfied.
bool presolveRow(LpRecord& lp, int i, bool& changed) {
  LpPresolve& p = lp.presolve;
  const Activity act = activityWithBinaries(lp, i);
  if (rowInfeasible(lp, i, act)) return false;
  const double tol = lp.precision;
  if (p.rowStatus[i] == ' ' && ((!Lp_isFinite(lp.rowLower[i]) && act.hi() <= lp.rowUpper[i] + tol) ||
                                (!Lp_isFinite(lp.rowUpper[i]) && act.lo() >= lp.rowLower[i] - tol)))
    p.rowStatus[i] = '-';
  if (!p.probing) return true;
  for (int b = 0; b < p.binaryCount; ++b) {
    if (p.binaryStatus[b] != '-') continue;
    const unsigned char fix = probe(lp, i, act, binaryCoef(lp, i, p.order[b]));
    if (fix != '-') p.binaryStatus[b] = fix, changed = true;
  }
  return true;
}

// Step 4 for one binary: '0' or '1' when its cost sign may fix it, else '-'.
// A ranged row keeps the binary free, as an equality row does.
unsigned char objectiveFix(const LpRecord& lp, int j) {
  const double c = -lp.matrix.row(0)[j];
  if (c == 0) return '-';
  bool toZero = c > 0, toOne = c < 0;
  for (int i = 1; i <= lp.modelRows && (toZero || toOne); ++i) {
    const double a = lp.matrix.row(i)[j];
    if (a == 0 || lp.presolve.rowStatus[i] != ' ') continue;
    const bool noLower = !Lp_isFinite(lp.rowLower[i]), noUpper = !Lp_isFinite(lp.rowUpper[i]);
    if (noLower) {
      toZero = toZero && a >= 0;
      toOne = toOne && a <= 0;
    } else if (noUpper) {
      toZero = toZero && a <= 0;
      toOne = toOne && a >= 0;
    } else {
      toZero = toOne = false;
    }
  }
  return toZero ? '0' : toOne ? '1' : '-';
}

// Steps 3 to 5: passes over the rows until nothing changes.
bool fixBinaries(LpRecord& lp) {
  LpPresolve& p = lp.presolve;
  for (bool changed = true; changed;) {
    changed = false;
    for (int i = 1; i <= lp.modelRows; ++i)
      if (!presolveRow(lp, i, changed)) return false;
    if (!p.objectiveFixing) continue;
    for (int b = 0; b < p.binaryCount; ++b) {
      if (p.binaryStatus[b] != '-') continue;
      const unsigned char fix = objectiveFix(lp, p.order[b]);
      if (fix != '-') p.binaryStatus[b] = fix, changed = true;
    }
  }
  return true;
}

void applyFixes(LpRecord& lp) {
  const LpPresolve& p = lp.presolve;
  for (int b = 0; b < p.binaryCount; ++b) {
    const int j = p.order[b];
    if (p.binaryStatus[b] == '0') lp.lower[j] = lp.upper[j] = 0.0;
    if (p.binaryStatus[b] == '1') lp.lower[j] = lp.upper[j] = p.unit[j];
  }
}

// Moves one bound of variable j and updates the activity of its rows.
void moveBound(LpRecord& lp, int j, double lo, double up) {
  LpPresolve& p = lp.presolve;
  for (int i = 1; i <= lp.modelRows; ++i) {
    const double a = lp.matrix.row(i)[j];
    if (a == 0) continue;
    Activity act = storedActivity(p, i);
    addTerm(act, a, lp.lower[j], lp.upper[j], -1);
    addTerm(act, a, lo, up, 1);
    storeActivity(p, i, act);
  }
  lp.lower[j] = lo;
  lp.upper[j] = up;
}

// A tightening from row i for one variable: 1 tightened, 0 none, -1 the
// bounds crossed (infeasible).
int tightenVariable(LpRecord& lp, int i, int j, const Activity& act) {
  const double a = lp.matrix.row(i)[j], tol = lp.precision;
  const double lo = lp.lower[j], up = lp.upper[j];
  double newLo = lo, newUp = up;
  if (isLowerOnly(lp, i) && act.maxInf == 0) {
    const double bound = (lp.rowLower[i] - act.max + a * up) / a;
    if (bound > lo + tol) newLo = bound;
  } else if (!Lp_isFinite(lp.rowLower[i]) && act.minInf == 0) {
    const double bound = (lp.rowUpper[i] - act.min + a * lo) / a;
    if (bound < up - tol) newUp = bound;
  }
  if (newLo == lo && newUp == up) return 0;
  if (newLo > newUp + tol) return -1;
  if (newLo > newUp) {  // crossed within the tolerance: the moved bound meets the other
    if (newLo != lo) newLo = newUp;
    else newUp = newLo;
  }
  moveBound(lp, j, newLo, newUp);
  return 1;
}

// One scan of the rows from row 1: 1 after a tightening (the caller scans
// again), 0 when no bound moved, -1 when infeasible.
int tightenScan(LpRecord& lp) {
  const LpPresolve& p = lp.presolve;
  for (int i = 1; i <= lp.modelRows; ++i) {
    if (Lp_isFinite(lp.rowLower[i]) && Lp_isFinite(lp.rowUpper[i])) continue;
    const Activity act = activityWithBinaries(lp, i);
    const double* a = lp.matrix.row(i);
    for (int j = 1; j <= lp.n; ++j) {
      if (p.binarySlot[j] >= 0 || a[j] < kTightenMin) continue;
      if (!Lp_isFinite(lp.lower[j]) || !Lp_isFinite(lp.upper[j])) continue;
      if (const int r = tightenVariable(lp, i, j, act)) return r;
    }
  }
  return 0;
}

// Step 6 after the fixes: false when infeasible; `again` when a bound moved,
// so that a new pass is due. `budget` caps the tightenings of one presolve
// so that a slowly converging sequence ends; stopping early is sound.
bool tightenBounds(LpRecord& lp, bool& again, int& budget) {
  again = false;
  for (; budget > 0; --budget) {
    const int r = tightenScan(lp);
    if (r < 0) return false;
    if (r == 0) return true;
    again = true;
  }
  again = false;
  return true;
}

// Priority ranking of the binaries (order export): each row's leader, the
// binary with the largest coefficient, gains the ratio of that coefficient
// to the mean of the others.
void rankBinaries(LpRecord& lp) {
  LpPresolve& p = lp.presolve;
  std::vector<double> priority(static_cast<std::size_t>(p.binaryCount), 0.0);
  for (int i = 1; i <= lp.modelRows; ++i) {
    double largest = 0, sum = 0;
    int count = 0, leader = -1;
    for (int b = 0; b < p.binaryCount; ++b) {
      const double v = std::fabs(binaryCoef(lp, i, p.order[b]));
      if (v == 0) continue;
      if (v <= largest) {
        sum += v;
        ++count;
      } else {
        sum += largest;
        largest = v;
        leader = b;
      }
    }
    if (leader >= 0) priority[leader] += std::trunc(count == 0 ? largest : largest / (sum / count));
  }
  for (int gap = p.binaryCount / 2; gap > 0; gap /= 2)
    for (int b = gap; b < p.binaryCount; ++b) {
      const double key = priority[b];
      const int var = p.order[b];
      int c = b;
      for (; c >= gap && priority[c - gap] <= key; c -= gap) {
        priority[c] = priority[c - gap];
        p.order[c] = p.order[c - gap];
      }
      priority[c] = key;
      p.order[c] = var;
    }
  for (int b = 0; b < p.binaryCount; ++b) p.binarySlot[p.order[b]] = b;
}

}  // namespace

bool Lp_presolveBuild(LpRecord& lp, const std::int32_t* integerFlags, std::uint32_t optionFlags) {
  LpPresolve& p = lp.presolve;
  p = LpPresolve{};
  p.probing = (optionFlags & Lp_presolveProbing) != 0;
  p.objectiveFixing = (optionFlags & Lp_presolveObjectiveFixing) != 0;
  p.exportOrder = (optionFlags & Lp_presolveExportOrder) != 0 && (optionFlags & Lp_nodeMemoryFlag) == 0;
  p.tightening = (optionFlags & Lp_presolveTightening) != 0;
  if (!integerFlags || !(p.probing || p.objectiveFixing || p.exportOrder || p.tightening)) return true;
  try {
    const std::size_t nv = static_cast<std::size_t>(lp.n) + 1, nr = static_cast<std::size_t>(lp.modelRows) + 1;
    p.binarySlot.assign(nv, -1);
    std::vector<std::int32_t> others;
    for (int j = 1; j <= lp.n; ++j) {
      if (integerFlags[j - 1] == 0) continue;
      const bool unitBounds = (lp.lower[j] == 0 || lp.lower[j] == 1) && (lp.upper[j] == 0 || lp.upper[j] == 1);
      if (unitBounds) p.order.push_back(j);
      else others.push_back(j);
    }
    p.binaryCount = static_cast<int>(p.order.size());
    p.integerCount = p.binaryCount + static_cast<int>(others.size());
    if (p.binaryCount == 0) {
      p.binarySlot.clear();
      p.order.clear();
      return true;
    }
    p.unit.assign(nv, 1.0);
    Lp_scaleVariables(lp.scaling, p.unit.data());
    for (int j = 1; j <= lp.n; ++j) p.unitsDiffer = p.unitsDiffer || p.unit[j] != 1.0;
    p.order.insert(p.order.end(), others.begin(), others.end());
    for (int b = 0; b < p.binaryCount; ++b) p.binarySlot[p.order[b]] = b;
    p.binaryStatus.assign(static_cast<std::size_t>(p.binaryCount), '-');
    p.rowStatus.assign(nr, ' ');
    p.actMax.assign(nr, 0.0);
    p.actMin.assign(nr, 0.0);
    p.maxInfinite.assign(nr, 0);
    p.minInfinite.assign(nr, 0);
  } catch (const std::bad_alloc&) {
    return false;
  }
  if (p.exportOrder) rankBinaries(lp);
  return true;
}

bool Lp_presolveRun(LpRecord& lp) {
  LpPresolve& p = lp.presolve;
  if (p.binaryCount == 0) return true;
  for (int b = 0; b < p.binaryCount; ++b) {
    const int j = p.order[b];
    const bool zero = lp.lower[j] == 0 && lp.upper[j] == 0;
    const bool one = lp.lower[j] == p.unit[j] && lp.upper[j] == p.unit[j];
    p.binaryStatus[b] = zero ? '0' : one ? '1' : '-';
  }
  std::fill(p.rowStatus.begin(), p.rowStatus.end(), ' ');
  const bool tighten = p.tightening && p.binaryCount < lp.n;
  int budget = 20 * (lp.n + lp.modelRows);
  for (bool again = true; again;) {
    activityWithoutBinaries(lp);
    if (!fixBinaries(lp)) return false;
    applyFixes(lp);
    again = false;
    if (tighten && !tightenBounds(lp, again, budget)) return false;
  }
  return true;
}

int Lp_presolveSetup(LpRun& run, EngineProblem* problem) {
  LpRecord& lp = run.lp;
  // Relaxed integer restrictions leave no binary to fix.
  const bool relaxed = run.host.queryModel(run.host.user, QueryRelaxIntegers) != 0;
  if (!Lp_presolveBuild(lp, relaxed ? nullptr : problem->integerFlags, lp.options.optionFlags[0]))
    return 0;
  LpPresolve& p = lp.presolve;
  if (p.exportOrder && p.binaryCount > 0) {
    problem->engineIntegerCount = p.integerCount;
    problem->engineOrder = p.order.data();
    problem->engineBinaryStatus = p.binaryStatus.data();
  }
  return 1;
}

int Lp_presolve(LpRun& run) { return Lp_presolveRun(run.lp) ? 1 : 0; }

void Lp_presolveRelease(LpRun& run, EngineProblem* problem) {
  run.lp.presolve = LpPresolve{};
  problem->engineIntegerCount = 0;
  problem->engineOrder = nullptr;
  problem->engineBinaryStatus = nullptr;
}
