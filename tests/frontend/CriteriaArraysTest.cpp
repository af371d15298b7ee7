// Values known by definition, through both calculations (the stand-in's,
// with the library's functions registered, and the formula interpreter's):
// criteria given as an array or a range give one result per criterion; a
// formula's empty text is blank to COUNTBLANK; a criterion naming an error
// picks the cells holding it, in a database's criteria too; an argument past
// the 32nd is no argument that takes one value, and a formula the
// interpreter refuses for having more leaves every other cell's value as it
// is; LOOKUP's value lifts over an array. Each expected value is worked out
// by hand from the cells below. The models, solved through the interpreter,
// by default and on the engines named, reach the optimum their definition
// gives.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "frontend/Fe_Frontend.h"
#include "frontend/Fe_Interpreter.h"
#include "platform/calc/Calc.h"
#include "tests/frontend/CliFixture.h"
#include "tests/support/ScratchTest.h"
#include "tests/support/SheetCells.h"

namespace {

struct Row {
  const char* cell;  // where the formula stands: a range meets its row
  std::string formula;
  CellValue expected;
  bool interpreted = true;  // false: more than 32 arguments, which the interpreter refuses
};

CellValue number(double x) { return CellValue::makeNumber(x); }

// n copies of "text," joined.
std::string repeated(const std::string& text, int n) {
  std::string s;
  for (int i = 0; i < n; ++i) s += text + ",";
  return s;
}

// The cells the rows read: E1:E6 the numbers 1, 2, 2, 3, 3, 3; F1 the
// formula ="" and F2 blank; G1:G4 =1/0, =NA(), 5 and 7; H1:H6 10, 20, ..., 60;
// J1:J5 1 to 5 and K1:K5 10, 20, ..., 50; a database P1:Q4 of keys (#N/A, 5,
// #N/A) and amounts (10, 20, 40), and the criteria R1:R2, key "#N/A".
const std::vector<Row>& rows() {
  static const std::vector<Row> kRows = {
      // distinct values: 1/1 + 2 * 1/2 + 3 * 1/3
      {"M1", "=SUMPRODUCT(1/COUNTIF(E1:E6,E1:E6))", number(3)},
      // three values above 2, one below
      {"M2", "=SUM(COUNTIF(E1:E6,{\">2\",\"<2\"}))", number(4)},
      // 3 + 3 + 3 and 1
      {"M3", "=SUM(SUMIF(E1:E6,{\">2\",\"<2\"}))", number(10)},
      // H1 for the 1, H4 + H5 + H6 for the 3s
      {"M4", "=SUMPRODUCT(SUMIF(E1:E6,{1;3},H1:H6))", number(160)},
      // one 1, two 2s, three 3s
      {"M5", "=SUMPRODUCT(COUNTIF(E1:E6,J1:J3))", number(6)},
      {"M6", "=MAX(COUNTIF(E1:E6,{1,2,3}))", number(3)},
      {"M7", "=INDEX(COUNTIF(E1:E6,{1,2,3}),2)", number(2)},
      {"M8", "=SUMPRODUCT(COUNTIF(E1:E6,{\"<3\",\">=3\"})*{1,10})", number(33)},
      // outside an array formula a range criterion is the cell in the
      // formula's row: E3, a 2
      {"N3", "=COUNTIF(E1:E6,E1:E6)", number(2)},
      {"N5", "=SUMIF(E1:E6,E1:E6,H1:H6)", number(150)},
      // a formula's empty text is blank
      {"M9", "=COUNTBLANK(F1:F2)", number(2)},
      // criteria naming errors
      {"M10", "=COUNTIF(G1:G4,\"#DIV/0!\")", number(1)},
      {"M11", "=COUNTIF(G1:G4,\"#N/A\")", number(1)},
      {"M12", "=COUNTIF(G1:G4,\"<>#N/A\")", number(3)},
      {"M13", "=SUMIF(G1:G4,\"=#n/a\",J1:J4)", number(2)},
      // the database's rows whose key is #N/A: 10 + 40
      {"M18", "=DSUM(P1:Q4,\"amt\",R1:R2)", number(50)},
      // CHOOSE(1, ...) is its first value, whatever follows; SUBTOTAL's sum
      // of 31 J1s and J1:J3. The interpreter refuses both, first of all the
      // cells (row 1), and computes every other cell as it would without them.
      {"A1", "=SUMPRODUCT(CHOOSE(1,5," + repeated("2", 30) + "J1:J3))", number(5), false},
      {"B1", "=SUBTOTAL(9," + repeated("J1", 31) + "J1:J3)", number(37), false},
      {"N7", "=SUMPRODUCT(J1:J3*K1:K3)", number(140)},
      // K2 + K3
      {"M16", "=SUMPRODUCT(LOOKUP({2,3},J1:J5,K1:K5))", number(50)},
      {"M17", "=SUMPRODUCT(LOOKUP(J1:J2+0.5,J1:J5,K1:K5))", number(30)},
  };
  return kRows;
}

void addCells(Workbook* wb, Sheet* sh) {
  const double e[] = {1, 2, 2, 3, 3, 3};
  for (int r = 0; r < 6; ++r) {
    Test_put(wb, sh, ("E" + std::to_string(r + 1)).c_str(), number(e[r]));
    Test_put(wb, sh, ("H" + std::to_string(r + 1)).c_str(), number(10.0 * (r + 1)));
  }
  for (int r = 0; r < 5; ++r) {
    Test_put(wb, sh, ("J" + std::to_string(r + 1)).c_str(), number(r + 1));
    Test_put(wb, sh, ("K" + std::to_string(r + 1)).c_str(), number(10.0 * (r + 1)));
  }
  Test_formula(wb, sh, "F1", "=\"\"");
  Test_formula(wb, sh, "G1", "=1/0");
  Test_formula(wb, sh, "G2", "=NA()");
  Test_put(wb, sh, "G3", number(5));
  Test_put(wb, sh, "G4", number(7));
  const char* const database[][2] = {{"P1", "k"}, {"Q1", "amt"}, {"R1", "k"}, {"R2", "#N/A"}};
  for (const auto& [cell, text] : database) Test_put(wb, sh, cell, CellValue::makeText(text));
  const double amounts[] = {10, 20, 40};
  for (int r = 0; r < 3; ++r) Test_put(wb, sh, ("Q" + std::to_string(r + 2)).c_str(), number(amounts[r]));
  Test_formula(wb, sh, "P2", "=NA()");
  Test_put(wb, sh, "P3", number(5));
  Test_formula(wb, sh, "P4", "=NA()");
}

// The number the objective line shows ("objective (maximise) Plan!F1 = 2").
class CriteriaArrays : public ScratchTest {};

}  // namespace

TEST_F(CriteriaArrays, BothCalculationsGiveTheValuesByDefinition) {
  Fe_registerFunctions();
  Workbook* wb = Wb_newWorkbook("criteria.xlsx");
  Sheet* sh = Wb_addSheet(wb, "Crit");
  addCells(wb, sh);
  for (const Row& row : rows()) Test_formula(wb, sh, row.cell, row.formula);
  Calc_recalculate(wb);
  FeInterpreted interpreted;
  Fe_interpretWorkbook(wb, &interpreted);
  for (const Row& row : rows()) {
    int r = 0, c = 0;
    ASSERT_TRUE(Wb_parseA1(row.cell, &r, &c));
    EXPECT_TRUE(sameCellValue(Test_valueAt(sh, row.cell), row.expected))
        << row.formula << ": stand-in " << cellShown(Test_valueAt(sh, row.cell));
    if (!row.interpreted) continue;
    const auto value = interpreted.values.find({0, Wb_cellKey(r, c)});
    ASSERT_NE(value, interpreted.values.end()) << row.formula << ": " << interpreted.failures[{0, Wb_cellKey(r, c)}];
    EXPECT_TRUE(sameCellValue(value->second, row.expected)) << row.formula << ": interpreter " << cellShown(value->second);
  }
  Wb_closeWorkbook(wb);
}

// Maximise B1 in [0, 10] up to C1, a count or sum over criteria arrays or a
// blank count: the optimum is C1's value by definition, through the
// interpreter's derivatives ("solver_dia" 2) and by default.
TEST_F(CriteriaArrays, ModelsReachTheOptimumTheDefinitionGives) {
  struct Model {
    const char* cap;
    double optimum;
  };
  const Model models[] = {{"=SUMPRODUCT(1/COUNTIF(E1:E6,E1:E6))", 3},
                          {"=SUM(COUNTIF(E1:E6,{\">2\",\"<2\"}))", 4},
                          {"=SUM(SUMIF(E1:E6,{\">2\",\"<2\"}))/2", 5},
                          {"=COUNTBLANK(F1:F2)", 2}};
  const char* const runs[] = {"", "--option dia=2"};
  int k = 0;
  for (const Model& m : models)
    for (const char* run : runs) {
      SCOPED_TRACE(std::string(m.cap) + " " + run);
      Plan p;
      p.names = {{"solver_opt", "Plan!$D$1"},  {"solver_typ", "1"},          {"solver_adj", "Plan!$B$1"},
                 {"solver_num", "3"},          {"solver_lhs1", "Plan!$B$1"}, {"solver_rel1", "1"},
                 {"solver_rhs1", "Plan!$C$1"}, {"solver_lhs2", "Plan!$B$1"}, {"solver_rel2", "3"},
                 {"solver_rhs2", "0"},         {"solver_lhs3", "Plan!$B$1"}, {"solver_rel3", "1"},
                 {"solver_rhs3", "10"},        {"solver_eng", "1"}};
      p.cells = {{"B1", "1"},  {"C1", m.cap}, {"D1", "=B1"}, {"E1", "1"}, {"E2", "2"},
                 {"E3", "2"},  {"E4", "3"},   {"E5", "3"},   {"E6", "3"}, {"F1", "=\"\""}};
      const std::string book = p.save(dir_ / ("model" + std::to_string(k++) + ".xlsx"));
      CliRun r = corvan("solve " + book + " " + run + " --quiet");
      EXPECT_EQ(r.status, 0) << r.out;
      EXPECT_NEAR(Cli_objective(r.out), m.optimum, 1e-6 * m.optimum) << r.out;
    }
}

// B1 from 7.3 in [0, 10]: a count or a test of kind over a value without
// slope guards the objective, and the guard holds wherever B1 is a number,
// so the optimum is that of the guarded branch: (B1 - 3)^2 is 0 at 3 through
// the interpreter's derivatives and on the interval global and SOCP
// engines; B1 alone, linear, is 0 at 0 on the LP engine.
TEST_F(CriteriaArrays, AGuardOfAKindLeavesTheOptimumOfItsBranch) {
  struct Model {
    const char* objective;
    const char* run;
  };
  const Model models[] = {{"=IF(COUNT(INT(B1))=1,(B1-3)^2,1E+6)", "--option dia=2"},
                          {"=IF(COUNT(INT(B1))=1,(B1-3)^2,1E+6)", "--engine 4"},
                          {"=IF(COUNT(INT(B1))=1,(B1-3)^2,1E+6)", "--engine 5"},
                          {"=IF(COUNT(ROUND(B1,0))=1,(B1-3)^2,1E+6)", "--option dia=2"},
                          {"=IF(COUNT(B1&\"%\")=1,(B1-3)^2,1E+6)", "--option dia=2"},
                          {"=IF(COUNT(C1)=1,(B1-3)^2,1E+6)", "--option dia=2"},
                          {"=IF(COUNT(MATCH(B1,{0,5,10}))=1,(B1-3)^2,1E+6)", "--option dia=2"},
                          {"=IF(COUNT(INT(B1))=1,B1,1E+6)", "--engine 2 --option lin=1"}};
  int k = 0;
  for (const Model& m : models) {
    SCOPED_TRACE(std::string(m.objective) + " " + m.run);
    Plan p;
    p.names = {{"solver_opt", "Plan!$D$1"}, {"solver_typ", "2"},          {"solver_adj", "Plan!$B$1"},
               {"solver_num", "2"},         {"solver_lhs1", "Plan!$B$1"}, {"solver_rel1", "3"},
               {"solver_rhs1", "0"},        {"solver_lhs2", "Plan!$B$1"}, {"solver_rel2", "1"},
               {"solver_rhs2", "10"},       {"solver_eng", "1"}};
    p.cells = {{"B1", "7.3"}, {"C1", "=INT(B1)"}, {"D1", m.objective}};
    const std::string book = p.save(dir_ / ("guard" + std::to_string(k++) + ".xlsx"));
    CliRun r = corvan("solve " + book + " " + m.run + " --quiet");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NEAR(Cli_objective(r.out), 0, 1e-6) << r.out;
  }
}
