// The shapes the first generators never build, each with an optimum known
// by construction: nonlinear equality rows whose one local optimum is found
// by hand (x y = m^2 and x y z = m^3 beside the sum, a circle beside a
// point of a Pythagorean direction, EXP and LN of a variable equal to a
// target, a square bounded below), several convex quadratic rows active at
// one point, general integers 0..50 in an equality row (the optimum by
// dynamic programming over the row's sums) and AllDifferent groups (by
// trying every order).
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numeric>
#include <vector>

#include "tests/verdicts/Vd_Draw.h"
#include "tests/verdicts/Vd_Generators.h"

namespace {

constexpr int kShapeExponent = 2;  // nonlinear shapes scaled by 1E-2..1E+2
constexpr int kBallsExponent = 3;  // several balls scaled by 1E-3..1E+3
constexpr int kIntegerUpper = 50;  // general integers 0..50
constexpr int kMaxRowCoefficient = 9;
constexpr int kMaxObjectiveExponent = 5;  // integer objective terms 1E-3..1E+5
constexpr int kMaxGroup = 5;              // AllDifferent groups of 3..5 cells
constexpr int kMaxBallDraws = 20;

VdVariable boxed(double lower, double upper) {
  VdVariable v;
  v.lower = lower;
  v.upper = upper;
  return v;
}

VdTerm product(std::vector<int> factors) { return {1, std::move(factors), VdFunction::Product}; }

// Minimise (or maximise minus) sum_j x_j.
void sumObjective(VdDraw& d, VdRecipe* r, double weight) {
  VdObjective& o = r->objective;
  o.sense = d.chance(50) ? VdSense::Min : VdSense::Max;
  o.linear.assign(r->variables.size(), o.sense == VdSense::Min ? weight : -weight);
}

// x_1 ... x_n = m^n with every x_j in [m/4, 4m]: the sum is least, by the
// means' inequality, at x_j = m, its only stationary point there.
void productRow(VdDraw& d, VdRecipe* r, int n) {
  const double m = Vd_scaled(d.half(2, 12), d.pick(-kShapeExponent, kShapeExponent));
  VdRow row;
  row.linear.assign(static_cast<size_t>(n), 0.0);
  std::vector<int> factors(static_cast<size_t>(n));
  std::iota(factors.begin(), factors.end(), 0);
  row.terms.push_back(product(factors));
  row.relation = VdRelation::Eq;
  row.rhs = n == 2 ? m * m : m * m * m;
  for (int j = 0; j < n; ++j) {
    r->variables.push_back(boxed(m / 4, 4 * m));
    r->planted.push_back(m);
  }
  r->rows.push_back(row);
  sumObjective(d, r, d.half(1, 6));
}

// x^2 + y^2 = (5q)^2 in the first quadrant, the squared distance to k (3, 4)
// (k != q) least at q (3, 4): along the quarter circle the distance to a
// point of the quadrant's open interior falls to that point and rises after.
void circleRow(VdDraw& d, VdRecipe* r) {
  const int e = d.pick(-kShapeExponent, kShapeExponent);
  const double q = d.half(1, 6);
  double k = d.half(1, 12);
  if (k == q) k += 0.5;
  const bool swap = d.chance(50);
  const double a = swap ? 4 : 3, b = swap ? 3 : 4;
  VdRow row;
  row.linear.assign(2, 0.0);
  row.square.assign(2, 1.0);
  row.centre.assign(2, 0.0);
  row.relation = VdRelation::Eq;
  row.rhs = Vd_scaled(Vd_scaled(25 * q * q, e), e);
  r->rows.push_back(row);
  for (double dir : {a, b}) {
    r->variables.push_back(boxed(0, Vd_scaled(5 * q + d.pick(0, 4), e)));
    r->planted.push_back(Vd_scaled(q * dir, e));
  }
  VdObjective& o = r->objective;
  o.sense = d.chance(50) ? VdSense::Min : VdSense::Max;
  const double w = d.half(1, 8);
  o.linear.assign(2, 0.0);
  o.weight.assign(2, o.sense == VdSense::Min ? w : -w);
  o.centre = {Vd_scaled(k * a, e), Vd_scaled(k * b, e)};
}

// EXP(x) = t or LN(x) = t, and y >= x: the least y is x's one root.
void functionRow(VdDraw& d, VdRecipe* r, VdFunction f) {
  const double t = f == VdFunction::Exp ? d.half(2, 40) : d.half(-6, 6);  // EXP's root ln t >= 0
  const double root = f == VdFunction::Exp ? std::log(t) : std::exp(t);
  VdRow row;
  row.linear.assign(2, 0.0);
  row.terms.push_back({1, {0}, f});
  row.relation = VdRelation::Eq;
  row.rhs = t;
  r->rows.push_back(row);
  VdRow above;
  above.linear = {-1, 1};
  above.relation = VdRelation::Ge;
  r->rows.push_back(above);
  // LN reads only positive cells: its variable starts inside its bounds.
  r->variables.push_back(f == VdFunction::Ln ? boxed(root / 8, 8 * root)
                                             : boxed(root - d.pick(1, 4), root + d.pick(1, 4)));
  r->variables.push_back(VdVariable{});
  r->planted = {root, root};
  VdObjective& o = r->objective;
  o.sense = d.chance(50) ? VdSense::Min : VdSense::Max;
  const double c = d.half(1, 6);
  o.linear = {0, o.sense == VdSense::Min ? c : -c};
}

// w x^2 least with x^2 >= s^2 (or -x^2 <= -s^2), x >= 0: at x = s.
void squareBelow(VdDraw& d, VdRecipe* r) {
  const int e = d.pick(-kShapeExponent, kShapeExponent);
  const double s = Vd_scaled(d.half(1, 8), e);
  const bool negated = d.chance(50);
  VdRow row;
  row.linear = {0};
  row.square = {negated ? -1.0 : 1.0};
  row.centre = {0};
  row.relation = negated ? VdRelation::Le : VdRelation::Ge;
  row.rhs = negated ? -(s * s) : s * s;
  r->rows.push_back(row);
  r->variables.push_back(boxed(0, d.chance(50) ? kVdInfinity : 4 * s));
  r->planted = {s};
  VdObjective& o = r->objective;
  o.sense = d.chance(50) ? VdSense::Min : VdSense::Max;
  const double w = d.half(1, 8);
  o.linear = {0};
  o.weight = {o.sense == VdSense::Min ? w : -w};
  o.centre = {0};
}

VdRecipe nonlinearEqualities(std::uint64_t seed) {
  VdDraw d(seed);
  VdRecipe r = Vd_newRecipe(d, seed, "nonlinear-rows", VdClass::Smooth);
  switch (d.pick(0, 5)) {
    case 0: productRow(d, &r, 2); break;
    case 1: productRow(d, &r, 3); break;
    case 2: circleRow(d, &r); break;
    case 3: functionRow(d, &r, VdFunction::Exp); break;
    case 4: functionRow(d, &r, VdFunction::Ln); break;
    default: squareBelow(d, &r); break;
  }
  if (r.nonNegative)
    for (VdVariable& v : r.variables) v.lower = std::max(v.lower, 0.0);
  Vd_drawStarts(d, &r);
  // LN's cell starts inside its bounds, where LN reads it.
  if (!r.rows[0].terms.empty() && r.rows[0].terms[0].function == VdFunction::Ln)
    r.variables[0].start = std::clamp(r.variables[0].start, r.variables[0].lower, r.variables[0].upper);
  r.optimum = Vd_objectiveValue(r, r.planted);
  return r;
}

// Unit directions with whole coordinates and a whole length, in 2 and 3
// dimensions.
struct Direction {
  std::vector<int> v;
  int length;
};
const Direction kPlane[] = {{{3, 4}, 5}, {{4, 3}, 5}, {{1, 0}, 1}, {{0, 1}, 1}};
const Direction kSpace[] = {{{1, 2, 2}, 3}, {{2, 1, 2}, 3}, {{2, 3, 6}, 7}, {{6, 2, 3}, 7}, {{0, 0, 1}, 1}};

std::vector<int> signedDirection(VdDraw& d, const Direction& dir) {
  std::vector<int> u = dir.v;
  for (int& x : u) x *= d.chance(50) ? 1 : -1;
  return u;
}

// Whether the balls' outward normals at the point leave a direction into
// all of them (minus their sum), so that they share an interior.
bool shareInterior(const std::vector<std::vector<int>>& normals) {
  std::vector<int> s(normals[0].size(), 0);
  for (const auto& n : normals)
    for (size_t j = 0; j < n.size(); ++j) s[j] -= n[j];
  return std::all_of(normals.begin(), normals.end(), [&](const std::vector<int>& n) {
    return std::inner_product(n.begin(), n.end(), s.begin(), 0) < 0;
  });
}

// Two or three balls |x - c_i|^2 <= r_i^2 through the point p, r_i = k_i |u_i|
// and c_i = p - k_i u_i: the gradient 2 k_i u_i of each is its outward
// normal, and the linear objective -sum_i y_i 2 k_i u_i (y_i > 0) is least
// at p over their intersection, which is convex.
VdRecipe severalBalls(std::uint64_t seed) {
  VdDraw d(seed);
  VdRecipe r = Vd_newRecipe(d, seed, "ball-rows", VdClass::ConvexRows);
  const bool plane = d.chance(50);
  const size_t n = plane ? 2 : 3, balls = static_cast<size_t>(d.pick(2, 3));
  std::vector<std::vector<int>> normals;
  std::vector<int> lengths;
  for (int draw = 0; draw < kMaxBallDraws && (normals.empty() || !shareInterior(normals)); ++draw) {
    normals.clear();
    lengths.clear();
    for (size_t i = 0; i < balls; ++i) {
      const Direction& dir = plane ? kPlane[d.pick(0, 3)] : kSpace[d.pick(0, 4)];
      normals.push_back(signedDirection(d, dir));
      lengths.push_back(dir.length);
    }
  }
  if (!shareInterior(normals)) {
    normals.resize(1);
    lengths.resize(1);
  }
  for (size_t j = 0; j < n; ++j) r.planted.push_back(r.nonNegative ? d.half(30, 50) : d.half(-16, 16));
  std::vector<double> gradient(n, 0.0);
  for (size_t i = 0; i < normals.size(); ++i) {
    const double k = d.half(1, 4), y = d.half(1, 4);
    VdRow ball;
    ball.linear.assign(n, 0.0);
    ball.square.assign(n, 1.0);
    for (size_t j = 0; j < n; ++j) {
      ball.centre.push_back(r.planted[j] - k * normals[i][j]);
      gradient[j] += y * 2 * k * normals[i][j];
    }
    ball.rhs = k * lengths[i] * k * lengths[i];
    r.rows.push_back(ball);
  }
  for (size_t j = 0; j < n; ++j) r.variables.push_back(boxed(r.nonNegative ? 0 : r.planted[j] - 20, r.planted[j] + 20));
  VdObjective& o = r.objective;
  o.sense = d.chance(50) ? VdSense::Min : VdSense::Max;
  for (double g : gradient) o.linear.push_back(o.sense == VdSense::Min ? -g : g);
  o.sumproduct = d.chance(50);
  Vd_drawStarts(d, &r);
  const int e = d.pick(-kBallsExponent, kBallsExponent);
  for (VdVariable& v : r.variables) {
    v.lower = Vd_scaled(v.lower, e);
    v.upper = Vd_scaled(v.upper, e);
    v.start = Vd_scaled(v.start, e);
  }
  for (double& x : r.planted) x = Vd_scaled(x, e);
  for (VdRow& row : r.rows) {
    for (double& c : row.centre) c = Vd_scaled(c, e);
    row.rhs = Vd_scaled(Vd_scaled(row.rhs, e), e);
  }
  r.optimum = Vd_objectiveValue(r, r.planted);
  return r;
}

// The best objective over sum_j a_j x_j = b, x_j whole in 0..50, by dynamic
// programming over the sums reached with the first j variables; the point
// kept beside each sum's best. Every sum is a whole number (a_j > 0).
void bestByRowSums(VdRecipe* r, const std::vector<int>& a, int b) {
  const double sign = r->objective.sense == VdSense::Min ? 1 : -1;
  const size_t n = a.size();
  std::vector<bool> reached(static_cast<size_t>(b) + 1, false);
  std::vector<double> best(static_cast<size_t>(b) + 1, 0.0);
  std::vector<std::vector<double>> at(static_cast<size_t>(b) + 1, std::vector<double>(n, 0.0));
  reached[0] = true;
  for (size_t j = 0; j < n; ++j) {
    std::vector<bool> nextReached(reached.size(), false);
    std::vector<double> nextBest(best.size(), 0.0);
    std::vector<std::vector<double>> nextAt = at;
    for (int s = 0; s <= b; ++s) {
      if (!reached[static_cast<size_t>(s)]) continue;
      for (int k = 0; k <= kIntegerUpper && s + k * a[j] <= b; ++k) {
        const size_t t = static_cast<size_t>(s + k * a[j]);
        const double f = best[static_cast<size_t>(s)] + r->objective.linear[j] * k;
        if (nextReached[t] && sign * f >= sign * nextBest[t]) continue;
        nextReached[t] = true;
        nextBest[t] = f;
        nextAt[t] = at[static_cast<size_t>(s)];
        nextAt[t][j] = k;
      }
    }
    reached.swap(nextReached);
    best.swap(nextBest);
    at.swap(nextAt);
  }
  r->planted = at[static_cast<size_t>(b)];
  r->optimum = Vd_objectiveValue(*r, r->planted);
}

// General integers 0..50 in one equality row of whole coefficients (the row
// scaled by a power of ten), the objective's terms each of its own size.
VdRecipe integerRow(std::uint64_t seed) {
  VdDraw d(seed);
  VdRecipe r = Vd_newRecipe(d, seed, "integer-row", VdClass::Milp);
  const int n = d.pick(2, 4);
  std::vector<int> a;
  int b = 0;
  VdObjective& o = r.objective;
  o.sense = d.chance(50) ? VdSense::Min : VdSense::Max;
  for (int j = 0; j < n; ++j) {
    VdVariable v = boxed(0, kIntegerUpper);
    v.kind = VdKind::Integer;
    r.variables.push_back(v);
    a.push_back(d.pick(1, kMaxRowCoefficient));
    b += a.back() * d.pick(0, kIntegerUpper);
    o.linear.push_back(Vd_scaled(d.nonzeroHalf(6), d.pick(-3, kMaxObjectiveExponent)));
  }
  o.sumproduct = d.chance(50);
  const int e = d.pick(-3, 3);
  VdRow row;
  for (int c : a) row.linear.push_back(Vd_scaled(c, e));
  row.relation = VdRelation::Eq;
  row.rhs = Vd_scaled(b, e);
  row.sumproduct = d.chance(50);
  r.rows.push_back(row);
  bestByRowSums(&r, a, b);
  Vd_drawStarts(d, &r);
  return r;
}

// n cells holding 1..n in some order, a linear objective and a row with
// slack at one order; the optimum by trying every order.
VdRecipe allDifferent(std::uint64_t seed) {
  VdDraw d(seed);
  VdRecipe r = Vd_newRecipe(d, seed, "alldifferent", VdClass::Milp);
  const int n = d.pick(3, kMaxGroup);
  std::vector<double> order(static_cast<size_t>(n));
  std::iota(order.begin(), order.end(), 1.0);
  for (size_t j = order.size(); j-- > 1;)
    std::swap(order[j], order[static_cast<size_t>(d.pick(0, static_cast<int>(j)))]);
  VdObjective& o = r.objective;
  o.sense = d.chance(50) ? VdSense::Min : VdSense::Max;
  for (int j = 0; j < n; ++j) {
    VdVariable v = boxed(1, n);
    v.kind = VdKind::AllDifferent;
    r.variables.push_back(v);
    o.linear.push_back(d.nonzeroHalf(6));
  }
  r.groups.push_back({0, n});
  if (d.chance(70)) {
    VdRow row;
    for (int j = 0; j < n; ++j) row.linear.push_back(d.nonzeroHalf(6));
    row.relation = d.chance(50) ? VdRelation::Le : VdRelation::Ge;
    const double slack = d.half(0, 4);
    row.rhs = std::inner_product(row.linear.begin(), row.linear.end(), order.begin(), 0.0) +
              (row.relation == VdRelation::Le ? slack : -slack);
    r.rows.push_back(row);
  }
  const double sign = o.sense == VdSense::Min ? 1 : -1;
  std::sort(order.begin(), order.end());
  bool found = false;
  do {
    if (!Vd_violation(r, order).empty()) continue;
    const double f = Vd_objectiveValue(r, order);
    if (found && sign * f >= sign * r.optimum) continue;
    r.optimum = f;
    r.planted = order;
    found = true;
  } while (std::next_permutation(order.begin(), order.end()));
  Vd_drawStarts(d, &r);
  return r;
}

}  // namespace

const std::vector<VdGenerator>& Vd_shapeGenerators() {
  static const std::vector<VdGenerator> kTable = {
      {"nonlinear-rows", nonlinearEqualities, kVdNewFamilySeeds},
      {"ball-rows", severalBalls, kVdNewFamilySeeds},
      {"integer-row", integerRow, kVdNewFamilySeeds},
      {"alldifferent", allDifferent, kVdNewFamilySeeds},
  };
  return kTable;
}
