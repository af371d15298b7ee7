// The interval global engine run by the library end to end on the shared
// global optimisation workbooks as they are: no "solver_dia" in them, and the
// library analyses and diagnoses each because the engine asks for it; each
// bounded model reaches its published global optimum from the start point in the
// file, and each system of equations lists every known solution in the
// engine's report table and leaves one, to full precision, in its cells.
#include <cmath>
#include <map>

#include "DataRows.h"
#include "tests/support/EngineSolveFixture.h"

namespace {

struct GlobalProblem {
  std::string name, kind;
  int n = 0;
  double optimum = 0;
  std::vector<std::vector<double>> solutions;  // of a system of equations
};

void PrintTo(const GlobalProblem& p, std::ostream* os) { *os << p.name; }

std::vector<GlobalProblem> readProblems() {
  std::map<std::string, std::map<int, std::vector<double>>> points;
  for (const std::vector<std::string>& f : dataRows("global/solutions.csv")) {  // name, solution, variable, cell, value
    if (f.size() >= 5) points[f[0]][std::stoi(f[1])].push_back(std::stod(f[4]));
  }
  std::vector<GlobalProblem> out;
  for (const std::vector<std::string>& f : dataRows("global/optima.csv")) {  // name, kind, n, rows, sense, optimum, ...
    if (f.size() < 6) continue;
    GlobalProblem p{f[0], f[1], std::stoi(f[2]), f[5].empty() ? 0.0 : std::stod(f[5]), {}};
    for (const auto& [index, x] : points[p.name]) p.solutions.push_back(x);
    out.push_back(p);
  }
  return out;
}

class GlobalWorkbooks : public EngineSolveFixture, public ::testing::WithParamInterface<GlobalProblem> {
 protected:
  // The report table's cells in reading order, 12 to a row.
  std::vector<std::string> tableTexts() const {
    std::vector<std::string> texts;
    const Sheet* table = addIn->sheets[0].get();
    for (int row = 0; row < 80; ++row)
      for (int column = 0; column < 12; ++column) {
        const Cell* cell = Wb_findCell(table, row, column);
        texts.push_back(cell && cell->value.kind == CellKind::Text ? cell->value.text : "");
      }
    return texts;
  }
  // The midpoints of the listed solution boxes: the engine's table starts
  // with a row whose first cell is the mode "3" and whose seventh is the
  // number of solutions; the next row holds the variables' addresses and
  // then the midpoints, n to a solution.
  std::vector<std::vector<double>> listedSolutions(int n) const {
    const std::vector<std::string> texts = tableTexts();
    std::vector<std::vector<double>> out;
    for (std::size_t at = 0; at + 24 <= texts.size(); at += 12) {
      if (texts[at] != "3" || texts[at + 12] != "R2C2") continue;
      const int count = std::stoi(texts[at + 6]);
      for (int k = 0; k < count; ++k) {
        std::vector<double> x;
        for (int i = 0; i < n; ++i) x.push_back(std::stod(texts[at + 12 + (k + 1) * n + i]));
        out.push_back(x);
      }
    }
    return out;
  }
};

TEST_P(GlobalWorkbooks, ReachesTheOptimumOrListsEverySolution) {
  const GlobalProblem& p = GetParam();
  ASSERT_TRUE(open("global/" + p.name + ".xlsx"));
  name("solver_rep", "2");
  ASSERT_EQ(solve(0), StatusSolved);
  if (p.kind != "equations") {
    EXPECT_NEAR(valueAt("B6"), p.optimum, 1e-6 * std::max(1.0, std::fabs(p.optimum)));
    return;
  }
  // The cells hold the first solution to full precision: each equation's
  // body (B9 on) equals its right-hand side (D9 on).
  for (int k = 0; k < p.n; ++k)
    EXPECT_NEAR(numberIn(sheet, 8 + k, 1), numberIn(sheet, 8 + k, 3), 1e-9) << "equation " << k + 1;
  const std::vector<std::vector<double>> listed = listedSolutions(p.n);
  EXPECT_EQ(listed.size(), p.solutions.size());
  for (const std::vector<double>& known : p.solutions) {
    bool found = false;
    for (const std::vector<double>& x : listed) {
      bool near = true;
      for (int i = 0; i < p.n; ++i) near = near && std::fabs(x[i] - known[i]) <= 1e-3;
      found = found || near;
    }
    EXPECT_TRUE(found) << "solution " << known[0] << ", " << known[1];
  }
}

class GlobalOptions : public EngineSolveFixture {};

// "solver_met" takes 1 (interval contraction) or 2 (affine forms); any other
// value ends the run before it starts, with a message naming the option.
TEST_F(GlobalOptions, ContractionMethodsOtherThanTheTwoAreRefused) {
  for (const char* method : {"0", "3", "1.5"}) {
    ASSERT_TRUE(open("global/booth.xlsx"));
    name("solver_met", method);
    Os_clearMessageBoxes();
    EXPECT_EQ(solve(0), StatusBadModel) << method;
    ASSERT_FALSE(Os_messageBoxes().empty()) << method;
    EXPECT_NE(Os_messageBoxes().back().text.find("\"solver_met\""), std::string::npos) << method;
  }
  for (const char* method : {"1", "2"}) {
    ASSERT_TRUE(open("global/booth.xlsx"));
    name("solver_met", method);
    ASSERT_EQ(solve(0), StatusSolved) << method;
    EXPECT_NEAR(valueAt("B6"), 0.0, 1e-6) << method;
  }
}

// With iterations shown, the local run's first iteration reaches the
// progress callback as one of the engine's iteration points, and the "Show"
// macro is asked there; its stop ends the run at once: the macro is asked
// once, and the cells keep the point where the local run stopped, short of
// the optimum. Answered "continue" every time, the run goes on to the
// optimum.
TEST_F(GlobalOptions, AStopAtALocalIterationEndsTheRun) {
  ASSERT_TRUE(open("global/rosenbrock2.xlsx"));
  name("solver_sho", "1");
  defineShow(2);
  EXPECT_EQ(solve(0), StatusSolved);
  EXPECT_EQ(reasons, std::vector<double>{1});
  EXPECT_GT(valueAt("B6"), 1e-3);
  reasons.clear();
  ASSERT_TRUE(open("global/rosenbrock2.xlsx"));
  name("solver_sho", "1");
  defineShow(1);
  EXPECT_EQ(solve(0), StatusSolved);
  EXPECT_GT(reasons.size(), 5u);
  EXPECT_NEAR(valueAt("B6"), 0.0, 1e-6);
}

// A model whose objective reads only the second variable and whose
// constraint reads only the first: minimise (y - 1)² + y² (least 0.5 at
// y = 0.5) with x² <= 4 and both in [-3, 3]. With the derivatives taken over
// each function's own variables ("solver_ism" 1) and spread over the box,
// as without, both contraction methods reach the optimum.
TEST_F(GlobalOptions, DerivativesOverEachFunctionsOwnVariablesReachTheOptimum) {
  for (const char* own : {"0", "1"})
    for (const char* method : {"1", "2"}) {
      twoVariables("=(B1-1)^2+B1*B1", 2, 4, 3, 2, 2);
      formula("D1", "=A1*A1");
      bounds(1, "Model!$A$1:$B$1", -3, 3);
      row(3, "Model!$D$1", 1, 4);
      name("solver_ism", own);
      name("solver_met", method);
      ASSERT_EQ(solve(0), StatusSolved) << own << method;
      EXPECT_NEAR(valueAt("C1"), 0.5, 1e-6) << own << method;
      EXPECT_NEAR(valueAt("B1"), 0.5, 1e-3) << own << method;
      EXPECT_LE(valueAt("D1"), 4 + 1e-6) << own << method;
    }
}

// Small smooth models that ended at the iteration limit at their optimum,
// each with its optimum by closed form: separable convex quadratics in the
// millions, past the point where the interpreter's enclosure of a value is
// narrower than the absolute accuracy (each centre clamped into the box);
// and optima on a curved row, where the objective's slope does not vanish
// (the projection of (90, 120) on the circle of radius 125 is (75, 100); xy
// = 0.0025 is nearest the origin's sum at x = y = 0.05; 3x + 4y over the
// disc of radius 50 is largest at (30, 40)).
TEST_F(GlobalOptions, EndsAtTheOptimumOfSmallSmoothModels) {
  struct Case {
    const char* objective;
    int type;  // 1 maximise, 2 minimise
    double lower, upper;
    const char* row;  // in D1, or none
    int relation;     // 1 <=, 2 =
    double rhs, optimum, x, y;
  };
  const std::vector<Case> cases = {
      {"=2*(A1+1000)^2+2*(B1-1000)^2", 2, 0, 2500, nullptr, 0, 0, 2e6, 0, 1000},
      {"=-3*(A1-4000)^2-(B1+500)^2", 1, -2000, 3000, nullptr, 0, 0, -3e6, 3000, -500},
      {"=3.5*(A1-2500)^2+0.5*(B1-7000)^2", 2, 0, 3500, nullptr, 0, 0, 6.125e6, 2500, 3500},
      {"=3*(A1-90)^2+3*(B1-120)^2", 2, 0, 165, "=A1^2+B1^2", 2, 15625, 1875, 75, 100},
      {"=2*A1+2*B1", 2, 0.01, 0.2, "=A1*B1", 2, 0.0025, 0.2, 0.05, 0.05},
      {"=3*A1+4*B1", 1, -100, 100, "=A1^2+B1^2", 1, 2500, 250, 30, 40},
  };
  for (const Case& c : cases)
    for (const char* dia : {"1", "2"}) {
      twoVariables(c.objective, c.type, 4, c.row ? 3 : 2, c.lower, c.lower);
      bounds(1, "Model!$A$1:$B$1", c.lower, c.upper);
      if (c.row) {
        formula("D1", c.row);
        row(3, "Model!$D$1", c.relation, c.rhs);
      }
      name("solver_dia", dia);
      ASSERT_EQ(solve(0), StatusSolved) << c.objective << " dia " << dia;
      EXPECT_NEAR(valueAt("C1"), c.optimum, 1e-6 * std::fabs(c.optimum)) << c.objective << " dia " << dia;
      EXPECT_NEAR(valueAt("A1"), c.x, 1e-3) << c.objective << " dia " << dia;
      EXPECT_NEAR(valueAt("B1"), c.y, 1e-3) << c.objective << " dia " << dia;
    }
}

INSTANTIATE_TEST_SUITE_P(Global, GlobalWorkbooks, ::testing::ValuesIn(readProblems()),
                         [](const auto& info) { return info.param.name; });

}  // namespace
