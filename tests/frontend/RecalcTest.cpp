// `corvan recalc`: recomputes workbooks and compares with the values their
// files store. The shared calc and nlp workbooks carry values computed by
// other programs, so each must come out with no difference.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <vector>

#include "frontend/Fe_Frontend.h"
#include "frontend/Fe_Command.h"
#include "frontend/Fe_Interpreter.h"
#include "frontend/Fe_Output.h"
#include "frontend/Fe_Session.h"
#include "platform/calc/Calc.h"
#include "platform/xlsx/Xlsx.h"
#include "tests/support/ScratchTest.h"

namespace fs = std::filesystem;

namespace {

const std::string kData = CORVAN_DATA;

struct RecalcRun {
  int status = 0;
  std::string out, err;
};

RecalcRun recalc(const std::vector<std::string>& args) {
  std::vector<std::string> words = {"corvan", "recalc"};
  words.insert(words.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& w : words) argv.push_back(w.data());
  ::testing::internal::CaptureStdout();
  ::testing::internal::CaptureStderr();
  RecalcRun run;
  run.status = Fe_main(static_cast<int>(argv.size()), argv.data());
  run.out = ::testing::internal::GetCapturedStdout();
  run.err = ::testing::internal::GetCapturedStderr();
  return run;
}

class Recalc : public ScratchTest {};

}  // namespace

TEST_F(Recalc, CalcAndNlpWorkbooksAgreeWithTheirStoredValues) {
  // One cell of the operators workbook calls a function no one has.
  const std::string operators = kData + "/calc/calc-operators.xlsx";
  for (const char* folder : {"/calc", "/nlp"}) {
    for (const auto& entry : fs::directory_iterator(kData + folder)) {
      if (entry.path().extension() != ".xlsx") continue;
      RecalcRun run = recalc({entry.path().string()});
      EXPECT_EQ(run.status, entry.path().string() == operators ? 1 : 0) << entry.path() << "\n" << run.out << run.err;
      EXPECT_EQ(run.out.find(" 0 matching"), std::string::npos) << run.out;
    }
  }
  EXPECT_TRUE(Wb_app().workbooks.empty());
}

TEST_F(Recalc, CountsTheCellsItChecks) {
  RecalcRun run = recalc({kData + "/calc/calc-model-lp.xlsx"});
  EXPECT_EQ(run.status, 0) << run.out;
  // 25 formula cells over the two sheets, all with stored values.
  int checked = 0;
  for (size_t at = run.out.find(" formula cells checked"); at != std::string::npos;
       at = run.out.find(" formula cells checked", at + 1)) {
    size_t start = run.out.rfind(' ', at - 1) + 1;
    checked += std::stoi(run.out.substr(start, at - start));
  }
  EXPECT_EQ(checked, 25) << run.out;
}

TEST_F(Recalc, LpWorkbooksWithoutStoredValuesHaveNothingToDiffer) {
  RecalcRun run = recalc({kData + "/lp/afiro.xlsx"});
  EXPECT_EQ(run.status, 0) << run.out;
  EXPECT_NE(run.out.find("no stored value"), std::string::npos) << run.out;
}

TEST_F(Recalc, ReportsEachDifference) {
  Workbook* wb = Wb_newWorkbook("diff.xlsx");
  Sheet* sh = Wb_addSheet(wb, "S");
  Wb_setValue(wb, sh, 0, 0, CellValue::makeNumber(2));
  Wb_setFormula(wb, sh, 0, 1, "=A1*3");
  Wb_cellAt(wb, sh, 0, 1)->value = CellValue::makeNumber(6 * (1 + 1e-12));   // within tolerance
  Wb_setFormula(wb, sh, 1, 1, "=A1+1");
  Wb_cellAt(wb, sh, 1, 1)->value = CellValue::makeNumber(4);                 // really 3
  Wb_setFormula(wb, sh, 2, 1, "=A1>1");
  Wb_cellAt(wb, sh, 2, 1)->value = CellValue::makeNumber(1);                 // really TRUE
  Wb_setFormula(wb, sh, 3, 1,
                "=LEN(\"a\x01"
                "b\")");
  Wb_cellAt(wb, sh, 3, 1)->value = CellValue::makeNumber(9);  // really 3
  std::string error;
  fs::path file = dir_ / "diff.xlsx";
  ASSERT_TRUE(Xlsx_save(wb, file.string(), &error)) << error;
  Wb_resetApp();
  RecalcRun run = recalc({file.string()});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.out.find("S: 4 formula cells checked, 1 matching, 3 differing"), std::string::npos) << run.out;
  // A control character in a formula is written out, not sent to the terminal.
  EXPECT_NE(run.out.find("B4 =LEN(\"a<U+0001>b\"): stored 9, computed 3"), std::string::npos) << run.out;
  EXPECT_EQ(run.out.find('\x01'), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("B2 =A1+1: stored 4, computed 3"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("B3 =A1>1: stored 1, computed TRUE"), std::string::npos) << run.out;
}

// A formula nobody calculates keeps the value its file stores; that value
// is never counted as matching: the cell is named and counted apart, in
// both calculations, and the command fails.
TEST_F(Recalc, CellsNotCalculatedAreNamedAndFailTheRun) {
  Workbook* wb = Wb_newWorkbook("unknown.xlsx");
  Sheet* sh = Wb_addSheet(wb, "S");
  Wb_setValue(wb, sh, 0, 0, CellValue::makeNumber(2));
  Wb_setFormula(wb, sh, 0, 1, "=A1*3");
  Wb_cellAt(wb, sh, 0, 1)->value = CellValue::makeNumber(6);
  Wb_setFormula(wb, sh, 1, 1, "=NOSUCHFN(A1)");
  Wb_cellAt(wb, sh, 1, 1)->value = CellValue::makeNumber(5);
  ASSERT_TRUE(Wb_setArrayFormula(wb, sh, CellRange{0, 2, 1, 3, 1}, "=NOSUCHFN(A1)*{1;2}"));
  Wb_cellAt(wb, sh, 2, 1)->value = CellValue::makeNumber(5);
  Wb_cellAt(wb, sh, 3, 1)->value = CellValue::makeNumber(10);
  std::string error;
  fs::path file = dir_ / "unknown.xlsx";
  ASSERT_TRUE(Xlsx_save(wb, file.string(), &error)) << error;
  Wb_resetApp();
  RecalcRun run = recalc({file.string()});
  EXPECT_EQ(run.status, 1) << run.out;
  EXPECT_NE(run.out.find("S: 1 formula cells checked, 1 matching, 0 differing"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("3 formula cells not computed by the stand-in's calculation:"), std::string::npos) << run.out;
  for (const char* cell : {"B2: =NOSUCHFN(A1)", "B3: ", "B4: "})
    EXPECT_NE(run.out.find(cell), std::string::npos) << cell << "\n" << run.out;
  Wb_resetApp();
  RecalcRun interpreted = recalc({file.string(), "--interpreter"});
  EXPECT_EQ(interpreted.status, 1) << interpreted.out;
  EXPECT_NE(interpreted.out.find("B2: calls NOSUCHFN, a function this system does not calculate"), std::string::npos)
      << interpreted.out;
  EXPECT_EQ(interpreted.out.find(" 3 matching"), std::string::npos) << interpreted.out;
}

TEST_F(Recalc, UnreadableFileOrMissingArgument) {
  std::ofstream(dir_ / "text.xlsx") << "plain text";
  RecalcRun run = recalc({(dir_ / "text.xlsx").string()});
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.err.find((dir_ / "text.xlsx").string()), std::string::npos) << run.err;
  EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
  EXPECT_EQ(recalc({}).status, 2);
  EXPECT_EQ(recalc({"a.xlsx", "b.xlsx"}).status, 2);
}

TEST_F(Recalc, SavedWorkbookCarriesTheRecalculatedValues) {
  std::string error;
  Workbook* wb = Xlsx_open(kData + "/calc/calc-model-lp.xlsx", &error);
  ASSERT_NE(wb, nullptr) << error;
  Sheet* model = wb->sheets[Wb_sheetIndex(wb, "Model")].get();
  Wb_setValue(wb, model, 3, 1, CellValue::makeNumber(11));   // x1 from 10.5 to 11
  Calc_recalculate(wb);
  fs::path file = dir_ / "changed.xlsx";
  ASSERT_TRUE(Xlsx_save(wb, file.string(), &error)) << error;
  Wb_resetApp();
  Workbook* back = Xlsx_open(file.string(), &error);
  ASSERT_NE(back, nullptr) << error;
  // Profit 45*11 + 80*8 + 60*18.75 + 28*0, as stored in the saved file.
  const Cell* profit = Wb_findCell(back->sheets[Wb_sheetIndex(back, "Model")].get(), 4, 5);
  ASSERT_NE(profit, nullptr);
  EXPECT_EQ(profit->value, CellValue::makeNumber(2260));
  Wb_resetApp();
  RecalcRun run = recalc({file.string()});
  EXPECT_EQ(run.status, 0) << run.out;
}

// Through the formula interpreter every shared workbook agrees wherever the
// functions exist; the other cells are named with the function they lack.
// AVERAGE and COUNT count the booleans and number texts given directly and
// refuse a direct word as the worksheet does, so the aggregate workbook
// agrees whole.
TEST_F(Recalc, InterpreterAgreesWhereItsFunctionsExist) {
  for (const char* folder : {"/calc", "/nlp", "/lp", "/global", "/socp"}) {
    for (const auto& entry : fs::directory_iterator(kData + folder)) {
      if (entry.path().extension() != ".xlsx") continue;
      RecalcRun run = recalc({entry.path().string(), "--interpreter"});
      // Cells the interpreter cannot compute (IFERROR, vpm1's wide ranges) fail the run.
      const bool named = run.out.find("not computed by the interpreter") != std::string::npos;
      EXPECT_EQ(run.status, named ? 1 : 0) << entry.path() << "\n" << run.out << run.err;
      for (size_t at = run.out.find(" differing"); at != std::string::npos; at = run.out.find(" differing", at + 1))
        EXPECT_EQ(run.out.compare(at - 3, 3, ", 0"), 0) << entry.path() << "\n" << run.out;
    }
  }
  RecalcRun counts = recalc({kData + "/calc/calc-aggregate.xlsx", "--interpreter"});
  EXPECT_NE(counts.out.find("70 formula cells checked, 70 matching, 0 differing"), std::string::npos) << counts.out;
  // A quoted sheet name with a doubled quote ('Bob''s Data'!A2) reads its cell.
  RecalcRun names = recalc({kData + "/calc/calc-sheets-names.xlsx", "--interpreter"});
  EXPECT_NE(names.out.find("Results: 45 formula cells checked, 45 matching"), std::string::npos) << names.out;
  RecalcRun ops = recalc({kData + "/calc/calc-operators.xlsx", "--interpreter"});
  EXPECT_NE(ops.out.find("67 matching, 0 differing"), std::string::npos) << ops.out;
  EXPECT_NE(ops.out.find("B68: calls NOSUCHFUNCTION, a function this system does not calculate"), std::string::npos)
      << ops.out;
  EXPECT_TRUE(Wb_app().workbooks.empty());
}

// A cell that fails inside another cell's compilation is named with its own
// reason, and never passes for a constant holding its stored value.
TEST_F(Recalc, InterpreterNamesEveryCellItCannotCompute) {
  Workbook* wb = Wb_newWorkbook("book");
  Sheet* sh = Wb_addSheet(wb, "S");
  Wb_setFormula(wb, sh, 0, 1, "=C1+1");
  Wb_setFormula(wb, sh, 0, 2, "=(1+2");
  Wb_setFormula(wb, sh, 1, 0, "=nosuch(1)");
  Wb_setFormula(wb, sh, 2, 0, "=2^10&\"!\"");
  // Names defined through one another, and a name of 100,001 characters.
  Wb_defineName(wb, DefinedName{"aa", "bb+1", -1, false});
  Wb_defineName(wb, DefinedName{"bb", "aa+1", -1, false});
  std::string far = "1";
  while (far.size() <= 100000) far += "+1";
  Wb_defineName(wb, DefinedName{"far", far, -1, false});
  Wb_setFormula(wb, sh, 3, 0, "=aa");
  Wb_setFormula(wb, sh, 4, 0, "=far");
  FeInterpreted result;
  Fe_interpretWorkbook(wb, &result);
  auto failure = [&](int row, int col) { return result.failures[{0, Wb_cellKey(row, col)}]; };
  EXPECT_EQ(failure(0, 1), "not compiled: a formula lacks a closing parenthesis (interpreter status 17) at C1");
  EXPECT_EQ(failure(0, 2), "not compiled: a formula lacks a closing parenthesis (interpreter status 17)");
  EXPECT_EQ(failure(1, 0), "calls NOSUCH, a function this system does not calculate");
  EXPECT_EQ(failure(3, 0),
            "not compiled: the cells read one another in a circle (interpreter status 23) (the names \"aa\" and \"bb\" "
            "are defined through one another, a circle no formula can compute; break the circle)");
  EXPECT_NE(failure(4, 0).find("(the name \"far\" cannot be read (formula of 100001 characters"), std::string::npos)
      << failure(4, 0);
  ASSERT_EQ(result.values.size(), 1u);
  EXPECT_EQ(result.values.begin()->second.text, "1024!");
  Wb_closeWorkbook(wb);
}

// The interpreter of the front end stops at the command's time limit: past
// it, a lifted call of the ranks of 1..100 is not computed; without a limit
// it sums the ranks 100..1 to 5050.
TEST_F(Recalc, InterpreterStopsPastTheCommandsTimeLimit) {
  Workbook* wb = Wb_newWorkbook("book");
  Sheet* sh = Wb_addSheet(wb, "S");
  for (int r = 0; r < 100; ++r) Wb_setValue(wb, sh, r, 0, CellValue::makeNumber(r + 1));
  Wb_setFormula(wb, sh, 0, 1, "=SUMPRODUCT(RANK(A1:A100,A1:A100))");
  const std::pair<int, std::uint64_t> cell{0, Wb_cellKey(0, 1)};
  FeArgs limited;
  limited.maxTime = "1E-12";  // past as soon as it is set
  Fe_startProgress(true);
  Fe_limitTheLoad(limited);
  FeInterpreted stopped;
  Fe_interpretWorkbook(wb, &stopped);
  EXPECT_EQ(stopped.values.count(cell), 0u);
  EXPECT_EQ(stopped.failures.count(cell), 1u);
  Fe_limitTheLoad(FeArgs{});
  FeInterpreted full;
  Fe_interpretWorkbook(wb, &full);
  EXPECT_EQ(full.values[cell], CellValue::makeNumber(5050));
  Wb_closeWorkbook(wb);
}

// A reference into a workbook beside this one reads that book's stored
// values; a book that is not there, a range the interpreter cannot hold and
// an undefined name each name the cell with the reason.
TEST_F(Recalc, InterpreterReadsOtherWorkbooks) {
  std::string error;
  Workbook* other = Wb_newWorkbook("Other.xlsx");
  Sheet* data = Wb_addSheet(other, "Data Sheet");
  Wb_setValue(other, data, 0, 0, CellValue::makeNumber(21));
  Wb_setValue(other, data, 1, 0, CellValue::makeNumber(4));
  ASSERT_TRUE(Xlsx_save(other, (dir_ / "Other.xlsx").string(), &error)) << error;
  Wb_closeWorkbook(other);
  Workbook* wb = Wb_newWorkbook("main.xlsx");
  Sheet* sh = Wb_addSheet(wb, "S");
  Wb_setFormula(wb, sh, 0, 0, "='[Other.xlsx]Data Sheet'!A1*2");
  Wb_setFormula(wb, sh, 1, 0, "=SUM('[Other.xlsx]Data Sheet'!A1:A2)+1");
  Wb_setFormula(wb, sh, 2, 0, "='[Missing.xlsx]S'!A1+1");
  Wb_setFormula(wb, sh, 3, 0, "=SUM(A1:IV1)");   // column 256 lies past the interpreter's columns
  Wb_setFormula(wb, sh, 4, 0, "=NoSuchName+1");
  ASSERT_TRUE(Xlsx_save(wb, (dir_ / "main.xlsx").string(), &error)) << error;
  FeInterpreted result;
  Fe_interpretWorkbook(wb, &result);
  auto at = [](int row) { return std::make_pair(0, Wb_cellKey(row, 0)); };
  EXPECT_EQ(result.values[at(0)], CellValue::makeNumber(42));
  EXPECT_EQ(result.values[at(1)], CellValue::makeNumber(26));
  EXPECT_EQ(result.failures[at(2)], "not compiled: a formula refers to another workbook (interpreter status 24)");
  EXPECT_EQ(result.failures[at(3)],
            "not compiled: a formula uses a name the workbook does not define or a reference the interpreter cannot "
            "hold (interpreter status 14)"
            " (a1:iv1 lies past the interpreter's rows and columns)");
  EXPECT_EQ(result.failures[at(4)],
            "not compiled: a formula uses a name the workbook does not define or a reference the interpreter cannot "
            "hold (interpreter status 14)");
  Wb_closeWorkbook(wb);
  EXPECT_TRUE(Wb_app().workbooks.empty());
}

// Ranges and arrays reaching functions, against the stand-in's own
// recalculation of the same cells.
TEST_F(Recalc, InterpreterAgreesWithTheStandInOnRangesAndArrays) {
  Workbook* wb = Wb_newWorkbook("book");
  Sheet* sh = Wb_addSheet(wb, "S");
  const double column[] = {3, 0, 0.5, 2};  // A2 stays empty
  for (int row : {0, 2, 3}) Wb_setValue(wb, sh, row, 0, CellValue::makeNumber(column[row]));
  const char* formulas[] = {
      "=COUNTBLANK(A1:A4)", "=ISREF(A1:A4)", "=ISREF(A2)", "=ISREF(5)", "=ISBLANK(A2)", "=COUNTBLANK(A2)", "=-TRUE",
      "=IF(A1:A4>2,1,0)",   "=ISREF(Rate)", "=ISREF(Block)", "=COUNTBLANK(Block)", "=Rate*2",
      "=TRUE+TRUE",         "=TRUE*TRUE",   "=A2+A2",        "=ISNUMBER(A2*1)",    "=SUMPRODUCT((A1:A4>1)*(A1:A4<3))",
  };
  Wb_defineName(wb, DefinedName{"Rate", "0.2"});
  Wb_defineName(wb, DefinedName{"Block", "S!$A$1:$A$4"});
  int row = 0;
  for (const char* f : formulas) Wb_setFormula(wb, sh, row++, 1, f);
  ASSERT_TRUE(Wb_setArrayFormula(wb, sh, CellRange{0, 0, 2, 3, 2}, "=IF(A1:A4>1,A1:A4,-1)"));
  ASSERT_TRUE(Wb_setArrayFormula(wb, sh, CellRange{0, 0, 3, 0, 3}, "=SUM(IF(A1:A4>1,1,0))"));
  ASSERT_TRUE(Wb_setArrayFormula(wb, sh, CellRange{0, 0, 4, 3, 4}, "=IF(A1>1,A1:A4*2,0)"));
  ASSERT_TRUE(Wb_setArrayFormula(wb, sh, CellRange{0, 0, 6, 3, 7}, "=A1:A4*{1,10}+SUM(A1:A2)"));
  Calc_recalculate(wb);
  FeInterpreted result;
  Fe_interpretWorkbook(wb, &result);
  for (const auto& [key, cell] : sh->cells) {
    if (Wb_keyCol(key) == 0) continue;
    const std::string at = Wb_a1(Wb_keyRow(key), Wb_keyCol(key));
    const auto place = std::make_pair(0, key);
    EXPECT_EQ(result.failures.count(place), 0u) << at << " " << result.failures[place];
    EXPECT_EQ(result.values[place], cell.value) << at << " " << cell.formula;
  }
  Wb_closeWorkbook(wb);
}

// A bare range in an ordinary cell meets the cell's row (a column range) or
// column (a row range); a cell that meets neither gets "#value!".
TEST_F(Recalc, InterpreterIntersectsABareRangeWithItsCell) {
  Workbook* wb = Wb_newWorkbook("book");
  Sheet* sh = Wb_addSheet(wb, "S");
  for (int row = 0; row < 3; ++row) Wb_setValue(wb, sh, row, 0, CellValue::makeNumber(row + 1));
  for (int col = 0; col < 3; ++col) Wb_setValue(wb, sh, 6, col, CellValue::makeNumber(10 * (col + 1)));
  Wb_defineName(wb, DefinedName{"Price", "S!$A$1:$A$3"});
  Wb_setFormula(wb, sh, 1, 1, "=A1:A3");  // B2
  Wb_setFormula(wb, sh, 2, 2, "=Price");  // C3
  Wb_setFormula(wb, sh, 4, 1, "=A1:A3");  // B5, below the range
  Wb_setFormula(wb, sh, 8, 1, "=A7:C7");  // B9
  Wb_setFormula(wb, sh, 8, 3, "=A7:C7");  // D9, right of the range
  FeInterpreted result;
  Fe_interpretWorkbook(wb, &result);
  auto at = [](int row, int col) { return std::make_pair(0, Wb_cellKey(row, col)); };
  EXPECT_EQ(result.values[at(1, 1)], CellValue::makeNumber(2));
  EXPECT_EQ(result.values[at(2, 2)], CellValue::makeNumber(3));
  EXPECT_EQ(result.values[at(4, 1)], CellValue::makeError(CellError::Value));
  EXPECT_EQ(result.values[at(8, 1)], CellValue::makeNumber(20));
  EXPECT_EQ(result.values[at(8, 3)], CellValue::makeError(CellError::Value));
  Wb_closeWorkbook(wb);
}

// Left-over "," or ")" at the top of a formula and a name of several areas
// are refused when compiled, with the parser's status and the cell.
TEST_F(Recalc, InterpreterRefusesStrayTokensAndMultiAreaNames) {
  Workbook* wb = Wb_newWorkbook("book");
  Sheet* sh = Wb_addSheet(wb, "S");
  Wb_defineName(wb, DefinedName{"Both", "S!$A$1:$A$2,S!$C$1:$C$2"});
  Wb_setFormula(wb, sh, 0, 1, "=1+2,3");
  Wb_setFormula(wb, sh, 1, 1, "=1+2)");
  Wb_setFormula(wb, sh, 2, 1, "=SUM(Both)");
  FeInterpreted result;
  Fe_interpretWorkbook(wb, &result);
  auto failure = [&](int row) { return result.failures[{0, Wb_cellKey(row, 1)}]; };
  EXPECT_EQ(failure(0), "not compiled: a formula ends too early (interpreter status 5)");
  EXPECT_EQ(failure(1), "not compiled: a formula lacks an opening parenthesis (interpreter status 16)");
  EXPECT_EQ(failure(2), "not compiled: a reference of several areas is not supported there (interpreter status 25)");
  EXPECT_TRUE(result.values.empty());
  Wb_closeWorkbook(wb);
}

// An operator whose result leaves the doubles shows "#num!" in its cell,
// as the worksheet does, the cells that read it get it too, and a formula
// that tests for it gets its answer.
TEST_F(Recalc, InterpreterShowsOverflowOfAnOperatorAsNum) {
  Workbook* wb = Wb_newWorkbook("book");
  Sheet* sh = Wb_addSheet(wb, "S");
  Wb_setValue(wb, sh, 0, 0, CellValue::makeNumber(1e300));
  Wb_setFormula(wb, sh, 0, 1, "=A1*A1");
  Wb_setFormula(wb, sh, 1, 1, "=10^400");
  Wb_setFormula(wb, sh, 2, 1, "=A1*2");
  Wb_setFormula(wb, sh, 3, 1, "=B1+1");
  Wb_setFormula(wb, sh, 4, 1, "=ISERROR(A1*A1)");
  Wb_setFormula(wb, sh, 5, 1, "=IF(ISNUMBER(A1*A1),1,2)");
  FeInterpreted result;
  Fe_interpretWorkbook(wb, &result);
  auto at = [](int row) { return std::make_pair(0, Wb_cellKey(row, 1)); };
  EXPECT_TRUE(result.failures.empty());
  EXPECT_EQ(result.values[at(0)], CellValue::makeError(CellError::Num));
  EXPECT_EQ(result.values[at(1)], CellValue::makeError(CellError::Num));
  EXPECT_EQ(result.values[at(2)], CellValue::makeNumber(2e300));
  EXPECT_EQ(result.values[at(3)], CellValue::makeError(CellError::Num));
  // The overflow is an error value a formula can test, as in the worksheet.
  EXPECT_EQ(result.values[at(4)], CellValue::makeBoolean(true));
  EXPECT_EQ(result.values[at(5)], CellValue::makeNumber(2));
  Wb_closeWorkbook(wb);
}

// Formula cells on a sheet past the 255th are named with the limit, not
// left out.
TEST_F(Recalc, InterpreterNamesSheetsPastItsLimit) {
  Workbook* wb = Wb_newWorkbook("book");
  for (int s = 0; s < 256; ++s) Wb_addSheet(wb, "S" + std::to_string(s + 1));
  Wb_setFormula(wb, wb->sheets[0].get(), 0, 0, "=1+1");
  Wb_setFormula(wb, wb->sheets[255].get(), 0, 0, "=2+2");
  FeInterpreted result;
  Fe_interpretWorkbook(wb, &result);
  const auto first = std::make_pair(0, Wb_cellKey(0, 0)), last = std::make_pair(255, Wb_cellKey(0, 0));
  EXPECT_EQ(result.values[first], CellValue::makeNumber(2));
  EXPECT_EQ(result.failures[last], "sheet 256 lies past the interpreter's 255 sheets");
  Wb_closeWorkbook(wb);
}

// An array block runs once for all its cells, but a COUNTIF block whose
// criterion is a range runs cell by cell, each cell picking its own
// criterion: counts 2, 2 and 1.
TEST_F(Recalc, InterpreterCountifBlockPicksEachCellsCriterion) {
  Workbook* wb = Wb_newWorkbook("book");
  Sheet* sh = Wb_addSheet(wb, "S");
  const double data[] = {1, 1, 2, 5};
  for (int k = 0; k < 4; ++k) Wb_setValue(wb, sh, k, 0, CellValue::makeNumber(data[k]));
  ASSERT_TRUE(Wb_setArrayFormula(wb, sh, CellRange{0, 0, 1, 2, 1}, "=COUNTIF(A1:A4,A1:A3)"));
  ASSERT_TRUE(Wb_setArrayFormula(wb, sh, CellRange{0, 0, 2, 3, 2}, "=A1:A4*10"));
  // A criterion of one value: the block runs once, 2 * a + 7 in each cell.
  ASSERT_TRUE(
      Wb_setArrayFormula(wb, sh, CellRange{0, 0, 3, 3, 3}, "=COUNTIF(A1:A4,1)*A1:A4+SUMIF(A1:A4,\">1\",A1:A4)"));
  FeInterpreted result;
  Fe_interpretWorkbook(wb, &result);
  EXPECT_TRUE(result.failures.empty());
  for (int row = 0; row < 4; ++row)
    EXPECT_EQ(result.values[std::make_pair(0, Wb_cellKey(row, 3))], CellValue::makeNumber(2 * data[row] + 7)) << row;
  const double counts[] = {2, 2, 1};
  for (int row = 0; row < 3; ++row)
    EXPECT_EQ(result.values[std::make_pair(0, Wb_cellKey(row, 1))], CellValue::makeNumber(counts[row])) << row;
  for (int row = 0; row < 4; ++row)
    EXPECT_EQ(result.values[std::make_pair(0, Wb_cellKey(row, 2))], CellValue::makeNumber(10 * data[row])) << row;
  Wb_closeWorkbook(wb);
}

// Ranges of millions of mostly empty cells, whole columns and rows, ranges
// mixing used and unused cells and ranges with no used cell give the stand-in's
// values; shapes and blank counts see each range as written.
TEST_F(Recalc, InterpreterReadsLargeRangesByTheirUsedCells) {
  Workbook* wb = Wb_newWorkbook("book");
  Sheet* sh = Wb_addSheet(wb, "S");
  Wb_setValue(wb, sh, 3, 10, CellValue::makeNumber(2));      // K4
  Wb_setValue(wb, sh, 4, 11, CellValue::makeNumber(3));      // L5
  Wb_setValue(wb, sh, 5, 12, CellValue::makeText("x"));      // M6
  Wb_setValue(wb, sh, 6, 13, CellValue::makeBoolean(true));  // N7
  Wb_setFormula(wb, sh, 7, 14, "=K4*10");                    // O8
  const char* formulas[] = {
      "=SUM(J3:IS9000)",        "=COUNT(IS9000:J3)",   "=COUNTA(J3:IS9000)",
      "=AVERAGE(J3:IS9000)",    "=MAX(J3:IS9000)",     "=MIN(J3:IS9000)",
      "=SUM(K1:K65535)",        "=COUNTA(K1:K65535)",  "=SUM(A5:IU5)",
      "=MAX(A5:IU5,K4:O8)",     "=SUM(X20000:Z30000)", "=AVERAGE(X20000:Z30000)",
      "=MAX(X20000:Z30000)",    "=ROWS(J3:IS9000)",    "=COLUMNS(J3:IS9000)",
      "=COUNTBLANK(K1:K65535)", "=INDEX(K1:K65535,4)", "=SUM(K1:K65535)+ROWS(K1:K65535)",
  };
  int row = 9;
  for (const char* f : formulas) Wb_setFormula(wb, sh, row++, 0, f);
  Calc_recalculate(wb);
  // Past the stand-in's largest area, which it refuses: the interpreter's own sums.
  Wb_setFormula(wb, sh, 40, 1, "=SUM(IS3:J36361)");
  Wb_setFormula(wb, sh, 41, 1, "=COUNTA(J3:IU65535)");
  FeInterpreted result;
  Fe_interpretWorkbook(wb, &result);
  EXPECT_TRUE(result.failures.empty());
  for (const auto& [key, cell] : sh->cells) {
    if (Wb_keyCol(key) != 0) continue;
    const auto place = std::make_pair(0, key);
    EXPECT_EQ(result.values[place], cell.value) << Wb_a1(Wb_keyRow(key), 0) << " " << cell.formula;
  }
  EXPECT_EQ(result.values[std::make_pair(0, Wb_cellKey(40, 1))], CellValue::makeNumber(25));
  EXPECT_EQ(result.values[std::make_pair(0, Wb_cellKey(41, 1))], CellValue::makeNumber(5));
  Wb_closeWorkbook(wb);
}

// Formulas on which the two calculations used to disagree: the stand-in's
// values are the worksheet's (worked by hand), and the interpreter computes
// the same in every cell.
TEST_F(Recalc, BothCalculationsAgreeOnWhatTheWorksheetCounts) {
  Workbook* wb = Wb_newWorkbook("agree.xlsx");
  Sheet* sh = Wb_addSheet(wb, "S");
  const double column[] = {1, 2, 3, 0, 0, 4};
  for (int r = 0; r < 6; ++r) {
    Wb_setValue(wb, sh, r, 0, CellValue::makeNumber(column[r]));
    Wb_setValue(wb, sh, r, 1, CellValue::makeNumber(10.0 * (r + 1)));
  }
  Wb_setValue(wb, sh, 3, 0, CellValue::makeBoolean(true));         // A4
  Wb_setValue(wb, sh, 4, 0, CellValue::makeText("abc"));           // A5
  Wb_setValue(wb, sh, 0, 2, CellValue::makeText("h\u00e9llo"));    // C1
  Wb_setValue(wb, sh, 1, 2, CellValue::makeText("\u65e5\u672c"));  // C2
  const struct {
    const char* formula;
    const char* shown;
  } cells[] = {
      {"=AVERAGE(TRUE,3)", "2"},
      {"=SUM(A4,2)", "2"},
      {"=COUNT(TRUE,2,\"x\")", "2"},
      {"=MAX(A4,-1)", "-1"},
      {"=MIN(A5,5)", "5"},
      {"=MEDIAN(A4,1,2)", "1.5"},
      {"=SUMPRODUCT(A1:A3>1)", "0"},
      {"=SUMPRODUCT(A4:A6,B4:B6)", "240"},
      {"=SUMPRODUCT(--(ROW(A1:A6)>3),B1:B6)", "150"},
      {"=SUMPRODUCT(ROW(A1:A3)*B1:B3)", "140"},
      {"=INDEX(A1:B3,2)", "#REF!"},
      {"=INDEX(A1:B3,2,2)", "20"},
      {"=ROWS(5)", "#VALUE!"},
      {"=COLUMNS(5)", "#VALUE!"},
      {"=ROWS(A1:B3)*COLUMNS({1,2})", "6"},
      {"=TRANSPOSE(A1:A3)", "1"},
      {"=COUNTIF(A1:A6,TRUE)", "1"},
      {"=FIND(\"l\",C1)", "3"},
      {"=SEARCH(\"\u00c9\",C1)", "2"},
      {"=REPLACE(C1,3,1,\"X\")", "h\u00e9Xlo"},
      {"=SUBSTITUTE(C2,\"\u672c\",\"x\")", "\u65e5x"},
  };
  int row = 10;
  for (const auto& c : cells) Wb_setFormula(wb, sh, row++, 0, c.formula);
  ASSERT_TRUE(Wb_setArrayFormula(wb, sh, {0, row, 0, row, 0}, "=SUM(ROW(A1:A10))"));
  ASSERT_TRUE(Wb_setArrayFormula(wb, sh, {0, row + 1, 0, row + 1, 0}, "=SUM(COLUMN(A1:D1))"));
  Calc_recalculate(wb);
  row = 10;
  for (const auto& c : cells) EXPECT_EQ(Calc_displayText(Wb_findCell(sh, row++, 0)->value, ""), c.shown) << c.formula;
  EXPECT_EQ(Wb_findCell(sh, row, 0)->value, CellValue::makeNumber(55));
  EXPECT_EQ(Wb_findCell(sh, row + 1, 0)->value, CellValue::makeNumber(10));
  std::string error;
  const fs::path file = dir_ / "agree.xlsx";
  ASSERT_TRUE(Xlsx_save(wb, file.string(), &error)) << error;
  Wb_resetApp();
  RecalcRun run = recalc({file.string(), "--interpreter"});
  EXPECT_EQ(run.status, 0) << run.out << run.err;
  EXPECT_NE(run.out.find("S: 23 formula cells checked, 23 matching, 0 differing"), std::string::npos) << run.out;
}

// One index into a table of several rows and columns is "#REF!"; ROWS and
// COLUMNS of a single value are "#VALUE!". The file stores those errors,
// written by hand, and both calculations find them again.
TEST_F(Recalc, IndexRowsAndColumnsRefuseWhatHasNoShape) {
  Workbook* wb = Wb_newWorkbook("shapes.xlsx");
  Sheet* sh = Wb_addSheet(wb, "S");
  for (int r = 0; r < 3; ++r)
    for (int c = 9; c < 11; ++c) Wb_setValue(wb, sh, r, c, CellValue::makeNumber(10 * r + c));
  const struct {
    const char* formula;
    CellValue stored;
  } cells[] = {
      {"=INDEX(J1:K3,2)", CellValue::makeError(CellError::Ref)},
      {"=INDEX(J1:K3,0)", CellValue::makeError(CellError::Ref)},
      {"=ROWS(5)", CellValue::makeError(CellError::Value)},
      {"=COLUMNS(5)", CellValue::makeError(CellError::Value)},
      {"=ROWS(1/0)", CellValue::makeError(CellError::Div0)},
      {"=INDEX(J1:J3,2)", CellValue::makeNumber(19)},
      {"=INDEX(J2:K2,2)", CellValue::makeNumber(20)},
      {"=INDEX(J1:K3,2,2)", CellValue::makeNumber(20)},
      {"=ROWS(J1:K3)+COLUMNS(J1:K3)", CellValue::makeNumber(5)},
  };
  int row = 0;
  for (const auto& c : cells) {
    Wb_setFormula(wb, sh, row, 0, c.formula);
    Wb_cellAt(wb, sh, row++, 0)->value = c.stored;
  }
  std::string error;
  const fs::path file = dir_ / "shapes.xlsx";
  ASSERT_TRUE(Xlsx_save(wb, file.string(), &error)) << error;
  Wb_resetApp();
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{file.string()}, std::vector<std::string>{file.string(), "--interpreter"}}) {
    RecalcRun run = recalc(args);
    EXPECT_EQ(run.status, 0) << args.size() << "\n" << run.out << run.err;
    EXPECT_NE(run.out.find("S: 9 formula cells checked, 9 matching, 0 differing"), std::string::npos) << run.out;
    Wb_resetApp();
  }
}

// A defined name holding an array (a constant, a range in a formula, another
// such name, a sheet's own name) gives its whole array wherever a formula
// uses it: both calculations compute each formula's hand-worked value. A
// name that takes a range element by element means, outside arrays, what
// the range meets in the using cell: there the interpreter refuses it.
TEST_F(Recalc, InterpreterGivesANamesWholeArray) {
  Workbook* wb = Wb_newWorkbook("book");
  Sheet* plan = Wb_addSheet(wb, "Plan");
  Sheet* other = Wb_addSheet(wb, "Other");
  Wb_setValue(wb, plan, 0, 0, CellValue::makeNumber(3));  // A1
  Wb_setValue(wb, plan, 0, 1, CellValue::makeNumber(4));  // B1
  for (const DefinedName& dn :
       {DefinedName{"arr", "{7,2}"}, DefinedName{"col", "{7;2}"}, DefinedName{"tbl", "{1,10;2,20}"},
        DefinedName{"dbl", "Plan!$A$1:$B$1*2"}, DefinedName{"twice", "arr*2"}, DefinedName{"loc", "1"},
        DefinedName{"loc", "{5,6}", 0}, DefinedName{"loc", "{1,2,3}", 1}})
    Wb_defineName(wb, dn);
  const CellValue valueError = CellValue::makeError(CellError::Value);
  struct Row {
    Sheet* sheet;
    const char* formula;
    CellValue value;
    bool refused = false;  // by the interpreter, as a range failure
  };
  auto number = [](double x) { return CellValue::makeNumber(x); };
  const Row rows[] = {
      {plan, "=SUM(arr)", number(9)},
      {plan, "=INDEX(arr,1,2)", number(2)},
      {plan, "=INDEX(col,2,1)", number(2)},
      {plan, "=SUMPRODUCT(arr,A1:B1)", number(29)},
      {plan, "=SUMPRODUCT(arr*A1:B1)", number(29)},
      {plan, "=SUMPRODUCT(A1:B1/arr,arr)", number(7)},
      {plan, "=MMULT(arr,col)", number(53)},
      {plan, "=INDEX(MMULT(col,arr),2,1)", number(14)},
      {plan, "=VLOOKUP(2,tbl,2,FALSE)", number(20)},
      {plan, "=MATCH(2,arr,0)", number(2)},
      {plan, "=SUMPRODUCT(dbl,arr)", number(58)},
      {plan, "=MMULT(dbl,col)", number(58)},
      {plan, "=SUM(twice)+SUM(arr)", number(27)},
      {plan, "=MAX(arr)-MIN(arr)", number(5)},
      {plan, "=COUNT(tbl)+COLUMNS(arr)*10+ROWS(col)", number(26)},
      {plan, "=SUM(loc)", number(11)},
      {other, "=SUM(loc)", number(6)},
      {other, "=INDEX(tbl,2,2)/INDEX(arr,2)", number(10)},
      {plan, "=SUM(arr*2)", number(18)},
      {plan, "=SUM({7,2}*2)", number(18)},
      {plan, "=SUM(ABS(arr))", number(9)},
      {plan, "=SUM(dbl)", valueError, true},
      {plan, "=INDEX(dbl,1,2)", number(8)},  // INDEX computes its table whole
  };
  int row = 2;
  for (const Row& r : rows) Wb_setFormula(wb, r.sheet, row++, 3, r.formula);
  Calc_recalculate(wb);
  FeInterpreted result;
  Fe_interpretWorkbook(wb, &result);
  row = 2;
  for (const Row& r : rows) {
    SCOPED_TRACE(r.formula);
    const auto place = std::make_pair(r.sheet == plan ? 0 : 1, Wb_cellKey(row, 3));
    EXPECT_EQ(Wb_findCell(r.sheet, row++, 3)->value, r.value);
    if (r.refused) {
      EXPECT_NE(result.failures[place].find(
                    "a formula holds a reference the interpreter cannot follow (interpreter status 15)"),
                std::string::npos)
          << result.failures[place];
      continue;
    }
    EXPECT_EQ(result.failures.count(place), 0u) << result.failures[place];
    EXPECT_EQ(result.values[place], r.value);
  }
  Wb_closeWorkbook(wb);
}
