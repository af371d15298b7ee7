// The LP/quadratic engine end to end: `corvan solve` on workbooks (Solve
// action 0 through the stand-in), the status it prints, and the solution the
// saved workbook holds in its variable cells. The shared netlib workbooks
// against their published optima; small hand-made workbooks for the
// infeasible, unbounded, nonlinear and oversized cases.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/workbook/Wb_Workbook.h"
#include "platform/xlsx/Xlsx.h"
#include "tests/engines/MpsReader.h"
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

void name(Workbook* wb, const std::string& n, const std::string& definition) {
  Wb_defineName(wb, DefinedName{n, definition, 0, true});
}

// One row of a small model: formula, relation code (1 <=, 2 =, 3 >=), limit.
struct SmallRow {
  std::string formula;
  int relation;
  double limit;
};

// Sheet Model: variables B1:C1 starting at 1 (and at least 0), the objective
// to maximise in A1, the rows from B3 down with their limits in column C.
void writeSmallBook(const std::string& path, const std::string& objective,
                    const std::vector<SmallRow>& rows) {
  Wb_resetApp();
  Workbook* wb = Wb_newWorkbook("small");
  Sheet* sh = Wb_addSheet(wb, "Model");
  for (int col : {1, 2}) Wb_setValue(wb, sh, 0, col, CellValue::makeNumber(1));
  Wb_setFormula(wb, sh, 0, 0, objective);
  name(wb, "solver_opt", "Model!$A$1");
  name(wb, "solver_typ", "1");
  name(wb, "solver_adj", "Model!$B$1:$C$1");
  name(wb, "solver_num", std::to_string(rows.size() + 1));
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const int r = static_cast<int>(i) + 2;
    Wb_setFormula(wb, sh, r, 1, rows[i].formula);
    Wb_setValue(wb, sh, r, 2, CellValue::makeNumber(rows[i].limit));
    const std::string k = std::to_string(i + 1), cell = std::to_string(r + 1);
    name(wb, "solver_lhs" + k, "Model!$B$" + cell);
    name(wb, "solver_rel" + k, std::to_string(rows[i].relation));
    name(wb, "solver_rhs" + k, "Model!$C$" + cell);
  }
  const std::string k = std::to_string(rows.size() + 1);
  name(wb, "solver_lhs" + k, "Model!$B$1:$C$1");
  name(wb, "solver_rel" + k, "3");
  name(wb, "solver_rhs" + k, "0");
  name(wb, "solver_eng", "2");
  name(wb, "solver_lin", "1");
  std::string error;
  EXPECT_TRUE(Xlsx_save(wb, path, &error)) << error;
  Wb_resetApp();
}

// max 3B1 + 5C1: B1 <= 4, 2C1 <= 12, 3B1 + 2C1 <= 18; optimum 36 at (2, 6).
std::vector<SmallRow> productMixRows() {
  return {{"=B1", 1, 4}, {"=2*C1", 1, 12}, {"=3*B1+2*C1", 1, 18}};
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

TEST_F(LpSolve, SmallWorkbooks) {
  struct Case {
    std::string file, objective;
    std::vector<SmallRow> rows;
    int status;
  };
  std::vector<SmallRow> infeasible = productMixRows(), nonlinear = productMixRows();
  infeasible.push_back({"=B1+C1", 3, 20});
  nonlinear.push_back({"=B1*C1", 1, 4});
  const Case cases[] = {
      {"mix", "=3*B1+5*C1", productMixRows(), 0},
      {"infeasible", "=3*B1+5*C1", infeasible, 5},
      {"unbounded", "=3*B1+5*C1", {{"=B1-C1", 1, 1}}, 4},
      {"nonlinear", "=3*B1+5*C1", nonlinear, 7},
  };
  for (const Case& c : cases) {
    const std::string in = book(c.file), out = book(c.file + "-solved");
    writeSmallBook(in, c.objective, c.rows);
    EXPECT_EQ(solveBook(in, out), c.status) << c.file;
    if (c.status == 0) {
      std::string error;
      Workbook* wb = Xlsx_open(out, &error);
      ASSERT_NE(wb, nullptr) << error;
      const Sheet* sh = wb->sheets[0].get();
      EXPECT_NEAR(number(sh, 0, 1), 2.0, 1e-9);
      EXPECT_NEAR(number(sh, 0, 2), 6.0, 1e-9);
      EXPECT_NEAR(number(sh, 0, 0), 36.0, 1e-9);
      Wb_resetApp();
    }
  }
}

TEST_F(LpSolve, ModelOverTheSizeLimit) {
  // 2001 variable cells down column E, one row on the first of them.
  Wb_resetApp();
  Workbook* wb = Wb_newWorkbook("oversized");
  Sheet* sh = Wb_addSheet(wb, "Model");
  for (int i = 0; i < 2001; ++i) Wb_setValue(wb, sh, i, 4, CellValue::makeNumber(0));
  Wb_setFormula(wb, sh, 0, 0, "=SUM(E1:E2001)");
  Wb_setFormula(wb, sh, 2, 1, "=E1");
  Wb_setValue(wb, sh, 2, 2, CellValue::makeNumber(4));
  for (const auto& [n, definition] :
       std::vector<std::pair<std::string, std::string>>{
           {"solver_opt", "Model!$A$1"}, {"solver_typ", "1"}, {"solver_adj", "Model!$E$1:$E$2001"},
           {"solver_num", "1"}, {"solver_lhs1", "Model!$B$3"}, {"solver_rel1", "1"},
           {"solver_rhs1", "Model!$C$3"}, {"solver_eng", "2"}, {"solver_lin", "1"}})
    name(wb, n, definition);
  std::string error;
  ASSERT_TRUE(Xlsx_save(wb, book("oversized"), &error)) << error;
  Wb_resetApp();
  EXPECT_EQ(solveBook(book("oversized"), book("oversized-solved")), 8);
}
