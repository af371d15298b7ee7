// The worksheet functions the front end gives the stand-in's calculation at
// start-up: every function of the library's list and every simulation
// function name calculates (none is #NAME?), the answers are the library's
// (checked against values worked by hand), scalar functions apply over
// arrays element by element, and random draws recalculate.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include <unistd.h>

#include <filesystem>

#include "frontend/Fe_Frontend.h"
#include "interpreter/Fn_Table.h"
#include "platform/calc/Calc.h"
#include "simulation/functions/Sim_Names.h"
#include "tests/frontend/CliFixture.h"
#include "tests/support/SheetCells.h"
#include "values/Text_Convert.h"

namespace {

class FunctionRegistry : public ::testing::Test {
 protected:
  void SetUp() override {
    Wb_resetApp();
    ASSERT_TRUE(Fe_registerFunctions());
    wb = Wb_newWorkbook("functions.xlsx");
    sheet = Wb_addSheet(wb, "Sheet1");
  }
  void TearDown() override { Wb_resetApp(); }
  double number(const char* a1) {
    const CellValue& v = Test_valueAt(sheet, a1);
    EXPECT_EQ(v.kind, CellKind::Number) << a1 << " " << Calc_displayText(v, "");
    return v.number;
  }
  Workbook* wb = nullptr;
  Sheet* sheet = nullptr;
};

// A call of name with its required arguments, each 1 (one argument when
// the count is open).
std::string callOf(const std::u16string& name, int count, int optional) {
  const int required = count < 0 ? 1 : count - optional;
  std::string call = "=" + Text_toUtf8(name) + "(";
  for (int i = 0; i < required; ++i) call += i ? ",1" : "1";
  return call + ")";
}

// Every name; with `steady`, only those whose value does not change by
// itself (no clock, no random draw).
std::vector<std::string> everyCall(bool steady = false) {
  std::vector<std::string> calls;
  FunctionRecord record{};
  for (int32_t i = 0; Fn_recordAt(i, &record); ++i)
    if (!steady || (!record.isVolatile && !Fn_isRandom(record.id)))
      calls.push_back(callOf(record.name, record.argumentCount, record.optional));
  for (int32_t i = 0; i < Sim_nameCount(); ++i)
    if (!steady || !Fn_isRandom(Sim_nameAt(i)->id))
      calls.push_back(callOf(Sim_nameAt(i)->name, Sim_nameAt(i)->count, Sim_nameAt(i)->optional));
  return calls;
}

TEST_F(FunctionRegistry, EveryFunctionOfTheListAndEverySimulationNameCalculates) {
  const std::vector<std::string> calls = everyCall();
  ASSERT_GT(calls.size(), 400u);
  for (size_t i = 0; i < calls.size(); ++i) Wb_setFormula(wb, sheet, static_cast<int>(i), 0, calls[i]);
  Calc_recalculate(wb);
  for (size_t i = 0; i < calls.size(); ++i) {
    const Cell* cell = Wb_findCell(sheet, static_cast<int>(i), 0);
    ASSERT_NE(cell, nullptr) << calls[i];
    EXPECT_FALSE(cell->value.kind == CellKind::Error && cell->value.error == CellError::Name) << calls[i];
  }
  for (const CalcWarning& w : Calc_warnings(wb)) ADD_FAILURE() << w.formula << ": " << w.reason;
}

// The command as users run it: `corvan recalc` of a workbook calling every
// function whose value does not change by itself, its values stored as this
// process calculated them, calculates every cell (none left uncalculated,
// none #NAME?) to the stored value.
TEST_F(FunctionRegistry, CorvanRecalcCalculatesEveryFunctionOfTheList) {
  const std::vector<std::string> calls = everyCall(true);
  ASSERT_GT(calls.size(), 300u);
  for (size_t i = 0; i < calls.size(); ++i) Wb_setFormula(wb, sheet, static_cast<int>(i), 0, calls[i]);
  Calc_recalculate(wb);
  const std::filesystem::path file =
      std::filesystem::temp_directory_path() / ("corvan-functions-" + std::to_string(getpid()) + ".xlsx");
  std::string error;
  ASSERT_TRUE(Xlsx_save(wb, file.string(), &error)) << error;
  const CliRun run = corvan("recalc " + file.string());
  std::filesystem::remove(file);
  EXPECT_EQ(run.status, 0) << run.out;
  EXPECT_FALSE(run.has("#NAME?")) << run.out;
}

// PMT of a loan, an omitted future value and payments at the start of each
// period; NPV over a range; CONVERT; a scalar function over a range in an
// array formula, each element its own call, and outside one, the cell in
// the formula's row.
TEST_F(FunctionRegistry, AnswersAreTheLibrarysAndScalarFunctionsSpreadOverArrays) {
  Test_put(wb, sheet, "A1", CellValue::makeNumber(-1));
  Test_put(wb, sheet, "A2", CellValue::makeNumber(0));
  Test_put(wb, sheet, "A3", CellValue::makeNumber(1.5));
  Test_formula(wb, sheet, "B1", "=PMT(0.01,12,10000)");
  Test_formula(wb, sheet, "B2", "=PMT(0.01,12,10000,,1)");
  Test_formula(wb, sheet, "B3", "=NPV(0.1,A1:A3)");
  Test_formula(wb, sheet, "B4", "=CONVERT(2,\"m\",\"ft\")");
  Wb_setArrayFormula(wb, sheet, CellRange{0, 0, 2, 2, 2}, "=NORMSDIST(A1:A3)");
  Test_formula(wb, sheet, "D3", "=NORMSDIST(A1:A3)");
  Calc_recalculate(wb);
  const double growth = std::pow(1.01, 12), end = -10000 * 0.01 * growth / (growth - 1);
  EXPECT_NEAR(number("B1"), end, 1e-9);
  EXPECT_NEAR(number("B2"), end / 1.01, 1e-9);
  EXPECT_NEAR(number("B3"), -1 / 1.1 + 1.5 / (1.1 * 1.1 * 1.1), 1e-12);
  EXPECT_NEAR(number("B4"), 2 / 0.3048, 1e-9);
  const char* cells[] = {"C1", "C2", "C3"};
  const double xs[] = {-1, 0, 1.5};
  for (int i = 0; i < 3; ++i) EXPECT_NEAR(number(cells[i]), 0.5 * std::erfc(-xs[i] / std::sqrt(2.0)), 1e-7);
  EXPECT_NEAR(number("D3"), 0.5 * std::erfc(-1.5 / std::sqrt(2.0)), 1e-7);
}

// A simulation function gives one draw per recalculation: a uniform draw
// lies in its range and changes when the sheet recalculates, though nothing
// it reads changed; a function that draws nothing stays; a statistic that
// fails is #NUM!.
TEST_F(FunctionRegistry, SimulationDrawsRecalculateAndStayInTheirLaw) {
  Test_formula(wb, sheet, "A1", "=cb_uniform(2,3)");
  Test_formula(wb, sheet, "A2", "=sim.1108(100,15)");
  Test_formula(wb, sheet, "A3", "=PMT(0,4,100)");
  Test_formula(wb, sheet, "A4", "=riskvariance(1)");
  Calc_recalculate(wb);
  const double first = number("A1");
  EXPECT_GE(first, 2);
  EXPECT_LE(first, 3);
  EXPECT_TRUE(std::isfinite(number("A2")));
  bool changed = false;
  for (int pass = 0; pass < 5 && !changed; ++pass) {
    Test_put(wb, sheet, "C1", CellValue::makeNumber(pass));
    Calc_recalculate(wb);
    changed = number("A1") != first;
  }
  EXPECT_TRUE(changed);
  EXPECT_DOUBLE_EQ(number("A3"), -25);
  // The variance of one draw fails as NaN in the simulation library: a cell
  // shows #NUM!, never a number that is not one.
  EXPECT_EQ(Test_valueAt(sheet, "A4"), CellValue::makeError(CellError::Num));
}

}  // namespace
