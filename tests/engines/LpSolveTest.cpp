// The LP/quadratic engine end to end: `corvan solve` on the shared netlib
// workbooks (Solve action 0 through the stand-in), the status it prints and
// the saved solution against the published optima; and `Solve` on small
// models built cell by cell for the infeasible, unbounded, nonlinear and
// oversized cases.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/workbook/Wb_Workbook.h"
#include "platform/xlsx/Xlsx.h"
#include "tests/support/EngineSolveFixture.h"
#include "tests/support/MpsReader.h"
#include "tests/support/ScratchTest.h"

namespace {

// The status `corvan solve` printed first, -1 when none.
int solveBook(const std::string& book, const std::string& out) {
  std::string cmd = std::string(CORVAN_OUT) + "/corvan solve " + book + " --out " + out +
                    " 2>&1 </dev/null";
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return -1;
  std::array<char, 4096> buf;
  std::string text;
  std::size_t n;
  while ((n = fread(buf.data(), 1, buf.size(), p)) > 0) text.append(buf.data(), n);
  pclose(p);
  // Message boxes of the test plug-ins beside the library may come first.
  std::size_t at = text.compare(0, 7, "status ") == 0 ? 0 : text.find("\nstatus ");
  if (at == std::string::npos) return -1;
  int status = -1;
  return std::sscanf(text.c_str() + at, " status %d", &status) == 1 ? status : -1;
}

double number(const Sheet* sh, int row, int col) {
  const Cell* c = Wb_findCell(sh, row, col);
  return c && c->value.kind == CellKind::Number ? c->value.number : NAN;
}

// Largest violation of the rows (B from row 12, limits in D and E) relative
// to max(1, |limit|).
double worstRowViolation(const Sheet* sh) {
  double worst = 0;
  for (int r = 11; Wb_findCell(sh, r, 0); ++r) {
    const double v = number(sh, r, 1), lo = number(sh, r, 3), up = number(sh, r, 4);
    if (!std::isnan(lo)) worst = std::max(worst, (lo - v) / std::max(1.0, std::fabs(lo)));
    if (!std::isnan(up)) worst = std::max(worst, (v - up) / std::max(1.0, std::fabs(up)));
  }
  return worst;
}

}  // namespace

class LpSolve : public ScratchTest {
 protected:
  std::string book(const std::string& name) const { return (dir_ / (name + ".xlsx")).string(); }
};

TEST_F(LpSolve, NetlibWorkbooksReachTheirOptima) {
  for (const MpsKnown& o : Mps_knownProblems()) {
    if (o.kind != "lp") continue;
    const std::string out = book(o.name);
    EXPECT_EQ(solveBook(std::string(CORVAN_DATA) + "/lp/" + o.name + ".xlsx", out), 0) << o.name;
    Wb_resetApp();
    std::string error;
    Workbook* wb = Xlsx_open(out, &error);
    ASSERT_NE(wb, nullptr) << error;
    const Sheet* sh = wb->sheets[0].get();
    const double objective = number(sh, 1, 1);
    EXPECT_LE(std::fabs(objective - o.optimum), 1e-6 * std::max(1.0, std::fabs(o.optimum))) << o.name;
    EXPECT_LE(worstRowViolation(sh), 1e-6) << o.name;
    Wb_resetApp();
  }
}

using LpSmallModels = EngineSolveFixture;

TEST_F(LpSmallModels, StatusesAndTheSolutionInTheCells) {
  // max 3x + 5y: x <= 4, 2y <= 12, 3x + 2y <= 18, x, y >= 0; optimum 36 at (2, 6).
  struct Row {
    const char* formula;
    int relation;
    double limit;
  };
  const std::vector<Row> mix = {{"A1", 1, 4}, {"2*B1", 1, 12}, {"3*A1+2*B1", 1, 18}};
  auto plus = [&](Row r) {
    std::vector<Row> rows = mix;
    rows.push_back(r);
    return rows;
  };
  const struct {
    const char* what;
    std::vector<Row> rows;
    int status;
  } cases[] = {
      {"product mix", mix, StatusSolved},
      {"x + y >= 20 as well", plus({"A1+B1", 3, 20}), StatusInfeasible},
      {"x - y <= 1 alone", {{"A1-B1", 1, 1}}, StatusUnbounded},
      {"x y <= 4 as well", plus({"A1*B1", 1, 4}), StatusNotLinear},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const int n = static_cast<int>(c.rows.size());
    twoVariables("3*A1+5*B1", 1, 2, n + 1, 1, 1);
    name("solver_lin", "1");
    for (int i = 0; i < n; ++i) {
      const std::string k = std::to_string(i + 1);
      formula(("D" + k).c_str(), c.rows[i].formula);
      row(i + 1, "Model!$D$" + k, c.rows[i].relation, c.rows[i].limit);
    }
    row(n + 1, "Model!$A$1:$B$1", 3, 0);
    EXPECT_EQ(solve(0), c.status);
    if (c.status != StatusSolved) continue;
    EXPECT_NEAR(valueAt("A1"), 2.0, 1e-9);
    EXPECT_NEAR(valueAt("B1"), 6.0, 1e-9);
    EXPECT_NEAR(valueAt("C1"), 36.0, 1e-9);
  }
}

TEST_F(LpSmallModels, ModelOverTheSizeLimit) {
  // 2001 variable cells down column E, one row on the first of them.
  twoVariables("SUM(E1:E2001)", 1, 2, 1);
  for (int i = 1; i <= 2001; ++i) number(("E" + std::to_string(i)).c_str(), 0);
  name("solver_adj", "Model!$E$1:$E$2001");
  name("solver_lin", "1");
  formula("D1", "E1");
  row(1, "Model!$D$1", 1, 4);
  EXPECT_EQ(solve(0), StatusBadModel);
}
