// Runs in which the formula interpreter computes the model ("solver_dia" 2,
// or an engine that works on the interpreter's model): a model whose
// coefficients are found by keys built from text results solves to its
// true optimum, and a point at which the interpreter's value of a model
// cell differs from the workbook's is no solution, named as such, and is
// not saved. The library hands back its interpreter's values of the model's
// cells at the run's end, and the final check compares those.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>

#include "frontend/Fe_Interpreter.h"
#include "frontend/Fe_Model.h"
#include "frontend/Fe_Session.h"
#include "frontend/Fe_Verdict.h"
#include "frontend/Fe_Words.h"
#include "tests/frontend/CliFixture.h"
#include "tests/support/ScratchTest.h"
#include "values/Val_Value.h"

namespace {

class InterpretedRuns : public ScratchTest {
 protected:
  // The plan opened with its variable cells at the optimum (2, 6) and
  // recalculated; null (a failure noted) when it cannot be read.
  Workbook* planAtItsOptimum() {
    std::string error;
    Workbook* wb = Xlsx_open(Plan().save(dir_ / "plan.xlsx"), &error);
    EXPECT_NE(wb, nullptr) << error;
    if (!wb) return nullptr;
    Sheet* sh = wb->sheets[0].get();
    Wb_setValue(wb, sh, 1, 1, CellValue::makeNumber(2));
    Wb_setValue(wb, sh, 1, 2, CellValue::makeNumber(6));
    Calc_recalculate(wb);
    return wb;
  }
};

// The plan with bounds of 10 on both variable cells, which the interval
// global engine needs.
Plan bounded(Plan plan) {
  plan.cell("E2", "10");
  plan.cell("F2", "10");
  plan.set("solver_num", "2");
  plan.set("solver_lhs2", "Plan!$B$2:$C$2");
  plan.set("solver_rel2", "1");
  plan.set("solver_rhs2", "Plan!$E$2:$F$2");
  return plan;
}

// The two-product plan (maximise 3x + 5y, optimum 36 at (2, 6)) with its
// profits looked up by the keys "x001" and "x002", built with TEXT; the
// table also holds the keys "x1" and "x2" with other profits (100 and 1:
// with them the plan would end at (4, 3)).
Plan lookupPlan() {
  Plan plan;
  for (const auto& [at, value] : {std::pair<const char*, const char*>{"A12", "x1"},
                                  {"B12", "100"},
                                  {"A13", "x001"},
                                  {"B13", "3"},
                                  {"A14", "x2"},
                                  {"B14", "1"},
                                  {"A15", "x002"},
                                  {"B15", "5"},
                                  {"B3", "=VLOOKUP(\"x\"&TEXT(1,\"000\"),$A$12:$B$15,2,FALSE)"},
                                  {"C3", "=VLOOKUP(\"x\"&TEXT(2,\"000\"),$A$12:$B$15,2,FALSE)"}})
    plan.cell(at, value);
  return bounded(plan);
}

// The plan with its profits as texts ("3" and "5", from LEFT and MID) that
// the objective multiplies, as numbers, with the variable cells.
Plan textProfitsPlan() {
  Plan plan;
  plan.cell("B3", "=LEFT(\"3x\",1)");
  plan.cell("C3", "=MID(\"a5\",2,1)");
  plan.cell("B9", "=B2*B3+C2*C3");
  return bounded(plan);
}

}  // namespace

TEST_F(InterpretedRuns, CoefficientsFromTextResultsAreTheWorkbooks) {
  const std::string books[] = {lookupPlan().save(dir_ / "lookup.xlsx"), textProfitsPlan().save(dir_ / "texts.xlsx")};
  for (const std::string& book : books)
    for (const char* engine : {"1", "2", "4", "5"}) {
      CliRun r = corvan("solve " + book + " --engine " + engine + " --option dia=2");
      EXPECT_EQ(r.status, 0) << book << " engine " << engine << "\n" << r.out;
      EXPECT_TRUE(r.has("Total profit = 36.00")) << book << " engine " << engine << "\n" << r.out;
    }
}

// POWER(0,0) is one of the formulas the two calculations compute
// differently (tests/frontend/calc_differences.csv): the workbook gives
// #NUM!, the interpreter 1, so that the interpreter's objective is 2 above
// the workbook's at every point. The interval global and SOCP engines work
// on the interpreter's model without "solver_dia" asking for it.
TEST_F(InterpretedRuns, APointTheInterpreterComputesOtherwiseIsNoSolution) {
  Plan plan = bounded(Plan());
  plan.cell("B9", "=SUMPRODUCT(B2:C2,B3:C3)+IF(ISNUMBER(POWER(0,0)),2,0)");
  const std::string book = plan.save(dir_ / "differs.xlsx");
  for (const char* engine : {"2", "4", "5"}) {
    const std::filesystem::path out = dir_ / (std::string("solved-") + engine + ".xlsx");
    const std::string analysed = engine == std::string("2") ? " --option dia=2" : "";
    CliRun r = corvan("solve " + book + " --engine " + engine + analysed + " --out " + out.string());
    EXPECT_EQ(r.status, 1) << "engine " << engine << "\n" << r.out;
    // The barrier engine ends within its tolerance of (2, 6): 37.99999999 and 35.99999999.
    EXPECT_TRUE(r.has("but the point the run ended at is no solution: the interpreter computes Plan!B9 as 3"))
        << "engine " << engine << "\n"
        << r.out;
    EXPECT_TRUE(r.has(engine != std::string("5") ? "as 38 where the workbook computes 36\n"
                                                 : " where the workbook computes 35.99"))
        << "engine " << engine << "\n"
        << r.out;
    EXPECT_FALSE(r.has("does not satisfy the constraints")) << r.out;
    EXPECT_TRUE(r.has("not written")) << r.out;
    EXPECT_FALSE(std::filesystem::exists(out)) << "engine " << engine;
  }
  // Computed through the workbook, the same run is a solution.
  CliRun plain = corvan("solve " + book + " --engine 2");
  EXPECT_EQ(plain.status, 0) << plain.out;
  EXPECT_TRUE(plain.has("Total profit = 36.00")) << plain.out;
}

// At the verdict, a model cell whose stored value is not what its formula
// computes stands for any difference between the two calculations.
TEST_F(InterpretedRuns, TheVerdictNamesTheFirstCellThatDiffers) {
  Workbook* wb = planAtItsOptimum();
  ASSERT_NE(wb, nullptr);
  Sheet* sh = wb->sheets[0].get();
  const FeModel model = Fe_readModel(wb, 0);
  const FeStartValues start = Fe_startValues(wb, model);
  struct Case {
    bool interpreted;
    double b6;  // the value Plan!B6 (=2*C2, 12) is given
    bool solution;
    const char* line;
  };
  const Case cases[] = {
      {true, 12, true, "status 0: solved"},
      {true, std::nextafter(12.0, 13.0), true, "status 0: solved"},
      {true, 12 + 1e-9, false,
       "status 0 (solved: all constraints and optimality conditions are satisfied), but the point the run ended at is "
       "no solution: the interpreter computes Plan!B6 as 12 where the workbook computes 12.000000001\n"},
      {false, 11, true, "status 0: solved"},
      {true, 11, false,
       "status 0 (solved: all constraints and optimality conditions are satisfied), but the point the run ended at is "
       "no solution: the interpreter computes Plan!B6 as 12 where the workbook computes 11\n"},
  };
  for (const Case& c : cases) {
    Wb_cellAt(wb, sh, 5, 1)->value = CellValue::makeNumber(c.b6);
    ::testing::internal::CaptureStdout();
    const bool solution = Fe_printVerdict(wb, model, 0, start, {}, c.interpreted);
    const std::string out = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(solution, c.solution) << c.b6;
    EXPECT_EQ(out.rfind(c.line, 0), 0u) << out;
  }
  Wb_closeWorkbook(wb);
}

// The library hands back its interpreter's values of the model's formula
// cells at the run's end when the interpreter computed the model, and none
// when the workbook did: the plan's optimum (2, 6) gives B5:B7 = 2, 12, 18
// and B9 = 36.
TEST_F(InterpretedRuns, TheLibraryHandsBackItsValuesAtTheRunsEnd) {
  const std::string book = Plan().save(dir_ / "plan.xlsx");
  for (const bool analysed : {true, false}) {
    FeSession s;
    ASSERT_TRUE(Fe_open(&s, book, "", FeOnLimit::Stop));
    if (analysed) Fe_setModelOption(&s, "solver_dia", "2");
    ::testing::internal::CaptureStdout();
    Fe_sizeResultRange(&s, 0, FeEngineListColumns);
    Fe_action(&s, ActionListEngines);
    Fe_sizeResultRange(&s, 0, FeResultColumns);
    const int status = Fe_action(&s, ActionSolve);
    ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(status, StatusSolved) << analysed;
    const FeInterpreted handed = Fe_takeLibraryValues();
    Fe_close(&s);
    if (!analysed) {
      EXPECT_TRUE(handed.values.empty());
      continue;
    }
    const std::pair<int, double> expected[] = {{4, 2}, {5, 12}, {6, 18}, {8, 36}};  // row of column B, value
    for (const auto& [row, value] : expected) {
      const auto at = handed.values.find({0, Wb_cellKey(row, 1)});
      ASSERT_NE(at, handed.values.end()) << "row " << row;
      EXPECT_EQ(at->second, CellValue::makeNumber(value)) << "row " << row;
    }
  }
}

// The verdict compares the values the library handed back, computing only
// the cells it did not hand back: a handed-back objective other than the
// workbook's is caught as the interpreter's, and a constraint cell left out
// of the hand-back is still computed and caught.
TEST_F(InterpretedRuns, TheVerdictComparesTheHandedBackValues) {
  Workbook* wb = planAtItsOptimum();
  ASSERT_NE(wb, nullptr);
  Sheet* sh = wb->sheets[0].get();
  const FeModel model = Fe_readModel(wb, 0);
  const FeStartValues start = Fe_startValues(wb, model);
  struct Case {
    double b9;  // the objective's value handed back
    double b6;  // the value Plan!B6 (=2*C2, 12) is given, not handed back
    bool solution;
    const char* line;
  };
  const Case cases[] = {
      {36, 12, true, "status 0: solved"},
      {37, 12, false,
       "status 0 (solved: all constraints and optimality conditions are satisfied), but the point the run ended at is "
       "no solution: the interpreter computes Plan!B9 as 37 where the workbook computes 36\n"},
      {36, 11, false,
       "status 0 (solved: all constraints and optimality conditions are satisfied), but the point the run ended at is "
       "no solution: the interpreter computes Plan!B6 as 12 where the workbook computes 11\n"},
  };
  for (const Case& c : cases) {
    Wb_cellAt(wb, sh, 5, 1)->value = CellValue::makeNumber(c.b6);
    Value objective{};
    Val_setNumber(&objective, c.b9);
    Fe_receiveLibraryValue(nullptr, 0, 0, 0, nullptr);
    Fe_receiveLibraryValue(nullptr, 1, 9, 2, &objective);
    ::testing::internal::CaptureStdout();
    const bool solution = Fe_printVerdict(wb, model, 0, start, {}, true);
    const std::string out = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(solution, c.solution) << c.b9 << " " << c.b6;
    EXPECT_EQ(out.rfind(c.line, 0), 0u) << out;
  }
  Wb_closeWorkbook(wb);
}
