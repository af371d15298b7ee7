// The SOCP barrier engine under the branch-and-bound driver on small
// integer models whose rows mix scales: each search ends, at the optimum
// found by hand or by enumerating every integer point, with every row, bound
// and integer kind holding at the saved point. Quadratic rows on the wrong
// side of their curvature are refused in words, never run.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numeric>
#include <string>
#include <vector>

#include "tests/engines/SocpBookText.h"
#include "tests/support/EngineSolveFixture.h"

namespace {

using socpbook::cellOf;
using socpbook::written;

constexpr int kSocpEngine = 5;
constexpr int kRelInteger = 4, kRelBinary = 5, kRelAllDifferent = 6;
constexpr double kNoBound = 1e30;  // a bound the model does not set

// A row: a formula of the variable cells A1.. against a right-hand side.
struct Row {
  std::string formula;
  int relation;  // 1 <=, 2 =, 3 >=
  double rhs;
};

// A model of variables A1.. with bounds [lower, upper], each of a kind
// ('i' integer, 'b' binary, 'a' a member of the one alldifferent group).
struct IntegerModel {
  std::string label;
  std::vector<double> start, lower, upper;
  std::string kinds;
  std::string objective;
  int type;  // 1 maximise, 2 minimise
  std::vector<Row> rows;
  double optimum;
};

std::string absolute(int row, int column) {
  return "Model!$" + std::string(1, static_cast<char>('A' + column)) + "$" + std::to_string(row + 1);
}

// sum_j c[j]·x_j as a formula of A1...
std::string linear(const std::vector<double>& c) {
  std::string f = "=";
  for (std::size_t j = 0; j < c.size(); ++j)
    f += (j ? "+" : "") + written(c[j]) + "*" + cellOf(0, static_cast<int>(j));
  return f;
}

// Binary knapsack of n items, values and weights from a fixed sequence
// (with `mixed`, item j's weight times 1, 100 or 1E+4 by j mod 3), the
// capacity half the total weight, the weight row multiplied by `scale`,
// every item from `start`; the optimum by enumerating every subset.
IntegerModel knapsack(int n, double scale, bool mixed, double start) {
  constexpr double kMixedScales[] = {1, 100, 1e4};
  std::vector<double> value(n), weight(n);
  unsigned state = 12345u + static_cast<unsigned>(n);
  double total = 0;
  for (int j = 0; j < n; ++j) {
    state = state * 1103515245u + 12345u;
    value[j] = 3 + (state >> 16) % 17;
    state = state * 1103515245u + 12345u;
    weight[j] = (2 + (state >> 16) % 13) * (mixed ? kMixedScales[j % 3] : 1);
    total += weight[j];
  }
  const double capacity = std::floor(total / 2);
  double best = 0;
  for (int mask = 0; mask < (1 << n); ++mask) {
    double v = 0, w = 0;
    for (int j = 0; j < n; ++j)
      if (mask >> j & 1) v += value[j], w += weight[j];
    if (w <= capacity) best = std::max(best, v);
  }
  std::vector<double> scaled = weight;
  for (double& w : scaled) w *= scale;
  return {"knapsack of " + std::to_string(n) + (mixed ? " mixed" : "") + " at " + written(scale),
          std::vector<double>(n, start),
          std::vector<double>(n, 0.0),
          std::vector<double>(n, 1.0),
          std::string(static_cast<std::size_t>(n), 'b'),
          linear(value),
          1,
          {{linear(scaled), 1, capacity * scale}},
          best};
}

// Maximise B - 2C over whole B in [0, 2], C in [1, 4] with k·B - k·C = -2k
// and 0.025·B <= 0.005: B = 0 (B <= 0.2), C = 2, -4, whatever k.
IntegerModel equalityPair(double k, std::vector<double> start) {
  return {"equality pair at " + written(k),
          start,
          {0, 1},
          {2, 4},
          "ii",
          "=A1-2*B1",
          1,
          {{"=" + written(k) + "*A1-" + written(k) + "*B1", 2, -2 * k}, {"=0.025*A1", 1, 0.005}},
          -4};
}

// An alldifferent group of n cells (whole numbers 1..n) with costs and
// row weights of halves from a fixed sequence, maximised or minimised; with
// `relation` (0 none) a row of the weights times `scale` against its value
// at a drawn order, loosened by one half unless an equality; every cell
// from `start`. The optimum by trying every order.
IntegerModel allDifferent(int n, int type, int relation, double scale, double start) {
  unsigned state = 777u + static_cast<unsigned>(7 * n + 3 * relation + type);
  auto half = [&] {
    state = state * 1103515245u + 12345u;
    const int k = static_cast<int>((state >> 16) % 12) - 6;
    return (k >= 0 ? k + 1 : k) * 0.5;   // nonzero halves of -3..3
  };
  std::vector<double> cost(n), weight(n), order(n);
  for (int j = 0; j < n; ++j) cost[j] = half(), weight[j] = half(), order[j] = n - j;
  std::rotate(order.begin(), order.begin() + 1, order.end());
  double rhs = std::inner_product(weight.begin(), weight.end(), order.begin(), 0.0);
  rhs += relation == 1 ? 0.5 : relation == 3 ? -0.5 : 0.0;
  const double sign = type == 2 ? 1 : -1;
  double best = sign * kNoBound;
  std::sort(order.begin(), order.end());
  do {
    const double g = std::inner_product(weight.begin(), weight.end(), order.begin(), 0.0);
    if (relation == 1 ? g > rhs : relation == 3 ? g < rhs : relation == 2 && g != rhs) continue;
    best = sign * std::min(sign * best, sign * std::inner_product(cost.begin(), cost.end(), order.begin(), 0.0));
  } while (std::next_permutation(order.begin(), order.end()));
  std::vector<Row> rows;
  for (double& w : weight) w *= scale;
  if (relation) rows.push_back({linear(weight), relation, rhs * scale});
  return {"alldifferent of " + std::to_string(n) + " type " + std::to_string(type) + " relation " +
              std::to_string(relation) + " at " + written(scale),
          std::vector<double>(n, start),
          std::vector<double>(n, 1.0),
          std::vector<double>(n, n),
          std::string(static_cast<std::size_t>(n), 'a'),
          linear(cost),
          type,
          rows,
          best};
}

std::vector<IntegerModel> models() {
  std::vector<IntegerModel> out;
  for (double k : {1.0, 15.0, 150.0, 15000.0, 1e-4, 1e8})
    for (std::vector<double> start : {std::vector<double>{0, 1}, {2, 4}, {1, 3}}) out.push_back(equalityPair(k, start));
  for (int n = 4; n <= 9; ++n)
    for (double scale : {1.0, 150.0, 1e-4, 1e6})
      for (bool mixed : {false, true}) out.push_back(knapsack(n, scale, mixed, n % 2));
  for (int n = 3; n <= 5; ++n)
    for (int type : {1, 2})
      for (int relation = 0; relation <= 3; ++relation)
        for (double scale : {1.0, 1e-3, 1e5}) out.push_back(allDifferent(n, type, relation, scale, n % 2 ? 1 : 2.5));
  // Three distinct cells of 1..3: 3x + 2y + z least with x = 1, y = 2, z = 3.
  out.push_back({"alldifferent of three", {1, 1, 1}, {1, 1, 1}, {3, 3, 3}, "aaa", "=3*A1+2*B1+C1", 2, {}, 10});
  // The same with a scaled row x + y >= 5: x, y of 2 and 3, z = 1, least
  // at x = 2, y = 3 with 13.
  out.push_back({"alldifferent with a row",
                 {3, 3, 3},
                 {1, 1, 1},
                 {3, 3, 3},
                 "aaa",
                 "=3*A1+2*B1+C1",
                 2,
                 {{"=15000*A1+15000*B1", 3, 75000}},
                 13});
  // A row that reads a binary with 3E+06 beside whole numbers of unit
  // size: min -3B + C - 5D over A in [2, 5], B in [1, 6], C in {0, 1}, D in
  // [1, 5] with -2A + 2B - 3E+06·C - D = -5 and 20000(B + C) - 30000D >=
  // 20000. C = 0 (else the equality is off by millions), so D = 2(B - A) +
  // 5 is odd and B >= 1 + 1.5D: D = 1 with B = 3, A = 5 gives -14; D = 3
  // needs B = 6, A = 7, outside A's box.
  out.push_back({"a binary read at 3E+06",
                 {2, 1, 0, 1},
                 {2, 1, 0, 1},
                 {5, 6, 1, 5},
                 "iibi",
                 "=-3*B1+C1-5*D1",
                 2,
                 {{"=20000*B1+20000*C1-30000*D1", 3, 20000}, {"=-2*A1+2*B1-3000000*C1-D1", 2, -5}},
                 -14});
  // A free integer B that costs nothing and that a row bounds on one side
  // only: min 0.025A + 0.05C + 0.425D, A binary, C >= 0, D in [1, 3].
  // D = 1; 0.05A + 0.1C >= 0.25 asks C >= 3 without A, which -0.001A +
  // 0.0015C <= 0.0025 forbids, so A = 1, C = 2: 0.55, with any B <= -2.
  out.push_back({"a free integer that costs nothing",
                 {3, 1, 2, 1.5},
                 {0, -kNoBound, 0, 1},
                 {1, kNoBound, kNoBound, 3},
                 "biii",
                 "=0.025*A1+0.05*C1+0.425*D1",
                 2,
                 {{"=0.05*A1+0.1*C1-0.15*D1", 3, 0.1},
                  {"=A1+2.5*C1-1.5*D1", 1, 6.5},
                  {"=-0.001*A1+0.0015*C1", 1, 0.0025},
                  {"=-0.0005*A1-0.0025*B1-0.002*C1", 3, -0.0015}},
                 0.55});
  // General integers 0..50 with an equality: min 3x + 5y with 7x + 11y =
  // 1e4·100 scaled: x = 8, y = 4 gives 7·8 + 11·4 = 100 and 44; any other
  // (x, y) on the row costs more (x = 8 + 11t, y = 4 - 7t).
  out.push_back({"general integers with an equality",
                 {0, 0},
                 {0, 0},
                 {50, 50},
                 "ii",
                 "=3*A1+5*B1",
                 2,
                 {{"=70000*A1+110000*B1", 2, 1e6}},
                 44});
  return out;
}

class SocpInteger : public EngineSolveFixture {
 protected:
  void build(const IntegerModel& c) {
    newModel();
    const int n = static_cast<int>(c.start.size());
    for (int j = 0; j < n; ++j) number(cellOf(0, j).c_str(), c.start[j]);
    formula("K1", c.objective);
    const std::string cells = absolute(0, 0) + ":" + absolute(0, n - 1).substr(6);
    int index = 1;
    auto add = [&](const std::string& lhs, int relation, const std::string& rhs) {
      row(index++, lhs, relation, rhs);
    };
    for (int j = 0; j < n; ++j) {
      if (c.lower[j] > -kNoBound) add(absolute(0, j), 3, written(c.lower[j]));
      if (c.upper[j] < kNoBound) add(absolute(0, j), 1, written(c.upper[j]));
      if (c.kinds[j] == 'i') add(absolute(0, j), kRelInteger, "integer");
      if (c.kinds[j] == 'b') add(absolute(0, j), kRelBinary, "binary");
    }
    if (c.kinds.find('a') != std::string::npos) add(cells, kRelAllDifferent, "alldifferent");
    for (std::size_t i = 0; i < c.rows.size(); ++i) {
      formula(cellOf(static_cast<int>(i) + 1, 10).c_str(), c.rows[i].formula);
      add(absolute(static_cast<int>(i) + 1, 10), c.rows[i].relation, written(c.rows[i].rhs));
    }
    names({{"solver_adj", cells},
           {"solver_opt", "Model!$K$1"},
           {"solver_typ", std::to_string(c.type)},
           {"solver_eng", std::to_string(kSocpEngine)},
           {"solver_num", std::to_string(index - 1)},
           {"solver_neg", "2"}});
  }
  // Every bound, whole number, distinct group member and row at the point.
  void expectHolds(const IntegerModel& c) {
    const int n = static_cast<int>(c.start.size());
    std::vector<double> seen;
    for (int j = 0; j < n; ++j) {
      const double v = valueAt(cellOf(0, j).c_str());
      EXPECT_GE(v, c.lower[j]) << cellOf(0, j);
      EXPECT_LE(v, c.upper[j]) << cellOf(0, j);
      EXPECT_EQ(v, std::round(v)) << cellOf(0, j);
      if (c.kinds[j] != 'a') continue;
      for (double other : seen) EXPECT_NE(v, other) << cellOf(0, j);
      seen.push_back(v);
    }
    for (std::size_t i = 0; i < c.rows.size(); ++i) {
      const Row& r = c.rows[i];
      const double v = valueAt(cellOf(static_cast<int>(i) + 1, 10).c_str());
      const double tol = 1e-6 * (1 + std::fabs(r.rhs));
      EXPECT_TRUE(r.relation == 1   ? v <= r.rhs + tol
                  : r.relation == 3 ? v >= r.rhs - tol
                                    : std::fabs(v - r.rhs) <= tol)
          << r.formula << " is " << written(v);
    }
  }
};

TEST_F(SocpInteger, SearchesEndAtTheOptimum) {
  for (const IntegerModel& c : models()) {
    SCOPED_TRACE(c.label + " from " + written(c.start[0]));
    build(c);
    EXPECT_EQ(solve(0), StatusSolved);
    EXPECT_NEAR(valueAt("K1"), c.optimum, 1e-6 * (1 + std::fabs(c.optimum)));
    expectHolds(c);
  }
}

// A quadratic row whose feasible side is not convex (x² >= 1, -(x²) <= -1,
// also when the row's cell is the objective's, and a quadratic of two
// variables whose matrix [1 2; 2 1] has a negative eigenvalue) is refused
// with 1102, whether the model is analysed or read by evaluation.
TEST_F(SocpInteger, NonConvexQuadraticRowsAreRefused) {
  struct Case {
    const char* objective;
    const char* row;
    int relation;
    double rhs;
  };
  const Case cases[] = {
      {"=D2", "=A1^2", 3, 1},  // the objective cell's own value bounded below
      {"=A1+B1", "=-(A1^2)", 1, -1},
      {"=A1+B1", "=A1^2", 3, 1},
      {"=A1+B1", "=3*A1^2-A1", 3, 2},
      {"=A1+B1", "=A1^2+4*A1*B1+B1^2", 1, 1},
  };
  for (const Case& c : cases)
    for (int action : {0, 3}) {  // analysed, and read by evaluation
      SCOPED_TRACE(std::string(c.row) + " against " + written(c.rhs) + " by action " + std::to_string(action));
      twoVariables(c.objective, 2, kSocpEngine, 1);
      formula("D2", c.row);
      row(1, "Model!$D$2", c.relation, written(c.rhs));
      EXPECT_EQ(solve(action), 1102);
    }
  // Negation binds before the power: -A1^2 is (-A1)², which no A1 holds at
  // or below -1.
  twoVariables("=A1+B1", 2, kSocpEngine, 1);
  formula("D2", "=-A1^2");
  row(1, "Model!$D$2", 1, "-1");
  EXPECT_EQ(solve(0), StatusInfeasible);
}

}  // namespace
