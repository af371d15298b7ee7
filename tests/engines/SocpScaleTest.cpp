// The SOCP barrier engine's verdicts do not depend on the scale of the
// model: a model multiplied through by a factor, or with its variable far
// from 1, is solved to its closed-form optimum as the model at unit scale;
// equality rows hold within the precision the solution is judged by.
#include <cmath>
#include <cstdio>
#include <tuple>

#include "tests/engines/SocpBookText.h"
#include "tests/support/EngineSolveFixture.h"

namespace {

using socpbook::cellOf;
using socpbook::written;

constexpr int kSocpEngine = 5;

// A model of the variable A1 alone: minimise `objective` subject to rows
// on A1 (relation, right-hand side) and on B1 = A1 (a row, not a bound).
struct ScaledModel {
  std::string objective;
  std::vector<std::pair<int, double>> bounds, rows;
  double x, optimum;
  double size;  // the objective's scale: its error is judged relative to it
};

class SocpScale : public EngineSolveFixture {
 protected:
  void build(const ScaledModel& c) {
    twoVariables(c.objective, 2, kSocpEngine, static_cast<int>(c.bounds.size() + c.rows.size()));
    name("solver_adj", "Model!$A$1");
    formula("B1", "=A1");
    int index = 1;
    for (const auto& [relation, rhs] : c.bounds) row(index++, "Model!$A$1", relation, written(rhs));
    for (const auto& [relation, rhs] : c.rows) row(index++, "Model!$B$1", relation, written(rhs));
  }
};

TEST_F(SocpScale, ScaledModelsReachTheirOptima) {
  std::vector<ScaledModel> cases;
  for (double k : {1e-6, 1.0, 1e4, 1e7, 1e8, 1e10}) {
    // k(x - 3)² on [0, 10]: 0 at 3.
    cases.push_back({"=" + written(k) + "*(A1-3)^2", {{3, 0}, {1, 10}}, {}, 3, 0, k});
    // k(x - 3)² with 0 <= x <= 10 as rows.
    cases.push_back({"=" + written(k) + "*(A1-3)^2", {}, {{3, 0}, {1, 10}}, 3, 0, k});
    // k·x + k with 3 <= x <= 10 as rows: 4k at 3.
    if (k >= 1) cases.push_back({"=" + written(k) + "*A1+" + written(k), {}, {{3, 3}, {1, 10}}, 3, 4 * k, k});
  }
  for (double x : {1.0, 98557.0, 1e7}) {
    // 12.5x² with x fixed by a bound, then by a row.
    cases.push_back({"=12.5*A1^2", {{2, x}}, {}, x, 12.5 * x * x, 12.5 * x * x});
    cases.push_back({"=12.5*A1^2", {}, {{2, x}}, x, 12.5 * x * x, 12.5 * x * x});
  }
  for (const ScaledModel& c : cases) {
    SCOPED_TRACE(c.objective + " at " + written(c.x));
    build(c);
    ASSERT_EQ(solve(0), StatusSolved);
    EXPECT_NEAR(valueAt("A1"), c.x, 1e-3 * std::max(1.0, std::fabs(c.x)));
    EXPECT_NEAR(valueAt("C1"), c.optimum, 1e-5 * c.size);
  }
}

// Models of variables from A1 with rows far from unit scale: the objective
// in F1 (1 maximise, 2 minimise), each row a formula from F2 against a
// right-hand side, bounds as rows on the variable cells. The optimum and
// each row are held to the precision a solution is judged by.
struct LargeModel {
  std::vector<double> start;
  std::string objective;
  int type;
  std::vector<std::tuple<std::string, int, double>> bounds, rows;  // cells or formula, relation, rhs
  std::vector<double> x;
  double optimum;
  double size;  // the objective's scale: its error is judged relative to it
};

TEST_F(SocpScale, RowsFarFromUnitScaleReachTheirOptima) {
  const std::vector<LargeModel> cases = {
      // (x - 4e5)² on [0, 1e6]: 0 at 4e5.
      {{0}, "=(A1-400000)^2", 2, {{"A1", 3, 0}, {"A1", 1, 1e6}}, {}, {4e5}, 0, 1.6e11},
      // (x - 350000)² over x >= 0: 0 at 350000.
      {{0}, "=(A1-350000)^2", 2, {{"A1", 3, 0}}, {}, {350000}, 0, 1.225e11},
      // A linear objective over a ball of radius 5000 around (35000,
      // 20000, 30000) cut by a plane: the Lagrange conditions give
      // (31666.67, 21666.67, 26666.67) and 142500.
      {{10000, 0, 10000},
       "=3*A1-1.5*B1+3*C1",
       2,
       {{"A1:C1", 3, 0}, {"B1", 1, 25000}},
       {{"=(A1-35000)^2+(B1-20000)^2+(C1-30000)^2", 1, 2.5e7}, {"=-1.5*B1+1.5*C1", 3, 2500}},
       {95000.0 / 3, 65000.0 / 3, 80000.0 / 3},
       142500,
       142500},
      // Three equalities that all say x = 0: 0 at 0.
      {{-3},
       "=7*A1",
       2,
       {{"A1", 3, -3}, {"A1", 1, 0}},
       {{"=-3*A1", 2, 0}, {"=-0.5*A1", 2, 0}, {"=2*A1", 2, 0}},
       {0},
       0,
       1},
      // max 2x with x = 90000 by an equality and a large quadratic row: 180000.
      {{30000},
       "=2*A1",
       1,
       {{"A1", 3, 0}, {"A1", 1, 120000}},
       {{"=(A1-50000)^2", 1, 1.6e9}, {"=-3*A1", 3, -275000}, {"=-3*A1", 2, -270000}},
       {90000},
       180000,
       180000},
      // Generated models, each judged within 1e-5 of 1 + |optimum| + the
      // objective's terms there (an empty x: the optimum is not unique).
      // 0.5x² on [0, 4e6] from -2e6: 0 at 0.
      {{-2e6}, "=0.5*A1^2", 2, {{"A1", 3, 0}, {"A1", 1, 4e6}}, {}, {0}, 0, 1},
      // 2.5(x + 2)² on [-35, -5]: 22.5 at -5.
      {{5}, "=2.5*(A1+2)^2", 2, {{"A1", 3, -35}, {"A1", 1, -5}}, {{"=-A1", 1, 10}}, {-5}, 22.5, 146},
      // A separable quadratic at 1e6 scale with an equality row.
      {{0, 1.5e6, -1.25e6},
       "=2.5*(A1-3400000)^2+1*(B1+2750000)^2+4*(C1-1187500)^2",
       2,
       {{"A1", 3, 2e6}, {"A1", 1, 3e6}, {"B1", 3, -2.5e6}, {"B1", 1, -1.5e6}, {"C1", 3, -2e6}, {"C1", 1, 1e6}},
       {{"=A1-0.5*C1", 2, 2.5e6}, {"=2.5*A1-2.5*B1", 1, 1.525e7}},
       {3e6, -2.5e6, 1e6},
       6.03125e11,
       1.49706250000001e14},
      // The same kind maximised, one variable bounded below only.
      {{1e6, -1e6, 5.75e6, 3.5e6},
       "=-4*(A1+125000)^2-2*(B1-375000)^2-3.5*(C1-3357142.8571428573)^2-3*(D1-833333.3333333333)^2",
       1,
       {{"A1", 3, 0}, {"B1", 3, 0}, {"B1", 1, 3e6}, {"C1", 3, 3.5e6}, {"C1", 1, 6.5e6}, {"D1", 3, 0}, {"D1", 1, 3.5e6}},
       {{"=1.5*B1+D1", 2, 5e5}, {"=2.5*A1-2*B1-1.5*D1", 1, 750000}},
       {0, 0, 3.5e6, 5e5},
       -748511904761.9045,
       1.709970238095248e14},
      // Two variables at 1e5 scale with an equality row.
      {{4e5, -4.5e5},
       "=4*(A1-284375)^2+3*(B1+233333.33333333334)^2",
       2,
       {{"A1", 3, 1e5}, {"A1", 1, 5e5}, {"B1", 3, -2.5e5}, {"B1", 1, 1.5e5}},
       {{"=2.5*A1-2*B1", 2, 1.25e6}},
       {3e5, -2.5e5},
       1809895833.3333325,
       2068619791667.6667},
      // A variable fixed at 0 by its bounds, maximised.
      {{-4e5, 1e5, 1e5, 1e5},
       "=-3.5*(A1+2E+05)^2-1.5*B1^2-1.5*(C1-133333.33333333334)^2-3*(D1-208333.33333333334)^2",
       1,
       {{"A1", 3, -2e5},
        {"A1", 1, 0},
        {"B1", 3, 0},
        {"B1", 1, 0},
        {"C1", 3, -2e5},
        {"C1", 1, 6e5},
        {"D1", 3, 0},
        {"D1", 1, 6e5}},
       {{"=2*B1+1.5*D1", 1, 350000}, {"=3*B1", 1, 0}, {"=2*C1-0.5*D1", 2, 3e5}, {"=2.5*C1", 3, 2e5}},
       {-2e5, 0, 2e5, 2e5},
       -6874999999.999999,
       1233750000001.0002},
      // An LP with three variables fixed by equal bounds and equality rows.
      {{-3e5, 1e5, 5.5e5, -4.5e5, 4.5e5},
       "=6.75*A1+0.25*B1+C1+4.75*D1-11*E1",
       1,
       {{"A1", 2, -3e5},
        {"B1", 2, -3e5},
        {"C1", 2, 3.5e5},
        {"D1", 3, -3.5e5},
        {"D1", 1, 5e4},
        {"E1", 3, -2.5e5},
        {"E1", 1, 1.5e5}},
       {{"=-0.5*B1+2.5*C1-1.5*E1", 3, 1.4e6},
        {"=-1.5*A1-2.5*D1+3*E1", 2, 325000},
        {"=-1.5*A1-0.5*B1+D1+1.5*E1", 2, -25000},
        {"=1.5*A1-2*B1-2*C1+2.5*D1-2*E1", 3, -925000},
        {"=A1-B1-C1-2.5*D1+2.5*E1", 3, -350000}},
       {-3e5, -3e5, 3.5e5, -2.5e5, -2.5e5},
       -187500,
       6575001},
      // Equality rows, one on 0, with the variables boxed: -125.
      {{-450, 500},
       "=0.5*A1+5.75*B1",
       1,
       {{"A1", 3, -450}, {"A1", 1, -250}, {"B1", 3, -400}, {"B1", 1, 400}},
       {{"=2*B1", 2, 0}, {"=-A1-1.5*B1", 2, 250}, {"=-A1-2.5*B1", 2, 250}},
       {-250, 0},
       -125,
       1 + 125 + 125},
      // An LP with a variable fixed by its bounds and a row on 0: 8000.
      {{0, 0},
       "=4*A1-2.25*B1",
       1,
       {{"A1", 2, 2000}, {"B1", 3, 0}, {"B1", 1, 3000}},
       {{"=-3*A1", 2, -6000}, {"=-0.5*B1", 2, 0}},
       {2000, 0},
       8000,
       16001},
      // A linear objective over a ball of radius 5E-04 cut by an equality.
      {{0.005, -0.001, 0},
       "=-9*A1+3*B1-4.5*C1",
       2,
       {{"A1", 3, -0.001}, {"A1", 1, 0.004}, {"B1", 3, -0.0035}, {"B1", 1, 0.0015}, {"C1", 1, 0.0025}},
       {{"=(A1-0.0015)^2+(B1+0.001)^2+(C1-0.001)^2", 1, 2.5e-7},
        {"=-A1-2*C1", 2, -0.004357142857142857},
        {"=2.5*A1-3*B1", 1, 0.01075}},
       {0.0019285714285714286, -0.0011428571428571427, 0.0012142857142857142},
       -0.026249999999999996,
       1.0525},
      // A linear objective over a ball of radius 15000: c·centre - 15000|c|
      // = -455000 - 105000 at centre - 15000 c/|c| (Lagrange), which the
      // second row leaves alone. The run crawls for about a hundred
      // iterations, its residuals barely falling, before its steps open up.
      {{50000, 0, 0},
       "=-2*A1-3*B1-6*C1",
       2,
       {{"A1:C1", 3, 0}, {"A1", 1, 1e5}, {"B1", 1, 90000}},
       {{"=1*(A1-55000)^2+1*(B1-55000)^2+1*(C1-30000)^2", 1, 2.25e8}, {"=-2.5*A1+C1", 3, -135357.14285714287}},
       {415000.0 / 7, 430000.0 / 7, 300000.0 / 7},
       -560000,
       560000},
      // A linear objective over a ball of radius 5000 about (40000, 30000,
      // 35000) whose first variable has only a lower bound of 0 and starts
      // there: 152500 where the third row meets the ball (Lagrange). Sized
      // by its bound and start alone, the variable stood 40000 units from
      // the run's start, and the steps shrank to nothing on the way.
      {{0, 45000, 0},
       "=1.5*A1-B1+3*C1",
       1,
       {{"A1:C1", 3, 0}, {"B1", 1, 35000}, {"C1", 1, 70000}},
       {{"=1*(A1-40000)^2+1*(B1-30000)^2+1*(C1-35000)^2", 1, 2.5e7},
        {"=-0.5*B1", 3, -34285.71428571429},
        {"=2*B1+3*C1", 3, 155000}},
       {295000.0 / 7, 200000.0 / 7, 275000.0 / 7},
       152500,
       210000},
      // A linear objective over a ball of radius 25000 about (5000, 35000):
      // 0 at centre - 25000 c/|c| = (-15000, 20000) (Lagrange), which the
      // rows leave alone. Its gap, held to 1E-12 of the objective's size,
      // was lost to rounding: "no further progress" at the optimum.
      {{-80000, -30000},
       "=-2*A1-1.5*B1",
       1,
       {{"A1", 3, -50000}, {"A1", 1, 60000}, {"B1", 3, -20000}, {"B1", 1, 90000}},
       {{"=1*(A1-5000)^2+1*(B1-35000)^2", 1, 6.25e8}, {"=-2.5*A1", 3, 32500}, {"=B1", 3, 15000}},
       {-15000, 20000},
       0,
       60000},
      // An LP whose variables have upper bounds only: -1e6.
      {{1e6, -2e6, 0},
       "=-C1",
       2,
       {{"A1", 1, 3.5e6}, {"B1", 1, 1e6}, {"C1", 1, 1e6}},
       {{"=-3*A1+1.5*B1+1.5*C1", 1, 0}},
       {},
       -1e6,
       2000001},
  };
  for (const LargeModel& c : cases) {
    SCOPED_TRACE(c.objective);
    newModel();
    const int n = static_cast<int>(c.start.size());
    for (int j = 0; j < n; ++j) number(cellOf(0, j).c_str(), c.start[j]);
    formula("F1", c.objective);
    names({{"solver_adj", "Model!$A$1:$" + std::string(1, static_cast<char>('A' + n - 1)) + "$1"},
           {"solver_opt", "Model!$F$1"},
           {"solver_typ", std::to_string(c.type)},
           {"solver_eng", std::to_string(kSocpEngine)},
           {"solver_num", std::to_string(c.bounds.size() + c.rows.size())},
           {"solver_neg", "2"}});
    int index = 1, line = 1;
    for (const auto& [cells, relation, rhs] : c.bounds) row(index++, "Model!" + cells, relation, written(rhs));
    for (const auto& [text, relation, rhs] : c.rows) {
      formula(cellOf(line, 5).c_str(), text);
      row(index++, "Model!" + cellOf(line++, 5), relation, written(rhs));
    }
    EXPECT_EQ(solve(0), StatusSolved);
    double largest = 0;
    for (double v : c.x) largest = std::max(largest, std::fabs(v));
    for (std::size_t j = 0; j < c.x.size(); ++j)
      EXPECT_NEAR(valueAt(cellOf(0, static_cast<int>(j)).c_str()), c.x[j],
                  1e-3 * std::max(1.0, std::fabs(c.x[j])) + 1e-6 * largest);
    EXPECT_NEAR(valueAt("F1"), c.optimum, 1e-5 * c.size);
    for (std::size_t i = 0; i < c.rows.size(); ++i) {
      const auto& [text, relation, rhs] = c.rows[i];
      const double v = valueAt(cellOf(static_cast<int>(i) + 1, 5).c_str()), tol = 1e-6 * (1 + std::fabs(rhs));
      EXPECT_TRUE(relation == 1   ? v <= rhs + tol
                  : relation == 3 ? v >= rhs - tol
                                  : std::fabs(v - rhs) <= tol)
          << text << " is " << written(v);
    }
  }
}

// Netlib LPs on the SOCP engine, every row within 1e-6 of its limits
// relative to 1 + |limit|, the test a solution is judged by (rows from 12:
// value B, lower D, upper E). share2b (equality rows on 0 among them)
// reaches its published optimum; boeing2's steps break down short of it
// (its gap still open), which the engine may not call converged: it is
// solved, or no further progress could be made at a point that holds.
TEST_F(SocpScale, NetlibRowsHoldWithinTheJudgedPrecision) {
  struct Netlib {
    const char* name;
    int rows;
    double optimum;
    bool solves;
  };
  const Netlib cases[] = {{"share2b", 96, -415.73224074, true}, {"boeing2", 166, -315.01872802, false}};
  for (const Netlib& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(open(std::string("lp/") + c.name + ".xlsx"));
    name("solver_eng", "5");
    const int status = solve(0);
    if (c.solves || status != StatusNoProgress) {
      ASSERT_EQ(status, StatusSolved);
      EXPECT_NEAR(valueAt("B2"), c.optimum, 1e-6 * std::fabs(c.optimum));
    }
    for (int row = 11; row < 11 + c.rows; ++row) {
      const double value = numberIn(sheet, row, 1), lower = numberIn(sheet, row, 3), upper = numberIn(sheet, row, 4);
      if (!std::isnan(lower)) {
        EXPECT_GE(value, lower - 1e-6 * (1 + std::fabs(lower))) << "row " << row + 1;
      }
      if (!std::isnan(upper)) {
        EXPECT_LE(value, upper + 1e-6 * (1 + std::fabs(upper))) << "row " << row + 1;
      }
    }
  }
}

}  // namespace
