// Integer models solved by the SOCP engine through `corvan solve`, by default
// and with the interpreter's analysis (dia=2): each run ends "solved" at the
// optimum found by enumerating the integer points by hand, with its
// integer cells whole. The models are small linear and convex quadratic
// ones whose optimum sits on a bound or a binding row, whose rows mix
// scales, or that hold a variable no row and no cost reads.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/frontend/CliFixture.h"
#include "tests/support/ScratchTest.h"

namespace {

using SocpIntegerModels = ScratchTest;

enum class Kind { Integer, Binary };

// Bounds as "solver_rhs" texts, "" for none.
struct Variable {
  const char* start;
  const char* lower;
  const char* upper;
  Kind kind;
};

struct Row {
  const char* formula;
  int relation;  // as "solver_rel" stores it: 1 <=, 2 =, 3 >=
  const char* rhs;
};

struct IntegerCase {
  const char* what;
  bool maximise, nonNegative;
  const char* objective;
  std::vector<Variable> variables;
  std::vector<Row> rows;
  double optimum;
};

std::string column(size_t j) { return std::string(1, static_cast<char>('B' + j)); }

// Variables from Plan!B2, objective Plan!B9, rows from Plan!B11 with their
// right-hand sides in column C, then each variable's bounds and kind; the
// SOCP engine.
Plan integerModel(const IntegerCase& c) {
  Plan p;
  p.cells.clear();
  p.names = {{"solver_opt", "Plan!$B$9"},
             {"solver_typ", c.maximise ? "1" : "2"},
             {"solver_adj", "Plan!$B$2:$" + column(c.variables.size() - 1) + "$2"},
             {"solver_neg", c.nonNegative ? "1" : "2"},
             {"solver_eng", "5"}};
  p.cell("B9", c.objective);
  std::vector<std::vector<std::string>> constraints;
  for (size_t i = 0; i < c.rows.size(); ++i) {
    const std::string row = std::to_string(11 + i);
    p.cell("B" + row, c.rows[i].formula);
    p.cell("C" + row, c.rows[i].rhs);
    constraints.push_back({"Plan!$B$" + row, std::to_string(c.rows[i].relation), "Plan!$C$" + row});
  }
  for (size_t j = 0; j < c.variables.size(); ++j) {
    const Variable& v = c.variables[j];
    const std::string cell = "Plan!$" + column(j) + "$2";
    p.cell(column(j) + "2", v.start);
    if (v.kind == Kind::Binary) {
      constraints.push_back({cell, "5", "binary"});
      continue;
    }
    if (*v.lower) constraints.push_back({cell, "3", v.lower});
    if (*v.upper) constraints.push_back({cell, "1", v.upper});
    constraints.push_back({cell, "4", "integer"});
  }
  p.set("solver_num", std::to_string(constraints.size()));
  for (size_t k = 0; k < constraints.size(); ++k) {
    const std::string n = std::to_string(k + 1);
    p.set("solver_lhs" + n, constraints[k][0]);
    p.set("solver_rel" + n, constraints[k][1]);
    p.set("solver_rhs" + n, constraints[k][2]);
  }
  return p;
}

// The numbers of Plan's row `row` from column B on in a saved workbook
// (NaN where there is none).
std::vector<double> savedCells(const std::string& path, int row, size_t count) {
  std::vector<double> out(count, std::nan(""));
  std::string error;
  Workbook* wb = Xlsx_open(path, &error);
  if (!wb) return out;
  for (size_t j = 0; j < count; ++j) {
    const Cell* cell = Wb_findCell(wb->sheets[0].get(), row, static_cast<int>(1 + j));
    if (cell && cell->value.kind == CellKind::Number) out[j] = cell->value.number;
  }
  Wb_closeWorkbook(wb);
  return out;
}

// Optima by enumerating every integer point of the box (unbounded
// variables up to 40, far past the optimum).
const IntegerCase kCases[] = {
    {"convex quadratic whose relaxation's optimum (6, 7, 5) is integral, on two binding rows",
     false,
     true,
     "=3*(B2-6.75)^2+2*(C2-4.25)^2+3*(D2-5.25)^2",
     {{"6", "3", "6", Kind::Integer}, {"0", "2", "7", Kind::Integer}, {"-3", "", "5", Kind::Integer}},
     {{"=0.0025*C2", 2, "0.0175"}, {"=20*C2", 2, "140"}, {"=-10*B2+5*D2", 3, "-35"}, {"=3000*B2", 1, "20000"}},
     17},
    {"six integers, maximised, rows from 0.05 to 300: -2026.95 at (1, 2, 4, 0, 0, 1)",
     true,
     true,
     "=-2*B2-0.05*C2-450*D2+223.55*E2+372.75*F2-224.85*G2",
     {{"-2", "1", "3", Kind::Integer},
      {"1", "1", "", Kind::Integer},
      {"-1", "", "", Kind::Integer},
      {"1", "", "", Kind::Binary},
      {"1", "", "3", Kind::Integer},
      {"0", "", "", Kind::Integer}},
     {{"=0.05*C2-0.05*E2+0.25*F2-0.15*G2", 3, "-0.04999999999999999"},
      {"=300*D2-150*E2-250*F2+150*G2", 3, "1350"},
      {"=0.2*B2+0.3*C2-0.1*D2+0.2*E2-0.25*F2", 1, "0.55"}},
     -2026.95},
    {"an integer no row and no cost reads, with no upper bound: 62999.975",
     false,
     true,
     "=-0.775*C2+0.375*D2+3001.45*E2+9500.225*F2",
     {{"4", "2", "", Kind::Integer},
      {"8", "6", "6", Kind::Integer},
      {"1", "", "", Kind::Binary},
      {"1", "2", "5", Kind::Integer},
      {"1", "4", "10", Kind::Integer}},
     {{"=2000*D2+2000*E2+3000*F2", 3, "24000"},
      {"=10*C2-5*D2-30*E2+20*F2", 1, "115"},
      {"=-5*C2+20*D2+25*E2", 3, "20"},
      {"=-1500*D2+2500*F2", 2, "13500"},
      {"=0.15*C2+0.25*D2+0.3*E2+0.15*F2", 3, "2.65"}},
     62999.975},
    {"a binary that only costs: 3138 at (6, 5, 0, 6) on three binding rows",
     false,
     false,
     "=194*B2+402*C2+D2-6*E2",
     {{"5", "4", "6", Kind::Integer},
      {"4", "5", "5", Kind::Integer},
      {"0.5", "", "", Kind::Binary},
      {"6", "6", "6", Kind::Integer}},
     {{"=-3*B2+C2-3*E2", 2, "-31"},
      {"=-0.5*C2-3*D2-1.5*E2", 1, "-11.5"},
      {"=-100*B2-200*C2-150*E2", 1, "-2500"},
      {"=-150*E2", 3, "-900"},
      {"=2000*B2-1000*D2+1500*E2", 1, "21000"}},
     3138},
};

}  // namespace

TEST_F(SocpIntegerModels, EndSolvedAtTheEnumeratedOptimum) {
  int k = 0;
  for (const IntegerCase& c : kCases) {
    const std::string book = integerModel(c).save(dir_ / ("model" + std::to_string(++k) + ".xlsx"));
    for (const char* options : {"", " --option dia=2"}) {
      const std::string what = std::string(c.what) + options;
      const std::string solved = (dir_ / "solved.xlsx").string();
      std::filesystem::remove(solved);
      CliRun r = corvan("solve " + book + options + " --out " + solved);
      EXPECT_EQ(r.status, 0) << what << "\n" << r.out;
      EXPECT_TRUE(r.has("status 0: solved")) << what << "\n" << r.out;
      EXPECT_NEAR(savedCells(solved, 8, 1)[0], c.optimum, 1e-9 * std::fabs(c.optimum)) << what << "\n" << r.out;
      for (double v : savedCells(solved, 1, c.variables.size())) EXPECT_EQ(v, std::round(v)) << what;
    }
  }
}
