// The worksheet functions the front end gives the stand-in's calculation at
// start-up: every function of the library's list and every simulation
// function name calculates (none is #NAME?), the answers are the library's
// (checked against values worked by hand), scalar functions apply over
// arrays element by element, and random draws recalculate.
#include <gtest/gtest.h>

#include <cmath>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include <unistd.h>

#include <filesystem>

#include "frontend/Fe_Frontend.h"
#include "interpreter/Fn_Table.h"
#include "platform/calc/Calc.h"
#include "simulation/functions/Sim_Names.h"
#include "simulation/functions/Sim_PropertyLaws.h"
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
  // `corvan recalc` with the options on the workbook as it stands, saved.
  CliRun recalc(const std::string& options) {
    const std::filesystem::path file =
        std::filesystem::temp_directory_path() / ("corvan-functions-" + std::to_string(getpid()) + ".xlsx");
    std::string error;
    EXPECT_TRUE(Xlsx_save(wb, file.string(), &error)) << error;
    const CliRun run = corvan("recalc " + options + " " + file.string());
    std::filesystem::remove(file);
    return run;
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

// Calls visit(name, count, optional, steady) for every function of the list
// and every simulation name: its argument count (-1 when open), how many of
// them are optional, and whether its value does not change by itself (no
// clock, no random draw).
template <typename Visit>
void forEveryName(Visit visit) {
  FunctionRecord record{};
  for (int32_t i = 0; Fn_recordAt(i, &record); ++i)
    visit(record.name, record.argumentCount, record.optional, !record.isVolatile && !Fn_isRandom(record.id));
  for (int32_t i = 0; i < Sim_nameCount(); ++i) {
    const SimName* s = Sim_nameAt(i);
    visit(s->name, s->count, s->optional, !Fn_isRandom(s->id));
  }
}

// Every name; with `steady`, only those whose value does not change by
// itself.
std::vector<std::string> everyCall(bool steady = false) {
  std::vector<std::string> calls;
  forEveryName([&](const std::u16string& name, int count, int optional, bool isSteady) {
    if (!steady || isSteady) calls.push_back(callOf(name, count, optional));
  });
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
  const CliRun run = recalc("");
  EXPECT_EQ(run.status, 0) << run.out;
  EXPECT_FALSE(run.has("#NAME?")) << run.out;
}

// A call of name with the arguments args.
std::string callWith(const std::u16string& name, const std::vector<std::string>& args) {
  std::string call = "=" + Text_toUtf8(name) + "(";
  for (size_t i = 0; i < args.size(); ++i) call += (i ? "," : "") + args[i];
  return call + ")";
}

struct CountedCall {
  std::string formula;
  bool accepted;     // the count lies within what the function takes
  bool interpreted;  // and within the interpreter's 32 arguments of a call
};

// Every function of the list and every simulation name with each argument
// count from none to one past its largest (past the interpreter's 32
// arguments of a call when the count is open); accepted from the fewest it
// needs.
std::vector<CountedCall> everyCount() {
  constexpr int kInterpreted = 32;
  std::vector<CountedCall> calls;
  auto add = [&](const std::u16string& name, int count) {
    FunctionRecord record{};
    Fn_lookup(name.c_str(), &record);
    const int most = count < 0 ? kInterpreted : count, fewest = Fn_fewestArguments(&record);
    for (int n = 0; n <= most + 1; ++n) {
      const bool accepted = n >= fewest && (count < 0 || n <= count);
      calls.push_back({callWith(name, std::vector<std::string>(n, "1")), accepted, accepted && n <= kInterpreted});
    }
  };
  forEveryName([&](const std::u16string& name, int count, int, bool) { add(name, count); });
  return calls;
}

// A workbook file may hold a call with fewer or more arguments than the
// function takes (no spreadsheet program enters one, other programs write
// them): `corvan recalc` calculates every such call as #VALUE!, as the
// stored values say, and every other count to some value, without a crash;
// the interpreter refuses each such cell, and each call of more than its 32
// arguments, by name and its reason, and no other.
TEST_F(FunctionRegistry, EveryArgumentCountOfEveryFunctionIsAValueOrVALUE) {
  const std::vector<CountedCall> calls = everyCount();
  ASSERT_GT(calls.size(), 2000u);
  size_t refused = 0;
  for (size_t i = 0; i < calls.size(); ++i) {
    Wb_setFormula(wb, sheet, static_cast<int>(i), 0, calls[i].formula);
    if (calls[i].accepted) continue;
    Wb_cellAt(wb, sheet, static_cast<int>(i), 0)->value = CellValue::makeError(CellError::Value);
    ++refused;
  }
  const CliRun calculated = recalc("");
  const CliRun interpreted = recalc("--interpreter");
  EXPECT_EQ(calculated.status, 0) << calculated.out.substr(0, 4000);
  EXPECT_TRUE(calculated.has(std::to_string(refused) + " formula cells checked, " + std::to_string(refused) + " matching"))
      << calculated.out.substr(0, 4000);
  EXPECT_EQ(interpreted.status, 1) << interpreted.out.substr(0, 4000);
  for (size_t i = 0; i < calls.size(); ++i) {
    const std::string line = "    A" + std::to_string(i + 1) + ": not compiled: ";
    EXPECT_EQ(interpreted.has(line), !calls[i].interpreted) << calls[i].formula;
  }
}

// Arguments far beyond any function's range, of both signs, and a draw
// that is NaN (a binomial law of no trials).
const char* const kOutsized[] = {"1E+9",   "1E+12",  "1E+15",   "1E+300",       "-1E+9",
                                 "-1E+12", "-1E+15", "-1E+300", "sim.1101(0,1)"};
// The argument count of the sweep for a function whose count is open.
constexpr int kOpenCount = 3;
// The other arguments beside one outsized argument: 1, and a probability
// that keeps a law's sums going.
const char* const kFillers[] = {"1", "0.5"};

// Every function of the list and every simulation name at its full argument
// count with each outsized argument: in every argument, then in each one
// alone with the others a filler.
std::vector<std::string> outsizedCalls() {
  std::vector<std::string> calls;
  forEveryName([&](const std::u16string& name, int count, int, bool) {
    const int n = count < 0 ? kOpenCount : count;
    for (const char* huge : kOutsized) {
      calls.push_back(callWith(name, std::vector<std::string>(n, huge)));
      for (const char* filler : kFillers)
        for (int i = 0; n > 1 && i < n; ++i) {
          std::vector<std::string> args(n, filler);
          args[i] = huge;
          calls.push_back(callWith(name, args));
        }
    }
  });
  return calls;
}

// A function whose work grows with an argument's value ends on huge
// arguments and on NaN elements, and converts none of them to an integer it
// cannot hold, in the sheet's calculation and in the interpreter: both
// commands run through every cell to their summary (a run that hangs meets
// the test's timeout; the sanitizer build stops at undefined behaviour).
TEST_F(FunctionRegistry, EveryFunctionEndsOnOutsizedAndNaNArguments) {
  const std::vector<std::string> calls = outsizedCalls();
  ASSERT_GT(calls.size(), 10000u);
  // Each cell stores a value, so that both commands calculate and compare it.
  for (size_t i = 0; i < calls.size(); ++i) {
    Wb_setFormula(wb, sheet, static_cast<int>(i), 0, calls[i]);
    Wb_cellAt(wb, sheet, static_cast<int>(i), 0)->value = CellValue::makeNumber(0);
  }
  for (const char* options : {"", "--interpreter"}) {
    const CliRun run = recalc(options);
    EXPECT_TRUE(run.has(std::to_string(calls.size()) + " formula cells checked")) << options << "\n"
                                                                                  << run.out.substr(0, 4000);
    EXPECT_FALSE(run.has("runtime error")) << options << "\n" << run.out.substr(0, 4000);
  }
}

// The parameters of each distribution with property arguments, by its name:
// lists as array constants.
const std::map<std::u16string, std::string> kLawCalls = {
    {u"sim.1301", "2,3"},          {u"sim.1304", "0.3,20"},       {u"sim.1305", "4"},
    {u"sim.1306", "0,10,{5},{0.5}"}, {u"sim.1307", "{1;2;3},{1;1;2}"}, {u"sim.1308", "{1;2;3}"},
    {u"sim.1309", "0.5"},          {u"sim.1310", "3,2"},          {u"sim.1311", "4"},
    {u"sim.1312", "0,1"},          {u"sim.1313", "3,2"},          {u"sim.1314", "0,4,{2},{1}"},
    {u"sim.1315", "0.25"},         {u"sim.1316", "0,4,{1;3}"},    {u"sim.1317", "5,10,30"},
    {u"sim.1318", "1,6"},          {u"sim.1319", "2,6"},          {u"sim.1320", "1,2"},
    {u"sim.1321", "0,1,4"},        {u"sim.1322", "5,1.5"},        {u"sim.1324", "0.5,3"},
    {u"sim.1325", "10,2"},         {u"sim.1326", "4,1"},          {u"sim.1331", "4"},
    {u"sim.1332", "2"},            {u"sim.1334", "10"},           {u"sim.1335", "0,2,5"},
    {u"sim.1336", "2,5,8,8,92"},   {u"sim.1337", "2,8"},          {u"sim.1338", "2,3"},
};

// Each kind of property argument: none, those the property functions make
// (a correlation matrix over D1:E2, a correlation, a name under both its
// names, a shift, truncation bounds, the property that is 0) and a shift and
// bounds written as array constants.
const char* const kProperties[] = {
    "",  ",sim.1352(D1:E2,1)", ",sim.1353(\"x\",0.5)", ",sim.1355(\"x\")", ",sim.1357(\"y\")", ",sim.1358(5)",
    ",sim.1359(-1000,1000)", ",sim.1360(0)", ",{8,5}", ",{9,-1000,1000}"};

// Every distribution of the name table that takes property arguments, with
// each kind of them, draws a number in the sheet's calculation as through
// the interpreter: column A holds the draws, column B asks ISNUMBER of each,
// stored TRUE.
TEST_F(FunctionRegistry, DistributionsDrawWithEveryKindOfPropertyArgument) {
  const double identity[2][2] = {{1, 0}, {0, 1}};
  for (int i = 0; i < 2; ++i)
    for (int j = 0; j < 2; ++j) Wb_setValue(wb, sheet, i, 3 + j, CellValue::makeNumber(identity[i][j]));
  int row = 0;
  for (int32_t i = 0; i < Sim_nameCount(); ++i) {
    const SimName* s = Sim_nameAt(i);
    if (!Sim_propertyLaw(s->id)) continue;
    const auto law = kLawCalls.find(s->name);
    ASSERT_NE(law, kLawCalls.end()) << Text_toUtf8(s->name);
    for (const char* property : kProperties) {
      Wb_setFormula(wb, sheet, row, 0, "=" + Text_toUtf8(s->name) + "(" + law->second + property + ")");
      Wb_setFormula(wb, sheet, row, 1, "=ISNUMBER(A" + std::to_string(row + 1) + ")");
      Wb_cellAt(wb, sheet, row++, 1)->value = CellValue::makeBoolean(true);
    }
  }
  ASSERT_EQ(static_cast<size_t>(row), kLawCalls.size() * std::size(kProperties));
  const std::string allDraw = std::to_string(row) + " formula cells checked, " + std::to_string(row) + " matching";
  for (const char* options : {"", "--interpreter"}) {
    const CliRun run = recalc(options);
    EXPECT_EQ(run.status, 0) << options << "\n" << run.out;
    EXPECT_TRUE(run.has(allDraw)) << options << "\n" << run.out;
  }
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
