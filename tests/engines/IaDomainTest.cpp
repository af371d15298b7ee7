// The interval global engine, run by the library end to end, on models whose
// functions are undefined or unbounded over part of the start box: a pole of
// TAN, 1/x and negative powers at 0, SQRT, real powers, LN, LOG, ASIN and
// ACOS past the ends of their domains, in systems of equations and in a
// constraint of a minimisation. A box that reaches past the domain still
// holds the points inside it: every contraction method finds the root or
// the minimum and leaves it in the cells.
#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/EngineSolveFixture.h"

namespace {

struct DomainSystem {
  const char* name;
  std::string first;  // = 0 at the root; reads x (A1) and y (B1)
  double target;      // the second equation: y = target
  double xLower, xUpper, yLower, yUpper, xStart, yStart;
  double xRoot;  // the only root in the box
};

void PrintTo(const DomainSystem& s, std::ostream* os) { *os << s.name; }

const double kPi = std::acos(-1.0);

// Each root is the only one in its box, computed by hand: tan x = 1,
// 1 / x = 2, sqrt(x + 1.5) = 1, ln(x + 1.5) = 0, log10(x + 1.5) = 0,
// asin(x - 1) = 0.5, acos(x - 1) = 0.5, (x + 1.5)^-0.5 = 1, x^-3 = 8.
const std::vector<DomainSystem> kSystems = {
    {"tan", "=B1-TAN(A1)", 1, -2, 2, -2, 3, -1.9, -1.9, kPi / 4},
    {"reciprocal", "=B1-1/A1", 2, -2, 2, -2, 3, -1.9, -1.9, 0.5},
    {"negativePower", "=B1-A1^-1", 2, -2, 2, -2, 3, -1.9, -1.9, 0.5},
    {"negativeOddPower", "=B1-A1^-3", 8, -2, 2, -2, 9, -1.9, -1.9, 0.5},
    {"realPower", "=B1-(A1+1.5)^0.5", 1, -2, 2, -2, 3, 1, 1, -0.5},
    {"sqrt", "=B1-SQRT(A1+1.5)", 1, -2, 2, -2, 3, 1, 1, -0.5},
    {"negativeRealPower", "=B1-(A1+1.5)^-0.5", 1, -2, 2, -2, 3, 1, 1, -0.5},
    {"ln", "=B1-LN(A1+1.5)", 0, -2, 2, -2, 3, 1, 1, -0.5},
    {"log", "=B1-LOG(A1+1.5)", 0, -2, 2, -2, 3, 1, 1, -0.5},
    {"asin", "=B1-ASIN(A1-1)", 0.5, -2, 2, -2, 3, 1, 1, 1 + std::sin(0.5)},
    {"acos", "=B1-ACOS(A1-1)", 0.5, -2, 2, -2, 3, 1, 1, 1 + std::cos(0.5)},
};

class DomainSystems : public EngineSolveFixture, public ::testing::WithParamInterface<DomainSystem> {
 protected:
  // Variables A1:B1 from the start; equations C1 = 0 and D1 (= B1) = target
  // against E1:F1; the bounds from A2:B2 and A3:B3.
  void build(const DomainSystem& s) {
    newModel();
    number("A1", s.xStart);
    number("B1", s.yStart);
    formula("C1", s.first);
    formula("D1", "=B1");
    number("E1", 0);
    number("F1", s.target);
    number("A2", s.xLower);
    number("B2", s.yLower);
    number("A3", s.xUpper);
    number("B3", s.yUpper);
    names({{"solver_adj", "Model!$A$1:$B$1"},
           {"solver_eng", "4"},
           {"solver_neg", "2"},
           {"solver_num", "3"},
           {"solver_lhs1", "Model!$C$1:$D$1"},
           {"solver_rel1", "2"},
           {"solver_rhs1", "Model!$E$1:$F$1"},
           {"solver_lhs2", "Model!$A$1:$B$1"},
           {"solver_rel2", "3"},
           {"solver_rhs2", "Model!$A$2:$B$2"},
           {"solver_lhs3", "Model!$A$1:$B$1"},
           {"solver_rel3", "1"},
           {"solver_rhs3", "Model!$A$3:$B$3"},
           {"solver_rep", "2"}});
  }
  // The first coordinates of the solutions the engine's table lists: the
  // row that starts with the mode "3" holds their count in its seventh cell,
  // the next the variables' addresses and then the midpoints, 12 cells to a
  // row.
  std::vector<double> listedRoots() const {
    const Sheet* table = addIn->sheets[0].get();
    auto text = [table](int at) {
      const Cell* cell = Wb_findCell(table, at / 12, at % 12);
      return cell && cell->value.kind == CellKind::Text ? cell->value.text : "";
    };
    std::vector<double> out;
    for (int at = 0; at < 80 * 12; at += 12) {
      if (text(at) != "3" || text(at + 12) != "R1C1") continue;
      for (int k = 1; k <= std::stoi(text(at + 6)); ++k) out.push_back(std::stod(text(at + 12 + 2 * k)));
    }
    return out;
  }
};

// The columns of each table: "solver_met" and "solver_lpt" for interval
// contraction, affine forms, and affine forms with the LP relaxation.
const std::vector<std::pair<const char*, const char*>> kMethods = {{"1", "0"}, {"2", "0"}, {"2", "1"}};

TEST_P(DomainSystems, EveryMethodFindsTheRootInsideTheDomain) {
  const DomainSystem& s = GetParam();
  for (const auto& [method, lp] : kMethods) {
    build(s);
    name("solver_met", method);
    name("solver_lpt", lp);
    EXPECT_EQ(solve(0), StatusSolved) << "met " << method << " lpt " << lp;
    EXPECT_NEAR(valueAt("A1"), s.xRoot, 1e-6) << "met " << method << " lpt " << lp;
    EXPECT_NEAR(valueAt("B1"), s.target, 1e-6) << "met " << method << " lpt " << lp;
    // The search lists the root alone: no box at a pole or outside the
    // domain passes for a solution.
    const std::vector<double> listed = listedRoots();
    ASSERT_EQ(listed.size(), 1u) << "met " << method << " lpt " << lp;
    EXPECT_NEAR(listed[0], s.xRoot, 1e-3) << "met " << method << " lpt " << lp;
  }
}

INSTANTIATE_TEST_SUITE_P(Ia, DomainSystems, ::testing::ValuesIn(kSystems),
                         [](const auto& info) { return std::string(info.param.name); });

// A system whose root lies outside the domain (sqrt(x + 1.5) = -1): no
// solution, and not "solved" where the search or a local run stopped.
TEST_F(DomainSystems, ASystemWithoutARootInTheDomainHasNoSolution) {
  for (const auto& [method, lp] : kMethods) {
    build(DomainSystem{"none", "=B1-SQRT(A1+1.5)", -1, -2, 2, -2, 3, 1, 1, 0});
    name("solver_met", method);
    name("solver_lpt", lp);
    EXPECT_EQ(solve(0), StatusInfeasible) << "met " << method << " lpt " << lp;
    EXPECT_TRUE(listedRoots().empty()) << "met " << method << " lpt " << lp;
  }
}

class DomainMinima : public EngineSolveFixture {};

// The same functions in a constraint of a minimisation: minimise x + y^2
// over [-2, 2]^2 from (1.9, 1.9), where the constraint bounds x from below
// (by hand: ln(x + 1.5) >= -2 from e^-2 - 1.5, log10(x + 1.5) >= -1 from
// -1.4, sqrt(x + 1.5) >= 0.5 and (x + 1.5)^-0.5 <= 2 from -1.25, 1 / x <= -1
// from -1, tan x >= 1 holds at -2): the least x, at y = 0.
TEST_F(DomainMinima, EveryMethodReachesTheMinimumNextToTheDomainsEnd) {
  struct Row {
    const char* formula;
    int relation;  // 1 <=, 3 >=
    double rhs, least;
  };
  const Row rows[] = {
      {"=LN(A1+1.5)", 3, -2, std::exp(-2.0) - 1.5},
      {"=LOG(A1+1.5)", 3, -1, -1.4},
      {"=SQRT(A1+1.5)", 3, 0.5, -1.25},
      {"=(A1+1.5)^-0.5", 1, 2, -1.25},
      {"=1/A1", 1, -1, -1},
      {"=A1^-1", 1, -1, -1},
      {"=TAN(A1)", 3, 1, -2},
  };
  for (const Row& r : rows)
    for (const auto& [method, lp] : kMethods) {
      twoVariables("=A1+B1^2", 2, 4, 3, 1.9, 1.9);
      formula("D1", r.formula);
      bounds(1, "Model!$A$1:$B$1", -2, 2);
      row(3, "Model!$D$1", r.relation, r.rhs);
      name("solver_met", method);
      name("solver_lpt", lp);
      EXPECT_EQ(solve(0), StatusSolved) << r.formula << " met " << method << " lpt " << lp;
      EXPECT_NEAR(valueAt("A1"), r.least, 1e-6) << r.formula << " met " << method << " lpt " << lp;
      EXPECT_NEAR(valueAt("B1"), 0, 1e-6) << r.formula << " met " << method << " lpt " << lp;
    }
}

}  // namespace
