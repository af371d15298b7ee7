// The model generators. A planted model picks a point, the rows and bounds
// active there and multipliers of the right signs for them; the objective
// whose gradient they cancel makes the point optimal (the optimality
// conditions of a convex model are sufficient), so its value there is the
// optimum. An enumerated model is small enough to try every integer point of
// its box. Numbers are halves and quarters times powers of ten, so that the
// formulas' texts carry them exactly.
#include "tests/verdicts/Vd_Generators.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "base/Chk_Assert.h"
#include "tests/verdicts/Vd_Draw.h"

namespace {

constexpr int kLowestExponent = -3, kHighestExponent = 6;  // variables' scales
constexpr int kRowFactorExponent = 3;                      // integer rows scaled by 1e-3 to 1e3
constexpr int kSystemExponent = 2;                         // systems' roots scaled by 1e-2 to 1e2
constexpr int kBallExponent = 4;                           // balls scaled by 1e-3 to 1e4
constexpr int kMaxMultiplierDraws = 20;
constexpr int kEnumerationLimit = 5000;
// Mixed magnitudes: each column's own scale 1E-4..1E+7 (values and bounds
// up to 8 times that), each row's and the objective's 1E-3..1E+3.
constexpr int kColumnLow = -4, kColumnHigh = 7, kRowScale = 3;

using Draw = VdDraw;

// The model drawn in units, scaled by 10^e: the variables' values, the
// centres, and the right-hand sides (a linear row's scaled with them, a
// row of squares' twice, a cubic row's recomputed at the root); then the
// optimum at the scaled point.
void rescale(VdRecipe* r, int e) {
  for (VdVariable& v : r->variables) {
    v.lower = Vd_scaled(v.lower, e);
    v.upper = Vd_scaled(v.upper, e);
    v.start = Vd_scaled(v.start, e);
  }
  for (double& x : r->planted) x = Vd_scaled(x, e);
  for (double& t : r->objective.centre) t = Vd_scaled(t, e);
  for (VdRow& row : r->rows) {
    for (double& t : row.centre) t = Vd_scaled(t, e);
    row.rhs = !row.cubic.empty()    ? Vd_rowValue(row, r->planted)
              : !row.square.empty() ? Vd_scaled(Vd_scaled(row.rhs, e), e)
                                    : Vd_scaled(row.rhs, e);
  }
  r->optimum = Vd_objectiveValue(*r, r->planted);
}

// A row of n coefficients, about a third of them zero, never all; each a
// half from -3 to 3 scaled by 10^e.
std::vector<double> coefficients(Draw& d, int n, int e) {
  std::vector<double> a(static_cast<size_t>(n), 0.0);
  for (double& x : a)
    if (d.chance(70)) x = Vd_scaled(d.nonzeroHalf(6), e);
  if (std::all_of(a.begin(), a.end(), [](double x) { return x == 0; }))
    a[static_cast<size_t>(d.pick(0, n - 1))] = Vd_scaled(d.nonzeroHalf(6), e);
  return a;
}

VdRelation relation(Draw& d, int equalityPercent) {
  if (d.chance(equalityPercent)) return VdRelation::Eq;
  return d.chance(50) ? VdRelation::Le : VdRelation::Ge;
}

double dot(const std::vector<double>& a, const std::vector<double>& x) {
  double s = 0;
  for (size_t j = 0; j < a.size(); ++j) s += a[j] * x[j];
  return s;
}

// What a planted model's shape may be.
struct Shape {
  int minVars, maxVars, minRows, maxRows;
  int equalityPercent;
  bool integer, quadratic;
};

// The planted point's active parts: the sign each multiplier must have
// (+1 at most, -1 at least, 0 free; kInactive for a row with slack), for
// the rows, then for each variable's upper and lower bound (0 inactive).
constexpr int kInactive = 2;
struct Active {
  std::vector<int> rowSign;
  std::vector<int> upperSign, lowerSign;
};

void plantVariables(Draw& d, VdRecipe* r, const Shape& s, bool boxed, Active* act) {
  const int n = d.pick(s.minVars, s.maxVars);
  act->upperSign.assign(static_cast<size_t>(n), 0);
  act->lowerSign.assign(static_cast<size_t>(n), 0);
  for (int j = 0; j < n; ++j) {
    VdVariable v;
    const bool binary = s.integer && d.chance(25);
    v.kind = binary ? VdKind::Binary : s.integer ? VdKind::Integer : VdKind::Continuous;
    const double x = binary      ? d.pick(0, 1)
                     : s.integer ? d.pick(r->nonNegative ? 0 : -3, 6)
                                 : d.half(r->nonNegative ? 0 : -6, 8);
    if (binary) {
      v.lower = 0;
      v.upper = 1;
    } else {
      const int lowerChoice = d.pick(boxed || r->nonNegative ? 1 : 0, 2);
      v.lower = lowerChoice == 0 ? -kVdInfinity : lowerChoice == 1 ? x : x - d.pick(1, 4);
      if (r->nonNegative && v.lower < 0) v.lower = 0;
      const int upperChoice = d.pick(boxed ? 1 : 0, 2);
      v.upper = upperChoice == 0 ? kVdInfinity : upperChoice == 1 ? x : x + d.pick(1, 4);
    }
    if (v.upper == x) act->upperSign[j] = 1;
    if (v.lower == x) act->lowerSign[j] = -1;
    r->variables.push_back(v);
    r->planted.push_back(x);
  }
}

// Rows through the planted point or with slack there; an integer model's
// rows each scaled by their own power of ten (which its units keep).
void plantRows(Draw& d, VdRecipe* r, const Shape& s, Active* act) {
  const int n = static_cast<int>(r->variables.size());
  const int m = d.pick(s.minRows, s.maxRows);
  for (int i = 0; i < m; ++i) {
    const int e = s.integer ? d.pick(-kRowFactorExponent, kRowFactorExponent) : 0;
    VdRow row;
    row.linear = coefficients(d, n, e);
    row.relation = relation(d, s.equalityPercent);
    row.sumproduct = d.chance(50);
    row.rhs = dot(row.linear, r->planted);
    int sign = row.relation == VdRelation::Eq ? 0 : row.relation == VdRelation::Le ? 1 : -1;
    if (sign != 0 && d.chance(40)) {
      row.rhs += sign * Vd_scaled(d.half(1, 6), e);
      sign = kInactive;
    }
    act->rowSign.push_back(sign);
    r->rows.push_back(row);
  }
}

// A multiplier of the given sign (0: either sign).
double multiplier(Draw& d, int sign) { return sign == 0 ? d.half(-4, 4) : sign * d.half(0, 4); }

// g = the multipliers times the active rows and bounds; the objective's
// gradient at the planted point is -g (minimising). Never all zero: a model
// with nothing active gets its first variable's upper bound moved onto the
// planted point.
std::vector<double> plantGradient(Draw& d, VdRecipe* r, Active* act) {
  const size_t n = r->variables.size();
  bool any = std::any_of(act->rowSign.begin(), act->rowSign.end(), [](int s) { return s != kInactive; });
  for (size_t j = 0; j < n; ++j) any = any || act->upperSign[j] || act->lowerSign[j];
  if (!any) {
    r->variables[0].upper = r->planted[0];
    act->upperSign[0] = 1;
  }
  std::vector<double> g(n, 0.0);
  for (int draw = 0; draw < kMaxMultiplierDraws; ++draw) {
    std::fill(g.begin(), g.end(), 0.0);
    for (size_t i = 0; i < r->rows.size(); ++i) {
      if (act->rowSign[i] == kInactive) continue;
      const double y = multiplier(d, act->rowSign[i]);
      for (size_t j = 0; j < n; ++j) g[j] += y * r->rows[i].linear[j];
    }
    for (size_t j = 0; j < n; ++j) {
      if (act->upperSign[j]) g[j] += multiplier(d, 1);
      if (act->lowerSign[j]) g[j] += multiplier(d, -1);
    }
    if (std::any_of(g.begin(), g.end(), [](double x) { return x != 0; })) return g;
  }
  // Still nothing: a unit multiplier on the first variable's active bound.
  g[0] = act->upperSign[0] ? 1 : act->lowerSign[0] ? -1 : 0;
  return g;
}

void plantObjective(Draw& d, VdRecipe* r, const Shape& s, const std::vector<double>& g) {
  VdObjective& o = r->objective;
  const size_t n = g.size();
  o.sense = d.chance(50) ? VdSense::Min : VdSense::Max;
  const double sign = o.sense == VdSense::Min ? 1 : -1;
  o.linear.assign(n, 0.0);
  if (!s.quadratic) {
    for (size_t j = 0; j < n; ++j) o.linear[j] = -sign * g[j];
    o.sumproduct = d.chance(50);
    return;
  }
  for (size_t j = 0; j < n; ++j) {
    const double w = d.half(1, 8);
    o.weight.push_back(sign * w);
    o.centre.push_back(r->planted[j] + g[j] / (2 * w));
  }
}

// A planted model scaled by 10^e, e drawn from [lowest, highest].
VdRecipe plantedWith(Draw& d, std::uint64_t seed, const char* name, VdClass kind, const Shape& s, int lowest,
                     int highest) {
  VdRecipe r = Vd_newRecipe(d, seed, name, kind);
  Active act;
  plantVariables(d, &r, s, d.chance(60), &act);
  plantRows(d, &r, s, &act);
  plantObjective(d, &r, s, plantGradient(d, &r, &act));
  Vd_drawStarts(d, &r);
  rescale(&r, s.integer ? 0 : d.pick(lowest, highest));
  return r;
}

VdRecipe planted(std::uint64_t seed, const char* name, VdClass kind, const Shape& s) {
  Draw d(seed);
  return plantedWith(d, seed, name, kind, s, kLowestExponent, kHighestExponent);
}

// x' = 10^e x for column j: its bounds, start and the planted point, and
// the coefficients that multiply it.
void scaleColumn(VdRecipe* r, size_t j, int e) {
  VdVariable& v = r->variables[j];
  v.lower = Vd_scaled(v.lower, e);
  v.upper = Vd_scaled(v.upper, e);
  v.start = Vd_scaled(v.start, e);
  r->planted[j] = Vd_scaled(r->planted[j], e);
  VdObjective& o = r->objective;
  o.linear[j] = Vd_scaled(o.linear[j], -e);
  if (!o.weight.empty()) {
    o.weight[j] = Vd_scaled(Vd_scaled(o.weight[j], -e), -e);
    o.centre[j] = Vd_scaled(o.centre[j], e);
  }
  for (VdRow& row : r->rows) row.linear[j] = Vd_scaled(row.linear[j], -e);
}

// The same model in other units: each column and each row its own scale,
// the objective one more. The change of units keeps the planted point
// optimal; the rounding of the scaled coefficients moves it by parts in
// 1E+16.
void mixMagnitudes(Draw& d, VdRecipe* r) {
  for (size_t j = 0; j < r->variables.size(); ++j) scaleColumn(r, j, d.pick(kColumnLow, kColumnHigh));
  for (VdRow& row : r->rows) {
    const int e = d.pick(-kRowScale, kRowScale);
    for (double& a : row.linear) a = Vd_scaled(a, e);
    row.rhs = Vd_scaled(row.rhs, e);
  }
  const int e = d.pick(-kRowScale, kRowScale);
  VdObjective& o = r->objective;
  for (double& c : o.linear) c = Vd_scaled(c, e);
  for (double& w : o.weight) w = Vd_scaled(w, e);
  r->optimum = Vd_objectiveValue(*r, r->planted);
}

// Right-hand sides as formulas, names and constants; rows with one relation
// written as one constraint over ranges.
void varyConstraints(Draw& d, VdRecipe* r) {
  r->rangeConstraints = d.chance(50);
  for (VdRow& row : r->rows) row.rhsStyle = static_cast<VdRhs>(d.pick(0, 3));
}

VdRecipe mixed(std::uint64_t seed, const char* name, VdClass kind, const Shape& s) {
  Draw d(seed);
  VdRecipe r = plantedWith(d, seed, name, kind, s, 0, 0);  // in units: the columns take their own scales
  mixMagnitudes(d, &r);
  varyConstraints(d, &r);
  return r;
}

VdRecipe lpMixed(std::uint64_t seed) { return mixed(seed, "lp-mixed", VdClass::Lp, {1, 4, 1, 4, 30, false, false}); }
VdRecipe qpMixed(std::uint64_t seed) { return mixed(seed, "qp-mixed", VdClass::Qp, {1, 4, 1, 4, 20, false, true}); }

// A planted LP whose objective is to reach the value it has at the planted
// point ("value of").
VdRecipe lpValue(std::uint64_t seed) {
  Draw d(seed);
  VdRecipe r =
      plantedWith(d, seed, "lp-value", VdClass::Lp, {1, 4, 1, 4, 20, false, false}, kLowestExponent, kHighestExponent);
  r.objective.sense = VdSense::Value;
  varyConstraints(d, &r);
  return r;
}

VdRecipe lpPlanted(std::uint64_t seed) {
  return planted(seed, "lp-planted", VdClass::Lp, {1, 5, 0, 5, 20, false, false});
}
VdRecipe lpEqualities(std::uint64_t seed) {
  return planted(seed, "lp-equalities", VdClass::Lp, {1, 3, 1, 3, 100, false, false});
}
VdRecipe milpPlanted(std::uint64_t seed) {
  return planted(seed, "milp-planted", VdClass::Milp, {1, 6, 1, 5, 15, true, false});
}
VdRecipe qpPlanted(std::uint64_t seed) {
  return planted(seed, "qp-planted", VdClass::Qp, {1, 4, 1, 4, 20, false, true});
}

// A separable convex quadratic over a box: the optimum is each centre
// clamped into its bounds.
VdRecipe qpBox(std::uint64_t seed) {
  Draw d(seed);
  VdRecipe r = Vd_newRecipe(d, seed, "qp-box", VdClass::Qp);
  const int n = d.pick(1, 5);
  VdObjective& o = r.objective;
  o.sense = d.chance(50) ? VdSense::Min : VdSense::Max;
  o.linear.assign(static_cast<size_t>(n), 0.0);
  for (int j = 0; j < n; ++j) {
    VdVariable v;
    const double centre = d.half(r.nonNegative ? -4 : -8, 8);
    const bool boxed = d.chance(70);
    v.lower = r.nonNegative ? 0 : boxed || d.chance(50) ? d.half(-6, 4) : -kVdInfinity;
    v.upper = boxed || d.chance(50) ? std::max(v.lower, 0.0) + d.half(1, 8) : kVdInfinity;
    r.variables.push_back(v);
    o.weight.push_back((o.sense == VdSense::Min ? 1 : -1) * d.half(1, 8));
    o.centre.push_back(centre);
    r.planted.push_back(std::clamp(centre, v.lower, v.upper));
  }
  Vd_drawStarts(d, &r);
  rescale(&r, d.pick(kLowestExponent, kHighestExponent));
  return r;
}

// Every integer point of the box; the best feasible one by the sense.
void enumerate(VdRecipe* r) {
  const size_t n = r->variables.size();
  std::vector<double> x(n);
  for (size_t j = 0; j < n; ++j) x[j] = r->variables[j].lower;
  const double sign = r->objective.sense == VdSense::Min ? 1 : -1;
  bool found = false;
  for (;;) {
    if (Vd_violation(*r, x).empty()) {
      const double f = Vd_objectiveValue(*r, x);
      if (!found || sign * f < sign * r->optimum) {
        r->optimum = f;
        r->planted = x;
        found = true;
      }
    }
    size_t j = 0;
    for (; j < n && x[j] == r->variables[j].upper; ++j) x[j] = r->variables[j].lower;
    if (j == n) return;
    x[j] += 1;
  }
}

// Integer variables in a small box, rows around a point of it (which keeps
// the model feasible), the optimum by enumeration.
VdRecipe enumerated(std::uint64_t seed, const char* name, VdClass kind) {
  Draw d(seed);
  VdRecipe r = Vd_newRecipe(d, seed, name, kind);
  const int n = d.pick(1, 4);
  std::vector<double> x;
  int points = 1;
  for (int j = 0; j < n; ++j) {
    VdVariable v;
    v.kind = d.chance(30) ? VdKind::Binary : VdKind::Integer;
    v.lower = v.kind == VdKind::Binary ? 0 : d.pick(r.nonNegative ? 0 : -4, 3);
    v.upper = v.kind == VdKind::Binary ? 1 : v.lower + d.pick(1, 5);
    points *= static_cast<int>(v.upper - v.lower) + 1;
    x.push_back(v.lower + d.pick(0, static_cast<int>(v.upper - v.lower)));
    r.variables.push_back(v);
  }
  CORVAN_ASSERT(points <= kEnumerationLimit);
  const int m = d.pick(1, 4);
  for (int i = 0; i < m; ++i) {
    const int e = d.pick(-kRowFactorExponent, kRowFactorExponent);
    VdRow row;
    row.linear = coefficients(d, n, e);
    row.relation = relation(d, 25);
    row.sumproduct = d.chance(50);
    const double slack = row.relation == VdRelation::Eq ? 0 : Vd_scaled(d.half(0, 6), e);
    row.rhs = dot(row.linear, x) + (row.relation == VdRelation::Ge ? -slack : slack);
    r.rows.push_back(row);
  }
  VdObjective& o = r.objective;
  o.sense = d.chance(50) ? VdSense::Min : VdSense::Max;
  o.linear.assign(static_cast<size_t>(n), 0.0);
  for (int j = 0; j < n; ++j) {
    if (kind == VdClass::Milp) {
      o.linear[j] = d.nonzeroHalf(6);
      continue;
    }
    const VdVariable& v = r.variables[j];
    o.weight.push_back((o.sense == VdSense::Min ? 1 : -1) * d.half(1, 8));
    o.centre.push_back(v.lower + d.pick(-4, 4 * static_cast<int>(v.upper - v.lower) + 4) * 0.25);
  }
  o.sumproduct = kind == VdClass::Milp && d.chance(50);
  enumerate(&r);
  Vd_drawStarts(d, &r);
  return r;
}

VdRecipe milpEnumerated(std::uint64_t seed) { return enumerated(seed, "milp-enumerated", VdClass::Milp); }
VdRecipe miqpEnumerated(std::uint64_t seed) { return enumerated(seed, "miqp-enumerated", VdClass::Miqp); }

// A square system A x + b x^3 = rhs whose matrix's symmetric part is
// diagonally dominant and whose cubes have non-negative weights: the map is
// strongly monotone, so the planted root is its only one. Half the systems
// also minimise or maximise a linear objective, whose optimum is then its
// value at the root.
VdRecipe systemRoot(std::uint64_t seed) {
  Draw d(seed);
  VdRecipe r = Vd_newRecipe(d, seed, "system-root", VdClass::System);
  r.nonNegative = false;
  const int n = d.pick(1, 4);
  std::vector<std::vector<double>> a(static_cast<size_t>(n), std::vector<double>(static_cast<size_t>(n), 0.0));
  for (int i = 0; i < n; ++i)
    for (int j = 0; j < n; ++j)
      if (i != j && d.chance(70)) a[i][j] = d.nonzeroHalf(4);
  for (int i = 0; i < n; ++i) {
    double off = 0;
    for (int j = 0; j < n; ++j)
      if (j != i) off += std::fabs(a[i][j]) + std::fabs(a[j][i]);
    a[i][i] = off / 2 + d.half(1, 6);
  }
  const bool boxed = d.chance(80);
  for (int j = 0; j < n; ++j) {
    const double x = d.half(-6, 6);
    VdVariable v;
    if (boxed) {
      v.lower = x - d.pick(1, 6);
      v.upper = x + d.pick(1, 6);
    }
    r.planted.push_back(x);
    r.variables.push_back(v);
  }
  for (int i = 0; i < n; ++i) {
    VdRow row;
    row.linear = a[i];
    row.cubic.assign(static_cast<size_t>(n), 0.0);
    row.cubic[i] = d.half(0, 2);
    row.relation = VdRelation::Eq;
    r.rows.push_back(row);
  }
  VdObjective& o = r.objective;
  o.sense = d.chance(50) ? VdSense::None : d.chance(50) ? VdSense::Min : VdSense::Max;
  o.linear.assign(static_cast<size_t>(n), 0.0);
  if (o.sense != VdSense::None)
    for (double& c : o.linear) c = d.nonzeroHalf(6);
  Vd_drawStarts(d, &r);
  rescale(&r, d.pick(-kSystemExponent, kSystemExponent));
  return r;
}

// Directions with whole coordinates and a whole length.
struct Direction {
  std::vector<double> v;
  double length;
};
const Direction kDirections[] = {{{1}, 1}, {{3, 4}, 5}, {{1, 2, 2}, 3}, {{2, 3, 6}, 7}};

// c = k d with d a direction, its coordinates shuffled and signed at random.
std::vector<double> direction(Draw& d, const Direction& dir, double k) {
  std::vector<double> c = dir.v;
  for (size_t j = c.size(); j-- > 1;) std::swap(c[j], c[static_cast<size_t>(d.pick(0, static_cast<int>(j)))]);
  for (double& x : c) x *= (d.chance(50) ? k : -k);
  return c;
}

// A linear objective over a ball sum_j (x_j - p_j)^2 <= R^2, with linear
// rows through the optimum or slack there: the minimum of c.x over the ball
// is at p - R c / |c|, and rows whose multipliers are zero leave it there.
VdRecipe ballLinear(std::uint64_t seed) {
  Draw d(seed);
  VdRecipe r = Vd_newRecipe(d, seed, "ball-linear", VdClass::ConvexRows);
  const Direction& dir = kDirections[d.pick(0, static_cast<int>(std::size(kDirections)) - 1)];
  const double k = d.half(1, 4), radius = d.half(1, 8);
  const std::vector<double> c = direction(d, dir, k);
  const size_t n = c.size();
  VdRow ball;
  ball.linear.assign(n, 0.0);
  ball.square.assign(n, 1.0);
  ball.rhs = radius * radius;
  for (size_t j = 0; j < n; ++j) {
    const double p = r.nonNegative ? radius + d.half(0, 8) : d.half(-8, 8);
    const double margin = radius + d.pick(0, 3);
    VdVariable v;
    v.lower = r.nonNegative ? 0 : d.chance(70) ? p - margin : -kVdInfinity;
    v.upper = d.chance(70) ? p + margin : kVdInfinity;
    r.variables.push_back(v);
    ball.centre.push_back(p);
    r.planted.push_back(p - radius * c[j] / (k * dir.length));
  }
  r.rows.push_back(ball);
  for (int i = d.pick(0, 2); i > 0; --i) {
    VdRow row;
    row.linear = coefficients(d, static_cast<int>(n), 0);
    row.relation = relation(d, 30);
    row.sumproduct = d.chance(50);
    const double slack = row.relation == VdRelation::Eq ? 0 : d.half(1, 6);
    row.rhs = dot(row.linear, r.planted) + (row.relation == VdRelation::Ge ? -slack : slack);
    r.rows.push_back(row);
  }
  VdObjective& o = r.objective;
  o.sense = d.chance(50) ? VdSense::Min : VdSense::Max;
  o.linear = c;
  if (o.sense == VdSense::Max)
    for (double& x : o.linear) x = -x;
  o.sumproduct = d.chance(50);
  Vd_drawStarts(d, &r);
  rescale(&r, d.pick(kLowestExponent, kBallExponent));
  return r;
}

}  // namespace

const std::vector<VdGenerator>& Vd_generators() {
  static const std::vector<VdGenerator> kTable = {
      {"lp-planted", lpPlanted},
      {"lp-equalities", lpEqualities},
      {"milp-planted", milpPlanted},
      {"milp-enumerated", milpEnumerated},
      {"qp-box", qpBox},
      {"qp-planted", qpPlanted},
      {"miqp-enumerated", miqpEnumerated},
      {"system-root", systemRoot},
      {"ball-linear", ballLinear},
      {"lp-mixed", lpMixed, kVdNewFamilySeeds},
      {"qp-mixed", qpMixed, kVdNewFamilySeeds},
      {"lp-value", lpValue, kVdNewFamilySeeds},
  };
  static const std::vector<VdGenerator> kAll = [] {
    std::vector<VdGenerator> all = kTable;
    const std::vector<VdGenerator>& shapes = Vd_shapeGenerators();
    all.insert(all.end(), shapes.begin(), shapes.end());
    return all;
  }();
  return kAll;
}
